#include "app/DataSetModel.h"

#include "app/Ui.h"
#include "core/Numbers.h"

#include <algorithm>
#include <limits>

namespace tarvik {

QString CellText(const TVariant& value) {
    // One decision for the whole window: the numbers a person reads are the numbers SQL takes back.
    if (value.Type() == TVarType::vtDouble) return QString::fromStdString(FormatDouble(value.AsDouble()));
    return QString::fromStdString(value.AsText());
}

namespace {
bool IsNumeric(TFieldType type) {
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftAutoInc:
    case ftLargeint:
        return true;
    default:
        return false;
    }
}
} // namespace

TDataSetModel::TDataSetModel(QObject* parent) : QAbstractTableModel(parent) {}

TDataSetModel::~TDataSetModel() {
    if (FDataSet) FDataSet->RemoveObserver(this);
}

void TDataSetModel::SetDataSet(TDataSet* dataSet) {
    if (dataSet == FDataSet) return;
    if (FDataSet) FDataSet->RemoveObserver(this);
    FDataSet = dataSet;
    if (FDataSet) FDataSet->AddObserver(this);
    DataEvent(deDataSetChange, 0);
}

void TDataSetModel::SetColumns(std::vector<TGridColumn> columns) {
    beginResetModel();
    FColumns = std::move(columns);
    endResetModel();
}

const TField* TDataSetModel::ColumnField(int column) const {
    if (!FDataSet || !FDataSet->Active()) return nullptr;
    if (FColumns.empty()) return column < FDataSet->Fields().Count() ? &FDataSet->Fields()[column] : nullptr;
    return FDataSet->Fields().FindField(FColumns[static_cast<std::size_t>(column)].FieldName.toStdString());
}

int TDataSetModel::ColumnChars(int column) const {
    if (!FColumns.empty()) return FColumns[static_cast<std::size_t>(column)].Width;
    const TField* field = ColumnField(column);
    if (!field) return 10;
    const int title = static_cast<int>(QString::fromStdString(field->FieldName()).size());
    return std::clamp(field->Size() > 0 ? field->Size() : 10, std::min(title, 30), 30);
}

int TDataSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : HeldRows();
}

int TDataSetModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    if (!FColumns.empty()) return static_cast<int>(FColumns.size());
    return FDataSet && FDataSet->Active() ? FDataSet->Fields().Count() : 0;
}

QVariant TDataSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= HeldRows()) return {};
    const QString& text =
        FRows[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(index.column())];
    const bool checkBox = !FColumns.empty() && FColumns[static_cast<std::size_t>(index.column())].CheckBox;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (checkBox) return {};
        return text;
    case Qt::CheckStateRole:
        if (!checkBox) return {};
        return text == QLatin1String("T") ? Qt::Checked : Qt::Unchecked;
    case Qt::TextAlignmentRole: {
        const TField* field = ColumnField(index.column());
        const bool right = field && IsNumeric(field->DataType());
        return QVariant::fromValue(Qt::AlignVCenter | (right ? Qt::AlignRight : Qt::AlignLeft));
    }
    default:
        return {};
    }
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (!FColumns.empty()) return FColumns[static_cast<std::size_t>(section)].Title;
    const TField* field = ColumnField(section);
    return field ? QString::fromStdString(field->FieldName()) : QString();
}

Qt::ItemFlags TDataSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    // Records are shown, not written: changes go to the server only through the dataset's posting.
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

bool TDataSetModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !FAllRead;
}

void TDataSetModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid()) return;
    try {
        ReadTo(HeldRows() + FetchBlock - 1);
    } catch (...) {
        FAllRead = true; // a failing read is shown once, not again at every scroll
        ShowUnhandledException(std::current_exception());
    }
}

void TDataSetModel::MoveTo(int row) {
    if (!FDataSet || !FDataSet->Active() || FPosition < 0 || row == FPosition) return;
    FDataSet->MoveBy(row - FPosition);
}

template <typename F> void TDataSetModel::Quietly(F action) {
    FReading = true;
    FDataSet->DisableControls();
    try {
        action();
    } catch (...) {
        FDataSet->EnableControls();
        FReading = false;
        throw;
    }
    FDataSet->EnableControls();
    FReading = false;
}

TDataSetModel::TRow TDataSetModel::ReadRecord() const {
    const int columns = columnCount();
    TRow row(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c)
        if (const TField* field = ColumnField(c)) row[static_cast<std::size_t>(c)] = CellText(field->Value());
    return row;
}

std::vector<TDataSetModel::TRow> TDataSetModel::ReadRows(int row, int at, bool bof, bool eof) {
    TDataSet& ds = *FDataSet;
    std::vector<TRow> rows;
    if (FRows.empty()) {
        at += ds.MoveBy(-at);
        if (ds.IsEmpty())
            FAllRead = true;
        else
            rows.push_back(ReadRecord());
    } else {
        at += ds.MoveBy(HeldRows() - 1 - at);
    }
    while (!FAllRead && HeldRows() + static_cast<int>(rows.size()) <= row) {
        if (ds.MoveBy(1) == 0) {
            FAllRead = true;
            break;
        }
        ++at;
        rows.push_back(ReadRecord());
    }
    ds.MoveBy(FPosition - at);
    // Walking back ends inside the records; the flags say where the user left the dataset.
    if (bof && !ds.Bof()) ds.MoveBy(-1);
    if (eof && !ds.Eof()) ds.MoveBy(1);
    return rows;
}

void TDataSetModel::ReadTo(int row) {
    if (FAllRead || row < HeldRows()) return;
    std::vector<TRow> rows;
    Quietly([&] { rows = ReadRows(row, FPosition, FDataSet->Bof(), FDataSet->Eof()); });
    if (rows.empty()) return;
    beginInsertRows(QModelIndex(), HeldRows(), HeldRows() + static_cast<int>(rows.size()) - 1);
    for (TRow& r : rows)
        FRows.push_back(std::move(r));
    endInsertRows();
}

void TDataSetModel::Reload() {
    beginResetModel();
    FRows.clear();
    FPosition = -1;
    FAllRead = true;
    try {
        if (FDataSet && FDataSet->Active()) {
            FAllRead = false;
            Quietly([&] {
                const bool bof = FDataSet->Bof(), eof = FDataSet->Eof();
                // Without a record number to ask for, the way back to the first record counts it.
                FPosition = -FDataSet->MoveBy(-std::numeric_limits<int>::max());
                FRows = ReadRows(std::max(FPosition, FetchBlock - 1), 0, bof, eof);
            });
        }
    } catch (...) {
        FAllRead = true;
        endResetModel();
        throw;
    }
    endResetModel();
}

void TDataSetModel::DataEvent(TDataEvent event, int distance) noexcept {
    if (FReading) return;
    try {
        if (event == deDataSetScroll && FPosition >= 0) {
            FPosition += distance;
            ReadTo(FPosition);
        } else {
            Reload();
        }
    } catch (...) {
        ShowUnhandledException(std::current_exception());
    }
    emit CurrentRowChanged(FPosition);
}

} // namespace tarvik
