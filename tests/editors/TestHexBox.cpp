#include "editors/BinaryImport.h"
#include "editors/EditorTexts.h"
#include "editors/HexEditState.h"
#include "editors/TBinaryForm.h"
#include "editors/TCharTable.h"
#include "editors/THexBox.h"
#include "support/RecordingMessageSink.h"
#include "support/TestFiles.h"

#include <QtTest>
#include <QtWidgets>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// Keys as tokens: a hex digit (hex pane) or 'c:X' (character X, character pane), R L D U, DEL, BS.
void press(HexEditState& state, const QString& keys)
{
    const QString moves = QStringLiteral("RLDU");
    for (const QString& key : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (key.size() == 1 && moves.contains(key))
            state.move(HexEditState::Move(moves.indexOf(key)));
        else if (key == QLatin1String("DEL"))
            state.deleteKey();
        else if (key == QLatin1String("BS"))
            state.backspace();
        else if (key.startsWith(QLatin1String("c:")))
            state.typeByte(key.at(2).toLatin1());
        else
            state.typeHexDigit(key.toInt(nullptr, 16));
    }
}

} // namespace

class TestHexBox : public QObject {
    Q_OBJECT

private slots:
    // The lines the box shows; the clipboard keeps NUL bytes.
    void linesAndClipboard()
    {
        THexBox box;
        box.setHexColumns(8);
        box.setHexCounterLen(4);
        box.setExtraCodes(128, 159);
        box.setText(QByteArray("\x41\x00\x80\xff\x20\x7e\x1f\x42", 8));
        QCOMPARE(box.lineCount(), 1);
        QCOMPARE(box.lineText(0), QString::fromUtf8("0000  41 00 80 FF 20 7E 1F 42   A..ÿ ~.B"));
        box.setText(QByteArray(9, 'a'));
        QCOMPARE(box.lineCount(), 2);
        QCOMPARE(box.lineText(1), QStringLiteral("0008  61   a"));
        box.setPlaceholder(QStringLiteral("#x"));
        box.setText(QByteArray(1, '\0'));
        QVERIFY(box.lineText(0).endsWith(QLatin1Char('#')));
        box.show();
        box.setText(QByteArray("a\0b\0", 4));
        box.setPane(HexEditState::Pane::Char);
        box.select(0, 3);
        QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data);
        QCOMPARE(data->data(QStringLiteral("application/octet-stream")), QByteArray("a\0b", 3));
        QCOMPARE(data->text(), QString::fromUtf8("a\0b", 3));
        // Paste at the end: the selection is dropped first (the cursor moves), then the bytes go in.
        box.select(-1, 4);
        QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box.Text(), QByteArray("a\0b\0a\0b", 7));
        // Text from another program: each character one byte.
        QGuiApplication::clipboard()->setText(QString::fromUtf8("€\0x", 5));
        box.setText({});
        QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box.Text(), QByteArray("\x80\0x", 3));
        // Every byte survives the text form; a character beyond one byte goes in as its UTF-8 bytes.
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(ClipTextToBytes(BytesToClipText(all)), all);
        QCOMPARE(ClipTextToBytes(QString::fromUtf8("Ω")), QByteArray("\xCE\xA9"));
    }

    void mouseSelection()
    {
        THexBox box;
        box.setHexColumns(8);
        box.resize(600, 200);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.setText(QByteArray(16, 'z'));
        const int cw = box.charWidth();
        const int y = box.lineHeight() / 2;
        // Press in the right half of the first digit of byte 1: boundary after that digit (position 4).
        const QPoint hexPress(2 + (box.hexColumn() + 3) * cw + cw * 3 / 4, y);
        QTest::mousePress(box.viewport(), Qt::LeftButton, {}, hexPress);
        QVERIFY(box.hasFocus());
        QCOMPARE(box.state().pane(), HexEditState::Pane::Hex);
        QCOMPARE(box.state().hexPosition(), 4);
        // Character pane: drag from byte 2 to the boundary after byte 5 of the second line.
        const QPoint charPress(2 + (box.charColumn() + 2) * cw + cw / 4, y);
        QTest::mousePress(box.viewport(), Qt::LeftButton, {}, charPress);
        QCOMPARE(box.state().pane(), HexEditState::Pane::Char);
        QCOMPARE(box.state().cursor(), 2);
        const auto drag = [&box](const QPointF& to) {
            QMouseEvent move(QEvent::MouseMove, to, box.viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(box.viewport(), &move);
        };
        drag(QPointF(2 + (box.charColumn() + 6) * cw - cw / 4, y + box.lineHeight()));
        QCOMPARE(box.state().cursor(), 14);
        QCOMPARE(box.state().selectionStart(), 2);
        QCOMPARE(box.state().selectionLength(), 12);
        // Far beyond the data: never past its end.
        drag(QPointF(2 + (box.charColumn() + 7) * cw, 5 * box.lineHeight()));
        QCOMPARE(box.state().cursor(), 16);
        QTest::keyClick(&box, Qt::Key_Delete);
        QCOMPARE(box.Text(), QByteArray("zz"));
    }

    void importRules_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("message");
        const QString critical = QStringLiteral("Kritische Dateigröße (> 2 KB). Abbrechen?");
        QTest::newRow("2048 without question") << 2048 << false << true << "";
        QTest::newRow("2049 asks, no goes on") << 2049 << false << true << critical;
        QTest::newRow("2049 asks, yes cancels") << 2049 << true << false << critical;
        QTest::newRow("10240 accepted after question") << 10240 << false << true << critical;
        QTest::newRow("10241 refused") << 10241 << false << false << "Ungültige Dateigröße (> 10 KB).";
    }

    void importRules()
    {
        QFETCH(int, size);
        QFETCH(bool, yes);
        QFETCH(bool, taken);
        QFETCH(QString, message);
        const QByteArray bytes = QByteArray(size - 1, '\0') + 'E';
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("f.bin"));
        QVERIFY(writeFile(name, bytes));
        RecordingMessageSink sink;
        sink.pushAnswer(yes ? MessageAnswer::Yes : MessageAnswer::No);
        QByteArray data("alt");
        QCOMPARE(ReadImportFile(name, data), taken);
        QCOMPARE(data, taken ? bytes : QByteArray("alt"));
        QCOMPARE(sink.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(sink.last().caption, size > 10240 ? QStringLiteral("Fehler") : QStringLiteral("Warnung"));
    }

    void charTableTypesCodes()
    {
        TBinaryForm form;
        form.setValue(QString(), QByteArray("ab"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.hexBox()->setFocus();
        form.CharTableClick();
        TCharTable* table = form.charTable();
        QVERIFY(table);
        QCOMPARE(form.hexBox()->state().pane(), HexEditState::Pane::Char);
        QCOMPARE(TCharTable::cellText(7) + TCharTable::cellText(0x9F) + TCharTable::cellText(65),
                 QStringLiteral(" .  .  A "));
        const auto cellCenter = [table](int code) {
            return QPoint(1 + (code % 16) * table->cellWidth() + table->cellWidth() / 2,
                          1 + (code / 16) * table->cellHeight() + table->cellHeight() / 2);
        };
        QTest::mouseMove(table, cellCenter(0x41));
        QTest::mouseClick(table, Qt::LeftButton, {}, cellCenter(0x41));
        QTest::mouseClick(table, Qt::LeftButton, {}, cellCenter(0x00));
        QCOMPARE(form.Text(), QByteArray("A\0ab", 4)); // inserted at the cursor, table still open
        QVERIFY(form.charTable());
        QTest::mouseClick(table, Qt::LeftButton, {}, table->cancelRect().center());
        QTRY_VERIFY(!form.charTable());
    }

    // The edit state behind the box: keys, selection and the two panes.
    // Hex pane: a position among the digits and gaps (two digits and a gap a byte), the byte cursor after;
    // character pane ("c"): the byte cursor, before and after.
    void keys_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QByteArray>("result");
        QTest::addColumn<int>("resultPos");
        QTest::addColumn<int>("cursor"); // -1: character pane

        QTest::newRow("4 1 at the end of an empty box") << QByteArray() << 0 << "4 1" << hex("41") << 2 << 1;
        QTest::newRow("F on a second digit") << hex("12") << 1 << "F" << hex("1f") << 2 << 1;
        QTest::newRow("digit on a first digit") << hex("12") << 0 << "A" << hex("a2") << 1 << 0;
        QTest::newRow("digit on a gap inserts after") << hex("1122") << 2 << "7" << hex("117022") << 4 << 1;
        QTest::newRow("digits on the last gap append") << hex("11") << 2 << "7 8" << hex("1178") << 5 << 2;
        QTest::newRow("typing on at the end") << hex("11") << 3 << "2 3 4" << hex("112340") << 7 << 2;
        QTest::newRow("backspace on a second digit") << hex("112233") << 4 << "BS" << hex("1133") << 3 << 1;
        QTest::newRow("backspace on a boundary") << hex("112233") << 6 << "BS" << hex("1133") << 3 << 1;
        QTest::newRow("backspace at the start") << hex("11") << 0 << "BS" << hex("11") << 0 << 0;
        QTest::newRow("delete on a digit") << hex("112233") << 4 << "DEL" << hex("1133") << 3 << 1;
        QTest::newRow("delete on a gap takes the next byte") << hex("112233") << 2 << "DEL" << hex("1133") << 2 << 1;
        QTest::newRow("delete on the last gap") << hex("1122") << 5 << "DEL" << hex("1122") << 5 << 2;
        QTest::newRow("delete the last byte keeps inside") << hex("1122") << 4 << "DEL" << hex("11") << 3 << 1;
        QTest::newRow("right stops at the end") << hex("11") << 2 << "R R R" << hex("11") << 3 << 1;
        QTest::newRow("left stops at 0") << hex("11") << 1 << "L L" << hex("11") << 0 << 0;
        QTest::newRow("down a line") << QByteArray(10, 'x') << 1 << "D" << QByteArray(10, 'x') << 25 << 8;
        QTest::newRow("down beyond the data stays") << QByteArray(10, 'x') << 8 << "D" << QByteArray(10, 'x') << 8 << 3;
        QTest::newRow("up a line") << QByteArray(10, 'x') << 26 << "U" << QByteArray(10, 'x') << 2 << 1;
        QTest::newRow("up above stays") << QByteArray(10, 'x') << 5 << "U" << QByteArray(10, 'x') << 5 << 2;
        QTest::newRow("ninth byte typed") << hex("0001020304050607") << 24 << "8 9" << hex("000102030405060789") << 26
                                          << 9;
        QTest::newRow("c: typing inserts") << QByteArray("ab") << 1 << "c:x c:y" << QByteArray("axyb") << 3 << -1;
        QTest::newRow("c: typing appends at the end") << QByteArray("ab") << 2 << "c:z" << QByteArray("abz") << 3 << -1;
        QTest::newRow("c: delete at cursor") << QByteArray("abc") << 1 << "DEL" << QByteArray("ac") << 1 << -1;
        QTest::newRow("c: delete at the end") << QByteArray("abc") << 3 << "DEL" << QByteArray("abc") << 3 << -1;
        QTest::newRow("c: backspace") << QByteArray("abc") << 1 << "BS" << QByteArray("bc") << 0 << -1;
        QTest::newRow("c: moves") << QByteArray(20, 'x') << 3 << "R D D L U" << QByteArray(20, 'x') << 11 << -1;
        QTest::newRow("c: down beyond") << QByteArray(10, 'x') << 3 << "D" << QByteArray(10, 'x') << 3 << -1;
    }

    void keys()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, pos);
        QFETCH(QString, keys);
        QFETCH(int, cursor);
        HexEditState state;
        state.setData(data);
        if (cursor < 0) {
            state.setPane(HexEditState::Pane::Char);
            state.setCursor(pos);
        } else
            state.setHexPosition(pos);
        press(state, keys);
        QTEST(state.data(), "result");
        QTEST(cursor < 0 ? state.cursor() : state.hexPosition(), "resultPos");
        if (cursor >= 0)
            QCOMPARE(state.cursor(), cursor);
    }

    void selectionAndPaneSwitch()
    {
        HexEditState state;
        state.setData(hex("0011223344"));
        state.setAnchor(3);
        state.setCursor(1);
        QCOMPARE(state.selectedBytes(), hex("1122"));
        QVERIFY(state.isSelected(2) && !state.isSelected(3));
        QVERIFY(state.deleteKey());
        QCOMPARE(state.data(), hex("003344"));
        QCOMPARE(state.cursor(), 1);
        QVERIFY(!state.hasSelection());
        // Paste replaces the selection and leaves the cursor after the inserted bytes.
        state.setAnchor(0);
        state.setCursor(2);
        state.insertBytes(QByteArray("\0A", 2));
        QCOMPARE(state.data(), hex("004144"));
        QCOMPARE(state.cursor(), 2);
        // A movement key drops the selection.
        state.setAnchor(0);
        state.move(HexEditState::Move::Left);
        QVERIFY(!state.hasSelection());
        // A pane switch keeps the byte.
        state.setData(hex("00112233"));
        state.setHexPosition(5); // gap after byte 1: byte cursor 2
        state.setPane(HexEditState::Pane::Char);
        QCOMPARE(state.cursor(), 2);
        state.setCursor(3);
        state.setPane(HexEditState::Pane::Hex);
        QCOMPARE(state.hexPosition(), 9);
    }
};

QTEST_MAIN(TestHexBox)
#include "TestHexBox.moc"
