#include "tests/localdb/TableTestSupport.h"

#include <fstream>

using namespace tarvik;

// Files we write, read back by programs that share no code with us. A missing reader fails the test.
namespace {

const char* const Python = "/usr/bin/python3";
// The spreadsheets show numbers in their locale; our files hold them the same whatever ours is.
const char* const ReaderLocale = "LC_ALL=C.UTF-8 ";

bool Installed(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null").c_str()) == 0;
}

std::string Memo() {
    std::string memo;
    for (int i = 0; i < 4000; ++i)
        memo += "Čas je zlato, šola ključ "; // 100,000 characters
    return memo;
}

TFieldDefs ReaderFields() {
    return {{"NAME", ftString, 20}, {"N", ftInteger}, {"F", ftFloat, 0, false, 2},
            {"OK", ftBoolean},      {"D", ftDate},    {"M", ftMemo}};
}

std::vector<std::vector<TVariant>> ReaderRows() {
    return {{"Čšž ČŠŽ", 42, 3.25, true, TVarDate{2024, 2, 29}, Memo()},
            {"Žaba", -7, -0.5, false, TVarDate{1999, 12, 31}, "kratek zapis"},
            {TVariant(), TVariant(), TVariant(), TVariant(), TVariant(), TVariant()}};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

TEST(IndependentReaderTest, PythonDbfReadsOurDBaseValuesMemoAndCodePage) {
    ASSERT_TRUE(Installed(Python) && std::system((std::string(Python) + " -c 'import dbf'").c_str()) == 0)
        << "python3-dbf is not installed";
    TScratchDir dir;
    WriteRows(dir / "t.dbf", ReaderFields(), ReaderRows());
    const auto lines = Lines(RunCommand(std::string(Python) + " " + TARVIK_READ_DBF + " " + (dir / "t.dbf")));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(0, 6), "cp1250");
    const std::string memo = Memo().substr(0, Memo().size() - 1); // the script strips the final blank
    EXPECT_EQ(lines[1], "[\"Čšž ČŠŽ\", 42, 3.25, true, \"2024-02-29\", \"" + memo + "\"]");
    EXPECT_EQ(lines[2], "[\"Žaba\", -7, -0.5, false, \"1999-12-31\", \"kratek zapis\"]");
    EXPECT_EQ(lines[3], "[\"\", null, null, null, null, \"\"]");
}

// The other direction: tables python3-dbf wrote, in three dBase variants and three code pages.
TEST(IndependentReaderTest, WeReadDBaseFoxProAndVisualFoxProTablesWrittenByPythonDbf) {
    ASSERT_TRUE(std::system((std::string(Python) + " -c 'import dbf'").c_str()) == 0)
        << "python3-dbf is not installed";
    TScratchDir dir;
    RunCommand(std::string(Python) + " " + TARVIK_WRITE_DBF + " " + dir.Path());
    std::string longMemo;
    for (int i = 0; i < 400; ++i)
        longMemo += "Čas je zlato, šola ključ ";
    using TRow = std::vector<TVariant>;

    const auto dbase3 = ReadRows(dir / "dbase3.dbf"); // code page 852
    ASSERT_EQ(dbase3.size(), 3u);
    EXPECT_EQ(dbase3[0], (TRow{"Čšž ČŠŽ", 3.25, true, TVarDate{2024, 2, 29}, longMemo}));
    EXPECT_EQ(dbase3[1], (TRow{"Žaba", -7.0, false, TVarDate{1999, 12, 31}, "kratek zapis"}));
    EXPECT_EQ(dbase3[2], TRow(5));

    const auto foxpro = ReadRows(dir / "foxpro.dbf"); // code page 1252, memo file .fpt
    ASSERT_EQ(foxpro.size(), 1u);
    std::string senor;
    for (int i = 0; i < 100; ++i)
        senor += "Señor € ";
    EXPECT_EQ(foxpro[0], (TRow{"Ññ€ÿ", 1.5, senor}));

    auto visual = TLocalTable::Open(dir / "visual.dbf", TOpenMode::omShared); // code page 1250
    std::vector<TFieldType> types;
    for (const TFieldDef& def : visual->FieldDefs())
        types.push_back(def.DataType);
    EXPECT_EQ(types, (std::vector<TFieldType>{ftString, ftInteger, ftCurrency, ftDateTime, ftFloat, ftBoolean,
                                              ftDate, ftMemo}));
    visual.reset();
    const auto rows = ReadRows(dir / "visual.dbf");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (TRow{"Čšž", -123456, 12.3456, TVarDateTime{{2001, 2, 3}, {4, 5, 6, 0}}, 2.5, true,
                             TVarDate{2024, 2, 29}, longMemo}));
    EXPECT_EQ(rows[1], (TRow{"prazno", 0, 0.0, TVariant(), 0.0, false, TVariant(), TVariant()}));

    // Read, not written: appending to a Visual FoxPro table is refused with a reason.
    auto table = TLocalTable::Open(dir / "visual.dbf", TOpenMode::omExclusive);
    table->Append();
    try {
        table->Post();
        ADD_FAILURE() << "a row was appended to a Visual FoxPro table";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().find("read-only"), std::string::npos) << e.Message();
    }
}

TEST(IndependentReaderTest, LibreOfficeReadsOurDBaseFilesInOneRun) {
    ASSERT_TRUE(Installed("libreoffice")) << "LibreOffice (libreoffice-calc-nogui) is not installed";
    TScratchDir dir;
    WriteRows(dir / "a.dbf", ReaderFields(), ReaderRows());
    WriteRows(dir / "b.dbf", {{"KRAJ", ftString, 30}, {"STEVILO", ftLargeint}},
              {{"Škofja Loka", std::int64_t{123456789012345}}, {"Črnomelj", 0}});
    // The charset is forced to 1250 (33 in LibreOffice's list): LibreOffice ignores the language driver
    // byte (0xC8 files come out in a DOS code page), so the code page it checks is our bytes, not our mark.
    RunCommand(
        "cd " + dir.Path() + " && HOME=" + dir.Path() + " " + ReaderLocale +
        "libreoffice --headless --infilter=dBase:33 --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' "
        "--outdir out a.dbf b.dbf 2>&1");
    const std::string a = ReadFileBytes(dir / "out/a.csv"), b = ReadFileBytes(dir / "out/b.csv");
    const auto rows = Lines(a);
    ASSERT_EQ(rows.size(), 4u) << a.substr(0, 500);
    EXPECT_NE(rows[1].find("Čšž ČŠŽ"), std::string::npos);
    EXPECT_NE(rows[1].find(",42,"), std::string::npos);
    EXPECT_NE(rows[1].find("3.25"), std::string::npos);
    EXPECT_NE(rows[1].find(Memo().substr(0, 1000)), std::string::npos) << "memo";
    EXPECT_NE(rows[1].find(",TRUE,02/29/24,"), std::string::npos)
        << "Boolean and date: " << rows[1].substr(0, 80);
    EXPECT_EQ(rows[2], "Žaba,-7,-0.50,FALSE,12/31/99,kratek zapis");
    // NULL cells stay empty; LibreOffice shows the unset logical ('?') as FALSE, as it does any
    // logical that is not true.
    EXPECT_EQ(rows[3], ",,,FALSE,,");
    EXPECT_NE(b.find("Škofja Loka,123456789012345"), std::string::npos) << b;
    EXPECT_NE(b.find("Črnomelj,0"), std::string::npos) << b;
}

TEST(IndependentReaderTest, GnumericReadsOurParadoxValues) {
    ASSERT_TRUE(Installed("ssconvert")) << "gnumeric's ssconvert is not installed";
    TScratchDir dir;
    WriteRows(dir / "t.db",
              {{"NAME", ftString, 20},
               {"SI", ftSmallint},
               {"N", ftInteger},
               {"F", ftFloat},
               {"C", ftCurrency},
               {"OK", ftBoolean},
               {"D", ftDate},
               {"T", ftTime},
               {"DT", ftDateTime},
               {"AI", ftAutoInc},
               {"L", ftLargeint}},
              {{"Čšž ČŠŽ", -12, 123456, 3.25, 12.5, true, TVarDate{2024, 2, 29}, TVarTime{13, 45, 30, 0},
                TVarDateTime{{1999, 12, 31}, {23, 59, 58, 0}}, TVariant(), std::int64_t{9223372036854775807}},
               {"Žaba", 7, -1, -0.5, 0.0, false, TVarDate{1970, 1, 1}, TVarTime{0, 0, 1, 0},
                TVarDateTime{{2001, 2, 3}, {4, 5, 6, 0}}, TVariant(), TVariant()}},
              {{"pk", "NAME", true}});
    // gnumeric's Paradox import fails at random ("Could not read header") on the same file, also on
    // tables of other programs: try a few times, and fail when it never succeeds.
    const std::string command = "cd " + dir.Path() + " && HOME=" + dir.Path() + " " + ReaderLocale +
                                "ssconvert t.db t.csv >/dev/null 2>&1";
    int attempts = 0;
    while (std::system(command.c_str()) != 0 && ++attempts < 20) {
    }
    ASSERT_LT(attempts, 20) << "ssconvert never read the table";
    auto rows = Lines(ReadFileBytes(dir / "t.csv"));
    ASSERT_EQ(rows.size(), 3u) << ReadFileBytes(dir / "t.csv");
    // A 64-bit integer is a BCD column without decimals ("#" with 0 in the header's size entry).
    // gnumeric leaves every negative BCD value empty, so only a positive one is compared.
    EXPECT_EQ(rows[0], "\"NAME,A,20\",\"SI,S,2\",\"N,I,4\",\"F,N,8\",\"C,$,8\",\"OK,L,1\",\"D,D,4\",\"T,T,"
                       "4\",\"DT,@,8\",\"AI,+,4\",\"L,#,0\"");
    rows.erase(rows.begin());
    // Key order: byte order of code page 1250, where Ž (0x8E) comes before Č (0xC8).
    EXPECT_EQ(rows[1], "\"Čšž ČŠŽ\",-12,123456,3.25,12.5,TRUE,2024/02/29,13:45:30,\"1999/12/31 23:59:58\",1,"
                       "9223372036854775807.");
    EXPECT_EQ(rows[0], "Žaba,7,-1,-0.5,0,FALSE,1970/01/01,00:00:01,\"2001/02/03 04:05:06\",2,");
}

} // namespace
