// Key statistics of a large branch against the registry-file export of the same branch, both measured
// in the same run on the same store (the export walks the same keys and values and writes them out).
//   bench_statistics [STORE [KEY]]
// STORE defaults to /tmp/bench_watchstats/reg.db; when it is missing it is made by importing
// /tmp/bench.reg (python3 ../shared/bench/gen_regfile.py --values 1000000 --seed 1 -o /tmp/bench.reg).
// KEY defaults to HKEY_CURRENT_USER\Software\Bench, the generator's branch.

#include "platform/WinReg.h"
#include "regfile/RegFileUtils.h"
#include "registry/Progress.h"
#include "statistics/KeyStatistics.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

double seconds(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

// CPU time of the process: on a shared machine the wall time also counts the other processes' turns.
double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// The walk with nothing done at its keys and values: what the statistics cost beyond it is theirs.
class BareVisitor final : public BranchVisitor {
public:
    WalkStep visitKey(const WalkKey&) override { return WalkStep::Continue; }
    WalkStep visitValue(const WalkKey&, const WalkValue&) override
    {
        ++values;
        return WalkStep::Continue;
    }
    qint64 values = 0;
};

bool makeStore(const QString& store)
{
    const QString regFile = QStringLiteral("/tmp/bench.reg");
    if (!QFile::exists(regFile)) {
        std::fprintf(stderr, "missing %s: generate it with gen_regfile.py --values 1000000 --seed 1\n",
                     qPrintable(regFile));
        return false;
    }
    QDir().mkpath(QFileInfo(store).path());
    if (RegOpenLocalStore(store) != ERROR_SUCCESS)
        return false;
    NullProgress progress;
    QElapsedTimer t;
    t.start();
    const bool ok = ImportRegFileResult(regFile, progress).ok;
    std::printf("import of %s into %s: %.2f s\n", qPrintable(regFile), qPrintable(store), seconds(t));
    RegShutdown();
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString store = args.value(1, QStringLiteral("/tmp/bench_watchstats/reg.db"));
    const QString key = args.value(2, QStringLiteral("HKEY_CURRENT_USER\\Software\\Bench"));
    if (!QFile::exists(store) && !makeStore(store))
        return 1;
    QString error;
    if (RegOpenLocalStore(store, &error, StoreAccess::ReadOnly) != ERROR_SUCCESS) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    // the order of a German user's names, as the program's users have it
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    NullProgress progress;
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("branch.reg"));

    // Once to warm the store's pages, then measured.
    (void)CollectStatistics(key, progress);
    QElapsedTimer t;
    t.start();
    double cpu = cpuSeconds();
    const bool exported = ExportRegFileResult(out, key, progress).ok;
    const double exportSeconds = seconds(t);
    const double exportCpu = cpuSeconds() - cpu;
    t.restart();
    cpu = cpuSeconds();
    BareVisitor bare;
    (void)BranchWalker(progress).walk(key, bare);
    const double bareSeconds = seconds(t);
    const double bareCpu = cpuSeconds() - cpu;
    t.restart();
    cpu = cpuSeconds();
    const StatisticsOutcome outcome = CollectStatistics(key, progress);
    const double statSeconds = seconds(t);
    const double statCpu = cpuSeconds() - cpu;
    RegShutdown();

    const KeyStatistics& s = outcome.statistics;
    std::printf("baseline export of the branch: %.2f s, CPU %.2f s (%s)\n", exportSeconds, exportCpu,
                exported ? "ok" : "failed");
    std::printf("bare branch walk: %.2f s, CPU %.2f s, %lld values\n", bareSeconds, bareCpu, bare.values);
    std::printf("statistics: %.2f s, CPU %.2f s, %lld keys, %lld values (%s), CPU %.2fx the export, %.2fx the bare "
                "walk\n",
                statSeconds, statCpu, s.keys, s.values, outcome.walk.ok() ? "ok" : "failed",
                statCpu / exportCpu, statCpu / bareCpu);
    std::printf("limit 2 s (processor time): %s\n", statCpu <= 2.0 ? "met" : "missed");
    return outcome.walk.ok() && exported ? 0 : 1;
}
