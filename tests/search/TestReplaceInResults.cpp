// Replace in search results against a real store: the text rule, data by type, renames that the rows
// follow, and the run's questions.

#include "registry/RegTestKeys.h"
#include "search/ReplaceInResults.h"
#include "support/ScriptedProgress.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

namespace {

const QString Base = u"HKEY_CURRENT_USER\\T"_s;

ReplaceSettings settings(const QString& find, const QString& replacement, DWORD compare = ReplaceCompare::Default)
{
    ReplaceSettings s;
    s.find = find;
    s.replacement = replacement;
    s.runFlags = 0;
    s.compareFlags = compare;
    return s;
}

QStringList rowTexts(const SearchResultList& list)
{
    QStringList out;
    for (const ResultRow& row : list.rows())
        out << row.foundAt + u'|' + row.valueName + u'|' + row.keyPath.mid(Base.size());
    return out;
}

} // namespace

class TestReplaceInResults : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_fixture.start()); }
    void cleanup() { m_fixture.stop(); }

    void replaceText_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        const DWORD sub = ReplaceCompare::Substring;
        QTest::newRow("every occurrence, ignoring case")
            << ReplaceText(u"banana"_s, u"a"_s, u"A"_s, sub) << u"bAnAnA"_s;
        QTest::newRow("replacement holds the text") << ReplaceText(u"banana"_s, u"A"_s, u"aa"_s, sub) << u"baanaanaa"_s;
        QTest::newRow("first occurrence only")
            << ReplaceText(u"banana"_s, u"a"_s, u"A"_s, sub | ReplaceCompare::FirstOnly) << u"bAnana"_s;
        QTest::newRow("case-sensitive misses")
            << ReplaceText(u"Banana"_s, u"b"_s, u"x"_s, sub | ReplaceCompare::CaseSensitive) << u"Banana"_s;
        QTest::newRow("umlaut ignoring case") << ReplaceText(u"MÜLLER"_s, u"ü"_s, u"ue"_s, sub) << u"MueLLER"_s;
        QTest::newRow("whole name") << ReplaceText(u"RUN"_s, u"run"_s, u"x"_s, DWORD(0)) << u"x"_s;
        QTest::newRow("whole mode leaves a longer name")
            << ReplaceText(u"runner"_s, u"run"_s, u"x"_s, DWORD(0)) << u"runner"_s;
        QTest::newRow("empty text") << ReplaceText(QString(), u"a"_s, u"b"_s, sub) << QString();
    }

    void replaceText()
    {
        QFETCH(QString, actual);
        QTEST(actual, "expected");
    }

    // The data as stored after ReplaceInEntry on it; DWORDs by their decimal text.
    void replacesDataByType_data()
    {
        QTest::addColumn<DWORD>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("replaced");
        const auto row = [](const char* name, DWORD type, const QByteArray& data, const char* find, const char* by,
                            const QByteArray& expected, bool replaced) {
            QTest::newRow(name) << type << data << QString::fromUtf8(find) << QString::fromUtf8(by) << expected
                                << replaced;
        };
        const auto dword = [](const char* bytes) { return QByteArray(bytes, 4); };
        row("string", REG_SZ, sz("C:\\Old\\x"), "old", "New", sz("C:\\New\\x"), true);
        row("empty string", REG_SZ, sz(""), "a", "b", sz(""), false);
        row("DWORD 1234", REG_DWORD, dword("\xD2\x04\0\0"), "23", "99", dword("\xCA\x07\0\0"), true);
        row("DWORD to hexadecimal", REG_DWORD, dword("\x0C\0\0\0"), "12", "x $1F", dword("\x1F\0\0\0"), true);
        row("DWORD to negative", REG_DWORD, dword("\x0C\0\0\0"), "12", "-1", dword("\xFF\xFF\xFF\xFF"), true);
        row("DWORD to no number", REG_DWORD, dword("\x0C\0\0\0"), "12", "AB", dword("\x0C\0\0\0"), false);
        row("DWORD beyond 32 bits", REG_DWORD, dword("\x0C\0\0\0"), "12", "4294967296", dword("\x0C\0\0\0"), false);
        row("expandable text stays UTF-8", REG_EXPAND_SZ, sz("%X%\\M\xC3\xBCller"), "ü", "ö", sz("%X%\\M\xC3\xB6ller"),
            true);
        row("binary bytes as characters", REG_BINARY, "\x01" "ab\xFF", "AB", "c", "\x01" "c\xFF", true);
        row("binary cannot hold the replacement", REG_BINARY, "ab", "a", "€", "ab", false);
    }

    void replacesDataByType()
    {
        QFETCH(DWORD, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, find);
        QFETCH(QString, replacement);
        QVERIFY(setValue(u"T"_s, u"v"_s, type, data));
        const EntryOutcome o = ReplaceInEntry(Base, u"v"_s, ReplaceTarget::ValueData, settings(find, replacement));
        QTEST(o.replaced, "replaced");
        QCOMPARE(RegTestKeys::value(u"T"_s, u"v"_s).first, type);
        QTEST(RegTestKeys::value(u"T"_s, u"v"_s).second, "expected");
    }

    // Renaming a key moves the rows of its subtree along; a sibling that only begins alike stays. A value
    // found by name and by data: the data is replaced under the old name first, then the name, and both
    // rows show the new name.
    void renamesMoveTheRows()
    {
        QVERIFY(setValue(u"T\\Run\\Sub"_s, u"a"_s, REG_SZ, sz("x")));
        QVERIFY(RegTestKeys::makeKey(u"T\\Runner"_s));
        QVERIFY(setValue(u"T"_s, u"oldName"_s, REG_SZ, sz("old data")));
        SearchResultList keys;
        keys.AddResultRow(u"Schlüssel"_s, QString(), 1, Base + u"\\Run"_s);
        keys.AddResultRow(u"Daten"_s, u"a"_s, 5, Base + u"\\Run\\Sub"_s);
        keys.AddResultRow(u"Schlüssel"_s, QString(), 1, Base + u"\\Runner"_s);
        keys.setSelected(0, true);
        ScriptedProgress progress;
        QCOMPARE(ReplaceInResults(keys, settings(u"run"_s, u"Go"_s, 0), {}, progress).changed, 1);
        QCOMPARE(rowTexts(keys),
                 (QStringList{u"Schlüssel||\\Go"_s, u"Daten|a|\\Go\\Sub"_s, u"Schlüssel||\\Runner"_s}));
        QCOMPARE(RegTestKeys::subKeys(u"T"_s), (QStringList{u"Go"_s, u"Runner"_s}));
        QCOMPARE(RegTestKeys::value(u"T\\Go\\Sub"_s, u"a"_s).second, sz("x"));

        SearchResultList values;
        values.AddResultRow(u"Wert"_s, u"oldName"_s, 5, Base);
        values.AddResultRow(u"Daten"_s, u"oldName"_s, 5, Base);
        values.MarkAll();
        QCOMPARE(ReplaceInResults(values, settings(u"old"_s, u"new"_s), {}, progress).changed, 2);
        QCOMPARE(rowTexts(values), (QStringList{u"Wert|newName|"_s, u"Daten|newName|"_s}));
        QCOMPARE(RegTestKeys::value(u"T"_s, u"newName"_s).second, sz("new data"));
    }

    // With confirmation each change is asked for; "&Ok" handles the last marked row only; Cancel ends
    // the run. A failed rename with warnings names the value.
    void questionsOfTheRun_data()
    {
        QTest::addColumn<QList<MessageAnswer>>("answers");
        QTest::addColumn<DWORD>("runFlags");
        QTest::addColumn<bool>("allRows");
        QTest::addColumn<QStringList>("namesAfter");
        QTest::addColumn<QStringList>("messages");
        const QString askA = u"Dieses Vorkommen in 'a1' wirklich ersetzen?"_s;
        const QString askB = u"Dieses Vorkommen in 'b1' wirklich ersetzen?"_s;
        const DWORD confirm = RunFlags::Confirm;
        QTest::newRow("yes to both") << QList{MessageAnswer::Yes, MessageAnswer::Yes} << confirm << true
                                     << QStringList{u"a2"_s, u"b2"_s} << QStringList{askB, askA};
        QTest::newRow("no, then yes") << QList{MessageAnswer::No, MessageAnswer::Yes} << confirm << true
                                      << QStringList{u"a2"_s, u"b1"_s} << QStringList{askB, askA};
        QTest::newRow("cancel ends the run") << QList{MessageAnswer::Cancel} << confirm << true
                                             << QStringList{u"a1"_s, u"b1"_s} << QStringList{askB};
        QTest::newRow("ok: last marked row only") << QList<MessageAnswer>{} << DWORD(0) << false
                                                  << QStringList{u"a1"_s, u"b2"_s} << QStringList{};
        QTest::newRow("warning of a failed rename")
            << QList{MessageAnswer::Cancel} << DWORD(RunFlags::Warnings) << true << QStringList{u"a1"_s, u"b1"_s}
            << QStringList{u"Konnte Wert 'b1' nicht umbenennen."_s};
    }

    void questionsOfTheRun()
    {
        QFETCH(QList<MessageAnswer>, answers);
        QFETCH(DWORD, runFlags);
        QFETCH(bool, allRows);
        QVERIFY(setValue(u"T"_s, u"a1"_s, REG_SZ, sz("x")));
        QVERIFY(setValue(u"T"_s, u"b1"_s, REG_SZ, sz("x")));
        if (runFlags & RunFlags::Warnings)
            QVERIFY(setValue(u"T"_s, u"b2"_s, REG_SZ, sz("taken")));
        SearchResultList list;
        list.AddResultRow(u"Wert"_s, u"a1"_s, 5, Base);
        list.AddResultRow(u"Wert"_s, u"b1"_s, 5, Base);
        list.MarkAll();
        for (MessageAnswer a : answers)
            m_fixture.sink->pushAnswer(a);
        ReplaceSettings s = settings(u"1"_s, u"2"_s);
        s.runFlags = runFlags;
        s.allRows = allRows;
        QList<int> markerCalls;
        ScriptedProgress progress;
        const ResultRunOutcome run
            = ReplaceInResults(list, s, {[&](int row, bool on) { markerCalls << (on ? row : -1); }}, progress);
        QFETCH(QStringList, namesAfter);
        for (const QString& name : namesAfter)
            QVERIFY2(RegTestKeys::value(u"T"_s, name).first == REG_SZ, qPrintable(name));
        QTEST(m_fixture.sink->texts(), "messages");
        QCOMPARE(run.cancelled, answers.contains(MessageAnswer::Cancel));
        QCOMPARE(AsksRefreshAfterReplace(run), run.changed > 0);
        // The marker shows on the row being asked about, and only with confirmation.
        if (runFlags & RunFlags::Confirm)
            QCOMPARE(markerCalls.mid(0, 2), (QList<int>{1, -1}));
        else
            QVERIFY(markerCalls.isEmpty());
    }

    void lostConnectionEndsTheRun()
    {
        QVERIFY(setValue(u"T"_s, u"a1"_s, REG_SZ, sz("x")));
        SearchResultList list;
        list.AddResultRow(u"Wert"_s, u"a1"_s, 5, Base);
        list.MarkAll();
        CurrentMachine() = u"\\\\NOWHERE"_s;
        ScriptedProgress progress;
        const ResultRunOutcome run = ReplaceInResults(list, settings(u"1"_s, u"2"_s), {}, progress);
        QVERIFY(run.lostConnection);
        QVERIFY(!AsksRefreshAfterReplace(run));
        QCOMPARE(m_fixture.sink->texts(), QStringList{u"Fehler: "_s + LostConnectionText});
        CurrentMachine().clear();
        QCOMPARE(RegTestKeys::value(u"T"_s, u"a1"_s).second, sz("x"));
    }

private:
    RegTestKeys::StoreFixture m_fixture;
};

QTEST_GUILESS_MAIN(TestReplaceInResults)
#include "TestReplaceInResults.moc"
