// The connection header: data-source list, connecting, exit.
#include "FMain.h"

// Start-up step: the data sources of SQL Server drivers; filled with the data-source administrator.
void TMain::FillDataSources() {}

// Reconnects Database to the chosen data source; arrives with the connection.
void TMain::fDataSourceChange() {}

// Reconnects Database with the header's settings; arrives with the connection.
void TMain::bIzberiClick() {}

// Closing the only window ends the application; no confirmation.
void TMain::bKonecClick() {
    close();
}
