#pragma once
// The data grid: shows the dataset of its binding. Until the dataset framework
// lands it shows only its column titles; it already follows its binding so the
// dataset can plug in through TNavigableDataSet.
#include "DataBinding.h"

#include <QTableView>

#include <vector>

class QStandardItemModel;

struct TGridColumn {
    QString FieldName;
    int Width = 10; // in characters
    QString Title;
    bool CheckBox = false; // "T" checked, "F" unchecked
};

class TDBGrid : public QTableView, public TBindingClient {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    TDataBinding* DataSource() const { return FDataSource; }
    // Shows dataSource's dataset (nullptr: none); not owned.
    void SetDataSource(TDataBinding* dataSource);

    // Fixed columns shown whatever fields the dataset has; empty: one column per field.
    void SetColumns(std::vector<TGridColumn> columns);
    const std::vector<TGridColumn>& Columns() const { return FColumns; }

    // Editable grids: Enter moves to the next field, rows may be inserted and deleted,
    // memo fields word-wrapped in a sizeable cell.
    void SetEditable(bool editable);
    bool Editable() const { return FEditable; }

    void BindingChanged() override;
    void BindingDestroyed() override;

private:
    QStandardItemModel* FModel;
    TDataBinding* FDataSource = nullptr;
    std::vector<TGridColumn> FColumns;
    bool FEditable = false;
};
