// Forward-only fetch of 1,000,000 rows through the stand-in driver and through SQLite ODBC
// on the same SQLite file, both through the unixODBC driver manager, columns bound as the
// workbench binds them. Prints ns per row and the ratio. Run by hand:
//   build/bench/standin_fetch_bench [rows]
#include "odbc/SqlChars.h"
#include "standin/engine/Server.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace tarvik;

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "failed: %s\n", what);
        std::exit(1);
    }
}

void Fill(const std::string& file, long rows) {
    sqlite3* db = nullptr;
    Check(sqlite3_open(file.c_str(), &db) == SQLITE_OK, "open bench database");
    sqlite3_exec(
        db,
        "CREATE TABLE big (id int NOT NULL, name varchar(40) NOT NULL, amount decimal(12,2) NOT NULL, "
        "stamp datetime NOT NULL, note varchar(200) NULL); BEGIN",
        nullptr, nullptr, nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO big VALUES (?, ?, ?, ?, ?)", -1, &ins, nullptr);
    for (long i = 0; i < rows; ++i) {
        char name[48], stamp[32], note[64];
        std::snprintf(name, sizeof name, "Stranka številka %ld", i);
        std::snprintf(stamp, sizeof stamp, "2024-%02ld-%02ld %02ld:%02ld:%02ld.%03ld", i % 12 + 1, i % 28 + 1,
                      i % 24, i % 60, (i / 7) % 60, i % 1000);
        std::snprintf(note, sizeof note, "Opomba k vrstici %ld", i);
        sqlite3_bind_int64(ins, 1, i);
        sqlite3_bind_text(ins, 2, name, -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(ins, 3, static_cast<double>(i % 100000) / 100.0);
        sqlite3_bind_text(ins, 4, stamp, -1, SQLITE_TRANSIENT);
        if (i % 3)
            sqlite3_bind_text(ins, 5, note, -1, SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(ins, 5);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Seconds for execute + fetching every row with bound columns; rows counted into `seen`.
double Fetch(const std::string& connect, long& seen) {
    SQLHENV env;
    SQLHDBC dbc;
    SQLHSTMT st;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    Check(SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, SqlChars(connect), SQL_NTS, nullptr, 0, nullptr,
                                         SQL_DRIVER_NOPROMPT)),
          connect.c_str());
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
    SQLINTEGER id;
    char name[41], note[201];
    double amount;
    SQL_TIMESTAMP_STRUCT stamp;
    SQLLEN ind[5];
    auto start = std::chrono::steady_clock::now();
    Check(
        SQL_SUCCEEDED(SQLExecDirect(st, SqlChars("select id, name, amount, stamp, note from big"), SQL_NTS)),
        "execute");
    SQLBindCol(st, 1, SQL_C_SLONG, &id, 0, &ind[0]);
    SQLBindCol(st, 2, SQL_C_CHAR, name, sizeof name, &ind[1]);
    SQLBindCol(st, 3, SQL_C_DOUBLE, &amount, 0, &ind[2]);
    SQLBindCol(st, 4, SQL_C_TYPE_TIMESTAMP, &stamp, 0, &ind[3]);
    SQLBindCol(st, 5, SQL_C_CHAR, note, sizeof note, &ind[4]);
    seen = 0;
    while (SQL_SUCCEEDED(SQLFetch(st)))
        ++seen;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    std::string dir = std::filesystem::temp_directory_path() / ("tarvik-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string serverDir = dir + "/BENCH";
    standin::CreateServer(serverDir, "BENCH");
    {
        standin::Session s({serverDir, "sa", "", "master", "bench", "bench"});
        s.CreateDatabase("bench");
    }
    std::string file = serverDir + "/bench.sqlite";
    Fill(file, rows);
    std::ofstream(dir + "/odbcinst.ini")
        << "[SQL Server]\nDriver=" << TARVIK_STANDIN_DRIVER << "\nServer.BENCH=" << serverDir
        << "\n\n[SQLite3]\nDriver=" << TARVIK_SQLITE_ODBC << "\n";
    std::ofstream(dir + "/odbc.ini") << "";
    setenv("ODBCSYSINI", dir.c_str(), 1);
    setenv("ODBCINI", (dir + "/odbc.ini").c_str(), 1);

    const std::string standinConnect = "DRIVER=SQL Server;SERVER=BENCH;DATABASE=bench;UID=sa;";
    const std::string sqliteConnect = "DRIVER=SQLite3;Database=" + file + ";";
    double bestStandin = 1e9, bestSqlite = 1e9;
    long seenStandin = 0, seenSqlite = 0;
    for (int round = 0; round < 3; ++round) {
        bestSqlite = std::min(bestSqlite, Fetch(sqliteConnect, seenSqlite));
        bestStandin = std::min(bestStandin, Fetch(standinConnect, seenStandin));
    }
    Check(seenStandin == rows && seenSqlite == rows, "every row fetched by both drivers");
    std::printf("rows: %ld\n", rows);
    std::printf("SQLite ODBC: %.0f ns/row (%.3f s)\n", bestSqlite * 1e9 / rows, bestSqlite);
    std::printf("stand-in:    %.0f ns/row (%.3f s)\n", bestStandin * 1e9 / rows, bestStandin);
    std::printf("ratio stand-in / SQLite ODBC: %.2f (target: at most 3)\n", bestStandin / bestSqlite);
    std::filesystem::remove_all(dir);
    return 0;
}
