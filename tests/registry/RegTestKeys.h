#pragma once

// Direct access to the store for arranging and checking test data, beside the code under test.

#include "platform/WinReg.h"
#include "registry/KeyTreeModel.h"
#include "registry/RegUtils.h"
#include "registry/ValueListModel.h"
#include "support/RecordingMessageSink.h"
#include "support/TempStore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace RegTestKeys {

// A fresh store and a recording message sink for one test, on the local machine with the root keys
// in their start state.
struct StoreFixture {
    std::optional<TempStore> store;
    std::optional<RecordingMessageSink> sink;

    [[nodiscard]] bool start()
    {
        store.emplace();
        sink.emplace();
        CurrentMachine().clear();
        ResetRootKeys();
        return store->ok();
    }
    void stop()
    {
        CurrentMachine().clear();
        sink.reset();
        store.reset();
    }
};

// A key handle closed when it goes out of scope.
struct OpenedKey {
    HKEY handle = 0;
    OpenedKey() = default;
    ~OpenedKey() { RegCloseKey(handle); }
    Q_DISABLE_COPY_MOVE(OpenedKey)
};

inline bool openKey(OpenedKey& key, const QString& subKey, HKEY root = HKEY_CURRENT_USER, REGSAM sam = KEY_READ)
{
    return RegOpenKeyEx(root, subKey, 0, sam, &key.handle) == ERROR_SUCCESS;
}

// The key and every missing one along the path are created.
inline bool createKey(OpenedKey& key, const QString& subKey, HKEY root = HKEY_CURRENT_USER)
{
    return RegCreateKeyEx(root, subKey, 0, QString(), 0, KEY_ALL_ACCESS, nullptr, &key.handle, nullptr)
           == ERROR_SUCCESS;
}

// Subkey path below HKEY_CURRENT_USER.
inline bool makeKey(const QString& subKey)
{
    OpenedKey key;
    return createKey(key, subKey);
}

// Sets a deny mask (KEY_DENY_WRITE, KEY_DENY_READ) on a key below HKEY_CURRENT_USER.
inline bool denyKey(const QString& subKey, DWORD deny)
{
    OpenedKey key;
    return openKey(key, subKey, HKEY_CURRENT_USER, KEY_ALL_ACCESS)
           && RegSetKeyDeny(key.handle, deny) == ERROR_SUCCESS;
}

inline bool exists(const QString& subKey, HKEY root = HKEY_CURRENT_USER)
{
    OpenedKey key;
    return openKey(key, subKey, root);
}

inline bool setValue(const QString& subKey, const QString& name, DWORD type, const QByteArray& data,
                     HKEY root = HKEY_CURRENT_USER)
{
    OpenedKey key;
    return createKey(key, subKey, root) && RegSetValueBytes(key.handle, name, type, data) == ERROR_SUCCESS;
}

// Type and bytes of a value; type REG_NONE and "<missing>" when it cannot be read.
inline QPair<DWORD, QByteArray> value(const QString& subKey, const QString& name, HKEY root = HKEY_CURRENT_USER)
{
    OpenedKey key;
    DWORD type = REG_NONE;
    QByteArray data;
    if (!openKey(key, subKey, root) || RegQueryValueBytes(key.handle, name, &type, &data) != ERROR_SUCCESS)
        return {REG_NONE, QByteArray("<missing>")};
    return {type, data};
}

inline QStringList subKeys(const QString& subKey, HKEY root = HKEY_CURRENT_USER)
{
    QStringList names;
    OpenedKey key;
    QString name;
    if (openKey(key, subKey, root))
        for (DWORD i = 0; RegEnumKey(key.handle, i, &name, 256) == ERROR_SUCCESS; ++i)
            names.append(name);
    return names;
}

// Texts of a tree node's loaded children, in their order.
inline QStringList childTexts(const KeyTreeModel& tree, const QModelIndex& node)
{
    QStringList texts;
    for (int i = 0; i < tree.rowCount(node); ++i)
        texts << tree.text(tree.index(i, 0, node));
    return texts;
}

inline QStringList captions(const ValueListModel& list)
{
    QStringList result;
    for (const ValueRow& row : list.rows())
        result << row.caption;
    return result;
}

inline QByteArray sz(const char* text)
{
    return QByteArray(text) + '\0';
}

} // namespace RegTestKeys
