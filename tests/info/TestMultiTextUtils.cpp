#include "info/MultiTextUtils.h"

#include <QtTest>

namespace {

// Tokens written as "text" and "<TAG>".
QString render(const QList<MarkupToken>& tokens)
{
    QString out;
    for (const MarkupToken& token : tokens)
        out += token.isTag ? QLatin1Char('[') + token.text + QLatin1Char(']') : QLatin1Char('|') + token.text;
    return out;
}

} // namespace

class TestMultiTextUtils : public QObject {
    Q_OBJECT

private slots:
    void scan_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("tokens");
        QTest::newRow("empty") << "" << "";
        QTest::newRow("plain") << "abc" << "|abc";
        QTest::newRow("double lt") << "a<<b" << "|a<b";
        QTest::newRow("four lt") << "a<<<<b" << "|a<b";
        QTest::newRow("three lt: a tag follows") << "a<<<b>c" << "|a<[B]|c";
        QTest::newRow("trimmed upper") << "< b\t>x</b >" << "[B]|x[/B]";
        QTest::newRow("gt outside") << "a>b" << "|a>b";
        QTest::newRow("unterminated tag") << "x<color=red" << "|x[COLOR=RED]";
        QTest::newRow("empty tag") << "<>x" << "[]|x";
        QTest::newRow("value kept") << "<C=$0000ff>r</C>" << "[C=$0000FF]|r[/C]";
    }

    void scan()
    {
        QFETCH(QString, markup);
        QTEST(render(ScanMarkup(markup)), "tokens");
    }

    // Colour names, "$BBGGRR" hex, otherwise the digits collected into a number.
    void colorValue()
    {
        const std::pair<const char*, quint32> cases[] = {
            {"RED", 0x0000FFu}, {"NAVY", 0x800000u}, {"$0000FF", 0x0000FFu}, {"$XY", 0u},
            {"12abc", 12u}, {"1a2b3", 123u}, {"", 0u}, {"-1", 0xFFFFFFFFu}};
        for (const auto& [value, colour] : cases)
            QCOMPARE(MarkupColorValue(QString::fromLatin1(value)), colour);
    }

    // Tags dropped, BR a line break, doubled "<" one; what EscapeMarkup wrote comes back.
    void strip()
    {
        const std::pair<QString, QString> cases[] = {
            {"<B>fett</B> und <C=RED>rot</C>", "fett und rot"}, {"a<BR>b< br >c", "a\r\nb\r\nc"}, {"1 <<<< 2", "1 < 2"},
            {"<B><C=BLUE>Wertname:</C></B> \"x\" (<B>REG_SZ</B>)", "Wertname: \"x\" (REG_SZ)"},
            {EscapeMarkup("a<b>c"), "a<b>c"}};
        for (const auto& [markup, plain] : cases)
            QCOMPARE(StripMarkup(markup), plain);
    }
};

QTEST_GUILESS_MAIN(TestMultiTextUtils)
#include "TestMultiTextUtils.moc"
