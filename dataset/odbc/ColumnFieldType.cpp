#include "dataset/odbc/ColumnFieldType.h"

#include "dataset/Field.h"
#include "odbc/ColumnBuffer.h"

#include <sqlext.h>

namespace tarvik {

// A record's string slot must hold whatever a statement's character cell can hold.
static_assert(MaxCharBytes == static_cast<int>(MaxUtf8CharBytes));

TFieldType FieldTypeForColumn(SQLSMALLINT sqlType, SQLSMALLINT cType) {
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
        return ftString;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
        return ftFloat;
    case SQL_INTEGER:
        return ftInteger;
    case SQL_SMALLINT:
        return cType == SQL_C_SSHORT ? ftSmallint : ftWord;
    case SQL_TINYINT:
        return cType == SQL_C_STINYINT ? ftSmallint : ftWord;
    case SQL_BIT:
        return ftBoolean;
    case SQL_BIGINT:
        return ftLargeint;
    case SQL_TYPE_DATE:
        return ftDate;
    case SQL_TYPE_TIME:
        return ftTime;
    case SQL_TYPE_TIMESTAMP:
        return ftDateTime;
    case SQL_BINARY:
    case SQL_VARBINARY:
        return ftBytes;
    case SQL_LONGVARBINARY:
        return ftBlob;
    case SQL_LONGVARCHAR:
        return ftMemo;
    default:
        return ftUnknown;
    }
}

} // namespace tarvik
