#include "OdbcTestDrivers.h"

const std::vector<TestDriver>& TestDrivers() {
    static const std::vector<TestDriver> drivers = {
        {"Sqlite", "TarvikSqlite", "", ""},
        {"Postgres", "TarvikPg", "tarvik", "tarvik"},
    };
    return drivers;
}
