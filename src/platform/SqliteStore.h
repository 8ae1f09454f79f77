#pragma once

// The local registry: one SQLite database file shared by every process of the user. Keys carry
// their upper-cased full path (keys never move: a rename is copy and delete), so a key opens with
// one index lookup at any depth. Values keep creation order by rowid.

#include "platform/RegistryBackend.h"
#include "platform/SqliteDb.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>

#include <memory>
#include <condition_variable>
#include <mutex>
#include <thread>

class SqliteStore final : public RegistryBackend {
public:
    // Opens or creates the store. On failure returns null with a Windows code and a German reason.
    static std::shared_ptr<SqliteStore> open(const QString& path, LONG* code, QString* error);
    ~SqliteStore() override;

    LONG predefinedKey(HKEY hkey, qint64* id, QString* upperPath) override;
    LONG openKey(qint64 base, const QString& baseUpperPath, const QStringList& path, REGSAM access, qint64* id,
                 QString* upperPath) override;
    LONG createKey(qint64 base, const QString& baseUpperPath, const QStringList& path, REGSAM access, qint64* id,
                   QString* upperPath, DWORD* disposition) override;
    bool keyAlive(qint64 id) override;
    LONG subKeys(qint64 id, QStringList* names, QVector<quint64>* lastWrite) override;
    LONG values(qint64 id, QVector<BackendValue>* values) override;
    LONG queryValue(qint64 id, const QString& name, DWORD* type, QByteArray* data) override;
    LONG setValue(qint64 id, const QString& name, DWORD type, QByteArrayView data) override;
    LONG deleteValue(qint64 id, const QString& name) override;
    LONG deleteKey(qint64 id) override;
    LONG keyInfo(qint64 id, BackendKeyInfo* info) override;
    LONG keyDeny(qint64 id, DWORD* flags) override;
    LONG setKeyDeny(qint64 id, DWORD flags) override;
    LONG beginBatch() override;
    void endBatch() override;
    LONG flush() override;
    bool readOnly() const override { return m_readOnly; }
    quint64 generation(qint64 id) override;
    quint64 deletionGeneration() override;
    qint64 lastChange() override;
    void changesSince(qint64 seq, const std::function<void(const BackendChange&)>& sink) override;

    [[nodiscard]] QString path() const { return m_path; }

private:
    SqliteStore() = default;
    LONG init(const QString& path, QString* error);
    bool createSchema();
    bool createSkeleton();
    void prepareStatements();
    LONG beginWrite();
    LONG endWrite(bool ok);
    bool commitNow();
    void touch(qint64 id, DWORD bits);
    void bumpKey(qint64 id);
    [[nodiscard]] qint64 lookupPath(const QString& upperPath, DWORD* deny);
    [[nodiscard]] QString upperPathOf(qint64 id);
    [[nodiscard]] static bool accessDenied(REGSAM access, DWORD deny);
    void beginRead();
    void endRead();
    void janitorLoop();

    std::recursive_mutex m_mutex;
    SqliteDb m_db;
    QString m_path;
    bool m_readOnly = false;
    QString m_userKey; // HKEY_USERS subkey of HKEY_CURRENT_USER

    // statements (declared after m_db so they finalize first)
    SqliteStatement m_findPath, m_insertKey, m_childNames, m_valueList, m_valueGet, m_valueSet, m_valueDel,
        m_keyExists, m_hasChild, m_keyRow, m_deleteKey, m_deleteKeyValues, m_touchKey, m_logChange, m_setDeny,
        m_keyCounts, m_valueCounts, m_changes, m_lastSeq, m_dataVersion, m_prune;

    // writing
    int m_batchDepth = 0;
    bool m_inTransaction = false;
    QElapsedTimer m_transactionAge;
    QHash<qint64, DWORD> m_touched; // key -> change bits of the open transaction
    QHash<QString, DWORD> m_deleted; // upper path -> bits, keys deleted in the open transaction
    QSet<qint64> m_created;         // keys created in the open transaction (their time is already set)

    // Keys never move, so a path names one id until that key is deleted; another process's commit
    // clears the caches (it may have deleted and re-created keys).
    struct CachedKey {
        qint64 id = 0;
        DWORD deny = 0;
    };
    QHash<QString, CachedKey> m_idOf;
    QHash<qint64, QString> m_pathOf;
    void remember(qint64 id, const QString& upperPath, DWORD deny);
    void forgetCaches();
    QElapsedTimer m_sincePrune;

    // cache validity
    quint64 m_counter = 0;
    QHash<qint64, quint64> m_keyGeneration;
    quint64 m_externalEpoch = 0;
    quint64 m_deletions = 0;
    qint64 m_lastDataVersion = -1;

    // Reads share one snapshot for a few milliseconds: a read transaction per statement would cost
    // file-lock system calls on every call. The janitor ends an idle snapshot so that other
    // processes' changes and checkpoints are never held back for long.
    bool m_readOpen = false;
    QElapsedTimer m_readAge;
    std::thread m_janitor;
    std::condition_variable_any m_janitorWake;
    bool m_stopping = false;
};
