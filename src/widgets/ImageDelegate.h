#pragma once

// Draws the image of the shared image list that a model names by number: the normal image, or the
// selected image (when the model has one) for the selected row. Columns can be right-aligned.

#include <QSet>
#include <QStyledItemDelegate>

class ImageDelegate final : public QStyledItemDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImageDelegate)

public:
    // selectedImageRole < 0: the normal image also for selected rows.
    ImageDelegate(int imageRole, int selectedImageRole, QObject* parent = nullptr);
    void setRightAligned(int column) { m_rightAligned.insert(column); }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    int m_imageRole;
    int m_selectedImageRole;
    QSet<int> m_rightAligned;
};
