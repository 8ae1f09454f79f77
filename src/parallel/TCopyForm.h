#pragma once

// The parallel view: a second key tree and value list on the main window's registry connection, with
// its own navigation history ("copyhistory.dat" per machine). It browses and copies into the program's
// clipboard; it changes nothing in the registry. The main window owns at most one of it.

#include <QMainWindow>
#include <QHash>
#include <QPersistentModelIndex>

#include <functional>

class KeyTreeModel;
class NavigationCommands;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QSplitter;
class QToolButton;
class QTreeView;
class ValueListModel;

class TCopyForm final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TCopyForm)

public:
    // What the parallel view asks of the main window; every hook is optional.
    struct Hooks {
        std::function<QString()> mainKeyPath;                     // empty at the main machine node
        std::function<bool(const QString& keyPath)> openInMain;   // selects the key in the main tree
        std::function<QString()> machineName;                     // the connected machine, "" locally
        std::function<QString(const QString& typed)> resolveAlias; // alias names to key paths
    };

    explicit TCopyForm(Hooks hooks, QWidget* parent = nullptr);
    ~TCopyForm() override;

    // Key path of the selected node; empty for the machine node.
    [[nodiscard]] QString CurrentKeyPath() const { return m_currentKeyPath; }
    [[nodiscard]] QTreeView* keyTree() const { return m_tree; }
    [[nodiscard]] QTreeView* valueList() const { return m_list; }
    [[nodiscard]] KeyTreeModel& treeModel() const { return *m_treeModel; }
    [[nodiscard]] ValueListModel& valueModel() const { return *m_valueModel; }
    [[nodiscard]] NavigationCommands& navigation() const { return *m_navigation; }
    [[nodiscard]] QComboBox* historyBox() const { return m_historyCombo; }
    // Commands by object name: "Back1", "Forward1", "OpenInMain1", "OpenFromMain1", "EditHistory1",
    // key menu "CopyKey1", "StandardView1", "CopyKeyPath1", "ShowCurrentKey1", "KeyProperties1",
    // value menu "CopyValues1", "ValueProperties1", and "Close1".
    [[nodiscard]] QAction* action(const QString& name) const { return m_actions.value(name); }
    [[nodiscard]] QString statusText() const;
    [[nodiscard]] QModelIndex selectedNode() const;
    void selectNode(const QModelIndex& node);
    // The tree pane's width, as the window menu copies it between the two windows.
    [[nodiscard]] int treeWidth() const;
    void setTreeWidth(int width);

    // Recomputes the buttons' and commands' enabled states (the main window calls it when its own
    // current key changes).
    void UpdateCommands();
    // The main window switched machines: the tree state and history of the machine shown so far are
    // saved, those of the current machine restored (or the root keys built).
    void machineChanged();
    // Writes the window settings and the history file (closing does this too).
    void saveState();

    // The history editor's dialog; tests replace it. Default: "Historyliste - Parallelansicht".
    std::function<bool(QStringList& entries)> editHistory;

signals:
    // The window closed; it is deleted right after.
    void closed();

public slots:
    void OpenInMainClick();
    void OpenFromMainClick();
    void CopyKeyClick();
    void StandardViewClick();
    void CopyKeyPathClick();
    void ShowCurrentKeyClick();
    void PropertiesClick();
    void CopyValuesClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildViews();
    void buildBars();
    void buildMenus();
    QAction* addCommand(const QString& name, const QString& caption, void (TCopyForm::*slot)());
    void onCurrentNodeChanged(const QModelIndex& current);
    void restoreWindowSettings();
    [[nodiscard]] QModelIndex commandNode() const;
    [[nodiscard]] QStringList selectedValueNames() const;
    void loadHistory();

    Hooks m_hooks;
    KeyTreeModel* m_treeModel = nullptr;
    ValueListModel* m_valueModel = nullptr;
    QTreeView* m_tree = nullptr;
    QTreeView* m_list = nullptr;
    QSplitter* m_splitter = nullptr;
    QComboBox* m_historyCombo = nullptr;
    QLabel* m_status = nullptr;
    QMenu* m_keyMenu = nullptr;
    QMenu* m_valueMenu = nullptr;
    QHash<QString, QAction*> m_actions;
    NavigationCommands* m_navigation = nullptr;
    QString m_currentKeyPath;
    QString m_machine; // the machine whose history and tree state this view shows
    QPersistentModelIndex m_contextNode;
    bool m_settingsShown = false;
    bool m_saved = false;
};
