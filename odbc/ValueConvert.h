#pragma once
// Conversions between cells of ODBC C types and texts, integers, reals and
// date-time records. Every function is told the cell's size and never reads or
// writes past it.
#include "core/MemoryStream.h"
#include "core/Text.h"

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvik {

enum TStringTrimming { stTrimNone, stTrimTrailing, stTrimLeading, stTrimBoth };

// 1899-12-30 00:00:00, the date-time record of a NULL or non-date value.
SQL_TIMESTAMP_STRUCT DefaultTimestamp();

// Bytes of one cell of a C type (256 for character and binary, 0 for unknown types).
std::size_t CTypeSize(SQLSMALLINT cType);
// The SQL type matching a C type; 99 for C types without one.
SQLSMALLINT CTypeToSQLType(SQLSMALLINT cType);

// Removes characters with codes 0 to 32 at the end(s) the mode names.
std::string TrimText(std::string_view text, TStringTrimming mode);
std::string_view TrimView(std::string_view text, TStringTrimming mode);

// " 1.50000000000000E+0000": sign or blank, one digit, 14 decimals, E, signed 4-digit exponent.
std::string FormatReal(double value);
// "yyyy-mm-dd", "hh:mm:ss" and "yyyy-mm-dd hh:mm:ss.fffffffff".
std::string FormatDate(const SQL_DATE_STRUCT& date);
std::string FormatTime(const SQL_TIME_STRUCT& time);
std::string FormatTimestamp(const SQL_TIMESTAMP_STRUCT& stamp);

// The cell's value as text, then trimmed by mode; empty for binary and unknown C types.
// A character cell is read up to its first NUL or its end, whichever comes first.
std::string ValueToText(const void* cell, std::size_t cellSize, SQLSMALLINT cType, TStringTrimming mode);

// Converts the trimmed text into the cell; false when the text does not parse, is too short
// for a date-time, does not fit the cell's integer type, or the C type has no text form.
// A character cell receives the text cut (UTF-8 aware) to cellSize - 1 bytes and a NUL; a
// binary cell at most cellSize bytes. storedLength, when given, receives the number of bytes
// written for character and binary cells and the C type's size otherwise. Nothing is stored
// when the result is false.
bool TextToValue(std::string_view text, void* cell, std::size_t cellSize, SQLSMALLINT cType,
                 TStringTrimming mode, SQLLEN* storedLength = nullptr);

// Numeric readings of a cell; 0 where the C type has no number (dates, binary, unknown).
double ValueToDouble(const void* cell, std::size_t cellSize, SQLSMALLINT cType);
// Reals round to nearest, halves to even, saturating at the 32-bit range; 64-bit types give their low 32
// bits.
std::int32_t ValueToInteger(const void* cell, std::size_t cellSize, SQLSMALLINT cType);
std::int64_t ValueToInt64(const void* cell, std::size_t cellSize, SQLSMALLINT cType);
// Date, time and timestamp cells fill their parts of the default record; others give the default.
SQL_TIMESTAMP_STRUCT ValueToTimestamp(const void* cell, SQLSMALLINT cType);

// The stream's bytes up to the first NUL (the empty text for an empty stream).
std::string StreamToText(const TMemoryStream& stream);

} // namespace tarvik
