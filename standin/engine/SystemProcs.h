#pragma once
// The system procedures the workbench and the tests call (sp_who, sp_helpdb,
// sp_statistics, login maintenance) and the stand-in's own test hooks.
#include "standin/engine/Connection.h"
#include "standin/engine/Cursor.h"
#include "standin/engine/Tsql.h"

#include <memory>
#include <vector>

namespace standin {

// One result of a statement: rows, or a row count (-1 when not applicable), plus messages.
struct Result {
    std::unique_ptr<Cursor> Rows;
    SQLLEN RowCount = -1;
    std::vector<DiagRecord> Infos;
};

// Whether a name (any letter case) is one of the server's own procedures.
bool IsSystemProcedure(const std::string& name);

// Runs a procedure by name (any letter case, owner and database prefixes removed) and
// returns its results in order. Throws SqlError: 2812 for an unknown procedure, the
// procedure's own errors otherwise.
std::vector<Result> RunProcedure(ConnectionState& conn, const std::string& name,
                                 const std::vector<ExecArg>& args);

} // namespace standin
