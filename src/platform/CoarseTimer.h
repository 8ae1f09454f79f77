#pragma once

#include <QtGlobal>

#include <ctime>

// An age in milliseconds from the kernel's coarse clock: a few milliseconds off, but several times cheaper
// to read than the precise clock, which counts where every registry call asks for the age of its snapshot
// or batch.
class CoarseTimer final {
public:
    void start() { m_start = now(); }
    void restart() { start(); }
    [[nodiscard]] qint64 elapsed() const { return now() - m_start; }

private:
    static qint64 now()
    {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
        return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
    }

    qint64 m_start = 0;
};
