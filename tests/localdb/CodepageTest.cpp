#include "localdb/Codepage.h"

#include <gtest/gtest.h>

using namespace tarvik;

TEST(CodepageTest, SlovenianLettersMapToTheirCodePage1250Bytes) {
    EXPECT_EQ(ToCp1250("čšžČŠŽ"), "\xE8\x9A\x9E\xC8\x8A\x8E");
    EXPECT_EQ(FromCp1250("\xE8\x9A\x9E\xC8\x8A\x8E"), "čšžČŠŽ");
}

TEST(CodepageTest, EveryAssignedByteRoundTripsAndTheRestIsMarked) {
    for (int b = 0x20; b < 0x100; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::string utf8 = FromCp1250(one);
        if (b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98)
            EXPECT_EQ(utf8, "\xEF\xBF\xBD") << b;
        else
            EXPECT_EQ(ToCp1250(utf8), one) << b;
    }
}

TEST(CodepageTest, CharactersOutsideTheCodePageAndMalformedUtf8BecomeQuestionMarks) {
    EXPECT_EQ(ToCp1250("a€b"), "a\x80"
                               "b");
    EXPECT_EQ(ToCp1250("日本"), "??");
    EXPECT_EQ(ToCp1250("x\xC3"), "x?");
    EXPECT_EQ(ToCp1250("\xFF\xFE"), "??");
}

TEST(CodepageTest, LettersAnywhereInLongAsciiTextConvertInPlace) {
    const std::string ascii = "Izdelek 12345 / cena: 100 EUR";
    for (std::size_t at = 0; at <= ascii.size(); ++at) {
        const std::string utf8 = ascii.substr(0, at) + "š" + ascii.substr(at) + "Ž";
        const std::string cp = ascii.substr(0, at) + "\x9A" + ascii.substr(at) + "\x8E";
        EXPECT_EQ(ToCp1250(utf8), cp) << at;
        EXPECT_EQ(FromCp1250(cp), utf8) << at;
        EXPECT_EQ(AsciiPrefix(utf8.data(), utf8.size()), at);
    }
    EXPECT_EQ(ToCp1250(ascii), ascii);
    EXPECT_EQ(FromCp1250(ascii), ascii);
}

TEST(CodepageTest, EachCodePageMapsItsOwnLetters) {
    struct TCase {
        int Number;
        std::string Bytes, Text;
    };
    for (const TCase& c : std::vector<TCase>{{437, "\x84\x94\x81\xE1\x9D", "äöüß¥"},
                                             {850, "\x84\x94\x81\xE1\x9D", "äöüßØ"},
                                             {852, "\xAC\xE6\xA6\x9F\xE7", "ČŠŽčš"},
                                             {1250, "\xC8\x8A\x8E\xE8\x9A", "ČŠŽčš"},
                                             {1252, "\xD1\xF1\x80\xFF\x9A", "Ññ€ÿš"}}) {
        const TCodePage* page = TCodePage::Find(c.Number);
        ASSERT_NE(page, nullptr) << c.Number;
        EXPECT_EQ(page->ToUtf8(c.Bytes), c.Text) << c.Number;
        EXPECT_EQ(page->FromUtf8(c.Text), c.Bytes) << c.Number;
        EXPECT_EQ(page->FromUtf8("Ł"), c.Number == 852    ? "\x9D"
                                       : c.Number == 1250 ? "\xA3"
                                                          : "?")
            << c.Number;
    }
    EXPECT_EQ(TCodePage::Find(866), nullptr);
}
