#pragma once

// The local store with hive files mounted below its HKEY_LOCAL_MACHINE: the store's keys stay as they
// are, the mounted hives show beside them. Keys of the hives carry a bit of their own in their ids.

#include "platform/RegistryBackend.h"
#include "platform/hive/HiveBackend.h"

#include <memory>

class HiveOverlay final : public RegistryBackend {
public:
    HiveOverlay(std::shared_ptr<RegistryBackend> store, std::shared_ptr<HiveBackend> hives);

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
    LONG beginBatch() override;
    LONG endBatch() override;
    LONG flush() override;
    [[nodiscard]] LONG batchFailure() override;
    [[nodiscard]] bool readOnly() const override { return m_store->readOnly(); }
    [[nodiscard]] quint64 subKeyGeneration(KeyId id) override;
    [[nodiscard]] quint64 valueGeneration(KeyId id) override;
    [[nodiscard]] quint64 deletionGeneration() override;
    LONG watchedKey(KeyId id, bool subtree, DWORD filter, WatchedKey* key) override;
    [[nodiscard]] ChangeCursor changeCursor() override { return m_store->changeCursor(); }
    QVector<BackendChange> changesSince(ChangeCursor from) override { return m_store->changesSince(from); }
    [[nodiscard]] bool concerns(const BackendChange& change, const WatchedKey& key) const override;

private:
    static constexpr KeyId HiveBit = KeyId(1) << 62;
    [[nodiscard]] static bool inHive(KeyId id) { return id & HiveBit; }
    [[nodiscard]] KeyId fromHive(KeyId id) const { return id == m_hiveMachine ? m_storeMachine : (id | HiveBit); }
    [[nodiscard]] KeyId toHive(KeyId id) const { return id & ~HiveBit; }
    // Whether path below HKEY_LOCAL_MACHINE leads into a mounted hive.
    [[nodiscard]] bool mounted(KeyId base, const QStringList& path);

    std::shared_ptr<RegistryBackend> m_store;
    std::shared_ptr<HiveBackend> m_hives;
    KeyId m_storeMachine = 0; // HKEY_LOCAL_MACHINE of the store and of the hives
    KeyId m_hiveMachine = 0;
};
