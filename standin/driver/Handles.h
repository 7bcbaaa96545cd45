#pragma once
// The ODBC handles of the driver: environment, connection, statement and
// descriptor, and the guard every entry point runs its work in.
#include "standin/engine/Batch.h"
#include "standin/engine/BoundParams.h"
#include "standin/engine/Connection.h"
#include "standin/engine/Diagnostics.h"

#include <map>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace standin {

enum class HandleKind : unsigned { Env = 0x53454e56, Dbc = 0x53444243, Stmt = 0x53535454, Desc = 0x53444553 };

struct HandleBase {
    explicit HandleBase(HandleKind k) : Kind(k) {}
    HandleKind Kind;
    Diagnostics Diag;
};

struct Dbc;
struct Stmt;

struct Env : HandleBase {
    Env() : HandleBase(HandleKind::Env) {}
    SQLINTEGER OdbcVersion = SQL_OV_ODBC3;
    std::set<Dbc*> Connections;
};

// One column binding (ARD record).
struct Binding {
    SQLSMALLINT CType = SQL_C_DEFAULT;
    SQLPOINTER Data = nullptr;
    SQLLEN Length = 0;
    SQLLEN* Indicator = nullptr;
    SQLLEN* OctetLength = nullptr;
    bool Bound() const { return Data != nullptr || Indicator != nullptr || OctetLength != nullptr; }
};

struct Desc : HandleBase {
    Desc(Stmt* owner, SQLINTEGER role) : HandleBase(HandleKind::Desc), Owner(owner), Role(role) {}
    Stmt* Owner;
    SQLINTEGER Role;              // SQL_ATTR_APP_ROW_DESC ... SQL_ATTR_IMP_PARAM_DESC
    std::vector<Binding> Records; // index = column number; [0] is the bookmark column
    SQLULEN ArraySize = 1;
    SQLULEN BindType = SQL_BIND_BY_COLUMN;
    SQLLEN* BindOffset = nullptr;
    SQLUSMALLINT* ArrayStatus = nullptr;
    SQLULEN* RowsProcessed = nullptr;
};

struct Dbc : HandleBase {
    explicit Dbc(Env* env) : HandleBase(HandleKind::Dbc), Owner(env) {}
    Env* Owner;
    ConnectionState State;
    std::set<Stmt*> Statements;
    std::map<SQLINTEGER, SQLULEN> Attributes; // attributes kept only to be read back
    SQLULEN TxnIsolation = SQL_TXN_READ_COMMITTED;
    SQLULEN OdbcCursors = SQL_CUR_USE_DRIVER;
    SQLULEN AsyncEnable = SQL_ASYNC_ENABLE_OFF;
    bool Connected() const { return State.Sess != nullptr; }
};

// An execute waiting for data-at-execution values (SQLParamData / SQLPutData).
struct PendingExecute {
    std::string Sql;
    size_t Markers = 0;
    std::vector<size_t> AtExec;      // 0-based parameter numbers, in the order they are asked for
    size_t Current = 0;              // 1-based position in AtExec being sent; 0 before the first
    std::vector<std::string> Pieces; // per position: the bytes SQLPutData sent
    std::vector<bool> Null;
};

struct Stmt : HandleBase {
    explicit Stmt(Dbc* dbc);
    Dbc* Conn;
    Desc ImplicitArd, Apd, Ird, Ipd;
    Desc* Ard; // the implicit one or one the application allocated

    std::vector<Parameter> Params; // index = parameter number - 1
    std::optional<PendingExecute> Pending;
    // The bindings of the running batch's markers (by marker number - 1) that receive output
    // values once the batch is done; dropped when the application unbinds.
    std::vector<Parameter> OutputTargets;

    std::string PreparedSql;
    bool Prepared = false;
    std::unique_ptr<Batch> Running;
    Result Current;
    bool HasResult = false;

    SQLULEN CursorType = SQL_CURSOR_FORWARD_ONLY;
    SQLULEN Concurrency = SQL_CONCUR_READ_ONLY;
    SQLULEN MaxRows = 0;
    SQLULEN AsyncEnable = SQL_ASYNC_ENABLE_OFF;
    SQLULEN QueryTimeout = 0;
    SQLULEN MaxLength = 0;
    SQLULEN NoScan = SQL_NOSCAN_OFF;
    SQLULEN RetrieveData = SQL_RD_ON;
    SQLULEN UseBookmarks = SQL_UB_OFF;
    SQLULEN ParamsetSize = 1;
    SQLULEN MetadataId = SQL_FALSE;
    SQLULEN KeysetSize = 0;
    std::map<SQLINTEGER, SQLULEN> Attributes; // attributes kept only to be read back
    std::string CursorName;

    // Fetch state of the current result.
    SQLULEN RowsRead = 0;
    SQLLEN RowsetStart = 0; // static cursors: 1-based first row of the rowset; 0 before the first row
    SQLULEN LastRowsetSize = 0;
    bool OnRow = false;
    SQLUSMALLINT GetDataColumn = 0;
    size_t GetDataOffset = 0;
    std::string Scratch;

    // Simulated asynchronous execution: answers left before the execute really runs.
    int PollsLeft = -1;
    bool CancelPending = false;

    const std::vector<ColumnInfo>* Columns() const {
        return HasResult && Current.Rows ? &Current.Rows->Columns() : nullptr;
    }
    // Ends the current result; the rest of the batch runs with its results discarded and its
    // output values are delivered. Never throws.
    void CloseCursor();
    // Writes what the finished batch handed back into the output bindings, once. Throws SqlError
    // for a value that does not fit (22003); truncation adds 01004.
    void DeliverOutputs();
};

// Validated casts of the handles the manager hands in; null when the handle is not of that kind.
Env* AsEnv(SQLHANDLE h);
Dbc* AsDbc(SQLHANDLE h);
Stmt* AsStmt(SQLHANDLE h);
Desc* AsDesc(SQLHANDLE h);

// Counts a call of the entry point named `function` (a string of static storage, kept by address)
// against the open connection a handle belongs to; handles of no open connection count nothing.
void CountCall(HandleBase* h, const char* function) noexcept;

// Runs an entry point's work: counts the call under the calling entry point's name, clears the
// diagnostics, turns exceptions into records and SQL_ERROR, and records the return code for
// SQLGetDiagField.
template <typename F> SQLRETURN Guard(HandleBase* h, F&& work, const char* function = __builtin_FUNCTION()) {
    if (!h) return SQL_INVALID_HANDLE;
    CountCall(h, function);
    h->Diag.Clear();
    SQLRETURN rc;
    try {
        rc = work();
    } catch (const SqlError& e) {
        h->Diag.Add(e);
        rc = SQL_ERROR;
    } catch (const std::bad_alloc&) {
        rc = h->Diag.Fail("HY001", "Memory allocation error");
    } catch (const std::exception& e) {
        rc = h->Diag.Fail("HY000", e.what());
    }
    if (rc == SQL_SUCCESS && !h->Diag.Records.empty()) rc = SQL_SUCCESS_WITH_INFO;
    h->Diag.ReturnCode = rc;
    return rc;
}

// Copies text into an application buffer with a terminator; returns SQL_SUCCESS_WITH_INFO
// (01004 added to diag) when it had to cut. Lengths in bytes; a null buffer only reports the length.
SQLRETURN PutString(const std::string& s, SQLCHAR* buffer, SQLLEN bufferLength, SQLLEN* length,
                    Diagnostics& diag);
SQLRETURN PutString(const std::string& s, SQLCHAR* buffer, SQLSMALLINT bufferLength, SQLSMALLINT* length,
                    Diagnostics& diag);
SQLRETURN PutString(const std::string& s, SQLPOINTER buffer, SQLINTEGER bufferLength, SQLINTEGER* length,
                    Diagnostics& diag);

// Text of an (SQLCHAR*, length) argument; SQL_NTS means terminated.
std::string ArgText(const SQLCHAR* text, SQLINTEGER length);

} // namespace standin
