#pragma once

// One registry behind the Windows API: the local store now; offline hive files, Wine prefixes and
// remote machines implement the same interface. Keys are named by the backend's own ids; handles,
// access masks and caching live above it, in the API layer.

#include "platform/WinTypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <compare>

// A key as the backend knows it (a row, a cell offset, a line of a text file); 0 is never a key.
using KeyId = qint64;

struct BackendValue {
    QString name;
    DWORD type = REG_NONE;
    QByteArray data;
};

// One key of a branch read at once: its parent (0 for the branch key) and the parent's place in the list
// of the branch (-1 for the branch key, filled by the reader of the list), its name as created (empty for
// the branch key), its deny flags, and how many values it had at the value generation of the read (-1 where
// they were not counted).
struct BackendBranchKey {
    KeyId id = 0;
    KeyId parentId = 0;
    qsizetype parent = -1;
    QString name;
    DWORD deny = 0;
    qint64 values = 0;
    quint64 valueGeneration = 0;
    quint64 subKeyGeneration = 0;
};

// A value as one pass over every value of the registry brings it.
struct BackendValueRow {
    KeyId key = 0;
    BackendValue value;
};

struct BackendKeyInfo {
    DWORD subKeys = 0;
    DWORD maxSubKeyLen = 0;
    DWORD values = 0;
    DWORD maxValueNameLen = 0;
    DWORD maxValueLen = 0;
    quint64 lastWrite = 0; // FILETIME ticks
};

// A point in a backend's history of changes; only the backend gives it a meaning, later points
// compare greater.
struct ChangeCursor {
    qint64 position = 0;
    friend auto operator<=>(const ChangeCursor&, const ChangeCursor&) = default;
};

// Where a watch looks, in the backend's own terms (taken when the watch starts, so that it still
// matches the key's deletion).
struct WatchedKey {
    QString where;
    bool subtree = false;
    DWORD filter = 0; // REG_NOTIFY bits; the key's own deletion always concerns it
};

// One committed change: REG_NOTIFY bits, KeyDeletedBit for the key itself going away.
struct BackendChange {
    ChangeCursor at;
    QString where; // the backend's own name of the key, for concerns()
    DWORD bits = 0;
};

inline constexpr DWORD KeyDeletedBit = 0x100;
// The change happened at or below the key (many keys changed at once were reported as one).
inline constexpr DWORD SubtreeChangedBit = 0x200;

class RegistryBackend {
public:
    RegistryBackend() : m_serial(++s_serials) {}
    virtual ~RegistryBackend() = default;
    RegistryBackend(const RegistryBackend&) = delete;
    RegistryBackend& operator=(const RegistryBackend&) = delete;

    // Never the same for two backends of one process, even when one is freed and another takes its
    // address.
    [[nodiscard]] quint64 serial() const { return m_serial; }

    // The key a predefined handle stands for; ERROR_INVALID_HANDLE when this registry has none.
    virtual LONG predefinedKey(HKEY hkey, KeyId* id) = 0;
    // path: names below base, each 1..255 characters. access is checked against the key's deny flags
    // (ERROR_ACCESS_DENIED). Keys deeper than MAX_KEY_DEPTH are refused with ERROR_INVALID_PARAMETER.
    virtual LONG openKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id) = 0;
    // Whether the key exists is decided under the backend's write lock: of two creators one creates,
    // the other opens.
    virtual LONG createKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id, DWORD* disposition) = 0;
    [[nodiscard]] virtual bool keyAlive(KeyId id) = 0;
    // Subkey names in the hive's order (upper-cased, UTF-16 code units) with their last-write times.
    virtual LONG subKeys(KeyId id, QStringList* names, QVector<quint64>* lastWrite) = 0;
    // The keys of the branch at id a part at a time, for walks over whole branches: the key itself first,
    // then the keys below it (with subKeysOnly its direct subkeys only), each after its parent, about
    // limit of them per part; *position (empty at the start) goes on from the part before.
    // ERROR_NO_MORE_ITEMS after the last. The default asks key by key and gives everything in one part.
    virtual LONG branchKeys(KeyId id, bool subKeysOnly, int limit, QString* position, QVector<BackendBranchKey>* keys);
    // The same for the whole branch, where counting the values costs a read of their own: without the
    // counts (values -1), for walks that take every value of the registry in one pass anyway.
    virtual LONG branchKeysUncounted(KeyId id, int limit, QString* position, QVector<BackendBranchKey>* keys)
    {
        return branchKeys(id, false, limit, position, keys);
    }
    // Every value of the registry in creation order, a part at a time, for walks over large branches:
    // at most limit values after the position *from (0 at the start), moving *from past them;
    // ERROR_NO_MORE_ITEMS after the last, and at once where there is no such order.
    virtual LONG valueRows(qint64* from, int limit, QVector<BackendValueRow>* rows);
    // About how many values one pass of valueRows reads (0 where there is none).
    [[nodiscard]] virtual qint64 valueRowCount() { return 0; }
    // Values in creation order, with data.
    virtual LONG values(KeyId id, QVector<BackendValue>* values) = 0;
    virtual LONG queryValue(KeyId id, const QString& name, DWORD* type, QByteArray* data) = 0;
    virtual LONG setValue(KeyId id, const QString& name, DWORD type, QByteArrayView data) = 0;
    virtual LONG deleteValue(KeyId id, const QString& name) = 0;
    // Deletes the key; ERROR_ACCESS_DENIED while it has subkeys (decided under the write lock).
    virtual LONG deleteKey(KeyId id) = 0;
    virtual LONG keyInfo(KeyId id, BackendKeyInfo* info) = 0;
    virtual LONG keyDeny(KeyId id, DWORD* flags) = 0;
    virtual LONG setKeyDeny(KeyId id, DWORD flags) = 0;

    // Batches nest; endBatch and flush answer the failure of any commit of the batch so far.
    virtual LONG beginBatch() = 0;
    virtual LONG endBatch() = 0;
    virtual LONG flush() = 0;
    // The failure of a commit of the open batch, or ERROR_SUCCESS: a key made in the batch may be gone
    // with it, and the caller hears that failure rather than of a deleted key.
    [[nodiscard]] virtual LONG batchFailure() = 0;
    [[nodiscard]] virtual bool readOnly() const = 0;

    // Change whenever the key's subkeys (values) may have changed: by one for each write of this
    // process through the backend, otherwise by some other amount. The handle caches compare them.
    [[nodiscard]] virtual quint64 subKeyGeneration(KeyId id) = 0;
    [[nodiscard]] virtual quint64 valueGeneration(KeyId id) = 0;
    // Changes whenever a key may have been deleted: open handles look again whether theirs is alive.
    [[nodiscard]] virtual quint64 deletionGeneration() = 0;

    // Change notification: a watch names its key, remembers the cursor of its start and is told of the
    // committed changes after it that concern it.
    virtual LONG watchedKey(KeyId id, bool subtree, DWORD filter, WatchedKey* key) = 0;
    [[nodiscard]] virtual ChangeCursor changeCursor() = 0;
    virtual QVector<BackendChange> changesSince(ChangeCursor from) = 0;
    [[nodiscard]] virtual bool concerns(const BackendChange& change, const WatchedKey& key) const = 0;

private:
    static inline std::atomic<quint64> s_serials{0};
    const quint64 m_serial;
};
