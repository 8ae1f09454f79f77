#pragma once

// Draws the entries of the help contents and of the found topics: a chapter with the book picture at
// the entry's left edge + 2 pixels, a section with the page picture 16 pixels further in, the title
// 4 pixels after the picture and 2 pixels below the entry's top.

#include <QPixmap>
#include <QStyledItemDelegate>

class HelpTopicDelegate final : public QStyledItemDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpTopicDelegate)
public:
    // The item's data under this role tells a section (true) from a chapter.
    static constexpr int SectionRole = Qt::UserRole + 1;

    explicit HelpTopicDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QPixmap m_chapter;
    QPixmap m_section;
};
