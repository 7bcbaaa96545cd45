// The "SQL NoData" page: a batch on the second connection, results as text lines.
#include "FMain.h"

// Logs in on Hdbc and runs mSQLNoData; arrives with the statement page.
void TMain::bPozeniNoDataClick() {}

void TMain::mSQLNoDataKeyUp() {
    SetMemoPos(mSQLNoData, lSQLNoDataPosition);
}
