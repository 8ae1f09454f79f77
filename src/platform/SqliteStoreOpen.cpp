// Opening a store: only this program's own files, read-only where asked or where nothing may be
// written, created with owner-only permissions.

#include "platform/SqliteStore.h"

#include "platform/StoreFiles.h"
#include "platform/StoreSchema.h"
#include "platform/StoreTransaction.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool writable(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// Registries hold personal data: the file (and so SQLite's -wal and -shm files, which take its mode)
// is the owner's alone, whatever the umask.
bool createPrivateFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == EEXIST;
    const bool ok = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    return ok;
}

} // namespace

std::shared_ptr<SqliteStore> SqliteStore::open(const QString& path, StoreAccess access, LONG* code, QString* error)
{
    std::shared_ptr<SqliteStore> store(new SqliteStore);
    QString reason;
    const LONG rc = store->init(path, access, &reason);
    if (code)
        *code = rc;
    if (rc != ERROR_SUCCESS) {
        if (error)
            *error = reason;
        return nullptr;
    }
    StoreFiles::registerStore(path);
    return store;
}

SqliteStore::~SqliteStore()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_janitorWake.notify_all();
    if (m_janitor.joinable())
        m_janitor.join();
    std::lock_guard lock(m_mutex);
    if (m_inTransaction)
        (void)commitNow();
    endRead();
}

LONG SqliteStore::init(const QString& path, StoreAccess access, QString* error)
{
    m_path = path;
    const QFileInfo info(path);
    if (!info.dir().exists()) {
        *error = QStringLiteral("Der Ordner der Registrierungsdatenbank %1 existiert nicht.").arg(info.absolutePath());
        return ERROR_FILE_NOT_FOUND;
    }
    const bool exists = info.exists();
    if (!exists && access == StoreAccess::ReadOnly) {
        *error = QStringLiteral("Die Registrierungsdatenbank %1 existiert nicht.").arg(path);
        return ERROR_FILE_NOT_FOUND;
    }
    if (!exists && !writable(info.absolutePath())) {
        *error = QStringLiteral("Die Registrierungsdatenbank %1 kann nicht angelegt werden (keine Schreibrechte).")
                     .arg(path);
        return ERROR_ACCESS_DENIED;
    }
    // a file without its owner's write bit is read-only even for the superuser, as a Windows
    // read-only attribute is for administrators; so is a store whose folder takes no -wal file
    m_readOnly = access == StoreAccess::ReadOnly
                 || (exists
                     && (!writable(path) || !info.permission(QFileDevice::WriteOwner)
                         || !writable(info.absolutePath())));
    LONG rc = m_readOnly ? openReadOnly(path, error) : openConnection(path, exists, error);
    if (rc != ERROR_SUCCESS) {
        m_db.close();
        return rc;
    }
    prepareStatements();
    if (!m_findPath.valid()) {
        *error = QStringLiteral("Die Datei %1 ist keine Registrierungsdatenbank von Kaven.").arg(path);
        m_db.close();
        return ERROR_BADDB;
    }
    SqliteStatement user = m_db.prepare("SELECT v FROM meta WHERE k='user'");
    if (user.valid() && user.step() == SQLITE_ROW)
        m_userKey = user.text(0);
    if (!m_readOnly && m_userKey.isEmpty()) {
        m_userKey = QStringLiteral("S-1-5-21-1000-1000-1000-%1").arg(1000 + ::getuid());
        if (!createSkeleton()) {
            const int code = m_db.errorCode();
            *error = StoreSchema::failure(path, code);
            const LONG rc = StoreSchema::windowsCode(code);
            return rc != ERROR_SUCCESS ? rc : ERROR_REGISTRY_IO_FAILED;
        }
    }
    // no memory map, which would count the whole file against the process; the page cache is small
    // except while a batch writes (see beginBatch)
    (void)m_db.exec(kReadCache);
    m_janitor = std::thread([this] { janitorLoop(); }); // a reader's snapshot must not hold back checkpoints
    return ERROR_SUCCESS;
}

LONG SqliteStore::openConnection(const QString& path, bool exists, QString* error)
{
    if (!exists && !createPrivateFile(path)) {
        *error = QStringLiteral("Die Registrierungsdatenbank %1 kann nicht angelegt werden (keine Schreibrechte).")
                     .arg(path);
        return ERROR_ACCESS_DENIED;
    }
    int rc = m_db.open(path, false, false);
    if (rc != SQLITE_OK) {
        *error = StoreSchema::failure(path, rc);
        return StoreSchema::windowsCode(rc);
    }
    (void)m_db.exec("PRAGMA busy_timeout=10000");
    // nothing is written before the file is known to be a store of this program (or empty)
    const StoreSchema::Inspection found = StoreSchema::inspect(m_db);
    switch (found.kind) {
    case StoreSchema::Kind::Current:
        rc = SQLITE_OK;
        break;
    case StoreSchema::Kind::Older:
        rc = StoreSchema::migrate(m_db);
        break;
    case StoreSchema::Kind::Empty:
        (void)m_db.exec("PRAGMA encoding='UTF-8'"); // names are mostly ASCII: half the index size of UTF-16
        // larger pages: fewer page splits in the path and name indexes of a large import, fewer reads in a walk
        (void)m_db.exec("PRAGMA page_size=8192");
        rc = m_db.exec("PRAGMA journal_mode=WAL");
        if (rc == SQLITE_OK)
            rc = StoreSchema::create(m_db);
        break;
    case StoreSchema::Kind::Unreadable:
        *error = StoreSchema::failure(path, found.sqliteCode);
        return StoreSchema::windowsCode(found.sqliteCode);
    default:
        *error = StoreSchema::refusal(path, found);
        return ERROR_BADDB;
    }
    if (rc != SQLITE_OK) {
        *error = StoreSchema::failure(path, rc);
        return StoreSchema::windowsCode(rc);
    }
    // WAL with NORMAL: a commit survives the process being killed at any moment
    (void)m_db.exec("PRAGMA synchronous=NORMAL");
    // 16 MiB of pages: the indexes a large import writes stay in memory between its commits
    (void)m_db.exec("PRAGMA cache_size=-16384");
    return ERROR_SUCCESS;
}

// A reader never writes: the connection is opened read-only. WAL needs the -shm file; where the folder
// takes none and no -wal file is left (every writer closed cleanly, so the main file holds everything),
// the file is read as immutable. A -wal file left in a read-only folder is read through SQLite's
// read-only shared memory.
LONG SqliteStore::openReadOnly(const QString& path, QString* error)
{
    int rc = m_db.open(path, true, false);
    StoreSchema::Inspection found;
    if (rc == SQLITE_OK) {
        (void)m_db.exec("PRAGMA busy_timeout=10000");
        found = StoreSchema::inspect(m_db);
    }
    const QFileInfo wal(path + QStringLiteral("-wal"));
    const bool busy = (found.sqliteCode & 0xFF) == SQLITE_BUSY;
    if ((rc != SQLITE_OK || (found.kind == StoreSchema::Kind::Unreadable && !busy))
        && (!wal.exists() || wal.size() == 0)) {
        rc = m_db.open(path, true, true);
        if (rc == SQLITE_OK)
            found = StoreSchema::inspect(m_db);
    }
    if (rc != SQLITE_OK) {
        *error = StoreSchema::failure(path, rc);
        return StoreSchema::windowsCode(rc);
    }
    switch (found.kind) {
    case StoreSchema::Kind::Current:
    case StoreSchema::Kind::Older: // read as it is; the next writer migrates it
        return ERROR_SUCCESS;
    case StoreSchema::Kind::Unreadable:
        *error = StoreSchema::failure(path, found.sqliteCode);
        return StoreSchema::windowsCode(found.sqliteCode);
    case StoreSchema::Kind::Empty:
        found.kind = StoreSchema::Kind::NotDatabase;
        [[fallthrough]];
    default:
        *error = StoreSchema::refusal(path, found);
        return ERROR_BADDB;
    }
}

bool SqliteStore::createSkeleton()
{
    // The keys every Windows installation has, so that the root keys and their aliases resolve.
    const QStringList paths = {
        QStringLiteral("HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System"),
        QStringLiteral("HKEY_LOCAL_MACHINE\\SAM"),
        QStringLiteral("HKEY_LOCAL_MACHINE\\SECURITY"),
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes"),
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"),
        QStringLiteral("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control"),
        QStringLiteral("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services"),
        QStringLiteral("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current"),
        QStringLiteral("HKEY_USERS\\.DEFAULT\\Software"),
        QStringLiteral("HKEY_USERS\\%1\\Software").arg(m_userKey),
        QStringLiteral("HKEY_USERS\\%1\\Environment").arg(m_userKey),
        QStringLiteral("HKEY_USERS\\%1\\Control Panel").arg(m_userKey),
    };
    std::lock_guard lock(m_mutex);
    ++m_batchDepth; // one transaction for the whole skeleton
    bool ok = true;
    for (const QString& p : paths) {
        QStringList parts = p.split(QLatin1Char('\\'));
        const QString root = parts.takeFirst();
        KeyId rootId = 0;
        {
            StoreTransaction t(*this);
            DWORD deny = 0;
            ok = ok && t.status() == ERROR_SUCCESS;
            rootId = ok ? lookupPath(root, &deny) : 0;
            if (ok && rootId == 0)
                ok = insertKey(0, root, root, &rootId) == ERROR_SUCCESS;
            ok = ok && t.commit() == ERROR_SUCCESS;
        }
        KeyId id = 0;
        DWORD disp = 0;
        ok = ok && createKey(rootId, parts, KEY_ALL_ACCESS, &id, &disp) == ERROR_SUCCESS;
    }
    {
        StoreTransaction t(*this);
        SqliteStatement user = m_db.prepare("INSERT OR REPLACE INTO meta(k, v) VALUES('user', ?)");
        user.bindText(1, m_userKey);
        ok = ok && t.status() == ERROR_SUCCESS && user.step() == SQLITE_DONE && t.commit() == ERROR_SUCCESS;
    }
    return endBatch() == ERROR_SUCCESS && ok;
}

void SqliteStore::prepareStatements()
{
    m_findPath = m_db.prepare("SELECT id, deny FROM keys WHERE upath=?");
    m_insertKey = m_db.prepare("INSERT INTO keys(parent, name, skey, upath, mtime) VALUES(?,?,?,?,?)");
    m_childNames = m_db.prepare("SELECT name, mtime FROM keys WHERE parent=? ORDER BY skey");
    // the keys below a path: their upper-cased paths lie between "PATH\" and "PATH]" ("]" follows "\")
    m_branchKeys = m_db.prepare("SELECT id, parent, name, deny, (SELECT count(*) FROM vals WHERE key = keys.id), "
                                "upath FROM keys WHERE upath > ?1 AND upath < ?2 ORDER BY upath LIMIT ?3");
    m_branchKeysUncounted = m_db.prepare("SELECT id, parent, name, deny, -1, upath FROM keys "
                                         "WHERE upath > ?1 AND upath < ?2 ORDER BY upath LIMIT ?3");
    m_childKeys = m_db.prepare("SELECT id, parent, name, deny, (SELECT count(*) FROM vals WHERE key = keys.id) "
                               "FROM keys WHERE parent = ?1 ORDER BY skey");
    // values in creation order straight from the table, without an index lookup per value
    m_valueRows = m_db.prepare("SELECT id, key, name, type, data FROM vals WHERE id > ? ORDER BY id LIMIT ?");
    m_lastValueRow = m_db.prepare("SELECT max(id) FROM vals");
    m_valueList = m_db.prepare("SELECT id, name, type, data FROM vals WHERE key=?");
    m_valueGet = m_db.prepare("SELECT type, data FROM vals WHERE key=? AND uname=?");
    m_valueSet = m_db.prepare("INSERT INTO vals(key, uname, name, type, data) VALUES(?,?,?,?,?) "
                              "ON CONFLICT(key, uname) DO UPDATE SET type=excluded.type, data=excluded.data");
    m_valueDel = m_db.prepare("DELETE FROM vals WHERE key=? AND uname=?");
    m_keyExists = m_db.prepare("SELECT 1 FROM keys WHERE id=?");
    m_hasChild = m_db.prepare("SELECT 1 FROM keys WHERE parent=? LIMIT 1");
    m_keyRow = m_db.prepare("SELECT parent, upath, deny, mtime FROM keys WHERE id=?");
    m_deleteKey = m_db.prepare("DELETE FROM keys WHERE id=?");
    m_deleteKeyValues = m_db.prepare("DELETE FROM vals WHERE key=?");
    m_setDeny = m_db.prepare("UPDATE keys SET deny=? WHERE id=?");
    m_keyCounts = m_db.prepare("SELECT count(*), coalesce(max(length(name)),0) FROM keys WHERE parent=?");
    m_valueCounts =
        m_db.prepare("SELECT count(*), coalesce(max(length(name)),0), coalesce(max(length(data)),0) FROM vals "
                     "WHERE key=?");
    m_dataVersion = m_db.prepare("PRAGMA data_version");
    // a savepoint per write call of a batch: prepared once, not parsed per call
    m_savepoint = m_db.prepare("SAVEPOINT call");
    m_release = m_db.prepare("RELEASE call");
    m_rollbackTo = m_db.prepare("ROLLBACK TO call");
    m_log.prepare(m_db);
}
