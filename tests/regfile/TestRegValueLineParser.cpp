// The text rules of registry-file lines: value lines, byte lists, escaped strings, wrapped byte lists.

#include "regfile/RegFileUtils.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A parsed line in one text: name|string:text, name|dword:digits=value, name|hex(type):bytes[ +].
QString summary(const TRegValueLine& v)
{
    const QString head = v.Name + u'|';
    if (v.Kind == RegValueKind::String)
        return head + u"string:"_s + v.StringData;
    if (v.Kind == RegValueKind::DWord)
        return head + u"dword:%1=%2"_s.arg(v.DWordDigits).arg(v.DWordData);
    if (v.Kind == RegValueKind::Delete)
        return head + u"delete"_s;
    const QString bytes = QString::fromLatin1(v.BinaryData.toHex(' '));
    return head + u"hex(%1):%2"_s.arg(v.TypeCode).arg(bytes) + (v.Continued ? u" +"_s : u""_s);
}

const QString BadString = u"! Ungültige Zeichen im Namen bzw. Stringwert"_s;
const QString BadHexId = u"! Ungültige Zeichen in Hex-ID (ID: 0-10 -> hex(ID):00,00,..)"_s;
const QString BadHexFormat = u"! Ungültige Hex-ID-Formatierung (ID: 0-10 -> hex(ID):00,00,..)"_s;
const QString BadDWord = u"! Ungültige Zeichen im DWord-Datenbereich"_s;
const QString BadHex = u"! Ungültige Zeichen im Hex-Datenbereich"_s;
const QString TooLarge = u"! Bytewert im Hex-Datenbereich zu groß"_s;
const QString NoQuote = u"! Fehlendes Begrenzungszeichen (\")"_s;
const QString BadHexId5 = u"! "_s + RegFileTexts::BadHexIdCharsV5;

// Value lines, each with what it parses to or "! " and the reason it is refused.
const QStringList ValueLines{
    R"("Name"="Wert")", "Name|string:Wert",         R"(@="x")", "|string:x",
    R"("a b" = "c d")", "a b|string:c d",           R"("a=b"="c=d")", "a=b|string:c=d",
    R"("\"="="d")", "\"=|string:d",                 R"(" = "="y")", " = |string:y",
    R"("C:\\a"="x\"y\r\n")", "C:\\a|string:x\"y\r\n", R"("d"=DWORD:1a)", "d|dword:1a=26",
    R"("d"=dword: $ff)", "d|dword:ff=255",          R"("b"=hex:01,ab,FF)", "b|hex(3):01 ab ff",
    R"("b"=hex:)", "b|hex(3):",                     R"("b"=hex:01,02,\)", "b|hex(3):01 02 +",
    R"("m"=hex( 7 ):61,00)", "m|hex(7):61 00",      R"("n"=hex(-1):)", "n|hex(-1):",
    R"(@=HEX(+2):41,00)", "|hex(2):41 00",          "   ", "! Leerer Wert",
    "@x=1", "! Ungültige Wert-Daten-Zuordnung: (@x=)", "@ x =1", "! Ungültige Wert-Daten-Zuordnung: (@x =)",
    R"("a""b")", "! Ungültige Wert-Daten-Zuordnung: (=) fehlerhaft",
    "=abc", "! Ungültige Wert-Daten-Zuordnung: (=) fehlerhaft",
    R"("a=dword:1)", NoQuote,                       R"("a"=-)", NoQuote,
    R"("a\x"="b")", BadString,                      R"("a"="b"c")", BadString,
    R"("a"="b\")", BadString,                       R"("a\\"b"="c")", BadString,
    R"("a"=dword:)", BadDWord,                      R"("a"=dword:000000001)", BadDWord,
    R"("a"=dword:$)", BadDWord,                     R"("a"=hex(2))", "! Ungültige Wert-Daten-Zuordnung: (:) fehlt",
    R"("a"=hex(2:01)", BadHexFormat,                R"("a"=hex(:2):01)", BadHexFormat,
    R"("a"=hex(x):01)", BadHexId,                   R"("a"=hex():01)", BadHexId,
    R"("a"=hex:01,,02)", BadHex,                    R"("a"=hex:100)", TooLarge,
};

// Byte lists ("hex") and escaped strings ("text"): what they give, or "! " and the reason.
const QStringList TextRules{
    "hex", "01,02,", "01 02",     "hex", "  0a,0B,\\", "0a 0b",  "hex", " 01 , 02 ", "01 02",
    "hex", "0ff,00000001", "ff 01", "hex", "", "",               "hex", "\\", "",
    "hex", "01,,02", BadHex,      "hex", "0 1", BadHex,          "hex", "100", TooLarge,
    "hex", "123456789abcdef0123456789", TooLarge,                "hex", "zz,100", BadHex,
    "text", R"(C:\\a\"b\r\n)", "C:\\a\"b\r\n",                   "text", R"(a\Nb\Rc)", "a\nb\rc",
    "text", R"(a\\n)", "a\\n",    "text", R"(a\\\n)", "a\\\n",   "text", "a\tb", "a\tb",
    "text", R"(a\\\"b)", "a\\\"b", "text", R"(a\\"b)", BadString, "text", "a\"b", BadString,
    "text", R"(a\x)", BadString,  "text", R"(a\t)", BadString,   "text", R"(a\)", BadString,
};

// Version 5 lines (a comment after the data is cut first): hexadecimal type codes, deletion.
const QStringList Version5Lines{
    R"("q"=hex(b):01,00)", "q|hex(11):01 00",       R"("t"=hex( 20000 ):cd)", "t|hex(131072):cd",
    R"("d"=dword:0ffffffff)", "d|dword:ffffffff=4294967295", R"("d"=dword:1ffffffff)", BadDWord,
    R"("x"=-)", "x|delete",                         R"(@ = - ; weg)", "|delete",
    R"("x"="-")", "x|string:-",                     R"("a;b"="c;\"d" ; Notiz)", "a;b|string:c;\"d",
    R"("h"=hex:01,02 ;c)", "h|hex(3):01 02",        R"("t"=hex(+1):01)", BadHexId5,
    R"("t"=hex(123456789):01)", BadHexId5,          R"("t"=hex(g):01)", BadHexId5,
};

} // namespace

class TestRegValueLineParser final : public QObject {
    Q_OBJECT

private slots:
    // REGEDIT4 lines through the program-wide parser; version 5 lines with their comment cut first. Each
    // result is compared behind its line.
    void parsesValueLines()
    {
        for (qsizetype i = 0; i + 1 < ValueLines.size(); i += 2) {
            TRegValueLine parsed;
            const bool ok = ParseRegValueLine(ValueLines[i], &parsed);
            QCOMPARE(ValueLines[i] + u" -> "_s + (ok ? summary(parsed) : u"! "_s + LastRegFileError()),
                     ValueLines[i] + u" -> "_s + ValueLines[i + 1]);
            QCOMPARE(LastRegFileError().isEmpty(), ok);
        }
        for (qsizetype i = 0; i + 1 < Version5Lines.size(); i += 2) {
            TRegValueLine parsed;
            const QStringView line = RegValueLineParser::stripComment(Version5Lines[i]);
            const RegFileResult result = RegValueLineParser::parseValueLine(line, &parsed, RegFileFormat::Version5);
            QCOMPARE(Version5Lines[i] + u" -> "_s + (result.ok ? summary(parsed) : u"! "_s + result.text),
                     Version5Lines[i] + u" -> "_s + Version5Lines[i + 1]);
        }
    }

    void parsesTextRules()
    {
        for (qsizetype i = 0; i + 2 < TextRules.size(); i += 3) {
            const QString& input = TextRules[i + 1];
            QByteArray bytes;
            QString text;
            const bool hex = TextRules[i] == u"hex"_s;
            const bool ok = hex ? ParseHexBytes(input, &bytes) : UnescapeRegString(input, &text);
            const QString got = hex ? QString::fromLatin1(bytes.toHex(' ')) : text;
            const QString result = ok ? got : u"! "_s + LastRegFileError();
            QCOMPARE(input + u" -> "_s + result, input + u" -> "_s + TextRules[i + 2]);
        }
    }

    void escapeIsReversed()
    {
        QCOMPARE(EscapeRegString(u"C:\\a\"b\r\ntab\tä\x01"_s), u"C:\\\\a\\\"b\\r\\ntab\tä\x01"_s);
        for (const QString& text : {u"\\n"_s, u"\\\\\"\"\n\r\r\n"_s, u"=\"=\""_s, u"\\"_s, u"n\\r\\N\\"_s}) {
            QString back;
            QVERIFY(UnescapeRegString(EscapeRegString(text), &back));
            QCOMPARE(back, text);
        }
    }

    // The bytes 0, 1, ... wrapped behind each prefix: the bytes on each line. First-line capacity is 25 - k with
    // k = len div 3, minus one when len is a multiple of 3.
    void wrapsHexBytes()
    {
        const std::tuple<QByteArray, int, QList<int>> cases[] = {
            {"\"Data\"=hex:", 30, {22, 8}}, {"@=hex:", 60, {24, 25, 11}}, {"@=hex(2", 40, {23, 17}}, // len 7 (mod 1)
            {"@=hex(7:", 40, {23, 17}}, {"ab", 26, {25, 1}}, {"@=hex:", 49, {24, 25}}, // len 8 (mod 2), exact fill
            {QByteArray(200, 'x'), 3, {1, 2}}, {"@=hex:", 0, {0}}};
        for (const auto& [prefix, count, bytesPerLine] : cases) {
            QByteArray data;
            for (int i = 0; i < count; ++i)
                data.append(char(i));
            const QList<QByteArray> lines = WrapHexBytes(prefix, data).split('\n');
            QCOMPARE(lines.size(), bytesPerLine.size());
            for (int l = 0, next = 0; l < lines.size(); ++l) {
                QByteArray expected = l > 0 ? QByteArray("  ") : QByteArray();
                for (int b = 0; b < bytesPerLine[l]; ++b, ++next)
                    expected += QByteArray::number(next, 16).rightJustified(2, '0').toUpper()
                                + (next + 1 < count ? "," : "");
                QCOMPARE(lines[l], expected + (l + 1 < lines.size() ? "\\\r" : ""));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestRegValueLineParser)
#include "TestRegValueLineParser.moc"
