#include "odbc/HEnv.h"

#include "odbc/Trace.h"

#include <memory>

namespace tarvik {

namespace {
struct EnvHolder {
    std::unique_ptr<THenv> env;
    ~EnvHolder() { FreeGlobalEnv(); }
};
EnvHolder& Holder() {
    static EnvHolder holder;
    return holder;
}
TParentWindowProvider parentWindowProvider = nullptr;
} // namespace

long PoolingAttribute(TConnectionPooling pooling) {
    switch (pooling) {
    case cpOff:
        return SQL_CP_OFF;
    case cpOnePerDriver:
        return SQL_CP_ONE_PER_DRIVER;
    case cpOnePerEnv:
        return SQL_CP_ONE_PER_HENV;
    case cpDefault:
        break;
    }
    return -1;
}

THenv::THenv(TComponent* owner) : THbase(owner) {
    Init();
}

THenv::~THenv() {
    try {
        FreeEnv();
    } catch (...) {
        // Program end: nothing may escape.
        SwallowODBCError();
    }
    FChildren.Clear();
}

void THenv::Check(SQLRETURN rc) {
    FRetCode = rc;
    if (!FError.Success(rc)) FError.RaiseODBCError(this, rc);
}

bool THenv::Init() {
    Trace(1, "THenv.Init");
    if (FAllocated) return true;
    if (FConnectionPooling != cpDefault) {
        SQLPOINTER current = nullptr;
        FRetCode = SQLGetEnvAttr(SQL_NULL_HENV, SQL_ATTR_CONNECTION_POOLING, &current, 0, nullptr);
        const auto wanted = static_cast<SQLULEN>(PoolingAttribute(FConnectionPooling));
        if (Success(FRetCode) && reinterpret_cast<SQLULEN>(current) != wanted)
            Check(SQLSetEnvAttr(SQL_NULL_HENV, SQL_ATTR_CONNECTION_POOLING,
                                reinterpret_cast<SQLPOINTER>(wanted), SQL_IS_UINTEGER));
    }
    SQLHENV handle = SQL_NULL_HENV;
    Check(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle));
    FHandle = handle;
    try {
        Check(SQLSetEnvAttr(FHandle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0));
    } catch (...) {
        // The exception holds the diagnostics already; a handle without a version is of no use.
        SQLFreeHandle(SQL_HANDLE_ENV, FHandle);
        FHandle = SQL_NULL_HENV;
        throw;
    }
    FAllocated = true;
    THbase::Init();
    return true;
}

bool THenv::Terminate() {
    Trace(1, "THenv.Terminate");
    THbase::Terminate();
    FChildren.TerminateAll();
    return !FAllocated;
}

void THenv::TerminateQuiet() {
    const bool old = FSuppressErrors;
    FSuppressErrors = true;
    try {
        Terminate();
    } catch (...) {
        FSuppressErrors = old;
        throw;
    }
    FSuppressErrors = old;
}

bool THenv::FreeEnv() {
    if (FAllocated) {
        Terminate();
        Check(SQLFreeHandle(SQL_HANDLE_ENV, FHandle));
        FHandle = SQL_NULL_HENV;
        FAllocated = false;
    }
    return !FAllocated;
}

void THenv::SetConnectionPooling(TConnectionPooling value) {
    if (value == FConnectionPooling) return;
    FreeEnv();
    FConnectionPooling = value;
    Init();
}

THenv& GlobalEnv() {
    EnvHolder& holder = Holder();
    if (!holder.env) holder.env = std::make_unique<THenv>();
    return *holder.env;
}

void FreeGlobalEnv() noexcept {
    EnvHolder& holder = Holder();
    if (!holder.env) return;
    // The environment stays reachable while it is freed: connections and statements terminated
    // on the way ask GlobalEnv() for it (to leave its list, to learn that errors are suppressed),
    // and must not get a fresh environment that raises.
    THenv& env = *holder.env;
    env.SetSuppressErrors(true);
    try {
        env.FreeEnv();
    } catch (...) {
    }
    holder.env.reset();
}

void SetParentWindowProvider(TParentWindowProvider provider) {
    parentWindowProvider = provider;
}

void* ParentWindow() {
    return parentWindowProvider ? parentWindowProvider() : nullptr;
}

} // namespace tarvik
