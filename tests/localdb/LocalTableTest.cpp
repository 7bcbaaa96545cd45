#include "tests/localdb/TableTestSupport.h"

#include "localdb/Codepage.h"
#include "localdb/TableFile.h"
#include "tests/support/NumericLocale.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarvik;

namespace {

// One body for both formats: the parameter is the file extension.
class LocalTableTest : public ::testing::TestWithParam<std::string> {
protected:
    TScratchDir Dir;
    std::string Path(const std::string& stem = "t") const { return Dir / (stem + GetParam()); }
    bool Paradox() const { return GetParam() == ".db"; }
};

// Neither format tells an empty string from NULL; other values read back equal.
TVariant Expected(const TVariant& written) {
    if (written.Type() == TVarType::vtText && written.TextRef().empty()) return {};
    return written;
}

TEST_P(LocalTableTest, EveryFieldTypeRoundTripsWithNullsEmptyAndSlovenianText) {
    const auto rows = AllTypeRows();
    WriteRows(Path(), AllTypeFields(), rows);
    const auto back = ReadRows(Path());
    ASSERT_EQ(back.size(), rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c + 1 < rows[r].size(); ++c)
            EXPECT_EQ(back[r][c], Expected(rows[r][c]))
                << "row " << r << " field " << AllTypeFields()[c].Name << ": " << Printable(back[r][c]);
    // Auto-increment: NULL gets the next number, a given value is kept and moves the counter.
    EXPECT_EQ(back[0][15], TVariant(1));
    EXPECT_EQ(back[1][15], TVariant(2));
    EXPECT_EQ(back[2][15], TVariant(42));
    EXPECT_EQ(back[1][4], TVariant()) << "a NULL Boolean must not read as False";
    EXPECT_EQ(back[2][4], TVariant(false));
    EXPECT_EQ(back[2][1], TVariant(0)) << "zero must not read as NULL";
    EXPECT_EQ(back[3][11].AsBytes().size(), 3u) << "bytes keep their length; zero bytes are not NULL";
}

// Numbers whose text a decimal comma would change or cut short.
const double LocaleProbes[] = {3.25, -0.5, 1e-7, 12345678901234.5678};

TEST_P(LocalTableTest, NumbersReadBackTheSameUnderTheCAndACommaLocale) {
    for (const char* locale : {"C", CommaLocale}) {
        const TNumericLocale numeric(locale);
        ASSERT_TRUE(numeric.Ok()) << locale << " is not generated";
        std::vector<std::vector<TVariant>> rows;
        for (double v : LocaleProbes)
            rows.push_back({v});
        WriteRows(Path(), {{"F", ftFloat}}, rows);
        const auto back = ReadRows(Path());
        ASSERT_EQ(back.size(), rows.size()) << locale;
        for (std::size_t r = 0; r < rows.size(); ++r)
            EXPECT_EQ(back[r][0], rows[r][0]) << locale << ": " << Printable(back[r][0]);
    }
}

TEST_P(LocalTableTest, ReportsFieldDefinitionsByPositionAndName) {
    WriteRows(Path(), AllTypeFields(), {});
    auto table = TLocalTable::Open(Path(), TOpenMode::omShared);
    ASSERT_EQ(table->FieldCount(), 16);
    EXPECT_TRUE(table->Eof());
    EXPECT_EQ(table->RecordCount(), 0);
    EXPECT_EQ(table->FieldDef(0).Name, "S");
    EXPECT_EQ(table->FieldDef(0).DataType, ftString);
    EXPECT_EQ(table->FieldDef(0).Size, 20);
    EXPECT_EQ(table->FieldIndex("dt"), 10);
    EXPECT_EQ(table->FindField("nope"), -1);
    EXPECT_THROW(table->FieldIndex("nope"), EDatabaseError);
    EXPECT_THROW(table->FieldDef(16), EDatabaseError);
    const std::vector<TFieldType> paradox = {
        ftString, ftSmallint, ftInteger,  ftInteger, ftBoolean, ftFloat, ftCurrency, ftLargeint,
        ftDate,   ftTime,     ftDateTime, ftBlob,    ftBlob,    ftMemo,  ftMemo,     ftAutoInc};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(table->FieldDef(i).DataType, Paradox() ? paradox[i] : AllTypeFields()[i].DataType)
            << table->FieldDef(i).Name;
}

TEST_P(LocalTableTest, KeepsAHundredThousandByteMemo) {
    std::string memo;
    for (int i = 0; i < 4000; ++i)
        memo += "Čas je zlato, šola ključ "; // 25 characters
    ASSERT_EQ(ToCp1250(memo).size(), 100000u);
    WriteRows(Path(), {{"ID", ftInteger}, {"M", ftMemo}}, {{1, memo}, {2, "kratko"}});
    const auto back = ReadRows(Path());
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0][1].AsText(), memo);
    EXPECT_EQ(back[1][1].AsText(), "kratko");
}

TEST_P(LocalTableTest, ReplacingATableRemovesItsRowsAndStaleCompanionFiles) {
    WriteRows(Path(), {{"ID", ftInteger}, {"M", ftMemo}}, {{1, "stara vrstica"}}, {{"pk", "ID", true}});
    const std::string companion = Paradox() ? "t.mb" : "t.dbt";
    ASSERT_TRUE(FileExists(Dir / companion));
    WriteFileBytes(Dir / (Paradox() ? "t.MB" : "t.DBT"), "stale");
    // Companions of other programs: secondary indexes, validity checks, view and family files.
    const std::vector<std::string> stale =
        Paradox() ? std::vector<std::string>{"t.VAL", "t.tv", "t.FAM", "t.X02", "t.Y02", "t.XG0", "t.yg1"}
                  : std::vector<std::string>{"t.ndx", "t.CDX", "t.mdx", "t.fpt"};
    for (const std::string& name : stale)
        WriteFileBytes(Dir / name, "stale");
    WriteFileBytes(Dir / "t2.VAL", "another table's");
    WriteFileBytes(Dir / "t.txt", "not a companion");
    WriteRows(Path(), {{"NAME", ftString, 10}}, {{"nova"}});
    EXPECT_EQ(Dir.Files(), (std::vector<std::string>{"t" + GetParam(), "t.txt", "t2.VAL"}));
    const auto back = ReadRows(Path());
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0][0], TVariant("nova"));
}

TEST_P(LocalTableTest, EmptyingKeepsTheDefinitionsAndAcceptsNewRows) {
    WriteRows(Path(), {{"ID", ftInteger}, {"M", ftMemo}}, {{1, "a"}, {2, std::string(5000, 'b')}});
    // Indexes of the old rows go; what describes the definitions stays.
    const std::string index = Paradox() ? "t.X01" : "t.NDX", kept = Paradox() ? "t.VAL" : "t.txt";
    WriteFileBytes(Dir / index, "stale");
    WriteFileBytes(Dir / kept, "kept");
    auto table = TLocalTable::Open(Path(), TOpenMode::omExclusive);
    table->Empty();
    EXPECT_FALSE(FileExists(Dir / index));
    EXPECT_TRUE(FileExists(Dir / kept));
    table->First();
    EXPECT_TRUE(table->Eof());
    EXPECT_EQ(table->RecordCount(), 0);
    table->Append();
    table->SetValue("ID", 7);
    table->SetValue("m", std::string(3000, 'c'));
    table->Post();
    table->First();
    ASSERT_FALSE(table->Eof());
    EXPECT_EQ(table->Value("ID"), TVariant(7));
    EXPECT_EQ(table->Value(1).AsText().size(), 3000u);
    table->Next();
    EXPECT_TRUE(table->Eof());
    table->Close();
}

TEST_P(LocalTableTest, AppendsToATableWrittenBeforeAcrossManyBlocks) {
    const int first = 3000, second = 2500;
    TLocalTable::Create(Path(), {{"ID", ftInteger}, {"NAME", ftString, 40}}, {});
    for (int pass = 0; pass < 2; ++pass) {
        auto table = TLocalTable::Open(Path(), TOpenMode::omShared);
        const int from = pass == 0 ? 0 : first, to = pass == 0 ? first : first + second;
        for (int i = from; i < to; ++i) {
            table->Append();
            table->SetValue(0, i);
            table->SetValue(1, "vrstica " + std::to_string(i));
            table->Post();
        }
        table->Close();
    }
    const auto back = ReadRows(Path());
    ASSERT_EQ(back.size(), static_cast<std::size_t>(first + second));
    for (int i = 0; i < first + second; i += 499)
        EXPECT_EQ(back[static_cast<std::size_t>(i)][0], TVariant(i));
    EXPECT_EQ(back.back()[1], TVariant("vrstica " + std::to_string(first + second - 1)));
}

TEST_P(LocalTableTest, RefusesAValueThatDoesNotFitAndKeepsTheRowForCorrection) {
    TLocalTable::Create(Path(), {{"S", ftString, 3}, {"N", ftSmallint}}, {});
    auto table = TLocalTable::Open(Path(), TOpenMode::omExclusive);
    table->Append();
    table->SetValue(0, "predolgo");
    EXPECT_THROW(table->Post(), EDatabaseError);
    table->SetValue(0, "čšž");
    table->SetValue(1, "ni število");
    EXPECT_THROW(table->Post(), EDatabaseError);
    table->SetValue(1, 5);
    table->Post();
    table->First();
    EXPECT_EQ(table->Value(0), TVariant("čšž"));
    EXPECT_EQ(table->RecordCount(), 1);
}

TEST_P(LocalTableTest, ExclusiveOpenShutsOutOtherOpens) {
    WriteRows(Path(), {{"ID", ftInteger}}, {{1}});
    {
        auto a = TLocalTable::Open(Path(), TOpenMode::omShared);
        auto b = TLocalTable::Open(Path(), TOpenMode::omShared);
        EXPECT_THROW(TLocalTable::Open(Path(), TOpenMode::omExclusive), EDatabaseError);
    }
    auto x = TLocalTable::Open(Path(), TOpenMode::omExclusive);
    try {
        TLocalTable::Open(Path(), TOpenMode::omShared);
        ADD_FAILURE() << "a second open of an exclusive table succeeded";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().find(Path()), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find("busy"), std::string::npos) << e.Message();
    }
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

// A table whose header names another code page: text is read in it, and appended rows are written in it.
TEST_P(LocalTableTest, ReadsAndAppendsTextInTheCodePageItsHeaderNames) {
    struct TCase {
        int CodePage;
        char Driver;
        std::string Bytes, Text;
    };
    for (const TCase& c : std::vector<TCase>{{437, '\x01', "\x84\x94\x81\xE1", "äöüß"},
                                             {850, '\x02', "\x84\x9D\x81\xE1", "äØüß"},
                                             {852, '\x64', "\xAC\xE6\xA6\x9F", "ČŠŽč"},
                                             {1250, '\xC8', "\xC8\x8A\x8E\xE8", "ČŠŽč"},
                                             {1252, '\x03', "\xD1\xF1\x80\xFF", "Ññ€ÿ"}}) {
        SCOPED_TRACE(c.CodePage);
        WriteRows(Path(), {{"S", ftString, 20}, {"M", ftMemo}}, {{"QQQQ", "memo QQQQ"}});
        std::string file = ReadFileBytes(Path());
        if (Paradox()) // the code page at 0x6A
            file.replace(
                0x6A, 2,
                std::string{static_cast<char>(c.CodePage & 0xFF), static_cast<char>(c.CodePage >> 8)});
        else
            file[29] = c.Driver;
        WriteFileBytes(Path(), ReplaceAll(file, "QQQQ", c.Bytes));
        if (!Paradox())
            WriteFileBytes(Dir / "t.dbt", ReplaceAll(ReadFileBytes(Dir / "t.dbt"), "QQQQ", c.Bytes));

        auto table = TLocalTable::Open(Path(), TOpenMode::omExclusive);
        EXPECT_EQ(table->Value(0), TVariant(c.Text));
        EXPECT_EQ(table->Value(1), TVariant("memo " + c.Text));
        table->Append();
        table->SetValue(0, c.Text + "!");
        table->SetValue(1, std::string(300, '-') + c.Text + "!");
        table->Post();
        table->Close();
        const auto rows = ReadRows(Path());
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[1][0], TVariant(c.Text + "!"));
        EXPECT_EQ(rows[1][1], TVariant(std::string(300, '-') + c.Text + "!"));
        EXPECT_NE(ReadFileBytes(Path()).find(c.Bytes + "!"), std::string::npos);
        EXPECT_NE(
            ReadFileBytes(Dir / (Paradox() ? "t.mb" : "t.dbt")).find(std::string(300, '-') + c.Bytes + "!"),
            std::string::npos);
    }
}

TEST_P(LocalTableTest, ATableOfAnUnknownCodePageIsReadButTakesNoRows) {
    WriteRows(Path(), {{"S", ftString, 20}}, {{"abc"}});
    std::string file = ReadFileBytes(Path());
    if (Paradox())
        file.replace(0x6A, 2, "\x62\x03"); // 866, a code page we lack
    else
        file[29] = '\x7D'; // a language driver of a code page we lack
    WriteFileBytes(Path(), file);
    auto table = TLocalTable::Open(Path(), TOpenMode::omExclusive);
    EXPECT_EQ(table->Value(0), TVariant("abc"));
    table->Append();
    table->SetValue(0, "x");
    try {
        table->Post();
        ADD_FAILURE() << "a row was added in an unknown code page";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().find("not supported"), std::string::npos) << e.Message();
    }
}

TEST_P(LocalTableTest, SharedWritersTakeTurnsAndOneThatReadAnOlderTableWritesNothing) {
    WriteRows(Path(), {{"ID", ftInteger}, {"M", ftMemo}}, {{1, std::string(600, 'a')}});
    auto a = TLocalTable::Open(Path(), TOpenMode::omShared);
    auto b = TLocalTable::Open(Path(), TOpenMode::omShared);
    for (auto* table : {a.get(), b.get()}) {
        table->Append();
        table->SetValue(0, table == a.get() ? 2 : 3);
        table->SetValue(1, std::string(700, table == a.get() ? 'b' : 'c'));
        table->Post();
    }
    a->Close();
    try {
        b->Close();
        ADD_FAILURE() << "a writer that read the table before another wrote to it wrote as well";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().find("changed by another user"), std::string::npos) << e.Message();
    }
    b.reset();
    const auto rows = ReadRows(Path());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][0], TVariant(2));
    EXPECT_EQ(rows[1][1], TVariant(std::string(700, 'b')));
    // Reopened, the second writer adds its row after the first one's.
    auto again = TLocalTable::Open(Path(), TOpenMode::omShared);
    again->Append();
    again->SetValue(0, 3);
    again->Post();
    again->Close();
    EXPECT_EQ(ReadRows(Path()).size(), 3u);
}

TEST_P(LocalTableTest, AnOpenTableIsNeitherEmptiedSharedNorReplaced) {
    WriteRows(Path(), {{"ID", ftInteger}}, {{1}});
    auto shared = TLocalTable::Open(Path(), TOpenMode::omShared);
    EXPECT_THROW(shared->Empty(), EDatabaseError);
    try {
        TLocalTable::Create(Path(), {{"X", ftString, 5}}, {});
        ADD_FAILURE() << "a table open elsewhere was replaced";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().find("busy"), std::string::npos) << e.Message();
    }
    shared->First();
    EXPECT_EQ(shared->Value(0), TVariant(1));
    shared.reset();
    EXPECT_EQ(ReadRows(Path()).size(), 1u);
}

// Writes beyond `limit` bytes fail (EFBIG) while the guard lives, also for root.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t limit) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &FOld);
        rlimit l = FOld;
        l.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &l);
    }
    ~TFileSizeLimit() { setrlimit(RLIMIT_FSIZE, &FOld); }

private:
    rlimit FOld{};
};

TEST_P(LocalTableTest, AFailedCreateLeavesTheOldTableIntactWithAClearError) {
    WriteRows(Path(), {{"ID", ftInteger}, {"M", ftMemo}}, {{1, "ostane"}});
    const auto before = Dir.Files();
    try {
        TFileSizeLimit limit(1000);
        TLocalTable::Create(Path(), TFieldDefs(40, TFieldDef{"X", ftString, 200}), {});
        ADD_FAILURE() << "creation succeeded beyond the file size limit";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message().rfind(Path() + ": ", 0), 0u) << "must name the table: " << e.Message();
        EXPECT_EQ(e.Message().find(".tmp"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(Dir.Files(), before) << "temporary files must be gone, companions kept";
    const auto rows = ReadRows(Path());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], TVariant("ostane"));
}

TEST_P(LocalTableTest, AFailedRenameOfACompanionLeavesTheOldMainFileInPlace) {
    WriteRows(Path(), {{"ID", ftInteger}}, {{1}, {2}});
    // A directory where the new memo file must go makes that rename fail.
    const std::string memo = Dir / (Paradox() ? "t.mb" : "t.dbt");
    ASSERT_EQ(mkdir(memo.c_str(), 0755), 0);
    try {
        TLocalTable::Create(Path(), {{"NAME", ftString, 10}, {"M", ftMemo}}, {});
        ADD_FAILURE() << "creation succeeded although the memo file could not be put in place";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message().rfind(memo + ": ", 0), 0u) << e.Message();
    }
    const auto rows = ReadRows(Path());
    ASSERT_EQ(rows.size(), 2u) << "the old table must stay";
    EXPECT_EQ(rows[1][0], TVariant(2));
    EXPECT_EQ(Dir.Files(), (std::vector<std::string>{"t" + GetParam(), Paradox() ? "t.mb" : "t.dbt"}));
}

TEST_P(LocalTableTest, AFailedAppendKeepsEveryRowWrittenBefore) {
    std::vector<std::vector<TVariant>> rows;
    for (int i = 0; i < 3000; ++i)
        rows.push_back(
            {i, i % 3 ? TVariant("vrstica " + std::to_string(i)) : TVariant(std::string(700, 'm'))});
    WriteRows(Path(), {{"ID", ftInteger}, {"M", ftMemo}}, rows);
    {
        // The limit falls within the new rows of the data file (the memo file, larger, is not written).
        auto table = TLocalTable::Open(Path(), TOpenMode::omExclusive);
        TFileSizeLimit limit(static_cast<rlim_t>(ReadFileBytes(Path()).size()) + 4096);
        EXPECT_THROW(
            {
                for (int i = 0; i < 200000; ++i) {
                    table->Append();
                    table->SetValue(0, i);
                    table->Post();
                }
                table->Close();
            },
            EDatabaseError);
        table.reset(); // its last try to write the pending rows fails as well
    }
    const auto back = ReadRows(Path());
    ASSERT_EQ(back.size(), rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        EXPECT_EQ(back[r][0], rows[r][0]) << r;
        EXPECT_EQ(back[r][1], rows[r][1]) << r;
    }
}

TEST(FitFieldNamesTest, LongNamesAreCutBetweenLettersToTheCodePageLength) {
    const TFieldDefs fields = {
        {"ŠtevilkaRačuna", ftInteger}, {"ŠtevilkaRačunaDva", ftInteger}, {"čž", ftInteger}};
    EXPECT_EQ(FitFieldNames("t.dbf", fields, 10),
              (std::vector<std::string>{"ŠtevilkaRa", "ŠtevilkaR1", "čž"}));
    TScratchDir dir;
    WriteRows(dir / "n.dbf", fields, {{1, 2, 3}});
    auto table = TLocalTable::Open(dir / "n.dbf", TOpenMode::omShared);
    EXPECT_EQ(table->FieldDef(0).Name, "ŠtevilkaRa");
    EXPECT_EQ(table->FieldDef(1).Name, "ŠtevilkaR1");
    EXPECT_EQ(table->Value("ŠtevilkaR1"), TVariant(2));
}

TEST(DbfTableTest, RequiredFieldsAreKeptInTheFileAndEnforcedOnPost) {
    TScratchDir dir;
    const std::string path = dir / "r.dbf";
    TLocalTable::Create(path, {{"ID", ftInteger, 0, true}, {"NAME", ftString, 10}}, {});
    auto table = TLocalTable::Open(path, TOpenMode::omExclusive);
    EXPECT_TRUE(table->FieldDef(0).Required);
    EXPECT_FALSE(table->FieldDef(1).Required);
    table->Append();
    table->SetValue(1, "brez");
    try {
        table->Post();
        ADD_FAILURE() << "a NULL required field was posted";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().find("'ID' must have a value"), std::string::npos) << e.Message();
    }
    table->SetValue(0, 1);
    table->Post();
    table->Close();
    EXPECT_EQ(ReadRows(path).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, LocalTableTest, ::testing::Values(".db", ".dbf"),
                         [](const auto& suffix) { return suffix.param == ".db" ? "Paradox" : "dBase"; });

class ParadoxTableTest : public ::testing::Test {
protected:
    TScratchDir Dir;
};

TEST_F(ParadoxTableTest, PrimaryKeyedTableKeepsKeyOrderWritesItsIndexAndRefusesDuplicates) {
    const std::string path = Dir / "TTableFields";
    TLocalTable::Create(path,
                        {{"ZapSt", ftSmallint},
                         {"FieldName", ftString, 30},
                         {"DataType", ftString, 30},
                         {"Size", ftSmallint}},
                        {{"TTableFields", "ZapSt", true}});
    EXPECT_TRUE(FileExists(path + ".db"));
    EXPECT_TRUE(FileExists(path + ".px"));
    auto table = TLocalTable::Open(path, TOpenMode::omExclusive);
    for (int z : {3, -1, 2, 1}) {
        table->Append();
        table->SetValue("ZapSt", z);
        table->SetValue("FieldName", "Polje " + std::to_string(z));
        table->Post();
    }
    table->Append();
    table->SetValue("ZapSt", 2);
    EXPECT_THROW(table->Post(), EDatabaseError);
    table->Cancel();
    std::vector<std::int64_t> order;
    for (table->First(); !table->Eof(); table->Next())
        order.push_back(table->Value(0).AsInteger());
    EXPECT_EQ(order, (std::vector<std::int64_t>{-1, 1, 2, 3}));
    table->Close();
    const std::string px = ReadFileBytes(path + ".px");
    ASSERT_GT(px.size(), 2048u);
    EXPECT_EQ(px[4], 1) << "index file type";
}

std::uint16_t U16At(const std::string& s, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) |
                                      static_cast<unsigned char>(s[at + 1]) << 8);
}

// A 16-bit value as the index stores it: big-endian with the sign bit flipped.
int ShortValueAt(const std::string& s, std::size_t at) {
    return ((static_cast<unsigned char>(s[at]) << 8) | static_cast<unsigned char>(s[at + 1])) ^ 0x8000;
}

TEST_F(ParadoxTableTest, PrimaryIndexHoldsTheFirstKeyBlockAndRowCountOfEveryDataBlock) {
    const std::string path = Dir / "k.db";
    TLocalTable::Create(path, {{"ID", ftInteger}, {"NAME", ftString, 40}}, {{"pk", "ID", true}});
    auto table = TLocalTable::Open(path, TOpenMode::omExclusive);
    for (int i = 0; i < 3000; ++i) {
        table->Append();
        table->SetValue(0, i * 7 % 3000); // out of key order
        table->SetValue(1, "vrstica " + std::to_string(i));
        table->Post();
    }
    table->Close();

    const std::string db = ReadFileBytes(path), px = ReadFileBytes(Dir / "k.px");
    const std::size_t recordSize = U16At(db, 0), dbHeader = U16At(db, 2), dbBlock = db[5] * 1024u;
    const std::size_t dataBlocks = U16At(db, 0x0C);
    ASSERT_EQ(recordSize, 44u);
    ASSERT_GT(dataBlocks, 1u);
    ASSERT_EQ(db.size(), dbHeader + dataBlocks * dbBlock);

    EXPECT_EQ(px[4], 1) << "index file type";
    EXPECT_EQ(U16At(px, 0x23), 1) << "key fields";
    EXPECT_EQ(U16At(px, 6), dataBlocks) << "one entry per data block";
    EXPECT_EQ(U16At(px, 0x1E), 1) << "root block";
    EXPECT_EQ(px[0x20], 1) << "index levels";
    const std::size_t pxHeader = U16At(px, 2), pxBlock = px[5] * 1024u, entrySize = 4 + 6;
    ASSERT_EQ(U16At(px, 0x0C), 1) << "the entries fit one index block";
    ASSERT_GE(px.size(), pxHeader + pxBlock);
    EXPECT_EQ((static_cast<std::int16_t>(U16At(px, pxHeader + 4)) / entrySize) + 1, dataBlocks);

    std::size_t rows = 0;
    for (std::size_t b = 0; b < dataBlocks; ++b) {
        SCOPED_TRACE(b);
        const std::size_t block = dbHeader + b * dbBlock;
        const std::size_t count = static_cast<std::int16_t>(U16At(db, block + 4)) / recordSize + 1;
        const std::size_t entry = pxHeader + 6 + b * entrySize;
        EXPECT_EQ(px.substr(entry, 4), db.substr(block + 6, 4)) << "first key of the block";
        EXPECT_EQ(ShortValueAt(px, entry + 4), static_cast<int>(b + 1)) << "block number";
        EXPECT_EQ(ShortValueAt(px, entry + 6), static_cast<int>(count)) << "rows in the block";
        rows += count;
    }
    EXPECT_EQ(rows, 3000u);
    const auto back = ReadRows(path);
    ASSERT_EQ(back.size(), 3000u);
    for (int i = 0; i < 3000; i += 97)
        EXPECT_EQ(back[static_cast<std::size_t>(i)][0], TVariant(i));
}

TEST_F(ParadoxTableTest, AppendsToATableWhoseLastBlockIsNotTheLastInTheFile) {
    // As other programs leave tables: the chain runs from block 2 to block 1.
    const std::string path = Dir / "c.db";
    std::vector<std::vector<TVariant>> rows;
    for (int i = 0; i < 5000; ++i)
        rows.push_back({i});
    WriteRows(path, {{"ID", ftInteger}}, rows);
    std::string db = ReadFileBytes(path);
    const std::size_t header = U16At(db, 2), block = db[5] * 1024u;
    ASSERT_EQ(U16At(db, 0x0C), 2) << "blocks";
    const std::string first = db.substr(header, block), second = db.substr(header + block, block);
    auto link = [](std::string b, char next, char prev) {
        b[0] = next, b[1] = 0, b[2] = prev, b[3] = 0;
        return b;
    };
    db.replace(header, block, link(second, 0, 2));
    db.replace(header + block, block, link(first, 1, 0));
    db[0x0E] = 2, db[0x10] = 1; // first and last block
    WriteFileBytes(path, db);
    ASSERT_EQ(ReadRows(path).size(), 5000u);

    auto table = TLocalTable::Open(path, TOpenMode::omExclusive);
    for (int i = 5000; i < 10000; ++i) {
        table->Append();
        table->SetValue(0, i);
        table->Post();
    }
    table->Close();
    const auto back = ReadRows(path);
    ASSERT_EQ(back.size(), 10000u);
    for (int i = 0; i < 10000; ++i)
        ASSERT_EQ(back[static_cast<std::size_t>(i)][0], TVariant(i)) << i;
}

TEST_F(ParadoxTableTest, MemosNoLongerThanTheirLeaderStayInTheRow) {
    const std::string path = Dir / "m.db";
    WriteRows(path, {{"ID", ftInteger}, {"M", ftMemo}}, {{1, "kratko"}, {2, "deset črk"}}); // 6 and 10 bytes
    EXPECT_EQ(ReadFileBytes(Dir / "m.mb").size(), 4096u) << "only the memo file's header";
    const auto back = ReadRows(path);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1][1], TVariant("deset črk"));
    WriteRows(path, {{"ID", ftInteger}, {"M", ftMemo}}, {{1, "enajst črk!"}}); // 11 bytes
    EXPECT_GT(ReadFileBytes(Dir / "m.mb").size(), 4096u);
}

TEST_F(ParadoxTableTest, BcdColumnsWithDecimalsReadAndTakeNumbers) {
    // Our 64-bit integers are BCD without decimals; two decimals in the header entry make 12345 123.45.
    const std::string path = Dir / "bcd.db";
    WriteRows(path, {{"N", ftLargeint}}, {{12345}, {-12345}, {TVariant()}});
    std::string file = ReadFileBytes(path);
    ASSERT_EQ(file.substr(0x78, 2), std::string("\x17\x00", 2)) << "BCD, no decimals";
    file[0x79] = 2;
    WriteFileBytes(path, file);
    auto table = TLocalTable::Open(path, TOpenMode::omExclusive);
    EXPECT_EQ(table->FieldDef(0).DataType, ftBCD);
    EXPECT_EQ(table->FieldDef(0).Precision, 2);
    {
        // The digits of the decimal text, whatever separator the locale's printf would put between.
        const TNumericLocale numeric(CommaLocale);
        ASSERT_TRUE(numeric.Ok()) << CommaLocale << " is not generated";
        for (double v : LocaleProbes) {
            table->Append();
            table->SetValue(0, v);
            table->Post();
        }
    }
    table->Close();
    const auto rows = ReadRows(path);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0][0], TVariant(123.45));
    EXPECT_EQ(rows[1][0], TVariant(-123.45));
    EXPECT_EQ(rows[2][0], TVariant());
    EXPECT_EQ(rows[3][0], TVariant(3.25));
    EXPECT_EQ(rows[4][0], TVariant(-0.5));
    EXPECT_EQ(rows[5][0], TVariant(0.0)) << "below the second decimal";
    EXPECT_EQ(rows[6][0], TVariant(12345678901234.57));
}

TEST_F(ParadoxTableTest, ANameWithoutExtensionIsAParadoxTableInTheCurrentDirectory) {
    char* cwd = get_current_dir_name();
    const std::string old = cwd;
    free(cwd);
    ASSERT_EQ(chdir(Dir.Path().c_str()), 0);
    TLocalTable::Create("Rezultat", {{"A", ftInteger}}, {});
    WriteRows("Kopija.DBF", {{"A", ftInteger}}, {{5}});
    EXPECT_EQ(Dir.Files(), (std::vector<std::string>{"Kopija.DBF", "Rezultat.db"}));
    EXPECT_EQ(ReadFileBytes(Dir / "Kopija.DBF")[29], static_cast<char>(0xC8));
    EXPECT_EQ(ReadRows("Kopija.DBF").size(), 1u);
    EXPECT_EQ(TLocalTable::Open("Rezultat", TOpenMode::omShared)->FieldDef(0).Name, "A");
    ASSERT_EQ(chdir(old.c_str()), 0);
}

TEST_F(ParadoxTableTest, PrimaryIndexMustNameTheLeadingFieldsAndNoMemoOrBlobColumn) {
    EXPECT_THROW(TLocalTable::Create(Dir / "k", {{"A", ftInteger}, {"B", ftInteger}}, {{"pk", "B", true}}),
                 EDatabaseError);
    // Types whose values the memo file keeps: a long string, bytes, typed binary, OLE.
    for (const TFieldDef& key : std::vector<TFieldDef>{
             {"K", ftString, 300}, {"K", ftBytes, 8}, {"K", ftTypedBinary}, {"K", ftParadoxOle}}) {
        try {
            TLocalTable::Create(Dir / "k", {key, {"B", ftInteger}}, {{"pk", "K", true}});
            ADD_FAILURE() << "a key on " << FieldTypeIdent(key.DataType) << " was accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_NE(e.Message().find("cannot be part of a key"), std::string::npos) << e.Message();
        }
    }
    EXPECT_FALSE(FileExists(Dir / "k.db"));
    TLocalTable::Create(Dir / "k", {{"A", ftInteger}, {"B", ftInteger}}, {{"pk", "a;B", true}});
    EXPECT_TRUE(FileExists(Dir / "k.px"));
}

TEST_F(ParadoxTableTest, RefusesFieldTypesThatHoldNoStorableValue) {
    EXPECT_THROW(TLocalTable::Create(Dir / "x", {{"A", ftDataSet}}, {}), EDatabaseError);
    EXPECT_THROW(TLocalTable::Create(Dir / "x", {}, {}), EDatabaseError);
    EXPECT_FALSE(FileExists(Dir / "x.db"));
}

} // namespace
