// Another machine's registry over a real ssh connection: a test sshd on 127.0.0.1 runs kaven-regserve
// on a store of its own. Machine names, switching, copies of keys between the machines, export and
// comparison over the connection, a server killed in the middle, and kaven-reg --machine.

#include "SshServer.h"
#include "changes/CompareWithAnalysisFile.h"
#include "changes/WriteAnalysisFile.h"
#include "regfile/RegFileUtils.h"
#include "registry/RegKeyUtils.h"
#include "registry/RegTestKeys.h"
#include "registry/RegUtils.h"
#include "support/ScriptedProgress.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>
#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

namespace {

const QString Machine = u"\\\\127.0.0.1"_s;
const QString Cu = u"HKEY_CURRENT_USER\\"_s;

// HKEY_CURRENT_USER of the remote machine, for the tests' own reads and writes there.
struct RemoteRoot {
    HKEY handle = 0;
    LONG rc = RegConnectRegistry(Machine, HKEY_CURRENT_USER, &handle);
    ~RemoteRoot() { RegCloseKey(handle); }
};

QByteArray exported(const QString& file, const QString& keyPath)
{
    NullProgress progress;
    const RegFileResult result = ExportRegFileResult(file, keyPath, progress);
    QFile f(file);
    return result.ok && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("failed: " + result.text.toUtf8());
}

// A branch with every kind of value the registry keeps.
bool makeBranch(const QString& sub, HKEY root)
{
    const QByteArray binary("\0\x01\xFF\0", 4);
    return setValue(sub, QString(), REG_SZ, sz("Standard"), root)
           && setValue(sub, u"Zahl"_s, REG_DWORD, "\x2A\0\0\0", root)
           && setValue(sub, u"Binär"_s, REG_BINARY, binary, root)
           && setValue(sub, u"Ünïcödé €"_s, REG_MULTI_SZ, QByteArray("eins\0zwei\0\0", 11), root)
           && setValue(sub, QString(300, u'L'), REG_EXPAND_SZ, sz("%PATH%"), root)
           && setValue(sub + u"\\Unter\\Tief"_s, u"w"_s, REG_SZ, sz("unten"), root) && makeKey(sub + u"\\Leer"_s);
}

} // namespace

class TestRemoteMachine final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString error = m_ssh.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(m_fixture.start());
        m_ssh.serveStore(m_fixture.store->otherStorePath(u"fern"_s));
    }
    void cleanup() { m_fixture.stop(); }

    // Names that reach the test's machine (UNC, bare, with the user) and names that must not: an unknown user
    // or host, and what an ssh command line would take for an option or a second word.
    void connectByName()
    {
        const QString user = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
        const std::pair<QString, bool> cases[] = {
            {Machine, true}, {u"127.0.0.1"_s, true}, {u"\\\\%1@127.0.0.1"_s.arg(user), true},
            {u"\\\\kein_solcher_nutzer@127.0.0.1"_s, false}, {u"\\\\kein-rechner.invalid"_s, false},
            {u"\\\\-oProxyCommand=touch_%1"_s.arg(QDir::tempPath()), false}, {u"\\\\127.0.0.1 touch"_s, false}};
        for (const auto& [name, connects] : cases) {
            HKEY root = 0;
            const LONG rc = RegConnectRegistry(name, HKEY_LOCAL_MACHINE, &root);
            QVERIFY2(rc == (connects ? ERROR_SUCCESS : ERROR_BAD_NETPATH), qPrintable(name));
            if (rc == ERROR_SUCCESS) {
                QVERIFY(exists(u"SOFTWARE"_s, root)); // the remote store's skeleton
                RegCloseKey(root);
            }
        }
    }
    // Each machine shows its own registry; leaving a machine closes its connection, coming back makes a
    // new one.
    void switchingMachines()
    {
        QVERIFY(SelectMachine(Machine));
        QCOMPARE(CreateKeyPath(Cu + u"Software\\NurFern"_s, true), RegResult::Success);
        const qint64 first = m_ssh.regservePid();
        QVERIFY(processAlive(first));
        QVERIFY(SelectMachine(LocalMachineWord));
        QVERIFY(!KeyExists(Cu + u"Software\\NurFern"_s));
        QTRY_VERIFY(!processAlive(first));
        QVERIFY(SelectMachine(Machine));
        QVERIFY(KeyExists(Cu + u"Software\\NurFern"_s));
        QVERIFY(m_ssh.regservePid() != first);
        QVERIFY(KeyExistsOn(QString(), Cu + u"Software"_s));
        QVERIFY(!KeyExistsOn(QString(), Cu + u"Software\\NurFern"_s));
    }
    // Copy and paste of keys between the machines goes through CopyKey with both machine names; the copy
    // made local -> remote -> local exports as the original, and so does the remote one over the connection.
    void copyKeyToRemoteAndBack()
    {
        QVERIFY(makeBranch(u"Software\\Quelle"_s, HKEY_CURRENT_USER));
        const QString dir = m_fixture.store->dirPath();
        const QByteArray original = exported(dir + u"/a.reg"_s, Cu + u"Software\\Quelle"_s);
        NullProgress progress;
        QVERIFY(CreateKeyPath(Cu + u"Software\\Zurück"_s, true) == RegResult::Success);
        QVERIFY(CopyKey(QString(), Machine, Cu + u"Software\\Quelle"_s, false, Cu + u"Software"_s, progress));
        QVERIFY(CopyKey(Machine, QString(), Cu + u"Software\\Quelle"_s, false, Cu + u"Software\\Zurück"_s, progress));
        QByteArray back = exported(dir + u"/b.reg"_s, Cu + u"Software\\Zurück\\Quelle"_s);
        QCOMPARE(back.replace("Software\\Zur\xFC" "ck\\Quelle", "Software\\Quelle"), original);
        CurrentMachine() = Machine;
        QCOMPARE(exported(dir + u"/c.reg"_s, Cu + u"Software\\Quelle"_s), original);
        QVERIFY(m_fixture.sink->texts().isEmpty());
    }
    void comparisonOverConnection()
    {
        RemoteRoot remote;
        QCOMPARE(remote.rc, ERROR_SUCCESS);
        QVERIFY(setValue(u"Software\\V\\A"_s, u"a"_s, REG_SZ, sz("1"), remote.handle));
        QVERIFY(setValue(u"Software\\V\\B"_s, u"b"_s, REG_SZ, sz("2"), remote.handle));
        CurrentMachine() = Machine;
        const QString rec = m_fixture.store->dirPath() + u"/v.rec"_s;
        NullProgress progress;
        QVERIFY(WriteAnalysisFileResult(rec, Cu + u"Software\\V"_s, progress).ok());
        QVERIFY(setValue(u"Software\\V\\A"_s, u"a"_s, REG_SZ, sz("geändert"), remote.handle));
        QVERIFY(setValue(u"Software\\V\\A"_s, u"neu"_s, REG_DWORD, "\1\0\0\0", remote.handle));
        QCOMPARE(DeleteKeyPath(Cu + u"Software\\V\\B"_s, true), RegResult::Success);
        ChangeList list;
        QCOMPARE(CompareWithAnalysisFile(rec, list, {}, progress).status, CompareOutcome::Status::Completed);
        QStringList rows;
        for (const ChangeRow& row : list.rows())
            rows << row.comment + u" | "_s + row.valueText + u" | "_s + row.keyText;
        rows.sort();
        QCOMPARE(rows, QStringList({u"Daten wurden geändert | a | HKEY_CURRENT_USER\\Software\\V\\A"_s,
                                    u"Schlüssel wurde entfernt |  | HKEY_CURRENT_USER\\Software\\V\\B"_s,
                                    u"Wert wurde entfernt | b | HKEY_CURRENT_USER\\Software\\V\\B"_s,
                                    u"Wert wurde erstellt | neu | HKEY_CURRENT_USER\\Software\\V\\A"_s}));
    }
    // A server gone answers the open handles as no connection, in the middle of a copy too; the next
    // operation connects again and finds what was written before.
    void killedServer()
    {
        for (int i = 0; i < 30; ++i)
            QVERIFY(setValue(u"Software\\Viel\\K%1"_s.arg(i), u"w"_s, REG_SZ, sz("x")));
        RemoteRoot remote;
        QCOMPARE(remote.rc, ERROR_SUCCESS);
        OpenedKey key;
        QVERIFY(createKey(key, u"Software\\Fern"_s, remote.handle));
        QVERIFY(::kill(pid_t(m_ssh.regservePid()), SIGKILL) == 0);
        QCOMPARE(RegSetValueBytes(key.handle, u"x"_s, REG_SZ, sz("y")), ERROR_BAD_NETPATH);
        QCOMPARE(
            RegCreateKeyEx(remote.handle, u"Software\\B"_s, 0, {}, 0, KEY_ALL_ACCESS, nullptr, &key.handle, nullptr),
            ERROR_BAD_NETPATH);

        ScriptedProgress progress;
        progress.setOnStep([this](int step) {
            if (step == 20)
                (void)::kill(pid_t(m_ssh.regservePid()), SIGKILL);
        });
        QVERIFY(!CopyKey(QString(), Machine, Cu + u"Software\\Viel"_s, false, Cu + u"Software\\Fern"_s, progress));
        QVERIFY(progress.steps() >= 20);
        QCOMPARE(m_fixture.sink->texts(),
                 QStringList{u"Fehler: Schlüssel konnte nicht kopiert werden.\r\n(Windows-Fehlercode 53.)"_s});
        CurrentMachine() = Machine;
        QVERIFY(KeyExists(Cu + u"Software\\Fern"_s));
        QVERIFY(processAlive(m_ssh.regservePid()));
    }
    // Commands on the other machine, named with or without backslashes, and without a local store (its folder
    // does not exist here); where one succeeds, its value is found there and not here. A machine missing or
    // not reached fails.
    void toolOnMachine()
    {
        const QStringList add{u"add"_s, u"HKCU\\Software\\Werkzeug"_s, u"/v"_s, u"x"_s,
                              u"/d"_s,  u"über ssh"_s,                u"/f"_s};
        const QString noStore = QDir::tempPath() + u"/kaven-kein-ordner/registry.db"_s;
        const std::pair<QStringList, int> cases[] = {
            {QStringList{u"--machine"_s, Machine} + add, 0}, {QStringList{u"--machine"_s, u"127.0.0.1"_s} + add, 0},
            {QStringList{u"--registry"_s, noStore, u"--machine"_s, Machine} + add, 0},
            {{u"query"_s, u"HKCU\\Software"_s, u"--machine"_s}, 1},
            {{u"--machine"_s, u"\\\\-x"_s, u"query"_s, u"HKCU"_s}, 1}};
        const auto run = [this](const QStringList& line) {
            return runTool(QStringList{u"--registry"_s, m_fixture.store->storePath()} + line, true);
        };
        for (const auto& [args, rc] : cases) {
            cleanup();
            init();
            QVERIFY2(run(args).rc == rc, qPrintable(args.join(u' ')));
            if (rc != 0)
                continue;
            const ToolRun query = run({u"--machine"_s, Machine, u"query"_s, u"HKCU\\Software\\Werkzeug"_s});
            QVERIFY2(query.out.contains(u"    x    REG_SZ    \"über ssh\"\n"_s), qPrintable(query.out + query.err));
            QCOMPARE(run({u"query"_s, u"HKCU\\Software\\Werkzeug"_s}).rc, 1); // the local store was left alone
        }
    }

private:
    SshServer m_ssh;
    StoreFixture m_fixture;
};

QTEST_GUILESS_MAIN(TestRemoteMachine)
#include "TestRemoteMachine.moc"
