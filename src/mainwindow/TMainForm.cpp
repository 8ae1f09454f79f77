#include "mainwindow/TMainForm.h"

#include "settings/KavenVariables405.h"
#include "settings/OptionsStore.h"
#include "mainwindow/EditCommands.h"
#include "mainwindow/NavigationCommands.h"
#include "mainwindow/TreeStateFile.h"
#include "parallel/TCopyForm.h"
#include "registry/KeyTreeModel.h"
#include "registry/RegUtils.h"
#include "registry/ValueListModel.h"
#include "widgets/InPlaceEditor.h"
#include "widgets/KavenIcons.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowIcon(KavenIcons::applicationIcon());
    buildViews();
    buildStatusBar();
    buildMenus();
    buildToolBars();
    resize(960, 680);

    runWithProgress = [this](const QString& caption, const QString& text, const QString& animation,
                             const std::function<void(Progress&)>& work) {
        defaultRunWithProgress(caption, text, animation, work);
    };
    askExportFile = [this](ExportChoice& choice) { return defaultAskExportFile(choice); };

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { onCurrentNodeChanged(current); });
    connect(m_tree->verticalScrollBar(), &QScrollBar::valueChanged, this, &TMainForm::queueSettle);
    connect(m_tree, &QWidget::customContextMenuRequested, this, &TMainForm::showKeyContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, &TMainForm::showValueContextMenu);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TMainForm::UpdateCommands);
    connect(m_valueModel, &QAbstractItemModel::modelReset, this, &TMainForm::UpdateCommands);
    connect(m_valueModel, &QAbstractItemModel::rowsRemoved, this, &TMainForm::UpdateCommands);
    connect(qApp, &QApplication::focusChanged, this, &TMainForm::UpdateCommands);
    connect(m_keyEditor, &InPlaceEditor::editFinished, this, &TMainForm::onKeyEdited);
    connect(m_valueEditor, &InPlaceEditor::editFinished, this, &TMainForm::onValueEdited);
    connect(m_pageSplitter, &QSplitter::splitterMoved, this, [this] { Options().split = m_pageLabel->width(); });

    runStartSteps();
}

TMainForm::~TMainForm()
{
    stopWatches(); // no watch thread may hand a change to a window being destroyed
    runShutdownSteps();
    // The children die after this part of the object: no focus or clipboard news may reach it.
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(QApplication::clipboard(), nullptr, this, nullptr);
    disconnect(m_favoriteList->model(), nullptr, this, nullptr);
    m_tree->removeEventFilter(this);
    m_list->removeEventFilter(this);
    m_keyEditor->disconnect(this);
    m_edit->disconnect(this);
    m_valueEditor->disconnect(this);
}

// The order matters: the settings fix the data directory before any list file is read, and the key
// tree exists before the window shows.
void TMainForm::runStartSteps()
{
    // 1. Font and titles.
    if (!KavenVariables405::FontName.isEmpty())
        setFont(QFont(KavenVariables405::FontName));
    // The program title is the window's caption and every box's caption; it is not made the display
    // name, which the window system would append to every dialog's own caption.
    setWindowTitle(KavenVariables405::ProgramTitle);

    // 2. Clipboard: the key and value formats are MIME names; a clipboard change re-enables paste.
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TMainForm::UpdateCommands);

    // 3. The tree root of the local machine.
    m_treeModel->setChildLoader([](KeyTreeModel& tree, const QModelIndex& node) {
        if (!node.parent().isValid())
            return; // the machine node's children are the root keys, built with it
        QApplication::setOverrideCursor(Qt::WaitCursor);
        LoadKeyChildren(tree, node);
        QApplication::restoreOverrideCursor();
    });
    m_treeModel->setMarkResolver([this](const KeyTreeModel& tree, const QModelIndex& node) {
        if (m_resolveMarksNow)
            return NodeHasSubKeys(tree, node);
        m_provisionalMarks.insert(node.internalPointer());
        queueSettle();
        return true;
    });
    BuildRootNodes(*m_treeModel);

    // 4. The edit undo list, with the change and clipboard commands that record into it.
    EditCommands::Hooks hooks;
    hooks.currentKeyPath = [this] { return m_currentKeyPath; };
    hooks.commandNode = [this] { return commandNode(); };
    hooks.onKeys = [this] { return m_keyContextActive || treeFocused(); };
    hooks.listFocused = [this] { return listFocused(); };
    hooks.refreshTree = [this] { RefreshTree(); };
    const EditCommands::Actions actions{action(QStringLiteral("Change1")), action(QStringLiteral("Undo1")),
                                        action(QStringLiteral("UndoList1")), action(QStringLiteral("Cut1")),
                                        action(QStringLiteral("Copy1")), action(QStringLiteral("Paste1"))};
    m_edit = new EditCommands(m_tree, m_list, *m_treeModel, *m_valueModel, actions, hooks, this);
    connect(m_edit, &EditCommands::listChanged, this, &TMainForm::UpdateCommands);

    // 5. Settings; from here on every data file lies in the data directory.
    KavenOptions& options = Options();
    const QString userDir = KavenVariables405::UserDataDir.isEmpty() ? OptionsStore::userDataDirectory()
                                                                      : KavenVariables405::UserDataDir;
    QList<int> widths;
    for (int c = 0; c < ValueListModel::ColumnCount; ++c)
        widths << m_list->columnWidth(c);
    options.columnWidths[int(SettingsList::Reg)] = widths;
    options.columnWidths[int(SettingsList::Fav)] = {m_favoriteList->columnWidth(0), m_favoriteList->columnWidth(1)};
    options.columnWidths[int(SettingsList::Search)] = searchColumnWidths();
    options.split = m_pageLabel->width() > 20 ? m_pageLabel->width() : 80;
    OptionsStore::LoadOptions(options, userDir);
    m_edit->undoList().SetCapacity(options.maxUndo);
    const QList<int> stored = options.columnWidths.value(int(SettingsList::Reg));
    for (int c = 0; c < stored.size(); ++c)
        m_list->setColumnWidth(c, stored[c]);
    const QList<int> fav = options.columnWidths.value(int(SettingsList::Fav));
    for (int c = 0; c < fav.size(); ++c)
        m_favoriteList->setColumnWidth(c, fav[c]);
    setSearchColumnWidths(options.columnWidths.value(int(SettingsList::Search)));
    updateSearchCommands(); // find-next follows the stored search text

    // 6. The parallel view, when it was open at the end of the last run.
    buildParallel();
    // 7-9. Machine list, history of the local machine, favorites.
    createNavigation();
    m_navigation->loadMachineList();
    m_navigation->loadHistory();
    m_navigation->loadFavorites();

    // 10. Export scope: TExportDialog is attached to the registry-file save dialog (askExportFile); the
    // external tools join the Extras menu, and the notes' warning shows as it was left.
    loadExternalTools();
    showMemoWarning();
}

void TMainForm::runShutdownSteps()
{
    // 1. Search result data and the help viewer: with their features. 4. The undo list goes with this
    // window.
    // 2. Settings.
    storeLayoutSettings();
    OptionsStore::SaveOptions(Options());
    // 3. The parallel view (its placement and history).
    closeParallelAtShutdown();
    // 5. Tree-state files live for one run only.
    for (int i = 0; i < m_machineCombo->count(); ++i) {
        QString machine = m_machineCombo->itemText(i);
        if (machine.compare(LocalMachineWord, Qt::CaseInsensitive) == 0)
            machine.clear();
        for (bool parallel : {false, true}) {
            const QString file = DataFile(TreeStateFile::fileNameFor(machine, parallel));
            if (QFile::exists(file) && ListFileMayBeWritten(file))
                QFile::remove(file);
        }
    }
    // 6-8. Machine list, history (without duplicates) and favorites.
    m_navigation->saveMachineList();
    m_navigation->saveHistory();
    m_navigation->saveFavorites();
    // 9. Clipboard: nothing to leave.
}

void TMainForm::createNavigation()
{
    const NavigationCommands::Widgets widgets{m_tree, m_historyCombo, m_machineCombo, m_favoriteList};
    NavigationCommands::Actions actions;
    actions.back = action(QStringLiteral("Back1"));
    actions.forward = action(QStringLiteral("Forward1"));
    actions.editHistory = action(QStringLiteral("EditHistory1"));
    actions.netConnect = action(QStringLiteral("NetConnect1"));
    actions.netDisconnect = action(QStringLiteral("NetDisconnect1"));
    for (QAction* a : {actions.back, actions.forward, actions.editHistory, actions.netConnect, actions.netDisconnect})
        a->setProperty("kavenBuilt", true);
    NavigationCommands::Hooks hooks;
    hooks.saveTreeState = [this](const QString& file) { return saveTreeState(file); };
    hooks.loadTreeState = [this](const QString& file) { return loadTreeState(file); };
    hooks.machineLeft = [this] {
        m_valueModel->clear();
        stopWatches();
        if (m_copyForm)
            m_copyForm->machineChanged();
    };
    hooks.updateCommands = [this] { UpdateCommands(); };
    hooks.resolveAlias = &TMainForm::resolveAlias;
    m_navigation = new NavigationCommands(widgets, actions, hooks, this);
    // The favorites' own commands: buttons above the list and its context menu.
    m_favoriteList->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_favoriteList->addActions(m_navigation->favoriteActions());
    if (auto* bar = m_pageStack->widget(1)->findChild<QToolBar*>())
        bar->addActions(m_navigation->favoriteActions());
    // The entry count follows every change of the list at once.
    QAbstractItemModel* favorites = m_favoriteList->model();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(favorites, signal, this, &TMainForm::updatePageLabel);
    connect(favorites, &QAbstractItemModel::modelReset, this, &TMainForm::updatePageLabel);
}

void TMainForm::storeLayoutSettings()
{
    KavenOptions& options = Options();
    QList<int> widths;
    for (int c = 0; c < ValueListModel::ColumnCount; ++c)
        widths << m_list->columnWidth(c);
    options.columnWidths[int(SettingsList::Reg)] = widths;
    options.columnWidths[int(SettingsList::Fav)] = {m_favoriteList->columnWidth(0), m_favoriteList->columnWidth(1)};
    options.columnWidths[int(SettingsList::Search)] = searchColumnWidths();
    options.split = m_pageLabel->width();
    options.showToolsTB = m_actions.value(QStringLiteral("ToolsBar1"))->isChecked();
    options.showNetWorkTB = m_actions.value(QStringLiteral("NetWorkBar1"))->isChecked();
    options.showHistoryTB = m_actions.value(QStringLiteral("HistoryBar1"))->isChecked();
    const auto pos = [this](QToolBar* bar) { return bar->isVisible() ? bar->pos() : bar->geometry().topLeft(); };
    options.toolsTBLeft = pos(m_toolsBar).x();
    options.toolsTBTop = pos(m_toolsBar).y();
    options.netWorkTBLeft = pos(m_netWorkBar).x();
    options.netWorkTBTop = pos(m_netWorkBar).y();
    options.historyTBLeft = pos(m_historyBar).x();
    options.historyTBTop = pos(m_historyBar).y();
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_settingsShown)
        return;
    m_settingsShown = true;
    restoreWindowSettings();
    if (m_copyForm)
        m_copyForm->show();
    selectNode(m_treeModel->index(0, 0));
    m_tree->setFocus();
    UpdateCommands();
    setToolPage(0);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    storeWindowSettings();
    closeParallelAtShutdown();
    QMainWindow::closeEvent(event);
}

void TMainForm::restoreWindowSettings()
{
    KavenWindowSettings s;
    s.splitV = m_vSplitter->sizes().value(0);
    s.splitH = m_hSplitter->sizes().value(1);
    OptionsStore::LoadWindowSettings(s);
    if (s.hasPlacement()) {
        setGeometry(s.winNormPosLeft, s.winNormPosTop, s.winNormPosRight - s.winNormPosLeft,
                    s.winNormPosBottom - s.winNormPosTop);
        if (s.winShowCmd == 3)
            setWindowState(windowState() | Qt::WindowMaximized);
    }
    statusBar()->setSizeGripEnabled(s.winShowCmd != 3);
    const int width = m_vSplitter->width() > 0 ? m_vSplitter->width() : 900;
    m_vSplitter->setSizes({s.splitV, qMax(1, width - s.splitV)});
    const int height = m_hSplitter->height() > 0 ? m_hSplitter->height() : 570;
    m_hSplitter->setSizes({qMax(1, height - s.splitH), s.splitH});
    const KavenOptions& options = Options();
    m_pageSplitter->setSizes({qMax(1, m_pageSplitter->width() - options.split), options.split});
    m_restoringLayout = true;
    m_actions.value(QStringLiteral("ToolsBar1"))->setChecked(options.showToolsTB);
    m_actions.value(QStringLiteral("NetWorkBar1"))->setChecked(options.showNetWorkTB);
    m_actions.value(QStringLiteral("HistoryBar1"))->setChecked(options.showHistoryTB);
    m_toolsBar->setVisible(options.showToolsTB);
    m_netWorkBar->setVisible(options.showNetWorkTB);
    m_historyBar->setVisible(options.showHistoryTB);
    applyToolBarLayout();
    m_restoringLayout = false;
}

// The bars are put back in the order of their stored positions, a new row where the top changes.
void TMainForm::applyToolBarLayout()
{
    const KavenOptions& o = Options();
    struct Placed {
        QToolBar* bar;
        int top;
        int left;
    };
    QList<Placed> bars = {{m_toolsBar, o.toolsTBTop, o.toolsTBLeft},
                          {m_netWorkBar, o.netWorkTBTop, o.netWorkTBLeft},
                          {m_historyBar, o.historyTBTop, o.historyTBLeft}};
    if (o.toolsTBTop == 0 && o.toolsTBLeft == 0 && o.netWorkTBTop == 0 && o.netWorkTBLeft == 0 &&
        o.historyTBTop == 0 && o.historyTBLeft == 0)
        return; // nothing stored: the layout's own arrangement
    std::stable_sort(bars.begin(), bars.end(), [](const Placed& a, const Placed& b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });
    for (const Placed& p : bars) {
        removeToolBarBreak(p.bar);
        removeToolBar(p.bar);
    }
    int lastTop = bars.first().top;
    for (const Placed& p : bars) {
        if (p.top != lastTop)
            addToolBarBreak();
        lastTop = p.top;
        addToolBar(p.bar);
        p.bar->setVisible(m_actions.value(p.bar == m_toolsBar      ? QStringLiteral("ToolsBar1")
                                          : p.bar == m_netWorkBar ? QStringLiteral("NetWorkBar1")
                                                                   : QStringLiteral("HistoryBar1"))
                              ->isChecked());
    }
}

void TMainForm::storeWindowSettings()
{
    KavenWindowSettings s;
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    s.winShowCmd = isMaximized() ? 3 : isMinimized() ? 2 : 1;
    s.winNormPosLeft = normal.left();
    s.winNormPosTop = normal.top();
    s.winNormPosRight = normal.left() + normal.width();
    s.winNormPosBottom = normal.top() + normal.height();
    s.splitV = m_vSplitter->sizes().value(0);
    s.splitH = m_hSplitter->sizes().value(1);
    OptionsStore::SaveWindowSettings(s);
}

QString TMainForm::statusText() const
{
    return m_statusPanels[2]->text();
}

QString TMainForm::pageCountText() const
{
    return m_pageLabel->text();
}

QModelIndex TMainForm::selectedNode() const
{
    return m_tree->selectionModel()->currentIndex();
}

void TMainForm::selectNode(const QModelIndex& node)
{
    if (!node.isValid())
        return;
    m_tree->selectionModel()->setCurrentIndex(node, QItemSelectionModel::ClearAndSelect);
    m_tree->scrollTo(node);
}

int TMainForm::nodeLevel(const QModelIndex& node)
{
    if (!node.isValid())
        return -1;
    int level = 0;
    for (QModelIndex p = node.parent(); p.isValid(); p = p.parent())
        ++level;
    return level;
}

bool TMainForm::treeFocused() const
{
    const QWidget* focus = focusWidget();
    return focus == m_tree || focus == m_keyEditor;
}

bool TMainForm::listFocused() const
{
    const QWidget* focus = focusWidget();
    return focus == m_list || focus == m_valueEditor;
}

QList<int> TMainForm::selectedRows() const
{
    QList<int> rows;
    const QModelIndexList selected = m_list->selectionModel()->selectedRows();
    for (const QModelIndex& index : selected)
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QModelIndex TMainForm::commandNode() const
{
    return m_keyContextActive && m_contextNode.isValid() ? QModelIndex(m_contextNode) : selectedNode();
}

void TMainForm::UpdateCommands()
{
    if (!m_tree || !m_list)
        return;
    const int level = nodeLevel(commandNode());
    const bool onKeys = m_keyContextActive || treeFocused();
    // Like the commands themselves: keys when the tree has the focus, the selected values otherwise.
    const bool onValues = !onKeys;
    const QList<int> rows = selectedRows();
    const bool keySelected = nodeLevel(selectedNode()) >= 1;
    const auto set = [this](const char* name, bool enabled) {
        if (QAction* a = m_actions.value(QString::fromLatin1(name)); a && a->property("kavenBuilt").toBool())
            a->setEnabled(enabled);
    };
    set("NewKey1", level >= 1);
    for (const char* name : {"NewString1", "NewDWord1", "NewBinary1"})
        set(name, keySelected);
    set("Delete1", onKeys ? level >= 2 : onValues && keySelected && !rows.isEmpty());
    set("Rename1", onKeys ? level >= 2 : onValues && keySelected && rows.size() == 1 && rows.first() != 0);
    set("CopyKeyPath1", level >= 0);
    for (const char* name : {"CreateMemo1", "SetAlias1", "ReadStructure1", "NewStructure1"})
        set(name, level >= 1);
    set("ShowCurrentKey1", level >= 0);
    if (m_edit)
        m_edit->updateCommands();
    updateSearchCommands();
}

void TMainForm::setToolPage(int page)
{
    if (page < 0 || page >= m_pageStack->count())
        return;
    if (m_pageTabs->currentIndex() != page)
        m_pageTabs->setCurrentIndex(page);
    m_pageStack->setCurrentIndex(page);
    updatePageLabel();
}

void TMainForm::updatePageLabel()
{
    const int page = m_pageStack->currentIndex();
    if (page == 0) {
        m_pageLabel->setText(QStringLiteral(" Information "));
        return;
    }
    int rows = 0;
    const QWidget* pageWidget = m_pageStack->currentWidget();
    const auto* list = qobject_cast<const QAbstractItemView*>(pageWidget);
    if (!list && pageWidget)
        list = pageWidget->findChild<const QAbstractItemView*>();
    if (list && list->model())
        rows = list->model()->rowCount();
    m_pageLabel->setText(rows == 1 ? QStringLiteral(" 1 Eintrag ")
                                   : QLatin1Char(' ') + QString::number(rows) + QStringLiteral(" Einträge "));
    // The panel keeps the width the user gave it, but never hides the count: it grows to show the text.
    const int needed = m_pageLabel->sizeHint().width();
    const int total = m_pageSplitter->width();
    if (m_pageLabel->width() < needed && total > needed)
        m_pageSplitter->setSizes({total - needed, needed});
}

void TMainForm::HalveWindowClick()
{
    const int height = m_hSplitter->height();
    m_hSplitter->setSizes({height - height / 2, height / 2});
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        UpdateCommands();
    if (watched == m_tree && event->type() == QEvent::Resize)
        queueSettle();
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !m_valueEditor->isEditing()) {
            openValueEditor();
            return true;
        }
    }
    if (watched == m_tree && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Numeric-keypad "*": our own subtree walk replaces the view's expand-all.
        if (key->key() == Qt::Key_Asterisk && (key->modifiers() & Qt::KeypadModifier)) {
            expandSubtree();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::openValueEditor()
{
    UpdateCommands();
    if (QAction* change = action(QStringLiteral("Change1")); change && change->isEnabled())
        change->trigger();
}

void TMainForm::queueSettle()
{
    if (m_settleQueued)
        return;
    m_settleQueued = true;
    QTimer::singleShot(0, this, &TMainForm::settleVisibleMarks);
}

void TMainForm::settleVisibleMarks()
{
    m_settleQueued = false;
    if (m_provisionalMarks.isEmpty())
        return;
    const int bottom = m_tree->viewport()->height();
    for (QModelIndex row = m_tree->indexAt(QPoint(0, 0)); row.isValid(); row = m_tree->indexBelow(row)) {
        if (m_provisionalMarks.remove(row.internalPointer()))
            m_treeModel->setHasChildrenMark(row, NodeHasSubKeys(*m_treeModel, row));
        if (m_tree->visualRect(row).top() > bottom)
            break;
    }
}

void TMainForm::settleAllMarks()
{
    if (m_provisionalMarks.isEmpty())
        return;
    for (QModelIndex n = m_treeModel->index(0, 0); n.isValid(); n = TreeStateFile::nextInTreeOrder(*m_treeModel, n))
        if (m_provisionalMarks.remove(n.internalPointer()))
            m_treeModel->setHasChildrenMark(n, NodeHasSubKeys(*m_treeModel, n));
    m_provisionalMarks.clear();
}

bool TMainForm::saveTreeState(const QString& fileName)
{
    // The file keeps true marks: every mark still open is asked of the registry now.
    settleAllMarks();
    m_resolveMarksNow = true;
    const bool saved = TreeStateFile::save(*m_treeModel, selectedNode(), fileName);
    m_resolveMarksNow = false;
    return saved;
}

bool TMainForm::loadTreeState(const QString& fileName)
{
    bool found = false;
    const QModelIndex node = TreeStateFile::load(*m_treeModel, fileName, &found);
    if (!found)
        return false;
    if (node.isValid())
        selectNode(node);
    return true;
}
