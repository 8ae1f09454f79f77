#pragma once

// Whole registry branches as comparable maps: key path -> "name|type|data in hex" of each value,
// sorted. Strings are in the program's UTF-8; the hive tools' UTF-16 is turned into it by Qt's codec.

#include "platform/WinReg.h"

#include <QMap>
#include <QString>
#include <QStringList>

using BranchDump = QMap<QString, QStringList>;

// Walks the branch through the registry API; paths start with prefix.
[[nodiscard]] BranchDump dumpBranch(HKEY root, const QString& subKey, const QString& prefix);
// The hive as the hive library's own export tool shows it, keys below prefix; empty when the tool
// fails.
[[nodiscard]] BranchDump dumpWithHiveTool(const QString& hive, const QString& prefix);
// Names of the subkeys of root\path in the registry's order; {"<missing>"} when it cannot be opened.
[[nodiscard]] QStringList subKeyNames(HKEY root, const QString& path);
// The corpus of hives shipped beside the project.
[[nodiscard]] QString corpusHive(const QString& name);
// Mounts as RegOpenHives does; the warnings go to *warnings, the error text is dropped.
[[nodiscard]] LONG mountHives(const RegHiveOptions& options, QStringList* warnings = nullptr);
// Mounts hive files ("FILE:NAME") read-only.
[[nodiscard]] LONG mountFiles(const QStringList& hives, QStringList* warnings = nullptr);
