// Refilling the schema browser after a connection: the database list, the header boxes,
// the database facts page and the table list.
#include "app/FMain.h"
#include "app/SafeSql.h"

#include "app/Controls.h"
#include "app/StdProc.h"
#include "odbc/HDbc.h"
#include "odbc/HStmt.h"
#include "odbc/catalog/Catalog.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>

#include <memory>

namespace tarvik {

namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QStringList ToList(const std::vector<std::string>& items) {
    QStringList list;
    for (const std::string& item : items)
        list << Q(item);
    return list;
}
} // namespace

void TMain::FillTabele() {
    try {
        Ui().SetCursor(ckHourGlass);
        fDatabaseData->clear();
        Tabele->clear();
        std::vector<std::string> list;
        fDataBases->SetItems({});
        GetDatabaseList(*Database, list);
        fDataBases->SetItems(ToList(list));

        std::string server, host, database;
        GetServerInfo(*Database, server, host, database);
        fDatabaseData->appendPlainText(Txt(u8"Current Server Name ...= ") + Q(server));
        fDatabaseData->appendPlainText(Txt(u8"Current Host Name .....= ") + Q(host));
        fDatabaseData->appendPlainText(Txt(u8"Current Database Name .= ") + Q(database));
        fServerName->setText(Q(server));
        fDatabaseName->setText(Q(database));

        GetDatabaseUsers(*Database, "", list, true);
        fDatabaseData->appendPlainText(QString());
        fDatabaseData->appendPlainText(Txt(u8"Prijavljeni uporabniki = ") +
                                       ToList(list).join(QStringLiteral(", ")));

        FillDatabaseFileName();

        oeCatalog->Refresh();
        for (const std::string& name : oeCatalog->TableNames())
            Tabele->AddItem(Q(name));
        oeCatalog->ReleaseStatement();
        {
            // Choosing the first table programmatically is not a click: TabeleClick runs once, below.
            const QSignalBlocker quiet(Tabele);
            Tabele->setCurrentRow(Tabele->count() > 0 ? 0 : -1);
        }
        TabeleClick();
        Ui().SetCursor(ckDefault);
    } catch (const std::exception& E) {
        FillErrorMessage(E, Txt(u8"Napaka !"), true);
    }
}

void TMain::FillDatabaseFileName() {
    auto stmt = std::make_unique<THstmt>(nullptr);
    fDatabaseData->appendPlainText(QString());
    fDatabaseData->appendPlainText(Txt(u8"Podatki o datotekah na serverju"));
    stmt->SethDbc(Database);
    // The name is the server's own answer, so whoever created the database chose it: a quote in
    // it would end the literal and let the rest run as statements. Such a name is refused before
    // anything is sent (the query of a quoted name failed on the server anyway).
    const std::string name = fDatabaseName->text().toStdString();
    RequireQuotableValue(name, "baze");
    stmt->SetSQL("exec sp_helpdb @dbname=N'" + name + "'");
    stmt->Execute();
    if (stmt->MoreResults()) {
        static const char8_t* const labels[] = {u8"Ime ...................= ", u8"Ime datoteke ..........= ",
                                                u8"Tip ...................= ", u8"Dolžina ...............= ",
                                                u8"Maksimalna dolžina ....= ", u8"Faktor povečanja ......= "};
        static const SQLUSMALLINT columns[] = {1, 3, 4, 5, 6, 7};
        while (stmt->FetchNext())
            for (int i = 0; i < 6; ++i)
                fDatabaseData->appendPlainText(Txt(labels[i]) + Q(stmt->ColString(columns[i])));
    }
    stmt->Close();
}

} // namespace tarvik
