#include "mainwindow/NavigationHistory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestNavigationHistory final : public QObject {
    Q_OBJECT

private slots:
    void addRecentEntry_data();
    void addRecentEntry();
    void forwardEntriesDropped();
    void boundedToEighty();
    void repeatedAndMachineNode();
    void backAndForwardEnabling();
    void openLoopRemovesOnYes();
    void openLoopStopsOnNo();
    void openNothingWhenCurrent();
    void duplicatesKeepFirst();
    void editedListTakesCurrentKey();
    void fileRoundTrip();
    void fileNames();
};

void TestNavigationHistory::addRecentEntry_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bound");
    QTest::addColumn<bool>("atTop");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("index");

    QTest::newRow("empty text") << QStringList{"a"} << "" << 3 << true << QStringList{"a"} << -1;
    QTest::newRow("top, new") << QStringList{"a", "b"} << "c" << 3 << true << QStringList{"c", "a", "b"} << 0;
    QTest::newRow("top, full") << QStringList{"a", "b", "c"} << "d" << 3 << true << QStringList{"d", "a", "b"} << 0;
    QTest::newRow("top, present in other case")
        << QStringList{"a", "B", "c"} << "b" << 3 << true << QStringList{"a", "B", "c"} << 1;
    QTest::newRow("end, new") << QStringList{"a"} << "b" << 3 << false << QStringList{"a", "b"} << 1;
    QTest::newRow("end, full") << QStringList{"a", "b", "c"} << "d" << 3 << false << QStringList{"b", "c", "d"} << 2;
    QTest::newRow("end, present is appended again")
        << QStringList{"a", "b"} << "a" << 3 << false << QStringList{"a", "b", "a"} << 2;
    QTest::newRow("top, empty list") << QStringList{} << "x" << 999 << true << QStringList{"x"} << 0;
}

void TestNavigationHistory::addRecentEntry()
{
    QFETCH(QStringList, list);
    QFETCH(QString, text);
    QFETCH(int, bound);
    QFETCH(bool, atTop);
    QFETCH(QStringList, expected);
    QFETCH(int, index);
    QCOMPARE(AddRecentEntry(list, text, bound, atTop), index);
    QCOMPARE(list, expected);
}

void TestNavigationHistory::forwardEntriesDropped()
{
    NavigationHistory h;
    for (const char* path : {"A", "B", "C"})
        h.record(QString::fromLatin1(path));
    QVERIFY(h.back());
    QVERIFY(h.back());
    QVERIFY(!h.back());
    QCOMPARE(h.position(), 0);
    h.record(QStringLiteral("D"));
    QCOMPARE(h.entries(), (QStringList{"A", "D"}));
    QCOMPARE(h.position(), 1);
}

void TestNavigationHistory::boundedToEighty()
{
    NavigationHistory h;
    for (int i = 1; i <= 81; ++i)
        h.record(QStringLiteral("HKEY_USERS\\K%1").arg(i));
    QCOMPARE(h.entries().size(), 80);
    QCOMPARE(h.entries().first(), QStringLiteral("HKEY_USERS\\K2"));
    QCOMPARE(h.entries().last(), QStringLiteral("HKEY_USERS\\K81"));
    QCOMPARE(h.position(), 79);
}

void TestNavigationHistory::repeatedAndMachineNode()
{
    NavigationHistory h;
    h.record(QStringLiteral("HKEY_USERS\\Soft"));
    h.record(QStringLiteral("HKEY_USERS\\SOFT"));
    QCOMPARE(h.entries(), QStringList{"HKEY_USERS\\Soft"});
    h.record(QString()); // the machine node
    QCOMPARE(h.entries().size(), 1);
    QCOMPARE(h.position(), -1);
    QVERIFY(!h.canGoBack());
    QVERIFY(!h.canGoForward());
}

void TestNavigationHistory::backAndForwardEnabling()
{
    NavigationHistory h;
    h.record(QStringLiteral("A"));
    QVERIFY(!h.canGoBack());
    h.record(QStringLiteral("B"));
    QVERIFY(h.canGoBack());
    QVERIFY(!h.canGoForward());
    QVERIFY(!h.forward());
    QVERIFY(h.back());
    QVERIFY(!h.canGoBack());
    QVERIFY(h.canGoForward());
    QVERIFY(h.forward());
    QCOMPARE(h.position(), 1);
}

void TestNavigationHistory::openLoopRemovesOnYes()
{
    NavigationHistory h;
    h.setEntries({"A", "gone1", "gone2", "B"});
    h.setPosition(1);
    QStringList tried;
    int asked = 0;
    const bool opened = h.openCurrent(
        QStringLiteral("A"),
        [&](const QString& path) {
            tried << path;
            // Recording during the walk through the tree is suspended.
            h.record(path);
            return path == QLatin1String("B");
        },
        [&] { ++asked; return true; });
    QVERIFY(opened);
    QCOMPARE(tried, (QStringList{"gone1", "gone2", "B"}));
    QCOMPARE(asked, 2);
    QCOMPARE(h.entries(), (QStringList{"A", "B"}));
    QCOMPARE(h.position(), 1);
    QVERIFY(!h.navigating());

    // The last entry removed: the position falls back to the new last one, which is tried next.
    h.setEntries({"A", "gone"});
    tried.clear();
    const auto tryOpen = [&](const QString& p) {
        tried << p;
        return p == QLatin1String("A");
    };
    QVERIFY(h.openCurrent(QStringLiteral("X"), tryOpen, [] { return true; }));
    QCOMPARE(tried, (QStringList{"gone", "A"}));
    QCOMPARE(h.entries(), QStringList{"A"});
    QCOMPARE(h.position(), 0);

    // Everything removed.
    h.setEntries({"gone"});
    QVERIFY(!h.openCurrent(QString(), [](const QString&) { return false; }, [] { return true; }));
    QVERIFY(h.entries().isEmpty());
    QCOMPARE(h.position(), -1);
}

void TestNavigationHistory::openLoopStopsOnNo()
{
    NavigationHistory h;
    h.setEntries({"A", "gone", "B"});
    h.setPosition(1);
    int opens = 0;
    QVERIFY(!h.openCurrent(QStringLiteral("A"), [&](const QString&) { ++opens; return false; }, [] { return false; }));
    QCOMPARE(opens, 1);
    QCOMPARE(h.entries(), (QStringList{"A", "gone", "B"}));
    QCOMPARE(h.position(), 1);
}

void TestNavigationHistory::openNothingWhenCurrent()
{
    NavigationHistory h;
    h.setEntries({"HKEY_USERS\\A"});
    int opens = 0;
    const auto countOpen = [&](const QString&) { return ++opens > 0; };
    QVERIFY(!h.openCurrent(QStringLiteral("hkey_users\\a"), countOpen, [] { return true; }));
    QCOMPARE(opens, 0);
}

void TestNavigationHistory::duplicatesKeepFirst()
{
    const QStringList list{"HKEY_USERS\\Ä", "b", "hkey_users\\ä", "B", "c", "b"};
    QCOMPARE(RemoveDuplicateEntries(list), (QStringList{"HKEY_USERS\\Ä", "b", "c"}));

    NavigationHistory h;
    h.setEntries(list);
    h.setPosition(4); // "c"
    h.removeDuplicates();
    QCOMPARE(h.position(), 2);
}

void TestNavigationHistory::editedListTakesCurrentKey()
{
    NavigationHistory h;
    h.setEntries({"A", "B", "C"});
    h.applyEdited({"A", "C"}, QStringLiteral("B"));
    QCOMPARE(h.entries(), (QStringList{"A", "C", "B"}));
    QCOMPARE(h.position(), 2);
    h.applyEdited({"A", "c"}, QStringLiteral("C"));
    QCOMPARE(h.entries(), (QStringList{"A", "c"}));
    h.applyEdited({}, QString());
    QVERIFY(h.entries().isEmpty());
    QCOMPARE(h.position(), -1);
}

void TestNavigationHistory::fileRoundTrip()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(NavigationHistory::fileNameFor(QString()));
    NavigationHistory h;
    QVERIFY(!h.load(file)); // missing: silent, unchanged
    h.record(QStringLiteral("HKEY_USERS\\Grüße"));
    h.record(QStringLiteral("HKEY_USERS\\日本"));
    QVERIFY(h.save(file));
    QFile raw(file);
    QVERIFY(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    QVERIFY(bytes.startsWith("HKEY_USERS\\Gr\xFC\xDF" "e\r\n")); // Windows-1252 where it fits
    QVERIFY(bytes.endsWith("\r\n"));

    NavigationHistory loaded;
    QVERIFY(loaded.load(file));
    QCOMPARE(loaded.entries(), h.entries());
    QCOMPARE(loaded.position(), 1);
}

void TestNavigationHistory::fileNames()
{
    QCOMPARE(NavigationHistory::fileNameFor(QString()), QStringLiteral("history.dat"));
    QCOMPARE(NavigationHistory::fileNameFor(QStringLiteral("\\\\SERVER")), QStringLiteral("SERVERhistory.dat"));
}

QTEST_GUILESS_MAIN(TestNavigationHistory)
#include "TestNavigationHistory.moc"
