#include "changes/UndoChanges.h"

#include "changes/ChangeListFile.h"
#include "registry/Progress.h"
#include "registry/RegKeyUtils.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

using namespace ChangeKinds;

namespace {

const QString CrLf = QStringLiteral("\r\n");

enum class Step { Done, Skipped, Failed, Cancelled, LostConnection };

struct Result {
    Step step = Step::Done;
    QString reason; // why an entry was left alone
};

MessageAnswer ask(const UndoSettings& s, const QString& text)
{
    return s.answerYes ? MessageAnswer::Yes : AskYesNoCancel(text);
}

// Whether the entry can still be turned back: the state its change left is still there.
RegResult stillApplies(const ChangeRecord& r, bool& applies)
{
    RegistryAccessor reg(KEY_READ);
    const RegResult open = reg.openPath(r.KeyPath, false, false);
    if (open == RegResult::NotConnected)
        return open;
    const bool keyThere = open == RegResult::Success;
    const bool valueThere = keyThere && ValueExists(reg.currentKey(), r.ValueName);
    switch (r.ChangeKind) {
    case KeyCreated:
        applies = keyThere;
        break;
    case KeyRemoved:
        applies = !keyThere;
        break;
    case ValueRemoved:
        applies = !valueThere;
        break;
    default:
        applies = valueThere;
        break;
    }
    return RegResult::Success;
}

QString notApplyingQuestion(const ChangeRecord& r)
{
    switch (r.ChangeKind) {
    case KeyCreated:
        return QStringLiteral("Schlüssel ") + r.KeyPath + QStringLiteral(" existiert nicht.") + CrLf
            + QStringLiteral("Eintrag entfernen?");
    case KeyRemoved:
        return QStringLiteral("Es existiert bereits ein Schlüssel: ") + r.KeyPath + CrLf
            + QStringLiteral("Eintrag entfernen?");
    case ValueCreated:
        return QStringLiteral("Der Wert: ") + r.ValueName + QStringLiteral(" im Schlüssel ") + CrLf + r.KeyPath + CrLf
            + QStringLiteral("existiert nicht. Eintrag entfernen?");
    case ValueRemoved:
        return QStringLiteral("Ein Wert ") + r.ValueName + QStringLiteral(" im Schlüssel ") + CrLf + r.KeyPath + CrLf
            + QStringLiteral("existiert bereits. Eintrag entfernen?");
    default:
        return QStringLiteral("Ein Wert ") + r.ValueName + QStringLiteral(" im Schlüssel ") + CrLf + r.KeyPath + CrLf
            + QStringLiteral("existiert nicht. Eintrag entfernen?");
    }
}

QString notApplyingReason(const ChangeRecord& r)
{
    switch (r.ChangeKind) {
    case KeyCreated:
        return QStringLiteral("Schlüssel nicht vorhanden");
    case KeyRemoved:
        return QStringLiteral("Schlüssel existiert bereits");
    case ValueRemoved:
        return QStringLiteral("Wert existiert bereits");
    default:
        return QStringLiteral("Wert nicht vorhanden");
    }
}

QString writeFailureText(const ChangeRecord& r)
{
    switch (r.ChangeKind) {
    case ValueRemoved:
        return QStringLiteral("Konnte Wert '%1' nicht erstellen.").arg(r.ValueName);
    case DataChanged:
        return QStringLiteral("Konnte Daten vom Wert '%1' nicht ändern.").arg(r.ValueName);
    default:
        return QStringLiteral("Konnte Type vom Wert '%1' nicht ändern.").arg(r.ValueName);
    }
}

Result failed(const QString& text)
{
    return {Step::Failed, text};
}

// The inverse operation of the entry's change.
Result turnBack(const ChangeRecord& r)
{
    const QString& path = r.KeyPath;
    RegResult result = RegResult::Success;
    switch (r.ChangeKind) {
    case KeyCreated:
        // The key goes with every subkey it has grown since.
        result = DeleteKeyPath(path, false);
        if (result == RegResult::NotFound)
            return failed(QStringLiteral("Schlüssel '%1' nicht vorhanden.").arg(path));
        if (result != RegResult::Success && result != RegResult::NotConnected)
            return failed(QStringLiteral("Konnte Schlüssel '%1' nicht löschen.").arg(path));
        break;
    case KeyRemoved:
        result = CreateKeyPath(path, false);
        if (result != RegResult::Success && result != RegResult::NotConnected)
            return failed(QStringLiteral("Konnte Schlüssel '%1' nicht erstellen.").arg(path));
        break;
    case ValueCreated:
        result = DeleteValuePath(path, r.ValueName, false);
        if (result == RegResult::NotFound)
            return failed(QStringLiteral("Wert '%1' nicht vorhanden.").arg(r.ValueName));
        if (result != RegResult::Success && result != RegResult::NotConnected)
            return failed(QStringLiteral("Konnte Wert '%1' nicht löschen.").arg(r.ValueName));
        break;
    default: {
        RegistryAccessor reg(KEY_READ | KEY_WRITE);
        result = reg.openPath(path, true, false);
        if (result == RegResult::Success)
            return WriteValue(reg.currentKey(), r.ValueName, r.OldValue) ? Result{} : failed(writeFailureText(r));
        if (result != RegResult::NotConnected)
            return failed(QStringLiteral("Konnte Schlüssel '%1' nicht erstellen.").arg(path));
    }
    }
    return result == RegResult::NotConnected ? Result{Step::LostConnection, LostConnectionText} : Result{};
}

// A free name of the form "Rückgängig yyyy-MM-dd hh-mm-ss.cbk" in folder, numbered when taken.
QString backupName(const QString& folder)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh-mm-ss"));
    const QDir dir(folder);
    QString name = dir.filePath(QStringLiteral("Rückgängig %1.cbk").arg(stamp));
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = dir.filePath(QStringLiteral("Rückgängig %1 (%2).cbk").arg(stamp).arg(n));
    return name;
}

// Saves the marked rows that carry a record; empty when there are none or the file could not be written (ok tells
// which).
QString saveBackup(const ChangeList& list, const QString& folder, bool& ok)
{
    ok = true;
    ChangeList marked;
    for (const ChangeRow& row : list.rows())
        if (row.selected)
            marked.AddChangeEntry(row.comment, row.record.ValueName, row.record, row.image, row.keyText);
    if (marked.isEmpty() || folder.isEmpty())
        return {};
    const QString name = backupName(folder);
    ok = QDir().mkpath(folder) && SaveChangeList(name, marked);
    return ok ? name : QString();
}

} // namespace

QString UndoConfirmation(const ChangeRecord& r)
{
    const QString name = r.ValueName.isEmpty() ? DefaultValueCaption : r.ValueName;
    const QString valuePart = name + CrLf + QStringLiteral("im Schlüssel") + CrLf + r.KeyPath;
    switch (r.ChangeKind) {
    case KeyCreated:
        return QStringLiteral("Entferne Schlüssel:") + CrLf + r.KeyPath;
    case KeyRemoved:
        return QStringLiteral("Erstelle Schlüssel:") + CrLf + r.KeyPath;
    case ValueCreated:
        return QStringLiteral("Entferne Wert:") + CrLf + valuePart;
    case ValueRemoved:
        return QStringLiteral("Erstelle Wert:") + CrLf + valuePart;
    case DataChanged:
        return QStringLiteral("Ändere Daten des Wertes:") + CrLf + valuePart;
    default:
        return QStringLiteral("Ändere Typ des Wertes:") + CrLf + valuePart;
    }
}

QString UndoRefreshQuestion(const QString& backupFile)
{
    if (backupFile.isEmpty())
        return RefreshQuestion;
    return QStringLiteral("Sie haben Änderungen an der Registrierung vorgenommen.") + CrLf
        + QStringLiteral("Die Einträge sind gesichert in: ") + QDir::toNativeSeparators(backupFile) + CrLf
        + QStringLiteral("Soll die Ansicht jetzt aktualisiert werden?");
}

UndoOutcome UndoChanges(ChangeList& list, const UndoSettings& settings, const RowMarker& marker, Progress& progress,
                        const std::function<void(const ChangeRow&, const QString&)>& onEntry)
{
    UndoOutcome out;
    ResultRunOutcome& run = out.run;
    const bool dryRun = (settings.flags & UndoFlags::CheckOnly) != 0;
    const bool confirm = !dryRun && !settings.answerYes && (settings.flags & UndoFlags::Confirm) != 0;
    const bool warn = !dryRun && !settings.answerYes && (settings.flags & UndoFlags::Warnings) != 0;
    std::optional<RunBatch> batch;
    if (!dryRun && list.selectedCount() > 0) {
        bool saved = false;
        out.backupFile = saveBackup(list, settings.backupFolder, saved);
        if (!saved) {
            // Without its backup an undo of the wrong rows could not be turned back itself.
            ShowError(QStringLiteral("Konnte die Sicherung der Einträge nicht "
                                     "schreiben. Vorgang wird abgebrochen."));
            run.cancelled = true;
            return out;
        }
        batch.emplace();
        if (!RunConnected(*batch, run))
            return out;
    }
    progress.clearAbort();
    for (int i = list.size() - 1; i >= 0; --i) {
        if (!NextRunRow(progress, run))
            break;
        if (i >= list.size())
            continue;
        const ChangeRow row = list.rows()[size_t(i)];
        if (!row.selected)
            continue;
        const ChangeRecord& r = row.record;
        const auto report = [&](const QString& text) {
            if (onEntry)
                onEntry(row, text);
        };
        if (confirm) {
            marker(i, true);
            const MessageAnswer answer = AskYesNoCancel(UndoConfirmation(r));
            marker(i, false);
            if (answer == MessageAnswer::Cancel) {
                run.cancelled = true;
                break;
            }
            if (answer == MessageAnswer::No) {
                ++out.skipped;
                report(QStringLiteral("übersprungen"));
                continue;
            }
        }
        if (dryRun) {
            bool applies = false;
            if (stillApplies(r, applies) == RegResult::NotConnected) {
                ShowError(LostConnectionText);
                run.lostConnection = run.cancelled = true;
                break;
            }
            if (applies) {
                ++run.changed;
                report(UndoDoneText);
                continue;
            }
            ++out.skipped;
            report(notApplyingReason(r));
            marker(i, true);
            const MessageAnswer answer = ask(settings, notApplyingQuestion(r));
            marker(i, false);
            if (answer == MessageAnswer::Cancel) {
                run.cancelled = true;
                break;
            }
            if (answer == MessageAnswer::Yes)
                list.removeRow(i);
            continue;
        }
        const Result result = turnBack(r);
        if (result.step == Step::LostConnection) {
            ShowError(LostConnectionText);
            run.lostConnection = run.cancelled = true;
            break;
        }
        if (result.step == Step::Done) {
            ++run.changed;
            report(UndoDoneText);
            continue;
        }
        ++out.skipped;
        run.failures.append(result.reason);
        report(result.reason);
        if (warn && !AskOkCancel(result.reason)) {
            run.cancelled = true;
            break;
        }
    }
    if (batch)
        run.commitError = batch->end();
    return out;
}
