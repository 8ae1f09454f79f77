#include "editors/EditorTexts.h"

#include <QtTest>

class TestEditorTexts : public QObject {
    Q_OBJECT

private slots:
    void readNumber_data();
    void readNumber();
    void writeNumber_data();
    void writeNumber();
    void colorText_data();
    void colorText();
    void iconLocation_data();
    void iconLocation();
};

void TestEditorTexts::readNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<quint32>("value");
    QTest::newRow("empty") << "" << 0 << 0u;
    QTest::newRow("hex FF") << "FF" << 0 << 255u;
    QTest::newRow("hex lower") << "ff" << 0 << 255u;
    QTest::newRow("dec") << "255" << 1 << 255u;
    QTest::newRow("oct") << "377" << 2 << 255u;
    QTest::newRow("bin") << "11111111" << 3 << 255u;
    QTest::newRow("foreign chars skipped") << "1x2 3" << 1 << 123u;
    QTest::newRow("octal ignores 8 and 9") << "1897" << 2 << 017u;
    QTest::newRow("hex nine digits keep low eight") << "1FFFFFFFF" << 0 << 0xFFFFFFFFu;
    QTest::newRow("hex nine digits low eight") << "912345678" << 0 << 0x12345678u;
    QTest::newRow("hex leading zeros") << "00000000000FF" << 0 << 255u;
    QTest::newRow("dec max") << "4294967295" << 1 << 4294967295u;
    QTest::newRow("dec 2^32 stops before the carry") << "4294967296" << 1 << 294967296u;
    QTest::newRow("bin 33 ones") << QString(33, u'1') << 3 << 0xFFFFFFFFu;
}

void TestEditorTexts::readNumber()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QTEST(ReadNumber(text, CharType(type)), "value");
}

void TestEditorTexts::writeNumber_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::newRow("hex") << 255u << 0 << "FF";
    QTest::newRow("dec") << 255u << 1 << "255";
    QTest::newRow("oct") << 255u << 2 << "377";
    QTest::newRow("bin") << 255u << 3 << "11111111";
    QTest::newRow("zero") << 0u << 3 << "0";
    QTest::newRow("max dec unsigned") << 0xFFFFFFFFu << 1 << "4294967295";
    QTest::newRow("hex upper") << 0xABCDEFu << 0 << "ABCDEF";
}

void TestEditorTexts::writeNumber()
{
    QFETCH(quint32, value);
    QFETCH(int, type);
    QTEST(WriteNumber(value, CharType(type)), "text");
}

void TestEditorTexts::colorText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("r");
    QTest::addColumn<int>("g");
    QTest::addColumn<int>("b");
    QTest::newRow("red") << "255 0 0" << true << 255 << 0 << 0;
    QTest::newRow("mixed") << "255 128 0" << true << 255 << 128 << 0;
    QTest::newRow("word") << "red" << false << 0 << 0 << 0;
    QTest::newRow("one blank") << "255 0" << false << 0 << 0 << 0;
    QTest::newRow("double blank") << "255  0 0" << false << 0 << 0 << 0;
    QTest::newRow("third blank") << "1 2 3 4" << false << 0 << 0 << 0;
    QTest::newRow("sign") << "1 -2 3" << false << 0 << 0 << 0;
    QTest::newRow("above 255") << "256 0 0" << false << 0 << 0 << 0;
}

void TestEditorTexts::colorText()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    RgbColor color{7, 7, 7};
    QCOMPARE(ParseColorText(text, color), ok);
    if (ok) {
        QFETCH(int, r);
        QFETCH(int, g);
        QFETCH(int, b);
        QCOMPARE(color, (RgbColor{r, g, b}));
        QCOMPARE(ColorText(color), text);
    }
}

void TestEditorTexts::iconLocation_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("index");
    QTest::newRow("shell32") << "shell32.dll,3" << true << "shell32.dll" << 3;
    QTest::newRow("comma in path") << "C:\\a,b\\x.exe,12" << true << "C:\\a,b\\x.exe" << 12;
    QTest::newRow("resource number") << "x.dll,-16" << true << "x.dll" << -16;
    QTest::newRow("no comma") << "x.dll" << false << "" << 0;
    QTest::newRow("no file") << ",3" << false << "" << 0;
    QTest::newRow("no index") << "x.dll," << false << "" << 0;
    QTest::newRow("word index") << "x.dll,a" << false << "" << 0;
}

void TestEditorTexts::iconLocation()
{
    QFETCH(QString, text);
    QString file;
    int index = 0;
    QTEST(ParseIconLocation(text, file, index), "ok");
    QFETCH(bool, ok);
    if (ok) {
        QTEST(file, "file");
        QTEST(index, "index");
    }
}

QTEST_GUILESS_MAIN(TestEditorTexts)
#include "TestEditorTexts.moc"
