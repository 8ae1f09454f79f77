#include "mainwindow/EditCommands.h"

#include "editors/TBinaryForm.h"
#include "editors/TDWordForm.h"
#include "editors/TStringForm.h"
#include "mainwindow/RegClipboard.h"
#include "mainwindow/TUndoForm.h"
#include "registry/KeyTreeModel.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/ValueListModel.h"
#include "widgets/EscapeProgress.h"

#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QTreeView>

#include <algorithm>

namespace {

int levelOf(const QModelIndex& node)
{
    if (!node.isValid())
        return -1;
    int level = 0;
    for (QModelIndex p = node.parent(); p.isValid(); p = p.parent())
        ++level;
    return level;
}

} // namespace

EditCommands::EditCommands(QTreeView* tree, QAbstractItemView* list, KeyTreeModel& treeModel,
                           ValueListModel& valueModel, const Actions& actions, Hooks hooks, QWidget* parent)
    : QObject(parent), m_tree(tree), m_list(list), m_treeModel(treeModel), m_valueModel(valueModel),
      m_actions(actions), m_hooks(std::move(hooks)), m_window(parent), m_values(m_undo, messageSink())
{
    editString = [this](const QString& name, QString& text) {
        TStringForm form(m_window);
        form.setValue(name, text);
        if (form.exec() != QDialog::Accepted)
            return false;
        text = form.text();
        return true;
    };
    editDWord = [this](const QString& name, quint32& value) {
        TDWordForm form(m_window);
        form.setValue(name, WriteNumber(value, CharType::Hex));
        if (form.exec() != QDialog::Accepted)
            return false;
        value = form.value();
        return true;
    };
    editBinary = [this](const QString& name, QByteArray& data) {
        TBinaryForm form(m_window);
        form.setValue(name, data);
        if (form.exec() != QDialog::Accepted)
            return false;
        data = form.Text();
        return true;
    };
    chooseUndoGroups = [this] {
        TUndoForm form(m_undo, m_window);
        return form.exec() == QDialog::Accepted ? form.undoCount() : 0;
    };

    const auto bind = [this](QAction* action, void (EditCommands::*slot)()) {
        if (action)
            connect(action, &QAction::triggered, this, slot);
    };
    bind(m_actions.change, &EditCommands::ChangeClick);
    bind(m_actions.undo, &EditCommands::UndoClick);
    bind(m_actions.undoList, &EditCommands::UndoListClick);
    bind(m_actions.cut, &EditCommands::CutClick);
    bind(m_actions.copy, &EditCommands::CopyClick);
    bind(m_actions.paste, &EditCommands::PasteClick);
    // Another program or instance filling the clipboard enables or disables paste.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &EditCommands::updateCommands);
    connect(&m_undo, &TUndoList::changed, this, &EditCommands::updateCommands);
    updateCommands();
}

QList<int> EditCommands::selectedRows() const
{
    QList<int> rows;
    if (!m_list->selectionModel())
        return rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool EditCommands::keySelected() const
{
    return levelOf(m_tree->currentIndex()) >= 1;
}

void EditCommands::updateCommands()
{
    const bool onKeys = m_hooks.onKeys && m_hooks.onKeys();
    const bool onValues = !onKeys && m_hooks.listFocused && m_hooks.listFocused();
    const int level = m_hooks.commandNode ? levelOf(m_hooks.commandNode()) : -1;
    const QList<int> rows = selectedRows();
    const bool key = keySelected();
    const auto set = [](QAction* action, bool enabled) {
        if (action)
            action->setEnabled(enabled);
    };
    set(m_actions.change, onValues && key && rows.size() == 1);
    set(m_actions.undo, m_undo.CanUndo());
    set(m_actions.undoList, m_undo.CanUndo());
    const bool cutCopy = onKeys ? level >= 2 : onValues && key && !rows.isEmpty();
    set(m_actions.cut, cutCopy);
    set(m_actions.copy, cutCopy);
    set(m_actions.paste, onKeys ? level >= 1 && KeyClipAvailable() : onValues && key && ValueClipAvailable());
}

void EditCommands::refillValues()
{
    ShowKeyValues(m_hooks.currentKeyPath(), m_valueModel);
    emit listChanged();
    updateCommands();
}

// Change.

void EditCommands::ChangeClick()
{
    const QList<int> rows = selectedRows();
    if (!keySelected() || rows.isEmpty())
        return;
    changeValue(rows.first());
}

void EditCommands::changeValue(int row)
{
    const QString name = m_valueModel.row(row).valueName();
    const auto written = m_values.ChangeValue(m_hooks.currentKeyPath(), name, {editString, editDWord, editBinary});
    if (!written)
        return;
    m_valueModel.setRow(row, ValueRowFor(name, *written));
    emit listChanged();
}

// Undo.

void EditCommands::UndoClick()
{
    m_undo.UndoLastGroup();
    refillValues();
}

void EditCommands::UndoListClick()
{
    m_values.UndoGroups(chooseUndoGroups());
    refillValues();
}

void EditCommands::recordAddedValue(const QString& keyPath, const QString& name)
{
    m_values.RecordAddedValue(keyPath, name);
}

void EditCommands::recordRename(const QString& keyPath, const QString& oldName, const QString& newName)
{
    m_values.RecordRename(keyPath, oldName, newName);
}

void EditCommands::deleteSelectedValues(bool ask)
{
    const QList<int> rows = selectedRows();
    const QString keyPath = m_hooks.currentKeyPath();
    if (rows.isEmpty() || !keySelected())
        return;
    if (ask) {
        const QString& caption = m_valueModel.row(rows.first()).caption;
        const QString question = rows.size() == 1
                                     ? QStringLiteral("Wert '") + caption + QStringLiteral("' wirklich löschen?")
                                     : QString::number(rows.size()) + QStringLiteral(" Werte wirklich löschen?");
        if (!AskYesNo(question))
            return;
    }
    // Last row first, so that the rows still to go keep their places.
    QStringList names;
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        names.append(m_valueModel.row(*it).valueName());
    const QStringList gone = m_values.DeleteValues(keyPath, names);
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        const ValueRow row = m_valueModel.row(*it);
        if (!gone.contains(row.valueName()))
            continue;
        if (row.isDefault)
            m_valueModel.setRow(*it, ValueListModel::unsetDefaultRow());
        else
            m_valueModel.removeRow(*it);
    }
    emit listChanged();
    updateCommands();
}

// Clipboard.

void EditCommands::CopyClick()
{
    if (m_hooks.onKeys())
        copyOrCutKey(false);
    else if (m_hooks.listFocused())
        (void)copyValues();
}

void EditCommands::CutClick()
{
    if (m_hooks.onKeys())
        copyOrCutKey(true);
    else if (m_hooks.listFocused() && copyValues())
        deleteSelectedValues(false);
}

void EditCommands::PasteClick()
{
    if (m_hooks.onKeys())
        pasteKey();
    else if (m_hooks.listFocused())
        pasteValues();
}

void EditCommands::copyOrCutKey(bool cut)
{
    const QModelIndex node = m_hooks.commandNode();
    if (levelOf(node) < 2)
        return;
    PutKeyClip(cut, CurrentMachine(), ExcludeTrailingBackslash(GetNodePath(m_treeModel, node)));
}

bool EditCommands::copyValues()
{
    if (!keySelected())
        return false;
    QStringList names;
    for (int row : selectedRows())
        names.append(m_valueModel.row(row).valueName());
    return !names.isEmpty() && PutValueClip(m_hooks.currentKeyPath(), names) > 0;
}

void EditCommands::pasteKey()
{
    const QModelIndex node = m_hooks.commandNode();
    if (levelOf(node) < 1)
        return;
    const auto clip = GetKeyClip();
    if (!clip)
        return;
    {
        EscapeProgress progress;
        (void)PasteKey(*clip, GetNodePath(m_treeModel, node), progress);
    }
    if (m_hooks.refreshTree)
        m_hooks.refreshTree();
    emit listChanged();
}

void EditCommands::pasteValues()
{
    if (!keySelected())
        return;
    (void)PasteValueClip(m_hooks.currentKeyPath(), &m_undo);
    refillValues();
}
