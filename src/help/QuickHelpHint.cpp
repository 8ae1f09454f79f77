#include "help/QuickHelpHint.h"

#include "info/MultiTextPaint.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QToolTip>

namespace {

constexpr int Margin = 4;       // pixels between the frame and the text
constexpr int TextWidth = 320;  // the width a hint wraps its text to
constexpr int PointerGap = 18;  // the hint starts below the pointer so that it does not hide it

} // namespace

QuickHelpHint::QuickHelpHint()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput)
{
    setObjectName(QStringLiteral("QuickHelpHint"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setPalette(QToolTip::palette());
    setFont(QToolTip::font());
}

void QuickHelpHint::showAt(const QString& markup, QPoint globalPos)
{
    m_markup = markup;
    // The wrapping renderer reports the room it used; measure on an image of the hint's font.
    QImage scratch(1, 1, QImage::Format_ARGB32);
    QPainter measure(&scratch);
    measure.setFont(font());
    const QRect used = DrawMarkupWrapped(measure, QRect(0, 0, TextWidth, 10000), markup);
    measure.end();
    QSize size(used.right() + 1 + 2 * Margin, used.bottom() + 1 + 2 * Margin);
    size = size.expandedTo(QSize(20, fontMetrics().height() + 2 * Margin));
    QPoint pos = globalPos + QPoint(0, PointerGap);
    if (const QScreen* screen = QGuiApplication::screenAt(globalPos)) {
        const QRect area = screen->availableGeometry();
        pos.setX(qBound(area.left(), pos.x(), qMax(area.left(), area.right() + 1 - size.width())));
        if (pos.y() + size.height() > area.bottom() + 1)
            pos.setY(globalPos.y() - size.height() - 2);
    }
    setGeometry(QRect(pos, size));
    show();
    update();
}

void QuickHelpHint::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().toolTipBase());
    painter.setPen(palette().toolTipText().color());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setFont(font());
    DrawMarkupWrapped(painter, rect().adjusted(Margin, Margin, -Margin, -Margin), m_markup);
}
