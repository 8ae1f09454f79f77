#include "watch/TRegistryThread.h"

#include "platform/WinEvents.h"
#include "platform/WinReg.h"
#include "registry/RegUtils.h"
#include "registry/RegistryAccessor.h"

#include <QMetaObject>

namespace {

constexpr DWORD WaitMilliseconds = 500;
// How often a thread blocked in the hand-over looks at its terminate request, so that stopping it never
// needs the main thread to run the step first.
constexpr int HandOverPoll = 50;

} // namespace

TRegistryThread::TRegistryThread(int slotIndex, ChangeHandler handler, DWORD filter, bool subtree,
                                 const QString& keyPath, QObject* parent)
    : QThread(parent), m_slot(slotIndex), m_handler(std::move(handler)), m_filter(filter), m_subtree(subtree),
      m_keyPath(keyPath), m_root(GetRootKey(keyPath))
{
}

TRegistryThread::~TRegistryThread()
{
    stop();
    wait();
}

void TRegistryThread::run()
{
    RegistryAccessor reg(KEY_READ);
    reg.setRootKey(m_root);
    if (m_root == 0 || !reg.openKey(QLatin1Char('\\') + GetSubKeyPath(m_keyPath), false))
        return; // no notification ever comes for this slot
    m_key = reg.currentKey();
    m_event = CreateEvent(false, false, QStringLiteral("KavenThread") + QString::number(m_slot));
    // A refused request (filter 0) means that this slot never reports anything.
    (void)requestNotification();
    m_watching = true;
    while (!m_terminate) {
        if (WaitForSingleObject(m_event, WaitMilliseconds) != WAIT_OBJECT_0 || m_terminate)
            continue;
        // The step is posted to this object, which lives on the main thread; a step still queued when the
        // object is destroyed is dropped with it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_terminate)
                    notificationStep();
                m_stepDone.release();
            },
            Qt::QueuedConnection);
        while (!m_stepDone.tryAcquire(1, HandOverPoll) && !m_terminate) {
        }
    }
    // The key first: closing it ends its notification request, which would otherwise signal an event
    // handle that is already closed (and perhaps given to another event).
    reg.closeKey();
    m_key = 0;
    CloseHandle(m_event);
    m_event = 0;
}

void TRegistryThread::notificationStep()
{
    if (m_handler)
        m_handler(*this);
    (void)requestNotification();
}

LONG TRegistryThread::requestNotification()
{
    return RegNotifyChangeKeyValue(m_key, m_subtree, m_filter, m_event, true);
}
