// SQLGetInfo and SQLGetFunctions: what the driver says about itself and the server.
#include "standin/driver/Handles.h"

#include <cstring>
#include <variant>

using namespace standin;

namespace {

// Every entry point the driver exports; SQLGetFunctions answers from this list only.
const SQLUSMALLINT kFunctions[] = {
    SQL_API_SQLALLOCHANDLE,   SQL_API_SQLFREEHANDLE,     SQL_API_SQLSETENVATTR,
    SQL_API_SQLGETENVATTR,    SQL_API_SQLCONNECT,        SQL_API_SQLDRIVERCONNECT,
    SQL_API_SQLDISCONNECT,    SQL_API_SQLGETCONNECTATTR, SQL_API_SQLSETCONNECTATTR,
    SQL_API_SQLGETINFO,       SQL_API_SQLGETFUNCTIONS,   SQL_API_SQLENDTRAN,
    SQL_API_SQLNATIVESQL,     SQL_API_SQLGETDIAGREC,     SQL_API_SQLGETDIAGFIELD,
    SQL_API_SQLEXECDIRECT,    SQL_API_SQLPREPARE,        SQL_API_SQLEXECUTE,
    SQL_API_SQLNUMRESULTCOLS, SQL_API_SQLDESCRIBECOL,    SQL_API_SQLCOLATTRIBUTE,
    SQL_API_SQLBINDCOL,       SQL_API_SQLFETCH,          SQL_API_SQLFETCHSCROLL,
    SQL_API_SQLGETDATA,       SQL_API_SQLMORERESULTS,    SQL_API_SQLROWCOUNT,
    SQL_API_SQLFREESTMT,      SQL_API_SQLCLOSECURSOR,    SQL_API_SQLCANCEL,
    SQL_API_SQLGETSTMTATTR,   SQL_API_SQLSETSTMTATTR,    SQL_API_SQLGETDESCFIELD,
    SQL_API_SQLSETDESCFIELD,  SQL_API_SQLGETDESCREC,     SQL_API_SQLTABLES,
    SQL_API_SQLCOLUMNS,       SQL_API_SQLPRIMARYKEYS,    SQL_API_SQLSPECIALCOLUMNS,
    SQL_API_SQLSTATISTICS,    SQL_API_SQLPROCEDURES,     SQL_API_SQLPROCEDURECOLUMNS,
    SQL_API_SQLGETTYPEINFO,   SQL_API_SQLGETCURSORNAME,  SQL_API_SQLSETCURSORNAME,
    SQL_API_SQLBINDPARAMETER, SQL_API_SQLNUMPARAMS,      SQL_API_SQLPARAMDATA,
    SQL_API_SQLPUTDATA,       SQL_API_SQLSETPOS,         SQL_API_SQLBULKOPERATIONS};

bool Exported(SQLUSMALLINT id) {
    for (SQLUSMALLINT f : kFunctions)
        if (f == id) return true;
    return false;
}

using Info = std::variant<std::string, SQLUSMALLINT, SQLUINTEGER>;

std::string Yes() {
    return "Y";
}
std::string No() {
    return "N";
}

SQLUSMALLINT U16(unsigned v) {
    return static_cast<SQLUSMALLINT>(v);
}
SQLUINTEGER U32(unsigned long v) {
    return static_cast<SQLUINTEGER>(v);
}

// The answer for one information type; false when the type is unknown.
bool Lookup(Dbc* dbc, SQLUSMALLINT type, Info& out) {
    Session* s = dbc->State.Sess.get();
    switch (type) {
    case SQL_DBMS_NAME:
        out = std::string("Microsoft SQL Server");
        return true;
    case SQL_DBMS_VER:
        out = std::string("08.00.2039");
        return true;
    case SQL_DRIVER_NAME:
        out = std::string("sqlsrv32.dll");
        return true;
    case SQL_DRIVER_VER:
        out = std::string("03.86.0001");
        return true;
    case SQL_DRIVER_ODBC_VER:
        out = std::string("03.52");
        return true;
    case SQL_ODBC_VER:
        out = std::string("03.52.0000");
        return true;
    case SQL_SERVER_NAME:
        out = s ? s->ServerName() : std::string();
        return true;
    case SQL_DATABASE_NAME:
        out = s ? s->DatabaseName() : std::string();
        return true;
    case SQL_DATA_SOURCE_NAME:
        out = dbc->State.DataSource;
        return true;
    case SQL_USER_NAME:
        out = std::string(s && s->Login() == "sa" ? "dbo" : s ? s->Login() : "");
        return true;
    case SQL_IDENTIFIER_QUOTE_CHAR:
        out = std::string("\"");
        return true;
    case SQL_CATALOG_NAME_SEPARATOR:
        out = std::string(".");
        return true;
    case SQL_CATALOG_TERM:
        out = std::string("database");
        return true;
    case SQL_SCHEMA_TERM:
        out = std::string("owner");
        return true;
    case SQL_TABLE_TERM:
        out = std::string("table");
        return true;
    case SQL_PROCEDURE_TERM:
        out = std::string("stored procedure");
        return true;
    case SQL_SEARCH_PATTERN_ESCAPE:
        out = std::string("\\");
        return true;
    case SQL_SPECIAL_CHARACTERS:
        out = std::string("#$");
        return true;
    case SQL_KEYWORDS:
        out = std::string("BREAK,BROWSE,BULK,CHECKPOINT,CLUSTERED,DBCC,DUMP,ERRLVL,HOLDLOCK,NONCLUSTERED,"
                          "PRINT,RAISERROR,READTEXT,TEXTSIZE,TOP,TRAN,TRUNCATE,TSEQUAL,WRITETEXT");
        return true;
    case SQL_CATALOG_NAME:
    case SQL_ACCESSIBLE_TABLES:
    case SQL_ACCESSIBLE_PROCEDURES:
    case SQL_MULT_RESULT_SETS:
    case SQL_MULTIPLE_ACTIVE_TXN:
    case SQL_OUTER_JOINS:
    case SQL_PROCEDURES:
    case SQL_EXPRESSIONS_IN_ORDERBY:
    case SQL_COLUMN_ALIAS:
    case SQL_LIKE_ESCAPE_CLAUSE:
    case SQL_ORDER_BY_COLUMNS_IN_SELECT:
        out = type == SQL_ORDER_BY_COLUMNS_IN_SELECT ? No() : Yes();
        return true;
    case SQL_DATA_SOURCE_READ_ONLY:
    case SQL_NEED_LONG_DATA_LEN:
    case SQL_ROW_UPDATES:
    case SQL_DESCRIBE_PARAMETER:
    case SQL_INTEGRITY:
    case SQL_MAX_ROW_SIZE_INCLUDES_LONG:
        out = No();
        return true;
    case SQL_COLLATION_SEQ:
        out = std::string("Slovenian_CI_AS");
        return true;
    case SQL_TXN_CAPABLE:
        out = U16(SQL_TC_ALL);
        return true;
    case SQL_CURSOR_COMMIT_BEHAVIOR:
    case SQL_CURSOR_ROLLBACK_BEHAVIOR:
        out = U16(SQL_CB_CLOSE);
        return true;
    case SQL_DEFAULT_TXN_ISOLATION:
        out = U32(SQL_TXN_READ_COMMITTED);
        return true;
    case SQL_TXN_ISOLATION_OPTION:
        out = U32(SQL_TXN_READ_UNCOMMITTED | SQL_TXN_READ_COMMITTED | SQL_TXN_REPEATABLE_READ |
                  SQL_TXN_SERIALIZABLE);
        return true;
    case SQL_MAX_DRIVER_CONNECTIONS:
    case SQL_MAX_CONCURRENT_ACTIVITIES:
        out = U16(0);
        return true;
    case SQL_ASYNC_MODE:
        out = U32(SQL_AM_STATEMENT);
        return true;
    case SQL_MAX_ASYNC_CONCURRENT_STATEMENTS:
        out = U32(0);
        return true;
    case SQL_GETDATA_EXTENSIONS:
        out = U32(SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND);
        return true;
    case SQL_SCROLL_OPTIONS:
        out = U32(SQL_SO_FORWARD_ONLY | SQL_SO_STATIC);
        return true;
    case SQL_STATIC_CURSOR_ATTRIBUTES1:
        out =
            U32(SQL_CA1_NEXT | SQL_CA1_ABSOLUTE | SQL_CA1_RELATIVE | SQL_CA1_LOCK_NO_CHANGE |
                SQL_CA1_POS_POSITION | SQL_CA1_POS_UPDATE | SQL_CA1_POS_DELETE | SQL_CA1_POS_REFRESH |
                SQL_CA1_POSITIONED_UPDATE | SQL_CA1_POSITIONED_DELETE | SQL_CA1_BULK_ADD | SQL_CA1_BOOKMARK);
        return true;
    case SQL_STATIC_CURSOR_ATTRIBUTES2:
        out = U32(SQL_CA2_READ_ONLY_CONCURRENCY | SQL_CA2_OPT_VALUES_CONCURRENCY | SQL_CA2_CRC_EXACT |
                  SQL_CA2_MAX_ROWS_SELECT);
        return true;
    case SQL_POS_OPERATIONS:
        out = U32(SQL_POS_POSITION | SQL_POS_REFRESH | SQL_POS_UPDATE | SQL_POS_DELETE | SQL_POS_ADD);
        return true;
    case SQL_LOCK_TYPES:
        out = U32(SQL_LCK_NO_CHANGE);
        return true;
    case SQL_POSITIONED_STATEMENTS:
        out = U32(SQL_PS_POSITIONED_DELETE | SQL_PS_POSITIONED_UPDATE);
        return true;
    case SQL_BOOKMARK_PERSISTENCE:
        out = U32(SQL_BP_SCROLL | SQL_BP_UPDATE | SQL_BP_DELETE);
        return true;
    case SQL_FETCH_DIRECTION:
        out = U32(SQL_FD_FETCH_NEXT | SQL_FD_FETCH_FIRST | SQL_FD_FETCH_LAST | SQL_FD_FETCH_PRIOR |
                  SQL_FD_FETCH_ABSOLUTE | SQL_FD_FETCH_RELATIVE | SQL_FD_FETCH_BOOKMARK);
        return true;
    case SQL_SCROLL_CONCURRENCY:
        out = U32(SQL_SCCO_READ_ONLY | SQL_SCCO_OPT_VALUES);
        return true;
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1:
        out = U32(SQL_CA1_NEXT);
        return true;
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES2:
        out = U32(SQL_CA2_READ_ONLY_CONCURRENCY | SQL_CA2_MAX_ROWS_SELECT);
        return true;
    case SQL_KEYSET_CURSOR_ATTRIBUTES1:
    case SQL_KEYSET_CURSOR_ATTRIBUTES2:
    case SQL_DYNAMIC_CURSOR_ATTRIBUTES1:
    case SQL_DYNAMIC_CURSOR_ATTRIBUTES2:
    case SQL_STATIC_SENSITIVITY:
        out = U32(0);
        return true;
    case SQL_CURSOR_SENSITIVITY:
        out = U32(SQL_INSENSITIVE);
        return true;
    case SQL_ODBC_INTERFACE_CONFORMANCE:
        out = U32(SQL_OIC_CORE);
        return true;
    case SQL_SQL_CONFORMANCE:
        out = U32(SQL_SC_SQL92_ENTRY);
        return true;
    case SQL_ODBC_SQL_CONFORMANCE:
        out = U16(SQL_OSC_CORE);
        return true;
    case SQL_ODBC_API_CONFORMANCE:
        out = U16(SQL_OAC_LEVEL2);
        return true;
    case SQL_CONCAT_NULL_BEHAVIOR:
        out = U16(SQL_CB_NULL);
        return true;
    case SQL_NON_NULLABLE_COLUMNS:
        out = U16(SQL_NNC_NON_NULL);
        return true;
    case SQL_CORRELATION_NAME:
        out = U16(SQL_CN_ANY);
        return true;
    case SQL_GROUP_BY:
        out = U16(SQL_GB_GROUP_BY_CONTAINS_SELECT);
        return true;
    case SQL_IDENTIFIER_CASE:
    case SQL_QUOTED_IDENTIFIER_CASE:
        out = U16(SQL_IC_MIXED);
        return true;
    case SQL_NULL_COLLATION:
        out = U16(SQL_NC_LOW);
        return true;
    case SQL_FILE_USAGE:
        out = U16(SQL_FILE_NOT_SUPPORTED);
        return true;
    case SQL_CATALOG_LOCATION:
        out = U16(SQL_CL_START);
        return true;
    case SQL_CATALOG_USAGE:
        out = U32(SQL_CU_DML_STATEMENTS | SQL_CU_PROCEDURE_INVOCATION | SQL_CU_TABLE_DEFINITION);
        return true;
    case SQL_SCHEMA_USAGE:
        out = U32(SQL_SU_DML_STATEMENTS | SQL_SU_PROCEDURE_INVOCATION | SQL_SU_TABLE_DEFINITION |
                  SQL_SU_INDEX_DEFINITION);
        return true;
    case SQL_MAX_COLUMN_NAME_LEN:
    case SQL_MAX_TABLE_NAME_LEN:
    case SQL_MAX_SCHEMA_NAME_LEN:
    case SQL_MAX_CATALOG_NAME_LEN:
    case SQL_MAX_PROCEDURE_NAME_LEN:
    case SQL_MAX_CURSOR_NAME_LEN:
    case SQL_MAX_USER_NAME_LEN:
        out = U16(128);
        return true;
    case SQL_MAX_COLUMNS_IN_TABLE:
    case SQL_MAX_COLUMNS_IN_SELECT:
        out = U16(4096);
        return true;
    case SQL_MAX_COLUMNS_IN_INDEX:
    case SQL_MAX_COLUMNS_IN_ORDER_BY:
    case SQL_MAX_COLUMNS_IN_GROUP_BY:
        out = U16(16);
        return true;
    case SQL_MAX_TABLES_IN_SELECT:
        out = U16(256);
        return true;
    case SQL_MAX_INDEX_SIZE:
        out = U32(900);
        return true;
    case SQL_MAX_ROW_SIZE:
        out = U32(8060);
        return true;
    case SQL_MAX_STATEMENT_LEN:
        out = U32(131072);
        return true;
    case SQL_MAX_CHAR_LITERAL_LEN:
    case SQL_MAX_BINARY_LITERAL_LEN:
        out = U32(524288);
        return true;
    case SQL_PARAM_ARRAY_ROW_COUNTS:
        out = U32(SQL_PARC_BATCH);
        return true;
    case SQL_PARAM_ARRAY_SELECTS:
        out = U32(SQL_PAS_BATCH);
        return true;
    case SQL_BATCH_SUPPORT:
        out = U32(SQL_BS_SELECT_EXPLICIT | SQL_BS_ROW_COUNT_EXPLICIT);
        return true;
    case SQL_BATCH_ROW_COUNT:
        out = U32(SQL_BRC_EXPLICIT);
        return true;
    case SQL_STRING_FUNCTIONS:
        out = U32(SQL_FN_STR_LENGTH | SQL_FN_STR_SUBSTRING | SQL_FN_STR_LTRIM | SQL_FN_STR_RTRIM |
                  SQL_FN_STR_UCASE | SQL_FN_STR_LCASE | SQL_FN_STR_REPLACE);
        return true;
    case SQL_NUMERIC_FUNCTIONS:
        out = U32(SQL_FN_NUM_ABS | SQL_FN_NUM_ROUND);
        return true;
    case SQL_TIMEDATE_FUNCTIONS:
        out = U32(SQL_FN_TD_NOW | SQL_FN_TD_CURDATE);
        return true;
    case SQL_SYSTEM_FUNCTIONS:
        out = U32(SQL_FN_SYS_IFNULL);
        return true;
    case SQL_CONVERT_FUNCTIONS:
        out = U32(SQL_FN_CVT_CAST);
        return true;
    case SQL_AGGREGATE_FUNCTIONS:
        out = U32(SQL_AF_ALL | SQL_AF_AVG | SQL_AF_COUNT | SQL_AF_DISTINCT | SQL_AF_MAX | SQL_AF_MIN |
                  SQL_AF_SUM);
        return true;
    case SQL_SUBQUERIES:
        out = U32(SQL_SQ_COMPARISON | SQL_SQ_EXISTS | SQL_SQ_IN | SQL_SQ_QUANTIFIED |
                  SQL_SQ_CORRELATED_SUBQUERIES);
        return true;
    case SQL_UNION:
        out = U32(SQL_U_UNION | SQL_U_UNION_ALL);
        return true;
    case SQL_OJ_CAPABILITIES:
        out = U32(SQL_OJ_LEFT | SQL_OJ_NESTED | SQL_OJ_NOT_ORDERED | SQL_OJ_INNER);
        return true;
    case SQL_ACTIVE_ENVIRONMENTS:
        out = U16(0);
        return true;
    default:
        return false;
    }
}

} // namespace

extern "C" {

SQLRETURN SQL_API SQLGetInfo(SQLHDBC handle, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT length,
                             SQLSMALLINT* outLength) {
    Dbc* dbc = AsDbc(handle);
    return Guard(dbc, [&]() -> SQLRETURN {
        Info info;
        if (!Lookup(dbc, type, info)) return dbc->Diag.Fail("HY096", "Information type out of range");
        if (auto* s = std::get_if<std::string>(&info))
            return PutString(*s, static_cast<SQLCHAR*>(value), length, outLength, dbc->Diag);
        if (auto* u16 = std::get_if<SQLUSMALLINT>(&info)) {
            if (value) std::memcpy(value, u16, sizeof *u16);
            if (outLength) *outLength = sizeof *u16;
        } else {
            auto u32 = std::get<SQLUINTEGER>(info);
            if (value) std::memcpy(value, &u32, sizeof u32);
            if (outLength) *outLength = sizeof u32;
        }
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLGetFunctions(SQLHDBC handle, SQLUSMALLINT id, SQLUSMALLINT* supported) {
    Dbc* dbc = AsDbc(handle);
    return Guard(dbc, [&]() -> SQLRETURN {
        if (!supported) return SQL_SUCCESS;
        if (id == SQL_API_ODBC3_ALL_FUNCTIONS) {
            std::memset(supported, 0, sizeof(SQLUSMALLINT) * SQL_API_ODBC3_ALL_FUNCTIONS_SIZE);
            for (SQLUSMALLINT f : kFunctions)
                supported[f >> 4] |= static_cast<SQLUSMALLINT>(1 << (f & 0xF));
        } else if (id == SQL_API_ALL_FUNCTIONS) {
            std::memset(supported, 0, sizeof(SQLUSMALLINT) * 100);
            for (SQLUSMALLINT f : kFunctions)
                if (f < 100) supported[f] = SQL_TRUE;
        } else {
            *supported = Exported(id) ? SQL_TRUE : SQL_FALSE;
        }
        return SQL_SUCCESS;
    });
}

} // extern "C"
