#include "standin/engine/Cursor.h"

#include "core/Text.h"
#include "standin/engine/Diagnostics.h"
#include "standin/engine/Server.h"

using namespace tarvik;

namespace standin {

namespace {

bool PlainIdentifier(const char* name) {
    if (!name || !*name) return false;
    if (IsAsciiDigit(*name)) return false;
    for (const char* p = name; *p; ++p)
        if (!(IsAsciiAlnum(*p) || *p == '_' || static_cast<unsigned char>(*p) >= 0x80)) return false;
    const std::string upper = UpperAscii(name);
    return upper != "NULL" && upper != "CURRENT_TIMESTAMP";
}

// SQL Server leaves a computed column without a name unless it has an alias; SQLite
// names it by its text. An alias is a plain identifier or was written quoted.
bool NamedExpression(const char* name, const std::string& sqlText) {
    if (!name) return false;
    if (PlainIdentifier(name)) return true;
    std::string quoted = std::string("\"") + name + "\"";
    return sqlText.find(quoted) != std::string::npos;
}

// Whether a table column is generated (SQLite marks those hidden 2 or 3 in table_xinfo).
bool IsComputedColumn(sqlite3* db, const char* dbName, const char* table, const char* column) {
    sqlite3_stmt* stmt = nullptr;
    const std::string sql = "SELECT hidden FROM pragma_table_xinfo(?1, ?2) WHERE name = ?3";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return false;
    sqlite3_bind_text(stmt, 1, table, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, dbName ? dbName : "main", -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 3, column, -1, SQLITE_TRANSIENT);
    bool computed = false;
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        const int hidden = sqlite3_column_int(stmt, 0);
        computed = hidden == 2 || hidden == 3;
    }
    sqlite3_finalize(stmt);
    return computed;
}

} // namespace

LiveCursor::LiveCursor(std::shared_ptr<Database> db, sqlite3_stmt* stmt, int first,
                       const std::string& sqlText)
    : FDb(std::move(db)), FStmt(stmt), FPending(first == SQLITE_ROW), FDone(first != SQLITE_ROW) {
    Describe(sqlText);
}

LiveCursor::~LiveCursor() {
    sqlite3_finalize(FStmt);
}

void LiveCursor::Describe(const std::string& sqlText) {
    int n = sqlite3_column_count(FStmt);
    FColumns.reserve(n);
    for (int i = 0; i < n; ++i) {
        const char* decl = sqlite3_column_decltype(FStmt, i);
        ColumnInfo c = decl ? DescribeDeclared(decl) : DescribeExpression(i);
        const char* name = sqlite3_column_name(FStmt, i);
        const char* table = sqlite3_column_table_name(FStmt, i);
        const char* origin = sqlite3_column_origin_name(FStmt, i);
        if (origin || NamedExpression(name, sqlText)) c.Name = name ? name : "";
        if (table && origin) {
            c.Table = table;
            c.BaseColumn = origin;
            c.Catalog = FDb->Name();
            c.Schema = "dbo";
            int notNull = 0, primaryKey = 0, autoInc = 0;
            const char* dbName = sqlite3_column_database_name(FStmt, i);
            if (sqlite3_table_column_metadata(FDb->Handle(), dbName, table, origin, nullptr, nullptr,
                                              &notNull, &primaryKey, &autoInc) == SQLITE_OK) {
                c.Nullable = notNull ? SQL_NO_NULLS : SQL_NULLABLE;
                c.AutoIncrement = autoInc != 0;
            }
            c.Computed = IsComputedColumn(FDb->Handle(), dbName, table, origin);
            c.KeyPart = primaryKey != 0;
        }
        FColumns.push_back(std::move(c));
    }
}

// A computed column is described by its first value; a text in GETDATE()'s form is a datetime.
ColumnInfo LiveCursor::DescribeExpression(int column) const {
    if (!FPending) return DescribeStorage(SQLITE_TEXT);
    int type = sqlite3_column_type(FStmt, column);
    if (type == SQLITE_TEXT && sqlite3_column_bytes(FStmt, column) == 23) {
        const char* p = reinterpret_cast<const char*>(sqlite3_column_text(FStmt, column));
        static const char shape[] = "dddd-dd-dd dd:dd:dd.ddd";
        bool stamp = true;
        for (int k = 0; k < 23 && stamp; ++k)
            stamp = shape[k] == 'd' ? IsAsciiDigit(p[k]) : p[k] == shape[k];
        if (stamp) return DescribeDeclared("datetime");
    }
    return DescribeStorage(type);
}

bool LiveCursor::Next() {
    if (FPending) {
        FPending = false;
        return true;
    }
    if (FDone) return false;
    int rc = sqlite3_step(FStmt);
    if (rc == SQLITE_ROW) return true;
    FDone = true;
    if (rc != SQLITE_DONE) throw TranslateSqliteError(FDb->Handle(), rc);
    return false;
}

Cell LiveCursor::Get(int column) const {
    Cell c;
    c.Type = sqlite3_column_type(FStmt, column);
    switch (c.Type) {
    case SQLITE_INTEGER:
        c.Int = sqlite3_column_int64(FStmt, column);
        break;
    case SQLITE_FLOAT:
        c.Real = sqlite3_column_double(FStmt, column);
        break;
    case SQLITE_TEXT:
        c.Data = reinterpret_cast<const char*>(sqlite3_column_text(FStmt, column));
        c.Bytes = sqlite3_column_bytes(FStmt, column);
        break;
    case SQLITE_BLOB:
        c.Data = static_cast<const char*>(sqlite3_column_blob(FStmt, column));
        c.Bytes = sqlite3_column_bytes(FStmt, column);
        break;
    default:
        break;
    }
    return c;
}

ColumnInfo& RowsCursor::AddColumn(const std::string& name, const std::string& declared,
                                  SQLSMALLINT nullable) {
    ColumnInfo c = DescribeDeclared(declared);
    c.Name = name;
    c.Nullable = nullable;
    FColumns.push_back(std::move(c));
    return FColumns.back();
}

bool RowsCursor::Next() {
    if (FPos >= FRows.size()) {
        FPos = FRows.size() + 1;
        return false;
    }
    ++FPos;
    return true;
}

Cell RowsCursor::Get(int column) const {
    Cell c;
    if (FPos == 0 || FPos > FRows.size()) return c;
    const Row& row = FRows[FPos - 1];
    if (column < 0 || static_cast<size_t>(column) >= row.size()) return c;
    return CellOf(row[column]);
}

Cell CellOf(const Value& v) {
    Cell c;
    c.Type = v.Type;
    c.Int = v.Int;
    c.Real = v.Real;
    c.Data = v.Text.data();
    c.Bytes = static_cast<int>(v.Text.size());
    return c;
}

Value ValueOf(const Cell& c) {
    Value v;
    v.Type = c.Type;
    v.Int = c.Int;
    v.Real = c.Real;
    if (c.Data) v.Text.assign(c.Data, static_cast<size_t>(c.Bytes));
    return v;
}

std::unique_ptr<RowsCursor> Materialize(Cursor& source, size_t maxRows) {
    auto out = std::make_unique<RowsCursor>();
    for (const auto& c : source.Columns())
        out->AddColumn(c);
    size_t n = source.Columns().size();
    while ((maxRows == 0 || out->RowCount() < maxRows) && source.Next()) {
        Row row;
        row.reserve(n);
        for (size_t i = 0; i < n; ++i)
            row.push_back(ValueOf(source.Get(static_cast<int>(i))));
        out->AddRow(std::move(row));
    }
    return out;
}

namespace {

sqlite3_stmt* Prepare(sqlite3* db, const std::string& sql, const std::vector<std::string>& args) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) throw TranslateSqliteError(db, rc);
    for (size_t i = 0; i < args.size(); ++i)
        sqlite3_bind_text(stmt, static_cast<int>(i + 1), args[i].c_str(), static_cast<int>(args[i].size()),
                          SQLITE_TRANSIENT);
    return stmt;
}

struct Finalizer {
    sqlite3_stmt* Stmt;
    ~Finalizer() { sqlite3_finalize(Stmt); }
};

// Every row a prepared statement returns, each value in its own storage class.
std::vector<Row> StepRows(sqlite3* db, sqlite3_stmt* stmt) {
    std::vector<Row> rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        Row row;
        int n = sqlite3_column_count(stmt);
        for (int i = 0; i < n; ++i) {
            switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_INTEGER:
                row.push_back(Value::Integer(sqlite3_column_int64(stmt, i)));
                break;
            case SQLITE_FLOAT:
                row.push_back(Value::Float(sqlite3_column_double(stmt, i)));
                break;
            case SQLITE_NULL:
                row.push_back(Value::Null());
                break;
            case SQLITE_BLOB: {
                const char* p = static_cast<const char*>(sqlite3_column_blob(stmt, i));
                row.push_back(Value::Bytes(std::string(p ? p : "", sqlite3_column_bytes(stmt, i))));
                break;
            }
            default: {
                const char* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                row.push_back(Value::String(std::string(p, sqlite3_column_bytes(stmt, i))));
            }
            }
        }
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) throw TranslateSqliteError(db, rc);
    return rows;
}

} // namespace

int BindValue(sqlite3_stmt* stmt, int index, const Value& v) {
    if (v.Type == SQLITE_INTEGER) return sqlite3_bind_int64(stmt, index, v.Int);
    if (v.Type == SQLITE_FLOAT) return sqlite3_bind_double(stmt, index, v.Real);
    if (v.Type == SQLITE_TEXT)
        return sqlite3_bind_text64(stmt, index, v.Text.data(), v.Text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (v.Type == SQLITE_BLOB)
        return sqlite3_bind_blob64(stmt, index, v.Text.data(), v.Text.size(), SQLITE_TRANSIENT);
    return sqlite3_bind_null(stmt, index);
}

std::vector<Row> QueryValues(sqlite3* db, const std::string& sql, const std::vector<Value>& args) {
    Finalizer f{Prepare(db, sql, {})};
    for (size_t i = 0; i < args.size(); ++i) {
        const int rc = BindValue(f.Stmt, static_cast<int>(i + 1), args[i]);
        if (rc != SQLITE_OK) throw TranslateSqliteError(db, rc);
    }
    return StepRows(db, f.Stmt);
}

std::vector<Row> QueryRows(sqlite3* db, const std::string& sql, const std::vector<std::string>& args) {
    Finalizer f{Prepare(db, sql, args)};
    return StepRows(db, f.Stmt);
}

void ExecSql(sqlite3* db, const std::string& sql, const std::vector<std::string>& args) {
    if (args.empty()) {
        char* err = nullptr;
        int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
        sqlite3_free(err);
        if (rc != SQLITE_OK) throw TranslateSqliteError(db, rc);
        return;
    }
    Finalizer f{Prepare(db, sql, args)};
    int rc;
    while ((rc = sqlite3_step(f.Stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) throw TranslateSqliteError(db, rc);
}

} // namespace standin
