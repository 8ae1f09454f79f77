// A prefix made by Wine itself (wineboot, once per run): its files come back byte for byte, untouched
// and fully re-rendered; edits made here are what Wine's own "reg export" reads back; only the touched
// keys change, with the first write's FILE.bak; a running wineserver, real or held lock, makes the
// prefix read-only with Wine's message; kaven-reg --wine reads and writes it.

#include "platform/StoreProbe.h"
#include "platform/WinReg.h"
#include "platform/wine/WineRegistry.h"
#include "platform/wine/WineRegFile.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString ReadOnly =
    u"Fehler: Die Registrierung des Präfixes ist nur zum Lesen geöffnet (--write erlaubt Änderungen).\n"_s;
const QString WineRuns =
    u"Fehler: Wine läuft für diesen Präfix; Änderungen sind erst nach dem Beenden von Wine möglich.\n"_s;

// Runs a program of Wine's for the prefix; its exit code.
int runWine(const QString& prefix, const QString& program, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"WINEPREFIX"_s, prefix);
    env.insert(u"WINEDEBUG"_s, u"-all"_s);
    env.insert(u"LC_ALL"_s, u"C.UTF-8"_s); // arguments reach Wine as UTF-8
    env.remove(u"DISPLAY"_s);
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(300000);
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// The key sections of a file by their "[path]" line without its time.
QMap<QByteArray, QByteArray> sections(const QByteArray& file)
{
    QMap<QByteArray, QByteArray> map;
    for (qsizetype at = file.indexOf("\n["); at >= 0;) {
        const qsizetype next = file.indexOf("\n[", at + 2);
        const QByteArray part = file.mid(at + 2, next < 0 ? -1 : next - at - 2);
        map[part.left(part.indexOf("] "))] += part;
        at = next;
    }
    return map;
}

// The keys of a version 5 file with their values (each with its continuation lines, sorted: the order
// of values is the exporter's), keys the wineserver keeps only in memory left out.
QMap<QString, QStringList> exportedKeys(const QString& path)
{
    const QByteArray utf16 = readFile(path);
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(utf16.constData()), utf16.size() / 2);
    QMap<QString, QStringList> keys;
    QString current;
    for (const QString& line : text.split(u"\r\n"_s, Qt::SkipEmptyParts)) {
        if (line.startsWith(u'['))
            current = line.contains(QLatin1String("\\NetworkCards")) ? QString() : line;
        else if (!current.isEmpty() && line.startsWith(u' '))
            keys[current].last() += line;
        else if (!current.isEmpty())
            keys[current] << line;
    }
    for (QStringList& values : keys)
        values.sort();
    return keys;
}

// A child process holding the lock of a wineserver's folder, as a running server does; its pid, or -1.
pid_t holdLock(const QString& lockFile)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(QFile::encodeName(lockFile).constData(), O_RDWR | O_CREAT, 0600);
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        const char ok = fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0 ? '1' : '0';
        (void)!::write(ready[1], &ok, 1);
        for (;;)
            ::pause();
    }
    char ok = 0;
    (void)!::read(ready[0], &ok, 1);
    ::close(ready[0]);
    ::close(ready[1]);
    return ok == '1' ? child : -1;
}

} // namespace

class TestWinePrefix final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable(u"wineboot"_s).isEmpty(),
                 "Wine fehlt (Debian-Paket wine; scripts/setup.sh installiert es).");
        QVERIFY(m_dir.isValid());
        m_pristine = m_dir.filePath(u"pristine"_s);
        runWine(m_pristine, u"wineboot"_s, {u"-i"_s});
        runWine(m_pristine, u"wineserver"_s, {u"-k"_s});
        QVERIFY2(QFile::exists(m_pristine + u"/system.reg"_s), "wineboot hat keinen Präfix angelegt.");
    }

    void init()
    {
        m_prefix = m_dir.filePath(u"work"_s);
        QDir(m_prefix).removeRecursively();
        QProcess::execute(u"cp"_s, {u"-a"_s, m_pristine, m_prefix});
        QVERIFY(QFile::exists(m_prefix + u"/user.reg"_s));
    }

    void cleanup()
    {
        RegShutdown();
        runWine(m_prefix, u"wineserver"_s, {u"-k"_s});
    }

    void filesComeBack()
    {
        for (const char* name : {"/system.reg", "/user.reg", "/userdef.reg"}) {
            const QByteArray bytes = readFile(m_pristine + QLatin1String(name));
            QString error;
            const auto file = WineRegFile::parse(bytes, &error);
            QVERIFY2(file, qPrintable(name + error));
            QVERIFY(bytes.size() > 1000);
            QCOMPARE(file->serialize(), bytes);
            QCOMPARE(file->rendered(), bytes); // every key as the server writes it
        }
    }

    void editsReadBackByWine()
    {
        open(true);
        const QString path = u"Software\\Kaven[1] ü😀"_s;
        const HKEY key = StoreProbe::createKey(HKEY_CURRENT_USER, path);
        QVERIFY(key);
        // name, type, data as the program hands it over: strings in UTF-8
        const std::tuple<const char*, DWORD, QByteArray> values[] = {
            {"", REG_SZ, QByteArray(1, '\0')}, {"Grüße\"1", REG_SZ, u"Müller €😀 漢字 a\\b\t"_s.toUtf8() + '\0'},
            {"exp", REG_EXPAND_SZ, u"%TEMP%\\ü"_s.toUtf8() + '\0'},
            {"multi", REG_MULTI_SZ, QByteArray("eins\0zwei \xc3\xa4\0\0", 14)},
            {"dw", REG_DWORD, QByteArray::fromHex("2a000000")},
            {"qw", REG_QWORD, QByteArray::fromHex("8877665544332211")},
            {"bin", REG_BINARY, QByteArray::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e"
                                                    "1f2021222324252627")},
            {"gone", REG_DWORD, QByteArray(4, '\0')}};
        for (const auto& [name, type, data] : values)
            QCOMPARE(RegSetValueBytes(key, QString::fromUtf8(name), type, data), ERROR_SUCCESS);
        QCOMPARE(RegDeleteValue(key, u"gone"_s), ERROR_SUCCESS);
        RegCloseKey(key);
        RegShutdown();

        const QString exported = m_dir.filePath(u"export.reg"_s);
        QCOMPARE(runWine(m_prefix, u"wine"_s, {u"reg"_s, u"export"_s, u"HKCU\\"_s + path, exported, u"/y"_s}), 0);
        const QByteArray utf16 = readFile(exported);
        QVERIFY(utf16.startsWith("\xff\xfe"));
        const QString text =
            QString::fromUtf16(reinterpret_cast<const char16_t*>(utf16.constData() + 2), (utf16.size() - 2) / 2);
        QCOMPARE(
            text.split(u"\r\n"_s),
            QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                           "[HKEY_CURRENT_USER\\Software\\Kaven[1] ü😀]\r\n"
                           "@=\"\"\r\n"
                           "\"bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
                           "  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27\r\n"
                           "\"dw\"=dword:0000002a\r\n"
                           "\"exp\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,fc,00,00,00\r\n"
                           "\"Grüße\\\"1\"=\"Müller €😀 漢字 a\\\\b\t\"\r\n"
                           "\"multi\"=hex(7):65,00,69,00,6e,00,73,00,00,00,7a,00,77,00,65,00,69,00,20,00,e4,\\\r\n"
                           "  00,00,00,00,00\r\n"
                           "\"qw\"=hex(b):88,77,66,55,44,33,22,11\r\n\r\n")
                .split(u"\r\n"_s));
    }

    // Everything Wine shows of a branch, links followed as Wine follows them, and nothing else.
    void branchAsWineShowsIt()
    {
        // Wine first: a Wine that starts updates keys (fonts), and saves them when its server ends.
        const QString ours = m_dir.filePath(u"kaven.reg"_s);
        const QString theirs = m_dir.filePath(u"wine.reg"_s);
        QCOMPARE(runWine(m_prefix, u"wine"_s, {u"regedit"_s, u"/e"_s, theirs, u"HKEY_LOCAL_MACHINE\\Software"_s}), 0);
        runWine(m_prefix, u"wineserver"_s, {u"-w"_s});
        QCOMPARE(runTool({u"--wine"_s, m_prefix, u"export"_s, u"HKLM\\Software"_s, ours, u"/5"_s}, true).rc, 0);
        const auto wine = exportedKeys(theirs);
        QVERIFY(wine.size() > 5000);
        const auto kaven = exportedKeys(ours);
        QCOMPARE(kaven.keys(), wine.keys());
        QCOMPARE(kaven, wine);
    }

    void onlyTouchedKeysChange()
    {
        const QByteArray before = readFile(m_prefix + u"/user.reg"_s);
        const qint64 start = QDateTime::currentSecsSinceEpoch();
        open(true);
        HKEY colors = 0;
        QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, u"Control Panel\\Colors"_s, 0, KEY_ALL_ACCESS, &colors),
                 ERROR_SUCCESS);
        QCOMPARE(RegSetValueBytes(colors, u"Window"_s, REG_SZ, QByteArray("1 2 3\0", 6)), ERROR_SUCCESS);
        QCOMPARE(RegCloseKey(StoreProbe::createKey(HKEY_CURRENT_USER, u"Software\\Kaven"_s)), ERROR_SUCCESS);
        QCOMPARE(readFile(m_prefix + u"/user.reg.bak"_s), before);
        QCOMPARE(RegSetValueBytes(colors, u"Menu"_s, REG_SZ, QByteArray("4\0", 2)), ERROR_SUCCESS);
        RegCloseKey(colors);
        QCOMPARE(readFile(m_prefix + u"/user.reg.bak"_s), before); // kept once: the file as found

        const auto old = sections(before);
        const auto now = sections(readFile(m_prefix + u"/user.reg"_s));
        QStringList changed;
        for (auto it = now.begin(); it != now.end(); ++it)
            if (old.value(it.key()) != it.value())
                changed << QString::fromLatin1(it.key());
        QCOMPARE(changed, QStringList({u"Control Panel\\\\Colors"_s, u"Software\\\\Kaven"_s}));
        QCOMPARE(now.size(), old.size() + 1);
        const QRegularExpression stamp(u"^Control Panel\\\\\\\\Colors\\] (\\d+)\\n"_s);
        const qint64 seconds =
            stamp.match(QString::fromLatin1(now.value("Control Panel\\\\Colors"))).captured(1).toLongLong();
        QVERIFY(seconds >= start && seconds <= QDateTime::currentSecsSinceEpoch());
        for (const QString& name : {u"/system.reg"_s, u"/userdef.reg"_s}) {
            QCOMPARE(readFile(m_prefix + name), readFile(m_pristine + name));
            QVERIFY(!QFile::exists(m_prefix + name + u".bak"_s));
        }
    }

    // The root keys are Wine's; the drives are the prefix's; without --write nothing is written.
    void layout()
    {
        open(false);
        for (const auto& [root, path] : {std::pair{HKEY_CLASSES_ROOT, ".txt"},
                                         {HKEY_USERS, "S-1-5-21-0-0-0-1000\\Control Panel\\Colors"},
                                         {HKEY_USERS, ".Default\\Software\\Microsoft\\Windows\\CurrentVersion"}}) {
            HKEY key = 0;
            QCOMPARE(RegOpenKeyEx(root, QString::fromLatin1(path), 0, KEY_READ, &key), ERROR_SUCCESS);
            RegCloseKey(key);
        }
        QCOMPARE(QDir(RegDriveFolder(HKEY_LOCAL_MACHINE, u'c')).canonicalPath(),
                 QDir(m_prefix + u"/drive_c"_s).canonicalPath());
        QCOMPARE(RegDriveFolder(HKEY_LOCAL_MACHINE, u'Z'), u"/"_s);
        QCOMPARE(RegSetValueBytes(HKEY_CURRENT_USER, u"x"_s, REG_DWORD, QByteArray(4, '\0')), ERROR_ACCESS_DENIED);
    }

    void kavenReg_data()
    {
        QTest::addColumn<QString>("server"); // none, lock (a held lock in the server's folder), real
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("rc");
        QTest::addColumn<QString>("err");
        const QStringList add{u"add"_s, u"HKCU\\Software\\Kaven"_s, u"/v"_s, u"a"_s, u"/d"_s, u"ä"_s};
        const QStringList write = QStringList{u"--write"_s} + add;
        QTest::newRow("add") << "none" << write << 0 << QString();
        QTest::newRow("add without --write") << "none" << add << 1 << ReadOnly;
        QTest::newRow("add while a lock is held") << "lock" << write << 1 << WineRuns;
        QTest::newRow("add while wineserver runs") << "real" << write << 1 << WineRuns;
        QTest::newRow("query while wineserver runs")
            << "real" << QStringList{u"query"_s, u"HKCU\\Control Panel\\Colors"_s, u"/v"_s, u"Window"_s} << 0
            << QString();
    }
    void kavenReg()
    {
        QFETCH(QString, server);
        QFETCH(QStringList, args);
        QFETCH(int, rc);
        pid_t lock = -1;
        QString folder;
        const auto release = qScopeGuard([&] {
            if (lock > 0) {
                ::kill(lock, SIGKILL);
                ::waitpid(lock, nullptr, 0);
                QDir(folder).removeRecursively();
            }
        });
        if (server == QLatin1String("lock")) {
            struct stat st = {};
            QCOMPARE(::stat(QFile::encodeName(m_prefix).constData(), &st), 0);
            folder = u"/tmp/.wine-%1/server-%2-%3"_s.arg(QString::number(::getuid()), QString::number(st.st_dev, 16),
                                                         QString::number(st.st_ino, 16));
            QVERIFY(QDir().mkpath(folder));
            QFile::setPermissions(QFileInfo(folder).path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QVERIFY((lock = holdLock(folder + u"/lock"_s)) > 0);
        } else if (server == QLatin1String("real")) {
            runWine(m_prefix, u"wineserver"_s, {u"-p"_s});
        }
        const QByteArray before = readFile(m_prefix + u"/user.reg"_s);
        const ToolRun r = runTool(QStringList{u"--wine"_s, m_prefix} + args, true);
        QTEST(r.err, "err");
        QCOMPARE(r.rc, rc);
        if (rc == 0 && args.first() == QLatin1String("--write"))
            QCOMPARE(r.out, u"Der Vorgang wurde erfolgreich beendet.\n"_s);
        if (args.first() == QLatin1String("query"))
            QVERIFY2(r.out.contains(u"    Window    REG_SZ    \"255 255 255\""_s), qPrintable(r.out));
        const QByteArray after = readFile(m_prefix + u"/user.reg"_s);
        QCOMPARE(after != before, rc == 0 && args.first() == QLatin1String("--write"));
        if (after != before)
            QVERIFY(after.contains("\n[Software\\\\Kaven] ") && after.contains("\"a\"=\"\\xe4\"\n"));
    }

private:
    void open(bool write)
    {
        QString error;
        QStringList warnings;
        QCOMPARE(RegOpenWinePrefix(m_prefix, write, &error, &warnings), ERROR_SUCCESS);
        QCOMPARE(warnings, QStringList());
    }

    QTemporaryDir m_dir;
    QString m_pristine;
    QString m_prefix;
};

QTEST_GUILESS_MAIN(TestWinePrefix)
#include "TestWinePrefix.moc"
