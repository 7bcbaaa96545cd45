// Logging in, sessions seen across connections and processes, injected faults,
// asynchronous execution and transactions.
#include "odbc/SqlChars.h"
#include "tests/standin/StandinTestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

using namespace tarvik;

using namespace standin_test;

namespace {

std::vector<std::string> Hosts(Connection& c) {
    Statement st(c);
    std::vector<std::string> hosts;
    for (const auto& r : st.Query("exec sp_who"))
        hosts.push_back(r.at(3).value_or(""));
    return hosts;
}

bool Contains(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

Diag FailedConnect(const std::string& text) {
    Connection c;
    SQLRETURN rc = c.DriverConnect(text);
    EXPECT_EQ(rc, SQL_ERROR) << text;
    auto d = Diagnostics(SQL_HANDLE_DBC, c.Handle());
    return d.empty() ? Diag{} : d[0];
}

} // namespace

TEST(StandinSession, TwoConnectionsSeeEachOtherInSpWho) {
    Connection a, b;
    a.ConnectTest("WSID=host-a;");
    b.ConnectTest("WSID=host-b;");
    EXPECT_TRUE(Contains(Hosts(a), "host-b"));
    EXPECT_TRUE(Contains(Hosts(b), "host-a"));
    EXPECT_TRUE(Contains(Hosts(a), "host-a"));
}

TEST(StandinSession, ClosedAndEndedSessionsLeaveSpWho) {
    Connection watcher;
    watcher.ConnectTest("WSID=watcher;");
    {
        Connection shortLived;
        shortLived.ConnectTest("WSID=short-lived;");
        EXPECT_TRUE(Contains(Hosts(watcher), "short-lived"));
    }
    EXPECT_FALSE(Contains(Hosts(watcher), "short-lived"));

    // A process that ends without disconnecting: its session goes once the process is gone.
    int toChild[2], toParent[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(toParent), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        auto* c = new Connection(); // never freed: the process ends abruptly
        bool ok = SQL_SUCCEEDED(c->DriverConnect("DSN=TarvikStandin;UID=sa;WSID=other-process;"));
        char byte = ok ? '1' : '0';
        (void)!write(toParent[1], &byte, 1);
        (void)!read(toChild[0], &byte, 1);
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(toParent[0], &byte, 1), 1);
    ASSERT_EQ(byte, '1');
    EXPECT_TRUE(Contains(Hosts(watcher), "other-process"));
    (void)!write(toChild[1], &byte, 1);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_FALSE(Contains(Hosts(watcher), "other-process"));
    for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]})
        close(fd);
}

TEST(StandinSession, LoginFailuresCarrySqlServerStates) {
    Diag server = FailedConnect("UID=sa;DRIVER=SQL Server;SERVER=NIKJER;DATABASE=Vidrol;");
    EXPECT_EQ(server.State, "08001");
    Diag password = FailedConnect("UID=tester;PWD=narobe;DRIVER=SQL Server;SERVER=TARVIKTEST;");
    EXPECT_EQ(password.State, "28000");
    EXPECT_EQ(password.Native, 18456);
    Diag unknownLogin = FailedConnect("DSN=TarvikStandin;UID=nihce;");
    EXPECT_EQ(unknownLogin.State, "28000");

    Connection c;
    ASSERT_EQ(c.DriverConnect("UID=sa;DRIVER=SQL Server;SERVER=TARVIKTEST;DATABASE=Nobena;"), SQL_ERROR);
    auto d = Diagnostics(SQL_HANDLE_DBC, c.Handle());
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].State, "42000");
    EXPECT_EQ(d[0].Native, 4060);
    EXPECT_EQ(d[1].State, "28000");
}

TEST(StandinSession, PasswordLoginAndDefaultsForEmptyServerAndDatabase) {
    Connection tester;
    ASSERT_TRUE(SQL_SUCCEEDED(
        tester.DriverConnect("UID=tester;PWD=Geslo.1;DRIVER=SQL Server;SERVER=TARVIKTEST;DATABASE=;")))
        << FirstDiag(SQL_HANDLE_DBC, tester.Handle());
    Statement st(tester);
    EXPECT_EQ(st.Query("select @@servername").at(0).at(0), "TARVIKTEST");

    Connection byDefault;
    ASSERT_TRUE(SQL_SUCCEEDED(byDefault.DriverConnect("UID=sa;DRIVER=SQL Server;SERVER=;DATABASE=;")))
        << FirstDiag(SQL_HANDLE_DBC, byDefault.Handle());
    Statement st2(byDefault);
    EXPECT_EQ(st2.Query("select @@servername").at(0).at(0), "VIDROL");
}

TEST(StandinSession, DriverReportsTheConnectionStringItReceived) {
    const std::string text = "UID=sa;DRIVER=SQL Server;SERVER=TARVIKTEST;DATABASE=Drugi;";
    Connection c;
    ASSERT_TRUE(SQL_SUCCEEDED(c.DriverConnect(text))) << FirstDiag(SQL_HANDLE_DBC, c.Handle());
    Statement st(c);
    Rows rows = st.Query("exec standin_last_connect");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "SQLDriverConnect");
    EXPECT_EQ(rows[0][1], text);

    Connection viaDsn;
    ASSERT_TRUE(SQL_SUCCEEDED(viaDsn.Connect("TarvikStandin", "sa", "")));
    Statement st2(viaDsn);
    rows = st2.Query("exec standin_last_connect");
    EXPECT_EQ(rows.at(0).at(0), "SQLConnect");
    EXPECT_EQ(rows.at(0).at(1), "DSN=TarvikStandin;UID=sa;PWD=;");
}

TEST(StandinSession, InjectedFaultFailsTheNextCallWithThreeRecords) {
    Connection c;
    c.ConnectTest();
    Statement st(c);
    st.Run("exec standin_fail '40001', 3");
    ASSERT_EQ(st.Exec("select 1"), SQL_ERROR);
    auto d = Diagnostics(SQL_HANDLE_STMT, st.Handle());
    ASSERT_EQ(d.size(), 3u);
    for (const auto& r : d)
        EXPECT_EQ(r.State, "40001");
    EXPECT_NE(d[0].Message, d[2].Message);
    EXPECT_EQ(st.Query("select 1").at(0).at(0), "1"); // only the next call fails
}

// Header and record fields of a failure, read field by field through the driver manager.
TEST(StandinSession, DiagnosticFieldsDescribeEachRecord) {
    Connection c;
    c.ConnectTest();
    Statement st(c);
    st.Run("exec standin_fail '40001', 3, N'Deadlock'");
    ASSERT_EQ(st.Exec("select 1"), SQL_ERROR);
    SQLHSTMT h = st.Handle();
    SQLINTEGER count = 0;
    ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h, 0, SQL_DIAG_NUMBER, &count, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(count, 3);
    SQLRETURN returned = SQL_SUCCESS;
    ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h, 0, SQL_DIAG_RETURNCODE, &returned, 0, nullptr),
              SQL_SUCCESS);
    EXPECT_EQ(returned, SQL_ERROR);
    std::vector<SQLINTEGER> natives;
    for (SQLSMALLINT i = 1; i <= count; ++i) {
        SQLCHAR state[6] = {0}, message[256] = {0}, server[64] = {0};
        SQLSMALLINT length = 0;
        SQLINTEGER native = 0;
        ASSERT_TRUE(SQL_SUCCEEDED(
            SQLGetDiagField(SQL_HANDLE_STMT, h, i, SQL_DIAG_SQLSTATE, state, sizeof state, &length)));
        EXPECT_STREQ(reinterpret_cast<char*>(state), "40001");
        ASSERT_TRUE(
            SQL_SUCCEEDED(SQLGetDiagField(SQL_HANDLE_STMT, h, i, SQL_DIAG_NATIVE, &native, 0, nullptr)));
        natives.push_back(native);
        ASSERT_TRUE(SQL_SUCCEEDED(
            SQLGetDiagField(SQL_HANDLE_STMT, h, i, SQL_DIAG_MESSAGE_TEXT, message, sizeof message, &length)));
        EXPECT_NE(std::string(reinterpret_cast<char*>(message)).find("Deadlock"), std::string::npos)
            << message;
        ASSERT_TRUE(SQL_SUCCEEDED(
            SQLGetDiagField(SQL_HANDLE_STMT, h, i, SQL_DIAG_SERVER_NAME, server, sizeof server, &length)));
        EXPECT_STREQ(reinterpret_cast<char*>(server), "TARVIKTEST");
    }
    EXPECT_EQ(natives, (std::vector<SQLINTEGER>{50001, 50002, 50003}));
    SQLCHAR beyond[6] = {0};
    EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h, 4, SQL_DIAG_SQLSTATE, beyond, sizeof beyond, nullptr),
              SQL_NO_DATA);

    st.Run("update Kraji set Naziv = Naziv where PostnaSt >= 8000");
    SQLLEN rows = -1;
    ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h, 0, SQL_DIAG_ROW_COUNT, &rows, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(rows, 3);
}

TEST(StandinSession, InjectedLinkFailureDropsTheSession) {
    Connection watcher, c;
    watcher.ConnectTest("WSID=watcher2;");
    c.ConnectTest("WSID=dropped-link;");
    Statement st(c);
    st.Run("exec standin_fail '08S01', 3, N'Communication link failure'");
    ASSERT_EQ(st.Exec("select 1"), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).size(), 3u);
    ASSERT_EQ(st.Exec("select 1"), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).at(0).State, "08S01");
    EXPECT_FALSE(Contains(Hosts(watcher), "dropped-link"));
    SQLUINTEGER dead = 0;
    SQLGetConnectAttr(c.Handle(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
    EXPECT_EQ(dead, static_cast<SQLUINTEGER>(SQL_CD_TRUE));
}

// DropLink breaks the link where a test asks: at the first run, mid-fetch, or between two runs. The
// link stays broken until the application reconnects; the reconnect runs normally, as after a real
// network failure: each value drops the link once in a process.
TEST(StandinSession, DropLinkBreaksTheLinkWhereChosenUntilTheApplicationReconnects) {
    const std::string dropped =
        "TCP Provider: An existing connection was forcibly closed by the remote host.";
    auto failsWithLostLink = [&](Statement& st, SQLRETURN rc, const std::string& message) {
        EXPECT_EQ(rc, SQL_ERROR);
        auto d = Diagnostics(SQL_HANDLE_STMT, st.Handle());
        ASSERT_EQ(d.size(), 1u);
        EXPECT_EQ(d[0].State, "08S01");
        EXPECT_NE(d[0].Message.find(message), std::string::npos) << d[0].Message;
    };
    auto dead = [](Connection& c) {
        SQLUINTEGER value = 0;
        SQLGetConnectAttr(c.Handle(), SQL_ATTR_CONNECTION_DEAD, &value, 0, nullptr);
        return value == SQL_CD_TRUE;
    };
    Connection watcher;
    watcher.ConnectTest("WSID=drop-watcher;");
    {
        Connection c;
        c.ConnectTest("WSID=drop-open;DropLink=open;");
        {
            Statement st(c);
            failsWithLostLink(st, st.Exec("select 1"), dropped);
            failsWithLostLink(st, st.Exec("select 1"), "Communication link failure");
            EXPECT_TRUE(dead(c));
            EXPECT_FALSE(Contains(Hosts(watcher), "drop-open"));
        }
        ASSERT_EQ(SQLDisconnect(c.Handle()), SQL_SUCCESS);
        c.ConnectTest("WSID=drop-open;DropLink=open;");
        Statement st(c);
        EXPECT_EQ(st.Query("select 7"), (Rows{{"7"}}));
        EXPECT_FALSE(dead(c));
    }
    {
        Connection again; // in another environment too
        again.ConnectTest("DropLink=open;");
        Statement st(again);
        EXPECT_EQ(st.Query("select 8"), (Rows{{"8"}}));
    }
    {
        Connection c;
        c.ConnectTest("DropLink=fetch:2;");
        Statement st(c);
        ASSERT_EQ(st.Exec("select PostnaSt from Kraji order by PostnaSt"), SQL_SUCCESS) << st.Diag();
        EXPECT_EQ(SQLFetch(st.Handle()), SQL_SUCCESS);
        EXPECT_EQ(SQLFetch(st.Handle()), SQL_SUCCESS);
        failsWithLostLink(st, SQLFetch(st.Handle()), dropped);
        failsWithLostLink(st, SQLFetch(st.Handle()), "Communication link failure");
    }
    {
        Connection c;
        c.ConnectTest("DropLink=between:1;");
        Statement st(c);
        ASSERT_EQ(st.Exec("select PostnaSt from Kraji order by PostnaSt"), SQL_SUCCESS) << st.Diag();
        EXPECT_GT(st.FetchAll().size(), 3u) << "the first run reads all of its rows";
        failsWithLostLink(st, st.Exec("select 1"), dropped);
    }
    Diag bad = FailedConnect("DSN=TarvikStandin;UID=sa;DropLink=sometimes;");
    EXPECT_EQ(bad.State, "HY024");
}

TEST(StandinSession, AsynchronousExecuteReportsStillExecutingTheChosenNumberOfTimes) {
    Connection c;
    c.ConnectTest("AsyncPolls=2;");
    Statement st(c);
    ASSERT_EQ(SQLSetStmtAttr(st.Handle(), SQL_ATTR_ASYNC_ENABLE,
                             reinterpret_cast<SQLPOINTER>(SQL_ASYNC_ENABLE_ON), 0),
              SQL_SUCCESS);
    auto polls = [&](const std::string& sql) {
        int n = 0;
        SQLRETURN rc;
        while ((rc = SQLExecDirect(st.Handle(), SqlChars(sql), SQL_NTS)) == SQL_STILL_EXECUTING)
            ++n;
        EXPECT_EQ(rc, SQL_SUCCESS) << st.Diag();
        SQLFreeStmt(st.Handle(), SQL_CLOSE);
        return n;
    };
    EXPECT_EQ(polls("select 1"), 2);
    EXPECT_EQ(polls("/* standin:async_polls=5 */ select 1"), 5);

    ASSERT_EQ(SQLExecDirect(st.Handle(), SqlChars("select 1"), SQL_NTS), SQL_STILL_EXECUTING);
    ASSERT_EQ(SQLCancel(st.Handle()), SQL_SUCCESS);
    ASSERT_EQ(SQLExecDirect(st.Handle(), SqlChars("select 1"), SQL_NTS), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).at(0).State, "HY008");
}

TEST(StandinSession, ManualCommitModeRollsBack) {
    Connection c;
    c.ConnectTest();
    Statement st(c);
    std::string t = "Transakcija_" + std::to_string(getpid());
    st.Run("create table " + t + " (a int)");
    ASSERT_TRUE(SQL_SUCCEEDED(SQLSetConnectAttr(c.Handle(), SQL_ATTR_AUTOCOMMIT,
                                                reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0)));
    st.Run("insert into " + t + " values (1)");
    ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, c.Handle(), SQL_ROLLBACK), SQL_SUCCESS);
    EXPECT_EQ(st.Query("select count(*) from " + t).at(0).at(0), "0");
    st.Run("insert into " + t + " values (2)");
    ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, c.Handle(), SQL_COMMIT), SQL_SUCCESS);
    EXPECT_EQ(st.Query("select count(*) from " + t).at(0).at(0), "1");
    SQLSetConnectAttr(c.Handle(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
    st.Run("drop table " + t);
}
