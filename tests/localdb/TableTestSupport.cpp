#include "tests/localdb/TableTestSupport.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <limits>
#include <sstream>

namespace tarvik {

TScratchDir::TScratchDir() {
    char templ[] = "/tmp/tarvik-localdb-XXXXXX";
    const char* dir = mkdtemp(templ);
    if (!dir) throw std::runtime_error("mkdtemp failed");
    FPath = dir;
}

TScratchDir::~TScratchDir() {
    std::system(("rm -rf '" + FPath + "'").c_str());
}

std::vector<std::string> TScratchDir::Files() const {
    std::vector<std::string> names;
    if (DIR* d = opendir(FPath.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.' || (e->d_name[1] != '\0' && e->d_name[1] != '.'))
                names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string RunCommand(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run: " << command;
        return output;
    }
    std::array<char, 4096> buf{};
    while (std::size_t n = fread(buf.data(), 1, buf.size(), pipe))
        output.append(buf.data(), n);
    const int status = pclose(pipe);
    EXPECT_EQ(status, 0) << "command failed: " << command << "\n" << output;
    return output;
}

TFieldDefs AllTypeFields() {
    return {{"S", ftString, 20}, {"SI", ftSmallint}, {"I", ftInteger},      {"W", ftWord},
            {"B", ftBoolean},    {"F", ftFloat},     {"C", ftCurrency},     {"L", ftLargeint},
            {"D", ftDate},       {"T", ftTime},      {"DT", ftDateTime},    {"BY", ftBytes, 8},
            {"BL", ftBlob},      {"M", ftMemo},      {"LS", ftString, 400}, {"AI", ftAutoInc}};
}

std::vector<std::vector<TVariant>> AllTypeRows() {
    TBytes blob;
    for (int i = 0; i < 300; ++i)
        blob.push_back(static_cast<std::uint8_t>(i * 7));
    blob[10] = blob[11] = 0x1A;
    const std::string longText = "Dolg niz: " + std::string(290, 'x') + " čšž";
    std::vector<TVariant> full = {std::string("Čšž ČŠŽ test"),
                                  -1234,
                                  123456789,
                                  65535,
                                  true,
                                  3.14159,
                                  12.34,
                                  std::numeric_limits<std::int64_t>::max(),
                                  TVarDate{2024, 2, 29},
                                  TVarTime{13, 45, 30, 250000000},
                                  TVarDateTime{{1999, 12, 31}, {23, 59, 59, 123000000}},
                                  TBytes{0, 1, 2, 0xFF, 0x1A, 9, 8, 7},
                                  blob,
                                  std::string("Žabe skačejo\nčez potok. ĆćĐđ"),
                                  longText,
                                  TVariant()};
    std::vector<TVariant> nulls(full.size());
    std::vector<TVariant> zeros = {std::string(""),
                                   0,
                                   0,
                                   0,
                                   false,
                                   0.0,
                                   0.0,
                                   std::int64_t{0},
                                   TVarDate{1, 1, 1},
                                   TVarTime{0, 0, 0, 0},
                                   TVarDateTime{{1, 1, 1}, {}},
                                   TVariant(),
                                   TVariant(),
                                   std::string(""),
                                   std::string(""),
                                   42};
    // The other extremes: the most negative 64-bit integer, bytes shorter than the column, all zero.
    std::vector<TVariant> extremes = full;
    extremes[7] = std::numeric_limits<std::int64_t>::min();
    extremes[11] = TBytes{0, 0, 0};
    extremes[15] = TVariant();
    return {full, nulls, zeros, extremes};
}

void WriteRows(const std::string& path, const TFieldDefs& fields,
               const std::vector<std::vector<TVariant>>& rows, const TIndexDefs& indexes) {
    TLocalTable::Create(path, fields, indexes);
    auto table = TLocalTable::Open(path, TOpenMode::omExclusive);
    for (const auto& row : rows) {
        table->Append();
        for (std::size_t i = 0; i < row.size(); ++i)
            table->SetValue(static_cast<int>(i), row[i]);
        table->Post();
    }
    table->Close();
}

std::vector<std::vector<TVariant>> ReadRows(const std::string& path) {
    auto table = TLocalTable::Open(path, TOpenMode::omShared);
    std::vector<std::vector<TVariant>> rows;
    for (table->First(); !table->Eof(); table->Next()) {
        rows.emplace_back();
        for (int i = 0; i < table->FieldCount(); ++i)
            rows.back().push_back(table->Value(i));
    }
    return rows;
}

std::string Printable(const TVariant& v) {
    if (v.IsNull()) return "NULL";
    if (v.Type() == TVarType::vtBytes) return "bytes[" + std::to_string(v.AsBytes().size()) + "]";
    return v.AsText();
}

} // namespace tarvik
