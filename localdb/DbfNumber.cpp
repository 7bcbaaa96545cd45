#include "DbfNumber.h"

#include "Variant.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool RoundTrips(const char* text, double v) {
    double back = 0;
    auto [p, ec] = std::from_chars(text, text + std::strlen(text), back);
    return ec == std::errc() && back == v;
}

// "%.15g" of v when that is the shortest text reading back as v and has no exponent; 0 when it is
// not (then the caller goes the long way). The shortest fixed-point text of to_chars has the same
// digits as "%.15g" whenever it has at most 15 significant digits: two different 15-digit decimals
// never read back as the same double.
std::size_t ShortestG15(double v, char (&buf)[NumberTextSize]) {
    const auto [end, ec] = std::to_chars(buf, buf + NumberTextSize, v, std::chars_format::fixed);
    if (ec != std::errc()) return 0;
    const char* digits = buf + (buf[0] == '-' ? 1 : 0);
    const char* dot = std::find(digits, static_cast<const char*>(end), '.');
    const auto intDigits = static_cast<std::size_t>(dot - digits);
    const std::size_t fraction = dot == end ? 0 : static_cast<std::size_t>(end - dot - 1);
    std::size_t significant = 0;
    if (intDigits == 1 && digits[0] == '0') {
        if (fraction == 0) return static_cast<std::size_t>(end - buf); // zero
        const std::size_t zeros = std::strspn(dot + 1, "0");
        if (zeros > 3) return 0; // "%.15g" turns to an exponent below 1e-4
        significant = fraction - zeros;
    } else {
        if (intDigits > 15) return 0; // and from 1e15 up
        significant = intDigits + fraction;
    }
    return significant <= 15 ? static_cast<std::size_t>(end - buf) : 0;
}

} // namespace

std::size_t NumberText(double v, std::size_t width, char (&buf)[NumberTextSize]) {
    if (!std::isfinite(v)) throw EVariantError("a number must be finite");
    const std::size_t fast = ShortestG15(v, buf);
    if (fast != 0 && fast <= width) return fast;
    std::snprintf(buf, sizeof buf, "%.15g", v);
    if (!std::strchr(buf, 'e') && std::strlen(buf) <= width && RoundTrips(buf, v)) return std::strlen(buf);
    for (int decimals = 0; decimals <= 17; ++decimals) {
        const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
        if (n > static_cast<int>(width)) break;
        if (RoundTrips(buf, v)) return static_cast<std::size_t>(n);
    }
    for (int digits = 15; digits <= 17; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*E", digits - 1, v);
        if (RoundTrips(buf, v) && std::strlen(buf) <= width) return std::strlen(buf);
    }
    throw EVariantError("the number " + std::string(buf) + " does not fit in " + std::to_string(width) +
                        " digits");
}

void PutDigits(char* out, unsigned value, int count) {
    for (int i = count; i-- > 0; value /= 10)
        out[i] = static_cast<char>('0' + value % 10);
}
