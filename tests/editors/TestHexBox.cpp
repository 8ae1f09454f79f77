#include "editors/BinaryImport.h"
#include "editors/EditorTexts.h"
#include "editors/TBinaryForm.h"
#include "editors/TCharTable.h"
#include "editors/THexBox.h"
#include "support/RecordingMessageSink.h"
#include "support/TestFiles.h"

#include <QtTest>
#include <QtWidgets>

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

    // Up to 2 KB without a question; up to 10 KB after one that "Ja" cancels; beyond that refused.
    void importRules()
    {
        const QString critical = QStringLiteral("Kritische Dateigröße (> 2 KB). Abbrechen?");
        const std::tuple<int, bool, bool, QString> cases[] = {{2048, false, true, ""},
                                                              {2049, false, true, critical},
                                                              {2049, true, false, critical},
                                                              {10240, false, true, critical},
                                                              {10241, false, false, "Ungültige Dateigröße (> 10 KB)."}};
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("f.bin"));
        for (const auto& [size, yes, taken, message] : cases) {
            const QByteArray bytes = QByteArray(size - 1, '\0') + 'E';
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
};

QTEST_MAIN(TestHexBox)
#include "TestHexBox.moc"
