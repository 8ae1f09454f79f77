// The reader against a real store: line rules with their reasons and lines, line ends, encodings,
// failed writes and reads, cancel, and the real files of the corpus.

#include "regfile/RegFileLineSource.h"
#include "regfile/RegFileReader.h"
#include "regfile/RegFileUtils.h"
#include "registry/RegTestKeys.h"
#include "support/RecordingMessageSink.h"
#include "support/ScriptedProgress.h"
#include "support/TempStore.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

namespace {

bool has(const QString& path, const QString& name)
{
    return value(path, name).second != "<missing>";
}

// Hands out its bytes, then fails like a disk that cannot be read.
struct BrokenDevice final : QBuffer {
    explicit BrokenDevice(QByteArray* bytes) : QBuffer(bytes) { open(QIODevice::ReadOnly); }
    qint64 readData(char* data, qint64 max) override { return atEnd() ? -1 : QBuffer::readData(data, max); }
};

} // namespace

class TestRegFileImport final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_store.emplace().ok());
        m_file = m_store->dirPath() + u"/in.reg"_s;
    }

    void appliesValuesOfEveryForm()
    {
        QVERIFY(importText("; Kommentar\r\n\r\nregedit4\r\n@=\"ohne Schlüssel\"\r\n"
                           "[HKEY_CURRENT_USER\\Software\\A\\B]\r\n  @ = \"Vorgabe\"  \r\n"
                           "\"d1\"=DWORD:1a\r\n\"d2\"=dword:0000001A\r\n\"e\"=hex:\r\n"
                           "\"m\"=hex( 7 ):61,00,\\\r\n   ; a comment inside the list\r\n  62,00,00\r\n"
                           "\"mu\"=hex(2):4d,fc,6c,6c,65,72,00\r\n\"u8\"=hex(7):c3,bc,00,00\r\n\"raw\"=hex:fc\r\n"
                           "\"n99\"=hex(99):01\r\n\"nm1\"=hex(-1):02\r\n\"t10\"=hex(10):03\r\n"
                           "[HKEY_CLASSES_ROOT\\.kvn]\r\n@=\"Kaven.Datei\"\r\n"
                           // one line in Windows-1252, one in UTF-8 (with a character Windows-1252 lacks)
                           "[HKEY_CURRENT_USER\\Gr\xf6\xdf" "e]\r\n\"\xc4\"=\"\xfc\"\r\n"
                           "\"\xc3\xb6\"=\"\xe2\x82\xac \xce\xa9\"\r\n")
                    .ok);
        const QString k = u"Software\\A\\B"_s;
        // "mu": Windows-1252 text, stored as UTF-8
        const std::tuple<const char*, DWORD, QByteArray> rows[] = {
            {"", REG_SZ, sz("Vorgabe")}, {"d1", REG_DWORD, "\x1a\0\0\0"_ba}, {"d2", REG_DWORD, "\x1a\0\0\0"_ba},
            {"e", REG_BINARY, {}}, {"m", REG_MULTI_SZ, "a\0b\0\0"_ba}, {"mu", REG_EXPAND_SZ, sz("M\xc3\xbcller")},
            {"u8", REG_MULTI_SZ, "\xc3\xbc\0\0"_ba}, {"raw", REG_BINARY, "\xfc"_ba}, {"n99", REG_NONE, "\x01"_ba},
            {"nm1", REG_NONE, "\x02"_ba}, {"t10", 10, "\x03"_ba}};
        for (const auto& [name, type, data] : rows)
            QCOMPARE(value(k, QString::fromLatin1(name)), qMakePair(type, data));
        QCOMPARE(value(u"SOFTWARE\\Classes\\.kvn"_s, QString(), HKEY_LOCAL_MACHINE).second, sz("Kaven.Datei"));
        QCOMPARE(value(u"Größe"_s, u"Ä"_s).second, sz("ü"));
        QCOMPARE(value(u"Größe"_s, u"ö"_s).second, sz("€ Ω"));
    }

    // Each file stops with its reason at its line: what came before the line is kept, nothing after it. (The
    // reasons of single value lines are the line parser's test.)
    void stopsWithReasonAndLine()
    {
        const auto around = [](const QByteArray& line) {
            return "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\E]\r\n\"vorher\"=\"1\"\r\n" + line
                   + "\r\n\"nachher\"=\"2\"\r\n[HKEY_CURRENT_USER\\F]\r\n";
        };
        const std::tuple<QByteArray, QString, int> cases[] = {
            {around("Kein Wert"), u"Ungültige Zeile"_s, 5},
            {around("\"a\"=hex:01,\\\r\n  0g"), RegFileTexts::BadHexChars, 6}, // a bad continuation
            {around("[-HKEY_CURRENT_USER\\X]"), u"Unbekannter Stammschlüssel: -HKEY_CURRENT_USER\\X"_s, 5},
            {"Windows Registry Editor Version 6.00\r\n[HKEY_CURRENT_USER\\F]\r\n", RegFileTexts::MissingHeader, 1},
            {{}, RegFileTexts::MissingHeader, 0}, {"REGEDIT4\r\n\"a\"=\"b\"\r\n", RegFileTexts::NoKeyLine, 0},
            {"REGEDIT4\r\n[HKEY_CURRENT_USER\\E]\r\n\"vorher\"=\"1\"\r\n\"c\"=hex:03,\\\r\n  04,\\", // open at the end
             RegFileTexts::UnfinishedHex, 5}};
        for (const auto& [text, error, line] : cases) {
            init();
            const RegFileResult result = importText(text);
            QVERIFY(!result.ok && !result.cancelled);
            QCOMPARE(result.text, error);
            QCOMPARE(int(result.line), line);
            QCOMPARE(has(u"E"_s, u"vorher"_s), text.contains("vorher"));
            QVERIFY(!has(u"E"_s, u"nachher"_s) && !exists(u"F"_s));
            ScriptedProgress progress;
            QVERIFY(!ImportRegFile(m_file, progress)); // the program-wide reader of the reason
            QCOMPARE(LastRegFileError(), error);
        }
    }

    // CR LF, LF and CR.
    void acceptsEveryLineEnd()
    {
        for (const QByteArray& lineEnd : {"\r\n"_ba, "\n"_ba, "\r"_ba}) {
            init();
            const QList<QByteArray> lines{"REGEDIT4", "", "[HKEY_CURRENT_USER\\L]", "\"a\"=\"x\"", "\"b\"=hex:01,\\",
                                          "  02", "\"c\"=hex:03,\\", "[HKEY_CURRENT_USER\\L\\M]"};
            QVERIFY(importText(lines.join(lineEnd) + lineEnd).ok);
            QCOMPARE(value(u"L"_s, u"a"_s).second, sz("x"));
            QCOMPARE(value(u"L"_s, u"b"_s).second, QByteArray("\x01\x02"));
            QVERIFY(!has(u"L"_s, u"c"_s)); // a list cut off by a key line is dropped
            QVERIFY(exists(u"L\\M"_s));
        }
    }

    void reportsValuesThatCouldNotBeWritten()
    {
        QVERIFY(RegTestKeys::makeKey(u"Lock"_s));
        QVERIFY(RegTestKeys::denyKey(u"Lock"_s, KEY_DENY_WRITE));
        const QByteArray head = "REGEDIT4\r\n[HKEY_CURRENT_USER\\Lock]\r\n\"x\"=\"1\"\r\n";
        const QByteArray tail = "[HKEY_CURRENT_USER\\After]\r\n\"w\"=dword:00000002\r\n";
        QCOMPARE(importText(head + tail).text, u"1 Wert konnte nicht geschrieben werden"_s);
        QVERIFY(has(u"After"_s, u"w"_s) && !has(u"Lock"_s, u"x"_s));
        QCOMPARE(importText(head + "\"y\"=hex:01,\\\r\n  02\r\n@=dword:1\r\n" + tail).text,
                 u"3 Werte konnten nicht geschrieben werden"_s);
    }

    void cancelsQuietly()
    {
        // more lines than are read ahead: the reading thread waits on a full queue when the cancel comes
        QByteArray text = "REGEDIT4\r\n";
        for (int i = 0; i < 10000; ++i)
            text += u"[HKEY_CURRENT_USER\\C\\k%1]\r\n\"v\"=\"x\"\r\n"_s.arg(i).toLatin1();
        QVERIFY(writeFile(m_file, text));
        ScriptedProgress progress(21);
        const RegFileResult result = ImportRegFileResult(m_file, progress);
        QVERIFY(result.cancelled && !result.ok);
        QCOMPARE(result.text, QString());
        QCOMPARE(progress.clearAbortCalls(), 1);
        // Line 21 (the value of key 9) is not processed; line 20 created key 9.
        QVERIFY(has(u"C\\k8"_s, u"v"_s) && exists(u"C\\k9"_s));
        QVERIFY(!has(u"C\\k9"_s, u"v"_s) && !exists(u"C\\k10"_s));
        // uncancelled, every line arrives in order across the read-ahead's parts
        ScriptedProgress whole;
        QVERIFY(ImportRegFileResult(m_file, whole).ok);
        QVERIFY(has(u"C\\k9"_s, u"v"_s) && has(u"C\\k9999"_s, u"v"_s));
    }

    void failsOnUnreadableInput()
    {
        RecordingMessageSink sink;
        ScriptedProgress progress;
        const QString missing = m_store->dirPath() + u"/fehlt.reg"_s;
        QCOMPARE(ImportRegFileResult(missing, progress).text, RegFileTexts::CannotOpenFile);
        QCOMPARE(ImportRegFileResult(m_store->storePath(), progress).text, RegFileTexts::StoreFile);
        QCOMPARE(sink.count(), 0); // the reasons go to the caller's message

        // The read fails after the first lines: the line cut short is not applied, the import fails.
        QByteArray bytes("REGEDIT4\r\n[HKEY_CURRENT_USER\\R]\r\n\"a\"=dword:1\r\n\"b\"=dword:12");
        BrokenDevice device(&bytes);
        RegDeviceLineSource lines(device);
        RegFileReader reader(progress);
        const RegFileResult result = reader.run(lines);
        QVERIFY(!result.ok);
        QVERIFY2(result.text.startsWith(u"Lesefehler"_s), qPrintable(result.text));
        QCOMPARE(result.line, 4);
        QVERIFY(has(u"R"_s, u"a"_s) && !has(u"R"_s, u"b"_s));
        // A line longer than any registry file's ends the reading: the file is no text.
        QByteArray text = "REGEDIT4\r\n[HKEY_CURRENT_USER\\Long]\r\n\"a\"=\"" + QByteArray(100, 'x')
                          + "\"\r\n\"b\"=\"1\"";
        QBuffer buffer(&text);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        RegDeviceLineSource longLines(buffer, 64);
        QCOMPARE(RegFileReader(progress).run(longLines).text, RegFileTexts::BadLine);
        QVERIFY(exists(u"Long"_s) && !has(u"Long"_s, u"b"_s));

        QVERIFY(!ImportRegLines(nullptr, progress));
        const QStringList list{u"REGEDIT4"_s, u"[HKEY_CURRENT_USER\\Info]"_s, u"\"Link\"=\"ja\""_s};
        QVERIFY(ImportRegLines(&list, progress));
        QCOMPARE(value(u"Info"_s, u"Link"_s).second, sz("ja"));
    }

    void importsCorpusFiles()
    {
        // (The downloaded files are the version-5 tests' corpus.)
        ScriptedProgress progress;
        // The example registry of the repository lands where its lines say.
        QVERIFY(ImportRegFileResult(QStringLiteral(KAVEN_SOURCE_DIR "/examples/beispiel.reg"), progress).ok);
        QCOMPARE(value(u"Control Panel\\International"_s, u"sCurrency"_s), qMakePair(DWORD(REG_SZ), sz("€")));
        QCOMPARE(value(u"Control Panel\\International\\User Profile"_s, u"Languages"_s),
                 qMakePair(DWORD(REG_MULTI_SZ), QByteArray("de-DE\0en-US\0\0", 13)));
        const QString settings = u"Software\\Müller & Söhne\\Bürokalender\\Einstellungen"_s;
        QCOMPARE(value(settings, u"Notiz"_s).second,
                 sz("Zeilen \"mit Anführungszeichen\"\nund Umbruch; Pfad C:\\Daten\\Termine"));

        // Hive files are no text at all: each stops at its first line.
        const QDir hives(QStringLiteral(KAVEN_SHARED_DIR "/corpus/hives"));
        for (const QString& name : hives.entryList(QDir::Files))
            QCOMPARE(ImportRegFileResult(hives.filePath(name), progress).text, RegFileTexts::MissingHeader);
    }

private:
    [[nodiscard]] RegFileResult importText(const QByteArray& text)
    {
        if (!writeFile(m_file, text))
            return RegFileResult::failure(u"not written"_s);
        ScriptedProgress progress;
        return ImportRegFileResult(m_file, progress);
    }

    std::optional<TempStore> m_store;
    QString m_file;
};

QTEST_GUILESS_MAIN(TestRegFileImport)
#include "TestRegFileImport.moc"
