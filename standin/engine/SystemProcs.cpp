#include "standin/engine/SystemProcs.h"

#include "core/Numbers.h"
#include "core/Text.h"
#include "standin/engine/CatalogResults.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>

using namespace tarvik;

namespace standin {

namespace {

using Args = std::vector<ExecArg>;

// Finds an argument by its name or, when passed without a name, by its position.
const Value* Argument(const Args& args, const char* name, size_t position) {
    for (const auto& a : args)
        if (a.Name == UpperAscii(name)) return &a.Val;
    if (position < args.size() && args[position].Name.empty()) return &args[position].Val;
    return nullptr;
}

std::string TextArg(const Args& args, const char* name, size_t position, const std::string& fallback = {}) {
    const Value* v = Argument(args, name, position);
    if (!v || v->Type == SQLITE_NULL) return fallback;
    if (v->Type == SQLITE_INTEGER) return std::to_string(v->Int);
    if (v->Type == SQLITE_FLOAT) return FormatDouble(v->Real);
    return v->Text;
}

std::string Required(const Args& args, const char* name, size_t position, const std::string& proc) {
    if (!Argument(args, name, position))
        throw SqlError("42000", 201,
                       "Procedure or function '" + proc + "' expects parameter '@" + name +
                           "', which was not supplied.");
    return TextArg(args, name, position);
}

Value Str(const std::string& s) {
    return Value::String(s);
}

Result Rows(std::unique_ptr<RowsCursor> c) {
    Result r;
    r.Rows = std::move(c);
    return r;
}

std::vector<Result> One(Result r) {
    std::vector<Result> v;
    v.push_back(std::move(r));
    return v;
}

std::vector<Result> NoRows() {
    return One(Result{});
}

// sp_who: the engine's background sessions, then every login session of any process.
std::vector<Result> Who(ConnectionState& conn, const Args& args) {
    auto c = std::make_unique<RowsCursor>();
    c->AddColumn("spid", "smallint", SQL_NO_NULLS);
    c->AddColumn("status", "nvarchar(30)", SQL_NO_NULLS);
    c->AddColumn("loginame", "nvarchar(128)");
    c->AddColumn("hostname", "nvarchar(128)", SQL_NO_NULLS);
    c->AddColumn("blk", "char(5)");
    c->AddColumn("dbname", "nvarchar(128)");
    c->AddColumn("cmd", "nvarchar(16)", SQL_NO_NULLS);
    std::string only = TextArg(args, "loginame", 0);
    const char* background[] = {"LAZY WRITER", "LOG WRITER", "SIGNAL HANDLER", "CHECKPOINT SLEEP"};
    if (only.empty())
        for (int i = 0; i < 4; ++i)
            c->AddRow({Value::Integer(i + 1), Str("background"), Str("sa"), Str(""), Str("0    "),
                       Str("master"), Str(background[i])});
    Session& s = *conn.Sess;
    for (const auto& row : s.Sessions()) {
        if (!only.empty() && LowerAscii(only) != LowerAscii(row.Login)) continue;
        bool own = row.Spid == s.Spid();
        c->AddRow({Value::Integer(row.Spid), Str(own ? "runnable" : "sleeping"), Str(row.Login),
                   Str(row.Host), Str("0    "), Str(row.Database), Str(own ? "SELECT" : "AWAITING COMMAND")});
    }
    return One(Rows(std::move(c)));
}

std::string KiloBytes(std::uintmax_t bytes) {
    return std::to_string((bytes + 1023) / 1024) + " KB";
}

std::uintmax_t FileSize(const std::string& path) {
    std::error_code ec;
    auto n = std::filesystem::file_size(path, ec);
    return ec ? 0 : n;
}

// "2024-12-09 ..." as SQL Server's sp_helpdb writes it: "Dec  9 2024".
std::string CreatedText(const std::string& crdate) {
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int y = 0, m = 0, d = 0;
    if (std::sscanf(crdate.c_str(), "%d-%d-%d", &y, &m, &d) != 3 || m < 1 || m > 12) return crdate;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s %2d %d", months[m - 1], d, y);
    return buf;
}

std::unique_ptr<RowsCursor> HelpDbSummary(const std::vector<DatabaseRow>& dbs) {
    auto c = std::make_unique<RowsCursor>();
    c->AddColumn("name", "nvarchar(128)", SQL_NO_NULLS);
    c->AddColumn("db_size", "nvarchar(13)");
    c->AddColumn("owner", "nvarchar(128)");
    c->AddColumn("dbid", "smallint", SQL_NO_NULLS);
    c->AddColumn("created", "nvarchar(11)", SQL_NO_NULLS);
    c->AddColumn("status", "nvarchar(600)");
    c->AddColumn("compatibility_level", "tinyint");
    for (const auto& d : dbs) {
        std::string size = FormatFixed(
            static_cast<double>(FileSize(d.Path) + FileSize(d.Path + "-wal")) / (1024.0 * 1024.0), 2);
        size = std::string(size.size() < 10 ? 10 - size.size() : 0, ' ') + size + " MB";
        c->AddRow({Str(d.Name), Str(size), Str("sa"), Value::Integer(d.Id), Str(CreatedText(d.Created)),
                   Str("Status=ONLINE, Updateability=READ_WRITE, UserAccess=MULTI_USER, Recovery=SIMPLE, "
                       "Version=539, Collation=Slovenian_CI_AS, SQLSortOrder=0"),
                   Value::Integer(80)});
    }
    return c;
}

std::unique_ptr<RowsCursor> HelpDbFiles(const DatabaseRow& d) {
    auto c = std::make_unique<RowsCursor>();
    c->AddColumn("name", "nchar(128)");
    c->AddColumn("fileid", "smallint");
    c->AddColumn("filename", "nchar(260)");
    c->AddColumn("filegroup", "nvarchar(128)");
    c->AddColumn("size", "nvarchar(18)");
    c->AddColumn("maxsize", "nvarchar(18)");
    c->AddColumn("growth", "nvarchar(18)");
    c->AddColumn("usage", "varchar(9)");
    c->AddRow({Str(d.Name), Value::Integer(1), Str(d.Path), Str("PRIMARY"), Str(KiloBytes(FileSize(d.Path))),
               Str("Unlimited"), Str("10%"), Str("data only")});
    c->AddRow({Str(d.Name + "_log"), Value::Integer(2), Str(d.Path + "-wal"), Value::Null(),
               Str(KiloBytes(FileSize(d.Path + "-wal"))), Str("Unlimited"), Str("10%"), Str("log only")});
    return c;
}

std::vector<Result> HelpDb(ConnectionState& conn, const Args& args) {
    Session& s = *conn.Sess;
    if (!Argument(args, "dbname", 0)) return One(Rows(HelpDbSummary(s.Databases())));
    std::string name = TextArg(args, "dbname", 0);
    auto d = s.FindDatabase(name);
    if (!d)
        throw SqlError("42000", 15010,
                       "The database '" + name +
                           "' does not exist. Supply a valid database name. To see available databases, use "
                           "sys.databases.");
    std::vector<Result> out;
    out.push_back(Rows(HelpDbSummary({*d})));
    out.push_back(Rows(HelpDbFiles(*d)));
    return out;
}

std::vector<Result> StatisticsProc(ConnectionState& conn, const Args& args) {
    std::string table = Required(args, "table_name", 0, "sp_statistics");
    std::string qualifier = TextArg(args, "table_qualifier", 2);
    std::string unique = TextArg(args, "is_unique", 4, "N");
    Arg catalog = qualifier.empty() ? Arg() : Arg(qualifier);
    return One(Rows(Statistics(*conn.Sess, catalog, table, UpperAscii(unique) == "Y", true)));
}

std::vector<Result> AddLogin(ConnectionState& conn, const Args& args) {
    conn.Sess->AddLogin(Required(args, "loginame", 0, "sp_addlogin"), TextArg(args, "passwd", 1),
                        TextArg(args, "defdb", 2, "master"));
    return NoRows();
}

std::vector<Result> DefaultDb(ConnectionState& conn, const Args& args) {
    conn.Sess->SetDefaultDatabase(Required(args, "loginame", 0, "sp_defaultdb"),
                                  Required(args, "defdb", 1, "sp_defaultdb"));
    return NoRows();
}

std::vector<Result> Password(ConnectionState& conn, const Args& args) {
    conn.Sess->ChangePassword(TextArg(args, "loginame", 2, conn.Sess->Login()), TextArg(args, "new", 1));
    return NoRows();
}

// exec standin_fail 'SQLSTATE', records [, N'message']: the next server call of this connection fails.
std::vector<Result> Fail(ConnectionState& conn, const Args& args) {
    InjectedFault f;
    f.State = Required(args, "sqlstate", 0, "standin_fail");
    if (f.State.size() != 5) throw SqlError("42000", 50000, "standin_fail needs a five-character SQLSTATE.");
    const Value* n = Argument(args, "records", 1);
    f.Records = n && n->Type == SQLITE_INTEGER ? static_cast<int>(std::max<sqlite3_int64>(1, n->Int)) : 1;
    f.Message = TextArg(args, "message", 2, "Injected fault");
    conn.Fault = f;
    return NoRows();
}

std::vector<Result> LastConnect(ConnectionState& conn, const Args&) {
    auto c = std::make_unique<RowsCursor>();
    c->AddColumn("ConnectFunction", "varchar(32)");
    c->AddColumn("ConnectionString", "nvarchar(4000)");
    c->AddColumn("DataSource", "nvarchar(128)");
    c->AddRow({Str(conn.ConnectFunction), Str(conn.ConnectString), Str(conn.DataSource)});
    return One(Rows(std::move(c)));
}

// exec standin_calls: the ODBC calls this connection received, one row per function.
std::vector<Result> Calls(ConnectionState& conn, const Args&) {
    auto c = std::make_unique<RowsCursor>();
    c->AddColumn("name", "varchar(64)", SQL_NO_NULLS);
    c->AddColumn("calls", "int", SQL_NO_NULLS);
    for (const auto& [name, n] : conn.CallCounts())
        c->AddRow({Str(name), Value::Integer(n)});
    return One(Rows(std::move(c)));
}

std::vector<Result> ResetCalls(ConnectionState& conn, const Args&) {
    conn.Calls.clear();
    return NoRows();
}

// An optional catalog argument: absent or NULL is no restriction.
Arg CatalogArg(const Args& args, const char* name, size_t position) {
    const Value* v = Argument(args, name, position);
    if (!v || v->Type == SQLITE_NULL) return std::nullopt;
    return TextArg(args, name, position);
}

std::vector<Result> StoredProcedures(ConnectionState& conn, const Args& args) {
    return One(Rows(Procedures(*conn.Sess, CatalogArg(args, "sp_qualifier", 2),
                               CatalogArg(args, "sp_owner", 1), CatalogArg(args, "sp_name", 0), true)));
}

using Procedure = std::function<std::vector<Result>(ConnectionState&, const Args&)>;

const std::map<std::string, Procedure>& SystemProcedures() {
    static const std::map<std::string, Procedure> procs = {{"sp_who", Who},
                                                           {"sp_who2", Who},
                                                           {"sp_helpdb", HelpDb},
                                                           {"sp_statistics", StatisticsProc},
                                                           {"sp_stored_procedures", StoredProcedures},
                                                           {"sp_addlogin", AddLogin},
                                                           {"sp_defaultdb", DefaultDb},
                                                           {"sp_password", Password},
                                                           {"standin_fail", Fail},
                                                           {"standin_last_connect", LastConnect},
                                                           {"standin_calls", Calls},
                                                           {"standin_calls_reset", ResetCalls}};
    return procs;
}

} // namespace

bool IsSystemProcedure(const std::string& name) {
    return SystemProcedures().count(LowerAscii(name)) != 0;
}

std::vector<Result> RunProcedure(ConnectionState& conn, const std::string& name,
                                 const std::vector<ExecArg>& args) {
    auto it = SystemProcedures().find(LowerAscii(name));
    if (it == SystemProcedures().end())
        throw SqlError("42000", 2812, "Could not find stored procedure '" + name + "'.");
    return it->second(conn, args);
}

} // namespace standin
