#include "odbc/catalog/Catalog.h"
#include "odbc/ODBCError.h"
#include "tests/support/DriverFixture.h"

#include <gtest/gtest.h>

using namespace tarvik;

TEST(Catalog, TypeListAndTypeTexts) {
    EXPECT_EQ(TableTypeList(TableTypeBit(ttTable) | TableTypeBit(ttView)), "'TABLE', 'VIEW'");
    EXPECT_EQ(TableTypeList(TableTypeBit(ttTable)), "'TABLE'");
    EXPECT_EQ(TableTypeList(TableTypeBit(ttView) | TableTypeBit(ttSystem)), "'VIEW', 'SYSTEM TABLE'");
    EXPECT_EQ(TableTypeList(0), "");
    EXPECT_EQ(TableTypeOf(" view "), ttView);
    EXPECT_EQ(TableTypeOf("system table"), ttSystem);
    EXPECT_EQ(TableTypeOf("TABLE"), ttTable);
    EXPECT_EQ(TableTypeOf("GLOBAL TEMPORARY"), ttTable);
}

TEST(Catalog, AdoptsTheOwnersConnectionAndForgetsItWhenRemoved) {
    TComponent form;
    auto* early = new TOECatalog(&form);
    early->SetName("oeCatalog");
    EXPECT_EQ(early->hDbc(), nullptr);
    try {
        early->Tables();
        FAIL() << "no connection, no read";
    } catch (const EVERODezuzid& e) {
        EXPECT_EQ(e.Message(), "Property Hdbc of oeCatalog not set.");
    }
    auto* dbc = new THdbc(&form);
    EXPECT_EQ(early->hDbc(), dbc);
    auto* late = new TOECatalog(&form);
    EXPECT_EQ(late->hDbc(), dbc);
    delete dbc;
    EXPECT_EQ(early->hDbc(), nullptr);
    EXPECT_EQ(late->hDbc(), nullptr);
}

TEST(Catalog, StartsStaleWithTheDefaultFilters) {
    TOECatalog c;
    EXPECT_TRUE(c.TablesStale());
    EXPECT_EQ(c.TableName(), "%");
    EXPECT_EQ(c.TableType(), TableTypeBit(ttTable) | TableTypeBit(ttView));
    EXPECT_EQ(c.ProcedureName(), "%");
}

namespace {
using CatalogTest = DriverTest;
}

TEST_P(CatalogTest, ListsOnlyTablesWithTheWindowsSettings) {
    Exec({"DROP VIEW IF EXISTS v_catalog", "DROP TABLE IF EXISTS t_catalog",
          "CREATE TABLE t_catalog (id integer)", "CREATE VIEW v_catalog AS SELECT id FROM t_catalog"});
    const std::string table = "t_catalog";
    TOECatalog catalog;
    catalog.SethDbc(&db);
    catalog.SetTableType(TableTypeBit(ttTable));
    const auto names = catalog.TableNames();
    EXPECT_NE(std::find(names.begin(), names.end(), table), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "v_catalog"), names.end());
    for (const auto& n : names)
        EXPECT_EQ(n.find('.'), std::string::npos) << "bare names only: " << n;

    catalog.SetTableType(TableTypeBit(ttView));
    EXPECT_TRUE(catalog.TablesStale());
    bool sawView = false;
    for (int i = 0; i < catalog.Tables().Count(); ++i) {
        EXPECT_EQ(catalog.Tables().Item(i).TableType, ttView);
        EXPECT_EQ(catalog.Tables().Item(i).Catalog, &catalog);
        sawView |= catalog.Tables().Item(i).Name == "v_catalog";
    }
    EXPECT_TRUE(sawView);
    // No type at all asks for every kind: the table and the view both come back.
    catalog.SetTableType(0);
    const auto all = catalog.TableNames();
    EXPECT_NE(std::find(all.begin(), all.end(), table), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), "v_catalog"), all.end());
    catalog.ReleaseStatement();
    EXPECT_FALSE(catalog.Statement().Allocated());
    // Other tests on the same server count its views.
    Exec({"DROP VIEW v_catalog", "DROP TABLE t_catalog"});
}

TEST_P(CatalogTest, CachedUntilAFilterReallyChanges) {
    TOECatalog catalog;
    catalog.SethDbc(&db);
    catalog.Tables();
    EXPECT_FALSE(catalog.TablesStale());
    catalog.SetTableName("%");
    EXPECT_FALSE(catalog.TablesStale()) << "the same text again is no change";
    catalog.SetTableName("T_%");
    EXPECT_TRUE(catalog.TablesStale());
    catalog.Tables();
    catalog.SetTableName("t_%");
    EXPECT_TRUE(catalog.TablesStale()) << "a change of case is a change";
    catalog.SetTableName("  t_%  ");
    catalog.Tables();
    EXPECT_EQ(catalog.TableName(), "t_%") << "patterns are stored trimmed after a read";
    catalog.Refresh();
    EXPECT_TRUE(catalog.TablesStale() && catalog.ProceduresStale());
}

TEST_P(CatalogTest, AFailedReadKeepsTheOldListAndStaysStale) {
    const std::string table = Table("id integer");
    TOECatalog catalog;
    catalog.SethDbc(&db);
    TCatalogTables& list = catalog.Tables();
    const int before = list.Count();
    ASSERT_GT(before, 0);
    db.Disconnect();
    db.SetDataSource("NoSuchDataSourceAnywhere");
    catalog.Refresh();
    EXPECT_THROW(catalog.Tables(), EODBC);
    EXPECT_TRUE(catalog.TablesStale());
    EXPECT_EQ(list.Count(), before); // the list of the last good read is still there
}

INSTANTIATE_FOR_DRIVERS(CatalogTest);

namespace {
// Procedures: PostgreSQL functions stand for stored procedures there; T-SQL names parameters with
// "@", and the catalog reports the return value first and OUTPUT as input-output.
class CatalogProcedures : public DriverTest {
protected:
    void CreateAdder() {
        if (Can().TsqlProcedures)
            Exec({"DROP PROCEDURE IF EXISTS tarvik_add",
                  "CREATE PROCEDURE tarvik_add @a int, @b int, @sum int OUTPUT AS SET @sum = @a + @b"});
        else
            Exec({"CREATE OR REPLACE FUNCTION tarvik_add(a integer, b integer) RETURNS integer AS "
                  "'select a + b' LANGUAGE sql"});
    }
    std::string Param(const std::string& name) const { return Can().TsqlProcedures ? "@" + name : name; }
};
} // namespace

TEST_P(CatalogProcedures, FindsProceduresByNameAndReadsTheirColumns) {
    CreateAdder();
    TOECatalog catalog;
    catalog.SethDbc(&db);
    TCatalogProcedure* p = catalog.FindProcedure("", "  TARVIK_ADD ");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Name, "tarvik_add") << "a group number (;1) is cut off";
    EXPECT_EQ(catalog.FindProcedure("no_such_owner", "tarvik_add"), nullptr);
    EXPECT_NE(catalog.FindProcedure(p->Owner, "tarvik_add"), nullptr);
    const auto& columns = p->ColumnNames();
    for (const char* name : {"a", "b"})
        EXPECT_NE(std::find(columns.begin(), columns.end(), Param(name)), columns.end()) << name;
    EXPECT_FALSE(p->ColumnsStale());
    auto column = [&](const std::string& name) -> const TCatalogColumn& {
        for (int i = 0; i < p->Columns().Count(); ++i)
            if (p->Columns().Item(i).Name == name) return p->Columns().Item(i);
        throw std::out_of_range(name);
    };
    EXPECT_EQ(column(Param("a")).ColumnType, SQL_PARAM_INPUT);
    EXPECT_EQ(column(Param("a")).DataType, SQL_INTEGER);
}

namespace {
using StandinCatalogProcedures = CatalogProcedures;
}

TEST_P(StandinCatalogProcedures, TheReturnValueLeadsAndParametersFollowInOrder) {
    CreateAdder();
    TOECatalog catalog;
    catalog.SethDbc(&db);
    catalog.SetProcedureName("tarvik_add");
    ASSERT_EQ(catalog.Procedures().Count(), 1);
    TCatalogProcedure& p = catalog.Procedures().Item(0);
    EXPECT_EQ(p.ProcedureType, SQL_PT_FUNCTION);
    EXPECT_EQ(p.ColumnNames(), (std::vector<std::string>{"@RETURN_VALUE", "@a", "@b", "@sum"}));
    const TCatalogColumn& status = p.Columns().Item(0);
    EXPECT_EQ(status.ColumnType, SQL_RETURN_VALUE);
    EXPECT_EQ(status.DataType, SQL_INTEGER);
    EXPECT_EQ(status.TypeName, "int");
    EXPECT_EQ(status.ColumnSize, 10);
    EXPECT_EQ(status.Nullable, SQL_NO_NULLS);
    EXPECT_EQ(p.Columns().Item(1).ColumnType, SQL_PARAM_INPUT);
    EXPECT_EQ(p.Columns().Item(3).ColumnType, SQL_PARAM_INPUT_OUTPUT);
    EXPECT_EQ(p.Columns().Item(3).Nullable, SQL_NULLABLE);
    Exec({"DROP PROCEDURE tarvik_add"});
    catalog.Refresh();
    EXPECT_EQ(catalog.Procedures().Count(), 0);
}

TEST_P(StandinCatalogProcedures, ACallTextBuiltFromTheCatalogRunsWithEveryDirection) {
    // What a query dataset does for a stored procedure: parameters and their directions from the
    // catalog, "{:R = CALL name(:A, :B)}" with the catalog's names as tokens, outputs read after the call.
    TOECatalog catalog;
    catalog.SethDbc(&db);
    TCatalogProcedure* p = catalog.FindProcedure("", "ZnesekRacunov");
    ASSERT_NE(p, nullptr);
    std::string result, arguments;
    for (int i = 0; i < p->Columns().Count(); ++i) {
        const TCatalogColumn& c = p->Columns().Item(i);
        if (c.ColumnType == SQL_RETURN_VALUE)
            result = ":" + c.Name + " = ";
        else
            arguments += (arguments.empty() ? ":" : ", :") + c.Name;
    }
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("{" + result + "CALL ZnesekRacunov(" + arguments + ")}");
    EXPECT_EQ(s.SQL(), "{:@RETURN_VALUE = CALL ZnesekRacunov(:@Leto, :@Skupaj, :@Stevilo)}");
    s.Prepare();
    SQLINTEGER status = -1, year = 2023, count = -1;
    double total = -1;
    for (int i = 0; i < p->Columns().Count(); ++i) {
        const TCatalogColumn& c = p->Columns().Item(i);
        s.SetParamType(c.ColumnType == SQL_RETURN_VALUE ? SQL_PARAM_OUTPUT : c.ColumnType);
        const SQLUSMALLINT number = s.ParamByName(c.Name);
        if (c.Name == "@Skupaj")
            s.BindParam(number, SQL_C_DOUBLE, SQL_DOUBLE, &total);
        else
            s.BindParam(number, SQL_C_SLONG, SQL_INTEGER,
                        c.Name == "@Leto"      ? &year
                        : c.Name == "@Stevilo" ? &count
                                               : &status);
    }
    s.Execute();
    EXPECT_EQ(status, 0);
    EXPECT_DOUBLE_EQ(total, 883.5);
    EXPECT_EQ(count, 3);
}

INSTANTIATE_TEST_SUITE_P(Drivers, CatalogProcedures,
                         ::testing::ValuesIn(DriversThat({&DriverCapabilities::Procedures})),
                         TestDriverName());
INSTANTIATE_TEST_SUITE_P(Drivers, StandinCatalogProcedures,
                         ::testing::ValuesIn(DriversThat({&DriverCapabilities::TsqlProcedures,
                                                          &DriverCapabilities::DemoProcedures})),
                         TestDriverName());
