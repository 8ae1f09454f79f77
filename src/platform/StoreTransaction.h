#pragma once

// One write call of the store, as a scope: it joins the open transaction (or begins one under the
// write lock); inside a batch a call of several statements marks a savepoint. Unless commit() is
// called, everything the call did is rolled back when the scope ends, so a call that fails half-way
// leaves nothing of itself behind.

#include "platform/WinTypes.h"

class SqliteStore;

class StoreTransaction final {
public:
    explicit StoreTransaction(SqliteStore& store);
    ~StoreTransaction();
    StoreTransaction(const StoreTransaction&) = delete;
    StoreTransaction& operator=(const StoreTransaction&) = delete;

    // ERROR_SUCCESS when the call may write; else the reason (read-only, lock time-out, failed batch).
    [[nodiscard]] LONG status() const { return m_status; }
    // Called before the first of several changing statements: inside a batch the call gets a savepoint
    // then. A call of one statement needs none, SQLite undoes a failed statement by itself.
    [[nodiscard]] LONG severalStatements();
    // Keeps the call's changes; outside a batch they are committed here. The call's answer.
    [[nodiscard]] LONG commit();
    // A statement failed with this SQLite code: the call is undone and answers the Windows code.
    [[nodiscard]] LONG fail(int sqliteCode);
    // The call refuses (not found, access denied): undone, answering code unless the undo failed.
    [[nodiscard]] LONG refuse(LONG code);

private:
    SqliteStore& m_store;
    LONG m_status;
    bool m_done = false;
};
