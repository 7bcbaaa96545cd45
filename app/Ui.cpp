#include "app/Ui.h"

#include "app/OCLError.h"
#include "core/Exceptions.h"
#include "odbc/HEnv.h"
#include "odbc/HStmt.h"
#include "odbc/ODBCError.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>

#include <QPushButton>
#include <clocale>

namespace tarvik {

namespace {
TUi desktopUi;
TUi* installedUi = &desktopUi;

QMessageBox::Icon IconOf(TBoxKind kind) {
    switch (kind) {
    case bkInformation:
        return QMessageBox::Information;
    case bkConfirmation:
        return QMessageBox::Question;
    case bkWarning:
        return QMessageBox::Warning;
    case bkError:
        return QMessageBox::Critical;
    case bkPlain:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton StandardButtonOf(TBoxButton button) {
    switch (button) {
    case bbYes:
        return QMessageBox::Yes;
    case bbNo:
        return QMessageBox::No;
    case bbCancel:
        return QMessageBox::Cancel;
    case bbOK:
        break;
    }
    return QMessageBox::Ok;
}

// "Paradox|*.db|dBase|*.dbf" -> "Paradox (*.db);;dBase (*.dbf)"
QStringList QtFilters(const QString& filter) {
    QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        result << parts[i] + QStringLiteral(" (") + parts[i + 1].replace(QLatin1Char(';'), QLatin1Char(' ')) +
                      QLatin1Char(')');
    return result;
}

QString Suffix(const QString& defaultExt) {
    QString suffix = defaultExt;
    if (suffix.startsWith(QLatin1Char('*'))) suffix.remove(0, 1);
    if (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
    return suffix;
}

bool RunFileDialog(TFileDialog& settings, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(QApplication::activeWindow(), settings.Title, settings.InitialDir);
    dialog.setAcceptMode(mode);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(Suffix(settings.DefaultExt));
    const QStringList filters = QtFilters(settings.Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(settings.FilterIndex - 1, filters.first()));
    }
    if (!settings.FileName.isEmpty()) dialog.selectFile(settings.FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    settings.FileName = dialog.selectedFiles().first();
    settings.FilterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (settings.FilterIndex < 1) settings.FilterIndex = 1;
    return true;
}

TBoxButton Ask(const QString& title, const QString& text, TBoxKind kind, std::vector<TBoxButton> buttons) {
    return Ui().MessageBox(TMessageBox{title, text, kind, std::move(buttons)});
}
} // namespace

TBoxButton TUi::MessageBox(const TMessageBox& box) {
    QMessageBox dialog(IconOf(box.Kind), box.Title, box.Text, QMessageBox::NoButton,
                       QApplication::activeWindow());
    dialog.setTextFormat(Qt::PlainText);
    for (TBoxButton button : box.Buttons)
        dialog.addButton(StandardButtonOf(button));
    dialog.exec();
    QAbstractButton* clicked = dialog.clickedButton();
    for (TBoxButton button : box.Buttons)
        if (clicked && clicked == dialog.button(StandardButtonOf(button))) return button;
    return bbCancel;
}

bool TUi::ExecuteOpen(TFileDialog& dialog) {
    return RunFileDialog(dialog, QFileDialog::AcceptOpen);
}

bool TUi::ExecuteSave(TFileDialog& dialog) {
    return RunFileDialog(dialog, QFileDialog::AcceptSave);
}

void TUi::ShowErrorDialog(EODBC& error, const QString& headline) {
    TOEErrorDialog dialog(error, headline, QApplication::activeWindow());
    dialog.exec();
}

void TUi::SetCursor(TCursorKind cursor) {
    FCursor = cursor;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    if (cursor == ckHourGlass) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void TUi::ProcessMessages() {
    QCoreApplication::processEvents();
}

namespace {
QPointer<QWidget>& MainWindowStore() {
    static QPointer<QWidget> window;
    return window;
}

void* MainWindowHandle() {
    QWidget* window = MainWindowStore();
    return window ? reinterpret_cast<void*>(window->winId()) : nullptr;
}

void ProcessPendingMessages() {
    Ui().ProcessMessages();
}
} // namespace

void SetMainWindow(QWidget* window) {
    MainWindowStore() = window;
}

void InitApplication() {
    // The application object has taken LC_NUMERIC from the user's locale; the drivers loaded into
    // this process (psqlODBC, SQLite ODBC, the stand-in) format and read numbers with printf and
    // strtod, which must keep the point.
    std::setlocale(LC_NUMERIC, "C");
    SetApplicationTitle(QStringLiteral("Tarvik"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarvik"));
    InstallErrorDialog();
    SetParentWindowProvider(&MainWindowHandle);
    SetProcessMessagesHandler(&ProcessPendingMessages);
}

TUi& Ui() {
    return *installedUi;
}

TUi* SetUi(TUi* ui) {
    TUi* previous = installedUi;
    installedUi = ui ? ui : &desktopUi;
    return previous;
}

namespace {
// Kept apart from the toolkit's display name: a display name would be appended to every window
// title on X11 and Wayland ("Error — Tarvik"), and the boxes must be titled exactly.
QString& TitleStore() {
    static QString title = QStringLiteral("Tarvik");
    return title;
}
} // namespace

QString ApplicationTitle() {
    return TitleStore();
}

void SetApplicationTitle(const QString& title) {
    TitleStore() = title;
}

void ShowMessage(const QString& text) {
    Ask(ApplicationTitle(), text, bkPlain, {bbOK});
}

void InformationBox(const QString& text) {
    Ask(QStringLiteral("Information"), text, bkInformation, {bbOK});
}

bool Confirm(const QString& text) {
    return Ask(QStringLiteral("Confirm"), text, bkConfirmation, {bbYes, bbNo}) == bbYes;
}

void ErrorBox(const QString& text) {
    Ask(QStringLiteral("Error"), text, bkError, {bbOK});
}

QString ExceptionText(const std::exception& error) {
    if (const auto* own = dynamic_cast<const Exception*>(&error))
        return QString::fromStdString(own->Message());
    return QString::fromUtf8(error.what());
}

bool IsSilentAbort(const std::exception& error) {
    const auto* own = dynamic_cast<const Exception*>(&error);
    return own && std::string(own->ClassName()) == "EAbort";
}

void ShowUnhandledException(std::exception_ptr error) noexcept {
    try {
        QString text = QStringLiteral("Unknown exception");
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            if (IsSilentAbort(e)) return;
            text = ExceptionText(e);
        } catch (...) {
        }
        Ui().MessageBox(TMessageBox{ApplicationTitle(), text, bkError, {bbOK}});
    } catch (...) {
        // The last resort must not fail in turn.
    }
}

} // namespace tarvik
