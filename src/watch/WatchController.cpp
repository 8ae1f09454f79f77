#include "watch/WatchController.h"

#include <QDateTime>

#include <algorithm>

WatchController::WatchController(QObject* parent) : QObject(parent) {}

WatchController::~WatchController()
{
    stopAll();
}

bool WatchController::anyActive() const
{
    return std::any_of(m_slots.cbegin(), m_slots.cend(), [](const WatchSlot& s) { return s.active; });
}

void WatchController::activate(int slot)
{
    WatchSlot& s = m_slots.at(size_t(slot));
    s.active = true;
    m_threads.at(size_t(slot)).reset();
    auto handler = [this](const TRegistryThread& thread) { handleChange(thread.slotIndex()); };
    auto thread = std::make_unique<TRegistryThread>(slot, handler, s.filter, s.subtree, s.keyPath);
    thread->start();
    m_threads.at(size_t(slot)) = std::move(thread);
}

void WatchController::deactivate(int slot)
{
    m_slots.at(size_t(slot)).active = false;
    if (TRegistryThread* thread = m_threads.at(size_t(slot)).get())
        thread->stop();
}

void WatchController::stopAll()
{
    for (auto& thread : m_threads) {
        if (thread)
            thread->stop();
    }
    for (auto& thread : m_threads)
        thread.reset();
    for (WatchSlot& s : m_slots)
        s.active = false;
}

void WatchController::handleChange(int slot)
{
    const WatchSlot& s = m_slots.at(size_t(slot));
    m_list.addChange(s.keyPath, QDateTime::currentDateTime());
    if (!s.silent)
        emit showPageRequested();
}
