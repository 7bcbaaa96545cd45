// Descriptor entry points: the application row descriptor's bindings and the
// implementation row descriptor's column descriptions.
#include "standin/driver/ColumnAttributes.h"
#include "standin/driver/Handles.h"

#include <cstring>

using namespace standin;

namespace {

enum class Width { Small, Integer, Len, Pointer };

Width FieldWidth(SQLSMALLINT field) {
    switch (field) {
    case SQL_DESC_AUTO_UNIQUE_VALUE:
    case SQL_DESC_CASE_SENSITIVE:
    case SQL_DESC_NUM_PREC_RADIX:
    case SQL_DESC_DATETIME_INTERVAL_PRECISION:
    case SQL_DESC_BIND_TYPE:
        return Width::Integer;
    case SQL_DESC_DISPLAY_SIZE:
    case SQL_DESC_OCTET_LENGTH:
    case SQL_DESC_LENGTH:
    case SQL_DESC_ARRAY_SIZE:
        return Width::Len;
    case SQL_DESC_DATA_PTR:
    case SQL_DESC_INDICATOR_PTR:
    case SQL_DESC_OCTET_LENGTH_PTR:
    case SQL_DESC_ARRAY_STATUS_PTR:
    case SQL_DESC_BIND_OFFSET_PTR:
    case SQL_DESC_ROWS_PROCESSED_PTR:
        return Width::Pointer;
    default:
        return Width::Small;
    }
}

SQLRETURN PutField(SQLSMALLINT field, SQLLEN number, SQLPOINTER pointer, SQLPOINTER value,
                   SQLINTEGER* length) {
    Width w = FieldWidth(field);
    SQLINTEGER size = 0;
    if (w == Width::Small) {
        SQLSMALLINT v = static_cast<SQLSMALLINT>(number);
        if (value) std::memcpy(value, &v, sizeof v);
        size = sizeof v;
    } else if (w == Width::Integer) {
        SQLINTEGER v = static_cast<SQLINTEGER>(number);
        if (value) std::memcpy(value, &v, sizeof v);
        size = sizeof v;
    } else if (w == Width::Len) {
        if (value) std::memcpy(value, &number, sizeof number);
        size = sizeof number;
    } else {
        if (value) std::memcpy(value, &pointer, sizeof pointer);
        size = sizeof pointer;
    }
    if (length) *length = size;
    return SQL_SUCCESS;
}

SQLRETURN GetImplementationField(Desc* d, SQLSMALLINT record, SQLSMALLINT field, SQLPOINTER value,
                                 SQLINTEGER max, SQLINTEGER* length) {
    const auto* cols = d->Owner ? d->Owner->Columns() : nullptr;
    if (field == SQL_DESC_COUNT)
        return PutField(field, cols ? static_cast<SQLLEN>(cols->size()) : 0, nullptr, value, length);
    if (field == SQL_DESC_ALLOC_TYPE) return PutField(field, SQL_DESC_ALLOC_AUTO, nullptr, value, length);
    if (field == SQL_DESC_ARRAY_STATUS_PTR) return PutField(field, 0, d->ArrayStatus, value, length);
    if (field == SQL_DESC_ROWS_PROCESSED_PTR) return PutField(field, 0, d->RowsProcessed, value, length);
    if (!cols || record < 1 || static_cast<size_t>(record) > cols->size())
        return d->Diag.Fail("07009", "Invalid descriptor index");
    const ColumnInfo& c = (*cols)[static_cast<size_t>(record) - 1];
    std::string text;
    if (TextAttribute(c, static_cast<SQLUSMALLINT>(field), text))
        return PutString(text, value, max, length, d->Diag);
    bool known;
    SQLLEN n = NumericAttribute(c, static_cast<SQLUSMALLINT>(field), known);
    if (!known) return d->Diag.Fail("HY091", "Invalid descriptor field identifier");
    return PutField(field, n, nullptr, value, length);
}

SQLRETURN GetApplicationField(Desc* d, SQLSMALLINT record, SQLSMALLINT field, SQLPOINTER value,
                              SQLINTEGER* length) {
    switch (field) {
    case SQL_DESC_COUNT:
        return PutField(field, d->Records.empty() ? 0 : static_cast<SQLLEN>(d->Records.size()) - 1, nullptr,
                        value, length);
    case SQL_DESC_ALLOC_TYPE:
        return PutField(field, d->Owner ? SQL_DESC_ALLOC_AUTO : SQL_DESC_ALLOC_USER, nullptr, value, length);
    case SQL_DESC_ARRAY_SIZE:
        return PutField(field, static_cast<SQLLEN>(d->ArraySize), nullptr, value, length);
    case SQL_DESC_BIND_TYPE:
        return PutField(field, static_cast<SQLLEN>(d->BindType), nullptr, value, length);
    case SQL_DESC_BIND_OFFSET_PTR:
        return PutField(field, 0, d->BindOffset, value, length);
    case SQL_DESC_ARRAY_STATUS_PTR:
        return PutField(field, 0, d->ArrayStatus, value, length);
    default:
        break;
    }
    if (record < 0 || static_cast<size_t>(record) >= d->Records.size()) return SQL_NO_DATA;
    const Binding& b = d->Records[static_cast<size_t>(record)];
    switch (field) {
    case SQL_DESC_TYPE:
    case SQL_DESC_CONCISE_TYPE:
        return PutField(field, b.CType, nullptr, value, length);
    case SQL_DESC_DATA_PTR:
        return PutField(field, 0, b.Data, value, length);
    case SQL_DESC_INDICATOR_PTR:
        return PutField(field, 0, b.Indicator, value, length);
    case SQL_DESC_OCTET_LENGTH_PTR:
        return PutField(field, 0, b.OctetLength, value, length);
    case SQL_DESC_OCTET_LENGTH:
    case SQL_DESC_LENGTH:
        return PutField(field, b.Length, nullptr, value, length);
    default:
        return PutField(field, 0, nullptr, value, length);
    }
}

SQLRETURN SetApplicationField(Desc* d, SQLSMALLINT record, SQLSMALLINT field, SQLPOINTER value) {
    auto number = reinterpret_cast<SQLLEN>(value);
    switch (field) {
    case SQL_DESC_ARRAY_SIZE:
        d->ArraySize = static_cast<SQLULEN>(number);
        return SQL_SUCCESS;
    case SQL_DESC_BIND_TYPE:
        d->BindType = static_cast<SQLULEN>(number);
        return SQL_SUCCESS;
    case SQL_DESC_BIND_OFFSET_PTR:
        d->BindOffset = static_cast<SQLLEN*>(value);
        return SQL_SUCCESS;
    case SQL_DESC_ARRAY_STATUS_PTR:
        d->ArrayStatus = static_cast<SQLUSMALLINT*>(value);
        return SQL_SUCCESS;
    case SQL_DESC_ROWS_PROCESSED_PTR:
        d->RowsProcessed = static_cast<SQLULEN*>(value);
        return SQL_SUCCESS;
    case SQL_DESC_COUNT:
        d->Records.resize(static_cast<size_t>(number) + 1);
        return SQL_SUCCESS;
    default:
        break;
    }
    if (record < 0) return d->Diag.Fail("07009", "Invalid descriptor index");
    if (d->Records.size() <= static_cast<size_t>(record)) d->Records.resize(static_cast<size_t>(record) + 1);
    Binding& b = d->Records[static_cast<size_t>(record)];
    switch (field) {
    case SQL_DESC_TYPE:
    case SQL_DESC_CONCISE_TYPE:
        b.CType = static_cast<SQLSMALLINT>(number);
        break;
    case SQL_DESC_DATA_PTR:
        b.Data = value;
        break;
    case SQL_DESC_INDICATOR_PTR:
        b.Indicator = static_cast<SQLLEN*>(value);
        break;
    case SQL_DESC_OCTET_LENGTH_PTR:
        b.OctetLength = static_cast<SQLLEN*>(value);
        break;
    case SQL_DESC_OCTET_LENGTH:
        b.Length = number;
        break;
    default:
        break; // other fields carry nothing the driver uses
    }
    return SQL_SUCCESS;
}

bool IsImplementation(const Desc* d) {
    return d->Role == SQL_ATTR_IMP_ROW_DESC || d->Role == SQL_ATTR_IMP_PARAM_DESC;
}

} // namespace

extern "C" {

SQLRETURN SQL_API SQLGetDescField(SQLHDESC handle, SQLSMALLINT record, SQLSMALLINT field, SQLPOINTER value,
                                  SQLINTEGER max, SQLINTEGER* length) {
    Desc* d = AsDesc(handle);
    return Guard(d, [&]() -> SQLRETURN {
        if (d->Role == SQL_ATTR_IMP_ROW_DESC)
            return GetImplementationField(d, record, field, value, max, length);
        if (IsImplementation(d))
            return field == SQL_DESC_COUNT ? PutField(field, 0, nullptr, value, length) : SQL_NO_DATA;
        return GetApplicationField(d, record, field, value, length);
    });
}

SQLRETURN SQL_API SQLSetDescField(SQLHDESC handle, SQLSMALLINT record, SQLSMALLINT field, SQLPOINTER value,
                                  SQLINTEGER) {
    Desc* d = AsDesc(handle);
    return Guard(d, [&]() -> SQLRETURN {
        if (d->Role == SQL_ATTR_IMP_ROW_DESC) {
            if (field == SQL_DESC_ARRAY_STATUS_PTR)
                d->ArrayStatus = static_cast<SQLUSMALLINT*>(value);
            else if (field == SQL_DESC_ROWS_PROCESSED_PTR)
                d->RowsProcessed = static_cast<SQLULEN*>(value);
            else
                return d->Diag.Fail("HY016", "Cannot modify an implementation row descriptor");
            return SQL_SUCCESS;
        }
        if (IsImplementation(d)) return SQL_SUCCESS; // parameter descriptions come with parameters
        return SetApplicationField(d, record, field, value);
    });
}

SQLRETURN SQL_API SQLGetDescRec(SQLHDESC handle, SQLSMALLINT record, SQLCHAR* name, SQLSMALLINT max,
                                SQLSMALLINT* nameLength, SQLSMALLINT* type, SQLSMALLINT* subType,
                                SQLLEN* length, SQLSMALLINT* precision, SQLSMALLINT* scale,
                                SQLSMALLINT* nullable) {
    Desc* d = AsDesc(handle);
    return Guard(d, [&]() -> SQLRETURN {
        if (d->Role != SQL_ATTR_IMP_ROW_DESC) {
            if (record < 0 || static_cast<size_t>(record) >= d->Records.size()) return SQL_NO_DATA;
            const Binding& b = d->Records[static_cast<size_t>(record)];
            if (type) *type = b.CType;
            if (subType) *subType = 0;
            if (length) *length = b.Length;
            if (precision) *precision = 0;
            if (scale) *scale = 0;
            if (nullable) *nullable = SQL_NULLABLE_UNKNOWN;
            return PutString(std::string(), name, max, nameLength, d->Diag);
        }
        const auto* cols = d->Owner->Columns();
        if (!cols || record < 1 || static_cast<size_t>(record) > cols->size()) return SQL_NO_DATA;
        const ColumnInfo& c = (*cols)[static_cast<size_t>(record) - 1];
        if (type) *type = c.VerboseType();
        if (subType) *subType = c.DateTimeSub();
        if (length) *length = c.OctetLength();
        if (precision)
            *precision =
                static_cast<SQLSMALLINT>(c.DateTimeSub() ? c.Digits : static_cast<SQLSMALLINT>(c.Size));
        if (scale) *scale = c.Digits;
        if (nullable) *nullable = c.Nullable;
        return PutString(c.Name, name, max, nameLength, d->Diag);
    });
}

} // extern "C"
