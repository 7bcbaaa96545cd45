// The SQL history entries and the caret position labels of the three editors.
#include "app/FMain.h"
#include "tests/app/RecordingUi.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>

using namespace tarvik;

namespace {
const QString Closing = QStringLiteral("-----------------------------");

struct TEditor {
    QPlainTextEdit* Memo;
    QLabel* Label;
};

// Puts the caret (anchor and position, as document offsets) and releases a key in the editor.
QString PositionAfterKey(const TEditor& editor, int anchor, int position) {
    QTextCursor cursor = editor.Memo->textCursor();
    cursor.setPosition(anchor);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    editor.Memo->setTextCursor(cursor);
    QTest::keyClick(editor.Memo, Qt::Key_Control);
    return editor.Label->text();
}
} // namespace

class HistoryTest : public QObject {
    Q_OBJECT
private slots:
    void entriesAppendHeaderLinesClosingLineAndAnEmptyLine() {
        TRecordingUi ui;
        TMain window;
        window.AddToHistory({QStringLiteral("SELECT *"), QString(), QStringLiteral("  FROM Kraji")},
                            Txt(u8"MS SQL"));
        window.AddToHistory({}, Txt(u8"Vsebina tabele"));
        QCOMPARE(QString(29, QLatin1Char('-')), Closing);
        const QStringList expected{Txt(u8"---------- MS SQL ----------"),
                                   QStringLiteral("SELECT *"),
                                   QString(),
                                   QStringLiteral("  FROM Kraji"),
                                   Closing,
                                   QString(),
                                   Txt(u8"---------- Vsebina tabele ----------"),
                                   Closing,
                                   QString()};
        QCOMPARE(window.mSQLHistory->toPlainText().split(QLatin1Char('\n')), expected);
    }

    void entriesGoAfterWhatTheUserTypedIntoTheHistory() {
        TRecordingUi ui;
        TMain window;
        window.mSQLHistory->setPlainText(QStringLiteral("moja opomba"));
        window.AddToHistory({QStringLiteral("SELECT 1")}, Txt(u8"SQL BDE"));
        QCOMPARE(EditorLines(window.mSQLHistory),
                 (QStringList{QStringLiteral("moja opomba"), Txt(u8"---------- SQL BDE ----------"),
                              QStringLiteral("SELECT 1"), Closing}));
    }

    void caretPositionsCountLinesFromOneAndLineBreaksAsTwoCharacters() {
        TRecordingUi ui;
        TMain window;
        const TEditor editors[] = {{window.mSQL, window.lSQLPosition},
                                   {window.mSQLNoData, window.lSQLNoDataPosition},
                                   {window.mSQLBDE, window.lSQLBDEPosition}};
        for (const TEditor& editor : editors) {
            editor.Label->setText(QStringLiteral("?"));
            QCOMPARE(PositionAfterKey(editor, 0, 0), Txt(u8"Poz.: 0/0"));

            editor.Memo->setPlainText(QStringLiteral("abcde\nfgh\n\nij"));
            QCOMPARE(PositionAfterKey(editor, 0, 0), Txt(u8"Poz.: 1/1"));
            QCOMPARE(PositionAfterKey(editor, 5, 5), Txt(u8"Poz.: 1/6"));
            QCOMPARE(PositionAfterKey(editor, 6, 6), Txt(u8"Poz.: 2/1"));
            QCOMPARE(PositionAfterKey(editor, 9, 9), Txt(u8"Poz.: 2/4"));
            QCOMPARE(PositionAfterKey(editor, 10, 10), Txt(u8"Poz.: 3/1"));
            QCOMPARE(PositionAfterKey(editor, 13, 13), Txt(u8"Poz.: 4/3"));
            // A selection shows where it starts, whichever end the caret is at.
            QCOMPARE(PositionAfterKey(editor, 8, 2), Txt(u8"Poz.: 1/3"));
            QCOMPARE(PositionAfterKey(editor, 7, 12), Txt(u8"Poz.: 2/2"));

            // The empty place after a final line break is no line of its own.
            editor.Memo->setPlainText(QStringLiteral("abc\n"));
            QCOMPARE(PositionAfterKey(editor, 4, 4), Txt(u8"Poz.: 1/1"));
            editor.Memo->setPlainText(QStringLiteral("abc\ndef\n"));
            QCOMPARE(PositionAfterKey(editor, 8, 8), Txt(u8"Poz.: 2/1"));
            editor.Memo->clear();
        }
    }

    void labelsChangeOnKeyReleaseOnly() {
        TRecordingUi ui;
        TMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.mSQL->setPlainText(QStringLiteral("SELECT 1\nFROM x"));
        const TEditor editor{window.mSQL, window.lSQLPosition};
        QCOMPARE(PositionAfterKey(editor, 0, 0), Txt(u8"Poz.: 1/1"));

        QTextCursor cursor = window.mSQL->textCursor();
        cursor.setPosition(12);
        window.mSQL->setTextCursor(cursor);
        QTest::mouseClick(window.mSQL->viewport(), Qt::LeftButton, {}, QPoint(60, 25));
        QTest::keyPress(window.mSQL, Qt::Key_End);
        QCOMPARE(window.lSQLPosition->text(), Txt(u8"Poz.: 1/1"));
        QTest::keyRelease(window.mSQL, Qt::Key_End);
        QVERIFY(window.lSQLPosition->text() != Txt(u8"Poz.: 1/1"));
        QCOMPARE(window.lSQLNoDataPosition->text(), Txt(u8"Poz.: 0/0"));
        QCOMPARE(window.lSQLBDEPosition->text(), Txt(u8"Poz.: 0/0"));
    }
};

QTEST_MAIN(HistoryTest)
#include "HistoryTest.moc"
