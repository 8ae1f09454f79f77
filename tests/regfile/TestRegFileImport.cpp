// The reader against a real store: line rules, error texts, line ends, failed writes, cancel, and the
// real files of the corpus.

#include "platform/WinReg.h"
#include "regfile/RegFileLineSource.h"
#include "regfile/RegFileReader.h"
#include "regfile/RegFileUtils.h"
#include "support/RecordingMessageSink.h"
#include "support/ScriptedProgress.h"
#include "support/TempStore.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTest>

namespace {

struct Stored {
    bool exists = false;
    DWORD type = 0;
    QByteArray data;
};

Stored query(HKEY root, const QString& path, const QString& name)
{
    Stored s;
    HKEY key = 0;
    if (RegOpenKeyEx(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return s;
    s.exists = RegQueryValueBytes(key, name, &s.type, &s.data) == ERROR_SUCCESS;
    RegCloseKey(key);
    return s;
}

bool keyExists(HKEY root, const QString& path)
{
    HKEY key = 0;
    if (RegOpenKeyEx(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

QByteArray sz(const QString& text)
{
    return text.toUtf8() + QByteArray(1, '\0');
}

} // namespace

class TestRegFileImport final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void appliesValuesOfEveryForm();
    void stopsAtFirstBadLine_data();
    void stopsAtFirstBadLine();
    void checksTheHeader_data();
    void checksTheHeader();
    void acceptsEveryLineEnd_data();
    void acceptsEveryLineEnd();
    void dropsUnfinishedByteLists();
    void decodesEachLine();
    void reportsValuesThatCouldNotBeWritten();
    void stopsOnCancel();
    void missingFileAndList();
    void importsOrRefusesCorpusFiles();
    void refusesBinaryHives();
    void boundsTheLineLength();

private:
    [[nodiscard]] bool importText(const QByteArray& text);

    std::unique_ptr<TempStore> m_store;
    QString m_file;
};

void TestRegFileImport::init()
{
    m_store = std::make_unique<TempStore>();
    QVERIFY(m_store->ok());
    m_file = m_store->dirPath() + QStringLiteral("/in.reg");
}

bool TestRegFileImport::importText(const QByteArray& text)
{
    QFile file(m_file);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(text);
    file.close();
    ScriptedProgress progress;
    return ImportRegFile(m_file, progress);
}

void TestRegFileImport::appliesValuesOfEveryForm()
{
    QVERIFY2(importText("; Kommentar\r\n\r\nregedit4\r\n"
                        "@=\"ohne Schlüssel\"\r\n"
                        "[HKEY_CURRENT_USER\\Software\\A\\B]\r\n"
                        "  @ = \"Vorgabe\"  \r\n"
                        "\"s\"=\"C:\\\\x\\\"y\\r\\n\"\r\n"
                        "\"d1\"=DWORD:1a\r\n"
                        "\"d2\"=dword:0000001A\r\n"
                        "\"b\"=hex:01,02,\r\n"
                        "\"e\"=hex:\r\n"
                        "\"m\"=hex( 7 ):61,00,\\\r\n"
                        "   ; a comment inside the list\r\n"
                        "  62,00,00\r\n"
                        "\"n99\"=hex(99):01\r\n"
                        "\"nm1\"=hex(-1):02\r\n"
                        "\"t10\"=hex(10):03\r\n"
                        "[HKEY_CLASSES_ROOT\\.kvn]\r\n"
                        "@=\"Kaven.Datei\"\r\n"),
             qPrintable(LastRegFileError()));
    QCOMPARE(LastRegFileError(), QString());
    const QString k = QStringLiteral("Software\\A\\B");
    struct Row {
        const char* name;
        DWORD type;
        QByteArray data;
    };
    const Row rows[] = {
        {"", REG_SZ, sz(QStringLiteral("Vorgabe"))},
        {"s", REG_SZ, sz(QStringLiteral("C:\\x\"y\r\n"))},
        {"d1", REG_DWORD, QByteArray("\x1a\0\0\0", 4)},
        {"d2", REG_DWORD, QByteArray("\x1a\0\0\0", 4)},
        {"b", REG_BINARY, QByteArray("\x01\x02", 2)},
        {"e", REG_BINARY, QByteArray()},
        {"m", REG_MULTI_SZ, QByteArray("a\0b\0\0", 5)},
        {"n99", REG_NONE, QByteArray("\x01", 1)},
        {"nm1", REG_NONE, QByteArray("\x02", 1)},
        {"t10", 10, QByteArray("\x03", 1)},
    };
    for (const Row& row : rows) {
        const Stored s = query(HKEY_CURRENT_USER, k, QString::fromLatin1(row.name));
        QVERIFY2(s.exists, row.name);
        QCOMPARE(s.type, row.type);
        QCOMPARE(s.data, row.data);
    }
    QCOMPARE(query(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Classes\\.kvn"), QString()).data,
             sz(QStringLiteral("Kaven.Datei")));
}

void TestRegFileImport::stopsAtFirstBadLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("error");

    QTest::newRow("other line") << QByteArray("Kein Wert") << "Ungültige Zeile";
    QTest::newRow("@x=1") << QByteArray("@x=1") << "Ungültige Wert-Daten-Zuordnung: (@x=)";
    QTest::newRow("no =") << QByteArray("\"a\"\"b\"") << "Ungültige Wert-Daten-Zuordnung: (=) fehlerhaft";
    QTest::newRow("value deletion") << QByteArray("\"a\"=-") << "Fehlendes Begrenzungszeichen (\")";
    QTest::newRow("bad escape") << QByteArray("\"a\"=\"\\t\"") << "Ungültige Zeichen im Namen bzw. Stringwert";
    QTest::newRow("empty dword") << QByteArray("\"a\"=dword:") << "Ungültige Zeichen im DWord-Datenbereich";
    QTest::newRow("long dword") << QByteArray("\"a\"=dword:100000000") << "Ungültige Zeichen im DWord-Datenbereich";
    QTest::newRow("hex( no colon") << QByteArray("\"a\"=hex(2)") << "Ungültige Wert-Daten-Zuordnung: (:) fehlt";
    QTest::newRow("hex id format") << QByteArray("\"a\"=hex(2:)01")
                                   << "Ungültige Hex-ID-Formatierung (ID: 0-10 -> hex(ID):00,00,..)";
    QTest::newRow("hex id chars") << QByteArray("\"a\"=hex(b):01")
                                  << "Ungültige Zeichen in Hex-ID (ID: 0-10 -> hex(ID):00,00,..)";
    QTest::newRow("hex chars") << QByteArray("\"a\"=hex:01,,02") << "Ungültige Zeichen im Hex-Datenbereich";
    QTest::newRow("hex too large") << QByteArray("\"a\"=hex:100") << "Bytewert im Hex-Datenbereich zu groß";
    QTest::newRow("bad continuation") << QByteArray("\"a\"=hex:01,\\\r\n  0g")
                                      << "Ungültige Zeichen im Hex-Datenbereich";
    QTest::newRow("key deletion") << QByteArray("[-HKEY_CURRENT_USER\\X]") << "";
    QTest::newRow("unknown root") << QByteArray("[HKEY_NIRGENDWO\\X]") << "";
}

void TestRegFileImport::stopsAtFirstBadLine()
{
    QFETCH(QByteArray, line);
    QVERIFY(!importText("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\E]\r\n\"vorher\"=\"1\"\r\n" + line
                        + "\r\n\"nachher\"=\"2\"\r\n[HKEY_CURRENT_USER\\F]\r\n"));
    QTEST(LastRegFileError(), "error");
    QVERIFY(query(HKEY_CURRENT_USER, QStringLiteral("E"), QStringLiteral("vorher")).exists);
    QVERIFY(!query(HKEY_CURRENT_USER, QStringLiteral("E"), QStringLiteral("nachher")).exists);
    QVERIFY(!keyExists(HKEY_CURRENT_USER, QStringLiteral("F")));
}

void TestRegFileImport::checksTheHeader_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");

    QTest::newRow("comments first") << QByteArray(";x\r\n\r\n  REGEDIT4  \r\n[HKEY_CURRENT_USER\\H]\r\n") << true;
    QTest::newRow("version 5") << QByteArray("Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\H]\r\n")
                               << false;
    QTest::newRow("REGEDIT5") << QByteArray("REGEDIT5\r\n[HKEY_CURRENT_USER\\H]\r\n") << false;
    QTest::newRow("no key line") << QByteArray("REGEDIT4\r\n\"a\"=\"b\"\r\n") << false;
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("last key fails") << QByteArray("REGEDIT4\r\n[HKEY_CURRENT_USER\\H]\r\n[]\r\n") << false;
}

void TestRegFileImport::checksTheHeader()
{
    QFETCH(QByteArray, text);
    QTEST(importText(text), "ok");
    QCOMPARE(LastRegFileError(), QString());
    QFETCH(bool, ok);
    QCOMPARE(keyExists(HKEY_CURRENT_USER, QStringLiteral("H")), ok || text.contains("[]"));
}

void TestRegFileImport::acceptsEveryLineEnd_data()
{
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::newRow("CR LF") << QByteArray("\r\n");
    QTest::newRow("LF") << QByteArray("\n");
    QTest::newRow("CR") << QByteArray("\r");
}

void TestRegFileImport::acceptsEveryLineEnd()
{
    QFETCH(QByteArray, lineEnd);
    const QList<QByteArray> lines{"REGEDIT4", "", "[HKEY_CURRENT_USER\\L]", "\"a\"=\"x\"", "\"b\"=hex:01,\\",
                                  "  02", "", "[HKEY_CURRENT_USER\\L\\M]"};
    QVERIFY(importText(lines.join(lineEnd) + lineEnd));
    QCOMPARE(query(HKEY_CURRENT_USER, QStringLiteral("L"), QStringLiteral("a")).data, sz(QStringLiteral("x")));
    QCOMPARE(query(HKEY_CURRENT_USER, QStringLiteral("L"), QStringLiteral("b")).data, QByteArray("\x01\x02"));
    QVERIFY(keyExists(HKEY_CURRENT_USER, QStringLiteral("L\\M")));
}

void TestRegFileImport::dropsUnfinishedByteLists()
{
    QVERIFY(importText("REGEDIT4\n[HKEY_CURRENT_USER\\D]\n\"a\"=hex:01,\\\n\"b\"=hex:02,\\\n[HKEY_CURRENT_USER\\D2]\n"
                       "\"c\"=hex:03,\\\n"));
    QVERIFY(!query(HKEY_CURRENT_USER, QStringLiteral("D"), QStringLiteral("a")).exists);
    QVERIFY(!query(HKEY_CURRENT_USER, QStringLiteral("D"), QStringLiteral("b")).exists);
    QVERIFY(!query(HKEY_CURRENT_USER, QStringLiteral("D2"), QStringLiteral("c")).exists);
}

void TestRegFileImport::decodesEachLine()
{
    // One line in Windows-1252, one in UTF-8 (with a character Windows-1252 lacks).
    QVERIFY(importText("REGEDIT4\r\n[HKEY_CURRENT_USER\\Gr\xf6\xdf" "e]\r\n\"\xc4\"=\"\xfc\"\r\n"
                       "\"\xc3\xb6\"=\"\xe2\x82\xac \xce\xa9\"\r\n"));
    const QString key = QStringLiteral("Größe");
    QCOMPARE(query(HKEY_CURRENT_USER, key, QStringLiteral("Ä")).data, sz(QStringLiteral("ü")));
    QCOMPARE(query(HKEY_CURRENT_USER, key, QStringLiteral("ö")).data, sz(QStringLiteral("€ Ω")));
}

void TestRegFileImport::reportsValuesThatCouldNotBeWritten()
{
    HKEY locked = 0;
    DWORD disposition = 0;
    QCOMPARE(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Lock"), 0, QString(), 0, KEY_READ | KEY_WRITE,
                            nullptr, &locked, &disposition),
             ERROR_SUCCESS);
    QCOMPARE(RegSetKeyDeny(locked, KEY_DENY_WRITE), ERROR_SUCCESS);
    RegCloseKey(locked);

    const QByteArray head = "REGEDIT4\r\n[HKEY_CURRENT_USER\\Before]\r\n\"v\"=\"1\"\r\n[HKEY_CURRENT_USER\\Lock]\r\n";
    const QByteArray tail = "[HKEY_CURRENT_USER\\After]\r\n\"w\"=dword:00000002\r\n";
    QVERIFY(!importText(head + "\"x\"=\"1\"\r\n" + tail));
    QCOMPARE(LastRegFileError(), QStringLiteral("1 Wert konnte nicht geschrieben werden"));
    QVERIFY(query(HKEY_CURRENT_USER, QStringLiteral("Before"), QStringLiteral("v")).exists);
    QVERIFY(!query(HKEY_CURRENT_USER, QStringLiteral("Lock"), QStringLiteral("x")).exists);
    QVERIFY(query(HKEY_CURRENT_USER, QStringLiteral("After"), QStringLiteral("w")).exists);

    QVERIFY(!importText(head + "\"x\"=\"1\"\r\n\"y\"=hex:01,\\\r\n  02\r\n@=dword:1\r\n" + tail));
    QCOMPARE(LastRegFileError(), QStringLiteral("3 Werte konnten nicht geschrieben werden"));

    // A parse error after a failed write keeps its own text.
    QVERIFY(!importText(head + "\"x\"=\"1\"\r\n\"z\"=dword:\r\n" + tail));
    QCOMPARE(LastRegFileError(), QStringLiteral("Ungültige Zeichen im DWord-Datenbereich"));
}

void TestRegFileImport::stopsOnCancel()
{
    QByteArray text = "REGEDIT4\r\n";
    for (int i = 0; i < 50; ++i)
        text += QStringLiteral("[HKEY_CURRENT_USER\\C\\k%1]\r\n\"v\"=\"x\"\r\n").arg(i).toLatin1();
    QFile file(m_file);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    ScriptedProgress progress(21);
    QVERIFY(!ImportRegFile(m_file, progress));
    QCOMPARE(progress.clearAbortCalls(), 1);
    // Line 21 (the value of key 9) is not processed; line 20 created key 9.
    QVERIFY(query(HKEY_CURRENT_USER, QStringLiteral("C\\k8"), QStringLiteral("v")).exists);
    QVERIFY(keyExists(HKEY_CURRENT_USER, QStringLiteral("C\\k9")));
    QVERIFY(!query(HKEY_CURRENT_USER, QStringLiteral("C\\k9"), QStringLiteral("v")).exists);
    QVERIFY(!keyExists(HKEY_CURRENT_USER, QStringLiteral("C\\k10")));
}

void TestRegFileImport::missingFileAndList()
{
    RecordingMessageSink sink;
    ScriptedProgress progress;
    QVERIFY(!ImportRegFile(m_store->dirPath() + QStringLiteral("/fehlt.reg"), progress));
    QCOMPARE(sink.texts(), QStringList{QStringLiteral("Fehler: Kann Datei nicht öffnen.")});
    QCOMPARE(LastRegFileError(), QString());
    QVERIFY(!ImportRegLines(nullptr, progress));
    const QStringList lines{QStringLiteral("REGEDIT4"), QStringLiteral("[HKEY_CURRENT_USER\\Info]"),
                            QStringLiteral("\"Link\"=\"ja\"")};
    QVERIFY(ImportRegLines(&lines, progress));
    QCOMPARE(query(HKEY_CURRENT_USER, QStringLiteral("Info"), QStringLiteral("Link")).data, sz(QStringLiteral("ja")));
}

void TestRegFileImport::importsOrRefusesCorpusFiles()
{
    const QDir corpus(QStringLiteral(KAVEN_SHARED_DIR "/corpus/reg"));
    const QStringList files = corpus.entryList({QStringLiteral("*.reg")}, QDir::Files);
    QVERIFY(files.size() >= 40);
    int imported = 0;
    for (const QString& name : files) {
        QFile file(corpus.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const bool regedit4 = file.read(8) == "REGEDIT4";
        file.close();
        ScriptedProgress progress;
        const bool ok = ImportRegFile(corpus.filePath(name), progress);
        // Files of other format versions (many UTF-16) stop at their header, which has no text.
        QVERIFY2(ok == regedit4, qPrintable(name + QLatin1String(": ") + LastRegFileError()));
        if (!ok)
            QCOMPARE(LastRegFileError(), QString());
        imported += ok ? 1 : 0;
    }
    QCOMPARE(imported, 1);
    QCOMPARE(query(HKEY_LOCAL_MACHINE,
                   QStringLiteral("SOFTWARE\\Classes\\CLSID\\{51EEE242-AD87-11d3-9C1E-0090278BBD99}\\InProcServer32"),
                   QStringLiteral("ThreadingModel"))
                 .data,
             sz(QStringLiteral("Apartment")));
    QVERIFY(keyExists(HKEY_CLASSES_ROOT, QStringLiteral("*\\shellex\\ContextMenuHandlers\\gvim")));
}

void TestRegFileImport::refusesBinaryHives()
{
    // Hive files are no text at all: each stops at its first line, which is no header.
    const QDir hives(QStringLiteral(KAVEN_SHARED_DIR "/corpus/hives"));
    const QStringList files = hives.entryList(QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString& name : files) {
        ScriptedProgress progress;
        QVERIFY2(!ImportRegFile(hives.filePath(name), progress), qPrintable(name));
        QCOMPARE(LastRegFileError(), QString());
    }
}

void TestRegFileImport::boundsTheLineLength()
{
    QByteArray text = "REGEDIT4\r\n[HKEY_CURRENT_USER\\Long]\r\n\"a\"=\"" + QByteArray(100, 'x') + "\"\r\n\"b\"=\"1\"";
    QBuffer buffer(&text);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    RegDeviceLineSource lines(buffer, 64);
    QString line;
    QVERIFY(lines.next(&line));
    QVERIFY(lines.next(&line));
    QCOMPARE(line, QStringLiteral("[HKEY_CURRENT_USER\\Long]"));
    QVERIFY(!lines.next(&line));
    QVERIFY(lines.failed());
    QVERIFY(!lines.next(&line));

    buffer.seek(0);
    RegDeviceLineSource again(buffer, 64);
    ScriptedProgress progress;
    RegFileReader reader(progress);
    QVERIFY(!reader.run(again));
    QCOMPARE(LastRegFileError(), QStringLiteral("Ungültige Zeile"));
    QVERIFY(keyExists(HKEY_CURRENT_USER, QStringLiteral("Long")));
    QVERIFY(!query(HKEY_CURRENT_USER, QStringLiteral("Long"), QStringLiteral("b")).exists);
}

QTEST_GUILESS_MAIN(TestRegFileImport)
#include "TestRegFileImport.moc"
