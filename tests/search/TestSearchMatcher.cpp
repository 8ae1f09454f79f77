#include "search/SearchMatcher.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace SearchFlags;

namespace {

constexpr uint C = CompareFlags::CaseSensitive;
constexpr uint S = CompareFlags::Substring;
constexpr uint L = CompareFlags::Logical;
constexpr uint SL = S | L;

void text(const char* name, const QString& search, const QString& candidate, uint flags, bool matched)
{
    QTest::newRow(name) << MatchText(search, candidate, flags) << matched;
}

void data(const char* name, DWORD type, const QByteArray& bytes, const QString& search, uint flags, bool matched)
{
    QTest::newRow(name) << uint(type) << bytes << search << flags << matched;
}

} // namespace

class TestSearchMatcher : public QObject {
    Q_OBJECT

private slots:
    void matchText_data()
    {
        QTest::addColumn<bool>("actual");
        QTest::addColumn<bool>("matched");
        text("substring ignores case", u"run"_s, u"RunOnce"_s, S, true);
        text("substring with case", u"run"_s, u"RunOnce"_s, S | C, false);
        text("whole: Run is not RunOnce", u"Run"_s, u"RunOnce"_s, 0, false);
        text("whole ignores case", u"müller"_s, u"MÜLLER"_s, 0, true);
        text("blanks are text", u"foo bar"_s, u"bar foo"_s, S, false);
        text("ä finds Ä", u"ä"_s, u"GRÄSER"_s, S, true);
        text("ß is not SS", u"ß"_s, u"STRASSE"_s, S, false);
        text("side by side is AND", u"foo bar"_s, u"bar foo"_s, SL, true);
        text("AND, one missing", u"foo AND bar"_s, u"foo"_s, SL, false);
        text("&", u"foo & bar"_s, u"foobar"_s, SL, true);
        text("or", u"foo or bar"_s, u"bar"_s, SL, true);
        text("|, none", u"foo | bar"_s, u"baz"_s, SL, false);
        text("NOT excludes", u"foo NOT bar"_s, u"foo bar"_s, SL, false);
        text("! passes", u"foo ! bar"_s, u"foo baz"_s, SL, true);
        text("AND before OR", u"a b OR c"_s, u"a"_s, SL, false);
        text("phrase, one blank", u"\"foo   bar\""_s, u"xfoo bar"_s, SL, true);
        text("quoted OR is a term", u"\"OR\""_s, u"xyz"_s, SL, false);
        text("case applies", u"run once"_s, u"RunOnce"_s, SL | C, false);
        text("whole string does not", u"Run"_s, u"RunOnce"_s, L, true);
        text("OR AND is OR", u"foo OR AND bar"_s, u"bar"_s, SL, true);
        text("NOT NOT cancels", u"NOT NOT foo"_s, u"bar"_s, SL, false);
        text("NOT AND negates", u"NOT AND foo"_s, u"foo"_s, SL, false);
        text("leading OR", u"OR foo"_s, u"bar"_s, SL, false);
        text("operators alone are text", u"!"_s, u"Hallo!"_s, SL, true);
        text("open phrase", u"\"foo OR bar"_s, u"bar"_s, SL, false);
        text("open phrase found", u"\"foo OR bar"_s, u"a foo OR bar"_s, SL, true);
    }

    void matchText()
    {
        QFETCH(bool, actual);
        QTEST(actual, "matched");
    }

    void valueData_data()
    {
        QTest::addColumn<uint>("type");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("search");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<bool>("matched");

        data("26 finds DWORD 26", REG_DWORD, QByteArray("\x1a\0\0\0", 4), u"26"_s, S, true);
        data("26 misses DWORD 0x26", REG_DWORD, QByteArray("\x26\0\0\0", 4), u"26"_s, S, false);
        data("unsigned", REG_DWORD, QByteArray("\xff\xff\xff\xff"), u"4294967295"_s, 0, true);
        data("DWORD of 3 bytes", REG_DWORD, QByteArray("\x1a\0\0", 3), u"26"_s, S, false);
        data("REG_SZ to its first zero", REG_SZ, QByteArray("eins\0zwei\0", 10), u"zwei"_s, S, false);
        data("REG_SZ whole", REG_SZ, QByteArray("eins\0", 5), u"EINS"_s, 0, true);
        data("REG_EXPAND_SZ whole never", REG_EXPAND_SZ, QByteArray("%PATH%\0", 7), u"%PATH%"_s, 0, false);
        data("REG_EXPAND_SZ as text", REG_EXPAND_SZ, QByteArray("Gr\xc3\xbc\xc3\x9f" "e\0", 8), u"ü"_s, S, true);
        data("REG_MULTI_SZ as text", REG_MULTI_SZ, QByteArray("a\0Gr\xc3\xbc\xc3\x9f" "e\0\0", 11), u"Ü"_s, S, true);
        data("binary E4 is ä", REG_BINARY, QByteArray("\x01\xe4"), u"Ä"_s, S, true);
        data("binary 80 is €", REG_BINARY, QByteArray("x\x80"), u"€"_s, S, true);
        data("binary is not UTF-8", REG_BINARY, QByteArray("\xc3\xa4"), u"ä"_s, S, false);
    }

    void valueData()
    {
        QFETCH(uint, type);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, search);
        QFETCH(uint, flags);
        QFETCH(bool, matched);
        SearchMatcher matcher({search, ValueData | AnyType, flags});
        QCOMPARE(matcher.matchValueData(type, bytes), matched);
        (void)matcher.matchValueData(REG_SZ, QByteArray(40, 'z')); // the reused buffer keeps nothing of it
        QCOMPARE(matcher.matchValueData(type, bytes), matched);
        QVERIFY(!SearchMatcher({search, ValueData | (AnyType & ~TypeFlagOf(type)), flags}).matchValueData(type, bytes));
    }

    void namesAndPositions()
    {
        SearchMatcher names({u"Run"_s, ValueNames | StringTypes, 0});
        QVERIFY(names.matchValueName(u"run", REG_EXPAND_SZ));
        QVERIFY(!names.matchValueName(u"RunOnce", REG_SZ));
        QVERIFY(!names.matchValueName(u"Run", REG_DWORD));
        QVERIFY(!names.matchValueName(u"Run", REG_MULTI_SZ));
        // the start key's own name takes part only with bit 512 (a search from the machine node)
        QVERIFY(!SearchMatcher({u"current"_s, KeyNames, S}).matchKeyName(u"HKEY_CURRENT_USER", true));
        QVERIFY(SearchMatcher({u"current"_s, KeyNames | StartKeyName, S}).matchKeyName(u"HKEY_CURRENT_USER", true));
        // the selected value is not found again; a start value deleted meanwhile still resumes in place
        QVERIFY(!IsPastStartValue(u"PATH", u"Path"_s, false));
        QVERIFY(IsPastStartValue(u"Pfad", u"Pf"_s, false));
        QVERIFY(!IsPastStartValue(QString(), QString(), true));
        QVERIFY(IsPastStartValue(u"A", QString(), true));
        QVERIFY(!CanStartSearch(u"x"_s, ValueData, true)); // data alone needs a type
    }
};

QTEST_GUILESS_MAIN(TestSearchMatcher)
#include "TestSearchMatcher.moc"
