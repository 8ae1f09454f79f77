#pragma once

// The open keys of the process, the stores they lead to (the local store and the machines routed to
// other store files) and the open batches, each ended on its own store.

#include "platform/RegistryBackend.h"

#include <QHash>
#include <QStringList>

#include <memory>
#include <mutex>

// One open key. The enumeration lists are kept while the key's generations stay the same, so that
// enumerating by index is linear in the number of items; a write through the handle updates its own
// value list in place instead of dropping it.
struct KeyHandle {
    std::shared_ptr<RegistryBackend> backend;
    KeyId id = 0;
    REGSAM access = 0;
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
    int lastEnumerated = -1; // the value enumerated last: a walk asks for it by name next
};

namespace HandleTable {

[[nodiscard]] bool isPredefined(HKEY key);
[[nodiscard]] std::shared_ptr<KeyHandle> lookup(HKEY key);
[[nodiscard]] HKEY add(std::shared_ptr<KeyHandle> handle);
// False when the handle was not open.
bool remove(HKEY key);
[[nodiscard]] std::shared_ptr<KeyHandle> newHandle(std::shared_ptr<RegistryBackend> backend, KeyId id,
                                                   REGSAM access);

[[nodiscard]] LONG openLocal(const QString& path, StoreAccess access, QString* error);
[[nodiscard]] QString localPath();
// The local store; opened on first use from KAVEN_REGISTRY when the program did not open one.
[[nodiscard]] std::shared_ptr<RegistryBackend> localBackend();
void setMachineStore(const QString& machine, const QString& path);
// Whether the machine named by a hive path opens for writing; a change takes effect with its next
// connection.
void setHiveWritable(const QString& path, bool write);
// Makes backend the registry of the predefined keys (hive files instead of, or over, the store).
void setLocalBackend(std::shared_ptr<RegistryBackend> backend);
// The store of a machine name (leading backslashes removed); ERROR_BAD_NETPATH when there is none. A
// name that is an absolute path is an offline installation (a folder) or a hive file.
// Any other name is a machine on the network, reached over ssh (RemoteBackend).
[[nodiscard]] LONG machineBackend(const QString& name, std::shared_ptr<RegistryBackend>* backend);
// Lets go of the network connections other than the one to machine (empty: all of them); each closes
// when its last open handle does.
void keepOnlyMachine(const QString& machine);

void pushBatch(HKEY key, std::shared_ptr<RegistryBackend> backend);
// The store of the innermost batch begun through key (or, for a handle closed meanwhile, through
// another handle of the same store); null when there is none.
[[nodiscard]] std::shared_ptr<RegistryBackend> popBatch(HKEY key);

// Ends open batches and closes every handle and store.
void shutdown();

} // namespace HandleTable

// The preamble of every call on an open key: look up the handle, check its access, lock it, check that
// its key still exists (a key gone with a failed batch answers the batch's failure). f(KeyHandle&) runs
// under the handle's lock.
template <class F>
LONG withKey(HKEY hKey, REGSAM needed, F&& f)
{
    const std::shared_ptr<KeyHandle> h = HandleTable::lookup(hKey);
    if (!h)
        return ERROR_INVALID_HANDLE;
    if (needed && !(h->access & needed))
        return ERROR_ACCESS_DENIED;
    std::lock_guard lock(h->mutex);
    const quint64 g = h->backend->deletionGeneration();
    if (h->aliveGen != g) {
        if (!h->backend->keyAlive(h->id)) {
            const LONG failed = h->backend->batchFailure();
            return failed != ERROR_SUCCESS ? failed : ERROR_KEY_DELETED;
        }
        h->aliveGen = g;
    }
    return f(*h);
}
