#include "mainwindow/NavigationHistory.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestNavigationHistory final : public QObject {
    Q_OBJECT

private slots:
    // The lists are bounded to three entries; an empty text is never added; at the top a present entry (in
    // any case) stays where it is, at the end it is appended again.
    void addRecentEntry()
    {
        const std::tuple<QStringList, QString, bool, QStringList, int> cases[] = {
            {{"a"}, "", true, {"a"}, -1},
            {{"a", "b"}, "c", true, {"c", "a", "b"}, 0},
            {{"a", "b", "c"}, "d", true, {"d", "a", "b"}, 0},
            {{"a", "B", "c"}, "b", true, {"a", "B", "c"}, 1},
            {{"a"}, "b", false, {"a", "b"}, 1},
            {{"a", "b", "c"}, "d", false, {"b", "c", "d"}, 2},
            {{"a", "b"}, "a", false, {"a", "b", "a"}, 2}};
        for (auto [list, text, atTop, expected, index] : cases) {
            QCOMPARE(AddRecentEntry(list, text, 3, atTop), index);
            QCOMPARE(list, expected);
        }
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
            const QStringList renamed{"HKU\\X", "HKU\\Neu", "HKU\\Neu\\Sub", "HKU\\Alt2"};
            const QStringList kept = newPath.isEmpty() ? QStringList{"HKU\\X", "HKU\\Alt2"} : renamed;
            QCOMPARE(h.entries(), kept);
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
};

QTEST_GUILESS_MAIN(TestNavigationHistory)
#include "TestNavigationHistory.moc"
