// Registry-file import and export against a minimal hand-written SQLite bulk load of the same keys and
// values, measured in the same run, with the peak memory of each phase.
//   bench_regfile --values N [WORKDIR]   generates the file with gen_regfile.py --values N --seed 1
//   bench_regfile FILE.reg [WORKDIR]

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

// The resident memory now, split into heap (anonymous) and mapped files (the store's memory map).
QByteArray residentNow()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return QByteArray();
    QByteArray out;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("RssAnon:") || line.startsWith("RssFile:"))
            out += " " + line.simplified();
    }
    return out;
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

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_regfile --values N | FILE.reg [WORKDIR]\n");
        return 1;
    }
    const bool generated = args[1] == QLatin1String("--values");
    const int workIndex = generated ? 3 : 2;
    QTemporaryDir tmp(args.size() > workIndex ? args[workIndex] + QStringLiteral("/bench-XXXXXX")
                                              : QDir::tempPath() + QStringLiteral("/bench-XXXXXX"));
    const QString file = generated ? generate(args.value(2).toInt(), tmp.path()) : args[1];
    if (file.isEmpty() || !QFileInfo::exists(file)) {
        std::fprintf(stderr, "no input file\n");
        return 1;
    }
    const double megabytes = double(QFileInfo(file).size()) / 1e6;
    std::printf("input %s: %.1f MB\n", qPrintable(file), megabytes);

    QElapsedTimer t;
    t.start();
    const qint64 baselineValues = baselineImport(file, tmp.filePath(QStringLiteral("baseline.db")));
    const double baseline = seconds(t);
    std::printf("baseline SQLite bulk load (read, parse, insert): %.2f s, %lld values, peak %ld MB\n", baseline,
                baselineValues, peakMegabytes());

    if (RegOpenLocalStore(tmp.filePath(QStringLiteral("registry.db"))) != ERROR_SUCCESS) {
        std::fprintf(stderr, "cannot open store\n");
        return 1;
    }
    NullProgress progress;
    t.restart();
    const bool imported = ImportRegFile(file, progress);
    const double import = seconds(t);
    std::printf("ImportRegFile: %.2f s (%s), %.1f MB/s, %.2fx baseline, peak %ld MB, now%s\n", import,
                imported ? "ok" : qPrintable(QStringLiteral("failed: ") + LastRegFileError()), megabytes / import,
                import / baseline, peakMegabytes(), residentNow().constData());

    const QString exported = tmp.filePath(QStringLiteral("export.reg"));
    t.restart();
    const bool complete = ExportRegFile(exported, QStringLiteral("HKEY_CURRENT_USER\\Software\\Bench"), progress);
    const double exportTime = seconds(t);
    std::printf("ExportRegFile: %.2f s (%s), %.1f MB written, %.2fx baseline load, peak %ld MB, now%s\n",
                exportTime, complete ? "ok" : "incomplete", double(QFileInfo(exported).size()) / 1e6,
                exportTime / baseline, peakMegabytes(), residentNow().constData());
    RegShutdown();
    return imported && complete ? 0 : 1;
}
