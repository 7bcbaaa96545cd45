#include "dataset/odbc/DataSetHstmt.h"

#include "dataset/odbc/OEDataSet.h"
#include "odbc/ODBCError.h"

namespace tarvik {

std::string TTarget::ListText(const std::vector<std::string>& list) {
    std::string text;
    for (const std::string& item : list)
        text += item + ";";
    return text;
}

std::vector<std::string> TTarget::ParseListText(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (std::size_t end = text.find(';'); end != std::string::npos; end = text.find(';', start)) {
        items.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

void TTarget::Clear() {
    FTargetTable.clear();
    FPrimaryCols.clear();
    FInsertSkipCols.clear();
    FUpdateSkipCols.clear();
}

std::vector<std::string> TTarget::Persisted() const {
    return {"OE5.05", FTargetTable, ListText(FPrimaryCols), ListText(FInsertSkipCols),
            ListText(FUpdateSkipCols)};
}

void TTarget::ReadPersisted(const std::vector<std::string>& lines) {
    if (lines.empty()) throw EVERODezuzid("Invalid Target property.");
    const bool older = lines[0] < std::string("OE5.03");
    if (lines.size() < (older ? 4u : 5u)) throw EVERODezuzid("Invalid Target property.");
    FTargetTable = lines[1];
    FPrimaryCols = ParseListText(lines[2]);
    FInsertSkipCols = ParseListText(lines[3]);
    FUpdateSkipCols = ParseListText(lines[older ? 3 : 4]);
}

TDataSetHstmt::TDataSetHstmt(TCustomOEDataSet& dataSet, THstmt& statement)
    : FDataSet(dataSet), FStatement(statement), FTarget(statement) {
    FStatement.BeforeTerminate = [this](TComponent*) { FDataSet.StatementTerminating(); };
    SetConcurrencyType(SQL_CONCUR_READ_ONLY);
    SetCursorType(SQL_CURSOR_KEYSET_DRIVEN);
    SetRowSetSize(1);
    SetSkipByPosition(false);
    SetSkipByCursor(false);
    SetBindBookmarks(false);
    SetBlobSize(32768);
    SetBlobDeferral(false);
    SetBlobPlacement(bpDetect);
    SetExecAsync(false);
    SetEmptyStringToNull(enNever);
    SetStringTrimming(stTrimTrailing);
    SetBindByName(false);
    SetRowCountMethod(rcFunction);
    SetNoRowsAffected(NoRowsAffectedBit(nrByUpdate));
}

TDataSetHstmt::~TDataSetHstmt() {
    FStatement.BeforeTerminate = nullptr;
}

void TDataSetHstmt::SetConcurrencyType(SQLUINTEGER value) {
    FStatement.Terminate();
    FStatement.SetConcurrencyType(value);
}

void TDataSetHstmt::SetCursorType(SQLUINTEGER value) {
    FStatement.Terminate();
    FStatement.SetCursorType(value);
}

void TDataSetHstmt::SetRowSetSize(SQLULEN value) {
    FStatement.Terminate();
    FStatement.SetRowSetSize(value);
    if (value > 1) FDataSet.SetCached(true);
}

void TDataSetHstmt::SetSkipByPosition(bool value) {
    FStatement.SetSkipByPosition(value);
    if (!value && FDataSet.Cached()) FDataSet.SetCached(false);
}

void TDataSetHstmt::SetSkipByCursor(bool value) {
    FStatement.SetSkipByCursor(value);
    if (!value && FDataSet.Cached()) FDataSet.SetCached(false);
}

void TDataSetHstmt::SetBindBookmarks(bool value) {
    FStatement.Terminate();
    FStatement.SetBindBookmarks(value);
}

} // namespace tarvik
