// Delete from search results against a real store: pairs deleted once, the order of a key and its
// values, the default value, and the answers that end the run.

#include "registry/RegTestKeys.h"
#include "search/DeleteFound.h"
#include "support/ScriptedProgress.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

namespace {

const QString Base = u"HKEY_CURRENT_USER\\T"_s;
using Answers = QList<MessageAnswer>;

} // namespace

class TestDeleteFound : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fixture.start());
        for (const QString& name : {u"a"_s, u"v"_s, u"w"_s})
            QVERIFY(setValue(u"T"_s, name, REG_SZ, sz("x")));
        QVERIFY(setValue(u"T\\K"_s, QString(), REG_SZ, sz("default")));
        QVERIFY(setValue(u"T\\K"_s, u"v"_s, REG_DWORD, QByteArray(4, '\0')));
    }
    void cleanup() { m_fixture.stop(); }

    // The list is walked from the bottom. A value found by name and by data is one deletion after one
    // question and both rows go; marking the data row alone is enough. The values inside a key go before
    // the key; the default value's row deletes the default value. No keeps the row and goes on; Cancel
    // keeps it and ends the run without the refresh question; a failure with warnings asks to go on, and
    // its Cancel still leaves the refresh question.
    void deletesFromTheBottom_data()
    {
        QTest::addColumn<QStringList>("rows"); // "found at|value name|key below T", "*" in front: marked
        QTest::addColumn<DWORD>("runFlags");
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("rowsLeft"); // their value names
        QTest::addColumn<QStringList>("gone");     // "key below T|value name" no longer in the registry
        QTest::addColumn<bool>("refresh");
        const DWORD confirm = RunFlags::Confirm, warnings = RunFlags::Warnings;
        const QString askV = u"Wert 'v' wirklich löschen?"_s, askGone = u"Wert 'gone' wirklich löschen?"_s;
        const QString cannot = u"Konnte Wert 'gone' nicht löschen."_s;
        const QStringList pair{u"*Wert|v|"_s, u"*Daten|v|"_s, u"Daten|w|"_s};
        const QStringList failing{u"*Wert|a|"_s, u"*Wert|gone|"_s}; // "gone" is not in the registry
        const QStringList w{u"w"_s}, v{u"|v"_s}, kept{u"a"_s, u"gone"_s}, none;
        QTest::newRow("pair, both rows marked") << pair << confirm << Answers{MessageAnswer::Yes} << QStringList{askV}
                                                << w << v << true;
        QTest::newRow("pair, data row marked") << QStringList{u"Wert|v|"_s, u"*Daten|v|"_s, u"Daten|w|"_s} << confirm
                                               << Answers{MessageAnswer::Yes} << QStringList{askV} << w << v << true;
        QTest::newRow("values before their key")
            << QStringList{u"*Schlüssel||\\K"_s, u"*Daten||\\K"_s, u"*Wert|v|\\K"_s} << confirm
            << Answers{MessageAnswer::Yes, MessageAnswer::Yes, MessageAnswer::No}
            << QStringList{askV, u"Wert '(Standard)' wirklich löschen?"_s,
                           u"Schlüssel '%1\\K' wirklich löschen?"_s.arg(Base)}
            << QStringList{QString()} << QStringList{u"\\K|v"_s, u"\\K|"_s} << true;
        QTest::newRow("no, then yes") << failing << confirm << Answers{MessageAnswer::No, MessageAnswer::Yes}
                                      << QStringList{askGone, u"Wert 'a' wirklich löschen?"_s} << QStringList{u"gone"_s}
                                      << QStringList{u"|a"_s} << true;
        QTest::newRow("cancel") << failing << confirm << Answers{MessageAnswer::Cancel} << QStringList{askGone} << kept
                                << none << false;
        QTest::newRow("warning, go on") << failing << warnings << Answers{MessageAnswer::Ok} << QStringList{cannot}
                                        << QStringList{u"gone"_s} << QStringList{u"|a"_s} << true;
        QTest::newRow("warning, cancel") << failing << warnings << Answers{MessageAnswer::Cancel}
                                         << QStringList{cannot} << kept << none << true;
    }

    void deletesFromTheBottom()
    {
        QFETCH(QStringList, rows);
        QFETCH(Answers, answers);
        SearchResultList list;
        for (const QString& row : rows) {
            const QStringList f = row.mid(row.startsWith(u'*') ? 1 : 0).split(u'|');
            list.AddResultRow(f[0], f[1], f[0] == u"Schlüssel"_s ? 1 : 5, Base + f[2]);
        }
        for (int i = 0; i < list.size(); ++i) // rows sort by key, name first: here in the order given
            list.setSelected(i, rows[i].startsWith(u'*'));
        for (MessageAnswer answer : answers)
            m_fixture.sink->pushAnswer(answer);
        ScriptedProgress progress;
        QFETCH(DWORD, runFlags);
        const ResultRunOutcome outcome = DeleteFromResults(list, {runFlags, false}, {}, progress);
        QTEST(m_fixture.sink->texts(), "messages");
        QStringList left;
        for (const ResultRow& row : list.rows())
            left << row.valueName;
        QTEST(left, "rowsLeft");
        QFETCH(QStringList, gone);
        for (const QString& entry : {u"|a"_s, u"|v"_s, u"|w"_s, u"\\K|"_s, u"\\K|v"_s}) {
            const QByteArray data = value(u"T"_s + entry.section(u'|', 0, 0), entry.section(u'|', 1)).second;
            QVERIFY2((data == "<missing>") == gone.contains(entry), qPrintable(entry));
        }
        QVERIFY(RegTestKeys::exists(u"T\\K"_s));
        QTEST(AsksRefreshAfterDelete(outcome), "refresh");
        QCOMPARE(outcome.changed, int(gone.size()));
    }

private:
    RegTestKeys::StoreFixture m_fixture;
};

QTEST_GUILESS_MAIN(TestDeleteFound)
#include "TestDeleteFound.moc"
