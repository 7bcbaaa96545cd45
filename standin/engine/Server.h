#pragma once
// A server is a directory of SQLite files: master.sqlite (logins, databases,
// sessions of every process) and one file per user database. A Session is one
// login on it, visible to every other process through master's sysprocesses.
#include <sqlite3.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace standin {

// One open database file of a server.
class Database {
public:
    // Opens an existing file; throws SqlError when it cannot.
    Database(std::string name, const std::string& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    sqlite3* Handle() const { return FDb; }
    const std::string& Name() const { return FName; }

private:
    std::string FName;
    sqlite3* FDb = nullptr;
};

struct DatabaseRow {
    int Id = 0;
    std::string Name, Path, Created;
};

struct SessionRow {
    int Spid = 0;
    std::string Login, Host, Database, Program;
};

// Creates an empty server in dir (which must not hold a master yet): master with the
// system tables, the login "sa" with an empty password. Throws SqlError.
void CreateServer(const std::string& dir, const std::string& serverName);

// Reads the server's name from its master; throws SqlError 08001 when dir holds no server.
std::string ServerNameOf(const std::string& dir);

struct LoginRequest {
    std::string Dir, Login, Password, Database, Host, Program;
};

class Session {
public:
    // Logs in: checks the login (28000), opens the requested or the login's default
    // database (42000 4060 + 28000), registers the session. Throws SqlError.
    explicit Session(const LoginRequest& request);
    // Leaves sysprocesses; never throws.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    int Spid() const { return FSpid; }
    const std::string& ServerName() const { return FServerName; }
    const std::string& Login() const { return FLogin; }
    const std::string& Host() const { return FHost; }
    const std::string& Dir() const { return FDir; }
    const std::shared_ptr<Database>& Current() const { return FCurrent; }
    const std::string& DatabaseName() const { return FCurrent->Name(); }
    sqlite3* Master() const { return FMaster; }

    // Makes another database current; throws SqlError 08004/911 for an unknown one.
    void Use(const std::string& name);
    std::vector<DatabaseRow> Databases();
    std::optional<DatabaseRow> FindDatabase(const std::string& name);
    // Sessions of every process, in spid order; rows of ended processes are removed first.
    std::vector<SessionRow> Sessions();
    // Throws SqlError 1801 when it exists.
    void CreateDatabase(const std::string& name);
    // Throws SqlError 3701 when unknown, 3702 when in use by this session.
    void DropDatabase(const std::string& name);
    void AddLogin(const std::string& name, const std::string& password, const std::string& defaultDb);
    void SetDefaultDatabase(const std::string& login, const std::string& db);
    void ChangePassword(const std::string& login, const std::string& password);
    // The session ends as if its link were dropped: it leaves sysprocesses.
    void Unregister() noexcept;

private:
    std::shared_ptr<Database> OpenDatabase(const std::string& name, bool atLogin);
    void Register(const LoginRequest& request);
    void PurgeEnded();

    std::string FDir, FServerName, FLogin, FHost;
    sqlite3* FMaster = nullptr;
    std::shared_ptr<Database> FCurrent;
    int FSpid = 0;
};

} // namespace standin
