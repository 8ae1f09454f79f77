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

    void colorValue_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<quint32>("colour");
        QTest::newRow("red") << "RED" << 0x0000FFu;
        QTest::newRow("navy") << "NAVY" << 0x800000u;
        QTest::newRow("hex red") << "$0000FF" << 0x0000FFu;
        QTest::newRow("bad hex") << "$XY" << 0u;
        QTest::newRow("digits collected") << "12abc" << 12u;
        QTest::newRow("digits between letters") << "1a2b3" << 123u;
        QTest::newRow("empty") << "" << 0u;
        QTest::newRow("negative") << "-1" << 0xFFFFFFFFu;
    }

    void colorValue()
    {
        QFETCH(QString, value);
        QTEST(MarkupColorValue(value), "colour");
    }

    void strip_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("plain");
        QTest::newRow("tags dropped") << "<B>fett</B> und <C=RED>rot</C>" << "fett und rot";
        QTest::newRow("br") << "a<BR>b< br >c" << "a\r\nb\r\nc";
        QTest::newRow("escaped") << "1 <<<< 2" << "1 < 2";
        QTest::newRow("undo line") << "<B><C=BLUE>Wertname:</C></B> \"x\" (<B>REG_SZ</B>)"
                                   << "Wertname: \"x\" (REG_SZ)";
        QTest::newRow("escape round trip") << EscapeMarkup("a<b>c") << "a<b>c";
    }

    void strip()
    {
        QFETCH(QString, markup);
        QTEST(StripMarkup(markup), "plain");
    }
};

QTEST_GUILESS_MAIN(TestMultiTextUtils)
#include "TestMultiTextUtils.moc"
