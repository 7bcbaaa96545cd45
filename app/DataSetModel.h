#pragma once
// The grid's view of a dataset: one table row per record, read through the dataset's own moves
// as the view scrolls, and the row of the active record kept in step with the dataset.
#include "dataset/DataSet.h"

#include <QAbstractTableModel>
#include <QString>

#include <vector>

namespace tarvik {

// The text a grid cell shows for value: a real as the shortest digits that read back as it, with a
// point whatever the user's locale; other values as their own text; NULL empty.
QString CellText(const TVariant& value);

struct TGridColumn {
    QString FieldName;
    int Width = 10; // in characters
    QString Title;
    bool CheckBox = false; // "T" checked, "F" unchecked
};

class TDataSetModel : public QAbstractTableModel, private TDataSetObserver {
    Q_OBJECT
public:
    // Records read ahead each time the view wants more rows.
    static constexpr int FetchBlock = 64;

    explicit TDataSetModel(QObject* parent = nullptr);
    ~TDataSetModel() override;

    TDataSet* DataSet() const { return FDataSet; }
    // Shows dataSet (nullptr: none; not owned) and reads its first rows. Errors go to the
    // application's default display.
    void SetDataSet(TDataSet* dataSet);
    // Fixed columns shown whatever fields the dataset has; empty: one column per field.
    void SetColumns(std::vector<TGridColumn> columns);
    const std::vector<TGridColumn>& Columns() const { return FColumns; }
    // The display width in characters of a column: its fixed width, or its field's size within
    // the title's length and 30.
    int ColumnChars(int column) const;

    // The row of the dataset's active record; -1 when there is none.
    int CurrentRow() const { return FPosition; }
    // Makes the record of row active by moving the dataset. Throws as the dataset's moves.
    void MoveTo(int row);
    // Whether every record of the dataset has been read into rows.
    bool AllRead() const { return FAllRead; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    // The dataset's active record is now the record of row (-1: none).
    void CurrentRowChanged(int row);

private:
    using TRow = std::vector<QString>;

    void DataEvent(TDataEvent event, int distance) noexcept override;
    // Reads the rows afresh, up to the active record at least, and finds that record's row.
    void Reload();
    // Reads rows until row is held or the records end.
    void ReadTo(int row);
    // Reads on from the last row held, the dataset standing on row at; puts it back on the
    // active record with its Bof and Eof as they were.
    std::vector<TRow> ReadRows(int row, int at, bool bof, bool eof);
    TRow ReadRecord() const;
    // Runs action with the controls disabled and this model deaf to the moves it makes.
    template <typename F> void Quietly(F action);
    // The field shown in a column; null when there is none.
    const TField* ColumnField(int column) const;
    int HeldRows() const { return static_cast<int>(FRows.size()); }

    TDataSet* FDataSet = nullptr;
    std::vector<TGridColumn> FColumns;
    std::vector<TRow> FRows;
    int FPosition = -1;
    bool FAllRead = true;
    bool FReading = false;
};

} // namespace tarvik
