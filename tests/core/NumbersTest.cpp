// Machine number text is the same under every locale; the suite also runs under sl_SI.UTF-8, where
// printf and strtod use a decimal comma.
#include "core/Numbers.h"
#include "core/Narrow.h"
#include "core/Text.h"
#include "core/Variant.h"

#include <gtest/gtest.h>

#include <cstddef>

using namespace tarvik;

TEST(NumbersTest, FormatAndParseUseThePointWhateverTheLocale) {
    for (double v : {3.25, -0.5, 1e-7, 12345678901234.5678, 11.2}) {
        const std::string text = FormatDouble(v);
        EXPECT_EQ(text.find(','), std::string::npos) << text;
        double back = 0;
        ASSERT_TRUE(ParseDouble(text, back)) << text;
        EXPECT_EQ(back, v);
        EXPECT_EQ(TVariant(v).AsText(), text);
        EXPECT_EQ(TVariant(text).AsDouble(), v);
    }
    EXPECT_EQ(FormatDouble(11.2), "11.2");
    EXPECT_EQ(FormatFixed(-3.256, 2), "-3.26");
    EXPECT_EQ(FormatPadded(-7, 4), "-007");
    EXPECT_EQ(FormatPadded(42, 10, ' '), "        42");
    EXPECT_EQ(FormatPadded(12345, 3), "12345");
    EXPECT_EQ(FormatScientific(1e-7, 2), "1.00e-07");
    EXPECT_EQ(FormatScientific(-1234.56, 3), "-1.235e+03");
    double v = 0;
    EXPECT_FALSE(ParseDouble("1,5", v));
    EXPECT_TRUE(ParseDouble(" +1.5 ", v));
    EXPECT_EQ(v, 1.5);
}

TEST(NumbersTest, AsciiHelpersLeaveUtf8LettersAlone) {
    EXPECT_EQ(UpperAscii("čaj in šola"), "čAJ IN šOLA");
    EXPECT_EQ(LowerAscii("ŽELVA"), "Želva");
    EXPECT_TRUE(SameTextAscii("Tabela", "TABELA"));
    EXPECT_FALSE(SameTextAscii("č", "Č"));
    EXPECT_FALSE(IsAsciiAlpha('\xC4'));
    EXPECT_TRUE(IsAsciiSpace('\r'));
    EXPECT_TRUE(IsAsciiHexDigit('f') && IsAsciiHexDigit('A') && IsAsciiHexDigit('9'));
    EXPECT_FALSE(IsAsciiHexDigit('g') || IsAsciiHexDigit('\xC4'));
}

TEST(NumbersTest, NarrowKeepsValuesThatFitAndThrowsOnTheRest) {
    EXPECT_EQ(Narrow<short>(std::size_t{32767}), 32767);
    EXPECT_EQ(Narrow<unsigned>(-0), 0u);
    EXPECT_THROW(Narrow<short>(std::size_t{32768}), Exception);
    EXPECT_THROW(Narrow<std::size_t>(-1), Exception);
}
