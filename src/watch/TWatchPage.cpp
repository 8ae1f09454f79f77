#include "watch/TWatchPage.h"

#include "watch/WatchListModel.h"

#include <QAction>
#include <QHeaderView>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

TWatchPage::TWatchPage(WatchListModel& list, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("WatchPage"));
    auto* bar = new QToolBar;
    bar->setObjectName(QStringLiteral("WatchToolBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->setIconSize(QSize(16, 16));
    QAction* clear =
        bar->addAction(style()->standardIcon(QStyle::SP_DialogResetButton), QStringLiteral("Liste leeren"));
    clear->setObjectName(QStringLiteral("ClearWatchList1"));
    connect(clear, &QAction::triggered, &list, &WatchListModel::clear);

    m_view = new QTreeView;
    m_view->setObjectName(QStringLiteral("WatchListView"));
    m_view->setModel(&list);
    m_view->setRootIsDecorated(false);
    m_view->setItemsExpandable(false);
    m_view->setUniformRowHeights(true);
    m_view->setAllColumnsShowFocus(true);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setColumnWidth(WatchListModel::DateColumn, 110);
    m_view->setColumnWidth(WatchListModel::TimeColumn, 80);
    m_view->header()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_view, 1);
}
