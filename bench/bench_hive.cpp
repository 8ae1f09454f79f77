// Opening and walking a hive file against the hive library's own export tool on the same file, both in
// the same run: the open (log replay, key table) and a walk over every key and every value, against
// `hivexregedit --export FILE '\'` written to /dev/null.
//   bench_hive [HIVE]
// HIVE defaults to the largest hive of the corpus (regipy__SYSTEM).

#include "platform/hive/HiveMapping.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

namespace {

struct Walked {
    qint64 keys = 0;
    qint64 values = 0;
    qint64 bytes = 0;
};

Walked openAndWalk(const QString& hive)
{
    Walked w;
    QString error;
    const std::shared_ptr<HiveBackend> backend = HiveMapping::openHives({{hive, QStringLiteral("B")}}, false, &error);
    if (!backend) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return w;
    }
    KeyId machine = 0;
    KeyId root = 0;
    (void)backend->predefinedKey(HKEY_LOCAL_MACHINE, &machine);
    (void)backend->openKey(machine, {QStringLiteral("B")}, KEY_READ, &root);
    QString position;
    QVector<BackendBranchKey> keys;
    (void)backend->branchKeys(root, false, 4096, &position, &keys);
    QVector<BackendValue> values;
    for (const BackendBranchKey& key : std::as_const(keys)) {
        (void)backend->values(key.id, &values);
        w.values += values.size();
        for (const BackendValue& v : std::as_const(values))
            w.bytes += v.data.size();
    }
    w.keys = keys.size();
    return w;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString hive = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : QStringLiteral(KAVEN_SHARED_DIR "/corpus/hives/regipy__SYSTEM");
    if (!QFileInfo::exists(hive)) {
        std::fprintf(stderr, "missing hive %s\n", qPrintable(hive));
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    const Walked w = openAndWalk(hive);
    const double ours = double(timer.nsecsElapsed()) / 1e9;

    QProcess tool;
    tool.setStandardOutputFile(QProcess::nullDevice());
    timer.restart();
    tool.start(QStringLiteral("hivexregedit"), {QStringLiteral("--export"), hive, QStringLiteral("\\")});
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0) {
        std::fprintf(stderr, "hivexregedit failed\n");
        return 1;
    }
    const double reference = double(timer.nsecsElapsed()) / 1e9;
    std::printf("hive %s: %lld keys, %lld values, %lld data bytes\n", qPrintable(QFileInfo(hive).fileName()),
                w.keys, w.values, w.bytes);
    std::printf("open and walk: %.3f s; hivexregedit --export: %.3f s; ratio %.3f\n", ours, reference,
                ours / reference);
    return w.keys > 0 ? 0 : 1;
}
