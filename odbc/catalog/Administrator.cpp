#include "odbc/catalog/Administrator.h"

#include "core/Text.h"
#include "odbc/HEnv.h"

#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>

#include <algorithm>

namespace tarvik {

namespace {
SQLUSMALLINT FirstDirection(TDataSourceType type) {
    switch (type) {
    case dsUser:
        return SQL_FETCH_FIRST_USER;
    case dsSystem:
        return SQL_FETCH_FIRST_SYSTEM;
    case dsDefault:
        break;
    }
    return SQL_FETCH_FIRST;
}
} // namespace

const std::vector<std::string>& TOEAdministrator::DataSources() {
    if (FStale) ReadDataSources();
    FStale = false;
    return FNames;
}

void TOEAdministrator::ReadDataSources() {
    FNames.clear();
    FDescriptions.clear();
    ++FReadCount;
    SQLHENV env = GlobalEnv().Handle();
    for (SQLUSMALLINT direction = FirstDirection(FDataSourceType);; direction = SQL_FETCH_NEXT) {
        SQLCHAR name[256] = {0};
        SQLCHAR description[256] = {0};
        SQLSMALLINT nameLength = 0, descriptionLength = 0;
        const SQLRETURN rc = SQLDataSources(env, direction, name, sizeof name, &nameLength, description,
                                            sizeof description, &descriptionLength);
        if (!Success(rc)) break;
        name[255] = description[255] = 0;
        FNames.emplace_back(reinterpret_cast<char*>(name));
        FDescriptions.emplace_back(reinterpret_cast<char*>(description));
    }
}

std::string TOEAdministrator::DataSourceDriver(const std::string& name) {
    const std::vector<std::string>& names = DataSources();
    const std::string wanted = UpperAscii(name);
    for (size_t i = 0; i < names.size(); ++i)
        if (UpperAscii(names[i]) == wanted) return FDescriptions[i];
    return {};
}

bool TOEAdministrator::ValidDataSource(const std::string& name) {
    return SQLValidDSN(name.c_str()) != 0;
}

void TOEAdministrator::SetDataSourceType(TDataSourceType value) {
    FDataSourceType = value;
    RefreshDataSources();
}

void TOEAdministrator::SetDataSource(const std::string& value) {
    const std::string trimmed = TrimBlanks(value);
    if (trimmed.empty() || ValidDataSource(trimmed)) FDataSource = trimmed;
}

} // namespace tarvik
