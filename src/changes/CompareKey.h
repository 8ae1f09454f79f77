#pragma once

// One stored key of an analysis file against the live registry: the entries it adds to the change
// list. The walk over the file (and over new keys' subtrees) calls these once per stored key.

#include "changes/AnalysisFile.h"
#include "changes/ChangeList.h"
#include "platform/WinTypes.h"

#include <QString>
#include <QStringList>

#include <functional>

struct CompareOptions {
    int flags = CompFlags::Default;   // CompFlags bits
    QStringList exclusions;           // lines of the exclusion list, used with CompFlags::Exclude
    // With CompFlags::FullNewKeys, a created subkey is handed here (its full path) to be listed with
    // its subtree; without a handler it is listed as one created key.
    std::function<void(const QString& keyPath)> listNewKeyFully;

    [[nodiscard]] bool admits(const QString& keyPath) const;
};

// Compares the live key open as key (path keyPath) with the stored key and adds the entries of its
// created subkeys, created and removed values and changed data and types, as options allow.
void CompareKey(HKEY key, const QString& keyPath, const StoredKey& stored, ChangeList& list,
                const CompareOptions& options);

// The entries of a stored key that no longer opens for reading: the key and every stored value,
// whatever the flags (only exclusions apply). Stored subkeys come as stored keys of their own.
void ListRemovedKey(const StoredKey& stored, ChangeList& list, const CompareOptions& options);
