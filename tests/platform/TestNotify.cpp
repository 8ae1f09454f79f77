#include "StoreProbe.h"
#include "platform/WinEvents.h"
#include "platform/WinReg.h"
#include "support/TempStore.h"

#include <QTest>

#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace {

HKEY open(const QString& path)
{
    return StoreProbe::createKey(HKEY_CURRENT_USER, path);
}

// Notifications arrive through the notifier, which looks every 100 ms.
bool fires(HANDLE ev, DWORD ms = 1500)
{
    return WaitForSingleObject(ev, ms) == WAIT_OBJECT_0;
}

enum class Act { SetValue, DeleteValue, NewSubKey, Deny, SetThenDeny, SetBelow, SetSibling, DeleteKey, CloseHandle };

} // namespace

class TestNotify final : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_store.emplace().ok()); }
    void cleanup() { m_store.reset(); }

    void eventsWaitAndTimeOut()
    {
        HANDLE autoEv = CreateEvent(false, false);
        QCOMPARE(WaitForSingleObject(autoEv, 10), WAIT_TIMEOUT);
        QVERIFY(SetEvent(autoEv));
        QCOMPARE(WaitForSingleObject(autoEv, 0), WAIT_OBJECT_0);
        QCOMPARE(WaitForSingleObject(autoEv, 0), WAIT_TIMEOUT); // auto-reset
        HANDLE manual = CreateEvent(true, true);
        QCOMPARE(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
        QCOMPARE(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
        QVERIFY(ResetEvent(manual));
        QCOMPARE(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
        HANDLE named = CreateEvent(false, false, u"KavenThread0"_s);
        HANDLE same = CreateEvent(false, false, u"KavenThread0"_s);
        QVERIFY(SetEvent(same));
        QCOMPARE(WaitForSingleObject(named, 0), WAIT_OBJECT_0);
        for (HANDLE h : {autoEv, manual, named, same})
            QVERIFY(CloseHandle(h));
        QVERIFY(!CloseHandle(autoEv));
        QCOMPARE(WaitForSingleObject(autoEv, 0), WAIT_FAILED);
        // a wait woken from another thread: every notification, which the notifier's thread sets
    }

    // Each request (subtree, filter), the act after it, and whether the act fires it. A key whose name merely
    // starts like the watched one is not below it; deleting the key and closing the handle fire too.
    void whatFires()
    {
        constexpr DWORD Name = REG_NOTIFY_CHANGE_NAME, Set = REG_NOTIFY_CHANGE_LAST_SET;
        constexpr DWORD Sec = REG_NOTIFY_CHANGE_SECURITY;
        const std::tuple<bool, DWORD, Act, bool> cases[] = {
            {false, Name, Act::SetValue, false}, {false, Name, Act::NewSubKey, true},
            {false, Set, Act::SetValue, true}, {false, Set, Act::DeleteValue, true},
            {false, Sec, Act::SetValue, false}, {false, Sec, Act::Deny, true}, {false, Sec, Act::SetThenDeny, true},
            {true, Set, Act::SetBelow, true}, {false, Set, Act::SetBelow, false},
            {true, REG_NOTIFY_ALL, Act::SetSibling, false}, {false, Set, Act::DeleteKey, true},
            {false, Name, Act::CloseHandle, true}};
        for (const auto& [subtree, filter, act, expected] : cases) {
            QVERIFY(m_store.emplace().ok());
            HKEY k = open(u"Software\\W"_s);
            HKEY writer = open(u"Software\\W"_s);
            HKEY below = open(u"Software\\W\\A\\B"_s);
            HKEY sibling = open(u"Software\\WSibling"_s);
            QCOMPARE(RegSetValueBytes(writer, u"v"_s, REG_BINARY, QByteArray("1")), ERROR_SUCCESS);
            HANDLE ev = CreateEvent(false, false);
            QCOMPARE(RegNotifyChangeKeyValue(k, subtree, filter, ev, true), ERROR_SUCCESS);
            QVERIFY(!fires(ev, 300)); // changes made before a request do not fire it
            if (act == Act::DeleteKey) {
                QCOMPARE(RegDeleteKey(writer, u"A\\B"_s), ERROR_SUCCESS);
                QCOMPARE(RegDeleteKey(writer, u"A"_s), ERROR_SUCCESS);
                QCOMPARE(RegDeleteKey(HKEY_CURRENT_USER, u"Software\\W"_s), ERROR_SUCCESS);
            } else if (act == Act::CloseHandle) {
                RegCloseKey(k); // fires at once, by the close itself
            } else if (act == Act::NewSubKey) {
                RegCloseKey(open(u"Software\\W\\New"_s));
            } else if (act == Act::Deny) {
                QCOMPARE(RegSetKeyDeny(writer, KEY_DENY_READ), ERROR_SUCCESS);
            } else if (act == Act::SetThenDeny) {
                RegBatch batch(writer); // one transaction: both kinds of change are logged for the key
                QCOMPARE(RegSetValueBytes(writer, u"w"_s, REG_BINARY, QByteArray("1")), ERROR_SUCCESS);
                QCOMPARE(RegSetKeyDeny(writer, KEY_DENY_READ), ERROR_SUCCESS);
            } else if (act == Act::DeleteValue) {
                QCOMPARE(RegDeleteValue(writer, u"v"_s), ERROR_SUCCESS);
            } else {
                const HKEY target = act == Act::SetBelow ? below : act == Act::SetSibling ? sibling : writer;
                QCOMPARE(RegSetValueBytes(target, u"w"_s, REG_BINARY, QByteArray("1")), ERROR_SUCCESS);
            }
            QVERIFY2(fires(ev, act == Act::CloseHandle ? 0 : expected ? 1500 : 400) == expected,
                     qPrintable(u"act %1, filter %2, subtree %3"_s.arg(int(act)).arg(filter).arg(subtree)));
            // one shot per request
            if (expected && act != Act::DeleteKey && act != Act::CloseHandle) {
                QCOMPARE(RegSetValueBytes(writer, u"again"_s, REG_BINARY, QByteArray("1")), ERROR_SUCCESS);
                QVERIFY(!fires(ev, 400));
            }
            for (HKEY h : {k, writer, below, sibling})
                RegCloseKey(h);
            CloseHandle(ev);
        }
    }

    void invalidRequests()
    {
        HKEY k = open(u"Software\\Invalid"_s);
        HANDLE ev = CreateEvent(false, false);
        QCOMPARE(RegNotifyChangeKeyValue(k, false, 0, ev, true), ERROR_INVALID_PARAMETER);
        QCOMPARE(RegNotifyChangeKeyValue(k, false, 0x20, ev, true), ERROR_INVALID_PARAMETER);
        QCOMPARE(RegNotifyChangeKeyValue(k, false, REG_NOTIFY_ALL, 0, true), ERROR_INVALID_PARAMETER);
        QCOMPARE(RegNotifyChangeKeyValue(HKEY(0x7777), false, REG_NOTIFY_ALL, ev, true), ERROR_INVALID_HANDLE);
        HKEY noNotify = 0;
        QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\Invalid"_s, 0, KEY_SET_VALUE, &noNotify), ERROR_SUCCESS);
        QCOMPARE(RegNotifyChangeKeyValue(noNotify, false, REG_NOTIFY_ALL, ev, true), ERROR_ACCESS_DENIED);
        RegCloseKey(noNotify);
        RegCloseKey(k);
        CloseHandle(ev);
    }

    void changeFromAnotherThread()
    {
        // the watch threads each wait on their own handle and event
        RegCloseKey(open(u"Software\\ThreadWatch"_s));
        std::atomic<bool> fired{false};
        std::thread watcher([&fired] {
            HKEY own = 0;
            if (RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\ThreadWatch"_s, 0, KEY_READ, &own) != ERROR_SUCCESS)
                return;
            HANDLE ev = CreateEvent(false, false, u"KavenThread1"_s);
            if (RegNotifyChangeKeyValue(own, true, REG_NOTIFY_ALL, ev, true) == ERROR_SUCCESS) {
                for (int i = 0; i < 10 && !fired; ++i)
                    fired = WaitForSingleObject(ev, 500) == WAIT_OBJECT_0;
            }
            RegCloseKey(own);
            CloseHandle(ev);
        });
        QTest::qWait(200);
        RegCloseKey(open(u"Software\\ThreadWatch\\New"_s));
        watcher.join();
        QVERIFY(fired);
    }

    // The batch only makes new keys and sets values in them: the one row for them all still carries
    // the value bits to a watcher of an older key beside them.
    void largeBatchStillReachesWatchersOfSingleKeys()
    {
        HKEY inside = open(u"Software\\Big\\k00042"_s);
        HKEY outside = open(u"Software\\Elsewhere"_s);
        HANDLE evInside = CreateEvent(false, false);
        HANDLE evOutside = CreateEvent(false, false);
        QCOMPARE(RegNotifyChangeKeyValue(inside, false, REG_NOTIFY_CHANGE_LAST_SET, evInside, true), ERROR_SUCCESS);
        QCOMPARE(RegNotifyChangeKeyValue(outside, true, REG_NOTIFY_ALL, evOutside, true), ERROR_SUCCESS);
        HKEY big = open(u"Software\\Big"_s);
        {
            RegBatch batch(big);
            for (int i = 100; i < 1100; ++i) {
                HKEY k = open(u"Software\\Big\\k%1"_s.arg(i, 5, 10, QLatin1Char('0')));
                QCOMPARE(RegSetValueBytes(k, u"v"_s, REG_BINARY, QByteArray("1")), ERROR_SUCCESS);
                RegCloseKey(k);
            }
        }
        QVERIFY(fires(evInside));
        QVERIFY(!fires(evOutside, 400));
        for (HKEY k : {inside, outside, big})
            RegCloseKey(k);
        CloseHandle(evInside);
        CloseHandle(evOutside);
    }

private:
    std::optional<TempStore> m_store;
};

QTEST_GUILESS_MAIN(TestNotify)
#include "TestNotify.moc"
