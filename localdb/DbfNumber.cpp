#include "localdb/DbfNumber.h"

#include "core/Numbers.h"
#include "core/Text.h"
#include "core/Variant.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace tarvik {

namespace {

bool RoundTrips(const std::string& text, double v) {
    double back = 0;
    return ParseDouble(text, back) && back == v;
}

// text (at most width <= 32 characters here) copied to buf with the exponent letter in upper case,
// as dBase files have always held it; returns its length.
std::size_t Keep(const std::string& text, char (&buf)[NumberTextSize]) {
    const std::size_t n = std::min(text.size(), NumberTextSize - 1);
    std::transform(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), buf, UpperAsciiChar);
    buf[n] = '\0';
    return n;
}

// "%.15g" of v when that is the shortest text reading back as v, has no exponent and at most
// decimals digits after the point (money, quantities, measures); 0 when it is not (then the caller
// goes the long way). A decimal m / 10^d with m below 10^15 reads back as the double quotient of
// m and 10^d, both exact doubles; with the fewest decimals d, it has the same digits as "%.15g",
// because two different decimals of 15 digits never read back as the same double.
constexpr double pow10[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

std::size_t ShortDecimal(double v, char (&buf)[NumberTextSize]) {
    if (v == 0) return static_cast<std::size_t>(std::strlen(std::strcpy(buf, std::signbit(v) ? "-0" : "0")));
    for (int d = 0; d < 15; ++d) {
        const double scaled = v * pow10[d];
        if (!(std::fabs(scaled) < 1e15)) return 0;
        // Near a whole number (as it is when d decimals suffice) adding a half and cutting rounds.
        const auto m = static_cast<double>(static_cast<std::int64_t>(scaled + (scaled < 0 ? -0.5 : 0.5)));
        if (m / pow10[d] != v) continue;
        // The digits of |m| with the point d places from the right; "%.15g" shows at most three zeros
        // after the point before the first digit.
        char digits[24];
        const auto magnitude = static_cast<std::uint64_t>(std::fabs(m));
        const auto count =
            static_cast<int>(std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits);
        if (d - count > 3) return 0;
        char* out = buf;
        if (m < 0) *out++ = '-';
        if (count <= d) {
            *out++ = '0';
            *out++ = '.';
            out = std::fill_n(out, d - count, '0');
            out = std::copy_n(digits, count, out);
        } else {
            out = std::copy_n(digits, count - d, out);
            if (d > 0) *out++ = '.';
            out = std::copy_n(digits + count - d, d, out);
        }
        return static_cast<std::size_t>(out - buf);
    }
    return 0;
}

} // namespace

std::size_t NumberText(double v, std::size_t width, char (&buf)[NumberTextSize]) {
    if (!std::isfinite(v)) throw EVariantError("a number must be finite");
    const std::size_t fast = ShortDecimal(v, buf);
    if (fast != 0 && fast <= width) return fast;
    std::string text = FormatGeneral(v, 15);
    if (text.find('e') == std::string::npos && text.size() <= width && RoundTrips(text, v))
        return Keep(text, buf);
    for (int decimals = 0; decimals <= 17; ++decimals) {
        text = FormatFixed(v, decimals);
        if (text.size() > width) break;
        if (RoundTrips(text, v)) return Keep(text, buf);
    }
    for (int digits = 15; digits <= 17; ++digits) {
        text = FormatScientific(v, digits - 1);
        if (text.size() <= width && RoundTrips(text, v)) return Keep(text, buf);
    }
    // No exact text fits: round to as many significant digits as fit, 15 at most.
    for (int digits = 15; digits >= 1; --digits) {
        text = FormatGeneral(v, digits);
        if (text.size() <= width) return Keep(text, buf);
    }
    throw EVariantError("the number " + UpperAscii(text) + " does not fit in " + std::to_string(width) +
                        " digits");
}

std::size_t IntegerText(std::int64_t v, char (&buf)[NumberTextSize]) {
    return static_cast<std::size_t>(std::to_chars(buf, buf + NumberTextSize, v).ptr - buf);
}

void PutDigits(char* out, unsigned value, int count) {
    // Two digits at a time from a table of "00" to "99".
    static constexpr auto pairs = [] {
        std::array<char, 200> p{};
        for (int i = 0; i < 100; ++i)
            p[2 * i] = static_cast<char>('0' + i / 10), p[2 * i + 1] = static_cast<char>('0' + i % 10);
        return p;
    }();
    for (; count >= 2; count -= 2, value /= 100)
        std::memcpy(out + count - 2, pairs.data() + 2 * (value % 100), 2);
    if (count == 1) out[0] = static_cast<char>('0' + value % 10);
}

std::int64_t TPlainDecimal::Integer() const {
    const auto v = static_cast<std::int64_t>(Digits);
    return Negative ? -v : v;
}

double TPlainDecimal::Double() const {
    const double v = static_cast<double>(Digits) / pow10[Decimals];
    return Negative ? -v : v;
}

bool ParsePlainDecimal(std::string_view field, TPlainDecimal& out) {
    std::size_t i = 0;
    const std::size_t n = field.size();
    auto isDigit = [&](std::size_t at) { return at < n && field[at] >= '0' && field[at] <= '9'; };
    while (i < n && field[i] == ' ')
        ++i;
    out = TPlainDecimal{};
    if (i < n && field[i] == '-') out.Negative = true, ++i;
    if (!isDigit(i)) return false;
    int count = 0;
    for (; isDigit(i); ++i, ++count)
        out.Digits = out.Digits * 10 + static_cast<unsigned>(field[i] - '0');
    if (i < n && field[i] == '.') {
        out.Point = true;
        if (!isDigit(++i)) return false;
        for (; isDigit(i); ++i, ++count, ++out.Decimals)
            out.Digits = out.Digits * 10 + static_cast<unsigned>(field[i] - '0');
    }
    for (; i < n; ++i)
        if (field[i] != ' ' && field[i] != '\0') return false;
    return count <= 15;
}

} // namespace tarvik
