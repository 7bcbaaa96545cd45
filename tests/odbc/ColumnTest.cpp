#include "odbc/ODBCError.h"
#include "tests/support/DriverFixture.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {
using ColumnTest = DriverTest;

// A statement positioned on the first row of a query.
struct Query {
    Query(THdbc& db, const std::string& sql, SQLINTEGER blobSize = 32768, bool deferral = false) {
        s.SethDbc(&db);
        s.SetBlobSize(blobSize);
        s.SetBlobDeferral(deferral);
        s.SetSQL(sql);
        s.Execute();
        EXPECT_TRUE(s.FetchNext());
    }
    THstmt s;
};

std::string Bytes(std::size_t n) {
    std::string b(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<char>('a' + i % 26);
    return b;
}
} // namespace

TEST_P(ColumnTest, TypedGettersOnRealColumns) {
    const std::string t = Table("i integer, si smallint, bi bigint, n numeric(10,2), d double precision, "
                                "c char(10), v varchar(20), dt date, ts " +
                                TimestampType());
    Exec({"INSERT INTO " + t +
              " VALUES (-7, 12, 9000000000, 1.5, 2.5, 'abc       ', 'čšž', '2024-02-29', '2001-02-03 "
              "04:05:06.007')",
          "INSERT INTO " + t + " VALUES (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"});
    const std::string columns = "SELECT i, si, bi, n, d, c, v, dt, ts FROM " + t;
    Query q(db, columns + " WHERE i IS NOT NULL");
    THstmt& s = q.s;
    EXPECT_EQ(s.ColInteger(1), -7);
    EXPECT_EQ(s.ColString(1), "-7");
    EXPECT_EQ(s.ColInteger(2), 12);
    EXPECT_EQ(s.ColInt64At(3, 1), 9000000000LL);
    EXPECT_EQ(s.ColString(4), " 1.50000000000000E+0000");
    EXPECT_EQ(s.ColDoubleAt(4, 1), 1.5);
    EXPECT_EQ(s.ColInteger(4), 2); // 1.5 rounds to even
    EXPECT_EQ(s.ColInteger(5), 2); // and so does 2.5
    EXPECT_EQ(s.ColString(6), "abc");
    EXPECT_EQ(s.ColString(7), "čšž");
    EXPECT_EQ(s.ColString(8), "2024-02-29");
    EXPECT_EQ(s.ColString(9), "2001-02-03 04:05:06.007000000");
    const SQL_TIMESTAMP_STRUCT ts = s.ColDateTimeAt(9, 1);
    EXPECT_EQ(ts.year, 2001);
    EXPECT_EQ(ts.fraction, 7000000u);
    EXPECT_EQ(s.ColDateTimeAt(8, 1).day, 29);
    EXPECT_EQ(s.ColCType(9), SQL_C_TYPE_TIMESTAMP);
    EXPECT_EQ(s.ColCType(4), SQL_C_DOUBLE);
    EXPECT_EQ(s.ColByName("Ts"), 9);
    EXPECT_FALSE(s.ColNull(1));

    s.SetStringTrimming(stTrimNone);
    EXPECT_EQ(s.ColString(6), "abc       ");
    s.SetStringTrimming(stTrimBoth);
    EXPECT_EQ(s.ColString(4), "1.50000000000000E+0000");

    Query nulls(db, columns + " WHERE i IS NULL");
    for (SQLUSMALLINT col = 1; col <= 9; ++col) {
        EXPECT_TRUE(nulls.s.ColNull(col)) << col;
        EXPECT_EQ(nulls.s.ColString(col), "") << col;
        EXPECT_EQ(nulls.s.ColInteger(col), 0) << col;
        EXPECT_EQ(nulls.s.ColDoubleAt(col, 1), 0.0) << col;
    }
    EXPECT_EQ(nulls.s.ColDateTimeAt(9, 1).year, 1899);
}

TEST_P(ColumnTest, MissingColumnsAndRowsReadAsNothing) {
    Query q(db, "SELECT 1 AS one");
    THstmt& s = q.s;
    EXPECT_EQ(s.ColString(0), "");
    EXPECT_EQ(s.ColString(2), "");
    EXPECT_EQ(s.ColStringAt(1, 2), "");
    EXPECT_EQ(s.ColIntegerAt(1, 0), 0);
    EXPECT_EQ(s.ColValue(5), nullptr);
    EXPECT_EQ(s.ColStream(1), nullptr);
    EXPECT_EQ(s.ColNullable(3), SQL_NULLABLE_UNKNOWN);
    EXPECT_EQ(s.ColCType(0), 0);
    s.SetColString(2, "x"); // ignored
    try {
        s.ColByName("Two");
        FAIL();
    } catch (const EVERODezuzid& e) {
        EXPECT_EQ(e.Message(), "Identifier Two not found in result set.");
    }
    EXPECT_EQ(s.ColByName("ONE"), 1);
}

TEST_P(ColumnTest, LongColumnsLargerThanBlobSizeAreReadWhole) {
    const std::string text = Bytes(100000);
    const std::string t = Table("id integer, memo text, raw " + LongBinaryType());
    std::string hex;
    for (unsigned char c : text.substr(0, 70000)) {
        static const char digits[] = "0123456789abcdef";
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    const std::string rawLiteral = BinaryLiteral(hex);
    Exec({"INSERT INTO " + t + " VALUES (1, '" + text + "', " + rawLiteral + ")",
          "INSERT INTO " + t + " VALUES (2, NULL, NULL)"});
    {
        Query q(db, "SELECT id, memo, raw FROM " + t + " ORDER BY id", 32768);
        THstmt& s = q.s;
        EXPECT_TRUE(s.ColIsBlob(2));
        EXPECT_TRUE(s.ColIsBlob(3));
        EXPECT_EQ(s.ColString(2), text);
        EXPECT_EQ(s.ColSizeAt(2, 1), 100000);
        TMemoryStream* raw = s.ColStream(3);
        ASSERT_NE(raw, nullptr);
        EXPECT_EQ(std::string(raw->Memory(), raw->Size()), text.substr(0, 70000));
        ASSERT_TRUE(s.FetchNext());
        EXPECT_TRUE(s.ColNull(2));
        EXPECT_EQ(s.ColString(2), "");
        EXPECT_EQ(s.ColStream(3)->Size(), 0u);
    }
    {
        // Deferred: nothing is read by the fetch; the first reader reads it.
        Query q(db, "SELECT id, memo FROM " + t + " ORDER BY id", 4096, true);
        THstmt& s = q.s;
        EXPECT_TRUE(s.ColNull(2));
        EXPECT_EQ(s.ColStream(2)->Size(), 100000u);
        EXPECT_FALSE(s.ColNull(2));
        EXPECT_EQ(s.ColString(2), text);
    }
}

namespace {
using RowsetLongTest = DriverTest;
} // namespace

TEST_P(RowsetLongTest, LongColumnsOfARowsetAreReadByPositioning) {
    const std::string t = TableWith("id integer, memo text", {"1, 'first'", "2, 'second'", "3, NULL"});
    THstmt s;
    Open(s, "SELECT id, memo FROM " + t + " ORDER BY id", SQL_CURSOR_STATIC, 3);
    ASSERT_TRUE(s.FetchNext());
    ASSERT_NE(s.CursorCapabilities() & SQL_CA1_POS_POSITION, 0u);
    EXPECT_EQ(StreamToText(*s.ColStreamAt(2, 2)), "second");
    EXPECT_EQ(s.ColStringAt(2, 1), "first");
    EXPECT_EQ(s.ColSizeAt(2, 1), 5); // the value read last is reported through row 1
    EXPECT_EQ(s.ColStringAt(2, 3), "");
    EXPECT_TRUE(s.ColNullAt(2, 1));
}

TEST_P(ColumnTest, SettersConvertIntoCellsWithoutRunningPast) {
    const std::string t = TableWith("id integer not null, v varchar(5), n numeric(10,2), ts " +
                                        TimestampType() + ", dt date, m text, nn varchar(5) not null",
                                    {"1, 'a', 1, '2000-01-01 00:00:00', '2000-01-01', 'memo', 'b'"});
    Query q(db, "SELECT id, v, n, ts, dt, m, nn FROM " + t);
    THstmt& s = q.s;
    s.SetColString(2, "čšžđ"); // four letters of eight bytes fit a varchar(5)
    EXPECT_EQ(s.ColString(2), "čšžđ");
    EXPECT_EQ(s.ColSizeAt(2, 1), 8);
    s.SetColString(2, "čšžđćx"); // six letters: cut after the fifth
    EXPECT_EQ(s.ColString(2), "čšžđć");
    EXPECT_EQ(s.ColSizeAt(2, 1), 10);
    s.SetColInteger(1, 77);
    EXPECT_EQ(s.ColInteger(1), 77);
    EXPECT_EQ(s.ColSizeAt(1, 1), 4);
    s.SetColInteger(1, std::int16_t{-5});
    EXPECT_EQ(s.ColInteger(1), -5);
    s.SetColInt64(1, 123);
    EXPECT_EQ(s.ColInteger(1), 123);
    s.SetColDouble(3, 2.75);
    EXPECT_EQ(s.ColDoubleAt(3, 1), 2.75);
    s.SetColString(3, "not a number"); // refused: the cell keeps its value
    EXPECT_EQ(s.ColDoubleAt(3, 1), 2.75);
    s.SetColDateTime(4, SQL_TIMESTAMP_STRUCT{2010, 11, 12, 13, 14, 15, 500000000});
    EXPECT_EQ(s.ColString(4), "2010-11-12 13:14:15.500000000");
    s.SetColDateTime(5, SQL_TIMESTAMP_STRUCT{2011, 1, 2, 3, 4, 5, 0});
    EXPECT_EQ(s.ColString(5), "2011-01-02");
    s.SetColString(6, "new memo");
    EXPECT_EQ(s.ColSizeAt(6, 1), 8);
    EXPECT_EQ(StreamToText(*s.ColStream(6)), "new memo");
    TMemoryStream other;
    other.Write("xyz", 3);
    s.SetColStream(6, other);
    EXPECT_EQ(s.ColSizeAt(6, 1), 3);
    s.SetColDouble(6, 1.0); // numeric setters leave long columns alone
    EXPECT_EQ(s.ColSizeAt(6, 1), 3);

    s.SetColNull(2, false);
    EXPECT_FALSE(s.ColNull(2));
    s.SetColNull(2, true);
    EXPECT_TRUE(s.ColNull(2));
    s.SetColIgnore(2, true);
    EXPECT_TRUE(s.ColIgnoredAt(2, 1));
    s.SetColSizeAt(2, 1, 1);
    EXPECT_FALSE(s.ColIgnoredAt(2, 1));
}

TEST_P(ColumnTest, EmptyStringToNullFollowsTheModeAndNullability) {
    const std::string t = TableWith("id integer, v varchar(5), nn varchar(5) not null", {"1, 'a', 'b'"});
    Query q(db, "SELECT v, nn FROM " + t);
    THstmt& s = q.s;
    s.SetEmptyStringToNull(enNever);
    s.SetColString(1, "");
    EXPECT_FALSE(s.ColNull(1));
    EXPECT_EQ(s.ColSizeAt(1, 1), 0);
    // The rule follows what the driver reports.
    s.SetEmptyStringToNull(enIfNullable);
    for (SQLUSMALLINT col : {1, 2}) {
        s.SetColString(col, "");
        EXPECT_EQ(s.ColNull(col), s.ColNullable(col) == SQL_NULLABLE) << col;
    }
    if (Can().ReportsNotNull) {
        EXPECT_EQ(s.ColNullable(2), SQL_NO_NULLS);
    }
    s.SetEmptyStringToNull(enAlways);
    s.SetColString(2, "");
    EXPECT_TRUE(s.ColNull(2));
    s.SetColString(2, "   "); // blanks are not empty: stored trimmed
    EXPECT_FALSE(s.ColNull(2));
    EXPECT_EQ(s.ColSizeAt(2, 1), 0);
}

INSTANTIATE_FOR_DRIVERS(ColumnTest);
INSTANTIATE_TEST_SUITE_P(Drivers, RowsetLongTest,
                         ::testing::ValuesIn(DriversThat({&DriverCapabilities::PositionInRowset})),
                         TestDriverName());

TEST_P(ColumnTest, TypedGettersOnRealTimeBitAndBinaryColumns) {
    const std::string t =
        Table("id integer, r real, tm time, b " + Sql().BitType + ", vb " + Sql().Binary8Type);
    Exec({"INSERT INTO " + t + " VALUES (1, 0.25, '04:05:06', " + Sql().TrueLiteral + ", " +
              BinaryLiteral("0a0b0c") + ")",
          "INSERT INTO " + t + " VALUES (2, NULL, NULL, NULL, NULL)"});
    Query q(db, "SELECT r, tm, b, vb FROM " + t + " ORDER BY id");
    THstmt& s = q.s;
    EXPECT_EQ(s.ColString(1), " 2.50000000000000E-0001");
    EXPECT_EQ(s.ColDoubleAt(1, 1), 0.25);
    EXPECT_EQ(s.ColCType(1), Can().FourByteReal ? SQL_C_FLOAT : SQL_C_DOUBLE) << Can().FourByteReal.WhyNot;
    EXPECT_EQ(s.ColString(2), "04:05:06");
    EXPECT_EQ(s.ColCType(2), SQL_C_TYPE_TIME);
    const SQL_TIMESTAMP_STRUCT tm = s.ColDateTimeAt(2, 1);
    EXPECT_EQ(tm.hour * 10000 + tm.minute * 100 + tm.second, 40506);
    // psqlODBC hands booleans over as characters; the value reads the same.
    EXPECT_EQ(s.ColInteger(3), 1);
    EXPECT_EQ(s.ColString(3), "1");
    std::string bytes;
    if (s.ColIsBlob(4)) { // psqlODBC describes bytea as a long binary
        TMemoryStream* stream = s.ColStream(4);
        ASSERT_NE(stream, nullptr);
        bytes.assign(stream->Memory(), stream->Size());
    } else {
        EXPECT_EQ(s.ColCType(4), SQL_C_BINARY);
        EXPECT_EQ(s.ColString(4), ""); // binary cells have no text
        bytes.assign(static_cast<const char*>(s.ColValue(4)), static_cast<std::size_t>(s.ColSizeAt(4, 1)));
    }
    EXPECT_EQ(bytes, std::string("\x0a\x0b\x0c"));
    ASSERT_TRUE(s.FetchNext());
    for (SQLUSMALLINT col = 1; col <= 4; ++col) {
        EXPECT_TRUE(s.ColNull(col)) << col;
        EXPECT_EQ(s.ColString(col), "") << col;
        EXPECT_EQ(s.ColInteger(col), 0) << col;
    }
}

TEST_P(ColumnTest, CharacterColumnsHoldTheirSizeInLettersOfAnyWidth) {
    const std::string t = TableWith("id integer, v varchar(4), c char(2)", {"1, 'čšžđ', 'žš'"});
    Query q(db, "SELECT v, c FROM " + t);
    EXPECT_EQ(q.s.ColString(1), "čšžđ");
    EXPECT_EQ(q.s.ColString(2), "žš");
}
