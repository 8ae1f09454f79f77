// The text rules of registry-file lines: value lines, byte lists, escaped strings.

#include "regfile/RegFileUtils.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestRegValueLineParser final : public QObject {
    Q_OBJECT

private slots:
    void parsesValueLines_data();
    void parsesValueLines();
    void refusesValueLines_data();
    void refusesValueLines();
    void parsesHexBytes_data();
    void parsesHexBytes();
    void unescapes_data();
    void unescapes();
    void escapeIsReversed();
    void wrapsHexBytes_data();
    void wrapsHexBytes();
};

void TestRegValueLineParser::parsesValueLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");      // string data or DWORD digits
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("typeCode");
    QTest::addColumn<bool>("continued");

    const int S = int(RegValueKind::String), D = int(RegValueKind::DWord), B = int(RegValueKind::Bytes);
    QTest::newRow("string") << R"("Name"="Wert")" << "Name" << S << "Wert" << QByteArray() << qint64(3) << false;
    QTest::newRow("default") << R"(@="x")" << "" << S << "x" << QByteArray() << qint64(3) << false;
    QTest::newRow("blanks around =") << R"("a b" = "c d")" << "a b" << S << "c d" << QByteArray() << qint64(3) << false;
    QTest::newRow("= in name and data") << R"("a=b"="c=d")" << "a=b" << S << "c=d" << QByteArray() << qint64(3)
                                        << false;
    // An "=" right after an escaped quote or the opening quote belongs to the name.
    QTest::newRow("name quote=") << R"("\"="="d")" << "\"=" << S << "d" << QByteArray() << qint64(3) << false;
    QTest::newRow("name blank=blank") << R"(" = "="y")" << " = " << S << "y" << QByteArray() << qint64(3) << false;
    QTest::newRow("escapes") << R"("C:\\a"="x\"y\r\n")" << "C:\\a" << S << "x\"y\r\n" << QByteArray() << qint64(3)
                             << false;
    QTest::newRow("dword") << R"("d"=dword:0000001A)" << "d" << D << "0000001A" << QByteArray() << qint64(3) << false;
    QTest::newRow("DWORD upper, short") << R"("d"=DWORD:1a)" << "d" << D << "1a" << QByteArray() << qint64(3) << false;
    QTest::newRow("dword dollar") << R"("d"=dword: $ff)" << "d" << D << "ff" << QByteArray() << qint64(3) << false;
    QTest::newRow("hex") << R"("b"=hex:01,ab,FF)" << "b" << B << "" << QByteArray("\x01\xab\xff", 3) << qint64(3)
                         << false;
    QTest::newRow("hex empty") << R"("b"=hex:)" << "b" << B << "" << QByteArray() << qint64(3) << false;
    QTest::newRow("hex continued") << R"("b"=hex:01,02,\)" << "b" << B << "" << QByteArray("\x01\x02", 2)
                                   << qint64(3) << true;
    QTest::newRow("hex(7) blanks") << R"("m"=hex( 7 ):61,00,00)" << "m" << B << "" << QByteArray("a\0\0", 3)
                                   << qint64(7) << false;
    QTest::newRow("hex(-1)") << R"("n"=hex(-1):)" << "n" << B << "" << QByteArray() << qint64(-1) << false;
    QTest::newRow("HEX(+2)") << R"(@=HEX(+2):41,00)" << "" << B << "" << QByteArray("A\0", 2) << qint64(2) << false;
}

void TestRegValueLineParser::parsesValueLines()
{
    QFETCH(QString, line);
    TRegValueLine parsed;
    QVERIFY2(ParseRegValueLine(line, &parsed), qPrintable(LastRegFileError()));
    QCOMPARE(LastRegFileError(), QString());
    QTEST(parsed.Name, "name");
    QTEST(int(parsed.Kind), "kind");
    QFETCH(QString, text);
    if (parsed.Kind == RegValueKind::String)
        QCOMPARE(parsed.StringData, text);
    if (parsed.Kind == RegValueKind::DWord) {
        QCOMPARE(parsed.DWordDigits, text);
        QCOMPARE(parsed.DWordData, text.toUInt(nullptr, 16));
    }
    if (parsed.Kind == RegValueKind::Bytes) {
        QTEST(parsed.BinaryData, "bytes");
        QTEST(parsed.TypeCode, "typeCode");
        QTEST(parsed.Continued, "continued");
    }
}

void TestRegValueLineParser::refusesValueLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("error");

    QTest::newRow("empty") << "   " << "Leerer Wert";
    QTest::newRow("@x=1") << "@x=1" << "Ungültige Wert-Daten-Zuordnung: (@x=)";
    QTest::newRow("@ x =1") << "@ x =1" << "Ungültige Wert-Daten-Zuordnung: (@x =)";
    QTest::newRow("no separator") << R"("a""b")" << "Ungültige Wert-Daten-Zuordnung: (=) fehlerhaft";
    QTest::newRow("@ without =") << "@" << "Ungültige Wert-Daten-Zuordnung: (=) fehlerhaft";
    QTest::newRow("separator first") << "=abc" << "Ungültige Wert-Daten-Zuordnung: (=) fehlerhaft";
    QTest::newRow("name unquoted") << R"("a=dword:1)" << "Fehlendes Begrenzungszeichen (\")";
    QTest::newRow("deletion") << R"("a"=-)" << "Fehlendes Begrenzungszeichen (\")";
    QTest::newRow("bad escape in name") << R"("a\x"="b")" << "Ungültige Zeichen im Namen bzw. Stringwert";
    QTest::newRow("bare quote in data") << R"("a"="b"c")" << "Ungültige Zeichen im Namen bzw. Stringwert";
    QTest::newRow("backslash at end") << R"("a"="b\")" << "Ungültige Zeichen im Namen bzw. Stringwert";
    QTest::newRow("empty dword") << R"("a"=dword:)" << "Ungültige Zeichen im DWord-Datenbereich";
    QTest::newRow("dword 9 digits") << R"("a"=dword:000000001)" << "Ungültige Zeichen im DWord-Datenbereich";
    QTest::newRow("dword only $") << R"("a"=dword:$)" << "Ungültige Zeichen im DWord-Datenbereich";
    QTest::newRow("hex( no colon") << R"("a"=hex(2))" << "Ungültige Wert-Daten-Zuordnung: (:) fehlt";
    QTest::newRow("hex( no close") << R"("a"=hex(2:01)"
                                   << "Ungültige Hex-ID-Formatierung (ID: 0-10 -> hex(ID):00,00,..)";
    QTest::newRow("hex( colon inside") << R"("a"=hex(:2):01)"
                                       << "Ungültige Hex-ID-Formatierung (ID: 0-10 -> hex(ID):00,00,..)";
    QTest::newRow("hex(x)") << R"("a"=hex(x):01)" << "Ungültige Zeichen in Hex-ID (ID: 0-10 -> hex(ID):00,00,..)";
    QTest::newRow("hex()") << R"("a"=hex():01)" << "Ungültige Zeichen in Hex-ID (ID: 0-10 -> hex(ID):00,00,..)";
    QTest::newRow("empty byte") << R"("a"=hex:01,,02)" << "Ungültige Zeichen im Hex-Datenbereich";
    QTest::newRow("byte 100") << R"("a"=hex:100)" << "Bytewert im Hex-Datenbereich zu groß";
}

void TestRegValueLineParser::refusesValueLines()
{
    QFETCH(QString, line);
    TRegValueLine parsed;
    QVERIFY(!ParseRegValueLine(line, &parsed));
    QTEST(LastRegFileError(), "error");
}

void TestRegValueLineParser::parsesHexBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");

    QTest::newRow("plain") << "01,02" << true << QByteArray("\x01\x02") << "";
    QTest::newRow("trailing comma") << "01,02," << true << QByteArray("\x01\x02") << "";
    QTest::newRow("continuation") << "  0a,0B,\\" << true << QByteArray("\x0a\x0b") << "";
    QTest::newRow("blanks") << " 01 , 02 " << true << QByteArray("\x01\x02") << "";
    QTest::newRow("leading zeros") << "0ff,00000001" << true << QByteArray("\xff\x01") << "";
    QTest::newRow("empty") << "" << true << QByteArray() << "";
    QTest::newRow("only backslash") << "\\" << true << QByteArray() << "";
    QTest::newRow("empty piece") << "01,,02" << false << QByteArray() << "Ungültige Zeichen im Hex-Datenbereich";
    QTest::newRow("blank inside") << "0 1" << false << QByteArray() << "Ungültige Zeichen im Hex-Datenbereich";
    QTest::newRow("256") << "100" << false << QByteArray() << "Bytewert im Hex-Datenbereich zu groß";
    QTest::newRow("huge") << "123456789abcdef0123456789" << false << QByteArray()
                          << "Bytewert im Hex-Datenbereich zu groß";
    QTest::newRow("first failure wins") << "zz,100" << false << QByteArray() << "Ungültige Zeichen im Hex-Datenbereich";
}

void TestRegValueLineParser::parsesHexBytes()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QByteArray bytes;
    QCOMPARE(ParseHexBytes(text, &bytes), ok);
    if (ok)
        QTEST(bytes, "bytes");
    QTEST(LastRegFileError(), "error");
}

void TestRegValueLineParser::unescapes_data()
{
    QTest::addColumn<QString>("escaped");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("plain");

    QTest::newRow("plain") << "abc" << true << "abc";
    QTest::newRow("example") << R"(C:\\a\"b\r\n)" << true << "C:\\a\"b\r\n";
    QTest::newRow("upper N R") << R"(a\Nb\Rc)" << true << "a\nb\rc";
    QTest::newRow("escaped backslash then n") << R"(a\\n)" << true << "a\\n";
    QTest::newRow("three backslashes then n") << R"(a\\\n)" << true << "a\\\n";
    QTest::newRow("tab stays") << "a\tb" << true << "a\tb";
    QTest::newRow("bare quote") << "a\"b" << false << "";
    QTest::newRow("quote after escaped backslash") << "a\\\\\"b" << false << "";
    QTest::newRow("quote after three backslashes") << "a\\\\\\\"b" << true << "a\\\"b";
    QTest::newRow("backslash x") << R"(a\x)" << false << "";
    QTest::newRow("backslash t") << R"(a\t)" << false << "";
    QTest::newRow("backslash at end") << R"(a\)" << false << "";
}

void TestRegValueLineParser::unescapes()
{
    QFETCH(QString, escaped);
    QFETCH(bool, ok);
    QString plain;
    QCOMPARE(UnescapeRegString(escaped, &plain), ok);
    if (ok)
        QTEST(plain, "plain");
    else
        QCOMPARE(LastRegFileError(), u"Ungültige Zeichen im Namen bzw. Stringwert"_s);
}

void TestRegValueLineParser::escapeIsReversed()
{
    QCOMPARE(EscapeRegString(u"C:\\a\"b\r\ntab\tä\x01"_s), u"C:\\\\a\\\"b\\r\\ntab\tä\x01"_s);
    for (const QString& text : {u"\\n"_s, u"\\\\\"\"\n\r\r\n"_s, u"=\"=\""_s, u"\\"_s, u"n\\r\\N\\"_s}) {
        QString back;
        QVERIFY(UnescapeRegString(EscapeRegString(text), &back));
        QCOMPARE(back, text);
    }
}

void TestRegValueLineParser::wrapsHexBytes_data()
{
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("bytesPerLine");

    // First-line capacity is 25 - k with k = len div 3, minus one when len is a multiple of 3.
    QTest::newRow("30 bytes, Data") << QByteArray(R"("Data"=hex:)") << 30 << QList<int>{22, 8};
    QTest::newRow("60 bytes, default") << QByteArray("@=hex:") << 60 << QList<int>{24, 25, 11};
    QTest::newRow("len 7 (mod 1)") << QByteArray("@=hex(2") << 40 << QList<int>{23, 17};
    QTest::newRow("len 8 (mod 2)") << QByteArray("@=hex(7:") << 40 << QList<int>{23, 17};
    QTest::newRow("len 9 (mod 0)") << QByteArray("@=hex(7):") << 40 << QList<int>{23, 17};
    QTest::newRow("len 2") << QByteArray("ab") << 26 << QList<int>{25, 1};
    QTest::newRow("len 4") << QByteArray("abcd") << 26 << QList<int>{24, 2};
    QTest::newRow("exact fill") << QByteArray("@=hex:") << 49 << QList<int>{24, 25};
    QTest::newRow("long prefix") << QByteArray(200, 'x') << 3 << QList<int>{1, 2};
    QTest::newRow("empty") << QByteArray("@=hex:") << 0 << QList<int>{0};
}

void TestRegValueLineParser::wrapsHexBytes()
{
    QFETCH(QByteArray, prefix);
    QFETCH(int, count);
    QFETCH(QList<int>, bytesPerLine);
    QByteArray data;
    for (int i = 0; i < count; ++i)
        data.append(char(i));
    const QByteArray wrapped = WrapHexBytes(prefix, data);
    const QList<QByteArray> lines = wrapped.split('\n');
    QCOMPARE(lines.size(), bytesPerLine.size());
    int next = 0;
    for (int l = 0; l < lines.size(); ++l) {
        QByteArray expected = l > 0 ? QByteArray("  ") : QByteArray();
        for (int b = 0; b < bytesPerLine[l]; ++b, ++next) {
            expected += QByteArray::number(next, 16).rightJustified(2, '0').toUpper();
            if (next + 1 < count)
                expected += ',';
        }
        if (l + 1 < lines.size())
            expected += "\\\r";
        QCOMPARE(lines[l], expected);
    }
}

QTEST_GUILESS_MAIN(TestRegValueLineParser)
#include "TestRegValueLineParser.moc"
