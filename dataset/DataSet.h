#pragma once
// The dataset framework's base: states, opening and closing through the hooks a concrete
// dataset overrides, field definitions and the fields made from them, and the switches that
// data-aware controls and filters use.
#include "core/Component.h"
#include "dataset/Field.h"
#include "dataset/FieldDefs.h"
#include "dataset/RecordBuffer.h"

#include <exception>
#include <functional>
#include <memory>
#include <vector>

namespace tarvik {

enum TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsCurValue,
    dsBlockRead,
    dsInternalCalc,
    dsOpening
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
// A copy of a record's bookmark bytes; empty means none.
using TBookmark = std::vector<char>;

class TDataSet;

// What data-aware controls are told: the dataset opened, closed or was repositioned as a whole
// (deDataSetChange), or its active record moved by a number of records (deDataSetScroll).
enum TDataEvent { deDataSetChange, deDataSetScroll };

class TDataSetObserver {
public:
    virtual ~TDataSetObserver() = default;
    // distance: the records the active record moved (deDataSetScroll), else 0. Must not throw.
    virtual void DataEvent(TDataEvent event, int distance) noexcept = 0;
};

using TDataSetNotifyEvent = std::function<void(TDataSet& dataSet)>;
using TFilterRecordEvent = std::function<void(TDataSet& dataSet, bool& accept)>;

// What shows an exception that no caller can take (raised inside event dispatching). The window
// layer installs its error box; until then the message goes to standard error.
using TApplicationExceptionHandler = std::function<void(std::exception_ptr error)>;
void SetApplicationExceptionHandler(TApplicationExceptionHandler handler);
// Hands an exception to the installed handler; never throws.
void HandleApplicationException(std::exception_ptr error) noexcept;

class TDataSet : public TComponent {
    friend class TField;

public:
    explicit TDataSet(TComponent* owner = nullptr);
    // A concrete dataset closes itself in its own destructor, while its hooks still exist.
    ~TDataSet() override;

    bool Active() const { return FState != dsInactive && FState != dsOpening; }
    // Open or Close.
    void SetActive(bool value);
    // Runs BeforeOpen, InternalOpen, reads the first records and runs AfterOpen; a failing open
    // leaves the dataset closed (InternalClose has run) and passes the exception on. Nothing when
    // active.
    void Open();
    // Runs BeforeClose, InternalClose and AfterClose. Nothing when inactive or still opening.
    void Close();
    TDataSetState State() const { return FState; }

    TFieldDefs& FieldDefs() { return FFieldDefs; }
    const TFieldDefs& FieldDefs() const { return FFieldDefs; }
    // The fields: made from the definitions at open when none were added beforehand.
    TFields& Fields() { return FFields; }
    const TFields& Fields() const { return FFields; }
    // Whether the fields of the open dataset were made from its definitions (none were persistent).
    bool DefaultFields() const { return FDefaultFields; }
    // Bytes of the calculated-field area: each calculated field's value and a flag byte.
    int CalcFieldsSize() const { return FCalcFieldsSize; }
    int BookmarkSize() const { return FBookmarkSize; }

    // Nested: controls are told of changes again when the last Disable is matched, with one
    // deDataSetChange when anything happened meanwhile.
    void DisableControls() { ++FDisableCount; }
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }
    // Observers (not owned) are told of changes while controls are enabled; each removes itself
    // before it is destroyed.
    void AddObserver(TDataSetObserver* observer);
    void RemoveObserver(TDataSetObserver* observer);

    bool Filtered() const { return FFiltered; }
    virtual void SetFiltered(bool value) { FFiltered = value; }
    const TFilterRecordEvent& OnFilterRecord() const { return FOnFilterRecord; }
    virtual void SetOnFilterRecord(TFilterRecordEvent handler) { FOnFilterRecord = std::move(handler); }
    bool AutoCalcFields() const { return FAutoCalcFields; }
    void SetAutoCalcFields(bool value) { FAutoCalcFields = value; }

    // ---- Navigation over the ring of record buffers (the active record is one of them). Each
    // throws EDatabaseError "Cannot perform this operation on a closed dataset" when inactive, and
    // whatever the dataset's fetching raises.

    // The first record becomes active, Bof set; the last one, Eof set. On a unidirectional dataset
    // both throw EDatabaseError "Operation not allowed on a unidirectional dataset", except First
    // before the first move.
    void First();
    void Last();
    // MoveBy(1) and MoveBy(-1).
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Moves up to distance records (negative: backwards); the number moved. Bof or Eof is set when
    // the move ran out of records.
    int MoveBy(int distance);
    bool Bof() const { return FBOF; }
    bool Eof() const { return FEOF; }
    // Active with no record.
    bool IsEmpty() const { return Active() && FRecordCount == 0; }
    // The active record's bookmark; none for an empty dataset.
    TBookmark GetBookmark();
    // Makes the record of the bookmark active, the ring centred on it. Throws EDatabaseError
    // "Record not found or changed by another user" when it cannot be read.
    void GotoBookmark(const TBookmark& bookmark);
    virtual bool BookmarkValid(const TBookmark& bookmark) { return !bookmark.empty(); }
    // 0 equal, -1 a before b, 1 otherwise.
    virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b);
    // Fills the ring again around the cursor's current record (exact: it must still be readable).
    void Resync(bool exact, bool center);
    virtual int RecordCount() { return -1; }
    virtual int RecNo() { return -1; }
    virtual void SetRecNo(int) {}
    virtual bool IsSequenced() { return true; }
    // Buffers the ring keeps (a grid asks for one per visible row). At least 1.
    int BufferCount() const { return FBufferCount; }
    void SetBufferCount(int count);
    // The buffers holding records, oldest first, and the active one's index among them.
    int BufferedRecords() const { return FRecordCount; }
    int ActiveRecord() const { return FActiveRecord; }
    // The ring's active buffer; null when inactive.
    TRecordBuffer* ActiveBuffer() const;
    bool Found() const { return FFound; }

    // Throw EDatabaseError "Cannot perform this operation on a closed dataset" when inactive.
    void CheckActive() const;
    void CheckBrowseMode() { CheckActive(); }
    // Throws EDatabaseError "Operation not allowed on a unidirectional dataset" when it is one.
    void CheckBiDirectional();
    // Positions the cursor on the active record (before reading or writing through it).
    void UpdateCursorPos();
    // The cursor no longer stands on any buffered record.
    void CursorPosChanged() { FCurrentRecord = -1; }

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeScroll, AfterScroll;
    // Computes the calculated fields of the record being calculated (state dsCalcFields).
    TDataSetNotifyEvent OnCalcFields;

protected:
    // ---- Record hooks of the concrete dataset.
    virtual std::unique_ptr<TRecordBuffer> AllocRecordBuffer() = 0;
    virtual void InternalInitRecord(TRecordBuffer& buffer) = 0;
    // Fills buffer (may be null: only move) with the current, next or prior record.
    virtual TGetResult GetRecord(TRecordBuffer* buffer, TGetMode mode, bool check) = 0;
    // Before the first record; after the last.
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalSetToRecord(TRecordBuffer& buffer) = 0;
    virtual void InternalGotoBookmark(const TBookmark& bookmark) = 0;
    virtual bool IsUniDirectional() { return false; }
    // Copies a field's value (its DataSize bytes) from the record fields read into dest (when
    // given); whether it has a value.
    virtual bool GetFieldData(const TField& field, void* dest) = 0;
    // The stream holding a blob field's value in the record fields read; null when none.
    virtual const TMemoryStream* FieldStream(const TField& field) = 0;
    // Stores a field's value (DataSize bytes; null src: NULL) in the record fields write.
    virtual void SetFieldData(const TField& field, const void* src) = 0;
    // Zero-fills the calculated-field area.
    virtual void ClearCalcFields(TRecordBuffer& buffer) = 0;

    // InternalInitRecord, cleared calculated fields, bookmark flag inserted.
    void InitRecord(TRecordBuffer& buffer);
    // Computes buffer's calculated fields through OnCalcFields in state dsCalcFields.
    void CalculateFields(TRecordBuffer& buffer);
    // The buffer whose calculated fields are being computed.
    TRecordBuffer* CalcBuffer() const { return FCalcBuffer; }
    // The ring's spare buffer, used for reads that must not disturb the ring.
    TRecordBuffer* TempBuffer() const;
    void SetFound(bool value) { FFound = value; }
    // Runs action in a temporary state, restoring the previous one in every case.
    template <typename F> void InState(TDataSetState state, F action) {
        const TDataSetState old = FState;
        FState = state;
        try {
            action();
        } catch (...) {
            FState = old;
            throw;
        }
        FState = old;
    }

    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual bool IsCursorOpen() const = 0;
    virtual void InternalInitFieldDefs() = 0;
    // Shows the exception being handled through the application's handler.
    virtual void InternalHandleException();

    // Makes one field per definition, in definition order.
    void CreateFields();
    // Binding: data fields take their definition's column (EDatabaseError "Field 'NAME' not
    // found" when it has none, "Type mismatch for field 'NAME'" when the type differs) and
    // calculated fields their offsets. Unbinding forgets both.
    void BindFields(bool binding);
    void DestroyFields() { FFields.Clear(); }
    void SetBookmarkSize(int size) { FBookmarkSize = size; }
    void SetState(TDataSetState state) { FState = state; }
    // Tells the observers, or notes the change for EnableControls while controls are disabled.
    void DataEvent(TDataEvent event, int distance = 0) noexcept;

private:
    void AllocateBuffers();
    void ClearBuffers();
    void ActivateBuffers();
    void SetCurrentRecord(int index);
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    // Moves the buffer at from to position to, shifting those between.
    void MoveBuffer(int from, int to);

    TDataSetState FState = dsInactive;
    // FBufferCount record buffers and one spare at the end.
    std::vector<std::unique_ptr<TRecordBuffer>> FBuffers;
    int FBufferCount = 1;
    int FRecordCount = 0;
    int FActiveRecord = 0;
    int FCurrentRecord = -1;
    bool FBOF = true;
    bool FEOF = true;
    bool FFound = false;
    bool FFirstInRing = false; // the ring's oldest buffer holds the result's first record
    TRecordBuffer* FCalcBuffer = nullptr;
    TFieldDefs FFieldDefs;
    TFields FFields;
    bool FDefaultFields = false;
    int FCalcFieldsSize = 0;
    int FBookmarkSize = 0;
    int FDisableCount = 0;
    bool FChangedWhileDisabled = false;
    std::vector<TDataSetObserver*> FObservers;
    bool FFiltered = false;
    bool FAutoCalcFields = true;
    TFilterRecordEvent FOnFilterRecord;
};

} // namespace tarvik
