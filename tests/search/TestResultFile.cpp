#include "search/ResultFile.h"
#include "search/SearchHistory.h"

#include <QBuffer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A device that takes nothing: the disk is full.
class FullDevice final : public QIODevice {
protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override { return -1; }
};

QStringList readRows(const QByteArray& bytes, int* skipped)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const ResultFileContent content = ResultFile::read(buffer);
    *skipped = content.skippedLines;
    QStringList rows;
    for (const ResultRow& r : content.rows)
        rows << QString::number(r.icon) + u'|' + r.foundAt + u'|' + r.valueName + u'|' + r.keyPath;
    return rows;
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
    void files();
    void history();
};

void TestResultFile::lines_data()
{
    QTest::addColumn<QString>("row"); // image|found-at|value name|key path
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("data match") << u"5|Daten|Path|HKEY_CURRENT_USER\\Environment"_s
                                << QByteArray("050504DatenPathHKEY_CURRENT_USER\\Environment\r\n");
    QTest::newRow("1252") << u"1|Schlüssel||K\\Grüße"_s << QByteArray("010900Schl\xfcsselK\\Gr\xfc\xdf" "e\r\n");
    QTest::newRow("upper-case hex") << u"6|Standardwert|abcdefghijklmnopqrstuvwxyz|K"_s
                                    << QByteArray("060C1AStandardwertabcdefghijklmnopqrstuvwxyzK\r\n");
    QTest::newRow("name cut, path not") << u"5|Wert|"_s + QString(300, u'n') + u'|' + QString(300, u'k')
                                        << "0504FFWert" + QByteArray(255, 'n') + QByteArray(300, 'k') + "\r\n";
    QTest::newRow("UTF-8 past 1252") << u"5|Wert|Ω|Grüße"_s << QByteArray("050401Wert\xce\xa9Gr\xc3\xbc\xc3\x9f" "e\r\n");
}

// Written byte for byte; read back as the same row (the name as far as it was written).
void TestResultFile::lines()
{
    QFETCH(QString, row);
    QFETCH(QByteArray, line);
    const QStringList f = row.split(u'|');
    QCOMPARE(ResultFile::lineFor({f[1], f[2], f[3], f[0].toInt(), false}), line);
    int skipped = -1;
    QCOMPARE(readRows(line, &skipped), QStringList{f[0] + u'|' + f[1] + u'|' + f[2].left(255) + u'|' + f[3]});
    QCOMPARE(skipped, 0);
}

void TestResultFile::reading_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("skipped");
    QTest::newRow("empty lines") << QByteArray("\r\n\r\n\n") << QStringList{} << 0;
    QTest::newRow("LF alone, last line open") << QByteArray("0a0401WertXK\n050504DatenPath")
                                              << QStringList{u"10|Wert|X|K"_s, u"5|Daten|Path|"_s} << 0;
    QTest::newRow("not hexadecimal") << QByteArray("0G0401WertXK\r\n      abc\r\n050401WertYK\r\n")
                                     << QStringList{u"5|Wert|Y|K"_s} << 2;
    QTest::newRow("truncated") << QByteArray("05050\r\n05FF04DatenPath\r\n") << QStringList{} << 2;
    QTest::newRow("binary junk") << QByteArray("\x00\xff\xfe\x01\r\n\x80\x81\x82\x83\x84\x85\x86", 13)
                                 << QStringList{} << 2;
    QTest::newRow("zero bytes") << QByteArray("050202W\0N\0K", 11) << QStringList{u"5|W\u0000|N\u0000|K"_s} << 0;
    // far longer than any row: skipped a block at a time, never held whole
    QTest::newRow("overlong line") << QByteArray("050401WertAK\r\n") + QByteArray(3 * ResultFile::MaxLineBytes, '0')
                                          + "\r\n050401WertBK"
                                   << QStringList{u"5|Wert|A|K"_s, u"5|Wert|B|K"_s} << 1;
}

void TestResultFile::reading()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, rows);
    QFETCH(int, skipped);
    int skippedLines = -1;
    QCOMPARE(readRows(bytes, &skippedLines), rows);
    QCOMPARE(skippedLines, skipped);
}

void TestResultFile::files()
{
    QTemporaryDir dir;
    SearchResultList list(QLocale(QLocale::German, QLocale::Germany));
    list.AddResultRow(u"Daten"_s, u"Path"_s, 5, u"HKEY_CURRENT_USER\\Environment"_s);
    list.AddResultRow(u"Schlüssel"_s, QString(), 1, u"HKEY_CURRENT_USER\\AppEvents"_s);

    const QString fileName = ResultFileName(dir.filePath(u"results.txt"_s));
    QCOMPARE(fileName, dir.filePath(u"results.slt"_s));
    QCOMPARE(ResultFileName(u"/a.b/results"_s), u"/a.b/results.slt"_s);
    QVERIFY(SaveResultFile(fileName, list));
    QCOMPARE(fileBytes(fileName), QByteArray("010900Schl\xfcsselHKEY_CURRENT_USER\\AppEvents\r\n"
                                             "050504DatenPathHKEY_CURRENT_USER\\Environment\r\n"));
    QVERIFY(!SaveResultFile(dir.filePath(u"missing/results.slt"_s), list));
    FullDevice full;
    full.open(QIODevice::WriteOnly);
    QVERIFY(!ResultFile::write(full, list.rows()));

    list.MarkAll();
    QVERIFY(!LoadResultFile(dir.filePath(u"none.slt"_s), list).ok);
    QCOMPARE(list.selectedCount(), 2); // an unreadable file takes nothing away
    QVERIFY(LoadResultFile(fileName, list).ok);
    QCOMPARE(list.size(), 2);
    QCOMPARE(list.selectedCount(), 0);
}

// A longer file keeps its first 20 lines; a text entered again stays once.
void TestResultFile::history()
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(u"search.dat"_s);
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("Gr\xfc\xdf" "e\r\n").repeated(2) + QByteArray("x\r\n").repeated(30));
    file.close();
    SearchHistory history;
    history.load(fileName);
    history.add(u"GRÜSSE"_s);
    history.add(u"grüße"_s);
    QVERIFY(history.remove(u"GRÜßE"_s));
    QCOMPARE(history.entries().size(), 18); // "ß" is not "SS": a new entry pushed the last line out
    QCOMPARE(history.entries().first(), u"GRÜSSE"_s);
}

QTEST_GUILESS_MAIN(TestResultFile)
#include "TestResultFile.moc"
