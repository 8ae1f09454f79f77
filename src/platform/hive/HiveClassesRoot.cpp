#include "platform/hive/HiveClassesRoot.h"

#include "platform/WinCase.h"

#include <QSet>

#include <algorithm>

HiveClassesRoot::HiveClassesRoot(std::shared_ptr<HiveBackend> hives, KeyId machine, KeyId user)
    : m_hives(std::move(hives))
{
    m_root = idOf(Pair{machine, user});
}

HiveClassesRoot::Pair HiveClassesRoot::pairOf(KeyId id) const
{
    const qsizetype place = qsizetype(id & ~MergedBit) - 1;
    return merged(id) && place >= 0 && place < m_pairs.size() ? m_pairs.at(place) : Pair{};
}

KeyId HiveClassesRoot::idOf(Pair pair)
{
    const QPair<KeyId, KeyId> key{pair.machine, pair.user};
    if (const auto it = m_ids.constFind(key); it != m_ids.cend())
        return *it;
    m_pairs.append(pair);
    const KeyId id = MergedBit | KeyId(m_pairs.size());
    m_ids.insert(key, id);
    return id;
}

KeyId HiveClassesRoot::side(KeyId id) const
{
    if (!merged(id))
        return id;
    const Pair pair = pairOf(id);
    // The root itself belongs to the machine: what is made at the top goes there, as on Windows.
    return pair.user && id != m_root ? pair.user : pair.machine;
}

HiveClassesRoot::Pair HiveClassesRoot::child(Pair parent, const QString& name)
{
    Pair found;
    if (parent.machine && m_hives->openKey(parent.machine, {name}, KEY_READ, &found.machine) != ERROR_SUCCESS)
        found.machine = 0;
    if (parent.user && m_hives->openKey(parent.user, {name}, KEY_READ, &found.user) != ERROR_SUCCESS)
        found.user = 0;
    return found;
}

bool HiveClassesRoot::alive(Pair pair)
{
    return (pair.machine && m_hives->keyAlive(pair.machine)) || (pair.user && m_hives->keyAlive(pair.user));
}

LONG HiveClassesRoot::predefinedKey(HKEY hkey, KeyId* id)
{
    if (hkey != HKEY_CLASSES_ROOT)
        return m_hives->predefinedKey(hkey, id);
    *id = m_root;
    return ERROR_SUCCESS;
}

LONG HiveClassesRoot::openKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id)
{
    if (!merged(base))
        return m_hives->openKey(base, path, access, id);
    std::lock_guard lock(m_mutex);
    if (path.size() > MAX_KEY_DEPTH)
        return ERROR_INVALID_PARAMETER;
    Pair current = pairOf(base);
    if (!alive(current))
        return ERROR_KEY_DELETED;
    for (const QString& name : path) {
        current = child(current, name);
        if (!current.machine && !current.user)
            return ERROR_FILE_NOT_FOUND;
    }
    *id = idOf(current);
    return ERROR_SUCCESS;
}

// A missing key is made where the changes of its parent go: in the user's classes when the parent is
// there (below the top).
LONG HiveClassesRoot::createKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id, DWORD* disposition)
{
    if (!merged(base))
        return m_hives->createKey(base, path, access, id, disposition);
    std::lock_guard lock(m_mutex);
    if (path.size() > MAX_KEY_DEPTH)
        return ERROR_INVALID_PARAMETER;
    Pair current = pairOf(base);
    if (!alive(current))
        return ERROR_KEY_DELETED;
    bool created = false;
    for (const QString& name : path) {
        Pair next = child(current, name);
        if (!next.machine && !next.user) {
            const KeyId parent = side(idOf(current));
            KeyId& made = parent == current.user ? next.user : next.machine;
            DWORD how = 0;
            const LONG rc = m_hives->createKey(parent, {name}, access, &made, &how);
            if (rc != ERROR_SUCCESS)
                return rc;
            created = true;
        }
        current = next;
    }
    *id = idOf(current);
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

bool HiveClassesRoot::keyAlive(KeyId id)
{
    if (!merged(id))
        return m_hives->keyAlive(id);
    std::lock_guard lock(m_mutex);
    return alive(pairOf(id));
}

// The names of both sides once each, in the hives' order; the user's spelling and time where it has the key.
LONG HiveClassesRoot::subKeys(KeyId id, QStringList* names, QVector<quint64>* lastWrite)
{
    if (!merged(id))
        return m_hives->subKeys(id, names, lastWrite);
    std::lock_guard lock(m_mutex);
    const Pair pair = pairOf(id);
    if (!alive(pair))
        return ERROR_KEY_DELETED;
    struct Entry {
        QString name;
        quint64 time = 0;
    };
    QVector<Entry> entries;
    QSet<QString> seen;
    for (KeyId from : {pair.user, pair.machine}) {
        QStringList list;
        QVector<quint64> times;
        if (!from || m_hives->subKeys(from, &list, &times) != ERROR_SUCCESS)
            continue;
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (!seen.contains(winUpper(list.at(i)))) {
                seen.insert(winUpper(list.at(i)));
                entries.append(Entry{list.at(i), times.value(i)});
            }
        }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return winCompareNoCase(a.name, b.name) < 0; });
    names->clear();
    if (lastWrite)
        lastWrite->clear();
    for (const Entry& e : std::as_const(entries)) {
        names->append(e.name);
        if (lastWrite)
            lastWrite->append(e.time);
    }
    return ERROR_SUCCESS;
}

LONG HiveClassesRoot::branchKeys(KeyId id, bool subKeysOnly, int limit, QString* position,
                                 QVector<BackendBranchKey>* keys)
{
    if (!merged(id))
        return m_hives->branchKeys(id, subKeysOnly, limit, position, keys);
    return RegistryBackend::branchKeys(id, subKeysOnly, limit, position, keys);
}

// The user's values first, then the machine's that the user has no value of the same name for.
LONG HiveClassesRoot::values(KeyId id, QVector<BackendValue>* values)
{
    if (!merged(id))
        return m_hives->values(id, values);
    std::lock_guard lock(m_mutex);
    const Pair pair = pairOf(id);
    values->clear();
    if (!alive(pair))
        return ERROR_KEY_DELETED;
    QVector<BackendValue> list;
    if (pair.user && m_hives->values(pair.user, &list) == ERROR_SUCCESS)
        *values = std::move(list);
    QSet<QString> seen;
    for (const BackendValue& v : std::as_const(*values))
        seen.insert(winUpper(v.name));
    if (pair.machine && m_hives->values(pair.machine, &list) == ERROR_SUCCESS) {
        for (BackendValue& v : list) {
            if (!seen.contains(winUpper(v.name)))
                values->append(std::move(v));
        }
    }
    return ERROR_SUCCESS;
}

LONG HiveClassesRoot::queryValue(KeyId id, const QString& name, DWORD* type, QByteArray* data)
{
    if (!merged(id))
        return m_hives->queryValue(id, name, type, data);
    std::lock_guard lock(m_mutex);
    const Pair pair = pairOf(id);
    if (!alive(pair))
        return ERROR_KEY_DELETED;
    LONG rc = ERROR_FILE_NOT_FOUND;
    if (pair.user)
        rc = m_hives->queryValue(pair.user, name, type, data);
    if (rc == ERROR_FILE_NOT_FOUND && pair.machine)
        rc = m_hives->queryValue(pair.machine, name, type, data);
    return rc;
}

LONG HiveClassesRoot::setValue(KeyId id, const QString& name, DWORD type, QByteArrayView data)
{
    std::lock_guard lock(m_mutex);
    return m_hives->setValue(side(id), name, type, data);
}

// The value goes where it is seen: the user's when the user's key has it, else the machine's.
LONG HiveClassesRoot::deleteValue(KeyId id, const QString& name)
{
    if (!merged(id))
        return m_hives->deleteValue(id, name);
    std::lock_guard lock(m_mutex);
    const Pair pair = pairOf(id);
    if (pair.user && m_hives->queryValue(pair.user, name, nullptr, nullptr) == ERROR_SUCCESS)
        return m_hives->deleteValue(pair.user, name);
    return pair.machine ? m_hives->deleteValue(pair.machine, name) : ERROR_FILE_NOT_FOUND;
}

// The key goes from both sides, so that it is gone from the merged view.
LONG HiveClassesRoot::deleteKey(KeyId id)
{
    if (!merged(id))
        return m_hives->deleteKey(id);
    std::lock_guard lock(m_mutex);
    if (id == m_root)
        return ERROR_ACCESS_DENIED;
    const Pair pair = pairOf(id);
    QStringList names;
    if (subKeys(id, &names, nullptr) != ERROR_SUCCESS)
        return ERROR_KEY_DELETED;
    if (!names.isEmpty())
        return ERROR_ACCESS_DENIED;
    LONG rc = ERROR_SUCCESS;
    if (pair.user && m_hives->keyAlive(pair.user))
        rc = m_hives->deleteKey(pair.user);
    if (rc == ERROR_SUCCESS && pair.machine && m_hives->keyAlive(pair.machine))
        rc = m_hives->deleteKey(pair.machine);
    return rc;
}

LONG HiveClassesRoot::keyInfo(KeyId id, BackendKeyInfo* info)
{
    if (!merged(id))
        return m_hives->keyInfo(id, info);
    std::lock_guard lock(m_mutex);
    QStringList names;
    QVector<quint64> times;
    QVector<BackendValue> list;
    LONG rc = subKeys(id, &names, &times);
    if (rc != ERROR_SUCCESS || (rc = values(id, &list)) != ERROR_SUCCESS)
        return rc;
    BackendKeyInfo own;
    if ((rc = m_hives->keyInfo(side(id), &own)) != ERROR_SUCCESS)
        return rc;
    *info = BackendKeyInfo{};
    info->lastWrite = own.lastWrite;
    info->subKeys = DWORD(names.size());
    for (const QString& n : std::as_const(names))
        info->maxSubKeyLen = std::max(info->maxSubKeyLen, DWORD(n.size()));
    info->values = DWORD(list.size());
    for (const BackendValue& v : std::as_const(list)) {
        info->maxValueNameLen = std::max(info->maxValueNameLen, DWORD(v.name.size()));
        info->maxValueLen = std::max(info->maxValueLen, DWORD(v.data.size()));
    }
    return ERROR_SUCCESS;
}

LONG HiveClassesRoot::keyDeny(KeyId id, DWORD* flags)
{
    if (!merged(id))
        return m_hives->keyDeny(id, flags);
    *flags = 0;
    return keyAlive(id) ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG HiveClassesRoot::setKeyDeny(KeyId id, DWORD flags)
{
    return m_hives->setKeyDeny(side(id), flags);
}

// Both sides of a merged key live in the one backend, whose generations cover all its keys.
quint64 HiveClassesRoot::subKeyGeneration(KeyId id)
{
    std::lock_guard lock(m_mutex);
    return m_hives->subKeyGeneration(side(id));
}

quint64 HiveClassesRoot::valueGeneration(KeyId id)
{
    std::lock_guard lock(m_mutex);
    return m_hives->valueGeneration(side(id));
}

// A watch on a merged key follows the side that answers for it.
LONG HiveClassesRoot::watchedKey(KeyId id, bool subtree, DWORD filter, WatchedKey* key)
{
    std::lock_guard lock(m_mutex);
    return m_hives->watchedKey(side(id), subtree, filter, key);
}

bool HiveClassesRoot::concerns(const BackendChange& change, const WatchedKey& key) const
{
    return m_hives->concerns(change, key);
}
