#pragma once
// Integers at fixed places in the bytes of table and memo files, which both formats store
// little-endian (headers, block links, memo pointers); FoxPro's memo files alone store theirs
// big-endian. Callers hand in bytes as char or unsigned char, whichever their buffer holds.
#include <cstdint>

namespace tarvik {

namespace bytes {

// The unsigned 16-bit little-endian integer at p.
inline std::uint16_t GetU16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
// The unsigned 32-bit little-endian integer at p.
inline std::uint32_t GetU32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
// The signed 32-bit little-endian integer at p.
inline std::int32_t GetI32(const unsigned char* p) {
    return static_cast<std::int32_t>(GetU32(p));
}
// The unsigned 16-bit big-endian integer at p.
inline std::uint16_t GetU16Big(const unsigned char* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
// The unsigned 32-bit big-endian integer at p.
inline std::uint32_t GetU32Big(const unsigned char* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}
// Stores v little-endian at p.
inline void PutU16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
// Stores v little-endian at p.
inline void PutU32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

inline const unsigned char* Unsigned(const char* p) {
    return reinterpret_cast<const unsigned char*>(p);
}
inline std::uint16_t GetU16(const char* p) {
    return GetU16(Unsigned(p));
}
inline std::uint32_t GetU32(const char* p) {
    return GetU32(Unsigned(p));
}
inline std::int32_t GetI32(const char* p) {
    return GetI32(Unsigned(p));
}
inline std::uint16_t GetU16Big(const char* p) {
    return GetU16Big(Unsigned(p));
}
inline std::uint32_t GetU32Big(const char* p) {
    return GetU32Big(Unsigned(p));
}
inline void PutU16(char* p, std::uint16_t v) {
    PutU16(reinterpret_cast<unsigned char*>(p), v);
}
inline void PutU32(char* p, std::uint32_t v) {
    PutU32(reinterpret_cast<unsigned char*>(p), v);
}

} // namespace bytes

} // namespace tarvik
