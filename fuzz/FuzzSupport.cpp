#include "FuzzSupport.h"

#include "platform/WinReg.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <memory>

#include <sys/mman.h>
#include <unistd.h>

namespace Fuzz {

QByteArray bytes(const uint8_t* data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

QByteArray copy(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

void initApplication(bool gui)
{
    static int argc = 1;
    static char name[] = "kaven-fuzz";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance())
        return;
    if (gui) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QGuiApplication app(argc, argv);
    } else {
        static QCoreApplication app(argc, argv);
    }
}

void openFreshStore()
{
    static std::unique_ptr<QTemporaryDir> dir;
    RegShutdown();
    dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid())
        qFatal("no temporary directory for the store");
    QDir(dir->path()).mkpath(QStringLiteral("data"));
    const QString store = dir->filePath(QStringLiteral("registry.db"));
    qputenv("KAVEN_REGISTRY", store.toUtf8());
    qputenv("XDG_DATA_HOME", dir->path().toUtf8());
    if (RegOpenLocalStore(store) != ERROR_SUCCESS)
        qFatal("the store does not open");
}

MemoryFile::MemoryFile(const QByteArray& contents) : m_fd(memfd_create("kaven-fuzz", MFD_CLOEXEC))
{
    if (m_fd < 0)
        qFatal("memfd_create failed");
    qsizetype done = 0;
    while (done < contents.size()) {
        const ssize_t n = ::write(m_fd, contents.constData() + done, size_t(contents.size() - done));
        if (n <= 0)
            qFatal("writing the memory file failed");
        done += n;
    }
}

MemoryFile::~MemoryFile()
{
    ::close(m_fd);
}

QString MemoryFile::path() const
{
    return QStringLiteral("/proc/self/fd/%1").arg(m_fd);
}

} // namespace Fuzz
