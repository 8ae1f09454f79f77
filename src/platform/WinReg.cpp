#include "platform/WinReg.h"

#include "platform/SqliteStore.h"
#include "platform/WinCase.h"
#include "platform/WinEvents.h"

#include <QFileInfo>
#include <QHash>
#include <QSysInfo>
#include <QVector>

#include <condition_variable>
#include <cstring>
#include <list>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace {

// One open key. The enumeration lists are kept while the key's generation stays the same, so that
// enumerating by index is linear in the number of items.
struct KeyHandle {
    std::shared_ptr<RegistryBackend> backend;
    qint64 id = 0;
    QString upperPath;
    REGSAM access = 0;
    bool predefined = false;
    std::mutex mutex;
    quint64 aliveGen = ~0ULL;
    bool subValid = false;
    quint64 subGen = 0;
    QStringList subNames;
    QVector<quint64> subTimes;
    bool valValid = false;
    quint64 valGen = 0;
    QVector<BackendValue> values;
    QHash<QString, int> valueIndex; // upper-cased name -> index, built on first lookup
};

struct Watch {
    std::weak_ptr<RegistryBackend> backend;
    HKEY key = 0;
    QString upperPath;
    bool subtree = false;
    DWORD filter = 0;
    HANDLE event = 0;
    qint64 startSeq = 0;
};

struct State {
    std::mutex mutex;
    std::shared_ptr<RegistryBackend> local;
    QString localPath;
    QHash<QString, QString> routes; // upper-cased machine name -> store path
    bool routesFromEnv = false;
    QHash<QString, std::weak_ptr<RegistryBackend>> stores; // store path -> open store
    std::unordered_map<HKEY, std::shared_ptr<KeyHandle>> handles;
    HKEY nextHandle = 0x1000;

    // notifications
    std::mutex watchMutex;
    std::condition_variable watchWake;
    std::list<Watch> watches;
    std::thread notifier;
    bool stopNotifier = false;
    QHash<RegistryBackend*, qint64> cursors;

    // open batches, innermost last (ended in reverse order, even when their handle is closed)
    std::vector<std::shared_ptr<RegistryBackend>> batches;
};

State& state()
{
    static State s;
    return s;
}

bool isPredefined(HKEY k)
{
    return k >= HKEY_CLASSES_ROOT && k <= HKEY_DYN_DATA;
}

QString storePathFromEnvironment()
{
    return QString::fromLocal8Bit(qgetenv("KAVEN_REGISTRY"));
}

void loadRoutesFromEnvironment(State& s)
{
    if (s.routesFromEnv)
        return;
    s.routesFromEnv = true;
    const QString env = QString::fromLocal8Bit(qgetenv("KAVEN_MACHINES"));
    for (const QString& entry : env.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        if (eq > 0)
            s.routes.insert(winUpper(entry.left(eq).trimmed()), entry.mid(eq + 1).trimmed());
    }
}

// The local store; opened on first use from KAVEN_REGISTRY when the program did not open one.
std::shared_ptr<RegistryBackend> localBackend()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.local) {
        const QString path = storePathFromEnvironment();
        if (path.isEmpty())
            return nullptr;
        LONG rc = 0;
        s.local = SqliteStore::open(path, &rc, nullptr);
        if (s.local)
            s.localPath = path;
    }
    return s.local;
}

std::shared_ptr<KeyHandle> lookup(HKEY key)
{
    State& s = state();
    {
        std::lock_guard lock(s.mutex);
        auto it = s.handles.find(key);
        if (it != s.handles.end())
            return it->second;
    }
    if (!isPredefined(key))
        return nullptr;
    auto backend = localBackend();
    if (!backend)
        return nullptr;
    auto h = std::make_shared<KeyHandle>();
    h->backend = backend;
    h->access = KEY_ALL_ACCESS;
    h->predefined = true;
    if (backend->predefinedKey(key, &h->id, &h->upperPath) != ERROR_SUCCESS)
        return nullptr;
    std::lock_guard lock(s.mutex);
    s.handles.emplace(key, h);
    return h;
}

HKEY addHandle(std::shared_ptr<KeyHandle> h)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    const HKEY k = s.nextHandle;
    s.nextHandle += 4;
    s.handles.emplace(k, std::move(h));
    return k;
}

// Splits a subkey path into its names. A trailing backslash is tolerated; a leading one answers
// ERROR_BAD_PATHNAME, an empty or over-long name ERROR_INVALID_PARAMETER.
LONG splitPath(const QString& subKey, QStringList* parts)
{
    parts->clear();
    if (subKey.isEmpty())
        return ERROR_SUCCESS;
    if (subKey.startsWith(QLatin1Char('\\')))
        return ERROR_BAD_PATHNAME;
    QStringView view(subKey);
    if (view.endsWith(QLatin1Char('\\')))
        view.chop(1);
    for (QStringView part : view.split(QLatin1Char('\\'))) {
        if (part.isEmpty() || part.size() > MAX_KEY_NAME)
            return ERROR_INVALID_PARAMETER;
        parts->append(part.toString());
    }
    return ERROR_SUCCESS;
}

LONG checkAlive(KeyHandle& h)
{
    const quint64 g = h.backend->deletionGeneration();
    if (h.aliveGen == g)
        return ERROR_SUCCESS;
    if (!h.backend->keyAlive(h.id))
        return ERROR_KEY_DELETED;
    h.aliveGen = g;
    return ERROR_SUCCESS;
}

LONG loadSubKeys(KeyHandle& h)
{
    const quint64 g = h.backend->generation(h.id);
    if (h.subValid && h.subGen == g)
        return ERROR_SUCCESS;
    const LONG rc = h.backend->subKeys(h.id, &h.subNames, &h.subTimes);
    h.subValid = rc == ERROR_SUCCESS;
    h.subGen = g;
    return rc;
}

LONG loadValues(KeyHandle& h)
{
    const quint64 g = h.backend->generation(h.id);
    if (h.valValid && h.valGen == g)
        return ERROR_SUCCESS;
    h.valueIndex.clear();
    const LONG rc = h.backend->values(h.id, &h.values);
    h.valValid = rc == ERROR_SUCCESS;
    h.valGen = g;
    return rc;
}

FILETIME toFileTime(quint64 ticks)
{
    return FILETIME{DWORD(ticks & 0xFFFFFFFFu), DWORD(ticks >> 32)};
}

// --- notifications ---

void fireWatch(const Watch& w)
{
    SetEvent(w.event);
}

void notifierLoop()
{
    State& s = state();
    std::unique_lock lock(s.watchMutex);
    while (!s.stopNotifier) {
        s.watchWake.wait_for(lock, std::chrono::milliseconds(100));
        if (s.stopNotifier)
            break;
        QHash<RegistryBackend*, std::shared_ptr<RegistryBackend>> backends;
        for (const Watch& w : s.watches) {
            if (auto b = w.backend.lock())
                backends.insert(b.get(), b);
        }
        for (auto it = backends.cbegin(); it != backends.cend(); ++it) {
            const qint64 from = s.cursors.value(it.key(), 0);
            qint64 last = from;
            it.value()->changesSince(from, [&](const BackendChange& c) {
                last = c.seq;
                for (auto w = s.watches.begin(); w != s.watches.end();) {
                    const bool sameStore = w->backend.lock().get() == it.key();
                    const bool onKey = c.upperPath == w->upperPath;
                    const bool below = w->subtree && c.upperPath.size() > w->upperPath.size()
                                       && c.upperPath.startsWith(w->upperPath)
                                       && c.upperPath[w->upperPath.size()] == QLatin1Char('\\');
                    // a row for many keys at once concerns every key at or below its path
                    const bool within = (c.bits & SubtreeChangedBit)
                                        && (c.upperPath.isEmpty()
                                            || (w->upperPath.size() > c.upperPath.size()
                                                && w->upperPath.startsWith(c.upperPath)
                                                && w->upperPath[c.upperPath.size()] == QLatin1Char('\\')));
                    const bool matches = (onKey && (c.bits & KeyDeletedBit))
                                         || ((onKey || below || within) && (c.bits & w->filter));
                    if (sameStore && c.seq > w->startSeq && matches) {
                        fireWatch(*w);
                        w = s.watches.erase(w);
                    } else {
                        ++w;
                    }
                }
            });
            s.cursors.insert(it.key(), last);
        }
    }
}

void ensureNotifier()
{
    State& s = state();
    if (!s.notifier.joinable()) {
        s.stopNotifier = false;
        s.notifier = std::thread(notifierLoop);
    }
}

void dropWatches(HKEY key, bool fire)
{
    State& s = state();
    std::lock_guard lock(s.watchMutex);
    for (auto w = s.watches.begin(); w != s.watches.end();) {
        if (w->key == key) {
            if (fire)
                fireWatch(*w);
            w = s.watches.erase(w);
        } else {
            ++w;
        }
    }
}

} // namespace

// --- store set-up ---

LONG RegOpenLocalStore(const QString& path, QString* error, StoreAccess access)
{
    (void)access; // read-only opening follows with the store's own read-only mode
    LONG rc = ERROR_SUCCESS;
    QString reason;
    auto store = SqliteStore::open(path, &rc, &reason);
    if (!store) {
        if (error)
            *error = reason;
        return rc;
    }
    State& s = state();
    std::lock_guard lock(s.mutex);
    for (auto it = s.handles.begin(); it != s.handles.end();) {
        if (isPredefined(it->first))
            it = s.handles.erase(it);
        else
            ++it;
    }
    s.local = store;
    s.localPath = path;
    return ERROR_SUCCESS;
}

QString RegLocalStorePath()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.localPath;
}

void RegSetMachineStore(const QString& machine, const QString& path)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    loadRoutesFromEnvironment(s);
    QString name = machine;
    while (name.startsWith(QLatin1Char('\\')))
        name.remove(0, 1);
    if (path.isEmpty())
        s.routes.remove(winUpper(name));
    else
        s.routes.insert(winUpper(name), path);
}

void RegShutdown()
{
    State& s = state();
    {
        std::lock_guard lock(s.watchMutex);
        for (const Watch& w : s.watches)
            fireWatch(w);
        s.watches.clear();
        s.stopNotifier = true;
        s.cursors.clear();
    }
    s.watchWake.notify_all();
    if (s.notifier.joinable())
        s.notifier.join();
    std::lock_guard lock(s.mutex);
    for (auto it = s.batches.rbegin(); it != s.batches.rend(); ++it)
        (*it)->endBatch();
    s.batches.clear();
    s.handles.clear();
    s.stores.clear();
    s.local.reset();
    s.localPath.clear();
    s.routes.clear();
    s.routesFromEnv = false;
}

// --- registry functions ---

LONG RegConnectRegistry(const QString& machineName, HKEY hKey, HKEY* phkResult)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    if (!isPredefined(hKey))
        return ERROR_INVALID_HANDLE;
    QString name = machineName;
    while (name.startsWith(QLatin1Char('\\')))
        name.remove(0, 1);
    std::shared_ptr<RegistryBackend> backend;
    if (name.isEmpty() || winEqualsNoCase(name, QSysInfo::machineHostName())) {
        backend = localBackend();
    } else {
        State& s = state();
        std::lock_guard lock(s.mutex);
        loadRoutesFromEnvironment(s);
        const QString path = s.routes.value(winUpper(name));
        if (path.isEmpty())
            return ERROR_BAD_NETPATH;
        const QString canonical = QFileInfo(path).absoluteFilePath();
        if (canonical == QFileInfo(s.localPath).absoluteFilePath() && s.local) {
            backend = s.local;
        } else {
            backend = s.stores.value(canonical).lock();
            if (!backend) {
                LONG rc = 0;
                backend = SqliteStore::open(path, &rc, nullptr);
                if (!backend)
                    return ERROR_BAD_NETPATH;
                s.stores.insert(canonical, backend);
            }
        }
    }
    if (!backend)
        return ERROR_BAD_NETPATH;
    auto h = std::make_shared<KeyHandle>();
    h->backend = backend;
    h->access = KEY_ALL_ACCESS;
    const LONG rc = backend->predefinedKey(hKey, &h->id, &h->upperPath);
    if (rc != ERROR_SUCCESS)
        return rc;
    *phkResult = addHandle(std::move(h));
    return ERROR_SUCCESS;
}

LONG RegOpenKeyEx(HKEY hKey, const QString& subKey, DWORD, REGSAM samDesired, HKEY* phkResult)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    auto base = lookup(hKey);
    if (!base)
        return ERROR_INVALID_HANDLE;
    QStringList parts;
    LONG rc = splitPath(subKey, &parts);
    if (rc == ERROR_INVALID_PARAMETER)
        rc = ERROR_FILE_NOT_FOUND; // a name no key can have
    if (rc != ERROR_SUCCESS)
        return rc;
    std::lock_guard lock(base->mutex);
    if ((rc = checkAlive(*base)) != ERROR_SUCCESS)
        return rc;
    auto h = std::make_shared<KeyHandle>();
    h->backend = base->backend;
    h->access = samDesired;
    rc = base->backend->openKey(base->id, base->upperPath, parts, samDesired, &h->id, &h->upperPath);
    if (rc != ERROR_SUCCESS)
        return rc;
    *phkResult = addHandle(std::move(h));
    return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY hKey, const QString& subKey, DWORD, const QString&, DWORD, REGSAM samDesired, const void*,
                    HKEY* phkResult, DWORD* disposition)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    auto base = lookup(hKey);
    if (!base)
        return ERROR_INVALID_HANDLE;
    QStringList parts;
    LONG rc = splitPath(subKey, &parts);
    if (rc != ERROR_SUCCESS)
        return rc;
    std::lock_guard lock(base->mutex);
    if ((rc = checkAlive(*base)) != ERROR_SUCCESS)
        return rc;
    if (!parts.isEmpty() && !(base->access & KEY_CREATE_SUB_KEY)) {
        // creating needs the right on the parent handle; opening an existing key does not
        QString up;
        qint64 id = 0;
        if (base->backend->openKey(base->id, base->upperPath, parts, samDesired, &id, &up) != ERROR_SUCCESS)
            return ERROR_ACCESS_DENIED;
    }
    auto h = std::make_shared<KeyHandle>();
    h->backend = base->backend;
    h->access = samDesired;
    DWORD disp = 0;
    rc = base->backend->createKey(base->id, base->upperPath, parts, samDesired, &h->id, &h->upperPath, &disp);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (disposition)
        *disposition = disp;
    *phkResult = addHandle(std::move(h));
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey)
{
    if (isPredefined(hKey))
        return ERROR_SUCCESS;
    State& s = state();
    {
        std::lock_guard lock(s.mutex);
        if (s.handles.erase(hKey) == 0)
            return ERROR_INVALID_HANDLE;
    }
    dropWatches(hKey, true); // a pending notification is signalled when its handle closes
    return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY hKey)
{
    auto h = lookup(hKey);
    if (!h)
        return ERROR_INVALID_HANDLE;
    return h->backend->flush();
}

LONG RegQueryInfoKey(HKEY hKey, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values, DWORD* maxValueNameLen,
                     DWORD* maxValueLen, FILETIME* lastWriteTime)
{
    auto h = lookup(hKey);
    if (!h)
        return ERROR_INVALID_HANDLE;
    if (!(h->access & KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    std::lock_guard lock(h->mutex);
    BackendKeyInfo info;
    const LONG rc = h->backend->keyInfo(h->id, &info);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (subKeys)
        *subKeys = info.subKeys;
    if (maxSubKeyLen)
        *maxSubKeyLen = info.maxSubKeyLen;
    if (values)
        *values = info.values;
    if (maxValueNameLen)
        *maxValueNameLen = info.maxValueNameLen;
    if (maxValueLen)
        *maxValueLen = info.maxValueLen;
    if (lastWriteTime)
        *lastWriteTime = toFileTime(info.lastWrite);
    return ERROR_SUCCESS;
}

LONG RegEnumKeyEx(HKEY hKey, DWORD index, QString* name, DWORD* cchName, FILETIME* lastWriteTime)
{
    if (!name || !cchName)
        return ERROR_INVALID_PARAMETER;
    auto h = lookup(hKey);
    if (!h)
        return ERROR_INVALID_HANDLE;
    if (!(h->access & KEY_ENUMERATE_SUB_KEYS))
        return ERROR_ACCESS_DENIED;
    std::lock_guard lock(h->mutex);
    LONG rc = checkAlive(*h);
    if (rc == ERROR_SUCCESS)
        rc = loadSubKeys(*h);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (index >= DWORD(h->subNames.size()))
        return ERROR_NO_MORE_ITEMS;
    const QString& n = h->subNames.at(index);
    if (DWORD(n.size()) >= *cchName)
        return ERROR_MORE_DATA;
    *name = n;
    *cchName = DWORD(n.size());
    if (lastWriteTime)
        *lastWriteTime = toFileTime(h->subTimes.at(index));
    return ERROR_SUCCESS;
}

LONG RegEnumKey(HKEY hKey, DWORD index, QString* name, DWORD cchName)
{
    DWORD cch = cchName;
    return RegEnumKeyEx(hKey, index, name, &cch, nullptr);
}

namespace {

// The value at an index of the handle's value list; a name of cchName or more characters answers
// ERROR_MORE_DATA. The copy shares the list's data.
LONG valueAt(HKEY hKey, DWORD index, DWORD cchName, BackendValue* out)
{
    auto h = lookup(hKey);
    if (!h)
        return ERROR_INVALID_HANDLE;
    if (!(h->access & KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    std::lock_guard lock(h->mutex);
    LONG rc = checkAlive(*h);
    if (rc == ERROR_SUCCESS)
        rc = loadValues(*h);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (index >= DWORD(h->values.size()))
        return ERROR_NO_MORE_ITEMS;
    if (DWORD(h->values.at(index).name.size()) >= cchName)
        return ERROR_MORE_DATA;
    *out = h->values.at(index);
    return ERROR_SUCCESS;
}

} // namespace

LONG RegEnumValue(HKEY hKey, DWORD index, QString* name, DWORD* cchName, DWORD* type, BYTE* data, DWORD* cbData)
{
    if (!name || !cchName || (data && !cbData))
        return ERROR_INVALID_PARAMETER;
    BackendValue v;
    const LONG rc = valueAt(hKey, index, *cchName, &v);
    if (rc != ERROR_SUCCESS)
        return rc;
    *name = v.name;
    *cchName = DWORD(v.name.size());
    if (type)
        *type = v.type;
    if (cbData) {
        const DWORD size = DWORD(v.data.size());
        if (data && *cbData < size) {
            *cbData = size;
            return ERROR_MORE_DATA;
        }
        if (data && size)
            std::memcpy(data, v.data.constData(), size);
        *cbData = size;
    }
    return ERROR_SUCCESS;
}

LONG RegEnumValueBytes(HKEY hKey, DWORD index, QString* name, DWORD cchName, DWORD* type, QByteArray* data)
{
    if (!name)
        return ERROR_INVALID_PARAMETER;
    BackendValue v;
    const LONG rc = valueAt(hKey, index, cchName, &v);
    if (rc != ERROR_SUCCESS)
        return rc;
    *name = v.name;
    if (type)
        *type = v.type;
    if (data)
        *data = v.data;
    return ERROR_SUCCESS;
}

LONG RegQueryValueBytes(HKEY hKey, const QString& valueName, DWORD* type, QByteArray* data)
{
    auto h = lookup(hKey);
    if (!h)
        return ERROR_INVALID_HANDLE;
    if (!(h->access & KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    std::lock_guard lock(h->mutex);
    LONG rc = checkAlive(*h);
    if (rc != ERROR_SUCCESS)
        return rc;
    // a key being enumerated answers from its list; otherwise ask the store for the one value
    if (h->valValid && h->valGen == h->backend->generation(h->id)) {
        if (h->valueIndex.isEmpty() && !h->values.isEmpty()) {
            h->valueIndex.reserve(h->values.size());
            for (int i = 0; i < h->values.size(); ++i)
                h->valueIndex.insert(winUpper(h->values.at(i).name), i);
        }
        const int i = h->valueIndex.value(winUpper(valueName), -1);
        if (i < 0)
            return ERROR_FILE_NOT_FOUND;
        if (type)
            *type = h->values.at(i).type;
        if (data)
            *data = h->values.at(i).data;
        return ERROR_SUCCESS;
    }
    return h->backend->queryValue(h->id, valueName, type, data);
}

LONG RegQueryValueEx(HKEY hKey, const QString& valueName, DWORD* type, BYTE* data, DWORD* cbData)
{
    if (data && !cbData)
        return ERROR_INVALID_PARAMETER;
    QByteArray bytes;
    DWORD t = 0;
    const LONG rc = RegQueryValueBytes(hKey, valueName, &t, &bytes);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (type)
        *type = t;
    if (cbData) {
        const DWORD size = DWORD(bytes.size());
        if (data && *cbData < size) {
            *cbData = size;
            return ERROR_MORE_DATA;
        }
        if (data && size)
            std::memcpy(data, bytes.constData(), size);
        *cbData = size;
    }
    return ERROR_SUCCESS;
}

LONG RegSetValueBytes(HKEY hKey, const QString& valueName, DWORD type, const QByteArray& data)
{
    auto h = lookup(hKey);
    if (!h)
        return ERROR_INVALID_HANDLE;
    if (!(h->access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    if (valueName.size() > MAX_VALUE_NAME)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(h->mutex);
    const LONG rc = checkAlive(*h);
    if (rc != ERROR_SUCCESS)
        return rc;
    return h->backend->setValue(h->id, valueName, type, data);
}

LONG RegSetValueEx(HKEY hKey, const QString& valueName, DWORD, DWORD type, const BYTE* data, DWORD cbData)
{
    if (!data && cbData)
        return ERROR_INVALID_PARAMETER;
    return RegSetValueBytes(hKey, valueName, type,
                            QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(cbData)));
}

LONG RegDeleteValue(HKEY hKey, const QString& valueName)
{
    auto h = lookup(hKey);
    if (!h)
        return ERROR_INVALID_HANDLE;
    if (!(h->access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    std::lock_guard lock(h->mutex);
    const LONG rc = checkAlive(*h);
    if (rc != ERROR_SUCCESS)
        return rc;
    return h->backend->deleteValue(h->id, valueName);
}

LONG RegDeleteKey(HKEY hKey, const QString& subKey)
{
    auto base = lookup(hKey);
    if (!base)
        return ERROR_INVALID_HANDLE;
    QStringList parts;
    LONG rc = splitPath(subKey, &parts);
    if (rc == ERROR_INVALID_PARAMETER)
        rc = ERROR_FILE_NOT_FOUND;
    if (rc != ERROR_SUCCESS)
        return rc;
    std::lock_guard lock(base->mutex);
    if ((rc = checkAlive(*base)) != ERROR_SUCCESS)
        return rc;
    qint64 id = 0;
    QString up;
    rc = base->backend->openKey(base->id, base->upperPath, parts, DELETE_ACCESS, &id, &up);
    if (rc != ERROR_SUCCESS)
        return rc;
    return base->backend->deleteKey(id);
}

LONG RegNotifyChangeKeyValue(HKEY hKey, bool watchSubtree, DWORD notifyFilter, HANDLE event, bool asynchronous)
{
    if (notifyFilter == 0 || (notifyFilter & ~REG_NOTIFY_ALL))
        return ERROR_INVALID_PARAMETER;
    if (asynchronous && !event)
        return ERROR_INVALID_PARAMETER;
    auto h = lookup(hKey);
    if (!h)
        return ERROR_INVALID_HANDLE;
    if (!(h->access & KEY_NOTIFY))
        return ERROR_ACCESS_DENIED;
    {
        std::lock_guard lock(h->mutex);
        const LONG rc = checkAlive(*h);
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    HANDLE waitEvent = asynchronous ? event : CreateEvent(true, false);
    State& s = state();
    {
        std::lock_guard lock(s.watchMutex);
        Watch w;
        w.backend = h->backend;
        w.key = hKey;
        w.upperPath = h->upperPath;
        w.subtree = watchSubtree;
        w.filter = notifyFilter;
        w.event = waitEvent;
        w.startSeq = h->backend->lastChange();
        if (!s.cursors.contains(h->backend.get()))
            s.cursors.insert(h->backend.get(), w.startSeq);
        s.watches.push_back(w);
        ensureNotifier();
    }
    if (!asynchronous) {
        (void)WaitForSingleObject(waitEvent, INFINITE);
        CloseHandle(waitEvent);
    }
    return ERROR_SUCCESS;
}

LONG RegSetKeyDeny(HKEY hKey, DWORD denyFlags)
{
    auto h = lookup(hKey);
    if (!h)
        return ERROR_INVALID_HANDLE;
    if (!(h->access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    std::lock_guard lock(h->mutex);
    const LONG rc = checkAlive(*h);
    if (rc != ERROR_SUCCESS)
        return rc;
    return h->backend->setKeyDeny(h->id, denyFlags);
}

LONG RegBeginBatch(HKEY hKey)
{
    auto h = lookup(hKey);
    if (!h)
        return ERROR_INVALID_HANDLE;
    const LONG rc = h->backend->beginBatch();
    if (rc == ERROR_SUCCESS) {
        State& s = state();
        std::lock_guard lock(s.mutex);
        s.batches.push_back(h->backend);
    }
    return rc;
}

LONG RegEndBatch(HKEY)
{
    std::shared_ptr<RegistryBackend> backend;
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        if (s.batches.empty())
            return ERROR_INVALID_HANDLE;
        backend = std::move(s.batches.back());
        s.batches.pop_back();
    }
    backend->endBatch();
    return ERROR_SUCCESS;
}

QDateTime FileTimeToDateTime(const FILETIME& ft)
{
    const quint64 ticks = (quint64(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    const qint64 ms = qint64(ticks / 10000ULL) - 11644473600000LL;
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

FILETIME DateTimeToFileTime(const QDateTime& dt)
{
    return toFileTime(quint64(dt.toMSecsSinceEpoch() + 11644473600000LL) * 10000ULL);
}
