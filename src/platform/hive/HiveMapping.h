#pragma once

// Where hive files show in the registry: single hives below HKEY_LOCAL_MACHINE (as "load hive" places
// them), or the hives of an offline Windows installation where Windows maps them (SOFTWARE, SYSTEM with
// CurrentControlSet, SAM, SECURITY, DEFAULT as HKEY_USERS\.DEFAULT, each profile's NTUSER.DAT as
// HKEY_USERS\<SID> and its UsrClass.dat as HKEY_USERS\<SID>_Classes, the chosen user's as
// HKEY_CURRENT_USER, SOFTWARE\Classes merged with the chosen user's UsrClass.dat as HKEY_CLASSES_ROOT).

#include "platform/hive/HiveBackend.h"

#include <memory>

namespace HiveMapping {

struct HiveMount {
    QString path;
    QString name; // the key below HKEY_LOCAL_MACHINE
};

// "FILE[:NAME]": NAME is what follows the last colon when it holds no "/"; else the file's name.
[[nodiscard]] HiveMount parseMount(const QString& mountArg);
// Whether the file starts like a hive (or a hive's log).
[[nodiscard]] bool isHiveFile(const QString& path);
// A path below base whose names are matched without regard to case; empty when one is missing.
[[nodiscard]] QString findPath(const QString& base, const QStringList& names);

// Null with *error (German) when a hive cannot be opened at all.
[[nodiscard]] std::shared_ptr<HiveBackend> openHives(const QVector<HiveMount>& hives, bool write, QString* error);
// dir holds Windows\System32\config. A missing or damaged hive leaves its key out with a warning
// (*warnings); an unknown user or a folder without hives is an error. HKEY_CLASSES_ROOT merges the
// machine's classes with the user's.
[[nodiscard]] std::shared_ptr<RegistryBackend> openWindows(const QString& dir, const QString& user, bool write,
                                                           QString* error, QStringList* warnings);
// A machine named by a path: a folder is an offline installation (its HKEY_CURRENT_USER the user who
// used it last), a file a single hive; write opens its hives for changes.
[[nodiscard]] std::shared_ptr<RegistryBackend> openMachine(const QString& path, bool write, QString* error);

} // namespace HiveMapping
