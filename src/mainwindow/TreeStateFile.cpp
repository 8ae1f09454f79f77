#include "mainwindow/TreeStateFile.h"

#include "platform/FileCommit.h"

#include "settings/OptionsStore.h"
#include "platform/TextCodec.h"
#include "registry/KeyTreeModel.h"
#include "registry/RegUtils.h"

#include <QFile>
#include <QList>
#include <QSaveFile>

namespace TreeStateFile {

namespace {

QString hex2(int v)
{
    return QStringLiteral("%1").arg(v & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

int levelOf(const QModelIndex& node)
{
    int level = 0;
    for (QModelIndex p = node.parent(); p.isValid(); p = p.parent())
        ++level;
    return level;
}

struct StateLine {
    int image = 0;
    int selectedImage = 0;
    int level = 0;
    bool hasChildren = false;
    bool expanded = false;
    QString text;
};

bool parseLine(const QString& line, StateLine& out)
{
    if (line.size() < 10)
        return false;
    int fields[5];
    for (int i = 0; i < 5; ++i) {
        bool ok = false;
        fields[i] = line.mid(2 * i, 2).toInt(&ok, 16);
        if (!ok)
            return false;
    }
    out = {fields[0], fields[1], fields[2], fields[3] != 0, fields[4] != 0, line.mid(10)};
    return true;
}

} // namespace

QModelIndex nextAfterSubtree(const KeyTreeModel& tree, const QModelIndex& node)
{
    for (QModelIndex n = node; n.isValid(); n = n.parent()) {
        const QModelIndex sibling = tree.index(n.row() + 1, 0, n.parent());
        if (sibling.isValid())
            return sibling;
    }
    return {};
}

QModelIndex nextInTreeOrder(const KeyTreeModel& tree, const QModelIndex& node)
{
    if (!node.isValid())
        return tree.index(0, 0);
    if (tree.childrenLoaded(node) && tree.rowCount(node) > 0)
        return tree.index(0, 0, node);
    return nextAfterSubtree(tree, node);
}

bool write(const KeyTreeModel& tree, const QModelIndex& selected, QIODevice& device)
{
    QByteArray body;
    int position = 0;
    int selectedPosition = 0;
    for (QModelIndex n = tree.index(0, 0); n.isValid(); n = nextInTreeOrder(tree, n), ++position) {
        if (n == selected)
            selectedPosition = position;
        const bool loaded = tree.childrenLoaded(n);
        const QString line = hex2(tree.image(n)) + hex2(tree.selectedImage(n)) + hex2(levelOf(n)) +
                             hex2(tree.hasChildrenMark(n) ? 1 : 0) + hex2(loaded && tree.isExpanded(n) ? 1 : 0) +
                             tree.text(n);
        body += TextCodec::encode(line) + "\r\n";
    }
    const QByteArray head = QStringLiteral("%1").arg(selectedPosition, 8, 16, QLatin1Char('0')).toUpper().toLatin1();
    return device.write(head + "\r\n" + body) == head.size() + 2 + body.size();
}

QModelIndex read(KeyTreeModel& tree, QIODevice& device)
{
    tree.clear();
    QList<QByteArray> lines = device.readAll().split('\n');
    if (lines.isEmpty())
        return {};
    bool ok = false;
    const qint64 selectedPosition = lines.takeFirst().trimmed().toLongLong(&ok, 16);

    QList<QPersistentModelIndex> nodes; // in tree order
    QList<QPersistentModelIndex> toExpand;
    QModelIndex previous;
    int previousLevel = 0;
    bool previousExpanded = false;
    for (QByteArray raw : lines) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        StateLine line;
        if (!parseLine(TextCodec::decode(raw), line))
            continue;
        QModelIndex parent;
        if (!previous.isValid()) {
            parent = QModelIndex();
        } else if (line.level > previousLevel) {
            parent = previous;
            if (previousExpanded)
                toExpand << QPersistentModelIndex(previous);
        } else {
            // Same or shallower level: a sibling of the previous node's ancestor at that level.
            QModelIndex n = previous;
            for (int l = previousLevel; l > line.level && n.parent().isValid(); --l)
                n = n.parent();
            parent = n.parent();
        }
        const KeyNodeInfo nodeInfo{line.text, line.image, line.selectedImage, line.hasChildren};
        QModelIndex node;
        if (parent.isValid()) {
            tree.setChildrenLoaded(parent, true);
            node = tree.appendChild(parent, nodeInfo);
        } else {
            node = tree.addTopNode(nodeInfo);
            tree.setChildrenLoaded(node, false);
        }
        tree.setHasChildrenMark(node, line.hasChildren);
        nodes << QPersistentModelIndex(node);
        previous = node;
        previousLevel = line.level;
        previousExpanded = line.expanded;
    }
    for (const QPersistentModelIndex& n : std::as_const(nodes))
        if (tree.childrenLoaded(n))
            tree.setHasChildrenMark(n, tree.rowCount(n) > 0 || tree.hasChildrenMark(n));
    for (const QPersistentModelIndex& n : std::as_const(toExpand))
        tree.requestExpand(n);
    if (nodes.isEmpty())
        return {};
    if (!ok || selectedPosition < 0 || selectedPosition >= nodes.size())
        return nodes.first();
    return nodes.at(int(selectedPosition));
}

bool save(const KeyTreeModel& tree, const QModelIndex& selected, const QString& fileName)
{
    if (!ListFileMayBeWritten(fileName))
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!write(tree, selected, file)) {
        file.cancelWriting();
        return false;
    }
    return CommitSaveFile(file);
}

QModelIndex load(KeyTreeModel& tree, const QString& fileName, bool* found)
{
    QFile file(fileName);
    const bool exists = file.exists() && file.open(QIODevice::ReadOnly);
    if (found)
        *found = exists;
    if (!exists)
        return {};
    return read(tree, file);
}

QString fileNameFor(const QString& machine, bool parallelView)
{
    QString name = machine.isEmpty() ? LocalMachineWord : machine;
    name.remove(QLatin1Char('\\'));
    return (parallelView ? QStringLiteral("copy") : QString()) + name + QStringLiteral(".tmp");
}

} // namespace TreeStateFile
