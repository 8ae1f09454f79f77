#pragma once

// The main window: the key tree of the current machine on the left, the selected key's values on the
// right, the tool pages below both, the status bar at the bottom. It owns the tree and list models and
// runs the start steps when created and the shutdown steps when closed and destroyed.

#include "help/THelpForm.h"
#include "annotations/ToolsFile.h"
#include "platform/WinTypes.h"
#include "regfile/RegFileFormat.h"

#include <QHash>
#include <QSet>
#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QPointer>

#include <functional>

class EditCommands;
class NavigationCommands;
class ImageDelegate;
class InPlaceEditor;
class KeyTreeModel;
class Progress;
class QAction;
class QComboBox;
class QDialog;
class QLabel;
class QMenu;
class QSplitter;
class QStackedWidget;
class QTabBar;
class QToolBar;
class QTreeView;
class QTreeWidget;
class QuickHelp;
class TChangePage;
class TMultiText;
class TCopyForm;
class TSearchPage;
class TWatchPage;
class WatchController;
class ValueListModel;
struct SearchStart;

class TMainForm final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TMainForm)

public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Key path of the selected node; empty for the machine node.
    [[nodiscard]] QString CurrentKeyPath() const { return m_currentKeyPath; }

    [[nodiscard]] QTreeView* keyTree() const { return m_tree; }
    [[nodiscard]] QTreeView* valueList() const { return m_list; }
    [[nodiscard]] KeyTreeModel& treeModel() const { return *m_treeModel; }
    [[nodiscard]] ValueListModel& valueModel() const { return *m_valueModel; }
    [[nodiscard]] InPlaceEditor* keyEditor() const { return m_keyEditor; }
    [[nodiscard]] InPlaceEditor* valueEditor() const { return m_valueEditor; }
    // Change, undo and clipboard commands with the edit undo list.
    [[nodiscard]] EditCommands* editCommands() const { return m_edit; }
    [[nodiscard]] NavigationCommands* navigationCommands() const { return m_navigation; }
    // The tool page "Suchen" with the search result list.
    [[nodiscard]] TSearchPage* searchPage() const { return m_searchPage; }
    // The tool page "Änderungen" with the change list.
    [[nodiscard]] TChangePage* changePage() const { return m_changePage; }
    // The watch slots, their threads and the watch list (TMainFormWatch.cpp).
    [[nodiscard]] WatchController& watch() const { return *m_watch; }
    // The tool page "Überwachung"; null while no slot is active.
    [[nodiscard]] TWatchPage* watchPage() const { return m_watchPage; }
    // The help window while it is open, else null; the quick help's event filter.
    [[nodiscard]] THelpForm* helpForm() const { return m_helpForm; }
    [[nodiscard]] QuickHelp* quickHelp() const { return m_quickHelp; }
    // The information page's markup control ("InfoMultiText1", TMainFormInfo.cpp).
    [[nodiscard]] TMultiText* infoText() const;
    // Sets the page text for the key path (empty: the machine node) when it differs from the shown one.
    void ShowInformation(const QString& keyPath);
    // Menu commands by their object name (e.g. "NewKey1", "Delete1").
    [[nodiscard]] QAction* action(const QString& name) const { return m_actions.value(name); }
    [[nodiscard]] QString statusText() const;
    [[nodiscard]] QString pageCountText() const;
    [[nodiscard]] QModelIndex selectedNode() const;
    void selectNode(const QModelIndex& node);
    // Level of a node: 0 machine, 1 root key, 2 and deeper subkeys; -1 for none.
    [[nodiscard]] static int nodeLevel(const QModelIndex& node);

    // The parallel view while it exists, else null (TMainFormParallel.cpp).
    [[nodiscard]] TCopyForm* parallelView() const;
    // F6: opens the parallel view, or toggles it between minimised and normal.
    void ParallelViewClick();

    // Recomputes which commands are enabled (selection, focus and list changes call it).
    void UpdateCommands();
    // Refreshes the loaded tree against the registry (F5); returns the node it selected.
    QModelIndex RefreshTree();
    // Writes and reads the tree-state file of the key tree.
    bool saveTreeState(const QString& fileName);
    bool loadTreeState(const QString& fileName);

    // Answers of the export save dialog; tests replace the dialog.
    struct ExportChoice {
        QString fileName;
        bool currentBranch = false;
        QString branchPath;
        bool analysisFile = false; // the dialog saves an analysis file (".rec") rather than a registry file
        RegFileFormat format = RegFileFormat::Regedit4;
    };
    std::function<bool(ExportChoice& choice)> askExportFile;
    // Runs a long operation behind the progress dialog with the main window disabled.
    std::function<void(const QString& caption, const QString& text, const QString& animation,
                       const std::function<void(Progress&)>& work)>
        runWithProgress;
    // Runs the dialogs of notes, aliases, structures and tools (and their editors); true when accepted.
    // Tests fill the dialog here instead of showing it.
    std::function<bool(QDialog& dialog)> runAnnotationDialog;
    // The external tools of the Extras menu, in menu order.
    [[nodiscard]] const QList<ExternalTool>& externalTools() const { return m_tools; }

public slots:
    void NewKeyClick();
    void NewStringClick();
    void NewDWordClick();
    void NewBinaryClick();
    void DeleteClick();
    void RenameClick();
    void RefreshClick();
    void StandardViewClick();
    void CopyKeyPathClick();
    void ShowCurrentKeyClick();
    void EditRegFileClick();
    void ImportRegFileClick();
    void ExportRegFileClick();
    void OptionsClick();
    void HalveWindowClick();
    // The "&Fenster" menu's entries over the parallel view (TMainFormParallel.cpp).
    void MainLikeParallelClick();
    void ParallelLikeMainClick();
    void ParallelBelowClick();
    // "&Suchen ..." and "&Weitersuchen" (TMainFormSearch.cpp).
    void SearchClick();
    void SearchAgainClick();
    // Replace, delete and check over the search results (TMainFormSearch.cpp).
    void ReplaceResultsClick();
    void DeleteResultsClick();
    void CheckResultsClick();
    // Change detection (TMainFormChanges.cpp): "&Analysedatei exportieren ...", "Ä&nderungen finden ...",
    // "Wiederholen" and "Schlüssel ausschlie&ßen".
    void ExportAnalysisClick();
    void FindChangesClick();
    void RepeatClick();
    void ExcludeClick();
    void UndoChangesClick();
    void SearchChangesClick();
    // Help menu and the tool button "Hilfe" (TMainFormHelp.cpp).
    void HelpContentsClick();
    void QuickHelpClick();
    void ReadMeClick();
    // "Än&derungen überwachen ..." (TMainFormWatch.cpp) and "&Eigenschaften" (TMainFormStatistics.cpp).
    void WatchClick();
    void PropertiesClick();
    // Key annotations (TMainFormAnnotations.cpp): notes, aliases, structures and external tools.
    void MemosClick();
    void CreateMemoClick();
    void AliasesClick();
    void SetAliasClick();
    void CreateStructureClick();
    void ReadStructureClick();
    void NewStructureClick();
    void ToolsClick();
    void ToolClick();

    // The information page (TMainFormInfo.cpp): edit the file's source, browse all entries, copy the
    // page, and a value link clicked.
    void InfoButton1Click();
    void InfoButton2Click();
    void InfoButton3Click();
    void InfoMultiText1Link(TMultiText* sender, int linkId);

    // Settles the has-children marks of the tree rows in view (the others keep a provisional mark).
    void settleVisibleMarks();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Building the window (TMainFormMenus.cpp).
    void buildViews();
    void buildToolPages();
    void buildStatusBar();
    void buildMenus();
    void buildToolBars();
    QAction* addCommand(QMenu* menu, const QString& name, const QString& caption, const QKeySequence& keys = {},
                        void (TMainForm::*slot)() = nullptr);
    QMenu* buildKeyContextMenu();
    QMenu* buildValueContextMenu();
    void buildSearchPage();
    QWidget* buildInfoPage();
    // Opens a key of the information overview, offering to create it when it is missing.
    void openInfoKey(const QString& keyPath);
    void buildChangePage();

    // Parallel view (TMainFormParallel.cpp).
    void buildParallel();
    void openParallelView();
    void updateWindowMenu();
    // Shutdown: the parallel view goes with the main window and is reopened at the next start.
    void closeParallelAtShutdown();

    // Help (TMainFormHelp.cpp): installs the quick help for every window of the program.
    void buildHelp();

    // Watch (TMainFormWatch.cpp).
    void buildWatch();
    void updateWatchPage();
    void showWatchIndicator(bool unread);
    void stopWatches();

    // Key annotations (TMainFormAnnotations.cpp).
    void buildAnnotations();
    void loadExternalTools();
    void buildToolMenu();
    void showMemoWarning();
    // The key the key-menu commands act on; empty for the machine node.
    [[nodiscard]] QString annotatedKeyPath() const;
    [[nodiscard]] static QString resolveAlias(const QString& typed);

    // Start and shutdown.
    void runStartSteps();
    void runShutdownSteps();
    void restoreWindowSettings();
    void storeWindowSettings();
    void applyToolBarLayout();
    void storeLayoutSettings();

    // Tree and list (TMainFormCommands.cpp).
    void onCurrentNodeChanged(const QModelIndex& current);
    void onKeyEdited(const QModelIndex& node, const QString& oldText, const QString& newText);
    void onValueEdited(const QModelIndex& row, const QString& oldText, const QString& newText);
    void newValue(int kind);
    void deleteKey(const QModelIndex& node);
    void deleteValues();
    void expandSubtree();
    // Double-click or Enter on a value: the change command, when it applies.
    void openValueEditor();
    void showKeyContextMenu(const QPoint& pos);
    void showValueContextMenu(const QPoint& pos);
    [[nodiscard]] QModelIndex commandNode() const;
    [[nodiscard]] bool treeFocused() const;
    [[nodiscard]] bool listFocused() const;
    [[nodiscard]] QList<int> selectedRows() const;
    void setToolPage(int page);
    void updatePageLabel();
    void defaultRunWithProgress(const QString& caption, const QString& text, const QString& animation,
                                const std::function<void(Progress&)>& work);
    bool defaultAskExportFile(ExportChoice& choice);

    // Search (TMainFormSearch.cpp).
    void runSearch();
    [[nodiscard]] SearchStart searchStart() const;
    void showFoundPosition(const QString& keyPath, bool valueRow, const QString& valueName);
    void updateSearchCommands();
    // After replace or delete: a batch that could not keep its changes is reported; with askRefresh the
    // refresh question follows.
    void finishResultRun(LONG commitError, bool askRefresh);
    [[nodiscard]] QString connectedMachine() const;
    [[nodiscard]] QList<int> searchColumnWidths() const;
    void setSearchColumnWidths(const QList<int>& widths);

    // Change detection (TMainFormChanges.cpp).
    void runComparison();
    [[nodiscard]] quint32 rootExportMask() const; // "RootExport" as bits, slot 1 = bit 1

    KeyTreeModel* m_treeModel = nullptr;
    ValueListModel* m_valueModel = nullptr;
    QTreeView* m_tree = nullptr;
    QTreeView* m_list = nullptr;
    InPlaceEditor* m_keyEditor = nullptr;
    InPlaceEditor* m_valueEditor = nullptr;
    QSplitter* m_vSplitter = nullptr; // tree | list
    QSplitter* m_hSplitter = nullptr; // views above, tool pages below
    QWidget* m_toolPanel = nullptr;
    QTabBar* m_pageTabs = nullptr;
    QSplitter* m_pageSplitter = nullptr; // tab strip | entry-count label
    QLabel* m_pageLabel = nullptr;
    QStackedWidget* m_pageStack = nullptr;
    QTreeWidget* m_favoriteList = nullptr;
    TMultiText* m_infoText = nullptr;
    QLabel* m_statusPanels[3] = {nullptr, nullptr, nullptr};
    QToolBar* m_toolsBar = nullptr;
    QToolBar* m_netWorkBar = nullptr;
    QToolBar* m_historyBar = nullptr;
    QComboBox* m_machineCombo = nullptr;
    QComboBox* m_historyCombo = nullptr;
    QMenu* m_keyMenu = nullptr;
    QMenu* m_valueMenu = nullptr;
    QHash<QString, QAction*> m_actions;
    EditCommands* m_edit = nullptr;
    NavigationCommands* m_navigation = nullptr;
    TSearchPage* m_searchPage = nullptr;
    TChangePage* m_changePage = nullptr;
    bool m_exportCurrentBranch = false; // the export mode "Aktueller Zweig", kept while the program runs
    RegFileFormat m_exportFormat = RegFileFormat::Regedit4; // the file format, kept likewise
    WatchController* m_watch = nullptr;
    TWatchPage* m_watchPage = nullptr;
    QPointer<THelpForm> m_helpForm;
    QPointer<TCopyForm> m_copyForm;
    QuickHelp* m_quickHelp = nullptr;
    QList<ExternalTool> m_tools;

    QString m_currentKeyPath;
    // The node a key context menu was opened on; its commands act on it while the menu runs.
    QPersistentModelIndex m_contextNode;
    bool m_keyContextActive = false;
    bool m_settingsShown = false;
    bool m_walking = false;
    bool m_restoringLayout = false; // bars hidden while being rearranged keep their menu check
    // Nodes whose has-children mark was answered "yes" without asking the registry, so that a key
    // with tens of thousands of subkeys expands at once; rows in view are settled right after.
    QSet<const void*> m_provisionalMarks;
    bool m_settleQueued = false;
    bool m_resolveMarksNow = false;
    void settleAllMarks();
    void createNavigation();
    void queueSettle();
};
