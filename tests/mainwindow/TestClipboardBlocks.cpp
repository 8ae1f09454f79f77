#include "registry/RegTestKeys.h"

#include "mainwindow/ClipboardBlocks.h"
#include "registry/Progress.h"
#include "support/ScriptedProgress.h"

#include <QtTest>

using namespace RegTestKeys;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

ClipValue clipValue(const QString& name, DWORD type, const QString& text, DWORD dword, const QByteArray& bytes)
{
    return {name, MakeRegValue(type, text, dword, bytes)};
}

} // namespace

class TestClipboardBlocks : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_fx.start()); }
    void cleanup() { m_fx.stop(); }

    // A name that fits Windows-1252 is one byte per character.
    void keyBlockBytes()
    {
        const std::tuple<bool, QString, QString, QByteArray> cases[] = {
            {false, "", "HKEY_CURRENT_USER\\A", hex("23000000 00000000 00000000 13000000") + "HKEY_CURRENT_USER\\A"},
            {true, "\\\\pc", "HKEY_USERS",
             hex("1e000000 01000000 04000000") + "\\\\pc" + hex("0a000000") + "HKEY_USERS"},
            {false, "", QString::fromUtf8("HKEY_USERS\\Ä"),
             hex("1c000000 00000000 00000000 0c000000") + "HKEY_USERS\\\xC4"}};
        for (const auto& [cut, machine, path, bytes] : cases) {
            QCOMPARE(EncodeKeyClip({cut, machine, path}), bytes);
            QVERIFY(DecodeKeyClip(bytes) == (KeyClip{cut, machine, path}));
        }
    }

    void valueBlockBytes()
    {
        const QList<ClipValue> values{
            clipValue("", REG_SZ, "ab", 0, {}),
            clipValue("d", REG_DWORD, {}, 0x11223344, {}),
            clipValue("b", REG_BINARY, {}, 0, QByteArray("\x00\xff", 2)),
            clipValue("m", REG_MULTI_SZ, {}, 0, QByteArray("x\0\0", 3)),
        };
        const QByteArray expected = hex("42000000 04000000") // total 66, four values
                                    + hex("00000000 01000000 02000000") + "ab" // default value, REG_SZ
                                    + hex("01000000") + "d" + hex("04000000 44332211")
                                    + hex("01000000") + "b" + hex("03000000 02000000 00ff")
                                    + hex("01000000") + "m" + hex("07000000 03000000 780000");
        QCOMPARE(EncodeValueClip(values), expected);
        QVERIFY(DecodeValueClip(expected) == values);
        QCOMPARE(EncodeValueClip({}), hex("08000000 00000000"));
    }

    // Truncated, oversized and inconsistent blocks decode to nothing.
    void hostileBlocks_data()
    {
        QTest::addColumn<bool>("key");
        QTest::addColumn<QByteArray>("block");
        const QByteArray good = hex("13000000 00000000 00000000 03000000") + "H\\A";
        QTest::newRow("key empty") << true << QByteArray();
        QTest::newRow("key three bytes") << true << hex("130000");
        QTest::newRow("key truncated") << true << good.left(good.size() - 1);
        QTest::newRow("key total too large") << true << hex("ff000000") + good.mid(4);
        QTest::newRow("key total huge") << true << hex("ffffffff") + good.mid(4);
        QTest::newRow("key total too small") << true << hex("12000000") + good.mid(4);
        QTest::newRow("key machine past end") << true << hex("13000000 00000000 ffffffff 03000000") + "H\\A";
        QTest::newRow("key path past end") << true << hex("13000000 00000000 00000000 04000000") + "H\\A";
        QTest::newRow("key cut flag 2") << true << hex("13000000 02000000 00000000 03000000") + "H\\A";
        QTest::newRow("key empty path") << true << hex("10000000 00000000 00000000 00000000");
        const QByteArray one = hex("15000000 01000000 01000000") + "v" + hex("04000000 01000000");
        QVERIFY(DecodeValueClip(one));
        QTest::newRow("value empty") << false << QByteArray();
        QTest::newRow("value truncated dword") << false << one.left(one.size() - 1);
        QTest::newRow("value total beyond block") << false << hex("16000000") + one.mid(4);
        QTest::newRow("value trailing bytes") << false << hex("16000000") + one.mid(4) + "x";
        QTest::newRow("value count too large") << false << hex("15000000 02000000") + one.mid(8);
        QTest::newRow("value count huge") << false << hex("15000000 ffffffff") + one.mid(8);
        QTest::newRow("value name past end") << false << hex("15000000 01000000 ff000000 76 04000000 01000000");
        QTest::newRow("value binary length huge") << false << hex("15000000 01000000 01000000 76 03000000 ffffffff");
        QTest::newRow("value string past end") << false << hex("15000000 01000000 01000000 76 01000000 05000000");
    }

    void hostileBlocks()
    {
        QFETCH(QByteArray, block);
        QFETCH(bool, key);
        QVERIFY(key ? !DecodeKeyClip(block) : !DecodeValueClip(block));
    }

    // A cut key moves: the copy is made, then the source goes; pasting it again finds no source.
    void pasteCutKey()
    {
        QVERIFY(setValue("Q\\Kind", "v", REG_SZ, RegTestKeys::sz("x")));
        QVERIFY(makeKey("Ziel") && makeKey("Ziel2"));
        NullProgress progress;
        const KeyClip cut{true, {}, "HKEY_CURRENT_USER\\Q"};
        QVERIFY(PasteKey(cut, "HKEY_CURRENT_USER\\Ziel", progress));
        QCOMPARE(value("Ziel\\Q\\Kind", "v"), qMakePair(DWORD(REG_SZ), RegTestKeys::sz("x")));
        QVERIFY(!exists("Q"));
        QVERIFY(!PasteKey(cut, "HKEY_CURRENT_USER\\Ziel2", progress));
        QCOMPARE(m_fx.sink->texts(), QStringList{QStringLiteral("Fehler: Angegebener Schlüssel nicht vorhanden.")});
        // Refused (into itself) or cancelled, the cut leaves its source.
        QVERIFY(makeKey("Q\\Kind"));
        QVERIFY(!PasteKey(cut, "HKEY_CURRENT_USER\\Q\\Kind", progress));
        QVERIFY(exists("Q\\Kind") && !exists("Q\\Kind\\Q"));
        for (int i = 0; i < 19; ++i)
            QVERIFY(makeKey(QStringLiteral("Q\\K%1").arg(i)));
        ScriptedProgress cancelling(5);
        QVERIFY(!PasteKey(cut, "HKEY_CURRENT_USER\\Ziel2", cancelling));
        QCOMPARE(subKeys("Q").size(), 20); // Kind and K0 to K18
    }

private:
    StoreFixture m_fx;
};

QTEST_GUILESS_MAIN(TestClipboardBlocks)
#include "TestClipboardBlocks.moc"
