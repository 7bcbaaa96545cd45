#include "DataSet.h"

#include "Exceptions.h"

#include <iostream>

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
    } catch (...) {
        FState = dsInactive;
        try {
            InternalClose();
        } catch (...) {
            // The open's own failure is the one to report.
        }
        throw;
    }
    FState = dsBrowse;
    if (AfterOpen) AfterOpen(*this);
}

void TDataSet::Close() {
    if (!Active()) return;
    if (BeforeClose) BeforeClose(*this);
    FState = dsInactive;
    InternalClose();
    if (AfterClose) AfterClose(*this);
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
