// The watch threads against a real store: changes made by this process and by a second one reach the
// watch list through the main thread's notification step.

#include "registry/RegTestKeys.h"
#include "watch/WatchController.h"

#include <QtTest>

using namespace RegTestKeys;

namespace {

const QString Sub = QStringLiteral("Software\\Watched");
const QString Path = QStringLiteral("HKEY_CURRENT_USER\\Software\\Watched");

// Rows of the list for one key path.
int rowsFor(WatchController& watch, const QString& keyPath)
{
    int n = 0;
    for (const WatchRow& row : watch.list().rows())
        n += row.keyPath == keyPath ? 1 : 0;
    return n;
}

} // namespace

class TestWatchController final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fixture.start());
        QVERIFY(makeKey(Sub + QStringLiteral("\\Child")));
    }
    void cleanup() { m_fixture.stop(); }

    void changeByAnotherProcessAddsARow()
    {
        WatchController watch;
        start(watch, 0, Path, false);
        QCOMPARE(QProcess::execute(QStringLiteral(KAVEN_REG), {"--registry", m_fixture.store->storePath(), "add",
                                                               "HKCU\\" + Sub, "/v", "x", "/d", "1", "/f"}),
                 0);
        QTRY_COMPARE_WITH_TIMEOUT(watch.list().rows().size(), 1, 5000);
        QCOMPARE(watch.list().rows().first().keyPath, Path);
        QVERIFY(watch.list().unread());
    }

    // Slot 1 watches the subkey itself and tells when its change has been seen; slot 0 watches the parent
    // and counts it only with the subtree option.
    void subkeyChangeCountsOnlyWithSubtree_data()
    {
        QTest::addColumn<bool>("subtree");
        QTest::addColumn<int>("parentRows"); // after a subkey change and then a change of the key itself
        QTest::newRow("without subtree") << false << 1;
        QTest::newRow("with subtree") << true << 2;
    }

    void subkeyChangeCountsOnlyWithSubtree()
    {
        QFETCH(bool, subtree);
        QFETCH(int, parentRows);
        WatchController watch;
        const QString child = Path + QStringLiteral("\\Child");
        start(watch, 0, Path, subtree);
        start(watch, 1, child, false);
        QVERIFY(setValue(Sub + QStringLiteral("\\Child"), QStringLiteral("v"), REG_DWORD, QByteArray(4, '\1')));
        QTRY_COMPARE_WITH_TIMEOUT(rowsFor(watch, child), 1, 5000);
        if (subtree)
            QTRY_COMPARE_WITH_TIMEOUT(rowsFor(watch, Path), 1, 5000);
        QVERIFY(setValue(Sub, QStringLiteral("v"), REG_DWORD, QByteArray(4, '\2')));
        QTRY_COMPARE_WITH_TIMEOUT(rowsFor(watch, Path), parentRows, 5000);
        QTest::qWait(300); // a late row of the subkey change would show here
        QCOMPARE(rowsFor(watch, Path), parentRows);
    }

    // The request is renewed only in the step on the main thread, so changes before it are one signal.
    void changesBeforeTheRenewalGiveOneRow()
    {
        WatchController watch;
        start(watch, 0, Path, false);
        QVERIFY(setValue(Sub, QStringLiteral("a"), REG_SZ, sz("1")));
        QThread::msleep(400); // the main thread serves no events: the step waits
        QVERIFY(setValue(Sub, QStringLiteral("b"), REG_SZ, sz("2")));
        QThread::msleep(400);
        QTRY_COMPARE_WITH_TIMEOUT(watch.list().rows().size(), 1, 5000);
        QVERIFY(setValue(Sub, QStringLiteral("c"), REG_SZ, sz("3")));
        QTRY_COMPARE_WITH_TIMEOUT(watch.list().rows().size(), 2, 5000);
        QTest::qWait(300);
        QCOMPARE(watch.list().rows().size(), 2);
    }

    // Unchecking "Aktiv" ends the thread within its 500 ms wait; a missing key ends it at once, the slot
    // staying active.
    void threadsAndSilentSlot()
    {
        WatchController watch;
        start(watch, 2, Path, true);
        start(watch, 3, Path + QStringLiteral("\\Missing"), false);
        QVERIFY(watch.thread(2)->isRunning());
        watch.deactivate(2);
        QVERIFY(watch.thread(2)->wait(1000));
        QVERIFY(watch.thread(3)->wait(1000));
        QVERIFY(watch.watchSlots()[3].active && !watch.watchSlots()[2].active);
        // The change handler of a silent slot: an unread row, but not the watch page (a slot that is not
        // silent brings the page forward, as the watch page test shows).
        watch.watchSlots()[1] = WatchSlot{Path, REG_NOTIFY_ALL, true, false, true};
        QSignalSpy page(&watch, &WatchController::showPageRequested);
        watch.handleChange(1);
        QCOMPARE(page.size(), 0);
        QVERIFY(watch.list().unread());
        QCOMPARE(watch.list().rows().size(), 1);
    }

    void rowTexts()
    {
        WatchListModel list;
        list.addChange(Path, QDateTime(QDate(2026, 3, 7), QTime(9, 5, 59)));
        QStringList texts;
        for (int c = 0; c < 3; ++c)
            texts << list.data(list.index(0, c)).toString();
        QCOMPARE(texts, QStringList({"07.03.2026", "09:05 Uhr", Path}));
        QCOMPARE(list.data(list.index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    }

    // The indicator goes off when every row is read, the list is emptied or all are marked read, and comes
    // back with a new change.
    void indicator()
    {
        // steps (0, 1: check that row; c: clear; m: mark all read; a: add a row), unread afterwards
        const std::pair<QString, bool> cases[] = {{"0", true}, {"01", false}, {"c", false}, {"m", false}, {"ma", true}};
        for (const auto& [steps, unread] : cases) {
            WatchListModel list;
            list.addChange(Path, QDateTime::currentDateTime());
            list.addChange(Path, QDateTime::currentDateTime());
            for (const QChar step : steps) {
                if (step.isDigit())
                    QVERIFY(list.setData(list.index(step.digitValue(), 0), Qt::Checked, Qt::CheckStateRole));
                else if (step == u'c')
                    list.clear();
                else if (step == u'm')
                    list.markAllRead();
                else
                    list.addChange(Path, QDateTime::currentDateTime());
            }
            QVERIFY2(list.unread() == unread, qPrintable(steps));
            if (steps == QLatin1String("m"))
                QVERIFY(list.rows()[0].read && list.rows()[1].read);
        }
    }

private:
    // Starts a slot with every filter bit and waits until its request stands (or the thread gave up).
    static void start(WatchController& watch, int slot, const QString& keyPath, bool subtree)
    {
        watch.watchSlots()[size_t(slot)] = WatchSlot{keyPath, REG_NOTIFY_ALL, false, subtree, false};
        watch.activate(slot);
        QTRY_VERIFY(watch.thread(slot)->watching() || watch.thread(slot)->isFinished());
    }

    StoreFixture m_fixture;
};

QTEST_GUILESS_MAIN(TestWatchController)
#include "TestWatchController.moc"
