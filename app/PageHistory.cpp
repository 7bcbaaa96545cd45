// The "Zgodovina SQL ukazov" page and the editors' caret position labels.
#include "FMain.h"

// Appends one captioned entry to mSQLHistory; arrives with the history.
void TMain::AddToHistory(const QStringList& Lines, const QString& Title) {
    (void)Lines;
    (void)Title;
}

// Writes Memo's caret position into Label; arrives with the history.
void TMain::SetMemoPos(QPlainTextEdit* Memo, QLabel* Label) {
    (void)Memo;
    (void)Label;
}
