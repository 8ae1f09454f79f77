// Registry-file import and export against a minimal hand-written SQLite bulk load of the same keys and
// values, measured in the same run for each size given, with the peak memory of each phase (every phase
// runs in a process of its own) and the cost per value, so that growth beyond linear shows.
//   bench_regfile [--work DIR] [--keep] [--runs R] --values N [N ...]   generates with gen_regfile.py --seed 1
//   bench_regfile [--work DIR] [--keep] [--runs R] FILE.reg [FILE.reg ...]
// With --runs the phases run R times in turn and the medians are printed (a noisy machine moves single
// runs by a fifth), with the import's ratio of each run.

#include "platform/WinReg.h"
#include "regfile/RegFileUtils.h"
#include "registry/Progress.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

double seconds(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

long peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// --- baseline: read the generator's layout with the least parsing and bulk-insert it ---

int hexValue(char c)
{
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

void appendHex(const QByteArray& list, QByteArray* out)
{
    for (qsizetype i = 0; i + 1 < list.size(); ++i) {
        if (std::isxdigit(uchar(list[i])) && std::isxdigit(uchar(list[i + 1]))) {
            out->append(char(hexValue(list[i]) << 4 | hexValue(list[i + 1])));
            ++i;
        }
    }
}

QByteArray unescape(const QByteArray& s)
{
    QByteArray out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i)
        out.append(s[i] == '\\' && i + 1 < s.size() ? s[++i] : s[i]);
    return out;
}

// Position of the quote that closes a quoted text starting at 0.
qsizetype closingQuote(const QByteArray& line)
{
    for (qsizetype i = 1; i < line.size(); ++i) {
        if (line[i] == '\\')
            ++i;
        else if (line[i] == '"')
            return i;
    }
    return -1;
}

struct Baseline {
    sqlite3* db = nullptr;
    sqlite3_stmt* insKey = nullptr;
    sqlite3_stmt* insVal = nullptr;
    QHash<QString, qint64> ids;

    explicit Baseline(const QString& path)
    {
        sqlite3_open(path.toUtf8().constData(), &db);
        sqlite3_exec(db,
                     "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                     "CREATE TABLE keys(id INTEGER PRIMARY KEY, parent INTEGER, name TEXT);"
                     "CREATE INDEX keys_parent ON keys(parent, name);"
                     "CREATE TABLE vals(id INTEGER PRIMARY KEY, key INTEGER, name TEXT, type INTEGER, data BLOB);"
                     "CREATE INDEX vals_key ON vals(key);",
                     nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db, "INSERT INTO keys(parent, name) VALUES(?,?)", -1, &insKey, nullptr);
        sqlite3_prepare_v2(db, "INSERT INTO vals(key, name, type, data) VALUES(?,?,?,?)", -1, &insVal, nullptr);
    }
    ~Baseline()
    {
        sqlite3_finalize(insKey);
        sqlite3_finalize(insVal);
        sqlite3_close(db);
    }

    qint64 key(const QString& path)
    {
        if (const auto it = ids.constFind(path); it != ids.cend())
            return it.value();
        const qsizetype slash = path.lastIndexOf(u'\\');
        const qint64 parent = slash < 0 ? 0 : key(path.left(slash));
        const QByteArray name = (slash < 0 ? path : path.mid(slash + 1)).toUtf8();
        sqlite3_bind_int64(insKey, 1, parent);
        sqlite3_bind_text(insKey, 2, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_step(insKey);
        sqlite3_reset(insKey);
        const qint64 id = sqlite3_last_insert_rowid(db);
        ids.insert(path, id);
        return id;
    }

    void value(qint64 key, const QByteArray& name, int type, const QByteArray& data)
    {
        sqlite3_bind_int64(insVal, 1, key);
        sqlite3_bind_text(insVal, 2, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(insVal, 3, type);
        sqlite3_bind_blob(insVal, 4, data.constData(), int(data.size()), SQLITE_TRANSIENT);
        sqlite3_step(insVal);
        sqlite3_reset(insVal);
    }
};

qint64 baselineImport(const QString& fileName, const QString& dbPath)
{
    Baseline b(dbPath);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    sqlite3_exec(b.db, "BEGIN", nullptr, nullptr, nullptr);
    qint64 key = 0;
    qint64 values = 0;
    QByteArray pendingName;
    QByteArray pendingData;
    int pendingType = -1;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (pendingType >= 0) {
            appendHex(line, &pendingData);
            if (!line.endsWith('\\')) {
                b.value(key, pendingName, pendingType, pendingData);
                pendingType = -1;
                ++values;
            }
            continue;
        }
        if (line.startsWith('[')) {
            key = b.key(QString::fromLatin1(line.mid(1, line.size() - 2)));
            continue;
        }
        if (line.isEmpty() || (line[0] != '"' && line[0] != '@'))
            continue;
        const qsizetype sep = line[0] == '@' ? 1 : closingQuote(line) + 1;
        const QByteArray name = line[0] == '@' ? QByteArray() : unescape(line.mid(1, sep - 2));
        const QByteArray data = line.mid(sep + 1);
        if (data.startsWith('"')) {
            b.value(key, name, 1, unescape(data.mid(1, data.size() - 2)) + '\0');
        } else if (data.startsWith("dword:")) {
            const quint32 v = data.mid(6).toUInt(nullptr, 16);
            b.value(key, name, 4, QByteArray(reinterpret_cast<const char*>(&v), 4));
        } else {
            const qsizetype colon = data.indexOf(':');
            pendingType = data.startsWith("hex(") ? data.mid(4, colon - 5).toInt() : 3;
            pendingName = name;
            pendingData.clear();
            appendHex(data.mid(colon + 1), &pendingData);
            if (!data.endsWith('\\')) {
                b.value(key, name, pendingType, pendingData);
                pendingType = -1;
            } else {
                continue;
            }
        }
        ++values;
    }
    sqlite3_exec(b.db, "COMMIT", nullptr, nullptr, nullptr);
    return values;
}

QString generate(qint64 values, const QString& dir)
{
    const QString out = dir + QStringLiteral("/bench_%1.reg").arg(values);
    QProcess gen;
    gen.start(QStringLiteral("python3"), {QStringLiteral(KAVEN_SHARED_DIR "/bench/gen_regfile.py"),
                                          QStringLiteral("--values"), QString::number(values),
                                          QStringLiteral("--seed"), QStringLiteral("1"), QStringLiteral("-o"), out});
    gen.waitForFinished(-1);
    return gen.exitCode() == 0 ? out : QString();
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// One phase in a process of its own, so that its peak memory is its own: prints
// "phase SECONDS CPU_SECONDS PEAK_KB VALUES OK".
int runPhase(const QString& phase, const QString& file, const QString& dir)
{
    QElapsedTimer t;
    const double cpu = cpuSeconds();
    t.start();
    qint64 values = 0;
    bool ok = true;
    if (phase == QLatin1String("baseline")) {
        values = baselineImport(file, dir + QStringLiteral("/baseline.db"));
        ok = values > 0;
    } else {
        if (RegOpenLocalStore(dir + QStringLiteral("/registry.db")) != ERROR_SUCCESS)
            return 1;
        NullProgress progress;
        t.restart();
        if (phase == QLatin1String("import")) {
            ok = ImportRegFile(file, progress);
            if (!ok)
                std::fprintf(stderr, "import failed: %s\n", qPrintable(LastRegFileError()));
        } else {
            ok = ExportRegFile(dir + QStringLiteral("/export.reg"),
                               QStringLiteral("HKEY_CURRENT_USER\\Software\\Bench"), progress);
        }
        RegShutdown();
    }
    std::printf("phase %.4f %.4f %ld %lld %d\n", seconds(t), cpuSeconds() - cpu, peakMegabytes() * 1024,
                qlonglong(values), ok ? 1 : 0);
    return ok ? 0 : 1;
}

struct PhaseResult {
    double seconds = 0;
    double cpu = 0;
    long peakKb = 0;
    qint64 values = 0;
    bool ok = false;
};

PhaseResult childPhase(const QString& phase, const QString& file, const QString& dir)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--phase"), phase, file, dir});
    child.waitForFinished(-1);
    PhaseResult r;
    const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
    if (f.size() == 6 && f[0] == "phase") {
        r.seconds = f[1].toDouble();
        r.cpu = f[2].toDouble();
        r.peakKb = f[3].toLong();
        r.values = f[4].toLongLong();
        r.ok = f[5] == "1" && child.exitCode() == 0;
    }
    return r;
}

// The run of median time.
PhaseResult median(QList<PhaseResult> runs)
{
    std::sort(runs.begin(), runs.end(),
              [](const PhaseResult& a, const PhaseResult& b) { return a.seconds < b.seconds; });
    return runs.at((runs.size() - 1) / 2);
}

void printPhase(const char* name, const PhaseResult& r, qint64 values, const PhaseResult& base)
{
    std::printf("  %-9s %7.2f s (cpu %7.2f s)  %6.2f us/value  peak %4ld MB  %5.2fx baseline (cpu %5.2fx)%s\n", name,
                r.seconds, r.cpu, r.seconds / double(values) * 1e6, r.peakKb / 1024, r.seconds / base.seconds,
                r.cpu / base.cpu, r.ok ? "" : "  FAILED");
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 4 && args[0] == QLatin1String("--phase"))
        return runPhase(args[1], args[2], args[3]);
    QString work = QDir::tempPath();
    if (const qsizetype at = args.indexOf(QStringLiteral("--work")); at >= 0 && at + 1 < args.size()) {
        work = args[at + 1];
        args.remove(at, 2);
    }
    const bool keep = args.removeAll(QStringLiteral("--keep")) > 0;
    int runs = 1;
    if (const qsizetype at = args.indexOf(QStringLiteral("--runs")); at >= 0 && at + 1 < args.size()) {
        runs = std::max(1, args[at + 1].toInt());
        args.remove(at, 2);
    }
    const bool generated = !args.isEmpty() && args[0] == QLatin1String("--values");
    if (generated)
        args.removeFirst();
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_regfile [--work DIR] [--keep] [--runs R] --values N [N ...] | FILE.reg ...\n"
                             "  each size: the baseline bulk load, ImportRegFile into a new store and ExportRegFile\n"
                             "  of the branch, each in a process of its own; --keep leaves the stores and exports\n");
        return 1;
    }
    QTemporaryDir tmp(work + QStringLiteral("/bench-XXXXXX"));
    // an invalid folder's paths are empty, and removing "" would remove the current directory
    if (!tmp.isValid()) {
        std::fprintf(stderr, "cannot create a work folder in %s: %s\n", qPrintable(work),
                     qPrintable(tmp.errorString()));
        return 2;
    }
    tmp.setAutoRemove(!keep);
    bool allOk = true;
    for (const QString& arg : std::as_const(args)) {
        const QString file = generated ? generate(arg.toLongLong(), tmp.path()) : arg;
        if (file.isEmpty() || !QFileInfo::exists(file)) {
            std::fprintf(stderr, "no input file %s\n", qPrintable(arg));
            return 1;
        }
        const QString dir = tmp.filePath(QFileInfo(file).completeBaseName());
        QDir().mkpath(dir);
        QList<PhaseResult> bases, imports, exports;
        QString ratios;
        for (int run = 0; run < runs; ++run) {
            // each run starts from nothing, as the first did
            for (const QString& left : QDir(dir).entryList(QDir::Files))
                QFile::remove(dir + u'/' + left);
            bases.append(childPhase(QStringLiteral("baseline"), file, dir));
            imports.append(childPhase(QStringLiteral("import"), file, dir));
            exports.append(childPhase(QStringLiteral("export"), file, dir));
            ratios += QStringLiteral(" %1").arg(imports.last().seconds / bases.last().seconds, 0, 'f', 2);
        }
        const PhaseResult base = median(bases);
        const QString medians = runs > 1 ? QStringLiteral(", medians of %1 runs").arg(runs) : QString();
        std::printf("%s: %.1f MB, %lld values%s\n", qPrintable(file), double(QFileInfo(file).size()) / 1e6,
                    qlonglong(base.values), qPrintable(medians));
        printPhase("baseline", base, base.values, base);
        printPhase("import", median(imports), base.values, base);
        printPhase("export", median(exports), base.values, base);
        if (runs > 1)
            std::printf("  import/baseline of each run:%s\n", qPrintable(ratios));
        std::printf("  export: %.1f MB\n", double(QFileInfo(dir + QStringLiteral("/export.reg")).size()) / 1e6);
        if (keep)
            std::printf("  kept in %s\n", qPrintable(dir));
        else
            QDir(dir).removeRecursively();
        std::fflush(stdout);
        for (int run = 0; run < runs; ++run)
            allOk = allOk && bases[run].ok && imports[run].ok && exports[run].ok;
    }
    return allOk ? 0 : 1;
}
