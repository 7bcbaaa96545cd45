#include "odbc/HDbc.h"

#include "core/Text.h"
#include "odbc/HStmt.h"
#include "odbc/SqlChars.h"
#include "odbc/Trace.h"

#include <algorithm>
#include <climits>
#include <exception>

namespace tarvik {

namespace {
constexpr std::int32_t MaxInt = INT_MAX;
constexpr std::int32_t OneG = 1073741823;

TDriverRec Row(const char* name) {
    return TDriverRec{name, 255, 255, MaxInt, 255, 255, MaxInt, 15, 15, 19, 15, 15, 0};
}

// Whether value is already one braced part: "{...}" whose inner closing braces are all doubled.
bool IsBraced(const std::string& value) {
    if (value.size() < 2 || value.front() != '{' || value.back() != '}') return false;
    for (std::size_t i = 1; i + 1 < value.size(); ++i)
        if (value[i] == '}' && value[++i] != '}') return false;
    return true;
}

// KEY=value; with the value braced when it holds a character that would end or open a part, so a
// password such as "a;DSN=x" cannot add parts. A value braced by the caller ("{SQL Server}") is
// taken as it is.
std::string Part(const char* key, const std::string& value) {
    if (value.empty()) return std::string();
    if (value.find_first_of(";{}") == std::string::npos || IsBraced(value))
        return std::string(key) + value + ";";
    std::string braced = "{";
    for (char c : value) {
        braced += c;
        if (c == '}') braced += '}';
    }
    return std::string(key) + braced + "};";
}
} // namespace

std::vector<TDriverRec> DefaultDriverTable() {
    std::vector<TDriverRec> t;
    t.push_back(Row("Default"));
    t.push_back(Row("Microsoft SQL Server;sqlsrv32.dll"));
    t.back().TimestampSize = 23;
    t.back().TimestampDigits = 3;
    t.push_back(Row("Oracle;msorcl32.dll"));
    t.back().VarcharSize = 2000;
    t.push_back(Row("Oracle8;sqoci32.dll"));
    t.back().VarcharSize = 2000;
    t.push_back(Row("SQL Server;sysybnt.dll"));
    t.back().VarcharSize = 30;
    t.back().VarbinarySize = 8;
    t.back().TimestampSize = 23;
    t.back().TimestampDigits = 3;
    t.push_back(Row("Adaptive Server Anywhere;dbodbc6w.dll"));
    t.back().CharSize = t.back().VarcharSize = t.back().BinarySize = t.back().VarbinarySize = 32767;
    t.back().TimestampSize = 26;
    t.back().TimestampDigits = 6;
    t.push_back(Row("Informix;iclit09a.dll"));
    t.back().CharSize = 32767;
    t.back().TimestampSize = 25;
    t.back().TimestampDigits = 5;
    t.push_back(Row("InterBase;iscdrv32.dll"));
    t.back().CharSize = 32767;
    t.back().VarcharSize = 32765;
    t.push_back(Row("Access;odbcjt32.dll"));
    t.back().LongVarbinarySize = OneG;
    t.push_back(Row("dBase;odbcjt32.dll"));
    t.back().CharSize = t.back().VarcharSize = t.back().BinarySize = t.back().VarbinarySize = 254;
    t.back().LongVarcharSize = t.back().LongVarbinarySize = OneG;
    t.push_back(Row("Paradox;odbcjt32.dll"));
    t.back().LongVarcharSize = t.back().LongVarbinarySize = OneG;
    t.back().BinarySize = t.back().VarbinarySize = 254;
    for (const char* name : {"Visual FoxPro;vfpodbc.dll", "FoxPro;odbcjt32.dll"}) {
        t.push_back(Row(name));
        t.back().CharSize = t.back().VarcharSize = t.back().BinarySize = t.back().VarbinarySize = 254;
    }
    return t;
}

const TDriverRec* FindDriverRecIn(const std::vector<TDriverRec>& table, const std::string& key) {
    for (const TDriverRec& r : table)
        if (SameTextAscii(r.Name, key)) return &r;
    return nullptr;
}

std::string ComposeConnectString(const std::string& dataSource, const std::string& userName,
                                 const std::string& password, const std::string& driver,
                                 const std::vector<std::string>& attributes) {
    std::string s =
        Part("DSN=", dataSource) + Part("UID=", userName) + Part("PWD=", password) + Part("DRIVER=", driver);
    for (const std::string& line : attributes)
        s += line + ";";
    return s;
}

THdbc::THdbc(TComponent* owner) : THbase(owner), FDriverTable(DefaultDriverTable()) {
    // Statements of the same owner adopt a connection by its type.
    AnnounceInserted();
}

THdbc::~THdbc() {
    try {
        Terminate();
    } catch (...) {
        // A destructor never throws; the handles are gone with the environment at worst.
        SwallowODBCError();
    }
    const std::vector<THstmt*> users = FUsers;
    for (THstmt* s : users)
        s->ForgetHdbc(this);
    FChildren.Clear();
}

void THdbc::Check(SQLRETURN rc) {
    FRetCode = rc;
    if (!Success(rc)) GlobalEnv().Error().RaiseODBCError(this, rc);
}

SQLHDBC THdbc::Handle() {
    Init();
    return FHandle;
}

bool THdbc::Init() {
    Trace(1, "THdbc.Init");
    if (FAllocated) return true;
    if (FPoolingPending) {
        FPoolingPending = false;
        GlobalEnv().SetConnectionPooling(FPendingPooling);
    }
    THenv& env = GlobalEnv();
    SQLHDBC handle = SQL_NULL_HDBC;
    FRetCode = SQLAllocHandle(SQL_HANDLE_DBC, env.Handle(), &handle);
    // Without a connection handle the diagnostics sit on the environment.
    if (!Success(FRetCode)) env.Error().RaiseODBCError(&env, FRetCode);
    FHandle = handle;
    env.Children().Add(this);
    FAllocated = true;
    SetCursorLib(FCursorLib);
    THbase::Init();
    return FAllocated;
}

bool THdbc::Terminate() {
    Trace(1, "THdbc.Terminate");
    THbase::Terminate();
    if (!FAllocated) return true;
    std::exception_ptr failure;
    try {
        FChildren.TerminateAll();
        if (FConnected) Disconnect();
    } catch (...) {
        failure = std::current_exception();
    }
    if (FConnected) {
        // The driver refused to disconnect (an open transaction, say): a connected handle cannot
        // be freed, so roll back and ask once more.
        SQLEndTran(SQL_HANDLE_DBC, FHandle, SQL_ROLLBACK);
        if (Success(SQLDisconnect(FHandle))) FConnected = false;
    }
    GlobalEnv().Children().Remove(this);
    const SQLRETURN rc = SQLFreeHandle(SQL_HANDLE_DBC, FHandle);
    if (Success(rc)) FHandle = SQL_NULL_HDBC;
    FAllocated = false;
    FConnected = false;
    // Raised after the bookkeeping so that a failure never leaves a freed handle marked allocated.
    if (failure) std::rethrow_exception(failure);
    Check(rc);
    return true;
}

void THdbc::Connect() {
    Trace(1, "THdbc.Connect");
    Init();
    if (FConnected) return;
    DoBeforeConnect();
    SetCursorLib(FCursorLib);
    if (FInfoPrompt == SQL_DRIVER_NOPROMPT && FDriver.empty() && FAttributes.empty()) {
        Check(SQLConnect(FHandle, SqlChars(FDataSource), SQL_NTS, SqlChars(FUserName), SQL_NTS,
                         SqlChars(FPassword), SQL_NTS));
    } else {
        const std::string connect = ConnectString();
        SQLCHAR completed[256];
        SQLSMALLINT completedLength = 0;
        Check(SQLDriverConnect(FHandle, static_cast<SQLHWND>(ParentWindow()), SqlChars(connect), SQL_NTS,
                               completed, sizeof completed, &completedLength, FInfoPrompt));
    }
    FConnected = true;
    SetIsolationLevel(FIsolationLevel);
    FNoDescribeParam = !FunctionSupported(SQL_API_SQLDESCRIBEPARAM);
    DoAfterConnect();
}

void THdbc::Disconnect() {
    Trace(1, "THdbc.Disconnect");
    if (!FConnected) return;
    DoBeforeDisconnect();
    FChildren.TerminateAll();
    Check(SQLDisconnect(FHandle));
    FConnected = false;
    DoAfterDisconnect();
}

void THdbc::SetConnected(bool value) {
    if (Loading()) {
        FConnectedAtLoad = value;
        return;
    }
    if (value)
        Connect();
    else
        Disconnect();
}

void THdbc::Loaded() {
    THbase::Loaded();
    if (!FConnectedAtLoad) return;
    try {
        Connect();
    } catch (const EODBC& e) {
        ShowErrorDialog(e, "Cannot connect " + Name() + " to database.");
    }
}

std::string THdbc::ConnectString() const {
    return ComposeConnectString(FDataSource, FUserName, FPassword, FDriver, FAttributes);
}

bool THdbc::GetAttr(SQLINTEGER attribute, SQLUINTEGER& value) {
    SQLULEN wide = 0; // some managers write a full SQLULEN for 32-bit attributes
    FRetCode = SQLGetConnectAttr(FHandle, attribute, &wide, sizeof wide, nullptr);
    value = static_cast<SQLUINTEGER>(wide);
    return Success(FRetCode);
}

void THdbc::ApplyAttr(SQLINTEGER attribute, SQLUINTEGER value) {
    SQLUINTEGER current = 0;
    if (!GetAttr(attribute, current) || current == value) return;
    Check(SQLSetConnectAttr(FHandle, attribute, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(value)),
                            SQL_IS_UINTEGER));
}

void THdbc::SetCursorLib(SQLUINTEGER value) {
    Trace(1, "THdbc.SetCursorLib");
    if (FConnected) Disconnect();
    FCursorLib = value;
    if (FAllocated) ApplyAttr(SQL_ATTR_ODBC_CURSORS, value);
}

void THdbc::SetIsolationLevel(SQLUINTEGER value) {
    Trace(1, "THdbc.SetIsolationLevel");
    FIsolationLevel = value;
    if (FAllocated) ApplyAttr(SQL_ATTR_TXN_ISOLATION, value);
}

bool THdbc::NoDescribeParam() {
    Connect();
    return FNoDescribeParam;
}

TConnectionPooling THdbc::ConnectionPooling() const {
    return GlobalEnv().ConnectionPooling();
}

void THdbc::SetConnectionPooling(TConnectionPooling value) {
    if (Loading()) {
        FPoolingPending = true;
        FPendingPooling = value;
        return;
    }
    GlobalEnv().SetConnectionPooling(value);
}

bool THdbc::FunctionSupported(SQLUSMALLINT functionId) {
    if (functionId == SQL_API_ALL_FUNCTIONS || functionId == SQL_API_ODBC3_ALL_FUNCTIONS)
        throw EVERODezuzid("Cannot return information for more than one function at a time.");
    Connect();
    SQLUSMALLINT supported = 0;
    FRetCode = SQLGetFunctions(FHandle, functionId, &supported);
    return Success(FRetCode) && supported != 0;
}

std::string THdbc::InfoString(SQLUSMALLINT infoType) {
    Connect();
    SQLCHAR buffer[256] = {0};
    SQLSMALLINT length = 0;
    FRetCode = SQLGetInfo(FHandle, infoType, buffer, sizeof buffer, &length);
    if (!Success(FRetCode)) return std::string();
    buffer[sizeof buffer - 1] = 0;
    return std::string(reinterpret_cast<char*>(buffer));
}

SQLUINTEGER THdbc::InfoInteger(SQLUSMALLINT infoType) {
    Connect();
    SQLUINTEGER value = 0;
    FRetCode = SQLGetInfo(FHandle, infoType, &value, sizeof value, nullptr);
    return Success(FRetCode) ? value : 0;
}

std::string THdbc::DBMSAndDriver() {
    return InfoString(SQL_DBMS_NAME) + ";" + InfoString(SQL_DRIVER_NAME);
}

bool THdbc::IsDriver(const std::vector<std::string>& texts) {
    const std::string mine = DBMSAndDriver();
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return SameTextAscii(mine, t); });
}

void THdbc::AddUser(THstmt* statement) {
    FUsers.push_back(statement);
}

void THdbc::RemoveUser(THstmt* statement) {
    auto it = std::find(FUsers.begin(), FUsers.end(), statement);
    if (it != FUsers.end()) FUsers.erase(it);
}

// psqlODBC 13.02 reports a server that went away as 57P01, not as a connection-class state; the
// driver's own view of the link tells the library that the connection must be dropped all the same.
bool THdbc::ConnectionDead() noexcept {
    if (!FAllocated || !FConnected) return false;
    SQLULEN dead = SQL_CD_FALSE; // some managers write a full SQLULEN for 32-bit attributes
    return Success(SQLGetConnectAttr(FHandle, SQL_ATTR_CONNECTION_DEAD, &dead, sizeof dead, nullptr)) &&
           dead == SQL_CD_TRUE;
}

void THdbc::DoBeforeConnect() {
    if (BeforeConnect) BeforeConnect(this);
}
void THdbc::DoAfterConnect() {
    if (AfterConnect) AfterConnect(this);
}
void THdbc::DoBeforeDisconnect() {
    if (BeforeDisconnect) BeforeDisconnect(this);
}
void THdbc::DoAfterDisconnect() {
    if (AfterDisconnect) AfterDisconnect(this);
}

} // namespace tarvik
