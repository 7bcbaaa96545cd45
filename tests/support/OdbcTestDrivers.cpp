#include "tests/support/OdbcTestDrivers.h"

#include <algorithm>
#include <stdexcept>

namespace tarvik {

namespace {

TestDriver Sqlite() {
    TestDriver d{"Sqlite", "TarvikSqlite", "", "", {}, {}};
    // SQLite ODBC reports "blob" as a 255-byte binary; "longvarbinary" is long.
    d.Sql = {"timestamp", "longvarbinary", "bit", "1", "varbinary(8)", "X'", "'", "\"", "\"", "main", false};
    DriverCapabilities& c = d.Can;
    c.Batches = Lacks("SQLite ODBC 0.9998 runs one statement per call");
    c.ReportsNotNull = Lacks("SQLite ODBC 0.9998 reports every column nullable");
    c.ReportsReadOnlyColumns =
        Lacks("SQLite ODBC 0.9998 reports every column, expressions included, as writable");
    c.ReadOnlyComputedColumns = c.ReportsReadOnlyColumns;
    c.FourByteReal = Lacks("SQLite ODBC 0.9998 describes real as a double");
    c.FullDoubles = Lacks("SQLite ODBC 0.9998 reads a real through SQLite's text of it, which has 15 digits");
    c.ScaledDecimals =
        Lacks("SQLite ODBC 0.9998 describes a decimal(19,4) column as varchar(19) and a numeric "
              "one as a double without scale");
    c.KeysetCursor = Lacks("SQLite ODBC 0.9998 has forward-only and static cursors only");
    c.PositionInRowset =
        Lacks("SQLite ODBC 0.9998 claims positioning but refuses SQLSetPos beyond row 1 of a "
              "rowset (HY107) and reads long values there as NULL");
    c.PositionedStatements = Lacks("SQLite ODBC 0.9998 reports no SQL_CA1_POSITIONED_UPDATE");
    c.LongDataThroughSetPos = Lacks(
        "SQLite ODBC 0.9998 asks for long lengths ahead (SQL_NEED_LONG_DATA_LEN \"Y\") yet its SQLSetPos "
        "never asks for a value marked for sending at execution: it writes an empty text");
    c.RefreshThroughCursor = Lacks("SQLite ODBC 0.9998's SQL_REFRESH returns the values it cached");
    c.DeletedRowsMarked = Lacks("SQLite ODBC 0.9998's open cursor keeps showing a row deleted through it, "
                                "without a DELETED status");
    c.BoundVariableBookmarks = Lacks("SQLite ODBC 0.9998 refuses to bind the bookmark column of a "
                                     "variable-bookmark cursor (\"invalid column\")");
    c.Procedures = Lacks("SQLite has no stored procedures");
    c.TsqlProcedures = c.Procedures;
    c.ServerTypes = Lacks("SQLite has no unsigned tinyint and no uniqueidentifier");
    c.DemoProcedures = Lacks("the SQLite test database holds only the tests' own tables");
    return d;
}

TestDriver Postgres() {
    TestDriver d{"Postgres", "TarvikPg", "tarvik", "tarvik", {}, {}};
    d.Sql = {"timestamp", "bytea", "boolean", "true",   "bytea", "decode('",
             "', 'hex')", "\"",    "\"",      "public", true};
    DriverCapabilities& c = d.Can;
    c.ReadOnlyComputedColumns = Lacks("psqlODBC 13.02 reports a generated table column writable");
    c.PositionedStatements =
        Lacks("psqlODBC 13.02 reports no SQL_CA1_POSITIONED_UPDATE; it writes through SQLSetPos by ctid");
    c.RefreshThroughCursor = Lacks("psqlODBC 13.02's SQL_REFRESH returns the data of the next row, not the "
                                   "current one");
    c.TsqlProcedures =
        Lacks("PostgreSQL 15 has functions in their place: parameters without \"@\", no return "
              "status");
    c.ServerTypes = Lacks("PostgreSQL 15 has no unsigned tinyint");
    c.DemoProcedures = Lacks("the PostgreSQL test database holds only the tests' own tables");
    return d;
}

TestDriver Standin() {
    TestDriver d{"Standin", "TarvikStandin", "sa", "", {}, {}};
    // SQL Server's "timestamp" is a row version, not a date-time.
    d.Sql = {"datetime", "image", "bit", "1", "varbinary(8)", "0x", "", "[", "]", "dbo", false};
    DriverCapabilities& c = d.Can;
    c.KeysetCursor = Lacks("the stand-in has static cursors only (SQL_KEYSET_CURSOR_ATTRIBUTES1 is 0)");
    c.DeletedRowsMarked = Lacks("the stand-in marks a row deleted through its cursor in that rowset's status "
                                "only: fetched again, the row is back with SQL_ROW_SUCCESS");
    return d;
}

} // namespace

const std::vector<TestDriver>& TestDrivers() {
    static const std::vector<TestDriver> drivers = {Sqlite(), Postgres(), Standin()};
    return drivers;
}

const TestDriver& TestDriverLabelled(const std::string& label) {
    for (const TestDriver& d : TestDrivers())
        if (d.Label == label) return d;
    throw std::out_of_range("no test driver labelled " + label);
}

std::vector<TestDriver> DriversThat(std::initializer_list<Capability DriverCapabilities::*> needs) {
    std::vector<TestDriver> out;
    for (const TestDriver& d : TestDrivers())
        if (std::all_of(needs.begin(), needs.end(), [&](auto need) { return bool(d.Can.*need); }))
            out.push_back(d);
    return out;
}

} // namespace tarvik
