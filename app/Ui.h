#pragma once
// Everything the window asks of a person or of the desktop goes through TUi:
// message boxes, file dialogs, the error dialog, the mouse cursor and pending
// window messages. Window tests install a recording fake with scripted answers.
#include <QString>

#include <exception>
#include <string>
#include <vector>

class QWidget;

namespace tarvik {
class EODBC;

enum TBoxKind { bkPlain, bkInformation, bkConfirmation, bkWarning, bkError };
enum TBoxButton { bbOK, bbYes, bbNo, bbCancel };
enum TCursorKind { ckDefault, ckHourGlass };

struct TMessageBox {
    QString Title;
    QString Text;
    TBoxKind Kind = bkPlain;
    std::vector<TBoxButton> Buttons;
};

// A file dialog's settings; Execute* updates FileName and FilterIndex from the user's choice.
struct TFileDialog {
    QString Title;
    QString FileName;    // initial name, then the chosen one (with its directory)
    QString DefaultExt;  // appended when the typed name has no extension ("*.db" and "db" alike)
    QString Filter;      // "Paradox|*.db|dBase|*.dbf": description and pattern pairs
    int FilterIndex = 1; // 1-based, as chosen by the user
    QString InitialDir;
};

class TUi {
public:
    virtual ~TUi() = default;
    // Shows a modal box and returns the button chosen (bbCancel when the box was closed another way).
    virtual TBoxButton MessageBox(const TMessageBox& box);
    // Shows a file-open dialog; false when cancelled (the settings stay unchanged then).
    virtual bool ExecuteOpen(TFileDialog& dialog);
    // Shows a file-save dialog without an overwrite prompt; false when cancelled.
    virtual bool ExecuteSave(TFileDialog& dialog);
    // Shows the paging dialog of an ODBC failure modally; the dialog moves the error's current record.
    virtual void ShowErrorDialog(EODBC& error, const QString& headline);
    virtual void SetCursor(TCursorKind cursor);
    virtual TCursorKind Cursor() const { return FCursor; }
    // Lets queued window messages run (repaints of progress labels, for example).
    virtual void ProcessMessages();

protected:
    TCursorKind FCursor = ckDefault;
};

// The installed seam; the desktop implementation unless a test installed another.
TUi& Ui();
// Installs ui (not owned; nullptr restores the desktop one) and returns the previous one.
TUi* SetUi(TUi* ui);

// A text of the window, written in UTF-8 in the sources (č, š, ž).
inline QString Txt(const char8_t* text) {
    return QString::fromUtf8(text);
}

// The application title shown in captions ("Tarvik").
QString ApplicationTitle();
// Replaces the application title; never throws.
void SetApplicationTitle(const QString& title);
// The program entry's set-up, once a QApplication exists: LC_NUMERIC back to "C", application title
// "Tarvik", the error dialog, the main window (see SetMainWindow) as the parent of driver dialogs,
// pending window messages processed while a statement polls the driver. Never throws.
void InitApplication();
// The window whose native handle parents driver dialogs (not owned; tracked until destroyed).
void SetMainWindow(QWidget* window);

// A plain message titled with the application title and one "OK".
void ShowMessage(const QString& text);
// An information box with one "OK".
void InformationBox(const QString& text);
// A confirmation box with "Yes" and "No"; true only for "Yes".
bool Confirm(const QString& text);
// The error box: title "Error", error icon, one "OK".
void ErrorBox(const QString& text);

// The text of an exception: Message of ours, what() of others.
QString ExceptionText(const std::exception& error);
// True for the silent abort, recognised by its class name.
bool IsSilentAbort(const std::exception& error);
// The application's default display of an exception no handler caught: its message in an
// error box titled with the application title; nothing for the silent abort. Never throws.
void ShowUnhandledException(std::exception_ptr error) noexcept;

} // namespace tarvik
