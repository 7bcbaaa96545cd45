// The grid's model over an ODBC dataset on the stand-in server: rows read as the view asks, the
// active record left where the user had it, fixed columns and check boxes.
#include "app/DataSetModel.h"
#include "dataset/odbc/OEQuery.h"
#include "tests/app/RecordingUi.h"
#include "tests/app/StandinSql.h"

#include <QSignalSpy>
#include <QTest>

using namespace tarvik;

namespace {
constexpr int numbered = 150;

// A table of rows 1..numbered on the test server, dropped again at the end.
struct TNumbered {
    std::unique_ptr<THdbc> Db = StandinSession("Vidrol");
    TNumbered() {
        std::string batch = "CREATE TABLE ModelRows (id int, naziv varchar(10))";
        for (int i = 1; i <= numbered; ++i)
            batch +=
                "\nINSERT INTO ModelRows VALUES (" + std::to_string(i) + ", 'n" + std::to_string(i) + "')";
        RunSql(*Db, batch);
    }
    ~TNumbered() {
        try {
            RunSql(*Db, "DROP TABLE ModelRows");
        } catch (...) {
        }
    }
};

QString Cell(const TDataSetModel& model, int row, int column, int role = Qt::DisplayRole) {
    return model.data(model.index(row, column), role).toString();
}

int Id(TDataSet& q) {
    return static_cast<int>(q.Fields()[0].AsInteger());
}
} // namespace

class DataSetModelTest : public QObject {
    Q_OBJECT
private slots:
    void rowsAreReadInBlocksAndTheActiveRecordStaysPut() {
        TRecordingUi ui;
        TNumbered table;
        TwwOEDataSet q;
        q.SethDbc(table.Db.get());
        q.SetSQL({"SELECT id, naziv FROM ModelRows ORDER BY id"});
        TDataSetModel model;
        QSignalSpy current(&model, &TDataSetModel::CurrentRowChanged);
        model.SetDataSet(&q);
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(!model.canFetchMore(QModelIndex()));

        q.Open();
        QCOMPARE(model.rowCount(), TDataSetModel::FetchBlock);
        QCOMPARE(model.columnCount(), 2);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("naziv"));
        QCOMPARE(Cell(model, 63, 1), QStringLiteral("n64"));
        QCOMPARE(model.CurrentRow(), 0);
        QCOMPARE(current.last().at(0).toInt(), 0);
        // Reading ahead left the dataset on its first record, at its start.
        QCOMPARE(Id(q), 1);
        QVERIFY(q.Bof() && !q.Eof());

        QVERIFY(model.canFetchMore(QModelIndex()));
        model.fetchMore(QModelIndex());
        QCOMPARE(model.rowCount(), 2 * TDataSetModel::FetchBlock);
        model.fetchMore(QModelIndex());
        QCOMPARE(model.rowCount(), numbered);
        QVERIFY(model.AllRead());
        QVERIFY(!model.canFetchMore(QModelIndex()));
        QCOMPARE(Cell(model, numbered - 1, 0), QString::number(numbered));
        QCOMPARE(Id(q), 1);
        QVERIFY(q.Bof());

        // Moves of the dataset move the current row; a row chosen moves the dataset.
        q.MoveBy(10);
        QCOMPARE(model.CurrentRow(), 10);
        model.MoveTo(99);
        QCOMPARE(Id(q), 100);
        QCOMPARE(current.last().at(0).toInt(), 99);
        q.Last();
        QCOMPARE(model.CurrentRow(), numbered - 1);
        QVERIFY(q.Eof());
        q.Close();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.CurrentRow(), -1);
        QVERIFY(ui.Boxes.empty());
    }

    void aJumpPastTheRowsReadReadsOnToIt() {
        TRecordingUi ui;
        TNumbered table;
        TwwOEDataSet q;
        q.SethDbc(table.Db.get());
        q.SetSQL({"SELECT id FROM ModelRows ORDER BY id"});
        TDataSetModel model;
        model.SetDataSet(&q);
        q.Open();
        q.MoveBy(100);
        QCOMPARE(model.CurrentRow(), 100);
        QVERIFY(model.rowCount() > 100);
        QCOMPARE(Cell(model, 100, 0), QStringLiteral("101"));
        QCOMPARE(Id(q), 101);
        // Last repositions rather than moves: the model counts the row afresh, and steps back from it.
        q.Last();
        q.Prior();
        q.Prior();
        QCOMPARE(model.CurrentRow(), numbered - 3);
        QCOMPARE(Id(q), numbered - 2);
        QVERIFY(!q.Eof());
    }

    void fixedColumnsShowTheirFieldsAndCheckBoxes() {
        TRecordingUi ui;
        auto db = StandinSession("Vidrol");
        TwwOEDataSet q;
        q.SethDbc(db.get());
        q.SetSQL({"SELECT 'T' AS Primary_, 'F' AS Unique_, 'ime' AS IndexName"});
        TDataSetModel model;
        model.SetColumns({{QStringLiteral("IndexName"), 30, QStringLiteral("Index Name"), false},
                          {QStringLiteral("Primary_"), 2, QStringLiteral("P"), true},
                          {QStringLiteral("Unique_"), 2, QStringLiteral("U"), true},
                          {QStringLiteral("Manjka"), 4, QStringLiteral("M"), false}});
        // Titles stand before any dataset.
        QCOMPARE(model.columnCount(), 4);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Index Name"));
        QCOMPARE(model.ColumnChars(0), 30);
        model.SetDataSet(&q);
        q.Open();
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(Cell(model, 0, 0), QStringLiteral("ime"));
        QCOMPARE(model.data(model.index(0, 1), Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(model.data(model.index(0, 2), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QVERIFY(!model.data(model.index(0, 1)).isValid());
        QCOMPARE(Cell(model, 0, 3), QString());
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
    }
};

QTEST_MAIN(DataSetModelTest)
#include "DataSetModelTest.moc"
