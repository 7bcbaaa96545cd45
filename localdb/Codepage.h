#pragma once
// Conversion between the UTF-8 text held in memory and code page 1250, the Central European
// Windows code page in which the table files store their text.
#include "Variant.h"

#include <cstddef>
#include <string>
#include <string_view>

// Length of the leading run of ASCII bytes (below 0x80), which both directions keep unchanged.
std::size_t AsciiPrefix(const char* data, std::size_t size);

// Appends the code page 1250 bytes of UTF-8 text to out. A character the code page lacks, and every
// byte of a malformed UTF-8 sequence, becomes '?'. Never throws except bad_alloc.
void AppendCp1250(std::string_view utf8, std::string& out);
std::string ToCp1250(std::string_view utf8);

// Appends the UTF-8 form of code page 1250 bytes to out; the five unassigned bytes become U+FFFD.
void AppendUtf8FromCp1250(const char* data, std::size_t size, std::string& out);
std::string FromCp1250(std::string_view cp1250);

// The code page 1250 bytes of a value's text form: ASCII text is returned in place without a copy,
// anything else is converted into scratch. Throws only what TVariant::AsText throws.
std::string_view Cp1250Text(const TVariant& value, std::string& scratch);
