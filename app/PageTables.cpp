// The "Tabele in strukture" and "Podatki o bazi" pages: table list, fields, keys, database facts.
#include "app/FMain.h"

#include "app/Controls.h"

namespace tarvik {

// Start-up step: creates and opens the work tables TTableFields and TTableIndex; arrives with
// the field structure.
void TMain::CreateWorkTables() {}

// Shows the selected table's fields and keys; arrives with the field structure.
void TMain::TabeleClick() {}

// Writes the selected table's field list into mSQL; arrives with the contents page.
void TMain::bGetFieldsClick() {}

void TMain::IzberiVse1Click() {
    Tabele->SetAllChecked(true);
}

void TMain::OdkloniVse1Click() {
    Tabele->SetAllChecked(false);
}

// Exports the checked tables; arrives with the export.
void TMain::bTabeleIzvozClick() {}

} // namespace tarvik
