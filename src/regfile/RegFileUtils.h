#pragma once

// Registry files in the "REGEDIT4" text format and in version 5: the writer (export of one branch or of
// the selected root keys) and the reader (import of a file or of lines held in memory), with the text
// rules both share. A REGEDIT4 file's text is 8-bit through the program's one codec; a version 5 file is
// written as UTF-16LE and read as UTF-16LE, UTF-8 or 8-bit text. Line ends are CR LF when written, and
// CR LF, LF or CR alone when read.
//
// The ...Result functions answer with the outcome as a value. The functions under the names the rest
// of the program knows keep their shape: they return a flag and leave the reason in
// LastRegFileError() (the export shows its failure itself).

#include "platform/WinTypes.h"
#include "regfile/RegFileError.h"
#include "regfile/RegFileFormat.h"
#include "regfile/RegFileResult.h"
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
// root key whose slot is available and selected in rootExport. The file is written beside the target
// and takes its place only when complete: after a failure or a cancel the old file (or none) stays.
// lostTypes (REGEDIT4 only) receives the values whose type the format could not carry.
[[nodiscard]] RegFileResult ExportRegFileResult(const QString& fileName, const QString& keyPath, Progress& progress,
                                                DWORD rootExport = RootExportDefault,
                                                RegFileFormat format = RegFileFormat::Regedit4,
                                                QStringList* lostTypes = nullptr);
// The same; a failure other than a cancel is shown as an error ("Kann Datei nicht sichern." when the
// file cannot be written). True when the file was written completely.
bool ExportRegFile(const QString& fileName, const QString& keyPath, Progress& progress,
                   DWORD rootExport = RootExportDefault, RegFileFormat format = RegFileFormat::Regedit4,
                   QStringList* lostTypes = nullptr);
// The closing note of a REGEDIT4 export that wrote values as hex(0): which ones (the first few), then
// the suggestion how to write version 5, which keeps their type. Lines separated by "\n"; empty when
// no type was lost.
[[nodiscard]] QString LostTypesMessage(const QStringList& lostTypes, const QString& suggestion);
// Backslash doubled, then \" for a quote, \n for LF, \r for CR; nothing else is escaped.
[[nodiscard]] QString EscapeRegString(QStringView text);
// The byte list of a hex value for a line that begins with prefix (as written to the file): upper-case
// byte pairs, commas, and a backslash, CR LF and two blanks where a line is full (25 bytes per line).
[[nodiscard]] QByteArray WrapHexBytes(QByteArrayView prefix, QByteArrayView data);

// Applies the file to the registry of CurrentMachine. Succeeds when the file had a key line, no line
// failed, every value was written and the changes are committed.
[[nodiscard]] RegFileResult ImportRegFileResult(const QString& fileName, Progress& progress);
// The same over lines in memory; a missing list (nullptr) fails at once.
[[nodiscard]] RegFileResult ImportRegLinesResult(const QStringList* lines, Progress& progress);
// The same, with the reason of a failure (or of a cancel) in LastRegFileError().
[[nodiscard]] bool ImportRegFile(const QString& fileName, Progress& progress);
[[nodiscard]] bool ImportRegLines(const QStringList* lines, Progress& progress);
