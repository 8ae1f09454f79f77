#include "platform/Notifier.h"

#include "platform/WinEvents.h"

#include <QHash>

#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>

namespace {

struct Watch {
    std::weak_ptr<RegistryBackend> backend;
    quint64 store = 0; // the backend's serial
    HKEY key = 0;
    WatchedKey what;
    HANDLE event = 0;
    ChangeCursor start;
};

struct State {
    std::mutex mutex;
    std::condition_variable wake;
    std::list<Watch> watches;
    std::thread thread;
    bool stop = false;
    QHash<quint64, ChangeCursor> cursors; // store serial -> changes seen up to here
};

State& state()
{
    static State s;
    return s;
}

struct Pending {
    std::shared_ptr<RegistryBackend> backend;
    ChangeCursor from;
    QVector<BackendChange> changes;
};

// Under the lock: signals the watches of one store that its changes concern.
void deliver(State& s, const Pending& p)
{
    const quint64 serial = p.backend->serial();
    for (const BackendChange& c : p.changes) {
        for (auto w = s.watches.begin(); w != s.watches.end();) {
            if (w->store == serial && c.at > w->start && p.backend->concerns(c, w->what)) {
                SetEvent(w->event);
                w = s.watches.erase(w);
            } else {
                ++w;
            }
        }
    }
    if (!p.changes.isEmpty() && s.cursors.value(serial) < p.changes.last().at)
        s.cursors.insert(serial, p.changes.last().at);
}

void loop()
{
    State& s = state();
    std::unique_lock lock(s.mutex);
    while (!s.stop) {
        s.wake.wait_for(lock, std::chrono::milliseconds(100));
        if (s.stop)
            break;
        QVector<Pending> pending;
        QHash<quint64, int> seen;
        for (const Watch& w : s.watches) {
            if (seen.contains(w.store))
                continue;
            if (auto b = w.backend.lock()) {
                seen.insert(w.store, int(pending.size()));
                pending.append(Pending{b, s.cursors.value(w.store), {}});
            }
        }
        // the stores are asked without the lock: handles close and watches start meanwhile
        lock.unlock();
        for (Pending& p : pending)
            p.changes = p.backend->changesSince(p.from);
        lock.lock();
        for (const Pending& p : pending)
            deliver(s, p);
        // a cursor lives while its store is watched; the next watch starts from its own cursor
        for (auto it = s.cursors.begin(); it != s.cursors.end();) {
            const bool watched = std::any_of(s.watches.cbegin(), s.watches.cend(),
                                             [&](const Watch& w) { return w.store == it.key(); });
            it = watched ? std::next(it) : s.cursors.erase(it);
        }
        lock.unlock();
        pending.clear(); // the last reference to a store may go here, outside the lock
        lock.lock();
    }
}

} // namespace

namespace Notifier {

void add(HKEY key, const std::shared_ptr<RegistryBackend>& backend, const WatchedKey& what, HANDLE event)
{
    const ChangeCursor start = backend->changeCursor();
    State& s = state();
    std::lock_guard lock(s.mutex);
    Watch w;
    w.backend = backend;
    w.store = backend->serial();
    w.key = key;
    w.what = what;
    w.event = event;
    w.start = start;
    if (!s.cursors.contains(w.store))
        s.cursors.insert(w.store, start);
    s.watches.push_back(w);
    if (!s.thread.joinable()) {
        s.stop = false;
        s.thread = std::thread(loop);
    }
}

void drop(HKEY key, bool fire)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    for (auto w = s.watches.begin(); w != s.watches.end();) {
        if (w->key == key) {
            if (fire)
                SetEvent(w->event);
            w = s.watches.erase(w);
        } else {
            ++w;
        }
    }
}

void shutdown()
{
    State& s = state();
    {
        std::lock_guard lock(s.mutex);
        for (const Watch& w : s.watches)
            SetEvent(w.event);
        s.watches.clear();
        s.stop = true;
        s.cursors.clear();
    }
    s.wake.notify_all();
    if (s.thread.joinable())
        s.thread.join();
}

} // namespace Notifier
