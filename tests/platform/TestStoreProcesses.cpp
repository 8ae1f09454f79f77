#include "StoreProbe.h"
#include "platform/WinEvents.h"
#include "platform/WinReg.h"
#include "support/TempStore.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

using namespace StoreProbe;

namespace {

const QString Child = QStringLiteral(STORE_CHILD);

QStringList outputLines(QProcess& child)
{
    return QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Sets the value "x" of a key below HKEY_CURRENT_USER from another process; its exit code.
int setFromChild(const QString& store, const QString& key)
{
    return QProcess::execute(Child, {u"set"_s, store, key, u"x"_s});
}

} // namespace

class TestStoreProcesses final : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_store.emplace().ok()); }
    void cleanup() { m_store.reset(); }

    void killedInTheMiddleOfABatchLosesNothingCommitted()
    {
        QProcess child;
        child.start(Child, {u"write"_s, m_store->storePath(), u"0"_s, u"500"_s});
        QVERIFY(child.waitForStarted());
        int committed = 0;
        const auto readReports = [&child, &committed] {
            while (child.canReadLine()) {
                const QByteArray line = child.readLine().trimmed();
                committed = line.startsWith("durable ") ? line.mid(8).toInt() : committed;
            }
        };
        while (committed < 3000) {
            QVERIFY2(child.waitForReadyRead(20000), "the writer stopped reporting");
            readReports();
        }
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
        readReports();
        QCOMPARE(sqlValue(m_store->storePath(), "PRAGMA integrity_check"), 1); // "ok"
        // every value reported as committed is there, and the store stays writable
        RegShutdown();
        QCOMPARE(RegOpenLocalStore(m_store->storePath()), ERROR_SUCCESS);
        for (int i = 0; i < committed; ++i)
            QCOMPARE(valueOf(u"Software\\Write\\k%1"_s.arg(i / 100), u"v%1"_s.arg(i)), QByteArray::number(i));
        QCOMPARE(RegSetValueBytes(HKEY_CURRENT_USER, u"after"_s, REG_SZ, "x"), ERROR_SUCCESS);
    }

    void changesOfAnotherProcessAreSeenAndNotified()
    {
        HKEY k = createKey(HKEY_CURRENT_USER, u"Software\\Shared"_s);
        QVERIFY(k);
        HANDLE ev = CreateEvent(false, false);
        QCOMPARE(RegNotifyChangeKeyValue(k, true, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, ev, true),
                 ERROR_SUCCESS);
        QCOMPARE(setFromChild(m_store->storePath(), u"Software\\Shared\\FromChild"_s), 0);
        QCOMPARE(WaitForSingleObject(ev, 1000), WAIT_OBJECT_0);
        QCOMPARE(valueOf(u"Software\\Shared\\FromChild"_s, u"x"_s), QByteArray("1"));
        // an enumeration list of this process follows the other process's change
        QString name;
        QCOMPARE(RegEnumKey(k, 0, &name, 256), ERROR_SUCCESS);
        QCOMPARE(setFromChild(m_store->storePath(), u"Software\\Shared\\AAA"_s), 0);
        QTest::qWait(50);
        QCOMPARE(RegEnumKey(k, 0, &name, 256), ERROR_SUCCESS);
        QCOMPARE(name, u"AAA"_s);
        RegCloseKey(k);
        CloseHandle(ev);
        // a key this process made answers look-ups below it from memory, until another process writes
        k = createKey(HKEY_CURRENT_USER, u"Software\\Fresh"_s);
        QVERIFY(k);
        QCOMPARE(setFromChild(m_store->storePath(), u"Software\\Fresh\\FromChild"_s), 0);
        HKEY again = 0;
        QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\Fresh"_s, 0, KEY_READ, &again), ERROR_SUCCESS);
        RegCloseKey(again);
        HKEY sub = 0;
        DWORD disposition = 0;
        QCOMPARE(RegCreateKeyEx(HKEY_CURRENT_USER, u"Software\\Fresh\\FromChild"_s, 0, {}, 0, KEY_ALL_ACCESS, nullptr,
                                &sub, &disposition),
                 ERROR_SUCCESS);
        QCOMPARE(disposition, DWORD(REG_OPENED_EXISTING_KEY));
        QCOMPARE(valueOf(u"Software\\Fresh\\FromChild"_s, u"x"_s), QByteArray("1"));
        RegCloseKey(sub);
        RegCloseKey(k);
    }

    void threeProcessesOnTheSameKeys()
    {
        QList<QProcess*> children;
        for (int id = 1; id <= 3; ++id) {
            children << new QProcess(this);
            children.last()->start(Child, {u"stress"_s, m_store->storePath(), QString::number(id), u"3000"_s});
        }
        QStringList written;
        for (QProcess* child : children) {
            QVERIFY(child->waitForFinished(60000));
            QCOMPARE(child->exitCode(), 0);
            const QString out = QString::fromUtf8(child->readAllStandardOutput());
            QVERIFY2(!out.contains(u"error"_s), qPrintable(out.left(2000)));
            for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                written << line.mid(2);
        }
        QVERIFY(written.size() > 30);
        const QString path = m_store->storePath();
        QCOMPARE(sqlValue(path, "PRAGMA integrity_check"), 1);
        QCOMPARE(sqlValue(path, "SELECT count(*) FROM keys k WHERE parent<>0 AND parent NOT IN (SELECT id FROM keys)"),
                 0);
        QCOMPARE(sqlValue(path, "SELECT count(*) FROM vals WHERE key NOT IN (SELECT id FROM keys)"), 0);
        for (const QString& w : written)
            QCOMPARE(valueOf(w.section(QLatin1Char('|'), 0, 0), w.section(QLatin1Char('|'), 1)),
                     w.section(QLatin1Char('|'), 1).toUtf8());
    }

    void readersNeitherWriteNorWait()
    {
        QCOMPARE(setValueIn(HKEY_CURRENT_USER, u"Software\\Kept"_s, u"v"_s, REG_SZ, "1"), ERROR_SUCCESS);
        RegShutdown();
        const QStringList readArgs = {u"read"_s, m_store->storePath(), u"Software\\Kept"_s, u"v"_s};
        const QStringList expected = {u"open 0 "_s, u"read 0 1"_s, u"write 5"_s};

        // another process holds the write lock longer than any lock wait
        QProcess writer;
        writer.start(Child, {u"hold"_s, m_store->storePath(), u"15000"_s});
        QVERIFY(writer.waitForReadyRead(10000));
        QProcess reader;
        reader.start(Child, readArgs);
        QVERIFY(reader.waitForFinished(60000));
        QCOMPARE(outputLines(reader), expected);
        QCOMPARE(writer.state(), QProcess::Running); // the read did not wait for the lock
        writer.kill();
        writer.waitForFinished();
        QCOMPARE(RegOpenLocalStore(m_store->storePath()), ERROR_SUCCESS); // a clean close after the killed writer
        RegShutdown();

        // a store in a read-only folder (for the superuser: a read-only bind mount in its own namespace)
        const QString dir = m_store->dirPath();
        const bool root = ::geteuid() == 0;
        if (root && QStandardPaths::findExecutable(u"unshare"_s).isEmpty())
            QSKIP("the read-only folder needs unshare when the test runs as root");
        QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        reader.start(
            root ? u"unshare"_s : Child,
            root ? QStringList{u"-m"_s, u"sh"_s, u"-c"_s,
                               QStringLiteral("(mount --bind '%1' '%1' && mount -o remount,bind,ro '%1') || exit 99; "
                                              "exec \"$@\"")
                                   .arg(dir),
                               u"sh"_s, Child}
                    + readArgs
                 : readArgs);
        QVERIFY(reader.waitForFinished(60000));
        QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        if (reader.exitCode() == 99)
            QSKIP("a read-only bind mount cannot be made here");
        QCOMPARE(outputLines(reader), expected);
        QVERIFY(!QFile::exists(m_store->storePath() + u"-shm"_s));
    }

    void twoImportsOfTheSameKeysAtOnce()
    {
        QList<QProcess*> children;
        for (const char* prefix : {"a", "b"}) {
            const QString file = m_store->dirPath() + QLatin1Char('/') + QLatin1String(prefix) + u".reg"_s;
            QByteArray text = "REGEDIT4\r\n";
            for (int k = 0; k < 300; ++k) {
                text += u"\r\n[HKEY_CURRENT_USER\\Software\\Imp\\K%1\\S%2]\r\n"_s.arg(k % 7).arg(k).toUtf8();
                for (int v = 0; v < 5; ++v)
                    text += u"\"%1%2\"=\"%3\"\r\n"_s.arg(QLatin1String(prefix)).arg(v).arg(k).toUtf8();
            }
            QVERIFY(writeFile(file, text));
            children << new QProcess(this);
            children.last()->start(Child, {u"import"_s, m_store->storePath(), file});
        }
        for (QProcess* child : children) {
            QVERIFY(child->waitForFinished(60000));
            QCOMPARE(child->exitCode(), 0);
        }
        for (int k = 0; k < 300; ++k) {
            for (int v = 0; v < 10; ++v)
                QCOMPARE(valueOf(u"Software\\Imp\\K%1\\S%2"_s.arg(k % 7).arg(k),
                                 u"%1%2"_s.arg(v < 5 ? 'a' : 'b').arg(v % 5)),
                         QByteArray::number(k) + '\0');
        }
    }

private:
    std::optional<TempStore> m_store;
};

QTEST_GUILESS_MAIN(TestStoreProcesses)
#include "TestStoreProcesses.moc"
