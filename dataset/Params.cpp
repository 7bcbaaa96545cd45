#include "dataset/Params.h"

#include "core/Exceptions.h"
#include "core/Text.h"

#include <limits>

namespace tarvik {

TFieldType FieldTypeOfValue(const TVariant& value) {
    switch (value.Type()) {
    case TVarType::vtBoolean:
        return ftBoolean;
    case TVarType::vtInteger: {
        const std::int64_t v = value.AsInteger();
        const bool small =
            v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
        return small ? ftInteger : ftLargeint;
    }
    case TVarType::vtDouble:
        return ftFloat;
    case TVarType::vtText:
        return ftString;
    case TVarType::vtBytes:
        return ftBytes;
    case TVarType::vtDate:
        return ftDate;
    case TVarType::vtTime:
        return ftTime;
    case TVarType::vtDateTime:
        return ftDateTime;
    default:
        return ftUnknown;
    }
}

void TParam::SetValue(const TVariant& value) {
    FValue = value;
    if (DataType == ftUnknown) DataType = FieldTypeOfValue(value);
}

TParam& TParams::Add(const std::string& name, TFieldType dataType, TParamType paramType) {
    FItems.push_back(std::make_unique<TParam>(name, dataType, paramType));
    return *FItems.back();
}

TParam* TParams::FindParam(const std::string& name) const {
    for (const auto& p : FItems)
        if (SameTextAscii(p->Name, name)) return p.get();
    return nullptr;
}

TParam& TParams::ParamByName(const std::string& name) const {
    if (TParam* p = FindParam(name)) return *p;
    throw EDatabaseError("Parameter '" + name + "' not found");
}

void TParams::AssignValues(const TParams& other) {
    for (const auto& source : other.FItems)
        if (TParam* p = FindParam(source->Name)) {
            p->SetValue(source->Value());
            p->Bound = source->Bound;
        }
}

} // namespace tarvik
