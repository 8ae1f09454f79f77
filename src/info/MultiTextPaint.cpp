#include "info/MultiTextPaint.h"

#include "info/MultiTextUtils.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>

#include <algorithm>

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

QStringList splitAfterBlanks(const QString& run)
{
    QStringList words;
    qsizetype start = 0;
    for (qsizetype i = 0; i < run.size(); ++i)
        if (run[i] == u' ') {
            words.append(run.mid(start, i + 1 - start));
            start = i + 1;
        }
    if (start < run.size())
        words.append(run.mid(start));
    return words;
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
    painter.save();
    const QFontMetrics base(painter.font());
    const int lineHeight = base.height();
    QFont font = painter.font();
    QColor colour = painter.pen().color();
    QColor before = colour;
    int x = rect.left();
    int top = rect.top();
    int widest = rect.left();
    bool lineEmpty = true;
    const auto newLine = [&] {
        x = rect.left();
        top += lineHeight;
        lineEmpty = true;
    };
    for (const MarkupToken& token : ScanMarkup(markup)) {
        const QString& tag = token.text;
        if (!token.isTag) {
            const QFontMetrics fm(font);
            painter.setFont(font);
            painter.setPen(colour);
            // Words keep their trailing blank; a word that would cross the right edge opens a new line.
            for (const QString& word : splitAfterBlanks(tag)) {
                const int width = fm.horizontalAdvance(word);
                if (x > rect.left() && x + width > rect.right() + 1)
                    newLine();
                painter.drawText(x, top + base.ascent(), word);
                x += width;
                widest = std::max(widest, x);
                lineEmpty = false;
            }
        } else if (tag == QLatin1String("BR"))
            newLine();
        else if (tag == QLatin1String("B") || tag == QLatin1String("/B"))
            font.setBold(tag.size() == 1);
        else if (tag == QLatin1String("I") || tag == QLatin1String("/I"))
            font.setItalic(tag.size() == 1);
        else if (tag == QLatin1String("U") || tag == QLatin1String("/U"))
            font.setUnderline(tag.size() == 1);
        else if (tag.startsWith(QLatin1String("C="))) {
            before = colour;
            colour = WindowsColor(MarkupColorValue(MarkupTagValue(tag)));
        } else if (tag == QLatin1String("/C"))
            colour = before;
    }
    painter.restore();
    // The used part reaches 5 pixels beyond the widest line and down to the last line that holds text.
    return QRect(rect.left(), rect.top(), widest + 5 - rect.left(), (lineEmpty ? top : top + lineHeight) - rect.top());
}
