#pragma once
// Diagnostic records as a SQL Server driver reports them, and the exception that
// carries them out of the engine to the ODBC entry points.
#include <sql.h>
#include <sqlext.h>

#include <exception>
#include <string>
#include <vector>

struct sqlite3;

namespace standin {

struct DiagRecord {
    std::string State;
    SQLINTEGER Native = 0;
    std::string Message; // without the component prefix; the prefix is added when read
    bool FromServer = true;
};

// A failure of the engine: one or more records; the first decides the SQLSTATE.
class SqlError : public std::exception {
public:
    SqlError(std::string state, SQLINTEGER native, std::string message, bool fromServer = true);
    explicit SqlError(std::vector<DiagRecord> records) : FRecords(std::move(records)) {}
    const std::vector<DiagRecord>& Records() const { return FRecords; }
    SqlError& Add(std::string state, SQLINTEGER native, std::string message);
    const char* what() const noexcept override;

private:
    std::vector<DiagRecord> FRecords;
};

// The diagnostics area of one handle.
struct Diagnostics {
    std::vector<DiagRecord> Records;
    SQLRETURN ReturnCode = SQL_SUCCESS;
    SQLLEN RowCount = 0;
    SQLLEN CursorRowCount = -1;

    void Clear();
    void Add(const DiagRecord& record) { Records.push_back(record); }
    void Add(const SqlError& error);
    // Adds one record and returns SQL_ERROR; for driver-side (not server) errors.
    SQLRETURN Fail(const std::string& state, const std::string& message);
    // Adds one warning record and returns SQL_SUCCESS_WITH_INFO.
    SQLRETURN Warn(const std::string& state, const std::string& message);
};

// The text shown to applications: component prefix and message.
std::string FormatMessage(const DiagRecord& record);

// Turns the last error of an SQLite connection into SQL Server-like records; never throws.
SqlError TranslateSqliteError(sqlite3* db, int code);

} // namespace standin
