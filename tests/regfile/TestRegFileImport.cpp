// The reader against a real store: line rules, error texts, line ends, failed writes, cancel, and the
// real files of the corpus.

#include "platform/WinReg.h"
#include "registry/RegTestKeys.h"
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

using namespace Qt::StringLiterals;
using RegTestKeys::exists;
using RegTestKeys::sz;
using RegTestKeys::value;

namespace {

bool has(const QString& path, const QString& name)
{
    return RegTestKeys::value(path, name).second != "<missing>";
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
    m_file = m_store->dirPath() + u"/in.reg"_s;
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
    const QString k = u"Software\\A\\B"_s;
    struct Row {
        const char* name;
        DWORD type;
        QByteArray data;
    };
    const Row rows[] = {
        {"", REG_SZ, sz("Vorgabe")},
        {"s", REG_SZ, sz("C:\\x\"y\r\n")},
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
        QCOMPARE(value(k, QString::fromLatin1(row.name)), qMakePair(row.type, row.data));
    }
    QCOMPARE(value(u"SOFTWARE\\Classes\\.kvn"_s, QString(), HKEY_LOCAL_MACHINE).second, sz("Kaven.Datei"));
}

void TestRegFileImport::stopsAtFirstBadLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("error");

    QTest::newRow("other line") << QByteArray("Kein Wert") << "Ungültige Zeile";
    QTest::newRow("long dword") << QByteArray("\"a\"=dword:100000000") << "Ungültige Zeichen im DWord-Datenbereich";
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
    QVERIFY(has(u"E"_s, u"vorher"_s));
    QVERIFY(!has(u"E"_s, u"nachher"_s));
    QVERIFY(!exists(u"F"_s));
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
    QCOMPARE(exists(u"H"_s), ok || text.contains("[]"));
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
    QCOMPARE(value(u"L"_s, u"a"_s).second, sz("x"));
    QCOMPARE(value(u"L"_s, u"b"_s).second, QByteArray("\x01\x02"));
    QVERIFY(exists(u"L\\M"_s));
}

void TestRegFileImport::dropsUnfinishedByteLists()
{
    QVERIFY(importText("REGEDIT4\n[HKEY_CURRENT_USER\\D]\n\"a\"=hex:01,\\\n\"b\"=hex:02,\\\n[HKEY_CURRENT_USER\\D2]\n"
                       "\"c\"=hex:03,\\\n"));
    QVERIFY(!has(u"D"_s, u"a"_s));
    QVERIFY(!has(u"D"_s, u"b"_s));
    QVERIFY(!has(u"D2"_s, u"c"_s));
}

void TestRegFileImport::decodesEachLine()
{
    // One line in Windows-1252, one in UTF-8 (with a character Windows-1252 lacks).
    QVERIFY(importText("REGEDIT4\r\n[HKEY_CURRENT_USER\\Gr\xf6\xdf" "e]\r\n\"\xc4\"=\"\xfc\"\r\n"
                       "\"\xc3\xb6\"=\"\xe2\x82\xac \xce\xa9\"\r\n"));
    const QString key = u"Größe"_s;
    QCOMPARE(value(key, u"Ä"_s).second, sz("ü"));
    QCOMPARE(value(key, u"ö"_s).second, sz("€ Ω"));
}

void TestRegFileImport::reportsValuesThatCouldNotBeWritten()
{
    HKEY locked = 0;
    DWORD disposition = 0;
    QCOMPARE(RegCreateKeyEx(HKEY_CURRENT_USER, u"Lock"_s, 0, QString(), 0, KEY_READ | KEY_WRITE,
                            nullptr, &locked, &disposition),
             ERROR_SUCCESS);
    QCOMPARE(RegSetKeyDeny(locked, KEY_DENY_WRITE), ERROR_SUCCESS);
    RegCloseKey(locked);

    const QByteArray head = "REGEDIT4\r\n[HKEY_CURRENT_USER\\Before]\r\n\"v\"=\"1\"\r\n[HKEY_CURRENT_USER\\Lock]\r\n";
    const QByteArray tail = "[HKEY_CURRENT_USER\\After]\r\n\"w\"=dword:00000002\r\n";
    QVERIFY(!importText(head + "\"x\"=\"1\"\r\n" + tail));
    QCOMPARE(LastRegFileError(), u"1 Wert konnte nicht geschrieben werden"_s);
    QVERIFY(has(u"Before"_s, u"v"_s));
    QVERIFY(!has(u"Lock"_s, u"x"_s));
    QVERIFY(has(u"After"_s, u"w"_s));

    QVERIFY(!importText(head + "\"x\"=\"1\"\r\n\"y\"=hex:01,\\\r\n  02\r\n@=dword:1\r\n" + tail));
    QCOMPARE(LastRegFileError(), u"3 Werte konnten nicht geschrieben werden"_s);

    // A parse error after a failed write keeps its own text.
    QVERIFY(!importText(head + "\"x\"=\"1\"\r\n\"z\"=dword:\r\n" + tail));
    QCOMPARE(LastRegFileError(), u"Ungültige Zeichen im DWord-Datenbereich"_s);
}

void TestRegFileImport::stopsOnCancel()
{
    QByteArray text = "REGEDIT4\r\n";
    for (int i = 0; i < 50; ++i)
        text += u"[HKEY_CURRENT_USER\\C\\k%1]\r\n\"v\"=\"x\"\r\n"_s.arg(i).toLatin1();
    QFile file(m_file);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    ScriptedProgress progress(21);
    QVERIFY(!ImportRegFile(m_file, progress));
    QCOMPARE(progress.clearAbortCalls(), 1);
    // Line 21 (the value of key 9) is not processed; line 20 created key 9.
    QVERIFY(has(u"C\\k8"_s, u"v"_s));
    QVERIFY(exists(u"C\\k9"_s));
    QVERIFY(!has(u"C\\k9"_s, u"v"_s));
    QVERIFY(!exists(u"C\\k10"_s));
}

void TestRegFileImport::missingFileAndList()
{
    RecordingMessageSink sink;
    ScriptedProgress progress;
    QVERIFY(!ImportRegFile(m_store->dirPath() + u"/fehlt.reg"_s, progress));
    QCOMPARE(sink.texts(), QStringList{u"Fehler: Kann Datei nicht öffnen."_s});
    QCOMPARE(LastRegFileError(), QString());
    QVERIFY(!ImportRegLines(nullptr, progress));
    const QStringList lines{u"REGEDIT4"_s, u"[HKEY_CURRENT_USER\\Info]"_s, u"\"Link\"=\"ja\""_s};
    QVERIFY(ImportRegLines(&lines, progress));
    QCOMPARE(value(u"Info"_s, u"Link"_s).second, sz("ja"));
}

void TestRegFileImport::importsOrRefusesCorpusFiles()
{
    const QDir corpus(QStringLiteral(KAVEN_SHARED_DIR "/corpus/reg"));
    const QStringList files = corpus.entryList({u"*.reg"_s}, QDir::Files);
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
    const QString clsid = u"SOFTWARE\\Classes\\CLSID\\{51EEE242-AD87-11d3-9C1E-0090278BBD99}\\InProcServer32"_s;
    QCOMPARE(value(clsid, u"ThreadingModel"_s, HKEY_LOCAL_MACHINE).second, sz("Apartment"));
    QVERIFY(exists(u"*\\shellex\\ContextMenuHandlers\\gvim"_s, HKEY_CLASSES_ROOT));
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
    QCOMPARE(line, u"[HKEY_CURRENT_USER\\Long]"_s);
    QVERIFY(!lines.next(&line));
    QVERIFY(lines.failed());
    QVERIFY(!lines.next(&line));

    buffer.seek(0);
    RegDeviceLineSource again(buffer, 64);
    ScriptedProgress progress;
    RegFileReader reader(progress);
    QVERIFY(!reader.run(again));
    QCOMPARE(LastRegFileError(), u"Ungültige Zeile"_s);
    QVERIFY(exists(u"Long"_s));
    QVERIFY(!has(u"Long"_s, u"b"_s));
}

QTEST_GUILESS_MAIN(TestRegFileImport)
#include "TestRegFileImport.moc"
