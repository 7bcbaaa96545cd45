#pragma once
// A TUi that records every box and dialog and answers from a script, so window
// tests run without a person. Installed for its lifetime.
#include "app/Ui.h"
#include "odbc/ODBCError.h"

#include <QStringList>

#include <deque>
#include <vector>

namespace tarvik {

struct TRecordedErrorDialog {
    QString Headline;
    std::vector<TErrorRec> Records;
};

class TRecordingUi : public TUi {
public:
    TRecordingUi() : FPrevious(SetUi(this)) {}
    ~TRecordingUi() override { SetUi(FPrevious); }

    std::vector<TMessageBox> Boxes;
    std::deque<TBoxButton> Answers; // empty: the box's first button
    std::vector<TRecordedErrorDialog> ErrorDialogs;
    std::vector<TFileDialog> FileDialogs;
    std::deque<QString> FileAnswers; // empty string: cancelled
    int CursorChanges = 0;
    std::vector<TCursorKind> Cursors; // every cursor set, in order
    int MessageRuns = 0;

    TBoxButton MessageBox(const TMessageBox& box) override {
        Boxes.push_back(box);
        if (!Answers.empty()) {
            const TBoxButton answer = Answers.front();
            Answers.pop_front();
            return answer;
        }
        return box.Buttons.empty() ? bbCancel : box.Buttons.front();
    }
    bool ExecuteOpen(TFileDialog& dialog) override { return AnswerFile(dialog); }
    bool ExecuteSave(TFileDialog& dialog) override { return AnswerFile(dialog); }
    void ShowErrorDialog(EODBC& error, const QString& headline) override {
        ErrorDialogs.push_back({headline, error.Records()});
    }
    void SetCursor(TCursorKind cursor) override {
        FCursor = cursor;
        ++CursorChanges;
        Cursors.push_back(cursor);
    }
    void ProcessMessages() override { ++MessageRuns; }

    // The texts of every box shown so far, for failure messages.
    QString BoxTexts() const {
        QStringList texts;
        for (const TMessageBox& box : Boxes)
            texts << box.Text;
        return texts.join(QStringLiteral(" | "));
    }

private:
    bool AnswerFile(TFileDialog& dialog) {
        FileDialogs.push_back(dialog);
        QString answer;
        if (!FileAnswers.empty()) {
            answer = FileAnswers.front();
            FileAnswers.pop_front();
        }
        if (answer.isEmpty()) return false;
        dialog.FileName = answer;
        return true;
    }

    TUi* FPrevious;
};

} // namespace tarvik
