// Result columns to field types.
#include "dataset/odbc/ColumnFieldType.h"

#include <sqlext.h>

#include <gtest/gtest.h>

#include <utility>

using namespace tarvik;

namespace {

TEST(ColumnFieldType, SmallIntegersAreSignedOnlyWhenBoundAsSignedCTypes) {
    EXPECT_EQ(FieldTypeForColumn(SQL_SMALLINT, SQL_C_SSHORT), ftSmallint);
    EXPECT_EQ(FieldTypeForColumn(SQL_SMALLINT, SQL_C_USHORT), ftWord);
    EXPECT_EQ(FieldTypeForColumn(SQL_TINYINT, SQL_C_STINYINT), ftSmallint);
    EXPECT_EQ(FieldTypeForColumn(SQL_TINYINT, SQL_C_UTINYINT), ftWord);
    EXPECT_EQ(FieldTypeForColumn(SQL_TINYINT, SQL_C_SSHORT), ftWord);
}

TEST(ColumnFieldType, EverySqlTypeHasItsFieldType) {
    const std::pair<SQLSMALLINT, TFieldType> cases[] = {
        {SQL_CHAR, ftString},
        {SQL_VARCHAR, ftString},
        {SQL_NUMERIC, ftFloat},
        {SQL_DECIMAL, ftFloat},
        {SQL_FLOAT, ftFloat},
        {SQL_REAL, ftFloat},
        {SQL_DOUBLE, ftFloat},
        {SQL_INTEGER, ftInteger},
        {SQL_BIT, ftBoolean},
        {SQL_BIGINT, ftLargeint},
        {SQL_TYPE_DATE, ftDate},
        {SQL_TYPE_TIME, ftTime},
        {SQL_TYPE_TIMESTAMP, ftDateTime},
        {SQL_BINARY, ftBytes},
        {SQL_VARBINARY, ftBytes},
        {SQL_LONGVARBINARY, ftBlob},
        {SQL_LONGVARCHAR, ftMemo},
        {SQL_INTERVAL_DAY, ftUnknown},
        {SQL_WCHAR, ftUnknown} /* the statement maps wide types before they get here */};
    for (const auto& [sqlType, fieldType] : cases)
        EXPECT_EQ(FieldTypeForColumn(sqlType, 0), fieldType) << sqlType;
}
} // namespace
