#pragma once
// The one ODBC environment of the process.
#include "odbc/HBase.h"
#include "odbc/ODBCError.h"

#include <sql.h>

namespace tarvik {

enum TConnectionPooling { cpDefault, cpOff, cpOnePerDriver, cpOnePerEnv };

class THenv : public THbase {
public:
    // Allocates the environment handle at once. Throws EODBC.
    explicit THenv(TComponent* owner = nullptr);
    // Frees the handle and everything below it; errors are swallowed.
    ~THenv() override;

    bool Init() override;
    // Terminates every connection; the environment handle stays, so returns false while allocated.
    bool Terminate() override;
    void TerminateQuiet() override;
    // Releases the environment handle after terminating everything below it. Throws EODBC.
    bool FreeEnv();

    TODBCError& Error() { return FError; }
    SQLHENV Handle() const { return FHandle; }
    bool Allocated() const { return FAllocated; }
    SQLRETURN LastReturnCode() const { return FRetCode; }
    TChildren& Children() { return FChildren; }

    TConnectionPooling ConnectionPooling() const { return FConnectionPooling; }
    // Same value: nothing. Otherwise FreeEnv, store, Init. Throws EODBC.
    void SetConnectionPooling(TConnectionPooling value);

    bool SuppressErrors() const { return FSuppressErrors; }
    void SetSuppressErrors(bool value) { FSuppressErrors = value; }

    SQLSMALLINT DiagHandleType() const override { return SQL_HANDLE_ENV; }
    SQLHANDLE DiagHandle() override { return FHandle; }

private:
    // Stores the return code and raises on failure.
    void Check(SQLRETURN rc);

    TODBCError FError;
    SQLHENV FHandle = SQL_NULL_HENV;
    bool FAllocated = false;
    SQLRETURN FRetCode = SQL_SUCCESS;
    TChildren FChildren;
    TConnectionPooling FConnectionPooling = cpDefault;
    bool FSuppressErrors = false;
};

// SQL_ATTR_CONNECTION_POOLING value for a pooling setting (cpDefault has none: -1).
long PoolingAttribute(TConnectionPooling pooling);

// The process-wide environment, created (and allocated) on first use. Throws EODBC on first use.
THenv& GlobalEnv();
// Frees the process-wide environment with errors suppressed; the next GlobalEnv makes a new one.
void FreeGlobalEnv() noexcept;

// The native handle of the main window for driver dialogs; null when there is none.
using TParentWindowProvider = void* (*)();
void SetParentWindowProvider(TParentWindowProvider provider);
void* ParentWindow();

} // namespace tarvik
