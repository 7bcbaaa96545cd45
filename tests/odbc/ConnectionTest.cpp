#include "core/Text.h"
#include "odbc/ODBCError.h"
#include "tests/support/DriverFixture.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {
using ConnectionTest = DriverTest;

std::vector<std::string>* dialogLog = nullptr;
void RecordDialog(const EODBC& error, const std::string& headline) {
    if (dialogLog) dialogLog->push_back(headline + "|" + error.Message());
}

void Watch(THdbc& c, std::vector<std::string>& log) {
    c.BeforeConnect = [&log](TComponent*) { log.push_back("BeforeConnect"); };
    c.AfterConnect = [&log](TComponent*) { log.push_back("AfterConnect"); };
    c.BeforeDisconnect = [&log](TComponent*) { log.push_back("BeforeDisconnect"); };
    c.AfterDisconnect = [&log](TComponent*) { log.push_back("AfterDisconnect"); };
}
} // namespace

TEST_P(ConnectionTest, ConnectsBothWaysAndFiresEventsOnlyOnChange) {
    const TestDriver& d = GetParam();
    // No driver, no attributes, no prompting: SQLConnect with the three values.
    THdbc plain;
    std::vector<std::string> log;
    Watch(plain, log);
    plain.SetDataSource(d.DataSource);
    plain.SetUserName(d.UserName);
    plain.SetPassword(d.Password);
    plain.Connect();
    EXPECT_TRUE(plain.Connected());
    plain.Connect();
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeConnect", "AfterConnect"}));
    plain.Disconnect();
    EXPECT_FALSE(plain.Connected());
    EXPECT_TRUE(plain.Allocated()); // the handle outlives the connection
    plain.Disconnect();
    EXPECT_EQ(log.size(), 4u);
    EXPECT_EQ(log[2], "BeforeDisconnect");
    EXPECT_EQ(log[3], "AfterDisconnect");

    // The data source as an attribute line: SQLDriverConnect with UID/PWD parts and the line.
    THdbc composed;
    composed.SetUserName(d.UserName);
    composed.SetPassword(d.Password);
    composed.SetAttributes({"DSN=" + d.DataSource});
    composed.Connect();
    EXPECT_TRUE(composed.Connected());
    EXPECT_FALSE(composed.InfoString(SQL_DBMS_NAME).empty());
}

TEST_P(ConnectionTest, AFailedConnectRaisesAndStaysDisconnected) {
    THdbc bad;
    bad.SetDataSource("TarvikNoSuchSource");
    try {
        bad.Connect();
        FAIL() << "connected to a missing data source";
    } catch (const EODBC& e) {
        EXPECT_FALSE(e.Records().empty());
        EXPECT_FALSE(e.State().empty());
        EXPECT_EQ(e.Source(), &bad);
    }
    EXPECT_FALSE(bad.Connected());
}

TEST_P(ConnectionTest, DriverQuestions) {
    EXPECT_THROW(db.FunctionSupported(SQL_API_ALL_FUNCTIONS), EVERODezuzid);
    EXPECT_THROW(db.FunctionSupported(SQL_API_ODBC3_ALL_FUNCTIONS), EVERODezuzid);
    EXPECT_TRUE(db.FunctionSupported(SQL_API_SQLFETCH));
    const std::string key = db.DBMSAndDriver();
    EXPECT_EQ(key, db.InfoString(SQL_DBMS_NAME) + ";" + db.InfoString(SQL_DRIVER_NAME));
    const std::string upper = UpperAscii(key);
    EXPECT_TRUE(db.IsDriver({"Excel;odbcjt32.dll", upper}));
    EXPECT_FALSE(db.IsDriver({"Excel;odbcjt32.dll"}));
    EXPECT_NE(db.InfoInteger(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1) & SQL_CA1_NEXT, 0u);
    EXPECT_EQ(db.InfoString(9999), "");
    EXPECT_EQ(db.InfoInteger(9999), 0u);
}

TEST(Connection, FunctionSupportedForAllFunctionsRaisesWithoutConnecting) {
    THdbc dbc;
    try {
        dbc.FunctionSupported(SQL_API_ALL_FUNCTIONS);
        FAIL();
    } catch (const EVERODezuzid& e) {
        EXPECT_EQ(e.Message(), "Cannot return information for more than one function at a time.");
    }
    EXPECT_FALSE(dbc.Allocated());
}

TEST(Connection, DefaultsAndStoredSettings) {
    THdbc dbc;
    EXPECT_EQ(dbc.IsolationLevel(), static_cast<SQLUINTEGER>(SQL_TXN_READ_COMMITTED));
    EXPECT_EQ(dbc.InfoPrompt(), SQL_DRIVER_NOPROMPT);
    EXPECT_EQ(dbc.CursorLib(), static_cast<SQLUINTEGER>(SQL_CUR_USE_DRIVER));
    EXPECT_EQ(dbc.Version(), "5.05");
    dbc.SetVersion("9");
    EXPECT_EQ(dbc.Version(), "5.05");
    EXPECT_EQ(dbc.DriverTable().size(), 13u);
    dbc.SetDataSource("X");
    dbc.SetUserName("u");
    dbc.SetDriver("SQL Server");
    EXPECT_EQ(dbc.ConnectString(), "DSN=X;UID=u;DRIVER=SQL Server;");
    EXPECT_FALSE(dbc.Allocated());
}

TEST_P(ConnectionTest, IsolationLevelAndCursorLibraryChanges) {
    SQLUINTEGER level = 0;
    ASSERT_TRUE(Success(SQLGetConnectAttr(db.Handle(), SQL_ATTR_TXN_ISOLATION, &level, 0, nullptr)));
    db.SetIsolationLevel(level); // the level the driver reports: nothing to set
    EXPECT_TRUE(db.Connected());
    // Changing the cursor library needs an unconnected handle: the connection is left disconnected.
    db.SetCursorLib(SQL_CUR_USE_IF_NEEDED);
    EXPECT_FALSE(db.Connected());
    db.SetCursorLib(SQL_CUR_USE_DRIVER);
    db.Connect();
    EXPECT_TRUE(db.Connected());
}

TEST_P(ConnectionTest, ConnectedAtLoadConnectsAfterLoadingOrShowsTheDialog) {
    std::vector<std::string> dialogs;
    dialogLog = &dialogs;
    SetErrorDialogHandler(RecordDialog);
    TComponent form;
    auto* good = new THdbc(&form);
    good->SetName("Good");
    auto* bad = new THdbc(&form);
    bad->SetName("Bad");
    form.BeginLoading();
    good->SetDataSource(GetParam().DataSource);
    good->SetUserName(GetParam().UserName);
    good->SetPassword(GetParam().Password);
    good->SetConnected(true);
    bad->SetDataSource("TarvikNoSuchSource");
    bad->SetConnected(true);
    EXPECT_FALSE(good->Connected()); // only remembered while loading
    form.EndLoading();
    SetErrorDialogHandler(nullptr);
    dialogLog = nullptr;
    EXPECT_TRUE(good->Connected());
    EXPECT_FALSE(bad->Connected());
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].substr(0, dialogs[0].find('|')), "Cannot connect Bad to database.");
}

TEST_P(ConnectionTest, DestroyingAConnectionFreesItsStatementsAndForgetsThem) {
    auto* dbc = new THdbc;
    dbc->SetDataSource(GetParam().DataSource);
    dbc->SetUserName(GetParam().UserName);
    dbc->SetPassword(GetParam().Password);
    THstmt a, b;
    a.SethDbc(dbc);
    b.SethDbc(dbc);
    a.SetSQL("select 1");
    a.Execute();
    EXPECT_TRUE(dbc->Connected());
    EXPECT_TRUE(a.Allocated());
    EXPECT_EQ(dbc->Children().Count(), 1);
    delete dbc;
    EXPECT_FALSE(a.Allocated());
    EXPECT_EQ(a.hDbc(), nullptr);
    EXPECT_EQ(b.hDbc(), nullptr);
}

TEST_P(ConnectionTest, DisconnectTerminatesStatementsAndTheyReconnectOnUse) {
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("select 7");
    s.Execute();
    db.Disconnect();
    EXPECT_FALSE(s.Allocated());
    s.SetSQL("select 8");
    s.Execute(); // connects again with the stored settings
    EXPECT_TRUE(db.Connected());
    ASSERT_TRUE(s.FetchNext());
    EXPECT_EQ(s.ColInteger(1), 8);
}

INSTANTIATE_FOR_DRIVERS(ConnectionTest);
