#include "help/QuickHelp.h"

#include "help/HelpContexts.h"
#include "help/HelpStrings.h"
#include "help/QuickHelpHint.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace {

constexpr int PointerWatchMs = 100; // how often the pointer is checked against the control's rectangle

QRect screenRect(const QWidget* w)
{
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

// The form a key event went to: key events reach the native window before its widgets.
QWidget* formOf(QObject* watched)
{
    if (auto* widget = qobject_cast<QWidget*>(watched))
        return widget->window();
    if (auto* window = qobject_cast<QWindow*>(watched)) {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->windowHandle() == window)
                return top;
        }
    }
    return QApplication::activeWindow();
}

} // namespace

QuickHelp::QuickHelp(QObject* parent) : QObject(parent)
{
    m_pointerWatch.setInterval(PointerWatchMs);
    connect(&m_pointerWatch, &QTimer::timeout, this, &QuickHelp::checkPointer);
}

QuickHelp::~QuickHelp()
{
    delete m_hint;
}

int QuickHelp::contextOf(const QWidget* control)
{
    const QWidget* window = control->window();
    return Help::HelpContextFor(QString::fromLatin1(window->metaObject()->className()), control->objectName(),
                                QString::fromLatin1(control->metaObject()->className()));
}

QWidget* QuickHelp::controlWithContext(QWidget* window, QPoint globalPos)
{
    if (!window || !window->isVisible())
        return nullptr;
    // The innermost control under the pointer that has a context; a window itself never has one.
    for (QWidget* w = window->childAt(window->mapFromGlobal(globalPos)); w && !w->isWindow(); w = w->parentWidget()) {
        if (w->isVisible() && contextOf(w) > 0 && screenRect(w).contains(globalPos))
            return w;
    }
    return nullptr;
}

QWidget* QuickHelp::visibleHint() const
{
    return m_hint && m_hint->isVisible() ? m_hint : nullptr;
}

void QuickHelp::hide()
{
    m_pointerWatch.stop();
    m_control.clear();
    if (m_hint)
        m_hint->hide();
}

void QuickHelp::toggleFor(QWidget* window)
{
    const QPoint pos = QCursor::pos();
    QWidget* control = controlWithContext(window, pos);
    if (!control)
        return;
    if (visibleHint() && m_control == control) {
        hide();
        return;
    }
    const QString text = Help::QuickHelpText(contextOf(control));
    if (text.isEmpty())
        return;
    if (!m_hint)
        m_hint = new QuickHelpHint;
    m_control = control;
    m_controlRect = screenRect(control);
    m_hint->showAt(text, pos);
    m_pointerWatch.start();
}

void QuickHelp::checkPointer()
{
    if (!m_control || !m_controlRect.contains(QCursor::pos()))
        hide();
}

bool QuickHelp::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // F7 belongs to the quick help in every window: it must not reach the menu's short-cut.
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_F7) {
            event->accept();
            return true;
        }
        break;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F7)
            break;
        if (!key->isAutoRepeat())
            toggleFor(formOf(watched));
        return true;
    }
    case QEvent::KeyRelease:
        if (!static_cast<QKeyEvent*>(event)->isAutoRepeat() && visibleHint())
            hide();
        break;
    case QEvent::MouseMove:
        if (visibleHint() && !m_controlRect.contains(static_cast<QMouseEvent*>(event)->globalPosition().toPoint()))
            hide();
        break;
    case QEvent::WindowDeactivate:
    case QEvent::WindowActivate:
        if (visibleHint() && watched != m_hint)
            hide();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
