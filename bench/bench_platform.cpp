// Measures the platform layer against hand-written SQLite over the same data, in the same run:
// bulk creation, full walk, deep open + read, and enumeration growth.
// Every size given is measured on its own, each phase in a process of its own (its peak memory is its own).
//   bench_platform [--work DIR] FILE.reg [FILE.reg ...]   (FILEs from gen_regfile.py --values N --seed 1)

#include "RegFileData.h"

#include "platform/WinReg.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

double seconds(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

// --- baseline: the least a program must do to keep keys and values in SQLite ---

struct Baseline {
    sqlite3* db = nullptr;
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
    }
    ~Baseline() { sqlite3_close(db); }
};

double baselineLoad(Baseline& b, const QVector<BenchKey>& keys)
{
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* insKey = nullptr;
    sqlite3_stmt* insVal = nullptr;
    sqlite3_prepare_v2(b.db, "INSERT INTO keys(parent, name) VALUES(?,?)", -1, &insKey, nullptr);
    sqlite3_prepare_v2(b.db, "INSERT INTO vals(key, name, type, data) VALUES(?,?,?,?)", -1, &insVal, nullptr);
    QHash<QString, qint64> ids;
    sqlite3_exec(b.db, "BEGIN", nullptr, nullptr, nullptr);
    for (const BenchKey& k : keys) {
        // create missing parents the same way the API does
        const QStringList parts = k.path.split(QLatin1Char('\\'));
        qint64 parent = 0;
        QString path;
        for (const QString& p : parts) {
            path += path.isEmpty() ? p : QLatin1Char('\\') + p;
            const QString up = path.toUpper();
            auto it = ids.find(up);
            if (it == ids.end()) {
                sqlite3_bind_int64(insKey, 1, parent);
                sqlite3_bind_text16(insKey, 2, p.utf16(), int(p.size() * 2), SQLITE_STATIC);
                sqlite3_step(insKey);
                sqlite3_reset(insKey);
                it = ids.insert(up, sqlite3_last_insert_rowid(b.db));
            }
            parent = it.value();
        }
        for (const BenchValue& v : k.values) {
            sqlite3_bind_int64(insVal, 1, parent);
            sqlite3_bind_text16(insVal, 2, v.name.utf16(), int(v.name.size() * 2), SQLITE_STATIC);
            sqlite3_bind_int64(insVal, 3, v.type);
            sqlite3_bind_blob(insVal, 4, v.data.constData(), int(v.data.size()), SQLITE_STATIC);
            sqlite3_step(insVal);
            sqlite3_reset(insVal);
        }
    }
    sqlite3_exec(b.db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_finalize(insKey);
    sqlite3_finalize(insVal);
    return seconds(t);
}

double baselineWalk(Baseline& b, qint64* values)
{
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* kids = nullptr;
    sqlite3_stmt* vals = nullptr;
    sqlite3_prepare_v2(b.db, "SELECT id, name FROM keys WHERE parent=? ORDER BY name", -1, &kids, nullptr);
    sqlite3_prepare_v2(b.db, "SELECT name, type, data FROM vals WHERE key=? ORDER BY id", -1, &vals, nullptr);
    QVector<qint64> stack{0};
    qint64 n = 0;
    qint64 bytes = 0;
    while (!stack.isEmpty()) {
        const qint64 id = stack.takeLast();
        sqlite3_bind_int64(kids, 1, id);
        while (sqlite3_step(kids) == SQLITE_ROW) {
            stack.append(sqlite3_column_int64(kids, 0));
            bytes += QString(static_cast<const QChar*>(sqlite3_column_text16(kids, 1)),
                             sqlite3_column_bytes16(kids, 1) / 2)
                         .size();
        }
        sqlite3_reset(kids);
        sqlite3_bind_int64(vals, 1, id);
        while (sqlite3_step(vals) == SQLITE_ROW) {
            const QString name(static_cast<const QChar*>(sqlite3_column_text16(vals, 0)),
                               sqlite3_column_bytes16(vals, 0) / 2);
            const QByteArray data(static_cast<const char*>(sqlite3_column_blob(vals, 2)),
                                  sqlite3_column_bytes(vals, 2));
            bytes += name.size() + data.size() + sqlite3_column_int(vals, 1);
            ++n;
        }
        sqlite3_reset(vals);
    }
    sqlite3_finalize(kids);
    sqlite3_finalize(vals);
    *values = n;
    return seconds(t) + double(bytes % 2) * 1e-12;
}

// --- through the API ---

double apiLoad(const QVector<BenchKey>& keys)
{
    QElapsedTimer t;
    t.start();
    RegBatch batch(HKEY_CURRENT_USER);
    for (const BenchKey& k : keys) {
        HKEY h = 0;
        DWORD disp = 0;
        if (RegCreateKeyEx(HKEY_CURRENT_USER, k.path, 0, {}, 0, KEY_ALL_ACCESS, nullptr, &h, &disp) != ERROR_SUCCESS) {
            std::fprintf(stderr, "create failed: %s\n", qPrintable(k.path));
            continue;
        }
        for (const BenchValue& v : k.values)
            (void)RegSetValueBytes(h, v.name, v.type, v.data);
        RegCloseKey(h);
    }
    const LONG end = batch.end();
    if (end != ERROR_SUCCESS)
        std::fprintf(stderr, "the batch failed to commit: %d\n", int(end));
    return seconds(t);
}

void walk(HKEY key, qint64* values, qint64* bytes)
{
    QString name;
    DWORD type = 0;
    QByteArray data;
    for (DWORD i = 0; RegEnumValueBytes(key, i, &name, 16384, &type, nullptr) == ERROR_SUCCESS; ++i) {
        if (RegQueryValueBytes(key, name, &type, &data) == ERROR_SUCCESS) {
            ++*values;
            *bytes += data.size() + name.size();
        }
    }
    for (DWORD i = 0;; ++i) {
        DWORD cch = 256;
        if (RegEnumKeyEx(key, i, &name, &cch, nullptr) != ERROR_SUCCESS)
            break;
        HKEY sub = 0;
        if (RegOpenKeyEx(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            walk(sub, values, bytes);
            RegCloseKey(sub);
        }
    }
}

double apiWalk(qint64* values)
{
    QElapsedTimer t;
    t.start();
    qint64 bytes = 0;
    *values = 0;
    HKEY root = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, {}, 0, KEY_READ, &root) == ERROR_SUCCESS) {
        walk(root, values, &bytes);
        RegCloseKey(root);
    }
    return seconds(t);
}

double deepOpenAndRead(const QVector<BenchKey>& keys, int* samples)
{
    QVector<const BenchKey*> deep;
    for (const BenchKey& k : keys) {
        if (k.path.count(QLatin1Char('\\')) == 7 && !k.values.isEmpty())
            deep.append(&k);
    }
    *samples = 0;
    if (deep.isEmpty())
        return 0;
    const int rounds = 200000;
    QElapsedTimer t;
    t.start();
    QByteArray data;
    for (int i = 0; i < rounds; ++i) {
        const BenchKey* k = deep.at(i % deep.size());
        HKEY h = 0;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, k->path, 0, KEY_READ, &h) == ERROR_SUCCESS) {
            (void)RegQueryValueBytes(h, k->values.first().name, nullptr, &data);
            RegCloseKey(h);
        }
    }
    *samples = rounds;
    return seconds(t) / rounds;
}

// Time to enumerate a key holding n subkeys and n values.
double enumerate(int n)
{
    HKEY k = 0;
    DWORD disp = 0;
    const QString path = QStringLiteral("Software\\Wide%1").arg(n);
    (void)RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, {}, 0, KEY_ALL_ACCESS, nullptr, &k, &disp);
    {
        RegBatch batch(k);
        for (int i = 0; i < n; ++i) {
            HKEY c = 0;
            (void)RegCreateKeyEx(k, QStringLiteral("sub%1").arg(i), 0, {}, 0, KEY_ALL_ACCESS, nullptr, &c, &disp);
            RegCloseKey(c);
            (void)RegSetValueBytes(k, QStringLiteral("val%1").arg(i), REG_DWORD, QByteArray(4, 'x'));
        }
    }
    RegCloseKey(k);
    (void)RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &k);
    QElapsedTimer t;
    t.start();
    QString name;
    DWORD type = 0;
    for (DWORD i = 0; RegEnumKey(k, i, &name, 256) == ERROR_SUCCESS; ++i) {
    }
    for (DWORD i = 0; RegEnumValueBytes(k, i, &name, 16384, &type, nullptr) == ERROR_SUCCESS; ++i) {
    }
    const double s = seconds(t);
    RegCloseKey(k);
    return s;
}

// Time to overwrite each of n values of a key while enumerating them (a replace over one key).
double writeWhileEnumerating(int n)
{
    HKEY k = 0;
    DWORD disp = 0;
    (void)RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Rewrite%1").arg(n), 0, {}, 0, KEY_ALL_ACCESS,
                         nullptr, &k, &disp);
    RegBatch batch(k);
    for (int i = 0; i < n; ++i)
        (void)RegSetValueBytes(k, QStringLiteral("val%1").arg(i), REG_DWORD, QByteArray(4, 'x'));
    QElapsedTimer t;
    t.start();
    QString name;
    DWORD type = 0;
    for (DWORD i = 0; RegEnumValueBytes(k, i, &name, 16384, &type, nullptr) == ERROR_SUCCESS; ++i)
        (void)RegSetValueBytes(k, name, REG_DWORD, QByteArray(4, 'y'));
    const double s = seconds(t);
    (void)batch.end();
    RegCloseKey(k);
    return s;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The phases of one size, each in a process of its own so that each peak memory is its own. Each prints
// one line of numbers after its name.
int runPhase(const QString& phase, const QString& file, const QString& dir)
{
    if (phase == QLatin1String("load")) {
        qint64 valueCount = 0;
        const QVector<BenchKey> keys = loadGeneratedRegFile(file, &valueCount);
        Baseline base(dir + QStringLiteral("/baseline.db"));
        const double baseLoad = baselineLoad(base, keys);
        if (RegOpenLocalStore(dir + QStringLiteral("/registry.db")) != ERROR_SUCCESS)
            return 1;
        const double load = apiLoad(keys);
        int samples = 0;
        const double deep = deepOpenAndRead(keys, &samples);
        RegShutdown();
        std::printf("load %lld %lld %.4f %.4f %.4f %d\n", qlonglong(keys.size()), qlonglong(valueCount), baseLoad,
                    load, deep * 1e6, samples);
        return 0;
    }
    if (phase == QLatin1String("basewalk")) {
        Baseline base(dir + QStringLiteral("/baseline.db"));
        qint64 values = 0;
        const double cpu = cpuSeconds();
        const double s = baselineWalk(base, &values);
        std::printf("basewalk %.4f %.4f %lld %ld\n", s, cpuSeconds() - cpu, qlonglong(values), peakKilobytes());
        return 0;
    }
    if (RegOpenLocalStore(dir + QStringLiteral("/registry.db")) != ERROR_SUCCESS)
        return 1;
    qint64 walked = 0;
    const double cpu = cpuSeconds();
    const double s = apiWalk(&walked);
    const double walkCpu = cpuSeconds() - cpu;
    const long peak = peakKilobytes();
    // written after the walk: the keys they add are not part of it
    const double e2500 = enumerate(2500);
    const double e10000 = enumerate(10000);
    const double w2500 = writeWhileEnumerating(2500);
    const double w10000 = writeWhileEnumerating(10000);
    RegShutdown();
    std::printf("walk %.4f %.4f %lld %ld %.6f %.6f %.6f %.6f\n", s, walkCpu, qlonglong(walked), peak, e2500, e10000,
                w2500, w10000);
    return 0;
}

QList<double> childPhase(const QString& phase, const QString& file, const QString& dir)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--phase"), phase, file, dir});
    child.waitForFinished(-1);
    QList<double> out;
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.value(0) != phase.toUtf8() || child.exitCode() != 0)
        return out;
    for (qsizetype i = 1; i < fields.size(); ++i)
        out.append(fields[i].toDouble());
    return out;
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
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_platform [--work DIR] FILE.reg [FILE.reg ...]\n");
        return 2;
    }
    QTemporaryDir tmp(work + QStringLiteral("/benchXXXXXX"));
    // an invalid folder's paths are empty, and removing "" would remove the current directory
    if (!tmp.isValid()) {
        std::fprintf(stderr, "cannot create a work folder in %s: %s\n", qPrintable(work),
                     qPrintable(tmp.errorString()));
        return 2;
    }
    for (const QString& file : std::as_const(args)) {
        const QString dir = tmp.filePath(QFileInfo(file).completeBaseName());
        QDir().mkpath(dir);
        const QList<double> load = childPhase(QStringLiteral("load"), file, dir);
        const QList<double> base = childPhase(QStringLiteral("basewalk"), file, dir);
        const QList<double> walk = childPhase(QStringLiteral("walk"), file, dir);
        if (load.size() != 6 || base.size() != 4 || walk.size() != 8) {
            std::fprintf(stderr, "%s: a phase failed\n", qPrintable(file));
            return 1;
        }
        const double values = load[1];
        std::printf("%s: %.0f keys, %.0f values\n", qPrintable(file), load[0], values);
        std::printf("  bulk creation : API %.2f s, baseline %.2f s, ratio %.2f (target <= 2)\n", load[3], load[2],
                    load[3] / load[2]);
        std::printf("  full walk     : API %.2f s (cpu %.2f s, %.0f values), %.2f us/value, peak %.0f MB; baseline "
                    "%.2f s (cpu %.2f s, %.0f values, peak %.0f MB); ratio %.2f (cpu %.2f)\n",
                    walk[0], walk[1], walk[2], walk[0] / values * 1e6, walk[3] / 1024, base[0], base[1], base[2],
                    base[3] / 1024, walk[0] / base[0], walk[1] / base[1]);
        std::printf("  open depth 8 + read one value: %.2f us per operation over %.0f operations (target <= 10 us)\n",
                    load[4], load[5]);
        std::printf("  enumeration of n subkeys and n values: n=2500 %.1f ms, n=10000 %.1f ms, growth %.2f for 4x n "
                    "(linear ~4, quadratic ~16)\n",
                    walk[4] * 1e3, walk[5] * 1e3, walk[5] / walk[4]);
        std::printf("  overwriting each value while enumerating: n=2500 %.1f ms, n=10000 %.1f ms, growth %.2f for 4x "
                    "n\n",
                    walk[6] * 1e3, walk[7] * 1e3, walk[7] / walk[6]);
        std::fflush(stdout);
        QDir(dir).removeRecursively();
    }
    return 0;
}
