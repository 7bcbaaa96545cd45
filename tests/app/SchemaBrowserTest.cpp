// Connecting from the header and what the schema browser shows afterwards, on the stand-in server.
#include "Controls.h"
#include "FMain.h"
#include "HDbc.h"
#include "HStmt.h"
#include "ODBCError.h"
#include "RecordingUi.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <unistd.h>

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
        QVERIFY(lines[8].startsWith(Txt(u8"Ime datoteke ..........= ")));
        QVERIFY(lines[9].startsWith(Txt(u8"Tip ...................= ")));
        QVERIFY(lines[10].startsWith(Txt(u8"Dolžina ...............= ")));
        QVERIFY(lines[11].startsWith(Txt(u8"Maksimalna dolžina ....= ")));
        QVERIFY(lines[12].startsWith(Txt(u8"Faktor povečanja ......= ")));

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

    void aDatabaseNameWithAQuoteFailsTheFileQueryWithTheServersMessage() {
        TRecordingUi ui;
        TMain window;
        Choose(window, QStringLiteral("TarvikStandin"));
        window.fDatabaseData->clear();
        window.fDatabaseName->setText(QStringLiteral("Vid'rol"));
        try {
            window.FillDatabaseFileName();
            QFAIL("the file query of a quoted name was accepted");
        } catch (const EODBC& e) {
            QVERIFY2(e.Message().find("[SQL Server]") != std::string::npos, e.Message().c_str());
        }
        QCOMPARE(MemoLines(window.fDatabaseData).last(), Txt(u8"Podatki o datotekah na serverju"));
        QVERIFY(window.Database->Connected());
    }
};

QTEST_MAIN(SchemaBrowserTest)
#include "SchemaBrowserTest.moc"
