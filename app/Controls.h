#pragma once
// Small controls the window needs beyond the plain Qt widgets.
#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>

class QButtonGroup;

namespace tarvik {

// An editable drop-down combo box whose list is kept sorted (case-insensitive).
// Filling the list never changes the typed text and never emits a change.
class TSortedComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TSortedComboBox(QWidget* parent = nullptr);
    // Inserts at its sorted place.
    void AddItem(const QString& text);
    // Replaces the list.
    void SetItems(const QStringList& items);
    QStringList Items() const;
};

// A captioned group of radio buttons, one of which is chosen (ItemIndex -1: none).
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);
    int ItemIndex() const;
    void SetItemIndex(int index);
    int Count() const;
    QString Item(int index) const;

private:
    QButtonGroup* FGroup;
};

// A list of items with check boxes.
class TCheckListBox : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
    // Adds an unchecked item.
    void AddItem(const QString& text);
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);
    void SetAllChecked(bool checked);
    QStringList Items() const;
};

// The ordinary files of a directory that match a mask, sorted by name.
class TFileListBox : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
    QString Directory() const { return FDirectory; }
    QString Mask() const { return FMask; }
    void SetDirectory(const QString& directory);
    void SetMask(const QString& mask);
    // Re-reads the directory.
    void Update();

private:
    QString FDirectory;
    QString FMask = QStringLiteral("*.*");
};

// The directory chosen for a local-engine alias (a list of its subdirectories).
class TDirectoryListBox : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
    QString Directory() const { return FDirectory; }
    void SetDirectory(const QString& directory);

private:
    QString FDirectory;
};

} // namespace tarvik
