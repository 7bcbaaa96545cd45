#include "core/Numbers.h"
#include "odbc/ODBCError.h"
#include "tests/support/DriverFixture.h"
#include "tests/support/NumericLocale.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tarvik;

namespace {
using ParamTest = DriverTest;
using ParamByNameTest = DriverTest;
using ParamDirectionTest = DriverTest;
using ProcedureCallTest = DriverTest;

std::string Letters(std::size_t n) {
    std::string b(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<char>('a' + i % 26);
    return b;
}

SQL_TIMESTAMP_STRUCT Stamp(SQLSMALLINT year, SQLUSMALLINT month, SQLUSMALLINT day, SQLUSMALLINT hour,
                           SQLUSMALLINT minute, SQLUSMALLINT second) {
    SQL_TIMESTAMP_STRUCT ts{};
    ts.year = year;
    ts.month = month;
    ts.day = day;
    ts.hour = hour;
    ts.minute = minute;
    ts.second = second;
    return ts;
}
} // namespace

TEST_P(ParamTest, ParamByNameIgnoresCaseAndNamesTheMissingTokenInUpperCase) {
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("SELECT 1 WHERE :First = :second_2");
    ASSERT_EQ(s.ParamNames().size(), 2u);
    EXPECT_EQ(s.ParamByName("first"), 1);
    EXPECT_EQ(s.ParamByName("SECOND_2"), 2);
    try {
        s.ParamByName("third");
        FAIL() << "an unknown token was found";
    } catch (const EVERODezuzid& e) {
        EXPECT_EQ(e.Message(), "Token THIRD not found in SQL statement.");
    }
}

TEST_P(ParamTest, EveryCommonTypeSurvivesARoundTrip) {
    const std::string t =
        Table("i integer, v varchar(20), d double precision, ts " + TimestampType() + ", n integer");
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("INSERT INTO " + t + " (i, v, d, ts, n) VALUES (:i, :v, :d, :ts, :n)");
    s.Prepare();
    SQLINTEGER i = -42;
    char v[21] = "Čebelica šiš žŽ";
    double d = 2.25;
    SQL_TIMESTAMP_STRUCT ts = Stamp(2001, 2, 3, 4, 5, 6);
    s.BindParam(s.ParamByName("I"), SQL_C_SLONG, SQL_INTEGER, &i);
    // SQLite ODBC describes this marker as long text; the plain buffer must still be sent whole.
    s.BindParam(s.ParamByName("v"), SQL_C_CHAR, SQL_VARCHAR, v);
    EXPECT_EQ(s.ParamRecord(2)->SQLType, SQL_VARCHAR);
    s.BindParam(s.ParamByName("d"), SQL_C_DOUBLE, SQL_DOUBLE, &d);
    s.BindParam(s.ParamByName("ts"), SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, &ts);
    s.BindParam(s.ParamByName("n"), SQL_C_SLONG, SQL_INTEGER, nullptr);
    EXPECT_EQ(s.GetParamSize(5), SQL_NULL_DATA);
    s.Execute();
    // The same prepared statement with new values in the same buffers.
    i = 7;
    std::strcpy(v, "abc");
    s.Execute();

    THstmt q;
    Open(q, "SELECT i, v, d, ts, n FROM " + t + " ORDER BY i");
    ASSERT_TRUE(q.FetchNext());
    EXPECT_EQ(q.ColInteger(1), -42);
    EXPECT_EQ(q.ColString(2), "Čebelica šiš žŽ");
    EXPECT_EQ(q.ColDoubleAt(3, 1), 2.25);
    EXPECT_EQ(q.ColString(4).substr(0, 19), "2001-02-03 04:05:06");
    EXPECT_TRUE(q.ColNull(5));
    ASSERT_TRUE(q.FetchNext());
    EXPECT_EQ(q.ColInteger(1), 7);
    EXPECT_EQ(q.ColString(2), "abc");
    EXPECT_FALSE(q.FetchNext());
}

// The drivers run in our process and some format numbers with printf: under a comma locale the
// same numbers must still arrive and come back, from a double and from its text.
TEST_P(ParamTest, NumbersRoundTripTheSameUnderTheCAndACommaLocale) {
    const double values[] = {3.25, -0.5, 1e-7, 12345678901234.5678};
    std::vector<std::string> texts[2];
    for (int pass = 0; pass < 2; ++pass) {
        const char* locale = pass == 0 ? "C" : CommaLocale;
        const TNumericLocale numeric(locale);
        ASSERT_TRUE(numeric.Ok()) << locale << " is not generated";
        const std::string t = Table("i integer, d double precision, e double precision");
        THstmt s;
        s.SethDbc(&db);
        s.SetSQL("INSERT INTO " + t + " (i, d, e) VALUES (:i, :d, :e)");
        s.Prepare();
        SQLINTEGER i = 0;
        double d = 0;
        char e[40] = "";
        s.BindParam(1, SQL_C_SLONG, SQL_INTEGER, &i);
        s.BindParam(2, SQL_C_DOUBLE, SQL_DOUBLE, &d);
        s.BindParamMain(3, SQL_C_CHAR, 0, SQL_NULLABLE, 0, sizeof e - 1, SQL_VARCHAR, e);
        for (double v : values) {
            ++i, d = v;
            const std::string text = FormatDouble(v);
            std::memcpy(e, text.c_str(), text.size() + 1);
            s.Execute();
        }
        THstmt q;
        Open(q, "SELECT d, e FROM " + t + " ORDER BY i");
        for (double v : values) {
            double expected = v;
            if (!Can().FullDoubles) {
                ASSERT_TRUE(ParseDouble(FormatGeneral(v, 15), expected));
            }
            ASSERT_TRUE(q.FetchNext()) << locale;
            EXPECT_EQ(q.ColDoubleAt(1, 1), expected) << locale << ", written as a double";
            EXPECT_EQ(q.ColDoubleAt(2, 1), expected) << locale << ", written as text";
            texts[pass].push_back(q.ColString(1) + "|" + q.ColString(2));
        }
    }
    EXPECT_EQ(texts[1], texts[0]) << "read as text";
}

TEST_P(ParamTest, TextOfSizeTenIsBoundWithElevenBytesAndNulTerminated) {
    const std::string t = Table("v varchar(10)");
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("INSERT INTO " + t + " VALUES (:v)");
    s.Prepare();
    char v[11] = "abcdefghij";
    s.BindParamMain(1, SQL_C_CHAR, 0, SQL_NULLABLE, 0, 10, SQL_VARCHAR, v);
    ASSERT_NE(s.ParamRecord(1), nullptr);
    EXPECT_EQ(s.ParamRecord(1)->BufferLength, 11);
    EXPECT_EQ(s.GetParamSize(1), SQL_NTS);
    s.Execute();
    EXPECT_EQ(Column1("SELECT v FROM " + t), std::vector<std::string>{"abcdefghij"});

    // Unprepared, the size comes from the driver table (its "Default" row for these drivers).
    THstmt direct;
    direct.SethDbc(&db);
    direct.SetSQL("INSERT INTO " + t + " VALUES (:v)");
    char w[256] = "klm";
    direct.BindParam(1, SQL_C_CHAR, SQL_VARCHAR, w);
    EXPECT_EQ(direct.ParamRecord(1)->ColumnSize, 255);
    EXPECT_EQ(direct.ParamRecord(1)->BufferLength, 256);
    EXPECT_EQ(direct.GetParamSize(1), SQL_NTS);
    direct.Execute();
    EXPECT_EQ(Column1("SELECT v FROM " + t + " ORDER BY v"), (std::vector<std::string>{"abcdefghij", "klm"}));
}

TEST_P(ParamTest, BindingANumberAgainKeepsOneRecordWithTheNewBufferAndTypes) {
    const std::string t = Table("v varchar(10)");
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("INSERT INTO " + t + " VALUES (:v)");
    SQLINTEGER first = 5;
    char second[11] = "second";
    s.BindParam(1, SQL_C_SLONG, SQL_INTEGER, &first);
    s.BindParam(1, SQL_C_CHAR, SQL_VARCHAR, second);
    ASSERT_EQ(s.ParamCount(), 1u);
    EXPECT_EQ(s.ParamRecord(1)->CType, SQL_C_CHAR);
    EXPECT_EQ(s.ParamRecord(1)->SQLType, SQL_VARCHAR);
    EXPECT_EQ(s.ParamRecord(1)->Buffer, second);
    // Sizes stay as the first bind described them.
    EXPECT_EQ(s.ParamRecord(1)->ColumnSize, 0);
    EXPECT_EQ(s.ParamSetSize(), 1u);
    s.Execute();
    EXPECT_EQ(Column1("SELECT v FROM " + t), std::vector<std::string>{"second"});
}

TEST_P(ParamTest, LongValueInPartsGoesInBlobSizePieces) {
    const std::string t = Table("b text");
    const std::string value = Letters(70000);
    TMemoryStream stream;
    stream.Write(value.data(), value.size());
    THstmt s;
    s.SethDbc(&db);
    s.SetBlobPlacement(bpByParts);
    std::vector<SQLLEN> pieces;
    s.OnPutData = [&](THstmt*, SQLLEN bytes) { pieces.push_back(bytes); };
    s.SetSQL("INSERT INTO " + t + " VALUES (:b)");
    s.BindParamBlob(1, stream, false);
    EXPECT_EQ(s.ParamRecord(1)->Indicators[0], SQL_LEN_DATA_AT_EXEC(70000));
    EXPECT_EQ(s.GetParamSize(1), 70000);
    s.Execute();
    EXPECT_EQ(pieces, (std::vector<SQLLEN>{32768, 32768, 4464}));
    EXPECT_EQ(Column1("SELECT b FROM " + t), std::vector<std::string>{value});
}

TEST_P(ParamTest, LongValueByExecutionIsSentWithTheStatement) {
    const std::string t = Table("b text");
    const std::string value = Letters(70000);
    TMemoryStream stream;
    stream.Write(value.data(), value.size());
    THstmt s;
    s.SethDbc(&db);
    s.SetBlobPlacement(bpByExec);
    int puts = 0;
    s.OnPutData = [&](THstmt*, SQLLEN) { ++puts; };
    s.SetSQL("INSERT INTO " + t + " VALUES (:b)");
    s.BindParamBlob(1, stream, false);
    EXPECT_EQ(s.GetParamSize(1), 70000);
    s.Execute();
    EXPECT_EQ(puts, 0);
    EXPECT_EQ(Column1("SELECT b FROM " + t), std::vector<std::string>{value});
}

TEST_P(ParamTest, EmptyStreamBindsNull) {
    const std::string t = Table("k integer, b text");
    TMemoryStream empty;
    for (TBlobPlacement placement : {bpByParts, bpByExec}) {
        THstmt s;
        s.SethDbc(&db);
        s.SetBlobPlacement(placement);
        s.SetSQL("INSERT INTO " + t + " VALUES (1, :b)");
        s.BindParamBlob(1, empty, false);
        EXPECT_EQ(s.GetParamSize(1), SQL_NULL_DATA);
        s.Execute();
    }
    EXPECT_EQ(Column1("SELECT Count(*) FROM " + t + " WHERE b IS NULL"), std::vector<std::string>{"2"});
}

TEST_P(ParamDirectionTest, ParamTypeAppliesToOneBindAndIgnoresUnknownDirections) {
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("SELECT :a, :b, :c");
    SQLINTEGER a = 1, b = 2, c = 3;
    s.SetParamType(3);
    s.BindParam(1, SQL_C_SLONG, SQL_INTEGER, &a);
    EXPECT_EQ(s.ParamRecord(1)->Direction, SQL_PARAM_INPUT);
    s.SetParamType(SQL_PARAM_OUTPUT);
    s.SetParamType(3);
    s.BindParam(2, SQL_C_SLONG, SQL_INTEGER, &b);
    EXPECT_EQ(s.ParamRecord(2)->Direction, SQL_PARAM_OUTPUT);
    s.BindParam(3, SQL_C_SLONG, SQL_INTEGER, &c);
    EXPECT_EQ(s.ParamRecord(3)->Direction, SQL_PARAM_INPUT);
}

TEST_P(ProcedureCallTest, CallTextBindsEveryDirectionAndFillsTheBuffersAfterTheResults) {
    Exec({"DROP PROCEDURE IF EXISTS tp_Klic",
          "CREATE PROCEDURE tp_Klic @A int, @B varchar(20) OUTPUT, @C int OUTPUT AS SELECT @A AS A "
          "SET @C = @A * 3 SET @B = upper(@B) RETURN @A + 1"});
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("{:R = CALL tp_Klic(:A, :B, :C)}");
    s.Prepare();
    SQLINTEGER r = -1, a = 4, c = -1;
    char b[256] = "abc"; // as large as the driver table's varchar size
    s.SetParamType(SQL_PARAM_OUTPUT);
    s.BindParam(s.ParamByName("R"), SQL_C_SLONG, SQL_INTEGER, &r);
    s.BindParam(s.ParamByName("A"), SQL_C_SLONG, SQL_INTEGER, &a);
    s.SetParamType(SQL_PARAM_INPUT_OUTPUT);
    s.BindParam(s.ParamByName("B"), SQL_C_CHAR, SQL_VARCHAR, b);
    s.SetParamType(SQL_PARAM_OUTPUT);
    s.BindParam(s.ParamByName("C"), SQL_C_SLONG, SQL_INTEGER, &c);
    s.Execute();
    ASSERT_TRUE(s.FetchNext());
    EXPECT_EQ(s.ColInteger(1), 4);
    EXPECT_EQ(r, -1) << "outputs follow the last result";
    EXPECT_FALSE(s.MoreResults());
    EXPECT_EQ(r, 5);
    EXPECT_EQ(c, 12);
    EXPECT_STREQ(b, "ABC");
    EXPECT_EQ(s.GetParamSize(s.ParamByName("B")), 3);

    // Executed again with another input: the same bindings receive the new outputs.
    a = 10;
    std::strcpy(b, "x");
    s.SetParamSize(s.ParamByName("B"), SQL_NTS);
    s.Execute();
    s.CloseCursor();
    EXPECT_EQ(r, 11);
    EXPECT_EQ(c, 30);
    EXPECT_STREQ(b, "X");
    Exec({"DROP PROCEDURE tp_Klic"});
}

TEST_P(ProcedureCallTest, AReturnValueWithoutResultsIsThereAtOnce) {
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("{:R = CALL SteviloStrank(:Posta)}");
    SQLINTEGER r = -1, posta = 1000;
    s.SetParamType(SQL_PARAM_OUTPUT);
    s.BindParam(1, SQL_C_SLONG, SQL_INTEGER, &r);
    s.BindParam(2, SQL_C_SLONG, SQL_INTEGER, &posta);
    s.Execute();
    EXPECT_EQ(r, 2);
    s.SetSQL("{CALL SeznamArtiklov}");
    s.Execute();
    std::vector<std::string> codes;
    while (s.FetchNext())
        codes.push_back(s.ColString(1));
    EXPECT_EQ(codes.size(), 5u);
    EXPECT_EQ(codes.front(), "MED-01");
}

TEST_P(ParamTest, SetParamSizeKeepsTheExecutionMarkingAndCloseFreesTheRecords) {
    THstmt s;
    s.SethDbc(&db);
    s.SetBlobPlacement(bpByParts);
    s.SetSQL("SELECT :a");
    char data[8] = "abc";
    s.BindParam(1, SQL_C_CHAR, SQL_LONGVARCHAR, data);
    s.SetParamSize(1, 3);
    EXPECT_EQ(s.ParamRecord(1)->Indicators[0], SQL_LEN_DATA_AT_EXEC(3));
    s.SetParamSize(1, SQL_NULL_DATA);
    EXPECT_EQ(s.GetParamSize(1), SQL_NULL_DATA);
    s.SetParamSize(9, 5); // unbound: nothing happens
    EXPECT_EQ(s.GetParamSize(9), 0);
    s.Close();
    EXPECT_EQ(s.ParamCount(), 0u);
    EXPECT_EQ(s.ParamSetSize(), 0u);
}

TEST_P(ParamTest, AnArrayInsertsOneRowPerElementAlsoAfterASingleValueBind) {
    const std::string t = Table("i integer, v varchar(10)");
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("INSERT INTO " + t + " VALUES (:i, :v)");
    SQLINTEGER one = 7;
    char single[11] = "x";
    s.BindParam(1, SQL_C_SLONG, SQL_INTEGER, &one);
    s.BindParam(2, SQL_C_CHAR, SQL_VARCHAR, single);
    SQLINTEGER numbers[3] = {1, 2, 3};
    char texts[3][256] = {"a", "bb", "ccc"};
    s.BindParamMain(1, SQL_C_SLONG, 3, SQL_NULLABLE, 0, 0, SQL_INTEGER, numbers);
    s.BindParamMain(2, SQL_C_CHAR, 3, SQL_NULLABLE, 0, 10, SQL_VARCHAR, texts);
    ASSERT_EQ(s.ParamRecord(1)->Indicators.size(), 3u);
    s.Execute();
    EXPECT_EQ(Column1("SELECT v FROM " + t + " ORDER BY i"), (std::vector<std::string>{"a", "bb", "ccc"}));
}

TEST_P(ParamTest, RowCountQueryCarriesTheParameters) {
    const std::string t = TableWith("i integer", {"1", "2", "3", "4", "5"});
    THstmt s;
    s.SethDbc(&db);
    s.SetRowCountMethod(rcSelect);
    s.SetSQL("SELECT i FROM " + t + " WHERE i > :lo ORDER BY i");
    s.Prepare();
    SQLINTEGER lo = 2;
    s.BindParam(s.ParamByName("lo"), SQL_C_SLONG, SQL_INTEGER, &lo);
    s.Execute();
    EXPECT_EQ(s.RowCount(), 3);
    s.SetRowCountMethod(rcTraverse);
    EXPECT_EQ(s.RowCount(), 3);
}

TEST_P(ParamByNameTest, BindByNameTakesSizesFromTheDriverTable) {
    THstmt s;
    s.SethDbc(&db);
    s.SetBindByName(true);
    s.SetSQL("SELECT :stamp");
    s.Prepare();
    SQL_TIMESTAMP_STRUCT ts = Stamp(2020, 1, 2, 3, 4, 5);
    s.BindParam(s.ParamByName("stamp"), SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, &ts);
    EXPECT_EQ(s.ParamRecord(1)->SQLType, SQL_TYPE_TIMESTAMP);
    EXPECT_EQ(s.ParamRecord(1)->ColumnSize, 19);
    EXPECT_EQ(s.ParamRecord(1)->Nullable, SQL_NULLABLE_UNKNOWN);
}

INSTANTIATE_TEST_SUITE_P(Drivers, ParamTest,
                         ::testing::Values(TestDriverLabelled("Standin"), TestDriverLabelled("Sqlite"),
                                           TestDriverLabelled("Postgres")),
                         TestDriverName());
INSTANTIATE_TEST_SUITE_P(Drivers, ParamDirectionTest,
                         ::testing::Values(TestDriverLabelled("Standin"), TestDriverLabelled("Sqlite"),
                                           TestDriverLabelled("Postgres")),
                         TestDriverName());
INSTANTIATE_TEST_SUITE_P(Drivers, ProcedureCallTest,
                         ::testing::ValuesIn(DriversThat({&DriverCapabilities::TsqlProcedures,
                                                          &DriverCapabilities::DemoProcedures})),
                         TestDriverName());
// psqlODBC never frees the names set on its implementation parameter descriptor, which the leak
// checker of the sanitizer build reports; naming is checked where the driver cleans up.
INSTANTIATE_TEST_SUITE_P(Drivers, ParamByNameTest, ::testing::Values(TestDriverLabelled("Sqlite")),
                         TestDriverName());
