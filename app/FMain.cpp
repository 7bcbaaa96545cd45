// Construction, start-up, activation and the error box of the main window.
#include "app/FMain.h"

#include "app/Controls.h"
#include "app/DataBinding.h"
#include "core/Exceptions.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>

namespace tarvik {

TMain::TMain(QWidget* parent) : TMain(TDeferFormCreate{}, parent) {
    // A failure that escapes the guarded steps reaches the default display; the window opens anyway.
    Handle(&TMain::FormCreate);
}

TMain::TMain(TDeferFormCreate, QWidget* parent) : QWidget(parent) {
    BuildWindow();
    WireHandlers();
}

TMain::~TMain() = default;

template <class Sender, class Signal> void TMain::On(Sender* sender, Signal signal, THandler handler) {
    connect(sender, signal, this, [this, handler] { Handle(handler); });
}

void TMain::Handle(THandler handler) {
    try {
        (this->*handler)();
    } catch (...) {
        ShowUnhandledException(std::current_exception());
    }
}

void TMain::WireHandlers() {
    On(fDataSource, &QComboBox::currentTextChanged, &TMain::fDataSourceChange);
    On(bIzberi, &QPushButton::clicked, &TMain::bIzberiClick);
    On(bKonec, &QPushButton::clicked, &TMain::bKonecClick);
    On(PageControl, &QTabWidget::currentChanged, &TMain::PageControlChange);
    On(bPozeniSQL, &QPushButton::clicked, &TMain::bPozeniSQLClick);
    On(bSQLShrani, &QPushButton::clicked, &TMain::bSQLShraniClick);
    On(bPozeniNoData, &QPushButton::clicked, &TMain::bPozeniNoDataClick);
    On(Tabele, &QListWidget::currentRowChanged, &TMain::TabeleClick);
    On(bGetFields, &QPushButton::clicked, &TMain::bGetFieldsClick);
    On(bTabeleIzvoz, &QPushButton::clicked, &TMain::bTabeleIzvozClick);
    On(IzberiVse1, &QAction::triggered, &TMain::IzberiVse1Click);
    On(OdkloniVse1, &QAction::triggered, &TMain::OdkloniVse1Click);
    On(bShrani, &QPushButton::clicked, &TMain::bShraniClick);
    On(bDuplicateKey, &QPushButton::clicked, &TMain::bDuplicateKeyClick);
    On(Vidrol, &QComboBox::currentTextChanged, &TMain::VidrolChange);
    On(bPozeniBDE, &QPushButton::clicked, &TMain::bPozeniBDEClick);
    On(bShraniBDE, &QPushButton::clicked, &TMain::bShraniBDEClick);
    On(Button2, &QPushButton::clicked, &TMain::bTabeleIzvozClick);
    On(bUvozOdpri, &QPushButton::clicked, &TMain::bUvozOdpriClick);
    On(bUvozUvozi, &QPushButton::clicked, &TMain::bUvozUvoziClick);
    On(miUvozIzberiVse, &QAction::triggered, &TMain::miUvozIzberiVseClick);
    On(miUvozOdkloniVse, &QAction::triggered, &TMain::miUvozOdkloniVseClick);
    for (QPlainTextEdit* editor : {mSQL, mSQLNoData, mSQLBDE})
        editor->installEventFilter(this);
}

bool TMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        if (watched == mSQL) Handle(&TMain::mSQLKeyUp);
        if (watched == mSQLNoData) Handle(&TMain::mSQLNoDataKeyUp);
        if (watched == mSQLBDE) Handle(&TMain::mSQLBDEKeyUp);
    }
    return QWidget::eventFilter(watched, event);
}

void TMain::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Handle(&TMain::FormActivate);
    QWidget::changeEvent(event);
}

void TMain::showEvent(QShowEvent* event) {
    if (!FCentred) {
        FCentred = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    QWidget::showEvent(event);
}

void TMain::FormCreate() {
    const QString start = Txt(u8"Poz.: 0/0");
    lSQLPosition->setText(start);
    lSQLNoDataPosition->setText(start);
    lSQLBDEPosition->setText(start);
    lDuplicateKey->clear();
    try {
        StartupStep(&TMain::FillDataSources);
        StartupStep(&TMain::CreateWorkTables);
        StartupStep(&TMain::FillAliases);
    } catch (const EAbort&) {
        // Window creation absorbs the silent abort: the remaining steps are skipped, the window opens.
    }
}

void TMain::StartupStep(THandler step) {
    try {
        (this->*step)();
    } catch (const std::exception& E) {
        FillErrorMessage(E, Txt(u8"Napaka !"), true);
    } catch (...) {
        FillErrorMessage(Exception("Unknown exception"), Txt(u8"Napaka !"), true);
    }
}

void TMain::FormActivate() {
    Ui().SetCursor(ckDefault);
}

// Shows the error box for E: default cursor, then (unless E is the silent abort) a modal
// "Error" box with the heading, CR LF and E's message. A failure of the box itself is
// swallowed. With Abort set the current action then ends by the silent abort.
void TMain::FillErrorMessage(const std::exception& E, const QString& Heading, bool Abort) {
    try {
        Ui().SetCursor(ckDefault);
        if (!IsSilentAbort(E)) ErrorBox(Heading + QStringLiteral("\r\n") + ExceptionText(E));
    } catch (...) {
    }
    if (Abort) tarvik::Abort();
}

} // namespace tarvik
