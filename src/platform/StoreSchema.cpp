#include "platform/StoreSchema.h"

#include "platform/SqliteDb.h"

#include <QSet>
#include <sqlite3.h>

namespace StoreSchema {
namespace {

// Version 1, as stores without an application id carry it.
constexpr const char* kTables = "CREATE TABLE IF NOT EXISTS meta(k TEXT PRIMARY KEY, v);"
                                "CREATE TABLE IF NOT EXISTS keys("
                                " id INTEGER PRIMARY KEY, parent INTEGER NOT NULL, name TEXT NOT NULL,"
                                " skey BLOB NOT NULL, upath TEXT NOT NULL, mtime INTEGER NOT NULL,"
                                " deny INTEGER NOT NULL DEFAULT 0);"
                                "CREATE UNIQUE INDEX IF NOT EXISTS keys_path ON keys(upath);"
                                "CREATE UNIQUE INDEX IF NOT EXISTS keys_child ON keys(parent, skey);"
                                "CREATE TABLE IF NOT EXISTS vals("
                                " id INTEGER PRIMARY KEY, key INTEGER NOT NULL, uname TEXT NOT NULL,"
                                " name TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL);"
                                "CREATE UNIQUE INDEX IF NOT EXISTS vals_name ON vals(key, uname);"
                                "CREATE TABLE IF NOT EXISTS changelog("
                                " seq INTEGER PRIMARY KEY AUTOINCREMENT, upath TEXT NOT NULL, bits INTEGER NOT NULL,"
                                " t INTEGER NOT NULL);";

// Version 2: the change log is pruned by time through an index. (Values keep creation order by rowid;
// an index for that order would cost more on every insert than the small sort of one key's values when
// a handle reads its list.)
constexpr const char* kToVersion2 = "CREATE INDEX IF NOT EXISTS changelog_time ON changelog(t);"
                                    "PRAGMA application_id=1262573134;"
                                    "PRAGMA user_version=2;";
static_assert(kApplicationId == 1262573134);

bool isVersion1Tables(const QSet<QString>& tables)
{
    return tables
           == QSet<QString>{QStringLiteral("meta"), QStringLiteral("keys"), QStringLiteral("vals"),
                            QStringLiteral("changelog"), QStringLiteral("sqlite_sequence")};
}

int inTransaction(SqliteDb& db, const char* sql)
{
    int rc = db.exec("BEGIN IMMEDIATE");
    if (rc != SQLITE_OK)
        return rc;
    rc = db.exec(sql);
    if (rc == SQLITE_OK)
        rc = db.exec("COMMIT");
    if (rc != SQLITE_OK && !db.autocommit())
        (void)db.exec("ROLLBACK");
    return rc;
}

} // namespace

Inspection inspect(SqliteDb& db)
{
    Inspection out;
    qint64 appId = 0;
    int rc = db.queryInt("PRAGMA application_id", &appId);
    if (rc == SQLITE_OK)
        rc = db.queryInt("PRAGMA user_version", &out.version);
    QSet<QString> tables;
    if (rc == SQLITE_OK) {
        SqliteStatement names = db.prepare("SELECT name FROM sqlite_master WHERE type='table'");
        if (!names.valid())
            rc = db.errorCode();
        while (rc == SQLITE_OK && names.valid()) {
            const int step = names.step();
            if (step == SQLITE_ROW)
                tables.insert(names.text(0));
            else
                rc = step == SQLITE_DONE ? SQLITE_DONE : db.errorCode();
            if (step != SQLITE_ROW)
                break;
        }
        if (rc == SQLITE_DONE)
            rc = SQLITE_OK;
    }
    if ((rc & 0xFF) == SQLITE_NOTADB) {
        out.kind = Kind::NotDatabase;
    } else if (rc != SQLITE_OK) {
        out.kind = Kind::Unreadable;
        out.sqliteCode = rc;
    } else if (appId == kApplicationId) {
        out.kind = out.version > kVersion ? Kind::Newer : out.version == kVersion ? Kind::Current : Kind::Older;
    } else if (appId != 0 || out.version != 0) {
        out.kind = Kind::Foreign;
    } else if (tables.isEmpty()) {
        out.kind = Kind::Empty;
    } else {
        out.kind = isVersion1Tables(tables) ? Kind::Older : Kind::Foreign;
        out.version = 1;
    }
    return out;
}

int create(SqliteDb& db)
{
    const QByteArray sql = QByteArray(kTables) + kToVersion2;
    return inTransaction(db, sql.constData());
}

int migrate(SqliteDb& db)
{
    return inTransaction(db, kToVersion2);
}

LONG windowsCode(int sqliteCode)
{
    switch (sqliteCode & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
        return ERROR_SUCCESS;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_TIMEOUT;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return ERROR_ACCESS_DENIED;
    case SQLITE_NOMEM:
        return ERROR_OUTOFMEMORY;
    default:
        return ERROR_REGISTRY_IO_FAILED;
    }
}

QString failure(const QString& path, int sqliteCode)
{
    QString reason;
    switch (sqliteCode & 0xFF) {
    case SQLITE_FULL:
        reason = QStringLiteral("Der Datenträger ist voll.");
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        reason = QStringLiteral("Ein anderer Prozess hält sie gesperrt (Zeitüberschreitung).");
        break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
        reason = QStringLiteral("Die Datei oder ihr Ordner ist schreibgeschützt oder nicht zugänglich.");
        break;
    case SQLITE_IOERR:
        reason = QStringLiteral("Ein- oder Ausgabefehler beim Zugriff auf die Datei.");
        break;
    default:
        reason = QString::fromUtf8(sqlite3_errstr(sqliteCode)) + QLatin1Char('.');
    }
    return QStringLiteral("Die Registrierungsdatenbank %1 kann nicht geöffnet werden: %2").arg(path, reason);
}

QString refusal(const QString& path, const Inspection& inspection)
{
    switch (inspection.kind) {
    case Kind::NotDatabase:
        return QStringLiteral("Die Datei %1 ist keine Registrierungsdatenbank.").arg(path);
    case Kind::Foreign:
        return QStringLiteral("Die Datei %1 ist die Datenbank eines anderen Programms, keine Registrierungsdatenbank "
                              "von Kaven. Sie bleibt unverändert.")
            .arg(path);
    case Kind::Newer:
        return QStringLiteral("Die Registrierungsdatenbank %1 stammt von einer neueren Version von Kaven "
                              "(Version %2). Sie bleibt unverändert.")
            .arg(path)
            .arg(inspection.version);
    default:
        return failure(path, inspection.sqliteCode);
    }
}

} // namespace StoreSchema
