#include "localdb/ParadoxFormat.h"

#include "core/Numbers.h"
#include "localdb/Bytes.h"
#include "localdb/Codepage.h"
#include "localdb/TableFile.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace tarvik {

namespace paradox {

using namespace bytes;

namespace {

// Header offsets (little-endian fields).
enum : std::size_t {
    hRecordSize = 0x00,
    hHeaderSize = 0x02,
    hFileType = 0x04,
    hMaxTableSize = 0x05,
    hNumRecords = 0x06,
    hNextBlock = 0x0A,
    hFileBlocks = 0x0C,
    hFirstBlock = 0x0E,
    hLastBlock = 0x10,
    hIndexRoot = 0x1E,
    hIndexLevels = 0x20,
    hNumFields = 0x21,
    hKeyFields = 0x23,
    hEncryption = 0x25,
    hVersion = 0x39,
    hMaxBlocks = 0x3A,
    hAutoInc = 0x49,
    hFileVer3 = 0x58,
    hFileVer4 = 0x5A,
    hHiFieldId = 0x64,
    hNumFields2 = 0x68,
    hCodePage = 0x6A,
    hFieldInfoOld = 0x58, // before version 4 and in index files
    hFieldInfo = 0x78
};

constexpr std::size_t HeaderUnit = 0x800;
constexpr std::uint8_t BcdDigits = 32;
constexpr std::uint8_t MaxLeader = 240;
constexpr std::uint8_t DefaultLeader = 10;

std::size_t TableNameLength(std::uint8_t version) {
    return version >= Version7 ? 261 : 79;
}
std::size_t FieldInfoOffset(std::uint8_t version, std::uint8_t fileType) {
    return version >= 5 && fileType != ftPrimaryIndex ? hFieldInfo : hFieldInfoOld;
}

[[noreturn]] void Corrupt(const std::string& fileName, const std::string& what) {
    RaiseFileError(fileName, "not a valid Paradox table (" + what + ")");
}

// Big-endian values of 1 to 8 bytes (the fixed columns' widths) as one load or store each.
static_assert(std::endian::native == std::endian::little);
// The common widths get copies of a constant size, which compile to single moves.
template <typename Copy> void WithWidth(std::size_t n, Copy copy) {
    switch (n) {
    case 2:
        return copy(std::integral_constant<std::size_t, 2>{});
    case 4:
        return copy(std::integral_constant<std::size_t, 4>{});
    case 8:
        return copy(std::integral_constant<std::size_t, 8>{});
    default:
        return copy(n);
    }
}

std::uint64_t GetBig(const unsigned char* p, std::size_t n) {
    std::uint64_t v = 0;
    WithWidth(n,
              [&](auto width) { std::memcpy(reinterpret_cast<unsigned char*>(&v) + 8 - width, p, width); });
    return __builtin_bswap64(v);
}

void PutBig(unsigned char* p, std::size_t n, std::uint64_t v) {
    v = __builtin_bswap64(v);
    WithWidth(n, [&](auto width) {
        std::memcpy(p, reinterpret_cast<const unsigned char*>(&v) + 8 - width, width);
    });
}

bool AllZero(const unsigned char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (p[i] != 0) return false;
    return true;
}

// Integers of n bytes: two's complement with the top bit flipped, so zero bytes stay free for NULL.
std::int64_t DecodeInt(const unsigned char* p, std::size_t n) {
    const std::uint64_t signBit = std::uint64_t{1} << (8 * n - 1);
    const std::uint64_t raw = GetBig(p, n) ^ signBit;
    return static_cast<std::int64_t>(raw & signBit ? raw | ~((signBit << 1) - 1) : raw);
}

void EncodeInt(unsigned char* p, std::size_t n, std::int64_t v) {
    const std::int64_t limit = (std::int64_t{1} << (8 * n - 1)) - 1;
    // The most negative value would encode as all zero bytes, which means NULL.
    if (v > limit || v < -limit) throw EVariantError("value " + std::to_string(v) + " out of range");
    const std::uint64_t mask = n == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * n)) - 1;
    PutBig(p, n, (static_cast<std::uint64_t>(v) & mask) ^ (std::uint64_t{1} << (8 * n - 1)));
}

double DecodeDouble(const unsigned char* p) {
    std::uint64_t bits = GetBig(p, 8);
    bits = bits & 0x8000000000000000ull ? bits ^ 0x8000000000000000ull : ~bits;
    return std::bit_cast<double>(bits);
}

void EncodeDouble(unsigned char* p, double v) {
    if (!std::isfinite(v)) throw EVariantError("a number must be finite");
    std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
    bits = bits & 0x8000000000000000ull ? ~bits : bits | 0x8000000000000000ull;
    PutBig(p, 8, bits);
}

constexpr std::int64_t MsPerDay = 86400000;

std::int64_t MsOfDay(const TVarTime& t) {
    return ((t.Hour * 60 + t.Minute) * 60 + t.Second) * std::int64_t{1000} + t.Fraction / 1000000u;
}

TVarTime TimeFromMs(std::int64_t ms) {
    TVarTime t;
    t.Fraction = static_cast<std::uint32_t>(ms % 1000) * 1000000u;
    ms /= 1000;
    t.Second = static_cast<int>(ms % 60);
    t.Minute = static_cast<int>(ms / 60 % 60);
    t.Hour = static_cast<int>(ms / 3600);
    return t;
}

TVariant DecodeTimestamp(const unsigned char* p) {
    const double ms = DecodeDouble(p);
    if (!(ms >= MsPerDay && ms < 3652060.0 * MsPerDay)) throw EVariantError("timestamp out of range");
    const auto total = static_cast<std::int64_t>(std::llround(ms));
    return TVarDateTime{DateFromDayNumber(total / MsPerDay), TimeFromMs(total % MsPerDay)};
}

void CheckDate(const TVarDate& d) {
    if (!IsValidDate(d)) throw EVariantError("invalid date " + FormatDate(d));
}

// BCD: the first byte holds the sign (0x80 when not negative) and the decimals, then 32 digits in
// 16 bytes, high nibble first, the last `decimals` of them after the point (the header's entry
// gives the decimals). A negative number is its magnitude's bytes inverted, as in the other number
// types, so that byte order is numeric order.
TVariant DecodeBcd(const TField& field, const unsigned char* p) {
    const bool negative = (p[0] & 0x80) == 0;
    std::string text = negative ? "-" : "";
    for (int i = 0; i < BcdDigits; ++i) {
        int digit = (i % 2 ? p[1 + i / 2] : p[1 + i / 2] >> 4) & 0x0F;
        if (negative) digit = 0x0F - digit;
        if (digit > 9) throw EVariantError("not a BCD digit");
        if (i == BcdDigits - field.Decimals) text.push_back('.');
        text.push_back(static_cast<char>('0' + digit));
    }
    const char* end = text.data() + text.size();
    if (field.Decimals == 0) {
        std::int64_t v = 0;
        if (auto [q, ec] = std::from_chars(text.data(), end, v); ec == std::errc() && q == end) return v;
    }
    double d = 0;
    std::from_chars(text.data(), end, d);
    return d;
}

void EncodeBcd(const TField& field, const TVariant& value, unsigned char* p) {
    // The digits of the magnitude, the last `decimals` of them after the (omitted) point.
    char buf[400];
    std::size_t n = 0;
    bool negative = false;
    if (field.Decimals == 0 && value.Type() != TVarType::vtDouble) {
        const std::int64_t v = value.AsInteger();
        negative = v < 0;
        const std::uint64_t magnitude =
            negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
        n = static_cast<std::size_t>(std::to_chars(buf, buf + sizeof buf, magnitude).ptr - buf);
    } else {
        const double v = value.AsDouble();
        if (!std::isfinite(v) || std::fabs(v) >= 1e32) throw EVariantError("number out of range");
        negative = std::signbit(v);
        for (char c : FormatFixed(std::fabs(v), field.Decimals))
            if (c != '.') buf[n++] = c;
    }
    if (n > BcdDigits) throw EVariantError("number with more than 32 digits");
    std::memset(p, 0, FixedSize(pxBCD));
    p[0] = static_cast<unsigned char>(0x80 | field.Decimals);
    if (negative) p[0] = static_cast<unsigned char>(~p[0]);
    for (std::size_t i = 0; i < BcdDigits; ++i) {
        const std::size_t from = i + n;
        int digit = from >= BcdDigits ? buf[from - BcdDigits] - '0' : 0;
        if (negative) digit = 0x0F - digit;
        p[1 + i / 2] |= static_cast<unsigned char>(i % 2 ? digit : digit << 4);
    }
}

} // namespace

const TCodePage& THeader::Text() const {
    const TCodePage* page = TCodePage::Find(CodePage);
    return page ? *page : TCodePage::Windows1250();
}

std::uint32_t THeader::KeySize() const {
    std::uint32_t size = 0;
    for (std::size_t i = 0; i < KeyFields && i < Fields.size(); ++i)
        size += Fields[i].Size;
    return size;
}

bool IsTextBlob(std::uint8_t type) {
    return type == pxMemo || type == pxFmtMemo;
}

std::uint8_t FixedSize(std::uint8_t type) {
    switch (type) {
    case pxShort:
        return 2;
    case pxLong:
    case pxAutoInc:
    case pxDate:
    case pxTime:
        return 4;
    case pxNumber:
    case pxCurrency:
    case pxTimestamp:
        return 8;
    case pxLogical:
        return 1;
    case pxBCD:
        return 17;
    default:
        return 0;
    }
}

TField ColumnFor(const std::string& fileName, const TFieldDef& def, const std::string& name) {
    TField f;
    f.Name = name;
    auto blob = [&](std::uint8_t type, int leader) {
        f.Type = type;
        f.Size = static_cast<std::uint8_t>(BlobPointerSize +
                                           (leader >= 1 && leader <= MaxLeader ? leader : DefaultLeader));
    };
    auto sized = [&](std::uint8_t type, std::uint8_t longType, int leader) {
        if (def.Size > 255) return blob(longType, leader);
        f.Type = type;
        f.Size = static_cast<std::uint8_t>(def.Size == 0 ? 255 : def.Size);
    };
    switch (def.DataType) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
        sized(pxAlpha, pxMemo, MaxLeader);
        break;
    case ftUnknown:
        f.Type = pxAlpha, f.Size = 255;
        break;
    case ftSmallint:
        f.Type = pxShort;
        break;
    case ftWord:
    case ftInteger:
        f.Type = pxLong;
        break;
    case ftAutoInc:
        f.Type = pxAutoInc;
        break;
    case ftLargeint: // BCD without decimals: 32 digits hold every 64-bit integer
        f.Type = pxBCD;
        break;
    case ftFloat:
    case ftBCD:
        f.Type = pxNumber;
        break;
    case ftCurrency:
        f.Type = pxCurrency;
        break;
    case ftBoolean:
        f.Type = pxLogical;
        break;
    case ftDate:
        f.Type = pxDate;
        break;
    case ftTime:
        f.Type = pxTime;
        break;
    case ftDateTime:
        f.Type = pxTimestamp;
        break;
    case ftBytes: // a blob whose leader holds values up to the size: their length stays exact
        blob(pxBlob, std::min(def.Size, int{MaxLeader}));
        break;
    case ftVarBytes:
    case ftBlob:
    case ftTypedBinary:
        blob(pxBlob, def.Size);
        break;
    case ftGraphic:
        blob(pxGraphic, def.Size);
        break;
    case ftParadoxOle:
    case ftDBaseOle:
        blob(pxOle, def.Size);
        break;
    case ftMemo:
        blob(pxMemo, def.Size);
        break;
    case ftFmtMemo:
        blob(pxFmtMemo, def.Size);
        break;
    default:
        RaiseFileError(fileName,
                       std::string("field type ") + FieldTypeIdent(def.DataType) + " not supported");
    }
    if (f.Size == 0) f.Size = FixedSize(f.Type);
    return f;
}

TFieldDef DefinitionOf(const TField& field) {
    TFieldDef d;
    d.Name = field.Name;
    const int leader = static_cast<int>(field.Size) - static_cast<int>(BlobPointerSize);
    switch (field.Type) {
    case pxAlpha:
        d.DataType = ftString, d.Size = field.Size;
        break;
    case pxDate:
        d.DataType = ftDate;
        break;
    case pxShort:
        d.DataType = ftSmallint;
        break;
    case pxLong:
        d.DataType = ftInteger;
        break;
    case pxCurrency:
        d.DataType = ftCurrency;
        break;
    case pxNumber:
        d.DataType = ftFloat;
        break;
    case pxLogical:
        d.DataType = ftBoolean;
        break;
    case pxMemo:
        d.DataType = ftMemo, d.Size = leader;
        break;
    case pxBlob:
        d.DataType = ftBlob, d.Size = leader;
        break;
    case pxFmtMemo:
        d.DataType = ftFmtMemo, d.Size = leader;
        break;
    case pxOle:
        d.DataType = ftParadoxOle, d.Size = leader;
        break;
    case pxGraphic:
        d.DataType = ftGraphic, d.Size = leader;
        break;
    case pxTime:
        d.DataType = ftTime;
        break;
    case pxTimestamp:
        d.DataType = ftDateTime;
        break;
    case pxAutoInc:
        d.DataType = ftAutoInc;
        break;
    case pxBCD:
        d.DataType = field.Decimals == 0 ? ftLargeint : ftBCD, d.Precision = field.Decimals;
        break;
    case pxBytes:
        d.DataType = ftBytes, d.Size = field.Size;
        break;
    default:
        d.DataType = ftUnknown;
        break;
    }
    return d;
}

THeader ParseHeader(const std::string& fileName, const std::string& bytes, std::uint64_t fileSize) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < hFieldInfoOld) Corrupt(fileName, "file shorter than a header");
    THeader h;
    h.RecordSize = GetU16(p + hRecordSize);
    h.HeaderSize = GetU16(p + hHeaderSize);
    h.FileType = p[hFileType];
    h.MaxTableSize = p[hMaxTableSize];
    h.NumRecords = GetU32(p + hNumRecords);
    h.FileBlocks = GetU16(p + hFileBlocks);
    h.FirstBlock = GetU16(p + hFirstBlock);
    h.LastBlock = GetU16(p + hLastBlock);
    h.IndexRoot = GetU16(p + hIndexRoot);
    h.IndexLevels = p[hIndexLevels];
    h.KeyFields = GetU16(p + hKeyFields);
    h.Version = p[hVersion];
    h.AutoInc = GetU32(p + hAutoInc);
    const std::uint16_t numFields = GetU16(p + hNumFields);
    if (h.FileType != ftKeyedData && h.FileType != ftUnkeyedData)
        Corrupt(fileName, "file type " + std::to_string(h.FileType) + " is not a data table");
    if (h.Version < 3 || h.Version > Version7)
        Corrupt(fileName, "unknown version " + std::to_string(h.Version));
    if (h.HeaderSize < hFieldInfoOld || h.HeaderSize > fileSize || h.HeaderSize > bytes.size())
        Corrupt(fileName, "header size " + std::to_string(h.HeaderSize));
    if (h.MaxTableSize < 1 || h.MaxTableSize > 32)
        Corrupt(fileName, "block size " + std::to_string(h.MaxTableSize));
    if (GetU32(p + hEncryption) != 0) RaiseFileError(fileName, "the table is password-protected");
    if (numFields == 0 || numFields > 255) Corrupt(fileName, "field count " + std::to_string(numFields));
    if (h.KeyFields > numFields) Corrupt(fileName, "key field count " + std::to_string(h.KeyFields));
    if (h.RecordSize == 0 || h.RecordSize + BlockHeaderSize > h.BlockSize())
        Corrupt(fileName, "record size " + std::to_string(h.RecordSize));
    if (h.Version >= 5 && h.HeaderSize >= hFieldInfo) h.CodePage = GetU16(p + hCodePage);

    // Field types and sizes, the name pointers, the table name, then the field names.
    std::size_t pos = FieldInfoOffset(h.Version, h.FileType);
    const std::size_t end = h.HeaderSize;
    if (pos + numFields * 2u > end) Corrupt(fileName, "field list beyond the header");
    std::uint32_t offset = 0;
    for (std::size_t i = 0; i < numFields; ++i, pos += 2) {
        TField f;
        f.Type = p[pos];
        f.Size = p[pos + 1];
        f.Offset = offset;
        if (f.Type == pxBCD) {
            if (f.Size > BcdDigits) Corrupt(fileName, "BCD decimals " + std::to_string(f.Size));
            f.Decimals = f.Size;
            f.Size = FixedSize(pxBCD);
        }
        const std::uint8_t fixed = FixedSize(f.Type);
        const bool known = fixed != 0 || f.Type == pxAlpha || f.Type == pxBytes || IsBlob(f.Type);
        if (!known) Corrupt(fileName, "unknown field type " + std::to_string(f.Type));
        if ((fixed != 0 && f.Size != fixed) || f.Size == 0 || (IsBlob(f.Type) && f.Size < BlobPointerSize))
            Corrupt(fileName, "field size " + std::to_string(f.Size));
        offset += f.Size;
        h.Fields.push_back(f);
    }
    if (offset != h.RecordSize) Corrupt(fileName, "field sizes do not add up to the record size");
    pos += 4 + numFields * 4u;
    const std::size_t nameLength = TableNameLength(h.Version);
    if (pos + nameLength > end) Corrupt(fileName, "table name beyond the header");
    const char* text = bytes.data();
    h.TableName = h.Text().ToUtf8(std::string_view(text + pos, strnlen(text + pos, nameLength)));
    pos += nameLength;
    for (TField& f : h.Fields) {
        const void* zero = pos < end ? std::memchr(text + pos, 0, end - pos) : nullptr;
        if (!zero) Corrupt(fileName, "field names beyond the header");
        const std::size_t length = static_cast<const char*>(zero) - (text + pos);
        f.Name = h.Text().ToUtf8(std::string_view(text + pos, length));
        pos += length + 1;
    }
    const std::uint64_t blocks = (fileSize - h.HeaderSize) / h.BlockSize();
    if (h.FirstBlock > blocks || h.LastBlock > blocks || (h.FirstBlock == 0) != (h.LastBlock == 0))
        Corrupt(fileName, "block numbers beyond the end of the file");
    return h;
}

void UpdateHeaderCounts(std::string& bytes, const THeader& h) {
    auto* p = reinterpret_cast<unsigned char*>(bytes.data());
    PutU32(p + hNumRecords, h.NumRecords);
    PutU16(p + hNextBlock, h.FileBlocks);
    PutU16(p + hFileBlocks, h.FileBlocks);
    PutU16(p + hFirstBlock, h.FirstBlock);
    PutU16(p + hLastBlock, h.LastBlock);
    PutU16(p + hMaxBlocks, h.FileBlocks);
    PutU32(p + hAutoInc, h.AutoInc);
}

std::string BuildHeader(THeader& h) {
    std::string names;
    std::uint32_t offset = 0;
    for (TField& f : h.Fields) {
        f.Offset = offset;
        offset += f.Size;
        h.Text().AppendBytes(f.Name, names);
        names.push_back('\0');
    }
    h.RecordSize = static_cast<std::uint16_t>(offset);
    const std::size_t n = h.Fields.size();
    const bool index = h.FileType == ftPrimaryIndex;
    const std::size_t infoAt = FieldInfoOffset(h.Version, h.FileType);
    const std::size_t nameLength = TableNameLength(h.Version);
    std::size_t used = infoAt + 2 * n;
    if (!index) used += 4 + 4 * n + nameLength + names.size() + 2 * n + 6;
    const std::size_t size = (used + HeaderUnit - 1) / HeaderUnit * HeaderUnit;
    h.HeaderSize = static_cast<std::uint16_t>(size);

    std::string bytes(size, '\0');
    auto* p = reinterpret_cast<unsigned char*>(bytes.data());
    PutU16(p + hRecordSize, h.RecordSize);
    PutU16(p + hHeaderSize, h.HeaderSize);
    p[hFileType] = h.FileType;
    p[hMaxTableSize] = h.MaxTableSize;
    PutU32(p + hNumRecords, h.NumRecords);
    PutU16(p + hNextBlock, h.FileBlocks);
    PutU16(p + hFileBlocks, h.FileBlocks);
    PutU16(p + hFirstBlock, h.FirstBlock);
    PutU16(p + hLastBlock, h.LastBlock);
    PutU16(p + hIndexRoot, h.IndexRoot);
    p[hIndexLevels] = h.IndexLevels;
    PutU16(p + hNumFields, static_cast<std::uint16_t>(n));
    PutU16(p + hKeyFields, h.KeyFields);
    p[hVersion] = h.Version;
    PutU16(p + hMaxBlocks, h.FileBlocks);
    PutU32(p + hAutoInc, h.AutoInc);
    if (!index) {
        PutU16(p + hFileVer3, 0x0119);
        PutU16(p + hFileVer4, 0x0119);
        PutU16(p + hHiFieldId, static_cast<std::uint16_t>(n + 1));
        PutU16(p + hNumFields2, static_cast<std::uint16_t>(n));
        PutU16(p + hCodePage, h.CodePage);
    }
    std::size_t pos = infoAt;
    for (const TField& f : h.Fields) {
        p[pos++] = f.Type;
        p[pos++] = f.Type == pxBCD ? f.Decimals : f.Size;
    }
    if (index) return bytes;
    pos += 4 + 4 * n;
    const std::string table = h.Text().FromUtf8(h.TableName).substr(0, nameLength - 1);
    std::memcpy(p + pos, table.data(), table.size());
    pos += nameLength;
    std::memcpy(p + pos, names.data(), names.size());
    pos += names.size();
    for (std::size_t i = 0; i < n; ++i, pos += 2)
        PutU16(p + pos, static_cast<std::uint16_t>(i + 1));
    std::memcpy(p + pos, "ascii", 5);
    return bytes;
}

TVariant DecodeValue(const TField& field, const unsigned char* p, const TCodePage& codePage) {
    if (AllZero(p, field.Size)) return {};
    switch (field.Type) {
    case pxAlpha: {
        const auto* text = reinterpret_cast<const char*>(p);
        return codePage.ToUtf8(std::string_view(text, strnlen(text, field.Size)));
    }
    case pxShort:
    case pxLong:
    case pxAutoInc:
        return DecodeInt(p, field.Size);
    case pxNumber:
    case pxCurrency:
        return DecodeDouble(p);
    case pxLogical:
        return (p[0] & 0x7F) != 0;
    case pxDate: {
        const std::int64_t day = DecodeInt(p, 4);
        if (day < 1 || day > 3652059) throw EVariantError("date out of range");
        return DateFromDayNumber(day);
    }
    case pxTime: {
        const std::int64_t ms = DecodeInt(p, 4);
        if (ms < 0 || ms >= MsPerDay) throw EVariantError("time out of range");
        return TimeFromMs(ms);
    }
    case pxTimestamp:
        return DecodeTimestamp(p);
    case pxBCD:
        return DecodeBcd(field, p);
    case pxBytes:
        return TBytes(p, p + field.Size);
    default:
        throw EVariantError("values of this field type cannot be read");
    }
}

void EncodeValue(const TField& field, const TVariant& value, unsigned char* p, const TCodePage& codePage) {
    // Fixed-width types write every byte of their column; only text and bytes leave a zero tail.
    if (value.IsNull()) {
        std::memset(p, 0, field.Size);
        return;
    }
    switch (field.Type) {
    case pxAlpha: {
        std::string scratch;
        const std::string_view text = codePage.Text(value, scratch);
        if (text.size() > field.Size)
            throw EVariantError("text of " + std::to_string(text.size()) + " characters does not fit in " +
                                std::to_string(field.Size));
        std::memcpy(p, text.data(), text.size());
        std::memset(p + text.size(), 0, field.Size - text.size());
        return;
    }
    case pxShort:
    case pxLong:
    case pxAutoInc:
        return EncodeInt(p, field.Size, value.AsInteger());
    case pxNumber:
    case pxCurrency:
        return EncodeDouble(p, value.AsDouble());
    case pxLogical:
        p[0] = value.AsBoolean() ? 0x81 : 0x80;
        return;
    case pxDate: {
        const TVarDate d = value.AsDate();
        CheckDate(d);
        return EncodeInt(p, 4, DayNumber(d));
    }
    case pxTime: {
        const TVarTime t = value.AsTime();
        if (!IsValidTime(t)) throw EVariantError("invalid time");
        return EncodeInt(p, 4, MsOfDay(t));
    }
    case pxTimestamp: {
        const TVarDateTime dt = value.AsDateTime();
        CheckDate(dt.Date);
        if (!IsValidTime(dt.Time)) throw EVariantError("invalid time");
        return EncodeDouble(p, static_cast<double>(DayNumber(dt.Date) * MsPerDay + MsOfDay(dt.Time)));
    }
    case pxBCD:
        return EncodeBcd(field, value, p);
    case pxBytes: {
        const TBytes bytes = value.AsBytes();
        if (bytes.size() > field.Size)
            throw EVariantError(std::to_string(bytes.size()) + " bytes do not fit in " +
                                std::to_string(field.Size));
        std::memcpy(p, bytes.data(), bytes.size());
        std::memset(p + bytes.size(), 0, field.Size - bytes.size());
        return;
    }
    default:
        throw EVariantError("values of this field type cannot be written");
    }
}

void PutShortValue(unsigned char* p, std::int16_t v) {
    EncodeInt(p, 2, v);
}

TBlobRef ReadBlobRef(const TField& field, const unsigned char* p) {
    const unsigned char* ref = p + field.Size - BlobPointerSize;
    return TBlobRef{GetU32(ref), GetU32(ref + 4), GetU16(ref + 8)};
}

void WriteBlobRef(const TField& field, const TBlobRef& ref, unsigned char* p) {
    unsigned char* at = p + field.Size - BlobPointerSize;
    PutU32(at, ref.Offset);
    PutU32(at + 4, ref.Length);
    PutU16(at + 8, ref.ModNr);
}

std::string BuildMbHeader() {
    std::string block(MbBlockSize, '\0');
    auto* p = reinterpret_cast<unsigned char*>(block.data());
    p[0] = 0;                 // header block
    PutU16(p + 0x01, 1);      // its size in 4 KiB chunks
    PutU16(p + 0x0B, 0x1000); // data block size
    PutU16(p + 0x0D, 0x1000); // sub-allocated block size
    p[0x10] = 0x10;           // sub-allocation unit
    PutU16(p + 0x11, 0x40);   // sub-allocations per block
    PutU16(p + 0x13, 0x800);  // threshold for sub-allocation
    return block;
}

std::string BuildMbBlobBlock(const std::string& data, std::uint16_t modNr) {
    constexpr std::size_t head = 9;
    const std::size_t chunks = (head + data.size() + MbBlockSize - 1) / MbBlockSize;
    std::string block(chunks * MbBlockSize, '\0');
    auto* p = reinterpret_cast<unsigned char*>(block.data());
    p[0] = 2; // a block holding one blob
    PutU16(p + 1, static_cast<std::uint16_t>(chunks));
    PutU32(p + 3, static_cast<std::uint32_t>(data.size()));
    PutU16(p + 7, modNr);
    std::memcpy(p + head, data.data(), data.size());
    return block;
}

} // namespace paradox

} // namespace tarvik
