// The main window as it opens: pages, header, navigator bars, start-up and the error box.
#include "app/Controls.h"
#include "app/DBGrid.h"
#include "app/DBNavigator.h"
#include "app/FMain.h"
#include "core/Exceptions.h"
#include "odbc/HDbc.h"
#include "odbc/HStmt.h"
#include "odbc/catalog/Administrator.h"
#include "odbc/catalog/Catalog.h"
#include "tests/app/RecordingUi.h"
#include "tests/support/NumericLocale.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <cstdio>
#include <stdexcept>

using namespace tarvik;

namespace {
// Replaces the three guarded start-up steps so one of them can fail.
class TScriptedStartup : public TMain {
public:
    explicit TScriptedStartup(int failingStep, std::exception_ptr failure)
        : TMain(TDeferFormCreate{}), FFailingStep(failingStep), FFailure(std::move(failure)) {
        FormCreate();
    }
    std::vector<int> Ran;

protected:
    void FillDataSources() override { Step(2); }
    void CreateWorkTables() override { Step(3); }
    void FillAliases() override { Step(4); }

private:
    void Step(int step) {
        Ran.push_back(step);
        if (step == FFailingStep) std::rethrow_exception(FFailure);
    }
    int FFailingStep;
    std::exception_ptr FFailure;
};

class TThrowingUi : public TRecordingUi {
public:
    TBoxButton MessageBox(const TMessageBox&) override { throw std::runtime_error("no display"); }
};
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitApplication(); }

    void theSetUpPutsNumbersBackToTheCLocaleForTheDrivers() {
        const TNumericLocale numeric(CommaLocale); // as the application object leaves it for sl_SI
        QVERIFY2(numeric.Ok(), CommaLocale);
        InitApplication();
        QCOMPARE(QByteArray(std::setlocale(LC_NUMERIC, nullptr)), QByteArray("C"));
        char text[16];
        std::snprintf(text, sizeof text, "%.2f", 3.25);
        QCOMPARE(QByteArray(text), QByteArray("3.25"));
    }

    void opensWithCaptionSizeAndNinePagesInOrder() {
        TRecordingUi ui;
        TMain window;
        QCOMPARE(window.windowTitle(), Txt(u8"Tarvik"));
        QCOMPARE(window.size(), QSize(771, 521));
        QCOMPARE(window.pGlava->height(), 97);
        const QStringList captions{Txt(u8"SQL"),
                                   Txt(u8"SQL NoData"),
                                   Txt(u8"Tabele in strukture"),
                                   Txt(u8"Podatki o bazi"),
                                   Txt(u8"Vsebina tabele"),
                                   Txt(u8"Zgodovina SQL ukazov"),
                                   Txt(u8"Duplicate key"),
                                   Txt(u8"SQL BDE"),
                                   Txt(u8"Uvoz podatkov")};
        const QList<QWidget*> pages{window.cSQL,
                                    window.cSQLNoData,
                                    window.cTable,
                                    window.cPodatkiODatabasu,
                                    window.cVsebinaTrenutneTabele,
                                    window.cZgodovina,
                                    window.cKontrolaDuplicateKey,
                                    window.cSQLBDE,
                                    window.tsUvozPodatkov};
        QCOMPARE(window.PageControl->count(), captions.size());
        for (int i = 0; i < captions.size(); ++i) {
            QCOMPARE(window.PageControl->tabText(i), captions[i]);
            QCOMPARE(window.PageControl->widget(i), pages[i]);
        }
        QCOMPARE(window.PageControl->currentIndex(), 0);
        QVERIFY(ui.Boxes.empty());
    }

    void headerShowsItsTextsAndDesignValues() {
        TRecordingUi ui;
        TMain window;
        QCOMPARE(window.Label4->text(), Txt(u8"Podatki Vidrol"));
        QCOMPARE(window.Label1->text(), Txt(u8"Vse baze na serverju"));
        QCOMPARE(window.Label7->text(), Txt(u8"Ime strežnika:"));
        QVERIFY(window.Label7->text().contains(QChar(0x017E))); // the source's UTF-8 reached the widget
        QCOMPARE(window.Label8->text(), Txt(u8"Ime baze podatkov:"));
        QCOMPARE(window.Label2->text(), Txt(u8"Uporabnik:"));
        QCOMPARE(window.Label6->text(), Txt(u8"Geslo:"));
        QCOMPARE(window.bIzberi->text(), Txt(u8"Izberi"));
        QCOMPARE(window.bOsvezi->text(), Txt(u8"Osveži"));
        QCOMPARE(window.bKonec->text(), Txt(u8"Konec"));
        QCOMPARE(window.fUserName->text(), Txt(u8"sa"));
        QVERIFY(window.fServerName->text().isEmpty());
        QVERIFY(window.fDatabaseName->text().isEmpty());
        QVERIFY(window.fPassword->text().isEmpty());
        QVERIFY(window.fDataSource->currentText().isEmpty());
        QCOMPARE(window.fPassword->echoMode(), QLineEdit::Password);
        QCOMPARE(window.fndPassword->echoMode(), QLineEdit::Normal);
        QCOMPARE(window.fndUserName->text(), Txt(u8"sa"));
        QCOMPARE(window.fDataSource->geometry(), QRect(8, 23, 161, 21));
        QCOMPARE(window.fPassword->geometry(), QRect(360, 64, 161, 21));
        QCOMPARE(window.bKonec->geometry(), QRect(680, 65, 75, 25));
    }

    void headerTabOrderSkipsTheDatabaseList() {
        TRecordingUi ui;
        TMain window;
        const QList<QWidget*> expected{window.fDataSource,   window.fDataBases, window.fServerName,
                                       window.fDatabaseName, window.fUserName,  window.fPassword,
                                       window.bIzberi,       window.bOsvezi,    window.bKonec};
        QList<QWidget*> chain;
        QWidget* w = window.fDataSource;
        for (int guard = 0; guard < 200 && chain.size() < expected.size(); ++guard, w = w->nextInFocusChain())
            if (expected.contains(w) && !chain.contains(w)) chain << w;
        QCOMPARE(chain, expected);
        QVERIFY(!(window.fDataBases->focusPolicy() & Qt::TabFocus));
        QVERIFY(window.fServerName->focusPolicy() & Qt::TabFocus);
    }

    void startupSetsPositionLabelsAndClearsTheCheckLabel() {
        TRecordingUi ui;
        TMain window;
        for (QLabel* label : {window.lSQLPosition, window.lSQLNoDataPosition, window.lSQLBDEPosition})
            QCOMPARE(label->text(), Txt(u8"Poz.: 0/0"));
        QVERIFY(window.lDuplicateKey->text().isEmpty());
    }

    void navigatorBarsHaveFourteenHintedButtonsDisabledUntilADatasetIsActive() {
        TRecordingUi ui;
        TMain window;
        const QStringList hints{"Move to first record",
                                "Move backward 10 records",
                                "Move to prior record",
                                "Move to next record",
                                "Move forward 10 records",
                                "Move to last record",
                                "Insert new record",
                                "Delete current record",
                                "Edit current record",
                                "Post changes of current record",
                                "Cancel changes made to current record",
                                "Refresh the contents of the dataset",
                                "Bookmark current record",
                                "Go back to saved bookmark"};
        const std::pair<TDBNavigator*, TDataBinding*> bars[] = {{window.wwDBNavigator1, window.DataQuery},
                                                                {window.wwDBNavigator2, window.DataVsebina},
                                                                {window.wwDBNavigator3, window.DataQueryBDE}};
        for (auto [bar, source] : bars) {
            QCOMPARE(bar->DataSource(), source);
            QCOMPARE(bar->width(), 350);
            const QList<QToolButton*> buttons = bar->findChildren<QToolButton*>();
            QCOMPARE(buttons.size(), hints.size());
            for (int i = 0; i < hints.size(); ++i) {
                QToolButton* button = bar->Button(static_cast<TNavigateBtn>(i));
                QCOMPARE(button->toolTip(), hints[i]);
                QCOMPARE(button->size(), QSize(25, 25));
                QVERIFY(!button->isEnabled());
            }
        }
        QCOMPARE(window.wwDBNavigator1->pos(), QPoint(187, 5));
    }

    void structureGridsShowTheirFixedColumns() {
        TRecordingUi ui;
        TMain window;
        auto titles = [](TDBGrid* grid) {
            QStringList result;
            for (const TGridColumn& c : grid->Columns())
                result << c.Title;
            return result;
        };
        QCOMPARE(titles(window.wwDBGrid1), (QStringList{"Poz.", "Field Name", "Data Type", "Size"}));
        QCOMPARE(titles(window.wwDBGrid2), (QStringList{"Poz.", "Index Name", "Field Names", "P", "U"}));
        QVERIFY(window.wwDBGrid2->Columns()[3].CheckBox && window.wwDBGrid2->Columns()[4].CheckBox);
        QCOMPARE(window.wwDBGrid1->DataSource(), window.DataFields);
        QCOMPARE(window.wwDBGrid2->DataSource(), window.DataIndex);
        QVERIFY(window.wwDBGrid4->Editable() && window.wwDBGrid3->Editable() && window.wwDBGrid5->Editable());
        QVERIFY(!window.wwDBGrid1->Editable());
        QCOMPARE(window.Panel6->width(), 416);
        QCOMPARE(window.wwDBGrid2->height(), 120);
    }

    void popupMenusCheckAndUncheckEveryTable() {
        TRecordingUi ui;
        TMain window;
        auto texts = [](QMenu* menu) {
            QStringList result;
            for (QAction* a : menu->actions())
                result << a->text();
            return result;
        };
        QCOMPARE(texts(window.pmTabele), (QStringList{"&Izberi vse", "&Odkloni vse"}));
        QCOMPARE(texts(window.pmClbUvozTabele), (QStringList{"&Izberi vse", "&Odkloni vse"}));
        for (TCheckListBox* list : {window.Tabele, window.clbUvozTabele}) {
            list->AddItem("A");
            list->AddItem("B");
        }
        window.IzberiVse1->trigger();
        QVERIFY(window.Tabele->Checked(0) && window.Tabele->Checked(1));
        QVERIFY(!window.clbUvozTabele->Checked(0));
        window.OdkloniVse1->trigger();
        QVERIFY(!window.Tabele->Checked(0) && !window.Tabele->Checked(1));
        window.miUvozIzberiVse->trigger();
        QVERIFY(window.clbUvozTabele->Checked(0) && window.clbUvozTabele->Checked(1));
        window.miUvozOdkloniVse->trigger();
        QVERIFY(!window.clbUvozTabele->Checked(1));
    }

    void pagesHoldTheirDesignValues() {
        TRecordingUi ui;
        TMain window;
        QCOMPARE(window.bPozeniSQL->text(), Txt(u8"Poženi"));
        QCOMPARE(window.Label5->text(), Txt(u8"Ključi"));
        QCOMPARE(window.Vidrol->currentText(), Txt(u8"MSMorvina"));
        QCOMPARE(window.fDatabase->title(), Txt(u8"Database"));
        QCOMPARE(window.fDatabase->ItemIndex(), 1);
        QCOMPARE(window.fDatabase->Item(2), Txt(u8"Paradox"));
        QCOMPARE(window.rgUvozMoznosti->title(), Txt(u8"Način uvoza"));
        QCOMPARE(window.rgUvozMoznosti->ItemIndex(), 0);
        QCOMPARE(window.rgUvozMoznosti->Item(1), Txt(u8"Dodajanje in spreminjanje"));
        QCOMPARE(window.Label10->text(), Txt(u8"Možnosti"));
        QCOMPARE(window.bUvozOdpri->toolTip(), Txt(u8"Odpiranje tabel za uvoz"));
        QCOMPARE(window.flbUvoz->Mask(), QStringLiteral("*.db"));
        QVERIFY(window.flbUvoz->isHidden() && window.DirVidrol->isHidden() && window.DrvVidrol->isHidden());
        QVERIFY(window.Button2->x() >= window.Panel15->width()); // out of sight at the design size
        QCOMPARE(window.SaveDialog.Filter, QStringLiteral("Paradox|*.db|dBase|*.dbf"));
        QCOMPARE(window.SaveDialog.FileName, QStringLiteral("Rezultat.db"));
        QCOMPARE(window.SaveDialog.DefaultExt, QStringLiteral("*.db"));
        QCOMPARE(window.Components.FindComponent("DataQuery"), static_cast<TComponent*>(window.DataQuery));
        QCOMPARE(window.Components.FindComponent("oeAdministrator"),
                 static_cast<TComponent*>(window.oeAdministrator));
        QCOMPARE(window.oeAdministrator->Driver, std::string("SQL Server"));
        QCOMPARE(window.oeAdministrator->UserName, std::string("sa"));
    }

    void dataSourceListFillsSortedWithoutFiringItsChangeHandler() {
        TRecordingUi ui;
        TMain window;
        QSignalSpy changes(window.fDataSource, &QComboBox::currentTextChanged);
        window.fDataSource->SetItems({"pubs", "Demo", "archive"});
        window.fDataSource->AddItem("Zeta");
        window.fDataSource->AddItem("beta");
        QCOMPARE(window.fDataSource->Items(), (QStringList{"archive", "beta", "Demo", "pubs", "Zeta"}));
        QVERIFY(window.fDataSource->currentText().isEmpty());
        QCOMPARE(changes.count(), 0);
        window.fDataSource->setCurrentIndex(2);
        QCOMPARE(changes.count(), 1); // choosing an entry does fire it
    }

    void errorBoxForAnEmptyMessageIsTheHeadingAndALineBreak() {
        TRecordingUi ui;
        TMain window;
        window.FillErrorMessage(Exception(""), Txt(u8"Napaka !"), false);
        QCOMPARE(ui.Boxes.size(), size_t(1));
        const TMessageBox& box = ui.Boxes.front();
        QCOMPARE(box.Title, QStringLiteral("Error"));
        QCOMPARE(box.Text, QStringLiteral("Napaka !\r\n"));
        QCOMPARE(box.Kind, bkError);
        QVERIFY(box.Buttons == std::vector<TBoxButton>{bbOK});
    }

    void errorBoxResetsTheCursorShowsTheMessageAndAborts() {
        TRecordingUi ui;
        TMain window;
        ui.SetCursor(ckHourGlass);
        QVERIFY_THROWS_EXCEPTION(EAbort, window.FillErrorMessage(EDatabaseError("Tabela ne obstaja: Šifre"),
                                                                 Txt(u8"Napaka pri uvozu!"), true));
        QCOMPARE(ui.Cursor(), ckDefault);
        QCOMPARE(ui.Boxes.size(), size_t(1));
        QCOMPARE(ui.Boxes.front().Text, Txt(u8"Napaka pri uvozu!\r\nTabela ne obstaja: Šifre"));
    }

    void errorBoxShowsWhatOfForeignExceptions() {
        TRecordingUi ui;
        TMain window;
        window.FillErrorMessage(std::runtime_error("disk full"), Txt(u8"Napaka v ukazu !"), false);
        QCOMPARE(ui.Boxes.size(), size_t(1));
        QCOMPARE(ui.Boxes.front().Text, Txt(u8"Napaka v ukazu !\r\ndisk full"));
    }

    void silentAbortNeverShowsABox() {
        TRecordingUi ui;
        TMain window;
        QVERIFY_THROWS_EXCEPTION(EAbort, window.FillErrorMessage(EAbort(), Txt(u8"Napaka !"), true));
        window.FillErrorMessage(EAbort(), Txt(u8"Prijava na SQL Server ni bila uspešna !"), false);
        QVERIFY(ui.Boxes.empty());
    }

    void errorBoxSwallowsItsOwnFailure() {
        TThrowingUi ui;
        TMain window;
        window.FillErrorMessage(Exception("x"), Txt(u8"Napaka !"), false);
        QVERIFY_THROWS_EXCEPTION(EAbort, window.FillErrorMessage(Exception("x"), Txt(u8"Napaka !"), true));
    }

    void failingStartupStepShowsTheBoxAndSkipsTheLaterSteps_data() {
        QTest::addColumn<int>("failing");
        QTest::addColumn<QList<int>>("ran");
        QTest::newRow("none") << 0 << QList<int>{2, 3, 4};
        QTest::newRow("data sources") << 2 << QList<int>{2};
        QTest::newRow("work tables") << 3 << QList<int>{2, 3};
        QTest::newRow("aliases") << 4 << QList<int>{2, 3, 4};
    }
    void failingStartupStepShowsTheBoxAndSkipsTheLaterSteps() {
        QFETCH(int, failing);
        QFETCH(QList<int>, ran);
        TRecordingUi ui;
        TScriptedStartup window(failing, std::make_exception_ptr(EDatabaseError("no environment")));
        QCOMPARE(QList<int>(window.Ran.begin(), window.Ran.end()), ran);
        QCOMPARE(ui.Boxes.size(), size_t(failing ? 1 : 0));
        if (failing) QCOMPARE(ui.Boxes.front().Text, Txt(u8"Napaka !\r\nno environment"));
        QCOMPARE(window.lSQLPosition->text(), Txt(u8"Poz.: 0/0"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    void aStartupStepFailingWithAForeignExceptionStillShowsTheBox() {
        TRecordingUi ui;
        TScriptedStartup window(2, std::make_exception_ptr(42));
        QCOMPARE(window.Ran, (std::vector<int>{2}));
        QCOMPARE(ui.Boxes.size(), size_t(1));
        QCOMPARE(ui.Boxes.front().Text, Txt(u8"Napaka !\r\nUnknown exception"));
    }

    void nonVisualComponentsCarryTheirDesignSettings() {
        TRecordingUi ui;
        TMain window;
        for (THdbc* connection : {window.Database, window.Hdbc}) {
            QCOMPARE(connection->Owner(), &window.Components);
            QCOMPARE(QString::fromStdString(connection->Driver()), QStringLiteral("SQL Server"));
            QCOMPARE(connection->ConnectionPooling(), cpDefault);
            QVERIFY(!connection->Connected());
        }
        QCOMPARE(window.Hstmt->hDbc(), window.Hdbc);
        QCOMPARE(window.Hstmt->BlobPlacement(), bpByExec);
        for (THstmt* statement : {window.hQuery0, window.hQuery1}) {
            QCOMPARE(statement->hDbc(), window.Database);
            QCOMPARE(statement->ConcurrencyType(), SQLUINTEGER(SQL_CONCUR_VALUES));
            QCOMPARE(statement->BlobPlacement(), bpByExec);
        }
        QCOMPARE(window.oeCatalog->hDbc(), window.Database);
        QCOMPARE(QString::fromStdString(window.oeCatalog->TableName()), QStringLiteral("%"));
        QCOMPARE(window.oeCatalog->TableType(), TableTypeBit(ttTable));
        QCOMPARE(QString::fromStdString(window.oeCatalog->ProcedureName()), QStringLiteral("%"));
    }

    void passwordBoxShowsEveryCharacterAsAStar() {
        TRecordingUi ui;
        TMain window;
        window.fPassword->setText(QStringLiteral("skrito"));
        const int mask = window.fPassword->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                              window.fPassword);
        QCOMPARE(QChar(mask), QLatin1Char('*'));
        QCOMPARE(window.fPassword->displayText(), QStringLiteral("******"));
    }

    void refreshButtonAndDatabaseListChangeNothing() {
        TRecordingUi ui;
        TMain window;
        window.fDataBases->AddItem(QStringLiteral("master"));
        window.fDataBases->AddItem(QStringLiteral("Vidrol"));
        window.fDatabaseName->setText(QStringLiteral("typed"));
        window.bOsvezi->click();
        window.fDataBases->setCurrentIndex(1);
        QCOMPARE(window.fDatabaseName->text(), QStringLiteral("typed"));
        QVERIFY(!window.Database->Connected());
        QVERIFY(ui.Boxes.empty());
    }

    void silentAbortInAStartupStepEndsStartUpQuietly() {
        TRecordingUi ui;
        TScriptedStartup window(3, std::make_exception_ptr(EAbort()));
        QCOMPARE(window.Ran, (std::vector<int>{2, 3}));
        QVERIFY(ui.Boxes.empty());
    }

    void activationResetsTheCursorAndKonecCloses() {
        TRecordingUi ui;
        TMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ui.SetCursor(ckHourGlass);
        window.FormActivate();
        QCOMPARE(ui.Cursor(), ckDefault);
        window.bKonec->click();
        QVERIFY(!window.isVisible());
        QVERIFY(ui.Boxes.empty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
