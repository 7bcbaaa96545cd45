#pragma once
// A dataset's statement settings (TDataSetHstmt) and the table its row operations write to
// (TTarget). The settings object keeps no state: each property is the statement's own, with the
// couplings a dataset needs (settings that change the cursor terminate the statement first).
#include "odbc/HStmt.h"

#include <memory>
#include <string>
#include <vector>

namespace tarvik {

class TCustomOEDataSet;

class TTarget {
public:
    explicit TTarget(THstmt& statement) : FStatement(statement) {}

    const std::string& TargetTable() const { return FTargetTable; }
    void SetTargetTable(const std::string& value) { FTargetTable = value; }
    // Column names that identify a row; left out of inserts; left out of updates, deletes, refreshes.
    std::vector<std::string>& PrimaryCols() { return FPrimaryCols; }
    std::vector<std::string>& InsertSkipCols() { return FInsertSkipCols; }
    std::vector<std::string>& UpdateSkipCols() { return FUpdateSkipCols; }
    const std::vector<std::string>& PrimaryCols() const { return FPrimaryCols; }
    const std::vector<std::string>& InsertSkipCols() const { return FInsertSkipCols; }
    const std::vector<std::string>& UpdateSkipCols() const { return FUpdateSkipCols; }

    // A list's text form: every item followed by ";" (the empty text for an empty list).
    static std::string ListText(const std::vector<std::string>& list);
    // The items of a text form: each piece that ends in ";"; text after the last ";" is dropped.
    static std::vector<std::string> ParseListText(const std::string& text);

    // Empties the table name and the three lists.
    void Clear();
    // The stored form: the version tag "OE5.05", the table name and the three lists' texts.
    std::vector<std::string> Persisted() const;
    // Reads a stored form. A tag ordering before "OE5.03" carries two list texts, and the update
    // skip list then equals the insert skip list. Throws EVERODezuzid "Invalid Target property."
    // for a form with fewer strings than its tag needs; nothing changes then.
    void ReadPersisted(const std::vector<std::string>& lines);

    THstmt& Statement() const { return FStatement; }

private:
    THstmt& FStatement;
    std::string FTargetTable;
    std::vector<std::string> FPrimaryCols, FInsertSkipCols, FUpdateSkipCols;
};

class TDataSetHstmt {
public:
    // Hooks the statement's termination to the dataset (it closes and un-prepares) and gives the
    // statement the dataset defaults: read-only keyset cursor, rowsets of one row.
    TDataSetHstmt(TCustomOEDataSet& dataSet, THstmt& statement);
    // Unhooks the statement. Never throws.
    ~TDataSetHstmt();
    TDataSetHstmt(const TDataSetHstmt&) = delete;
    TDataSetHstmt& operator=(const TDataSetHstmt&) = delete;

    // The setters below that change the cursor terminate the statement first (closing the
    // dataset) and may throw EODBC from that.
    SQLUINTEGER ConcurrencyType() const { return FStatement.ConcurrencyType(); }
    void SetConcurrencyType(SQLUINTEGER value);
    SQLUINTEGER CursorType() const { return FStatement.CursorType(); }
    void SetCursorType(SQLUINTEGER value);
    SQLULEN RowSetSize() const { return FStatement.RowSetSize(); }
    // A size above 1 switches the dataset's row cache on.
    void SetRowSetSize(SQLULEN value);
    bool SkipByPosition() const { return FStatement.SkipByPosition(); }
    // Switching either skip flag off switches the dataset's row cache off.
    void SetSkipByPosition(bool value);
    bool SkipByCursor() const { return FStatement.SkipByCursor(); }
    void SetSkipByCursor(bool value);
    bool BindBookmarks() const { return FStatement.BindBookmarks(); }
    void SetBindBookmarks(bool value);

    SQLINTEGER BlobSize() const { return FStatement.BlobSize(); }
    void SetBlobSize(SQLINTEGER value) { FStatement.SetBlobSize(value); }
    bool BlobDeferral() const { return FStatement.BlobDeferral(); }
    void SetBlobDeferral(bool value) { FStatement.SetBlobDeferral(value); }
    TBlobPlacement BlobPlacement() const { return FStatement.BlobPlacement(); }
    void SetBlobPlacement(TBlobPlacement value) { FStatement.SetBlobPlacement(value); }
    bool ExecAsync() const { return FStatement.ExecAsync(); }
    void SetExecAsync(bool value) { FStatement.SetExecAsync(value); }
    TEmptyToNull EmptyStringToNull() const { return FStatement.EmptyStringToNull(); }
    void SetEmptyStringToNull(TEmptyToNull value) { FStatement.SetEmptyStringToNull(value); }
    TStringTrimming StringTrimming() const { return FStatement.StringTrimming(); }
    void SetStringTrimming(TStringTrimming value) { FStatement.SetStringTrimming(value); }
    bool BindByName() const { return FStatement.BindByName(); }
    void SetBindByName(bool value) { FStatement.SetBindByName(value); }
    TRowCountMethod RowCountMethod() const { return FStatement.RowCountMethod(); }
    void SetRowCountMethod(TRowCountMethod value) { FStatement.SetRowCountMethod(value); }
    TNoRowsAffected NoRowsAffected() const { return FStatement.NoRowsAffected(); }
    void SetNoRowsAffected(TNoRowsAffected value) { FStatement.SetNoRowsAffected(value); }

    TTarget& Target() { return FTarget; }
    const TTarget& Target() const { return FTarget; }

private:
    TCustomOEDataSet& FDataSet;
    THstmt& FStatement;
    TTarget FTarget;
};

} // namespace tarvik
