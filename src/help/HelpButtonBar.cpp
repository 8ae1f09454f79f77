#include "help/HelpButtonBar.h"

#include <QAbstractButton>
#include <QResizeEvent>

namespace {

constexpr int RowHeight = 23;
constexpr int Gap = 2;
constexpr int Padding = 12; // room beside a caption, which the style's hint leaves tight

} // namespace

HelpButtonBar::HelpButtonBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("HelpButtonBar"));
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setFixedHeight(RowHeight);
}

void HelpButtonBar::addButton(QAbstractButton* button)
{
    button->setParent(this);
    button->setFixedHeight(RowHeight);
    m_buttons.append(button);
    updateGeometry();
}

int HelpButtonBar::arrange(int width, bool place) const
{
    int x = 0;
    int y = 0;
    for (QAbstractButton* button : m_buttons) {
        const int w = button->sizeHint().width() + Padding;
        if (x > 0 && x + w > width) {
            x = 0;
            y += RowHeight + Gap;
        }
        if (place)
            button->setGeometry(x, y, w, RowHeight);
        x += w + Gap;
    }
    return y + RowHeight;
}

QSize HelpButtonBar::sizeHint() const
{
    int width = 0;
    for (QAbstractButton* button : m_buttons)
        width += button->sizeHint().width() + Padding + Gap;
    return {width, RowHeight};
}

QSize HelpButtonBar::minimumSizeHint() const
{
    int widest = 0;
    for (QAbstractButton* button : m_buttons)
        widest = qMax(widest, button->sizeHint().width() + Padding);
    return {widest, RowHeight};
}

void HelpButtonBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The bar grows or shrinks by whole rows as the window's width changes.
    const int height = arrange(event->size().width(), true);
    if (height != this->height())
        setFixedHeight(height);
}
