#pragma once
// Field objects: a dataset's columns as the application reads and writes them. A data field
// stands for a field definition of the same name; a calculated or lookup field keeps its value
// in the record's calculated-field area.
#include "core/FieldType.h"
#include "core/Variant.h"

#include <memory>
#include <string>
#include <vector>

namespace tarvik {

class TDataSet;

enum TFieldKind { fkData, fkCalculated, fkLookup };

// Bytes one UTF-8 character may take in a string field's value.
constexpr int MaxCharBytes = 4;

// Bytes a value of the type takes in a record (ftString: room for size characters of UTF-8 and
// a zero byte; ftBytes: size; blobs 0, their value lives in a stream).
int FieldDataSize(TFieldType type, int size);

class TField {
public:
    TField(TDataSet& dataSet, std::string fieldName, TFieldType dataType, int size, TFieldKind kind = fkData);

    TDataSet& DataSet() const { return FDataSet; }
    const std::string& FieldName() const { return FFieldName; }
    TFieldType DataType() const { return FDataType; }
    int Size() const { return FSize; }
    TFieldKind FieldKind() const { return FKind; }
    bool Calculated() const { return FKind != fkData; }
    // The 1-based column of a bound data field; 0 for calculated fields and before binding.
    int FieldNo() const { return FFieldNo; }
    // Where a bound calculated field's value starts in the calculated-field area.
    int Offset() const { return FOffset; }
    int DataSize() const { return FieldDataSize(FDataType, FSize); }
    bool ReadOnly() const { return FReadOnly; }

    // The value in the dataset's current record: NULL, or by type a Boolean (ftBoolean), an
    // integer, a double (ftFloat, ftCurrency), text (ftString, ftMemo), bytes (ftBytes, ftBlob), a
    // date, a time or a date-time. Throws EDatabaseError on a closed dataset.
    TVariant Value() const;
    bool IsNull() const;
    // The value as text; the empty text for NULL.
    std::string AsString() const { return Value().AsText(); }
    // 0 for NULL; throws EVariantError for a value without a number.
    std::int64_t AsInteger() const;
    double AsFloat() const;
    // Stores a value converted to the field's type (NULL clears the field): text is cut to the
    // field's size in characters. Throws EVariantError for a value without that
    // reading or out of the type's range, EDatabaseError for blob fields (written through their
    // stream) and as the dataset's SetFieldData (a dataset not being edited refuses).
    void SetValue(const TVariant& value);
    void SetAsString(const std::string& value) { SetValue(TVariant(value)); }
    void SetAsInteger(std::int64_t value) { SetValue(TVariant(value)); }
    void SetAsFloat(double value) { SetValue(TVariant(value)); }
    void Clear() { SetValue(TVariant()); }
    void SetReadOnly(bool value) { FReadOnly = value; }

private:
    friend class TDataSet;
    TDataSet& FDataSet;
    std::string FFieldName;
    TFieldType FDataType;
    int FSize;
    TFieldKind FKind;
    int FFieldNo = 0;
    int FOffset = 0;
    bool FReadOnly = false;
};

class TFields {
public:
    // Appends a field and answers it. Throws EDatabaseError "A component named NAME already
    // exists" for a name already used (ASCII letter case ignored).
    TField& Add(std::unique_ptr<TField> field);
    void Clear() { FItems.clear(); }
    int Count() const { return static_cast<int>(FItems.size()); }
    TField& operator[](int index) const { return *FItems.at(static_cast<std::size_t>(index)); }
    // The field of that name (ASCII letter case ignored); null when none.
    TField* FindField(const std::string& name) const;
    // As FindField; throws EDatabaseError "Field 'NAME' not found" when there is none.
    TField& FieldByName(const std::string& name) const;

private:
    std::vector<std::unique_ptr<TField>> FItems;
};

} // namespace tarvik
