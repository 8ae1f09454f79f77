#include "mainwindow/ValueListView.h"

#include "registry/KeyTreeModel.h"
#include "registry/ValueListModel.h"
#include "widgets/ImageDelegate.h"

#include <QHeaderView>
#include <QTreeView>

QTreeView* NewKeyTreeView(KeyTreeModel* model, const QString& objectName)
{
    auto* tree = new QTreeView;
    tree->setObjectName(objectName);
    tree->setModel(model);
    tree->setHeaderHidden(true);
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tree->setUniformRowHeights(true);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    tree->setItemDelegate(new ImageDelegate(KeyTreeModel::ImageRole, KeyTreeModel::SelectedImageRole, tree));
    QObject::connect(tree, &QTreeView::expanded, model,
                     [model](const QModelIndex& node) { model->setExpanded(node, true); });
    QObject::connect(tree, &QTreeView::collapsed, model,
                     [model](const QModelIndex& node) { model->setExpanded(node, false); });
    QObject::connect(model, &KeyTreeModel::expandRequested, tree, &QTreeView::expand);
    return tree;
}

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
