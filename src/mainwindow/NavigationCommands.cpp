#include "mainwindow/NavigationCommands.h"

#include "settings/OptionsStore.h"
#include "mainwindow/Favorites.h"
#include "mainwindow/KeyPathInput.h"
#include "mainwindow/MachineList.h"
#include "mainwindow/THistoryForm.h"
#include "mainwindow/TMachineForm.h"
#include "mainwindow/TreeStateFile.h"
#include "platform/StoreFiles.h"
#include "platform/WinCase.h"
#include "registry/KeyTreeModel.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "registry/UserCollator.h"
#include "widgets/KavenIcons.h"

#include <QAction>
#include <QCollator>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSysInfo>
#include <QTreeView>
#include <QTreeWidget>

#include <algorithm>

namespace {

constexpr int OldDescriptionRole = Qt::UserRole + 1;
const QString FavoritesFilter = QStringLiteral("Favoriten Datei (*.fav)|*.fav");

// "a.txt" -> "a.fav", "a" -> "a.fav".
QString withFavExtension(const QString& fileName)
{
    const QFileInfo info(fileName);
    const QString suffix = info.suffix();
    return (suffix.isEmpty() ? fileName : fileName.left(fileName.size() - suffix.size() - 1)) + QStringLiteral(".fav");
}

QAction* ensureAction(QAction* given, const char* name, const QString& caption, QObject* parent)
{
    if (given)
        return given;
    auto* action = new QAction(caption, parent);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

bool OpenKeyInTree(const QString& keyPath, QTreeView& tree)
{
    auto* model = qobject_cast<KeyTreeModel*>(tree.model());
    if (!model || keyPath.isEmpty() || !KeyExists(keyPath))
        return false;
    QModelIndex node = model->index(0, 0);
    for (const QString& part : keyPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        if (!node.isValid())
            return false;
        model->loadChildren(node);
        tree.expand(node);
        node = model->findChild(node, part);
    }
    if (!node.isValid())
        return false;
    if (tree.currentIndex() != node)
        tree.selectionModel()->setCurrentIndex(node, QItemSelectionModel::ClearAndSelect);
    tree.scrollTo(node);
    if (tree.window()->isVisible() && !tree.hasFocus())
        tree.setFocus();
    return true;
}

NavigationCommands::NavigationCommands(const Widgets& widgets, const Actions& actions, Hooks hooks, QObject* parent)
    : QObject(parent), m_w(widgets), m_a(actions), m_hooks(std::move(hooks))
{
    m_model = qobject_cast<KeyTreeModel*>(m_w.tree->model());
    Q_ASSERT(m_model);
    if (m_hooks.localComputerName.isEmpty())
        m_hooks.localComputerName = QSysInfo::machineHostName();

    m_a.favAdd = ensureAction(m_a.favAdd, "AddFavorite1", QStringLiteral("Favorit hinzufügen"), this);
    m_a.favRemove = ensureAction(m_a.favRemove, "RemoveFavorite1", QStringLiteral("Favorit entfernen"), this);
    m_a.favOpen = ensureAction(m_a.favOpen, "OpenFavorite1", QStringLiteral("Schlüssel öffnen"), this);
    m_a.favLoad = ensureAction(m_a.favLoad, "LoadFavorites1", QStringLiteral("Datei öffnen ..."), this);
    m_a.favSave = ensureAction(m_a.favSave, "SaveFavorites1", QStringLiteral("Datei speichern ..."), this);
    m_a.favAdd->setIcon(KavenIcons::icon(KavenIcons::Favorite));

    const auto hook = [this](QAction* action, void (NavigationCommands::*slot)()) {
        if (!action)
            return;
        connect(action, &QAction::triggered, this, slot);
        action->setEnabled(true);
    };
    hook(m_a.back, &NavigationCommands::BackClick);
    hook(m_a.forward, &NavigationCommands::ForwardClick);
    hook(m_a.editHistory, &NavigationCommands::EditHistoryClick);
    hook(m_a.netConnect, &NavigationCommands::NetConnectClick);
    hook(m_a.netDisconnect, &NavigationCommands::NetDisconnectClick);
    hook(m_a.favAdd, &NavigationCommands::AddFavoriteClick);
    hook(m_a.favRemove, &NavigationCommands::RemoveFavoriteClick);
    hook(m_a.favOpen, &NavigationCommands::OpenFavoriteClick);
    hook(m_a.favLoad, &NavigationCommands::LoadFavoritesClick);
    hook(m_a.favSave, &NavigationCommands::SaveFavoritesClick);

    connect(m_w.tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &NavigationCommands::onCurrentNodeChanged);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &NavigationCommands::onNodeChanged);
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, &NavigationCommands::onNodesAboutToGo);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &NavigationCommands::onNodesGone);
    if (m_w.historyCombo) {
        m_w.historyCombo->setInsertPolicy(QComboBox::NoInsert);
        connect(m_w.historyCombo, &QComboBox::activated, this, [this](int index) {
            m_history.setPosition(index);
            openHistoryEntry();
        });
        // The combo box holds the focus and hands keys to its line edit directly, past any event
        // filter; the line edit's own signal sees every Enter.
        if (QLineEdit* edit = m_w.historyCombo->lineEdit())
            connect(edit, &QLineEdit::returnPressed, this, [this, edit] { HistoryEntered(edit->text()); });
    }
    if (m_w.machineCombo)
        connect(m_w.machineCombo, &QComboBox::activated, this, &NavigationCommands::MachinePicked);
    if (m_w.favoriteList) {
        m_w.favoriteList->setEditTriggers(QAbstractItemView::NoEditTriggers);
        connect(m_w.favoriteList, &QTreeWidget::itemChanged, this, &NavigationCommands::onFavoriteChanged);
        connect(m_w.favoriteList, &QTreeWidget::itemSelectionChanged, this, &NavigationCommands::updateActions);
        connect(m_w.favoriteList, &QTreeWidget::itemDoubleClicked, this, &NavigationCommands::OpenFavoriteClick);
    }
    updateActions();
}

QString NavigationCommands::currentKeyPath() const
{
    return GetNodePath(*m_model, m_w.tree->currentIndex());
}

QList<QAction*> NavigationCommands::favoriteActions() const
{
    return {m_a.favAdd, m_a.favRemove, m_a.favOpen, m_a.favLoad, m_a.favSave};
}

bool NavigationCommands::openKey(const QString& keyPath)
{
    return m_hooks.openKeyInTree ? m_hooks.openKeyInTree(keyPath) : OpenKeyInTree(keyPath, *m_w.tree);
}

// --- history ---

void NavigationCommands::onCurrentNodeChanged(const QModelIndex& current)
{
    if (!current.isValid())
        return; // the tree is being rebuilt
    m_lastNode = current.internalPointer();
    m_lastPath = GetNodePath(*m_model, current);
    m_history.record(m_lastPath);
    showHistory();
    updateActions();
}

void NavigationCommands::onNodeChanged(const QModelIndex& node)
{
    if (!node.isValid() || node.internalPointer() != m_lastNode || m_lastPath.isEmpty())
        return;
    const QString path = GetNodePath(*m_model, node);
    if (path == m_lastPath)
        return;
    m_history.replaceBranch(m_lastPath, path);
    m_lastPath = path;
    showHistory();
    updateActions();
}

void NavigationCommands::onNodesAboutToGo(const QModelIndex& parent, int first, int last)
{
    for (int row = first; row <= last; ++row) {
        const QModelIndex node = m_model->index(row, 0, parent);
        if (node.internalPointer() == m_lastNode)
            m_lastNode = nullptr;
        m_goingPaths << GetNodePath(*m_model, node);
    }
}

void NavigationCommands::onNodesGone()
{
    // Nodes also go when the tree is rebuilt; only keys that are gone from the registry leave the history.
    bool changed = false;
    for (const QString& path : std::as_const(m_goingPaths)) {
        if (!path.isEmpty() && !KeyExists(path)) {
            m_history.replaceBranch(path, {});
            changed = true;
        }
    }
    m_goingPaths.clear();
    if (changed) {
        showHistory();
        updateActions();
    }
}

void NavigationCommands::showHistory()
{
    if (!m_w.historyCombo)
        return;
    const QSignalBlocker block(m_w.historyCombo);
    m_w.historyCombo->clear();
    m_w.historyCombo->addItems(m_history.entries());
    m_w.historyCombo->setCurrentIndex(m_history.position());
    if (m_history.position() < 0)
        m_w.historyCombo->setEditText(QString());
}

void NavigationCommands::updateActions()
{
    if (m_a.back)
        m_a.back->setEnabled(m_history.canGoBack());
    if (m_a.forward)
        m_a.forward->setEnabled(m_history.canGoForward());
    const bool one = selectedFavoriteRow() >= 0;
    m_a.favRemove->setEnabled(one);
    m_a.favOpen->setEnabled(one);
}

void NavigationCommands::BackClick()
{
    if (m_history.back())
        openHistoryEntry();
}

void NavigationCommands::ForwardClick()
{
    if (m_history.forward())
        openHistoryEntry();
}

void NavigationCommands::openHistoryEntry()
{
    m_history.openCurrent(
        currentKeyPath(), [this](const QString& path) { return openKey(path); },
        [] { return AskYesNo(QStringLiteral("Schlüssel nicht gefunden. Aus Historyliste entfernen?")); });
    showHistory();
    updateActions();
    if (m_hooks.updateCommands)
        m_hooks.updateCommands();
}

void NavigationCommands::HistoryEntered(const QString& typed)
{
    QString path = NormalizeKeyPath(typed);
    if (m_hooks.resolveAlias)
        path = NormalizeKeyPath(m_hooks.resolveAlias(path));
    if (!openKey(path))
        ShowError(QStringLiteral("Kann Schlüssel nicht öffnen."));
}

void NavigationCommands::EditHistoryClick()
{
    QStringList entries = m_history.entries();
    bool accepted = false;
    if (m_hooks.editHistory) {
        accepted = m_hooks.editHistory(entries);
    } else {
        THistoryForm form(entries, QStringLiteral("Historyliste"), m_w.tree->window());
        accepted = form.exec() == QDialog::Accepted;
        entries = form.entries();
    }
    if (!accepted)
        return;
    m_history.applyEdited(entries, currentKeyPath());
    showHistory();
    updateActions();
}

void NavigationCommands::loadHistory()
{
    m_history.clear();
    m_history.load(DataFile(NavigationHistory::fileNameFor(CurrentMachine())));
    showHistory();
    updateActions();
}

void NavigationCommands::saveHistory()
{
    m_history.removeDuplicates();
    m_history.save(DataFile(NavigationHistory::fileNameFor(CurrentMachine())));
}

// --- favorites ---

QList<Favorite> NavigationCommands::favorites() const
{
    QList<Favorite> result;
    for (int i = 0; i < m_w.favoriteList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_w.favoriteList->topLevelItem(i);
        result.append({item->text(0), item->text(1)});
    }
    return result;
}

int NavigationCommands::selectedFavoriteRow() const
{
    if (!m_w.favoriteList)
        return -1;
    const QList<QTreeWidgetItem*> selected = m_w.favoriteList->selectedItems();
    return selected.size() == 1 ? m_w.favoriteList->indexOfTopLevelItem(selected.first()) : -1;
}

int NavigationCommands::favoriteRow(const QString& keyPath) const
{
    for (int i = 0; i < m_w.favoriteList->topLevelItemCount(); ++i) {
        if (winEqualsNoCase(m_w.favoriteList->topLevelItem(i)->text(1), keyPath))
            return i;
    }
    return -1;
}

// Rows stay sorted by key path in the locale's case-sensitive order.
QTreeWidgetItem* NavigationCommands::addFavoriteRow(const Favorite& favorite)
{
    const QCollator collator = UserCollator();
    int row = 0;
    while (row < m_w.favoriteList->topLevelItemCount() &&
           collator.compare(m_w.favoriteList->topLevelItem(row)->text(1), favorite.keyPath) <= 0)
        ++row;
    auto* item = new QTreeWidgetItem(QStringList{favorite.description, favorite.keyPath});
    item->setIcon(0, KavenIcons::icon(KavenIcons::Favorite));
    item->setData(0, OldDescriptionRole, favorite.description);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_w.favoriteList->insertTopLevelItem(row, item);
    return item;
}

void NavigationCommands::setFavorites(QList<Favorite> favorites)
{
    const QSignalBlocker block(m_w.favoriteList);
    m_w.favoriteList->clear();
    const QCollator collator = UserCollator();
    std::stable_sort(favorites.begin(), favorites.end(), [&collator](const Favorite& a, const Favorite& b) {
        return collator.compare(a.keyPath, b.keyPath) < 0;
    });
    for (const Favorite& favorite : favorites)
        addFavoriteRow(favorite);
    updateActions();
}

// An edited description that is empty reverts to the old one.
void NavigationCommands::onFavoriteChanged(QTreeWidgetItem* item, int column)
{
    if (column != 0)
        return;
    const QSignalBlocker block(m_w.favoriteList);
    if (item->text(0).isEmpty())
        item->setText(0, item->data(0, OldDescriptionRole).toString());
    else
        item->setData(0, OldDescriptionRole, item->text(0));
}

void NavigationCommands::AddFavoriteClick()
{
    const QString path = ExcludeTrailingBackslash(currentKeyPath());
    if (path.isEmpty() || favoriteRow(path) >= 0)
        return;
    QTreeWidgetItem* item = nullptr;
    {
        const QSignalBlocker block(m_w.favoriteList);
        item = addFavoriteRow({FavoritesFile::newDescription(QDate::currentDate()), path});
    }
    m_w.favoriteList->setCurrentItem(item);
    m_w.favoriteList->scrollToItem(item);
    m_w.favoriteList->editItem(item, 0);
    updateActions();
}

void NavigationCommands::RemoveFavoriteClick()
{
    const int row = selectedFavoriteRow();
    if (row < 0 || !AskYesNo(QStringLiteral("Schlüssel wirklich entfernen?")))
        return;
    delete m_w.favoriteList->takeTopLevelItem(row);
    const int count = m_w.favoriteList->topLevelItemCount();
    if (count > 0)
        m_w.favoriteList->setCurrentItem(m_w.favoriteList->topLevelItem(qMin(row, count - 1)));
    updateActions();
}

void NavigationCommands::OpenFavoriteClick()
{
    const int row = selectedFavoriteRow();
    if (row >= 0)
        openKey(m_w.favoriteList->topLevelItem(row)->text(1));
}

void NavigationCommands::LoadFavoritesClick()
{
    const QString name = messageSink().openFileName(QStringLiteral("Datei öffnen"), FavoritesFilter);
    if (name.isEmpty())
        return;
    Options().favoriteFile = withFavExtension(name);
    loadFavorites();
}

void NavigationCommands::SaveFavoritesClick()
{
    const QString name = messageSink().saveFileName(QStringLiteral("Datei speichern"), FavoritesFilter);
    if (name.isEmpty())
        return;
    Options().favoriteFile = withFavExtension(name);
    saveFavorites();
}

void NavigationCommands::loadFavorites()
{
    // A favorites setting naming a file of the store is never opened (it would drop the store's locks).
    if (StoreFiles::isStoreFile(Options().favoriteFile))
        return;
    bool found = false;
    const QList<Favorite> loaded = FavoritesFile::load(Options().favoriteFile, &found);
    if (found)
        setFavorites(loaded);
}

void NavigationCommands::saveFavorites()
{
    if (m_w.favoriteList && !StoreFiles::isStoreFile(Options().favoriteFile))
        FavoritesFile::save(favorites(), Options().favoriteFile);
}

// --- machines ---

QStringList NavigationCommands::machines() const
{
    QStringList result;
    for (int i = 0; i < m_w.machineCombo->count(); ++i)
        result << m_w.machineCombo->itemText(i);
    return result;
}

void NavigationCommands::setMachines(const QStringList& machines, int current)
{
    const QSignalBlocker block(m_w.machineCombo);
    m_w.machineCombo->clear();
    m_w.machineCombo->addItems(machines);
    m_w.machineCombo->setCurrentIndex(current);
}

void NavigationCommands::loadMachineList()
{
    const QStringList list = MachineList::load(DataFile(MachineList::fileName()));
    setMachines(list, MachineList::indexOf(list, LocalMachineWord));
}

void NavigationCommands::saveMachineList()
{
    MachineList::save(machines(), DataFile(MachineList::fileName()));
}

// The machines of the list and those the platform layer routes (KAVEN_MACHINES="NAME=path;...").
QStringList NavigationCommands::knownMachines() const
{
    QStringList known;
    for (const QString& machine : machines()) {
        if (!winEqualsNoCase(machine, LocalMachineWord))
            known << machine;
    }
    const QString routes = QString::fromLocal8Bit(qgetenv("KAVEN_MACHINES"));
    for (const QString& route : routes.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = route.section(QLatin1Char('='), 0, 0).trimmed();
        if (!name.isEmpty() && MachineList::indexOf(known, name) < 0)
            known << MachineList::entryFor(name);
    }
    return known;
}

void NavigationCommands::NetConnectClick()
{
    const QStringList known = knownMachines();
    const QString name = m_hooks.askMachineName ? m_hooks.askMachineName(known)
                                                : TMachineForm::ask(known, m_w.tree->window());
    if (name.isEmpty())
        return;
    const QString entry = MachineList::entryFor(name);
    if (entry == LocalMachineWord) {
        NetDisconnectClick();
        return;
    }
    if (winEqualsNoCase(entry.mid(2), m_hooks.localComputerName)) {
        ShowError(QStringLiteral("Eine Verbindung mit dem eigenen Computer ist nicht möglich."));
        return;
    }
    const QString oldMachine = CurrentMachine();
    if (!IsOtherMachine(entry) || !SelectMachine(entry))
        return;
    QStringList list = machines();
    const int index = MachineList::add(list, entry);
    setMachines(list, index);
    completeMachineChange(oldMachine);
}

void NavigationCommands::NetDisconnectClick()
{
    const int local = MachineList::indexOf(machines(), LocalMachineWord);
    if (local < 0)
        return;
    {
        const QSignalBlocker block(m_w.machineCombo);
        m_w.machineCombo->setCurrentIndex(local);
    }
    MachinePicked(local);
}

void NavigationCommands::MachinePicked(int index)
{
    const QString entry = m_w.machineCombo->itemText(index);
    if (entry.isEmpty() || !IsOtherMachine(entry))
        return;
    const QString oldMachine = CurrentMachine();
    if (SelectMachine(entry))
        completeMachineChange(oldMachine);
    else
        showConnectedMachine();
}

// After a failed connection the list shows the machine that stays connected.
void NavigationCommands::showConnectedMachine()
{
    const int index = MachineList::indexOf(machines(), CurrentMachine());
    const QSignalBlocker block(m_w.machineCombo);
    if (index >= 0)
        m_w.machineCombo->setCurrentIndex(index);
}

void NavigationCommands::completeMachineChange(const QString& oldMachine)
{
    // 1-2. Tree state and history of the machine left.
    const QString oldState = DataFile(TreeStateFile::fileNameFor(oldMachine));
    if (m_hooks.saveTreeState)
        m_hooks.saveTreeState(oldState);
    else
        (void)TreeStateFile::save(*m_model, m_w.tree->currentIndex(), oldState);
    m_history.save(DataFile(NavigationHistory::fileNameFor(oldMachine)));

    // 3. History of the machine entered.
    m_history.clear();
    m_history.load(DataFile(NavigationHistory::fileNameFor(CurrentMachine())));
    showHistory();

    // 4. What belongs to the old machine's registry.
    if (m_hooks.machineLeft)
        m_hooks.machineLeft();

    // 5-6. The tree of the machine entered: its saved state, else the root keys.
    UpdateRootKeys();
    const QString newState = DataFile(TreeStateFile::fileNameFor(CurrentMachine()));
    bool restored = false;
    if (m_hooks.loadTreeState) {
        restored = m_hooks.loadTreeState(newState);
    } else {
        const QModelIndex node = TreeStateFile::load(*m_model, newState, &restored);
        if (restored && node.isValid())
            m_w.tree->selectionModel()->setCurrentIndex(node, QItemSelectionModel::ClearAndSelect);
    }
    if (!restored) {
        const QModelIndex machineNode = BuildRootNodes(*m_model);
        m_w.tree->selectionModel()->setCurrentIndex(machineNode, QItemSelectionModel::ClearAndSelect);
    }
    m_w.tree->scrollTo(m_w.tree->currentIndex());
    updateActions();
    if (m_hooks.updateCommands)
        m_hooks.updateCommands();
}
