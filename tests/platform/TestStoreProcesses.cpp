#include "platform/WinEvents.h"
#include "platform/WinReg.h"
#include "support/TempStore.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <sqlite3.h>
#include <unistd.h>

namespace {

// One integer answer of an SQL query on the store file, through SQLite's own connection.
qint64 queryStore(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_stmt* st = nullptr;
    qint64 out = -1;
    if (sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK
        && sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        out = sqlite3_column_type(st, 0) == SQLITE_TEXT
            ? qint64(QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) == "ok")
            : sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

} // namespace

class TestStoreProcesses final : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_store = std::make_unique<TempStore>();
        QVERIFY(m_store->ok());
    }
    void cleanup() { m_store.reset(); }
    void killedInTheMiddleOfABatchLosesNothingCommitted();
    void changesOfAnotherProcessAreSeenAndNotified();
    void threeProcessesOnTheSameKeys();
    void readersNeitherWriteNorWait();
    void twoImportsOfTheSameKeysAtOnce();

private:
    std::unique_ptr<TempStore> m_store;
};

void TestStoreProcesses::killedInTheMiddleOfABatchLosesNothingCommitted()
{
    QProcess child;
    child.start(QStringLiteral(STORE_CHILD), {QStringLiteral("crash"), m_store->storePath()});
    QVERIFY(child.waitForStarted());
    int committed = 0;
    while (committed < 3000) {
        QVERIFY2(child.waitForReadyRead(20000), "the writer stopped reporting");
        while (child.canReadLine()) {
            const QByteArray line = child.readLine().trimmed();
            if (line.startsWith("committed "))
                committed = line.mid(10).toInt();
        }
    }
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());
    while (child.canReadLine()) {
        const QByteArray line = child.readLine().trimmed();
        if (line.startsWith("committed "))
            committed = line.mid(10).toInt();
    }

    QCOMPARE(queryStore(m_store->storePath(), "PRAGMA integrity_check"), 1); // "ok"

    // and every value reported as committed is there, through the API
    RegShutdown();
    QCOMPARE(RegOpenLocalStore(m_store->storePath()), ERROR_SUCCESS);
    for (int i = 0; i < committed; ++i) {
        HKEY k = 0;
        QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Crash\\k%1").arg(i / 100), 0, KEY_READ, &k),
                 ERROR_SUCCESS);
        QByteArray data;
        QCOMPARE(RegQueryValueBytes(k, QStringLiteral("v%1").arg(i), nullptr, &data), ERROR_SUCCESS);
        QCOMPARE(data, QByteArray::number(i));
        RegCloseKey(k);
    }
    // the store stays writable after the crash
    HKEY k = 0;
    DWORD disp = 0;
    QCOMPARE(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\After"), 0, {}, 0, KEY_ALL_ACCESS, nullptr, &k,
                            &disp),
             ERROR_SUCCESS);
    RegCloseKey(k);
}

void TestStoreProcesses::changesOfAnotherProcessAreSeenAndNotified()
{
    HKEY k = 0;
    DWORD disp = 0;
    QCOMPARE(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Shared"), 0, {}, 0, KEY_ALL_ACCESS, nullptr,
                            &k, &disp),
             ERROR_SUCCESS);
    HANDLE ev = CreateEvent(false, false);
    QCOMPARE(RegNotifyChangeKeyValue(k, true, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, ev, true),
             ERROR_SUCCESS);
    QElapsedTimer timer;
    QCOMPARE(QProcess::execute(QStringLiteral(STORE_CHILD),
                               {QStringLiteral("set"), m_store->storePath(),
                                QStringLiteral("Software\\Shared\\FromChild"), QStringLiteral("x")}),
             0);
    timer.start();
    QCOMPARE(WaitForSingleObject(ev, 1000), WAIT_OBJECT_0);
    QVERIFY(timer.elapsed() < 1000);
    HKEY child = 0;
    QCOMPARE(RegOpenKeyEx(k, QStringLiteral("FromChild"), 0, KEY_READ, &child), ERROR_SUCCESS);
    QByteArray data;
    QCOMPARE(RegQueryValueBytes(child, QStringLiteral("x"), nullptr, &data), ERROR_SUCCESS);
    QCOMPARE(data, QByteArray("1"));
    RegCloseKey(child);
    // an enumeration list of this process follows the other process's change
    QString name;
    QCOMPARE(RegEnumKey(k, 0, &name, 256), ERROR_SUCCESS);
    QCOMPARE(QProcess::execute(QStringLiteral(STORE_CHILD),
                               {QStringLiteral("set"), m_store->storePath(), QStringLiteral("Software\\Shared\\AAA"),
                                QStringLiteral("x")}),
             0);
    QTest::qWait(50);
    QCOMPARE(RegEnumKey(k, 0, &name, 256), ERROR_SUCCESS);
    QCOMPARE(name, QStringLiteral("AAA"));
    RegCloseKey(k);
    CloseHandle(ev);
}

void TestStoreProcesses::threeProcessesOnTheSameKeys()
{
    QList<QProcess*> children;
    for (int id = 1; id <= 3; ++id) {
        children << new QProcess(this);
        children.last()->start(
            QStringLiteral(STORE_CHILD),
            {QStringLiteral("stress"), m_store->storePath(), QString::number(id), QStringLiteral("3000")});
    }
    QStringList written;
    for (QProcess* child : children) {
        QVERIFY(child->waitForFinished(60000));
        QCOMPARE(child->exitCode(), 0);
        const QString out = QString::fromUtf8(child->readAllStandardOutput());
        QVERIFY2(!out.contains(QStringLiteral("error")), qPrintable(out.left(2000)));
        for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            written << line.mid(2);
    }
    QVERIFY(written.size() > 30);
    const QString path = m_store->storePath();
    QCOMPARE(queryStore(path, "PRAGMA integrity_check"), 1);
    QCOMPARE(queryStore(path, "SELECT count(*) FROM keys k WHERE parent<>0 AND parent NOT IN (SELECT id FROM keys)"),
             0);
    QCOMPARE(queryStore(path, "SELECT count(*) FROM vals WHERE key NOT IN (SELECT id FROM keys)"), 0);
    for (const QString& w : written) {
        HKEY k = 0;
        QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, w.section(QLatin1Char('|'), 0, 0), 0, KEY_READ, &k), ERROR_SUCCESS);
        QByteArray data;
        QCOMPARE(RegQueryValueBytes(k, w.section(QLatin1Char('|'), 1), nullptr, &data), ERROR_SUCCESS);
        QCOMPARE(data, w.section(QLatin1Char('|'), 1).toUtf8());
        RegCloseKey(k);
    }
}

void TestStoreProcesses::readersNeitherWriteNorWait()
{
    HKEY k = 0;
    DWORD disp = 0;
    QCOMPARE(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Kept"), 0, {}, 0, KEY_ALL_ACCESS, nullptr, &k,
                            &disp),
             ERROR_SUCCESS);
    QCOMPARE(RegSetValueBytes(k, QStringLiteral("v"), REG_SZ, QByteArray("1")), ERROR_SUCCESS);
    RegCloseKey(k);
    RegShutdown();
    const QStringList readArgs = {QStringLiteral("read"), m_store->storePath(), QStringLiteral("Software\\Kept"),
                                  QStringLiteral("v")};
    const QStringList expected = {QStringLiteral("open 0 "), QStringLiteral("read 0 1"), QStringLiteral("write 5")};

    // another process holds the write lock longer than any lock wait
    QProcess writer;
    writer.start(QStringLiteral(STORE_CHILD), {QStringLiteral("hold"), m_store->storePath(), QStringLiteral("15000")});
    QVERIFY(writer.waitForReadyRead(10000));
    QProcess reader;
    reader.start(QStringLiteral(STORE_CHILD), readArgs);
    QVERIFY(reader.waitForFinished(60000));
    QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts), expected);
    QCOMPARE(writer.state(), QProcess::Running); // the read did not wait for the lock
    writer.kill();
    writer.waitForFinished();
    QCOMPARE(RegOpenLocalStore(m_store->storePath()), ERROR_SUCCESS); // a clean close after the killed writer
    RegShutdown();

    // a store in a read-only folder (for the superuser: a read-only bind mount in its own namespace)
    const QString dir = m_store->dirPath();
    const bool root = ::geteuid() == 0;
    if (root && QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
        QSKIP("the read-only folder needs unshare when the test runs as root");
    QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    reader.start(root ? QStringLiteral("unshare") : QStringLiteral(STORE_CHILD),
                 root ? QStringList{QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
                                    QStringLiteral("mount --bind '%1' '%1' && mount -o remount,bind,ro '%1' && exec "
                                                   "\"$@\"")
                                        .arg(dir),
                                    QStringLiteral("sh"), QStringLiteral(STORE_CHILD)}
                         + readArgs
                      : readArgs);
    QVERIFY(reader.waitForFinished(60000));
    QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts), expected);
    QVERIFY(!QFile::exists(m_store->storePath() + QStringLiteral("-shm")));
}

void TestStoreProcesses::twoImportsOfTheSameKeysAtOnce()
{
    QList<QProcess*> children;
    for (const char* prefix : {"a", "b"}) {
        const QString file = m_store->dirPath() + QLatin1Char('/') + QLatin1String(prefix) + QStringLiteral(".reg");
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("REGEDIT4\r\n");
        for (int k = 0; k < 300; ++k) {
            out.write(QStringLiteral("\r\n[HKEY_CURRENT_USER\\Software\\Imp\\K%1\\S%2]\r\n").arg(k % 7).arg(k).toUtf8());
            for (int v = 0; v < 5; ++v)
                out.write(QStringLiteral("\"%1%2\"=\"%3\"\r\n").arg(QLatin1String(prefix)).arg(v).arg(k).toUtf8());
        }
        out.close();
        children << new QProcess(this);
        children.last()->start(QStringLiteral(STORE_CHILD), {QStringLiteral("import"), m_store->storePath(), file});
    }
    for (QProcess* child : children) {
        QVERIFY(child->waitForFinished(60000));
        QCOMPARE(child->exitCode(), 0);
    }
    for (int k = 0; k < 300; ++k) {
        HKEY key = 0;
        QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Imp\\K%1\\S%2").arg(k % 7).arg(k), 0,
                              KEY_READ, &key),
                 ERROR_SUCCESS);
        for (int v = 0; v < 10; ++v) {
            QByteArray data;
            QCOMPARE(RegQueryValueBytes(key, QStringLiteral("%1%2").arg(v < 5 ? 'a' : 'b').arg(v % 5), nullptr, &data),
                     ERROR_SUCCESS);
            QCOMPARE(data, QByteArray::number(k) + '\0');
        }
        RegCloseKey(key);
    }
}

QTEST_GUILESS_MAIN(TestStoreProcesses)
#include "TestStoreProcesses.moc"
