// `exec standin_calls`: which ODBC functions reached the driver on one connection, so that a test of
// a library above the driver manager can prove the calls it makes.
#include "odbc/SqlChars.h"
#include "tests/standin/StandinTestSupport.h"

#include <gtest/gtest.h>

#include <map>

using namespace tarvik;

using namespace standin_test;

namespace {

using Counts = std::map<std::string, long>;

Counts CallsOf(Connection& c) {
    Statement st(c);
    EXPECT_TRUE(SQL_SUCCEEDED(st.Exec("exec standin_calls"))) << st.Diag();
    EXPECT_EQ(st.ColumnNames(), (std::vector<std::string>{"name", "calls"}));
    Counts out;
    for (const auto& row : st.FetchAll())
        out[row.at(0).value_or("")] = std::stol(row.at(1).value_or("-1"));
    return out;
}

long CountOf(const Counts& counts, const std::string& function) {
    auto it = counts.find(function);
    return it == counts.end() ? 0 : it->second;
}

class CallCounts : public ::testing::Test {
protected:
    void SetUp() override {
        Db.ConnectTest();
        Statement(Db).Run("exec standin_calls_reset");
    }
    Connection Db;
};

// Fetches every row of a one-column result, reading each value with SQLGetData; returns the rows.
int FetchAndRead(Statement& st) {
    int rows = 0;
    char value[64];
    SQLLEN ind = 0;
    while (SQLFetch(st.Handle()) == SQL_SUCCESS) {
        EXPECT_TRUE(SQL_SUCCEEDED(SQLGetData(st.Handle(), 1, SQL_C_CHAR, value, sizeof value, &ind)));
        ++rows;
    }
    return rows;
}

} // namespace

TEST_F(CallCounts, CountEachFunctionTheDriverReceived) {
    Statement st(Db);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLPrepare(st.Handle(), SqlChars("select PostnaSt from Kraji"), SQL_NTS)));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLExecute(st.Handle()))) << st.Diag();
    int rows = FetchAndRead(st);
    ASSERT_GT(rows, 1);
    SQLCloseCursor(st.Handle());
    ASSERT_TRUE(SQL_SUCCEEDED(SQLExecute(st.Handle()))) << st.Diag();
    ASSERT_EQ(SQLFetchScroll(st.Handle(), SQL_FETCH_NEXT, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLFetchScroll(st.Handle(), SQL_FETCH_NEXT, 0), SQL_SUCCESS);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLSetConnectAttr(Db.Handle(), SQL_ATTR_AUTOCOMMIT,
                                                reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0)));
    SQLCloseCursor(st.Handle());
    ASSERT_TRUE(SQL_SUCCEEDED(SQLTables(st.Handle(), nullptr, 0, nullptr, 0, SqlChars("Kraji"), SQL_NTS,
                                        SqlChars("TABLE"), SQL_NTS)));

    Counts counts = CallsOf(Db);
    EXPECT_EQ(CountOf(counts, "SQLPrepare"), 1);
    EXPECT_EQ(CountOf(counts, "SQLExecute"), 2);
    EXPECT_EQ(CountOf(counts, "SQLFetch"), rows + 1); // the last one answered SQL_NO_DATA
    EXPECT_EQ(CountOf(counts, "SQLGetData"), rows);
    EXPECT_EQ(CountOf(counts, "SQLFetchScroll"), 2);
    EXPECT_EQ(CountOf(counts, "SQLSetConnectAttr"), 1);
    EXPECT_EQ(CountOf(counts, "SQLTables"), 1);
    EXPECT_EQ(CountOf(counts, "SQLExecDirect"), 1); // the exec standin_calls itself
    for (const auto& [name, n] : counts) {
        EXPECT_EQ(name.rfind("SQL", 0), 0u) << name;
        EXPECT_GT(n, 0) << name;
    }
}

TEST_F(CallCounts, StartAgainAfterResetAndAtConnect) {
    Statement st(Db);
    st.Query("select PostnaSt from Kraji");
    EXPECT_GT(CountOf(CallsOf(Db), "SQLFetch"), 1);

    st.Run("exec standin_calls_reset");
    Counts afterReset = CallsOf(Db);
    EXPECT_EQ(CountOf(afterReset, "SQLFetch"), 0);
    EXPECT_EQ(CountOf(afterReset, "SQLExecDirect"), 1);

    Connection fresh;
    fresh.ConnectTest();
    EXPECT_EQ(CountOf(CallsOf(fresh), "SQLFetch"), 0);
}

TEST_F(CallCounts, BelongToTheirOwnConnection) {
    Connection other;
    other.ConnectTest();
    Statement st(other);
    st.Query("select PostnaSt from Kraji");
    EXPECT_EQ(CountOf(CallsOf(Db), "SQLFetch"), 0);
    EXPECT_GT(CountOf(CallsOf(other), "SQLFetch"), 1);
}
