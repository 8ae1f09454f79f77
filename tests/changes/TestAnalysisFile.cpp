#include "FileBytes.h"
#include "changes/AnalysisFile.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using Kind = ChangeFileError::Kind;

namespace {

const QByteArray Magic("KAVEN_COMPARE_FILE");
const QByteArray KeyX = le(0) + str("HKEY_CURRENT_USER\\X"); // 27 bytes

struct ReadResult {
    QList<StoredKey> keys;
    ChangeFileError error;
    bool ended = false;
};

ReadResult readAll(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    AnalysisFileReader reader(buffer);
    ReadResult result;
    StoredKey key;
    AnalysisFileReader::Step step;
    while ((step = reader.next(key)) == AnalysisFileReader::Step::Key)
        result.keys.append(key);
    result.ended = step == AnalysisFileReader::Step::End;
    result.error = reader.error();
    return result;
}

class FullDevice final : public QIODevice {
protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override { return -1; }
};

} // namespace

class TestAnalysisFile : public QObject {
    Q_OBJECT

private slots:
    void exampleFile();
    void valueData_data();
    void valueData();
    void cancelledKeyStaysValid();
    void damaged_data();
    void damaged();
    void failingDevice();
};

// HKEY_CURRENT_USER\X with the REG_DWORD "a" = 5 and nothing else.
void TestAnalysisFile::exampleFile()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    AnalysisFileWriter writer(buffer);
    writer.beginKey(u"HKEY_CURRENT_USER\\X\\"_s);
    writer.writeValue(u"a"_s, MakeRegValue(REG_DWORD, {}, 5, {}));
    QVERIFY(writer.finish());
    QCOMPARE(bytes, Magic + KeyX + le(2) + str("a") + le(4) + le(5) + le(3) + le(4));

    const ReadResult read = readAll(bytes);
    QVERIFY(read.ended);
    QCOMPARE(read.keys.size(), 1);
    QCOMPARE(read.keys[0].path, u"HKEY_CURRENT_USER\\X"_s);
    QCOMPARE(read.keys[0].values.size(), 1u);
    QCOMPARE(read.keys[0].values[0].value.DWordData, 5u);
}

// The data field of each type as the file holds it, and the record it reads back as. Registry text of
// expandable and multi strings is UTF-8; the file holds it as Windows-1252 where it fits.
void TestAnalysisFile::valueData_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("readText");

    QTest::newRow("sz up to its NUL") << int(REG_SZ) << u"ab\0c"_s << QByteArray() << str("ab") << u"ab"_s;
    QTest::newRow("sz umlaut") << int(REG_SZ) << u"Müller"_s << QByteArray() << str("M\xFCller") << u"Müller"_s;
    QTest::newRow("sz outside 1252") << int(REG_SZ) << u"Ω"_s << QByteArray() << str("\xCE\xA9") << u"Ω"_s;
    QTest::newRow("dword") << int(REG_DWORD) << QString() << QByteArray() << le(5) << QString();
    QTest::newRow("expand with NUL") << int(REG_EXPAND_SZ) << QString() << QByteArray("%P%\xC3\xA4\0", 6)
                                     << str(QByteArray("%P%\xE4\0", 5)) << QString();
    QTest::newRow("multi euro") << int(REG_MULTI_SZ) << QString() << QByteArray("\xE2\x82\xAC\0\0", 5)
                                << str(QByteArray("\x80\0\0", 3)) << QString();
    QTest::newRow("multi outside 1252") << int(REG_MULTI_SZ) << QString() << QByteArray("\xCE\xA9\0\0", 4)
                                        << str(QByteArray("\xCE\xA9\0\0", 4)) << QString();
    QTest::newRow("binary never converted") << int(REG_BINARY) << QString() << QByteArray("\xC3\xA4")
                                            << str("\xC3\xA4") << QString();
    QTest::newRow("none empty") << int(REG_NONE) << QString() << QByteArray() << str("") << QString();
}

void TestAnalysisFile::valueData()
{
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, field);
    QFETCH(QString, readText);

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    AnalysisFileWriter writer(buffer);
    writer.writeKey({u"HKEY_USERS"_s, {}, {{u"v"_s, MakeRegValue(DWORD(type), text, 5, data)}}});
    QVERIFY(writer.finish());
    const QByteArray head = Magic + le(0) + str("HKEY_USERS") + le(2) + str("v") + le(type);
    QCOMPARE(bytes, head + field + le(3) + le(4));

    const ReadResult read = readAll(bytes);
    QVERIFY(read.ended);
    TRegValue expected;
    expected.DataType = DWORD(type);
    if (type == REG_SZ)
        expected.StringData = readText;
    else if (type == REG_DWORD)
        expected.DWordData = 5;
    else
        expected.BinaryData = data;
    QCOMPARE(read.keys.at(0).values.at(0).value, expected);
}

// A walk stopped inside a key: its end-of-key record still comes, and the file ends properly.
void TestAnalysisFile::cancelledKeyStaysValid()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    AnalysisFileWriter writer(buffer);
    writer.beginKey(u"HKEY_CURRENT_USER\\X"_s);
    writer.writeSubKeyName(u"Sub"_s);
    QVERIFY(writer.finish());
    QCOMPARE(bytes, Magic + KeyX + le(1) + str("Sub") + le(3) + le(4));
    const ReadResult read = readAll(bytes);
    QVERIFY(read.ended);
    QCOMPARE(read.keys.at(0).subKeyNames, QStringList{u"Sub"_s});
}

// Offsets are those of the record that could not be read; keys before it are delivered.
void TestAnalysisFile::damaged_data()
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
    row("identifier cut", Magic.left(17), Kind::NotAnalysisFile, 0, 0);
    row("lower-case identifier", Magic.toLower() + le(4), Kind::None, 0, 0);
    row("identifier only", Magic, Kind::NoEndTag, 18, 0);
    row("no end tag", Magic + keyEnd, Kind::NoEndTag, 49, 1);
    row("tag cut", Magic + keyEnd + "\4\0", Kind::CutOff, 49, 1);
    row("path cut", Magic + le(0) + le(19) + "HKEY_", Kind::BeyondEnd, 18, 0);
    row("negative length", Magic + le(0) + le(-1), Kind::NegativeLength, 18, 0);
    row("huge length", Magic + keyEnd + le(0) + le(0x7FFFFFFF) + "x", Kind::BeyondEnd, 49, 1);
    row("dword cut", Magic + KeyX + le(2) + str("a") + le(4) + "\5", Kind::CutOff, 45, 0);
    row("unknown tag", Magic + keyEnd + le(7), Kind::UnknownTag, 49, 1);
    row("unknown tag in key", Magic + KeyX + le(-3), Kind::UnknownTag, 45, 0);
    row("value outside key", Magic + le(2) + str("a") + le(4) + le(1), Kind::MisplacedTag, 18, 0);
    row("key inside key", Magic + KeyX + KeyX + le(3) + le(4), Kind::MisplacedTag, 45, 0);
    row("end of file inside key", Magic + KeyX + le(4), Kind::MisplacedTag, 45, 0);
}

void TestAnalysisFile::damaged()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    QFETCH(qint64, offset);
    QFETCH(int, keysBefore);

    const ReadResult read = readAll(bytes);
    QCOMPARE(int(read.error.kind), kind);
    QCOMPARE(read.keys.size(), keysBefore);
    QCOMPARE(read.ended, kind == int(Kind::None));
    const QString text = read.error.text(u"alt.rec"_s);
    if (kind == int(Kind::NotAnalysisFile))
        QCOMPARE(text, u"\"alt.rec\" ist keine Analysedatei."_s);
    else if (kind != int(Kind::None))
        QVERIFY2(text.startsWith(u"Die Datei \"alt.rec\" ist ab Byte %1 beschädigt: "_s.arg(offset)), qPrintable(text));
}

void TestAnalysisFile::failingDevice()
{
    FullDevice device;
    device.open(QIODevice::WriteOnly);
    AnalysisFileWriter writer(device);
    writer.writeKey({u"HKEY_USERS"_s, {u"S"_s}, {}});
    QVERIFY(!writer.finish());
}

QTEST_GUILESS_MAIN(TestAnalysisFile)
#include "TestAnalysisFile.moc"
