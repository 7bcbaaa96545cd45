// Writes a small seed corpus for both fuzz targets: tables of every field type, keyed and with memos.
#include "localdb/LocalTable.h"
#include "tests/localdb/fuzz/FuzzInput.h"

#include <fstream>
#include <sstream>

using namespace tarvik;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Seed(const std::string& out, const std::string& name, const std::string& ext, const std::string& memoExt,
          const TFieldDefs& fields, const TIndexDefs& indexes, int rows) {
    const std::string path = "/tmp/tarvik-seed" + ext;
    TLocalTable::Create(path, fields, indexes);
    auto table = TLocalTable::Open(path, TOpenMode::omExclusive);
    for (int i = 0; i < rows; ++i) {
        table->Append();
        for (int f = 0; f < table->FieldCount(); ++f) {
            const TFieldType t = fields[static_cast<std::size_t>(f)].DataType;
            if (i % 3 == 2) continue; // NULL row
            if (t == ftString)
                table->SetValue(f, "č" + std::string(i % 5, 'x'));
            else if (t == ftMemo)
                table->SetValue(f, "č" + std::string(i * 40 % 300, 'x'));
            else if (t == ftBlob || t == ftBytes)
                table->SetValue(f, TBytes(static_cast<std::size_t>(i % 4 + 1), 0x1A));
            else if (t == ftDate)
                table->SetValue(f, TVarDate{2000 + i, 1 + i % 12, 1 + i % 28});
            else if (t == ftTime)
                table->SetValue(f, TVarTime{i % 24, 5, 6, 0});
            else if (t == ftDateTime)
                table->SetValue(f, TVarDateTime{{1999, 12, 31}, {23, 59, 59, 0}});
            else if (t == ftBoolean)
                table->SetValue(f, i % 2 == 0);
            else if (t != ftAutoInc)
                table->SetValue(f, i * 3 - 1);
        }
        table->Post();
    }
    table->Close();
    std::ofstream(out + "/" + name, std::ios::binary)
        << PackFuzzInput(Slurp(path), Slurp(path.substr(0, path.size() - ext.size()) + memoExt));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string out = argv[2];
    const bool dbf = std::string(argv[1]) == "dbf";
    const std::string ext = dbf ? ".dbf" : ".db", memo = dbf ? ".dbt" : ".mb";
    const TFieldDefs all = {{"S", ftString, 12}, {"SI", ftSmallint}, {"I", ftInteger}, {"B", ftBoolean},
                            {"F", ftFloat},      {"D", ftDate},      {"T", ftTime},    {"DT", ftDateTime},
                            {"BY", ftBytes, 4},  {"M", ftMemo},      {"BL", ftBlob},   {"AI", ftAutoInc},
                            {"L", ftLargeint}};
    Seed(out, "all", ext, memo, all, {}, 6);
    Seed(out, "keyed", ext, memo, {{"K", ftInteger}, {"S", ftString, 5}},
         dbf ? TIndexDefs{} : TIndexDefs{{"pk", "K", true}}, 4);
    Seed(out, "empty", ext, memo, {{"A", ftString, 3}}, {}, 0);
    return 0;
}
