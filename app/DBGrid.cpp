#include "app/DBGrid.h"

#include "app/Ui.h"

#include <QHeaderView>

namespace tarvik {

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), FModel(new TDataSetModel(this)) {
    setModel(FModel);
    verticalHeader()->hide(); // no fixed columns
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionsClickable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(FModel, &QAbstractItemModel::modelReset, this, &TDBGrid::SizeColumns);
    connect(FModel, &TDataSetModel::CurrentRowChanged, this, &TDBGrid::ShowCurrentRow);
    SetEditable(false);
}

TDBGrid::~TDBGrid() {
    if (FDataSource) FDataSource->Detach(this);
    FModel->SetDataSet(nullptr);
}

void TDBGrid::SetDataSource(TDataBinding* dataSource) {
    if (FDataSource) FDataSource->Detach(this);
    FDataSource = dataSource;
    if (FDataSource) FDataSource->Attach(this);
    BindingChanged();
}

void TDBGrid::SetColumns(std::vector<TGridColumn> columns) {
    FModel->SetColumns(std::move(columns));
}

// The model is reset whenever the dataset is repositioned; widths the user set stay until the
// columns themselves change.
void TDBGrid::SizeColumns() {
    QStringList titles;
    for (int i = 0; i < FModel->columnCount(); ++i)
        titles << FModel->headerData(i, Qt::Horizontal).toString();
    if (titles == FSizedTitles) return;
    FSizedTitles = titles;
    const int charWidth = fontMetrics().averageCharWidth();
    for (int i = 0; i < FModel->columnCount(); ++i)
        setColumnWidth(i, FModel->ColumnChars(i) * charWidth + 6);
}

void TDBGrid::SetEditable(bool editable) {
    FEditable = editable;
    setEditTriggers(editable ? QAbstractItemView::AllEditTriggers : QAbstractItemView::NoEditTriggers);
    setWordWrap(editable);
}

void TDBGrid::BindingChanged() {
    TNavigableDataSet* dataSet = FDataSource ? FDataSource->DataSet() : nullptr;
    FModel->SetDataSet(dataSet ? dataSet->Records() : nullptr);
}

void TDBGrid::BindingDestroyed() {
    FDataSource = nullptr;
    BindingChanged();
}

void TDBGrid::ShowCurrentRow(int row) {
    FFollowing = true;
    const int column = std::max(currentIndex().column(), 0);
    if (row < 0)
        selectionModel()->clearCurrentIndex();
    else
        setCurrentIndex(FModel->index(row, column));
    FFollowing = false;
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (FFollowing || !current.isValid() || current.row() == previous.row()) return;
    try {
        FModel->MoveTo(current.row());
    } catch (...) {
        ShowUnhandledException(std::current_exception());
    }
}

} // namespace tarvik
