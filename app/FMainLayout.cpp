// Construction of the window's controls: positions, texts, bindings.
#include "app/Controls.h"
#include "app/DBGrid.h"
#include "app/DBNavigator.h"
#include "app/DataBinding.h"
#include "app/DataSetLink.h"
#include "app/FMain.h"
#include "dataset/odbc/OEQuery.h"

#include "odbc/HDbc.h"
#include "odbc/HStmt.h"
#include "odbc/catalog/Administrator.h"
#include "odbc/catalog/Catalog.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tarvik {

namespace {
constexpr int EditHeight = 21;
constexpr int LabelHeight = 15;

QLabel* MakeLabel(QWidget* parent, const QString& text, int left, int top, int width = -1) {
    auto* label = new QLabel(text, parent);
    label->move(left, top);
    label->resize(width > 0 ? width : label->sizeHint().width(), LabelHeight);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, int left, int top, int width = 75,
                        int height = 25) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(left, top, width, height);
    return button;
}

QLineEdit* MakeEdit(QWidget* parent, int left, int top, int width = 161) {
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(left, top, width, EditHeight);
    return edit;
}

TSortedComboBox* MakeCombo(QWidget* parent, int left, int top, int width = 161) {
    auto* combo = new TSortedComboBox(parent);
    combo->setGeometry(left, top, width, EditHeight);
    return combo;
}

QFrame* MakePanel(QWidget* parent, int height = -1) {
    auto* panel = new QFrame(parent);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    if (height > 0) panel->setFixedHeight(height);
    return panel;
}

// A panel whose children are laid out top to bottom inside a border.
QFrame* MakeColumnPanel(QWidget* parent, int border) {
    QFrame* panel = MakePanel(parent);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(border, border, border, border);
    layout->setSpacing(0);
    return panel;
}

QPlainTextEdit* MakeMemo(QWidget* parent, bool bothScrollBars) {
    auto* memo = new QPlainTextEdit(parent);
    if (bothScrollBars) {
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return memo;
}

TDBGrid* MakeGrid(QWidget* parent, TDataBinding* source, bool editable) {
    auto* grid = new TDBGrid(parent);
    grid->SetDataSource(source);
    grid->SetEditable(editable);
    return grid;
}

TDBNavigator* MakeNavigator(QWidget* parent, TDataBinding* source, int left, int top) {
    auto* navigator = new TDBNavigator(parent);
    navigator->move(left, top);
    navigator->SetDataSource(source);
    return navigator;
}

QVBoxLayout* Column(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

// The editor above, the rest below, with a splitter of 3 pixels between them.
QSplitter* SplitBelow(QWidget* editor, int editorHeight, QWidget* rest) {
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->setHandleWidth(3);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(editor);
    splitter->addWidget(rest);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({editorHeight, 10000});
    return splitter;
}

QMenu* MakePopup(QWidget* owner, QAction*& selectAll, QAction*& deselectAll) {
    auto* menu = new QMenu(owner);
    selectAll = menu->addAction(Txt(u8"&Izberi vse"));
    deselectAll = menu->addAction(Txt(u8"&Odkloni vse"));
    owner->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(owner, &QWidget::customContextMenuRequested, menu,
                     [owner, menu](const QPoint& at) { menu->popup(owner->mapToGlobal(at)); });
    return menu;
}
} // namespace

void TMain::BuildWindow() {
    setWindowTitle(Txt(u8"Tarvik"));
    QFont face(QStringLiteral("MS Sans Serif"));
    face.setStyleHint(QFont::SansSerif);
    face.setPixelSize(11);
    setFont(face);
    resize(771, 521);

    BuildNonVisual();
    BuildHeader();
    PageControl = new QTabWidget(this);
    auto* layout = Column(this);
    layout->addWidget(pGlava);
    layout->addWidget(PageControl, 1);
    BuildPageSql();
    BuildPageSqlNoData();
    BuildPageTables();
    BuildPageDatabaseData();
    BuildPageContents();
    BuildPageHistory();
    BuildPageDuplicateKey();
    BuildPageSqlBde();
    BuildPageImport();
    PageControl->setCurrentIndex(0);
}

THdbc* TMain::MakeConnection(const char* name) {
    auto* connection = new THdbc(&Components);
    connection->SetName(name);
    connection->SetDriver("SQL Server");
    return connection;
}

THstmt* TMain::MakeStatement(const char* name, THdbc* connection, unsigned long concurrency) {
    auto* statement = new THstmt(&Components);
    statement->SetName(name);
    statement->SethDbc(connection);
    statement->SetConcurrencyType(concurrency);
    statement->SetBlobPlacement(bpByExec);
    return statement;
}

TwwOEDataSet* TMain::MakeGridDataSet(const char* name, TDataBinding* binding) {
    auto* dataSet = new TwwOEDataSet(&Components);
    dataSet->SetName(name);
    dataSet->SetDatabaseName("Database");
    dataSet->hStmt().SetConcurrencyType(SQL_CONCUR_VALUES);
    dataSet->hStmt().SetBlobPlacement(bpByExec);
    dataSet->SetRequestLive(true);
    dataSet->SetEditable(true);
    dataSet->SetValidateWithMask(true);
    // The link comes after its dataset, so it goes first when the window's components are freed.
    if (binding) new TDataSetLink(&Components, *dataSet, *binding);
    return dataSet;
}

void TMain::BuildNonVisual() {
    auto binding = [this](const char* name) {
        auto* source = new TDataBinding(&Components);
        source->SetName(name);
        return source;
    };
    DataFields = binding("DataFields");
    DataIndex = binding("DataIndex");
    DataVsebina = binding("DataVsebina");
    DataQuery = binding("DataQuery");
    DataQueryBDE = binding("DataQueryBDE");
    Database = MakeConnection("Database");
    Hdbc = MakeConnection("Hdbc");
    Hstmt = MakeStatement("Hstmt", Hdbc, SQL_CONCUR_READ_ONLY);
    hQuery0 = MakeStatement("hQuery0", Database, SQL_CONCUR_VALUES);
    hQuery1 = MakeStatement("hQuery1", Database, SQL_CONCUR_VALUES);
    qQuery = MakeGridDataSet("qQuery", nullptr);
    oeqQuery = MakeGridDataSet("oeqQuery", DataQuery);
    qVsebina = MakeGridDataSet("qVsebina", DataVsebina);
    oeCatalog = new TOECatalog(&Components);
    oeCatalog->SetName("oeCatalog");
    oeCatalog->SethDbc(Database);
    oeCatalog->SetTableName("%");
    oeCatalog->SetTableType(TableTypeBit(ttTable));
    oeCatalog->SetProcedureName("%");
    oeAdministrator = new TOEAdministrator(&Components);
    oeAdministrator->SetName("oeAdministrator");
    oeAdministrator->Driver = "SQL Server";
    oeAdministrator->UserName = "sa";
    SaveDialog.DefaultExt = QStringLiteral("*.db");
    SaveDialog.FileName = QStringLiteral("Rezultat.db");
    SaveDialog.Filter = QStringLiteral("Paradox|*.db|dBase|*.dbf");
}

void TMain::BuildHeader() {
    pGlava = MakePanel(this, 97);
    Label4 = MakeLabel(pGlava, Txt(u8"Podatki Vidrol"), 8, 7, 161);
    fDataSource = MakeCombo(pGlava, 8, 23);
    Label1 = MakeLabel(pGlava, Txt(u8"Vse baze na serverju"), 8, 49, 161);
    fDataBases = MakeCombo(pGlava, 8, 65);
    fDataBases->setFocusPolicy(Qt::ClickFocus); // skipped by the Tab key
    Label7 = MakeLabel(pGlava, Txt(u8"Ime strežnika:"), 184, 8);
    fServerName = MakeEdit(pGlava, 184, 24);
    Label8 = MakeLabel(pGlava, Txt(u8"Ime baze podatkov:"), 184, 50);
    fDatabaseName = MakeEdit(pGlava, 184, 66);
    Label2 = MakeLabel(pGlava, Txt(u8"Uporabnik:"), 360, 8);
    fUserName = MakeEdit(pGlava, 360, 24);
    fUserName->setText(Txt(u8"sa"));
    Label6 = MakeLabel(pGlava, Txt(u8"Geslo:"), 360, 50);
    fPassword = MakeEdit(pGlava, 360, 64);
    fPassword->setEchoMode(QLineEdit::Password);
    // Every character shown as "*", not the style's dot.
    fPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    bIzberi = MakeButton(pGlava, Txt(u8"Izberi"), 680, 7);
    bOsvezi = MakeButton(pGlava, Txt(u8"Osveži"), 680, 36);
    bKonec = MakeButton(pGlava, Txt(u8"Konec"), 680, 65);
    QWidget* const order[] = {fDataSource, fDataBases, fServerName, fDatabaseName, fUserName,
                              fPassword,   bIzberi,    bOsvezi,     bKonec};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void TMain::BuildPageSql() {
    cSQL = new QWidget;
    PageControl->addTab(cSQL, Txt(u8"SQL"));
    mSQL = MakeMemo(cSQL, true);
    auto* rest = new QWidget;
    auto* restLayout = Column(rest);
    QFrame* tools = MakePanel(rest, 36);
    bPozeniSQL = MakeButton(tools, Txt(u8"Poženi"), 8, 5);
    bSQLShrani = MakeButton(tools, Txt(u8"Shrani"), 96, 5);
    wwDBNavigator1 = MakeNavigator(tools, DataQuery, 187, 5);
    lSQLPosition = MakeLabel(tools, QString(), 600, 10, 145);
    wwDBGrid4 = MakeGrid(rest, DataQuery, true);
    restLayout->addWidget(tools);
    restLayout->addWidget(wwDBGrid4, 1);
    Column(cSQL)->addWidget(SplitBelow(mSQL, 113, rest));
}

void TMain::BuildPageSqlNoData() {
    cSQLNoData = new QWidget;
    PageControl->addTab(cSQLNoData, Txt(u8"SQL NoData"));
    mSQLNoData = MakeMemo(cSQLNoData, true);
    auto* rest = new QWidget;
    auto* restLayout = Column(rest);
    Panel11 = MakePanel(rest, 28);
    Label16 = MakeLabel(Panel11, Txt(u8"Rezultat"), 8, 7);
    lSQLNoDataPosition = MakeLabel(Panel11, QString(), 600, 7, 145);
    mSQLNoDataResult = MakeMemo(rest, false);
    mSQLNoDataResult->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QFrame* bottom = MakePanel(rest, 57);
    auto labelled = [bottom](QLabel*& label, const char8_t* text, QLineEdit*& edit, int left, int top) {
        label = MakeLabel(bottom, Txt(text), left, top + 3, 100);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edit = MakeEdit(bottom, left + 104, top);
    };
    labelled(Label14, u8"Server name:", fndServerName, 4, 5);
    labelled(Label15, u8"Database name:", fndDatabaseName, 4, 30);
    labelled(Label12, u8"User name:", fndUserName, 280, 5);
    labelled(Label13, u8"Password:", fndPassword, 280, 30);
    fndUserName->setText(Txt(u8"sa"));
    bPozeniNoData = MakeButton(bottom, Txt(u8"Poženi"), 560, 16);
    setTabOrder(fndServerName, fndDatabaseName);
    setTabOrder(fndDatabaseName, fndUserName);
    setTabOrder(fndUserName, fndPassword);
    setTabOrder(fndPassword, bPozeniNoData);
    restLayout->addWidget(Panel11);
    restLayout->addWidget(mSQLNoDataResult, 1);
    restLayout->addWidget(bottom);
    Column(cSQLNoData)->addWidget(SplitBelow(mSQLNoData, 121, rest));
}

void TMain::BuildPageTables() {
    cTable = new QWidget;
    PageControl->addTab(cTable, Txt(u8"Tabele in strukture"));

    Panel4 = MakeColumnPanel(cTable, 5);
    Panel5 = MakePanel(Panel4, 27);
    Label11 = MakeLabel(Panel5, Txt(u8"Tabele"), 8, 6);
    bGetFields = MakeButton(Panel5, Txt(u8"Polja v SQL"), 162, 3, 75, 21);
    bTabeleIzvoz = MakeButton(Panel5, Txt(u8"Izvoz"), 246, 3, 75, 21);
    Tabele = new TCheckListBox(Panel4);
    pmTabele = MakePopup(Tabele, IzberiVse1, OdkloniVse1);
    Panel4->layout()->addWidget(Panel5);
    Panel4->layout()->addWidget(Tabele);

    Panel6 = MakeColumnPanel(cTable, 5);
    Panel6->setFixedWidth(416);
    Panel2 = MakePanel(Panel6, 27);
    Label3 = MakeLabel(Panel2, Txt(u8"Polja"), 8, 6);
    wwDBGrid1 = MakeGrid(Panel6, DataFields, false);
    wwDBGrid1->SetColumns({{QStringLiteral("ZapSt"), 5, Txt(u8"Poz."), false},
                           {QStringLiteral("FieldName"), 33, Txt(u8"Field Name"), false},
                           {QStringLiteral("DataType"), 15, Txt(u8"Data Type"), false},
                           {QStringLiteral("Size"), 5, Txt(u8"Size"), false}});
    Panel6->layout()->addWidget(Panel2);
    Panel6->layout()->addWidget(wwDBGrid1);

    Panel1 = MakePanel(cTable, 27);
    Label5 = MakeLabel(Panel1, Txt(u8"Ključi"), 8, 6);
    wwDBGrid2 = MakeGrid(cTable, DataIndex, false);
    wwDBGrid2->setFixedHeight(120);
    wwDBGrid2->SetColumns({{QStringLiteral("ZapSt"), 4, Txt(u8"Poz."), false},
                           {QStringLiteral("IndexName"), 30, Txt(u8"Index Name"), false},
                           {QStringLiteral("FieldNames"), 78, Txt(u8"Field Names"), false},
                           {QStringLiteral("Primary"), 2, Txt(u8"P"), true},
                           {QStringLiteral("Unique"), 2, Txt(u8"U"), true}});

    auto* top = new QHBoxLayout;
    top->setSpacing(0);
    top->addWidget(Panel4, 1);
    top->addWidget(Panel6);
    QVBoxLayout* page = Column(cTable);
    page->addLayout(top, 1);
    page->addWidget(Panel1);
    page->addWidget(wwDBGrid2);
}

void TMain::BuildPageDatabaseData() {
    cPodatkiODatabasu = new QWidget;
    PageControl->addTab(cPodatkiODatabasu, Txt(u8"Podatki o bazi"));
    fDatabaseData = MakeMemo(cPodatkiODatabasu, true);
    QFont courier(QStringLiteral("Courier New"));
    courier.setStyleHint(QFont::Monospace);
    courier.setPixelSize(11);
    fDatabaseData->setFont(courier);
    Column(cPodatkiODatabasu)->addWidget(fDatabaseData);
}

void TMain::BuildPageContents() {
    cVsebinaTrenutneTabele = new QWidget;
    PageControl->addTab(cVsebinaTrenutneTabele, Txt(u8"Vsebina tabele"));
    QFrame* tools = MakePanel(cVsebinaTrenutneTabele, 36);
    bShrani = MakeButton(tools, Txt(u8"Shrani"), 8, 5);
    wwDBNavigator2 = MakeNavigator(tools, DataVsebina, 139, 5);
    wwDBGrid3 = MakeGrid(cVsebinaTrenutneTabele, DataVsebina, true);
    QVBoxLayout* page = Column(cVsebinaTrenutneTabele);
    page->addWidget(tools);
    page->addWidget(wwDBGrid3, 1);
}

void TMain::BuildPageHistory() {
    cZgodovina = new QWidget;
    PageControl->addTab(cZgodovina, Txt(u8"Zgodovina SQL ukazov"));
    mSQLHistory = MakeMemo(cZgodovina, true);
    Column(cZgodovina)->addWidget(mSQLHistory);
}

void TMain::BuildPageDuplicateKey() {
    cKontrolaDuplicateKey = new QWidget;
    PageControl->addTab(cKontrolaDuplicateKey, Txt(u8"Duplicate key"));
    QFrame* top = MakePanel(cKontrolaDuplicateKey, 41);
    bDuplicateKey = MakeButton(top, Txt(u8"Kontrola"), 8, 8);
    lDuplicateKey = MakeLabel(top, QString(), 96, 13, 209);
    mDuplicateKey = MakeMemo(cKontrolaDuplicateKey, true);
    QVBoxLayout* page = Column(cKontrolaDuplicateKey);
    page->addWidget(top);
    page->addWidget(mDuplicateKey, 1);
}

void TMain::BuildPageSqlBde() {
    cSQLBDE = new QWidget;
    PageControl->addTab(cSQLBDE, Txt(u8"SQL BDE"));

    Panel8 = MakeColumnPanel(cSQLBDE, 5);
    Panel8->setFixedWidth(225);
    Vidrol = new TSortedComboBox(Panel8);
    Vidrol->setEditText(Txt(u8"MSMorvina"));
    DirVidrol = new TDirectoryListBox(Panel8);
    DirVidrol->hide();
    pDrvVidrol = MakePanel(Panel8, 31);
    DrvVidrol = new QComboBox(pDrvVidrol);
    DrvVidrol->setGeometry(4, 5, 205, EditHeight);
    DrvVidrol->hide();
    fDatabase =
        new TRadioGroup(Txt(u8"Database"), {Txt(u8"Interbase"), Txt(u8"MS SQL"), Txt(u8"Paradox")}, Panel8);
    fDatabase->SetItemIndex(1);
    auto* left = static_cast<QVBoxLayout*>(Panel8->layout());
    left->addWidget(Vidrol);
    left->addWidget(DirVidrol, 1);
    left->addWidget(pDrvVidrol);
    left->addWidget(fDatabase);
    left->addStretch();

    mSQLBDE = MakeMemo(cSQLBDE, true);
    auto* rest = new QWidget;
    QFrame* tools = MakePanel(rest, 51);
    lSQLBDEPosition = MakeLabel(tools, QString(), 9, 5, 145);
    wwDBNavigator3 = MakeNavigator(tools, DataQueryBDE, 9, 22);
    bPozeniBDE = MakeButton(tools, Txt(u8"Poženi"), 370, 22, 65, 25);
    bShraniBDE = MakeButton(tools, Txt(u8"Shrani"), 440, 22, 65, 25);
    wwDBGrid5 = MakeGrid(rest, DataQueryBDE, true);
    QVBoxLayout* restLayout = Column(rest);
    restLayout->addWidget(tools);
    restLayout->addWidget(wwDBGrid5, 1);

    auto* sides = new QSplitter(Qt::Horizontal);
    sides->setHandleWidth(3);
    sides->setChildrenCollapsible(false);
    sides->addWidget(Panel8);
    sides->addWidget(SplitBelow(mSQLBDE, 113, rest));
    sides->setStretchFactor(1, 1);
    Column(cSQLBDE)->addWidget(sides);
}

void TMain::BuildPageImport() {
    tsUvozPodatkov = new QWidget;
    PageControl->addTab(tsUvozPodatkov, Txt(u8"Uvoz podatkov"));

    auto* left = new QWidget;
    Panel14 = MakePanel(left, 27);
    Label9 = MakeLabel(Panel14, Txt(u8"Tabele"), 8, 6);
    bUvozOdpri = MakeButton(Panel14, Txt(u8"Odpri"), 100, 1);
    bUvozOdpri->setToolTip(Txt(u8"Odpiranje tabel za uvoz"));
    bUvozUvozi = MakeButton(Panel14, Txt(u8"Uvozi"), 180, 1);
    clbUvozTabele = new TCheckListBox(left);
    pmClbUvozTabele = MakePopup(clbUvozTabele, miUvozIzberiVse, miUvozOdkloniVse);
    QVBoxLayout* leftLayout = Column(left);
    leftLayout->addWidget(Panel14);
    leftLayout->addWidget(clbUvozTabele, 1);

    Panel7 = MakeColumnPanel(tsUvozPodatkov, 5);
    Panel7->setFixedWidth(251);
    Panel15 = MakePanel(Panel7, 27);
    Panel15->setFixedWidth(239);
    Label10 = MakeLabel(Panel15, Txt(u8"Možnosti"), 8, 6);
    // Placed beyond the panel's right edge: present and wired, but not visible at the design size.
    Button2 = MakeButton(Panel15, Txt(u8"Izvoz"), 246, 3, 75, 21);
    rgUvozMoznosti = new TRadioGroup(
        Txt(u8"Način uvoza"), {Txt(u8"Dodajanje"), Txt(u8"Dodajanje in spreminjanje"), Txt(u8"Prekrivanje")},
        Panel7);
    rgUvozMoznosti->SetItemIndex(0);
    flbUvoz = new TFileListBox(Panel7);
    flbUvoz->SetMask(QStringLiteral("*.db"));
    flbUvoz->hide();
    auto* right = static_cast<QVBoxLayout*>(Panel7->layout());
    right->addWidget(Panel15);
    right->addWidget(rgUvozMoznosti);
    right->addWidget(flbUvoz);
    right->addStretch();

    auto* page = new QHBoxLayout(tsUvozPodatkov);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addWidget(left, 1);
    page->addWidget(Panel7);
}

} // namespace tarvik
