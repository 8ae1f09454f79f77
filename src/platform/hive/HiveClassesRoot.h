#pragma once

// HKEY_CLASSES_ROOT of an offline installation as Windows shows it: the machine's classes
// (HKEY_LOCAL_MACHINE\SOFTWARE\Classes) merged with the chosen user's (the user's UsrClass.dat). A key
// present in both shows the subkeys and values of both, the user's value winning over the machine's
// of the same name; a change to a key the user's classes hold goes there, else to the machine's. Every
// other key is the installation's own.

#include "platform/RegistryBackend.h"
#include "platform/hive/HiveBackend.h"

#include <QHash>

#include <memory>
#include <mutex>

class HiveClassesRoot final : public RegistryBackend {
public:
    // machine and user: the two classes keys in hives (user 0 when no user was chosen).
    HiveClassesRoot(std::shared_ptr<HiveBackend> hives, KeyId machine, KeyId user);

    LONG predefinedKey(HKEY hkey, KeyId* id) override;
    LONG openKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id) override;
    LONG createKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id, DWORD* disposition) override;
    [[nodiscard]] bool keyAlive(KeyId id) override;
    LONG subKeys(KeyId id, QStringList* names, QVector<quint64>* lastWrite) override;
    LONG branchKeys(KeyId id, bool subKeysOnly, int limit, QString* position, QVector<BackendBranchKey>* keys) override;
    LONG values(KeyId id, QVector<BackendValue>* values) override;
    LONG queryValue(KeyId id, const QString& name, DWORD* type, QByteArray* data) override;
    LONG setValue(KeyId id, const QString& name, DWORD type, QByteArrayView data) override;
    LONG deleteValue(KeyId id, const QString& name) override;
    LONG deleteKey(KeyId id) override;
    LONG keyInfo(KeyId id, BackendKeyInfo* info) override;
    LONG keyDeny(KeyId id, DWORD* flags) override;
    LONG setKeyDeny(KeyId id, DWORD flags) override;
    LONG beginBatch() override { return m_hives->beginBatch(); }
    LONG endBatch() override { return m_hives->endBatch(); }
    LONG flush() override { return m_hives->flush(); }
    [[nodiscard]] LONG batchFailure() override { return m_hives->batchFailure(); }
    [[nodiscard]] bool readOnly() const override { return m_hives->readOnly(); }
    [[nodiscard]] quint64 subKeyGeneration(KeyId id) override;
    [[nodiscard]] quint64 valueGeneration(KeyId id) override;
    [[nodiscard]] quint64 deletionGeneration() override { return m_hives->deletionGeneration(); }
    LONG watchedKey(KeyId id, bool subtree, DWORD filter, WatchedKey* key) override;
    [[nodiscard]] ChangeCursor changeCursor() override { return m_hives->changeCursor(); }
    QVector<BackendChange> changesSince(ChangeCursor from) override { return m_hives->changesSince(from); }
    [[nodiscard]] bool concerns(const BackendChange& change, const WatchedKey& key) const override;

private:
    struct Pair {
        KeyId machine = 0;
        KeyId user = 0;
    };
    // Merged keys carry this bit; the rest of their id is their place in m_pairs plus one.
    static constexpr KeyId MergedBit = KeyId(1) << 61;
    [[nodiscard]] static bool merged(KeyId id) { return id & MergedBit; }
    [[nodiscard]] Pair pairOf(KeyId id) const;
    [[nodiscard]] KeyId idOf(Pair pair);
    // The key that answers for a merged key: the user's where it has one.
    [[nodiscard]] KeyId side(KeyId id) const;
    [[nodiscard]] Pair child(Pair parent, const QString& name);
    [[nodiscard]] bool alive(Pair pair);

    std::shared_ptr<HiveBackend> m_hives;
    std::recursive_mutex m_mutex;
    QVector<Pair> m_pairs;
    QHash<QPair<KeyId, KeyId>, KeyId> m_ids;
    KeyId m_root = 0;
};
