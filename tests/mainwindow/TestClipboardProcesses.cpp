#include "registry/RegTestKeys.h"

#include "support/TempStore.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

using namespace RegTestKeys;

// Two running instances exchange keys and values through the X clipboard of a private Xvfb server.
class TestClipboardProcesses : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void valuesBetweenProcesses();
    void cutKeyBetweenProcesses();

private:
    [[nodiscard]] QProcessEnvironment childEnvironment() const;
    // Starts a serving child and waits for its first line.
    QString startServer(QProcess& server, const QStringList& arguments);
    QString runChild(const QStringList& arguments);

    QProcess m_xvfb;
    QString m_display;
    std::unique_ptr<TempStore> m_store;
};

void TestClipboardProcesses::initTestCase()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        QSKIP("Xvfb is not installed");
    // A display number of our own, away from the usual ones.
    for (int n = 50 + int(QCoreApplication::applicationPid() % 200); n < 400; ++n) {
        if (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))
            || QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            continue;
        m_display = QStringLiteral(":%1").arg(n);
        m_xvfb.start(xvfb, {m_display, QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QVERIFY(m_xvfb.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))
                                     || m_xvfb.state() == QProcess::NotRunning,
                                 10000);
        if (m_xvfb.state() == QProcess::Running)
            return;
    }
    QFAIL("no Xvfb display could be started");
}

void TestClipboardProcesses::cleanupTestCase()
{
    if (m_xvfb.state() == QProcess::Running) {
        m_xvfb.terminate();
        m_xvfb.waitForFinished(5000);
    }
}

void TestClipboardProcesses::init()
{
    m_store = std::make_unique<TempStore>();
    QVERIFY(m_store->ok());
}

void TestClipboardProcesses::cleanup()
{
    m_store.reset();
}

QProcessEnvironment TestClipboardProcesses::childEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("KAVEN_REGISTRY"), m_store->storePath());
    return env;
}

QString TestClipboardProcesses::startServer(QProcess& server, const QStringList& arguments)
{
    server.setProcessEnvironment(childEnvironment());
    server.start(QStringLiteral(KAVEN_CLIPBOARD_CHILD), arguments);
    if (!server.waitForStarted() || !server.waitForReadyRead(20000))
        return QStringLiteral("<no answer: %1>").arg(QString::fromLocal8Bit(server.readAllStandardError()));
    return QString::fromUtf8(server.readLine()).trimmed();
}

QString TestClipboardProcesses::runChild(const QStringList& arguments)
{
    QProcess child;
    child.setProcessEnvironment(childEnvironment());
    child.start(QStringLiteral(KAVEN_CLIPBOARD_CHILD), arguments);
    if (!child.waitForFinished(30000))
        return QStringLiteral("<timeout>");
    return QString::fromUtf8(child.readAllStandardOutput()).trimmed();
}

void TestClipboardProcesses::valuesBetweenProcesses()
{
    QVERIFY(setValue("A", "", REG_SZ, RegTestKeys::sz("standard")));
    QVERIFY(setValue("A", "bin", REG_BINARY, QByteArray("\x00\x01\x00", 3)));
    QVERIFY(makeKey("B"));
    QProcess server;
    QCOMPARE(startServer(server, {"put-values", "HKEY_CURRENT_USER\\A", "-", "bin"}), QStringLiteral("2"));
    QCOMPARE(runChild({"paste-values", "HKEY_CURRENT_USER\\B"}), QStringLiteral("2"));
    server.kill();
    server.waitForFinished();
    QCOMPARE(value("B", ""), qMakePair(DWORD(REG_SZ), RegTestKeys::sz("standard")));
    QCOMPARE(value("B", "bin"), qMakePair(DWORD(REG_BINARY), QByteArray("\x00\x01\x00", 3)));
}

void TestClipboardProcesses::cutKeyBetweenProcesses()
{
    QVERIFY(setValue("Q\\Kind", "v", REG_DWORD, QByteArray("\x09\0\0\0", 4)));
    QVERIFY(makeKey("Ziel"));
    QProcess server;
    QCOMPARE(startServer(server, {"put-key", "1", "", "HKEY_CURRENT_USER\\Q"}), QStringLiteral("READY"));
    QCOMPARE(runChild({"paste-key", "HKEY_CURRENT_USER\\Ziel"}), QStringLiteral("ok"));
    server.kill();
    server.waitForFinished();
    QCOMPARE(value("Ziel\\Q\\Kind", "v"), qMakePair(DWORD(REG_DWORD), QByteArray("\x09\0\0\0", 4)));
    QVERIFY(!exists("Q"));
}

QTEST_GUILESS_MAIN(TestClipboardProcesses)
#include "TestClipboardProcesses.moc"
