#include "standin/driver/Settings.h"

#include "core/Numbers.h"
#include "core/Text.h"
#include "standin/engine/Diagnostics.h"

#include <odbcinst.h>
#include <unistd.h>

#include <algorithm>

using namespace tarvik;

namespace standin {

namespace {

std::string Trim(const std::string& s) {
    auto b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::string Profile(const std::string& section, const std::string& key, const char* file) {
    char buf[1024] = "";
    SQLGetPrivateProfileString(section.c_str(), key.c_str(), "", buf, sizeof buf, file);
    return Trim(buf);
}

std::string Get(const std::map<std::string, std::string>& keys, const char* key) {
    auto it = keys.find(key);
    return it == keys.end() ? std::string() : it->second;
}

bool Has(const std::map<std::string, std::string>& keys, const char* key) {
    return keys.count(key) != 0;
}

std::string HostName() {
    char buf[256] = "";
    gethostname(buf, sizeof buf - 1);
    return buf;
}

// "(local)", "." and "localhost" name the default server, as they do for a local SQL Server.
bool MeansDefault(const std::string& server) {
    std::string u = UpperAscii(server);
    return u.empty() || u == "(LOCAL)" || u == "." || u == "LOCALHOST";
}

} // namespace

int CountSetting(std::string_view text) {
    size_t n = 0;
    while (n < text.size() && IsAsciiDigit(text[n]))
        ++n;
    std::int64_t v = 0;
    return ParseInt64(text.substr(0, n), v) ? static_cast<int>(std::min<std::int64_t>(v, 1 << 30)) : 0;
}

LinkDrop ParseLinkDrop(const std::string& setting) {
    LinkDrop d;
    d.Setting = setting;
    const std::string s = LowerAscii(setting);
    auto counted = [&](const char* prefix, LinkDrop::At at, int first) {
        const size_t n = std::char_traits<char>::length(prefix);
        std::int64_t count = 0;
        if (s.compare(0, n, prefix) != 0 || !ParseInt64(std::string_view(s).substr(n), count) || count < 0 ||
            count > (1 << 30))
            return false;
        d.Point = at;
        d.Count = static_cast<int>(count) + first;
        return true;
    };
    if (s.empty()) return d;
    if (s == "open") {
        d.Point = LinkDrop::At::Run;
        d.Count = 1;
    } else if (!counted("fetch:", LinkDrop::At::Fetch, 0) && !counted("between:", LinkDrop::At::Run, 1)) {
        throw SqlError("HY024", 0, "Invalid attribute value: DropLink=" + setting, false);
    }
    return d;
}

std::map<std::string, std::string> ParseConnectionString(const std::string& text) {
    std::map<std::string, std::string> keys;
    size_t i = 0;
    while (i < text.size()) {
        auto eq = text.find('=', i);
        if (eq == std::string::npos) break;
        std::string key = UpperAscii(Trim(text.substr(i, eq - i)));
        size_t v = eq + 1;
        std::string value;
        if (v < text.size() && text[v] == '{') {
            auto close = text.find('}', v);
            value = text.substr(v + 1, close == std::string::npos ? std::string::npos : close - v - 1);
            i = close == std::string::npos ? text.size() : close + 1;
            auto semi = text.find(';', i);
            i = semi == std::string::npos ? text.size() : semi + 1;
        } else {
            auto semi = text.find(';', v);
            value = text.substr(v, semi == std::string::npos ? std::string::npos : semi - v);
            i = semi == std::string::npos ? text.size() : semi + 1;
        }
        if (!key.empty() && !keys.count(key)) keys[key] = value;
    }
    return keys;
}

ConnectTarget ResolveTarget(const std::map<std::string, std::string>& keys) {
    ConnectTarget t;
    std::string dsn = Get(keys, "DSN");
    std::string driver = Get(keys, "DRIVER");
    std::string server = Get(keys, "SERVER"), database = Get(keys, "DATABASE");
    std::string polls = Get(keys, "ASYNCPOLLS"), drop = Get(keys, "DROPLINK");
    if (!dsn.empty()) {
        std::string dsnDriver = Profile(dsn, "Driver", "odbc.ini");
        if (dsnDriver.empty())
            throw SqlError("IM002", 0, "Data source name not found and no default driver specified", false);
        if (driver.empty() && dsnDriver.find('/') == std::string::npos) driver = dsnDriver;
        if (!Has(keys, "SERVER")) server = Profile(dsn, "Server", "odbc.ini");
        if (!Has(keys, "DATABASE")) database = Profile(dsn, "Database", "odbc.ini");
        if (polls.empty()) polls = Profile(dsn, "AsyncPolls", "odbc.ini");
        if (drop.empty()) drop = Profile(dsn, "DropLink", "odbc.ini");
        t.DataSource = dsn;
    }
    if (driver.empty()) driver = "SQL Server";
    if (MeansDefault(server)) server = Profile(driver, "DefaultServer", "odbcinst.ini");
    std::string dir = server.empty() ? std::string() : Profile(driver, "Server." + server, "odbcinst.ini");
    if (dir.empty() && !server.empty()) dir = Profile(driver, "Server." + UpperAscii(server), "odbcinst.ini");
    if (dir.empty()) throw SqlError("08001", 17, "SQL Server does not exist or access denied.");
    t.Login.Dir = dir;
    t.Login.Login = Get(keys, "UID");
    t.Login.Password = Get(keys, "PWD");
    t.Login.Database = database;
    t.Login.Host = Has(keys, "WSID") ? Get(keys, "WSID") : HostName();
    t.Login.Program = Get(keys, "APP");
    t.AsyncPolls = CountSetting(polls);
    t.Drop = ParseLinkDrop(Trim(drop));
    return t;
}

} // namespace standin
