#include "regfile/RegFileUtils.h"

#include "regfile/RegFileLineSource.h"
#include "regfile/RegFileReader.h"
#include "regfile/RegFileWriter.h"
#include "registry/Progress.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// The target may be written: its folder exists and an existing file is not read-only.
bool canWrite(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (!info.absoluteDir().exists())
        return false;
    // Read-only means no write permission for its owner, as the file attribute on Windows.
    return !info.exists() || (info.isFile() && info.isWritable() && info.permission(QFileDevice::WriteOwner));
}

QStringList exportBranches(const QString& keyPath, DWORD rootExport)
{
    if (!keyPath.isEmpty())
        return {keyPath};
    QStringList branches;
    const RootKeySlots& table = RootKeyTable();
    for (int i = 0; i < int(table.size()); ++i) {
        if (table[i].available && !table[i].name.isEmpty() && (rootExport & (1u << i)))
            branches.append(table[i].name);
    }
    return branches;
}

bool importFrom(RegFileLineSource& lines, Progress& progress)
{
    RegFileReader reader(progress);
    return reader.run(lines);
}

} // namespace

QString EscapeRegString(QStringView text)
{
    const auto needsEscape = [](QChar c) { return c == u'\\' || c == u'"' || c == u'\n' || c == u'\r'; };
    if (std::none_of(text.begin(), text.end(), needsEscape))
        return text.toString();
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'"':
            out += QLatin1String("\\\"");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QByteArray WrapHexBytes(QByteArrayView prefix, QByteArrayView data)
{
    QByteArray out;
    RegFileWriter::appendHexBytes(out, prefix.size(), data);
    return out;
}

bool ExportRegFile(const QString& fileName, const QString& keyPath, Progress& progress, DWORD rootExport)
{
    progress.clearAbort();
    QFile file(fileName);
    if (!canWrite(fileName) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        ShowError(RegFileTexts::CannotSaveFile);
        return false;
    }
    RegFileWriter writer(file, progress);
    bool complete = writer.writeHeader();
    for (const QString& branch : exportBranches(keyPath, rootExport)) {
        if (!complete || !writer.writeBranch(branch)) {
            complete = false;
            break;
        }
    }
    complete = writer.flush() && complete;
    file.close();
    if (writer.writeFailed())
        ShowError(RegFileTexts::CannotSaveFile);
    return complete;
}

bool ImportRegFile(const QString& fileName, Progress& progress)
{
    progress.clearAbort();
    SetLastRegFileError(QString());
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowError(RegFileTexts::CannotOpenFile);
        return false;
    }
    RegDeviceLineSource lines(file);
    return importFrom(lines, progress);
}

bool ImportRegLines(const QStringList* lines, Progress& progress)
{
    progress.clearAbort();
    SetLastRegFileError(QString());
    if (!lines)
        return false;
    RegListLineSource source(*lines);
    return importFrom(source, progress);
}
