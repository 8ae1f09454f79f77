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

    // Rows are written with "~" for HKEY_CURRENT_USER\S\; a message means the run fails with it instead.
    void answersCommandLines_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("message");
        const QStringList all{u"Standarddaten\t~farbe\t(Standard)"_s, u"Wert\t~farbe\tGrün"_s,
                              u"Daten\t~farbe\tGrün"_s, u"Schlüssel\t~grün\t"_s, u"Daten\t~zahl\tbin"_s};
        // The text, then the options; searched from HKCU\S unless they name the key.
        const auto row = [](const char* name, const QString& text, const QString& options, const QStringList& rows,
                            const QString& message = {}) {
            const QStringList o = options.split(u' ', Qt::SkipEmptyParts);
            QTest::newRow(name) << QStringList{u"search"_s, text} + o
                    + (o.contains(u"/f"_s) ? QStringList{} : QStringList{u"/f"_s, u"hkcu\\s"_s})
                                << rows << message;
        };
        row("everything, stored spelling", u"grün"_s, {}, all);
        row("keys", u"grün"_s, u"/k"_s, {all[3]});
        row("value names", u"GRÜN"_s, u"/v"_s, {all[1]});
        row("string data", u"grün"_s, u"/d /t sz"_s, {all[0], all[2]});
        row("case", u"Grün"_s, u"/c"_s, {all[0], all[1]});
        row("whole text", u"grü"_s, u"/e"_s, {});
        row("DWORD as decimal", u"26"_s, u"/t DWORD"_s, {u"Daten\t~zahl\twert"_s});
        row("logical", u"rot | wert"_s, u"/l /v"_s, {u"Wert\t~farbe\tRot"_s, u"Wert\t~zahl\twert"_s});
        row("text like an option", u"--"_s, u"/k"_s, {});
        row("key itself not", u"farbe"_s, u"/k /f HKCU\\S\\farbe"_s, {});
        const QString cannotOpen = u"Kann Schlüssel nicht öffnen."_s;
        row("empty text", QString(), {}, {}, u"Der Suchtext ist leer."_s);
        row("unknown type", u"x"_s, u"/t SZ,QWORD"_s, {}, u"Unbekannter Typ"_s);
        row("missing key", u"x"_s, u"/f HKCU\\S\\fehlt"_s, {}, cannotOpen);
        row("denied key", u"x"_s, u"/f HKCU\\S\\gesperrt"_s, {}, cannotOpen);
        row("unknown root", u"x"_s, u"/f HKXY\\S"_s, {}, cannotOpen);
    }

    void answersCommandLines()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, rows);
        QFETCH(QString, message);
        const ToolRun run = runTool(args);
        QCOMPARE(run.rc, message.isEmpty() ? 0 : 1);
        QCOMPARE(run.out, rows.isEmpty() ? QString() : rows.replaceInStrings(u"~"_s, S).join(u'\n') + u'\n');
        if (message.isEmpty())
            QVERIFY2(run.err.endsWith(u"%1 Treffer\n"_s.arg(rows.size())), qPrintable(run.err));
        else
            QVERIFY2(run.err.startsWith(u"Fehler: "_s + message), qPrintable(run.err));
    }

    // Without /f every root key is searched: the user's key comes under HKEY_CURRENT_USER and HKEY_USERS.
    void searchesEveryRootKey()
    {
        const QStringList rows = runTool({u"search"_s, u"grün"_s, u"/k"_s}).out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0], u"Schlüssel\t"_s + S + u"grün\t"_s);
        QVERIFY(rows[1].startsWith(u"Schlüssel\tHKEY_USERS\\"_s) && rows[1].endsWith(u"\\S\\grün\t"_s));
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
