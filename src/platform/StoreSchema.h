#pragma once

// Which SQLite files are stores of this program, and the steps from one schema version to the next.
// A file is looked at before anything is written into it: another program's database, a store of a
// newer version and a file that is no database at all stay byte-for-byte as they are.

#include "platform/WinTypes.h"

#include <QString>

class SqliteDb;

namespace StoreSchema {

inline constexpr qint64 kApplicationId = 0x4B41564E; // "KAVN" in the file header
// 1: the tables without application id; 2: application id, change-log time indexed
inline constexpr qint64 kVersion = 2;

enum class Kind { Empty, Current, Older, Newer, Foreign, NotDatabase, Unreadable };

struct Inspection {
    Kind kind = Kind::Unreadable;
    qint64 version = 0;
    int sqliteCode = 0; // for Unreadable
};

// Reads the header fields and the table names; writes nothing.
[[nodiscard]] Inspection inspect(SqliteDb& db);
// Creates the current schema in an empty database, in one transaction under the write lock.
[[nodiscard]] int create(SqliteDb& db);
// Brings a store of an older version to the current one, in one transaction.
[[nodiscard]] int migrate(SqliteDb& db);

// The Windows code for an SQLite result: 112 disk full, 1460 lock time-out, 5 read-only, 1016 else.
[[nodiscard]] LONG windowsCode(int sqliteCode);
// Why a store cannot be used, in German, for the messages of the programs.
[[nodiscard]] QString refusal(const QString& path, const Inspection& inspection);
[[nodiscard]] QString failure(const QString& path, int sqliteCode);

} // namespace StoreSchema
