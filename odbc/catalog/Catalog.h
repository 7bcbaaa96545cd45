#pragma once
// The ODBC catalog of one connection: its tables and stored procedures, and a
// procedure's columns, cached until a filter changes or Refresh is called.
#include "core/Component.h"

#include <sql.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace tarvik {

class THdbc;
class THstmt;
class TOECatalog;

enum TTableType { ttTable, ttView, ttSystem };
// A set of TTableType, one bit each.
using TTableTypeSet = unsigned;
constexpr TTableTypeSet TableTypeBit(TTableType t) {
    return 1u << t;
}

struct TCatalogTable {
    TOECatalog* Catalog = nullptr;
    std::string Owner;
    std::string Name;
    TTableType TableType = ttTable;
    std::string Remarks;
};

struct TCatalogColumn {
    std::string Name;
    SQLSMALLINT ColumnType = 0;
    SQLSMALLINT DataType = 0;
    std::string TypeName;
    SQLINTEGER ColumnSize = 0;
    SQLSMALLINT DecimalDigits = 0;
    SQLSMALLINT Radix = 0;
    SQLSMALLINT Nullable = 0;
    std::string DefaultValue;
    std::string Remarks;
};

// A list that owns its entries; entries stay valid until the list is cleared.
template <class TEntry> class TCatalogList {
public:
    explicit TCatalogList(TOECatalog* catalog = nullptr) : FCatalog(catalog) {}
    void Clear() { FItems.clear(); }
    TEntry& Add();
    int Count() const { return static_cast<int>(FItems.size()); }
    // 0-based; throws std::out_of_range, for a negative index too.
    TEntry& Item(int index) const { return *FItems.at(static_cast<std::size_t>(index)); }
    TOECatalog* Catalog() const { return FCatalog; }

private:
    TOECatalog* FCatalog;
    std::vector<std::unique_ptr<TEntry>> FItems;
};

using TCatalogColumns = TCatalogList<TCatalogColumn>;
using TCatalogTables = TCatalogList<TCatalogTable>;

class TCatalogProcedure {
public:
    TOECatalog* Catalog = nullptr;
    std::string Owner;
    std::string Name;
    SQLSMALLINT ProcedureType = 0;
    std::string Remarks;

    // The parameter and result columns, read through the catalog's statement when stale. Throws EODBC.
    TCatalogColumns& Columns();
    // The column names of Columns(); replaced on the next call.
    const std::vector<std::string>& ColumnNames();
    bool ColumnsStale() const { return FColumnsStale; }

private:
    void ReadColumns();
    TCatalogColumns FColumns;
    std::vector<std::string> FColumnNames;
    bool FColumnsStale = true;
};

using TCatalogProcedures = TCatalogList<TCatalogProcedure>;

class TOECatalog : public TComponent {
public:
    // Adopts the first THdbc among the owner's components.
    explicit TOECatalog(TComponent* owner = nullptr);
    ~TOECatalog() override;

    THdbc* hDbc() const { return FHdbc; }
    // Binds the statement to the connection and refreshes.
    void SethDbc(THdbc* value);

    const std::string& TableOwner() const { return FTableOwner; }
    void SetTableOwner(const std::string& value);
    const std::string& TableName() const { return FTableName; }
    void SetTableName(const std::string& value);
    TTableTypeSet TableType() const { return FTableType; }
    void SetTableType(TTableTypeSet value);
    const std::string& ProcedureOwner() const { return FProcedureOwner; }
    void SetProcedureOwner(const std::string& value);
    const std::string& ProcedureName() const { return FProcedureName; }
    void SetProcedureName(const std::string& value);

    // The tables, read when stale. Throws EVERODezuzid without hDbc, EODBC; the old list stays on failure.
    TCatalogTables& Tables();
    // The procedures, read when stale. Throws as Tables.
    TCatalogProcedures& Procedures();
    // Bare names of Tables() in order; replaced on the next call. Throws as Tables.
    const std::vector<std::string>& TableNames();
    // The first procedure of that name (and owner when given), trimmed and ignoring case; null when none.
    TCatalogProcedure* FindProcedure(const std::string& owner, const std::string& name);
    void Refresh();
    // Frees the statement handle and any open cursor; the next read allocates anew. Throws EODBC.
    void ReleaseStatement();

    bool TablesStale() const { return FTablesStale; }
    bool ProceduresStale() const { return FProceduresStale; }
    // The statement every read runs on; owned by the catalog.
    THstmt& Statement() { return *FStmt; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TCatalogProcedure;
    void RequireHdbc() const;
    void ReadTables();
    void ReadProcedures();

    THdbc* FHdbc = nullptr;
    std::unique_ptr<THstmt> FStmt;
    std::string FTableOwner;
    std::string FTableName = "%";
    TTableTypeSet FTableType = TableTypeBit(ttTable) | TableTypeBit(ttView);
    std::string FProcedureOwner;
    std::string FProcedureName = "%";
    TCatalogTables FTables{this};
    TCatalogProcedures FProcedures{this};
    std::vector<std::string> FTableNames;
    bool FTablesStale = true;
    bool FProceduresStale = true;
};

// The SQLTables type list of a set: 'TABLE', 'VIEW', 'SYSTEM TABLE' joined by ", ".
std::string TableTypeList(TTableTypeSet types);
// A catalog type text (trimmed, any case) as a table type; unknown texts are tables.
TTableType TableTypeOf(const std::string& text);

template <class TEntry> TEntry& TCatalogList<TEntry>::Add() {
    FItems.push_back(std::make_unique<TEntry>());
    if constexpr (requires(TEntry e) { e.Catalog; }) FItems.back()->Catalog = FCatalog;
    return *FItems.back();
}

} // namespace tarvik
