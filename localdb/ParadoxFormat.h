#pragma once
// The Paradox 7 file layout: the header of .db and .px files, field types and their column widths,
// the encoding of values in a record (big-endian with the sign bit flipped, all zero bytes = NULL),
// blob descriptors and the .mb memo file's blocks. No I/O here: callers hand in bytes.
#include "core/Variant.h"
#include "localdb/Codepage.h"
#include "localdb/TableDefs.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarvik {

namespace paradox {

enum TPxType : std::uint8_t {
    pxAlpha = 0x01,
    pxDate = 0x02,
    pxShort = 0x03,
    pxLong = 0x04,
    pxCurrency = 0x05,
    pxNumber = 0x06,
    pxLogical = 0x09,
    pxMemo = 0x0C,
    pxBlob = 0x0D,
    pxFmtMemo = 0x0E,
    pxOle = 0x0F,
    pxGraphic = 0x10,
    pxTime = 0x14,
    pxTimestamp = 0x15,
    pxAutoInc = 0x16,
    pxBCD = 0x17,
    pxBytes = 0x18
};

enum TPxFileType : std::uint8_t { ftKeyedData = 0, ftPrimaryIndex = 1, ftUnkeyedData = 2 };

constexpr std::uint32_t BlockHeaderSize = 6;  // next block, previous block, offset of the last record
constexpr std::uint32_t BlobPointerSize = 10; // offset, length, modification number after the leader
constexpr std::uint32_t MbBlockSize = 4096;
constexpr std::uint8_t Version7 = 0x0C;
constexpr std::uint16_t CodePage1250 = 1250;

struct TField {
    std::uint8_t Type = pxAlpha;
    std::uint8_t Size = 0;     // bytes in the record (a BCD column's header entry holds Decimals instead)
    std::string Name;          // UTF-8
    std::uint32_t Offset = 0;  // within the record
    std::uint8_t Decimals = 0; // of a BCD column: digits after the point, 0..32
};

struct THeader {
    std::uint16_t RecordSize = 0;
    std::uint16_t HeaderSize = 0;
    std::uint8_t FileType = ftUnkeyedData;
    std::uint8_t MaxTableSize = 16; // block size in KiB
    std::uint32_t NumRecords = 0;
    std::uint16_t FileBlocks = 0;
    std::uint16_t FirstBlock = 0;
    std::uint16_t LastBlock = 0;
    std::uint16_t IndexRoot = 0;
    std::uint8_t IndexLevels = 0;
    std::uint16_t KeyFields = 0;
    std::uint8_t Version = Version7;
    std::uint32_t AutoInc = 0;
    std::uint16_t CodePage = CodePage1250;
    std::string TableName; // file name without directory, UTF-8
    std::vector<TField> Fields;

    std::uint32_t BlockSize() const { return MaxTableSize * 1024u; }
    // The code page of the table's text; 1250 when the header names none (0) or one we lack.
    const TCodePage& Text() const;
    bool KnownCodePage() const { return CodePage == 0 || TCodePage::Find(CodePage) != nullptr; }
    std::uint32_t KeySize() const;
};

// Memo, blob, formatted memo, OLE and graphic: the types kept in the .mb file.
inline bool IsBlob(std::uint8_t type) {
    return type >= pxMemo && type <= pxGraphic;
}
bool IsTextBlob(std::uint8_t type);
// The column width a type fixes (0 where the definition chooses it).
std::uint8_t FixedSize(std::uint8_t type);

// Column for a requested definition (name already fitted); throws EDatabaseError naming the file
// when the size is out of range.
TField ColumnFor(const std::string& fileName, const TFieldDef& def, const std::string& name);
// The definition an open table reports for a column.
TFieldDef DefinitionOf(const TField& field);

// Parses and checks a data file header; `bytes` holds the first min(file size, header size) bytes.
// Throws EDatabaseError naming the file for anything that does not fit.
THeader ParseHeader(const std::string& fileName, const std::string& bytes, std::uint64_t fileSize);
// Writes the row and block counts and the auto-increment value of h into a header read from a file,
// keeping every other byte of it.
void UpdateHeaderCounts(std::string& bytes, const THeader& h);
// Serialises a data (or, for ftPrimaryIndex, index) header; sets HeaderSize and the field offsets.
std::string BuildHeader(THeader& header);

// Values of fixed-width columns, text in the code page given. Decode reads `field.Size` bytes at p;
// Encode writes them and throws EVariantError when the value does not convert or does not fit
// (message without the file name).
TVariant DecodeValue(const TField& field, const unsigned char* p, const TCodePage& text);
void EncodeValue(const TField& field, const TVariant& value, unsigned char* p, const TCodePage& text);
// Writes a 16-bit integer as user data (big-endian, sign flipped), as index entries need.
void PutShortValue(unsigned char* p, std::int16_t v);

// Blob descriptor at the end of a blob column.
struct TBlobRef {
    std::uint32_t Offset = 0; // block offset in the .mb file | index within the block (0xFF: whole block)
    std::uint32_t Length = 0;
    std::uint16_t ModNr = 0;
};
TBlobRef ReadBlobRef(const TField& field, const unsigned char* p);
void WriteBlobRef(const TField& field, const TBlobRef& ref, unsigned char* p);

// The 4 KiB header block of a new .mb file.
std::string BuildMbHeader();
// A single-blob block holding data, padded to whole 4 KiB chunks.
std::string BuildMbBlobBlock(const std::string& data, std::uint16_t modNr);

} // namespace paradox

} // namespace tarvik
