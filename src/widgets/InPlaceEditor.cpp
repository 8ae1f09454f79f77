#include "widgets/InPlaceEditor.h"

#include <QAbstractItemView>
#include <QKeyEvent>

InPlaceEditor::InPlaceEditor(QAbstractItemView* view) : QLineEdit(view->viewport()), m_view(view)
{
    hide();
}

void InPlaceEditor::start(const QModelIndex& index)
{
    if (isEditing())
        finish(false);
    if (!index.isValid())
        return;
    m_view->scrollTo(index);
    m_index = index;
    m_oldText = index.data(Qt::DisplayRole).toString();
    QRect rect = m_view->visualRect(index);
    const int iconSpace = m_view->iconSize().isValid() ? m_view->iconSize().width() + 6 : 22;
    rect.setLeft(rect.left() + iconSpace);
    rect.setWidth(qMax(rect.width(), 160));
    setGeometry(rect.adjusted(0, -1, 0, 1));
    setText(m_oldText);
    selectAll();
    show();
    setFocus(Qt::OtherFocusReason);
}

void InPlaceEditor::commit()
{
    finish(true);
}

void InPlaceEditor::cancel()
{
    finish(false);
}

void InPlaceEditor::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        finish(true);
        return;
    case Qt::Key_Escape:
        finish(false);
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void InPlaceEditor::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (isVisible())
        finish(true);
}

void InPlaceEditor::finish(bool accepted)
{
    if (!m_index.isValid() && !isVisible())
        return;
    const QModelIndex index = m_index;
    const QString typed = text();
    m_index = QPersistentModelIndex();
    hide();
    m_view->setFocus(Qt::OtherFocusReason);
    if (accepted && index.isValid())
        emit editFinished(index, m_oldText, typed);
}
