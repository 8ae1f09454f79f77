#pragma once

// The program's message boxes, all captioned with the program title, through the process's
// MessageSink.

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
