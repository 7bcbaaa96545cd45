// The "SQL NoData" page: a batch on the second connection, results as text lines.
#include "app/FMain.h"

#include "odbc/HDbc.h"
#include "odbc/HStmt.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace tarvik {

// Hdbc lives only for one click: it is logged in here and always disconnected at the end. A failed
// login ends the click; a failed statement is reported and the closing steps still run.
void TMain::bPozeniNoDataClick() {
    Database->Disconnect();
    mSQLNoDataResult->clear();
    try {
        Ui().SetCursor(ckHourGlass);
        Hdbc->Disconnect();
        std::vector<std::string> attributes{"SERVER=" + fndServerName->text().toStdString()};
        if (!fndDatabaseName->text().isEmpty())
            attributes.push_back("DATABASE=" + fndDatabaseName->text().toStdString());
        Hdbc->SetAttributes(attributes);
        Hdbc->SetUserName(fndUserName->text().toStdString());
        Hdbc->SetPassword(fndPassword->text().toStdString());
        Hdbc->Connect();
    } catch (const std::exception& E) {
        FillErrorMessage(E, Txt(u8"Prijava na SQL Server ni bila uspešna !"), true);
    }
    try {
        // One batch, one line: every editor line follows a blank.
        std::string batch;
        for (const QString& line : EditorLines(mSQLNoData))
            batch += " " + line.toStdString();
        Hstmt->SetSQL(batch);
        Hstmt->Execute();
        ReadNoDataResults();
        Hstmt->Close();
    } catch (const std::exception& E) {
        FillErrorMessage(E, Txt(u8"Napaka v ukazu !"), false);
    }
    Ui().SetCursor(ckDefault);
    Hdbc->Disconnect();
}

// Every row of every result as one line, values joined by "  <-->  " once the line holds text.
// The first failure (fetching from a statement without rows, for one) silently ends the reading.
void TMain::ReadNoDataResults() {
    try {
        do {
            while (Hstmt->FetchNext()) {
                QString line;
                for (SQLUSMALLINT column = 1; column <= Hstmt->NumCols(); ++column) {
                    if (!line.isEmpty()) line += QStringLiteral("  <-->  ");
                    line += QString::fromStdString(Hstmt->ColString(column));
                }
                mSQLNoDataResult->appendPlainText(line);
            }
        } while (Hstmt->MoreResults());
    } catch (const std::exception&) {
    }
}

void TMain::mSQLNoDataKeyUp() {
    SetMemoPos(mSQLNoData, lSQLNoDataPosition);
}

} // namespace tarvik
