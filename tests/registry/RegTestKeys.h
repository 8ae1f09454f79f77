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

#include <memory>

namespace RegTestKeys {

// A fresh store and a recording message sink for one test, on the local machine with the root keys
// in their start state.
struct StoreFixture {
    std::unique_ptr<TempStore> store;
    std::unique_ptr<RecordingMessageSink> sink;

    [[nodiscard]] bool start()
    {
        store = std::make_unique<TempStore>();
        sink = std::make_unique<RecordingMessageSink>();
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

// Subkey path below HKEY_CURRENT_USER; the key and every missing one along the path are created.
inline bool makeKey(const QString& subKey)
{
    HKEY key = 0;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, subKey, 0, QString(), 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Sets a deny mask (KEY_DENY_WRITE, KEY_DENY_READ) on a key below HKEY_CURRENT_USER.
inline bool denyKey(const QString& subKey, DWORD deny)
{
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return false;
    const bool ok = RegSetKeyDeny(key, deny) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

inline bool exists(const QString& subKey, HKEY root = HKEY_CURRENT_USER)
{
    HKEY key = 0;
    if (RegOpenKeyEx(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

inline bool setValue(const QString& subKey, const QString& name, DWORD type, const QByteArray& data,
                     HKEY root = HKEY_CURRENT_USER)
{
    HKEY key = 0;
    if (RegCreateKeyEx(root, subKey, 0, QString(), 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueBytes(key, name, type, data) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

// Type and bytes of a value; type REG_NONE and "<missing>" when it cannot be read.
inline QPair<DWORD, QByteArray> value(const QString& subKey, const QString& name, HKEY root = HKEY_CURRENT_USER)
{
    HKEY key = 0;
    DWORD type = REG_NONE;
    QByteArray data("<missing>");
    if (RegOpenKeyEx(root, subKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        QByteArray read;
        if (RegQueryValueBytes(key, name, &type, &read) == ERROR_SUCCESS)
            data = read;
        RegCloseKey(key);
    }
    return {type, data};
}

inline QStringList subKeys(const QString& subKey, HKEY root = HKEY_CURRENT_USER)
{
    QStringList names;
    HKEY key = 0;
    if (RegOpenKeyEx(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        QString name;
        DWORD cch = 256;
        if (RegEnumKeyEx(key, i, &name, &cch, nullptr) != ERROR_SUCCESS)
            break;
        names.append(name);
    }
    RegCloseKey(key);
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
