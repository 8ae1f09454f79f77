// kaven-reg's commands against a real store, with the tool's output captured.

#include "app/KavenRegTool.h"
#include "platform/WinReg.h"
#include "registry/RegTestKeys.h"
#include "support/TempStore.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using RegTestKeys::exists;
using RegTestKeys::value;

class TestKavenRegTool final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(m_store.emplace().ok());
    }

    // Options stand before the command only: later arguments that look like options are data. Data or a name
    // like an option, after "--", an option after the command, an option without its path.
    void takesOptionsBeforeTheCommand()
    {
        const QStringList add{"add", "HKCU\\x", "/v"};
        // the arguments, the exit code, whether the value lands in the store named by --registry, its name and data
        const std::tuple<QStringList, int, bool, QString, QByteArray> cases[] = {
            {QStringList{"--registry", "@other"} + add + QStringList{"a", "/d", "--registry=@evil"}, 0, true, "a",
             QByteArray("--registry=@evil\0", 17)},
            {QStringList{"--registry=@other"} + add + QStringList{"--registry", "/d", "1"}, 0, true, "--registry",
             QByteArray("1\0", 2)},
            {{"--", "add", "HKCU\\x", "/v", "a", "/d", "--"}, 0, false, "a", QByteArray("--\0", 3)},
            {add + QStringList{"a", "/d", "1", "--registry", "@evil"}, 1, false, "a", "<missing>"},
            {{"--registry"}, 1, false, "a", "<missing>"}};
        for (auto [args, rc, inOther, name, data] : cases) {
            init();
            const QString other = m_store->otherStorePath(u"other"_s);
            const QString evil = m_store->otherStorePath(u"evil"_s);
            args.replaceInStrings(u"@other"_s, other).replaceInStrings(u"@evil"_s, evil);
            QVERIFY2(tool(args, false, {}, true).rc == rc, qPrintable(args.join(u' ')));
            QVERIFY(!QFile::exists(evil));
            QCOMPARE(RegOpenLocalStore(inOther ? other : m_store->storePath()), ERROR_SUCCESS);
            QCOMPARE(value(u"x"_s, name).second, data.replace("@evil", evil.toUtf8()));
        }
    }

    void addsAndQueries()
    {
        QCOMPARE(tool({"add", "HKCU\\Software\\K", "/v", "Pfad", "/d", "C:\\x"}).rc, 0);
        QCOMPARE(tool({"add", "HKCU\\Software\\K", "/v", "Zahl", "/t", "REG_DWORD", "/d", "26", "/f"}).rc, 0);
        QCOMPARE(tool({"add", "HKCU\\Software\\K", "/ve", "/d", "Vorgabe"}).rc, 0);
        QCOMPARE(tool({"add", "HKCU\\Software\\K", "/v", "Bin", "/t", "REG_BINARY", "/d", ""}).rc, 0);
        QCOMPARE(tool({"add", "HKCU\\Software\\K\\Unter\\Tief"}).rc, 0);
        QCOMPARE(tool({"add", "HKCU\\Software\\K\\a b"}).rc, 0);
        QCOMPARE(tool({"add", "HKCU\\L", "/v", "m", "/t", "reg_multi_sz", "/d", "a\\0bü"}).rc, 0);
        QCOMPARE(tool({"add", "HKCU\\L", "/v", "q", "/t", "REG_QWORD", "/d", "0x0102030405060708"}).rc, 0);
        QCOMPARE(value(u"L"_s, u"m"_s).second, QByteArray("a\0b\xc3\xbc\0\0", 7));
        QCOMPARE(value(u"L"_s, u"q"_s).second, QByteArray("\x08\x07\x06\x05\x04\x03\x02\x01", 8));
        const QString k = u"\nHKEY_CURRENT_USER\\Software\\K\n"_s;
        const QString values = u"    (Standard)    REG_SZ    \"Vorgabe\"\n"
                               "    Bin    REG_BINARY    (Binärdaten der Länge Null)\n"
                               "    Pfad    REG_SZ    \"C:\\x\"\n    Zahl    REG_DWORD    0x0000001A (26)\n"_s;
        QCOMPARE(tool({"query", "hkcu\\Software\\K"}).out,
                 k + values + u"\nHKEY_CURRENT_USER\\Software\\K\\a b\nHKEY_CURRENT_USER\\Software\\K\\Unter\n"_s);
        QCOMPARE(tool({"query", "HKCU\\Software\\K", "/s"}).out,
                 k + values + u"\nHKEY_CURRENT_USER\\Software\\K\\a b\n\nHKEY_CURRENT_USER\\Software\\K\\Unter\n"
                              "\nHKEY_CURRENT_USER\\Software\\K\\Unter\\Tief\n"_s);
        QCOMPARE(tool({"query", "HKCU\\Software\\K", "/v", "zahl", "/s"}).out,
                 k + u"    zahl    REG_DWORD    0x0000001A (26)\n"_s);
        QCOMPARE(tool({"query", "HKCU\\Software\\K\\Unter", "/ve"}).out,
                 u"\nHKEY_CURRENT_USER\\Software\\K\\Unter\n    (Standard)    REG_SZ    (Wert nicht gesetzt)\n"_s);
        const ToolRun missing = tool({"query", "HKCU\\Software\\K", "/v", "fehlt"});
        QCOMPARE(missing.rc, 1);
        QCOMPARE(missing.err, u"Fehler: Der angegebene Registrierungsschlüssel bzw. Wert wurde nicht gefunden.\n"_s);
        const QString chain = QStringList(512, u"k"_s).join(u'\\');
        QVERIFY(RegTestKeys::setValue(chain, u"tief"_s, REG_SZ, RegTestKeys::sz("unten"), HKEY_LOCAL_MACHINE));
        const ToolRun query = tool({"query", "HKLM\\k", "/s"});
        QCOMPARE(query.rc, 0);
        QCOMPARE(query.out.count(u"\nHKEY_LOCAL_MACHINE\\k"_s), 512);
        QVERIFY(query.out.endsWith(u"\\k\\k\n    tief    REG_SZ    \"unten\"\n"_s));
        const QString file = path(u"tief.reg"_s);
        QCOMPARE(tool({"export", "HKLM\\k", file}).rc, 0);
        const QByteArray text = readFile(file);
        QCOMPARE(text.count("\r\n[HKEY_LOCAL_MACHINE\\k"), 512);
        QVERIFY(text.endsWith("\\k\\k]\r\n\"tief\"=\"unten\"\r\n"));
    }

    // Overwriting and deleting ask (a terminal is needed to answer); imports and exports.
    void toolAsksImportsAndExports()
    {
        QCOMPARE(tool({"add", "HKCU\\A\\Sub", "/v", "v", "/d", "alt"}).rc, 0);
        QVERIFY(tool({"add", "HKCU\\A\\Sub", "/v", "v", "/d", "neu"}).err.startsWith(u"Fehler: Ohne Terminal"_s));
        const ToolRun no = tool({"add", "HKCU\\A\\Sub", "/v", "v", "/d", "neu"}, true, "nein\n");
        QCOMPARE(no.rc, 1);
        QVERIFY(no.out.startsWith(u"Der Wert v existiert bereits. Überschreiben (Ja/Nein)? "_s));
        QCOMPARE(value(u"A\\Sub"_s, u"v"_s).second, QByteArray("alt\0", 4));
        QCOMPARE(tool({"add", "HKCU\\A\\Sub", "/v", "v", "/d", "neu"}, true, "ja\n").rc, 0);
        QCOMPARE(value(u"A\\Sub"_s, u"v"_s).second, QByteArray("neu\0", 4));
        QCOMPARE(tool({"delete", "HKCU\\A\\Sub", "/va", "/f"}).rc, 0);
        QCOMPARE(tool({"delete", "HKCU\\A\\Sub", "/v", "v", "/f"}).rc, 1);
        QCOMPARE(tool({"delete", "HKCU\\A"}).rc, 1);
        QVERIFY(exists(u"A\\Sub"_s));
        QCOMPARE(tool({"delete", "hkcu\\a"}, true, "J\n").rc, 0);
        QVERIFY(!exists(u"A"_s));
        QCOMPARE(tool({"delete", "HKCU", "/f"}).rc, 1);
        const QString good = path(u"gut.reg"_s);
        QVERIFY(writeFile(good, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Imp]\r\n\"n\"=dword:0000001a\r\n"));
        const ToolRun ok = tool({"import", good});
        QCOMPARE(ok.out, u"Registrierungsdatei wurde erfolgreich importiert.\n"_s);
        QCOMPARE(value(u"Imp"_s, u"n"_s).second, QByteArray("\x1a\0\0\0", 4));
        const QString bad = path(u"schlecht.reg"_s);
        QVERIFY(writeFile(bad, "REGEDIT4\r\n[HKEY_CURRENT_USER\\I2]\r\n\"a\"=hex:1,,2\r\n"));
        const ToolRun failed = tool({"import", bad});
        QCOMPARE(failed.rc, 1);
        QCOMPARE(failed.err, u"Fehler: Registrierungsdatei konnte nicht vollständig importiert werden.\n"
                             "(Zeile 3: Ungültige Zeichen im Hex-Datenbereich)\n"_s);
        QCOMPARE(tool({"import", path(u"fehlt.reg"_s)}).err,
                 u"Fehler: Registrierungsdatei konnte nicht vollständig importiert werden.\n"
                 "(Kann Datei nicht öffnen.)\n"_s);

        // the writer's own refusals (the store file, a missing key) are pinned down by its tests
        const QString file = path(u"exp.reg"_s);
        QCOMPARE(tool({"export", "HKCU\\Imp", file}).rc, 0);
        QCOMPARE(tool({"export", "HKCU\\Imp", file}).rc, 1); // exists, no /y, no terminal

        // "ALL" follows the program's "RootExport" setting (15: the first four root keys).
        const QStringList setting{"add", "HKCU\\SOFTWARE\\Fenmarsh\\Kaven\\1.0\\Options", "/v", "RootExport", "/f"};
        QCOMPARE(tool({"export", "all", file, "/y"}).rc, 0);
        const QByteArray all = readFile(file);
        QVERIFY(all.contains("\r\n[HKEY_CLASSES_ROOT]\r\n") && all.contains("\r\n[HKEY_USERS]\r\n"));
        QVERIFY(!all.contains("[HKEY_CURRENT_CONFIG]"));
        QCOMPARE(tool(setting + QStringList{"/t", "REG_DWORD", "/d", "4"}).rc, 0);
        QCOMPARE(tool({"export", "all", file, "/y"}).rc, 0);
        const QByteArray machine = readFile(file);
        QVERIFY(machine.startsWith("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n"));
        QVERIFY(!machine.contains("[HKEY_CURRENT_USER"));
        QCOMPARE(tool(setting + QStringList{"/d", "4"}).rc, 0); // a string is not the setting
        QCOMPARE(KavenRegTool::rootExportSetting(), DWORD(15));
    }

    // Nothing, an unknown command or root, a missing file, a bad switch, /v without a name or with /ve, a bad
    // or too big dword, an odd binary and an unknown type.
    void refusesBadArguments()
    {
        for (const QStringList& args :
             {QStringList(), QStringList{"copy", "HKCU\\A"}, QStringList{"query", "HKXY\\A"},
              QStringList{"export", "HKCU"}, QStringList{"query", "HKCU", "/x"}, QStringList{"query", "HKCU", "/v"},
              QStringList{"delete", "HKCU\\A", "/v", "a", "/ve"},
              QStringList{"add", "HKCU\\A", "/v", "a", "/t", "REG_DWORD", "/d", "x"},
              QStringList{"add", "HKCU\\A", "/t", "REG_DWORD", "/d", "4294967296"},
              QStringList{"add", "HKCU\\A", "/t", "REG_BINARY", "/d", "abc"},
              QStringList{"add", "HKCU\\A", "/t", "REG_FOO"}}) {
            const ToolRun r = tool(args);
            QVERIFY2(r.rc == 1 && r.err.startsWith(u"Fehler: "_s), qPrintable(args.join(u' ')));
            QVERIFY(!exists(u"A"_s));
        }
    }

private:
    // withStore: the whole command line, options and store opening included.
    ToolRun tool(const QStringList& args, bool interactive = false, const QByteArray& input = {},
                 bool withStore = false)
    {
        QBuffer out, err, in;
        in.setData(input);
        for (QBuffer* buffer : {&out, &err, &in})
            buffer->open(QIODevice::ReadWrite);
        KavenRegTool t(out, err, in, interactive);
        const int rc = withStore ? t.runWithStore(args) : t.run(args);
        return {rc, QString::fromUtf8(out.data()), QString::fromUtf8(err.data())};
    }

    [[nodiscard]] QString path(const QString& name) const { return m_store->dirPath() + u'/' + name; }

    std::optional<TempStore> m_store;
};

QTEST_GUILESS_MAIN(TestKavenRegTool)
#include "TestKavenRegTool.moc"
