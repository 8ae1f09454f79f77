#include "platform/FileBackedRegistry.h"

#include <algorithm>

LONG FileBackedRegistry::beginBatch()
{
    std::lock_guard lock(m_mutex);
    ++m_batchDepth;
    return ERROR_SUCCESS;
}

LONG FileBackedRegistry::flush()
{
    std::lock_guard lock(m_mutex);
    failBatch(commitFiles());
    return m_failure;
}

LONG FileBackedRegistry::endBatch()
{
    std::lock_guard lock(m_mutex);
    if (m_batchDepth > 0 && --m_batchDepth > 0)
        return m_failure;
    const LONG rc = flush();
    m_failure = ERROR_SUCCESS;
    return rc;
}

LONG FileBackedRegistry::batchFailure()
{
    std::lock_guard lock(m_mutex);
    return m_failure;
}

void FileBackedRegistry::failBatch(LONG rc)
{
    if (rc != ERROR_SUCCESS && m_failure == ERROR_SUCCESS)
        m_failure = rc;
}

bool FileBackedRegistry::recordChange(KeyId id, DWORD bits)
{
    ++m_generation;
    m_changes.record(pathOf(id), bits);
    return m_batchDepth > 0;
}

LONG FileBackedRegistry::keyInfo(KeyId id, BackendKeyInfo* info)
{
    std::lock_guard lock(m_mutex);
    QStringList names;
    if (const LONG rc = subKeys(id, &names, nullptr); rc != ERROR_SUCCESS)
        return rc;
    *info = BackendKeyInfo{};
    for (const QString& name : std::as_const(names)) {
        ++info->subKeys;
        info->maxSubKeyLen = std::max(info->maxSubKeyLen, DWORD(name.size()));
    }
    QVector<BackendValue> list;
    (void)values(id, &list);
    for (const BackendValue& v : std::as_const(list)) {
        ++info->values;
        info->maxValueNameLen = std::max(info->maxValueNameLen, DWORD(v.name.size()));
        info->maxValueLen = std::max(info->maxValueLen, DWORD(v.data.size()));
    }
    info->lastWrite = lastWriteOf(id);
    return ERROR_SUCCESS;
}

LONG FileBackedRegistry::keyDeny(KeyId id, DWORD* flags)
{
    std::lock_guard lock(m_mutex);
    *flags = 0;
    return known(id) ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG FileBackedRegistry::watchedKey(KeyId id, bool subtree, DWORD filter, WatchedKey* key)
{
    std::lock_guard lock(m_mutex);
    if (!known(id))
        return ERROR_KEY_DELETED;
    *key = WatchedKey{pathOf(id), subtree, filter};
    return ERROR_SUCCESS;
}

ChangeCursor FileBackedRegistry::changeCursor()
{
    std::lock_guard lock(m_mutex);
    return m_changes.cursor();
}

QVector<BackendChange> FileBackedRegistry::changesSince(ChangeCursor from)
{
    std::lock_guard lock(m_mutex);
    return m_changes.since(from);
}

bool FileBackedRegistry::concerns(const BackendChange& change, const WatchedKey& key) const
{
    return ProcessChanges::concerns(change, key);
}
