#pragma once

// What a long operation needs of its surroundings: a chance for the window system to work between
// steps, and the user's request to stop (the progress dialog's cancel button or Esc).

class Progress {
public:
    virtual ~Progress() = default;
    // Called between steps; the GUI processes pending events here.
    virtual void step() = 0;
    [[nodiscard]] virtual bool abortRequested() const = 0;
    // Long operations clear the request when they start.
    virtual void clearAbort() = 0;
};

// For callers without a window: never cancels.
class NullProgress final : public Progress {
public:
    void step() override {}
    [[nodiscard]] bool abortRequested() const override { return false; }
    void clearAbort() override {}
};
