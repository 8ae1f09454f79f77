#include "platform/wine/WinePrefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whether another process holds a lock on the file. Nothing of this process locks it, so opening and
// closing it here drops no lock.
bool lockHeld(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const bool held = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

void addPrefixes(const QString& pattern, QStringList* found)
{
    // pattern: a folder, or a folder and "*" standing for each of its subfolders, and what follows.
    const qsizetype star = pattern.indexOf(QLatin1String("/*"));
    if (star < 0) {
        if (WinePrefix::isPrefix(pattern))
            found->append(QDir::cleanPath(pattern));
        return;
    }
    const QDir base(pattern.left(star));
    const QString rest = pattern.mid(star + 2);
    for (const QString& sub : base.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
        addPrefixes(base.filePath(sub) + rest, found);
}

} // namespace

namespace WinePrefix {

bool isPrefix(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo(QDir(folder).filePath(QStringLiteral("system.reg"))).isFile();
}

QStringList serverFolders(const QString& prefix)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(prefix).constData(), &st) != 0)
        return {};
    const QString name =
        QStringLiteral("server-%1-%2").arg(qulonglong(st.st_dev), 0, 16).arg(qulonglong(st.st_ino), 0, 16);
    QStringList roots{QStringLiteral("/tmp/.wine-%1").arg(::getuid()),
                      QDir(prefix).filePath(QStringLiteral(".wineserver"))};
    // Debian's builds make the folder with mkdtemp and name it in the prefix's file "wineserver".
    QFile named(QDir(prefix).filePath(QStringLiteral("wineserver")));
    if (named.open(QIODevice::ReadOnly)) {
        const QString dir = QString::fromLocal8Bit(named.read(4096)).trimmed();
        if (!dir.isEmpty() && !dir.contains(QLatin1Char('\n'))) {
            if (QDir::isAbsolutePath(dir))
                roots << dir;
            else
                roots << QStringLiteral("/tmp/") + dir;
            const QString tmp = QString::fromLocal8Bit(qgetenv("TMPDIR"));
            if (!tmp.isEmpty() && !QDir::isAbsolutePath(dir))
                roots << QDir(tmp).filePath(dir);
        }
    }
    QStringList folders;
    for (const QString& root : std::as_const(roots))
        folders << QDir(root).filePath(name);
    folders.removeDuplicates();
    return folders;
}

bool serverRunning(const QString& prefix)
{
    const QStringList folders = serverFolders(prefix);
    return std::any_of(folders.begin(), folders.end(),
                       [](const QString& f) { return lockHeld(QDir(f).filePath(QStringLiteral("lock"))); });
}

bool endServer(const QString& prefix, QString* error)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), prefix);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("wineserver"), {QStringLiteral("-k")});
    if (!process.waitForStarted(10000)) {
        *error = QStringLiteral("wineserver konnte nicht gestartet werden: %1").arg(process.errorString());
        return false;
    }
    process.waitForFinished(30000);
    // -k ends the server; its lock goes when the process is gone.
    for (int i = 0; i < 100 && serverRunning(prefix); ++i)
        QThread::msleep(50);
    if (serverRunning(prefix)) {
        *error = QStringLiteral("Wine läuft für diesen Präfix noch.");
        return false;
    }
    return true;
}

QStringList discover(const QString& home)
{
    const QDir h(home);
    const QStringList patterns{
        h.filePath(QStringLiteral(".wine")),
        h.filePath(QStringLiteral(".local/share/Steam/steamapps/compatdata/*/pfx")),
        h.filePath(QStringLiteral(".steam/steam/steamapps/compatdata/*/pfx")),
        h.filePath(QStringLiteral("Games/*")),
        h.filePath(QStringLiteral("Games/*/prefix")),
        h.filePath(QStringLiteral(".local/share/lutris/prefixes/*")),
        h.filePath(QStringLiteral(".local/share/bottles/bottles/*")),
        h.filePath(QStringLiteral(".var/app/com.usebottles.bottles/data/bottles/bottles/*")),
    };
    QStringList found;
    for (const QString& pattern : patterns)
        addPrefixes(pattern, &found);
    // One prefix reached by two paths (~/.steam/steam is a link to ~/.local/share/Steam) is listed once.
    QStringList unique;
    QStringList canonical;
    for (const QString& f : std::as_const(found)) {
        const QString c = QFileInfo(f).canonicalFilePath();
        if (!canonical.contains(c)) {
            canonical << c;
            unique << f;
        }
    }
    unique.sort();
    return unique;
}

QHash<QChar, QString> drives(const QString& prefix)
{
    QHash<QChar, QString> map;
    const QDir devices(QDir(prefix).filePath(QStringLiteral("dosdevices")));
    for (const QFileInfo& entry : devices.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
        const QString name = entry.fileName();
        if (name.size() != 2 || name[1] != QLatin1Char(':') || !name[0].isLetter())
            continue;
        const QString target = entry.canonicalFilePath();
        if (!target.isEmpty() && QFileInfo(target).isDir())
            map.insert(name[0].toUpper(), target);
    }
    return map;
}

QString displayName(const QString& prefix)
{
    const QString clean = QDir::cleanPath(prefix);
    // Steam names its prefixes compatdata/<game id>/pfx: the game's id says more than "pfx".
    const QStringList parts = clean.split(QLatin1Char('/'));
    if (parts.size() > 2 && parts.last() == QLatin1String("pfx")
        && parts.at(parts.size() - 3) == QLatin1String("compatdata"))
        return QStringLiteral("Wine-Präfix (Steam %1): %2").arg(parts.at(parts.size() - 2), clean);
    return QStringLiteral("Wine-Präfix: ") + clean;
}

} // namespace WinePrefix
