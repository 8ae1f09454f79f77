#include "platform/WinReg.h"

#include "platform/HandleTable.h"
#include "platform/Notifier.h"
#include "platform/WinCase.h"
#include "platform/WinEvents.h"
#include "platform/hive/HiveMapping.h"
#include "platform/hive/HiveOverlay.h"
#include "platform/wine/WineBackend.h"
#include "platform/wine/WineRegistry.h"

#include <cstring>

namespace {

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
    parts->reserve(view.count(QLatin1Char('\\')) + 1);
    for (qsizetype from = 0; from <= view.size();) {
        qsizetype to = view.indexOf(QLatin1Char('\\'), from);
        if (to < 0)
            to = view.size();
        const QStringView part = view.sliced(from, to - from);
        if (part.isEmpty() || part.size() > MAX_KEY_NAME)
            return ERROR_INVALID_PARAMETER;
        parts->append(part.toString());
        from = to + 1;
    }
    return ERROR_SUCCESS;
}

LONG loadSubKeys(KeyHandle& h)
{
    const quint64 g = h.backend->subKeyGeneration(h.id);
    if (h.subValid && h.subGen == g)
        return ERROR_SUCCESS;
    const LONG rc = h.backend->subKeys(h.id, &h.subNames, &h.subTimes);
    h.subValid = rc == ERROR_SUCCESS;
    h.subGen = g;
    return rc;
}

LONG loadValues(KeyHandle& h)
{
    const quint64 g = h.backend->valueGeneration(h.id);
    if (h.valValid && h.valGen == g)
        return ERROR_SUCCESS;
    h.valueIndex.clear();
    const LONG rc = h.backend->values(h.id, &h.values);
    h.valValid = rc == ERROR_SUCCESS;
    h.valGen = g;
    return rc;
}

// Index of a value in the handle's list, or -1; the index by name is built on first use.
int valueIndexOf(KeyHandle& h, const QString& name)
{
    // names are unique case-blind: the same name exactly is that value, without upper-casing the list
    if (h.lastEnumerated >= 0 && h.lastEnumerated < h.values.size() && h.values.at(h.lastEnumerated).name == name)
        return h.lastEnumerated;
    if (h.valueIndex.isEmpty() && !h.values.isEmpty()) {
        h.valueIndex.reserve(h.values.size());
        for (int i = 0; i < h.values.size(); ++i)
            h.valueIndex.insert(winUpper(h.values.at(i).name), i);
    }
    return h.valueIndex.value(winUpper(name), -1);
}

// After a write through h: when it was the only change of the key since h's list was read (the
// generation moved by exactly one), the list is updated in place, so that writing into a key while
// enumerating it stays linear.
bool listStillCurrent(KeyHandle& h, quint64 before)
{
    if (!h.valValid || h.valGen != before)
        return false;
    const quint64 after = h.backend->valueGeneration(h.id);
    if (after != before + 1) {
        h.valValid = false;
        return false;
    }
    h.valGen = after;
    return true;
}

FILETIME toFileTime(quint64 ticks)
{
    return FILETIME{DWORD(ticks & 0xFFFFFFFFu), DWORD(ticks >> 32)};
}

// The value at an index of the handle's value list; a name of cchName or more characters answers
// ERROR_MORE_DATA. The copy shares the list's data.
LONG valueAt(HKEY hKey, DWORD index, DWORD cchName, BackendValue* out)
{
    return withKey(hKey, KEY_QUERY_VALUE, [&](KeyHandle& h) {
        const LONG rc = loadValues(h);
        if (rc != ERROR_SUCCESS)
            return rc;
        if (index >= DWORD(h.values.size()))
            return ERROR_NO_MORE_ITEMS;
        if (DWORD(h.values.at(index).name.size()) >= cchName)
            return ERROR_MORE_DATA;
        h.lastEnumerated = int(index);
        *out = h.values.at(index);
        return ERROR_SUCCESS;
    });
}

// Copies bytes into a caller's buffer the Windows way: null data asks for the size only.
LONG copyOut(const QByteArray& bytes, BYTE* data, DWORD* cbData)
{
    if (!cbData)
        return ERROR_SUCCESS;
    const DWORD size = DWORD(bytes.size());
    if (data && *cbData < size) {
        *cbData = size;
        return ERROR_MORE_DATA;
    }
    if (data && size)
        std::memcpy(data, bytes.constData(), size);
    *cbData = size;
    return ERROR_SUCCESS;
}

} // namespace

// --- store set-up ---

LONG RegOpenLocalStore(const QString& path, QString* error, StoreAccess access)
{
    return HandleTable::openLocal(path, access, error);
}

QString RegLocalStorePath()
{
    return HandleTable::localPath();
}

void RegSetMachineStore(const QString& machine, const QString& path)
{
    HandleTable::setMachineStore(machine, path);
}

void RegKeepMachineConnection(const QString& machine)
{
    HandleTable::keepOnlyMachine(machine);
}

LONG RegOpenHives(const RegHiveOptions& options, QString* error, QStringList* warnings)
{
    if (!options.windowsFolder.isEmpty()) {
        std::shared_ptr<RegistryBackend> installation =
            HiveMapping::openWindows(options.windowsFolder, options.user, options.write, error, warnings);
        if (!installation)
            return ERROR_BAD_NETPATH;
        HandleTable::setLocalBackend(std::move(installation));
        return ERROR_SUCCESS;
    }
    const std::shared_ptr<RegistryBackend> store = HandleTable::localBackend();
    KeyId machine = 0;
    if (!store || store->predefinedKey(HKEY_LOCAL_MACHINE, &machine) != ERROR_SUCCESS)
        return ERROR_BAD_NETPATH;
    QVector<HiveMapping::HiveMount> mounts;
    QStringList names;
    for (const QString& mountArg : options.hives) {
        mounts.append(HiveMapping::parseMount(mountArg));
        const QString name = mounts.last().name;
        KeyId existing = 0;
        if (name.isEmpty() || name.contains(QLatin1Char('\\')) || name.size() > MAX_KEY_NAME
            || store->openKey(machine, {name}, KEY_READ, &existing) == ERROR_SUCCESS
            || names.contains(winUpper(name))) {
            *error = QStringLiteral("Die Hive-Datei kann nicht als HKEY_LOCAL_MACHINE\\%1 eingehängt werden: "
                                    "dieser Schlüssel existiert schon oder ist kein gültiger Name.")
                         .arg(name);
            return ERROR_ALREADY_EXISTS;
        }
        names << winUpper(name);
    }
    const std::shared_ptr<HiveBackend> hives = HiveMapping::openHives(mounts, options.write, error);
    if (!hives)
        return ERROR_BAD_NETPATH;
    *warnings = hives->warnings();
    HandleTable::setLocalBackend(std::make_shared<HiveOverlay>(store, hives));
    return ERROR_SUCCESS;
}

void RegAllowHiveWrites(const QString& path, bool allow)
{
    HandleTable::setHiveWritable(path, allow);
}

LONG RegOpenWinePrefix(const QString& prefix, bool write, QString* error, QStringList* warnings)
{
    QString warning;
    auto wine = WineBackend::open(prefix, write, error, &warning);
    if (!wine)
        return ERROR_BAD_NETPATH;
    *warnings = warning.isEmpty() ? QStringList() : QStringList{warning};
    HandleTable::setLocalBackend(wine);
    return ERROR_SUCCESS;
}

void RegShutdown()
{
    Notifier::shutdown();
    HandleTable::shutdown();
}

QString RegDriveFolder(HKEY hKey, QChar drive)
{
    // Another machine's store has none of this machine's drives.
    // A Wine prefix has the drives of its dosdevices folder.
    const std::shared_ptr<KeyHandle> h = HandleTable::lookup(hKey);
    if (const auto* wine = h ? dynamic_cast<const WineBackend*>(h->backend.get()) : nullptr)
        return wine->driveFolder(drive);
    if (!h || h->backend != HandleTable::localBackend())
        return {};
    return drive.toUpper() == QLatin1Char('Z') ? QStringLiteral("/") : QString();
}

// --- keys ---

LONG RegConnectRegistry(const QString& machineName, HKEY hKey, HKEY* phkResult)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    if (!HandleTable::isPredefined(hKey))
        return ERROR_INVALID_HANDLE;
    std::shared_ptr<RegistryBackend> backend;
    LONG rc = HandleTable::machineBackend(machineName, &backend);
    if (rc != ERROR_SUCCESS)
        return rc;
    KeyId id = 0;
    rc = backend->predefinedKey(hKey, &id);
    if (rc != ERROR_SUCCESS)
        return rc;
    *phkResult = HandleTable::add(HandleTable::newHandle(backend, id, KEY_ALL_ACCESS));
    return ERROR_SUCCESS;
}

LONG RegOpenKeyEx(HKEY hKey, const QString& subKey, DWORD, REGSAM samDesired, HKEY* phkResult)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    QStringList parts;
    LONG split = splitPath(subKey, &parts);
    if (split == ERROR_INVALID_PARAMETER)
        split = ERROR_FILE_NOT_FOUND; // a name no key can have
    return withKey(hKey, 0, [&](KeyHandle& base) {
        if (split != ERROR_SUCCESS)
            return split;
        KeyId id = 0;
        const LONG rc = base.backend->openKey(base.id, parts, samDesired, &id);
        if (rc == ERROR_SUCCESS)
            *phkResult = HandleTable::add(HandleTable::newHandle(base.backend, id, samDesired));
        return rc;
    });
}

LONG RegCreateKeyEx(HKEY hKey, const QString& subKey, DWORD, const QString&, DWORD, REGSAM samDesired, const void*,
                    HKEY* phkResult, DWORD* disposition)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    QStringList parts;
    const LONG split = splitPath(subKey, &parts);
    return withKey(hKey, 0, [&](KeyHandle& base) {
        if (split != ERROR_SUCCESS)
            return split;
        KeyId id = 0;
        if (!parts.isEmpty() && !(base.access & KEY_CREATE_SUB_KEY)) {
            // creating needs the right on the parent handle; opening an existing key does not
            if (base.backend->openKey(base.id, parts, samDesired, &id) != ERROR_SUCCESS)
                return ERROR_ACCESS_DENIED;
        }
        DWORD disp = 0;
        const LONG rc = base.backend->createKey(base.id, parts, samDesired, &id, &disp);
        if (rc != ERROR_SUCCESS)
            return rc;
        if (disposition)
            *disposition = disp;
        *phkResult = HandleTable::add(HandleTable::newHandle(base.backend, id, samDesired));
        return ERROR_SUCCESS;
    });
}

LONG RegCloseKey(HKEY hKey)
{
    if (HandleTable::isPredefined(hKey))
        return ERROR_SUCCESS;
    if (!HandleTable::remove(hKey))
        return ERROR_INVALID_HANDLE;
    Notifier::drop(hKey, true); // a pending notification is signalled when its handle closes
    return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY hKey)
{
    const std::shared_ptr<KeyHandle> h = HandleTable::lookup(hKey);
    return h ? h->backend->flush() : ERROR_INVALID_HANDLE;
}

LONG RegQueryInfoKey(HKEY hKey, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values, DWORD* maxValueNameLen,
                     DWORD* maxValueLen, FILETIME* lastWriteTime)
{
    BackendKeyInfo info;
    const LONG rc = withKey(hKey, KEY_QUERY_VALUE, [&](KeyHandle& h) { return h.backend->keyInfo(h.id, &info); });
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
    return withKey(hKey, KEY_ENUMERATE_SUB_KEYS, [&](KeyHandle& h) {
        const LONG rc = loadSubKeys(h);
        if (rc != ERROR_SUCCESS)
            return rc;
        if (index >= DWORD(h.subNames.size()))
            return ERROR_NO_MORE_ITEMS;
        const QString& n = h.subNames.at(index);
        if (DWORD(n.size()) >= *cchName)
            return ERROR_MORE_DATA;
        *name = n;
        *cchName = DWORD(n.size());
        if (lastWriteTime)
            *lastWriteTime = toFileTime(h.subTimes.at(index));
        return ERROR_SUCCESS;
    });
}

LONG RegEnumKey(HKEY hKey, DWORD index, QString* name, DWORD cchName)
{
    DWORD cch = cchName;
    return RegEnumKeyEx(hKey, index, name, &cch, nullptr);
}

LONG RegDeleteKey(HKEY hKey, const QString& subKey)
{
    QStringList parts;
    LONG split = splitPath(subKey, &parts);
    if (split == ERROR_INVALID_PARAMETER)
        split = ERROR_FILE_NOT_FOUND;
    return withKey(hKey, 0, [&](KeyHandle& base) {
        if (split != ERROR_SUCCESS)
            return split;
        KeyId id = 0;
        LONG rc = base.backend->openKey(base.id, parts, DELETE_ACCESS, &id);
        if (rc == ERROR_SUCCESS)
            rc = base.backend->deleteKey(id);
        // deleted by another process between the look and the write lock: the path names no key
        return rc == ERROR_KEY_DELETED && !parts.isEmpty() ? ERROR_FILE_NOT_FOUND : rc;
    });
}

LONG RegSetKeyDeny(HKEY hKey, DWORD denyFlags)
{
    return withKey(hKey, KEY_SET_VALUE, [&](KeyHandle& h) { return h.backend->setKeyDeny(h.id, denyFlags); });
}

// --- values ---

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
    return copyOut(v.data, data, cbData);
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
    return withKey(hKey, KEY_QUERY_VALUE, [&](KeyHandle& h) {
        // a key being enumerated answers from its list; otherwise ask the store for the one value
        if (!h.valValid || h.valGen != h.backend->valueGeneration(h.id))
            return h.backend->queryValue(h.id, valueName, type, data);
        const int i = valueIndexOf(h, valueName);
        if (i < 0)
            return ERROR_FILE_NOT_FOUND;
        if (type)
            *type = h.values.at(i).type;
        if (data)
            *data = h.values.at(i).data;
        return ERROR_SUCCESS;
    });
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
    return copyOut(bytes, data, cbData);
}

LONG RegSetValueBytes(HKEY hKey, const QString& valueName, DWORD type, const QByteArray& data)
{
    return withKey(hKey, KEY_SET_VALUE, [&](KeyHandle& h) {
        if (valueName.size() > MAX_VALUE_NAME)
            return ERROR_INVALID_PARAMETER;
        const quint64 before = h.valValid ? h.backend->valueGeneration(h.id) : 0;
        const LONG rc = h.backend->setValue(h.id, valueName, type, data);
        if (rc == ERROR_SUCCESS && listStillCurrent(h, before)) {
            const int i = valueIndexOf(h, valueName);
            const QByteArray kept(data.constData(), data.size()); // data may be the caller's raw buffer
            if (i >= 0) {
                h.values[i].type = type;
                h.values[i].data = kept;
            } else {
                h.values.append(BackendValue{valueName, type, kept});
                if (!h.valueIndex.isEmpty() || h.values.size() == 1)
                    h.valueIndex.insert(winUpper(valueName), int(h.values.size() - 1));
            }
        }
        return rc;
    });
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
    return withKey(hKey, KEY_SET_VALUE, [&](KeyHandle& h) {
        const quint64 before = h.valValid ? h.backend->valueGeneration(h.id) : 0;
        const LONG rc = h.backend->deleteValue(h.id, valueName);
        if (rc == ERROR_SUCCESS && listStillCurrent(h, before)) {
            const int i = valueIndexOf(h, valueName);
            if (i >= 0)
                h.values.removeAt(i);
            h.valueIndex.clear();
        }
        return rc;
    });
}

// --- notification and batches ---

LONG RegNotifyChangeKeyValue(HKEY hKey, bool watchSubtree, DWORD notifyFilter, HANDLE event, bool asynchronous)
{
    if (notifyFilter == 0 || (notifyFilter & ~REG_NOTIFY_ALL))
        return ERROR_INVALID_PARAMETER;
    if (asynchronous && !event)
        return ERROR_INVALID_PARAMETER;
    std::shared_ptr<RegistryBackend> backend;
    WatchedKey what;
    const LONG rc = withKey(hKey, KEY_NOTIFY, [&](KeyHandle& h) {
        backend = h.backend;
        return h.backend->watchedKey(h.id, watchSubtree, notifyFilter, &what);
    });
    if (rc != ERROR_SUCCESS)
        return rc;
    const HANDLE waitEvent = asynchronous ? event : CreateEvent(true, false);
    Notifier::add(hKey, backend, what, waitEvent);
    if (!asynchronous) {
        (void)WaitForSingleObject(waitEvent, INFINITE);
        CloseHandle(waitEvent);
    }
    return ERROR_SUCCESS;
}

LONG RegBeginBatch(HKEY hKey)
{
    const std::shared_ptr<KeyHandle> h = HandleTable::lookup(hKey);
    if (!h)
        return ERROR_INVALID_HANDLE;
    const LONG rc = h->backend->beginBatch();
    if (rc == ERROR_SUCCESS)
        HandleTable::pushBatch(hKey, h->backend);
    return rc;
}

LONG RegEndBatch(HKEY hKey)
{
    const std::shared_ptr<RegistryBackend> backend = HandleTable::popBatch(hKey);
    return backend ? backend->endBatch() : ERROR_INVALID_HANDLE;
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
