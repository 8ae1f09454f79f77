// Snapshot and comparison of a large branch, against the registry-file export of the same branch as the
// baseline measured in the same run:
//   bench_changes STORE [BRANCH] [WORKDIR]
// STORE is copied to WORKDIR first (it is changed: 1% of the branch's values get new data). Prints the
// seconds of each phase, its ratio to the export, and checks that the comparisons find exactly what
// was changed.

#include "changes/CompareWithAnalysisFile.h"
#include "changes/WriteAnalysisFile.h"
#include "platform/WinReg.h"
#include "regfile/RegFileUtils.h"
#include "registry/BranchWalker.h"
#include "registry/Progress.h"
#include "registry/RegUtils.h"
#include "registry/RegistryAccessor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

double seconds(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

// Processor time of the process: on a shared machine the wall time also counts the other processes' turns.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

struct Change {
    QString subPath;
    QString name;
    DWORD type;
    QByteArray data;
};

// Every hundredth value of the walk, with data that differ from its own in the same type.
class EveryHundredth final : public BranchVisitor {
public:
    std::vector<Change> changes;
    qint64 values = 0;

    WalkStep visitKey(const WalkKey&) override { return WalkStep::Continue; }
    WalkStep visitValue(const WalkKey& key, const WalkValue& value) override
    {
        if (values++ % 100 != 0)
            return WalkStep::Continue;
        QByteArray data = value.data;
        if (value.type == REG_DWORD && data.size() == 4)
            data[0] = char(data[0] ^ 1);
        else
            data.prepend('X'); // before a string's text, so its text differs too
        changes.push_back({key.subPath, value.name, value.type, data});
        return WalkStep::Continue;
    }
};

bool applyChanges(const QString& branch, const std::vector<Change>& changes)
{
    RegistryAccessor reg(KEY_ALL_ACCESS);
    if (reg.openPath(GetRootKeyName(branch), false, false) != RegResult::Success)
        return false;
    RegBatch batch(reg.rootKey());
    for (const Change& change : changes) {
        HKEY key = 0;
        if (RegOpenKeyEx(reg.rootKey(), change.subPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
            return false;
        const LONG rc = RegSetValueBytes(key, change.name, change.type, change.data);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS)
            return false;
    }
    return true;
}

struct Compared {
    double seconds = 0;
    double cpu = 0;
    int entries = 0;
    int dataChanged = 0;
    bool ok = false;
};

Compared compare(const QString& file)
{
    ChangeList list;
    NullProgress progress;
    QElapsedTimer timer;
    timer.start();
    const double cpu = cpuSeconds();
    const CompareOutcome outcome = CompareWithAnalysisFile(file, list, CompareOptions{}, progress);
    Compared result{seconds(timer), cpuSeconds() - cpu, list.size(), 0, outcome.ok()};
    for (const ChangeRow& row : list.rows())
        result.dataChanged += row.record.ChangeKind == ChangeKinds::DataChanged ? 1 : 0;
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_changes STORE [BRANCH] [WORKDIR]\n");
        return 2;
    }
    const QString branch = args.value(1, QStringLiteral("HKEY_CURRENT_USER\\Software\\Bench"));
    QTemporaryDir temp;
    const QString work = args.size() > 2 ? args[2] : temp.path();
    if (work.isEmpty()) {
        std::fprintf(stderr, "cannot create a work folder: %s\n", qPrintable(temp.errorString()));
        return 2;
    }
    const QString store = work + QStringLiteral("/bench-changes.db");
    QFile::remove(store);
    if (!QFile::copy(args[0], store)) {
        std::fprintf(stderr, "cannot copy the store to %s\n", qPrintable(store));
        return 1;
    }
    QString error;
    if (RegOpenLocalStore(store, &error) != ERROR_SUCCESS) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    // the order of a German user's names, as the program's users have it
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    NullProgress progress;
    QElapsedTimer timer;

    // Each line: wall seconds, processor seconds, and the ratio of the processor seconds to the export's.
    timer.start();
    double cpu = cpuSeconds();
    const bool exported = ExportRegFileResult(work + QStringLiteral("/base.reg"), branch, progress).ok;
    const double base = seconds(timer);
    const double baseCpu = cpuSeconds() - cpu;
    std::printf("baseline  export .reg         %7.2f s  CPU %6.2f s  (1.00)  %s  peak %ld MB\n", base, baseCpu,
                exported ? "ok" : "FAILED", peakMegabytes());

    const QString snapshot = work + QStringLiteral("/snap.rec");
    timer.restart();
    cpu = cpuSeconds();
    const bool written = WriteAnalysisFileResult(snapshot, branch, progress).ok();
    const double snap = seconds(timer);
    const double snapCpu = cpuSeconds() - cpu;
    std::printf("snapshot  analysis file       %7.2f s  CPU %6.2f s  (%.2f)  %s  %lld bytes  peak %ld MB\n", snap,
                snapCpu, snapCpu / baseCpu, written ? "ok" : "FAILED", QFileInfo(snapshot).size(), peakMegabytes());

    const Compared same = compare(snapshot);
    std::printf("compare   unchanged           %7.2f s  CPU %6.2f s  (%.2f)  %d entries (expected 0)  %s\n",
                same.seconds, same.cpu, same.cpu / baseCpu, same.entries,
                same.ok && same.entries == 0 ? "ok" : "WRONG");

    EveryHundredth picker;
    BranchWalker walker(progress);
    (void)walker.walk(branch, picker);
    timer.restart();
    const bool changed = applyChanges(branch, picker.changes);
    std::printf("          changed %zu of %lld values in %.2f s  %s\n", picker.changes.size(), picker.values,
                seconds(timer), changed ? "ok" : "FAILED");

    const Compared after = compare(snapshot);
    const bool exact = after.ok && after.entries == int(picker.changes.size())
                       && after.dataChanged == int(picker.changes.size());
    std::printf("compare   1%% changed          %7.2f s  CPU %6.2f s  (%.2f)  %d entries, %d changed data "
                "(expected %zu)  %s\n",
                after.seconds, after.cpu, after.cpu / baseCpu, after.entries, after.dataChanged,
                picker.changes.size(), exact ? "ok" : "WRONG");
    std::printf("peak memory of the process %ld MB\n", peakMegabytes());
    RegShutdown();
    QFile::remove(store);
    return exported && written && same.ok && same.entries == 0 && exact ? 0 : 1;
}
