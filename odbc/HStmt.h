#pragma once
// One ODBC statement: SQL text with :name parameter tokens, preparing and
// executing it (optionally asynchronously), binding the result columns into its
// own buffers, fetching rowsets, and typed access to the cells.
#include "odbc/ColumnBuffer.h"
#include "odbc/HBase.h"
#include "odbc/ValueConvert.h"

#include <sql.h>
#include <sqlext.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarvik {

class THdbc;

enum TRowCountMethod { rcFunction, rcSelect, rcTraverse, rcCustom };
enum TBlobPlacement { bpDetect, bpByParts, bpByExec };
enum TEmptyToNull { enNever, enAlways, enIfNullable };
enum TNoRowsAffectedKind { nrByInsert, nrByUpdate, nrByDelete, nrByRefresh };
// A set of TNoRowsAffectedKind values, one bit each.
using TNoRowsAffected = unsigned;
constexpr TNoRowsAffected NoRowsAffectedBit(TNoRowsAffectedKind kind) {
    return 1u << kind;
}

using TRowCountEvent = std::function<std::int32_t(TComponent* sender)>;
// Asked before a row operation with its default question; false cancels the operation.
using TConfirmEvent = std::function<bool(TComponent* sender, const std::string& message)>;
// Shown each generated row statement before it is prepared; may change the text.
using TStatementEvent = std::function<void(TComponent* sender, SQLUSMALLINT operation, std::string& sql)>;

// Row operation codes: the low four bits of a row's flag word and OnStatement's operation.
constexpr SQLUSMALLINT roUpdate = 1;
constexpr SQLUSMALLINT roDelete = 2;
constexpr SQLUSMALLINT roRefresh = 4;
constexpr SQLUSMALLINT roInsert = 8;

// Processes the window messages waiting while an asynchronous execute polls the driver.
// The window layer installs it; the default does nothing.
using TProcessMessagesHandler = void (*)();
void SetProcessMessagesHandler(TProcessMessagesHandler handler);
void ProcessMessages();

// One bound parameter number. Buffer and indicators lead, as in TColRec, so values sent at
// execution are found the same way in either list.
struct TParamRec {
    void* Buffer = nullptr; // the caller's; null means NULL
    std::vector<SQLLEN> Indicators;
    SQLSMALLINT CType = 0;
    SQLSMALLINT SQLType = 0;
    SQLUSMALLINT Number = 0;
    SQLULEN ArraySize = 1;
    SQLLEN ColumnSize = 0;
    SQLSMALLINT DecimalDigits = 0;
    SQLSMALLINT Nullable = SQL_NULLABLE_UNKNOWN;
    SQLLEN BufferLength = 0;                 // as handed to SQLBindParameter by the last bind
    SQLSMALLINT Direction = SQL_PARAM_INPUT; // InputOutputType of the last bind
};

struct TParamDescription;

class THstmt : public THbase {
public:
    // Adopts the first THdbc among the owner's components. Allocates no handle.
    explicit THstmt(TComponent* owner = nullptr);
    // Terminates (errors swallowed) and frees what it owns. Never throws.
    ~THstmt() override;

    // Connects hDbc, allocates the handle and applies the settings. Throws EVERODezuzid without hDbc, EODBC.
    bool Init() override;
    // Closes and frees the handle. Throws EODBC.
    bool Terminate() override;
    // Closes the cursor and frees parameters and columns; allocates a handle when there is none. Throws
    // EODBC.
    virtual void Close();
    // SQLFreeStmt(SQL_CLOSE), allocating a handle when there is none. Throws EODBC.
    virtual void CloseCursor();

    // Closes, then prepares the parsed SQL. Throws EVERODezuzid for a bad token, EODBC.
    void Prepare();
    // Executes (prepared or direct); SQL_NO_DATA is no error. Throws EVERODezuzid, EODBC.
    void Execute();
    // Binds the columns on first use and fetches a rowset; false when there is no row. Throws EODBC.
    bool Fetch(SQLSMALLINT orientation, SQLLEN offset);
    bool FetchFirst() { return Fetch(SQL_FETCH_FIRST, 0); }
    bool FetchNext() { return Fetch(SQL_FETCH_NEXT, 0); }
    bool FetchLast() { return Fetch(SQL_FETCH_LAST, 0); }
    bool FetchPrior() { return Fetch(SQL_FETCH_PRIOR, 0); }
    bool FetchAbsolute(SQLLEN row) { return Fetch(SQL_FETCH_ABSOLUTE, row); }
    // Fetches the row of a bookmark of BookmarkLength bytes (the caller's). Throws EODBC.
    bool FetchBookmark(const void* bookmark);
    // Moves to the next result set, dropping the columns; false (columns kept) when there is none. Throws
    // EODBC.
    bool MoreResults();

    // Binds the columns when needed, then their number. Throws EODBC.
    SQLUSMALLINT NumCols();
    // Rows in the last rowset; 0 after a fetch that found none.
    SQLULEN NumRowsFetched() const;
    // SQLRowCount of the last execute. Throws EODBC.
    SQLLEN NumRowsAffected();
    // Rows of the result of SQL by RowCountMethod (driver count, count query, custom, traversal).
    // Throws EODBC and EVERODezuzid from preparing the counting statement or traversing.
    SQLLEN RowCount();
    // The parameter token names of SQL in order. Throws EVERODezuzid for a bad token.
    const std::vector<std::string>& ParamNames();

    // ---- Parameters (1-based numbers). Buffers stay the caller's and must outlive Execute.

    // The position of the first token of that name (ASCII case-insensitive) in the parsed SQL.
    // Throws EVERODezuzid "Token NAME not found in SQL statement.".
    SQLUSMALLINT ParamByName(const std::string& name);
    // Direction of the next bind only: SQL_PARAM_INPUT, _INPUT_OUTPUT or _OUTPUT; others ignored.
    void SetParamType(SQLUSMALLINT direction);
    // Describes the parameter (by the driver, or the driver table when it cannot, the statement is
    // not prepared or BindByName is set), then binds buffer (null binds NULL). A type the caller gave
    // as not long stays so even when the driver describes long data. Throws EODBC.
    void BindParam(SQLUSMALLINT number, SQLSMALLINT cType, SQLSMALLINT sqlType, void* buffer);
    // Binds a stream's bytes as a long text or binary value of the stream's size (NULL when empty).
    // The stream stays the caller's and must not change size until executed. Throws EODBC.
    void BindParamBlob(SQLUSMALLINT number, TMemoryStream& stream, bool binary);
    // Binds as described; a number bound before keeps its record and sizes and takes the new types
    // and buffer. arraySize 0 binds a single value. Throws EVERODezuzid "Cannot insert bulk blobs."
    // for an array of long values, EODBC.
    void BindParamMain(SQLUSMALLINT number, SQLSMALLINT cType, SQLULEN arraySize, SQLSMALLINT nullable,
                       SQLSMALLINT decimalDigits, SQLLEN columnSize, SQLSMALLINT sqlType, void* buffer);
    // Unbinds every parameter (SQL_RESET_PARAMS; nothing when none is bound), so that the callers'
    // buffers may go; a call's pending output values are then not written. Throws EODBC, the
    // bindings staying.
    void ResetParams();
    // The first length/indicator of a parameter (a value sent at execution: its length); 0 unbound.
    SQLLEN GetParamSize(SQLUSMALLINT number) const;
    // Sets the first length/indicator (-1 for NULL); a value sent at execution keeps that marking
    // for a length of 0 or more. Nothing for an unbound number.
    void SetParamSize(SQLUSMALLINT number, SQLLEN size);
    // The record bound for a number; null when none. Owned by the statement until Close.
    const TParamRec* ParamRecord(SQLUSMALLINT number) const;
    std::size_t ParamCount() const { return FParams.size(); }
    SQLULEN ParamSetSize() const { return FParamSetSize; }
    // Whether long parameter values are sent in parts at execution (BlobPlacement; bpDetect asks
    // the driver for SQL_NEED_LONG_DATA_LEN).
    bool LongValuesByParts();
    // Told the length of every piece a value sent at execution goes in, after sending it.
    std::function<void(THstmt* sender, SQLLEN bytes)> OnPutData;

    // SQL_ATTR_MAX_ROWS, after Init. Throws EODBC.
    SQLULEN MaxRows();
    void SetMaxRows(SQLULEN value);

    // The statement handle; runs Init first. Throws as Init.
    SQLHSTMT Handle();
    bool Allocated() const { return FAllocated; }
    SQLRETURN LastReturnCode() const { return FRetCode; }
    bool Prepared() const { return FPrepared; }
    bool Executed() const { return FExecuted; }
    bool ColumnsBound() const { return FColumnsBound; }
    bool AsyncModeOn() const { return FAsyncOn; }
    // SQL_CA1_* flags of the current cursor type as the driver reported them at Init.
    SQLUINTEGER CursorCapabilities() const { return FCursorCaps; }

    THdbc* hDbc() const { return FHdbc; }
    // Terminates, then runs on the given connection (none allowed). Throws EODBC from terminating.
    void SethDbc(THdbc* value);
    const std::string& SQL() const { return FSQL; }
    // Closes when allocated; the statement is then neither prepared nor executed. Throws EODBC.
    void SetSQL(const std::string& value);

    SQLUINTEGER ConcurrencyType() const { return FConcurrencyType; }
    SQLUINTEGER CursorType() const { return FCursorType; }
    SQLULEN RowSetSize() const { return FRowSetSize; }
    // On an allocated statement: Close, then set the attribute when the driver reports another value. Throw
    // EODBC.
    void SetConcurrencyType(SQLUINTEGER value);
    void SetCursorType(SQLUINTEGER value);
    // 0 is ignored.
    void SetRowSetSize(SQLULEN value);
    SQLINTEGER BlobSize() const { return FBlobSize; }
    // Values of 1024 or less are ignored.
    void SetBlobSize(SQLINTEGER value);
    bool BlobDeferral() const { return FBlobDeferral; }
    void SetBlobDeferral(bool value) { FBlobDeferral = value; }
    TBlobPlacement BlobPlacement() const { return FBlobPlacement; }
    void SetBlobPlacement(TBlobPlacement value) { FBlobPlacement = value; }
    bool ExecAsync() const { return FExecAsync; }
    void SetExecAsync(bool value) { FExecAsync = value; }
    TEmptyToNull EmptyStringToNull() const { return FEmptyToNull; }
    void SetEmptyStringToNull(TEmptyToNull value) { FEmptyToNull = value; }
    TStringTrimming StringTrimming() const { return FStringTrimming; }
    void SetStringTrimming(TStringTrimming value) { FStringTrimming = value; }
    bool BindByName() const { return FBindByName; }
    void SetBindByName(bool value) { FBindByName = value; }
    bool BindBookmarks() const { return FBindBookmarks; }
    void SetBindBookmarks(bool value) { FBindBookmarks = value; }
    SQLULEN BookmarkLength() const { return FBookmarkLength; }
    TRowCountMethod RowCountMethod() const { return FRowCountMethod; }
    void SetRowCountMethod(TRowCountMethod value) { FRowCountMethod = value; }
    TNoRowsAffected NoRowsAffected() const { return FNoRowsAffected; }
    void SetNoRowsAffected(TNoRowsAffected value) { FNoRowsAffected = value; }
    // Whether row operations avoid SQLSetPos/SQLBulkOperations, and WHERE CURRENT OF; changing
    // either makes the generated row statements be built again.
    bool SkipByPosition() const { return FSkipByPosition; }
    void SetSkipByPosition(bool value);
    bool SkipByCursor() const { return FSkipByCursor; }
    void SetSkipByCursor(bool value);

    TNotifyEvent BeforePrepare, AfterPrepare, BeforeExecute, AfterExecute, BeforeFetch, AfterFetch;
    TRowCountEvent OnRowCount;

    // ---- Columns and cells (1-based columns and rows; out-of-range cells read as empty/0 and ignore
    // writes). Every operation below runs Init and BindCols first and so may throw EVERODezuzid or EODBC.

    // Describes and binds the result columns once per result set. Throws EODBC.
    void BindCols();
    const std::vector<std::string>& ColNames();
    // The first column named so (ASCII case-insensitive). Throws EVERODezuzid "Identifier ... not found in
    // result set.".
    SQLUSMALLINT ColByName(const std::string& name);
    SQLSMALLINT ColCType(SQLUSMALLINT col);
    SQLSMALLINT ColSQLType(SQLUSMALLINT col);
    bool ColIsBlob(SQLUSMALLINT col);
    SQLULEN ColPrecision(SQLUSMALLINT col);
    SQLSMALLINT ColScale(SQLUSMALLINT col);
    // SQL_NULLABLE_UNKNOWN (2) for a column that does not exist.
    SQLSMALLINT ColNullable(SQLUSMALLINT col);
    // A numeric SQLColAttribute field. Throws EODBC.
    SQLLEN ColAttribute(SQLUSMALLINT col, SQLUSMALLINT field);

    // The cell's bytes (a long column's stream memory after reading it); null when there is none.
    void* ColValue(SQLUSMALLINT col) { return ColValueAt(col, 1); }
    void* ColValueAt(SQLUSMALLINT col, SQLULEN row);
    std::string ColString(SQLUSMALLINT col) { return ColStringAt(col, 1); }
    std::string ColStringAt(SQLUSMALLINT col, SQLULEN row);
    std::int32_t ColInteger(SQLUSMALLINT col) { return ColIntegerAt(col, 1); }
    std::int32_t ColIntegerAt(SQLUSMALLINT col, SQLULEN row);
    double ColDoubleAt(SQLUSMALLINT col, SQLULEN row);
    std::int64_t ColInt64At(SQLUSMALLINT col, SQLULEN row);
    SQL_TIMESTAMP_STRUCT ColDateTimeAt(SQLUSMALLINT col, SQLULEN row);
    // A long column's stream after reading the value; null for other columns. Owned by the statement.
    TMemoryStream* ColStream(SQLUSMALLINT col) { return ColStreamAt(col, 1); }
    TMemoryStream* ColStreamAt(SQLUSMALLINT col, SQLULEN row);
    SQLLEN ColSizeAt(SQLUSMALLINT col, SQLULEN row);
    void SetColSizeAt(SQLUSMALLINT col, SQLULEN row, SQLLEN size);
    bool ColNull(SQLUSMALLINT col) { return ColNullAt(col, 1); }
    bool ColNullAt(SQLUSMALLINT col, SQLULEN row);
    void SetColNull(SQLUSMALLINT col, bool value);
    void SetColIgnore(SQLUSMALLINT col, bool value);
    bool ColIgnoredAt(SQLUSMALLINT col, SQLULEN row);

    // Writes a text into a cell; a text longer than a character cell is cut to the cell at a
    // UTF-8 character boundary, and the indicator is the length actually stored.
    void SetColString(SQLUSMALLINT col, const std::string& value) { SetColStringAt(col, 1, value); }
    void SetColStringAt(SQLUSMALLINT col, SQLULEN row, const std::string& value);
    void SetColDouble(SQLUSMALLINT col, double value) { SetColDoubleAt(col, 1, value); }
    void SetColDoubleAt(SQLUSMALLINT col, SQLULEN row, double value);
    void SetColInteger(SQLUSMALLINT col, std::int32_t value) { SetColIntegerAt(col, 1, value); }
    void SetColInteger(SQLUSMALLINT col, std::int16_t value) { SetColIntegerAt(col, 1, value); }
    void SetColInteger(SQLUSMALLINT col, std::uint16_t value) { SetColIntegerAt(col, 1, value); }
    void SetColIntegerAt(SQLUSMALLINT col, SQLULEN row, std::int32_t value);
    void SetColInt64(SQLUSMALLINT col, std::int64_t value) { SetColInt64At(col, 1, value); }
    void SetColInt64At(SQLUSMALLINT col, SQLULEN row, std::int64_t value);
    void SetColDateTime(SQLUSMALLINT col, const SQL_TIMESTAMP_STRUCT& value) {
        SetColDateTimeAt(col, 1, value);
    }
    void SetColDateTimeAt(SQLUSMALLINT col, SQLULEN row, const SQL_TIMESTAMP_STRUCT& value);
    // Long columns only: the stream becomes a copy of value, the indicator its size.
    void SetColStream(SQLUSMALLINT col, const TMemoryStream& value);
    std::string ColStringByName(const std::string& name) { return ColString(ColByName(name)); }
    std::int32_t ColIntegerByName(const std::string& name) { return ColInteger(ColByName(name)); }

    // ---- Row operations on the current rowset (HStmtRowOps.cpp). Values sent are the cells' contents.

    // The table rows are written to; empty lets the statement find it from the result. Used as given.
    const std::string& TargetTable() const { return FTargetTable; }
    void SetTargetTable(const std::string& value);
    // Marks a result column as part of the row's key (or not); nothing for a missing column.
    void SetColPrimary(SQLUSMALLINT col, bool value);
    bool ColPrimary(SQLUSMALLINT col);
    // The resolved table name and schema (schema empty when TargetTable is set). Throw
    // EVERODezuzid "Unable to determine table name:  set TargetTable property.", EODBC.
    std::string TableName();
    const std::string& TargetSchema() const { return FTargetSchema; }
    // The key columns, each followed by ";", in column order; found from the driver when none is
    // marked. Throws as TableName, EVERODezuzid for a key column missing from the result, EODBC.
    std::string PrimaryCols();
    // SQLGetCursorName. Throws EODBC.
    std::string CursorName();
    // The pending operation (low four bits of the flag word); 0 out of range.
    SQLUSMALLINT RowOperation(SQLULEN row);
    // Replaces the low four bits with the operation's (clears them for 0); upper bits stay.
    void SetRowOperation(SQLULEN row, SQLUSMALLINT operation);
    // A copy of row 1's bookmark (BookmarkLength bytes, the caller's), or null when the cursor has
    // none or row 1 is not valid. Throws EODBC when the driver fails to hand over the bookmark.
    std::unique_ptr<char[]> GetBookmark();
    // Each asks its confirm event, then works on the rows flagged with its code (rowsets of more
    // than one fetched row) or on row 1: by SQLSetPos/SQLBulkOperations where the cursor can and
    // SkipByPosition is off, otherwise by a generated statement. A row touched by none raises
    // EODBC "No Data Found" for the operations in NoRowsAffected. Throw EODBC, EVERODezuzid.
    virtual void InsertRows();
    virtual void UpdateRows();
    virtual void DeleteRows();
    virtual void RefreshRows();
    // Fills the target schema and table name. Throws as TableName.
    void ResolveTargetTable();
    // Marks the key columns from SQLSpecialColumns (best row id), else SQLPrimaryKeys, unless a
    // column is marked already. Throws as PrimaryCols.
    void ResolvePrimaryCols();
    // "a = ? AND b = ?" over the key columns. Throws EVERODezuzid "Unable to determine primary
    // columns:  set PrimaryCols property." when there is none, and as PrimaryCols.
    std::string PrimaryWhere();
    // Binds the long columns to their streams for a positioned write (on) and unbinds them again
    // (off), with their row-1 lengths sent at execution where the driver needs them. Throws EODBC.
    void RebindLongColumns(bool on);
    TConfirmEvent OnInsert, OnUpdate, OnDelete, OnRefresh;
    TStatementEvent OnStatement;

    // The driver's SQL_ROW_* status of a rowset row; SQL_ROW_NOROW out of range.
    SQLUSMALLINT RowStatus(SQLULEN row);
    // Status SUCCESS, UPDATED, ADDED or SUCCESS_WITH_INFO.
    bool RowValid(SQLULEN row);
    // The row's flag word (low four bits: pending operation), cleared by every fetch; null out of range.
    SQLUSMALLINT* RowFlags(SQLULEN row);

    SQLSMALLINT DiagHandleType() const override { return SQL_HANDLE_STMT; }
    SQLHANDLE DiagHandle() override { return FHandle; }
    THbase* LostConnectionTarget() override;
    bool ConnectionDead() noexcept override;
    void BeforeRaise() override;
    // Called by a connection being destroyed that this statement still names.
    void ForgetHdbc(THdbc* connection);

protected:
    virtual void DoBeforePrepare();
    virtual void DoAfterPrepare();
    virtual void DoBeforeExecute();
    virtual void DoAfterExecute();
    virtual void DoBeforeFetch();
    virtual void DoAfterFetch();
    // OnRowCount's answer, or -1 without a handler.
    virtual std::int32_t DoRowCount();
    void Notification(TComponent* component, TOperation operation) override;

private:
    void Check(SQLRETURN rc);
    // Sets a statement attribute unless the driver already reports that value.
    void ApplyStmtAttr(SQLINTEGER attribute, SQLULEN value);
    void LoadCursorCapabilities();
    void SetupBookmarks();
    // Frees the handle, then the buffers, without asking the driver anything else; the free's result.
    SQLRETURN DropHandle();
    void FreeParams();
    void UnprepareAuxiliary();
    void FreeColumns();
    // Unbind from the driver, then free; a failed unbind keeps the buffers. Throw EODBC.
    void ReleaseParams();
    void ReleaseColumns();
    // The SQL as sent to the driver; refreshes the parameter names.
    std::string ParsedSQL();
    SQLRETURN RunExecute(const std::string& text);
    // The asynchronous execute's polls, processing window messages in between. Throws
    // EVERODezuzid when a message closed, terminated or destroyed the statement meanwhile.
    SQLRETURN PollExecute(const std::string& text);
    // Ends a poll under way: cancels the call, lets the driver finish it, and switches async off.
    void AbandonPoll() noexcept;
    void ReadLongsAfterFetch();
    SQLLEN CountByQuery(const std::string& countSQL, bool& counted);
    SQLLEN CountByTraversal();
    // Binds this statement's parameters again on another statement, with their sizes.
    void BindParamsOn(THstmt& other) const;

    // Parameter helpers (HStmtParams.cpp).
    TParamRec* FindParam(SQLUSMALLINT number) const;
    TParamDescription DescribeParam(SQLUSMALLINT number, SQLSMALLINT sqlType);
    void NameParam(SQLUSMALLINT number);
    enum class TExecDataList { Params, Columns };
    // Answers SQL_NEED_DATA: sends every value the driver asks for from the records of the list, in
    // BlobSize pieces; FRetCode is then the final SQLParamData's (SQL_NO_DATA is no error). On any
    // failure the statement is cancelled, so the driver is never left waiting. Throws EODBC, and
    // EVERODezuzid for a token that is no record's buffer.
    void SendDataAtExec(TExecDataList list);
    void PutValue(const char* buffer, SQLLEN indicator);
    std::unique_ptr<THstmt> CountingStatement();

    // Row operation helpers (HStmtRowOps.cpp).
    SQLUINTEGER PositionCaps() const { return FSkipByPosition ? 0 : FCursorCaps; }
    SQLUINTEGER CursorCaps() const { return FSkipByCursor ? 0 : FCursorCaps; }
    void RunRows(const char* traceName, const TConfirmEvent& confirm, const char* question, SQLUSMALLINT code,
                 void (THstmt::*single)(SQLULEN));
    void InsertRow(SQLULEN row);
    void UpdateRow(SQLULEN row);
    void DeleteRow(SQLULEN row);
    void RefreshRow(SQLULEN row);
    // SQLSetPos (or SQLBulkOperations for inserts) on a row with the long columns rebound.
    void PositionedWrite(SQLULEN row, SQLUSMALLINT operation, TNoRowsAffectedKind kind);
    void CheckPositioned(TNoRowsAffectedKind kind);
    void RaiseNoRows(TNoRowsAffectedKind kind);
    std::string ColumnAttributeText(SQLUSMALLINT col, SQLUSMALLINT field, bool& ok);
    // Whether a cell's value goes into a generated INSERT or UPDATE.
    bool SendsValue(const TColRec& rec, SQLULEN row) const;
    std::string ValueColumnList(SQLULEN row, const char* suffix);
    // The auxiliary statement of an operation with the text prepared (built again only when it
    // changed or was marked not prepared); OnStatement sees every new text.
    THstmt& PreparedAuxiliary(SQLUSMALLINT operation, const std::string& sql);
    // Binds a cell (a long column's stream) as parameter number of aux, with that size.
    void BindCell(THstmt& aux, SQLUSMALLINT number, TColRec& rec, SQLULEN row, SQLLEN size);
    void BindRowValues(THstmt& aux, SQLULEN row, SQLUSMALLINT& number);
    void BindRowKeys(THstmt& aux, SQLULEN row, SQLUSMALLINT& number);
    void ExecuteAuxiliary(THstmt& aux, TNoRowsAffectedKind kind);
    // The WHERE clause of a generated update or delete of a row: by cursor name (positioning the
    // cursor on the row first) or by key, which bindKeys then says. Throws EODBC, EVERODezuzid.
    std::string WriteWhere(SQLULEN row, SQLUINTEGER positionedFlag, bool& bindKeys);
    void CopyRefreshedRow(THstmt& aux, SQLULEN row);

    // Column helpers (HStmtColumns.cpp).
    // Init, BindCols, then the column's record; null for a column that does not exist.
    TColRec* Column(SQLUSMALLINT col);
    // A field of a column's record, or missing for a column that does not exist.
    template <typename T> T ColField(SQLUSMALLINT col, T TColRec::*field, T missing);
    // The same for a cell; null when the row is outside the rowset too.
    TColRec* CellColumn(SQLUSMALLINT col, SQLULEN row);
    // The same for a bound cell holding a value; null for long columns and NULL cells too.
    TColRec* ValueColumn(SQLUSMALLINT col, SQLULEN row);
    SQLLEN NumericAttribute(SQLUSMALLINT col, SQLUSMALLINT field);
    void DescribeColumn(SQLUSMALLINT col);
    void AppendRowArrays();
    // A long column's size as last read: its row-1 indicator when negative, else its stream's size.
    static SQLLEN CurrentLongSize(TColRec& rec);
    SQLLEN ReadLong(SQLUSMALLINT col, SQLULEN row);
    SQLLEN ReadLongValue(SQLUSMALLINT col, TColRec& rec);
    // Converts a text into a non-long cell and sets its indicator.
    void StoreText(TColRec& rec, SQLULEN row, const std::string& text);

    THdbc* FHdbc = nullptr;
    SQLHSTMT FHandle = SQL_NULL_HSTMT;
    SQLHDESC FParamDesc = SQL_NULL_HDESC;
    bool FAllocated = false;
    SQLRETURN FRetCode = SQL_SUCCESS;
    std::vector<std::unique_ptr<TColRec>> FCols; // result columns, then row status, row flags, bookmarks
    std::vector<std::unique_ptr<TParamRec>> FParams;
    TColRec* FRowStatus = nullptr;
    TColRec* FRowFlags = nullptr;
    TColRec* FBookmarks = nullptr;
    SQLUSMALLINT FNumCols = 0;
    SQLULEN FRowsFetched = 0;
    SQLULEN FParamSetSize = 0;
    bool FBlobsAtFetch = false;
    bool FColumnsBound = false;
    bool FBindBookmarks = false;
    SQLULEN FBookmarkLength = 4;
    bool FPrepared = false;
    bool FExecuted = false;
    SQLUSMALLINT FNextParamDirection = SQL_PARAM_INPUT;
    bool FSkipByPosition = false;
    bool FSkipByCursor = false;
    std::vector<std::string> FParamNames;
    std::vector<std::string> FColNames;
    std::string FSQL;
    SQLUINTEGER FCursorCaps = 0;
    SQLUINTEGER FConcurrencyType = SQL_CONCUR_READ_ONLY;
    SQLUINTEGER FCursorType = SQL_CURSOR_FORWARD_ONLY;
    SQLULEN FRowSetSize = 1;
    SQLINTEGER FBlobSize = 32768;
    bool FBlobDeferral = false;
    TBlobPlacement FBlobPlacement = bpDetect;
    bool FExecAsync = false;
    bool FAsyncOn = false;
    // The asynchronous execute whose loop is processing messages; lives on that loop's stack.
    struct TPoll {
        std::string Text;
        SQLRETURN Result = SQL_STILL_EXECUTING;
        bool Running = false; // the driver answered SQL_STILL_EXECUTING last
        bool Ended = false;   // closed, terminated or destroyed meanwhile
    };
    TPoll* FPoll = nullptr;
    TEmptyToNull FEmptyToNull = enNever;
    TStringTrimming FStringTrimming = stTrimTrailing;
    bool FBindByName = false;
    TRowCountMethod FRowCountMethod = rcFunction;
    TNoRowsAffected FNoRowsAffected = NoRowsAffectedBit(nrByUpdate);
    // Insert, update, delete and refresh statements of positioned operations, made on first use.
    std::array<std::unique_ptr<THstmt>, 4> FAuxiliary;
    std::array<std::string, 4> FAuxiliaryText; // each one's generated text before OnStatement
    std::string FTargetTable, FTargetSchema, FTargetTableName;
};

} // namespace tarvik
