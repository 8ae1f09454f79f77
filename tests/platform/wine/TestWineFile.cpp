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

    // Text escaped as in a value's quotes (or, with "[]", in a key name) and read back up to the closing quote.
    void escapes()
    {
        const std::tuple<QString, QByteArray, QByteArray> cases[] = {
            {u"Müller"_s, "\"\"", "M\\xfcller"}, {u"äa"_s, "\"\"", "\\x00e4a"}, // a hex digit follows
            {u"äg"_s, "\"\"", "\\xe4g"}, {u"😀"_s, "\"\"", "\\xd83d\\xde00"}, {u"漢字"_s, "\"\"", "\\x6f22\\x5b57"},
            {u"\t\n\r\a\b\v\f\x1b"_s, "\"\"", "\\t\\n\\r\\a\\b\\v\\f\\e"}, {u"\x01x\x02"_s, "\"\"", "\\1x\\2"},
            {QString::fromLatin1("\x01" "7"), "\"\"", "\\0017"}, // octal before a digit
            {u"a\"b\\c"_s, "\"\"", "a\\\"b\\\\c"}, {u"a[b]c\""_s, "[]", "a\\[b\\]c\""}, {u"\x7f"_s, "\"\"", "\x7f"}};
        for (const auto& [text, quote, escaped] : cases) {
            QCOMPARE(WineText::escape(text, quote.constData()), escaped);
            const QByteArray line = escaped + quote.at(1) + "rest";
            qsizetype pos = 0;
            QString back;
            QVERIFY(WineText::unescape(line, &pos, quote.at(1), &back));
            QCOMPARE(back, text);
            QCOMPARE(line.mid(pos), QByteArray("rest"));
        }
        // A NUL inside is escaped, the terminator left out: no way back to the same text.
        QCOMPARE(WineText::escape(QString::fromLatin1("a\0b\0", 4), "\"\""), QByteArray("a\\0b"));
    }

    // Each value's lines with name, type and data in hex, and whether the server writes it so (canonical).
    void values()
    {
        constexpr DWORD Refused = 0xFFFFFFFF;
        // Wine's own wrapped lines; their data: the target's path in UTF-16LE, no terminator.
        QByteArray target;
        for (const char c : QByteArray("\\Registry\\Machine\\Software\\Classes\\Wow6432Node"))
            target += QByteArray(1, c) + '\0';
        const std::tuple<QByteArray, QString, DWORD, QByteArray, bool> cases[] = {
            {"\"a\"=\"x\"\n", u"a"_s, REG_SZ, "78000000", true}, {"@=\"\"\n", u""_s, REG_SZ, "0000", true},
            {"\"d\"=dword:0000002a\n", u"d"_s, REG_DWORD, "2a000000", true},
            {"\"d\"=dword:2A\n", u"d"_s, REG_DWORD, "2a000000", false},
            {"\"e\"=str(2):\"%PATH%\"\n", u"e"_s, REG_EXPAND_SZ, "2500500041005400480025000000", true},
            {"\"m\"=str(7):\"a\\0b\\0\"\n", u"m"_s, REG_MULTI_SZ, "61000000620000000000", true},
            {"\"q\"=hex(b):01,00,00,00,00,00,00,00\n", u"q"_s, REG_QWORD, "0100000000000000", true},
            {"\"n\"=hex(0):\n", u"n"_s, REG_NONE, "", true},
            {"\"s\"=hex(1):61,00\n", u"s"_s, REG_SZ, "6100", true}, // a string without terminator
            {"\"b\"=hex:01,02,\\\n  03\n", u"b"_s, REG_BINARY, "010203", false},
            {"\"a\\\"b\"=\"\"\n", u"a\"b"_s, REG_SZ, "0000", true},
            {WineLines, u"SymbolicLinkValue"_s, REG_LINK, target.toHex(), true},
            {"\"a\"=str(4):\"x\"\n", {}, Refused, {}, false}, {"\"a\"=hex:100\n", {}, Refused, {}, false},
            {"\"a\"=\"open\n", {}, Refused, {}, false}, {"\"a\" \"x\"\n", {}, Refused, {}, false},
            {"\"a\"=hex:01,\\\n", {}, Refused, {}, false}};
        for (const auto& [lines, name, type, hexData, canonical] : cases) {
            QList<QByteArray> parts = lines.chopped(1).split('\n');
            const auto next = [&](QByteArrayView* line) {
                if (parts.size() < 2)
                    return false;
                parts.removeFirst();
                *line = parts.first();
                return true;
            };
            WineText::ParsedValue value;
            QVERIFY2(WineText::parseValue(parts.first(), next, &value) == (type != Refused), lines.constData());
            if (type == Refused)
                continue;
            QCOMPARE(value.name, name);
            QCOMPARE(value.type, type);
            QCOMPARE(value.data.toHex(), hexData);
            if (canonical)
                QCOMPARE(WineText::valueLines(value.name, value.type, value.data), lines);
        }
    }

    // The server's own file, and a hand-edited one.
    void untouchedFileUnchanged()
    {
        for (const QByteArray& bytes : {Base, QByteArray("WINE REGISTRY Version 2\r\n; a comment\r\n\r\n"
                                                         "  [Z] 5\r\n\"x\" = \"1\"  \r\n\n\n[A\\\\B]\n[A]\n"
                                                         "\"dup\"=dword:1\nnonsense\n[broken\n\"lost\"=\"v\"\n[A]\n"
                                                         "\"dup\"=dword:2\n\"h\"=hex:01,\\\n\t02")}) {
            const auto file = parsed(bytes);
            QVERIFY(file);
            QCOMPARE(file->serialize(), bytes);
            QVERIFY(!parsed("REGEDIT4\n" + bytes.mid(bytes.indexOf('\n') + 1))); // not one of Wine's files
        }
    }

    // A change re-renders the keys it touched, stamped as the server stamps them; the rest stays.
    void changes()
    {
        const QByteArray head = Base.left(Base.indexOf("\n[A]"));
        const QByteArray a = "\n[A] 1796606682\n#time=1dd85e9bc63556e\n\"v\"=\"1\"\n";
        const QByteArray b = "\n[A\\\\B] 1796606682\n#time=1dd85e9bc63556e\n\"w\"=dword:00000001\n";
        const QByteArray d = "\n[C\\\\D] 1796606682\n#time=1dd85e9bc63556e\n@=\"d\"\n";
        const QByteArray expected[] = {
            head + a + "\n[A\\\\B] " + Stamp + "\"w\"=dword:00000002\n\"w2\"=\"x\"\n" + d, // renamed in case: kept
            head + a + b + d + "\n[C\\\\E] " + Stamp, // a key below a key never written
            head + "\n[A] " + Stamp + "\"v\"=\"1\"\n" + d, // subkey removed: parent stamped
            head + a + b + "\n[C] " + Stamp, // the last subkey removed: parent written
            head + b + d, // the last value removed: the key left to its subkeys
            Base}; // same data: nothing touched
        for (int change = 0; change < 6; ++change) {
            const auto file = parsed(Base);
            QVERIFY(file);
            const int keyA = file->find({u"A"_s});
            const int keyB = file->find({u"A"_s, u"B"_s});
            if (change == 0) {
                QVERIFY(file->setValue(keyB, u"w2"_s, REG_SZ, QByteArray::fromHex("78000000"), Now));
                QVERIFY(file->setValue(keyB, u"W"_s, REG_DWORD, QByteArray::fromHex("02000000"), Now));
            } else if (change == 1) {
                QCOMPARE(file->key(file->addChild(file->find({u"C"_s}), u"E"_s, Now)).modified, Now);
            } else if (change == 2 || change == 3) {
                file->removeKey(change == 2 ? keyB : file->find({u"C"_s, u"D"_s}), Now);
            } else if (change == 4) {
                QVERIFY(file->deleteValue(keyA, u"V", Now));
            } else {
                QVERIFY(!file->setValue(keyA, u"v"_s, REG_SZ, QByteArray::fromHex("31000000"), Now));
            }
            QCOMPARE(QString::fromLatin1(file->serialize()), QString::fromLatin1(expected[change]));
        }
    }
};

QTEST_GUILESS_MAIN(TestWineFile)
#include "TestWineFile.moc"
