#include "editors/TCharTable.h"

#include "platform/TextCodec.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

const QString StatusText = QStringLiteral(" Gewählter Code: ");
const QString CancelText = QStringLiteral(" Abbruch ");

} // namespace

TCharTable::TCharTable(QWidget* parent) : QWidget(parent, Qt::Popup)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(sizeHint());
}

int TCharTable::cellWidth() const
{
    return fontMetrics().horizontalAdvance(QStringLiteral("000"));
}

int TCharTable::cellHeight() const
{
    return fontMetrics().height();
}

QSize TCharTable::sizeHint() const
{
    return {16 * cellWidth() + 2, 17 * cellHeight() + 4};
}

int TCharTable::codeAt(const QPoint& pos) const
{
    const int column = (pos.x() - 1) / cellWidth();
    const int row = (pos.y() - 1) / cellHeight();
    if (pos.x() < 1 || pos.y() < 1 || column > 15 || row > 15)
        return -1;
    return row * 16 + column;
}

QRect TCharTable::cancelRect() const
{
    const int width = fontMetrics().horizontalAdvance(CancelText);
    return {16 * cellWidth() + 1 - width, 16 * cellHeight() + 2, width, cellHeight()};
}

QString TCharTable::cellText(int code)
{
    // Control codes show as a dot.
    if (code < 32 || (code >= 128 && code < 160))
        return QStringLiteral(" . ");
    return QLatin1Char(' ') + TextCodec::fromWindows1252(QByteArray(1, char(code))) + QLatin1Char(' ');
}

void TCharTable::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    const int cw = cellWidth();
    const int ch = cellHeight();
    for (int code = 0; code < 256; ++code) {
        const QRect cell(1 + (code % 16) * cw, 1 + (code / 16) * ch, cw, ch);
        const bool hot = code == m_hot;
        if (hot)
            painter.fillRect(cell, Qt::darkBlue);
        painter.setPen(hot ? QColor(Qt::white) : palette().color(QPalette::Text));
        painter.drawText(cell, Qt::AlignCenter, cellText(code));
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawLine(1, 16 * ch + 1, width() - 2, 16 * ch + 1);
    painter.setPen(palette().color(QPalette::Text));
    const QRect status(1, 16 * ch + 2, width() - 2, ch);
    painter.drawText(status, Qt::AlignLeft | Qt::AlignVCenter,
                     StatusText + (m_hot >= 0 ? QString::number(m_hot) : QString()));
    painter.drawText(cancelRect(), Qt::AlignCenter, CancelText);
}

void TCharTable::mouseMoveEvent(QMouseEvent* event)
{
    const int code = codeAt(event->position().toPoint());
    if (code != m_hot) {
        m_hot = code;
        update();
    }
}

void TCharTable::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (!rect().contains(pos) || cancelRect().contains(pos)) {
        close();
        return;
    }
    const int code = codeAt(pos);
    if (code >= 0)
        emit codeChosen(code);
}
