#include "dataset/Field.h"

#include "core/Exceptions.h"
#include "core/Text.h"
#include "dataset/DataSet.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace tarvik {

int FieldDataSize(TFieldType type, int size) {
    switch (type) {
    case ftString:
        return MaxCharBytes * size + 1;
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

template <typename T> void Write(std::vector<char>& bytes, T value) {
    std::memcpy(bytes.data(), &value, sizeof value);
}

template <typename T> T InRange(std::int64_t value) {
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max())
        throw EVariantError("Value " + std::to_string(value) + " out of range");
    return static_cast<T>(value);
}

std::int64_t MillisOf(const TVarTime& t) {
    return ((t.Hour * 60 + t.Minute) * 60 + t.Second) * 1000 + t.Fraction / 1000000;
}
} // namespace

void TField::SetValue(const TVariant& value) {
    if (FDataType == ftBlob || FDataType == ftMemo)
        throw EDatabaseError("Field '" + FFieldName + "' is written through a blob stream");
    if (value.IsNull()) {
        FDataSet.SetFieldData(*this, nullptr);
        return;
    }
    std::vector<char> bytes(static_cast<std::size_t>(std::max(DataSize(), 8)) + 1);
    switch (FDataType) {
    case ftString: {
        const std::string text = value.AsText();
        const std::size_t n = Utf8CharsLength(text, static_cast<std::size_t>(FSize));
        std::memcpy(bytes.data(), text.data(), n);
        break;
    }
    case ftSmallint:
        Write(bytes, InRange<std::int16_t>(value.AsInteger()));
        break;
    case ftWord:
        Write(bytes, InRange<std::uint16_t>(value.AsInteger()));
        break;
    case ftBoolean:
        Write(bytes, static_cast<std::uint16_t>(value.AsBoolean() ? 1 : 0));
        break;
    case ftInteger:
        Write(bytes, InRange<std::int32_t>(value.AsInteger()));
        break;
    case ftFloat:
    case ftCurrency:
        Write(bytes, value.AsDouble());
        break;
    case ftLargeint:
        Write(bytes, value.AsInteger());
        break;
    case ftDate:
        Write(bytes, static_cast<std::int32_t>(DayNumber(value.AsDate())));
        break;
    case ftTime:
        Write(bytes, static_cast<std::int32_t>(MillisOf(value.AsTime())));
        break;
    case ftDateTime: {
        const TVarDateTime dt = value.AsDateTime();
        Write(bytes, static_cast<double>(DayNumber(dt.Date) * 86400000 + MillisOf(dt.Time)));
        break;
    }
    case ftBytes: {
        const TBytes b = value.AsBytes();
        std::memcpy(bytes.data(), b.data(), std::min(b.size(), static_cast<std::size_t>(FSize)));
        break;
    }
    default:
        throw EDatabaseError("Field '" + FFieldName + "' has a type that cannot be written");
    }
    FDataSet.SetFieldData(*this, bytes.data());
}

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

} // namespace tarvik
