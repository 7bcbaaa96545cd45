#pragma once
// Catalog result sets in the layouts ODBC defines, built from SQLite's schema:
// tables, columns, keys, index statistics, procedures and type information.
#include "standin/engine/Cursor.h"

#include <memory>
#include <optional>
#include <string>

namespace standin {

class Session;

using Arg = std::optional<std::string>; // a catalog function argument; nullopt for a NULL pointer

// ODBC search pattern (% and _, escape "\"), compared ignoring case as the server's collation does.
bool MatchPattern(const std::string& pattern, const std::string& text);

// Each builder throws SqlError when the server cannot be read.
std::unique_ptr<RowsCursor> Tables(Session& s, const Arg& catalog, const Arg& schema, const Arg& table,
                                   const Arg& types);
std::unique_ptr<RowsCursor> Columns(Session& s, const Arg& catalog, const Arg& schema, const Arg& table,
                                    const Arg& column);
std::unique_ptr<RowsCursor> PrimaryKeys(Session& s, const Arg& catalog, const Arg& schema,
                                        const std::string& table);
std::unique_ptr<RowsCursor> SpecialColumns(Session& s, SQLUSMALLINT identifier, const Arg& catalog,
                                           const std::string& table);
// odbc2Names gives the sp_statistics headings (TABLE_QUALIFIER ... SEQ_IN_INDEX, COLLATION).
std::unique_ptr<RowsCursor> Statistics(Session& s, const Arg& catalog, const std::string& table,
                                       bool uniqueOnly, bool odbc2Names);
// Procedures are named "name;1" as the server reports them; a name pattern matches that or the bare
// name. odbc2Names gives the headings of sp_stored_procedures.
std::unique_ptr<RowsCursor> Procedures(Session& s, const Arg& catalog, const Arg& schema, const Arg& name,
                                       bool odbc2Names);
// @RETURN_VALUE first, then the parameters in order.
std::unique_ptr<RowsCursor> ProcedureColumns(Session& s, const Arg& catalog, const Arg& schema,
                                             const Arg& name, const Arg& column);
std::unique_ptr<RowsCursor> TypeInfo(SQLSMALLINT type);

} // namespace standin
