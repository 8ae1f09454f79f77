#include "FileBytes.h"
#include "changes/ChangeListFile.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using Kind = ChangeFileError::Kind;

namespace {

const QLocale German(QLocale::German, QLocale::Germany);
const QString HKCU = u"HKEY_CURRENT_USER\\"_s;
const QByteArray Magic("KAVEN_COMPARE_BACKUP_FILE");

TRegValue value(DWORD type, const QString& text, DWORD number, const QByteArray& data)
{
    TRegValue v;
    v.DataType = type;
    v.StringData = text;
    v.DWordData = number;
    v.BinaryData = data;
    return v;
}

int add(ChangeList& list, const QString& comment, const QString& name, int image, const QString& key,
        qint32 kind = ChangeKinds::ValueCreated, const TRegValue& old = {})
{
    return list.AddChangeEntry(comment, name, {kind, HKCU + key, name, old}, image, HKCU + key);
}

// Rows 0 to 6 in this order: created key, removed key, created value "a" (string), removed default
// value (DWORD), changed default data (binary), changed type "b" (string), changed data "c" (DWORD).
ChangeList markingList()
{
    ChangeList list(German);
    add(list, u"Daten wurden geändert"_s, u"c"_s, 6, u"7"_s);
    add(list, u"Schlüssel wurde entfernt"_s, QString(), 1, u"2"_s, ChangeKinds::KeyRemoved);
    add(list, u"Typ wurde geändert"_s, u"b"_s, 5, u"6"_s);
    add(list, u"Wert wurde entfernt"_s, QString(), 6, u"4"_s, ChangeKinds::ValueRemoved);
    add(list, u"Schlüssel wurde erstellt"_s, QString(), 1, u"1"_s, ChangeKinds::KeyCreated);
    add(list, u"Daten wurden geändert"_s, QString(), 7, u"5"_s, ChangeKinds::DataChanged);
    add(list, u"Wert wurde erstellt"_s, u"a"_s, 5, u"3"_s);
    return list;
}

QList<int> marked(const ChangeList& list)
{
    QList<int> rows;
    for (int i = 0; i < list.size(); ++i) {
        if (list.rows()[std::size_t(i)].selected)
            rows << i;
    }
    return rows;
}

QByteArray createdKeyEntry(const QByteArray& key)
{
    return le(1) + str("Schl\xFCssel wurde erstellt") + str("") + str(key) + le(2) + str(key) + str("") + le(0)
           + le(0);
}

} // namespace

class TestChangeList : public QObject {
    Q_OBJECT

private slots:
    void defaultValueRule_data();
    void defaultValueRule();
    void sortedOrder();
    void marking_data();
    void marking();
    void rowCommands();
    void fileBytes();
    void fileRoundTrip();
    void damagedFiles_data();
    void damagedFiles();
    void unwritableAndMissing();
};

void TestChangeList::defaultValueRule_data()
{
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shownComment");
    QTest::addColumn<QString>("shownValue");

    QTest::newRow("created") << u"Wert wurde erstellt"_s << QString() << u"Standardwert wurde erstellt"_s
                             << u"(Standard)"_s;
    QTest::newRow("data") << u"Daten wurden geändert"_s << QString() << u"Standarddaten wurden geändert"_s
                          << u"(Standard)"_s;
    QTest::newRow("type") << u"Typ wurde geändert"_s << QString() << u"Standardtyp wurde geändert"_s
                          << u"(Standard)"_s;
    QTest::newRow("key entry") << u"Schlüssel wurde erstellt"_s << QString() << u"Schlüssel wurde erstellt"_s
                               << QString();
    QTest::newRow("named value") << u"Wert wurde erstellt"_s << u"Wert"_s << u"Wert wurde erstellt"_s << u"Wert"_s;
    QTest::newRow("saved default row") << u"Standardwert wurde entfernt"_s << u"(Standard)"_s
                                       << u"Standardwert wurde entfernt"_s << u"(Standard)"_s;
}

void TestChangeList::defaultValueRule()
{
    QFETCH(QString, comment);
    QFETCH(QString, name);
    QFETCH(QString, shownComment);
    QFETCH(QString, shownValue);

    ChangeList list(German);
    add(list, comment, name, 5, u"K"_s);
    const ChangeRow& row = list.rows().at(0);
    QCOMPARE(row.comment, shownComment);
    QCOMPARE(row.valueText, shownValue);
    QCOMPARE(row.record.ValueName, name);
}

// German collation with case: lower before upper, "ä" after "A", "Ä" before "a\Sub" before "B"; equal rows
// keep the order they came in.
void TestChangeList::sortedOrder()
{
    ChangeList list(German);
    const QStringList keys{u"B"_s, u"a\\Sub"_s, u"Ä"_s, u"A"_s, u"a"_s, u"ä"_s, u"a"_s};
    const QStringList values{u"x"_s, u""_s, u""_s, u""_s, u"y"_s, u""_s, u"y"_s};
    QList<int> indexes;
    for (int i = 0; i < keys.size(); ++i)
        indexes << add(list, u"Wert wurde erstellt%1"_s.arg(i), values[i], 5, keys[i]);
    QStringList shown;
    for (const ChangeRow& row : list.rows())
        shown << row.keyText.mid(HKCU.size()) + u'|' + row.valueText + row.comment.right(1);
    QCOMPARE(shown, (QStringList{u"a|y4"_s, u"a|y6"_s, u"A|(Standard)3"_s, u"ä|(Standard)5"_s,
                                 u"Ä|(Standard)2"_s, u"a\\Sub|(Standard)1"_s, u"B|x0"_s}));
    QCOMPARE(indexes.last(), 1); // the index the row took when it was added
}

void TestChangeList::marking_data()
{
    QTest::addColumn<int>("mark");
    QTest::addColumn<QList<int>>("rows");

    QTest::newRow("keys") << int(ChangeMark::AllKeys) << QList<int>{0, 1};
    QTest::newRow("added keys") << int(ChangeMark::AddedKeys) << QList<int>{0};
    QTest::newRow("removed keys") << int(ChangeMark::RemovedKeys) << QList<int>{1};
    QTest::newRow("values") << int(ChangeMark::AllValues) << QList<int>{2, 3};
    QTest::newRow("added values") << int(ChangeMark::AddedValues) << QList<int>{2};
    QTest::newRow("removed values") << int(ChangeMark::RemovedValues) << QList<int>{3};
    QTest::newRow("changed data") << int(ChangeMark::ChangedData) << QList<int>{4, 6};
}

void TestChangeList::marking()
{
    QFETCH(int, mark);
    QFETCH(QList<int>, rows);

    ChangeList list = markingList();
    list.MarkAll();
    list.Mark(ChangeMark(mark));
    QCOMPARE(marked(list), rows);
}

void TestChangeList::rowCommands()
{
    ChangeList list = markingList();
    QCOMPARE(list.CountChanges().caption(), u"Eigenschaften Änderungen"_s);
    QCOMPARE(list.CountChanges().keys, 2);
    QCOMPARE(list.CountChanges().strings, 2);
    QCOMPARE(list.CountChanges().dwords, 2);
    QCOMPARE(list.CountChanges().binaries, 1);

    list.setSelected(2, true);
    list.setSelected(5, true);
    list.MarkDownwards();
    QCOMPARE(marked(list), (QList<int>{2, 3, 4, 5, 6}));
    list.InvertMarking();
    QCOMPARE(list.CountChanges().caption(), u"Eigenschaften Änderungen (Auswahl)"_s);
    QCOMPARE(list.CountChanges().values(), 0);
    QCOMPARE(list.RemoveMarked(), 2);
    QCOMPARE(list.rows().front().comment, u"Wert wurde erstellt"_s);
    QCOMPARE(list.CountChanges().values(), 5);
}

// A list whose only entry is a created key: its empty old value is two zero integers.
void TestChangeList::fileBytes()
{
    ChangeList list(German);
    add(list, u"Schlüssel wurde erstellt"_s, QString(), 1, u"Neu"_s, ChangeKinds::KeyCreated);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(ChangeListFile::write(buffer, list));
    QCOMPARE(bytes, Magic + createdKeyEntry("HKEY_CURRENT_USER\\Neu"));
}

void TestChangeList::fileRoundTrip()
{
    ChangeList list(German);
    add(list, u"Schlüssel wurde entfernt"_s, QString(), 1, u"Ω"_s, ChangeKinds::KeyRemoved);
    add(list, u"Wert wurde entfernt"_s, QString(), 5, u"S"_s, ChangeKinds::ValueRemoved,
        value(REG_SZ, u"Müller"_s, 0, {}));
    add(list, u"Daten wurden geändert"_s, u"d"_s, 6, u"S"_s, ChangeKinds::DataChanged, value(REG_DWORD, {}, 7, {}));
    add(list, u"Typ wurde geändert"_s, u"e"_s, 6, u"S"_s, ChangeKinds::TypeChanged,
        value(REG_EXPAND_SZ, {}, 0, QByteArray("%P%\xC3\xA4\0", 6)));
    add(list, u"Wert wurde entfernt"_s, u"b"_s, 7, u"S"_s, ChangeKinds::ValueRemoved,
        value(REG_BINARY, {}, 0, QByteArray("\0\xFF", 2)));
    QTemporaryDir dir;
    const QString fileName = dir.filePath(u"liste.cbk"_s);
    QVERIFY(SaveChangeList(fileName, list));

    ChangeList loaded(German);
    add(loaded, u"Wert wurde erstellt"_s, u"alt"_s, 5, u"alt"_s);
    QVERIFY(!LoadChangeList(fileName, loaded).failed());
    QVERIFY(loaded.rows() == list.rows());
}

// Entries before a damaged one are kept; the offset is that of the damaged entry.
void TestChangeList::damagedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<int>("entries");

    const QByteArray entry = createdKeyEntry("HKEY_USERS\\X"); // 84 bytes
    const auto row = [](const char* name, const QByteArray& bytes, Kind kind, qint64 offset, int entries) {
        QTest::newRow(name) << bytes << int(kind) << offset << entries;
    };
    row("24 bytes", Magic.left(24), Kind::NotChangeList, 0, 0);
    row("analysis file", QByteArray("KAVEN_COMPARE_FILE") + le(4) + le(4), Kind::NotChangeList, 0, 0);
    row("identifier only", Magic, Kind::None, 0, 0);
    row("lower-case identifier", Magic.toLower() + entry, Kind::None, 0, 1);
    row("second entry cut", Magic + entry + entry.left(40), Kind::BeyondEnd, 109, 1);
    row("image cut", Magic + "\1\0", Kind::CutOff, 25, 0);
    row("negative length", Magic + le(1) + le(-5) + entry, Kind::NegativeLength, 25, 0);
    row("huge length", Magic + entry + le(1) + le(0x7FFFFFF0), Kind::BeyondEnd, 109, 1);
    row("dword cut", Magic + entry.chopped(8) + le(4) + "\1", Kind::CutOff, 25, 0);
}

void TestChangeList::damagedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    QFETCH(qint64, offset);
    QFETCH(int, entries);

    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    ChangeList list(German);
    const ChangeFileError error = ChangeListFile::read(buffer, list);
    QCOMPARE(int(error.kind), kind);
    QCOMPARE(list.size(), entries);
    if (error.refused())
        QCOMPARE(error.text(u"a.cbk"_s), u"Kann Datei nicht öffnen."_s);
    else if (error.failed())
        QCOMPARE(error.offset, offset);
}

void TestChangeList::unwritableAndMissing()
{
    QTemporaryDir dir;
    ChangeList list(German);
    QVERIFY(!SaveChangeList(dir.filePath(u"fehlt/liste.cbk"_s), list));
    QVERIFY(!QFile::exists(dir.filePath(u"fehlt"_s)));
    QCOMPARE(int(LoadChangeList(dir.filePath(u"keine.cbk"_s), list).kind), int(Kind::CannotOpen));
    QCOMPARE(ChangeListFileName(u"/tmp/a.b/liste.txt"_s), u"/tmp/a.b/liste.cbk"_s);
    QCOMPARE(ChangeListFileName(u"/tmp/a.b/liste"_s), u"/tmp/a.b/liste.cbk"_s);
}

QTEST_GUILESS_MAIN(TestChangeList)
#include "TestChangeList.moc"
