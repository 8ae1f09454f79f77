#pragma once

// Search list files (".slt"): one row per line, CR LF, no header, in list order:
//
//   offset 0  2 hex digits   image number
//   offset 2  2 hex digits   length L1 of the found-at text (at most FF)
//   offset 4  2 hex digits   length L2 of the value name (at most FF)
//   offset 6  L1 characters  found-at text
//   then      L2 characters  value name
//   then      rest of line   key path
//
// e.g. "050504DatenPathHKEY_CURRENT_USER\Environment". Each line is 8-bit file text (Windows-1252
// where the line fits, else UTF-8) and the lengths count characters of that text, so every line reads
// back unchanged. Found-at text and value name are cut to 255 characters when written.

#include "search/SearchResultList.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <vector>

struct ResultFileContent {
    bool ok = false;
    QString error;             // why the file could not be read, for a message
    std::vector<ResultRow> rows;
    int skippedLines = 0;      // lines that are not a row (no six hex digits, lengths past the end, too long)
};

namespace ResultFile {

inline constexpr int MaxTextLength = 0xFF;
// A line longer than this cannot come from a registry row; it is skipped without being held in memory.
inline constexpr qint64 MaxLineBytes = 1 << 20;

[[nodiscard]] QByteArray lineFor(const ResultRow& row); // with its CR LF
[[nodiscard]] bool write(QIODevice& device, const std::vector<ResultRow>& rows);
[[nodiscard]] ResultFileContent read(QIODevice& device);

} // namespace ResultFile

// What the user is told after loading a file with lines that are no rows.
[[nodiscard]] QString SkippedLinesText(int count);

// The name a chosen save name is written as: its extension replaced by ".slt".
[[nodiscard]] QString ResultFileName(const QString& chosen);

// Writes the list to fileName (taken as it is). False, and no file, when it cannot be written.
[[nodiscard]] bool SaveResultFile(const QString& fileName, const SearchResultList& list);
// Replaces the list's rows by the file's rows once the file is open; an unreadable file leaves the
// list as it was.
[[nodiscard]] ResultFileContent LoadResultFile(const QString& fileName, SearchResultList& list);
