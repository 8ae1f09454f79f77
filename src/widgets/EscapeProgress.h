#pragma once

// Progress of the walks that run without the progress dialog (expanding a subtree, refreshing the
// tree): between nodes the window system is served, user input is held off, and Esc asks to stop.

#include "registry/Progress.h"

#include <QElapsedTimer>
#include <QObject>

class EscapeProgress final : public QObject, public Progress {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EscapeProgress)

public:
    EscapeProgress();
    ~EscapeProgress() override;

    void step() override;
    [[nodiscard]] bool abortRequested() const override { return m_abort; }
    void clearAbort() override { m_abort = false; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QElapsedTimer m_sinceEvents;
    bool m_abort = false;
};
