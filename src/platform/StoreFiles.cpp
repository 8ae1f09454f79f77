#include "platform/StoreFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <mutex>

#include <sys/stat.h>

namespace {

std::mutex g_mutex;
QStringList g_stores; // absolute paths of main files

const char* const g_suffixes[] = {"", "-wal", "-shm", "-journal"};

// Absolute, with the folder's links resolved, without touching the file itself.
QString absoluteName(const QString& path)
{
    const QFileInfo info(path);
    const QString dir = QFileInfo(info.absolutePath()).canonicalFilePath();
    return QDir(dir.isEmpty() ? info.absolutePath() : dir).filePath(info.fileName());
}

bool sameFile(const QString& a, const struct stat& sb)
{
    struct stat sa {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace

namespace StoreFiles {

void registerStore(const QString& path)
{
    const QString name = absoluteName(path);
    std::lock_guard lock(g_mutex);
    if (!g_stores.contains(name))
        g_stores.append(name);
}

bool isStoreFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    struct stat target {};
    const bool exists = ::stat(QFile::encodeName(path).constData(), &target) == 0;
    const QString name = absoluteName(path);
    std::lock_guard lock(g_mutex);
    for (const QString& store : std::as_const(g_stores)) {
        for (const char* suffix : g_suffixes) {
            const QString file = store + QLatin1String(suffix);
            if (exists ? sameFile(file, target) : file == name)
                return true;
        }
    }
    return false;
}

} // namespace StoreFiles
