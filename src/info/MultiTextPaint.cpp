#include "info/MultiTextPaint.h"

#include "info/MultiTextUtils.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

// Walks the runs with the font and colour each is drawn in; draw(run, font, colour) returns its width.
template <typename Draw>
int walkLine(const QFont& baseFont, const QColor& baseColor, const QString& markup, Draw draw)
{
    QFont font = baseFont;
    QColor colour = baseColor;
    QColor before = baseColor;
    int x = 0;
    for (const MarkupToken& token : ScanMarkup(markup)) {
        if (!token.isTag) {
            x += draw(x, token.text, font, colour);
            continue;
        }
        const QString& tag = token.text;
        if (tag == QLatin1String("B") || tag == QLatin1String("/B"))
            font.setBold(tag.size() == 1);
        else if (tag == QLatin1String("I") || tag == QLatin1String("/I"))
            font.setItalic(tag.size() == 1);
        else if (tag == QLatin1String("U") || tag == QLatin1String("/U"))
            font.setUnderline(tag.size() == 1);
        else if (tag.startsWith(QLatin1String("C=")) || tag.startsWith(QLatin1String("COLOR="))) {
            before = colour;
            colour = WindowsColor(MarkupColorValue(MarkupTagValue(tag)));
        } else if (tag == QLatin1String("/C") || tag == QLatin1String("/COLOR"))
            colour = before;
    }
    return x;
}

} // namespace

QColor WindowsColor(quint32 value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

void DrawMarkupLine(QPainter& painter, const QRect& rect, const QString& markup)
{
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    const int baseline = rect.top() + QFontMetrics(painter.font()).ascent();
    walkLine(painter.font(), painter.pen().color(), markup,
             [&](int x, const QString& run, const QFont& font, const QColor& colour) {
                 painter.setFont(font);
                 painter.setPen(colour);
                 painter.drawText(rect.left() + x, baseline, run);
                 return QFontMetrics(font).horizontalAdvance(run);
             });
    painter.restore();
}

int MarkupLineWidth(const QFont& font, const QString& markup)
{
    return walkLine(font, Qt::black, markup, [](int, const QString& run, const QFont& f, const QColor&) {
        return QFontMetrics(f).horizontalAdvance(run);
    });
}

QRect DrawMarkupWrapped(QPainter& painter, const QRect& rect, const QString& markup)
{
    // First cut: plain wrapped text; the markup-aware renderer replaces it.
    QRect used;
    painter.drawText(rect, Qt::TextWordWrap, StripMarkup(markup), &used);
    return used;
}
