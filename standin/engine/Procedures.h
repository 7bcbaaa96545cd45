#pragma once
// Stored procedures of a database: a definition read from CREATE PROCEDURE text, kept
// as written in the database's table sysprocedures, and read back for calls and the catalog.
#include "standin/engine/Tsql.h"
#include "standin/engine/Types.h"

#include <optional>
#include <string>
#include <vector>

namespace standin {

class Database;

struct ProcParam {
    std::string Name;     // as declared, with "@"
    std::string Declared; // the declared type as written: "nvarchar(40)"
    ColumnInfo Type;
    std::optional<Value> Default; // none: the caller must pass a value
    bool Output = false;
};

struct ProcedureDef {
    std::string Name;
    std::vector<ProcParam> Params;
    std::vector<Statement> Body;
    std::string Text; // the whole CREATE PROCEDURE statement as written
    bool Alter = false;
};

// The declared type at significant position n ("int", "nvarchar(40)", "decimal(10, 2)");
// n moves past it. Throws SqlError 102.
std::string DeclaredTypeAt(const Statement& statement, size_t& n);

// Reads a CREATE or ALTER PROCEDURE statement. Throws SqlError 102 for bad syntax and 42000 for
// a body holding statements this server does not run.
ProcedureDef ParseProcedure(const Statement& statement);

// Stores a new definition (2714 when the name exists) or replaces one (ALTER; 208 when it does not).
void StoreProcedure(Database& db, const ProcedureDef& def);
// Drops a procedure; 3701 when there is none unless ifExists.
void DropProcedure(Database& db, const std::string& name, bool ifExists);
// The definition of a procedure of that name (any letter case); none when there is none. Throws SqlError.
std::optional<ProcedureDef> FindProcedure(Database& db, const std::string& name);
// Every procedure of the database, ordered by name. Throws SqlError.
std::vector<ProcedureDef> ListProcedures(Database& db);

} // namespace standin
