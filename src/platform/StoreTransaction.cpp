#include "platform/StoreTransaction.h"

#include "platform/SqliteStore.h"
#include "platform/StoreSchema.h"

#include <sqlite3.h>
#include <utility>

namespace {

// A batch commits at least this often, so that a crash loses little and other processes see work.
constexpr qint64 kBatchCommitMs = 200;
// A snapshot of the store serves reads this long before the next read looks for newer commits.
constexpr qint64 kSnapshotMs = 20;

} // namespace

StoreTransaction::StoreTransaction(SqliteStore& store) : m_store(store), m_status(store.beginWrite()) {}

StoreTransaction::~StoreTransaction()
{
    if (m_status == ERROR_SUCCESS && !m_done)
        (void)m_store.endWrite(false, SQLITE_OK);
}

LONG StoreTransaction::severalStatements()
{
    if (m_status == ERROR_SUCCESS)
        m_status = m_store.openSavepoint();
    return m_status;
}

LONG StoreTransaction::commit()
{
    m_done = true;
    return m_store.endWrite(true, SQLITE_OK);
}

LONG StoreTransaction::fail(int sqliteCode)
{
    m_done = true;
    const LONG rc = m_store.endWrite(false, sqliteCode);
    return rc != ERROR_SUCCESS ? rc : ERROR_REGISTRY_IO_FAILED;
}

LONG StoreTransaction::refuse(LONG code)
{
    m_done = true;
    const LONG rc = m_store.endWrite(false, SQLITE_OK);
    return rc != ERROR_SUCCESS ? rc : code;
}

// --- the store's side ---

LONG SqliteStore::beginWrite()
{
    if (m_readOnly)
        return ERROR_ACCESS_DENIED;
    if (m_batchDepth > 0 && m_batchError != ERROR_SUCCESS)
        return m_batchError;
    if (!m_inTransaction) {
        endRead(); // a write starts from the newest state, never from an old snapshot
        const int rc = m_db.exec("BEGIN IMMEDIATE");
        if (rc != SQLITE_OK)
            return StoreSchema::windowsCode(rc);
        m_inTransaction = true;
        m_transactionAge.start();
        noticeOtherWriters();
    }
    m_savepointOpen = false;
    return ERROR_SUCCESS;
}

LONG SqliteStore::openSavepoint()
{
    // a call of one statement makes its marks only after that statement: it needs no undo of them
    m_log.beginCall();
    if (m_batchDepth == 0 || m_savepointOpen)
        return ERROR_SUCCESS; // outside a batch the call is the whole transaction
    const int rc = run(m_savepoint);
    if (rc != SQLITE_OK) {
        const LONG code = StoreSchema::windowsCode(rc);
        abandonTransaction(code);
        return code;
    }
    m_savepointOpen = true;
    return ERROR_SUCCESS;
}

LONG SqliteStore::endWrite(bool keep, int sqliteCode)
{
    const bool marked = m_log.endCall(keep);
    if (!m_inTransaction)
        return m_batchError != ERROR_SUCCESS ? m_batchError : ERROR_REGISTRY_IO_FAILED;
    const LONG code = StoreSchema::windowsCode(sqliteCode);
    if (m_db.autocommit()) {
        // SQLite ended the transaction itself after an I/O error: earlier calls of a batch are gone too
        abandonTransaction(code != ERROR_SUCCESS ? code : ERROR_REGISTRY_IO_FAILED);
        return code != ERROR_SUCCESS ? code : ERROR_REGISTRY_IO_FAILED;
    }
    if (m_batchDepth == 0) {
        if (keep)
            return commitNow();
        if (m_db.exec("ROLLBACK") != SQLITE_OK)
            abandonTransaction(code);
        m_inTransaction = false;
        m_log.clear();
        if (marked)
            m_cache.newEpoch(); // the call remembered keys it made
        return code;
    }
    const bool savepoint = std::exchange(m_savepointOpen, false);
    if (keep) {
        const int rc = savepoint ? run(m_release) : SQLITE_OK;
        if (rc != SQLITE_OK) {
            abandonTransaction(StoreSchema::windowsCode(rc));
            return StoreSchema::windowsCode(rc);
        }
        return m_transactionAge.elapsed() >= kBatchCommitMs ? commitNow() : ERROR_SUCCESS;
    }
    int rc = savepoint ? run(m_rollbackTo) : SQLITE_OK;
    if (rc == SQLITE_OK && savepoint)
        rc = run(m_release);
    if (rc != SQLITE_OK) {
        abandonTransaction(StoreSchema::windowsCode(rc));
        return StoreSchema::windowsCode(rc);
    }
    if (marked)
        m_cache.newEpoch();
    return code;
}

LONG SqliteStore::commitNow()
{
    int rc = m_log.write([this](KeyId id) { return upperPathOf(id); });
    if (rc == SQLITE_OK)
        rc = m_db.exec("COMMIT");
    if (rc != SQLITE_OK) {
        const LONG code = StoreSchema::windowsCode(rc);
        abandonTransaction(code);
        return code;
    }
    m_inTransaction = false;
    m_log.clear();
    return ERROR_SUCCESS;
}

void SqliteStore::abandonTransaction(LONG code)
{
    if (!m_db.autocommit())
        (void)m_db.exec("ROLLBACK");
    m_inTransaction = false;
    m_log.clear();
    m_cache.newEpoch();
    if (m_batchDepth > 0 && m_batchError == ERROR_SUCCESS)
        m_batchError = code != ERROR_SUCCESS ? code : ERROR_REGISTRY_IO_FAILED;
}

int SqliteStore::run(SqliteStatement& statement)
{
    const int rc = statement.step();
    statement.reset();
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? SQLITE_OK : rc;
}

void SqliteStore::noticeOtherWriters()
{
    // data_version moves when another connection committed since this one last looked
    if (m_dataVersion.step() == SQLITE_ROW) {
        const qint64 v = m_dataVersion.int64(0);
        if (v != m_lastDataVersion) {
            m_lastDataVersion = v;
            m_cache.newEpoch();
        }
    }
    m_dataVersion.reset();
}

void SqliteStore::beginRead()
{
    if (m_inTransaction || (m_readOpen && m_readAge.elapsed() < kSnapshotMs))
        return;
    endRead();
    if (m_db.exec("BEGIN") != SQLITE_OK)
        return;
    m_readOpen = true;
    m_readAge.start();
    noticeOtherWriters();
}

void SqliteStore::endRead()
{
    if (m_readOpen) {
        (void)m_db.exec("COMMIT");
        m_readOpen = false;
    }
}

void SqliteStore::janitorLoop()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        m_janitorWake.wait_for(lock, std::chrono::milliseconds(50));
        if (m_readOpen && m_readAge.elapsed() >= kSnapshotMs)
            endRead();
        // a batch that went quiet still commits in time; a failure waits for the batch's next call
        if (m_inTransaction && m_batchDepth > 0 && m_transactionAge.elapsed() >= kBatchCommitMs)
            (void)commitNow();
    }
}

LONG SqliteStore::beginBatch()
{
    std::lock_guard lock(m_mutex);
    if (m_readOnly)
        return ERROR_ACCESS_DENIED;
    if (++m_batchDepth == 1)
        (void)m_db.exec(kBatchCache);
    return ERROR_SUCCESS;
}

LONG SqliteStore::endBatch()
{
    std::lock_guard lock(m_mutex);
    if (m_batchDepth == 0)
        return ERROR_INVALID_HANDLE;
    LONG rc = m_batchError;
    if (--m_batchDepth == 0) {
        if (m_inTransaction) {
            const LONG commit = commitNow();
            if (rc == ERROR_SUCCESS)
                rc = commit;
        }
        m_batchError = ERROR_SUCCESS;
        (void)m_db.exec(kReadCache); // gives the batch's pages back
    }
    return rc;
}

LONG SqliteStore::flush()
{
    std::lock_guard lock(m_mutex);
    if (m_inTransaction) {
        const LONG rc = commitNow();
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    return m_batchDepth > 0 ? m_batchError : ERROR_SUCCESS;
}

LONG SqliteStore::batchFailure()
{
    std::lock_guard lock(m_mutex);
    return m_batchDepth > 0 ? m_batchError : ERROR_SUCCESS;
}
