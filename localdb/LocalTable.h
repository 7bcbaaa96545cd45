#pragma once
// TLocalTable: one open table file of the local table engine, Paradox (.db) or dBase (.dbf). It reads
// rows in file order (first/next/end test), appends rows (append, set values, post) and empties the
// table. Text is UTF-8 in memory and code page 1250 in the files we create; a file of another program
// is read and appended to in the code page its header names (437, 850, 852, 1250 or 1252), and one
// naming a code page we lack is read as 1250 and takes no new rows. Every failure raises
// EDatabaseError whose message begins with the file's path.
//
// How each field type is kept:
//   type                          Paradox (.db, .mb, .px)            dBase (.dbf, .dbt)
//   ftString, ftFixedChar,        Alpha of the size (1..255);         Character of the size (1..254);
//   ftWideString, ftUnknown       longer: memo                        longer: memo
//   ftSmallint                    Short                              Numeric(6)
//   ftWord                        Long (reads back as ftInteger)     Numeric(5)
//   ftInteger                     Long                               Numeric(11)
//   ftAutoInc                     AutoInc (numbered when left NULL)  Numeric(11), numbered like Paradox
//   ftLargeint                    BCD without decimals: exact        Numeric(20): exact
//   ftFloat, ftBCD                Number                             Numeric(20, decimals): 15 digits
//   ftCurrency                    Money                              Numeric(20, 4)
//   ftBoolean                     Logical                            Logical
//   ftDate                        Date                               Date
//   ftTime                        Time (milliseconds)                Character(12) "HH:MM:SS.mmm"
//   ftDateTime                    Timestamp (milliseconds)           Character(23) "YYYY-MM-DD HH:MM:SS.mmm"
//   ftBytes                       binary blob with the first Size     Character holding hex digits
//                                 bytes (up to 240) in the row;      (memo when longer than 127 bytes)
//                                 reads back as ftBlob
//   ftVarBytes, ftBlob,           binary blob (ftGraphic: graphic,   memo holding hex digits
//   ftTypedBinary, ftGraphic,     the OLE types: OLE)
//   ftParadoxOle, ftDBaseOle
//   ftMemo, ftFmtMemo             memo, formatted memo; the first    memo
//                                 Size bytes (default 10) in the row
// ftCursor, ftADT, ftArray, ftReference and ftDataSet hold no storable value and are refused.
// Our dBase writer notes each column's original type, size and Required flag in reserved bytes of
// its descriptor, so time, date-time, byte and 64-bit columns read back with their own types and
// Post enforces Required; other programs see the plain columns above. Paradox keeps Required in a
// .VAL file, which we do not write: a Paradox table reports and enforces no Required field. NULL reads back
// as NULL in every type; neither format tells an empty string from NULL, so an empty string reads back as
// NULL, and dBase drops trailing blanks. Paradox keeps no time zone and no sub-millisecond digits, and cannot
// store the most negative smallint and integer (their patterns mean NULL); an empty byte value reads back as
// NULL. Field names longer than the format allows (25 Paradox, 10 dBase characters) are shortened and made
// unique. Secondary indexes are not kept; a Paradox primary index must consist of the leading fields and is
// written to the .px file; dBase tables keep no index.
#include "core/Variant.h"
#include "localdb/TableDefs.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvik {

class TLocalTable {
public:
    // The file a table name denotes: ".dbf" (any case) is dBase, ".db" or no extension Paradox;
    // a name without extension gets ".db"; a bare name lies in the current directory.
    static std::string TablePath(const std::string& tableName);
    static bool IsDBase(const std::string& tableName);

    // Creates the table with its companion files, replacing any table of that name all at once
    // (written under temporary names, then renamed) and removing the old table's other companions
    // (Paradox .VAL, .TV, .FAM, .Xnn, .Ynn; dBase .ndx, .cdx, .mdx, .fpt); the old table stays intact
    // when writing the new one fails. A table that is open (in this process or another) is busy.
    static void Create(const std::string& tableName, const TFieldDefs& fields, const TIndexDefs& indexes);
    // Opens the table positioned on its first row; throws EDatabaseError for a missing, locked,
    // unreadable, truncated or corrupt file. The caller owns the result. Shared opens may all read
    // and append: their writes take turns, and one that finds the table changed by another since it
    // read it refuses to write (reopen to add rows).
    static std::unique_ptr<TLocalTable> Open(const std::string& tableName, TOpenMode mode);

    virtual ~TLocalTable(); // writes pending rows; errors are lost, so call Close to see them
    TLocalTable(const TLocalTable&) = delete;
    TLocalTable& operator=(const TLocalTable&) = delete;

    const std::string& FileName() const { return FFileName; }
    int FieldCount() const { return static_cast<int>(FFieldDefs.size()); }
    const TFieldDefs& FieldDefs() const { return FFieldDefs; }
    // Throws EDatabaseError for a position outside 0..FieldCount()-1.
    const TFieldDef& FieldDef(int index) const {
        if (index < 0 || index >= FieldCount()) RaiseFieldIndex(index);
        return FFieldDefs[static_cast<std::size_t>(index)];
    }
    // Field names compare without regard to letter case; FindField gives -1, FieldIndex throws.
    int FindField(const std::string& name) const;
    int FieldIndex(const std::string& name) const;
    // Rows in the file (the header's count), not counting a row being appended.
    virtual std::int64_t RecordCount() const = 0;

    // Navigation in file order (key order for a keyed Paradox table). Pending rows are written first.
    void First();
    void Next();
    bool Eof() const { return FClosed || DoEof(); }

    // The current row's value (the new row's while appending); throws at the end of the table.
    TVariant Value(int index) const {
        FieldDef(index);
        if (FAppending) return FNewRow[static_cast<std::size_t>(index)];
        if (Eof()) RaiseNoRow();
        return DoValue(index);
    }
    TVariant Value(const std::string& name) const { return Value(FieldIndex(name)); }

    // Starts a new row with every field NULL (a row already being appended is discarded).
    void Append();
    // Sets a field of the new row; throws when no row is being appended. Inline: filling rows is the
    // hot loop of an import, and the value's kind is then known where it is stored.
    void SetValue(int index, TVariant value) {
        FieldDef(index);
        if (!FAppending) RaiseNotAppending();
        FNewRow[static_cast<std::size_t>(index)] = std::move(value);
    }
    void SetValue(const std::string& name, TVariant value) { SetValue(FieldIndex(name), std::move(value)); }
    // Stores the new row; throws (keeping the new row) when a required field is NULL, a value does not
    // fit its column, a key repeats or the write fails.
    void Post();
    void Cancel() { FAppending = false; }
    bool Appending() const { return FAppending; }

    // Removes every row (and memo) through a replacement of the files, and the index files of the old
    // rows; the definitions stay, with the Paradox companions that describe them (.VAL, .TV, .FAM).
    // Needs an exclusive open.
    void Empty();
    // Writes pending rows and closes the files; throws when the final write fails. Further calls do nothing.
    void Close();

protected:
    TLocalTable(std::string fileName, TFieldDefs fieldDefs);
    [[noreturn]] void Raise(const std::string& what) const;
    void SetFieldDefs(TFieldDefs defs) { FFieldDefs = std::move(defs); }

    virtual void DoFirst() = 0;
    virtual void DoNext() = 0;
    virtual bool DoEof() const = 0;
    virtual TVariant DoValue(int index) const = 0;
    // Row values, one per field (auto-increment fields may be filled in); throws without storing.
    virtual void DoPost(std::vector<TVariant>& row) = 0;
    virtual void DoEmpty() = 0;
    virtual void DoFlush() = 0;
    virtual void DoClose() noexcept = 0;
    void CloseQuietly() noexcept; // for derived destructors

private:
    [[noreturn]] void RaiseFieldIndex(int index) const;
    [[noreturn]] void RaiseNotAppending() const;
    [[noreturn]] void RaiseNoRow() const;

    std::string FFileName;
    TFieldDefs FFieldDefs;
    std::vector<TVariant> FNewRow;
    bool FAppending = false;
    bool FClosed = false;
};

// Makes field names fit a format: at most maxLength characters (bytes in the file's code page), cut
// between letters, unique without regard to letter case (a clash gets a numeric suffix); raises
// EDatabaseError naming the file for an empty name.
std::vector<std::string> FitFieldNames(const std::string& fileName, const TFieldDefs& fields,
                                       std::size_t maxLength);
// Checks a definition list before creation: at least one field, storable types, sensible sizes.
void CheckFieldDefs(const std::string& fileName, const TFieldDefs& fields);

} // namespace tarvik
