// Statement parameters: "?" markers bound with SQLBindParameter, executed prepared and
// directly, values sent at execution in pieces, and the errors of missing bindings.
#include "odbc/SqlChars.h"
#include "tests/standin/StandinTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

using namespace tarvik;

using namespace standin_test;

namespace {

class StandinParameters : public ::testing::Test {
protected:
    void SetUp() override { Db.ConnectTest(); }
    // A table of this test process, created afresh.
    std::string Table(Statement& st, const std::string& stem, const std::string& columns) {
        std::string t = stem + "_" + std::to_string(getpid());
        st.Exec("drop table " + t);
        st.Run("create table " + t + " (" + columns + ")");
        return t;
    }
    Connection Db;
};

SQLRETURN Bind(SQLHSTMT h, SQLUSMALLINT n, SQLSMALLINT cType, SQLSMALLINT sqlType, void* data, SQLLEN length,
               SQLLEN* ind) {
    return SQLBindParameter(h, n, SQL_PARAM_INPUT, cType, sqlType, 0, 0, data, length, ind);
}

SQLRETURN Prepare(SQLHSTMT h, const std::string& sql) {
    return SQLPrepare(h, SqlChars(sql), SQL_NTS);
}

SQLRETURN ExecDirect(SQLHSTMT h, const std::string& sql) {
    return SQLExecDirect(h, SqlChars(sql), SQL_NTS);
}

// The whole of a binary column of the first row of a query.
std::string ReadBinary(Statement& st, const std::string& sql) {
    EXPECT_TRUE(SQL_SUCCEEDED(st.Exec(sql))) << st.Diag();
    EXPECT_EQ(SQLFetch(st.Handle()), SQL_SUCCESS);
    std::string bytes;
    char chunk[4096];
    SQLLEN ind = 0;
    SQLRETURN rc;
    while ((rc = SQLGetData(st.Handle(), 1, SQL_C_BINARY, chunk, sizeof chunk, &ind)) != SQL_NO_DATA) {
        if (!SQL_SUCCEEDED(rc) || ind == SQL_NULL_DATA) break;
        bytes.append(chunk, std::min<size_t>(sizeof chunk, static_cast<size_t>(ind)));
    }
    SQLCloseCursor(st.Handle());
    return bytes;
}

} // namespace

TEST_F(StandinParameters, PreparedInsertOfEveryCommonTypeReadsBack) {
    Statement st(Db);
    std::string t =
        Table(st, "ParTipi",
              "Id int, Si smallint, Ti tinyint, Bi bigint, B bit, F float, R real, Vc varchar(20), "
              "Nvc nvarchar(40), Wv nvarchar(40), Dt datetime, Da date, Tm time, Vb varbinary(10), "
              "D decimal(10,2)");
    SQLHSTMT h = st.Handle();
    ASSERT_EQ(Prepare(h, "insert into " + t + " values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
              SQL_SUCCESS)
        << st.Diag();
    SQLSMALLINT count = 0;
    ASSERT_EQ(SQLNumParams(h, &count), SQL_SUCCESS);
    EXPECT_EQ(count, 15);

    SQLINTEGER id = 1;
    SQLSMALLINT si = -12;
    SQLSCHAR ti = 100;
    SQLBIGINT bi = 9000000000LL;
    SQLCHAR bit = 1;
    double f = 2.25;
    float r = 1.5f;
    char vc[] = "varchar";
    const std::string slovene = "Žiga Čož šije";
    SQLWCHAR wide[] = {0x010C, 'e', 0x0161, 0x017E, 0}; // Češž
    SQL_TIMESTAMP_STRUCT ts{2024, 2, 29, 13, 45, 30, 123000000};
    SQL_DATE_STRUCT da{2024, 3, 1};
    SQL_TIME_STRUCT tm{7, 8, 9};
    unsigned char vb[] = {0xDE, 0xAD, 0x00, 0xEF};
    SQL_NUMERIC_STRUCT num{};
    num.precision = 10;
    num.scale = 2;
    num.sign = 0; // negative
    num.val[0] = 0x40;
    num.val[1] = 0xE2;
    num.val[2] = 0x01; // 123456
    SQLLEN nts = SQL_NTS, slovLen = static_cast<SQLLEN>(slovene.size()), vbLen = sizeof vb, zero = 0;
    ASSERT_EQ(Bind(h, 1, SQL_C_SLONG, SQL_INTEGER, &id, 0, &zero), SQL_SUCCESS) << st.Diag();
    ASSERT_EQ(Bind(h, 2, SQL_C_SSHORT, SQL_SMALLINT, &si, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 3, SQL_C_STINYINT, SQL_TINYINT, &ti, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 4, SQL_C_SBIGINT, SQL_BIGINT, &bi, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 5, SQL_C_BIT, SQL_BIT, &bit, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 6, SQL_C_DOUBLE, SQL_FLOAT, &f, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 7, SQL_C_FLOAT, SQL_REAL, &r, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 8, SQL_C_CHAR, SQL_VARCHAR, vc, sizeof vc, &nts), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 9, SQL_C_CHAR, SQL_WVARCHAR, const_cast<char*>(slovene.data()), slovLen, &slovLen),
              SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 10, SQL_C_WCHAR, SQL_WVARCHAR, wide, sizeof wide, &nts), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 11, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, &ts, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 12, SQL_C_TYPE_DATE, SQL_TYPE_DATE, &da, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 13, SQL_C_TYPE_TIME, SQL_TYPE_TIME, &tm, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 14, SQL_C_BINARY, SQL_VARBINARY, vb, sizeof vb, &vbLen), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 15, SQL_C_NUMERIC, SQL_DECIMAL, &num, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(h), SQL_SUCCESS) << st.Diag();

    // The same statement again with other values, every nullable one NULL.
    id = 2;
    SQLLEN null = SQL_NULL_DATA;
    for (SQLUSMALLINT n = 2; n <= 15; ++n)
        ASSERT_EQ(Bind(h, n, SQL_C_CHAR, SQL_VARCHAR, vc, sizeof vc, &null), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(h), SQL_SUCCESS) << st.Diag();

    Rows rows = st.Query("select * from " + t + " order by Id");
    ASSERT_EQ(rows.size(), 2u);
    const std::vector<Cell> first = {"1",
                                     "-12",
                                     "100",
                                     "9000000000",
                                     "1",
                                     "2.25",
                                     "1.5",
                                     "varchar",
                                     slovene,
                                     "Češž",
                                     "2024-02-29 13:45:30.123",
                                     "2024-03-01",
                                     "07:08:09",
                                     "DEAD00EF",
                                     "-1234.56"};
    EXPECT_EQ(rows[0], first);
    EXPECT_EQ(rows[1].at(0), "2");
    for (size_t c = 1; c < rows[1].size(); ++c)
        EXPECT_FALSE(rows[1][c].has_value()) << c;
    EXPECT_EQ(ReadBinary(st, "select Vb from " + t + " where Id = 1"), std::string("\xDE\xAD\x00\xEF", 4));

    // A parameter in a condition finds the row by its Slovenian text.
    ASSERT_EQ(Prepare(h, "select Id from " + t + " where Nvc = ?"), SQL_SUCCESS);
    ASSERT_EQ(SQLFreeStmt(h, SQL_RESET_PARAMS), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 1, SQL_C_CHAR, SQL_WVARCHAR, const_cast<char*>(slovene.data()), slovLen, &slovLen),
              SQL_SUCCESS);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLExecute(h))) << st.Diag();
    EXPECT_EQ(st.FetchAll(), (Rows{{"1"}}));
    st.Run("drop table " + t);
}

// The window's locale (a decimal comma under sl_SI) must not reach the numbers the driver reads or writes.
TEST_F(StandinParameters, NumbersKeepTheirValueAsParametersAndLiteralsWhateverTheLocale) {
    Statement st(Db);
    std::string t = Table(st, "ParStevila", "Id int, F float, D decimal(20,4)");
    const double values[] = {3.25, -0.5, 1e-7, 12345678901234.5678};
    const char* written[] = {"3.25", "-0.5", "1e-7", "12345678901234.5678"};
    const char* shown[] = {"3.25", "-0.5", "1e-07", "12345678901234.568"};
    const char* fixed[] = {"3.2500", "-0.5000", "0.0000", "12345678901234.5684"};
    SQLHSTMT h = st.Handle();
    ASSERT_EQ(Prepare(h, "insert into " + t + " values (?, ?, ?)"), SQL_SUCCESS) << st.Diag();
    for (int i = 0; i < 4; ++i) {
        // Once as a double, once as text, then as literals of the statement's text.
        SQLINTEGER id = 10 + i;
        double v = values[i];
        SQLLEN nts = SQL_NTS;
        ASSERT_EQ(Bind(h, 1, SQL_C_SLONG, SQL_INTEGER, &id, 0, nullptr), SQL_SUCCESS);
        ASSERT_EQ(Bind(h, 2, SQL_C_DOUBLE, SQL_FLOAT, &v, 0, nullptr), SQL_SUCCESS);
        ASSERT_EQ(Bind(h, 3, SQL_C_DOUBLE, SQL_DECIMAL, &v, 0, nullptr), SQL_SUCCESS);
        ASSERT_EQ(SQLExecute(h), SQL_SUCCESS) << st.Diag();
        id = 20 + i;
        char text[32];
        std::strcpy(text, written[i]);
        ASSERT_EQ(Bind(h, 2, SQL_C_CHAR, SQL_FLOAT, text, sizeof text, &nts), SQL_SUCCESS);
        ASSERT_EQ(Bind(h, 3, SQL_C_CHAR, SQL_DECIMAL, text, sizeof text, &nts), SQL_SUCCESS);
        ASSERT_EQ(SQLExecute(h), SQL_SUCCESS) << st.Diag();
    }
    Statement literal(Db);
    for (int i = 0; i < 4; ++i)
        literal.Run("insert into " + t + " values (" + std::to_string(30 + i) + ", " + written[i] + ", " +
                    written[i] + ")");

    Rows rows = literal.Query("select Id, F, D from " + t + " order by Id");
    ASSERT_EQ(rows.size(), 12u);
    for (size_t r = 0; r < rows.size(); ++r) {
        EXPECT_EQ(rows[r][1], shown[r % 4]) << "row " << *rows[r][0];
        EXPECT_EQ(rows[r][2], fixed[r % 4]) << "row " << *rows[r][0];
    }
    ASSERT_TRUE(SQL_SUCCEEDED(literal.Exec("select F, D from " + t + " order by Id"))) << literal.Diag();
    for (int r = 0; r < 12; ++r) {
        ASSERT_EQ(SQLFetch(literal.Handle()), SQL_SUCCESS);
        double f = 0, d = 0;
        ASSERT_EQ(SQLGetData(literal.Handle(), 1, SQL_C_DOUBLE, &f, 0, nullptr), SQL_SUCCESS);
        ASSERT_EQ(SQLGetData(literal.Handle(), 2, SQL_C_DOUBLE, &d, 0, nullptr), SQL_SUCCESS);
        EXPECT_EQ(f, values[r % 4]) << r;
        if (r % 4 != 2) { // the decimal keeps what it was given, the text shows its scale
            EXPECT_EQ(d, values[r % 4]) << r;
        }
    }
    SQLCloseCursor(literal.Handle());

    // A literal argument of a procedure call, converted to varchar as the server does (15 digits).
    const char* varchars[] = {"3.25", "-0.5", "1e-07", "12345678901234.6"};
    std::string p = "Stevilo_" + std::to_string(getpid());
    literal.Exec("drop procedure if exists " + p);
    literal.Run("create procedure " + p + " @x float, @y varchar(30) output as set @y = @x");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(literal.Query(std::string("declare @t varchar(30) exec ") + p + " " + written[i] +
                                ", @t output select @t"),
                  (Rows{{varchars[i]}}))
            << written[i];
    literal.Run("drop procedure " + p);
    literal.Run("drop table " + t);
}

// SQL_C_DEFAULT means the same C type for a parameter as for a column: tinyint is unsigned, a
// uniqueidentifier is a SQLGUID.
TEST_F(StandinParameters, DefaultCTypesAreThoseOfTheColumns) {
    Statement st(Db);
    std::string t = Table(st, "ParPrivzeto", "Ti tinyint, G uniqueidentifier");
    SQLHSTMT h = st.Handle();
    SQLCHAR ti = 200;
    SQLGUID g{0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    ASSERT_EQ(Bind(h, 1, SQL_C_DEFAULT, SQL_TINYINT, &ti, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 2, SQL_C_DEFAULT, SQL_GUID, &g, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(ExecDirect(h, "insert into " + t + " values (?, ?)"), SQL_SUCCESS) << st.Diag();
    SQLFreeStmt(h, SQL_RESET_PARAMS);
    EXPECT_EQ(st.Query("select Ti, G from " + t), (Rows{{"200", "01234567-89AB-CDEF-0123-456789ABCDEF"}}));

    ASSERT_EQ(ExecDirect(h, "select Ti, G from " + t), SQL_SUCCESS) << st.Diag();
    ASSERT_EQ(SQLFetch(h), SQL_SUCCESS);
    SQLCHAR back = 0;
    SQLGUID gBack{};
    ASSERT_EQ(SQLGetData(h, 1, SQL_C_DEFAULT, &back, 0, nullptr), SQL_SUCCESS) << st.Diag();
    ASSERT_EQ(SQLGetData(h, 2, SQL_C_DEFAULT, &gBack, sizeof gBack, nullptr), SQL_SUCCESS) << st.Diag();
    EXPECT_EQ(back, 200);
    EXPECT_EQ(std::memcmp(&gBack, &g, sizeof g), 0);
    SQLCloseCursor(h);
    st.Run("drop table " + t);
}

TEST_F(StandinParameters, ExecDirectBindsMarkersButNotThoseInLiteralsOrComments) {
    Statement st(Db);
    std::string t = Table(st, "ParDirect", "Id int, Txt varchar(40)");
    SQLHSTMT h = st.Handle();
    SQLINTEGER id = 7;
    char txt[] = "vrednost";
    SQLLEN nts = SQL_NTS;
    ASSERT_EQ(Bind(h, 1, SQL_C_SLONG, SQL_INTEGER, &id, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 2, SQL_C_CHAR, SQL_VARCHAR, txt, sizeof txt, &nts), SQL_SUCCESS);
    ASSERT_EQ(ExecDirect(h, "insert into " + t + " /* a ? here */ values (?, ?) -- and ? there"), SQL_SUCCESS)
        << st.Diag();
    ASSERT_EQ(ExecDirect(h, "insert into " + t + " values (?, N'?')"), SQL_SUCCESS) << st.Diag();

    ASSERT_EQ(Prepare(h, "select Txt, '?', N'a?b' from " + t + " where Id = ? /* ? */"), SQL_SUCCESS);
    SQLSMALLINT count = -1;
    ASSERT_EQ(SQLNumParams(h, &count), SQL_SUCCESS);
    EXPECT_EQ(count, 1);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLExecute(h))) << st.Diag();
    Rows rows = st.FetchAll();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<Cell>{"vrednost", "?", "a?b"}));

    // Markers of several statements of one batch are numbered across the batch.
    id = 8;
    SQLINTEGER other = 9;
    ASSERT_EQ(Bind(h, 2, SQL_C_SLONG, SQL_INTEGER, &other, 0, nullptr), SQL_SUCCESS);
    ASSERT_TRUE(SQL_SUCCEEDED(
        ExecDirect(h, "insert into " + t + " (Id) values (?)\ninsert into " + t + " (Id) values (?)")))
        << st.Diag();
    EXPECT_EQ(st.Query("select Id from " + t + " where Txt is null order by Id"), (Rows{{"8"}, {"9"}}));
    st.Run("drop table " + t);
}

TEST_F(StandinParameters, MissingBindingsAndUnknownTypesAreErrors) {
    Statement st(Db);
    SQLHSTMT h = st.Handle();
    SQLINTEGER v = 1;
    ASSERT_EQ(Bind(h, 1, SQL_C_SLONG, SQL_INTEGER, &v, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(ExecDirect(h, "select ? + ?"), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, h).at(0).State, "07002");

    ASSERT_EQ(ExecDirect(h, "select ? + 1"), SQL_SUCCESS) << st.Diag();
    EXPECT_EQ(st.FetchAll(), (Rows{{"2"}}));
    SQLCloseCursor(h);

    ASSERT_EQ(SQLFreeStmt(h, SQL_RESET_PARAMS), SQL_SUCCESS);
    ASSERT_EQ(ExecDirect(h, "select ? + 1"), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, h).at(0).State, "07002");

    EXPECT_EQ(Bind(h, 1, 999, SQL_INTEGER, &v, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, h).at(0).State, "HY003");

    char bad[] = "abc";
    SQLLEN nts = SQL_NTS;
    ASSERT_EQ(Bind(h, 1, SQL_C_CHAR, SQL_INTEGER, bad, sizeof bad, &nts), SQL_SUCCESS);
    EXPECT_EQ(ExecDirect(h, "select ? + 1"), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, h).at(0).State, "22018");
}

TEST_F(StandinParameters, DataAtExecutionArrivesInPieces) {
    Statement st(Db);
    std::string t = Table(st, "ParDolgo", "Id int, Besedilo text, Podatki image");
    SQLHSTMT h = st.Handle();
    ASSERT_EQ(Prepare(h, "insert into " + t + " values (?, ?, ?)"), SQL_SUCCESS);
    SQLINTEGER id = 1;
    std::string text;
    for (int i = 0; text.size() < 70000; ++i)
        text += "čšž-" + std::to_string(i) + " ";
    text.resize(70000);
    std::string bytes;
    for (int i = 0; i < 5000; ++i)
        bytes += static_cast<char>(i * 7 % 256);
    SQLLEN textInd = SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(text.size()));
    SQLLEN bytesInd = SQL_DATA_AT_EXEC;
    int textToken = 2, bytesToken = 3; // what SQLParamData hands back
    ASSERT_EQ(Bind(h, 1, SQL_C_SLONG, SQL_INTEGER, &id, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 2, SQL_C_CHAR, SQL_LONGVARCHAR, &textToken, 0, &textInd), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 3, SQL_C_BINARY, SQL_LONGVARBINARY, &bytesToken, 0, &bytesInd), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(h), SQL_NEED_DATA) << st.Diag();

    SQLPOINTER token = nullptr;
    ASSERT_EQ(SQLParamData(h, &token), SQL_NEED_DATA);
    ASSERT_EQ(token, &textToken);
    for (size_t at = 0; at < text.size(); at += 30000) {
        std::string piece = text.substr(at, 30000);
        ASSERT_EQ(SQLPutData(h, piece.data(), static_cast<SQLLEN>(piece.size())), SQL_SUCCESS) << st.Diag();
    }
    ASSERT_EQ(SQLParamData(h, &token), SQL_NEED_DATA);
    ASSERT_EQ(token, &bytesToken);
    for (size_t at = 0; at < bytes.size(); at += 1500)
        ASSERT_EQ(
            SQLPutData(h, bytes.data() + at, static_cast<SQLLEN>(std::min<size_t>(1500, bytes.size() - at))),
            SQL_SUCCESS);
    ASSERT_EQ(SQLParamData(h, &token), SQL_SUCCESS) << st.Diag();

    // A second execute sends a NULL and an empty text.
    id = 2;
    ASSERT_EQ(SQLExecute(h), SQL_NEED_DATA);
    ASSERT_EQ(SQLParamData(h, &token), SQL_NEED_DATA);
    char nothing[] = "";
    ASSERT_EQ(SQLPutData(h, nothing, SQL_NTS), SQL_SUCCESS);
    ASSERT_EQ(SQLParamData(h, &token), SQL_NEED_DATA);
    ASSERT_EQ(SQLPutData(h, nullptr, SQL_NULL_DATA), SQL_SUCCESS);
    ASSERT_EQ(SQLParamData(h, &token), SQL_SUCCESS) << st.Diag();

    Rows rows = st.Query("select Id, Besedilo, len(Besedilo) from " + t + " order by Id");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0][1] == text) << "the long text came back changed";
    EXPECT_EQ(rows[1][1], "");
    EXPECT_EQ(ReadBinary(st, "select Podatki from " + t + " where Id = 1"), bytes);
    EXPECT_EQ(st.Query("select count(*) from " + t + " where Podatki is null"), (Rows{{"1"}}));

    // Cancelling while data is awaited leaves the statement usable; nothing was inserted.
    SQLFreeStmt(h, SQL_CLOSE);
    ASSERT_EQ(Prepare(h, "insert into " + t + " values (?, ?, ?)"), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(h), SQL_NEED_DATA);
    ASSERT_EQ(SQLCancel(h), SQL_SUCCESS);
    EXPECT_EQ(st.Query("select count(*) from " + t), (Rows{{"2"}}));
    st.Run("drop table " + t);
}

TEST_F(StandinParameters, DriverClaimsParameterFunctionsButNotDescribeParam) {
    SQLUSMALLINT supported = 0;
    for (SQLUSMALLINT f :
         {SQL_API_SQLBINDPARAMETER, SQL_API_SQLNUMPARAMS, SQL_API_SQLPARAMDATA, SQL_API_SQLPUTDATA}) {
        ASSERT_TRUE(SQL_SUCCEEDED(SQLGetFunctions(Db.Handle(), f, &supported)));
        EXPECT_EQ(supported, SQL_TRUE) << f;
    }
    ASSERT_TRUE(SQL_SUCCEEDED(SQLGetFunctions(Db.Handle(), SQL_API_SQLDESCRIBEPARAM, &supported)));
    EXPECT_EQ(supported, SQL_FALSE);
}

TEST_F(StandinParameters, ParameterArraysRunOnceForEverySet) {
    Statement st(Db);
    std::string t = Table(st, "ParNiz", "Id int, Ime nvarchar(20)");
    SQLHSTMT h = st.Handle();
    SQLINTEGER ids[3] = {1, 2, 3};
    char names[3][8] = {"ena", "dva", "tri"};
    SQLLEN nameInd[3] = {SQL_NTS, SQL_NULL_DATA, 3};
    SQLULEN processed = 0;
    SQLUSMALLINT status[3] = {0, 0, 0};
    ASSERT_TRUE(SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(3), 0)));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0)));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_PARAM_STATUS_PTR, status, 0)));
    ASSERT_EQ(Bind(h, 1, SQL_C_SLONG, SQL_INTEGER, ids, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(Bind(h, 2, SQL_C_CHAR, SQL_WVARCHAR, names, sizeof names[0], nameInd), SQL_SUCCESS);
    ASSERT_TRUE(SQL_SUCCEEDED(ExecDirect(h, "insert into " + t + " values (?, ?)"))) << st.Diag();
    EXPECT_EQ(processed, 3u);
    EXPECT_EQ(status[2], SQL_PARAM_SUCCESS);

    // Bound by rows: one structure per set.
    struct Set {
        SQLINTEGER Id;
        SQLLEN IdInd;
    } rows[2] = {{10, 0}, {11, 0}};
    ASSERT_EQ(SQLFreeStmt(h, SQL_RESET_PARAMS), SQL_SUCCESS);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(2), 0)));
    ASSERT_TRUE(SQL_SUCCEEDED(
        SQLSetStmtAttr(h, SQL_ATTR_PARAM_BIND_TYPE, reinterpret_cast<SQLPOINTER>(sizeof(Set)), 0)));
    ASSERT_EQ(Bind(h, 1, SQL_C_SLONG, SQL_INTEGER, &rows[0].Id, 0, &rows[0].IdInd), SQL_SUCCESS);
    ASSERT_TRUE(SQL_SUCCEEDED(ExecDirect(h, "insert into " + t + " (Id) values (?)"))) << st.Diag();
    EXPECT_EQ(processed, 2u);

    ASSERT_TRUE(SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(1), 0)));
    EXPECT_EQ(
        st.Query("select Id, Ime from " + t + " order by Id"),
        (Rows{{"1", "ena"}, {"2", std::nullopt}, {"3", "tri"}, {"10", std::nullopt}, {"11", std::nullopt}}));
    st.Run("drop table " + t);
}
