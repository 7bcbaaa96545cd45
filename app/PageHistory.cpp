// The "Zgodovina SQL ukazov" page and the editors' caret position labels.
#include "app/FMain.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace tarvik {

// Entries only ever grow at the end, so the history reads in the order the texts were sent.
void TMain::AddToHistory(const QStringList& Lines, const QString& Title) {
    mSQLHistory->appendPlainText(QStringLiteral("---------- ") + Title + QStringLiteral(" ----------"));
    for (const QString& line : Lines)
        mSQLHistory->appendPlainText(line);
    mSQLHistory->appendPlainText(QString(29, QLatin1Char('-')));
    mSQLHistory->appendPlainText(QString());
}

namespace {
QStringList LinesOf(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty()) lines.removeLast();
    return lines;
}
} // namespace

QStringList EditorLines(const QPlainTextEdit* memo) {
    return LinesOf(memo->toPlainText());
}

// Line breaks count two characters here (CR LF), while the editor stores one: the caret
// offset is widened by one per line break before it.
void TMain::SetMemoPos(QPlainTextEdit* Memo, QLabel* Label) {
    const QString text = Memo->toPlainText();
    const int caret = Memo->textCursor().selectionStart();
    const qsizetype start = caret + text.left(caret).count(QLatin1Char('\n'));
    const QStringList lines = LinesOf(text);
    qsizetype line = 0, column = 0, preceding = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype length = lines[i].size();
        if (preceding + length >= start) {
            line = i + 1;
            column = start - preceding + 1;
            break;
        }
        preceding += length + 2;
    }
    if (line == 0 && column == 0 && !lines.isEmpty()) {
        line = lines.size();
        column = 1;
    }
    Label->setText(QStringLiteral("Poz.: %1/%2").arg(line).arg(column));
}

} // namespace tarvik
