#include "search/DeleteFound.h"

#include "registry/Progress.h"
#include "registry/RegKeyUtils.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegValueUtils.h"

namespace {

enum class Step { Deleted, Skipped, Failed, Cancelled, LostConnection };

Step deleteEntry(const ResultRow& row, const DeleteSettings& s)
{
    const bool key = row.isKeyRow();
    if ((s.runFlags & RunFlags::Confirm) != 0 && !s.dryRun) {
        const QString question = key ? QStringLiteral("Schlüssel '%1' wirklich löschen?").arg(row.keyPath)
                                     : QStringLiteral("Wert '%1' wirklich löschen?").arg(row.valueName);
        const MessageAnswer answer = AskYesNoCancel(question);
        if (answer != MessageAnswer::Yes)
            return answer == MessageAnswer::Cancel ? Step::Cancelled : Step::Skipped;
    }
    if (s.dryRun)
        return Step::Deleted;
    const RegResult result
        = key ? DeleteKeyPath(row.keyPath, false) : DeleteValuePath(row.keyPath, RowValueName(row), false);
    if (result == RegResult::NotConnected)
        return Step::LostConnection;
    return result == RegResult::Success ? Step::Deleted : Step::Failed;
}

QString failureText(const ResultRow& row)
{
    return row.isKeyRow() ? QStringLiteral("Konnte Schlüssel '%1' nicht löschen.").arg(row.keyPath)
                          : QStringLiteral("Konnte Wert '%1' nicht löschen.").arg(row.valueName);
}

} // namespace

bool AsksRefreshAfterDelete(const ResultRunOutcome& run)
{
    return !run.cancelled && !run.lostConnection;
}

ResultRunOutcome DeleteFromResults(SearchResultList& list, const DeleteSettings& settings, const RowMarker& marker,
                                   Progress& progress, const std::function<void(const DeletedEntry&)>& onDelete)
{
    ResultRunOutcome run;
    RunBatch batch;
    if (!RunConnected(batch, run))
        return run;
    progress.clearAbort();
    const bool marking = (settings.runFlags & RunFlags::Confirm) != 0;
    for (int i = list.size() - 1; i >= 0; --i) {
        if (!NextRunRow(progress, run))
            break;
        const ResultRow row = list.rows()[size_t(i)];
        if (!row.selected)
            continue;
        // The data half of a pair leaves the value to its name row, which comes next.
        if (IsPairBelow(list, i - 1)) {
            list.setSelected(i - 1, true);
            continue;
        }
        if (marking)
            marker(i, true);
        const Step step = deleteEntry(row, settings);
        if (marking)
            marker(i, false);
        if (step == Step::Deleted) {
            ++run.changed;
            if (onDelete)
                onDelete({row.isKeyRow(), row.keyPath, row.valueName});
            if (IsPairBelow(list, i))
                list.removeRow(i + 1);
            list.removeRow(i);
        } else if (step == Step::Failed) {
            run.failures.append(failureText(row));
            // Cancel here ends the run, but what was deleted before still asks for the refresh.
            if ((settings.runFlags & RunFlags::Warnings) != 0 && !AskOkCancel(run.failures.last()))
                break;
        } else if (step == Step::LostConnection) {
            ShowError(LostConnectionText);
            run.lostConnection = true;
        }
        if (step == Step::Cancelled || step == Step::LostConnection) {
            run.cancelled = true;
            break;
        }
    }
    run.commitError = batch.end();
    return run;
}
