// A prefix made by Wine itself (wineboot, once per run): its files come back byte for byte, untouched
// and fully re-rendered; edits made here are what Wine's own "reg export" reads back; only the touched
// keys change, with the first write's FILE.bak; a running wineserver, real or held lock, makes the
// prefix read-only with Wine's message; kaven-reg --wine reads and writes it.

#include "app/KavenRegTool.h"
#include "platform/WinReg.h"
#include "platform/wine/WineRegistry.h"
#include "platform/wine/WineRegFile.h"
#include "support/ToolRun.h"

#include <QBuffer>
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

namespace {

const QString ReadOnly =
    QStringLiteral("Fehler: Die Registrierung des Präfixes ist nur zum Lesen geöffnet (--write erlaubt Änderungen).\n");
const QString WineRuns =
    QStringLiteral("Fehler: Wine läuft für diesen Präfix; Änderungen sind erst nach dem Beenden von Wine möglich.\n");

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a program of Wine's for the prefix; its standard output.
QByteArray runWine(const QString& prefix, const QString& program, const QStringList& args, int* rc = nullptr)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), prefix);
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8")); // arguments reach Wine as UTF-8
    env.remove(QStringLiteral("DISPLAY"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(300000);
    if (rc)
        *rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput();
}

ToolRun runKavenReg(const QStringList& args)
{
    QBuffer out, err, in;
    for (QBuffer* b : {&out, &err, &in})
        b->open(QIODevice::ReadWrite);
    const int rc = KavenRegTool(out, err, in, false).runWithStore(args);
    return {rc, QString::fromUtf8(out.data()), QString::fromUtf8(err.data())};
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
    const QByteArray utf16 = readAll(path);
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(utf16.constData()), utf16.size() / 2);
    QMap<QString, QStringList> keys;
    QString current;
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
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
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("wineboot")).isEmpty(),
                 "Wine fehlt (Debian-Paket wine; scripts/setup.sh installiert es).");
        QVERIFY(m_dir.isValid());
        m_pristine = m_dir.filePath(QStringLiteral("pristine"));
        int rc = -1;
        runWine(m_pristine, QStringLiteral("wineboot"), {QStringLiteral("-i")}, &rc);
        runWine(m_pristine, QStringLiteral("wineserver"), {QStringLiteral("-k")});
        QVERIFY2(QFile::exists(m_pristine + QStringLiteral("/system.reg")), "wineboot hat keinen Präfix angelegt.");
    }

    void init()
    {
        m_prefix = m_dir.filePath(QStringLiteral("work"));
        QDir(m_prefix).removeRecursively();
        QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), m_pristine, m_prefix});
        QVERIFY(QFile::exists(m_prefix + QStringLiteral("/user.reg")));
    }

    void cleanup()
    {
        RegShutdown();
        runWine(m_prefix, QStringLiteral("wineserver"), {QStringLiteral("-k")});
    }

    void filesComeBack_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"system.reg", "user.reg", "userdef.reg"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void filesComeBack()
    {
        QFETCH(QString, name);
        const QByteArray bytes = readAll(m_pristine + u'/' + name);
        QString error;
        const auto file = WineRegFile::parse(bytes, &error);
        QVERIFY2(file, qPrintable(error));
        QVERIFY(bytes.size() > 1000);
        QCOMPARE(file->serialize(), bytes);
        QCOMPARE(file->rendered(), bytes); // every key as the server writes it
    }

    void editsReadBackByWine()
    {
        open(true);
        HKEY key = 0;
        QCOMPARE(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Kaven[1] ü😀"), 0, {}, 0, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr),
                 ERROR_SUCCESS);
        const struct {
            const char* name;
            DWORD type;
            QByteArray data; // as the program hands it over: strings in UTF-8
        } values[] = {
            {"", REG_SZ, QByteArray(1, '\0')},
            {"Grüße\"1", REG_SZ, QStringLiteral("Müller €😀 漢字 a\\b\t").toUtf8() + '\0'},
            {"exp", REG_EXPAND_SZ, QStringLiteral("%TEMP%\\ü").toUtf8() + '\0'},
            {"multi", REG_MULTI_SZ, QByteArray("eins\0zwei \xc3\xa4\0\0", 14)},
            {"dw", REG_DWORD, QByteArray::fromHex("2a000000")},
            {"qw", REG_QWORD, QByteArray::fromHex("8877665544332211")},
            {"bin", REG_BINARY,
             QByteArray::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e"
                                 "1f2021222324252627")},
            {"gone", REG_DWORD, QByteArray(4, '\0')},
        };
        for (const auto& v : values)
            QCOMPARE(RegSetValueBytes(key, QString::fromUtf8(v.name), v.type, v.data), ERROR_SUCCESS);
        QCOMPARE(RegDeleteValue(key, QStringLiteral("gone")), ERROR_SUCCESS);
        RegCloseKey(key);
        RegShutdown();

        const QString exported = m_dir.filePath(QStringLiteral("export.reg"));
        int rc = -1;
        runWine(m_prefix, QStringLiteral("wine"),
                {QStringLiteral("reg"), QStringLiteral("export"), QStringLiteral("HKCU\\Software\\Kaven[1] ü😀"),
                 exported, QStringLiteral("/y")},
                &rc);
        QCOMPARE(rc, 0);
        const QByteArray utf16 = readAll(exported);
        QVERIFY(utf16.startsWith("\xff\xfe"));
        const QString text =
            QString::fromUtf16(reinterpret_cast<const char16_t*>(utf16.constData() + 2), (utf16.size() - 2) / 2);
        QCOMPARE(
            text.split(QStringLiteral("\r\n")),
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
                .split(QStringLiteral("\r\n")));
    }

    // Everything Wine shows of a branch, links followed as Wine follows them, and nothing else.
    void branchAsWineShowsIt()
    {
        // Wine first: a Wine that starts updates keys (fonts), and saves them when its server ends.
        const QString ours = m_dir.filePath(QStringLiteral("kaven.reg"));
        const QString theirs = m_dir.filePath(QStringLiteral("wine.reg"));
        int rc = -1;
        runWine(
            m_prefix, QStringLiteral("wine"),
            {QStringLiteral("regedit"), QStringLiteral("/e"), theirs, QStringLiteral("HKEY_LOCAL_MACHINE\\Software")},
            &rc);
        QCOMPARE(rc, 0);
        runWine(m_prefix, QStringLiteral("wineserver"), {QStringLiteral("-w")});
        QCOMPARE(runKavenReg({QStringLiteral("--wine"), m_prefix, QStringLiteral("export"),
                              QStringLiteral("HKLM\\Software"), ours, QStringLiteral("/5")})
                     .rc,
                 0);
        const auto wine = exportedKeys(theirs);
        QVERIFY(wine.size() > 5000);
        const auto kaven = exportedKeys(ours);
        QCOMPARE(kaven.keys(), wine.keys());
        for (auto it = wine.begin(); it != wine.end(); ++it)
            QCOMPARE(kaven.value(it.key()), it.value());
    }

    void onlyTouchedKeysChange()
    {
        const QByteArray before = readAll(m_prefix + QStringLiteral("/user.reg"));
        const qint64 start = QDateTime::currentSecsSinceEpoch();
        open(true);
        HKEY colors = 0;
        QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Control Panel\\Colors"), 0, KEY_ALL_ACCESS, &colors),
                 ERROR_SUCCESS);
        QCOMPARE(RegSetValueBytes(colors, QStringLiteral("Window"), REG_SZ, QByteArray("1 2 3\0", 6)), ERROR_SUCCESS);
        HKEY made = 0;
        QCOMPARE(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Kaven"), 0, {}, 0, KEY_ALL_ACCESS, nullptr,
                                &made, nullptr),
                 ERROR_SUCCESS);
        RegCloseKey(made);
        QCOMPARE(readAll(m_prefix + QStringLiteral("/user.reg.bak")), before);
        QCOMPARE(RegSetValueBytes(colors, QStringLiteral("Menu"), REG_SZ, QByteArray("4\0", 2)), ERROR_SUCCESS);
        RegCloseKey(colors);
        QCOMPARE(readAll(m_prefix + QStringLiteral("/user.reg.bak")), before); // kept once: the file as found

        const auto old = sections(before);
        const auto now = sections(readAll(m_prefix + QStringLiteral("/user.reg")));
        QStringList changed;
        for (auto it = now.begin(); it != now.end(); ++it) {
            if (old.value(it.key()) != it.value())
                changed << QString::fromLatin1(it.key());
        }
        QCOMPARE(changed,
                 QStringList({QStringLiteral("Control Panel\\\\Colors"), QStringLiteral("Software\\\\Kaven")}));
        QCOMPARE(now.size(), old.size() + 1);
        const QRegularExpression stamp(QStringLiteral("^Control Panel\\\\\\\\Colors\\] (\\d+)\\n"));
        const qint64 seconds =
            stamp.match(QString::fromLatin1(now.value("Control Panel\\\\Colors"))).captured(1).toLongLong();
        QVERIFY(seconds >= start && seconds <= QDateTime::currentSecsSinceEpoch());
        for (const char* name : {"/system.reg", "/userdef.reg"}) {
            QCOMPARE(readAll(m_prefix + QString::fromLatin1(name)), readAll(m_pristine + QString::fromLatin1(name)));
            QVERIFY(!QFile::exists(m_prefix + QString::fromLatin1(name) + QStringLiteral(".bak")));
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
                 QDir(m_prefix + QStringLiteral("/drive_c")).canonicalPath());
        QCOMPARE(RegDriveFolder(HKEY_LOCAL_MACHINE, u'Z'), QStringLiteral("/"));
        QCOMPARE(RegSetValueBytes(HKEY_CURRENT_USER, QStringLiteral("x"), REG_DWORD, QByteArray(4, '\0')),
                 ERROR_ACCESS_DENIED);
    }

    void kavenReg_data()
    {
        QTest::addColumn<QString>("server"); // none, lock (a held lock in the server's folder), real
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("rc");
        QTest::addColumn<QString>("err");
        const QStringList add{QStringLiteral("add"), QStringLiteral("HKCU\\Software\\Kaven"),
                              QStringLiteral("/v"),  QStringLiteral("a"),
                              QStringLiteral("/d"),  QStringLiteral("ä")};
        QTest::newRow("add") << "none" << QStringList{QStringLiteral("--write")} + add << 0 << QString();
        QTest::newRow("add without --write") << "none" << add << 1 << ReadOnly;
        QTest::newRow("add while a lock is held")
            << "lock" << QStringList{QStringLiteral("--write")} + add << 1 << WineRuns;
        QTest::newRow("add while wineserver runs")
            << "real" << QStringList{QStringLiteral("--write")} + add << 1 << WineRuns;
        QTest::newRow("query while wineserver runs")
            << "real"
            << QStringList{QStringLiteral("query"), QStringLiteral("HKCU\\Control Panel\\Colors"), QStringLiteral("/v"),
                           QStringLiteral("Window")}
            << 0 << QString();
    }
    void kavenReg()
    {
        QFETCH(QString, server);
        QFETCH(QStringList, args);
        QFETCH(int, rc);
        QFETCH(QString, err);
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
            folder = QStringLiteral("/tmp/.wine-%1/server-%2-%3")
                         .arg(::getuid())
                         .arg(qulonglong(st.st_dev), 0, 16)
                         .arg(qulonglong(st.st_ino), 0, 16);
            QVERIFY(QDir().mkpath(folder));
            QFile::setPermissions(QFileInfo(folder).path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QVERIFY((lock = holdLock(folder + QStringLiteral("/lock"))) > 0);
        } else if (server == QLatin1String("real")) {
            runWine(m_prefix, QStringLiteral("wineserver"), {QStringLiteral("-p")});
        }
        const QByteArray before = readAll(m_prefix + QStringLiteral("/user.reg"));
        const ToolRun r = runKavenReg(QStringList{QStringLiteral("--wine"), m_prefix} + args);
        QCOMPARE(r.err, err);
        QCOMPARE(r.rc, rc);
        if (rc == 0 && args.first() == QLatin1String("--write"))
            QCOMPARE(r.out, QStringLiteral("Der Vorgang wurde erfolgreich beendet.\n"));
        if (args.first() == QLatin1String("query"))
            QVERIFY2(r.out.contains(QStringLiteral("    Window    REG_SZ    \"255 255 255\"")), qPrintable(r.out));
        const QByteArray after = readAll(m_prefix + QStringLiteral("/user.reg"));
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
