#include "registry/RegTestKeys.h"

#include "mainwindow/EditCommands.h"
#include "mainwindow/MachineList.h"
#include "mainwindow/NavigationCommands.h"
#include "mainwindow/TMainForm.h"
#include "parallel/TCopyForm.h"
#include "platform/WinReg.h"
#include "registry/KeyTreeModel.h"
#include "registry/RegistryAccessor.h"
#include "settings/OptionsStore.h"
#include "support/TestFiles.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

using namespace RegTestKeys;

namespace {

const QString Sub = QStringLiteral("Software\\Par");
const QString Base = QStringLiteral("HKEY_CURRENT_USER\\Software\\Par");
const QString OnServer = QStringLiteral("HKEY_CURRENT_USER\\Software\\OnServer");

} // namespace

class TestCopyForm final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_keys.start());
        Options() = KavenOptions{};
        QGuiApplication::clipboard()->clear();
        for (const char* key : {"\\A", "\\B", "\\C", "\\Target"})
            QVERIFY(makeKey(Sub + QLatin1String(key)));
        QVERIFY(setValue(Sub + QStringLiteral("\\A"), QStringLiteral("s"), REG_SZ, sz("abc")));
        QVERIFY(setValue(Sub + QStringLiteral("\\A\\Deep"), QStringLiteral("t"), REG_SZ, sz("x")));
    }
    void cleanup()
    {
        m_main.reset();
        RegSetMachineStore(QStringLiteral("SERVER"), QString());
        m_keys.stop();
    }

    // Commands and buttons follow the selected node; at the machine node nothing key-bound is enabled.
    // Values can be copied only while some are selected; the main window stays at its machine node, so
    // there is nothing to take over from it.
    void enablingFollowsSelection()
    {
        // the node, the status text, and which of OpenInMain, CopyKey, ValueProperties, CopyValues, OpenFromMain
        // are enabled: at the machine node, at a root key, at a subkey
        const std::tuple<QString, QString, QList<bool>> cases[] = {
            {QString(), "Arbeitsplatz", {false, false, false, false, false}},
            {"HKEY_CURRENT_USER", "Arbeitsplatz\\HKEY_CURRENT_USER", {true, false, true, false, false}},
            {Base + "\\A", "Arbeitsplatz\\" + Base + "\\A", {true, true, true, false, false}}};
        for (const auto& [path, status, enabled] : cases) {
            cleanup();
            init();
            TCopyForm& copy = openParallel();
            if (!path.isEmpty())
                QVERIFY(OpenKeyInTree(path, *copy.keyTree()));
            QCOMPARE(copy.statusText(), status);
            QList<bool> actions;
            for (const char* name : {"OpenInMain1", "CopyKey1", "ValueProperties1", "CopyValues1", "OpenFromMain1"})
                actions << copy.action(name)->isEnabled();
            QCOMPARE(actions, enabled);
            QCOMPARE(copy.valueModel().rowCount() > 0, !path.isEmpty());
        }
    }

    // Back and forward go through the parallel view's own history; Ctrl+H there edits that history, not
    // the main window's. Keys open from one window in the other; copies paste in the main window.
    void betweenTheWindows()
    {
        TCopyForm& copy = openParallel();
        QVERIFY(OpenKeyInTree(Base + "\\A", *m_main->keyTree()));
        for (const char* key : {"\\A", "\\B", "\\C"})
            QVERIFY(OpenKeyInTree(Base + QLatin1String(key), *copy.keyTree()));
        copy.action("Back1")->trigger();
        QCOMPARE(copy.CurrentKeyPath(), Base + "\\B");
        QStringList shown;
        copy.editHistory = [&shown](QStringList& entries) {
            shown = entries;
            entries.removeAt(2);
            return true;
        };
        copy.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&copy));
        QTest::keyClick(&copy, Qt::Key_H, Qt::ControlModifier);
        QCOMPARE(shown, QStringList({Base + "\\A", Base + "\\B", Base + "\\C"}));
        QCOMPARE(copy.navigation().history().entries(), QStringList({Base + "\\A", Base + "\\B"}));
        QCOMPARE(m_main->navigationCommands()->history().entries(), QStringList{Base + "\\A"});
        QVERIFY(OpenKeyInTree(Base + "\\B", *m_main->keyTree()));
        QVERIFY(copy.action("OpenFromMain1")->isEnabled());
        copy.action("OpenFromMain1")->trigger();
        QCOMPARE(copy.CurrentKeyPath(), Base + "\\B");
        QVERIFY(OpenKeyInTree(Base + "\\C", *copy.keyTree()));
        copy.action("OpenInMain1")->trigger();
        QCOMPARE(m_main->CurrentKeyPath(), Base + "\\C");

        // A key gone behind the windows' backs cannot be opened from the other window.
        QCOMPARE(RegDeleteKey(HKEY_CURRENT_USER, Sub + "\\C"), LONG(ERROR_SUCCESS));
        copy.action("OpenInMain1")->trigger();
        copy.action("OpenFromMain1")->trigger();
        QCOMPARE(m_keys.sink->texts(), QStringList(2, "Fehler: Konnte Schlüssel nicht öffnen."));
        QCOMPARE(copy.CurrentKeyPath(), Base + "\\C");
        // A key and values copied in the parallel view paste in the main window.
        QVERIFY(OpenKeyInTree(Base + "\\A", *copy.keyTree()));
        copy.action("CopyKey1")->trigger();
        QVERIFY(OpenKeyInTree(Base + "\\Target", *m_main->keyTree()));
        m_main->keyTree()->setFocus();
        m_main->UpdateCommands();
        QVERIFY(m_main->action(QStringLiteral("Paste1"))->isEnabled());
        m_main->editCommands()->PasteClick();
        QCOMPARE(value(Sub + "\\Target\\A\\Deep", "t"), qMakePair(DWORD(REG_SZ), sz("x")));
        QVERIFY(exists(Sub + "\\A\\Deep")); // copied, not moved

        copy.valueList()->selectAll();
        QVERIFY(copy.action("CopyValues1")->isEnabled());
        copy.action("CopyValues1")->trigger();
        QVERIFY(OpenKeyInTree(Base + "\\B", *m_main->keyTree()));
        m_main->valueList()->setFocus();
        m_main->valueList()->clearSelection();
        m_main->editCommands()->PasteClick();
        QCOMPARE(value(Sub + "\\B", "s"), qMakePair(DWORD(REG_SZ), sz("abc")));
    }

    // F6 opens the one parallel view, then minimises it and brings it back; closing it ends it.
    void f6AndTheWindowMenu()
    {
        showMain();
        QVERIFY(!m_main->parallelView());
        QTest::keyClick(m_main.get(), Qt::Key_F6);
        QPointer<TCopyForm> copy = m_main->parallelView();
        QVERIFY(copy && copy->isVisible() && !copy->isMinimized());
        for (const bool minimized : {true, false}) {
            QTest::keyClick(m_main.get(), Qt::Key_F6);
            QCOMPARE(copy->isMinimized(), minimized);
        }
        QCOMPARE(m_main->parallelView(), copy.data());
        // Closing it clears the flag and the next F6 builds a new one.
        copy->close();
        QVERIFY(!m_main->parallelView() && !Options().copyWinShow);
        QTRY_VERIFY(!copy);
        // The window menu's commands place the windows and carry column widths across.
        const QList<QMenu*> menus = m_main->menuBar()->findChildren<QMenu*>();
        const auto found = std::find_if(menus.begin(), menus.end(), [](QMenu* m) { return m->title() == "&Fenster"; });
        QVERIFY(found != menus.end());
        QMenu* windowMenu = *found;
        emit windowMenu->aboutToShow();
        QVERIFY(!m_main->action("ParallelBelow1")->isEnabled());
        QVERIFY(m_main->action("HalveWindow1")->isEnabled());

        m_main->ParallelViewClick();
        TCopyForm& view = *m_main->parallelView();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        emit windowMenu->aboutToShow();
        QVERIFY(m_main->action("ParallelBelow1")->isEnabled());

        auto* client = qobject_cast<QSplitter*>(m_main->centralWidget());
        QVERIFY(client);
        QWidget* panel = client->widget(1);
        m_main->action("HalveWindow1")->trigger();
        QCOMPARE(panel->height(), client->height() / 2);

        m_main->action("ParallelBelow1")->trigger();
        const QRect frame = m_main->frameGeometry();
        QCOMPARE(view.frameGeometry(),
                 QRect(frame.left(), panel->mapToGlobal(QPoint(0, 0)).y(), frame.width(), panel->height()));

        // Column widths and tree width go across in either direction, by column index.
        const QList<int> widths = {111, 77, 150, 44};
        for (int c = 0; c < widths.size(); ++c)
            view.valueList()->setColumnWidth(c, widths[c]);
        view.setTreeWidth(123);
        m_main->action("MainLikeParallel1")->trigger();
        QCOMPARE(m_main->keyTree()->width(), view.keyTree()->width());
        for (int c = 0; c < 3; ++c)
            QCOMPARE(m_main->valueList()->columnWidth(c), widths[c]);
        m_main->valueList()->setColumnWidth(1, 99);
        m_main->action("ParallelLikeMain1")->trigger();
        QCOMPARE(view.valueList()->columnWidth(1), 99);
    }

    // The view open at shutdown returns at the next start with its history and placement.
    void reopenedAtStartWithHistoryAndPlacement()
    {
        TCopyForm& copy = openParallel();
        for (const char* key : {"\\A", "\\B"})
            QVERIFY(OpenKeyInTree(Base + QLatin1String(key), *copy.keyTree()));
        copy.setGeometry(70, 80, 600, 300);
        m_main->close();
        m_main.reset();
        QCOMPARE(readFile(DataFile("copyhistory.dat")), (Base + "\\A\r\n" + Base + "\\B\r\n").toLatin1());

        Options() = KavenOptions{};
        showMain();
        TCopyForm* again = m_main->parallelView();
        QVERIFY(again && again->isVisible());
        QCOMPARE(again->geometry(), QRect(70, 80, 600, 300));
        QCOMPARE(again->historyBox()->count(), 2);
        emit again->historyBox()->activated(0);
        QCOMPARE(again->CurrentKeyPath(), Base + "\\A");
    }

    // Switching machines keeps each machine's parallel tree and history apart.
    void machineChangeSavesAndRestoresTreeAndHistory()
    {
        RegSetMachineStore(QStringLiteral("SERVER"), m_keys.store->otherStorePath(QStringLiteral("server")));
        {
            RegistryAccessor reg(KEY_READ | KEY_WRITE);
            QVERIFY(ConnectRootKeyOn(reg, QStringLiteral("\\\\SERVER"), HKEY_CURRENT_USER, true));
            QVERIFY(reg.openKey(QStringLiteral("\\Software\\OnServer"), true));
        }
        QVERIFY(QDir().mkpath(m_keys.store->dirPath() + "/kaven"));
        QVERIFY(MachineList::save({QStringLiteral("\\\\SERVER"), LocalMachineWord},
                                  m_keys.store->dirPath() + "/kaven/" + MachineList::fileName()));
        TCopyForm& copy = openParallel();
        const QStringList local = {Base + "\\A", Base + "\\C"};
        for (const QString& key : local)
            QVERIFY(OpenKeyInTree(key, *copy.keyTree()));

        m_main->navigationCommands()->MachinePicked(0);
        QCOMPARE(CurrentMachine(), QStringLiteral("\\\\SERVER"));
        QCOMPARE(readFile(DataFile("copyhistory.dat")), (local.join("\r\n") + "\r\n").toLatin1());
        QVERIFY(QFile::exists(DataFile("copyLokaler PC.tmp")));
        QCOMPARE(copy.treeModel().text(copy.treeModel().index(0, 0)), QStringLiteral("Netzwerk PC: SERVER"));
        QVERIFY(copy.CurrentKeyPath().isEmpty() && copy.historyBox()->count() == 0);
        QVERIFY(OpenKeyInTree(OnServer, *copy.keyTree()));

        m_main->navigationCommands()->MachinePicked(1);
        QVERIFY(CurrentMachine().isEmpty());
        QCOMPARE(readFile(DataFile("SERVERcopyhistory.dat")), (OnServer + "\r\n").toLatin1());
        QCOMPARE(copy.CurrentKeyPath(), Base + "\\C");
        QCOMPARE(copy.navigation().history().entries(), local);
        QVERIFY(copy.action("Back1")->isEnabled());
    }

private:
    void showMain()
    {
        m_main = std::make_unique<TMainForm>();
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    }

    TCopyForm& openParallel()
    {
        showMain();
        m_main->ParallelViewClick();
        return *m_main->parallelView();
    }

    StoreFixture m_keys;
    std::unique_ptr<TMainForm> m_main;
};

QTEST_MAIN(TestCopyForm)
#include "TestCopyForm.moc"
