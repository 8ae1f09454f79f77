// The writer against a real store: byte-exact output, lines that cannot break out, failures, cancel,
// a target that is only replaced by a complete file, and random registries with hostile names and data
// that export, import into a fresh store and export again to the same bytes and the same values.

#include "regfile/RegFileUtils.h"
#include "registry/RegTestKeys.h"
#include "support/RecordingMessageSink.h"
#include "support/ScriptedProgress.h"
#include "support/TempStore.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMap>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

namespace {

// Keys: path -> (value name -> type and data), everything below HKEY_CURRENT_USER\RT.
using Snapshot = QMap<QString, QMap<QString, QPair<DWORD, QByteArray>>>;

// Quotes, backslashes, line breaks, "=", blanks, umlauts and characters outside Windows-1252. The
// Windows-1252 range 0x80-0xBF is left out: such bytes after "Ã" could also read as UTF-8.
const QString Alphabet = QStringLiteral("aZ09 =\"\\\r\n;[]@,:\täöüÄÖÜßéΩ€Жℓ中🙂");

QString randomText(QRandomGenerator& rng, int maxLength, bool keyName)
{
    const int length = int(rng.bounded(maxLength + 1));
    QString text;
    while (text.size() < length) {
        const QChar c = Alphabet[rng.bounded(Alphabet.size())];
        // Key names hold no backslash; line breaks in a key name cannot be written in a key line.
        if (!keyName || (c != u'\\' && c != u'\r' && c != u'\n'))
            text += c.isSurrogate() ? QStringLiteral("🙂") : QString(c);
    }
    return keyName && text.trimmed().isEmpty() ? text + u'k' : text;
}

// Strings hold UTF-8 text (the registry's 8-bit view); a DWORD sometimes has the wrong size.
QByteArray randomData(QRandomGenerator& rng, DWORD type)
{
    if (type == REG_DWORD)
        return QByteArray::number(rng.generate()).leftJustified(4, '\0').left(rng.bounded(3) == 0 ? 2 : 4);
    const int size = rng.bounded(20) == 0 ? 65536 : int(rng.bounded(80));
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        QString text = randomText(rng, size / 4, false);
        if (type != REG_SZ || rng.bounded(4) == 0)
            text += QChar(0) + QStringLiteral("Rest");
        return text.toUtf8() + QByteArray(1, '\0');
    }
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& b : bytes)
        b = char(rng.bounded(256));
    return bytes;
}

void fill(QRandomGenerator& rng, const QString& path, int depth)
{
    QVERIFY(makeKey(path));
    for (int i = 0, values = int(rng.bounded(6)); i < values; ++i) {
        const DWORD type = rng.bounded(5) == 0 ? DWORD(rng.bounded(1000)) : DWORD(rng.bounded(12));
        const QString name = i == 0 && rng.bounded(2) ? QString() : randomText(rng, 40, false);
        QVERIFY(setValue(path, name, type, randomData(rng, type)));
    }
    for (int i = 0, children = depth >= 3 ? 0 : int(rng.bounded(4)); i < children; ++i)
        fill(rng, path + u'\\' + randomText(rng, 12, true), depth + 1);
}

// With exact, the data as stored; otherwise what a REGEDIT4 file carries of it.
void collect(const QString& path, Snapshot* snapshot, bool exact = false)
{
    OpenedKey key;
    QVERIFY(openKey(key, path));
    QString name;
    DWORD type = 0;
    QByteArray data;
    for (DWORD i = 0; RegEnumValueBytes(key.handle, i, &name, 16384, &type, &data) == ERROR_SUCCESS; ++i) {
        if (type == REG_SZ && !exact) // what the file can carry of REG_SZ: the text up to its first NUL
            data = data.left(data.indexOf('\0')) + QByteArray(1, '\0');
        (*snapshot)[path].insert(name, {type > 10 && !exact ? REG_NONE : type, data});
    }
    for (const QString& sub : subKeys(path))
        collect(path + u'\\' + sub, snapshot, exact);
}

// The bytes 0, 1, ... 29.
const QByteArray Thirty = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d");

} // namespace

class TestRegFileExport final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(m_store.emplace().ok());
        m_file = m_store->dirPath() + u"/out.reg"_s;
    }

    // One key with a value of every form, each with the line written for it.
    void writesEveryDataForm()
    {
        const std::tuple<QString, uint, QByteArray, QByteArray> values[] = {
            {u""_s, 1u, sz("Vorgabe"), "@=\"Vorgabe\""_ba},
            {u"a\"b\\c"_s, 1u, sz("C:\\a\"b\r\n\xc3\x84"), "\"a\\\"b\\\\c\"=\"C:\\\\a\\\"b\\r\\n\xc4\""_ba},
            {u"a\"b\\d"_s, 1u, sz("C:\\a\"b\r\n\tz\\"), "\"a\\\"b\\\\d\"=\"C:\\\\a\\\"b\\r\\n\tz\\\\\""_ba},
            {u"cut"_s, 1u, "vor\0nach\0"_ba, "\"cut\"=\"vor\""_ba},
            {u"d"_s, 4u, "\x1a\0\0\0"_ba, "\"d\"=dword:0000001A"_ba},
            {u"d2"_s, 4u, "\x01\x02"_ba, "\"d2\"=hex(4):01,02"_ba}, // too short for a dword line
            {u"Data"_s, 3u, Thirty,
             "\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,12,13,14,15,\\\r\n"
             "  16,17,18,19,1A,1B,1C,1D"_ba},
            {u"e"_s, 3u, {}, "\"e\"=hex:"_ba},
            // "Ã¤": its Windows-1252 bytes would read as UTF-8 of "ä", so the line is UTF-8.
            {u"m"_s, 1u, sz("\xc3\x83\xc2\xa4"), "\"m\"=\"\xc3\x83\xc2\xa4\""_ba},
            {u"q"_s, 11u, "\x01\0\0\0\0\0\0\x80"_ba, "\"q\"=hex(0):01,00,00,00,00,00,00,80"_ba},
            {u"r"_s, 3u, "\xc3\xbc"_ba, "\"r\"=hex:C3,BC"_ba}, // raw bytes
            {u"t"_s, 99u, "\xcd"_ba, "\"t\"=hex(0):CD"_ba},
            {u"x"_s, 2u, sz("M\xc3\xbcller"), "\"x\"=hex(2):4D,FC,6C,6C,65,72,00"_ba},
            {u"x7"_s, 7u, "\xc3\xbc\0\xce\xa9\0\0"_ba, "\"x7\"=hex(7):C3,BC,00,CE,A9,00,00"_ba}}; // beyond 1252
        QByteArray expected = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\T]\r\n";
        for (const auto& [name, type, data, line] : values) {
            QVERIFY(setValue(u"Software\\T"_s, name, type, data));
            expected += line + "\r\n";
        }
        QVERIFY(makeKey(u"Software\\T\\Leer"_s));
        ScriptedProgress progress;
        QVERIFY(ExportRegFile(m_file, u"HKEY_CURRENT_USER\\Software\\T\\"_s, progress));
        QCOMPARE(readFile(m_file), expected + "\r\n[HKEY_CURRENT_USER\\Software\\T\\Leer]\r\n");
    }

    void reimportsLongNamesAndSkipsDeniedKeys()
    {
        const QByteArray one("\1\0\0\0", 4);
        const QString longName(300, u'L');
        const QString longest(16383, u'N');
        for (const QString& name : {u"a"_s, longName, longest, u"z"_s})
            QVERIFY(setValue(u"S"_s, name, REG_DWORD, one));
        QVERIFY(setValue(u"S\\hidden\\deep"_s, u"x"_s, REG_SZ, sz("")));
        QVERIFY(denyKey(u"S\\hidden"_s, KEY_DENY_READ));
        ScriptedProgress progress;
        QVERIFY(ExportRegFile(m_file, u"HKEY_CURRENT_USER\\S"_s, progress));

        const QByteArray text = readFile(m_file);
        QVERIFY(text.contains("\r\n\"" + QByteArray(300, 'L') + "\"=dword:00000001\r\n"));
        init();
        QVERIFY(writeFile(m_file, text));
        QVERIFY2(ImportRegFile(m_file, progress), qPrintable(LastRegFileError()));
        for (const QString& name : {u"a"_s, longName, longest, u"z"_s})
            QCOMPARE(value(u"S"_s, name), qMakePair(DWORD(REG_DWORD), one));
        QVERIFY(!exists(u"S\\hidden"_s));
    }

    // A missing folder, a read-only file, the store itself, a missing key, and a key name holding a line
    // break: the format cannot escape it in a key line; written, it would plant [HKEY_LOCAL_MACHINE].
    void refusesTargets()
    {
        const QString cannotSave = u"Fehler: Kann Datei nicht sichern."_s;
        const QString user = u"HKEY_CURRENT_USER"_s;
        const std::tuple<QString, QString, QString> cases[] = {
            {u"/nix/out.reg"_s, user, cannotSave}, {u"/alt.reg"_s, user, cannotSave},
            {u"/registry.db"_s, user, u"Fehler: "_s + RegFileTexts::StoreFile},
            {u"/out.reg"_s, user + u"\\Fehlt"_s,
             u"Fehler: Kann Schlüssel nicht öffnen: HKEY_CURRENT_USER\\Fehlt (nicht gefunden (Code 2))"_s},
            {u"/out.reg"_s, user + u"\\S"_s,
             u"Fehler: Der Schlüssel \"HKEY_CURRENT_USER\\S\\a]\\r\\n[HKEY_LOCAL_MACHINE]\\r\\n\"Evil\"=\"yes\"\" "
             "enthält einen Zeilenumbruch und kann nicht in eine Registrierungsdatei geschrieben werden."_s}};
        for (const auto& [target, branch, message] : cases) {
            init();
            const QString file = m_store->dirPath() + target;
            QVERIFY(makeKey(u"S\\a]\r\n[HKEY_LOCAL_MACHINE]\r\n\"Evil\"=\"yes\""_s));
            QVERIFY(writeFile(m_file, "alt"));
            QVERIFY(writeFile(m_store->dirPath() + u"/alt.reg"_s, "alt"));
            QVERIFY(QFile::setPermissions(m_store->dirPath() + u"/alt.reg"_s, QFileDevice::ReadOwner));
            const QFileInfo before(file); // the store file is never opened, not even here
            RecordingMessageSink sink;
            ScriptedProgress progress;
            QVERIFY(!ExportRegFile(file, branch, progress));
            QCOMPARE(sink.last().text, message);
            const QFileInfo after(file);
            QCOMPARE(std::tuple(after.exists(), after.size(), after.lastModified()),
                     std::tuple(before.exists(), before.size(), before.lastModified()));
        }
    }

    void keepsTheOldFileOnCancelAndKill()
    {
        for (int i = 0; i < 20; ++i)
            QVERIFY(setValue(u"C\\k%1"_s.arg(i, 2, 10, QLatin1Char('0')), u"v"_s, REG_SZ, QByteArray(100, 'x')));
        QVERIFY(writeFile(m_file, "alt"));
        RecordingMessageSink sink;
        ScriptedProgress cancelling(30);
        const RegFileResult result = ExportRegFileResult(m_file, u"HKEY_CURRENT_USER\\C"_s, cancelling);
        QVERIFY(result.cancelled && !result.ok);
        QCOMPARE(readFile(m_file), QByteArray("alt"));
        QCOMPARE(sink.count(), 0); // the cancel is quiet

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
        QCOMPARE(readFile(m_file), QByteArray("alt"));
    }

    // Twelve seeds, each a branch of its own.
    void roundTripsRandomBranches()
    {
        for (quint32 seed = 1; seed <= 12; ++seed) {
            const QByteArray where = "seed " + QByteArray::number(seed);
            QTemporaryDir dir;
            const QString first = dir.filePath(u"first.reg"_s), second = dir.filePath(u"second.reg"_s);
            const QString version5 = dir.filePath(u"v5.reg"_s);
            ScriptedProgress progress;
            // A fresh store filled from the seed (no source) or by importing source; its branch, exported to target.
            const auto pass = [&](const QString& source, bool exact, const QString& target, RegFileFormat format) {
                TempStore store;
                QRandomGenerator rng(seed);
                Snapshot snapshot;
                if (source.isEmpty())
                    fill(rng, u"RT"_s, 0);
                else if (!ImportRegFile(source, progress))
                    snapshot[u"import failed: "_s + LastRegFileError()];
                collect(u"RT"_s, &snapshot, exact);
                if (!target.isEmpty()
                    && !ExportRegFile(target, u"HKEY_CURRENT_USER\\RT"_s, progress, RootExportDefault, format))
                    snapshot[u"export failed"_s];
                return snapshot;
            };
            const Snapshot before = pass({}, false, first, RegFileFormat::Regedit4);
            QVERIFY2(pass(first, false, second, RegFileFormat::Regedit4) == before, where.constData());
            QCOMPARE(readFile(second), readFile(first));
            // Version 5 carries everything: the random branch exactly, and what came from REGEDIT4 unchanged.
            for (const QString& source : {QString(), first}) {
                const Snapshot stored = pass(source, true, version5, RegFileFormat::Version5);
                QVERIFY2(pass(version5, true, {}, RegFileFormat::Version5) == stored, where.constData());
            }
        }
    }

    // Version 5 bytes of a key with a value of every kind, written out by hand.
    void writesVersion5()
    {
        const QList<std::tuple<QString, DWORD, QByteArray>> values{
            {u""_s, REG_SZ, sz("Grüße \"€\"\r\n")}, {u"b"_s, REG_BINARY, Thirty},
            {u"be"_s, REG_DWORD_BIG_ENDIAN, "\0\0\0\x1a"_ba}, {u"d"_s, REG_DWORD, "\x1a\0\0\0"_ba},
            {u"e"_s, REG_BINARY, {}}, {u"m"_s, REG_MULTI_SZ, "a\0\xc3\xbc\0\0"_ba}, {u"n"_s, REG_NONE, "\x01"_ba},
            {u"q"_s, REG_QWORD, "\x01\0\0\0\0\0\0\x80"_ba}, {u"s0"_s, REG_SZ, "a\0b"_ba}, {u"t"_s, 0x20000, "\xcd"_ba},
            {u"x"_s, REG_EXPAND_SZ, sz("%A%")}};
        for (const auto& [name, type, data] : values)
            QVERIFY(setValue(u"Software\\T"_s, name, type, data));
        QVERIFY(makeKey(u"Software\\T\\Leer"_s));
        ScriptedProgress progress;
        QVERIFY(ExportRegFile(m_file, u"HKEY_CURRENT_USER\\Software\\T"_s, progress, RootExportDefault,
                              RegFileFormat::Version5));
        const QString text = u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\T]\r\n"
                             "@=\"Grüße \\\"€\\\"\\r\\n\"\r\n"
                             "\"b\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
                             "  17,18,19,1a,1b,1c,1d\r\n"
                             "\"be\"=hex(5):00,00,00,1a\r\n\"d\"=dword:0000001a\r\n\"e\"=hex:\r\n"
                             "\"m\"=hex(7):61,00,00,00,fc,00,00,00,00,00\r\n\"n\"=hex(0):01\r\n"
                             "\"q\"=hex(b):01,00,00,00,00,00,00,80\r\n\"s0\"=hex(1):61,00,00,00,62,00\r\n"
                             "\"t\"=hex(20000):cd\r\n\"x\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                             "\r\n[HKEY_CURRENT_USER\\Software\\T\\Leer]\r\n\r\n"_s;
        QByteArray expected("\xFF\xFE"); // UTF-16LE behind its byte-order mark
        for (QChar c : text)
            expected += QByteArray(1, char(c.unicode() & 0xFF)) + char(c.unicode() >> 8);
        QCOMPARE(readFile(m_file), expected);
    }

private:
    std::optional<TempStore> m_store;
    QString m_file;
};

QTEST_GUILESS_MAIN(TestRegFileExport)
#include "TestRegFileExport.moc"
