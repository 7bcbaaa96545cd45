#include "tests/localdb/fuzz/FuzzInput.h"

using namespace tarvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The memo bytes serve as either memo file: dBase .dbt or FoxPro .fpt, as the version byte says.
    ReadWholeTable(UnpackFuzzInput(data, size, ".dbf", ".dbt", ".fpt"));
    return 0;
}
