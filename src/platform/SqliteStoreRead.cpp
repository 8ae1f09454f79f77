// The reads of whole lists: a key's subkeys, the keys of a branch a part at a time, every value in
// creation order, a key's counts and sizes.

#include "platform/SqliteStore.h"

#include <sqlite3.h>

#include <algorithm>

LONG SqliteStore::subKeys(KeyId id, QStringList* names, QVector<quint64>* lastWrite)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    names->clear();
    if (lastWrite)
        lastWrite->clear();
    m_childNames.bind(1, id);
    int rc;
    while ((rc = m_childNames.step()) == SQLITE_ROW) {
        names->append(m_childNames.text(0));
        if (lastWrite)
            lastWrite->append(quint64(m_childNames.int64(1)));
    }
    m_childNames.reset();
    return rc == SQLITE_DONE ? ERROR_SUCCESS : ERROR_REGISTRY_IO_FAILED;
}

LONG SqliteStore::branchKeys(KeyId id, bool subKeysOnly, int limit, QString* position,
                             QVector<BackendBranchKey>* keys)
{
    return readBranchKeys(id, subKeysOnly ? BranchRead::SubKeys : BranchRead::Counted, limit, position, keys);
}

LONG SqliteStore::branchKeysUncounted(KeyId id, int limit, QString* position, QVector<BackendBranchKey>* keys)
{
    return readBranchKeys(id, BranchRead::Uncounted, limit, position, keys);
}

LONG SqliteStore::readBranchKeys(KeyId id, BranchRead how, int limit, QString* position,
                                 QVector<BackendBranchKey>* keys)
{
    const bool subKeysOnly = how == BranchRead::SubKeys;
    std::lock_guard lock(m_mutex);
    beginRead();
    keys->clear();
    KeyId parent = 0;
    QString up;
    DWORD deny = 0;
    if (!rowOf(id, &parent, &up, &deny))
        return ERROR_KEY_DELETED;
    const bool first = position->isEmpty();
    if (first) {
        qint64 ownValues = -1;
        if (how != BranchRead::Uncounted) {
            m_valueCounts.bind(1, id);
            ownValues = m_valueCounts.step() == SQLITE_ROW ? m_valueCounts.int64(0) : 0;
            m_valueCounts.reset();
        }
        keys->append(BackendBranchKey{id, 0, -1, QString(), deny, ownValues, m_cache.valueGeneration(id),
                                      m_cache.subKeyGeneration(id)});
        *position = up + QLatin1Char('\\');
    } else if (subKeysOnly) {
        return ERROR_NO_MORE_ITEMS;
    }
    const QString to = up + QLatin1Char(']');
    SqliteStatement& query = subKeysOnly                  ? m_childKeys
                             : how == BranchRead::Counted ? m_branchKeys
                                                          : m_branchKeysUncounted;
    if (subKeysOnly) {
        query.bind(1, id);
    } else {
        query.bindTextNoCopy(1, *position);
        query.bindTextNoCopy(2, to);
        query.bind(3, limit);
    }
    // the next part begins after the last path of a full part; after a shorter one nothing is left
    QString next = to;
    int rows = 0;
    int rc;
    while ((rc = query.step()) == SQLITE_ROW) {
        const KeyId key = query.int64(0);
        keys->append(BackendBranchKey{key, query.int64(1), -1, query.text(2), DWORD(query.int64(3)), query.int64(4),
                                      m_cache.valueGeneration(key), m_cache.subKeyGeneration(key)});
        if (!subKeysOnly && ++rows == limit)
            next = query.text(5);
    }
    query.reset();
    if (rc != SQLITE_DONE)
        return ERROR_REGISTRY_IO_FAILED;
    if (!subKeysOnly && (rows > 0 || !first))
        *position = next;
    return keys->isEmpty() ? ERROR_NO_MORE_ITEMS : ERROR_SUCCESS;
}

LONG SqliteStore::valueRows(qint64* from, int limit, QVector<BackendValueRow>* rows)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    m_valueRows.bind(1, *from);
    m_valueRows.bind(2, limit);
    // the rows of the part before are written over: their strings and arrays keep their room
    qsizetype count = 0;
    int rc;
    while ((rc = m_valueRows.step()) == SQLITE_ROW) {
        if (count == rows->size())
            rows->resize(count + 1);
        BackendValueRow& row = (*rows)[count++];
        *from = m_valueRows.int64(0);
        row.key = m_valueRows.int64(1);
        m_valueRows.textInto(2, row.value.name);
        row.value.type = DWORD(m_valueRows.int64(3));
        m_valueRows.blobInto(4, row.value.data);
    }
    m_valueRows.reset();
    rows->resize(count);
    if (rc != SQLITE_DONE)
        return ERROR_REGISTRY_IO_FAILED;
    return rows->isEmpty() ? ERROR_NO_MORE_ITEMS : ERROR_SUCCESS;
}

qint64 SqliteStore::valueRowCount()
{
    std::lock_guard lock(m_mutex);
    beginRead();
    qint64 last = 0;
    if (m_lastValueRow.step() == SQLITE_ROW)
        last = m_lastValueRow.int64(0);
    m_lastValueRow.reset();
    return last;
}

LONG SqliteStore::keyInfo(KeyId id, BackendKeyInfo* info)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    m_keyRow.bind(1, id);
    if (m_keyRow.step() != SQLITE_ROW) {
        m_keyRow.reset();
        return ERROR_KEY_DELETED;
    }
    info->lastWrite = quint64(m_keyRow.int64(3));
    m_keyRow.reset();
    m_keyCounts.bind(1, id);
    if (m_keyCounts.step() == SQLITE_ROW) {
        info->subKeys = DWORD(m_keyCounts.int64(0));
        info->maxSubKeyLen = DWORD(m_keyCounts.int64(1));
    }
    m_keyCounts.reset();
    m_valueCounts.bind(1, id);
    if (m_valueCounts.step() == SQLITE_ROW) {
        info->values = DWORD(m_valueCounts.int64(0));
        info->maxValueNameLen = DWORD(m_valueCounts.int64(1));
        info->maxValueLen = DWORD(m_valueCounts.int64(2));
    }
    m_valueCounts.reset();
    return ERROR_SUCCESS;
}
