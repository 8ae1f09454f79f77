#include "SshServer.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Port 0 binds a free port and answers it; another port answers whether something listens there.
int probe(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(quint16(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    auto* address = reinterpret_cast<sockaddr*>(&a);
    const int result = port ? int(::connect(fd, address, len) == 0)
                            : ::bind(fd, address, len) == 0 && ::getsockname(fd, address, &len) == 0 ? ntohs(a.sin_port)
                                                                                                     : 0;
    ::close(fd);
    return result;
}

bool keygen(const QString& file)
{
    return QProcess::execute(u"ssh-keygen"_s, {u"-q"_s, u"-t"_s, u"ed25519"_s, u"-N"_s, QString(), u"-f"_s, file}) == 0;
}

} // namespace

bool processAlive(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) == 0;
}

SshServer::~SshServer()
{
    if (m_sshd.state() != QProcess::NotRunning) {
        m_sshd.terminate();
        m_sshd.waitForFinished(5000);
    }
}

QString SshServer::start()
{
    const QString d = m_dir.path();
    if (!keygen(d + u"/host_key"_s) || !keygen(d + u"/client_key"_s))
        return u"ssh-keygen failed"_s;
    if (!QFile::copy(d + u"/client_key.pub"_s, d + u"/authorized_keys"_s))
        return u"no authorized_keys"_s;
    // sshd run by root wants its privilege separation folder
    if (::geteuid() == 0)
        QDir().mkpath(u"/run/sshd"_s);
    m_port = probe(0);
    QFile config(d + u"/sshd_config"_s);
    if (!config.open(QIODevice::WriteOnly))
        return u"no config"_s;
    config.write(QStringLiteral("Port %1\nListenAddress 127.0.0.1\nHostKey %2/host_key\nPidFile %2/sshd.pid\n"
                                "AuthorizedKeysFile %2/authorized_keys\nStrictModes no\nUsePAM no\n"
                                "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                                "PubkeyAuthentication yes\nPermitRootLogin prohibit-password\nLogLevel ERROR\n")
                     .arg(m_port)
                     .arg(d)
                     .toUtf8());
    config.close();
    m_sshd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_sshd.start(u"/usr/sbin/sshd"_s, {u"-D"_s, u"-e"_s, u"-f"_s, config.fileName()});
    if (!m_sshd.waitForStarted())
        return u"sshd did not start"_s;
    for (int i = 0; i < 200 && !probe(m_port); ++i) {
        if (m_sshd.state() == QProcess::NotRunning)
            return u"sshd ended"_s;
        QThread::msleep(50);
    }
    if (!probe(m_port))
        return u"sshd does not listen"_s;
    qputenv("KAVEN_SSH", QStringLiteral("ssh -p %1 -i %2/client_key -o IdentitiesOnly=yes "
                                        "-o UserKnownHostsFile=%2/known -o StrictHostKeyChecking=accept-new "
                                        "-o LogLevel=ERROR")
                             .arg(m_port)
                             .arg(d)
                             .toUtf8());
    return {};
}

void SshServer::serveStore(const QString& storePath)
{
    QFile::remove(m_dir.filePath(u"regserve.pid"_s));
    // the remote shell notes the server's process id, then becomes it
    qputenv("KAVEN_REGSERVE", QStringLiteral("echo $$ > %1/regserve.pid; exec env ASAN_OPTIONS=detect_leaks=0 %2 "
                                             "--registry %3")
                                  .arg(m_dir.path(), QStringLiteral(KAVEN_REGSERVE_PATH), storePath)
                                  .toUtf8());
}

qint64 SshServer::regservePid() const
{
    QFile file(m_dir.filePath(u"regserve.pid"_s));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const qint64 pid = file.readAll().trimmed().toLongLong(&ok);
    return ok ? pid : -1;
}
