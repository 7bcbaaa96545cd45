#pragma once
// The buffers a statement binds its result columns to: column-wise arrays of
// RowSetSize cells with one length/indicator each, and a memory stream for long
// columns, which are read in chunks instead of being bound.
#include "core/MemoryStream.h"

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace tarvik {

// Character and binary columns reported larger than this (or of size 0, "unbounded")
// are read as long columns: a bound cell of that size per row would be wasteful or empty.
constexpr SQLULEN MaxBoundColumnSize = 1024 * 1024;

// Wide and special SQL types as the statement treats them (GUID as binary, wide text as narrow).
SQLSMALLINT MapColumnSQLType(SQLSMALLINT sqlType);

struct TColumnBinding {
    SQLSMALLINT CType;
    bool Long;  // read in chunks into a stream, not bound
    bool Known; // a type the statement has a buffer for
};
// The C type and buffer kind for a (mapped) SQL type.
TColumnBinding ChooseBinding(SQLSMALLINT sqlType, bool isUnsigned);

// The most bytes one character takes in the UTF-8 text the statement reads and writes.
constexpr std::size_t MaxUtf8CharBytes = 4;
// Bytes of one cell: room for column size characters of UTF-8 and a NUL for character types (a
// cell of column size + 1 bytes would let the driver cut "čšžđ" of a varchar(4) to "čš"), the
// column size for binary ones, otherwise the size of the C type.
std::size_t CellSizeFor(SQLSMALLINT sqlType, SQLSMALLINT cType, SQLULEN columnSize);

// One result column (or the row-status, row-flag or bookmark array).
struct TColRec {
    // Allocates rows cells of cellSize bytes (none when cellSize is 0) and rows indicators
    // set to SQL_NULL_DATA. Throws bad_alloc only.
    TColRec(SQLSMALLINT cType, SQLSMALLINT sqlType, std::size_t cellSize, std::size_t rows);

    // The cell of a 1-based row; null when there is no buffer or the row is out of range.
    char* Cell(std::size_t row) const {
        return Data && row >= 1 && row <= Rows ? Data.get() + (row - 1) * CellSize : nullptr;
    }
    // The length/indicator of a 1-based row; the row must be in range.
    SQLLEN& Indicator(std::size_t row) { return Indicators[row - 1]; }

    std::unique_ptr<char[]> Data;
    std::vector<SQLLEN> Indicators;
    SQLSMALLINT CType;
    SQLSMALLINT SQLType;
    std::unique_ptr<TMemoryStream> Blob;
    bool Long = false;
    bool LongRead = false;
    bool Primary = false;
    bool Ignore = false;
    SQLULEN ColumnSize = 0;
    SQLSMALLINT DecimalDigits = 0;
    SQLSMALLINT Nullable = SQL_NULLABLE_UNKNOWN;
    std::size_t CellSize;
    std::size_t Rows;
};

} // namespace tarvik
