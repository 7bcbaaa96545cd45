#include "odbc/ODBCError.h"
#include "tests/support/DriverFixture.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {
using StatementTest = DriverTest;

int messagesProcessed = 0;
void CountMessages() {
    ++messagesProcessed;
}

} // namespace

TEST(Statement, OwnerConnectionIsAdoptedAndDropped) {
    TComponent form;
    auto* early = new THstmt(&form);
    EXPECT_EQ(early->hDbc(), nullptr);
    auto* dbc = new THdbc(&form);
    EXPECT_EQ(early->hDbc(), dbc); // adopted when the connection is added
    auto* late = new THstmt(&form);
    EXPECT_EQ(late->hDbc(), dbc); // the first connection of the owner
    auto* other = new THdbc(&form);
    EXPECT_EQ(late->hDbc(), dbc);
    form.RemoveComponent(dbc);
    EXPECT_EQ(early->hDbc(), nullptr);
    EXPECT_EQ(late->hDbc(), nullptr);
    delete dbc;
    (void)other;
}

TEST(Statement, InitWithoutConnectionNamesTheStatement) {
    THstmt s;
    s.SetName("hQuery0");
    EXPECT_EQ(ErrorOf([&] { s.Init(); }), "Property Hdbc of hQuery0 not set.");
}

TEST(Statement, SettingsDefaultsAndIgnoredValues) {
    THstmt s;
    EXPECT_EQ(s.ConcurrencyType(), static_cast<SQLUINTEGER>(SQL_CONCUR_READ_ONLY));
    EXPECT_EQ(s.CursorType(), static_cast<SQLUINTEGER>(SQL_CURSOR_FORWARD_ONLY));
    EXPECT_EQ(s.RowSetSize(), 1u);
    EXPECT_EQ(s.BlobSize(), 32768);
    EXPECT_EQ(s.StringTrimming(), stTrimTrailing);
    EXPECT_EQ(s.EmptyStringToNull(), enNever);
    EXPECT_EQ(s.RowCountMethod(), rcFunction);
    EXPECT_EQ(s.NoRowsAffected(), NoRowsAffectedBit(nrByUpdate));
    EXPECT_EQ(s.BookmarkLength(), 4u);
    s.SetRowSetSize(0);
    EXPECT_EQ(s.RowSetSize(), 1u);
    s.SetBlobSize(1024);
    EXPECT_EQ(s.BlobSize(), 32768);
    s.SetBlobSize(1025);
    EXPECT_EQ(s.BlobSize(), 1025);
    s.SetSkipByPosition(true);
    s.SetSkipByCursor(true);
    EXPECT_TRUE(s.SkipByPosition() && s.SkipByCursor());
    s.SetSQL("select :a, :b");
    EXPECT_EQ(s.ParamNames(), (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(s.Allocated()); // parsing needs no handle
}

TEST_P(StatementTest, ExecutesDirectlyAndFetchesEveryRow) {
    const std::string t = TableWith("id integer, name varchar(20)", {"1, 'one'", "2, 'two'", "3, 'three'"});
    THstmt s;
    s.SethDbc(&db);
    int afterExecute = 0, afterFetch = 0;
    s.AfterExecute = [&](TComponent*) { ++afterExecute; };
    s.AfterFetch = [&](TComponent*) { ++afterFetch; };
    s.SetSQL("SELECT id, name FROM " + t + " ORDER BY id");
    s.Execute();
    EXPECT_TRUE(s.Executed());
    EXPECT_FALSE(s.Prepared());
    EXPECT_EQ(afterExecute, 1);
    EXPECT_EQ(s.NumCols(), 2);
    EXPECT_EQ(s.ColNames(), (std::vector<std::string>{"id", "name"}));
    std::vector<std::string> rows;
    while (s.FetchNext()) {
        EXPECT_EQ(s.NumRowsFetched(), 1u);
        rows.push_back(std::to_string(s.ColInteger(1)) + s.ColString(2));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"1one", "2two", "3three"}));
    EXPECT_EQ(afterFetch, 3); // not for the fetch that found nothing
    EXPECT_EQ(s.NumRowsFetched(), 0u);
    EXPECT_EQ(s.ColStringByName("NAME"), "three"); // the buffers keep the last row
    s.Close();
    EXPECT_FALSE(s.Executed());
    EXPECT_FALSE(s.ColumnsBound());
}

TEST_P(StatementTest, PreparedStatementsExecuteAgainWithoutPreparing) {
    const std::string t = TableWith("id integer", {"5", "6"});
    THstmt s;
    s.SethDbc(&db);
    int prepares = 0;
    s.AfterPrepare = [&](TComponent*) { ++prepares; };
    s.SetSQL("SELECT id FROM " + t + " ORDER BY id");
    s.Prepare();
    EXPECT_TRUE(s.Prepared());
    for (int round = 0; round < 2; ++round) {
        s.Execute(); // the second run closes the open cursor first
        ASSERT_TRUE(s.FetchNext());
        EXPECT_EQ(s.ColInteger(1), 5);
    }
    EXPECT_EQ(prepares, 1);
    s.SetSQL("SELECT id FROM " + t + " WHERE id > 5");
    EXPECT_FALSE(s.Prepared());
    s.Execute();
    ASSERT_TRUE(s.FetchNext());
    EXPECT_EQ(s.ColInteger(1), 6);
}

TEST_P(StatementTest, RowsAffectedAndStatementsWithoutResult) {
    const std::string t = TableWith("id integer, v integer", {"1, 0", "2, 0", "3, 0"});
    THstmt s;
    Open(s, "UPDATE " + t + " SET v = 1 WHERE id >= 2");
    EXPECT_EQ(s.NumRowsAffected(), 2);
    EXPECT_EQ(s.NumCols(), 0);
    // Fetching where there is no result set finds no row (drivers either refuse or say no data).
    bool fetched = false;
    try {
        fetched = s.FetchNext();
    } catch (const EODBC&) {
    }
    EXPECT_FALSE(fetched);
}

TEST_P(StatementTest, RowCountByEveryMethod) {
    const std::string t = TableWith("id integer", {"1", "2", "3", "4"});
    for (TRowCountMethod method : {rcFunction, rcSelect, rcTraverse, rcCustom}) {
        THstmt s;
        s.SethDbc(&db);
        s.SetRowCountMethod(method);
        s.SetSQL("SELECT id FROM " + t + " WHERE id > 1 ORDER BY id");
        s.Execute();
        EXPECT_EQ(s.RowCount(), 3) << method;
    }
    THstmt custom;
    custom.SethDbc(&db);
    custom.SetRowCountMethod(rcCustom);
    custom.OnRowCount = [](TComponent*) { return 42; };
    custom.SetSQL("SELECT id FROM " + t);
    custom.Execute();
    EXPECT_EQ(custom.RowCount(), 42);
    // Grouped and unioned queries are counted by their rows.
    THstmt grouped;
    grouped.SethDbc(&db);
    grouped.SetRowCountMethod(rcSelect);
    grouped.SetSQL("SELECT id % 2, count(*) FROM " + t + " GROUP BY id % 2");
    EXPECT_EQ(grouped.RowCount(), 2);
    grouped.SetSQL("SELECT id FROM " + t + " UNION SELECT id + 10 FROM " + t);
    EXPECT_EQ(grouped.RowCount(), 8);
    // MaxRows carries over to the counting statement.
    grouped.SetSQL("SELECT id FROM " + t + " WHERE id > 0");
    grouped.SetRowCountMethod(rcTraverse);
    grouped.SetMaxRows(2);
    EXPECT_EQ(grouped.MaxRows(), 2u);
    EXPECT_EQ(grouped.RowCount(), 2);
    // The count query answers one row, so MaxRows cannot cut it: 3 proves it ran (traversing
    // would stop at 2).
    grouped.SetSQL("SELECT id FROM " + t + " WHERE id > 1 ORDER BY id");
    grouped.SetRowCountMethod(rcSelect);
    EXPECT_EQ(grouped.RowCount(), 3);
}

TEST_P(StatementTest, FailuresCarryTheDriverDiagnosticsAndKeepTheConnection) {
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("SELEKT nothing");
    try {
        s.Execute();
        FAIL() << "a syntax error executed";
    } catch (const EODBC& e) {
        EXPECT_EQ(e.Source(), &s);
        EXPECT_FALSE(e.State().empty());
        EXPECT_FALSE(e.Message().empty());
    }
    EXPECT_TRUE(db.Connected());
    s.SetSQL("SELECT 'a:b', :");
    EXPECT_EQ(ErrorOf([&] { s.Execute(); }), "Invalid parameter token in SQL statement.");
    EXPECT_EQ(ErrorOf([&] { s.Prepare(); }), "Invalid parameter token in SQL statement.");
}

namespace {
using ScrollTest = DriverTest;
} // namespace

TEST_P(ScrollTest, ScrollsAStaticCursor) {
    const std::string t = TableWith("id integer", {"10", "20", "30"});
    THstmt s;
    Open(s, "SELECT id FROM " + t + " ORDER BY id", SQL_CURSOR_STATIC);
    ASSERT_TRUE(s.FetchLast());
    EXPECT_EQ(s.ColInteger(1), 30);
    ASSERT_TRUE(s.FetchPrior());
    EXPECT_EQ(s.ColInteger(1), 20);
    ASSERT_TRUE(s.FetchFirst());
    EXPECT_EQ(s.ColInteger(1), 10);
    ASSERT_TRUE(s.FetchAbsolute(3));
    EXPECT_EQ(s.ColInteger(1), 30);
    EXPECT_FALSE(s.FetchNext());
    EXPECT_NE(s.CursorCapabilities(), 0u);
}

TEST_P(StatementTest, FetchesRowsetsOfSeveralRows) {
    const std::string t = Table("id integer, name varchar(10)");
    for (int i = 1; i <= 5; ++i)
        Exec({"INSERT INTO " + t + " VALUES (" + std::to_string(i) + ", 'n" + std::to_string(i) + "')"});
    THstmt s;
    Open(s, "SELECT id, name FROM " + t + " ORDER BY id", SQL_CURSOR_FORWARD_ONLY, 3);
    ASSERT_TRUE(s.FetchNext());
    ASSERT_EQ(s.NumRowsFetched(), 3u);
    EXPECT_EQ(s.ColIntegerAt(1, 3), 3);
    EXPECT_EQ(s.ColStringAt(2, 2), "n2");
    EXPECT_TRUE(s.RowValid(3));
    EXPECT_EQ(s.RowStatus(4), SQL_ROW_NOROW);
    EXPECT_EQ(s.ColStringAt(2, 4), ""); // beyond the rowset
    *s.RowFlags(2) = 1;
    ASSERT_TRUE(s.FetchNext());
    EXPECT_EQ(s.NumRowsFetched(), 2u);
    EXPECT_EQ(s.ColIntegerAt(1, 2), 5);
    EXPECT_EQ(*s.RowFlags(2), 0); // cleared by the fetch
    EXPECT_EQ(s.RowStatus(3), SQL_ROW_NOROW);
    EXPECT_FALSE(s.FetchNext());
}

TEST_P(StatementTest, AsynchronousExecutionPollsAndSwitchesTheModeOff) {
    messagesProcessed = 0;
    SetProcessMessagesHandler(CountMessages);
    THstmt s;
    s.SethDbc(&db);
    s.SetExecAsync(true);
    s.SetSQL("SELECT 11");
    s.Execute();
    SetProcessMessagesHandler(nullptr);
    EXPECT_GE(messagesProcessed, 1);
    EXPECT_FALSE(s.AsyncModeOn());
    SQLULEN mode = 99;
    ASSERT_TRUE(Success(SQLGetStmtAttr(s.Handle(), SQL_ATTR_ASYNC_ENABLE, &mode, 0, nullptr)));
    EXPECT_EQ(mode, static_cast<SQLULEN>(SQL_ASYNC_ENABLE_OFF));
    ASSERT_TRUE(s.FetchNext());
    EXPECT_EQ(s.ColInteger(1), 11);
}

TEST_P(StatementTest, AsynchronousFailureSwitchesTheModeOffBeforeRaising) {
    THstmt s;
    s.SethDbc(&db);
    s.SetExecAsync(true);
    s.SetSQL("SELEKT 1");
    EXPECT_THROW(s.Execute(), EODBC);
    EXPECT_FALSE(s.AsyncModeOn());
    SQLULEN mode = 99;
    ASSERT_TRUE(Success(SQLGetStmtAttr(s.Handle(), SQL_ATTR_ASYNC_ENABLE, &mode, 0, nullptr)));
    EXPECT_EQ(mode, static_cast<SQLULEN>(SQL_ASYNC_ENABLE_OFF));
}

TEST_P(ScrollTest, FetchesTheRowOfABookmark) {
    const std::string t = TableWith("id integer", {"1", "2", "3"});
    THstmt s;
    Open(s, "SELECT id FROM " + t + " ORDER BY id", SQL_CURSOR_STATIC);
    ASSERT_NE(s.CursorCapabilities() & SQL_CA1_BOOKMARK, 0u);
    ASSERT_TRUE(s.FetchAbsolute(2));
    std::vector<char> bookmark(s.BookmarkLength());
    SQLLEN length = 0;
    ASSERT_TRUE(Success(SQLGetData(s.Handle(), 0, SQL_C_VARBOOKMARK, bookmark.data(),
                                   static_cast<SQLLEN>(bookmark.size()), &length)));
    ASSERT_TRUE(s.FetchFirst());
    EXPECT_EQ(s.ColInteger(1), 1);
    ASSERT_TRUE(s.FetchBookmark(bookmark.data()));
    EXPECT_EQ(s.ColInteger(1), 2);
}

TEST_P(ScrollTest, AKeysetRequestAnsweredWithAnotherCursorHasThatCursorsBookmarks) {
    const std::string t = TableWith("id integer", {"1", "2", "3"});
    THstmt s;
    s.SetConcurrencyType(SQL_CONCUR_VALUES);
    Open(s, "SELECT id FROM " + t + " ORDER BY id", SQL_CURSOR_KEYSET_DRIVEN);
    ASSERT_NE(s.CursorCapabilities() & SQL_CA1_BOOKMARK, 0u);
    ASSERT_TRUE(s.FetchAbsolute(3));
    std::unique_ptr<char[]> bookmark = s.GetBookmark();
    ASSERT_NE(bookmark, nullptr);
    ASSERT_TRUE(s.FetchFirst());
    ASSERT_TRUE(s.FetchBookmark(bookmark.get()));
    EXPECT_EQ(s.ColInteger(1), 3);
}

TEST_P(StatementTest, FetchesThroughTheCursorLibrary) {
    // Without driver cursors every orientation, FETCH_NEXT included, goes through SQLFetchScroll.
    const std::string t = TableWith("id integer", {"1", "2"});
    db.SetCursorLib(SQL_CUR_USE_ODBC);
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("SELECT id FROM " + t + " ORDER BY id");
    s.Prepare();
    for (int round = 0; round < 2; ++round) {
        // Only with driver cursors does Execute close the cursor itself.
        if (round) s.CloseCursor();
        s.Execute();
        std::vector<std::int32_t> ids;
        while (s.FetchNext())
            ids.push_back(s.ColInteger(1));
        EXPECT_EQ(ids, (std::vector<std::int32_t>{1, 2}));
    }
    SQLULEN cursors = 0;
    ASSERT_TRUE(Success(SQLGetConnectAttr(db.Handle(), SQL_ATTR_ODBC_CURSORS, &cursors, 0, nullptr)));
    EXPECT_EQ(cursors, static_cast<SQLULEN>(SQL_CUR_USE_ODBC));
}

TEST_P(StatementTest, SettingsReachAnAllocatedHandleAndCloseIt) {
    THstmt s;
    Open(s, "SELECT 1");
    s.SetRowSetSize(4);
    EXPECT_FALSE(s.Executed()); // closed
    SQLULEN size = 0;
    ASSERT_TRUE(Success(SQLGetStmtAttr(s.Handle(), SQL_ATTR_ROW_ARRAY_SIZE, &size, 0, nullptr)));
    EXPECT_EQ(size, 4u);
    s.SetCursorType(SQL_CURSOR_STATIC);
    EXPECT_EQ(s.CursorCapabilities(), db.InfoInteger(SQL_STATIC_CURSOR_ATTRIBUTES1));
    // A new connection terminates the statement first.
    THdbc other;
    s.SethDbc(&other);
    EXPECT_FALSE(s.Allocated());
    EXPECT_EQ(db.Children().Count(), 0);
}

TEST_P(StatementTest, MoreResultsOnTheLastResultKeepsTheColumns) {
    THstmt s;
    Open(s, "SELECT 3 AS three");
    ASSERT_TRUE(s.FetchNext());
    EXPECT_FALSE(s.MoreResults());
    EXPECT_EQ(s.NumCols(), 1);
    EXPECT_EQ(s.ColInteger(1), 3);
}

INSTANTIATE_FOR_DRIVERS(StatementTest);
INSTANTIATE_FOR_DRIVERS(ScrollTest);

namespace {
using BatchTest = DriverTest;
} // namespace

TEST_P(BatchTest, MoreResultsDescribesEachResultAnew) {
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("SELECT 1 AS a; SELECT 'x' AS b, 2 AS c");
    s.Execute();
    ASSERT_TRUE(s.FetchNext());
    EXPECT_EQ(s.ColNames(), std::vector<std::string>{"a"});
    EXPECT_FALSE(s.FetchNext());
    ASSERT_TRUE(s.MoreResults());
    EXPECT_FALSE(s.ColumnsBound()); // dropped until the next fetch describes the new result
    ASSERT_TRUE(s.FetchNext());
    EXPECT_EQ(s.NumCols(), 2);
    EXPECT_EQ(s.ColString(1), "x");
    EXPECT_EQ(s.ColIntegerByName("C"), 2);
    EXPECT_FALSE(s.MoreResults());
    EXPECT_EQ(s.NumCols(), 2);
}

INSTANTIATE_TEST_SUITE_P(Drivers, BatchTest, ::testing::ValuesIn(DriversThat({&DriverCapabilities::Batches})),
                         TestDriverName());
