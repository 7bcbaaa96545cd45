// TCustomOEDataSet: parameters made from the statement text or a stored procedure's catalog
// entry, their value buffers bound to the statement, and output values read back.
#include "core/Text.h"
#include "dataset/odbc/ColumnFieldType.h"
#include "dataset/odbc/OEDataSet.h"
#include "odbc/ODBCError.h"
#include "odbc/Trace.h"
#include "odbc/ValueConvert.h"
#include "odbc/catalog/Catalog.h"

#include <cstring>
#include <limits>

namespace tarvik {

namespace {
template <typename T> T InRange(const TParam& p) {
    const std::int64_t v = p.Value().AsInteger();
    if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max())
        throw EVERODezuzid("Value of parameter " + p.Name + " is out of range.");
    return static_cast<T>(v);
}

template <typename T> void Put(std::vector<char>& buffer, T value) {
    std::memcpy(buffer.data(), &value, sizeof value);
}

template <typename T> T Get(const std::vector<char>& buffer) {
    T value;
    std::memcpy(&value, buffer.data(), sizeof value);
    return value;
}

bool IsBlobType(TFieldType type) {
    return type == ftBlob || type == ftMemo;
}

// The field type of a parameter's SQL type, small integers taken as signed.
TFieldType ParamFieldType(SQLSMALLINT sqlType) {
    const SQLSMALLINT signedCType = sqlType == SQL_TINYINT ? SQL_C_STINYINT : SQL_C_SSHORT;
    return FieldTypeForColumn(sqlType, signedCType);
}

void CopyBytes(std::vector<char>& buffer, const char* data, std::size_t size, std::size_t room,
               const TParam& p) {
    if (size > room) throw EVERODezuzid("Value of parameter " + p.Name + " is longer than its buffer.");
    std::fill(buffer.begin(), buffer.end(), 0);
    if (size > 0) std::memcpy(buffer.data(), data, size);
}
} // namespace

TOEParams& TCustomOEDataSet::Params() {
    CreateParams();
    return FParams;
}

void TCustomOEDataSet::SetParams(const TParams& values) {
    Params().AssignValues(values);
}

void TCustomOEDataSet::CreateParams() {
    Trace(1, "TCustomOEDataSet.CreateParams");
    if (!FParamsStale || Loading()) return;
    if (!FTableName.empty()) {
        FParams.Clear(); // a table is read whole: no parameters; they stay stale
        return;
    }
    if (!FStoredProcName.empty())
        ParamsFromCatalog();
    else
        ParamsFromText();
    FParamsStale = false;
    FParamsBound = false;
}

bool TCustomOEDataSet::CanDescribeParams() {
    THdbc* dbc = hDbc();
    if (!dbc) return false;
    try {
        dbc->Connect();
        return !dbc->NoDescribeParam();
    } catch (const Exception&) {
        SwallowODBCError();
        return false;
    }
}

void TCustomOEDataSet::ParamsFromText() {
    bool describe = CanDescribeParams();
    FParams.Clear();
    const std::vector<std::string> names = Statement().ParamNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        SQLSMALLINT sqlType = 0, digits = 0, nullable = SQL_NULLABLE_UNKNOWN;
        SQLULEN size = 0;
        if (describe) {
            try {
                Prepare();
                SQLSMALLINT t = 0, d = 0, n = SQL_NULLABLE_UNKNOWN;
                SQLULEN s = 0;
                if (SQL_SUCCEEDED(SQLDescribeParam(Statement().Handle(), static_cast<SQLUSMALLINT>(i + 1), &t,
                                                   &s, &d, &n))) {
                    sqlType = MapColumnSQLType(t);
                    size = s;
                    digits = d;
                    nullable = n;
                }
            } catch (const Exception&) {
                SwallowODBCError();
                describe = false;
            }
        }
        TOEDefRec def;
        def.Name = names[i];
        def.Required = nullable == SQL_NO_NULLS;
        def.DataType = ParamFieldType(sqlType);
        def.DecimalDigits = digits;
        def.Size =
            static_cast<std::int32_t>(std::min<SQLULEN>(size, std::numeric_limits<std::int32_t>::max()));
        def.Index = static_cast<int>(i);
        FParams.ParamDefs.push_back(def);
        FParams.Add(names[i], def.DataType, ptInput);
    }
}

void TCustomOEDataSet::ParamsFromCatalog() {
    THdbc* dbc = hDbc();
    if (!dbc) return;
    try {
        dbc->Connect();
    } catch (const Exception&) {
        SwallowODBCError();
        return;
    }
    TOECatalog catalog;
    catalog.SethDbc(dbc);
    catalog.Refresh();
    TCatalogProcedure* procedure = catalog.FindProcedure("", FStoredProcName);
    if (!procedure) return;
    TCatalogColumns& columns = procedure->Columns();
    FParams.Clear();
    for (int i = 0; i < columns.Count(); ++i) {
        const TCatalogColumn& c = columns.Item(i);
        if (c.ColumnType == SQL_RESULT_COL) continue;
        TOEDefRec def;
        def.Name = c.Name;
        def.Required = c.Nullable == SQL_NO_NULLS;
        def.DataType = ParamFieldType(MapColumnSQLType(c.DataType));
        def.DecimalDigits = c.DecimalDigits;
        def.Size = c.ColumnSize;
        def.Index = static_cast<int>(FParams.ParamDefs.size());
        FParams.ParamDefs.push_back(def);
        FParams.Add(c.Name, def.DataType, ParamTypeOfColumn(c.ColumnType));
    }
}

std::string TCustomOEDataSet::StoredProcStatement() const {
    std::string text = "{";
    for (int i = 0; i < FParams.Count(); ++i)
        if (FParams[i].ParamType == ptResult) {
            text += ":" + FParams[i].Name + " = ";
            break;
        }
    text += "CALL " + FStoredProcName + "(";
    for (int i = 0; i < FParams.Count(); ++i)
        if (FParams[i].ParamType != ptResult) text += ":" + FParams[i].Name + ", ";
    if (text.back() == ' ')
        text.replace(text.size() - 2, 2, ")}");
    else
        text.back() = '}';
    return text;
}

SQLUSMALLINT TCustomOEDataSet::ParamPosition(int index) {
    // A name may stand several times in the text: the n-th parameter of a name is its n-th token.
    const std::string& name = FParams[index].Name;
    int occurrence = 0;
    for (int i = 0; i < index; ++i)
        if (SameTextAscii(FParams[i].Name, name)) ++occurrence;
    const std::vector<std::string>& tokens = Statement().ParamNames();
    for (std::size_t t = 0; t < tokens.size(); ++t)
        if (SameTextAscii(tokens[t], name) && occurrence-- == 0) return static_cast<SQLUSMALLINT>(t + 1);
    return Statement().ParamByName(name); // raises for a name the text lacks
}

void TCustomOEDataSet::UnbindParams() {
    if (FStatement) FStatement->ResetParams();
    FParamsBound = false;
}

void TCustomOEDataSet::MatchParamBuffers() {
    auto& buffers = FParams.ParamBuffers;
    const auto count = static_cast<std::size_t>(FParams.Count());
    // A buffer is freed or replaced only once the statement no longer holds it.
    if (buffers.size() > count) {
        UnbindParams();
        buffers.resize(count);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const TParam& p = FParams[static_cast<int>(i)];
        if (i < buffers.size() && SameTextAscii(buffers[i]->Name, p.Name) &&
            buffers[i]->DataType == p.DataType)
            continue;
        auto made = FParams.MakeBuffer(p.Name, p.DataType);
        made->Index = static_cast<int>(i);
        if (i < buffers.size()) {
            UnbindParams();
            buffers[i] = std::move(made);
        } else {
            buffers.push_back(std::move(made));
            FParamsBound = false;
        }
    }
}

void TCustomOEDataSet::StoreParamValue(const TParam& p, TOEParamRec& rec) {
    std::vector<char>& b = rec.Buffer;
    switch (p.DataType) {
    case ftDate: {
        const TVarDate d = p.Value().AsDate();
        Put(b, SQL_DATE_STRUCT{static_cast<SQLSMALLINT>(d.Year), static_cast<SQLUSMALLINT>(d.Month),
                               static_cast<SQLUSMALLINT>(d.Day)});
        break;
    }
    case ftTime: {
        const TVarTime t = p.Value().AsTime();
        Put(b, SQL_TIME_STRUCT{static_cast<SQLUSMALLINT>(t.Hour), static_cast<SQLUSMALLINT>(t.Minute),
                               static_cast<SQLUSMALLINT>(t.Second)});
        break;
    }
    case ftDateTime: {
        const TVarDateTime dt = p.Value().AsDateTime();
        Put(b, SQL_TIMESTAMP_STRUCT{
                   static_cast<SQLSMALLINT>(dt.Date.Year), static_cast<SQLUSMALLINT>(dt.Date.Month),
                   static_cast<SQLUSMALLINT>(dt.Date.Day), static_cast<SQLUSMALLINT>(dt.Time.Hour),
                   static_cast<SQLUSMALLINT>(dt.Time.Minute), static_cast<SQLUSMALLINT>(dt.Time.Second),
                   dt.Time.Fraction / 1000000 * 1000000});
        break;
    }
    case ftBlob:
    case ftMemo: {
        std::string value;
        if (p.DataType == ftBlob) {
            const TBytes bytes = p.Value().AsBytes();
            value.assign(bytes.begin(), bytes.end());
        } else {
            value = p.Value().AsText();
        }
        // The statement holds the stream's memory and size from the bind: a value of the same size
        // is written in place, one of another size (which may move the memory) only once unbound.
        if (value.size() != rec.Stream->Size()) UnbindParams();
        rec.Stream->Clear();
        rec.Stream->Write(value.data(), value.size());
        break;
    }
    case ftString: {
        const std::string text = p.Value().AsText();
        CopyBytes(b, text.data(), text.size(), b.size() - 1, p);
        break;
    }
    case ftBytes: {
        const TBytes bytes = p.Value().AsBytes();
        CopyBytes(b, reinterpret_cast<const char*>(bytes.data()), bytes.size(), b.size(), p);
        break;
    }
    case ftBoolean:
        b[0] = p.Value().AsBoolean() ? 1 : 0;
        break;
    case ftSmallint:
        Put(b, InRange<std::int16_t>(p));
        break;
    case ftWord:
        Put(b, InRange<std::uint16_t>(p));
        break;
    case ftInteger:
        Put(b, InRange<std::int32_t>(p));
        break;
    case ftLargeint:
        Put(b, p.Value().AsInteger());
        break;
    case ftFloat:
    case ftCurrency:
        Put(b, p.Value().AsDouble());
        break;
    default:
        break;
    }
}

SQLLEN TCustomOEDataSet::ParamLength(const TParam& p, const TOEParamRec& rec) {
    if (p.IsNull()) return SQL_NULL_DATA;
    switch (p.DataType) {
    case ftString:
        return static_cast<SQLLEN>(std::strlen(rec.Buffer.data()));
    case ftBytes:
        return static_cast<SQLLEN>(p.Value().AsBytes().size());
    case ftBlob:
    case ftMemo:
        return static_cast<SQLLEN>(rec.Stream->Size());
    default:
        return 0;
    }
}

void TCustomOEDataSet::BindParams() {
    Trace(1, "TCustomOEDataSet.BindParams");
    if (Loading()) return;
    if (!FParamsBound) {
        Prepare();
        CreateParams();
    }
    MatchParamBuffers();
    for (int i = 0; i < FParams.Count(); ++i)
        if (!FParams[i].IsNull())
            StoreParamValue(FParams[i], *FParams.ParamBuffers[static_cast<std::size_t>(i)]);
    THstmt& s = Statement();
    if (!FParamsBound) {
        for (int i = 0; i < FParams.Count(); ++i) {
            const TParam& p = FParams[i];
            TOEParamRec& rec = *FParams.ParamBuffers[static_cast<std::size_t>(i)];
            s.SetParamType(ParamDirection(p.ParamType));
            if (IsBlobType(p.DataType)) {
                s.BindParamBlob(ParamPosition(i), *rec.Stream, p.DataType == ftBlob);
            } else {
                const SQLSMALLINT cType = ParamCType(p.DataType);
                s.BindParam(ParamPosition(i), cType, CTypeToSQLType(cType), rec.Buffer.data());
            }
        }
        FParamsBound = true;
    }
    for (int i = 0; i < FParams.Count(); ++i)
        s.SetParamSize(ParamPosition(i),
                       ParamLength(FParams[i], *FParams.ParamBuffers[static_cast<std::size_t>(i)]));
}

TVariant TCustomOEDataSet::BufferValue(const TParam& p, const TOEParamRec& rec, SQLLEN size) {
    const std::vector<char>& b = rec.Buffer;
    switch (p.DataType) {
    case ftDate: {
        const auto d = Get<SQL_DATE_STRUCT>(b);
        return TVarDate{d.year, d.month, d.day};
    }
    case ftTime: {
        const auto t = Get<SQL_TIME_STRUCT>(b);
        return TVarTime{t.hour, t.minute, t.second, 0};
    }
    case ftDateTime: {
        const auto ts = Get<SQL_TIMESTAMP_STRUCT>(b);
        return TVarDateTime{{ts.year, ts.month, ts.day}, {ts.hour, ts.minute, ts.second, ts.fraction}};
    }
    case ftBlob:
        return TBytes(rec.Stream->Memory(), rec.Stream->Memory() + rec.Stream->Size());
    case ftMemo:
        return StreamToText(*rec.Stream);
    case ftString:
        return std::string(b.data(), strnlen(b.data(), b.size()));
    case ftBytes:
        return TBytes(b.begin(), b.begin() + std::clamp<SQLLEN>(size, 0, static_cast<SQLLEN>(b.size())));
    case ftBoolean:
        return b[0] != 0;
    case ftSmallint:
        return int{Get<std::int16_t>(b)};
    case ftWord:
        return int{Get<std::uint16_t>(b)};
    case ftInteger:
        return int{Get<std::int32_t>(b)};
    case ftLargeint:
        return Get<std::int64_t>(b);
    case ftFloat:
    case ftCurrency:
        return Get<double>(b);
    default:
        return {};
    }
}

void TCustomOEDataSet::CopyOutputParams() {
    for (int i = 0; i < FParams.Count(); ++i) {
        TParam& p = FParams[i];
        if (p.ParamType != ptOutput && p.ParamType != ptInputOutput && p.ParamType != ptResult) continue;
        if (static_cast<std::size_t>(i) >= FParams.ParamBuffers.size()) continue;
        const SQLLEN size = Statement().GetParamSize(ParamPosition(i));
        if (size == SQL_NULL_DATA)
            p.Clear();
        else
            p.SetValue(BufferValue(p, *FParams.ParamBuffers[static_cast<std::size_t>(i)], size));
    }
}

} // namespace tarvik
