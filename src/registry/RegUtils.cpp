#include "registry/RegUtils.h"

#include "platform/WinCase.h"
#include "platform/WinReg.h"
#include "platform/wine/WinePrefix.h"
#include "registry/KeyPath.h"
#include "registry/KeyTreeModel.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegistryAccessor.h"

#include <QFileInfo>

namespace {

const QChar Backslash = QLatin1Char('\\');
const QString UncPrefix = QStringLiteral("\\\\");

RootKeySlots startTable()
{
    return {{
        {HKEY_CLASSES_ROOT, QStringLiteral("HKEY_CLASSES_ROOT"), true},
        {HKEY_CURRENT_USER, QStringLiteral("HKEY_CURRENT_USER"), true},
        {HKEY_LOCAL_MACHINE, QStringLiteral("HKEY_LOCAL_MACHINE"), true},
        {HKEY_USERS, QStringLiteral("HKEY_USERS"), true},
        {HKEY_CURRENT_CONFIG, QStringLiteral("HKEY_CURRENT_CONFIG"), true},
        {0, QString(), false},
    }};
}

// Slot index of the path's root part, -1 when none matches. Every slot is compared, so a later match
// wins (only an empty root part can match the empty sixth slot).
int slotOfPath(const QString& keyPath)
{
    const QString path = ExcludeTrailingBackslash(keyPath);
    const qsizetype end = path.indexOf(Backslash);
    const QString root = winUpper(end < 0 ? path : path.left(end));
    int found = -1;
    const RootKeySlots& table = RootKeyTable();
    for (int i = 0; i < int(table.size()); ++i) {
        if (winEqualsNoCase(root, table[i].name))
            found = i;
    }
    return found;
}

bool rootOpens(HKEY rootKey)
{
    RegistryAccessor reg(KEY_READ);
    return ConnectRootKey(reg, rootKey, false) && reg.openKey(QStringLiteral("\\"), false);
}

QString uncName(const QString& machine)
{
    return machine.startsWith(UncPrefix) ? machine : UncPrefix + machine;
}

bool isLocalWord(const QString& machine)
{
    return winUpper(machine) == winUpper(LocalMachineWord);
}

} // namespace

RootKeySlots& RootKeyTable()
{
    static RootKeySlots table = startTable();
    return table;
}

void ResetRootKeys()
{
    RootKeyTable() = startTable();
}

void UpdateRootKeys()
{
    RootKeySlots& table = RootKeyTable();
    for (int i = 0; i < 5; ++i)
        table[i].available = rootOpens(table[i].handle);
    RootKeySlot& last = table[5];
    last.available = false;
    if (rootOpens(HKEY_DYN_DATA))
        last = {HKEY_DYN_DATA, QStringLiteral("HKEY_DYN_DATA"), true};
    else if (rootOpens(HKEY_PERFORMANCE_DATA))
        last = {HKEY_PERFORMANCE_DATA, QStringLiteral("HKEY_PERFORMANCE_DATA"), true};
}

QString& CurrentMachine()
{
    static QString machine;
    return machine;
}

QString MachineNodeText()
{
    if (CurrentMachine().isEmpty())
        return MyComputerName;
    const QString name = QString(CurrentMachine()).remove(Backslash);
    if (name.startsWith(QLatin1Char('/')) && WinePrefix::isPrefix(name))
        return WinePrefix::displayName(name);
    if (name.startsWith(QLatin1Char('/'))) // hive files, named by their path
        return (QFileInfo(name).isDir() ? QStringLiteral("Offline-Windows-Installation: ")
                                        : QStringLiteral("Hive-Datei: "))
               + name;
    return RemoteNodePrefix + name;
}

bool ConnectRootKey(RegistryAccessor& reg, HKEY rootKey, bool showError)
{
    return ConnectRootKeyOn(reg, CurrentMachine(), rootKey, showError);
}

bool ConnectRootKeyOn(RegistryAccessor& reg, const QString& machine, HKEY rootKey, bool showError)
{
    reg.setRootKey(rootKey);
    if (machine.isEmpty())
        return true;
    HKEY connected = 0;
    if (RegConnectRegistry(machine, rootKey, &connected) == ERROR_SUCCESS) {
        reg.setRemoteRootKey(connected);
        return true;
    }
    if (showError)
        ShowPlain(QStringLiteral("Konnte keine Verbindung mit ") + machine + QStringLiteral(" herstellen."));
    return false;
}

HKEY GetRootKey(const QString& keyPath)
{
    const int slot = slotOfPath(keyPath);
    return slot < 0 ? 0 : RootKeyTable()[slot].handle;
}

QString GetRootKeyName(const QString& keyPath)
{
    const int slot = slotOfPath(keyPath);
    return RootKeyTable()[slot < 0 ? 0 : slot].name;
}

QString GetSubKeyPath(const QString& keyPath)
{
    return KeyPath(keyPath).subKeyPath();
}

QString GetParentPath(const QString& keyPath)
{
    const KeyPath path(keyPath);
    return path.level() == 0 ? QString() : path.parent().text() + Backslash;
}

QString GetKeyName(const QString& keyPath)
{
    return KeyPath(keyPath).name();
}

QString GetPathPart(const QString& keyPath, int level)
{
    const QString path = ExcludeTrailingBackslash(keyPath);
    if (level < 0)
        return QString();
    qsizetype pos = -1;
    for (int i = 0; i <= level; ++i) {
        pos = path.indexOf(Backslash, pos + 1);
        if (pos < 0)
            return path;
    }
    return path.left(pos);
}

int GetPathLevel(const QString& keyPath)
{
    return KeyPath(keyPath).level();
}

int IndexOfRootKey(HKEY rootKey)
{
    const RootKeySlots& table = RootKeyTable();
    for (int i = 0; i < int(table.size()); ++i) {
        if (table[i].handle == rootKey)
            return i;
    }
    return -1;
}

QString IncludeTrailingBackslash(const QString& text)
{
    return text.endsWith(Backslash) ? text : text + Backslash;
}

QString ExcludeTrailingBackslash(const QString& text)
{
    if (!text.endsWith(Backslash))
        return text;
    if (text.size() >= 2 && text.at(text.size() - 2) == QLatin1Char(':'))
        return text;
    return text.left(text.size() - 1);
}

bool KeyExists(const QString& keyPath)
{
    return KeyExistsOn(CurrentMachine(), keyPath);
}

bool KeyExistsOn(const QString& machine, const QString& keyPath)
{
    RegistryAccessor reg(KEY_READ);
    return reg.openPathOn(machine, keyPath, false, false) == RegResult::Success;
}

QDateTime KeyTimeUnknown()
{
    return QDateTime(QDate(1900, 12, 31), QTime(0, 0), Qt::UTC);
}

QDateTime GetKeyTime(const QString& keyPath)
{
    RegistryAccessor reg(KEY_READ);
    bool ok = false;
    QDateTime time;
    if (reg.openPath(keyPath, false, false) == RegResult::Success)
        time = reg.lastWriteTime(&ok);
    return ok && time.isValid() ? time : KeyTimeUnknown();
}

bool IsOtherMachine(const QString& machine)
{
    if (isLocalWord(machine))
        return !CurrentMachine().isEmpty();
    return !winEqualsNoCase(uncName(machine), CurrentMachine());
}

bool SelectMachine(const QString& machine)
{
    if (isLocalWord(machine)) {
        if (CurrentMachine().isEmpty())
            return false;
        CurrentMachine().clear();
        RegKeepMachineConnection(QString()); // the machine left is not kept connected
        return true;
    }
    const QString name = uncName(machine);
    // "\\" alone names no machine.
    if (name.size() <= UncPrefix.size() || winEqualsNoCase(name, CurrentMachine()))
        return false;
    const QString old = CurrentMachine();
    CurrentMachine() = name;
    // Remote registries commonly refuse HKEY_CLASSES_ROOT; HKEY_LOCAL_MACHINE answers whenever the
    // machine does.
    RegistryAccessor reg(KEY_READ);
    if (!ConnectRootKey(reg, HKEY_LOCAL_MACHINE, true)) {
        CurrentMachine() = old;
        return false;
    }
    RegKeepMachineConnection(name);
    return true;
}

QModelIndex BuildRootNodes(KeyTreeModel& tree)
{
    tree.clear();
    const QModelIndex top = tree.addTopNode({MachineNodeText(), 0, 0, false});
    UpdateRootKeys();
    for (const RootKeySlot& slot : RootKeyTable()) {
        // Slot order, not name order: the root keys keep the registry's own sequence.
        if (slot.available)
            tree.appendChild(top, {slot.name, 1, 2, true});
    }
    tree.requestExpand(top);
    return top;
}

QString GetNodePath(const KeyTreeModel& tree, const QModelIndex& node)
{
    QStringList parts;
    for (QModelIndex i = node; i.isValid() && i.parent().isValid(); i = i.parent())
        parts.prepend(tree.text(i));
    return parts.join(Backslash);
}

void LoadKeyChildren(KeyTreeModel& tree, const QModelIndex& node)
{
    const QString path = GetNodePath(tree, node);
    if (path.isEmpty()) {
        tree.setChildrenLoaded(node, true);
        return;
    }
    RegistryAccessor reg(KEY_READ);
    const RegResult opened = reg.openPath(path, false, true);
    if (opened == RegResult::NotConnected) {
        tree.setChildrenLoaded(node, true);
        return;
    }
    QList<KeyNodeInfo> children;
    if (opened == RegResult::Success) {
        const QStringList names = reg.subKeyNames();
        children.reserve(names.size());
        for (const QString& name : names)
            children.append({name, 1, 2, false, true});
    }
    tree.setChildren(node, std::move(children));
}

bool NodeHasSubKeys(const KeyTreeModel& tree, const QModelIndex& node)
{
    const QString path = GetNodePath(tree, node);
    RegistryAccessor reg(KEY_READ);
    return !path.isEmpty() && reg.openPath(path, false, false) == RegResult::Success && reg.hasSubKeys();
}
