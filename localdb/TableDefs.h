#pragma once
// Field and index definitions of a local table: what a caller asks for when creating a table, and
// what an open table reports about its columns.
#include "core/FieldType.h"

#include <string>
#include <vector>

namespace tarvik {

struct TFieldDef {
    std::string Name;
    TFieldType DataType = ftUnknown;
    // Length in characters for strings, in bytes for byte fields, the in-record part of a Paradox
    // memo; 0 where the type fixes the width.
    int Size = 0;
    bool Required = false;
    // Decimal places of a number column (dBase writes them into the column); 0 when unknown.
    int Precision = 0;
};

struct TIndexDef {
    std::string Name;
    // Field names separated by ";".
    std::string Fields;
    bool Primary = false;
};

using TFieldDefs = std::vector<TFieldDef>;
using TIndexDefs = std::vector<TIndexDef>;

enum class TOpenMode { omShared, omExclusive };

} // namespace tarvik
