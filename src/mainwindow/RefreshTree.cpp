#include "mainwindow/RefreshTree.h"

#include "mainwindow/TreeStateFile.h"
#include "platform/WinCase.h"
#include "registry/KeyTreeModel.h"
#include "registry/Progress.h"
#include "registry/RegUtils.h"
#include "registry/RegistryAccessor.h"

#include <QSet>
#include <QStringList>

#include <memory>

namespace {

bool isRootKeyNode(const QModelIndex& node)
{
    return node.parent().isValid() && !node.parent().parent().isValid();
}

// Whether the key below the accessor's root has subkeys (the one extra open per child).
bool childHasSubKeys(RegistryAccessor& reg, const QString& subPath)
{
    RegistryAccessor child(KEY_READ);
    child.setRootKey(reg.rootKey());
    return child.openKey(QLatin1Char('\\') + subPath, false) && child.hasSubKeys();
}

bool contains(const QModelIndex& subtree, const QModelIndex& node)
{
    for (QModelIndex n = node; n.isValid(); n = n.parent())
        if (n == subtree)
            return true;
    return false;
}

// A node that goes takes its subtree with it; a remembered node in there passes to the parent.
void removeSubtree(KeyTreeModel& tree, const QModelIndex& node, QPersistentModelIndex& remembered)
{
    if (contains(node, remembered))
        remembered = node.parent();
    tree.removeNode(node);
}

void syncChildren(KeyTreeModel& tree, const QModelIndex& node, RegistryAccessor& reg, const QString& subPath,
                  QPersistentModelIndex& remembered)
{
    const QStringList names = reg.subKeyNames();
    QSet<QString> upper;
    for (const QString& name : names)
        upper.insert(winUpper(name));
    for (int row = tree.rowCount(node) - 1; row >= 0; --row) {
        const QModelIndex child = tree.index(row, 0, node);
        if (!upper.contains(winUpper(tree.text(child))))
            removeSubtree(tree, child, remembered);
    }
    const QString prefix = subPath.isEmpty() ? QString() : subPath + QLatin1Char('\\');
    for (const QString& name : names) {
        if (tree.findChild(node, name).isValid())
            continue;
        tree.insertChild(node, KeyNodeSpec{name, 1, 2, childHasSubKeys(reg, prefix + name)});
    }
    tree.sortChildren(node);
}

} // namespace

QModelIndex RefreshTree(KeyTreeModel& tree, const QModelIndex& selected, Progress& progress)
{
    QPersistentModelIndex remembered(selected);
    const QModelIndex machine = tree.index(0, 0);
    QPersistentModelIndex node(tree.index(0, 0, machine));
    std::unique_ptr<RegistryAccessor> reg;
    while (node.isValid()) {
        progress.step();
        if (progress.abortRequested())
            break;
        const QString path = GetNodePath(tree, node);
        if (isRootKeyNode(node)) {
            reg = std::make_unique<RegistryAccessor>(KEY_READ);
            if (!ConnectRootKey(*reg, GetRootKey(path), false))
                break;
        }
        const QString subPath = GetSubKeyPath(path);
        if (!reg || !reg->openKey(QLatin1Char('\\') + subPath, false)) {
            const QPersistentModelIndex next(TreeStateFile::nextAfterSubtree(tree, node));
            removeSubtree(tree, node, remembered);
            node = next;
            continue;
        }
        if (tree.childrenLoaded(node))
            syncChildren(tree, node, *reg, subPath, remembered);
        else
            tree.setHasChildrenMark(node, reg->hasSubKeys());
        node = TreeStateFile::nextInTreeOrder(tree, node);
    }
    return remembered;
}

void ExpandSubtree(KeyTreeModel& tree, const QModelIndex& start, Progress& progress,
                   const std::function<void(const QModelIndex&)>& expand)
{
    QPersistentModelIndex node(start.isValid() ? start : tree.index(0, 0));
    const QPersistentModelIndex end(TreeStateFile::nextAfterSubtree(tree, node));
    while (node.isValid() && node != end) {
        progress.step();
        if (progress.abortRequested())
            return;
        if (node.parent().isValid())
            tree.loadChildren(node);
        if (tree.rowCount(node) > 0)
            expand(node);
        node = TreeStateFile::nextInTreeOrder(tree, node);
    }
}
