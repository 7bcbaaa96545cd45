#pragma once
// Result sets: a live one that steps an SQLite statement row by row (the
// forward-only cursor of ordinary queries) and a materialised one for the
// system procedures and catalog functions.
#include "standin/engine/Types.h"

#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

namespace standin {

class Database;

// One value of the current row; Data stays valid until the cursor moves.
struct Cell {
    int Type = SQLITE_NULL;
    sqlite3_int64 Int = 0;
    double Real = 0;
    const char* Data = nullptr; // text (UTF-8, not terminated) or blob bytes
    int Bytes = 0;
};

class Cursor {
public:
    virtual ~Cursor() = default;
    const std::vector<ColumnInfo>& Columns() const { return FColumns; }
    // Moves to the next row; false after the last. Throws SqlError.
    virtual bool Next() = 0;
    // Value of a 0-based column of the current row.
    virtual Cell Get(int column) const = 0;

protected:
    std::vector<ColumnInfo> FColumns;
};

// Steps a prepared statement; the first row was already stepped by the caller
// (first = SQLITE_ROW or SQLITE_DONE). Owns the statement; keeps the database open.
class LiveCursor : public Cursor {
public:
    LiveCursor(std::shared_ptr<Database> db, sqlite3_stmt* stmt, int first, const std::string& sqlText);
    ~LiveCursor() override;
    bool Next() override;
    Cell Get(int column) const override;

private:
    void Describe(const std::string& sqlText);
    ColumnInfo DescribeExpression(int column) const;
    std::shared_ptr<Database> FDb;
    sqlite3_stmt* FStmt;
    bool FPending; // the pre-stepped row has not been handed out yet
    bool FDone;
};

struct Value {
    int Type = SQLITE_NULL;
    sqlite3_int64 Int = 0;
    double Real = 0;
    std::string Text;

    static Value Null() { return {}; }
    static Value Integer(sqlite3_int64 v) { return {SQLITE_INTEGER, v, 0, {}}; }
    static Value Float(double v) { return {SQLITE_FLOAT, 0, v, {}}; }
    static Value String(std::string v) { return {SQLITE_TEXT, 0, 0, std::move(v)}; }
    static Value Bytes(std::string v) { return {SQLITE_BLOB, 0, 0, std::move(v)}; }
};

using Row = std::vector<Value>;

// A value seen as a cell (pointing into the value's text) and a cell copied into a value.
Cell CellOf(const Value& v);
Value ValueOf(const Cell& c);

// A result built in memory.
class RowsCursor : public Cursor {
public:
    RowsCursor() = default;
    // Adds a column described by its T-SQL declared type; returns it for further settings.
    ColumnInfo& AddColumn(const std::string& name, const std::string& declared,
                          SQLSMALLINT nullable = SQL_NULLABLE);
    void AddColumn(ColumnInfo column) { FColumns.push_back(std::move(column)); }
    void AddRow(Row row) { FRows.push_back(std::move(row)); }
    size_t RowCount() const { return FRows.size(); }
    // Moves before row `position` + 1 (0: before the first row), for scrolling.
    void Seek(size_t position) { FPos = position < FRows.size() ? position : FRows.size(); }
    // 1-based index of the current row; 0 before the first row, RowCount + 1 after the last.
    size_t Position() const { return FPos; }
    // A row by 0-based index, for positioned operations; the index must be below RowCount.
    const Row& RowAt(size_t index) const { return FRows[index]; }
    Row& RowAt(size_t index) { return FRows[index]; }
    bool Next() override;
    Cell Get(int column) const override;

private:
    std::vector<Row> FRows;
    size_t FPos = 0; // 1-based position of the current row; 0 before the first
};

// Reads the rest of a cursor into memory, at most maxRows rows (0: all): a static cursor. Throws SqlError.
std::unique_ptr<RowsCursor> Materialize(Cursor& source, size_t maxRows);

// Binds a value to a parameter of an SQLite statement; SQLite's result code.
int BindValue(sqlite3_stmt* stmt, int index, const Value& value);

// Runs one SQLite statement with values for its parameters; the rows it returns. Throws SqlError.
std::vector<Row> QueryValues(sqlite3* db, const std::string& sql, const std::vector<Value>& args);

// Reads every row of an SQLite query into values; for the engine's own queries. Throws SqlError.
std::vector<Row> QueryRows(sqlite3* db, const std::string& sql, const std::vector<std::string>& args = {});

// Runs statements that return no rows; throws SqlError.
void ExecSql(sqlite3* db, const std::string& sql, const std::vector<std::string>& args = {});

} // namespace standin
