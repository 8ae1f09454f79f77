#include "FaultVfs.h"
#include "StoreProbe.h"
#include "platform/WinReg.h"
#include "regfile/RegFileUtils.h"
#include "registry/Progress.h"
#include "registry/RegKeyUtils.h"
#include "support/TempStore.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Call {
    QString key; // below Software\F
    QString value; // empty for the creation of the key
    LONG rc = 0;
    bool inBatch = false;
};

struct Run {
    QVector<Call> calls;
    LONG end = ERROR_SUCCESS;
};

// Sets outside a batch, then a batch of key creations (two levels, so that a half-done creation would
// show) and sets, then a set after it. With pause, the batch rests long enough for a commit from the
// store's background thread.
Run workload(HKEY base, bool pause)
{
    Run r;
    auto set = [&r](HKEY k, const QString& key, const QString& name, bool inBatch) {
        r.calls.append({key, name, RegSetValueBytes(k, name, REG_DWORD, QByteArray(4, 'x')), inBatch});
    };
    set(base, {}, u"before"_s, false);
    {
        RegBatch batch(base);
        for (int i = 0; i < 6; ++i) {
            const QString path = u"k%1\\c"_s.arg(i);
            HKEY k = 0;
            DWORD disp = 0;
            const LONG rc = RegCreateKeyEx(base, path, 0, {}, 0, KEY_ALL_ACCESS, nullptr, &k, &disp);
            r.calls.append({path, {}, rc, true});
            if (pause && i == 2)
                QThread::msleep(300);
            if (rc == ERROR_SUCCESS) {
                set(k, path, u"v"_s, true);
                RegCloseKey(k);
            }
        }
        r.end = batch.end();
    }
    set(base, {}, u"after"_s, false);
    return r;
}

bool present(const QString& key, const QString& value)
{
    HKEY k = 0;
    const QString path = u"Software\\F"_s + (key.isEmpty() ? QString() : QLatin1Char('\\') + key);
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    const bool found = value.isEmpty() || RegQueryValueBytes(k, value, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(k);
    return found;
}

constexpr int BulkKeys = 8;

// Keys of two values each below Software\F\<top>, as the lines of a registry file.
QString bulkLines(const QString& top)
{
    QString text = u"REGEDIT4\r\n"_s;
    for (int i = 0; i < BulkKeys; ++i)
        text += u"\r\n[HKEY_CURRENT_USER\\Software\\F\\%1\\k%2]\r\n\"a\"=\"1\"\r\n\"b\"=dword:00000002\r\n"_s.arg(top)
                    .arg(i);
    return text;
}

bool bulkPresent(const QString& top)
{
    for (int i = 0; i < BulkKeys; ++i)
        for (const QString& value : {u"a"_s, u"b"_s})
            if (!present(top + u"\\k%1"_s.arg(i), value))
                return false;
    return true;
}

// The source of the copy in the store and the file of the import beside it.
bool prepareBulk(const TempStore& store)
{
    if (!writeFile(store.dirPath() + u"/bulk.reg"_s, bulkLines(u"imp"_s).toLatin1()))
        return false;
    QStringList lines = bulkLines(u"src"_s).split(u"\r\n"_s);
    NullProgress progress;
    return ImportRegLinesResult(&lines, progress).ok;
}

// Runs the tool; true when it reported success.
bool runBulk(const QString& tool, const TempStore& store)
{
    NullProgress progress;
    if (tool == u"import"_s)
        return ImportRegFileResult(store.dirPath() + u"/bulk.reg"_s, progress).ok;
    return CopyKey({}, {}, u"HKEY_CURRENT_USER\\Software\\F\\src"_s, false, u"HKEY_CURRENT_USER\\Software\\F\\dst"_s,
                   progress);
}

} // namespace

class TestStoreFaults final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { FaultVfs::install(); }

    // An import or a key copy that answers success has all of its changes in the store, whichever write,
    // sync or lock of it failed. The first run, without a fault, counts the I/O calls to fail one by one.
    void bulkToolsReportOrKeep()
    {
        for (const auto& [tool, result] : {std::pair{u"import"_s, u"imp"_s}, {u"copy"_s, u"dst\\src"_s}}) {
            int ioCalls = 0;
            int reported = 0;
            for (int n = 0; n <= ioCalls; ++n) {
                TempStore store;
                QVERIFY(prepareBulk(store));
                FaultVfs::arm(n);
                const bool ok = runBulk(tool, store);
                ioCalls = n == 0 ? FaultVfs::count() : ioCalls;
                FaultVfs::disarm();
                RegShutdown();
                QCOMPARE(RegOpenLocalStore(store.storePath()), ERROR_SUCCESS);
                const QByteArray where = tool.toUtf8() + " with a fault at I/O call " + QByteArray::number(n);
                QVERIFY2(ok || n > 0, where.constData());
                if (ok)
                    QVERIFY2(bulkPresent(result), where.constData());
                reported += !ok;
            }
            QVERIFY(reported > 0);
        }
    }

    // Every call answers success or one of the failure codes; what answered success is there after a
    // reopen (in a batch: when its end answered success), what failed left nothing of itself.
    void everyCallReportsItsFailureOrKeepsItsChange()
    {
        const QList<LONG> codes{ERROR_SUCCESS, ERROR_DISK_FULL, ERROR_REGISTRY_IO_FAILED, ERROR_TIMEOUT};
        int ioCalls = 0;
        int failures = 0;
        for (int n = 0; n <= ioCalls; ++n) {
            TempStore store;
            QVERIFY(store.ok());
            HKEY base = StoreProbe::createKey(HKEY_CURRENT_USER, u"Software\\F"_s);
            QVERIFY(base);
            FaultVfs::arm(n);
            const Run run = workload(base, n % 2 == 0);
            if (n == 0) {
                ioCalls = FaultVfs::count();
                QVERIFY(ioCalls > 10);
                qInfo("the workload makes %d writes, syncs and write locks", ioCalls);
            }
            FaultVfs::disarm();
            RegCloseKey(base);
            RegShutdown();
            QCOMPARE(RegOpenLocalStore(store.storePath()), ERROR_SUCCESS);
            const QByteArray where =
                "fault at I/O call " + QByteArray::number(n) + ", batch end " + QByteArray::number(run.end);
            for (const Call& c : run.calls) {
                const QByteArray what = where + ": " + (c.key + QLatin1Char('/') + c.value).toUtf8() + " answered "
                                        + QByteArray::number(c.rc);
                QVERIFY2(codes.contains(c.rc) && (n > 0 || c.rc == ERROR_SUCCESS), what.constData());
                failures += c.rc != ERROR_SUCCESS;
                const bool durable = c.rc == ERROR_SUCCESS && (!c.inBatch || run.end == ERROR_SUCCESS);
                if (durable)
                    QVERIFY2(present(c.key, c.value), what.constData());
                // a failed call leaves nothing of itself, not even the first level of a new key
                if (c.rc != ERROR_SUCCESS)
                    QVERIFY2(!present(c.value.isEmpty() ? c.key.section(QLatin1Char('\\'), 0, 0) : c.key, c.value),
                             what.constData());
            }
            failures += run.end != ERROR_SUCCESS;
        }
        QVERIFY(failures > 0); // the faults were seen at all
    }

    void fullDiskIsReported()
    {
        if (::geteuid() != 0 || QStandardPaths::findExecutable(u"unshare"_s).isEmpty())
            QSKIP("a full file system is mounted as tmpfs in a private mount namespace: needs root and unshare");
        TempStore store;
        const QString small = store.dirPath() + u"/small"_s;
        const QString out = store.dirPath() + u"/out"_s;
        QVERIFY(QDir().mkpath(small) && QDir().mkpath(out));
        // the child fills a 400 KB file system, then the files are copied out before the mount goes away
        const QString script = QStringLiteral("mount -t tmpfs -o size=400k tmpfs '%1' || exit 99; "
                                              "'%3' write '%1/r.db' 3000 10; rc=$?; "
                                              "cp '%1/r.db' '%2/'; cp '%1/r.db-wal' '%2/' 2>/dev/null; exit $rc")
                                   .arg(small, out, QStringLiteral(STORE_CHILD));
        QProcess child;
        child.start(u"unshare"_s, {u"-m"_s, u"sh"_s, u"-c"_s, script});
        QVERIFY(child.waitForFinished(120000));
        if (child.exitCode() == 99)
            QSKIP("tmpfs cannot be mounted here");
        QCOMPARE(child.exitCode(), 0);
        const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
        int durable = 0;
        bool fullReported = false;
        for (const QByteArray& line : lines) {
            if (line.startsWith("durable "))
                durable = line.mid(8).toInt();
            fullReported = fullReported || line.endsWith(" 112");
        }
        QVERIFY2(fullReported, lines.join('|').constData());
        QVERIFY(durable > 0);
        RegShutdown();
        QCOMPARE(RegOpenLocalStore(out + u"/r.db"_s), ERROR_SUCCESS);
        for (int i = 0; i < durable; ++i)
            QCOMPARE(StoreProbe::valueOf(u"Software\\Write\\k%1"_s.arg(i / 100), u"v%1"_s.arg(i)).size(), 3000);
    }
};

QTEST_GUILESS_MAIN(TestStoreFaults)
#include "TestStoreFaults.moc"
