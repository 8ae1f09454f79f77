#pragma once

// The channels of one kaven-reg command: results on standard output, messages on standard error, answers
// to questions from standard input when a terminal is there to ask.

#include <QString>

class QIODevice;

class ToolIo final {
public:
    ToolIo(QIODevice& out, QIODevice& err, QIODevice& in, bool interactive);
    ToolIo(const ToolIo&) = delete;
    ToolIo& operator=(const ToolIo&) = delete;

    // Result text as given, UTF-8.
    void print(const QString& text);
    // One message line on standard error, as given.
    void note(const QString& line);
    // "Fehler: " and the text on standard error.
    void printError(const QString& text);
    // printError, then exit status 1.
    [[nodiscard]] int fail(const QString& text);
    // A yes/no question on the terminal; without one it is refused with a message.
    [[nodiscard]] bool confirm(const QString& question);

    [[nodiscard]] QIODevice& out() { return m_out; }
    [[nodiscard]] QIODevice& err() { return m_err; }

private:
    QIODevice& m_out;
    QIODevice& m_err;
    QIODevice& m_in;
    bool m_interactive;
};
