#include "widgets/EscapeProgress.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <algorithm>

EscapeProgress::EscapeProgress()
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows)
        if (window->isVisible())
            m_guarded.append(window);
    QCoreApplication::instance()->installEventFilter(this);
    m_sinceEvents.start();
}

EscapeProgress::~EscapeProgress()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

void EscapeProgress::step()
{
    // Serving the window system at every node would cost more than the walk itself.
    if (m_sinceEvents.elapsed() < 40)
        return;
    QCoreApplication::processEvents();
    m_sinceEvents.restart();
}

bool EscapeProgress::guards(const QObject* target) const
{
    // Input reaches a widget after its native window; the widget decides, so that a box's buttons work.
    const auto* widget = qobject_cast<const QWidget*>(target);
    if (!widget)
        return false;
    const QWidget* window = widget->window();
    return std::any_of(m_guarded.cbegin(), m_guarded.cend(),
                       [window](const QPointer<QWidget>& guarded) { return guarded == window; });
}

bool EscapeProgress::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ShortcutOverride:
        break;
    default:
        return false;
    }
    if (!guards(watched))
        return false;
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        m_abort = true;
    return true;
}
