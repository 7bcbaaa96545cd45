// Column descriptions, typed values, long values in parts, row arrays, catalog
// functions and what the driver says about itself.
#include "odbc/SqlChars.h"
#include "tests/standin/StandinTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <map>

using namespace tarvik;

using namespace standin_test;

namespace {

class Results : public ::testing::Test {
protected:
    void SetUp() override { Db.ConnectTest(); }
    Connection Db;
};

struct Described {
    std::string Name;
    SQLSMALLINT Type;
    SQLULEN Size;
    SQLSMALLINT Digits;
};

Described Describe(SQLHSTMT h, SQLUSMALLINT column) {
    SQLCHAR name[128] = {0};
    SQLSMALLINT len = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    SQLDescribeCol(h, column, name, sizeof name, &len, &type, &size, &digits, &nullable);
    return {reinterpret_cast<char*>(name), type, size, digits};
}

SQLLEN NumericAttribute(SQLHSTMT h, SQLUSMALLINT column, SQLUSMALLINT field) {
    SQLLEN v = -99;
    SQLColAttribute(h, column, field, nullptr, 0, nullptr, &v);
    return v;
}

std::string TextAttribute(SQLHSTMT h, SQLUSMALLINT column, SQLUSMALLINT field) {
    char buf[256] = {0};
    SQLSMALLINT len = 0;
    SQLColAttribute(h, column, field, buf, sizeof buf, &len, nullptr);
    return buf;
}

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

} // namespace

TEST_F(Results, ColumnsAreDescribedFromTheirDeclaredTypes) {
    Statement st(Db);
    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("select * from Tipi order by Id"))) << st.Diag();
    const std::vector<Described> expected = {{"Id", SQL_INTEGER, 10, 0},
                                             {"Si", SQL_SMALLINT, 5, 0},
                                             {"Ti", SQL_TINYINT, 3, 0},
                                             {"Bi", SQL_BIGINT, 19, 0},
                                             {"B", SQL_BIT, 1, 0},
                                             {"R", SQL_REAL, 24, 0},
                                             {"F", SQL_FLOAT, 53, 0},
                                             {"D", SQL_DECIMAL, 10, 2},
                                             {"N", SQL_NUMERIC, 8, 3},
                                             {"M", SQL_DECIMAL, 19, 4},
                                             {"C", SQL_CHAR, 5, 0},
                                             {"Vc", SQL_VARCHAR, 20, 0},
                                             {"Nc", SQL_WCHAR, 5, 0},
                                             {"Nvc", SQL_WVARCHAR, 20, 0},
                                             {"T", SQL_LONGVARCHAR, 2147483647, 0},
                                             {"Nt", SQL_WLONGVARCHAR, 1073741823, 0},
                                             {"Dt", SQL_TYPE_TIMESTAMP, 23, 3},
                                             {"Da", SQL_TYPE_DATE, 10, 0},
                                             {"Tm", SQL_TYPE_TIME, 8, 0},
                                             {"Bin", SQL_BINARY, 4, 0},
                                             {"Vb", SQL_VARBINARY, 10, 0},
                                             {"Img", SQL_LONGVARBINARY, 2147483647, 0},
                                             {"G", SQL_GUID, 36, 0}};
    EXPECT_EQ(NumericAttribute(st.Handle(), 0, SQL_DESC_COUNT), static_cast<SQLLEN>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        Described d = Describe(st.Handle(), static_cast<SQLUSMALLINT>(i + 1));
        EXPECT_EQ(d.Name, expected[i].Name);
        EXPECT_EQ(d.Type, expected[i].Type) << d.Name;
        EXPECT_EQ(d.Size, expected[i].Size) << d.Name;
        EXPECT_EQ(d.Digits, expected[i].Digits) << d.Name;
    }
    EXPECT_EQ(NumericAttribute(st.Handle(), 3, SQL_DESC_UNSIGNED), SQL_TRUE);  // tinyint
    EXPECT_EQ(NumericAttribute(st.Handle(), 1, SQL_DESC_UNSIGNED), SQL_FALSE); // int
    EXPECT_EQ(TextAttribute(st.Handle(), 2, SQL_DESC_TABLE_NAME), "Tipi");
    EXPECT_EQ(TextAttribute(st.Handle(), 2, SQL_DESC_SCHEMA_NAME), "dbo");
    EXPECT_NE(NumericAttribute(st.Handle(), 2, SQL_DESC_UPDATABLE), SQL_ATTR_READONLY);
    EXPECT_EQ(NumericAttribute(st.Handle(), 1, SQL_DESC_NULLABLE), SQL_NO_NULLS);

    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("select Id + 1 as Naslednji from Tipi")));
    EXPECT_EQ(NumericAttribute(st.Handle(), 1, SQL_DESC_UPDATABLE), SQL_ATTR_READONLY);
    EXPECT_EQ(TextAttribute(st.Handle(), 1, SQL_DESC_TABLE_NAME), "");
}

TEST_F(Results, ValuesConvertToTheRequestedTypes) {
    Statement st(Db);
    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("select Ti, Bi, D, M, Dt, Bin, G, Nvc, F from Tipi where Id = 1")))
        << st.Diag();
    ASSERT_EQ(SQLFetch(st.Handle()), SQL_SUCCESS);
    SQLCHAR ti = 0;
    SQLBIGINT bi = 0;
    double d = 0;
    char text[64];
    SQL_TIMESTAMP_STRUCT ts{};
    unsigned char bytes[8] = {0};
    SQLGUID guid{};
    SQLLEN ind = 0;
    ASSERT_EQ(SQLGetData(st.Handle(), 1, SQL_C_UTINYINT, &ti, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(ti, 250);
    ASSERT_EQ(SQLGetData(st.Handle(), 2, SQL_C_SBIGINT, &bi, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(bi, 9000000000LL);
    ASSERT_EQ(SQLGetData(st.Handle(), 3, SQL_C_DOUBLE, &d, 0, &ind), SQL_SUCCESS);
    EXPECT_DOUBLE_EQ(d, 1234.56);
    ASSERT_EQ(SQLGetData(st.Handle(), 4, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS);
    EXPECT_STREQ(text, "19.9900");
    ASSERT_EQ(SQLGetData(st.Handle(), 5, SQL_C_TYPE_TIMESTAMP, &ts, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(ts.year, 2024);
    EXPECT_EQ(ts.day, 29);
    EXPECT_EQ(ts.second, 30);
    EXPECT_EQ(ts.fraction, 123000000u);
    ASSERT_EQ(SQLGetData(st.Handle(), 6, SQL_C_BINARY, bytes, sizeof bytes, &ind), SQL_SUCCESS);
    EXPECT_EQ(ind, 4);
    EXPECT_EQ(std::memcmp(bytes, "\xDE\xAD\xBE\xEF", 4), 0);
    ASSERT_EQ(SQLGetData(st.Handle(), 7, SQL_C_GUID, &guid, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(guid.Data1, 0x6F9619FFu);
    EXPECT_EQ(guid.Data4[7], 0xFF);
    ASSERT_EQ(SQLGetData(st.Handle(), 8, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS);
    EXPECT_STREQ(text, "Žiga Čož");
    ASSERT_EQ(SQLGetData(st.Handle(), 9, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS);
    EXPECT_STREQ(text, "2.25");

    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("select Si, Dt, Img from Tipi where Id = 2")));
    ASSERT_EQ(SQLFetch(st.Handle()), SQL_SUCCESS);
    for (SQLUSMALLINT c = 1; c <= 3; ++c) {
        ind = 0;
        ASSERT_EQ(SQLGetData(st.Handle(), c, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS);
        EXPECT_EQ(ind, SQL_NULL_DATA) << c;
    }
}

TEST_F(Results, UnicodeTextSurvivesARoundTrip) {
    Statement st(Db);
    std::string t = "Unicode_" + std::to_string(getpid());
    const std::string text = "Čebula, šipek in žajbelj — ČŠŽ ćđ €";
    st.Run("create table " + t + " (a nvarchar(100))");
    st.Run("insert into " + t + " values (N'" + text + "')");
    EXPECT_EQ(st.Query("select a from " + t).at(0).at(0), text);
    EXPECT_EQ(st.Query("select count(*) from " + t + " where a = N'" + text + "'").at(0).at(0), "1");
    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("select a from " + t)));
    ASSERT_EQ(SQLFetch(st.Handle()), SQL_SUCCESS);
    SQLWCHAR wide[64] = {0};
    SQLLEN ind = 0;
    ASSERT_EQ(SQLGetData(st.Handle(), 1, SQL_C_WCHAR, wide, sizeof wide, &ind), SQL_SUCCESS);
    EXPECT_EQ(wide[0], 0x010C); // Č
    st.Run("drop table " + t);
}

namespace {

// Reads a long column in parts of `size` bytes until SQL_NO_DATA; records each part's answer.
struct Parts {
    std::string Bytes;
    std::vector<SQLRETURN> Answers;
    std::vector<std::string> States; // the first record's SQLSTATE of each part, "" when none
    SQLLEN FirstIndicator = 0;
};

Parts ReadInParts(SQLHSTMT h, SQLUSMALLINT column, SQLSMALLINT ctype, size_t size) {
    Parts p;
    std::vector<char> buf(size);
    const size_t room = ctype == SQL_C_CHAR ? size - 1 : size;
    SQLLEN ind = 0;
    SQLRETURN rc;
    while ((rc = SQLGetData(h, column, ctype, buf.data(), static_cast<SQLLEN>(size), &ind)) != SQL_NO_DATA) {
        EXPECT_TRUE(SQL_SUCCEEDED(rc)) << FirstDiag(SQL_HANDLE_STMT, h);
        if (!SQL_SUCCEEDED(rc) || p.Answers.size() > 100) break;
        if (p.Answers.empty()) p.FirstIndicator = ind;
        auto diags = Diagnostics(SQL_HANDLE_STMT, h);
        p.Answers.push_back(rc);
        p.States.push_back(diags.empty() ? std::string() : diags[0].State);
        p.Bytes.append(buf.data(), ind == SQL_NO_TOTAL ? room : std::min(room, static_cast<size_t>(ind)));
    }
    return p;
}

// Every part but the last is cut with 01004; the last one fits and says SQL_SUCCESS.
void ExpectTruncationWarnings(const Parts& p) {
    ASSERT_GE(p.Answers.size(), 2u);
    for (size_t i = 0; i + 1 < p.Answers.size(); ++i) {
        EXPECT_EQ(p.Answers[i], SQL_SUCCESS_WITH_INFO) << "part " << i;
        EXPECT_EQ(p.States[i], "01004") << "part " << i;
    }
    EXPECT_EQ(p.Answers.back(), SQL_SUCCESS);
}

} // namespace

TEST_F(Results, LongValuesArriveInPartsWithTruncationWarnings) {
    Statement st(Db);
    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("select Besedilo, Podatki from Dolgo where Id = 1"))) << st.Diag();
    ASSERT_EQ(SQLFetch(st.Handle()), SQL_SUCCESS);

    Parts text = ReadInParts(st.Handle(), 1, SQL_C_CHAR, 1001);
    EXPECT_EQ(text.FirstIndicator, 12000);
    EXPECT_EQ(text.Answers.size(), 12u);
    EXPECT_EQ(text.Bytes, Repeat("čšž", 2000));
    ExpectTruncationWarnings(text);

    Parts image = ReadInParts(st.Handle(), 2, SQL_C_BINARY, 1024);
    EXPECT_EQ(image.FirstIndicator, 3000);
    EXPECT_EQ(image.Answers.size(), 3u);
    EXPECT_EQ(image.Bytes, std::string(3000, '\0'));
    ExpectTruncationWarnings(image);
}

TEST_F(Results, BoundColumnsFillRowArrays) {
    Statement st(Db);
    SQLULEN fetched = 0;
    SQLUSMALLINT status[4];
    SQLINTEGER codes[4];
    SQLLEN codeInd[4], nameInd[4];
    char names[4][41];
    SQLSetStmtAttr(st.Handle(), SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(4), 0);
    SQLSetStmtAttr(st.Handle(), SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    SQLSetStmtAttr(st.Handle(), SQL_ATTR_ROW_STATUS_PTR, status, 0);
    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("select PostnaSt, Naziv from Kraji order by PostnaSt")));
    ASSERT_EQ(SQLBindCol(st.Handle(), 1, SQL_C_SLONG, codes, 0, codeInd), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(st.Handle(), 2, SQL_C_CHAR, names, sizeof names[0], nameInd), SQL_SUCCESS);
    std::vector<SQLULEN> sizes;
    std::vector<std::string> all;
    SQLRETURN rc;
    while ((rc = SQLFetchScroll(st.Handle(), SQL_FETCH_NEXT, 0)) != SQL_NO_DATA) {
        ASSERT_TRUE(SQL_SUCCEEDED(rc)) << st.Diag();
        sizes.push_back(fetched);
        for (SQLULEN i = 0; i < fetched; ++i)
            all.push_back(std::to_string(codes[i]) + " " + names[i]);
    }
    EXPECT_EQ(sizes, (std::vector<SQLULEN>{4, 4, 2}));
    EXPECT_EQ(status[2], SQL_ROW_NOROW);
    ASSERT_EQ(all.size(), 10u);
    EXPECT_EQ(all[0], "1000 Ljubljana");
    EXPECT_EQ(all[8], "8340 Črnomelj");
    EXPECT_EQ(SQLFetchScroll(st.Handle(), SQL_FETCH_FIRST, 0), SQL_ERROR); // forward-only
}

TEST_F(Results, StaticCursorScrollsInEveryDirection) {
    Statement st(Db);
    ASSERT_EQ(
        SQLSetStmtAttr(st.Handle(), SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), 0),
        SQL_SUCCESS);
    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("select PostnaSt from Kraji order by PostnaSt"))) << st.Diag();
    SQLINTEGER code = 0;
    SQLLEN ind = 0;
    ASSERT_EQ(SQLBindCol(st.Handle(), 1, SQL_C_SLONG, &code, 0, &ind), SQL_SUCCESS);
    auto at = [&](SQLSMALLINT orientation, SQLLEN offset) {
        SQLRETURN rc = SQLFetchScroll(st.Handle(), orientation, offset);
        return rc == SQL_NO_DATA ? -1 : SQL_SUCCEEDED(rc) ? code : -2;
    };
    EXPECT_EQ(at(SQL_FETCH_LAST, 0), 9000);
    EXPECT_EQ(at(SQL_FETCH_PRIOR, 0), 8340);
    EXPECT_EQ(at(SQL_FETCH_FIRST, 0), 1000);
    EXPECT_EQ(at(SQL_FETCH_PRIOR, 0), -1); // before the first row
    EXPECT_EQ(at(SQL_FETCH_NEXT, 0), 1000);
    EXPECT_EQ(at(SQL_FETCH_ABSOLUTE, 3), 3000);
    EXPECT_EQ(at(SQL_FETCH_RELATIVE, 2), 4000);
    EXPECT_EQ(at(SQL_FETCH_ABSOLUTE, -2), 8340);
    EXPECT_EQ(at(SQL_FETCH_ABSOLUTE, 11), -1);
    EXPECT_EQ(at(SQL_FETCH_PRIOR, 0), 9000); // from after the last row
    SQLUINTEGER ca1 = 0;
    SQLGetInfo(Db.Handle(), SQL_STATIC_CURSOR_ATTRIBUTES1, &ca1, sizeof ca1, nullptr);
    EXPECT_TRUE(ca1 & SQL_CA1_ABSOLUTE);
}

TEST_F(Results, ComputedColumnsAreReadOnlyAndTheKeyIdentifiesRows) {
    Statement st(Db);
    st.Run("drop table if exists Izracun");
    st.Run("create table Izracun (Id integer primary key, Kol int, Dvojno as (Kol * 2), Oznaka varchar(5) "
           "unique)");
    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("select Id, Kol, Dvojno from Izracun"))) << st.Diag();
    EXPECT_NE(NumericAttribute(st.Handle(), 1, SQL_DESC_UPDATABLE), SQL_ATTR_READONLY);
    EXPECT_NE(NumericAttribute(st.Handle(), 2, SQL_DESC_UPDATABLE), SQL_ATTR_READONLY);
    EXPECT_EQ(NumericAttribute(st.Handle(), 3, SQL_DESC_UPDATABLE), SQL_ATTR_READONLY);
    SQLFreeStmt(st.Handle(), SQL_CLOSE);
    // An integer primary key has no index of its own underneath; it is still the best row identifier,
    // ahead of the unique column.
    ASSERT_EQ(SQLSpecialColumns(st.Handle(), SQL_BEST_ROWID, nullptr, 0, nullptr, 0, SqlChars("Izracun"),
                                SQL_NTS, SQL_SCOPE_CURROW, SQL_NULLABLE),
              SQL_SUCCESS);
    Rows best = st.FetchAll();
    ASSERT_EQ(best.size(), 1u);
    EXPECT_EQ(best[0][1], "Id");
    EXPECT_EQ(best[0][7], std::to_string(SQL_PC_NOT_PSEUDO));
    SQLFreeStmt(st.Handle(), SQL_CLOSE);
    st.Run("drop table Izracun");
}

// A static cursor with values concurrency over "select Id, Ime from <table>", column 2 bound.
struct PositionedCursor {
    explicit PositionedCursor(Connection& db) : St(db) {}
    SQLRETURN Open(const std::string& sql, SQLULEN concurrency = SQL_CONCUR_VALUES) {
        SQLSetStmtAttr(St.Handle(), SQL_ATTR_CURSOR_TYPE, (SQLPOINTER)SQL_CURSOR_STATIC, 0);
        SQLSetStmtAttr(St.Handle(), SQL_ATTR_CONCURRENCY, (SQLPOINTER)concurrency, 0);
        SQLSetStmtAttr(St.Handle(), SQL_ATTR_ROW_STATUS_PTR, Status, 0);
        const SQLRETURN rc = St.Exec(sql);
        SQLBindCol(St.Handle(), 2, SQL_C_CHAR, Name, sizeof Name, &NameLength);
        return rc;
    }
    SQLRETURN Write(const char* name, SQLUSMALLINT operation) {
        std::strcpy(Name, name);
        NameLength = SQL_NTS;
        return SQLSetPos(St.Handle(), 1, operation, SQL_LOCK_NO_CHANGE);
    }
    Statement St;
    char Name[32] = {0};
    SQLLEN NameLength = 0;
    SQLUSMALLINT Status[1] = {0};
};

TEST_F(Results, PositionedWritesFindTheirRowByKeyOrByEveryValue) {
    Statement st(Db);
    st.Run("drop table if exists Pisi");
    st.Run("create table Pisi (Id int, Ime varchar(20))");
    st.Run("insert into Pisi values (1, 'a'), (1, 'a'), (2, 'b')");
    PositionedCursor c(Db);
    ASSERT_TRUE(SQL_SUCCEEDED(c.Open("select Id, Ime from Pisi order by Id"))) << c.St.Diag();
    ASSERT_EQ(SQLFetchScroll(c.St.Handle(), SQL_FETCH_NEXT, 0), SQL_SUCCESS);
    // Without a key a row is found by its values: one of two equal rows changes, not both.
    ASSERT_EQ(c.Write("x", SQL_UPDATE), SQL_SUCCESS) << c.St.Diag();
    EXPECT_EQ(c.Status[0], SQL_ROW_UPDATED);
    EXPECT_EQ(st.Query("select count(*) from Pisi where Ime = 'x'").at(0).at(0), "1");
    // Another change under the cursor makes the row unfindable: a conflict, nothing written.
    st.Run("update Pisi set Ime = 'y' where Ime = 'x'");
    EXPECT_EQ(c.Write("z", SQL_UPDATE), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(c.St.Diag().substr(0, 5), "01001");
    EXPECT_EQ(c.Status[0], SQL_ROW_ERROR);
    EXPECT_EQ(st.Query("select count(*) from Pisi where Ime = 'z'").at(0).at(0), "0");
    // A refresh by values cannot find the changed row either: it is reported gone.
    ASSERT_EQ(SQLSetPos(c.St.Handle(), 1, SQL_REFRESH, SQL_LOCK_NO_CHANGE), SQL_SUCCESS);
    EXPECT_EQ(c.Status[0], SQL_ROW_DELETED);

    // Statements aim at a named cursor's row: the cursor's table only, and only a cursor that exists.
    PositionedCursor named(Db);
    ASSERT_EQ(SQLSetCursorName(named.St.Handle(), SqlChars("Kazalec"), SQL_NTS), SQL_SUCCESS);
    ASSERT_TRUE(SQL_SUCCEEDED(named.Open("select Id, Ime from Pisi order by Id")));
    ASSERT_EQ(SQLFetchScroll(named.St.Handle(), SQL_FETCH_LAST, 0), SQL_SUCCESS);
    Statement other(Db);
    other.Run("update Pisi set Ime = 'cur' where current of kazalec");
    EXPECT_EQ(st.Query("select Id from Pisi where Ime = 'cur'"), (Rows{{"2"}}));
    EXPECT_EQ(other.Exec("update Kraji set Naziv = 'x' where current of Kazalec"), SQL_ERROR);
    EXPECT_EQ(other.Diag().substr(0, 5), "42000");
    EXPECT_EQ(other.Exec("delete from Pisi where current of Nihce"), SQL_ERROR);
    EXPECT_EQ(other.Diag().substr(0, 5), "34000");

    PositionedCursor ro(Db);
    ASSERT_TRUE(SQL_SUCCEEDED(ro.Open("select Id, Ime from Pisi", SQL_CONCUR_READ_ONLY)));
    ASSERT_EQ(SQLFetchScroll(ro.St.Handle(), SQL_FETCH_NEXT, 0), SQL_SUCCESS);
    EXPECT_EQ(ro.Write("r", SQL_DELETE), SQL_ERROR);
    EXPECT_EQ(ro.St.Diag().substr(0, 5), "42000");

    PositionedCursor join(Db);
    ASSERT_TRUE(SQL_SUCCEEDED(join.Open("select p.Id, k.Naziv from Pisi p, Kraji k")));
    ASSERT_EQ(SQLFetchScroll(join.St.Handle(), SQL_FETCH_NEXT, 0), SQL_SUCCESS);
    EXPECT_EQ(join.Write("j", SQL_UPDATE), SQL_ERROR);
    EXPECT_EQ(st.Query("select count(*) from Pisi").at(0).at(0), "3");
    st.Run("drop table Pisi");
}

TEST_F(Results, SystemTablesAreListedApartFromTables) {
    Statement st(Db);
    auto listed = [&](const char* types) {
        EXPECT_EQ(
            SQLTables(st.Handle(), nullptr, 0, nullptr, 0, SqlChars("%"), SQL_NTS, SqlChars(types), SQL_NTS),
            SQL_SUCCESS)
            << st.Diag();
        std::map<std::string, std::string> typeOf;
        for (const auto& r : st.FetchAll())
            typeOf[r.at(2).value_or("")] = r.at(3).value_or("");
        SQLFreeStmt(st.Handle(), SQL_CLOSE);
        return typeOf;
    };
    auto system = listed("'SYSTEM TABLE'");
    EXPECT_EQ(system["sysprocedures"], "SYSTEM TABLE");
    for (const auto& [name, type] : system)
        EXPECT_EQ(type, "SYSTEM TABLE") << name;
    EXPECT_EQ(system.count("Kraji"), 0u);
    EXPECT_EQ(listed("TABLE").count("sysprocedures"), 0u);
    auto both = listed("SYSTEM TABLE,TABLE");
    EXPECT_EQ(both["sysprocedures"], "SYSTEM TABLE");
    EXPECT_EQ(both["Kraji"], "TABLE");

    ASSERT_EQ(SQLTables(st.Handle(), SqlChars(""), SQL_NTS, SqlChars(""), SQL_NTS, SqlChars(""), SQL_NTS,
                        SqlChars("%"), SQL_NTS),
              SQL_SUCCESS);
    std::vector<std::string> kinds;
    for (const auto& r : st.FetchAll())
        kinds.push_back(r.at(3).value_or(""));
    EXPECT_EQ(kinds, (std::vector<std::string>{"SYSTEM TABLE", "TABLE", "VIEW"}));
}

TEST_F(Results, CatalogFunctionsListTablesKeysAndIndexes) {
    Statement st(Db);
    ASSERT_EQ(
        SQLTables(st.Handle(), nullptr, 0, nullptr, 0, SqlChars("%"), SQL_NTS, SqlChars("TABLE"), SQL_NTS),
        SQL_SUCCESS);
    Rows tables = st.FetchAll();
    std::vector<std::string> names;
    for (const auto& r : tables) {
        EXPECT_EQ(r.at(1), "dbo");
        EXPECT_EQ(r.at(3), "TABLE");
        names.push_back(r.at(2).value());
    }
    EXPECT_NE(std::find(names.begin(), names.end(), "MorvinaIndex"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "vRacuni"), names.end());

    SQLFreeStmt(st.Handle(), SQL_CLOSE);
    ASSERT_EQ(
        SQLTables(st.Handle(), nullptr, 0, nullptr, 0, SqlChars("v%"), SQL_NTS, SqlChars("'VIEW'"), SQL_NTS),
        SQL_SUCCESS);
    EXPECT_EQ(st.FetchAll().at(0).at(2), "vRacuni");

    SQLFreeStmt(st.Handle(), SQL_CLOSE);
    ASSERT_EQ(SQLPrimaryKeys(st.Handle(), nullptr, 0, nullptr, 0, SqlChars("Racuni"), SQL_NTS), SQL_SUCCESS);
    Rows keys = st.FetchAll();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0][3], "Leto");
    EXPECT_EQ(keys[1][3], "Stevilka");

    SQLFreeStmt(st.Handle(), SQL_CLOSE);
    ASSERT_EQ(SQLColumns(st.Handle(), nullptr, 0, nullptr, 0, SqlChars("Kraji"), SQL_NTS, nullptr, 0),
              SQL_SUCCESS);
    Rows cols = st.FetchAll();
    ASSERT_EQ(cols.size(), 2u);
    EXPECT_EQ(cols[1][3], "Naziv");
    EXPECT_EQ(cols[1][4], std::to_string(SQL_WVARCHAR));
    EXPECT_EQ(cols[1][6], "40");

    SQLFreeStmt(st.Handle(), SQL_CLOSE);
    ASSERT_EQ(SQLStatistics(st.Handle(), nullptr, 0, nullptr, 0, SqlChars("Stranke"), SQL_NTS, SQL_INDEX_ALL,
                            SQL_QUICK),
              SQL_SUCCESS);
    EXPECT_EQ(st.ColumnNames().at(7), "ORDINAL_POSITION");
    Rows stats = st.FetchAll();
    ASSERT_EQ(stats.size(), 3u);
    EXPECT_EQ(stats[0][6], "0");

    SQLFreeStmt(st.Handle(), SQL_CLOSE);
    ASSERT_EQ(SQLSpecialColumns(st.Handle(), SQL_BEST_ROWID, nullptr, 0, nullptr, 0, SqlChars("Postavke"),
                                SQL_NTS, SQL_SCOPE_SESSION, SQL_NULLABLE),
              SQL_SUCCESS);
    EXPECT_EQ(st.FetchAll().size(), 3u);
}

TEST_F(Results, DriverDescribesItselfAsSqlServer) {
    char text[64];
    SQLSMALLINT len = 0;
    ASSERT_EQ(SQLGetInfo(Db.Handle(), SQL_DBMS_NAME, text, sizeof text, &len), SQL_SUCCESS);
    EXPECT_STREQ(text, "Microsoft SQL Server");
    ASSERT_EQ(SQLGetInfo(Db.Handle(), SQL_DRIVER_NAME, text, sizeof text, &len), SQL_SUCCESS);
    EXPECT_STREQ(text, "sqlsrv32.dll");
    SQLUSMALLINT supported = 1;
    SQLGetFunctions(Db.Handle(), SQL_API_SQLDESCRIBEPARAM, &supported);
    EXPECT_EQ(supported, SQL_FALSE);
    SQLGetFunctions(Db.Handle(), SQL_API_SQLFETCHSCROLL, &supported);
    EXPECT_EQ(supported, SQL_TRUE);
    SQLUINTEGER ca1 = 0;
    ASSERT_EQ(SQLGetInfo(Db.Handle(), SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1, &ca1, sizeof ca1, nullptr),
              SQL_SUCCESS);
    EXPECT_EQ(ca1, static_cast<SQLUINTEGER>(SQL_CA1_NEXT));
}

TEST_F(Results, PreparedStatementDescribesBeforeAndRunsOnEachExecute) {
    Statement st(Db);
    ASSERT_EQ(SQLPrepare(st.Handle(), SqlChars("select Naziv from Kraji where PostnaSt = 1000"), SQL_NTS),
              SQL_SUCCESS);
    EXPECT_EQ(st.ColumnNames(), (std::vector<std::string>{"Naziv"}));
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(SQLExecute(st.Handle()), SQL_SUCCESS) << st.Diag();
        EXPECT_EQ(st.FetchAll().at(0).at(0), "Ljubljana");
        SQLCloseCursor(st.Handle());
    }
}
