#pragma once
// The navigator bar: fourteen buttons that move through and edit the dataset of
// its binding. The bar enables each button from the dataset's state.
#include "app/DataBinding.h"

#include <QWidget>

#include <array>
#include <string>

class QToolButton;

namespace tarvik {

enum TNavigateBtn {
    nbFirst,
    nbPriorPage,
    nbPrior,
    nbNext,
    nbNextPage,
    nbLast,
    nbInsert,
    nbDelete,
    nbEdit,
    nbPost,
    nbCancel,
    nbRefresh,
    nbSaveBookmark,
    nbRestoreBookmark
};
constexpr int NavigatorButtonCount = nbRestoreBookmark + 1;
using TNavigatorStates = std::array<bool, NavigatorButtonCount>;

// Which buttons are enabled for a dataset (nullptr: none attached) and whether a bookmark is saved.
TNavigatorStates NavigatorButtonStates(const TNavigableDataSet* dataSet, bool bookmarkSaved);

class TDBNavigator : public QWidget, public TBindingClient {
    Q_OBJECT
public:
    static constexpr int ButtonSize = 25;
    static constexpr int PageSize = 10; // records moved by the page buttons
    static constexpr int RepeatDelay = 500;
    static constexpr int RepeatInterval = 100;

    explicit TDBNavigator(QWidget* parent = nullptr);
    ~TDBNavigator() override;

    static QString Hint(TNavigateBtn button);
    QToolButton* Button(TNavigateBtn button) const { return FButtons[button]; }

    TDataBinding* DataSource() const { return FDataSource; }
    // Shows dataSource's dataset (nullptr: none); not owned.
    void SetDataSource(TDataBinding* dataSource);

    // What a press of the button does; an exception reaches the application's default display.
    void BtnClick(TNavigateBtn button);

    void BindingChanged() override;
    void BindingDestroyed() override;

private:
    void Perform(TNavigateBtn button, TNavigableDataSet& dataSet);

    std::array<QToolButton*, NavigatorButtonCount> FButtons{};
    TDataBinding* FDataSource = nullptr;
    std::string FBookmark;
    bool FBookmarkSaved = false;
};

} // namespace tarvik
