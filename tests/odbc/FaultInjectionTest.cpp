// Failures no driver can be asked for, made by standing in for driver-manager functions: this
// executable defines them, so the library's calls land here first and go on to the driver
// manager (found with RTLD_NEXT) unless a test has asked for a failure.
#include "odbc/HEnv.h"
#include "tests/support/DriverFixture.h"

#include <dlfcn.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

using namespace tarvik;

namespace {
struct TFaults {
    bool FailOdbcVersion = false;
    int FailDisconnects = 0;
    int FailExecutes = 0;                 // each answered SQL_ERROR with one 08S01 record
    SQLUSMALLINT FailFreeStmt = SQL_DROP; // SQL_UNBIND or SQL_RESET_PARAMS: that option fails once
    bool FailColumnUnbind = false;        // the next unbind of one column (no buffer, no indicator) fails
    SQLHANDLE LinkLost = SQL_NULL_HANDLE;
    std::vector<std::pair<SQLSMALLINT, SQLHANDLE>> Allocated, Freed;
};
TFaults faults;

template <typename F> F Next(F, const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

int Count(const std::vector<std::pair<SQLSMALLINT, SQLHANDLE>>& list, SQLSMALLINT type) {
    int n = 0;
    for (const auto& entry : list)
        n += entry.first == type;
    return n;
}

bool WasFreed(SQLSMALLINT type, SQLHANDLE handle) {
    for (const auto& entry : faults.Freed)
        if (entry == std::make_pair(type, handle)) return true;
    return false;
}
} // namespace

extern "C" {
SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV env, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
    static const auto next = Next(&SQLSetEnvAttr, "SQLSetEnvAttr");
    if (attribute == SQL_ATTR_ODBC_VERSION && faults.FailOdbcVersion) return SQL_ERROR;
    return next(env, attribute, value, length);
}

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
    static const auto next = Next(&SQLAllocHandle, "SQLAllocHandle");
    const SQLRETURN rc = next(type, input, output);
    if (SQL_SUCCEEDED(rc)) faults.Allocated.emplace_back(type, *output);
    return rc;
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
    static const auto next = Next(&SQLFreeHandle, "SQLFreeHandle");
    const SQLRETURN rc = next(type, handle);
    if (SQL_SUCCEEDED(rc)) faults.Freed.emplace_back(type, handle);
    if (handle == faults.LinkLost) faults.LinkLost = SQL_NULL_HANDLE;
    return rc;
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC dbc) {
    static const auto next = Next(&SQLDisconnect, "SQLDisconnect");
    if (faults.FailDisconnects > 0) {
        --faults.FailDisconnects;
        return SQL_ERROR;
    }
    return next(dbc);
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT stmt, SQLUSMALLINT option) {
    static const auto next = Next(&SQLFreeStmt, "SQLFreeStmt");
    if (option != SQL_DROP && option == faults.FailFreeStmt) {
        faults.FailFreeStmt = SQL_DROP;
        return SQL_ERROR;
    }
    return next(stmt, option);
}

SQLRETURN SQL_API SQLBindCol(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER value,
                             SQLLEN length, SQLLEN* indicator) {
    static const auto next = Next(&SQLBindCol, "SQLBindCol");
    if (value == nullptr && indicator == nullptr && faults.FailColumnUnbind) {
        faults.FailColumnUnbind = false;
        return SQL_ERROR;
    }
    return next(stmt, column, type, value, length, indicator);
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT stmt) {
    static const auto next = Next(&SQLExecute, "SQLExecute");
    if (faults.FailExecutes > 0) {
        --faults.FailExecutes;
        faults.LinkLost = stmt;
        return SQL_ERROR;
    }
    return next(stmt);
}

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLCHAR* state,
                                SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT bufferLength,
                                SQLSMALLINT* textLength) {
    static const auto next = Next(&SQLGetDiagRec, "SQLGetDiagRec");
    if (handle == SQL_NULL_HANDLE || handle != faults.LinkLost)
        return next(type, handle, record, state, native, message, bufferLength, textLength);
    if (record != 1) return SQL_NO_DATA;
    static const char text[] = "Communication link failure";
    std::memcpy(state, "08S01", 6);
    *native = 0;
    std::memcpy(message, text, sizeof text);
    if (textLength) *textLength = sizeof text - 1;
    return SQL_SUCCESS;
}
}

namespace {
TEST(EnvironmentFaults, AFailedOdbcVersionFreesTheNewHandle) {
    GlobalEnv(); // errors are raised through it: it must exist before the fault
    const int allocated = Count(faults.Allocated, SQL_HANDLE_ENV);
    const int freed = Count(faults.Freed, SQL_HANDLE_ENV);
    faults.FailOdbcVersion = true;
    EXPECT_THROW(THenv env, EODBC);
    faults.FailOdbcVersion = false;
    EXPECT_EQ(Count(faults.Allocated, SQL_HANDLE_ENV), allocated + 1);
    EXPECT_EQ(Count(faults.Freed, SQL_HANDLE_ENV), freed + 1);
}

using ConnectionFaults = DriverTest;

TEST_P(ConnectionFaults, ADisconnectFailingInTerminateStillFreesTheHandles) {
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("SELECT 1");
    s.Execute();
    const SQLHANDLE connection = db.Handle();
    const SQLHANDLE statement = s.Handle();
    faults.FailDisconnects = 1;
    EXPECT_THROW(db.Terminate(), EODBC) << "the disconnect's failure is reported";
    faults.FailDisconnects = 0;
    EXPECT_TRUE(WasFreed(SQL_HANDLE_STMT, statement));
    EXPECT_TRUE(WasFreed(SQL_HANDLE_DBC, connection));
    EXPECT_FALSE(db.Allocated());
    EXPECT_FALSE(db.Connected());
    EXPECT_FALSE(GlobalEnv().Children().Contains(&db));
    EXPECT_FALSE(s.Allocated());
    s.SetSQL("SELECT 2");
    s.Execute();
    ASSERT_TRUE(s.FetchNext()) << "the connection connects again";
    EXPECT_EQ(s.ColInteger(1), 2);
}

TEST_P(ConnectionFaults, ALostLinkSwallowedWhileCountingRowsLeavesTheStatementRunning) {
    const std::string t = TableWith("id integer", {"1", "2", "3"});
    THstmt s;
    s.SethDbc(&db);
    s.SetRowCountMethod(rcSelect);
    s.SetSQL("SELECT id FROM " + t + " WHERE id > 0 ORDER BY id");
    s.Execute();
    ASSERT_TRUE(s.FetchNext());
    faults.FailExecutes = 1; // the count query's: counting falls back to reading the rows
    EXPECT_EQ(s.RowCount(), 3);
    faults.FailExecutes = 0;
    EXPECT_TRUE(db.Connected());
    ASSERT_TRUE(s.FetchNext()) << "the statement's cursor survived the count";
    EXPECT_EQ(s.ColInteger(1), 2);
}

using StatementFaults = DriverTest;

TEST_P(StatementFaults, AFailedUnbindKeepsTheBuffersTheDriverStillWritesAndReads) {
    const std::string t = TableWith("id integer", {"1", "2", "3"});
    THstmt s;
    s.SethDbc(&db);
    s.SetSQL("SELECT id FROM " + t + " WHERE id >= :od ORDER BY id");
    s.Prepare();
    std::int32_t from = 2;
    s.BindParam(1, SQL_C_SLONG, SQL_INTEGER, &from);
    s.Execute();
    ASSERT_TRUE(s.FetchNext());

    faults.FailFreeStmt = SQL_RESET_PARAMS;
    EXPECT_THROW(s.Close(), EODBC);
    EXPECT_EQ(s.ParamCount(), 1u) << "the parameter's indicator stays while the driver holds it";
    // The driver runs again on what it still holds: the kept parameter and column buffers.
    ASSERT_TRUE(SQL_SUCCEEDED(SQLExecute(s.Handle())));
    ASSERT_TRUE(s.FetchNext());
    EXPECT_EQ(s.ColInteger(1), 2);

    faults.FailFreeStmt = SQL_UNBIND;
    EXPECT_THROW(s.Close(), EODBC);
    EXPECT_EQ(s.ParamCount(), 0u);
    const std::string again = "SELECT id FROM " + t + " WHERE id = 3";
    ASSERT_TRUE(SQL_SUCCEEDED(
        SQLExecDirect(s.Handle(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(again.c_str())), SQL_NTS)));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLFetch(s.Handle())));
    EXPECT_EQ(s.ColInteger(1), 3) << "the driver fetched into the column buffer still bound";
    EXPECT_NO_THROW(s.Close());
}

using PositionedLongFaults = DriverTest;

TEST_P(PositionedLongFaults, ALongColumnLeftBoundAfterAWriteTakesTheStatementWithIt) {
    const std::string t = TableWith("ID integer primary key, memo text", {"1, 'short'"});
    THstmt s;
    s.SethDbc(&db);
    s.SetConcurrencyType(SQL_CONCUR_VALUES);
    s.SetCursorType(UpdatableCursor());
    s.SetSQL("SELECT ID, memo FROM " + t);
    s.Execute();
    ASSERT_TRUE(s.FetchNext());
    ASSERT_TRUE(s.ColIsBlob(2));
    const SQLHANDLE statement = s.Handle();
    s.SetColString(2, std::string(5000, 'm'));
    faults.FailColumnUnbind = true;
    EXPECT_EQ(ErrorOf([&] { s.UpdateRows(); }), "(no error)") << "the write itself succeeded";
    faults.FailColumnUnbind = false;
    EXPECT_TRUE(WasFreed(SQL_HANDLE_STMT, statement)) << "the driver kept a pointer into the stream";
    EXPECT_FALSE(s.Allocated());
    EXPECT_EQ(Rows("SELECT memo FROM " + t), std::vector<std::string>{std::string(5000, 'm')});
}

INSTANTIATE_FOR_DRIVERS(ConnectionFaults);
INSTANTIATE_TEST_SUITE_P(Drivers, PositionedLongFaults,
                         ::testing::ValuesIn(DriversThat({&DriverCapabilities::LongDataThroughSetPos})),
                         TestDriverName());
INSTANTIATE_FOR_DRIVERS(StatementFaults);
} // namespace
