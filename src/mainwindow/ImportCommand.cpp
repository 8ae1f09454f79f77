#include "mainwindow/ImportCommand.h"

#include "mainwindow/TUndoList.h"
#include "regfile/RegFileUtils.h"
#include "registry/Progress.h"

#include <QFileInfo>

namespace {

// The reader leaves its reason empty where it stops before any value line: a file without the
// "REGEDIT4" head, a key line naming no root key, or a key that cannot be opened or created.
const QString StoppedWithoutReason
    = QStringLiteral("Ungültiger Dateikopf, unbekannter Stammschlüssel oder Schlüssel nicht zu öffnen");

} // namespace

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
    const bool ok = ImportRegFile(fileName, progress);
    if (ok) {
        outcome.status = ImportOutcome::Status::Imported;
    } else if (progress.abortRequested()) {
        outcome.status = ImportOutcome::Status::Cancelled;
    } else if (!LastRegFileError().isEmpty()) {
        outcome.status = ImportOutcome::Status::Failed;
        outcome.reason = LastRegFileError();
    } else if (QFileInfo(fileName).isReadable()) {
        outcome.status = ImportOutcome::Status::Failed;
        outcome.reason = StoppedWithoutReason;
    }
    if (outcome.registryTouched())
        undo.Clear();
    return outcome;
}
