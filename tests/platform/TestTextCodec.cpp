#include "platform/TextCodec.h"

#include <QTest>

class TestTextCodec final : public QObject {
    Q_OBJECT
private slots:
    void everyByteRoundTripsThroughWindows1252()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = TextCodec::fromWindows1252(all);
        QCOMPARE(text.size(), 256);
        QVERIFY(TextCodec::fitsWindows1252(text));
        QCOMPARE(TextCodec::toWindows1252(text), all);
        // every single byte on its own: a lone high byte is never valid UTF-8, so decode agrees
        for (int b = 0; b < 256; ++b) {
            const QByteArray one(1, char(b));
            QCOMPARE(TextCodec::encode(TextCodec::decode(one)), one);
        }
    }

    void knownMappings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<char>("written"); // '1': as Windows-1252 and so read back; 'u': as UTF-8; 'r': read only
        QTest::newRow("euro") << QByteArray("\x80") << QString(QChar(0x20AC)) << '1';
        QTest::newRow("umlauts") << QByteArray("\xE4\xF6\xFC\xDF") << QStringLiteral("äöüß") << '1';
        QTest::newRow("quotes") << QByteArray("\x84\x93") << QString::fromUtf16(u"\u201E\u201C") << '1';
        QTest::newRow("undefined 0x81 kept") << QByteArray("\x81") << QString(QChar(0x81)) << '1';
        QTest::newRow("ascii") << QByteArray("HKEY_LOCAL_MACHINE\\a") << QStringLiteral("HKEY_LOCAL_MACHINE\\a") << '1';
        QTest::newRow("latin umlaut") << QByteArray("Gr\xF6\xDF" "e") << QStringLiteral("Größe") << '1';
        // valid UTF-8 reads as UTF-8; anything else byte by byte as Windows-1252
        QTest::newRow("utf8 umlaut") << QByteArray("Gr\xC3\xB6\xC3\x9F" "e") << QStringLiteral("Größe") << 'r';
        QTest::newRow("truncated sequence") << QByteArray("a\xC3") << QString::fromUtf16(u"a\u00C3") << '1';
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << QString::fromUtf16(u"\u00C0\u00AF") << '1';
        QTest::newRow("surrogate encoded") << QByteArray("\xED\xA0\x80") << QString::fromUtf16(u"\u00ED\u00A0\u20AC")
                                           << '1';
        // text outside Windows-1252 is written as UTF-8, and so are Windows-1252 bytes that look like UTF-8
        QTest::newRow("outside Windows-1252")
            << QByteArray("Schl\xC3\xBCssel \xC5\x81\xC3\xB3" "d\xC5\xBA \xE6\x97\xA5\xE6\x9C\xAC")
            << QString::fromUtf16(u"Schl\u00FCssel \u0141\u00F3d\u017A \u65E5\u672C") << 'u';
        QTest::newRow("looks like UTF-8") << QByteArray("\xC3\x83\xC2\xA4") << QString::fromUtf16(u"\u00C3\u00A4")
                                          << 'u';
        QTest::newRow("emoji") << QByteArray("\xF0\x9F\x98\x80") << QString::fromUtf16(u"\U0001F600") << 'u';
    }

    void knownMappings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(char, written);
        QCOMPARE(TextCodec::decode(bytes), text);
        if (written != 'r')
            QCOMPARE(TextCodec::encode(text), bytes);
        if (written == '1')
            QCOMPARE(TextCodec::fromWindows1252(bytes), text);
    }
};

QTEST_GUILESS_MAIN(TestTextCodec)
#include "TestTextCodec.moc"
