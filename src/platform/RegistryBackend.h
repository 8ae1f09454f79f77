#pragma once

// One registry behind the Windows API: the local store now; offline hive files, Wine prefixes and
// remote machines implement the same interface. Keys are named by the backend's own ids; handles,
// access masks and caching live above it, in the API layer.

#include "platform/WinTypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

struct BackendValue {
    QString name;
    DWORD type = REG_NONE;
    QByteArray data;
};

struct BackendKeyInfo {
    DWORD subKeys = 0;
    DWORD maxSubKeyLen = 0;
    DWORD values = 0;
    DWORD maxValueNameLen = 0;
    DWORD maxValueLen = 0;
    quint64 lastWrite = 0; // FILETIME ticks
};

// One change as notifications see it: the key's upper-cased full path and REG_NOTIFY bits
// (KeyDeletedBit for the key itself going away).
struct BackendChange {
    qint64 seq = 0;
    QString upperPath;
    DWORD bits = 0;
};

inline constexpr DWORD KeyDeletedBit = 0x100;
// The change happened at or below the path (many keys changed at once were logged as one row).
inline constexpr DWORD SubtreeChangedBit = 0x200;

class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;

    // Id and upper-cased path of the key a predefined handle stands for; ERROR_INVALID_HANDLE when
    // this registry has none.
    virtual LONG predefinedKey(HKEY hkey, qint64* id, QString* upperPath) = 0;
    // path: components below base, each 1..255 characters. access is checked against the key's
    // deny flags (ERROR_ACCESS_DENIED).
    virtual LONG openKey(qint64 base, const QString& baseUpperPath, const QStringList& path, REGSAM access,
                         qint64* id, QString* upperPath) = 0;
    virtual LONG createKey(qint64 base, const QString& baseUpperPath, const QStringList& path, REGSAM access,
                           qint64* id, QString* upperPath, DWORD* disposition) = 0;
    [[nodiscard]] virtual bool keyAlive(qint64 id) = 0;
    // Subkey names in the hive's order (upper-cased, UTF-16 code units) with their last-write times.
    virtual LONG subKeys(qint64 id, QStringList* names, QVector<quint64>* lastWrite) = 0;
    // Values in creation order, with data.
    virtual LONG values(qint64 id, QVector<BackendValue>* values) = 0;
    virtual LONG queryValue(qint64 id, const QString& name, DWORD* type, QByteArray* data) = 0;
    virtual LONG setValue(qint64 id, const QString& name, DWORD type, QByteArrayView data) = 0;
    virtual LONG deleteValue(qint64 id, const QString& name) = 0;
    // Deletes the key (it must have no subkeys).
    virtual LONG deleteKey(qint64 id) = 0;
    virtual LONG keyInfo(qint64 id, BackendKeyInfo* info) = 0;
    virtual LONG keyDeny(qint64 id, DWORD* flags) = 0;
    virtual LONG setKeyDeny(qint64 id, DWORD flags) = 0;

    virtual LONG beginBatch() = 0;
    virtual void endBatch() = 0;
    virtual LONG flush() = 0;
    [[nodiscard]] virtual bool readOnly() const = 0;

    // Changes whenever the key's values, subkeys or existence may have changed (own writes at once,
    // other processes' writes within a few milliseconds); the handle caches above compare it.
    [[nodiscard]] virtual quint64 generation(qint64 id) = 0;
    // Changes whenever a key may have been deleted: open handles look again whether theirs is alive.
    [[nodiscard]] virtual quint64 deletionGeneration() = 0;
    // Last committed change number, and the committed changes after seq.
    [[nodiscard]] virtual qint64 lastChange() = 0;
    virtual void changesSince(qint64 seq, const std::function<void(const BackendChange&)>& sink) = 0;
};
