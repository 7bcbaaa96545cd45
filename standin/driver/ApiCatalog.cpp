// Catalog entry points: each opens a materialised result on the statement.
#include "standin/driver/Handles.h"
#include "standin/engine/CatalogResults.h"

using namespace standin;

namespace {

Arg Text(SQLCHAR* text, SQLSMALLINT length) {
    if (!text) return std::nullopt;
    return ArgText(text, length);
}

// `function` names the calling entry point, under which the call is counted.
template <typename F>
SQLRETURN Open(SQLHSTMT handle, F&& build, const char* function = __builtin_FUNCTION()) {
    Stmt* s = AsStmt(handle);
    return Guard(
        s,
        [&]() -> SQLRETURN {
            s->Conn->State.CheckLink();
            s->CloseCursor();
            s->Prepared = false;
            s->Current.Rows = build(*s->Conn->State.Sess);
            s->HasResult = true;
            return SQL_SUCCESS;
        },
        function);
}

} // namespace

extern "C" {

SQLRETURN SQL_API SQLTables(SQLHSTMT handle, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* schema,
                            SQLSMALLINT schemaLength, SQLCHAR* table, SQLSMALLINT tableLength, SQLCHAR* type,
                            SQLSMALLINT typeLength) {
    return Open(handle, [&](Session& s) {
        return Tables(s, Text(catalog, catalogLength), Text(schema, schemaLength), Text(table, tableLength),
                      Text(type, typeLength));
    });
}

SQLRETURN SQL_API SQLColumns(SQLHSTMT handle, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* schema,
                             SQLSMALLINT schemaLength, SQLCHAR* table, SQLSMALLINT tableLength,
                             SQLCHAR* column, SQLSMALLINT columnLength) {
    return Open(handle, [&](Session& s) {
        return Columns(s, Text(catalog, catalogLength), Text(schema, schemaLength), Text(table, tableLength),
                       Text(column, columnLength));
    });
}

SQLRETURN SQL_API SQLPrimaryKeys(SQLHSTMT handle, SQLCHAR* catalog, SQLSMALLINT catalogLength,
                                 SQLCHAR* schema, SQLSMALLINT schemaLength, SQLCHAR* table,
                                 SQLSMALLINT tableLength) {
    return Open(handle, [&](Session& s) {
        return PrimaryKeys(s, Text(catalog, catalogLength), Text(schema, schemaLength),
                           Text(table, tableLength).value_or(""));
    });
}

SQLRETURN SQL_API SQLSpecialColumns(SQLHSTMT handle, SQLUSMALLINT identifier, SQLCHAR* catalog,
                                    SQLSMALLINT catalogLength, SQLCHAR*, SQLSMALLINT, SQLCHAR* table,
                                    SQLSMALLINT tableLength, SQLUSMALLINT, SQLUSMALLINT) {
    return Open(handle, [&](Session& s) {
        return SpecialColumns(s, identifier, Text(catalog, catalogLength),
                              Text(table, tableLength).value_or(""));
    });
}

SQLRETURN SQL_API SQLStatistics(SQLHSTMT handle, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR*,
                                SQLSMALLINT, SQLCHAR* table, SQLSMALLINT tableLength, SQLUSMALLINT unique,
                                SQLUSMALLINT) {
    return Open(handle, [&](Session& s) {
        return Statistics(s, Text(catalog, catalogLength), Text(table, tableLength).value_or(""),
                          unique == SQL_INDEX_UNIQUE, false);
    });
}

SQLRETURN SQL_API SQLProcedures(SQLHSTMT handle, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* schema,
                                SQLSMALLINT schemaLength, SQLCHAR* name, SQLSMALLINT nameLength) {
    return Open(handle, [&](Session& s) {
        return Procedures(s, Text(catalog, catalogLength), Text(schema, schemaLength), Text(name, nameLength),
                          false);
    });
}

SQLRETURN SQL_API SQLProcedureColumns(SQLHSTMT handle, SQLCHAR* catalog, SQLSMALLINT catalogLength,
                                      SQLCHAR* schema, SQLSMALLINT schemaLength, SQLCHAR* name,
                                      SQLSMALLINT nameLength, SQLCHAR* column, SQLSMALLINT columnLength) {
    return Open(handle, [&](Session& s) {
        return ProcedureColumns(s, Text(catalog, catalogLength), Text(schema, schemaLength),
                                Text(name, nameLength), Text(column, columnLength));
    });
}

SQLRETURN SQL_API SQLGetTypeInfo(SQLHSTMT handle, SQLSMALLINT type) {
    return Open(handle, [&](Session&) { return TypeInfo(type); });
}

} // extern "C"
