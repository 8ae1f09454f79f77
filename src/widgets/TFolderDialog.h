#pragma once

// A folder picker rooted at "Arbeitsplatz": below it the file system's root, the user's home folder and
// the mounted drives, each opened folder by folder. Only folders are listed (no file is ever opened),
// hidden ones after the others. OK takes the selected folder.

#include <QDialog>

class QLabel;
class QModelIndex;
class QPushButton;
class QStandardItem;
class QStandardItemModel;
class QTreeView;

class TFolderDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFolderDialog)

public:
    explicit TFolderDialog(QWidget* parent = nullptr);

    // Opens the way to the folder and selects it; a path that does not exist selects what exists of it.
    void setFolder(const QString& path);
    // The selected folder, empty while "Arbeitsplatz" or nothing is selected.
    [[nodiscard]] QString folder() const;
    [[nodiscard]] QTreeView* tree() const { return m_tree; }

    // The folders shown below "Arbeitsplatz": "/", the home folder, then each mounted drive.
    [[nodiscard]] static QStringList roots();
    // The chosen folder, or empty when cancelled. start may be empty.
    [[nodiscard]] static QString choose(QWidget* parent, const QString& title, const QString& start);

private:
    void fill(QStandardItem* item);
    void selectionChanged();

    QStandardItemModel* m_model;
    QTreeView* m_tree;
    QLabel* m_path;
    QPushButton* m_ok = nullptr;
};
