#include "DBGrid.h"

#include <QHeaderView>
#include <QStandardItemModel>

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), FModel(new QStandardItemModel(this)) {
    setModel(FModel);
    verticalHeader()->hide(); // no fixed columns
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionsClickable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SetEditable(false);
}

TDBGrid::~TDBGrid() {
    if (FDataSource) FDataSource->Detach(this);
}

void TDBGrid::SetDataSource(TDataBinding* dataSource) {
    if (FDataSource) FDataSource->Detach(this);
    FDataSource = dataSource;
    if (FDataSource) FDataSource->Attach(this);
    BindingChanged();
}

void TDBGrid::SetColumns(std::vector<TGridColumn> columns) {
    FColumns = std::move(columns);
    FModel->setColumnCount(static_cast<int>(FColumns.size()));
    const int charWidth = fontMetrics().averageCharWidth();
    for (int i = 0; i < static_cast<int>(FColumns.size()); ++i) {
        FModel->setHeaderData(i, Qt::Horizontal, FColumns[i].Title);
        setColumnWidth(i, FColumns[i].Width * charWidth + 6);
    }
}

void TDBGrid::SetEditable(bool editable) {
    FEditable = editable;
    setEditTriggers(editable ? QAbstractItemView::AllEditTriggers : QAbstractItemView::NoEditTriggers);
    setWordWrap(editable);
}

void TDBGrid::BindingChanged() {
    // Rows arrive with the dataset framework; an inactive dataset shows none.
    if (!FDataSource || !FDataSource->Active()) FModel->setRowCount(0);
}

void TDBGrid::BindingDestroyed() {
    FDataSource = nullptr;
    BindingChanged();
}
