#include "FileBytes.h"
#include "changes/ChangeListFile.h"
#include "changes/ChangeSearch.h"
#include "registry/RegValueUtils.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using Kind = ChangeFileError::Kind;

namespace {

const QLocale German(QLocale::German, QLocale::Germany);
const QString HKCU = u"HKEY_CURRENT_USER\\"_s;
const QByteArray Magic("KAVEN_COMPARE_BACKUP_FILE");

int add(ChangeList& list, const QString& comment, const QString& name, int image, const QString& key,
        qint32 kind = ChangeKinds::ValueCreated, const TRegValue& old = {})
{
    return list.AddChangeEntry(comment, name, {kind, HKCU + key, name, old}, image, HKCU + key);
}

TRegValue value(DWORD type, const QByteArray& data)
{
    TRegValue v;
    (void)ValueFromBytes(type, data, v);
    return v;
}

// Rows 0 to 6 in this order: created key, removed key, created value "a" (string), removed default
// value (DWORD), changed default data (binary), changed default type (string), changed data "c" (DWORD).
ChangeList markingList()
{
    ChangeList list(German);
    add(list, u"Daten wurden geändert"_s, u"c"_s, 6, u"7"_s);
    add(list, u"Schlüssel wurde entfernt"_s, QString(), 1, u"2"_s, ChangeKinds::KeyRemoved);
    add(list, u"Typ wurde geändert"_s, QString(), 5, u"6"_s);
    add(list, u"Wert wurde entfernt"_s, QString(), 6, u"4"_s, ChangeKinds::ValueRemoved);
    add(list, u"Schlüssel wurde erstellt"_s, QString(), 1, u"1"_s, ChangeKinds::KeyCreated);
    add(list, u"Daten wurden geändert"_s, QString(), 7, u"5"_s, ChangeKinds::DataChanged);
    add(list, u"Wert wurde erstellt"_s, u"a"_s, 5, u"3"_s);
    return list;
}

QByteArray createdKeyEntry(const QByteArray& key)
{
    return le(1) + str("Schl\xFCssel wurde erstellt") + str("") + str(key) + le(2) + str(key) + str("") + le(0) + le(0);
}

} // namespace

class TestChangeList : public QObject {
    Q_OBJECT

private slots:
    // Default-value entries, and the German order with case: lower before upper, "ä" after "A", "Ä" before
    // "a\Sub" before "B"; rows that order equal keep the order they came in.
    void rows()
    {
        const ChangeList marks = markingList();
        QStringList shown;
        for (const ChangeRow& row : marks.rows())
            shown << row.comment + u'|' + row.valueText + u'|' + row.record.ValueName;
        QCOMPARE(shown.mid(1, 5), (QStringList{u"Schlüssel wurde entfernt||"_s, u"Wert wurde erstellt|a|a"_s,
                                               u"Standardwert wurde entfernt|(Standard)|"_s,
                                               u"Standarddaten wurden geändert|(Standard)|"_s,
                                               u"Standardtyp wurde geändert|(Standard)|"_s}));

        ChangeList list(German);
        const QStringList keys{u"B"_s, u"a\\Sub"_s, u"Ä"_s, u"A"_s, u"a"_s, u"ä"_s, u"a"_s};
        const QStringList names{u"x"_s, u""_s, u""_s, u""_s, u"y"_s, u""_s, u"y"_s};
        int last = -1;
        for (int i = 0; i < keys.size(); ++i)
            last = add(list, u"Wert %1"_s.arg(i), names[i], 5, keys[i]);
        shown.clear();
        for (const ChangeRow& row : list.rows())
            shown << row.keyText.mid(HKCU.size()) + u'|' + row.valueText + row.comment.right(1);
        QCOMPARE(shown, (QStringList{u"a|y4"_s, u"a|y6"_s, u"A|(Standard)3"_s, u"ä|(Standard)5"_s,
                                     u"Ä|(Standard)2"_s, u"a\\Sub|(Standard)1"_s, u"B|x0"_s}));
        QCOMPARE(last, 1);
    }

    // Rows marked before the command, the command (a mark, or 7 downwards, 8 all, 9 invert), rows marked after.
    void marking_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("after");

        QTest::newRow("keys") << u"1111111"_s << int(ChangeMark::AllKeys) << u"1100000"_s;
        QTest::newRow("added keys") << u"1111111"_s << int(ChangeMark::AddedKeys) << u"1000000"_s;
        QTest::newRow("removed keys") << u"1111111"_s << int(ChangeMark::RemovedKeys) << u"0100000"_s;
        QTest::newRow("values") << u"1111111"_s << int(ChangeMark::AllValues) << u"0011000"_s;
        QTest::newRow("added values") << u"1111111"_s << int(ChangeMark::AddedValues) << u"0010000"_s;
        QTest::newRow("removed values") << u"1111111"_s << int(ChangeMark::RemovedValues) << u"0001000"_s;
        QTest::newRow("changed data") << u"1111111"_s << int(ChangeMark::ChangedData) << u"0000101"_s;
        QTest::newRow("downwards") << u"0010010"_s << 7 << u"0011111"_s;
        QTest::newRow("downwards, none marked") << u"0000000"_s << 7 << u"0000000"_s;
        QTest::newRow("all") << u"0001000"_s << 8 << u"1111111"_s;
        QTest::newRow("invert") << u"1001100"_s << 9 << u"0110011"_s;
    }

    void marking()
    {
        QFETCH(QString, before);
        QFETCH(int, command);
        QFETCH(QString, after);

        ChangeList list = markingList();
        for (int row = 0; row < before.size(); ++row)
            list.setSelected(row, before[row] == u'1');
        if (command == 7)
            list.MarkDownwards();
        else if (command == 8)
            list.MarkAll();
        else if (command == 9)
            list.InvertMarking();
        else
            list.Mark(ChangeMark(command));
        QString marks; // "1" for each marked row, "0" for the others
        for (const ChangeRow& row : list.rows())
            marks += row.selected ? u'1' : u'0';
        QCOMPARE(marks, after);

        // The properties count the marked rows by image (rows 0 and 1 are keys), or every row when none is.
        const ChangeCounts counts = list.CountChanges();
        const int marked = int(after.count(u'1')), keys = int(after.left(2).count(u'1'));
        QCOMPARE(counts.caption().endsWith(u" (Auswahl)"_s), marked > 0);
        QCOMPARE(counts.keys, marked == 0 ? 2 : keys);
        QCOMPARE(counts.values(), marked == 0 ? 5 : marked - keys);
        QCOMPARE(list.RemoveMarked(), marked);
    }

    // A list whose only entry is a created key: its empty old value is two zero integers. Then every kind
    // of old value through a file and back.
    void files()
    {
        ChangeList created(German);
        add(created, u"Schlüssel wurde erstellt"_s, QString(), 1, u"Neu"_s, ChangeKinds::KeyCreated);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(ChangeListFile::write(buffer, created));
        QCOMPARE(bytes, Magic + createdKeyEntry("HKEY_CURRENT_USER\\Neu"));

        ChangeList list(German);
        add(list, u"Schlüssel wurde entfernt"_s, QString(), 1, u"Ω"_s, ChangeKinds::KeyRemoved);
        add(list, u"Wert wurde entfernt"_s, QString(), 5, u"S"_s, ChangeKinds::ValueRemoved,
            value(REG_SZ, "M\xC3\xBCller"));
        add(list, u"Daten wurden geändert"_s, u"d"_s, 6, u"S"_s, ChangeKinds::DataChanged, value(REG_DWORD, le(7)));
        add(list, u"Typ wurde geändert"_s, u"e"_s, 6, u"S"_s, ChangeKinds::TypeChanged,
            value(REG_EXPAND_SZ, QByteArray("%P%\xC3\xA4\0", 6)));
        add(list, u"Wert wurde entfernt"_s, u"b"_s, 7, u"S"_s, ChangeKinds::ValueRemoved, value(REG_BINARY, "\xFF"));
        QTemporaryDir dir;
        const QString fileName = dir.filePath(u"liste.cbk"_s);
        QVERIFY(SaveChangeList(fileName, list));
        QVERIFY(!SaveChangeList(dir.filePath(u"fehlt/liste.cbk"_s), list));

        ChangeList loaded(German);
        add(loaded, u"Wert wurde erstellt"_s, u"alt"_s, 5, u"alt"_s);
        QVERIFY(!LoadChangeList(fileName, loaded).failed());
        QVERIFY(loaded.rows() == list.rows());
        QVERIFY(LoadChangeList(dir.filePath(u"fehlt.cbk"_s), loaded).refused());
        QVERIFY(loaded.isEmpty());
    }

    // Entries before a damaged one are kept; the offset is that of the damaged entry.
    void damagedFiles_data()
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
        row("negative length", Magic + le(1) + le(-5) + entry, Kind::NegativeLength, 25, 0);
        row("huge length", Magic + entry + le(1) + le(0x7FFFFFF0), Kind::BeyondEnd, 109, 1);
    }

    void damagedFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(qint64, offset);

        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        ChangeList list(German);
        const ChangeFileError error = ChangeListFile::read(buffer, list);
        QCOMPARE(int(error.kind), kind);
        QTEST(list.size(), "entries");
        QCOMPARE(error.offset, offset);
        if (error.refused())
            QCOMPARE(error.text(u"a.cbk"_s), u"Kann Datei nicht öffnen."_s);
    }

    // The rows a search marks: key rows and the default value's rows have no value name to find; without
    // the whole path only the key's own name is tested; the search starts below the one marked row.
    void searchInChanges_data()
    {
        using namespace ChangeSearchFlags;
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("flags");
        QTest::addColumn<DWORD>("compareFlags");
        QTest::addColumn<int>("marked"); // before the search, -1: none
        QTest::addColumn<QList<int>>("found");
        QTest::newRow("value: default row never") << u"Standard"_s << (Value | MarkAll) << DWORD(2) << -1
                                                  << QList<int>{};
        QTest::newRow("value: key rows never") << u"Run"_s << (Value | MarkAll) << DWORD(0) << -1 << QList<int>{3};
        QTest::newRow("own name, whole word") << u"Run"_s << (Key | MarkAll) << DWORD(0) << -1 << QList<int>{0, 1};
        QTest::newRow("own name, substring") << u"Run"_s << (Key | MarkAll) << DWORD(2) << -1 << QList<int>{0, 1, 2, 3};
        QTest::newRow("whole path, whole word") << u"Run"_s << (Key | WholePath | MarkAll) << DWORD(0) << -1
                                                << QList<int>{};
        QTest::newRow("next below the marked row") << u"Run"_s << Key << DWORD(0) << 0 << QList<int>{1};
        QTest::newRow("none after the last match") << u"Run"_s << Key << DWORD(0) << 1 << QList<int>{};
        QTest::newRow("mark all below the marked row") << u"Run"_s << (Key | MarkAll) << DWORD(2) << 1
                                                       << QList<int>{2, 3};
    }

    void searchInChanges()
    {
        QFETCH(int, marked);
        ChangeList list;
        add(list, u"Schlüssel wurde erstellt"_s, QString(), 1, u"Soft\\Run"_s, ChangeKinds::KeyCreated);
        add(list, u"Wert wurde erstellt"_s, QString(), 5, u"Soft\\Run"_s);
        add(list, u"Schlüssel wurde erstellt"_s, QString(), 1, u"Soft\\RunOnce"_s, ChangeKinds::KeyCreated);
        add(list, u"Wert wurde erstellt"_s, u"Run"_s, 5, u"Soft\\RunOnce"_s);
        if (marked >= 0)
            list.setSelected(marked, true);
        QFETCH(QString, text);
        QFETCH(quint32, flags);
        QFETCH(DWORD, compareFlags);
        const int first = SearchChanges(list, {text, flags, compareFlags});
        QList<int> found;
        for (int i = 0; i < list.size(); ++i) {
            if (list.rows()[size_t(i)].selected)
                found << i;
        }
        QTEST(found, "found");
        QCOMPARE(first, found.isEmpty() ? -1 : found.first());
    }
};

QTEST_GUILESS_MAIN(TestChangeList)
#include "TestChangeList.moc"
