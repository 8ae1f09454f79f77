#include "widgets/PieChart.h"

#include <QLabel>
#include <QPainter>

namespace {

const QColor SegmentColors[3] = {Qt::red, Qt::green, Qt::blue};

} // namespace

PieChart::PieChart(const std::array<int, 3>& angles, QWidget* parent) : QWidget(parent), m_angles(angles)
{
    setFixedSize(140, 140);
}

void PieChart::setAngles(const std::array<int, 3>& angles)
{
    m_angles = angles;
    update();
}

void PieChart::setText(const QString& text)
{
    m_text = text;
    update();
}

void PieChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_text.isEmpty()) {
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, m_text);
        return;
    }
    if (m_angles[0] + m_angles[1] + m_angles[2] == 0)
        return; // no values, no pie
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::black);
    const QRectF box = QRectF(rect()).adjusted(4, 4, -4, -4);
    int start = 90; // from twelve o'clock, clockwise
    for (int i = 0; i < 3; ++i) {
        if (m_angles[i] == 0)
            continue;
        painter.setBrush(SegmentColors[i]);
        // Qt counts sixteenths of a degree, counter-clockwise.
        if (m_angles[i] == 360)
            painter.drawEllipse(box);
        else
            painter.drawPie(box, start * 16, -m_angles[i] * 16);
        start -= m_angles[i];
    }
}

QLabel* PieChart::legendBox(int segment)
{
    auto* box = new QLabel;
    box->setFixedSize(12, 12);
    box->setFrameShape(QFrame::Box);
    box->setAutoFillBackground(true);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Window, SegmentColors[segment]);
    box->setPalette(palette);
    return box;
}
