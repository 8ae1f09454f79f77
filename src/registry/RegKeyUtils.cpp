#include "registry/RegKeyUtils.h"

#include "platform/WinCase.h"
#include "platform/WinReg.h"
#include "registry/KeyPath.h"
#include "registry/KeyTreeModel.h"
#include "registry/Progress.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "registry/RegistryAccessor.h"

#include <set>

namespace {

const QChar Backslash = QLatin1Char('\\');

void reportError(bool show, const QString& text)
{
    if (show)
        ShowError(text);
}

QString fromRoot(const QString& keyPath)
{
    return Backslash + GetSubKeyPath(keyPath);
}

// The key path in the form that names one key only once: the root keys that show a branch of
// HKEY_LOCAL_MACHINE are written as that branch.
QString canonicalPath(const QString& keyPath)
{
    const QString path = ExcludeTrailingBackslash(keyPath);
    const QString sub = GetSubKeyPath(path);
    const auto below = [&sub](const QString& branch) { return sub.isEmpty() ? branch : branch + Backslash + sub; };
    switch (GetRootKey(path)) {
    case HKEY_CLASSES_ROOT:
        return below(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes"));
    case HKEY_CURRENT_CONFIG:
        return below(QStringLiteral("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current"));
    default:
        return GetRootKeyName(path) + (sub.isEmpty() ? QString() : Backslash + sub);
    }
}

bool sameMachine(const QString& a, const QString& b)
{
    const auto name = [](const QString& m) {
        QString n = m;
        while (n.startsWith(Backslash))
            n.remove(0, 1);
        return n;
    };
    return winEqualsNoCase(name(a), name(b));
}

struct PathOrder {
    bool operator()(const QString& a, const QString& b) const { return winCompareNoCase(a, b) < 0; }
};

// Writes every value of source into target (same name, type and bytes).
void copyValues(HKEY source, HKEY target)
{
    for (DWORD i = 0;; ++i) {
        QString name;
        DWORD type = REG_NONE;
        QByteArray data;
        if (RegEnumValueBytes(source, i, &name, MAX_VALUE_NAME + 1, &type, &data) != ERROR_SUCCESS)
            break;
        (void)RegSetValueBytes(target, name, type, data);
    }
}

} // namespace

int CreateNewKey(const QString& parentPath, const QModelIndex& parentNode, KeyTreeModel& tree)
{
    tree.requestExpand(parentNode);
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    if (reg.openPath(parentPath, false, true) == RegResult::NotConnected)
        return -1;
    const QString below = KeyPath(parentPath).subKeyPath();
    const QString subKey = Backslash + (below.isEmpty() ? below : below + Backslash);
    const int number
        = FirstFreeNumber([&](const QString& name) { return reg.keyExists(subKey + name); }, NewKeyPrefix);
    const QString name = NewKeyPrefix + QString::number(number);
    RegBatch batch(reg.rootKey()); // a refusal of a read-only registry says why through the batch
    const bool made = reg.openKey(subKey + name, true);
    const LONG committed = batch.end();
    if (!made || committed != ERROR_SUCCESS) {
        ShowError(WithCommitReason(QStringLiteral("Der Schlüssel konnte nicht erstellt werden."), committed));
        return -1;
    }
    return tree.insertChild(parentNode, {name, 1, 2, false});
}

RegResult CreateKeyPath(const QString& keyPath, bool showErrors)
{
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    const RegResult opened = reg.openPath(keyPath, true, showErrors);
    if (opened == RegResult::NotFound) {
        reportError(showErrors, QStringLiteral("Konnte Schlüssel nicht erstellen."));
        return RegResult::KeyNotCreated;
    }
    return opened;
}

RegResult DeleteKeyPath(const QString& keyPath, bool showErrors)
{
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    const RegResult opened = reg.openPath(keyPath, false, showErrors);
    if (opened != RegResult::Success) {
        if (opened == RegResult::NotFound)
            reportError(showErrors, QStringLiteral("Angegebener Schlüssel nicht vorhanden."));
        return opened;
    }
    reg.closeKey();
    if (!reg.deleteKey(fromRoot(keyPath))) {
        reportError(showErrors,
                    WithCommitReason(QStringLiteral("Schlüssel konnte nicht gelöscht werden."), reg.commitError()));
        return RegResult::KeyNotDeleted;
    }
    return RegResult::Success;
}

RegResult RenameKey(const QString& keyPath, const QString& oldName, const QString& newName, bool showErrors)
{
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    const KeyPath path(keyPath);
    const RegResult opened = reg.openPath(path.parent().text(), false, showErrors);
    if (opened == RegResult::NotConnected)
        return opened;
    if (path.name().isEmpty() || opened != RegResult::Success) {
        reportError(showErrors, QStringLiteral("Angegebener Schlüssel nicht vorhanden."));
        return RegResult::NotFound;
    }
    if (!newName.isEmpty() && reg.keyExists(newName)) {
        reportError(showErrors, QStringLiteral("Angegebener Schlüssel bereits vorhanden."));
        return RegResult::KeyExists;
    }
    // A name with a backslash would make a key below another one; an empty name is no key.
    const bool valid = !newName.isEmpty() && !newName.contains(Backslash) && !oldName.isEmpty()
        && !oldName.contains(Backslash);
    if (!valid || !reg.moveKey(oldName, newName, true) || !reg.keyExists(newName)) {
        reportError(showErrors,
                    WithCommitReason(QStringLiteral("Schlüssel konnte nicht umbenannt werden."), reg.commitError()));
        return RegResult::KeyNotRenamed;
    }
    return RegResult::Success;
}

bool CopyKey(const QString& sourceMachine, const QString& targetMachine, const QString& sourcePath, bool ask,
             const QString& targetParentPath, Progress& progress)
{
    const QString source = ExcludeTrailingBackslash(sourcePath);
    const QString targetParent = ExcludeTrailingBackslash(targetParentPath);
    const QString keyName = GetKeyName(source);
    if (keyName.isEmpty())
        return false; // a root key has no name to copy under
    const QString targetKey = IncludeTrailingBackslash(targetParent) + keyName;
    if (sameMachine(sourceMachine, targetMachine)
        && KeyPath(canonicalPath(targetKey)).isSameOrBelow(KeyPath(canonicalPath(source)))) {
        // The copy would grow while it is being read, and a move would delete what it made.
        ShowError(QStringLiteral("Ein Schlüssel kann nicht in sich selbst kopiert werden."));
        return false;
    }
    if (ask && KeyExistsOn(targetMachine, targetKey)
        && !AskYesNo(QStringLiteral("Schlüssel existiert bereits. Überschreiben?")))
        return false;

    RegistryAccessor from(KEY_READ);
    RegistryAccessor to(KEY_READ | KEY_WRITE);
    progress.clearAbort();
    if (!ConnectRootKeyOn(from, sourceMachine, GetRootKey(source), ask)
        || !ConnectRootKeyOn(to, targetMachine, GetRootKey(targetParent), ask))
        return false;
    RegBatch batch(to.rootKey());

    // Sorted, and a child's path is longer than its parent's: keys are made from the top down.
    const qsizetype parentLength = GetParentPath(source).size();
    const QString targetBase = IncludeTrailingBackslash(targetParent);
    std::set<QString, PathOrder> pending;
    QString current = source;
    for (;;) {
        progress.step();
        if (progress.abortRequested())
            break;
        if (from.openKey(fromRoot(current), false)) {
            if (to.openKey(fromRoot(targetBase + current.mid(parentLength)), true))
                copyValues(from.currentKey(), to.currentKey());
            for (DWORD i = 0;; ++i) {
                progress.step();
                if (progress.abortRequested())
                    break;
                QString name;
                if (RegEnumKey(from.currentKey(), i, &name, MAX_KEY_NAME + 1) != ERROR_SUCCESS)
                    break;
                pending.insert(current + Backslash + name);
            }
        }
        if (pending.empty() || progress.abortRequested())
            break;
        current = *pending.begin();
        pending.erase(pending.begin());
    }
    const LONG committed = batch.end();
    if (committed != ERROR_SUCCESS) {
        ShowError(WithCommitReason(QStringLiteral("Schlüssel konnte nicht kopiert werden."), committed));
        return false;
    }
    return true;
}
