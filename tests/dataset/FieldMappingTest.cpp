// Record slots and buffers, and field definitions found by name.
#include "core/Exceptions.h"
#include "dataset/FieldDefs.h"
#include "dataset/RecordBuffer.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {

TEST(RecordSlots, EachTypeTakesItsValueBytesAndAFlag) {
    EXPECT_EQ(SlotWidth(ftString, 50), 4 * 50 + 2) << "fifty characters of UTF-8, a zero byte, the flag";
    EXPECT_EQ(SlotWidth(ftBytes, 16), 17);
    EXPECT_EQ(SlotWidth(ftInteger, 0), 5);
    for (TFieldType t : {ftSmallint, ftWord, ftBoolean})
        EXPECT_EQ(SlotWidth(t, 0), 3);
    for (TFieldType t : {ftFloat, ftLargeint, ftDate, ftTime, ftDateTime})
        EXPECT_EQ(SlotWidth(t, 0), 9);
    EXPECT_EQ(SlotWidth(ftMemo, 0), static_cast<int>(sizeof(void*)) + 1);
    EXPECT_EQ(SlotWidth(ftUnknown, 0), 1);
}

TEST(RecordSlots, RecordInfoFollowsTheColumnsAndCalculatedFieldsFollowIt) {
    const TRecordLayout layout = TRecordLayout::Compute({ftInteger, ftString, ftMemo}, {0, 50, 0}, 12, 8);
    EXPECT_EQ(layout.SlotOffsets, (std::vector<int>{0, 5, 207}));
    EXPECT_EQ(layout.RecInfoOffset, 207 + static_cast<int>(sizeof(void*)) + 1);
    EXPECT_EQ(layout.CalcFieldsOffset, layout.RecInfoOffset + RecInfoSize);
    EXPECT_EQ(layout.RecordSize, layout.CalcFieldsOffset + 12);
}

TEST(RecordBuffers, ANewRecordIsEmptyWithItsOwnStreamAndNoFormerPosition) {
    auto layout =
        std::make_shared<const TRecordLayout>(TRecordLayout::Compute({ftInteger, ftBlob}, {0, 0}, 0, 16));
    TRecordBuffer a(layout), b(layout);
    EXPECT_EQ(a.Size(), static_cast<std::size_t>(layout->RecordSize));
    EXPECT_EQ(a.Bookmark().size(), 16u);
    EXPECT_EQ(a.BookmarkFlag(), bfInserted);
    EXPECT_EQ(a.FormerCacheIndex(), -1);
    EXPECT_EQ(a.UpdateStatus(), usUnmodified);
    a.Stream(2).Write("xy", 2);
    EXPECT_EQ(b.Stream(2).Size(), 0u);
    EXPECT_THROW(a.Stream(1), std::out_of_range);
    a.SetUpdateStatus(usDeleted);
    a.SetFormerCacheIndex(70000);
    a.SetBookmarkFlag(bfEOF);
    EXPECT_EQ(a.UpdateStatus(), usDeleted);
    EXPECT_EQ(a.FormerCacheIndex(), 70000);
    EXPECT_EQ(a.BookmarkFlag(), bfEOF);
    EXPECT_EQ(a.Slot(2)[sizeof(void*)], 0); // the blob's flag: NULL
}

TEST(FieldDefinitions, NamesDifferingOnlyInCaseCannotBothBeDefined) {
    TFieldDefs defs;
    defs.Add("ID", ftInteger, 0, 1, 0);
    try {
        defs.Add("id", ftString, 10, 2, 0);
        FAIL() << "a second id was accepted";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "A component named id already exists");
    }
    EXPECT_EQ(defs.Count(), 1);
    EXPECT_EQ(defs.Find("Id")->FieldNo, 1);
}
} // namespace
