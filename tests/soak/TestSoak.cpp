// Two kaven-reg writers and a watch on one store, each killed (SIGKILL) and restarted at random. At the
// end SQLite must find the store intact, every change a writer reported done must be there, every
// value a finished deletion removed must be gone, and the store must take writes. KAVEN_SOAK_SECONDS
// sets the length (scripts/soak.sh runs it for minutes), KAVEN_SOAK_SEED repeats a run.

#include "platform/StoreProbe.h"
#include "support/TestFiles.h"

#include <QtTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using StoreProbe::valueOf;

namespace {

const QString Root = u"HKEY_CURRENT_USER\\Software\\Soak"_s;
constexpr int ImportValues = 200;

// A value a writer sets, or deletes.
struct Change {
    QString key; // below HKEY_CURRENT_USER
    QString name;
    QByteArray data; // empty for a deletion
};

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
    const auto own = [&writer](int change) { return u"Software\\Soak\\%1\\k%2"_s.arg(writer).arg(change / 50); };
    if (n % 10 == 9) {
        const Change c{own(n - 5), u"v%1"_s.arg(n - 5), {}};
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
        (void)writeFile(path, file); // a file not written fails the import, which then counts as not done
        plan.command = {u"import"_s, path};
        return plan;
    }
    const bool shared = n % 5 == 2;
    const Change c{shared ? u"Software\\Soak\\Shared"_s : own(n), u"%1%2"_s.arg(shared ? writer : u"v"_s).arg(n),
                   QByteArray::number(n)};
    plan.command = {u"add"_s, u"HKEY_CURRENT_USER\\"_s + c.key, u"/v"_s, c.name, u"/d"_s, QString::fromUtf8(c.data),
                    u"/f"_s};
    plan.changes = {c};
    return plan;
}

// One process slot, started again whenever its process ends, killed or not.
struct Worker {
    QString name;
    std::unique_ptr<QProcess> process{};
    Plan plan{}; // of a writer: what its process does
    int next = 0;
    bool running() const { return process && process->state() != QProcess::NotRunning; }
    bool succeeded() const { return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0; }
};

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
        QCOMPARE(QProcess::execute(QStringLiteral(KAVEN_REG_TOOL), {u"--registry"_s, store, u"add"_s, Root}), 0);

        QList<Change> added, deleted; // reported done
        QSet<std::pair<QString, QString>> deleteTried; // key and name of every deletion started
        int killed = 0, runs = 0, watchReports = 0;
        Worker workers[3] = {{u"A"_s}, {u"B"_s}, {u"watch"_s}};
        Worker* const watch = &workers[2];
        bool stopping = false;
        QElapsedTimer clock;
        clock.start();
        std::function<void(Worker*)> launch = [&](Worker* w) {
            if (stopping)
                return;
            QStringList command{u"watch"_s, Root, u"/s"_s, u"/t"_s, u"3"_s};
            if (w != watch) {
                w->plan = planFor(w->name, w->next++, dir.path());
                if (w->plan.deletion)
                    for (const Change& c : std::as_const(w->plan.changes))
                        deleteTried.insert({c.key, c.name});
                command = w->plan.command;
            }
            // Called from the finished signal of the process before: that one goes when control is back.
            if (w->process)
                w->process.release()->deleteLater();
            w->process = std::make_unique<QProcess>();
            w->process->setProcessChannelMode(QProcess::MergedChannels);
            w->process->start(QStringLiteral(KAVEN_REG_TOOL), QStringList{u"--registry"_s, store} + command);
            QObject::connect(w->process.get(), &QProcess::finished, this, [&, w] {
                ++runs;
                if (w == watch)
                    watchReports += int(w->process->readAll().count('\t'));
                else if (w->succeeded())
                    (w->plan.deletion ? deleted : added) += w->plan.changes;
                launch(w);
            });
        };
        // However the test ends, no process outlives it and none is started again.
        const auto stopAll = qScopeGuard([&] {
            stopping = true;
            for (Worker& w : workers) {
                if (!w.running())
                    continue;
                w.process->disconnect();
                w.process->kill();
                w.process->waitForFinished(60000);
            }
        });
        for (Worker& w : workers)
            launch(&w);

        QTimer killer;
        killer.setSingleShot(true);
        QObject::connect(&killer, &QTimer::timeout, this, [&] {
            Worker& victim = workers[random.bounded(3)];
            if (victim.running()) {
                victim.process->kill();
                ++killed;
            }
            killer.start(int(random.bounded(100, 900)));
        });
        killer.start(100);
        QTRY_VERIFY_WITH_TIMEOUT(clock.elapsed() >= seconds * 1000, (seconds + 10) * 1000);
        stopping = true;
        killer.stop();
        for (Worker& w : workers)
            if (w.running())
                QVERIFY(w.process->waitForFinished(60000));

        qInfo("%d Läufe, %d getötet, %lld Änderungen und %lld Löschungen bestätigt, %d Meldungen der Überwachung",
              runs, killed, qint64(added.size()), qint64(deleted.size()), watchReports);
        QVERIFY(killed > 0);
        QVERIFY(!added.isEmpty());

        QCOMPARE(StoreProbe::sqlValue(store, "PRAGMA integrity_check"), 1); // "ok"
        QCOMPARE(RegOpenLocalStore(store), ERROR_SUCCESS);
        for (const Change& c : std::as_const(added))
            if (!deleteTried.contains({c.key, c.name}))
                QCOMPARE(valueOf(c.key, c.name), c.data + '\0');
        for (const Change& c : std::as_const(deleted))
            QCOMPARE(valueOf(c.key, c.name), QByteArray("missing"));
        QCOMPARE(RegSetValueBytes(HKEY_CURRENT_USER, u"afterSoak"_s, REG_SZ, "x"), ERROR_SUCCESS);
        RegShutdown();
    }
};

QTEST_GUILESS_MAIN(TestSoak)
#include "TestSoak.moc"
