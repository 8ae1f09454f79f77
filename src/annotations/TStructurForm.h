#pragma once

// The structure manager: builds a tree of key names below "Root-Schlüssel", loads and saves it as a
// structure file of the structure directory, or starts from the subkey tree of a registry key.

#include "annotations/StructureFile.h"

#include <QDialog>

#include <functional>
#include <optional>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TStructurForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TStructurForm)

public:
    // directory: the structure directory. With a key path the tree starts as that key's subkey tree.
    explicit TStructurForm(const QString& directory, const QString& keyPath = QString(), QWidget* parent = nullptr);

    // The name prompts and the structure picker; tests answer them instead of showing them.
    std::function<std::optional<QString>(const QString& title, const QString& label, const QString& text)> askText;
    std::function<QString(const QString& directory)> pickStructure; // the file chosen, empty on cancel

    [[nodiscard]] Structure structure() const;
    [[nodiscard]] QTreeWidget* tree() const { return m_tree; }
    [[nodiscard]] bool isModified() const { return m_modified; }
    [[nodiscard]] QString currentFile() const { return m_file; }

public slots:
    void NewClick();
    void AddClick();
    void EditClick();
    void RemoveClick();
    void LoadClick();
    void SaveClick();
    void reject() override;

private:
    void resetTree();
    // Fills the tree; false when the nodes do not form one tree below a single top node.
    bool showStructure(const Structure& structure);
    void selectFirst();
    void setCaption(const QString& name);
    void updateButtons();
    [[nodiscard]] bool mayDiscard() const;
    // Shows the message when the name cannot stand beside the other children; sibling is skipped.
    [[nodiscard]] bool acceptableName(const QString& name, const QTreeWidgetItem* parent,
                                      const QTreeWidgetItem* sibling) const;
    void sortChildren(QTreeWidgetItem* parent);

    QString m_directory;
    QString m_file;
    bool m_modified = false;
    QTreeWidget* m_tree = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_remove = nullptr;
};
