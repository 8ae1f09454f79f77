#include "mainwindow/ImportCommand.h"

#include "mainwindow/TUndoList.h"
#include "regfile/RegFileUtils.h"
#include "registry/Progress.h"
#include "registry/RegMessageUtils.h"

QString ImportOutcome::failureText() const
{
    if (status != Status::Failed)
        return QString();
    return QStringLiteral("Registrierungsdatei konnte nicht vollständig importiert werden.\r\n(") + reason
        + QLatin1Char(')');
}

ImportOutcome ImportRegFileCommand(const QString& fileName, Progress& progress, TUndoList& undo)
{
    ImportOutcome outcome;
    const RegFileResult result = ImportRegFileResult(fileName, progress);
    if (result.ok) {
        outcome.status = ImportOutcome::Status::Imported;
    } else if (result.cancelled) {
        outcome.status = ImportOutcome::Status::Cancelled;
    } else if (result.text == RegFileTexts::CannotOpenFile || result.text == RegFileTexts::StoreFile) {
        // Nothing was read, so nothing changed: the file's own message is all the user needs.
        ShowError(result.text);
    } else {
        outcome.status = ImportOutcome::Status::Failed;
        outcome.reason = result.text;
    }
    SetLastRegFileError(result.text);
    if (outcome.registryTouched())
        undo.Clear();
    return outcome;
}
