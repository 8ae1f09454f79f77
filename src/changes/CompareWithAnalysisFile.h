#pragma once

// The comparison: an analysis file read back one stored key at a time, each key compared with the live
// registry, the differences added to a change list. Only the stored key in hand is held in memory,
// however large the file.

#include "changes/ChangeFileStream.h"
#include "changes/CompareKey.h"
#include "registry/BranchWalker.h"

#include <QString>

class Progress;

struct CompareOutcome {
    enum class Status {
        Completed,
        Cancelled,    // entries found so far stay
        NotConnected, // a stored path's root key could not be reached (its message was shown); entries stay
        FileError,    // see error: refused() means nothing was read, otherwise entries up to the damage stay
    };
    Status status = Status::Completed;
    ChangeFileError error;

    [[nodiscard]] bool ok() const { return status == Status::Completed; }
};

// Adds the entries of every difference between the analysis file and the live registry to list, as the
// flags and exclusions of options say. A created key is listed with its subtree when the flags ask for
// it (options.listNewKeyFully is supplied here).
[[nodiscard]] CompareOutcome CompareWithAnalysisFile(const QString& fileName, ChangeList& list,
                                                     const CompareOptions& options, Progress& progress);

// A created key and its whole subtree in the walk's order: every key as "Schlüssel wurde erstellt",
// every value as "Wert wurde erstellt", each where the exclusions admit its key.
WalkResult ListNewKeyFully(const QString& keyPath, ChangeList& list, const CompareOptions& options,
                           Progress& progress);

// The options of a comparison run with these flags: with the exclusion bit, the list is read from the
// file (a missing file is an empty list).
[[nodiscard]] CompareOptions ComparisonOptions(int flags, const QString& exclusionFile);
