#pragma once

// The registry of a Wine prefix as the registry of the predefined keys (this platform's own call, beside
// RegOpenHives).

#include "platform/WinTypes.h"

#include <QString>
#include <QStringList>

// Replaces the store: read-only unless write, and while a wineserver runs for the prefix (then
// *warnings says so). ERROR_BAD_NETPATH with a German *error when the folder is no prefix.
[[nodiscard]] LONG RegOpenWinePrefix(const QString& prefix, bool write, QString* error, QStringList* warnings);
