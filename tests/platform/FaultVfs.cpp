#include "FaultVfs.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace {

// The files are the unix file system's own; only their method table is ours: one of the unix tables
// (the database's, the journals') with four methods in front.
struct Methods {
    sqlite3_io_methods ours;
    const sqlite3_io_methods* real;
};

sqlite3_vfs* g_unix = nullptr;
sqlite3_vfs g_vfs;
Methods g_tables[4];
std::size_t g_tableCount = 0;
std::mutex g_tablesMutex;
std::atomic<int> g_count{0};
std::atomic<int> g_failAt{0};

const sqlite3_io_methods* real(sqlite3_file* f)
{
    return reinterpret_cast<const Methods*>(f->pMethods)->real;
}

// True when this operation is the one to fail.
bool strike()
{
    const int n = ++g_count;
    return g_failAt > 0 && n == g_failAt;
}

int xWrite(sqlite3_file* f, const void* p, int n, sqlite3_int64 off)
{
    if (strike())
        return g_count % 2 ? SQLITE_FULL : SQLITE_IOERR_WRITE;
    return real(f)->xWrite(f, p, n, off);
}

int xSync(sqlite3_file* f, int flags)
{
    return strike() ? SQLITE_IOERR_FSYNC : real(f)->xSync(f, flags);
}

int xLock(sqlite3_file* f, int level)
{
    if (level > SQLITE_LOCK_SHARED && strike())
        return SQLITE_BUSY;
    return real(f)->xLock(f, level);
}

int xShmLock(sqlite3_file* f, int offset, int n, int flags)
{
    if ((flags & SQLITE_SHM_LOCK) && (flags & SQLITE_SHM_EXCLUSIVE) && strike())
        return SQLITE_BUSY;
    return real(f)->xShmLock(f, offset, n, flags);
}

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags)
{
    const int rc = g_unix->xOpen(g_unix, name, f, flags, outFlags);
    if (rc != SQLITE_OK || !f->pMethods)
        return rc;
    std::lock_guard lock(g_tablesMutex);
    Methods* const end = g_tables + g_tableCount;
    Methods* m = std::find_if(g_tables, end, [f](const Methods& t) { return t.real == f->pMethods; });
    if (m == end) {
        if (g_tableCount == std::size(g_tables))
            return rc;
        *m = {*f->pMethods, f->pMethods};
        m->ours.xWrite = xWrite;
        m->ours.xSync = xSync;
        m->ours.xLock = xLock;
        m->ours.xShmLock = xShmLock;
        ++g_tableCount;
    }
    f->pMethods = &m->ours;
    return rc;
}

} // namespace

namespace FaultVfs {

void install()
{
    if (g_unix)
        return;
    g_unix = sqlite3_vfs_find(nullptr);
    g_vfs = *g_unix;
    g_vfs.zName = "fault";
    g_vfs.xOpen = xOpen;
    g_vfs.pNext = nullptr;
    sqlite3_vfs_register(&g_vfs, 1);
}

void arm(int failAt)
{
    g_count = 0;
    g_failAt = failAt;
}

void disarm()
{
    g_failAt = 0;
}

int count()
{
    return g_count;
}

} // namespace FaultVfs
