#pragma once
// TVariant: one field value as the dataset and the local table files exchange it. It is NULL or holds
// a Boolean, a 64-bit integer, a double, UTF-8 text, bytes, a date, a time of day or a date-time.
#include "core/Exceptions.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace tarvik {

// Proleptic Gregorian calendar date; years 1..9999 are the ones the table files can hold.
struct TVarDate {
    int Year = 1;
    int Month = 1;
    int Day = 1;
    bool operator==(const TVarDate&) const = default;
};

// Time of day; Fraction is in nanoseconds like SQL_TIMESTAMP_STRUCT's.
struct TVarTime {
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    std::uint32_t Fraction = 0;
    bool operator==(const TVarTime&) const = default;
};

struct TVarDateTime {
    TVarDate Date;
    TVarTime Time;
    bool operator==(const TVarDateTime&) const = default;
};

using TBytes = std::vector<std::uint8_t>;

enum class TVarType { vtNull, vtBoolean, vtInteger, vtDouble, vtText, vtBytes, vtDate, vtTime, vtDateTime };

// A value that cannot be converted to the kind asked for.
class EVariantError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const override { return "EVariantError"; }
};

class TVariant {
public:
    TVariant() = default; // NULL
    TVariant(bool v) : FValue(v) {}
    TVariant(int v) : FValue(std::int64_t{v}) {}
    TVariant(std::int64_t v) : FValue(v) {}
    TVariant(double v) : FValue(v) {}
    TVariant(std::string v) : FValue(std::move(v)) {}
    TVariant(const char* v) : FValue(std::string(v)) {}
    TVariant(TBytes v) : FValue(std::move(v)) {}
    TVariant(TVarDate v) : FValue(v) {}
    TVariant(TVarTime v) : FValue(v) {}
    TVariant(TVarDateTime v) : FValue(v) {}

    TVarType Type() const { return static_cast<TVarType>(FValue.index()); }
    bool IsNull() const { return FValue.index() == 0; }
    bool IsNumber() const { return Type() == TVarType::vtInteger || Type() == TVarType::vtDouble; }

    // Conversions; each throws EVariantError for NULL and for a value that has no such reading
    // (text that is not a number, a date asked of a Boolean, an integer out of range).
    bool AsBoolean() const;
    std::int64_t AsInteger() const;
    double AsDouble() const;
    // Text form: numbers plainly ("12", "1.5"), dates "YYYY-MM-DD", times "HH:MM:SS[.mmm]",
    // Booleans "True"/"False", bytes as they are. NULL gives the empty string (never throws otherwise).
    std::string AsText() const;
    TBytes AsBytes() const;
    TVarDate AsDate() const;
    TVarTime AsTime() const;
    TVarDateTime AsDateTime() const;

    // Holds text: the text itself without copying; throws EVariantError otherwise.
    const std::string& TextRef() const;

    // NULL equals only NULL; numbers compare by value across integer and double; texts and bytes
    // must be identical; a date equals a date-time at its midnight; other kinds never equal.
    bool operator==(const TVariant& other) const;

private:
    std::variant<std::monostate, bool, std::int64_t, double, std::string, TBytes, TVarDate, TVarTime,
                 TVarDateTime>
        FValue;
};

// Day numbers: 0001-01-01 is day 1 (the day count local table files store).
std::int64_t DayNumber(const TVarDate& date);
TVarDate DateFromDayNumber(std::int64_t day);
bool IsValidDate(const TVarDate& date);
bool IsValidTime(const TVarTime& time);
// Formats used by AsText; milliseconds are printed only when they are not zero.
std::string FormatDate(const TVarDate& date);
std::string FormatTime(const TVarTime& time);
std::string FormatDateTime(const TVarDateTime& dt);

} // namespace tarvik
