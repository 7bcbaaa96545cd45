// The "SQL" page on the stand-in server: queries shown in the grid, statements executed and
// confirmed, the silent read-only retry and the error box.
#include "app/DBGrid.h"
#include "app/DBNavigator.h"
#include "app/FMain.h"
#include "dataset/odbc/OEQuery.h"
#include "odbc/ODBCError.h"
#include "tests/app/RecordingUi.h"
#include "tests/app/StandinSql.h"
#include "tests/support/NumericLocale.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace tarvik;

namespace {
// A window whose main connection is logged in to the test server's demo database.
struct TPage {
    TRecordingUi Ui;
    TMain Window;
    // dropLink: where the stand-in breaks the connection's link (empty: never).
    explicit TPage(const std::string& dropLink = {}) {
        std::vector<std::string> attributes{"SERVER=TARVIKTEST", "DATABASE=Vidrol"};
        if (!dropLink.empty()) attributes.push_back("DropLink=" + dropLink);
        Window.Database->SetAttributes(attributes);
        Window.Database->SetUserName("sa");
        Window.Database->Connect();
        Ui.Cursors.clear();
    }
    void Run(const QString& text, QPushButton* button = nullptr) {
        Window.mSQL->setPlainText(text);
        QTest::mouseClick(button ? button : Window.bPozeniSQL, Qt::LeftButton);
    }
    TDataSetModel& Grid() const { return *Window.wwDBGrid4->Model(); }
    // The grid's cells as text, row by row, columns joined by "|".
    QStringList Cells() const {
        QStringList rows;
        for (int r = 0; r < Grid().rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < Grid().columnCount(); ++c)
                cells << Grid().data(Grid().index(r, c)).toString();
            rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }
    QStringList Titles() const {
        QStringList titles;
        for (int c = 0; c < Grid().columnCount(); ++c)
            titles << Grid().headerData(c, Qt::Horizontal).toString();
        return titles;
    }
    // Runs a batch on the window's own connection (the stand-in's hooks act per connection).
    void RunOnDatabase(const std::string& sql) {
        THstmt statement;
        statement.SethDbc(Window.Database);
        statement.SetSQL(sql);
        statement.Execute();
    }
    QStringList History() const { return EditorLines(Window.mSQLHistory); }
};

// The driver's message for a statement, taken on a session of its own.
QString DriverMessage(const std::string& sql) {
    try {
        auto db = StandinSession("Vidrol");
        RunSql(*db, sql);
    } catch (const EODBC& e) {
        return QString::fromStdString(e.Message());
    }
    return QStringLiteral("(no error)");
}

const QStringList twoTowns{QStringLiteral("1000|Ljubljana"), QStringLiteral("2000|Maribor")};
const QString townsQuery = QStringLiteral("SELECT PostnaSt, Naziv FROM Kraji ORDER BY PostnaSt");

// The stand-in's messages when its link breaks, and for every later call until it reconnects.
const QString linkDropped = QStringLiteral(
    "[Tarvik][SQL Server Driver]TCP Provider: An existing connection was forcibly closed by the "
    "remote host.");

// After a lost link nothing of the main connection is left open, and the page shows no result.
void ExpectDropped(const TPage& page) {
    QVERIFY(!page.Window.Database->Connected());
    QVERIFY(!page.Window.Database->Allocated());
    QVERIFY(!page.Window.oeqQuery->Active());
    QVERIFY(!page.Window.oeqQuery->Statement().Allocated());
    QCOMPARE(page.Grid().rowCount(), 0);
}
} // namespace

class SqlPageTest : public QObject {
    Q_OBJECT
private slots:
    void aQueryShowsItsRowsAsTextInALiveResult() {
        TPage page;
        page.Run(QStringLiteral(
            "SELECT PostnaSt, Naziv, 1234567.891 AS Znesek, CAST(NULL AS int) AS Nic FROM Kraji "
            "WHERE PostnaSt < 3000 ORDER BY PostnaSt"));
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
        QVERIFY(page.Window.oeqQuery->Active());
        QVERIFY(page.Window.oeqQuery->RequestLive());
        QCOMPARE(page.Titles(), (QStringList{"PostnaSt", "Naziv", "Znesek", "Nic"}));
        // Numbers keep every digit, NULL is an empty cell.
        QCOMPARE(page.Cells(), (QStringList{QStringLiteral("1000|Ljubljana|1234567.891|"),
                                            QStringLiteral("2000|Maribor|1234567.891|")}));
        QCOMPARE(page.Grid().data(page.Grid().index(0, 0), Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
                 int(Qt::AlignRight));
        QCOMPARE(page.Grid().data(page.Grid().index(0, 1), Qt::TextAlignmentRole).toInt() & Qt::AlignLeft,
                 int(Qt::AlignLeft));
        QCOMPARE(page.Ui.Cursors, (std::vector<TCursorKind>{ckHourGlass, ckDefault}));
        QCOMPARE(page.History(), (QStringList{"---------- MS SQL ----------", page.Window.mSQL->toPlainText(),
                                              QString(29, QLatin1Char('-'))}));
        // The probe dataset of the schema browser is switched to read-only by every run.
        QVERIFY(!page.Window.qQuery->RequestLive());
    }

    void realsShowWithAPointUnderACommaLocale() {
        TPage page;
        const TNumericLocale numeric(CommaLocale);
        QVERIFY2(numeric.Ok(), CommaLocale);
        page.Run(QStringLiteral("SELECT Cena FROM Artikli"));
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
        const QStringList cells = page.Cells();
        QVERIFY2(cells.contains(QStringLiteral("11.2")) && cells.contains(QStringLiteral("3.85")) &&
                     !cells.join(QString()).contains(QLatin1Char(',')),
                 qPrintable(cells.join(QLatin1Char(' '))));
    }

    void aLowerCaseSelectOpensAResultAndOnlyTheFirstLineIsClassified() {
        TPage page;
        page.Run(
            QStringLiteral("select PostnaSt, Naziv\nfrom Kraji\nwhere PostnaSt < 3000\norder by PostnaSt"));
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
        QCOMPARE(page.Cells(), twoTowns);
        // The whole text went to the server, one line after the other.
        QCOMPARE(QString::fromStdString(page.Window.oeqQuery->SQLText()),
                 QStringLiteral(
                     "select PostnaSt, Naziv\r\nfrom Kraji\r\nwhere PostnaSt < 3000\r\norder by PostnaSt"));
    }

    void aFirstLineNotStartingWithSelectIsExecutedAndConfirmed() {
        TPage page;
        const std::string table = "SqlPageRun";
        page.RunOnDatabase("CREATE TABLE " + table + " (id int)");
        page.Run(QStringLiteral(" SELECT 1\nINSERT INTO SqlPageRun VALUES (1)"));
        // A query behind a WITH clause runs too, but shows no rows.
        page.Run(QStringLiteral("WITH x AS (SELECT 2 AS id) SELECT id FROM x"));
        page.Run(QStringLiteral("INSERT INTO SqlPageRun VALUES (3)"));
        const std::vector<std::string> ids =
            QueryColumn(*page.Window.Database, "SELECT id FROM " + table + " ORDER BY id");
        page.RunOnDatabase("DROP TABLE " + table);
        QCOMPARE(int(page.Ui.Boxes.size()), 3);
        for (const TMessageBox& box : page.Ui.Boxes) {
            QCOMPARE(box.Text, Txt(u8"Končano."));
            QCOMPARE(box.Kind, bkPlain);
        }
        QCOMPARE(ids, (std::vector<std::string>{"1", "3"}));
        QVERIFY(!page.Window.oeqQuery->Active());
        QCOMPARE(page.Grid().rowCount(), 0);
        QCOMPARE(page.Ui.Cursor(), ckDefault);
        QCOMPARE(page.Ui.Cursors.back(), ckDefault);
    }

    void anEmptyEditorAddsAHistoryEntryAndRunsNothing() {
        TPage page;
        page.Run(QStringLiteral("SELECT PostnaSt, Naziv FROM Kraji WHERE PostnaSt < 3000 ORDER BY PostnaSt"));
        page.Ui.Cursors.clear();
        page.Window.mSQLHistory->clear();
        page.Run(QString());
        QCOMPARE(page.History(),
                 (QStringList{"---------- MS SQL ----------", QString(29, QLatin1Char('-'))}));
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
        QVERIFY(page.Ui.Cursors.empty());
        // The new (empty) text replaced the previous result.
        QVERIFY(!page.Window.oeqQuery->Active());
        QVERIFY(page.Window.oeqQuery->SQL().empty());
        QCOMPARE(page.Grid().rowCount(), 0);
    }

    void aQueryThatCannotBeOpenedLiveIsShownReadOnlyWithoutAMessage() {
        TPage page;
        // The stand-in fails the next server call of the connection: the live open's.
        page.RunOnDatabase("exec standin_fail '42000', 1, N'Cursor not updatable'");
        page.Run(QStringLiteral("SELECT PostnaSt, Naziv FROM Kraji WHERE PostnaSt < 3000 ORDER BY PostnaSt"));
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
        QVERIFY(page.Window.oeqQuery->Active());
        QVERIFY(!page.Window.oeqQuery->RequestLive());
        QCOMPARE(page.Cells(), twoTowns);
        QCOMPARE(page.Ui.Cursor(), ckDefault);

        // The next run asks for a live result again.
        page.Run(QStringLiteral("SELECT PostnaSt, Naziv FROM Kraji WHERE PostnaSt < 3000 ORDER BY PostnaSt"));
        QVERIFY(page.Window.oeqQuery->RequestLive());
    }

    void aFailingQueryShowsTheDriversMessageUnderNapaka() {
        TPage page;
        const std::string sql = "SELECT * FROM Manjka";
        page.Run(QString::fromStdString(sql));
        QCOMPARE(int(page.Ui.Boxes.size()), 1);
        QCOMPARE(page.Ui.Boxes[0].Title, QStringLiteral("Error"));
        QCOMPARE(page.Ui.Boxes[0].Kind, bkError);
        QCOMPARE(page.Ui.Boxes[0].Text, Txt(u8"Napaka !\r\n") + DriverMessage(sql));
        QVERIFY2(page.Ui.Boxes[0].Text.contains(QStringLiteral("Manjka")), qPrintable(page.Ui.BoxTexts()));
        QVERIFY(!page.Window.oeqQuery->Active());
        QCOMPARE(page.Ui.Cursor(), ckDefault);

        // A failing statement: the same box, and no "Končano.".
        page.Ui.Boxes.clear();
        page.Run(QStringLiteral("DELETE FROM Manjka"));
        QCOMPARE(int(page.Ui.Boxes.size()), 1);
        QCOMPARE(page.Ui.Boxes[0].Text, Txt(u8"Napaka !\r\n") + DriverMessage("DELETE FROM Manjka"));
        QCOMPARE(page.Ui.Cursor(), ckDefault);
    }

    void shraniRunsTheTextOnlyWhenNoResultIsOpen() {
        TPage page;
        page.Window.mSQL->setPlainText(
            QStringLiteral("SELECT PostnaSt, Naziv FROM Kraji WHERE PostnaSt < 3000 ORDER BY PostnaSt"));
        QTest::mouseClick(page.Window.bSQLShrani, Qt::LeftButton);
        QVERIFY(page.Window.oeqQuery->Active());
        QCOMPARE(page.Cells(), twoTowns);
        const int historyLines = int(page.History().size());
        page.Window.mSQL->setPlainText(QStringLiteral("SELECT 1"));
        QTest::mouseClick(page.Window.bSQLShrani, Qt::LeftButton);
        QCOMPARE(int(page.History().size()), historyLines);
        QCOMPARE(page.Cells(), twoTowns);
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
    }

    void columnWidthsFollowTheFieldsAndOutlastMovesThroughTheResult() {
        TPage page;
        TDBGrid& grid = *page.Window.wwDBGrid4;
        page.Run(QStringLiteral("SELECT PostnaSt, Naziv FROM Kraji ORDER BY PostnaSt"));
        const int charWidth = grid.fontMetrics().averageCharWidth();
        QCOMPARE(grid.columnWidth(1), page.Grid().ColumnChars(1) * charWidth + 6);
        grid.setColumnWidth(1, 321);
        QTest::mouseClick(page.Window.wwDBNavigator1->Button(nbLast), Qt::LeftButton);
        QTest::mouseClick(page.Window.wwDBNavigator1->Button(nbFirst), Qt::LeftButton);
        QCOMPARE(grid.columnWidth(1), 321);
        page.Run(QStringLiteral("SELECT Naziv, PostnaSt FROM Kraji"));
        QCOMPARE(grid.columnWidth(0), page.Grid().ColumnChars(0) * charWidth + 6);
    }

    // The stand-in's DropLink breaks the window's link at the live open. That failure stays silent
    // and drops the lost connection; the read-only retry reconnects and shows the rows.
    void aLinkLostAtTheLiveOpenIsRetriedReadOnlyWithoutAMessage() {
        TPage page("open");
        page.Run(townsQuery);
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
        QVERIFY(page.Window.Database->Connected());
        QVERIFY(page.Window.oeqQuery->Active());
        QVERIFY(!page.Window.oeqQuery->RequestLive());
        QCOMPARE(page.Cells().mid(0, 2), twoTowns);
        QCOMPARE(page.Ui.Cursor(), ckDefault);

        page.Run(townsQuery);
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
        QVERIFY(page.Window.oeqQuery->RequestLive());
        QCOMPARE(page.Cells().mid(0, 2), twoTowns);
    }

    void aLinkLostWhileScrollingTheGridReachesTheDefaultErrorDisplay() {
        // The grid reads the first rows at open; the link breaks past row 80 of the 100.
        TPage page("fetch:80");
        const QString pairs =
            QStringLiteral("SELECT a.PostnaSt, b.Naziv FROM Kraji a, Kraji b ORDER BY 1, 2");
        page.Run(pairs);
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
        QVERIFY(page.Grid().rowCount() < 80);
        QTest::mouseClick(page.Window.wwDBNavigator1->Button(nbLast), Qt::LeftButton);
        QCOMPARE(page.Ui.BoxTexts(), linkDropped);
        QCOMPARE(page.Ui.Boxes[0].Kind, bkError);
        ExpectDropped(page);

        page.Ui.Boxes.clear();
        page.Run(pairs);
        QTest::mouseClick(page.Window.wwDBNavigator1->Button(nbLast), Qt::LeftButton);
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
        QCOMPARE(page.Grid().rowCount(), 100);
    }

    void aLinkLostBetweenTwoRunsFailsTheSecondUnderNapakaAndTheThirdReconnects() {
        TPage page("between:1");
        page.Run(townsQuery);
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
        page.Run(QStringLiteral("UPDATE Kraji SET Naziv = Naziv WHERE PostnaSt = 1000"));
        QCOMPARE(page.Ui.BoxTexts(), Txt(u8"Napaka !\r\n") + linkDropped);
        ExpectDropped(page);

        page.Ui.Boxes.clear();
        page.Run(townsQuery);
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
        QCOMPARE(page.Cells().mid(0, 2), twoTowns);
    }

    void theNavigatorFollowsTheResultAndMovesItWithTheGrid() {
        TPage page;
        TDBNavigator& bar = *page.Window.wwDBNavigator1;
        auto enabled = [&](TNavigateBtn b) { return bar.Button(b)->isEnabled(); };
        QVERIFY(!enabled(nbNext));
        page.Run(QStringLiteral("SELECT PostnaSt, Naziv FROM Kraji ORDER BY PostnaSt"));
        TwwOEDataSet& q = *page.Window.oeqQuery;
        const int towns = page.Grid().rowCount();
        QVERIFY(towns > 3);
        QVERIFY(!enabled(nbFirst) && !enabled(nbPrior) && !enabled(nbPriorPage));
        QVERIFY(enabled(nbNext) && enabled(nbNextPage) && enabled(nbLast) && enabled(nbRefresh));
        // Records are shown, not written: the editing buttons stay off.
        QVERIFY(!enabled(nbInsert) && !enabled(nbDelete) && !enabled(nbEdit) && !enabled(nbPost));
        QCOMPARE(page.Window.wwDBGrid4->currentIndex().row(), 0);

        QTest::mouseClick(bar.Button(nbNext), Qt::LeftButton);
        QCOMPARE(q.Fields()[0].AsString(), page.Cells()[1].section('|', 0, 0).toStdString());
        QCOMPARE(page.Window.wwDBGrid4->currentIndex().row(), 1);
        QVERIFY(enabled(nbPrior));

        QTest::mouseClick(bar.Button(nbLast), Qt::LeftButton);
        QCOMPARE(page.Window.wwDBGrid4->currentIndex().row(), towns - 1);
        QVERIFY(!enabled(nbNext) && enabled(nbPrior));
        QTest::mouseClick(bar.Button(nbPrior), Qt::LeftButton);
        QCOMPARE(q.Fields()[0].AsString(), page.Cells()[towns - 2].section('|', 0, 0).toStdString());

        // A row picked in the grid becomes the active record.
        page.Window.wwDBGrid4->setCurrentIndex(page.Grid().index(2, 1));
        QCOMPARE(q.Fields()[0].AsString(), page.Cells()[2].section('|', 0, 0).toStdString());
        QCOMPARE(page.Grid().CurrentRow(), 2);
        QTest::mouseClick(bar.Button(nbFirst), Qt::LeftButton);
        QCOMPARE(page.Window.wwDBGrid4->currentIndex().row(), 0);
        QVERIFY(!enabled(nbFirst));
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
    }
};

QTEST_MAIN(SqlPageTest)
#include "SqlPageTest.moc"
