#pragma once
// Running a stored procedure: the variables of a batch or a procedure body, values
// converted to the declared types, and a call's arguments, results and outputs.
#include "standin/engine/Procedures.h"
#include "standin/engine/SystemProcs.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace standin {

struct Variable {
    ColumnInfo Type;
    Value Val;
};

// The variables of one batch or one procedure call.
struct Frame {
    std::map<std::string, Variable> Vars; // by upper-cased name with "@"
    bool NoCount = false;                 // row counts of INSERT, UPDATE and DELETE are not sent
    bool Returned = false;
    sqlite3_int64 ReturnValue = 0;
};

// A value converted to a declared type as the server converts it on assignment: numbers to
// text, text to numbers (22018 245 when it is not one), decimals rounded to their scale, text
// cut to its length. NULL stays NULL.
Value Coerce(const Value& v, const ColumnInfo& type);

struct CallOutcome {
    std::vector<Result> Results;   // in order; rows already read into memory
    std::optional<SqlError> Error; // the failure that ended the call after Results
    sqlite3_int64 ReturnValue = 0;
    std::vector<std::pair<size_t, Variable>> Outputs; // argument index and the value it receives
};

// Calls a procedure with the given arguments (values already resolved) at nesting level depth;
// noCount is the caller's SET NOCOUNT, which the body starts with.
// Throws SqlError for arguments that do not fit the parameters (8144, 8145, 8162, 201, 245) and
// for nesting deeper than 32 (217); failures of the body come back in the outcome.
CallOutcome CallProcedure(ConnectionState& conn, const ProcedureDef& def, const std::vector<ExecArg>& args,
                          int depth, bool noCount);

} // namespace standin
