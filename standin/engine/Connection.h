#pragma once
// What a connection knows beyond its session: how it was opened, the fault a
// test asked for, transaction mode and simulated asynchronous delays.
#include "standin/engine/Diagnostics.h"
#include "standin/engine/Server.h"

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

// Where the DropLink setting breaks the link, once per process for each value: the application's
// reconnect with the same setting then runs normally, as after a real network failure (the driver
// stays loaded for that: DontDLClose in odbcinst.ini). : at a statement's run (the first one for "open", the
// one after `Count` runs for "between:N") or at the fetch that would hand out a result's row
// `Count` + 1 ("fetch:N").
struct LinkDrop {
    enum class At { Never, Run, Fetch };
    At Point = At::Never;
    int Count = 0;       // At::Run: the run that fails (1 = the first); At::Fetch: rows handed out first
    std::string Setting; // as written, to drop it once per process
};

// The DropLink of a new connection: none when this value has dropped a link before.
LinkDrop ArmedLinkDrop(LinkDrop requested);

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
    LinkDrop Drop;
    int Runs = 0; // statements run since connect
    // ODBC calls this connection received since connect or the last `exec standin_calls_reset`, keyed
    // by the address of the receiving entry point's name (one function may give more than one).
    std::unordered_map<const char*, long> Calls;
    // Finds the current row of a cursor by name (the handles know the cursors). Throws SqlError.
    std::function<CursorRow(const std::string& cursorName)> CurrentRowOf;

    // Raises the pending injected fault, or 08S01 on a dropped link; call at the start of
    // every operation that talks to the server. Throws SqlError.
    void CheckLink();
    // Counts a statement run (execute, or the start of one waiting for data at execution); breaks
    // the link when DropLink chose this run. Throws SqlError 08S01.
    void CountRun();
    // Before a fetch hands out row `row` (1-based) of a result: breaks the link when DropLink chose
    // it. Throws SqlError 08S01.
    void CheckRow(SQLULEN row);
    // The counts of Calls by ODBC function name ("SQLFetch").
    std::map<std::string, long> CallCounts() const;

private:
    [[noreturn]] void DropLink();
};

} // namespace standin
