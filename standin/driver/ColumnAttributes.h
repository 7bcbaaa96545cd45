#pragma once
// The description fields of a result column, shared by SQLColAttribute and the
// implementation row descriptor.
#include "standin/engine/Types.h"

#include <string>

namespace standin {

// A numeric SQL_DESC_* (or ODBC 2 SQL_COLUMN_*) field; known is false for other fields.
SQLLEN NumericAttribute(const ColumnInfo& c, SQLUSMALLINT field, bool& known);
// A text field; false for other fields.
bool TextAttribute(const ColumnInfo& c, SQLUSMALLINT field, std::string& out);

} // namespace standin
