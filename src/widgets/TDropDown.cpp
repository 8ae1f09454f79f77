#include "widgets/TDropDown.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QVBoxLayout>

namespace {

[[nodiscard]] bool opensPopup(const QKeyEvent& key)
{
    return key.key() == Qt::Key_F4 || key.key() == Qt::Key_Space ||
           (key.key() == Qt::Key_Down && (key.modifiers() & Qt::AltModifier));
}

[[nodiscard]] bool closesPopup(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Escape || key.key() == Qt::Key_F4 ||
           (key.key() == Qt::Key_Up && (key.modifiers() & Qt::AltModifier));
}

} // namespace

TDropDown::TDropDown(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
    m_popup = new QFrame(this, Qt::Popup);
    m_popup->setFrameStyle(QFrame::Box | QFrame::Plain);
    // A click on the field while the popup is open only closes it, instead of closing and reopening.
    m_popup->setAttribute(Qt::WA_NoMouseReplay);
    auto* layout = new QVBoxLayout(m_popup);
    layout->setContentsMargins(1, 1, 1, 1);
    m_popup->installEventFilter(this);
}

void TDropDown::setText(const QString& text)
{
    m_text = text;
    updateGeometry();
    update();
}

void TDropDown::setPopupWidget(QWidget* content)
{
    delete m_content;
    m_content = content;
    m_popup->layout()->addWidget(content);
    content->installEventFilter(this);
}

bool TDropDown::isPopupVisible() const
{
    return m_popup->isVisible();
}

void TDropDown::showPopup()
{
    if (!m_content || isPopupVisible())
        return;
    m_popup->adjustSize();
    const QSize size(qMax(width(), m_popup->sizeHint().width()), m_popup->sizeHint().height());
    QPoint pos = mapToGlobal(QPoint(0, height()));
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        if (pos.y() + size.height() > area.bottom() + 1)
            pos.setY(mapToGlobal(QPoint(0, 0)).y() - size.height());
        pos.setX(qBound(area.left(), pos.x(), qMax(area.left(), area.right() + 1 - size.width())));
    }
    m_popup->setGeometry(QRect(pos, size));
    m_popup->show();
    m_content->setFocus(Qt::PopupFocusReason);
    update();
    emit popupShown();
}

void TDropDown::hidePopup()
{
    m_popup->hide();
}

void TDropDown::initStyleOption(QStyleOptionComboBox& option) const
{
    option.initFrom(this);
    option.editable = false;
    option.frame = true;
    option.currentText = m_text;
    option.subControls = QStyle::SC_All;
    if (isPopupVisible())
        option.state |= QStyle::State_On | QStyle::State_Sunken;
}

QSize TDropDown::sizeHint() const
{
    QStyleOptionComboBox option;
    initStyleOption(option);
    const QSize text(fontMetrics().horizontalAdvance(m_text), fontMetrics().height());
    return style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, this);
}

void TDropDown::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void TDropDown::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    showPopup();
}

void TDropDown::keyPressEvent(QKeyEvent* event)
{
    if (!opensPopup(*event))
        return QWidget::keyPressEvent(event);
    showPopup();
}

bool TDropDown::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && closesPopup(*static_cast<QKeyEvent*>(event))) {
        hidePopup();
        return true;
    }
    if (watched == m_popup && event->type() == QEvent::Hide) {
        setFocus(Qt::PopupFocusReason);
        update();
        emit popupHidden();
    }
    return QWidget::eventFilter(watched, event);
}
