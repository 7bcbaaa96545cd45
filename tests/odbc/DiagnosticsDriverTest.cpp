// Diagnostic records as a driver posts them, read through the real driver manager.
#include "odbc/HDbc.h"
#include "odbc/HStmt.h"
#include "odbc/ODBCError.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {
class DiagnosticsOnServer : public ::testing::Test {
protected:
    void SetUp() override {
        db.SetDataSource("TarvikStandin");
        db.SetUserName("sa");
        ASSERT_NO_THROW(db.Connect());
        stmt.SethDbc(&db);
    }
    void Run(const std::string& sql) {
        stmt.Close();
        stmt.SetSQL(sql);
        stmt.Execute();
    }
    THdbc db;
    THstmt stmt;
};
} // namespace

TEST_F(DiagnosticsOnServer, ThreeRecordsAreCollectedInOrderWithoutAMadeUpOne) {
    Run("exec standin_fail '42000', 3, N'napaka'");
    try {
        Run("select 1");
        FAIL() << "the injected failure did not arrive";
    } catch (const EODBC& e) {
        ASSERT_EQ(e.Records().size(), 3u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(e.Records()[i].State, "42000");
            EXPECT_EQ(e.Records()[i].Native, 50001 + i);
            EXPECT_NE(e.Records()[i].Message, "Unable to Retrieve ODBC Error");
        }
        EXPECT_EQ(e.Message(), e.Records()[0].Message);
        EXPECT_EQ(e.Source(), &stmt);
        EXPECT_EQ(e.ReturnCode(), SQL_ERROR);
    }
    EXPECT_TRUE(db.Connected()) << "a syntax-class error leaves the connection alone";
}

TEST_F(DiagnosticsOnServer, ALostLinkDropsTheConnectionAfterHandlingAndTheNextUseReconnects) {
    Run("exec standin_fail '08S01', 1");
    try {
        Run("select 1");
        FAIL() << "the injected failure did not arrive";
    } catch (const EODBC& e) {
        EXPECT_EQ(e.State(), "08S01");
        EXPECT_TRUE(db.Connected()) << "dropped before the handler was done";
    }
    EXPECT_FALSE(db.Connected());
    EXPECT_FALSE(stmt.Allocated());
    Run("select 7");
    ASSERT_TRUE(stmt.FetchNext());
    EXPECT_EQ(stmt.ColInteger(1), 7);
    EXPECT_TRUE(db.Connected());
}
