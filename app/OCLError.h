#pragma once
// The paging dialog of an ODBC failure: headline, then on demand the message,
// SQLSTATE and native code of each diagnostic record, one record at a time.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QFrame;

namespace tarvik {

class EODBC;

class TOEErrorDialog : public QDialog {
    Q_OBJECT
public:
    // Pages through error's records (moving its current index); error must outlive the dialog.
    TOEErrorDialog(EODBC& error, const QString& headline, QWidget* parent = nullptr);

    static constexpr int ClientWidth = 291;
    static constexpr int CollapsedHeight = 86; // top of the bevel - 2
    static constexpr int ExpandedHeight = 245; // bottom of "Next" + 4

    QLabel* Headline = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* DetailsBtn = nullptr;
    QFrame* Bevel = nullptr;
    QPlainTextEdit* ErrorText = nullptr;
    QLineEdit* ODBCError = nullptr;
    QLineEdit* DatabaseError = nullptr;
    QPushButton* PrevBtn = nullptr;
    QPushButton* NextBtn = nullptr;

    bool Expanded() const { return FExpanded; }

    void DetailsBtnClick();
    void NextBtnClick();
    void PrevBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildLayout();
    void FormShow();
    void ShowRecord();
    void SetExpanded(bool expanded);

    EODBC& FError;
    QString FHeadline;
    bool FExpanded = false;
};

// Installs the dialog as the handler of ShowErrorDialog; it is shown through Ui().
void InstallErrorDialog();

} // namespace tarvik
