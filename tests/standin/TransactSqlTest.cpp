// The Transact-SQL shapes the workbench sends, answered with their columns in order.
#include "tests/standin/StandinTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

using namespace tarvik;

using namespace standin_test;

namespace {

class TransactSql : public ::testing::Test {
protected:
    void SetUp() override { Db.ConnectTest("WSID=tsql-host;"); }
    Connection Db;
};

std::vector<std::string> Column(const Rows& rows, size_t i) {
    std::vector<std::string> out;
    for (const auto& r : rows)
        out.push_back(r.at(i).value_or("<NULL>"));
    return out;
}

// A table of this process's own, so that parallel test processes never share rows.
std::string OwnTable(const char* stem) {
    return std::string(stem) + "_" + std::to_string(getpid());
}

// Runs sql, which must fail with that state and native error first; the first record's message.
std::string FirstError(Statement& st, const std::string& sql, const std::string& state, SQLINTEGER native) {
    EXPECT_EQ(st.Exec(sql), SQL_ERROR) << sql;
    auto d = Diagnostics(SQL_HANDLE_STMT, st.Handle());
    if (d.empty()) {
        ADD_FAILURE() << sql << ": no diagnostics";
        return {};
    }
    EXPECT_EQ(d[0].State, state) << sql;
    EXPECT_EQ(d[0].Native, native) << sql;
    return d[0].Message;
}

} // namespace

TEST_F(TransactSql, ServerNameAndSessionNumber) {
    Statement st(Db);
    Rows rows = st.Query("select @@servername,@@spid");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "TARVIKTEST");
    EXPECT_GE(std::stoi(rows[0][1].value()), 51);
}

TEST_F(TransactSql, SpWhoListsSessionsWithItsColumnsInOrder) {
    Statement st(Db);
    std::string spid = st.Query("select @@spid").at(0).at(0).value();
    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("exec sp_who"))) << st.Diag();
    EXPECT_EQ(st.ColumnNames(),
              (std::vector<std::string>{"spid", "status", "loginame", "hostname", "blk", "dbname", "cmd"}));
    Rows rows = st.FetchAll();
    auto own = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r[0] == spid; });
    ASSERT_NE(own, rows.end());
    EXPECT_EQ((*own)[2], "sa");
    EXPECT_EQ((*own)[3], "tsql-host");
    EXPECT_EQ((*own)[5], "Vidrol");
}

TEST_F(TransactSql, SpHelpDbListsEveryDatabaseNameFirst) {
    Statement st(Db);
    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("exec sp_helpdb"))) << st.Diag();
    EXPECT_EQ(st.ColumnNames().at(0), "name");
    auto names = Column(st.FetchAll(), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"Drugi", "master", "Vidrol"}));
}

TEST_F(TransactSql, SpHelpDbOfOneDatabaseGivesSummaryThenFiles) {
    Statement st(Db);
    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("exec sp_helpdb @dbname=N'vidrol'"))) << st.Diag();
    auto summary = st.FetchAll();
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(summary[0][0], "Vidrol");
    ASSERT_EQ(SQLMoreResults(st.Handle()), SQL_SUCCESS);
    EXPECT_EQ(st.ColumnNames(), (std::vector<std::string>{"name", "fileid", "filename", "filegroup", "size",
                                                          "maxsize", "growth", "usage"}));
    Rows files = st.FetchAll();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0][0], "Vidrol");
    EXPECT_TRUE(files[0][2].value().ends_with("/Vidrol.sqlite")) << files[0][2].value();
    EXPECT_EQ(files[0][7], "data only");
    EXPECT_EQ(files[1][7], "log only");
    EXPECT_EQ(SQLMoreResults(st.Handle()), SQL_NO_DATA);
}

TEST_F(TransactSql, SpHelpDbRejectsAnUnknownOrBadlyQuotedName) {
    Statement st(Db);
    ASSERT_EQ(st.Exec("exec sp_helpdb @dbname=N'Nobena'"), SQL_ERROR);
    auto d = Diagnostics(SQL_HANDLE_STMT, st.Handle());
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(d[0].State, "42000");
    EXPECT_EQ(d[0].Native, 15010);
    ASSERT_EQ(st.Exec("exec sp_helpdb @dbname=N'Vid'rol'"), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).at(0).State, "42000");
}

TEST_F(TransactSql, SpStatisticsGivesTableRowThenIndexColumnsInKeyOrder) {
    Statement st(Db);
    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("exec sp_statistics @table_name='Postavke'"))) << st.Diag();
    EXPECT_EQ(st.ColumnNames(), (std::vector<std::string>{"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME",
                                                          "NON_UNIQUE", "INDEX_QUALIFIER", "INDEX_NAME",
                                                          "TYPE", "SEQ_IN_INDEX", "COLUMN_NAME", "COLLATION",
                                                          "CARDINALITY", "PAGES", "FILTER_CONDITION"}));
    Rows rows = st.FetchAll();
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0][6], "0");
    EXPECT_FALSE(rows[0][5].has_value());
    EXPECT_EQ(rows[0][10], "6"); // cardinality of the table row: its row count
    std::vector<std::string> index, column, nonUnique;
    for (size_t i = 1; i < rows.size(); ++i) {
        index.push_back(rows[i][5].value());
        column.push_back(rows[i][8].value());
        nonUnique.push_back(rows[i][3].value());
    }
    EXPECT_EQ(index, (std::vector<std::string>{"PK_Postavke", "PK_Postavke", "PK_Postavke",
                                               "IX_Postavke_Artikel", "IX_Postavke_Artikel"}));
    EXPECT_EQ(column, (std::vector<std::string>{"Leto", "Stevilka", "Vrstica", "Artikel", "Leto"}));
    EXPECT_EQ(nonUnique, (std::vector<std::string>{"0", "0", "0", "1", "1"}));
}

TEST_F(TransactSql, SpStatisticsOfATableWithoutIndexesHasOnlyTheTableRow) {
    Statement st(Db);
    Rows rows = st.Query("exec sp_statistics @table_name='Cenik'");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][6], "0");
    Rows unique = st.Query("exec sp_statistics @table_name='Stranke'");
    auto it = std::find_if(unique.begin(), unique.end(),
                           [](const auto& r) { return r[5] == "IX_Stranke_DavcnaSt"; });
    ASSERT_NE(it, unique.end());
    EXPECT_EQ((*it)[3], "0");
}

TEST_F(TransactSql, TruncateTableEmptiesTheBracketedTable) {
    Statement st(Db);
    std::string t = OwnTable("Prazna");
    st.Run("create table [" + t + "] (a int) insert into [" + t + "] values (1), (2)");
    st.Run("TRUNCATE TABLE [" + t + "]");
    EXPECT_EQ(st.Query("select count(*) from " + t).at(0).at(0), "0");
    st.Run("drop table [" + t + "]");
}

TEST_F(TransactSql, UseSwitchesTheCurrentDatabase) {
    Statement st(Db);
    ASSERT_EQ(st.Exec("USE Drugi"), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).at(0).Native, 5701);
    EXPECT_EQ(st.Query("select Besedilo from Opombe").at(0).at(0), "Druga baza");
    ASSERT_EQ(st.Exec("USE Nobena"), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).at(0).Native, 911);
}

TEST_F(TransactSql, TopBracketsOwnerPrefixAndNationalLiterals) {
    Statement st(Db);
    Rows rows = st.Query(
        "SELECT TOP 3 [Naziv] FROM [dbo].[Kraji] WHERE [Naziv] <> N'Celje' ORDER BY [PostnaSt] DESC");
    EXPECT_EQ(Column(rows, 0), (std::vector<std::string>{"Murska Sobota", "Črnomelj", "Novo mesto"}));
    EXPECT_EQ(st.Query("select top (1) Naziv from Vidrol.dbo.Kraji order by PostnaSt").at(0).at(0),
              "Ljubljana");
}

TEST_F(TransactSql, TopInASubqueryLimitsOnlyThatSubquery) {
    Statement st(Db);
    EXPECT_EQ(st.Query("select count(*) from Kraji where PostnaSt in (select top 3 PostnaSt from Kraji order "
                       "by PostnaSt)")
                  .at(0)
                  .at(0),
              "3");
    EXPECT_EQ(st.Query("select count(*) from (select top (4) PostnaSt from Kraji) k").at(0).at(0), "4");
    Rows rows = st.Query("select top 2 Naziv from Kraji where PostnaSt in "
                         "(select top 5 PostnaSt from Kraji order by PostnaSt desc) order by PostnaSt");
    EXPECT_EQ(Column(rows, 0), (std::vector<std::string>{"Škofja Loka", "Koper"}));
}

TEST_F(TransactSql, GetDateAnswersTheCurrentDateAndTimeAsADatetime) {
    Statement st(Db);
    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("select GETDATE()")));
    SQLSMALLINT type = 0;
    SQLDescribeCol(st.Handle(), 1, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr);
    EXPECT_EQ(type, SQL_TYPE_TIMESTAMP);
    std::string now = st.FetchAll().at(0).at(0).value();
    ASSERT_EQ(now.size(), 23u) << now;
    EXPECT_EQ(now[4], '-');
    EXPECT_EQ(now[19], '.');
}

TEST_F(TransactSql, KeyDescriptionAndDuplicateKeyQueries) {
    Statement st(Db);
    Rows keys = st.Query("SELECT TableName, FieldsName FROM MorvinaIndex ORDER BY TableName");
    ASSERT_EQ(keys.size(), 6u);
    EXPECT_EQ(keys[1][0], "Cenik");
    EXPECT_EQ(keys[1][1], "Artikel;Velja");
    EXPECT_EQ(st.Query("SELECT FieldsName FROM MorvinaIndex WHERE TableName='Racuni'").at(0).at(0),
              "Leto;Stevilka");
    Rows dup = st.Query(
        "SELECT Artikel, Velja, COUNT(*) AS Stevilo FROM Cenik GROUP BY Artikel, Velja HAVING COUNT(*) > 1");
    ASSERT_EQ(dup.size(), 1u);
    EXPECT_EQ(dup[0][0], "MED-01");
    EXPECT_EQ(dup[0][1], "2024-01-01 00:00:00.000");
    EXPECT_EQ(dup[0][2], "3");
    EXPECT_EQ(st.Query("SELECT * FROM Stranke WHERE Sifra = 4 AND Naslov IS NULL").size(), 1u);
    EXPECT_EQ(st.Query("SELECT Count(*) FROM Racuni WHERE Leto = 2023").at(0).at(0), "3");
}

TEST_F(TransactSql, ContentsQueryOverSeveralLinesSortsByTheKey) {
    Statement st(Db);
    Rows rows = st.Query("SELECT *\r\nFROM Postavke\r\nORDER BY Leto, Stevilka, Vrstica");
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[4][3], "ŽEB-10");
}

TEST_F(TransactSql, TextComparesIgnoringCaseAsTheServerCollationDoes) {
    Statement st(Db);
    EXPECT_EQ(st.Query("select PostnaSt from Kraji where Naziv = N'LJUBLJANA'").at(0).at(0), "1000");
    EXPECT_EQ(st.Query("SELECT FieldsName FROM MorvinaIndex WHERE TableName='kraji'").at(0).at(0),
              "PostnaSt");
}

TEST_F(TransactSql, ServerErrorsCarrySqlStates) {
    Statement st(Db);
    struct Case {
        const char* Sql;
        const char* State;
        SQLINTEGER Native;
    } cases[] = {{"select * from Nobena", "42S02", 208},
                 {"select Nobeno from Kraji", "42S22", 207},
                 {"select * form Kraji", "42000", 102},
                 {"select 'abc", "42000", 105},
                 {"exec sp_nobena", "42000", 2812}};
    for (const auto& c : cases)
        FirstError(st, c.Sql, c.State, c.Native);
    ASSERT_EQ(st.Exec("insert into Kraji values (1000, N'Dvojnik')"), SQL_ERROR);
    auto d = Diagnostics(SQL_HANDLE_STMT, st.Handle());
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].State, "23000");
    EXPECT_EQ(d[1].Native, 3621); // the statement has been terminated
}

// The engine's own wording never shows through: the server's message names the object alone.
TEST_F(TransactSql, EngineErrorsReadAsTheServersMessages) {
    Statement st(Db);
    const std::string t = OwnTable("Poskus");
    st.Exec("drop table " + t);
    st.Run("create table " + t + " (Id int check (Id > 0), Naziv varchar(10))");
    st.Run("create index IX_" + t + " on " + t + " (Naziv)");
    struct Case {
        std::string Sql, State;
        SQLINTEGER Native;
        std::string Message;
    } cases[] = {
        {"create table " + t + " (Id int)", "42S01", 2714,
         "There is already an object named '" + t + "' in the database."},
        {"create table [" + t + "] (Id int)", "42S01", 2714,
         "There is already an object named '" + t + "' in the database."},
        {"create index IX_" + t + " on " + t + " (Id)", "42S11", 1913,
         "The operation failed because an index or statistics with name 'IX_" + t + "' already exists."},
        {"select nikakrsna(1)", "42000", 195, "'nikakrsna' is not a recognized built-in function name."},
        {"insert into " + t + " (Nobeden) values (1)", "42S22", 207, "Invalid column name 'Nobeden'."},
        {"insert into " + t + " values (1, 'a', 3)", "21S01", 213,
         "Column name or number of supplied values does not match table definition."},
        {"insert into " + t + " values (0, 'a')", "23000", 547,
         "The statement conflicted with the CHECK constraint \"Id > 0\"."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FirstError(st, c.Sql, c.State, c.Native), "[Tarvik][SQL Server]" + c.Message) << c.Sql;
    st.Run("drop table " + t);
}

TEST_F(TransactSql, BatchWithoutSemicolonsGivesResultsInOrder) {
    Statement st(Db);
    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec(" select 1 as a select 2 as b; select 3 as c"))) << st.Diag();
    std::vector<std::string> seen;
    do {
        seen.push_back(st.ColumnNames().at(0) + "=" + st.FetchAll().at(0).at(0).value());
    } while (SQLMoreResults(st.Handle()) == SQL_SUCCESS);
    EXPECT_EQ(seen, (std::vector<std::string>{"a=1", "b=2", "c=3"}));
}

TEST_F(TransactSql, UpdateThenSelectBatchFailsTheFirstFetchWith24000) {
    Statement st(Db);
    std::string t = OwnTable("Batch");
    st.Run("create table " + t + " (a int, b nvarchar(10)) insert into " + t +
           " values (1, N'x'), (2, N'y')");
    ASSERT_EQ(st.Exec(" update " + t + " set b = N'č' where a = 1 select a, b from " + t + " order by a"),
              SQL_SUCCESS)
        << st.Diag();
    SQLSMALLINT cols = -1;
    SQLNumResultCols(st.Handle(), &cols);
    EXPECT_EQ(cols, 0);
    SQLLEN count = 0;
    SQLRowCount(st.Handle(), &count);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(SQLFetch(st.Handle()), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).at(0).State, "24000");
    ASSERT_EQ(SQLMoreResults(st.Handle()), SQL_SUCCESS);
    Rows rows = st.FetchAll();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1], "č");
    st.Run("drop table " + t);
}

TEST_F(TransactSql, UpdateTouchingNoRowAnswersNoData) {
    Statement st(Db);
    EXPECT_EQ(st.Exec("update Kraji set Naziv = Naziv where PostnaSt = -1"), SQL_NO_DATA);
}

TEST_F(TransactSql, ComputedColumnsHaveNoNameUnlessAliased) {
    Statement st(Db);
    ASSERT_TRUE(SQL_SUCCEEDED(
        st.Exec("select count(*), max(PostnaSt) as Najvecja, Naziv from Kraji group by Naziv")));
    EXPECT_EQ(st.ColumnNames(), (std::vector<std::string>{"", "Najvecja", "Naziv"}));
}
