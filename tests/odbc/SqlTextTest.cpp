#include "odbc/SqlText.h"
#include "odbc/ColumnBuffer.h"
#include "odbc/HDbc.h"
#include "odbc/ODBCError.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {
std::string MessageOf(const std::string& sql) {
    std::vector<std::string> names;
    try {
        ParseSQL(sql, names);
    } catch (const EVERODezuzid& e) {
        return e.Message();
    }
    return "(no error)";
}
} // namespace

TEST(ParseSQL, TokensOutsideLiteralsBecomeMarkers) {
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(ParseSQL("select * from t where a = :A1 and b = ':x'", names),
              "select * from t where a = ? and b = ':x'");
    EXPECT_EQ(names, std::vector<std::string>{"A1"});
    EXPECT_EQ(ParseSQL("x = :p_1@z+:p_1", names), "x = ?+?");
    EXPECT_EQ(names, (std::vector<std::string>{"p_1@z", "p_1"}));
}

TEST(ParseSQL, DoubledQuotesStayInsideTheLiteral) {
    std::vector<std::string> names;
    EXPECT_EQ(ParseSQL("select 'it''s :not' from t where x = :yes", names),
              "select 'it''s :not' from t where x = ?");
    EXPECT_EQ(names, std::vector<std::string>{"yes"});
    // Double quotes protect nothing.
    EXPECT_EQ(ParseSQL("select \"a:b\" from t", names), "select \"a?\" from t");
    EXPECT_EQ(names, std::vector<std::string>{"b"});
}

TEST(ParseSQL, AColonWithoutANameIsRefused) {
    const std::string message = "Invalid parameter token in SQL statement.";
    EXPECT_EQ(MessageOf("select :"), message);
    EXPECT_EQ(MessageOf("select : x"), message);
    EXPECT_EQ(MessageOf("select ':' || :"), message);
    EXPECT_EQ(MessageOf("select ':'"), "(no error)");
}

TEST(CountQuery, CountsFromFromUpToOrder) {
    EXPECT_EQ(CountQuery("select a, b from t where a > 1 order by b").value(),
              "SELECT Count(*) from t where a > 1");
    EXPECT_EQ(CountQuery("select a\r\nfrom t\r\nwhere x=1").value(), "SELECT Count(*) from t where x=1");
    EXPECT_EQ(CountQuery("SELECT f(a) FROM(t)").value(), "SELECT Count(*) FROM(t)");
}

TEST(CountQuery, QueriesThatCannotBeCountedSoAreTraversed) {
    EXPECT_FALSE(CountQuery("select a from t union select b from u"));
    EXPECT_FALSE(CountQuery("select distinct a from t"));
    EXPECT_FALSE(CountQuery("select a, count(*) from t group by a having count(*) > 1"));
    // Dropping GROUP BY would count the rows before grouping, not the groups.
    EXPECT_FALSE(CountQuery("select a, count(*) from t group by a"));
    EXPECT_FALSE(CountQuery("exec sp_who"));
}

TEST(DriverTable, HasTheThirteenRowsFromTheDefaults) {
    const std::vector<TDriverRec> t = DefaultDriverTable();
    ASSERT_EQ(t.size(), 13u);
    EXPECT_EQ(t[0].Name, "Default");
    EXPECT_EQ(t[0].LongVarcharSize, 2147483647);
    EXPECT_EQ(t[0].NumericSize, 15);
    EXPECT_EQ(t[0].NumericDigits, 15);
    EXPECT_EQ(t[0].TimestampSize, 19);
    EXPECT_EQ(t[0].TimestampDigits, 0);
    const TDriverRec* ms = FindDriverRecIn(t, "MICROSOFT SQL SERVER;SQLSRV32.DLL");
    ASSERT_NE(ms, nullptr);
    EXPECT_EQ(ms->Name, "Microsoft SQL Server;sqlsrv32.dll");
    EXPECT_EQ(ms->TimestampSize, 23);
    EXPECT_EQ(ms->TimestampDigits, 3);
    EXPECT_EQ(ms->VarcharSize, 255);
    const TDriverRec* sybase = FindDriverRecIn(t, "SQL Server;sysybnt.dll");
    ASSERT_NE(sybase, nullptr);
    EXPECT_EQ(sybase->VarcharSize, 30);
    EXPECT_EQ(sybase->VarbinarySize, 8);
    EXPECT_EQ(sybase->CharSize, 255);
    const TDriverRec* asa = FindDriverRecIn(t, "Adaptive Server Anywhere;dbodbc6w.dll");
    EXPECT_EQ(asa->BinarySize, 32767);
    EXPECT_EQ(asa->TimestampDigits, 6);
    const TDriverRec* paradox = FindDriverRecIn(t, "paradox;odbcjt32.dll");
    EXPECT_EQ(paradox->CharSize, 255);
    EXPECT_EQ(paradox->VarbinarySize, 254);
    EXPECT_EQ(paradox->LongVarbinarySize, 1073741823);
    EXPECT_EQ(FindDriverRecIn(t, "FoxPro;odbcjt32.dll")->LongVarcharSize, 2147483647);
    EXPECT_EQ(FindDriverRecIn(t, "InterBase;iscdrv32.dll")->VarcharSize, 32765);
    EXPECT_EQ(FindDriverRecIn(t, "Informix;iclit09a.dll")->TimestampSize, 25);
    EXPECT_EQ(FindDriverRecIn(t, "Access;odbcjt32.dll")->LongVarcharSize, 2147483647);
    EXPECT_EQ(FindDriverRecIn(t, "Unknown;x.so"), nullptr);
    THdbc dbc;
    EXPECT_EQ(dbc.FindDriverRec("oracle8;SQOCI32.DLL")->VarcharSize, 2000);
}

TEST(ConnectString, OnlyNonEmptyPartsInOrderThenAttributeLines) {
    EXPECT_EQ(ComposeConnectString("X", "u", "", "SQL Server", {}), "DSN=X;UID=u;DRIVER=SQL Server;");
    EXPECT_EQ(ComposeConnectString("", "", "", "", {"SERVER=S", "DATABASE=D"}), "SERVER=S;DATABASE=D;");
    EXPECT_EQ(ComposeConnectString("X", "sa", "pw", "", {"APP=t"}), "DSN=X;UID=sa;PWD=pw;APP=t;");
    EXPECT_EQ(ComposeConnectString("", "", "", "", {}), "");
}

TEST(ConnectString, ValuesWithSeparatorsAreBraced) {
    // An unbraced ";" would end the password and start another keyword.
    EXPECT_EQ(ComposeConnectString("X", "u", "a;DSN=evil", "", {}), "DSN=X;UID=u;PWD={a;DSN=evil};");
    EXPECT_EQ(ComposeConnectString("", "", "p}q{", "", {}), "PWD={p}}q{};");
    EXPECT_EQ(ComposeConnectString("", "", "", "{SQL Server}", {}), "DRIVER={SQL Server};");
    EXPECT_EQ(ComposeConnectString("", "", "{a}}b}", "", {}), "PWD={a}}b};");
    // Not one braced part: the closing brace inside ends it early, so the whole is braced again.
    EXPECT_EQ(ComposeConnectString("", "", "{a}b}", "", {}), "PWD={{a}}b}}};");
}

TEST(ColumnBinding, TypeMappingAndCellSizes) {
    EXPECT_EQ(MapColumnSQLType(SQL_WVARCHAR), SQL_VARCHAR);
    EXPECT_EQ(MapColumnSQLType(SQL_WCHAR), SQL_CHAR);
    EXPECT_EQ(MapColumnSQLType(SQL_WLONGVARCHAR), SQL_LONGVARCHAR);
    EXPECT_EQ(MapColumnSQLType(SQL_GUID), SQL_BINARY);
    EXPECT_EQ(ChooseBinding(SQL_VARCHAR, false).CType, SQL_C_CHAR);
    EXPECT_EQ(ChooseBinding(SQL_DECIMAL, false).CType, SQL_C_DOUBLE);
    EXPECT_EQ(ChooseBinding(SQL_REAL, false).CType, SQL_C_FLOAT);
    EXPECT_EQ(ChooseBinding(SQL_INTEGER, true).CType, SQL_C_ULONG);
    EXPECT_EQ(ChooseBinding(SQL_SMALLINT, false).CType, SQL_C_SSHORT);
    EXPECT_EQ(ChooseBinding(SQL_TINYINT, true).CType, SQL_C_UTINYINT);
    EXPECT_EQ(ChooseBinding(SQL_BIGINT, false).CType, SQL_C_SBIGINT);
    EXPECT_EQ(ChooseBinding(SQL_TYPE_TIME, false).CType, SQL_C_TYPE_TIME);
    EXPECT_TRUE(ChooseBinding(SQL_LONGVARCHAR, false).Long);
    EXPECT_EQ(ChooseBinding(SQL_LONGVARBINARY, false).CType, SQL_C_BINARY);
    EXPECT_FALSE(ChooseBinding(SQL_INTERVAL_DAY, false).Known);
    EXPECT_EQ(CellSizeFor(SQL_VARCHAR, SQL_C_CHAR, 40), 161u);
    EXPECT_EQ(CellSizeFor(SQL_CHAR, SQL_C_CHAR, 1), 5u);
    EXPECT_EQ(CellSizeFor(SQL_VARBINARY, SQL_C_BINARY, 16), 16u);
    EXPECT_EQ(CellSizeFor(SQL_TYPE_TIMESTAMP, SQL_C_TYPE_TIMESTAMP, 23), 16u);
    TColRec rec(SQL_C_SLONG, SQL_INTEGER, 4, 3);
    EXPECT_EQ(rec.Indicators, std::vector<SQLLEN>(3, SQL_NULL_DATA));
    EXPECT_EQ(rec.Cell(2), rec.Cell(1) + 4);
    EXPECT_EQ(rec.Cell(0), nullptr);
    EXPECT_EQ(rec.Cell(4), nullptr);
}

TEST(QuoteIdentifier, QuotesBlankAndDollarNamesButNotExpressions) {
    EXPECT_EQ(QuoteIdentifier("Order Date"), "\"Order Date\"");
    EXPECT_EQ(QuoteIdentifier("price$"), "\"price$\"");
    EXPECT_EQ(QuoteIdentifier("qty"), "qty");
    EXPECT_EQ(QuoteIdentifier("qty * 2 as double qty"), "qty * 2 as double qty");
    EXPECT_EQ(QuoteIdentifier("{fn UCASE(name)} x"), "{fn UCASE(name)} x");
    EXPECT_EQ(QuoteIdentifier("\"Order Date\""), "\"Order Date\"");
    EXPECT_EQ(QuoteIdentifier("dbo.orders"), "dbo.orders");
}

TEST(TableFromSQL, TakesTheWordAfterFrom) {
    EXPECT_EQ(TableFromSQL("select a from  orders where a = 1"), "orders");
    EXPECT_EQ(TableFromSQL("SELECT a\r\nFROM dbo.orders\r\nORDER BY a"), "dbo.orders");
    EXPECT_EQ(TableFromSQL("SELECT 1"), "");
}
