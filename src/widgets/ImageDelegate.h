#pragma once

// Draws the image of the shared image list that a model names by number: the normal image, or the
// selected image (when the model has one) for the selected row. Columns can be right-aligned. The
// current item carries a dotted focus frame whenever its view has the focus, and a cell whose text is
// cut off (by its column or by the edge of the view) shows the full text as its tooltip.

#include <QSet>
#include <QStyledItemDelegate>

class ImageDelegate final : public QStyledItemDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImageDelegate)

public:
    // selectedImageRole < 0: the normal image also for selected rows.
    ImageDelegate(int imageRole, int selectedImageRole, QObject* parent = nullptr);
    void setRightAligned(int column) { m_rightAligned.insert(column); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    int m_imageRole;
    int m_selectedImageRole;
    QSet<int> m_rightAligned;
};
