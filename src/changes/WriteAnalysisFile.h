#pragma once

// The snapshot: every key of a branch (or of the selected root keys) with its subkey names and values,
// written as an analysis file in the walk's order, which is the export's.

#include "platform/WinTypes.h"

#include <QString>

class Progress;

struct AnalysisWriteResult {
    enum class Status {
        Completed,
        Cancelled,   // the file ends after the last key written, with its end-of-file record
        NotWritable, // "Kann Datei nicht speichern."; no file was created
        Failed,      // a write failed or a root key could not be reached; text says which
    };
    Status status = Status::Completed;
    QString text;
    LONG code = ERROR_SUCCESS; // Failed: the registry's code, ERROR_BAD_NETPATH for a root key not reached

    [[nodiscard]] bool ok() const { return status == Status::Completed; }
};

// Writes the analysis file of the branch at branchPath (a trailing backslash is ignored), or, for an
// empty branchPath, of every root key whose slot is available and selected in rootExport (bit 1 for
// the first slot). A cancelled or cut-short walk still leaves a valid file ending in its end record.
[[nodiscard]] AnalysisWriteResult WriteAnalysisFileResult(const QString& fileName, const QString& branchPath,
                                                          Progress& progress, DWORD rootExport = 15);
// The same; a failure is shown as an error, a cancel silently. True when the whole snapshot was written.
bool WriteAnalysisFile(const QString& fileName, const QString& branchPath, Progress& progress,
                       DWORD rootExport = 15);

// The file name an analysis file is saved under: the chosen name's extension replaced by ".rec".
[[nodiscard]] QString AnalysisFileName(const QString& chosen);
