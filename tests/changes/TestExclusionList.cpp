#include "changes/ExclusionList.h"
#include "support/RecordingMessageSink.h"
#include "support/TestFiles.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestExclusionList : public QObject {
    Q_OBJECT

private slots:
    void findExclusion_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("found");

        const QString a = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\A"_s;
        const int exclude = int(ExclusionMode::Exclude);
        const int duplicate = int(ExclusionMode::Duplicate);
        QTest::newRow("3 the key") << QStringList{u"3"_s + a} << a << exclude << 0;
        QTest::newRow("3 a longer name") << QStringList{u"3"_s + a} << a + u"B"_s << exclude << 0;
        QTest::newRow("3 inside another path") << QStringList{u"3"_s + a} << u"HKEY_CURRENT_USER\\X\\"_s + a << exclude
                                               << 0;
        QTest::newRow("3 ignores case") << QStringList{u"3"_s + a} << a.toLower() + u"\\SUB"_s << exclude << 0;
        QTest::newRow("3 umlaut case") << QStringList{u"3HKEY_USERS\\Ä"_s} << u"HKEY_USERS\\ä\\x"_s << exclude << 0;
        QTest::newRow("3 the parent") << QStringList{u"3"_s + a} << u"HKEY_LOCAL_MACHINE\\SOFTWARE"_s << exclude << -1;
        QTest::newRow("1 the key") << QStringList{u"1"_s + a + u"\\"_s} << a.toLower() << exclude << 0;
        QTest::newRow("1 not its subkey") << QStringList{u"1"_s + a} << a + u"\\Sub"_s << exclude << -1;
        QTest::newRow("2 alone") << QStringList{u"2"_s + a} << a << exclude << -1;
        QTest::newRow("0 inactive") << QStringList{u"0"_s + a} << a << exclude << -1;
        QTest::newRow("3 empty path") << QStringList{u"3"_s} << a << exclude << -1;
        QTest::newRow("first active") << QStringList{u"0"_s + a, u"1HKEY_USERS"_s, u"3"_s + a} << a << exclude << 2;
        QTest::newRow("duplicate ignores flags") << QStringList{u"1HKEY_USERS"_s, u"0"_s + a} << a.toLower() + u"\\"_s
                                                 << duplicate << 1;
        QTest::newRow("duplicate is no substring") << QStringList{u"3"_s + a} << a + u"B"_s << duplicate << -1;
    }

    void findExclusion()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, path);
        QFETCH(int, mode);
        QFETCH(int, found);

        QCOMPARE(FindExclusion(lines, path, ExclusionMode(mode)), found);
        if (mode == int(ExclusionMode::Exclude))
            QCOMPARE(IsKeyIncluded(path, lines, true), found < 0);
        QVERIFY(IsKeyIncluded(path, lines, false)); // the switch off: no entry counts
    }

    void addModes()
    {
        RecordingMessageSink sink;
        QStringList lines{u"3HKEY_USERS\\A"_s};
        QCOMPARE(AddExclusionKey(lines, u"HKEY_USERS\\B\\"_s), 1);
        QCOMPARE(AddExclusionKey(lines, u"hkey_users\\b"_s), -1);
        QCOMPARE(lines, (QStringList{u"3HKEY_USERS\\A"_s, u"0HKEY_USERS\\B"_s}));

        // The selection: a key already listed asks whether to go on.
        sink.pushAnswer(MessageAnswer::Yes);
        sink.pushAnswer(MessageAnswer::No);
        const QStringList selection{u"HKEY_USERS\\C"_s, u"HKEY_USERS\\a"_s, u"HKEY_USERS\\D\\"_s, u"HKEY_USERS\\C"_s,
                                    u"HKEY_USERS\\E"_s};
        QCOMPARE(AddExclusionKeys(lines, selection), 3);
        QCOMPARE(lines.mid(2), (QStringList{u"0HKEY_USERS\\C"_s, u"0HKEY_USERS\\D"_s}));
        QCOMPARE(sink.texts(), QStringList(2, u"Schlüssel bereits vorhanden. Weiter?"_s));
    }

    void file()
    {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(ExclusionFileName);
        const QStringList lines{u"3HKEY_CURRENT_USER\\Müller"_s, u"0HKEY_USERS\\Ω"_s};
        QVERIFY(SaveExclusionList(fileName, lines));
        QCOMPARE(readFile(fileName), QByteArray("3HKEY_CURRENT_USER\\M\xFCller\r\n0HKEY_USERS\\\xCE\xA9\r\n"));
        QCOMPARE(LoadExclusionList(fileName), lines);

        QVERIFY(writeFile(fileName, "1HKEY_USERS\\A\n\r\n3HKEY_USERS\\B"));
        QCOMPARE(LoadExclusionList(fileName), (QStringList{u"1HKEY_USERS\\A"_s, u"3HKEY_USERS\\B"_s}));

        QVERIFY(LoadExclusionList(dir.filePath(u"fehlt.dat"_s)).isEmpty());
        QVERIFY(!SaveExclusionList(dir.filePath(u"fehlt/excl.dat"_s), lines));
    }
};

QTEST_GUILESS_MAIN(TestExclusionList)
#include "TestExclusionList.moc"
