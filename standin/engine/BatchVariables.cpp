// Batch: statements about variables (DECLARE, SET @v, SELECT @v = ..., RETURN, PRINT,
// RAISERROR) and the substitution of variables into the statements SQLite runs.
#include "standin/engine/Batch.h"

#include "standin/engine/Diagnostics.h"
#include "standin/engine/ProcCall.h"

namespace standin {

namespace {

bool IsUserVariable(const Token& t) {
    return t.Kind == Tok::Variable && t.Text.rfind("@@", 0) != 0;
}

bool IsSymbolToken(const Token& t, const char* s) {
    return t.Kind == Tok::Symbol && t.Raw == s;
}

bool IsSignificant(const Token& t) {
    return t.Kind != Tok::Space && t.Kind != Tok::Comment;
}

// The token index where the expression starting at `from` ends: a comma outside parentheses,
// a word from `stops` outside parentheses, or the end.
size_t ExpressionEnd(const std::vector<Token>& v, size_t from,
                     std::initializer_list<const char*> stops = {}) {
    int depth = 0;
    for (size_t i = from; i < v.size(); ++i) {
        if (IsSymbolToken(v[i], "(")) ++depth;
        if (IsSymbolToken(v[i], ")")) --depth;
        if (depth != 0) continue;
        if (IsSymbolToken(v[i], ",")) return i;
        for (const char* w : stops)
            if (v[i].Kind == Tok::Word && v[i].Text == w) return i;
    }
    return v.size();
}

// Significant position of the first significant token at or after token index i.
size_t PositionAt(const Statement& st, size_t i) {
    size_t n = 0;
    for (size_t j = 0; j < i && j < st.Tokens.size(); ++j)
        n += IsSignificant(st.Tokens[j]);
    return n;
}

Value ColumnValue(sqlite3_stmt* stmt, int i) {
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER:
        return Value::Integer(sqlite3_column_int64(stmt, i));
    case SQLITE_FLOAT:
        return Value::Float(sqlite3_column_double(stmt, i));
    case SQLITE_TEXT:
        return Value::String(std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                                         static_cast<size_t>(sqlite3_column_bytes(stmt, i))));
    case SQLITE_BLOB: {
        const char* p = static_cast<const char*>(sqlite3_column_blob(stmt, i));
        return Value::Bytes(p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt, i)))
                              : std::string());
    }
    default:
        return Value::Null();
    }
}

std::string TextOf(const Value& v) {
    if (v.Type == SQLITE_INTEGER) return std::to_string(v.Int);
    if (v.Type == SQLITE_FLOAT) return Coerce(v, DescribeDeclared("varchar(40)")).Text;
    return v.Text;
}

} // namespace

bool Batch::RunVariableStatement(const Statement& st) {
    std::string k0 = st.Keyword(0), k1 = st.Keyword(1);
    int second = st.Significant(1);
    if (k0 == "DECLARE") {
        Declare(st);
    } else if (k0 == "SET") {
        if (second >= 0 && IsUserVariable(st.Tokens[second]))
            SetVariable(st);
        else if (k1 == "NOCOUNT")
            FFrame->NoCount = st.Keyword(2) == "ON";
        // Other options mean nothing to this server.
    } else if (k0 == "SELECT" && second >= 0 && IsUserVariable(st.Tokens[second]) && st.Significant(2) >= 0 &&
               IsSymbolToken(st.Tokens[st.Significant(2)], "=")) {
        AssignSelect(st);
    } else if (k0 == "RETURN") {
        Return(st);
    } else if (k0 == "RAISERROR") {
        RaiseError(st);
    } else if (k0 == "PRINT") {
        Print(st);
    } else {
        return false;
    }
    return true;
}

void Batch::Declare(const Statement& st) {
    size_t n = 1;
    for (;;) {
        int i = st.Significant(n);
        if (i < 0 || !IsUserVariable(st.Tokens[i])) {
            if (st.Keyword(n + 1) == "CURSOR")
                throw SqlError("42000", 50000, "Cursors are not supported by this server.");
            throw SyntaxNear(st, n);
        }
        std::string name = st.Tokens[i].Text;
        if (FFrame->Vars.count(name))
            throw SqlError("42000", 134,
                           "The variable name '" + st.Tokens[i].Raw +
                               "' has already been declared. Variable names must be unique within a query "
                               "batch or stored procedure.");
        if (st.Keyword(++n) == "AS") ++n;
        if (st.Keyword(n) == "TABLE")
            throw SqlError("42000", 50000, "Table variables are not supported by this server.");
        Variable var{DescribeDeclared(DeclaredTypeAt(st, n)), Value::Null()};
        int eq = st.Significant(n);
        size_t end = eq < 0 ? st.Tokens.size() : static_cast<size_t>(eq);
        if (eq >= 0 && IsSymbolToken(st.Tokens[eq], "=")) {
            end = ExpressionEnd(st.Tokens, static_cast<size_t>(eq) + 1);
            var.Val = Coerce(Evaluate(st, static_cast<size_t>(eq) + 1, end), var.Type);
        }
        FFrame->Vars[name] = std::move(var);
        if (end >= st.Tokens.size()) return;
        if (!IsSymbolToken(st.Tokens[end], ",")) throw SyntaxNear(st, PositionAt(st, end));
        n = PositionAt(st, end) + 1;
    }
}

void Batch::SetVariable(const Statement& st) {
    int eq = st.Significant(2);
    if (eq < 0 || !IsSymbolToken(st.Tokens[eq], "=") || st.Significant(3) < 0) throw SyntaxNear(st, 2);
    Assign(st.Tokens[st.Significant(1)].Text, Evaluate(st, static_cast<size_t>(eq) + 1, st.Tokens.size()));
}

void Batch::AssignSelect(const Statement& st) {
    // SELECT @a = x, @b = y FROM ... runs as SELECT x, y FROM ...; the last row is assigned.
    const auto& v = st.Tokens;
    Statement query;
    std::vector<std::string> targets;
    size_t i = static_cast<size_t>(st.Significant(1));
    query.Tokens.assign(v.begin(), v.begin() + static_cast<long>(i));
    for (;;) {
        int at = st.Significant(PositionAt(st, i));
        int eq = st.Significant(PositionAt(st, i) + 1);
        if (at < 0 || !IsUserVariable(v[at]) || eq < 0 || !IsSymbolToken(v[eq], "="))
            throw SqlError("42000", 141,
                           "A SELECT statement that assigns a value to a variable must not be combined with "
                           "data-retrieval operations.");
        targets.push_back(v[at].Text);
        size_t end =
            ExpressionEnd(v, static_cast<size_t>(eq) + 1, {"FROM", "WHERE", "GROUP", "ORDER", "HAVING"});
        query.Tokens.insert(query.Tokens.end(), v.begin() + eq + 1, v.begin() + static_cast<long>(end));
        if (end >= v.size() || !IsSymbolToken(v[end], ",")) {
            query.Tokens.insert(query.Tokens.end(), v.begin() + static_cast<long>(end), v.end());
            break;
        }
        query.Tokens.push_back(v[end]);
        i = end + 1;
    }
    auto rows = Query(query);
    if (rows.empty()) return;
    for (size_t k = 0; k < targets.size(); ++k)
        Assign(targets[k], rows.back()[k]);
}

void Batch::Return(const Statement& st) {
    int from = st.Significant(1);
    Value v = from < 0 ? Value::Integer(0) : Evaluate(st, static_cast<size_t>(from), st.Tokens.size());
    v = Coerce(v, DescribeDeclared("int"));
    FFrame->ReturnValue = v.Type == SQLITE_NULL ? 0 : v.Int;
    FFrame->Returned = true;
}

void Batch::RaiseError(const Statement& st) {
    // RAISERROR (message, severity, state): above severity 10 an error, else a message.
    int open = st.Significant(1);
    if (open < 0 || !IsSymbolToken(st.Tokens[open], "(")) throw SyntaxNear(st, 1);
    size_t from = static_cast<size_t>(open) + 1;
    size_t end = ExpressionEnd(st.Tokens, from);
    if (end >= st.Tokens.size()) throw SyntaxNear(st, PositionAt(st, end));
    std::string message = TextOf(Evaluate(st, from, end));
    size_t severityEnd = ExpressionEnd(st.Tokens, end + 1);
    Value severity = Coerce(Evaluate(st, end + 1, severityEnd), DescribeDeclared("int"));
    if (severity.Int > 10) throw SqlError("42000", 50000, message);
    Result r;
    r.Infos.push_back({"01000", 50000, message, true});
    FQueued.push_back(std::move(r));
}

void Batch::Print(const Statement& st) {
    int from = st.Significant(1);
    Result r;
    r.Infos.push_back(
        {"01000", 0,
         from < 0 ? std::string() : TextOf(Evaluate(st, static_cast<size_t>(from), st.Tokens.size())), true});
    FQueued.push_back(std::move(r));
}

void Batch::Assign(const std::string& name, const Value& value) {
    auto it = FFrame->Vars.find(name);
    if (it == FFrame->Vars.end())
        throw SqlError("42000", 137, "Must declare the scalar variable \"" + name + "\".");
    it->second.Val = Coerce(value, it->second.Type);
}

Statement Batch::WithVariables(const Statement& st) {
    Statement out = st;
    for (Token& t : out.Tokens) {
        if (!IsUserVariable(t)) continue;
        auto it = FFrame->Vars.find(t.Text);
        if (it == FFrame->Vars.end()) continue; // Translate reports it as undeclared
        FParams.push_back(it->second.Val);
        t.Kind = Tok::Symbol;
        t.Raw = t.Text = "?" + std::to_string(FParams.size());
    }
    return out;
}

std::vector<Row> Batch::Query(const Statement& st) {
    Session& s = *FConn.Sess;
    std::string sql = Translate(WithVariables(st), {s.ServerName(), s.Spid(), s.DatabaseName()});
    sqlite3* db = s.Current()->Handle();
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) throw TranslateSqliteError(db, rc);
    std::vector<Row> rows;
    try {
        BindMarkers(stmt);
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            Row row;
            for (int i = 0, n = sqlite3_column_count(stmt); i < n; ++i)
                row.push_back(ColumnValue(stmt, i));
            rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) throw TranslateSqliteError(db, rc);
    } catch (...) {
        sqlite3_finalize(stmt);
        throw;
    }
    sqlite3_finalize(stmt);
    return rows;
}

Value Batch::Evaluate(const Statement& st, size_t from, size_t to) {
    Statement e;
    e.Tokens = Tokenize("SELECT ");
    e.Tokens.insert(e.Tokens.end(), st.Tokens.begin() + static_cast<long>(from),
                    st.Tokens.begin() + static_cast<long>(to));
    auto rows = Query(e);
    return rows.empty() || rows[0].empty() ? Value::Null() : rows[0][0];
}

} // namespace standin
