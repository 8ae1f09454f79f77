// Helpers shared by the store's tests and their child process: keys through the API, values read
// back through it, and SQL run through SQLite's own connection beside the store's.
#pragma once

#include "platform/WinReg.h"

#include <QString>
#include <sqlite3.h>

namespace StoreProbe {

// Creates (or opens) a key; 0 on failure.
inline HKEY createKey(HKEY root, const QString& path, REGSAM sam = KEY_ALL_ACCESS)
{
    HKEY k = 0;
    DWORD disp = 0;
    return RegCreateKeyEx(root, path, 0, {}, 0, sam, nullptr, &k, &disp) == ERROR_SUCCESS ? k : 0;
}

// Creates (or opens) a key and sets a value in it: the first code that is not success.
inline LONG setValueIn(HKEY root, const QString& path, const QString& name, DWORD type, const QByteArray& data)
{
    HKEY k = 0;
    LONG rc = RegCreateKeyEx(root, path, 0, {}, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueBytes(k, name, type, data);
    RegCloseKey(k);
    return rc;
}

// Data of a value below HKEY_CURRENT_USER, or "missing".
inline QByteArray valueOf(const QString& keyPath, const QString& name)
{
    HKEY k = 0;
    QByteArray data = "missing";
    if (RegOpenKeyEx(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &k) == ERROR_SUCCESS
        && RegQueryValueBytes(k, name, nullptr, &data) != ERROR_SUCCESS)
        data = "missing";
    RegCloseKey(k);
    return data;
}

// Runs SQL on the store file: the first column of the last row ("ok" counts 1), -1 without a row,
// -2 when SQLite refuses.
inline qint64 sqlValue(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    qint64 out = -1;
    const auto row = [](void* p, int, char** values, char**) {
        const QByteArray text(values[0] ? values[0] : "");
        *static_cast<qint64*>(p) = !values[0] ? -1 : text == "ok" ? 1 : text.toLongLong();
        return 0;
    };
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK || sqlite3_exec(db, sql, row, &out, nullptr))
        out = -2;
    sqlite3_close(db);
    return out;
}

} // namespace StoreProbe
