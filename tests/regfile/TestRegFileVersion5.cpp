// Version 5 registry files against a real store: the downloaded files of the corpus, encodings and line
// ends, skipped lines, deletions, a file cut short, and the notes of kaven-reg's export.

#include "regfile/RegFileUtils.h"
#include "registry/RegTestKeys.h"
#include "registry/RegistryAccessor.h"
#include "support/ScriptedProgress.h"
#include "support/TempStore.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

namespace {

const QString Corpus = QStringLiteral(KAVEN_SHARED_DIR "/corpus/reg/");
const QString Header = u"Windows Registry Editor Version 5.00"_s;

QByteArray utf16(const QString& text, bool bom = true)
{
    QByteArray bytes = bom ? QByteArray("\xFF\xFE") : QByteArray();
    for (QChar c : text)
        bytes += char(c.unicode() & 0xFF) + QByteArray(1, char(c.unicode() >> 8));
    return bytes;
}

// The lines of a UTF-16LE text behind its byte-order mark, ended by CR LF or LF.
QStringList utf16Lines(const QByteArray& bytes)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2)
        .split(QRegularExpression(u"\r?\n"_s));
}

// Every byte of a UTF-16LE file stored once more as a UTF-16 code unit, behind a byte-order mark.
QByteArray doubled(const QByteArray& utf16Bytes)
{
    QByteArray out("\xFF\xFE");
    for (char b : utf16Bytes)
        out += b + QByteArray(1, '\0');
    return out;
}

// The key with its subtree gone (or never there).
bool removeKey(const QString& subKey, HKEY root = HKEY_CURRENT_USER)
{
    RegistryAccessor reg(KEY_ALL_ACCESS);
    reg.setRootKey(root);
    const QString path = u'\\' + subKey;
    return !reg.keyExists(path) || reg.deleteKey(path);
}

} // namespace

class TestRegFileVersion5 final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_store.emplace().ok());
        m_file = m_store->dirPath() + u"/in.reg"_s;
    }

    // Every file goes through completely, each into a store of its own: no line skipped, every change made.
    void importsEveryCorpusFile()
    {
        const QStringList files = QDir(Corpus).entryList({u"*.reg"_s}, QDir::Files);
        QCOMPARE(files.size(), 40);
        for (const QString& name : files) {
            init();
            ScriptedProgress progress;
            const RegFileResult result = ImportRegFileResult(Corpus + name, progress);
            QVERIFY2(result.ok, qPrintable(name + u": "_s + result.describe()));
        }
    }

    void deletesThroughTheClassesAlias()
    {
        // A whole key deleted through the classes alias, its subtree with it.
        const QString sharing = u"SOFTWARE\\Classes\\Directory\\shellex\\ContextMenuHandlers\\Sharing"_s;
        QVERIFY(setValue(sharing + u"\\Tief"_s, QString(), REG_SZ, sz("x"), HKEY_LOCAL_MACHINE));
        QVERIFY(importCorpus(u"win11debloat__Disable_Give_access_to_context_menu.reg"_s));
        QVERIFY(!exists(sharing, HKEY_LOCAL_MACHINE));
        QVERIFY(exists(u"SOFTWARE\\Classes\\Directory\\shellex\\ContextMenuHandlers"_s, HKEY_LOCAL_MACHINE));
    }

    // A file made double-encoded stores what the file itself stores, with or without the inner mark.
    void readsDoubleEncodedFiles()
    {
        const QByteArray original = readFile(Corpus + u"atlas__AddTray.reg"_s);
        const QString run = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"_s;
        for (const QByteArray& bytes : {doubled(original), doubled(original.mid(2))}) {
            QVERIFY(removeKey(run, HKEY_LOCAL_MACHINE));
            QVERIFY(importText(bytes).ok);
            QCOMPARE(value(run, u"SecurityHealth"_s, HKEY_LOCAL_MACHINE).second,
                     sz("%windir%\\system32\\SecurityHealthSystray.exe"));
        }
    }

    // Each text after the header, the import's result, and values below V: "key|name=hex of the data", or
    // "key|name=-" when absent.
    void skipsLinesItCannotRead()
    {
        const std::tuple<QString, QString, QString> cases[] = {
            {u"[HKEY_CURRENT_USER\\V]\n\"a\"=\"1\"\nKein Wert\n\"b\"=\"2\""_s,
             u"1 Zeile konnte nicht gelesen werden: Zeile 4: Kein Wert (Ungültige Zeile)"_s, u"|a=3100 |b=3200"_s},
            // values after unreadable key lines go nowhere
            {u"[HKEY_CURRENT_USER\\V]\n\"a\"=dword:zz\n[HKEY_NIRGENDS\\X]\n\"lost\"=\"1\"\n"
             "[HKEY_CURRENT_USER\\V\\W\n\"lost\"=\"2\"\n[HKEY_CURRENT_USER\\V]\n\"b\"=\"2\""_s,
             u"3 Zeilen konnten nicht gelesen werden, zuerst Zeile 3: \"a\"=dword:zz (Ungültige Zeichen im "
             "DWord-Datenbereich)"_s,
             u"|a=- |lost=- |b=3200"_s},
            // deletions, also of what is not there
            {u"[-HKEY_CURRENT_USER\\V\\Alt]\n\"lost\"=\"1\"\n[-HKEY_CURRENT_USER\\V\\NieDa]\n"
             "[HKEY_CURRENT_USER\\V]\n\"del\"=-\n\"nie\"=-\n@=-"_s,
             QString(), u"|del=- |lost=- Alt|x=- |=-"_s},
            // comments between continuations and after values
            {u"[HKEY_CURRENT_USER\\V] ; Schlüssel\n\"h\"=hex:01,02,\\\n; dazwischen\n\n  03 ; Ende\n"
             "\"s\"=\"a;\\\"b\" ; Text\n\"d\"=dword:00000005;x"_s,
             QString(), u"|h=010203 |s=613b226200 |d=05000000"_s},
            // a broken byte list counts once
            {u"[HKEY_CURRENT_USER\\V]\n\"h\"=hex:01,\\\n  zz,\\\n  03\n\"g\"=hex:0g,\\\n  01\n\"b\"=\"2\""_s,
             u"2 Zeilen konnten nicht gelesen werden, zuerst Zeile 4: zz,\\ (Ungültige Zeichen im "
             "Hex-Datenbereich)"_s,
             u"|h=- |g=- |b=3200"_s},
            // a byte list that breaks off
            {u"[HKEY_CURRENT_USER\\V]\n\"h\"=hex:01,\\\n\"b\"=\"2\"\n\"e\"=hex:01,\\\n  02,\\\n"_s,
             u"2 Zeilen konnten nicht gelesen werden, zuerst Zeile 3: \"h\"=hex:01,\\ (Der Hex-Datenbereich "
             "bricht unvollständig ab)"_s,
             u"|h=- |e=- |b=3200"_s},
            {u"\"a\"=\"1\"\n[HKEY_CURRENT_USER\\V]\n\"b\"=hex(b):01,00,00,00,00,00,00,00"_s,
             u"1 Zeile konnte nicht gelesen werden: Zeile 2: \"a\"=\"1\" (Wert vor der ersten Schlüsselzeile)"_s,
             u"|b=0100000000000000"_s},
            {u"[-HKEY_CURRENT_USER]\n[HKEY_CURRENT_USER\\V]\n\"b\"=\"2\""_s,
             u"1 Zeile konnte nicht gelesen werden: Zeile 2: [-HKEY_CURRENT_USER] (Ein Stammschlüssel wird nicht "
             "gelöscht: HKEY_CURRENT_USER)"_s,
             u"|b=3200 Alt|x=7800"_s}};
        for (const auto& [text, expected, values] : cases) {
            init();
            QVERIFY(setValue(u"V\\Alt"_s, u"x"_s, REG_SZ, sz("x")));
            QVERIFY(setValue(u"V"_s, u"del"_s, REG_SZ, sz("x")));
            QVERIFY(setValue(u"V"_s, QString(), REG_SZ, sz("x")));
            const RegFileResult result = importText(utf16(Header + u"  ; Kopfzeile\n"_s + text));
            QCOMPARE(result.text, expected);
            QCOMPARE(result.ok, result.text.isEmpty());
            for (const QString& row : values.split(u' ')) {
                const QString key = u"V"_s + (row.startsWith(u'|') ? QString() : u"\\"_s + row.section(u'|', 0, 0));
                const QString name = row.section(u'|', 1).section(u'=', 0, 0);
                const QByteArray data = value(key, name).second;
                QCOMPARE(row.section(u'=', 1), data == "<missing>" ? u"-"_s : QString::fromLatin1(data.toHex()));
            }
        }
    }

    // Cut after a continuation line (or in the middle of the next character): that value is one
    // skipped line, everything before it is stored.
    void readsAFileCutInAContinuation()
    {
        const QByteArray file = readFile(Corpus + u"win11debloat__powercfg.reg"_s);
        const qsizetype cut = file.indexOf(utf16(u"\\\r\n"_s, false)) + 6;
        const QString schemes = u"SYSTEM\\ControlSet001\\Control\\Power\\User\\PowerSchemes"_s;
        for (const qsizetype length : {cut, cut + 1}) {
            QVERIFY(removeKey(u"SYSTEM\\ControlSet001\\Control\\Power"_s, HKEY_LOCAL_MACHINE));
            const RegFileResult result = importText(file.left(length));
            QVERIFY(!result.ok);
            QVERIFY2(result.text.startsWith(u"1 Zeile konnte nicht gelesen werden: Zeile 7: \"Description\"=hex(2):40,"
                                            "00,25,00"_s),
                     qPrintable(result.text));
            QVERIFY(result.text.endsWith(u",6f,\\ (Der Hex-Datenbereich endet mit der Datei unvollständig)"_s));
            QCOMPARE(value(schemes, u"ActivePowerScheme"_s, HKEY_LOCAL_MACHINE).second,
                     sz("381b4222-f694-41f0-9685-ff5bb260df2e"));
            QVERIFY(exists(schemes + u"\\381b4222-f694-41f0-9685-ff5bb260df2e"_s, HKEY_LOCAL_MACHINE));
        }
    }

    // Files written by the format's own exporter come out line for line as they went in: the same
    // lower-case hex, the same wrapping, the same strings. (Disable_Animations: UTF-16 with LF and CR LF
    // mixed; a root key written in lower case.)
    void writesLinesAsExportedFiles()
    {
        for (const char* name : {"win11debloat__powercfg.reg", "atlas__AddTray.reg", "atlas__DEFAULT.reg",
                                 "debloat-win10__disable-settingssync.reg", "win11debloat__Disable_Animations.reg"}) {
            init();
            QVERIFY2(importCorpus(QString::fromLatin1(name)), name);
            const QString file = m_store->dirPath() + u"/out.reg"_s;
            ScriptedProgress progress;
            QVERIFY(ExportRegFileResult(file, QString(), progress, 0x1F, RegFileFormat::Version5).ok);
            const QByteArray written = readFile(file);
            QVERIFY(written.startsWith("\xFF\xFE"));
            const QStringList ours = utf16Lines(written);
            // Key names keep the case of the store's existing keys ("Software" for "SOFTWARE").
            for (const QString& line : utf16Lines(readFile(Corpus + QString::fromLatin1(name))))
                QVERIFY2(ours.contains(line, line.startsWith(u'[') ? Qt::CaseInsensitive : Qt::CaseSensitive),
                         qPrintable(line));
        }
    }

    // kaven-reg names the values REGEDIT4 writes as hex(0), and keeps them with /5.
    void toolExportNamesLostTypes()
    {
        QVERIFY(setValue(u"T"_s, u"q"_s, REG_QWORD, QByteArray("\1\0\0\0\0\0\0\x80", 8)));
        QVERIFY(setValue(u"T\\U"_s, QString(), 0x20000, QByteArray("\xcd")));
        QVERIFY(setValue(u"T"_s, u"d"_s, REG_DWORD, QByteArray(4, '\1')));
        const QString file = m_store->dirPath() + u"/t.reg"_s;
        ToolRun run = runTool({u"export"_s, u"HKCU\\T"_s, file});
        QCOMPARE(run.rc, 0);
        QCOMPARE(run.err, u"Warnung: Der Typ von 2 Werten geht im Format REGEDIT4 verloren (als hex(0) gesichert):\n"
                          "  [HKEY_CURRENT_USER\\T] \"q\" (REG_QWORD)\n  [HKEY_CURRENT_USER\\T\\U] @ (Typ 131072)\n"
                          "Mit /5 wird die Datei im Format Version 5 geschrieben, das den Typ bewahrt.\n"_s);
        QVERIFY(readFile(file).contains("\"q\"=hex(0):01,00,00,00,00,00,00,80\r\n"));

        run = runTool({u"export"_s, u"HKCU\\T"_s, file, u"/y"_s, u"/5"_s});
        QCOMPARE(run.rc, 0);
        QCOMPARE(run.err, QString());
        QVERIFY(removeKey(u"T"_s));
        QCOMPARE(runTool({u"import"_s, file}).rc, 0);
        QCOMPARE(value(u"T"_s, u"q"_s).first, DWORD(REG_QWORD));
        QCOMPARE(value(u"T\\U"_s, QString()), qMakePair(DWORD(0x20000), QByteArray("\xcd")));
    }

private:
    [[nodiscard]] RegFileResult importText(const QByteArray& bytes)
    {
        if (!writeFile(m_file, bytes))
            return RegFileResult::failure(u"not written"_s);
        ScriptedProgress progress;
        return ImportRegFileResult(m_file, progress);
    }

    [[nodiscard]] bool importCorpus(const QString& name)
    {
        ScriptedProgress progress;
        return ImportRegFileResult(Corpus + name, progress).ok;
    }

    std::optional<TempStore> m_store;
    QString m_file;
};

QTEST_GUILESS_MAIN(TestRegFileVersion5)
#include "TestRegFileVersion5.moc"
