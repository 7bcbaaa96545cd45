// THstmt: binding parameters to the markers of the SQL text and sending long values
// when the driver asks for them during execution.
#include "core/Narrow.h"
#include "core/Text.h"
#include "odbc/HDbc.h"
#include "odbc/HEnv.h"
#include "odbc/HStmt.h"
#include "odbc/ParamBinding.h"
#include "odbc/Trace.h"

#include <algorithm>

namespace tarvik {

namespace {
// A column's value buffer: long columns are bound to their stream for positioned writes.
const void* BufferAddress(const std::unique_ptr<TColRec>& rec) {
    return rec->Long ? rec->Blob->Memory() : rec->Data.get();
}
const void* BufferAddress(const std::unique_ptr<TParamRec>& rec) {
    return rec->Buffer;
}

// The buffer and first indicator of the first record of a list (parameters or columns) whose
// buffer is the driver's token.
template <class Record>
bool FindToken(const std::vector<std::unique_ptr<Record>>& list, SQLPOINTER token, const char*& buffer,
               SQLLEN& indicator) {
    for (const auto& r : list) {
        const void* address = BufferAddress(r);
        if (address && address == token) {
            buffer = static_cast<const char*>(address);
            indicator = r->Indicators[0];
            return true;
        }
    }
    return false;
}
} // namespace

SQLUSMALLINT THstmt::ParamByName(const std::string& name) {
    Trace(1, "THstmt.ParamByName");
    const std::string upper = UpperAscii(name);
    for (std::size_t i = 0; i < FParamNames.size(); ++i)
        if (UpperAscii(FParamNames[i]) == upper) return static_cast<SQLUSMALLINT>(i + 1);
    throw EVERODezuzid("Token " + upper + " not found in SQL statement.");
}

void THstmt::SetParamType(SQLUSMALLINT direction) {
    Trace(1, "THstmt.SetParamType");
    if (direction == SQL_PARAM_INPUT || direction == SQL_PARAM_INPUT_OUTPUT || direction == SQL_PARAM_OUTPUT)
        FNextParamDirection = direction;
}

TParamRec* THstmt::FindParam(SQLUSMALLINT number) const {
    for (const auto& p : FParams)
        if (p->Number == number) return p.get();
    return nullptr;
}

const TParamRec* THstmt::ParamRecord(SQLUSMALLINT number) const {
    return FindParam(number);
}

TParamDescription THstmt::DescribeParam(SQLUSMALLINT number, SQLSMALLINT sqlType) {
    if (!FHdbc->NoDescribeParam() && FPrepared && !FBindByName) {
        TParamDescription d;
        FRetCode =
            SQLDescribeParam(FHandle, number, &d.SQLType, &d.ColumnSize, &d.DecimalDigits, &d.Nullable);
        if (Success(FRetCode)) return d;
    }
    return DescribeByDriverTable(FHdbc->DriverTable(), FHdbc->DBMSAndDriver(), sqlType);
}

void THstmt::BindParam(SQLUSMALLINT number, SQLSMALLINT cType, SQLSMALLINT sqlType, void* buffer) {
    Init();
    TParamDescription d = DescribeParam(number, sqlType);
    // A driver may describe any text marker as long text; a plain buffer bound as such would be
    // sent empty (long values take their length from SetParamSize), so it keeps the caller's type.
    if (IsLongSQLType(d.SQLType) && !IsLongSQLType(sqlType)) d.SQLType = sqlType;
    BindParamMain(number, cType, 0, d.Nullable, d.DecimalDigits, static_cast<SQLLEN>(d.ColumnSize), d.SQLType,
                  buffer);
}

void THstmt::BindParamBlob(SQLUSMALLINT number, TMemoryStream& stream, bool binary) {
    // An empty stream may have no memory at all, which binds NULL as it should.
    void* memory = stream.Size() > 0 ? stream.Memory() : nullptr;
    if (binary)
        BindParam(number, SQL_C_BINARY, SQL_LONGVARBINARY, memory);
    else
        BindParam(number, SQL_C_CHAR, SQL_LONGVARCHAR, memory);
    SetParamSize(number, stream.Size() > 0 ? static_cast<SQLLEN>(stream.Size()) : SQL_NULL_DATA);
}

bool THstmt::LongValuesByParts() {
    if (FBlobPlacement == bpByParts) return true;
    if (FBlobPlacement == bpByExec) return false;
    const std::string need = FHdbc->InfoString(SQL_NEED_LONG_DATA_LEN);
    return !need.empty() && need[0] == 'Y';
}

void THstmt::BindParamMain(SQLUSMALLINT number, SQLSMALLINT cType, SQLULEN arraySize, SQLSMALLINT nullable,
                           SQLSMALLINT decimalDigits, SQLLEN columnSize, SQLSMALLINT sqlType, void* buffer) {
    Trace(1, "THstmt.BindParamMain");
    Init();
    TParamRec* rec = FindParam(number);
    const TParamLayout layout = ParamLayout(sqlType, arraySize, rec ? rec->ColumnSize : columnSize,
                                            IsLongSQLType(sqlType) && LongValuesByParts(), buffer == nullptr);
    if (!rec) {
        auto created = std::make_unique<TParamRec>();
        created->Number = number;
        created->ArraySize = arraySize == 0 ? 1 : arraySize;
        created->Indicators.assign(created->ArraySize, 0);
        created->ColumnSize = columnSize;
        created->DecimalDigits = decimalDigits;
        created->Nullable = nullable;
        rec = created.get();
        FParams.insert(FParams.begin(), std::move(created));
    }
    if (arraySize > rec->ArraySize) {
        // A single value rebound as an array: the driver reads one indicator per set, so the
        // record's indicator array must hold them all.
        rec->ArraySize = arraySize;
        rec->Indicators.resize(arraySize, 0);
    }
    rec->CType = cType;
    rec->SQLType = sqlType;
    rec->Buffer = buffer;
    rec->BufferLength = layout.BufferLength;
    FParamSetSize = std::max(FParamSetSize, rec->ArraySize);
    if (arraySize > 0)
        std::fill(rec->Indicators.begin(), rec->Indicators.end(), layout.FirstIndicator);
    else
        rec->Indicators[0] = layout.FirstIndicator;
    rec->Direction = static_cast<SQLSMALLINT>(FNextParamDirection);
    FNextParamDirection = SQL_PARAM_INPUT;
    Check(SQLBindParameter(FHandle, number, rec->Direction, cType, sqlType,
                           static_cast<SQLULEN>(std::max<SQLLEN>(rec->ColumnSize, 0)), rec->DecimalDigits,
                           buffer, rec->BufferLength, rec->Indicators.data()));
    if (FBindByName && number >= 1 && number <= FParamNames.size()) NameParam(number);
}

void THstmt::NameParam(SQLUSMALLINT number) {
    if (FParamDesc == SQL_NULL_HDESC) {
        SQLHDESC desc = SQL_NULL_HDESC;
        Check(SQLGetStmtAttr(FHandle, SQL_ATTR_IMP_PARAM_DESC, &desc, sizeof desc, nullptr));
        FParamDesc = desc;
    }
    const std::string& name = FParamNames[number - 1];
    SQLSetDescField(FParamDesc, Narrow<SQLSMALLINT>(number), SQL_DESC_NAME, const_cast<char*>(name.c_str()),
                    SQL_NTS);
    SQLSetDescField(FParamDesc, Narrow<SQLSMALLINT>(number), SQL_DESC_UNNAMED,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLLEN>(SQL_NAMED)), 0);
}

SQLLEN THstmt::GetParamSize(SQLUSMALLINT number) const {
    Trace(1, "THstmt.GetParamSize");
    const TParamRec* rec = FindParam(number);
    if (!rec) return 0;
    const SQLLEN first = rec->Indicators[0];
    return IsDataAtExecMark(first) ? DataAtExecLength(first) : first;
}

void THstmt::SetParamSize(SQLUSMALLINT number, SQLLEN size) {
    Trace(1, "THstmt.SetParamSize");
    TParamRec* rec = FindParam(number);
    if (!rec) return;
    SQLLEN& first = rec->Indicators[0];
    first = IsDataAtExecMark(first) && size >= 0 ? DataAtExecMark(size) : size;
}

void THstmt::BindParamsOn(THstmt& other) const {
    // Most recently bound first, as the records are kept.
    for (const auto& p : FParams) {
        other.BindParam(p->Number, p->CType, p->SQLType, p->Buffer);
        other.SetParamSize(p->Number, GetParamSize(p->Number));
    }
}

void THstmt::PutValue(const char* buffer, SQLLEN indicator) {
    const SQLLEN length = DataAtExecLength(indicator);
    SQLLEN sent = 0;
    // A value of no bytes is still sent once, so that it arrives empty rather than missing.
    do {
        const SQLLEN piece = std::min<SQLLEN>(FBlobSize, length - sent);
        FRetCode = SQLPutData(FHandle, const_cast<char*>(buffer) + sent, piece);
        if (!Success(FRetCode)) break;
        if (OnPutData) OnPutData(this, piece);
        sent += piece;
    } while (sent < length);
    Check(FRetCode);
}

void THstmt::SendDataAtExec(TExecDataList list) {
    try {
        SQLPOINTER token = nullptr;
        FRetCode = SQLParamData(FHandle, &token);
        while (FRetCode == SQL_NEED_DATA) {
            const char* buffer = nullptr;
            SQLLEN indicator = 0;
            const bool found = list == TExecDataList::Params ? FindToken(FParams, token, buffer, indicator)
                                                             : FindToken(FCols, token, buffer, indicator);
            if (!found) throw EVERODezuzid("Driver asked for data of an unknown buffer.");
            PutValue(buffer, indicator);
            FRetCode = SQLParamData(FHandle, &token);
        }
        if (FRetCode != SQL_NO_DATA) Check(FRetCode);
    } catch (...) {
        if (FAllocated) SQLCancel(FHandle);
        throw;
    }
}

} // namespace tarvik
