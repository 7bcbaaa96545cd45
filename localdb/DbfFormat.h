#pragma once
// The dBase file layout: the .dbf header and its 32-byte field descriptors (with our mark in their
// reserved bytes that keeps the requested field type), column types and their sizes, the text in
// which a record holds its values, and the blocks of the .dbt and .fpt memo files. No I/O here:
// callers hand in bytes.
#include "core/Variant.h"
#include "localdb/Codepage.h"
#include "localdb/TableDefs.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarvik {

namespace dbf {

constexpr std::size_t MaxFieldName = 10;
constexpr std::size_t PrefixSize = 32; // the header's fixed part, before the field descriptors
constexpr std::size_t CountsSize = 12; // version, date, row count, header and record lengths
constexpr std::size_t RecordCountAt = 4;
constexpr std::size_t LanguageDriverAt = 29;
constexpr std::uint32_t Dbase3MemoBlock = 512;
constexpr std::size_t MemoHeaderSize = 24; // what a memo file's header says, of its first block
constexpr std::size_t MemoHeadSize = 8;    // a memo block's head, where it has one
constexpr char Deleted = '*';              // the flag before a deleted record
constexpr char FileEnd = 0x1A;

// One column as stored, with the type it stands for.
struct TColumn {
    char Type = 'C';
    std::uint8_t Length = 0;
    std::uint8_t Decimals = 0;
    std::uint32_t Offset = 0; // within the record, after the deletion flag
    TFieldDef Def;
    bool Hex = false;  // bytes kept as hex digits
    bool Memo = false; // the value lies in the memo file
};

// The header's fixed part.
struct THeader {
    std::uint8_t Version = 0x03;
    std::uint32_t RecordCount = 0;
    std::uint16_t HeaderLength = 0;
    std::uint16_t RecordLength = 0;
    int CodePage = 0; // of the language driver byte: 0 when it names none, -1 when we lack it
};

// FoxPro and Visual FoxPro tables: memos in a .fpt file, and the binary column types.
bool IsFoxPro(std::uint8_t version);
// Column types we write as well as read.
bool IsWrittenType(char type);

// Parses and checks the header's fixed part; head holds the first min(fileSize, PrefixSize) bytes of
// the file. Throws EDatabaseError naming the file for a variant we do not read or anything that does
// not fit.
THeader ParsePrefix(const std::string& path, const std::string& head, std::uint64_t fileSize);
// The columns the field descriptors of a whole header (h.HeaderLength bytes) describe, names in the
// code page given; throws EDatabaseError naming the file for anything that does not fit.
std::vector<TColumn> ParseColumns(const std::string& path, const std::string& headerBytes, const THeader& h,
                                  const TCodePage& text);

// The column that keeps a requested field.
TColumn ColumnFor(const TFieldDef& def);
// A dBase III header (ending with its terminator, without rows) for the columns under the names given.
std::string BuildHeader(const std::vector<TColumn>& columns, const std::vector<std::string>& names);
// Sets the row count in a header read from a file and dates it today, keeping every other byte of it.
void UpdateHeaderCount(std::string& header, std::uint32_t count);
// The file a header read from a file starts an empty table with: no rows, no production index.
std::string EmptyTableFile(std::string header);
// Whether a table of that header keeps a .dbt memo file that emptying it writes anew.
bool HasDbaseMemoFile(const std::string& header);

// Values of columns kept in the record (not memos), text in the code page given: Decode reads
// c.Length bytes at field, Encode fills them and throws EVariantError when the value does not
// convert or does not fit (message without the file name).
TVariant DecodeValue(const TColumn& c, const char* field, const TCodePage& text);
void EncodeValue(const TColumn& c, const TVariant& value, char* out, const TCodePage& text);

// The data of a memo as the value of its column (NULL when empty).
TVariant DecodeMemo(const TColumn& c, const std::string& data, const TCodePage& text);
// The data a non-NULL value of a memo column stores; throws EVariantError as EncodeValue.
std::string MemoData(const TColumn& c, const TVariant& value, const TCodePage& text);
// The memo block a memo column's field points to; 0 for none.
std::uint32_t MemoBlockOf(const TColumn& c, const char* field);
// Writes a pointer to the memo block into a memo column's field.
void PutMemoBlock(const TColumn& c, std::uint32_t block, char* out);

// A memo file's header (MemoHeaderSize bytes at head) for a table of that version.
struct TMemoHeader {
    std::uint32_t BlockSize = Dbase3MemoBlock;
    std::uint32_t NextBlock = 1; // first free block, as the header says
};
TMemoHeader ParseMemoHeader(const char* head, std::uint8_t version);
// The header block of a new .dbt file.
std::string EmptyMemoFile();
// Writes the first free block into the bytes at the start of a memo file.
void PutMemoNextBlock(char* head, std::uint32_t block);

// A memo block's head (MemoHeadSize bytes at head; zero beyond the file's end).
struct TMemoHead {
    bool Counted = false;     // false: a dBase III memo without a head, running to its end mark
    bool Damaged = false;     // a length shorter than the head
    std::uint32_t Length = 0; // of the data after the head
};
TMemoHead ParseMemoHead(const char* head, bool fox);
// The blocks that store data in a memo file of that block size for a table of that version.
std::string MemoBlocks(const std::string& data, std::uint32_t blockSize, std::uint8_t version);

} // namespace dbf

} // namespace tarvik
