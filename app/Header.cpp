// The connection header: data-source list, connecting, exit.
#include "app/FMain.h"

#include "app/Controls.h"
#include "odbc/HDbc.h"
#include "odbc/catalog/Administrator.h"

#include <QLineEdit>

namespace tarvik {

// Start-up step: only data sources whose driver description is exactly "SQL Server" (any case) are offered.
void TMain::FillDataSources() {
    oeAdministrator->RefreshDataSources();
    for (const std::string& name : oeAdministrator->DataSources()) {
        const QString driver = QString::fromStdString(oeAdministrator->DataSourceDriver(name)).toUpper();
        if (driver == QStringLiteral("SQL SERVER")) fDataSource->AddItem(QString::fromStdString(name));
    }
}

// Connects Database anew with the header's user and password: always disconnects first, so a failed
// attempt leaves it disconnected, then refills the schema browser.
void TMain::ConnectDatabase(const std::string& dataSource, const std::vector<std::string>& attributes) {
    try {
        Database->Disconnect();
        Database->SetAttributes(attributes);
        Database->SetDataSource(dataSource);
        Database->SetUserName(fUserName->text().toStdString());
        Database->SetPassword(fPassword->text().toStdString());
        Database->SetConnected(true);
        FillTabele();
    } catch (const std::exception& E) {
        FillErrorMessage(E, Txt(u8"Napaka !"), true);
    }
}

void TMain::fDataSourceChange() {
    ConnectDatabase(fDataSource->currentText().toStdString(), {});
}

// The server and database boxes are sent even when empty: the driver decides what empty means.
void TMain::bIzberiClick() {
    ConnectDatabase("", {"SERVER=" + fServerName->text().toStdString(),
                         "DATABASE=" + fDatabaseName->text().toStdString()});
}

// Closing the only window ends the application; no confirmation.
void TMain::bKonecClick() {
    close();
}

} // namespace tarvik
