#include "FileBytes.h"
#include "changes/AnalysisFile.h"
#include "registry/RegValueUtils.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using Kind = ChangeFileError::Kind;

namespace {

const QByteArray Magic("KAVEN_COMPARE_FILE");
const QByteArray KeyX = le(0) + str("HKEY_CURRENT_USER\\X"); // 27 bytes

} // namespace

class TestAnalysisFile : public QObject {
    Q_OBJECT

private slots:
    // HKEY_CURRENT_USER\X with the REG_DWORD "a" = 5 and nothing else. The key is left open, as by a walk
    // that was cancelled: finishing still ends it, so the file is valid.
    void exampleFile()
    {
        const QByteArray bytes = written([](AnalysisFileWriter& writer) {
            writer.beginKey(u"HKEY_CURRENT_USER\\X\\"_s);
            writer.writeValue(u"a"_s, MakeRegValue(REG_DWORD, {}, 5, {}));
        });
        QCOMPARE(bytes, Magic + KeyX + le(2) + str("a") + le(4) + le(5) + le(3) + le(4));
        const ReadResult read = readAll(bytes);
        QVERIFY(read.ended && read.keys.size() == 1 && read.keys[0].path == u"HKEY_CURRENT_USER\\X"_s);
    }

    // The data field of each type as the file holds it, from the registry's bytes (text is UTF-8 there),
    // and the registry bytes it reads back as (the same unless given).
    void valueData_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QByteArray>("back");

        const auto row = [](const char* name, DWORD type, const QByteArray& data, const QByteArray& field,
                            const QByteArray& back = {}) { QTest::newRow(name) << int(type) << data << field << back; };
        row("sz up to its NUL", REG_SZ, QByteArray("ab\0c\0", 5), str("ab"), QByteArray("ab\0", 3));
        row("sz umlaut", REG_SZ, QByteArray("M\xC3\xBCller\0", 8), str("M\xFCller"));
        row("sz outside 1252", REG_SZ, QByteArray("\xCE\xA9\0", 3), str("\xCE\xA9"));
        row("dword", REG_DWORD, le(5), le(5));
        row("expand with NUL", REG_EXPAND_SZ, QByteArray("%P%\xC3\xA4\0", 6), str(QByteArray("%P%\xE4\0", 5)));
        row("multi euro", REG_MULTI_SZ, QByteArray("\xE2\x82\xAC\0\0", 5), str(QByteArray("\x80\0\0", 3)));
        row("multi outside 1252", REG_MULTI_SZ, QByteArray("\xCE\xA9\0\0", 4), str(QByteArray("\xCE\xA9\0\0", 4)));
        row("binary never converted", REG_BINARY, QByteArray("\xC3\xA4"), str("\xC3\xA4"));
        row("none empty", REG_NONE, QByteArray(), str(""));
    }

    void valueData()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, field);
        QFETCH(QByteArray, back);

        TRegValue value;
        QVERIFY(ValueFromBytes(DWORD(type), data, value));
        const StoredKey key{u"HKEY_USERS"_s, {}, {{u"v"_s, value}}};
        const QByteArray bytes = written([&key](AnalysisFileWriter& writer) { writer.writeKey(key); });
        QCOMPARE(bytes, Magic + le(0) + str("HKEY_USERS") + le(2) + str("v") + le(type) + field + le(3) + le(4));
        const ReadResult read = readAll(bytes);
        QVERIFY(read.ended);
        QCOMPARE(read.keys.at(0).values.at(0).value.DataType, DWORD(type));
        QCOMPARE(ValueToBytes(read.keys.at(0).values.at(0).value), back.isEmpty() ? data : back);
    }

    // A walk stopped inside a key: its end-of-key record still comes, and the file ends properly.
    // Offsets are those of the record that could not be read; keys before it are delivered.
    void damaged_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<int>("keysBefore");

        const QByteArray keyEnd = KeyX + le(3); // 31 bytes: next record at 49
        const auto row = [](const char* name, const QByteArray& bytes, Kind kind, qint64 offset, int keys) {
            QTest::newRow(name) << bytes << int(kind) << offset << keys;
        };
        row("empty file", QByteArray(), Kind::NotAnalysisFile, 0, 0);
        row("registry file", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER]\r\n", Kind::NotAnalysisFile, 0, 0);
        row("lower-case identifier", Magic.toLower() + le(4), Kind::None, 0, 0);
        row("identifier only", Magic, Kind::NoEndTag, 18, 0);
        row("no end tag", Magic + keyEnd, Kind::NoEndTag, 49, 1);
        row("tag cut", Magic + keyEnd + "\4\0", Kind::CutOff, 49, 1);
        row("path cut", Magic + le(0) + le(19) + "HKEY_", Kind::BeyondEnd, 18, 0);
        row("negative length", Magic + le(0) + le(-1), Kind::NegativeLength, 18, 0);
        row("huge length", Magic + keyEnd + le(0) + le(0x7FFFFFFF) + "x", Kind::BeyondEnd, 49, 1);
        row("dword cut", Magic + KeyX + le(2) + str("a") + le(4) + "\5", Kind::CutOff, 45, 0);
        row("unknown tag", Magic + KeyX + le(-3), Kind::UnknownTag, 45, 0);
        row("value outside key", Magic + le(2) + str("a") + le(4) + le(1), Kind::MisplacedTag, 18, 0);
        row("key inside key", Magic + KeyX + KeyX + le(3) + le(4), Kind::MisplacedTag, 45, 0);
    }

    void damaged()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(qint64, offset);

        const ReadResult read = readAll(bytes);
        QCOMPARE(int(read.error.kind), kind);
        QTEST(int(read.keys.size()), "keysBefore");
        QCOMPARE(read.ended, kind == int(Kind::None));
        const QString text = read.error.text(u"alt.rec"_s);
        if (kind == int(Kind::NotAnalysisFile))
            QCOMPARE(text, u"\"alt.rec\" ist keine Analysedatei."_s);
        else if (kind != int(Kind::None))
            QVERIFY2(text.startsWith(u"Die Datei \"alt.rec\" ist ab Byte %1 beschädigt: "_s.arg(offset)),
                     qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestAnalysisFile)
#include "TestAnalysisFile.moc"
