// The writer against a real store: byte-exact output, order, skipping, failures and cancel.

#include "platform/WinReg.h"
#include "regfile/RegFileUtils.h"
#include "regfile/RegFileWriter.h"
#include "registry/Progress.h"
#include "support/RecordingMessageSink.h"
#include "support/ScriptedProgress.h"
#include "support/TempStore.h"

#include <QFile>
#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

HKEY createKey(HKEY root, const QString& path)
{
    HKEY key = 0;
    DWORD disposition = 0;
    if (RegCreateKeyEx(root, path, 0, QString(), 0, KEY_READ | KEY_WRITE, nullptr, &key, &disposition) != ERROR_SUCCESS)
        return 0;
    return key;
}

void setValue(HKEY root, const QString& path, const QString& name, DWORD type, const QByteArray& data)
{
    const HKEY key = createKey(root, path);
    QVERIFY(key != 0);
    QCOMPARE(RegSetValueBytes(key, name, type, data), ERROR_SUCCESS);
    RegCloseKey(key);
}

QByteArray sz(const QString& text)
{
    return text.toUtf8() + QByteArray(1, '\0');
}

QByteArray readAll(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
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
    void init();
    void writesEveryDataForm();
    void ordersKeysAndValues();
    void skipsUnreadableKeysAndValues();
    void exportsSelectedRootKeys();
    void refusesUnwritableTarget();
    void stopsOnCancel();
    void stopsOnWriteError();

private:
    std::unique_ptr<TempStore> m_store;
    QString m_file;
};

void TestRegFileExport::init()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    m_store = std::make_unique<TempStore>();
    QVERIFY(m_store->ok());
    m_file = m_store->dirPath() + u"/out.reg"_s;
}

void TestRegFileExport::writesEveryDataForm()
{
    const QString k = u"Software\\T"_s;
    setValue(HKEY_CURRENT_USER, k, QString(), REG_SZ, sz(u"Vorgabe"_s));
    setValue(HKEY_CURRENT_USER, k, u"a\"b\\c"_s, REG_SZ, sz(u"C:\\a\"b\r\nÄ"_s));
    setValue(HKEY_CURRENT_USER, k, u"cut"_s, REG_SZ, QByteArray("vor\0nach\0", 9));
    setValue(HKEY_CURRENT_USER, k, u"dw26"_s, REG_DWORD, QByteArray("\x1a\0\0\0", 4));
    setValue(HKEY_CURRENT_USER, k, u"dwmax"_s, REG_DWORD, QByteArray("\xff\xff\xff\xff", 4));
    setValue(HKEY_CURRENT_USER, k, u"empty"_s, REG_BINARY, QByteArray());
    setValue(HKEY_CURRENT_USER, k, u"exp"_s, REG_EXPAND_SZ, QByteArray("%P%\0", 4));
    setValue(HKEY_CURRENT_USER, k, u"multi"_s, REG_MULTI_SZ, QByteArray("a\0b\0\0", 5));
    setValue(HKEY_CURRENT_USER, k, u"none"_s, REG_NONE, QByteArray("\x01", 1));
    setValue(HKEY_CURRENT_USER, k, u"qword"_s, REG_QWORD, QByteArray("\x01\0\0\0\0\0\0\x80", 8));
    setValue(HKEY_CURRENT_USER, k, u"t10"_s, 10, QByteArray("\xab", 1));
    setValue(HKEY_CURRENT_USER, k, u"t99"_s, 99, QByteArray("\xcd", 1));
    QByteArray thirty;
    for (int i = 0; i < 30; ++i)
        thirty.append(char(i));
    setValue(HKEY_CURRENT_USER, k, u"Data"_s, REG_BINARY, thirty);
    RegCloseKey(createKey(HKEY_CURRENT_USER, k + u"\\Leer"_s));

    ScriptedProgress progress;
    QVERIFY(ExportRegFile(m_file, u"HKEY_CURRENT_USER\\Software\\T\\"_s, progress));
    const QByteArray expected = QByteArray("REGEDIT4\r\n"
                                           "\r\n"
                                           "[HKEY_CURRENT_USER\\Software\\T]\r\n"
                                           "@=\"Vorgabe\"\r\n"
                                           "\"a\\\"b\\\\c\"=\"C:\\\\a\\\"b\\r\\n\xc4\"\r\n"
                                           "\"cut\"=\"vor\"\r\n"
                                           "\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,"
                                           "12,13,14,15,\\\r\n"
                                           "  16,17,18,19,1A,1B,1C,1D\r\n"
                                           "\"dw26\"=dword:0000001A\r\n"
                                           "\"dwmax\"=dword:FFFFFFFF\r\n"
                                           "\"empty\"=hex:\r\n"
                                           "\"exp\"=hex(2):25,50,25,00\r\n"
                                           "\"multi\"=hex(7):61,00,62,00,00\r\n"
                                           "\"none\"=hex(0):01\r\n"
                                           "\"qword\"=hex(0):01,00,00,00,00,00,00,80\r\n"
                                           "\"t10\"=hex(10):AB\r\n"
                                           "\"t99\"=hex(0):CD\r\n"
                                           "\r\n"
                                           "[HKEY_CURRENT_USER\\Software\\T\\Leer]\r\n");
    QCOMPARE(readAll(m_file), expected);
}

void TestRegFileExport::ordersKeysAndValues()
{
    // Siblings in case-insensitive locale order, each key followed by its own subtree.
    for (const QString& path : {u"O\\b"_s, u"O\\B1\\x"_s, u"O\\a"_s, u"O\\Ä"_s, u"O\\c"_s, u"O\\a b"_s})
        RegCloseKey(createKey(HKEY_LOCAL_MACHINE, path));
    setValue(HKEY_LOCAL_MACHINE, u"O"_s, u"Zeta"_s, REG_SZ, sz(QString()));
    setValue(HKEY_LOCAL_MACHINE, u"O"_s, u"alpha"_s, REG_SZ, sz(QString()));
    setValue(HKEY_LOCAL_MACHINE, u"O"_s, QString(), REG_SZ, sz(u"d"_s));
    setValue(HKEY_LOCAL_MACHINE, u"O"_s, u"Beta"_s, REG_SZ, sz(QString()));

    ScriptedProgress progress;
    QVERIFY(ExportRegFile(m_file, u"hkey_local_machine\\O"_s, progress));
    const QByteArray expected = "REGEDIT4\r\n"
                                "\r\n[HKEY_LOCAL_MACHINE\\O]\r\n@=\"d\"\r\n"
                                "\"alpha\"=\"\"\r\n\"Beta\"=\"\"\r\n\"Zeta\"=\"\"\r\n"
                                "\r\n[HKEY_LOCAL_MACHINE\\O\\a]\r\n"
                                "\r\n[HKEY_LOCAL_MACHINE\\O\\\xc4]\r\n"
                                "\r\n[HKEY_LOCAL_MACHINE\\O\\a b]\r\n"
                                "\r\n[HKEY_LOCAL_MACHINE\\O\\b]\r\n"
                                "\r\n[HKEY_LOCAL_MACHINE\\O\\B1]\r\n"
                                "\r\n[HKEY_LOCAL_MACHINE\\O\\B1\\x]\r\n"
                                "\r\n[HKEY_LOCAL_MACHINE\\O\\c]\r\n";
    QCOMPARE(readAll(m_file), expected);
}

void TestRegFileExport::skipsUnreadableKeysAndValues()
{
    setValue(HKEY_CURRENT_USER, u"S\\hidden\\deep"_s, u"x"_s, REG_SZ, sz(QString()));
    setValue(HKEY_CURRENT_USER, u"S"_s, u"bad"_s, REG_DWORD, QByteArray("\x01\x02", 2));
    setValue(HKEY_CURRENT_USER, u"S"_s, QString(300, u'L'), REG_SZ, sz(QString()));
    setValue(HKEY_CURRENT_USER, u"S\\z"_s, u"ok"_s, REG_DWORD, QByteArray("\1\0\0\0", 4));
    const HKEY hidden = createKey(HKEY_CURRENT_USER, u"S\\hidden"_s);
    QCOMPARE(RegSetKeyDeny(hidden, KEY_DENY_READ), ERROR_SUCCESS);
    RegCloseKey(hidden);

    ScriptedProgress progress;
    QVERIFY(ExportRegFile(m_file, u"HKEY_CURRENT_USER\\S"_s, progress));
    QCOMPARE(readAll(m_file), QByteArray("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\S]\r\n"
                                         "\r\n[HKEY_CURRENT_USER\\S\\z]\r\n\"ok\"=dword:00000001\r\n"));
}

void TestRegFileExport::exportsSelectedRootKeys()
{
    ScriptedProgress progress;
    QVERIFY(ExportRegFile(m_file, QString(), progress, 4)); // HKEY_LOCAL_MACHINE only
    const QByteArray text = readAll(m_file);
    QVERIFY(text.startsWith("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n"));
    QVERIFY(!text.contains("[HKEY_CURRENT_USER"));
    QVERIFY(!text.contains("[HKEY_CLASSES_ROOT"));

    QVERIFY(ExportRegFile(m_file, QString(), progress, 2 | 1));
    const QByteArray both = readAll(m_file);
    QVERIFY(both.indexOf("\r\n[HKEY_CLASSES_ROOT]\r\n") > 0);
    QVERIFY(both.indexOf("\r\n[HKEY_CURRENT_USER]\r\n") > both.indexOf("[HKEY_CLASSES_ROOT]"));
    QVERIFY(!both.contains("[HKEY_LOCAL_MACHINE"));
}

void TestRegFileExport::refusesUnwritableTarget()
{
    RecordingMessageSink sink;
    ScriptedProgress progress;
    const QString missingDir = m_store->dirPath() + u"/nix/out.reg"_s;
    QVERIFY(!ExportRegFile(missingDir, u"HKEY_CURRENT_USER"_s, progress));
    QVERIFY(!QFile::exists(missingDir));
    QFile readOnly(m_file);
    QVERIFY(readOnly.open(QIODevice::WriteOnly));
    readOnly.write("alt");
    readOnly.close();
    readOnly.setPermissions(QFileDevice::ReadOwner);
    QVERIFY(!ExportRegFile(m_file, u"HKEY_CURRENT_USER"_s, progress));
    QCOMPARE(readAll(m_file), QByteArray("alt"));
    QCOMPARE(sink.texts(), QStringList(2, u"Fehler: Kann Datei nicht sichern."_s));
}

void TestRegFileExport::stopsOnCancel()
{
    for (int i = 0; i < 20; ++i)
        setValue(HKEY_CURRENT_USER, u"C\\k%1"_s.arg(i, 2, 10, QLatin1Char('0')), u"v"_s, REG_SZ, sz(u"x"_s));
    ScriptedProgress progress(30);
    QVERIFY(!ExportRegFile(m_file, u"HKEY_CURRENT_USER\\C"_s, progress));
    const QByteArray partial = readAll(m_file);
    QVERIFY(partial.startsWith("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\C]\r\n"));
    QVERIFY(partial.contains("[HKEY_CURRENT_USER\\C\\k00]"));
    QVERIFY(!partial.contains("[HKEY_CURRENT_USER\\C\\k19]"));
    QVERIFY(partial.endsWith("\r\n"));
}

void TestRegFileExport::stopsOnWriteError()
{
    for (int i = 0; i < 10; ++i)
        setValue(HKEY_CURRENT_USER, u"W"_s, u"value%1"_s.arg(i), REG_BINARY, QByteArray(100, 'x'));
    FailingDevice device(1000);
    ScriptedProgress progress;
    RegFileWriter writer(device, progress);
    QVERIFY(writer.writeHeader());
    QVERIFY(!writer.writeBranch(u"HKEY_CURRENT_USER\\W"_s) || !writer.flush());
    QVERIFY(writer.writeFailed());
}

QTEST_GUILESS_MAIN(TestRegFileExport)
#include "TestRegFileExport.moc"
