#pragma once
// A connection to one test driver per test, and helpers that run SQL on it.
#include "HDbc.h"
#include "HStmt.h"
#include "OdbcTestDrivers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class DriverTest : public ::testing::TestWithParam<TestDriver> {
protected:
    void SetUp() override {
        const TestDriver& d = GetParam();
        db.SetName("Database");
        db.SetDataSource(d.DataSource);
        db.SetUserName(d.UserName);
        db.SetPassword(d.Password);
        ASSERT_NO_THROW(db.Connect()) << "cannot reach " << d.DataSource;
    }

    bool IsSqlite() const { return GetParam().Label == "Sqlite"; }

    // Runs statements that return no rows.
    void Exec(const std::vector<std::string>& statements) {
        for (const std::string& sql : statements) {
            THstmt s;
            s.SethDbc(&db);
            s.SetSQL(sql);
            s.Execute();
        }
    }

    // A fresh table of the given columns, named after the test.
    std::string Table(const std::string& columns) {
        const std::string name = "t_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())
                                            .substr(0, 20);
        std::string clean;
        for (char c : name) clean += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        Exec({"DROP TABLE IF EXISTS " + clean, "CREATE TABLE " + clean + " (" + columns + ")"});
        return clean;
    }

    // Every value of column 1 of a query, as text.
    std::vector<std::string> Column1(const std::string& sql) {
        THstmt s;
        s.SethDbc(&db);
        s.SetSQL(sql);
        s.Execute();
        std::vector<std::string> out;
        while (s.FetchNext()) out.push_back(s.ColString(1));
        return out;
    }

    THdbc db;
};

// Runs a body for every driver of the test set-up.
#define INSTANTIATE_FOR_DRIVERS(suite)                                                                            \
    INSTANTIATE_TEST_SUITE_P(Drivers, suite, ::testing::ValuesIn(TestDrivers()), TestDriverName())
