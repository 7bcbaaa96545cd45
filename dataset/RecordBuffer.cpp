#include "dataset/RecordBuffer.h"

#include "dataset/Field.h"

#include <cstring>
#include <stdexcept>

namespace tarvik {

int SlotWidth(TFieldType type, int size) {
    switch (type) {
    case ftString:
        return MaxCharBytes * size + 2;
    case ftFloat:
    case ftLargeint:
    case ftDate:
    case ftTime:
    case ftDateTime:
        return 9;
    case ftInteger:
        return 5;
    case ftSmallint:
    case ftWord:
    case ftBoolean:
        return 3;
    case ftBytes:
        return size + 1;
    case ftBlob:
    case ftMemo:
        return static_cast<int>(sizeof(TMemoryStream*)) + 1;
    default:
        return 1;
    }
}

TRecordLayout TRecordLayout::Compute(const std::vector<TFieldType>& types, const std::vector<int>& sizes,
                                     int calcFieldsSize, int bookmarkSize) {
    TRecordLayout layout;
    layout.Types = types;
    int offset = 0;
    for (std::size_t i = 0; i < types.size(); ++i) {
        layout.SlotOffsets.push_back(offset);
        layout.SlotWidths.push_back(SlotWidth(types[i], sizes[i]));
        offset += layout.SlotWidths.back();
    }
    layout.RecInfoOffset = offset;
    layout.CalcFieldsOffset = offset + RecInfoSize;
    layout.RecordSize = layout.CalcFieldsOffset + calcFieldsSize;
    layout.BookmarkSize = bookmarkSize;
    return layout;
}

bool TRecordLayout::IsBlob(int column) const {
    const TFieldType type = Types.at(static_cast<std::size_t>(column - 1));
    return type == ftBlob || type == ftMemo;
}

TRecordBuffer::TRecordBuffer(std::shared_ptr<const TRecordLayout> layoutRef)
    : FLayout(std::move(layoutRef)), FData(static_cast<std::size_t>(FLayout->RecordSize)),
      FBookmark(static_cast<std::size_t>(FLayout->BookmarkSize)), FStreams(FLayout->Types.size()) {
    const TRecordLayout& layout = *FLayout;
    for (std::size_t i = 0; i < layout.Types.size(); ++i) {
        if (!layout.IsBlob(static_cast<int>(i + 1))) continue;
        FStreams[i] = std::make_unique<TMemoryStream>();
        // The slot refers to the buffer's own stream, as the record layout has it.
        TMemoryStream* stream = FStreams[i].get();
        std::memcpy(FData.data() + layout.SlotOffsets[i], &stream, sizeof stream);
    }
    SetBookmarkFlag(bfInserted);
    SetFormerCacheIndex(-1);
}

TMemoryStream& TRecordBuffer::Stream(int column) {
    TMemoryStream* stream = FStreams.at(static_cast<std::size_t>(column - 1)).get();
    if (!stream) throw std::out_of_range("not a blob column");
    return *stream;
}

const TMemoryStream& TRecordBuffer::Stream(int column) const {
    return const_cast<TRecordBuffer&>(*this).Stream(column);
}

void TRecordBuffer::CopyFrom(const TRecordBuffer& source, bool withBookmark) {
    if (&source == this) return;
    const TRecordLayout& layout = *FLayout;
    for (std::size_t i = 0; i < layout.Types.size(); ++i) {
        const int column = static_cast<int>(i + 1);
        const int at = layout.SlotOffsets[i], width = layout.SlotWidths[i];
        if (layout.IsBlob(column)) {
            // The slot's reference stays this buffer's own; only content and flag travel.
            Stream(column).LoadFrom(source.Stream(column));
            FData[static_cast<std::size_t>(at + width - 1)] =
                source.FData[static_cast<std::size_t>(at + width - 1)];
        } else {
            std::memcpy(FData.data() + at, source.FData.data() + at, static_cast<std::size_t>(width));
        }
    }
    std::memcpy(FData.data() + layout.CalcFieldsOffset, source.FData.data() + layout.CalcFieldsOffset,
                static_cast<std::size_t>(layout.RecordSize - layout.CalcFieldsOffset));
    if (!withBookmark) return;
    FBookmark = source.FBookmark;
    SetBookmarkFlag(source.BookmarkFlag());
}

TBookmarkFlag TRecordBuffer::BookmarkFlag() const {
    return static_cast<TBookmarkFlag>(Info()[sizeof(void*)]);
}

void TRecordBuffer::SetBookmarkFlag(TBookmarkFlag flag) {
    Info()[sizeof(void*)] = static_cast<char>(flag);
}

TUpdateStatus TRecordBuffer::UpdateStatus() const {
    return static_cast<TUpdateStatus>(Info()[sizeof(void*) + 1]);
}

void TRecordBuffer::SetUpdateStatus(TUpdateStatus status) {
    Info()[sizeof(void*) + 1] = static_cast<char>(status);
}

std::int32_t TRecordBuffer::FormerCacheIndex() const {
    std::int32_t index;
    std::memcpy(&index, Info() + sizeof(void*) + 2, sizeof index);
    return index;
}

void TRecordBuffer::SetFormerCacheIndex(std::int32_t index) {
    std::memcpy(Info() + sizeof(void*) + 2, &index, sizeof index);
}

} // namespace tarvik
