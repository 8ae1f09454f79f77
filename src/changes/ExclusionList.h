#pragma once

// The exclusion list: keys whose changes the comparison does not report. Stored as "excl.dat" in the
// data folder, one line per entry (CR LF): a decimal digit of flags followed directly by the full key
// path, e.g. "3HKEY_LOCAL_MACHINE\SOFTWARE\X". Bit 1 makes the entry active, bit 2 (only with bit 1)
// extends it to every key path that contains the entry's path.

#include <QIODevice>
#include <QString>
#include <QStringList>

namespace ExclusionFlags {
inline constexpr int Active = 1;
inline constexpr int SubKeys = 2;
} // namespace ExclusionFlags

enum class ExclusionMode {
    Duplicate = 0, // the path equals the entry's path, flags ignored
    Exclude = 1,   // an active entry excludes the path
};

inline const QString ExclusionFileName = QStringLiteral("excl.dat");

// Index of the first line that matches keyPath, or -1. Case is ignored and one trailing backslash on
// either side does not count. An entry whose path is empty excludes nothing.
[[nodiscard]] int FindExclusion(const QStringList& lines, const QString& keyPath, ExclusionMode mode);
// Whether the comparison reports changes of keyPath: always with the switch off.
[[nodiscard]] bool IsKeyIncluded(const QString& keyPath, const QStringList& lines, bool exclusionOn);

[[nodiscard]] int ExclusionFlagsOf(const QString& line);
[[nodiscard]] QString ExclusionPathOf(const QString& line);
// Toggles one flag bit of a line, rewriting its digit.
void ToggleExclusionFlag(QStringList& lines, int row, int flag);

// "Aktueller &Schlüssel": appends the key as an inactive entry. Its index, or -1 when the key is in
// the list already (the dialog says "Schlüssel bereits vorhanden").
[[nodiscard]] int AddExclusionKey(QStringList& lines, const QString& keyPath);
// The selection of the change list: appends each key path not yet in the list; for one that is, asks
// "Schlüssel bereits vorhanden. Weiter?" and stops on No. Index of the last line added, or -1.
[[nodiscard]] int AddExclusionKeys(QStringList& lines, const QStringList& keyPaths);

namespace ExclusionFile {
[[nodiscard]] QStringList read(QIODevice& device); // empty lines are no entries
[[nodiscard]] bool write(QIODevice& device, const QStringList& lines);
} // namespace ExclusionFile

// A missing or unreadable file is an empty list.
[[nodiscard]] QStringList LoadExclusionList(const QString& fileName);
// Not written (false) when the folder is missing or the file read-only.
[[nodiscard]] bool SaveExclusionList(const QString& fileName, const QStringList& lines);
