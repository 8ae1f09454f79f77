#include "parallel/TCopyForm.h"

#include "mainwindow/NavigationCommands.h"
#include "mainwindow/RefreshTree.h"
#include "mainwindow/RegClipboard.h"
#include "mainwindow/ValueListView.h"
#include "mainwindow/THistoryForm.h"
#include "mainwindow/TreeStateFile.h"
#include "parallel/CopyHistory.h"
#include "registry/KeyTreeModel.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/ValueListModel.h"
#include "settings/OptionsStore.h"
#include "widgets/EscapeProgress.h"
#include "widgets/KavenIcons.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>

#include "statistics/TStatisticForm.h"

namespace {

QVariant imageOf(int image)
{
    const QIcon icon = KavenIcons::icon(image);
    return icon.isNull() ? QVariant() : QVariant(icon);
}

int nodeLevel(const QModelIndex& node)
{
    if (!node.isValid())
        return -1;
    int level = 0;
    for (QModelIndex p = node.parent(); p.isValid(); p = p.parent())
        ++level;
    return level;
}

const QString OpenFailed = QStringLiteral("Konnte Schlüssel nicht öffnen.");

} // namespace

TCopyForm::TCopyForm(Hooks hooks, QWidget* parent) : QMainWindow(parent), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("CopyForm"));
    setWindowTitle(QStringLiteral("Parallelansicht der Registrierung"));
    setWindowIcon(KavenIcons::applicationIcon());
    setAttribute(Qt::WA_DeleteOnClose);
    buildViews();
    buildBars();
    buildMenus();
    resize(550, 250);

    m_treeModel->setChildLoader([](KeyTreeModel& tree, const QModelIndex& node) {
        if (!node.parent().isValid())
            return; // the machine node's children are the root keys, built with it
        QApplication::setOverrideCursor(Qt::WaitCursor);
        LoadKeyChildren(tree, node);
        QApplication::restoreOverrideCursor();
    });
    BuildRootNodes(*m_treeModel);
    m_machine = CurrentMachine();

    NavigationCommands::Actions actions;
    actions.back = action(QStringLiteral("Back1"));
    actions.forward = action(QStringLiteral("Forward1"));
    actions.editHistory = action(QStringLiteral("EditHistory1"));
    NavigationCommands::Hooks navigationHooks;
    navigationHooks.resolveAlias = m_hooks.resolveAlias;
    navigationHooks.updateCommands = [this] { UpdateCommands(); };
    navigationHooks.editHistory = [this](QStringList& entries) {
        if (editHistory)
            return editHistory(entries);
        THistoryForm form(entries, QStringLiteral("Historyliste - Parallelansicht"), this);
        const bool accepted = form.exec() == QDialog::Accepted;
        entries = form.entries();
        return accepted;
    };
    m_navigation = new NavigationCommands({m_tree, m_historyCombo, nullptr, nullptr}, actions, navigationHooks, this);
    // After the history has recorded the selection, the list and the buttons follow it.
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { onCurrentNodeChanged(current); });
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TCopyForm::UpdateCommands);
    connect(m_valueModel, &QAbstractItemModel::modelReset, this, &TCopyForm::UpdateCommands);
    loadHistory();
    selectNode(m_treeModel->index(0, 0));
}

TCopyForm::~TCopyForm()
{
    saveState();
}

// --- building ---

void TCopyForm::buildViews()
{
    m_treeModel = new KeyTreeModel(this);
    m_treeModel->setImageProvider(imageOf);
    m_tree = NewKeyTreeView(m_treeModel, QStringLiteral("CopyTreeView"));
    m_tree->installEventFilter(this);

    m_valueModel = new ValueListModel(this);
    m_valueModel->setImageProvider(imageOf);
    m_list = NewValueListView(m_valueModel, QStringLiteral("CopyListView"));
    // The default 550 pixels show all four columns beside the tree.
    m_list->setColumnWidth(ValueListModel::NameColumn, 100);
    m_list->setColumnWidth(ValueListModel::TypeColumn, 80);
    m_list->setColumnWidth(ValueListModel::DataColumn, 110);
    m_list->setColumnWidth(ValueListModel::SizeColumn, 50);

    m_splitter = new QSplitter(Qt::Horizontal);
    m_splitter->addWidget(m_tree);
    m_splitter->addWidget(m_list);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({190, 360});
    m_splitter->setChildrenCollapsible(false);
    setCentralWidget(m_splitter);

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("CopyStatusPanel"));
    statusBar()->addWidget(m_status, 1);
}

QAction* TCopyForm::addCommand(const QString& name, const QString& caption, void (TCopyForm::*slot)())
{
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    if (slot)
        connect(action, &QAction::triggered, this, slot);
    m_actions.insert(name, action);
    return action;
}

void TCopyForm::buildBars()
{
    QStyle* s = style();
    auto* bar = new QToolBar(QStringLiteral("Navigation"), this);
    bar->setObjectName(QStringLiteral("CopyNavigationBar"));
    bar->setIconSize(QSize(16, 16));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    // Back, forward and the history editor are connected by the navigation commands.
    QAction* back = addCommand(QStringLiteral("Back1"), QStringLiteral("Schlüssel zurück"), nullptr);
    QAction* forward = addCommand(QStringLiteral("Forward1"), QStringLiteral("Schlüssel vorwärts"), nullptr);
    QAction* edit = addCommand(QStringLiteral("EditHistory1"), QStringLiteral("His&toryliste bearbeiten"), nullptr);
    back->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    forward->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    edit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    addAction(edit);
    back->setIcon(s->standardIcon(QStyle::SP_ArrowLeft));
    forward->setIcon(s->standardIcon(QStyle::SP_ArrowRight));
    QAction* toMain = addCommand(QStringLiteral("OpenInMain1"), QStringLiteral("Schlüssel im Hautfenster öffnen"),
                                 &TCopyForm::OpenInMainClick);
    QAction* fromMain = addCommand(QStringLiteral("OpenFromMain1"),
                                   QStringLiteral("Schlüssel aus Hautfenster öffnen"), &TCopyForm::OpenFromMainClick);
    toMain->setIcon(s->standardIcon(QStyle::SP_ArrowUp));
    fromMain->setIcon(s->standardIcon(QStyle::SP_ArrowDown));

    m_historyCombo = new QComboBox;
    m_historyCombo->setObjectName(QStringLiteral("CopyHistoryComboBox"));
    m_historyCombo->setEditable(true);
    m_historyCombo->setMinimumContentsLength(20);
    m_historyCombo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    for (QAction* a : {back, forward}) {
        bar->addAction(a);
        bar->widgetForAction(a)->setToolTip(a->text());
    }
    bar->addWidget(m_historyCombo);
    bar->addSeparator();
    for (QAction* a : {toMain, fromMain}) {
        bar->addAction(a);
        bar->widgetForAction(a)->setToolTip(a->text());
    }
    addToolBar(bar);
}

void TCopyForm::buildMenus()
{
    m_keyMenu = new QMenu(this);
    m_keyMenu->setObjectName(QStringLiteral("CopyKeyMenu"));
    m_keyMenu->addAction(
        addCommand(QStringLiteral("CopyKey1"), QStringLiteral("K&opieren"), &TCopyForm::CopyKeyClick));
    m_keyMenu->addSeparator();
    const QString standardView = QStringLiteral("&Standardansicht wiederherstellen");
    m_keyMenu->addAction(addCommand(QStringLiteral("StandardView1"), standardView, &TCopyForm::StandardViewClick));
    m_keyMenu->addAction(addCommand(QStringLiteral("CopyKeyPath1"), QStringLiteral("Schlüsselpfad &kopieren"),
                                    &TCopyForm::CopyKeyPathClick));
    QAction* show = addCommand(QStringLiteral("ShowCurrentKey1"), QStringLiteral("&Aktuellen Schlüssel zeigen"),
                               &TCopyForm::ShowCurrentKeyClick);
    show->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    addAction(show);
    m_keyMenu->addAction(show);
    m_keyMenu->addSeparator();
    m_keyMenu->addAction(
        addCommand(QStringLiteral("KeyProperties1"), QStringLiteral("&Eigenschaften"), &TCopyForm::PropertiesClick));
    m_keyMenu->addSeparator();
    m_keyMenu->addAction(addCommand(QStringLiteral("Close1"), QStringLiteral("&Schließen"), nullptr));
    connect(action(QStringLiteral("Close1")), &QAction::triggered, this, &QWidget::close);

    m_valueMenu = new QMenu(this);
    m_valueMenu->setObjectName(QStringLiteral("CopyValueMenu"));
    m_valueMenu->addAction(
        addCommand(QStringLiteral("CopyValues1"), QStringLiteral("&Kopieren"), &TCopyForm::CopyValuesClick));
    m_valueMenu->addSeparator();
    m_valueMenu->addAction(
        addCommand(QStringLiteral("ValueProperties1"), QStringLiteral("&Eigenschaften"), &TCopyForm::PropertiesClick));
    m_valueMenu->addSeparator();
    m_valueMenu->addAction(action(QStringLiteral("Close1")));

    connect(m_tree, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex node = m_tree->indexAt(pos);
        if (node.isValid())
            selectNode(node);
        m_contextNode = selectedNode();
        UpdateCommands();
        m_keyMenu->exec(m_tree->viewport()->mapToGlobal(pos));
        m_contextNode = QPersistentModelIndex();
    });
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        UpdateCommands();
        m_valueMenu->exec(m_list->viewport()->mapToGlobal(pos));
    });
}

// --- state ---

QString TCopyForm::statusText() const
{
    return m_status->text();
}

QModelIndex TCopyForm::selectedNode() const
{
    return m_tree->selectionModel()->currentIndex();
}

void TCopyForm::selectNode(const QModelIndex& node)
{
    if (!node.isValid())
        return;
    m_tree->selectionModel()->setCurrentIndex(node, QItemSelectionModel::ClearAndSelect);
    m_tree->scrollTo(node);
}

int TCopyForm::treeWidth() const
{
    return m_splitter->sizes().value(0);
}

void TCopyForm::setTreeWidth(int width)
{
    const int total = qMax(m_splitter->width(), width + 1);
    m_splitter->setSizes({width, qMax(1, total - width)});
}

QModelIndex TCopyForm::commandNode() const
{
    return m_contextNode.isValid() ? QModelIndex(m_contextNode) : selectedNode();
}

QStringList TCopyForm::selectedValueNames() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    QStringList names;
    for (int row : rows)
        names << m_valueModel->row(row).valueName();
    return names;
}

void TCopyForm::onCurrentNodeChanged(const QModelIndex& current)
{
    if (!current.isValid())
        return; // the tree is being rebuilt
    m_currentKeyPath = GetNodePath(*m_treeModel, current);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ShowKeyValues(m_currentKeyPath, *m_valueModel);
    QApplication::restoreOverrideCursor();
    const QString machine = m_treeModel->text(m_treeModel->index(0, 0));
    m_status->setText(ExcludeTrailingBackslash(machine + QLatin1Char('\\') + m_currentKeyPath));
    UpdateCommands();
}

void TCopyForm::UpdateCommands()
{
    const NavigationHistory empty;
    const NavigationHistory& history = m_navigation ? m_navigation->history() : empty;
    const auto set = [this](const char* name, bool enabled) {
        if (QAction* a = m_actions.value(QString::fromLatin1(name)))
            a->setEnabled(enabled);
    };
    set("Back1", history.canGoBack());
    set("Forward1", history.canGoForward());
    set("OpenInMain1", !m_currentKeyPath.isEmpty());
    set("OpenFromMain1", m_hooks.mainKeyPath && !m_hooks.mainKeyPath().isEmpty());
    const int level = nodeLevel(commandNode());
    set("CopyKey1", level >= 2);
    for (const char* name : {"CopyKeyPath1", "ShowCurrentKey1", "KeyProperties1"})
        set(name, level >= 0);
    set("CopyValues1", m_list->selectionModel()->hasSelection() && !m_currentKeyPath.isEmpty());
    set("ValueProperties1", !m_currentKeyPath.isEmpty());
}

void TCopyForm::loadHistory()
{
    NavigationHistory& history = m_navigation->history();
    history.clear();
    history.load(DataFile(CopyHistory::fileNameFor(m_machine)));
    const QSignalBlocker block(m_historyCombo);
    m_historyCombo->clear();
    m_historyCombo->addItems(history.entries());
    m_historyCombo->setCurrentIndex(history.position());
    UpdateCommands();
}

void TCopyForm::machineChanged()
{
    // The machine shown so far keeps its tree state and history for a later return.
    (void)TreeStateFile::save(*m_treeModel, selectedNode(), DataFile(TreeStateFile::fileNameFor(m_machine, true)));
    m_navigation->history().save(DataFile(CopyHistory::fileNameFor(m_machine)));
    m_machine = CurrentMachine();
    m_valueModel->clear();
    loadHistory();
    UpdateRootKeys();
    bool restored = false;
    const QModelIndex node =
        TreeStateFile::load(*m_treeModel, DataFile(TreeStateFile::fileNameFor(m_machine, true)), &restored);
    selectNode(restored && node.isValid() ? node : BuildRootNodes(*m_treeModel));
    UpdateCommands();
}

void TCopyForm::saveState()
{
    if (m_saved)
        return;
    m_saved = true;
    m_navigation->history().save(DataFile(CopyHistory::fileNameFor(m_machine)));
    if (!m_settingsShown)
        return; // never shown: the stored placement stays as it was
    KavenCopyWindowSettings s;
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    s.left = normal.left();
    s.top = normal.top();
    s.width = normal.width();
    s.height = normal.height();
    for (int c = 0; c < ValueListModel::ColumnCount; ++c)
        s.columnWidths << m_list->columnWidth(c);
    s.splitV = treeWidth();
    OptionsStore::SaveCopyWindowSettings(s);
}

void TCopyForm::restoreWindowSettings()
{
    KavenCopyWindowSettings s;
    for (int c = 0; c < ValueListModel::ColumnCount; ++c)
        s.columnWidths << m_list->columnWidth(c);
    s.splitV = treeWidth();
    OptionsStore::LoadCopyWindowSettings(s);
    setGeometry(s.left, s.top, s.width, s.height);
    for (int c = 0; c < s.columnWidths.size(); ++c)
        m_list->setColumnWidth(c, s.columnWidths[c]);
    setTreeWidth(s.splitV);
}

void TCopyForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_settingsShown) {
        m_settingsShown = true;
        restoreWindowSettings();
        m_tree->setFocus();
    }
    UpdateCommands();
}

void TCopyForm::closeEvent(QCloseEvent* event)
{
    saveState();
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

bool TCopyForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tree && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Numeric-keypad "*": the registry walk of the whole subtree replaces the view's expand-all.
        if (key->key() == Qt::Key_Asterisk && (key->modifiers() & Qt::KeypadModifier)) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            EscapeProgress progress;
            ExpandSubtree(*m_treeModel, selectedNode(), progress, [this](const QModelIndex& n) { m_tree->expand(n); });
            QApplication::restoreOverrideCursor();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- commands ---

void TCopyForm::OpenInMainClick()
{
    if (m_currentKeyPath.isEmpty())
        return;
    if (!m_hooks.openInMain || !m_hooks.openInMain(m_currentKeyPath))
        ShowError(OpenFailed);
}

void TCopyForm::OpenFromMainClick()
{
    const QString path = m_hooks.mainKeyPath ? m_hooks.mainKeyPath() : QString();
    if (path.isEmpty())
        return;
    if (!OpenKeyInTree(path, *m_tree))
        ShowError(OpenFailed);
}

void TCopyForm::CopyKeyClick()
{
    const QModelIndex node = commandNode();
    if (nodeLevel(node) >= 2)
        PutKeyClip(false, CurrentMachine(), ExcludeTrailingBackslash(GetNodePath(*m_treeModel, node)));
}

void TCopyForm::StandardViewClick()
{
    m_contextNode = QPersistentModelIndex();
    selectNode(BuildRootNodes(*m_treeModel));
}

void TCopyForm::CopyKeyPathClick()
{
    const QModelIndex node = commandNode();
    if (node.isValid())
        QApplication::clipboard()->setText(ExcludeTrailingBackslash(GetNodePath(*m_treeModel, node)));
}

void TCopyForm::ShowCurrentKeyClick()
{
    const QModelIndex node = commandNode();
    if (node.isValid())
        m_tree->scrollTo(node);
}

void TCopyForm::PropertiesClick()
{
    if (m_currentKeyPath.isEmpty())
        return; // the machine node has no key
    TStatisticForm form(m_currentKeyPath, m_hooks.machineName ? m_hooks.machineName() : QString(), this);
    if (form.exec() == QDialog::Accepted && !form.openKeyPath().isEmpty())
        (void)OpenKeyInTree(form.openKeyPath(), *m_tree);
}

void TCopyForm::CopyValuesClick()
{
    const QStringList names = selectedValueNames();
    if (!m_currentKeyPath.isEmpty() && !names.isEmpty())
        (void)PutValueClip(m_currentKeyPath, names);
}
