// SQLSetPos and SQLBulkOperations over a static cursor. The cursor's rows come from one
// base table; a row is found there again by its primary key when the result holds the
// whole key, otherwise by every value the cursor read (optimistic concurrency by values),
// and written with SQLite statements by rowid.
#include "standin/driver/Handles.h"
#include "standin/driver/Rowset.h"
#include "standin/engine/BoundParams.h"

#include <sqlite3.h>

#include <optional>

using namespace standin;

namespace {

std::string Quote(const std::string& name) {
    std::string out = "\"";
    for (char c : name)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

RowsCursor& StaticRows(Stmt* s) {
    if (!s->HasResult || !s->Current.Rows) throw SqlError("24000", 0, "Invalid cursor state", false);
    auto* rows = dynamic_cast<RowsCursor*>(s->Current.Rows.get());
    if (!rows || s->CursorType != SQL_CURSOR_STATIC)
        throw SqlError("HY109", 0, "Invalid cursor position: the cursor is forward-only", false);
    return *rows;
}

void RequireWritable(Stmt* s) {
    if (s->Concurrency == SQL_CONCUR_READ_ONLY) throw SqlError("42000", 16929, "The cursor is READ ONLY.");
}

// The base table of a cursor and the result columns that come from it.
struct BaseTable {
    std::string Table;
    std::vector<size_t> Columns; // 0-based result columns of the table
    std::vector<size_t> Identity;
};

bool WholeKeyIn(sqlite3* db, const std::string& table, size_t keyColumnsInResult) {
    const auto rows =
        QueryValues(db, "SELECT count(*) FROM pragma_table_info(?1) WHERE pk > 0", {Value::String(table)});
    return keyColumnsInResult > 0 && !rows.empty() &&
           rows[0][0].Int == static_cast<sqlite3_int64>(keyColumnsInResult);
}

BaseTable FindBaseTable(sqlite3* db, const std::vector<ColumnInfo>& cols) {
    BaseTable t;
    std::vector<size_t> key;
    for (size_t i = 0; i < cols.size(); ++i) {
        if (cols[i].Table.empty()) continue;
        if (t.Table.empty()) t.Table = cols[i].Table;
        if (sqlite3_stricmp(t.Table.c_str(), cols[i].Table.c_str()) != 0)
            throw SqlError("42000", 16957,
                           "The cursor is not updatable: its rows come from more than one table.");
        t.Columns.push_back(i);
        if (cols[i].KeyPart) key.push_back(i);
    }
    if (t.Table.empty()) throw SqlError("42000", 16957, "The cursor is not updatable: it reads no table.");
    t.Identity = WholeKeyIn(db, t.Table, key.size()) ? key : t.Columns;
    return t;
}

// The rowid of a cached row in its base table; nothing when no stored row matches any more.
std::optional<sqlite3_int64> FindRowid(sqlite3* db, const BaseTable& t, const std::vector<ColumnInfo>& cols,
                                       const Row& row) {
    std::string where;
    std::vector<Value> args;
    for (size_t i : t.Identity) {
        where += (args.empty() ? "" : " AND ") + Quote(cols[i].BaseColumn) + " IS ?" +
                 std::to_string(args.size() + 1);
        args.push_back(row[i]);
    }
    const auto found =
        QueryValues(db, "SELECT rowid FROM " + Quote(t.Table) + " WHERE " + where + " LIMIT 1", args);
    if (found.empty()) return std::nullopt;
    return found[0][0].Int;
}

// Reads the stored row back into the cache, in the cursor's column order.
bool Reread(sqlite3* db, const BaseTable& t, const std::vector<ColumnInfo>& cols, sqlite3_int64 rowid,
            Row& row) {
    std::string list;
    for (size_t i : t.Columns)
        list += (list.empty() ? "" : ", ") + Quote(cols[i].BaseColumn);
    const auto found = QueryValues(db, "SELECT " + list + " FROM " + Quote(t.Table) + " WHERE rowid = ?1",
                                   {Value::Integer(rowid)});
    if (found.empty()) return false;
    for (size_t k = 0; k < t.Columns.size(); ++k)
        row[t.Columns[k]] = found[0][k];
    return true;
}

// The value an application left in a bound column for a 0-based rowset row; nothing when the
// column is not bound, is ignored (SQL_COLUMN_IGNORE) or is computed by the server.
std::optional<Value> BoundValue(Stmt* s, size_t column, SQLULEN row) {
    const Desc& ard = *s->Ard;
    const ColumnInfo& col = (*s->Columns())[column];
    if (col.Computed || column + 1 >= ard.Records.size()) return std::nullopt;
    const Binding& b = ard.Records[column + 1];
    if (!b.Data) return std::nullopt;
    const BoundCell cell = CellOf(ard, b, col, row);
    if (cell.Indicator && *cell.Indicator == SQL_COLUMN_IGNORE) return std::nullopt;
    Parameter p;
    p.CType = ParameterCType(b.CType == SQL_C_DEFAULT ? col.DefaultCType() : b.CType, col.SqlType);
    p.SqlType = col.SqlType;
    p.ColumnSize = col.Size;
    p.Digits = col.Digits;
    p.Data = cell.Data;
    p.BufferLength = b.Length;
    p.Indicator = cell.Indicator;
    if (p.AtExec())
        throw SqlError("HYC00", 0, "Values sent at execution are not supported in positioned writes", false);
    return ReadParameter(p);
}

void BeginImplicit(Stmt* s, sqlite3* db) {
    if (!s->Conn->State.AutoCommit && sqlite3_get_autocommit(db)) ExecSql(db, "BEGIN");
}

SQLUSMALLINT* StatusOf(Stmt* s, SQLULEN row) {
    return s->Ird.ArrayStatus ? s->Ird.ArrayStatus + row : nullptr;
}

void SetStatus(Stmt* s, SQLULEN row, SQLUSMALLINT status) {
    if (SQLUSMALLINT* p = StatusOf(s, row)) *p = status;
}

struct Positioned {
    Stmt* S;
    RowsCursor& Rows;
    sqlite3* Db;
    const std::vector<ColumnInfo>& Cols;

    // Makes a 0-based rowset row the current row, as SQLGetData reads it.
    size_t Position(SQLULEN row) {
        const size_t index = static_cast<size_t>(S->RowsetStart - 1) + row;
        Rows.Seek(index);
        Rows.Next();
        S->OnRow = true;
        S->GetDataColumn = 0;
        S->GetDataOffset = 0;
        return index;
    }

    SQLRETURN Conflict(SQLULEN row) {
        SetStatus(S, row, SQL_ROW_ERROR);
        return S->Diag.Warn("01001", "Cursor operation conflict");
    }

    SQLRETURN Refresh(SQLULEN row) {
        const size_t index = Position(row);
        const BaseTable t = FindBaseTable(Db, Cols);
        const auto rowid = FindRowid(Db, t, Cols, Rows.RowAt(index));
        if (!rowid || !Reread(Db, t, Cols, *rowid, Rows.RowAt(index))) {
            SetStatus(S, row, SQL_ROW_DELETED);
            return SQL_SUCCESS;
        }
        const SQLRETURN rc = WriteRow(S, row);
        SetStatus(S, row, rc == SQL_SUCCESS ? SQL_ROW_SUCCESS : SQL_ROW_SUCCESS_WITH_INFO);
        return rc;
    }

    SQLRETURN Update(SQLULEN row) {
        RequireWritable(S);
        const size_t index = Position(row);
        const BaseTable t = FindBaseTable(Db, Cols);
        std::string sets;
        std::vector<Value> args;
        for (size_t i : t.Columns) {
            std::optional<Value> v = BoundValue(S, i, row);
            if (!v) continue;
            sets += (args.empty() ? "" : ", ") + Quote(Cols[i].BaseColumn) + " = ?" +
                    std::to_string(args.size() + 1);
            args.push_back(std::move(*v));
        }
        const auto rowid = FindRowid(Db, t, Cols, Rows.RowAt(index));
        if (!rowid) return Conflict(row);
        if (!args.empty()) {
            BeginImplicit(S, Db);
            args.push_back(Value::Integer(*rowid));
            QueryValues(Db,
                        "UPDATE " + Quote(t.Table) + " SET " + sets + " WHERE rowid = ?" +
                            std::to_string(args.size()),
                        args);
        }
        Reread(Db, t, Cols, *rowid, Rows.RowAt(index));
        SetStatus(S, row, SQL_ROW_UPDATED);
        return SQL_SUCCESS;
    }

    SQLRETURN Delete(SQLULEN row) {
        RequireWritable(S);
        const size_t index = Position(row);
        const BaseTable t = FindBaseTable(Db, Cols);
        const auto rowid = FindRowid(Db, t, Cols, Rows.RowAt(index));
        if (!rowid) return Conflict(row);
        BeginImplicit(S, Db);
        QueryValues(Db, "DELETE FROM " + Quote(t.Table) + " WHERE rowid = ?1", {Value::Integer(*rowid)});
        SetStatus(S, row, SQL_ROW_DELETED);
        return SQL_SUCCESS;
    }

    SQLRETURN Add(SQLULEN row) {
        const BaseTable t = FindBaseTable(Db, Cols);
        std::string names, markers;
        std::vector<Value> args;
        for (size_t i : t.Columns) {
            std::optional<Value> v = BoundValue(S, i, row);
            if (!v) continue;
            names += (args.empty() ? "" : ", ") + Quote(Cols[i].BaseColumn);
            markers += (args.empty() ? "?" : ", ?") + std::to_string(args.size() + 1);
            args.push_back(std::move(*v));
        }
        BeginImplicit(S, Db);
        const std::string sql =
            args.empty() ? "INSERT INTO " + Quote(t.Table) + " DEFAULT VALUES"
                         : "INSERT INTO " + Quote(t.Table) + " (" + names + ") VALUES (" + markers + ")";
        QueryValues(Db, sql, args);
        SetStatus(S, row, SQL_ROW_ADDED);
        return SQL_SUCCESS;
    }
};

SQLRETURN Worse(SQLRETURN a, SQLRETURN b) {
    return a == SQL_SUCCESS ? b : a;
}

SQLRETURN SetPos(Stmt* s, SQLSETPOSIROW rowNumber, SQLUSMALLINT operation) {
    s->Conn->State.CheckLink();
    RowsCursor& rows = StaticRows(s);
    if (s->RowsetStart < 1 || s->LastRowsetSize == 0)
        throw SqlError("24000", 0, "Invalid cursor state", false);
    if (rowNumber > s->LastRowsetSize) throw SqlError("HY107", 0, "Row value out of range", false);
    Positioned p{s, rows, s->Conn->State.Sess->Current()->Handle(), rows.Columns()};
    const SQLULEN first = rowNumber == 0 ? 0 : rowNumber - 1;
    const SQLULEN last = rowNumber == 0 ? s->LastRowsetSize : rowNumber;
    SQLRETURN rc = SQL_SUCCESS;
    for (SQLULEN row = first; row < last; ++row) {
        switch (operation) {
        case SQL_POSITION:
            p.Position(row);
            break;
        case SQL_REFRESH:
            rc = Worse(rc, p.Refresh(row));
            break;
        case SQL_UPDATE:
            rc = Worse(rc, p.Update(row));
            break;
        case SQL_DELETE:
            rc = Worse(rc, p.Delete(row));
            break;
        default:
            throw SqlError("HY092", 0, "Invalid attribute/option identifier", false);
        }
    }
    return rc;
}

SQLRETURN BulkAdd(Stmt* s) {
    s->Conn->State.CheckLink();
    RowsCursor& rows = StaticRows(s);
    RequireWritable(s);
    Positioned p{s, rows, s->Conn->State.Sess->Current()->Handle(), rows.Columns()};
    const SQLULEN size = s->Ard->ArraySize ? s->Ard->ArraySize : 1;
    for (SQLULEN row = 0; row < size; ++row)
        p.Add(row);
    return SQL_SUCCESS;
}

} // namespace

CursorRow standin::CurrentRowOf(Dbc& dbc, const std::string& cursorName) {
    for (Stmt* s : dbc.Statements) {
        if (s->CursorName.empty() || sqlite3_stricmp(s->CursorName.c_str(), cursorName.c_str()) != 0)
            continue;
        RowsCursor& rows = StaticRows(s);
        if (!s->OnRow || rows.Position() < 1 || rows.Position() > rows.RowCount())
            throw SqlError("24000", 16930, "The requested row is not in the fetch buffer.");
        RequireWritable(s);
        sqlite3* db = dbc.State.Sess->Current()->Handle();
        const BaseTable t = FindBaseTable(db, rows.Columns());
        const auto rowid = FindRowid(db, t, rows.Columns(), rows.RowAt(rows.Position() - 1));
        if (!rowid)
            throw SqlError(
                "42000", 16934,
                "Optimistic concurrency check failed. The row was modified outside of this cursor.");
        return {t.Table, *rowid};
    }
    throw SqlError("34000", 16916, "A cursor with the name '" + cursorName + "' does not exist.");
}

extern "C" {

SQLRETURN SQL_API SQLSetPos(SQLHSTMT handle, SQLSETPOSIROW rowNumber, SQLUSMALLINT operation, SQLUSMALLINT) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN { return SetPos(s, rowNumber, operation); });
}

SQLRETURN SQL_API SQLBulkOperations(SQLHSTMT handle, SQLSMALLINT operation) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        if (operation != SQL_ADD) throw SqlError("HYC00", 0, "Optional feature not implemented", false);
        return BulkAdd(s);
    });
}

} // extern "C"
