// The demo data source as Tarvik's first start reaches it: DSN VidrolDemo, login sa, on the tests'
// own copy of the demo server (made from the same script as the one a person edits).
#include "tests/standin/StandinTestSupport.h"

#include <gtest/gtest.h>

using namespace tarvik;

using namespace standin_test;

namespace {

class DemoDataSource : public ::testing::Test {
protected:
    void SetUp() override {
        SQLRETURN rc = Db.DriverConnect("DSN=VidrolDemo;UID=sa;");
        ASSERT_TRUE(SQL_SUCCEEDED(rc)) << FirstDiag(SQL_HANDLE_DBC, Db.Handle());
    }
    Connection Db;
};

// The whole of a long column of the current row, read in small parts.
std::string LongValue(SQLHSTMT h, SQLUSMALLINT column, SQLSMALLINT ctype, bool& isNull) {
    std::string value;
    char part[64];
    SQLLEN ind = 0;
    SQLRETURN rc;
    isNull = false;
    while ((rc = SQLGetData(h, column, ctype, part, sizeof part, &ind)) != SQL_NO_DATA) {
        EXPECT_TRUE(SQL_SUCCEEDED(rc)) << FirstDiag(SQL_HANDLE_STMT, h);
        if (!SQL_SUCCEEDED(rc)) break;
        if (ind == SQL_NULL_DATA) {
            isNull = true;
            break;
        }
        size_t room = ctype == SQL_C_CHAR ? sizeof part - 1 : sizeof part;
        value.append(part, ind == SQL_NO_TOTAL ? room : std::min(room, static_cast<size_t>(ind)));
        if (rc == SQL_SUCCESS) break;
    }
    return value;
}

SQLSMALLINT SqlType(SQLHSTMT h, SQLUSMALLINT column) {
    SQLSMALLINT type = 0;
    SQLDescribeCol(h, column, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr);
    return type;
}

} // namespace

TEST_F(DemoDataSource, IsTheTestsOwnCopyOfTheDemoServer) {
    Statement st(Db);
    EXPECT_EQ(st.Query("select @@servername").at(0).at(0), "VIDROL");
    char database[64] = {0};
    SQLINTEGER length = 0;
    ASSERT_TRUE(SQL_SUCCEEDED(
        SQLGetConnectAttr(Db.Handle(), SQL_ATTR_CURRENT_CATALOG, database, sizeof database, &length)));
    EXPECT_STREQ(database, "Vidrol");
    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("exec sp_helpdb @dbname=N'Vidrol'"))) << st.Diag();
    ASSERT_EQ(SQLMoreResults(st.Handle()), SQL_SUCCESS);
    auto files = st.FetchAll();
    ASSERT_FALSE(files.empty());
    EXPECT_NE(files[0][2].value_or("").find("/servers/tests/VIDROL/"), std::string::npos) << *files[0][2];
}

TEST_F(DemoDataSource, DocumentsHoldSlovenianTextAndAnImage) {
    Statement st(Db);
    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("select Id, Naslov, Vsebina, Slika from Dokumenti order by Id")))
        << st.Diag();
    EXPECT_EQ(SqlType(st.Handle(), 3), SQL_LONGVARCHAR);
    EXPECT_EQ(SqlType(st.Handle(), 4), SQL_LONGVARBINARY);

    const std::string png = "\x89PNG\r\n\x1a\n";
    struct Expected {
        std::string Title;
        std::optional<std::string> TextPart; // nullopt: NULL
        bool HasImage;
    };
    const std::vector<Expected> expected = {
        {"Splošni pogoji", "Čebele, šipek in žajbelj so naši zaščitni znaki.", true},
        {"Cenik 2024", "Cene veljajo od 1. januarja 2024 do preklica.", false},
        {"Prazen dokument", std::nullopt, false}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.Title);
        ASSERT_EQ(SQLFetch(st.Handle()), SQL_SUCCESS) << st.Diag();
        bool isNull = false;
        EXPECT_EQ(LongValue(st.Handle(), 2, SQL_C_CHAR, isNull), e.Title);
        std::string text = LongValue(st.Handle(), 3, SQL_C_CHAR, isNull);
        EXPECT_EQ(isNull, !e.TextPart);
        if (e.TextPart) {
            EXPECT_NE(text.find(*e.TextPart), std::string::npos) << text;
        }
        std::string image = LongValue(st.Handle(), 4, SQL_C_BINARY, isNull);
        EXPECT_EQ(isNull, !e.HasImage);
        if (e.HasImage) {
            EXPECT_EQ(image.size(), 29u);
            EXPECT_EQ(image.substr(0, png.size()), png);
        }
    }
    EXPECT_EQ(SQLFetch(st.Handle()), SQL_NO_DATA);
}
