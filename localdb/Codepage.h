#pragma once
// Conversion between the UTF-8 text held in memory and code page 1250, the Central European
// Windows code page in which the table files store their text.
#include <cstddef>
#include <string>
#include <string_view>

// Appends the code page 1250 bytes of UTF-8 text to out. A character the code page lacks, and every
// byte of a malformed UTF-8 sequence, becomes '?'. Never throws except bad_alloc.
void AppendCp1250(std::string_view utf8, std::string& out);
std::string ToCp1250(std::string_view utf8);

// Appends the UTF-8 form of code page 1250 bytes to out; the five unassigned bytes become U+FFFD.
void AppendUtf8FromCp1250(const char* data, std::size_t size, std::string& out);
std::string FromCp1250(std::string_view cp1250);
