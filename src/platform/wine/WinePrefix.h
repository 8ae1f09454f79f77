#pragma once

// A Wine prefix on this machine: a folder holding system.reg (with user.reg and userdef.reg beside it).
// Whether a wineserver runs for it, where the common launchers keep their prefixes, and the drives the
// prefix maps (dosdevices).

#include <QHash>
#include <QString>
#include <QStringList>

namespace WinePrefix {

inline const QString ServerRunningMessage =
    QStringLiteral("Wine läuft für diesen Präfix; Änderungen sind erst nach dem Beenden von Wine möglich.");

[[nodiscard]] bool isPrefix(const QString& folder);
// The folders a wineserver of the prefix uses ("server-<dev>-<ino>" in hex, by the prefix folder's
// device and inode) wherever Wine builds put them.
[[nodiscard]] QStringList serverFolders(const QString& prefix);
// Whether a wineserver holds the lock of one of those folders (the lock file stays after it ends).
[[nodiscard]] bool serverRunning(const QString& prefix);
// Ends the prefix's wineserver (wineserver -k); false with a German *error when that failed.
[[nodiscard]] bool endServer(const QString& prefix, QString* error);
// Prefixes of the common launchers below home, each once, sorted.
[[nodiscard]] QStringList discover(const QString& home);
// Drive letter (upper case) -> local folder, from the prefix's dosdevices links.
[[nodiscard]] QHash<QChar, QString> drives(const QString& prefix);
// What the tree shows for the prefix: "Wine-Präfix: PATH" (a Steam prefix with its game's id).
[[nodiscard]] QString displayName(const QString& prefix);

} // namespace WinePrefix
