#include "search/TSearchPage.h"

#include "registry/MessageSink.h"
#include "registry/RegMessageUtils.h"
#include "search/ResultFile.h"
#include "search/TPropertyExForm.h"
#include "widgets/KavenIcons.h"
#include "widgets/MarkedRows.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <utility>

// The rows of a SearchResultList as a read-only table: "Fundort" with the row's image, "Wert", "Schlüssel".
class SearchResultModel final : public QAbstractTableModel {
public:
    explicit SearchResultModel(const SearchResultList& rows, QObject* parent)
        : QAbstractTableModel(parent), m_rows(rows)
    {
    }

    // The view learns of rows only here, so that a listing search can add rows without a repaint each.
    void reload()
    {
        beginResetModel();
        m_shown = m_rows.size();
        endResetModel();
    }

    void setMarker(int row)
    {
        const int before = m_marker;
        m_marker = row;
        for (const int r : {before, row}) {
            if (r >= 0 && r < m_shown)
                emit dataChanged(index(r, 0), index(r, 0), {Qt::DecorationRole});
        }
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_shown; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 3; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_rows.size())
            return {};
        const ResultRow& row = m_rows.rows()[size_t(index.row())];
        if (role == Qt::DecorationRole && index.column() == 0)
            return KavenIcons::icon(index.row() == m_marker ? int(KavenIcons::Marker) : row.icon);
        if (role != Qt::DisplayRole)
            return {};
        switch (index.column()) {
        case 0: return row.foundAt;
        case 1: return row.valueName;
        default: return row.keyPath;
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const QString captions[3] = {QStringLiteral("Fundort"), QStringLiteral("Wert"),
                                            QStringLiteral("Schlüssel")};
        return section >= 0 && section < 3 ? captions[section] : QString();
    }

private:
    const SearchResultList& m_rows;
    int m_shown = 0;
    int m_marker = -1;
};

TSearchPage::TSearchPage(const Actions& actions, QWidget* parent) : QWidget(parent), m_a(actions)
{
    setObjectName(QStringLiteral("SearchPage"));
    m_model = new SearchResultModel(m_results, this);
    m_view = new QTreeView;
    m_view->setObjectName(QStringLiteral("SearchListView1"));
    m_view->setModel(m_model);
    m_view->setRootIsDecorated(false);
    m_view->setItemsExpandable(false);
    m_view->setUniformRowHeights(true);
    m_view->setAllColumnsShowFocus(true);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    m_view->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_view->setColumnWidth(0, 120);
    m_view->setColumnWidth(1, 180);

    QStyle* s = style();
    m_remove = new QAction(QStringLiteral("Einträge en&tfernen"), this);
    m_remove->setObjectName(QStringLiteral("SearchRemove1"));
    m_openKey = new QAction(QStringLiteral("Schlüssel &öffnen ..."), this);
    m_openKey->setObjectName(QStringLiteral("SearchOpenKey1"));
    m_properties = new QAction(QStringLiteral("&Eigenschaften"), this);
    m_properties->setObjectName(QStringLiteral("SearchProperties1"));
    connect(m_remove, &QAction::triggered, this, &TSearchPage::RemoveEntriesClick);
    connect(m_openKey, &QAction::triggered, this, &TSearchPage::OpenKeyClick);
    connect(m_properties, &QAction::triggered, this, &TSearchPage::PropertiesClick);

    m_bar = new QToolBar(this);
    m_bar->setObjectName(QStringLiteral("SearchToolBar"));
    m_bar->setIconSize(QSize(16, 16));
    const std::pair<QAction*, QStyle::StandardPixmap> buttons[] = {
        {m_a.search, QStyle::SP_FileDialogContentsView}, {m_a.replace, QStyle::SP_FileDialogDetailedView},
        {m_a.deleteResults, QStyle::SP_TrashIcon},        {m_a.check, QStyle::SP_DialogApplyButton},
        {m_remove, QStyle::SP_DialogDiscardButton},       {m_openKey, QStyle::SP_DirOpenIcon}};
    for (const auto& [a, pixmap] : buttons) {
        if (!a)
            continue;
        if (a->icon().isNull())
            a->setIcon(s->standardIcon(pixmap));
        m_bar->addAction(a);
        // The button's tip is its command without accelerator and dots.
        const QString tip = QString(a->text()).remove(QLatin1Char('&')).remove(QStringLiteral(" ..."));
        m_bar->widgetForAction(a)->setToolTip(tip);
    }
    buildMenu();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_bar);
    layout->addWidget(m_view, 1);

    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TSearchPage::pullSelection);
    connect(m_view, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_menu->popup(m_view->viewport()->mapToGlobal(pos)); });
    connect(m_view, &QAbstractItemView::doubleClicked, this, &TSearchPage::OpenKeyClick);
    updateActions();
}

TSearchPage::~TSearchPage()
{
    m_view->selectionModel()->disconnect(this);
}

void TSearchPage::buildMenu()
{
    m_menu = new QMenu(this);
    QMenu* mark = m_menu->addMenu(QStringLiteral("&Markieren"));
    mark->addAction(m_a.marks[0]);
    QMenu* values = mark->addMenu(QStringLiteral("&Werte"));
    QMenu* data = mark->addMenu(QStringLiteral("Da&ten"));
    for (int i = 1; i < 9; ++i)
        (i < 5 ? values : data)->addAction(m_a.marks[size_t(i)]);
    mark->addAction(m_a.markDown);
    m_menu->addAction(m_a.selectAll);
    m_menu->addAction(m_a.invert);
    m_menu->addSeparator();
    m_menu->addAction(m_remove);
    m_menu->addAction(m_openKey);
    m_menu->addSeparator();
    m_menu->addAction(m_a.openFile);
    m_menu->addAction(m_a.saveFile);
    m_menu->addSeparator();
    m_menu->addAction(m_properties);
}

void TSearchPage::clear()
{
    m_results.clear();
    m_unshown.clear();
    refresh();
}

void TSearchPage::addMatch(const SearchResult& match)
{
    m_unshown.push_back(SearchResultList::rowOf(match));
    const auto unshown = qsizetype(m_unshown.size());
    if (unshown < RepaintEvery)
        return;
    if (unshown >= m_results.size() / 8 || !m_shown.isValid() || m_shown.elapsed() >= 250) {
        refresh();
        m_view->viewport()->repaint();
    }
}

void TSearchPage::refresh()
{
    if (!m_unshown.empty())
        m_results.addResultRows(std::exchange(m_unshown, {}));
    m_shown.start();
    m_model->reload();
    pushSelection();
    emit rowCountChanged();
    updateActions();
}

void TSearchPage::showMarker(int row, bool on)
{
    m_model->setMarker(on ? row : -1);
    if (on && row < m_model->rowCount())
        m_view->scrollTo(m_model->index(row, 0));
    m_view->viewport()->repaint();
}

void TSearchPage::pullSelection()
{
    if (m_pushing)
        return;
    CopyViewSelection(*m_view->selectionModel(), m_results);
    updateActions();
}

void TSearchPage::pushSelection()
{
    const QItemSelection selection = MarkedRowsSelection(*m_model, m_results.rows());
    m_pushing = true;
    m_view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_pushing = false;
    updateActions();
}

void TSearchPage::updateActions()
{
    const bool hasRows = !m_results.isEmpty();
    const int selected = m_results.selectedCount();
    for (QAction* a : m_a.marks)
        a->setEnabled(hasRows);
    for (QAction* a : {m_a.selectAll, m_a.invert, m_a.saveFile, m_properties})
        a->setEnabled(hasRows);
    m_a.markDown->setEnabled(selected == 1);
    m_a.openFile->setEnabled(true);
    m_remove->setEnabled(selected > 0);
    m_openKey->setEnabled(selected == 1);
    // Commands whose feature is not part of the window yet stay disabled.
    const auto built = [](QAction* a) { return a && a->property("kavenBuilt").toBool(); };
    for (QAction* a : {m_a.replace, m_a.deleteResults}) {
        if (built(a))
            a->setEnabled(selected > 0);
    }
    if (built(m_a.check))
        m_a.check->setEnabled(hasRows && (!machineName || machineName().isEmpty()));
}

void TSearchPage::Mark(MarkCommand command)
{
    m_results.Mark(command);
    pushSelection();
}

void TSearchPage::MarkDownwardsClick()
{
    m_results.MarkDownwards();
    pushSelection();
}

void TSearchPage::SelectAllClick()
{
    m_results.MarkAll();
    pushSelection();
}

void TSearchPage::InvertClick()
{
    m_results.InvertMarking();
    pushSelection();
}

void TSearchPage::RemoveEntriesClick()
{
    if (m_results.RemoveMarked() > 0)
        refresh();
}

void TSearchPage::OpenKeyClick()
{
    if (m_results.selectedCount() != 1)
        return;
    for (const ResultRow& row : m_results.rows()) {
        if (!row.selected)
            continue;
        // The default value's row shows "(Standard)" and a found-at text beginning with "Standard".
        const bool isDefault = row.foundAt.startsWith(QStringLiteral("Standard"));
        emit openKeyRequested(row.keyPath, !row.isKeyRow(), isDefault ? QString() : row.valueName);
        return;
    }
}

void TSearchPage::SaveResultsClick()
{
    const QString chosen = messageSink().saveFileName(QStringLiteral("Suchergebnisse speichern"), FileFilter);
    if (chosen.isEmpty())
        return;
    // A file that cannot be written is left uncreated, without a message.
    (void)SaveResultFile(ResultFileName(chosen), m_results);
}

void TSearchPage::OpenResultsClick()
{
    const QString name = messageSink().openFileName(QStringLiteral("Suchergebnisse öffnen"), FileFilter);
    if (name.isEmpty())
        return;
    const ResultFileContent content = LoadResultFile(name, m_results);
    refresh();
    if (!content.ok) {
        ShowError(content.error);
        return;
    }
    if (content.skippedLines > 0)
        ShowInfo(SkippedLinesText(content.skippedLines));
}

void TSearchPage::PropertiesClick()
{
    const ResultCounts counts = m_results.CountResults();
    TPropertyExForm form(counts.caption(), machineName ? machineName() : QString(), counts, this);
    form.exec();
}
