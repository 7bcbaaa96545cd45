#include "app/SafeSql.h"
#include "core/Exceptions.h"

#include <gtest/gtest.h>

using namespace tarvik;

TEST(SafeSql, PlainIdentifiersPassAndInjectionShapesAreRefused) {
    for (const char* ok : {"ORDERS", "dbo.Orders", "Šifrant_2", "@x", "#tmp", "a$b"})
        EXPECT_TRUE(IsPlainIdentifier(ok)) << ok;
    for (const char* bad :
         {"", "x; DROP TABLE y", "a'b", "a--b", "[t]", "a\nb", "a b", ".a", "a.", "a..b", "a)"})
        EXPECT_FALSE(IsPlainIdentifier(bad)) << bad;
}

TEST(SafeSql, LettersBeyondAsciiAreLettersAndNothingElseIs) {
    for (const char* ok : {"Čaša", "Đurđa", "Ärger", "Ωmega", "Москва", "a.Ž"})
        EXPECT_TRUE(IsPlainIdentifier(ok)) << ok;
    // Line and paragraph separators, full-width quote and semicolon, multiplication sign, a lone
    // continuation byte, a cut sequence, an overlong encoding and a four-byte symbol.
    for (const char* bad : {"a\u2028b", "a\u2029b", "a\uFF07b", "a\uFF1Bb", "a\u00D7b", "\xFF", "a\x80",
                            "a\xC4", "\xC0\xA7", "a\U0001F600"})
        EXPECT_FALSE(IsPlainIdentifier(bad)) << bad;
}

TEST(SafeSql, QuotedValuesHoldNoQuoteAndNoControlCharacter) {
    EXPECT_TRUE(IsQuotableValue("Vidrol"));
    EXPECT_TRUE(IsQuotableValue("Moja baza; 2024"));
    EXPECT_TRUE(IsQuotableValue(""));
    EXPECT_FALSE(IsQuotableValue("Vid'rol"));
    EXPECT_FALSE(IsQuotableValue("x' drop table y select '"));
    EXPECT_FALSE(IsQuotableValue("a\nb"));
    try {
        RequireQuotableValue("Vid'rol", "baze");
        ADD_FAILURE() << "a quoted value was accepted";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Ime baze ni veljavno: \"Vid'rol\"");
    }
}

TEST(SafeSql, BracketableNamesMayHoldBlanksButNoClosingBracket) {
    EXPECT_TRUE(IsBracketableName("Order Details"));
    EXPECT_TRUE(IsBracketableName("it's"));
    EXPECT_FALSE(IsBracketableName("a]; DROP TABLE y --"));
    EXPECT_FALSE(IsBracketableName("a\r\nb"));
    EXPECT_FALSE(IsBracketableName(""));
}

TEST(SafeSql, DuplicateKeyStatementKeepsTheFamiliarText) {
    int count = 0;
    EXPECT_EQ(DuplicateKeyStatement("ORDERS", "A;B", count),
              "SELECT A, B, COUNT(*) AS Stevilo FROM ORDERS GROUP BY A, B HAVING COUNT(*) > 1");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(DuplicateKeyStatement("T", "Id", count),
              "SELECT Id, COUNT(*) AS Stevilo FROM T GROUP BY Id HAVING COUNT(*) > 1");
    EXPECT_EQ(count, 1);
}

TEST(SafeSql, DuplicateKeyStatementRefusesHostileOrEmptyNames) {
    int count = 0;
    EXPECT_THROW(DuplicateKeyStatement("x; DROP TABLE y", "a", count), EDatabaseError);
    EXPECT_THROW(DuplicateKeyStatement("t", "a) FROM t; DROP TABLE y --", count), EDatabaseError);
    EXPECT_THROW(DuplicateKeyStatement("t", "a;", count), EDatabaseError);
    try {
        DuplicateKeyStatement("x; DROP TABLE y", "a", count);
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().find("x; DROP TABLE y"), std::string::npos)
            << "the message names the refused name";
    }
}
