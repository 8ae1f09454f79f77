#include "platform/WinEvents.h"

#include <QHash>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

struct Event {
    std::mutex mutex;
    std::condition_variable cv;
    bool signaled = false;
    bool manualReset = false;
    QString name;
};

struct Events {
    std::mutex mutex;
    QHash<HANDLE, std::shared_ptr<Event>> byHandle;
    QHash<QString, HANDLE> byName;
    HANDLE next = 0x10000;
};

Events& events()
{
    static Events e;
    return e;
}

std::shared_ptr<Event> find(HANDLE h)
{
    Events& e = events();
    std::lock_guard lock(e.mutex);
    return e.byHandle.value(h);
}

} // namespace

HANDLE CreateEvent(bool manualReset, bool initialState, const QString& name)
{
    Events& e = events();
    std::lock_guard lock(e.mutex);
    if (!name.isEmpty()) {
        // a named event is shared: a second creation returns the existing one
        const HANDLE existing = e.byName.value(name, 0);
        if (existing) {
            const HANDLE h = e.next;
            e.next += 4;
            e.byHandle.insert(h, e.byHandle.value(existing));
            return h;
        }
    }
    auto ev = std::make_shared<Event>();
    ev->manualReset = manualReset;
    ev->signaled = initialState;
    ev->name = name;
    const HANDLE h = e.next;
    e.next += 4;
    e.byHandle.insert(h, ev);
    if (!name.isEmpty())
        e.byName.insert(name, h);
    return h;
}

bool SetEvent(HANDLE event)
{
    auto ev = find(event);
    if (!ev)
        return false;
    {
        std::lock_guard lock(ev->mutex);
        ev->signaled = true;
    }
    ev->cv.notify_all();
    return true;
}

bool ResetEvent(HANDLE event)
{
    auto ev = find(event);
    if (!ev)
        return false;
    std::lock_guard lock(ev->mutex);
    ev->signaled = false;
    return true;
}

DWORD WaitForSingleObject(HANDLE event, DWORD milliseconds)
{
    auto ev = find(event);
    if (!ev)
        return WAIT_FAILED;
    std::unique_lock lock(ev->mutex);
    const auto ready = [&] { return ev->signaled; };
    if (milliseconds == INFINITE)
        ev->cv.wait(lock, ready);
    else if (!ev->cv.wait_for(lock, std::chrono::milliseconds(milliseconds), ready))
        return WAIT_TIMEOUT;
    if (!ev->manualReset)
        ev->signaled = false;
    return WAIT_OBJECT_0;
}

bool CloseHandle(HANDLE event)
{
    Events& e = events();
    std::lock_guard lock(e.mutex);
    auto ev = e.byHandle.take(event);
    if (!ev)
        return false;
    if (!ev->name.isEmpty() && e.byName.value(ev->name) == event) {
        // the name lives while another handle still refers to the event
        e.byName.remove(ev->name);
        for (auto it = e.byHandle.cbegin(); it != e.byHandle.cend(); ++it) {
            if (it.value() == ev) {
                e.byName.insert(ev->name, it.key());
                break;
            }
        }
    }
    return true;
}
