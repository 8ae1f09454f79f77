// Delete from search results against a real store: pairs deleted once, the order of a key and its
// values, the default value, and the answers that end the run.

#include "registry/RegTestKeys.h"
#include "search/DeleteFound.h"
#include "support/ScriptedProgress.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using RegTestKeys::setValue;
using RegTestKeys::sz;

namespace {

const QString Base = u"HKEY_CURRENT_USER\\T"_s;

ResultRunOutcome run(SearchResultList& list, DWORD runFlags)
{
    ScriptedProgress progress;
    return DeleteFromResults(list, {runFlags, false}, {}, progress);
}

} // namespace

class TestDeleteFound : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_fixture.start()); }
    void cleanup() { m_fixture.stop(); }

    // A value found by name and by data is one deletion after one question; both rows go. Marking the
    // data row alone is enough.
    void deletesPairOnce_data()
    {
        QTest::addColumn<bool>("nameRowMarked");
        QTest::newRow("both rows marked") << true;
        QTest::newRow("data row marked") << false;
    }

    void deletesPairOnce()
    {
        QFETCH(bool, nameRowMarked);
        QVERIFY(setValue(u"T"_s, u"v"_s, REG_SZ, sz("x")));
        QVERIFY(setValue(u"T"_s, u"w"_s, REG_SZ, sz("x")));
        SearchResultList list;
        list.AddResultRow(u"Wert"_s, u"v"_s, 5, Base);
        list.AddResultRow(u"Daten"_s, u"v"_s, 5, Base);
        list.AddResultRow(u"Daten"_s, u"w"_s, 5, Base);
        list.setSelected(0, nameRowMarked);
        list.setSelected(1, true);
        m_fixture.sink->pushAnswer(MessageAnswer::Yes);
        const ResultRunOutcome outcome = run(list, RunFlags::Confirm);
        QCOMPARE(m_fixture.sink->texts(), QStringList{u"Wert 'v' wirklich löschen?"_s});
        QCOMPARE(outcome.changed, 1);
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.rows().front().valueName, u"w"_s);
        QCOMPARE(RegTestKeys::value(u"T"_s, u"v"_s).first, DWORD(REG_NONE));
    }

    // The list is walked from the bottom: the values inside a key go before the key; the default
    // value's row deletes the default value.
    void valuesBeforeTheirKey()
    {
        QVERIFY(setValue(u"T\\K"_s, QString(), REG_SZ, sz("default")));
        QVERIFY(setValue(u"T\\K"_s, u"v"_s, REG_DWORD, QByteArray(4, '\0')));
        SearchResultList list;
        list.AddResultRow(u"Schlüssel"_s, QString(), 1, Base + u"\\K"_s);
        list.AddResultRow(u"Daten"_s, QString(), 5, Base + u"\\K"_s);
        list.AddResultRow(u"Wert"_s, u"v"_s, 6, Base + u"\\K"_s);
        list.MarkAll();
        for (int i = 0; i < 3; ++i)
            m_fixture.sink->pushAnswer(i < 2 ? MessageAnswer::Yes : MessageAnswer::No);
        const ResultRunOutcome outcome = run(list, RunFlags::Confirm);
        QCOMPARE(m_fixture.sink->texts(),
                 (QStringList{u"Wert 'v' wirklich löschen?"_s, u"Wert '(Standard)' wirklich löschen?"_s,
                              u"Schlüssel '%1\\K' wirklich löschen?"_s.arg(Base)}));
        QCOMPARE(outcome.changed, 2);
        QCOMPARE(list.size(), 1);
        QVERIFY(RegTestKeys::exists(u"T\\K"_s));
        QCOMPARE(RegTestKeys::value(u"T\\K"_s, QString()).first, DWORD(REG_NONE));
    }

    // No keeps the row and goes on; Cancel keeps it and ends the run without the refresh question; a
    // failure with warnings asks to go on, and its Cancel still leaves the refresh question.
    void answersEndingTheRun_data()
    {
        QTest::addColumn<DWORD>("runFlags");
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<QStringList>("rowsLeft");
        QTest::addColumn<bool>("refresh");
        QTest::newRow("no, then yes") << DWORD(RunFlags::Confirm) << MessageAnswer::No << QStringList{u"gone"_s}
                                      << true;
        QTest::newRow("cancel") << DWORD(RunFlags::Confirm) << MessageAnswer::Cancel
                                << QStringList{u"a"_s, u"gone"_s} << false;
        QTest::newRow("warning, go on") << DWORD(RunFlags::Warnings) << MessageAnswer::Ok << QStringList{u"gone"_s}
                                        << true;
        QTest::newRow("warning, cancel") << DWORD(RunFlags::Warnings) << MessageAnswer::Cancel
                                         << QStringList{u"a"_s, u"gone"_s} << true;
    }

    void answersEndingTheRun()
    {
        QFETCH(DWORD, runFlags);
        QFETCH(MessageAnswer, answer);
        QVERIFY(setValue(u"T"_s, u"a"_s, REG_SZ, sz("x")));
        SearchResultList list;
        list.AddResultRow(u"Wert"_s, u"a"_s, 5, Base);
        list.AddResultRow(u"Wert"_s, u"gone"_s, 5, Base); // not in the registry: its deletion fails
        list.MarkAll();
        m_fixture.sink->pushAnswer(answer);
        m_fixture.sink->pushAnswer(MessageAnswer::Yes);
        const ResultRunOutcome outcome = run(list, runFlags);
        QStringList left;
        for (const ResultRow& row : list.rows())
            left << row.valueName;
        QTEST(left, "rowsLeft");
        QTEST(AsksRefreshAfterDelete(outcome), "refresh");
        if (runFlags & RunFlags::Warnings)
            QCOMPARE(m_fixture.sink->texts().first(), u"Konnte Wert 'gone' nicht löschen."_s);
    }

private:
    RegTestKeys::StoreFixture m_fixture;
};

QTEST_GUILESS_MAIN(TestDeleteFound)
#include "TestDeleteFound.moc"
