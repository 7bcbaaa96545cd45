#include "odbc/ParamBinding.h"
#include "odbc/ODBCError.h"

#include <gtest/gtest.h>

using namespace tarvik;

TEST(ParamBindingTest, DriverTableGivesTimestampSizesOfTheDriverOrTheDefaultRow) {
    const std::vector<TDriverRec> table = DefaultDriverTable();
    const TParamDescription known =
        DescribeByDriverTable(table, "microsoft sql server;SQLSRV32.DLL", SQL_TYPE_TIMESTAMP);
    EXPECT_EQ(known.SQLType, SQL_TYPE_TIMESTAMP);
    EXPECT_EQ(known.ColumnSize, 23u);
    EXPECT_EQ(known.DecimalDigits, 3);
    EXPECT_EQ(known.Nullable, SQL_NULLABLE_UNKNOWN);
    const TParamDescription unknown =
        DescribeByDriverTable(table, "PostgreSQL;psqlodbcw.so", SQL_TYPE_TIMESTAMP);
    EXPECT_EQ(unknown.ColumnSize, 19u);
    EXPECT_EQ(unknown.DecimalDigits, 0);
}

TEST(ParamBindingTest, DriverTableSizesOnlyCharacterBinaryAndScaledTypes) {
    const std::vector<TDriverRec> table = DefaultDriverTable();
    EXPECT_EQ(DescribeByDriverTable(table, "Oracle;msorcl32.dll", SQL_VARCHAR).ColumnSize, 2000u);
    EXPECT_EQ(DescribeByDriverTable(table, "nobody", SQL_NUMERIC).DecimalDigits, 15);
    const TParamDescription integer = DescribeByDriverTable(table, "Oracle;msorcl32.dll", SQL_INTEGER);
    EXPECT_EQ(integer.ColumnSize, 0u);
    EXPECT_EQ(integer.DecimalDigits, 0);
    // A table without a "Default" row leaves an unknown driver's sizes at zero.
    EXPECT_EQ(DescribeByDriverTable({}, "nobody", SQL_VARCHAR).ColumnSize, 0u);
}

TEST(ParamBindingTest, TextOfSizeTenTakesElevenBytesAndIsNulTerminated) {
    const TParamLayout l = ParamLayout(SQL_VARCHAR, 0, 10, false, false);
    EXPECT_EQ(l.BufferLength, 11);
    EXPECT_EQ(l.FirstIndicator, SQL_NTS);
    EXPECT_EQ(ParamLayout(SQL_CHAR, 5, 10, false, false).BufferLength, 256); // array cells are 256 apart
    EXPECT_EQ(ParamLayout(SQL_VARBINARY, 0, 10, false, false).BufferLength, 10);
    EXPECT_EQ(ParamLayout(SQL_INTEGER, 0, 10, false, true).FirstIndicator, SQL_NULL_DATA);
}

TEST(ParamBindingTest, LongValuesAreMarkedForExecutionOnlyWhenSentInParts) {
    EXPECT_EQ(ParamLayout(SQL_LONGVARCHAR, 0, 0, true, false).FirstIndicator, SQL_LEN_DATA_AT_EXEC(0));
    EXPECT_EQ(ParamLayout(SQL_LONGVARBINARY, 0, 0, false, false).FirstIndicator, 0);
    EXPECT_EQ(ParamLayout(SQL_LONGVARBINARY, 0, 0, true, true).FirstIndicator, SQL_NULL_DATA);
    try {
        ParamLayout(SQL_LONGVARBINARY, 2, 0, true, false);
        FAIL() << "an array of long values was accepted";
    } catch (const EVERODezuzid& e) {
        EXPECT_STREQ(e.what(), "Cannot insert bulk blobs.");
    }
}

TEST(ParamBindingTest, DataAtExecutionMarkingCarriesItsLength) {
    EXPECT_EQ(DataAtExecMark(70000), SQL_LEN_DATA_AT_EXEC(70000));
    EXPECT_EQ(DataAtExecLength(SQL_LEN_DATA_AT_EXEC(70000)), 70000);
    EXPECT_EQ(DataAtExecLength(SQL_LEN_DATA_AT_EXEC(0)), 0);
    // SQL_DATA_AT_EXEC tells no length: nothing may be read from the buffer for it.
    EXPECT_EQ(DataAtExecLength(SQL_DATA_AT_EXEC), 0);
    EXPECT_FALSE(IsDataAtExecMark(SQL_NULL_DATA));
}
