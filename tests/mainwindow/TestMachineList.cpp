#include "mainwindow/KeyPathInput.h"
#include "mainwindow/MachineList.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The machine list and typed key paths: the two small helpers of the network and history bars.
class TestMachineList final : public QObject {
    Q_OBJECT

private slots:
    void loadAddAndBound()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(MachineList::fileName());
        QCOMPARE(MachineList::load(file), QStringList{"Lokaler PC"});
        QVERIFY(writeFile(file, "\\\\ALPHA\r\nlokaler pc\r\n\\\\BETA\r\n"));
        QCOMPARE(MachineList::load(file), (QStringList{"\\\\ALPHA", "lokaler pc", "\\\\BETA"}));
        QVERIFY(writeFile(file, "\\\\ALPHA\r\n"));
        const QStringList loaded = MachineList::load(file);
        QCOMPARE(loaded, (QStringList{"\\\\ALPHA", "Lokaler PC"}));
        QVERIFY(MachineList::save(loaded, file));
        QCOMPARE(readFile(file), QByteArray("\\\\ALPHA\r\nLokaler PC\r\n"));
        // New machines go on top, known ones stay where they are; the list is bounded.
        QStringList machines{"Lokaler PC"};
        QCOMPARE(MachineList::add(machines, u"server"_s), 0);
        QCOMPARE(MachineList::add(machines, u"\\\\OTHER"_s), 0);
        QCOMPARE(MachineList::add(machines, u"\\\\SERVER"_s), 1); // known: stays in place
        QCOMPARE(machines, (QStringList{"\\\\OTHER", "\\\\server", "Lokaler PC"}));
        QCOMPARE(MachineList::indexOf(machines, QString()), 2);
        QCOMPARE(MachineList::indexOf(machines, u"\\\\Server"_s), 1);
        QCOMPARE(MachineList::indexOf(machines, u"none"_s), -1);
        for (int i = 0; i < 1000; ++i)
            MachineList::add(machines, u"M%1"_s.arg(i));
        QCOMPARE(machines.size(), 999);
        QCOMPARE(machines.first(), u"\\\\M999"_s);
        QCOMPARE(machines.mid(997), (QStringList{"\\\\M2", "Lokaler PC"}));
    }

    // Root abbreviations in any case, a "Computer" or "Arbeitsplatz" prefix, blanks, quotes and a trailing
    // backslash; an abbreviation inside a name, a longer word and an alias name stay.
    void normalize()
    {
        const std::pair<const char*, QString> cases[] = {
            {"HKEY_USERS\\.DEFAULT\\", "HKEY_USERS\\.DEFAULT"},
            {"HKLM\\SOFTWARE\\Classes", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes"},
            {"hkcu\\Software", "HKEY_CURRENT_USER\\Software"},
            {"HKCR", "HKEY_CLASSES_ROOT"},
            {"HKU\\", "HKEY_USERS"},
            {"HKCC\\System", "HKEY_CURRENT_CONFIG\\System"},
            {"Computer\\HKEY_LOCAL_MACHINE\\SYSTEM", "HKEY_LOCAL_MACHINE\\SYSTEM"},
            {"computer\\HKLM\\SYSTEM\\", "HKEY_LOCAL_MACHINE\\SYSTEM"},
            {"Arbeitsplatz\\HKEY_USERS", "HKEY_USERS"},
            {"  \"HKCU\\Software\\A B\"  ", "HKEY_CURRENT_USER\\Software\\A B"},
            {"HKEY_USERS\\HKLM", "HKEY_USERS\\HKLM"},
            {"HKLMX\\A", "HKLMX\\A"},
            {"MeinAlias", "MeinAlias"}};
        for (const auto& [typed, expected] : cases)
            QCOMPARE(NormalizeKeyPath(QString::fromLatin1(typed)), expected);
    }
};

QTEST_GUILESS_MAIN(TestMachineList)
#include "TestMachineList.moc"
