// The writer against a real store: byte-exact output, lines that cannot break out, failures, cancel,
// and a target that is only replaced by a complete file.

#include "regfile/RegFileUtils.h"
#include "regfile/RegFileWriter.h"
#include "registry/RegTestKeys.h"
#include "support/RecordingMessageSink.h"
#include "support/ScriptedProgress.h"
#include "support/TempStore.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using RegTestKeys::setValue;
using RegTestKeys::sz;

namespace {

QByteArray readAll(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A device that takes the first few bytes and then refuses.
class FailingDevice final : public QIODevice {
public:
    explicit FailingDevice(qint64 capacity) : m_capacity(capacity) { open(QIODevice::WriteOnly); }
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 len) override
    {
        if (m_written + len > m_capacity)
            return -1;
        m_written += len;
        return len;
    }

private:
    qint64 m_capacity;
    qint64 m_written = 0;
};

} // namespace

class TestRegFileExport final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_store = std::make_unique<TempStore>();
        QVERIFY(m_store->ok());
        m_file = m_store->dirPath() + u"/out.reg"_s;
    }

    void writesEveryDataForm_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<uint>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("line");
        QByteArray thirty;
        for (int i = 0; i < 30; ++i)
            thirty.append(char(i));
        QTest::newRow("default") << "" << 1u << sz("Vorgabe") << QByteArray("@=\"Vorgabe\"");
        QTest::newRow("escapes") << "a\"b\\c" << 1u << sz("C:\\a\"b\r\n\xc3\x84")
                                 << QByteArray("\"a\\\"b\\\\c\"=\"C:\\\\a\\\"b\\r\\n\xc4\"");
        QTest::newRow("cut at zero") << "cut" << 1u << QByteArray("vor\0nach\0", 9) << QByteArray("\"cut\"=\"vor\"");
        // "Ã¤": its Windows-1252 bytes would read as UTF-8 of "ä", so the line is UTF-8.
        QTest::newRow("mojibake") << "m" << 1u << sz("\xc3\x83\xc2\xa4") << QByteArray("\"m\"=\"\xc3\x83\xc2\xa4\"");
        QTest::newRow("wrapped") << "Data" << 3u << thirty
                                 << QByteArray("\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,"
                                               "12,13,14,15,\\\r\n  16,17,18,19,1A,1B,1C,1D");
        QTest::newRow("dword") << "d" << 4u << QByteArray("\x1a\0\0\0", 4) << QByteArray("\"d\"=dword:0000001A");
        QTest::newRow("short dword") << "d" << 4u << QByteArray("\x01\x02", 2) << QByteArray("\"d\"=hex(4):01,02");
        QTest::newRow("empty binary") << "e" << 3u << QByteArray() << QByteArray("\"e\"=hex:");
        QTest::newRow("expandable ü") << "x" << 2u << QByteArray("%P%\xc3\xbc\0", 6)
                                      << QByteArray("\"x\"=hex(2):25,50,25,FC,00");
        QTest::newRow("multi beyond 1252") << "x" << 7u << QByteArray("\xc3\xbc\0\xce\xa9\0\0", 7)
                                           << QByteArray("\"x\"=hex(7):C3,BC,00,CE,A9,00,00");
        QTest::newRow("qword") << "q" << 11u << QByteArray("\x01\0\0\0\0\0\0\x80", 8)
                               << QByteArray("\"q\"=hex(0):01,00,00,00,00,00,00,80");
        QTest::newRow("raw bytes") << "r" << 3u << QByteArray("\xc3\xbc", 2) << QByteArray("\"r\"=hex:C3,BC");
        QTest::newRow("type 99") << "t" << 99u << QByteArray("\xcd", 1) << QByteArray("\"t\"=hex(0):CD");
    }

    void writesEveryDataForm()
    {
        QFETCH(QString, name);
        QFETCH(uint, type);
        QFETCH(QByteArray, data);
        QVERIFY(setValue(u"Software\\T"_s, name, type, data));
        QVERIFY(RegTestKeys::makeKey(u"Software\\T\\Leer"_s));
        ScriptedProgress progress;
        QVERIFY(ExportRegFile(m_file, u"HKEY_CURRENT_USER\\Software\\T\\"_s, progress));
        QFETCH(QByteArray, line);
        QCOMPARE(readAll(m_file), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\T]\r\n" + line
                                      + "\r\n\r\n[HKEY_CURRENT_USER\\Software\\T\\Leer]\r\n");
    }

    void reimportsLongNamesAndSkipsDeniedKeys()
    {
        const QByteArray one("\1\0\0\0", 4);
        const QString longName(300, u'L');
        const QString longest(16383, u'N');
        for (const QString& name : {u"a"_s, longName, longest, u"z"_s})
            QVERIFY(setValue(u"S"_s, name, REG_DWORD, one));
        QVERIFY(setValue(u"S\\hidden\\deep"_s, u"x"_s, REG_SZ, sz("")));
        HKEY hidden = 0;
        QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, u"S\\hidden"_s, 0, KEY_ALL_ACCESS, &hidden), ERROR_SUCCESS);
        QCOMPARE(RegSetKeyDeny(hidden, KEY_DENY_READ), ERROR_SUCCESS);
        RegCloseKey(hidden);
        ScriptedProgress progress;
        QVERIFY(ExportRegFile(m_file, u"HKEY_CURRENT_USER\\S"_s, progress));

        const QByteArray text = readAll(m_file);
        QVERIFY(text.contains("\r\n\"" + QByteArray(300, 'L') + "\"=dword:00000001\r\n"));
        init();
        QVERIFY(writeFile(m_file, text));
        QVERIFY2(ImportRegFile(m_file, progress), qPrintable(LastRegFileError()));
        for (const QString& name : {u"a"_s, longName, longest, u"z"_s})
            QCOMPARE(RegTestKeys::value(u"S"_s, name), qMakePair(DWORD(REG_DWORD), one));
        QVERIFY(!RegTestKeys::exists(u"S\\hidden"_s));
    }

    void refusesKeyNamesThatBreakTheLine()
    {
        const QString evil = u"S\\a]\r\n[HKEY_LOCAL_MACHINE]\r\n\"Evil\"=\"yes\""_s;
        QVERIFY(RegTestKeys::makeKey(evil));
        QVERIFY(writeFile(m_file, "alt"));
        ScriptedProgress progress;
        const RegFileResult result = ExportRegFileResult(m_file, u"HKEY_CURRENT_USER\\S"_s, progress);
        QVERIFY(!result.ok);
        QCOMPARE(result.text, u"Der Schlüssel \"HKEY_CURRENT_USER\\S\\a]\\r\\n[HKEY_LOCAL_MACHINE]"
                              "\\r\\n\"Evil\"=\"yes\"\" enthält einen Zeilenumbruch und kann nicht in eine "
                              "Registrierungsdatei geschrieben werden."_s);
        QCOMPARE(readAll(m_file), QByteArray("alt"));
    }

    void refusesTargets_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("branch");
        QTest::addColumn<QString>("message");
        const QString cannotSave = u"Fehler: Kann Datei nicht sichern."_s;
        QTest::newRow("missing folder") << "/nix/out.reg" << "HKEY_CURRENT_USER" << cannotSave;
        QTest::newRow("read-only") << "/alt.reg" << "HKEY_CURRENT_USER" << cannotSave;
        QTest::newRow("the store") << "/registry.db" << "HKEY_CURRENT_USER" << "Fehler: " + RegFileTexts::StoreFile;
        QTest::newRow("missing key") << "/out.reg" << "HKEY_CURRENT_USER\\Fehlt"
                                     << "Fehler: Kann Schlüssel nicht öffnen: HKEY_CURRENT_USER\\Fehlt "
                                        "(nicht gefunden (Code 2))";
    }

    void refusesTargets()
    {
        QFETCH(QString, target);
        QFETCH(QString, branch);
        const QString file = m_store->dirPath() + target;
        QVERIFY(writeFile(m_file, "alt"));
        QVERIFY(writeFile(m_store->dirPath() + u"/alt.reg"_s, "alt"));
        QVERIFY(QFile::setPermissions(m_store->dirPath() + u"/alt.reg"_s, QFileDevice::ReadOwner));
        const QFileInfo before(file); // the store file is never opened, not even here
        RecordingMessageSink sink;
        ScriptedProgress progress;
        QVERIFY(!ExportRegFile(file, branch, progress));
        QTEST(sink.last().text, "message");
        const QFileInfo after(file);
        QCOMPARE(after.exists(), before.exists());
        QCOMPARE(after.size(), before.size());
        QCOMPARE(after.lastModified(), before.lastModified());
    }

    void keepsTheOldFileOnCancelAndFailure()
    {
        for (int i = 0; i < 20; ++i)
            QVERIFY(setValue(u"C\\k%1"_s.arg(i, 2, 10, QLatin1Char('0')), u"v"_s, REG_SZ, QByteArray(100, 'x')));
        QVERIFY(writeFile(m_file, "alt"));
        RecordingMessageSink sink;
        ScriptedProgress cancelling(30);
        const RegFileResult result = ExportRegFileResult(m_file, u"HKEY_CURRENT_USER\\C"_s, cancelling);
        QVERIFY(result.cancelled && !result.ok);
        QCOMPARE(readAll(m_file), QByteArray("alt"));

        // A process killed in the middle of the export leaves the old file too.
        const pid_t child = fork();
        if (child == 0) {
            ScriptedProgress killing;
            killing.setOnStep([](int step) {
                if (step == 40)
                    raise(SIGKILL);
            });
            (void)ExportRegFile(m_file, u"HKEY_CURRENT_USER\\C"_s, killing);
            _exit(0);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(readAll(m_file), QByteArray("alt"));

        FailingDevice device(1000);
        ScriptedProgress progress;
        RegFileWriter writer(device, progress);
        QVERIFY(writer.writeHeader().ok);
        RegFileResult failed = writer.writeBranch(u"HKEY_CURRENT_USER\\C"_s);
        if (failed.ok)
            failed = writer.flush();
        QVERIFY(!failed.ok && failed.text.startsWith(RegFileTexts::CannotSaveFile));
        QCOMPARE(sink.count(), 0); // the cancel is quiet
    }

private:
    std::unique_ptr<TempStore> m_store;
    QString m_file;
};

QTEST_GUILESS_MAIN(TestRegFileExport)
#include "TestRegFileExport.moc"
