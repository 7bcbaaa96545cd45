#include "dataset/odbc/OEDataSet.h"

#include "dataset/odbc/ColumnFieldType.h"
#include "odbc/ODBCError.h"
#include "odbc/SqlText.h"
#include "odbc/Trace.h"

#include <algorithm>

namespace tarvik {

TCustomOEDataSet::TCustomOEDataSet(TComponent* owner) : TDataSet(owner) {
    FParams.BeforeBuffersGo = [this] { UnbindParams(); };
}

TCustomOEDataSet::~TCustomOEDataSet() {
    Destroying_();
    try {
        Close();
    } catch (...) {
        // A destructor never throws; the statement goes below in any case.
        SwallowODBCError();
    }
    FhStmt.reset(); // unhooks the statement before it terminates itself
    // The statement goes before the parameter buffers it is bound to: closing a call's pending
    // results makes the driver write the output values into them.
    FStatement.reset();
}

std::unique_ptr<THstmt> TCustomOEDataSet::CreateHstmt() {
    return std::make_unique<THstmt>();
}

THstmt& TCustomOEDataSet::Statement() {
    if (FStatement) return *FStatement;
    // Made here rather than in the constructor, where a descendant's CreateHstmt is not yet called.
    FStatement = CreateHstmt();
    FStatement->OnRowCount = [this](TComponent*) { return DoRowCount(); };
    FhStmt = std::make_unique<TDataSetHstmt>(*this, *FStatement);
    if (Owner())
        for (TComponent* c : Owner()->Components())
            if (auto* dbc = dynamic_cast<THdbc*>(c)) {
                FStatement->SethDbc(dbc);
                break;
            }
    return *FStatement;
}

TDataSetHstmt& TCustomOEDataSet::hStmt() {
    Statement();
    return *FhStmt;
}

THdbc* TCustomOEDataSet::hDbc() {
    return Statement().hDbc();
}

void TCustomOEDataSet::SethDbc(THdbc* value) {
    Terminate();
    Statement().SethDbc(value);
}

void TCustomOEDataSet::Notification(TComponent* component, TOperation operation) {
    TDataSet::Notification(component, operation);
    if (component == this || Destroying()) return;
    auto* dbc = dynamic_cast<THdbc*>(component);
    if (!dbc) return;
    THstmt& s = Statement();
    if (operation == TOperation::opInsert && !s.hDbc()) {
        SethDbc(dbc);
    } else if (operation == TOperation::opRemove && s.hDbc() == dbc) {
        try {
            SethDbc(nullptr);
        } catch (...) {
            // The connection is going away and its handles with it; the statement forgets it.
            SwallowODBCError();
            s.ForgetHdbc(dbc);
        }
    }
}

void TCustomOEDataSet::StatementTerminating() {
    FStatementTerminating = true;
    try {
        Close();
    } catch (...) {
        FStatementTerminating = false;
        FPrepared = false;
        FParamsBound = false;
        throw;
    }
    FStatementTerminating = false;
    FPrepared = false;
    FParamsBound = false;
}

void TCustomOEDataSet::SourceChanged() {
    FParamsStale = !Loading() && FParamCheck;
    FPrepared = false;
    FParamsBound = false;
    if (!Loading()) hStmt().Target().Clear();
}

void TCustomOEDataSet::SetTableName(const std::string& value) {
    Trace(1, "TCustomOEDataSet.SetTableName");
    Terminate();
    FTableName = value;
    FStoredProcName.clear();
    SourceChanged();
}

void TCustomOEDataSet::SetStoredProcName(const std::string& value) {
    Trace(1, "TCustomOEDataSet.SetStoredProcName");
    Terminate();
    FTableName.clear();
    FStoredProcName = value;
    SourceChanged();
}

void TCustomOEDataSet::SetSQLText(const std::string& value) {
    Trace(1, "TCustomOEDataSet.SetSQLText");
    Terminate();
    FTableName.clear();
    FStoredProcName.clear();
    FSQLText = value;
    Statement().SetSQL(value);
    SourceChanged();
}

bool TCustomOEDataSet::RequestLive() {
    return hStmt().ConcurrencyType() != SQL_CONCUR_READ_ONLY;
}

void TCustomOEDataSet::SetRequestLive(bool value) {
    if (!value)
        hStmt().SetConcurrencyType(SQL_CONCUR_READ_ONLY);
    else if (hStmt().ConcurrencyType() == SQL_CONCUR_READ_ONLY)
        hStmt().SetConcurrencyType(SQL_CONCUR_VALUES);
    SetEditable(value);
}

void TCustomOEDataSet::SetEditable(bool value) {
    Terminate();
    FEditable = value;
    THstmt& s = Statement();
    if (value && !Loading() && s.ConcurrencyType() == SQL_CONCUR_READ_ONLY &&
        !(s.SkipByPosition() && s.SkipByCursor()))
        hStmt().SetConcurrencyType(SQL_CONCUR_VALUES);
}

bool TCustomOEDataSet::UniDirectional() {
    return hStmt().CursorType() == SQL_CURSOR_FORWARD_ONLY;
}

void TCustomOEDataSet::LeaveForwardOnly() {
    if (hStmt().CursorType() != SQL_CURSOR_FORWARD_ONLY) return;
    THdbc* dbc = hDbc();
    hStmt().SetCursorType(dbc && dbc->CursorLib() != SQL_CUR_USE_DRIVER ? SQL_CURSOR_STATIC
                                                                        : SQL_CURSOR_KEYSET_DRIVEN);
}

void TCustomOEDataSet::SetUniDirectional(bool value) {
    if (value)
        hStmt().SetCursorType(SQL_CURSOR_FORWARD_ONLY);
    else
        LeaveForwardOnly();
}

void TCustomOEDataSet::SetCached(bool value) {
    Terminate();
    FCached = value;
    THstmt& s = Statement();
    if (value) {
        if (!Loading()) {
            hStmt().SetConcurrencyType(SQL_CONCUR_READ_ONLY);
            hStmt().SetCursorType(SQL_CURSOR_FORWARD_ONLY);
        }
        s.SetSkipByPosition(true);
        s.SetSkipByCursor(true);
        return;
    }
    if (!Loading()) {
        if (hStmt().ConcurrencyType() == SQL_CONCUR_READ_ONLY) hStmt().SetConcurrencyType(SQL_CONCUR_VALUES);
        LeaveForwardOnly();
    }
    hStmt().SetRowSetSize(1);
    SetCachedUpdates(false);
}

void TCustomOEDataSet::SetCachedUpdates(bool value) {
    Terminate();
    FCachedUpdates = value;
    if (value) SetCached(true);
}

bool TCustomOEDataSet::CacheBlobs() {
    return !hStmt().BlobDeferral();
}

void TCustomOEDataSet::SetCacheBlobs(bool value) {
    hStmt().SetBlobDeferral(!value);
}

TOEParamBindMode TCustomOEDataSet::ParamBindMode() {
    return hStmt().BindByName() ? pbByName : pbByNumber;
}

void TCustomOEDataSet::SetParamBindMode(TOEParamBindMode value) {
    hStmt().SetBindByName(value == pbByName);
}

void TCustomOEDataSet::Prepare() {
    Trace(1, "TCustomOEDataSet.Prepare");
    if (FPrepared || Loading()) return;
    std::string text;
    if (!FTableName.empty())
        text = "SELECT * FROM " + QuoteIdentifier(FTableName);
    else if (!FStoredProcName.empty()) {
        CreateParams();
        text = StoredProcStatement();
    } else if (FSQLText.empty())
        throw EVERODezuzid("SQL-, Table- or StoredProc-Property must be set.");
    else
        text = FSQLText;
    THstmt& s = Statement();
    s.SetName(Name()); // messages about the statement name the dataset
    s.SetSQL(text);
    s.Prepare();
    FPrepared = true;
    FParamsBound = false;
}

void TCustomOEDataSet::ExecSQL() {
    Trace(1, "TCustomOEDataSet.ExecSQL");
    BindParams();
    Statement().Execute();
    CopyOutputParams();
}

void TCustomOEDataSet::RefreshResults() {
    DisableControls();
    try {
        Close();
        Open();
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

void TCustomOEDataSet::SetFiltered(bool value) {
    TDataSet::SetFiltered(value);
    if (Active()) RefreshResults();
}

void TCustomOEDataSet::SetOnFilterRecord(TFilterRecordEvent handler) {
    TDataSet::SetOnFilterRecord(std::move(handler));
    if (Active()) RefreshResults();
}

void TCustomOEDataSet::InternalInitFieldDefs() {
    Trace(1, "TCustomOEDataSet.InternalInitFieldDefs");
    ExecSQL();
    FieldDefs().Clear();
    THstmt& s = Statement();
    const SQLUSMALLINT count = s.NumCols();
    for (SQLUSMALLINT col = 1; col <= count; ++col) {
        const TFieldType type = FieldTypeForColumn(s.ColSQLType(col), s.ColCType(col));
        const int size = type == ftString || type == ftBytes ? static_cast<int>(s.ColPrecision(col)) : 0;
        FieldDefs().Add(s.ColNames()[col - 1], type, size, col, s.ColScale(col));
    }
}

void TCustomOEDataSet::InternalOpen() {
    Trace(1, "TCustomOEDataSet.InternalOpen");
    InternalInitFieldDefs();
    FAllFetched = false;
    FOffEdge = 0;
    FCachePosition = 0;
    FBookmarkCounter = 0;
    FCursorOpen = true;
    if (DefaultFields()) CreateFields();
    BindFields(true);
    std::vector<TFieldType> types;
    std::vector<int> sizes;
    for (const TFieldDef& def : FieldDefs()) {
        types.push_back(def.DataType);
        sizes.push_back(def.Size);
    }
    const int bookmarkSize = FCached ? 4 : static_cast<int>(Statement().BookmarkLength());
    SetBookmarkSize(bookmarkSize);
    FLayout = std::make_shared<const TRecordLayout>(
        TRecordLayout::Compute(types, sizes, CalcFieldsSize(), bookmarkSize));
    FreeWorkBuffers();
    FFilterBuffer = AllocRecordBuffer();
    FOldValuesBuffer = AllocRecordBuffer();
    FLocateBuffer = AllocRecordBuffer();
    FSavedRecords.clear();
    FRowCache.clear();
    FDeletedBookmarks.clear();
}

void TCustomOEDataSet::FreeWorkBuffers() {
    FFilterBuffer.reset();
    FOldValuesBuffer.reset();
    FLocateBuffer.reset();
}

void TCustomOEDataSet::InternalClose() {
    Trace(1, "TCustomOEDataSet.InternalClose");
    FreeWorkBuffers();
    FSavedRecords.clear();
    FRowCache.clear();
    FCursorOpen = false;
    if (DefaultFields()) DestroyFields();
    BindFields(false);
    FLayout.reset();
    // A terminating statement closes its cursor and unbinds its parameters itself, later, so the
    // buffers stay (they are bound anew before the next execution).
    if (!FStatementTerminating) {
        // Parameter buffers go only once no cursor is open (a driver writes output values into
        // them when it closes) and they are unbound. A statement without a handle has neither.
        if (FStatement && FStatement->Allocated()) FStatement->CloseCursor();
        FParams.FreeBuffers();
    }
    FParams.ParamDefs.clear();
}

std::unique_ptr<TRecordBuffer> TCustomOEDataSet::AllocRecordBuffer() {
    if (!FLayout) throw EDatabaseError("Cannot perform this operation on a closed dataset");
    auto buffer = std::make_unique<TRecordBuffer>(FLayout);
    InitRecord(*buffer);
    return buffer;
}

void TCustomOEDataSet::InternalInitRecord(TRecordBuffer& buffer) {
    const TRecordLayout& layout = *FLayout;
    for (int col = 1; col <= static_cast<int>(layout.Types.size()); ++col) {
        const int width = layout.SlotWidths[static_cast<std::size_t>(col - 1)];
        char* slot = buffer.Slot(col);
        if (layout.IsBlob(col)) {
            buffer.Stream(col).Clear();
            slot[width - 1] = 0;
        } else {
            std::fill(slot, slot + width, 0);
        }
    }
}

} // namespace tarvik
