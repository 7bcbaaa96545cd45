#include "dataset/odbc/OEParams.h"

#include "core/Text.h"
#include "odbc/ValueConvert.h"

#include <sqlext.h>

namespace tarvik {

namespace {
bool SameName(const std::string& a, const std::string& b) {
    return UpperAscii(TrimBlanks(a)) == UpperAscii(TrimBlanks(b));
}
} // namespace

SQLSMALLINT ParamCType(TFieldType type) {
    switch (type) {
    case ftSmallint:
        return SQL_C_SSHORT;
    case ftInteger:
        return SQL_C_SLONG;
    case ftWord:
        return SQL_C_USHORT;
    case ftBoolean:
        return SQL_C_BIT;
    case ftFloat:
    case ftCurrency:
        return SQL_C_DOUBLE;
    case ftDate:
        return SQL_C_TYPE_DATE;
    case ftTime:
        return SQL_C_TYPE_TIME;
    case ftDateTime:
        return SQL_C_TYPE_TIMESTAMP;
    case ftBytes:
    case ftBlob:
        return SQL_C_BINARY;
    case ftLargeint:
        return SQL_C_SBIGINT;
    default:
        return SQL_C_CHAR;
    }
}

SQLUSMALLINT ParamDirection(TParamType type) {
    switch (type) {
    case ptInput:
        return SQL_PARAM_INPUT;
    case ptInputOutput:
        return SQL_PARAM_INPUT_OUTPUT;
    case ptOutput:
    case ptResult:
        return SQL_PARAM_OUTPUT;
    default:
        return 0;
    }
}

TParamType ParamTypeOfColumn(SQLSMALLINT columnType) {
    switch (columnType) {
    case SQL_PARAM_INPUT:
        return ptInput;
    case SQL_PARAM_INPUT_OUTPUT:
        return ptInputOutput;
    case SQL_PARAM_OUTPUT:
        return ptOutput;
    case SQL_RETURN_VALUE:
        return ptResult;
    default:
        return ptUnknown;
    }
}

void TOEParams::Clear() {
    FreeBuffers();
    TParams::Clear();
    ParamDefs.clear();
}

void TOEParams::FreeBuffers() {
    if (ParamBuffers.empty()) return;
    if (BeforeBuffersGo) BeforeBuffersGo();
    ParamBuffers.clear();
}

TOEParamRec* TOEParams::FindBuffer(const std::string& name) const {
    for (const auto& b : ParamBuffers)
        if (SameName(b->Name, name)) return b.get();
    return nullptr;
}

const TOEDefRec* TOEParams::FindDef(const std::string& name) const {
    for (const TOEDefRec& d : ParamDefs)
        if (SameName(d.Name, name)) return &d;
    return nullptr;
}

std::unique_ptr<TOEParamRec> TOEParams::MakeBuffer(const std::string& name, TFieldType type) const {
    auto rec = std::make_unique<TOEParamRec>();
    rec->Name = name;
    rec->DataType = type;
    rec->Index = static_cast<int>(ParamBuffers.size());
    const TOEDefRec* def = FindDef(name);
    const bool described = def && def->DataType == type && def->Size != 0;
    switch (type) {
    case ftUnknown:
        rec->Buffer.resize(4);
        break;
    case ftBlob:
    case ftMemo:
        rec->Stream = std::make_unique<TMemoryStream>();
        break;
    case ftString:
        rec->Buffer.resize(described ? static_cast<std::size_t>(def->Size) + 1 : 256);
        break;
    case ftBytes:
        rec->Buffer.resize(described ? static_cast<std::size_t>(def->Size) : 256);
        break;
    default:
        rec->Buffer.resize(CTypeSize(ParamCType(type)));
        break;
    }
    return rec;
}

} // namespace tarvik
