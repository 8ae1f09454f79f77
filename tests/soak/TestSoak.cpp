// Two kaven-reg writers and a watch on one store, each killed (SIGKILL) and restarted at random. At the
// end SQLite must find the store intact, every change a writer reported done must be there, every
// value a finished deletion removed must be gone, and the store must take writes. KAVEN_SOAK_SECONDS
// sets the length (scripts/soak.sh runs it for minutes), KAVEN_SOAK_SEED repeats a run.

#include "platform/WinReg.h"

#include <QtTest>

#include <sqlite3.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Root = u"HKEY_CURRENT_USER\\Software\\Soak"_s;
constexpr int ImportValues = 200;

// A value a writer sets, or deletes.
struct Change {
    QString key; // below HKEY_CURRENT_USER
    QString name;
    QByteArray data; // empty for a deletion
};

// One process slot that is started again whenever its process ends, killed or not.
class Worker final {
public:
    explicit Worker(QString name) : m_name(std::move(name)) {}

    const QString& name() const { return m_name; }
    QProcess& process() { return *m_process; }
    bool running() const { return m_process && m_process->state() != QProcess::NotRunning; }

    void start(const QString& store, const QStringList& command)
    {
        // Called from the finished signal of the process before: that one goes when control is back.
        if (m_process)
            m_process.release()->deleteLater();
        m_process = std::make_unique<QProcess>();
        m_process->setProcessChannelMode(QProcess::MergedChannels);
        m_process->start(QStringLiteral(KAVEN_REG_TOOL), QStringList{u"--registry"_s, store} + command);
    }
    // The process ended by itself with success (not killed, exit code 0).
    bool succeeded() const
    {
        return m_process->exitStatus() == QProcess::NormalExit && m_process->exitCode() == 0;
    }
    void kill()
    {
        if (running())
            m_process->kill();
    }

private:
    QString m_name;
    std::unique_ptr<QProcess> m_process;
};

// What the writers reported done, and what they only tried.
struct Ledger {
    QList<Change> added;       // reported done
    QSet<QString> deleteTried; // key + "\n" + name of every deletion started
    QList<Change> deleted;     // reported done
    int killed = 0;
    int runs = 0;
};

QString id(const Change& c)
{
    return c.key + u'\n' + c.name;
}

// The change number n of writer w: mostly values in the writer's own keys and in one shared key, every
// tenth a deletion of a value set five changes earlier, and (writer B) every seventh an import of a
// file with many values, which runs in one batch.
struct Plan {
    QStringList command;
    QList<Change> changes;
    bool deletion = false;
};

Plan planFor(const QString& writer, int n, const QString& dir)
{
    Plan plan;
    const QString own = u"Software\\Soak\\%1\\k%2"_s.arg(writer).arg(n / 50);
    if (n % 10 == 9 && n >= 5) {
        const int earlier = n - 5;
        const Change c{u"Software\\Soak\\%1\\k%2"_s.arg(writer).arg(earlier / 50), u"v%1"_s.arg(earlier), {}};
        plan.command = {u"delete"_s, u"HKEY_CURRENT_USER\\"_s + c.key, u"/v"_s, c.name, u"/f"_s};
        plan.changes = {c};
        plan.deletion = true;
        return plan;
    }
    if (writer == u"B"_s && n % 7 == 6) {
        const QString key = u"Software\\Soak\\Import%1"_s.arg(n);
        QByteArray file = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + key.toUtf8() + "]\r\n";
        for (int i = 0; i < ImportValues; ++i) {
            const Change c{key, u"i%1"_s.arg(i), QByteArray::number(n * 1000 + i)};
            file += "\"" + c.name.toUtf8() + "\"=\"" + c.data + "\"\r\n";
            plan.changes.append(c);
        }
        const QString path = dir + u"/import%1.reg"_s.arg(n);
        QFile out(path);
        if (out.open(QIODevice::WriteOnly))
            out.write(file);
        plan.command = {u"import"_s, path};
        return plan;
    }
    const bool shared = n % 5 == 2;
    const Change c{shared ? u"Software\\Soak\\Shared"_s : own, u"%1%2"_s.arg(shared ? writer : u"v"_s).arg(n),
                   QByteArray::number(n)};
    plan.command = {u"add"_s, u"HKEY_CURRENT_USER\\"_s + c.key, u"/v"_s, c.name, u"/d"_s, QString::fromUtf8(c.data),
                    u"/f"_s};
    plan.changes = {c};
    return plan;
}

// SQLite's own verdict on the file, through a connection of its own.
QByteArray integrityCheck(const QString& path)
{
    sqlite3* db = nullptr;
    QByteArray verdict = "cannot open";
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        const auto row = [](void* out, int, char** values, char**) {
            *static_cast<QByteArray*>(out) = values[0] ? values[0] : "";
            return 0;
        };
        if (sqlite3_exec(db, "PRAGMA integrity_check", row, &verdict, nullptr) != SQLITE_OK)
            verdict = sqlite3_errmsg(db);
    }
    sqlite3_close(db);
    return verdict;
}

// The data of a value below HKEY_CURRENT_USER, or "<missing>".
QByteArray valueOf(const Change& c)
{
    HKEY key = 0;
    QByteArray data = "<missing>";
    if (RegOpenKeyEx(HKEY_CURRENT_USER, c.key, 0, KEY_READ, &key) == ERROR_SUCCESS
        && RegQueryValueBytes(key, c.name, nullptr, &data) != ERROR_SUCCESS)
        data = "<missing>";
    RegCloseKey(key);
    while (data.endsWith('\0')) // string data keep their terminator
        data.chop(1);
    return data;
}

} // namespace

class TestSoak final : public QObject {
    Q_OBJECT
private slots:
    void killedWritersAndWatchLeaveAConsistentStore()
    {
        RegShutdown();
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString store = dir.filePath(u"registry.db"_s);
        qputenv("XDG_DATA_HOME", dir.path().toUtf8());
        const int seconds =
            qEnvironmentVariableIsSet("KAVEN_SOAK_SECONDS") ? qEnvironmentVariableIntValue("KAVEN_SOAK_SECONDS") : 20;
        const quint32 seed = qEnvironmentVariableIsSet("KAVEN_SOAK_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("KAVEN_SOAK_SEED"))
                                 : QRandomGenerator::global()->generate();
        qInfo("Dauer %d s, KAVEN_SOAK_SEED=%u", seconds, seed);
        QRandomGenerator random(seed);

        // The store exists before the processes race to create it.
        {
            Worker first(u"setup"_s);
            first.start(store, {u"add"_s, Root});
            QVERIFY(first.process().waitForFinished(60000));
            QVERIFY(first.succeeded());
        }

        Ledger ledger;
        Worker writerA(u"A"_s), writerB(u"B"_s), watch(u"watch"_s);
        QHash<Worker*, Plan> current;
        QHash<Worker*, int> next;
        bool stopping = false;
        QElapsedTimer clock;
        clock.start();
        int watchReports = 0;

        std::function<void(Worker*)> launch = [&](Worker* w) {
            if (stopping)
                return;
            if (w == &watch) {
                w->start(store, {u"watch"_s, Root, u"/s"_s, u"/t"_s, u"3"_s});
            } else {
                const Plan plan = planFor(w->name(), next[w]++, dir.path());
                if (plan.deletion)
                    for (const Change& c : plan.changes)
                        ledger.deleteTried.insert(id(c));
                current[w] = plan;
                w->start(store, plan.command);
            }
            QObject::connect(&w->process(), &QProcess::finished, this, [&, w] {
                ++ledger.runs;
                if (w == &watch) {
                    watchReports += int(w->process().readAll().count('\t'));
                } else if (w->succeeded()) {
                    const Plan& plan = current[w];
                    (plan.deletion ? ledger.deleted : ledger.added) += plan.changes;
                }
                launch(w);
            });
        };
        // However the test ends, no process outlives it and none is started again.
        const auto stopAll = qScopeGuard([&] {
            stopping = true;
            for (Worker* w : {&writerA, &writerB, &watch}) {
                if (!w->running())
                    continue;
                w->process().disconnect();
                w->kill();
                w->process().waitForFinished(60000);
            }
        });
        for (Worker* w : {&writerA, &writerB, &watch})
            launch(w);

        QTimer killer;
        killer.setSingleShot(true);
        QObject::connect(&killer, &QTimer::timeout, this, [&] {
            Worker* const victims[] = {&writerA, &writerB, &watch};
            Worker* victim = victims[random.bounded(3)];
            if (victim->running()) {
                victim->kill();
                ++ledger.killed;
            }
            killer.start(int(random.bounded(100, 900)));
        });
        killer.start(100);
        QTRY_VERIFY_WITH_TIMEOUT(clock.elapsed() >= seconds * 1000, (seconds + 10) * 1000);
        stopping = true;
        killer.stop();
        for (Worker* w : {&writerA, &writerB, &watch})
            if (w->running())
                QVERIFY(w->process().waitForFinished(60000));

        qInfo("%d Läufe, %d getötet, %lld Änderungen und %lld Löschungen bestätigt, %d Meldungen der Überwachung",
              ledger.runs, ledger.killed, qint64(ledger.added.size()), qint64(ledger.deleted.size()), watchReports);
        QVERIFY(ledger.killed > 0);
        QVERIFY(!ledger.added.isEmpty());

        QCOMPARE(integrityCheck(store), QByteArray("ok"));
        QCOMPARE(RegOpenLocalStore(store), ERROR_SUCCESS);
        for (const Change& c : std::as_const(ledger.added))
            if (!ledger.deleteTried.contains(id(c)))
                QCOMPARE(valueOf(c), c.data);
        for (const Change& c : std::as_const(ledger.deleted))
            QCOMPARE(valueOf(c), QByteArray("<missing>"));
        QCOMPARE(RegSetValueBytes(HKEY_CURRENT_USER, u"afterSoak"_s, REG_SZ, "x"), ERROR_SUCCESS);
        RegShutdown();
    }
};

QTEST_GUILESS_MAIN(TestSoak)
#include "TestSoak.moc"
