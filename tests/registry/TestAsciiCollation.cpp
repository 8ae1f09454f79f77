// The collator's order of plain names without the collator: every pair of a set of names chosen to
// touch each class of printable characters (space, punctuation, symbols, digits, letters of either case,
// prefixes) compares as the collator compares them; other characters and other locales are left to it.

#include "registry/AsciiCollation.h"

#include <QCollator>
#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAsciiCollation final : public QObject {
    Q_OBJECT

private slots:
    void sameOrderAsCollator()
    {
        const QStringList names{u""_s,       u" "_s,       u"a b"_s,   u"ab"_s,     u"a_b"_s,    u"a-b"_s,
                                u"a.b"_s,    u"a\\b"_s,    u"a\\b\\c"_s, u"ab\\c"_s, u"a1"_s,     u"a10"_s,
                                u"a9"_s,     u"A"_s,       u"a"_s,     u"B"_s,      u"Run"_s,    u"RunOnce"_s,
                                u"run once"_s, u"~x"_s,    u"$x"_s,    u"#x"_s,     u"(x)"_s,    u"x+y"_s,
                                u"x=y"_s,    u"x|y"_s,     u"@x"_s,    u"'x'"_s,    u"\"x\""_s,  u"x;y"_s,
                                u"x,y"_s,    u"x:y"_s,     u"x!"_s,    u"x?"_s,     u"[x]"_s,    u"{x}"_s,
                                u"x*"_s,     u"x/y"_s,     u"x&y"_s,   u"x%"_s,     u"`x"_s,     u"^x"_s,
                                u"<x>"_s,    u".7z"_s,     u".7Z1"_s,  u"Zz"_s,     u"0"_s,      u"00"_s};
        for (const char* locale : {"de_DE", "en_US"}) {
            QCollator collator{QLocale(QString::fromLatin1(locale))};
            collator.setCaseSensitivity(Qt::CaseInsensitive);
            const AsciiCollation ascii(collator);
            for (const QString& a : names) {
                QVERIFY2(ascii.covers(a), qPrintable(a));
                for (const QString& b : names) {
                    const int expected = collator.compare(a, b);
                    const int got = ascii.compareCovered(a, b);
                    QVERIFY2((expected < 0) == (got < 0) && (expected > 0) == (got > 0),
                             qPrintable(locale + u": "_s + a + u" | "_s + b));
                }
            }
        }
    }

    // Umlauts, sharp s, control characters, a case-sensitive order and a locale that sorts "aa" apart are left
    // to the collator; a plain name is covered.
    void leavesOthersToTheCollator()
    {
        const std::tuple<const char*, bool, QString, bool> cases[] = { // locale, case-sensitive, name, covered
            {"de_DE", false, u"Ärger"_s, false}, {"de_DE", false, u"Straße"_s, false},
            {"de_DE", false, u"a\tb"_s, false}, {"de_DE", true, u"abc"_s, false},
            {"da_DK", false, u"aa"_s, false}, {"de_DE", false, u"Run Once"_s, true}};
        for (const auto& [locale, caseSensitive, name, covered] : cases) {
            QCollator collator{QLocale(QString::fromLatin1(locale))};
            collator.setCaseSensitivity(caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
            QVERIFY2(AsciiCollation(collator).covers(name) == covered, qPrintable(name));
        }
    }
};

QTEST_GUILESS_MAIN(TestAsciiCollation)
#include "TestAsciiCollation.moc"
