#include "odbc/catalog/Catalog.h"

#include "core/Narrow.h"
#include "core/Text.h"
#include "odbc/HDbc.h"
#include "odbc/HEnv.h"
#include "odbc/HStmt.h"
#include "odbc/SqlChars.h"
#include "odbc/Trace.h"

#include <algorithm>

namespace tarvik {

namespace {
// Catalog functions take an empty pattern as "no pattern": a null pointer with length 0.
struct Pattern {
    explicit Pattern(const std::string& text) : FText(text) {}
    SQLCHAR* Ptr() const { return FText.empty() ? nullptr : SqlChars(FText); }
    SQLSMALLINT Len() const { return Narrow<SQLSMALLINT>(FText.size()); }
    const std::string& FText;
};

// Stores a changed filter text (compared case-sensitively) and marks its list stale.
void SetFilter(std::string& field, const std::string& value, bool& stale) {
    if (field == value) return;
    field = value;
    stale = true;
}

// Runs one catalog call on a fresh handle of the catalog's statement; a failure raises EODBC.
template <class Call> void RunCatalogCall(THstmt& stmt, Call call) {
    stmt.Terminate();
    const SQLRETURN rc = call(stmt.Handle());
    if (!Success(rc)) GlobalEnv().Error().RaiseODBCError(&stmt, rc);
}
} // namespace

std::string TableTypeList(TTableTypeSet types) {
    std::string list;
    const auto append = [&list](const char* name) {
        if (!list.empty()) list += ", ";
        list += std::string("'") + name + "'";
    };
    if (types & TableTypeBit(ttTable)) append("TABLE");
    if (types & TableTypeBit(ttView)) append("VIEW");
    if (types & TableTypeBit(ttSystem)) append("SYSTEM TABLE");
    return list;
}

TTableType TableTypeOf(const std::string& text) {
    const std::string t = UpperAscii(TrimBlanks(text));
    if (t == "VIEW") return ttView;
    if (t == "SYSTEM TABLE") return ttSystem;
    return ttTable;
}

TOECatalog::TOECatalog(TComponent* owner) : TComponent(owner), FStmt(std::make_unique<THstmt>(nullptr)) {
    if (owner)
        for (TComponent* c : owner->Components())
            if (auto* dbc = dynamic_cast<THdbc*>(c)) {
                SethDbc(dbc);
                break;
            }
}

TOECatalog::~TOECatalog() = default;

void TOECatalog::SethDbc(THdbc* value) {
    FHdbc = value;
    FStmt->SethDbc(value);
    Refresh();
}

void TOECatalog::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opInsert && !FHdbc) {
        if (auto* dbc = dynamic_cast<THdbc*>(component)) SethDbc(dbc);
    } else if (operation == TOperation::opRemove && component == FHdbc) {
        FHdbc = nullptr;
        FStmt->SethDbc(nullptr);
    }
}

void TOECatalog::SetTableOwner(const std::string& value) {
    SetFilter(FTableOwner, value, FTablesStale);
}
void TOECatalog::SetTableName(const std::string& value) {
    SetFilter(FTableName, value, FTablesStale);
}
void TOECatalog::SetProcedureOwner(const std::string& value) {
    SetFilter(FProcedureOwner, value, FProceduresStale);
}
void TOECatalog::SetProcedureName(const std::string& value) {
    SetFilter(FProcedureName, value, FProceduresStale);
}

void TOECatalog::SetTableType(TTableTypeSet value) {
    if (FTableType == value) return;
    FTableType = value;
    FTablesStale = true;
}

void TOECatalog::Refresh() {
    FTablesStale = true;
    FProceduresStale = true;
}

void TOECatalog::ReleaseStatement() {
    FStmt->Terminate();
}

void TOECatalog::RequireHdbc() const {
    if (!FHdbc) throw EVERODezuzid("Property Hdbc of " + Name() + " not set.");
}

TCatalogTables& TOECatalog::Tables() {
    if (FTablesStale) ReadTables();
    FTablesStale = false;
    return FTables;
}

TCatalogProcedures& TOECatalog::Procedures() {
    if (FProceduresStale) ReadProcedures();
    FProceduresStale = false;
    return FProcedures;
}

const std::vector<std::string>& TOECatalog::TableNames() {
    TCatalogTables& tables = Tables();
    FTableNames.clear();
    for (int i = 0; i < tables.Count(); ++i)
        FTableNames.push_back(tables.Item(i).Name);
    return FTableNames;
}

TCatalogProcedure* TOECatalog::FindProcedure(const std::string& owner, const std::string& name) {
    const std::string wantedOwner = UpperAscii(TrimBlanks(owner));
    const std::string wantedName = UpperAscii(TrimBlanks(name));
    TCatalogProcedures& procedures = Procedures();
    for (int i = 0; i < procedures.Count(); ++i) {
        TCatalogProcedure& p = procedures.Item(i);
        if (UpperAscii(p.Name) == wantedName && (wantedOwner.empty() || UpperAscii(p.Owner) == wantedOwner))
            return &p;
    }
    return nullptr;
}

void TOECatalog::ReadTables() {
    Trace(1, "TOECatalog.ReadTables");
    RequireHdbc();
    FTableOwner = TrimBlanks(FTableOwner);
    FTableName = TrimBlanks(FTableName);
    FHdbc->Connect();
    // The spreadsheet driver lists its sheets under no table type: asking for TABLE would find none.
    // (No such driver exists on unixODBC; the rule is kept for data sources that report it.)
    if (FHdbc->IsDriver({"Excel;odbcjt32.dll"})) FTableType = 0;
    const std::string types = TableTypeList(FTableType);
    const Pattern owner(FTableOwner), name(FTableName), typeList(types);
    RunCatalogCall(*FStmt, [&](SQLHSTMT h) {
        return SQLTables(h, nullptr, 0, owner.Ptr(), owner.Len(), name.Ptr(), name.Len(), typeList.Ptr(),
                         typeList.Len());
    });
    FTables.Clear();
    while (FStmt->FetchNext()) {
        TCatalogTable& t = FTables.Add();
        t.Owner = FStmt->ColString(2);
        t.Name = FStmt->ColString(3);
        t.TableType = TableTypeOf(FStmt->ColString(4));
        t.Remarks = FStmt->ColString(5);
    }
}

void TOECatalog::ReadProcedures() {
    Trace(1, "TOECatalog.ReadProcedures");
    RequireHdbc();
    FProcedureOwner = TrimBlanks(FProcedureOwner);
    FProcedureName = TrimBlanks(FProcedureName);
    const Pattern owner(FProcedureOwner), name(FProcedureName);
    RunCatalogCall(*FStmt, [&](SQLHSTMT h) {
        return SQLProcedures(h, nullptr, 0, owner.Ptr(), owner.Len(), name.Ptr(), name.Len());
    });
    FProcedures.Clear();
    while (FStmt->FetchNext()) {
        TCatalogProcedure& p = FProcedures.Add();
        p.Owner = FStmt->ColString(2);
        // SQL Server numbers procedure groups ("proc;1"); callers want the bare name.
        const std::string numbered = FStmt->ColString(3);
        p.Name = TrimBlanks(numbered.substr(0, numbered.find(';')));
        p.ProcedureType = static_cast<SQLSMALLINT>(FStmt->ColInteger(8));
        p.Remarks = FStmt->ColString(7);
    }
}

TCatalogColumns& TCatalogProcedure::Columns() {
    if (FColumnsStale) ReadColumns();
    FColumnsStale = false;
    return FColumns;
}

const std::vector<std::string>& TCatalogProcedure::ColumnNames() {
    TCatalogColumns& columns = Columns();
    FColumnNames.clear();
    for (int i = 0; i < columns.Count(); ++i)
        FColumnNames.push_back(columns.Item(i).Name);
    return FColumnNames;
}

void TCatalogProcedure::ReadColumns() {
    Trace(1, "TCatalogProcedure.ReadColumns");
    THstmt& stmt = Catalog->Statement();
    const Pattern owner(Owner), name(Name);
    RunCatalogCall(stmt, [&](SQLHSTMT h) {
        return SQLProcedureColumns(h, nullptr, 0, owner.Ptr(), owner.Len(), name.Ptr(), name.Len(), nullptr,
                                   0);
    });
    FColumns.Clear();
    while (stmt.FetchNext()) {
        TCatalogColumn& c = FColumns.Add();
        c.Name = stmt.ColString(4);
        c.ColumnType = static_cast<SQLSMALLINT>(stmt.ColInteger(5));
        c.DataType = static_cast<SQLSMALLINT>(stmt.ColInteger(6));
        c.TypeName = stmt.ColString(7);
        c.ColumnSize = stmt.ColInteger(8);
        c.DecimalDigits = static_cast<SQLSMALLINT>(stmt.ColInteger(10));
        c.Radix = static_cast<SQLSMALLINT>(stmt.ColInteger(11));
        c.Nullable = static_cast<SQLSMALLINT>(stmt.ColInteger(12));
        c.DefaultValue = stmt.ColString(14);
        c.Remarks = stmt.ColString(13);
    }
}

} // namespace tarvik
