// The "SQL" page: runs the editor's text on the main connection.
#include "FMain.h"

// Runs mSQL through oeqQuery; arrives with the dataset.
void TMain::bPozeniSQLClick() {}

// Runs mSQL when needed, then saves oeqQuery; arrives with the export.
void TMain::bSQLShraniClick() {}

void TMain::mSQLKeyUp() {
    SetMemoPos(mSQL, lSQLPosition);
}
