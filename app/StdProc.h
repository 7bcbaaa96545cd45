#pragma once
// Small Transact-SQL questions about the current session and its server. Each
// call runs its own statement on the connection and releases it before returning.
#include <string>
#include <vector>

namespace tarvik {

class THdbc;

// Server name, this session's host name and the current database (from select @@servername,@@spid and
// sp_who); true when the database name is not empty. Throws EODBC; outputs written so far keep their values.
bool GetServerInfo(THdbc& connection, std::string& serverName, std::string& hostName,
                   std::string& databaseName);
// The names of every database (sp_helpdb), cleared first; a failure while fetching ends the list silently.
// True when the list is not empty. Throws EODBC when the procedure cannot be executed.
bool GetDatabaseList(THdbc& connection, std::vector<std::string>& list);
// Host names of the sessions on a database (the current one when empty), cleared first, unique ignoring
// case, in order of first appearance; the own host only with includeOwnHost or a named database. Throws
// EODBC.
bool GetDatabaseUsers(THdbc& connection, const std::string& databaseName, std::vector<std::string>& list,
                      bool includeOwnHost);

} // namespace tarvik
