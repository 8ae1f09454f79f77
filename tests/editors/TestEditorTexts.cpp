#include "editors/EditorTexts.h"

#include <QtTest>

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

    // "R G B" with single blanks and values up to 255, and nothing else, is a colour.
    void colorText()
    {
        for (const char* bad : {"red", "255 0", "255  0 0", "1 2 3 4", "1 -2 3", "256 0 0"}) {
            RgbColor color{7, 7, 7};
            QVERIFY2(!ParseColorText(QString::fromLatin1(bad), color), bad);
        }
        RgbColor color;
        QVERIFY(ParseColorText(QStringLiteral("255 128 0"), color));
        QCOMPARE(color, (RgbColor{255, 128, 0}));
        QCOMPARE(ColorText(color), QStringLiteral("255 128 0"));
    }

    // "file,index": the last comma splits, the index may be negative (a resource number).
    void iconLocation()
    {
        const std::tuple<const char*, QString, int> cases[] = {{"shell32.dll,3", "shell32.dll", 3},
                                                               {"C:\\a,b\\x.exe,12", "C:\\a,b\\x.exe", 12},
                                                               {"x.dll,-16", "x.dll", -16}};
        for (const auto& [text, file, index] : cases) {
            QString parsedFile;
            int parsedIndex = 0;
            QVERIFY(ParseIconLocation(QString::fromLatin1(text), parsedFile, parsedIndex));
            QCOMPARE(std::pair(parsedFile, parsedIndex), std::pair(file, index));
        }
        for (const char* bad : {"x.dll", ",3", "x.dll,", "x.dll,a"}) {
            QString file;
            int index = 0;
            QVERIFY2(!ParseIconLocation(QString::fromLatin1(bad), file, index), bad);
        }
    }
};

QTEST_GUILESS_MAIN(TestEditorTexts)
#include "TestEditorTexts.moc"
