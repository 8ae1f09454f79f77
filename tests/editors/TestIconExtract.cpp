#include "editors/IconExtract.h"
#include "editors/TIconDialog.h"
#include "support/RecordingMessageSink.h"
#include "support/TestFiles.h"

#include <QtTest>
#include <QtWidgets>

namespace {

template <typename T> void put(QByteArray& b, int at, T v)
{
    qToLittleEndian(v, b.data() + at);
}
const auto put16 = put<quint16>;
const auto put32 = put<quint32>;

const QByteArray Image1("IMAGE-01", 8);
const QByteArray Image2("IMAGE-TWO-02", 12);

// Resource directory at `at` with id entries (id, target); a target with 0x80000000 is a subdirectory.
void directory(QByteArray& s, int at, const QList<QPair<quint32, quint32>>& ids)
{
    put16(s, at + 14, quint16(ids.size()));
    for (int i = 0; i < ids.size(); ++i) {
        put32(s, at + 16 + 8 * i, ids[i].first);
        put32(s, at + 20 + 8 * i, ids[i].second);
    }
}

// Group directory entry: 16 x 16, 1 plane, 32 bits, the image size and its resource number.
QByteArray groupEntry(quint32 size, quint16 id)
{
    QByteArray e = QByteArray::fromHex("1010000001002000") + QByteArray(6, '\0');
    put32(e, 8, size);
    put16(e, 12, id);
    return e;
}

// A minimal PE32 file with one resource section: images 1 and 2, icon group 7 (image 1) and icon
// group 100 (images 1 and 2).
QByteArray makePe()
{
    QByteArray file = "MZ" + QByteArray(0x200 - 2, '\0');
    put32(file, 0x3C, 0x40);
    file.replace(0x40, 4, QByteArray("PE\0\0", 4));
    put16(file, 0x44, 0x14c);
    put16(file, 0x46, 1);     // one section
    put16(file, 0x54, 224);   // optional header size
    put16(file, 0x58, 0x10b); // PE32
    put32(file, 0x58 + 92, 16);
    put32(file, 0x58 + 112, 0x1000); // resource table
    put32(file, 0x58 + 116, 0x180);
    const int section = 0x58 + 224;
    file.replace(section, 5, ".rsrc");
    put32(file, section + 8, 0x180);
    put32(file, section + 12, 0x1000);
    put32(file, section + 16, 0x180);
    put32(file, section + 20, 0x200);

    QByteArray s(0x180, '\0');
    directory(s, 0x000, {{3, 0x80000020}, {14, 0x80000040}});
    directory(s, 0x020, {{1, 0x80000060}, {2, 0x80000078}});
    directory(s, 0x040, {{7, 0x80000090}, {100, 0x800000A8}});
    const int langs[] = {0x060, 0x078, 0x090, 0x0A8};
    const int entries[] = {0x0C0, 0x0D0, 0x0E0, 0x0F0};
    const QByteArray group7 = QByteArray::fromHex("000001000100") + groupEntry(8, 1);
    const QByteArray group100 = QByteArray::fromHex("000001000200") + groupEntry(8, 1) + groupEntry(12, 2);
    const QByteArray blobs[] = {Image1, Image2, group7, group100};
    const int places[] = {0x100, 0x110, 0x120, 0x140};
    for (int i = 0; i < 4; ++i) {
        directory(s, langs[i], {{0x409, quint32(entries[i])}});
        put32(s, entries[i], 0x1000 + quint32(places[i]));
        put32(s, entries[i] + 4, quint32(blobs[i].size()));
        s.replace(places[i], int(blobs[i].size()), blobs[i]);
    }
    return file + s;
}

} // namespace

class TestIconExtract : public QObject {
    Q_OBJECT

private slots:
    // The icon groups of a PE file and of an .ico file; truncated and damaged files.
    void extractsIcons()
    {
        const QList<ExtractedIcon> icons = ExtractIcons(makePe());
        QCOMPARE(icons.size(), 2);
        QCOMPARE(icons[0].resourceId, 7);
        QCOMPARE(icons[0].ico, QByteArray::fromHex("000001000100" "1010000001002000" "08000000" "16000000") + Image1);
        QCOMPARE(icons[1].resourceId, 100);
        const QByteArray ico = QByteArray::fromHex("000001000200"
                                                   "1010000001002000" "08000000" "26000000"
                                                   "1010000001002000" "0c000000" "2e000000")
                               + Image1 + Image2;
        QCOMPARE(icons[1].ico, ico);
        // Positions in the list: by index, or by resource number when negative.
        for (const auto& [asked, position] : {std::pair{1, 1}, {2, -1}, {-100, 1}, {-8, -1}})
            QCOMPARE(IconListPosition(icons, asked), position);
        // An .ico file is one icon; one whose image lies beyond the end is none.
        QCOMPARE(ExtractIcons(ico).size(), 1);
        QCOMPARE(ExtractIcons(ico).at(0).ico, ico);
        QVERIFY(ExtractIcons(ico.left(ico.size() - 1)).isEmpty());

        const QByteArray pe = makePe();
        // Every cut of the file: no crash, and no icon from a file that lacks its data.
        for (qsizetype n = 0; n < pe.size(); ++n)
            QVERIFY(ExtractIcons(pe.left(n)).size() <= 2);
        // Cut before the data of group 100: group 7 is still whole.
        QCOMPARE(ExtractIcons(pe.left(0x200 + 0x140)).size(), 1);
        // A directory that points at itself is not followed for ever; only group 100 needs image 2.
        QByteArray loop = pe;
        put32(loop, 0x200 + 0x078 + 20, 0x80000078);
        const QList<ExtractedIcon> left = ExtractIcons(loop);
        QCOMPARE(left.size(), 1);
        QCOMPARE(left[0].resourceId, 7);
        QByteArray hugeCount = pe;
        put16(hugeCount, 0x200 + 0x000 + 14, 0xFFFF);
        QVERIFY(ExtractIcons(hugeCount).size() <= 2);
        QVERIFY(ExtractIcons(QByteArray("MZ")).isEmpty());
        QVERIFY(ExtractIcons(QByteArray(4096, '\xff')).isEmpty());
    }

    void dialog()
    {
        QTemporaryDir dir;
        qputenv("HOME", dir.path().toUtf8());
        qputenv("WINEPREFIX", dir.filePath(QStringLiteral("keinwine")).toUtf8());
        RecordingMessageSink sink;
        TIconDialog dialog;
        QVERIFY(!dialog.load(QString(), 0));
        QCOMPARE(sink.last().text, QStringLiteral("Kann Datei Shell32.dll nicht finden."));
        QCOMPARE(sink.last().caption, QStringLiteral("Information"));

        const QString noIcons = dir.filePath(QStringLiteral("leer.txt"));
        QVERIFY(writeFile(noIcons, "kein Symbol"));
        QVERIFY(!dialog.load(noIcons, 0));
        QCOMPARE(sink.last().text, QStringLiteral("Diese Datei enthält keine Symbole."));

        // A Wine prefix holds the system icon library.
        const QString system32 = dir.filePath(QStringLiteral("keinwine/drive_c/windows/system32"));
        QVERIFY(QDir().mkpath(system32));
        const QString dll = system32 + QStringLiteral("/shell32.dll");
        QVERIFY(writeFile(dll, makePe()));
        QVERIFY(dialog.load(QString(), -100));
        QCOMPARE(dialog.fileName(), dll);
        QCOMPARE(dialog.list()->count(), 2);
        QCOMPARE(dialog.iconIndex(), 1);

        // A real .ico file shows its picture.
        const QString icoName = dir.filePath(QStringLiteral("rot.ico"));
        QImage red(16, 16, QImage::Format_ARGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(icoName, "ICO"));
        QVERIFY(dialog.load(icoName, 0));
        QCOMPARE(dialog.list()->count(), 1);
        QCOMPARE(dialog.list()->item(0)->icon().pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
    }
};

QTEST_MAIN(TestIconExtract)
#include "TestIconExtract.moc"
