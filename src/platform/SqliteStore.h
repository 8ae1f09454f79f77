#pragma once

// The local registry: one SQLite database file shared by every process of the user. Keys carry
// their upper-cased full path (keys never move: a rename is copy and delete), so a key opens with
// one index lookup at any depth. Values keep creation order by rowid.
//
// Writing: every write call is atomic (inside a batch through a savepoint when it takes several
// statements); outside a batch the call commits before it returns and answers the commit's result. A
// batch commits at least every 200 ms (also from the janitor thread when the batch went quiet) and when
// it ends; a failed commit is kept and answered by every later write, flush and the end of the batch.

#include "platform/CoarseTimer.h"
#include "platform/RegistryBackend.h"
#include "platform/SqliteDb.h"
#include "platform/StoreChangeLog.h"
#include "platform/StoreKeyCache.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class SqliteStore final : public RegistryBackend {
public:
    // Page caches: a batch inserts into indexes all over the file and keeps its pages; reads go through
    // the file in order and need few, so that a walk over millions of values stays small.
    static constexpr const char* kReadCache = "PRAGMA cache_size=-8192";
    static constexpr const char* kBatchCache = "PRAGMA cache_size=-65536";

    // Opens or creates the store. On failure returns null with a Windows code and a German reason.
    static std::shared_ptr<SqliteStore> open(const QString& path, StoreAccess access, LONG* code, QString* error);
    ~SqliteStore() override;

    LONG predefinedKey(HKEY hkey, KeyId* id) override;
    LONG openKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id) override;
    LONG createKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id, DWORD* disposition) override;
    bool keyAlive(KeyId id) override;
    LONG subKeys(KeyId id, QStringList* names, QVector<quint64>* lastWrite) override;
    LONG branchKeys(KeyId id, bool subKeysOnly, int limit, QString* position,
                    QVector<BackendBranchKey>* keys) override;
    LONG branchKeysUncounted(KeyId id, int limit, QString* position, QVector<BackendBranchKey>* keys) override;
    LONG valueRows(qint64* from, int limit, QVector<BackendValueRow>* rows) override;
    qint64 valueRowCount() override;
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
    LONG batchFailure() override;
    bool readOnly() const override { return m_readOnly; }
    quint64 subKeyGeneration(KeyId id) override;
    quint64 valueGeneration(KeyId id) override;
    quint64 deletionGeneration() override;
    LONG watchedKey(KeyId id, bool subtree, DWORD filter, WatchedKey* key) override;
    ChangeCursor changeCursor() override;
    QVector<BackendChange> changesSince(ChangeCursor from) override;
    bool concerns(const BackendChange& change, const WatchedKey& key) const override;

    [[nodiscard]] QString path() const { return m_path; }

private:
    friend class StoreTransaction;

    SqliteStore() = default;
    LONG init(const QString& path, StoreAccess access, QString* error);
    LONG openConnection(const QString& path, bool exists, QString* error);
    LONG openReadOnly(const QString& path, QString* error);
    bool createSkeleton();
    void prepareStatements();
    void janitorLoop();

    // transactions
    LONG beginWrite();
    LONG openSavepoint();
    LONG endWrite(bool keep, int sqliteCode);
    LONG commitNow();
    void abandonTransaction(LONG code);
    void noticeOtherWriters();
    [[nodiscard]] static int run(SqliteStatement& statement);
    void beginRead();
    void endRead();

    // lookups (under m_mutex)
    // 0 when there is no such key; *knownParent is set when the cache alone knew that
    [[nodiscard]] KeyId lookupPath(const QString& upperPath, DWORD* deny,
                                   const StoreKeyCache::Entry** knownParent = nullptr);
    [[nodiscard]] QString upperPathOf(KeyId id);
    [[nodiscard]] bool rowOf(KeyId id, KeyId* parent, QString* upperPath, DWORD* deny);
    enum class BranchRead { Counted, Uncounted, SubKeys };
    LONG readBranchKeys(KeyId id, BranchRead how, int limit, QString* position, QVector<BackendBranchKey>* keys);
    // upperPath ends in the upper-cased name
    [[nodiscard]] LONG insertKey(KeyId parent, const QString& name, const QString& upperPath, KeyId* id);
    [[nodiscard]] static bool accessDenied(REGSAM access, DWORD deny);
    [[nodiscard]] QString rootPath(HKEY hkey) const;

    std::recursive_mutex m_mutex;
    SqliteDb m_db;
    QString m_path;
    bool m_readOnly = false;
    QString m_userKey; // HKEY_USERS subkey of HKEY_CURRENT_USER

    // statements (declared after m_db so they finalize first)
    SqliteStatement m_findPath, m_insertKey, m_childNames, m_branchKeys, m_branchKeysUncounted, m_childKeys,
        m_valueRows, m_lastValueRow, m_valueList, m_valueGet, m_valueSet, m_valueDel,
        m_keyExists, m_hasChild, m_keyRow, m_deleteKey, m_deleteKeyValues, m_setDeny, m_keyCounts, m_valueCounts,
        m_dataVersion, m_savepoint, m_release, m_rollbackTo;
    QByteArray m_bindA, m_bindB, m_bindSort; // bound to a statement until its reset
    QString m_upperName;         // the upper-cased value name of the running write
    StoreChangeLog m_log;
    StoreKeyCache m_cache;

    // writing
    int m_batchDepth = 0;
    bool m_inTransaction = false;
    LONG m_batchError = ERROR_SUCCESS; // the first failed commit of the open batch
    bool m_savepointOpen = false;      // the running call's
    CoarseTimer m_transactionAge;
    qint64 m_lastDataVersion = -1;

    // Reads share one snapshot for a few milliseconds: a read transaction per statement would cost
    // file-lock system calls on every call. The janitor ends an idle snapshot so that other
    // processes' changes and checkpoints are never held back for long.
    bool m_readOpen = false;
    CoarseTimer m_readAge;
    std::thread m_janitor;
    std::condition_variable_any m_janitorWake;
    bool m_stopping = false;
};
