// Entry points for handles, connecting, connection attributes and transactions.
#include "standin/driver/Handles.h"
#include "standin/driver/Rowset.h"
#include "standin/driver/Settings.h"

#include <cstring>

using namespace standin;

namespace {

SQLRETURN Connect(Dbc* dbc, const std::map<std::string, std::string>& keys, const std::string& function,
                  const std::string& text) {
    if (dbc->Connected()) throw SqlError("08002", 0, "Connection name in use", false);
    ConnectTarget target = ResolveTarget(keys);
    auto session = std::make_unique<Session>(target.Login);
    ConnectionState& st = dbc->State;
    st.ConnectFunction = function;
    st.ConnectString = text;
    st.DataSource = target.DataSource;
    st.AsyncPolls = target.AsyncPolls;
    st.Drop = ArmedLinkDrop(target.Drop);
    st.Runs = 0;
    st.Fault.reset();
    st.Broken = false;
    st.Calls.clear();
    st.Sess = std::move(session);
    dbc->Diag.Add(
        DiagRecord{"01000", 5701, "Changed database context to '" + st.Sess->DatabaseName() + "'.", true});
    dbc->Diag.Add(DiagRecord{"01000", 5703, "Changed language setting to us_english.", true});
    return SQL_SUCCESS_WITH_INFO;
}

void FreeStatement(Stmt* s) {
    s->OutputTargets.clear(); // nobody waits for output values of a statement being freed
    s->CloseCursor();
    s->Conn->Statements.erase(s);
    delete s;
}

void Disconnect(Dbc* dbc) {
    while (!dbc->Statements.empty())
        FreeStatement(*dbc->Statements.begin());
    if (dbc->State.Sess) {
        sqlite3* db = dbc->State.Sess->Current()->Handle();
        if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    dbc->State.Sess.reset();
    dbc->State.Fault.reset();
    dbc->State.Broken = false;
}

void EndTran(Dbc* dbc, SQLSMALLINT completion) {
    if (!dbc->Connected()) throw SqlError("08003", 0, "Connection not open", false);
    dbc->State.CheckLink();
    for (Stmt* s : dbc->Statements)
        s->CloseCursor();
    sqlite3* db = dbc->State.Sess->Current()->Handle();
    if (sqlite3_get_autocommit(db)) return;
    ExecSql(db, completion == SQL_COMMIT ? "COMMIT" : "ROLLBACK");
}

SQLRETURN SetConnectAttr(Dbc* dbc, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER length) {
    auto number = reinterpret_cast<SQLULEN>(value);
    switch (attr) {
    case SQL_ATTR_AUTOCOMMIT:
        dbc->State.AutoCommit = number == SQL_AUTOCOMMIT_ON;
        if (dbc->State.AutoCommit && dbc->Connected()) {
            sqlite3* db = dbc->State.Sess->Current()->Handle();
            if (!sqlite3_get_autocommit(db)) ExecSql(db, "COMMIT");
        }
        return SQL_SUCCESS;
    case SQL_ATTR_TXN_ISOLATION:
        if (number != SQL_TXN_READ_UNCOMMITTED && number != SQL_TXN_READ_COMMITTED &&
            number != SQL_TXN_REPEATABLE_READ && number != SQL_TXN_SERIALIZABLE)
            return dbc->Diag.Fail("HY024", "Invalid attribute value");
        dbc->TxnIsolation = number;
        return SQL_SUCCESS;
    case SQL_ATTR_ODBC_CURSORS:
        dbc->OdbcCursors = number;
        return SQL_SUCCESS;
    case SQL_ATTR_ASYNC_ENABLE:
        dbc->AsyncEnable = number;
        return SQL_SUCCESS;
    case SQL_ATTR_CURRENT_CATALOG: {
        std::string name = ArgText(static_cast<SQLCHAR*>(value), length);
        if (!dbc->Connected()) {
            dbc->Attributes[attr] = 0;
            return SQL_SUCCESS;
        }
        dbc->State.Sess->Use(name);
        return SQL_SUCCESS;
    }
    default:
        dbc->Attributes[attr] = number;
        return SQL_SUCCESS;
    }
}

SQLRETURN GetConnectAttr(Dbc* dbc, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER length,
                         SQLINTEGER* outLength) {
    SQLULEN number;
    switch (attr) {
    case SQL_ATTR_AUTOCOMMIT:
        number = dbc->State.AutoCommit ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
        break;
    case SQL_ATTR_TXN_ISOLATION:
        number = dbc->TxnIsolation;
        break;
    case SQL_ATTR_ODBC_CURSORS:
        number = dbc->OdbcCursors;
        break;
    case SQL_ATTR_ASYNC_ENABLE:
        number = dbc->AsyncEnable;
        break;
    case SQL_ATTR_CONNECTION_DEAD:
        number = !dbc->Connected() || dbc->State.Broken ? SQL_CD_TRUE : SQL_CD_FALSE;
        break;
    case SQL_ATTR_ACCESS_MODE:
        number = SQL_MODE_READ_WRITE;
        break;
    case SQL_ATTR_CURRENT_CATALOG:
        if (!dbc->Connected()) return dbc->Diag.Fail("08003", "Connection not open");
        return PutString(dbc->State.Sess->DatabaseName(), value, length, outLength, dbc->Diag);
    default: {
        auto it = dbc->Attributes.find(attr);
        if (it == dbc->Attributes.end()) {
            if (attr == SQL_ATTR_LOGIN_TIMEOUT || attr == SQL_ATTR_CONNECTION_TIMEOUT ||
                attr == SQL_ATTR_PACKET_SIZE)
                number = 0;
            else
                return dbc->Diag.Fail("HY092", "Invalid attribute/option identifier");
        } else {
            number = it->second;
        }
    }
    }
    if (value) {
        SQLUINTEGER narrow = static_cast<SQLUINTEGER>(number);
        std::memcpy(value, &narrow, sizeof narrow);
    }
    if (outLength) *outLength = sizeof(SQLUINTEGER);
    return SQL_SUCCESS;
}

} // namespace

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
    if (!output) return SQL_ERROR;
    *output = SQL_NULL_HANDLE;
    try {
        switch (type) {
        case SQL_HANDLE_ENV:
            *output = new Env();
            return SQL_SUCCESS;
        case SQL_HANDLE_DBC: {
            Env* env = AsEnv(input);
            if (!env) return SQL_INVALID_HANDLE;
            auto* dbc = new Dbc(env);
            dbc->State.CurrentRowOf = [dbc](const std::string& name) { return CurrentRowOf(*dbc, name); };
            env->Connections.insert(dbc);
            *output = dbc;
            return SQL_SUCCESS;
        }
        case SQL_HANDLE_STMT: {
            Dbc* dbc = AsDbc(input);
            if (!dbc) return SQL_INVALID_HANDLE;
            return Guard(dbc, [&]() -> SQLRETURN {
                if (!dbc->Connected()) return dbc->Diag.Fail("08003", "Connection not open");
                auto* s = new Stmt(dbc);
                s->AsyncEnable = dbc->AsyncEnable;
                dbc->Statements.insert(s);
                *output = s;
                return SQL_SUCCESS;
            });
        }
        case SQL_HANDLE_DESC: {
            Dbc* dbc = AsDbc(input);
            if (!dbc) return SQL_INVALID_HANDLE;
            *output = new Desc(nullptr, SQL_ATTR_APP_ROW_DESC);
            return SQL_SUCCESS;
        }
        default:
            return SQL_ERROR;
        }
    } catch (...) {
        return SQL_ERROR;
    }
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
    switch (type) {
    case SQL_HANDLE_ENV: {
        Env* env = AsEnv(handle);
        if (!env) return SQL_INVALID_HANDLE;
        if (!env->Connections.empty())
            return Guard(env,
                         [&]() -> SQLRETURN { return env->Diag.Fail("HY010", "Function sequence error"); });
        env->Kind = HandleKind{};
        delete env;
        return SQL_SUCCESS;
    }
    case SQL_HANDLE_DBC: {
        Dbc* dbc = AsDbc(handle);
        if (!dbc) return SQL_INVALID_HANDLE;
        Disconnect(dbc);
        dbc->Owner->Connections.erase(dbc);
        dbc->Kind = HandleKind{};
        delete dbc;
        return SQL_SUCCESS;
    }
    case SQL_HANDLE_STMT: {
        Stmt* s = AsStmt(handle);
        if (!s) return SQL_INVALID_HANDLE;
        s->Kind = HandleKind{};
        FreeStatement(s);
        return SQL_SUCCESS;
    }
    case SQL_HANDLE_DESC: {
        Desc* d = AsDesc(handle);
        if (!d) return SQL_INVALID_HANDLE;
        if (d->Owner)
            return Guard(d, [&]() -> SQLRETURN {
                return d->Diag.Fail("HY017", "Invalid use of an automatically allocated descriptor handle");
            });
        d->Kind = HandleKind{};
        delete d;
        return SQL_SUCCESS;
    }
    default:
        return SQL_ERROR;
    }
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
    Env* env = AsEnv(handle);
    return Guard(env, [&]() -> SQLRETURN {
        if (attr == SQL_ATTR_ODBC_VERSION)
            env->OdbcVersion = static_cast<SQLINTEGER>(reinterpret_cast<SQLLEN>(value));
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER,
                                SQLINTEGER* length) {
    Env* env = AsEnv(handle);
    return Guard(env, [&]() -> SQLRETURN {
        SQLINTEGER v = attr == SQL_ATTR_ODBC_VERSION ? env->OdbcVersion
                       : attr == SQL_ATTR_OUTPUT_NTS ? SQL_TRUE
                                                     : 0;
        if (value) std::memcpy(value, &v, sizeof v);
        if (length) *length = sizeof v;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLConnect(SQLHDBC handle, SQLCHAR* dsn, SQLSMALLINT dsnLength, SQLCHAR* user,
                             SQLSMALLINT userLength, SQLCHAR* password, SQLSMALLINT passwordLength) {
    Dbc* dbc = AsDbc(handle);
    return Guard(dbc, [&]() -> SQLRETURN {
        std::map<std::string, std::string> keys{{"DSN", ArgText(dsn, dsnLength)},
                                                {"UID", ArgText(user, userLength)},
                                                {"PWD", ArgText(password, passwordLength)}};
        std::string text = "DSN=" + keys["DSN"] + ";UID=" + keys["UID"] + ";PWD=" + keys["PWD"] + ";";
        return Connect(dbc, keys, "SQLConnect", text);
    });
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC handle, SQLHWND, SQLCHAR* in, SQLSMALLINT inLength, SQLCHAR* out,
                                   SQLSMALLINT outMax, SQLSMALLINT* outLength, SQLUSMALLINT) {
    Dbc* dbc = AsDbc(handle);
    return Guard(dbc, [&]() -> SQLRETURN {
        std::string text = ArgText(in, inLength);
        SQLRETURN rc = Connect(dbc, ParseConnectionString(text), "SQLDriverConnect", text);
        if (PutString(text, out, outMax, outLength, dbc->Diag) != SQL_SUCCESS) rc = SQL_SUCCESS_WITH_INFO;
        return rc;
    });
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC handle) {
    Dbc* dbc = AsDbc(handle);
    return Guard(dbc, [&]() -> SQLRETURN {
        Disconnect(dbc);
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER length) {
    Dbc* dbc = AsDbc(handle);
    return Guard(dbc, [&]() -> SQLRETURN { return SetConnectAttr(dbc, attr, value, length); });
}

SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER length,
                                    SQLINTEGER* outLength) {
    Dbc* dbc = AsDbc(handle);
    return Guard(dbc, [&]() -> SQLRETURN { return GetConnectAttr(dbc, attr, value, length, outLength); });
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
    if (type == SQL_HANDLE_ENV) {
        Env* env = AsEnv(handle);
        return Guard(env, [&]() -> SQLRETURN {
            for (Dbc* dbc : env->Connections)
                if (dbc->Connected()) EndTran(dbc, completion);
            return SQL_SUCCESS;
        });
    }
    Dbc* dbc = AsDbc(handle);
    return Guard(dbc, [&]() -> SQLRETURN {
        EndTran(dbc, completion);
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLNativeSql(SQLHDBC handle, SQLCHAR* in, SQLINTEGER inLength, SQLCHAR* out,
                               SQLINTEGER outMax, SQLINTEGER* outLength) {
    Dbc* dbc = AsDbc(handle);
    return Guard(dbc, [&]() -> SQLRETURN {
        return PutString(ArgText(in, inLength), out, outMax, outLength, dbc->Diag);
    });
}

} // extern "C"
