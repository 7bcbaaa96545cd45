#include "Diagnostics.h"

#include <sqlite3.h>

namespace standin {

SqlError::SqlError(std::string state, SQLINTEGER native, std::string message, bool fromServer) {
    FRecords.push_back({std::move(state), native, std::move(message), fromServer});
}

SqlError& SqlError::Add(std::string state, SQLINTEGER native, std::string message) {
    FRecords.push_back({std::move(state), native, std::move(message), true});
    return *this;
}

const char* SqlError::what() const noexcept {
    return FRecords.empty() ? "error" : FRecords.front().Message.c_str();
}

void Diagnostics::Clear() {
    Records.clear();
    ReturnCode = SQL_SUCCESS;
    RowCount = 0;
    CursorRowCount = -1;
}

void Diagnostics::Add(const SqlError& error) {
    for (const auto& r : error.Records())
        Records.push_back(r);
}

SQLRETURN Diagnostics::Fail(const std::string& state, const std::string& message) {
    Records.push_back({state, 0, message, false});
    return SQL_ERROR;
}

SQLRETURN Diagnostics::Warn(const std::string& state, const std::string& message) {
    Records.push_back({state, 0, message, false});
    return SQL_SUCCESS_WITH_INFO;
}

std::string FormatMessage(const DiagRecord& record) {
    return (record.FromServer ? "[Tarvik][SQL Server]" : "[Tarvik][SQL Server Driver]") + record.Message;
}

namespace {

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

std::string After(const std::string& s, const char* prefix) {
    return s.substr(std::char_traits<char>::length(prefix));
}

// "near "x": syntax error" gives x.
std::string NearToken(const std::string& s) {
    auto open = s.find('"');
    auto close = open == std::string::npos ? open : s.find('"', open + 1);
    if (close == std::string::npos) return s;
    return s.substr(open + 1, close - open - 1);
}

std::string TablePart(const std::string& qualified) {
    auto dot = qualified.find('.');
    return dot == std::string::npos ? qualified : qualified.substr(0, dot);
}

std::string ColumnPart(const std::string& qualified) {
    auto dot = qualified.find('.');
    return dot == std::string::npos ? qualified : qualified.substr(dot + 1);
}

const DiagRecord kTerminated{"01000", 3621, "The statement has been terminated.", true};

} // namespace

SqlError TranslateSqliteError(sqlite3* db, int code) {
    std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    int primary = code & 0xff;
    if (StartsWith(msg, "no such table: "))
        return SqlError("42S02", 208, "Invalid object name '" + After(msg, "no such table: ") + "'.");
    if (StartsWith(msg, "no such view: "))
        return SqlError("42S02", 208, "Invalid object name '" + After(msg, "no such view: ") + "'.");
    if (StartsWith(msg, "no such column: "))
        return SqlError("42S22", 207, "Invalid column name '" + After(msg, "no such column: ") + "'.");
    if (msg.find("syntax error") != std::string::npos)
        return SqlError("42000", 102, "Incorrect syntax near '" + NearToken(msg) + "'.");
    if (StartsWith(msg, "table ") && msg.find("already exists") != std::string::npos)
        return SqlError("42S01", 2714,
                        "There is already an object named '" + NearToken(msg) + "' in the database.");
    if (StartsWith(msg, "UNIQUE constraint failed: ") || StartsWith(msg, "PRIMARY KEY constraint failed")) {
        std::string cols = msg.substr(msg.find(':') == std::string::npos ? msg.size() : msg.find(':') + 2);
        SqlError e("23000", 2627,
                   "Violation of UNIQUE KEY constraint. Cannot insert duplicate key in object 'dbo." +
                       TablePart(cols) + "'.");
        e.Add(kTerminated.State, kTerminated.Native, kTerminated.Message);
        return e;
    }
    if (StartsWith(msg, "NOT NULL constraint failed: ")) {
        std::string col = After(msg, "NOT NULL constraint failed: ");
        SqlError e("23000", 515,
                   "Cannot insert the value NULL into column '" + ColumnPart(col) + "', table '" +
                       TablePart(col) + "'; column does not allow nulls. INSERT fails.");
        e.Add(kTerminated.State, kTerminated.Native, kTerminated.Message);
        return e;
    }
    if (primary == SQLITE_CONSTRAINT) {
        SqlError e("23000", 547, "The statement conflicted with a constraint: " + msg);
        e.Add(kTerminated.State, kTerminated.Native, kTerminated.Message);
        return e;
    }
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return SqlError("HYT00", 1222, "Lock request time out period exceeded.");
    if (primary == SQLITE_INTERRUPT) return SqlError("HY008", 0, "Operation canceled", false);
    if (primary == SQLITE_ERROR) return SqlError("42000", 50000, msg);
    return SqlError("HY000", 50000, msg);
}

} // namespace standin
