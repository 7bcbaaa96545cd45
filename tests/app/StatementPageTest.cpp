// The "SQL NoData" page: a batch on its own connection to the stand-in server, rows as text lines.
#include "app/FMain.h"
#include "tests/app/RecordingUi.h"
#include "tests/app/StandinSql.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace tarvik;

namespace {
// A window whose statement page names the test server and its demo database.
struct TPage {
    TRecordingUi Ui;
    TMain Window;
    TPage() {
        Window.fndServerName->setText(QStringLiteral("TARVIKTEST"));
        Window.fndDatabaseName->setText(QStringLiteral("Vidrol"));
    }
    // Runs the editor text as the button does and returns the result lines.
    QStringList Run(const QString& text) {
        Window.mSQLNoData->setPlainText(text);
        QTest::mouseClick(Window.bPozeniNoData, Qt::LeftButton);
        return EditorLines(Window.mSQLNoDataResult);
    }
};
} // namespace

class StatementPageTest : public QObject {
    Q_OBJECT
private slots:
    void rowsBecomeLinesWithSeparatorsOnlyAfterText() {
        TPage page;
        QCOMPARE(page.Run(QStringLiteral("SELECT NULL, 5")), QStringList{QStringLiteral("5")});
        QCOMPARE(page.Run(QStringLiteral("SELECT 'a', NULL, 'c'")),
                 QStringList{QStringLiteral("a  <-->    <-->  c")});
        QCOMPARE(
            page.Run(
                QStringLiteral("SELECT PostnaSt, Naziv FROM Kraji WHERE PostnaSt < 3000 ORDER BY PostnaSt")),
            (QStringList{QStringLiteral("1000  <-->  Ljubljana"), QStringLiteral("2000  <-->  Maribor")}));
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
    }

    void editorLinesAreSentAsOneBatchAndEveryResultIsRead() {
        TPage page;
        QCOMPARE(page.Run(QStringLiteral("SELECT 1\nSELECT 'dva'\nSELECT 3 WHERE 1 = 0\nSELECT 4")),
                 (QStringList{QStringLiteral("1"), QStringLiteral("dva"), QStringLiteral("4")}));
        QCOMPARE(QString::fromStdString(page.Window.Hstmt->SQL()),
                 QStringLiteral(" SELECT 1 SELECT 'dva' SELECT 3 WHERE 1 = 0 SELECT 4"));
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
    }

    void readingStopsAtAResultWithoutRowsAndShowsNothing() {
        TPage page;
        page.Window.mSQLNoDataResult->setPlainText(QStringLiteral("staro"));
        QCOMPARE(page.Run(QStringLiteral("UPDATE Kraji SET Naziv = Naziv WHERE PostnaSt = 1000\nSELECT 7")),
                 QStringList{});
        QCOMPARE(page.Run(QStringLiteral(
                     "SELECT 1\nUPDATE Kraji SET Naziv = Naziv WHERE PostnaSt = 1000\nSELECT 7")),
                 QStringList{QStringLiteral("1")});
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
        QVERIFY(!page.Window.Hdbc->Connected());
    }

    void theMainConnectionIsClosedAndTheOwnOneLastsOneClick() {
        TPage page;
        page.Window.Database->SetAttributes({"SERVER=TARVIKTEST"});
        page.Window.Database->SetUserName("sa");
        page.Window.Database->Connect();
        QCOMPARE(page.Run(QStringLiteral("SELECT 1")), QStringList{QStringLiteral("1")});
        QVERIFY(!page.Window.Database->Connected());
        QVERIFY(!page.Window.Hdbc->Connected());
        QCOMPARE(page.Ui.Cursor(), ckDefault);
        QVERIFY(page.Ui.CursorChanges >= 2);

        // An empty database name sends no DATABASE= line: the login's default database applies.
        page.Window.fndDatabaseName->clear();
        QCOMPARE(page.Run(QStringLiteral("SELECT Naziv FROM Kraji WHERE PostnaSt = 1000")),
                 QStringList{QStringLiteral("Ljubljana")});
        QCOMPARE(page.Window.Hdbc->Attributes(), std::vector<std::string>{"SERVER=TARVIKTEST"});
        QVERIFY2(page.Ui.Boxes.empty(), qPrintable(page.Ui.BoxTexts()));
    }

    void aRefusedLoginShowsItsBoxAndEndsTheClick() {
        TPage page;
        page.Window.fndUserName->setText(QStringLiteral("tester"));
        page.Window.fndPassword->setText(QStringLiteral("narobe"));
        page.Window.mSQLNoDataResult->setPlainText(QStringLiteral("staro"));
        QCOMPARE(page.Run(QStringLiteral("SELECT 1")), QStringList{});
        QCOMPARE(int(page.Ui.Boxes.size()), 1);
        QCOMPARE(page.Ui.Boxes[0].Title, QStringLiteral("Error"));
        QVERIFY2(page.Ui.Boxes[0].Text.startsWith(Txt(u8"Prijava na SQL Server ni bila uspešna !\r\n")),
                 qPrintable(page.Ui.BoxTexts()));
        QVERIFY2(page.Ui.Boxes[0].Text.contains(QStringLiteral("tester")), qPrintable(page.Ui.BoxTexts()));
        QVERIFY(!page.Window.Hdbc->Connected());
        QCOMPARE(page.Ui.Cursor(), ckDefault);

        // The right password works on the next click.
        page.Window.fndPassword->setText(QStringLiteral("Geslo.1"));
        QCOMPARE(page.Run(QStringLiteral("SELECT 2")), QStringList{QStringLiteral("2")});
        QCOMPARE(int(page.Ui.Boxes.size()), 1);
    }

    void aFailingStatementShowsItsBoxAndStillDisconnects() {
        TPage page;
        QCOMPARE(page.Run(QStringLiteral("SELECT * FROM Manjka")), QStringList{});
        QCOMPARE(int(page.Ui.Boxes.size()), 1);
        QVERIFY2(page.Ui.Boxes[0].Text.startsWith(Txt(u8"Napaka v ukazu !\r\n")),
                 qPrintable(page.Ui.BoxTexts()));
        QVERIFY2(page.Ui.Boxes[0].Text.contains(QStringLiteral("Manjka")), qPrintable(page.Ui.BoxTexts()));
        QVERIFY(!page.Window.Hdbc->Connected());
        QCOMPARE(page.Ui.Cursor(), ckDefault);
    }
};

QTEST_MAIN(StatementPageTest)
#include "StatementPageTest.moc"
