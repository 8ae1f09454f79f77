// The analysis file, and the snapshot and comparison walks against a real store: the file's bytes and
// damaged files, the bytes in the walk's order, a cancelled snapshot, and the entries of a comparison
// after changes to the registry; and kaven-reg's snapshot and compare, with the tool's output captured.

#include "ChangeTestTree.h"
#include "FileBytes.h"
#include "changes/AnalysisFile.h"
#include "changes/CompareWithAnalysisFile.h"
#include "changes/WriteAnalysisFile.h"
#include "registry/RegValueUtils.h"
#include "support/ScriptedProgress.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using Kind = ChangeFileError::Kind;

namespace {

const QByteArray Magic("KAVEN_COMPARE_FILE");
const QString T = u"HKEY_CURRENT_USER\\T"_s;
const QByteArray KeyX = le(0) + str("HKEY_CURRENT_USER\\X"); // 27 bytes

QByteArray key(const QByteArray& sub)
{
    return le(0) + str(sub.isEmpty() ? "HKEY_CURRENT_USER\\T" : "HKEY_CURRENT_USER\\T\\" + sub);
}
QByteArray subKey(const QByteArray& name)
{
    return le(1) + str(name);
}
const QByteArray End = le(3);

// "comment|value column|key column below T|image kind stored-type"; the record's path and name must be
// those of the columns.
QStringList entries(const ChangeList& list)
{
    QStringList out;
    for (const ChangeRow& row : list.rows()) {
        const ChangeRecord& r = row.record;
        const bool same = r.KeyPath == row.keyText && (r.ValueName == row.valueText || r.ValueName.isEmpty());
        out << row.comment + u'|' + row.valueText + u'|' + row.keyText.mid(T.size())
                   + u"|%1 %2 %3"_s.arg(row.image).arg(r.ChangeKind).arg(r.OldValue.DataType)
                   + (same ? u""_s : u" (record?)"_s);
    }
    return out;
}

} // namespace

class TestChangeWalks : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_fixture.start()); }
    void cleanup() { m_fixture.stop(); }

    // HKEY_CURRENT_USER\X with the REG_DWORD "a" = 5 and nothing else. The key is left open, as by a walk
    // that was cancelled: finishing still ends it, so the file is valid.
    void exampleFile()
    {
        const QByteArray bytes = written([](AnalysisFileWriter& writer) {
            writer.beginKey(u"HKEY_CURRENT_USER\\X\\"_s);
            writer.writeValue(u"a"_s, MakeRegValue(REG_DWORD, {}, 5, {}));
        });
        QCOMPARE(bytes, Magic + KeyX + le(2) + str("a") + le(4) + le(5) + le(3) + le(4));
        const ReadResult read = readAll(bytes);
        QVERIFY(read.ended && read.keys.size() == 1 && read.keys[0].path == u"HKEY_CURRENT_USER\\X"_s);
    }

    // The data field of each type as the file holds it, from the registry's bytes (text is UTF-8 there),
    // and the registry bytes it reads back as (the same unless given).
    void valueData_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QByteArray>("back");

        const auto row = [](const char* name, DWORD type, const QByteArray& data, const QByteArray& field,
                            const QByteArray& back = {}) { QTest::newRow(name) << int(type) << data << field << back; };
        row("sz up to its NUL", REG_SZ, QByteArray("ab\0c\0", 5), str("ab"), QByteArray("ab\0", 3));
        row("sz umlaut", REG_SZ, QByteArray("M\xC3\xBCller\0", 8), str("M\xFCller"));
        row("sz outside 1252", REG_SZ, QByteArray("\xCE\xA9\0", 3), str("\xCE\xA9"));
        row("dword", REG_DWORD, le(5), le(5));
        row("expand with NUL", REG_EXPAND_SZ, QByteArray("%P%\xC3\xA4\0", 6), str(QByteArray("%P%\xE4\0", 5)));
        row("multi euro", REG_MULTI_SZ, QByteArray("\xE2\x82\xAC\0\0", 5), str(QByteArray("\x80\0\0", 3)));
        row("multi outside 1252", REG_MULTI_SZ, QByteArray("\xCE\xA9\0\0", 4), str(QByteArray("\xCE\xA9\0\0", 4)));
        row("binary never converted", REG_BINARY, QByteArray("\xC3\xA4"), str("\xC3\xA4"));
        row("none empty", REG_NONE, QByteArray(), str(""));
    }

    void valueData()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, field);
        QFETCH(QByteArray, back);

        TRegValue value;
        QVERIFY(ValueFromBytes(DWORD(type), data, value));
        const StoredKey key{u"HKEY_USERS"_s, {}, {{u"v"_s, value}}};
        const QByteArray bytes = written([&key](AnalysisFileWriter& writer) { writer.writeKey(key); });
        QCOMPARE(bytes, Magic + le(0) + str("HKEY_USERS") + le(2) + str("v") + le(type) + field + le(3) + le(4));
        const ReadResult read = readAll(bytes);
        QVERIFY(read.ended);
        QCOMPARE(read.keys.at(0).values.at(0).value.DataType, DWORD(type));
        QCOMPARE(ValueToBytes(read.keys.at(0).values.at(0).value), back.isEmpty() ? data : back);
    }

    // A walk stopped inside a key: its end-of-key record still comes, and the file ends properly.
    // Offsets are those of the record that could not be read; keys before it are delivered.
    void damagedAnalysisFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<int>("keysBefore");

        const QByteArray keyEnd = KeyX + le(3); // 31 bytes: next record at 49
        const auto row = [](const char* name, const QByteArray& bytes, Kind kind, qint64 offset, int keys) {
            QTest::newRow(name) << bytes << int(kind) << offset << keys;
        };
        row("empty file", QByteArray(), Kind::NotAnalysisFile, 0, 0);
        row("registry file", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER]\r\n", Kind::NotAnalysisFile, 0, 0);
        row("lower-case identifier", Magic.toLower() + le(4), Kind::None, 0, 0);
        row("identifier only", Magic, Kind::NoEndTag, 18, 0);
        row("no end tag", Magic + keyEnd, Kind::NoEndTag, 49, 1);
        row("tag cut", Magic + keyEnd + "\4\0", Kind::CutOff, 49, 1);
        row("path cut", Magic + le(0) + le(19) + "HKEY_", Kind::BeyondEnd, 18, 0);
        row("negative length", Magic + le(0) + le(-1), Kind::NegativeLength, 18, 0);
        row("huge length", Magic + keyEnd + le(0) + le(0x7FFFFFFF) + "x", Kind::BeyondEnd, 49, 1);
        row("dword cut", Magic + KeyX + le(2) + str("a") + le(4) + "\5", Kind::CutOff, 45, 0);
        row("unknown tag", Magic + KeyX + le(-3), Kind::UnknownTag, 45, 0);
        row("value outside key", Magic + le(2) + str("a") + le(4) + le(1), Kind::MisplacedTag, 18, 0);
        row("key inside key", Magic + KeyX + KeyX + le(3) + le(4), Kind::MisplacedTag, 45, 0);
    }

    void damagedAnalysisFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(qint64, offset);

        const ReadResult read = readAll(bytes);
        QCOMPARE(int(read.error.kind), kind);
        QTEST(int(read.keys.size()), "keysBefore");
        QCOMPARE(read.ended, kind == int(Kind::None));
        const QString text = read.error.text(u"alt.rec"_s);
        if (kind == int(Kind::NotAnalysisFile))
            QCOMPARE(text, u"\"alt.rec\" ist keine Analysedatei."_s);
        else if (kind != int(Kind::None))
            QVERIFY2(text.startsWith(u"Die Datei \"alt.rec\" ist ab Byte %1 beschädigt: "_s.arg(offset)),
                     qPrintable(text));
    }

    void snapshot_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QByteArray>("records"); // after the identifier, before the end-of-file record

        QTest::newRow("key without subkeys and values") << QStringList{u"+K:"_s} << key("") + End;
        QTest::newRow("one DWORD") << QStringList{u"+V::a:4:5"_s} << key("") + le(2) + str("a") + le(4) + le(5) + End;
        // Names in case-insensitive order; each key is followed by its own subtree before its next sibling.
        QTest::newRow("subtree before sibling")
            << QStringList{u"+K:b"_s, u"+K:A\\z"_s, u"+K:a1"_s}
            << key("") + subKey("A") + subKey("a1") + subKey("b") + End + key("A") + subKey("z") + End + key("A\\z")
                   + End + key("a1") + End + key("b") + End;
        QTest::newRow("default value first, data by type")
            << QStringList{u"+V::y:1:x"_s, u"+V::B:3:\xC4|"_s, u"+V:::1:d"_s, u"+V::e:2:%P%|"_s}
            << key("") + le(2) + str("") + le(1) + str("d") + le(2) + str("B") + le(3) + str(QByteArray("\xC4\0", 2))
                   + le(2) + str("e") + le(2) + str(QByteArray("%P%\0", 4)) + le(2) + str("y") + le(1) + str("x") + End;
        // The subkey's name is stored with its parent; the key itself and its subtree are not.
        QTest::newRow("unreadable subkey") << QStringList{u"+K:A\\B"_s, u"!K:A"_s} << key("") + subKey("A") + End;
    }

    void snapshot()
    {
        QFETCH(QStringList, tree);
        QFETCH(QByteArray, records);
        QVERIFY(ChangeTestTree::apply(tree));
        NullProgress progress;
        QVERIFY(WriteAnalysisFileResult(file(u"a.rec"_s), T + u'\\', progress).ok());
        QCOMPARE(readFile(file(u"a.rec"_s)), Magic + records + le(4));
    }

    // Stopped at any step, the file ends with its end-of-file record, holds the first keys of the whole
    // snapshot, and a comparison reads it to its end.
    void cancelledSnapshotStaysValid()
    {
        QVERIFY(ChangeTestTree::apply(
            {u"+V:A:a:1:x"_s, u"+V:A:b:4:1"_s, u"+K:A\\S"_s, u"+K:A\\R"_s, u"+V:B:c:3:y"_s, u"+K:C"_s}));
        NullProgress whole;
        QVERIFY(WriteAnalysisFileResult(file(u"all.rec"_s), T, whole).ok());
        const ReadResult all = readAll(readFile(file(u"all.rec"_s)));
        QCOMPARE(all.keys.size(), 6);
        for (int step = 1;; ++step) {
            ScriptedProgress progress(step);
            const AnalysisWriteResult result = WriteAnalysisFileResult(file(u"part.rec"_s), T, progress);
            if (result.ok())
                break; // past the last step
            QCOMPARE(result.status, AnalysisWriteResult::Status::Cancelled);
            const QByteArray bytes = readFile(file(u"part.rec"_s));
            QVERIFY2(bytes.endsWith(le(4)), qPrintable(QString::number(step)));
            const ReadResult part = readAll(bytes);
            QVERIFY2(part.ended && part.keys.size() <= all.keys.size(), qPrintable(QString::number(step)));
            for (qsizetype i = 0; i < part.keys.size(); ++i)
                QCOMPARE(part.keys[i].path, all.keys[i].path);
            ChangeList list;
            NullProgress again;
            QCOMPARE(CompareWithAnalysisFile(file(u"part.rec"_s), list, {}, again).status,
                     CompareOutcome::Status::Completed);
            QVERIFY(step < 200);
        }
        // No branch: every selected root key (here HKEY_LOCAL_MACHINE alone).
        NullProgress progress;
        QVERIFY(WriteAnalysisFileResult(file(u"lm.rec"_s), QString(), progress, 4).ok());
        const ReadResult read = readAll(readFile(file(u"lm.rec"_s)));
        QVERIFY(read.ended && !read.keys.isEmpty());
        QCOMPARE(read.keys.first().path, u"HKEY_LOCAL_MACHINE"_s);
        for (const StoredKey& stored : read.keys)
            QVERIFY(stored.path.startsWith(u"HKEY_LOCAL_MACHINE"_s));

        const QString missingFolder = file(u"nope/a.rec"_s);
        QCOMPARE(WriteAnalysisFileResult(missingFolder, T, progress).status, AnalysisWriteResult::Status::NotWritable);
        QVERIFY(!QFile::exists(missingFolder));
        QCOMPARE(WriteAnalysisFileResult(m_fixture.store->storePath(), T, progress).status,
                 AnalysisWriteResult::Status::NotWritable);
    }

    // The tree below T before the snapshot: T\A with a default value, "a" and the subkey S with the DWORD
    // "s"; T\B with "v". Then the changes, the flags and exclusions, and the entries: comment, value column,
    // key column below T, and image, ChangeKind and the stored value's type.
    // The changes are made before the comparison, or (during) once it has read the live branch at the
    // first stored key and compared T: what changes before a key's turn comes is still seen.
    void compare_data()
    {
        QTest::addColumn<QStringList>("changes");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QStringList>("exclusions");
        QTest::addColumn<bool>("during");
        QTest::addColumn<QStringList>("expected");

        const QStringList none;
        QTest::addColumn<int>("cancelAt"); // the step whose cancel ends the comparison, 0: none
        const auto row = [](const char* name, const QStringList& changes, int flags, const QStringList& exclusions,
                            const QStringList& expected, bool during = false, int cancelAt = 0) {
            QTest::newRow(name) << changes << flags << exclusions << during << expected << cancelAt;
        };
        row("unchanged", none, 63, none, none);
        const QStringList gone{"Schlüssel wurde entfernt||\\A|1 1 0",
                               "Standardwert wurde entfernt|(Standard)|\\A|5 4 1",
                               "Wert wurde entfernt|a|\\A|5 4 1", "Schlüssel wurde entfernt||\\A\\S|1 1 0",
                               "Wert wurde entfernt|s|\\A\\S|6 4 4"};
        row("deleted key with subkeys and values, options off", {"-K:A"}, 0, none, gone);
        const QStringList excludeA{"3HKEY_CURRENT_USER\\T\\A"};
        row("deleted key excluded with its subkeys", {"-K:A"}, 32, excludeA, none);
        const QStringList removedB{"Schlüssel wurde entfernt||\\B|1 1 0", "Wert wurde entfernt|v|\\B|5 4 1"};
        row("unreadable key reported as removed", {"!K:B"}, 15, none, removedB);
        const QStringList renamed{"Wert wurde entfernt|a|\\A|5 4 1", "Wert wurde erstellt|b|\\A|5 8 0"};
        row("renamed value", {"-V:A:a", "+V:A:b:1:x"}, 15, none, renamed);
        row("name case only, data case", {"-V:A:a", "+V:A:A:1:X"}, 15, none, {"Daten wurden geändert|A|\\A|5 16 1"});
        row("sz to expand with the same text", {"+V:B:v:2:y|"}, 15, none, {"Typ wurde geändert|v|\\B|5 32 1"});
        row("dword to binary", {"+V:A\\S:s:3:x"}, 15, none, {"Typ wurde geändert|s|\\A\\S|7 32 4"});
        row("removed default value", {"-V:A:"}, 15, none, {"Standardwert wurde entfernt|(Standard)|\\A|5 4 1"});
        row("created default value", {"+V:B::4:1"}, 15, none, {"Standardwert wurde erstellt|(Standard)|\\B|6 8 0"});
        const QStringList mixed{"-V:A:a", "+V:A:b:1:x", "+V:A\\S:s:3:x", "+V:B:v:1:z", "+K:A\\N"};
        row("only data", mixed, 4, none, {"Daten wurden geändert|v|\\B|5 16 1"});
        row("options off", mixed, 0, none, none);
        const QStringList onlyA{"1HKEY_CURRENT_USER\\T\\A"};
        const QStringList createdN{"Schlüssel wurde erstellt||\\A\\N|1 2 0"};
        row("key excluded, not its subkey", {"-V:A:a", "+V:A:b:1:x", "+K:A\\N"}, 47, onlyA, createdN);
        row("exclusion switched off", {"-V:A:a", "+V:A:b:1:x", "+K:A\\N"}, 15, onlyA, renamed + createdN);
        const QStringList newKey{"+V:N:n2:4:1", "+V:N:n1:1:x", "+V:N\\M:m:3:y"};
        row("new key alone", newKey, 15, none, {"Schlüssel wurde erstellt||\\N|1 2 0"});
        const QStringList newKeyFully{"Schlüssel wurde erstellt||\\N|1 2 0", "Wert wurde erstellt|n1|\\N|5 8 0",
                                      "Wert wurde erstellt|n2|\\N|6 8 0"};
        row("new key fully", newKey, 31, none,
            newKeyFully
                + QStringList{"Schlüssel wurde erstellt||\\N\\M|1 2 0", "Wert wurde erstellt|m|\\N\\M|7 8 0"});
        row("new key fully, its subkey excluded", newKey, 63, {"1HKEY_CURRENT_USER\\T\\N\\M"}, newKeyFully);
        row("during: value deleted", {"-V:A:a"}, 15, none, {"Wert wurde entfernt|a|\\A|5 4 1"}, true);
        row("during: data changed", {"+V:A\\S:s:4:2"}, 15, none, {"Daten wurden geändert|s|\\A\\S|6 16 4"}, true);
        row("during: key deleted", {"-K:B"}, 15, none, removedB, true);
        row("during: key made unreadable", {"!K:B"}, 15, none, removedB, true);
        row("during: subkey created", {"+K:A\\N"}, 15, none, createdN, true);
        row("during: key deleted and made again", {"-K:B", "+V:B:v:1:z"}, 15, none,
            {"Daten wurden geändert|v|\\B|5 16 1"}, true);
        // A cancel between keys ends the comparison with the entries found so far: T and T\A are compared.
        row("cancelled", {"-V:A:a", "-V:B:v"}, 15, none, {"Wert wurde entfernt|a|\\A|5 4 1"}, false, 3);
    }

    void compare()
    {
        QFETCH(QStringList, changes);
        QFETCH(bool, during);
        QVERIFY(ChangeTestTree::apply({u"+V:A::1:d"_s, u"+V:A:a:1:x"_s, u"+V:A\\S:s:4:1"_s, u"+V:B:v:1:y"_s}));
        NullProgress whole;
        QVERIFY(WriteAnalysisFileResult(file(u"t.rec"_s), T, whole).ok());
        bool applied = !during && ChangeTestTree::apply(changes);
        QFETCH(int, cancelAt);
        ScriptedProgress progress(cancelAt);
        progress.setOnStep([&](int step) {
            if (during && step == 2) // T is compared, T\A is next
                applied = ChangeTestTree::apply(changes);
        });
        ChangeList list(QLocale(QLocale::German, QLocale::Germany));
        CompareOptions options;
        QFETCH(int, flags);
        QFETCH(QStringList, exclusions);
        options.flags = flags;
        options.exclusions = exclusions;
        QCOMPARE(CompareWithAnalysisFile(file(u"t.rec"_s), list, options, progress).status,
                 cancelAt ? CompareOutcome::Status::Cancelled : CompareOutcome::Status::Completed);
        QVERIFY(applied);
        QTEST(entries(list), "expected");
    }

    void toolSnapshot_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("rc");
        QTest::addColumn<QByteArray>("begin"); // the file's first bytes, empty: no file
        QTest::addColumn<QString>("message");

        const QByteArray magic("KAVEN_COMPARE_FILE");
        // Short root names are written in full.
        QTest::newRow("short root name") << QStringList{"HKCU\\T\\", "@/a.rec"} << 0
                                         << magic + le(0) + str("HKEY_CURRENT_USER\\T") + le(3) + le(4) << QString();
        QTest::newRow("all selected root keys") << QStringList{"all", "@/a.rec"} << 0
                                                << magic + le(0) + str("HKEY_CLASSES_ROOT") << QString();
        QTest::newRow("key that does not open")
            << QStringList{"HKCU\\Nichts", "@/a.rec"} << 1 << QByteArray()
            << "Fehler: Der Schlüssel HKEY_CURRENT_USER\\Nichts kann nicht geöffnet";
        QTest::newRow("unknown root") << QStringList{"HKXX\\T", "@/a.rec"} << 1 << QByteArray()
                                      << "Fehler: Ungültiger Schlüsselname.";
        QTest::newRow("folder missing") << QStringList{"HKCU\\T", "@/no/a.rec"} << 1 << QByteArray()
                                        << "Fehler: Kann Datei nicht speichern.";
        QTest::newRow("no file named") << QStringList{"HKCU\\T"} << 1 << QByteArray() << "Aufruf:";
    }

    void toolSnapshot()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, begin);
        QVERIFY(ChangeTestTree::apply(u"+K:"_s));
        args.replaceInStrings(u"@"_s, m_fixture.store->dirPath());
        const ToolRun run = runTool(QStringList{u"snapshot"_s} + args);
        QTEST(run.rc, "rc");
        QVERIFY(run.out.isEmpty());
        QFETCH(QString, message);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        const QStringList written = QDir(m_fixture.store->dirPath()).entryList({u"*.rec"_s}, QDir::Files);
        QCOMPARE(written.size(), begin.isEmpty() ? 0 : 1);
        if (!begin.isEmpty())
            QVERIFY(readFile(file(written.first())).startsWith(begin));
    }

    // T holds "a" = "x" and the subkey S with "s" = 1 when the snapshot @/t.rec is taken; then "a" is
    // changed and T\N created. Damaged files are cut from a copy of @/t.rec.
    void toolCompare_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("input"); // "", or how @/in.rec is made: "cut N", "bytes ..."
        QTest::addColumn<int>("rc");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("message");

        const QString changed = "Daten wurden geändert\ta\tHKEY_CURRENT_USER\\T\n";
        const QString created = "Schlüssel wurde erstellt\t\tHKEY_CURRENT_USER\\T\\N\n";
        const QString none;
        QTest::newRow("changes") << QStringList{"@/t.rec"} << none << 2 << changed + created << none;
        QTest::newRow("data only") << QStringList{"@/t.rec", "/m", "4"} << none << 2 << changed << none;
        QTest::newRow("keys only, unchanged") << QStringList{"@/t.rec", "/M", "1", "/x"} << none << 0 << none << none;
        QTest::newRow("excluded") << QStringList{"@/t.rec", "/x"} << none << 0 << none << none;
        for (const char* bad : {"0", "64", "15x", ""})
            QTest::newRow(qPrintable(u"flags "_s + QLatin1String(bad)))
                << (QStringList{"@/t.rec", "/m"} << (*bad ? QStringList{QLatin1String(bad)} : QStringList{})) << none
                << 1 << none << "Aufruf:";
        QTest::newRow("two files") << QStringList{"@/t.rec", "@/t.rec"} << none << 1 << none << "Aufruf:";
        QTest::newRow("missing file") << QStringList{"@/fehlt.rec"} << none << 1 << none
                                      << "Fehler: Kann Datei nicht öffnen.";
        QTest::newRow("no analysis file") << QStringList{"@/in.rec"} << "bytes REGEDIT4" << 1 << none
                                          << "ist keine Analysedatei.";
        // 18 + key T (4+4+19) + subkey S (4+4+1) + value a (4+4+1+4+4+1) + end (4) = 76: the key T\S begins
        // there and is cut inside its path; its value and end make 50 more bytes, the end of file follows.
        QTest::newRow("cut in the second key")
            << QStringList{"@/in.rec"} << "cut 90" << 1 << changed + created
            << "ab Byte 76 beschädigt: die Länge 21 reicht über das Dateiende hinaus.";
        QTest::newRow("cut before the end record") << QStringList{"@/in.rec"} << "cut -4" << 1 << changed + created
                                                   << "ab Byte 126 beschädigt: die Endekennung fehlt.";
        QTest::newRow("negative length")
            << QStringList{"@/in.rec"} << "bytes KAVEN_COMPARE_FILE\\0\\0\\0\\0\\xff\\xff\\xff\\xff" << 1 << none
            << "ab Byte 18 beschädigt: negative Länge -1.";
    }

    void toolCompare()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, input);
        QVERIFY(ChangeTestTree::apply({u"+V::a:1:x"_s, u"+V:S:s:4:1"_s}));
        QVERIFY(runTool({u"snapshot"_s, u"HKCU\\T"_s, file(u"t.rec"_s)}).rc == 0);
        QVERIFY(ChangeTestTree::apply({u"+V::a:1:y"_s, u"+K:N"_s}));
        // The exclusion list of the per-user data folder (no "DataPath" is set).
        QVERIFY(QDir().mkpath(m_fixture.store->dirPath() + u"/kaven"_s));
        QVERIFY(writeFile(m_fixture.store->dirPath() + u"/kaven/excl.dat"_s, "3HKEY_CURRENT_USER\\T\r\n"));
        const QByteArray whole = readFile(file(u"t.rec"_s));
        const int cut = input.startsWith(u"cut "_s) ? input.mid(4).toInt() : 0; // below 0: bytes off the end
        if (cut != 0)
            QVERIFY(writeFile(file(u"in.rec"_s), cut > 0 ? whole.left(cut) : whole.chopped(-cut)));
        else if (input.startsWith(u"bytes "_s))
            QVERIFY(writeFile(file(u"in.rec"_s), QByteArray::fromPercentEncoding(
                                                     input.mid(6).replace(u"\\0"_s, u"%00"_s).replace(u"\\x"_s, u"%"_s)
                                                         .toLatin1())));
        args.replaceInStrings(u"@"_s, m_fixture.store->dirPath());
        // Every run also writes its list: what it printed, as a change list file.
        const ToolRun run = runTool(QStringList{u"compare"_s} + args + QStringList{u"/o"_s, file(u"out.txt"_s)});
        QFETCH(QString, message);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QTEST(run.rc, "rc");
        QTEST(run.out, "out");
        const QByteArray saved = readFile(file(u"out.txt"_s));
        if (run.rc == 1 && run.out.isEmpty())
            return; // refused before the comparison: nothing else to see
        QVERIFY(saved.startsWith("KAVEN_COMPARE_BACKUP_FILE"));
        QCOMPARE(saved.count("HKEY_CURRENT_USER\\T"), 2 * run.out.count(u'\n')); // key column and KeyPath
    }

private:
    QString file(const QString& name) const { return m_fixture.store->dirPath() + u'/' + name; }
    RegTestKeys::StoreFixture m_fixture;
};

QTEST_GUILESS_MAIN(TestChangeWalks)
#include "TestChangeWalks.moc"
