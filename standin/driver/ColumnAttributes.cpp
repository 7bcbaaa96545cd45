#include "standin/driver/ColumnAttributes.h"

namespace standin {

SQLLEN NumericAttribute(const ColumnInfo& c, SQLUSMALLINT field, bool& known) {
    known = true;
    bool numeric = c.Radix() != 0;
    switch (field) {
    case SQL_DESC_TYPE:
        return c.VerboseType();
    case SQL_DESC_CONCISE_TYPE:
        return c.SqlType;
    case SQL_DESC_LENGTH:
    case SQL_COLUMN_PRECISION:
        return static_cast<SQLLEN>(c.Size);
    case SQL_COLUMN_LENGTH:
    case SQL_DESC_OCTET_LENGTH:
        return c.OctetLength();
    case SQL_DESC_PRECISION:
        return c.DateTimeSub() ? c.Digits : static_cast<SQLLEN>(c.Size);
    case SQL_DESC_SCALE:
    case SQL_COLUMN_SCALE:
        return c.Digits;
    case SQL_DESC_NULLABLE:
    case SQL_COLUMN_NULLABLE:
        return c.Nullable;
    case SQL_DESC_UNSIGNED:
        return !numeric || c.Unsigned ? SQL_TRUE : SQL_FALSE;
    case SQL_DESC_UPDATABLE:
        return c.Table.empty() || c.Computed ? SQL_ATTR_READONLY : SQL_ATTR_READWRITE_UNKNOWN;
    case SQL_DESC_DISPLAY_SIZE:
        return c.DisplaySize();
    case SQL_DESC_AUTO_UNIQUE_VALUE:
        return c.AutoIncrement ? SQL_TRUE : SQL_FALSE;
    case SQL_DESC_CASE_SENSITIVE:
        return SQL_FALSE;
    case SQL_DESC_SEARCHABLE:
        return c.IsLong() ? SQL_PRED_CHAR : SQL_PRED_SEARCHABLE;
    case SQL_DESC_FIXED_PREC_SCALE:
        return c.Money ? SQL_TRUE : SQL_FALSE;
    case SQL_DESC_NUM_PREC_RADIX:
        return c.Radix();
    case SQL_DESC_UNNAMED:
        return c.Name.empty() ? SQL_UNNAMED : SQL_NAMED;
    case SQL_DESC_DATETIME_INTERVAL_CODE:
        return c.DateTimeSub();
    default:
        known = false;
        return 0;
    }
}

bool TextAttribute(const ColumnInfo& c, SQLUSMALLINT field, std::string& out) {
    switch (field) {
    case SQL_DESC_NAME:
    case SQL_COLUMN_NAME:
    case SQL_DESC_LABEL:
        out = c.Name;
        return true;
    case SQL_DESC_BASE_COLUMN_NAME:
        out = c.BaseColumn.empty() ? c.Name : c.BaseColumn;
        return true;
    case SQL_DESC_TABLE_NAME:
    case SQL_DESC_BASE_TABLE_NAME:
        out = c.Table;
        return true;
    case SQL_DESC_SCHEMA_NAME:
        out = c.Schema;
        return true;
    case SQL_DESC_CATALOG_NAME:
        out = c.Catalog;
        return true;
    case SQL_DESC_TYPE_NAME:
    case SQL_DESC_LOCAL_TYPE_NAME:
        out = c.TypeName;
        return true;
    case SQL_DESC_LITERAL_PREFIX:
        out = c.LiteralPrefix();
        return true;
    case SQL_DESC_LITERAL_SUFFIX:
        // Spelled out: the conditional form trips a false -Wrestrict of GCC 12 at -O2.
        out.clear();
        if (!c.LiteralPrefix().empty() && c.LiteralPrefix() != "0x") out.push_back('\'');
        return true;
    default:
        return false;
    }
}

} // namespace standin
