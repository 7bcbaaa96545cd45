// Each driver of the private set-up starts and answers a query through the real driver manager.
#include "odbc/SqlChars.h"
#include "tests/support/OdbcTestDrivers.h"

#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <string>

using namespace tarvik;

namespace {
std::string Diag(SQLSMALLINT type, SQLHANDLE h) {
    SQLCHAR state[6] = {0}, msg[512] = {0};
    SQLINTEGER native = 0;
    SQLSMALLINT len = 0;
    if (SQLGetDiagRec(type, h, 1, state, &native, msg, sizeof msg, &len) != SQL_SUCCESS)
        return "(no diagnostics)";
    return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(msg);
}

class DriverSmoke : public ::testing::TestWithParam<TestDriver> {};
} // namespace

TEST_P(DriverSmoke, ConnectsAndAnswersAQuery) {
    const TestDriver& d = GetParam();
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env), SQL_SUCCESS);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_SUCCESS);
    SQLRETURN rc = SQLConnect(dbc, SqlChars(d.DataSource), SQL_NTS, SqlChars(d.UserName), SQL_NTS,
                              SqlChars(d.Password), SQL_NTS);
    ASSERT_TRUE(SQL_SUCCEEDED(rc)) << d.DataSource << ": " << Diag(SQL_HANDLE_DBC, dbc);
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_SUCCESS);
    rc = SQLExecDirect(stmt, SqlChars("select 40 + 2"), SQL_NTS);
    ASSERT_TRUE(SQL_SUCCEEDED(rc)) << Diag(SQL_HANDLE_STMT, stmt);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLFetch(stmt)));
    SQLINTEGER value = 0;
    SQLLEN ind = 0;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLGetData(stmt, 1, SQL_C_SLONG, &value, 0, &ind)));
    EXPECT_EQ(value, 42);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
}

INSTANTIATE_TEST_SUITE_P(Drivers, DriverSmoke, ::testing::ValuesIn(TestDrivers()), TestDriverName());
