// The example registry of the repository imports completely and lands where its lines say.

#include "platform/WinReg.h"
#include "regfile/RegFileUtils.h"
#include "support/ScriptedProgress.h"
#include "support/TempStore.h"

#include <QTest>

namespace {
// REG_SZ and REG_EXPAND_SZ data as stored: UTF-8 and one NUL.
QByteArray sz(const char* utf8)
{
    return QByteArray(utf8) + QByteArray(1, '\0');
}
} // namespace

class TestBeispielReg final : public QObject {
    Q_OBJECT

private slots:
    void importsCleanly_data();
    void importsCleanly();
};

void TestBeispielReg::importsCleanly_data()
{
    QTest::addColumn<quintptr>("root");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::addColumn<uint>("type");
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("currency") << quintptr(HKEY_CURRENT_USER) << "Control Panel\\International" << "sCurrency" << 1u
                              << sz("€");
    QTest::newRow("run entry with umlauts")
        << quintptr(HKEY_LOCAL_MACHINE) << "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run" << "Bürokalender" << 1u
        << sz("\"C:\\Program Files (x86)\\Müller & Söhne\\Bürokalender\\kalender.exe\" /minimiert");
    QTest::newRow("file type through HKCR") << quintptr(HKEY_CLASSES_ROOT) << ".txt" << "" << 1u << sz("txtfile");
    QTest::newRow("multi sz") << quintptr(HKEY_CURRENT_USER) << "Control Panel\\International\\User Profile"
                              << "Languages" << 7u << QByteArray("de-DE\0en-US\0\0", 13);
    QTest::newRow("code above 10 is none")
        << quintptr(HKEY_CURRENT_USER) << "Software\\Müller & Söhne\\Bürokalender\\Einstellungen" << "Letzter Start"
        << 0u << QByteArray("\x00\x80\x27\x83\x3f\x41\xda\x01", 8);
    QTest::newRow("escaped string") << quintptr(HKEY_CURRENT_USER)
                                    << "Software\\Müller & Söhne\\Bürokalender\\Einstellungen" << "Notiz" << 1u
                                    << sz("Zeilen \"mit Anführungszeichen\"\nund Umbruch; Pfad C:\\Daten\\Termine");
}

void TestBeispielReg::importsCleanly()
{
    TempStore store;
    QVERIFY(store.ok());
    ScriptedProgress progress;
    QVERIFY2(ImportRegFile(QStringLiteral(KAVEN_SOURCE_DIR "/examples/beispiel.reg"), progress),
             qPrintable(LastRegFileError()));
    QFETCH(quintptr, root);
    QFETCH(QString, path);
    QFETCH(QString, name);
    HKEY key = 0;
    QCOMPARE(RegOpenKeyEx(HKEY(root), path, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 99;
    QByteArray data;
    QCOMPARE(RegQueryValueBytes(key, name, &type, &data), ERROR_SUCCESS);
    RegCloseKey(key);
    QTEST(uint(type), "type");
    QTEST(data, "data");
}

QTEST_GUILESS_MAIN(TestBeispielReg)
#include "TestBeispielReg.moc"
