#include "tests/standin/StandinTestSupport.h"

#include "odbc/SqlChars.h"

#include <gtest/gtest.h>

namespace tarvik {

namespace standin_test {

std::vector<Diag> Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    std::vector<Diag> out;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLCHAR state[6] = {0}, msg[1024] = {0};
        SQLINTEGER native = 0;
        SQLSMALLINT len = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, i, state, &native, msg, sizeof msg, &len))) break;
        out.push_back({reinterpret_cast<char*>(state), native, reinterpret_cast<char*>(msg)});
    }
    return out;
}

std::string FirstDiag(SQLSMALLINT type, SQLHANDLE handle) {
    auto d = Diagnostics(type, handle);
    return d.empty() ? std::string("(no diagnostics)") : d[0].State + " " + d[0].Message;
}

Connection::Connection() {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &FEnv);
    SQLSetEnvAttr(FEnv, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, FEnv, &FDbc);
}

Connection::~Connection() {
    if (FConnected) SQLDisconnect(FDbc);
    SQLFreeHandle(SQL_HANDLE_DBC, FDbc);
    SQLFreeHandle(SQL_HANDLE_ENV, FEnv);
}

SQLRETURN Connection::Connect(const std::string& dsn, const std::string& user, const std::string& password) {
    SQLRETURN rc =
        SQLConnect(FDbc, SqlChars(dsn), SQL_NTS, SqlChars(user), SQL_NTS, SqlChars(password), SQL_NTS);
    FConnected = SQL_SUCCEEDED(rc);
    return rc;
}

SQLRETURN Connection::DriverConnect(const std::string& text) {
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    SQLRETURN rc = SQLDriverConnect(FDbc, nullptr, SqlChars(text), SQL_NTS, out, sizeof out, &outLength,
                                    SQL_DRIVER_NOPROMPT);
    FConnected = SQL_SUCCEEDED(rc);
    return rc;
}

void Connection::ConnectTest(const std::string& extra) {
    SQLRETURN rc = DriverConnect("DSN=TarvikStandin;UID=sa;" + extra);
    ASSERT_TRUE(SQL_SUCCEEDED(rc)) << FirstDiag(SQL_HANDLE_DBC, FDbc);
}

Statement::Statement(Connection& c) {
    SQLAllocHandle(SQL_HANDLE_STMT, c.Handle(), &FStmt);
}

Statement::~Statement() {
    SQLFreeHandle(SQL_HANDLE_STMT, FStmt);
}

SQLRETURN Statement::Exec(const std::string& sql) {
    SQLFreeStmt(FStmt, SQL_CLOSE);
    return SQLExecDirect(FStmt, SqlChars(sql), SQL_NTS);
}

void Statement::Run(const std::string& sql) {
    SQLRETURN rc = Exec(sql);
    ASSERT_TRUE(SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) << sql << ": " << Diag();
}

std::vector<std::string> Statement::ColumnNames() {
    SQLSMALLINT n = 0;
    SQLNumResultCols(FStmt, &n);
    std::vector<std::string> names;
    for (SQLSMALLINT i = 1; i <= n; ++i) {
        SQLCHAR name[256] = {0};
        SQLSMALLINT len = 0;
        SQLDescribeCol(FStmt, static_cast<SQLUSMALLINT>(i), name, sizeof name, &len, nullptr, nullptr,
                       nullptr, nullptr);
        names.emplace_back(reinterpret_cast<char*>(name));
    }
    return names;
}

Rows Statement::FetchAll() {
    Rows rows;
    SQLSMALLINT n = 0;
    SQLNumResultCols(FStmt, &n);
    while (SQL_SUCCEEDED(SQLFetch(FStmt))) {
        std::vector<Cell> row;
        for (SQLSMALLINT i = 1; i <= n; ++i) {
            std::string value;
            char buf[512];
            SQLLEN ind = 0;
            SQLRETURN rc;
            bool isNull = false;
            while (SQL_SUCCEEDED(
                rc = SQLGetData(FStmt, static_cast<SQLUSMALLINT>(i), SQL_C_CHAR, buf, sizeof buf, &ind))) {
                if (ind == SQL_NULL_DATA) {
                    isNull = true;
                    break;
                }
                value += buf;
                if (rc == SQL_SUCCESS) break;
            }
            row.push_back(isNull ? Cell() : Cell(value));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

Rows Statement::Query(const std::string& sql) {
    SQLRETURN rc = Exec(sql);
    EXPECT_TRUE(SQL_SUCCEEDED(rc)) << sql << ": " << Diag();
    return FetchAll();
}

} // namespace standin_test

} // namespace tarvik
