#pragma once

// Saved change lists ("Compare Backup File", ".cbk"):
//
//   offset 0   25 bytes  "KAVEN_COMPARE_BACKUP_FILE", no length
//   offset 25  one entry after the other in list order, up to the end of the file (no count, no end):
//     int image, string comment, string value column, string key column, int ChangeKind,
//     string KeyPath, string ValueName, int OldValue type code, data by that type code
//
// An empty OldValue is type 0 with an empty string: two zero integers. Fields as in ChangeFileStream.h.

#include "changes/ChangeFileStream.h"
#include "changes/ChangeList.h"

#include <QByteArrayView>
#include <QIODevice>
#include <QString>

inline constexpr QByteArrayView ChangeListMagic("KAVEN_COMPARE_BACKUP_FILE");

namespace ChangeListFile {

[[nodiscard]] bool write(QIODevice& device, const ChangeList& list);
// Adds the file's entries to list as AddChangeEntry does. Entries before a damaged one stay added.
[[nodiscard]] ChangeFileError read(QIODevice& device, ChangeList& list);

} // namespace ChangeListFile

// The name a chosen save name is written as: its extension replaced by ".cbk".
[[nodiscard]] QString ChangeListFileName(const QString& chosen);

// Writes the list to fileName as given. False, and no file written, when its folder is missing, the
// file is read-only, or a write fails.
[[nodiscard]] bool SaveChangeList(const QString& fileName, const ChangeList& list);
// Clears the list and fills it from the file. refused(): nothing was read ("Kann Datei nicht
// öffnen."); any other failure: the entries up to the damaged one are in the list.
[[nodiscard]] ChangeFileError LoadChangeList(const QString& fileName, ChangeList& list);
