#include "standin/engine/Types.h"

#include "core/Numbers.h"
#include "core/Text.h"

#include <sqlite3.h>

#include <algorithm>
#include <string_view>

using namespace tarvik;

namespace standin {

namespace {

constexpr SQLULEN kLongText = 2147483647;
constexpr SQLULEN kLongNText = 1073741823;

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsAsciiSpace(s[b]))
        ++b;
    while (e > b && IsAsciiSpace(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

// The leading whole number of text ("10,2)" gives 10); 0 when there is none.
long LeadingNumber(std::string_view whole) {
    const std::string text = Trim(whole);
    size_t n = 0;
    while (n < text.size() && IsAsciiDigit(text[n]))
        ++n;
    std::int64_t v = 0;
    return ParseInt64(text.substr(0, n), v) && v < (1L << 31) ? static_cast<long>(v) : 0;
}

struct Declared {
    std::string Base;
    bool HasArgs = false;
    bool Max = false;
    long A = 0, B = 0;
};

Declared Parse(const std::string& declared) {
    Declared d;
    std::string s = LowerAscii(declared);
    auto open = s.find('(');
    d.Base = Trim(s.substr(0, open));
    for (char q : {'[', ']', '"'})
        d.Base.erase(std::remove(d.Base.begin(), d.Base.end(), q), d.Base.end());
    if (open == std::string::npos) return d;
    d.HasArgs = true;
    std::string args = s.substr(open + 1);
    if (args.find("max") != std::string::npos) d.Max = true;
    d.A = LeadingNumber(args);
    auto comma = args.find(',');
    if (comma != std::string::npos) d.B = LeadingNumber(std::string_view(args).substr(comma + 1));
    return d;
}

ColumnInfo Make(const char* name, SQLSMALLINT type, SQLULEN size, SQLSMALLINT digits, Render kind) {
    ColumnInfo c;
    c.TypeName = name;
    c.SqlType = type;
    c.Size = size;
    c.Digits = digits;
    c.Kind = kind;
    return c;
}

ColumnInfo Character(const Declared& d, const char* name, SQLSMALLINT fixed, SQLSMALLINT var,
                     SQLSMALLINT longType, SQLULEN longSize) {
    bool isVar = d.Base.rfind("var", 0) == 0 || d.Base.rfind("nvar", 0) == 0;
    if (d.Max) return Make(name, longType, longSize, 0, Render::Text);
    SQLULEN n = d.HasArgs && d.A > 0 ? static_cast<SQLULEN>(d.A) : 1;
    return Make(name, isVar ? var : fixed, n, 0, Render::Text);
}

ColumnInfo Binary(const Declared& d, const char* name) {
    if (d.Max) return Make(name, SQL_LONGVARBINARY, kLongText, 0, Render::Binary);
    SQLULEN n = d.HasArgs && d.A > 0 ? static_cast<SQLULEN>(d.A) : 1;
    return Make(name, d.Base == "binary" ? SQL_BINARY : SQL_VARBINARY, n, 0, Render::Binary);
}

ColumnInfo Exact(const Declared& d, const char* name, SQLSMALLINT type) {
    SQLULEN p = d.HasArgs && d.A > 0 ? static_cast<SQLULEN>(d.A) : 18;
    SQLSMALLINT s = d.HasArgs ? static_cast<SQLSMALLINT>(d.B) : 0;
    return Make(name, type, p, s, Render::Decimal);
}

} // namespace

ColumnInfo DescribeDeclared(const std::string& declared) {
    Declared d = Parse(declared);
    const std::string& b = d.Base;
    if (b == "int" || b == "integer") return Make("int", SQL_INTEGER, 10, 0, Render::Integer);
    if (b == "smallint") return Make("smallint", SQL_SMALLINT, 5, 0, Render::Integer);
    if (b == "tinyint") {
        ColumnInfo c = Make("tinyint", SQL_TINYINT, 3, 0, Render::Integer);
        c.Unsigned = true;
        return c;
    }
    if (b == "bigint") return Make("bigint", SQL_BIGINT, 19, 0, Render::Integer);
    if (b == "bit") return Make("bit", SQL_BIT, 1, 0, Render::Bit);
    if (b == "real") return Make("real", SQL_REAL, 24, 0, Render::Float);
    if (b == "float" || b == "double" || b == "double precision")
        return Make("float", SQL_FLOAT, 53, 0, Render::Float);
    if (b == "decimal") return Exact(d, "decimal", SQL_DECIMAL);
    if (b == "numeric") return Exact(d, "numeric", SQL_NUMERIC);
    if (b == "money" || b == "smallmoney") {
        ColumnInfo c = Make(b == "money" ? "money" : "smallmoney", SQL_DECIMAL, b == "money" ? 19 : 10, 4,
                            Render::Decimal);
        c.Money = true;
        return c;
    }
    if (b == "char" || b == "character" || b == "varchar")
        return Character(d, b == "varchar" ? "varchar" : "char", SQL_CHAR, SQL_VARCHAR, SQL_LONGVARCHAR,
                         kLongText);
    if (b == "nchar" || b == "nvarchar")
        return Character(d, b.c_str(), SQL_WCHAR, SQL_WVARCHAR, SQL_WLONGVARCHAR, kLongNText);
    if (b == "text") return Make("text", SQL_LONGVARCHAR, kLongText, 0, Render::Text);
    if (b == "ntext") return Make("ntext", SQL_WLONGVARCHAR, kLongNText, 0, Render::Text);
    if (b == "datetime") return Make("datetime", SQL_TYPE_TIMESTAMP, 23, 3, Render::DateTime);
    if (b == "smalldatetime") return Make("smalldatetime", SQL_TYPE_TIMESTAMP, 16, 0, Render::DateTime);
    if (b == "date") return Make("date", SQL_TYPE_DATE, 10, 0, Render::Date);
    if (b == "time") return Make("time", SQL_TYPE_TIME, 8, 0, Render::Time);
    if (b == "binary" || b == "varbinary") return Binary(d, b.c_str());
    if (b == "image" || b == "blob") return Make("image", SQL_LONGVARBINARY, kLongText, 0, Render::Binary);
    if (b == "uniqueidentifier") return Make("uniqueidentifier", SQL_GUID, 36, 0, Render::Guid);
    // SQL Server's "timestamp" is a row version; the stand-in keeps no row versions and reads the
    // name as the standard date-time type instead, so that portable DDL means the same everywhere.
    if (b == "timestamp") return Make("datetime", SQL_TYPE_TIMESTAMP, 23, 3, Render::DateTime);
    if (b == "rowversion") return Make("timestamp", SQL_BINARY, 8, 0, Render::Binary);
    if (b == "sysname") return Make("nvarchar", SQL_WVARCHAR, 128, 0, Render::Text);
    return Make("text", SQL_LONGVARCHAR, kLongText, 0, Render::Text);
}

ColumnInfo DescribeStorage(int storageClass) {
    switch (storageClass) {
    case SQLITE_INTEGER:
        return Make("int", SQL_INTEGER, 10, 0, Render::Integer);
    case SQLITE_FLOAT:
        return Make("float", SQL_FLOAT, 53, 0, Render::Float);
    case SQLITE_BLOB:
        return Make("varbinary", SQL_VARBINARY, 8000, 0, Render::Binary);
    default:
        return Make("varchar", SQL_VARCHAR, 8000, 0, Render::Text);
    }
}

bool ColumnInfo::IsLong() const {
    return SqlType == SQL_LONGVARCHAR || SqlType == SQL_WLONGVARCHAR || SqlType == SQL_LONGVARBINARY;
}

bool ColumnInfo::IsCharacter() const {
    return IsCharacterSqlType(SqlType);
}

bool IsCharacterSqlType(SQLSMALLINT sqlType) {
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
        return true;
    default:
        return false;
    }
}

bool ColumnInfo::IsBinary() const {
    return SqlType == SQL_BINARY || SqlType == SQL_VARBINARY || SqlType == SQL_LONGVARBINARY;
}

SQLLEN ColumnInfo::OctetLength() const {
    switch (SqlType) {
    case SQL_INTEGER:
    case SQL_REAL:
        return 4;
    case SQL_SMALLINT:
        return 2;
    case SQL_TINYINT:
    case SQL_BIT:
        return 1;
    case SQL_BIGINT:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return 8;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return static_cast<SQLLEN>(Size) + 2;
    case SQL_TYPE_TIMESTAMP:
        return 16;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
        return 6;
    case SQL_GUID:
        return 16;
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
        return IsLong() ? static_cast<SQLLEN>(kLongText) : static_cast<SQLLEN>(Size) * 2;
    default:
        return static_cast<SQLLEN>(Size);
    }
}

SQLLEN ColumnInfo::DisplaySize() const {
    switch (SqlType) {
    case SQL_INTEGER:
        return 11;
    case SQL_SMALLINT:
        return 6;
    case SQL_TINYINT:
        return 3;
    case SQL_BIGINT:
        return 20;
    case SQL_BIT:
        return 1;
    case SQL_REAL:
        return 14;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return 24;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return static_cast<SQLLEN>(Size) + 2;
    case SQL_BINARY:
    case SQL_VARBINARY:
        return static_cast<SQLLEN>(Size) * 2;
    default:
        return static_cast<SQLLEN>(Size);
    }
}

SQLSMALLINT ColumnInfo::DefaultCType() const {
    return DefaultCTypeOf(SqlType);
}

SQLSMALLINT DefaultCTypeOf(SQLSMALLINT sqlType) {
    switch (sqlType) {
    case SQL_INTEGER:
        return SQL_C_SLONG;
    case SQL_SMALLINT:
        return SQL_C_SSHORT;
    case SQL_TINYINT:
        return SQL_C_UTINYINT;
    case SQL_BIGINT:
        return SQL_C_SBIGINT;
    case SQL_BIT:
        return SQL_C_BIT;
    case SQL_REAL:
        return SQL_C_FLOAT;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return SQL_C_DOUBLE;
    case SQL_TYPE_TIMESTAMP:
        return SQL_C_TYPE_TIMESTAMP;
    case SQL_TYPE_DATE:
        return SQL_C_TYPE_DATE;
    case SQL_TYPE_TIME:
        return SQL_C_TYPE_TIME;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return SQL_C_BINARY;
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
        return SQL_C_WCHAR;
    case SQL_GUID:
        return SQL_C_GUID;
    default:
        return SQL_C_CHAR;
    }
}

SQLSMALLINT ColumnInfo::VerboseType() const {
    switch (SqlType) {
    case SQL_TYPE_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
        return SQL_DATETIME;
    default:
        return SqlType;
    }
}

SQLSMALLINT ColumnInfo::DateTimeSub() const {
    switch (SqlType) {
    case SQL_TYPE_TIMESTAMP:
        return SQL_CODE_TIMESTAMP;
    case SQL_TYPE_DATE:
        return SQL_CODE_DATE;
    case SQL_TYPE_TIME:
        return SQL_CODE_TIME;
    default:
        return 0;
    }
}

SQLINTEGER ColumnInfo::Radix() const {
    switch (Kind) {
    case Render::Integer:
    case Render::Bit:
    case Render::Decimal:
    case Render::Float:
        return 10;
    default:
        return 0;
    }
}

std::string ColumnInfo::LiteralPrefix() const {
    if (IsCharacter())
        return SqlType == SQL_WCHAR || SqlType == SQL_WVARCHAR || SqlType == SQL_WLONGVARCHAR ? "N'" : "'";
    if (IsBinary()) return "0x";
    if (Kind == Render::DateTime || Kind == Render::Date || Kind == Render::Time || Kind == Render::Guid)
        return "'";
    return "";
}

size_t FixedCTypeSize(SQLSMALLINT c) {
    switch (c) {
    case SQL_C_SLONG:
    case SQL_C_ULONG:
    case SQL_C_LONG:
    case SQL_C_FLOAT:
        return 4;
    case SQL_C_SSHORT:
    case SQL_C_USHORT:
    case SQL_C_SHORT:
        return 2;
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT:
    case SQL_C_DOUBLE:
        return 8;
    case SQL_C_STINYINT:
    case SQL_C_UTINYINT:
    case SQL_C_TINYINT:
    case SQL_C_BIT:
        return 1;
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_TIMESTAMP:
        return sizeof(SQL_TIMESTAMP_STRUCT);
    case SQL_C_TYPE_DATE:
    case SQL_C_DATE:
        return sizeof(SQL_DATE_STRUCT);
    case SQL_C_TYPE_TIME:
    case SQL_C_TIME:
        return sizeof(SQL_TIME_STRUCT);
    case SQL_C_NUMERIC:
        return sizeof(SQL_NUMERIC_STRUCT);
    case SQL_C_GUID:
        return sizeof(SQLGUID);
    default:
        return 0;
    }
}

} // namespace standin
