// A link to the server that goes down under a statement or a dataset: the handler gets the driver's
// message, the connection is dropped once the handler is done, no handle is left half-open, and the
// next use connects again. The stand-in breaks its link where DropLink says; PostgreSQL is taken down
// between two runs.
#include "dataset/odbc/OEQuery.h"
#include "tests/support/DriverFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using namespace tarvik;

namespace {

struct LostLink {
    bool Raised = false;
    std::string State, Message;
};

// Runs action, which must lose the link; what it raised, read inside the handler.
LostLink LoseLink(const std::function<void()>& action) {
    LostLink lost;
    try {
        action();
    } catch (const EODBC& e) {
        lost.Raised = true;
        lost.State = e.State();
        lost.Message = e.Message();
    }
    return lost;
}

const char* const kDropped = "TCP Provider: An existing connection was forcibly closed by the remote host.";

class StandinLostLink : public ::testing::Test {
protected:
    // Each test uses its own DropLink value: the stand-in drops each value once in a process.
    void Connect(const std::string& drop) {
        const TestDriver& d = TestDriverLabelled("Standin");
        db.SetDataSource(d.DataSource);
        db.SetUserName(d.UserName);
        db.SetPassword(d.Password);
        db.SetAttributes({"DropLink=" + drop});
        ASSERT_NO_THROW(db.Connect());
    }
    // The link was lost with the driver's message and the handler is done: nothing of the
    // connection is left open.
    void ExpectDropped(const LostLink& lost, const THstmt& s) {
        ASSERT_TRUE(lost.Raised);
        EXPECT_EQ(lost.State, "08S01");
        EXPECT_NE(lost.Message.find(kDropped), std::string::npos) << lost.Message;
        EXPECT_FALSE(db.Connected());
        EXPECT_FALSE(db.Allocated());
        EXPECT_FALSE(s.Allocated());
    }
    THdbc db;
    const std::string towns = "SELECT PostnaSt FROM Kraji ORDER BY PostnaSt";
};

std::vector<std::int64_t> Column(THstmt& s) {
    std::vector<std::int64_t> values;
    while (s.FetchNext())
        values.push_back(s.ColInteger(1));
    return values;
}

} // namespace

TEST_F(StandinLostLink, AStatementLosingItsLinkAtExecuteMidFetchOrBetweenRunsReconnectsOnItsNextRun) {
    Connect("open");
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL(towns);
    ExpectDropped(LoseLink([&] { s.Execute(); }), s);
    s.Execute();
    EXPECT_TRUE(db.Connected());
    const std::vector<std::int64_t> all = Column(s);
    ASSERT_GT(all.size(), 4u);
    db.Disconnect();

    Connect("fetch:3");
    s.Execute();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(s.FetchNext());
    ExpectDropped(LoseLink([&] { s.FetchNext(); }), s);
    s.Execute();
    EXPECT_EQ(Column(s), all);
    db.Disconnect();

    Connect("between:1");
    s.Execute();
    EXPECT_EQ(Column(s), all);
    s.SetSQL("SELECT 1");
    ExpectDropped(LoseLink([&] { s.Execute(); }), s);
    s.SetSQL(towns);
    s.Execute();
    EXPECT_EQ(Column(s), all);
}

TEST_F(StandinLostLink, ADatasetLosingItsLinkWhileScrollingIsClosedAndOpensAgain) {
    Connect("fetch:4");
    TOEQuery q;
    q.SethDbc(&db);
    q.SetSQL({towns});
    q.Open();
    std::vector<std::int64_t> seen;
    const LostLink lost = LoseLink([&] {
        for (; !q.Eof(); q.Next())
            seen.push_back(q.Fields()[0].AsInteger());
    });
    ExpectDropped(lost, q.Statement());
    EXPECT_FALSE(seen.empty());
    EXPECT_FALSE(q.Active());

    q.Open();
    std::vector<std::int64_t> again;
    for (; !q.Eof(); q.Next())
        again.push_back(q.Fields()[0].AsInteger());
    EXPECT_TRUE(db.Connected());
    EXPECT_GT(again.size(), seen.size());
    EXPECT_TRUE(std::equal(seen.begin(), seen.end(), again.begin()));
}

namespace {

// Takes the tests' PostgreSQL down as a crash would and brings it back at the end of the scope,
// also when the test fails.
class HaltedPostgres {
public:
    HaltedPostgres() { FHalted = Fixture("halt") == 0; }
    ~HaltedPostgres() {
        if (FHalted) {
            EXPECT_EQ(Fixture("resume"), 0) << "the tests' PostgreSQL did not come back";
        }
    }
    bool Halted() const { return FHalted; }

private:
    static int Fixture(const char* action) {
        return std::system(
            (std::string("bash '") + TARVIK_PG_FIXTURE + "' " + action + " '" + TARVIK_ODBC_DIR + "'")
                .c_str());
    }
    bool FHalted = false;
};

} // namespace

TEST(PostgresLostLink, AServerGoneBetweenRunsIsDroppedAndTheNextRunReconnects) {
    const TestDriver& d = TestDriverLabelled("Postgres");
    THdbc db;
    db.SetDataSource(d.DataSource);
    db.SetUserName(d.UserName);
    db.SetPassword(d.Password);
    ASSERT_NO_THROW(db.Connect());
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("SELECT 41 + 1");
    s.Execute();
    ASSERT_TRUE(s.FetchNext());
    EXPECT_EQ(s.ColInteger(1), 42);
    s.SetSQL("SELECT 40 + 2"); // the next run, with the first one's cursor closed
    LostLink lost;
    {
        HaltedPostgres down;
        ASSERT_TRUE(down.Halted());
        lost = LoseLink([&] { s.Execute(); });
    }
    // psqlODBC 13.02 reports the server going away as 57P01 "server closed the connection
    // unexpectedly", not a connection-class state; the driver's dead-link flag has it dropped.
    ASSERT_TRUE(lost.Raised);
    EXPECT_EQ(lost.State, "57P01") << lost.Message;
    EXPECT_NE(lost.Message.find("server closed the connection"), std::string::npos) << lost.Message;
    EXPECT_FALSE(db.Connected());
    EXPECT_FALSE(db.Allocated());
    EXPECT_FALSE(s.Allocated());
    s.Execute();
    ASSERT_TRUE(s.FetchNext());
    EXPECT_EQ(s.ColInteger(1), 42);
    EXPECT_TRUE(db.Connected());
}
