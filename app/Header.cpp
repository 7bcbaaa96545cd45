// The connection header: data-source list, connecting, exit.
#include "FMain.h"

#include "Administrator.h"
#include "Controls.h"

// Start-up step: only data sources whose driver description is exactly "SQL Server" (any case) are offered.
void TMain::FillDataSources() {
    oeAdministrator->RefreshDataSources();
    for (const std::string& name : oeAdministrator->DataSources()) {
        const QString driver = QString::fromStdString(oeAdministrator->DataSourceDriver(name)).toUpper();
        if (driver == QStringLiteral("SQL SERVER")) fDataSource->AddItem(QString::fromStdString(name));
    }
}

// Reconnects Database to the chosen data source; arrives with the connection.
void TMain::fDataSourceChange() {}

// Reconnects Database with the header's settings; arrives with the connection.
void TMain::bIzberiClick() {}

// Closing the only window ends the application; no confirmation.
void TMain::bKonecClick() {
    close();
}
