// Parameters of the ODBC dataset on every test driver: made from the text's tokens, bound at
// every open and ExecSQL, and read back from a procedure.
#include "dataset/odbc/OEQuery.h"
#include "odbc/ODBCError.h"
#include "tests/support/DriverFixture.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {
using DataSetParamsTest = DriverTest;

class DataSetProcParamsTest : public DriverTest {
protected:
    // Calls a procedure that returns a row before it sets its output B; the row is not read, so
    // B stays pending.
    void CallLeavingAnOutputPending(TOEQuery& q) {
        Exec({"DROP PROCEDURE IF EXISTS tp_Vrstica",
              "CREATE PROCEDURE tp_Vrstica @A int, @B int OUTPUT AS SELECT @A AS x SET @B = @A * 2"});
        q.SethDbc(&db);
        q.SetStoredProcName("tp_Vrstica");
        q.Params()[1].SetValue(TVariant(4));
        q.ExecSQL();
    }
};

class PrepareCountingQuery : public TOEQuery {
public:
    int Prepares = 0;
    PrepareCountingQuery() {
        Statement().BeforePrepare = [this](TComponent*) { ++Prepares; };
    }
};

std::vector<std::int64_t> Ids(TOEQuery& q) {
    std::vector<std::int64_t> ids;
    for (; !q.Eof(); q.Next())
        ids.push_back(q.Fields()[0].AsInteger());
    return ids;
}

TEST_P(DataSetParamsTest, ATokenBecomesAParameterBoundAgainAtEveryOpen) {
    const std::string t = TableWith("id integer, naziv varchar(20)", {"1, 'a'", "2, 'b'", "3, 'c'"});
    PrepareCountingQuery q;
    q.SethDbc(&db);
    q.SetSQL({"SELECT id, naziv, '12:30' AS ura FROM " + t + " WHERE id = :id"});
    ASSERT_EQ(q.Params().Count(), 1) << "a colon in a literal is no token";
    q.Params().ParamByName("ID").SetValue(TVariant(2));
    q.Open();
    EXPECT_EQ(q.Fields()[1].AsString(), "b");
    EXPECT_EQ(q.Fields()[2].AsString(), "12:30");
    q.Close();
    q.Params()[0].SetValue(TVariant(3));
    q.Open();
    EXPECT_EQ(q.Fields()[1].AsString(), "c") << "the new value was bound after closing";
    EXPECT_EQ(q.Prepares, 1);
}

TEST_P(DataSetParamsTest, ANameTwiceInTheTextIsTwoParameters) {
    const std::string t = TableWith("id integer", {"1", "2", "3"});
    TOEQuery q;
    q.SethDbc(&db);
    q.SetSQL({"SELECT id FROM " + t + " WHERE id = :x OR id = :x ORDER BY id"});
    ASSERT_EQ(q.Params().Count(), 2);
    q.Params()[0].SetValue(TVariant(1));
    q.Params()[1].SetValue(TVariant(3));
    q.Open();
    EXPECT_EQ(Ids(q), (std::vector<std::int64_t>{1, 3}));
}

TEST_P(DataSetParamsTest, ExecSQLSendsValuesAndNulls) {
    const std::string t = Table("id integer, naziv varchar(20), cena double precision, d date");
    TOEQuery insert;
    insert.SethDbc(&db);
    insert.SetSQL({"INSERT INTO " + t + " (id, naziv, cena, d) VALUES (:id, :naziv, :cena, :d)"});
    insert.Params().ParamByName("id").SetValue(TVariant(5));
    insert.Params().ParamByName("cena").SetValue(TVariant(2.5));
    insert.Params().ParamByName("d").SetValue(TVariant(TVarDate{2024, 2, 29}));
    insert.ExecSQL();
    insert.Params().ParamByName("id").SetValue(TVariant(6));
    insert.Params().ParamByName("naziv").SetValue(TVariant("\xc4\x8drka"));
    insert.ExecSQL();

    TOEQuery q;
    q.SethDbc(&db);
    q.SetSQL({"SELECT id, naziv, cena, d FROM " + t + " ORDER BY id"});
    q.Open();
    EXPECT_EQ(q.Fields()[0].AsInteger(), 5);
    EXPECT_TRUE(q.Fields()[1].IsNull());
    EXPECT_EQ(q.Fields()[2].AsFloat(), 2.5);
    EXPECT_EQ(q.Fields()[3].Value(), TVariant(TVarDate{2024, 2, 29}));
    q.Next();
    EXPECT_EQ(q.Fields()[1].AsString(), "\xc4\x8drka");
}

TEST_P(DataSetParamsTest, ATextLongerThanItsBufferIsRefusedNotCut) {
    const std::string t = Table("naziv varchar(400)");
    TOEQuery insert;
    insert.SethDbc(&db);
    insert.SetSQL({"INSERT INTO " + t + " VALUES (:naziv)"});
    const std::string value(300, 'x');
    insert.Params()[0].SetValue(TVariant(value));
    if (insert.Params()[0].DataType == ftMemo) {
        // SQLite ODBC describes the marker as long text: a stream of any length.
        insert.ExecSQL();
        EXPECT_EQ(Column1("SELECT naziv FROM " + t), std::vector<std::string>{value});
        return;
    }
    EXPECT_EQ(ErrorOf([&] { insert.ExecSQL(); }), "Value of parameter naziv is longer than its buffer.");
    EXPECT_TRUE(Column1("SELECT naziv FROM " + t).empty());
}

TEST_P(DataSetParamsTest, AClosedQueryLeavesNoFreedBufferBoundToItsMarkers) {
    const std::string t = TableWith("id integer", {"1", "2"});
    TOEQuery q;
    q.SethDbc(&db);
    q.SetSQL({"SELECT id FROM " + t + " WHERE id = :id"});
    q.Params()[0].SetValue(TVariant(2));
    q.Open();
    EXPECT_EQ(Ids(q), std::vector<std::int64_t>{2});
    q.Close();
    q.Params().Clear();
    // The marker has no parameter now: the driver must miss its value rather than read the
    // buffer that closing freed.
    EXPECT_THROW(q.Open(), EODBC);
}

TEST_P(DataSetParamsTest, ATableHasNoParametersAndNewTextMakesNewOnes) {
    const std::string t = TableWith("id integer", {"1"});
    TOEQuery q;
    q.SethDbc(&db);
    q.SetSQL({"SELECT id FROM " + t + " WHERE id = :a"});
    EXPECT_EQ(q.Params()[0].Name, "a");
    q.SetSQL({"SELECT id FROM " + t + " WHERE id = :b AND id = :c"});
    ASSERT_EQ(q.Params().Count(), 2);
    EXPECT_EQ(q.Params()[1].Name, "c");
    q.SetTableName(t);
    EXPECT_EQ(q.Params().Count(), 0);
    q.Open();
    EXPECT_EQ(q.Fields()[0].AsInteger(), 1);
}

TEST_P(DataSetProcParamsTest, AProceduresParametersComeFromTheCatalogAndOutputsComeBack) {
    Exec({"DROP PROCEDURE IF EXISTS tp_Dvojno",
          "CREATE PROCEDURE tp_Dvojno @A int, @B int OUTPUT AS SET @B = @A * 2 RETURN @A + 1"});
    TOEQuery q;
    q.SethDbc(&db);
    q.SetStoredProcName("tp_Dvojno");
    TOEParams& p = q.Params();
    ASSERT_EQ(p.Count(), 3);
    EXPECT_EQ(p[0].ParamType, ptResult);
    EXPECT_EQ(p[1].ParamType, ptInput);
    EXPECT_EQ(p[2].ParamType, ptInputOutput);
    EXPECT_EQ(q.StoredProcStatement(),
              "{:" + p[0].Name + " = CALL tp_Dvojno(:" + p[1].Name + ", :" + p[2].Name + ")}");
    p[1].SetValue(TVariant(4));
    q.ExecSQL();
    EXPECT_EQ(p[2].Value(), TVariant(8));
    EXPECT_EQ(p[0].Value(), TVariant(5));
    Exec({"DROP PROCEDURE tp_Dvojno"});
}

TEST_P(DataSetProcParamsTest, ADataSetDestroyedWithACallsResultsPendingClosesItWhileItsBuffersLive) {
    // The driver writes a call's outputs when its pending results are discarded: as the dataset
    // goes, that must happen before its parameter buffers are freed (AddressSanitizer watches).
    {
        TOEQuery q;
        CallLeavingAnOutputPending(q);
        EXPECT_NE(q.Params()[2].Value(), TVariant(8)) << "outputs come after the rows";
    }
    EXPECT_TRUE(db.Children().Empty());
    Exec({"DROP PROCEDURE tp_Vrstica"});
}

TEST_P(DataSetProcParamsTest, AnOutputBufferReplacedWhileACallsResultsArePendingIsUnboundFirst) {
    // The driver writes the pending call's outputs when the next execution discards its results;
    // the output's old buffer, replaced for the new type, must no longer be theirs by then
    // (AddressSanitizer watches).
    TOEQuery q;
    CallLeavingAnOutputPending(q);
    q.Params()[2].DataType = ftFloat;
    q.Params()[1].SetValue(TVariant(5));
    q.Open();
    EXPECT_EQ(q.Fields()[0].AsInteger(), 5);
    q.Close();
    Exec({"DROP PROCEDURE tp_Vrstica"});
}

} // namespace

INSTANTIATE_FOR_DRIVERS(DataSetParamsTest);
INSTANTIATE_TEST_SUITE_P(Standin, DataSetProcParamsTest,
                         ::testing::ValuesIn(DriversThat({&DriverCapabilities::TsqlProcedures})),
                         TestDriverName());
