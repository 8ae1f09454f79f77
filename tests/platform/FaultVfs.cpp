#include "FaultVfs.h"

#include <sqlite3.h>

#include <atomic>

namespace {

struct File {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_vfs* g_unix = nullptr;
sqlite3_vfs g_vfs;
sqlite3_io_methods g_io;
std::atomic<int> g_count{0};
std::atomic<int> g_failAt{0};
std::atomic<bool> g_fired{false};

sqlite3_file* real(sqlite3_file* f)
{
    return reinterpret_cast<File*>(f)->real;
}

// True when this operation is the one to fail.
bool strike()
{
    const int n = ++g_count;
    if (g_failAt > 0 && n == g_failAt) {
        g_fired = true;
        return true;
    }
    return false;
}

int xWrite(sqlite3_file* f, const void* p, int n, sqlite3_int64 off)
{
    if (strike())
        return g_count % 2 ? SQLITE_FULL : SQLITE_IOERR_WRITE;
    return real(f)->pMethods->xWrite(real(f), p, n, off);
}

int xSync(sqlite3_file* f, int flags)
{
    return strike() ? SQLITE_IOERR_FSYNC : real(f)->pMethods->xSync(real(f), flags);
}

int xLock(sqlite3_file* f, int level)
{
    if (level > SQLITE_LOCK_SHARED && strike())
        return SQLITE_BUSY;
    return real(f)->pMethods->xLock(real(f), level);
}

int xShmLock(sqlite3_file* f, int offset, int n, int flags)
{
    if ((flags & SQLITE_SHM_LOCK) && (flags & SQLITE_SHM_EXCLUSIVE) && strike())
        return SQLITE_BUSY;
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}

int xClose(sqlite3_file* f)
{
    return real(f)->pMethods->xClose(real(f));
}

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags)
{
    File* file = reinterpret_cast<File*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    const int rc = g_unix->xOpen(g_unix, name, file->real, flags, outFlags);
    file->base.pMethods = rc == SQLITE_OK && file->real->pMethods ? &g_io : nullptr;
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
    g_vfs.szOsFile = int(sizeof(File)) + g_unix->szOsFile;
    g_vfs.xOpen = xOpen;
    g_vfs.pNext = nullptr;
    // forward everything else through the real file's methods
    g_io.iVersion = 3;
    g_io.xClose = xClose;
    g_io.xRead = [](sqlite3_file* f, void* p, int n, sqlite3_int64 o) { return real(f)->pMethods->xRead(real(f), p, n, o); };
    g_io.xWrite = xWrite;
    g_io.xTruncate = [](sqlite3_file* f, sqlite3_int64 s) { return real(f)->pMethods->xTruncate(real(f), s); };
    g_io.xSync = xSync;
    g_io.xFileSize = [](sqlite3_file* f, sqlite3_int64* s) { return real(f)->pMethods->xFileSize(real(f), s); };
    g_io.xLock = xLock;
    g_io.xUnlock = [](sqlite3_file* f, int l) { return real(f)->pMethods->xUnlock(real(f), l); };
    g_io.xCheckReservedLock = [](sqlite3_file* f, int* r) {
        return real(f)->pMethods->xCheckReservedLock(real(f), r);
    };
    g_io.xFileControl = [](sqlite3_file* f, int op, void* a) { return real(f)->pMethods->xFileControl(real(f), op, a); };
    g_io.xSectorSize = [](sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); };
    g_io.xDeviceCharacteristics = [](sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); };
    g_io.xShmMap = [](sqlite3_file* f, int pg, int sz, int ext, void volatile** p) {
        return real(f)->pMethods->xShmMap(real(f), pg, sz, ext, p);
    };
    g_io.xShmLock = xShmLock;
    g_io.xShmBarrier = [](sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); };
    g_io.xShmUnmap = [](sqlite3_file* f, int del) { return real(f)->pMethods->xShmUnmap(real(f), del); };
    g_io.xFetch = [](sqlite3_file* f, sqlite3_int64 o, int n, void** p) {
        return real(f)->pMethods->xFetch(real(f), o, n, p);
    };
    g_io.xUnfetch = [](sqlite3_file* f, sqlite3_int64 o, void* p) { return real(f)->pMethods->xUnfetch(real(f), o, p); };
    sqlite3_vfs_register(&g_vfs, 1);
}

void arm(int failAt)
{
    g_fired = false;
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

bool fired()
{
    return g_fired;
}

} // namespace FaultVfs
