#pragma once

// One stored key of an analysis file against the live registry: the entries it adds to the change
// list. The walk over the file (and over new keys' subtrees) calls these once per stored key.

#include "changes/AnalysisFile.h"
#include "changes/ChangeList.h"
#include "platform/RegistryBackend.h"
#include "platform/WinTypes.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

struct CompareOptions {
    int flags = CompFlags::Default;   // CompFlags bits
    QStringList exclusions;           // lines of the exclusion list, used with CompFlags::Exclude
    // With CompFlags::FullNewKeys, a created subkey is handed here (its full path) to be listed with
    // its subtree; without a handler it is listed as one created key.
    std::function<void(const QString& keyPath)> listNewKeyFully;

    [[nodiscard]] bool admits(const QString& keyPath) const;
};

// What the comparison needs of a live key: its subkey names in any order, its values in creation order.
struct LiveKeyContents {
    QStringList subKeyNames;
    QVector<BackendValue> values;
};

// The contents of the key open as key (with KEY_READ); what cannot be listed is left out.
void ReadLiveKey(HKEY key, LiveKeyContents* contents);

// Compares the live key (path keyPath) with the stored key and adds the entries of its created subkeys,
// created and removed values and changed data and types, as options allow.
void CompareKey(const LiveKeyContents& live, const QString& keyPath, const StoredKey& stored, ChangeList& list,
                const CompareOptions& options);

// The entries of a stored key that no longer opens for reading: the key and every stored value,
// whatever the flags (only exclusions apply). Stored subkeys come as stored keys of their own.
void ListRemovedKey(const StoredKey& stored, ChangeList& list, const CompareOptions& options);
