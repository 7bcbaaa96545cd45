#include "standin/engine/Batch.h"

#include "standin/engine/BoundParams.h"
#include "standin/engine/Diagnostics.h"
#include "standin/engine/ProcCall.h"

#include <cstdlib>

namespace standin {

namespace {

Result Done(SQLLEN count = -1) {
    Result r;
    r.RowCount = count;
    return r;
}

// Name of the object at significant position n: a word or a bracketed identifier.
std::string NameAt(const Statement& st, size_t n) {
    int i = st.Significant(n);
    if (i < 0) return {};
    const Token& t = st.Tokens[i];
    return t.Kind == Tok::Word ? t.Raw
                               : (t.Kind == Tok::Quoted || t.Kind == Tok::String ? t.Text : std::string());
}

// Whether the first word of a batch may be a procedure's name rather than a statement's keyword.
bool MayNameProcedure(const std::string& upperWord) {
    static const std::set<std::string> keywords = {"SELECT", "INSERT", "UPDATE", "DELETE",  "CREATE",
                                                   "DROP",   "ALTER",  "WITH",   "REPLACE", "PRAGMA"};
    return !upperWord.empty() && keywords.count(upperWord) == 0;
}

SqlError MisplacedDefinition() {
    return SqlError("42000", 111, "'CREATE/ALTER PROCEDURE' must be the first statement in a query batch.");
}

bool IsProcedureName(const std::string& upperWord) {
    return upperWord.rfind("SP_", 0) == 0 || upperWord.rfind("STANDIN_", 0) == 0;
}

} // namespace

Batch::Batch(ConnectionState& conn, const std::string& sql, std::vector<Value> params,
             std::set<size_t> outputMarkers)
    : FConn(conn), FParams(std::move(params)), FOutputMarkers(std::move(outputMarkers)),
      FOwnFrame(std::make_unique<Frame>()), FFrame(FOwnFrame.get()) {
    FStatements = SplitBatch(Tokenize(sql));
    // The server compiles a batch before running any of it.
    for (size_t i = 1; i < FStatements.size(); ++i) {
        std::string k0 = FStatements[i].Keyword(0), k1 = FStatements[i].Keyword(1);
        if ((k0 == "CREATE" || k0 == "ALTER") && (k1 == "PROCEDURE" || k1 == "PROC"))
            throw MisplacedDefinition();
    }
    NumberMarkers(FStatements);
}

Batch::Batch(ConnectionState& conn, std::vector<Statement> body, Frame& frame, int depth)
    : FConn(conn), FStatements(std::move(body)), FFrame(&frame), FDepth(depth), FBody(true) {}

Batch::~Batch() = default;

void Batch::BindMarkers(sqlite3_stmt* stmt) const {
    for (int i = 1, n = sqlite3_bind_parameter_count(stmt); i <= n; ++i) {
        const char* name = sqlite3_bind_parameter_name(stmt, i);
        size_t number = name && name[0] == '?' ? std::strtoul(name + 1, nullptr, 10) : 0;
        if (number < 1 || number > FParams.size()) continue;
        const int rc = BindValue(stmt, i, FParams[number - 1]);
        if (rc != SQLITE_OK) throw TranslateSqliteError(sqlite3_db_handle(stmt), rc);
    }
}

void Batch::RunWhile(bool untilResult) {
    try {
        while ((!untilResult || FQueued.empty()) && FPos < FStatements.size() && !FFrame->Returned) {
            size_t at = FPos++;
            Run(FStatements[at], at == 0);
        }
    } catch (...) {
        FPos = FStatements.size();
        throw;
    }
}

void Batch::RunRemaining() {
    RunWhile(false);
}

bool Batch::Next(Result& out) {
    RunWhile(true);
    if (FQueued.empty() && FPendingError) {
        SqlError e = *FPendingError;
        FPendingError.reset();
        throw e;
    }
    if (FQueued.empty()) return false;
    out = std::move(FQueued.front());
    FQueued.pop_front();
    return true;
}

void Batch::BeginImplicit() {
    sqlite3* db = FConn.Sess->Current()->Handle();
    if (!FConn.AutoCommit && sqlite3_get_autocommit(db)) ExecSql(db, "BEGIN");
}

void Batch::Run(const Statement& st, bool first) {
    Session& s = *FConn.Sess;
    std::string k0 = st.Keyword(0), k1 = st.Keyword(1);
    if (RunProcedureStatement(st, first) || RunVariableStatement(st)) return;
    if (k0 == "USE") {
        std::string name = NameAt(st, 1);
        if (name.empty()) throw SyntaxNear(st, 1);
        s.Use(name);
        Result r = Done();
        r.Infos.push_back({"01000", 5701, "Changed database context to '" + s.DatabaseName() + "'.", true});
        FQueued.push_back(std::move(r));
    } else if (k0 == "EXEC" || k0 == "EXECUTE") {
        RunExec(st, 1);
    } else if (first && IsProcedureName(k0)) {
        RunExec(st, 0);
    } else if (k0 == "TRUNCATE") {
        if (k1 != "TABLE" || st.Significant(2) < 0) throw SyntaxNear(st, 1);
        std::string rest;
        for (size_t i = static_cast<size_t>(st.Significant(2)); i < st.Tokens.size(); ++i)
            rest += st.Tokens[i].Raw;
        Statement del;
        del.Tokens = Tokenize("DELETE FROM " + rest);
        BeginImplicit();
        ExecSql(s.Current()->Handle(), Translate(del, {s.ServerName(), s.Spid(), s.DatabaseName()}));
        FQueued.push_back(Done());
    } else if ((k0 == "CREATE" || k0 == "DROP") && k1 == "DATABASE") {
        std::string name = NameAt(st, 2);
        if (name.empty()) throw SyntaxNear(st, 2);
        if (k0 == "CREATE")
            s.CreateDatabase(name);
        else
            s.DropDatabase(name);
        FQueued.push_back(Done());
    } else if (k0 == "GO") {
        FQueued.push_back(Done());
    } else if (k0 == "BEGIN" && (k1 == "TRAN" || k1 == "TRANSACTION")) {
        ExecSql(s.Current()->Handle(), "BEGIN");
        FQueued.push_back(Done());
    } else if ((k0 == "COMMIT" || k0 == "ROLLBACK") && st.Significant(2) < 0) {
        if (sqlite3_get_autocommit(s.Current()->Handle()))
            throw SqlError("25000", 3902,
                           "The " + k0 + " TRANSACTION request has no corresponding BEGIN TRANSACTION.");
        ExecSql(s.Current()->Handle(), k0);
        FQueued.push_back(Done());
    } else if (k0 == "IF" || k0 == "WHILE" || k0 == "GOTO" || (k0 == "BEGIN" && k1 != "TRAN")) {
        throw SqlError("42000", 50000, "Flow control (" + k0 + ") is not supported by this server.");
    } else if (first && MayNameProcedure(k0) && FindProcedure(*s.Current(), k0)) {
        RunExec(st, 0); // a procedure's name alone opens a batch as EXEC does
    } else if (k0 == "UPDATE" || k0 == "DELETE") {
        RunSqlite(WithVariables(AimAtCursorRow(st)));
    } else {
        RunSqlite(WithVariables(st));
    }
}

Statement Batch::AimAtCursorRow(const Statement& st) const {
    std::vector<int> at; // indexes of the significant tokens
    for (size_t n = 0; st.Significant(n) >= 0; ++n)
        at.push_back(st.Significant(n));
    const size_t count = at.size();
    if (count < 4 || st.Keyword(count - 4) != "WHERE" || st.Keyword(count - 3) != "CURRENT" ||
        st.Keyword(count - 2) != "OF")
        return st;
    if (!FConn.CurrentRowOf)
        throw SqlError("34000", 16916,
                       "A cursor with the name '" + NameAt(st, count - 1) + "' does not exist.");
    const CursorRow row = FConn.CurrentRowOf(NameAt(st, count - 1));
    // The table written is named just before SET (UPDATE) or WHERE (DELETE): it must be the cursor's.
    size_t tableAt = 0;
    for (size_t n = 1; n + 4 <= count; ++n)
        if (st.Keyword(n) == (st.Keyword(0) == "UPDATE" ? "SET" : "WHERE")) {
            tableAt = n - 1;
            break;
        }
    if (tableAt == 0 || sqlite3_stricmp(NameAt(st, tableAt).c_str(), row.Table.c_str()) != 0)
        throw SqlError("42000", 16931, "The cursor does not include the table being modified.");
    Statement aimed;
    aimed.Tokens.assign(st.Tokens.begin(), st.Tokens.begin() + at[count - 3]);
    for (const Token& t : Tokenize("rowid = " + std::to_string(row.Rowid)))
        aimed.Tokens.push_back(t);
    return aimed;
}

bool Batch::RunProcedureStatement(const Statement& st, bool first) {
    std::string k0 = st.Keyword(0), k1 = st.Keyword(1);
    bool procedure = k1 == "PROCEDURE" || k1 == "PROC";
    if ((k0 == "CREATE" || k0 == "ALTER") && procedure) {
        if (!first || FBody) throw MisplacedDefinition();
        for (const Token& t : st.Tokens)
            if (t.Kind == Tok::Symbol && t.Raw[0] == '?')
                throw SqlError("42000", 50000,
                               "Parameter markers are not allowed in a procedure's definition.");
        StoreProcedure(*FConn.Sess->Current(), ParseProcedure(st));
    } else if (k0 == "DROP" && procedure) {
        bool ifExists = st.Keyword(2) == "IF" && st.Keyword(3) == "EXISTS";
        for (size_t n = ifExists ? 4 : 2;; ++n) {
            DropProcedure(*FConn.Sess->Current(), QualifiedNameAt(st, n, n), ifExists);
            int comma = st.Significant(n);
            if (comma < 0) break;
            if (st.Tokens[comma].Raw != ",") throw SyntaxNear(st, n);
        }
    } else if (k0 == "EXEC" || k0 == "EXECUTE") {
        RunExec(st, 1);
    } else if (first && IsProcedureName(k0)) {
        RunExec(st, 0);
    } else if (st.Tokens[st.Significant(0)].Raw == "{") {
        RunCallEscape(st);
    } else {
        return false;
    }
    return true;
}

void Batch::RunExec(const Statement& st, size_t nameAt) {
    // EXEC @status = name ...: the return value goes to a variable.
    std::string status;
    int i = st.Significant(nameAt);
    if (i >= 0 && st.Tokens[i].Kind == Tok::Variable) {
        int eq = st.Significant(nameAt + 1);
        if (eq < 0 || st.Tokens[eq].Raw != "=") throw SyntaxNear(st, nameAt + 1);
        status = st.Tokens[i].Text;
        nameAt += 2;
    }
    size_t next = 0;
    std::string name = QualifiedNameAt(st, nameAt, next);
    Call(name, ParseExecArgs(st, next), status, 0);
}

void Batch::RunCallEscape(const Statement& st) {
    CallEscape call = ParseCallEscape(st);
    // In a call escape the application's binding says which arguments are for output.
    for (ExecArg& a : call.Args)
        a.Output = a.Marker && FOutputMarkers.count(a.Marker);
    Call(call.Name, std::move(call.Args), {}, call.ReturnMarker);
}

void Batch::ResolveArguments(std::vector<ExecArg>& args) {
    for (ExecArg& a : args) {
        if (a.Marker) a.Val = a.Marker <= FParams.size() ? FParams[a.Marker - 1] : Value::Null();
        if (a.Variable.empty()) continue;
        auto it = FFrame->Vars.find(a.Variable);
        if (it == FFrame->Vars.end())
            throw SqlError("42000", 137, "Must declare the scalar variable \"" + a.Variable + "\".");
        a.Val = it->second.Val;
    }
}

void Batch::Call(const std::string& name, std::vector<ExecArg> args, const std::string& returnVariable,
                 size_t returnMarker) {
    ResolveArguments(args);
    std::optional<ProcedureDef> def;
    if (!IsSystemProcedure(name)) def = FindProcedure(*FConn.Sess->Current(), name);
    if (!def) {
        for (auto& r : RunProcedure(FConn, name, args))
            FQueued.push_back(std::move(r));
        return;
    }
    CallOutcome out = CallProcedure(FConn, *def, args, FDepth, FFrame->NoCount);
    for (auto& r : out.Results)
        FQueued.push_back(std::move(r));
    if (out.Error) {
        FPendingError = std::move(out.Error);
        FPos = FStatements.size();
        return;
    }
    for (const auto& [index, var] : out.Outputs) {
        const ExecArg& a = args[index];
        if (a.Marker)
            FOutputs[a.Marker] = var;
        else if (!a.Variable.empty())
            Assign(a.Variable, var.Val);
    }
    Variable status{DescribeDeclared("int"), Value::Integer(out.ReturnValue)};
    if (!returnVariable.empty()) Assign(returnVariable, status.Val);
    if (returnMarker) FOutputs[returnMarker] = status;
}

void Batch::RunSqlite(const Statement& st) {
    Session& s = *FConn.Sess;
    std::string sql = Translate(st, {s.ServerName(), s.Spid(), s.DatabaseName()});
    std::shared_ptr<Database> db = s.Current();
    std::string k0 = st.Keyword(0);
    bool counts = k0 == "INSERT" || k0 == "UPDATE" || k0 == "DELETE" || k0 == "REPLACE";
    BeginImplicit();
    const char* tail = sql.c_str();
    const char* end = tail + sql.size();
    while (tail < end) {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(db->Handle(), tail, static_cast<int>(end - tail), &stmt, &tail);
        if (rc != SQLITE_OK) throw TranslateSqliteError(db->Handle(), rc);
        if (!stmt) continue; // only blanks or comments remained
        try {
            BindMarkers(stmt);
        } catch (...) {
            sqlite3_finalize(stmt);
            throw;
        }
        rc = sqlite3_step(stmt);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            SqlError e = TranslateSqliteError(db->Handle(), rc);
            sqlite3_finalize(stmt);
            throw e;
        }
        if (sqlite3_column_count(stmt) > 0) {
            Result r;
            r.Rows = std::make_unique<LiveCursor>(db, stmt, rc, sql);
            FQueued.push_back(std::move(r));
        } else {
            sqlite3_finalize(stmt);
            // Under SET NOCOUNT ON the row counts of changes are not sent.
            if (!(counts && FFrame->NoCount))
                FQueued.push_back(Done(counts ? sqlite3_changes(db->Handle()) : -1));
        }
    }
}

} // namespace standin

namespace standin {

std::unique_ptr<Cursor> DescribeStatement(ConnectionState& conn, const std::string& sql) {
    auto statements = SplitBatch(Tokenize(sql));
    if (statements.empty()) return nullptr;
    const Statement& st = statements.front();
    std::string k0 = st.Keyword(0);
    if (k0 != "SELECT" && k0 != "WITH") return nullptr;
    Session& s = *conn.Sess;
    std::string text = Translate(st, {s.ServerName(), s.Spid(), s.DatabaseName()});
    std::shared_ptr<Database> db = s.Current();
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db->Handle(), text.c_str(), static_cast<int>(text.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) throw TranslateSqliteError(db->Handle(), rc);
    if (!stmt) return nullptr;
    return std::make_unique<LiveCursor>(db, stmt, SQLITE_DONE, text);
}

} // namespace standin
