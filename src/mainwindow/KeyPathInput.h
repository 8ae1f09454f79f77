#pragma once

// Key paths as users type or paste them into the history box: surrounding blanks and quotes, a
// leading or trailing backslash, a "Computer\" or "Arbeitsplatz\" prefix copied from other tools or
// the status bar, and the root-key abbreviations HKLM, HKCU, HKCR, HKU and HKCC.

#include <QString>

// "hkcu\Software\" -> "HKEY_CURRENT_USER\Software"; text that is no key path comes back trimmed.
[[nodiscard]] QString NormalizeKeyPath(const QString& typed);
