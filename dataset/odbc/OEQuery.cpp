#include "dataset/odbc/OEQuery.h"

namespace tarvik {

void TCustomOEQuery::SetSQL(const std::vector<std::string>& lines) {
    FSQL = lines;
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += (i > 0 ? "\r\n" : "") + lines[i];
    SetSQLText(text);
}

std::string TwwOEDataSet::DatabaseName() {
    THdbc* dbc = hDbc();
    return dbc ? dbc->Name() : std::string();
}

void TwwOEDataSet::SetDatabaseName(const std::string& name) {
    if (!Owner()) return;
    if (auto* dbc = dynamic_cast<THdbc*>(Owner()->FindComponent(name))) SethDbc(dbc);
}

} // namespace tarvik
