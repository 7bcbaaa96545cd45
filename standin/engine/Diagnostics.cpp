#include "standin/engine/Diagnostics.h"

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

// A name as SQLite echoes it from the statement: without its quotes, brackets and schema.
std::string BareName(std::string name) {
    if (name.size() >= 2 &&
        (name.front() == '"' || name.front() == '[' || name.front() == '`' || name.front() == '\''))
        name = name.substr(1, name.size() - 2);
    auto dot = name.rfind('.');
    return dot == std::string::npos || name.rfind("main.", 0) != 0 ? name : name.substr(dot + 1);
}

// "table X already exists" (and view, index, trigger) gives the kind and X.
bool AlreadyExists(const std::string& msg, std::string& kind, std::string& name) {
    static const char* const suffix = " already exists";
    auto space = msg.find(' ');
    if (space == std::string::npos || msg.size() <= space + std::char_traits<char>::length(suffix) ||
        msg.compare(msg.size() - std::char_traits<char>::length(suffix), std::string::npos, suffix) != 0)
        return false;
    kind = msg.substr(0, space);
    name = BareName(msg.substr(space + 1, msg.size() - std::char_traits<char>::length(suffix) - space - 1));
    return kind == "table" || kind == "view" || kind == "index" || kind == "trigger";
}

const DiagRecord kTerminated{"01000", 3621, "The statement has been terminated.", true};

// The server follows a constraint's error with the note that the statement was terminated.
SqlError Terminated(SqlError e) {
    e.Add(kTerminated.State, kTerminated.Native, kTerminated.Message);
    return e;
}

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
    std::string kind, name;
    if (AlreadyExists(msg, kind, name)) {
        if (kind == "index")
            return SqlError("42S11", 1913,
                            "The operation failed because an index or statistics with name '" + name +
                                "' already exists.");
        return SqlError("42S01", 2714, "There is already an object named '" + name + "' in the database.");
    }
    if (StartsWith(msg, "there is already a table named ") ||
        StartsWith(msg, "there is already an index named "))
        return SqlError("42S01", 2714,
                        "There is already an object named '" + BareName(msg.substr(msg.rfind(' ') + 1)) +
                            "' in the database.");
    if (StartsWith(msg, "no such index: "))
        return SqlError("42000", 3701,
                        "Cannot drop the index '" + After(msg, "no such index: ") +
                            "', because it does not exist or you do not have permission.");
    if (StartsWith(msg, "no such function: "))
        return SqlError("42000", 195,
                        "'" + After(msg, "no such function: ") +
                            "' is not a recognized built-in function name.");
    if (StartsWith(msg, "ambiguous column name: "))
        return SqlError("42000", 209,
                        "Ambiguous column name '" + After(msg, "ambiguous column name: ") + "'.");
    if (StartsWith(msg, "table ") && msg.find(" has no column named ") != std::string::npos)
        return SqlError("42S22", 207,
                        "Invalid column name '" + msg.substr(msg.find(" has no column named ") + 21) + "'.");
    if (StartsWith(msg, "table ") && msg.find(" values were supplied") != std::string::npos)
        return SqlError("21S01", 213,
                        "Column name or number of supplied values does not match table definition.");
    if (StartsWith(msg, "CHECK constraint failed: "))
        return Terminated(SqlError("23000", 547,
                                   "The statement conflicted with the CHECK constraint \"" +
                                       After(msg, "CHECK constraint failed: ") + "\"."));
    if (StartsWith(msg, "FOREIGN KEY constraint failed"))
        return Terminated(SqlError("23000", 547, "The statement conflicted with a FOREIGN KEY constraint."));
    if (StartsWith(msg, "UNIQUE constraint failed: ") || StartsWith(msg, "PRIMARY KEY constraint failed")) {
        std::string cols = msg.substr(msg.find(':') == std::string::npos ? msg.size() : msg.find(':') + 2);
        return Terminated(
            SqlError("23000", 2627,
                     "Violation of UNIQUE KEY constraint. Cannot insert duplicate key in object 'dbo." +
                         TablePart(cols) + "'."));
    }
    if (StartsWith(msg, "NOT NULL constraint failed: ")) {
        std::string col = After(msg, "NOT NULL constraint failed: ");
        return Terminated(SqlError("23000", 515,
                                   "Cannot insert the value NULL into column '" + ColumnPart(col) +
                                       "', table '" + TablePart(col) +
                                       "'; column does not allow nulls. INSERT fails."));
    }
    if (primary == SQLITE_CONSTRAINT)
        return Terminated(SqlError("23000", 547, "The statement conflicted with a constraint."));
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return SqlError("HYT00", 1222, "Lock request time out period exceeded.");
    if (primary == SQLITE_INTERRUPT) return SqlError("HY008", 0, "Operation canceled", false);
    if (primary == SQLITE_ERROR) return SqlError("42000", 50000, msg);
    return SqlError("HY000", 50000, msg);
}

} // namespace standin
