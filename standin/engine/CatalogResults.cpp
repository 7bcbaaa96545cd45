#include "standin/engine/CatalogResults.h"

#include "core/Text.h"
#include "standin/engine/Diagnostics.h"
#include "standin/engine/Procedures.h"
#include "standin/engine/Server.h"

#include <algorithm>

using namespace tarvik;

namespace standin {

namespace {

struct TableEntry {
    std::string Name, Type; // Type: TABLE, VIEW, SYSTEM TABLE
};

struct IndexEntry {
    std::string Name;
    bool Unique = false;
    SQLSMALLINT Type = SQL_INDEX_OTHER;
    std::vector<std::string> Columns;
};

std::string Text(const Value& v) {
    return v.Type == SQLITE_NULL ? std::string() : v.Text;
}

Value Str(const std::string& s) {
    return Value::String(s);
}
Value Int(sqlite3_int64 v) {
    return Value::Integer(v);
}

std::string QuoteIdent(const std::string& name) {
    std::string out = "\"";
    for (char c : name)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// The database a catalog argument names: the current one when it is empty or NULL.
std::shared_ptr<Database> Target(Session& s, const Arg& catalog) {
    if (!catalog || catalog->empty() || sqlite3_stricmp(catalog->c_str(), s.DatabaseName().c_str()) == 0)
        return s.Current();
    auto row = s.FindDatabase(*catalog);
    if (!row) return nullptr;
    return std::make_shared<Database>(row->Name, row->Path);
}

std::vector<TableEntry> TableList(sqlite3* db) {
    std::vector<TableEntry> out;
    for (const auto& r :
         QueryRows(db, "SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view') "
                       "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name COLLATE NOCASE")) {
        std::string name = Text(r[0]);
        std::string type = Text(r[1]) == "view" ? "VIEW" : "TABLE";
        if (type == "TABLE" && UpperAscii(name).rfind("SYS", 0) == 0) type = "SYSTEM TABLE";
        out.push_back({name, type});
    }
    return out;
}

std::optional<std::string> ActualTableName(sqlite3* db, const std::string& table) {
    auto rows = QueryRows(db,
                          "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') AND name = ? "
                          "COLLATE NOCASE",
                          {table});
    if (rows.empty()) return std::nullopt;
    return Text(rows[0][0]);
}

struct ColumnEntry {
    std::string Name, Declared, Default;
    bool NotNull = false;
    int PrimaryKeyOrder = 0;
    bool HasDefault = false;
};

std::vector<ColumnEntry> TableColumns(sqlite3* db, const std::string& table) {
    std::vector<ColumnEntry> out;
    for (const auto& r : QueryRows(db, "PRAGMA table_info(" + QuoteIdent(table) + ")"))
        out.push_back({Text(r[1]), Text(r[2]), Text(r[4]), r[3].Int != 0, static_cast<int>(r[5].Int),
                       r[4].Type != SQLITE_NULL});
    return out;
}

std::vector<IndexEntry> IndexList(sqlite3* db, const std::string& table) {
    std::vector<IndexEntry> out;
    auto columns = TableColumns(db, table);
    std::vector<std::string> rowidKey;
    for (const auto& c : columns)
        if (c.PrimaryKeyOrder > 0) rowidKey.push_back(c.Name);
    bool hasPkIndex = false;
    int uniqueNo = 0;
    for (const auto& r : QueryRows(db, "PRAGMA index_list(" + QuoteIdent(table) + ")")) {
        IndexEntry e;
        std::string name = Text(r[1]), origin = Text(r[3]);
        e.Unique = r[2].Int != 0;
        if (origin == "pk") {
            e.Name = "PK_" + table;
            e.Type = SQL_INDEX_CLUSTERED;
            hasPkIndex = true;
        } else if (origin == "u") {
            e.Name = "UQ_" + table + "_" + std::to_string(++uniqueNo);
        } else {
            e.Name = name;
        }
        for (const auto& c : QueryRows(db, "PRAGMA index_info(" + QuoteIdent(name) + ")"))
            e.Columns.push_back(Text(c[2]));
        out.push_back(std::move(e));
    }
    if (!hasPkIndex &&
        rowidKey.size() == 1) // an INTEGER PRIMARY KEY is the rowid and has no index of its own
        out.push_back({"PK_" + table, true, SQL_INDEX_CLUSTERED, rowidKey});
    std::stable_sort(out.begin(), out.end(), [](const IndexEntry& a, const IndexEntry& b) {
        if (a.Unique != b.Unique) return a.Unique;
        if (a.Type != b.Type) return a.Type < b.Type;
        return UpperAscii(a.Name) < UpperAscii(b.Name);
    });
    return out;
}

bool Matches(const Arg& pattern, const std::string& text) {
    return !pattern || MatchPattern(*pattern, text);
}

std::vector<std::string> TypeFilter(const Arg& types) {
    std::vector<std::string> out;
    if (!types || types->empty()) return out;
    std::string cur;
    auto push = [&] {
        std::string t;
        for (char c : cur)
            if (c != '\'') t += c;
        auto b = t.find_first_not_of(' '), e = t.find_last_not_of(' ');
        if (b != std::string::npos) out.push_back(UpperAscii(t.substr(b, e - b + 1)));
        cur.clear();
    };
    for (char c : *types) {
        if (c == ',')
            push();
        else
            cur += c;
    }
    push();
    return out;
}

std::unique_ptr<RowsCursor> TablesLayout() {
    auto c = std::make_unique<RowsCursor>();
    c->AddColumn("TABLE_CAT", "nvarchar(128)");
    c->AddColumn("TABLE_SCHEM", "nvarchar(128)");
    c->AddColumn("TABLE_NAME", "nvarchar(128)");
    c->AddColumn("TABLE_TYPE", "varchar(32)");
    c->AddColumn("REMARKS", "varchar(254)");
    return c;
}

} // namespace

bool MatchPattern(const std::string& pattern, const std::string& text) {
    // Iterative wildcard match with backtracking on the last %.
    size_t p = 0, t = 0, starP = std::string::npos, starT = 0;
    auto lower = LowerAsciiChar;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '\\' && p + 1 < pattern.size()) {
            if (lower(pattern[p + 1]) == lower(text[t])) {
                p += 2;
                ++t;
                continue;
            }
        } else if (p < pattern.size() && pattern[p] == '%') {
            starP = p++;
            starT = t;
            continue;
        } else if (p < pattern.size() && (pattern[p] == '_' || lower(pattern[p]) == lower(text[t]))) {
            ++p;
            ++t;
            continue;
        }
        if (starP == std::string::npos) return false;
        p = starP + 1;
        t = ++starT;
    }
    while (p < pattern.size() && pattern[p] == '%')
        ++p;
    return p == pattern.size();
}

std::unique_ptr<RowsCursor> Tables(Session& s, const Arg& catalog, const Arg& schema, const Arg& table,
                                   const Arg& types) {
    auto c = TablesLayout();
    auto isEmpty = [](const Arg& a) { return a && a->empty(); };
    if (catalog && *catalog == "%" && isEmpty(schema) && isEmpty(table)) {
        for (const auto& d : s.Databases())
            c->AddRow({Str(d.Name), Value::Null(), Value::Null(), Value::Null(), Value::Null()});
        return c;
    }
    if (schema && *schema == "%" && isEmpty(catalog) && isEmpty(table)) {
        c->AddRow({Value::Null(), Str("dbo"), Value::Null(), Value::Null(), Value::Null()});
        return c;
    }
    if (types && *types == "%" && isEmpty(catalog) && isEmpty(schema) && isEmpty(table)) {
        for (const char* t : {"SYSTEM TABLE", "TABLE", "VIEW"})
            c->AddRow({Value::Null(), Value::Null(), Value::Null(), Str(t), Value::Null()});
        return c;
    }
    auto db = Target(s, catalog);
    if (!db || !Matches(schema, "dbo")) return c;
    auto filter = TypeFilter(types);
    std::vector<TableEntry> list = TableList(db->Handle());
    std::stable_sort(list.begin(), list.end(),
                     [](const TableEntry& a, const TableEntry& b) { return a.Type < b.Type; });
    for (const auto& t : list) {
        if (!Matches(table, t.Name)) continue;
        if (!filter.empty() && std::find(filter.begin(), filter.end(), t.Type) == filter.end()) continue;
        c->AddRow({Str(db->Name()), Str("dbo"), Str(t.Name), Str(t.Type), Value::Null()});
    }
    return c;
}

// The column description that SQLColumns and SQLProcedureColumns share, DATA_TYPE to IS_NULLABLE.
static void AddTypeDescriptionColumns(RowsCursor& c) {
    c.AddColumn("DATA_TYPE", "smallint", SQL_NO_NULLS);
    c.AddColumn("TYPE_NAME", "nvarchar(128)", SQL_NO_NULLS);
    c.AddColumn("COLUMN_SIZE", "int");
    c.AddColumn("BUFFER_LENGTH", "int");
    c.AddColumn("DECIMAL_DIGITS", "smallint");
    c.AddColumn("NUM_PREC_RADIX", "smallint");
    c.AddColumn("NULLABLE", "smallint", SQL_NO_NULLS);
    c.AddColumn("REMARKS", "varchar(254)");
    c.AddColumn("COLUMN_DEF", "nvarchar(4000)");
    c.AddColumn("SQL_DATA_TYPE", "smallint", SQL_NO_NULLS);
    c.AddColumn("SQL_DATETIME_SUB", "smallint");
    c.AddColumn("CHAR_OCTET_LENGTH", "int");
    c.AddColumn("ORDINAL_POSITION", "int", SQL_NO_NULLS);
    c.AddColumn("IS_NULLABLE", "varchar(254)");
}

// The values of those columns for one column or parameter.
static void AppendTypeDescription(Row& row, const ColumnInfo& info, bool nullable, Value defaultValue,
                                  int ordinal) {
    bool numeric = info.Radix() != 0, dt = info.DateTimeSub() != 0;
    bool chars = info.IsCharacter() || info.IsBinary();
    Row tail = {Int(info.SqlType),
                Str(info.TypeName),
                Int(static_cast<sqlite3_int64>(info.Size)),
                Int(info.OctetLength()),
                numeric || dt ? Int(info.Digits) : Value::Null(),
                numeric ? Int(info.Radix()) : Value::Null(),
                Int(nullable ? SQL_NULLABLE : SQL_NO_NULLS),
                Value::Null(),
                std::move(defaultValue),
                Int(info.VerboseType()),
                dt ? Int(info.DateTimeSub()) : Value::Null(),
                chars ? Int(info.OctetLength()) : Value::Null(),
                Int(ordinal),
                Str(nullable ? "YES" : "NO")};
    row.insert(row.end(), std::make_move_iterator(tail.begin()), std::make_move_iterator(tail.end()));
}

std::unique_ptr<RowsCursor> Columns(Session& s, const Arg& catalog, const Arg& schema, const Arg& table,
                                    const Arg& column) {
    auto c = std::make_unique<RowsCursor>();
    const char* names[] = {"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "COLUMN_NAME"};
    for (const char* n : names)
        c->AddColumn(n, "nvarchar(128)", n[6] == 'C' || n[6] == 'S' ? SQL_NULLABLE : SQL_NO_NULLS);
    AddTypeDescriptionColumns(*c);
    auto db = Target(s, catalog);
    if (!db || !Matches(schema, "dbo")) return c;
    for (const auto& t : TableList(db->Handle())) {
        if (!Matches(table, t.Name)) continue;
        int ordinal = 0;
        for (const auto& col : TableColumns(db->Handle(), t.Name)) {
            ++ordinal;
            if (!Matches(column, col.Name)) continue;
            Row row = {Str(db->Name()), Str("dbo"), Str(t.Name), Str(col.Name)};
            AppendTypeDescription(row, DescribeDeclared(col.Declared), !col.NotNull,
                                  col.HasDefault ? Str(col.Default) : Value::Null(), ordinal);
            c->AddRow(std::move(row));
        }
    }
    return c;
}

std::unique_ptr<RowsCursor> PrimaryKeys(Session& s, const Arg& catalog, const Arg& schema,
                                        const std::string& table) {
    auto c = std::make_unique<RowsCursor>();
    c->AddColumn("TABLE_CAT", "nvarchar(128)");
    c->AddColumn("TABLE_SCHEM", "nvarchar(128)");
    c->AddColumn("TABLE_NAME", "nvarchar(128)", SQL_NO_NULLS);
    c->AddColumn("COLUMN_NAME", "nvarchar(128)", SQL_NO_NULLS);
    c->AddColumn("KEY_SEQ", "smallint", SQL_NO_NULLS);
    c->AddColumn("PK_NAME", "nvarchar(128)");
    auto db = Target(s, catalog);
    if (!db || (schema && !schema->empty() && sqlite3_stricmp(schema->c_str(), "dbo") != 0)) return c;
    auto actual = ActualTableName(db->Handle(), table);
    if (!actual) return c;
    std::vector<std::pair<int, std::string>> key;
    for (const auto& col : TableColumns(db->Handle(), *actual))
        if (col.PrimaryKeyOrder > 0) key.emplace_back(col.PrimaryKeyOrder, col.Name);
    std::sort(key.begin(), key.end());
    for (const auto& [seq, name] : key)
        c->AddRow({Str(db->Name()), Str("dbo"), Str(*actual), Str(name), Int(seq), Str("PK_" + *actual)});
    return c;
}

std::unique_ptr<RowsCursor> SpecialColumns(Session& s, SQLUSMALLINT identifier, const Arg& catalog,
                                           const std::string& table) {
    auto c = std::make_unique<RowsCursor>();
    c->AddColumn("SCOPE", "smallint");
    c->AddColumn("COLUMN_NAME", "nvarchar(128)", SQL_NO_NULLS);
    c->AddColumn("DATA_TYPE", "smallint", SQL_NO_NULLS);
    c->AddColumn("TYPE_NAME", "nvarchar(128)", SQL_NO_NULLS);
    c->AddColumn("COLUMN_SIZE", "int");
    c->AddColumn("BUFFER_LENGTH", "int");
    c->AddColumn("DECIMAL_DIGITS", "smallint");
    c->AddColumn("PSEUDO_COLUMN", "smallint");
    auto db = Target(s, catalog);
    if (!db || identifier != SQL_BEST_ROWID) return c;
    auto actual = ActualTableName(db->Handle(), table);
    if (!actual) return c;
    // The best row identifier is the primary key, else the first unique index.
    auto columns = TableColumns(db->Handle(), *actual);
    std::vector<std::pair<int, std::string>> primary;
    for (const auto& col : columns)
        if (col.PrimaryKeyOrder > 0) primary.emplace_back(col.PrimaryKeyOrder, col.Name);
    std::sort(primary.begin(), primary.end());
    std::vector<std::string> key;
    for (const auto& entry : primary)
        key.push_back(entry.second);
    if (key.empty()) {
        auto indexes = IndexList(db->Handle(), *actual);
        auto best =
            std::find_if(indexes.begin(), indexes.end(), [](const IndexEntry& e) { return e.Unique; });
        if (best == indexes.end()) return c;
        key = best->Columns;
    }
    for (const auto& name : key) {
        auto col = std::find_if(columns.begin(), columns.end(),
                                [&](const ColumnEntry& e) { return e.Name == name; });
        ColumnInfo info = DescribeDeclared(col == columns.end() ? std::string() : col->Declared);
        c->AddRow({Int(SQL_SCOPE_SESSION), Str(name), Int(info.SqlType), Str(info.TypeName),
                   Int(static_cast<sqlite3_int64>(info.Size)), Int(info.OctetLength()),
                   info.Radix() || info.DateTimeSub() ? Int(info.Digits) : Value::Null(),
                   Int(SQL_PC_NOT_PSEUDO)});
    }
    return c;
}

std::unique_ptr<RowsCursor> Statistics(Session& s, const Arg& catalog, const std::string& table,
                                       bool uniqueOnly, bool odbc2Names) {
    auto c = std::make_unique<RowsCursor>();
    c->AddColumn(odbc2Names ? "TABLE_QUALIFIER" : "TABLE_CAT", "nvarchar(128)");
    c->AddColumn(odbc2Names ? "TABLE_OWNER" : "TABLE_SCHEM", "nvarchar(128)");
    c->AddColumn("TABLE_NAME", "nvarchar(128)", SQL_NO_NULLS);
    c->AddColumn("NON_UNIQUE", "smallint");
    c->AddColumn("INDEX_QUALIFIER", "nvarchar(128)");
    c->AddColumn("INDEX_NAME", "nvarchar(128)");
    c->AddColumn("TYPE", "smallint", SQL_NO_NULLS);
    c->AddColumn(odbc2Names ? "SEQ_IN_INDEX" : "ORDINAL_POSITION", "smallint");
    c->AddColumn("COLUMN_NAME", "nvarchar(128)");
    c->AddColumn(odbc2Names ? "COLLATION" : "ASC_OR_DESC", "char(1)");
    c->AddColumn("CARDINALITY", "int");
    c->AddColumn("PAGES", "int");
    c->AddColumn("FILTER_CONDITION", "varchar(128)");
    auto db = Target(s, catalog);
    if (!db) return c;
    auto actual = ActualTableName(db->Handle(), table);
    if (!actual) return c;
    auto count = QueryRows(db->Handle(), "SELECT count(*) FROM " + QuoteIdent(*actual));
    sqlite3_int64 rows = count.empty() ? 0 : count[0][0].Int;
    sqlite3_int64 pages = rows / 50 + 1;
    Value cat = Str(db->Name()), owner = Str("dbo"), name = Str(*actual);
    c->AddRow({cat, owner, name, Value::Null(), Value::Null(), Value::Null(), Int(SQL_TABLE_STAT),
               Value::Null(), Value::Null(), Value::Null(), Int(rows), Int(pages), Value::Null()});
    for (const auto& idx : IndexList(db->Handle(), *actual)) {
        if (uniqueOnly && !idx.Unique) continue;
        for (size_t i = 0; i < idx.Columns.size(); ++i)
            c->AddRow({cat, owner, name, Int(idx.Unique ? 0 : 1), name, Str(idx.Name), Int(idx.Type),
                       Int(static_cast<sqlite3_int64>(i + 1)), Str(idx.Columns[i]), Str("A"), Int(rows),
                       Int(pages), Value::Null()});
    }
    return c;
}

namespace {

// The procedures of a catalog argument's database that the patterns select.
std::vector<ProcedureDef> MatchingProcedures(Session& s, const Arg& catalog, const Arg& schema,
                                             const Arg& name, std::shared_ptr<Database>& db) {
    db = Target(s, catalog);
    if (!db || !Matches(schema, "dbo")) return {};
    std::vector<ProcedureDef> out;
    for (auto& p : ListProcedures(*db))
        if (!name || MatchPattern(*name, p.Name) || MatchPattern(*name, p.Name + ";1"))
            out.push_back(std::move(p));
    return out;
}

} // namespace

std::unique_ptr<RowsCursor> Procedures(Session& s, const Arg& catalog, const Arg& schema, const Arg& name,
                                       bool odbc2Names) {
    auto c = std::make_unique<RowsCursor>();
    c->AddColumn(odbc2Names ? "PROCEDURE_QUALIFIER" : "PROCEDURE_CAT", "nvarchar(128)");
    c->AddColumn(odbc2Names ? "PROCEDURE_OWNER" : "PROCEDURE_SCHEM", "nvarchar(128)");
    c->AddColumn("PROCEDURE_NAME", "nvarchar(134)", SQL_NO_NULLS);
    c->AddColumn("NUM_INPUT_PARAMS", "int");
    c->AddColumn("NUM_OUTPUT_PARAMS", "int");
    c->AddColumn("NUM_RESULT_SETS", "int");
    c->AddColumn("REMARKS", "varchar(254)");
    c->AddColumn("PROCEDURE_TYPE", "smallint");
    std::shared_ptr<Database> db;
    // Like the server, the counts are not known (-1) and every procedure may return a value.
    for (const auto& p : MatchingProcedures(s, catalog, schema, name, db))
        c->AddRow({Str(db->Name()), Str("dbo"), Str(p.Name + ";1"), Int(-1), Int(-1), Int(-1), Value::Null(),
                   Int(SQL_PT_FUNCTION)});
    return c;
}

std::unique_ptr<RowsCursor> ProcedureColumns(Session& s, const Arg& catalog, const Arg& schema,
                                             const Arg& name, const Arg& column) {
    auto c = std::make_unique<RowsCursor>();
    c->AddColumn("PROCEDURE_CAT", "nvarchar(128)");
    c->AddColumn("PROCEDURE_SCHEM", "nvarchar(128)");
    c->AddColumn("PROCEDURE_NAME", "nvarchar(134)", SQL_NO_NULLS);
    c->AddColumn("COLUMN_NAME", "nvarchar(128)", SQL_NO_NULLS);
    c->AddColumn("COLUMN_TYPE", "smallint", SQL_NO_NULLS);
    AddTypeDescriptionColumns(*c);
    std::shared_ptr<Database> db;
    for (const auto& p : MatchingProcedures(s, catalog, schema, name, db)) {
        ColumnInfo status = DescribeDeclared("int");
        status.Name = "@RETURN_VALUE";
        std::vector<std::pair<SQLSMALLINT, const ColumnInfo*>> columns = {{SQL_RETURN_VALUE, &status}};
        for (const auto& param : p.Params)
            columns.emplace_back(param.Output ? SQL_PARAM_INPUT_OUTPUT : SQL_PARAM_INPUT, &param.Type);
        for (size_t ordinal = 0; ordinal < columns.size(); ++ordinal) {
            const ColumnInfo& info = *columns[ordinal].second;
            if (column && !MatchPattern(*column, info.Name)) continue;
            bool isStatus = ordinal == 0;
            Row row = {Str(db->Name()), Str("dbo"), Str(p.Name + ";1"), Str(info.Name),
                       Int(columns[ordinal].first)};
            AppendTypeDescription(row, info, !isStatus, Value::Null(), static_cast<int>(ordinal));
            c->AddRow(std::move(row));
        }
    }
    return c;
}

std::unique_ptr<RowsCursor> TypeInfo(SQLSMALLINT type) {
    auto c = std::make_unique<RowsCursor>();
    c->AddColumn("TYPE_NAME", "nvarchar(128)", SQL_NO_NULLS);
    c->AddColumn("DATA_TYPE", "smallint", SQL_NO_NULLS);
    c->AddColumn("COLUMN_SIZE", "int");
    c->AddColumn("LITERAL_PREFIX", "varchar(32)");
    c->AddColumn("LITERAL_SUFFIX", "varchar(32)");
    c->AddColumn("CREATE_PARAMS", "varchar(32)");
    c->AddColumn("NULLABLE", "smallint", SQL_NO_NULLS);
    c->AddColumn("CASE_SENSITIVE", "smallint", SQL_NO_NULLS);
    c->AddColumn("SEARCHABLE", "smallint", SQL_NO_NULLS);
    c->AddColumn("UNSIGNED_ATTRIBUTE", "smallint");
    c->AddColumn("FIXED_PREC_SCALE", "smallint", SQL_NO_NULLS);
    c->AddColumn("AUTO_UNIQUE_VALUE", "smallint");
    c->AddColumn("LOCAL_TYPE_NAME", "nvarchar(128)");
    c->AddColumn("MINIMUM_SCALE", "smallint");
    c->AddColumn("MAXIMUM_SCALE", "smallint");
    c->AddColumn("SQL_DATA_TYPE", "smallint", SQL_NO_NULLS);
    c->AddColumn("SQL_DATETIME_SUB", "smallint");
    c->AddColumn("NUM_PREC_RADIX", "int");
    c->AddColumn("INTERVAL_PRECISION", "smallint");
    struct Decl {
        const char* Declared;
        const char* Params;
    };
    const Decl decls[] = {{"bit", nullptr},
                          {"tinyint", nullptr},
                          {"bigint", nullptr},
                          {"image", nullptr},
                          {"varbinary(8000)", "max length"},
                          {"binary(8000)", "length"},
                          {"text", nullptr},
                          {"char(8000)", "length"},
                          {"numeric(38,0)", "precision,scale"},
                          {"decimal(38,0)", "precision,scale"},
                          {"money", nullptr},
                          {"int", nullptr},
                          {"smallint", nullptr},
                          {"float", nullptr},
                          {"real", nullptr},
                          {"varchar(8000)", "max length"},
                          {"ntext", nullptr},
                          {"nchar(4000)", "length"},
                          {"nvarchar(4000)", "max length"},
                          {"uniqueidentifier", nullptr},
                          {"date", nullptr},
                          {"time", nullptr},
                          {"datetime", nullptr}};
    std::vector<std::pair<SQLSMALLINT, Row>> rows;
    for (const auto& d : decls) {
        ColumnInfo i = DescribeDeclared(d.Declared);
        if (type != SQL_ALL_TYPES && type != i.SqlType) continue;
        std::string prefix = i.LiteralPrefix();
        Value pre = prefix.empty() ? Value::Null() : Str(prefix);
        Value suf = prefix.empty() ? Value::Null() : Str(prefix == "0x" ? "" : "'");
        bool numeric = i.Radix() != 0;
        rows.push_back(
            {i.SqlType,
             {Str(i.TypeName), Int(i.SqlType), Int(static_cast<sqlite3_int64>(i.Size)), pre, suf,
              d.Params ? Str(d.Params) : Value::Null(), Int(SQL_NULLABLE), Int(i.IsCharacter() ? 0 : 0),
              Int(i.IsLong() ? SQL_LIKE_ONLY : SQL_SEARCHABLE), numeric ? Int(i.Unsigned) : Value::Null(),
              Int(i.Money), numeric ? Int(0) : Value::Null(), Str(i.TypeName),
              numeric || i.DateTimeSub() ? Int(0) : Value::Null(),
              numeric || i.DateTimeSub()
                  ? Int(i.SqlType == SQL_DECIMAL || i.SqlType == SQL_NUMERIC ? 38 : i.Digits)
                  : Value::Null(),
              Int(i.VerboseType()), i.DateTimeSub() ? Int(i.DateTimeSub()) : Value::Null(),
              numeric ? Int(i.Radix()) : Value::Null(), Value::Null()}});
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& r : rows)
        c->AddRow(std::move(r.second));
    return c;
}

} // namespace standin
