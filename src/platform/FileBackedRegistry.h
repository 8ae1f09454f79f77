#pragma once

// What registries read whole from files and written back to them (hive files, Wine prefixes) share: a
// batch writes the changed files once at its end, the first failure of a batch is kept for its end, and
// watches hear of the changes made through the registry in this process (the files tell nothing of
// other processes). The generation changes with every change, for every key at once.

#include "platform/ProcessChanges.h"
#include "platform/RegistryBackend.h"

#include <mutex>

class FileBackedRegistry : public RegistryBackend {
public:
    LONG beginBatch() override;
    LONG endBatch() override;
    LONG flush() override;
    [[nodiscard]] LONG batchFailure() override;
    [[nodiscard]] quint64 subKeyGeneration(KeyId) override { return m_generation; }
    [[nodiscard]] quint64 valueGeneration(KeyId) override { return m_generation; }
    [[nodiscard]] quint64 deletionGeneration() override { return m_generation; }
    // Counts and longest names through subKeys and values, the time through lastWriteOf.
    LONG keyInfo(KeyId id, BackendKeyInfo* info) override;
    // The files keep real security descriptors or none, never this platform's deny flags.
    LONG keyDeny(KeyId id, DWORD* flags) override;
    LONG setKeyDeny(KeyId, DWORD) override { return ERROR_ACCESS_DENIED; }
    LONG watchedKey(KeyId id, bool subtree, DWORD filter, WatchedKey* key) override;
    [[nodiscard]] ChangeCursor changeCursor() override;
    QVector<BackendChange> changesSince(ChangeCursor from) override;
    [[nodiscard]] bool concerns(const BackendChange& change, const WatchedKey& key) const override;

protected:
    // Writes every file changed since it was last written; all are tried, the first failure answers.
    virtual LONG commitFiles() = 0;
    [[nodiscard]] virtual bool known(KeyId id) const = 0;
    // The key's full path, as watches name it.
    [[nodiscard]] virtual QString pathOf(KeyId id) const = 0;
    // FILETIME ticks of the key's last write (0 where the file keeps none).
    [[nodiscard]] virtual quint64 lastWriteOf(KeyId id) const = 0;

    // A change made at id: counted and recorded for the watches. True while a batch defers the writing.
    [[nodiscard]] bool recordChange(KeyId id, DWORD bits);
    // The key at path (named before it went) was deleted.
    void recordDeletion(const QString& path) { m_changes.record(path, KeyDeletedBit); }
    // A failure met inside a batch, answered at its end.
    void failBatch(LONG rc);
    [[nodiscard]] bool inBatch() const { return m_batchDepth > 0; }
    [[nodiscard]] LONG batchResult() const { return m_failure; }
    [[nodiscard]] quint64 generation() const { return m_generation; }

    std::recursive_mutex m_mutex;

private:
    quint64 m_generation = 1;
    int m_batchDepth = 0;
    LONG m_failure = ERROR_SUCCESS;
    ProcessChanges m_changes;
};
