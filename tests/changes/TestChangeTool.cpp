// kaven-reg snapshot and compare against a real store, with the tool's output captured.

#include "ChangeTestTree.h"
#include "FileBytes.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestChangeTool : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_fixture.start()); }
    void cleanup() { m_fixture.stop(); }

    void snapshot_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("rc");
        QTest::addColumn<QByteArray>("begin"); // the file's first bytes, empty: no file
        QTest::addColumn<QString>("message");

        const auto row = [](const char* name, const QStringList& args, int rc, const QByteArray& begin,
                            const char* message = "") { QTest::newRow(name) << args << rc << begin << message; };
        const QByteArray firstKey = QByteArray("KAVEN_COMPARE_FILE") + le(0);
        // Short root names are written in full.
        row("short root name", {"HKCU\\T\\", "@/a.rec"}, 0, firstKey + str("HKEY_CURRENT_USER\\T") + le(3) + le(4));
        row("all selected root keys", {"all", "@/a.rec"}, 0, firstKey + str("HKEY_CLASSES_ROOT"));
        row("key that does not open", {"HKCU\\Nichts", "@/a.rec"}, 1, {},
            "Fehler: Der Schlüssel HKEY_CURRENT_USER\\Nichts kann nicht geöffnet");
        row("unknown root", {"HKXX\\T", "@/a.rec"}, 1, {}, "Fehler: Ungültiger Schlüsselname.");
        row("folder missing", {"HKCU\\T", "@/no/a.rec"}, 1, {}, "Fehler: Kann Datei nicht speichern.");
        row("no file named", {"HKCU\\T"}, 1, {}, "Aufruf:");
    }

    void snapshot()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, begin);
        QVERIFY(ChangeTestTree::apply(u"+K:"_s));
        args.replaceInStrings(u"@"_s, m_fixture.store->dirPath());
        const ToolRun run = runTool(QStringList{u"snapshot"_s} + args);
        QTEST(run.rc, "rc");
        QVERIFY(run.out.isEmpty());
        QFETCH(QString, message);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        const QStringList written = QDir(m_fixture.store->dirPath()).entryList({u"*.rec"_s}, QDir::Files);
        QCOMPARE(written.size(), begin.isEmpty() ? 0 : 1);
        if (!begin.isEmpty())
            QVERIFY(readFile(file(written.first())).startsWith(begin));
    }

    // T holds "a" = "x" and the subkey S with "s" = 1 when the snapshot @/t.rec is taken; then "a" is
    // changed and T\N created. Damaged files are cut from a copy of @/t.rec.
    void compare_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("input"); // "", or how @/in.rec is made: "cut N", "bytes ..."
        QTest::addColumn<int>("rc");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("message");

        const QString changed = "Daten wurden geändert\ta\tHKEY_CURRENT_USER\\T\n";
        const QString created = "Schlüssel wurde erstellt\t\tHKEY_CURRENT_USER\\T\\N\n";
        const auto row = [](const char* name, const QStringList& args, const char* input, int rc, const QString& out,
                            const char* message = "") { QTest::newRow(name) << args << input << rc << out << message; };
        row("changes", {"@/t.rec"}, "", 2, changed + created);
        row("data only", {"@/t.rec", "/m", "4"}, "", 2, changed);
        row("keys only, unchanged", {"@/t.rec", "/M", "1", "/x"}, "", 0, {});
        row("excluded", {"@/t.rec", "/x"}, "", 0, {});
        for (const char* bad : {"0", "64", "15x", ""})
            row(qPrintable(u"flags "_s + QLatin1String(bad)),
                QStringList{"@/t.rec", "/m"} << (*bad ? QStringList{QLatin1String(bad)} : QStringList{}), "", 1, {},
                "Aufruf:");
        row("two files", {"@/t.rec", "@/t.rec"}, "", 1, {}, "Aufruf:");
        row("missing file", {"@/fehlt.rec"}, "", 1, {}, "Fehler: Kann Datei nicht öffnen.");
        row("no analysis file", {"@/in.rec"}, "bytes REGEDIT4", 1, {}, "ist keine Analysedatei.");
        // 18 + key T (4+4+19) + subkey S (4+4+1) + value a (4+4+1+4+4+1) + end (4) = 76: the key T\S begins
        // there and is cut inside its path; its value and end make 50 more bytes, the end of file follows.
        row("cut in the second key", {"@/in.rec"}, "cut 90", 1, changed + created,
            "ab Byte 76 beschädigt: die Länge 21 reicht über das Dateiende hinaus.");
        row("cut before the end record", {"@/in.rec"}, "cut -4", 1, changed + created,
            "ab Byte 126 beschädigt: die Endekennung fehlt.");
        row("negative length", {"@/in.rec"}, "bytes KAVEN_COMPARE_FILE\\0\\0\\0\\0\\xff\\xff\\xff\\xff", 1, {},
            "ab Byte 18 beschädigt: negative Länge -1.");
    }

    void compare()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, input);
        QVERIFY(ChangeTestTree::apply({u"+V::a:1:x"_s, u"+V:S:s:4:1"_s}));
        QVERIFY(runTool({u"snapshot"_s, u"HKCU\\T"_s, file(u"t.rec"_s)}).rc == 0);
        QVERIFY(ChangeTestTree::apply({u"+V::a:1:y"_s, u"+K:N"_s}));
        // The exclusion list of the per-user data folder (no "DataPath" is set).
        QVERIFY(QDir().mkpath(m_fixture.store->dirPath() + u"/kaven"_s));
        QVERIFY(writeFile(m_fixture.store->dirPath() + u"/kaven/excl.dat"_s, "3HKEY_CURRENT_USER\\T\r\n"));
        const QByteArray whole = readFile(file(u"t.rec"_s));
        const int cut = input.startsWith(u"cut "_s) ? input.mid(4).toInt() : 0; // below 0: bytes off the end
        if (cut != 0)
            QVERIFY(writeFile(file(u"in.rec"_s), cut > 0 ? whole.left(cut) : whole.chopped(-cut)));
        else if (input.startsWith(u"bytes "_s))
            QVERIFY(writeFile(file(u"in.rec"_s), QByteArray::fromPercentEncoding(
                                                     input.mid(6).replace(u"\\0"_s, u"%00"_s).replace(u"\\x"_s, u"%"_s)
                                                         .toLatin1())));
        args.replaceInStrings(u"@"_s, m_fixture.store->dirPath());
        // Every run also writes its list: what it printed, as a change list file.
        const ToolRun run = runTool(QStringList{u"compare"_s} + args + QStringList{u"/o"_s, file(u"out.txt"_s)});
        QFETCH(QString, message);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QTEST(run.rc, "rc");
        QTEST(run.out, "out");
        const QByteArray saved = readFile(file(u"out.txt"_s));
        if (run.rc == 1 && run.out.isEmpty())
            return; // refused before the comparison: nothing else to see
        QVERIFY(saved.startsWith("KAVEN_COMPARE_BACKUP_FILE"));
        QCOMPARE(saved.count("HKEY_CURRENT_USER\\T"), 2 * run.out.count(u'\n')); // key column and KeyPath
    }

private:
    QString file(const QString& name) const { return m_fixture.store->dirPath() + u'/' + name; }
    RegTestKeys::StoreFixture m_fixture;
};

QTEST_GUILESS_MAIN(TestChangeTool)
#include "TestChangeTool.moc"
