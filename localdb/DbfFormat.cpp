#include "localdb/DbfFormat.h"

#include "core/Numbers.h"
#include "localdb/Bytes.h"
#include "localdb/Codepage.h"
#include "localdb/DbfNumber.h"
#include "localdb/TableFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>

namespace tarvik {

namespace dbf {

using namespace bytes;

namespace {

constexpr std::uint8_t LanguageDriver1250 = 0xC8;
constexpr std::size_t HeaderLengthAt = 8;
constexpr std::size_t RecordLengthAt = 10;
constexpr std::size_t ProductionIndexAt = 28; // flag: a production index (.mdx) exists
constexpr std::size_t DescriptorSize = 32;
constexpr std::size_t MarkAt = 24; // reserved descriptor bytes holding our type mark and Required
constexpr char Mark = 't';

// The code page a language driver byte stands for: 0 when the byte names none, -1 when we lack it.
int CodePageOfDriver(std::uint8_t driver) {
    switch (driver) {
    case 0x00:
        return 0;
    case 0x01: // DOS USA and the national DOS drivers of code page 437
    case 0x09:
    case 0x0B:
    case 0x0D:
    case 0x0F:
    case 0x11:
    case 0x15:
    case 0x18:
    case 0x19:
    case 0x1B:
        return 437;
    case 0x02: // DOS multilingual and the national DOS drivers of code page 850
    case 0x0A:
    case 0x0E:
    case 0x10:
    case 0x12:
    case 0x14:
    case 0x16:
    case 0x1A:
    case 0x1D:
    case 0x25:
    case 0x37:
        return 850;
    case 0x1F: // Central European DOS drivers
    case 0x22:
    case 0x23:
    case 0x40:
    case 0x64:
    case 0x87:
        return 852;
    case 0x03: // Windows ANSI
    case 0x57:
    case 0x58:
    case 0x59:
        return 1252;
    case LanguageDriver1250:
        return 1250;
    default:
        return -1;
    }
}

[[noreturn]] void Corrupt(const std::string& path, const std::string& what) {
    RaiseFileError(path, "not a valid dBase table (" + what + ")");
}

[[noreturn]] void Unsupported(const std::string& path, const std::string& what) {
    RaiseFileError(path, "unsupported dBase variant (" + what + ")");
}

// Version bytes of variants we know but do not read: dBase 7, and dBase IV with an SQL table.
bool IsUnsupportedVersion(unsigned char version) {
    return version == 0x04 || version == 0x8C || version == 0x43 || version == 0x63 || version == 0xB3;
}

// Column types of those variants: varchar, varbinary, blob, timestamp, autoincrement, double, null flags.
bool IsUnsupportedType(char type) {
    return std::strchr("VQW@+O0", type) != nullptr && type != '\0';
}

// Sizes a column of another program's file may have.
bool SizeFits(const TColumn& c) {
    switch (c.Type) {
    case 'C':
        return c.Length > 0;
    case 'N':
    case 'F':
        return c.Length > 0 && c.Length <= 32 && c.Decimals < c.Length;
    case 'L':
        return c.Length == 1;
    case 'D':
        return c.Length == 8;
    case 'I':
        return c.Length == 4;
    case 'Y':
    case 'T':
        return c.Length == 8;
    case 'B': // a double in Visual FoxPro, a binary memo in dBase
        return c.Length == 8 || c.Length == 10 || c.Length == 4;
    case 'M':
    case 'G':
    case 'P':
        return c.Length == 10 || c.Length == 4;
    default:
        return false;
    }
}

// The Julian day number of 0001-01-01 less one: Visual FoxPro date-times count Julian days.
constexpr std::int64_t JulianDayOffset = 1721425;

bool IsBinaryType(TFieldType t) {
    return t == ftBytes || t == ftVarBytes || t == ftBlob || t == ftTypedBinary || t == ftGraphic ||
           t == ftParadoxOle || t == ftDBaseOle;
}

bool IsIntegerType(TFieldType t) {
    return t == ftSmallint || t == ftWord || t == ftInteger || t == ftAutoInc || t == ftLargeint;
}

// The definition a column of another program's file stands for.
TFieldDef DefinitionOf(const std::string& name, char type, int length, int decimals) {
    TFieldDef d;
    d.Name = name;
    switch (type) {
    case 'C':
        d.DataType = ftString, d.Size = length;
        break;
    case 'N':
    case 'F':
        d.DataType = decimals > 0 || length > 18 ? ftFloat : length <= 9 ? ftInteger : ftLargeint;
        d.Precision = decimals;
        break;
    case 'L':
        d.DataType = ftBoolean;
        break;
    case 'D':
        d.DataType = ftDate;
        break;
    case 'I':
        d.DataType = ftInteger;
        break;
    case 'Y':
        d.DataType = ftCurrency, d.Precision = 4;
        break;
    case 'T':
        d.DataType = ftDateTime;
        break;
    case 'B':
        d.DataType = length == 8 ? ftFloat : ftBlob;
        break;
    case 'G':
        d.DataType = ftBlob;
        break;
    case 'P':
        d.DataType = ftGraphic;
        break;
    default:
        d.DataType = ftMemo;
        break;
    }
    return d;
}

void StampDate(std::string& header) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    header[1] = static_cast<char>(tm.tm_year);
    header[2] = static_cast<char>(tm.tm_mon + 1);
    header[3] = static_cast<char>(tm.tm_mday);
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.remove_suffix(1);
    return s;
}

std::string_view Trim(std::string_view s) {
    s = TrimRight(s);
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

TBytes FromHex(std::string_view s) {
    if (s.size() % 2) throw EVariantError("odd number of hex digits");
    TBytes out(s.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int hi = HexDigit(s[2 * i]), lo = HexDigit(s[2 * i + 1]);
        if (hi < 0 || lo < 0) throw EVariantError("not a hex digit");
        out[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return out;
}

std::string ToHex(const TBytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

TVariant DecodeNumber(const TColumn& c, std::string_view text) {
    TPlainDecimal plain;
    if (ParsePlainDecimal(text, plain)) {
        if (IsIntegerType(c.Def.DataType) && !plain.Point) return plain.Integer();
        return plain.Double();
    }
    text = Trim(text);
    if (text.empty()) return {};
    if (text.front() == '+') text.remove_prefix(1);
    const char* end = text.data() + text.size();
    if (IsIntegerType(c.Def.DataType)) {
        std::int64_t v = 0;
        auto [p, ec] = std::from_chars(text.data(), end, v);
        if (ec == std::errc() && p == end) return v;
    }
    double d = 0;
    auto [p, ec] = std::from_chars(text.data(), end, d);
    if (ec != std::errc() || p != end) return {}; // overflow asterisks and other junk read as NULL
    return d;
}

TVariant DecodeDate(std::string_view text) {
    if (Trim(text).empty() || text == "00000000") return {};
    TVarDate d;
    if (text.size() == 8 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        auto num = [&](std::size_t at, std::size_t n) {
            int v = 0;
            for (std::size_t i = at; i < at + n; ++i)
                v = v * 10 + (text[i] - '0');
            return v;
        };
        d = TVarDate{num(0, 4), num(4, 2), num(6, 2)};
        return IsValidDate(d) ? TVariant(d) : TVariant();
    }
    auto num = [&](std::size_t at, std::size_t n, int& out) {
        return std::from_chars(text.data() + at, text.data() + at + n, out).ptr == text.data() + at + n;
    };
    if (text.size() == 8 && num(0, 4, d.Year) && num(4, 2, d.Month) && num(6, 2, d.Day) && IsValidDate(d))
        return d;
    return {};
}

// A Visual FoxPro date-time: the Julian day and the milliseconds of the day, little-endian.
TVariant DecodeFoxDateTime(const char* field) {
    const std::int64_t day = GetI32(field), ms = GetI32(field + 4);
    if (day == 0 && ms == 0) return {};
    if (day <= JulianDayOffset || day > JulianDayOffset + 3652059 || ms < 0 || ms >= 86400000)
        throw EVariantError("date-time out of range");
    TVarTime t;
    t.Hour = static_cast<int>(ms / 3600000);
    t.Minute = static_cast<int>(ms / 60000 % 60);
    t.Second = static_cast<int>(ms / 1000 % 60);
    t.Fraction = static_cast<std::uint32_t>(ms % 1000) * 1000000u;
    return TVarDateTime{DateFromDayNumber(day - JulianDayOffset), t};
}

// Character columns are padded with blanks, memos are kept as written.
TVariant DecodeText(const TColumn& c, std::string_view raw, const TCodePage& codePage) {
    if (!c.Memo) raw = TrimRight(raw);
    if (raw.empty()) return {};
    if (c.Hex) return FromHex(raw);
    std::string text = codePage.ToUtf8(raw);
    if (c.Def.DataType == ftTime) return TVariant(text).AsTime();
    if (c.Def.DataType == ftDateTime) return TVariant(text).AsDateTime();
    return text;
}

void PutRight(char* out, std::size_t width, std::string_view text) {
    std::memset(out, ' ', width);
    std::memcpy(out + width - text.size(), text.data(), text.size());
}

void EncodeNumber(const TColumn& c, const TVariant& value, char* out) {
    char buf[NumberTextSize];
    const std::size_t n = IsIntegerType(c.Def.DataType) ? IntegerText(value.AsInteger(), buf)
                                                        : NumberText(value.AsDouble(), c.Length, buf);
    const std::string_view text(buf, n);
    if (text.size() > c.Length)
        throw EVariantError("the number " + std::string(text) + " does not fit in " +
                            std::to_string(c.Length) + " digits");
    PutRight(out, c.Length, text);
}

// "HH:MM:SS.mmm" of a time column, "YYYY-MM-DD HH:MM:SS.mmm" of a date-time column.
std::string TimeText(const TColumn& c, const TVariant& value) {
    TVarDateTime dt;
    if (c.Def.DataType == ftTime)
        dt.Time = value.AsTime();
    else
        dt = value.AsDateTime();
    if (!IsValidDate(dt.Date) || !IsValidTime(dt.Time)) throw EVariantError("invalid date or time");
    const std::string time = FormatPadded(dt.Time.Hour, 2) + ":" + FormatPadded(dt.Time.Minute, 2) + ":" +
                             FormatPadded(dt.Time.Second, 2) + "." +
                             FormatPadded(dt.Time.Fraction / 1000000u, 3);
    return c.Def.DataType == ftTime ? time : FormatDate(dt.Date) + " " + time;
}

// The text a character or memo column stores a value (not NULL) as.
std::string_view StoredText(const TColumn& c, const TVariant& value, const TCodePage& text,
                            std::string& scratch) {
    if (c.Hex) return scratch = ToHex(value.AsBytes());
    if (c.Def.DataType == ftTime || c.Def.DataType == ftDateTime) return scratch = TimeText(c, value);
    return text.Text(value, scratch);
}

} // namespace

bool IsFoxPro(std::uint8_t version) {
    return version == 0x30 || version == 0x31 || version == 0x32 || version == 0xF5 || version == 0xFB;
}

bool IsWrittenType(char type) {
    return std::strchr("CNFLDM", type) != nullptr;
}

THeader ParsePrefix(const std::string& path, const std::string& head, std::uint64_t fileSize) {
    if (fileSize < PrefixSize || head.size() < PrefixSize) Corrupt(path, "file shorter than a header");
    THeader h;
    h.Version = static_cast<std::uint8_t>(head[0]);
    if (IsUnsupportedVersion(h.Version)) Unsupported(path, "version byte " + std::to_string(h.Version));
    if (h.Version != 0x03 && h.Version != 0x83 && h.Version != 0x8B && h.Version != 0xCB &&
        !IsFoxPro(h.Version))
        Corrupt(path, "unknown version byte " + std::to_string(h.Version));
    h.RecordCount = GetU32(head.data() + RecordCountAt);
    h.HeaderLength = GetU16(head.data() + HeaderLengthAt);
    h.RecordLength = GetU16(head.data() + RecordLengthAt);
    if (h.HeaderLength < PrefixSize + DescriptorSize + 1 || h.HeaderLength > fileSize)
        Corrupt(path, "header length");
    if (h.RecordLength < 2) Corrupt(path, "record length");
    if (h.RecordCount > (fileSize - h.HeaderLength) / h.RecordLength)
        Corrupt(path, "the file is truncated: it cannot hold its " + std::to_string(h.RecordCount) + " rows");
    h.CodePage = CodePageOfDriver(static_cast<std::uint8_t>(head[LanguageDriverAt]));
    return h;
}

std::vector<TColumn> ParseColumns(const std::string& path, const std::string& headerBytes, const THeader& h,
                                  const TCodePage& text) {
    std::vector<TColumn> columns;
    std::uint32_t offset = 1;
    std::size_t pos = PrefixSize;
    for (; pos < h.HeaderLength && headerBytes[pos] != 0x0D; pos += DescriptorSize) {
        if (pos + DescriptorSize > h.HeaderLength) Corrupt(path, "field list beyond the header");
        const char* d = headerBytes.data() + pos;
        TColumn c;
        c.Type = d[11];
        c.Length = static_cast<std::uint8_t>(d[16]);
        c.Decimals = static_cast<std::uint8_t>(d[17]);
        c.Offset = offset;
        const std::string name = text.ToUtf8(std::string_view(d, strnlen(d, MaxFieldName + 1)));
        if (IsUnsupportedType(c.Type))
            Unsupported(path, "field '" + name + "' of type '" + std::string(1, c.Type) + "'");
        if (!SizeFits(c))
            Corrupt(path, "field '" + name + "' of type '" + std::string(1, c.Type) + "' and size " +
                              std::to_string(c.Length));
        c.Memo = c.Type == 'M' || c.Type == 'G' || c.Type == 'P' || (c.Type == 'B' && c.Length != 8);
        c.Def = DefinitionOf(name, c.Type, c.Length, c.Decimals);
        if (d[MarkAt] == Mark && static_cast<unsigned char>(d[MarkAt + 1]) < FieldTypeCount) {
            const TColumn planned =
                ColumnFor(TFieldDef{name, static_cast<TFieldType>(d[MarkAt + 1]), GetU16(d + MarkAt + 2),
                                    (d[MarkAt + 5] & 1) != 0, d[MarkAt + 4]});
            if (planned.Type == c.Type && planned.Length == c.Length)
                c.Def = planned.Def, c.Hex = planned.Hex;
        }
        offset += c.Length;
        columns.push_back(c);
    }
    if (columns.empty() || pos >= h.HeaderLength) Corrupt(path, "no field list");
    if (offset != h.RecordLength) Corrupt(path, "field lengths do not add up to the record length");
    return columns;
}

// The column that keeps a requested field.
TColumn ColumnFor(const TFieldDef& def) {
    TColumn c;
    c.Def = def;
    auto set = [&](char type, int length, int decimals = 0) {
        c.Type = type;
        c.Length = static_cast<std::uint8_t>(length);
        c.Decimals = static_cast<std::uint8_t>(decimals);
    };
    switch (def.DataType) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
        if (def.Size > 254)
            set('M', 10);
        else
            set('C', def.Size == 0 ? 254 : def.Size);
        break;
    case ftUnknown:
        set('C', 254);
        break;
    case ftSmallint:
        set('N', 6);
        break;
    case ftWord:
        set('N', 5);
        break;
    case ftInteger:
    case ftAutoInc:
        set('N', 11);
        break;
    case ftLargeint:
        set('N', 20);
        break;
    case ftFloat:
    case ftBCD:
        set('N', 20, def.Precision >= 1 && def.Precision <= 15 ? def.Precision : 6);
        break;
    case ftCurrency:
        set('N', 20, 4);
        break;
    case ftBoolean:
        set('L', 1);
        break;
    case ftDate:
        set('D', 8);
        break;
    case ftTime:
        set('C', 12);
        break;
    case ftDateTime:
        set('C', 23);
        break;
    case ftBytes:
        if (def.Size >= 1 && def.Size <= 127)
            set('C', 2 * def.Size);
        else
            set('M', 10);
        break;
    default:
        set('M', 10);
        break; // memos and binary objects
    }
    c.Hex = IsBinaryType(def.DataType);
    c.Memo = c.Type == 'M';
    return c;
}

std::string BuildHeader(const std::vector<TColumn>& columns, const std::vector<std::string>& names) {
    const bool memo =
        std::any_of(columns.begin(), columns.end(), [](const TColumn& c) { return c.Type == 'M'; });
    const std::size_t headerLength = PrefixSize + DescriptorSize * columns.size() + 1;
    std::string h(headerLength, '\0');
    h[0] = static_cast<char>(memo ? 0x83 : 0x03);
    std::uint32_t recordLength = 1;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const TColumn& c = columns[i];
        char* d = h.data() + PrefixSize + i * DescriptorSize;
        const std::string name = ToCp1250(names[i]).substr(0, MaxFieldName);
        std::memcpy(d, name.data(), name.size());
        d[11] = c.Type;
        d[16] = static_cast<char>(c.Length);
        d[17] = static_cast<char>(c.Decimals);
        d[MarkAt] = Mark;
        d[MarkAt + 1] = static_cast<char>(c.Def.DataType);
        PutU16(d + MarkAt + 2, static_cast<std::uint16_t>(std::min(c.Def.Size, 0xFFFF)));
        d[MarkAt + 4] = static_cast<char>(c.Def.Precision);
        d[MarkAt + 5] = c.Def.Required ? 1 : 0;
        recordLength += c.Length;
    }
    h[headerLength - 1] = 0x0D;
    PutU16(h.data() + HeaderLengthAt, static_cast<std::uint16_t>(headerLength));
    PutU16(h.data() + RecordLengthAt, static_cast<std::uint16_t>(recordLength));
    h[LanguageDriverAt] = static_cast<char>(LanguageDriver1250);
    return h;
}

void UpdateHeaderCount(std::string& header, std::uint32_t count) {
    PutU32(header.data() + RecordCountAt, count);
    StampDate(header);
}

std::string EmptyTableFile(std::string header) {
    PutU32(header.data() + RecordCountAt, 0);
    StampDate(header);
    header.push_back(FileEnd);
    header[ProductionIndexAt] = 0; // the index files go
    return header;
}

bool HasDbaseMemoFile(const std::string& header) {
    return header[0] == static_cast<char>(0x83) || header[0] == static_cast<char>(0x8B);
}

TVariant DecodeValue(const TColumn& c, const char* field, const TCodePage& text) {
    switch (c.Type) {
    case 'C':
        return DecodeText(c, std::string_view(field, c.Length), text);
    case 'N':
    case 'F':
        return DecodeNumber(c, std::string_view(field, c.Length));
    case 'L': {
        const char v = field[0];
        if (v == 'T' || v == 't' || v == 'Y' || v == 'y') return true;
        if (v == 'F' || v == 'f' || v == 'N' || v == 'n') return false;
        return {};
    }
    case 'D':
        return DecodeDate(std::string_view(field, 8));
    case 'I':
        return std::int64_t{GetI32(field)};
    case 'Y': {
        std::int64_t v = 0;
        std::memcpy(&v, field, 8);
        return static_cast<double>(v) / 10000;
    }
    case 'T':
        return DecodeFoxDateTime(field);
    default: { // 'B' of 8 bytes: a Visual FoxPro double
        double v = 0;
        std::memcpy(&v, field, 8);
        return v;
    }
    }
}

void EncodeValue(const TColumn& c, const TVariant& value, char* out, const TCodePage& text) {
    // Every branch fills the whole field: numbers and dates from end to end, text with blanks after it.
    if (value.IsNull()) {
        std::memset(out, ' ', c.Length);
        if (c.Type == 'L') out[0] = '?';
        return;
    }
    switch (c.Type) {
    case 'N':
    case 'F':
        return EncodeNumber(c, value, out);
    case 'L':
        out[0] = value.AsBoolean() ? 'T' : 'F';
        return;
    case 'D': {
        const TVarDate d = value.AsDate();
        if (!IsValidDate(d)) throw EVariantError("invalid date");
        PutDigits(out, static_cast<unsigned>(d.Year), 4);
        PutDigits(out + 4, static_cast<unsigned>(d.Month), 2);
        PutDigits(out + 6, static_cast<unsigned>(d.Day), 2);
        return;
    }
    default:
        break;
    }
    std::string scratch;
    const std::string_view stored = StoredText(c, value, text, scratch);
    if (stored.size() > c.Length)
        throw EVariantError("text of " + std::to_string(stored.size()) + " characters does not fit in " +
                            std::to_string(c.Length));
    std::memcpy(out, stored.data(), stored.size());
    std::memset(out + stored.size(), ' ', c.Length - stored.size());
}

TVariant DecodeMemo(const TColumn& c, const std::string& data, const TCodePage& text) {
    if (data.empty()) return {};
    if (c.Type != 'M') return TBytes(data.begin(), data.end());
    return DecodeText(c, data, text);
}

std::string MemoData(const TColumn& c, const TVariant& value, const TCodePage& text) {
    std::string scratch;
    return std::string(StoredText(c, value, text, scratch));
}

std::uint32_t MemoBlockOf(const TColumn& c, const char* field) {
    if (c.Length == 4) return static_cast<std::uint32_t>(GetI32(field));
    std::uint32_t block = 0;
    const std::string_view text = Trim(std::string_view(field, 10));
    if (text.empty() ||
        std::from_chars(text.data(), text.data() + text.size(), block).ptr != text.data() + text.size())
        return 0;
    return block;
}

void PutMemoBlock(const TColumn& c, std::uint32_t block, char* out) {
    PutRight(out, c.Length, FormatPadded(block, 10, ' '));
}

TMemoHeader ParseMemoHeader(const char* head, std::uint8_t version) {
    TMemoHeader h;
    if (IsFoxPro(version)) { // block size, big-endian
        const unsigned bs = GetU16Big(head + 6);
        h.BlockSize = bs >= 1 ? bs : Dbase3MemoBlock;
    } else if (version == 0x8B || version == 0xCB) {
        const std::uint16_t bs = GetU16(head + 20);
        h.BlockSize = bs >= 64 ? bs : Dbase3MemoBlock;
    }
    h.NextBlock = GetU32(head);
    return h;
}

std::string EmptyMemoFile() {
    std::string dbt(Dbase3MemoBlock, '\0');
    PutU32(dbt.data(), 1);
    dbt[16] = 0x03;
    return dbt;
}

void PutMemoNextBlock(char* head, std::uint32_t block) {
    PutU32(head, block);
}

TMemoHead ParseMemoHead(const char* head, bool fox) {
    TMemoHead m;
    if (fox) { // type and length, big-endian, then the data
        m.Counted = true;
        m.Length = GetU32Big(head + 4);
    } else if (GetU32(head) == 0x0008FFFF) { // a block with its length, the head's included
        const std::uint32_t length = GetU32(head + 4);
        m.Counted = true;
        m.Damaged = length < MemoHeadSize;
        m.Length = m.Damaged ? 0 : length - static_cast<std::uint32_t>(MemoHeadSize);
    }
    return m;
}

std::string MemoBlocks(const std::string& data, std::uint32_t blockSize, std::uint8_t version) {
    std::string stored = data;
    if (blockSize != Dbase3MemoBlock || version == 0x8B) {
        std::string head(MemoHeadSize, '\0');
        PutU32(head.data(), 0x0008FFFF);
        PutU32(head.data() + 4, static_cast<std::uint32_t>(data.size() + MemoHeadSize));
        stored = head + data;
    }
    stored.append("\x1A\x1A");
    stored.resize((stored.size() + blockSize - 1) / blockSize * blockSize, '\0');
    return stored;
}

} // namespace dbf

} // namespace tarvik
