#pragma once
// Small RAII helpers over the raw ODBC API for the stand-in's tests; every call goes
// through the unixODBC driver manager, never into the driver directly.
#include <sql.h>
#include <sqlext.h>

#include <optional>
#include <string>
#include <vector>

namespace tarvik {

namespace standin_test {

struct Diag {
    std::string State;
    SQLINTEGER Native = 0;
    std::string Message;
};

// Every diagnostic record of a handle.
std::vector<Diag> Diagnostics(SQLSMALLINT type, SQLHANDLE handle);
// "STATE message" of the first record, for failure messages.
std::string FirstDiag(SQLSMALLINT type, SQLHANDLE handle);

// An ODBC 3 environment and one connection; the constructor does not connect.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    SQLRETURN Connect(const std::string& dsn, const std::string& user, const std::string& password);
    SQLRETURN DriverConnect(const std::string& text);
    // Connects to the test server's data source as sa; fails the test when it cannot.
    void ConnectTest(const std::string& extra = {});
    SQLHDBC Handle() const { return FDbc; }

private:
    SQLHENV FEnv = SQL_NULL_HENV;
    SQLHDBC FDbc = SQL_NULL_HDBC;
    bool FConnected = false;
};

using Cell = std::optional<std::string>;
using Rows = std::vector<std::vector<Cell>>;

class Statement {
public:
    explicit Statement(Connection& c);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    SQLHSTMT Handle() const { return FStmt; }
    SQLRETURN Exec(const std::string& sql);
    // Runs sql and fails the test on an error.
    void Run(const std::string& sql);
    std::vector<std::string> ColumnNames();
    // Fetches the rest of the current result as text through SQLGetData.
    Rows FetchAll();
    // Runs sql and returns the first result's rows.
    Rows Query(const std::string& sql);
    std::string Diag() const { return FirstDiag(SQL_HANDLE_STMT, FStmt); }

private:
    SQLHSTMT FStmt = SQL_NULL_HSTMT;
};

} // namespace standin_test

} // namespace tarvik
