#include "odbc/ODBCError.h"

#include "odbc/HBase.h"
#include "odbc/HEnv.h"

#include <cstddef>
#include <cstring>

namespace tarvik {

namespace {
TErrorDialogHandler errorDialogHandler = nullptr;
const TErrorRec emptyRecord{};

TErrorRec MadeUp(std::string message) {
    return TErrorRec{"", 0, std::move(message)};
}
} // namespace

struct EODBC::TLostLink {
    explicit TLostLink(THbase* source) : Source(source) {}
    TLostLink(const TLostLink&) = delete;
    TLostLink& operator=(const TLostLink&) = delete;
    ~TLostLink() {
        if (!Armed) return;
        try {
            // A source that is gone or going cannot name its connection any more: drop everything.
            if (!Source || !THbase::IsAlive(Source) || Source->Destroying()) {
                GlobalEnv().TerminateQuiet();
            } else if (THbase* connection = Source->LostConnectionTarget()) {
                connection->TerminateQuiet();
            }
        } catch (...) {
            // Nothing may escape the destruction of an exception.
        }
    }
    THbase* Source;
    bool Armed = true;
};

EODBC::EODBC(THbase* source, SQLRETURN returnCode, std::vector<TErrorRec> records, bool linkLost)
    : EVERODezuzid(records.empty() ? std::string() : records.front().Message), FSource(source),
      FReturnCode(returnCode), FRecords(std::move(records)) {
    for (const TErrorRec& r : FRecords)
        if (r.State.rfind("08", 0) == 0) linkLost = true;
    if (linkLost) FLostLink = std::make_shared<TLostLink>(source);
}

void EODBC::Disarm() const noexcept {
    if (FLostLink) FLostLink->Armed = false;
}

bool EODBC::Armed() const noexcept {
    return FLostLink && FLostLink->Armed;
}

void SwallowODBCError() noexcept {
    const std::exception_ptr current = std::current_exception();
    if (!current) return;
    try {
        std::rethrow_exception(current);
    } catch (const EODBC& e) {
        e.Disarm();
    } catch (...) {
    }
}

bool EODBC::Next() {
    if (FIndex >= static_cast<int>(FRecords.size())) return false;
    ++FIndex;
    return FIndex < static_cast<int>(FRecords.size());
}

bool EODBC::Prior() {
    if (FIndex < 0) return false;
    --FIndex;
    return FIndex >= 0;
}

const TErrorRec& EODBC::Current() const {
    if (FIndex < 0 || FIndex >= static_cast<int>(FRecords.size())) return emptyRecord;
    return FRecords[static_cast<std::size_t>(FIndex)];
}

std::vector<TErrorRec> TODBCError::CollectDiagnostics(SQLRETURN returnCode) const {
    std::vector<TErrorRec> records;
    if (returnCode == SQL_ERROR || returnCode == SQL_SUCCESS_WITH_INFO) {
        SQLRETURN rc = SQL_SUCCESS;
        for (SQLSMALLINT recNo = 1;; ++recNo) {
            SQLCHAR state[6] = {0};
            SQLINTEGER native = 0;
            SQLCHAR message[256] = {0};
            SQLSMALLINT length = 0;
            rc = SQLGetDiagRec(HandleType, Handle, recNo, state, &native, message, sizeof message, &length);
            if (!Success(rc)) break;
            message[255] = 0;
            records.push_back(TErrorRec{
                std::string(reinterpret_cast<char*>(state), strnlen(reinterpret_cast<char*>(state), 5)),
                native, std::string(reinterpret_cast<char*>(message))});
        }
        if (records.empty() || rc != SQL_NO_DATA) records.push_back(MadeUp("Unable to Retrieve ODBC Error"));
        return records;
    }
    if (returnCode == SQL_INVALID_HANDLE)
        records.push_back(MadeUp("Invalid ODBC Handle"));
    else if (returnCode == SQL_NO_DATA)
        records.push_back(MadeUp("No Data Found"));
    else
        records.push_back(MadeUp("ODBC Return Code " + std::to_string(returnCode)));
    return records;
}

void TODBCError::RaiseODBCError(THbase* source, SQLRETURN returnCode) {
    if (GlobalEnv().SuppressErrors()) return;
    HandleType = source->DiagHandleType();
    Handle = source->DiagHandle();
    std::vector<TErrorRec> records = CollectDiagnostics(returnCode);
    // Asked only after the diagnostics are read: the question replaces the handle's records.
    const bool dead = returnCode == SQL_ERROR && source->ConnectionDead();
    EODBC error(source, returnCode, std::move(records), dead);
    source->BeforeRaise();
    throw std::move(error);
}

void SetErrorDialogHandler(TErrorDialogHandler handler) {
    errorDialogHandler = handler;
}

void ShowErrorDialog(const EODBC& error, const std::string& headline) {
    if (!errorDialogHandler) return;
    try {
        errorDialogHandler(error, headline);
    } catch (...) {
    }
}

} // namespace tarvik
