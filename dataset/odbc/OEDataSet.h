#pragma once
// TCustomOEDataSet: a dataset over the result set of one ODBC statement. Opening executes the
// statement and turns its result columns into field definitions; the settings that choose the
// cursor and where the statement text comes from are coupled as a dataset needs them.
#include "dataset/DataSet.h"
#include "dataset/RecordBuffer.h"
#include "dataset/odbc/DataSetHstmt.h"
#include "dataset/odbc/OEParams.h"
#include "odbc/HDbc.h"
#include "odbc/HStmt.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvik {

enum TOEParamBindMode { pbByName, pbByNumber };

class TCustomOEDataSet : public TDataSet {
public:
    // Gives the statement the first THdbc among the owner's components.
    explicit TCustomOEDataSet(TComponent* owner = nullptr);
    // Closes (errors swallowed) and frees the statement. Never throws.
    ~TCustomOEDataSet() override;

    // The dataset's statement, made by CreateHstmt on first use. Throws as CreateHstmt.
    THstmt& Statement();
    TDataSetHstmt& hStmt();

    THdbc* hDbc();
    // Terminates the statement (closing the dataset), then runs it on the connection. Throws EODBC.
    void SethDbc(THdbc* value);

    // Each source setter terminates the statement (closing the dataset), clears the other
    // sources, un-prepares, marks the parameters stale and, outside loading, clears the target.
    // Throw EODBC from terminating.
    const std::string& TableName() const { return FTableName; }
    void SetTableName(const std::string& value);
    const std::string& StoredProcName() const { return FStoredProcName; }
    void SetStoredProcName(const std::string& value);
    const std::string& SQLText() const { return FSQLText; }

    // An editable cursor: concurrency other than read-only. True asks for values concurrency
    // unless another editable one is set; either way Editable follows.
    bool RequestLive();
    void SetRequestLive(bool value);
    // A forward-only cursor. False restores a scrollable one (static when the connection may use
    // the ODBC cursor library, keyset-driven otherwise).
    bool UniDirectional();
    void SetUniDirectional(bool value);
    // Blobs are read with their row (the statement's BlobDeferral negated).
    bool CacheBlobs();
    void SetCacheBlobs(bool value);
    TOEParamBindMode ParamBindMode();
    void SetParamBindMode(TOEParamBindMode value);
    bool ParamCheck() const { return FParamCheck; }
    void SetParamCheck(bool value) { FParamCheck = value; }
    // Terminates; True outside loading turns a read-only cursor into a values one unless both
    // skip flags say row operations avoid the cursor.
    bool Editable() const { return FEditable; }
    void SetEditable(bool value);
    // Terminates. True: forward-only read-only cursor (outside loading), row operations by
    // generated statements. False: a scrollable values cursor again, rowsets of one row, no
    // cached updates.
    bool Cached() const { return FCached; }
    void SetCached(bool value);
    // Terminates; True switches Cached on too.
    bool CachedUpdates() const { return FCachedUpdates; }
    void SetCachedUpdates(bool value);

    bool Prepared() const { return FPrepared; }
    bool ParamsStale() const { return FParamsStale; }
    bool ParamsBound() const { return FParamsBound; }
    bool AllFetched() const { return FAllFetched; }
    std::int32_t CachePosition() const { return FCachePosition; }
    std::int32_t BookmarkCounter() const { return FBookmarkCounter; }

    // Chooses the statement text (the table read whole, the procedure's call, or the SQL text)
    // and prepares it; nothing when prepared or loading. Throws EVERODezuzid "SQL-, Table- or
    // StoredProc-Property must be set." without a source, EODBC.
    void Prepare();
    // Binds the parameters and executes the statement without opening the dataset. Throws as
    // Prepare, EODBC.
    void ExecSQL();
    // Closes and reopens with the controls disabled. Throws as Open.
    void RefreshResults();
    // The call text of the stored procedure over its parameters: "{:R = CALL p(:A, :B)}",
    // "{CALL p}" without parameters.
    std::string StoredProcStatement() const;

    // ---- Parameters (OEDataSetParams.cpp).
    // The parameters, made afresh first when the source changed. Throws as CreateParams.
    TOEParams& Params();
    // Gives the parameters of the same names the values of values.
    void SetParams(const TParams& values);
    // When stale: none for a table, the procedure's from the catalog (unchanged when the catalog
    // does not know it), else one per token of the text, described by the driver where it can.
    void CreateParams();

    // The record layout of the open dataset (null when closed).
    const TRecordLayout* RecordLayout() const { return FLayout.get(); }
    int RecordSize() const { return FLayout ? FLayout->RecordSize : 0; }
    int RecInfoOffset() const { return FLayout ? FLayout->RecInfoOffset : 0; }
    int CalcFieldsOffset() const { return FLayout ? FLayout->CalcFieldsOffset : 0; }

    // A new record of the open dataset's layout, initialised. Throws EDatabaseError when closed.
    std::unique_ptr<TRecordBuffer> AllocRecordBuffer() override;
    // Empties the blob streams and zero-fills every other slot and the flags.
    void InternalInitRecord(TRecordBuffer& buffer) override;

    void SetFiltered(bool value) override;
    void SetOnFilterRecord(TFilterRecordEvent handler) override;

    // ---- Moving the cursor (OEDataSetRecords.cpp). In cached mode within the row cache, else on
    // the statement; each answers whether a row is there. Throw EODBC from fetching.
    bool FetchFirst();
    bool FetchNext();
    bool FetchLast();
    bool FetchPrev();
    bool FetchAbsolute(std::int32_t row);
    bool FetchBookmark(const TBookmark& bookmark);
    // Moves CachePosition by a fetch orientation (SQL_FETCH_NEXT ... SQL_FETCH_BOOKMARK), filling
    // the cache as far as needed. Throws EVERODezuzid "Bookmark not found in cache.".
    bool FetchCache(SQLSMALLINT orientation, std::int32_t offset);
    // Goes to the row of that number (negative: from the end), or the nearest one there is.
    bool MoveAbsolute(std::int32_t row);
    // Reads every row (into the cache, or to the end of the statement's cursor).
    void FetchAll();
    // Searches the next (or prior) row the filter accepts, from the start (or end) when restart.
    bool FindRecord(bool restart, bool forward);

    // None for both, 1 for only one; otherwise the bookmark bytes compared unsigned in order.
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
    // The statement's row count by RowCountMethod (rcCustom: the cache's, reading all rows).
    int RecordCount() override;
    // Cached: the active record's position in the row cache; otherwise -1.
    int RecNo() override;
    void SetRecNo(int row) override;
    bool IsSequenced() override { return false; }
    // The record fields read and write: by state, the work buffer or the ring's active one.
    TRecordBuffer* ActiveRecordBuffer();

protected:
    // A new statement without owner; descendants may answer a descendant of THstmt.
    virtual std::unique_ptr<THstmt> CreateHstmt();

    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return FCursorOpen; }
    void InternalInitFieldDefs() override;
    void Notification(TComponent* component, TOperation operation) override;

    TGetResult GetRecord(TRecordBuffer* buffer, TGetMode mode, bool check) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalSetToRecord(TRecordBuffer& buffer) override;
    void InternalGotoBookmark(const TBookmark& bookmark) override;
    bool IsUniDirectional() override;
    void ClearCalcFields(TRecordBuffer& buffer) override;
    bool GetFieldData(const TField& field, void* dest) override;
    const TMemoryStream* FieldStream(const TField& field) override;
    // Throws EVERODezuzid "DataSet not in edit or insert mode." in browse state.
    void SetFieldData(const TField& field, const void* src) override;
    // The statement's row-count callback: cached, every row read and the cache's count; else -1.
    virtual std::int32_t DoRowCount();

    // Binds the parameters' values, preparing first when they are not bound. Throws EVERODezuzid
    // for a value longer than its buffer or out of its type's range, EODBC.
    void BindParams();
    // Reads output, input-output and result parameters back from their buffers.
    void CopyOutputParams();
    // The SQL text source: terminates, clears the other sources, passes the text to the statement.
    void SetSQLText(const std::string& value);

private:
    friend class TDataSetHstmt;
    // The statement's termination hook: the dataset closes and is un-prepared.
    void StatementTerminating();
    void Terminate() { Statement().Terminate(); }
    void SourceChanged();
    // Cursor type 0 becomes static or keyset-driven by the connection's cursor library.
    void LeaveForwardOnly();
    void FreeWorkBuffers();

    // Parameter helpers (OEDataSetParams.cpp).
    bool CanDescribeParams();
    void ParamsFromText();
    void ParamsFromCatalog();
    // The statement's parameter number of the index-th parameter.
    SQLUSMALLINT ParamPosition(int index);
    // One buffer per parameter, in order; a new buffer means binding again.
    void MatchParamBuffers();
    // Resets the statement's parameter bindings so that their buffers may go; binding again follows.
    void UnbindParams();
    void StoreParamValue(const TParam& p, TOEParamRec& rec);
    static SQLLEN ParamLength(const TParam& p, const TOEParamRec& rec);
    static TVariant BufferValue(const TParam& p, const TOEParamRec& rec, SQLLEN size);

    // Record reading helpers (OEDataSetRecords.cpp).
    // Whether the open statement has a result set to move in (an UPDATE has none).
    bool HasCursor() const;
    void ToField(TRecordBuffer& buffer, SQLULEN row);
    void ReadColumn(TRecordBuffer& buffer, int column, SQLULEN row);
    static void CopyRecord(const TRecordBuffer& source, TRecordBuffer& dest, bool withBookmark);
    void FillCache(std::int32_t target);
    void PositionCache(std::int32_t position);
    // The current row's bookmark; none when the cursor has none. Throws EVERODezuzid "Current
    // record not found in cache." in cached mode off the cache.
    TBookmark CurrentBookmark();
    bool IsDeleted(const TBookmark& bookmark);
    TRecordBuffer* SavedRecord(const TBookmark& bookmark);
    // Whether the filter takes the row the cursor stands on.
    bool AcceptRecord();
    void FillFromCursor(TRecordBuffer& buffer, const TBookmark& bookmark);
    TGetResult CheckCurrent();
    TGetResult MoveToAccepted(TGetMode mode);
    // A cursor without bookmarks that ran off an end goes back to the accepted row it left, the
    // record the ring holds there.
    void ReturnFromEdge();

    std::unique_ptr<THstmt> FStatement;
    std::unique_ptr<TDataSetHstmt> FhStmt;
    bool FCursorOpen = false;
    std::string FSQLText;
    std::string FTableName;
    std::string FStoredProcName;
    bool FParamCheck = true;
    TOEParams FParams;
    bool FPrepared = false;
    bool FEditable = false;
    bool FParamsStale = false;
    bool FParamsBound = false;
    bool FCached = false;
    bool FAllFetched = false;
    std::int32_t FCachePosition = 0;
    std::int32_t FBookmarkCounter = 0;
    bool FCachedUpdates = false;
    bool FStatementTerminating = false;
    bool FFindInProgress = false;
    // Where the last failed move left the cursor: 1 after the last row, -1 before the first, else 0.
    int FOffEdge = 0;
    std::shared_ptr<const TRecordLayout> FLayout;
    std::unique_ptr<TRecordBuffer> FFilterBuffer, FOldValuesBuffer, FLocateBuffer;
    std::vector<std::unique_ptr<TRecordBuffer>> FSavedRecords, FRowCache;
    std::vector<std::vector<char>> FDeletedBookmarks;
};

} // namespace tarvik
