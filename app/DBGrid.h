#pragma once
// The data grid: shows the fields and records of its binding's dataset, a row per record, read
// as the view scrolls; the current row follows the dataset's active record and a row the user
// picks becomes it.
#include "app/DataBinding.h"
#include "app/DataSetModel.h"

#include <QStringList>
#include <QTableView>

#include <vector>

namespace tarvik {

class TDBGrid : public QTableView, public TBindingClient {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    TDataBinding* DataSource() const { return FDataSource; }
    // Shows dataSource's dataset (nullptr: none); not owned.
    void SetDataSource(TDataBinding* dataSource);
    TDataSetModel* Model() const { return FModel; }

    // Fixed columns shown whatever fields the dataset has; empty: one column per field.
    void SetColumns(std::vector<TGridColumn> columns);
    const std::vector<TGridColumn>& Columns() const { return FModel->Columns(); }

    // Editable grids: Enter moves to the next field, rows may be inserted and deleted,
    // memo fields word-wrapped in a sizeable cell.
    void SetEditable(bool editable);
    bool Editable() const { return FEditable; }

    void BindingChanged() override;
    void BindingDestroyed() override;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void SizeColumns();
    void ShowCurrentRow(int row);

    TDataSetModel* FModel;
    TDataBinding* FDataSource = nullptr;
    bool FEditable = false;
    bool FFollowing = false;  // the current row is being set from the dataset
    QStringList FSizedTitles; // the columns the widths were last set for
};

} // namespace tarvik
