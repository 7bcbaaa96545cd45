#include "app/OCLError.h"

#include "app/Ui.h"
#include "odbc/ODBCError.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace tarvik {

TOEErrorDialog::TOEErrorDialog(EODBC& error, const QString& headline, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      FError(error), FHeadline(headline) {
    BuildLayout();
    SetExpanded(false);
}

void TOEErrorDialog::BuildLayout() {
    auto* symbol = new QLabel(this);
    symbol->setGeometry(8, 8, 32, 32);
    symbol->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));

    Headline = new QLabel(this);
    Headline->setGeometry(56, 8, 225, 41);
    Headline->setWordWrap(true);
    Headline->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setGeometry(120, 56, 75, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

    DetailsBtn = new QPushButton(QStringLiteral("Details >>"), this);
    DetailsBtn->setGeometry(206, 56, 75, 25);
    connect(DetailsBtn, &QPushButton::clicked, this, &TOEErrorDialog::DetailsBtnClick);

    Bevel = new QFrame(this);
    Bevel->setFrameShape(QFrame::HLine);
    Bevel->setFrameShadow(QFrame::Sunken);
    Bevel->setGeometry(0, 88, ClientWidth, 2);

    ErrorText = new QPlainTextEdit(this);
    ErrorText->setGeometry(7, 94, 277, 81);
    ErrorText->setReadOnly(true);

    auto* stateLabel = new QLabel(QStringLiteral("ODBC Error"), this);
    stateLabel->setGeometry(7, 177, 130, 14);
    ODBCError = new QLineEdit(this);
    ODBCError->setGeometry(7, 192, 130, 21);
    ODBCError->setReadOnly(true);

    auto* nativeLabel = new QLabel(QStringLiteral("Database Error"), this);
    nativeLabel->setGeometry(150, 177, 134, 14);
    DatabaseError = new QLineEdit(this);
    DatabaseError->setGeometry(150, 192, 134, 21);
    DatabaseError->setReadOnly(true);

    PrevBtn = new QPushButton(QStringLiteral("Prev"), this);
    PrevBtn->setGeometry(128, 216, 75, 25);
    connect(PrevBtn, &QPushButton::clicked, this, &TOEErrorDialog::PrevBtnClick);
    NextBtn = new QPushButton(QStringLiteral("Next"), this);
    NextBtn->setGeometry(209, 216, 75, 25);
    connect(NextBtn, &QPushButton::clicked, this, &TOEErrorDialog::NextBtnClick);
}

void TOEErrorDialog::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TOEErrorDialog::FormShow() {
    setWindowTitle(QStringLiteral("Database Error: ") + ApplicationTitle());
    Headline->setText(FHeadline);
    SetExpanded(false);
    FError.First();
    ShowRecord();
    PrevBtn->setEnabled(false);
    NextBtn->setEnabled(true);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TOEErrorDialog::ShowRecord() {
    ErrorText->setPlainText(QString::fromStdString(FError.CurrentMessage()));
    ODBCError->setText(QString::fromStdString(FError.State()));
    DatabaseError->setText(QString::number(FError.Native()));
}

void TOEErrorDialog::SetExpanded(bool expanded) {
    FExpanded = expanded;
    DetailsBtn->setText(expanded ? QStringLiteral("Details <<") : QStringLiteral("Details >>"));
    setFixedSize(ClientWidth, expanded ? ExpandedHeight : CollapsedHeight);
}

void TOEErrorDialog::DetailsBtnClick() {
    SetExpanded(!FExpanded);
}

void TOEErrorDialog::NextBtnClick() {
    PrevBtn->setEnabled(true);
    NextBtn->setEnabled(true);
    if (FError.Next()) {
        ShowRecord();
    } else {
        FError.Prior();
        NextBtn->setEnabled(false);
    }
}

void TOEErrorDialog::PrevBtnClick() {
    PrevBtn->setEnabled(true);
    NextBtn->setEnabled(true);
    if (FError.Prior()) {
        ShowRecord();
    } else {
        FError.Next();
        PrevBtn->setEnabled(false);
    }
}

namespace {
void ShowThroughUi(const EODBC& error, const std::string& headline) {
    // The error being handled is a thrown object the dialog may page through; only the
    // handler's signature is const.
    Ui().ShowErrorDialog(const_cast<EODBC&>(error), QString::fromStdString(headline));
}
} // namespace

void InstallErrorDialog() {
    SetErrorDialogHandler(&ShowThroughUi);
}

} // namespace tarvik
