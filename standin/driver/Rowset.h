#pragma once
// Where the columns an application bound for a rowset row live: shared by fetching,
// which writes them, and the positioned operations, which read them back.
#include "standin/driver/Handles.h"

namespace standin {

// Size of one element of a bound column in column-wise binding.
SQLLEN ElementSize(SQLSMALLINT ctype, const ColumnInfo& col, SQLLEN bufferLength);

template <typename T> T* Offset(T* base, SQLLEN bytes) {
    return base ? reinterpret_cast<T*>(reinterpret_cast<char*>(base) + bytes) : nullptr;
}

// The addresses of a bound column's data and indicator for a 0-based rowset row.
struct BoundCell {
    char* Data;
    SQLLEN* Indicator;
};
BoundCell CellOf(const Desc& ard, const Binding& b, const ColumnInfo& col, SQLULEN row);

// The bookmark of a static cursor's current row (its 1-based number). Throws SqlError 07009 with
// bookmarks off, HY106 for a forward-only cursor.
SQLUINTEGER CurrentBookmark(Stmt* s);

// Writes the bound columns (and the bookmark column) of the current row into rowset position `row` (0-based).
SQLRETURN WriteRow(Stmt* s, SQLULEN row);

// The row the connection's cursor of that name stands on, in its base table, for WHERE CURRENT OF.
// Throws SqlError 34000 for an unknown name, 24000 off a row, 42000 for a read-only cursor or a row
// changed or deleted since it was read.
CursorRow CurrentRowOf(Dbc& dbc, const std::string& cursorName);

} // namespace standin
