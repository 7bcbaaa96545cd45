#include "standin/engine/Convert.h"

#include "core/Numbers.h"
#include "core/Text.h"
#include "standin/engine/Diagnostics.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

using namespace tarvik;

namespace standin {

namespace {

struct Stamp {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
    long Fraction = 0; // nanoseconds
    bool HasDate = false, HasTime = false;
};

int Digits(const char*& p, const char* end, int max) {
    int v = 0, n = 0;
    while (p < end && n < max && *p >= '0' && *p <= '9') {
        v = v * 10 + (*p++ - '0');
        ++n;
    }
    return n == 0 ? -1 : v;
}

// Reads "YYYY-MM-DD", "YYYY-MM-DD[ T]HH:MM[:SS[.fff]]" or "HH:MM[:SS[.fff]]".
bool ParseStamp(const char* p, int n, Stamp& s) {
    const char* end = p + n;
    while (p < end && *p == ' ')
        ++p;
    const char* start = p;
    int first = Digits(p, end, 4);
    if (first < 0) return false;
    if (p < end && *p == '-' && p - start == 4) {
        s.Year = first;
        ++p;
        s.Month = Digits(p, end, 2);
        if (p >= end || *p != '-') return false;
        ++p;
        s.Day = Digits(p, end, 2);
        if (s.Month < 1 || s.Month > 12 || s.Day < 1 || s.Day > 31) return false;
        s.HasDate = true;
        if (p < end && (*p == ' ' || *p == 'T')) ++p;
        if (p >= end) return true;
        first = Digits(p, end, 2);
        if (first < 0) return false;
    }
    if (p >= end || *p != ':') return s.HasDate && p >= end;
    s.Hour = first;
    ++p;
    s.Minute = Digits(p, end, 2);
    if (p < end && *p == ':') {
        ++p;
        s.Second = Digits(p, end, 2);
    }
    if (p < end && *p == '.') {
        ++p;
        long scale = 100000000;
        while (p < end && *p >= '0' && *p <= '9') {
            s.Fraction += (*p++ - '0') * scale;
            scale /= 10;
        }
    }
    if (s.Hour < 0 || s.Hour > 23 || s.Minute < 0 || s.Minute > 59 || s.Second < 0 || s.Second > 61)
        return false;
    s.HasTime = true;
    return true;
}

std::string FormatStamp(const Stamp& s, Render kind) {
    char buf[40];
    if (kind == Render::Date)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", s.Year, s.Month, s.Day);
    else if (kind == Render::Time)
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", s.Hour, s.Minute, s.Second);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03ld", s.Year, s.Month, s.Day, s.Hour,
                      s.Minute, s.Second, s.Fraction / 1000000);
    return buf;
}

std::string_view Assign(std::string& scratch, std::string value) {
    scratch = std::move(value);
    return scratch;
}

std::string Hex(const char* p, int n) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(static_cast<size_t>(n) * 2);
    for (int i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(p[i]);
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

SqlError Invalid() {
    return SqlError("22018", 0, "Invalid character value for cast", false);
}
SqlError OutOfRange() {
    return SqlError("22003", 0, "Numeric value out of range", false);
}
SqlError Restricted() {
    return SqlError("07006", 0, "Restricted data type attribute violation", false);
}

double NumberOf(const Cell& c) {
    switch (c.Type) {
    case SQLITE_INTEGER:
        return static_cast<double>(c.Int);
    case SQLITE_FLOAT:
        return c.Real;
    case SQLITE_TEXT: {
        double v = 0;
        if (!ParseDouble(TrimBlanks(std::string_view(c.Data, static_cast<size_t>(c.Bytes))), v))
            throw Invalid();
        return v;
    }
    default:
        throw Restricted();
    }
}

sqlite3_int64 IntegerOf(const Cell& c) {
    if (c.Type == SQLITE_INTEGER) return c.Int;
    double v = NumberOf(c);
    if (!(v >= -9.2233720368547758e18 && v < 9.2233720368547758e18)) throw OutOfRange();
    return static_cast<sqlite3_int64>(v);
}

template <typename T> void PutInteger(const Cell& c, SQLPOINTER buf) {
    sqlite3_int64 v = IntegerOf(c);
    if (v < static_cast<sqlite3_int64>(std::numeric_limits<T>::min()) ||
        (v > 0 &&
         static_cast<unsigned long long>(v) > static_cast<unsigned long long>(std::numeric_limits<T>::max())))
        throw OutOfRange();
    T t = static_cast<T>(v);
    std::memcpy(buf, &t, sizeof t);
}

Stamp StampOf(const Cell& c) {
    Stamp s;
    if (c.Type != SQLITE_TEXT) throw Restricted();
    if (!ParseStamp(c.Data, c.Bytes, s)) throw Invalid();
    return s;
}

void PutGuid(const Cell& c, SQLGUID& g) {
    std::string s(c.Data ? c.Data : "", static_cast<size_t>(c.Bytes));
    if (c.Type == SQLITE_BLOB && c.Bytes == 16) {
        std::memcpy(&g, c.Data, 16);
        return;
    }
    unsigned d4[8];
    if (c.Type != SQLITE_TEXT ||
        std::sscanf(s.c_str(), "%8x-%4hx-%4hx-%2x%2x-%2x%2x%2x%2x%2x%2x", &g.Data1, &g.Data2, &g.Data3,
                    &d4[0], &d4[1], &d4[2], &d4[3], &d4[4], &d4[5], &d4[6], &d4[7]) != 11)
        throw Invalid();
    for (int i = 0; i < 8; ++i)
        g.Data4[i] = static_cast<unsigned char>(d4[i]);
}

void PutNumeric(const Cell& c, const ColumnInfo& col, SQL_NUMERIC_STRUCT& n) {
    double v = NumberOf(c);
    std::memset(&n, 0, sizeof n);
    n.precision = static_cast<SQLCHAR>(col.Size > 38 ? 38 : col.Size);
    n.scale = static_cast<SQLSCHAR>(col.Digits);
    n.sign = v < 0 ? 0 : 1;
    long double scaled = std::fabs(static_cast<long double>(v)) * std::pow(10.0L, col.Digits);
    unsigned __int128 m = static_cast<unsigned __int128>(scaled + 0.5L);
    for (int i = 0; i < SQL_MAX_NUMERIC_LEN; ++i) {
        n.val[i] = static_cast<SQLCHAR>(m & 0xff);
        m >>= 8;
    }
}

void PutFixed(const void* value, size_t size, const CTarget& t) {
    std::memcpy(t.Buffer, value, size);
    if (t.Indicator) *t.Indicator = static_cast<SQLLEN>(size);
}

// UTF-8 to UTF-16 code units, stored as bytes.
std::string Utf16(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 2);
    auto put = [&](unsigned u) {
        char16_t w = static_cast<char16_t>(u);
        out.append(reinterpret_cast<const char*>(&w), 2);
    };
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        unsigned cp = c, extra = 0;
        if (c >= 0xF0)
            cp = c & 0x07, extra = 3;
        else if (c >= 0xE0)
            cp = c & 0x0F, extra = 2;
        else if (c >= 0xC0)
            cp = c & 0x1F, extra = 1;
        ++i;
        for (unsigned k = 0; k < extra && i < s.size(); ++k, ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

// Copies bytes of a character or binary value from offset on; terminator bytes for text.
SQLRETURN PutBytes(std::string_view whole, size_t& offset, const CTarget& t, size_t terminator, bool utf8,
                   Diagnostics& diag) {
    if (offset > 0 && offset >= whole.size()) return SQL_NO_DATA;
    size_t remaining = whole.size() - offset;
    if (t.Indicator) *t.Indicator = static_cast<SQLLEN>(remaining);
    if (!t.Buffer) return remaining ? diag.Warn("01004", "String data, right truncated") : SQL_SUCCESS;
    size_t room = t.BufferLength > static_cast<SQLLEN>(terminator)
                      ? static_cast<size_t>(t.BufferLength) - terminator
                      : 0;
    room -= room % (terminator ? terminator : 1);
    size_t n = remaining < room ? remaining : room;
    if (utf8 && n < remaining) { // do not split a character when the value is cut
        size_t cut = n;
        while (cut > 0 && (static_cast<unsigned char>(whole[offset + cut]) & 0xC0) == 0x80)
            --cut;
        if (cut > 0) n = cut;
    }
    std::memcpy(t.Buffer, whole.data() + offset, n);
    if (terminator && t.BufferLength >= static_cast<SQLLEN>(terminator))
        std::memset(static_cast<char*>(t.Buffer) + n, 0, terminator);
    offset += n;
    if (n < remaining) return diag.Warn("01004", "String data, right truncated");
    if (offset == 0) offset = 1; // an empty value has been read: the next part is SQL_NO_DATA
    return SQL_SUCCESS;
}

} // namespace

std::string_view CellText(const Cell& cell, const ColumnInfo& col, std::string& scratch) {
    switch (cell.Type) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        if (col.Kind == Render::Decimal && col.Digits > 0) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%lld.%0*d", static_cast<long long>(cell.Int), col.Digits, 0);
            return Assign(scratch, buf);
        }
        if (col.Kind == Render::Bit) return cell.Int ? "1" : "0";
        return Assign(scratch, std::to_string(cell.Int));
    case SQLITE_FLOAT:
        if (col.Kind == Render::Decimal) {
            return Assign(scratch, FormatFixed(cell.Real, col.Digits));
        }
        if (col.Kind == Render::Integer)
            return Assign(scratch, std::to_string(static_cast<long long>(cell.Real)));
        return Assign(scratch, FormatDouble(cell.Real));
    case SQLITE_BLOB:
        return Assign(scratch, Hex(cell.Data, cell.Bytes));
    default:
        break;
    }
    if (col.Kind == Render::DateTime || col.Kind == Render::Date || col.Kind == Render::Time) {
        Stamp s;
        if (ParseStamp(cell.Data, cell.Bytes, s)) return Assign(scratch, FormatStamp(s, col.Kind));
    }
    if (col.Kind == Render::Binary) return Assign(scratch, Hex(cell.Data, cell.Bytes));
    return {cell.Data, static_cast<size_t>(cell.Bytes)};
}

SQLRETURN WriteCell(const Cell& cell, const ColumnInfo& col, const CTarget& t, size_t& offset,
                    std::string& scratch, Diagnostics& diag) {
    SQLSMALLINT ctype = t.CType == SQL_C_DEFAULT ? col.DefaultCType() : t.CType;
    bool parts = ctype == SQL_C_CHAR || ctype == SQL_C_WCHAR || ctype == SQL_C_BINARY;
    if (cell.Type == SQLITE_NULL) {
        if (parts && offset > 0) return SQL_NO_DATA;
        if (!t.Indicator) throw SqlError("22002", 0, "Indicator variable required but not supplied", false);
        *t.Indicator = SQL_NULL_DATA;
        if (parts) offset = 1;
        return SQL_SUCCESS;
    }
    if (!parts && offset > 0) return SQL_NO_DATA;
    if (!parts) offset = 1;
    switch (ctype) {
    case SQL_C_CHAR:
        return PutBytes(CellText(cell, col, scratch), offset, t, 1, true, diag);
    case SQL_C_WCHAR: {
        std::string wide = Utf16(CellText(cell, col, scratch));
        return PutBytes(wide, offset, t, 2, false, diag);
    }
    case SQL_C_BINARY: {
        if (col.Kind == Render::Guid) {
            SQLGUID g;
            PutGuid(cell, g);
            std::string bytes(reinterpret_cast<const char*>(&g), sizeof g);
            return PutBytes(bytes, offset, t, 0, false, diag);
        }
        if (cell.Type == SQLITE_BLOB || cell.Type == SQLITE_TEXT)
            return PutBytes(std::string_view(cell.Data, static_cast<size_t>(cell.Bytes)), offset, t, 0, false,
                            diag);
        return PutBytes(CellText(cell, col, scratch), offset, t, 0, false, diag);
    }
    case SQL_C_LONG:
    case SQL_C_SLONG:
        PutInteger<SQLINTEGER>(cell, t.Buffer);
        break;
    case SQL_C_ULONG:
        PutInteger<SQLUINTEGER>(cell, t.Buffer);
        break;
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
        PutInteger<SQLSMALLINT>(cell, t.Buffer);
        break;
    case SQL_C_USHORT:
        PutInteger<SQLUSMALLINT>(cell, t.Buffer);
        break;
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
        PutInteger<SQLSCHAR>(cell, t.Buffer);
        break;
    case SQL_C_UTINYINT:
        PutInteger<SQLCHAR>(cell, t.Buffer);
        break;
    case SQL_C_SBIGINT:
        PutInteger<SQLBIGINT>(cell, t.Buffer);
        break;
    case SQL_C_UBIGINT:
        PutInteger<SQLUBIGINT>(cell, t.Buffer);
        break;
    case SQL_C_BIT: {
        double v = NumberOf(cell);
        if (v < 0 || v >= 2) throw OutOfRange();
        SQLCHAR b = v != 0 ? 1 : 0;
        PutFixed(&b, 1, t);
        return SQL_SUCCESS;
    }
    case SQL_C_DOUBLE: {
        SQLDOUBLE d = NumberOf(cell);
        PutFixed(&d, sizeof d, t);
        return SQL_SUCCESS;
    }
    case SQL_C_FLOAT: {
        SQLREAL r = static_cast<SQLREAL>(NumberOf(cell));
        PutFixed(&r, sizeof r, t);
        return SQL_SUCCESS;
    }
    case SQL_C_NUMERIC: {
        SQL_NUMERIC_STRUCT n;
        PutNumeric(cell, col, n);
        PutFixed(&n, sizeof n, t);
        return SQL_SUCCESS;
    }
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_TIMESTAMP: {
        Stamp s = StampOf(cell);
        SQL_TIMESTAMP_STRUCT ts{};
        ts.year = static_cast<SQLSMALLINT>(s.HasDate ? s.Year : 1900);
        ts.month = static_cast<SQLUSMALLINT>(s.HasDate ? s.Month : 1);
        ts.day = static_cast<SQLUSMALLINT>(s.HasDate ? s.Day : 1);
        ts.hour = static_cast<SQLUSMALLINT>(s.Hour);
        ts.minute = static_cast<SQLUSMALLINT>(s.Minute);
        ts.second = static_cast<SQLUSMALLINT>(s.Second);
        ts.fraction = static_cast<SQLUINTEGER>(s.Fraction);
        PutFixed(&ts, sizeof ts, t);
        return SQL_SUCCESS;
    }
    case SQL_C_TYPE_DATE:
    case SQL_C_DATE: {
        Stamp s = StampOf(cell);
        if (!s.HasDate) throw Restricted();
        SQL_DATE_STRUCT d{static_cast<SQLSMALLINT>(s.Year), static_cast<SQLUSMALLINT>(s.Month),
                          static_cast<SQLUSMALLINT>(s.Day)};
        PutFixed(&d, sizeof d, t);
        return s.HasTime && (s.Hour || s.Minute || s.Second || s.Fraction)
                   ? diag.Warn("01S07", "Fractional truncation")
                   : SQL_SUCCESS;
    }
    case SQL_C_TYPE_TIME:
    case SQL_C_TIME: {
        Stamp s = StampOf(cell);
        SQL_TIME_STRUCT tm{static_cast<SQLUSMALLINT>(s.Hour), static_cast<SQLUSMALLINT>(s.Minute),
                           static_cast<SQLUSMALLINT>(s.Second)};
        PutFixed(&tm, sizeof tm, t);
        return SQL_SUCCESS;
    }
    case SQL_C_GUID: {
        SQLGUID g;
        PutGuid(cell, g);
        PutFixed(&g, sizeof g, t);
        return SQL_SUCCESS;
    }
    default:
        throw SqlError("HY003", 0, "Program type out of range", false);
    }
    // The integer cases share the indicator write.
    if (t.Indicator) {
        switch (ctype) {
        case SQL_C_SBIGINT:
        case SQL_C_UBIGINT:
            *t.Indicator = 8;
            break;
        case SQL_C_SHORT:
        case SQL_C_SSHORT:
        case SQL_C_USHORT:
            *t.Indicator = 2;
            break;
        case SQL_C_TINYINT:
        case SQL_C_STINYINT:
        case SQL_C_UTINYINT:
            *t.Indicator = 1;
            break;
        default:
            *t.Indicator = 4;
        }
    }
    return SQL_SUCCESS;
}

} // namespace standin
