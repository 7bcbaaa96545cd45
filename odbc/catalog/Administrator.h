#pragma once
// The data sources the driver manager knows, each with its driver description,
// read lazily and cached until marked stale.
#include "core/Component.h"

#include <string>
#include <vector>

namespace tarvik {

enum TDataSourceType { dsDefault, dsUser, dsSystem };

class TOEAdministrator : public TComponent {
public:
    explicit TOEAdministrator(TComponent* owner = nullptr) : TComponent(owner) {}

    // Marks the lists stale; nothing is read until the next DataSources.
    void RefreshDataSources() { FStale = true; }
    // The names in driver-manager order (re-read when stale); owned by the component. Throws EODBC
    // only when the environment cannot be created; a failing listing just ends the list.
    const std::vector<std::string>& DataSources();
    // The description of the first data source whose name equals name ignoring case; empty when none.
    std::string DataSourceDriver(const std::string& name);
    // The installer's syntax check of a data source name.
    static bool ValidDataSource(const std::string& name);

    bool Prompt = false;
    std::string Driver;
    std::string UserName;
    std::string Password;
    std::vector<std::string> Attributes;

    TDataSourceType DataSourceType() const { return FDataSourceType; }
    void SetDataSourceType(TDataSourceType value);
    const std::string& DataSource() const { return FDataSource; }
    // Trimmed; stored when empty or valid, otherwise silently ignored.
    void SetDataSource(const std::string& value);

    // How often the driver manager has been asked (for callers that care about caching).
    int ReadCount() const { return FReadCount; }

private:
    void ReadDataSources();

    TDataSourceType FDataSourceType = dsDefault;
    std::string FDataSource;
    std::vector<std::string> FNames;
    std::vector<std::string> FDescriptions;
    bool FStale = true;
    int FReadCount = 0;
};

} // namespace tarvik
