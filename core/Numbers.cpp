#include "core/Numbers.h"

#include "core/Text.h"

#include <charconv>
#include <system_error>

namespace tarvik {

namespace {

// Without blanks and tabs around it and without one leading '+', which from_chars does not take.
std::string_view Trimmed(std::string_view text) {
    std::string_view s = TrimSpacesAndTabs(text);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    return s;
}

template <class T> bool ParseWhole(std::string_view text, T& out) {
    const std::string_view s = Trimmed(text);
    if (s.empty()) return false;
    T value{};
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return false;
    out = value;
    return true;
}

std::string Format(double v, std::chars_format format, int precision) {
    char buf[400]; // a fixed double needs up to 309 digits before the point
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, format, precision);
    return ec == std::errc() ? std::string(buf, end) : std::string();
}

} // namespace

std::string FormatDouble(double v) {
    std::string text;
    for (int precision = 15; precision <= 17; ++precision) {
        text = Format(v, std::chars_format::general, precision);
        double back = 0;
        if (ParseDouble(text, back) && back == v) break;
    }
    return text;
}

std::string FormatFixed(double v, int decimals) {
    return Format(v, std::chars_format::fixed, decimals < 0 ? 0 : decimals);
}

std::string FormatGeneral(double v, int precision) {
    return Format(v, std::chars_format::general, precision);
}

std::string FormatScientific(double v, int decimals) {
    return Format(v, std::chars_format::scientific, decimals < 0 ? 0 : decimals);
}

std::string FormatPadded(long long value, int width, char fill) {
    char digits[24];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    std::string_view text(digits, ec == std::errc() ? static_cast<std::size_t>(end - digits) : 0);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    const std::size_t used = text.size() + (negative ? 1u : 0u);
    const std::size_t pad =
        width > 0 && static_cast<std::size_t>(width) > used ? static_cast<std::size_t>(width) - used : 0;
    std::string out;
    if (fill == ' ') out.append(pad, ' ');
    if (negative) out += '-';
    if (fill != ' ') out.append(pad, fill);
    out += text;
    return out;
}

bool ParseDouble(std::string_view text, double& out) {
    return ParseWhole(text, out);
}

bool ParseInt64(std::string_view text, std::int64_t& out) {
    return ParseWhole(text, out);
}

} // namespace tarvik
