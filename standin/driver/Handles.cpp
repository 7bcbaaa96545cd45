#include "standin/driver/Handles.h"

#include <algorithm>
#include <cstring>

namespace standin {

Stmt::Stmt(Dbc* dbc)
    : HandleBase(HandleKind::Stmt), Conn(dbc), ImplicitArd(this, SQL_ATTR_APP_ROW_DESC),
      Apd(this, SQL_ATTR_APP_PARAM_DESC), Ird(this, SQL_ATTR_IMP_ROW_DESC),
      Ipd(this, SQL_ATTR_IMP_PARAM_DESC), Ard(&ImplicitArd) {}

void Stmt::CloseCursor() {
    Current = Result{};
    HasResult = false;
    // The server runs a whole batch whether or not its results are read: the statements
    // after the current one still run, their results are discarded; an error ends the batch.
    if (Running && !Conn->State.Broken) {
        try {
            Result r;
            while (Running->Next(r))
                r = Result{};
            DeliverOutputs();
        } catch (const std::exception&) {
            // Nobody is left to read the error, as with a server's discarded results.
        }
    }
    Running.reset();
    OutputTargets.clear();
    RowsRead = 0;
    RowsetStart = 0;
    LastRowsetSize = 0;
    OnRow = false;
    GetDataColumn = 0;
    GetDataOffset = 0;
}

namespace {

template <typename T> T* As(SQLHANDLE h, HandleKind kind) {
    auto* base = static_cast<HandleBase*>(h);
    return base && base->Kind == kind ? static_cast<T*>(base) : nullptr;
}

template <typename Len>
SQLRETURN Put(const std::string& s, char* buffer, Len bufferLength, Len* length, Diagnostics& diag) {
    if (length) *length = static_cast<Len>(s.size());
    if (!buffer || bufferLength <= 0)
        return s.empty() || !buffer ? SQL_SUCCESS : diag.Warn("01004", "String data, right truncated");
    size_t room = static_cast<size_t>(bufferLength) - 1;
    size_t n = std::min(room, s.size());
    std::memcpy(buffer, s.data(), n);
    buffer[n] = '\0';
    return n < s.size() ? diag.Warn("01004", "String data, right truncated") : SQL_SUCCESS;
}

} // namespace

void CountCall(HandleBase* h, const char* function) noexcept {
    Dbc* dbc = nullptr;
    if (h->Kind == HandleKind::Dbc)
        dbc = static_cast<Dbc*>(h);
    else if (h->Kind == HandleKind::Stmt)
        dbc = static_cast<Stmt*>(h)->Conn;
    else if (h->Kind == HandleKind::Desc && static_cast<Desc*>(h)->Owner)
        dbc = static_cast<Desc*>(h)->Owner->Conn;
    if (!dbc || !dbc->Connected()) return;
    try {
        ++dbc->State.Calls[function];
    } catch (const std::bad_alloc&) {
        // A count lost for want of memory must not fail the call itself.
    }
}

Env* AsEnv(SQLHANDLE h) {
    return As<Env>(h, HandleKind::Env);
}
Dbc* AsDbc(SQLHANDLE h) {
    return As<Dbc>(h, HandleKind::Dbc);
}
Stmt* AsStmt(SQLHANDLE h) {
    return As<Stmt>(h, HandleKind::Stmt);
}
Desc* AsDesc(SQLHANDLE h) {
    return As<Desc>(h, HandleKind::Desc);
}

SQLRETURN PutString(const std::string& s, SQLCHAR* buffer, SQLLEN bufferLength, SQLLEN* length,
                    Diagnostics& diag) {
    return Put(s, reinterpret_cast<char*>(buffer), bufferLength, length, diag);
}

SQLRETURN PutString(const std::string& s, SQLCHAR* buffer, SQLSMALLINT bufferLength, SQLSMALLINT* length,
                    Diagnostics& diag) {
    return Put(s, reinterpret_cast<char*>(buffer), bufferLength, length, diag);
}

SQLRETURN PutString(const std::string& s, SQLPOINTER buffer, SQLINTEGER bufferLength, SQLINTEGER* length,
                    Diagnostics& diag) {
    return Put(s, static_cast<char*>(buffer), bufferLength, length, diag);
}

std::string ArgText(const SQLCHAR* text, SQLINTEGER length) {
    if (!text) return {};
    const char* p = reinterpret_cast<const char*>(text);
    if (length == SQL_NTS) return std::string(p);
    return length > 0 ? std::string(p, static_cast<size_t>(length)) : std::string();
}

} // namespace standin
