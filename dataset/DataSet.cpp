#include "dataset/DataSet.h"

#include "core/Exceptions.h"

#include <algorithm>
#include <iostream>

namespace tarvik {

namespace {
TApplicationExceptionHandler& ApplicationHandler() {
    static TApplicationExceptionHandler handler;
    return handler;
}
} // namespace

void SetApplicationExceptionHandler(TApplicationExceptionHandler handler) {
    ApplicationHandler() = std::move(handler);
}

void HandleApplicationException(std::exception_ptr error) noexcept {
    try {
        if (ApplicationHandler()) {
            ApplicationHandler()(error);
            return;
        }
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
    } catch (...) {
        std::cerr << "Unknown exception\n";
    }
}

TDataSet::TDataSet(TComponent* owner) : TComponent(owner) {}

TDataSet::~TDataSet() = default;

void TDataSet::EnableControls() {
    if (FDisableCount == 0) return;
    if (--FDisableCount == 0 && FChangedWhileDisabled) {
        FChangedWhileDisabled = false;
        DataEvent(deDataSetChange);
    }
}

void TDataSet::AddObserver(TDataSetObserver* observer) {
    if (std::find(FObservers.begin(), FObservers.end(), observer) == FObservers.end())
        FObservers.push_back(observer);
}

void TDataSet::RemoveObserver(TDataSetObserver* observer) {
    std::erase(FObservers, observer);
}

void TDataSet::DataEvent(TDataEvent event, int distance) noexcept {
    if (FDisableCount > 0) {
        FChangedWhileDisabled = true;
        return;
    }
    // Copy: an observer may remove itself while it is told.
    const std::vector<TDataSetObserver*> observers = FObservers;
    for (TDataSetObserver* observer : observers)
        observer->DataEvent(event, distance);
}

void TDataSet::SetActive(bool value) {
    if (value)
        Open();
    else
        Close();
}

void TDataSet::Open() {
    if (FState != dsInactive) return;
    if (BeforeOpen) BeforeOpen(*this);
    FState = dsOpening;
    FDefaultFields = FFields.Count() == 0;
    try {
        InternalOpen();
        AllocateBuffers();
        FState = dsBrowse;
        ClearBuffers();
        GetNextRecords();
        FFirstInRing = true;
        FBOF = true;
        FEOF = FRecordCount == 0;
    } catch (...) {
        FState = dsInactive;
        FBuffers.clear();
        try {
            InternalClose();
        } catch (...) {
            // The open's own failure is the one to report.
        }
        throw;
    }
    DataEvent(deDataSetChange);
    if (AfterOpen) AfterOpen(*this);
}

void TDataSet::Close() {
    if (!Active()) return;
    if (BeforeClose) BeforeClose(*this);
    FState = dsInactive;
    ClearBuffers();
    FBuffers.clear();
    InternalClose();
    DataEvent(deDataSetChange);
    if (AfterClose) AfterClose(*this);
}

void TDataSet::CheckActive() const {
    if (!Active()) throw EDatabaseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::AllocateBuffers() {
    FBuffers.clear();
    for (int i = 0; i <= FBufferCount; ++i)
        FBuffers.push_back(AllocRecordBuffer());
}

void TDataSet::SetBufferCount(int count) {
    count = std::max(count, 1);
    if (count == FBufferCount) return;
    FBufferCount = count;
    if (!Active()) return;
    // The ring is made again around the current record.
    UpdateCursorPos();
    AllocateBuffers();
    ClearBuffers();
    Resync(false, false);
}

TRecordBuffer* TDataSet::ActiveBuffer() const {
    return Active() && !FBuffers.empty() ? FBuffers[static_cast<std::size_t>(FActiveRecord)].get() : nullptr;
}

TRecordBuffer* TDataSet::TempBuffer() const {
    return FBuffers.at(static_cast<std::size_t>(FRecordCount)).get();
}

void TDataSet::ClearBuffers() {
    FRecordCount = 0;
    FActiveRecord = 0;
    FCurrentRecord = -1;
    FBOF = true;
    FEOF = true;
}

void TDataSet::ActivateBuffers() {
    FRecordCount = 1;
    FActiveRecord = 0;
    FCurrentRecord = 0;
    FBOF = false;
    FEOF = false;
}

void TDataSet::MoveBuffer(int from, int to) {
    if (from == to) return;
    auto moved = std::move(FBuffers[static_cast<std::size_t>(from)]);
    FBuffers.erase(FBuffers.begin() + from);
    FBuffers.insert(FBuffers.begin() + to, std::move(moved));
}

void TDataSet::SetCurrentRecord(int index) {
    if (FCurrentRecord == index) return;
    if (!IsUniDirectional()) {
        TRecordBuffer& buffer = *FBuffers[static_cast<std::size_t>(index)];
        switch (buffer.BookmarkFlag()) {
        case bfCurrent:
        case bfInserted:
            InternalSetToRecord(buffer);
            break;
        case bfBOF:
            InternalFirst();
            break;
        case bfEOF:
            InternalLast();
            break;
        }
    }
    FCurrentRecord = index;
}

void TDataSet::UpdateCursorPos() {
    if (FRecordCount > 0) SetCurrentRecord(FActiveRecord);
}

bool TDataSet::GetNextRecord() {
    if (FRecordCount > 0) SetCurrentRecord(FRecordCount - 1);
    if (GetRecord(FBuffers[static_cast<std::size_t>(FRecordCount)].get(), gmNext, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (FRecordCount == 0)
        ActivateBuffers();
    else if (FRecordCount < FBufferCount)
        ++FRecordCount;
    else {
        MoveBuffer(0, FRecordCount);
        FFirstInRing = false;
    }
    FCurrentRecord = FRecordCount - 1;
    return true;
}

bool TDataSet::GetPriorRecord() {
    if (FRecordCount > 0) SetCurrentRecord(0);
    if (GetRecord(FBuffers[static_cast<std::size_t>(FRecordCount)].get(), gmPrior, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (FRecordCount == 0) {
        ActivateBuffers();
    } else {
        MoveBuffer(FRecordCount, 0);
        if (FRecordCount < FBufferCount) {
            ++FRecordCount;
            ++FActiveRecord;
        }
    }
    FCurrentRecord = 0;
    return true;
}

int TDataSet::GetNextRecords() {
    int n = 0;
    while (FRecordCount < FBufferCount && GetNextRecord())
        ++n;
    return n;
}

int TDataSet::GetPriorRecords() {
    int n = 0;
    while (FRecordCount < FBufferCount && GetPriorRecord())
        ++n;
    return n;
}

void TDataSet::CheckBiDirectional() {
    if (IsUniDirectional()) throw EDatabaseError("Operation not allowed on a unidirectional dataset");
}

void TDataSet::First() {
    CheckBrowseMode();
    // On a forward-only cursor the first record is reachable while the ring still holds it.
    if (IsUniDirectional() && FFirstInRing) {
        FActiveRecord = 0;
        FBOF = true;
        FEOF = FRecordCount == 0;
        DataEvent(deDataSetChange);
        return;
    }
    CheckBiDirectional();
    if (BeforeScroll) BeforeScroll(*this);
    ClearBuffers();
    try {
        InternalFirst();
        GetNextRecord();
        GetNextRecords();
    } catch (...) {
        FBOF = true;
        throw;
    }
    FFirstInRing = true;
    FBOF = true;
    DataEvent(deDataSetChange);
    if (AfterScroll) AfterScroll(*this);
}

void TDataSet::Last() {
    CheckBrowseMode();
    CheckBiDirectional();
    if (BeforeScroll) BeforeScroll(*this);
    ClearBuffers();
    FFirstInRing = false;
    try {
        InternalLast();
        GetPriorRecord();
        GetPriorRecords();
    } catch (...) {
        FEOF = true;
        throw;
    }
    FEOF = true;
    DataEvent(deDataSetChange);
    if (AfterScroll) AfterScroll(*this);
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int moved = 0;
    if ((distance > 0 && FEOF) || (distance < 0 && FBOF) || distance == 0) return 0;
    if (BeforeScroll) BeforeScroll(*this);
    FBOF = false;
    FEOF = false;
    for (; distance > 0; --distance, ++moved) {
        if (FActiveRecord < FRecordCount - 1) {
            ++FActiveRecord;
        } else if (!GetNextRecord()) {
            FEOF = true;
            break;
        } else if (FRecordCount > 0) {
            FActiveRecord = FRecordCount - 1;
        }
    }
    for (; distance < 0; ++distance, --moved) {
        if (FActiveRecord > 0) {
            --FActiveRecord;
        } else if (!GetPriorRecord()) {
            FBOF = true;
            break;
        } else {
            FActiveRecord = 0;
        }
    }
    DataEvent(deDataSetScroll, moved);
    if (AfterScroll) AfterScroll(*this);
    return moved;
}

TBookmark TDataSet::GetBookmark() {
    CheckActive();
    if (FRecordCount == 0) return {};
    return ActiveBuffer()->Bookmark();
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    CheckBrowseMode();
    if (!BookmarkValid(bookmark)) return;
    if (BeforeScroll) BeforeScroll(*this);
    InternalGotoBookmark(bookmark);
    Resync(true, true);
    if (AfterScroll) AfterScroll(*this);
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
    if (a == b) return 0;
    return a < b ? -1 : 1;
}

void TDataSet::Resync(bool exact, bool center) {
    if (IsUniDirectional()) return;
    TRecordBuffer* spare = FBuffers[static_cast<std::size_t>(FRecordCount)].get();
    if (exact) {
        CursorPosChanged();
        if (GetRecord(spare, gmCurrent, true) != grOK)
            throw EDatabaseError("Record not found or changed by another user");
    } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK &&
               GetRecord(spare, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange);
        return;
    }
    int count = center ? (FBufferCount - 1) / 2 : FActiveRecord;
    FFirstInRing = false;
    MoveBuffer(FRecordCount, 0);
    ActivateBuffers();
    while (count > 0 && GetPriorRecord())
        --count;
    GetNextRecords();
    GetPriorRecords();
    DataEvent(deDataSetChange);
}

void TDataSet::InitRecord(TRecordBuffer& buffer) {
    InternalInitRecord(buffer);
    ClearCalcFields(buffer);
    buffer.SetBookmarkFlag(bfInserted);
}

void TDataSet::CalculateFields(TRecordBuffer& buffer) {
    if (FCalcFieldsSize == 0 && !OnCalcFields) return;
    TRecordBuffer* old = FCalcBuffer;
    FCalcBuffer = &buffer;
    try {
        InState(dsCalcFields, [&] {
            ClearCalcFields(buffer);
            if (OnCalcFields) OnCalcFields(*this);
        });
    } catch (...) {
        FCalcBuffer = old;
        throw;
    }
    FCalcBuffer = old;
}

void TDataSet::InternalHandleException() {
    HandleApplicationException(std::current_exception());
}

void TDataSet::CreateFields() {
    for (const TFieldDef& def : FFieldDefs)
        FFields.Add(std::make_unique<TField>(*this, def.Name, def.DataType, def.Size));
}

void TDataSet::BindFields(bool binding) {
    FCalcFieldsSize = 0;
    for (int i = 0; i < FFields.Count(); ++i) {
        TField& field = FFields[i];
        field.FFieldNo = 0;
        field.FOffset = 0;
        if (!binding) continue;
        if (field.Calculated()) {
            field.FOffset = FCalcFieldsSize;
            FCalcFieldsSize += field.DataSize() + 1;
            continue;
        }
        const TFieldDef* def = FFieldDefs.Find(field.FieldName());
        if (!def) throw EDatabaseError("Field '" + field.FieldName() + "' not found");
        if (def->DataType != field.DataType())
            throw EDatabaseError("Type mismatch for field '" + field.FieldName() + "'");
        field.FFieldNo = def->FieldNo;
    }
}

} // namespace tarvik
