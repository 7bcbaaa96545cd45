#pragma once
// Statement parameters: the "?" markers of a batch and the values an application
// binds to them, read from its C buffers into values SQLite binds.
#include "standin/engine/Cursor.h"
#include "standin/engine/Tsql.h"

#include <string>
#include <vector>

namespace standin {

// One SQLBindParameter record.
struct Parameter {
    SQLSMALLINT CType = 0; // 0: not bound
    SQLSMALLINT SqlType = SQL_UNKNOWN_TYPE;
    SQLULEN ColumnSize = 0;
    SQLSMALLINT Digits = 0;
    SQLPOINTER Data = nullptr;
    SQLLEN BufferLength = 0;
    SQLLEN* Indicator = nullptr;
    SQLSMALLINT Direction = SQL_PARAM_INPUT;
    bool Bound() const { return CType != 0; }
    // The application sends a value (an output-only parameter's buffer is not read).
    bool Sends() const { return Direction != SQL_PARAM_OUTPUT; }
    bool Receives() const { return Direction != SQL_PARAM_INPUT; }
    // The indicator asks for the value through SQLParamData/SQLPutData.
    bool AtExec() const;
};

// The binding of one set of a parameter array: `bindType` is SQL_PARAM_BIND_BY_COLUMN or the
// size of the application's row structure; `offset` is the bind offset, added to both pointers.
Parameter ParameterInSet(const Parameter& p, size_t set, SQLULEN bindType, SQLLEN offset);

// The C type a parameter is read as: SQL_C_DEFAULT resolved from the SQL type.
// Throws SqlError HY003 for a C type the driver does not read.
SQLSMALLINT ParameterCType(SQLSMALLINT cType, SQLSMALLINT sqlType);

// Number of "?" markers outside literals and comments; throws SqlError for an unclosed quote.
size_t CountMarkers(const std::string& sql);

// Renames the markers of a batch "?1", "?2"... in order, so that each SQLite statement
// of the batch binds its own share of the values by number.
void NumberMarkers(std::vector<Statement>& statements);

// The value of a bound parameter read from its buffer and indicator. Throws SqlError
// (22003, 22007, 22018, HY090).
Value ReadParameter(const Parameter& p);

// The value of a data-at-execution parameter from the bytes SQLPutData collected.
Value ReadPieces(const Parameter& p, const std::string& bytes, bool isNull);

// Byte length of one SQLPutData piece: SQL_NTS resolved for character types, the
// fixed size for the other C types.
SQLLEN PieceLength(SQLSMALLINT cType, const void* data, SQLLEN length);

} // namespace standin
