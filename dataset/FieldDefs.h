#pragma once
// Field definitions: what a dataset's cursor offers, one per result column, before fields exist.
#include "core/FieldType.h"

#include <string>
#include <vector>

namespace tarvik {

struct TFieldDef {
    std::string Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;    // characters of ftString, bytes of ftBytes; 0 otherwise
    int FieldNo = 0; // 1-based column number
    int Precision = 0;
    bool Required = false;
    bool ReadOnly = false;
};

class TFieldDefs {
public:
    void Clear() { FItems.clear(); }
    // Appends a definition. Throws EDatabaseError "A component named NAME already exists" when a
    // definition of that name (ASCII letter case ignored) exists: fields are found by name.
    TFieldDef& Add(const std::string& name, TFieldType type, int size, int fieldNo, int precision);
    int Count() const { return static_cast<int>(FItems.size()); }
    const TFieldDef& operator[](int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    // The definition of that name (ASCII letter case ignored); null when none.
    const TFieldDef* Find(const std::string& name) const;
    std::vector<TFieldDef>::const_iterator begin() const { return FItems.begin(); }
    std::vector<TFieldDef>::const_iterator end() const { return FItems.end(); }

private:
    std::vector<TFieldDef> FItems;
};

} // namespace tarvik
