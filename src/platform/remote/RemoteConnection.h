#pragma once

// A child process that answers requests on its standard input and output (ssh running the registry
// server on another machine): one socket of a pair is both of the child's streams, so that a write to
// a child gone away fails with an error instead of a signal. Calls are synchronous, one at a time.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <sys/types.h>

class RemoteConnection final {
public:
    // Starts command (the program, searched in PATH, and its arguments); null with *error when it
    // cannot be started.
    static std::unique_ptr<RemoteConnection> start(const QStringList& command, QString* error);
    // Closes the streams, gives the child a moment to end, then ends it.
    ~RemoteConnection();
    RemoteConnection(const RemoteConnection&) = delete;
    RemoteConnection& operator=(const RemoteConnection&) = delete;

    // Sends one request payload and waits for the answer payload; false when the stream broke, the
    // answer is malformed as a frame, or nothing arrived for timeoutMs.
    [[nodiscard]] bool call(const QByteArray& request, QByteArray* answer, int timeoutMs);
    [[nodiscard]] pid_t pid() const { return m_pid; }

private:
    RemoteConnection(int fd, pid_t pid) : m_fd(fd), m_pid(pid) {}
    [[nodiscard]] bool waitFor(short events, int timeoutMs);

    int m_fd = -1;
    pid_t m_pid = -1;
    QByteArray m_buffer;
};
