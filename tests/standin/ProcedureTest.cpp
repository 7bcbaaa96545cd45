// Stored procedures of the user: definitions, calls by EXEC and by the call escape with
// parameters of every direction, the results of their bodies and the procedure catalog.
#include "odbc/SqlChars.h"
#include "tests/standin/StandinTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

using namespace tarvik;

using namespace standin_test;

namespace {

class StandinProcedures : public ::testing::Test {
protected:
    void SetUp() override { Db.ConnectTest(); }
    void TearDown() override {
        Statement st(Db);
        for (const auto& p : Created)
            st.Exec("drop procedure if exists " + p);
        for (const auto& t : Tables)
            st.Exec("drop table " + t);
    }
    // A procedure of this test process: the name gets the process id, so "P" in the text stands for it.
    std::string Procedure(const std::string& stem, const std::string& rest) {
        std::string name = stem + "_" + std::to_string(getpid());
        Statement st(Db);
        st.Exec("drop procedure if exists " + name);
        EXPECT_TRUE(SQL_SUCCEEDED(st.Exec("create procedure " + name + " " + rest))) << st.Diag();
        Created.push_back(name);
        return name;
    }
    std::string Table(const std::string& stem, const std::string& columns) {
        std::string name = stem + "_" + std::to_string(getpid());
        Statement st(Db);
        st.Exec("drop table " + name);
        st.Run("create table " + name + " (" + columns + ")");
        Tables.push_back(name);
        return name;
    }
    Connection Db;
    std::vector<std::string> Created, Tables;
};

SQLRETURN ExecDirect(SQLHSTMT h, const std::string& sql) {
    return SQLExecDirect(h, SqlChars(sql), SQL_NTS);
}

SQLRETURN BindInt(SQLHSTMT h, SQLUSMALLINT n, SQLSMALLINT io, SQLINTEGER* v, SQLLEN* ind) {
    return SQLBindParameter(h, n, io, SQL_C_SLONG, SQL_INTEGER, 0, 0, v, 0, ind);
}

SQLRETURN BindText(SQLHSTMT h, SQLUSMALLINT n, SQLSMALLINT io, char* buf, SQLLEN size, SQLLEN* ind) {
    return SQLBindParameter(h, n, io, SQL_C_CHAR, SQL_VARCHAR, static_cast<SQLULEN>(size - 1), 0, buf, size,
                            ind);
}

// Steps through every remaining result of the statement; the last return code (SQL_NO_DATA when all went
// well).
SQLRETURN Drain(SQLHSTMT h) {
    SQLRETURN rc;
    while ((rc = SQLMoreResults(h)) == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
    }
    return rc;
}

std::string DiagStates(SQLHSTMT h) {
    std::string out;
    for (const auto& d : Diagnostics(SQL_HANDLE_STMT, h))
        out += d.State + "/" + std::to_string(d.Native) + " ";
    return out;
}

// The catalog rows of SQLProcedureColumns for a procedure: name, column type, data type, size,
// digits, nullable, ordinal.
Rows ProcedureColumns(Statement& st, const std::string& name) {
    SQLFreeStmt(st.Handle(), SQL_CLOSE);
    EXPECT_EQ(SQLProcedureColumns(st.Handle(), nullptr, 0, nullptr, 0, SqlChars(name), SQL_NTS, nullptr, 0),
              SQL_SUCCESS)
        << st.Diag();
    Rows all = st.FetchAll(), out;
    for (const auto& r : all)
        out.push_back({r[3], r[4], r[5], r[7], r[9], r[11], r[17]});
    return out;
}

} // namespace

TEST_F(StandinProcedures, CatalogReportsNamesWithGroupNumbersAndParametersAfterTheReturnValue) {
    std::string p =
        Procedure("KatalogP", "(@Id int, @Ime nvarchar(40) = N'x', @Znesek decimal(10,2) OUTPUT) as "
                              "select @Id");
    Statement st(Db);
    ASSERT_EQ(SQLProcedures(st.Handle(), nullptr, 0, nullptr, 0, SqlChars(p), SQL_NTS), SQL_SUCCESS);
    Rows procs = st.FetchAll();
    ASSERT_EQ(procs.size(), 1u);
    EXPECT_EQ(procs[0][0], "Vidrol");
    EXPECT_EQ(procs[0][1], "dbo");
    EXPECT_EQ(procs[0][2], p + ";1");
    EXPECT_EQ(procs[0][3], "-1");
    EXPECT_EQ(procs[0][7], std::to_string(SQL_PT_FUNCTION));

    Rows cols = ProcedureColumns(st, p);
    ASSERT_EQ(cols.size(), 4u);
    EXPECT_EQ(cols[0], (std::vector<Cell>{"@RETURN_VALUE", std::to_string(SQL_RETURN_VALUE),
                                          std::to_string(SQL_INTEGER), "10", "0", "0", "0"}));
    EXPECT_EQ(cols[1], (std::vector<Cell>{"@Id", std::to_string(SQL_PARAM_INPUT), std::to_string(SQL_INTEGER),
                                          "10", "0", "1", "1"}));
    EXPECT_EQ(cols[2], (std::vector<Cell>{"@Ime", std::to_string(SQL_PARAM_INPUT),
                                          std::to_string(SQL_WVARCHAR), "40", Cell(), "1", "2"}));
    // The server reports OUTPUT parameters as input-output.
    EXPECT_EQ(cols[3], (std::vector<Cell>{"@Znesek", std::to_string(SQL_PARAM_INPUT_OUTPUT),
                                          std::to_string(SQL_DECIMAL), "10", "2", "1", "3"}));
    EXPECT_EQ(ProcedureColumns(st, p + ";1").size(), 4u) << "the name with its group number matches too";
    EXPECT_TRUE(ProcedureColumns(st, "NoSuchProcedure").empty());
}

TEST_F(StandinProcedures, DefinitionsAreCheckedStoredReplacedAndDropped) {
    std::string p = Procedure("DefP", "as select 1 as a");
    Statement st(Db);
    ASSERT_EQ(st.Exec("create procedure " + p + " as select 2"), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).at(0).Native, 2714);
    st.Run("alter procedure " + p + " @x int as select @x as b");
    Rows rows = st.Query("exec " + p + " 5");
    EXPECT_EQ(st.ColumnNames(), std::vector<std::string>{"b"});
    EXPECT_EQ(rows, (Rows{{"5"}}));
    ASSERT_EQ(st.Exec("create procedure Kraji as select 1"), SQL_ERROR) << "a table's name is taken";
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).at(0).Native, 2714);

    struct Refused {
        std::string Body;
        SQLINTEGER Native;
    } refused[] = {{"as if 1 = 1 select 1", 50000},
                   {"as while 1 = 0 select 1", 50000},
                   {"as use master", 154},
                   {"@a int output output as select 1", 102},
                   {"as", 102}};
    for (const auto& r : refused) {
        ASSERT_EQ(st.Exec("create procedure Zavrnjena_" + std::to_string(getpid()) + " " + r.Body), SQL_ERROR)
            << r.Body;
        auto d = Diagnostics(SQL_HANDLE_STMT, st.Handle());
        EXPECT_EQ(d.at(0).State, "42000") << r.Body;
        EXPECT_EQ(d.at(0).Native, r.Native) << r.Body << ": " << d.at(0).Message;
    }
    ASSERT_EQ(st.Exec("select 1 create procedure Druga_" + std::to_string(getpid()) + " as select 1"),
              SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).at(0).Native, 111);

    st.Run("drop procedure " + p);
    ASSERT_EQ(st.Exec("exec " + p), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).at(0).Native, 2812);
    ASSERT_EQ(st.Exec("drop procedure " + p), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).at(0).Native, 3701);
    st.Run("drop procedure if exists " + p);
}

TEST_F(StandinProcedures, CallEscapeFillsEveryDirectionAfterTheLastResult) {
    std::string p = Procedure("SmeriP", "@Vhod int, @VhodIzhod varchar(20) output, @Izhod int output as "
                                        "select @Vhod as Vhod "
                                        "set @Izhod = @Vhod * 2 "
                                        "set @VhodIzhod = upper(@VhodIzhod) "
                                        "return @Vhod + 100");
    Statement st(Db);
    SQLHSTMT h = st.Handle();
    SQLINTEGER status = -1, in = 21, out = -1;
    char inOut[21] = "abc";
    SQLLEN statusInd = 0, inInd = 0, inOutInd = SQL_NTS, outInd = 0;
    ASSERT_EQ(BindInt(h, 1, SQL_PARAM_OUTPUT, &status, &statusInd), SQL_SUCCESS) << st.Diag();
    ASSERT_EQ(BindInt(h, 2, SQL_PARAM_INPUT, &in, &inInd), SQL_SUCCESS);
    ASSERT_EQ(BindText(h, 3, SQL_PARAM_INPUT_OUTPUT, inOut, sizeof inOut, &inOutInd), SQL_SUCCESS);
    ASSERT_EQ(BindInt(h, 4, SQL_PARAM_OUTPUT, &out, &outInd), SQL_SUCCESS);
    ASSERT_EQ(ExecDirect(h, "{? = call " + p + "(?, ?, ?)}"), SQL_SUCCESS) << st.Diag();
    EXPECT_EQ(st.FetchAll(), (Rows{{"21"}}));
    // Output values travel after the last result: nothing is written while one is open.
    EXPECT_EQ(status, -1);
    EXPECT_EQ(out, -1);
    EXPECT_STREQ(inOut, "abc");
    ASSERT_EQ(SQLMoreResults(h), SQL_NO_DATA);
    EXPECT_EQ(status, 121);
    EXPECT_EQ(out, 42);
    EXPECT_EQ(outInd, static_cast<SQLLEN>(sizeof(SQLINTEGER)));
    EXPECT_STREQ(inOut, "ABC");
    EXPECT_EQ(inOutInd, 3);

    // Prepared and executed again with other values; closing the cursor delivers the outputs too.
    ASSERT_EQ(SQLPrepare(h, SqlChars("{? = call " + p + "(?, ?, ?)}"), SQL_NTS), SQL_SUCCESS);
    in = 5;
    std::strcpy(inOut, "xy");
    inOutInd = SQL_NTS;
    ASSERT_EQ(SQLExecute(h), SQL_SUCCESS) << st.Diag();
    ASSERT_EQ(SQLCloseCursor(h), SQL_SUCCESS);
    EXPECT_EQ(status, 105);
    EXPECT_EQ(out, 10);
    EXPECT_STREQ(inOut, "XY");
}

TEST_F(StandinProcedures, ExecWithNamedMarkersReturnsOnlyWhatIsMarkedOutput) {
    std::string p = Procedure("ImenaP", "@a int, @b int = 7 output, @c nvarchar(10) = null output as "
                                        "set nocount on select @b = @a + @b, @c = N'čšž'");
    Statement st(Db);
    SQLHSTMT h = st.Handle();
    SQLINTEGER a = 3, untouched = 99;
    char c[32] = "";
    SQLLEN aInd = 0, cInd = 0, uInd = 0;
    ASSERT_EQ(BindInt(h, 1, SQL_PARAM_INPUT, &a, &aInd), SQL_SUCCESS);
    ASSERT_EQ(BindText(h, 2, SQL_PARAM_OUTPUT, c, sizeof c, &cInd), SQL_SUCCESS);
    ASSERT_EQ(BindInt(h, 3, SQL_PARAM_INPUT_OUTPUT, &untouched, &uInd), SQL_SUCCESS);
    // @b keeps its default; @c is marked OUTPUT; the third marker is passed without OUTPUT.
    ASSERT_TRUE(SQL_SUCCEEDED(ExecDirect(h, "exec " + p + " @a = ?, @c = ? output; exec " + p + " ?")))
        << st.Diag();
    EXPECT_EQ(Drain(h), SQL_NO_DATA);
    EXPECT_STREQ(c, "čšž");
    EXPECT_EQ(cInd, static_cast<SQLLEN>(std::strlen("čšž")));
    EXPECT_EQ(untouched, 99);
}

TEST_F(StandinProcedures, TheBodysResultsAndRowCountsComeInOrder) {
    std::string t = Table("Telo", "a int, b nvarchar(10)");
    std::string p = Procedure("TeloP", "@n int as "
                                       "insert into " +
                                           t +
                                           " values (@n, N'ena'), (@n + 1, N'dve') "
                                           "select a, b from " +
                                           t +
                                           " order by a "
                                           "update " +
                                           t +
                                           " set b = N'x' where a > 100 "
                                           "delete from " +
                                           t + " where a = @n");
    Statement st(Db);
    SQLHSTMT h = st.Handle();
    ASSERT_EQ(ExecDirect(h, "exec " + p + " 1"), SQL_SUCCESS) << st.Diag();
    SQLLEN count = 0;
    SQLSMALLINT cols = -1;
    SQLRowCount(h, &count);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(SQLMoreResults(h), SQL_SUCCESS);
    SQLNumResultCols(h, &cols);
    EXPECT_EQ(cols, 2);
    EXPECT_EQ(st.FetchAll(), (Rows{{"1", "ena"}, {"2", "dve"}}));
    ASSERT_EQ(SQLMoreResults(h), SQL_SUCCESS);
    SQLRowCount(h, &count);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(SQLMoreResults(h), SQL_SUCCESS);
    SQLRowCount(h, &count);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(SQLMoreResults(h), SQL_NO_DATA);

    // Under SET NOCOUNT ON only the rows come back.
    ASSERT_EQ(ExecDirect(h, "set nocount on exec " + p + " 10"), SQL_SUCCESS) << st.Diag();
    EXPECT_EQ(st.FetchAll(), (Rows{{"2", "dve"}, {"10", "ena"}, {"11", "dve"}}));
    EXPECT_EQ(SQLMoreResults(h), SQL_NO_DATA);
}

TEST_F(StandinProcedures, AFailingBodyHandsOutItsEarlierResultsThenTheError) {
    std::string p = Procedure("NapakaP", "@izhod int output as set @izhod = 5 select 1 as a "
                                         "raiserror(N'Ni šlo', 16, 1) select 2 as b");
    Statement st(Db);
    SQLHSTMT h = st.Handle();
    SQLINTEGER out = -1;
    SQLLEN ind = 0;
    ASSERT_EQ(BindInt(h, 1, SQL_PARAM_OUTPUT, &out, &ind), SQL_SUCCESS);
    ASSERT_EQ(ExecDirect(h, "{call " + p + "(?)}"), SQL_SUCCESS) << st.Diag();
    EXPECT_EQ(st.FetchAll(), (Rows{{"1"}}));
    ASSERT_EQ(SQLMoreResults(h), SQL_ERROR);
    auto d = Diagnostics(SQL_HANDLE_STMT, h);
    EXPECT_EQ(d.at(0).State, "42000");
    EXPECT_EQ(d.at(0).Native, 50000);
    EXPECT_NE(d.at(0).Message.find("Ni šlo"), std::string::npos) << d.at(0).Message;
    EXPECT_EQ(out, -1) << "a failed call hands back no output";
    EXPECT_EQ(SQLMoreResults(h), SQL_NO_DATA);
}

TEST_F(StandinProcedures, ArgumentsThatDoNotFitTheParametersAreRefused) {
    std::string p = Procedure("ArgP", "@a int, @b int = 0 as select @a + @b");
    Statement st(Db);
    struct Case {
        std::string Call;
        SQLINTEGER Native;
    } cases[] = {{"exec " + p + " 1, 2, 3", 8144},
                 {"exec " + p + " @a = 1, @c = 2", 8145},
                 {"exec " + p + " @b = 1", 201},
                 {"exec " + p + " @a = 1, 2", 119},
                 {"declare @x int exec " + p + " 1, @x output", 8162},
                 {"exec " + p + " 'ena'", 245},
                 {"exec " + p + " @x", 137},
                 {"exec NoSuchProcedure", 2812},
                 {"exec " + p + " 1,", 102},
                 {"{call " + p + "(1, 2}", 102},
                 {"if 1 = 1 exec " + p + " 1", 50000}};
    for (const auto& c : cases) {
        ASSERT_EQ(st.Exec(c.Call), SQL_ERROR) << c.Call;
        EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).at(0).Native, c.Native)
            << c.Call << ": " << st.Diag();
    }
    EXPECT_EQ(st.Query("exec " + p + " '4', default"), (Rows{{"4"}})) << "text converts to the declared type";
}

TEST_F(StandinProcedures, NumberArgumentsBeyondBigintWidenAndBeyondFloatOverflow) {
    std::string p = Procedure("SirokP", "@f float, @b bigint = 0 as select @f * 2, @b");
    Statement st(Db);
    EXPECT_EQ(st.Query("exec " + p + " 99999999999999999999, -9223372036854775808"),
              (Rows{{"2e+20", "-9223372036854775808"}}));
    ASSERT_EQ(st.Exec("exec " + p + " 1e999"), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).at(0).Native, 8115) << st.Diag();
}

TEST_F(StandinProcedures, BatchVariablesTakeOutputsReturnValuesAndAssignments) {
    std::string inner = Procedure("NotranjaP", "@x int, @y int output as set @y = @x * @x return @x - 1");
    std::string outer = Procedure("ZunanjaP", "@x int, @vsota int output as declare @k int, @s int "
                                              "exec @s = " +
                                                  inner +
                                                  " @x, @k output "
                                                  "set @vsota = @k + @s");
    Statement st(Db);
    Rows rows = st.Query("declare @v int, @r int = 2, @d decimal(5,1) "
                         "exec " +
                         outer +
                         " 4, @v output "
                         "select @d = 2.25 "
                         "select @v as v, @r as r, @d as d");
    EXPECT_EQ(rows, (Rows{{"19", "2", "2.3"}})) << "16 + 3; a decimal is rounded to its scale";

    ASSERT_EQ(st.Exec("declare @a int declare @a int"), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).at(0).Native, 134);
    ASSERT_EQ(st.Exec("select @nikjer"), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).at(0).Native, 137);
}

TEST_F(StandinProcedures, NestingDeeperThanThirtyTwoLevelsFails) {
    std::string p = Procedure("GlobokoP", "@n int as declare @m int = @n + 1 exec GlobokoP_" +
                                              std::to_string(getpid()) + " @m");
    Statement st(Db);
    ASSERT_EQ(st.Exec("exec " + p + " 1"), SQL_ERROR);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st.Handle()).at(0).Native, 217) << st.Diag();
}

TEST_F(StandinProcedures, OutputsAreConvertedCutAndNullAsBound) {
    std::string p =
        Procedure("PretvoriP", "@t nvarchar(20) output, @n int output, @d datetime output as "
                               "set @t = N'dolgo besedilo' set @n = null set @d = '2024-02-29 13:45:30.123'");
    Statement st(Db);
    SQLHSTMT h = st.Handle();
    char shortText[6] = "";
    SQLINTEGER n = 7;
    SQL_TIMESTAMP_STRUCT d{};
    SQLLEN tInd = 0, nInd = 0, dInd = 0;
    ASSERT_EQ(BindText(h, 1, SQL_PARAM_OUTPUT, shortText, sizeof shortText, &tInd), SQL_SUCCESS);
    ASSERT_EQ(BindInt(h, 2, SQL_PARAM_INPUT_OUTPUT, &n, &nInd), SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(h, 3, SQL_PARAM_OUTPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, 3, &d, 0,
                               &dInd),
              SQL_SUCCESS);
    SQLRETURN rc = ExecDirect(h, "{call " + p + "(?, ?, ?)}");
    // Nothing but outputs: they are there as soon as the call returns, with the truncation warning.
    ASSERT_EQ(rc, SQL_SUCCESS_WITH_INFO) << DiagStates(h);
    EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, h).at(0).State, "01004");
    EXPECT_STREQ(shortText, "dolgo");
    EXPECT_EQ(tInd, 14);
    EXPECT_EQ(nInd, SQL_NULL_DATA);
    EXPECT_EQ(d.year, 2024);
    EXPECT_EQ(d.day, 29);
    EXPECT_EQ(d.second, 30);
    EXPECT_EQ(d.fraction, 123000000u);
}

TEST_F(StandinProcedures, EverySetOfAParameterArrayGetsItsOutput) {
    std::string p = Procedure("PoljeP", "@x int, @y int output as set nocount on set @y = @x * 10");
    Statement st(Db);
    SQLHSTMT h = st.Handle();
    SQLINTEGER x[3] = {1, 2, 3}, y[3] = {0, 0, 0};
    SQLLEN xInd[3] = {0, 0, 0}, yInd[3] = {0, 0, 0};
    SQLSetStmtAttr(h, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(3), 0);
    ASSERT_EQ(BindInt(h, 1, SQL_PARAM_INPUT, x, xInd), SQL_SUCCESS);
    ASSERT_EQ(BindInt(h, 2, SQL_PARAM_OUTPUT, y, yInd), SQL_SUCCESS);
    ASSERT_TRUE(SQL_SUCCEEDED(ExecDirect(h, "{call " + p + "(?, ?)}"))) << st.Diag();
    Drain(h);
    EXPECT_EQ(std::vector<SQLINTEGER>(y, y + 3), (std::vector<SQLINTEGER>{10, 20, 30}));
}

TEST_F(StandinProcedures, DemoProceduresAnswerForTheWindowAndDatasets) {
    Statement st(Db);
    EXPECT_EQ(st.Query("exec StrankeVKraju 1000").size(), 2u);
    EXPECT_EQ(st.Query("{call SeznamArtiklov}").size(), 5u);
    Rows totals = st.Query("declare @s decimal(12,2), @n int exec ZnesekRacunov 2024, @s output, @n output "
                           "select @s, @n");
    EXPECT_EQ(totals, (Rows{{"236.4", "2"}}));
    EXPECT_EQ(st.Query("declare @r int exec @r = SteviloStrank 1000 select @r"), (Rows{{"2"}}));
    SQLFreeStmt(st.Handle(), SQL_CLOSE);
    ASSERT_EQ(SQLProcedures(st.Handle(), nullptr, 0, nullptr, 0, SqlChars("S%"), SQL_NTS), SQL_SUCCESS);
    Rows names = st.FetchAll();
    std::vector<std::string> found;
    for (const auto& r : names)
        if (r[2].value().find('_') == std::string::npos) found.push_back(r[2].value()); // not the tests' own
    EXPECT_EQ(found, (std::vector<std::string>{"SeznamArtiklov;1", "SteviloStrank;1", "StrankeVKraju;1"}));

    Rows listed = st.Query("exec sp_stored_procedures @sp_name = N'S%'");
    EXPECT_EQ(st.ColumnNames().at(0), "PROCEDURE_QUALIFIER");
    found.clear();
    for (const auto& r : listed)
        if (r[2].value().find('_') == std::string::npos) found.push_back(r[2].value());
    EXPECT_EQ(found, (std::vector<std::string>{"SeznamArtiklov;1", "SteviloStrank;1", "StrankeVKraju;1"}));
}

TEST_F(StandinProcedures, MalformedDefinitionsCallsAndVariablesFailWithSyntaxErrors) {
    Statement st(Db);
    const char* texts[] = {"create procedure",
                           "create procedure x_malformed (",
                           "create procedure x_malformed @",
                           "create procedure x_malformed @a",
                           "create procedure x_malformed @a int = as select 1",
                           "create procedure x_malformed @a decimal(10, as select 1",
                           "create procedure x_malformed as begin select 1",
                           "exec",
                           "exec @r",
                           "exec @r =",
                           "exec SeznamArtiklov @a =",
                           "exec SeznamArtiklov @a = 1 output output",
                           "{",
                           "{1 = call SeznamArtiklov}",
                           "{fn SeznamArtiklov}",
                           "{call",
                           "{call SeznamArtiklov(",
                           "{call SeznamArtiklov}}",
                           "{call SeznamArtiklov(1 2)}",
                           "declare",
                           "declare @a",
                           "declare @a int =",
                           "declare @a int, ",
                           "declare @a int set @a",
                           "declare @a int set @a =",
                           "declare @a int select @a = 1, 2",
                           "raiserror",
                           "raiserror(",
                           "raiserror('x')",
                           "drop procedure",
                           "drop procedure if exists"};
    for (const char* text : texts) {
        ASSERT_EQ(st.Exec(text), SQL_ERROR) << text;
        auto d = Diagnostics(SQL_HANDLE_STMT, st.Handle());
        ASSERT_FALSE(d.empty()) << text;
        EXPECT_EQ(d[0].State, "42000") << text << ": " << d[0].Message;
    }
}
