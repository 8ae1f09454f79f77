#include "search/ResultFile.h"
#include "search/SearchResultList.h"
#include "support/TestFiles.h"

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
    list.addMatch({true, FoundKind::ValueData, HKCU + u"C"_s, QString(), REG_MULTI_SZ});
    list.AddResultRow(u"Daten"_s, u"Count"_s, 6, HKCU + u"B"_s);
    list.AddResultRow(u"Wert"_s, QString(), 6, HKCU + u"B"_s);
    list.addMatch({true, FoundKind::KeyName, HKCU + u"A"_s, QString(), REG_NONE});
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
    // German collation with case: lower before upper, "ä" after "a" and "A", a path before its subkeys; a
    // value's name row stays before its data row; rows the collation finds equal (a control character,
    // a value named as the default value is shown) in one order whatever order they came in. The same
    // whether rows come one by one or in batches.
    void sortedOrder()
    {
        const QStringList added{u"Wert|Path|b"_s, u"Schlüssel||Software\\Z"_s, u"Daten|Path|b"_s, u"Schlüssel||Ä"_s,
                                u"Schlüssel||SoftwareX"_s, u"Schlüssel||a"_s, u"Wert||b"_s, u"Schlüssel||Software"_s,
                                u"Schlüssel||A"_s, u"Daten|path|b"_s, u"Schlüssel||ä"_s, u"Wert|x\u0001|c"_s,
                                u"Wert|(Standard)|c"_s, u"Wert|x|c"_s, u"Wert||c"_s};
        const QStringList expected{u"Schlüssel||a"_s, u"Schlüssel||A"_s, u"Schlüssel||ä"_s, u"Schlüssel||Ä"_s,
                                   u"Standardwert|(Standard)|b"_s, u"Daten|path|b"_s, u"Wert|Path|b"_s,
                                   u"Daten|Path|b"_s, u"Standardwert|(Standard)|c"_s, u"Wert|(Standard)|c"_s,
                                   u"Wert|x|c"_s, u"Wert|x\u0001|c"_s, u"Schlüssel||Software"_s,
                                   u"Schlüssel||Software\\Z"_s, u"Schlüssel||SoftwareX"_s};
        SearchResultList oneByOne(German);
        SearchResultList atOnce(German);
        std::vector<ResultRow> rows;
        for (const QString& text : added) {
            const QStringList f = text.split(u'|');
            const int icon = f[0] == u"Schlüssel"_s ? 1 : 5;
            oneByOne.AddResultRow(f[0], f[1], icon, HKCU + f[2]);
            rows.push_back({f[0], f[1], HKCU + f[2], icon, false});
        }
        atOnce.addResultRows({rows.begin(), rows.begin() + 2}); // the rest merged into these
        atOnce.addResultRows({rows.begin() + 2, rows.end()});
        QCOMPARE(texts(oneByOne), expected);
        QCOMPARE(texts(atOnce), expected);
        QCOMPARE(DefaultValueFoundAt(u"Typ ungültig"_s), u"Standardtyp ungültig"_s);
    }

    // Each command in the order of the menu: keys; values all, strings, DWORD, binary; data the same. Then
    // downwards, inverting and removing.
    void marking()
    {
        QList<QList<int>> rows;
        for (int command = int(MarkCommand::AllKeys); command <= int(MarkCommand::BinaryData); ++command) {
            SearchResultList list = mixedList();
            list.MarkAll();
            list.Mark(MarkCommand(command));
            rows << marked(list);
        }
        QCOMPARE(rows, (QList<QList<int>>{{0}, {1, 3, 6}, {1}, {3}, {6}, {2, 4, 5}, {2}, {4}, {5}}));

        SearchResultList list = mixedList();
        list.MarkDownwards();
        QCOMPARE(marked(list), QList<int>{});
        list.setSelected(2, true);
        list.setSelected(4, true);
        list.MarkDownwards(); // from the first marked row to the end
        QCOMPARE(marked(list), (QList<int>{2, 3, 4, 5, 6}));
        list.setSelected(0, true);
        list.InvertMarking();
        QCOMPARE(list.RemoveMarked(), 1);
        QCOMPARE(texts(list).mid(0, 2), (QStringList{u"Schlüssel||A"_s, u"Daten|Path|A"_s}));
    }

    void counts_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QList<int>>("expected"); // keys, strings, DWORD values, binary values, three angles
        QTest::newRow("all rows, Path once") << QList<int>{} << QList<int>{1, 1, 2, 2, 72, 144, 144};
        QTest::newRow("name row alone") << QList<int>{1} << QList<int>{0, 1, 0, 0, 360, 0, 0};
        QTest::newRow("no value") << QList<int>{0} << QList<int>{1, 0, 0, 0, 0, 0, 0};
        QTest::newRow("no rest to an empty segment") << QList<int>{1, 3, 4} << QList<int>{0, 1, 2, 0, 120, 240, 0};
    }

    void counts()
    {
        QFETCH(QList<int>, selected);
        SearchResultList list = mixedList();
        for (int row : selected)
            list.setSelected(row, true);
        const ResultCounts c = list.CountResults();
        const auto a = c.pieAngles();
        QTEST((QList<int>{c.keys, c.strings, c.dwords, c.binaries, a[0], a[1], a[2]}), "expected");
        QCOMPARE(c.caption(), selected.isEmpty() ? u"Eigenschaften Suchergebnisse"_s
                                                 : u"Eigenschaften Suchergebnisse (Auswahl)"_s);
    }

    void fileLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("rows"); // image|found-at|value name|key path
        QTest::addColumn<int>("skipped");
        QTest::addColumn<bool>("writtenSo"); // the rows are written back as exactly these bytes
        const auto row = [](const char* name, const QByteArray& bytes, const QStringList& rows, int skipped = 0,
                            bool writtenSo = false) { QTest::newRow(name) << bytes << rows << skipped << writtenSo; };
        row("data match", "050504DatenPathHKEY_CURRENT_USER\\Environment\r\n",
            {u"5|Daten|Path|HKEY_CURRENT_USER\\Environment"_s}, 0, true);
        row("1252", "010900Schl\xfcsselK\\Gr\xfc\xdf" "e\r\n", {u"1|Schlüssel||K\\Grüße"_s}, 0, true);
        row("UTF-8 past 1252", "050401Wert\xce\xa9Gr\xc3\xbc\xc3\x9f" "e\r\n", {u"5|Wert|Ω|Grüße"_s}, 0, true);
        row("upper-case hex", "060C1AStandardwertabcdefghijklmnopqrstuvwxyzK\r\n",
            {u"6|Standardwert|abcdefghijklmnopqrstuvwxyz|K"_s}, 0, true);
        row("lower-case hex, LF, open end", "\r\n0a0401WertXK\n\n050504DatenPath",
            {u"5|Daten|Path|"_s, u"10|Wert|X|K"_s});
        row("not hexadecimal", "0G0401WertXK\r\n      abc\r\n050401WertYK\r\n", {u"5|Wert|Y|K"_s}, 2);
        row("truncated", "05050\r\n05FF04DatenPath\r\n", {}, 2);
        row("binary junk", QByteArray("\x00\xff\xfe\x01\r\n\x80\x81\x82\x83\x84\x85\x86", 13), {}, 2);
        row("zero bytes", QByteArray("050202W\0N\0K", 11), {u"5|W\u0000|N\u0000|K"_s});
        // far longer than any row: skipped a block at a time, never held whole
        row("overlong line", "050401WertAK\r\n" + QByteArray(3 * ResultFile::MaxLineBytes, '0') + "\r\n050401WertBK",
            {u"5|Wert|A|K"_s, u"5|Wert|B|K"_s}, 1);
        // found by fuzzing: every line cost an allocation of the whole line bound, a hang in the sanitizers
        row("many empty lines", QByteArray("\r\n").repeated(32768) + "050401WertAK\r\n", {u"5|Wert|A|K"_s});
    }

    void fileLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, rows);
        QFETCH(bool, writtenSo);
        QTemporaryDir dir;
        const QString fileName = dir.filePath(u"r.slt"_s);
        QVERIFY(writeFile(fileName, bytes));
        SearchResultList list(German);
        const ResultFileContent content = LoadResultFile(fileName, list);
        QStringList read;
        for (const ResultRow& r : list.rows())
            read << QString::number(r.icon) + u'|' + r.foundAt + u'|' + r.valueName + u'|' + r.keyPath;
        QCOMPARE(read, rows);
        QTEST(content.skippedLines, "skipped");
        if (writtenSo) {
            QVERIFY(SaveResultFile(fileName, list));
            QCOMPARE(readFile(fileName), bytes);
        }
    }

    void files()
    {
        QTemporaryDir dir;
        SearchResultList list(German);
        list.AddResultRow(u"Wert"_s, QString(300, u'n'), 5, QString(300, u'k'));
        const QString fileName = ResultFileName(dir.filePath(u"results.txt"_s));
        QCOMPARE(fileName, dir.filePath(u"results.slt"_s));
        QCOMPARE(ResultFileName(u"/a.b/results"_s), u"/a.b/results.slt"_s);
        QVERIFY(SaveResultFile(fileName, list));
        QCOMPARE(readFile(fileName), "0504FFWert" + QByteArray(255, 'n') + QByteArray(300, 'k') + "\r\n");
        QVERIFY(!SaveResultFile(dir.filePath(u"missing/results.slt"_s), list));
        list.MarkAll();
        QVERIFY(!LoadResultFile(dir.filePath(u"none.slt"_s), list).ok);
        QCOMPARE(list.selectedCount(), 1); // an unreadable file takes nothing away
    }
};

QTEST_GUILESS_MAIN(TestSearchResultList)
#include "TestSearchResultList.moc"
