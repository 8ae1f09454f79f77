#pragma once

// A progress context for tests: counts the steps of a long operation and requests the stop at step N
// (counting from 1), as if the user pressed cancel at that moment. An optional hook runs at every
// step, e.g. to change the registry behind the operation's back.

#include "registry/Progress.h"

#include <functional>

class ScriptedProgress final : public Progress {
public:
    // abortAtStep <= 0: never cancels by itself.
    explicit ScriptedProgress(int abortAtStep = 0) : m_abortAtStep(abortAtStep) {}

    void step() override;
    [[nodiscard]] bool abortRequested() const override { return m_abort; }
    // The operation's own reset at its start; the step count and the cue stay.
    void clearAbort() override;

    void requestAbort() { m_abort = true; }
    void setAbortAtStep(int step) { m_abortAtStep = step; }
    void setOnStep(std::function<void(int step)> hook) { m_onStep = std::move(hook); }
    [[nodiscard]] int steps() const { return m_steps; }
    [[nodiscard]] int clearAbortCalls() const { return m_clearCalls; }

private:
    int m_abortAtStep;
    int m_steps = 0;
    int m_clearCalls = 0;
    bool m_abort = false;
    std::function<void(int)> m_onStep;
};
