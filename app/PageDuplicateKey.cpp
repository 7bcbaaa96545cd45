// The "Duplicate key" page: key values occurring more than once, per MorvinaIndex.
#include "app/FMain.h"

#include "app/SafeSql.h"
#include "odbc/HStmt.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace tarvik {

// The check catches nothing on purpose: any failure ends it and reaches the default display,
// with the label still naming the table being checked and the lines so far kept.
void TMain::bDuplicateKeyClick() {
    ShowProgress(lDuplicateKey, Txt(u8"Začetek"));
    mDuplicateKey->clear();
    hQuery0->Close();
    hQuery0->SetSQL("SELECT TableName, FieldsName FROM MorvinaIndex ORDER BY TableName");
    hQuery0->Execute();
    while (hQuery0->FetchNext())
        CheckTableKeys(QString::fromStdString(hQuery0->ColString(1)),
                       QString::fromStdString(hQuery0->ColString(2)));
    hQuery0->Close();
    ShowProgress(lDuplicateKey, Txt(u8"Končano"));
}

// MorvinaIndex is data anyone with write access could have changed: the statement is built by
// DuplicateKeyStatement, which refuses names that are not plain identifiers before anything is
// sent. The label names the table first, so a refused row is the one it shows.
void TMain::CheckTableKeys(const QString& TableName, const QString& KeyFields) {
    ShowProgress(lDuplicateKey, TableName);
    int keyCount = 0;
    const std::string statement =
        DuplicateKeyStatement(TableName.toStdString(), KeyFields.toStdString(), keyCount);
    hQuery1->Close();
    hQuery1->SetSQL(statement);
    hQuery1->Execute();
    while (hQuery1->FetchNext()) {
        QString line;
        for (int column = 1; column <= keyCount; ++column) {
            if (!line.isEmpty()) line += QStringLiteral("; ");
            line += QString::fromStdString(hQuery1->ColString(static_cast<SQLUSMALLINT>(column)));
        }
        mDuplicateKey->appendPlainText(QStringLiteral("Tabela: ") + TableName + QStringLiteral(" <--> ") +
                                       line);
    }
    hQuery1->Close();
}

void TMain::ShowProgress(QLabel* Label, const QString& Text) {
    Label->setText(Text);
    Label->repaint();
}

} // namespace tarvik
