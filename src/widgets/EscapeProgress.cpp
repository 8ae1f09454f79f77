#include "widgets/EscapeProgress.h"

#include <QCoreApplication>
#include <QKeyEvent>

EscapeProgress::EscapeProgress()
{
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

bool EscapeProgress::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            m_abort = true;
        return true;
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ShortcutOverride:
        return true;
    default:
        return false;
    }
}
