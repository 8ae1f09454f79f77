// kaven-reg's commands against a real store, with the tool's output captured.

#include "app/KavenRegTool.h"
#include "platform/WinReg.h"
#include "regfile/RegFileUtils.h"
#include "support/TempStore.h"

#include <QBuffer>
#include <QFile>
#include <QLocale>
#include <QTest>

namespace {

struct Run {
    int rc = -1;
    QString out;
    QString err;
};

QByteArray valueBytes(HKEY root, const QString& path, const QString& name, DWORD* type = nullptr)
{
    HKEY key = 0;
    if (RegOpenKeyEx(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    DWORD t = 0;
    QByteArray data;
    const LONG rc = RegQueryValueBytes(key, name, &t, &data);
    RegCloseKey(key);
    if (type)
        *type = t;
    return rc == ERROR_SUCCESS ? data : QByteArray("<no value>");
}

bool keyExists(HKEY root, const QString& path)
{
    HKEY key = 0;
    if (RegOpenKeyEx(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

} // namespace

class TestKavenRegTool final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void normalizesKeys_data();
    void normalizesKeys();
    void convertsAddData_data();
    void convertsAddData();
    void addsAndQueries();
    void queriesRecursivelyInExportOrder();
    void asksBeforeOverwriteAndDelete();
    void deletes();
    void importsAndReportsFailure();
    void exportsBranchAndAll();
    void readsRootExportSetting();
    void refusesBadArguments_data();
    void refusesBadArguments();

private:
    Run tool(const QStringList& args, bool interactive = false, const QByteArray& input = QByteArray());

    std::unique_ptr<TempStore> m_store;
};

void TestKavenRegTool::init()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    m_store = std::make_unique<TempStore>();
    QVERIFY(m_store->ok());
}

Run TestKavenRegTool::tool(const QStringList& args, bool interactive, const QByteArray& input)
{
    QBuffer out;
    QBuffer err;
    QBuffer in;
    in.setData(input);
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    in.open(QIODevice::ReadOnly);
    KavenRegTool t(out, err, in, interactive);
    Run r;
    r.rc = t.run(args);
    r.out = QString::fromUtf8(out.data());
    r.err = QString::fromUtf8(err.data());
    return r;
}

void TestKavenRegTool::normalizesKeys_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("path");
    QTest::newRow("HKLM") << "hklm\\Software\\" << "HKEY_LOCAL_MACHINE\\Software";
    QTest::newRow("HKCU") << "HKCU" << "HKEY_CURRENT_USER";
    QTest::newRow("HKCC") << "hkcc" << "HKEY_CURRENT_CONFIG";
    QTest::newRow("full name") << "hkey_current_user\\A" << "HKEY_CURRENT_USER\\A";
    QTest::newRow("unknown") << "HKXX\\A" << "";
    QTest::newRow("empty") << "" << "";
}

void TestKavenRegTool::normalizesKeys()
{
    QFETCH(QString, key);
    QTEST(KavenRegTool::normalizeKeyPath(key), "path");
}

void TestKavenRegTool::convertsAddData_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("data");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<uint>("code");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("sz") << "reg_sz" << "Grüße" << true << 1u << QByteArray("Gr\xc3\xbc\xc3\x9f" "e\0", 8);
    QTest::newRow("multi") << "REG_MULTI_SZ" << "a\\0bc" << true << 7u << QByteArray("a\0bc\0\0", 6);
    QTest::newRow("dword dec") << "REG_DWORD" << "26" << true << 4u << QByteArray("\x1a\0\0\0", 4);
    QTest::newRow("dword hex") << "REG_DWORD" << "0xFFFFFFFF" << true << 4u << QByteArray("\xff\xff\xff\xff", 4);
    QTest::newRow("dword too big") << "REG_DWORD" << "4294967296" << false << 4u << QByteArray();
    QTest::newRow("qword") << "REG_QWORD" << "0x0102030405060708" << true << 11u
                           << QByteArray("\x08\x07\x06\x05\x04\x03\x02\x01", 8);
    QTest::newRow("binary") << "REG_BINARY" << "00ABff" << true << 3u << QByteArray("\0\xab\xff", 3);
    QTest::newRow("binary odd") << "REG_BINARY" << "abc" << false << 3u << QByteArray();
    QTest::newRow("none") << "REG_NONE" << "" << true << 0u << QByteArray();
    QTest::newRow("unknown type") << "REG_FOO" << "" << false << 0u << QByteArray();
}

void TestKavenRegTool::convertsAddData()
{
    QFETCH(QString, type);
    QFETCH(QString, data);
    QFETCH(bool, ok);
    DWORD code = 99;
    QByteArray bytes;
    QCOMPARE(KavenRegTool::dataForType(type, data, &code, &bytes), ok);
    if (ok) {
        QTEST(uint(code), "code");
        QTEST(bytes, "bytes");
    }
}

void TestKavenRegTool::addsAndQueries()
{
    QCOMPARE(tool({"add", "HKCU\\Software\\K", "/v", "Pfad", "/d", "C:\\x"}).rc, 0);
    QCOMPARE(tool({"add", "HKCU\\Software\\K", "/v", "Zahl", "/t", "REG_DWORD", "/d", "26", "/f"}).rc, 0);
    QCOMPARE(tool({"add", "HKCU\\Software\\K", "/ve", "/d", "Vorgabe"}).rc, 0);
    QCOMPARE(tool({"add", "HKCU\\Software\\K", "/v", "Bin", "/t", "REG_BINARY", "/d", ""}).rc, 0);
    QCOMPARE(tool({"add", "HKCU\\Software\\K\\Unter"}).rc, 0);
    QCOMPARE(valueBytes(HKEY_CURRENT_USER, "Software\\K", "Zahl"), QByteArray("\x1a\0\0\0", 4));

    const Run q = tool({"query", "hkcu\\software\\k"});
    QCOMPARE(q.rc, 0);
    QCOMPARE(q.out, QStringLiteral("\nHKEY_CURRENT_USER\\software\\k\n"
                                   "    (Standard)    REG_SZ    \"Vorgabe\"\n"
                                   "    Bin    REG_BINARY    (Binärdaten der Länge Null)\n"
                                   "    Pfad    REG_SZ    \"C:\\x\"\n"
                                   "    Zahl    REG_DWORD    0x0000001A (26)\n"
                                   "\nHKEY_CURRENT_USER\\software\\k\\Unter\n"));
    const Run v = tool({"query", "HKCU\\Software\\K", "/v", "zahl"});
    QCOMPARE(v.out, QStringLiteral("\nHKEY_CURRENT_USER\\Software\\K\n    zahl    REG_DWORD    0x0000001A (26)\n"));
    const Run unset = tool({"query", "HKCU\\Software\\K\\Unter", "/ve"});
    QCOMPARE(unset.out, QStringLiteral("\nHKEY_CURRENT_USER\\Software\\K\\Unter\n"
                                       "    (Standard)    REG_SZ    (Wert nicht gesetzt)\n"));
    const Run missing = tool({"query", "HKCU\\Software\\K", "/v", "fehlt"});
    QCOMPARE(missing.rc, 1);
    QCOMPARE(missing.err,
             QStringLiteral("Fehler: Der angegebene Registrierungsschlüssel bzw. Wert wurde nicht gefunden.\n"));
    QCOMPARE(tool({"query", "HKCU\\Software\\Fehlt"}).rc, 1);
}

void TestKavenRegTool::queriesRecursivelyInExportOrder()
{
    QCOMPARE(tool({"add", "HKLM\\Q\\b", "/v", "x", "/d", "1"}).rc, 0);
    QCOMPARE(tool({"add", "HKLM\\Q\\A\\z", "/v", "x", "/d", "2"}).rc, 0);
    QCOMPARE(tool({"add", "HKLM\\Q\\c"}).rc, 0);
    const Run all = tool({"query", "HKLM\\Q", "/s"});
    QCOMPARE(all.out, QStringLiteral("\nHKEY_LOCAL_MACHINE\\Q\n\nHKEY_LOCAL_MACHINE\\Q\\A\n"
                                     "\nHKEY_LOCAL_MACHINE\\Q\\A\\z\n    x    REG_SZ    \"2\"\n"
                                     "\nHKEY_LOCAL_MACHINE\\Q\\b\n    x    REG_SZ    \"1\"\n"
                                     "\nHKEY_LOCAL_MACHINE\\Q\\c\n"));
    const Run x = tool({"query", "HKLM\\Q", "/v", "x", "/s"});
    QCOMPARE(x.out, QStringLiteral("\nHKEY_LOCAL_MACHINE\\Q\\A\\z\n    x    REG_SZ    \"2\"\n"
                                   "\nHKEY_LOCAL_MACHINE\\Q\\b\n    x    REG_SZ    \"1\"\n"));
}

void TestKavenRegTool::asksBeforeOverwriteAndDelete()
{
    QCOMPARE(tool({"add", "HKCU\\A", "/v", "v", "/d", "alt"}).rc, 0);
    // No terminal: refused, nothing changed.
    const Run refused = tool({"add", "HKCU\\A", "/v", "v", "/d", "neu"});
    QCOMPARE(refused.rc, 1);
    QVERIFY(refused.err.startsWith(QStringLiteral("Fehler: Ohne Terminal")));
    QCOMPARE(valueBytes(HKEY_CURRENT_USER, "A", "v"), QByteArray("alt\0", 4));
    // On a terminal: "Nein" keeps, "ja" overwrites.
    const Run no = tool({"add", "HKCU\\A", "/v", "v", "/d", "neu"}, true, "nein\n");
    QCOMPARE(no.rc, 1);
    QVERIFY(no.out.startsWith(QStringLiteral("Der Wert v existiert bereits. Überschreiben (Ja/Nein)? ")));
    QCOMPARE(valueBytes(HKEY_CURRENT_USER, "A", "v"), QByteArray("alt\0", 4));
    QCOMPARE(tool({"add", "HKCU\\A", "/v", "v", "/d", "neu"}, true, "ja\n").rc, 0);
    QCOMPARE(valueBytes(HKEY_CURRENT_USER, "A", "v"), QByteArray("neu\0", 4));

    QCOMPARE(tool({"delete", "HKCU\\A"}).rc, 1);
    QVERIFY(keyExists(HKEY_CURRENT_USER, "A"));
    QCOMPARE(tool({"delete", "HKCU\\A"}, true, "J\n").rc, 0);
    QVERIFY(!keyExists(HKEY_CURRENT_USER, "A"));
}

void TestKavenRegTool::deletes()
{
    QCOMPARE(tool({"add", "HKCU\\D\\Sub\\Deep", "/v", "a", "/d", "1"}).rc, 0);
    QCOMPARE(tool({"add", "HKCU\\D", "/v", "a", "/d", "1"}).rc, 0);
    QCOMPARE(tool({"add", "HKCU\\D", "/v", "b", "/d", "2"}).rc, 0);
    QCOMPARE(tool({"add", "HKCU\\D", "/ve", "/d", "3"}).rc, 0);
    QCOMPARE(tool({"delete", "HKCU\\D", "/v", "a", "/f"}).rc, 0);
    QCOMPARE(valueBytes(HKEY_CURRENT_USER, "D", "a"), QByteArray("<no value>"));
    QCOMPARE(tool({"delete", "HKCU\\D", "/v", "a", "/f"}).rc, 1);
    QCOMPARE(tool({"delete", "HKCU\\D", "/va", "/f"}).rc, 0);
    QCOMPARE(valueBytes(HKEY_CURRENT_USER, "D", "b"), QByteArray("<no value>"));
    QCOMPARE(valueBytes(HKEY_CURRENT_USER, "D", ""), QByteArray("<no value>"));
    QVERIFY(keyExists(HKEY_CURRENT_USER, "D\\Sub\\Deep"));
    QCOMPARE(tool({"delete", "hkcu\\d", "/f"}).rc, 0);
    QVERIFY(!keyExists(HKEY_CURRENT_USER, "D"));
    QCOMPARE(tool({"delete", "HKCU", "/f"}).rc, 1);
    QCOMPARE(tool({"delete", "HKCU\\D", "/f"}).rc, 1);
}

void TestKavenRegTool::importsAndReportsFailure()
{
    const QString good = m_store->dirPath() + "/gut.reg";
    const QString bad = m_store->dirPath() + "/schlecht.reg";
    QFile g(good);
    QVERIFY(g.open(QIODevice::WriteOnly));
    g.write("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Imp]\r\n\"a\"=dword:00000001\r\n");
    g.close();
    QFile b(bad);
    QVERIFY(b.open(QIODevice::WriteOnly));
    b.write("REGEDIT4\r\n[HKEY_CURRENT_USER\\Imp2]\r\n\"a\"=hex:1,,2\r\n");
    b.close();
    const Run ok = tool({"import", good});
    QVERIFY2(ok.rc == 0, qPrintable(ok.err));
    QCOMPARE(ok.out, QStringLiteral("Registrierungsdatei wurde erfolgreich importiert.\n"));
    QCOMPARE(valueBytes(HKEY_CURRENT_USER, "Imp", "a"), QByteArray("\1\0\0\0", 4));
    const Run failed = tool({"import", bad});
    QCOMPARE(failed.rc, 1);
    QCOMPARE(failed.err, QStringLiteral("Fehler: Registrierungsdatei konnte nicht vollständig importiert werden.\n"
                                        "(Ungültige Zeichen im Hex-Datenbereich)\n"));
    const Run missing = tool({"import", m_store->dirPath() + "/fehlt.reg"});
    QCOMPARE(missing.rc, 1);
    QCOMPARE(missing.err, QStringLiteral("Fehler: Kann Datei nicht öffnen.\n"
                                         "Fehler: Registrierungsdatei konnte nicht vollständig importiert werden.\n"
                                         "()\n"));
}

void TestKavenRegTool::exportsBranchAndAll()
{
    QCOMPARE(tool({"add", "HKCU\\Exp", "/v", "n", "/t", "REG_DWORD", "/d", "0x1a"}).rc, 0);
    const QString file = m_store->dirPath() + "/exp.reg";
    const Run r = tool({"export", "HKCU\\Exp", file});
    QCOMPARE(r.rc, 0);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Exp]\r\n\"n\"=dword:0000001A\r\n"));
    f.close();
    QCOMPARE(tool({"export", "HKCU\\Exp", file}).rc, 1); // exists, no /y, no terminal
    QCOMPARE(tool({"export", "HKCU\\Fehlt", file, "/y"}).rc, 1);
    QCOMPARE(tool({"export", "all", file, "/y"}).rc, 0);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray all = f.readAll();
    // Default selection 15: the first four root keys.
    QVERIFY(all.contains("\r\n[HKEY_CLASSES_ROOT]\r\n"));
    QVERIFY(all.contains("\r\n[HKEY_CURRENT_USER\\Exp]\r\n"));
    QVERIFY(all.contains("\r\n[HKEY_LOCAL_MACHINE]\r\n"));
    QVERIFY(all.contains("\r\n[HKEY_USERS]\r\n"));
    QVERIFY(!all.contains("[HKEY_CURRENT_CONFIG]"));
}

void TestKavenRegTool::readsRootExportSetting()
{
    QCOMPARE(KavenRegTool::rootExportSetting(), DWORD(15));
    const QStringList key{"add", "HKCU\\SOFTWARE\\Fenmarsh\\Kaven\\1.0\\Options", "/v", "RootExport", "/f"};
    QCOMPARE(tool(key + QStringList{"/t", "REG_DWORD", "/d", "4"}).rc, 0);
    QCOMPARE(KavenRegTool::rootExportSetting(), DWORD(4));
    QCOMPARE(tool(key + QStringList{"/d", "4"}).rc, 0); // a string is not the setting
    QCOMPARE(KavenRegTool::rootExportSetting(), DWORD(15));
}

void TestKavenRegTool::refusesBadArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("nothing") << QStringList();
    QTest::newRow("unknown command") << QStringList{"copy", "HKCU\\A"};
    QTest::newRow("unknown root") << QStringList{"query", "HKXY\\A"};
    QTest::newRow("missing file") << QStringList{"export", "HKCU"};
    QTest::newRow("bad switch") << QStringList{"query", "HKCU", "/x"};
    QTest::newRow("/v without name") << QStringList{"query", "HKCU", "/v"};
    QTest::newRow("/v and /ve") << QStringList{"delete", "HKCU\\A", "/v", "a", "/ve"};
    QTest::newRow("bad dword") << QStringList{"add", "HKCU\\A", "/v", "a", "/t", "REG_DWORD", "/d", "x"};
}

void TestKavenRegTool::refusesBadArguments()
{
    QFETCH(QStringList, args);
    const Run r = tool(args);
    QCOMPARE(r.rc, 1);
    QVERIFY(r.err.startsWith(QStringLiteral("Fehler: ")));
    QVERIFY(!keyExists(HKEY_CURRENT_USER, "A"));
}

QTEST_GUILESS_MAIN(TestKavenRegTool)
#include "TestKavenRegTool.moc"
