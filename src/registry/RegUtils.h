#pragma once

// Which machine's registry the program works on, which root keys exist there, and how a key path
// ("HKEY_LOCAL_MACHINE\SOFTWARE\Classes") splits into root key and subkey path. Every registry
// operation follows one pattern: a fresh RegistryAccessor, ConnectRootKey with the path's root,
// open "\" + subkey path, work, and let the accessor close everything.
//
// Program-wide state (RootKeyTable, CurrentMachine) belongs to the main thread; other threads pass
// their machine explicitly (the ...On functions).

#include "platform/WinTypes.h"

#include <QDateTime>
#include <QModelIndex>
#include <QString>

#include <array>

class KeyTreeModel;
class RegistryAccessor;

struct RootKeySlot {
    HKEY handle = 0;
    QString name;
    bool available = false;
};

// The six root-key slots in their fixed order (the order of the tree's root nodes and of the options
// dialog's check boxes). Slot 6 (index 5) starts empty and unavailable; UpdateRootKeys fills it.
using RootKeySlots = std::array<RootKeySlot, 6>;
[[nodiscard]] RootKeySlots& RootKeyTable();
// Puts the table back to its start state (tests, a new machine before UpdateRootKeys).
void ResetRootKeys();
// Recomputes the availability flags and slot 6 on the current machine.
void UpdateRootKeys();

// The machine every operation connects to when it connects: empty for the local machine, otherwise
// "\\" followed by the machine name. Read at the moment of connecting.
[[nodiscard]] QString& CurrentMachine();

// Machine words.
inline const QString LocalMachineWord = QStringLiteral("Lokaler PC");
inline const QString MyComputerName = QStringLiteral("Arbeitsplatz");
inline const QString RemoteNodePrefix = QStringLiteral("Netzwerk PC: ");
// Text of the key tree's top node for the current machine.
[[nodiscard]] QString MachineNodeText();

// Connecting. Sets the accessor's root key; on a remote machine connects to it and makes the
// connection the accessor's root. On failure, with showError, a plain box shows
// "Konnte keine Verbindung mit " + machine + " herstellen.".
[[nodiscard]] bool ConnectRootKey(RegistryAccessor& reg, HKEY rootKey, bool showError);
[[nodiscard]] bool ConnectRootKeyOn(RegistryAccessor& reg, const QString& machine, HKEY rootKey, bool showError);

// Path functions. Each first removes one trailing backslash.
[[nodiscard]] HKEY GetRootKey(const QString& keyPath);        // 0 when no slot matches
[[nodiscard]] QString GetRootKeyName(const QString& keyPath); // "HKEY_CLASSES_ROOT" when no slot matches
[[nodiscard]] QString GetSubKeyPath(const QString& keyPath);  // after the first backslash
[[nodiscard]] QString GetParentPath(const QString& keyPath);  // up to and including the last backslash
[[nodiscard]] QString GetKeyName(const QString& keyPath);     // after the last backslash
[[nodiscard]] QString GetPathPart(const QString& keyPath, int level); // the first level + 1 components
[[nodiscard]] int GetPathLevel(const QString& keyPath);       // number of backslashes
[[nodiscard]] int IndexOfRootKey(HKEY rootKey);               // slot index 0..5, or -1
[[nodiscard]] QString IncludeTrailingBackslash(const QString& text);
// Removes one trailing backslash unless a colon stands before it.
[[nodiscard]] QString ExcludeTrailingBackslash(const QString& text);

// Whether the key opens read-only (no message on failure).
[[nodiscard]] bool KeyExists(const QString& keyPath);
[[nodiscard]] bool KeyExistsOn(const QString& machine, const QString& keyPath);
// The key's last write time in UTC as stored (no conversion to local time); KeyTimeUnknown() when the
// key cannot be read.
[[nodiscard]] QDateTime GetKeyTime(const QString& keyPath);
[[nodiscard]] QDateTime KeyTimeUnknown(); // 31.12.1900 00:00

// Machine switching. A name is "Lokaler PC" (any case) or a machine name with or without "\\".
[[nodiscard]] bool IsOtherMachine(const QString& machine);
// Switches CurrentMachine after a test connection to HKEY_LOCAL_MACHINE of the new machine (with the
// connection message on failure); false when nothing changed.
[[nodiscard]] bool SelectMachine(const QString& machine);

// Key tree. BuildRootNodes clears the tree, adds the machine node and one node per available root
// key, asks the view to expand the machine node, and returns the machine node.
QModelIndex BuildRootNodes(KeyTreeModel& tree);
// Key path of a node: empty for the machine node, the root-key name for a root node.
[[nodiscard]] QString GetNodePath(const KeyTreeModel& tree, const QModelIndex& node);
// Loads a node's children from the registry of CurrentMachine (the tree's default loader): one child
// per subkey with images 1 and 2, marked as having children when that subkey has subkeys (settled
// when first asked, NodeHasSubKeys). A key without subkeys loses its expand mark.
void LoadKeyChildren(KeyTreeModel& tree, const QModelIndex& node);
// Whether the node's key has subkeys on CurrentMachine (no message on failure).
[[nodiscard]] bool NodeHasSubKeys(const KeyTreeModel& tree, const QModelIndex& node);
