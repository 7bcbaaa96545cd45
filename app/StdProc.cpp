#include "app/StdProc.h"

#include "core/Text.h"
#include "odbc/HDbc.h"
#include "odbc/HStmt.h"

#include <algorithm>
#include <memory>

namespace tarvik {

namespace {
// A statement for one question, freed on every way out.
std::unique_ptr<THstmt> Statement(THdbc& connection, const std::string& sql) {
    auto stmt = std::make_unique<THstmt>(nullptr);
    stmt->SethDbc(&connection);
    stmt->SetSQL(sql);
    return stmt;
}

} // namespace

bool GetServerInfo(THdbc& connection, std::string& serverName, std::string& hostName,
                   std::string& databaseName) {
    serverName.clear();
    hostName.clear();
    databaseName.clear();
    auto stmt = Statement(connection, "select @@servername,@@spid");
    stmt->Execute();
    std::int32_t spid = 0;
    if (stmt->FetchNext()) {
        serverName = stmt->ColString(1);
        spid = stmt->ColInteger(2);
    }
    stmt->Close();
    stmt->SetSQL("exec sp_who");
    stmt->Execute();
    while (stmt->FetchNext()) {
        if (stmt->ColInteger(1) != spid) continue;
        hostName = stmt->ColStringByName("HostName");
        databaseName = stmt->ColStringByName("DbName");
        break;
    }
    stmt->Close();
    return !databaseName.empty();
}

bool GetDatabaseList(THdbc& connection, std::vector<std::string>& list) {
    list.clear();
    auto stmt = Statement(connection, "exec sp_helpdb");
    stmt->Execute();
    try {
        while (stmt->FetchNext())
            list.push_back(stmt->ColString(1));
    } catch (const std::exception&) {
        // A partial list is still worth showing.
    }
    stmt->Close();
    return !list.empty();
}

bool GetDatabaseUsers(THdbc& connection, const std::string& databaseName, std::vector<std::string>& list,
                      bool includeOwnHost) {
    list.clear();
    std::string database = databaseName, ownHost;
    if (database.empty()) {
        std::string server;
        GetServerInfo(connection, server, ownHost, database);
    }
    auto stmt = Statement(connection, "exec sp_who");
    stmt->Execute();
    while (stmt->FetchNext()) {
        if (stmt->ColString(6) != database) continue;
        const std::string host = stmt->ColString(4);
        if (host.empty()) continue;
        if (std::any_of(list.begin(), list.end(),
                        [&](const std::string& h) { return SameTextAscii(h, host); }))
            continue;
        if (includeOwnHost || host != ownHost) list.push_back(host);
    }
    stmt->Close();
    return true;
}

} // namespace tarvik
