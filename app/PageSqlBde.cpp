// The "SQL BDE" page: SQL through an alias of the local table engine.
#include "app/FMain.h"

#include "app/Controls.h"

namespace tarvik {

// Start-up step: fills Vidrol and classifies its initial alias; arrives with the local engine.
void TMain::FillAliases() {}

void TMain::VidrolChange() {
    GetVidrolAliasType(Vidrol->currentText());
}

// Sets fDatabase from the alias's driver; arrives with the local engine.
void TMain::GetVidrolAliasType(const QString& AliasName) {
    (void)AliasName;
}

// Runs mSQLBDE through qQueryBDE; arrives with the local engine.
void TMain::bPozeniBDEClick() {}

// Runs mSQLBDE when needed, then saves qQueryBDE; arrives with the export.
void TMain::bShraniBDEClick() {}

void TMain::mSQLBDEKeyUp() {
    SetMemoPos(mSQLBDE, lSQLBDEPosition);
}

} // namespace tarvik
