#pragma once
// Conversion of a column value into the C type an application asks for,
// with the rendering SQL Server uses for text.
#include "standin/engine/Cursor.h"
#include "standin/engine/Types.h"

#include <string>
#include <string_view>

namespace standin {

// The text form of a cell as SQL Server's driver renders it; a view into the cell
// or into scratch. NULL cells give an empty view.
std::string_view CellText(const Cell& cell, const ColumnInfo& col, std::string& scratch);

// Where a value goes: the application's buffer and its length/indicator.
struct CTarget {
    SQLSMALLINT CType;
    SQLPOINTER Buffer;
    SQLLEN BufferLength;
    SQLLEN* Indicator;
};

// Writes a cell into target. For character and binary targets `offset` is how many
// bytes of the value earlier calls returned (SQLGetData in parts) and is advanced.
// Returns SQL_SUCCESS, SQL_SUCCESS_WITH_INFO (01004 added to `diag`), or SQL_NO_DATA
// when a value read in parts has nothing left. Throws SqlError (22002, 22003, 22018, 07006).
SQLRETURN WriteCell(const Cell& cell, const ColumnInfo& col, const CTarget& target, size_t& offset,
                    std::string& scratch, struct Diagnostics& diag);

} // namespace standin
