#include "regfile/RegFileUtils.h"

#include "platform/FileCommit.h"

#include "platform/StoreFiles.h"
#include "regfile/RegFileLineSource.h"
#include "regfile/RegFilePrefetch.h"
#include "regfile/RegFileReader.h"
#include "regfile/RegFileWriter.h"
#include "registry/Progress.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

RegFileResult importFrom(RegFileLineSource& lines, Progress& progress)
{
    RegFileReader reader(progress);
    return reader.run(lines);
}

bool publish(const RegFileResult& result)
{
    SetLastRegFileError(result.cancelled ? RegFileTexts::Cancelled : result.text);
    return result.ok;
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

RegFileResult ExportRegFileResult(const QString& fileName, const QString& keyPath, Progress& progress,
                                  DWORD rootExport, RegFileFormat format, QStringList* lostTypes)
{
    progress.clearAbort();
    if (StoreFiles::isStoreFile(fileName))
        return RegFileResult::failure(RegFileTexts::StoreFile);
    if (!canWrite(fileName))
        return RegFileResult::failure(RegFileTexts::CannotSaveFile);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return RegFileResult::failure(RegFileTexts::CannotSaveFile + QStringLiteral(" (") + file.errorString() + u')');
    RegFileWriter writer(file, progress, format);
    RegFileResult result = writer.writeHeader();
    for (const QString& branch : exportBranches(keyPath, rootExport)) {
        if (!result.ok)
            break;
        result = writer.writeBranch(branch);
    }
    if (result.ok)
        result = writer.finish();
    if (lostTypes)
        *lostTypes = writer.lostTypes();
    if (!result.ok) {
        file.cancelWriting(); // the old file stays as it was
        return result;
    }
    if (!CommitSaveFile(file))
        return RegFileResult::failure(RegFileTexts::CannotSaveFile + QStringLiteral(" (") + file.errorString() + u')');
    return result;
}

bool ExportRegFile(const QString& fileName, const QString& keyPath, Progress& progress, DWORD rootExport,
                   RegFileFormat format, QStringList* lostTypes)
{
    const RegFileResult result = ExportRegFileResult(fileName, keyPath, progress, rootExport, format, lostTypes);
    if (!result.ok && !result.cancelled)
        ShowError(result.text);
    return result.ok;
}

RegFileResult ImportRegFileResult(const QString& fileName, Progress& progress)
{
    progress.clearAbort();
    if (StoreFiles::isStoreFile(fileName))
        return RegFileResult::failure(RegFileTexts::StoreFile);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return RegFileResult::failure(RegFileTexts::CannotOpenFile);
    // the file is read and parsed ahead on a thread of its own while the store takes the lines before
    RegPrefetchLineSource lines(RegFileDecoding::openLines(file));
    return importFrom(lines, progress);
}

RegFileResult ImportRegLinesResult(const QStringList* lines, Progress& progress)
{
    progress.clearAbort();
    if (!lines)
        return RegFileResult::failure(QStringLiteral("Keine Zeilen zum Importieren"));
    RegListLineSource source(*lines);
    return importFrom(source, progress);
}

QString LostTypesMessage(const QStringList& lostTypes, const QString& suggestion)
{
    constexpr qsizetype Shown = 10;
    if (lostTypes.isEmpty())
        return QString();
    QString text = lostTypes.size() == 1 ? QStringLiteral("Der Typ eines Wertes geht im Format REGEDIT4 verloren "
                                                          "(als hex(0) gesichert):")
                                         : QStringLiteral("Der Typ von %1 Werten geht im Format REGEDIT4 verloren "
                                                          "(als hex(0) gesichert):")
                                               .arg(lostTypes.size());
    for (const QString& entry : lostTypes.first(qMin(Shown, lostTypes.size())))
        text += QStringLiteral("\n  ") + entry;
    if (lostTypes.size() > Shown)
        text += QStringLiteral("\n  ... und %1 weitere").arg(lostTypes.size() - Shown);
    return text + u'\n' + suggestion;
}

bool ImportRegFile(const QString& fileName, Progress& progress)
{
    return publish(ImportRegFileResult(fileName, progress));
}

bool ImportRegLines(const QStringList* lines, Progress& progress)
{
    return publish(ImportRegLinesResult(lines, progress));
}
