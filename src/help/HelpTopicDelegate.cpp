#include "help/HelpTopicDelegate.h"

#include <QApplication>
#include <QPainter>

namespace {

constexpr int IconSize = 16;
constexpr int IconLeft = 2;
constexpr int SectionIndent = 16;
constexpr int TextGap = 4;
constexpr int TextTop = 2;

// A closed book: cover, spine and the edge of its pages.
QPixmap bookPicture()
{
    QPixmap pixmap(IconSize, IconSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.fillRect(QRect(3, 1, 11, 14), QColor(0, 0, 128));
    p.fillRect(QRect(3, 1, 2, 14), QColor(0, 0, 80));
    p.fillRect(QRect(5, 13, 9, 2), Qt::white);
    p.setPen(QColor(255, 255, 0));
    p.drawLine(7, 4, 11, 4);
    p.drawLine(7, 6, 11, 6);
    return pixmap;
}

// A sheet with a folded corner and lines of text.
QPixmap pagePicture()
{
    QPixmap pixmap(IconSize, IconSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const QPolygon sheet({QPoint(3, 1), QPoint(10, 1), QPoint(13, 4), QPoint(13, 14), QPoint(3, 14)});
    p.setPen(QColor(64, 64, 64));
    p.setBrush(Qt::white);
    p.drawPolygon(sheet);
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
    p.setPen(QColor(0, 0, 128));
    for (int y = 6; y <= 12; y += 2)
        p.drawLine(5, y, 11, y);
    return pixmap;
}

int textLeft(bool section)
{
    return IconLeft + (section ? SectionIndent : 0) + IconSize + TextGap;
}

} // namespace

HelpTopicDelegate::HelpTopicDelegate(QObject* parent)
    : QStyledItemDelegate(parent), m_chapter(bookPicture()), m_section(pagePicture())
{
}

void HelpTopicDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool section = index.data(SectionRole).toBool();
    const bool selected = option.state & QStyle::State_Selected;
    const QRect r = option.rect;
    painter->save();
    painter->fillRect(r, selected ? option.palette.highlight() : option.palette.base());
    const int left = r.left() + IconLeft + (section ? SectionIndent : 0);
    painter->drawPixmap(left, r.top() + (r.height() - IconSize) / 2, section ? m_section : m_chapter);
    painter->setPen(selected ? option.palette.highlightedText().color() : option.palette.text().color());
    painter->setFont(option.font);
    const QRect textRect(r.left() + textLeft(section), r.top() + TextTop, r.width(), r.height() - TextTop);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, index.data().toString());
    if (option.state & QStyle::State_HasFocus)
        painter->drawRect(r.adjusted(0, 0, -1, -1));
    painter->restore();
}

QSize HelpTopicDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QFontMetrics metrics(option.font);
    const bool section = index.data(SectionRole).toBool();
    return {textLeft(section) + metrics.horizontalAdvance(index.data().toString()) + TextGap,
            qMax(IconSize + 2, metrics.height() + TextTop + 1)};
}
