#pragma once
// Runs a Transact-SQL batch statement by statement; each statement gives one
// result (a procedure may give several), handed out in order.
#include "SystemProcs.h"

#include <deque>

namespace standin {

class Batch {
public:
    // Splits the text; throws SqlError for an unclosed quote or bracket. `params` are the
    // values of the "?" markers in order; a marker without a value is NULL.
    Batch(ConnectionState& conn, const std::string& sql, std::vector<Value> params = {});
    // Runs statements until one gives a result; false when the batch is done. Throws SqlError;
    // after a failure the rest of the batch is dropped.
    bool Next(Result& out);
    // Runs every statement not yet run, keeping their results for Next. Throws SqlError; after a
    // failure the rest of the batch is dropped.
    void RunRemaining();
    bool Empty() const { return FStatements.empty(); }

private:
    void RunWhile(bool untilResult);
    void Run(const Statement& st, bool first);
    void RunSqlite(const Statement& st);
    // An UPDATE or DELETE ending in WHERE CURRENT OF <cursor> aimed at that cursor's row by rowid;
    // the statement itself otherwise. Throws SqlError.
    Statement AimAtCursorRow(const Statement& st) const;
    void RunExec(const Statement& st, size_t nameAt);
    void BeginImplicit();
    void BindMarkers(sqlite3_stmt* stmt) const;

    ConnectionState& FConn;
    std::vector<Statement> FStatements;
    size_t FPos = 0;
    std::deque<Result> FQueued;
    std::vector<Value> FParams;
};

} // namespace standin

namespace standin {

// Columns of the first statement of a batch, described without running it; null when
// that statement is not a query of the database (a procedure call, for example).
std::unique_ptr<Cursor> DescribeStatement(ConnectionState& conn, const std::string& sql);

} // namespace standin
