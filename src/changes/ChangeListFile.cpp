#include "changes/ChangeListFile.h"

#include "platform/FileCommit.h"

#include "platform/StoreFiles.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

using Kind = ChangeFileError::Kind;

namespace {

void writeRow(ChangeFieldWriter& out, const ChangeRow& row)
{
    out.writeInt(row.image);
    out.writeText(row.comment);
    out.writeText(row.valueText);
    out.writeText(row.keyText);
    out.writeInt(row.record.ChangeKind);
    out.writeText(row.record.KeyPath);
    out.writeText(row.record.ValueName);
    out.writeInt(qint32(row.record.OldValue.DataType));
    out.writeValueData(row.record.OldValue);
}

bool readRow(ChangeFieldReader& in, ChangeRow& row)
{
    qint32 type = 0;
    return in.readInt(row.image) && in.readText(row.comment) && in.readText(row.valueText)
           && in.readText(row.keyText) && in.readInt(row.record.ChangeKind) && in.readText(row.record.KeyPath)
           && in.readText(row.record.ValueName) && in.readInt(type)
           && in.readValueData(DWORD(type), row.record.OldValue);
}

} // namespace

namespace ChangeListFile {

bool write(QIODevice& device, const ChangeList& list)
{
    ChangeFieldWriter out(device);
    out.writeRaw(ChangeListMagic);
    for (const ChangeRow& row : list.rows())
        writeRow(out, row);
    return out.flush();
}

ChangeFileError read(QIODevice& device, ChangeList& list)
{
    ChangeFieldReader in(device);
    QByteArray magic;
    if (!in.readRaw(ChangeListMagic.size(), magic) || magic.compare(ChangeListMagic, Qt::CaseInsensitive) != 0)
        return {Kind::NotChangeList, 0, 0};
    for (;;) {
        in.beginRecord();
        if (in.atEnd())
            return {};
        ChangeRow row;
        if (!readRow(in, row))
            return in.error();
        list.AddChangeEntry(row.comment, row.valueText, row.record, row.image, row.keyText);
    }
}

} // namespace ChangeListFile

QString ChangeListFileName(const QString& chosen)
{
    const qsizetype slash = chosen.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = chosen.lastIndexOf(QLatin1Char('.'));
    return (dot > slash + 1 ? chosen.left(dot) : chosen) + QStringLiteral(".cbk");
}

bool SaveChangeList(const QString& fileName, const ChangeList& list)
{
    const QFileInfo info(fileName);
    if (fileName.isEmpty() || StoreFiles::isStoreFile(fileName) || !info.absoluteDir().exists()
        || (info.exists() && !info.isWritable()))
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || !ChangeListFile::write(file, list)) {
        file.cancelWriting();
        return false;
    }
    return CommitSaveFile(file);
}

ChangeFileError LoadChangeList(const QString& fileName, ChangeList& list)
{
    list.ClearChangeList();
    QFile file(fileName);
    if (StoreFiles::isStoreFile(fileName) || !file.open(QIODevice::ReadOnly))
        return {Kind::CannotOpen, 0, 0};
    return ChangeListFile::read(file, list);
}
