#include "odbc/ValueConvert.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace tarvik {

namespace {
bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

template <typename T> T Load(const void* cell) {
    T value;
    std::memcpy(&value, cell, sizeof value);
    return value;
}

template <typename T> void Store(void* cell, T value) {
    std::memcpy(cell, &value, sizeof value);
}

// Writes value in decimal with leading zeros to at least width digits; returns the end.
char* PutPadded(char* p, std::uint64_t value, int width) {
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    for (int n = static_cast<int>(end - digits); n < width; ++n)
        *p++ = '0';
    std::memcpy(p, digits, static_cast<std::size_t>(end - digits));
    return p + (end - digits);
}

// The same for the two-digit parts of dates and times, which every timestamp read formats five times.
char* Put2(char* p, unsigned value) {
    if (value >= 100) return PutPadded(p, value, 2);
    p[0] = static_cast<char>('0' + value / 10);
    p[1] = static_cast<char>('0' + value % 10);
    return p + 2;
}

char* PutDate(char* p, const SQL_DATE_STRUCT& d) {
    p = PutPadded(p, static_cast<std::uint16_t>(d.year), 2);
    *p++ = '-';
    p = Put2(p, d.month);
    *p++ = '-';
    return Put2(p, d.day);
}

char* PutTime(char* p, const SQL_TIME_STRUCT& t) {
    p = Put2(p, t.hour);
    *p++ = ':';
    p = Put2(p, t.minute);
    *p++ = ':';
    return Put2(p, t.second);
}

// Parses all of text as a number of type T (decimal, an optional leading sign for reals
// and signed integers, surrounding blanks allowed); false when anything is left over.
// Only digits, a point and an exponent count: the library reader would also take "inf", "nan" and,
// after a stripped '+', a second sign.
bool LooksDecimal(std::string_view text) {
    std::string_view body = text;
    if (!body.empty() && body.front() == '-') body.remove_prefix(1);
    if (body.empty() || !((body.front() >= '0' && body.front() <= '9') || body.front() == '.')) return false;
    return body.find_first_not_of("0123456789.eE+-") == std::string_view::npos;
}

template <typename T> bool ParseNumber(std::string_view text, T& out) {
    text = TrimView(text, stTrimBoth);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return false;
    }
    if (!LooksDecimal(text)) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

// A field of fixed position made of digits only (1-based first character).
bool ParseDigits(std::string_view text, std::size_t first, std::size_t count, unsigned& out) {
    if (first - 1 + count > text.size()) return false;
    std::string_view part = text.substr(first - 1, count);
    for (char c : part)
        if (c < '0' || c > '9') return false;
    std::from_chars(part.data(), part.data() + part.size(), out);
    return true;
}

bool ParseDate(std::string_view text, SQL_DATE_STRUCT& d) {
    unsigned y, m, day;
    if (!ParseDigits(text, 1, 4, y) || !ParseDigits(text, 6, 2, m) || !ParseDigits(text, 9, 2, day))
        return false;
    d = {static_cast<SQLSMALLINT>(y), static_cast<SQLUSMALLINT>(m), static_cast<SQLUSMALLINT>(day)};
    return true;
}

bool ParseTime(std::string_view text, std::size_t first, SQL_TIME_STRUCT& t) {
    unsigned h, m, s;
    if (!ParseDigits(text, first, 2, h) || !ParseDigits(text, first + 3, 2, m) ||
        !ParseDigits(text, first + 6, 2, s))
        return false;
    t = {static_cast<SQLUSMALLINT>(h), static_cast<SQLUSMALLINT>(m), static_cast<SQLUSMALLINT>(s)};
    return true;
}

// The digits after the point are a decimal fraction of a second: ".007" and ".007000000"
// are both 7 ms. Digits beyond the ninth (below a nanosecond) are dropped.
bool ParseFraction(std::string_view digits, SQLUINTEGER& out) {
    if (digits.empty()) return false;
    std::uint32_t value = 0;
    int used = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        if (used < 9) {
            value = value * 10 + static_cast<std::uint32_t>(c - '0');
            ++used;
        }
    }
    for (; used < 9; ++used)
        value *= 10;
    out = value;
    return true;
}

bool TextToTimestamp(std::string_view text, SQL_TIMESTAMP_STRUCT& ts) {
    if (text.size() < 21) return false;
    SQL_DATE_STRUCT d;
    SQL_TIME_STRUCT t;
    SQLUINTEGER fraction;
    if (!ParseDate(text, d) || !ParseTime(text, 12, t) || !ParseFraction(text.substr(20), fraction))
        return false;
    ts = {d.year, d.month, d.day, t.hour, t.minute, t.second, fraction};
    return true;
}

// Parses an integer of the cell's type, refusing values the type cannot hold.
template <typename T, typename Wide> bool StoreInteger(std::string_view text, void* cell) {
    Wide wide;
    if (!ParseNumber(text, wide)) return false;
    if (wide < static_cast<Wide>(std::numeric_limits<T>::min()) ||
        wide > static_cast<Wide>(std::numeric_limits<T>::max()))
        return false;
    Store<T>(cell, static_cast<T>(wide));
    return true;
}

bool StoreIntegerText(std::string_view text, void* cell, SQLSMALLINT cType) {
    switch (cType) {
    case SQL_C_STINYINT:
        return StoreInteger<std::int8_t, std::int32_t>(text, cell);
    case SQL_C_UTINYINT:
        return StoreInteger<std::uint8_t, std::int32_t>(text, cell);
    case SQL_C_BIT: {
        std::int32_t v;
        if (!ParseNumber(text, v) || v < 0 || v > 1) return false;
        Store<std::uint8_t>(cell, static_cast<std::uint8_t>(v));
        return true;
    }
    case SQL_C_SSHORT:
        return StoreInteger<std::int16_t, std::int32_t>(text, cell);
    case SQL_C_USHORT:
        return StoreInteger<std::uint16_t, std::int32_t>(text, cell);
    case SQL_C_SLONG:
        return StoreInteger<std::int32_t, std::int32_t>(text, cell);
    case SQL_C_ULONG:
        return StoreInteger<std::uint32_t, std::int64_t>(text, cell);
    case SQL_C_SBIGINT:
        return StoreInteger<std::int64_t, std::int64_t>(text, cell);
    case SQL_C_UBIGINT:
        return StoreInteger<std::uint64_t, std::uint64_t>(text, cell);
    default:
        return false;
    }
}

std::int32_t RoundHalfEven(double value) {
    if (std::isnan(value)) return 0;
    const double r = std::nearbyint(value); // the default rounding mode rounds halves to even
    if (r <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    if (r >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(r);
}

std::string_view CharCell(const void* cell, std::size_t cellSize) {
    const char* text = static_cast<const char*>(cell);
    return std::string_view(text, strnlen(text, cellSize));
}
} // namespace

SQL_TIMESTAMP_STRUCT DefaultTimestamp() {
    return SQL_TIMESTAMP_STRUCT{1899, 12, 30, 0, 0, 0, 0};
}

std::size_t CTypeSize(SQLSMALLINT cType) {
    switch (cType) {
    case SQL_C_CHAR:
    case SQL_C_BINARY:
        return 256;
    case SQL_C_FLOAT:
    case SQL_C_SLONG:
    case SQL_C_ULONG:
        return 4;
    case SQL_C_DOUBLE:
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT:
        return 8;
    case SQL_C_TYPE_DATE:
    case SQL_C_TYPE_TIME:
        return 6;
    case SQL_C_TYPE_TIMESTAMP:
        return 16;
    case SQL_C_STINYINT:
    case SQL_C_UTINYINT:
    case SQL_C_BIT:
        return 1;
    case SQL_C_SSHORT:
    case SQL_C_USHORT:
        return 2;
    default:
        return 0;
    }
}

SQLSMALLINT CTypeToSQLType(SQLSMALLINT cType) {
    switch (cType) {
    case SQL_C_CHAR:
        return SQL_CHAR;
    case SQL_C_FLOAT:
        return SQL_REAL;
    case SQL_C_DOUBLE:
        return SQL_DOUBLE;
    case SQL_C_TYPE_DATE:
    case SQL_C_TYPE_TIME:
    case SQL_C_TYPE_TIMESTAMP:
        return cType;
    case SQL_C_UTINYINT:
    case SQL_C_STINYINT:
        return SQL_TINYINT;
    case SQL_C_UBIGINT:
    case SQL_C_SBIGINT:
        return SQL_BIGINT;
    case SQL_C_ULONG:
    case SQL_C_SLONG:
        return SQL_INTEGER;
    case SQL_C_USHORT:
    case SQL_C_SSHORT:
        return SQL_SMALLINT;
    case SQL_C_BIT:
        return SQL_BIT;
    case SQL_C_BINARY:
        return SQL_BINARY;
    default:
        return 99;
    }
}

std::string_view TrimView(std::string_view text, TStringTrimming mode) {
    if (mode == stTrimLeading || mode == stTrimBoth)
        while (!text.empty() && IsBlank(text.front()))
            text.remove_prefix(1);
    if (mode == stTrimTrailing || mode == stTrimBoth)
        while (!text.empty() && IsBlank(text.back()))
            text.remove_suffix(1);
    return text;
}

std::string TrimText(std::string_view text, TStringTrimming mode) {
    return std::string(TrimView(text, mode));
}

namespace {
// Writes the default real format into out (at least 32 bytes); returns the end.
char* PutReal(char* out, double value) {
    char* p = out;
    if (std::isnan(value)) {
        std::memcpy(p, " NAN", 4);
        return p + 4;
    }
    *p++ = std::signbit(value) ? '-' : ' ';
    value = std::fabs(value);
    if (std::isinf(value)) {
        std::memcpy(p, "INF", 3);
        return p + 3;
    }
    // The shortest exact form is fast; when it has at most 15 significant digits, padding it with
    // zeros is the correctly rounded 15-digit form, because for normal doubles the 15-digit grid
    // is coarser than their precision. Subnormal and longer forms are rounded by to_chars.
    char digits[40];
    char* end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::scientific).ptr;
    const char* e =
        static_cast<const char*>(std::memchr(digits, 'e', static_cast<std::size_t>(end - digits)));
    if (e - digits > 16 || value < std::numeric_limits<double>::min()) {
        end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::scientific, 14).ptr;
        e = static_cast<const char*>(std::memchr(digits, 'e', static_cast<std::size_t>(end - digits)));
    }
    *p++ = digits[0];
    *p++ = '.';
    const std::size_t decimals = e - digits > 2 ? static_cast<std::size_t>(e - digits - 2) : 0;
    std::memcpy(p, digits + 2, decimals);
    std::memset(p + decimals, '0', 14 - decimals);
    p += 14;
    *p++ = 'E';
    *p++ = e[1];
    unsigned exponent = 0;
    std::from_chars(e + 2, end, exponent);
    return PutPadded(p, exponent, 4);
}

// The real as text, trimmed, built in one allocation (this runs for every real cell read).
std::string RealText(double value, TStringTrimming mode) {
    char out[32];
    const char* end = PutReal(out, value);
    return std::string(TrimView(std::string_view(out, static_cast<std::size_t>(end - out)), mode));
}
} // namespace

std::string FormatReal(double value) {
    return RealText(value, stTrimNone);
}

std::string FormatDate(const SQL_DATE_STRUCT& date) {
    char out[24];
    return std::string(out, static_cast<std::size_t>(PutDate(out, date) - out));
}

std::string FormatTime(const SQL_TIME_STRUCT& time) {
    char out[24];
    return std::string(out, static_cast<std::size_t>(PutTime(out, time) - out));
}

std::string FormatTimestamp(const SQL_TIMESTAMP_STRUCT& s) {
    char out[64];
    char* p = PutDate(out, SQL_DATE_STRUCT{s.year, s.month, s.day});
    *p++ = ' ';
    p = PutTime(p, SQL_TIME_STRUCT{s.hour, s.minute, s.second});
    *p++ = '.';
    p = PutPadded(p, s.fraction, 9);
    return std::string(out, static_cast<std::size_t>(p - out));
}

std::string ValueToText(const void* cell, std::size_t cellSize, SQLSMALLINT cType, TStringTrimming mode) {
    if (!cell || (cType != SQL_C_CHAR && cellSize < CTypeSize(cType))) return std::string();
    switch (cType) {
    case SQL_C_CHAR:
        return std::string(TrimView(CharCell(cell, cellSize), mode));
    case SQL_C_FLOAT:
        return RealText(Load<float>(cell), mode);
    case SQL_C_DOUBLE:
        return RealText(Load<double>(cell), mode);
    case SQL_C_TYPE_DATE:
        return FormatDate(Load<SQL_DATE_STRUCT>(cell));
    case SQL_C_TYPE_TIME:
        return FormatTime(Load<SQL_TIME_STRUCT>(cell));
    case SQL_C_TYPE_TIMESTAMP:
        return FormatTimestamp(Load<SQL_TIMESTAMP_STRUCT>(cell));
    case SQL_C_UTINYINT:
    case SQL_C_BIT:
        return std::to_string(Load<std::uint8_t>(cell));
    case SQL_C_USHORT:
        return std::to_string(Load<std::uint16_t>(cell));
    case SQL_C_ULONG:
        return std::to_string(Load<std::uint32_t>(cell));
    case SQL_C_STINYINT:
        return std::to_string(Load<std::int8_t>(cell));
    case SQL_C_SSHORT:
        return std::to_string(Load<std::int16_t>(cell));
    case SQL_C_SLONG:
        return std::to_string(Load<std::int32_t>(cell));
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT:
        return std::to_string(Load<std::int64_t>(cell));
    default:
        return std::string();
    }
}

bool TextToValue(std::string_view text, void* cell, std::size_t cellSize, SQLSMALLINT cType,
                 TStringTrimming mode, SQLLEN* storedLength) {
    text = TrimView(text, mode);
    std::size_t stored = CTypeSize(cType);
    if (!cell) return false;
    if (cType != SQL_C_CHAR && cType != SQL_C_BINARY && cellSize < stored) return false;
    bool ok = true;
    switch (cType) {
    case SQL_C_CHAR: {
        if (cellSize == 0) return false;
        stored = Utf8CutLength(text, cellSize - 1);
        std::memcpy(cell, text.data(), stored);
        static_cast<char*>(cell)[stored] = 0;
        break;
    }
    case SQL_C_BINARY:
        stored = std::min(text.size(), cellSize);
        std::memcpy(cell, text.data(), stored);
        break;
    case SQL_C_FLOAT:
    case SQL_C_DOUBLE: {
        double v;
        ok = ParseNumber(text, v);
        if (ok && cType == SQL_C_FLOAT) Store<float>(cell, static_cast<float>(v));
        if (ok && cType == SQL_C_DOUBLE) Store<double>(cell, v);
        break;
    }
    case SQL_C_TYPE_DATE: {
        SQL_DATE_STRUCT d;
        ok = text.size() >= 10 && ParseDate(text, d);
        if (ok) Store(cell, d);
        break;
    }
    case SQL_C_TYPE_TIME: {
        SQL_TIME_STRUCT t;
        ok = text.size() >= 8 && ParseTime(text, 1, t);
        if (ok) Store(cell, t);
        break;
    }
    case SQL_C_TYPE_TIMESTAMP: {
        SQL_TIMESTAMP_STRUCT ts;
        ok = TextToTimestamp(text, ts);
        if (ok) Store(cell, ts);
        break;
    }
    default:
        ok = StoreIntegerText(text, cell, cType);
        break;
    }
    if (ok && storedLength) *storedLength = static_cast<SQLLEN>(stored);
    return ok;
}

double ValueToDouble(const void* cell, std::size_t cellSize, SQLSMALLINT cType) {
    if (!cell) return 0.0;
    switch (cType) {
    case SQL_C_CHAR: {
        double v = 0;
        return cell && ParseNumber(CharCell(cell, cellSize), v) ? v : 0.0;
    }
    case SQL_C_FLOAT:
        return cellSize >= 4 ? Load<float>(cell) : 0.0;
    case SQL_C_DOUBLE:
        return cellSize >= 8 ? Load<double>(cell) : 0.0;
    case SQL_C_ULONG:
        return cellSize >= 4 ? Load<std::uint32_t>(cell) : 0.0;
    default:
        return static_cast<double>(ValueToInt64(cell, cellSize, cType));
    }
}

std::int32_t ValueToInteger(const void* cell, std::size_t cellSize, SQLSMALLINT cType) {
    if (!cell) return 0;
    const std::size_t need = CTypeSize(cType);
    if (cType != SQL_C_CHAR && cellSize < need) return 0;
    switch (cType) {
    case SQL_C_CHAR: {
        std::int32_t v = 0;
        return ParseNumber(CharCell(cell, cellSize), v) ? v : 0;
    }
    case SQL_C_FLOAT:
        return RoundHalfEven(Load<float>(cell));
    case SQL_C_DOUBLE:
        return RoundHalfEven(Load<double>(cell));
    case SQL_C_STINYINT:
        return Load<std::int8_t>(cell);
    case SQL_C_UTINYINT:
    case SQL_C_BIT:
        return Load<std::uint8_t>(cell);
    case SQL_C_SSHORT:
        return Load<std::int16_t>(cell);
    case SQL_C_USHORT:
        return Load<std::uint16_t>(cell);
    case SQL_C_SLONG:
    case SQL_C_ULONG:
        return Load<std::int32_t>(cell);
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT:
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(Load<std::uint64_t>(cell)));
    default:
        return 0;
    }
}

std::int64_t ValueToInt64(const void* cell, std::size_t cellSize, SQLSMALLINT cType) {
    if ((cType == SQL_C_SBIGINT || cType == SQL_C_UBIGINT) && cell && cellSize >= 8)
        return Load<std::int64_t>(cell);
    return ValueToInteger(cell, cellSize, cType);
}

SQL_TIMESTAMP_STRUCT ValueToTimestamp(const void* cell, SQLSMALLINT cType) {
    SQL_TIMESTAMP_STRUCT ts = DefaultTimestamp();
    if (!cell) return ts;
    if (cType == SQL_C_TYPE_DATE) {
        const auto d = Load<SQL_DATE_STRUCT>(cell);
        ts.year = d.year;
        ts.month = d.month;
        ts.day = d.day;
    } else if (cType == SQL_C_TYPE_TIME) {
        const auto t = Load<SQL_TIME_STRUCT>(cell);
        ts.hour = t.hour;
        ts.minute = t.minute;
        ts.second = t.second;
    } else if (cType == SQL_C_TYPE_TIMESTAMP) {
        ts = Load<SQL_TIMESTAMP_STRUCT>(cell);
    }
    return ts;
}

std::string StreamToText(const TMemoryStream& stream) {
    if (stream.Size() == 0) return std::string();
    return std::string(CharCell(stream.Memory(), stream.Size()));
}

} // namespace tarvik
