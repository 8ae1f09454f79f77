// Wine's registry file format without Wine: the escapes of names and strings, value lines byte for
// byte (one taken from a file Wine wrote), untouched files written back unchanged, and what a change
// re-renders, with the times the server would set.

#include "platform/wine/WinePrefix.h"
#include "platform/wine/WineRegFile.h"
#include "platform/wine/WineText.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr quint64 Now = 0x1dd85ec86a1f540ULL; // 1796607880 seconds after 1970

const QByteArray Base = "WINE REGISTRY Version 2\n"
                        ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
                        "\n#arch=win64\n"
                        "\n[A] 1796606682\n#time=1dd85e9bc63556e\n\"v\"=\"1\"\n"
                        "\n[A\\\\B] 1796606682\n#time=1dd85e9bc63556e\n\"w\"=dword:00000001\n"
                        "\n[C\\\\D] 1796606682\n#time=1dd85e9bc63556e\n@=\"d\"\n";
const char* const WineLines = "\"SymbolicLinkValue\"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,\\\n"
                              "  00,5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,6f,00,66,00,\\\n"
                              "  74,00,77,00,61,00,72,00,65,00,5c,00,43,00,6c,00,61,00,73,00,73,00,65,00,73,\\\n"
                              "  00,5c,00,57,00,6f,00,77,00,36,00,34,00,33,00,32,00,4e,00,6f,00,64,00,65,00\n";
const QByteArray Stamp = "1796607880\n#time=1dd85ec86a1f540\n";

std::unique_ptr<WineRegFile> parsed(const QByteArray& bytes)
{
    QString error;
    auto file = WineRegFile::parse(bytes, &error);
    if (!file)
        qWarning() << error;
    return file;
}

} // namespace

class TestWineFile final : public QObject {
    Q_OBJECT

private slots:
    // The launchers' places; a folder is a prefix when it holds system.reg; one reached twice counts once.
    void discovery()
    {
        QTemporaryDir home;
        const QDir h(home.path());
        const QStringList prefixes{".wine", ".local/share/Steam/steamapps/compatdata/620/pfx", "Games/gog-game",
                                   ".local/share/bottles/bottles/Office",
                                   ".var/app/com.usebottles.bottles/data/bottles/bottles/Flat"};
        for (const QString& p : prefixes + QStringList{"Games/not-a-prefix"}) {
            QVERIFY(h.mkpath(p));
            if (!p.contains(QLatin1String("not-a-prefix")))
                QVERIFY(QFile(h.filePath(p + u"/system.reg"_s)).open(QIODevice::WriteOnly));
        }
        QVERIFY(h.mkpath(u".steam"_s));
        QVERIFY(QFile::link(h.filePath(u".local/share/Steam"_s), h.filePath(u".steam/steam"_s)));
        QStringList expected;
        for (const QString& p : prefixes)
            expected << h.filePath(p);
        expected.sort();
        QCOMPARE(WinePrefix::discover(home.path()), expected);
    }

    void escapes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("quote");
        QTest::addColumn<QByteArray>("escaped");
        QTest::addColumn<bool>("roundTrip");
        const QByteArray value = "\"\"";
        QTest::newRow("umlaut") << u"Müller"_s << value << QByteArray("M\\xfcller") << true;
        QTest::newRow("hex digit follows") << u"äa"_s << value << QByteArray("\\x00e4a") << true;
        QTest::newRow("no hex digit follows") << u"äg"_s << value << QByteArray("\\xe4g") << true;
        QTest::newRow("surrogate pair") << u"😀"_s << value << QByteArray("\\xd83d\\xde00") << true;
        QTest::newRow("CJK") << u"漢字"_s << value << QByteArray("\\x6f22\\x5b57") << true;
        QTest::newRow("C escapes") << u"\t\n\r\a\b\v\f\x1b"_s << value
                                   << QByteArray("\\t\\n\\r\\a\\b\\v\\f\\e") << true;
        QTest::newRow("octal") << u"\x01x\x02"_s << value << QByteArray("\\1x\\2") << true;
        QTest::newRow("octal before digit") << QString::fromLatin1("\x01" "7") << value << QByteArray("\\0017") << true;
        QTest::newRow("NUL inside, terminator left out")
            << QString::fromLatin1("a\0b\0", 4) << value << QByteArray("a\\0b") << false;
        QTest::newRow("quote, backslash") << u"a\"b\\c"_s << value << QByteArray("a\\\"b\\\\c") << true;
        QTest::newRow("key name brackets")
            << u"a[b]c\""_s << QByteArray("[]") << QByteArray("a\\[b\\]c\"") << true;
        QTest::newRow("DEL as it is") << u"\x7f"_s << value << QByteArray("\x7f") << true;
    }
    void escapes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, quote);
        QFETCH(QByteArray, escaped);
        QFETCH(bool, roundTrip);
        QCOMPARE(WineText::escape(text, quote.constData()), escaped);
        if (!roundTrip)
            return;
        const QByteArray line = escaped + quote.at(1) + "rest";
        qsizetype pos = 0;
        QString back;
        QVERIFY(WineText::unescape(line, &pos, quote.at(1), &back));
        QCOMPARE(back, text);
        QCOMPARE(line.mid(pos), QByteArray("rest"));
    }

    void values_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("name");
        QTest::addColumn<uint>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("canonical"); // the server writes it so
        const auto row = [](const char* tag, const QByteArray& lines, const QString& name, uint type,
                            const char* hexData, bool canonical) {
            QTest::newRow(tag) << lines << true << name << type << QByteArray::fromHex(hexData) << canonical;
        };
        row("string", "\"a\"=\"x\"\n", "a", REG_SZ, "78000000", true);
        row("default, empty", "@=\"\"\n", "", REG_SZ, "0000", true);
        row("dword", "\"d\"=dword:0000002a\n", "d", REG_DWORD, "2a000000", true);
        row("dword, short", "\"d\"=dword:2A\n", "d", REG_DWORD, "2a000000", false);
        row("expandable", "\"e\"=str(2):\"%PATH%\"\n", "e", REG_EXPAND_SZ, "2500500041005400480025000000", true);
        row("multi", "\"m\"=str(7):\"a\\0b\\0\"\n", "m", REG_MULTI_SZ, "61000000620000000000", true);
        row("qword", "\"q\"=hex(b):01,00,00,00,00,00,00,00\n", "q", REG_QWORD, "0100000000000000", true);
        row("none, empty", "\"n\"=hex(0):\n", "n", REG_NONE, "", true);
        row("string without terminator", "\"s\"=hex(1):61,00\n", "s", REG_SZ, "6100", true);
        row("continuation", "\"b\"=hex:01,02,\\\n  03\n", "b", REG_BINARY, "010203", false);
        row("quoted name", "\"a\\\"b\"=\"\"\n", "a\"b", REG_SZ, "0000", true);
        // Its data: the target's path in UTF-16LE, no terminator.
        QByteArray target;
        for (const char c : QByteArray("\\Registry\\Machine\\Software\\Classes\\Wow6432Node"))
            target += QByteArray(1, c) + '\0';
        QTest::newRow("written by Wine, wrapped")
            << QByteArray(WineLines) << true << u"SymbolicLinkValue"_s << uint(REG_LINK) << target << true;
        for (const char* bad :
             {"\"a\"=str(4):\"x\"\n", "\"a\"=hex:100\n", "\"a\"=\"open\n", "\"a\" \"x\"\n", "\"a\"=hex:01,\\\n"})
            QTest::newRow(bad) << QByteArray(bad) << false << QString() << 0u << QByteArray() << false;
    }
    void values()
    {
        QFETCH(QByteArray, lines);
        QFETCH(bool, ok);
        QList<QByteArray> parts = lines.chopped(1).split('\n');
        const auto next = [&](QByteArrayView* line) {
            if (parts.size() < 2)
                return false;
            parts.removeFirst();
            *line = parts.first();
            return true;
        };
        WineText::ParsedValue value;
        QCOMPARE(WineText::parseValue(parts.first(), next, &value), ok);
        if (!ok)
            return;
        QFETCH(QString, name);
        QFETCH(uint, type);
        QFETCH(QByteArray, data);
        QFETCH(bool, canonical);
        QCOMPARE(value.name, name);
        QCOMPARE(uint(value.type), type);
        QCOMPARE(value.data.toHex(' '), data.toHex(' '));
        if (canonical)
            QCOMPARE(WineText::valueLines(value.name, value.type, value.data), lines);
    }

    void untouchedFileUnchanged_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("server's own") << Base;
        QTest::newRow("hand-edited") << QByteArray("WINE REGISTRY Version 2\r\n; a comment\r\n\r\n"
                                                   "  [Z] 5\r\n\"x\" = \"1\"  \r\n\n\n[A\\\\B]\n[A]\n"
                                                   "\"dup\"=dword:1\nnonsense\n[broken\n\"lost\"=\"v\"\n[A]\n"
                                                   "\"dup\"=dword:2\n\"h\"=hex:01,\\\n\t02");
    }
    void untouchedFileUnchanged()
    {
        QFETCH(QByteArray, bytes);
        const auto file = parsed(bytes);
        QVERIFY(file);
        QCOMPARE(file->serialize(), bytes);
        QVERIFY(!parsed("REGEDIT4\n" + bytes.mid(bytes.indexOf('\n') + 1))); // not one of Wine's files
    }

    // A change re-renders the keys it touched, stamped as the server stamps them; the rest stays.
    void changes_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray head = Base.left(Base.indexOf("\n[A]"));
        const QByteArray a = "\n[A] 1796606682\n#time=1dd85e9bc63556e\n\"v\"=\"1\"\n";
        const QByteArray b = "\n[A\\\\B] 1796606682\n#time=1dd85e9bc63556e\n\"w\"=dword:00000001\n";
        const QByteArray d = "\n[C\\\\D] 1796606682\n#time=1dd85e9bc63556e\n@=\"d\"\n";
        QTest::newRow("value added in order, one renamed in case keeps its name")
            << 0 << head + a + "\n[A\\\\B] " + Stamp + "\"w\"=dword:00000002\n\"w2\"=\"x\"\n" + d;
        QTest::newRow("key below a key never written") << 1 << head + a + b + d + "\n[C\\\\E] " + Stamp;
        QTest::newRow("subkey removed: parent stamped") << 2 << head + "\n[A] " + Stamp + "\"v\"=\"1\"\n" + d;
        QTest::newRow("last subkey removed: parent written") << 3 << head + a + b + "\n[C] " + Stamp;
        QTest::newRow("last value removed: key left to its subkeys") << 4 << head + b + d;
        QTest::newRow("same data: nothing touched") << 5 << Base;
    }
    void changes()
    {
        QFETCH(int, change);
        QFETCH(QByteArray, expected);
        const auto file = parsed(Base);
        QVERIFY(file);
        const int a = file->find({u"A"_s});
        const int b = file->find({u"A"_s, u"B"_s});
        const int c = file->find({u"C"_s});
        switch (change) {
        case 0:
            QVERIFY(file->setValue(b, u"w2"_s, REG_SZ, QByteArray::fromHex("78000000"), Now));
            QVERIFY(file->setValue(b, u"W"_s, REG_DWORD, QByteArray::fromHex("02000000"), Now));
            break;
        case 1:
            QCOMPARE(file->key(file->addChild(c, u"E"_s, Now)).modified, Now);
            break;
        case 2:
            file->removeKey(b, Now);
            break;
        case 3:
            file->removeKey(file->find({u"C"_s, u"D"_s}), Now);
            break;
        case 4:
            QVERIFY(file->deleteValue(a, u"V", Now));
            break;
        default:
            QVERIFY(!file->setValue(a, u"v"_s, REG_SZ, QByteArray::fromHex("31000000"), Now));
        }
        QCOMPARE(QString::fromLatin1(file->serialize()), QString::fromLatin1(expected));
    }
};

QTEST_GUILESS_MAIN(TestWineFile)
#include "TestWineFile.moc"
