// THstmt: inserting, updating, deleting and refreshing rows of the current rowset,
// by SQLSetPos/SQLBulkOperations where the cursor can, otherwise by statements generated
// against the result's base table and run on auxiliary statements.
#include "core/Text.h"
#include "odbc/HDbc.h"
#include "odbc/HEnv.h"
#include "odbc/HStmt.h"
#include "odbc/ParamBinding.h"
#include "odbc/SqlText.h"
#include "odbc/Trace.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace tarvik {

namespace {
constexpr std::size_t AuxiliaryIndex(SQLUSMALLINT operation) {
    return operation == roInsert ? 0 : operation == roUpdate ? 1 : operation == roDelete ? 2 : 3;
}

std::string JoinList(const std::vector<std::string>& items, const char* separator) {
    std::string out;
    for (const std::string& item : items) {
        if (!out.empty()) out += separator;
        out += item;
    }
    return out;
}

// Unbinds the long columns again however the positioned write ends; `failed` tells whether the
// driver still holds them.
class TLongColumnsBound {
public:
    TLongColumnsBound(THstmt& stmt, bool& failed) : FStmt(stmt), FFailed(failed) {
        FStmt.RebindLongColumns(true);
    }
    ~TLongColumnsBound() {
        try {
            FStmt.RebindLongColumns(false);
        } catch (...) {
            // The write's own error (or success) is what the caller needs to see.
            SwallowODBCError();
            FFailed = true;
        }
    }
    TLongColumnsBound(const TLongColumnsBound&) = delete;
    TLongColumnsBound& operator=(const TLongColumnsBound&) = delete;

private:
    THstmt& FStmt;
    bool& FFailed;
};

// A long column the driver still holds points into its stream, which moves with the next long
// value read: the statement goes, and the driver's pointers with it, once the write is checked.
class TDropWhileBound {
public:
    TDropWhileBound(THstmt& stmt, const bool& bound) : FStmt(stmt), FBound(bound) {}
    ~TDropWhileBound() {
        if (!FBound) return;
        try {
            FStmt.TerminateQuiet();
        } catch (...) {
        }
    }
    TDropWhileBound(const TDropWhileBound&) = delete;
    TDropWhileBound& operator=(const TDropWhileBound&) = delete;

private:
    THstmt& FStmt;
    const bool& FBound;
};
} // namespace

void THstmt::SetTargetTable(const std::string& value) {
    Trace(1, "THstmt.SetTargetTable");
    FTargetTable = value;
}

void THstmt::SetColPrimary(SQLUSMALLINT col, bool value) {
    if (TColRec* rec = Column(col)) rec->Primary = value;
}

bool THstmt::ColPrimary(SQLUSMALLINT col) {
    const TColRec* rec = Column(col);
    return rec && rec->Primary;
}

std::string THstmt::ColumnAttributeText(SQLUSMALLINT col, SQLUSMALLINT field, bool& ok) {
    SQLCHAR buffer[256] = {0};
    SQLSMALLINT length = 0;
    FRetCode = SQLColAttribute(FHandle, col, field, buffer, sizeof buffer, &length, nullptr);
    ok = Success(FRetCode);
    buffer[sizeof buffer - 1] = 0;
    return ok ? TrimBlanks(reinterpret_cast<char*>(buffer)) : std::string();
}

void THstmt::ResolveTargetTable() {
    const std::string given = TrimBlanks(FTargetTable);
    if (!given.empty()) {
        FTargetSchema.clear();
        FTargetTableName = given;
        return;
    }
    Init();
    BindCols();
    bool schemaOk = false, tableOk = false;
    FTargetSchema = ColumnAttributeText(1, SQL_DESC_SCHEMA_NAME, schemaOk);
    FTargetTableName = ColumnAttributeText(1, SQL_DESC_TABLE_NAME, tableOk);
    if (FTargetTableName.empty()) FTargetTableName = TableFromSQL(FSQL);
    if (!tableOk || FTargetTableName.empty())
        throw EVERODezuzid("Unable to determine table name:  set TargetTable property.");
}

std::string THstmt::TableName() {
    ResolveTargetTable();
    return FTargetTableName;
}

void THstmt::ResolvePrimaryCols() {
    Init();
    BindCols();
    for (SQLUSMALLINT col = 1; col <= FNumCols; ++col)
        if (FCols[col - 1]->Primary) return;
    ResolveTargetTable();
    THstmt keys;
    keys.SethDbc(FHdbc);
    auto* schema = FTargetSchema.empty() ? nullptr : reinterpret_cast<SQLCHAR*>(FTargetSchema.data());
    const SQLSMALLINT schemaLength = FTargetSchema.empty() ? 0 : SQL_NTS;
    auto* table = reinterpret_cast<SQLCHAR*>(FTargetTableName.data());
    keys.Check(SQLSpecialColumns(keys.Handle(), SQL_BEST_ROWID, nullptr, 0, schema, schemaLength, table,
                                 SQL_NTS, SQL_SCOPE_CURROW, SQL_NULLABLE));
    bool marked = false;
    while (keys.FetchNext()) {
        if (keys.ColInteger(8) == SQL_PC_PSEUDO) continue;
        FCols[ColByName(keys.ColString(2)) - 1]->Primary = true;
        marked = true;
    }
    if (marked) return;
    keys.Close();
    keys.Check(SQLPrimaryKeys(keys.Handle(), nullptr, 0, schema, schemaLength, table, SQL_NTS));
    while (keys.FetchNext())
        FCols[ColByName(keys.ColString(4)) - 1]->Primary = true;
}

std::string THstmt::PrimaryCols() {
    ResolvePrimaryCols();
    std::string out;
    for (SQLUSMALLINT col = 1; col <= FNumCols; ++col)
        if (FCols[col - 1]->Primary) out += FColNames[col - 1] + ";";
    return out;
}

std::string THstmt::PrimaryWhere() {
    ResolvePrimaryCols();
    std::vector<std::string> terms;
    for (SQLUSMALLINT col = 1; col <= FNumCols; ++col)
        if (FCols[col - 1]->Primary) terms.push_back(QuoteIdentifier(FColNames[col - 1]) + " = ?");
    if (terms.empty()) throw EVERODezuzid("Unable to determine primary columns:  set PrimaryCols property.");
    return JoinList(terms, " AND ");
}

std::string THstmt::CursorName() {
    Init();
    SQLCHAR name[256] = {0};
    SQLSMALLINT length = 0;
    Check(SQLGetCursorName(FHandle, name, sizeof name, &length));
    name[sizeof name - 1] = 0;
    return reinterpret_cast<char*>(name);
}

SQLUSMALLINT THstmt::RowOperation(SQLULEN row) {
    const SQLUSMALLINT* flags = RowFlags(row);
    return flags ? static_cast<SQLUSMALLINT>(*flags & 0xF) : 0;
}

void THstmt::SetRowOperation(SQLULEN row, SQLUSMALLINT operation) {
    SQLUSMALLINT* flags = RowFlags(row);
    if (!flags) return;
    *flags = static_cast<SQLUSMALLINT>((*flags & ~0xFu) | (operation & 0xFu));
}

std::unique_ptr<char[]> THstmt::GetBookmark() {
    Trace(1, "THstmt.GetBookmark");
    Init();
    BindCols();
    if (!(FCursorCaps & SQL_CA1_BOOKMARK) || !RowValid(1)) return nullptr;
    auto block = std::make_unique<char[]>(FBookmarkLength);
    if (FBookmarks) {
        std::memcpy(block.get(), FBookmarks->Cell(1), FBookmarkLength);
        return block;
    }
    FRetCode = SQLSetPos(FHandle, 1, SQL_POSITION, SQL_LOCK_NO_CHANGE);
    if (!Success(FRetCode)) return nullptr;
    SQLLEN length = 0;
    Check(SQLGetData(FHandle, 0, SQL_C_VARBOOKMARK, block.get(), static_cast<SQLLEN>(FBookmarkLength),
                     &length));
    return block;
}

// ---- Running operations over the rowset

void THstmt::RunRows(const char* traceName, const TConfirmEvent& confirm, const char* question,
                     SQLUSMALLINT code, void (THstmt::*single)(SQLULEN)) {
    Trace(1, traceName);
    Init();
    if (confirm && !confirm(this, question)) return;
    BindCols();
    if (FRowSetSize > 1 && FRowsFetched > 0) {
        for (SQLULEN row = 1; row <= FRowsFetched; ++row)
            if (RowOperation(row) == code) (this->*single)(row);
    } else {
        (this->*single)(1);
    }
}

void THstmt::InsertRows() {
    RunRows("THstmt.InsertRows", OnInsert, "Insert row(s)?", roInsert, &THstmt::InsertRow);
}

void THstmt::UpdateRows() {
    RunRows("THstmt.UpdateRows", OnUpdate, "Update row(s)?", roUpdate, &THstmt::UpdateRow);
}

void THstmt::DeleteRows() {
    RunRows("THstmt.DeleteRows", OnDelete, "Delete row(s)?", roDelete, &THstmt::DeleteRow);
}

void THstmt::RefreshRows() {
    RunRows("THstmt.RefreshRows", OnRefresh, "Refresh row(s)?", roRefresh, &THstmt::RefreshRow);
}

// ---- Single rows

void THstmt::InsertRow(SQLULEN row) {
    // Adding by SQLBulkOperations sends every row of the rowset: only a one-row rowset says
    // exactly which row is meant.
    if ((PositionCaps() & SQL_CA1_BULK_ADD) && FRowSetSize == 1) {
        PositionedWrite(row, SQL_ADD, nrByInsert);
        return;
    }
    std::vector<std::string> markers;
    for (SQLUSMALLINT col = 1; col <= FNumCols; ++col)
        if (SendsValue(*FCols[col - 1], row)) markers.emplace_back("?");
    const std::string sql = "INSERT INTO " + QuoteIdentifier(TableName()) + " (" + ValueColumnList(row, "") +
                            ") VALUES (" + JoinList(markers, ", ") + ")";
    THstmt& aux = PreparedAuxiliary(roInsert, sql);
    SQLUSMALLINT number = 0;
    BindRowValues(aux, row, number);
    ExecuteAuxiliary(aux, nrByInsert);
}

void THstmt::UpdateRow(SQLULEN row) {
    for (SQLUSMALLINT col = 1; col <= FNumCols; ++col) {
        SQLLEN updatable = SQL_ATTR_READWRITE_UNKNOWN;
        // A driver that cannot tell leaves the column to the caller's own ignore marks.
        if (Success(SQLColAttribute(FHandle, col, SQL_DESC_UPDATABLE, nullptr, 0, nullptr, &updatable)) &&
            updatable == SQL_ATTR_READONLY)
            FCols[col - 1]->Indicator(row) = SQL_COLUMN_IGNORE;
    }
    // A later rowset row cannot send its long values (below) and some drivers refuse a positioned
    // update with columns unbound: such a row is written by a generated statement instead.
    const bool longsHeld = row == 1 || std::none_of(FCols.begin(), FCols.begin() + FNumCols,
                                                    [](const auto& rec) { return rec->Long; });
    if ((PositionCaps() & SQL_CA1_POS_UPDATE) && longsHeld) {
        PositionedWrite(row, SQL_UPDATE, nrByUpdate);
        return;
    }
    bool bindKeys = false;
    const std::string where = WriteWhere(row, SQL_CA1_POSITIONED_UPDATE, bindKeys);
    const std::string sql =
        "UPDATE " + QuoteIdentifier(TableName()) + " SET " + ValueColumnList(row, " = ?") + " " + where;
    THstmt& aux = PreparedAuxiliary(roUpdate, sql);
    SQLUSMALLINT number = 0;
    BindRowValues(aux, row, number);
    if (bindKeys) BindRowKeys(aux, row, number);
    ExecuteAuxiliary(aux, nrByUpdate);
}

void THstmt::DeleteRow(SQLULEN row) {
    if (PositionCaps() & SQL_CA1_POS_DELETE) {
        PositionedWrite(row, SQL_DELETE, nrByDelete);
        return;
    }
    bool bindKeys = false;
    const std::string where = WriteWhere(row, SQL_CA1_POSITIONED_DELETE, bindKeys);
    THstmt& aux = PreparedAuxiliary(roDelete, "DELETE FROM " + QuoteIdentifier(TableName()) + " " + where);
    SQLUSMALLINT number = 0;
    if (bindKeys) BindRowKeys(aux, row, number);
    ExecuteAuxiliary(aux, nrByDelete);
}

void THstmt::RefreshRow(SQLULEN row) {
    if (PositionCaps() & SQL_CA1_POS_REFRESH) {
        FRetCode = SQLSetPos(FHandle, static_cast<SQLSETPOSIROW>(row), SQL_REFRESH, SQL_LOCK_NO_CHANGE);
        CheckPositioned(nrByRefresh);
        // Long columns are not bound: read them again so they match the refreshed row.
        if (FBlobsAtFetch) ReadLongsAfterFetch();
        return;
    }
    std::vector<std::string> names;
    for (const std::string& name : FColNames)
        names.push_back(QuoteIdentifier(name));
    const std::string sql = "SELECT " + JoinList(names, ", ") + " FROM " + QuoteIdentifier(TableName()) +
                            " WHERE " + PrimaryWhere();
    THstmt& aux = PreparedAuxiliary(roRefresh, sql);
    SQLUSMALLINT number = 0;
    BindRowKeys(aux, row, number);
    aux.Execute();
    const bool found = aux.FetchNext();
    if (found) CopyRefreshedRow(aux, row);
    // The key lookup holds nothing open between refreshes.
    aux.CloseCursor();
    if (!found && (FNoRowsAffected & NoRowsAffectedBit(nrByRefresh))) RaiseNoRows(nrByRefresh);
}

void THstmt::CopyRefreshedRow(THstmt& aux, SQLULEN row) {
    for (SQLUSMALLINT col = 1; col <= FNumCols && col <= aux.FNumCols; ++col) {
        TColRec& to = *FCols[col - 1];
        TColRec& from = *aux.FCols[col - 1];
        const SQLLEN indicator = from.Indicator(1);
        if (to.Long) {
            if (from.Long) to.Blob->LoadFrom(*from.Blob);
            to.Indicator(row) = indicator;
            to.LongRead = true;
        } else if (!to.Data || indicator == SQL_NULL_DATA || from.Long) {
            to.Indicator(row) = indicator == SQL_NULL_DATA ? SQL_NULL_DATA : to.Indicator(row);
        } else if (to.CType == from.CType) {
            // Cells of the same type may still differ in size (the table's column may be wider
            // than the result's): never copy past either cell.
            const std::size_t bytes = std::min(to.CellSize, from.CellSize);
            std::memcpy(to.Cell(row), from.Cell(1), bytes);
            SQLLEN length = indicator;
            if (to.CType == SQL_C_CHAR && bytes > 0) {
                to.Cell(row)[bytes - 1] = 0;
                length = std::min<SQLLEN>(length, static_cast<SQLLEN>(std::strlen(to.Cell(row))));
            }
            to.Indicator(row) = length;
        } else {
            StoreText(to, row, aux.ColStringAt(col, 1));
        }
    }
}

// ---- SQLSetPos and SQLBulkOperations

void THstmt::RebindLongColumns(bool on) {
    Init();
    BindCols();
    const std::string needLength = FHdbc->InfoString(SQL_NEED_LONG_DATA_LEN);
    const bool lengthFirst = !needLength.empty() && needLength[0] == 'Y';
    for (SQLUSMALLINT col = 1; col <= FNumCols; ++col) {
        TColRec& rec = *FCols[col - 1];
        if (!rec.Long) continue;
        SQLLEN& indicator = rec.Indicator(1);
        if (on) indicator = ColSizeAt(col, 1);
        SQLLEN bufferLength = 0;
        if (lengthFirst) {
            if (on && indicator >= 0) indicator = DataAtExecMark(indicator);
            if (!on && IsDataAtExecMark(indicator)) indicator = DataAtExecLength(indicator);
        } else if (on) {
            bufferLength = std::max<SQLLEN>(indicator, 0) + (rec.CType == SQL_C_CHAR ? 1 : 0);
        }
        if (on)
            Check(
                SQLBindCol(FHandle, col, rec.CType, rec.Blob->Memory(), bufferLength, rec.Indicators.data()));
        else
            Check(SQLBindCol(FHandle, col, rec.CType, nullptr, 0, nullptr));
    }
}

void THstmt::PositionedWrite(SQLULEN row, SQLUSMALLINT operation, TNoRowsAffectedKind kind) {
    bool longsStillBound = false;
    const TDropWhileBound drop(*this, longsStillBound);
    SQLRETURN written = SQL_SUCCESS;
    {
        // Long columns go with row 1 only: their one stream holds row 1's value.
        std::optional<TLongColumnsBound> longs;
        if (row == 1) longs.emplace(*this, longsStillBound);
        if (operation == SQL_ADD)
            FRetCode = SQLBulkOperations(FHandle, SQL_ADD);
        else
            FRetCode = SQLSetPos(FHandle, static_cast<SQLSETPOSIROW>(row), operation, SQL_LOCK_NO_CHANGE);
        if (FRetCode == SQL_NEED_DATA) SendDataAtExec(TExecDataList::Columns);
        written = FRetCode;
    }
    // Unbinding the long columns set the return code of its own calls; the write's is the one checked.
    FRetCode = written;
    CheckPositioned(kind);
}

void THstmt::CheckPositioned(TNoRowsAffectedKind kind) {
    if (FRetCode == SQL_NEED_DATA) return;
    if (FRetCode == SQL_NO_DATA) {
        if (FNoRowsAffected & NoRowsAffectedBit(kind)) RaiseNoRows(kind);
        return;
    }
    Check(FRetCode);
}

void THstmt::RaiseNoRows(TNoRowsAffectedKind) {
    FRetCode = SQL_NO_DATA;
    GlobalEnv().Error().RaiseODBCError(this, SQL_NO_DATA);
}

// ---- Generated statements

bool THstmt::SendsValue(const TColRec& rec, SQLULEN row) const {
    const SQLLEN indicator = rec.Indicators[row - 1];
    if (indicator == SQL_COLUMN_IGNORE) return false;
    // A column the statement holds no value of (unknown type), a long value deferred and never
    // read, or a long value of a later rowset row (one stream serves the whole rowset, holding
    // whichever row was read last) would overwrite the stored value.
    if (!rec.Long) return rec.Data != nullptr;
    return row == 1 && !(FBlobDeferral && FRowSetSize == 1 && !rec.LongRead);
}

std::string THstmt::ValueColumnList(SQLULEN row, const char* suffix) {
    std::vector<std::string> items;
    for (SQLUSMALLINT col = 1; col <= FNumCols; ++col)
        if (SendsValue(*FCols[col - 1], row)) items.push_back(QuoteIdentifier(FColNames[col - 1]) + suffix);
    return JoinList(items, ", ");
}

std::string THstmt::WriteWhere(SQLULEN row, SQLUINTEGER positionedFlag, bool& bindKeys) {
    // WHERE CURRENT OF writes the cursor's current row: in a rowset of several rows that is the
    // row asked for only once the cursor is positioned on it, so without positioning the key is used.
    const bool canPosition = FRowSetSize == 1 || (FCursorCaps & SQL_CA1_POS_POSITION);
    bindKeys = !(CursorCaps() & positionedFlag) || !canPosition;
    if (bindKeys) return "WHERE " + PrimaryWhere();
    if (FRowSetSize > 1)
        Check(SQLSetPos(FHandle, static_cast<SQLSETPOSIROW>(row), SQL_POSITION, SQL_LOCK_NO_CHANGE));
    return "WHERE CURRENT OF " + CursorName();
}

THstmt& THstmt::PreparedAuxiliary(SQLUSMALLINT operation, const std::string& sql) {
    const std::size_t index = AuxiliaryIndex(operation);
    std::unique_ptr<THstmt>& aux = FAuxiliary[index];
    if (!aux) {
        aux = std::make_unique<THstmt>();
        aux->SetName(Name() + "_row" + std::to_string(operation));
    }
    if (aux->hDbc() != FHdbc) aux->SethDbc(FHdbc);
    aux->SetBlobSize(FBlobSize);
    // The columns sent may differ from one row to the next (ignored, deferred): the text is
    // compared, not only the prepared state, so that markers and bindings always agree.
    if (aux->Prepared() && FAuxiliaryText[index] == sql) return *aux;
    std::string text = sql;
    if (OnStatement) OnStatement(this, operation, text);
    aux->SetSQL(text);
    aux->Prepare();
    FAuxiliaryText[index] = sql;
    return *aux;
}

void THstmt::BindCell(THstmt& aux, SQLUSMALLINT number, TColRec& rec, SQLULEN row, SQLLEN size) {
    if (rec.Long) {
        aux.BindParamBlob(number, *rec.Blob, rec.CType == SQL_C_BINARY);
    } else {
        aux.BindParam(number, rec.CType, rec.SQLType, rec.Cell(row));
        aux.SetParamSize(number, size);
    }
    if (rec.Indicator(row) == SQL_NULL_DATA) aux.SetParamSize(number, SQL_NULL_DATA);
}

void THstmt::BindRowValues(THstmt& aux, SQLULEN row, SQLUSMALLINT& number) {
    for (SQLUSMALLINT col = 1; col <= FNumCols; ++col) {
        TColRec& rec = *FCols[col - 1];
        if (SendsValue(rec, row)) BindCell(aux, ++number, rec, row, rec.Indicator(row));
    }
}

void THstmt::BindRowKeys(THstmt& aux, SQLULEN row, SQLUSMALLINT& number) {
    for (SQLUSMALLINT col = 1; col <= FNumCols; ++col) {
        TColRec& rec = *FCols[col - 1];
        if (!rec.Primary) continue;
        // A key cell the caller never sized is sent as what it holds.
        const SQLLEN indicator = rec.Indicator(row);
        const SQLLEN size = indicator >= 0 || indicator == SQL_NULL_DATA ? indicator
                            : rec.CType == SQL_C_CHAR                    ? SQL_NTS
                                                                         : 0;
        BindCell(aux, ++number, rec, row, size);
    }
}

void THstmt::ExecuteAuxiliary(THstmt& aux, TNoRowsAffectedKind kind) {
    aux.Execute();
    if (aux.NumRowsAffected() == 0 && (FNoRowsAffected & NoRowsAffectedBit(kind))) RaiseNoRows(kind);
}

} // namespace tarvik
