#include "standin/engine/Server.h"

#include "core/Text.h"
#include "standin/engine/Cursor.h"
#include "standin/engine/Diagnostics.h"

#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tarvik;

namespace standin {

namespace {

constexpr int kFirstUserSpid = 51;
constexpr int kBusyMillis = 10000;

const char* kMasterSchema = R"(
PRAGMA journal_mode=WAL;
CREATE TABLE sysconfig(name TEXT PRIMARY KEY, value TEXT);
CREATE TABLE syslogins(name TEXT PRIMARY KEY COLLATE NOCASE, password TEXT NOT NULL DEFAULT '',
                       dbname TEXT NOT NULL DEFAULT 'master');
CREATE TABLE sysdatabases(dbid INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE COLLATE NOCASE,
                          filename TEXT NOT NULL, crdate TEXT NOT NULL);
CREATE TABLE sysprocesses(spid INTEGER PRIMARY KEY, process TEXT NOT NULL, hostname TEXT NOT NULL,
                          loginame TEXT NOT NULL, dbname TEXT NOT NULL, program_name TEXT NOT NULL,
                          login_time TEXT NOT NULL);
INSERT INTO syslogins(name, password, dbname) VALUES ('sa', '', 'master');
INSERT INTO sysdatabases(dbid, name, filename, crdate)
    VALUES (1, 'master', 'master.sqlite', strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'));
)";

sqlite3* OpenFile(const std::string& path, int flags) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        SqlError e = TranslateSqliteError(db, rc);
        sqlite3_close(db);
        throw e;
    }
    sqlite3_busy_timeout(db, kBusyMillis);
    sqlite3_extended_result_codes(db, 1);
    return db;
}

std::string MasterPath(const std::string& dir) {
    return dir + "/master.sqlite";
}

// Start time of a process from /proc, which tells a live process from a later one with the same pid.
std::string ProcessStart(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!std::getline(in, stat)) return {};
    auto close = stat.rfind(')');
    if (close == std::string::npos) return {};
    std::istringstream rest(stat.substr(close + 2));
    std::string field;
    for (int i = 3; i <= 22 && rest >> field; ++i) {
        if (i == 22) return field;
    }
    return {};
}

std::string ProcessIdentity(long pid) {
    return std::to_string(pid) + ":" + ProcessStart(pid);
}

bool ProcessAlive(const std::string& identity) {
    auto colon = identity.find(':');
    if (colon == std::string::npos) return false;
    long pid = std::strtol(identity.c_str(), nullptr, 10);
    return ProcessIdentity(pid) == identity;
}

std::string Text(const Value& v) {
    return v.Type == SQLITE_NULL ? std::string() : v.Text;
}

std::string Now() {
    std::time_t t = std::time(nullptr);
    char buf[32];
    std::tm tm{};
    localtime_r(&t, &tm);
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S.000", &tm);
    return buf;
}

bool ValidDatabaseName(const std::string& name) {
    if (name.empty() || name.size() > 123) return false;
    for (char c : name)
        if (!(IsAsciiAlnum(c) || c == '_' || c == '-' || static_cast<unsigned char>(c) >= 0x80)) return false;
    return true;
}

} // namespace

Database::Database(std::string name, const std::string& path) : FName(std::move(name)) {
    FDb = OpenFile(path, SQLITE_OPEN_READWRITE);
}

Database::~Database() {
    sqlite3_close_v2(FDb);
}

void CreateServer(const std::string& dir, const std::string& serverName) {
    std::filesystem::create_directories(dir);
    if (std::filesystem::exists(MasterPath(dir)))
        throw SqlError("42000", 1801, "Server already exists: " + dir);
    sqlite3* db = OpenFile(MasterPath(dir), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    try {
        ExecSql(db, kMasterSchema);
        ExecSql(db, "INSERT INTO sysconfig(name, value) VALUES ('servername', ?)", {serverName});
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
}

std::string ServerNameOf(const std::string& dir) {
    if (!std::filesystem::exists(MasterPath(dir)))
        throw SqlError("08001", 17, "SQL Server does not exist or access denied.");
    sqlite3* db = OpenFile(MasterPath(dir), SQLITE_OPEN_READWRITE);
    std::vector<Row> rows;
    try {
        rows = QueryRows(db, "SELECT value FROM sysconfig WHERE name = 'servername'");
    } catch (...) {
        sqlite3_close(db);
        throw SqlError("08001", 17, "SQL Server does not exist or access denied.");
    }
    sqlite3_close(db);
    return rows.empty() ? std::string() : Text(rows[0][0]);
}

Session::Session(const LoginRequest& request) : FDir(request.Dir), FHost(request.Host) {
    FServerName = ServerNameOf(FDir);
    FMaster = OpenFile(MasterPath(FDir), SQLITE_OPEN_READWRITE);
    try {
        auto login = QueryRows(FMaster, "SELECT name, password, dbname FROM syslogins WHERE name = ?",
                               {request.Login});
        if (login.empty() || Text(login[0][1]) != request.Password)
            throw SqlError("28000", 18456, "Login failed for user '" + request.Login + "'.");
        FLogin = Text(login[0][0]);
        FCurrent = OpenDatabase(request.Database.empty() ? Text(login[0][2]) : request.Database, true);
        Register(request);
    } catch (...) {
        FCurrent.reset();
        sqlite3_close_v2(FMaster);
        throw;
    }
}

Session::~Session() {
    Unregister();
    FCurrent.reset();
    sqlite3_close_v2(FMaster);
}

void Session::Unregister() noexcept {
    if (FSpid == 0) return;
    try {
        ExecSql(FMaster, "DELETE FROM sysprocesses WHERE spid = ?", {std::to_string(FSpid)});
    } catch (...) {
        // A session that cannot be removed now is removed by the next purge once this process ends.
    }
    FSpid = 0;
}

std::shared_ptr<Database> Session::OpenDatabase(const std::string& name, bool atLogin) {
    auto row = FindDatabase(name);
    if (!row) {
        if (!atLogin)
            throw SqlError("08004", 911,
                           "Database '" + name +
                               "' does not exist. Make sure that the name is entered correctly.");
        SqlError e("42000", 4060,
                   "Cannot open database \"" + name + "\" requested by the login. The login failed.");
        e.Add("28000", 18456, "Login failed for user '" + FLogin + "'.");
        throw e;
    }
    return std::make_shared<Database>(row->Name, row->Path);
}

void Session::Register(const LoginRequest& request) {
    ExecSql(FMaster, "BEGIN IMMEDIATE");
    try {
        PurgeEnded();
        auto rows = QueryRows(FMaster, "SELECT spid FROM sysprocesses WHERE spid >= ? ORDER BY spid",
                              {std::to_string(kFirstUserSpid)});
        int spid = kFirstUserSpid;
        for (const auto& r : rows) {
            if (r[0].Int != spid) break;
            ++spid;
        }
        ExecSql(
            FMaster,
            "INSERT INTO sysprocesses(spid, process, hostname, loginame, dbname, program_name, login_time) "
            "VALUES (?, ?, ?, ?, ?, ?, ?)",
            {std::to_string(spid), ProcessIdentity(getpid()), request.Host, FLogin, FCurrent->Name(),
             request.Program, Now()});
        ExecSql(FMaster, "COMMIT");
        FSpid = spid;
    } catch (...) {
        sqlite3_exec(FMaster, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void Session::PurgeEnded() {
    auto rows = QueryRows(FMaster, "SELECT spid, process FROM sysprocesses");
    for (const auto& r : rows) {
        if (!ProcessAlive(Text(r[1])))
            ExecSql(FMaster, "DELETE FROM sysprocesses WHERE spid = ?", {std::to_string(r[0].Int)});
    }
}

void Session::Use(const std::string& name) {
    FCurrent = OpenDatabase(name, false);
    if (FSpid != 0)
        ExecSql(FMaster, "UPDATE sysprocesses SET dbname = ? WHERE spid = ?",
                {FCurrent->Name(), std::to_string(FSpid)});
}

std::vector<DatabaseRow> Session::Databases() {
    std::vector<DatabaseRow> out;
    for (const auto& r :
         QueryRows(FMaster, "SELECT dbid, name, filename, crdate FROM sysdatabases ORDER BY name"))
        out.push_back({static_cast<int>(r[0].Int), Text(r[1]), FDir + "/" + Text(r[2]), Text(r[3])});
    return out;
}

std::optional<DatabaseRow> Session::FindDatabase(const std::string& name) {
    for (auto& d : Databases())
        if (sqlite3_stricmp(d.Name.c_str(), name.c_str()) == 0) return d;
    return std::nullopt;
}

std::vector<SessionRow> Session::Sessions() {
    PurgeEnded();
    std::vector<SessionRow> out;
    for (const auto& r :
         QueryRows(FMaster,
                   "SELECT spid, loginame, hostname, dbname, program_name FROM sysprocesses ORDER BY spid"))
        out.push_back({static_cast<int>(r[0].Int), Text(r[1]), Text(r[2]), Text(r[3]), Text(r[4])});
    return out;
}

void Session::CreateDatabase(const std::string& name) {
    if (!ValidDatabaseName(name)) throw SqlError("42000", 102, "Incorrect syntax near '" + name + "'.");
    if (FindDatabase(name))
        throw SqlError("42000", 1801,
                       "Database '" + name + "' already exists. Choose a different database name.");
    std::string file = name + ".sqlite";
    std::filesystem::remove(FDir + "/" + file);
    sqlite3* db = OpenFile(FDir + "/" + file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    try {
        ExecSql(db, "PRAGMA journal_mode=WAL");
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
    ExecSql(FMaster,
            "INSERT INTO sysdatabases(dbid, name, filename, crdate) "
            "VALUES ((SELECT max(dbid) + 1 FROM sysdatabases), ?, ?, ?)",
            {name, file, Now()});
}

void Session::DropDatabase(const std::string& name) {
    auto row = FindDatabase(name);
    if (!row || row->Id == 1)
        throw SqlError("42000", 3701,
                       "Cannot drop the database '" + name +
                           "', because it does not exist or you do not have permission.");
    if (sqlite3_stricmp(row->Name.c_str(), FCurrent->Name().c_str()) == 0)
        throw SqlError("42000", 3702,
                       "Cannot drop database \"" + row->Name + "\" because it is currently in use.");
    ExecSql(FMaster, "DELETE FROM sysdatabases WHERE dbid = ?", {std::to_string(row->Id)});
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(row->Path + suffix);
}

void Session::AddLogin(const std::string& name, const std::string& password, const std::string& defaultDb) {
    if (!QueryRows(FMaster, "SELECT 1 FROM syslogins WHERE name = ?", {name}).empty())
        throw SqlError("42000", 15025, "The server principal '" + name + "' already exists.");
    ExecSql(FMaster, "INSERT INTO syslogins(name, password, dbname) VALUES (?, ?, ?)",
            {name, password, defaultDb.empty() ? "master" : defaultDb});
}

void Session::SetDefaultDatabase(const std::string& login, const std::string& db) {
    auto row = FindDatabase(db);
    if (!row) throw SqlError("42000", 15010, "The database '" + db + "' does not exist.");
    ExecSql(FMaster, "UPDATE syslogins SET dbname = ? WHERE name = ?", {row->Name, login});
}

void Session::ChangePassword(const std::string& login, const std::string& password) {
    ExecSql(FMaster, "UPDATE syslogins SET password = ? WHERE name = ?", {password, login});
}

} // namespace standin
