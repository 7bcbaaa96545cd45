// Entry points that bind columns, fetch rows and read values, and the statement attributes.
#include "standin/driver/Handles.h"
#include "standin/driver/Rowset.h"
#include "standin/engine/Convert.h"

#include <cstring>

using namespace standin;

SQLLEN standin::ElementSize(SQLSMALLINT ctype, const ColumnInfo& col, SQLLEN bufferLength) {
    if (ctype == SQL_C_DEFAULT) ctype = col.DefaultCType();
    if (ctype == SQL_C_CHAR || ctype == SQL_C_WCHAR || ctype == SQL_C_BINARY) return bufferLength;
    // A type of no known size is taken as a 32-bit one, as the ODBC 2 integer types are.
    const size_t fixed = FixedCTypeSize(ctype);
    return fixed ? static_cast<SQLLEN>(fixed) : 4;
}

BoundCell standin::CellOf(const Desc& ard, const Binding& b, const ColumnInfo& col, SQLULEN row) {
    SQLLEN shift = ard.BindOffset ? *ard.BindOffset : 0;
    SQLLEN* ind = b.Indicator ? b.Indicator : b.OctetLength;
    SQLLEN dataAt, indAt;
    if (ard.BindType == SQL_BIND_BY_COLUMN) {
        dataAt = shift + static_cast<SQLLEN>(row) * ElementSize(b.CType, col, b.Length);
        indAt = shift + static_cast<SQLLEN>(row * sizeof(SQLLEN));
    } else {
        dataAt = indAt = shift + static_cast<SQLLEN>(row * ard.BindType);
    }
    return {Offset(static_cast<char*>(b.Data), dataAt), Offset(ind, indAt)};
}

SQLUINTEGER standin::CurrentBookmark(Stmt* s) {
    if (s->UseBookmarks == SQL_UB_OFF) throw SqlError("07009", 0, "Invalid descriptor index", false);
    auto* rows = dynamic_cast<RowsCursor*>(s->Current.Rows.get());
    if (!rows || s->CursorType != SQL_CURSOR_STATIC)
        throw SqlError("HY106", 0, "Bookmarks need a static cursor", false);
    return static_cast<SQLUINTEGER>(rows->Position());
}

namespace {

// Hands a bookmark to an application buffer of `length` bytes (a 4-byte integer for SQL_C_BOOKMARK).
void PutBookmark(SQLUINTEGER bookmark, SQLSMALLINT ctype, void* data, SQLLEN length, SQLLEN* indicator) {
    if (ctype != SQL_C_BOOKMARK && ctype != SQL_C_VARBOOKMARK)
        throw SqlError("HY003", 0, "Program type out of range", false);
    if (ctype == SQL_C_VARBOOKMARK && length < static_cast<SQLLEN>(sizeof bookmark))
        throw SqlError("HY090", 0, "Invalid string or buffer length", false);
    if (data) std::memcpy(data, &bookmark, sizeof bookmark);
    if (indicator) *indicator = sizeof bookmark;
}

} // namespace

SQLRETURN standin::WriteRow(Stmt* s, SQLULEN row) {
    const Desc& ard = *s->Ard;
    const auto& cols = *s->Columns();
    SQLRETURN rc = SQL_SUCCESS;
    if (!ard.Records.empty() && ard.Records[0].Bound() && s->UseBookmarks != SQL_UB_OFF) {
        const Binding& b = ard.Records[0];
        static const ColumnInfo bookmarkColumn;
        const BoundCell cell = CellOf(ard, b, bookmarkColumn, row);
        PutBookmark(CurrentBookmark(s), b.CType, cell.Data, b.Length, cell.Indicator);
    }
    size_t n = std::min(ard.Records.size(), cols.size() + 1);
    for (size_t i = 1; i < n; ++i) {
        const Binding& b = ard.Records[i];
        if (!b.Bound()) continue;
        const ColumnInfo& col = cols[i - 1];
        const BoundCell cell = CellOf(ard, b, col, row);
        CTarget t{b.CType, cell.Data, b.Length, cell.Indicator};
        size_t offset = 0;
        if (WriteCell(s->Current.Rows->Get(static_cast<int>(i - 1)), col, t, offset, s->Scratch, s->Diag) ==
            SQL_SUCCESS_WITH_INFO)
            rc = SQL_SUCCESS_WITH_INFO;
    }
    return rc;
}

namespace {

// First row (1-based) of the rowset a scroll asks for; below 1 or above the row count means
// before the first or after the last row.
SQLLEN ScrollTarget(const Stmt* s, SQLSMALLINT orientation, SQLLEN offset, SQLLEN rows, SQLLEN rowset) {
    SQLLEN current = s->RowsetStart;
    switch (orientation) {
    case SQL_FETCH_NEXT:
        return current == 0 ? 1 : current + static_cast<SQLLEN>(s->LastRowsetSize ? s->LastRowsetSize : 1);
    case SQL_FETCH_PRIOR:
        if (current == 0) return 0;
        if (current > rows) return std::max<SQLLEN>(1, rows - rowset + 1);
        return current == 1 ? 0 : std::max<SQLLEN>(1, current - rowset);
    case SQL_FETCH_FIRST:
        return 1;
    case SQL_FETCH_LAST:
        return std::max<SQLLEN>(1, rows - rowset + 1);
    case SQL_FETCH_ABSOLUTE:
        if (offset < 0) return rows + offset + 1 < 1 && -offset <= rowset ? 1 : rows + offset + 1;
        return offset;
    case SQL_FETCH_RELATIVE:
        return (current == 0 ? 0 : current) + offset;
    case SQL_FETCH_BOOKMARK: {
        auto at = s->Attributes.find(SQL_ATTR_FETCH_BOOKMARK_PTR);
        if (s->UseBookmarks == SQL_UB_OFF || at == s->Attributes.end() || at->second == 0)
            throw SqlError("HY111", 0, "Invalid bookmark value", false);
        SQLUINTEGER bookmark = 0;
        std::memcpy(&bookmark, reinterpret_cast<const void*>(at->second), sizeof bookmark);
        return static_cast<SQLLEN>(bookmark) + offset;
    }
    default:
        throw SqlError("HY106", 0, "Fetch type out of range", false);
    }
}

// Positions a static cursor for a scroll; false when the rowset falls outside the rows.
bool Scroll(Stmt* s, SQLSMALLINT orientation, SQLLEN offset, SQLULEN rowset) {
    auto* rows = dynamic_cast<RowsCursor*>(s->Current.Rows.get());
    if (!rows) throw SqlError("HY106", 0, "Fetch type out of range", false);
    auto count = static_cast<SQLLEN>(rows->RowCount());
    SQLLEN start = ScrollTarget(s, orientation, offset, count, static_cast<SQLLEN>(rowset));
    if (start < 1 || start > count) {
        s->RowsetStart = start < 1 ? 0 : count + 1;
        rows->Seek(start < 1 ? 0 : static_cast<size_t>(count));
        return false;
    }
    s->RowsetStart = start;
    rows->Seek(static_cast<size_t>(start - 1));
    return true;
}

SQLRETURN Fetch(Stmt* s, SQLSMALLINT orientation, SQLLEN offset) {
    s->Conn->State.CheckLink();
    if (!s->HasResult || !s->Current.Rows) return s->Diag.Fail("24000", "Invalid cursor state");
    bool scrolls = s->CursorType == SQL_CURSOR_STATIC;
    if (orientation != SQL_FETCH_NEXT && !scrolls) return s->Diag.Fail("HY106", "Fetch type out of range");
    SQLULEN size = s->Ard->ArraySize ? s->Ard->ArraySize : 1;
    SQLUSMALLINT* status = s->Ird.ArrayStatus;
    SQLULEN fetched = 0;
    SQLRETURN rc = SQL_SUCCESS;
    s->OnRow = false;
    s->GetDataColumn = 0;
    s->GetDataOffset = 0;
    if (scrolls && !Scroll(s, orientation, offset, size)) size = 0;
    for (; fetched < size; ++fetched) {
        if (!scrolls && s->MaxRows && s->RowsRead >= s->MaxRows) break; // a static cursor holds MaxRows rows
        if (!s->Current.Rows->Next()) break;
        s->Conn->State.CheckRow(scrolls ? static_cast<SQLULEN>(s->RowsetStart) + fetched : s->RowsRead + 1);
        ++s->RowsRead;
        s->OnRow = true;
        SQLRETURN r = WriteRow(s, fetched);
        if (status) status[fetched] = r == SQL_SUCCESS ? SQL_ROW_SUCCESS : SQL_ROW_SUCCESS_WITH_INFO;
        if (r != SQL_SUCCESS) rc = r;
    }
    if (status)
        for (SQLULEN i = fetched; i < size; ++i)
            status[i] = SQL_ROW_NOROW;
    if (s->Ird.RowsProcessed) *s->Ird.RowsProcessed = fetched;
    s->LastRowsetSize = fetched;
    if (status && size == 0)
        for (SQLULEN i = 0; i < (s->Ard->ArraySize ? s->Ard->ArraySize : 1); ++i)
            status[i] = SQL_ROW_NOROW;
    return fetched == 0 ? SQL_NO_DATA : rc;
}

SQLRETURN SetStmtAttr(Stmt* s, SQLINTEGER attr, SQLPOINTER value) {
    auto number = reinterpret_cast<SQLULEN>(value);
    switch (attr) {
    case SQL_ATTR_APP_ROW_DESC: {
        Desc* d = AsDesc(value);
        s->Ard = d ? d : &s->ImplicitArd;
        return SQL_SUCCESS;
    }
    case SQL_ATTR_CURSOR_TYPE:
        // Forward-only and read-only static cursors; a keyset or dynamic request gets a static one.
        s->CursorType = number == SQL_CURSOR_FORWARD_ONLY ? SQL_CURSOR_FORWARD_ONLY : SQL_CURSOR_STATIC;
        if (number == SQL_CURSOR_FORWARD_ONLY || number == SQL_CURSOR_STATIC) return SQL_SUCCESS;
        return s->Diag.Warn("01S02", "Option value changed");
    case SQL_ATTR_CONCURRENCY:
        // Read-only, or optimistic by values for positioned writes of a static cursor; locks and row
        // versions are not kept, so those requests get values.
        s->Concurrency = number == SQL_CONCUR_READ_ONLY ? SQL_CONCUR_READ_ONLY : SQL_CONCUR_VALUES;
        if (number == SQL_CONCUR_READ_ONLY || number == SQL_CONCUR_VALUES) return SQL_SUCCESS;
        return s->Diag.Warn("01S02", "Option value changed");
    case SQL_ATTR_CURSOR_SCROLLABLE:
        s->CursorType = number == SQL_SCROLLABLE ? SQL_CURSOR_STATIC : SQL_CURSOR_FORWARD_ONLY;
        return SQL_SUCCESS;
    case SQL_ATTR_USE_BOOKMARKS:
        // Bookmarks of static cursors: the row's 1-based number in the cursor, 4 bytes.
        if (number != SQL_UB_OFF && number != SQL_UB_ON && number != SQL_UB_VARIABLE)
            return s->Diag.Fail("HY024", "Invalid attribute value");
        s->UseBookmarks = number;
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_ARRAY_SIZE:
    case SQL_ROWSET_SIZE:
        if (number == 0) return s->Diag.Fail("HY024", "Invalid attribute value");
        s->Ard->ArraySize = number;
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_BIND_TYPE:
        s->Ard->BindType = number;
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_BIND_OFFSET_PTR:
        s->Ard->BindOffset = static_cast<SQLLEN*>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_STATUS_PTR:
        s->Ird.ArrayStatus = static_cast<SQLUSMALLINT*>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_ROWS_FETCHED_PTR:
        s->Ird.RowsProcessed = static_cast<SQLULEN*>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_MAX_ROWS:
        s->MaxRows = number;
        return SQL_SUCCESS;
    case SQL_ATTR_ASYNC_ENABLE:
        s->AsyncEnable = number;
        return SQL_SUCCESS;
    case SQL_ATTR_QUERY_TIMEOUT:
        s->QueryTimeout = number;
        return SQL_SUCCESS;
    case SQL_ATTR_MAX_LENGTH:
        s->MaxLength = number;
        return SQL_SUCCESS;
    case SQL_ATTR_NOSCAN:
        s->NoScan = number;
        return SQL_SUCCESS;
    case SQL_ATTR_RETRIEVE_DATA:
        s->RetrieveData = number;
        return SQL_SUCCESS;
    case SQL_ATTR_PARAMSET_SIZE:
        s->ParamsetSize = number;
        return SQL_SUCCESS;
    case SQL_ATTR_METADATA_ID:
        s->MetadataId = number;
        return SQL_SUCCESS;
    case SQL_ATTR_KEYSET_SIZE:
        s->KeysetSize = number;
        return SQL_SUCCESS;
    default:
        s->Attributes[attr] = number;
        return SQL_SUCCESS;
    }
}

SQLRETURN GetStmtAttr(Stmt* s, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER* length) {
    SQLULEN number = 0;
    SQLPOINTER pointer = nullptr;
    bool isPointer = true;
    switch (attr) {
    case SQL_ATTR_APP_ROW_DESC:
        pointer = s->Ard;
        break;
    case SQL_ATTR_APP_PARAM_DESC:
        pointer = &s->Apd;
        break;
    case SQL_ATTR_IMP_ROW_DESC:
        pointer = &s->Ird;
        break;
    case SQL_ATTR_IMP_PARAM_DESC:
        pointer = &s->Ipd;
        break;
    case SQL_ATTR_ROW_BIND_OFFSET_PTR:
        pointer = s->Ard->BindOffset;
        break;
    case SQL_ATTR_ROW_STATUS_PTR:
        pointer = s->Ird.ArrayStatus;
        break;
    case SQL_ATTR_ROWS_FETCHED_PTR:
        pointer = s->Ird.RowsProcessed;
        break;
    default: {
        isPointer = false;
        switch (attr) {
        case SQL_ATTR_CURSOR_TYPE:
            number = s->CursorType;
            break;
        case SQL_ATTR_CONCURRENCY:
            number = s->Concurrency;
            break;
        case SQL_ATTR_CURSOR_SCROLLABLE:
            number = SQL_NONSCROLLABLE;
            break;
        case SQL_ATTR_CURSOR_SENSITIVITY:
            number = SQL_INSENSITIVE;
            break;
        case SQL_ATTR_USE_BOOKMARKS:
            number = s->UseBookmarks;
            break;
        case SQL_ATTR_ROW_ARRAY_SIZE:
        case SQL_ROWSET_SIZE:
            number = s->Ard->ArraySize;
            break;
        case SQL_ATTR_ROW_BIND_TYPE:
            number = s->Ard->BindType;
            break;
        case SQL_ATTR_MAX_ROWS:
            number = s->MaxRows;
            break;
        case SQL_ATTR_ASYNC_ENABLE:
            number = s->AsyncEnable;
            break;
        case SQL_ATTR_QUERY_TIMEOUT:
            number = s->QueryTimeout;
            break;
        case SQL_ATTR_MAX_LENGTH:
            number = s->MaxLength;
            break;
        case SQL_ATTR_NOSCAN:
            number = s->NoScan;
            break;
        case SQL_ATTR_RETRIEVE_DATA:
            number = s->RetrieveData;
            break;
        case SQL_ATTR_PARAMSET_SIZE:
            number = s->ParamsetSize;
            break;
        case SQL_ATTR_METADATA_ID:
            number = s->MetadataId;
            break;
        case SQL_ATTR_KEYSET_SIZE:
            number = s->KeysetSize;
            break;
        case SQL_ATTR_ROW_NUMBER:
            number = s->OnRow ? s->RowsRead : 0;
            break;
        case SQL_ATTR_ENABLE_AUTO_IPD:
            number = SQL_FALSE;
            break;
        default: {
            auto it = s->Attributes.find(attr);
            if (it == s->Attributes.end())
                return s->Diag.Fail("HY092", "Invalid attribute/option identifier");
            number = it->second;
        }
        }
    }
    }
    if (value) {
        if (isPointer)
            std::memcpy(value, &pointer, sizeof pointer);
        else
            std::memcpy(value, &number, sizeof number);
    }
    if (length) *length = isPointer ? sizeof pointer : sizeof number;
    return SQL_SUCCESS;
}

} // namespace

extern "C" {

SQLRETURN SQL_API SQLBindCol(SQLHSTMT handle, SQLUSMALLINT column, SQLSMALLINT ctype, SQLPOINTER data,
                             SQLLEN length, SQLLEN* indicator) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        if (column == 0 && s->UseBookmarks == SQL_UB_OFF)
            return s->Diag.Fail("07009", "Invalid descriptor index");
        if (length < 0) return s->Diag.Fail("HY090", "Invalid string or buffer length");
        auto& recs = s->Ard->Records;
        if (recs.size() <= column) recs.resize(column + 1u);
        recs[column] = Binding{ctype, data, length, indicator, indicator};
        if (!data && !indicator) { // unbinding: drop trailing unbound records
            while (recs.size() > 1 && !recs.back().Bound())
                recs.pop_back();
        }
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT handle) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN { return Fetch(s, SQL_FETCH_NEXT, 0); });
}

SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT handle, SQLSMALLINT orientation, SQLLEN offset) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN { return Fetch(s, orientation, offset); });
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT handle, SQLUSMALLINT column, SQLSMALLINT ctype, SQLPOINTER value,
                             SQLLEN length, SQLLEN* indicator) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN {
        s->Conn->State.CheckLink();
        if (!s->OnRow || !s->Columns()) return s->Diag.Fail("24000", "Invalid cursor state");
        if (column == 0) {
            PutBookmark(CurrentBookmark(s), ctype, value, length, indicator);
            return SQL_SUCCESS;
        }
        if (column > s->Columns()->size()) return s->Diag.Fail("07009", "Invalid descriptor index");
        if (column != s->GetDataColumn) {
            s->GetDataColumn = column;
            s->GetDataOffset = 0;
        }
        CTarget t{ctype, value, length, indicator};
        return WriteCell(s->Current.Rows->Get(column - 1), (*s->Columns())[column - 1], t, s->GetDataOffset,
                         s->Scratch, s->Diag);
    });
}

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN { return SetStmtAttr(s, attr, value); });
}

SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER,
                                 SQLINTEGER* length) {
    Stmt* s = AsStmt(handle);
    return Guard(s, [&]() -> SQLRETURN { return GetStmtAttr(s, attr, value, length); });
}

} // extern "C"
