#pragma once
// The framework's parameters: a named, typed value per parameter of a statement, with its
// direction. Names may repeat (a text naming one parameter twice has two).
#include "core/FieldType.h"
#include "core/Variant.h"

#include <memory>
#include <string>
#include <vector>

namespace tarvik {

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

class TParam {
public:
    TParam(std::string name, TFieldType dataType, TParamType paramType)
        : Name(std::move(name)), DataType(dataType), ParamType(paramType) {}

    std::string Name;
    TFieldType DataType;
    TParamType ParamType;
    bool Bound = false;

    const TVariant& Value() const { return FValue; }
    // Stores the value; a parameter of type ftUnknown takes the type of a non-NULL value.
    void SetValue(const TVariant& value);
    bool IsNull() const { return FValue.IsNull(); }
    void Clear() { FValue = TVariant(); }

private:
    TVariant FValue;
};

// The field type a value of that kind is stored as; ftUnknown for NULL.
TFieldType FieldTypeOfValue(const TVariant& value);

class TParams {
public:
    virtual ~TParams() = default;
    TParam& Add(const std::string& name, TFieldType dataType, TParamType paramType);
    virtual void Clear() { FItems.clear(); }
    int Count() const { return static_cast<int>(FItems.size()); }
    TParam& operator[](int index) const { return *FItems.at(static_cast<std::size_t>(index)); }
    // The first parameter of that name (ASCII letter case ignored); null when none.
    TParam* FindParam(const std::string& name) const;
    // As FindParam; throws EDatabaseError "Parameter 'NAME' not found" when there is none.
    TParam& ParamByName(const std::string& name) const;
    // Each parameter of other with a namesake here gives it its value and bound flag.
    void AssignValues(const TParams& other);

private:
    std::vector<std::unique_ptr<TParam>> FItems;
};

} // namespace tarvik
