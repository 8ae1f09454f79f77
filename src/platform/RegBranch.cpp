#include "platform/RegBranch.h"

#include "platform/HandleTable.h"

namespace {

// Small enough that the buffer of a pass stays on the heap instead of a mapping of its own each time.
constexpr int RowsPerPass = 1024;
// A part of the branch's keys takes a few milliseconds to read: the walk answers the user between parts.
constexpr int KeysPerPart = 4096;
// One key waits for at most this many values of others (a few milliseconds), then asks for its own.
constexpr qint64 MaxRowsPerKey = 32 * RowsPerPass;
// A registry whose values were written in an order far from the walk's would have the pass keep more
// and more of them: beyond this many the pass ends and every key asks for its own values.
constexpr qint64 MaxRowsKept = 256 * 1024;

} // namespace

LONG RegistryBackend::branchKeys(KeyId id, bool subKeysOnly, int, QString* position,
                                 QVector<BackendBranchKey>* keys)
{
    keys->clear();
    if (!position->isEmpty())
        return ERROR_NO_MORE_ITEMS;
    *position = QStringLiteral("*");
    DWORD deny = 0;
    LONG rc = keyDeny(id, &deny);
    if (rc != ERROR_SUCCESS)
        return rc;
    BackendKeyInfo info;
    if ((rc = keyInfo(id, &info)) != ERROR_SUCCESS)
        return rc;
    keys->append(BackendBranchKey{id, 0, -1, QString(), deny, info.values, valueGeneration(id), subKeyGeneration(id)});
    QStringList names;
    for (qsizetype place = 0; place < (subKeysOnly ? 1 : keys->size()); ++place) {
        const KeyId parent = keys->at(place).id;
        rc = subKeys(parent, &names, nullptr);
        if (rc != ERROR_SUCCESS)
            return rc;
        for (const QString& name : names) {
            KeyId child = 0;
            // a key deleted meanwhile is not part of the branch
            if (openKey(parent, QStringList{name}, 0, &child) != ERROR_SUCCESS
                || keyDeny(child, &deny) != ERROR_SUCCESS || keyInfo(child, &info) != ERROR_SUCCESS)
                continue;
            keys->append(BackendBranchKey{child, parent, -1, name, deny, info.values, valueGeneration(child),
                                          subKeyGeneration(child)});
        }
    }
    return ERROR_SUCCESS;
}

LONG RegistryBackend::valueRows(qint64*, int, QVector<BackendValueRow>*)
{
    return ERROR_NO_MORE_ITEMS;
}

bool RegBranch::readAhead(qsizetype index, QVector<BackendValue>* values)
{
    if (m_visited.empty())
        m_visited.resize(size_t(m_keys.size()));
    const qint64 wanted = m_keys.at(index).values;
    const auto have = [&] {
        const auto it = m_readAhead.constFind(index);
        return it == m_readAhead.cend() ? 0 : it->size();
    };
    for (qint64 read = 0; have() < wanted && !m_passDone && read < MaxRowsPerKey; read += RowsPerPass) {
        // the end of the values, or a failure: the keys left ask one by one
        m_passDone = m_backend->valueRows(&m_passPosition, RowsPerPass, &m_rows) != ERROR_SUCCESS;
        // a key's values mostly follow each other: its place and list are looked up once for them
        KeyId last = 0;
        QVector<BackendValue>* kept = nullptr;
        for (BackendValueRow& row : m_rows) {
            if (row.key != last || last == 0) {
                last = row.key;
                const qsizetype at = m_placeOf.value(row.key, -1);
                kept = at < 0 || m_visited[size_t(at)] ? nullptr : &m_readAhead[at];
                if (kept && kept->isEmpty())
                    kept->reserve(m_keys.at(at).values);
            }
            if (!kept)
                continue;
            kept->append(std::move(row.value));
            ++m_rowsKept;
        }
    }
    m_visited[size_t(index)] = true;
    QVector<BackendValue> mine = m_readAhead.take(index);
    m_rowsKept -= mine.size();
    const bool complete = mine.size() == wanted;
    if (complete)
        *values = std::move(mine);
    if (m_rowsKept > MaxRowsKept) {
        m_onePass = false;
        m_readAhead = {};
    }
    return complete;
}

bool RegBranch::readPart()
{
    QVector<BackendBranchKey> part;
    m_result = m_counted ? m_backend->branchKeys(m_id, m_subKeysOnly, KeysPerPart, &m_position, &part)
                         : m_backend->branchKeysUncounted(m_id, KeysPerPart, &m_position, &part);
    if (m_result == ERROR_NO_MORE_ITEMS) {
        m_result = ERROR_SUCCESS;
        m_complete = true;
        if (!m_counted)
            return true;
        qint64 values = 0;
        for (const BackendBranchKey& key : std::as_const(m_keys))
            values += key.values;
        m_onePass = values > 0 && values * 2 >= m_backend->valueRowCount();
        return true;
    }
    for (BackendBranchKey& key : part) {
        key.parent = m_keys.isEmpty() ? -1 : m_placeOf.value(key.parentId, -1);
        if (key.parent < 0 && !m_keys.isEmpty())
            continue; // below a key deleted between two parts
        m_placeOf.insert(key.id, m_keys.size());
        m_keys.append(std::move(key));
    }
    return m_result == ERROR_SUCCESS;
}

LONG RegBranch::read(HKEY hKey, REGSAM samDesired, bool subKeysOnly, bool counted, RegBranch* branch)
{
    if (!branch)
        return ERROR_INVALID_PARAMETER;
    *branch = RegBranch();
    branch->m_counted = counted;
    return withKey(hKey, KEY_ENUMERATE_SUB_KEYS, [&](KeyHandle& h) {
        branch->m_backend = h.backend;
        branch->m_id = h.id;
        branch->m_access = samDesired;
        branch->m_subKeysOnly = subKeysOnly;
        branch->m_deletions = h.backend->deletionGeneration();
        (void)branch->readPart();
        return branch->m_result;
    });
}

LONG RegReadBranch(HKEY hKey, REGSAM samDesired, bool subKeysOnly, RegBranch* branch)
{
    return RegBranch::read(hKey, samDesired, subKeysOnly, true, branch);
}

LONG RegReadBranchUncounted(HKEY hKey, REGSAM samDesired, RegBranch* branch)
{
    return RegBranch::read(hKey, samDesired, false, false, branch);
}

LONG RegReadBranchPart(RegBranch& branch)
{
    if (!branch.m_backend)
        return ERROR_INVALID_PARAMETER;
    if (branch.m_result == ERROR_SUCCESS && !branch.m_complete)
        (void)branch.readPart();
    return branch.m_result;
}

// Only a denied key, or any key once keys may have been deleted since the read, asks the store.
LONG RegBranch::checkKey(qsizetype index, quint64 deletions) const
{
    const BackendBranchKey& key = m_keys.at(index);
    if (key.deny == 0 && deletions == m_deletions)
        return ERROR_SUCCESS;
    KeyId id = 0;
    const LONG rc = m_backend->openKey(key.id, {}, m_access, &id);
    return rc == ERROR_KEY_DELETED ? ERROR_FILE_NOT_FOUND : rc;
}

LONG RegCheckBranchKey(const RegBranch& branch, qsizetype index)
{
    if (!branch.m_backend || index < 0 || index >= branch.m_keys.size())
        return ERROR_INVALID_PARAMETER;
    return branch.checkKey(index, branch.m_backend->deletionGeneration());
}

LONG RegOpenBranchKey(const RegBranch& branch, qsizetype index, HKEY* phkResult)
{
    if (!phkResult || !branch.m_backend || index < 0 || index >= branch.m_keys.size())
        return ERROR_INVALID_PARAMETER;
    const BackendBranchKey& key = branch.m_keys.at(index);
    const quint64 deletions = branch.m_backend->deletionGeneration();
    if (const LONG rc = branch.checkKey(index, deletions); rc != ERROR_SUCCESS)
        return rc;
    std::shared_ptr<KeyHandle> handle = HandleTable::newHandle(branch.m_backend, key.id, branch.m_access);
    handle->aliveGen = deletions; // just seen alive
    *phkResult = HandleTable::add(std::move(handle));
    return ERROR_SUCCESS;
}

LONG RegReadBranchValues(RegBranch& branch, qsizetype index, HKEY hKey, QVector<BackendValue>* values)
{
    if (!values || index < 0 || index >= branch.m_keys.size())
        return ERROR_INVALID_PARAMETER;
    return withKey(hKey, KEY_QUERY_VALUE, [&](KeyHandle& h) {
        values->clear();
        const BackendBranchKey& key = branch.m_keys.at(index);
        const auto unchanged = [&] { return h.backend->valueGeneration(key.id) == key.valueGeneration; };
        if (h.id == key.id && unchanged()) {
            if (key.values == 0)
                return ERROR_SUCCESS;
            // the pass may have begun a newer read of the store: its values count only when that
            // changed nothing of this key
            if (branch.m_onePass && branch.readAhead(index, values) && unchanged())
                return ERROR_SUCCESS;
        }
        return h.backend->values(h.id, values);
    });
}

bool RegBranchWantsValuePass(const RegBranch& branch)
{
    // Asking one key costs about as much as passing ten values of the registry.
    if (!branch.m_backend || !branch.m_complete || branch.m_subKeysOnly)
        return false;
    const qint64 rows = branch.m_backend->valueRowCount();
    return rows > 0 && qint64(branch.m_keys.size()) * 10 >= rows;
}

LONG RegReadBranchValuePass(RegBranch& branch, QVector<BackendValueRow>* rows)
{
    if (!rows || !branch.m_backend)
        return ERROR_INVALID_PARAMETER;
    if ((branch.m_access & KEY_QUERY_VALUE) != KEY_QUERY_VALUE)
        return ERROR_ACCESS_DENIED;
    return branch.m_backend->valueRows(&branch.m_passPosition, RowsPerPass, rows);
}

bool RegBranchValuesCurrent(const RegBranch& branch, qsizetype index)
{
    return branch.m_backend && index >= 0 && index < branch.m_keys.size()
           && branch.m_backend->valueGeneration(branch.m_keys.at(index).id) == branch.m_keys.at(index).valueGeneration;
}

LONG RegReadBranchKeyValues(const RegBranch& branch, qsizetype index, QVector<BackendValue>* values)
{
    if (!values)
        return ERROR_INVALID_PARAMETER;
    values->clear();
    if (const LONG rc = RegCheckBranchKey(branch, index); rc != ERROR_SUCCESS)
        return rc;
    if ((branch.m_access & KEY_QUERY_VALUE) != KEY_QUERY_VALUE)
        return ERROR_ACCESS_DENIED;
    return branch.m_backend->values(branch.m_keys.at(index).id, values);
}

bool RegBranchSubKeysCurrent(const RegBranch& branch, qsizetype index)
{
    if (!branch.m_backend || !branch.m_complete || index < 0 || index >= branch.m_keys.size()
        || (branch.m_subKeysOnly && index != 0) || (branch.m_access & KEY_ENUMERATE_SUB_KEYS) != KEY_ENUMERATE_SUB_KEYS)
        return false;
    const BackendBranchKey& key = branch.m_keys.at(index);
    return branch.m_backend->deletionGeneration() == branch.m_deletions
           && branch.m_backend->subKeyGeneration(key.id) == key.subKeyGeneration;
}

LONG RegCheckKey(HKEY hKey)
{
    return withKey(hKey, 0, [](KeyHandle&) { return ERROR_SUCCESS; });
}
