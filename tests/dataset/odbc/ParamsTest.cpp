// Parameters without a driver: the call text, buffer sizes and values taking their type.
#include "dataset/odbc/OEQuery.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {

TEST(StoredProcCall, TheResultLeadsAndTheOthersFollowInOrder) {
    TOEQuery q;
    q.SetStoredProcName("dbo.Racun");
    EXPECT_EQ(q.StoredProcStatement(), "{CALL dbo.Racun}");
    TOEParams& p = q.Params(); // no connection: the catalog is not asked
    p.Add("A", ftInteger, ptInput);
    EXPECT_EQ(q.StoredProcStatement(), "{CALL dbo.Racun(:A)}");
    p.Add("R", ftInteger, ptResult);
    p.Add("B", ftString, ptOutput);
    EXPECT_EQ(q.StoredProcStatement(), "{:R = CALL dbo.Racun(:A, :B)}");

    TOEQuery resultOnly;
    resultOnly.SetStoredProcName("p");
    resultOnly.Params().Add("R", ftInteger, ptResult);
    EXPECT_EQ(resultOnly.StoredProcStatement(), "{:R = CALL p}");
}

TEST(ParamBuffers, TextAndBytesAreSizedByTheirDescriptionElse256) {
    TOEParams p;
    p.ParamDefs.push_back({"Ime", false, ftString, 0, 10, 0});
    p.ParamDefs.push_back({"Slika", false, ftBytes, 0, 16, 1});
    p.ParamDefs.push_back({"Opis", false, ftMemo, 0, 0, 2});
    EXPECT_EQ(p.MakeBuffer(" ime ", ftString)->Buffer.size(), 11u) << "names trimmed, case ignored";
    EXPECT_EQ(p.MakeBuffer("Slika", ftBytes)->Buffer.size(), 16u);
    EXPECT_EQ(p.MakeBuffer("Slika", ftString)->Buffer.size(), 256u) << "described with another type";
    EXPECT_EQ(p.MakeBuffer("drugo", ftString)->Buffer.size(), 256u);
    EXPECT_EQ(p.MakeBuffer("drugo", ftInteger)->Buffer.size(), 4u);
    EXPECT_EQ(p.MakeBuffer("drugo", ftDateTime)->Buffer.size(), sizeof(SQL_TIMESTAMP_STRUCT));
    EXPECT_EQ(p.MakeBuffer("drugo", ftUnknown)->Buffer.size(), 4u);
    const auto memo = p.MakeBuffer("Opis", ftMemo);
    EXPECT_TRUE(memo->Stream && memo->Buffer.empty());
}

TEST(ParamValues, AnUntypedParameterTakesTheTypeOfItsFirstValue) {
    TParams p;
    TParam& a = p.Add("a", ftUnknown, ptInput);
    TParam& big = p.Add("big", ftUnknown, ptInput);
    TParam& typed = p.Add("t", ftString, ptInput);
    a.SetValue(TVariant());
    EXPECT_EQ(a.DataType, ftUnknown);
    a.SetValue(TVariant(TVarDate{2024, 2, 29}));
    EXPECT_EQ(a.DataType, ftDate);
    big.SetValue(TVariant(std::int64_t{5000000000}));
    EXPECT_EQ(big.DataType, ftLargeint);
    typed.SetValue(TVariant(7));
    EXPECT_EQ(typed.DataType, ftString);

    TParams other;
    other.Add("T", ftString, ptInput).SetValue(TVariant("x"));
    other.Add("nobody", ftString, ptInput).SetValue(TVariant("y"));
    p.AssignValues(other);
    EXPECT_EQ(typed.Value(), TVariant("x"));
    EXPECT_EQ(p.Count(), 3);
}

} // namespace
