#include "info/TMultiText.h"

#include "info/MultiTextLayout.h"
#include "platform/StoreFiles.h"
#include "registry/MessageSink.h"
#include "settings/OptionsStore.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QRegion>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

struct TMultiText::State {
    QString text;
    bool autoSize = false;
    bool bitmapReload = false;
    int frameWidth = 0;
    bool wordWrap = true;
    QColor linkColor = Qt::blue;
    int linkStyle = StyleUnderline;
    ImageLoader loader;
    MultiTextLayout layout;
    int laidOutWidth = -1;
    // The selection runs from start (where selecting began) to end (where it was extended to).
    MarkupPoint start;
    MarkupPoint end;
    bool selecting = false;
};

TMultiText::TMultiText(QWidget* parent) : QWidget(parent), d(std::make_unique<State>())
{
    resize(65, 65);
    setCursor(Qt::IBeamCursor);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    relayout(false);
}

TMultiText::~TMultiText() = default;

QString TMultiText::text() const { return d->text; }

void TMultiText::setText(const QString& text)
{
    d->text = text;
    relayout(true);
}

bool TMultiText::autoSize() const { return d->autoSize; }

void TMultiText::setAutoSize(bool on)
{
    d->autoSize = on;
    relayout(false);
}

bool TMultiText::bitmapReload() const { return d->bitmapReload; }
void TMultiText::setBitmapReload(bool on) { d->bitmapReload = on; }
int TMultiText::frameWidth() const { return d->frameWidth; }

void TMultiText::setFrameWidth(int pixels)
{
    d->frameWidth = std::max(0, pixels);
    relayout(false);
}

bool TMultiText::wordWrap() const { return d->wordWrap; }

void TMultiText::setWordWrap(bool on)
{
    d->wordWrap = on;
    relayout(false);
}

QColor TMultiText::linkColor() const { return d->linkColor; }

// Link colour and style are part of the line records' font states, so a change lays the text out again.
void TMultiText::setLinkColor(const QColor& color)
{
    if (color == d->linkColor)
        return;
    d->linkColor = color;
    relayout(false);
}

int TMultiText::linkStyle() const { return d->linkStyle; }

void TMultiText::setLinkStyle(int styles)
{
    if (styles == d->linkStyle)
        return;
    d->linkStyle = styles;
    relayout(false);
}

void TMultiText::setImageLoader(ImageLoader loader) { d->loader = std::move(loader); }
QSize TMultiText::contentSize() const { return d->layout.contentSize(); }
const MultiTextLayout& TMultiText::textLayout() const { return d->layout; }

QSize TMultiText::sizeHint() const
{
    if (!d->autoSize)
        return QWidget::sizeHint();
    const QSize content = contentSize() + QSize(2 * d->frameWidth, 2 * d->frameWidth);
    return d->wordWrap ? QSize(width(), content.height()) : content;
}

void TMultiText::relayout(bool textChanged)
{
    MultiTextOptions options;
    options.font = font();
    options.color = palette().color(QPalette::Text);
    options.linkColor = d->linkColor;
    options.linkStyle = d->linkStyle;
    options.frameWidth = d->frameWidth;
    options.width = width();
    options.wordWrap = d->wordWrap;
    options.device = this;
    options.loader = d->loader;
    d->layout.layout(d->text, options, textChanged && d->bitmapReload);
    d->laidOutWidth = width();
    d->selecting = false;
    if (d->start != d->end) {
        d->start = d->end = {};
        emit selectionChanged();
    }
    if (d->autoSize) {
        updateGeometry();
        resize(sizeHint());
    }
    update();
}

// Only the lines themselves hold links: the nearest line stands in for a point above or below the text
// when selecting, but a click into the empty space there must not act on a link.
int TMultiText::linkAt(QPoint pos) const
{
    const int y = pos.y() - d->frameWidth;
    const int line = d->layout.lineAt(y);
    const TLineRecord& record = d->layout.lines().at(line);
    if (y < record.top || y >= record.top + record.height)
        return -1;
    return d->layout.linkAt({pos.x(), line});
}

MarkupPoint TMultiText::pointAt(QPoint pos) const
{
    const int fw = d->frameWidth;
    const int x = std::clamp(pos.x(), fw, std::max(fw, width() - fw));
    const int line = d->layout.lineAt(pos.y() - fw);
    return {d->layout.snap(line, x), line};
}

void TMultiText::selectAll(bool all)
{
    const TLineList& lines = d->layout.lines();
    const int last = lines.count() - 1;
    if (all)
        setSelection({lines.at(0).left, 0}, {d->layout.lineEnd(last), last});
    else
        setSelection({}, {});
}

bool TMultiText::hasSelection() const { return d->start != d->end; }
QString TMultiText::selectedText() const { return d->layout.plainText(d->start, d->end); }

void TMultiText::copySelection() const
{
    if (hasSelection())
        QApplication::clipboard()->setText(selectedText());
}

QString TMultiText::sourceText() const { return d->layout.sourceText(); }

QRegion TMultiText::selectionRegion(MarkupPoint from, MarkupPoint to) const
{
    if (to < from)
        std::swap(from, to);
    QRegion region;
    const int fw = d->frameWidth;
    for (int i = std::max(0, from.line); i <= to.line && i < d->layout.lines().count(); ++i) {
        const TLineRecord& line = d->layout.lines().at(i);
        const int left = i == from.line ? from.x : fw;
        const int right = i == to.line ? to.x : std::max(fw, width() - fw);
        if (right > left)
            region += QRect(left, line.top + fw, right - left, line.height);
    }
    return region;
}

void TMultiText::setSelection(MarkupPoint start, MarkupPoint end)
{
    if (start == d->start && end == d->end)
        return;
    // While a selection is extended only the part between its old and new end changes.
    if (start == d->start && d->start != d->end)
        update(selectionRegion(d->end, end));
    else
        update(selectionRegion(d->start, d->end) + selectionRegion(start, end));
    d->start = start;
    d->end = end;
    emit selectionChanged();
}

void TMultiText::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect area = event->rect();
    painter.fillRect(area, palette().base());
    const int fw = d->frameWidth;
    const TLineList& lines = d->layout.lines();
    for (int i = 0; i < lines.count(); ++i) {
        const int top = lines.at(i).top + fw;
        if (top + lines.at(i).height <= area.top())
            continue;
        if (top > area.bottom())
            break;
        d->layout.paintLine(painter, i, 0, top, width());
    }
    if (!hasSelection())
        return;
    // Inverting shows the selection over any colours and images.
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    for (const QRect& rect : selectionRegion(d->start, d->end) & area)
        painter.fillRect(rect, Qt::white);
}

void TMultiText::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (d->wordWrap && width() != d->laidOutWidth)
        relayout(false);
}

void TMultiText::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    const int id = linkAt(pos);
    if (id >= 0 && isSignalConnected(QMetaMethod::fromSignal(&TMultiText::link))) {
        emit link(this, id);
        return;
    }
    d->selecting = true;
    const MarkupPoint point = pointAt(pos);
    setSelection(point, point);
}

void TMultiText::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (d->selecting && (event->buttons() & Qt::LeftButton)) {
        setSelection(d->start, pointAt(pos));
        return;
    }
    setCursor(linkAt(pos) >= 0 ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

void TMultiText::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        d->selecting = false;
    else
        QWidget::mouseReleaseEvent(event);
}

// The press before a double click has reported its link already; a second report would act twice.
void TMultiText::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && linkAt(event->position().toPoint()) >= 0)
        return;
    mousePressEvent(event);
}

void TMultiText::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        relayout(false);
}

namespace {

struct PageFrame {
    int width = 0;
    int height = 0;
    int side = 0;      // left and right margin
    int top = 0;       // where the header stands; also the bottom margin
    int firstLine = 0; // where the text of each page begins
};

void printHeader(QPainter& painter, const PageFrame& page, const QFont& font, const QString& title, int number)
{
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QRect line(page.side, page.top, page.width - 2 * page.side, page.firstLine - page.top);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignTop, title);
    painter.drawText(line, Qt::AlignRight | Qt::AlignTop, QStringLiteral("Seite %1").arg(number));
}

} // namespace

void TMultiText::printDocument(QPrinter& printer, const QString& title) const
{
    const QRect paper = printer.pageLayout().fullRectPixels(printer.resolution());
    PageFrame page{paper.width(), paper.height(), int(std::lround(paper.width() * 2.0 / 21)),
                   int(std::lround(paper.height() * 20.0 / 297)), int(std::lround(paper.height() * 40.0 / 297))};
    QPainter painter;
    if (!painter.begin(&printer)) {
        (void)messageSink().message(MessageKind::Error, QStringLiteral("Fehler"),
                                    QStringLiteral("Fehler: Der Druck konnte nicht gestartet werden."));
        return;
    }
    // Metrics taken on the printer scale the text by the ratio of its "Wg" height to the screen's;
    // images grow by the same ratio.
    MultiTextOptions options;
    options.font = font();
    options.color = palette().color(QPalette::Text);
    options.linkColor = d->linkColor;
    options.linkStyle = d->linkStyle;
    options.width = page.width - 2 * page.side;
    options.device = &printer;
    const QString wg = QStringLiteral("Wg");
    options.imageScale = double(QFontMetrics(font(), &printer).boundingRect(wg).height())
        / std::max(1, fontMetrics().boundingRect(wg).height());
    MultiTextLayout layout;
    layout.setImages(d->layout.images());
    layout.layout(d->text, options, false);

    int number = 1;
    printHeader(painter, page, font(), title, number);
    int y = page.firstLine;
    for (int i = 0; i < layout.lines().count(); ++i) {
        const int height = layout.lines().at(i).height;
        if (y + height > page.height - page.top && y > page.firstLine) {
            printer.newPage();
            printHeader(painter, page, font(), title, ++number);
            y = page.firstLine;
        }
        layout.paintLine(painter, i, page.side, y, options.width);
        y += height;
    }
    painter.end();
}

void TMultiText::print(QPrinter& printer, const QString& title) const
{
    // Every copy is a job of its own; a PDF file is one document.
    const int requested = printer.copyCount();
    const bool fullPage = printer.fullPage();
    const int copies = printer.outputFormat() == QPrinter::PdfFormat ? 1 : std::max(1, requested);
    printer.setFullPage(true);
    printer.setCopyCount(1);
    for (int copy = 0; copy < copies; ++copy)
        printDocument(printer, title);
    printer.setCopyCount(requested);
    printer.setFullPage(fullPage);
}

QPixmap LoadMarkupImage(const QString& name)
{
    if (name.isEmpty())
        return {};
    // Images shipped with the program lie in its shared data folder rather than beside the executable.
    // A store's file is never opened outside SQLite, not even to look at it as an image.
    const QStringList files{name, QDir(QCoreApplication::applicationDirPath()).filePath(name),
                            OptionsStore::sharedDataDirectory() + name};
    for (const QString& file : files)
        if (QFileInfo(file).isFile() && !StoreFiles::isStoreFile(file))
            return QPixmap(file);
    for (const QString& resource : {QStringLiteral(":/images/") + name, QStringLiteral(":/") + name})
        if (QFile::exists(resource))
            return QPixmap(resource);
    return {};
}

TMultiTextScrollBox::TMultiTextScrollBox(QWidget* parent) : QScrollArea(parent), m_text(new TMultiText)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(false);
    m_text->setWordWrap(true);
    m_text->setAutoSize(true);
    setWidget(m_text);
    m_text->installEventFilter(this);
    viewport()->installEventFilter(this);
}

bool TMultiTextScrollBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == viewport() && event->type() == QEvent::Resize)
        fitText();
    if (watched == m_text && event->type() == QEvent::MouseMove) {
        // Selecting beyond the visible part scrolls towards the pointer, one step per movement.
        const auto* move = static_cast<QMouseEvent*>(event);
        const int y = m_text->mapToParent(move->position().toPoint()).y();
        if (move->buttons() & Qt::LeftButton && (y < 0 || y >= viewport()->height())) {
            QScrollBar* bar = verticalScrollBar();
            bar->setValue(bar->value() + (y < 0 ? -scrollStep : scrollStep));
            viewport()->update();
        }
    }
    return QScrollArea::eventFilter(watched, event);
}

void TMultiTextScrollBox::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    fitText();
}

void TMultiTextScrollBox::fitText()
{
    // The text fills at least the visible part, so that the background and clicks reach its bottom.
    m_text->setMinimumHeight(viewport()->height());
    m_text->resize(viewport()->width(), m_text->height());
    if (m_text->autoSize())
        m_text->resize(m_text->sizeHint().expandedTo(m_text->minimumSize()));
}
