#include "platform/StoreChangeLog.h"

#include <QDateTime>
#include <sqlite3.h>

namespace {

// Past this many changed keys in one transaction the change log gets one row for their common key.
constexpr qsizetype kMaxLoggedKeys = 256;
// Changes are kept long enough for every process's notifier (which polls every 100 ms) to see them.
constexpr qint64 kKeepMs = 120000;
constexpr qint64 kPruneEveryMs = 10000;

quint64 nowFileTime()
{
    return quint64(QDateTime::currentMSecsSinceEpoch() + 11644473600000LL) * 10000ULL;
}

// The deepest key at or above both paths (empty when they share no root).
QString commonKey(const QString& a, const QString& b)
{
    qsizetype n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n])
        ++n;
    if (n == a.size() && (n == b.size() || b[n] == QLatin1Char('\\')))
        return a;
    if (n == b.size() && a[n] == QLatin1Char('\\'))
        return b;
    while (n > 0 && a[n - 1] != QLatin1Char('\\'))
        --n;
    return a.left(n > 0 ? n - 1 : 0);
}

bool isBelow(const QString& path, const QString& key)
{
    return path.size() > key.size() && path.startsWith(key) && path[key.size()] == QLatin1Char('\\');
}

} // namespace

void StoreChangeLog::prepare(const SqliteDb& db)
{
    m_touchKey = db.prepare("UPDATE keys SET mtime=? WHERE id=?");
    m_logChange = db.prepare("INSERT INTO changelog(upath, bits, t) VALUES(?,?,?)");
    m_changes = db.prepare("SELECT seq, upath, bits FROM changelog WHERE seq>? ORDER BY seq");
    m_lastSeq = db.prepare("SELECT coalesce((SELECT seq FROM sqlite_sequence WHERE name='changelog'),0)");
    m_prune = db.prepare("DELETE FROM changelog WHERE t<?");
    m_sincePrune.start();
}

void StoreChangeLog::record(KeyId id, const QString& deletedPath)
{
    if (!m_inCall)
        return;
    Undo u;
    u.id = id;
    u.deletedPath = deletedPath;
    const auto t = m_touched.constFind(id);
    u.hadTouch = t != m_touched.constEnd();
    u.touchBits = u.hadTouch ? *t : 0;
    u.wasCreated = m_created.contains(id);
    if (!deletedPath.isEmpty()) {
        const auto d = m_deleted.constFind(deletedPath);
        u.hadDeleted = d != m_deleted.constEnd();
        u.deletedBits = u.hadDeleted ? *d : 0;
    }
    m_undo.append(u);
}

void StoreChangeLog::touch(KeyId id, DWORD bits)
{
    // a batch sets many values of one key in a row: the same mark again changes nothing
    if (!m_inCall && id == m_lastTouched && (m_lastBits & bits) == bits)
        return;
    record(id, {});
    DWORD& marked = m_touched[id];
    marked |= bits;
    m_lastTouched = id;
    m_lastBits = marked;
}

void StoreChangeLog::created(KeyId id, KeyId parent)
{
    record(id, {});
    m_created.insert(id);
    if (parent == 0)
        m_createdRoots.insert(id);
}

void StoreChangeLog::deleted(KeyId id, const QString& upperPath)
{
    record(id, upperPath);
    m_lastTouched = 0;
    m_touched.remove(id);
    m_created.remove(id);
    m_deleted[upperPath] |= KeyDeletedBit;
}

void StoreChangeLog::beginCall()
{
    if (!m_inCall)
        m_undo.clear();
    m_inCall = true;
}

bool StoreChangeLog::endCall(bool keep)
{
    m_inCall = false;
    const bool marked = !m_undo.isEmpty();
    if (keep) {
        m_undo.clear();
        return marked;
    }
    m_lastTouched = 0;
    for (auto u = m_undo.crbegin(); u != m_undo.crend(); ++u) {
        if (u->hadTouch)
            m_touched.insert(u->id, u->touchBits);
        else
            m_touched.remove(u->id);
        if (u->wasCreated)
            m_created.insert(u->id);
        else
            m_created.remove(u->id);
        if (!u->deletedPath.isEmpty()) {
            if (u->hadDeleted)
                m_deleted.insert(u->deletedPath, u->deletedBits);
            else
                m_deleted.remove(u->deletedPath);
        }
    }
    m_undo.clear();
    return marked;
}

void StoreChangeLog::clear()
{
    m_lastTouched = 0;
    m_touched.clear();
    m_deleted.clear();
    m_created.clear();
    m_createdRoots.clear();
    m_undo.clear();
    m_inCall = false;
}

int StoreChangeLog::insert(const QString& upperPath, DWORD bits, qint64 nowMs)
{
    m_logChange.bindText(1, upperPath);
    m_logChange.bind(2, bits);
    m_logChange.bind(3, nowMs);
    const int rc = m_logChange.step();
    m_logChange.reset();
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int StoreChangeLog::write(const std::function<QString(KeyId)>& pathOf)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 ft = qint64(nowFileTime());
    int rc = SQLITE_OK;
    const bool coalesce = m_touched.size() > kMaxLoggedKeys;
    QString common;
    DWORD commonBits = 0;
    bool first = true;
    for (auto it = m_touched.cbegin(); it != m_touched.cend() && rc == SQLITE_OK; ++it) {
        const bool made = m_created.contains(it.key());
        // a key made below another lies below its parent, which the making marked: only its bits count
        if (coalesce && made && !m_createdRoots.contains(it.key())) {
            commonBits |= it.value();
            continue;
        }
        if (!made) {
            m_touchKey.bind(1, ft);
            m_touchKey.bind(2, it.key());
            const int step = m_touchKey.step();
            m_touchKey.reset();
            if (step != SQLITE_DONE)
                rc = step;
        }
        const QString up = pathOf(it.key());
        if (up.isEmpty() || rc != SQLITE_OK)
            continue;
        if (!coalesce) {
            rc = insert(up, it.value(), now);
            continue;
        }
        // one row for the deepest key above all of them; watchers at or below it take it as theirs
        common = first ? up : commonKey(common, up);
        first = false;
        commonBits |= it.value();
    }
    if (rc == SQLITE_OK && coalesce && !first)
        rc = insert(common, commonBits | SubtreeChangedBit, now);
    for (auto it = m_deleted.cbegin(); it != m_deleted.cend() && rc == SQLITE_OK; ++it)
        rc = insert(it.key(), it.value(), now);
    if (rc == SQLITE_OK && m_sincePrune.elapsed() > kPruneEveryMs) {
        m_prune.bind(1, now - kKeepMs);
        const int step = m_prune.step();
        m_prune.reset();
        rc = step == SQLITE_DONE ? SQLITE_OK : step;
        m_sincePrune.restart();
    }
    return rc;
}

ChangeCursor StoreChangeLog::last()
{
    ChangeCursor c;
    if (m_lastSeq.step() == SQLITE_ROW)
        c.position = m_lastSeq.int64(0);
    m_lastSeq.reset();
    return c;
}

QVector<BackendChange> StoreChangeLog::since(ChangeCursor from)
{
    QVector<BackendChange> out;
    m_changes.bind(1, from.position);
    while (m_changes.step() == SQLITE_ROW)
        out.append(BackendChange{ChangeCursor{m_changes.int64(0)}, m_changes.text(1), DWORD(m_changes.int64(2))});
    m_changes.reset();
    return out;
}

bool StoreChangeLog::concerns(const BackendChange& c, const WatchedKey& key)
{
    const bool onKey = c.where == key.where;
    if (onKey && (c.bits & KeyDeletedBit))
        return true;
    const bool below = key.subtree && isBelow(c.where, key.where);
    // a row for many keys at once concerns every key at or below its path
    const bool within = (c.bits & SubtreeChangedBit) && (c.where.isEmpty() || isBelow(key.where, c.where));
    return (onKey || below || within) && (c.bits & key.filter);
}
