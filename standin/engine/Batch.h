#pragma once
// Runs a Transact-SQL batch statement by statement; each statement gives one
// result (a procedure may give several), handed out in order. A batch and each
// procedure body it calls keep their own variables.
#include "standin/engine/SystemProcs.h"

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace standin {

struct Frame;
struct Variable;
struct ProcedureDef;

class Batch {
public:
    // Splits the text; throws SqlError for an unclosed quote or bracket. `params` are the
    // values of the "?" markers in order; a marker without a value is NULL. `outputMarkers`
    // are the (1-based) markers the application bound for output.
    Batch(ConnectionState& conn, const std::string& sql, std::vector<Value> params = {},
          std::set<size_t> outputMarkers = {});
    // A procedure's body: its statements run with the variables of `frame` at nesting level `depth`.
    Batch(ConnectionState& conn, std::vector<Statement> body, Frame& frame, int depth);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    // Runs statements until one gives a result; false when the batch is done. Throws SqlError;
    // after a failure the rest of the batch is dropped.
    bool Next(Result& out);
    // Runs every statement not yet run, keeping their results for Next. Throws SqlError; after a
    // failure the rest of the batch is dropped.
    void RunRemaining();
    bool Empty() const { return FStatements.empty(); }
    // What procedure calls handed back to output markers (return values included), by marker
    // number; complete once the batch is done.
    const std::map<size_t, Variable>& Outputs() const { return FOutputs; }

private:
    void RunWhile(bool untilResult);
    void Run(const Statement& st, bool first);
    bool RunProcedureStatement(const Statement& st, bool first);
    bool RunVariableStatement(const Statement& st);
    void RunSqlite(const Statement& st);
    // An UPDATE or DELETE ending in WHERE CURRENT OF <cursor> aimed at that cursor's row by rowid;
    // the statement itself otherwise. Throws SqlError.
    Statement AimAtCursorRow(const Statement& st) const;
    void RunExec(const Statement& st, size_t nameAt);
    void RunCallEscape(const Statement& st);
    void Call(const std::string& name, std::vector<ExecArg> args, const std::string& returnVariable,
              size_t returnMarker);
    void ResolveArguments(std::vector<ExecArg>& args);
    void BeginImplicit();
    void BindMarkers(sqlite3_stmt* stmt) const;

    // Variables (BatchVariables.cpp).
    void Declare(const Statement& st);
    void SetVariable(const Statement& st);
    void AssignSelect(const Statement& st);
    void Return(const Statement& st);
    void RaiseError(const Statement& st);
    void Print(const Statement& st);
    void Assign(const std::string& name, const Value& value);
    // The statement with each declared variable replaced by a marker bound to its value.
    Statement WithVariables(const Statement& st);
    // Runs an SQLite query of the translated statement and reads every row.
    std::vector<Row> Query(const Statement& st);
    // The value of the expression in tokens [from, to) of st.
    Value Evaluate(const Statement& st, size_t from, size_t to);

    ConnectionState& FConn;
    std::vector<Statement> FStatements;
    size_t FPos = 0;
    std::deque<Result> FQueued;
    std::vector<Value> FParams;
    std::set<size_t> FOutputMarkers;
    std::map<size_t, Variable> FOutputs;
    std::unique_ptr<Frame> FOwnFrame;
    Frame* FFrame;
    int FDepth = 0;
    bool FBody = false;
    std::optional<SqlError> FPendingError; // a procedure's failure, raised after its results
};

} // namespace standin

namespace standin {

// Columns of the first statement of a batch, described without running it; null when
// that statement is not a query of the database (a procedure call, for example).
std::unique_ptr<Cursor> DescribeStatement(ConnectionState& conn, const std::string& sql);

} // namespace standin
