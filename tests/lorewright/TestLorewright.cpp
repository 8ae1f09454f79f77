#include "info/InfoFileFormat.h"
#include "info/TInfoClass.h"
#include "lorewright/Lorewright.h"
#include "regfile/RegValueLineParser.h"
#include "support/TestFiles.h"

#include <QtTest>

namespace {

const QByteArray Header = "Titel: T\nBetriebssystem: WinNT\nVersion: 2\nRechte: R\n"
                          "Reserviert: 01 02 03 04 05 06 07 08\nKategorie: A\nKategorie: B\n";

} // namespace

class TestLorewright : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    // The shipped source is canonical: built and dumped again it comes back byte for byte, and every
    // entry is found by the page's look-up and every value link in it is a value line.
    void shippedFileRoundTrip()
    {
        const QString source = QStringLiteral(KAVEN_SOURCE_DIR "/data/info/info.txt");
        const QString rgf = path("info.rgf");
        const QString back = path("back.txt");
        QCOMPARE(lorewright({"build", source, rgf}), 0);
        QCOMPARE(lorewright({"dump", rgf, back}), 0);
        QCOMPARE(readFile(back), readFile(source));

        TInfoClass info;
        QVERIFY(info.Load(rgf));
        QVERIFY(info.Entries.size() >= 80);
        int links = 0;
        static const QRegularExpression link(QStringLiteral("<A=\\d+>(.*?)</A>"),
                                             QRegularExpression::CaseInsensitiveOption);
        for (const InfoEntry& entry : info.Entries) {
            const std::optional<InfoEntry> found = TInfoClass::LookUp(rgf, entry.keyPath);
            QVERIFY2(found && found->text == entry.text, qPrintable(entry.keyPath));
            for (auto it = link.globalMatch(entry.text); it.hasNext(); ++links) {
                TRegValueLine parsed;
                const QString line = it.next().captured(1);
                QVERIFY2(ParseRegValueLine(line, &parsed) && !parsed.Continued, qPrintable(line));
            }
        }
        QVERIFY(links >= 5);
    }

    // The layout of the file, byte for byte: sections grouped by root in the index order.
    void buildLayout()
    {
        const QByteArray source =
            Header + "\n[HKEY_USERS\\U]\nKategorie: A\nu\n\n[HKEY_CLASSES_ROOT\\.c]\nKategorie: #1\nc\n";
        QVERIFY(writeFile(path("s.txt"), source));
        QCOMPARE(lorewright({"build", path("s.txt"), path("s.rgf")}), 0);
        const QByteArray expected = QByteArray::fromHex(
            "01e00a00" "1a000000"                       // identifier, header size
            "010000001f" "03000000" "02000000"          // title "T" scrambled, WinNT, version 2
            "0100000019" "0102030405060708"             // rights "R" scrambled, reserved
            "0e000000" "02000000" "0100000041" "0100000042" // category block: 2, "A", "B"
            "02000000"                                   // entries
            "68000000" "01000000" "8d000000" "00000000" "8d000000" "00000000" // HKCR, HKCC, HKCU
            "8d000000" "00000000" "8d000000" "00000000" "8d000000" "01000000" // HKDD, HKLM, HKU
            "15000000" "14000000" "484b45595f434c41535345535f524f4f545c2e63" "0100000063" "01000000"
            "0d000000" "0c000000" "484b45595f55534552535c55" "0100000075" "00000000");
        QCOMPARE(readFile(path("s.rgf")).toHex(), expected.toHex());
    }

    void sourceErrors_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("message");
        QTest::newRow("character outside code page 1252")
            << Header + "\n[HKEY_USERS\\U]\nKategorie: A\nPfeil \xe2\x86\x92 hier\n"
            << "Zeile 11: Das Zeichen \"\u2192\" (U+2192) gibt es in der Codepage 1252 nicht.";
        QTest::newRow("invalid UTF-8") << Header + "Titel: \xe4\n" << "Zeile 8: Die Zeile ist kein gültiges UTF-8.";
        QTest::newRow("unknown root") << Header + "[Arbeitsplatz\\X]\n"
                                      << "Zeile 8: Der Schlüsselpfad beginnt nicht mit einem Hauptschlüssel: "
                                         "Arbeitsplatz\\X";
        QTest::newRow("category line missing") << Header + "[HKEY_USERS\\U]\ntext\n"
                                               << "Zeile 9: Nach dem Schlüssel fehlt die Zeile \"Kategorie: \".";
        QTest::newRow("unknown category") << Header + "[HKEY_USERS\\U]\nKategorie: C\n"
                                          << "Zeile 9: Unbekannte Kategorie: C";
        QTest::newRow("same key twice") << Header + "[HKEY_USERS\\U]\nKategorie: A\n[hkey_users\\u\\]\nKategorie: A\n"
                                        << "Zeile 10: Der Schlüssel steht schon in Zeile 8.";
        QTest::newRow("unknown system") << QByteArray("Betriebssystem: Win3.1\n")
                                        << "Zeile 1: Unbekanntes Betriebssystem: Win3.1";
        QTest::newRow("unknown item") << QByteArray("Autor: ich\n") << "Zeile 1: Unbekannte Angabe: Autor";
    }

    // A source that cannot be built names its line; the existing target stays as it was.
    void sourceErrors()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, message);
        QVERIFY(writeFile(path("bad.txt"), source) && writeFile(path("bad.rgf"), "alt"));
        QCOMPARE(lorewright({"build", path("bad.txt"), path("bad.rgf")}), 1);
        QCOMPARE(m_err, path("bad.txt") + QStringLiteral(": ") + message + QLatin1Char('\n'));
        QCOMPARE(readFile(path("bad.rgf")), QByteArray("alt"));
    }

    void texts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("category");
        QTest::newRow("line that looks like a section") << "[HKEY_USERS\\X]\r\n[a" << 1;
        QTest::newRow("line with a leading backslash") << "\\\\server\\share" << 0;
        QTest::newRow("empty lines inside and at the end") << "a\r\n\r\nb\r\n\r\n" << 0;
        QTest::newRow("only a line break") << "\r\n" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("category beyond the last") << "x" << 7;
        QTest::newRow("negative category") << "x" << -2;
    }

    // Whatever text and category number an entry holds comes back unchanged from file to source to
    // file, and dumping the rebuilt file gives the same source again.
    void texts()
    {
        QFETCH(QString, text);
        QFETCH(int, category);
        TInfoClass info;
        info.Categories = QStringList{"A", "#1"}; // a name that looks like a number is written as one
        info.Reserved = QByteArray(8, '\0');
        info.Entries = {InfoEntry{QStringLiteral("HKEY_USERS\\U"), text, category},
                        InfoEntry{QStringLiteral("HKEY_USERS\\V"), QStringLiteral("v"), 0}};
        QVERIFY(writeFile(path("in.rgf"), Lorewright::buildFile(info)));
        QCOMPARE(lorewright({"dump", path("in.rgf"), path("in.txt")}), 0);
        QCOMPARE(lorewright({"build", path("in.txt"), path("out.rgf")}), 0);
        QCOMPARE(readFile(path("out.rgf")), readFile(path("in.rgf")));
        TInfoClass back;
        QCOMPARE(back.ReadInFileOrder(path("out.rgf")), TInfoClass::ReadStatus::Complete);
        QCOMPARE(back.Entries.size(), 2);
        QCOMPARE(back.Entries[0].text, text);
        QCOMPARE(back.Entries[0].category, category);
    }

    void commandFailures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command") << QStringList() << QByteArray() << "Aufruf: lorewright build";
        QTest::newRow("missing source") << QStringList{"build", "nichts.txt", "x.rgf"} << QByteArray()
                                        << "Kann Datei nicht öffnen: ";
        QTest::newRow("dump of another file") << QStringList{"dump", "in", "x.txt"} << QByteArray("REGEDIT4\r\n")
                                              << " ist keine Informationsdatei.";
        QTest::newRow("dump of a truncated file") << QStringList{"dump", "in", "x.txt"}
                                                  << QByteArray::fromHex("01e00a0000000000ff") << " ist unvollständig";
        TInfoClass lf; // a text with a line break that is not CR LF has no source form
        lf.Categories = QStringList{"A"};
        lf.Entries = {InfoEntry{QStringLiteral("HKEY_USERS\\U"), QStringLiteral("a\nb"), 0}};
        QTest::newRow("dump of a text with LF")
            << QStringList{"dump", "in", "x.txt"} << Lorewright::buildFile(lf) << "";
        QTest::newRow("output folder missing") << QStringList{"build", "in", "fehlt/x.rgf"} << Header
                                               << "Kann Datei nicht schreiben: ";
    }

    // Every failure exits with 1 and a message on the error channel; the output file is not left behind.
    void commandFailures()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QString, message);
        QVERIFY(writeFile(path("in"), input));
        for (int i = 1; i < args.size(); ++i)
            args[i] = path(args[i]);
        QCOMPARE(lorewright(args), 1);
        QVERIFY2(m_err.contains(message), qPrintable(m_err));
        if (args.size() == 3)
            QVERIFY(!QFileInfo::exists(args[2]));
    }

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    // Runs the tool; its error channel is kept in m_err.
    int lorewright(const QStringList& args)
    {
        QBuffer err;
        err.open(QIODevice::WriteOnly);
        const int rc = Lorewright::run(args, err);
        m_err = QString::fromUtf8(err.data());
        return rc;
    }

    QTemporaryDir m_dir;
    QString m_err;
};

QTEST_GUILESS_MAIN(TestLorewright)
#include "TestLorewright.moc"
