#include "info/MultiTextLayout.h"
#include "info/MultiTextPaint.h"
#include "info/TMultiText.h"
#include "platform/StoreFiles.h"

#include "support/RecordingMessageSink.h"
#include "support/TestFiles.h"

#include <QtTest>
#include <QtWidgets>
#include <QPrinter>

#include <memory>

namespace {

QFont testFont(bool bold = false, int points = 10)
{
    QFont font(QStringLiteral("DejaVu Sans"), points);
    font.setBold(bold);
    return font;
}

int advance(const QString& text, bool bold = false) { return QFontMetrics(testFont(bold)).horizontalAdvance(text); }
int lineHeight(int points = 10) { return QFontMetrics(testFont(false, points)).height(); }
// A width where one word of three letters and a blank fits, but not two.
int oneWordWidth() { return advance(QStringLiteral("aaa ")) * 3 / 2; }

std::unique_ptr<TMultiText> makeText(const QString& markup, int width = 400, bool wrap = true, int frame = 0)
{
    auto text = std::make_unique<TMultiText>();
    text->setFont(testFont());
    text->setFrameWidth(frame);
    text->setWordWrap(wrap);
    text->resize(width, 300);
    text->setText(markup);
    return text;
}

// Each line as "left@start+length".
QString describeLines(const MultiTextLayout& layout)
{
    QStringList lines;
    for (int i = 0; i < layout.lines().count(); ++i) {
        const TLineRecord& line = layout.lines().at(i);
        lines << QStringLiteral("%1@%2+%3").arg(line.left).arg(line.sourceStart).arg(line.sourceLength);
    }
    return lines.join(u' ');
}

// A point inside the line, just behind the shown prefix ("*": far beyond the line's end).
QPoint at(const QString& prefix, int line)
{
    return {prefix == QLatin1String("*") ? 9999 : advance(prefix) + 1, line * lineHeight() + lineHeight() / 2};
}

void sendMouse(QWidget& widget, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, widget.mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void drag(QWidget& widget, QPoint from, QPoint to)
{
    sendMouse(widget, QEvent::MouseButtonPress, from, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseMove, to, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

int pdfPages(const QString& fileName)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    return int(QString::fromLatin1(readFile(fileName)).count(page));
}

} // namespace

class TestMultiText : public QObject {
    Q_OBJECT

private slots:
    void layout_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<int>("width"); // 0: one word of three letters fits
        QTest::addColumn<bool>("wrap");
        QTest::addColumn<int>("frame");
        QTest::addColumn<QString>("lines");
        QTest::newRow("empty text: one empty line") << "" << 400 << true << 0 << "0@1+0";
        QTest::newRow("br ends its line") << "ab<BR>cd" << 400 << true << 0 << "0@1+6 0@7+2";
        QTest::newRow("trailing br") << "ab<br>" << 400 << true << 0 << "0@1+6 0@7+0";
        QTest::newRow("blanks and case in tags") << "< br\t>x" << 400 << true << 0 << "0@1+6 0@7+1";
        QTest::newRow("doubled lt counts in source") << "a<<b<br>c" << 400 << true << 0 << "0@1+8 0@9+1";
        QTest::newRow("unterminated tag") << "ab<br" << 400 << true << 0 << "0@1+5 0@6+0";
        QTest::newRow("wrap after blanks") << "aaa bbb ccc" << 0 << true << 0 << "0@1+4 0@5+4 0@9+3";
        QTest::newRow("wrap keeps tags before the word") << "aaa <b>bbb</b> ccc" << 0 << true << 0
                                                         << "0@1+7 0@8+8 0@16+3";
        QTest::newRow("source line breaks are blanks") << "aaa\r\nbbb\nccc" << 0 << true << 0 << "0@1+5 0@6+4 0@10+3";
        QTest::newRow("no wrap: one line") << "aaa bbb ccc" << 0 << false << 0 << "0@1+11";
        QTest::newRow("frame indents its own lines")
            << "a<FRAME=20>b c</FRAME>d" << 400 << false << 5 << "5@1+11 25@12+11 5@23+1";
        QTest::newRow("frame with wrap") << "<frame=8>aaa bbb" << 0 << true << 2 << "2@1+9 10@10+4 10@14+3";
    }

    void layout()
    {
        QFETCH(QString, markup);
        QFETCH(int, width);
        QFETCH(int, frame);
        QFETCH(bool, wrap);
        const auto text = makeText(markup, width > 0 ? width : oneWordWidth() + 2 * frame, wrap, frame);
        QTEST(describeLines(text->textLayout()), "lines");
        QCOMPARE(text->contentSize().height(), text->textLayout().lines().count() * lineHeight());
    }

    // Without word wrap the content is as wide as the shown text in its fonts: "<<" shows one "<", a tab a
    // blank, an unknown tag nothing; bold from a trimmed tag in any case to its end tag, which never nests.
    void shownText()
    {
        const std::tuple<QString, QString, QString> cases[] = {
            {"a<<b", "a<b", ""}, {"W\tW", "W\tW", ""}, {"W<XYZ=1>W", "WW", ""},
            {"<b>WW</b>W", "WWW", "WW"}, {"< B >WW</b >W", "WWW", "WW"}, {"<b><b>WW</b>W", "WWW", "WW"}};
        for (const auto& [markup, shown, boldPart] : cases) {
            const auto text = makeText(markup, 60, false);
            text->selectAll(true);
            QCOMPARE(text->selectedText(), shown);
            const QString plain = QString(shown).mid(boldPart.size()).replace(u'\t', u' ');
            QCOMPARE(text->contentSize().width(), advance(boldPart, true) + advance(plain));
        }
    }

    // The font state each line starts with and the height and ascent the fonts on it give it.
    void lineRecords_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<int>("line");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("points");
        const QColor own(1, 2, 3);
        QTest::newRow("hex is BGR") << "<COLOR=$0000FF><BR>" << 1 << QColor(255, 0, 0) << 10;
        QTest::newRow("empty value") << "<color=red><color=><BR>" << 1 << QColor(0, 0, 0) << 10;
        QTest::newRow("name") << "<color=navy><BR>" << 1 << QColor(0, 0, 128) << 10;
        QTest::newRow("link colour") << "<A=1><BR>" << 1 << QColor(Qt::blue) << 10;
        QTest::newRow("end of colour: own colour") << "<color=red></COLOR><BR>" << 1 << own << 10;
        QTest::newRow("end of link: own colour") << "<color=red><A=1></A><BR>" << 1 << own << 10;
        QTest::newRow("size raises its line") << "a<SIZE=30>b" << 0 << own << 30;
        QTest::newRow("next line starts in the size") << "<SIZE=30>b<BR>c" << 1 << own << 30;
        QTest::newRow("end of size before the break") << "<SIZE=30>b</SIZE><BR>c" << 1 << own << 10;
        QTest::newRow("end of size does not lower") << "<SIZE=30>b<BR></SIZE>c" << 1 << own << 30;
    }

    void lineRecords()
    {
        QFETCH(QString, markup);
        QFETCH(int, line);
        QFETCH(int, points);
        const auto text = makeText({});
        QPalette palette = text->palette();
        palette.setColor(QPalette::Text, QColor(1, 2, 3));
        text->setPalette(palette);
        text->setText(markup);
        const TLineRecord record = text->textLayout().lines().item(line);
        QTEST(record.font.color, "colour");
        QCOMPARE(record.height, lineHeight(points));
        QCOMPARE(record.ascent, QFontMetrics(testFont(false, points)).ascent());
    }

    void links_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<bool>("narrow");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("link");
        const QString wrapped = QStringLiteral("xx <A=3>aaa bbb ccc</A> yyyyyy");
        QTest::newRow("left edge") << "<A=7>word</A>" << false << "" << 0 << -1;
        QTest::newRow("inside") << "<A=7>word</A>" << false << "wo" << 0 << 7;
        QTest::newRow("right of the end") << "<A=7>word</A>" << false << "word" << 0 << -1;
        QTest::newRow("after text") << "x <A=7>word</A>" << false << "x wo" << 0 << 7;
        QTest::newRow("never closed") << "<A=7>word" << false << "wo" << 0 << -1;
        QTest::newRow("below the text") << "<A=7>word</A>" << false << "wo" << 3 << -1;
        QTest::newRow("wrapped: line before") << wrapped << true << "x" << 0 << -1;
        QTest::newRow("wrapped: start of a middle line") << wrapped << true << "" << 1 << 3;
        QTest::newRow("wrapped: middle line") << wrapped << true << "bb" << 2 << 3;
        QTest::newRow("wrapped: last line") << wrapped << true << "cc" << 3 << 3;
        QTest::newRow("wrapped: behind the end") << wrapped << true << "ccc " << 3 << -1;
    }

    // The link under the pointer, its cursor, and a click that reports the link and selects nothing.
    void links()
    {
        QFETCH(QString, markup);
        QFETCH(bool, narrow);
        QFETCH(QString, prefix);
        QFETCH(int, line);
        QFETCH(int, link);
        const auto text = makeText(markup, narrow ? oneWordWidth() : 400);
        text->show();
        QVERIFY(QTest::qWaitForWindowExposed(text.get()));
        QSignalSpy links(text.get(), &TMultiText::link);
        const QPoint pos = at(prefix, line) - QPoint(1, 0);
        QCOMPARE(text->linkAt(pos), link);
        sendMouse(*text, QEvent::MouseMove, pos, Qt::NoButton);
        QCOMPARE(text->cursor().shape(), link >= 0 ? Qt::PointingHandCursor : Qt::IBeamCursor);
        QTest::mouseClick(text.get(), Qt::LeftButton, {}, pos);
        sendMouse(*text, QEvent::MouseButtonDblClick, pos, Qt::LeftButton);
        QCOMPARE(links.count(), link >= 0 ? 1 : 0);
        QCOMPARE(links.isEmpty() ? -1 : links.first().at(1).toInt(), link);
    }

    void copySelection_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QPoint>("from"); // (-1, -1): select all
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QString>("copied");
        const QPoint all(-1, -1);
        QTest::newRow("across br") << "one<BR>two" << at("", 0) << at("tw", 1) << "one\r\ntw";
        QTest::newRow("inside a line") << "one two" << at("o", 0) << at("one t", 0) << "ne t";
        QTest::newRow("dragged backwards") << "one two" << at("one t", 0) << at("o", 0) << "ne t";
        QTest::newRow("doubled lt") << "a<<b c" << at("", 0) << at("*", 0) << "a<b c";
        QTest::newRow("tags stripped") << "x <B>b</B> <A=1>y</A>" << at("", 0) << at("*", 0) << "x b y";
        QTest::newRow("line end to next line") << "ab<BR>cd" << at("*", 0) << at("", 1) << "\r\n";
        QTest::newRow("below the text") << "ab<BR>cd" << at("a", 0) << QPoint(9999, 9999) << "b\r\ncd";
        QTest::newRow("nothing dragged") << "ab" << at("a", 0) << at("a", 0) << "";
        QTest::newRow("all: ends with br") << "one<BR>two<BR>" << all << all << "one\r\ntwo\r\n";
        QTest::newRow("all: empty text") << "" << all << all << "";
    }

    void copySelection()
    {
        QFETCH(QString, markup);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QString, copied);
        const auto text = makeText(markup);
        QSignalSpy changed(text.get(), &TMultiText::selectionChanged);
        QApplication::clipboard()->setText(QStringLiteral("before"));
        if (from.x() < 0)
            text->selectAll(true);
        else
            drag(*text, from, to);
        QCOMPARE(text->selectedText(), copied);
        QCOMPARE(text->hasSelection(), !copied.isEmpty());
        QCOMPARE(changed.isEmpty(), copied.isEmpty() && from.x() < 0);
        text->copySelection();
        QCOMPARE(QApplication::clipboard()->text(), copied.isEmpty() ? QStringLiteral("before") : copied);
        text->selectAll(false);
        QVERIFY(!text->hasSelection());
    }

    // A line or link index out of range reports, in an information box, and reads on.
    void indexError()
    {
        const QStringList error{QStringLiteral("Index außerhalb des zulässigen Bereichs.")};
        const std::tuple<QString, bool, int, QStringList> cases[] = {{"a", false, -1, error},
                                                                     {"a<BR>b", false, 2, error},
                                                                     {"a<BR>b", false, 1, {}},
                                                                     {"a", true, 0, error},
                                                                     {"<A=1>a</A>", true, 0, {}}};
        for (const auto& [markup, links, index, messages] : cases) {
            RecordingMessageSink sink;
            const auto text = makeText(markup);
            (void)(links ? text->textLayout().links().item(index).id : text->textLayout().lines().item(index).top);
            QCOMPARE(sink.texts(), messages);
            QCOMPARE(sink.last().caption, sink.count() ? QStringLiteral("Information") : QString());
        }
    }

    // Auto size makes the control as large as its text; in a scroll box the text takes the box's width.
    void sizes()
    {
        for (const bool wrap : {false, true}) {
            const auto text = makeText({}, 300, wrap, 4);
            text->setAutoSize(true);
            text->setText(QStringLiteral("abc<BR>abcdef"));
            // With word wrap only the height follows the text.
            QCOMPARE(text->size(), QSize(wrap ? 300 : advance(QStringLiteral("abcdef")) + 8, 2 * lineHeight() + 8));
        }
        // The text grows with its lines inside the box; selecting beyond the box scrolls 50 pixels a move.
        TMultiTextScrollBox box;
        box.resize(300, 200);
        box.multiText()->setFont(testFont());
        box.multiText()->setText(QStringLiteral("Zeile<BR>").repeated(60));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        TMultiText& text = *box.multiText();
        QCOMPARE(text.width(), box.viewport()->width());
        QCOMPARE(text.height(), 61 * lineHeight());
        sendMouse(text, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
        const int below = box.viewport()->height() + 5;
        for (const auto& [y, scrolled] : {std::pair{below, 50}, {below + 50, 100}, {120, 100}, {90, 50}}) {
            sendMouse(text, QEvent::MouseMove, {10, y}, Qt::LeftButton);
            QCOMPARE(box.verticalScrollBar()->value(), scrolled);
        }
        QVERIFY(text.hasSelection());
    }

    // The image takes its room and height; its top-left pixel's colour is transparent. Without reload
    // it is never loaded.
    void images()
    {
        for (const bool reload : {false, true}) {
            QImage image(10, 40, QImage::Format_RGB32);
            image.fill(Qt::red);
            image.setPixelColor(0, 0, Qt::blue);
            QStringList asked;
            const auto text = makeText({}, 300, false);
            text->setBitmapReload(reload);
            text->setImageLoader([&](const QString& name) {
                asked << name;
                return QPixmap::fromImage(image);
            });
            text->setText(QStringLiteral("a<IMAGE=Pic.bmp>b"));
            QCOMPARE(asked, reload ? QStringList{QStringLiteral("Pic.bmp")} : QStringList());
            const int a = advance(QStringLiteral("a"));
            QCOMPARE(text->contentSize(), reload ? QSize(a + 10 + advance(QStringLiteral("b")), 40)
                                                 : QSize(advance(QStringLiteral("ab")), lineHeight()));
            if (!reload)
                continue;
            const QImage shot = text->grab().toImage();
            QCOMPARE(shot.pixelColor(a, 0), text->palette().color(QPalette::Base));
            QCOMPARE(shot.pixelColor(a + 5, 20), QColor(Qt::red));
        }
        // By path; a missing file and a file of the store (never opened) give no image.
        QTemporaryDir dir;
        QImage image(3, 2, QImage::Format_RGB32);
        image.fill(Qt::green);
        for (const char* name : {"pic.png", "store.png"})
            QVERIFY(image.save(dir.filePath(QLatin1String(name))));
        StoreFiles::registerStore(dir.filePath(QStringLiteral("store.png")));
        QCOMPARE(LoadMarkupImage(dir.filePath(QStringLiteral("pic.png"))).size(), QSize(3, 2));
        QVERIFY(LoadMarkupImage(dir.filePath(QStringLiteral("none.png"))).isNull());
        QVERIFY(LoadMarkupImage(dir.filePath(QStringLiteral("store.png"))).isNull());
    }

    void selectionInverts()
    {
        const auto text = makeText(QStringLiteral("W          W"));
        const QPoint blank(advance(QStringLiteral("W     ")), lineHeight() / 2);
        const QColor base = text->palette().color(QPalette::Base);
        QCOMPARE(text->grab().toImage().pixelColor(blank), base);
        text->selectAll(true);
        const QColor inverted(255 - base.red(), 255 - base.green(), 255 - base.blue());
        QCOMPARE(text->grab().toImage().pixelColor(blank), inverted);
    }

    // The rectangle the wrapped drawing used: as wide as its widest line (bold where the markup starts so),
    // a last empty line not counted, colour taking no room; the painter's font is left as it was.
    void wrappedRenderer()
    {
        const std::tuple<QString, bool, QString, int> cases[] = {{"", false, "", 0},
                                                                 {"abc<BR>", false, "abc", 1},
                                                                 {"<br>abc", false, "abc", 2},
                                                                 {"ab<BR>abc<BR><BR>", false, "abc", 3},
                                                                 {"aaa bbbb", true, "bbbb", 2},
                                                                 {"<b>WW</b>", false, "WW", 1},
                                                                 {"<C=$0000FF>abc</C>", false, "abc", 1}};
        for (const auto& [markup, narrow, widest, lines] : cases) {
            QPixmap canvas(400, 200);
            QPainter painter(&canvas);
            painter.setFont(testFont());
            const QRect area(10, 20, narrow ? advance(QStringLiteral("aaa b")) : 300, 100);
            const QRect used = DrawMarkupWrapped(painter, area, markup);
            QCOMPARE(used, QRect(10, 20, advance(widest, markup.startsWith(u"<b>")) + 5, lines * lineHeight()));
            QCOMPARE(painter.font(), testFont());
        }
    }

    // Long texts break into pages by the margins; an empty text prints its header page.
    void print()
    {
        for (const int lines : {0, 200}) {
            QStringList text;
            for (int i = 1; i <= lines; ++i)
                text << QStringLiteral("Zeile %1").arg(i);
            const auto control = makeText(text.join(QStringLiteral("<BR>")));
            QTemporaryDir dir;
            QPrinter printer;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir.filePath(QStringLiteral("out.pdf")));
            printer.setPageSize(QPageSize(QPageSize::A4));
            control->print(printer, QStringLiteral("Titel"));
            // Lines fit between 40/297 of the page from the top and 20/297 from the bottom.
            const int height = printer.pageLayout().fullRectPixels(printer.resolution()).height();
            const int room = height - qRound(height * 20.0 / 297) - qRound(height * 40.0 / 297);
            const int perPage = room / QFontMetrics(testFont(), &printer).height();
            QVERIFY(perPage < 200);
            QCOMPARE(pdfPages(printer.outputFileName()), std::max(1, (lines + perPage - 1) / perPage));
        }
    }

};

QTEST_MAIN(TestMultiText)
#include "TestMultiText.moc"
