#include "platform/SqliteStore.h"

#include "platform/StoreFiles.h"
#include "platform/WinCase.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <sqlite3.h>
#include <unistd.h>

namespace {

constexpr qint64 kHiveRootParent = 0;
// A batch commits at least this often, so that a crash loses little and other processes see work.
constexpr qint64 kBatchCommitMs = 200;
// A snapshot of the store serves reads this long before the next read looks for newer commits.
constexpr qint64 kSnapshotMs = 20;
// Past this many changed keys in one transaction the change log gets one row for their common key.
constexpr qsizetype kMaxLoggedKeys = 256;
constexpr qsizetype kMaxCachedKeys = 50000;
// Changes are kept long enough for every process's notifier (which polls every 100 ms) to see them.
constexpr qint64 kChangeLogKeepMs = 120000;
const QString kSep = QStringLiteral("\\");

quint64 nowFileTime()
{
    return quint64(QDateTime::currentMSecsSinceEpoch() + 11644473600000LL) * 10000ULL;
}

// Subkeys sort by their upper-cased names compared by UTF-16 code units: big-endian UTF-16 bytes
// compare the same way under memcmp.
QByteArray sortKey(const QString& name)
{
    const QString up = winUpper(name);
    QByteArray out(up.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < up.size(); ++i) {
        out[2 * i] = char(up[i].unicode() >> 8);
        out[2 * i + 1] = char(up[i].unicode() & 0xFF);
    }
    return out;
}

QString joinUpper(const QString& base, const QStringList& path)
{
    QString out = base;
    for (const QString& c : path) {
        out += kSep;
        out += winUpper(c);
    }
    return out;
}

} // namespace

std::shared_ptr<SqliteStore> SqliteStore::open(const QString& path, LONG* code, QString* error)
{
    std::shared_ptr<SqliteStore> store(new SqliteStore);
    QString reason;
    const LONG rc = store->init(path, &reason);
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
        commitNow();
    endRead();
}

void SqliteStore::janitorLoop()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        m_janitorWake.wait_for(lock, std::chrono::milliseconds(50));
        if (m_readOpen && m_readAge.elapsed() >= kSnapshotMs)
            endRead();
        // a batch that went quiet still commits in time
        if (m_inTransaction && m_batchDepth > 0 && m_transactionAge.elapsed() >= kBatchCommitMs)
            commitNow();
    }
}

void SqliteStore::beginRead()
{
    if (m_inTransaction)
        return;
    if (m_readOpen && m_readAge.elapsed() < kSnapshotMs)
        return;
    endRead();
    if (m_db.exec("BEGIN") != SQLITE_OK)
        return;
    m_readOpen = true;
    m_readAge.start();
    // data_version moves when another connection committed since our last snapshot
    if (m_dataVersion.step() == SQLITE_ROW) {
        const qint64 v = m_dataVersion.int64(0);
        if (v != m_lastDataVersion) {
            if (m_lastDataVersion >= 0)
                forgetCaches();
            m_lastDataVersion = v;
            m_externalEpoch++;
        }
    }
    m_dataVersion.reset();
}

void SqliteStore::endRead()
{
    if (m_readOpen) {
        m_db.exec("COMMIT");
        m_readOpen = false;
    }
}

LONG SqliteStore::init(const QString& path, QString* error)
{
    m_path = path;
    const QFileInfo info(path);
    if (!info.dir().exists()) {
        *error = QStringLiteral("Der Ordner der Registrierungsdatenbank %1 existiert nicht.").arg(info.absolutePath());
        return ERROR_FILE_NOT_FOUND;
    }
    const bool exists = info.exists();
    // a file without its owner's write bit is read-only even for the superuser, as a Windows
    // read-only attribute is for administrators
    m_readOnly = exists
                 && (::access(QFile::encodeName(path).constData(), W_OK) != 0
                     || !info.permission(QFileDevice::WriteOwner));
    if (!exists && ::access(QFile::encodeName(info.absolutePath()).constData(), W_OK) != 0) {
        *error = QStringLiteral("Die Registrierungsdatenbank %1 kann nicht angelegt werden (keine Schreibrechte).")
                     .arg(path);
        return ERROR_ACCESS_DENIED;
    }
    int rc = m_db.open(path, m_readOnly, false);
    if (rc == SQLITE_OK && m_readOnly && m_db.exec("SELECT count(*) FROM sqlite_master") != SQLITE_OK)
        rc = m_db.open(path, true, true); // a read-only WAL store without its -shm file
    if (rc != SQLITE_OK) {
        *error = QStringLiteral("Die Registrierungsdatenbank %1 kann nicht geöffnet werden.").arg(path);
        return ERROR_BADDB;
    }
    m_db.exec("PRAGMA busy_timeout=10000");
    if (m_db.exec("SELECT count(*) FROM sqlite_master") != SQLITE_OK) {
        *error = QStringLiteral("Die Datei %1 ist keine Registrierungsdatenbank: %2").arg(path, m_db.errorMessage());
        return ERROR_BADDB;
    }
    if (!m_readOnly) {
        m_db.exec("PRAGMA encoding='UTF-8'"); // registry names are mostly ASCII: half the index size of UTF-16
        if (m_db.exec("PRAGMA journal_mode=WAL") != SQLITE_OK) {
            *error = QStringLiteral("Die Registrierungsdatenbank %1 kann nicht geöffnet werden: %2")
                         .arg(path, m_db.errorMessage());
            return ERROR_BADDB;
        }
        // WAL with NORMAL: a commit survives the process being killed at any moment
        m_db.exec("PRAGMA synchronous=NORMAL");
        if (!createSchema()) {
            *error = QStringLiteral("Die Registrierungsdatenbank %1 kann nicht eingerichtet werden: %2")
                         .arg(path, m_db.errorMessage());
            return ERROR_BADDB;
        }
    }
    prepareStatements();
    if (!m_findPath.valid()) {
        *error = QStringLiteral("Die Datei %1 ist keine Registrierungsdatenbank von Kaven.").arg(path);
        return ERROR_BADDB;
    }
    SqliteStatement user = m_db.prepare("SELECT v FROM meta WHERE k='user'");
    if (user.valid() && user.step() == SQLITE_ROW)
        m_userKey = user.text(0);
    if (!m_readOnly && m_userKey.isEmpty()) {
        m_userKey = QStringLiteral("S-1-5-21-1000-1000-1000-%1").arg(1000 + ::getuid());
        if (!createSkeleton()) {
            *error = QStringLiteral("Die Registrierungsdatenbank %1 kann nicht eingerichtet werden: %2")
                         .arg(path, m_db.errorMessage());
            return ERROR_BADDB;
        }
    }
    m_sincePrune.start();
    // a page cache of 64 MB; no memory map, which would count the whole file against the process
    m_db.exec("PRAGMA cache_size=-65536");
    m_janitor = std::thread([this] { janitorLoop(); });
    return ERROR_SUCCESS;
}

bool SqliteStore::createSchema()
{
    return m_db.exec("BEGIN IMMEDIATE;"
                     "CREATE TABLE IF NOT EXISTS meta(k TEXT PRIMARY KEY, v);"
                     "CREATE TABLE IF NOT EXISTS keys("
                     " id INTEGER PRIMARY KEY, parent INTEGER NOT NULL, name TEXT NOT NULL, skey BLOB NOT NULL,"
                     " upath TEXT NOT NULL, mtime INTEGER NOT NULL, deny INTEGER NOT NULL DEFAULT 0);"
                     "CREATE UNIQUE INDEX IF NOT EXISTS keys_path ON keys(upath);"
                     "CREATE UNIQUE INDEX IF NOT EXISTS keys_child ON keys(parent, skey);"
                     "CREATE TABLE IF NOT EXISTS vals("
                     " id INTEGER PRIMARY KEY, key INTEGER NOT NULL, uname TEXT NOT NULL, name TEXT NOT NULL,"
                     " type INTEGER NOT NULL, data BLOB NOT NULL);"
                     "CREATE UNIQUE INDEX IF NOT EXISTS vals_name ON vals(key, uname);"
                     "CREATE TABLE IF NOT EXISTS changelog("
                     " seq INTEGER PRIMARY KEY AUTOINCREMENT, upath TEXT NOT NULL, bits INTEGER NOT NULL,"
                     " t INTEGER NOT NULL);"
                     "COMMIT;")
        == SQLITE_OK;
}

void SqliteStore::prepareStatements()
{
    m_findPath = m_db.prepare("SELECT id, deny FROM keys WHERE upath=?");
    m_insertKey = m_db.prepare("INSERT INTO keys(parent, name, skey, upath, mtime) VALUES(?,?,?,?,?)");
    m_childNames = m_db.prepare("SELECT name, mtime FROM keys WHERE parent=? ORDER BY skey");
    m_valueList = m_db.prepare("SELECT name, type, data FROM vals WHERE key=? ORDER BY id");
    m_valueGet = m_db.prepare("SELECT type, data FROM vals WHERE key=? AND uname=?");
    m_valueSet = m_db.prepare("INSERT INTO vals(key, uname, name, type, data) VALUES(?,?,?,?,?) "
                              "ON CONFLICT(key, uname) DO UPDATE SET type=excluded.type, data=excluded.data");
    m_valueDel = m_db.prepare("DELETE FROM vals WHERE key=? AND uname=?");
    m_keyExists = m_db.prepare("SELECT 1 FROM keys WHERE id=?");
    m_hasChild = m_db.prepare("SELECT 1 FROM keys WHERE parent=? LIMIT 1");
    m_keyRow = m_db.prepare("SELECT parent, upath, deny, mtime FROM keys WHERE id=?");
    m_deleteKey = m_db.prepare("DELETE FROM keys WHERE id=?");
    m_deleteKeyValues = m_db.prepare("DELETE FROM vals WHERE key=?");
    m_touchKey = m_db.prepare("UPDATE keys SET mtime=? WHERE id=?");
    m_logChange = m_db.prepare("INSERT INTO changelog(upath, bits, t) VALUES(?,?,?)");
    m_setDeny = m_db.prepare("UPDATE keys SET deny=? WHERE id=?");
    m_keyCounts = m_db.prepare("SELECT count(*), coalesce(max(length(name)),0) FROM keys WHERE parent=?");
    m_valueCounts =
        m_db.prepare("SELECT count(*), coalesce(max(length(name)),0), coalesce(max(length(data)),0) FROM vals "
                     "WHERE key=?");
    m_changes = m_db.prepare("SELECT seq, upath, bits FROM changelog WHERE seq>? ORDER BY seq");
    m_lastSeq = m_db.prepare("SELECT coalesce((SELECT seq FROM sqlite_sequence WHERE name='changelog'),0)");
    m_dataVersion = m_db.prepare("PRAGMA data_version");
    m_prune = m_db.prepare("DELETE FROM changelog WHERE t<?");
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
    if (beginWrite() != ERROR_SUCCESS)
        return false;
    ++m_batchDepth; // one transaction for the whole skeleton
    bool ok = true;
    for (const QString& p : paths) {
        QStringList parts = p.split(QLatin1Char('\\'));
        const QString root = parts.takeFirst();
        DWORD deny = 0;
        qint64 rootId = lookupPath(root, &deny);
        if (rootId == 0) {
            m_insertKey.bind(1, kHiveRootParent);
            m_insertKey.bindText(2, root);
            m_insertKey.bindBlob(3, sortKey(root));
            m_insertKey.bindText(4, root);
            m_insertKey.bind(5, qint64(nowFileTime()));
            ok = ok && m_insertKey.step() == SQLITE_DONE;
            m_insertKey.reset();
            rootId = m_db.lastInsertId();
        }
        qint64 id = 0;
        QString up;
        DWORD disp = 0;
        ok = ok && createKey(rootId, root, parts, KEY_ALL_ACCESS, &id, &up, &disp) == ERROR_SUCCESS;
    }
    SqliteStatement user = m_db.prepare("INSERT OR REPLACE INTO meta(k, v) VALUES('user', ?)");
    user.bindText(1, m_userKey);
    ok = ok && user.step() == SQLITE_DONE;
    --m_batchDepth;
    if (!ok) {
        m_db.exec("ROLLBACK");
        m_inTransaction = false;
        return false;
    }
    return commitNow();
}

// --- writing ---

LONG SqliteStore::beginWrite()
{
    if (m_readOnly)
        return ERROR_ACCESS_DENIED;
    if (m_inTransaction)
        return ERROR_SUCCESS;
    endRead(); // a write starts from the newest state, never from an old snapshot
    if (m_db.exec("BEGIN IMMEDIATE") != SQLITE_OK)
        return ERROR_REGISTRY_IO_FAILED;
    m_inTransaction = true;
    m_transactionAge.start();
    return ERROR_SUCCESS;
}

LONG SqliteStore::endWrite(bool ok)
{
    if (!m_inTransaction)
        return ok ? ERROR_SUCCESS : ERROR_REGISTRY_IO_FAILED;
    if (m_batchDepth > 0) {
        if (m_transactionAge.elapsed() >= kBatchCommitMs && !commitNow())
            return ERROR_REGISTRY_IO_FAILED;
        return ok ? ERROR_SUCCESS : ERROR_REGISTRY_IO_FAILED;
    }
    if (!ok) {
        // a single call that failed half-way leaves nothing behind
        m_db.exec("ROLLBACK");
        m_inTransaction = false;
        m_touched.clear();
        m_deleted.clear();
        m_created.clear();
        m_externalEpoch++;
        forgetCaches();
        return ERROR_REGISTRY_IO_FAILED;
    }
    return commitNow() ? ERROR_SUCCESS : ERROR_REGISTRY_IO_FAILED;
}

bool SqliteStore::commitNow()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 ft = qint64(nowFileTime());
    bool ok = true;
    // last-write times and the change log are written once per key and transaction; a key made in
    // this transaction already carries its time
    QString common;
    DWORD commonBits = 0;
    const bool coalesce = m_touched.size() > kMaxLoggedKeys;
    bool first = true;
    for (auto it = m_touched.cbegin(); it != m_touched.cend(); ++it) {
        if (!m_created.contains(it.key())) {
            m_touchKey.bind(1, ft);
            m_touchKey.bind(2, it.key());
            ok = ok && m_touchKey.step() == SQLITE_DONE;
            m_touchKey.reset();
        }
        const QString up = upperPathOf(it.key());
        if (coalesce) {
            // one row for the deepest key above all of them; watchers at or below it take it as theirs
            if (first) {
                common = up;
                first = false;
            } else {
                qsizetype n = 0;
                while (n < common.size() && n < up.size() && common[n] == up[n])
                    ++n;
                if (!(n == common.size() && (n == up.size() || up[n] == QLatin1Char('\\')))) {
                    while (n > 0 && common[n - 1] != QLatin1Char('\\'))
                        --n;
                    common.truncate(n > 0 ? n - 1 : 0);
                }
            }
            commonBits |= it.value();
            continue;
        }
        m_logChange.bindText(1, up);
        m_logChange.bind(2, it.value());
        m_logChange.bind(3, now);
        ok = ok && m_logChange.step() == SQLITE_DONE;
        m_logChange.reset();
    }
    if (coalesce) {
        m_logChange.bindText(1, common);
        m_logChange.bind(2, commonBits | SubtreeChangedBit);
        m_logChange.bind(3, now);
        ok = ok && m_logChange.step() == SQLITE_DONE;
        m_logChange.reset();
    }
    for (auto it = m_deleted.cbegin(); it != m_deleted.cend(); ++it) {
        m_logChange.bindText(1, it.key());
        m_logChange.bind(2, it.value());
        m_logChange.bind(3, now);
        ok = ok && m_logChange.step() == SQLITE_DONE;
        m_logChange.reset();
    }
    if (m_sincePrune.elapsed() > 10000) {
        m_prune.bind(1, now - kChangeLogKeepMs);
        (void)m_prune.step();
        m_prune.reset();
        m_sincePrune.restart();
    }
    m_touched.clear();
    m_deleted.clear();
    m_created.clear();
    const int rc = m_db.exec(ok ? "COMMIT" : "ROLLBACK");
    m_inTransaction = false;
    if (!ok || rc != SQLITE_OK) {
        if (rc != SQLITE_OK)
            m_db.exec("ROLLBACK");
        m_externalEpoch++;
        forgetCaches();
        return false;
    }
    return true;
}

void SqliteStore::touch(qint64 id, DWORD bits)
{
    m_touched[id] |= bits;
}

void SqliteStore::bumpKey(qint64 id)
{
    m_keyGeneration.insert(id, ++m_counter);
}

LONG SqliteStore::beginBatch()
{
    std::lock_guard lock(m_mutex);
    if (m_readOnly)
        return ERROR_ACCESS_DENIED;
    ++m_batchDepth;
    return ERROR_SUCCESS;
}

void SqliteStore::endBatch()
{
    std::lock_guard lock(m_mutex);
    if (m_batchDepth > 0 && --m_batchDepth == 0 && m_inTransaction)
        commitNow();
}

LONG SqliteStore::flush()
{
    std::lock_guard lock(m_mutex);
    if (m_inTransaction && !commitNow())
        return ERROR_REGISTRY_IO_FAILED;
    return ERROR_SUCCESS;
}

// --- lookups ---

void SqliteStore::remember(qint64 id, const QString& upperPath, DWORD deny)
{
    if (m_idOf.size() > kMaxCachedKeys)
        forgetCaches();
    m_idOf.insert(upperPath, CachedKey{id, deny});
    m_pathOf.insert(id, upperPath);
}

void SqliteStore::forgetCaches()
{
    m_idOf.clear();
    m_pathOf.clear();
}

qint64 SqliteStore::lookupPath(const QString& upperPath, DWORD* deny)
{
    const auto cached = m_idOf.constFind(upperPath);
    if (cached != m_idOf.constEnd()) {
        *deny = cached->deny;
        return cached->id;
    }
    m_findPath.bindTextNoCopy(1, upperPath);
    qint64 id = 0;
    if (m_findPath.step() == SQLITE_ROW) {
        id = m_findPath.int64(0);
        *deny = DWORD(m_findPath.int64(1));
    }
    m_findPath.reset();
    if (id)
        remember(id, upperPath, *deny);
    return id;
}

QString SqliteStore::upperPathOf(qint64 id)
{
    const auto cached = m_pathOf.constFind(id);
    if (cached != m_pathOf.constEnd())
        return *cached;
    m_keyRow.bind(1, id);
    QString out;
    if (m_keyRow.step() == SQLITE_ROW)
        out = m_keyRow.text(1);
    m_keyRow.reset();
    return out;
}

bool SqliteStore::accessDenied(REGSAM access, DWORD deny)
{
    const REGSAM readBits = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY;
    const REGSAM writeBits = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE_ACCESS;
    return ((deny & KEY_DENY_READ) && (access & readBits)) || ((deny & KEY_DENY_WRITE) && (access & writeBits));
}

LONG SqliteStore::predefinedKey(HKEY hkey, qint64* id, QString* upperPath)
{
    QString path;
    switch (hkey) {
    case HKEY_LOCAL_MACHINE:
        path = QStringLiteral("HKEY_LOCAL_MACHINE");
        break;
    case HKEY_USERS:
        path = QStringLiteral("HKEY_USERS");
        break;
    case HKEY_CLASSES_ROOT:
        path = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\CLASSES");
        break;
    case HKEY_CURRENT_USER:
        path = QStringLiteral("HKEY_USERS\\") + winUpper(m_userKey);
        break;
    case HKEY_CURRENT_CONFIG:
        path = QStringLiteral("HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\HARDWARE PROFILES\\CURRENT");
        break;
    default:
        return ERROR_INVALID_HANDLE;
    }
    std::lock_guard lock(m_mutex);
    beginRead();
    DWORD deny = 0;
    *id = lookupPath(path, &deny);
    if (*id == 0)
        return ERROR_FILE_NOT_FOUND;
    *upperPath = path;
    return ERROR_SUCCESS;
}

LONG SqliteStore::openKey(qint64 base, const QString& baseUpperPath, const QStringList& path, REGSAM access,
                          qint64* id, QString* upperPath)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    const QString up = joinUpper(baseUpperPath, path);
    DWORD deny = 0;
    qint64 found = path.isEmpty() ? (keyAlive(base) ? base : 0) : lookupPath(up, &deny);
    if (found == 0)
        return path.isEmpty() ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
    if (path.isEmpty())
        keyDeny(base, &deny);
    if (accessDenied(access, deny))
        return ERROR_ACCESS_DENIED;
    *id = found;
    *upperPath = up;
    return ERROR_SUCCESS;
}

LONG SqliteStore::createKey(qint64 base, const QString& baseUpperPath, const QStringList& path, REGSAM access,
                            qint64* id, QString* upperPath, DWORD* disposition)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    DWORD deny = 0;
    const QString fullUp = joinUpper(baseUpperPath, path);
    qint64 found = path.isEmpty() ? base : lookupPath(fullUp, &deny);
    if (found != 0) {
        if (path.isEmpty() && !keyAlive(base))
            return ERROR_KEY_DELETED;
        if (path.isEmpty())
            keyDeny(base, &deny);
        if (accessDenied(access, deny))
            return ERROR_ACCESS_DENIED;
        *id = found;
        *upperPath = fullUp;
        *disposition = REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    }
    LONG rc = beginWrite();
    if (rc != ERROR_SUCCESS)
        return rc;
    qint64 cur = base;
    QString curUp = baseUpperPath;
    DWORD curDeny = 0;
    keyDeny(base, &curDeny);
    bool ok = true;
    rc = ERROR_SUCCESS;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QString& comp = path.at(i);
        const bool leaf = i == path.size() - 1;
        const QString childUp = leaf ? fullUp : curUp + kSep + winUpper(comp);
        DWORD childDeny = 0;
        // the leaf was looked up above and is missing
        qint64 child = leaf ? 0 : lookupPath(childUp, &childDeny);
        if (child == 0) {
            if (curDeny & KEY_DENY_WRITE) {
                rc = ERROR_ACCESS_DENIED;
                break;
            }
            m_insertKey.bind(1, cur);
            m_insertKey.bindText(2, comp);
            m_insertKey.bindBlob(3, sortKey(comp));
            m_insertKey.bindText(4, childUp);
            m_insertKey.bind(5, qint64(nowFileTime()));
            ok = m_insertKey.step() == SQLITE_DONE;
            m_insertKey.reset();
            if (!ok) {
                rc = ERROR_REGISTRY_IO_FAILED;
                break;
            }
            child = m_db.lastInsertId();
            m_created.insert(child);
            remember(child, childUp, 0);
            touch(cur, REG_NOTIFY_CHANGE_NAME);
            bumpKey(cur);
        }
        cur = child;
        curUp = childUp;
        curDeny = childDeny;
    }
    const LONG end = endWrite(ok);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (end != ERROR_SUCCESS)
        return end;
    *id = cur;
    *upperPath = curUp;
    *disposition = REG_CREATED_NEW_KEY;
    return ERROR_SUCCESS;
}

bool SqliteStore::keyAlive(qint64 id)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    m_keyExists.bind(1, id);
    const bool alive = m_keyExists.step() == SQLITE_ROW;
    m_keyExists.reset();
    return alive;
}

LONG SqliteStore::subKeys(qint64 id, QStringList* names, QVector<quint64>* lastWrite)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    names->clear();
    if (lastWrite)
        lastWrite->clear();
    m_childNames.bind(1, id);
    int rc;
    while ((rc = m_childNames.step()) == SQLITE_ROW) {
        names->append(m_childNames.text(0));
        if (lastWrite)
            lastWrite->append(quint64(m_childNames.int64(1)));
    }
    m_childNames.reset();
    return rc == SQLITE_DONE ? ERROR_SUCCESS : ERROR_REGISTRY_IO_FAILED;
}

LONG SqliteStore::values(qint64 id, QVector<BackendValue>* values)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    values->clear();
    m_valueList.bind(1, id);
    int rc;
    while ((rc = m_valueList.step()) == SQLITE_ROW)
        values->append(BackendValue{m_valueList.text(0), DWORD(m_valueList.int64(1)), m_valueList.blob(2)});
    m_valueList.reset();
    return rc == SQLITE_DONE ? ERROR_SUCCESS : ERROR_REGISTRY_IO_FAILED;
}

LONG SqliteStore::queryValue(qint64 id, const QString& name, DWORD* type, QByteArray* data)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    const QString upperName = winUpper(name);
    m_valueGet.bind(1, id);
    m_valueGet.bindTextNoCopy(2, upperName);
    LONG result = ERROR_FILE_NOT_FOUND;
    if (m_valueGet.step() == SQLITE_ROW) {
        if (type)
            *type = DWORD(m_valueGet.int64(0));
        if (data)
            *data = m_valueGet.blob(1);
        result = ERROR_SUCCESS;
    }
    m_valueGet.reset();
    return result;
}

LONG SqliteStore::setValue(qint64 id, const QString& name, DWORD type, QByteArrayView data)
{
    std::lock_guard lock(m_mutex);
    LONG rc = beginWrite();
    if (rc != ERROR_SUCCESS)
        return rc;
    const QString upperName = winUpper(name);
    m_valueSet.bind(1, id);
    m_valueSet.bindTextNoCopy(2, upperName);
    m_valueSet.bindTextNoCopy(3, name);
    m_valueSet.bind(4, qint64(type));
    m_valueSet.bindBlobNoCopy(5, data);
    const bool ok = m_valueSet.step() == SQLITE_DONE;
    m_valueSet.reset();
    if (ok) {
        touch(id, REG_NOTIFY_CHANGE_LAST_SET);
        bumpKey(id);
    }
    return endWrite(ok);
}

LONG SqliteStore::deleteValue(qint64 id, const QString& name)
{
    std::lock_guard lock(m_mutex);
    LONG rc = beginWrite();
    if (rc != ERROR_SUCCESS)
        return rc;
    m_valueDel.bind(1, id);
    m_valueDel.bindText(2, winUpper(name));
    const bool ok = m_valueDel.step() == SQLITE_DONE;
    m_valueDel.reset();
    const bool removed = ok && sqlite3_changes(m_db.handle()) > 0;
    if (removed) {
        touch(id, REG_NOTIFY_CHANGE_LAST_SET);
        bumpKey(id);
    }
    rc = endWrite(ok);
    if (rc != ERROR_SUCCESS)
        return rc;
    return removed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG SqliteStore::deleteKey(qint64 id)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    m_keyRow.bind(1, id);
    if (m_keyRow.step() != SQLITE_ROW) {
        m_keyRow.reset();
        return ERROR_KEY_DELETED;
    }
    const qint64 parent = m_keyRow.int64(0);
    const QString up = m_keyRow.text(1);
    const DWORD deny = DWORD(m_keyRow.int64(2));
    m_keyRow.reset();
    if (parent == kHiveRootParent || (deny & KEY_DENY_WRITE))
        return ERROR_ACCESS_DENIED;
    m_hasChild.bind(1, id);
    const bool hasChild = m_hasChild.step() == SQLITE_ROW;
    m_hasChild.reset();
    if (hasChild)
        return ERROR_ACCESS_DENIED; // Windows deletes only keys without subkeys
    LONG rc = beginWrite();
    if (rc != ERROR_SUCCESS)
        return rc;
    m_deleteKeyValues.bind(1, id);
    bool ok = m_deleteKeyValues.step() == SQLITE_DONE;
    m_deleteKeyValues.reset();
    m_deleteKey.bind(1, id);
    ok = ok && m_deleteKey.step() == SQLITE_DONE;
    m_deleteKey.reset();
    if (ok) {
        m_touched.remove(id);
        m_created.remove(id);
        m_idOf.remove(up);
        m_pathOf.remove(id);
        m_deleted[up] |= KeyDeletedBit;
        touch(parent, REG_NOTIFY_CHANGE_NAME);
        bumpKey(parent);
        bumpKey(id);
        ++m_deletions;
    }
    return endWrite(ok);
}

LONG SqliteStore::keyInfo(qint64 id, BackendKeyInfo* info)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    m_keyRow.bind(1, id);
    if (m_keyRow.step() != SQLITE_ROW) {
        m_keyRow.reset();
        return ERROR_KEY_DELETED;
    }
    info->lastWrite = quint64(m_keyRow.int64(3));
    m_keyRow.reset();
    m_keyCounts.bind(1, id);
    if (m_keyCounts.step() == SQLITE_ROW) {
        info->subKeys = DWORD(m_keyCounts.int64(0));
        info->maxSubKeyLen = DWORD(m_keyCounts.int64(1));
    }
    m_keyCounts.reset();
    m_valueCounts.bind(1, id);
    if (m_valueCounts.step() == SQLITE_ROW) {
        info->values = DWORD(m_valueCounts.int64(0));
        info->maxValueNameLen = DWORD(m_valueCounts.int64(1));
        info->maxValueLen = DWORD(m_valueCounts.int64(2));
    }
    m_valueCounts.reset();
    return ERROR_SUCCESS;
}

LONG SqliteStore::keyDeny(qint64 id, DWORD* flags)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    m_keyRow.bind(1, id);
    LONG rc = ERROR_KEY_DELETED;
    if (m_keyRow.step() == SQLITE_ROW) {
        *flags = DWORD(m_keyRow.int64(2));
        rc = ERROR_SUCCESS;
    }
    m_keyRow.reset();
    return rc;
}

LONG SqliteStore::setKeyDeny(qint64 id, DWORD flags)
{
    std::lock_guard lock(m_mutex);
    LONG rc = beginWrite();
    if (rc != ERROR_SUCCESS)
        return rc;
    m_setDeny.bind(1, qint64(flags & (KEY_DENY_READ | KEY_DENY_WRITE)));
    m_setDeny.bind(2, id);
    const bool ok = m_setDeny.step() == SQLITE_DONE;
    m_setDeny.reset();
    if (ok) {
        m_idOf.remove(upperPathOf(id));
        touch(id, REG_NOTIFY_CHANGE_SECURITY);
        bumpKey(id);
    }
    return endWrite(ok);
}

// --- change tracking ---

quint64 SqliteStore::generation(qint64 id)
{
    std::lock_guard lock(m_mutex);
    beginRead();
    return (m_externalEpoch << 40) ^ m_keyGeneration.value(id, 0);
}

quint64 SqliteStore::deletionGeneration()
{
    std::lock_guard lock(m_mutex);
    beginRead();
    return (m_externalEpoch << 40) ^ m_deletions;
}

qint64 SqliteStore::lastChange()
{
    std::lock_guard lock(m_mutex);
    beginRead();
    qint64 seq = 0;
    if (m_lastSeq.step() == SQLITE_ROW)
        seq = m_lastSeq.int64(0);
    m_lastSeq.reset();
    return seq;
}

void SqliteStore::changesSince(qint64 seq, const std::function<void(const BackendChange&)>& sink)
{
    QVector<BackendChange> found;
    {
        std::lock_guard lock(m_mutex);
        beginRead();
        m_changes.bind(1, seq);
        while (m_changes.step() == SQLITE_ROW)
            found.append(BackendChange{m_changes.int64(0), m_changes.text(1), DWORD(m_changes.int64(2))});
        m_changes.reset();
    }
    for (const BackendChange& c : found)
        sink(c);
}
