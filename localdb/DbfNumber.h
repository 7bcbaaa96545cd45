#pragma once
// The text of numbers in dBase numeric columns. A row of a table with a handful of number columns
// is formatted millions of times when a table is filled, so the common cases take a short way. The
// forms named below are printf's in the C locale (a point, never a comma), made without printf.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarvik {

// Room NumberText needs in its buffer.
constexpr std::size_t NumberTextSize = 64;

// The shortest plain text of v that reads back unchanged and fits width characters: the "%.15g" form
// when that has no exponent and reads back exactly, else the fewest decimals of "%f" that do, else
// 15 to 17 digits of "%E"; when none fits, v rounded to the most significant digits of "%G" that fit
// (15 at most; 13 in 20 characters for a negative number with a three-digit exponent). Writes it to
// buf and returns its length; throws EVariantError for a number that is not finite or when not even
// one digit fits.
std::size_t NumberText(double v, std::size_t width, char (&buf)[NumberTextSize]);

// The decimal text of v ("-12", "0") written to buf; returns its length.
std::size_t IntegerText(std::int64_t v, char (&buf)[NumberTextSize]);

// Writes the count decimal digits of value (0 <= value < 10^count) to out, with leading zeros.
void PutDigits(char* out, unsigned value, int count);

// A number as dBase pads it: blanks, an optional minus, digits, optionally a point and more digits,
// then blanks or NUL bytes; 15 digits at most, so that the value is exact as an integer and as the
// double Digits / 10^Decimals (which is what from_chars makes of the text).
struct TPlainDecimal {
    bool Negative = false;
    bool Point = false;
    std::uint64_t Digits = 0;
    int Decimals = 0;
    std::int64_t Integer() const;
    double Double() const;
};
// Reads field when it has that form; false otherwise (the caller then reads it the long way).
bool ParsePlainDecimal(std::string_view field, TPlainDecimal& out);

} // namespace tarvik
