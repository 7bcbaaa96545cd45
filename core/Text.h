#pragma once
// Small text helpers shared by every layer. Texts are UTF-8; case folding touches ASCII
// letters only, which is what names of data sources, tables and procedures need.
#include <string>
#include <string_view>

// Without the blanks (spaces only) around it.
std::string TrimBlanks(std::string_view text);
// ASCII letters in upper case; other bytes unchanged.
std::string UpperAscii(std::string text);
// Equal ignoring the case of ASCII letters.
bool SameTextAscii(std::string_view a, std::string_view b);
