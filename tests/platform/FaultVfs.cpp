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

sqlite3_file* real(sqlite3_file* f)
{
    return reinterpret_cast<File*>(f)->real;
}

template <auto Method, class... Args>
auto forward(sqlite3_file* f, Args... args)
{
    return (real(f)->pMethods->*Method)(real(f), args...);
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
    // everything else goes straight to the real file
    g_io.iVersion = 3;
    g_io.xClose = forward<&sqlite3_io_methods::xClose>;
    g_io.xRead = forward<&sqlite3_io_methods::xRead, void*, int, sqlite3_int64>;
    g_io.xWrite = xWrite;
    g_io.xTruncate = forward<&sqlite3_io_methods::xTruncate, sqlite3_int64>;
    g_io.xSync = xSync;
    g_io.xFileSize = forward<&sqlite3_io_methods::xFileSize, sqlite3_int64*>;
    g_io.xLock = xLock;
    g_io.xUnlock = forward<&sqlite3_io_methods::xUnlock, int>;
    g_io.xCheckReservedLock = forward<&sqlite3_io_methods::xCheckReservedLock, int*>;
    g_io.xFileControl = forward<&sqlite3_io_methods::xFileControl, int, void*>;
    g_io.xSectorSize = forward<&sqlite3_io_methods::xSectorSize>;
    g_io.xDeviceCharacteristics = forward<&sqlite3_io_methods::xDeviceCharacteristics>;
    g_io.xShmMap = forward<&sqlite3_io_methods::xShmMap, int, int, int, void volatile**>;
    g_io.xShmLock = xShmLock;
    g_io.xShmBarrier = forward<&sqlite3_io_methods::xShmBarrier>;
    g_io.xShmUnmap = forward<&sqlite3_io_methods::xShmUnmap, int>;
    g_io.xFetch = forward<&sqlite3_io_methods::xFetch, sqlite3_int64, int, void**>;
    g_io.xUnfetch = forward<&sqlite3_io_methods::xUnfetch, sqlite3_int64, void*>;
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
