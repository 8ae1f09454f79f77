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
        QTest::addColumn<bool>("windows1252"); // else read as UTF-8, which encode() does not give back
        QTest::newRow("euro") << QByteArray("\x80") << QString(QChar(0x20AC)) << true;
        QTest::newRow("umlauts") << QByteArray("\xE4\xF6\xFC\xDF") << QStringLiteral("äöüß") << true;
        QTest::newRow("quotes") << QByteArray("\x84\x93") << QString::fromUtf16(u"\u201E\u201C") << true;
        QTest::newRow("undefined 0x81 kept") << QByteArray("\x81") << QString(QChar(0x81)) << true;
        QTest::newRow("ascii") << QByteArray("HKEY_LOCAL_MACHINE\\a") << QStringLiteral("HKEY_LOCAL_MACHINE\\a")
                               << true;
        QTest::newRow("latin umlaut") << QByteArray("Gr\xF6\xDF" "e") << QStringLiteral("Größe") << true;
        // valid UTF-8 reads as UTF-8; anything else byte by byte as Windows-1252
        QTest::newRow("utf8 umlaut") << QByteArray("Gr\xC3\xB6\xC3\x9F" "e") << QStringLiteral("Größe") << false;
        QTest::newRow("truncated sequence") << QByteArray("a\xC3") << QString::fromUtf16(u"a\u00C3") << true;
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << QString::fromUtf16(u"\u00C0\u00AF") << true;
        QTest::newRow("surrogate encoded") << QByteArray("\xED\xA0\x80") << QString::fromUtf16(u"\u00ED\u00A0\u20AC")
                                           << true;
    }

    void knownMappings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(bool, windows1252);
        QCOMPARE(TextCodec::decode(bytes), text);
        if (windows1252) {
            QCOMPARE(TextCodec::fromWindows1252(bytes), text);
            QCOMPARE(TextCodec::encode(text), bytes);
        }
    }

    void textOutsideWindows1252IsWrittenAsUtf8()
    {
        const QString text = QString::fromUtf16(u"Schl\u00FCssel \u0141\u00F3d\u017A \u65E5\u672C");
        QVERIFY(!TextCodec::fitsWindows1252(text));
        const QByteArray bytes = TextCodec::encode(text);
        QCOMPARE(bytes, text.toUtf8());
        QCOMPARE(TextCodec::decode(bytes), text);
        // Windows-1252 bytes that look like UTF-8 would not read back; they go out as UTF-8
        const QString lookalike = QString::fromUtf16(u"\u00C3\u00A4");
        QCOMPARE(TextCodec::encode(lookalike), QByteArray("\xC3\x83\xC2\xA4"));
        QCOMPARE(TextCodec::decode(TextCodec::encode(lookalike)), lookalike);
        const QString emoji = QString::fromUtf16(u"\U0001F600");
        QCOMPARE(TextCodec::decode(TextCodec::encode(emoji)), emoji);
    }
};

QTEST_GUILESS_MAIN(TestTextCodec)
#include "TestTextCodec.moc"
