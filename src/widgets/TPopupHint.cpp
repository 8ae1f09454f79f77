#include "widgets/TPopupHint.h"

#include "info/MultiTextPaint.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QToolTip>

namespace {

constexpr int Margin = 4; // pixels between the frame and the text

} // namespace

TPopupHint::TPopupHint() : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setPalette(QToolTip::palette());
    setFont(QToolTip::font());
}

QSize TPopupHint::sizeFor(const QString& markup) const
{
    // The wrapping renderer reports the room it used; measure on an image in the hint's font.
    QImage scratch(1, 1, QImage::Format_ARGB32);
    QPainter measure(&scratch);
    measure.setFont(font());
    const QRect used = DrawMarkupWrapped(measure, QRect(0, 0, m_textWidth, 10000), markup);
    measure.end();
    const QSize size(used.right() + 1 + 2 * Margin, used.bottom() + 1 + 2 * Margin);
    return size.expandedTo(QSize(20, fontMetrics().height() + 2 * Margin));
}

void TPopupHint::showAt(const QString& markup, QPoint anchor)
{
    m_markup = markup;
    const QSize size = sizeFor(markup);
    QPoint pos = anchor + QPoint(0, m_anchorGap);
    if (const QScreen* screen = QGuiApplication::screenAt(anchor)) {
        const QRect area = screen->availableGeometry();
        pos.setX(qBound(area.left(), pos.x(), qMax(area.left(), area.right() + 1 - size.width())));
        if (pos.y() + size.height() > area.bottom() + 1)
            pos.setY(anchor.y() - size.height() - 2);
    }
    setGeometry(QRect(pos, size));
    show();
    update();
}

void TPopupHint::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().toolTipBase());
    painter.setPen(palette().toolTipText().color());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setFont(font());
    DrawMarkupWrapped(painter, rect().adjusted(Margin, Margin, -Margin, -Margin), m_markup);
}
