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
    // Sets of upper-cased names keep this linear for keys with tens of thousands of subkeys.
    const QStringList names = reg.subKeyNames();
    QSet<QString> inRegistry;
    for (const QString& name : names)
        inRegistry.insert(winUpper(name));
    QSet<QString> inTree;
    for (int row = tree.rowCount(node) - 1; row >= 0; --row) {
        const QModelIndex child = tree.index(row, 0, node);
        const QString upper = winUpper(tree.text(child));
        if (inRegistry.contains(upper))
            inTree.insert(upper);
        else
            removeSubtree(tree, child, remembered);
    }
    const QString prefix = subPath.isEmpty() ? QString() : subPath + QLatin1Char('\\');
    QList<KeyNodeInfo> added;
    for (const QString& name : names)
        if (!inTree.contains(winUpper(name)))
            added.append(KeyNodeInfo{name, 1, 2, childHasSubKeys(reg, prefix + name)});
    for (const KeyNodeInfo& nodeInfo : std::as_const(added))
        tree.appendChild(node, nodeInfo);
    if (!added.isEmpty())
        tree.sortChildren(node);
    tree.setHasChildrenMark(node, tree.rowCount(node) > 0);
}

} // namespace

QModelIndex RefreshTree(KeyTreeModel& tree, const QModelIndex& selected, Progress& progress,
                        const std::function<void(const QModelIndex&)>& deferMark)
{
    QPersistentModelIndex remembered(selected);
    const QModelIndex machine = tree.index(0, 0);
    QPersistentModelIndex node(tree.index(0, 0, machine));
    std::unique_ptr<RegistryAccessor> reg;
    while (node.isValid()) {
        progress.step();
        if (progress.abortRequested())
            break;
        if (deferMark && !isRootKeyNode(node) && !tree.childrenLoaded(node)) {
            // Its parent's subkeys were read a moment ago: the key exists.
            deferMark(node);
            node = TreeStateFile::nextInTreeOrder(tree, node);
            continue;
        }
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
