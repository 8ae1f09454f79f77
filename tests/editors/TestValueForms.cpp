#include "editors/EditorTexts.h"
#include "editors/IconExtract.h"
#include "editors/TCharEdit.h"
#include "editors/TDWordForm.h"
#include "editors/TIconDialog.h"
#include "editors/TStringForm.h"
#include "support/RecordingMessageSink.h"
#include "support/TestFiles.h"

#include <QtTest>
#include <QtWidgets>

Q_DECLARE_METATYPE(RgbColor)

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

class TestValueForms : public QObject {
    Q_OBJECT

private slots:
    // Reading a typed number in each base, and writing the value back in the same base.
    void numbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("type");
        QTest::addColumn<quint32>("value");
        QTest::addColumn<QString>("written");
        QTest::newRow("empty") << "" << 3 << 0u << "0";
        QTest::newRow("hex lower") << "ff" << 0 << 255u << "FF";
        QTest::newRow("hex upper") << "ABCDEF" << 0 << 0xABCDEFu << "ABCDEF";
        QTest::newRow("foreign chars skipped") << "1x2 3" << 1 << 123u << "123";
        QTest::newRow("octal ignores 8 and 9") << "1897" << 2 << 017u << "17";
        QTest::newRow("hex nine digits low eight") << "912345678" << 0 << 0x12345678u << "12345678";
        QTest::newRow("hex leading zeros") << "00000000000FF" << 0 << 255u << "FF";
        QTest::newRow("dec max") << "4294967295" << 1 << 4294967295u << "4294967295";
        QTest::newRow("dec 2^32 stops before the carry") << "4294967296" << 1 << 294967296u << "294967296";
        QTest::newRow("bin 33 ones") << QString(33, u'1') << 3 << 0xFFFFFFFFu << QString(32, u'1');
    }
    void numbers()
    {
        QFETCH(QString, text);
        QFETCH(int, type);
        QFETCH(quint32, value);
        QCOMPARE(ReadNumber(text, CharType(type)), value);
        QTEST(WriteNumber(value, CharType(type)), "written");
    }

    void colorText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<RgbColor>("color");
        QTest::newRow("mixed") << "255 128 0" << true << RgbColor{255, 128, 0};
        QTest::newRow("word") << "red" << false << RgbColor{};
        QTest::newRow("one blank") << "255 0" << false << RgbColor{};
        QTest::newRow("double blank") << "255  0 0" << false << RgbColor{};
        QTest::newRow("third blank") << "1 2 3 4" << false << RgbColor{};
        QTest::newRow("sign") << "1 -2 3" << false << RgbColor{};
        QTest::newRow("above 255") << "256 0 0" << false << RgbColor{};
    }
    void colorText()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        RgbColor color{7, 7, 7};
        QCOMPARE(ParseColorText(text, color), ok);
        if (ok) {
            QTEST(color, "color");
            QCOMPARE(ColorText(color), text);
        }
    }

    void iconLocation_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("index");
        QTest::newRow("shell32") << "shell32.dll,3" << true << "shell32.dll" << 3;
        QTest::newRow("comma in path") << "C:\\a,b\\x.exe,12" << true << "C:\\a,b\\x.exe" << 12;
        QTest::newRow("resource number") << "x.dll,-16" << true << "x.dll" << -16;
        QTest::newRow("no comma") << "x.dll" << false << "" << 0;
        QTest::newRow("no file") << ",3" << false << "" << 0;
        QTest::newRow("no index") << "x.dll," << false << "" << 0;
        QTest::newRow("word index") << "x.dll,a" << false << "" << 0;
    }
    void iconLocation()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QString file;
        int index = 0;
        QCOMPARE(ParseIconLocation(text, file, index), ok);
        if (ok) {
            QTEST(file, "file");
            QTEST(index, "index");
        }
    }

    void charEditKeys_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("hex takes digits and letters") << 0 << "1aF9" << "1aF9";
        QTest::newRow("hex swallows G") << 0 << "G1g" << "1";
        QTest::newRow("octal swallows 8") << 2 << "1879" << "17";
        QTest::newRow("binary") << 3 << "10201" << "1001";
        QTest::newRow("decimal swallows blank and minus") << 1 << "- 4 2" << "42";
    }

    void charEditKeys()
    {
        QFETCH(int, type);
        QFETCH(QString, typed);
        TCharEdit edit;
        edit.setCharType(CharType(type));
        edit.clear();
        QTest::keyClicks(&edit, typed);
        QTEST(edit.text(), "shown");
        // Ctrl+V is swallowed as well.
        QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
        QTEST(edit.text(), "shown");
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QFETCH(QString, shown);
        QCOMPARE(edit.text(), shown.chopped(1));
    }

    // The shown number follows the base buttons (the conversions themselves are in the number table above).
    void dwordBasesAndColor()
    {
        TDWordForm form;
        form.setValue(QString(), QStringLiteral("FF"));
        QVERIFY(form.baseButton(CharType::Hex)->isChecked());
        QStringList shown;
        for (CharType base : {CharType::Binary, CharType::Octal, CharType::Decimal}) {
            form.baseButton(base)->click();
            shown << form.valueEdit()->text();
        }
        QCOMPARE(shown, (QStringList{"11111111", "377", "255"}));
        QCOMPARE(form.value(), 255u);
        form.valueEdit()->setText(QStringLiteral("4294967295"));
        form.baseButton(CharType::Hex)->click();
        QCOMPARE(form.valueEdit()->text(), QStringLiteral("FFFFFFFF"));
        form.setValue(QStringLiteral("Farbe"), QStringLiteral("8040FF"));
        RgbColor seen;
        form.pickColor = [&seen](const RgbColor& start) -> std::optional<RgbColor> {
            seen = start;
            return RgbColor{1, 2, 3};
        };
        form.colorButton()->setEnabled(true);
        form.colorButton()->click();
        QCOMPARE(seen, (RgbColor{0xFF, 0x40, 0x80})); // low byte red
        QCOMPARE(form.valueEdit()->text(), QStringLiteral("30201"));
    }

    void stringColor_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<QString>("result");
        QTest::newRow("red opens at red") << "255 0 0" << false << 0 << true << "9 8 7";
        QTest::newRow("word asks, no ends") << "red" << false << 1 << false << "red";
        QTest::newRow("word asks, yes goes on") << "red" << true << 1 << true << "9 8 7";
    }

    void stringColor()
    {
        QFETCH(QString, text);
        QFETCH(bool, yes);
        RecordingMessageSink sink;
        sink.pushAnswer(yes ? MessageAnswer::Yes : MessageAnswer::No);
        TStringForm form;
        form.setValue(QString(), text);
        std::optional<RgbColor> seen;
        form.pickColor = [&seen](const RgbColor& start) -> std::optional<RgbColor> {
            seen = start;
            return RgbColor{9, 8, 7};
        };
        form.ColorClick();
        QTEST(sink.count(), "questions");
        if (sink.count() > 0)
            QCOMPARE(sink.last().text, QStringLiteral("Es ist kein Farbwert vorhanden.\r\nTrotzdem weitermachen?"));
        QTEST(seen.has_value(), "opened");
        if (seen)
            QCOMPARE(*seen, (text == QStringLiteral("255 0 0") ? RgbColor{255, 0, 0} : RgbColor{}));
        QTEST(form.text(), "result");
    }

    // The string editor's icon button, and the icon dialog with its files.
    void icons()
    {
        TStringForm form;
        form.setValue(QStringLiteral("Icon"), QStringLiteral("shell32.dll,3"));
        QString file;
        int index = -1;
        form.pickIcon = [&](const QString& f, int i) -> std::optional<QPair<QString, int>> {
            file = f;
            index = i;
            return QPair<QString, int>(QStringLiteral("x.exe"), 5);
        };
        form.IconClick();
        QCOMPARE(file + u',' + QString::number(index), QStringLiteral("shell32.dll,3"));
        QCOMPARE(form.text(), QStringLiteral("x.exe,5"));
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
        QVERIFY(!dialog.list()->item(0)->icon().isNull());
        QCOMPARE(dialog.list()->item(0)->icon().pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
    }

    // Icons from program files and .ico files, and the dialog that offers them.
    void peGroupsAndIcoFile()
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
        QCOMPARE(IconListPosition(icons, 1), 1);
        QCOMPARE(IconListPosition(icons, 2), -1);
        QCOMPARE(IconListPosition(icons, -100), 1);
        QCOMPARE(IconListPosition(icons, -8), -1);
        // An .ico file is one icon; one whose image lies beyond the end is none.
        QCOMPARE(ExtractIcons(ico).size(), 1);
        QCOMPARE(ExtractIcons(ico).at(0).ico, ico);
        QVERIFY(ExtractIcons(ico.left(ico.size() - 1)).isEmpty());
    }

    void truncatedAndDamaged()
    {
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

};

QTEST_MAIN(TestValueForms)
#include "TestValueForms.moc"
