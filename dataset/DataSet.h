#pragma once
// The dataset framework's base: states, opening and closing through the hooks a concrete
// dataset overrides, field definitions and the fields made from them, and the switches that
// data-aware controls and filters use.
#include "Component.h"
#include "Field.h"
#include "FieldDefs.h"

#include <exception>
#include <functional>

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

class TDataSet;
using TDataSetNotifyEvent = std::function<void(TDataSet& dataSet)>;
using TFilterRecordEvent = std::function<void(TDataSet& dataSet, bool& accept)>;

// What shows an exception that no caller can take (raised inside event dispatching). The window
// layer installs its error box; until then the message goes to standard error.
using TApplicationExceptionHandler = std::function<void(std::exception_ptr error)>;
void SetApplicationExceptionHandler(TApplicationExceptionHandler handler);
// Hands an exception to the installed handler; never throws.
void HandleApplicationException(std::exception_ptr error) noexcept;

class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent* owner = nullptr);
    // A concrete dataset closes itself in its own destructor, while its hooks still exist.
    ~TDataSet() override;

    bool Active() const { return FState != dsInactive && FState != dsOpening; }
    // Open or Close.
    void SetActive(bool value);
    // Runs BeforeOpen, InternalOpen and AfterOpen; a failing open leaves the dataset closed
    // (InternalClose has run) and passes the exception on. Nothing when active.
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

    // Nested: controls are told of changes again when the last Disable is matched.
    void DisableControls() { ++FDisableCount; }
    void EnableControls() {
        if (FDisableCount > 0) --FDisableCount;
    }
    bool ControlsDisabled() const { return FDisableCount > 0; }

    bool Filtered() const { return FFiltered; }
    virtual void SetFiltered(bool value) { FFiltered = value; }
    const TFilterRecordEvent& OnFilterRecord() const { return FOnFilterRecord; }
    virtual void SetOnFilterRecord(TFilterRecordEvent handler) { FOnFilterRecord = std::move(handler); }
    bool AutoCalcFields() const { return FAutoCalcFields; }
    void SetAutoCalcFields(bool value) { FAutoCalcFields = value; }

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;

protected:
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

private:
    TDataSetState FState = dsInactive;
    TFieldDefs FFieldDefs;
    TFields FFields;
    bool FDefaultFields = false;
    int FCalcFieldsSize = 0;
    int FBookmarkSize = 0;
    int FDisableCount = 0;
    bool FFiltered = false;
    bool FAutoCalcFields = true;
    TFilterRecordEvent FOnFilterRecord;
};
