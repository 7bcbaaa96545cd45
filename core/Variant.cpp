#include "core/Variant.h"

#include "core/Numbers.h"
#include "core/Text.h"

#include <cmath>
#include <limits>

namespace tarvik {

namespace {

[[noreturn]] void Fail(const char* wanted, const std::string& shown) {
    throw EVariantError("Could not convert variant value '" + shown + "' to " + wanted);
}

[[noreturn]] void FailNull(const char* wanted) {
    throw EVariantError(std::string("Could not convert NULL to ") + wanted);
}

// Reads exactly `width` digits at s[pos].
bool Digits(std::string_view s, std::size_t pos, std::size_t width, int& out) {
    if (pos + width > s.size()) return false;
    out = 0;
    for (std::size_t i = pos; i < pos + width; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        out = out * 10 + (s[i] - '0');
    }
    return true;
}

bool ParseDate(std::string_view s, TVarDate& d) {
    return Digits(s, 0, 4, d.Year) && s.size() >= 10 && s[4] == '-' && Digits(s, 5, 2, d.Month) &&
           s[7] == '-' && Digits(s, 8, 2, d.Day) && IsValidDate(d);
}

bool ParseTime(std::string_view s, TVarTime& t) {
    if (!(Digits(s, 0, 2, t.Hour) && s.size() >= 8 && s[2] == ':' && Digits(s, 3, 2, t.Minute) &&
          s[5] == ':' && Digits(s, 6, 2, t.Second)))
        return false;
    t.Fraction = 0;
    if (s.size() > 8) {
        if (s[8] != '.' || s.size() == 9 || s.size() > 18) return false;
        std::uint32_t scale = 100000000;
        for (std::size_t i = 9; i < s.size(); ++i, scale /= 10) {
            if (s[i] < '0' || s[i] > '9') return false;
            t.Fraction += static_cast<std::uint32_t>(s[i] - '0') * scale;
        }
    }
    return IsValidTime(t);
}

bool ParseDateTime(std::string_view s, TVarDateTime& dt) {
    s = TrimSpacesAndTabs(s);
    if (!ParseDate(s.substr(0, 10), dt.Date)) return false;
    dt.Time = TVarTime{};
    if (s.size() == 10) return true;
    return (s[10] == ' ' || s[10] == 'T') && ParseTime(s.substr(11), dt.Time);
}

} // namespace

bool TVariant::AsBoolean() const {
    switch (Type()) {
    case TVarType::vtNull:
        FailNull("Boolean");
    case TVarType::vtBoolean:
        return std::get<bool>(FValue);
    case TVarType::vtInteger:
        return std::get<std::int64_t>(FValue) != 0;
    case TVarType::vtDouble:
        return std::get<double>(FValue) != 0;
    case TVarType::vtText: {
        const std::string t = UpperAscii(std::string(TrimSpacesAndTabs(std::get<std::string>(FValue))));
        if (t == "TRUE" || t == "T" || t == "1" || t == "Y") return true;
        if (t == "FALSE" || t == "F" || t == "0" || t == "N") return false;
        break;
    }
    default:
        break;
    }
    Fail("Boolean", AsText());
}

std::int64_t TVariant::AsInteger() const {
    switch (Type()) {
    case TVarType::vtNull:
        FailNull("integer");
    case TVarType::vtBoolean:
        return std::get<bool>(FValue) ? 1 : 0;
    case TVarType::vtInteger:
        return std::get<std::int64_t>(FValue);
    case TVarType::vtDouble: {
        double v = std::round(std::get<double>(FValue));
        if (std::isfinite(v) && v >= -9.2233720368547758e18 && v < 9.2233720368547758e18)
            return static_cast<std::int64_t>(v);
        break;
    }
    case TVarType::vtText: {
        std::int64_t v = 0;
        if (ParseInt64(std::get<std::string>(FValue), v)) return v;
        break;
    }
    default:
        break;
    }
    Fail("integer", AsText());
}

double TVariant::AsDouble() const {
    switch (Type()) {
    case TVarType::vtNull:
        FailNull("float");
    case TVarType::vtBoolean:
        return std::get<bool>(FValue) ? 1 : 0;
    case TVarType::vtInteger:
        return static_cast<double>(std::get<std::int64_t>(FValue));
    case TVarType::vtDouble:
        return std::get<double>(FValue);
    case TVarType::vtText: {
        double v = 0;
        if (ParseDouble(std::get<std::string>(FValue), v)) return v;
        break;
    }
    default:
        break;
    }
    Fail("float", AsText());
}

std::string TVariant::AsText() const {
    switch (Type()) {
    case TVarType::vtNull:
        return {};
    case TVarType::vtBoolean:
        return std::get<bool>(FValue) ? "True" : "False";
    case TVarType::vtInteger:
        return std::to_string(std::get<std::int64_t>(FValue));
    case TVarType::vtDouble:
        return FormatDouble(std::get<double>(FValue));
    case TVarType::vtText:
        return std::get<std::string>(FValue);
    case TVarType::vtBytes: {
        const TBytes& b = std::get<TBytes>(FValue);
        return std::string(b.begin(), b.end());
    }
    case TVarType::vtDate:
        return FormatDate(std::get<TVarDate>(FValue));
    case TVarType::vtTime:
        return FormatTime(std::get<TVarTime>(FValue));
    case TVarType::vtDateTime:
        return FormatDateTime(std::get<TVarDateTime>(FValue));
    }
    return {};
}

const std::string& TVariant::TextRef() const {
    if (Type() != TVarType::vtText) Fail("text", AsText());
    return std::get<std::string>(FValue);
}

TBytes TVariant::AsBytes() const {
    if (Type() == TVarType::vtBytes) return std::get<TBytes>(FValue);
    if (Type() == TVarType::vtText) {
        const std::string& t = std::get<std::string>(FValue);
        return TBytes(t.begin(), t.end());
    }
    if (IsNull()) FailNull("bytes");
    Fail("bytes", AsText());
}

TVarDate TVariant::AsDate() const {
    switch (Type()) {
    case TVarType::vtNull:
        FailNull("date");
    case TVarType::vtDate:
        return std::get<TVarDate>(FValue);
    case TVarType::vtDateTime:
        return std::get<TVarDateTime>(FValue).Date;
    case TVarType::vtText: {
        TVarDateTime dt;
        if (ParseDateTime(std::get<std::string>(FValue), dt)) return dt.Date;
        break;
    }
    default:
        break;
    }
    Fail("date", AsText());
}

TVarTime TVariant::AsTime() const {
    switch (Type()) {
    case TVarType::vtNull:
        FailNull("time");
    case TVarType::vtTime:
        return std::get<TVarTime>(FValue);
    case TVarType::vtDateTime:
        return std::get<TVarDateTime>(FValue).Time;
    case TVarType::vtText: {
        TVarTime t;
        std::string_view s = TrimSpacesAndTabs(std::get<std::string>(FValue));
        if (ParseTime(s, t)) return t;
        TVarDateTime dt;
        if (ParseDateTime(s, dt)) return dt.Time;
        break;
    }
    default:
        break;
    }
    Fail("time", AsText());
}

TVarDateTime TVariant::AsDateTime() const {
    switch (Type()) {
    case TVarType::vtNull:
        FailNull("date-time");
    case TVarType::vtDate:
        return TVarDateTime{std::get<TVarDate>(FValue), TVarTime{}};
    case TVarType::vtDateTime:
        return std::get<TVarDateTime>(FValue);
    case TVarType::vtText: {
        TVarDateTime dt;
        if (ParseDateTime(std::get<std::string>(FValue), dt)) return dt;
        break;
    }
    default:
        break;
    }
    Fail("date-time", AsText());
}

bool TVariant::operator==(const TVariant& other) const {
    if (IsNumber() && other.IsNumber()) {
        if (Type() == TVarType::vtInteger && other.Type() == TVarType::vtInteger)
            return std::get<std::int64_t>(FValue) == std::get<std::int64_t>(other.FValue);
        return AsDouble() == other.AsDouble();
    }
    auto temporal = [](TVarType t) { return t == TVarType::vtDate || t == TVarType::vtDateTime; };
    if (Type() != other.Type() && temporal(Type()) && temporal(other.Type()))
        return AsDateTime() == other.AsDateTime();
    return FValue == other.FValue;
}

std::int64_t DayNumber(const TVarDate& date) {
    // Days from the civil calendar (Hinnant's algorithm), shifted so that 0001-01-01 is day 1.
    std::int64_t y = date.Year - (date.Month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (date.Month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + date.Day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 305;
}

TVarDate DateFromDayNumber(std::int64_t day) {
    std::int64_t z = day + 305;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    TVarDate d;
    d.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    d.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    d.Year = static_cast<int>(yoe + era * 400 + (d.Month <= 2 ? 1 : 0));
    return d;
}

bool IsValidDate(const TVarDate& d) {
    if (d.Year < 1 || d.Year > 9999 || d.Month < 1 || d.Month > 12 || d.Day < 1) return false;
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (d.Year % 4 == 0 && d.Year % 100 != 0) || d.Year % 400 == 0;
    return d.Day <= days[d.Month - 1] + (d.Month == 2 && leap ? 1 : 0);
}

bool IsValidTime(const TVarTime& t) {
    return t.Hour >= 0 && t.Hour < 24 && t.Minute >= 0 && t.Minute < 60 && t.Second >= 0 && t.Second < 60 &&
           t.Fraction < 1000000000u;
}

std::string FormatDate(const TVarDate& d) {
    return FormatPadded(d.Year, 4) + "-" + FormatPadded(d.Month, 2) + "-" + FormatPadded(d.Day, 2);
}

std::string FormatTime(const TVarTime& t) {
    std::string text =
        FormatPadded(t.Hour, 2) + ":" + FormatPadded(t.Minute, 2) + ":" + FormatPadded(t.Second, 2);
    // A fraction under a millisecond is not shown: ".000" would read back as no fraction and
    // write differently the second time.
    const unsigned millis = t.Fraction / 1000000u;
    if (millis != 0) text += "." + FormatPadded(millis, 3);
    return text;
}

std::string FormatDateTime(const TVarDateTime& dt) {
    return FormatDate(dt.Date) + " " + FormatTime(dt.Time);
}

} // namespace tarvik
