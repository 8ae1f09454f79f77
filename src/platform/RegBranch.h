#pragma once

// A whole branch read at once, for walks that visit every key of it (export, search, snapshot,
// comparison, statistics): one read of the store instead of an open and a subkey list per key. A key of
// the branch then opens by its place in the list, and answers as opening it by its path would at that
// moment: ERROR_ACCESS_DENIED where its deny flags refuse the access, ERROR_FILE_NOT_FOUND once it was
// deleted. Keys created after the read are not in the list.

#include "platform/RegistryBackend.h"
#include "platform/WinTypes.h"

#include <QHash>
#include <QVector>

#include <memory>
#include <vector>

class RegBranch final {
public:
    // The keys read so far: the branch key first, each key after its parent.
    [[nodiscard]] const QVector<BackendBranchKey>& keys() const { return m_keys; }
    // Every key of the branch was read.
    [[nodiscard]] bool complete() const { return m_complete; }
    // The place of a key in keys(), -1 for a key outside the branch.
    [[nodiscard]] qsizetype placeOf(KeyId id) const { return m_placeOf.value(id, -1); }

private:
    friend LONG RegReadBranch(HKEY hKey, REGSAM samDesired, bool subKeysOnly, RegBranch* branch);
    friend LONG RegReadBranchUncounted(HKEY hKey, REGSAM samDesired, RegBranch* branch);
    friend LONG RegCheckBranchKey(const RegBranch& branch, qsizetype index);
    friend bool RegBranchWantsValuePass(const RegBranch& branch);
    friend LONG RegReadBranchValuePass(RegBranch& branch, QVector<BackendValueRow>* rows);
    friend bool RegBranchValuesCurrent(const RegBranch& branch, qsizetype index);
    friend LONG RegReadBranchKeyValues(const RegBranch& branch, qsizetype index, QVector<BackendValue>* values);
    friend LONG RegReadBranchPart(RegBranch& branch);
    friend LONG RegOpenBranchKey(const RegBranch& branch, qsizetype index, HKEY* phkResult);
    friend LONG RegReadBranchValues(RegBranch& branch, qsizetype index, HKEY hKey, QVector<BackendValue>* values);
    friend bool RegBranchSubKeysCurrent(const RegBranch& branch, qsizetype index);

    [[nodiscard]] static LONG read(HKEY hKey, REGSAM samDesired, bool subKeysOnly, bool counted, RegBranch* branch);
    bool readPart();
    [[nodiscard]] LONG checkKey(qsizetype index, quint64 deletions) const;
    [[nodiscard]] bool readAhead(qsizetype index, QVector<BackendValue>* values);

    std::shared_ptr<RegistryBackend> m_backend;
    KeyId m_id = 0;
    bool m_subKeysOnly = false;
    bool m_counted = true; // the keys come with their values' counts
    QString m_position; // where the next part of the keys begins
    bool m_complete = false;
    LONG m_result = ERROR_SUCCESS;
    QVector<BackendBranchKey> m_keys;
    QHash<KeyId, qsizetype> m_placeOf;
    REGSAM m_access = 0;
    quint64 m_deletions = 0; // the store's deletion generation at the read

    // A branch holding most of the registry's values reads them in one pass in creation order, keeping
    // those of keys not visited yet; a small branch asks key by key.
    bool m_onePass = false;
    bool m_passDone = false;
    qint64 m_passPosition = 0;
    QHash<qsizetype, QVector<BackendValue>> m_readAhead; // by place, only keys with values kept
    std::vector<bool> m_visited;                    // by place: later values of it are not kept
    QVector<BackendValueRow> m_rows;                // one part of the pass
    qint64 m_rowsKept = 0;
};

// Reads the first part of the branch of the open key hKey (which needs KEY_ENUMERATE_SUB_KEYS), with
// subKeysOnly only the key and its direct subkeys; its keys will be opened with samDesired.
[[nodiscard]] LONG RegReadBranch(HKEY hKey, REGSAM samDesired, bool subKeysOnly, RegBranch* branch);
// The same for a walk that takes the values in the store's order (RegReadBranchValuePass): the keys come
// without their values' counts where leaving them out is cheaper.
[[nodiscard]] LONG RegReadBranchUncounted(HKEY hKey, REGSAM samDesired, RegBranch* branch);
// Reads the next part of the branch's keys, until complete().
[[nodiscard]] LONG RegReadBranchPart(RegBranch& branch);
// Opens the key at index of the branch with the branch's access.
[[nodiscard]] LONG RegOpenBranchKey(const RegBranch& branch, qsizetype index, HKEY* phkResult);
// Every value of the key at index, open as hKey (which needs KEY_QUERY_VALUE), in creation order with
// names of any length, as they are now: a key written since the branch was read is asked again.
[[nodiscard]] LONG RegReadBranchValues(RegBranch& branch, qsizetype index, HKEY hKey, QVector<BackendValue>* values);
// What RegOpenBranchKey answers for the key at index, without opening a handle.
[[nodiscard]] LONG RegCheckBranchKey(const RegBranch& branch, qsizetype index);
// Whether one pass over every value of the registry (RegReadBranchValuePass) reads the values of the
// complete branch faster than asking key by key (RegReadBranchKeyValues): a store that has such a pass,
// and a branch holding a large share of it.
[[nodiscard]] bool RegBranchWantsValuePass(const RegBranch& branch);
// The next part of that pass: values of any key of the registry in creation order (placeOf() tells a key
// of the branch); ERROR_NO_MORE_ITEMS after the last. Rows of a key count only while
// RegBranchValuesCurrent says so for it after the part was read.
[[nodiscard]] LONG RegReadBranchValuePass(RegBranch& branch, QVector<BackendValueRow>* rows);
// Whether the values of the key at index are still those it had when the branch was read.
[[nodiscard]] bool RegBranchValuesCurrent(const RegBranch& branch, qsizetype index);
// Every value of the key at index as it is now, in creation order, when the branch's access may read
// them and the key may be opened (RegCheckBranchKey).
[[nodiscard]] LONG RegReadBranchKeyValues(const RegBranch& branch, qsizetype index, QVector<BackendValue>* values);
// Whether the subkeys of the key at index are still exactly its subkeys in the list (none created or
// deleted since the read, and the branch's access may list them), so that they need not be asked again.
[[nodiscard]] bool RegBranchSubKeysCurrent(const RegBranch& branch, qsizetype index);
// ERROR_SUCCESS while the key of the handle exists; else what any call on it answers.
[[nodiscard]] LONG RegCheckKey(HKEY hKey);
