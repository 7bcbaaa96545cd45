#pragma once
// Small text helpers shared by every layer. Texts are UTF-8; case folding touches ASCII
// letters only, which is what names of data sources, tables and procedures need.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvik {

// The character classes of the C locale, whatever the process locale is: a byte of a UTF-8
// sequence (0x80 and above) is never a letter, digit or blank here.
constexpr bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr bool IsAsciiAlpha(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr bool IsAsciiHexDigit(char c) {
    return IsAsciiDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
constexpr bool IsAsciiAlnum(char c) {
    return IsAsciiAlpha(c) || IsAsciiDigit(c);
}
// Blank, tab, line feed, vertical tab, form feed, carriage return.
constexpr bool IsAsciiSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
constexpr char UpperAsciiChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
constexpr char LowerAsciiChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Without the blanks (spaces only) around it.
std::string TrimBlanks(std::string_view text);
// The part of text without the spaces and tabs around it.
std::string_view TrimSpacesAndTabs(std::string_view text);
// ASCII letters in upper case; other bytes unchanged.
std::string UpperAscii(std::string text);
// ASCII letters in lower case; other bytes unchanged.
std::string LowerAscii(std::string text);
// Equal ignoring the case of ASCII letters.
bool SameTextAscii(std::string_view a, std::string_view b);

// Decodes the UTF-8 sequence at text[i] into cp and returns its length; a malformed one counts as
// one byte with cp 0xFFFFFFFF.
std::size_t DecodeUtf8(std::string_view text, std::size_t i, std::uint32_t& cp);
// The longest prefix of text of at most maxBytes bytes that does not end inside a
// UTF-8 multi-byte character. This is how a text too long for its cell is cut.
std::size_t Utf8CutLength(std::string_view text, std::size_t maxBytes);
// Bytes of the first maxChars characters of UTF-8 text (all of it when it is shorter).
std::size_t Utf8CharsLength(std::string_view text, std::size_t maxChars);

} // namespace tarvik
