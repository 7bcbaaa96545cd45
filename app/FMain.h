#pragma once
// The main window: connection header, nine pages, the error box and the
// handlers of every control. Handlers live in one source file per page.
#include "app/Ui.h"
#include "core/Component.h"

#include <QWidget>

#include <exception>
#include <string>
#include <vector>

class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTabWidget;
class QComboBox;

namespace tarvik {
class TCheckListBox;
class TDataBinding;
class TDBGrid;
class TDBNavigator;
class TDirectoryListBox;
class TFileListBox;
class TRadioGroup;
class TSortedComboBox;

class TOEAdministrator;
class TOECatalog;
class THdbc;
class THstmt;
class TwwOEDataSet;

// A text box's lines as the window counts them: the empty place after a final line break is no line,
// so an empty memo has none.
QStringList EditorLines(const QPlainTextEdit* memo);

class TMain : public QWidget {
    Q_OBJECT
public:
    // Builds the window and runs FormCreate; start-up failures are shown, never thrown.
    explicit TMain(QWidget* parent = nullptr);
    ~TMain() override;

    // The error box for the exception being handled (see FMain.cpp); throws EAbort when abort is set.
    void FillErrorMessage(const std::exception& E, const QString& Heading, bool Abort);

    // Window handlers.
    void FormCreate();
    void FormActivate();

    // Connection header (Header.cpp).
    void fDataSourceChange();
    void bIzberiClick();
    void bKonecClick();

    // "SQL" (PageSql.cpp).
    void bPozeniSQLClick();
    void bSQLShraniClick();
    void mSQLKeyUp();
    // Runs mSQL through oeqQuery: a query (first line starting with SELECT) is opened, live when
    // it can be, anything else executed. Failures go to the error box "Napaka !" and abort.
    void RunSqlText();

    // "SQL NoData" (PageSqlNoData.cpp).
    void bPozeniNoDataClick();
    void mSQLNoDataKeyUp();
    // Writes every row of every result of Hstmt into mSQLNoDataResult; errors end it silently.
    void ReadNoDataResults();

    // "Tabele in strukture" and "Podatki o bazi" (SchemaBrowser.cpp).
    void FillTabele();
    void FillDatabaseFileName();
    // Disconnects, connects Database with these settings and the header's login, refills the browser.
    void ConnectDatabase(const std::string& dataSource, const std::vector<std::string>& attributes);
    void TabeleClick();
    void bGetFieldsClick();
    void IzberiVse1Click();
    void OdkloniVse1Click();
    void bTabeleIzvozClick();

    // "Vsebina tabele" (PageContents.cpp).
    void PageControlChange();
    void bShraniClick();

    // "Zgodovina SQL ukazov" (PageHistory.cpp).
    void AddToHistory(const QStringList& Lines, const QString& Title);
    void SetMemoPos(QPlainTextEdit* Memo, QLabel* Label);

    // "Duplicate key" (PageDuplicateKey.cpp).
    void bDuplicateKeyClick();
    // Throws EDatabaseError for a name that is not a plain identifier (nothing is sent then), EODBC.
    void CheckTableKeys(const QString& TableName, const QString& KeyFields);
    // Sets a progress label and paints it at once, without letting other window messages run.
    static void ShowProgress(QLabel* Label, const QString& Text);

    // "SQL BDE" (PageSqlBde.cpp).
    void VidrolChange();
    void GetVidrolAliasType(const QString& AliasName);
    void bPozeniBDEClick();
    void bShraniBDEClick();
    void mSQLBDEKeyUp();

    // "Uvoz podatkov" (PageImport.cpp).
    void bUvozOdpriClick();
    void bUvozUvoziClick();
    void miUvozIzberiVseClick();
    void miUvozOdkloniVseClick();

    // Connection header.
    QFrame* pGlava = nullptr;
    QLabel* Label4 = nullptr;
    TSortedComboBox* fDataSource = nullptr;
    QLabel* Label1 = nullptr;
    TSortedComboBox* fDataBases = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* fServerName = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* fDatabaseName = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* fUserName = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* fPassword = nullptr;
    QPushButton* bIzberi = nullptr;
    QPushButton* bOsvezi = nullptr;
    QPushButton* bKonec = nullptr;

    QTabWidget* PageControl = nullptr;

    // "SQL"
    QWidget* cSQL = nullptr;
    QPlainTextEdit* mSQL = nullptr;
    QPushButton* bPozeniSQL = nullptr;
    QPushButton* bSQLShrani = nullptr;
    TDBNavigator* wwDBNavigator1 = nullptr;
    QLabel* lSQLPosition = nullptr;
    TDBGrid* wwDBGrid4 = nullptr;

    // "SQL NoData"
    QWidget* cSQLNoData = nullptr;
    QPlainTextEdit* mSQLNoData = nullptr;
    QFrame* Panel11 = nullptr;
    QLabel* Label16 = nullptr;
    QLabel* lSQLNoDataPosition = nullptr;
    QPlainTextEdit* mSQLNoDataResult = nullptr;
    QLabel* Label14 = nullptr;
    QLineEdit* fndServerName = nullptr;
    QLabel* Label15 = nullptr;
    QLineEdit* fndDatabaseName = nullptr;
    QLabel* Label12 = nullptr;
    QLineEdit* fndUserName = nullptr;
    QLabel* Label13 = nullptr;
    QLineEdit* fndPassword = nullptr;
    QPushButton* bPozeniNoData = nullptr;

    // "Tabele in strukture"
    QWidget* cTable = nullptr;
    QFrame* Panel4 = nullptr;
    QFrame* Panel5 = nullptr;
    QLabel* Label11 = nullptr;
    QPushButton* bGetFields = nullptr;
    QPushButton* bTabeleIzvoz = nullptr;
    TCheckListBox* Tabele = nullptr;
    QFrame* Panel6 = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Label3 = nullptr;
    TDBGrid* wwDBGrid1 = nullptr; // fields, through DataFields
    QFrame* Panel1 = nullptr;
    QLabel* Label5 = nullptr;
    TDBGrid* wwDBGrid2 = nullptr; // keys, through DataIndex
    QMenu* pmTabele = nullptr;
    QAction* IzberiVse1 = nullptr;
    QAction* OdkloniVse1 = nullptr;

    // "Podatki o bazi"
    QWidget* cPodatkiODatabasu = nullptr;
    QPlainTextEdit* fDatabaseData = nullptr;

    // "Vsebina tabele"
    QWidget* cVsebinaTrenutneTabele = nullptr;
    TDBNavigator* wwDBNavigator2 = nullptr;
    QPushButton* bShrani = nullptr;
    TDBGrid* wwDBGrid3 = nullptr;

    // "Zgodovina SQL ukazov"
    QWidget* cZgodovina = nullptr;
    QPlainTextEdit* mSQLHistory = nullptr;

    // "Duplicate key"
    QWidget* cKontrolaDuplicateKey = nullptr;
    QPushButton* bDuplicateKey = nullptr;
    QLabel* lDuplicateKey = nullptr;
    QPlainTextEdit* mDuplicateKey = nullptr;

    // "SQL BDE"
    QWidget* cSQLBDE = nullptr;
    QFrame* Panel8 = nullptr;
    TSortedComboBox* Vidrol = nullptr;
    TDirectoryListBox* DirVidrol = nullptr;
    QFrame* pDrvVidrol = nullptr;
    QComboBox* DrvVidrol = nullptr;
    TRadioGroup* fDatabase = nullptr;
    QPlainTextEdit* mSQLBDE = nullptr;
    QLabel* lSQLBDEPosition = nullptr;
    TDBNavigator* wwDBNavigator3 = nullptr;
    QPushButton* bPozeniBDE = nullptr;
    QPushButton* bShraniBDE = nullptr;
    TDBGrid* wwDBGrid5 = nullptr;

    // "Uvoz podatkov"
    QWidget* tsUvozPodatkov = nullptr;
    QFrame* Panel7 = nullptr;
    QFrame* Panel15 = nullptr;
    QLabel* Label10 = nullptr;
    QPushButton* Button2 = nullptr;
    TRadioGroup* rgUvozMoznosti = nullptr;
    TFileListBox* flbUvoz = nullptr;
    QFrame* Panel14 = nullptr;
    QLabel* Label9 = nullptr;
    QPushButton* bUvozOdpri = nullptr;
    QPushButton* bUvozUvozi = nullptr;
    TCheckListBox* clbUvozTabele = nullptr;
    QMenu* pmClbUvozTabele = nullptr;
    QAction* miUvozIzberiVse = nullptr;
    QAction* miUvozOdkloniVse = nullptr;

    // Non-visual components, all owned by Components. Each slot marked "arrives with"
    // is added by the issue that builds its class; until then nothing refers to it.
    TComponent Components;
    TDataBinding* DataFields = nullptr;   // shows tbFields
    TDataBinding* DataIndex = nullptr;    // shows tbIndex
    TDataBinding* DataVsebina = nullptr;  // shows qVsebina
    TDataBinding* DataQuery = nullptr;    // shows oeqQuery
    TDataBinding* DataQueryBDE = nullptr; // shows qQueryBDE
    THdbc* Database = nullptr;            // main connection: Driver "SQL Server", cpDefault, not connected
    THdbc* Hdbc = nullptr;     // the statement page's own connection: Driver "SQL Server", cpDefault
    THstmt* Hstmt = nullptr;   // on Hdbc, bpByExec
    THstmt* hQuery0 = nullptr; // on Database, concurrency 4 (by values), bpByExec
    THstmt* hQuery1 = nullptr; // as hQuery0
    TOEAdministrator* oeAdministrator = nullptr; // Driver "SQL Server", UserName "sa"
    TOECatalog* oeCatalog = nullptr; // on Database, TableName "%", TableType [ttTable], ProcedureName "%"
    // On Database, concurrency 4 (by values), bpByExec, RequestLive, Editable, ValidateWithMask.
    TwwOEDataSet* qQuery = nullptr;   // the schema browser's field probe
    TwwOEDataSet* oeqQuery = nullptr; // the SQL page's result, shown through DataQuery
    TwwOEDataSet* qVsebina = nullptr; // the contents page's table, shown through DataVsebina
    // local tables tbFields ("TTableFields"), tbIndex ("TTableIndex"), tbDest ("c:\Rezultat.DB"),
    // the local-engine database DatabaseBDE ("VidrolData") and query qQueryBDE arrive with the local engine.
    TFileDialog SaveDialog; // "Paradox|*.db|dBase|*.dbf", "*.db", "Rezultat.db"
    TFileDialog OpenDialog;

protected:
    struct TDeferFormCreate {};
    // For tests that replace the start-up steps: builds the window without running FormCreate.
    TMain(TDeferFormCreate, QWidget* parent = nullptr);

    // Start-up steps 2 to 4, each run under its own guard by FormCreate.
    virtual void FillDataSources();  // fDataSource: SQL Server data sources (Header.cpp)
    virtual void CreateWorkTables(); // TTableFields and TTableIndex (PageTables.cpp)
    virtual void FillAliases();      // Vidrol and its initial alias (PageSqlBde.cpp)

    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    using THandler = void (TMain::*)();
    // Runs a handler as the event loop does: what escapes it reaches the default display.
    void Handle(THandler handler);
    template <class Sender, class Signal> void On(Sender* sender, Signal signal, THandler handler);
    // Runs one start-up step; a failure goes to the error box with "Napaka !" and aborts.
    void StartupStep(THandler step);

    void BuildWindow();
    void BuildHeader();
    void BuildPageSql();
    void BuildPageSqlNoData();
    void BuildPageTables();
    void BuildPageDatabaseData();
    void BuildPageContents();
    void BuildPageHistory();
    void BuildPageDuplicateKey();
    void BuildPageSqlBde();
    void BuildPageImport();
    void BuildNonVisual();
    THdbc* MakeConnection(const char* name);
    THstmt* MakeStatement(const char* name, THdbc* connection, unsigned long concurrency);
    // A grid dataset on Database with the window's settings, shown through binding when given.
    TwwOEDataSet* MakeGridDataSet(const char* name, TDataBinding* binding);
    void WireHandlers();

    bool FCentred = false;
};

} // namespace tarvik
