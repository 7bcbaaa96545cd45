// The "Duplicate key" page: key values occurring more than once, per MorvinaIndex.
#include "FMain.h"

// The whole check; arrives with the duplicate-key check.
void TMain::bDuplicateKeyClick() {}

// Checks one table; arrives with the duplicate-key check.
void TMain::CheckTableKeys(const QString& TableName, const QString& KeyFields) {
    (void)TableName;
    (void)KeyFields;
}
