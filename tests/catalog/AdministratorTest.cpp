#include "odbc/catalog/Administrator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace tarvik;

namespace fs = std::filesystem;

namespace {
// Each test process gets its own ini files: a system list and a user list with a name in both.
class Administrator : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = fs::temp_directory_path() / ("tarvik-admin-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        std::ofstream(dir / "odbcinst.ini") << "[SQL Server]\nDriver=/nonexistent/driver.so\n";
        std::ofstream(dir / "odbc.ini") << "[Shared]\nDriver=SQL Server\n\n[Zeta]\nDriver=Other Driver\n";
        std::ofstream(dir / "user.ini")
            << "[SHARED]\nDriver=sql server\n\n[Alpha]\nDriver=SQL Server Native\n";
        setenv("ODBCSYSINI", dir.c_str(), 1);
        setenv("ODBCINI", (dir / "user.ini").c_str(), 1);
    }
    static void TearDownTestSuite() { fs::remove_all(dir); }
    static fs::path dir;
};
fs::path Administrator::dir;
} // namespace

TEST_F(Administrator, ListsUserAndSystemSourcesAndCachesUntilRefreshed) {
    TOEAdministrator admin;
    // unixODBC lists a user data source in place of a system one of the same name (ignoring case).
    EXPECT_EQ(admin.DataSources(), (std::vector<std::string>{"SHARED", "Alpha", "Zeta"}));
    EXPECT_EQ(admin.ReadCount(), 1);
    admin.DataSources();
    admin.DataSourceDriver("zeta");
    EXPECT_EQ(admin.ReadCount(), 1) << "cached lists must not ask the driver manager again";
    admin.RefreshDataSources();
    EXPECT_EQ(admin.ReadCount(), 1) << "refresh only marks the lists stale";
    admin.DataSources();
    EXPECT_EQ(admin.ReadCount(), 2);
    admin.SetDataSourceType(dsSystem);
    EXPECT_EQ(admin.DataSources(), (std::vector<std::string>{"Shared", "Zeta"}));
    admin.SetDataSourceType(dsUser);
    EXPECT_EQ(admin.DataSources(), (std::vector<std::string>{"SHARED", "Alpha"}));
}

TEST_F(Administrator, DriverOfANameIsTheFirstMatchIgnoringCase) {
    TOEAdministrator admin;
    const auto names = admin.DataSources();
    // The user list comes first in default mode: both spellings answer its driver description.
    ASSERT_EQ(names.front(), "SHARED");
    EXPECT_EQ(admin.DataSourceDriver("shared"), "sql server");
    EXPECT_EQ(admin.DataSourceDriver("Shared"), "sql server");
    EXPECT_EQ(admin.DataSourceDriver("ALPHA"), "SQL Server Native");
    EXPECT_EQ(admin.DataSourceDriver("nothing"), "");
}

TEST_F(Administrator, DataSourceAssignmentTrimsAndDropsInvalidNames) {
    TOEAdministrator admin;
    admin.SetDataSource("  Vidrol Demo  ");
    EXPECT_EQ(admin.DataSource(), "Vidrol Demo");
    admin.SetDataSource("bad;name");
    EXPECT_EQ(admin.DataSource(), "Vidrol Demo");
    admin.SetDataSource(std::string(33, 'x'));
    EXPECT_EQ(admin.DataSource(), "Vidrol Demo");
    admin.SetDataSource("   ");
    EXPECT_EQ(admin.DataSource(), "");
    EXPECT_TRUE(TOEAdministrator::ValidDataSource("a/b 'c' #1"));
    EXPECT_FALSE(TOEAdministrator::ValidDataSource(""));
}
