// The header on Debian's FreeTDS driver registered as "SQL Server", the way a Linux user reaches a real
// server: its data source is offered, and a server that is not there is reported with the driver's own
// message, at every attempt, without hanging the window.
#include "app/Controls.h"
#include "app/FMain.h"
#include "odbc/HDbc.h"
#include "odbc/ODBCError.h"
#include "tests/app/RecordingUi.h"

#include <QElapsedTimer>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace tarvik;

namespace {
const QString DataSource = QStringLiteral("TarvikFreeTds");

// A SQL Server driver gives up on an unreachable server after its login timeout, 15 seconds by default.
constexpr qint64 LoginTimeoutMs = 15000;

bool SomethingListensOnLoopback(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(s);
    return connected;
}

// What FreeTDS says to the same login made directly, without the window.
QString DriversOwnMessage() {
    THdbc direct;
    direct.SetDriver("SQL Server");
    direct.SetDataSource(DataSource.toStdString());
    try {
        direct.Connect();
    } catch (const EODBC& e) {
        return QString::fromStdString(e.Message());
    }
    return {};
}
} // namespace

class FreeTdsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InitApplication();
        QVERIFY2(!SomethingListensOnLoopback(TARVIK_FREETDS_PORT), "the data source's port must be closed");
    }

    void offersTheFreeTdsDataSource() {
        TRecordingUi ui;
        TMain window;
        QVERIFY2(window.fDataSource->Items().contains(DataSource),
                 qPrintable(window.fDataSource->Items().join(',')));
        QVERIFY2(ui.Boxes.empty(), qPrintable(ui.BoxTexts()));
    }

    void anUnreachableServerIsReportedWithTheDriversMessageAtEveryAttempt() {
        const QString message = DriversOwnMessage();
        QVERIFY2(message.contains(QStringLiteral("[FreeTDS]")), qPrintable(message));
        TRecordingUi ui;
        TMain window;
        const int index = window.fDataSource->findText(DataSource);
        QVERIFY(index >= 0);
        for (int attempt = 1; attempt <= 2; ++attempt) {
            window.fDataSource->setCurrentIndex(-1);
            ui.Boxes.clear();
            QElapsedTimer clock;
            clock.start();
            window.fDataSource->setCurrentIndex(index);
            QVERIFY2(clock.elapsed() < LoginTimeoutMs, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(int(ui.Boxes.size()), 1);
            QCOMPARE(ui.Boxes[0].Text, Txt(u8"Napaka !\r\n") + message);
            QVERIFY(!window.Database->Connected());
            QCOMPARE(ui.Cursor(), ckDefault);
            QVERIFY(window.isEnabled());
        }
    }
};

QTEST_MAIN(FreeTdsTest)
#include "FreeTdsTest.moc"
