#pragma once

// Elementary key operations. Each makes its own accessor, connects to the path's root on
// CurrentMachine, works and closes; with showErrors, failures are reported by message box.

#include "registry/RegResult.h"

#include <QModelIndex>
#include <QString>

class KeyTreeModel;
class Progress;

// Smallest n >= 1 for which prefix + n is not taken; taken(name) answers whether a name exists.
template <typename Taken>
[[nodiscard]] int FirstFreeNumber(Taken taken, const QString& prefix)
{
    int n = 1;
    while (taken(prefix + QString::number(n)))
        ++n;
    return n;
}

inline const QString NewKeyPrefix = QStringLiteral("Neuer Schlüssel #");

// Creates "Neuer Schlüssel #n" below the parent key, adds its node below parentNode (loading the
// parent's children first) and returns the node's row, or -1.
[[nodiscard]] int CreateNewKey(const QString& parentPath, const QModelIndex& parentNode, KeyTreeModel& tree);
// Creates the key with every missing key along the path: Success, KeyNotCreated, NotConnected.
RegResult CreateKeyPath(const QString& keyPath, bool showErrors);
// Deletes the key with its subtree: Success, KeyNotDeleted, NotFound, NotConnected.
RegResult DeleteKeyPath(const QString& keyPath, bool showErrors);
// Renames the key at keyPath from oldName to newName (single names below its parent) by copying it
// with its subtree and deleting the old one: Success, KeyNotRenamed, NotFound, KeyExists, NotConnected.
RegResult RenameKey(const QString& keyPath, const QString& oldName, const QString& newName, bool showErrors);
// Copies the source key with its subtree from sourceMachine to targetParentPath on targetMachine
// (empty machine = local), the key keeping its name. With ask, an existing target key is only
// overwritten after the user agreed. False when the user declined, a connection failed, or the
// target lies in the source's own subtree; true otherwise, also when cancelled through progress.
bool CopyKey(const QString& sourceMachine, const QString& targetMachine, const QString& sourcePath, bool ask,
             const QString& targetParentPath, Progress& progress);
