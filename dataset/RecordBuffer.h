#pragma once
// The record buffers of a dataset over a result set: one byte area per record holding a slot
// per column (value bytes, then a null-flag byte), the record info and the calculated fields.
// A blob slot's value lives in a memory stream the buffer owns; the bookmark has its own area.
#include "core/FieldType.h"
#include "core/MemoryStream.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tarvik {

// Room a column of the type takes in a record: value bytes plus the flag byte (ftString: room
// for size characters of UTF-8, up to four bytes each, its zero byte and the flag; blobs: a
// stream reference and the flag).
int SlotWidth(TFieldType type, int size);

enum TBookmarkFlag : std::uint8_t { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TUpdateStatus : std::uint8_t { usUnmodified, usModified, usInserted, usDeleted };

// Bookmark reference, bookmark flag, update status, former cache index.
constexpr int RecInfoSize = static_cast<int>(sizeof(void*)) + 1 + 1 + 4;

// Where things lie in every record buffer of one open dataset.
struct TRecordLayout {
    std::vector<int> SlotOffsets; // one per column, in column order
    std::vector<int> SlotWidths;
    std::vector<TFieldType> Types;
    int RecInfoOffset = 0;
    int CalcFieldsOffset = 0;
    int RecordSize = 0;
    int BookmarkSize = 0;

    // Slots for the columns, then the record info, then calcFieldsSize bytes.
    static TRecordLayout Compute(const std::vector<TFieldType>& types, const std::vector<int>& sizes,
                                 int calcFieldsSize, int bookmarkSize);
    bool IsBlob(int column) const;
};

class TRecordBuffer {
public:
    // A zero-filled record with an empty stream for each blob column and a zero bookmark; keeps
    // the layout alive, so a buffer stays usable whatever the dataset does meanwhile.
    explicit TRecordBuffer(std::shared_ptr<const TRecordLayout> layout);

    char* Data() { return FData.data(); }
    const char* Data() const { return FData.data(); }
    std::size_t Size() const { return FData.size(); }
    // The slot of a 1-based column.
    char* Slot(int column) {
        return FData.data() + FLayout->SlotOffsets.at(static_cast<std::size_t>(column - 1));
    }
    // The stream of a 1-based blob column; throws std::out_of_range for other columns.
    TMemoryStream& Stream(int column);
    const TMemoryStream& Stream(int column) const;
    std::vector<char>& Bookmark() { return FBookmark; }
    const std::vector<char>& Bookmark() const { return FBookmark; }

    const TRecordLayout& Layout() const { return *FLayout; }
    // Copies every column (a blob's stream content into this buffer's own stream) with its flag
    // and the calculated fields; with the bookmark also the bookmark bytes and flag. Update status
    // and former cache index stay. Both buffers must share the layout.
    void CopyFrom(const TRecordBuffer& source, bool withBookmark);

    TBookmarkFlag BookmarkFlag() const;
    void SetBookmarkFlag(TBookmarkFlag flag);
    TUpdateStatus UpdateStatus() const;
    void SetUpdateStatus(TUpdateStatus status);
    std::int32_t FormerCacheIndex() const;
    void SetFormerCacheIndex(std::int32_t index);

private:
    char* Info() { return FData.data() + FLayout->RecInfoOffset; }
    const char* Info() const { return FData.data() + FLayout->RecInfoOffset; }

    std::shared_ptr<const TRecordLayout> FLayout;
    std::vector<char> FData;
    std::vector<char> FBookmark;
    std::vector<std::unique_ptr<TMemoryStream>> FStreams; // by column; null for other columns
};

} // namespace tarvik
