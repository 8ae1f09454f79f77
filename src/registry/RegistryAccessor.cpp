#include "registry/RegistryAccessor.h"

#include "platform/WinReg.h"
#include "registry/KeyPath.h"
#include "registry/RegUtils.h"

namespace {

const QChar Backslash = QLatin1Char('\\');

QString withoutTrailingBackslash(QString path)
{
    if (path.endsWith(Backslash))
        path.chop(1);
    return path;
}

QStringList enumSubKeys(HKEY key)
{
    QStringList names;
    for (DWORD i = 0;; ++i) {
        QString name;
        DWORD cch = MAX_KEY_NAME + 1;
        if (RegEnumKeyEx(key, i, &name, &cch, nullptr) != ERROR_SUCCESS)
            break;
        names.append(name);
    }
    return names;
}

bool deleteTree(HKEY parent, const QString& subKey, REGSAM access)
{
    HKEY key = 0;
    if (RegOpenKeyEx(parent, subKey, 0, access, &key) != ERROR_SUCCESS)
        return false;
    // Names first: deleting while enumerating would shift the indexes.
    bool ok = true;
    for (const QString& name : enumSubKeys(key))
        ok = deleteTree(key, name, access) && ok;
    RegCloseKey(key);
    return ok && RegDeleteKey(parent, subKey) == ERROR_SUCCESS;
}

// Copies values and subkeys of source into target, raw bytes, so that nothing is converted.
bool copyTree(HKEY source, HKEY target, REGSAM access)
{
    bool ok = true;
    for (DWORD i = 0;; ++i) {
        QString name;
        DWORD type = 0;
        QByteArray data;
        const LONG rc = RegEnumValueBytes(source, i, &name, MAX_VALUE_NAME + 1, &type, &data);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS || RegSetValueBytes(target, name, type, data) != ERROR_SUCCESS) {
            ok = false;
            if (rc != ERROR_SUCCESS)
                break;
        }
    }
    for (const QString& name : enumSubKeys(source)) {
        HKEY from = 0;
        HKEY to = 0;
        if (RegOpenKeyEx(source, name, 0, KEY_READ, &from) != ERROR_SUCCESS) {
            ok = false;
            continue;
        }
        if (RegCreateKeyEx(target, name, 0, QString(), 0, access, nullptr, &to, nullptr) == ERROR_SUCCESS) {
            ok = copyTree(from, to, access) && ok;
            RegCloseKey(to);
        } else {
            ok = false;
        }
        RegCloseKey(from);
    }
    return ok;
}

bool isSameOrBelow(const QString& path, const QString& base)
{
    return base.isEmpty() || KeyPath(path).isSameOrBelow(KeyPath(base));
}

} // namespace

RegistryAccessor::RegistryAccessor(REGSAM access) : m_access(access) {}

RegistryAccessor::~RegistryAccessor()
{
    setRootKey(0);
}

void RegistryAccessor::setRootKey(HKEY rootKey)
{
    closeKey();
    if (m_ownsRoot && m_root != 0)
        RegCloseKey(m_root);
    m_root = rootKey;
    m_ownsRoot = false;
}

void RegistryAccessor::setRemoteRootKey(HKEY connectedRoot)
{
    setRootKey(connectedRoot);
    m_ownsRoot = true;
}

HKEY RegistryAccessor::baseFor(const QString& path, QString* relative) const
{
    if (path.startsWith(Backslash) || m_key == 0) {
        *relative = withoutTrailingBackslash(path.startsWith(Backslash) ? path.mid(1) : path);
        return m_root;
    }
    *relative = withoutTrailingBackslash(path);
    return m_key;
}

QString RegistryAccessor::absolutePath(const QString& path) const
{
    if (path.startsWith(Backslash) || m_key == 0)
        return withoutTrailingBackslash(path.startsWith(Backslash) ? path.mid(1) : path);
    if (m_path.isEmpty())
        return withoutTrailingBackslash(path);
    return m_path + Backslash + withoutTrailingBackslash(path);
}

RegResult RegistryAccessor::openPath(const QString& keyPath, bool canCreate, bool showConnectError)
{
    return openPathOn(CurrentMachine(), keyPath, canCreate, showConnectError);
}

RegResult RegistryAccessor::openPathOn(const QString& machine, const QString& keyPath, bool canCreate,
                                       bool showConnectError)
{
    if (!ConnectRootKeyOn(*this, machine, GetRootKey(keyPath), showConnectError))
        return RegResult::NotConnected;
    return openKey(Backslash + KeyPath(keyPath).subKeyPath(), canCreate) ? RegResult::Success : RegResult::NotFound;
}

bool RegistryAccessor::openKey(const QString& path, bool canCreate)
{
    QString relative;
    const HKEY base = baseFor(path, &relative);
    const QString absolute = absolutePath(path);
    HKEY key = 0;
    LONG rc = ERROR_INVALID_HANDLE;
    if (base != 0) {
        rc = canCreate ? RegCreateKeyEx(base, relative, 0, QString(), 0, m_access, nullptr, &key, nullptr)
                       : RegOpenKeyEx(base, relative, 0, m_access, &key);
    }
    closeKey();
    if (rc != ERROR_SUCCESS)
        return false;
    m_key = key;
    m_path = absolute;
    return true;
}

void RegistryAccessor::closeKey()
{
    if (m_key != 0)
        RegCloseKey(m_key);
    m_key = 0;
    m_path.clear();
}

bool RegistryAccessor::keyExists(const QString& path) const
{
    QString relative;
    const HKEY base = baseFor(path, &relative);
    HKEY key = 0;
    if (base == 0 || RegOpenKeyEx(base, relative, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool RegistryAccessor::hasSubKeys() const
{
    DWORD subKeys = 0;
    return m_key != 0 && RegQueryInfoKey(m_key, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS
        && subKeys > 0;
}

QStringList RegistryAccessor::subKeyNames() const
{
    return m_key != 0 ? enumSubKeys(m_key) : QStringList();
}

QStringList RegistryAccessor::valueNames() const
{
    QStringList names;
    for (DWORD i = 0; m_key != 0; ++i) {
        QString name;
        DWORD cch = MAX_VALUE_NAME + 1;
        if (RegEnumValue(m_key, i, &name, &cch, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.append(name);
    }
    return names;
}

QDateTime RegistryAccessor::lastWriteTime(bool* ok) const
{
    FILETIME time;
    const bool found = m_key != 0
        && RegQueryInfoKey(m_key, nullptr, nullptr, nullptr, nullptr, nullptr, &time) == ERROR_SUCCESS;
    if (ok)
        *ok = found;
    return found ? FileTimeToDateTime(time) : QDateTime();
}

bool RegistryAccessor::deleteKey(const QString& path)
{
    QString relative;
    const HKEY base = baseFor(path, &relative);
    if (base == 0 || relative.isEmpty())
        return false;
    const QString absolute = absolutePath(path);
    if (m_key != 0 && base != m_key && isSameOrBelow(m_path, absolute))
        closeKey();
    m_commitError = ERROR_SUCCESS;
    RegBatch batch(m_root);
    const bool deleted = deleteTree(base, relative, m_access);
    m_commitError = batch.end();
    return deleted && m_commitError == ERROR_SUCCESS;
}

bool RegistryAccessor::moveKey(const QString& oldPath, const QString& newPath, bool deleteOld)
{
    QString oldRelative;
    QString newRelative;
    const HKEY oldBase = baseFor(oldPath, &oldRelative);
    const HKEY newBase = baseFor(newPath, &newRelative);
    const QString oldAbsolute = absolutePath(oldPath);
    // A key cannot be copied into itself: the copy would never end.
    if (oldBase == 0 || newBase == 0 || oldRelative.isEmpty() || isSameOrBelow(absolutePath(newPath), oldAbsolute))
        return false;
    HKEY source = 0;
    if (RegOpenKeyEx(oldBase, oldRelative, 0, KEY_READ, &source) != ERROR_SUCCESS)
        return false;
    m_commitError = ERROR_SUCCESS;
    RegBatch batch(m_root);
    const bool existed = keyExists(newPath);
    HKEY target = 0;
    bool ok = RegCreateKeyEx(newBase, newRelative, 0, QString(), 0, m_access, nullptr, &target, nullptr)
        == ERROR_SUCCESS;
    if (ok) {
        ok = copyTree(source, target, m_access);
        RegCloseKey(target);
    }
    RegCloseKey(source);
    m_commitError = batch.end();
    ok = ok && m_commitError == ERROR_SUCCESS;
    if (!ok) {
        // Never lose the old key over a failed copy; take back what was made of the new one.
        if (!existed && m_commitError == ERROR_SUCCESS)
            (void)deleteTree(newBase, newRelative, m_access);
        return false;
    }
    return !deleteOld || deleteKey(oldPath);
}
