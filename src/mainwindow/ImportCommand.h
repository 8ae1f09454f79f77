#pragma once

// The import of a registry file from the main window, without the window: runs the import, and since
// an import that stopped half-way (cancelled, a bad line, values that could not be written) has
// changed the registry as much as a full one, empties the edit undo list whenever the file was read.
// The answer says how it ended and why; the window shows that and refreshes its tree.

#include <QString>

class Progress;
class TUndoList;

struct ImportOutcome {
    enum class Status {
        Imported,  // every line applied
        Cancelled, // stopped by the user: ends quietly
        Failed,    // stopped or incomplete; reason says why
        NotRead    // the file could not be read (its message was shown); nothing changed
    };
    Status status = Status::NotRead;
    QString reason;

    [[nodiscard]] bool registryTouched() const { return status != Status::NotRead; }
    // The box text of a failure; empty for every other outcome.
    [[nodiscard]] QString failureText() const;
};

[[nodiscard]] ImportOutcome ImportRegFileCommand(const QString& fileName, Progress& progress, TUndoList& undo);

inline const QString ImportDoneText
    = QStringLiteral("Registrierungsdatei wurde erfolgreich importiert.\r\nDie Ansicht wird nun aktualisiert.");
