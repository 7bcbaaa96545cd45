#pragma once
// What the text fuzz targets share: the input as text and a property check that stops the run.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tarvik {

// The fuzzer's bytes as a string (any bytes, zeros included).
inline std::string FuzzText(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// Stops the run as a finding when a property does not hold; libFuzzer keeps the input.
inline void Require(bool holds, const char* property) {
    if (holds) return;
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
}

} // namespace tarvik
