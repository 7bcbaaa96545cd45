// The navigator bar and grid through their binding, with a scripted dataset.
#include "app/DBGrid.h"
#include "app/DBNavigator.h"
#include "core/Exceptions.h"
#include "tests/app/RecordingUi.h"

#include <QApplication>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace tarvik;

namespace {
// Ten records in a list; records the operations asked of it.
class TListDataSet : public TNavigableDataSet {
public:
    bool IsActive = true;
    bool IsEditing = false;
    bool Modifiable = true;
    int Count = 10;
    int Position = 0; // 0-based
    bool AtBof = true;
    bool AtEof = false;
    QStringList Calls;
    bool FailPost = false;

    bool Active() const override { return IsActive; }
    bool Bof() const override { return AtBof; }
    bool Eof() const override { return AtEof; }
    bool Editing() const override { return IsEditing; }
    bool CanModify() const override { return Modifiable; }
    void First() override { Go(0, "First"); }
    void Prior() override { Go(Position - 1, "Prior"); }
    void Next() override { Go(Position + 1, "Next"); }
    void Last() override { Go(Count - 1, "Last"); }
    void MoveBy(int distance) override { Go(Position + distance, QString("MoveBy %1").arg(distance)); }
    void Insert() override { Edit("Insert"); }
    void Delete() override { Calls << "Delete"; }
    void Edit() override { Edit("Edit"); }
    void Post() override {
        Calls << "Post";
        if (FailPost) throw EDatabaseError("Field 'Name' must have a value");
        IsEditing = false;
    }
    void Cancel() override {
        Calls << "Cancel";
        IsEditing = false;
    }
    void Refresh() override { Calls << "Refresh"; }
    std::string Bookmark() const override { return std::to_string(Position); }
    void GotoBookmark(const std::string& bookmark) override { Go(std::stoi(bookmark), "GotoBookmark"); }

private:
    void Go(int to, const QString& call) {
        Calls << call;
        AtBof = to <= 0;
        AtEof = to >= Count - 1;
        Position = std::clamp(to, 0, Count - 1);
    }
    void Edit(const QString& call) {
        Calls << call;
        IsEditing = true;
    }
};

QList<bool> Enabled(const TDBNavigator& bar) {
    QList<bool> result;
    for (int i = 0; i < NavigatorButtonCount; ++i)
        result << bar.Button(static_cast<TNavigateBtn>(i))->isEnabled();
    return result;
}
} // namespace

class NavigatorTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitApplication(); }

    void buttonsFollowTheDatasetState() {
        TListDataSet data;
        TDataBinding source;
        TDBNavigator bar;
        bar.SetDataSource(&source);
        QCOMPARE(Enabled(bar), QList<bool>(14, false)); // no dataset yet
        data.IsActive = false;
        source.SetDataSet(&data);
        QCOMPARE(Enabled(bar), QList<bool>(14, false)); // inactive dataset
        data.IsActive = true;
        source.Changed();
        //                      first  prPg   prior  next  nxPg  last  ins   del   edit  post   cancel refr
        //                      save  restore
        QCOMPARE(Enabled(bar), (QList<bool>{false, false, false, true, true, true, true, true, true, false,
                                            false, true, true, false}));
        data.IsEditing = true;
        data.AtBof = false;
        source.Changed();
        QCOMPARE(Enabled(bar), (QList<bool>{true, true, true, true, true, true, true, true, false, true, true,
                                            false, true, false}));
        data.IsEditing = false;
        data.Modifiable = false;
        source.Changed();
        QVERIFY(!bar.Button(nbInsert)->isEnabled() && !bar.Button(nbDelete)->isEnabled());
        source.SetDataSet(nullptr);
        QCOMPARE(Enabled(bar), QList<bool>(14, false));
    }

    void buttonsMoveAndEditTheDataset() {
        TRecordingUi ui;
        TListDataSet data;
        TDataBinding source;
        source.SetDataSet(&data);
        TDBNavigator bar;
        bar.SetDataSource(&source);
        bar.Button(nbNextPage)->click();
        bar.Button(nbPrior)->click();
        bar.Button(nbLast)->click();
        QVERIFY(!bar.Button(nbNext)->isEnabled()); // at the end after Last
        bar.Button(nbSaveBookmark)->click();
        QVERIFY(bar.Button(nbRestoreBookmark)->isEnabled());
        bar.Button(nbFirst)->click();
        bar.Button(nbRestoreBookmark)->click();
        QCOMPARE(data.Position, 9);
        bar.Button(nbEdit)->click();
        bar.Button(nbPost)->click();
        QCOMPARE(data.Calls,
                 (QStringList{"MoveBy 10", "Prior", "Last", "First", "GotoBookmark", "Edit", "Post"}));
    }

    void deleteAsksFirstAndDoesNothingOnNo() {
        TRecordingUi ui;
        TListDataSet data;
        TDataBinding source;
        source.SetDataSet(&data);
        TDBNavigator bar;
        bar.SetDataSource(&source);
        ui.Answers = {bbNo, bbYes};
        bar.Button(nbDelete)->click();
        QVERIFY(!data.Calls.contains("Delete"));
        bar.Button(nbDelete)->click();
        QCOMPARE(data.Calls, QStringList{"Delete"});
        QCOMPARE(ui.Boxes.size(), size_t(2));
        QCOMPARE(ui.Boxes[0].Kind, bkConfirmation);
        QVERIFY(ui.Boxes[0].Buttons == (std::vector<TBoxButton>{bbYes, bbNo}));
    }

    void aFailingButtonShowsTheDefaultErrorDisplay() {
        TRecordingUi ui;
        TListDataSet data;
        data.IsEditing = true;
        data.FailPost = true;
        TDataBinding source;
        source.SetDataSet(&data);
        TDBNavigator bar;
        bar.SetDataSource(&source);
        bar.Button(nbPost)->click();
        QCOMPARE(ui.Boxes.size(), size_t(1));
        QCOMPARE(ui.Boxes[0].Title, QStringLiteral("Tarvik"));
        QCOMPARE(ui.Boxes[0].Text, QStringLiteral("Field 'Name' must have a value"));
        QCOMPARE(ui.Boxes[0].Kind, bkError);
        QVERIFY(bar.Button(nbPost)->isEnabled()); // still editing
    }

    void onlyMovingButtonsRepeatWhenHeld() {
        TDBNavigator bar;
        for (TNavigateBtn b : {nbPriorPage, nbPrior, nbNext, nbNextPage}) {
            QVERIFY(bar.Button(b)->autoRepeat());
            QCOMPARE(bar.Button(b)->autoRepeatDelay(), 500);
            QCOMPARE(bar.Button(b)->autoRepeatInterval(), 100);
        }
        for (TNavigateBtn b : {nbInsert, nbDelete, nbPost, nbRefresh})
            QVERIFY(!bar.Button(b)->autoRepeat());
    }

    void widgetsOutliveTheirBindingAndTheOtherWayRound() {
        TListDataSet data;
        auto bar = std::make_unique<TDBNavigator>();
        auto grid = std::make_unique<TDBGrid>();
        {
            TDataBinding source;
            source.SetDataSet(&data);
            bar->SetDataSource(&source);
            grid->SetDataSource(&source);
            QVERIFY(bar->Button(nbNext)->isEnabled());
        }
        QCOMPARE(bar->DataSource(), nullptr);
        QCOMPARE(grid->DataSource(), nullptr);
        QVERIFY(!bar->Button(nbNext)->isEnabled());
        TDataBinding source;
        bar->SetDataSource(&source);
        bar.reset();
        grid.reset();
        source.Changed(); // no client left to call
    }
};

QTEST_MAIN(NavigatorTest)
#include "NavigatorTest.moc"
