#pragma once
// The ODBC drivers every library test runs on, as data sources of the private ini files, each with
// what it can do: a test asks for a capability, never for a driver's name, so that its branch says why.
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace tarvik {

// One thing a driver does or does not do; where it does not, why (the driver, its version, what it
// does instead), as measured on it.
struct Capability {
    bool Has = true;
    std::string WhyNot;
    explicit operator bool() const { return Has; }
};

// A capability the driver lacks, for the reason given.
inline Capability Lacks(std::string why) {
    return {false, std::move(why)};
}

// What a driver does beyond the common ground of the tests.
struct DriverCapabilities {
    Capability Batches;                 // several statements in one call, their results one by one
    Capability ReportsNotNull;          // a NOT NULL column described as SQL_NO_NULLS
    Capability ReportsReadOnlyColumns;  // a column that cannot be written described as read-only
    Capability ReadOnlyComputedColumns; // a computed table column described as read-only
    Capability FourByteReal;            // real described as a 4-byte SQL_REAL
    Capability FullDoubles;             // a double read back with all its 17 digits
    Capability ScaledDecimals;          // decimal and numeric described with their precision and scale
    Capability KeysetCursor;            // a keyset request served with keyset cursor attributes to write by
    Capability PositionInRowset;     // SQLSetPos(SQL_POSITION) on any row of a rowset, long values read there
    Capability PositionedStatements; // WHERE CURRENT OF a cursor (SQL_CA1_POSITIONED_UPDATE)
    Capability LongDataThroughSetPos; // a long value written whole through SQLSetPos
    Capability RefreshThroughCursor;  // SQLSetPos(SQL_REFRESH) reads the stored row, marks a gone one
    Capability DeletedRowsMarked; // a row deleted through the cursor stays SQL_ROW_DELETED when fetched again
    Capability BoundVariableBookmarks; // the bookmark column of a variable-bookmark cursor bound
    Capability Procedures;             // stored routines, listed by SQLProcedures
    Capability TsqlProcedures;         // CREATE PROCEDURE with @parameters, OUTPUT and a return status
    Capability ServerTypes;            // SQL Server's own types: unsigned tinyint, uniqueidentifier
    Capability DemoProcedures;         // the demo database's procedures (ZnesekRacunov, SteviloStrank)
};

// How the driver's server writes what the tests need in SQL.
struct DriverDialect {
    std::string TimestampType;  // a date-time column
    std::string LongBinaryType; // a long binary column
    std::string BitType;        // a one-bit column
    std::string TrueLiteral;    // the true value of a one-bit column
    std::string Binary8Type;    // a binary column of up to 8 bytes
    std::string BinaryPrefix;   // a binary literal is prefix, hexadecimal digits, suffix
    std::string BinarySuffix;
    std::string QuoteOpen; // around an identifier with blanks in DDL
    std::string QuoteClose;
    std::string DefaultSchema;      // where an unqualified CREATE TABLE puts the table
    bool FoldsNamesToLower = false; // unquoted names are stored in lower case
};

struct TestDriver {
    std::string Label;      // for test names: letters and digits only
    std::string DataSource; // DSN in the private odbc.ini
    std::string UserName;
    std::string Password;
    DriverDialect Sql;
    DriverCapabilities Can;
};

// Every driver the tests must run on; a driver that cannot connect makes its tests fail, never skip.
const std::vector<TestDriver>& TestDrivers();

// The driver with that label; throws std::out_of_range when there is none.
const TestDriver& TestDriverLabelled(const std::string& label);

// Every driver that has all the capabilities named.
std::vector<TestDriver> DriversThat(std::initializer_list<Capability DriverCapabilities::*> needs);

// A gtest parameter-name generator: the driver's Label.
struct TestDriverName {
    template <class ParamInfo> std::string operator()(const ParamInfo& info) const {
        return info.param.Label;
    }
};

// Test names and failure messages show the driver's label, not the object's bytes.
inline void PrintTo(const TestDriver& driver, std::ostream* os) {
    *os << driver.Label;
}

} // namespace tarvik
