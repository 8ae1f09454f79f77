// Export of a branch of 100,000 values from the local store and from the same store as a machine on the
// network, in the same run: over ssh to a test sshd on 127.0.0.1 (the round trips and the encryption),
// and over a plain pipe to the registry server (the round trips alone).
//   bench_remote [KEYS [VALUES_PER_KEY]]   (default 1000 x 100)

#include "SshServer.h"
#include "platform/WinReg.h"
#include "regfile/RegFileUtils.h"
#include "registry/Progress.h"
#include "registry/RegUtils.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

const QString Branch = QStringLiteral("HKEY_CURRENT_USER\\Software\\Bench");

bool fill(int keys, int perKey)
{
    HKEY base = 0;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Bench"), 0, {}, 0, KEY_ALL_ACCESS, nullptr, &base,
                       nullptr)
        != ERROR_SUCCESS)
        return false;
    RegBatch batch(base);
    for (int k = 0; k < keys; ++k) {
        HKEY key = 0;
        if (RegCreateKeyEx(base, QStringLiteral("Gruppe%1\\Schlüssel%2").arg(k % 37).arg(k), 0, {}, 0, KEY_ALL_ACCESS,
                           nullptr, &key, nullptr)
            != ERROR_SUCCESS)
            return false;
        for (int v = 0; v < perKey; ++v) {
            const QString name = QStringLiteral("Wert%1").arg(v);
            const QByteArray text = QStringLiteral("Daten %1 von %2\n").arg(v).arg(k).toUtf8() + '\0';
            const QByteArray data = v % 3 == 0   ? text
                                    : v % 3 == 1 ? QByteArray(4, char(v))
                                                 : QByteArray(16, char(k));
            const DWORD type = v % 3 == 0 ? REG_SZ : v % 3 == 1 ? REG_DWORD : REG_BINARY;
            (void)RegSetValueBytes(key, name, type, data);
        }
        RegCloseKey(key);
    }
    const bool ok = batch.end() == ERROR_SUCCESS;
    RegCloseKey(base);
    return ok;
}

// Seconds for the export of the branch on the machine; the file's bytes into *bytes.
double timedExport(const QString& machine, const QString& file, QByteArray* bytes)
{
    CurrentMachine() = machine;
    NullProgress progress;
    QElapsedTimer timer;
    timer.start();
    const RegFileResult result = ExportRegFileResult(file, Branch, progress);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    QFile f(file);
    *bytes = result.ok && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    return seconds;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int keys = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;
    const int perKey = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 100;
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("registry.db"));
    if (RegOpenLocalStore(store) != ERROR_SUCCESS || !fill(keys, perKey)) {
        std::fprintf(stderr, "cannot fill the store\n");
        return 1;
    }
    SshServer ssh;
    const QString error = ssh.start();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "sshd: %s\n", qPrintable(error));
        return 1;
    }
    ssh.serveStore(store);
    QByteArray local, overSsh, overPipe;
    // the first connection is made before the clock runs: connecting is not exporting
    (void)KeyExistsOn(QStringLiteral("\\\\127.0.0.1"), Branch);
    const double sshSeconds =
        timedExport(QStringLiteral("\\\\127.0.0.1"), dir.filePath(QStringLiteral("s.reg")), &overSsh);
    const double localSeconds = timedExport(QString(), dir.filePath(QStringLiteral("l.reg")), &local);
    qputenv("KAVEN_SSH", "sh -c \"shift 3; eval $*\" pipe");
    (void)KeyExistsOn(QStringLiteral("\\\\pipe"), Branch);
    const double pipeSeconds =
        timedExport(QStringLiteral("\\\\pipe"), dir.filePath(QStringLiteral("p.reg")), &overPipe);
    RegShutdown();
    if (local.isEmpty() || overSsh != local || overPipe != local) {
        std::fprintf(stderr, "the exports differ\n");
        return 1;
    }
    std::printf("branch of %d keys, %d values, export %lld bytes\n", keys, keys * perKey, qint64(local.size()));
    std::printf("local export: %.3f s; over ssh to 127.0.0.1: %.3f s (ratio %.2f); over a pipe: %.3f s (ratio %.2f)\n",
                localSeconds, sshSeconds, sshSeconds / localSeconds, pipeSeconds, pipeSeconds / localSeconds);
    return 0;
}
