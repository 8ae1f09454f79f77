#include "platform/HandleTable.h"

#include "platform/SqliteStore.h"
#include "platform/WinCase.h"
#include "platform/hive/HiveMapping.h"
#include "platform/remote/RemoteBackend.h"
#include "platform/wine/WineBackend.h"
#include "platform/wine/WinePrefix.h"

#include <QFileInfo>
#include <QSet>
#include <QSysInfo>

#include <unordered_map>
#include <vector>

namespace {

struct Batch {
    HKEY key = 0;
    std::shared_ptr<RegistryBackend> backend;
};

struct State {
    std::mutex mutex;
    std::shared_ptr<RegistryBackend> local;
    QString localPath;
    QHash<QString, QString> routes; // upper-cased machine name -> store path
    bool routesFromEnv = false;
    QHash<QString, std::weak_ptr<RegistryBackend>> stores; // store path -> open store
    // Hive files are read whole when opened: they stay open until shutdown, not only while a handle is.
    QHash<QString, std::shared_ptr<RegistryBackend>> hives;
    // Connections to other machines, by upper-cased name, kept until the program leaves the machine.
    QHash<QString, std::shared_ptr<RemoteBackend>> remotes;
    QSet<QString> writableHives; // paths the user allowed changes to
    std::unordered_map<HKEY, std::shared_ptr<KeyHandle>> handles;
    HKEY nextHandle = 0x1000;
    std::vector<Batch> batches; // open batches, innermost last
};

State& state()
{
    static State s;
    return s;
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

QString withoutLeadingBackslashes(const QString& name)
{
    qsizetype n = 0;
    while (n < name.size() && name[n] == QLatin1Char('\\'))
        ++n;
    return name.mid(n);
}

// A Wine prefix opened read-only while its wineserver ran is opened anew once the server has ended.
bool staleWine(const std::shared_ptr<RegistryBackend>& backend)
{
    const auto* wine = dynamic_cast<const WineBackend*>(backend.get());
    return wine && wine->readOnly() && !WinePrefix::serverRunning(wine->prefix());
}

// Hives and Wine prefixes are opened once per process and path.
LONG hiveMachine(const QString& path, std::shared_ptr<RegistryBackend>* backend)
{
    State& s = state();
    const QString canonical = QFileInfo(path).absoluteFilePath();
    {
        std::lock_guard lock(s.mutex);
        *backend = s.hives.value(canonical);
        if (*backend && !staleWine(*backend))
            return ERROR_SUCCESS;
    }
    QString error;
    bool write = false;
    {
        std::lock_guard lock(s.mutex);
        write = s.writableHives.contains(canonical);
    }
    if (WinePrefix::isPrefix(path))
        *backend = WineBackend::open(path, true, &error);
    else
        *backend = HiveMapping::openMachine(path, write, &error);
    if (!*backend)
        return ERROR_BAD_NETPATH;
    std::lock_guard lock(s.mutex);
    s.hives.insert(canonical, *backend);
    return ERROR_SUCCESS;
}

// A machine no store route names is reached over the network; its connection is made once and
// made again after it broke.
LONG remoteMachine(const QString& name, std::shared_ptr<RegistryBackend>* backend)
{
    State& s = state();
    const QString key = winUpper(name);
    {
        std::lock_guard lock(s.mutex);
        const std::shared_ptr<RemoteBackend> known = s.remotes.value(key);
        if (known && !known->broken()) {
            *backend = known;
            return ERROR_SUCCESS;
        }
    }
    const QStringList command = RemoteBackend::commandFor(name);
    QString error;
    // connecting takes a while: the table stays free meanwhile
    std::shared_ptr<RemoteBackend> remote = command.isEmpty() ? nullptr : RemoteBackend::connect(command, &error);
    if (!remote)
        return ERROR_BAD_NETPATH;
    std::lock_guard lock(s.mutex);
    s.remotes.insert(key, remote);
    *backend = remote;
    return ERROR_SUCCESS;
}

} // namespace

namespace HandleTable {

bool isPredefined(HKEY k)
{
    return k >= HKEY_CLASSES_ROOT && k <= HKEY_DYN_DATA;
}

std::shared_ptr<KeyHandle> newHandle(std::shared_ptr<RegistryBackend> backend, KeyId id, REGSAM access)
{
    auto h = std::make_shared<KeyHandle>();
    h->backend = std::move(backend);
    h->id = id;
    h->access = access;
    return h;
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
    KeyId id = 0;
    if (!backend || backend->predefinedKey(key, &id) != ERROR_SUCCESS)
        return nullptr;
    auto h = newHandle(backend, id, KEY_ALL_ACCESS);
    std::lock_guard lock(s.mutex);
    return s.handles.emplace(key, h).first->second;
}

HKEY add(std::shared_ptr<KeyHandle> h)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    const HKEY k = s.nextHandle;
    s.nextHandle += 4;
    s.handles.emplace(k, std::move(h));
    return k;
}

bool remove(HKEY key)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.handles.erase(key) != 0;
}

std::shared_ptr<RegistryBackend> localBackend()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.local) {
        const QString path = QString::fromLocal8Bit(qgetenv("KAVEN_REGISTRY"));
        if (path.isEmpty())
            return nullptr;
        LONG rc = 0;
        s.local = SqliteStore::open(path, StoreAccess::ReadWrite, &rc, nullptr);
        if (s.local)
            s.localPath = path;
    }
    return s.local;
}

LONG openLocal(const QString& path, StoreAccess access, QString* error)
{
    LONG rc = ERROR_SUCCESS;
    QString reason;
    auto store = SqliteStore::open(path, access, &rc, &reason);
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

QString localPath()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.localPath;
}

void setMachineStore(const QString& machine, const QString& path)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    loadRoutesFromEnvironment(s);
    const QString name = winUpper(withoutLeadingBackslashes(machine));
    if (path.isEmpty())
        s.routes.remove(name);
    else
        s.routes.insert(name, path);
}

void setHiveWritable(const QString& path, bool write)
{
    State& s = state();
    const QString canonical = QFileInfo(path).absoluteFilePath();
    std::lock_guard lock(s.mutex);
    if (s.writableHives.contains(canonical) == write)
        return;
    if (write)
        s.writableHives.insert(canonical);
    else
        s.writableHives.remove(canonical);
    s.hives.remove(canonical); // opened anew by the next connection
}

void setLocalBackend(std::shared_ptr<RegistryBackend> backend)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    for (auto it = s.handles.begin(); it != s.handles.end();) {
        if (isPredefined(it->first))
            it = s.handles.erase(it);
        else
            ++it;
    }
    s.local = std::move(backend);
}

LONG machineBackend(const QString& machineName, std::shared_ptr<RegistryBackend>* backend)
{
    const QString name = withoutLeadingBackslashes(machineName);
    if (name.startsWith(QLatin1Char('/')))
        return hiveMachine(name, backend);
    if (name.isEmpty() || winEqualsNoCase(name, QSysInfo::machineHostName())) {
        *backend = localBackend();
        return *backend ? ERROR_SUCCESS : ERROR_BAD_NETPATH;
    }
    State& s = state();
    std::unique_lock lock(s.mutex);
    loadRoutesFromEnvironment(s);
    const QString path = s.routes.value(winUpper(name));
    if (path.isEmpty()) {
        lock.unlock();
        return remoteMachine(name, backend);
    }
    const QString canonical = QFileInfo(path).absoluteFilePath();
    if (s.local && canonical == QFileInfo(s.localPath).absoluteFilePath()) {
        *backend = s.local;
        return ERROR_SUCCESS;
    }
    *backend = s.stores.value(canonical).lock();
    if (!*backend) {
        LONG rc = 0;
        *backend = SqliteStore::open(path, StoreAccess::ReadWrite, &rc, nullptr);
        if (!*backend)
            return ERROR_BAD_NETPATH;
        s.stores.insert(canonical, *backend);
    }
    return ERROR_SUCCESS;
}

void keepOnlyMachine(const QString& machine)
{
    const QString key = winUpper(withoutLeadingBackslashes(machine));
    State& s = state();
    std::vector<std::shared_ptr<RemoteBackend>> leaving; // closed after the lock: ssh takes a moment to end
    std::lock_guard lock(s.mutex);
    for (auto it = s.remotes.begin(); it != s.remotes.end();) {
        if (it.key() == key) {
            ++it;
        } else {
            leaving.push_back(std::move(it.value()));
            it = s.remotes.erase(it);
        }
    }
}

void pushBatch(HKEY key, std::shared_ptr<RegistryBackend> backend)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.batches.push_back(Batch{key, std::move(backend)});
}

std::shared_ptr<RegistryBackend> popBatch(HKEY key)
{
    const std::shared_ptr<KeyHandle> h = lookup(key);
    State& s = state();
    std::lock_guard lock(s.mutex);
    auto found = std::find_if(s.batches.rbegin(), s.batches.rend(), [&](const Batch& b) { return b.key == key; });
    if (found == s.batches.rend() && h) {
        found = std::find_if(s.batches.rbegin(), s.batches.rend(),
                             [&](const Batch& b) { return b.backend == h->backend; });
    }
    if (found == s.batches.rend())
        return nullptr;
    std::shared_ptr<RegistryBackend> backend = std::move(found->backend);
    s.batches.erase(std::next(found).base());
    return backend;
}

void shutdown()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    for (auto it = s.batches.rbegin(); it != s.batches.rend(); ++it)
        (void)it->backend->endBatch();
    s.batches.clear();
    s.handles.clear();
    s.stores.clear();
    s.hives.clear();
    s.remotes.clear();
    s.writableHives.clear();
    s.local.reset();
    s.localPath.clear();
    s.routes.clear();
    s.routesFromEnv = false;
}

} // namespace HandleTable
