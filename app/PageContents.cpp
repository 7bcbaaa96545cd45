// The "Vsebina tabele" page: the selected table's rows in an editable grid.
#include "app/FMain.h"

namespace tarvik {

// Opens the selected table's contents when that page is shown; arrives with the contents page.
void TMain::PageControlChange() {}

// Saves qVsebina as a local table; arrives with the export.
void TMain::bShraniClick() {}

} // namespace tarvik
