#pragma once

// The keys the open transaction changed, and the change log table that carries them to the notifiers
// of every process. Last-write times and log rows are written once per key and transaction, when it
// commits. The marks of one call are undone when that call fails.

#include "platform/CoarseTimer.h"
#include "platform/RegistryBackend.h"
#include "platform/SqliteDb.h"

#include <QHash>
#include <QSet>

#include <functional>

class StoreChangeLog final {
public:
    void prepare(const SqliteDb& db);

    void touch(KeyId id, DWORD bits);
    void created(KeyId id, KeyId parent);
    void deleted(KeyId id, const QString& upperPath);
    [[nodiscard]] bool isEmpty() const { return m_touched.isEmpty() && m_deleted.isEmpty(); }

    // Marks between the first beginCall of a call and endCall(false) are taken back; true when there
    // were any.
    void beginCall();
    bool endCall(bool keep);
    void clear();

    // Writes the last-write times and log rows of the open transaction; an SQLite result code.
    [[nodiscard]] int write(const std::function<QString(KeyId)>& pathOf);

    [[nodiscard]] ChangeCursor last();
    [[nodiscard]] QVector<BackendChange> since(ChangeCursor from);
    [[nodiscard]] static bool concerns(const BackendChange& change, const WatchedKey& key);

private:
    struct Undo {
        KeyId id = 0;
        QString deletedPath; // set for a deletion
        bool hadTouch = false;
        DWORD touchBits = 0;
        bool wasCreated = false;
        bool hadDeleted = false;
        DWORD deletedBits = 0;
    };
    void record(KeyId id, const QString& deletedPath);
    [[nodiscard]] int insert(const QString& upperPath, DWORD bits, qint64 nowMs);

    QHash<KeyId, DWORD> m_touched;   // key -> change bits
    QHash<QString, DWORD> m_deleted; // upper path -> bits, keys deleted in the transaction
    QSet<KeyId> m_created;           // keys made in the transaction (their time is already set)
    QSet<KeyId> m_createdRoots;      // those of them without a parent
    bool m_inCall = false;
    QVector<Undo> m_undo;
    KeyId m_lastTouched = 0; // and its bits in m_touched
    DWORD m_lastBits = 0;
    CoarseTimer m_sincePrune;
    SqliteStatement m_touchKey, m_logChange, m_changes, m_lastSeq, m_prune;
};
