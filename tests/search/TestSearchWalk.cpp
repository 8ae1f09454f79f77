// The search walk over a hand-built registry: the order of the rows, the default value, the start
// position of a find-next search, the root keys, long names and cancel.

#include "registry/RegTestKeys.h"
#include "search/RunSearch.h"
#include "support/ScriptedProgress.h"

#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using namespace SearchFlags;

const QString W = u"HKEY_CURRENT_USER\\W"_s;
constexpr DWORD Everything = AnyContent | AnyType;
constexpr DWORD Substring = CompareFlags::Substring;

QByteArray dword(quint32 v)
{
    return QByteArray(reinterpret_cast<const char*>(&v), 4);
}

QString rowText(const SearchResult& r)
{
    return FoundAtText(r.kind) + u'|' + r.keyPath + u'|' + r.valueName;
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
        QVERIFY(RegTestKeys::setValue(u"W"_s, u"Zahl"_s, REG_DWORD, dword(26)));
        QVERIFY(RegTestKeys::setValue(u"W"_s, u"Hex"_s, REG_DWORD, dword(0x26)));
        QVERIFY(RegTestKeys::makeKey(u"W\\Run"_s));
        QVERIFY(RegTestKeys::makeKey(u"W\\a\\RunDeep"_s));
        QVERIFY(RegTestKeys::setValue(u"W\\b"_s, u"runner"_s, REG_BINARY, "Run"));
    }
    void cleanup() { m_fixture.stop(); }

    void rows_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("content");
        QTest::addColumn<uint>("compare");
        QTest::addColumn<QString>("startKey");
        QTest::addColumn<QString>("startValue");
        QTest::addColumn<bool>("atDefault");
        QTest::addColumn<QStringList>("rows");
        const QString a = W + u"\\a\\RunDeep|"_s, b = W + u"\\b|runner"_s, run = W + u"\\Run|"_s;
        const uint list = Everything | ListResults | OnlyCurrentKey;
        QTest::newRow("walk order, name row before data row")
            << "run" << list << Substring << W << "" << false
            << QStringList{u"Daten|"_s + W + u'|', u"Wert|"_s + W + u"|RunOnce"_s, u"Schlüssel|"_s + a,
                           u"Wert|"_s + b, u"Daten|"_s + b, u"Schlüssel|"_s + run};
        QTest::newRow("whole text: Run is not RunOnce")
            << "Run" << list << 0u << W << "" << false << QStringList{u"Daten|"_s + b, u"Schlüssel|"_s + run};
        QTest::newRow("26 in DWORD data is 26, not 0x26")
            << "26" << (ListResults | OnlyCurrentKey | ValueData | DWordType) << Substring << W << "" << false
            << QStringList{u"Daten|"_s + W + u"|Zahl"_s};
        QTest::newRow("the start key's name does not count")
            << "W" << (list & ~(ValueNames | ValueData)) << 0u << W << "" << false << QStringList{};
        QTest::newRow("listing from the default value skips it")
            << "run" << list << Substring << W << "" << true
            << QStringList{u"Wert|"_s + W + u"|RunOnce"_s, u"Schlüssel|"_s + a, u"Wert|"_s + b, u"Daten|"_s + b,
                           u"Schlüssel|"_s + run};
        const uint next = Everything;
        QTest::newRow("next after the default value")
            << "run" << next << Substring << W << "" << true << QStringList{u"Wert|"_s + W + u"|RunOnce"_s};
        QTest::newRow("next after a value goes into the subkeys")
            << "run" << next << Substring << W << "RunOnce" << false << QStringList{u"Schlüssel|"_s + a};
        QTest::newRow("next from a deep key climbs to the later siblings")
            << "run" << next << Substring << W + u"\\a\\RunDeep"_s << "" << false << QStringList{u"Wert|"_s + b};
        QTest::newRow("the selected value is not found again")
            << "run" << next << Substring << W + u"\\b"_s << "runner" << false << QStringList{u"Schlüssel|"_s + run};
        QTest::newRow("a start value deleted meanwhile resumes in its place")
            << "run" << next << Substring << W << "Q" << false << QStringList{u"Wert|"_s + W + u"|RunOnce"_s};
        QTest::newRow("a start key deleted meanwhile resumes in its place")
            << "run" << next << Substring << W + u"\\aa"_s << "" << false << QStringList{u"Wert|"_s + b};
        QTest::newRow("from the top node the first root key's name")
            << "HKEY_CLASSES_ROOT" << next << 0u << "" << "" << false
            << QStringList{u"Schlüssel|HKEY_CLASSES_ROOT|"_s};
        QTest::newRow("later root keys are reached")
            << "HKEY_LOCAL_MACHINE" << next << 0u << W << "" << false
            << QStringList{u"Schlüssel|HKEY_LOCAL_MACHINE|"_s};
        QTest::newRow("only the root key of the start")
            << "HKEY_LOCAL_MACHINE" << (next | SingleRoot) << 0u << W << "" << false << QStringList{};
        QTest::newRow("no wrap-around to earlier root keys")
            << "HKEY_CLASSES_ROOT" << next << 0u << W << "" << false << QStringList{};
    }

    void rows()
    {
        QFETCH(QString, text);
        QFETCH(uint, content);
        QFETCH(uint, compare);
        QFETCH(QString, startKey);
        QFETCH(QString, startValue);
        QFETCH(bool, atDefault);
        QFETCH(QStringList, rows);
        QStringList seen;
        ScriptedProgress progress;
        const SearchOutcome outcome =
            RunSearch(SearchCriteria{text, content, compare}, SearchStart{startKey, startValue, atDefault}, progress,
                      [&](const SearchResult& r) { seen.append(rowText(r)); });
        if (outcome.match.found)
            seen.append(rowText(outcome.match));
        QCOMPARE(seen, rows);
        QVERIFY(!outcome.cancelled);
    }

    // Names as long as the store takes them are found, and do not end their key's lists.
    void longNames()
    {
        const QString key = QString(255, u'k'), value = QString(MAX_VALUE_NAME, u'v');
        QVERIFY(RegTestKeys::setValue(u"W\\b\\"_s + key, value, REG_SZ, RegTestKeys::sz("")));
        QVERIFY(RegTestKeys::makeKey(u"W\\b\\zz"_s));
        QStringList seen;
        ScriptedProgress progress;
        const DWORD flags = KeyNames | ValueNames | StringTypes | ListResults | OnlyCurrentKey;
        const SearchCriteria criteria{u"kkk | vvv | zz"_s, flags, CompareFlags::Default};
        (void)RunSearch(criteria, SearchStart{W + u"\\b"_s, QString(), false}, progress,
                        [&](const SearchResult& r) { seen.append(r.keyPath.section(u'\\', -1) + u'|' + r.valueName); });
        QCOMPARE(seen, (QStringList{key + u'|', key + u'|' + value, u"zz|"_s}));
    }

    void cancel()
    {
        ScriptedProgress progress(4);
        QStringList seen;
        const SearchOutcome outcome = RunSearch(SearchCriteria{u"run"_s, Everything | ListResults, Substring},
                                                SearchStart{W, QString(), false}, progress,
                                                [&](const SearchResult& r) { seen.append(rowText(r)); });
        QVERIFY(outcome.cancelled);
        QCOMPARE(progress.steps(), 4);
        QVERIFY(seen.size() < 2);
    }

private:
    RegTestKeys::StoreFixture m_fixture;
};

QTEST_GUILESS_MAIN(TestSearchWalk)
#include "TestSearchWalk.moc"
