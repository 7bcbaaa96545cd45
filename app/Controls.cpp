#include "app/Controls.h"

#include <QButtonGroup>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace tarvik {

TSortedComboBox::TSortedComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

void TSortedComboBox::AddItem(const QString& text) {
    const QString typed = currentText();
    const QSignalBlocker blocker(this);
    int at = 0;
    while (at < count() && QString::compare(itemText(at), text, Qt::CaseInsensitive) <= 0)
        ++at;
    insertItem(at, text);
    setCurrentIndex(-1);
    setEditText(typed);
}

void TSortedComboBox::SetItems(const QStringList& items) {
    const QString typed = currentText();
    {
        const QSignalBlocker blocker(this);
        clear();
        setEditText(typed);
    }
    for (const QString& item : items)
        AddItem(item);
}

QStringList TSortedComboBox::Items() const {
    QStringList items;
    for (int i = 0; i < count(); ++i)
        items << itemText(i);
    return items;
}

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), FGroup(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        FGroup->addButton(button, i);
        layout->addWidget(button);
    }
}

int TRadioGroup::ItemIndex() const {
    return FGroup->checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
    if (QAbstractButton* button = FGroup->button(index)) {
        button->setChecked(true);
        return;
    }
    if (QAbstractButton* checked = FGroup->checkedButton()) {
        FGroup->setExclusive(false);
        checked->setChecked(false);
        FGroup->setExclusive(true);
    }
}

int TRadioGroup::Count() const {
    return static_cast<int>(FGroup->buttons().size());
}

QString TRadioGroup::Item(int index) const {
    QAbstractButton* button = FGroup->button(index);
    return button ? button->text() : QString();
}

void TCheckListBox::AddItem(const QString& text) {
    auto* item = new QListWidgetItem(text, this);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
}

bool TCheckListBox::Checked(int index) const {
    const QListWidgetItem* it = item(index);
    return it && it->checkState() == Qt::Checked;
}

void TCheckListBox::SetChecked(int index, bool checked) {
    if (QListWidgetItem* it = item(index)) it->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TCheckListBox::SetAllChecked(bool checked) {
    for (int i = 0; i < count(); ++i)
        SetChecked(i, checked);
}

QStringList TCheckListBox::Items() const {
    QStringList items;
    for (int i = 0; i < count(); ++i)
        items << item(i)->text();
    return items;
}

void TFileListBox::SetDirectory(const QString& directory) {
    FDirectory = directory;
    Update();
}

void TFileListBox::SetMask(const QString& mask) {
    FMask = mask;
    Update();
}

void TFileListBox::Update() {
    clear();
    if (FDirectory.isEmpty()) return;
    const QDir dir(FDirectory);
    addItems(dir.entryList(QStringList{FMask}, QDir::Files | QDir::Hidden, QDir::Name));
}

void TDirectoryListBox::SetDirectory(const QString& directory) {
    FDirectory = directory;
    clear();
    addItems(QDir(directory).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name));
}

} // namespace tarvik
