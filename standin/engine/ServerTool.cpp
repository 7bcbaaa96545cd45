// tarvik_standin_server: creates a stand-in server directory afresh from Transact-SQL scripts.
//   tarvik_standin_server DIR NAME SCRIPT...
// Scripts run as "sa" in master; batches are separated by lines holding only GO.
#include "core/Text.h"
#include "standin/engine/Batch.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

using namespace tarvik;

using namespace standin;

namespace {

bool IsGo(const std::string& line) {
    std::string t;
    for (char c : line)
        if (!IsAsciiSpace(c)) t += UpperAsciiChar(c);
    return t == "GO";
}

// Removes the database files of an earlier server in dir; other files stay.
void RemoveServerFiles(const std::filesystem::path& dir) {
    if (!std::filesystem::exists(dir)) return;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::string name = entry.path().filename().string();
        if (name.find(".sqlite") != std::string::npos) std::filesystem::remove(entry.path());
    }
}

void RunBatch(ConnectionState& conn, const std::string& text) {
    Batch batch(conn, text);
    Result r;
    while (batch.Next(r)) {
        if (r.Rows)
            while (r.Rows->Next()) {
            }
    }
}

bool RunScript(ConnectionState& conn, const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        std::cerr << path << ": cannot read\n";
        return false;
    }
    std::string line, batch;
    int lineNo = 0, batchStart = 1;
    auto flush = [&]() {
        try {
            RunBatch(conn, batch);
        } catch (const SqlError& e) {
            std::cerr << path << ":" << batchStart << ": " << FormatMessage(e.Records().front()) << "\n";
            return false;
        }
        batch.clear();
        batchStart = lineNo + 1;
        return true;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        if (IsGo(line)) {
            if (!flush()) return false;
        } else {
            batch += line + "\n";
        }
    }
    return flush();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: tarvik_standin_server DIR NAME [SCRIPT...]\n";
        return 2;
    }
    std::string dir = std::filesystem::absolute(argv[1]).string();
    try {
        RemoveServerFiles(dir);
        CreateServer(dir, argv[2]);
        ConnectionState conn;
        LoginRequest login{dir, "sa", "", "master", "localhost", "tarvik_standin_server"};
        conn.Sess = std::make_unique<Session>(login);
        for (int i = 3; i < argc; ++i)
            if (!RunScript(conn, argv[i])) return 1;
    } catch (const SqlError& e) {
        std::cerr << dir << ": " << FormatMessage(e.Records().front()) << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << dir << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
