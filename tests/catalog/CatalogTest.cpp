#include "Catalog.h"
#include "DriverFixture.h"
#include "ODBCError.h"

#include <gtest/gtest.h>

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
    const int before = catalog.Tables().Count();
    ASSERT_GT(before, 0);
    db.Disconnect();
    db.SetDataSource("NoSuchDataSourceAnywhere");
    catalog.Refresh();
    EXPECT_THROW(catalog.Tables(), EODBC);
    EXPECT_TRUE(catalog.TablesStale());
}

INSTANTIATE_FOR_DRIVERS(CatalogTest);

namespace {
// Procedures: PostgreSQL functions stand for stored procedures here.
class CatalogProcedures : public DriverTest {};
} // namespace

TEST_P(CatalogProcedures, FindsProceduresByNameAndReadsTheirColumns) {
    Exec({"CREATE OR REPLACE FUNCTION tarvik_add(a integer, b integer) RETURNS integer AS 'select a + b' "
          "LANGUAGE sql"});
    TOECatalog catalog;
    catalog.SethDbc(&db);
    TCatalogProcedure* p = catalog.FindProcedure("", "  TARVIK_ADD ");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Name, "tarvik_add");
    EXPECT_EQ(catalog.FindProcedure("no_such_owner", "tarvik_add"), nullptr);
    EXPECT_NE(catalog.FindProcedure(p->Owner, "tarvik_add"), nullptr);
    const auto& columns = p->ColumnNames();
    EXPECT_NE(std::find(columns.begin(), columns.end(), "a"), columns.end());
    EXPECT_NE(std::find(columns.begin(), columns.end(), "b"), columns.end());
    EXPECT_FALSE(p->ColumnsStale());
}

INSTANTIATE_TEST_SUITE_P(Postgres, CatalogProcedures, ::testing::Values(TestDriverLabelled("Postgres")),
                         TestDriverName());
