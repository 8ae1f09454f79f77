#pragma once

// What the store process remembers between calls: key ids by path (keys never move, so a path names
// one id until that key is deleted) and the generations the handle caches compare. Another process's
// commit starts a new epoch: every remembered id and generation is dropped at once.

#include "platform/RegistryBackend.h"

#include <QHash>
#include <QString>

class StoreKeyCache final {
public:
    struct Entry {
        KeyId id = 0;
        DWORD deny = 0;
        quint64 subKeysRound = 0; // made by this process in that round of m_subKeysRound (0: not)
    };

    [[nodiscard]] const Entry* find(const QString& upperPath) const;
    // Empty when the id is not remembered.
    [[nodiscard]] QString pathOf(KeyId id) const { return m_pathOf.value(id); }
    void remember(KeyId id, const QString& upperPath, DWORD deny);
    // A key this process just created: it has no subkeys but those it remembers after this.
    void rememberNew(KeyId id, const QString& upperPath);
    // True when every subkey of the key is remembered, so that a path below it that is not remembered
    // does not exist, without asking the store.
    [[nodiscard]] bool knowsAllSubKeys(const Entry& key) const { return key.subKeysRound == m_subKeysRound; }
    [[nodiscard]] bool knows(KeyId id) const { return m_pathOf.contains(id); }
    void forget(KeyId id, const QString& upperPath);

    void bumpSubKeys(KeyId id);
    void bumpValues(KeyId id);
    void bumpDeletions() { ++m_deletions; }
    // Everything may have changed (another process committed, or a transaction was rolled back).
    void newEpoch();

    [[nodiscard]] quint64 subKeyGeneration(KeyId id) const { return (m_epoch << 40) + m_subKeys.value(id); }
    [[nodiscard]] quint64 valueGeneration(KeyId id) const
    {
        return (m_epoch << 40) + (id == m_hotValues ? m_hotValueCount : m_values.value(id));
    }
    [[nodiscard]] quint64 deletionGeneration() const { return (m_epoch << 40) + m_deletions; }

private:
    void store(const QString& upperPath, const Entry& entry);
    void forgetPaths();

    QHash<QString, Entry> m_idOf;
    QHash<KeyId, QString> m_pathOf;
    quint64 m_subKeysRound = 1; // a new round forgets which keys know all their subkeys
    QHash<KeyId, quint64> m_subKeys;
    QHash<KeyId, quint64> m_values;
    // A batch writes the values of one key in a row: that key's count is kept here, out of m_values.
    KeyId m_hotValues = 0;
    quint64 m_hotValueCount = 0;
    quint64 m_deletions = 0;
    quint64 m_epoch = 1;
};
