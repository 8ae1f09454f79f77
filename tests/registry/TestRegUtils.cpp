#include "RegTestKeys.h"

#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "registry/RegistryAccessor.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

class TestRegUtils : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_fx.start()); }

    void cleanup()
    {
        RegSetMachineStore(u"SERVER"_s, QString());
        m_fx.stop();
    }

    void pathFunctions_data()
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

    void pathFunctions()
    {
        QFETCH(QString, path);
        QTEST(GetSubKeyPath(path), "subKey");
        QTEST(GetParentPath(path), "parent");
        QTEST(GetKeyName(path), "keyName");
        QTEST(GetPathLevel(path), "level");
    }

    void rootKey_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<quint64>("handle");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("slot");

        QTest::newRow("lower case") << "hkey_local_machine\\Software" << quint64(0x80000002) << "HKEY_LOCAL_MACHINE"
                                    << 2;
        QTest::newRow("classes") << "HKEY_CLASSES_ROOT" << quint64(0x80000000) << "HKEY_CLASSES_ROOT" << 0;
        QTest::newRow("config trailing") << "HKEY_CURRENT_CONFIG\\" << quint64(0x80000005) << "HKEY_CURRENT_CONFIG"
                                         << 4;
        QTest::newRow("unknown") << "HKEY_NOWHERE\\x" << quint64(0) << "HKEY_CLASSES_ROOT" << -1;
        QTest::newRow("prefix only") << "HKEY_USER\\x" << quint64(0) << "HKEY_CLASSES_ROOT" << -1;
        QTest::newRow("dyn data unset") << "HKEY_DYN_DATA" << quint64(0) << "HKEY_CLASSES_ROOT" << -1;
    }

    void rootKey()
    {
        QFETCH(QString, path);
        QFETCH(int, slot);
        QTEST(quint64(GetRootKey(path)), "handle");
        QTEST(GetRootKeyName(path), "name");
        if (slot >= 0)
            QCOMPARE(IndexOfRootKey(GetRootKey(path)), slot);
    }

    // Every box carries the program title; warnings their prefix (errors show theirs in every test).
    void messages()
    {
        ShowWarning(u"Text"_s);
        m_fx.sink->pushAnswer(MessageAnswer::Ok);
        QVERIFY(AskOkCancel(u"Frage"_s));
        QVERIFY(!AskOkCancel(u"Frage"_s));
        QCOMPARE(m_fx.sink->texts(), (QStringList{"Warnung: Text", "Frage", "Frage"}));
        QCOMPARE(m_fx.sink->last().kind, MessageKind::OkCancel);
        QCOMPARE(m_fx.sink->messages().first().kind, MessageKind::Warning);
        QCOMPARE(m_fx.sink->last().caption, u"Kaven 1.0"_s);
    }

    // Pure text functions: the value each returns against the one expected.
    void textFunctions_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        const QString failed = u"Kopieren misslungen."_s;
        QTest::newRow("include, plain") << IncludeTrailingBackslash(u"A\\B"_s) << "A\\B\\";
        QTest::newRow("exclude, plain") << ExcludeTrailingBackslash(u"A\\B"_s) << "A\\B";
        QTest::newRow("include, two") << IncludeTrailingBackslash(u"A\\\\"_s) << "A\\\\";
        QTest::newRow("exclude, two") << ExcludeTrailingBackslash(u"A\\\\"_s) << "A\\";
        QTest::newRow("include, colon") << IncludeTrailingBackslash(u"C:\\"_s) << "C:\\";
        QTest::newRow("exclude, colon") << ExcludeTrailingBackslash(u"C:\\"_s) << "C:\\";
        QTest::newRow("include, backslash") << IncludeTrailingBackslash(u"\\"_s) << "\\";
        QTest::newRow("exclude, backslash") << ExcludeTrailingBackslash(u"\\"_s) << "";
        QTest::newRow("include, empty") << IncludeTrailingBackslash(QString()) << "\\";
        QTest::newRow("exclude, empty") << ExcludeTrailingBackslash(QString()) << "";
        const QString path = u"HKEY_USERS\\A\\B\\C"_s, trailing = u"HKEY_USERS\\A\\B\\"_s;
        QTest::newRow("part, root level") << GetPathPart(path, 0) << "HKEY_USERS";
        QTest::newRow("part, beyond") << GetPathPart(path, 5) << path;
        QTest::newRow("part, trailing") << GetPathPart(trailing, 1) << "HKEY_USERS\\A";
        QTest::newRow("part, trailing beyond") << GetPathPart(trailing, 4) << "HKEY_USERS\\A\\B";
        QTest::newRow("reason, success") << WithCommitReason(failed, 0) << failed;
        QTest::newRow("reason, disk full")
            << WithCommitReason(failed, 112) << failed + u"\r\n(Der Datenträger ist voll.)"_s;
        QTest::newRow("reason, i/o") << WithCommitReason(failed, 1016)
                                     << failed + u"\r\n(Ein- oder Ausgabefehler beim Schreiben der Registrierung.)"_s;
        QTest::newRow("reason, lock time-out")
            << WithCommitReason(failed, 1460)
            << failed + u"\r\n(Die Registrierung ist von einem anderen Programm gesperrt (Zeitüberschreitung).)"_s;
        QTest::newRow("reason, other") << WithCommitReason(failed, 5) << failed + u"\r\n(Windows-Fehlercode 5.)"_s;
    }

    void textFunctions()
    {
        QFETCH(QString, actual);
        QTEST(actual, "expected");
    }

    void accessorPaths()
    {
        QVERIFY(makeKey(u"T\\A\\B"_s));
        RegistryAccessor reg(KEY_READ);
        QVERIFY(ConnectRootKey(reg, HKEY_CURRENT_USER, true));
        QVERIFY(reg.openKey(u"\\T\\A"_s, false));
        // Without a leading backslash the path continues from the open key.
        QVERIFY(reg.openKey(u"B"_s, false));
        QCOMPARE(reg.currentPath(), u"T\\A\\B"_s);
        QVERIFY(!reg.openKey(u"B"_s, false));
        QCOMPARE(reg.currentKey(), HKEY(0));
        // No key open: relative to the root again.
        QVERIFY(reg.openKey(u"T\\A\\"_s, false));
        QVERIFY(reg.hasSubKeys());

        RegistryAccessor writer(KEY_READ | KEY_WRITE);
        QCOMPARE(writer.openPath(u"hkey_current_user\\t\\a\\"_s, false, true), RegResult::Success);
        QCOMPARE(writer.currentPath(), u"t\\a"_s);
        QCOMPARE(writer.openPath(u"HKEY_CURRENT_USER\\T\\New\\Deep"_s, false, true), RegResult::NotFound);
        QCOMPARE(writer.currentKey(), HKEY(0));
        // Creation makes every missing level; a root key alone opens the root.
        QCOMPARE(writer.openPath(u"HKEY_CURRENT_USER\\T\\New\\Deep"_s, true, true), RegResult::Success);
        QVERIFY(exists(u"T\\New\\Deep"_s));
        QCOMPARE(writer.openPath(u"HKEY_CURRENT_USER"_s, false, true), RegResult::Success);
        QVERIFY(writer.subKeyNames().contains(u"T"_s));
        QCOMPARE(writer.openPath(u"HKEY_NOWHERE\\T"_s, false, true), RegResult::NotFound);
        QCOMPARE(m_fx.sink->count(), 0);
        // The connection message only when asked for.
        QCOMPARE(writer.openPathOn(u"\\\\NOWHERE"_s, u"HKEY_CURRENT_USER\\T"_s, false, false), RegResult::NotConnected);
        QCOMPARE(m_fx.sink->count(), 0);
        CurrentMachine() = u"\\\\NOWHERE"_s;
        QCOMPARE(writer.openPath(u"HKEY_CURRENT_USER\\T"_s, false, true), RegResult::NotConnected);
        QCOMPARE(m_fx.sink->texts(), QStringList{u"Konnte keine Verbindung mit \\\\NOWHERE herstellen."_s});
        QCOMPARE(m_fx.sink->last().kind, MessageKind::Plain);
    }

    void keyExistsAndTime()
    {
        QVERIFY(makeKey(u"T\\K"_s));
        QVERIFY(KeyExists(u"HKEY_CURRENT_USER\\T\\K"_s));
        QVERIFY(KeyExists(u"hkey_current_user\\t\\k\\"_s));
        QVERIFY(KeyExists(u"HKEY_CURRENT_USER"_s));
        QVERIFY(!KeyExists(u"HKEY_CURRENT_USER\\T\\Missing"_s));
        QVERIFY(!KeyExists(u"HKEY_NOWHERE\\T\\K"_s));
        QVERIFY(!KeyExistsOn(u"\\\\NOWHERE"_s, u"HKEY_CURRENT_USER\\T\\K"_s));
        QCOMPARE(m_fx.sink->count(), 0);

        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-2);
        QVERIFY(setValue(u"T\\K"_s, u"x"_s, REG_SZ, sz("1")));
        const QDateTime time = GetKeyTime(u"HKEY_CURRENT_USER\\T\\K"_s);
        QVERIFY2(time >= before && time <= QDateTime::currentDateTimeUtc().addSecs(2), qPrintable(time.toString()));
        const QDateTime unknown = GetKeyTime(u"HKEY_CURRENT_USER\\T\\Missing"_s);
        QCOMPARE(unknown.date(), QDate(1900, 12, 31));
        QCOMPARE(unknown.time(), QTime(0, 0));
    }

    // Connecting from the window (its node text, an unreachable machine's message) is the navigation's test.
    void machineSwitching()
    {
        QVERIFY(!IsOtherMachine(u"lokaler pc"_s));
        QVERIFY(!SelectMachine(u"LOKALER PC"_s));
        QVERIFY(IsOtherMachine(u"NOWHERE"_s));
        RegSetMachineStore(u"SERVER"_s, m_fx.store->otherStorePath(u"server"_s));
        QVERIFY(SelectMachine(u"SERVER"_s));
        QCOMPARE(CurrentMachine(), u"\\\\SERVER"_s);
        QVERIFY(!IsOtherMachine(u"\\\\server"_s));
        QVERIFY(!SelectMachine(u"server"_s));
        QVERIFY(IsOtherMachine(u"Lokaler PC"_s));
        QVERIFY(SelectMachine(u"Lokaler PC"_s));
        QVERIFY(CurrentMachine().isEmpty());
        QCOMPARE(MachineNodeText(), u"Arbeitsplatz"_s);
        QVERIFY(!SelectMachine(u"\\\\"_s));
        QCOMPARE(m_fx.sink->count(), 0);
    }

private:
    StoreFixture m_fx;
};

QTEST_GUILESS_MAIN(TestRegUtils)
#include "TestRegUtils.moc"
