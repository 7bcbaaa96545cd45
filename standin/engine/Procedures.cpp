#include "standin/engine/Procedures.h"

#include "standin/engine/Cursor.h"
#include "standin/engine/Diagnostics.h"
#include "standin/engine/Server.h"

#include <set>

namespace standin {

namespace {

const char* kTable = "sysprocedures";

const Token* At(const Statement& st, size_t n) {
    int i = st.Significant(n);
    return i < 0 ? nullptr : &st.Tokens[i];
}

bool IsSymbolAt(const Statement& st, size_t n, const char* s) {
    const Token* t = At(st, n);
    return t && t->Kind == Tok::Symbol && t->Raw == s;
}

// Reads "@name [AS] type [VARYING] [= default] [OUTPUT | OUT | READONLY]" at position n.
ProcParam ParamAt(const Statement& st, size_t& n) {
    ProcParam p;
    p.Name = At(st, n)->Raw;
    ++n;
    if (st.Keyword(n) == "AS") ++n;
    p.Declared = DeclaredTypeAt(st, n);
    p.Type = DescribeDeclared(p.Declared);
    p.Type.Name = p.Name;
    if (st.Keyword(n) == "VARYING") ++n;
    if (IsSymbolAt(st, n, "=")) {
        ExecArg value;
        int i = st.Significant(n + 1);
        if (i < 0) throw SyntaxNear(st, n);
        size_t last = ReadArgValue(st.Tokens, static_cast<size_t>(i), value);
        if (value.Default || value.Marker || !value.Variable.empty()) throw SyntaxNear(st, n + 1);
        p.Default = value.Val;
        while (st.Significant(n) >= 0 && static_cast<size_t>(st.Significant(n)) <= last)
            ++n;
    }
    std::string k = st.Keyword(n);
    if (k == "OUTPUT" || k == "OUT" || k == "READONLY") {
        p.Output = k != "READONLY";
        ++n;
    }
    return p;
}

SqlError Unsupported(const std::string& what) {
    return SqlError("42000", 50000, what + " is not supported in procedures by this server.");
}

// The body's statements: an enclosing BEGIN ... END is removed; flow control is refused.
std::vector<Statement> BodyOf(std::vector<Token> tokens) {
    Statement body;
    body.Tokens = std::move(tokens);
    std::string first = body.Keyword(0), second = body.Keyword(1);
    if (first == "BEGIN" && second != "TRAN" && second != "TRANSACTION") {
        size_t count = 0;
        while (body.Significant(count) >= 0)
            ++count;
        if (count < 2 || body.Keyword(count - 1) != "END") throw SyntaxNear(body, count - 1);
        body.Tokens.erase(body.Tokens.begin() + body.Significant(count - 1), body.Tokens.end());
        body.Tokens.erase(body.Tokens.begin(), body.Tokens.begin() + body.Significant(0) + 1);
    }
    auto statements = SplitBatch(body.Tokens);
    static const std::set<std::string> refused = {"IF",    "WHILE", "ELSE",       "BEGIN",   "END",
                                                  "GOTO",  "BREAK", "CONTINUE",   "WAITFOR", "OPEN",
                                                  "FETCH", "CLOSE", "DEALLOCATE", "TRY",     "CATCH"};
    for (const Statement& st : statements) {
        std::string k0 = st.Keyword(0), k1 = st.Keyword(1);
        if (k0 == "USE")
            throw SqlError("42000", 154,
                           "a USE database statement is not allowed in a procedure, function or trigger.");
        if ((k0 == "CREATE" || k0 == "ALTER") && (k1 == "PROCEDURE" || k1 == "PROC"))
            throw Unsupported("CREATE PROCEDURE");
        if (k0 == "BEGIN" && (k1 == "TRAN" || k1 == "TRANSACTION")) continue;
        if (refused.count(k0)) throw Unsupported(k0);
    }
    return statements;
}

std::string Text(const Value& v) {
    return v.Type == SQLITE_NULL ? std::string() : v.Text;
}

bool HasTable(sqlite3* db) {
    return !QueryRows(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?", {kTable}).empty();
}

ProcedureDef ParseText(const std::string& text) {
    auto statements = SplitBatch(Tokenize(text));
    if (statements.size() != 1) throw SqlError("42000", 102, "Incorrect syntax near 'PROCEDURE'.");
    return ParseProcedure(statements.front());
}

} // namespace

std::string DeclaredTypeAt(const Statement& st, size_t& n) {
    const Token* t = At(st, n);
    if (!t || (t->Kind != Tok::Word && t->Kind != Tok::Quoted)) throw SyntaxNear(st, n);
    std::string declared = t->Kind == Tok::Word ? t->Raw : t->Text;
    ++n;
    if (!IsSymbolAt(st, n, "(")) return declared;
    declared += "(";
    for (++n; At(st, n) && !IsSymbolAt(st, n, ")"); ++n)
        declared += At(st, n)->Raw;
    if (!At(st, n)) throw SyntaxNear(st, n);
    ++n;
    return declared + ")";
}

ProcedureDef ParseProcedure(const Statement& st) {
    ProcedureDef def;
    def.Alter = st.Keyword(0) == "ALTER";
    def.Text = st.Raw();
    size_t n = 2;
    def.Name = QualifiedNameAt(st, 2, n);
    if (IsSymbolAt(st, n, ";")) throw Unsupported("A numbered procedure");
    bool parenthesised = IsSymbolAt(st, n, "(");
    if (parenthesised) ++n;
    while (At(st, n) && At(st, n)->Kind == Tok::Variable) {
        def.Params.push_back(ParamAt(st, n));
        if (!IsSymbolAt(st, n, ",")) break;
        ++n;
    }
    if (parenthesised) {
        if (!IsSymbolAt(st, n, ")")) throw SyntaxNear(st, n);
        ++n;
    }
    if (st.Keyword(n) == "WITH")
        while (At(st, n) && st.Keyword(n) != "AS")
            ++n;
    if (st.Keyword(n) == "FOR" && st.Keyword(n + 1) == "REPLICATION") n += 2;
    if (st.Keyword(n) != "AS") throw SyntaxNear(st, n);
    int bodyStart = st.Significant(n + 1);
    if (bodyStart < 0) throw SyntaxNear(st, n);
    def.Body = BodyOf(std::vector<Token>(st.Tokens.begin() + bodyStart, st.Tokens.end()));
    if (def.Body.empty()) throw SyntaxNear(st, n);
    return def;
}

void StoreProcedure(Database& db, const ProcedureDef& def) {
    sqlite3* h = db.Handle();
    ExecSql(h, std::string("CREATE TABLE IF NOT EXISTS ") + kTable +
                   " (name TEXT PRIMARY KEY COLLATE NOCASE, definition TEXT NOT NULL, crdate TEXT NOT NULL)");
    bool exists = FindProcedure(db, def.Name).has_value();
    if (def.Alter) {
        if (!exists) throw SqlError("42S02", 208, "Invalid object name '" + def.Name + "'.");
        ExecSql(h, std::string("UPDATE ") + kTable + " SET definition = ? WHERE name = ?",
                {def.Text, def.Name});
        return;
    }
    bool taken =
        exists || !QueryRows(h,
                             "SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = ? "
                             "COLLATE NOCASE",
                             {def.Name})
                       .empty();
    if (taken)
        throw SqlError("42S01", 2714, "There is already an object named '" + def.Name + "' in the database.");
    ExecSql(
        h,
        std::string("INSERT INTO ") + kTable +
            " (name, definition, crdate) VALUES (?, ?, strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'))",
        {def.Name, def.Text});
}

void DropProcedure(Database& db, const std::string& name, bool ifExists) {
    if (!FindProcedure(db, name)) {
        if (ifExists) return;
        throw SqlError("42000", 3701,
                       "Cannot drop the procedure '" + name +
                           "', because it does not exist or you do not have permission.");
    }
    ExecSql(db.Handle(), std::string("DELETE FROM ") + kTable + " WHERE name = ?", {name});
}

std::optional<ProcedureDef> FindProcedure(Database& db, const std::string& name) {
    if (!HasTable(db.Handle())) return std::nullopt;
    auto rows =
        QueryRows(db.Handle(), std::string("SELECT definition FROM ") + kTable + " WHERE name = ?", {name});
    if (rows.empty()) return std::nullopt;
    return ParseText(Text(rows[0][0]));
}

std::vector<ProcedureDef> ListProcedures(Database& db) {
    std::vector<ProcedureDef> out;
    if (!HasTable(db.Handle())) return out;
    for (const auto& r : QueryRows(db.Handle(), std::string("SELECT definition FROM ") + kTable +
                                                    " ORDER BY name COLLATE NOCASE"))
        out.push_back(ParseText(Text(r[0])));
    return out;
}

} // namespace standin
