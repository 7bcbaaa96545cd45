#pragma once
// The text of numbers in dBase numeric columns. A row of a table with a handful of number columns
// is formatted millions of times when a table is filled, so the common cases avoid printf.
#include <cstddef>
#include <cstdint>

// Room NumberText needs in its buffer.
constexpr std::size_t NumberTextSize = 64;

// The shortest plain text of v that reads back unchanged and fits width characters: the "%.15g" form
// when that has no exponent and reads back exactly, else the fewest decimals of "%f" that do, else
// 15 to 17 digits of "%E". Writes it to buf and returns its length; throws EVariantError for a
// number that is not finite or that has no such text.
std::size_t NumberText(double v, std::size_t width, char (&buf)[NumberTextSize]);

// Writes the count decimal digits of value (0 <= value < 10^count) to out, with leading zeros.
void PutDigits(char* out, unsigned value, int count);
