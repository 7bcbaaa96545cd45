#include "odbc/HEnv.h"
#include "odbc/ODBCError.h"
#include "odbc/SqlChars.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {
// A statement-like wrapper whose diagnostic handle is whatever the test chooses.
class FakeSource : public THbase {
public:
    SQLSMALLINT type = SQL_HANDLE_ENV;
    SQLHANDLE handle = SQL_NULL_HANDLE;
    int terminated = 0;
    SQLSMALLINT DiagHandleType() const override { return type; }
    SQLHANDLE DiagHandle() override { return handle; }
    bool Terminate() override {
        ++terminated;
        return THbase::Terminate();
    }
};

EODBC Raised(THbase* source, SQLRETURN rc) {
    try {
        GlobalEnv().Error().RaiseODBCError(source, rc);
    } catch (EODBC& e) {
        return std::move(e);
    }
    throw std::runtime_error("RaiseODBCError returned");
}
} // namespace

TEST(Diagnostics, OnlySuccessAndSuccessWithInfoSucceed) {
    EXPECT_TRUE(Success(SQL_SUCCESS));
    EXPECT_TRUE(Success(SQL_SUCCESS_WITH_INFO));
    for (SQLRETURN rc : {SQL_ERROR, SQL_INVALID_HANDLE, SQL_NO_DATA, SQL_NEED_DATA, SQL_STILL_EXECUTING})
        EXPECT_FALSE(Success(rc)) << rc;
}

TEST(Diagnostics, MadeUpRecordsForCodesWithoutDiagnostics) {
    FakeSource src;
    struct Case {
        SQLRETURN rc;
        const char* message;
    } cases[] = {{SQL_NO_DATA, "No Data Found"},
                 {SQL_NEED_DATA, "ODBC Return Code 99"},
                 {SQL_INVALID_HANDLE, "Invalid ODBC Handle"},
                 {SQL_STILL_EXECUTING, "ODBC Return Code 2"},
                 {-7, "ODBC Return Code -7"}};
    for (const Case& c : cases) {
        EODBC e = Raised(&src, c.rc);
        ASSERT_EQ(e.Records().size(), 1u);
        EXPECT_EQ(e.Message(), c.message);
        EXPECT_EQ(e.State(), "");
        EXPECT_EQ(e.Native(), 0);
        EXPECT_EQ(e.ReturnCode(), c.rc);
        EXPECT_EQ(e.Source(), &src);
    }
}

TEST(Diagnostics, ErrorWithUnreadableHandleGivesUnableToRetrieve) {
    FakeSource src;
    src.type = SQL_HANDLE_STMT; // a null statement handle: SQLGetDiagRec answers SQL_INVALID_HANDLE at once
    EODBC e = Raised(&src, SQL_ERROR);
    ASSERT_EQ(e.Records().size(), 1u);
    EXPECT_EQ(e.Message(), "Unable to Retrieve ODBC Error");
}

TEST(Diagnostics, DriverManagerRecordsAreCollectedInOrder) {
    // A connection to a data source that does not exist: the driver manager posts IM002.
    SQLHDBC dbc = SQL_NULL_HDBC;
    ASSERT_TRUE(Success(SQLAllocHandle(SQL_HANDLE_DBC, GlobalEnv().Handle(), &dbc)));
    const SQLRETURN rc = SQLConnect(dbc, SqlChars("NoSuchDsnAnywhere"), SQL_NTS, nullptr, 0, nullptr, 0);
    ASSERT_EQ(rc, SQL_ERROR);
    TODBCError reader;
    reader.HandleType = SQL_HANDLE_DBC;
    reader.Handle = dbc;
    auto records = reader.CollectDiagnostics(rc);
    ASSERT_GE(records.size(), 1u);
    EXPECT_EQ(records[0].State, "IM002");
    EXPECT_NE(records[0].Message.find("Data source name not found"), std::string::npos);
    for (const auto& r : records)
        EXPECT_NE(r.Message, "Unable to Retrieve ODBC Error");
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
}

TEST(Diagnostics, NavigationStopsAtBothEnds) {
    EODBC e(nullptr, SQL_ERROR, {{"42000", 1, "one"}, {"01000", 2, "two"}});
    EXPECT_EQ(e.Message(), "one");
    EXPECT_EQ(e.CurrentMessage(), "one");
    EXPECT_TRUE(e.Next());
    EXPECT_EQ(e.State(), "01000");
    EXPECT_EQ(e.Native(), 2);
    EXPECT_FALSE(e.Next()); // index now 2, past the end
    EXPECT_FALSE(e.Next()); // at the end: unchanged
    EXPECT_EQ(e.CurrentIndex(), 2);
    EXPECT_TRUE(e.Prior());
    EXPECT_EQ(e.CurrentMessage(), "two");
    EXPECT_TRUE(e.Prior());
    EXPECT_FALSE(e.Prior()); // index -1
    EXPECT_FALSE(e.Prior());
    EXPECT_EQ(e.CurrentIndex(), -1);
    e.First();
    EXPECT_EQ(e.CurrentMessage(), "one");
}

TEST(Diagnostics, SuppressedErrorsRaiseNothing) {
    FakeSource src;
    GlobalEnv().SetSuppressErrors(true);
    EXPECT_NO_THROW(GlobalEnv().Error().RaiseODBCError(&src, SQL_ERROR));
    GlobalEnv().SetSuppressErrors(false);
    EXPECT_THROW(GlobalEnv().Error().RaiseODBCError(&src, SQL_ERROR), EODBC);
}

TEST(Diagnostics, ConnectionClassStateTerminatesSourceAfterHandling) {
    FakeSource src;
    { EODBC e(&src, SQL_ERROR, {{"42S02", 0, "no table"}}); }
    EXPECT_EQ(src.terminated, 0);
    try {
        throw EODBC(&src, SQL_ERROR, {{"01000", 0, "info"}, {"08S01", 0, "link down"}});
    } catch (const EODBC&) {
        EXPECT_EQ(src.terminated, 0) << "dropped before the handler was done";
    }
    EXPECT_EQ(src.terminated, 1);
    EXPECT_FALSE(GlobalEnv().SuppressErrors());
}

TEST(Diagnostics, ALostLinkIsDroppedOnceWhenTheLastCopyGoes) {
    FakeSource src;
    {
        std::vector<EODBC> kept;
        try {
            throw EODBC(&src, SQL_ERROR, {{"08S01", 0, "link down"}});
        } catch (const EODBC& e) {
            kept.push_back(e);
            kept.push_back(e);
        }
        EXPECT_EQ(src.terminated, 0) << "copies are alive";
        kept.pop_back();
        EXPECT_EQ(src.terminated, 0);
    }
    EXPECT_EQ(src.terminated, 1);
}

TEST(Diagnostics, ALostLinkSwallowedInsideTheLibraryDropsNothing) {
    FakeSource src;
    try {
        throw EODBC(&src, SQL_ERROR, {{"08S01", 0, "link down"}});
    } catch (...) {
        SwallowODBCError();
    }
    EXPECT_EQ(src.terminated, 0);
    try {
        throw EVERODezuzid("misuse");
    } catch (...) {
        SwallowODBCError(); // another exception: nothing to do, nothing thrown
    }
}
