#include "changes/UndoTool.h"

#include "app/ToolIo.h"
#include "changes/ChangeListFile.h"
#include "changes/ChangeTool.h"
#include "changes/UndoChanges.h"
#include "registry/Progress.h"

#include <QDir>

int UndoToolCommand(ToolIo& io, const QStringList& args)
{
    const bool dryRun = args.size() == 2 && args[1].compare(QStringLiteral("/n"), Qt::CaseInsensitive) == 0;
    if (args.isEmpty() || args.size() > 2 || (args.size() == 2 && !dryRun)) {
        io.printError(QStringLiteral("Ungültige Argumente."));
        return io.fail(QStringLiteral("Aufruf: kaven-reg undo DATEI.cbk [/n]"));
    }
    ChangeList list;
    const ChangeFileError error = LoadChangeList(args[0], list);
    // A damaged list is not turned back in part: which entries are missing cannot
    // be told.
    if (error.failed())
        return io.fail(error.text(args[0]));
    list.MarkAll();
    UndoSettings settings;
    settings.flags = dryRun ? UndoFlags::CheckOnly : 0;
    settings.answerYes = true;
    if (!dryRun)
        settings.backupFolder = ChangeDataFolder();
    QString lines;
    NullProgress progress;
    const UndoOutcome outcome
        = UndoChanges(list, settings, {}, progress, [&lines](const ChangeRow& row, const QString& result) {
              lines += row.comment + u'\t' + row.valueText + u'\t' + row.keyText + u'\t' + result + u'\n';
          });
    io.print(lines);
    if (!outcome.backupFile.isEmpty())
        io.note(QStringLiteral("Sicherung der Einträge: ") + QDir::toNativeSeparators(outcome.backupFile));
    if (outcome.run.lostConnection || outcome.run.cancelled)
        return 1;
    if (outcome.run.commitError != 0)
        return io.fail(QStringLiteral("Die Änderungen konnten nicht gespeichert werden (Fehler %1).")
                           .arg(outcome.run.commitError));
    return outcome.skipped > 0 ? 2 : 0;
}
