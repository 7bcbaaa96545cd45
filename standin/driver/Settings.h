#pragma once
// Where a connection goes: the connection string's keys, the data source's
// settings in odbc.ini and the driver's server list in odbcinst.ini
// ("Server.<NAME> = <directory>", "DefaultServer = <NAME>").
#include "standin/engine/Connection.h"
#include "standin/engine/Server.h"

#include <map>
#include <string>
#include <string_view>

namespace standin {

// The leading digits of a count setting's value as a number; none gives 0.
int CountSetting(std::string_view text);

// Keys upper-cased; values as written ({...} braces removed).
std::map<std::string, std::string> ParseConnectionString(const std::string& text);

struct ConnectTarget {
    LoginRequest Login;
    std::string DataSource;
    int AsyncPolls = 0;
    LinkDrop Drop;
};

// A DropLink setting ("open", "fetch:N", "between:N"); empty is none. Throws SqlError HY024 for
// anything else.
LinkDrop ParseLinkDrop(const std::string& setting);

// Resolves keys (DSN, UID, PWD, DRIVER, SERVER, DATABASE, WSID, APP, AsyncPolls, DropLink) against the
// ini files. Throws SqlError 08001 when the server name is unknown, IM002 for an unknown DSN.
ConnectTarget ResolveTarget(const std::map<std::string, std::string>& keys);

} // namespace standin
