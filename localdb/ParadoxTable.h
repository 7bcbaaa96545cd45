#pragma once
// A Paradox 7 table: the .db data file, the .mb file for memos and blobs, and the .px primary index
// of a keyed table. Rows are read block by block; appended rows go to the last block and new blocks
// at the end of the file, written in batches. A keyed table keeps its rows in key order: once a row
// is posted it holds all rows in memory and writes the table afresh (data file and index) on flush.
// Text is in the code page the header names (1250 in the tables we create).
#include "localdb/LocalTable.h"
#include "localdb/ParadoxFormat.h"
#include "localdb/TableFile.h"

namespace tarvik {

class TParadoxTable : public TLocalTable {
public:
    // Creates (replaces) the table files; see TLocalTable::Create.
    static void CreateFile(const std::string& path, const TFieldDefs& fields, const TIndexDefs& indexes);
    // Opens the table; throws EDatabaseError naming the file for a missing, locked or invalid table.
    TParadoxTable(const std::string& path, TOpenMode mode);
    ~TParadoxTable() override;

    std::int64_t RecordCount() const override { return FHeader.NumRecords; }

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
    void LoadBlock(std::uint16_t number);
    void SkipEmptyBlocks();
    const unsigned char* CurrentRecord() const;
    std::string ReadBlob(const paradox::TField& field, const unsigned char* record) const;
    std::string ReadMb(std::uint64_t offset, std::size_t size) const;

    void EncodeFixed(std::vector<TVariant>& row);
    void EncodeBlobs(const std::vector<TVariant>& row);
    paradox::TBlobRef StoreBlob(const std::string& data);
    void AppendRecord(const std::vector<TVariant>& row);
    void StartNewBlock();
    void InsertKeyed(const std::vector<TVariant>& row);
    void FlushMb();
    std::vector<std::string> LoadAllRecords();
    void WriteBlocks();
    void NoteFlushedSizes();
    void CheckUnchangedOnDisk();
    void RewriteTable(const std::vector<std::string>& records, bool freshMb);
    bool HasPendingWrites() const { return FDirty || !FMbPending.empty(); }

    std::string FPath;
    TOpenMode FMode;
    paradox::THeader FHeader;
    const TCodePage* FText = nullptr; // the code page FHeader names
    bool FKnownCodePage = true;       // false: FText stands in for one we lack, and rows are refused
    std::string FHeaderBytes;
    TFile FDb;
    TFile FMb;
    std::string FMbPath;
    bool FHasBlobs = false;

    // Reading position.
    std::vector<unsigned char> FBlock;
    std::uint16_t FBlockNo = 0;
    std::uint32_t FBlockRecords = 0;
    std::uint32_t FRecIndex = 0;
    std::uint32_t FVisited = 0;
    std::uint64_t FPhysicalBlocks = 0;
    bool FEof = true;

    // Appending: FWriteBuf holds consecutive blocks from FWriteFirst, the last one being the table's
    // last block (FTailCount rows); memo blocks wait in FMbPending until the next flush. FOldTail is
    // the former last block when it does not lie just before the new ones (tables of other programs).
    // A flush writes new blocks first and only then the existing blocks that point at them, and cuts
    // the files back to their flushed sizes when that fails, so a full disk never breaks the chain.
    std::string FRecord;
    std::uint32_t FRecordsPerBlock = 0;
    std::string FWriteBuf;
    std::uint16_t FWriteFirst = 0;
    std::uint32_t FTailCount = 0;
    std::string FOldTail;
    std::uint16_t FOldTailNo = 0;
    std::uint16_t FDiskBlocks = 0;    // blocks the file held at the last flush
    std::uint32_t FDiskRecords = 0;   // and rows
    std::uint64_t FDbFlushedSize = 0; // file sizes at the last flush
    std::uint64_t FMbFlushedSize = 0;
    bool FDirty = false;
    std::string FMbPending;
    std::uint64_t FMbEnd = 0;

    // Keyed tables once written to: every row in key order.
    bool FKeyedLoaded = false;
    std::vector<std::string> FRecords;
};

} // namespace tarvik
