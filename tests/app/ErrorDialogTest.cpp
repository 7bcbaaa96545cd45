// The paging dialog of an ODBC failure and its installation behind ShowErrorDialog.
#include "app/OCLError.h"
#include "odbc/ODBCError.h"
#include "tests/app/RecordingUi.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace tarvik;

namespace {
EODBC TwoRecords() {
    return EODBC(
        nullptr, SQL_ERROR,
        {TErrorRec{"42S02", 208, "Invalid object name 'x'."}, TErrorRec{"01000", 3621, "Statement ended."}});
}
} // namespace

class ErrorDialogTest : public QObject {
    Q_OBJECT
private slots:
    void opensCollapsedOnTheFirstRecord() {
        EODBC error = TwoRecords();
        error.Next(); // a previous look must not leak into the dialog
        TOEErrorDialog dialog(error, QStringLiteral("Cannot connect Database to database."));
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Database Error: Tarvik"));
        QCOMPARE(dialog.Headline->text(), QStringLiteral("Cannot connect Database to database."));
        QCOMPARE(dialog.size(), QSize(291, 86));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize()); // not resizable
        QCOMPARE(dialog.DetailsBtn->text(), QStringLiteral("Details >>"));
        QCOMPARE(dialog.ErrorText->toPlainText(), QStringLiteral("Invalid object name 'x'."));
        QCOMPARE(dialog.ODBCError->text(), QStringLiteral("42S02"));
        QCOMPARE(dialog.DatabaseError->text(), QStringLiteral("208"));
        QVERIFY(!dialog.PrevBtn->isEnabled());
        QVERIFY(dialog.NextBtn->isEnabled());
        QVERIFY(dialog.OKBtn->isDefault());
        QCOMPARE(dialog.Bevel->y(), 88);
    }

    void detailsToggleBetweenTheTwoHeights() {
        EODBC error = TwoRecords();
        TOEErrorDialog dialog(error, QStringLiteral("h"));
        dialog.show();
        dialog.DetailsBtn->click();
        QCOMPARE(dialog.size(), QSize(291, 245));
        QCOMPARE(dialog.NextBtn->geometry().bottom() + 1 + 4, 245);
        QCOMPARE(dialog.DetailsBtn->text(), QStringLiteral("Details <<"));
        dialog.DetailsBtn->click();
        QCOMPARE(dialog.size(), QSize(291, 86));
        QCOMPARE(dialog.DetailsBtn->text(), QStringLiteral("Details >>"));
    }

    void pagingStopsAtBothEnds() {
        EODBC error = TwoRecords();
        TOEErrorDialog dialog(error, QStringLiteral("h"));
        dialog.show();
        dialog.NextBtn->click();
        QCOMPARE(dialog.ErrorText->toPlainText(), QStringLiteral("Statement ended."));
        QCOMPARE(dialog.DatabaseError->text(), QStringLiteral("3621"));
        QVERIFY(dialog.PrevBtn->isEnabled() && dialog.NextBtn->isEnabled());
        dialog.NextBtn->click(); // past the end: stays on the second record
        QCOMPARE(dialog.ErrorText->toPlainText(), QStringLiteral("Statement ended."));
        QCOMPARE(dialog.ODBCError->text(), QStringLiteral("01000"));
        QCOMPARE(error.CurrentIndex(), 1);
        QVERIFY(!dialog.NextBtn->isEnabled());
        dialog.PrevBtn->click();
        QCOMPARE(dialog.ODBCError->text(), QStringLiteral("42S02"));
        QVERIFY(dialog.NextBtn->isEnabled());
        dialog.PrevBtn->click(); // before the start: stays on the first record
        QCOMPARE(dialog.ODBCError->text(), QStringLiteral("42S02"));
        QCOMPARE(error.CurrentIndex(), 0);
        QVERIFY(!dialog.PrevBtn->isEnabled());
    }

    void aSingleRecordDisablesNextOnTheFirstPress() {
        EODBC error(nullptr, SQL_NO_DATA, {TErrorRec{"", 0, "No Data Found"}});
        TOEErrorDialog dialog(error, QStringLiteral("h"));
        dialog.show();
        dialog.NextBtn->click();
        QCOMPARE(dialog.ErrorText->toPlainText(), QStringLiteral("No Data Found"));
        QCOMPARE(dialog.DatabaseError->text(), QStringLiteral("0"));
        QVERIFY(!dialog.NextBtn->isEnabled());
    }

    void showErrorDialogGoesThroughTheSeamOnceInstalled() {
        TRecordingUi ui;
        EODBC error = TwoRecords();
        ShowErrorDialog(error, "before");
        QVERIFY(ui.ErrorDialogs.empty()); // nothing installed yet: nothing shown
        InstallErrorDialog();
        ShowErrorDialog(error, "Cannot connect Database to database.");
        QCOMPARE(ui.ErrorDialogs.size(), size_t(1));
        QCOMPARE(ui.ErrorDialogs.front().Headline, QStringLiteral("Cannot connect Database to database."));
        QCOMPARE(ui.ErrorDialogs.front().Records.size(), size_t(2));
    }
};

QTEST_MAIN(ErrorDialogTest)
#include "ErrorDialogTest.moc"
