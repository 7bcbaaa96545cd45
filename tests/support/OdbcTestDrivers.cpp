#include "tests/support/OdbcTestDrivers.h"

#include <stdexcept>

const std::vector<TestDriver>& TestDrivers() {
    static const std::vector<TestDriver> drivers = {
        {"Sqlite", "TarvikSqlite", "", ""},
        {"Postgres", "TarvikPg", "tarvik", "tarvik"},
        {"Standin", "TarvikStandin", "sa", ""},
    };
    return drivers;
}

const TestDriver& TestDriverLabelled(const std::string& label) {
    for (const TestDriver& d : TestDrivers())
        if (d.Label == label) return d;
    throw std::out_of_range("no test driver labelled " + label);
}
