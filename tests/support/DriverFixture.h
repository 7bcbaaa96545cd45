#pragma once
// A connection to one test driver per test, and helpers that run SQL on it.
#include "core/Text.h"
#include "odbc/HDbc.h"
#include "odbc/HStmt.h"
#include "odbc/ODBCError.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/OdbcTestDrivers.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tarvik {

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

    // Tables of a test go with it: other suites list the tables of the same databases.
    void TearDown() override {
        for (const std::string& t : created) {
            try {
                Exec({"DROP TABLE " + t});
            } catch (const Exception&) {
            }
        }
    }

    // What the driver of this run can do, and how its server writes SQL.
    const DriverCapabilities& Can() const { return GetParam().Can; }
    const DriverDialect& Sql() const { return GetParam().Sql; }

    std::string TimestampType() const { return Sql().TimestampType; }
    std::string LongBinaryType() const { return Sql().LongBinaryType; }
    // A literal of the bytes given in hexadecimal digits.
    std::string BinaryLiteral(const std::string& hex) const {
        return Sql().BinaryPrefix + hex + Sql().BinarySuffix;
    }
    // An identifier quoted the server's own way, for DDL.
    std::string Quoted(const std::string& name) const { return Sql().QuoteOpen + name + Sql().QuoteClose; }
    // A cursor type the driver writes rows through: psqlODBC serves a keyset request with an updatable
    // static cursor and says so; where there are no keyset capabilities, a static cursor.
    SQLUINTEGER UpdatableCursor() const {
        return Can().KeysetCursor ? SQL_CURSOR_KEYSET_DRIVEN : SQL_CURSOR_STATIC;
    }

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
        const std::string name =
            "t_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()).substr(0, 20);
        std::string clean;
        for (char c : name)
            clean += IsAsciiAlnum(c) ? c : '_';
        Exec({"DROP TABLE IF EXISTS " + clean, "CREATE TABLE " + clean + " (" + columns + ")"});
        created.push_back(clean);
        return clean;
    }

    // A fresh table holding one row per entry of values (each a VALUES list without parentheses).
    std::string TableWith(const std::string& columns, const std::vector<std::string>& values) {
        const std::string name = Table(columns);
        for (const std::string& v : values)
            Exec({"INSERT INTO " + name + " VALUES (" + v + ")"});
        return name;
    }

    // Executes a query on s with the given cursor type and rowset size.
    void Open(THstmt& s, const std::string& sql, SQLUINTEGER cursorType = SQL_CURSOR_FORWARD_ONLY,
              SQLULEN rowSetSize = 1) {
        s.SethDbc(&db);
        s.SetCursorType(cursorType);
        s.SetRowSetSize(rowSetSize);
        s.SetSQL(sql);
        s.Execute();
    }

    // Every row of a query as "a|b|c" texts, in the query's order.
    std::vector<std::string> Rows(const std::string& sql) {
        THstmt s;
        s.SethDbc(&db);
        s.SetSQL(sql);
        s.Execute();
        std::vector<std::string> out;
        while (s.FetchNext()) {
            std::string row;
            for (SQLUSMALLINT c = 1; c <= s.NumCols(); ++c)
                row += (c > 1 ? "|" : "") + s.ColString(c);
            out.push_back(row);
        }
        return out;
    }

    // Every value of column 1 of a query, as text.
    std::vector<std::string> Column1(const std::string& sql) {
        THstmt s;
        s.SethDbc(&db);
        s.SetSQL(sql);
        s.Execute();
        std::vector<std::string> out;
        while (s.FetchNext())
            out.push_back(s.ColString(1));
        return out;
    }

    THdbc db;
    std::vector<std::string> created;
};

// Runs a body for every driver of the test set-up.
#define INSTANTIATE_FOR_DRIVERS(suite)                                                                       \
    INSTANTIATE_TEST_SUITE_P(Drivers, suite, ::testing::ValuesIn(TestDrivers()), TestDriverName())

} // namespace tarvik
