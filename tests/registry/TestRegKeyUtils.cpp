#include "RegTestKeys.h"

#include "registry/KeyTreeModel.h"
#include "registry/RegKeyUtils.h"
#include "registry/RegUtils.h"
#include "support/ScriptedProgress.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

namespace {

const QString Base = u"HKEY_CURRENT_USER\\T"_s;
const QString Server = u"\\\\SERVER"_s;

// A source tree of three levels with every kind of data: key below the tree's top, value name, type, data.
const struct {
    QString key, name;
    DWORD type;
    QByteArray data;
} Source[] = {{u""_s, u"sz"_s, REG_SZ, sz("top")},
              {u""_s, QString(), REG_SZ, sz("default")},
              {u"\\A"_s, u"exp"_s, REG_EXPAND_SZ, QByteArray("%P%\0", 4)},
              {u"\\A\\Deep"_s, u"multi"_s, REG_MULTI_SZ, QByteArray("x\0y\0\0", 5)},
              {u"\\B"_s, u"bin"_s, REG_BINARY, QByteArray("\0\1", 2)},
              {u"\\B"_s, u"odd"_s, REG_DWORD, QByteArray("\1\2\3", 3)},
              {u"\\B\\Empty"_s, u"none"_s, REG_NONE, QByteArray()}};

void checkCopy(const QString& target)
{
    for (const auto& v : Source)
        QCOMPARE(value(target + v.key, v.name), qMakePair(v.type, v.data));
}

} // namespace

class TestRegKeyUtils : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fx.start());
        RegSetMachineStore(u"SERVER"_s, m_fx.store->otherStorePath(u"server"_s));
        for (const auto& v : Source) // every test starts with T\Src
            QVERIFY(setValue(u"T\\Src"_s + v.key, v.name, v.type, v.data));
    }

    void cleanup()
    {
        RegSetMachineStore(u"SERVER"_s, QString());
        m_fx.stop();
    }

    void createNewKey()
    {
        for (const QString& key : {u"T\\Neuer Schlüssel #1"_s, u"T\\Neuer Schlüssel #3"_s, u"T\\Zeta"_s})
            QVERIFY(makeKey(key));
        KeyTreeModel tree;
        const QModelIndex top = BuildRootNodes(tree);
        const QModelIndex user = tree.index(1, 0, top);
        tree.loadChildren(user);
        const QModelIndex t = tree.findChild(user, u"T"_s);
        QVERIFY(!tree.childrenLoaded(t));
        QSignalSpy expand(&tree, &KeyTreeModel::expandRequested);

        const int row = CreateNewKey(GetNodePath(tree, t), t, tree);
        QVERIFY(exists(u"T\\Neuer Schlüssel #2"_s));
        QCOMPARE(expand.count(), 1);
        QCOMPARE(tree.rowCount(t), 5); // the existing children were loaded first
        QCOMPARE(row, 1);
        QCOMPARE(tree.text(tree.index(row, 0, t)), u"Neuer Schlüssel #2"_s);

        // Below a root key the parent path has no subkey part.
        const int rootRow = CreateNewKey(u"HKEY_CURRENT_USER"_s, user, tree);
        QVERIFY(exists(u"Neuer Schlüssel #1"_s));
        QCOMPARE(tree.text(tree.index(rootRow, 0, user)), u"Neuer Schlüssel #1"_s);
        QCOMPARE(m_fx.sink->count(), 0);

        // Refused, or the machine unreachable: a message, no row.
        QVERIFY(denyKey(u"T"_s, KEY_DENY_WRITE));
        QCOMPARE(CreateNewKey(Base, t, tree), -1);
        QCOMPARE(m_fx.sink->texts(), QStringList{"Fehler: Der Schlüssel konnte nicht erstellt werden."});
        CurrentMachine() = u"\\\\NOWHERE"_s;
        QCOMPARE(CreateNewKey(Base, t, tree), -1);
        QCOMPARE(m_fx.sink->count(), 2);
        QCOMPARE(tree.rowCount(t), 5);
    }

    void deleteAndCreateKeyPath()
    {
        QVERIFY(makeKey(u"T\\Keep"_s));
        QCOMPARE(DeleteKeyPath(Base + u"\\Src"_s, true), RegResult::Success);
        QCOMPARE(subKeys(u"T"_s), QStringList{"Keep"});
        QCOMPARE(DeleteKeyPath(Base + u"\\Src"_s, true), RegResult::NotFound);
        QCOMPARE(DeleteKeyPath(u"HKEY_CURRENT_USER"_s, true), RegResult::KeyNotDeleted);
        QVERIFY(exists(u"T\\Keep"_s));

        QCOMPARE(CreateKeyPath(Base + u"\\A\\B\\C\\"_s, true), RegResult::Success);
        QVERIFY(exists(u"T\\A\\B\\C"_s));
        QCOMPARE(CreateKeyPath(Base + u"\\A"_s, true), RegResult::Success);
        QVERIFY(denyKey(u"T\\A"_s, KEY_DENY_WRITE));
        QCOMPARE(CreateKeyPath(Base + u"\\A\\New"_s, false), RegResult::KeyNotCreated);
        QCOMPARE(m_fx.sink->count(), 2); // the two of the deletions
        QCOMPARE(CreateKeyPath(Base + u"\\A\\New"_s, true), RegResult::KeyNotCreated);
        QCOMPARE(CreateKeyPath(Base + u'\\' + QString(256, u'k'), true), RegResult::KeyNotCreated);
        CurrentMachine() = u"\\\\NOWHERE"_s;
        QCOMPARE(CreateKeyPath(Base + u"\\X"_s, true), RegResult::NotConnected);
        QCOMPARE(m_fx.sink->texts(),
                 (QStringList{"Fehler: Angegebener Schlüssel nicht vorhanden.",
                              "Fehler: Schlüssel konnte nicht gelöscht werden.",
                              "Fehler: Konnte Schlüssel nicht erstellen.", "Fehler: Konnte Schlüssel nicht erstellen.",
                              "Konnte keine Verbindung mit \\\\NOWHERE herstellen."}));
    }

    void renameKey()
    {
        QCOMPARE(RenameKey(Base + u"\\Src"_s, u"Src"_s, u"Moved"_s, true), RegResult::Success);
        QVERIFY(!exists(u"T\\Src"_s));
        checkCopy(u"T\\Moved"_s);
        // Directly below a root key, and to a name at the length limit.
        const QString longest(MAX_KEY_NAME, u'L');
        QCOMPARE(RenameKey(u"HKEY_CURRENT_USER\\T"_s, u"T"_s, longest, true), RegResult::Success);
        checkCopy(longest + u"\\Moved"_s);
        QCOMPARE(m_fx.sink->count(), 0);
    }

    // Refused: a sibling's name (in any case), a parent or key missing, a name no key can have. Nothing changes.
    void renameKeyRefused()
    {
        const QString present = u"Fehler: Angegebener Schlüssel bereits vorhanden."_s;
        const QString notRenamed = u"Fehler: Schlüssel konnte nicht umbenannt werden."_s;
        const std::tuple<const char*, QString, RegResult, QString> cases[] = {
            {"Src", u"other"_s, RegResult::KeyExists, present}, {"Src", u"SRC"_s, RegResult::KeyExists, present},
            {"Nope\\Src", u"X"_s, RegResult::NotFound, u"Fehler: Angegebener Schlüssel nicht vorhanden."_s},
            {"Gone", u"X"_s, RegResult::KeyNotRenamed, notRenamed},
            {"Src", u"a\\b"_s, RegResult::KeyNotRenamed, notRenamed},
            {"Src", QString(), RegResult::KeyNotRenamed, notRenamed},
            {"Src", QString(MAX_KEY_NAME + 1, u'L'), RegResult::KeyNotRenamed, notRenamed}};
        QVERIFY(setValue(u"T\\Other"_s, u"mine"_s, REG_SZ, sz("other")));
        for (const auto& [path, newName, result, message] : cases) {
            m_fx.sink->clear();
            const QString key = QString::fromLatin1(path);
            QCOMPARE(RenameKey(Base + u'\\' + key, key.section(u'\\', -1), newName, true), result);
            QCOMPARE(m_fx.sink->texts(), QStringList{message});
            checkCopy(u"T\\Src"_s);
            QCOMPARE(value(u"T\\Other"_s, u"mine"_s), qMakePair(REG_SZ, sz("other")));
            QCOMPARE(subKeys(u"T"_s), (QStringList{"Other", "Src"}));
        }
    }

    // Across machines, then on this one.
    void copyKey()
    {
        ScriptedProgress remote;
        QVERIFY(CopyKey(QString(), Server, Base + u"\\Src"_s, true, Base, remote));
        QVERIFY(KeyExistsOn(Server, Base + u"\\Src\\A\\Deep"_s));
        // Same path on the other machine is not the same key: no question, no refusal.
        QCOMPARE(m_fx.sink->count(), 0);

        // A machine that does not answer: a message only when asked for, nothing made.
        QVERIFY(!CopyKey(QString(), u"\\\\NOWHERE"_s, Base + u"\\Src"_s, false, Base, remote));
        QCOMPARE(m_fx.sink->count(), 0);
        QVERIFY(!CopyKey(u"\\\\NOWHERE"_s, QString(), Base + u"\\Src"_s, true, Base + u"\\Dest"_s, remote));
        QCOMPARE(m_fx.sink->texts(), QStringList{"Konnte keine Verbindung mit \\\\NOWHERE herstellen."});
        QVERIFY(!exists(u"T\\Dest"_s));
        m_fx.sink->clear();

        ScriptedProgress progress;
        QVERIFY(makeKey(u"T\\Dest"_s));
        QVERIFY(CopyKey(QString(), QString(), Base + u"\\Src"_s, true, Base + u"\\Dest\\"_s, progress));
        checkCopy(u"T\\Dest\\Src"_s);
        checkCopy(u"T\\Src"_s); // the source stays
        QCOMPARE(subKeys(u"T\\Dest\\Src"_s), (QStringList{"A", "B"}));
        QCOMPARE(progress.clearAbortCalls(), 1);
        QVERIFY(progress.steps() >= 5);
        QCOMPARE(m_fx.sink->count(), 0);

        // Directly below a root key, without asking.
        QVERIFY(CopyKey(QString(), QString(), Base + u"\\Src\\A"_s, false, u"HKEY_USERS"_s, progress));
        QCOMPARE(value(u"A\\Deep"_s, u"multi"_s, HKEY_USERS), qMakePair(REG_MULTI_SZ, QByteArray("x\0y\0\0", 5)));
        // A root key has no name to copy under.
        QVERIFY(!CopyKey(QString(), QString(), u"HKEY_CURRENT_USER"_s, false, Base, progress));
    }

    void copyKeyOverwrite()
    {
        QVERIFY(setValue(u"T\\Dest\\Src"_s, u"sz"_s, REG_SZ, sz("old")));
        QVERIFY(setValue(u"T\\Dest\\Src"_s, u"own"_s, REG_SZ, sz("mine")));
        ScriptedProgress progress;
        m_fx.sink->pushAnswer(MessageAnswer::No);
        QVERIFY(!CopyKey(QString(), QString(), Base + u"\\Src"_s, true, Base + u"\\Dest"_s, progress));
        QCOMPARE(m_fx.sink->texts(), QStringList{"Schlüssel existiert bereits. Überschreiben?"});
        QCOMPARE(m_fx.sink->last().kind, MessageKind::YesNo);
        QCOMPARE(value(u"T\\Dest\\Src"_s, u"sz"_s), qMakePair(REG_SZ, sz("old")));
        QCOMPARE(subKeys(u"T\\Dest\\Src"_s), QStringList());

        m_fx.sink->pushAnswer(MessageAnswer::Yes);
        QVERIFY(CopyKey(QString(), QString(), Base + u"\\Src"_s, true, Base + u"\\Dest"_s, progress));
        checkCopy(u"T\\Dest\\Src"_s);
        // Values only in the target stay.
        QCOMPARE(value(u"T\\Dest\\Src"_s, u"own"_s), qMakePair(REG_SZ, sz("mine")));
        QCOMPARE(m_fx.sink->count(), 2);
    }

    // Into itself, a child, onto itself, on a named machine, and through the classes alias: refused before a step.
    void copyKeyIntoItself()
    {
        const QString src = Base + u"\\Src"_s;
        const std::tuple<QString, QString, QString> cases[] = {
            {src, src, {}}, {src, u"hkey_current_user\\t\\src\\A\\Deep"_s, {}}, {src, Base + u'\\', {}},
            {src, src + u"\\B"_s, Server},
            {u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\T"_s, u"HKEY_CLASSES_ROOT\\T"_s, {}}};
        QVERIFY(setValue(u"SOFTWARE\\Classes\\T\\Sub"_s, u"v"_s, REG_SZ, sz("x"), HKEY_LOCAL_MACHINE));
        for (const auto& [source, targetParent, machine] : cases) {
            m_fx.sink->clear();
            ScriptedProgress progress(10000); // an endless copy would stop here and fail below
            QVERIFY(!CopyKey(machine, machine, source, true, targetParent, progress));
            QCOMPARE(m_fx.sink->texts(),
                     QStringList{"Fehler: Ein Schlüssel kann nicht in sich selbst kopiert werden."});
            QCOMPARE(progress.steps(), 0);
            QCOMPARE(subKeys(u"T\\Src"_s), (QStringList{"A", "B"}));
            QCOMPARE(subKeys(u"T\\Src\\A\\Deep"_s), QStringList());
        }
    }

    void copyKeyCancel()
    {
        for (int i = 0; i < 20; ++i)
            QVERIFY(setValue(u"T\\Many\\K%1"_s.arg(i, 2, 10, QLatin1Char('0')), u"v"_s, REG_DWORD,
                             QByteArray(4, char(i))));
        ScriptedProgress progress;
        progress.requestAbort(); // left over from an earlier operation: cleared at the start
        int keysAtStop = -1;
        progress.setOnStep([&](int step) {
            if (step == 30)
                keysAtStop = int(subKeys(u"T\\Dest\\Many"_s).size());
        });
        progress.setAbortAtStep(30);
        QVERIFY(CopyKey(QString(), QString(), Base + u"\\Many"_s, false, Base + u"\\Dest"_s, progress));
        QCOMPARE(progress.steps(), 30);
        const QStringList copied = subKeys(u"T\\Dest\\Many"_s);
        QCOMPARE(int(copied.size()), keysAtStop);
        QVERIFY(copied.size() > 0 && copied.size() < 20);
        // Top down and in order: the copied keys are the first ones.
        for (int i = 0; i < copied.size(); ++i)
            QCOMPARE(copied.at(i), u"K%1"_s.arg(i, 2, 10, QLatin1Char('0')));
    }

private:
    StoreFixture m_fx;
};

QTEST_GUILESS_MAIN(TestRegKeyUtils)
#include "TestRegKeyUtils.moc"
