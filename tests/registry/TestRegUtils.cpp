#include "RegTestKeys.h"

#include "registry/KeyTreeModel.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "registry/RegistryAccessor.h"
#include "support/RecordingMessageSink.h"
#include "support/TempStore.h"

#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

class TestRegUtils : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pathFunctions_data();
    void pathFunctions();
    void rootKey_data();
    void rootKey();
    void trailingBackslash_data();
    void trailingBackslash();
    void pathPart_data();
    void pathPart();

    void messages_data();
    void messages();
    void accessorPaths();
    void keyExistsAndTime();
    void remoteConnection();
    void machineSwitching();
    void rootNodes();
    void lazyChildren();

private:
    std::unique_ptr<TempStore> m_store;
    std::unique_ptr<RecordingMessageSink> m_sink;
};

void TestRegUtils::init()
{
    m_store = std::make_unique<TempStore>();
    QVERIFY(m_store->ok());
    m_sink = std::make_unique<RecordingMessageSink>();
    CurrentMachine().clear();
    ResetRootKeys();
}

void TestRegUtils::cleanup()
{
    CurrentMachine().clear();
    RegSetMachineStore(u"SERVER"_s, QString());
    m_sink.reset();
    m_store.reset();
}

void TestRegUtils::pathFunctions_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("subKey");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("keyName");
    QTest::addColumn<int>("level");

    QTest::newRow("deep") << "HKEY_USERS\\.DEFAULT\\Control" << ".DEFAULT\\Control"
                          << "HKEY_USERS\\.DEFAULT\\" << "Control" << 2;
    QTest::newRow("trailing") << "HKEY_USERS\\.DEFAULT\\Control\\" << ".DEFAULT\\Control"
                              << "HKEY_USERS\\.DEFAULT\\" << "Control" << 2;
    QTest::newRow("root") << "HKEY_USERS" << "" << "" << "" << 0;
    QTest::newRow("root with backslash") << "HKEY_USERS\\" << "" << "" << "" << 0;
    QTest::newRow("one level") << "HKEY_CURRENT_USER\\Software" << "Software" << "HKEY_CURRENT_USER\\"
                               << "Software" << 1;
    QTest::newRow("empty") << "" << "" << "" << "" << 0;
    // The colon rule: a backslash after a colon stays, so it counts.
    QTest::newRow("colon") << "HKEY_USERS\\C:\\" << "C:\\" << "HKEY_USERS\\C:\\" << "" << 2;
}

void TestRegUtils::pathFunctions()
{
    QFETCH(QString, path);
    QFETCH(QString, subKey);
    QFETCH(QString, parent);
    QFETCH(QString, keyName);
    QFETCH(int, level);
    QCOMPARE(GetSubKeyPath(path), subKey);
    QCOMPARE(GetParentPath(path), parent);
    QCOMPARE(GetKeyName(path), keyName);
    QCOMPARE(GetPathLevel(path), level);
}

void TestRegUtils::rootKey_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<quint64>("handle");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("slot");

    QTest::newRow("lower case") << "hkey_local_machine\\Software" << quint64(0x80000002) << "HKEY_LOCAL_MACHINE" << 2;
    QTest::newRow("classes") << "HKEY_CLASSES_ROOT" << quint64(0x80000000) << "HKEY_CLASSES_ROOT" << 0;
    QTest::newRow("config trailing") << "HKEY_CURRENT_CONFIG\\" << quint64(0x80000005) << "HKEY_CURRENT_CONFIG" << 4;
    QTest::newRow("unknown") << "HKEY_NOWHERE\\x" << quint64(0) << "HKEY_CLASSES_ROOT" << -1;
    QTest::newRow("prefix only") << "HKEY_USER\\x" << quint64(0) << "HKEY_CLASSES_ROOT" << -1;
    QTest::newRow("dyn data unset") << "HKEY_DYN_DATA" << quint64(0) << "HKEY_CLASSES_ROOT" << -1;
}

void TestRegUtils::rootKey()
{
    QFETCH(QString, path);
    QFETCH(quint64, handle);
    QFETCH(QString, name);
    QFETCH(int, slot);
    QCOMPARE(quint64(GetRootKey(path)), handle);
    QCOMPARE(GetRootKeyName(path), name);
    if (slot >= 0)
        QCOMPARE(IndexOfRootKey(GetRootKey(path)), slot);
}

void TestRegUtils::trailingBackslash_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("included");
    QTest::addColumn<QString>("excluded");

    QTest::newRow("plain") << "A\\B" << "A\\B\\" << "A\\B";
    QTest::newRow("two") << "A\\\\" << "A\\\\" << "A\\";
    QTest::newRow("colon") << "C:\\" << "C:\\" << "C:\\";
    QTest::newRow("backslash") << "\\" << "\\" << "";
    QTest::newRow("empty") << "" << "\\" << "";
}

void TestRegUtils::trailingBackslash()
{
    QFETCH(QString, text);
    QTEST(IncludeTrailingBackslash(text), "included");
    QTEST(ExcludeTrailingBackslash(text), "excluded");
}

void TestRegUtils::pathPart_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("part");

    QTest::newRow("root level") << "HKEY_USERS\\A\\B\\C" << 0 << "HKEY_USERS";
    QTest::newRow("beyond") << "HKEY_USERS\\A\\B\\C" << 5 << "HKEY_USERS\\A\\B\\C";
    QTest::newRow("trailing") << "HKEY_USERS\\A\\B\\" << 1 << "HKEY_USERS\\A";
    QTest::newRow("trailing beyond") << "HKEY_USERS\\A\\B\\" << 4 << "HKEY_USERS\\A\\B";
}

void TestRegUtils::pathPart()
{
    QFETCH(QString, path);
    QFETCH(int, level);
    QTEST(GetPathPart(path, level), "part");
}

void TestRegUtils::messages_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<MessageKind>("kind");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("result");

    // result: 1 true, 0 false, -1 none; AskYesNoCancel gives the answer itself.
    QTest::newRow("info") << 0 << MessageAnswer::Ok << MessageKind::Info << "Text" << -1;
    QTest::newRow("error") << 1 << MessageAnswer::Ok << MessageKind::Error << "Fehler: Text" << -1;
    QTest::newRow("warning") << 2 << MessageAnswer::Ok << MessageKind::Warning << "Warnung: Text" << -1;
    QTest::newRow("yes") << 3 << MessageAnswer::Yes << MessageKind::YesNo << "Text" << 1;
    QTest::newRow("no") << 3 << MessageAnswer::No << MessageKind::YesNo << "Text" << 0;
    QTest::newRow("cancel") << 4 << MessageAnswer::Cancel << MessageKind::YesNoCancel << "Text"
                            << int(MessageAnswer::Cancel);
    QTest::newRow("ok") << 5 << MessageAnswer::Ok << MessageKind::OkCancel << "Text" << 1;
    QTest::newRow("ok cancelled") << 5 << MessageAnswer::Cancel << MessageKind::OkCancel << "Text" << 0;
}

void TestRegUtils::messages()
{
    QFETCH(int, function);
    QFETCH(MessageAnswer, answer);
    QFETCH(int, result);
    const QString text = u"Text"_s;
    m_sink->pushAnswer(answer);
    int got = -1;
    switch (function) {
    case 0:
        ShowInfo(text);
        break;
    case 1:
        ShowError(text);
        break;
    case 2:
        ShowWarning(text);
        break;
    case 3:
        got = AskYesNo(text) ? 1 : 0;
        break;
    case 4:
        got = int(AskYesNoCancel(text));
        break;
    default:
        got = AskOkCancel(text) ? 1 : 0;
        break;
    }
    QCOMPARE(got, result);
    QCOMPARE(m_sink->count(), 1);
    QTEST(m_sink->last().kind, "kind");
    QTEST(m_sink->last().text, "shown");
    QCOMPARE(m_sink->last().caption, u"Kaven 1.0"_s);
}

void TestRegUtils::accessorPaths()
{
    QVERIFY(makeKey(u"T\\A\\B"_s));
    RegistryAccessor reg(KEY_READ);
    QVERIFY(ConnectRootKey(reg, HKEY_CURRENT_USER, true));
    QVERIFY(reg.openKey(u"\\"_s, false));
    QCOMPARE(reg.currentPath(), QString());
    QVERIFY(reg.currentKey() != 0);
    QVERIFY(reg.subKeyNames().contains(u"T"_s));

    QVERIFY(reg.openKey(u"\\T\\A"_s, false));
    QCOMPARE(reg.currentPath(), u"T\\A"_s);
    // Without a leading backslash the path continues from the open key.
    QVERIFY(reg.openKey(u"B"_s, false));
    QCOMPARE(reg.currentPath(), u"T\\A\\B"_s);
    QVERIFY(!reg.openKey(u"B"_s, false));
    QCOMPARE(reg.currentKey(), HKEY(0));
    // No key open: relative to the root again.
    QVERIFY(reg.openKey(u"T\\A\\"_s, false));
    QVERIFY(reg.hasSubKeys());

    // Creation makes every missing level.
    RegistryAccessor writer(KEY_READ | KEY_WRITE);
    QVERIFY(ConnectRootKey(writer, HKEY_CURRENT_USER, true));
    QVERIFY(writer.openKey(u"\\T\\New\\Deep"_s, true));
    QVERIFY(exists(u"T\\New\\Deep"_s));

    RegistryAccessor unknown(KEY_READ);
    QVERIFY(ConnectRootKey(unknown, GetRootKey(u"HKEY_NOWHERE"_s), true));
    QVERIFY(!unknown.openKey(u"\\"_s, false));
    QCOMPARE(m_sink->count(), 0);
}

void TestRegUtils::keyExistsAndTime()
{
    QVERIFY(makeKey(u"T\\K"_s));
    QVERIFY(KeyExists(u"HKEY_CURRENT_USER\\T\\K"_s));
    QVERIFY(KeyExists(u"hkey_current_user\\t\\k\\"_s));
    QVERIFY(KeyExists(u"HKEY_CURRENT_USER"_s));
    QVERIFY(!KeyExists(u"HKEY_CURRENT_USER\\T\\Missing"_s));
    QVERIFY(!KeyExists(u"HKEY_NOWHERE\\T\\K"_s));
    QVERIFY(!KeyExistsOn(u"\\\\NOWHERE"_s, u"HKEY_CURRENT_USER\\T\\K"_s));
    QCOMPARE(m_sink->count(), 0);

    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-2);
    QVERIFY(setValue(u"T\\K"_s, u"x"_s, REG_SZ, sz("1")));
    const QDateTime time = GetKeyTime(u"HKEY_CURRENT_USER\\T\\K"_s);
    QVERIFY2(time >= before && time <= QDateTime::currentDateTimeUtc().addSecs(2), qPrintable(time.toString()));
    const QDateTime unknown = GetKeyTime(u"HKEY_CURRENT_USER\\T\\Missing"_s);
    QCOMPARE(unknown.date(), QDate(1900, 12, 31));
    QCOMPARE(unknown.time(), QTime(0, 0));
}

void TestRegUtils::remoteConnection()
{
    RegistryAccessor reg(KEY_READ);
    QVERIFY(!ConnectRootKeyOn(reg, u"\\\\NOWHERE"_s, HKEY_LOCAL_MACHINE, false));
    QCOMPARE(m_sink->count(), 0);
    QVERIFY(!ConnectRootKeyOn(reg, u"\\\\NOWHERE"_s, HKEY_LOCAL_MACHINE, true));
    QCOMPARE(m_sink->count(), 1);
    QCOMPARE(m_sink->last().kind, MessageKind::Plain);
    QCOMPARE(m_sink->last().caption, u"Kaven 1.0"_s);
    QCOMPARE(m_sink->last().text, u"Konnte keine Verbindung mit \\\\NOWHERE herstellen."_s);
}

void TestRegUtils::machineSwitching()
{
    QVERIFY(!IsOtherMachine(u"lokaler pc"_s));
    QVERIFY(!SelectMachine(u"LOKALER PC"_s));
    QVERIFY(CurrentMachine().isEmpty());

    // A machine that does not answer leaves the current one in place, with a message.
    QVERIFY(IsOtherMachine(u"NOWHERE"_s));
    QVERIFY(!SelectMachine(u"NOWHERE"_s));
    QVERIFY(CurrentMachine().isEmpty());
    QCOMPARE(m_sink->texts(), QStringList{u"Konnte keine Verbindung mit \\\\NOWHERE herstellen."_s});

    RegSetMachineStore(u"SERVER"_s, m_store->otherStorePath(u"server"_s));
    QVERIFY(SelectMachine(u"SERVER"_s));
    QCOMPARE(CurrentMachine(), u"\\\\SERVER"_s);
    QCOMPARE(MachineNodeText(), u"Netzwerk PC: SERVER"_s);
    QVERIFY(!IsOtherMachine(u"\\\\server"_s));
    QVERIFY(!SelectMachine(u"server"_s));
    QVERIFY(IsOtherMachine(u"Lokaler PC"_s));
    QVERIFY(SelectMachine(u"Lokaler PC"_s));
    QVERIFY(CurrentMachine().isEmpty());
    QCOMPARE(MachineNodeText(), u"Arbeitsplatz"_s);
    QVERIFY(!SelectMachine(u"\\\\"_s));
    QCOMPARE(m_sink->count(), 1);
}

void TestRegUtils::rootNodes()
{
    KeyTreeModel tree;
    tree.setChildLoader(nullptr);
    QSignalSpy expand(&tree, &KeyTreeModel::expandRequested);
    const QModelIndex top = BuildRootNodes(tree);
    QCOMPARE(tree.rowCount(), 1);
    QCOMPARE(tree.text(top), u"Arbeitsplatz"_s);
    QCOMPARE(tree.image(top), 0);
    QCOMPARE(tree.selectedImage(top), 0);
    QCOMPARE(expand.count(), 1);
    QCOMPARE(GetNodePath(tree, top), QString());

    // Neither HKEY_DYN_DATA nor HKEY_PERFORMANCE_DATA opens on the local store: five root keys, slot order.
    const QStringList expected{"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                               "HKEY_CURRENT_CONFIG"};
    QCOMPARE(tree.rowCount(top), 5);
    for (int i = 0; i < 5; ++i) {
        const QModelIndex node = tree.index(i, 0, top);
        QCOMPARE(tree.text(node), expected[i]);
        QCOMPARE(GetNodePath(tree, node), expected[i]);
        QCOMPARE(tree.image(node), 1);
        QCOMPARE(tree.selectedImage(node), 2);
        QVERIFY(tree.hasChildren(node));
    }
    QVERIFY(!RootKeyTable()[5].available);
    QCOMPARE(RootKeyTable()[5].name, QString());
}

void TestRegUtils::lazyChildren()
{
    QVERIFY(makeKey(u"T\\b\\deep"_s));
    QVERIFY(makeKey(u"T\\A"_s));
    QVERIFY(makeKey(u"T\\c"_s));
    KeyTreeModel tree;
    const QModelIndex top = BuildRootNodes(tree);
    const QModelIndex user = tree.index(1, 0, top);
    QVERIFY(tree.canFetchMore(user));
    tree.fetchMore(user);
    const QModelIndex t = tree.findChild(user, u"t"_s);
    QVERIFY(t.isValid());
    QCOMPARE(GetNodePath(tree, t), u"HKEY_CURRENT_USER\\T"_s);
    tree.loadChildren(t);
    QCOMPARE(tree.rowCount(t), 3);
    QStringList texts;
    for (int i = 0; i < 3; ++i)
        texts << tree.text(tree.index(i, 0, t));
    QCOMPARE(texts, (QStringList{"A", "b", "c"}));
    QVERIFY(tree.hasChildren(tree.index(1, 0, t)));  // b has a subkey
    QVERIFY(!tree.hasChildren(tree.index(0, 0, t))); // A has none
    // Expanding a key without subkeys removes its mark.
    const QModelIndex c = tree.index(2, 0, t);
    tree.setHasChildrenMark(c, true);
    QVERIFY(tree.hasChildren(c));
    tree.fetchMore(c);
    QVERIFY(!tree.hasChildren(c));
    QCOMPARE(GetNodePath(tree, tree.index(0, 0, tree.index(1, 0, t))), QString());
    tree.loadChildren(tree.index(1, 0, t));
    QCOMPARE(GetNodePath(tree, tree.index(0, 0, tree.index(1, 0, t))), u"HKEY_CURRENT_USER\\T\\b\\deep"_s);
}

QTEST_GUILESS_MAIN(TestRegUtils)
#include "TestRegUtils.moc"
