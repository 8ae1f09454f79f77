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

    void leavesOthersToTheCollator_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("covered");
        QTest::newRow("umlaut") << u"de_DE"_s << false << u"Ärger"_s << false;
        QTest::newRow("sharp s") << u"de_DE"_s << false << u"Straße"_s << false;
        QTest::newRow("control character") << u"de_DE"_s << false << u"a\tb"_s << false;
        QTest::newRow("case-sensitive order") << u"de_DE"_s << true << u"abc"_s << false;
        QTest::newRow("Danish aa") << u"da_DK"_s << false << u"aa"_s << false;
        QTest::newRow("plain") << u"de_DE"_s << false << u"Run Once"_s << true;
    }

    void leavesOthersToTheCollator()
    {
        QFETCH(QString, locale);
        QFETCH(bool, caseSensitive);
        QFETCH(QString, name);
        QFETCH(bool, covered);
        QCollator collator{QLocale(locale)};
        collator.setCaseSensitivity(caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
        QCOMPARE(AsciiCollation(collator).covers(name), covered);
    }
};

QTEST_GUILESS_MAIN(TestAsciiCollation)
#include "TestAsciiCollation.moc"
