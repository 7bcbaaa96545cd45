#pragma once
// What a connection knows beyond its session: how it was opened, the fault a
// test asked for, transaction mode and simulated asynchronous delays.
#include "Diagnostics.h"
#include "Server.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace standin {

struct InjectedFault {
    std::string State;
    int Records = 1;
    std::string Message;
};

// The row a named cursor of the connection stands on, for WHERE CURRENT OF.
struct CursorRow {
    std::string Table;
    sqlite3_int64 Rowid = 0;
};

struct ConnectionState {
    std::unique_ptr<Session> Sess;
    std::string ConnectFunction; // "SQLConnect" or "SQLDriverConnect"
    std::string ConnectString;   // as received by the driver
    std::string DataSource;
    std::optional<InjectedFault> Fault;
    bool Broken = false; // the link was dropped by an injected 08xxx fault
    bool AutoCommit = true;
    int AsyncPolls = 0; // SQL_STILL_EXECUTING answers before an asynchronous execute runs
    // ODBC calls this connection received since connect or the last `exec standin_calls_reset`, keyed
    // by the address of the receiving entry point's name (one function may give more than one).
    std::unordered_map<const char*, long> Calls;
    // Finds the current row of a cursor by name (the handles know the cursors). Throws SqlError.
    std::function<CursorRow(const std::string& cursorName)> CurrentRowOf;

    // Raises the pending injected fault, or 08S01 on a dropped link; call at the start of
    // every operation that talks to the server. Throws SqlError.
    void CheckLink();
    // The counts of Calls by ODBC function name ("SQLFetch").
    std::map<std::string, long> CallCounts() const;
};

} // namespace standin
