#include "changes/TChangePage.h"

#include "changes/ChangeListFile.h"
#include "registry/MessageSink.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegValueUtils.h"
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

// The rows of a ChangeList as a read-only table: "Kommentar" with the row's image, "Wert", "Schlüssel".
class ChangeListModel final : public QAbstractTableModel {
public:
    ChangeListModel(const ChangeList& rows, QObject* parent) : QAbstractTableModel(parent), m_rows(rows) {}

    // The view learns of rows only here, so that a comparison can add rows without a repaint each.
    void reload()
    {
        beginResetModel();
        m_shown = m_rows.size();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_shown; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 3; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_rows.size())
            return {};
        const ChangeRow& row = m_rows.rows()[size_t(index.row())];
        if (role == Qt::DecorationRole && index.column() == 0)
            return KavenIcons::icon(index.row() == m_marker ? MarkerImage : row.image);
        if (role != Qt::DisplayRole)
            return {};
        switch (index.column()) {
        case 0: return row.comment;
        case 1: return row.valueText;
        default: return row.keyText;
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const QString captions[3] = {QStringLiteral("Kommentar"), QStringLiteral("Wert"),
                                            QStringLiteral("Schlüssel")};
        return section >= 0 && section < 3 ? captions[section] : QString();
    }

    // The row an undo is working on shows the marker image; -1: none.
    void setMarker(int row)
    {
        const int before = m_marker;
        m_marker = row;
        for (const int r : {before, row}) {
            if (r >= 0 && r < m_shown)
                emit dataChanged(index(r, 0), index(r, 0), {Qt::DecorationRole});
        }
    }

private:
    static constexpr int MarkerImage = 21;
    const ChangeList& m_rows;
    int m_shown = 0;
    int m_marker = -1;
};

TChangePage::TChangePage(const Actions& actions, QWidget* parent) : QWidget(parent), m_a(actions)
{
    setObjectName(QStringLiteral("ChangePage"));
    m_model = new ChangeListModel(m_changes, this);
    m_view = new QTreeView;
    m_view->setObjectName(QStringLiteral("ChangeListView1"));
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
    m_view->setColumnWidth(0, 200);
    m_view->setColumnWidth(1, 160);

    m_properties = new QAction(QStringLiteral("&Eigenschaften"), this);
    m_properties->setObjectName(QStringLiteral("ChangeProperties1"));
    connect(m_properties, &QAction::triggered, this, &TChangePage::PropertiesClick);

    QStyle* s = style();
    m_bar = new QToolBar(this);
    m_bar->setObjectName(QStringLiteral("ChangeToolBar"));
    m_bar->setIconSize(QSize(16, 16));
    // The buttons' tips are the captions the buttons carry.
    const std::tuple<QAction*, QStyle::StandardPixmap, QString> buttons[] = {
        {m_a.findChanges, QStyle::SP_FileDialogContentsView, QStringLiteral("Änderungen finden")},
        {m_a.exclude, QStyle::SP_DialogNoButton, QStringLiteral("Schlüssel ausschließen")},
        {m_a.undo, QStyle::SP_ArrowBack, QStringLiteral("Rückgängig")},
        {m_a.remove, QStyle::SP_DialogDiscardButton, QStringLiteral("Einträge entfernen")},
        {m_a.openKey, QStyle::SP_DirOpenIcon, QStringLiteral("Schlüssel öffnen")}};
    for (const auto& [a, pixmap, tip] : buttons) {
        if (!a)
            continue;
        if (a->icon().isNull())
            a->setIcon(s->standardIcon(pixmap));
        m_bar->addAction(a);
        m_bar->widgetForAction(a)->setToolTip(tip);
    }
    buildMenu();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_bar);
    layout->addWidget(m_view, 1);

    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TChangePage::pullSelection);
    connect(m_view, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_menu->popup(m_view->viewport()->mapToGlobal(pos)); });
    connect(m_view, &QAbstractItemView::doubleClicked, this, &TChangePage::OpenKeyClick);
    updateActions();
}

TChangePage::~TChangePage()
{
    m_view->selectionModel()->disconnect(this);
}

void TChangePage::buildMenu()
{
    m_menu = new QMenu(this);
    QMenu* mark = m_menu->addMenu(QStringLiteral("&Markieren"));
    QMenu* keys = mark->addMenu(QStringLiteral("&Schlüssel"));
    QMenu* values = mark->addMenu(QStringLiteral("&Werte"));
    QMenu* data = mark->addMenu(QStringLiteral("&Daten"));
    for (int i = 0; i < 7; ++i)
        (i < 3 ? keys : i < 6 ? values : data)->addAction(m_a.marks[size_t(i)]);
    mark->addAction(m_a.markDown);
    for (QAction* a : {m_a.selectAll, m_a.invert, static_cast<QAction*>(nullptr), m_a.search, m_a.undo, m_a.remove,
                       m_a.openKey, static_cast<QAction*>(nullptr), m_a.openFile, m_a.saveFile,
                       static_cast<QAction*>(nullptr), m_properties}) {
        if (a)
            m_menu->addAction(a);
        else
            m_menu->addSeparator();
    }
}

QStringList TChangePage::markedKeyPaths() const
{
    QStringList paths;
    for (const ChangeRow& row : m_changes.rows()) {
        if (row.selected)
            paths << row.keyText;
    }
    return paths;
}

void TChangePage::clear()
{
    m_changes.ClearChangeList();
    refresh();
}

void TChangePage::follow()
{
    if (m_changes.size() - m_shownRows < RepaintEvery)
        return;
    refresh();
    m_view->viewport()->repaint();
}

void TChangePage::refresh()
{
    m_shownRows = m_changes.size();
    m_model->reload();
    pushSelection();
    emit rowCountChanged();
}

void TChangePage::pullSelection()
{
    if (m_pushing)
        return;
    CopyViewSelection(*m_view->selectionModel(), m_changes);
    updateActions();
}

void TChangePage::pushSelection()
{
    const QItemSelection selection = MarkedRowsSelection(*m_model, m_changes.rows());
    m_pushing = true;
    m_view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_pushing = false;
    updateActions();
}

void TChangePage::showMarker(int row, bool on)
{
    m_model->setMarker(on ? row : -1);
    if (on && row < m_model->rowCount())
        m_view->scrollTo(m_model->index(row, 0));
    m_view->viewport()->repaint();
}

void TChangePage::showFound(int row)
{
    pushSelection();
    if (row >= 0 && row < m_model->rowCount())
        m_view->scrollTo(m_model->index(row, 0));
}

void TChangePage::updateActions()
{
    const bool hasRows = !m_changes.isEmpty();
    const int selected = m_changes.selectedCount();
    for (QAction* a : m_a.marks)
        a->setEnabled(hasRows);
    for (QAction* a : {m_a.selectAll, m_a.invert, m_a.saveFile, m_properties})
        a->setEnabled(hasRows);
    m_a.markDown->setEnabled(selected == 1);
    m_a.remove->setEnabled(selected > 0);
    m_a.openKey->setEnabled(selected == 1);
    // Search in changes and their undo belong to features not part of the window yet.
    const auto built = [](QAction* a) { return a && a->property("kavenBuilt").toBool(); };
    for (QAction* a : {m_a.search, m_a.undo}) {
        if (built(a))
            a->setEnabled(hasRows);
    }
}

void TChangePage::Mark(ChangeMark mark)
{
    m_changes.Mark(mark);
    pushSelection();
}

void TChangePage::MarkDownwardsClick()
{
    m_changes.MarkDownwards();
    pushSelection();
}

void TChangePage::SelectAllClick()
{
    m_changes.MarkAll();
    pushSelection();
}

void TChangePage::InvertClick()
{
    m_changes.InvertMarking();
    pushSelection();
}

void TChangePage::RemoveEntriesClick()
{
    if (m_changes.RemoveMarked() > 0)
        refresh();
}

void TChangePage::OpenKeyClick()
{
    if (m_changes.selectedCount() != 1)
        return;
    for (const ChangeRow& row : m_changes.rows()) {
        if (row.selected) {
            emit openKeyRequested(row.keyText, row.image != ImageKey, row.record.ValueName);
            return;
        }
    }
}

void TChangePage::SaveChangesClick()
{
    const QString chosen = messageSink().saveFileName(QStringLiteral("Änderungen speichern"), FileFilter);
    if (chosen.isEmpty())
        return;
    if (!SaveChangeList(ChangeListFileName(chosen), m_changes))
        ShowError(QStringLiteral("Kann Datei nicht speichern."));
}

void TChangePage::OpenChangesClick()
{
    const QString name = messageSink().openFileName(QStringLiteral("Änderungen öffnen"), FileFilter);
    if (name.isEmpty())
        return;
    clear();
    const ChangeFileError error = LoadChangeList(name, m_changes);
    refresh();
    if (error.failed()) // entries before a damaged one stay in the list
        ShowError(error.text(name));
}

void TChangePage::PropertiesClick()
{
    const ChangeCounts c = m_changes.CountChanges();
    const ResultCounts counts{c.selectionOnly, c.keys, c.strings, c.dwords, c.binaries};
    TPropertyExForm form(c.caption(), machineName ? machineName() : QString(), counts, this);
    form.exec();
}
