// The connection header: which data sources are offered.
#include "app/Controls.h"
#include "app/FMain.h"
#include "tests/app/RecordingUi.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <fstream>

using namespace tarvik;

class HeaderTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(FDir.isValid());
        const std::string dir = FDir.path().toStdString();
        std::ofstream(dir + "/odbcinst.ini") << "[SQL Server]\nDriver=/nonexistent.so\n";
        std::ofstream(dir + "/odbc.ini") << "[Zadnja]\nDriver=SQL Server\n\n"
                                            "[prva]\nDriver=sql server\n\n"
                                            "[Native]\nDriver=SQL Server Native Client\n\n"
                                            "[Microsoft]\nDriver=Microsoft SQL Server\n\n"
                                            "[Lite]\nDriver=SQLite3\n";
        std::ofstream(dir + "/user.ini") << "";
        setenv("ODBCSYSINI", dir.c_str(), 1);
        setenv("ODBCINI", (dir + "/user.ini").c_str(), 1);
    }

    void offersOnlySqlServerDataSourcesSorted() {
        TRecordingUi ui;
        TMain window;
        QCOMPARE(window.fDataSource->Items(), (QStringList{"prva", "Zadnja"}));
        QCOMPARE(window.fDataSource->currentText(), QString());
        QVERIFY(ui.Boxes.empty());
    }

private:
    QTemporaryDir FDir;
};

QTEST_MAIN(HeaderTest)
#include "HeaderTest.moc"
