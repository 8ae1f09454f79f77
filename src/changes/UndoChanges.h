#pragma once

// "Änderungen rückgängig": turns back the marked entries of the change list, from the last row to the first, each by
// the inverse key or value operation of its kind, in one batch. The dry run changes nothing; it tests each entry and
// offers to take the ones that no longer apply out of the list.

#include "changes/ChangeList.h"
#include "search/ReplaceInResults.h"

#include <functional>
#include <optional>

class Progress;

namespace UndoFlags {
inline constexpr int Confirm = 1; // "&Bestätigung aller Registrierungseingriffe"
inline constexpr int Warnings = 2; // "&Warnungen anzeigen"
inline constexpr int CheckOnly = 4; // "Nur &Gültigkeit prüfen"
} // namespace UndoFlags

inline const QString UndoDoneText = QStringLiteral("rückgängig");
inline const QString CheckDoneText = QStringLiteral("Gültigkeitsprüfung beendet.");

struct UndoSettings {
    int flags = UndoFlags::Confirm;
    // Every question is taken as answered Yes without being asked (the command-line tool).
    bool answerYes = false;
    // Where a real undo first saves the entries it is about to turn back; empty: no backup.
    QString backupFolder;
};

struct UndoOutcome {
    ResultRunOutcome run; // changed: entries turned back (dry run: entries that still apply)
    int skipped = 0; // entries left as they were: No, a failure, or no longer applying
    QString backupFile; // the saved list of a real undo, empty when none was written
};

// The confirmation asked before an entry is turned back; the default value is named "(Standard)".
[[nodiscard]] QString UndoConfirmation(const ChangeRecord& record);
// The closing question of a real undo, naming the backup file when one was written.
[[nodiscard]] QString UndoRefreshQuestion(const QString& backupFile);

// onEntry hears each visited entry with UndoDoneText or the reason it was left alone.
[[nodiscard]] UndoOutcome UndoChanges(ChangeList& list, const UndoSettings& settings, const RowMarker& marker,
                                      Progress& progress,
                                      const std::function<void(const ChangeRow&, const QString&)>& onEntry = {});
