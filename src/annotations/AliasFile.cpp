#include "annotations/AliasFile.h"

#include "mainwindow/Favorites.h"
#include "annotations/ListFileWriter.h"
#include "platform/StoreFiles.h"
#include "platform/WinCase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

// The favorites file has the same line form (length-prefixed name, then the key path), so both share
// one line reader and writer.

namespace AliasFile {

QList<AliasEntry> read(QIODevice& device)
{
    QList<AliasEntry> aliases;
    for (const Favorite& line : FavoritesFile::read(device))
        aliases.append({line.description, line.keyPath});
    return aliases;
}

bool write(const QList<AliasEntry>& aliases, QIODevice& device)
{
    QList<Favorite> lines;
    for (const AliasEntry& alias : aliases)
        lines.append({alias.name, alias.keyPath});
    return FavoritesFile::write(lines, device);
}

QList<AliasEntry> load(const QString& fileName)
{
    QFile file(fileName);
    if (StoreFiles::isStoreFile(fileName) || !file.exists() || !file.open(QIODevice::ReadOnly))
        return {};
    return read(file);
}

bool save(const QList<AliasEntry>& aliases, const QString& fileName)
{
    return ListFileWriter::replace(fileName, [&](QIODevice& device) { return write(aliases, device); });
}

QString resolve(const QList<AliasEntry>& aliases, const QString& text,
                const std::function<bool(const QString& keyPath)>& keyExists)
{
    if (keyExists(text))
        return text;
    for (const AliasEntry& alias : aliases)
        if (winEqualsNoCase(alias.name, text))
            return alias.keyPath;
    return text;
}

int indexOfKey(const QList<AliasEntry>& aliases, const QString& keyPath)
{
    for (int i = 0; i < aliases.size(); ++i)
        if (winEqualsNoCase(aliases[i].keyPath, keyPath))
            return i;
    return -1;
}

void setAlias(QList<AliasEntry>& aliases, const QString& keyPath, const QString& name)
{
    const int index = indexOfKey(aliases, keyPath);
    if (index < 0)
        aliases.append({name, keyPath});
    else
        aliases[index] = {name, keyPath};
}

} // namespace AliasFile
