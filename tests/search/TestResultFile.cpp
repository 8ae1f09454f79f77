#include "search/ResultFile.h"
#include "search/SearchHistory.h"

#include <QBuffer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QLocale German(QLocale::German, QLocale::Germany);

// A device that takes nothing: the disk is full.
class FullDevice final : public QIODevice {
protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override { return -1; }
};

ResultFileContent readBytes(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ResultFile::read(buffer);
}

QByteArray fileBytes(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

class TestResultFile : public QObject {
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void reading_data();
    void reading();
    void overlongLineIsSkipped();
    void failingDevice();
    void saveAndLoad();
    void resultFileName_data();
    void resultFileName();
    void history();
};

void TestResultFile::lines_data()
{
    QTest::addColumn<QString>("foundAt");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("keyPath");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("data match") << u"Daten"_s << u"Path"_s << 5 << u"HKEY_CURRENT_USER\\Environment"_s
                                << QByteArray("050504DatenPathHKEY_CURRENT_USER\\Environment\r\n");
    QTest::newRow("key row in Windows-1252") << u"Schlüssel"_s << QString() << 1 << u"HKEY_LOCAL_MACHINE\\SOFTWARE"_s
                                             << QByteArray("010900Schl\xfcsselHKEY_LOCAL_MACHINE\\SOFTWARE\r\n");
    QTest::newRow("upper-case hex") << u"Wert"_s << u"abcdefghijklmnopqrstuvwxyz"_s << 7 << u"HKEY_USERS"_s
                                    << QByteArray("07041AWertabcdefghijklmnopqrstuvwxyzHKEY_USERS\r\n");
    QTest::newRow("default value") << u"Standardwert"_s << u"(Standard)"_s << 6 << u"HKEY_USERS\\.DEFAULT"_s
                                   << QByteArray("060C0AStandardwert(Standard)HKEY_USERS\\.DEFAULT\r\n");
    QTest::newRow("name cut to 255") << u"Wert"_s << QString(300, u'n') << 5 << u"K"_s
                                     << QByteArray("0504FFWert") + QByteArray(255, 'n') + "K\r\n";
    QTest::newRow("key path never cut") << u"Schlüssel"_s << QString() << 1 << QString(300, u'k')
                                        << QByteArray("010900Schl\xfcssel") + QByteArray(300, 'k') + "\r\n";
    QTest::newRow("beyond Windows-1252: UTF-8, lengths in characters")
        << u"Wert"_s << u"Ω"_s << 5 << u"HKEY_CURRENT_USER\\Grüße"_s
        << QByteArray("050401Wert\xce\xa9HKEY_CURRENT_USER\\Gr\xc3\xbc\xc3\x9f" "e\r\n");
}

// Written byte for byte, and read back as the same row.
void TestResultFile::lines()
{
    QFETCH(QString, foundAt);
    QFETCH(QString, name);
    QFETCH(int, icon);
    QFETCH(QString, keyPath);
    QFETCH(QByteArray, line);

    const ResultRow row{foundAt, name, keyPath, icon, false};
    QCOMPARE(ResultFile::lineFor(row), line);
    const ResultFileContent content = readBytes(line);
    QCOMPARE(content.skippedLines, 0);
    QCOMPARE(content.rows.size(), std::size_t(1));
    QCOMPARE(content.rows[0].foundAt, foundAt);
    QCOMPARE(content.rows[0].valueName, name.left(255));
    QCOMPARE(content.rows[0].keyPath, keyPath);
    QCOMPARE(content.rows[0].icon, icon);
}

void TestResultFile::reading_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("rows"); // found-at|name|key path|icon
    QTest::addColumn<int>("skipped");

    QTest::newRow("empty file") << QByteArray() << QStringList{} << 0;
    QTest::newRow("empty lines are no rows") << QByteArray("\r\n\r\n\n") << QStringList{} << 0;
    QTest::newRow("last line without its end, LF alone")
        << QByteArray("010900Schl\xfcsselHKLM\n050504DatenPathHKCU")
        << QStringList{u"Schlüssel||HKLM|1"_s, u"Daten|Path|HKCU|5"_s} << 0;
    QTest::newRow("lower-case hex") << QByteArray("0a0401WertXK\r\n") << QStringList{u"Wert|X|K|10"_s} << 0;
    QTest::newRow("UTF-8 line") << QByteArray("050401Wert\xce\xa9K\r\n") << QStringList{u"Wert|Ω|K|5"_s} << 0;
    QTest::newRow("not hexadecimal") << QByteArray("0G0401WertXK\r\n050401WertYK\r\n")
                                     << QStringList{u"Wert|Y|K|5"_s} << 1;
    QTest::newRow("shorter than six") << QByteArray("05050\r\n") << QStringList{} << 1;
    QTest::newRow("lengths past the end") << QByteArray("05FF04DatenPath\r\n") << QStringList{} << 1;
    QTest::newRow("lengths to the end, no key path") << QByteArray("050504DatenPath\r\n")
                                                     << QStringList{u"Daten|Path||5"_s} << 0;
    QTest::newRow("blank header") << QByteArray("      abc\r\n") << QStringList{} << 1;
    QTest::newRow("binary junk") << QByteArray("\x00\xff\xfe\x01\r\n\x80\x81\x82\x83\x84\x85\x86\r\n", 15)
                                 << QStringList{} << 2;
    QTest::newRow("zero bytes in texts") << QByteArray("050202W\0N\0K\r\n", 13)
                                         << QStringList{u"W\u0000|N\u0000|K|5"_s} << 0;
}

void TestResultFile::reading()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, rows);
    QFETCH(int, skipped);

    const ResultFileContent content = readBytes(bytes);
    QVERIFY(content.ok);
    QStringList read;
    for (const ResultRow& row : content.rows)
        read << row.foundAt + u'|' + row.valueName + u'|' + row.keyPath + u'|' + QString::number(row.icon);
    QCOMPARE(read, rows);
    QCOMPARE(content.skippedLines, skipped);
}

// A line far longer than any row is skipped without being kept; the lines around it still count.
void TestResultFile::overlongLineIsSkipped()
{
    QByteArray bytes("050401WertAK\r\n");
    bytes += QByteArray(3 * ResultFile::MaxLineBytes + 17, '0');
    bytes += "\r\n050401WertBK\r\n";
    const ResultFileContent content = readBytes(bytes);
    QCOMPARE(content.rows.size(), std::size_t(2));
    QCOMPARE(content.rows[1].valueName, u"B"_s);
    QCOMPARE(content.skippedLines, 1);
}

void TestResultFile::failingDevice()
{
    std::vector<ResultRow> rows(3, ResultRow{u"Wert"_s, u"x"_s, u"K"_s, 5, false});
    FullDevice device;
    device.open(QIODevice::WriteOnly);
    QVERIFY(!ResultFile::write(device, rows));
}

void TestResultFile::saveAndLoad()
{
    QTemporaryDir dir;
    SearchResultList list(German);
    list.AddResultRow(u"Daten"_s, u"Path"_s, 5, u"HKEY_CURRENT_USER\\Environment"_s);
    list.AddResultRow(u"Schlüssel"_s, QString(), 1, u"HKEY_CURRENT_USER\\AppEvents"_s);

    const QString fileName = dir.filePath(u"results.slt"_s);
    QVERIFY(SaveResultFile(fileName, list));
    QCOMPARE(fileBytes(fileName), QByteArray("010900Schl\xfcsselHKEY_CURRENT_USER\\AppEvents\r\n"
                                             "050504DatenPathHKEY_CURRENT_USER\\Environment\r\n"));
    QVERIFY(!SaveResultFile(dir.filePath(u"missing/results.slt"_s), list));
    QVERIFY(!QFile::exists(dir.filePath(u"missing/results.slt"_s)));

    SearchResultList loaded(German);
    loaded.AddResultRow(u"Wert"_s, u"alt"_s, 5, u"HKEY_USERS"_s);
    QVERIFY(!LoadResultFile(dir.filePath(u"none.slt"_s), loaded).ok);
    QCOMPARE(loaded.size(), 1); // an unreadable file takes nothing away
    const ResultFileContent content = LoadResultFile(fileName, loaded);
    QVERIFY(content.ok);
    QCOMPARE(loaded.size(), 2);
    QCOMPARE(loaded.rows()[1].keyPath, u"HKEY_CURRENT_USER\\Environment"_s);
}

void TestResultFile::resultFileName_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("other extension") << u"/tmp/results.txt"_s << u"/tmp/results.slt"_s;
    QTest::newRow("no extension") << u"/tmp/results"_s << u"/tmp/results.slt"_s;
    QTest::newRow("dot in a folder") << u"/tmp/a.b/results"_s << u"/tmp/a.b/results.slt"_s;
    QTest::newRow("last extension only") << u"a.b.txt"_s << u"a.b.slt"_s;
    QTest::newRow("hidden file") << u"/tmp/.results"_s << u"/tmp/.results.slt"_s;
}

void TestResultFile::resultFileName()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QCOMPARE(ResultFileName(chosen), written);
}

void TestResultFile::history()
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(u"search.dat"_s);
    SearchHistory history;
    history.load(fileName); // missing: empty
    QVERIFY(history.entries().isEmpty());
    for (int i = 1; i <= 22; ++i)
        history.add(u"Text %1"_s.arg(i));
    history.add(u"text 22"_s); // there already, ignoring case
    history.add(u"Grüße"_s);
    QCOMPARE(history.entries().size(), 20);
    QCOMPARE(history.entries().first(), u"Grüße"_s);
    QCOMPARE(history.entries().last(), u"Text 4"_s);
    QVERIFY(history.remove(u"TEXT 22"_s));
    QVERIFY(history.save(fileName));
    QVERIFY(fileBytes(fileName).startsWith("Gr\xfc\xdf" "e\r\nText 21\r\nText 20\r\n"));

    SearchHistory reread;
    reread.load(fileName);
    QCOMPARE(reread.entries(), history.entries());
}

QTEST_GUILESS_MAIN(TestResultFile)
#include "TestResultFile.moc"
