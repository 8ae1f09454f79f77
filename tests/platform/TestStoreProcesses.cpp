#include "platform/WinEvents.h"
#include "platform/WinReg.h"
#include "support/TempStore.h"

#include <QProcess>
#include <QTest>

#include <csignal>
#include <sqlite3.h>

class TestStoreProcesses final : public QObject {
    Q_OBJECT
private slots:
    void init() { m_store = std::make_unique<TempStore>(); QVERIFY(m_store->ok()); }
    void cleanup() { m_store.reset(); }
    void killedInTheMiddleOfABatchLosesNothingCommitted();
    void changesOfAnotherProcessAreSeenAndNotified();

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

    // the file is a consistent database
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(m_store->storePath().toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_step(st), SQLITE_ROW);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))), QByteArray("ok"));
    sqlite3_finalize(st);
    sqlite3_close(db);

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
    QCOMPARE(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\After"), 0, {}, 0, KEY_ALL_ACCESS, nullptr,
                            &k, &disp),
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
                               {QStringLiteral("set"), m_store->storePath(), QStringLiteral("Software\\Shared\\FromChild"),
                                QStringLiteral("x")}),
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

QTEST_GUILESS_MAIN(TestStoreProcesses)
#include "TestStoreProcesses.moc"
