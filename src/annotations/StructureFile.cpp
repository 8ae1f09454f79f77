#include "annotations/StructureFile.h"

#include "annotations/ListFileWriter.h"
#include "platform/StoreFiles.h"
#include "platform/TextCodec.h"
#include "registry/HexDigit.h"
#include "registry/RegUtils.h"
#include "registry/RegistryAccessor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>
#include <utility>

namespace StructureFile {

namespace {

constexpr int NameColumn = 10;

// The value of count hex digits at pos, or -1 when one of them is not a hex digit.
qint64 hexField(QByteArrayView line, int pos, int count)
{
    qint64 value = 0;
    for (int i = pos; i < pos + count; ++i) {
        const int digit = i < line.size() ? HexDigitValue(QLatin1Char(line[i])) : -1;
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

QByteArray hex(int value, int digits)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(digits, '0');
}

bool readNode(QByteArrayView line, StructureNode& node)
{
    if (line.size() < NameColumn)
        return false;
    qint64 fields[5];
    for (int i = 0; i < 5; ++i)
        if ((fields[i] = hexField(line, 2 * i, 2)) < 0)
            return false;
    node = {TextCodec::decode(line.sliced(NameColumn)), int(fields[0]), int(fields[1]), int(fields[2]), fields[3] != 0,
            fields[4] != 0};
    return true;
}

QList<QByteArray> lines(const QByteArray& bytes)
{
    QList<QByteArray> result = bytes.split('\n');
    for (QByteArray& line : result)
        if (line.endsWith('\r'))
            line.chop(1);
    return result;
}

// Opens (creating) root + "\" + the path below the target key; the handle closes with the accessor.
void createKey(const QString& keyPath, const QStringList& components)
{
    for (const QString& name : components)
        if (name.isEmpty() || name.contains(QLatin1Char('\\')) || name.size() > MAX_KEY_NAME)
            return;
    RegistryAccessor reg(KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY);
    if (!ConnectRootKey(reg, GetRootKey(keyPath), false))
        return;
    const QString path = IncludeTrailingBackslash(keyPath) + components.join(QLatin1Char('\\'));
    (void)reg.openKey(QLatin1Char('\\') + GetSubKeyPath(path), true);
}

} // namespace

Structure read(QIODevice& device)
{
    const QList<QByteArray> all = lines(device.readAll());
    Structure structure;
    // Positions beyond any tree are as good as none.
    const qint64 selected = all.isEmpty() ? -1 : hexField(all.first(), 0, 8);
    structure.selected = selected >= 0 && selected <= std::numeric_limits<int>::max() ? int(selected) : 0;
    for (qsizetype i = 1; i < all.size(); ++i) {
        StructureNode node;
        if (readNode(all[i], node))
            structure.nodes.append(node);
    }
    return structure;
}

bool write(const Structure& structure, QIODevice& device)
{
    QByteArray bytes = hex(structure.selected, 8) + "\r\n";
    for (const StructureNode& node : structure.nodes) {
        bytes += hex(node.image & 0xFF, 2) + hex(node.selectedImage & 0xFF, 2) + hex(node.level & 0xFF, 2);
        bytes += node.hasChildren ? "01" : "00";
        bytes += node.hasChildren && node.expanded ? "01" : "00";
        bytes += TextCodec::encode(node.name) + "\r\n";
    }
    return device.write(bytes) == bytes.size();
}

Structure load(const QString& fileName)
{
    QFile file(fileName);
    if (StoreFiles::isStoreFile(fileName) || !file.exists() || !file.open(QIODevice::ReadOnly))
        return {};
    return read(file);
}

bool save(const Structure& structure, const QString& fileName)
{
    return ListFileWriter::replace(fileName, [&](QIODevice& device) { return write(structure, device); });
}

QList<int> parentIndices(const QList<StructureNode>& nodes)
{
    QList<int> parents;
    QList<int> chain; // the last node and its ancestors, outermost first
    for (int i = 0; i < nodes.size(); ++i) {
        while (!chain.isEmpty() && nodes[chain.last()].level >= nodes[i].level)
            chain.removeLast();
        parents.append(chain.isEmpty() ? -1 : chain.last());
        chain.append(i);
    }
    return parents;
}

bool isValidName(const QString& name)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    if (name.isEmpty())
        return false;
    for (QChar c : name)
        if (forbidden.contains(c))
            return false;
    return true;
}

QStringList structureNames(const QString& directory)
{
    QStringList names;
    const QDir dir(directory);
    for (const QString& file : dir.entryList({QLatin1Char('*') + Extension}, QDir::Files, QDir::Name))
        names << QFileInfo(file).completeBaseName();
    return names;
}

Structure readKeyStructure(const QString& keyPath)
{
    RegistryAccessor reg(KEY_READ);
    if (reg.openPath(keyPath, false, false) != RegResult::Success)
        return {};
    const QString base = reg.currentPath();
    Structure structure;
    structure.nodes.append({RootName, 0, 0, 0, reg.hasSubKeys(), true});
    // Pending keys, the next one last: a loop instead of recursion, however deep the branch.
    QList<std::pair<QString, int>> pending;
    const auto push = [&](const QString& parent, const QStringList& names, int level) {
        for (qsizetype i = names.size() - 1; i >= 0; --i)
            pending.append({parent.isEmpty() ? names[i] : parent + QLatin1Char('\\') + names[i], level});
    };
    push(base, reg.subKeyNames(), 1);
    while (!pending.isEmpty()) {
        const auto [path, level] = pending.takeLast();
        const QStringList names =
            reg.openKey(QLatin1Char('\\') + path, false) ? reg.subKeyNames() : QStringList();
        structure.nodes.append({path.section(QLatin1Char('\\'), -1), 0, 0, level, !names.isEmpty(), false});
        push(path, names, level + 1);
    }
    return structure;
}

int apply(const QString& fileName, const QString& keyPath)
{
    if (!QFileInfo::exists(fileName))
        return 0;
    return apply(load(fileName), keyPath);
}

int apply(const Structure& structure, const QString& keyPath)
{
    int previous = -1;
    QStringList current;
    for (qsizetype i = 1; i < structure.nodes.size(); ++i) {
        const StructureNode& node = structure.nodes[i];
        if (node.level == previous && !current.isEmpty())
            current.removeLast();
        else if (node.level < previous)
            current = current.mid(0, qMax(0, node.level - 1));
        current.append(node.name);
        createKey(keyPath, current);
        previous = node.level;
    }
    return int(qMax<qsizetype>(0, structure.nodes.size() - 1));
}

} // namespace StructureFile
