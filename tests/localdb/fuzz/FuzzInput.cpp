#include "tests/localdb/fuzz/FuzzInput.h"

#include "localdb/LocalTable.h"

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace tarvik {

namespace {

void Write(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

const std::string& Directory() {
    static const std::string dir = [] {
        char templ[] = "/tmp/tarvik-fuzz-XXXXXX";
        const char* made = mkdtemp(templ);
        if (!made) std::abort();
        return std::string(made);
    }();
    return dir;
}

} // namespace

std::string UnpackFuzzInput(const std::uint8_t* data, std::size_t size, const char* tableExt,
                            const char* memoExt, const char* otherMemoExt) {
    std::size_t tableSize = size;
    if (size >= 4) {
        tableSize = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::size_t>(data[3]) << 24);
        data += 4;
        size -= 4;
        if (tableSize > size) tableSize = size;
    }
    const std::string stem = Directory() + "/t";
    Write(stem + tableExt, data, tableSize);
    Write(stem + memoExt, data + tableSize, size - tableSize);
    if (otherMemoExt) Write(stem + otherMemoExt, data + tableSize, size - tableSize);
    return stem + tableExt;
}

void ReadWholeTable(const std::string& path) {
    try {
        auto table = TLocalTable::Open(path, TOpenMode::omShared);
        for (table->First(); !table->Eof(); table->Next())
            for (int i = 0; i < table->FieldCount(); ++i)
                table->Value(i).AsText();
    } catch (const Exception&) {
    }
}

std::string PackFuzzInput(const std::string& table, const std::string& memo) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[static_cast<std::size_t>(i)] = static_cast<char>(table.size() >> (8 * i));
    return out + table + memo;
}

} // namespace tarvik
