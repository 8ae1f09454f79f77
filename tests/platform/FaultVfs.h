#pragma once

// An SQLite file system for tests: the default unix one, except that the Nth write, sync or write
// lock after arm() fails (a write with SQLITE_FULL or SQLITE_IOERR_WRITE by turns, a sync with
// SQLITE_IOERR_FSYNC, a lock with SQLITE_BUSY). Registered as the default while installed.

namespace FaultVfs {

void install();
// Counts from zero again; failAt 0 only counts.
void arm(int failAt);
void disarm();
// Writes, syncs and write locks since arm().
[[nodiscard]] int count();
// Whether the armed fault happened.
[[nodiscard]] bool fired();

} // namespace FaultVfs
