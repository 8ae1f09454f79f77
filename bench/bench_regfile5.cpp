// Version 5 registry files against REGEDIT4 in the same run: the REGEDIT4 file is imported into a fresh
// store, that store is exported as REGEDIT4 and as version 5, and the version 5 file is imported into a
// second fresh store. Each version 5 figure is printed with its ratio to the REGEDIT4 one.
//   bench_regfile5 --values N [WORKDIR]   generates the file with gen_regfile.py --values N --seed 1
//   bench_regfile5 FILE.reg [WORKDIR]

#include "platform/WinReg.h"
#include "regfile/RegFileUtils.h"
#include "registry/Progress.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

const QString Branch = QStringLiteral("HKEY_CURRENT_USER\\Software\\Bench");

QString generate(int values, const QString& dir)
{
    const QString out = dir + QStringLiteral("/bench.reg");
    QProcess gen;
    gen.start(QStringLiteral("python3"), {QStringLiteral(KAVEN_SHARED_DIR "/bench/gen_regfile.py"),
                                          QStringLiteral("--values"), QString::number(values),
                                          QStringLiteral("--seed"), QStringLiteral("1"), QStringLiteral("-o"), out});
    gen.waitForFinished(-1);
    return gen.exitCode() == 0 ? out : QString();
}

// Seconds the step took; a failed step ends the benchmark.
double timed(const char* what, const std::function<bool()>& step)
{
    QElapsedTimer t;
    t.start();
    const bool ok = step();
    const double s = double(t.nsecsElapsed()) / 1e9;
    if (!ok) {
        std::fprintf(stderr, "%s failed: %s\n", what, qPrintable(LastRegFileError()));
        std::exit(1);
    }
    return s;
}

double importInto(const QString& store, const QString& file)
{
    if (RegOpenLocalStore(store) != ERROR_SUCCESS) {
        std::fprintf(stderr, "cannot open store %s\n", qPrintable(store));
        std::exit(1);
    }
    NullProgress progress;
    const double s = timed("import", [&] { return ImportRegFile(file, progress); });
    return s;
}

double exportAs(const QString& file, RegFileFormat format)
{
    NullProgress progress;
    return timed("export", [&] { return ExportRegFile(file, Branch, progress, RootExportDefault, format); });
}

double megabytes(const QString& file)
{
    return double(QFileInfo(file).size()) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_regfile5 --values N | FILE.reg [WORKDIR]\n");
        return 1;
    }
    const bool generated = args[1] == QLatin1String("--values");
    const int workIndex = generated ? 3 : 2;
    QTemporaryDir tmp(args.size() > workIndex ? args[workIndex] + QStringLiteral("/bench-XXXXXX")
                                              : QDir::tempPath() + QStringLiteral("/bench-XXXXXX"));
    if (!tmp.isValid()) {
        std::fprintf(stderr, "cannot create a work folder: %s\n", qPrintable(tmp.errorString()));
        return 2;
    }
    const QString regedit4 = generated ? generate(args.value(2).toInt(), tmp.path()) : args[1];
    if (regedit4.isEmpty() || !QFileInfo::exists(regedit4)) {
        std::fprintf(stderr, "no input file\n");
        return 1;
    }
    const QString version5 = tmp.filePath(QStringLiteral("bench5.reg"));

    const double import4 = importInto(tmp.filePath(QStringLiteral("a.db")), regedit4);
    const double export4 = exportAs(tmp.filePath(QStringLiteral("export4.reg")), RegFileFormat::Regedit4);
    const double export5 = exportAs(version5, RegFileFormat::Version5);
    RegShutdown();
    const double import5 = importInto(tmp.filePath(QStringLiteral("b.db")), version5);
    RegShutdown();

    std::printf("REGEDIT4 file %.1f MB, version 5 file %.1f MB\n", megabytes(regedit4), megabytes(version5));
    std::printf("import REGEDIT4: %.2f s   version 5: %.2f s   ratio %.2f\n", import4, import5, import5 / import4);
    std::printf("export REGEDIT4: %.2f s   version 5: %.2f s   ratio %.2f\n", export4, export5, export5 / export4);
    return 0;
}
