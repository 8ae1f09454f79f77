#include "registry/RegTestKeys.h"

#include "support/TempStore.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <optional>

using namespace RegTestKeys;

// Two running instances exchange keys and values through the X clipboard of a private Xvfb server.
class TestClipboardProcesses : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            QSKIP("Xvfb is not installed");
        // A display number of our own, away from the usual ones.
        for (int n = 50 + int(QCoreApplication::applicationPid() % 200); n < 400; ++n) {
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(n);
            if (QFileInfo::exists(socket) || QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            m_display = QStringLiteral(":%1").arg(n);
            m_xvfb.start(xvfb, {m_display, QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            QVERIFY(m_xvfb.waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket) || m_xvfb.state() == QProcess::NotRunning, 10000);
            if (m_xvfb.state() == QProcess::Running)
                return;
        }
        QFAIL("no Xvfb display could be started");
    }

    void cleanupTestCase()
    {
        if (m_xvfb.state() == QProcess::Running) {
            m_xvfb.terminate();
            m_xvfb.waitForFinished(5000);
        }
    }

    void init() { QVERIFY(m_store.emplace().ok()); }

    // Values copied in one instance are pasted in the other; then a key cut there moves on paste.
    void valuesAndCutKeyBetweenProcesses()
    {
        QVERIFY(setValue("A", "", REG_SZ, sz("standard")));
        QVERIFY(setValue("A", "bin", REG_BINARY, QByteArray("\x00\x01\x00", 3)));
        QVERIFY(makeKey("B"));
        exchange({"put-values", "HKEY_CURRENT_USER\\A", "-", "bin"}, "2", {"paste-values", "HKEY_CURRENT_USER\\B"},
                 "2");
        QCOMPARE(value("B", ""), qMakePair(DWORD(REG_SZ), sz("standard")));
        QCOMPARE(value("B", "bin"), qMakePair(DWORD(REG_BINARY), QByteArray("\x00\x01\x00", 3)));

        QVERIFY(setValue("Q\\Kind", "v", REG_DWORD, QByteArray("\x09\0\0\0", 4)));
        exchange({"put-key", "1", "", "HKEY_CURRENT_USER\\Q"}, "READY", {"paste-key", "HKEY_CURRENT_USER\\B"}, "ok");
        QCOMPARE(value("B\\Q\\Kind", "v"), qMakePair(DWORD(REG_DWORD), QByteArray("\x09\0\0\0", 4)));
        QVERIFY(!exists("Q"));
    }

private:
    // One child offers the clipboard and waits; the other takes it and ends.
    void exchange(const QStringList& offer, const QString& ready, const QStringList& take, const QString& answer)
    {
        QProcess server;
        QCOMPARE(startChild(server, offer), ready);
        QProcess client;
        QCOMPARE(startChild(client, take), answer);
        QVERIFY(client.waitForFinished(30000));
        server.kill();
        server.waitForFinished();
    }

    // Starts a child on the private display and store, and waits for its first line.
    QString startChild(QProcess& child, const QStringList& arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("KAVEN_REGISTRY"), m_store->storePath());
        child.setProcessEnvironment(env);
        child.start(QStringLiteral(KAVEN_CLIPBOARD_CHILD), arguments);
        if (!child.waitForStarted() || !child.waitForReadyRead(30000))
            return QStringLiteral("<no answer: %1>").arg(QString::fromLocal8Bit(child.readAllStandardError()));
        return QString::fromUtf8(child.readLine()).trimmed();
    }

    QProcess m_xvfb;
    QString m_display;
    std::optional<TempStore> m_store;
};

QTEST_GUILESS_MAIN(TestClipboardProcesses)
#include "TestClipboardProcesses.moc"
