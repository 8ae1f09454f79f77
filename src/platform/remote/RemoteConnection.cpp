#include "platform/remote/RemoteConnection.h"

#include "platform/remote/RemoteProtocol.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

extern char** environ;

namespace {

// How long a child that lost its streams gets to end by itself.
constexpr int ExitGraceMs = 2000;

bool reaped(pid_t pid, int waitMs)
{
    for (int waited = 0;; waited += 10) {
        const pid_t r = ::waitpid(pid, nullptr, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR))
            return true;
        if (waited >= waitMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

std::unique_ptr<RemoteConnection> RemoteConnection::start(const QStringList& command, QString* error)
{
    if (command.isEmpty()) {
        *error = QStringLiteral("Kein Befehl für die Verbindung angegeben.");
        return nullptr;
    }
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        *error = QStringLiteral("Die Verbindung konnte nicht angelegt werden.");
        return nullptr;
    }
    std::vector<QByteArray> args;
    for (const QString& a : command)
        args.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        *error = QStringLiteral("%1 konnte nicht gestartet werden.").arg(command.first());
        return nullptr;
    }
    return std::unique_ptr<RemoteConnection>(new RemoteConnection(fds[0], pid));
}

RemoteConnection::~RemoteConnection()
{
    ::shutdown(m_fd, SHUT_RDWR);
    ::close(m_fd);
    if (!reaped(m_pid, ExitGraceMs)) {
        ::kill(m_pid, SIGTERM);
        if (!reaped(m_pid, ExitGraceMs)) {
            ::kill(m_pid, SIGKILL);
            (void)reaped(m_pid, ExitGraceMs);
        }
    }
}

bool RemoteConnection::waitFor(short events, int timeoutMs)
{
    pollfd p{m_fd, events, 0};
    while (true) {
        const int r = ::poll(&p, 1, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        return r > 0;
    }
}

bool RemoteConnection::call(const QByteArray& request, QByteArray* answer, int timeoutMs)
{
    const QByteArray out = RemoteProtocol::frame(request);
    for (qsizetype done = 0; done < out.size();) {
        if (!waitFor(POLLOUT, timeoutMs))
            return false;
        const ssize_t n = ::send(m_fd, out.constData() + done, size_t(out.size() - done), MSG_NOSIGNAL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    char chunk[65536];
    while (true) {
        switch (RemoteProtocol::takeFrame(&m_buffer, answer)) {
        case RemoteProtocol::FrameState::Complete:
            return true;
        case RemoteProtocol::FrameState::Oversized:
            return false;
        case RemoteProtocol::FrameState::Incomplete:
            break;
        }
        if (!waitFor(POLLIN, timeoutMs))
            return false;
        const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return false;
        m_buffer.append(chunk, n);
    }
}
