#pragma once

// "&Löschen von Suchergebnissen": deletes the keys and values behind the marked result rows through
// the registry's own delete operations and takes the rows of deleted entries out of the list. A value
// found by name and by data (a name row directly followed by its data row) is deleted once.

#include "search/ReplaceInResults.h"

#include <functional>

class Progress;

struct DeleteSettings {
    DWORD runFlags = RunFlags::Confirm; // from the dialog, not stored
    bool dryRun = false;                // nothing is deleted; onDelete tells what would be
};

// One deleted entry: the row's kind, key path and "Wert" column.
struct DeletedEntry {
    bool key = false;
    QString keyPath;
    QString valueColumn;
};

// The refresh question follows a delete run unless a Cancel in a question or a lost connection ended it.
[[nodiscard]] bool AsksRefreshAfterDelete(const ResultRunOutcome& run);

// Walks the marked rows from the last to the first. Cancel in a question ends the run (cancelled);
// so does a lost connection, after its message.
[[nodiscard]] ResultRunOutcome DeleteFromResults(SearchResultList& list, const DeleteSettings& settings,
                                                 const RowMarker& marker, Progress& progress,
                                                 const std::function<void(const DeletedEntry&)>& onDelete = {});
