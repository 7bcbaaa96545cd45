#pragma once
// The ODBC drivers every library test runs on, as data sources of the private ini files.
#include <ostream>
#include <string>
#include <vector>

struct TestDriver {
    std::string Label;      // for test names: letters and digits only
    std::string DataSource; // DSN in the private odbc.ini
    std::string UserName;
    std::string Password;
};

// Every driver the tests must run on; a driver that cannot connect makes its tests fail, never skip.
const std::vector<TestDriver>& TestDrivers();

// A gtest parameter-name generator: the driver's Label.
struct TestDriverName {
    template <class ParamInfo> std::string operator()(const ParamInfo& info) const {
        return info.param.Label;
    }
};

// Test names and failure messages show the driver's label, not the object's bytes.
inline void PrintTo(const TestDriver& driver, std::ostream* os) {
    *os << driver.Label;
}
