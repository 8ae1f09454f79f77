#pragma once

// The dialog "Schlüssel ausschließen": the lines of the exclusion list with their two check marks
// (active; subkeys too) and the key path, filled from the main window's current key or from the
// marked rows of the change list. "&Ok" writes the list back, "&Abbruch" forgets every edit.

#include <QDialog>
#include <QStringList>

class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

class TExcludeForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TExcludeForm)

public:
    // currentKey: the main window's current key path, empty when there is none; markedKeys: the key
    // column of each marked change-list row, in list order.
    TExcludeForm(const QString& fileName, const QString& currentKey, const QStringList& markedKeys,
                 QWidget* parent = nullptr);

    [[nodiscard]] const QStringList& lines() const { return m_lines; }
    [[nodiscard]] QTreeWidget* list() const { return m_list; }

public slots:
    void accept() override;
    void AddClick();
    void RemoveClick();

private:
    void showLines(int selectRow);
    void onItemChanged(QTreeWidgetItem* item, int column);
    void updateButtons();

    QString m_fileName;
    QString m_currentKey;
    QStringList m_markedKeys;
    QStringList m_lines;
    QTreeWidget* m_list = nullptr;
    QRadioButton* m_keyChoice = nullptr;
    QRadioButton* m_selectionChoice = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    bool m_filling = false;
};
