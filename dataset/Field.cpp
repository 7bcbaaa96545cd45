#include "Field.h"

#include "DataSet.h"
#include "Exceptions.h"
#include "Text.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

namespace {
template <typename T> T Read(const std::vector<char>& bytes) {
    T value;
    std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

TVarTime TimeFromMillis(std::int64_t ms) {
    TVarTime t;
    t.Hour = static_cast<int>(ms / 3600000);
    t.Minute = static_cast<int>(ms / 60000 % 60);
    t.Second = static_cast<int>(ms / 1000 % 60);
    t.Fraction = static_cast<std::uint32_t>(ms % 1000) * 1000000u;
    return t;
}

TVariant StreamValue(const TMemoryStream& stream, bool text) {
    const char* p = stream.Memory();
    if (text) return TVariant(std::string(p ? p : "", stream.Size()));
    return TVariant(TBytes(p, p + stream.Size()));
}
} // namespace

TVariant TField::Value() const {
    FDataSet.CheckActive();
    if (FDataType == ftBlob || FDataType == ftMemo) {
        if (!FDataSet.GetFieldData(*this, nullptr)) return {};
        const TMemoryStream* stream = FDataSet.FieldStream(*this);
        return stream ? StreamValue(*stream, FDataType == ftMemo) : TVariant();
    }
    std::vector<char> bytes(static_cast<std::size_t>(std::max(DataSize(), 8)) + 1);
    if (!FDataSet.GetFieldData(*this, bytes.data())) return {};
    switch (FDataType) {
    case ftString:
        return TVariant(std::string(bytes.data()));
    case ftSmallint:
        return TVariant(int{Read<std::int16_t>(bytes)});
    case ftWord:
        return TVariant(int{Read<std::uint16_t>(bytes)});
    case ftBoolean:
        return TVariant(Read<std::uint16_t>(bytes) != 0);
    case ftInteger:
        return TVariant(int{Read<std::int32_t>(bytes)});
    case ftFloat:
    case ftCurrency:
        return TVariant(Read<double>(bytes));
    case ftLargeint:
        return TVariant(Read<std::int64_t>(bytes));
    case ftDate:
        return TVariant(DateFromDayNumber(Read<std::int32_t>(bytes)));
    case ftTime:
        return TVariant(TimeFromMillis(Read<std::int32_t>(bytes)));
    case ftDateTime: {
        const auto ms = static_cast<std::int64_t>(std::llround(Read<double>(bytes)));
        return TVariant(TVarDateTime{DateFromDayNumber(ms / 86400000), TimeFromMillis(ms % 86400000)});
    }
    case ftBytes:
        return TVariant(TBytes(bytes.begin(), bytes.begin() + FSize));
    default:
        return {};
    }
}

bool TField::IsNull() const {
    FDataSet.CheckActive();
    return !FDataSet.GetFieldData(*this, nullptr);
}

std::int64_t TField::AsInteger() const {
    const TVariant v = Value();
    return v.IsNull() ? 0 : v.AsInteger();
}

double TField::AsFloat() const {
    const TVariant v = Value();
    return v.IsNull() ? 0.0 : v.AsDouble();
}

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
