#include "platform/SqliteStore.h"

#include "platform/StoreTransaction.h"
#include "platform/WinCase.h"

#include <QDateTime>
#include <QHash>
#include <QVarLengthArray>
#include <sqlite3.h>

#include <algorithm>

namespace {

constexpr KeyId kHiveRootParent = 0;

quint64 nowFileTime()
{
    return quint64(QDateTime::currentMSecsSinceEpoch() + 11644473600000LL) * 10000ULL;
}

// Subkeys sort by their upper-cased names compared by UTF-16 code units: big-endian UTF-16 bytes
// compare the same way under memcmp. Written into a buffer kept between calls.
void sortKeyInto(QStringView upperName, QByteArray& out)
{
    out.resize(upperName.size() * 2);
    char* dst = out.data();
    for (const QChar c : upperName) {
        *dst++ = char(c.unicode() >> 8);
        *dst++ = char(c.unicode() & 0xFF);
    }
}

QString joinUpper(const QString& base, const QStringList& path)
{
    // names never hold the separator, and upper-casing keeps every character where it was
    if (path.isEmpty())
        return base;
    qsizetype size = base.size();
    for (const QString& name : path)
        size += 1 + name.size();
    QString out(size, Qt::Uninitialized);
    QChar* dst = std::copy(base.cbegin(), base.cend(), out.data());
    for (const QString& name : path) {
        *dst++ = QLatin1Char('\\');
        winUpperInto(name, dst);
        dst += name.size();
    }
    return out;
}

// winUpper into a buffer kept between calls: a bulk import sets a million values, nearly all of them
// with ASCII names, without allocating a string for each.
void upperInto(const QString& name, QString& out)
{
    out.resize(name.size());
    winUpperInto(name, out.data());
}

// Levels below the root key: HKEY_USERS\S-1\Software is 2.
qsizetype depthOf(const QString& upperPath)
{
    return upperPath.count(QLatin1Char('\\'));
}

} // namespace

// --- lookups ---

KeyId SqliteStore::lookupPath(const QString& upperPath, DWORD* deny, const StoreKeyCache::Entry** knownParent)
{
    if (const StoreKeyCache::Entry* cached = m_cache.find(upperPath)) {
        *deny = cached->deny;
        return cached->id;
    }
    // a bulk import creates each key below one it created just before: no need to ask the store
    const qsizetype cut = upperPath.lastIndexOf(QLatin1Char('\\'));
    if (cut > 0) {
        const StoreKeyCache::Entry* parent = m_cache.find(upperPath.left(cut));
        if (parent && m_cache.knowsAllSubKeys(*parent)) {
            if (knownParent)
                *knownParent = parent;
            return 0;
        }
    }
    m_findPath.bindTextNoCopy(1, upperPath);
    KeyId id = 0;
    if (m_findPath.step() == SQLITE_ROW) {
        id = m_findPath.int64(0);
        *deny = DWORD(m_findPath.int64(1));
    }
    m_findPath.reset();
    if (id)
        m_cache.remember(id, upperPath, *deny);
    return id;
}

bool SqliteStore::rowOf(KeyId id, KeyId* parent, QString* upperPath, DWORD* deny)
{
    m_keyRow.bind(1, id);
    const bool found = m_keyRow.step() == SQLITE_ROW;
    if (found) {
        *parent = m_keyRow.int64(0);
        *upperPath = m_keyRow.text(1);
        *deny = DWORD(m_keyRow.int64(2));
    }
    m_keyRow.reset();
    return found;
}

QString SqliteStore::upperPathOf(KeyId id)
{
    QString up = m_cache.pathOf(id);
    if (up.isEmpty()) {
        KeyId parent = 0;
        DWORD deny = 0;
        if (rowOf(id, &parent, &up, &deny))
            m_cache.remember(id, up, deny);
    }
    return up;
}

LONG SqliteStore::insertKey(KeyId parent, const QString& name, const QString& upperPath, KeyId* id)
{
    m_insertKey.bind(1, parent);
    m_insertKey.bindTextVia(2, name, m_bindA);
    sortKeyInto(QStringView(upperPath).mid(upperPath.lastIndexOf(QLatin1Char('\\')) + 1), m_bindSort);
    m_insertKey.bindBlobNoCopy(3, m_bindSort);
    m_insertKey.bindTextVia(4, upperPath, m_bindB);
    m_insertKey.bind(5, qint64(nowFileTime()));
    const int rc = m_insertKey.step();
    m_insertKey.reset();
    if (rc != SQLITE_DONE)
        return rc;
    *id = m_db.lastInsertId();
    m_log.created(*id, parent);
    m_cache.rememberNew(*id, upperPath);
    if (parent != kHiveRootParent) {
        m_log.touch(parent, REG_NOTIFY_CHANGE_NAME);
        m_cache.bumpSubKeys(parent);
    }
    return SQLITE_OK;
}

bool SqliteStore::accessDenied(REGSAM access, DWORD deny)
{
    const REGSAM readBits = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY;
    const REGSAM writeBits = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE_ACCESS;
    return ((deny & KEY_DENY_READ) && (access & readBits)) || ((deny & KEY_DENY_WRITE) && (access & writeBits));
}

QString SqliteStore::rootPath(HKEY hkey) const
{
    switch (hkey) {
    case HKEY_LOCAL_MACHINE:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case HKEY_USERS:
        return QStringLiteral("HKEY_USERS");
    case HKEY_CLASSES_ROOT:
        return QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\CLASSES");
    case HKEY_CURRENT_USER:
        return QStringLiteral("HKEY_USERS\\") + winUpper(m_userKey);
    case HKEY_CURRENT_CONFIG:
        return QStringLiteral("HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\HARDWARE PROFILES\\CURRENT");
    default:
        return {};
    }
}

// --- keys ---

LONG SqliteStore::predefinedKey(HKEY hkey, KeyId* id)
{
    const QString path = rootPath(hkey);
    if (path.isEmpty())
        return ERROR_INVALID_HANDLE;
    std::lock_guard lock(m_mutex);
    beginRead();
    DWORD deny = 0;
    const KeyId found = lookupPath(path, &deny);
    if (found == 0)
        return ERROR_FILE_NOT_FOUND;
    *id = found;
    return ERROR_SUCCESS;
}

LONG SqliteStore::openKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    const QString baseUp = upperPathOf(base);
    if (baseUp.isEmpty())
        return ERROR_KEY_DELETED;
    DWORD deny = 0;
    const KeyId found = lookupPath(joinUpper(baseUp, path), &deny);
    if (found == 0)
        return path.isEmpty() ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
    if (accessDenied(access, deny))
        return ERROR_ACCESS_DENIED;
    *id = found;
    return ERROR_SUCCESS;
}

LONG SqliteStore::createKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id, DWORD* disposition)
{
    std::lock_guard lock(m_mutex);
    if (m_readOnly) {
        // an existing key opens; nothing can be created
        const LONG rc = openKey(base, path, access, id);
        if (rc == ERROR_SUCCESS)
            *disposition = REG_OPENED_EXISTING_KEY;
        return rc == ERROR_FILE_NOT_FOUND ? ERROR_ACCESS_DENIED : rc;
    }
    // every decision below is taken inside the write transaction, so no other process can create or
    // delete a key between the look and the insert
    StoreTransaction t(*this);
    if (t.status() != ERROR_SUCCESS)
        return t.status();
    const QString baseUp = upperPathOf(base);
    if (baseUp.isEmpty())
        return t.refuse(ERROR_KEY_DELETED);
    if (depthOf(baseUp) + path.size() > MAX_KEY_DEPTH)
        return t.refuse(ERROR_INVALID_PARAMETER);
    const QString fullUp = joinUpper(baseUp, path);
    DWORD deny = 0;
    const StoreKeyCache::Entry* parent = nullptr; // when the cache alone knew that the key is not there
    KeyId cur = lookupPath(fullUp, &deny, &parent);
    DWORD created = REG_OPENED_EXISTING_KEY;
    if (cur != 0 || path.isEmpty()) {
        if (cur == 0)
            cur = base;
        else if (accessDenied(access, deny))
            return t.refuse(ERROR_ACCESS_DENIED);
    } else {
        // where each level's path ends in fullUp
        QVarLengthArray<qsizetype, 16> ends;
        qsizetype end = baseUp.size();
        for (const QString& name : path)
            ends.append(end += 1 + name.size());
        // the deepest level that exists, from the parent upwards: a bulk import creates keys below the
        // one it created last, so that is normally the first look
        qsizetype level = path.size() - 1;
        DWORD curDeny = 0;
        if (parent) {
            cur = level > 0 ? parent->id : base;
            curDeny = parent->deny;
        } else {
            for (; level > 0; --level) {
                if ((cur = lookupPath(fullUp.left(ends[level - 1]), &curDeny)) != 0)
                    break;
            }
            if (level == 0) {
                (void)lookupPath(baseUp, &curDeny);
                cur = base;
            }
        }
        if (curDeny & KEY_DENY_WRITE)
            return t.refuse(ERROR_ACCESS_DENIED);
        // more than one insert needs a savepoint
        if (level + 1 < path.size() && t.severalStatements() != ERROR_SUCCESS)
            return t.status();
        for (; level < path.size(); ++level) {
            KeyId child = 0;
            const int rc = insertKey(cur, path.at(level), fullUp.left(ends[level]), &child);
            if (rc != SQLITE_OK)
                return t.fail(rc);
            cur = child;
        }
        created = REG_CREATED_NEW_KEY;
    }
    const LONG rc = t.commit();
    if (rc != ERROR_SUCCESS)
        return rc;
    *id = cur;
    *disposition = created;
    return ERROR_SUCCESS;
}

bool SqliteStore::keyAlive(KeyId id)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    if (!m_cache.pathOf(id).isEmpty())
        return true;
    m_keyExists.bind(1, id);
    const bool alive = m_keyExists.step() == SQLITE_ROW;
    m_keyExists.reset();
    return alive;
}

LONG SqliteStore::deleteKey(KeyId id)
{
    std::lock_guard lock(m_mutex);
    StoreTransaction t(*this);
    if (t.status() != ERROR_SUCCESS)
        return t.status();
    KeyId parent = 0;
    QString up;
    DWORD deny = 0;
    if (!rowOf(id, &parent, &up, &deny))
        return t.refuse(ERROR_KEY_DELETED);
    if (parent == kHiveRootParent || (deny & KEY_DENY_WRITE))
        return t.refuse(ERROR_ACCESS_DENIED);
    m_hasChild.bind(1, id);
    const int child = m_hasChild.step();
    m_hasChild.reset();
    if (child == SQLITE_ROW)
        return t.refuse(ERROR_ACCESS_DENIED); // Windows deletes only keys without subkeys
    if (child != SQLITE_DONE)
        return t.fail(child);
    if (t.severalStatements() != ERROR_SUCCESS)
        return t.status();
    m_deleteKeyValues.bind(1, id);
    int rc = m_deleteKeyValues.step();
    m_deleteKeyValues.reset();
    if (rc == SQLITE_DONE) {
        m_deleteKey.bind(1, id);
        rc = m_deleteKey.step();
        m_deleteKey.reset();
    }
    if (rc != SQLITE_DONE)
        return t.fail(rc);
    m_log.deleted(id, up);
    m_log.touch(parent, REG_NOTIFY_CHANGE_NAME);
    m_cache.forget(id, up);
    m_cache.bumpSubKeys(parent);
    m_cache.bumpValues(id);
    m_cache.bumpDeletions();
    return t.commit();
}

LONG SqliteStore::keyDeny(KeyId id, DWORD* flags)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    KeyId parent = 0;
    QString up;
    return rowOf(id, &parent, &up, flags) ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG SqliteStore::setKeyDeny(KeyId id, DWORD flags)
{
    std::lock_guard lock(m_mutex);
    StoreTransaction t(*this);
    if (t.status() != ERROR_SUCCESS)
        return t.status();
    const QString up = upperPathOf(id);
    if (up.isEmpty())
        return t.refuse(ERROR_KEY_DELETED);
    m_setDeny.bind(1, qint64(flags & (KEY_DENY_READ | KEY_DENY_WRITE)));
    m_setDeny.bind(2, id);
    const int rc = m_setDeny.step();
    m_setDeny.reset();
    if (rc != SQLITE_DONE)
        return t.fail(rc);
    m_cache.forget(id, up);
    // keys of a branch read before open by their place without asking the store only while no key was
    // deleted or had its access changed since
    m_cache.bumpDeletions();
    m_log.touch(id, REG_NOTIFY_CHANGE_SECURITY);
    return t.commit();
}

// --- values ---

LONG SqliteStore::values(KeyId id, QVector<BackendValue>* values)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    values->clear();
    m_valueList.bind(1, id);
    // rows come in the order of the name index; creation order (the rowid) is restored here, which costs
    // less than SQLite's sorter set up for every key
    QVarLengthArray<std::pair<qint64, qsizetype>, 64> order;
    int rc;
    while ((rc = m_valueList.step()) == SQLITE_ROW) {
        order.append({m_valueList.int64(0), values->size()});
        values->append(BackendValue{m_valueList.text(1), DWORD(m_valueList.int64(2)), m_valueList.blob(3)});
    }
    m_valueList.reset();
    if (rc != SQLITE_DONE)
        return ERROR_REGISTRY_IO_FAILED;
    if (!std::is_sorted(order.begin(), order.end())) {
        std::sort(order.begin(), order.end());
        QVector<BackendValue> sorted;
        sorted.reserve(values->size());
        for (const auto& entry : order)
            sorted.append(std::move((*values)[entry.second]));
        *values = std::move(sorted);
    }
    return ERROR_SUCCESS;
}

LONG SqliteStore::queryValue(KeyId id, const QString& name, DWORD* type, QByteArray* data)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    const QString upperName = winUpper(name);
    m_valueGet.bind(1, id);
    m_valueGet.bindTextNoCopy(2, upperName);
    LONG result = ERROR_FILE_NOT_FOUND;
    if (m_valueGet.step() == SQLITE_ROW) {
        if (type)
            *type = DWORD(m_valueGet.int64(0));
        if (data)
            *data = m_valueGet.blob(1);
        result = ERROR_SUCCESS;
    }
    m_valueGet.reset();
    return result;
}

LONG SqliteStore::setValue(KeyId id, const QString& name, DWORD type, QByteArrayView data)
{
    std::lock_guard lock(m_mutex);
    StoreTransaction t(*this);
    if (t.status() != ERROR_SUCCESS)
        return t.status();
    if (!m_cache.knows(id) && upperPathOf(id).isEmpty())
        return t.refuse(ERROR_KEY_DELETED); // deleted by another process meanwhile
    upperInto(name, m_upperName);
    m_valueSet.bind(1, id);
    m_valueSet.bindTextVia(2, m_upperName, m_bindA);
    m_valueSet.bindTextVia(3, name, m_bindB);
    m_valueSet.bind(4, qint64(type));
    m_valueSet.bindBlobNoCopy(5, data);
    const int rc = m_valueSet.step();
    m_valueSet.reset();
    if (rc != SQLITE_DONE)
        return t.fail(rc);
    m_log.touch(id, REG_NOTIFY_CHANGE_LAST_SET);
    m_cache.bumpValues(id);
    return t.commit();
}

LONG SqliteStore::deleteValue(KeyId id, const QString& name)
{
    std::lock_guard lock(m_mutex);
    StoreTransaction t(*this);
    if (t.status() != ERROR_SUCCESS)
        return t.status();
    if (upperPathOf(id).isEmpty())
        return t.refuse(ERROR_KEY_DELETED);
    m_valueDel.bind(1, id);
    m_valueDel.bindText(2, winUpper(name));
    const int rc = m_valueDel.step();
    m_valueDel.reset();
    if (rc != SQLITE_DONE)
        return t.fail(rc);
    if (sqlite3_changes(m_db.handle()) == 0)
        return t.refuse(ERROR_FILE_NOT_FOUND);
    m_log.touch(id, REG_NOTIFY_CHANGE_LAST_SET);
    m_cache.bumpValues(id);
    return t.commit();
}

// --- change tracking ---

quint64 SqliteStore::subKeyGeneration(KeyId id)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    return m_cache.subKeyGeneration(id);
}

quint64 SqliteStore::valueGeneration(KeyId id)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    return m_cache.valueGeneration(id);
}

quint64 SqliteStore::deletionGeneration()
{
    std::lock_guard lock(m_mutex);
    beginRead();
    return m_cache.deletionGeneration();
}

LONG SqliteStore::watchedKey(KeyId id, bool subtree, DWORD filter, WatchedKey* key)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    const QString up = upperPathOf(id);
    if (up.isEmpty())
        return ERROR_KEY_DELETED;
    *key = WatchedKey{up, subtree, filter};
    return ERROR_SUCCESS;
}

ChangeCursor SqliteStore::changeCursor()
{
    std::lock_guard lock(m_mutex);
    beginRead();
    return m_log.last();
}

QVector<BackendChange> SqliteStore::changesSince(ChangeCursor from)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    return m_log.since(from);
}

bool SqliteStore::concerns(const BackendChange& change, const WatchedKey& key) const
{
    return StoreChangeLog::concerns(change, key);
}
