// Opening a Wine prefix's registry and exporting HKEY_LOCAL_MACHINE\Software through kaven-reg (the
// whole command: files read, links followed, version 5 file written), against Wine's own
// `wine regedit /e FILE "HKEY_LOCAL_MACHINE\Software"` of the same branch, both in the same run.
//   bench_wine [PREFIX]
// Without PREFIX a new one is made with wineboot in a temporary folder.

#include "app/KavenRegTool.h"
#include "platform/WinReg.h"
#include "platform/wine/WineBackend.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

int runWine(const QString& prefix, const QString& program, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), prefix);
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.remove(QStringLiteral("DISPLAY"));
    p.setProcessEnvironment(env);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QString prefix = argc > 1 ? QString::fromLocal8Bit(argv[1]) : dir.filePath(QStringLiteral("pfx"));
    if (argc <= 1 && runWine(prefix, QStringLiteral("wineboot"), {QStringLiteral("-i")}) != 0) {
        std::fprintf(stderr, "wineboot failed\n");
        return 1;
    }
    runWine(prefix, QStringLiteral("wineserver"), {QStringLiteral("-k")});

    QElapsedTimer timer;
    timer.start();
    QString error;
    const auto backend = WineBackend::open(prefix, false, &error);
    const double open = double(timer.nsecsElapsed()) / 1e9;
    if (!backend) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    const QString ours = dir.filePath(QStringLiteral("kaven.reg"));
    QBuffer out, err, in;
    for (QBuffer* b : {&out, &err, &in})
        b->open(QIODevice::ReadWrite);
    timer.restart();
    const int rc =
        KavenRegTool(out, err, in, false)
            .runWithStore({QStringLiteral("--wine"), prefix, QStringLiteral("export"), QStringLiteral("HKLM\\Software"),
                           ours, QStringLiteral("/y"), QStringLiteral("/5")});
    const double kaven = double(timer.nsecsElapsed()) / 1e9;
    if (rc != 0) {
        std::fprintf(stderr, "kaven-reg export failed: %s\n", err.data().constData());
        return 1;
    }

    const QString theirs = dir.filePath(QStringLiteral("wine.reg"));
    timer.restart();
    const int wineRc = runWine(
        prefix, QStringLiteral("wine"),
        {QStringLiteral("regedit"), QStringLiteral("/e"), theirs, QStringLiteral("HKEY_LOCAL_MACHINE\\Software")});
    const double wine = double(timer.nsecsElapsed()) / 1e9;
    runWine(prefix, QStringLiteral("wineserver"), {QStringLiteral("-k")});
    if (wineRc != 0 || !QFileInfo::exists(theirs)) {
        std::fprintf(stderr, "wine regedit /e failed\n");
        return 1;
    }
    std::printf("prefix %s: system.reg %lld bytes\n", qPrintable(prefix),
                QFileInfo(prefix + QStringLiteral("/system.reg")).size());
    std::printf("open alone: %.3f s\n", open);
    std::printf("kaven-reg --wine export HKLM\\Software /5: %.3f s (%lld bytes); wine regedit /e: %.3f s (%lld bytes); "
                "ratio %.3f\n",
                kaven, QFileInfo(ours).size(), wine, QFileInfo(theirs).size(), kaven / wine);
    return 0;
}
