#pragma once
// Small text helpers shared by every layer. Texts are UTF-8; case folding touches ASCII
// letters only, which is what names of data sources, tables and procedures need.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Without the blanks (spaces only) around it.
std::string TrimBlanks(std::string_view text);
// ASCII letters in upper case; other bytes unchanged.
std::string UpperAscii(std::string text);
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
