#pragma once

// The watch of one slot: a thread that asks the local registry to signal changes of its key, waits for
// the signal at most 500 ms at a time (so a stop request is noticed within that), and hands every
// signal to the main thread. The hand-over is queued to the main thread and the thread blocks until it
// is done; the main thread calls the change handler there and renews the request, since the registry
// signals once per request. The thread touches nothing of the main thread's but through that step.

#include "platform/WinTypes.h"

#include <QSemaphore>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>

class TRegistryThread final : public QThread {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TRegistryThread)

public:
    using ChangeHandler = std::function<void(const TRegistryThread& thread)>;

    // Created on the main thread; start() begins the watch. The root key is taken from the key path
    // now and only set, never connected: the watch always works on the local registry.
    TRegistryThread(int slotIndex, ChangeHandler handler, DWORD filter, bool subtree, const QString& keyPath,
                    QObject* parent = nullptr);
    // Stops the watch and waits for the thread to end.
    ~TRegistryThread() override;

    [[nodiscard]] int slotIndex() const { return m_slot; }
    [[nodiscard]] QString keyPath() const { return m_keyPath; }
    // The terminate request; the thread ends within 500 ms.
    void stop() { m_terminate = true; }
    [[nodiscard]] bool stopRequested() const { return m_terminate; }
    // Whether the key opened and the first notification request stands.
    [[nodiscard]] bool watching() const { return m_watching; }

protected:
    void run() override;

private:
    // On the main thread, while the watch thread waits for it.
    void notificationStep();
    [[nodiscard]] LONG requestNotification();

    const int m_slot;
    const ChangeHandler m_handler;
    const DWORD m_filter;
    const bool m_subtree;
    const QString m_keyPath;
    const HKEY m_root;
    std::atomic<bool> m_terminate{false};
    std::atomic<bool> m_watching{false};
    QSemaphore m_stepDone;
    // Owned by the watch thread; the notification step uses them only while that thread waits for it.
    HKEY m_key = 0;
    HANDLE m_event = 0;
};
