#pragma once

// "E&rsetzen in Suchergebnissen": the text replacement applied to the key names, value names and
// data behind the marked result rows, through the registry's own rename and write operations, with
// the rows following the renamed entries. Questions and warnings go to the process's message sink.

#include "platform/WinTypes.h"
#include "search/ReplaceText.h"
#include "search/ResultRun.h"

#include <QString>

#include <functional>

class Progress;

// What the replacement of one row works on; the numbers are those of the "ReplaceFlags" setting.
enum class ReplaceTarget : DWORD { None = 0, KeyName = 8, ValueName = 16, ValueData = 32 };

[[nodiscard]] ReplaceTarget TargetOfRow(const ResultRow& row);

struct ReplaceSettings {
    QString find;        // "SearchLineB"
    QString replacement; // "ReplaceLine"
    DWORD runFlags = RunFlags::Confirm;           // "SearchFlagsB"
    DWORD compareFlags = ReplaceCompare::Default; // "ReplaceCompareFlags"
    bool allRows = true; // "Alles E&rsetzen"; "&Ok" handles the last marked row only
    bool dryRun = false; // nothing is written; the outcome tells what would change
};

struct EntryOutcome {
    bool replaced = false;       // the registry was changed (in a dry run: would be)
    bool cancelled = false;      // the whole run ends
    bool lostConnection = false; // the machine could not be reached (the message was shown)
    QString oldText;             // the name, or the data as text
    QString newText;
    QString failure; // the warning of an entry that could not be changed; empty otherwise
};

[[nodiscard]] EntryOutcome ReplaceInEntry(const QString& keyPath, const QString& valueName, ReplaceTarget target,
                                          const ReplaceSettings& settings);

// One changed entry, as kaven-reg lists it.
struct ReplaceChange {
    ReplaceTarget target = ReplaceTarget::None;
    QString keyPath;     // before a rename of the key itself
    QString valueColumn; // the row's "Wert" column
    QString oldText;
    QString newText;
};

// Whether the refresh question follows a replace run: only when something changed, and not after a
// lost connection, when the view could not be read anyway.
[[nodiscard]] bool AsksRefreshAfterReplace(const ResultRunOutcome& run);

// Walks the marked rows from the last to the first.
[[nodiscard]] ResultRunOutcome ReplaceInResults(SearchResultList& list, const ReplaceSettings& settings,
                                                const RowMarker& marker, Progress& progress,
                                                const std::function<void(const ReplaceChange&)>& onChange = {});
