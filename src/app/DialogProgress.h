#pragma once

// The windowed program's progress context: it disables the owner window, shows the progress dialog,
// lets the window system work between steps (at most every 25 ms, so that fast steps stay fast) and
// turns "&Abbruch" or Esc into the stop request. Everything is undone when it is destroyed, also after
// an error.

#include "registry/Progress.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include <memory>

class QWidget;
class TProcessDialog;

class DialogProgress final : public Progress {
public:
    DialogProgress(QWidget* owner, const QString& caption, const QString& text, const QString& animationName);
    ~DialogProgress() override;
    DialogProgress(const DialogProgress&) = delete;
    DialogProgress& operator=(const DialogProgress&) = delete;

    void step() override;
    [[nodiscard]] bool abortRequested() const override { return m_abortRequested; }
    void clearAbort() override { m_abortRequested = false; }

    [[nodiscard]] TProcessDialog* dialog() const { return m_dialog.get(); }

private:
    QPointer<QWidget> m_owner;
    std::unique_ptr<TProcessDialog> m_dialog;
    QElapsedTimer m_sinceEvents;
    bool m_abortRequested = false;
};
