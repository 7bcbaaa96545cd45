#pragma once
// Direct sessions on the stand-in test server, for preparing and inspecting what window tests use.
#include "odbc/HDbc.h"
#include "odbc/HStmt.h"

#include <memory>
#include <string>
#include <vector>

namespace tarvik {

// A connection as sa to the test server's database (empty: the login's default). Throws EODBC.
inline std::unique_ptr<THdbc> StandinSession(const std::string& database = "") {
    auto db = std::make_unique<THdbc>();
    db->SetDriver("SQL Server");
    db->SetUserName("sa");
    std::vector<std::string> attributes{"SERVER=TARVIKTEST"};
    if (!database.empty()) attributes.push_back("DATABASE=" + database);
    db->SetAttributes(attributes);
    db->Connect();
    return db;
}

// Runs a batch and discards its results. Throws EODBC.
inline void RunSql(THdbc& db, const std::string& sql) {
    THstmt stmt;
    stmt.SethDbc(&db);
    stmt.SetSQL(sql);
    stmt.Execute();
}

// The first column of every row of a query. Throws EODBC.
inline std::vector<std::string> QueryColumn(THdbc& db, const std::string& sql) {
    THstmt stmt;
    stmt.SethDbc(&db);
    stmt.SetSQL(sql);
    stmt.Execute();
    std::vector<std::string> values;
    while (stmt.FetchNext())
        values.push_back(stmt.ColString(1));
    return values;
}

} // namespace tarvik
