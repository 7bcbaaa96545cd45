#include "Codepage.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

// Unicode code points of bytes 0x80..0xFF; 0 marks the bytes the code page leaves unassigned.
constexpr std::uint16_t HighHalf[128] = {
    0x20AC, 0,      0x201A, 0,      0x201E, 0x2026, 0x2020, 0x2021, 0,      0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0,      0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

// The UTF-8 bytes of each high byte, precomputed so that reading is a table copy.
struct TUtf8Table {
    std::array<std::array<char, 4>, 128> Bytes{};
    std::array<std::uint8_t, 128> Length{};
    TUtf8Table() {
        for (int i = 0; i < 128; ++i) {
            const std::uint32_t cp = HighHalf[i] ? HighHalf[i] : 0xFFFD;
            auto& b = Bytes[i];
            if (cp < 0x800) {
                b[0] = static_cast<char>(0xC0 | (cp >> 6));
                b[1] = static_cast<char>(0x80 | (cp & 0x3F));
                Length[i] = 2;
            } else {
                b[0] = static_cast<char>(0xE0 | (cp >> 12));
                b[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                b[2] = static_cast<char>(0x80 | (cp & 0x3F));
                Length[i] = 3;
            }
        }
    }
};

const TUtf8Table& Utf8Table() {
    static const TUtf8Table table;
    return table;
}

char ByteFor(std::uint32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);
    for (int i = 0; i < 128; ++i)
        if (HighHalf[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

// Decodes one UTF-8 sequence at s[i]; returns its length (1 and cp = 0xFFFFFFFF when malformed).
std::size_t Decode(std::string_view s, std::size_t i, std::uint32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t n = b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 0;
    cp = 0xFFFFFFFF;
    if (n == 0 || i + n > s.size()) return 1;
    std::uint32_t v = b0 & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 1;
        v = (v << 6) | (b & 0x3F);
    }
    cp = v;
    return n;
}

} // namespace

static_assert(std::endian::native == std::endian::little); // the first byte is the word's lowest

std::size_t AsciiPrefix(const char* data, std::size_t size) {
    // Both directions copy ASCII unchanged; table text is mostly ASCII, so look at eight bytes at a time
    // (the last eight overlapping the ones before), and find the first high bit by its position.
    constexpr std::uint64_t high = 0x8080808080808080ull;
    auto firstHigh = [&](std::size_t at) {
        std::uint64_t word = 0;
        std::memcpy(&word, data + at, 8);
        word &= high;
        return word ? at + static_cast<std::size_t>(std::countr_zero(word)) / 8 : size;
    };
    if (size < 8) {
        std::size_t i = 0;
        while (i < size && static_cast<unsigned char>(data[i]) < 0x80)
            ++i;
        return i;
    }
    for (std::size_t i = 0; i + 8 <= size; i += 8)
        if (const std::size_t at = firstHigh(i); at != size) return at;
    return size % 8 ? firstHigh(size - 8) : size;
}

void AppendCp1250(std::string_view utf8, std::string& out) {
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t ascii = AsciiPrefix(utf8.data() + i, utf8.size() - i);
        out.append(utf8.data() + i, ascii);
        i += ascii;
        if (i == utf8.size()) break;
        std::uint32_t cp = 0;
        i += Decode(utf8, i, cp);
        out.push_back(cp == 0xFFFFFFFF ? '?' : ByteFor(cp));
    }
}

std::string ToCp1250(std::string_view utf8) {
    if (AsciiPrefix(utf8.data(), utf8.size()) == utf8.size()) return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    AppendCp1250(utf8, out);
    return out;
}

void AppendUtf8FromCp1250(const char* data, std::size_t size, std::string& out) {
    const TUtf8Table& table = Utf8Table();
    for (std::size_t i = 0; i < size; ++i) {
        const std::size_t ascii = AsciiPrefix(data + i, size - i);
        out.append(data + i, ascii);
        i += ascii;
        if (i == size) break;
        const auto b = static_cast<unsigned char>(data[i]) - 0x80;
        out.append(table.Bytes[b].data(), table.Length[b]);
    }
}

std::string FromCp1250(std::string_view cp1250) {
    if (AsciiPrefix(cp1250.data(), cp1250.size()) == cp1250.size()) return std::string(cp1250);
    std::string out;
    out.reserve(cp1250.size());
    AppendUtf8FromCp1250(cp1250.data(), cp1250.size(), out);
    return out;
}

std::string_view Cp1250Text(const TVariant& value, std::string& scratch) {
    if (value.Type() == TVarType::vtText) {
        const std::string& text = value.TextRef();
        if (AsciiPrefix(text.data(), text.size()) == text.size()) return text;
        scratch = ToCp1250(text);
    } else
        scratch = ToCp1250(value.AsText());
    return scratch;
}
