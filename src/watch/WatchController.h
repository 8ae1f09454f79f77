#pragma once

// The four watch slots with their threads and the watch list the threads' notifications fill. The main
// window keeps one; the watch dialog edits its slots and switches them on and off.

#include "watch/TRegistryThread.h"
#include "watch/WatchListModel.h"
#include "watch/WatchSlot.h"

#include <QObject>

#include <array>
#include <memory>

class WatchController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WatchController)

public:
    explicit WatchController(QObject* parent = nullptr);
    // Stops and joins every thread.
    ~WatchController() override;

    [[nodiscard]] WatchSlots& watchSlots() { return m_slots; }
    [[nodiscard]] const WatchSlots& watchSlots() const { return m_slots; }
    [[nodiscard]] WatchListModel& list() { return m_list; }
    [[nodiscard]] bool anyActive() const;
    // The slot's thread, also one asked to stop that has not been joined yet; null when none was started.
    [[nodiscard]] TRegistryThread* thread(int slot) const { return m_threads.at(size_t(slot)).get(); }

    // Marks the slot active and starts its thread with the slot's settings (an earlier thread of the slot
    // is joined first: the slots' events are named per slot).
    void activate(int slot);
    // Marks the slot inactive and asks its thread to stop; it ends within 500 ms without blocking here.
    void deactivate(int slot);
    // The connection changes or the program ends: every thread is stopped and joined, every slot inactive.
    void stopAll();

    // The change handler, on the main thread: a dated unread row with the slot's key path, and the watch
    // page shown unless the slot is silent.
    void handleChange(int slot);

signals:
    // A change arrived for a slot that is not silent.
    void showPageRequested();

private:
    WatchSlots m_slots;
    std::array<std::unique_ptr<TRegistryThread>, WatchSlotCount> m_threads;
    WatchListModel m_list;
};
