#pragma once
// A growable block of bytes with a size: the blob stream of long columns and
// long parameters. Memory stays valid until the next call that changes the size.
#include <cstddef>
#include <cstring>
#include <vector>

namespace tarvik {

class TMemoryStream {
public:
    std::size_t Size() const { return FData.size(); }
    // Grows (zero-filled) or shrinks the content. Throws bad_alloc only.
    void SetSize(std::size_t size) { FData.resize(size); }
    void Clear() { FData.clear(); }
    // Appends count bytes. Throws bad_alloc only.
    void Write(const void* data, std::size_t count) {
        if (count == 0) return;
        const std::size_t at = FData.size();
        FData.resize(at + count);
        std::memcpy(FData.data() + at, data, count);
    }
    // Replaces the content by another stream's.
    void LoadFrom(const TMemoryStream& other) { FData = other.FData; }
    // Null for an empty stream whose memory was never reserved.
    char* Memory() { return FData.data(); }
    const char* Memory() const { return FData.data(); }

private:
    std::vector<char> FData;
};

} // namespace tarvik
