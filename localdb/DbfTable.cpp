#include "localdb/DbfTable.h"

#include "localdb/Codepage.h"
#include "localdb/DbfNumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

using TColumn = TDbfTable::TColumn;

constexpr std::size_t MaxFieldName = 10;
constexpr std::uint8_t LanguageDriver1250 = 0xC8;
constexpr std::size_t LanguageDriverAt = 29;
constexpr std::size_t ProductionIndexAt = 28; // flag: a production index (.mdx) exists
constexpr std::size_t DescriptorSize = 32;
constexpr std::size_t MarkAt = 24; // reserved descriptor bytes holding our type mark and Required
constexpr char Mark = 't';
constexpr std::size_t ChunkBytes = 1 << 16;
constexpr std::size_t FlushThreshold = 1 << 20;
constexpr std::uint32_t Dbase3MemoBlock = 512;

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

std::uint16_t GetU16(const char* p) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) |
                                      (static_cast<unsigned char>(p[1]) << 8));
}
std::uint32_t GetU32(const char* p) {
    return GetU16(p) | (static_cast<std::uint32_t>(GetU16(p + 2)) << 16);
}
void PutU16(char* p, std::uint16_t v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}
void PutU32(char* p, std::uint32_t v) {
    PutU16(p, static_cast<std::uint16_t>(v & 0xFFFF));
    PutU16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

[[noreturn]] void Corrupt(const std::string& path, const std::string& what) {
    RaiseFileError(path, "not a valid dBase table (" + what + ")");
}

[[noreturn]] void Unsupported(const std::string& path, const std::string& what) {
    RaiseFileError(path, "unsupported dBase variant (" + what + ")");
}

// FoxPro and Visual FoxPro tables: memos in a .fpt file, and the binary column types.
bool IsFoxPro(unsigned char version) {
    return version == 0x30 || version == 0x31 || version == 0x32 || version == 0xF5 || version == 0xFB;
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

std::int32_t GetI32(const char* p) {
    std::int32_t v = 0;
    std::memcpy(&v, p, 4);
    return v;
}

bool IsBinaryType(TFieldType t) {
    return t == ftBytes || t == ftVarBytes || t == ftBlob || t == ftTypedBinary || t == ftGraphic ||
           t == ftParadoxOle || t == ftDBaseOle;
}

bool IsIntegerType(TFieldType t) {
    return t == ftSmallint || t == ftWord || t == ftInteger || t == ftAutoInc || t == ftLargeint;
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

std::string BuildHeader(const std::vector<TColumn>& columns, const std::vector<std::string>& names) {
    const bool memo =
        std::any_of(columns.begin(), columns.end(), [](const TColumn& c) { return c.Type == 'M'; });
    const std::size_t headerLength = 32 + DescriptorSize * columns.size() + 1;
    std::string h(headerLength, '\0');
    h[0] = static_cast<char>(memo ? 0x83 : 0x03);
    std::uint32_t recordLength = 1;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const TColumn& c = columns[i];
        char* d = h.data() + 32 + i * DescriptorSize;
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
    PutU16(h.data() + 8, static_cast<std::uint16_t>(headerLength));
    PutU16(h.data() + 10, static_cast<std::uint16_t>(recordLength));
    h[LanguageDriverAt] = static_cast<char>(LanguageDriver1250);
    return h;
}

void StampDate(std::string& header) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    header[1] = static_cast<char>(tm.tm_year);
    header[2] = static_cast<char>(tm.tm_mon + 1);
    header[3] = static_cast<char>(tm.tm_mday);
}

std::string EmptyMemoFile() {
    std::string dbt(Dbase3MemoBlock, '\0');
    PutU32(dbt.data(), 1);
    dbt[16] = 0x03;
    return dbt;
}

// The memo and index files of a table (written anew or gone when it is replaced or emptied).
bool IsReplacedCompanion(const std::string& ext) {
    return ext == "dbt" || ext == "fpt" || ext == "mdx" || ext == "ndx" || ext == "cdx";
}

// Writes header (with no rows) and a fresh memo file through the replacement.
void WriteEmptyTable(TFileReplacement& files, const std::string& path, std::string header) {
    PutU32(header.data() + 4, 0);
    StampDate(header);
    header.push_back(0x1A);
    header[ProductionIndexAt] = 0; // the index files go
    files.Add(path).WriteAt(0, header.data(), header.size());
    for (const std::string& old : CompanionsWhere(path, IsReplacedCompanion))
        files.Remove(old);
    if (header[0] == static_cast<char>(0x83) || header[0] == static_cast<char>(0x8B)) {
        const std::string dbt = EmptyMemoFile();
        files.Add(ChangeExtension(path, ".dbt")).WriteAt(0, dbt.data(), dbt.size());
    }
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
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03u", dt.Time.Hour, dt.Time.Minute, dt.Time.Second,
                  dt.Time.Fraction / 1000000u);
    return c.Def.DataType == ftTime ? buf : FormatDate(dt.Date) + " " + buf;
}

} // namespace

void TDbfTable::CreateFile(const std::string& path, const TFieldDefs& fields) {
    std::vector<TColumn> columns;
    for (const TFieldDef& def : fields)
        columns.push_back(ColumnFor(def));
    const std::string header = BuildHeader(columns, FitFieldNames(path, fields, MaxFieldName));
    TFileReplacement files;
    WriteEmptyTable(files, path, header);
    files.Commit();
}

TDbfTable::TDbfTable(const std::string& path, TOpenMode mode)
    : TLocalTable(path, {}), FPath(path), FMode(mode) {
    OpenFiles();
    TFieldDefs defs;
    for (const TColumn& c : FColumns)
        defs.push_back(c.Def);
    SetFieldDefs(std::move(defs));
    DoFirst();
}

TDbfTable::~TDbfTable() {
    try {
        DoFlush();
    } catch (...) { // a destructor cannot report; Close reports the same failure
    }
    CloseQuietly();
}

void TDbfTable::OpenFiles() {
    try {
        FDbf = TFile(FPath, TFile::faReadWrite);
    } catch (const EDatabaseError&) {
        FDbf = TFile(FPath, TFile::faRead);
    }
    FDbf.Lock(FMode == TOpenMode::omExclusive);
    const std::uint64_t size = FDbf.Size();
    if (size < 32) Corrupt(FPath, "file shorter than a header");
    std::string head(32, '\0');
    FDbf.ReadAt(0, head.data(), head.size());
    const auto version = static_cast<unsigned char>(head[0]);
    if (IsUnsupportedVersion(version)) Unsupported(FPath, "version byte " + std::to_string(version));
    if (version != 0x03 && version != 0x83 && version != 0x8B && version != 0xCB && !IsFoxPro(version))
        Corrupt(FPath, "unknown version byte " + std::to_string(version));
    FReadOnlyVariant = IsFoxPro(version);
    FRecordCount = GetU32(head.data() + 4);
    FHeaderLength = GetU16(head.data() + 8);
    FRecordLength = GetU16(head.data() + 10);
    if (FHeaderLength < 32 + DescriptorSize + 1 || FHeaderLength > size) Corrupt(FPath, "header length");
    if (FRecordLength < 2) Corrupt(FPath, "record length");
    if (FRecordCount > (size - FHeaderLength) / FRecordLength)
        Corrupt(FPath, "the file is truncated: it cannot hold its " + std::to_string(FRecordCount) + " rows");
    FHeaderBytes.assign(FHeaderLength, '\0');
    FDbf.ReadAt(0, FHeaderBytes.data(), FHeaderLength);
    FCodePageNumber = CodePageOfDriver(static_cast<std::uint8_t>(head[LanguageDriverAt]));
    const TCodePage* page = TCodePage::Find(FCodePageNumber);
    FCodePage = page ? page : &TCodePage::Windows1250();

    FColumns.clear();
    std::uint32_t offset = 1;
    std::size_t pos = 32;
    for (; pos < FHeaderLength && FHeaderBytes[pos] != 0x0D; pos += DescriptorSize) {
        if (pos + DescriptorSize > FHeaderLength) Corrupt(FPath, "field list beyond the header");
        const char* d = FHeaderBytes.data() + pos;
        TColumn c;
        c.Type = d[11];
        c.Length = static_cast<std::uint8_t>(d[16]);
        c.Decimals = static_cast<std::uint8_t>(d[17]);
        c.Offset = offset;
        const std::string name = FCodePage->ToUtf8(std::string_view(d, strnlen(d, MaxFieldName + 1)));
        if (IsUnsupportedType(c.Type))
            Unsupported(FPath, "field '" + name + "' of type '" + std::string(1, c.Type) + "'");
        if (!SizeFits(c))
            Corrupt(FPath, "field '" + name + "' of type '" + std::string(1, c.Type) + "' and size " +
                               std::to_string(c.Length));
        c.Memo = c.Type == 'M' || c.Type == 'G' || c.Type == 'P' || (c.Type == 'B' && c.Length != 8);
        if (!std::strchr("CNFLDM", c.Type)) FReadOnlyVariant = true;
        c.Def = DefinitionOf(name, c.Type, c.Length, c.Decimals);
        if (d[MarkAt] == Mark && static_cast<unsigned char>(d[MarkAt + 1]) < FieldTypeCount) {
            const TColumn planned =
                ColumnFor(TFieldDef{name, static_cast<TFieldType>(d[MarkAt + 1]), GetU16(d + MarkAt + 2),
                                    (d[MarkAt + 5] & 1) != 0, d[MarkAt + 4]});
            if (planned.Type == c.Type && planned.Length == c.Length)
                c.Def = planned.Def, c.Hex = planned.Hex;
        }
        offset += c.Length;
        FColumns.push_back(c);
    }
    if (FColumns.empty() || pos >= FHeaderLength) Corrupt(FPath, "no field list");
    if (offset != FRecordLength) Corrupt(FPath, "field lengths do not add up to the record length");

    FDbt.Close();
    FMemoBlockSize = Dbase3MemoBlock;
    FFoxMemo = IsFoxPro(version);
    if (std::any_of(FColumns.begin(), FColumns.end(), [](const TColumn& c) { return c.Memo; })) {
        const std::string dbt = FindCompanion(FPath, FFoxMemo ? ".fpt" : ".dbt");
        if (!dbt.empty()) {
            FDbt = TFile(dbt, FDbf.Writable() ? TFile::faReadWrite : TFile::faRead);
            const std::uint64_t dbtSize = FDbt.Size();
            if (dbtSize < 24) RaiseFileError(dbt, "not a valid memo file (too short)");
            char mh[24];
            FDbt.ReadAt(0, mh, sizeof mh);
            if (FFoxMemo) { // block size, big-endian
                const unsigned bs =
                    (static_cast<unsigned char>(mh[6]) << 8) | static_cast<unsigned char>(mh[7]);
                FMemoBlockSize = bs >= 1 ? bs : Dbase3MemoBlock;
            } else if (version == 0x8B || version == 0xCB) {
                const std::uint16_t bs = GetU16(mh + 20);
                FMemoBlockSize = bs >= 64 ? bs : Dbase3MemoBlock;
            }
            const auto used = static_cast<std::uint32_t>((dbtSize + FMemoBlockSize - 1) / FMemoBlockSize);
            FMemoNext = std::max({GetU32(mh), used, std::uint32_t{1}});
            FMemoFlushed = FMemoNext;
        }
    }
    FAutoInc.assign(FColumns.size(), -1);
    FPending.clear();
    FPendingRecords = 0;
    FMemoPending.clear();
    FChunk.assign(std::max<std::size_t>(ChunkBytes / FRecordLength, 1) * FRecordLength, '\0');
    FChunkRows = 0;
}

void TDbfTable::DoFirst() {
    FRecNo = static_cast<std::uint32_t>(-1);
    FChunkRows = 0;
    FEof = false;
    Advance();
}

void TDbfTable::DoNext() {
    if (FPendingRecords) DoFlush();
    Advance();
}

void TDbfTable::Advance() {
    for (++FRecNo; FRecNo < FRecordCount; ++FRecNo) {
        if (FRecNo < FChunkFirst || FRecNo >= FChunkFirst + FChunkRows) {
            const std::uint32_t capacity = static_cast<std::uint32_t>(FChunk.size() / FRecordLength);
            FChunkFirst = FRecNo;
            FChunkRows = std::min(capacity, FRecordCount - FRecNo);
            FDbf.ReadAt(FHeaderLength + std::uint64_t{FRecNo} * FRecordLength, FChunk.data(),
                        std::size_t{FChunkRows} * FRecordLength);
        }
        if (*CurrentRecord() != '*') return;
    }
    FEof = true;
}

const char* TDbfTable::CurrentRecord() const {
    return FChunk.data() + std::size_t{FRecNo - FChunkFirst} * FRecordLength;
}

TVariant TDbfTable::DoValue(int index) const {
    const TColumn& c = FColumns[static_cast<std::size_t>(index)];
    const char* field = CurrentRecord() + c.Offset;
    try {
        switch (c.Type) {
        case 'C':
            return DecodeText(c, std::string_view(field, c.Length), *FCodePage);
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
        case 'B':
            if (!c.Memo) {
                double v = 0;
                std::memcpy(&v, field, 8);
                return v;
            }
            [[fallthrough]];
        default: {
            const std::string data = ReadMemo(c, field);
            if (data.empty()) return {};
            if (c.Type != 'M') return TBytes(data.begin(), data.end());
            return DecodeText(c, data, *FCodePage);
        }
        }
    } catch (const EVariantError& e) {
        Raise("field '" + c.Def.Name + "': " + e.Message());
    }
}

std::string TDbfTable::ReadMemo(const TColumn& column, const char* field) const {
    std::uint32_t block = 0;
    if (column.Length == 4)
        block = static_cast<std::uint32_t>(GetI32(field));
    else {
        const std::string_view text = Trim(std::string_view(field, 10));
        if (text.empty() ||
            std::from_chars(text.data(), text.data() + text.size(), block).ptr != text.data() + text.size())
            return {};
    }
    if (block == 0) return {};
    if (!FDbt.IsOpen())
        Raise(std::string("the memo file (") + (FFoxMemo ? ".fpt" : ".dbt") + ") of this table is missing");
    const std::uint64_t size = FDbt.Size();
    const std::uint64_t start = std::uint64_t{block} * FMemoBlockSize;
    // A dBase III memo has no head: it may be shorter than one, down to its end-of-text mark.
    if (start + (FFoxMemo ? 8 : 1) > size)
        Raise("damaged memo of field '" + column.Def.Name + "' (pointer beyond the memo file)");
    char head[8] = {};
    FDbt.ReadAt(start, head, static_cast<std::size_t>(std::min<std::uint64_t>(sizeof head, size - start)));
    std::string data;
    if (FFoxMemo) { // type and length, big-endian, then the data
        const std::uint32_t length = __builtin_bswap32(static_cast<std::uint32_t>(GetI32(head + 4)));
        if (start + 8 + length > size) Raise("damaged memo of field '" + column.Def.Name + "'");
        data.resize(length);
        FDbt.ReadAt(start + 8, data.data(), data.size());
        return data;
    }
    if (GetU32(head) == 0x0008FFFF) { // a block with its length
        const std::uint32_t length = GetU32(head + 4);
        if (length < 8 || start + length > size) Raise("damaged memo of field '" + column.Def.Name + "'");
        data.resize(length - 8);
        FDbt.ReadAt(start + 8, data.data(), data.size());
        return data;
    }
    // A dBase III memo runs to its end-of-text mark.
    char chunk[Dbase3MemoBlock];
    for (std::uint64_t at = start; at < size;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof chunk, size - at));
        FDbt.ReadAt(at, chunk, n);
        const void* end = std::memchr(chunk, 0x1A, n);
        if (end) return data.append(chunk, static_cast<const char*>(end) - chunk);
        data.append(chunk, n);
        at += n;
    }
    return data;
}

std::string TDbfTable::StoreMemo(const std::string& data) {
    if (!FDbt.IsOpen()) Raise("the memo file (.dbt) of this table is missing");
    const std::uint32_t block = FMemoNext;
    std::string stored = data;
    if (FMemoBlockSize != Dbase3MemoBlock || FHeaderBytes[0] == static_cast<char>(0x8B)) {
        std::string head(8, '\0');
        PutU32(head.data(), 0x0008FFFF);
        PutU32(head.data() + 4, static_cast<std::uint32_t>(data.size() + 8));
        stored = head + data;
    }
    stored.append("\x1A\x1A");
    stored.resize((stored.size() + FMemoBlockSize - 1) / FMemoBlockSize * FMemoBlockSize, '\0');
    if (std::uint64_t{FMemoNext} + stored.size() / FMemoBlockSize > 0xFFFFFFFFu)
        Raise("the memo file is full");
    FMemoPending += stored;
    FMemoNext += static_cast<std::uint32_t>(stored.size() / FMemoBlockSize);
    char ref[11];
    std::snprintf(ref, sizeof ref, "%10u", block);
    return std::string(ref, 10);
}

std::int64_t TDbfTable::NextAutoInc(std::size_t index) {
    if (FAutoInc[index] < 0) {
        FAutoInc[index] = 0;
        DoFlush();
        for (DoFirst(); !FEof; Advance()) {
            const TVariant v = DoValue(static_cast<int>(index));
            if (!v.IsNull()) FAutoInc[index] = std::max(FAutoInc[index], v.AsInteger());
        }
    }
    return FAutoInc[index] + 1;
}

void TDbfTable::EncodeField(const TColumn& c, const TVariant& value, char* out) {
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
    std::string_view text;
    if (c.Hex)
        text = scratch = ToHex(value.AsBytes());
    else if (c.Def.DataType == ftTime || c.Def.DataType == ftDateTime)
        text = scratch = TimeText(c, value);
    else
        text = FCodePage->Text(value, scratch);
    if (c.Type == 'M') {
        std::memset(out, ' ', c.Length);
        if (!text.empty()) PutRight(out, c.Length, StoreMemo(std::string(text)));
        return;
    }
    if (text.size() > c.Length)
        throw EVariantError("text of " + std::to_string(text.size()) + " characters does not fit in " +
                            std::to_string(c.Length));
    std::memcpy(out, text.data(), text.size());
    std::memset(out + text.size(), ' ', c.Length - text.size());
}

void TDbfTable::DoPost(std::vector<TVariant>& row) {
    if (!FDbf.Writable()) Raise("the table is open read-only");
    if (FReadOnlyVariant) RaiseReadOnlyVariant();
    if (FCodePageNumber < 0)
        Raise("rows cannot be added: the table's language driver " +
              std::to_string(static_cast<unsigned char>(FHeaderBytes[LanguageDriverAt])) +
              " is not supported");
    for (std::size_t i = 0; i < FColumns.size(); ++i)
        if (FColumns[i].Def.DataType == ftAutoInc && row[i].IsNull()) row[i] = NextAutoInc(i);
    const std::size_t start = FPending.size();
    const std::size_t memoStart = FMemoPending.size();
    const std::uint32_t memoNext = FMemoNext;
    FPending.resize(start + FRecordLength);
    FPending[start] = ' ';
    try {
        for (std::size_t i = 0; i < FColumns.size(); ++i) {
            const TColumn& c = FColumns[i];
            try {
                EncodeField(c, row[i], FPending.data() + start + c.Offset);
            } catch (const EVariantError& e) {
                Raise("field '" + c.Def.Name + "': " + e.Message());
            }
            if (c.Def.DataType == ftAutoInc && FAutoInc[i] >= 0)
                FAutoInc[i] = std::max(FAutoInc[i], row[i].AsInteger());
        }
    } catch (...) {
        FPending.resize(start);
        FMemoPending.resize(memoStart);
        FMemoNext = memoNext;
        throw;
    }
    ++FPendingRecords;
    if (FPending.size() >= FlushThreshold || FMemoPending.size() >= FlushThreshold) DoFlush();
}

void TDbfTable::DoFlush() {
    if (!FDbf.IsOpen() || (FPendingRecords == 0 && FMemoPending.empty())) return;
    // Writers of a shared table take turns, and one that finds the table changed writes nothing.
    TWritersLock lock(FDbf);
    char count[4];
    FDbf.ReadAt(4, count, sizeof count);
    if (!FDbf.IsAt(FPath) || GetU32(count) != FRecordCount)
        Raise("the table was changed by another user since this one read it; reopen it to add rows");
    if (!FMemoPending.empty()) {
        FDbt.WriteAt(std::uint64_t{FMemoFlushed} * FMemoBlockSize, FMemoPending.data(), FMemoPending.size());
        char next[4];
        PutU32(next, FMemoNext);
        FDbt.WriteAt(0, next, sizeof next);
        FMemoPending.clear();
        FMemoFlushed = FMemoNext;
    }
    const std::uint64_t end = FHeaderLength + std::uint64_t{FRecordCount} * FRecordLength;
    const char eof = 0x1A;
    try {
        FDbf.WriteAt(end, FPending.data(), FPending.size());
        FDbf.WriteAt(end + FPending.size(), &eof, 1);
    } catch (const EDatabaseError&) {
        // The header still counts the old rows; cut off what part of the new ones was written.
        try {
            FDbf.Truncate(end);
            FDbf.WriteAt(end, &eof, 1);
        } catch (const EDatabaseError&) {
        }
        throw;
    }
    FRecordCount += FPendingRecords;
    FPending.clear();
    FPendingRecords = 0;
    PutU32(FHeaderBytes.data() + 4, FRecordCount);
    StampDate(FHeaderBytes);
    FDbf.WriteAt(0, FHeaderBytes.data(), 12);
}

void TDbfTable::Rewrite() {
    if (!FDbf.Writable()) Raise("the table is open read-only");
    TFileReplacement files;
    WriteEmptyTable(files, FPath, FHeaderBytes);
    files.Commit();
    FDbf.Close();
    FDbt.Close();
    OpenFiles();
    FEof = true;
}

void TDbfTable::RaiseReadOnlyVariant() const {
    Raise("tables of this dBase variant (FoxPro, or columns of type I, Y, T, B, G or P) are read-only here");
}

void TDbfTable::DoEmpty() {
    if (FReadOnlyVariant) RaiseReadOnlyVariant();
    if (FMode != TOpenMode::omExclusive) Raise("emptying a table needs it opened exclusively");
    FPending.clear();
    FPendingRecords = 0;
    FMemoPending.clear();
    Rewrite();
}

void TDbfTable::DoClose() noexcept {
    FDbf.Close();
    FDbt.Close();
    FEof = true;
}
