#pragma once
// The query datasets: TCustomOEQuery keeps the statement text as lines, TOEQuery is the one the
// application places, and TwwOEDataSet the grid's dataset with its display settings.
#include "dataset/odbc/OEDataSet.h"

#include <functional>
#include <string>
#include <vector>

namespace tarvik {

class TCustomOEQuery : public TCustomOEDataSet {
public:
    using TCustomOEDataSet::TCustomOEDataSet;

    const std::vector<std::string>& SQL() const { return FSQL; }
    // Copies the lines; the dataset's SQL text becomes them joined by CR LF, with the effects of
    // a new source (statement terminated, dataset closed, un-prepared). Throws EODBC from
    // terminating.
    void SetSQL(const std::vector<std::string>& lines);

private:
    std::vector<std::string> FSQL;
};

class TOEQuery : public TCustomOEQuery {
public:
    using TCustomOEQuery::TCustomOEQuery;
};

class TwwOEDataSet;
using TInvalidValueEvent = std::function<void(TwwOEDataSet& dataSet, TField& field)>;

class TwwOEDataSet : public TOEQuery {
public:
    using TOEQuery::TOEQuery;

    // Lines for the grid's cell editors and the fields' picture masks ("field<TAB>mask").
    const std::vector<std::string>& ControlType() const { return FControlType; }
    void SetControlType(const std::vector<std::string>& lines) { FControlType = lines; }
    const std::vector<std::string>& PictureMasks() const { return FPictureMasks; }
    void SetPictureMasks(const std::vector<std::string>& lines) { FPictureMasks = lines; }
    bool ValidateWithMask() const { return FValidateWithMask; }
    void SetValidateWithMask(bool value) { FValidateWithMask = value; }
    TInvalidValueEvent OnInvalidValue;

    // The name of the connection component assigned as hDbc; empty when none.
    std::string DatabaseName();
    // The owner's component of that name becomes hDbc when it is a THdbc; otherwise nothing
    // changes. Throws EODBC from terminating.
    void SetDatabaseName(const std::string& name);

private:
    std::vector<std::string> FControlType, FPictureMasks;
    bool FValidateWithMask = true;
};

} // namespace tarvik
