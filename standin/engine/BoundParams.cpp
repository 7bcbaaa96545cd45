#include "standin/engine/BoundParams.h"

#include "core/Numbers.h"
#include "core/Text.h"
#include "standin/engine/Diagnostics.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

using namespace tarvik;

namespace standin {

namespace {

bool IsCharacterC(SQLSMALLINT c) {
    return c == SQL_C_CHAR || c == SQL_C_WCHAR;
}

bool IsBinarySql(SQLSMALLINT t) {
    return t == SQL_BINARY || t == SQL_VARBINARY || t == SQL_LONGVARBINARY;
}

bool IsIntegerSql(SQLSMALLINT t) {
    return t == SQL_INTEGER || t == SQL_SMALLINT || t == SQL_TINYINT || t == SQL_BIGINT || t == SQL_BIT;
}

bool IsFloatSql(SQLSMALLINT t) {
    return t == SQL_REAL || t == SQL_FLOAT || t == SQL_DOUBLE;
}

template <typename T> T Load(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Utf16ToUtf8(const char* p, size_t bytes) {
    std::string out;
    size_t n = bytes / sizeof(SQLWCHAR);
    for (size_t i = 0; i < n; ++i) {
        unsigned long c = Load<SQLWCHAR>(p + i * sizeof(SQLWCHAR));
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n) {
            unsigned long low = Load<SQLWCHAR>(p + (i + 1) * sizeof(SQLWCHAR));
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        AppendUtf8(out, c);
    }
    return out;
}

SqlError CastError() {
    return SqlError("22018", 0, "Invalid character value for cast", false);
}

std::string FromHex(const std::string& text) {
    size_t at = text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') ? 2 : 0;
    if ((text.size() - at) % 2) throw CastError();
    std::string out;
    for (; at < text.size(); at += 2) {
        unsigned char b = 0;
        auto [end, ec] = std::from_chars(text.data() + at, text.data() + at + 2, b, 16);
        if (ec != std::errc() || end != text.data() + at + 2) throw CastError();
        out += static_cast<char>(b);
    }
    return out;
}

// Text given for a column of another type becomes what that type stores.
Value FromText(std::string text, SQLSMALLINT sqlType) {
    if (IsBinarySql(sqlType)) return Value::Bytes(FromHex(text));
    if (IsIntegerSql(sqlType) || IsFloatSql(sqlType)) {
        const std::string number = TrimBlanks(text);
        double real = 0;
        if (IsIntegerSql(sqlType)) {
            std::int64_t whole = 0;
            if (ParseInt64(number, whole)) return Value::Integer(whole);
            // Digits beyond the 64-bit range are a number still, only too big.
            if (ParseDouble(number, real) && number.find_first_of(".eE") == std::string::npos)
                throw SqlError("22003", 0, "Numeric value out of range", false);
            throw CastError();
        }
        if (!ParseDouble(number, real)) throw CastError();
        return Value::Float(real);
    }
    return Value::String(std::move(text));
}

void CheckDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
        throw SqlError("22007", 0, "Invalid datetime format", false);
}

void CheckTime(int hour, int minute, int second) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 61)
        throw SqlError("22007", 0, "Invalid datetime format", false);
}

// Date-times are stored in the text form the datetime columns use; the SQL type
// decides whether the date or the time alone is kept.
std::string StampText(int y, int mo, int d, int h, int mi, int s, unsigned long fraction,
                      SQLSMALLINT sqlType) {
    char buf[48];
    if (sqlType == SQL_TYPE_DATE || sqlType == SQL_DATE)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, mo, d);
    else if (sqlType == SQL_TYPE_TIME || sqlType == SQL_TIME)
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, mi, s);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03lu", y, mo, d, h, mi, s,
                      fraction / 1000000);
    return buf;
}

// The decimal text of a numeric structure: a little-endian magnitude and a scale.
std::string NumericText(const SQL_NUMERIC_STRUCT& n) {
    unsigned char mag[SQL_MAX_NUMERIC_LEN];
    std::memcpy(mag, n.val, sizeof mag);
    std::string digits;
    for (;;) {
        bool zero = true;
        unsigned rest = 0;
        for (int i = SQL_MAX_NUMERIC_LEN - 1; i >= 0; --i) {
            unsigned cur = (rest << 8) | mag[i];
            mag[i] = static_cast<unsigned char>(cur / 10);
            rest = cur % 10;
            zero = zero && mag[i] == 0;
        }
        digits.insert(digits.begin(), static_cast<char>('0' + rest));
        if (zero) break;
    }
    int scale = n.scale;
    if (scale > 0) {
        if (digits.size() <= static_cast<size_t>(scale))
            digits.insert(0, static_cast<size_t>(scale) - digits.size() + 1, '0');
        digits.insert(digits.size() - static_cast<size_t>(scale), ".");
    } else if (scale < 0) {
        digits.append(static_cast<size_t>(-scale), '0');
    }
    return (n.sign == 0 ? "-" : "") + digits;
}

Value ReadBytes(SQLSMALLINT c, SQLSMALLINT sqlType, const char* p, size_t bytes) {
    switch (c) {
    case SQL_C_CHAR:
        return FromText(std::string(p, bytes), sqlType);
    case SQL_C_WCHAR:
        return FromText(Utf16ToUtf8(p, bytes), sqlType);
    case SQL_C_BINARY:
        return IsCharacterSqlType(sqlType) ? Value::String(std::string(p, bytes))
                                           : Value::Bytes(std::string(p, bytes));
    case SQL_C_SLONG:
    case SQL_C_LONG:
        return Value::Integer(Load<SQLINTEGER>(p));
    case SQL_C_ULONG:
        return Value::Integer(Load<SQLUINTEGER>(p));
    case SQL_C_SSHORT:
    case SQL_C_SHORT:
        return Value::Integer(Load<SQLSMALLINT>(p));
    case SQL_C_USHORT:
        return Value::Integer(Load<SQLUSMALLINT>(p));
    case SQL_C_SBIGINT:
        return Value::Integer(Load<SQLBIGINT>(p));
    case SQL_C_UBIGINT: {
        SQLUBIGINT v = Load<SQLUBIGINT>(p);
        if (v > static_cast<SQLUBIGINT>(INT64_MAX))
            throw SqlError("22003", 0, "Numeric value out of range", false);
        return Value::Integer(static_cast<sqlite3_int64>(v));
    }
    case SQL_C_STINYINT:
    case SQL_C_TINYINT:
        return Value::Integer(Load<SQLSCHAR>(p));
    case SQL_C_UTINYINT:
        return Value::Integer(Load<SQLCHAR>(p));
    case SQL_C_BIT:
        return Value::Integer(Load<SQLCHAR>(p) ? 1 : 0);
    case SQL_C_DOUBLE:
        return Value::Float(Load<SQLDOUBLE>(p));
    case SQL_C_FLOAT:
        return Value::Float(Load<SQLREAL>(p));
    case SQL_C_NUMERIC:
        return Value::String(NumericText(Load<SQL_NUMERIC_STRUCT>(p)));
    case SQL_C_GUID: {
        auto g = Load<SQLGUID>(p);
        char buf[40];
        std::snprintf(buf, sizeof buf, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", g.Data1, g.Data2,
                      g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5],
                      g.Data4[6], g.Data4[7]);
        return Value::String(buf);
    }
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_TIMESTAMP: {
        auto t = Load<SQL_TIMESTAMP_STRUCT>(p);
        CheckDate(t.year, t.month, t.day);
        CheckTime(t.hour, t.minute, t.second);
        return Value::String(
            StampText(t.year, t.month, t.day, t.hour, t.minute, t.second, t.fraction, sqlType));
    }
    case SQL_C_TYPE_DATE:
    case SQL_C_DATE: {
        auto d = Load<SQL_DATE_STRUCT>(p);
        CheckDate(d.year, d.month, d.day);
        return Value::String(StampText(d.year, d.month, d.day, 0, 0, 0, 0, sqlType));
    }
    case SQL_C_TYPE_TIME:
    case SQL_C_TIME: {
        auto t = Load<SQL_TIME_STRUCT>(p);
        CheckTime(t.hour, t.minute, t.second);
        return Value::String(StampText(1900, 1, 1, t.hour, t.minute, t.second, 0,
                                       sqlType == SQL_TYPE_TIMESTAMP ? sqlType : SQL_TYPE_TIME));
    }
    default:
        throw SqlError("HY003", 0, "Program type out of range", false);
    }
}

size_t WideLength(const char* p) {
    size_t n = 0;
    while (Load<SQLWCHAR>(p + n) != 0)
        n += sizeof(SQLWCHAR);
    return n;
}

} // namespace

bool Parameter::AtExec() const {
    return Sends() && Indicator &&
           (*Indicator == SQL_DATA_AT_EXEC || *Indicator <= SQL_LEN_DATA_AT_EXEC_OFFSET);
}

Parameter ParameterInSet(const Parameter& p, size_t set, SQLULEN bindType, SQLLEN offset) {
    Parameter q = p;
    bool byColumn = bindType == SQL_PARAM_BIND_BY_COLUMN;
    size_t fixed = FixedCTypeSize(p.CType);
    size_t dataStride =
        byColumn ? (fixed ? fixed : static_cast<size_t>(std::max<SQLLEN>(p.BufferLength, 0))) : bindType;
    size_t indicatorStride = byColumn ? sizeof(SQLLEN) : bindType;
    if (q.Data) q.Data = static_cast<char*>(q.Data) + offset + set * dataStride;
    if (q.Indicator)
        q.Indicator =
            reinterpret_cast<SQLLEN*>(reinterpret_cast<char*>(q.Indicator) + offset + set * indicatorStride);
    return q;
}

SQLSMALLINT ParameterCType(SQLSMALLINT cType, SQLSMALLINT sqlType) {
    if (cType == SQL_C_DEFAULT) return DefaultCTypeOf(sqlType);
    if (cType != SQL_C_CHAR && cType != SQL_C_WCHAR && cType != SQL_C_BINARY && FixedCTypeSize(cType) == 0)
        throw SqlError("HY003", 0, "Program type out of range", false);
    return cType;
}

size_t CountMarkers(const std::string& sql) {
    size_t n = 0;
    for (const Token& t : Tokenize(sql))
        n += t.Kind == Tok::Symbol && t.Raw == "?";
    return n;
}

void NumberMarkers(std::vector<Statement>& statements) {
    size_t n = 0;
    for (Statement& st : statements)
        for (Token& t : st.Tokens)
            if (t.Kind == Tok::Symbol && t.Raw == "?") t.Raw = t.Text = "?" + std::to_string(++n);
}

SQLLEN PieceLength(SQLSMALLINT cType, const void* data, SQLLEN length) {
    if (length == SQL_NULL_DATA) return length;
    size_t fixed = FixedCTypeSize(cType);
    if (fixed) return static_cast<SQLLEN>(fixed);
    if (length == SQL_NTS && data) {
        const char* p = static_cast<const char*>(data);
        return static_cast<SQLLEN>(cType == SQL_C_WCHAR ? WideLength(p) : std::strlen(p));
    }
    if (length < 0) throw SqlError("HY090", 0, "Invalid string or buffer length", false);
    return length;
}

Value ReadParameter(const Parameter& p) {
    SQLLEN length = p.Indicator ? *p.Indicator : (IsCharacterC(p.CType) ? SQL_NTS : p.BufferLength);
    if (length == SQL_NULL_DATA) return Value::Null();
    if (!p.Data) throw SqlError("HY009", 0, "Invalid use of null pointer", false);
    length = PieceLength(p.CType, p.Data, length);
    return ReadBytes(p.CType, p.SqlType, static_cast<const char*>(p.Data), static_cast<size_t>(length));
}

Value ReadPieces(const Parameter& p, const std::string& bytes, bool isNull) {
    if (isNull) return Value::Null();
    size_t fixed = FixedCTypeSize(p.CType);
    if (fixed && bytes.size() < fixed) throw SqlError("HY090", 0, "Invalid string or buffer length", false);
    return ReadBytes(p.CType, p.SqlType, bytes.data(), bytes.size());
}

} // namespace standin
