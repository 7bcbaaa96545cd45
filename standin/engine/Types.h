#pragma once
// Column descriptions the way SQL Server reports its declared types, and the
// declared type of a column derived from its T-SQL name or, for expressions,
// from the first value it holds.
#include <sql.h>
#include <sqlext.h>

#include <string>

namespace standin {

// How a value of the column is rendered when the application asks for text.
enum class Render { Integer, Bit, Decimal, Float, Text, Binary, DateTime, Date, Time, Guid };

struct ColumnInfo {
    std::string Name;
    std::string TypeName; // T-SQL base name: "int", "nvarchar", "datetime"
    SQLSMALLINT SqlType = SQL_VARCHAR;
    SQLULEN Size = 0;       // column size (characters, digits or bytes)
    SQLSMALLINT Digits = 0; // scale or fraction digits
    SQLSMALLINT Nullable = SQL_NULLABLE_UNKNOWN;
    bool Unsigned = false;
    bool AutoIncrement = false;
    bool Money = false;
    bool Computed = false; // a table column the server computes: never written by the application
    bool KeyPart = false;  // a column of its table's primary key
    Render Kind = Render::Text;
    // Where the column comes from; empty for expressions.
    std::string Table, BaseColumn, Catalog, Schema;

    bool IsLong() const;
    bool IsCharacter() const;
    bool IsBinary() const;
    SQLLEN OctetLength() const;
    SQLLEN DisplaySize() const;
    SQLSMALLINT DefaultCType() const;
    SQLSMALLINT VerboseType() const; // SQL_DATETIME for the date-time types
    SQLSMALLINT DateTimeSub() const; // SQL_CODE_* for the date-time types, else 0
    SQLINTEGER Radix() const;        // 10 for exact and approximate numbers, else 0
    std::string LiteralPrefix() const;
};

// The C type SQL_C_DEFAULT stands for with a column or parameter of this SQL type (tinyint is unsigned).
SQLSMALLINT DefaultCTypeOf(SQLSMALLINT sqlType);
// True for the SQL character types, narrow and wide, long included.
bool IsCharacterSqlType(SQLSMALLINT sqlType);
// Bytes of a C type passed by value; 0 for the variable-length ones (characters, binary).
size_t FixedCTypeSize(SQLSMALLINT cType);

// Describes a declared type such as "nvarchar(40)", "decimal(10,2)" or "int".
// Unknown names are described as long text. Never throws except bad_alloc.
ColumnInfo DescribeDeclared(const std::string& declared);

// Describes an expression column from the storage class of its first value (SQLITE_INTEGER ...).
ColumnInfo DescribeStorage(int storageClass);

} // namespace standin
