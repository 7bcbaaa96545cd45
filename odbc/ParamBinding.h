#pragma once
// Rules of binding one statement parameter that need no driver: the sizes taken from
// the connection's driver table when a driver cannot describe a parameter, the buffer
// length and first indicator of a bind, and the length markings of values sent at
// execution.
#include "odbc/HDbc.h"

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

namespace tarvik {

// What a bind needs to know of a parameter, from SQLDescribeParam or the driver table.
struct TParamDescription {
    SQLSMALLINT SQLType = 0;
    SQLULEN ColumnSize = 0;
    SQLSMALLINT DecimalDigits = 0;
    SQLSMALLINT Nullable = SQL_NULLABLE_UNKNOWN;
};

// Sizes for sqlType from the row of key (case-insensitive), else the "Default" row, else none:
// character and binary types take the row's size, DECIMAL, NUMERIC and TIMESTAMP its size and
// digits, other types 0 and 0. The SQL type is kept and nullability is unknown.
TParamDescription DescribeByDriverTable(const std::vector<TDriverRec>& table, const std::string& key,
                                        SQLSMALLINT sqlType);

constexpr bool IsLongSQLType(SQLSMALLINT sqlType) {
    return sqlType == SQL_LONGVARCHAR || sqlType == SQL_LONGVARBINARY;
}

struct TParamLayout {
    SQLLEN BufferLength = 0;
    SQLLEN FirstIndicator = 0;
};

// Buffer length and first indicator of a bind. arraySize 0 means a single value; longByParts
// marks long values for sending at execution. A null buffer binds SQL_NULL_DATA.
// Throws EVERODezuzid "Cannot insert bulk blobs." for an array of long values.
TParamLayout ParamLayout(SQLSMALLINT sqlType, SQLULEN arraySize, SQLLEN columnSize, bool longByParts,
                         bool nullBuffer);

// A length/indicator asking for the value at execution carries its length (SQL_LEN_DATA_AT_EXEC).
constexpr bool IsDataAtExecMark(SQLLEN indicator) {
    return indicator < -99;
}
constexpr SQLLEN DataAtExecMark(SQLLEN length) {
    return -length - 100;
}
// The length a marking carries; 0 for any other indicator (such as SQL_DATA_AT_EXEC, whose
// length nobody told us), so that nothing is ever sent from before or beyond a buffer.
constexpr SQLLEN DataAtExecLength(SQLLEN indicator) {
    return IsDataAtExecMark(indicator) ? -indicator - 100 : 0;
}

} // namespace tarvik
