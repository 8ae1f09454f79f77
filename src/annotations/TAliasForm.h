#pragma once

// The alias manager "Aliasnamen bearbeiten": every alias of alias.dat in file order. Aliases are only
// given to keys that exist. "&Ok" writes the list in row order; "&Abbruch" writes nothing.

#include "annotations/AliasFile.h"

#include <QDialog>

#include <functional>
#include <optional>

class QPushButton;
class QTreeWidget;

class TAliasForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TAliasForm)

public:
    TAliasForm(const QString& fileName, const QString& currentKeyPath, QWidget* parent = nullptr);

    // Runs the alias editor; true on "&OK". Tests fill the editor here instead of showing it.
    std::function<bool(QDialog& editor)> runEditor;

    [[nodiscard]] QList<AliasEntry> aliases() const;
    [[nodiscard]] QTreeWidget* list() const { return m_list; }

public slots:
    void AddCurrentKeyClick();
    void EditClick();
    void RemoveClick();
    void accept() override;

private:
    void addRow(const AliasEntry& alias);
    void updateButtons();
    // The editor's result for a key that exists; none on cancel or (with the message) a missing key.
    [[nodiscard]] std::optional<AliasEntry> edit(const AliasEntry& alias);

    QString m_fileName;
    QString m_currentKeyPath;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_remove = nullptr;
};
