// Behaviour that needs the stand-in server's test hooks: the connection string as the driver
// received it, asynchronous polling, made-up failures and lost links.
#include "odbc/ODBCError.h"
#include "tests/support/DriverFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <utility>

using namespace tarvik;

namespace {
class StandinTest : public ::testing::Test {
protected:
    void SetUp() override {
        const TestDriver& d = TestDriverLabelled("Standin");
        db.SetDataSource(d.DataSource);
        db.SetUserName(d.UserName);
        db.SetPassword(d.Password);
        ASSERT_NO_THROW(db.Connect()) << "cannot reach " << d.DataSource;
    }

    // How the driver was last asked to connect: the function and the string it received.
    static std::string LastConnect(THdbc& connection) {
        THstmt s;
        s.SethDbc(&connection);
        s.SetSQL("exec standin_last_connect");
        s.Execute();
        EXPECT_TRUE(s.FetchNext());
        return s.ColStringByName("ConnectFunction") + " " + s.ColStringByName("ConnectionString");
    }

    void Run(const std::string& sql) {
        THstmt s;
        s.SethDbc(&db);
        s.SetSQL(sql);
        s.Execute();
    }

    THdbc db;
};

int polls = 0;
int pollsWhileAsync = 0;
THstmt* polled = nullptr;
void CountPoll() {
    ++polls;
    if (polled && polled->AsyncModeOn()) ++pollsWhileAsync;
}
} // namespace

TEST_F(StandinTest, SqlConnectWithoutDriverAttributesOrPrompting) {
    THdbc c;
    c.SetDataSource("TarvikStandin");
    c.SetUserName("sa");
    c.Connect();
    // SQLConnect with an empty password string, shown by the stand-in in connection-string form.
    EXPECT_EQ(LastConnect(c), "SQLConnect DSN=TarvikStandin;UID=sa;PWD=;");
}

TEST_F(StandinTest, DriverConnectStringHasOnlyTheNonEmptyPartsInOrder) {
    THdbc c;
    c.SetDataSource("TarvikStandin");
    c.SetUserName("sa");
    c.SetDriver("SQL Server");
    c.Connect();
    EXPECT_EQ(LastConnect(c), "SQLDriverConnect DSN=TarvikStandin;UID=sa;DRIVER=SQL Server;");

    THdbc lines;
    lines.SetAttributes({"DRIVER={SQL Server}", "SERVER=TARVIKTEST", "DATABASE=Vidrol", "UID=sa"});
    lines.Connect();
    EXPECT_EQ(LastConnect(lines),
              "SQLDriverConnect DRIVER={SQL Server};SERVER=TARVIKTEST;DATABASE=Vidrol;UID=sa;");
}

TEST_F(StandinTest, APasswordWithASemicolonArrivesBraced) {
    try {
        Run("exec sp_addlogin 'semicolon_user', 'x;y'");
    } catch (const EODBC&) {
        // Left by an earlier run against the same server.
    }
    THdbc c;
    c.SetDataSource("TarvikStandin");
    c.SetUserName("semicolon_user");
    c.SetPassword("x;y");
    c.SetDriver("SQL Server");
    c.Connect();
    EXPECT_EQ(LastConnect(c),
              "SQLDriverConnect DSN=TarvikStandin;UID=semicolon_user;PWD={x;y};DRIVER=SQL Server;");
}

TEST_F(StandinTest, AsynchronousExecutionProcessesMessagesAfterEveryPoll) {
    // The driver answers "still executing" three times. (Its per-statement comment switch holds a
    // colon, which the parameter parser would take for a token, so the connection sets it.)
    THdbc c;
    c.SetAttributes({"DSN=TarvikStandin", "UID=sa", "AsyncPolls=3"});
    THstmt s;
    s.SethDbc(&c);
    s.SetExecAsync(true);
    s.SetSQL("SELECT 5");
    polls = pollsWhileAsync = 0;
    polled = &s;
    SetProcessMessagesHandler(CountPoll);
    s.Execute();
    SetProcessMessagesHandler(nullptr);
    polled = nullptr;
    EXPECT_EQ(polls, 4); // after each of the four calls
    EXPECT_EQ(pollsWhileAsync, 4);
    EXPECT_FALSE(s.AsyncModeOn());
    ASSERT_TRUE(s.FetchNext());
    EXPECT_EQ(s.ColInteger(1), 5);
    // Without ExecAsync the statement neither polls nor processes messages.
    s.SetExecAsync(false);
    s.SetSQL("SELECT 2");
    polls = 0;
    SetProcessMessagesHandler(CountPoll);
    s.Execute();
    SetProcessMessagesHandler(nullptr);
    EXPECT_EQ(polls, 0);
}

namespace {
// What a window message handled between two polls does to the statement that polls.
THdbc* disconnected = nullptr;
THstmt* doomed = nullptr;
void DisconnectPoll() {
    disconnected->Disconnect();
}
void DestroyPoll() {
    delete std::exchange(doomed, nullptr);
}

class PollHandler {
public:
    explicit PollHandler(TProcessMessagesHandler handler) { SetProcessMessagesHandler(handler); }
    ~PollHandler() { SetProcessMessagesHandler(nullptr); }
};
} // namespace

TEST_F(StandinTest, ADisconnectWhileAnExecutePollsEndsTheExecuteWithAClearError) {
    THdbc c;
    c.SetAttributes({"DSN=TarvikStandin", "UID=sa", "AsyncPolls=3"});
    THstmt s;
    s.SetName("qPoll");
    s.SethDbc(&c);
    s.SetExecAsync(true);
    s.SetSQL("SELECT 5");
    disconnected = &c;
    {
        PollHandler handler(DisconnectPoll);
        EXPECT_EQ(ErrorOf([&] { s.Execute(); }), "Statement qPoll was closed while it was executing.");
    }
    EXPECT_FALSE(c.Connected());
    EXPECT_FALSE(s.Allocated());
    EXPECT_FALSE(s.AsyncModeOn());
    s.Execute();
    ASSERT_TRUE(s.FetchNext()) << "the next execute connects again";
    EXPECT_EQ(s.ColInteger(1), 5);
}

TEST_F(StandinTest, AStatementDestroyedWhileItsExecutePollsEndsTheExecuteWithAClearError) {
    THdbc c;
    c.SetAttributes({"DSN=TarvikStandin", "UID=sa", "AsyncPolls=3"});
    doomed = new THstmt;
    THstmt* s = doomed;
    s->SetName("qDoomed");
    s->SethDbc(&c);
    s->SetExecAsync(true);
    s->SetSQL("SELECT 5");
    {
        PollHandler handler(DestroyPoll);
        EXPECT_EQ(ErrorOf([&] { s->Execute(); }), "Statement qDoomed was closed while it was executing.");
    }
    ASSERT_EQ(doomed, nullptr) << "the handler ran";
    EXPECT_TRUE(c.Children().Empty());
    THstmt next;
    next.SethDbc(&c);
    next.SetSQL("SELECT 6");
    next.Execute();
    ASSERT_TRUE(next.FetchNext()) << "the connection serves the next statement";
    EXPECT_EQ(next.ColInteger(1), 6);
}

TEST_F(StandinTest, DriverWithoutDescribeParam) {
    EXPECT_FALSE(db.FunctionSupported(SQL_API_SQLDESCRIBEPARAM));
    EXPECT_TRUE(db.NoDescribeParam());
}

TEST_F(StandinTest, EveryDiagnosticRecordArrivesInOrder) {
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("exec standin_fail '42S02', 3");
    s.Execute();
    s.SetSQL("SELECT 1");
    try {
        s.Execute();
        FAIL() << "the made-up failure did not arrive";
    } catch (const EODBC& e) {
        ASSERT_EQ(e.Records().size(), 3u);
        EXPECT_EQ(e.Records()[0].State, "42S02");
        EXPECT_EQ(e.Records()[0].Native, 50001);
        EXPECT_EQ(e.Records()[2].Native, 50003);
    }
    EXPECT_TRUE(db.Connected()); // not a connection error
}

TEST_F(StandinTest, ALostLinkDropsTheConnectionAndTheNextUseReconnects) {
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("exec standin_fail '08S01', 1");
    s.Execute();
    s.SetSQL("SELECT 1");
    EXPECT_THROW(s.Execute(), EODBC);
    // The handler is done: the connection was terminated quietly.
    EXPECT_FALSE(db.Connected());
    EXPECT_FALSE(db.Allocated());
    EXPECT_FALSE(s.Allocated());
    s.SetSQL("SELECT 9");
    s.Execute();
    EXPECT_TRUE(db.Connected());
    ASSERT_TRUE(s.FetchNext());
    EXPECT_EQ(s.ColInteger(1), 9);
}

TEST_F(StandinTest, AStatementTouchingNoRowIsNoErrorButFiresNoAfterExecute) {
    Run("DROP TABLE IF EXISTS nodata");
    Run("CREATE TABLE nodata (id int)");
    THstmt s;
    s.SethDbc(&db);
    int after = 0;
    s.AfterExecute = [&](TComponent*) { ++after; };
    s.SetSQL("UPDATE nodata SET id = 1 WHERE id = 2");
    s.Execute();
    EXPECT_EQ(s.LastReturnCode(), SQL_NO_DATA);
    EXPECT_TRUE(s.Executed());
    EXPECT_EQ(after, 0);
    // Fetching where there is no result set is the driver's error (invalid cursor state).
    s.SetSQL("INSERT INTO nodata VALUES (1)");
    s.Execute();
    try {
        s.FetchNext();
        FAIL() << "fetched without a result set";
    } catch (const EODBC& e) {
        EXPECT_EQ(e.State(), "24000");
    }
    Run("DROP TABLE nodata");
}

namespace {
// The stand-in counts the ODBC calls each connection receives; reset, act, then read the counts.
void ResetCalls(THdbc& connection) {
    THstmt s;
    s.SethDbc(&connection);
    s.SetSQL("exec standin_calls_reset");
    s.Execute();
}

std::map<std::string, int> Calls(THdbc& connection) {
    THstmt s;
    s.SethDbc(&connection);
    s.SetSQL("exec standin_calls");
    s.Execute();
    std::map<std::string, int> calls;
    while (s.FetchNext())
        calls[s.ColString(1)] = s.ColInteger(2);
    return calls;
}

// The calls that action made on connection: the counter's own statements, read once with no
// action between, are taken off.
std::map<std::string, int> CallsOf(THdbc& connection, const std::function<void()>& action) {
    ResetCalls(connection);
    std::map<std::string, int> calls = Calls(connection);
    ResetCalls(connection);
    action();
    std::map<std::string, int> acted = Calls(connection);
    for (auto& [name, count] : acted)
        count -= calls[name];
    return acted;
}

std::unique_ptr<THdbc> StandinConnection(SQLUINTEGER cursorLib) {
    auto c = std::make_unique<THdbc>();
    c->SetDataSource("TarvikStandin");
    c->SetUserName("sa");
    c->SetCursorLib(cursorLib);
    c->Connect();
    return c;
}
} // namespace

TEST_F(StandinTest, FetchNextReachesTheDriverAsSQLFetchOnlyUnderTheDriversCursors) {
    for (SQLUINTEGER lib : {SQLUINTEGER(SQL_CUR_USE_DRIVER), SQLUINTEGER(SQL_CUR_USE_IF_NEEDED)}) {
        auto c = StandinConnection(lib);
        THstmt s;
        s.SethDbc(c.get());
        s.SetSQL("SELECT 1 UNION ALL SELECT 2");
        s.Execute();
        std::map<std::string, int> calls = CallsOf(*c, [&] {
            EXPECT_TRUE(s.FetchNext());
            EXPECT_TRUE(s.FetchNext());
            EXPECT_FALSE(s.FetchNext());
        });
        const bool plain = lib == SQL_CUR_USE_DRIVER;
        EXPECT_EQ(calls["SQLFetch"], plain ? 3 : 0) << lib;
        EXPECT_EQ(calls["SQLFetchScroll"], plain ? 0 : 3) << lib;
    }
}

TEST_F(StandinTest, APreparedStatementExecutedAgainClosesItsCursorFirst) {
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("SELECT 1 UNION ALL SELECT 2");
    s.Prepare();
    s.Execute();
    ASSERT_TRUE(s.FetchNext());
    std::map<std::string, int> calls = CallsOf(db, [&] { s.Execute(); });
    EXPECT_EQ(calls["SQLExecute"], 1);
    EXPECT_EQ(calls["SQLFreeStmt"] + calls["SQLCloseCursor"], 1);
    EXPECT_EQ(calls["SQLPrepare"], 0);
    ASSERT_TRUE(s.FetchNext());
    EXPECT_EQ(s.ColInteger(1), 1); // the result starts again
}

TEST_F(StandinTest, SettingTheIsolationLevelTheDriverReportsSetsNothing) {
    db.SetIsolationLevel(SQL_TXN_SERIALIZABLE);
    EXPECT_EQ(CallsOf(db, [&] { db.SetIsolationLevel(SQL_TXN_SERIALIZABLE); })["SQLSetConnectAttr"], 0);
    EXPECT_EQ(CallsOf(db, [&] { db.SetIsolationLevel(SQL_TXN_READ_COMMITTED); })["SQLSetConnectAttr"], 1);
    EXPECT_TRUE(db.Connected());
}

TEST_F(StandinTest, ALongValueOfAHundredThousandBytesTakesFourReadsOfBlobSize) {
    Run("DROP TABLE IF EXISTS t_four_reads");
    Run("CREATE TABLE t_four_reads (id int, memo text)");
    Run("INSERT INTO t_four_reads VALUES (1, hex(zeroblob(50000)))"); // 100,000 characters
    THstmt s;
    s.SethDbc(&db);
    s.SetBlobSize(32768);
    s.SetSQL("SELECT memo FROM t_four_reads");
    s.Execute();
    s.NumCols();
    EXPECT_EQ(CallsOf(db, [&] { ASSERT_TRUE(s.FetchNext()); })["SQLGetData"], 4);
    EXPECT_EQ(s.ColString(1).size(), 100000u);
    s.Close();
    Run("DROP TABLE t_four_reads");
}
