#pragma once

// A real sshd on 127.0.0.1 at a free port, run as the user running the tests: its own host key, a
// client key in its authorized_keys, everything in a temporary folder. It lets kaven-regserve serve
// a given store, and points KAVEN_SSH and KAVEN_REGSERVE at itself, so that "\\127.0.0.1" is a
// machine on the network for the process.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class SshServer final {
public:
    SshServer() = default;
    ~SshServer();
    SshServer(const SshServer&) = delete;
    SshServer& operator=(const SshServer&) = delete;

    // Empty on success, else what failed.
    [[nodiscard]] QString start();
    // The store the server's registry server opens from the next connection on.
    void serveStore(const QString& storePath);
    // The process id of the registry server of the latest connection, -1 when none wrote it yet.
    [[nodiscard]] qint64 regservePid() const;

private:
    QTemporaryDir m_dir;
    QProcess m_sshd;
    int m_port = 0;
};

// Whether the process still exists.
[[nodiscard]] bool processAlive(qint64 pid);
