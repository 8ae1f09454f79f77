#include "search/SearchResultList.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QLocale German(QLocale::German, QLocale::Germany);
const QString HKCU = u"HKEY_CURRENT_USER\\"_s;

// Sorted: key rows first within a key, "(Standard)" before letters, name rows before data rows.
//   0 Schlüssel             A   key
//   1 Wert      Path        A   string
//   2 Daten     Path        A   string
//   3 Standardwert (Standard) B DWORD
//   4 Daten     Count       B   DWORD
//   5 Standarddaten (Standard) C binary
//   6 Wert      Bin         C   binary
SearchResultList mixedList()
{
    SearchResultList list(German);
    list.AddResultRow(u"Wert"_s, u"Bin"_s, 7, HKCU + u"C"_s);
    list.AddResultRow(u"Daten"_s, QString(), 7, HKCU + u"C"_s);
    list.AddResultRow(u"Daten"_s, u"Count"_s, 6, HKCU + u"B"_s);
    list.AddResultRow(u"Wert"_s, QString(), 6, HKCU + u"B"_s);
    list.AddResultRow(u"Schlüssel"_s, QString(), 1, HKCU + u"A"_s);
    list.AddResultRow(u"Wert"_s, u"Path"_s, 5, HKCU + u"A"_s);
    list.AddResultRow(u"Daten"_s, u"Path"_s, 5, HKCU + u"A"_s);
    return list;
}

QList<int> marked(const SearchResultList& list)
{
    QList<int> rows;
    for (int i = 0; i < list.size(); ++i) {
        if (list.rows()[std::size_t(i)].selected)
            rows << i;
    }
    return rows;
}

QStringList texts(const SearchResultList& list)
{
    QStringList out;
    for (const ResultRow& row : list.rows())
        out << row.foundAt + u'|' + row.valueName + u'|' + row.keyPath.mid(HKCU.size());
    return out;
}

} // namespace

class TestSearchResultList : public QObject {
    Q_OBJECT

private slots:
    void defaultValueRow_data();
    void defaultValueRow();
    void sortedOrder_data();
    void sortedOrder();
    void marking_data();
    void marking();
    void markDownwards();
    void invertAndRemove();
    void counts_data();
    void counts();
    void pieAngles_data();
    void pieAngles();
};

void TestSearchResultList::defaultValueRow_data()
{
    QTest::addColumn<QString>("foundAt");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("shownFoundAt");
    QTest::addColumn<QString>("shownName");

    QTest::newRow("value name") << u"Wert"_s << QString() << 5 << u"Standardwert"_s << u"(Standard)"_s;
    QTest::newRow("data") << u"Daten"_s << QString() << 6 << u"Standarddaten"_s << u"(Standard)"_s;
    QTest::newRow("type") << u"Typ ungültig"_s << QString() << 7 << u"Standardtyp ungültig"_s << u"(Standard)"_s;
    QTest::newRow("renamed once") << u"Standardwert"_s << QString() << 5 << u"Standardwert"_s << u"(Standard)"_s;
    QTest::newRow("key row") << u"Schlüssel"_s << QString() << 1 << u"Schlüssel"_s << QString();
    QTest::newRow("named value") << u"Wert"_s << u"Path"_s << 5 << u"Wert"_s << u"Path"_s;
}

void TestSearchResultList::defaultValueRow()
{
    QFETCH(QString, foundAt);
    QFETCH(QString, name);
    QFETCH(int, icon);
    QFETCH(QString, shownFoundAt);
    QFETCH(QString, shownName);

    SearchResultList list(German);
    const int index = list.AddResultRow(foundAt, name, icon, HKCU + u"Environment"_s);
    const ResultRow& row = list.rows()[std::size_t(index)];
    QCOMPARE(row.foundAt, shownFoundAt);
    QCOMPARE(row.valueName, shownName);
    QCOMPARE(row.icon, icon);
}

void TestSearchResultList::sortedOrder_data()
{
    QTest::addColumn<bool>("oneByOne");
    QTest::newRow("AddResultRow") << true;
    QTest::newRow("many rows at once") << false;
}

// German collation, case counting: lower before upper, "ä" after "a" and "A", a path before its
// subkeys, a name row before the data row of the same value.
void TestSearchResultList::sortedOrder()
{
    QFETCH(bool, oneByOne);
    const QList<ResultRow> rows{
        {u"Daten"_s, u"path"_s, HKCU + u"b"_s, 5, false},
        {u"Schlüssel"_s, QString(), HKCU + u"Software\\Zeta"_s, 1, false},
        {u"Wert"_s, u"Path"_s, HKCU + u"b"_s, 5, false},
        {u"Schlüssel"_s, QString(), HKCU + u"Ä"_s, 1, false},
        {u"Schlüssel"_s, QString(), HKCU + u"SoftwareX"_s, 1, false},
        {u"Daten"_s, u"Path"_s, HKCU + u"b"_s, 5, false},
        {u"Schlüssel"_s, QString(), HKCU + u"a"_s, 1, false},
        {u"Wert"_s, QString(), HKCU + u"b"_s, 6, false},
        {u"Schlüssel"_s, QString(), HKCU + u"Software"_s, 1, false},
        {u"Schlüssel"_s, QString(), HKCU + u"A"_s, 1, false},
        {u"Schlüssel"_s, QString(), HKCU + u"ä"_s, 1, false},
        {u"Wert"_s, u"path"_s, HKCU + u"b"_s, 5, false},
    };
    SearchResultList list(German);
    if (oneByOne) {
        for (const ResultRow& row : rows)
            list.AddResultRow(row.foundAt, row.valueName, row.icon, row.keyPath);
    } else {
        list.AddResultRow(u"Schlüssel"_s, QString(), 1, HKCU + u"b"_s); // merged with what is there
        list.addResultRows({rows.begin(), rows.end()});
    }
    QStringList expected{
        u"Schlüssel||a"_s,
        u"Schlüssel||A"_s,
        u"Schlüssel||ä"_s,
        u"Schlüssel||Ä"_s,
        u"Standardwert|(Standard)|b"_s,
        u"Daten|path|b"_s,
        u"Wert|path|b"_s,
        u"Wert|Path|b"_s,
        u"Daten|Path|b"_s,
        u"Schlüssel||Software"_s,
        u"Schlüssel||Software\\Zeta"_s,
        u"Schlüssel||SoftwareX"_s,
    };
    if (!oneByOne)
        expected.insert(4, u"Schlüssel||b"_s);
    QCOMPARE(texts(list), expected);
}

void TestSearchResultList::marking_data()
{
    QTest::addColumn<MarkCommand>("command");
    QTest::addColumn<QList<int>>("rows");

    QTest::newRow("Alle Schlüssel") << MarkCommand::AllKeys << QList<int>{0};
    QTest::newRow("Alle Werte") << MarkCommand::AllValues << QList<int>{1, 3, 6};
    QTest::newRow("Werte: Zeichenfolgen") << MarkCommand::StringValues << QList<int>{1};
    QTest::newRow("Werte: DWord-Werte") << MarkCommand::DWordValues << QList<int>{3};
    QTest::newRow("Werte: Binärwerte") << MarkCommand::BinaryValues << QList<int>{6};
    QTest::newRow("Alle Daten") << MarkCommand::AllData << QList<int>{2, 4, 5};
    QTest::newRow("Daten: Zeichenfolgen") << MarkCommand::StringData << QList<int>{2};
    QTest::newRow("Daten: DWord-Werte") << MarkCommand::DWordData << QList<int>{4};
    QTest::newRow("Daten: Binärwerte") << MarkCommand::BinaryData << QList<int>{5};
}

void TestSearchResultList::marking()
{
    QFETCH(MarkCommand, command);
    QFETCH(QList<int>, rows);
    SearchResultList list = mixedList();
    list.MarkAll();
    list.Mark(command); // clears the marking first
    QCOMPARE(marked(list), rows);
}

void TestSearchResultList::markDownwards()
{
    SearchResultList list(German);
    for (int i = 0; i < 10; ++i)
        list.AddResultRow(u"Schlüssel"_s, QString(), 1, HKCU + QString::number(i));
    list.MarkDownwards();
    QCOMPARE(marked(list), QList<int>{});
    list.setSelected(2, true);
    list.setSelected(5, true);
    list.MarkDownwards();
    QCOMPARE(marked(list), (QList<int>{2, 3, 4, 5, 6, 7, 8, 9}));
}

void TestSearchResultList::invertAndRemove()
{
    SearchResultList list = mixedList();
    list.setSelected(1, true);
    list.setSelected(4, true);
    list.InvertMarking();
    QCOMPARE(marked(list), (QList<int>{0, 2, 3, 5, 6}));
    QCOMPARE(list.RemoveMarked(), 5);
    QCOMPARE(texts(list), (QStringList{u"Wert|Path|A"_s, u"Daten|Count|B"_s}));
    QCOMPARE(list.selectedCount(), 0);
}

void TestSearchResultList::counts_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QList<int>>("expected"); // keys, strings, dwords, binaries
    QTest::addColumn<QString>("caption");

    QTest::newRow("all rows, Path counted once") << QList<int>{} << QList<int>{1, 1, 2, 2}
                                                 << u"Eigenschaften Suchergebnisse"_s;
    QTest::newRow("name row alone") << QList<int>{1} << QList<int>{0, 1, 0, 0}
                                    << u"Eigenschaften Suchergebnisse (Auswahl)"_s;
    QTest::newRow("name and data rows") << QList<int>{1, 2, 6} << QList<int>{0, 1, 0, 1}
                                        << u"Eigenschaften Suchergebnisse (Auswahl)"_s;
}

void TestSearchResultList::counts()
{
    QFETCH(QList<int>, selected);
    QFETCH(QList<int>, expected);
    QFETCH(QString, caption);
    SearchResultList list = mixedList();
    for (int row : selected)
        list.setSelected(row, true);
    const ResultCounts counts = list.CountResults();
    QCOMPARE((QList<int>{counts.keys, counts.strings, counts.dwords, counts.binaries}), expected);
    QCOMPARE(counts.caption(), caption);
}

void TestSearchResultList::pieAngles_data()
{
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<QList<int>>("angles");

    QTest::newRow("none") << QList<int>{0, 0, 0} << QList<int>{0, 0, 0};
    QTest::newRow("thirds") << QList<int>{1, 1, 1} << QList<int>{120, 120, 120};
    QTest::newRow("rest to the last") << QList<int>{2, 1, 4} << QList<int>{102, 51, 207};
    QTest::newRow("no rest to an empty segment") << QList<int>{1, 2, 0} << QList<int>{120, 240, 0};
    QTest::newRow("one kind") << QList<int>{0, 0, 5} << QList<int>{0, 0, 360};
}

void TestSearchResultList::pieAngles()
{
    QFETCH(QList<int>, counts);
    QFETCH(QList<int>, angles);
    ResultCounts c;
    c.strings = counts[0];
    c.dwords = counts[1];
    c.binaries = counts[2];
    const auto result = c.pieAngles();
    QCOMPARE((QList<int>{result[0], result[1], result[2]}), angles);
}

QTEST_GUILESS_MAIN(TestSearchResultList)
#include "TestSearchResultList.moc"
