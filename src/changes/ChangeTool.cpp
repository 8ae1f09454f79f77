#include "changes/ChangeTool.h"

#include "app/KavenRegTool.h"
#include "app/ToolIo.h"
#include "changes/ChangeListFile.h"
#include "changes/CompareWithAnalysisFile.h"
#include "changes/ExclusionList.h"
#include "changes/WriteAnalysisFile.h"
#include "registry/Progress.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"
#include "settings/OptionsStore.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString SnapshotUsage = QStringLiteral("Aufruf: kaven-reg snapshot SCHLÜSSEL|ALL DATEI");
const QString CompareUsage = QStringLiteral("Aufruf: kaven-reg compare DATEI [/m FLAGS] [/x] [/o AUSGABE]");


struct CompareArgs {
    QString file;
    int flags = CompFlags::Default;
    QString out;
    QString error; // why the arguments do not fit
};

CompareArgs parseCompareArgs(const QStringList& args)
{
    CompareArgs parsed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString option = args[i].toLower();
        if (option == QLatin1String("/x")) {
            parsed.flags |= CompFlags::Exclude;
        } else if (option == QLatin1String("/m") || option == QLatin1String("/o")) {
            if (i + 1 >= args.size()) {
                parsed.error = QStringLiteral("Nach %1 fehlt die Angabe.").arg(args[i]);
                return parsed;
            }
            const QString given = args[++i];
            if (option == QLatin1String("/o")) {
                parsed.out = given;
                continue;
            }
            bool number = false;
            const int flags = given.toInt(&number);
            if (!number || flags < 1 || flags > 63) {
                parsed.error = QStringLiteral("Ungültige Optionen für /m: %1 (erlaubt ist eine Zahl von 1 bis 63).")
                                   .arg(given);
                return parsed;
            }
            parsed.flags = flags | (parsed.flags & CompFlags::Exclude);
        } else if (!parsed.file.isEmpty()) { // a path may begin with "/": only the three options are options
            parsed.error = QStringLiteral("Unbekannte Angabe: ") + args[i];
            return parsed;
        } else {
            parsed.file = args[i];
        }
    }
    if (parsed.file.isEmpty())
        parsed.error = QStringLiteral("Keine Analysedatei angegeben.");
    return parsed;
}

void printEntries(ToolIo& io, const ChangeList& list)
{
    QString lines;
    for (const ChangeRow& row : list.rows())
        lines += row.comment + u'\t' + row.valueText + u'\t' + row.keyText + u'\n';
    io.print(lines);
}

} // namespace

// The data folder of the program's settings ("DataPath"), else the per-user one.
QString ChangeDataFolder()
{
    TRegValue path;
    const QString key = QStringLiteral("HKEY_CURRENT_USER\\") + OptionsStore::settingsKeyPath();
    if (ReadValuePath(key, QStringLiteral("DataPath"), path) && path.DataType == REG_SZ
        && QFileInfo(path.StringData).isDir())
        return path.StringData;
    return OptionsStore::userDataDirectory();
}

int SnapshotCommand(ToolIo& io, const QStringList& args)
{
    if (args.size() != 2)
        return io.fail(SnapshotUsage);
    QString branch;
    DWORD rootExport = 15;
    if (args[0].compare(QLatin1String("ALL"), Qt::CaseInsensitive) == 0) {
        UpdateRootKeys();
        rootExport = KavenRegTool::rootExportSetting();
    } else {
        branch = KavenRegTool::normalizeKeyPath(args[0]);
        if (branch.isEmpty())
            return io.fail(QStringLiteral("Ungültiger Schlüsselname."));
        RegistryAccessor reg(KEY_READ);
        if (reg.openPath(branch, false, false) != RegResult::Success)
            return io.fail(QStringLiteral("Der Schlüssel %1 kann nicht geöffnet werden.").arg(branch));
    }
    NullProgress progress;
    const AnalysisWriteResult result = WriteAnalysisFileResult(args[1], branch, progress, rootExport);
    if (!result.ok())
        return io.fail(result.text);
    io.note(QStringLiteral("Der Vorgang wurde erfolgreich beendet."));
    return 0;
}

int CompareCommand(ToolIo& io, const QStringList& args)
{
    const CompareArgs parsed = parseCompareArgs(args);
    if (!parsed.error.isEmpty()) {
        io.printError(parsed.error);
        return io.fail(CompareUsage);
    }
    const CompareOptions options =
        ComparisonOptions(parsed.flags, QDir(ChangeDataFolder()).filePath(ExclusionFileName));
    ChangeList list;
    NullProgress progress;
    const CompareOutcome outcome = CompareWithAnalysisFile(parsed.file, list, options, progress);
    if (outcome.error.refused())
        return io.fail(outcome.error.text(parsed.file));
    printEntries(io, list);
    int rc = list.isEmpty() ? 0 : 2;
    if (!parsed.out.isEmpty() && !SaveChangeList(parsed.out, list))
        rc = io.fail(QStringLiteral("Kann Datei nicht speichern.") + QStringLiteral(" (") + parsed.out + u')');
    if (outcome.status == CompareOutcome::Status::FileError)
        rc = io.fail(outcome.error.text(parsed.file));
    else if (outcome.status == CompareOutcome::Status::NotConnected)
        rc = io.fail(QStringLiteral("Die Verbindung zur Registrierung ist abgebrochen; die Liste ist unvollständig."));
    return rc;
}
