#include "search/TextMatcher.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
constexpr DWORD C = CompareFlags::CaseSensitive;
constexpr DWORD S = CompareFlags::Substring;
constexpr DWORD L = CompareFlags::Logical;
} // namespace

class TestTextMatcher : public QObject {
    Q_OBJECT

private slots:
    void matchText_data();
    void matchText();
    void oneExpressionManyCandidates();
};

void TestTextMatcher::matchText_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("candidate");
    QTest::addColumn<uint>("flags");
    QTest::addColumn<bool>("matched");

    // plain comparison
    QTest::newRow("substring ignores case") << u"run"_s << u"RunOnce"_s << uint(S) << true;
    QTest::newRow("substring with case") << u"run"_s << u"RunOnce"_s << uint(S | C) << false;
    QTest::newRow("whole string: Run is not RunOnce") << u"Run"_s << u"RunOnce"_s << uint(0) << false;
    QTest::newRow("whole string ignores case") << u"run"_s << u"RUN"_s << uint(0) << true;
    QTest::newRow("whole string with case") << u"Run"_s << u"run"_s << uint(C) << false;
    QTest::newRow("header test") << u"REGEDIT4"_s << u"regedit4"_s << uint(0) << true;
    QTest::newRow("blanks are text without operators") << u"foo bar"_s << u"bar foo"_s << uint(S) << false;
    QTest::newRow("OR is text without operators") << u"a OR b"_s << u"a OR b"_s << uint(S) << true;
    // umlauts: one character upper-cased to one character
    QTest::newRow("ä finds Ä") << u"ä"_s << u"GRÄSER"_s << uint(S) << true;
    QTest::newRow("Ä finds ä") << u"Ä"_s << u"gräser"_s << uint(0 | S) << true;
    QTest::newRow("ä with case") << u"Ä"_s << u"gräser"_s << uint(S | C) << false;
    QTest::newRow("whole ä") << u"müller"_s << u"MÜLLER"_s << uint(0) << true;
    QTest::newRow("ß is not SS") << u"ß"_s << u"STRASSE"_s << uint(S) << false;
    QTest::newRow("ß in a longer text") << u"straße"_s << u"STRAßE"_s << uint(S) << true;
    QTest::newRow("ÿ upper is Ÿ") << u"ÿ"_s << u"Ÿ"_s << uint(0) << true;
    QTest::newRow("Greek") << u"ωμέγα"_s << u"ΩΜΈΓΑ"_s << uint(0) << true;
    // logical expressions
    QTest::newRow("side by side is AND") << u"foo bar"_s << u"bar and foo"_s << uint(S | L) << true;
    QTest::newRow("side by side, one missing") << u"foo bar"_s << u"foo only"_s << uint(S | L) << false;
    QTest::newRow("AND") << u"foo AND bar"_s << u"foobar"_s << uint(S | L) << true;
    QTest::newRow("&") << u"foo & bar"_s << u"foo"_s << uint(S | L) << false;
    QTest::newRow("OR") << u"foo OR bar"_s << u"only bar"_s << uint(S | L) << true;
    QTest::newRow("or in lower case") << u"foo or bar"_s << u"bar"_s << uint(S | L) << true;
    QTest::newRow("|") << u"foo | bar"_s << u"baz"_s << uint(S | L) << false;
    QTest::newRow("NOT excludes") << u"foo NOT bar"_s << u"foo bar"_s << uint(S | L) << false;
    QTest::newRow("NOT passes") << u"foo NOT bar"_s << u"foo baz"_s << uint(S | L) << true;
    QTest::newRow("!") << u"foo ! bar"_s << u"foobar"_s << uint(S | L) << false;
    QTest::newRow("NOT alone") << u"NOT foo"_s << u"xyz"_s << uint(S | L) << true;
    QTest::newRow("AND binds before OR") << u"a b OR c"_s << u"c"_s << uint(S | L) << true;
    QTest::newRow("AND binds before OR, no") << u"a b OR c"_s << u"a"_s << uint(S | L) << false;
    QTest::newRow("operator glued to a word is text") << u"foo|bar"_s << u"foo"_s << uint(S | L) << false;
    QTest::newRow("several blanks") << u"foo    bar"_s << u"barfoo"_s << uint(S | L) << true;
    QTest::newRow("phrase") << u"\"foo bar\""_s << u"xfoo bary"_s << uint(S | L) << true;
    QTest::newRow("phrase keeps order") << u"\"foo bar\""_s << u"bar foo"_s << uint(S | L) << false;
    QTest::newRow("phrase joins with one blank") << u"\"foo   bar\""_s << u"foo bar"_s << uint(S | L) << true;
    QTest::newRow("quoted OR is a term") << u"\"OR\""_s << u"xyz"_s << uint(S | L) << false;
    QTest::newRow("quoted OR found") << u"\"OR\""_s << u"WORT"_s << uint(S | L) << true;
    QTest::newRow("NOT phrase") << u"NOT \"a b\""_s << u"a  b"_s << uint(S | L) << true;
    QTest::newRow("quote inside a word is text") << u"a\"b"_s << u"xa\"by"_s << uint(S | L) << true;
    QTest::newRow("empty phrase stands for nothing") << u"\"\" foo"_s << u"foo"_s << uint(S | L) << true;
    QTest::newRow("case applies to terms") << u"run once"_s << u"RunOnce"_s << uint(S | L | C) << false;
    QTest::newRow("whole string does not apply") << u"Run"_s << u"RunOnce"_s << uint(L) << true;
    QTest::newRow("umlaut term") << u"grüße NOT ä"_s << u"GRÜßE"_s << uint(S | L) << true;
    // operators in a row
    QTest::newRow("OR AND is OR") << u"foo OR AND bar"_s << u"bar"_s << uint(S | L) << true;
    QTest::newRow("AND OR is OR") << u"foo AND OR bar"_s << u"bar"_s << uint(S | L) << true;
    QTest::newRow("AND AND is AND") << u"foo AND AND bar"_s << u"bar"_s << uint(S | L) << false;
    QTest::newRow("NOT NOT cancels") << u"NOT NOT foo"_s << u"foo"_s << uint(S | L) << true;
    QTest::newRow("NOT NOT still needs the term") << u"NOT NOT foo"_s << u"bar"_s << uint(S | L) << false;
    QTest::newRow("NOT AND negates the term") << u"NOT AND foo"_s << u"foo"_s << uint(S | L) << false;
    QTest::newRow("NOT before OR is dropped") << u"foo NOT OR bar"_s << u"foo"_s << uint(S | L) << true;
    QTest::newRow("leading OR adds no match-all") << u"OR foo"_s << u"bar"_s << uint(S | L) << false;
    QTest::newRow("trailing OR adds no match-all") << u"foo OR"_s << u"bar"_s << uint(S | L) << false;
    QTest::newRow("trailing NOT dropped") << u"foo NOT"_s << u"foo"_s << uint(S | L) << true;
    QTest::newRow("operators alone are text") << u"!"_s << u"Hallo!"_s << uint(S | L) << true;
    QTest::newRow("operators alone, not there") << u"OR"_s << u"xyz"_s << uint(S | L) << false;
    // a phrase without its closing quote runs to the end
    QTest::newRow("open phrase") << u"\"foo bar"_s << u"xfoo bar"_s << uint(S | L) << true;
    QTest::newRow("open phrase keeps order") << u"\"foo bar"_s << u"bar foo"_s << uint(S | L) << false;
    QTest::newRow("open phrase holds OR as text") << u"\"foo OR bar"_s << u"bar"_s << uint(S | L) << false;
    QTest::newRow("open phrase with OR found") << u"\"foo OR bar"_s << u"a foo OR bar"_s << uint(S | L) << true;
    QTest::newRow("lone quote opens a phrase") << u"\" x"_s << u"a x"_s << uint(S | L) << true;
}

void TestTextMatcher::matchText()
{
    QFETCH(QString, search);
    QFETCH(QString, candidate);
    QFETCH(uint, flags);
    QFETCH(bool, matched);
    QCOMPARE(MatchText(search, candidate, flags), matched);
}

// The parsed form keeps no state from one candidate to the next.
void TestTextMatcher::oneExpressionManyCandidates()
{
    const TextMatcher matcher(u"\"new key\" OR wert NOT alt"_s, S | L);
    const QStringList candidates{u"New Key #1"_s, u"Alter Wert"_s, u"WERT"_s, u"nichts"_s, u"neuer wert"_s};
    QList<bool> results;
    for (const QString& candidate : candidates)
        results << matcher.matches(candidate);
    QCOMPARE(results, (QList<bool>{true, false, true, false, true}));
}

QTEST_GUILESS_MAIN(TestTextMatcher)
#include "TestTextMatcher.moc"
