#pragma once

// The main window's ways of moving around: the navigation history on the history bar (back, forward,
// picking and typing a key path, the history editor), the favorites page, and the machine list on the
// network bar with connecting, disconnecting and completing a machine change.
//
// How the main window hooks it up (TMainForm, after its views, menus and tool bars exist and its tree
// root is built, before the start steps that read the lists):
//
//   NavigationCommands::Widgets w{m_tree, m_historyCombo, m_machineCombo, m_favoriteList};
//   NavigationCommands::Actions a;
//   a.back = action("Back1");             a.forward = action("Forward1");
//   a.editHistory = action("EditHistory1");
//   a.netConnect = action("NetConnect1"); a.netDisconnect = action("NetDisconnect1");
//   // a.favAdd ... a.favSave may stay null: they are then created here; place them (favoriteActions())
//   // on a small tool bar above m_favoriteList.
//   NavigationCommands::Hooks h;
//   h.saveTreeState = [this](const QString& f) { return saveTreeState(f); };
//   h.loadTreeState = [this](const QString& f) { return loadTreeState(f); };
//   h.machineLeft = [this] { /* stop the watch, empty the value list and the information page */ };
//   h.updateCommands = [this] { UpdateCommands(); };
//   m_navigation = new NavigationCommands(w, a, h, this);
//
// The object connects the actions' triggered signals, the combo boxes' activated signals, the Enter key
// of the history box and the tree's current-node changes (which record the history) by itself. The
// actions must not be connected elsewhere; their enabled state is kept here (back/forward follow the
// history position, favorite remove/open need exactly one selected row).
//
// Start steps: 7. loadMachineList(); 8. loadHistory(); 9. loadFavorites().
// Shutdown steps, after the tree-state files of every listed machine were deleted (step 5):
//   6. saveMachineList(); 7. saveHistory(); 8. saveFavorites().
// Other parts open keys with OpenKeyInTree(path, *m_tree). Aliases plug in through Hooks::resolveAlias.

#include "mainwindow/NavigationHistory.h"

#include <QModelIndex>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class KeyTreeModel;
class QAction;
class QComboBox;
class QLineEdit;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
struct Favorite;

// Opens a key path in the tree: the key must open read-only; then the tree is walked from the machine
// node, matching each component without regard to case and expanding (loading) each node on the way.
// The node found is selected unless it is already, scrolled into view, and the tree gets the focus when
// its window shows. Returns whether the node was found.
bool OpenKeyInTree(const QString& keyPath, QTreeView& tree);

class NavigationCommands final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NavigationCommands)

public:
    struct Widgets {
        QTreeView* tree = nullptr;         // the key tree; its model is a KeyTreeModel
        QComboBox* historyCombo = nullptr; // editable
        QComboBox* machineCombo = nullptr;
        QTreeWidget* favoriteList = nullptr; // columns "Beschreibung", "Schlüssel"
    };
    struct Actions {
        QAction* back = nullptr;
        QAction* forward = nullptr;
        QAction* editHistory = nullptr;
        QAction* netConnect = nullptr;
        QAction* netDisconnect = nullptr;
        QAction* favAdd = nullptr;
        QAction* favRemove = nullptr;
        QAction* favOpen = nullptr;
        QAction* favLoad = nullptr;
        QAction* favSave = nullptr;
    };
    // Every hook is optional; the defaults work on the widgets alone.
    struct Hooks {
        std::function<bool(const QString& keyPath)> openKeyInTree;  // default OpenKeyInTree
        std::function<QString(const QString& typed)> resolveAlias;  // default: the text itself
        std::function<bool(const QString& fileName)> saveTreeState; // default TreeStateFile::save
        std::function<bool(const QString& fileName)> loadTreeState; // default TreeStateFile::load, selects
        std::function<void()> machineLeft;    // drop what belongs to the old machine's registry
        std::function<void()> updateCommands; // after navigating and switching
        // The machine-name dialog (TMachineForm); empty for cancel.
        std::function<QString(const QStringList& knownMachines)> askMachineName;
        // The history editor (THistoryForm); true on "&Ok" with the edited entries.
        std::function<bool(QStringList& entries)> editHistory;
        QString localComputerName; // default: the host name
    };

    NavigationCommands(const Widgets& widgets, const Actions& actions, Hooks hooks, QObject* parent = nullptr);

    [[nodiscard]] NavigationHistory& history() { return m_history; }
    [[nodiscard]] QString currentKeyPath() const;
    [[nodiscard]] QList<QAction*> favoriteActions() const;
    [[nodiscard]] QList<Favorite> favorites() const;
    [[nodiscard]] QStringList machines() const;

    // Start and shutdown steps (see above).
    void loadMachineList();
    void loadHistory();
    void loadFavorites();
    void saveMachineList();
    void saveHistory();
    void saveFavorites();

public slots:
    void BackClick();
    void ForwardClick();
    void EditHistoryClick();
    // Enter in the history box.
    void HistoryEntered(const QString& typed);
    void AddFavoriteClick();
    void RemoveFavoriteClick();
    void OpenFavoriteClick();
    void LoadFavoritesClick();
    void SaveFavoritesClick();
    void NetConnectClick();
    void NetDisconnectClick();
    // The user chose an entry of the machine list.
    void MachinePicked(int index);

private:
    void onCurrentNodeChanged(const QModelIndex& current);
    // Renamed and deleted keys take their history entries along.
    void onNodeChanged(const QModelIndex& node);
    void onNodesAboutToGo(const QModelIndex& parent, int first, int last);
    void onNodesGone();
    void openHistoryEntry();
    void showHistory();
    void updateActions();
    bool openKey(const QString& keyPath);
    void completeMachineChange(const QString& oldMachine);
    void showConnectedMachine();
    void setMachines(const QStringList& machines, int current);
    void setFavorites(QList<Favorite> favorites);
    int favoriteRow(const QString& keyPath) const;
    QTreeWidgetItem* addFavoriteRow(const Favorite& favorite);
    void onFavoriteChanged(QTreeWidgetItem* item, int column);
    [[nodiscard]] int selectedFavoriteRow() const;
    [[nodiscard]] QStringList knownMachines() const;

    Widgets m_w;
    Actions m_a;
    Hooks m_hooks;
    KeyTreeModel* m_model = nullptr;
    // The selected node and its path when it was selected: a rename of it rewrites the history.
    const void* m_lastNode = nullptr;
    QString m_lastPath;
    QStringList m_goingPaths;
    NavigationHistory m_history;
};
