#include "app/DBNavigator.h"

#include "app/Ui.h"

#include <QToolButton>

namespace tarvik {

namespace {
struct TButtonLook {
    const char* Glyph;
    const char* Hint;
    bool Repeats; // holding a button that moves repeats it; one that changes data never repeats
};

constexpr std::array<TButtonLook, NavigatorButtonCount> looks{{
    {"|<", "Move to first record", false},
    {"<<", "Move backward 10 records", true},
    {"<", "Move to prior record", true},
    {">", "Move to next record", true},
    {">>", "Move forward 10 records", true},
    {">|", "Move to last record", false},
    {"+", "Insert new record", false},
    {"-", "Delete current record", false},
    {"^", "Edit current record", false},
    {"\u2713", "Post changes of current record", false},
    {"x", "Cancel changes made to current record", false},
    {"\u21bb", "Refresh the contents of the dataset", false},
    {"B", "Bookmark current record", false},
    {"G", "Go back to saved bookmark", false},
}};
} // namespace

TNavigatorStates NavigatorButtonStates(const TNavigableDataSet* dataSet, bool bookmarkSaved) {
    TNavigatorStates states{};
    if (!dataSet || !dataSet->Active()) return states;
    const bool up = !dataSet->Bof();
    const bool down = !dataSet->Eof();
    const bool modify = dataSet->CanModify();
    const bool editing = dataSet->Editing();
    states[nbFirst] = states[nbPriorPage] = states[nbPrior] = up;
    states[nbNext] = states[nbNextPage] = states[nbLast] = down;
    states[nbInsert] = modify;
    states[nbDelete] = modify && !(dataSet->Bof() && dataSet->Eof());
    states[nbEdit] = modify && !editing;
    states[nbPost] = states[nbCancel] = modify && editing;
    states[nbRefresh] = !editing;
    states[nbSaveBookmark] = true;
    states[nbRestoreBookmark] = bookmarkSaved;
    return states;
}

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent) {
    for (int i = 0; i < NavigatorButtonCount; ++i) {
        auto* button = new QToolButton(this);
        const TButtonLook& look = looks[i];
        button->setText(QString::fromUtf8(look.Glyph));
        button->setToolTip(QString::fromUtf8(look.Hint));
        button->setGeometry(i * ButtonSize, 0, ButtonSize, ButtonSize);
        button->setAutoRepeat(look.Repeats);
        button->setAutoRepeatDelay(RepeatDelay);
        button->setAutoRepeatInterval(RepeatInterval);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, [this, i] { BtnClick(static_cast<TNavigateBtn>(i)); });
        FButtons[i] = button;
    }
    setFixedSize(NavigatorButtonCount * ButtonSize, ButtonSize);
    BindingChanged();
}

TDBNavigator::~TDBNavigator() {
    if (FDataSource) FDataSource->Detach(this);
}

QString TDBNavigator::Hint(TNavigateBtn button) {
    return QString::fromUtf8(looks[button].Hint);
}

void TDBNavigator::SetDataSource(TDataBinding* dataSource) {
    if (FDataSource) FDataSource->Detach(this);
    FDataSource = dataSource;
    if (FDataSource) FDataSource->Attach(this);
    FBookmarkSaved = false;
    BindingChanged();
}

void TDBNavigator::BindingChanged() {
    const TNavigatorStates states =
        NavigatorButtonStates(FDataSource ? FDataSource->DataSet() : nullptr, FBookmarkSaved);
    for (int i = 0; i < NavigatorButtonCount; ++i)
        FButtons[i]->setEnabled(states[i]);
}

void TDBNavigator::BindingDestroyed() {
    FDataSource = nullptr;
    FBookmarkSaved = false;
    BindingChanged();
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
    TNavigableDataSet* dataSet = FDataSource ? FDataSource->DataSet() : nullptr;
    if (!dataSet || !dataSet->Active()) return;
    try {
        Perform(button, *dataSet);
    } catch (...) {
        ShowUnhandledException(std::current_exception());
    }
    BindingChanged();
}

void TDBNavigator::Perform(TNavigateBtn button, TNavigableDataSet& dataSet) {
    switch (button) {
    case nbFirst:
        dataSet.First();
        break;
    case nbPriorPage:
        dataSet.MoveBy(-PageSize);
        break;
    case nbPrior:
        dataSet.Prior();
        break;
    case nbNext:
        dataSet.Next();
        break;
    case nbNextPage:
        dataSet.MoveBy(PageSize);
        break;
    case nbLast:
        dataSet.Last();
        break;
    case nbInsert:
        dataSet.Insert();
        break;
    case nbDelete:
        if (Confirm(QStringLiteral("Delete record?"))) dataSet.Delete();
        break;
    case nbEdit:
        dataSet.Edit();
        break;
    case nbPost:
        dataSet.Post();
        break;
    case nbCancel:
        dataSet.Cancel();
        break;
    case nbRefresh:
        dataSet.Refresh();
        break;
    case nbSaveBookmark:
        FBookmark = dataSet.Bookmark();
        FBookmarkSaved = true;
        break;
    case nbRestoreBookmark:
        dataSet.GotoBookmark(FBookmark);
        break;
    }
}

} // namespace tarvik
