// Measures (in processor time) the search over a store made from a generated registry file, against a
// baseline taken in the same run: counting the file's lines that hold the text, as grep -c does. Also the
// branch's export, which takes the same walk.
//   bench_search STORE FILE.reg [TEXT [BRANCH]]
// (FILE from gen_regfile.py --values N --seed 1, STORE from "kaven-reg --registry STORE import FILE")

#include "platform/WinReg.h"
#include "registry/BranchWalker.h"
#include "registry/Progress.h"
#include "registry/RegUtils.h"
#include "regfile/RegFileWriter.h"
#include "search/RunSearch.h"
#include "search/SearchResultList.h"

#include <QBuffer>
#include <QByteArrayMatcher>
#include <QCoreApplication>
#include <QFile>
#include <QLocale>

#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

// Processor time of this process: the machine's other work does not count.
class Timer final {
public:
    Timer() { restart(); }
    void restart() { m_start = now(); }
    [[nodiscard]] double seconds() const { return now() - m_start; }

private:
    static double now()
    {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
    }
    double m_start = 0;
};

double seconds(const Timer& t)
{
    return t.seconds();
}

void report(const char* what, double s, double base, qsizetype count)
{
    std::printf("%-40s %8.3f s  %7.1f x baseline  (%lld)\n", what, s, s / base, static_cast<long long>(count));
    std::fflush(stdout);
}

// grep -c: the lines of the file that hold the text.
qsizetype countLines(const QString& fileName, const QByteArray& text)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    const QByteArrayMatcher matcher(text);
    qsizetype count = 0;
    qsizetype at = 0;
    while ((at = matcher.indexIn(bytes, at)) >= 0) {
        ++count;
        const qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            break;
        at = end + 1;
    }
    return count;
}

void printLargestSize(const char* when)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("largest resident size %s: %ld MB\n", when, usage.ru_maxrss / 1024);
}

// The last key of the branch in the walk's order: a find-next for its name runs through the whole branch.
struct LastKey final : BranchVisitor {
    QString name;
    WalkStep visitKey(const WalkKey& key) override
    {
        name = key.path.section(QLatin1Char('\\'), -1);
        return WalkStep::Continue;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "bench_search STORE FILE.reg [TEXT [BRANCH]]\n");
        return 2;
    }
    const QString text = args.value(3, QStringLiteral("Toolbar"));
    const QString branch = args.value(4, QStringLiteral("HKEY_CURRENT_USER\\Software\\Bench"));
    if (RegOpenLocalStore(args.at(1), nullptr, StoreAccess::ReadOnly) != ERROR_SUCCESS) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(args.at(1)));
        return 1;
    }
    // the order of a German user's names, as the program's users have it
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    NullProgress progress;
    Timer t;

    const qsizetype lines = countLines(args.at(2), text.toLatin1());
    const double base = seconds(t);
    report("baseline: lines holding the text", base, base, lines);
    printLargestSize("after the baseline (the whole file read)");

    // What a find-next from a selected key asks at every level above it: the subkeys of a key in order.
    struct Children final : BranchVisitor {
        qsizetype keys = 0;
        WalkStep visitKey(const WalkKey&) override { return ++keys == 1 ? WalkStep::Continue : WalkStep::SkipSubtree; }
    } children;
    t.restart();
    (void)BranchWalker(progress, BranchWalker::Options{false, KEY_READ}).walk(QStringLiteral("HKEY_USERS"), children);
    report("the root key's subkeys (a whole read)", seconds(t), base, children.keys);
    children.keys = 0;
    t.restart();
    (void)BranchWalker(progress, BranchWalker::Options{false, KEY_READ, true}).walk(QStringLiteral("HKEY_USERS"),
                                                                                     children);
    report("the root key's subkeys (one level read)", seconds(t), base, children.keys);

    struct Nothing final : BranchVisitor {
        qsizetype values = 0;
        WalkStep visitKey(const WalkKey&) override { return WalkStep::Continue; }
        WalkStep visitValue(const WalkKey&, const WalkValue&) override
        {
            ++values;
            return WalkStep::Continue;
        }
    } nothing;
    t.restart();
    (void)BranchWalker(progress).walk(branch, nothing);
    report("walk of the branch, values read", seconds(t), base, nothing.values);

    SearchCriteria criteria{text, SearchFlags::AnyContent | SearchFlags::AnyType | SearchFlags::ListResults,
                            CompareFlags::Substring};
    for (const bool allRoots : {false, true}) {
        criteria.contentFlags = (criteria.contentFlags & ~SearchFlags::OnlyCurrentKey)
                                | (allRoots ? 0 : SearchFlags::OnlyCurrentKey);
        t.restart();
        std::vector<ResultRow> rows;
        SearchResultList list;
        const SearchOutcome outcome = RunSearch(criteria, SearchStart{allRoots ? QString() : branch, {}, false},
                                                progress, [&](const SearchResult& match) {
                                                    rows.push_back(ResultRow{FoundAtText(match.kind), match.valueName,
                                                                             match.keyPath, 1, false});
                                                });
        const double walked = seconds(t);
        list.addResultRows(std::move(rows));
        report(allRoots ? "listing search, every root key" : "listing search, the branch", walked, base, list.size());
        report("  and the sorted result list", seconds(t), base, list.size());
        (void)outcome;
    }

    // F3 with the first key of the tree selected, for a name only the branch's last key has: every value
    // before it is looked at too
    LastKey last;
    (void)BranchWalker(progress, BranchWalker::Options{false, KEY_READ}).walk(branch, last);
    t.restart();
    const SearchOutcome found =
        RunSearch(SearchCriteria{last.name, SearchFlags::AnyContent | SearchFlags::AnyType, CompareFlags::Default},
                  SearchStart{RootKeyTable().front().name, {}, false}, progress, {});
    report("find-next to the branch's last key", seconds(t), base, found.match.found ? 1 : 0);

    t.restart();
    QBuffer out;
    (void)out.open(QIODevice::WriteOnly);
    RegFileWriter writer(out, progress);
    const bool exported = writer.writeHeader().ok && writer.writeBranch(branch).ok && writer.flush().ok;
    report("export of the branch", seconds(t), base, exported ? out.size() : -1);
    printLargestSize("at the end");
    RegShutdown();
    return 0;
}
