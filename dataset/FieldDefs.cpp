#include "dataset/FieldDefs.h"

#include "core/Exceptions.h"
#include "core/Text.h"

namespace tarvik {

TFieldDef& TFieldDefs::Add(const std::string& name, TFieldType type, int size, int fieldNo, int precision) {
    if (Find(name)) throw EDatabaseError("A component named " + name + " already exists");
    TFieldDef def;
    def.Name = name;
    def.DataType = type;
    def.Size = size;
    def.FieldNo = fieldNo;
    def.Precision = precision;
    FItems.push_back(def);
    return FItems.back();
}

const TFieldDef* TFieldDefs::Find(const std::string& name) const {
    for (const TFieldDef& def : FItems)
        if (SameTextAscii(def.Name, name)) return &def;
    return nullptr;
}

} // namespace tarvik
