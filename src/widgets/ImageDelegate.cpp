#include "widgets/ImageDelegate.h"

#include "widgets/KavenIcons.h"

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
