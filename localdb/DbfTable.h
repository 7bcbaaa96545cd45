#pragma once
// A dBase III table: the .dbf file (language driver byte 0xC8 for code page 1250) and its .dbt memo
// file, readable by any dBase reader. Rows are read in chunks and appended in batches; deleted rows
// are skipped. Files of dBase IV (memo blocks with a length) open too, and FoxPro and Visual FoxPro
// files (.fpt memos; integer, currency, date-time, double, binary and general columns) are read,
// but not written. dBase 7 and the other variants are refused as unsupported. Text is read and appended in
// the code page the language driver byte names (437, 850, 852, 1250, 1252; 1250 when it names
// none); a table of another language driver is read as 1250 and takes no new rows.
#include "localdb/Codepage.h"
#include "localdb/DbfFormat.h"
#include "localdb/LocalTable.h"
#include "localdb/TableFile.h"

namespace tarvik {

class TDbfTable : public TLocalTable {
public:
    // Creates (replaces) the table files; see TLocalTable::Create.
    static void CreateFile(const std::string& path, const TFieldDefs& fields);
    // Opens the table; throws EDatabaseError naming the file for a missing, locked or invalid table.
    TDbfTable(const std::string& path, TOpenMode mode);
    ~TDbfTable() override;

    std::int64_t RecordCount() const override { return FRecordCount + FPendingRecords; }

protected:
    void DoFirst() override;
    void DoNext() override;
    bool DoEof() const override { return FEof; }
    TVariant DoValue(int index) const override;
    void DoPost(std::vector<TVariant>& row) override;
    void DoEmpty() override;
    void DoFlush() override;
    void DoClose() noexcept override;

private:
    void OpenFiles();
    void Advance();
    const char* CurrentRecord() const;
    std::string ReadMemo(const dbf::TColumn& column, const char* field) const;
    // Queues data in new memo blocks; returns the first of them.
    std::uint32_t StoreMemo(const std::string& data);
    void EncodeField(const dbf::TColumn& column, const TVariant& value, char* out);
    std::int64_t NextAutoInc(std::size_t index);
    [[noreturn]] void RaiseReadOnlyVariant() const;
    void Rewrite();

    std::string FPath;
    TOpenMode FMode;
    std::string FHeaderBytes;
    std::vector<dbf::TColumn> FColumns;
    std::uint16_t FHeaderLength = 0;
    std::uint16_t FRecordLength = 0;
    std::uint32_t FRecordCount = 0;       // rows on disk
    const TCodePage* FCodePage = nullptr; // of the text; 1250 unless the language driver names another
    int FCodePageNumber = 0;              // 0: none named, -1: a driver we lack
    TFile FDbf;
    TFile FDbt;
    std::uint32_t FMemoBlockSize = 512;
    bool FFoxMemo = false;         // the memo file is a FoxPro .fpt
    bool FReadOnlyVariant = false; // FoxPro or columns of types we read but do not write

    // Reading: a chunk of whole rows from FChunkFirst.
    std::vector<char> FChunk;
    std::uint32_t FChunkFirst = 0;
    std::uint32_t FChunkRows = 0;
    std::uint32_t FRecNo = 0;
    bool FEof = true;

    // Appending.
    std::string FPending;
    std::uint32_t FPendingRecords = 0;
    std::string FMemoPending;
    std::uint32_t FMemoNext = 1; // next free memo block
    std::uint32_t FMemoFlushed = 1;
    std::vector<std::int64_t> FAutoInc; // per column, -1 until known
};

} // namespace tarvik
