#pragma once

// Progress of the walks that run without the progress dialog (expanding a subtree, refreshing the
// tree, pasting a key): between nodes the window system is served, user input to the windows that were
// open when the walk began is held off, and Esc there asks to stop. Windows opened during the walk
// (a question or an error box) get their input as usual, so they can be answered.

#include "registry/Progress.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

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
    [[nodiscard]] bool guards(const QObject* target) const;

    QList<QPointer<QWidget>> m_guarded;
    QElapsedTimer m_sinceEvents;
    bool m_abort = false;
};
