#include "RegTestKeys.h"

#include "registry/KeyTreeModel.h"
#include "registry/RegKeyUtils.h"
#include "registry/RegUtils.h"
#include "support/RecordingMessageSink.h"
#include "support/ScriptedProgress.h"
#include "support/TempStore.h"

#include <QtTest>

#include <memory>

using namespace RegTestKeys;

namespace {

const QString Base = QStringLiteral("HKEY_CURRENT_USER\\T");
const QString Server = QStringLiteral("\\\\SERVER");

void denyWrite(const QString& subKey)
{
    HKEY key = 0;
    QVERIFY(RegOpenKeyEx(HKEY_CURRENT_USER, subKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS);
    QVERIFY(RegSetKeyDeny(key, KEY_DENY_WRITE) == ERROR_SUCCESS);
    RegCloseKey(key);
}

// A source tree of three levels with every kind of data.
void makeSource(HKEY root = HKEY_CURRENT_USER)
{
    QVERIFY(setValue(QStringLiteral("T\\Src"), QStringLiteral("sz"), REG_SZ, sz("top"), root));
    QVERIFY(setValue(QStringLiteral("T\\Src"), QString(), REG_SZ, sz("default"), root));
    QVERIFY(setValue(QStringLiteral("T\\Src\\A"), QStringLiteral("exp"), REG_EXPAND_SZ, QByteArray("%P%\0", 4), root));
    QVERIFY(setValue(QStringLiteral("T\\Src\\A\\Deep"), QStringLiteral("multi"), REG_MULTI_SZ,
                     QByteArray("x\0y\0\0", 5), root));
    QVERIFY(setValue(QStringLiteral("T\\Src\\B"), QStringLiteral("bin"), REG_BINARY, QByteArray("\0\1", 2), root));
    QVERIFY(setValue(QStringLiteral("T\\Src\\B"), QStringLiteral("odd"), REG_DWORD, QByteArray("\1\2\3", 3), root));
    QVERIFY(setValue(QStringLiteral("T\\Src\\B\\Empty"), QStringLiteral("none"), REG_NONE, QByteArray(), root));
}

void checkCopy(const QString& target, HKEY root = HKEY_CURRENT_USER)
{
    QCOMPARE(value(target, QStringLiteral("sz"), root), qMakePair(REG_SZ, sz("top")));
    QCOMPARE(value(target, QString(), root), qMakePair(REG_SZ, sz("default")));
    QCOMPARE(value(target + QStringLiteral("\\A"), QStringLiteral("exp"), root),
             qMakePair(REG_EXPAND_SZ, QByteArray("%P%\0", 4)));
    QCOMPARE(value(target + QStringLiteral("\\A\\Deep"), QStringLiteral("multi"), root),
             qMakePair(REG_MULTI_SZ, QByteArray("x\0y\0\0", 5)));
    QCOMPARE(value(target + QStringLiteral("\\B"), QStringLiteral("bin"), root),
             qMakePair(REG_BINARY, QByteArray("\0\1", 2)));
    QCOMPARE(value(target + QStringLiteral("\\B"), QStringLiteral("odd"), root),
             qMakePair(REG_DWORD, QByteArray("\1\2\3", 3)));
    QCOMPARE(value(target + QStringLiteral("\\B\\Empty"), QStringLiteral("none"), root),
             qMakePair(REG_NONE, QByteArray()));
}

} // namespace

class TestRegKeyUtils : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void createNewKey();
    void createNewKeyFails();
    void createKeyPath();
    void deleteKeyPath();
    void renameKey();
    void renameKeyRefused_data();
    void renameKeyRefused();
    void copyKey();
    void copyKeyOverwrite();
    void copyKeyAcrossMachines();
    void copyKeyIntoItself_data();
    void copyKeyIntoItself();
    void copyKeyCancel();
    void copyKeyNoConnection();

private:
    std::unique_ptr<TempStore> m_store;
    std::unique_ptr<RecordingMessageSink> m_sink;
};

void TestRegKeyUtils::init()
{
    m_store = std::make_unique<TempStore>();
    QVERIFY(m_store->ok());
    m_sink = std::make_unique<RecordingMessageSink>();
    CurrentMachine().clear();
    ResetRootKeys();
    RegSetMachineStore(QStringLiteral("SERVER"), m_store->otherStorePath(QStringLiteral("server")));
    QVERIFY(makeKey(QStringLiteral("T")));
}

void TestRegKeyUtils::cleanup()
{
    CurrentMachine().clear();
    RegSetMachineStore(QStringLiteral("SERVER"), QString());
    m_sink.reset();
    m_store.reset();
}

void TestRegKeyUtils::createNewKey()
{
    QVERIFY(makeKey(QStringLiteral("T\\Neuer Schlüssel #1")));
    QVERIFY(makeKey(QStringLiteral("T\\Neuer Schlüssel #3")));
    QVERIFY(makeKey(QStringLiteral("T\\Zeta")));
    KeyTreeModel tree;
    const QModelIndex top = BuildRootNodes(tree);
    const QModelIndex user = tree.index(1, 0, top);
    tree.loadChildren(user);
    const QModelIndex t = tree.findChild(user, QStringLiteral("T"));
    QVERIFY(!tree.childrenLoaded(t));
    QSignalSpy expand(&tree, &KeyTreeModel::expandRequested);

    const int row = CreateNewKey(GetNodePath(tree, t), t, tree);
    QVERIFY(exists(QStringLiteral("T\\Neuer Schlüssel #2")));
    QCOMPARE(expand.count(), 1);
    QCOMPARE(tree.rowCount(t), 4); // the existing children were loaded first
    QCOMPARE(row, 1);
    const QModelIndex node = tree.index(row, 0, t);
    QCOMPARE(tree.text(node), QStringLiteral("Neuer Schlüssel #2"));
    QCOMPARE(tree.image(node), 1);
    QCOMPARE(tree.selectedImage(node), 2);
    QVERIFY(!tree.hasChildren(node));

    // Below a root key the parent path has no subkey part.
    const int rootRow = CreateNewKey(QStringLiteral("HKEY_CURRENT_USER"), user, tree);
    QVERIFY(exists(QStringLiteral("Neuer Schlüssel #1")));
    QCOMPARE(tree.text(tree.index(rootRow, 0, user)), QStringLiteral("Neuer Schlüssel #1"));
    QCOMPARE(m_sink->count(), 0);
}

void TestRegKeyUtils::createNewKeyFails()
{
    KeyTreeModel tree;
    tree.setChildLoader(nullptr);
    const QModelIndex top = tree.addTopNode({QStringLiteral("Arbeitsplatz"), 0, 0, false});
    const QModelIndex user = tree.appendChild(top, {QStringLiteral("HKEY_CURRENT_USER"), 1, 2, true});
    const QModelIndex t = tree.appendChild(user, {QStringLiteral("T"), 1, 2, false});
    denyWrite(QStringLiteral("T"));
    QCOMPARE(CreateNewKey(Base, t, tree), -1);
    QCOMPARE(m_sink->texts(), QStringList{"Fehler: Der Schlüssel konnte nicht erstellt werden."});
    QCOMPARE(tree.rowCount(t), 0);
    CurrentMachine() = QStringLiteral("\\\\NOWHERE");
    QCOMPARE(CreateNewKey(Base, t, tree), -1);
    QCOMPARE(m_sink->count(), 2);
}

void TestRegKeyUtils::createKeyPath()
{
    QCOMPARE(CreateKeyPath(Base + QStringLiteral("\\A\\B\\C\\"), true), RegResult::Success);
    QVERIFY(exists(QStringLiteral("T\\A\\B\\C")));
    QCOMPARE(CreateKeyPath(Base + QStringLiteral("\\A"), true), RegResult::Success);
    denyWrite(QStringLiteral("T\\A"));
    QCOMPARE(CreateKeyPath(Base + QStringLiteral("\\A\\New"), false), RegResult::KeyNotCreated);
    QCOMPARE(m_sink->count(), 0);
    QCOMPARE(CreateKeyPath(Base + QStringLiteral("\\A\\New"), true), RegResult::KeyNotCreated);
    QCOMPARE(CreateKeyPath(Base + QLatin1Char('\\') + QString(256, QLatin1Char('k')), true),
             RegResult::KeyNotCreated);
    CurrentMachine() = QStringLiteral("\\\\NOWHERE");
    QCOMPARE(CreateKeyPath(Base + QStringLiteral("\\X"), true), RegResult::NotConnected);
    QCOMPARE(m_sink->texts(), (QStringList{"Fehler: Konnte Schlüssel nicht erstellen.",
                                           "Fehler: Konnte Schlüssel nicht erstellen.",
                                           "Konnte keine Verbindung mit \\\\NOWHERE herstellen."}));
}

void TestRegKeyUtils::deleteKeyPath()
{
    makeSource();
    QVERIFY(makeKey(QStringLiteral("T\\Keep")));
    QCOMPARE(DeleteKeyPath(Base + QStringLiteral("\\Src"), true), RegResult::Success);
    QVERIFY(!exists(QStringLiteral("T\\Src")));
    QCOMPARE(subKeys(QStringLiteral("T")), QStringList{"Keep"});
    QCOMPARE(DeleteKeyPath(Base + QStringLiteral("\\Src"), true), RegResult::NotFound);
    QCOMPARE(DeleteKeyPath(QStringLiteral("HKEY_CURRENT_USER"), true), RegResult::KeyNotDeleted);
    QVERIFY(exists(QStringLiteral("T\\Keep")));
    QCOMPARE(m_sink->texts(), (QStringList{"Fehler: Angegebener Schlüssel nicht vorhanden.",
                                           "Fehler: Schlüssel konnte nicht gelöscht werden."}));
}

void TestRegKeyUtils::renameKey()
{
    makeSource();
    QCOMPARE(RenameKey(Base + QStringLiteral("\\Src"), QStringLiteral("Src"), QStringLiteral("Moved"), true),
             RegResult::Success);
    QVERIFY(!exists(QStringLiteral("T\\Src")));
    checkCopy(QStringLiteral("T\\Moved"));
    // Directly below a root key, and to a name at the length limit.
    const QString longest(MAX_KEY_NAME, QLatin1Char('L'));
    QCOMPARE(RenameKey(QStringLiteral("HKEY_CURRENT_USER\\T"), QStringLiteral("T"), longest, true),
             RegResult::Success);
    checkCopy(longest + QStringLiteral("\\Moved"));
    QCOMPARE(m_sink->count(), 0);
}

void TestRegKeyUtils::renameKeyRefused_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<RegResult>("result");
    QTest::addColumn<QString>("message");

    QTest::newRow("sibling exists") << "T\\Src" << "Src" << "other" << RegResult::KeyExists
                                    << "Fehler: Angegebener Schlüssel bereits vorhanden.";
    QTest::newRow("case only") << "T\\Src" << "Src" << "SRC" << RegResult::KeyExists
                               << "Fehler: Angegebener Schlüssel bereits vorhanden.";
    QTest::newRow("parent missing") << "T\\Nope\\Src" << "Src" << "X" << RegResult::NotFound
                                    << "Fehler: Angegebener Schlüssel nicht vorhanden.";
    QTest::newRow("key missing") << "T\\Gone" << "Gone" << "X" << RegResult::KeyNotRenamed
                                 << "Fehler: Schlüssel konnte nicht umbenannt werden.";
    QTest::newRow("backslash") << "T\\Src" << "Src" << "a\\b" << RegResult::KeyNotRenamed
                               << "Fehler: Schlüssel konnte nicht umbenannt werden.";
    QTest::newRow("empty") << "T\\Src" << "Src" << "" << RegResult::KeyNotRenamed
                           << "Fehler: Schlüssel konnte nicht umbenannt werden.";
    QTest::newRow("too long") << "T\\Src" << "Src" << QString(MAX_KEY_NAME + 1, QLatin1Char('L'))
                              << RegResult::KeyNotRenamed << "Fehler: Schlüssel konnte nicht umbenannt werden.";
}

void TestRegKeyUtils::renameKeyRefused()
{
    QFETCH(QString, path);
    QFETCH(QString, oldName);
    QFETCH(QString, newName);
    QFETCH(QString, message);
    makeSource();
    QVERIFY(setValue(QStringLiteral("T\\Other"), QStringLiteral("mine"), REG_SZ, sz("other")));
    QTEST(RenameKey(QStringLiteral("HKEY_CURRENT_USER\\") + path, oldName, newName, true), "result");
    QCOMPARE(m_sink->texts(), QStringList{message});
    // Both sides as they were.
    checkCopy(QStringLiteral("T\\Src"));
    QCOMPARE(value(QStringLiteral("T\\Other"), QStringLiteral("mine")), qMakePair(REG_SZ, sz("other")));
    QCOMPARE(subKeys(QStringLiteral("T")), (QStringList{"Other", "Src"}));
}

void TestRegKeyUtils::copyKey()
{
    makeSource();
    QVERIFY(makeKey(QStringLiteral("T\\Dest")));
    ScriptedProgress progress;
    QVERIFY(CopyKey(QString(), QString(), Base + QStringLiteral("\\Src"), true, Base + QStringLiteral("\\Dest\\"),
                    progress));
    checkCopy(QStringLiteral("T\\Dest\\Src"));
    checkCopy(QStringLiteral("T\\Src")); // the source stays
    QCOMPARE(subKeys(QStringLiteral("T\\Dest\\Src")), (QStringList{"A", "B"}));
    QCOMPARE(progress.clearAbortCalls(), 1);
    QVERIFY(progress.steps() >= 5);
    QCOMPARE(m_sink->count(), 0);

    // Directly below a root key, without asking.
    QVERIFY(CopyKey(QString(), QString(), Base + QStringLiteral("\\Src\\A"), false, QStringLiteral("HKEY_USERS"),
                    progress));
    QCOMPARE(value(QStringLiteral("A\\Deep"), QStringLiteral("multi"), HKEY_USERS),
             qMakePair(REG_MULTI_SZ, QByteArray("x\0y\0\0", 5)));
    // A root key has no name to copy under.
    QVERIFY(!CopyKey(QString(), QString(), QStringLiteral("HKEY_CURRENT_USER"), false, Base, progress));
}

void TestRegKeyUtils::copyKeyOverwrite()
{
    makeSource();
    QVERIFY(setValue(QStringLiteral("T\\Dest\\Src"), QStringLiteral("sz"), REG_SZ, sz("old")));
    QVERIFY(setValue(QStringLiteral("T\\Dest\\Src"), QStringLiteral("own"), REG_SZ, sz("mine")));
    ScriptedProgress progress;
    m_sink->pushAnswer(MessageAnswer::No);
    QVERIFY(!CopyKey(QString(), QString(), Base + QStringLiteral("\\Src"), true, Base + QStringLiteral("\\Dest"),
                     progress));
    QCOMPARE(m_sink->texts(), QStringList{"Schlüssel existiert bereits. Überschreiben?"});
    QCOMPARE(m_sink->last().kind, MessageKind::YesNo);
    QCOMPARE(value(QStringLiteral("T\\Dest\\Src"), QStringLiteral("sz")), qMakePair(REG_SZ, sz("old")));
    QCOMPARE(subKeys(QStringLiteral("T\\Dest\\Src")), QStringList());

    m_sink->pushAnswer(MessageAnswer::Yes);
    QVERIFY(CopyKey(QString(), QString(), Base + QStringLiteral("\\Src"), true, Base + QStringLiteral("\\Dest"),
                    progress));
    checkCopy(QStringLiteral("T\\Dest\\Src"));
    // Values only in the target stay.
    QCOMPARE(value(QStringLiteral("T\\Dest\\Src"), QStringLiteral("own")), qMakePair(REG_SZ, sz("mine")));
    QCOMPARE(m_sink->count(), 2);
}

void TestRegKeyUtils::copyKeyAcrossMachines()
{
    makeSource();
    ScriptedProgress progress;
    QVERIFY(CopyKey(QString(), Server, Base + QStringLiteral("\\Src"), true, Base, progress));
    QVERIFY(KeyExistsOn(Server, Base + QStringLiteral("\\Src\\A\\Deep")));
    // Same path on the other machine is not the same key: no question, no refusal.
    QCOMPARE(m_sink->count(), 0);

    // And back from the server into another local key.
    QVERIFY(CopyKey(Server, QString(), Base + QStringLiteral("\\Src"), true, Base + QStringLiteral("\\Back"),
                    progress));
    checkCopy(QStringLiteral("T\\Back\\Src"));

    // On the server, the copy holds the same data.
    HKEY serverRoot = 0;
    QVERIFY(RegConnectRegistry(Server, HKEY_CURRENT_USER, &serverRoot) == ERROR_SUCCESS);
    checkCopy(QStringLiteral("T\\Src"), serverRoot);
    RegCloseKey(serverRoot);
}

void TestRegKeyUtils::copyKeyIntoItself_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("targetParent");
    QTest::addColumn<QString>("targetMachine");

    QTest::newRow("into itself") << "HKEY_CURRENT_USER\\T\\Src" << "HKEY_CURRENT_USER\\T\\Src" << "";
    QTest::newRow("into a child") << "HKEY_CURRENT_USER\\T\\Src" << "hkey_current_user\\t\\src\\A\\Deep" << "";
    QTest::newRow("onto itself") << "HKEY_CURRENT_USER\\T\\Src" << "HKEY_CURRENT_USER\\T\\" << "";
    QTest::newRow("named machine") << "HKEY_CURRENT_USER\\T\\Src" << "HKEY_CURRENT_USER\\T\\Src\\B" << "\\\\SERVER";
    QTest::newRow("classes alias") << "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\T" << "HKEY_CLASSES_ROOT\\T" << "";
}

void TestRegKeyUtils::copyKeyIntoItself()
{
    QFETCH(QString, source);
    QFETCH(QString, targetParent);
    QFETCH(QString, targetMachine);
    makeSource();
    QVERIFY(makeKey(QStringLiteral("x")));
    HKEY key = 0;
    QVERIFY(RegCreateKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Classes\\T\\Sub"), 0, QString(), 0,
                           KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS);
    RegCloseKey(key);
    ScriptedProgress progress(10000); // an endless copy would stop here and fail below
    const QString sourceMachine = targetMachine;
    QVERIFY(!CopyKey(sourceMachine, targetMachine, source, true, targetParent, progress));
    QCOMPARE(m_sink->texts(), QStringList{"Fehler: Ein Schlüssel kann nicht in sich selbst kopiert werden."});
    QCOMPARE(progress.steps(), 0);
    QCOMPARE(subKeys(QStringLiteral("T\\Src")), (QStringList{"A", "B"}));
    QCOMPARE(subKeys(QStringLiteral("T\\Src\\A\\Deep")), QStringList());
}

void TestRegKeyUtils::copyKeyCancel()
{
    for (int i = 0; i < 20; ++i)
        QVERIFY(setValue(QStringLiteral("T\\Src\\K%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("v"), REG_DWORD,
                         QByteArray(4, char(i))));
    ScriptedProgress progress;
    progress.requestAbort(); // left over from an earlier operation: cleared at the start
    int keysAtStop = -1;
    progress.setOnStep([&](int step) {
        if (step == 30)
            keysAtStop = int(subKeys(QStringLiteral("T\\Dest\\Src")).size());
    });
    progress.setAbortAtStep(30);
    QVERIFY(CopyKey(QString(), QString(), Base + QStringLiteral("\\Src"), false, Base + QStringLiteral("\\Dest"),
                    progress));
    QCOMPARE(progress.steps(), 30);
    const QStringList copied = subKeys(QStringLiteral("T\\Dest\\Src"));
    QCOMPARE(int(copied.size()), keysAtStop);
    QVERIFY(copied.size() > 0 && copied.size() < 20);
    // Top down and in order: the copied keys are the first ones.
    for (int i = 0; i < copied.size(); ++i)
        QCOMPARE(copied.at(i), QStringLiteral("K%1").arg(i, 2, 10, QLatin1Char('0')));
}

void TestRegKeyUtils::copyKeyNoConnection()
{
    makeSource();
    ScriptedProgress progress;
    QVERIFY(!CopyKey(QString(), QStringLiteral("\\\\NOWHERE"), Base + QStringLiteral("\\Src"), false, Base, progress));
    QCOMPARE(m_sink->count(), 0);
    QVERIFY(!CopyKey(QStringLiteral("\\\\NOWHERE"), QString(), Base + QStringLiteral("\\Src"), true,
                     Base + QStringLiteral("\\Dest"), progress));
    QCOMPARE(m_sink->texts(), QStringList{"Konnte keine Verbindung mit \\\\NOWHERE herstellen."});
    QVERIFY(!exists(QStringLiteral("T\\Dest")));
}

QTEST_GUILESS_MAIN(TestRegKeyUtils)
#include "TestRegKeyUtils.moc"
