#include "odbc/ValueConvert.h"
#include "tests/support/NumericLocale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

using namespace tarvik;

namespace {
template <typename T> std::string Text(T value, SQLSMALLINT cType, TStringTrimming mode = stTrimTrailing) {
    return ValueToText(&value, sizeof value, cType, mode);
}

bool SameStamp(const SQL_TIMESTAMP_STRUCT& a, const SQL_TIMESTAMP_STRUCT& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
} // namespace

TEST(ValueToText, RealsUseTheTwentyThreeCharacterFormat) {
    EXPECT_EQ(FormatReal(1.5), " 1.50000000000000E+0000");
    EXPECT_EQ(FormatReal(-0.000123), "-1.23000000000000E-0004");
    EXPECT_EQ(FormatReal(0.0), " 0.00000000000000E+0000");
    EXPECT_EQ(FormatReal(6.02214076e123), " 6.02214076000000E+0123");
    EXPECT_EQ(FormatReal(1.5).size(), 23u);
    EXPECT_EQ(Text(1.5, SQL_C_DOUBLE), " 1.50000000000000E+0000");
    EXPECT_EQ(Text(1.5, SQL_C_DOUBLE, stTrimBoth), "1.50000000000000E+0000");
    EXPECT_EQ(Text(2.25f, SQL_C_FLOAT, stTrimLeading), "2.25000000000000E+0000");
}

TEST(ValueToText, RealFormatMatchesCorrectRoundingToFifteenDigits) {
    // The reference: the C library's correctly rounded %.14E, exponent widened to four digits.
    auto reference = [](double v) {
        const TCLocaleScope c;
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.14E", std::fabs(v));
        std::string s = buf;
        const std::size_t e = s.find('E');
        std::string exponent = s.substr(e + 2);
        while (exponent.size() < 4)
            exponent = "0" + exponent;
        return (std::signbit(v) ? "-" : " ") + s.substr(0, e + 2) + exponent;
    };
    std::mt19937_64 random(20240229);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-300, 300);
    for (int i = 0; i < 20000; ++i) {
        const double v = std::ldexp(mantissa(random), exponent(random));
        ASSERT_EQ(FormatReal(v), reference(v)) << v;
        const double decimal = std::round(mantissa(random) * 1e4) / 100; // few digits: the padded path
        ASSERT_EQ(FormatReal(decimal), reference(decimal)) << decimal;
    }
    for (double v : {0.1, 1e-310, 9.999999999999995, 123456789012345678.0, 5e-324, 1.7976931348623157e308})
        EXPECT_EQ(FormatReal(v), reference(v)) << v;
}

TEST(ValueToText, DatesTimesAndTimestampsArePaddedWithNineFractionDigits) {
    EXPECT_EQ(Text(SQL_TIMESTAMP_STRUCT{2001, 2, 3, 4, 5, 6, 7000000}, SQL_C_TYPE_TIMESTAMP),
              "2001-02-03 04:05:06.007000000");
    EXPECT_EQ(Text(SQL_DATE_STRUCT{2024, 12, 9}, SQL_C_TYPE_DATE), "2024-12-09");
    EXPECT_EQ(Text(SQL_TIME_STRUCT{7, 8, 9}, SQL_C_TYPE_TIME), "07:08:09");
    EXPECT_EQ(Text(SQL_DATE_STRUCT{5, 1, 1}, SQL_C_TYPE_DATE), "05-01-01");
}

TEST(ValueToText, IntegersBySignednessAndBigintsAsSigned) {
    EXPECT_EQ(Text<std::uint8_t>(200, SQL_C_UTINYINT), "200");
    EXPECT_EQ(Text<std::int8_t>(-56, SQL_C_STINYINT), "-56");
    EXPECT_EQ(Text<std::uint16_t>(65535, SQL_C_USHORT), "65535");
    EXPECT_EQ(Text<std::int16_t>(-1, SQL_C_SSHORT), "-1");
    EXPECT_EQ(Text<std::uint32_t>(4000000000u, SQL_C_ULONG), "4000000000");
    EXPECT_EQ(Text<std::int32_t>(-7, SQL_C_SLONG), "-7");
    EXPECT_EQ(Text<std::uint64_t>(~0ull, SQL_C_UBIGINT), "-1");
    EXPECT_EQ(Text<std::uint8_t>(1, SQL_C_BIT), "1");
    EXPECT_EQ(Text<std::int32_t>(5, SQL_C_BINARY), "");
}

TEST(ValueToText, CharacterCellsStopAtTheirNulOrTheirEnd) {
    const char padded[11] = "abc       ";
    EXPECT_EQ(ValueToText(padded, sizeof padded, SQL_C_CHAR, stTrimTrailing), "abc");
    EXPECT_EQ(ValueToText(padded, sizeof padded, SQL_C_CHAR, stTrimNone), "abc       ");
    const char unterminated[4] = {'w', 'x', 'y', 'z'};
    EXPECT_EQ(ValueToText(unterminated, sizeof unterminated, SQL_C_CHAR, stTrimNone), "wxyz");
}

TEST(TrimText, RemovesControlCharactersAndBlanksAtTheChosenEnds) {
    const std::string t = "\t a b\r\n ";
    EXPECT_EQ(TrimText(t, stTrimNone), t);
    EXPECT_EQ(TrimText(t, stTrimTrailing), "\t a b");
    EXPECT_EQ(TrimText(t, stTrimLeading), "a b\r\n ");
    EXPECT_EQ(TrimText(t, stTrimBoth), "a b");
    EXPECT_EQ(TrimText("   ", stTrimBoth), "");
}

TEST(TextToValue, CharacterCellsCutAtACharacterBoundary) {
    char cell[6];
    SQLLEN stored = -99;
    // "čšž" is six bytes; five fit before the NUL, which would split "ž": only "čš" is stored.
    EXPECT_TRUE(TextToValue("čšž", cell, sizeof cell, SQL_C_CHAR, stTrimNone, &stored));
    EXPECT_STREQ(cell, "čš");
    EXPECT_EQ(stored, 4);
    EXPECT_TRUE(TextToValue("abcdefgh", cell, sizeof cell, SQL_C_CHAR, stTrimNone, &stored));
    EXPECT_STREQ(cell, "abcde");
    EXPECT_EQ(stored, 5);
    EXPECT_TRUE(TextToValue("  x  ", cell, sizeof cell, SQL_C_CHAR, stTrimBoth, &stored));
    EXPECT_STREQ(cell, "x");
    EXPECT_EQ(stored, 1);
    char bin[3];
    EXPECT_TRUE(TextToValue("abcd", bin, sizeof bin, SQL_C_BINARY, stTrimNone, &stored));
    EXPECT_EQ(std::string(bin, 3), "abc");
    EXPECT_EQ(stored, 3);
}

TEST(TextToValue, LetterCountsTakeWholeCharactersOfAnyWidth) {
    EXPECT_EQ(Utf8CharsLength("abc", 2), 2u);
    EXPECT_EQ(Utf8CharsLength("čšž", 2), 4u);
    EXPECT_EQ(Utf8CharsLength("a\xE2\x82\xAC b", 2), 4u); // a and the three-byte euro sign
    EXPECT_EQ(Utf8CharsLength("čš", 5), 4u);
    EXPECT_EQ(Utf8CharsLength("", 3), 0u);
    EXPECT_EQ(Utf8CharsLength("abc", 0), 0u);
}

TEST(TextToValue, Utf8CutNeverSplitsACharacter) {
    EXPECT_EQ(Utf8CutLength("abc", 5), 3u);
    EXPECT_EQ(Utf8CutLength("a\xE2\x82\xAC", 3), 1u); // the euro sign needs three bytes
    EXPECT_EQ(Utf8CutLength("a\xE2\x82\xAC", 4), 4u);
    EXPECT_EQ(Utf8CutLength("\xF0\x9F\x98\x80z", 2), 0u);
}

TEST(TextToValue, NumbersParseIntoTheCellWidthAndRefuseWhatDoesNotFit) {
    double d = 0;
    EXPECT_TRUE(TextToValue(" 1.50000000000000E+0000", &d, sizeof d, SQL_C_DOUBLE, stTrimTrailing));
    EXPECT_EQ(d, 1.5);
    EXPECT_TRUE(TextToValue("-2.5e3", &d, sizeof d, SQL_C_DOUBLE, stTrimNone));
    EXPECT_EQ(d, -2500);
    EXPECT_FALSE(TextToValue("1,5", &d, sizeof d, SQL_C_DOUBLE, stTrimNone));
    float f = 0;
    EXPECT_TRUE(TextToValue("0.25", &f, sizeof f, SQL_C_FLOAT, stTrimNone));
    EXPECT_EQ(f, 0.25f);
    std::int16_t s = 7;
    EXPECT_TRUE(TextToValue("-32768", &s, sizeof s, SQL_C_SSHORT, stTrimNone));
    EXPECT_EQ(s, -32768);
    EXPECT_FALSE(TextToValue("40000", &s, sizeof s, SQL_C_SSHORT, stTrimNone));
    EXPECT_EQ(s, -32768); // unchanged
    std::uint32_t u = 0;
    EXPECT_TRUE(TextToValue("4000000000", &u, sizeof u, SQL_C_ULONG, stTrimNone));
    EXPECT_EQ(u, 4000000000u);
    EXPECT_FALSE(TextToValue("-1", &u, sizeof u, SQL_C_ULONG, stTrimNone));
    std::int64_t big = 0;
    SQLLEN stored = 0;
    EXPECT_TRUE(TextToValue("-9000000000", &big, sizeof big, SQL_C_SBIGINT, stTrimNone, &stored));
    EXPECT_EQ(big, -9000000000LL);
    EXPECT_EQ(stored, 8);
    std::int32_t i = 0;
    EXPECT_FALSE(TextToValue("12abc", &i, sizeof i, SQL_C_SLONG, stTrimNone));
    EXPECT_FALSE(TextToValue("", &i, sizeof i, SQL_C_SLONG, stTrimNone));
    EXPECT_FALSE(TextToValue("1", &i, sizeof i, 999, stTrimNone));
}

TEST(TextToValue, OnlyDecimalTextsAreNumbers) {
    double d = 3;
    for (const char* text : {"inf", "-infinity", "nan", "+-5", "++5", "-", "+", "e5", "0x10"})
        EXPECT_FALSE(TextToValue(text, &d, sizeof d, SQL_C_DOUBLE, stTrimNone)) << text;
    EXPECT_EQ(d, 3); // unchanged
    EXPECT_TRUE(TextToValue("+.5", &d, sizeof d, SQL_C_DOUBLE, stTrimNone));
    EXPECT_EQ(d, 0.5);
    std::int32_t i = 0;
    EXPECT_FALSE(TextToValue("+-5", &i, sizeof i, SQL_C_SLONG, stTrimNone));
    EXPECT_TRUE(TextToValue("+5", &i, sizeof i, SQL_C_SLONG, stTrimNone));
    EXPECT_EQ(i, 5);
    EXPECT_EQ(ValueToDouble("inf", 3, SQL_C_CHAR), 0.0);
    EXPECT_EQ(ValueToInteger("+-7", 3, SQL_C_CHAR), 0);
}

TEST(TextToValue, DateTimeTextsNeedTheirFixedLayout) {
    SQL_TIMESTAMP_STRUCT ts = DefaultTimestamp();
    EXPECT_TRUE(
        TextToValue("2001-02-03 04:05:06.007000000", &ts, sizeof ts, SQL_C_TYPE_TIMESTAMP, stTrimNone));
    EXPECT_TRUE(SameStamp(ts, SQL_TIMESTAMP_STRUCT{2001, 2, 3, 4, 5, 6, 7000000}));
    // Fewer fraction digits are still a decimal fraction of a second.
    EXPECT_TRUE(TextToValue("2001-02-03 04:05:06.5", &ts, sizeof ts, SQL_C_TYPE_TIMESTAMP, stTrimNone));
    EXPECT_EQ(ts.fraction, 500000000u);
    // Without a fraction the text is too short: false and nothing stored.
    EXPECT_FALSE(TextToValue("2009-09-09 09:09:09", &ts, sizeof ts, SQL_C_TYPE_TIMESTAMP, stTrimNone));
    EXPECT_EQ(ts.year, 2001);
    EXPECT_FALSE(TextToValue("2001-02-03 04:05:0x.1", &ts, sizeof ts, SQL_C_TYPE_TIMESTAMP, stTrimNone));
    SQL_DATE_STRUCT d{};
    EXPECT_TRUE(TextToValue("1999-12-31", &d, sizeof d, SQL_C_TYPE_DATE, stTrimNone));
    EXPECT_EQ(d.year, 1999);
    EXPECT_EQ(d.month, 12);
    EXPECT_EQ(d.day, 31);
    EXPECT_FALSE(TextToValue("1999-12-3", &d, sizeof d, SQL_C_TYPE_DATE, stTrimNone));
    SQL_TIME_STRUCT t{};
    EXPECT_TRUE(TextToValue("23:59:58", &t, sizeof t, SQL_C_TYPE_TIME, stTrimNone));
    EXPECT_EQ(t.hour, 23);
    EXPECT_EQ(t.second, 58);
    EXPECT_FALSE(TextToValue("23:59", &t, sizeof t, SQL_C_TYPE_TIME, stTrimNone));
}

TEST(ValueToInteger, RealsRoundHalvesToEvenAndSaturate) {
    const double cases[][2] = {{1.5, 2}, {2.5, 2}, {-2.5, -2}, {3.5, 4}, {2.4999, 2}, {-0.6, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(ValueToInteger(&c[0], 8, SQL_C_DOUBLE), c[1]) << c[0];
    const double huge = 1e12;
    EXPECT_EQ(ValueToInteger(&huge, 8, SQL_C_DOUBLE), 2147483647);
    const float half = 0.5f;
    EXPECT_EQ(ValueToInteger(&half, 4, SQL_C_FLOAT), 0);
}

TEST(ValueToInteger, TextIntegersAndWideTypes) {
    const char text[] = "  -42 ";
    EXPECT_EQ(ValueToInteger(text, sizeof text, SQL_C_CHAR), -42);
    EXPECT_EQ(ValueToInteger("x1", 3, SQL_C_CHAR), 0);
    const std::int64_t big = 0x100000005LL;
    EXPECT_EQ(ValueToInteger(&big, 8, SQL_C_SBIGINT), 5); // the low 32 bits
    EXPECT_EQ(ValueToInt64(&big, 8, SQL_C_SBIGINT), big);
    const std::int16_t small = -3;
    EXPECT_EQ(ValueToInt64(&small, 2, SQL_C_SSHORT), -3);
    const SQL_DATE_STRUCT date{2000, 1, 1};
    EXPECT_EQ(ValueToInteger(&date, sizeof date, SQL_C_TYPE_DATE), 0);
}

TEST(ValueToDouble, TextRealsAndIntegers) {
    EXPECT_EQ(ValueToDouble(" 2.5e1 ", 8, SQL_C_CHAR), 25.0);
    EXPECT_EQ(ValueToDouble("nope", 5, SQL_C_CHAR), 0.0);
    const std::uint32_t u = 4000000000u;
    EXPECT_EQ(ValueToDouble(&u, 4, SQL_C_ULONG), 4000000000.0);
    const std::uint64_t neg = ~0ull;
    EXPECT_EQ(ValueToDouble(&neg, 8, SQL_C_UBIGINT), -1.0);
    const std::uint8_t bin[4] = {1, 2, 3, 4};
    EXPECT_EQ(ValueToDouble(bin, 4, SQL_C_BINARY), 0.0);
}

TEST(ValueToTimestamp, FillsOnlyThePartsTheCellHas) {
    const SQL_DATE_STRUCT d{2020, 5, 6};
    EXPECT_TRUE(
        SameStamp(ValueToTimestamp(&d, SQL_C_TYPE_DATE), SQL_TIMESTAMP_STRUCT{2020, 5, 6, 0, 0, 0, 0}));
    const SQL_TIME_STRUCT t{1, 2, 3};
    EXPECT_TRUE(
        SameStamp(ValueToTimestamp(&t, SQL_C_TYPE_TIME), SQL_TIMESTAMP_STRUCT{1899, 12, 30, 1, 2, 3, 0}));
    const double x = 5;
    EXPECT_TRUE(SameStamp(ValueToTimestamp(&x, SQL_C_DOUBLE), DefaultTimestamp()));
}

TEST(StreamToText, StopsAtTheFirstNulAndHandlesEmptyStreams) {
    TMemoryStream s;
    EXPECT_EQ(StreamToText(s), "");
    s.Write("abc", 3);
    EXPECT_EQ(StreamToText(s), "abc");
    s.Write("\0def", 4);
    EXPECT_EQ(StreamToText(s), "abc");
}

TEST(CTypes, SizesAndSqlTypes) {
    EXPECT_EQ(CTypeSize(SQL_C_CHAR), 256u);
    EXPECT_EQ(CTypeSize(SQL_C_TYPE_TIMESTAMP), 16u);
    EXPECT_EQ(CTypeSize(SQL_C_TYPE_DATE), 6u);
    EXPECT_EQ(CTypeSize(SQL_C_SBIGINT), 8u);
    EXPECT_EQ(CTypeSize(SQL_C_BIT), 1u);
    EXPECT_EQ(CTypeSize(12345), 0u);
    EXPECT_EQ(CTypeToSQLType(SQL_C_USHORT), SQL_SMALLINT);
    EXPECT_EQ(CTypeToSQLType(SQL_C_FLOAT), SQL_REAL);
    EXPECT_EQ(CTypeToSQLType(SQL_C_UBIGINT), SQL_BIGINT);
    EXPECT_EQ(CTypeToSQLType(SQL_C_TYPE_TIME), SQL_TYPE_TIME);
    EXPECT_EQ(CTypeToSQLType(SQL_C_WCHAR), 99);
}
