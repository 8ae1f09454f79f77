// The search walk over a hand-built registry: the order of the rows, the default value, the start
// position of a find-next search, the root keys, long names and cancel.

#include "registry/RegTestKeys.h"
#include "search/RunSearch.h"
#include "search/SearchResultList.h"
#include "support/ScriptedProgress.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

using namespace SearchFlags;

const QString W = u"HKEY_CURRENT_USER\\W"_s;
const QString LongKey(255, u'k'), LongValue(MAX_VALUE_NAME, u'v');
constexpr DWORD Everything = AnyContent | AnyType;
constexpr DWORD Substring = CompareFlags::Substring;

QString rowText(const QString& foundAt, QString keyPath, const QString& valueName)
{
    return foundAt + u'|' + keyPath.replace(W, u"~"_s) + u'|' + valueName;
}

} // namespace

class TestSearchWalk final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(m_fixture.start());
        QVERIFY(RegTestKeys::setValue(u"W"_s, QString(), REG_SZ, RegTestKeys::sz("Run 26")));
        QVERIFY(RegTestKeys::setValue(u"W"_s, u"RunOnce"_s, REG_SZ, RegTestKeys::sz("x")));
        QVERIFY(RegTestKeys::makeKey(u"W\\Run"_s));
        QVERIFY(RegTestKeys::makeKey(u"W\\a\\RunDeep"_s));
        QVERIFY(RegTestKeys::setValue(u"W\\b"_s, u"runner"_s, REG_BINARY, "Run"));
        // Names as long as the store takes them, before a sibling they must not hide.
        QVERIFY(RegTestKeys::setValue(u"W\\b\\"_s + LongKey, LongValue, REG_SZ, RegTestKeys::sz("")));
        QVERIFY(RegTestKeys::makeKey(u"W\\b\\zz"_s));
    }
    void cleanup() { m_fixture.stop(); }

    // Paths in the rows and the start are written with "~" for HKEY_CURRENT_USER\W; the start is
    // "key|value", "key|*" for the key's default value.
    void rows_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("content");
        QTest::addColumn<uint>("compare");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QStringList>("rows");
        const uint list = Everything | ListResults | OnlyCurrentKey, next = Everything;
        const QString a = u"Schlüssel|~\\a\\RunDeep|"_s, bName = u"Wert|~\\b|runner"_s, run = u"Schlüssel|~\\Run|"_s;
        const QString bData = u"Daten|~\\b|runner"_s, once = u"Wert|~|RunOnce"_s, k = u"~\\b\\"_s + LongKey + u'|';
        const auto row = [](const char* name, const char* text, uint content, uint compare, const char* start,
                            const QStringList& rows) {
            QTest::newRow(name) << QString::fromUtf8(text) << content << compare << QString::fromUtf8(start) << rows;
        };
        row("list order, name row before data row", "run", list, Substring, "~|",
            {u"Standarddaten|~|(Standard)"_s, once, a, bName, bData, run});
        row("long names", "kkk | vvv | zz", list, CompareFlags::Default, "~\\b|",
            {u"Schlüssel|"_s + k, u"Wert|"_s + k + LongValue, u"Schlüssel|~\\b\\zz|"_s});
        row("the start key's name does not count", "W", list & ~(ValueNames | ValueData), 0, "~|", {});
        row("listing from the default value skips it", "run", list, Substring, "~|*", {once, a, bName, bData, run});
        row("next after the default value", "run", next, Substring, "~|*", {once});
        row("next after a value goes into the subkeys", "run", next, Substring, "~|RunOnce", {a});
        row("next from a deep key climbs to the later siblings", "run", next, Substring, "~\\a\\RunDeep|", {bName});
        row("the selected value is not found again", "run", next, Substring, "~\\b|runner", {run});
        row("a start key deleted meanwhile resumes in its place", "run", next, Substring, "~\\aa|", {bName});
        row("from the top node the first root key's name", "HKEY_CLASSES_ROOT", next, 0, "|",
            {u"Schlüssel|HKEY_CLASSES_ROOT|"_s});
        row("later root keys are reached", "HKEY_LOCAL_MACHINE", next, 0, "~|", {u"Schlüssel|HKEY_LOCAL_MACHINE|"_s});
        row("only the root key of the start", "HKEY_LOCAL_MACHINE", next | SingleRoot, 0, "~|", {});
        row("no wrap-around to earlier root keys", "HKEY_CLASSES_ROOT", next, 0, "~|", {});
    }

    void rows()
    {
        QFETCH(QString, text);
        QFETCH(uint, content);
        QFETCH(uint, compare);
        QFETCH(QString, start);
        const QString startKey = start.section(u'|', 0, 0).replace(u'~', W), startValue = start.section(u'|', 1);
        const bool atDefault = startValue == u'*';
        const QString value = atDefault ? QString() : startValue;
        ScriptedProgress progress;
        SearchResultList list;
        const SearchOutcome outcome =
            RunSearch(SearchCriteria{text, content, compare}, SearchStart{startKey, value, atDefault}, progress,
                      [&](const SearchResult& r) { (void)list.addMatch(r); });
        QStringList seen;
        for (const ResultRow& row : list.rows())
            seen.append(rowText(row.foundAt, row.keyPath, row.valueName));
        if (outcome.match.found)
            seen.append(rowText(FoundAtText(outcome.match.kind), outcome.match.keyPath, outcome.match.valueName));
        QTEST(seen, "rows");
        QVERIFY(!outcome.cancelled);
    }

    void cancel()
    {
        ScriptedProgress progress(4);
        QStringList seen;
        const SearchOutcome outcome = RunSearch(SearchCriteria{u"run"_s, Everything | ListResults, Substring},
                                                SearchStart{W, QString(), false}, progress,
                                                [&](const SearchResult& r) { seen.append(r.keyPath); });
        QVERIFY(outcome.cancelled);
        QCOMPARE(progress.steps(), 4);
        QVERIFY(seen.size() < 2);
    }

private:
    RegTestKeys::StoreFixture m_fixture;
};

QTEST_GUILESS_MAIN(TestSearchWalk)
#include "TestSearchWalk.moc"
