// Moving through a result set with the ODBC dataset on every test driver: records read from the
// statement's cursor or from the row cache, field values, bookmarks, filters and record numbers.
#include "dataset/DataSet.h"
#include "dataset/odbc/OEQuery.h"
#include "odbc/ODBCError.h"
#include "tests/support/DriverFixture.h"
#include "tests/support/ErrorOf.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

using namespace tarvik;

namespace {

class DataSetScrollTest : public DriverTest {
protected:
    // A table whose rows have ids 1..count and names "n1".."nCOUNT".
    std::string Numbered(int count) {
        std::vector<std::string> rows;
        for (int i = 1; i <= count; ++i)
            rows.push_back(std::to_string(i) + ", 'n" + std::to_string(i) + "'");
        return TableWith("id integer, naziv varchar(20)", rows);
    }

    void OpenOn(TOEQuery& q, const std::string& sql) {
        q.SethDbc(&db);
        q.SetSQL({sql});
        q.Open();
    }

    // The ids from the current record on, reading forward to the end.
    static std::vector<int> ForwardIds(TDataSet& q) {
        std::vector<int> ids;
        for (; !q.Eof(); q.Next())
            ids.push_back(static_cast<int>(q.Fields()[0].AsInteger()));
        return ids;
    }

    static std::vector<int> BackwardIds(TDataSet& q) {
        std::vector<int> ids;
        for (; !q.Bof(); q.Prior())
            ids.push_back(static_cast<int>(q.Fields()[0].AsInteger()));
        return ids;
    }

    static int Id(TDataSet& q) { return static_cast<int>(q.Fields()[0].AsInteger()); }
};

// A query that counts its statement's fetches.
class FetchCountingQuery : public TOEQuery {
public:
    int Fetches = 0;
    FetchCountingQuery() {
        Statement().BeforeFetch = [this](TComponent*) { ++Fetches; };
    }
};

std::vector<int> Range(int from, int to) {
    std::vector<int> out;
    for (int i = from; from <= to ? i <= to : i >= to; from <= to ? ++i : --i)
        out.push_back(i);
    return out;
}

TEST_P(DataSetScrollTest, ReadsEveryRowForwardAndBackwardWithItsValues) {
    const std::string t = Numbered(5);
    TOEQuery q;
    OpenOn(q, "SELECT id, naziv FROM " + t + " ORDER BY id");
    EXPECT_TRUE(q.Bof());
    EXPECT_EQ(q.Fields().FieldByName("naziv").AsString(), "n1");
    EXPECT_EQ(ForwardIds(q), Range(1, 5));
    EXPECT_TRUE(q.Eof());
    q.Last();
    EXPECT_EQ(BackwardIds(q), Range(5, 1));
    q.First();
    EXPECT_EQ(Id(q), 1);
    EXPECT_EQ(q.MoveBy(3), 3);
    EXPECT_EQ(q.Fields()[1].AsString(), "n4");
    EXPECT_EQ(q.MoveBy(5), 1);
    EXPECT_TRUE(q.Eof());
}

TEST_P(DataSetScrollTest, ARingOfSeveralBuffersKeepsTheRecordsInOrder) {
    const std::string t = Numbered(7);
    TOEQuery q; // the default keyset request: the ring is positioned by the bookmarks of its cursor
    q.SetBufferCount(3);
    OpenOn(q, "SELECT id FROM " + t + " ORDER BY id");
    EXPECT_EQ(q.BufferedRecords(), 3);
    EXPECT_EQ(ForwardIds(q), Range(1, 7));
    q.Last();
    EXPECT_EQ(BackwardIds(q), Range(7, 1));
    q.MoveBy(4);
    EXPECT_EQ(Id(q), 5);
    q.MoveBy(-3);
    EXPECT_EQ(Id(q), 2);
    q.SetBufferCount(5); // made again around the active record
    EXPECT_EQ(Id(q), 2);
    EXPECT_EQ(q.BufferedRecords(), 5);
    EXPECT_EQ(ForwardIds(q), Range(2, 7));
}

TEST_P(DataSetScrollTest, ABookmarkLeadsBackToItsRecord) {
    const std::string t = Numbered(6);
    TOEQuery q;
    OpenOn(q, "SELECT id FROM " + t + " ORDER BY id");
    q.MoveBy(2);
    const TBookmark third = q.GetBookmark();
    EXPECT_EQ(third.size(), q.Statement().BookmarkLength());
    q.Last();
    q.GotoBookmark(third);
    EXPECT_EQ(Id(q), 3);
    q.Next();
    EXPECT_EQ(Id(q), 4);
    EXPECT_EQ(q.CompareBookmarks(third, q.GetBookmark()) != 0, true);
    EXPECT_EQ(q.CompareBookmarks(third, third), 0);
}

TEST_P(DataSetScrollTest, AForwardOnlyCursorHasNoPriorRecord) {
    const std::string t = Numbered(3);
    FetchCountingQuery q;
    q.SetUniDirectional(true);
    OpenOn(q, "SELECT id FROM " + t + " ORDER BY id");
    q.Next();
    const int fetches = q.Fetches;
    q.Prior();
    EXPECT_TRUE(q.Bof());
    EXPECT_EQ(q.Fetches, fetches) << "no fetch for a prior record";
    EXPECT_EQ(Id(q), 2);
    const std::string refused = "Operation not allowed on a unidirectional dataset";
    EXPECT_EQ(ErrorOf([&] { q.Last(); }), refused);
    // The ring of one buffer no longer holds record 1.
    EXPECT_EQ(ErrorOf([&] { q.First(); }), refused);
    q.Next();
    EXPECT_EQ(ForwardIds(q), Range(3, 3));

    TOEQuery ring; // the first record is still in the ring
    ring.SetUniDirectional(true);
    ring.SetBufferCount(3);
    OpenOn(ring, "SELECT id FROM " + t + " ORDER BY id");
    ring.MoveBy(2);
    ring.First();
    EXPECT_EQ(ForwardIds(ring), Range(1, 3));
}

TEST_P(DataSetScrollTest, NullsReadAsNullAndADateSlotHoldsTheDefaultDay) {
    const std::string t =
        TableWith("id integer, d date, ts " + TimestampType() + ", naziv varchar(10), opis text, t time",
                  {"1, NULL, NULL, NULL, NULL, NULL",
                   "2, '2024-02-29', '2024-02-29 13:45:10', 'x', 'dolgo', '07:08:09'"});
    TOEQuery q;
    OpenOn(q, "SELECT id, d, ts, naziv, opis, t FROM " + t + " ORDER BY id");
    for (int i = 1; i < 6; ++i)
        EXPECT_TRUE(q.Fields()[i].IsNull()) << i;
    const char* dateSlot = q.ActiveBuffer()->Slot(2);
    std::int32_t day;
    std::memcpy(&day, dateSlot, sizeof day);
    EXPECT_EQ(day, 693594) << "1899-12-30";
    EXPECT_EQ(dateSlot[8], 0);
    q.Next();
    EXPECT_EQ(q.Fields()[1].Value(), TVariant(TVarDate{2024, 2, 29}));
    EXPECT_EQ(q.Fields()[2].Value(), TVariant(TVarDateTime{{2024, 2, 29}, {13, 45, 10, 0}}));
    EXPECT_EQ(q.Fields()[3].AsString(), "x");
    EXPECT_EQ(q.Fields()[4].AsString(), "dolgo");
    EXPECT_EQ(q.Fields()[5].Value(), TVariant(TVarTime{7, 8, 9, 0}));
}

TEST_P(DataSetScrollTest, TextIsTrimmedAsTheStatementSays) {
    const std::string t = TableWith("id integer, naziv varchar(10)", {"1, '  ab  '"});
    for (const auto& [mode, text] : {std::pair{stTrimTrailing, "  ab"},
                                     {stTrimNone, "  ab  "},
                                     {stTrimLeading, "ab  "},
                                     {stTrimBoth, "ab"}}) {
        TOEQuery q;
        q.hStmt().SetStringTrimming(mode);
        OpenOn(q, "SELECT naziv FROM " + t);
        EXPECT_EQ(q.Fields()[0].AsString(), text) << mode;
    }
}

TEST_P(DataSetScrollTest, CachedLongValuesAreReadOneRowAtATimeOnly) {
    const std::string t = TableWith("id integer, opis text", {"1, 'prvi'", "2, NULL", "3, 'tretji'"});
    TOEQuery q;
    q.SetCached(true);
    OpenOn(q, "SELECT id, opis FROM " + t + " ORDER BY id");
    std::vector<std::string> texts;
    for (; !q.Eof(); q.Next())
        texts.push_back(q.Fields()[1].IsNull() ? "NULL" : q.Fields()[1].AsString());
    EXPECT_EQ(texts, (std::vector<std::string>{"prvi", "NULL", "tretji"}));
    q.First();
    EXPECT_EQ(q.Fields()[1].AsString(), "prvi") << "read from the cache again";

    // A forward-only cursor cannot position on another row of a rowset to read its long value.
    TOEQuery rowsets;
    rowsets.hStmt().SetRowSetSize(3);
    rowsets.SethDbc(&db);
    rowsets.SetSQL({"SELECT id, opis FROM " + t + " ORDER BY id"});
    EXPECT_EQ(ErrorOf([&] { rowsets.Open(); }),
              "Long column opis cannot be read in rowsets of more than one row on this cursor.");
    EXPECT_FALSE(rowsets.Active());
    rowsets.SetCacheBlobs(false); // not read at all: the rows still come
    rowsets.Open();
    EXPECT_EQ(ForwardIds(rowsets), Range(1, 3));
}

TEST_P(DataSetScrollTest, NumbersAndBytesKeepTheirValues) {
    const std::string t =
        TableWith("i integer, s smallint, b bigint, f double precision, v " + LongBinaryType(),
                  {"-7, -300, 5000000000, 2.5, " + BinaryLiteral("00ff10")});
    TOEQuery q;
    OpenOn(q, "SELECT i, s, b, f, v FROM " + t);
    EXPECT_EQ(q.Fields()[0].AsInteger(), -7);
    EXPECT_EQ(q.Fields()[1].AsInteger(), -300);
    EXPECT_EQ(q.Fields()[2].AsInteger(), 5000000000);
    EXPECT_EQ(q.Fields()[3].AsFloat(), 2.5);
    EXPECT_EQ(q.Fields()[4].Value(), TVariant(TBytes{0x00, 0xff, 0x10}));
}

TEST_P(DataSetScrollTest, TheCacheReadsWholeRowsetsAndStopsAtTheEnd) {
    const std::string t = Numbered(25);
    FetchCountingQuery q;
    q.hStmt().SetRowSetSize(10);
    ASSERT_TRUE(q.Cached());
    OpenOn(q, "SELECT id FROM " + t + " ORDER BY id");
    EXPECT_EQ(q.Fetches, 1);
    q.MoveBy(24);
    EXPECT_EQ(Id(q), 25);
    EXPECT_EQ(q.Fetches, 3);
    EXPECT_FALSE(q.AllFetched());
    q.Next();
    EXPECT_TRUE(q.Eof());
    EXPECT_EQ(q.Fetches, 4);
    EXPECT_TRUE(q.AllFetched());
    EXPECT_EQ(q.BookmarkSize(), 4);

    EXPECT_TRUE(q.FetchAbsolute(-1));
    EXPECT_EQ(q.CachePosition(), 25);
    EXPECT_FALSE(q.FetchAbsolute(30));
    EXPECT_EQ(q.CachePosition(), 26);
    q.First();
    EXPECT_TRUE(q.MoveAbsolute(30));
    EXPECT_EQ(Id(q), 25);
    EXPECT_EQ(q.RecNo(), 25);
    q.SetRecNo(3);
    EXPECT_EQ(Id(q), 3);
    EXPECT_EQ(BackwardIds(q), Range(3, 1));
}

TEST_P(DataSetScrollTest, CachedBookmarksAreSequenceNumbersComparedByteByByte) {
    const std::string t = Numbered(3);
    TOEQuery q;
    q.SetCached(true);
    OpenOn(q, "SELECT id FROM " + t + " ORDER BY id");
    q.Next();
    const TBookmark second = q.GetBookmark();
    std::int32_t number;
    std::memcpy(&number, second.data(), sizeof number);
    EXPECT_EQ(number, 2);
    q.Last();
    q.GotoBookmark(second);
    EXPECT_EQ(Id(q), 2);
    const auto bookmark = [](std::int32_t n) {
        TBookmark b(4);
        std::memcpy(b.data(), &n, 4);
        return b;
    };
    EXPECT_EQ(q.CompareBookmarks(bookmark(1), bookmark(256)), 1) << "01 00 00 00 against 00 01 00 00";
    EXPECT_EQ(q.CompareBookmarks({}, {}), 0);
    EXPECT_EQ(q.CompareBookmarks({}, second), 1);
    EXPECT_EQ(ErrorOf([&] { q.FetchBookmark(bookmark(99)); }), "Bookmark not found in cache.");
}

TEST_P(DataSetScrollTest, AnEmptyResultHasNoRecordInEitherMode) {
    const std::string t = Numbered(0);
    for (bool cached : {false, true}) {
        TOEQuery q;
        q.SetCached(cached);
        OpenOn(q, "SELECT id FROM " + t);
        EXPECT_TRUE(q.IsEmpty());
        EXPECT_TRUE(q.Bof() && q.Eof());
        EXPECT_TRUE(q.Fields()[0].IsNull());
        q.First();
        EXPECT_TRUE(q.Eof());
        EXPECT_FALSE(q.FetchFirst());
        EXPECT_TRUE(q.GetBookmark().empty());
    }
}

TEST_P(DataSetScrollTest, AFilterSkipsRejectedRowsAndItsErrorsDoNotStopTheRead) {
    const std::string t = Numbered(6);
    FetchCountingQuery q;
    int shown = 0;
    SetApplicationExceptionHandler([&](std::exception_ptr) { ++shown; });
    q.SetOnFilterRecord([](TDataSet& d, bool& accept) {
        const auto id = d.Fields()[0].AsInteger();
        if (id == 5) throw EDatabaseError("filter failed");
        accept = id % 2 == 0;
    });
    OpenOn(q, "SELECT id FROM " + t + " ORDER BY id");
    EXPECT_EQ(ForwardIds(q), Range(1, 6)) << "not filtered yet";
    q.SetFiltered(true); // reopens
    EXPECT_EQ(ForwardIds(q), (std::vector<int>{2, 4, 5, 6}));
    EXPECT_EQ(shown, 1);
    q.SetOnFilterRecord(nullptr);
    EXPECT_EQ(ForwardIds(q), Range(1, 6)) << "filtered without a handler takes every row";
    SetApplicationExceptionHandler(nullptr);
}

TEST_P(DataSetScrollTest, FindRecordMovesToTheNextRowTheFilterTakes) {
    const std::string t = Numbered(6);
    TOEQuery q;
    q.hStmt().SetCursorType(SQL_CURSOR_STATIC);
    q.SetOnFilterRecord([](TDataSet& d, bool& accept) { accept = d.Fields()[0].AsInteger() % 3 == 0; });
    OpenOn(q, "SELECT id FROM " + t + " ORDER BY id");
    EXPECT_TRUE(q.FindRecord(true, true));
    EXPECT_TRUE(q.Found());
    EXPECT_EQ(Id(q), 3);
    EXPECT_TRUE(q.FindRecord(false, true));
    EXPECT_EQ(Id(q), 6);
    EXPECT_FALSE(q.FindRecord(false, true));
    EXPECT_FALSE(q.Found());
    EXPECT_TRUE(q.FindRecord(true, false));
    EXPECT_EQ(Id(q), 6);
    q.Next();
    EXPECT_TRUE(q.Eof());
}

TEST_P(DataSetScrollTest, RecordNumbersAndCountsDependOnTheCache) {
    const std::string t = Numbered(4);
    TOEQuery plain;
    OpenOn(plain, "SELECT id FROM " + t + " ORDER BY id");
    plain.Next();
    EXPECT_EQ(plain.RecNo(), -1);
    plain.SetRecNo(4);
    EXPECT_EQ(Id(plain), 2);
    for (TRowCountMethod method : {rcFunction, rcSelect, rcTraverse, rcCustom}) {
        plain.hStmt().SetRowCountMethod(method); // rcCustom: the dataset leaves it to the others
        EXPECT_EQ(plain.RecordCount(), 4) << method;
        EXPECT_EQ(Id(plain), 2) << "counting leaves the cursor alone";
    }

    TOEQuery cached;
    cached.SetCached(true);
    cached.hStmt().SetRowCountMethod(rcCustom);
    OpenOn(cached, "SELECT id FROM " + t + " ORDER BY id");
    EXPECT_EQ(cached.RecordCount(), 4);
    EXPECT_TRUE(cached.AllFetched());
    EXPECT_EQ(cached.RecNo(), 1);
}

TEST_P(DataSetScrollTest, CalculatedFieldsAreComputedForEveryRecordRead) {
    const std::string t = Numbered(3);
    TOEQuery q;
    q.Fields().Add(std::make_unique<TField>(q, "id", ftInteger, 0));
    q.Fields().Add(std::make_unique<TField>(q, "dvojno", ftInteger, 0, fkCalculated));
    q.Fields().Add(std::make_unique<TField>(q, "oznaka", ftString, 3, fkCalculated));
    q.Fields().Add(std::make_unique<TField>(q, "prazno", ftFloat, 0, fkCalculated));
    q.OnCalcFields = [](TDataSet& d) {
        d.Fields()[1].SetAsInteger(d.Fields()[0].AsInteger() * 2);
        d.Fields()[2].SetAsString("\u010d\u0161" + d.Fields()[0].AsString() + "\u017e"); // 4 letters
    };
    q.hStmt().SetCursorType(SQL_CURSOR_STATIC);
    q.SetBufferCount(2);
    OpenOn(q, "SELECT id FROM " + t + " ORDER BY id");
    std::vector<std::string> seen;
    for (; !q.Eof(); q.Next())
        seen.push_back(q.Fields()[1].AsString() + "/" + q.Fields()[2].AsString());
    EXPECT_EQ(seen, (std::vector<std::string>{"2/\u010d\u01611", "4/\u010d\u01612", "6/\u010d\u01613"}))
        << "text cut to 3 characters, not bytes";
    q.Last();
    q.Prior();
    EXPECT_EQ(q.Fields()[1].AsInteger(), 4);
    EXPECT_TRUE(q.Fields()[3].IsNull());
    EXPECT_EQ(ErrorOf([&] { q.Fields()[1].SetAsInteger(5); }), "DataSet not in edit or insert mode.");
    EXPECT_EQ(q.Fields()[1].AsInteger(), 4);
}

// A keyset request gets no bookmarks on the stand-in and SQLite ODBC: the cursor must find its way
// back to the ring's record after running off an end, also past rows the filter rejects.
TEST_P(DataSetScrollTest, StepsBackFromBeyondEitherEndReachTheNeighbouringRecord) {
    const std::string t = Numbered(3);
    TOEQuery q;
    OpenOn(q, "SELECT id FROM " + t + " ORDER BY id");
    q.MoveBy(5);
    EXPECT_TRUE(q.Eof());
    q.Prior();
    EXPECT_EQ(Id(q), 2);
    q.MoveBy(-5);
    EXPECT_TRUE(q.Bof());
    EXPECT_EQ(Id(q), 1);
    q.Next();
    EXPECT_EQ(Id(q), 2);

    q.SetOnFilterRecord([](TDataSet& d, bool& accept) { accept = d.Fields()[0].AsInteger() != 3; });
    q.SetFiltered(true);
    EXPECT_EQ(q.MoveBy(5), 1);
    EXPECT_EQ(Id(q), 2);
    q.Prior();
    EXPECT_EQ(Id(q), 1);
    EXPECT_TRUE(q.Eof() == false && q.Bof() == false);
}

// Records what a data-aware control would be told.
struct TEventLog : TDataSetObserver {
    std::vector<std::pair<TDataEvent, int>> Events;
    void DataEvent(TDataEvent event, int distance) noexcept override { Events.emplace_back(event, distance); }
    std::vector<std::pair<TDataEvent, int>> Take() { return std::exchange(Events, {}); }
};

TEST_P(DataSetScrollTest, ObserversHearOfOpensMovesAndClosesButNotWhileControlsAreDisabled) {
    const std::string t = Numbered(3);
    TOEQuery q;
    TEventLog log;
    q.AddObserver(&log);
    OpenOn(q, "SELECT id, naziv FROM " + t + " ORDER BY id");
    using E = std::vector<std::pair<TDataEvent, int>>;
    EXPECT_EQ(log.Take(), (E{{deDataSetChange, 0}}));
    q.MoveBy(5);
    q.Prior();
    q.Next();
    EXPECT_EQ(log.Take(), (E{{deDataSetScroll, 2}, {deDataSetScroll, -1}, {deDataSetScroll, 1}}));
    q.Next(); // runs out: Eof changes, so controls are told
    EXPECT_EQ(log.Take(), (E{{deDataSetScroll, 0}}));
    q.Next(); // already at the end: nothing changes, nothing is told
    q.First();
    q.Last();
    EXPECT_EQ(log.Take(), (E{{deDataSetChange, 0}, {deDataSetChange, 0}}));

    q.DisableControls();
    q.DisableControls();
    q.First();
    q.EnableControls();
    EXPECT_EQ(log.Take(), E{});
    q.EnableControls();
    EXPECT_EQ(log.Take(), (E{{deDataSetChange, 0}}));
    q.DisableControls();
    q.EnableControls();
    EXPECT_EQ(log.Take(), E{}) << "nothing happened while disabled";

    q.RemoveObserver(&log);
    q.Next();
    q.AddObserver(&log);
    q.Close();
    EXPECT_EQ(log.Take(), (E{{deDataSetChange, 0}}));
    q.RemoveObserver(&log);
}

// Rows the driver itself marks deleted in its cursor.
using DataSetDeletedRowTest = DataSetScrollTest;

TEST_P(DataSetDeletedRowTest, ARowTheCursorReportsDeletedIsSkipped) {
    const std::string t =
        TableWith("id integer primary key, naziv varchar(20)", {"1, 'a'", "2, 'b'", "3, 'c'"});
    TOEQuery q;
    q.SetRequestLive(true);
    OpenOn(q, "SELECT id, naziv FROM " + t + " ORDER BY id");
    q.Next();
    q.UpdateCursorPos();
    q.Statement().DeleteRows();
    q.First();
    EXPECT_EQ(ForwardIds(q), (std::vector<int>{1, 3}));
    q.Last();
    EXPECT_EQ(BackwardIds(q), (std::vector<int>{3, 1}));
}

} // namespace

INSTANTIATE_FOR_DRIVERS(DataSetScrollTest);
INSTANTIATE_TEST_SUITE_P(Postgres, DataSetDeletedRowTest,
                         ::testing::ValuesIn(DriversThat({&DriverCapabilities::DeletedRowsMarked})),
                         TestDriverName());
