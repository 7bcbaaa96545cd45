// The write target's list texts and its stored form.
#include "dataset/odbc/DataSetHstmt.h"
#include "odbc/ODBCError.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {
using Lines = std::vector<std::string>;

TEST(TargetListText, EveryItemEndsInASemicolonAndTextAfterTheLastIsDropped) {
    EXPECT_EQ(TTarget::ListText({}), "");
    EXPECT_EQ(TTarget::ListText({"ID", "Naziv"}), "ID;Naziv;");
    EXPECT_EQ(TTarget::ParseListText("ID;Naziv;"), (Lines{"ID", "Naziv"}));
    EXPECT_EQ(TTarget::ParseListText("ID;Naziv"), (Lines{"ID"}));
    EXPECT_EQ(TTarget::ParseListText("Naziv"), Lines{});
    EXPECT_EQ(TTarget::ParseListText(""), Lines{});
    EXPECT_EQ(TTarget::ParseListText("a;;b;"), (Lines{"a", "", "b"}));
    EXPECT_EQ(TTarget::ListText(TTarget::ParseListText("a;;b;")), "a;;b;");
}

TEST(TargetStoredForm, WritesTheCurrentTagAndReadsItBack) {
    THstmt s;
    TTarget t(s);
    t.SetTargetTable("Kupci");
    t.PrimaryCols() = {"ID"};
    t.InsertSkipCols() = {"Stevec", "Datum"};
    t.UpdateSkipCols() = {"Datum"};
    const Lines stored = t.Persisted();
    EXPECT_EQ(stored, (Lines{"OE5.05", "Kupci", "ID;", "Stevec;Datum;", "Datum;"}));
    TTarget back(s);
    back.ReadPersisted(stored);
    EXPECT_EQ(back.Persisted(), stored);
    back.Clear();
    EXPECT_EQ(back.Persisted(), (Lines{"OE5.05", "", "", "", ""}));
}

TEST(TargetStoredForm, AnOlderTagCarriesTwoListsAndUpdatesSkipTheInsertColumns) {
    THstmt s;
    TTarget t(s);
    t.ReadPersisted({"OE5.02", "Kupci", "ID;", "Stevec;"});
    EXPECT_EQ(t.TargetTable(), "Kupci");
    EXPECT_EQ(t.PrimaryCols(), Lines{"ID"});
    EXPECT_EQ(t.InsertSkipCols(), Lines{"Stevec"});
    EXPECT_EQ(t.UpdateSkipCols(), Lines{"Stevec"});
    t.ReadPersisted({"OE5.03", "Kupci", "ID;", "Stevec;", "Datum;"});
    EXPECT_EQ(t.UpdateSkipCols(), Lines{"Datum"});
}

TEST(TargetStoredForm, AShortFormIsRefusedAndChangesNothing) {
    THstmt s;
    TTarget t(s);
    t.SetTargetTable("Kupci");
    for (const Lines& bad : {Lines{}, Lines{"OE5.05", "T", "ID;", "x;"}, Lines{"OE5.01", "T", "ID;"}}) {
        EXPECT_THROW(t.ReadPersisted(bad), EVERODezuzid);
        EXPECT_EQ(t.TargetTable(), "Kupci");
    }
}
} // namespace
