#include "platform/TextCodec.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestTextCodec final : public QObject {
    Q_OBJECT
private slots:
    void everyByteRoundTripsThroughWindows1252()
    {
        // every single byte on its own: a lone high byte is never valid UTF-8, so decode agrees
        QByteArray all;
        for (int b = 0; b < 256; ++b) {
            const QByteArray one(1, char(b));
            QCOMPARE(TextCodec::encode(TextCodec::decode(one)), one);
            all += one;
        }
        const QString text = TextCodec::fromWindows1252(all);
        QCOMPARE(text.size(), 256);
        QVERIFY(TextCodec::fitsWindows1252(text));
        QCOMPARE(TextCodec::toWindows1252(text), all);
    }

    // Each case: bytes, text, and how the text is written: '1' as Windows-1252 and so read back, 'u' as UTF-8,
    // 'r' not (read only). Valid UTF-8 reads as UTF-8, anything else byte by byte as Windows-1252; text outside
    // Windows-1252 is written as UTF-8, and so are Windows-1252 bytes that look like UTF-8.
    void knownMappings()
    {
        const std::tuple<QByteArray, QString, char> cases[] = {
            {"\x80"_ba, QString(QChar(0x20AC)), '1'}, // euro
            {"\xE4\xF6\xFC\xDF"_ba, u"äöüß"_s, '1'},
            {"\x84\x93"_ba, u"\u201E\u201C"_s, '1'}, // quotes
            {"\x81"_ba, QString(QChar(0x81)), '1'}, // undefined, kept
            {"HKEY_LOCAL_MACHINE\\a"_ba, u"HKEY_LOCAL_MACHINE\\a"_s, '1'},
            {"Gr\xF6\xDF" "e"_ba, u"Größe"_s, '1'},
            {"Gr\xC3\xB6\xC3\x9F" "e"_ba, u"Größe"_s, 'r'},
            {"a\xC3"_ba, u"a\u00C3"_s, '1'}, // truncated sequence
            {"\xC0\xAF"_ba, u"\u00C0\u00AF"_s, '1'}, // overlong slash
            {"\xED\xA0\x80"_ba, u"\u00ED\u00A0\u20AC"_s, '1'}, // surrogate encoded
            {"Schl\xC3\xBCssel \xC5\x81\xC3\xB3" "d\xC5\xBA \xE6\x97\xA5\xE6\x9C\xAC"_ba,
             u"Schl\u00FCssel \u0141\u00F3d\u017A \u65E5\u672C"_s, 'u'},
            {"\xC3\x83\xC2\xA4"_ba, u"\u00C3\u00A4"_s, 'u'}, // looks like UTF-8
            {"\xF0\x9F\x98\x80"_ba, u"\U0001F600"_s, 'u'}};
        for (const auto& [bytes, text, written] : cases) {
            QCOMPARE(TextCodec::decode(bytes), text);
            if (written != 'r')
                QCOMPARE(TextCodec::encode(text), bytes);
            if (written == '1')
                QCOMPARE(TextCodec::fromWindows1252(bytes), text);
        }
    }
};

QTEST_GUILESS_MAIN(TestTextCodec)
#include "TestTextCodec.moc"
