#include "widgets/TColorField.h"

#include <QColorDialog>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

TColorField::TColorField(QWidget* parent) : QPushButton(parent)
{
    chooseColor = [this](const QColor& current) { return QColorDialog::getColor(current, this); };
    connect(this, &QPushButton::clicked, this, &TColorField::choose);
}

void TColorField::setColor(const QColor& color)
{
    if (!color.isValid() || color == m_color)
        return;
    m_color = color;
    update();
    emit colorChanged(m_color);
}

void TColorField::choose()
{
    setColor(chooseColor(m_color));
}

QSize TColorField::sizeHint() const
{
    const int h = QPushButton::sizeHint().height();
    return {h * 2 + 8, h};
}

void TColorField::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    // The swatch fills the button's face inside a thin frame.
    const QRect face = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).adjusted(2, 2, -2, -2);
    painter.fillRect(face, isEnabled() ? m_color : palette().color(QPalette::Disabled, QPalette::Button));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(face.adjusted(0, 0, -1, -1));
}
