#pragma once
// The ODBC dataset's parameters: the framework's parameters plus the value buffers bound to the
// statement and the descriptions the driver gave, both found by trimmed name ignoring case.
#include "core/MemoryStream.h"
#include "dataset/Params.h"

#include <sql.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarvik {

// One parameter's value buffer: bytes of its C type, or a stream for long values.
struct TOEParamRec {
    std::string Name;
    TFieldType DataType = ftUnknown;
    std::vector<char> Buffer;
    std::unique_ptr<TMemoryStream> Stream; // ftBlob and ftMemo
    int Index = 0;
};

// One described parameter.
struct TOEDefRec {
    std::string Name;
    bool Required = false;
    TFieldType DataType = ftUnknown;
    std::int16_t DecimalDigits = 0;
    std::int32_t Size = 0;
    int Index = 0;
};

// The C type a parameter of the field type is bound as.
SQLSMALLINT ParamCType(TFieldType type);
// SQL_PARAM_INPUT, _INPUT_OUTPUT or _OUTPUT; 0 for ptUnknown.
SQLUSMALLINT ParamDirection(TParamType type);
// The parameter type of a procedure column of the catalog's column type.
TParamType ParamTypeOfColumn(SQLSMALLINT columnType);

class TOEParams : public TParams {
public:
    // The parameters, their buffers and their descriptions. Throws as BeforeBuffersGo, clearing nothing.
    void Clear() override;
    // Run before buffers are freed or moved: the owner unbinds them from its statement there, and
    // throws to keep them when it cannot.
    std::function<void()> BeforeBuffersGo;
    // Frees every buffer, after BeforeBuffersGo when there is any. Throws as BeforeBuffersGo.
    void FreeBuffers();
    std::vector<std::unique_ptr<TOEParamRec>> ParamBuffers;
    std::vector<TOEDefRec> ParamDefs;
    // The first of that name; null when none.
    TOEParamRec* FindBuffer(const std::string& name) const;
    const TOEDefRec* FindDef(const std::string& name) const;
    // A zero-filled buffer for a parameter of that name and type (strings and bytes sized by a
    // description of the same name and type, else 256 bytes).
    std::unique_ptr<TOEParamRec> MakeBuffer(const std::string& name, TFieldType type) const;
};

} // namespace tarvik
