#include "mainwindow/ValueListView.h"

#include "registry/ValueListModel.h"
#include "widgets/ImageDelegate.h"

#include <QHeaderView>
#include <QTreeView>

QTreeView* NewValueListView(ValueListModel* model, const QString& objectName)
{
    auto* list = new QTreeView;
    list->setObjectName(objectName);
    list->setModel(model);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* delegate = new ImageDelegate(ValueListModel::ImageRole, -1, list);
    delegate->setRightAligned(ValueListModel::SizeColumn);
    list->setItemDelegate(delegate);
    list->header()->setStretchLastSection(true);
    list->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return list;
}
