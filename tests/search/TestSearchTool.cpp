// kaven-reg search against a real store: which rows each option brings, in the result list's order,
// the errors, and the search list file it writes.

#include "registry/RegTestKeys.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString S = u"HKEY_CURRENT_USER\\S\\"_s;

} // namespace

class TestSearchTool final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(m_fixture.start());
        using RegTestKeys::setValue;
        QVERIFY(setValue(u"S\\farbe"_s, QString(), REG_SZ, "Gr\xC3\xBCn\0"_ba));
        QVERIFY(setValue(u"S\\farbe"_s, u"Grün"_s, REG_SZ, "gr\xC3\xBCn\0"_ba));
        QVERIFY(setValue(u"S\\farbe"_s, u"Rot"_s, REG_SZ, "hell\0"_ba));
        QVERIFY(RegTestKeys::makeKey(u"S\\grün"_s));
        QVERIFY(setValue(u"S\\zahl"_s, u"bin"_s, REG_BINARY, "gr\xFCn"_ba));
        QVERIFY(setValue(u"S\\zahl"_s, u"wert"_s, REG_DWORD, QByteArray("\x1A\0\0\0", 4)));
        QVERIFY(RegTestKeys::makeKey(u"S\\gesperrt"_s));
        QVERIFY(RegTestKeys::denyKey(u"S\\gesperrt"_s, KEY_DENY_READ));
    }

    void cleanup() { m_fixture.stop(); }

    void listsRowsInOrder_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("rows");
        const QStringList all{u"Standarddaten\t"_s + S + u"farbe\t(Standard)"_s, u"Wert\t"_s + S + u"farbe\tGrün"_s,
                              u"Daten\t"_s + S + u"farbe\tGrün"_s, u"Schlüssel\t"_s + S + u"grün\t"_s,
                              u"Daten\t"_s + S + u"zahl\tbin"_s};
        const QStringList from{u"/f"_s, u"hkcu\\s"_s};
        QTest::newRow("everything, stored spelling") << QStringList{u"grün"_s} + from << all;
        QTest::newRow("keys") << QStringList{u"grün"_s, u"/k"_s} + from << QStringList{all[3]};
        QTest::newRow("value names") << QStringList{u"GRÜN"_s, u"/v"_s} + from << QStringList{all[1]};
        QTest::newRow("string data") << QStringList{u"grün"_s, u"/d"_s, u"/t"_s, u"sz"_s} + from
                                     << QStringList{all[0], all[2]};
        QTest::newRow("case") << QStringList{u"Grün"_s, u"/c"_s} + from << QStringList{all[0], all[1]};
        QTest::newRow("whole text") << QStringList{u"grü"_s, u"/e"_s} + from << QStringList{};
        QTest::newRow("DWORD as decimal") << QStringList{u"26"_s, u"/t"_s, u"DWORD"_s} + from
                                          << QStringList{u"Daten\t"_s + S + u"zahl\twert"_s};
        QTest::newRow("logical") << QStringList{u"rot | wert"_s, u"/l"_s, u"/v"_s} + from
                                 << QStringList{u"Wert\t"_s + S + u"farbe\tRot"_s, u"Wert\t"_s + S + u"zahl\twert"_s};
        QTest::newRow("text like an option") << QStringList{u"--"_s, u"/k"_s} + from << QStringList{};
        QTest::newRow("key itself not") << QStringList{u"farbe"_s, u"/k"_s, u"/f"_s, u"HKCU\\S\\farbe"_s}
                                        << QStringList{};
    }

    void listsRowsInOrder()
    {
        QFETCH(QStringList, args);
        const ToolRun run = runTool(QStringList{u"search"_s} + args);
        QCOMPARE(run.rc, 0);
        QFETCH(QStringList, rows);
        QCOMPARE(run.out, rows.isEmpty() ? QString() : rows.join(u'\n') + u'\n');
        QVERIFY2(run.err.endsWith(u"%1 Treffer\n"_s.arg(rows.size())), qPrintable(run.err));
    }

    // Without /f every root key is searched: the user's key comes under HKEY_CURRENT_USER and HKEY_USERS.
    void searchesEveryRootKey()
    {
        const QStringList rows = runTool({u"search"_s, u"grün"_s, u"/k"_s}).out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0], u"Schlüssel\t"_s + S + u"grün\t"_s);
        QVERIFY(rows[1].startsWith(u"Schlüssel\tHKEY_USERS\\"_s) && rows[1].endsWith(u"\\S\\grün\t"_s));
    }

    void failsWithMessage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty text") << QStringList{QString()} << u"Der Suchtext ist leer."_s;
        QTest::newRow("unknown type") << QStringList{u"x"_s, u"/t"_s, u"SZ,QWORD"_s} << u"Unbekannter Typ"_s;
        QTest::newRow("missing key") << QStringList{u"x"_s, u"/f"_s, u"HKCU\\S\\fehlt"_s}
                                     << u"Kann Schlüssel nicht öffnen."_s;
        QTest::newRow("denied key") << QStringList{u"x"_s, u"/f"_s, u"HKCU\\S\\gesperrt"_s}
                                    << u"Kann Schlüssel nicht öffnen."_s;
        QTest::newRow("unknown root") << QStringList{u"x"_s, u"/f"_s, u"HKXY\\S"_s}
                                      << u"Kann Schlüssel nicht öffnen."_s;
    }

    void failsWithMessage()
    {
        QFETCH(QStringList, args);
        const ToolRun run = runTool(QStringList{u"search"_s} + args);
        QCOMPARE(run.rc, 1);
        QCOMPARE(run.out, QString());
        QFETCH(QString, message);
        QVERIFY2(run.err.startsWith(u"Fehler: "_s + message), qPrintable(run.err));
    }

    // The file holds what the result page saves: Windows-1252 lines, upper-case hexadecimal lengths.
    void writesSearchListFile()
    {
        const QString file = m_fixture.store->dirPath() + u"/treffer.slt"_s;
        QCOMPARE(runTool({u"search"_s, u"grün"_s, u"/f"_s, u"HKCU\\S"_s, u"/o"_s, file}).rc, 0);
        // The rows in the listing's order; row bytes are pinned where result files are read and written.
        const QByteArray written = readFile(file);
        QVERIFY(written.startsWith("050D0AStandarddaten(Standard)HKEY_CURRENT_USER\\S\\farbe\r\n"));
        QVERIFY(written.endsWith("\r\n070503DatenbinHKEY_CURRENT_USER\\S\\zahl\r\n"));
        QCOMPARE(written.count("\r\n"), 5);
        QCOMPARE(runTool({u"search"_s, u"x"_s, u"/o"_s, m_fixture.store->dirPath() + u"/fehlt/x.slt"_s}).rc, 1);
    }

private:
    RegTestKeys::StoreFixture m_fixture;
};

QTEST_GUILESS_MAIN(TestSearchTool)
#include "TestSearchTool.moc"
