#include "localdb/DbfNumber.h"
#include "core/Variant.h"
#include "tests/support/NumericLocale.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace tarvik;

namespace {

bool ReadsBackAs(const char* text, double v) {
    double back = 0;
    auto [p, ec] = std::from_chars(text, text + std::strlen(text), back);
    return ec == std::errc() && back == v;
}

// The rule the header states, spelled out with printf alone (in the C locale): what dBase columns
// always held.
std::string PrintfNumberText(double v, std::size_t width) {
    const TCLocaleScope c;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    if (!std::strchr(buf, 'e') && std::strlen(buf) <= width && ReadsBackAs(buf, v)) return buf;
    for (int decimals = 0; decimals <= 17; ++decimals) {
        const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
        if (n > static_cast<int>(width)) break;
        if (ReadsBackAs(buf, v)) return buf;
    }
    for (int digits = 15; digits <= 17; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*E", digits - 1, v);
        if (ReadsBackAs(buf, v) && std::strlen(buf) <= width) return buf;
    }
    for (int digits = 15; digits >= 1; --digits)
        if (std::snprintf(buf, sizeof buf, "%.*G", digits, v) <= static_cast<int>(width)) return buf;
    return "(none)";
}

std::string Text(double v, std::size_t width) {
    char buf[NumberTextSize];
    try {
        return std::string(buf, NumberText(v, width, buf));
    } catch (const EVariantError&) {
        return "(none)";
    }
}

void ExpectSameAsPrintf(double v) {
    for (std::size_t width : {20u, 11u, 6u, 3u})
        ASSERT_EQ(Text(v, width), PrintfNumberText(v, width)) << "value " << v << " width " << width;
}

} // namespace

TEST(DbfNumberTest, ShortestTextMatchesThePrintfRuleAtEveryMagnitude) {
    for (double v : {0.0,
                     -0.0,
                     1.0,
                     -1.0,
                     0.1,
                     0.3,
                     0.1 + 0.2,
                     1e-4,
                     1.5e-4,
                     9.99e-5,
                     1e-5,
                     0.00012345678901234,
                     123456789012345.0,
                     999999999999999.0,
                     1e15,
                     1e15 + 2,
                     1e16,
                     12345678901234567890.0,
                     2499.75,
                     -2499.75,
                     1.0 / 3,
                     2.0 / 3,
                     1e20,
                     1e21,
                     1e300,
                     -1e-300,
                     5e-324,
                     9007199254740993.0,
                     0.000999999999999999})
        ExpectSameAsPrintf(v);
    for (int i = 0; i < 4000; ++i)
        ExpectSameAsPrintf(i / 4.0 - 1000), ExpectSameAsPrintf(i / 100.0), ExpectSameAsPrintf(i * 1.1);
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> exponent(-8, 19);
    for (int i = 0; i < 4000; ++i) {
        const double v = std::pow(10.0, exponent(random)) * (i % 2 ? -1 : 1);
        ExpectSameAsPrintf(v);
        ExpectSameAsPrintf(std::round(v * 100) / 100);
    }
}

TEST(DbfNumberTest, NumbersWithNoExactTextInTheWidthAreRoundedToTheDigitsThatFit) {
    struct TCase {
        double Value;
        std::size_t Width;
        int Digits;
    };
    for (const TCase& c : std::vector<TCase>{{1.2345678901234567e25, 20, 15},
                                             {1.0 / 3 * 1e-10, 20, 15},
                                             {-1.2345678901234567e-300, 20, 13},
                                             {-2.0 / 3 * 1e300, 20, 13},
                                             {1.0 / 7, 6, 4},
                                             {1e300 / 7, 6, 1}}) {
        const std::string text = Text(c.Value, c.Width);
        ASSERT_LE(text.size(), c.Width) << c.Value;
        double back = 0;
        ASSERT_EQ(std::from_chars(text.data(), text.data() + text.size(), back).ec, std::errc()) << text;
        EXPECT_LE(std::fabs(back - c.Value), std::fabs(c.Value) * 5 * std::pow(10.0, -c.Digits)) << text;
        EXPECT_GT(std::fabs(back - c.Value), 0) << "exact text was available: " << text;
    }
    EXPECT_EQ(Text(1e300, 5), "(none)") << "not even one digit and its exponent fit";
}

TEST(DbfNumberTest, NumbersThatAreNotFiniteAreRefused) {
    char buf[NumberTextSize];
    EXPECT_THROW(NumberText(INFINITY, 20, buf), EVariantError);
    EXPECT_THROW(NumberText(NAN, 20, buf), EVariantError);
}

TEST(DbfNumberTest, IntegersAndDigitsAreWrittenInFull) {
    char out[8];
    PutDigits(out, 7, 4);
    PutDigits(out + 4, 2026, 4);
    EXPECT_EQ(std::string(out, 8), "00072026");
    PutDigits(out, 123, 3);
    PutDigits(out + 3, 5, 1);
    EXPECT_EQ(std::string(out, 4), "1235");
    char buf[NumberTextSize];
    for (std::int64_t v :
         {std::int64_t{0}, std::int64_t{-7}, std::int64_t{1234567890123},
          std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()})
        EXPECT_EQ(std::string(buf, IntegerText(v, buf)), std::to_string(v));
}

TEST(DbfNumberTest, PaddedDecimalsReadAsFromCharsReadsThem) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> exponent(-6, 11);
    for (int i = 0; i < 4000; ++i) {
        const double v = std::round(std::pow(10.0, exponent(random)) * 1000) / 1000 * (i % 3 ? 1 : -1);
        char buf[NumberTextSize];
        const std::string text(buf, NumberText(v, 20, buf));
        TPlainDecimal plain;
        ASSERT_TRUE(ParsePlainDecimal("   " + text + std::string(3, '\0'), plain)) << text;
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        EXPECT_EQ(plain.Double(), expected) << text;
        EXPECT_EQ(std::signbit(plain.Double()), std::signbit(expected)) << text;
        EXPECT_EQ(plain.Point, text.find('.') != std::string::npos) << text;
    }
    TPlainDecimal plain;
    ASSERT_TRUE(ParsePlainDecimal("  -123456789012345", plain));
    EXPECT_EQ(plain.Integer(), -123456789012345);
    EXPECT_FALSE(plain.Point);
}

TEST(DbfNumberTest, AnythingButAPlainPaddedDecimalIsLeftToTheLongWay) {
    TPlainDecimal plain;
    for (const char* text : {"", "    ", "+5", "5.", ".5", "1e5", "- 5", "**********", "1234567890123456",
                             "12 3", "1.2.3", "--1", "0x10", "\0 12"})
        EXPECT_FALSE(ParsePlainDecimal(text, plain)) << text;
}
