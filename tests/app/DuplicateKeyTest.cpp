// The duplicate-key check on a database of its own on the stand-in server.
#include "app/FMain.h"
#include "tests/app/RecordingUi.h"
#include "tests/app/StandinSql.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using namespace tarvik;

namespace {
const std::string Base = "Dvojnice";

// Every text the label showed when it was painted.
class TPaintedTexts : public QObject {
public:
    explicit TPaintedTexts(QLabel* label) : FLabel(label) { label->installEventFilter(this); }
    QStringList Texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == FLabel && event->type() == QEvent::Paint && !FLabel->text().isEmpty() &&
            (Texts.isEmpty() || Texts.last() != FLabel->text()))
            Texts << FLabel->text();
        return false;
    }

private:
    QLabel* FLabel;
};

struct TCheck {
    TRecordingUi Ui;
    TMain Window;
    TCheck() {
        Window.Database->SetAttributes({"SERVER=TARVIKTEST", "DATABASE=" + Base});
        Window.Database->SetUserName("sa");
        Window.Database->Connect();
    }
    QStringList Run() {
        QTest::mouseClick(Window.bDuplicateKey, Qt::LeftButton);
        return EditorLines(Window.mDuplicateKey);
    }
};
} // namespace

class DuplicateKeyTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InitApplication();
        auto master = StandinSession("master");
        try {
            RunSql(*master, "DROP DATABASE " + Base); // left over from an interrupted run
        } catch (const std::exception&) {
        }
        RunSql(*master, "CREATE DATABASE " + Base);
        FDb = StandinSession(Base);
        RunSql(*FDb, "CREATE TABLE MorvinaIndex (TableName nvarchar(128) NOT NULL, FieldsName nvarchar(255) "
                     "NOT NULL)\n"
                     "CREATE TABLE Dvojni (A int NULL, B nvarchar(10) NULL, C int NULL)\n"
                     "INSERT INTO Dvojni VALUES (1, N'x', 1), (1, N'x', 2), (1, N'x', 3), (2, N'x', 4),\n"
                     "    (NULL, N'č', 5), (NULL, N'č', 6), (3, NULL, 7), (3, NULL, 8)\n"
                     "CREATE TABLE Edini (Id int NOT NULL PRIMARY KEY)\n"
                     "INSERT INTO Edini VALUES (1), (2)\n"
                     "CREATE TABLE Zadnji (Id int NULL)\n"
                     "INSERT INTO Zadnji VALUES (9), (9)\n"
                     "CREATE TABLE x (A int NULL)\n"
                     "CREATE TABLE t (a int NULL)\n"
                     "CREATE TABLE y (Id int NULL)\n"
                     "INSERT INTO y VALUES (1)");
    }

    void cleanupTestCase() {
        FDb.reset();
        RunSql(*StandinSession("master"), "DROP DATABASE " + Base);
    }

    void init() { RunSql(*FDb, "DELETE FROM MorvinaIndex"); }

    void eachDuplicatedKeyIsOneLineInTableOrder() {
        Index({{"Zadnji", "Id"}, {"Edini", "Id"}, {"Dvojni", "A;B"}});
        TCheck check;
        check.Window.PageControl->setCurrentWidget(check.Window.cKontrolaDuplicateKey);
        check.Window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&check.Window));
        TPaintedTexts painted(check.Window.lDuplicateKey);
        check.Window.mDuplicateKey->setPlainText(QStringLiteral("staro"));

        QStringList lines = check.Run();
        QVERIFY2(check.Ui.Boxes.empty(), qPrintable(check.Ui.BoxTexts()));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.last(), QStringLiteral("Tabela: Zadnji <--> 9"));
        lines.removeLast();
        lines.sort(); // the order of groups within a table is the server's
        QCOMPARE(lines,
                 (QStringList{QStringLiteral("Tabela: Dvojni <--> 1; x"),
                              QStringLiteral("Tabela: Dvojni <--> 3; "), Txt(u8"Tabela: Dvojni <--> č")}));
        QCOMPARE(check.Window.lDuplicateKey->text(), Txt(u8"Končano"));
        QCOMPARE(painted.Texts,
                 (QStringList{Txt(u8"Začetek"), QStringLiteral("Dvojni"), QStringLiteral("Edini"),
                              QStringLiteral("Zadnji"), Txt(u8"Končano")}));
        QCOMPARE(
            QString::fromStdString(check.Window.hQuery1->SQL()),
            QStringLiteral("SELECT Id, COUNT(*) AS Stevilo FROM Zadnji GROUP BY Id HAVING COUNT(*) > 1"));
    }

    void uniqueKeysGiveNoLines() {
        Index({{"Edini", "Id"}});
        TCheck check;
        QCOMPARE(check.Run(), QStringList{});
        QCOMPARE(check.Window.lDuplicateKey->text(), Txt(u8"Končano"));
        QVERIFY(check.Ui.Boxes.empty());
    }

    void aMissingTableEndsTheCheckThroughTheDefaultDisplay() {
        Index({{"Dvojni", "A;B;C"}, {"Manjka", "Id"}, {"Zadnji", "Id"}});
        TCheck check;
        QCOMPARE(check.Run(), QStringList{});
        QCOMPARE(check.Window.lDuplicateKey->text(), QStringLiteral("Manjka"));
        QCOMPARE(int(check.Ui.Boxes.size()), 1);
        QCOMPARE(check.Ui.Boxes[0].Title, QStringLiteral("Tarvik"));
        QVERIFY2(check.Ui.Boxes[0].Text.contains(QStringLiteral("Manjka")), qPrintable(check.Ui.BoxTexts()));

        // The lines written before the failure stay.
        Index({{"Dvojni", "A"}, {"Manjka", "Id"}});
        check.Ui.Boxes.clear();
        QCOMPARE(check.Run().size(), 3);
        QCOMPARE(check.Window.lDuplicateKey->text(), QStringLiteral("Manjka"));
        QCOMPARE(int(check.Ui.Boxes.size()), 1);
    }

    void namesThatAreNotPlainIdentifiersAreRefusedBeforeReachingTheServer() {
        const std::pair<std::string, std::string> hostile[] = {
            {"x; DROP TABLE y", "A"},
            {"Dvojni", "a) FROM t; DROP TABLE y --"},
            {"Dvojni", "A;"},
            // Sent as it stands, its first statement would run and the second drop y.
            {"Dvojni; DROP TABLE y --", "A"}};
        for (const auto& [table, fields] : hostile) {
            Index({{table, fields}});
            TCheck check;
            QCOMPARE(check.Run(), QStringList{});
            QCOMPARE(check.Window.lDuplicateKey->text(), QString::fromStdString(table));
            QCOMPARE(int(check.Ui.Boxes.size()), 1);
            QVERIFY2(check.Ui.Boxes[0].Text.contains(QStringLiteral("ni veljavno")),
                     qPrintable(check.Ui.BoxTexts()));
            QCOMPARE(QueryColumn(*FDb, "SELECT Id FROM y"), std::vector<std::string>{"1"});
        }
    }

private:
    void Index(const std::vector<std::pair<std::string, std::string>>& rows) {
        RunSql(*FDb, "DELETE FROM MorvinaIndex");
        for (const auto& [table, fields] : rows)
            RunSql(*FDb, "INSERT INTO MorvinaIndex VALUES (N'" + table + "', N'" + fields + "')");
    }

    std::unique_ptr<THdbc> FDb;
};

QTEST_MAIN(DuplicateKeyTest)
#include "DuplicateKeyTest.moc"
