#include "odbc/ColumnBuffer.h"

#include "odbc/ValueConvert.h"

namespace tarvik {

SQLSMALLINT MapColumnSQLType(SQLSMALLINT sqlType) {
    switch (sqlType) {
    case SQL_GUID:
        return SQL_BINARY;
    case SQL_WLONGVARCHAR:
        return SQL_LONGVARCHAR;
    case SQL_WVARCHAR:
        return SQL_VARCHAR;
    case SQL_WCHAR:
        return SQL_CHAR;
    default:
        return sqlType;
    }
}

TColumnBinding ChooseBinding(SQLSMALLINT sqlType, bool isUnsigned) {
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
        return {SQL_C_CHAR, false, true};
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return {SQL_C_DOUBLE, false, true};
    case SQL_REAL:
        return {SQL_C_FLOAT, false, true};
    case SQL_INTEGER:
        return {static_cast<SQLSMALLINT>(isUnsigned ? SQL_C_ULONG : SQL_C_SLONG), false, true};
    case SQL_SMALLINT:
        return {static_cast<SQLSMALLINT>(isUnsigned ? SQL_C_USHORT : SQL_C_SSHORT), false, true};
    case SQL_TINYINT:
        return {static_cast<SQLSMALLINT>(isUnsigned ? SQL_C_UTINYINT : SQL_C_STINYINT), false, true};
    case SQL_BIGINT:
        return {static_cast<SQLSMALLINT>(isUnsigned ? SQL_C_UBIGINT : SQL_C_SBIGINT), false, true};
    case SQL_BIT:
        return {SQL_C_BIT, false, true};
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
        return {sqlType, false, true};
    case SQL_BINARY:
    case SQL_VARBINARY:
        return {SQL_C_BINARY, false, true};
    case SQL_LONGVARCHAR:
        return {SQL_C_CHAR, true, true};
    case SQL_LONGVARBINARY:
        return {SQL_C_BINARY, true, true};
    default:
        return {SQL_C_BINARY, false, false};
    }
}

std::size_t CellSizeFor(SQLSMALLINT sqlType, SQLSMALLINT cType, SQLULEN columnSize) {
    // The column size counts characters, and text arrives in UTF-8: up to four bytes each.
    if (sqlType == SQL_CHAR || sqlType == SQL_VARCHAR) return columnSize * MaxUtf8CharBytes + 1;
    if (sqlType == SQL_BINARY || sqlType == SQL_VARBINARY) return columnSize;
    return CTypeSize(cType);
}

TColRec::TColRec(SQLSMALLINT cType, SQLSMALLINT sqlType, std::size_t cellSize, std::size_t rows)
    : Indicators(rows, SQL_NULL_DATA), CType(cType), SQLType(sqlType), CellSize(cellSize), Rows(rows) {
    if (cellSize > 0) Data = std::make_unique<char[]>(cellSize * rows); // zero-filled
}

} // namespace tarvik
