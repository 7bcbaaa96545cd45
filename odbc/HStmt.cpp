#include "odbc/HStmt.h"

#include "odbc/HDbc.h"
#include "odbc/HEnv.h"
#include "odbc/SqlChars.h"
#include "odbc/SqlText.h"
#include "odbc/Trace.h"

#include <algorithm>

namespace tarvik {

namespace {
TProcessMessagesHandler processMessagesHandler = nullptr;

SQLPOINTER AsPointer(SQLULEN value) {
    return reinterpret_cast<SQLPOINTER>(value);
}
} // namespace

void SetProcessMessagesHandler(TProcessMessagesHandler handler) {
    processMessagesHandler = handler;
}

void ProcessMessages() {
    if (processMessagesHandler) processMessagesHandler();
}

THstmt::THstmt(TComponent* owner) : THbase(owner) {
    if (!owner) return;
    for (TComponent* c : owner->Components())
        if (auto* dbc = dynamic_cast<THdbc*>(c)) {
            SethDbc(dbc);
            break;
        }
}

THstmt::~THstmt() {
    AbandonPoll();
    try {
        Terminate();
    } catch (...) {
        // A destructor never throws.
        SwallowODBCError();
    }
    if (FHdbc) FHdbc->RemoveUser(this);
}

void THstmt::Check(SQLRETURN rc) {
    FRetCode = rc;
    if (!Success(rc)) GlobalEnv().Error().RaiseODBCError(this, rc);
}

void THstmt::ApplyStmtAttr(SQLINTEGER attribute, SQLULEN value) {
    SQLULEN current = 0;
    FRetCode = SQLGetStmtAttr(FHandle, attribute, &current, sizeof current, nullptr);
    if (!Success(FRetCode) || current == value) return;
    Check(SQLSetStmtAttr(FHandle, attribute, AsPointer(value), 0));
}

SQLHSTMT THstmt::Handle() {
    Init();
    return FHandle;
}

THbase* THstmt::LostConnectionTarget() {
    return FHdbc;
}

bool THstmt::ConnectionDead() noexcept {
    return FHdbc && FHdbc->ConnectionDead();
}

void THstmt::BeforeRaise() {
    if (!FAsyncOn) return;
    FAsyncOn = false;
    SQLSetStmtAttr(FHandle, SQL_ATTR_ASYNC_ENABLE, AsPointer(SQL_ASYNC_ENABLE_OFF), 0);
}

void THstmt::ForgetHdbc(THdbc* connection) {
    if (FHdbc != connection) return;
    // The connection could not terminate us (it failed on the way out): let the handle go.
    if (FAllocated) DropHandle();
    FHdbc = nullptr;
}

void THstmt::Notification(TComponent* component, TOperation operation) {
    THbase::Notification(component, operation);
    if (operation == TOperation::opInsert && !FHdbc) {
        if (auto* dbc = dynamic_cast<THdbc*>(component)) SethDbc(dbc);
    } else if (operation == TOperation::opRemove && component == FHdbc) {
        try {
            SethDbc(nullptr);
        } catch (...) {
            // The connection is going away; its handles go with it.
            SwallowODBCError();
            FHdbc->RemoveUser(this);
            FHdbc = nullptr;
        }
    }
}

void THstmt::SethDbc(THdbc* value) {
    Trace(1, "THstmt.SetHdbc");
    Terminate();
    if (FHdbc) FHdbc->RemoveUser(this);
    FHdbc = value;
    if (FHdbc) FHdbc->AddUser(this);
}

void THstmt::SetSQL(const std::string& value) {
    Trace(1, "THstmt.SetSQL");
    if (FAllocated) Close();
    FPrepared = false;
    FExecuted = false;
    FSQL = value;
}

void THstmt::SetConcurrencyType(SQLUINTEGER value) {
    Trace(1, "THstmt.SetConcurrencyType");
    FConcurrencyType = value;
    if (!FAllocated) return;
    Close();
    ApplyStmtAttr(SQL_ATTR_CONCURRENCY, value);
}

void THstmt::SetCursorType(SQLUINTEGER value) {
    Trace(1, "THstmt.SetCursorType");
    FCursorType = value;
    if (!FAllocated) return;
    Close();
    ApplyStmtAttr(SQL_ATTR_CURSOR_TYPE, value);
    LoadCursorCapabilities();
}

void THstmt::SetRowSetSize(SQLULEN value) {
    Trace(1, "THstmt.SetRowSetSize");
    if (value == 0) return;
    FRowSetSize = value;
    if (!FAllocated) return;
    Close();
    ApplyStmtAttr(SQL_ATTR_ROW_ARRAY_SIZE, value);
}

void THstmt::SetBlobSize(SQLINTEGER value) {
    Trace(1, "THstmt.SetBlobSize");
    if (value > 1024) FBlobSize = value;
}

void THstmt::LoadCursorCapabilities() {
    // The capabilities are those of the cursor in force: SQLite ODBC and the stand-in answer a
    // keyset request with a static cursor (01S02), whose bookmarks the keyset answer would deny.
    SQLULEN type = FCursorType;
    SQLULEN actual = 0;
    if (FHandle != SQL_NULL_HSTMT &&
        Success(SQLGetStmtAttr(FHandle, SQL_ATTR_CURSOR_TYPE, &actual, sizeof actual, nullptr)))
        type = actual;
    SQLUSMALLINT info;
    switch (type) {
    case SQL_CURSOR_FORWARD_ONLY:
        info = SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1;
        break;
    case SQL_CURSOR_KEYSET_DRIVEN:
        info = SQL_KEYSET_CURSOR_ATTRIBUTES1;
        break;
    case SQL_CURSOR_DYNAMIC:
        info = SQL_DYNAMIC_CURSOR_ATTRIBUTES1;
        break;
    case SQL_CURSOR_STATIC:
        info = SQL_STATIC_CURSOR_ATTRIBUTES1;
        break;
    default:
        return;
    }
    FCursorCaps = FHdbc->InfoInteger(info);
}

void THstmt::SetupBookmarks() {
    if (FCursorCaps & SQL_CA1_BOOKMARK) {
        FRetCode = SQLSetStmtAttr(FHandle, SQL_ATTR_USE_BOOKMARKS, AsPointer(SQL_UB_VARIABLE), 0);
        FBindBookmarks = FBindBookmarks && Success(FRetCode);
    } else {
        FBindBookmarks = false;
    }
}

bool THstmt::Init() {
    Trace(1, "THstmt.Init");
    if (FAllocated) return true;
    if (!FHdbc) throw EVERODezuzid("Property Hdbc of " + Name() + " not set.");
    FHdbc->Connect();
    SQLHSTMT handle = SQL_NULL_HSTMT;
    FRetCode = SQLAllocHandle(SQL_HANDLE_STMT, FHdbc->Handle(), &handle);
    // Without a statement handle the diagnostics sit on the connection.
    if (!Success(FRetCode)) GlobalEnv().Error().RaiseODBCError(FHdbc, FRetCode);
    FHandle = handle;
    FHdbc->Children().Add(this);
    FAllocated = true;
    ApplyStmtAttr(SQL_ATTR_CONCURRENCY, FConcurrencyType);
    ApplyStmtAttr(SQL_ATTR_CURSOR_TYPE, FCursorType);
    LoadCursorCapabilities();
    ApplyStmtAttr(SQL_ATTR_ROW_ARRAY_SIZE, FRowSetSize);
    THbase::Init();
    SetupBookmarks();
    return true;
}

bool THstmt::Terminate() {
    Trace(1, "THstmt.Terminate");
    AbandonPoll();
    THbase::Terminate();
    if (FAllocated) {
        if (FHdbc) FHdbc->Children().Remove(this);
        try {
            Close();
        } catch (...) {
            // The handle goes in any case; the close error is reported after that.
            DropHandle();
            throw;
        }
        Check(DropHandle());
    }
    return !FAllocated;
}

SQLRETURN THstmt::DropHandle() {
    AbandonPoll();
    const SQLRETURN rc = SQLFreeHandle(SQL_HANDLE_STMT, FHandle);
    // A handle the driver refused to free still answers for its diagnostics (which touches no
    // bound buffer).
    if (Success(rc)) FHandle = SQL_NULL_HSTMT;
    FAllocated = false;
    FAsyncOn = false;
    // Only now: until the handle is gone the driver may write into them.
    FreeParams();
    FreeColumns();
    return rc;
}

void THstmt::CloseCursor() {
    Init();
    Check(SQLFreeStmt(FHandle, SQL_CLOSE));
}

void THstmt::FreeParams() {
    FParams.clear();
    FParamSetSize = 0;
    FParamDesc = SQL_NULL_HDESC;
    FParamNames.clear();
}

void THstmt::FreeColumns() {
    FCols.clear();
    FRowStatus = FRowFlags = FBookmarks = nullptr;
    FNumCols = 0;
    FRowsFetched = 0;
    FColNames.clear();
    FBlobsAtFetch = false;
    FColumnsBound = false;
}

void THstmt::ResetParams() {
    // No record means no SQLBindParameter since the last reset (or since the handle was made).
    if (!FAllocated || FParams.empty()) return;
    // A failed unbind keeps the records and their indicators: the driver may still write into them.
    Check(SQLFreeStmt(FHandle, SQL_RESET_PARAMS));
    FParams.clear();
    FParamSetSize = 0;
}

void THstmt::ReleaseParams() {
    ResetParams();
    FreeParams();
}

void THstmt::ReleaseColumns() {
    if (FAllocated) {
        // The driver keeps the row-status pointer as well as the bindings.
        FRetCode = SQLSetStmtAttr(FHandle, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
        if (!Success(FRetCode) && FRowStatus) Check(FRetCode);
        Check(SQLFreeStmt(FHandle, SQL_UNBIND));
    }
    FreeColumns();
}

void THstmt::Close() {
    Trace(1, "THstmt.Close");
    AbandonPoll();
    CloseCursor();
    ReleaseParams();
    ReleaseColumns();
    UnprepareAuxiliary();
    FPrepared = false;
    FExecuted = false;
}

void THstmt::UnprepareAuxiliary() {
    for (auto& aux : FAuxiliary)
        if (aux) aux->FPrepared = false;
}

void THstmt::SetSkipByPosition(bool value) {
    FSkipByPosition = value;
    UnprepareAuxiliary();
}

void THstmt::SetSkipByCursor(bool value) {
    FSkipByCursor = value;
    UnprepareAuxiliary();
}

std::string THstmt::ParsedSQL() {
    return ParseSQL(FSQL, FParamNames);
}

const std::vector<std::string>& THstmt::ParamNames() {
    ParsedSQL();
    return FParamNames;
}

void THstmt::Prepare() {
    Trace(1, "THstmt.Prepare");
    Close();
    DoBeforePrepare();
    const std::string text = ParsedSQL();
    Check(SQLPrepare(FHandle, SqlChars(text), SQL_NTS));
    DoAfterPrepare();
    FPrepared = true;
}

SQLRETURN THstmt::RunExecute(const std::string& text) {
    if (FPrepared) return SQLExecute(FHandle);
    return SQLExecDirect(FHandle, SqlChars(text), SQL_NTS);
}

void THstmt::Execute() {
    Trace(1, "THstmt.Execute");
    Init();
    DoBeforeExecute();
    FRetCode = SQLSetStmtAttr(FHandle, SQL_ATTR_PARAMSET_SIZE, AsPointer(FParamSetSize), 0);
    if (FParamSetSize > 1) Check(FRetCode);
    FExecuted = false;
    FAsyncOn = false;
    std::string text;
    if (FPrepared) {
        if (FHdbc->CursorLib() == SQL_CUR_USE_DRIVER) CloseCursor();
    } else {
        text = ParsedSQL();
    }
    if (FExecAsync) {
        SQLSetStmtAttr(FHandle, SQL_ATTR_ASYNC_ENABLE, AsPointer(SQL_ASYNC_ENABLE_ON), 0);
        FAsyncOn = true;
        FRetCode = PollExecute(text);
    } else {
        FRetCode = RunExecute(text);
    }
    const SQLRETURN rc = FRetCode;
    if (rc != SQL_NEED_DATA && rc != SQL_NO_DATA) Check(rc);
    if (FExecAsync) {
        FAsyncOn = false;
        Check(SQLSetStmtAttr(FHandle, SQL_ATTR_ASYNC_ENABLE, AsPointer(SQL_ASYNC_ENABLE_OFF), 0));
        FRetCode = rc;
    }
    if (rc == SQL_NEED_DATA) SendDataAtExec(TExecDataList::Params);
    if (Success(FRetCode)) DoAfterExecute();
    SQLSetStmtAttr(FHandle, SQL_ATTR_ROWS_FETCHED_PTR, &FRowsFetched, 0);
    FExecuted = true;
}

SQLRETURN THstmt::PollExecute(const std::string& text) {
    // A message handled between polls may close, terminate or even destroy this statement; each
    // of those ends the poll (AbandonPoll), and only the local record tells so afterwards.
    const std::string name = Name();
    TPoll poll{text};
    FPoll = &poll;
    try {
        do {
            poll.Result = RunExecute(text);
            poll.Running = poll.Result == SQL_STILL_EXECUTING;
            ProcessMessages();
        } while (!poll.Ended && poll.Running);
    } catch (...) {
        if (!poll.Ended) AbandonPoll();
        throw;
    }
    if (poll.Ended) throw EVERODezuzid("Statement " + name + " was closed while it was executing.");
    FPoll = nullptr;
    return poll.Result;
}

void THstmt::AbandonPoll() noexcept {
    if (!FPoll) return;
    TPoll& poll = *FPoll;
    FPoll = nullptr;
    poll.Ended = true;
    if (poll.Running) {
        // The driver finishes a cancelled call only when it is issued again; until then the
        // handle can be neither closed nor freed.
        SQLCancel(FHandle);
        while (RunExecute(poll.Text) == SQL_STILL_EXECUTING) {
        }
    }
    SQLSetStmtAttr(FHandle, SQL_ATTR_ASYNC_ENABLE, AsPointer(SQL_ASYNC_ENABLE_OFF), 0);
    FAsyncOn = false;
}

bool THstmt::Fetch(SQLSMALLINT orientation, SQLLEN offset) {
    Trace(1, "THstmt.Fetch");
    Init();
    DoBeforeFetch();
    BindCols();
    if (orientation == SQL_FETCH_NEXT && FHdbc->CursorLib() == SQL_CUR_USE_DRIVER)
        FRetCode = SQLFetch(FHandle);
    else
        FRetCode = SQLFetchScroll(FHandle, orientation, offset);
    if (FRowFlags) std::fill_n(FRowFlags->Data.get(), FRowFlags->CellSize * FRowFlags->Rows, 0);
    if (FRetCode == SQL_NO_DATA) {
        FRowsFetched = 0;
        return false;
    }
    Check(FRetCode);
    if (FBlobsAtFetch) ReadLongsAfterFetch();
    DoAfterFetch();
    return true;
}

bool THstmt::FetchBookmark(const void* bookmark) {
    Init();
    Check(SQLSetStmtAttr(FHandle, SQL_ATTR_FETCH_BOOKMARK_PTR, const_cast<void*>(bookmark),
                         static_cast<SQLINTEGER>(FBookmarkLength)));
    return Fetch(SQL_FETCH_BOOKMARK, 0);
}

bool THstmt::MoreResults() {
    Init();
    FRetCode = SQLMoreResults(FHandle);
    if (FRetCode == SQL_NO_DATA) return false;
    Check(FRetCode);
    ReleaseColumns();
    return true;
}

SQLUSMALLINT THstmt::NumCols() {
    Trace(1, "THstmt.NumCols");
    Init();
    BindCols();
    return FNumCols;
}

SQLULEN THstmt::NumRowsFetched() const {
    Trace(1, "THstmt.NumRowsFetched");
    return FRowsFetched;
}

SQLLEN THstmt::NumRowsAffected() {
    Trace(1, "THstmt.NumRowsAffected");
    Init();
    SQLLEN count = 0;
    Check(SQLRowCount(FHandle, &count));
    return count;
}

SQLULEN THstmt::MaxRows() {
    Init();
    SQLULEN value = 0;
    Check(SQLGetStmtAttr(FHandle, SQL_ATTR_MAX_ROWS, &value, sizeof value, nullptr));
    return value;
}

void THstmt::SetMaxRows(SQLULEN value) {
    Init();
    Check(SQLSetStmtAttr(FHandle, SQL_ATTR_MAX_ROWS, AsPointer(value), 0));
}

std::unique_ptr<THstmt> THstmt::CountingStatement() {
    auto counter = std::make_unique<THstmt>();
    counter->SethDbc(FHdbc);
    counter->SetMaxRows(MaxRows());
    return counter;
}

SQLLEN THstmt::CountByQuery(const std::string& countSQL, bool& counted) {
    std::unique_ptr<THstmt> counter = CountingStatement();
    counter->SetSQL(countSQL);
    counter->Prepare();
    BindParamsOn(*counter);
    try {
        counter->Execute();
        const SQLLEN n = counter->FetchNext() ? counter->ColInteger(1) : 0;
        counted = true;
        return n;
    } catch (...) {
        // Traversing comes next and meets a lost link itself; this statement keeps running.
        SwallowODBCError();
        counter->TerminateQuiet();
        counted = false;
        return 0;
    }
}

SQLLEN THstmt::CountByTraversal() {
    std::unique_ptr<THstmt> counter = CountingStatement();
    counter->SetSQL(FSQL);
    counter->Prepare();
    BindParamsOn(*counter);
    counter->Execute();
    SQLLEN n = 0;
    while (counter->FetchNext())
        ++n;
    return n;
}

SQLLEN THstmt::RowCount() {
    if (FRowCountMethod == rcFunction) {
        SQLLEN count = -1;
        FRetCode =
            SQLGetDiagField(SQL_HANDLE_STMT, Handle(), 0, SQL_DIAG_CURSOR_ROW_COUNT, &count, 0, nullptr);
        if (Success(FRetCode) && count >= 0) return count;
    }
    if (FRowCountMethod == rcCustom) {
        const std::int32_t count = DoRowCount();
        if (count >= 0) return count;
    }
    if (FRowCountMethod != rcTraverse) {
        if (const auto query = CountQuery(FSQL)) {
            bool counted = false;
            const SQLLEN n = CountByQuery(*query, counted);
            if (counted) return n;
        }
    }
    return CountByTraversal();
}

void THstmt::DoBeforePrepare() {
    if (BeforePrepare) BeforePrepare(this);
}
void THstmt::DoAfterPrepare() {
    if (AfterPrepare) AfterPrepare(this);
}
void THstmt::DoBeforeExecute() {
    if (BeforeExecute) BeforeExecute(this);
}
void THstmt::DoAfterExecute() {
    if (AfterExecute) AfterExecute(this);
}
void THstmt::DoBeforeFetch() {
    if (BeforeFetch) BeforeFetch(this);
}
void THstmt::DoAfterFetch() {
    if (AfterFetch) AfterFetch(this);
}
std::int32_t THstmt::DoRowCount() {
    return OnRowCount ? OnRowCount(this) : -1;
}

} // namespace tarvik
