#pragma once
// Conversion between the UTF-8 text held in memory and the single-byte code pages in which table
// files store their text: 1250 (Central European Windows, what we write), 1252, 437, 850 and 852.
#include "core/Variant.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvik {

// Length of the leading run of ASCII bytes (below 0x80), which every code page keeps unchanged.
std::size_t AsciiPrefix(const char* data, std::size_t size);

// One code page whose lower half is ASCII. Unassigned bytes read as U+FFFD; a character the code
// page lacks, and every byte of a malformed UTF-8 sequence, is written as '?'. Never throws except
// bad_alloc (and what TVariant::AsText throws in Text).
class TCodePage {
public:
    // The code page of that number (437, 850, 852, 1250, 1252); nullptr for any other.
    static const TCodePage* Find(int number);
    static const TCodePage& Windows1250();

    int Number() const { return FNumber; }
    // UTF-8 of code page bytes, appended to out or returned.
    void AppendUtf8(const char* data, std::size_t size, std::string& out) const;
    std::string ToUtf8(std::string_view bytes) const;
    // Code page bytes of UTF-8 text, appended to out or returned.
    void AppendBytes(std::string_view utf8, std::string& out) const;
    std::string FromUtf8(std::string_view utf8) const;
    // The code page bytes of a value's text form: ASCII text is returned in place without a copy,
    // anything else is converted into scratch.
    std::string_view Text(const TVariant& value, std::string& scratch) const;

private:
    TCodePage(int number, const std::uint16_t (&high)[128]);
    char ByteFor(std::uint32_t cp) const;

    int FNumber;
    std::array<std::array<char, 4>, 128> FUtf8{};
    std::array<std::uint8_t, 128> FLength{};
    std::vector<std::pair<std::uint32_t, char>> FReverse; // code point -> byte, sorted
};

// Bytes of the longest prefix of utf8 with at most maxChars characters (a malformed byte counts as
// one, as it becomes one '?'): where to cut text that a single-byte code page must hold in maxChars.
std::size_t Utf8PrefixOfChars(std::string_view utf8, std::size_t maxChars);

// Code page 1250, the one our new tables use.
void AppendCp1250(std::string_view utf8, std::string& out);
std::string ToCp1250(std::string_view utf8);
void AppendUtf8FromCp1250(const char* data, std::size_t size, std::string& out);
std::string FromCp1250(std::string_view cp1250);
std::string_view Cp1250Text(const TVariant& value, std::string& scratch);

} // namespace tarvik
