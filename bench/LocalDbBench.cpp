// Writes and reads 1,000,000 rows of five typed columns in both formats and compares each with a
// plain buffered loop moving the same bytes (one fwrite/fread of a row's size per row), best of four
// rounds each. Run by hand:
//   build/bench/localdb_bench [directory] [rows]
#include "localdb/LocalTable.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

using namespace tarvik;

namespace {

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::uint64_t FileSize(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

// The baselines move the table file's exact byte count, a row's worth per call through stdio's
// default buffer, and touch one byte per row so that nothing can be skipped.
double PlainWrite(const std::string& path, std::uint64_t bytes, long rows) {
    const auto start = std::chrono::steady_clock::now();
    FILE* f = std::fopen(path.c_str(), "wb");
    const std::size_t rowSize = static_cast<std::size_t>(bytes / static_cast<std::uint64_t>(rows));
    std::vector<char> row(rowSize, 'x');
    for (long i = 0; i < rows; ++i) {
        row[0] = static_cast<char>(i);
        std::fwrite(row.data(), 1, row.size(), f);
    }
    row.resize(static_cast<std::size_t>(bytes - rowSize * static_cast<std::uint64_t>(rows)));
    std::fwrite(row.data(), 1, row.size(), f);
    std::fclose(f);
    return Seconds(start);
}

double PlainRead(const std::string& path, std::uint64_t bytes, long rows, unsigned& sink) {
    const auto start = std::chrono::steady_clock::now();
    FILE* f = std::fopen(path.c_str(), "rb");
    const std::size_t rowSize = static_cast<std::size_t>(bytes / static_cast<std::uint64_t>(rows));
    std::vector<char> row(rowSize);
    for (long i = 0; i < rows && std::fread(row.data(), 1, row.size(), f) == row.size(); ++i)
        sink += static_cast<unsigned char>(row[static_cast<std::size_t>(i) % rowSize]);
    row.resize(static_cast<std::size_t>(bytes - rowSize * static_cast<std::uint64_t>(rows)));
    sink += static_cast<unsigned>(std::fread(row.data(), 1, row.size(), f));
    std::fclose(f);
    return Seconds(start);
}

struct TTimes {
    double Write = 1e300, Read = 1e300, PlainWrite = 1e300, PlainRead = 1e300;
};

double WriteTable(const std::string& path, const std::vector<std::string>& names, long rows) {
    const TFieldDefs fields = {{"ID", ftInteger},
                               {"NAME", ftString, 20},
                               {"PRICE", ftFloat, 0, false, 2},
                               {"DAY", ftDate},
                               {"QTY", ftSmallint}};
    const auto start = std::chrono::steady_clock::now();
    TLocalTable::Create(path, fields, {});
    auto table = TLocalTable::Open(path, TOpenMode::omExclusive);
    for (long i = 0; i < rows; ++i) {
        table->Append();
        table->SetValue(0, static_cast<std::int64_t>(i));
        table->SetValue(1, names[static_cast<std::size_t>(i) % names.size()]);
        table->SetValue(2, static_cast<double>(i % 10000) / 4);
        table->SetValue(3, TVarDate{2000 + static_cast<int>(i % 20), 1 + static_cast<int>(i % 12), 15});
        table->SetValue(4, static_cast<int>(i % 1000));
        table->Post();
    }
    table->Close();
    return Seconds(start);
}

double ReadTable(const std::string& path, long& count, unsigned& sink) {
    const auto start = std::chrono::steady_clock::now();
    auto table = TLocalTable::Open(path, TOpenMode::omShared);
    count = 0;
    for (table->First(); !table->Eof(); table->Next(), ++count)
        for (int i = 0; i < 5; ++i)
            sink += static_cast<unsigned>(table->Value(i).IsNull());
    return Seconds(start);
}

// Best of Rounds rounds; the table goes first in even rounds and the plain loops in odd ones, so that
// neither side always meets the page cache's write-back of the other's file.
constexpr int Rounds = 4;

void Run(const std::string& dir, const std::string& ext, long rows) {
    const std::string path = dir + "/bench" + ext;
    const std::string plain = dir + "/plain.bin";
    // The values are made before the clock starts: their making is not the table's work.
    std::vector<std::string> names;
    for (long i = 0; i < std::min(rows, 100000L); ++i)
        names.push_back("Izdelek " + std::to_string(i));
    TTimes best;
    unsigned sink = 0;
    long count = 0;
    std::uint64_t bytes = 0;
    for (int round = 0; round < Rounds; ++round) {
        auto table = [&] {
            best.Write = std::min(best.Write, WriteTable(path, names, rows));
            bytes = FileSize(path);
            best.Read = std::min(best.Read, ReadTable(path, count, sink));
        };
        if (round % 2 == 0) table();
        best.PlainWrite = std::min(best.PlainWrite, PlainWrite(plain, bytes, rows));
        best.PlainRead = std::min(best.PlainRead, PlainRead(plain, bytes, rows, sink));
        if (round % 2 == 1) table();
    }
    std::printf(
        "%-5s %ld rows, %llu bytes: write %.0f rows/s (plain %.0f, %.2fx), read %.0f rows/s (plain %.0f, "
        "%.2fx) [%u]\n",
        ext.c_str(), count, static_cast<unsigned long long>(bytes), rows / best.Write, rows / best.PlainWrite,
        best.Write / best.PlainWrite, rows / best.Read, rows / best.PlainRead, best.Read / best.PlainRead,
        sink % 2);
    std::remove(plain.c_str());
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "/tmp";
    const long rows = argc > 2 ? std::stol(argv[2]) : 1000000;
    Run(dir, ".db", rows);
    Run(dir, ".dbf", rows);
}
