#pragma once

// The single-line markup renderer (list entries): "B", "I", "U" with their ends, and a colour tag
// "C=" or "COLOR=" whose end "/C" or "/COLOR" restores the colour in force before it. Runs are drawn
// one after another, clipped to the rectangle; there is no line break. The painter's font and pen are
// as before when it returns.

#include <QColor>
#include <QRect>
#include <QString>

class QFont;
class QPainter;

void DrawMarkupLine(QPainter& painter, const QRect& rect, const QString& markup);
// The wrapping renderer (popup hints): "B", "I", "U" with their ends, "C=" and "/C", and "BR"; words
// that would cross the right edge start a new line; lines are the painter font's "Wg" height apart.
// Returns the rectangle used: from rect's top-left, x + width is the widest x reached + 5, y + height
// the bottom of the last line, or that line's top when nothing stands on it.
QRect DrawMarkupWrapped(QPainter& painter, const QRect& rect, const QString& markup);
// A Windows colour value (0x00BBGGRR) as a QColor.
[[nodiscard]] QColor WindowsColor(quint32 value);
// The pixel width DrawMarkupLine would use for the text in the painter's font.
[[nodiscard]] int MarkupLineWidth(const QFont& font, const QString& markup);
