#include "localdb/LocalTable.h"

#include "core/Text.h"
#include "localdb/Codepage.h"
#include "localdb/DbfTable.h"
#include "localdb/ParadoxTable.h"
#include "localdb/TableFile.h"

#include <algorithm>

namespace tarvik {

std::string TLocalTable::TablePath(const std::string& tableName) {
    if (tableName.empty()) throw EDatabaseError("Table name is empty");
    return FileExtension(tableName).empty() ? tableName + ".db" : tableName;
}

bool TLocalTable::IsDBase(const std::string& tableName) {
    return FileExtension(tableName) == ".dbf";
}

void TLocalTable::Create(const std::string& tableName, const TFieldDefs& fields, const TIndexDefs& indexes) {
    const std::string path = TablePath(tableName);
    CheckFieldDefs(path, fields);
    // A table someone has open is not replaced under them.
    TFile existing;
    if (FileExists(path)) {
        try {
            existing = TFile(path, TFile::faRead);
        } catch (const EDatabaseError&) { // unreadable: nobody can have it open through us
        }
        if (existing.IsOpen()) existing.Lock(true);
    }
    if (IsDBase(path))
        TDbfTable::CreateFile(path, fields);
    else
        TParadoxTable::CreateFile(path, fields, indexes);
}

std::unique_ptr<TLocalTable> TLocalTable::Open(const std::string& tableName, TOpenMode mode) {
    const std::string path = TablePath(tableName);
    if (IsDBase(path)) return std::make_unique<TDbfTable>(path, mode);
    return std::make_unique<TParadoxTable>(path, mode);
}

TLocalTable::TLocalTable(std::string fileName, TFieldDefs fieldDefs)
    : FFileName(std::move(fileName)), FFieldDefs(std::move(fieldDefs)) {}

TLocalTable::~TLocalTable() = default;

void TLocalTable::Raise(const std::string& what) const {
    RaiseFileError(FFileName, what);
}

void TLocalTable::RaiseFieldIndex(int index) const {
    Raise("field index " + std::to_string(index) + " out of range");
}

void TLocalTable::RaiseNotAppending() const {
    Raise("the table is not in append mode");
}

int TLocalTable::FindField(const std::string& name) const {
    for (int i = 0; i < FieldCount(); ++i)
        if (SameTextAscii(FFieldDefs[static_cast<std::size_t>(i)].Name, name)) return i;
    return -1;
}

int TLocalTable::FieldIndex(const std::string& name) const {
    const int i = FindField(name);
    if (i < 0) Raise("field '" + name + "' not found");
    return i;
}

void TLocalTable::First() {
    if (FClosed) Raise("the table is closed");
    FAppending = false;
    DoFlush();
    DoFirst();
}

void TLocalTable::Next() {
    if (FClosed) Raise("the table is closed");
    if (!DoEof()) DoNext();
}

void TLocalTable::RaiseNoRow() const {
    Raise("no current row (end of table)");
}

void TLocalTable::Append() {
    if (FClosed) Raise("the table is closed");
    FNewRow.resize(FFieldDefs.size());
    for (TVariant& value : FNewRow)
        value = TVariant();
    FAppending = true;
}

void TLocalTable::Post() {
    if (!FAppending) RaiseNotAppending();
    for (std::size_t i = 0; i < FFieldDefs.size(); ++i)
        if (FFieldDefs[i].Required && FNewRow[i].IsNull() && FFieldDefs[i].DataType != ftAutoInc)
            Raise("field '" + FFieldDefs[i].Name + "' must have a value");
    DoPost(FNewRow);
    FAppending = false;
}

void TLocalTable::Empty() {
    if (FClosed) Raise("the table is closed");
    FAppending = false;
    DoEmpty();
}

void TLocalTable::Close() {
    if (FClosed) return;
    FAppending = false;
    try {
        DoFlush();
    } catch (...) {
        CloseQuietly();
        throw;
    }
    CloseQuietly();
}

void TLocalTable::CloseQuietly() noexcept {
    if (FClosed) return;
    FClosed = true;
    DoClose();
}

std::vector<std::string> FitFieldNames(const std::string& fileName, const TFieldDefs& fields,
                                       std::size_t maxLength) {
    std::vector<std::string> names;
    for (const TFieldDef& f : fields) {
        if (f.Name.empty()) RaiseFileError(fileName, "a field has no name");
        // The files hold one byte per character, so cut whole characters, not UTF-8 bytes.
        auto cut = [&](std::size_t length) { return f.Name.substr(0, Utf8PrefixOfChars(f.Name, length)); };
        std::string name = cut(maxLength);
        for (int n = 1; std::any_of(names.begin(), names.end(),
                                    [&](const std::string& other) { return SameTextAscii(other, name); });
             ++n) {
            const std::string suffix = std::to_string(n);
            name = cut(maxLength - suffix.size()) + suffix;
        }
        names.push_back(name);
    }
    return names;
}

void CheckFieldDefs(const std::string& fileName, const TFieldDefs& fields) {
    if (fields.empty()) RaiseFileError(fileName, "a table needs at least one field");
    if (fields.size() > 255) RaiseFileError(fileName, "a table holds at most 255 fields");
    for (const TFieldDef& f : fields) {
        switch (f.DataType) {
        case ftCursor:
        case ftADT:
        case ftArray:
        case ftReference:
        case ftDataSet:
            RaiseFileError(fileName, "field '" + f.Name + "' of type " + FieldTypeIdent(f.DataType) +
                                         " cannot be stored in a table file");
        default:
            break;
        }
        if (f.Size < 0) RaiseFileError(fileName, "field '" + f.Name + "' has a negative size");
    }
}

} // namespace tarvik
