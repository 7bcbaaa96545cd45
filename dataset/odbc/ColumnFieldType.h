#pragma once
// Result columns of an ODBC statement as the dataset framework's field types.
#include "core/FieldType.h"

#include <sql.h>

namespace tarvik {

// The field type of a result column as the statement described and bound it: SQL_SMALLINT and
// SQL_TINYINT are ftSmallint when bound as signed C types, ftWord otherwise; ftUnknown for SQL
// types without a field type.
TFieldType FieldTypeForColumn(SQLSMALLINT sqlType, SQLSMALLINT cType);

} // namespace tarvik
