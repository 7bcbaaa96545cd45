// Entry points that execute statements, walk their results and describe columns.
#include "standin/driver/ColumnAttributes.h"
#include "standin/driver/Handles.h"
#include "standin/driver/Settings.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>

using namespace standin;

namespace {

// "standin:async_polls=N" in a comment of the statement overrides the connection's setting.
int PollsFor(const std::string& sql, int fallback) {
    const char* key = "standin:async_polls=";
    auto at = sql.find(key);
    if (at == std::string::npos) return fallback;
    return CountSetting(std::string_view(sql).substr(at + std::strlen(key)));
}

// Moves to the next result of the running batch.
SQLRETURN Advance(Stmt* s) {
    s->Current = Result{};
    s->HasResult = false;
    s->RowsRead = 0;
    s->RowsetStart = 0;
    s->LastRowsetSize = 0;
    s->OnRow = false;
    s->GetDataColumn = 0;
    if (!s->Running) return SQL_NO_DATA;
    Result r;
    bool more;
    try {
        more = s->Running->Next(r);
    } catch (...) {
        s->Running.reset();
        throw;
    }
    if (!more) {
        // The server sends output values after the last result.
        try {
            s->DeliverOutputs();
        } catch (...) {
            s->Running.reset();
            throw;
        }
        s->Running.reset();
        return SQL_NO_DATA;
    }
    s->Current = std::move(r);
    s->HasResult = true;
    if (s->CursorType == SQL_CURSOR_STATIC && s->Current.Rows) {
        auto rows = Materialize(*s->Current.Rows, s->MaxRows);
        s->Diag.CursorRowCount = static_cast<SQLLEN>(rows->RowCount());
        s->Current.Rows = std::move(rows);
    }
    for (const auto& info : s->Current.Infos)
        s->Diag.Add(info);
    s->Diag.RowCount = s->Current.RowCount;
    return SQL_SUCCESS;
}

// The markers bound for output: their numbers for the batch and their bindings for delivery.
struct OutputBindings {
    std::set<size_t> Markers;
    std::vector<Parameter> Targets;
};

// Runs the batch now with the values of its markers.
SQLRETURN Execute(Stmt* s, const std::string& sql, std::vector<Value> params, OutputBindings outputs = {}) {
    ConnectionState& c = s->Conn->State;
    c.CheckLink();
    s->CloseCursor();
    s->Running = std::make_unique<Batch>(c, sql, std::move(params), std::move(outputs.Markers));
    s->OutputTargets = std::move(outputs.Targets);
    SQLRETURN rc = Advance(s);
    if (rc == SQL_NO_DATA) return SQL_SUCCESS; // an empty batch
    // Like SQL Server's driver, an update or delete that touched no row answers SQL_NO_DATA.
    bool odbc3 = s->Conn->Owner->OdbcVersion >= static_cast<SQLINTEGER>(SQL_OV_ODBC3);
    if (odbc3 && !s->Current.Rows && s->Current.RowCount == 0 && s->Current.Infos.empty()) return SQL_NO_DATA;
    return rc;
}

template <typename T> T* PointerAttribute(const Stmt* s, SQLINTEGER attr) {
    auto it = s->Attributes.find(attr);
    return it == s->Attributes.end() ? nullptr : reinterpret_cast<T*>(it->second);
}

// Parameter i as bound for one set of the parameter array.
Parameter ParameterOf(const Stmt* s, size_t i, size_t set) {
    auto type = s->Attributes.find(SQL_ATTR_PARAM_BIND_TYPE);
    const SQLLEN* offset = PointerAttribute<SQLLEN>(s, SQL_ATTR_PARAM_BIND_OFFSET_PTR);
    return ParameterInSet(s->Params[i], set,
                          type == s->Attributes.end() ? SQL_PARAM_BIND_BY_COLUMN : type->second,
                          offset ? *offset : 0);
}

// Values of the first `count` parameters of one set; data-at-execution ones from what SQLPutData sent.
void AppendValues(const Stmt* s, size_t count, size_t set, const PendingExecute* sent,
                  std::vector<Value>& out) {
    size_t first = out.size();
    for (size_t i = 0; i < count; ++i) {
        Parameter p = ParameterOf(s, i, set);
        out.push_back((sent && p.AtExec()) || !p.Sends() ? Value::Null() : ReadParameter(p));
    }
    if (sent)
        for (size_t k = 0; k < sent->AtExec.size(); ++k) {
            size_t i = sent->AtExec[k];
            out[first + i] = ReadPieces(s->Params[i], sent->Pieces[k], sent->Null[k]);
        }
}

// Every set of a parameter array runs as one statement of a single batch, so each set's
// result follows through SQLMoreResults.
SQLRETURN ExecuteSets(Stmt* s, const std::string& sql, size_t markers, const PendingExecute* sent) {
    size_t sets = sent ? 1 : std::max<SQLULEN>(s->ParamsetSize, 1);
    std::string text = sets == 1 ? sql : std::string();
    std::vector<Value> values;
    OutputBindings outputs;
    for (size_t set = 0; set < sets; ++set) {
        if (sets > 1) text += sql + "\n;\n";
        AppendValues(s, markers, set, sent, values);
        for (size_t i = 0; i < markers; ++i) {
            Parameter p = ParameterOf(s, i, set);
            if (!p.Receives()) continue;
            outputs.Markers.insert(set * markers + i + 1);
            outputs.Targets.resize(sets * markers);
            outputs.Targets[set * markers + i] = p;
        }
    }
    auto* status = PointerAttribute<SQLUSMALLINT>(s, SQL_ATTR_PARAM_STATUS_PTR);
    if (auto* processed = PointerAttribute<SQLULEN>(s, SQL_ATTR_PARAMS_PROCESSED_PTR)) *processed = sets;
    SQLRETURN rc = SQL_ERROR;
    try {
        rc = Execute(s, text, std::move(values), std::move(outputs));
        // The server runs every set at once, whether or not the caller reads their counts.
        if (sets > 1 && s->Running) s->Running->RunRemaining();
    } catch (...) {
        for (size_t set = 0; status && set < sets; ++set)
            status[set] = SQL_PARAM_ERROR;
        throw;
    }
    for (size_t set = 0; status && set < sets; ++set)
        status[set] = SQL_PARAM_SUCCESS;
    return rc;
}

// Checks the bindings of the markers; runs the batch, or waits for data at execution.
SQLRETURN Start(Stmt* s, const std::string& sql) {
    s->Pending.reset();
    s->Conn->State.CheckLink();
    s->Conn->State.CountRun();
    size_t markers = CountMarkers(sql);
    if (markers == 0) return Execute(s, sql, {});
    PendingExecute wait{sql, markers, {}, 0, {}, {}};
    for (size_t i = 0; i < markers; ++i) {
        if (i >= s->Params.size() || !s->Params[i].Bound())
            return s->Diag.Fail("07002", "COUNT field incorrect");
        if (ParameterOf(s, i, 0).AtExec()) wait.AtExec.push_back(i);
    }
    if (wait.AtExec.empty()) return ExecuteSets(s, sql, markers, nullptr);
    if (s->ParamsetSize > 1) return s->Diag.Fail("HYC00", "Optional feature not implemented");
    wait.Pieces.resize(wait.AtExec.size());
    wait.Null.resize(wait.AtExec.size());
    s->Conn->State.CheckLink();
    s->CloseCursor();
    s->Pending = std::move(wait);
    return SQL_NEED_DATA;
}

SQLRETURN Run(Stmt* s, const std::string& sql) {
    if (s->AsyncEnable == SQL_ASYNC_ENABLE_ON) {
        if (s->CancelPending) {
            s->CancelPending = false;
            s->PollsLeft = -1;
            return s->Diag.Fail("HY008", "Operation canceled");
        }
        if (s->PollsLeft < 0) s->PollsLeft = PollsFor(sql, s->Conn->State.AsyncPolls);
        if (s->PollsLeft > 0) {
            --s->PollsLeft;
            return SQL_STILL_EXECUTING;
        }
        s->PollsLeft = -1;
    }
    return Start(s, sql);
}

const ColumnInfo& Column(Stmt* s, SQLUSMALLINT number) {
    const auto* cols = s->Columns();
    if (!cols) throw SqlError("07005", 0, "Prepared statement is not a query", false);
    if (number < 1 || number > cols->size()) throw SqlError("07009", 0, "Invalid descriptor index", false);
    return (*cols)[number - 1];
}

// Columns of a prepared statement that has not run yet are described without running it.
void DescribePrepared(Stmt* s) {
    if (s->HasResult || !s->Prepared || s->Running) return;
    auto cursor = DescribeStatement(s->Conn->State, s->PreparedSql);
    if (!cursor) return;
    s->Current = Result{};
    s->Current.Rows = std::move(cursor);
    s->HasResult = true;
    s->RowsRead = 0;
}

} // namespace

extern "C" {

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT handle, SQLCHAR* text, SQLINTEGER length) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        s->Prepared = false;
        return Run(s, ArgText(text, length));
    });
}

SQLRETURN SQL_API SQLPrepare(SQLHSTMT handle, SQLCHAR* text, SQLINTEGER length) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        s->Conn->State.CheckLink();
        s->CloseCursor();
        s->Pending.reset();
        s->PreparedSql = ArgText(text, length);
        Tokenize(s->PreparedSql); // unclosed quotes are reported at once
        s->Prepared = true;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT handle) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        if (!s->Prepared) return s->Diag.Fail("HY010", "Function sequence error");
        return Run(s, s->PreparedSql);
    });
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT handle) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        s->Conn->State.CheckLink();
        return Advance(s);
    });
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT handle, SQLLEN* count) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        if (count) *count = s->HasResult && !s->Current.Rows ? s->Current.RowCount : -1;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT handle, SQLSMALLINT* count) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        DescribePrepared(s);
        const auto* cols = s->Columns();
        if (count) *count = static_cast<SQLSMALLINT>(cols ? cols->size() : 0);
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT handle, SQLUSMALLINT number, SQLCHAR* name, SQLSMALLINT nameMax,
                                 SQLSMALLINT* nameLength, SQLSMALLINT* type, SQLULEN* size,
                                 SQLSMALLINT* digits, SQLSMALLINT* nullable) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        DescribePrepared(s);
        const ColumnInfo& c = Column(s, number);
        if (type) *type = c.SqlType;
        if (size) *size = c.Size;
        if (digits) *digits = c.Digits;
        if (nullable) *nullable = c.Nullable;
        return PutString(c.Name, name, nameMax, nameLength, s->Diag);
    });
}

SQLRETURN SQL_API SQLColAttribute(SQLHSTMT handle, SQLUSMALLINT number, SQLUSMALLINT field, SQLPOINTER text,
                                  SQLSMALLINT textMax, SQLSMALLINT* textLength, SQLLEN* numeric) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        DescribePrepared(s);
        if (field == SQL_DESC_COUNT || field == SQL_COLUMN_COUNT) {
            const auto* cols = s->Columns();
            if (numeric) *numeric = cols ? static_cast<SQLLEN>(cols->size()) : 0;
            return SQL_SUCCESS;
        }
        if (number == 0) {
            if (s->UseBookmarks == SQL_UB_OFF) return s->Diag.Fail("07009", "Invalid descriptor index");
            if (numeric) *numeric = field == SQL_DESC_OCTET_LENGTH ? 4 : 0;
            return SQL_SUCCESS;
        }
        const ColumnInfo& c = Column(s, number);
        std::string out;
        if (TextAttribute(c, field, out))
            return PutString(out, static_cast<SQLCHAR*>(text), textMax, textLength, s->Diag);
        bool known;
        SQLLEN v = NumericAttribute(c, field, known);
        if (!known) return s->Diag.Fail("HY091", "Invalid descriptor field identifier");
        if (numeric) *numeric = v;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLCancel(SQLHSTMT handle) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        if (s->PollsLeft >= 0) s->CancelPending = true;
        s->Pending.reset();
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT handle, SQLUSMALLINT option) {
    Stmt* s = AsStmt(handle);
    if (option == SQL_DROP) return SQLFreeHandle(SQL_HANDLE_STMT, handle);
    return Guard(s, [&]() -> SQLRETURN {
        switch (option) {
        case SQL_CLOSE:
            s->Pending.reset();
            s->CloseCursor();
            break;
        case SQL_UNBIND:
            s->Ard->Records.clear();
            break;
        case SQL_RESET_PARAMS:
            s->Apd.Records.clear();
            s->Params.clear();
            s->OutputTargets.clear(); // the buffers may go away now
            break;
        default:
            return s->Diag.Fail("HY092", "Invalid attribute/option identifier");
        }
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLBindParameter(SQLHSTMT handle, SQLUSMALLINT number, SQLSMALLINT io, SQLSMALLINT cType,
                                   SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits, SQLPOINTER data,
                                   SQLLEN bufferLength, SQLLEN* indicator) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        if (number < 1) return s->Diag.Fail("07009", "Invalid descriptor index");
        if (io != SQL_PARAM_INPUT && io != SQL_PARAM_INPUT_OUTPUT && io != SQL_PARAM_OUTPUT)
            return s->Diag.Fail("HY105", "Invalid parameter type");
        Parameter p{ParameterCType(cType, sqlType), sqlType, size, digits, data, bufferLength, indicator, io};
        if (s->Params.size() < number) s->Params.resize(number);
        s->Params[number - 1] = p;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLNumParams(SQLHSTMT handle, SQLSMALLINT* count) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        if (!s->Prepared) return s->Diag.Fail("HY010", "Function sequence error");
        if (count) *count = static_cast<SQLSMALLINT>(CountMarkers(s->PreparedSql));
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLParamData(SQLHSTMT handle, SQLPOINTER* token) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        if (!s->Pending) return s->Diag.Fail("HY010", "Function sequence error");
        PendingExecute& wait = *s->Pending;
        if (wait.Current < wait.AtExec.size()) {
            if (token) *token = ParameterOf(s, wait.AtExec[wait.Current], 0).Data;
            ++wait.Current;
            return SQL_NEED_DATA;
        }
        PendingExecute sent = std::move(wait);
        s->Pending.reset();
        return ExecuteSets(s, sent.Sql, sent.Markers, &sent);
    });
}

SQLRETURN SQL_API SQLPutData(SQLHSTMT handle, SQLPOINTER data, SQLLEN length) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        if (!s->Pending || s->Pending->Current == 0) return s->Diag.Fail("HY010", "Function sequence error");
        PendingExecute& wait = *s->Pending;
        size_t k = wait.Current - 1;
        SQLLEN n = PieceLength(s->Params[wait.AtExec[k]].CType, data, length);
        if (n == SQL_NULL_DATA) {
            wait.Null[k] = true;
            return SQL_SUCCESS;
        }
        if (!data && n > 0) return s->Diag.Fail("HY009", "Invalid use of null pointer");
        if (n > 0) wait.Pieces[k].append(static_cast<const char*>(data), static_cast<size_t>(n));
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT handle) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        if (!s->HasResult && !s->Running) return s->Diag.Fail("24000", "Invalid cursor state");
        s->CloseCursor();
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLGetCursorName(SQLHSTMT handle, SQLCHAR* name, SQLSMALLINT max, SQLSMALLINT* length) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        if (s->CursorName.empty())
            s->CursorName = "SQL_CUR" + std::to_string(reinterpret_cast<uintptr_t>(s) % 100000);
        return PutString(s->CursorName, name, max, length, s->Diag);
    });
}

SQLRETURN SQL_API SQLSetCursorName(SQLHSTMT handle, SQLCHAR* name, SQLSMALLINT length) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        s->CursorName = ArgText(name, length);
        return SQL_SUCCESS;
    });
}

} // extern "C"
