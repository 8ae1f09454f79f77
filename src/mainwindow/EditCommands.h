#pragma once

// The window side of the main window's value editing, edit undo and clipboard commands (the registry
// work and the undo records are ValueCommands' and PasteKey's; this class asks, shows and updates the
// views): "Än&dern" (F1), "&Rückgängig"
// (Ctrl+Alt+Z), "Rü&ckgängig - Auswahlliste", "Ausschne&iden", "K&opieren" and "Ein&fügen" on keys and
// values, with the undo list they record into and the enabling of those commands, which also follows
// the clipboard (another program or instance putting keys or values on it enables paste).
//
// How the main window uses it (TMainForm):
//
//   1. After buildViews() and buildMenus() (the actions exist) and before the settings are read:
//        EditCommands::Hooks hooks;
//        hooks.currentKeyPath = [this] { return m_currentKeyPath; };
//        hooks.commandNode = [this] { return commandNode(); };
//        hooks.onKeys = [this] { return m_keyContextActive || treeFocused(); };
//        hooks.listFocused = [this] { return listFocused(); };
//        hooks.refreshTree = [this] { RefreshTree(); };
//        EditCommands::Actions actions{action("Change1"), action("Undo1"), action("UndoList1"),
//                                      action("Cut1"), action("Copy1"), action("Paste1")};
//        m_edit = new EditCommands(m_tree, m_list, *m_treeModel, *m_valueModel, actions, hooks, this);
//      EditCommands connects the six actions' triggered signals itself and enables and disables them;
//      addCommand stays as it is for them (no slot, "kavenBuilt" false, so TMainForm::UpdateCommands
//      leaves them alone).
//   2. When the settings have been read and after the options dialog closed with OK:
//        m_edit->undoList().SetCapacity(Options().maxUndo);
//   3. TMainForm::UpdateCommands() ends with m_edit->updateCommands().
//   4. Recording of the main window's own value edits:
//        newValue():       after CreateNewValue succeeded: m_edit->recordAddedValue(m_currentKeyPath, name)
//                          with the new row's valueName();
//        onValueEdited():  after RenameValue succeeded: m_edit->recordRename(m_currentKeyPath,
//                          old.valueName(), newText);
//        deleteValues():   replace its body by m_edit->deleteSelectedValues(true);
//        ImportRegFileClick() hands undoList() to ImportRegFileCommand, which empties it whenever the
//        file was read (every bulk tool later: undoList().Clear()).
//      connect(m_edit, &EditCommands::listChanged, this, &TMainForm::UpdateCommands);
//   5. The tool bar buttons "Rückgängig", "Ausschneiden", "Kopieren", "Einfügen" and both context
//      menus use the same QAction objects, so nothing else is needed for them.

#include "mainwindow/TUndoList.h"
#include "mainwindow/ValueCommands.h"

#include <QModelIndex>
#include <QObject>
#include <QString>

#include <functional>

class KeyTreeModel;
class QAbstractItemView;
class QAction;
class QByteArray;
class QTreeView;
class QWidget;
class ValueListModel;

class EditCommands final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EditCommands)

public:
    struct Actions {
        QAction* change = nullptr;
        QAction* undo = nullptr;
        QAction* undoList = nullptr;
        QAction* cut = nullptr;
        QAction* copy = nullptr;
        QAction* paste = nullptr;
    };
    struct Hooks {
        std::function<QString()> currentKeyPath;
        std::function<QModelIndex()> commandNode; // the right-clicked node in the key menu, else the selected one
        std::function<bool()> onKeys;             // key context menu open or tree focused
        std::function<bool()> listFocused;
        std::function<void()> refreshTree;
    };

    // parent: the main window (dialogs open over it).
    EditCommands(QTreeView* tree, QAbstractItemView* list, KeyTreeModel& treeModel, ValueListModel& valueModel,
                 const Actions& actions, Hooks hooks, QWidget* parent);

    [[nodiscard]] TUndoList& undoList() { return m_undo; }

    // The editors of the change command; each returns false when cancelled. Tests replace them.
    std::function<bool(const QString& name, QString& text)> editString;
    std::function<bool(const QString& name, quint32& value)> editDWord;
    std::function<bool(const QString& name, QByteArray& data)> editBinary;
    // The undo selection dialog: returns how many of the newest groups to take back (0: none).
    std::function<int()> chooseUndoGroups;

    void ChangeClick();
    void UndoClick();
    void UndoListClick();
    void CutClick();
    void CopyClick();
    void PasteClick();

    // Deletes the selected values of the current key, last row first, recording them as one undo
    // group; with ask, the question comes first.
    void deleteSelectedValues(bool ask);
    void recordAddedValue(const QString& keyPath, const QString& name);
    void recordRename(const QString& keyPath, const QString& oldName, const QString& newName);
    void updateCommands();

signals:
    // The value list or the tree changed under a command (the main window re-enables its own commands).
    void listChanged();

private:
    [[nodiscard]] QList<int> selectedRows() const;
    [[nodiscard]] bool keySelected() const;
    void copyOrCutKey(bool cut);
    bool copyValues();
    void pasteKey();
    void pasteValues();
    void refillValues();
    void changeValue(int row);

    QTreeView* m_tree;
    QAbstractItemView* m_list;
    KeyTreeModel& m_treeModel;
    ValueListModel& m_valueModel;
    Actions m_actions;
    Hooks m_hooks;
    QWidget* m_window;
    TUndoList m_undo;
    ValueCommands m_values;
};
