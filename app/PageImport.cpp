// The "Uvoz podatkov" page: local Paradox tables into the server tables of the same names.
#include "app/FMain.h"

#include "app/Controls.h"

namespace tarvik {

// Lists the tables of the directory chosen through OpenDialog; arrives with the import.
void TMain::bUvozOdpriClick() {}

// The import; arrives with the import.
void TMain::bUvozUvoziClick() {}

void TMain::miUvozIzberiVseClick() {
    clbUvozTabele->SetAllChecked(true);
}

void TMain::miUvozOdkloniVseClick() {
    clbUvozTabele->SetAllChecked(false);
}

} // namespace tarvik
