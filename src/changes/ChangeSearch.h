#pragma once

// "In Änderungen suchen": finds rows of the change list by key path or value name, either the next
// match below the marked row or every match from there on.

#include "changes/ChangeList.h"
#include "platform/WinTypes.h"

namespace ChangeSearchFlags {
inline constexpr quint32 Key = 1; // "Suchen im &Schlüssel"
inline constexpr quint32 WholePath = 2; // "Ganzer &Pfad"; without it the key's own name is tested
inline constexpr quint32 Value = 4; // "Suchen im &Wert"
inline constexpr quint32 MarkAll = 8; // closed with "Alles &markieren"
} // namespace ChangeSearchFlags

struct ChangeSearchCriteria {
    QString text;
    quint32 flags = ChangeSearchFlags::Key;
    DWORD compareFlags = 6; // CompareFlags of the text comparison
};

// Starts below the single marked row (at the top when none or several are marked) and clears the
// marking; then marks the first match, or with MarkAll every match. The first marked row, or -1.
[[nodiscard]] int SearchChanges(ChangeList& list, const ChangeSearchCriteria& criteria);
