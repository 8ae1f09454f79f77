#include "widgets/ImageDelegate.h"

#include "widgets/KavenIcons.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

ImageDelegate::ImageDelegate(int imageRole, int selectedImageRole, QObject* parent)
    : QStyledItemDelegate(parent), m_imageRole(imageRole), m_selectedImageRole(selectedImageRole)
{
}

void ImageDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (m_rightAligned.contains(index.column()))
        option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    if (index.column() != 0)
        return;
    const bool selected = option->state & QStyle::State_Selected;
    const QVariant image =
        index.data(selected && m_selectedImageRole >= 0 ? m_selectedImageRole : m_imageRole);
    if (!image.isValid())
        return;
    option->icon = KavenIcons::icon(image.toInt());
    option->features |= QStyleOptionViewItem::HasDecoration;
}

void ImageDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    // Styles draw the focus frame only after keyboard navigation, if at all; keyboard users need it.
    if (!(option.state & QStyle::State_HasFocus))
        return;
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->setPen(QPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text), 1, Qt::DotLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

bool ImageDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                              const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip || !view || index.data(Qt::ToolTipRole).isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QStyle* style = item.widget ? item.widget->style() : QApplication::style();
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget);
    const int needed =
        item.fontMetrics.horizontalAdvance(item.text) + 2 * style->pixelMetric(QStyle::PM_FocusFrameHMargin);
    const bool cut = needed > textRect.width() || textRect.left() + needed > view->viewport()->width() ||
                     textRect.left() < 0;
    if (!cut || item.text.isEmpty()) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(), item.text, view, textRect);
    return true;
}
