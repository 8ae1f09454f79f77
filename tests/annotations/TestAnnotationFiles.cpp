// The annotation files (notes, aliases, key structures, external tools): exact bytes, damaged input, and
// what they do against a real store.

#include "annotations/AliasFile.h"
#include "annotations/NoteFile.h"
#include "annotations/StructureFile.h"
#include "annotations/ToolsFile.h"
#include "registry/RegTestKeys.h"
#include "registry/RegUtils.h"
#include "support/LittleEndian.h"
#include "support/RecordingMessageSink.h"
#include "support/TestFiles.h"

#include <QtTest>

using namespace RegTestKeys;

Q_DECLARE_METATYPE(NoteFile::Status)
Q_DECLARE_METATYPE(ExternalTool)

namespace {

const QByteArray Header("\x58\x8B\0\0", 4);

const QString Run = QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");

QString letters(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QChar(u'a' + i % 26);
    return text;
}

const QString Target = QStringLiteral("HKEY_CURRENT_USER\\Ziel");

// Nodes from "level:name" items, every one without image numbers; a node has children when the next
// one is deeper.
Structure nodes(const QStringList& items)
{
    Structure s;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const int level = items[i].section(u':', 0, 0).toInt();
        const bool children = i + 1 < items.size() && items[i + 1].section(u':', 0, 0).toInt() > level;
        s.nodes.append({items[i].section(u':', 1), 0, 0, level, children, level == 0 && children});
    }
    return s;
}

QStringList items(const Structure& s)
{
    QStringList result;
    for (const StructureNode& n : s.nodes)
        result << QString::number(n.level) + u':' + n.name;
    return result;
}

} // namespace

class TestAnnotationFiles final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fixture.start());
        m_file = m_fixture.store->dirPath() + QStringLiteral("/memo.dat");
    }
    void cleanup() { m_fixture.stop(); }

    void noteFileBytes()
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(NoteFile::write({{3, "31.12.2004", "HKEY_CURRENT_USER\\Software", "Grün\r\n<B>x"},
                                 {0, "", "HKEY_USERS", ""}},
                                buffer));
        QCOMPARE(buffer.data(), Header + le32(2) + le32(3) + counted("31.12.2004")
                                    + counted("HKEY_CURRENT_USER\\Software") + counted("Gr\xFCn\r\n<B>x") + le32(0)
                                    + le32(0) + counted("HKEY_USERS") + le32(0));
    }

    void damagedNoteFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("notes");
        QTest::addColumn<NoteFile::Status>("status");
        const QByteArray one = le32(2) + counted("01.01.2001") + counted("HKEY_USERS\\A") + counted("Text");
        QTest::newRow("whole") << Header + le32(1) + one << 1 << NoteFile::Status::Read;
        QTest::newRow("empty file") << QByteArray() << 0 << NoteFile::Status::WrongIdentifier;
        QTest::newRow("other identifier") << le32(35673) + le32(1) + one << 0 << NoteFile::Status::WrongIdentifier;
        QTest::newRow("identifier cut") << Header.left(3) << 0 << NoteFile::Status::WrongIdentifier;
        QTest::newRow("no count") << Header << 0 << NoteFile::Status::Truncated;
        QTest::newRow("fewer notes than counted") << Header + le32(3) + one << 1 << NoteFile::Status::Truncated;
        QTest::newRow("huge count") << Header + le32(0xFFFFFFFF) + one << 1 << NoteFile::Status::Truncated;
        QTest::newRow("text cut") << Header + le32(2) + one + one.chopped(2) << 1 << NoteFile::Status::Truncated;
        QTest::newRow("huge string length") << Header + le32(1) + le32(0) + le32(0x7FFFFFF0) + "x" << 0
                                            << NoteFile::Status::Truncated;
        QTest::newRow("length beyond the end") << Header + le32(1) + le32(0) + le32(0) + le32(0) + le32(5) + "abcd" << 0
                                               << NoteFile::Status::Truncated;
    }

    void damagedNoteFiles()
    {
        QFETCH(QByteArray, bytes);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        const NoteFile::ReadResult result = NoteFile::read(buffer);
        QTEST(int(result.notes.size()), "notes");
        QTEST(result.status, "status");
    }

    // Keys differing in case share one note; notes sort by their dates.
    void notesByKeyAndDate()
    {
        RecordingMessageSink sink;
        QVERIFY(NoteFile::writeNote(m_file, {0, "01.02.2005", "HKEY_CURRENT_USER\\Software", "erste"}, sink));
        QVERIFY(NoteFile::writeNote(m_file, {0, "01.03.2005", "HKEY_USERS", "andere"}, sink));
        QVERIFY(NoteFile::writeNote(m_file, {3, "02.03.2005", "HKEY_CURRENT_USER\\SOFTWARE", "zweite"}, sink));
        const NoteFile::ReadResult read = NoteFile::load(m_file);
        QCOMPARE(read.notes.size(), 2);
        QCOMPARE(read.notes[0], (KeyNote{3, "02.03.2005", "HKEY_CURRENT_USER\\Software", "zweite"}));
        QCOMPARE(NoteFile::readNote(m_file, "hkey_current_user\\software", sink)->text, QStringLiteral("zweite"));
        QVERIFY(!NoteFile::readNote(m_file, "HKEY_CURRENT_USER\\Software\\X", sink));
        QCOMPARE(sink.count(), 0);
        QList<KeyNote> notes;
        for (const char* date : {"02.01.2005", "31.12.2004", "kein Datum", "15.06.2004", "01.01.2005"})
            notes.append({0, date, "HKEY_USERS", ""});
        NoteFile::sortByDate(notes);
        QStringList dates;
        for (const KeyNote& n : notes)
            dates << n.date;
        QCOMPARE(dates, (QStringList{"kein Datum", "15.06.2004", "31.12.2004", "01.01.2005", "02.01.2005"}));
    }

    void unreadableNoteFileIsKeptAside_data()
    {
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<int>("messages");
        QTest::newRow("another kind of file") << QByteArray("REGEDIT4\r\n[HKEY_USERS]\r\n") << 2;
        QTest::newRow("damaged end")
            << Header + le32(2) + le32(0) + counted("01.01.2001") + counted("HKEY_USERS\\A") + le32(9) << 0;
    }

    void unreadableNoteFileIsKeptAside()
    {
        QFETCH(QByteArray, old);
        QFETCH(int, messages);
        QVERIFY(writeFile(m_file, old));
        QVERIFY(writeFile(m_file + ".alt", "taken"));
        RecordingMessageSink sink;
        QVERIFY(!NoteFile::readNote(m_file, "HKEY_USERS", sink));
        QVERIFY(NoteFile::writeNote(m_file, {2, "01.01.2020", "HKEY_USERS", "neu"}, sink));
        QCOMPARE(sink.texts(), QStringList(messages, QStringLiteral("Fehler: Dateikennung nicht korrekt.")));
        QCOMPARE(readFile(m_file + ".alt2"), old);
        QCOMPARE(readFile(m_file + ".alt"), QByteArray("taken"));
        QCOMPARE(NoteFile::load(m_file).notes, (QList<KeyNote>{{2, "01.01.2020", "HKEY_USERS", "neu"}}));
    }

    void notePreviewMarkup_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("formatted");
        QTest::addColumn<QString>("markup");
        const QString bold = QStringLiteral("<B>fett</B>\r\nzweite Zeile");
        QTest::newRow("formatted: tags stay, breaks go") << bold << true << "<B>fett</B>zweite Zeile";
        QTest::newRow("plain: tags go, breaks stay") << bold << false << "fett<BR>zweite Zeile";
        QTest::newRow("plain: BR tag is a break") << "a<BR>b" << false << "a<BR>b";
        QTest::newRow("plain: a literal < stays literal") << "1 << 2\r\n<I>x" << false << "1 << 2<BR>x";
    }

    void notePreviewMarkup()
    {
        QFETCH(QString, text);
        QFETCH(bool, formatted);
        QTEST(NoteFile::previewMarkup(text, formatted), "markup");
    }

    void aliasLines_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("short") << "Run" << QByteArray("03Run") + Run.toLatin1() + "\r\n";
        QTest::newRow("umlaut, one byte") << "Bäume" << QByteArray("05B\xE4ume") + Run.toLatin1() + "\r\n";
        QTest::newRow("255 characters") << letters(255) << "FF" + letters(255).toLatin1() + Run.toLatin1() + "\r\n";
        QTest::newRow("longer ones cut") << letters(300) << "FF" + letters(255).toLatin1() + Run.toLatin1() + "\r\n";
    }

    void aliasLines()
    {
        QFETCH(QString, name);
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        QVERIFY(AliasFile::write({{name, Run}}, buffer));
        QTEST(buffer.data(), "line");
        buffer.seek(0);
        QCOMPARE(AliasFile::read(buffer), (QList<AliasEntry>{{name.left(255), Run}}));
    }

    void aliasResolves_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("path");
        QTest::newRow("alias") << "Run" << Run;
        QTest::newRow("alias in other case") << "rUN" << Run;
        QTest::newRow("first of two equal names") << "doppelt" << "HKEY_USERS";
        QTest::newRow("existing key wins over an alias")
            << "HKEY_CURRENT_USER\\Software" << "HKEY_CURRENT_USER\\Software";
        QTest::newRow("unknown text stays") << "Nirgends" << "Nirgends";
    }

    void aliasResolves()
    {
        QFETCH(QString, typed);
        QVERIFY(makeKey(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run")));
        const QList<AliasEntry> aliases{{"HKEY_CURRENT_USER\\Software", "HKEY_USERS\\.DEFAULT"},
                                        {"Run", Run},
                                        {"Doppelt", "HKEY_USERS"},
                                        {"doppelt", "HKEY_LOCAL_MACHINE"}};
        QTEST(AliasFile::resolve(aliases, typed, KeyExists), "path");
    }

    void setAliasReplacesLineInPlace()
    {
        QList<AliasEntry> aliases{{"a", "HKEY_USERS\\A"}, {"b", "HKEY_USERS\\B"}, {"c", "HKEY_USERS\\C"}};
        AliasFile::setAlias(aliases, "hkey_users\\b", "neu");
        AliasFile::setAlias(aliases, "HKEY_USERS\\D", "d");
        QCOMPARE(aliases, (QList<AliasEntry>{{"a", "HKEY_USERS\\A"},
                                             {"neu", "hkey_users\\b"},
                                             {"c", "HKEY_USERS\\C"},
                                             {"d", "HKEY_USERS\\D"}}));
        QCOMPARE(AliasFile::indexOfKey(aliases, "HKEY_USERS\\C"), 2);
        QCOMPARE(AliasFile::indexOfKey(aliases, "HKEY_USERS"), -1);
    }

    // A structure file's exact bytes; the names a structure may have.
    void structureFileAndNames()
    {
        Structure s{2, {{"Root-Schlüssel", 0, 0, 0, true, true},
                        {"Software", 1, 2, 1, true, false},
                        {"Ä", 0x1F, 0xAB, 2, false, true}}};
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        QVERIFY(StructureFile::write(s, buffer));
        // Expanded stays 00 for a node without children.
        QCOMPARE(buffer.data(), QByteArray("00000002\r\n0000000101Root-Schl\xFCssel\r\n"
                                           "0102010100Software\r\n1FAB020000\xC4\r\n"));
        buffer.seek(0);
        s.nodes[2].expanded = false;
        QCOMPARE(StructureFile::read(buffer), s);
        QVERIFY(StructureFile::isValidName(QStringLiteral("Meine Struktur.v2")));
        QVERIFY(!StructureFile::isValidName(QString()));
        for (QChar bad : QStringLiteral("\\/:*?\"<>|"))
            QVERIFY2(!StructureFile::isValidName(QStringLiteral("a") + bad + u'b'), qPrintable(QString(bad)));
    }

    void damagedStructureFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("empty") << QByteArray() << 0 << QStringList();
        QTest::newRow("header only, no line end") << QByteArray("0000000A") << 10 << QStringList();
        QTest::newRow("bad header") << QByteArray("zz\r\n0000000000A\r\n") << 0 << QStringList{"A"};
        QTest::newRow("position beyond int") << QByteArray("FFFFFFFF\r\n0000000000A\r\n") << 0 << QStringList{"A"};
        QTest::newRow("short and bad lines skipped")
            << QByteArray("00000000\r\n000000000\r\n00000100xxB\r\n00 0000000C\r\n+1000000D\r\n\r\n0000010000E\n")
            << 0 << QStringList{"E"};
        QTest::newRow("empty name kept") << QByteArray("00000001\r\n0000000000\r\n") << 1 << QStringList{""};
    }

    void damagedStructureFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, selected);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        const Structure s = StructureFile::read(buffer);
        QCOMPARE(s.selected, selected);
        QStringList read;
        for (const StructureNode& n : s.nodes)
            read << n.name;
        QTEST(read, "names");
    }

    void parentsFollowLevels_data()
    {
        QTest::addColumn<QList<int>>("levels");
        QTest::addColumn<QList<int>>("parents");
        QTest::newRow("A/B/C/D") << QList<int>{0, 1, 2, 2, 1} << QList<int>{-1, 0, 1, 1, 0};
        QTest::newRow("back two levels") << QList<int>{0, 1, 2, 3, 1, 2} << QList<int>{-1, 0, 1, 2, 0, 4};
        QTest::newRow("jump down two") << QList<int>{0, 1, 3, 2} << QList<int>{-1, 0, 1, 1};
        QTest::newRow("second top node") << QList<int>{0, 1, 0} << QList<int>{-1, 0, -1};
        QTest::newRow("first node deep") << QList<int>{3, 4, 1} << QList<int>{-1, 0, -1};
    }

    void parentsFollowLevels()
    {
        QFETCH(QList<int>, levels);
        QList<StructureNode> list;
        for (int level : levels)
            list.append({"n", 0, 0, level, false, false});
        QTEST(StructureFile::parentIndices(list), "parents");
    }

    void appliesBelowTargetKey_data()
    {
        QTest::addColumn<QStringList>("structure");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("created"); // the target's subkey tree afterwards
        QTest::newRow("A/B/C/D") << QStringList{"0:Root-Schlüssel", "1:A", "2:B", "2:C", "1:D"} << 4
                                 << QStringList{"1:A", "2:B", "2:C", "1:D"};
        QTest::newRow("back two levels") << QStringList{"0:R", "1:A", "2:B", "3:C", "1:D", "2:E"} << 5
                                         << QStringList{"1:A", "2:B", "3:C", "1:D", "2:E"};
        QTest::newRow("root only") << QStringList{"0:Root-Schlüssel"} << 0 << QStringList();
        QTest::newRow("bad names skipped with what lies below")
            << QStringList{"0:R", "1:", "2:unter", "1:a\\b", "1:gut"} << 4 << QStringList{"1:gut"};
    }

    // existingKeysAndReadStructure() shows that the key structure is read as made; here it observes what apply
    // made.
    void appliesBelowTargetKey()
    {
        QFETCH(QStringList, structure);
        QVERIFY(makeKey(QStringLiteral("Ziel")));
        QTEST(StructureFile::apply(nodes(structure), Target), "count");
        QTEST(items(StructureFile::readKeyStructure(Target)).mid(1), "created");
    }

    // Existing keys stay and count; a key structure read from the registry rebuilds its tree elsewhere.
    void existingKeysAndReadStructure()
    {
        QVERIFY(setValue(QStringLiteral("Ziel\\A"), QStringLiteral("wert"), REG_SZ, QByteArray("x\0", 2)));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("s.rst"));
        QVERIFY(StructureFile::save(nodes({"0:Root-Schlüssel", "1:a", "2:B", "1:D"}), file));
        QCOMPARE(StructureFile::apply(file, Target), 3);
        QCOMPARE(StructureFile::apply(file, Target), 3);
        QCOMPARE(subKeys(QStringLiteral("Ziel")), (QStringList{"A", "D"}));
        QCOMPARE(subKeys(QStringLiteral("Ziel\\A")), QStringList{"B"});
        QCOMPARE(value(QStringLiteral("Ziel\\A"), QStringLiteral("wert")).second, QByteArray("x\0", 2));
        QCOMPARE(StructureFile::apply(dir.filePath(QStringLiteral("fehlt.rst")), Target), 0);
        for (const char* key : {"Quelle\\B\\B1", "Quelle\\A\\A2", "Quelle\\A\\A1\\tief", "Quelle\\C"})
            QVERIFY(makeKey(QString::fromLatin1(key)));
        const Structure read = StructureFile::readKeyStructure(QStringLiteral("HKEY_CURRENT_USER\\Quelle"));
        QCOMPARE(items(read), (QStringList{"0:Root-Schlüssel", "1:A", "2:A1", "3:tief", "2:A2", "1:B", "2:B1", "1:C"}));
        QList<bool> children;
        for (const StructureNode& n : read.nodes)
            children << n.hasChildren;
        QCOMPARE(children, (QList<bool>{true, true, true, false, false, true, false, false}));
        QVERIFY(read.nodes[0].expanded);
        // Applied elsewhere, it rebuilds the same tree.
        QCOMPARE(StructureFile::apply(read, Target + u'2'), 7);
        QCOMPARE(items(StructureFile::readKeyStructure(Target + u'2')), items(read));
        QVERIFY(StructureFile::readKeyStructure(QStringLiteral("HKEY_CURRENT_USER\\Fehlt")).nodes.isEmpty());
    }

    void toolLines_data()
    {
        QTest::addColumn<ExternalTool>("tool");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("editor") << ExternalTool{"Editor", "C:/Windows/notepad.exe", "/p"}
                                << QByteArray("06EditorC:\\Windows\\notepad.exe//p");
        QTest::newRow("program of this system") << ExternalTool{"Rechner", "/usr/bin/calc", "-x /tmp/a b"}
                                                << QByteArray("07Rechner\\usr\\bin\\calc/-x /tmp/a b");
        QTest::newRow("no parameters") << ExternalTool{"Leer", "prog", ""} << QByteArray("04Leerprog/");
        QTest::newRow("slash in name") << ExternalTool{"a/b", "prog", "x/y"} << QByteArray("03a/bprog/x/y");
        QTest::newRow("umlaut") << ExternalTool{"Größe", "p", "ä"} << QByteArray("05Gr\xF6\xDF" "ep/\xE4");
        QTest::newRow("name of 255") << ExternalTool{QString(255, u'n'), "p", ""} << "FF" + QByteArray(255, 'n') + "p/";
        QTest::newRow("longer name cut")
            << ExternalTool{QString(300, u'n'), "p", ""} << "FF" + QByteArray(255, 'n') + "p/";
    }

    void toolLines()
    {
        QFETCH(ExternalTool, tool);
        QFETCH(QByteArray, line);
        QCOMPARE(ToolsFile::encodeLine(tool), line);
        ExternalTool read;
        QVERIFY(ToolsFile::decodeLine(line, read));
        tool.name = tool.name.left(255);
        QCOMPARE(read, tool);
    }

    void toolFileSkipsBadLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("tools");
        QTest::newRow("good") << QByteArray("01ap/\r\n02bbq/x\r\n") << 2;
        QTest::newRow("no slash") << QByteArray("01apath\r\n") << 0;
        QTest::newRow("prefix not hex") << QByteArray("0Gap/\r\n+1ap/\r\n 1ap/\r\n") << 0;
        QTest::newRow("name beyond the line") << QByteArray("FFap/\r\n") << 0;
        QTest::newRow("cut and empty lines") << QByteArray("\r\n\r\n0") << 0;
        QTest::newRow("bare LF and no end") << QByteArray("01ap/\n01bq/") << 2;
    }

    void toolFileSkipsBadLines()
    {
        QFETCH(QByteArray, bytes);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QTEST(int(ToolsFile::read(buffer).size()), "tools");
    }

    void splitsParametersAsAShell_data()
    {
        QTest::addColumn<QString>("parameters");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("empty") << "" << QStringList();
        QTest::newRow("blanks") << "  -a\t b  " << QStringList{"-a", "b"};
        QTest::newRow("double quotes") << "\"mit Leer zeichen\" x" << QStringList{"mit Leer zeichen", "x"};
        QTest::newRow("single quotes literal") << "'a\\b \"c\"'" << QStringList{"a\\b \"c\""};
        QTest::newRow("escapes in double quotes") << "\"\\\"\\\\\\$\\a\"" << QStringList{"\"\\$\\a"};
        QTest::newRow("backslash outside quotes") << "a\\ b \\'c" << QStringList{"a b", "'c"};
        QTest::newRow("quotes join a word") << "pre\"fix \"'post'" << QStringList{"prefix post"};
        QTest::newRow("empty quoted word") << "\"\" ''" << QStringList{"", ""};
        QTest::newRow("nothing expanded") << "$HOME `id` ; | *" << QStringList{"$HOME", "`id`", ";", "|", "*"};
        QTest::newRow("unclosed quote runs to the end") << "\"a b" << QStringList{"a b"};
        QTest::newRow("trailing backslash") << "a\\" << QStringList{"a\\"};
    }

    void splitsParametersAsAShell()
    {
        QFETCH(QString, parameters);
        QTEST(ToolsFile::splitParameters(parameters), "arguments");
    }

    void runsProgramWithoutShell()
    {
        const QString touch = QStandardPaths::findExecutable(QStringLiteral("touch"));
        if (touch.isEmpty())
            QSKIP("no touch program");
        QTemporaryDir dir;
        const QString parameters = QStringLiteral("'%1/mit Leerzeichen' %1/\\$HOME\\;x").arg(dir.path());
        QVERIFY(ToolsFile::run({"Anlegen", touch, parameters}));
        QTRY_VERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("$HOME;x"))));
        QTRY_VERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("mit Leerzeichen"))));
        QVERIFY(!ToolsFile::run({"Fehlt", dir.filePath(QStringLiteral("gibt es nicht")), ""}));
    }

private:
    StoreFixture m_fixture;
    QString m_file;
};

QTEST_GUILESS_MAIN(TestAnnotationFiles)
#include "TestAnnotationFiles.moc"
