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

    // Each case: path|subkey|parent|key name|level. The colon rule: a backslash after a colon stays, so it counts.
    void pathFunctions()
    {
        const QStringList cases{u"HKEY_USERS\\.DEFAULT\\Control|.DEFAULT\\Control|HKEY_USERS\\.DEFAULT\\|Control|2"_s,
                                u"HKEY_USERS\\.DEFAULT\\Control\\|.DEFAULT\\Control|HKEY_USERS\\.DEFAULT\\|Control|2"_s,
                                u"HKEY_USERS||||0"_s, u"HKEY_USERS\\||||0"_s, u"||||0"_s,
                                u"HKEY_CURRENT_USER\\Software|Software|HKEY_CURRENT_USER\\|Software|1"_s,
                                u"HKEY_USERS\\C:\\|C:\\|HKEY_USERS\\C:\\||2"_s};
        for (const QString& c : cases) {
            const QString path = c.section(u'|', 0, 0);
            const QStringList got{path, GetSubKeyPath(path), GetParentPath(path), GetKeyName(path),
                                  QString::number(GetPathLevel(path))};
            QCOMPARE(got.join(u'|'), c);
        }
    }

    // Each case: path|handle|name|slot; a path of no root key gives no handle and the first name.
    void rootKey()
    {
        const QStringList cases{u"hkey_local_machine\\Software|80000002|HKEY_LOCAL_MACHINE|2"_s,
                                u"HKEY_CLASSES_ROOT|80000000|HKEY_CLASSES_ROOT|0"_s,
                                u"HKEY_CURRENT_CONFIG\\|80000005|HKEY_CURRENT_CONFIG|4"_s,
                                u"HKEY_NOWHERE\\x|0|HKEY_CLASSES_ROOT|-1"_s, u"HKEY_USER\\x|0|HKEY_CLASSES_ROOT|-1"_s,
                                u"HKEY_DYN_DATA|0|HKEY_CLASSES_ROOT|-1"_s};
        for (const QString& c : cases) {
            const QString path = c.section(u'|', 0, 0);
            const HKEY root = GetRootKey(path);
            const QStringList got{path, QString::number(quint64(root), 16), GetRootKeyName(path),
                                  QString::number(root ? IndexOfRootKey(root) : -1)};
            QCOMPARE(got.join(u'|'), c);
        }
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

    void textFunctions()
    {
        // a path, it with a trailing backslash, it without one
        const char* const trailing[][3] = {{"A\\B", "A\\B\\", "A\\B"}, {"A\\\\", "A\\\\", "A\\"},
                                           {"C:\\", "C:\\", "C:\\"}, {"\\", "\\", ""}, {"", "\\", ""}};
        for (const auto& [path, with, without] : trailing) {
            QCOMPARE(IncludeTrailingBackslash(QString::fromLatin1(path)), QString::fromLatin1(with));
            QCOMPARE(ExcludeTrailingBackslash(QString::fromLatin1(path)), QString::fromLatin1(without));
        }
        const QString path = u"HKEY_USERS\\A\\B\\C"_s, end = u"HKEY_USERS\\A\\B\\"_s;
        QCOMPARE((QStringList{GetPathPart(path, 0), GetPathPart(path, 5), GetPathPart(end, 1), GetPathPart(end, 4)}),
                 (QStringList{u"HKEY_USERS"_s, path, u"HKEY_USERS\\A"_s, u"HKEY_USERS\\A\\B"_s}));
        const QString failed = u"Kopieren misslungen."_s;
        QCOMPARE(WithCommitReason(failed, 0), failed);
        const std::pair<LONG, QString> reasons[] = {
            {112, u"Der Datenträger ist voll."_s},
            {1016, u"Ein- oder Ausgabefehler beim Schreiben der Registrierung."_s},
            {1460, u"Die Registrierung ist von einem anderen Programm gesperrt (Zeitüberschreitung)."_s},
            {5, u"Windows-Fehlercode 5."_s}};
        for (const auto& [code, reason] : reasons)
            QCOMPARE(WithCommitReason(failed, code), failed + u"\r\n("_s + reason + u')');
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
        QCOMPARE(std::pair(unknown.date(), unknown.time()), std::pair(QDate(1900, 12, 31), QTime(0, 0)));
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
