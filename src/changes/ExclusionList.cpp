#include "changes/ExclusionList.h"

#include "platform/BoundedLine.h"
#include "platform/FileCommit.h"

#include "platform/StoreFiles.h"
#include "platform/TextCodec.h"
#include "platform/WinCase.h"
#include "registry/RegMessageUtils.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr qint64 MaxLineBytes = 1 << 20;

QStringView withoutBackslash(QStringView path)
{
    return path.endsWith(QLatin1Char('\\')) ? path.chopped(1) : path;
}

bool matches(const QString& line, QStringView upperPath, ExclusionMode mode)
{
    const QString entry = winUpper(withoutBackslash(QStringView(line).mid(1)));
    if (mode == ExclusionMode::Duplicate)
        return !line.isEmpty() && entry == upperPath;
    const int flags = ExclusionFlagsOf(line);
    if (!(flags & ExclusionFlags::Active) || entry.isEmpty())
        return false;
    return (flags & ExclusionFlags::SubKeys) ? upperPath.contains(entry) : upperPath == entry;
}

} // namespace

int ExclusionFlagsOf(const QString& line)
{
    const QChar digit = line.isEmpty() ? QChar() : line.at(0);
    return digit >= QLatin1Char('0') && digit <= QLatin1Char('9') ? digit.unicode() - '0' : 0;
}

QString ExclusionPathOf(const QString& line)
{
    return line.mid(1);
}

int FindExclusion(const QStringList& lines, const QString& keyPath, ExclusionMode mode)
{
    const QString upperPath = winUpper(withoutBackslash(keyPath));
    for (int i = 0; i < lines.size(); ++i) {
        if (matches(lines.at(i), upperPath, mode))
            return i;
    }
    return -1;
}

bool IsKeyIncluded(const QString& keyPath, const QStringList& lines, bool exclusionOn)
{
    return !exclusionOn || FindExclusion(lines, keyPath, ExclusionMode::Exclude) < 0;
}

void ToggleExclusionFlag(QStringList& lines, int row, int flag)
{
    if (row < 0 || row >= lines.size())
        return;
    const int flags = ExclusionFlagsOf(lines.at(row)) ^ flag;
    lines[row] = QString::number(flags % 10) + ExclusionPathOf(lines.at(row));
}

int AddExclusionKey(QStringList& lines, const QString& keyPath)
{
    if (FindExclusion(lines, keyPath, ExclusionMode::Duplicate) >= 0)
        return -1;
    lines.append(QLatin1Char('0') + withoutBackslash(keyPath).toString());
    return int(lines.size() - 1);
}

int AddExclusionKeys(QStringList& lines, const QStringList& keyPaths)
{
    int last = -1;
    for (const QString& path : keyPaths) {
        const int added = AddExclusionKey(lines, path);
        if (added >= 0)
            last = added;
        else if (!AskYesNo(QStringLiteral("Schlüssel bereits vorhanden. Weiter?")))
            break;
    }
    return last;
}

namespace ExclusionFile {

QStringList read(QIODevice& device)
{
    QStringList lines;
    QByteArray bytes;
    while (ReadBoundedLine(device, bytes, MaxLineBytes)) {
        while (bytes.endsWith('\n') || bytes.endsWith('\r'))
            bytes.chop(1);
        if (!bytes.isEmpty())
            lines.append(TextCodec::decode(bytes));
    }
    return lines;
}

bool write(QIODevice& device, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += TextCodec::encode(line) + "\r\n";
    return device.write(bytes) == bytes.size();
}

} // namespace ExclusionFile

QStringList LoadExclusionList(const QString& fileName)
{
    QFile file(fileName);
    if (StoreFiles::isStoreFile(fileName) || !file.open(QIODevice::ReadOnly))
        return {};
    return ExclusionFile::read(file);
}

bool SaveExclusionList(const QString& fileName, const QStringList& lines)
{
    const QFileInfo info(fileName);
    if (StoreFiles::isStoreFile(fileName) || !info.absoluteDir().exists() || (info.exists() && !info.isWritable()))
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || !ExclusionFile::write(file, lines)) {
        file.cancelWriting();
        return false;
    }
    return CommitSaveFile(file);
}
