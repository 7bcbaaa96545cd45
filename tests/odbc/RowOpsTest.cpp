#include "core/Text.h"
#include "odbc/ODBCError.h"
#include "tests/support/DriverFixture.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tarvik;

namespace {
// Row operations on every driver, through generated statements.
using RowOpsTest = DriverTest;
// The same through SQLSetPos and SQLBulkOperations, on drivers whose cursors offer them.
using PositionedRowOpsTest = DriverTest;
// Updates that must leave out a column the driver reports read-only.
using ReadOnlyColumnTest = DriverTest;
using PositionedLongTextTest = DriverTest;
using PositionedRefreshTest = DriverTest;

class RowStatement : public THstmt {
public:
    std::vector<std::string> Generated;
    RowStatement() {
        OnStatement = [this](TComponent*, SQLUSMALLINT, std::string& sql) { Generated.push_back(sql); };
    }
};

} // namespace

// Opens a query the way an editable dataset does: keyset-driven with values concurrency.
static void OpenEditable(THstmt& s, THdbc& db, const std::string& sql, SQLUINTEGER cursor, SQLULEN rows = 1) {
    s.SethDbc(&db);
    s.SetConcurrencyType(SQL_CONCUR_VALUES);
    s.SetCursorType(cursor);
    s.SetRowSetSize(rows);
    s.SetSQL(sql);
    s.Execute();
}

static void Generate(THstmt& s) {
    s.SetSkipByPosition(true);
    s.SetSkipByCursor(true);
}

TEST_P(ReadOnlyColumnTest, GeneratedUpdateLeavesOutTheComputedColumnAndBindsTheKeyLast) {
    // q1 is computed in the table where the driver reports such a column read-only, else it is an
    // expression of the query: either way all columns of the table are read.
    const bool inTable = bool(Can().ReadOnlyComputedColumns);
    const std::string computed = inTable ? ", q1 AS (qty + 1)" : "";
    const std::string t = TableWith("ID integer primary key, name varchar(20), qty integer" + computed,
                                    {"1, 'a', 5", "2, 'b', 6"});
    RowStatement s;
    Generate(s);
    OpenEditable(s, db, (inTable ? "SELECT * FROM " : "SELECT *, qty + 1 AS q1 FROM ") + t + " ORDER BY ID",
                 SQL_CURSOR_KEYSET_DRIVEN);
    ASSERT_EQ(s.NumCols(), 4);
    ASSERT_TRUE(s.FetchNext());
    ASSERT_TRUE(s.FetchNext());
    s.SetColString(2, "zz");
    s.SetColInteger(3, 40);
    s.UpdateRows();
    const std::string id = s.ColNames()[0];
    ASSERT_EQ(s.Generated.size(), 1u);
    EXPECT_EQ(s.Generated[0],
              "UPDATE " + s.TableName() + " SET " + id + " = ?, name = ?, qty = ? WHERE " + id + " = ?");
    EXPECT_EQ(Rows("SELECT ID, name, qty FROM " + t + " ORDER BY ID"),
              (std::vector<std::string>{"1|a|5", "2|zz|40"}));
    // The prepared statement is used again with the new values.
    s.SetColString(2, "yy");
    s.UpdateRows();
    EXPECT_EQ(s.Generated.size(), 1u);
    EXPECT_EQ(Rows("SELECT name FROM " + t + " WHERE ID = 2"), std::vector<std::string>{"yy"});
}

TEST_P(RowOpsTest, GeneratedInsertSendsTheCellsIncludingNulls) {
    const std::string t = TableWith("ID integer primary key, name varchar(20), qty integer", {"1, 'a', 5"});
    RowStatement s;
    Generate(s);
    OpenEditable(s, db, "SELECT ID, name, qty FROM " + t, SQL_CURSOR_KEYSET_DRIVEN);
    ASSERT_TRUE(s.FetchNext());
    s.SetColInteger(1, 3);
    s.SetColString(2, "Čć");
    s.SetColNull(3, true);
    s.InsertRows();
    ASSERT_EQ(s.Generated.size(), 1u);
    EXPECT_EQ(s.Generated[0],
              "INSERT INTO " + s.TableName() + " (" + s.ColNames()[0] + ", name, qty) VALUES (?, ?, ?)");
    EXPECT_EQ(Rows("SELECT ID, name, qty FROM " + t + " ORDER BY ID"),
              (std::vector<std::string>{"1|a|5", "3|Čć|"}));
}

TEST_P(RowOpsTest, GeneratedDeleteAndRefreshFindTheRowByItsKey) {
    const std::string t =
        TableWith("ID integer primary key, name varchar(20), memo text", {"1, 'a', 'old'", "2, 'b', NULL"});
    RowStatement s;
    Generate(s);
    OpenEditable(s, db, "SELECT ID, name, memo FROM " + t + " ORDER BY ID", SQL_CURSOR_KEYSET_DRIVEN);
    ASSERT_TRUE(s.FetchNext());
    Exec({"UPDATE " + t + " SET name = 'fresh', memo = 'new memo' WHERE ID = 1"});
    EXPECT_EQ(s.ColString(2), "a");
    s.RefreshRows();
    EXPECT_EQ(s.ColString(2), "fresh");
    EXPECT_EQ(s.ColSizeAt(2, 1), 5);
    EXPECT_EQ(s.ColString(3), "new memo");
    EXPECT_EQ(s.ColInteger(1), 1);
    s.DeleteRows();
    EXPECT_EQ(Rows("SELECT ID, name, memo FROM " + t), std::vector<std::string>{"2|b|"});
    const std::string id = s.ColNames()[0];
    EXPECT_EQ(s.Generated,
              (std::vector<std::string>{"SELECT " + id + ", name, memo FROM " + s.TableName() + " WHERE " +
                                            id + " = ?",
                                        "DELETE FROM " + s.TableName() + " WHERE " + id + " = ?"}));
}

TEST_P(RowOpsTest, GeneratedWritesNameTheCursorRowWhereTheDriverOffersIt) {
    const std::string t = TableWith("ID integer primary key, name varchar(20)", {"1, 'a'", "2, 'b'"});
    RowStatement s;
    s.SetSkipByPosition(true);
    OpenEditable(s, db, "SELECT ID, name FROM " + t + " ORDER BY ID", UpdatableCursor());
    ASSERT_TRUE(s.FetchNext());
    const bool byCursor = (s.CursorCapabilities() & SQL_CA1_POSITIONED_UPDATE) != 0;
    EXPECT_EQ(byCursor, bool(Can().PositionedStatements)) << Can().PositionedStatements.WhyNot;
    const std::string id = s.ColNames()[0];
    const std::string where = byCursor ? "WHERE CURRENT OF " + s.CursorName() : "WHERE " + id + " = ?";
    s.SetColString(2, "by name");
    s.UpdateRows();
    ASSERT_TRUE(s.FetchNext());
    s.DeleteRows();
    EXPECT_EQ(s.Generated,
              (std::vector<std::string>{"UPDATE " + s.TableName() + " SET " + id + " = ?, name = ? " + where,
                                        "DELETE FROM " + s.TableName() + " " + where}));
    EXPECT_EQ(Rows("SELECT ID, name FROM " + t), std::vector<std::string>{"1|by name"});
    s.SetSkipByCursor(true);
    ASSERT_TRUE(s.FetchFirst());
    s.SetColString(2, "by key");
    s.UpdateRows();
    EXPECT_EQ(s.Generated.back(),
              "UPDATE " + s.TableName() + " SET " + id + " = ?, name = ? WHERE " + id + " = ?");
    EXPECT_EQ(Rows("SELECT ID, name FROM " + t), std::vector<std::string>{"1|by key"});
}

TEST_P(RowOpsTest, FlaggedRowsWrittenByCursorNameAreEachTheirOwnRow) {
    const std::string t =
        TableWith("ID integer primary key, name varchar(20)", {"1, 'a'", "2, 'b'", "3, 'c'"});
    RowStatement s;
    s.SetSkipByPosition(true);
    OpenEditable(s, db, "SELECT ID, name FROM " + t + " ORDER BY ID", UpdatableCursor(), 3);
    ASSERT_TRUE(s.FetchNext());
    ASSERT_EQ(s.NumRowsFetched(), 3u);
    s.SetRowOperation(1, roUpdate);
    s.SetRowOperation(3, roUpdate);
    s.SetColStringAt(2, 1, "first");
    s.SetColStringAt(2, 3, "third");
    s.UpdateRows();
    EXPECT_EQ(Rows("SELECT name FROM " + t + " ORDER BY ID"),
              (std::vector<std::string>{"first", "b", "third"}));
    s.SetRowOperation(1, roDelete);
    s.SetRowOperation(3, 0);
    s.SetRowOperation(2, roDelete);
    s.DeleteRows();
    EXPECT_EQ(Rows("SELECT ID FROM " + t), std::vector<std::string>{"3"});
    ASSERT_FALSE(s.Generated.empty());
    EXPECT_EQ(s.Generated[0].find("CURRENT OF") != std::string::npos, bool(Can().PositionedStatements));
}

TEST_P(RowOpsTest, ARowAlreadyGoneIsAnErrorOnlyForTheOperationsListed) {
    const std::string t = TableWith("ID integer primary key, name varchar(20)", {"1, 'a'", "2, 'b'"});
    RowStatement s;
    Generate(s);
    OpenEditable(s, db, "SELECT ID, name FROM " + t + " ORDER BY ID", SQL_CURSOR_KEYSET_DRIVEN);
    ASSERT_TRUE(s.FetchNext());
    Exec({"DELETE FROM " + t + " WHERE ID = 1"});
    EXPECT_EQ(ErrorOf([&] { s.DeleteRows(); }), "(no error)");
    EXPECT_EQ(ErrorOf([&] { s.RefreshRows(); }), "(no error)");
    EXPECT_EQ(ErrorOf([&] { s.UpdateRows(); }), "No Data Found");
    s.SetNoRowsAffected(NoRowsAffectedBit(nrByDelete) | NoRowsAffectedBit(nrByRefresh));
    EXPECT_EQ(ErrorOf([&] { s.DeleteRows(); }), "No Data Found");
    EXPECT_EQ(ErrorOf([&] { s.RefreshRows(); }), "No Data Found");
    EXPECT_EQ(ErrorOf([&] { s.UpdateRows(); }), "(no error)");
    EXPECT_EQ(Rows("SELECT ID, name FROM " + t), std::vector<std::string>{"2|b"});
}

TEST_P(RowOpsTest, ARefusedConfirmationRunsNothing) {
    const std::string t = TableWith("ID integer primary key, name varchar(20)", {"1, 'a'"});
    RowStatement s;
    Generate(s);
    std::vector<std::string> asked;
    bool answer = false;
    const auto confirm = [&](TComponent* sender, const std::string& message) {
        EXPECT_EQ(sender, &s);
        asked.push_back(message);
        return answer;
    };
    s.OnUpdate = s.OnDelete = s.OnInsert = s.OnRefresh = confirm;
    OpenEditable(s, db, "SELECT ID, name FROM " + t, SQL_CURSOR_KEYSET_DRIVEN);
    ASSERT_TRUE(s.FetchNext());
    s.SetColString(2, "changed");
    s.UpdateRows();
    s.InsertRows();
    s.DeleteRows();
    s.RefreshRows();
    EXPECT_EQ(asked, (std::vector<std::string>{"Update row(s)?", "Insert row(s)?", "Delete row(s)?",
                                               "Refresh row(s)?"}));
    EXPECT_TRUE(s.Generated.empty());
    EXPECT_EQ(s.ColString(2), "changed");
    EXPECT_EQ(Rows("SELECT ID, name FROM " + t), std::vector<std::string>{"1|a"});
    answer = true;
    s.UpdateRows();
    EXPECT_EQ(Rows("SELECT ID, name FROM " + t), std::vector<std::string>{"1|changed"});
}

TEST_P(RowOpsTest, AGivenTargetTableIsUsedAsItIsAndBlankNamesAreQuoted) {
    const std::string quotedColumn = Quoted("Order Date");
    const std::string t =
        TableWith("ID integer primary key, " + quotedColumn + " varchar(10)", {"1, '2001-02-03'"});
    const std::string schema = Sql().DefaultSchema + ".";
    RowStatement s;
    Generate(s);
    s.SetTargetTable(" " + schema + t + " ");
    OpenEditable(s, db, "SELECT ID, " + quotedColumn + " FROM " + t, SQL_CURSOR_KEYSET_DRIVEN);
    ASSERT_TRUE(s.FetchNext());
    EXPECT_EQ(s.TableName(), schema + t);
    EXPECT_EQ(s.TargetSchema(), "");
    // A table given so is not looked up: the key has to be named too.
    s.SetColPrimary(1, true);
    EXPECT_EQ(s.PrimaryCols(), s.ColNames()[0] + ";");
    s.SetColString(2, "2024-12-31");
    s.UpdateRows();
    ASSERT_EQ(s.Generated.size(), 1u);
    EXPECT_EQ(s.Generated[0], "UPDATE " + schema + t + " SET " + s.ColNames()[0] +
                                  " = ?, \"Order Date\" = ? WHERE " + s.ColNames()[0] + " = ?");
    EXPECT_EQ(Rows("SELECT " + quotedColumn + " FROM " + t), std::vector<std::string>{"2024-12-31"});
}

TEST_P(RowOpsTest, KeyColumnsAndTableComeFromTheDriver) {
    const std::string t =
        TableWith("a integer not null, b varchar(5) not null, c integer, primary key (a, b)", {"1, 'x', 2"});
    THstmt s;
    OpenEditable(s, db, "SELECT c, b, a FROM " + t, SQL_CURSOR_KEYSET_DRIVEN);
    ASSERT_TRUE(s.FetchNext());
    // The name of the CREATE TABLE, unquoted, as the server stores it.
    EXPECT_EQ(s.TableName(), Sql().FoldsNamesToLower ? LowerAscii(t) : t);
    EXPECT_EQ(s.PrimaryCols(), "b;a;");
    EXPECT_EQ(s.PrimaryWhere(), "b = ? AND a = ?");
    EXPECT_FALSE(s.ColPrimary(1));

    const std::string keyless = TableWith("c integer", {"1"});
    THstmt k;
    OpenEditable(k, db, "SELECT c FROM " + keyless, SQL_CURSOR_KEYSET_DRIVEN);
    ASSERT_TRUE(k.FetchNext());
    try {
        k.PrimaryWhere();
        FAIL() << "a table without a key gave a key";
    } catch (const EVERODezuzid& e) {
        EXPECT_EQ(e.Message(), "Unable to determine primary columns:  set PrimaryCols property.");
    }

    THstmt n;
    Open(n, "SELECT 1 AS x");
    ASSERT_TRUE(n.FetchNext());
    try {
        n.TableName();
        FAIL() << "a query of no table named one";
    } catch (const EVERODezuzid& e) {
        EXPECT_EQ(e.Message(), "Unable to determine table name:  set TargetTable property.");
    }
}

TEST_P(RowOpsTest, FlaggedRowsOfARowsetAreWrittenEachWithItsOwnValues) {
    const std::string t =
        TableWith("ID integer primary key, name varchar(20)", {"1, 'a'", "2, 'b'", "3, 'c'", "4, 'd'"});
    RowStatement s;
    Generate(s);
    OpenEditable(s, db, "SELECT ID, name FROM " + t + " ORDER BY ID", SQL_CURSOR_KEYSET_DRIVEN, 3);
    ASSERT_TRUE(s.FetchNext());
    ASSERT_EQ(s.NumRowsFetched(), 3u);
    EXPECT_EQ(s.RowOperation(0), 0);
    EXPECT_EQ(s.RowOperation(4), 0);
    EXPECT_EQ(s.RowFlags(4), nullptr);
    *s.RowFlags(2) = 0x50 | roDelete;
    EXPECT_EQ(s.RowOperation(2), roDelete);
    s.SetRowOperation(2, 0);
    EXPECT_EQ(*s.RowFlags(2), 0x50);
    s.SetRowOperation(2, 0x30 | roUpdate);
    EXPECT_EQ(*s.RowFlags(2), 0x50 | roUpdate);
    s.SetRowOperation(3, roUpdate);
    s.SetColStringAt(2, 2, "bb");
    s.SetColStringAt(2, 3, "cc");
    s.SetColStringAt(2, 1, "not flagged");
    s.UpdateRows();
    EXPECT_EQ(Rows("SELECT name FROM " + t + " ORDER BY ID"),
              (std::vector<std::string>{"a", "bb", "cc", "d"}));
    s.SetRowOperation(1, roDelete);
    s.SetRowOperation(3, roDelete);
    s.DeleteRows();
    EXPECT_EQ(Rows("SELECT ID FROM " + t + " ORDER BY ID"), (std::vector<std::string>{"2", "4"}));
    ASSERT_TRUE(s.FetchNext());
    EXPECT_EQ(*s.RowFlags(1), 0);
}

// Writes a 70 000-character text into row 1 of a one-row table through s's row operations.
// Writes a 70 000-character text over "short" in the memo column of a one-row table through s's
// row operations; the text written.
static std::string UpdateMemo(THdbc& db, RowStatement& s, const std::string& t, SQLUINTEGER cursor) {
    std::string big(70000, 'x');
    for (std::size_t i = 0; i < big.size(); i += 7)
        big[i] = static_cast<char>('a' + i % 26);
    OpenEditable(s, db, "SELECT ID, memo FROM " + t, cursor);
    EXPECT_TRUE(s.FetchNext());
    EXPECT_TRUE(s.ColIsBlob(2));
    EXPECT_EQ(s.ColString(2), "short");
    s.SetColString(2, big);
    s.UpdateRows();
    return big;
}

// Compared whole, reported by size: a failure must not print 70 000 characters.
static void ExpectOnlyText(const std::vector<std::string>& stored, const std::string& expected) {
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].size(), expected.size());
    EXPECT_TRUE(stored[0] == expected);
}

TEST_P(RowOpsTest, LongTextIsWrittenWhole) {
    const std::string t = TableWith("ID integer primary key, memo text", {"1, 'short'"});
    RowStatement s;
    Generate(s);
    const std::string written = UpdateMemo(db, s, t, SQL_CURSOR_KEYSET_DRIVEN);
    ExpectOnlyText(Rows("SELECT memo FROM " + t), written);
    EXPECT_EQ(s.Generated.size(), 1u);
}

TEST_P(RowOpsTest, LongValuesOfLaterRowsetRowsAreLeftAsStored) {
    const std::string t = TableWith("ID integer primary key, name varchar(20), memo text",
                                    {"1, 'a', 'one'", "2, 'b', 'two'", "3, 'c', 'three'"});
    for (bool skip : {true, false}) {
        RowStatement s;
        s.SetSkipByPosition(skip);
        s.SetSkipByCursor(true);
        OpenEditable(s, db, "SELECT ID, name, memo FROM " + t + " ORDER BY ID", UpdatableCursor(), 3);
        ASSERT_TRUE(s.FetchNext());
        ASSERT_TRUE(s.ColIsBlob(3));
        s.SetRowOperation(3, roUpdate);
        s.SetColStringAt(2, 3, skip ? "by key" : "by cursor");
        s.UpdateRows();
        // A later row with long columns is never written through the cursor.
        EXPECT_EQ(s.Generated.size(), 1u);
        EXPECT_EQ(Rows("SELECT name, memo FROM " + t + " WHERE ID = 3"),
                  std::vector<std::string>{skip ? "by key|three" : "by cursor|three"});
    }
}

TEST_P(RowOpsTest, BookmarksOfRowsLeadBackToThem) {
    const std::string t = TableWith("ID integer primary key", {"1", "2", "3"});
    const std::vector<bool> binds =
        Can().BoundVariableBookmarks ? std::vector<bool>{false, true} : std::vector<bool>{false};
    for (bool bound : binds) {
        THstmt s;
        s.SetBindBookmarks(bound);
        OpenEditable(s, db, "SELECT ID FROM " + t + " ORDER BY ID", UpdatableCursor());
        ASSERT_TRUE(s.FetchAbsolute(2));
        std::unique_ptr<char[]> mark = s.GetBookmark();
        ASSERT_NE(mark, nullptr);
        EXPECT_EQ(s.BindBookmarks(), bound);
        ASSERT_TRUE(s.FetchFirst());
        ASSERT_TRUE(s.FetchBookmark(mark.get()));
        EXPECT_EQ(s.ColInteger(1), 2) << "bookmark column bound: " << bound;
    }
}

TEST_P(PositionedRowOpsTest, RowsAreWrittenThroughTheCursorUnlessSkipped) {
    const std::string t = TableWith("ID integer primary key, name varchar(20)", {"1, 'a'", "2, 'b'"});
    const SQLUINTEGER cursor = UpdatableCursor();
    RowStatement s;
    OpenEditable(s, db, "SELECT ID, name FROM " + t + " ORDER BY ID", cursor);
    ASSERT_TRUE(s.FetchNext());
    ASSERT_TRUE(s.CursorCapabilities() & SQL_CA1_POS_UPDATE);
    s.SetColString(2, "by cursor");
    s.UpdateRows();
    EXPECT_TRUE(s.Generated.empty());
    EXPECT_EQ(Rows("SELECT name FROM " + t + " WHERE ID = 1"), std::vector<std::string>{"by cursor"});

    s.SetColInteger(1, 5);
    s.SetColString(2, "added");
    s.InsertRows();
    EXPECT_TRUE(s.Generated.empty());
    EXPECT_EQ(Rows("SELECT ID, name FROM " + t + " ORDER BY ID"),
              (std::vector<std::string>{"1|by cursor", "2|b", "5|added"}));

    ASSERT_TRUE(s.FetchNext());
    ASSERT_EQ(s.ColInteger(1), 2);
    s.DeleteRows();
    EXPECT_TRUE(s.Generated.empty());
    EXPECT_EQ(Rows("SELECT ID FROM " + t + " ORDER BY ID"), (std::vector<std::string>{"1", "5"}));

    RowStatement g;
    OpenEditable(g, db, "SELECT ID, name FROM " + t + " ORDER BY ID", cursor);
    ASSERT_TRUE(g.FetchNext());
    g.SetSkipByPosition(true);
    g.SetColString(2, "generated");
    g.UpdateRows();
    ASSERT_EQ(g.Generated.size(), 1u);
    EXPECT_EQ(g.Generated[0].substr(0, 7), "UPDATE ");
    EXPECT_EQ(Rows("SELECT name FROM " + t + " WHERE ID = 1"), std::vector<std::string>{"generated"});
}

TEST_P(PositionedLongTextTest, LongTextIsWrittenWholeThroughTheCursor) {
    const std::string t = TableWith("ID integer primary key, memo text", {"1, 'short'"});
    RowStatement s;
    const std::string written = UpdateMemo(db, s, t, UpdatableCursor());
    ExpectOnlyText(Rows("SELECT memo FROM " + t), written);
    EXPECT_TRUE(s.Generated.empty());
}

TEST_P(PositionedRefreshTest, RefreshReadsTheStoredRowAndAGoneRowIsMarked) {
    const std::string t = TableWith("ID integer primary key, name varchar(20)", {"1, 'a'", "2, 'b'"});
    RowStatement s;
    s.SetNoRowsAffected(NoRowsAffectedBit(nrByDelete) | NoRowsAffectedBit(nrByRefresh));
    OpenEditable(s, db, "SELECT ID, name FROM " + t + " ORDER BY ID", UpdatableCursor());
    ASSERT_TRUE(s.FetchNext());
    ASSERT_TRUE(s.CursorCapabilities() & SQL_CA1_POS_REFRESH);
    Exec({"UPDATE " + t + " SET name = 'fresh' WHERE ID = 1"});
    s.RefreshRows();
    EXPECT_EQ(s.ColString(2), "fresh");
    EXPECT_EQ(s.RowStatus(1), SQL_ROW_SUCCESS);
    EXPECT_TRUE(s.Generated.empty());

    Exec({"DELETE FROM " + t + " WHERE ID = 1"});
    s.RefreshRows();
    EXPECT_EQ(s.RowStatus(1), SQL_ROW_DELETED);
    EXPECT_FALSE(s.RowValid(1));
    // A row gone under the cursor is a conflict the driver warns about (01001), not a row count of 0.
    EXPECT_NO_THROW(s.DeleteRows());
    EXPECT_EQ(s.RowStatus(1), SQL_ROW_ERROR);
    EXPECT_TRUE(s.Generated.empty());
    EXPECT_EQ(Rows("SELECT ID, name FROM " + t), std::vector<std::string>{"2|b"});
}

INSTANTIATE_FOR_DRIVERS(RowOpsTest);
INSTANTIATE_TEST_SUITE_P(Drivers, PositionedRefreshTest,
                         ::testing::ValuesIn(DriversThat({&DriverCapabilities::RefreshThroughCursor})),
                         TestDriverName());
INSTANTIATE_TEST_SUITE_P(Drivers, PositionedLongTextTest,
                         ::testing::ValuesIn(DriversThat({&DriverCapabilities::LongDataThroughSetPos})),
                         TestDriverName());
INSTANTIATE_TEST_SUITE_P(Drivers, ReadOnlyColumnTest,
                         ::testing::ValuesIn(DriversThat({&DriverCapabilities::ReportsReadOnlyColumns})),
                         TestDriverName());
INSTANTIATE_FOR_DRIVERS(PositionedRowOpsTest);
