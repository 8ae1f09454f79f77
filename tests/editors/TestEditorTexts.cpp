#include "editors/EditorTexts.h"

#include <QtTest>

Q_DECLARE_METATYPE(RgbColor)

class TestEditorTexts : public QObject {
    Q_OBJECT

private slots:
    // Reading a typed number in each base, and writing the value back in the same base.
    void numbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("type");
        QTest::addColumn<quint32>("value");
        QTest::addColumn<QString>("written");
        QTest::newRow("empty") << "" << 3 << 0u << "0";
        QTest::newRow("hex lower") << "ff" << 0 << 255u << "FF";
        QTest::newRow("hex upper") << "ABCDEF" << 0 << 0xABCDEFu << "ABCDEF";
        QTest::newRow("foreign chars skipped") << "1x2 3" << 1 << 123u << "123";
        QTest::newRow("octal ignores 8 and 9") << "1897" << 2 << 017u << "17";
        QTest::newRow("hex nine digits low eight") << "912345678" << 0 << 0x12345678u << "12345678";
        QTest::newRow("hex leading zeros") << "00000000000FF" << 0 << 255u << "FF";
        QTest::newRow("dec max") << "4294967295" << 1 << 4294967295u << "4294967295";
        QTest::newRow("dec 2^32 stops before the carry") << "4294967296" << 1 << 294967296u << "294967296";
        QTest::newRow("bin 33 ones") << QString(33, u'1') << 3 << 0xFFFFFFFFu << QString(32, u'1');
    }
    void numbers()
    {
        QFETCH(QString, text);
        QFETCH(int, type);
        QFETCH(quint32, value);
        QCOMPARE(ReadNumber(text, CharType(type)), value);
        QTEST(WriteNumber(value, CharType(type)), "written");
    }

    void colorText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<RgbColor>("color");
        QTest::newRow("mixed") << "255 128 0" << true << RgbColor{255, 128, 0};
        QTest::newRow("word") << "red" << false << RgbColor{};
        QTest::newRow("one blank") << "255 0" << false << RgbColor{};
        QTest::newRow("double blank") << "255  0 0" << false << RgbColor{};
        QTest::newRow("third blank") << "1 2 3 4" << false << RgbColor{};
        QTest::newRow("sign") << "1 -2 3" << false << RgbColor{};
        QTest::newRow("above 255") << "256 0 0" << false << RgbColor{};
    }
    void colorText()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        RgbColor color{7, 7, 7};
        QCOMPARE(ParseColorText(text, color), ok);
        if (ok) {
            QTEST(color, "color");
            QCOMPARE(ColorText(color), text);
        }
    }

    void iconLocation_data()
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
    void iconLocation()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QString file;
        int index = 0;
        QCOMPARE(ParseIconLocation(text, file, index), ok);
        if (ok) {
            QTEST(file, "file");
            QTEST(index, "index");
        }
    }
};

QTEST_GUILESS_MAIN(TestEditorTexts)
#include "TestEditorTexts.moc"
