#pragma once

// On Linux a process that opens and closes any file of a live SQLite store outside SQLite drops every
// POSIX lock SQLite holds on it; another process may then checkpoint and delete the WAL this process is
// still writing to. Every store registers its file here when it opens, and every open of a file the
// user names asks first.

#include <QString>

namespace StoreFiles {

// Remembers the main file of a store this process opened; its -wal, -shm and -journal files count too.
void registerStore(const QString& path);
// True when path is one of those files: the same device and inode where the file exists (links and
// other spellings included), else the same absolute name. Looks with stat() only, never opens.
[[nodiscard]] bool isStoreFile(const QString& path);

} // namespace StoreFiles
