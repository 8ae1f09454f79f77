#include "mainwindow/NavigationCommands.h"

#include "settings/OptionsStore.h"
#include "mainwindow/Favorites.h"
#include "platform/WinReg.h"
#include "registry/KeyTreeModel.h"
#include "registry/RegUtils.h"
#include "registry/RegistryAccessor.h"
#include "support/RecordingMessageSink.h"
#include "support/TempStore.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Nav = u"HKEY_CURRENT_USER\\Software\\Nav"_s;

void makeKeyOn(const QString& machine, const QString& path)
{
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    QVERIFY(ConnectRootKeyOn(reg, machine, GetRootKey(path), true));
    QVERIFY(reg.openKey(QLatin1Char('\\') + GetSubKeyPath(path), true));
}

// The main window's part that the navigation works on: a key tree wired as the main window wires it,
// the history and machine combo boxes, the favorites list and the actions.
struct Window {
    QWidget top;
    KeyTreeModel model;
    QTreeView* tree = new QTreeView(&top);
    QComboBox* history = new QComboBox(&top);
    QComboBox* machines = new QComboBox(&top);
    QTreeWidget* favorites = new QTreeWidget(&top);
    QAction* back = new QAction(u"Schlüssel &zurück"_s, &top);
    QAction* forward = new QAction(u"Schlüssel &vorwärts"_s, &top);
    QAction* connect = new QAction(u"&Netzwerkverbindung herstellen ..."_s, &top);
    QAction* disconnect = new QAction(u"Ne&tzwerkverbindung trennen ..."_s, &top);
    QAction* editHistory = new QAction(u"His&toryliste bearbeiten"_s, &top);
    std::unique_ptr<NavigationCommands> nav;
    QString machineAnswer;
    QStringList offered;

    Window()
    {
        tree->setModel(&model);
        history->setEditable(true);
        machines->addItem(LocalMachineWord);
        favorites->setHeaderLabels({u"Beschreibung"_s, u"Schlüssel"_s});
        QObject::connect(&model, &KeyTreeModel::expandRequested, tree, &QTreeView::expand);
        QObject::connect(tree, &QTreeView::expanded, &model,
                         [this](const QModelIndex& n) { model.setExpanded(n, true); });
        QObject::connect(tree, &QTreeView::collapsed, &model,
                         [this](const QModelIndex& n) { model.setExpanded(n, false); });
        tree->setCurrentIndex(BuildRootNodes(model));
        NavigationCommands::Hooks hooks;
        hooks.askMachineName = [this](const QStringList& known) {
            offered = known;
            return machineAnswer;
        };
        hooks.localComputerName = u"MYHOST"_s;
        nav = std::make_unique<NavigationCommands>(
            NavigationCommands::Widgets{tree, history, machines, favorites},
            NavigationCommands::Actions{back, forward, editHistory, connect, disconnect}, hooks);
        nav->loadMachineList();
        nav->loadHistory();
        nav->loadFavorites();
    }
    ~Window()
    {
        nav->saveMachineList();
        nav->saveHistory();
        nav->saveFavorites();
    }
    [[nodiscard]] QString current() const { return GetNodePath(model, tree->currentIndex()); }
    // A pick in a drop-down list, as the user makes it.
    static void pick(QComboBox* box, int index)
    {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    [[nodiscard]] QStringList historyItems() const
    {
        QStringList items;
        for (int i = 0; i < history->count(); ++i)
            items << history->itemText(i);
        return items;
    }
    // The connected machine, the machine list's text, the top node's text, the current key, then the history.
    [[nodiscard]] QStringList state() const
    {
        return QStringList{CurrentMachine(), machines->currentText(), model.text(model.index(0, 0)), current()}
               + historyItems();
    }
};

} // namespace

class TestNavigationCommands final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_store.emplace().ok());
        Options() = KavenOptions{};
        Options().dataPath = m_store->dataDir();
        Options().favoriteFile = m_store->dataDir() + u"/favorite.fav"_s;
        m_sink = std::make_unique<RecordingMessageSink>();
        RegSetMachineStore(u"SERVER"_s, m_store->otherStorePath(u"server"_s));
        for (const char* key : {"A", "B\\Sub", "C", "D"})
            makeKeyOn(QString(), Nav + QLatin1Char('\\') + QLatin1String(key));
        makeKeyOn(u"\\\\SERVER"_s, u"HKEY_CURRENT_USER\\Software\\OnServer\\X"_s);
    }
    void cleanup()
    {
        CurrentMachine().clear();
        ResetRootKeys();
        RegSetMachineStore(u"SERVER"_s, QString());
        m_sink.reset();
        m_store.reset();
    }

    void backForwardPickingAndMissing()
    {
        Window w;
        for (const char* key : {"A", "B\\Sub", "C"})
            QVERIFY(OpenKeyInTree(Nav + QLatin1Char('\\') + QLatin1String(key), *w.tree));
        QCOMPARE(w.historyItems(), (QStringList{Nav + "\\A", Nav + "\\B\\Sub", Nav + "\\C"}));
        QVERIFY(w.back->isEnabled() && !w.forward->isEnabled());
        w.back->trigger();
        w.back->trigger();
        QCOMPARE(w.current(), Nav + "\\A");
        QCOMPARE(w.history->currentIndex(), 0);
        QVERIFY(!w.back->isEnabled() && w.forward->isEnabled());

        // Picking an entry opens it without recording it again.
        Window::pick(w.history, 2);
        QCOMPARE(w.current(), Nav + "\\C");
        QVERIFY(w.historyItems().size() == 3 && m_sink->count() == 0);

        // An entry whose key is gone is offered for removal; No keeps it.
        QCOMPARE(RegDeleteKey(HKEY_CURRENT_USER, u"Software\\Nav\\B\\Sub"_s), LONG(ERROR_SUCCESS));
        m_sink->pushAnswer(MessageAnswer::No);
        w.back->trigger();
        QCOMPARE(m_sink->last().text, u"Schlüssel nicht gefunden. Aus Historyliste entfernen?"_s);
        QCOMPARE(w.current(), Nav + "\\C");
        QVERIFY(w.historyItems().size() == 3 && w.history->currentIndex() == 1);
    }

    void switchMachinesAndBack()
    {
        QStringList localHistory;
        {
            Window w;
            QVERIFY(OpenKeyInTree(Nav + "\\A", *w.tree) && OpenKeyInTree(Nav + "\\B\\Sub", *w.tree));
            localHistory = w.historyItems();

            w.machineAnswer = u"SERVER"_s;
            w.connect->trigger();
            QCOMPARE(w.state(), (QStringList{"\\\\SERVER", "\\\\SERVER", "Netzwerk PC: SERVER", ""}));
            QCOMPARE(w.tree->currentIndex(), w.model.index(0, 0));
            QCOMPARE(w.machines->itemText(0), u"\\\\SERVER"_s);
            QVERIFY(OpenKeyInTree(u"HKEY_CURRENT_USER\\Software\\OnServer\\X"_s, *w.tree));

            w.disconnect->trigger();
            QCOMPARE(w.state(), QStringList({"", LocalMachineWord, MyComputerName, Nav + "\\B\\Sub"}) + localHistory);
            const QModelIndex b = w.tree->currentIndex().parent();
            QVERIFY(w.tree->isExpanded(b) && w.tree->isExpanded(b.parent()));

            // Back to the server through the list: its key and history return.
            Window::pick(w.machines, 0);
            const QString onServer = u"HKEY_CURRENT_USER\\Software\\OnServer\\X"_s;
            QCOMPARE(w.state(), (QStringList{"\\\\SERVER", "\\\\SERVER", "Netzwerk PC: SERVER", onServer, onServer}));
            QCOMPARE(w.offered, QStringList{});
        }
        // Shutdown wrote the server's history, the switch the local one.
        const QString data = m_store->dataDir() + QLatin1Char('/');
        QCOMPARE(readFile(data + "SERVERhistory.dat"), QByteArray("HKEY_CURRENT_USER\\Software\\OnServer\\X\r\n"));
        QCOMPARE(readFile(data + "history.dat"), localHistory.join("\r\n").toLatin1() + "\r\n");
        QCOMPARE(readFile(data + "remote.dat"), QByteArray("\\\\SERVER\r\nLokaler PC\r\n"));

        // The next run starts on the local machine with its history; the server is offered.
        CurrentMachine().clear();
        Window next;
        QCOMPARE(next.machines->currentText(), LocalMachineWord);
        QCOMPARE(next.historyItems(), localHistory);
        next.machineAnswer.clear();
        next.connect->trigger();
        QCOMPARE(next.offered, QStringList{"\\\\SERVER"});
    }

    void failedConnectionChangesNothing()
    {
        QVERIFY(writeFile(m_store->dataDir() + u"/remote.dat"_s, "\\\\GONE\r\n\\\\SERVER\r\n"));
        Window w;
        QVERIFY(w.machines->count() == 3 && w.machines->currentText() == LocalMachineWord);
        QVERIFY(OpenKeyInTree(Nav + "\\A", *w.tree));

        w.machineAnswer = u"NOWHERE"_s;
        w.connect->trigger();
        QCOMPARE(m_sink->last().text, u"Konnte keine Verbindung mit \\\\NOWHERE herstellen."_s);
        QCOMPARE(w.machines->count(), 3);
        QCOMPARE(w.state(), (QStringList{"", LocalMachineWord, MyComputerName, Nav + "\\A", Nav + "\\A"}));

        w.machineAnswer = u"\\\\myhost"_s;
        w.connect->trigger();
        QCOMPARE(m_sink->last().text, u"Fehler: Eine Verbindung mit dem eigenen Computer ist nicht möglich."_s);

        // Picking an unreachable entry: the list shows the machine that stays connected.
        Window::pick(w.machines, 0);
        QCOMPARE(w.state(), (QStringList{"", LocalMachineWord, MyComputerName, Nav + "\\A", Nav + "\\A"}));
        Window::pick(w.machines, 1);
        QCOMPARE(CurrentMachine(), u"\\\\SERVER"_s);
        Window::pick(w.machines, 0);
        QCOMPARE(w.state().mid(0, 3), (QStringList{"\\\\SERVER", "\\\\SERVER", "Netzwerk PC: SERVER"}));
    }

    void favorites()
    {
        const QString today = u"Schlüssel vom "_s + QDate::currentDate().toString(u"dd.MM.yyyy"_s);
        {
            Window w;
            QVERIFY(OpenKeyInTree(Nav + "\\C", *w.tree));
            QList<QAction*> fav = w.nav->favoriteActions();
            QVERIFY(!fav[1]->isEnabled());
            fav[0]->trigger();
            QCOMPARE(w.nav->favorites(), (QList<Favorite>{{today, Nav + "\\C"}}));
            QVERIFY(fav[1]->isEnabled());
            // The description is being edited; emptied, it reverts.
            QTreeWidgetItem* item = w.favorites->topLevelItem(0);
            item->setText(0, QString());
            QCOMPARE(item->text(0), today);
            item->setText(0, u"Mein C"_s);

            QVERIFY(OpenKeyInTree(Nav + "\\A", *w.tree));
            fav[0]->trigger();
            fav[0]->trigger();
            QVERIFY(OpenKeyInTree(Nav + "\\c", *w.tree));
            fav[0]->trigger(); // already a favorite in another case
            QCOMPARE(w.nav->favorites(), (QList<Favorite>{{today, Nav + "\\A"}, {"Mein C", Nav + "\\C"}}));

            w.favorites->setCurrentItem(w.favorites->topLevelItem(0));
            fav[2]->trigger();
            QCOMPARE(w.current(), Nav + "\\A");
            w.favorites->setCurrentItem(w.favorites->topLevelItem(1));
            emit w.favorites->itemDoubleClicked(w.favorites->topLevelItem(1), 0); // a double-click opens too
            QCOMPARE(w.current(), Nav + "\\C");
            w.favorites->setCurrentItem(w.favorites->topLevelItem(0));

            m_sink->pushAnswer(MessageAnswer::Yes);
            fav[1]->trigger();
            QCOMPARE(m_sink->last().text, u"Schlüssel wirklich entfernen?"_s);
            QCOMPARE(w.nav->favorites(), (QList<Favorite>{{"Mein C", Nav + "\\C"}}));
            QVERIFY(w.favorites->topLevelItem(0)->isSelected());
        }
        QCOMPARE(readFile(Options().favoriteFile), "06Mein C" + (Nav + "\\C\r\n").toLatin1());

        // "Datei speichern ..." and "Datei öffnen ..." switch the favorites file (always ".fav").
        Window w;
        const QString other = m_store->dataDir() + u"/andere"_s;
        m_sink->pushFileName(other + u".txt"_s);
        w.nav->favoriteActions()[4]->trigger();
        QCOMPARE(Options().favoriteFile, other + u".fav"_s);
        QCOMPARE(readFile(other + ".fav"), readFile(m_store->dataDir() + "/favorite.fav"));
        m_sink->pushFileName(m_store->dataDir() + u"/fehlt.fav"_s);
        w.nav->favoriteActions()[3]->trigger();
        QCOMPARE(w.favorites->topLevelItemCount(), 1); // a missing file leaves the list
    }

private:
    std::optional<TempStore> m_store;
    std::unique_ptr<RecordingMessageSink> m_sink;
};

QTEST_MAIN(TestNavigationCommands)
#include "TestNavigationCommands.moc"
