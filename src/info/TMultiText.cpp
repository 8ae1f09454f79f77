#include "info/TMultiText.h"

#include "info/MultiTextUtils.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

// First cut: plain text without layout records; the full layout replaces it.
struct TMultiText::State {
    QString text;
    bool autoSize = false;
    bool bitmapReload = false;
    int frameWidth = 0;
    bool wordWrap = true;
    QColor linkColor = Qt::blue;
    int linkStyle = StyleUnderline;
    ImageLoader loader;
    bool all = false;
};

TMultiText::TMultiText(QWidget* parent) : QWidget(parent), d(std::make_unique<State>())
{
    resize(65, 65);
    setCursor(Qt::IBeamCursor);
}

TMultiText::~TMultiText() = default;

QString TMultiText::text() const { return d->text; }
void TMultiText::setText(const QString& text)
{
    d->text = text;
    d->all = false;
    if (d->autoSize)
        setMinimumHeight(contentSize().height() + 2 * d->frameWidth);
    update();
}
bool TMultiText::autoSize() const { return d->autoSize; }
void TMultiText::setAutoSize(bool on) { d->autoSize = on; }
bool TMultiText::bitmapReload() const { return d->bitmapReload; }
void TMultiText::setBitmapReload(bool on) { d->bitmapReload = on; }
int TMultiText::frameWidth() const { return d->frameWidth; }
void TMultiText::setFrameWidth(int pixels) { d->frameWidth = pixels; update(); }
bool TMultiText::wordWrap() const { return d->wordWrap; }
void TMultiText::setWordWrap(bool on) { d->wordWrap = on; update(); }
QColor TMultiText::linkColor() const { return d->linkColor; }
void TMultiText::setLinkColor(const QColor& color) { d->linkColor = color; update(); }
int TMultiText::linkStyle() const { return d->linkStyle; }
void TMultiText::setLinkStyle(int styles) { d->linkStyle = styles; update(); }
void TMultiText::setImageLoader(ImageLoader loader) { d->loader = std::move(loader); }

QSize TMultiText::contentSize() const
{
    const QRect r = fontMetrics().boundingRect(QRect(0, 0, qMax(1, width() - 2 * d->frameWidth), 100000),
                                               Qt::TextWordWrap, StripMarkup(d->text));
    return r.size();
}

int TMultiText::linkAt(QPoint) const { return -1; }
void TMultiText::selectAll(bool all) { d->all = all; emit selectionChanged(); update(); }
bool TMultiText::hasSelection() const { return d->all; }
QString TMultiText::selectedText() const { return d->all ? StripMarkup(d->text) : QString(); }
void TMultiText::copySelection() const
{
    if (d->all)
        QApplication::clipboard()->setText(selectedText());
}
QString TMultiText::sourceText() const { return d->text; }
void TMultiText::print(QPrinter&, const QString&) const {}

void TMultiText::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.drawText(rect().adjusted(d->frameWidth, d->frameWidth, -d->frameWidth, -d->frameWidth),
                     Qt::TextWordWrap, StripMarkup(d->text));
}
void TMultiText::resizeEvent(QResizeEvent* event) { QWidget::resizeEvent(event); }
void TMultiText::mousePressEvent(QMouseEvent* event) { QWidget::mousePressEvent(event); }
void TMultiText::mouseMoveEvent(QMouseEvent* event) { QWidget::mouseMoveEvent(event); }
void TMultiText::mouseReleaseEvent(QMouseEvent* event) { QWidget::mouseReleaseEvent(event); }
void TMultiText::changeEvent(QEvent* event) { QWidget::changeEvent(event); }

QPixmap LoadMarkupImage(const QString& name)
{
    if (name.isEmpty())
        return {};
    if (QFileInfo(name).isFile())
        return QPixmap(name);
    const QString local = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    if (QFileInfo(local).isFile())
        return QPixmap(local);
    return {};
}

TMultiTextScrollBox::TMultiTextScrollBox(QWidget* parent) : QScrollArea(parent), m_text(new TMultiText)
{
    setWidget(m_text);
    setWidgetResizable(true);
    m_text->installEventFilter(this);
}

bool TMultiTextScrollBox::eventFilter(QObject* watched, QEvent* event)
{
    return QScrollArea::eventFilter(watched, event);
}

void TMultiTextScrollBox::resizeEvent(QResizeEvent* event) { QScrollArea::resizeEvent(event); }
