// The watch dialog and the watch page in the main window, offscreen, against a real store.

#include "registry/RegTestKeys.h"

#include "mainwindow/NavigationCommands.h"
#include "mainwindow/TMainForm.h"
#include "settings/OptionsStore.h"
#include "watch/TThreadForm.h"
#include "watch/TWatchPage.h"
#include "watch/WatchController.h"
#include "widgets/TDropDownCheckList.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>

using namespace RegTestKeys;

namespace {

const QString Sub = QStringLiteral("Software\\Watched");
const QString Path = QStringLiteral("HKEY_CURRENT_USER\\Software\\Watched");

QStringList tabTexts(const TMainForm& form)
{
    QStringList texts;
    const auto* tabs = form.findChild<QTabBar*>(QStringLiteral("ToolTabs"));
    for (int i = 0; i < tabs->count(); ++i)
        texts << tabs->tabText(i);
    return texts;
}

} // namespace

class TestWatchForms final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fixture.start());
        Options() = KavenOptions{};
        QVERIFY(makeKey(Sub));
    }
    void cleanup()
    {
        m_form.reset();
        m_fixture.stop();
    }

    void watchPageFollowsTheActiveSlots()
    {
        m_form = std::make_unique<TMainForm>();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QVERIFY(OpenKeyInTree(Path, *m_form->keyTree()));
        runDialog([](TThreadForm* dialog) {
            auto* insert = dialog->findChild<QPushButton*>(QStringLiteral("InsertKeyButton2"));
            auto* active = dialog->findChild<QCheckBox*>(QStringLiteral("ActiveCheckBox2"));
            QVERIFY(!active->isEnabled()); // nothing to watch yet
            QTest::mouseClick(insert, Qt::LeftButton);
            QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("KeyPathEdit2"))->text(), Path);
            dialog->findChild<QCheckBox*>(QStringLiteral("FilterCheckBox2"))->click();
            active->click();
            QVERIFY(!insert->isEnabled()); // an active slot keeps its settings
        });
        WatchController& watch = m_form->watch();
        QVERIFY(watch.watchSlots()[1].active);
        QCOMPARE(watch.watchSlots()[1].filter, REG_NOTIFY_ALL);
        QVERIFY(m_form->watchPage());
        QCOMPARE(tabTexts(*m_form).last(), QStringLiteral("Überwachung"));
        QTRY_VERIFY(watch.thread(1)->watching());

        QVERIFY(setValue(Sub, QStringLiteral("v"), REG_SZ, sz("1")));
        QTRY_COMPARE_WITH_TIMEOUT(watch.list().rows().size(), 1, 5000);
        auto* panel = m_form->findChild<QLabel*>(QStringLiteral("StatusPanel0"));
        QCOMPARE(panel->property("indicator").toString(), QStringLiteral("1"));
        auto* tabs = m_form->findChild<QTabBar*>(QStringLiteral("ToolTabs"));
        QCOMPARE(tabs->tabText(tabs->currentIndex()), QStringLiteral("Überwachung")); // not silent
        QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(10, 5));
        QCOMPARE(panel->property("indicator").toString(), QStringLiteral("0"));
        QVERIFY(watch.list().rows().first().read);

        runDialog([](TThreadForm* dialog) {
            dialog->findChild<QCheckBox*>(QStringLiteral("ActiveCheckBox2"))->click();
        });
        QVERIFY(watch.thread(1)->wait(1000));
        QVERIFY(!m_form->watchPage());
        QVERIFY(!tabTexts(*m_form).contains(QStringLiteral("Überwachung")));
        QCOMPARE(watch.list().rows().size(), 0);
    }

    // The box is checked with any bit, greyed with one to three; a click sets all four or none.
    void filterBox()
    {
        const std::tuple<QString, Qt::CheckState, int> cases[] = { // clicks (box or a bit), box state, filter
            {"box", Qt::Checked, 15}, {"box,box", Qt::Unchecked, 0}, {"2", Qt::PartiallyChecked, 4},
            {"0,box", Qt::Checked, 15}, {"0,1,2,3", Qt::Checked, 15}, {"box,1", Qt::PartiallyChecked, 13}};
        for (const auto& [clicks, state, filter] : cases) {
            WatchController watch;
            TThreadForm dialog(watch, Path);
            auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("FilterCheckBox1"));
            auto* bits = dialog.findChild<TDropDownCheckList*>(QStringLiteral("FilterButton1"));
            for (const QString& click : clicks.split(QLatin1Char(','))) {
                if (click == QLatin1String("box"))
                    box->click();
                else
                    bits->toggleItem(click.toInt());
            }
            QCOMPARE(box->checkState(), state);
            dialog.done(QDialog::Rejected);
            QCOMPARE(int(watch.watchSlots()[0].filter), filter);
        }
    }

    // Leaving the machine stops and joins every thread; the window ends with a thread still running.
    void machineChangeAndEndStopTheThreads()
    {
        RegSetMachineStore(QStringLiteral("SERVER"), m_fixture.store->otherStorePath(QStringLiteral("server")));
        const auto restore = qScopeGuard([] { RegSetMachineStore(QStringLiteral("SERVER"), QString()); });
        m_form = std::make_unique<TMainForm>();
        WatchController& watch = m_form->watch();
        for (int slot : {0, 3})
            start(watch, slot, Path, true);
        auto* machines = m_form->findChild<QComboBox*>(QStringLiteral("MachineComboBox"));
        machines->addItem(QStringLiteral("SERVER"));
        emit machines->activated(machines->count() - 1);
        QCOMPARE(CurrentMachine(), QStringLiteral("\\\\SERVER"));
        QVERIFY(!watch.anyActive());
        QVERIFY(!watch.thread(0) && !watch.thread(3));

        start(watch, 1, Path, false);
        QVERIFY(watch.thread(1)->watching()); // the local registry, whatever machine is shown
        QVERIFY(setValue(Sub, QStringLiteral("v"), REG_SZ, sz("1")));
        m_form.reset();
    }

private:
    // Starts a slot with every filter bit and waits until its request stands (or the thread gave up).
    static void start(WatchController& watch, int slot, const QString& keyPath, bool subtree)
    {
        watch.watchSlots()[size_t(slot)] = WatchSlot{keyPath, REG_NOTIFY_ALL, false, subtree, false};
        watch.activate(slot);
        QTRY_VERIFY(watch.thread(slot)->watching() || watch.thread(slot)->isFinished());
    }

    // Opens the dialog with Ctrl+W's command, lets act work on it and closes it with "&Schließen".
    void runDialog(const std::function<void(TThreadForm*)>& act)
    {
        bool ran = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<TThreadForm*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            const auto close = qScopeGuard([dialog] {
                QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("CloseButton")), Qt::LeftButton);
            });
            act(dialog);
            ran = true;
        });
        m_form->action(QStringLiteral("Watch1"))->trigger();
        QVERIFY(ran);
    }

    StoreFixture m_fixture;
    std::unique_ptr<TMainForm> m_form;
};

QTEST_MAIN(TestWatchForms)
#include "TestWatchForms.moc"
