// Connecting from the header and what the schema browser shows afterwards, on the stand-in server.
#include "app/Controls.h"
#include "app/FMain.h"
#include "core/Exceptions.h"
#include "odbc/HDbc.h"
#include "odbc/HStmt.h"
#include "odbc/ODBCError.h"
#include "tests/app/RecordingUi.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <unistd.h>

using namespace tarvik;

namespace {
QString HostName() {
    char name[256] = {0};
    gethostname(name, sizeof name - 1);
    return QString::fromUtf8(name);
}

void Choose(TMain& window, const QString& dataSource) {
    const int index = window.fDataSource->findText(dataSource);
    QVERIFY2(index >= 0, "the data source is listed");
    window.fDataSource->setCurrentIndex(index);
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QStringList MemoLines(const QPlainTextEdit* memo) {
    return memo->toPlainText().split(QLatin1Char('\n'));
}
} // namespace

class SchemaBrowserTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitApplication(); }

    void asynchronousStatementsProcessWindowMessagesWhileTheyPoll() {
        // The program's set-up routes polling to the window's message loop: the stand-in answers
        // "still executing" three times, so messages run after each of the four calls.
        TRecordingUi ui;
        THdbc connection;
        connection.SetAttributes({"DSN=TarvikStandin", "UID=sa", "AsyncPolls=3"});
        THstmt statement;
        statement.SethDbc(&connection);
        statement.SetExecAsync(true);
        statement.SetSQL("SELECT 5");
        statement.Execute();
        QCOMPARE(ui.MessageRuns, 4);
        QVERIFY(statement.FetchNext());
        QCOMPARE(statement.ColInteger(1), 5);
    }

    void choosingADataSourceConnectsAndFillsTheBrowser() {
        TRecordingUi ui;
        TMain window;
        QVERIFY(window.fDataSource->Items().contains(QStringLiteral("TarvikStandin")));
        Choose(window, QStringLiteral("TarvikStandin"));
        QVERIFY2(ui.Boxes.empty(), ui.Boxes.empty() ? "" : qPrintable(ui.Boxes.front().Text));
        QVERIFY(window.Database->Connected());

        const QString host = HostName();
        const QStringList lines = MemoLines(window.fDatabaseData);
        const QStringList head{
            Txt(u8"Current Server Name ...= TARVIKTEST"), Txt(u8"Current Host Name .....= ") + host,
            Txt(u8"Current Database Name .= Vidrol"),     QString(),
            Txt(u8"Prijavljeni uporabniki = ") + host,    QString(),
            Txt(u8"Podatki o datotekah na serverju")};
        QCOMPARE(lines.mid(0, head.size()), head);
        QCOMPARE((lines.size() - head.size()) % 6, 0);
        QVERIFY(lines.size() > head.size());
        QCOMPARE(lines[7], Txt(u8"Ime ...................= Vidrol"));
        // Each file's lines carry columns 1, 3, 4, 5, 6 and 7 of the server's file rows.
        THstmt files;
        files.SethDbc(window.Database);
        files.SetSQL("exec sp_helpdb @dbname=N'Vidrol'");
        files.Execute();
        QVERIFY(files.MoreResults());
        QStringList expected;
        while (files.FetchNext()) {
            const QString values[] = {Q(files.ColString(1)), Q(files.ColString(3)), Q(files.ColString(4)),
                                      Q(files.ColString(5)), Q(files.ColString(6)), Q(files.ColString(7))};
            expected << Txt(u8"Ime ...................= ") + values[0]
                     << Txt(u8"Ime datoteke ..........= ") + values[1]
                     << Txt(u8"Tip ...................= ") + values[2]
                     << Txt(u8"Dolžina ...............= ") + values[3]
                     << Txt(u8"Maksimalna dolžina ....= ") + values[4]
                     << Txt(u8"Faktor povečanja ......= ") + values[5];
        }
        QCOMPARE(lines.mid(head.size()), expected);
        QVERIFY(!expected[2].endsWith(QStringLiteral("= "))); // the file rows have values

        QCOMPARE(window.fServerName->text(), QStringLiteral("TARVIKTEST"));
        QCOMPARE(window.fDatabaseName->text(), QStringLiteral("Vidrol"));
        QStringList databases = window.fDataBases->Items();
        QVERIFY(databases.contains(QStringLiteral("master")) && databases.contains(QStringLiteral("Vidrol")));
        QStringList sorted = databases;
        sorted.sort(Qt::CaseInsensitive);
        QCOMPARE(databases, sorted);

        const QStringList tables = window.Tabele->Items();
        QVERIFY(tables.contains(QStringLiteral("Kraji")));
        QVERIFY(tables.contains(QStringLiteral("MorvinaIndex")));
        QVERIFY2(!tables.contains(QStringLiteral("vRacuni")), "views are not tables");
        for (int i = 0; i < tables.size(); ++i)
            QVERIFY(!window.Tabele->Checked(i));
        QCOMPARE(window.Tabele->currentRow(), 0);
    }

    void aWrongPasswordShowsTheDriversMessageAndKeepsThePreviousData() {
        TRecordingUi ui;
        TMain window;
        Choose(window, QStringLiteral("TarvikStandin"));
        const QString before = window.fDatabaseData->toPlainText();
        window.fUserName->setText(QStringLiteral("tester"));
        window.fPassword->setText(QStringLiteral("narobe"));
        window.fDataSource->setCurrentIndex(-1);
        ui.Boxes.clear();
        Choose(window, QStringLiteral("TarvikStandin"));
        QCOMPARE(int(ui.Boxes.size()), 1);
        QCOMPARE(ui.Boxes[0].Title, QStringLiteral("Error"));
        // The box carries exactly what the driver says to the same login made directly.
        THdbc direct;
        direct.SetDriver("SQL Server");
        direct.SetDataSource("TarvikStandin");
        direct.SetUserName("tester");
        direct.SetPassword("narobe");
        QString driverMessage;
        try {
            direct.Connect();
            QFAIL("the wrong password was accepted");
        } catch (const EODBC& e) {
            driverMessage = QString::fromStdString(e.Message());
        }
        QVERIFY(driverMessage.contains(QStringLiteral("tester")));
        QCOMPARE(ui.Boxes[0].Text, Txt(u8"Napaka !\r\n") + driverMessage);
        QVERIFY(!window.Database->Connected());
        QCOMPARE(window.fDatabaseData->toPlainText(), before);
    }

    void aFailingServerCallShowsTheBoxAndLeavesTheRestCleared() {
        TRecordingUi ui;
        TMain window;
        Choose(window, QStringLiteral("TarvikStandin"));
        QVERIFY(window.Tabele->count() > 0);
        THstmt arm;
        arm.SethDbc(window.Database);
        arm.SetSQL("exec standin_fail '42000', 1, N'no permission for sp_helpdb'");
        arm.Execute();
        arm.Close();
        ui.Boxes.clear();
        QVERIFY_THROWS_EXCEPTION(EAbort, window.FillTabele());
        QCOMPARE(int(ui.Boxes.size()), 1);
        QVERIFY(ui.Boxes[0].Text.startsWith(Txt(u8"Napaka !\r\n")));
        QVERIFY2(ui.Boxes[0].Text.contains(QStringLiteral("no permission for sp_helpdb")),
                 qPrintable(ui.Boxes[0].Text));
        QCOMPARE(window.Tabele->count(), 0);
        QCOMPARE(ui.Cursor(), ckDefault);
    }

    void izberiWithEmptyBoxesSendsEmptyServerAndDatabase() {
        TRecordingUi ui;
        TMain window;
        window.fServerName->clear();
        window.fDatabaseName->clear();
        QTest::mouseClick(window.bIzberi, Qt::LeftButton);
        QVERIFY2(ui.Boxes.empty(), ui.Boxes.empty() ? "" : qPrintable(ui.Boxes.front().Text));
        THstmt probe;
        probe.SethDbc(window.Database);
        probe.SetSQL("exec standin_last_connect");
        probe.Execute();
        QVERIFY(probe.FetchNext());
        QCOMPARE(QString::fromStdString(probe.ColStringByName("ConnectionString")),
                 QStringLiteral("UID=sa;DRIVER=SQL Server;SERVER=;DATABASE=;"));
        // The header shows what the server reports, not what was typed.
        QVERIFY(!window.fServerName->text().isEmpty());
        QVERIFY(!window.fDatabaseName->text().isEmpty());
    }

    void aDatabaseNameWithAQuoteIsRefusedBeforeTheFileQueryIsSent() {
        // A quote would end the literal and let the rest of the name run as statements.
        TRecordingUi ui;
        TMain window;
        Choose(window, QStringLiteral("TarvikStandin"));
        window.fDatabaseData->clear();
        window.fDatabaseName->setText(QStringLiteral("Vid' select 1 as injected --"));
        try {
            window.FillDatabaseFileName();
            QFAIL("the file query of a quoted name was accepted");
        } catch (const EDatabaseError& e) {
            QCOMPARE(QString::fromStdString(e.Message()),
                     QStringLiteral("Ime baze ni veljavno: \"Vid' select 1 as injected --\""));
        }
        QCOMPARE(MemoLines(window.fDatabaseData).last(), Txt(u8"Podatki o datotekah na serverju"));
        QVERIFY(window.Database->Connected());
    }
};

QTEST_MAIN(SchemaBrowserTest)
#include "SchemaBrowserTest.moc"
