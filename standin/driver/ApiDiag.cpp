// SQLGetDiagRec and SQLGetDiagField over the diagnostics area of each handle.
#include "standin/driver/Handles.h"

#include <cstring>

using namespace standin;

namespace {

HandleBase* Base(SQLSMALLINT type, SQLHANDLE handle) {
    switch (type) {
    case SQL_HANDLE_ENV:
        return AsEnv(handle);
    case SQL_HANDLE_DBC:
        return AsDbc(handle);
    case SQL_HANDLE_STMT:
        return AsStmt(handle);
    case SQL_HANDLE_DESC:
        return AsDesc(handle);
    default:
        return nullptr;
    }
}

std::string ServerName(SQLSMALLINT type, SQLHANDLE handle) {
    Dbc* dbc = type == SQL_HANDLE_DBC    ? AsDbc(handle)
               : type == SQL_HANDLE_STMT ? AsStmt(handle)->Conn
                                         : nullptr;
    return dbc && dbc->Connected() ? dbc->State.Sess->ServerName() : std::string();
}

template <typename T> SQLRETURN PutNumber(T v, SQLPOINTER info, SQLSMALLINT* length) {
    if (info) std::memcpy(info, &v, sizeof v);
    if (length) *length = sizeof v;
    return SQL_SUCCESS;
}

} // namespace

extern "C" {

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLCHAR* state,
                                SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT length,
                                SQLSMALLINT* outLength) {
    HandleBase* h = Base(type, handle);
    if (!h) return SQL_INVALID_HANDLE;
    CountCall(h, __func__);
    if (record <= 0) return SQL_ERROR;
    if (static_cast<size_t>(record) > h->Diag.Records.size()) return SQL_NO_DATA;
    const DiagRecord& r = h->Diag.Records[static_cast<size_t>(record) - 1];
    if (state) {
        std::memcpy(state, r.State.c_str(), 5);
        state[5] = '\0';
    }
    if (native) *native = r.Native;
    std::string text = FormatMessage(r);
    if (outLength) *outLength = static_cast<SQLSMALLINT>(text.size());
    if (!message || length <= 0) return SQL_SUCCESS;
    size_t n = std::min(text.size(), static_cast<size_t>(length) - 1);
    std::memcpy(message, text.data(), n);
    message[n] = '\0';
    return n < text.size() ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLSMALLINT field,
                                  SQLPOINTER info, SQLSMALLINT length, SQLSMALLINT* outLength) {
    HandleBase* h = Base(type, handle);
    if (!h) return SQL_INVALID_HANDLE;
    CountCall(h, __func__);
    const Diagnostics& d = h->Diag;
    switch (field) {
    case SQL_DIAG_NUMBER:
        return PutNumber(static_cast<SQLINTEGER>(d.Records.size()), info, outLength);
    case SQL_DIAG_RETURNCODE:
        return PutNumber(d.ReturnCode, info, outLength);
    case SQL_DIAG_ROW_COUNT:
        if (type != SQL_HANDLE_STMT) return SQL_ERROR;
        return PutNumber(d.RowCount, info, outLength);
    case SQL_DIAG_CURSOR_ROW_COUNT:
        if (type != SQL_HANDLE_STMT) return SQL_ERROR;
        return PutNumber(d.CursorRowCount, info, outLength);
    case SQL_DIAG_DYNAMIC_FUNCTION:
        return PutString(std::string(), static_cast<SQLCHAR*>(info), length, outLength, h->Diag);
    case SQL_DIAG_DYNAMIC_FUNCTION_CODE:
        return PutNumber(static_cast<SQLINTEGER>(SQL_DIAG_UNKNOWN_STATEMENT), info, outLength);
    default:
        break;
    }
    if (record <= 0) return SQL_ERROR;
    if (static_cast<size_t>(record) > d.Records.size()) return SQL_NO_DATA;
    const DiagRecord& r = d.Records[static_cast<size_t>(record) - 1];
    Diagnostics ignored;
    auto text = [&](const std::string& s) {
        return PutString(s, static_cast<SQLCHAR*>(info), length, outLength, ignored);
    };
    switch (field) {
    case SQL_DIAG_SQLSTATE:
        return text(r.State);
    case SQL_DIAG_NATIVE:
        return PutNumber(r.Native, info, outLength);
    case SQL_DIAG_MESSAGE_TEXT:
        return text(FormatMessage(r));
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
        return text(r.State.rfind("IM", 0) == 0 || r.State.rfind("HY", 0) == 0 || r.State == "01S07"
                        ? "ODBC 3.0"
                        : "ISO 9075");
    case SQL_DIAG_CONNECTION_NAME:
        return text(std::string());
    case SQL_DIAG_SERVER_NAME:
        return text(ServerName(type, handle));
    case SQL_DIAG_ROW_NUMBER:
        return PutNumber(static_cast<SQLLEN>(SQL_ROW_NUMBER_UNKNOWN), info, outLength);
    case SQL_DIAG_COLUMN_NUMBER:
        return PutNumber(static_cast<SQLINTEGER>(SQL_COLUMN_NUMBER_UNKNOWN), info, outLength);
    default:
        return SQL_ERROR;
    }
}

} // extern "C"
