#include "tests/localdb/TableTestSupport.h"

#include "localdb/ParadoxFormat.h"

#include <cstring>

using namespace tarvik;

namespace {

// Damages a valid table and expects a refusal that names the damaged file (at open or at the latest
// while reading every value), never a crash.
class CorruptFileTest : public ::testing::Test {
protected:
    TScratchDir Dir;

    void ExpectRefused(const std::string& path, const std::string& named, const std::string& what) {
        SCOPED_TRACE(what);
        try {
            auto table = TLocalTable::Open(path, TOpenMode::omShared);
            for (table->First(); !table->Eof(); table->Next())
                for (int i = 0; i < table->FieldCount(); ++i)
                    table->Value(i);
            ADD_FAILURE() << "the damaged table was accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_NE(e.Message().find(named), std::string::npos) << e.Message();
        }
    }

    // Writes `base` with a patch applied at offset and checks the refusal.
    void Patched(const std::string& base, const std::string& file, std::size_t offset,
                 const std::string& bytes, const std::string& what) {
        std::string damaged = base;
        damaged.replace(offset, bytes.size(), bytes);
        WriteFileBytes(file, damaged);
        ExpectRefused(file, file, what);
        WriteFileBytes(file, base);
    }
};

std::string U16(std::uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

TEST_F(CorruptFileTest, ParadoxFilesWithBadHeadersBlocksOrMemoPointersAreRefused) {
    const std::string db = Dir / "p.db", mb = Dir / "p.mb";
    std::vector<std::vector<TVariant>> rows;
    for (int i = 0; i < 2000; ++i)
        rows.push_back({i, std::string(300, static_cast<char>('a' + i % 26))});
    WriteRows(db, {{"ID", ftInteger}, {"M", ftMemo, 10}}, rows);
    const std::string base = ReadFileBytes(db), baseMb = ReadFileBytes(mb);

    WriteFileBytes(db, base.substr(0, 100));
    ExpectRefused(db, db, "header cut short");
    WriteFileBytes(db, base.substr(0, base.size() - 5000));
    ExpectRefused(db, db, "data blocks cut short");
    WriteFileBytes(db, base);
    Patched(base, db, 0x00, U16(0), "record size zero");
    Patched(base, db, 0x02, U16(0xF000), "header size beyond the file");
    Patched(base, db, 0x05, std::string(1, '\x63'), "block size out of range");
    Patched(base, db, 0x21, U16(200), "field count that does not fit the header");
    Patched(base, db, 0x0E, U16(9000), "first block beyond the end");
    Patched(base, db, 0x78, std::string(1, '\x42'), "unknown field type");
    // A block whose next pointer leads back to itself.
    Patched(base, db, 0x800, U16(1), "block chain loop");
    Patched(base, db, 0x800 + 4, U16(0x7001), "record count larger than the block");
    // A memo pointer far beyond the memo file.
    Patched(base, db, 0x800 + 6 + 4 + 10, std::string("\xFF\x00\x00\x7F", 4), "memo pointer out of range");
    WriteFileBytes(mb, baseMb.substr(0, 8192));
    ExpectRefused(db, db, "memo file cut short");
}

TEST_F(CorruptFileTest, DBaseFilesWithBadHeadersOrMemoPointersAreRefused) {
    const std::string dbf = Dir / "d.dbf", dbt = Dir / "d.dbt";
    WriteRows(dbf, {{"ID", ftInteger}, {"M", ftMemo}}, {{1, std::string(2000, 'm')}, {2, "kratek"}});
    const std::string base = ReadFileBytes(dbf), baseDbt = ReadFileBytes(dbt);

    WriteFileBytes(dbf, base.substr(0, 20));
    ExpectRefused(dbf, dbf, "header cut short");
    WriteFileBytes(dbf, base);
    Patched(base, dbf, 0, std::string(1, '\x42'), "unknown version");
    Patched(base, dbf, 4, std::string("\xFF\xFF\xFF\x0F", 4), "row count beyond the file");
    Patched(base, dbf, 8, U16(0), "header length zero");
    Patched(base, dbf, 8, U16(0xFFFF), "header length beyond the file");
    Patched(base, dbf, 10, U16(1), "record length too small");
    Patched(base, dbf, 32 + 16, std::string(1, '\x02'), "field lengths that do not add up");
    Patched(base, dbf, 32 + 11, std::string(1, 'Z'), "unknown field type");
    Patched(base, dbf, 96, std::string(1, '\x20'), "field list without its end mark");
    const std::size_t firstMemo = 97 + 1 + 11;
    Patched(base, dbf, firstMemo, "  99999999", "memo pointer beyond the memo file");
    WriteFileBytes(dbt, baseDbt.substr(0, 10));
    ExpectRefused(dbf, dbt, "memo file cut short");
}

TEST_F(CorruptFileTest, DBaseVariantsWeDoNotReadAreRefusedAsUnsupported) {
    const std::string dbf = Dir / "d.dbf";
    WriteRows(dbf, {{"ID", ftInteger}}, {{1}});
    const std::string base = ReadFileBytes(dbf);
    for (const auto& [offset, patch] : std::vector<std::pair<std::size_t, std::string>>{
             {0, "\x04"}, {0, "\x8C"}, {32 + 11, "V"}, {32 + 11, "@"}}) {
        std::string variant = base;
        variant.replace(offset, patch.size(), patch);
        WriteFileBytes(dbf, variant);
        try {
            TLocalTable::Open(dbf, TOpenMode::omShared);
            ADD_FAILURE() << "variant accepted: " << patch;
        } catch (const EDatabaseError& e) {
            EXPECT_NE(e.Message().find(dbf + ": unsupported dBase variant"), std::string::npos)
                << e.Message();
        }
    }
}

} // namespace
