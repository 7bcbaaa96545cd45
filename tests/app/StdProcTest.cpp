// Session questions against the stand-in server, through the real driver manager.
#include "app/StdProc.h"
#include "odbc/HDbc.h"
#include "odbc/HStmt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace tarvik;

namespace {
// A connection to the test server whose session reports the given host name.
std::unique_ptr<THdbc> Session(const std::string& host, const std::string& database = "Vidrol") {
    auto db = std::make_unique<THdbc>();
    db->SetDriver("SQL Server");
    db->SetUserName("sa");
    db->SetAttributes({"SERVER=TARVIKTEST", "DATABASE=" + database, "WSID=" + host});
    db->Connect();
    return db;
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}
} // namespace

TEST(StdProc, ServerInfoNamesServerOwnHostAndCurrentDatabase) {
    auto db = Session("postaja1");
    std::string server = "x", host = "x", database = "x";
    EXPECT_TRUE(GetServerInfo(*db, server, host, database));
    EXPECT_EQ(server, "TARVIKTEST");
    EXPECT_EQ(host, "postaja1");
    EXPECT_EQ(database, "Vidrol");
}

TEST(StdProc, DatabaseListHoldsEveryDatabaseOfTheServer) {
    auto db = Session("postaja1");
    std::vector<std::string> list{"stale"};
    EXPECT_TRUE(GetDatabaseList(*db, list));
    EXPECT_TRUE(Contains(list, "master"));
    EXPECT_TRUE(Contains(list, "Vidrol"));
    EXPECT_FALSE(Contains(list, "stale"));
}

TEST(StdProc, DatabaseUsersAreUniqueAndLeaveOutTheOwnHostOnlyWhenAsked) {
    auto own = Session("lastna");
    auto other1 = Session("Tuja");
    auto other2 = Session("TUJA"); // the same host in another case: one entry
    auto elsewhere = Session("drugje", "master");
    std::vector<std::string> list;
    EXPECT_TRUE(GetDatabaseUsers(*own, "", list, true));
    EXPECT_TRUE(Contains(list, "lastna"));
    EXPECT_EQ(std::count_if(list.begin(), list.end(),
                            [](const std::string& h) { return h == "Tuja" || h == "TUJA"; }),
              1);
    EXPECT_FALSE(Contains(list, "drugje"));

    EXPECT_TRUE(GetDatabaseUsers(*own, "", list, false));
    EXPECT_FALSE(Contains(list, "lastna"));
    EXPECT_TRUE(Contains(list, "Tuja"));

    // A named database gives no own host to compare with: it stays in.
    EXPECT_TRUE(GetDatabaseUsers(*own, "Vidrol", list, false));
    EXPECT_TRUE(Contains(list, "lastna"));
    // The database name must match exactly, case included.
    EXPECT_TRUE(GetDatabaseUsers(*own, "VIDROL", list, true));
    EXPECT_TRUE(list.empty());
}

TEST(StdProc, AFailingQueryReachesTheCallerAndFreesItsStatement) {
    auto db = Session("postaja1");
    THstmt fail;
    fail.SethDbc(db.get());
    fail.SetSQL("exec standin_fail '42000', 1");
    fail.Execute();
    std::vector<std::string> list;
    EXPECT_THROW(GetDatabaseList(*db, list), EODBC);
    EXPECT_EQ(db->Children().Count(), 1) << "only the test's own statement may still hold a handle";
    EXPECT_TRUE(GetDatabaseList(*db, list)) << "the next call works again";
}

TEST(StdProc, DatabaseUsersComeInTheOrderOfTheirFirstSession) {
    auto first = Session("prva");
    auto second = Session("druga");
    auto again = Session("prva");
    std::vector<std::string> list;
    EXPECT_TRUE(GetDatabaseUsers(*second, "", list, true));
    const auto at = [&](const std::string& host) { return std::find(list.begin(), list.end(), host); };
    ASSERT_NE(at("prva"), list.end());
    ASSERT_NE(at("druga"), list.end());
    EXPECT_LT(at("prva"), at("druga"));
    EXPECT_EQ(std::count(list.begin(), list.end(), "prva"), 1);
}

TEST(StdProc, EveryQueryFreesItsStatementWhenTheServerFails) {
    auto db = Session("postaja1");
    THstmt arm;
    arm.SethDbc(db.get());
    const auto failNext = [&] {
        arm.SetSQL("exec standin_fail '42000', 1");
        arm.Execute();
        arm.Close();
    };
    std::string server, host, database;
    std::vector<std::string> list;
    failNext();
    EXPECT_THROW(GetServerInfo(*db, server, host, database), EODBC);
    EXPECT_EQ(db->Children().Count(), 1);
    failNext();
    EXPECT_THROW(GetDatabaseUsers(*db, "", list, true), EODBC);
    EXPECT_EQ(db->Children().Count(), 1);
    failNext();
    EXPECT_THROW(GetDatabaseUsers(*db, "Vidrol", list, true), EODBC);
    EXPECT_EQ(db->Children().Count(), 1);
    EXPECT_TRUE(GetServerInfo(*db, server, host, database));
    EXPECT_EQ(host, "postaja1");
}
