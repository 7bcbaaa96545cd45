#include "localdb/ParadoxTable.h"

#include "core/Text.h"
#include "localdb/Bytes.h"
#include "localdb/Codepage.h"

#include <algorithm>
#include <cstring>

namespace tarvik {

using namespace bytes;
using namespace paradox;

namespace {

constexpr std::size_t MaxFieldName = 25;
constexpr std::size_t FlushThreshold = 1 << 20;
constexpr std::uint16_t MaxBlocks = 0xFFFF;

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool HasBlobs(const THeader& h) {
    return std::any_of(h.Fields.begin(), h.Fields.end(), [](const TField& f) { return IsBlob(f.Type); });
}

// Number of leading fields the primary index covers; it must name the leading fields in order, and
// none of their columns may be kept in the memo file.
std::uint16_t PrimaryKeyFields(const std::string& path, const TFieldDefs& fields,
                               const std::vector<TField>& columns, const TIndexDefs& indexes) {
    for (const TIndexDef& index : indexes) {
        if (!index.Primary) continue;
        std::size_t count = 0, start = 0;
        const std::string list = index.Fields;
        while (start <= list.size()) {
            const std::size_t end = std::min(list.find(';', start), list.size());
            const std::string name = list.substr(start, end - start);
            start = end + 1;
            if (name.empty()) continue;
            if (count >= fields.size() || !SameTextAscii(fields[count].Name, name))
                RaiseFileError(path,
                               "the primary index '" + index.Name + "' must consist of the leading fields");
            if (IsBlob(columns[count].Type))
                RaiseFileError(path,
                               "field '" + name + "' is kept as a memo or blob and cannot be part of a key");
            ++count;
        }
        if (count == 0) RaiseFileError(path, "the primary index '" + index.Name + "' has no fields");
        return static_cast<std::uint16_t>(count);
    }
    return 0;
}

std::uint16_t RecordsPerBlock(const THeader& h, std::uint32_t recordSize) {
    return static_cast<std::uint16_t>((h.BlockSize() - BlockHeaderSize) / recordSize);
}

void PutBlockHeader(unsigned char* p, std::uint16_t next, std::uint16_t prev, std::uint32_t count,
                    std::uint32_t recordSize) {
    PutU16(p, next);
    PutU16(p + 2, prev);
    PutU16(p + 4, static_cast<std::uint16_t>(static_cast<std::int16_t>((static_cast<int>(count) - 1) *
                                                                       static_cast<int>(recordSize))));
}

struct TBlockInfo {
    std::uint16_t Number;
    std::size_t FirstRecord;
    std::uint32_t Count;
};

// Lays records out in fully packed, chained blocks; updates the block counts in the header.
std::string BuildBlocks(THeader& h, const std::vector<std::string>& records,
                        std::vector<TBlockInfo>& blocks) {
    const std::uint16_t per = RecordsPerBlock(h, h.RecordSize);
    const std::size_t count = (records.size() + per - 1) / per;
    if (count > MaxBlocks) throw EDatabaseError("the table is full");
    std::string data(count * h.BlockSize(), '\0');
    for (std::size_t b = 0; b < count; ++b) {
        auto* p = reinterpret_cast<unsigned char*>(data.data()) + b * h.BlockSize();
        const std::size_t first = b * per;
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(per, records.size() - first));
        PutBlockHeader(p, static_cast<std::uint16_t>(b + 1 < count ? b + 2 : 0),
                       static_cast<std::uint16_t>(b), n, h.RecordSize);
        for (std::uint32_t i = 0; i < n; ++i)
            std::memcpy(p + BlockHeaderSize + i * h.RecordSize, records[first + i].data(), h.RecordSize);
        blocks.push_back(TBlockInfo{static_cast<std::uint16_t>(b + 1), first, n});
    }
    h.NumRecords = static_cast<std::uint32_t>(records.size());
    h.FileBlocks = static_cast<std::uint16_t>(count);
    h.FirstBlock = count ? 1 : 0;
    h.LastBlock = static_cast<std::uint16_t>(count);
    return data;
}

// The primary index: one entry per data block, holding the block's first key, its number and its
// row count, in single-level chained index blocks.
std::string BuildIndex(const THeader& data, const std::vector<std::string>& records,
                       const std::vector<TBlockInfo>& blocks) {
    THeader ix;
    ix.FileType = ftPrimaryIndex;
    ix.MaxTableSize = data.MaxTableSize;
    ix.KeyFields = data.KeyFields;
    ix.TableName = data.TableName;
    ix.Fields.assign(data.Fields.begin(), data.Fields.begin() + data.KeyFields);
    for (int i = 0; i < 3; ++i)
        ix.Fields.push_back(TField{pxShort, 2, {}, 0});
    const std::uint32_t keySize = data.KeySize();
    const std::uint32_t entrySize = keySize + 6;
    const std::uint16_t per = RecordsPerBlock(ix, entrySize);
    const std::size_t count = (blocks.size() + per - 1) / per;
    ix.NumRecords = static_cast<std::uint32_t>(blocks.size());
    ix.FileBlocks = static_cast<std::uint16_t>(count);
    ix.FirstBlock = ix.IndexRoot = count ? 1 : 0;
    ix.LastBlock = static_cast<std::uint16_t>(count);
    ix.IndexLevels = count ? 1 : 0;
    std::string file = BuildHeader(ix);
    std::string body(count * ix.BlockSize(), '\0');
    for (std::size_t b = 0; b < count; ++b) {
        auto* p = reinterpret_cast<unsigned char*>(body.data()) + b * ix.BlockSize();
        const std::size_t first = b * per;
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(per, blocks.size() - first));
        PutBlockHeader(p, static_cast<std::uint16_t>(b + 1 < count ? b + 2 : 0),
                       static_cast<std::uint16_t>(b), n, entrySize);
        for (std::uint32_t i = 0; i < n; ++i) {
            const TBlockInfo& info = blocks[first + i];
            unsigned char* e = p + BlockHeaderSize + i * entrySize;
            std::memcpy(e, records[info.FirstRecord].data(), keySize);
            PutShortValue(e + keySize, static_cast<std::int16_t>(info.Number));
            PutShortValue(e + keySize + 2, static_cast<std::int16_t>(info.Count));
            PutShortValue(e + keySize + 4, 0);
        }
    }
    return file + body;
}

// Secondary indexes (.Xnn and .Ynn, nn hexadecimal or G and a digit), which we do not keep up.
bool IsSecondaryIndex(const std::string& ext) {
    return ext.size() == 3 && (ext[0] == 'x' || ext[0] == 'y') &&
           ((IsAsciiHexDigit(ext[1]) && IsAsciiHexDigit(ext[2])) || (ext[1] == 'g' && IsAsciiDigit(ext[2])));
}

// Companions that describe the definitions: validity checks, view settings, the family list.
bool IsStaleForNewTable(const std::string& ext) {
    return IsSecondaryIndex(ext) || ext == "val" || ext == "tv" || ext == "fam";
}

// Which companions a replacement removes besides the index and memo file it writes itself.
enum class TStale { None, Indexes, All };

// Writes the data file, the index of a keyed table and (when asked) a new empty memo file, all
// through the replacement, and lists the companions a replaced table had but this one does not.
void WriteTableFiles(TFileReplacement& files, const std::string& path, THeader& h,
                     const std::vector<std::string>& records, bool freshMb, TStale stale) {
    // A fresh memo file replaces the old one; otherwise the old memo file stays, rows point into it.
    std::vector<TBlockInfo> blocks;
    const std::string body = BuildBlocks(h, records, blocks);
    const std::string header = BuildHeader(h);
    TFile& db = files.Add(path);
    db.WriteAt(0, header.data(), header.size());
    db.WriteAt(header.size(), body.data(), body.size());
    for (const std::string& old : ExistingCompanions(path, ".px"))
        files.Remove(old);
    if (freshMb)
        for (const std::string& old : ExistingCompanions(path, ".mb"))
            files.Remove(old);
    if (stale != TStale::None)
        for (const std::string& old :
             CompanionsWhere(path, stale == TStale::All ? IsStaleForNewTable : IsSecondaryIndex))
            files.Remove(old);
    if (h.KeyFields > 0) {
        const std::string index = BuildIndex(h, records, blocks);
        files.Add(ChangeExtension(path, ".px")).WriteAt(0, index.data(), index.size());
    }
    if (freshMb && HasBlobs(h)) {
        const std::string mb = BuildMbHeader();
        files.Add(ChangeExtension(path, ".mb")).WriteAt(0, mb.data(), mb.size());
    }
}

// Cuts a file back after a failed write at its end; the write's error is the one to report.
void CutBack(TFile& file, std::uint64_t size) noexcept {
    try {
        file.Truncate(size);
    } catch (const EDatabaseError&) {
    }
}

int CompareKeys(const std::string& a, const std::string& b, std::uint32_t keySize) {
    return std::memcmp(a.data(), b.data(), keySize);
}

} // namespace

void TParadoxTable::CreateFile(const std::string& path, const TFieldDefs& fields, const TIndexDefs& indexes) {
    THeader h;
    h.TableName = BaseName(path);
    const std::vector<std::string> names = FitFieldNames(path, fields, MaxFieldName);
    std::uint32_t recordSize = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        h.Fields.push_back(ColumnFor(path, fields[i], names[i]));
        recordSize += h.Fields.back().Size;
    }
    h.RecordSize = static_cast<std::uint16_t>(recordSize);
    h.KeyFields = PrimaryKeyFields(path, fields, h.Fields, indexes);
    h.FileType = h.KeyFields ? ftKeyedData : ftUnkeyedData;
    h.MaxTableSize = recordSize + BlockHeaderSize <= 16 * 1024u ? 16 : 32;
    if (recordSize + BlockHeaderSize > h.BlockSize())
        RaiseFileError(path,
                       "a row of " + std::to_string(recordSize) + " bytes is too long for a Paradox table");
    TFileReplacement files;
    WriteTableFiles(files, path, h, {}, true, TStale::All);
    files.Commit();
}

TParadoxTable::TParadoxTable(const std::string& path, TOpenMode mode)
    : TLocalTable(path, {}), FPath(path), FMode(mode) {
    OpenFiles();
    TFieldDefs defs;
    for (const TField& f : FHeader.Fields)
        defs.push_back(DefinitionOf(f));
    SetFieldDefs(std::move(defs));
    DoFirst();
}

TParadoxTable::~TParadoxTable() {
    try {
        DoFlush();
    } catch (...) { // a destructor cannot report; Close reports the same failure
    }
    CloseQuietly();
}

void TParadoxTable::OpenFiles() {
    try {
        FDb = TFile(FPath, TFile::faReadWrite);
    } catch (const EDatabaseError&) {
        FDb = TFile(FPath, TFile::faRead);
    }
    FDb.Lock(FMode == TOpenMode::omExclusive);
    const std::uint64_t size = FDb.Size();
    std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(size, 0xFFFF)), '\0');
    FDb.ReadAt(0, bytes.data(), bytes.size());
    FHeader = ParseHeader(FPath, bytes, size);
    FText = &FHeader.Text();
    FKnownCodePage = FHeader.KnownCodePage();
    FHeaderBytes = bytes.substr(0, FHeader.HeaderSize);
    FBlock.assign(FHeader.BlockSize(), 0);
    FRecord.assign(FHeader.RecordSize, '\0');
    FRecordsPerBlock = RecordsPerBlock(FHeader, FHeader.RecordSize);
    FMb.Close();
    FMbPath.clear();
    FHasBlobs = HasBlobs(FHeader);
    if (FHasBlobs) {
        FMbPath = FindCompanion(FPath, ".mb");
        if (!FMbPath.empty()) {
            FMb = TFile(FMbPath, FDb.Writable() ? TFile::faReadWrite : TFile::faRead);
            FMbEnd = (FMb.Size() + MbBlockSize - 1) / MbBlockSize * MbBlockSize;
        }
    }
    FWriteBuf.clear();
    FWriteFirst = 0;
    FTailCount = 0;
    FOldTail.clear();
    NoteFlushedSizes();
    FDirty = false;
    FKeyedLoaded = false;
    FRecords.clear();
}

void TParadoxTable::DoFirst() {
    FEof = true;
    FVisited = 0;
    FPhysicalBlocks = (FDb.Size() - FHeader.HeaderSize) / FHeader.BlockSize();
    if (FHeader.FirstBlock == 0) return;
    LoadBlock(FHeader.FirstBlock);
    SkipEmptyBlocks();
}

void TParadoxTable::DoNext() {
    if (HasPendingWrites()) DoFlush();
    ++FRecIndex;
    SkipEmptyBlocks();
}

void TParadoxTable::LoadBlock(std::uint16_t number) {
    FEof = true;
    if (++FVisited > FPhysicalBlocks) Raise("not a valid Paradox table (the block chain loops)");
    if (number == 0 || number > FPhysicalBlocks)
        Raise("not a valid Paradox table (block " + std::to_string(number) +
              " lies beyond the end of the file)");
    FDb.ReadAt(FHeader.HeaderSize + std::uint64_t{number - 1u} * FHeader.BlockSize(), FBlock.data(),
               FBlock.size());
    const auto last = static_cast<std::int16_t>(GetU16(FBlock.data() + 4));
    FBlockRecords = 0;
    if (last >= 0) {
        if (last % FHeader.RecordSize != 0 ||
            last + FHeader.RecordSize + BlockHeaderSize > FHeader.BlockSize())
            Raise("not a valid Paradox table (block " + std::to_string(number) + " has a bad record count)");
        FBlockRecords = static_cast<std::uint32_t>(last / FHeader.RecordSize + 1);
    }
    FBlockNo = number;
    FRecIndex = 0;
    FEof = false;
}

void TParadoxTable::SkipEmptyBlocks() {
    while (!FEof && FRecIndex >= FBlockRecords) {
        const std::uint16_t next = GetU16(FBlock.data());
        if (next == 0) {
            FEof = true;
            return;
        }
        LoadBlock(next);
    }
}

const unsigned char* TParadoxTable::CurrentRecord() const {
    return FBlock.data() + BlockHeaderSize + FRecIndex * FHeader.RecordSize;
}

TVariant TParadoxTable::DoValue(int index) const {
    const TField& f = FHeader.Fields[static_cast<std::size_t>(index)];
    const unsigned char* record = CurrentRecord();
    try {
        if (!IsBlob(f.Type)) return DecodeValue(f, record + f.Offset, *FText);
        if (ReadBlobRef(f, record + f.Offset).Length == 0) return {};
        std::string data = ReadBlob(f, record + f.Offset);
        if (IsTextBlob(f.Type)) return FText->ToUtf8(data);
        return TBytes(data.begin(), data.end());
    } catch (const EVariantError& e) {
        Raise("field '" + f.Name + "': " + e.Message());
    }
}

std::string TParadoxTable::ReadMb(std::uint64_t offset, std::size_t size) const {
    std::string data(size, '\0');
    FMb.ReadAt(offset, data.data(), size);
    return data;
}

std::string TParadoxTable::ReadBlob(const TField& field, const unsigned char* p) const {
    const TBlobRef ref = ReadBlobRef(field, p);
    const std::uint32_t leader = field.Size - BlobPointerSize;
    auto bad = [&](const std::string& what) {
        Raise("damaged memo of field '" + field.Name + "' (" + what + ")");
    };
    if (ref.Offset == 0) {
        if (ref.Length > leader) bad("no memo block for " + std::to_string(ref.Length) + " bytes");
        return std::string(reinterpret_cast<const char*>(p), ref.Length);
    }
    if (!FMb.IsOpen()) Raise("the memo file (.mb) of this table is missing");
    const std::uint64_t mbSize = FMb.Size();
    const std::uint64_t block = ref.Offset & ~std::uint32_t{0xFF};
    const std::uint32_t slot = ref.Offset & 0xFF;
    if (block < MbBlockSize || block + 9 > mbSize || ref.Length > mbSize) bad("pointer beyond the memo file");
    if (slot == 0xFF) {
        const std::string head = ReadMb(block, 9);
        const auto* h = reinterpret_cast<const unsigned char*>(head.data());
        if (h[0] != 2 || GetU32(h + 3) != ref.Length || block + 9 + ref.Length > mbSize ||
            std::uint64_t{GetU16(h + 1)} * MbBlockSize < 9u + ref.Length)
            bad("block header does not match");
        return ReadMb(block + 9, ref.Length);
    }
    constexpr std::uint32_t tableEnd = 12 + 64 * 5;
    if (slot >= 64 || block + MbBlockSize > mbSize) bad("bad sub-block index");
    const std::string sub = ReadMb(block, MbBlockSize);
    const auto* s = reinterpret_cast<const unsigned char*>(sub.data());
    const std::uint32_t start = s[12 + slot * 5] * 16u;
    if (s[0] != 3 || start < tableEnd || start + ref.Length > MbBlockSize) bad("bad sub-block entry");
    return sub.substr(start, ref.Length);
}

void TParadoxTable::EncodeFixed(std::vector<TVariant>& row) {
    auto* record = reinterpret_cast<unsigned char*>(FRecord.data());
    for (std::size_t i = 0; i < FHeader.Fields.size(); ++i) {
        const TField& f = FHeader.Fields[i];
        try {
            if (f.Type == pxAutoInc) {
                if (row[i].IsNull()) row[i] = static_cast<std::int64_t>(FHeader.AutoInc + 1);
                const std::int64_t v = row[i].AsInteger();
                EncodeValue(f, row[i], record + f.Offset, *FText);
                if (v > static_cast<std::int64_t>(FHeader.AutoInc))
                    FHeader.AutoInc = static_cast<std::uint32_t>(v);
            } else if (IsBlob(f.Type))
                std::memset(record + f.Offset, 0, f.Size);
            else
                EncodeValue(f, row[i], record + f.Offset, *FText);
        } catch (const EVariantError& e) {
            Raise("field '" + f.Name + "': " + e.Message());
        }
    }
}

void TParadoxTable::EncodeBlobs(const std::vector<TVariant>& row) {
    if (!FHasBlobs) return;
    auto* record = reinterpret_cast<unsigned char*>(FRecord.data());
    for (std::size_t i = 0; i < FHeader.Fields.size(); ++i) {
        const TField& f = FHeader.Fields[i];
        if (!IsBlob(f.Type) || row[i].IsNull()) continue;
        std::string data;
        try {
            if (IsTextBlob(f.Type))
                data = FText->FromUtf8(row[i].AsText());
            else {
                const TBytes bytes = row[i].AsBytes();
                data.assign(bytes.begin(), bytes.end());
            }
        } catch (const EVariantError& e) {
            Raise("field '" + f.Name + "': " + e.Message());
        }
        if (data.empty()) continue;
        const std::uint32_t leader = f.Size - BlobPointerSize;
        std::memcpy(record + f.Offset, data.data(), std::min<std::size_t>(leader, data.size()));
        const TBlobRef ref =
            data.size() <= leader ? TBlobRef{0, static_cast<std::uint32_t>(data.size()), 0} : StoreBlob(data);
        WriteBlobRef(f, ref, record + f.Offset);
    }
}

TBlobRef TParadoxTable::StoreBlob(const std::string& data) {
    if (!FMb.IsOpen()) Raise("the memo file (.mb) of this table is missing");
    if (data.size() > 0xFFFFu * MbBlockSize - 9)
        Raise("a memo of " + std::to_string(data.size()) + " bytes is too long");
    if (FMbEnd + data.size() + MbBlockSize > 0xFFFFFF00u) Raise("the memo file is full");
    const std::string block = BuildMbBlobBlock(data, 1);
    const TBlobRef ref{static_cast<std::uint32_t>(FMbEnd) | 0xFF, static_cast<std::uint32_t>(data.size()), 1};
    FMbPending += block;
    FMbEnd += block.size();
    return ref;
}

void TParadoxTable::DoPost(std::vector<TVariant>& row) {
    if (!FDb.Writable()) Raise("the table is open read-only");
    if (!FKnownCodePage)
        Raise("rows cannot be added: the table's code page " + std::to_string(FHeader.CodePage) +
              " is not supported");
    const std::uint32_t autoInc = FHeader.AutoInc;
    try {
        EncodeFixed(row);
        if (FHeader.KeyFields > 0)
            InsertKeyed(row);
        else
            AppendRecord(row);
    } catch (...) {
        FHeader.AutoInc = autoInc;
        throw;
    }
    FDirty = true;
    if (FWriteBuf.size() >= FlushThreshold || FMbPending.size() >= FlushThreshold) DoFlush();
}

void TParadoxTable::StartNewBlock() {
    const std::uint32_t blockSize = FHeader.BlockSize();
    if (FHeader.FileBlocks >= MaxBlocks) Raise("the table is full");
    const auto number = static_cast<std::uint16_t>(FHeader.FileBlocks + 1);
    if (!FWriteBuf.empty()) {
        PutU16(reinterpret_cast<unsigned char*>(FWriteBuf.data()) + FWriteBuf.size() - blockSize, number);
        if (FWriteFirst + FWriteBuf.size() / blockSize != number) {
            // Only the table's former last block can lie elsewhere; it is written after the new ones.
            FOldTail.swap(FWriteBuf);
            FOldTailNo = FWriteFirst;
            FWriteBuf.clear();
        }
    }
    if (FWriteBuf.empty()) FWriteFirst = number;
    FWriteBuf.append(blockSize, '\0');
    PutBlockHeader(reinterpret_cast<unsigned char*>(FWriteBuf.data()) + FWriteBuf.size() - blockSize, 0,
                   FHeader.LastBlock, 0, FHeader.RecordSize);
    if (FHeader.FirstBlock == 0) FHeader.FirstBlock = number;
    FHeader.LastBlock = number;
    FHeader.FileBlocks = number;
    FTailCount = 0;
}

void TParadoxTable::AppendRecord(const std::vector<TVariant>& row) {
    const std::uint32_t blockSize = FHeader.BlockSize();
    if (FWriteBuf.empty() && FHeader.LastBlock != 0) {
        // Continue the table's last block: keep it in memory until it is written back.
        FPhysicalBlocks = (FDb.Size() - FHeader.HeaderSize) / blockSize;
        FVisited = 0;
        LoadBlock(FHeader.LastBlock);
        FWriteBuf.assign(reinterpret_cast<const char*>(FBlock.data()), blockSize);
        FWriteFirst = FHeader.LastBlock;
        FTailCount = FBlockRecords;
        FEof = true;
    }
    if (FWriteBuf.empty() || FTailCount >= FRecordsPerBlock) StartNewBlock();
    EncodeBlobs(row);
    auto* tail = reinterpret_cast<unsigned char*>(FWriteBuf.data()) + FWriteBuf.size() - blockSize;
    std::memcpy(tail + BlockHeaderSize + FTailCount * FHeader.RecordSize, FRecord.data(), FHeader.RecordSize);
    ++FTailCount;
    PutBlockHeader(tail, 0, GetU16(tail + 2), FTailCount, FHeader.RecordSize);
    ++FHeader.NumRecords;
}

std::vector<std::string> TParadoxTable::LoadAllRecords() {
    std::vector<std::string> records;
    records.reserve(FHeader.NumRecords < 1000000 ? FHeader.NumRecords : 0);
    for (DoFirst(); !FEof; ++FRecIndex, SkipEmptyBlocks())
        records.emplace_back(reinterpret_cast<const char*>(CurrentRecord()), FHeader.RecordSize);
    return records;
}

void TParadoxTable::InsertKeyed(const std::vector<TVariant>& row) {
    const std::uint32_t keySize = FHeader.KeySize();
    if (!FKeyedLoaded) {
        FRecords = LoadAllRecords();
        std::stable_sort(FRecords.begin(), FRecords.end(), [&](const std::string& a, const std::string& b) {
            return CompareKeys(a, b, keySize) < 0;
        });
        FKeyedLoaded = true;
    }
    auto at = std::lower_bound(
        FRecords.begin(), FRecords.end(), FRecord,
        [&](const std::string& a, const std::string& b) { return CompareKeys(a, b, keySize) < 0; });
    if (at != FRecords.end() && CompareKeys(*at, FRecord, keySize) == 0)
        Raise("key violation: a row with the same key already exists");
    EncodeBlobs(row);
    FRecords.insert(at, FRecord);
    ++FHeader.NumRecords;
}

void TParadoxTable::NoteFlushedSizes() {
    FDiskBlocks = FHeader.FileBlocks;
    FDiskRecords = FHeader.NumRecords;
    FDbFlushedSize = FDb.Size();
    FMbFlushedSize = FMb.IsOpen() ? FMb.Size() : 0;
}

void TParadoxTable::FlushMb() {
    if (FMbPending.empty()) return;
    try {
        FMb.WriteAt(FMbEnd - FMbPending.size(), FMbPending.data(), FMbPending.size());
    } catch (const EDatabaseError&) {
        CutBack(FMb, FMbFlushedSize);
        throw;
    }
    FMbPending.clear();
    FMbFlushedSize = FMbEnd;
}

void TParadoxTable::WriteBlocks() {
    const std::uint32_t blockSize = FHeader.BlockSize();
    auto at = [&](std::uint32_t block) { return FHeader.HeaderSize + std::uint64_t{block - 1u} * blockSize; };
    FlushMb();
    // The buffer's leading blocks that are already in the file are rewritten only once the blocks
    // they now point at are written.
    const std::size_t count = FWriteBuf.size() / blockSize;
    const std::size_t existing =
        FWriteFirst <= FDiskBlocks ? std::min<std::size_t>(FDiskBlocks - FWriteFirst + 1u, count) : 0;
    try {
        FDb.WriteAt(at(static_cast<std::uint32_t>(FWriteFirst + existing)),
                    FWriteBuf.data() + existing * blockSize, (count - existing) * blockSize);
    } catch (const EDatabaseError&) {
        CutBack(FDb, FDbFlushedSize);
        throw;
    }
    if (existing) FDb.WriteAt(at(FWriteFirst), FWriteBuf.data(), existing * blockSize);
    if (!FOldTail.empty()) {
        FDb.WriteAt(at(FOldTailNo), FOldTail.data(), FOldTail.size());
        FOldTail.clear();
    }
    FWriteBuf.erase(0, FWriteBuf.size() - blockSize);
    FWriteFirst = FHeader.LastBlock;
}

void TParadoxTable::CheckUnchangedOnDisk() {
    unsigned char head[0x12];
    FDb.ReadAt(0, head, sizeof head);
    if (!FDb.IsAt(FPath) || GetU32(head + 6) != FDiskRecords || GetU16(head + 0x0C) != FDiskBlocks)
        Raise("the table was changed by another user since this one read it; reopen it to add rows");
}

void TParadoxTable::DoFlush() {
    if (!FDb.IsOpen() || (!FDirty && FMbPending.empty())) return;
    // Writers of a shared table take turns, and one that finds the table changed writes nothing.
    TWritersLock lock(FDb);
    CheckUnchangedOnDisk();
    if (FKeyedLoaded) {
        RewriteTable(FRecords, false);
        return;
    }
    FlushMb();
    if (!FWriteBuf.empty()) WriteBlocks();
    UpdateHeaderCounts(FHeaderBytes, FHeader);
    FDb.WriteAt(0, FHeaderBytes.data(), FHeaderBytes.size());
    NoteFlushedSizes();
    FDirty = false;
}

void TParadoxTable::RewriteTable(const std::vector<std::string>& records, bool freshMb) {
    if (!FDb.Writable()) Raise("the table is open read-only");
    if (freshMb)
        FMbPending.clear();
    else
        FlushMb();
    THeader h = FHeader;
    h.Version = Version7;
    TFileReplacement files;
    // Emptying (a fresh memo file) leaves no row the secondary indexes could point at.
    WriteTableFiles(files, FPath, h, records, freshMb, freshMb ? TStale::Indexes : TStale::None);
    files.Commit();
    FDb.Close();
    FMb.Close();
    OpenFiles();
    FEof = true;
}

void TParadoxTable::DoEmpty() {
    if (FMode != TOpenMode::omExclusive) Raise("emptying a table needs it opened exclusively");
    FWriteBuf.clear();
    FOldTail.clear();
    FRecords.clear();
    FKeyedLoaded = false;
    FDirty = false;
    RewriteTable({}, true);
}

void TParadoxTable::DoClose() noexcept {
    FDb.Close();
    FMb.Close();
    FEof = true;
}

} // namespace tarvik
