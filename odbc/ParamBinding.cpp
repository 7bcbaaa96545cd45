#include "odbc/ParamBinding.h"

#include "odbc/ODBCError.h"

#include <limits>

namespace tarvik {

TParamDescription DescribeByDriverTable(const std::vector<TDriverRec>& table, const std::string& key,
                                        SQLSMALLINT sqlType) {
    TParamDescription d;
    d.SQLType = sqlType;
    const TDriverRec* row = FindDriverRecIn(table, key);
    if (!row) row = FindDriverRecIn(table, "Default");
    if (!row) return d;
    auto sized = [&](std::int32_t size, std::int16_t digits = 0) {
        d.ColumnSize = static_cast<SQLULEN>(size < 0 ? 0 : size);
        d.DecimalDigits = digits;
    };
    switch (sqlType) {
    case SQL_CHAR:
        sized(row->CharSize);
        break;
    case SQL_VARCHAR:
        sized(row->VarcharSize);
        break;
    case SQL_LONGVARCHAR:
        sized(row->LongVarcharSize);
        break;
    case SQL_BINARY:
        sized(row->BinarySize);
        break;
    case SQL_VARBINARY:
        sized(row->VarbinarySize);
        break;
    case SQL_LONGVARBINARY:
        sized(row->LongVarbinarySize);
        break;
    case SQL_DECIMAL:
        sized(row->DecimalSize, row->DecimalDigits);
        break;
    case SQL_NUMERIC:
        sized(row->NumericSize, row->NumericDigits);
        break;
    case SQL_TYPE_TIMESTAMP:
        sized(row->TimestampSize, row->TimestampDigits);
        break;
    default:
        break;
    }
    return d;
}

TParamLayout ParamLayout(SQLSMALLINT sqlType, SQLULEN arraySize, SQLLEN columnSize, bool longByParts,
                         bool nullBuffer) {
    TParamLayout l;
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
        l.BufferLength = arraySize > 0 ? 256 : columnSize + 1;
        l.FirstIndicator = SQL_NTS;
        break;
    case SQL_LONGVARCHAR:
    case SQL_LONGVARBINARY:
        if (arraySize > 0) throw EVERODezuzid("Cannot insert bulk blobs.");
        l.BufferLength = std::numeric_limits<std::int32_t>::max();
        l.FirstIndicator = longByParts ? DataAtExecMark(0) : 0;
        break;
    case SQL_BINARY:
    case SQL_VARBINARY:
        l.BufferLength = arraySize > 0 ? 256 : columnSize;
        break;
    default:
        break;
    }
    if (nullBuffer) l.FirstIndicator = SQL_NULL_DATA;
    return l;
}

} // namespace tarvik
