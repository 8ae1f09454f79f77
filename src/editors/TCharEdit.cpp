#include "editors/TCharEdit.h"

#include <QKeyEvent>

TCharEdit::TCharEdit(QWidget* parent) : QLineEdit(parent)
{
    // Paste through the context menu would bypass the key filter.
    setContextMenuPolicy(Qt::NoContextMenu);
}

void TCharEdit::setCharType(CharType type)
{
    if (type == m_type)
        return;
    const quint32 number = value();
    m_type = type;
    setValue(number);
}

void TCharEdit::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Delete:
        QLineEdit::keyPressEvent(event);
        return;
    default:
        break;
    }
    const QString typed = event->text();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (plain && typed.size() == 1 && IsDigitOf(typed.front(), m_type)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept(); // swallowed
}
