#pragma once
// One ODBC connection: its settings, connecting and disconnecting, the driver
// questions statements ask, and the per-driver parameter sizes table.
#include "odbc/HBase.h"
#include "odbc/HEnv.h"

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tarvik {

class THstmt;

// Parameter sizes for one driver, used when the driver cannot describe a parameter.
struct TDriverRec {
    std::string Name; // DBMS name ";" driver file name, compared without regard to case
    std::int32_t CharSize, VarcharSize, LongVarcharSize, BinarySize, VarbinarySize, LongVarbinarySize,
        DecimalSize, NumericSize, TimestampSize;
    std::int16_t DecimalDigits, NumericDigits, TimestampDigits;
};

// The thirteen rows every connection starts with, "Default" first.
std::vector<TDriverRec> DefaultDriverTable();
// The first row whose Name equals key without regard to ASCII letter case; null when none.
const TDriverRec* FindDriverRecIn(const std::vector<TDriverRec>& table, const std::string& key);

// The SQLDriverConnect string: DSN=, UID=, PWD=, DRIVER= parts for the non-empty values, then
// every attribute line, each followed by ";". A value holding ";", "{" or "}" is written in
// braces with "}" doubled, so it cannot end its part early or smuggle in another keyword.
std::string ComposeConnectString(const std::string& dataSource, const std::string& userName,
                                 const std::string& password, const std::string& driver,
                                 const std::vector<std::string>& attributes);

class THdbc : public THbase {
public:
    explicit THdbc(TComponent* owner = nullptr);
    // Terminates (disconnecting and freeing statement handles); statements that still name
    // this connection are left with none. Never throws.
    ~THdbc() override;

    // Allocates the connection handle and applies CursorLib. Throws EODBC.
    bool Init() override;
    // Terminates the statements, disconnects, frees the handle; when a step fails the rest still
    // run, the handle goes and the first error is raised afterwards. Throws EODBC.
    bool Terminate() override;
    // Connects with the stored settings unless connected (SQLConnect when there is no driver,
    // no attribute and no prompting, SQLDriverConnect otherwise). Throws EODBC.
    void Connect();
    // Terminates the statements and disconnects; the handle stays allocated. Throws EODBC.
    void Disconnect();

    // The connection handle; runs Init first. Throws EODBC.
    SQLHDBC Handle();
    bool Allocated() const { return FAllocated; }
    SQLRETURN LastReturnCode() const { return FRetCode; }
    TChildren& Children() { return FChildren; }

    bool Connected() const { return FConnected; }
    // While loading only remembered (applied after loading); otherwise Connect or Disconnect.
    void SetConnected(bool value);

    const std::string& Driver() const { return FDriver; }
    void SetDriver(const std::string& value) { FDriver = value; }
    const std::string& DataSource() const { return FDataSource; }
    void SetDataSource(const std::string& value) { FDataSource = value; }
    const std::string& UserName() const { return FUserName; }
    void SetUserName(const std::string& value) { FUserName = value; }
    const std::string& Password() const { return FPassword; }
    void SetPassword(const std::string& value) { FPassword = value; }
    // KEY=value lines appended to the connection string; read at the next Connect.
    const std::vector<std::string>& Attributes() const { return FAttributes; }
    void SetAttributes(const std::vector<std::string>& lines) { FAttributes = lines; }
    // The string Connect would hand to SQLDriverConnect with the current settings.
    std::string ConnectString() const;

    SQLUINTEGER IsolationLevel() const { return FIsolationLevel; }
    // Stores; on an allocated handle sets SQL_ATTR_TXN_ISOLATION when it differs. Throws EODBC.
    void SetIsolationLevel(SQLUINTEGER value);
    SQLUSMALLINT InfoPrompt() const { return FInfoPrompt; }
    void SetInfoPrompt(SQLUSMALLINT value) { FInfoPrompt = value; }
    SQLUINTEGER CursorLib() const { return FCursorLib; }
    // Disconnects when connected, stores, sets SQL_ATTR_ODBC_CURSORS when it differs. Throws EODBC.
    void SetCursorLib(SQLUINTEGER value);

    // Connects, then whether the driver lacks SQLDescribeParam. Throws EODBC.
    bool NoDescribeParam();
    // The process-wide pooling of the environment; remembered while loading, applied at Init.
    TConnectionPooling ConnectionPooling() const;
    void SetConnectionPooling(TConnectionPooling value);
    std::string Version() const { return "5.05"; }
    void SetVersion(const std::string&) {}

    // Connects, then asks SQLGetFunctions; false when the driver cannot tell. Throws
    // EVERODezuzid for SQL_API_ALL_FUNCTIONS/SQL_API_ODBC3_ALL_FUNCTIONS, EODBC when connecting fails.
    bool FunctionSupported(SQLUSMALLINT functionId);
    // Connects, then SQLGetInfo; the empty text or 0 when the driver cannot tell. Throw EODBC only on
    // connect.
    std::string InfoString(SQLUSMALLINT infoType);
    SQLUINTEGER InfoInteger(SQLUSMALLINT infoType);
    // "DBMS name;driver file name", e.g. "Microsoft SQL Server;sqlsrv32.dll".
    std::string DBMSAndDriver();
    // Whether DBMSAndDriver equals one of the texts without regard to case.
    bool IsDriver(const std::vector<std::string>& texts);
    // The driver-table row for a key (case-insensitive); null when none. Owned by the connection.
    const TDriverRec* FindDriverRec(const std::string& key) const {
        return FindDriverRecIn(FDriverTable, key);
    }
    const std::vector<TDriverRec>& DriverTable() const { return FDriverTable; }

    TNotifyEvent BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;

    SQLSMALLINT DiagHandleType() const override { return SQL_HANDLE_DBC; }
    SQLHANDLE DiagHandle() override { return FHandle; }
    bool ConnectionDead() noexcept override;

    // Statements naming this connection register here so that its destruction can clear them.
    void AddUser(THstmt* statement);
    void RemoveUser(THstmt* statement);

protected:
    virtual void DoBeforeConnect();
    virtual void DoAfterConnect();
    virtual void DoBeforeDisconnect();
    virtual void DoAfterDisconnect();
    // Connects when the stored form said connected; a failure shows the error dialog.
    void Loaded() override;

private:
    // Stores the return code and raises EODBC on failure.
    void Check(SQLRETURN rc);
    // Reads a 32-bit connection attribute; false when the driver cannot tell.
    bool GetAttr(SQLINTEGER attribute, SQLUINTEGER& value);
    // Sets a 32-bit connection attribute unless the handle already reports that value.
    void ApplyAttr(SQLINTEGER attribute, SQLUINTEGER value);

    SQLHDBC FHandle = SQL_NULL_HDBC;
    bool FAllocated = false;
    SQLRETURN FRetCode = SQL_SUCCESS;
    TChildren FChildren;
    bool FPoolingPending = false;
    TConnectionPooling FPendingPooling = cpDefault;
    bool FConnected = false;
    bool FConnectedAtLoad = false;
    std::string FDriver, FDataSource, FUserName, FPassword;
    std::vector<std::string> FAttributes;
    SQLUINTEGER FIsolationLevel = SQL_TXN_READ_COMMITTED;
    SQLUSMALLINT FInfoPrompt = SQL_DRIVER_NOPROMPT;
    SQLUINTEGER FCursorLib = SQL_CUR_USE_DRIVER;
    bool FNoDescribeParam = false;
    std::vector<TDriverRec> FDriverTable;
    std::vector<THstmt*> FUsers;
};

} // namespace tarvik
