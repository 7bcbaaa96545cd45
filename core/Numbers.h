#pragma once
// Numbers as machine text: files, SQL, drivers and servers read "." as the decimal separator whatever
// the user's locale says, and printf/strtod follow LC_NUMERIC once the window has set it. These never
// look at the locale.
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvik {

// The shortest of 15, 16 or 17 significant digits ("%.*g" form) that reads back as v.
std::string FormatDouble(double v);
// v with exactly `decimals` digits after the point ("%.*f" form); decimals 0 gives no point.
std::string FormatFixed(double v, int decimals);
// v with `precision` significant digits ("%.*g" form).
std::string FormatGeneral(double v, int precision);
// v with one digit before the point and `decimals` after it, then "e", a sign and at least two
// exponent digits ("%.*e" form).
std::string FormatScientific(double v, int decimals);
// value in decimal, at least `width` characters, padded on the left with fill after any sign
// ("%0*lld" form with fill '0', "%*lld" with fill ' ').
std::string FormatPadded(long long value, int width, char fill = '0');
// The whole of text (blanks and tabs around it and one leading '+' allowed) as a double; false when
// it is not a number or out of range.
bool ParseDouble(std::string_view text, double& out);
// The whole of text (as ParseDouble) as a 64-bit integer; false on anything else or overflow.
bool ParseInt64(std::string_view text, std::int64_t& out);

} // namespace tarvik
