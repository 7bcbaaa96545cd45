// Reading 1,000,000 rows of five columns: THstmt (Execute, FetchNext, ColString of every column)
// against a plain C loop over the same driver that binds the same buffers and only calls SQLFetch.
// Run by bench/run-fetch-bench.sh, which provides the private ODBC set-up and the PostgreSQL server.
#include "odbc/HDbc.h"
#include "odbc/HStmt.h"
#include "odbc/SqlChars.h"

#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

using namespace tarvik;

namespace {
constexpr long Rows = 1000000;
const char* const Query = "SELECT id, name, amount, stamp, note FROM bench_rows";

struct Target {
    std::string Label;
    std::string DataSource, UserName, Password; // SQLConnect when DataSource is set
    std::vector<std::string> Attributes;        // otherwise SQLDriverConnect with these lines
    std::string Fill;                           // INSERT ... filling bench_rows with Rows rows
};

void Setup(THdbc& db, const Target& t) {
    db.SetDataSource(t.DataSource);
    db.SetUserName(t.UserName);
    db.SetPassword(t.Password);
    db.SetAttributes(t.Attributes);
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("SELECT count(*) FROM bench_rows");
    try {
        s.Execute();
        if (s.FetchNext() && s.ColInteger(1) == Rows) return;
    } catch (const Exception&) {
        // No table yet.
    }
    for (const std::string& sql :
         {std::string("DROP TABLE IF EXISTS bench_rows"),
          std::string("CREATE TABLE bench_rows (id integer, name varchar(40), amount "
                      "numeric(12,2), stamp timestamp, note varchar(200))"),
          t.Fill}) {
        s.SetSQL(sql);
        s.Execute();
    }
}

// Wall-clock and this process's CPU seconds of one run; the CPU figure leaves out the database
// server and is steadier on a shared machine.
struct Cost {
    double Wall = 1e9, Cpu = 1e9;
    void KeepBest(const Cost& other) {
        Wall = std::min(Wall, other.Wall);
        Cpu = std::min(Cpu, other.Cpu);
    }
};

double CpuNow() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

class Stopwatch {
public:
    Cost Stop() const {
        return {std::chrono::duration<double>(std::chrono::steady_clock::now() - FWall).count(),
                CpuNow() - FCpu};
    }

private:
    std::chrono::steady_clock::time_point FWall = std::chrono::steady_clock::now();
    double FCpu = CpuNow();
};

// The plain loop: the buffers THstmt would bind for these columns, SQLFetch, nothing formatted.
Cost PlainLoop(THdbc& db, long& rows) {
    const Stopwatch watch;
    SQLHSTMT h = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, db.Handle(), &h);
    SQLExecDirect(h, SqlChars(Query), SQL_NTS);
    SQLINTEGER id;
    char name[41], note[201];
    double amount;
    SQL_TIMESTAMP_STRUCT stamp;
    SQLLEN ind[5];
    SQLBindCol(h, 1, SQL_C_SLONG, &id, 0, &ind[0]);
    SQLBindCol(h, 2, SQL_C_CHAR, name, sizeof name, &ind[1]);
    SQLBindCol(h, 3, SQL_C_DOUBLE, &amount, 0, &ind[2]);
    SQLBindCol(h, 4, SQL_C_TYPE_TIMESTAMP, &stamp, 0, &ind[3]);
    SQLBindCol(h, 5, SQL_C_CHAR, note, sizeof note, &ind[4]);
    rows = 0;
    while (SQL_SUCCEEDED(SQLFetch(h)))
        ++rows;
    SQLFreeHandle(SQL_HANDLE_STMT, h);
    return watch.Stop();
}

Cost Library(THdbc& db, long& rows, std::size_t& chars) {
    const Stopwatch watch;
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL(Query);
    s.Execute();
    rows = 0;
    chars = 0;
    while (s.FetchNext()) {
        for (SQLUSMALLINT col = 1; col <= 5; ++col)
            chars += s.ColString(col).size();
        ++rows;
    }
    return watch.Stop();
}

void Run(const Target& t) {
    THdbc db;
    Setup(db, t);
    Cost plain, library;
    long plainRows = 0, libraryRows = 0;
    std::size_t chars = 0;
    // Alternating which goes first, so that neither always inherits the other's heap.
    for (int round = 0; round < 6; ++round) {
        if (round % 2) library.KeepBest(Library(db, libraryRows, chars));
        plain.KeepBest(PlainLoop(db, plainRows));
        if (round % 2 == 0) library.KeepBest(Library(db, libraryRows, chars));
    }
    std::printf("%-10s wall: plain loop %5.0f ns/row, THstmt+ColString %5.0f ns/row, ratio %.2f | "
                "client CPU: %5.0f vs %5.0f ns/row, ratio %.2f | %ld/%ld rows, %zu chars\n",
                t.Label.c_str(), plain.Wall * 1e9 / Rows, library.Wall * 1e9 / Rows,
                library.Wall / plain.Wall, plain.Cpu * 1e9 / Rows, library.Cpu * 1e9 / Rows,
                library.Cpu / plain.Cpu, plainRows, libraryRows, chars);
}
} // namespace

int main(int argc, char** argv) {
    const std::string sqliteFile = argc > 1 ? argv[1] : "bench-rows.db";
    const std::string only = argc > 2 ? argv[2] : ""; // run only the target of this label
    const std::vector<Target> targets = {
        {"SQLite",
         "",
         "",
         "",
         {"DRIVER=SQLite3", "Database=" + sqliteFile},
         "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 1000000) "
         "INSERT INTO bench_rows SELECT x, 'name of row ' || x, x * 1.25, "
         "datetime('2020-01-01', '+' || x || ' seconds'), CASE WHEN x % 3 = 0 THEN NULL ELSE 'a note for row "
         "' || x "
         "END FROM c"},
        {"PostgreSQL",
         "TarvikPg",
         "tarvik",
         "tarvik",
         {},
         "INSERT INTO bench_rows SELECT x, 'name of row ' || x, x * 1.25, timestamp '2020-01-01' + x * "
         "interval '1 "
         "second', CASE WHEN x % 3 = 0 THEN NULL ELSE 'a note for row ' || x END FROM generate_series(1, "
         "1000000) x"},
    };
    try {
        for (const Target& t : targets)
            if (only.empty() || only == t.Label) Run(t);
    } catch (const Exception& e) {
        std::fprintf(stderr, "benchmark failed: %s\n", e.Message().c_str());
        return 1;
    }
    return 0;
}
