#include "Field.h"

#include "Exceptions.h"
#include "Text.h"

int FieldDataSize(TFieldType type, int size) {
    switch (type) {
    case ftString:
        return size + 1;
    case ftSmallint:
    case ftWord:
    case ftBoolean:
        return 2;
    case ftInteger:
    case ftDate:
    case ftTime:
        return 4;
    case ftFloat:
    case ftCurrency:
    case ftDateTime:
    case ftLargeint:
        return 8;
    case ftBytes:
        return size;
    default:
        return 0;
    }
}

TField::TField(TDataSet& dataSet, std::string fieldName, TFieldType dataType, int size, TFieldKind kind)
    : FDataSet(dataSet), FFieldName(std::move(fieldName)), FDataType(dataType), FSize(size), FKind(kind) {}

TField& TFields::Add(std::unique_ptr<TField> field) {
    if (FindField(field->FieldName()))
        throw EDatabaseError("A component named " + field->FieldName() + " already exists");
    FItems.push_back(std::move(field));
    return *FItems.back();
}

TField* TFields::FindField(const std::string& name) const {
    for (const auto& f : FItems)
        if (SameTextAscii(f->FieldName(), name)) return f.get();
    return nullptr;
}

TField& TFields::FieldByName(const std::string& name) const {
    if (TField* f = FindField(name)) return *f;
    throw EDatabaseError("Field '" + name + "' not found");
}
