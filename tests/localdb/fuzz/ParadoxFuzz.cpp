#include "tests/localdb/fuzz/FuzzInput.h"

using namespace tarvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReadWholeTable(UnpackFuzzInput(data, size, ".db", ".mb"));
    return 0;
}
