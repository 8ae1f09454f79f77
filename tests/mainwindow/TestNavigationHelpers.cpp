#include "mainwindow/Favorites.h"
#include "mainwindow/KeyPathInput.h"
#include "mainwindow/MachineList.h"
#include "mainwindow/NavigationHistory.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The small helpers of the history, network and favorites bars: the history, the machine list, typed key
// paths and the favorites file.
class TestNavigationHelpers final : public QObject {
    Q_OBJECT

private slots:
    void addRecentEntry_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("atTop");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("index");
        // The lists are bounded to three entries.
        QTest::newRow("empty text") << QStringList{"a"} << "" << true << QStringList{"a"} << -1;
        QTest::newRow("top, new") << QStringList{"a", "b"} << "c" << true << QStringList{"c", "a", "b"} << 0;
        QTest::newRow("top, full") << QStringList{"a", "b", "c"} << "d" << true << QStringList{"d", "a", "b"} << 0;
        QTest::newRow("top, present in other case")
            << QStringList{"a", "B", "c"} << "b" << true << QStringList{"a", "B", "c"} << 1;
        QTest::newRow("end, new") << QStringList{"a"} << "b" << false << QStringList{"a", "b"} << 1;
        QTest::newRow("end, full") << QStringList{"a", "b", "c"} << "d" << false << QStringList{"b", "c", "d"} << 2;
        QTest::newRow("end, present is appended again")
            << QStringList{"a", "b"} << "a" << false << QStringList{"a", "b", "a"} << 2;
    }
    void addRecentEntry()
    {
        QFETCH(QStringList, list);
        QFETCH(QString, text);
        QFETCH(bool, atTop);
        QTEST(AddRecentEntry(list, text, 3, atTop), "index");
        QTEST(list, "expected");
    }

    // Visits are recorded with a bound; going back and opening the current entry.
    void recordingAndOpening()
    {
        NavigationHistory h;
        for (const char* path : {"A", "B", "C", "c"})
            h.record(QString::fromLatin1(path));
        QCOMPARE(h.entries(), (QStringList{"A", "B", "C"})); // a repeat in other case is no new visit
        QVERIFY(h.back() && h.back() && !h.back());
        QVERIFY(!h.canGoBack() && h.canGoForward());
        h.record(u"D"_s); // going somewhere new drops the forward entries
        QCOMPARE(h.entries(), (QStringList{"A", "D"}));
        QVERIFY(!h.forward());
        h.record(QString()); // the machine node records nothing
        QCOMPARE(h.position(), -1);
        QVERIFY(!h.canGoBack() && !h.canGoForward());
        for (int i = 1; i <= 81; ++i)
            h.record(u"K%1"_s.arg(i));
        QCOMPARE(h.entries().size(), 80);
        QCOMPARE(h.entries().first(), u"K2"_s); // the oldest fell out
        QCOMPARE(h.position(), 79);
        // Opening the current entry: missing keys are offered for removal and the next one is tried.
        h.setEntries({"A", "gone1", "gone2", "B"});
        h.setPosition(1);
        QStringList tried;
        int asked = 0;
        const auto open = [&](const QString& path) {
            tried << path;
            h.record(path); // recording is suspended while the history navigates
            return path == "B"_L1 || path == "A"_L1;
        };
        QVERIFY(h.openCurrent(u"A"_s, open, [&] { return ++asked > 0; }));
        QCOMPARE(tried, (QStringList{"gone1", "gone2", "B"}));
        QCOMPARE(asked, 2);
        QCOMPARE(h.entries(), (QStringList{"A", "B"}));
        QVERIFY(h.position() == 1 && !h.navigating());
        // The entry that is shown already opens nothing; No keeps a missing entry.
        tried.clear();
        QVERIFY(!h.openCurrent(u"b"_s, open, [] { return true; }));
        h.setEntries({"A", "gone"});
        QVERIFY(!h.openCurrent(u"X"_s, open, [] { return false; }));
        QCOMPARE(h.entries(), (QStringList{"A", "gone"}));
        // Yes on the last entry: the new last one is tried next.
        QVERIFY(h.openCurrent(u"X"_s, open, [] { return true; }));
        QCOMPARE(tried, (QStringList{"gone", "gone", "A"}));
        QCOMPARE(h.entries(), QStringList{"A"});
        h.setEntries({"gone"});
        QVERIFY(!h.openCurrent(QString(), [](const QString&) { return false; }, [] { return true; }));
        QCOMPARE(h.position(), -1);
    }

    // A renamed branch takes its new path in every entry, a deleted one leaves the history.
    void replaceBranch()
    {
        for (const QString& newPath : {u"HKU\\Neu"_s, QString()}) {
            NavigationHistory h;
            h.setEntries({"HKU\\X", "HKU\\Alt", "hku\\alt\\Sub", "HKU\\Alt2"});
            h.setPosition(2);
            h.replaceBranch(u"HKU\\Alt"_s, newPath);
            QCOMPARE(h.entries(), (newPath.isEmpty() ? QStringList{"HKU\\X", "HKU\\Alt2"}
                                                     : QStringList{"HKU\\X", "HKU\\Neu", "HKU\\Neu\\Sub", "HKU\\Alt2"}));
            QCOMPARE(h.position(), newPath.isEmpty() ? 0 : 2);
        }
    }

    void duplicatesAndEditedList()
    {
        const QStringList list{"HKEY_USERS\\Ä", "b", "hkey_users\\ä", "B", "c", "b"};
        QCOMPARE(RemoveDuplicateEntries(list), (QStringList{"HKEY_USERS\\Ä", "b", "c"}));
        NavigationHistory h;
        h.setEntries(list);
        h.setPosition(4); // "c"
        h.removeDuplicates();
        QCOMPARE(h.position(), 2);
        // An edited list takes the current key at its end.
        h.setEntries({"A", "B", "C"});
        h.applyEdited({"A", "C"}, u"B"_s);
        QCOMPARE(h.entries(), (QStringList{"A", "C", "B"}));
        QCOMPARE(h.position(), 2);
        h.applyEdited({"A", "c"}, u"C"_s);
        QCOMPARE(h.entries(), (QStringList{"A", "c"}));
        h.applyEdited({}, QString());
        QVERIFY(h.entries().isEmpty() && h.position() == -1);
    }

    // The machine's file name ("SERVERhistory.dat") is checked with the machine switch.
    void fileRoundTrip()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(NavigationHistory::fileNameFor(QString()));
        NavigationHistory h;
        QVERIFY(!h.load(file)); // missing: silent, unchanged
        h.record(u"HKEY_USERS\\Grüße"_s);
        h.record(u"HKEY_USERS\\日本"_s);
        QVERIFY(h.save(file));
        const QByteArray bytes = readFile(file);
        QVERIFY(bytes.startsWith("HKEY_USERS\\Gr\xFC\xDF" "e\r\n")); // Windows-1252 where it fits
        QVERIFY(bytes.endsWith("\r\n"));
        NavigationHistory loaded;
        QVERIFY(loaded.load(file));
        QCOMPARE(loaded.entries(), h.entries());
        QCOMPARE(loaded.position(), 1);
    }

    void machineList()
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

    void normalize_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("trailing backslash") << "HKEY_USERS\\.DEFAULT\\" << "HKEY_USERS\\.DEFAULT";
        QTest::newRow("HKLM") << "HKLM\\SOFTWARE\\Classes" << "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes";
        QTest::newRow("hkcu lower case") << "hkcu\\Software" << "HKEY_CURRENT_USER\\Software";
        QTest::newRow("HKCR alone") << "HKCR" << "HKEY_CLASSES_ROOT";
        QTest::newRow("HKU with backslash") << "HKU\\" << "HKEY_USERS";
        QTest::newRow("HKCC") << "HKCC\\System" << "HKEY_CURRENT_CONFIG\\System";
        QTest::newRow("Computer prefix") << "Computer\\HKEY_LOCAL_MACHINE\\SYSTEM" << "HKEY_LOCAL_MACHINE\\SYSTEM";
        QTest::newRow("Computer prefix with abbreviation")
            << "computer\\HKLM\\SYSTEM\\" << "HKEY_LOCAL_MACHINE\\SYSTEM";
        QTest::newRow("status bar text") << "Arbeitsplatz\\HKEY_USERS" << "HKEY_USERS";
        QTest::newRow("blanks and quotes") << "  \"HKCU\\Software\\A B\"  " << "HKEY_CURRENT_USER\\Software\\A B";
        QTest::newRow("abbreviation inside a name stays") << "HKEY_USERS\\HKLM" << "HKEY_USERS\\HKLM";
        QTest::newRow("longer word is no abbreviation") << "HKLMX\\A" << "HKLMX\\A";
        QTest::newRow("alias name") << "MeinAlias" << "MeinAlias";
    }

    void normalize()
    {
        QFETCH(QString, typed);
        QTEST(NormalizeKeyPath(typed), "expected");
    }

    // Characters outside Windows-1252 go as UTF-8, and the length counts their bytes; a long description is
    // cut where its bytes still fit, never inside a character.
    void favoritesFileBytes()
    {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        const QString description = u"abcdefghijklmnopqrstuvwxyz"_s.repeated(12);
        QVERIFY(FavoritesFile::write({{"Läufer", "HKEY_USERS\\A"}, {"", "HKEY_CURRENT_USER"}, {"Ω ☃", "HKEY_USERS"},
                                      {description, "HKEY_USERS"}},
                                     buffer));
        QCOMPARE(buffer.data(), QByteArray("06L\xE4ufer" "HKEY_USERS\\A\r\n00HKEY_CURRENT_USER\r\n"
                                           "06\xCE\xA9 \xE2\x98\x83" "HKEY_USERS\r\nFF")
                                    + description.left(255).toLatin1() + "HKEY_USERS\r\n");
        buffer.seek(0);
        QCOMPARE(FavoritesFile::read(buffer).value(3), (Favorite{description.left(255), "HKEY_USERS"}));
        QCOMPARE(FavoritesFile::storedDescription(QString(200, QChar(0x0416)) + u'x'), QString(127, QChar(0x0416)));
        const QString emoji = u"😀"_s.repeated(130);
        QCOMPARE(FavoritesFile::storedDescription(emoji), emoji.left(2 * 63)); // 63 four-byte characters
    }

    void favoritesRoundTrip()
    {
        const QList<Favorite> favorites{{"Schlüssel vom 01.02.2026", "HKEY_LOCAL_MACHINE\\SOFTWARE"},
                                        {"Ключ ☃ 😀", "HKEY_USERS\\Ω"},
                                        {"starts with 0A", "HKEY_USERS\\with blank "}};
        QTemporaryDir dir;
        const QString file = dir.filePath(u"favorite.fav"_s);
        QVERIFY(FavoritesFile::save(favorites, file));
        bool found = false;
        QCOMPARE(FavoritesFile::load(file, &found), favorites);
        QVERIFY(found);
        // A missing file reads as none (a failing write is the file writers' common test).
        QVERIFY(FavoritesFile::load(dir.filePath(u"none.fav"_s), &found).isEmpty() && !found);
    }

    void readSkipsBadLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("count");
        QTest::newRow("empty lines") << QByteArray("\r\n\r\n03abcHKEY_USERS\r\n\n") << 1;
        QTest::newRow("no hex") << QByteArray("zzabcHKEY_USERS\r\n03abcK\r\n") << 1;
        QTest::newRow("length beyond the line") << QByteArray("FFabc\r\n") << 0;
        QTest::newRow("one character") << QByteArray("0") << 0;
        QTest::newRow("lower-case hex, no line end") << QByteArray("0aabcdefghijK") << 1;
    }

    void readSkipsBadLines()
    {
        QFETCH(QByteArray, bytes);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QTEST(int(FavoritesFile::read(buffer).size()), "count");
    }
};

QTEST_GUILESS_MAIN(TestNavigationHelpers)
#include "TestNavigationHelpers.moc"
