#include "localdb/DbfTable.h"

#include "localdb/Bytes.h"

#include <algorithm>
#include <cstring>

namespace tarvik {

using namespace dbf;

namespace {

constexpr std::size_t ChunkBytes = 1 << 16;
constexpr std::size_t FlushThreshold = 1 << 20;

// The memo and index files of a table (written anew or gone when it is replaced or emptied).
bool IsReplacedCompanion(const std::string& ext) {
    return ext == "dbt" || ext == "fpt" || ext == "mdx" || ext == "ndx" || ext == "cdx";
}

// Writes header (with no rows) and a fresh memo file through the replacement.
void WriteEmptyTable(TFileReplacement& files, const std::string& path, const std::string& header) {
    const std::string file = EmptyTableFile(header);
    files.Add(path).WriteAt(0, file.data(), file.size());
    for (const std::string& old : CompanionsWhere(path, IsReplacedCompanion))
        files.Remove(old);
    if (HasDbaseMemoFile(file)) {
        const std::string dbt = EmptyMemoFile();
        files.Add(ChangeExtension(path, ".dbt")).WriteAt(0, dbt.data(), dbt.size());
    }
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
    std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(size, PrefixSize)), '\0');
    FDbf.ReadAt(0, head.data(), head.size());
    const THeader h = ParsePrefix(FPath, head, size);
    FRecordCount = h.RecordCount;
    FHeaderLength = h.HeaderLength;
    FRecordLength = h.RecordLength;
    FHeaderBytes.assign(FHeaderLength, '\0');
    FDbf.ReadAt(0, FHeaderBytes.data(), FHeaderLength);
    FCodePageNumber = h.CodePage;
    const TCodePage* page = TCodePage::Find(FCodePageNumber);
    FCodePage = page ? page : &TCodePage::Windows1250();

    FColumns = ParseColumns(FPath, FHeaderBytes, h, *FCodePage);
    FReadOnlyVariant =
        IsFoxPro(h.Version) || std::any_of(FColumns.begin(), FColumns.end(),
                                           [](const TColumn& c) { return !IsWrittenType(c.Type); });

    FDbt.Close();
    FMemoBlockSize = Dbase3MemoBlock;
    FFoxMemo = IsFoxPro(h.Version);
    if (std::any_of(FColumns.begin(), FColumns.end(), [](const TColumn& c) { return c.Memo; })) {
        const std::string dbt = FindCompanion(FPath, FFoxMemo ? ".fpt" : ".dbt");
        if (!dbt.empty()) {
            FDbt = TFile(dbt, FDbf.Writable() ? TFile::faReadWrite : TFile::faRead);
            const std::uint64_t dbtSize = FDbt.Size();
            if (dbtSize < MemoHeaderSize) RaiseFileError(dbt, "not a valid memo file (too short)");
            char mh[MemoHeaderSize];
            FDbt.ReadAt(0, mh, sizeof mh);
            const TMemoHeader memo = ParseMemoHeader(mh, h.Version);
            FMemoBlockSize = memo.BlockSize;
            const auto used = static_cast<std::uint32_t>((dbtSize + FMemoBlockSize - 1) / FMemoBlockSize);
            FMemoNext = std::max({memo.NextBlock, used, std::uint32_t{1}});
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
        if (*CurrentRecord() != Deleted) return;
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
        if (!c.Memo) return DecodeValue(c, field, *FCodePage);
        return DecodeMemo(c, ReadMemo(c, field), *FCodePage);
    } catch (const EVariantError& e) {
        Raise("field '" + c.Def.Name + "': " + e.Message());
    }
}

std::string TDbfTable::ReadMemo(const TColumn& column, const char* field) const {
    const std::uint32_t block = MemoBlockOf(column, field);
    if (block == 0) return {};
    if (!FDbt.IsOpen())
        Raise(std::string("the memo file (") + (FFoxMemo ? ".fpt" : ".dbt") + ") of this table is missing");
    const std::uint64_t size = FDbt.Size();
    const std::uint64_t start = std::uint64_t{block} * FMemoBlockSize;
    // A dBase III memo has no head: it may be shorter than one, down to its end-of-text mark.
    if (start + (FFoxMemo ? MemoHeadSize : 1) > size)
        Raise("damaged memo of field '" + column.Def.Name + "' (pointer beyond the memo file)");
    char head[MemoHeadSize] = {};
    FDbt.ReadAt(start, head, static_cast<std::size_t>(std::min<std::uint64_t>(sizeof head, size - start)));
    std::string data;
    const TMemoHead memo = ParseMemoHead(head, FFoxMemo);
    if (memo.Counted) {
        if (memo.Damaged || start + MemoHeadSize + memo.Length > size)
            Raise("damaged memo of field '" + column.Def.Name + "'");
        data.resize(memo.Length);
        FDbt.ReadAt(start + MemoHeadSize, data.data(), data.size());
        return data;
    }
    // A dBase III memo runs to its end-of-text mark.
    char chunk[Dbase3MemoBlock];
    for (std::uint64_t at = start; at < size;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof chunk, size - at));
        FDbt.ReadAt(at, chunk, n);
        const void* end = std::memchr(chunk, FileEnd, n);
        if (end) return data.append(chunk, static_cast<const char*>(end) - chunk);
        data.append(chunk, n);
        at += n;
    }
    return data;
}

std::uint32_t TDbfTable::StoreMemo(const std::string& data) {
    if (!FDbt.IsOpen()) Raise("the memo file (.dbt) of this table is missing");
    const std::uint32_t block = FMemoNext;
    const std::string stored = MemoBlocks(data, FMemoBlockSize, static_cast<std::uint8_t>(FHeaderBytes[0]));
    if (std::uint64_t{FMemoNext} + stored.size() / FMemoBlockSize > 0xFFFFFFFFu)
        Raise("the memo file is full");
    FMemoPending += stored;
    FMemoNext += static_cast<std::uint32_t>(stored.size() / FMemoBlockSize);
    return block;
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
    if (c.Type != 'M') return EncodeValue(c, value, out, *FCodePage);
    std::memset(out, ' ', c.Length);
    if (value.IsNull()) return;
    const std::string data = MemoData(c, value, *FCodePage);
    if (!data.empty()) PutMemoBlock(c, StoreMemo(data), out);
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
    FDbf.ReadAt(RecordCountAt, count, sizeof count);
    if (!FDbf.IsAt(FPath) || bytes::GetU32(count) != FRecordCount)
        Raise("the table was changed by another user since this one read it; reopen it to add rows");
    if (!FMemoPending.empty()) {
        FDbt.WriteAt(std::uint64_t{FMemoFlushed} * FMemoBlockSize, FMemoPending.data(), FMemoPending.size());
        char next[4];
        PutMemoNextBlock(next, FMemoNext);
        FDbt.WriteAt(0, next, sizeof next);
        FMemoPending.clear();
        FMemoFlushed = FMemoNext;
    }
    const std::uint64_t end = FHeaderLength + std::uint64_t{FRecordCount} * FRecordLength;
    const char eof = FileEnd;
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
    UpdateHeaderCount(FHeaderBytes, FRecordCount);
    FDbf.WriteAt(0, FHeaderBytes.data(), CountsSize);
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

} // namespace tarvik
