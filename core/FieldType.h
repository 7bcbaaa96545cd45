#pragma once
// The dataset framework's field types, shared by the ODBC dataset and the local table files.
#include <cstdint>

namespace tarvik {

enum TFieldType : std::uint8_t {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary,
    ftCursor,
    ftFixedChar,
    ftWideString,
    ftLargeint,
    ftADT,
    ftArray,
    ftReference,
    ftDataSet
};

constexpr int FieldTypeCount = ftDataSet + 1;

// The enumeration value's own name ("ftString"), for messages; never null.
const char* FieldTypeIdent(TFieldType type);

} // namespace tarvik
