#pragma once

// Registry files in the "REGEDIT4" text format: the writer (export of one branch or of the selected
// root keys) and the reader (import of a file or of lines held in memory), with the text rules both
// share. The file's text is 8-bit through the program's one codec; line ends are CR LF when written,
// and CR LF, LF or CR alone when read.

#include "platform/WinTypes.h"
#include "regfile/RegFileError.h"
#include "regfile/RegValueLineParser.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

class Progress;

// "RootExport": bit 1 for the first root-key slot, 2 for the second, ... 32 for the sixth.
inline constexpr DWORD RootExportDefault = 15;

// Exports the branch at keyPath (a trailing backslash is ignored), or, for an empty keyPath, every
// root key whose slot is available and selected in rootExport. Shows "Kann Datei nicht sichern." when
// the file cannot be written. False when the file was not written completely (not writable, write
// error, cancelled, root key not selectable); the file then keeps what was written so far.
bool ExportRegFile(const QString& fileName, const QString& keyPath, Progress& progress,
                   DWORD rootExport = RootExportDefault);
// Backslash doubled, then \" for a quote, \n for LF, \r for CR; nothing else is escaped.
[[nodiscard]] QString EscapeRegString(QStringView text);
// The byte list of a hex value for a line that begins with prefix (as written to the file): upper-case
// byte pairs, commas, and a backslash, CR LF and two blanks where a line is full (25 bytes per line).
[[nodiscard]] QByteArray WrapHexBytes(QByteArrayView prefix, QByteArrayView data);

// Applies the file to the registry of CurrentMachine. Shows "Kann Datei nicht öffnen." when it cannot
// be read. True when the last key line opened its key, no line failed and every value was written;
// otherwise LastRegFileError() holds the reason (empty for a wrong header, an unknown root key or a
// key that cannot be opened, and after a cancel).
[[nodiscard]] bool ImportRegFile(const QString& fileName, Progress& progress);
// The same over lines in memory; a missing list (nullptr) gives false at once.
[[nodiscard]] bool ImportRegLines(const QStringList* lines, Progress& progress);
