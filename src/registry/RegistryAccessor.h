#pragma once

// The registry access object of one operation: it holds the root key the operation works under (a
// predefined key, or the handle of a remote connection, which it owns), the access mask keys are
// opened with, and at most one open key. Everything it holds is closed when it is destroyed, so no
// handle outlives the operation that made it.
//
// Paths given to openKey() and the other path-taking methods: a leading "\" takes the path from the
// root ("\" alone is the root itself); otherwise the path is relative to the open key, or to the root
// when no key is open.

#include "platform/WinTypes.h"
#include "registry/RegResult.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

class RegistryAccessor final {
public:
    explicit RegistryAccessor(REGSAM access = KEY_READ);
    ~RegistryAccessor();
    RegistryAccessor(const RegistryAccessor&) = delete;
    RegistryAccessor& operator=(const RegistryAccessor&) = delete;

    [[nodiscard]] REGSAM access() const { return m_access; }
    void setAccess(REGSAM access) { m_access = access; }

    // Selects a predefined root key; closes the open key and an owned remote root first.
    void setRootKey(HKEY rootKey);
    // Takes ownership of the root handle returned by a remote connection.
    void setRemoteRootKey(HKEY connectedRoot);
    [[nodiscard]] HKEY rootKey() const { return m_root; }

    // The one way to reach a key by its full path: connects to the path's root key on the machine
    // (CurrentMachine, or the one named) and opens the subkey path, creating it with canCreate.
    // Success, NotConnected (with showConnectError the connection message was shown) or NotFound.
    [[nodiscard]] RegResult openPath(const QString& keyPath, bool canCreate, bool showConnectError);
    [[nodiscard]] RegResult openPathOn(const QString& machine, const QString& keyPath, bool canCreate,
                                       bool showConnectError);

    // Opens (with canCreate: creates, with every missing key along the path) the key and makes it the
    // current key, closing the previous one. False when it cannot be opened; no key is open then.
    [[nodiscard]] bool openKey(const QString& path, bool canCreate);
    void closeKey();
    // Handle of the open key, 0 when none is open.
    [[nodiscard]] HKEY currentKey() const { return m_key; }
    // Path of the open key from the root, without leading backslash (empty for the root itself).
    [[nodiscard]] QString currentPath() const { return m_path; }

    // Whether the key opens read-only; the current key stays as it is.
    [[nodiscard]] bool keyExists(const QString& path) const;
    [[nodiscard]] bool hasSubKeys() const;
    // Subkey names of the open key in the registry's order (names are at most 255 characters).
    [[nodiscard]] QStringList subKeyNames() const;
    // Value names of the open key in the registry's order, every name however long.
    [[nodiscard]] QStringList valueNames() const;
    [[nodiscard]] QDateTime lastWriteTime(bool* ok = nullptr) const;

    // Deletes the key with its whole subtree, subkeys before their parents. Closes the current key
    // when it lies in that subtree.
    [[nodiscard]] bool deleteKey(const QString& path);
    // Copies every value and, recursively, every subkey of oldPath into newPath (created as needed);
    // with deleteOld the old key is deleted afterwards, only when the whole copy succeeded.
    [[nodiscard]] bool moveKey(const QString& oldPath, const QString& newPath, bool deleteOld);
    // The failure of the last deleteKey or moveKey to commit its batch (112, 1016, 1460), else 0.
    [[nodiscard]] LONG commitError() const { return m_commitError; }

private:
    [[nodiscard]] HKEY baseFor(const QString& path, QString* relative) const;
    [[nodiscard]] QString absolutePath(const QString& path) const;

    REGSAM m_access;
    HKEY m_root = 0;
    bool m_ownsRoot = false;
    HKEY m_key = 0;
    QString m_path;
    LONG m_commitError = ERROR_SUCCESS;
};
