#include "search/SearchResultList.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QLocale German(QLocale::German, QLocale::Germany);
const QString HKCU = u"HKEY_CURRENT_USER\\"_s;

// Rows added out of order; the list shows them as: 0 key A; 1 Wert Path A (string); 2 Daten Path A;
// 3 Standardwert B (DWORD); 4 Daten Count B; 5 Standarddaten C (binary); 6 Wert Bin C.
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
    void sortedOrder();
    void marking();
    void rowCommands();
    void counts_data();
    void counts();
};

// German collation with case: lower before upper, "ä" after "a" and "A", a path before its subkeys; a
// value's name row stays before its data row. The same whether rows come one by one or many at once.
void TestSearchResultList::sortedOrder()
{
    const QStringList added{u"Wert|Path|b"_s, u"Schlüssel||Software\\Z"_s, u"Daten|Path|b"_s, u"Schlüssel||Ä"_s,
                            u"Schlüssel||SoftwareX"_s, u"Schlüssel||a"_s, u"Wert||b"_s, u"Schlüssel||Software"_s,
                            u"Schlüssel||A"_s, u"Daten|path|b"_s, u"Schlüssel||ä"_s};
    const QStringList expected{u"Schlüssel||a"_s, u"Schlüssel||A"_s, u"Schlüssel||ä"_s, u"Schlüssel||Ä"_s,
                               u"Standardwert|(Standard)|b"_s, u"Daten|path|b"_s, u"Wert|Path|b"_s,
                               u"Daten|Path|b"_s, u"Schlüssel||Software"_s, u"Schlüssel||Software\\Z"_s,
                               u"Schlüssel||SoftwareX"_s};
    SearchResultList oneByOne(German);
    SearchResultList atOnce(German);
    std::vector<ResultRow> rows;
    for (const QString& text : added) {
        const QStringList f = text.split(u'|');
        const int icon = f[0] == u"Schlüssel"_s ? 1 : 5;
        oneByOne.AddResultRow(f[0], f[1], icon, HKCU + f[2]);
        rows.push_back({f[0], f[1], HKCU + f[2], icon, false});
    }
    atOnce.addResultRows(rows);
    QCOMPARE(texts(oneByOne), expected);
    QCOMPARE(texts(atOnce), expected);
    QCOMPARE(DefaultValueFoundAt(u"Typ ungültig"_s), u"Standardtyp ungültig"_s);
    QCOMPARE(DefaultValueFoundAt(u"Standarddaten"_s), u"Standarddaten"_s);
}

// Each command in the order of the menu: keys; values all, strings, DWORD, binary; data the same.
void TestSearchResultList::marking()
{
    QList<QList<int>> rows;
    for (int command = int(MarkCommand::AllKeys); command <= int(MarkCommand::BinaryData); ++command) {
        SearchResultList list = mixedList();
        list.MarkAll();
        list.Mark(MarkCommand(command));
        rows << marked(list);
    }
    QCOMPARE(rows, (QList<QList<int>>{{0}, {1, 3, 6}, {1}, {3}, {6}, {2, 4, 5}, {2}, {4}, {5}}));
}

void TestSearchResultList::rowCommands()
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
    list.setSelected(0, true);
    list.InvertMarking();
    QCOMPARE(marked(list), QList<int>{1});
    QCOMPARE(list.RemoveMarked(), 1);
    QCOMPARE(texts(list).mid(0, 2), (QStringList{u"Schlüssel||0"_s, u"Schlüssel||2"_s}));
}

void TestSearchResultList::counts_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QList<int>>("expected"); // keys, strings, DWORD values, binary values, three angles
    QTest::newRow("all rows, Path once") << QList<int>{} << QList<int>{1, 1, 2, 2, 72, 144, 144};
    QTest::newRow("name row alone") << QList<int>{1} << QList<int>{0, 1, 0, 0, 360, 0, 0};
    QTest::newRow("no value") << QList<int>{0} << QList<int>{1, 0, 0, 0, 0, 0, 0};
    QTest::newRow("no rest to an empty segment") << QList<int>{1, 3, 4} << QList<int>{0, 1, 2, 0, 120, 240, 0};
}

void TestSearchResultList::counts()
{
    QFETCH(QList<int>, selected);
    QFETCH(QList<int>, expected);
    SearchResultList list = mixedList();
    for (int row : selected)
        list.setSelected(row, true);
    const ResultCounts c = list.CountResults();
    const auto a = c.pieAngles();
    QCOMPARE((QList<int>{c.keys, c.strings, c.dwords, c.binaries, a[0], a[1], a[2]}), expected);
    QCOMPARE(c.caption(), selected.isEmpty() ? u"Eigenschaften Suchergebnisse"_s
                                             : u"Eigenschaften Suchergebnisse (Auswahl)"_s);
}

QTEST_GUILESS_MAIN(TestSearchResultList)
#include "TestSearchResultList.moc"
