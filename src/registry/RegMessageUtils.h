#pragma once

// The program's message boxes, all captioned with the program title, through the process's
// MessageSink.

#include "platform/WinTypes.h"
#include "registry/MessageSink.h"

#include <QString>

void ShowInfo(const QString& text);
void ShowError(const QString& text);   // shows "Fehler: " + text
void ShowWarning(const QString& text); // shows "Warnung: " + text
[[nodiscard]] bool AskYesNo(const QString& text);              // true on Yes
[[nodiscard]] MessageAnswer AskYesNoCancel(const QString& text); // Yes, No or Cancel
[[nodiscard]] bool AskOkCancel(const QString& text);           // true on OK
// A box without icon (connection failures).
void ShowPlain(const QString& text);
// The error box through a given sink (core commands that are handed theirs).
void ShowError(MessageSink& sink, const QString& text);

// Why the store could not keep changes it had accepted (a batch or flush that failed to commit):
// a German reason for 112, 1016 and 1460 (and for a hive's refusals, 19 opened read-only, 223 data too
// long for its version), the code itself for any other failure, empty for success.
[[nodiscard]] QString CommitFailureReason(LONG code);
// The operation's failure text followed by CR LF and the reason in parentheses.
[[nodiscard]] QString WithCommitReason(const QString& text, LONG code);
