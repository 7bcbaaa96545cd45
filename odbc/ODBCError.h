#pragma once
// Diagnostics: which return codes succeed, the diagnostic records of a failed
// call, the library's misuse exception and the ODBC failure exception.
#include "core/Exceptions.h"

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <string>
#include <vector>

namespace tarvik {

class THbase;

// True for SQL_SUCCESS and SQL_SUCCESS_WITH_INFO only.
inline bool Success(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

struct TErrorRec {
    std::string State; // SQLSTATE, empty for records the library makes up
    SQLINTEGER Native = 0;
    std::string Message; // at most 255 characters
};

// Misuse of the library; carries one of the fixed messages.
class EVERODezuzid : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
    const char* ClassName() const override { return "EVERODezuzid"; }
};

// A failed ODBC call with every diagnostic record of its handle. When a record has an SQLSTATE
// of class 08, or the driver says the link is dead, the connection is dropped once, when the last
// copy dies after a handler is done.
class EODBC : public EVERODezuzid {
public:
    // Never throws except bad_alloc; records must not be empty. linkLost drops the connection even
    // without a record of class 08.
    EODBC(THbase* source, SQLRETURN returnCode, std::vector<TErrorRec> records, bool linkLost = false);
    EODBC(const EODBC&) = default;
    EODBC(EODBC&& other) noexcept = default;
    ~EODBC() override = default;
    const char* ClassName() const override { return "EODBC"; }

    THbase* Source() const { return FSource; }
    SQLRETURN ReturnCode() const { return FReturnCode; }
    const std::vector<TErrorRec>& Records() const { return FRecords; }
    int CurrentIndex() const { return FIndex; }

    void First() { FIndex = 0; }
    bool Next();
    bool Prior();
    // The current record's fields; the empty record when the index is outside the list.
    const std::string& State() const { return Current().State; }
    SQLINTEGER Native() const { return Current().Native; }
    const std::string& CurrentMessage() const { return Current().Message; }

    // Keeps this error and all its copies from dropping the connection: for a catch block that
    // swallows it (the library's own), where nobody has dealt with the lost link.
    void Disarm() const noexcept;
    // Whether the connection is still to be dropped when the last copy dies.
    bool Armed() const noexcept;

private:
    const TErrorRec& Current() const;

    // Shared by the copies of one error; drops the connection when the last of them dies.
    struct TLostLink;

    THbase* FSource;
    SQLRETURN FReturnCode;
    int FIndex = 0;
    std::vector<TErrorRec> FRecords;
    std::shared_ptr<TLostLink> FLostLink; // null unless the link is lost
};

// For a catch block that swallows the exception being handled: an EODBC drops no connection.
// Does nothing for other exceptions and outside a handler. Never throws.
void SwallowODBCError() noexcept;

// The environment's error object: the handle whose diagnostics are read next.
class TODBCError {
public:
    static bool Success(SQLRETURN rc) { return tarvik::Success(rc); }
    // Reads the diagnostic records of HandleType/Handle for a failed return code; never throws except
    // bad_alloc.
    std::vector<TErrorRec> CollectDiagnostics(SQLRETURN returnCode) const;
    // Throws EODBC for source's handle unless the environment suppresses errors (then returns).
    void RaiseODBCError(THbase* source, SQLRETURN returnCode);

    SQLSMALLINT HandleType = SQL_HANDLE_ENV;
    SQLHANDLE Handle = SQL_NULL_HANDLE;
};

// Shows the error dialog for an EODBC; the window layer installs the real dialog.
using TErrorDialogHandler = void (*)(const EODBC& error, const std::string& headline);
void SetErrorDialogHandler(TErrorDialogHandler handler);
// Shows the installed dialog modally; does nothing when none is installed. Never throws.
void ShowErrorDialog(const EODBC& error, const std::string& headline);

} // namespace tarvik
