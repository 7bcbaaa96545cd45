// THstmt: describing and binding result columns, reading long values, and the
// typed getters and setters of cells.
#include "core/Text.h"
#include "odbc/HDbc.h"
#include "odbc/HEnv.h"
#include "odbc/HStmt.h"
#include "odbc/Trace.h"

#include <algorithm>
#include <cstring>

namespace tarvik {

namespace {
bool IsIntegerType(SQLSMALLINT sqlType) {
    return sqlType == SQL_INTEGER || sqlType == SQL_SMALLINT || sqlType == SQL_TINYINT ||
           sqlType == SQL_BIGINT;
}

// Character and binary columns too large (or unbounded) for a bound cell are read in chunks.
SQLSMALLINT LongTypeFor(SQLSMALLINT sqlType, SQLULEN columnSize) {
    const bool unbounded = columnSize == 0 || columnSize > MaxBoundColumnSize;
    if (unbounded && (sqlType == SQL_CHAR || sqlType == SQL_VARCHAR)) return SQL_LONGVARCHAR;
    if (unbounded && (sqlType == SQL_BINARY || sqlType == SQL_VARBINARY)) return SQL_LONGVARBINARY;
    return sqlType;
}
} // namespace

SQLLEN THstmt::NumericAttribute(SQLUSMALLINT col, SQLUSMALLINT field) {
    SQLLEN value = 0;
    Check(SQLColAttribute(FHandle, col, field, nullptr, 0, nullptr, &value));
    return value;
}

void THstmt::DescribeColumn(SQLUSMALLINT col) {
    SQLCHAR name[256] = {0};
    SQLSMALLINT nameLength = 0, dataType = 0, digits = 0, nullable = SQL_NULLABLE_UNKNOWN;
    SQLULEN size = 0;
    Check(SQLDescribeCol(FHandle, col, name, sizeof name, &nameLength, &dataType, &size, &digits, &nullable));
    name[sizeof name - 1] = 0;
    FColNames.emplace_back(reinterpret_cast<char*>(name));
    const SQLSMALLINT sqlType = LongTypeFor(MapColumnSQLType(dataType), size);
    const bool isUnsigned = IsIntegerType(sqlType) && NumericAttribute(col, SQL_DESC_UNSIGNED) != 0;
    const TColumnBinding binding = ChooseBinding(sqlType, isUnsigned);
    const bool bound = binding.Known && !binding.Long;
    auto rec = std::make_unique<TColRec>(binding.CType, sqlType,
                                         bound ? CellSizeFor(sqlType, binding.CType, size) : 0, FRowSetSize);
    rec->ColumnSize = size;
    rec->DecimalDigits = digits;
    rec->Nullable = nullable;
    rec->Long = binding.Long;
    if (binding.Long) {
        rec->Blob = std::make_unique<TMemoryStream>();
        FBlobsAtFetch = true;
    }
    TColRec& r = *rec;
    FCols.push_back(std::move(rec));
    if (!bound) return; // long columns are read with SQLGetData; unknown types stay NULL
    const SQLLEN bufferLength =
        binding.CType == SQL_C_CHAR || binding.CType == SQL_C_BINARY ? static_cast<SQLLEN>(r.CellSize) : 0;
    Check(SQLBindCol(FHandle, col, r.CType, r.Data.get(), bufferLength, r.Indicators.data()));
}

void THstmt::AppendRowArrays() {
    const SQLSMALLINT ushortType = SQL_C_USHORT;
    FCols.push_back(std::make_unique<TColRec>(ushortType, CTypeToSQLType(ushortType), CTypeSize(ushortType),
                                              FRowSetSize));
    FRowStatus = FCols.back().get();
    FCols.push_back(std::make_unique<TColRec>(ushortType, CTypeToSQLType(ushortType), CTypeSize(ushortType),
                                              FRowSetSize));
    FRowFlags = FCols.back().get();
}

void THstmt::BindCols() {
    Trace(1, "THstmt.BindCols");
    if (FColumnsBound) return;
    Init();
    // The column count; a statement without a result set has none (SQLNumResultCols answers
    // there, where the descriptor count is refused by some managers).
    SQLSMALLINT count = 0;
    Check(SQLNumResultCols(FHandle, &count));
    FNumCols = static_cast<SQLUSMALLINT>(std::max<SQLSMALLINT>(count, 0));
    for (SQLUSMALLINT col = 1; col <= FNumCols; ++col)
        DescribeColumn(col);
    AppendRowArrays();
    if (FCursorCaps & SQL_CA1_BOOKMARK) {
        // Some drivers offer bookmarks but cannot describe column 0: the length then stays.
        SQLLEN length = 0;
        FRetCode = SQLColAttribute(FHandle, 0, SQL_DESC_OCTET_LENGTH, nullptr, 0, nullptr, &length);
        if (Success(FRetCode) && length > 0) FBookmarkLength = static_cast<SQLULEN>(length);
    }
    if (FBindBookmarks) {
        FCols.push_back(std::make_unique<TColRec>(SQL_C_BINARY, SQL_BINARY, FBookmarkLength, FRowSetSize));
        FBookmarks = FCols.back().get();
        Check(SQLBindCol(FHandle, 0, SQL_C_BINARY, FBookmarks->Data.get(),
                         static_cast<SQLLEN>(FBookmarkLength), FBookmarks->Indicators.data()));
    }
    if (FBlobsAtFetch && FRowSetSize > 1) FBlobsAtFetch = false;
    SQLSetStmtAttr(FHandle, SQL_ATTR_ROW_STATUS_PTR, FRowStatus->Data.get(), 0);
    FColumnsBound = true;
}

TColRec* THstmt::Column(SQLUSMALLINT col) {
    Init();
    BindCols();
    return col >= 1 && col <= FNumCols ? FCols[col - 1].get() : nullptr;
}

TColRec* THstmt::CellColumn(SQLUSMALLINT col, SQLULEN row) {
    TColRec* rec = Column(col);
    return rec && row >= 1 && row <= FRowSetSize ? rec : nullptr;
}

const std::vector<std::string>& THstmt::ColNames() {
    Init();
    BindCols();
    return FColNames;
}

SQLUSMALLINT THstmt::ColByName(const std::string& name) {
    Trace(1, "THstmt.ColByName");
    const std::vector<std::string>& names = ColNames();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (SameTextAscii(names[i], name)) return static_cast<SQLUSMALLINT>(i + 1);
    throw EVERODezuzid("Identifier " + name + " not found in result set.");
}

template <typename T> T THstmt::ColField(SQLUSMALLINT col, T TColRec::*field, T missing) {
    TColRec* rec = Column(col);
    return rec ? rec->*field : missing;
}

SQLSMALLINT THstmt::ColCType(SQLUSMALLINT col) {
    return ColField<SQLSMALLINT>(col, &TColRec::CType, 0);
}
SQLSMALLINT THstmt::ColSQLType(SQLUSMALLINT col) {
    return ColField<SQLSMALLINT>(col, &TColRec::SQLType, 0);
}
bool THstmt::ColIsBlob(SQLUSMALLINT col) {
    return ColField(col, &TColRec::Long, false);
}
SQLULEN THstmt::ColPrecision(SQLUSMALLINT col) {
    return ColField<SQLULEN>(col, &TColRec::ColumnSize, 0);
}
SQLSMALLINT THstmt::ColScale(SQLUSMALLINT col) {
    return ColField<SQLSMALLINT>(col, &TColRec::DecimalDigits, 0);
}
SQLSMALLINT THstmt::ColNullable(SQLUSMALLINT col) {
    return ColField<SQLSMALLINT>(col, &TColRec::Nullable, SQL_NULLABLE_UNKNOWN);
}

SQLLEN THstmt::ColAttribute(SQLUSMALLINT col, SQLUSMALLINT field) {
    Init();
    BindCols();
    return NumericAttribute(col, field);
}

SQLLEN THstmt::CurrentLongSize(TColRec& rec) {
    const SQLLEN indicator = rec.Indicator(1);
    return indicator < 0 ? indicator : static_cast<SQLLEN>(rec.Blob->Size());
}

SQLLEN THstmt::ReadLongValue(SQLUSMALLINT col, TColRec& rec) {
    const bool text = rec.CType == SQL_C_CHAR;
    const SQLLEN chunk = FBlobSize;
    std::vector<char> buffer(static_cast<std::size_t>(chunk) + 1);
    SQLLEN length = 0;
    Check(SQLGetData(FHandle, col, rec.CType, buffer.data(), chunk + (text ? 1 : 0), &length));
    rec.Blob->Clear();
    if (length == SQL_NO_TOTAL)
        throw EVERODezuzid("Unable to retrieve blob.  You may have to increase the BlobSize property.");
    if (length == SQL_NULL_DATA) return length;
    SQLLEN got = std::min(length, chunk);
    rec.Blob->Write(buffer.data(), static_cast<std::size_t>(got));
    // Further chunks only while the driver says the value was cut and bytes are still missing.
    while (FRetCode == SQL_SUCCESS_WITH_INFO && got < length) {
        const SQLLEN want = std::min(chunk, length - got);
        SQLLEN part = 0;
        FRetCode = SQLGetData(FHandle, col, rec.CType, buffer.data(), want + (text ? 1 : 0), &part);
        if (!Success(FRetCode)) break;
        rec.Blob->Write(buffer.data(), static_cast<std::size_t>(want));
        got += want;
    }
    Check(FRetCode);
    return length;
}

SQLLEN THstmt::ReadLong(SQLUSMALLINT col, SQLULEN row) {
    TColRec& rec = *FCols[col - 1];
    SQLLEN result = CurrentLongSize(rec);
    if (FRowSetSize == 1) {
        if (!rec.LongRead) {
            result = ReadLongValue(col, rec);
            rec.LongRead = true;
        }
    } else if (FCursorCaps & SQL_CA1_POS_POSITION) {
        Check(SQLSetPos(FHandle, static_cast<SQLSETPOSIROW>(row), SQL_POSITION, SQL_LOCK_NO_CHANGE));
        if (!RowValid(row)) {
            result = SQL_NULL_DATA;
        } else {
            try {
                result = ReadLongValue(col, rec);
            } catch (const EODBC& e) {
                if (e.ReturnCode() != SQL_NO_DATA) throw;
            }
        }
    }
    rec.Indicator(1) = result;
    return result;
}

void THstmt::ReadLongsAfterFetch() {
    for (SQLUSMALLINT col = 1; col <= FNumCols; ++col) {
        TColRec& rec = *FCols[col - 1];
        if (!rec.Long) continue;
        rec.LongRead = false;
        if (FBlobDeferral)
            rec.Indicator(1) = SQL_NULL_DATA;
        else
            ReadLong(col, 1);
    }
}

void* THstmt::ColValueAt(SQLUSMALLINT col, SQLULEN row) {
    TColRec* rec = CellColumn(col, row);
    if (!rec) return nullptr;
    if (!rec->Long) return rec->Cell(row);
    ReadLong(col, row);
    return rec->Blob->Memory();
}

TColRec* THstmt::ValueColumn(SQLUSMALLINT col, SQLULEN row) {
    TColRec* rec = CellColumn(col, row);
    return rec && !rec->Long && rec->Indicator(row) != SQL_NULL_DATA ? rec : nullptr;
}

std::string THstmt::ColStringAt(SQLUSMALLINT col, SQLULEN row) {
    TColRec* rec = CellColumn(col, row);
    if (!rec) return std::string();
    if (rec->Long) {
        ReadLong(col, row);
        return StreamToText(*rec->Blob);
    }
    if (rec->Indicator(row) == SQL_NULL_DATA) return std::string();
    return ValueToText(rec->Cell(row), rec->CellSize, rec->CType, FStringTrimming);
}

std::int32_t THstmt::ColIntegerAt(SQLUSMALLINT col, SQLULEN row) {
    const TColRec* rec = ValueColumn(col, row);
    return rec ? ValueToInteger(rec->Cell(row), rec->CellSize, rec->CType) : 0;
}

double THstmt::ColDoubleAt(SQLUSMALLINT col, SQLULEN row) {
    const TColRec* rec = ValueColumn(col, row);
    return rec ? ValueToDouble(rec->Cell(row), rec->CellSize, rec->CType) : 0;
}

std::int64_t THstmt::ColInt64At(SQLUSMALLINT col, SQLULEN row) {
    const TColRec* rec = ValueColumn(col, row);
    return rec ? ValueToInt64(rec->Cell(row), rec->CellSize, rec->CType) : 0;
}

SQL_TIMESTAMP_STRUCT THstmt::ColDateTimeAt(SQLUSMALLINT col, SQLULEN row) {
    const TColRec* rec = ValueColumn(col, row);
    return rec ? ValueToTimestamp(rec->Cell(row), rec->CType) : DefaultTimestamp();
}

TMemoryStream* THstmt::ColStreamAt(SQLUSMALLINT col, SQLULEN row) {
    TColRec* rec = CellColumn(col, row);
    if (!rec || !rec->Long) return nullptr;
    ReadLong(col, row);
    return rec->Blob.get();
}

SQLLEN THstmt::ColSizeAt(SQLUSMALLINT col, SQLULEN row) {
    TColRec* rec = CellColumn(col, row);
    if (!rec) return 0;
    const SQLLEN indicator = rec->Indicator(row);
    return rec->Long && indicator >= 0 ? static_cast<SQLLEN>(rec->Blob->Size()) : indicator;
}

void THstmt::SetColSizeAt(SQLUSMALLINT col, SQLULEN row, SQLLEN size) {
    TColRec* rec = CellColumn(col, row);
    if (!rec) return;
    rec->Indicator(row) = size;
    if (rec->Long && size >= 0) rec->Blob->SetSize(static_cast<std::size_t>(size));
}

bool THstmt::ColNullAt(SQLUSMALLINT col, SQLULEN row) {
    return ColSizeAt(col, row) == SQL_NULL_DATA;
}

void THstmt::SetColNull(SQLUSMALLINT col, bool value) {
    TColRec* rec = CellColumn(col, 1);
    if (rec && value) rec->Indicator(1) = SQL_NULL_DATA;
}

void THstmt::SetColIgnore(SQLUSMALLINT col, bool value) {
    TColRec* rec = CellColumn(col, 1);
    if (!rec) return;
    if (value) rec->Indicator(1) = SQL_COLUMN_IGNORE;
    rec->Ignore = value;
}

bool THstmt::ColIgnoredAt(SQLUSMALLINT col, SQLULEN row) {
    return ColSizeAt(col, row) == SQL_COLUMN_IGNORE;
}

void THstmt::StoreText(TColRec& rec, SQLULEN row, const std::string& text) {
    std::string_view value = TrimView(text, FStringTrimming);
    // A character cell has room for column-size letters of any width; the column takes no more.
    if (rec.CType == SQL_C_CHAR && rec.ColumnSize > 0)
        value = value.substr(0, Utf8CharsLength(value, rec.ColumnSize));
    SQLLEN stored = 0;
    // A text the cell's type cannot hold leaves the cell and its indicator as they were.
    if (TextToValue(value, rec.Cell(row), rec.CellSize, rec.CType, stTrimNone, &stored))
        rec.Indicator(row) = stored;
}

void THstmt::SetColStringAt(SQLUSMALLINT col, SQLULEN row, const std::string& value) {
    TColRec* rec = CellColumn(col, row);
    if (!rec) return;
    if (rec->Long) {
        // The stream holds the text alone: its size is the length a positioned write sends,
        // and a NUL counted in it would be written into the column.
        const std::string_view text = TrimView(value, FStringTrimming);
        rec->Blob->Clear();
        rec->Blob->Write(text.data(), text.size());
        rec->Indicator(row) = static_cast<SQLLEN>(text.size());
        // The stream now holds the value to write: a deferred read must not replace it.
        rec->LongRead = true;
    } else if (rec->Data) {
        StoreText(*rec, row, value);
    } else {
        return;
    }
    const bool toNull =
        FEmptyToNull == enAlways || (FEmptyToNull == enIfNullable && rec->Nullable == SQL_NULLABLE);
    if (value.empty() && toNull) rec->Indicator(row) = SQL_NULL_DATA;
}

void THstmt::SetColDoubleAt(SQLUSMALLINT col, SQLULEN row, double value) {
    TColRec* rec = CellColumn(col, row);
    if (rec && rec->Data) StoreText(*rec, row, FormatReal(value));
}

void THstmt::SetColIntegerAt(SQLUSMALLINT col, SQLULEN row, std::int32_t value) {
    TColRec* rec = CellColumn(col, row);
    if (rec && rec->Data) StoreText(*rec, row, std::to_string(value));
}

void THstmt::SetColInt64At(SQLUSMALLINT col, SQLULEN row, std::int64_t value) {
    TColRec* rec = CellColumn(col, row);
    if (rec && rec->Data) StoreText(*rec, row, std::to_string(value));
}

void THstmt::SetColDateTimeAt(SQLUSMALLINT col, SQLULEN row, const SQL_TIMESTAMP_STRUCT& value) {
    TColRec* rec = CellColumn(col, row);
    if (!rec || !rec->Data) return;
    std::string text;
    if (rec->CType == SQL_C_TYPE_DATE)
        text = FormatDate(SQL_DATE_STRUCT{value.year, value.month, value.day});
    else if (rec->CType == SQL_C_TYPE_TIME)
        text = FormatTime(SQL_TIME_STRUCT{value.hour, value.minute, value.second});
    else
        text = FormatTimestamp(value);
    StoreText(*rec, row, text);
}

void THstmt::SetColStream(SQLUSMALLINT col, const TMemoryStream& value) {
    TColRec* rec = CellColumn(col, 1);
    if (!rec || !rec->Long) return;
    rec->Blob->LoadFrom(value);
    rec->Indicator(1) = static_cast<SQLLEN>(rec->Blob->Size());
    rec->LongRead = true;
}

SQLUSMALLINT THstmt::RowStatus(SQLULEN row) {
    if (!FRowStatus || row < 1 || row > FRowStatus->Rows) return SQL_ROW_NOROW;
    SQLUSMALLINT status;
    std::memcpy(&status, FRowStatus->Cell(row), sizeof status);
    return status;
}

bool THstmt::RowValid(SQLULEN row) {
    const SQLUSMALLINT s = RowStatus(row);
    return s == SQL_ROW_SUCCESS || s == SQL_ROW_UPDATED || s == SQL_ROW_ADDED ||
           s == SQL_ROW_SUCCESS_WITH_INFO;
}

SQLUSMALLINT* THstmt::RowFlags(SQLULEN row) {
    Trace(1, "THstmt.RowFlags");
    if (!FRowFlags || row < 1 || row > FRowFlags->Rows) return nullptr;
    return reinterpret_cast<SQLUSMALLINT*>(FRowFlags->Cell(row));
}

} // namespace tarvik
