// The coupled settings of the ODBC dataset, with no driver: none of them needs a statement handle.
#include "dataset/odbc/OEQuery.h"
#include "odbc/ODBCError.h"
#include "tests/support/ErrorOf.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {

TEST(DataSetDefaults, StatementStartsReadOnlyKeysetWithOneRowAndTheDatasetDefaults) {
    TOEQuery q;
    TDataSetHstmt& h = q.hStmt();
    EXPECT_EQ(h.ConcurrencyType(), SQL_CONCUR_READ_ONLY);
    EXPECT_EQ(h.CursorType(), SQL_CURSOR_KEYSET_DRIVEN); // a bare statement starts forward-only
    EXPECT_EQ(h.RowSetSize(), 1u);
    EXPECT_FALSE(h.SkipByPosition() || h.SkipByCursor() || h.BindBookmarks() || h.BlobDeferral());
    EXPECT_EQ(h.BlobSize(), 32768);
    EXPECT_EQ(h.StringTrimming(), stTrimTrailing);
    EXPECT_EQ(h.NoRowsAffected(), NoRowsAffectedBit(nrByUpdate));
    EXPECT_EQ(h.Target().Persisted(), (std::vector<std::string>{"OE5.05", "", "", "", ""}));
    EXPECT_FALSE(q.RequestLive() || q.UniDirectional() || q.Editable() || q.Cached() || q.CachedUpdates());
    EXPECT_TRUE(q.CacheBlobs());
    EXPECT_TRUE(q.ParamCheck());
    EXPECT_EQ(q.ParamBindMode(), pbByNumber);
    EXPECT_FALSE(q.Active());
    EXPECT_FALSE(q.Prepared());
}

TEST(DataSetSources, EachSourceClearsTheOthersAndTheTarget) {
    TOEQuery q;
    q.hStmt().Target().SetTargetTable("Old");
    q.hStmt().Target().PrimaryCols() = {"ID"};
    q.SetTableName("Kupci");
    EXPECT_EQ(q.hStmt().Target().Persisted(), (std::vector<std::string>{"OE5.05", "", "", "", ""}));
    q.SetStoredProcName("sp_help");
    EXPECT_EQ(q.TableName(), "");
    EXPECT_EQ(q.StoredProcName(), "sp_help");
    q.SetTableName("Kupci");
    EXPECT_EQ(q.StoredProcName(), "");
    q.SetSQL({"SELECT *", "FROM Kupci"});
    EXPECT_EQ(q.TableName(), "");
    EXPECT_EQ(q.StoredProcName(), "");
    EXPECT_EQ(q.SQLText(), "SELECT *\r\nFROM Kupci");
    EXPECT_EQ(q.Statement().SQL(), "SELECT *\r\nFROM Kupci");
    EXPECT_TRUE(q.ParamsStale());
    q.SetParamCheck(false);
    q.SetSQL({"SELECT 1"});
    EXPECT_FALSE(q.ParamsStale());
}

TEST(DataSetSources, WhileLoadingTheTargetStaysAndParametersAreNotStale) {
    TOEQuery q;
    q.BeginLoading();
    q.hStmt().Target().SetTargetTable("Kupci");
    q.SetSQL({"SELECT * FROM Kupci"});
    q.EndLoading();
    EXPECT_EQ(q.hStmt().Target().TargetTable(), "Kupci");
    EXPECT_FALSE(q.ParamsStale());
}

TEST(DataSetSources, PrepareAndOpenWithoutAnySourceRefuse) {
    TOEQuery q;
    const std::string message = "SQL-, Table- or StoredProc-Property must be set.";
    EXPECT_EQ(ErrorOf([&] { q.Prepare(); }), message);
    EXPECT_EQ(ErrorOf([&] { q.Open(); }), message);
    EXPECT_EQ(ErrorOf([&] { q.ExecSQL(); }), message);
    EXPECT_FALSE(q.Active());
    EXPECT_FALSE(q.Prepared());
}

TEST(DataSetSources, OpeningWithoutAConnectionNamesTheDataset) {
    TOEQuery q;
    q.SetName("qKupci");
    q.SetSQL({"SELECT 1"});
    EXPECT_EQ(ErrorOf([&] { q.Open(); }), "Property Hdbc of qKupci not set.");
    EXPECT_FALSE(q.Active());
}

TEST(DataSetCursorSettings, RequestLiveAsksForValuesConcurrencyOnlyFromReadOnly) {
    TOEQuery q;
    q.SetRequestLive(true);
    EXPECT_EQ(q.hStmt().ConcurrencyType(), SQL_CONCUR_VALUES);
    EXPECT_TRUE(q.RequestLive());
    EXPECT_TRUE(q.Editable());
    q.hStmt().SetConcurrencyType(SQL_CONCUR_LOCK);
    q.SetRequestLive(true);
    EXPECT_EQ(q.hStmt().ConcurrencyType(), SQL_CONCUR_LOCK);
    EXPECT_TRUE(q.Editable());
    q.SetRequestLive(false);
    EXPECT_EQ(q.hStmt().ConcurrencyType(), SQL_CONCUR_READ_ONLY);
    EXPECT_FALSE(q.Editable());
    EXPECT_FALSE(q.RequestLive());
}

TEST(DataSetCursorSettings, EditableMakesTheCursorWritableUnlessRowOperationsAvoidIt) {
    TOEQuery q;
    q.SetEditable(true);
    EXPECT_EQ(q.hStmt().ConcurrencyType(), SQL_CONCUR_VALUES);

    TOEQuery generated;
    generated.hStmt().SetSkipByPosition(true);
    generated.hStmt().SetSkipByCursor(true);
    generated.SetEditable(true);
    EXPECT_TRUE(generated.Editable());
    EXPECT_EQ(generated.hStmt().ConcurrencyType(), SQL_CONCUR_READ_ONLY);

    TOEQuery halfway;
    halfway.hStmt().SetSkipByPosition(true);
    halfway.SetEditable(true);
    EXPECT_EQ(halfway.hStmt().ConcurrencyType(), SQL_CONCUR_VALUES);

    TOEQuery loading;
    loading.BeginLoading();
    loading.SetEditable(true);
    loading.EndLoading();
    EXPECT_TRUE(loading.Editable());
    EXPECT_EQ(loading.hStmt().ConcurrencyType(), SQL_CONCUR_READ_ONLY);
}

TEST(DataSetCursorSettings, UniDirectionalOffRestoresACursorByTheConnectionsCursorLibrary) {
    TOEQuery q;
    q.SetUniDirectional(true);
    EXPECT_EQ(q.hStmt().CursorType(), SQL_CURSOR_FORWARD_ONLY);
    EXPECT_TRUE(q.UniDirectional());
    q.SetUniDirectional(false); // no connection
    EXPECT_EQ(q.hStmt().CursorType(), SQL_CURSOR_KEYSET_DRIVEN);

    THdbc db;
    q.SethDbc(&db);
    q.SetUniDirectional(true);
    q.SetUniDirectional(false); // driver cursors only, the connection's default
    EXPECT_EQ(q.hStmt().CursorType(), SQL_CURSOR_KEYSET_DRIVEN);
    db.SetCursorLib(SQL_CUR_USE_IF_NEEDED);
    q.SetUniDirectional(true);
    q.SetUniDirectional(false);
    EXPECT_EQ(q.hStmt().CursorType(), SQL_CURSOR_STATIC);

    q.hStmt().SetCursorType(SQL_CURSOR_DYNAMIC);
    q.SetUniDirectional(false);
    EXPECT_EQ(q.hStmt().CursorType(), SQL_CURSOR_DYNAMIC);
}

TEST(DataSetCursorSettings, CachedMakesAReadOnlyForwardCursorAndBackAgain) {
    THdbc db;
    TOEQuery q;
    q.SethDbc(&db);
    q.SetCached(true);
    EXPECT_EQ(q.hStmt().CursorType(), SQL_CURSOR_FORWARD_ONLY);
    EXPECT_EQ(q.hStmt().ConcurrencyType(), SQL_CONCUR_READ_ONLY);
    EXPECT_TRUE(q.hStmt().SkipByPosition() && q.hStmt().SkipByCursor());
    q.SetCached(false);
    EXPECT_EQ(q.hStmt().CursorType(), SQL_CURSOR_KEYSET_DRIVEN);
    EXPECT_EQ(q.hStmt().ConcurrencyType(), SQL_CONCUR_VALUES);

    db.SetCursorLib(SQL_CUR_USE_ODBC);
    q.SetCached(true);
    q.SetCached(false);
    EXPECT_EQ(q.hStmt().CursorType(), SQL_CURSOR_STATIC);
}

TEST(DataSetCursorSettings, RowsetsAboveOneRowTurnTheCacheOnAndCacheOffResetsThem) {
    TOEQuery q;
    q.hStmt().SetRowSetSize(10);
    EXPECT_TRUE(q.Cached());
    EXPECT_EQ(q.hStmt().CursorType(), SQL_CURSOR_FORWARD_ONLY);
    EXPECT_EQ(q.hStmt().RowSetSize(), 10u);
    q.SetCachedUpdates(true);
    q.SetCached(false);
    EXPECT_EQ(q.hStmt().RowSetSize(), 1u);
    EXPECT_FALSE(q.CachedUpdates());
}

TEST(DataSetCursorSettings, EitherSkipFlagOffLeavesTheCache) {
    for (bool position : {true, false}) {
        TOEQuery q;
        q.SetCached(true);
        if (position)
            q.hStmt().SetSkipByPosition(false);
        else
            q.hStmt().SetSkipByCursor(false);
        EXPECT_FALSE(q.Cached()) << position;
        q.SetCached(true);
        q.hStmt().SetSkipByPosition(true); // switching on leaves it alone
        EXPECT_TRUE(q.Cached());
    }
}

TEST(DataSetCursorSettings, CachedUpdatesNeedTheCache) {
    TOEQuery q;
    q.SetCachedUpdates(true);
    EXPECT_TRUE(q.Cached());
    EXPECT_TRUE(q.CachedUpdates());
    q.SetCachedUpdates(false);
    EXPECT_TRUE(q.Cached());
}

TEST(DataSetCursorSettings, CacheBlobsAndParamBindModeAreTheStatementsFlagsBothWays) {
    TOEQuery q;
    q.SetCacheBlobs(false);
    EXPECT_TRUE(q.hStmt().BlobDeferral());
    q.hStmt().SetBlobDeferral(false);
    EXPECT_TRUE(q.CacheBlobs());
    q.SetParamBindMode(pbByName);
    EXPECT_TRUE(q.hStmt().BindByName());
    q.hStmt().SetBindByName(false);
    EXPECT_EQ(q.ParamBindMode(), pbByNumber);
}

TEST(DataSetConnection, AdoptsTheOwnersFirstConnectionAndForgetsARemovedOne) {
    TComponent form;
    auto* first = new THdbc(&form);
    first->SetName("Database");
    auto* second = new THdbc(&form);
    auto* q = new TwwOEDataSet(&form);
    EXPECT_EQ(q->hDbc(), first);
    EXPECT_EQ(q->DatabaseName(), "Database");
    delete first;
    EXPECT_EQ(q->hDbc(), nullptr);
    EXPECT_EQ(q->DatabaseName(), "");
    auto* third = new THdbc(&form);
    EXPECT_EQ(q->hDbc(), third);
    (void)second;
}

TEST(DataSetConnection, AConnectionPlacedLaterIsAdoptedOnlyWhenThereIsNone) {
    TComponent form;
    auto* q = new TOEQuery(&form);
    EXPECT_EQ(q->hDbc(), nullptr);
    auto* db = new THdbc(&form);
    EXPECT_EQ(q->hDbc(), db);
    new THdbc(&form);
    EXPECT_EQ(q->hDbc(), db);
}

TEST(DataSetConnection, DatabaseNameChoosesAConnectionOfTheOwnerByName) {
    TComponent form;
    auto* a = new THdbc(&form);
    a->SetName("A");
    auto* b = new THdbc(&form);
    b->SetName("B");
    auto* other = new TOEQuery(&form);
    other->SetName("C");
    auto* q = new TwwOEDataSet(&form);
    q->SetDatabaseName("B");
    EXPECT_EQ(q->hDbc(), b);
    q->SetDatabaseName("C"); // not a connection
    EXPECT_EQ(q->hDbc(), b);
    q->SetDatabaseName("none");
    EXPECT_EQ(q->hDbc(), b);
    EXPECT_TRUE(q->ValidateWithMask());
}

} // namespace
