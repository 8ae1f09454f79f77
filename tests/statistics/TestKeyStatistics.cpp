// The statistics walk, the value properties' counts and the kaven-reg commands stats and watch, on a
// hand-built tree in a real store.

#include "registry/RegTestKeys.h"

#include "registry/Progress.h"
#include "registry/RegValueUtils.h"
#include "statistics/KeyStatistics.h"
#include "statistics/ValueProperties.h"
#include "support/ToolRun.h"

#include <QtTest>

using namespace RegTestKeys;

namespace {

const QString Sub = QStringLiteral("Software\\Stat");
const QString Path = QStringLiteral("HKEY_CURRENT_USER\\Software\\Stat");
const QByteArray Bin4("\x01\x02\x03\x04", 4);

// Values are walked in name order: in Stat "", "b1", "bad", "d", "e", "s1"; then A, A\Deep, B.
bool buildTree()
{
    const QString a = Sub + QStringLiteral("\\A");
    return setValue(Sub, QString(), REG_SZ, sz("")) && setValue(Sub, QStringLiteral("s1"), REG_SZ, sz("abc"))
        // 15 bytes with its NUL: longer than every REG_SZ, yet never the largest string
        && setValue(Sub, QStringLiteral("e"), REG_EXPAND_SZ, sz("%SystemRoot%\\x"))
        && setValue(Sub, QStringLiteral("d"), REG_DWORD, QByteArray(4, '\0'))
        && setValue(Sub, QStringLiteral("b1"), REG_BINARY, Bin4)
        && setValue(Sub, QStringLiteral("bad"), REG_DWORD, QByteArray(2, '\0')) // unreadable: a value only
        && setValue(a, QStringLiteral("s2"), REG_SZ, sz("hello"))
        && setValue(a, QStringLiteral("b2"), REG_BINARY, Bin4) // as large as b1, met later
        && setValue(a + QStringLiteral("\\Deep"), QStringLiteral("m"), REG_MULTI_SZ, QByteArray("a\0b\0\0", 5))
        && setValue(a + QStringLiteral("\\Deep"), QStringLiteral("n"), REG_NONE, QByteArray())
        && setValue(Sub + QStringLiteral("\\B"), QString(), REG_SZ, sz(""));
}

// The last line of the statistics: the key's last write.
const QRegularExpression TimeLine(QStringLiteral("^Letzter Schreibzugriff: \\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d$"));

} // namespace

class TestKeyStatistics final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fixture.start());
        QVERIFY(buildTree());
    }
    void cleanup() { m_fixture.stop(); }

    // The lines of a branch's statistics, and the kaven-reg commands stats and watch.
    void linesAndTools()
    {
        NullProgress progress;
        const StatisticsOutcome outcome = CollectStatistics(Path, progress);
        QVERIFY(outcome.walk.ok());
        QStringList texts;
        for (const StatisticsLine& line : StatisticsLines(outcome.statistics))
            texts << line.name + QLatin1Char(' ') + line.value;
        QVERIFY(TimeLine.match(texts.takeLast()).hasMatch());
        QCOMPARE(texts, (QStringList{"Unterschlüssel: 3", "Werte: 11", "Zeichenfolgen: 6 (28 Byte)",
                                     "DWord-Werte: 1 (4 Byte)", "Binärwerte: 3 (8 Byte)",
                                     "Datengröße gesamt: (40 Byte)"}));
        // kaven-reg stats prints the same lines (the ones between are the walk's own, above: the branch and the
        // largest values show it is A).
        ToolRun r = runTool({QStringLiteral("stats"), QStringLiteral("HKCU\\Software\\Stat\\A\\")});
        QCOMPARE(r.rc, 0);
        QStringList text = r.out.split(QLatin1Char('\n'));
        QVERIFY(text.size() > 7 && TimeLine.match(text[7]).hasMatch());
        QCOMPARE(text.first(), QStringLiteral("Schlüssel: HKEY_CURRENT_USER\\Software\\Stat\\A"));
        QCOMPARE(text.mid(8), (QStringList{"Größte Zeichenfolge  (5 Byte): s2\tHKEY_CURRENT_USER\\Software\\Stat\\A",
                                     "Größter Binärwert  (4 Byte): b2\tHKEY_CURRENT_USER\\Software\\Stat\\A", ""}));

        r = runTool({QStringLiteral("stats"), QStringLiteral("HKCU\\Software\\Fehlt")});
        QCOMPARE(r.rc, 1);
        QVERIFY(r.out.isEmpty() && r.err.startsWith(QLatin1String("Fehler: ")));
        // A second process watches; a change made here reaches it as one dated line.
        QProcess watch;
        watch.start(QStringLiteral(KAVEN_REG),
                    {"--registry", m_fixture.store->storePath(), "watch", "HKCU\\Software\\Stat", "/t", "4"});
        QVERIFY(watch.waitForStarted());
        QByteArray said;
        QTRY_VERIFY2_WITH_TIMEOUT((said += watch.readAllStandardError()).contains("Überwache"), said.constData(),
                                  10000);
        QVERIFY(setValue(Sub, QStringLiteral("neu"), REG_SZ, sz("1")));
        QVERIFY(watch.waitForFinished(15000));
        QCOMPARE(watch.exitStatus(), QProcess::NormalExit);
        QCOMPARE(watch.exitCode(), 0);
        const QString out = QString::fromUtf8(watch.readAllStandardOutput());
        static const QRegularExpression line(
            QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d\tHKEY_CURRENT_USER\\\\Software\\\\Stat\n$"));
        QVERIFY2(line.match(out).hasMatch(), qPrintable(out));
    }

    // REG_EXPAND_SZ never becomes the largest string, the first of equal binaries wins, and an empty
    // largest string or binary shows no row.
    void largestValues_data()
    {
        QTest::addColumn<QString>("branch");
        QTest::addColumn<QString>("string"); // caption, value name, key below Path
        QTest::addColumn<QString>("binary");
        QTest::newRow("whole tree") << "" << "Größte Zeichenfolge  (5 Byte)|s2|\\A"
                                    << "Größter Binärwert  (4 Byte)|b1|";
        QTest::newRow("later branch") << "\\A" << "Größte Zeichenfolge  (5 Byte)|s2|\\A"
                                      << "Größter Binärwert  (4 Byte)|b2|\\A";
        QTest::newRow("multi-string and empty binary") << "\\A\\Deep" << "||" << "||";
        QTest::newRow("only an empty string") << "\\B" << "||" << "||";
    }

    void largestValues()
    {
        QFETCH(QString, branch);
        NullProgress progress;
        const KeyStatistics s = CollectStatistics(Path + branch, progress).statistics;
        const auto shown = [](const QString& caption, const LargestValue& v) {
            return caption.isEmpty() ? QStringLiteral("||")
                                     : caption + QLatin1Char('|') + v.valueName + QLatin1Char('|')
                    + v.keyPath.mid(Path.size());
        };
        QTEST(shown(LargestStringCaption(s), s.largestString), "string");
        QTEST(shown(LargestBinaryCaption(s), s.largestBinary), "binary");
    }

    // Rows by their image; the default row only when the key has a default value; unreadable data no size.
    void valueProperties_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("rows"); // captions; empty: all rows
        QTest::addColumn<QString>("counts");  // strings, dwords, binaries and their sizes
        QTest::newRow("all rows") << "" << QStringList{} << "3 2 1 18 4 4";
        QTest::newRow("selection") << "" << QStringList{"s1", "b1", "bad"} << "1 1 1 3 0 4";
        QTest::newRow("default value missing") << "\\A" << QStringList{} << "1 0 1 5 0 4";
    }

    void valueProperties()
    {
        QFETCH(QString, key);
        QFETCH(QStringList, rows);
        ValueListModel list;
        ShowKeyValues(Path + key, list);
        QList<ValueRow> counted;
        for (int r = 0; r < list.rowCount(); ++r) {
            if (rows.isEmpty() || rows.contains(list.row(r).caption))
                counted << list.row(r);
        }
        const ValueProperties p = CountValueRows(Path + key, counted);
        QTEST(QStringLiteral("%1 %2 %3 %4 %5 %6").arg(p.strings).arg(p.dwords).arg(p.binaries).arg(p.stringSize)
                  .arg(p.dwordSize).arg(p.binarySize),
              "counts");
    }

private:
    StoreFixture m_fixture;
};

QTEST_GUILESS_MAIN(TestKeyStatistics)
#include "TestKeyStatistics.moc"
