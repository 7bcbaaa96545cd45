// TCustomOEDataSet: rows from the statement into record buffers, moving through the result set
// (on the statement's cursor, or within the row cache), bookmarks and field values.
#include "dataset/odbc/OEDataSet.h"
#include "odbc/ODBCError.h"
#include "odbc/Trace.h"
#include "odbc/ValueConvert.h"

#include <algorithm>
#include <cstring>

namespace tarvik {

namespace {
constexpr std::int64_t MillisPerDay = 86400000;

template <typename T> void Store(char* slot, T value) {
    std::memcpy(slot, &value, sizeof value);
}

std::int64_t DayOf(const SQL_TIMESTAMP_STRUCT& ts) {
    return DayNumber(TVarDate{ts.year, ts.month, ts.day});
}

std::int64_t MillisOf(const SQL_TIMESTAMP_STRUCT& ts) {
    return ((ts.hour * 60 + ts.minute) * 60 + ts.second) * 1000 + ts.fraction / 1000000;
}

TBookmark CacheBookmark(std::int32_t number) {
    TBookmark bookmark(sizeof number);
    std::memcpy(bookmark.data(), &number, sizeof number);
    return bookmark;
}

std::int32_t CacheNumber(const TBookmark& bookmark) {
    std::int32_t number = 0;
    std::memcpy(&number, bookmark.data(), std::min(bookmark.size(), sizeof number));
    return number;
}
} // namespace

void TCustomOEDataSet::ReadColumn(TRecordBuffer& buffer, int column, SQLULEN row) {
    THstmt& s = *FStatement;
    const auto col = static_cast<SQLUSMALLINT>(column);
    const std::size_t i = static_cast<std::size_t>(column - 1);
    const TFieldType type = FLayout->Types[i];
    const int width = FLayout->SlotWidths[i];
    char* slot = buffer.Slot(column);
    // A long value's indicator is known only once the value has been read.
    auto null = [&] { return s.ColNullAt(col, row) || s.ColIgnoredAt(col, row); };
    switch (type) {
    case ftBlob:
    case ftMemo: {
        TMemoryStream& stream = buffer.Stream(column);
        // Another row's long value is read by positioning on it; a cursor that cannot would
        // leave every such value NULL.
        if (!s.BlobDeferral() && s.RowSetSize() > 1 && !(s.CursorCapabilities() & SQL_CA1_POS_POSITION))
            throw EVERODezuzid("Long column " + FieldDefs()[column - 1].Name +
                               " cannot be read in rowsets of more than one row on this cursor.");
        TMemoryStream* source = s.BlobDeferral() ? nullptr : s.ColStreamAt(col, s.RowSetSize() < 2 ? 1 : row);
        if (source)
            stream.LoadFrom(*source);
        else
            stream.Clear();
        break;
    }
    case ftString: {
        const std::string text = TrimText(s.ColStringAt(col, row), s.StringTrimming());
        const std::size_t n = std::min(text.size(), static_cast<std::size_t>(width - 2));
        std::memcpy(slot, text.data(), n);
        slot[n] = 0;
        break;
    }
    case ftSmallint:
        Store(slot, static_cast<std::int16_t>(s.ColIntegerAt(col, row)));
        break;
    case ftWord:
    case ftBoolean:
        Store(slot, static_cast<std::uint16_t>(s.ColIntegerAt(col, row)));
        break;
    case ftInteger:
        Store(slot, s.ColIntegerAt(col, row));
        break;
    case ftFloat:
        Store(slot, s.ColDoubleAt(col, row));
        break;
    case ftLargeint:
        Store(slot, s.ColInt64At(col, row));
        break;
    case ftDate:
    case ftTime:
    case ftDateTime: {
        const SQL_TIMESTAMP_STRUCT ts = null() ? DefaultTimestamp() : s.ColDateTimeAt(col, row);
        if (type == ftDate)
            Store(slot, static_cast<std::int32_t>(DayOf(ts)));
        else if (type == ftTime)
            Store(slot, static_cast<std::int32_t>(MillisOf(ts)));
        else
            Store(slot, static_cast<double>(DayOf(ts) * MillisPerDay + MillisOf(ts)));
        break;
    }
    case ftBytes: {
        const SQLLEN size = null() ? 0 : std::clamp<SQLLEN>(s.ColSizeAt(col, row), 0, width - 1);
        std::memset(slot, 0, static_cast<std::size_t>(width - 1));
        if (const void* value = s.ColValueAt(col, row); value && size > 0)
            std::memcpy(slot, value, static_cast<std::size_t>(size));
        break;
    }
    default:
        break;
    }
    slot[width - 1] = null() ? 0 : 1;
}

void TCustomOEDataSet::ToField(TRecordBuffer& buffer, SQLULEN row) {
    for (int col = 1; col <= static_cast<int>(FLayout->Types.size()); ++col)
        ReadColumn(buffer, col, row);
}

void TCustomOEDataSet::FillCache(std::int32_t target) {
    if (FAllFetched) return;
    THstmt& s = *FStatement;
    auto wanted = [&] { return target < 0 || static_cast<std::int32_t>(FRowCache.size()) < target; };
    while (wanted() && s.FetchNext() && s.NumRowsFetched() > 0) {
        for (SQLULEN row = 1; row <= s.NumRowsFetched(); ++row) {
            auto buffer = AllocRecordBuffer();
            buffer->Bookmark() = CacheBookmark(++FBookmarkCounter);
            buffer->SetBookmarkFlag(bfInserted);
            buffer->SetUpdateStatus(usUnmodified);
            buffer->SetFormerCacheIndex(-1);
            ToField(*buffer, row);
            FRowCache.push_back(std::move(buffer));
        }
    }
    FAllFetched = wanted();
}

void TCustomOEDataSet::PositionCache(std::int32_t position) {
    auto count = [&] { return static_cast<std::int32_t>(FRowCache.size()); };
    if (position < 0) {
        FillCache(-1);
        FCachePosition = count() >= -position ? position + count() + 1 : 0;
    } else if (position > count()) {
        FillCache(position);
        FCachePosition = count() < position ? count() + 1 : position;
    } else {
        FCachePosition = position;
    }
}

bool TCustomOEDataSet::FetchCache(SQLSMALLINT orientation, std::int32_t offset) {
    switch (orientation) {
    case SQL_FETCH_NEXT:
        PositionCache(FCachePosition + 1);
        break;
    case SQL_FETCH_FIRST:
        PositionCache(1);
        break;
    case SQL_FETCH_LAST:
        PositionCache(-1);
        break;
    case SQL_FETCH_PRIOR:
        if (FCachePosition > 0) PositionCache(FCachePosition - 1);
        break;
    case SQL_FETCH_ABSOLUTE:
        PositionCache(offset);
        break;
    case SQL_FETCH_RELATIVE:
        PositionCache(FCachePosition + offset);
        break;
    case SQL_FETCH_BOOKMARK: {
        auto found = std::find_if(FRowCache.begin(), FRowCache.end(),
                                  [&](const auto& r) { return CacheNumber(r->Bookmark()) == offset; });
        if (found == FRowCache.end()) throw EVERODezuzid("Bookmark not found in cache.");
        FCachePosition = static_cast<std::int32_t>(found - FRowCache.begin()) + 1;
        break;
    }
    default:
        break;
    }
    return FCachePosition >= 1 && FCachePosition <= static_cast<std::int32_t>(FRowCache.size());
}

bool TCustomOEDataSet::FetchFirst() {
    return FCached ? FetchCache(SQL_FETCH_FIRST, 0) : Statement().FetchFirst();
}
bool TCustomOEDataSet::FetchNext() {
    return FCached ? FetchCache(SQL_FETCH_NEXT, 0) : Statement().FetchNext();
}
bool TCustomOEDataSet::FetchLast() {
    return FCached ? FetchCache(SQL_FETCH_LAST, 0) : Statement().FetchLast();
}
bool TCustomOEDataSet::FetchPrev() {
    return FCached ? FetchCache(SQL_FETCH_PRIOR, 0) : Statement().FetchPrior();
}
bool TCustomOEDataSet::FetchAbsolute(std::int32_t row) {
    return FCached ? FetchCache(SQL_FETCH_ABSOLUTE, row) : Statement().FetchAbsolute(row);
}
bool TCustomOEDataSet::FetchBookmark(const TBookmark& bookmark) {
    if (FCached) return FetchCache(SQL_FETCH_BOOKMARK, CacheNumber(bookmark));
    if (bookmark.size() < Statement().BookmarkLength()) throw EVERODezuzid("Invalid bookmark.");
    return Statement().FetchBookmark(bookmark.data());
}

TBookmark TCustomOEDataSet::CurrentBookmark() {
    if (FCached) {
        if (FCachePosition < 1 || FCachePosition > static_cast<std::int32_t>(FRowCache.size()))
            throw EVERODezuzid("Current record not found in cache.");
        return FRowCache[static_cast<std::size_t>(FCachePosition - 1)]->Bookmark();
    }
    THstmt& s = Statement();
    std::unique_ptr<char[]> bookmark = s.GetBookmark();
    if (!bookmark) return {};
    return TBookmark(bookmark.get(), bookmark.get() + s.BookmarkLength());
}

int TCustomOEDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
    if (a.empty() && b.empty()) return 0;
    if (a.empty() || b.empty()) return 1;
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

bool TCustomOEDataSet::IsDeleted(const TBookmark& bookmark) {
    return std::any_of(FDeletedBookmarks.begin(), FDeletedBookmarks.end(),
                       [&](const TBookmark& d) { return CompareBookmarks(d, bookmark) == 0; });
}

TRecordBuffer* TCustomOEDataSet::SavedRecord(const TBookmark& bookmark) {
    if (bookmark.empty()) return nullptr;
    for (const auto& saved : FSavedRecords)
        if (CompareBookmarks(saved->Bookmark(), bookmark) == 0) return saved.get();
    return nullptr;
}

void TCustomOEDataSet::FillFromCursor(TRecordBuffer& buffer, const TBookmark& bookmark) {
    if (FCached) {
        buffer.CopyFrom(*FRowCache[static_cast<std::size_t>(FCachePosition - 1)], true);
    } else if (TRecordBuffer* saved = SavedRecord(bookmark)) {
        buffer.CopyFrom(*saved, true);
    } else {
        ToField(buffer, 1);
        std::fill(buffer.Bookmark().begin(), buffer.Bookmark().end(), 0);
        std::copy_n(bookmark.begin(), std::min(bookmark.size(), buffer.Bookmark().size()),
                    buffer.Bookmark().begin());
        buffer.SetUpdateStatus(usUnmodified);
        buffer.SetFormerCacheIndex(-1);
    }
}

bool TCustomOEDataSet::AcceptRecord() {
    if (!Filtered() && !FFindInProgress) return true;
    bool accept = true;
    if (!OnFilterRecord()) return accept;
    InState(dsFilter, [&] {
        FillFromCursor(*FFilterBuffer, CurrentBookmark());
        FFilterBuffer->SetBookmarkFlag(bfCurrent);
        CalculateFields(*FFilterBuffer);
        try {
            OnFilterRecord()(*this, accept);
        } catch (...) {
            // A failing filter is shown and does not stop the read.
            InternalHandleException();
        }
    });
    return accept;
}

TGetResult TCustomOEDataSet::CheckCurrent() {
    TRecordBuffer* active = ActiveBuffer();
    if (!active || active->BookmarkFlag() == bfBOF || active->BookmarkFlag() == bfEOF) return grError;
    if (FCached ? FRowCache.empty() : IsDeleted(active->Bookmark())) return grError;
    return grOK;
}

TGetResult TCustomOEDataSet::MoveToAccepted(TGetMode mode) {
    if (!HasCursor()) return mode == gmNext ? grEOF : grBOF;
    for (;;) {
        if (!(mode == gmNext ? FetchNext() : FetchPrev())) {
            FOffEdge = mode == gmNext ? 1 : -1;
            return mode == gmNext ? grEOF : grBOF;
        }
        FOffEdge = 0;
        if (!FCached) {
            if (!Statement().RowValid(1)) continue;
            const TBookmark bookmark = CurrentBookmark();
            if (!bookmark.empty() && IsDeleted(bookmark)) continue;
        }
        if (AcceptRecord()) return grOK;
    }
}

TGetResult TCustomOEDataSet::GetRecord(TRecordBuffer* buffer, TGetMode mode, bool) {
    Trace(1, "TCustomOEDataSet.GetRecord");
    TGetResult result;
    if (mode == gmCurrent)
        result = CheckCurrent();
    else if (mode == gmPrior && !FCached && Statement().CursorType() == SQL_CURSOR_FORWARD_ONLY)
        result = grError;
    else
        result = MoveToAccepted(mode);
    if (result != grOK || !buffer) {
        if (buffer) InitRecord(*buffer);
        return result;
    }
    const TBookmark bookmark = CurrentBookmark();
    if (bookmark.empty() && mode == gmCurrent && !FCached) {
        if (TRecordBuffer* active = ActiveBuffer()) buffer->CopyFrom(*active, true);
        return grOK;
    }
    FillFromCursor(*buffer, bookmark);
    buffer->SetBookmarkFlag(bfCurrent);
    CalculateFields(*buffer);
    return grOK;
}

bool TCustomOEDataSet::HasCursor() const {
    return FLayout && !FLayout->Types.empty();
}

void TCustomOEDataSet::InternalFirst() {
    FOffEdge = 0;
    if (!HasCursor()) return;
    FetchFirst();
    FetchPrev();
}

void TCustomOEDataSet::InternalLast() {
    FOffEdge = 0;
    if (!HasCursor()) return;
    FetchLast();
    FetchNext();
}

void TCustomOEDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
    if (bookmark.empty() || !HasCursor()) return;
    // A cursor without bookmarks (they are zero bytes) stays where the last read left it; a ring
    // of one buffer reads correctly so, a larger one needs the driver's bookmarks.
    if (!FCached && !(Statement().CursorCapabilities() & SQL_CA1_BOOKMARK)) {
        ReturnFromEdge();
        return;
    }
    FetchBookmark(bookmark);
}

// Rows between the ring's record and the edge were all rejected or deleted, so the first row the
// filter takes on the way back is that record.
void TCustomOEDataSet::ReturnFromEdge() {
    if (FOffEdge == 0 || IsUniDirectional()) return;
    const TGetMode back = FOffEdge > 0 ? gmPrior : gmNext;
    FOffEdge = 0;
    MoveToAccepted(back);
}

void TCustomOEDataSet::InternalSetToRecord(TRecordBuffer& buffer) {
    InternalGotoBookmark(buffer.Bookmark());
}

bool TCustomOEDataSet::IsUniDirectional() {
    return !FCached && Statement().CursorType() == SQL_CURSOR_FORWARD_ONLY;
}

void TCustomOEDataSet::ClearCalcFields(TRecordBuffer& buffer) {
    std::fill(buffer.Data() + FLayout->CalcFieldsOffset, buffer.Data() + FLayout->RecordSize, 0);
}

TRecordBuffer* TCustomOEDataSet::ActiveRecordBuffer() {
    if (!Active()) return nullptr;
    switch (State()) {
    case dsBrowse:
        return IsEmpty() ? nullptr : ActiveBuffer();
    case dsCalcFields:
        return CalcBuffer();
    case dsFilter:
        return FFilterBuffer.get();
    case dsOldValue:
        return FOldValuesBuffer.get();
    default:
        return ActiveBuffer();
    }
}

bool TCustomOEDataSet::GetFieldData(const TField& field, void* dest) {
    TRecordBuffer* record = ActiveRecordBuffer();
    if (!record) return false;
    const int size = field.DataSize();
    if (field.Calculated()) {
        const char* value = record->Data() + FLayout->CalcFieldsOffset + field.Offset();
        if (dest) std::memcpy(dest, value, static_cast<std::size_t>(size));
        return value[size] != 0;
    }
    const int col = field.FieldNo();
    if (col < 1 || col > static_cast<int>(FLayout->Types.size())) return false;
    const char* slot = record->Slot(col);
    const int width = FLayout->SlotWidths[static_cast<std::size_t>(col - 1)];
    if (dest && !FLayout->IsBlob(col)) {
        // A persistent field may say it is longer than its column: never read past the slot.
        const int n = std::min(size, width - 1);
        std::memcpy(dest, slot, static_cast<std::size_t>(n));
        std::memset(static_cast<char*>(dest) + n, 0, static_cast<std::size_t>(size - n));
    }
    return slot[width - 1] == 1;
}

void TCustomOEDataSet::SetFieldData(const TField& field, const void* src) {
    switch (State()) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsCalcFields:
    case dsFilter:
    case dsNewValue:
    case dsInternalCalc:
        break;
    default:
        throw EVERODezuzid("DataSet not in edit or insert mode.");
    }
    TRecordBuffer* record = ActiveRecordBuffer();
    if (!record) return;
    const int size = field.DataSize();
    if (field.Calculated()) {
        char* value = record->Data() + FLayout->CalcFieldsOffset + field.Offset();
        if (src) std::memcpy(value, src, static_cast<std::size_t>(size));
        value[size] = src ? 1 : 0;
        return;
    }
    const int col = field.FieldNo();
    if (col < 1 || col > static_cast<int>(FLayout->Types.size())) return;
    char* slot = record->Slot(col);
    const int width = FLayout->SlotWidths[static_cast<std::size_t>(col - 1)];
    if (src && !FLayout->IsBlob(col))
        std::memcpy(slot, src, static_cast<std::size_t>(std::min(size, width - 1)));
    slot[width - 1] = src ? 1 : 0;
}

const TMemoryStream* TCustomOEDataSet::FieldStream(const TField& field) {
    TRecordBuffer* record = ActiveRecordBuffer();
    if (!record || field.Calculated() || field.FieldNo() < 1 || !FLayout->IsBlob(field.FieldNo()))
        return nullptr;
    return &record->Stream(field.FieldNo());
}

std::int32_t TCustomOEDataSet::DoRowCount() {
    if (!FCached) return -1;
    FetchAll();
    return static_cast<std::int32_t>(FRowCache.size());
}

int TCustomOEDataSet::RecordCount() {
    CheckActive();
    return static_cast<int>(Statement().RowCount());
}

int TCustomOEDataSet::RecNo() {
    if (!FCached) return -1;
    CheckActive();
    if (TRecordBuffer* record = ActiveRecordBuffer()) InternalSetToRecord(*record);
    return FCachePosition;
}

void TCustomOEDataSet::SetRecNo(int row) {
    if (!FCached) return;
    CheckActive();
    if (TRecordBuffer* active = ActiveBuffer()) InternalSetToRecord(*active);
    if (row != FCachePosition) MoveAbsolute(row);
}

bool TCustomOEDataSet::MoveAbsolute(std::int32_t row) {
    if (IsEmpty()) return true;
    CheckBrowseMode();
    if (BeforeScroll) BeforeScroll(*this);
    bool found = FetchAbsolute(row);
    if (!found) found = row <= 0 ? FetchNext() : FetchPrev();
    Resync(true, true);
    if (AfterScroll) AfterScroll(*this);
    return found;
}

void TCustomOEDataSet::FetchAll() {
    if (FAllFetched) return;
    CheckBrowseMode();
    FetchLast();
    CursorPosChanged();
}

bool TCustomOEDataSet::FindRecord(bool restart, bool forward) {
    CheckBrowseMode();
    if (BeforeScroll) BeforeScroll(*this);
    SetFound(false);
    UpdateCursorPos();
    CursorPosChanged();
    TGetResult result;
    FFindInProgress = true;
    try {
        if (forward) {
            if (restart) InternalFirst();
            result = GetRecord(FFilterBuffer.get(), gmNext, true);
        } else {
            if (restart) InternalLast();
            result = GetRecord(FFilterBuffer.get(), gmPrior, true);
        }
    } catch (...) {
        FFindInProgress = false;
        throw;
    }
    FFindInProgress = false;
    if (result != grOK) return false;
    InternalGotoBookmark(FFilterBuffer->Bookmark());
    Resync(true, true);
    SetFound(true);
    if (AfterScroll) AfterScroll(*this);
    return true;
}

} // namespace tarvik
