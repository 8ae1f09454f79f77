#pragma once

// An SQLite file system for tests: the default unix one, except that the Nth write, sync or write
// lock after arm() fails (a write with SQLITE_FULL or SQLITE_IOERR_WRITE by turns, a sync with
// SQLITE_IOERR_FSYNC, a lock with SQLITE_BUSY). Installed once, as the default file system of the process.

namespace FaultVfs {

void install();
// Counts from zero again; failAt 0 only counts.
void arm(int failAt);
void disarm();
// Writes, syncs and write locks since arm().
[[nodiscard]] int count();

} // namespace FaultVfs
