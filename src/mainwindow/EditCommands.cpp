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
#include "registry/RegistryAccessor.h"
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

ValueRow rowOf(const QString& name, const TRegValue& value)
{
    ValueRow row;
    row.isDefault = name.isEmpty();
    row.caption = row.isDefault ? DefaultValueCaption : name;
    row.type = TypeNameOfCode(value.DataType);
    row.data = ValueDataText(value);
    row.size = ValueSizeText(value);
    row.image = ValueImageIndex(value.DataType);
    return row;
}

// The text of REG_EXPAND_SZ data: up to the first zero.
QString expandText(const QByteArray& data)
{
    const qsizetype end = data.indexOf('\0');
    return QString::fromUtf8(end < 0 ? data : data.left(end));
}

} // namespace

EditCommands::EditCommands(QTreeView* tree, QAbstractItemView* list, KeyTreeModel& treeModel,
                           ValueListModel& valueModel, const Actions& actions, Hooks hooks, QWidget* parent)
    : QObject(parent), m_tree(tree), m_list(list), m_treeModel(treeModel), m_valueModel(valueModel),
      m_actions(actions), m_hooks(std::move(hooks)), m_window(parent)
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
    const QString keyPath = m_hooks.currentKeyPath();
    const QString name = m_valueModel.row(row).valueName();
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    if (!ConnectRootKey(reg, GetRootKey(keyPath), true)
        || !reg.openKey(QStringLiteral("\\") + GetSubKeyPath(keyPath), false))
        return;
    TRegValue old;
    bool wasSet = ReadValue(reg.currentKey(), name, old);
    if (!wasSet) {
        if (!name.isEmpty()) {
            ShowError(QStringLiteral("Kann Wert nicht bearbeiten."));
            return;
        }
        old = MakeRegValue(REG_SZ, QString(), 0, {}); // the unset default value edits as an empty string
    }
    TRegValue edited = old;
    bool accepted = false;
    if (old.DataType == REG_SZ) {
        accepted = editString(name, edited.StringData);
    } else if (old.DataType == REG_EXPAND_SZ) {
        QString text = expandText(old.BinaryData);
        accepted = editString(name, text);
        edited.BinaryData = text.toUtf8() + '\0';
    } else if (old.DataType == REG_DWORD) {
        accepted = editDWord(name, edited.DWordData);
    } else {
        accepted = editBinary(name, edited.BinaryData);
    }
    if (!accepted)
        return;
    if (!WriteValue(reg.currentKey(), name, edited)) {
        ShowError(QStringLiteral("Änderung misslungen!"));
        return;
    }
    m_undo.Add(MakeUndoItem(wasSet ? UndoKind::ValueChanged : UndoKind::ValueAdded, keyPath, old, name));
    m_valueModel.setRow(row, rowOf(name, edited));
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
    const int groups = chooseUndoGroups();
    for (int i = 0; i < groups && m_undo.CanUndo(); ++i)
        m_undo.UndoLastGroup();
    refillValues();
}

void EditCommands::recordAddedValue(const QString& keyPath, const QString& name)
{
    m_undo.Add(MakeUndoItem(UndoKind::ValueAdded, keyPath, {}, name));
}

void EditCommands::recordRename(const QString& keyPath, const QString& oldName, const QString& newName)
{
    TRegValue value;
    if (!ReadValuePath(keyPath, newName, value))
        value.DataType = REG_NONE;
    m_undo.Add(MakeRenameUndoItem(keyPath, oldName, newName, value.DataType));
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
    m_undo.BeginGroup();
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        const ValueRow row = m_valueModel.row(*it);
        TRegValue old;
        const bool read = ReadValuePath(keyPath, row.valueName(), old);
        if (DeleteValuePath(keyPath, row.valueName(), true) != RegResult::Success)
            continue;
        // A value that could not be read cannot be brought back.
        if (read)
            m_undo.Add(MakeUndoItem(UndoKind::ValueDeleted, keyPath, old, row.valueName()));
        if (row.isDefault)
            m_valueModel.setRow(*it, ValueListModel::unsetDefaultRow());
        else
            m_valueModel.removeRow(*it);
    }
    m_undo.EndGroup();
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
