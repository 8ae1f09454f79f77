#include "app/QtMessageSink.h"
#include "app/TSplashForm.h"
#include "editors/BinaryImport.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegTestKeys.h"
#include "support/AnswerBox.h"
#include "support/TempStore.h"
#include "support/TestFiles.h"

#include <QtTest>
#include <QtWidgets>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace RegTestKeys;

namespace {

// Whether another process sees a lock of this process on byte 128 of the store's shared-memory file,
// where SQLite keeps its read lock for as long as the connection lives. Asked from a forked child,
// because a process never sees its own locks.
bool othersSeeSharedMemoryLock(const QString& shmPath)
{
    const QByteArray path = shmPath.toLocal8Bit();
    const pid_t child = fork();
    if (child == 0) {
        const int fd = ::open(path.constData(), O_RDWR);
        struct flock lock{};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = 128;
        lock.l_len = 1;
        const bool locked = fd >= 0 && fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
        _exit(locked ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

QString kavenReg(const QString& store, const QStringList& args)
{
    QProcess tool;
    tool.start(QStringLiteral(KAVEN_REG), QStringList{QStringLiteral("--registry"), store} + args);
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0)
        return QStringLiteral("<failed>");
    return QString::fromUtf8(tool.readAllStandardOutput());
}

} // namespace

class TestUiServices final : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { setMessageSink(nullptr); }
    void init()
    {
        QVERIFY(m_store.emplace().ok());
        setMessageSink(&m_sink); // boxes on the screen, after any recording sink of a test before
    }

    // The caption is the program's; Esc answers No, stops at a stop question, cancels where it can.
    void boxes()
    {
        // kind (0 question, 1 stop question, 2 three buttons), key, answer, buttons
        const std::tuple<int, Qt::Key, MessageAnswer, int> cases[] = {
            {0, Qt::Key_Return, MessageAnswer::Yes, 2}, {0, Qt::Key_Escape, MessageAnswer::No, 2},
            {1, Qt::Key_Escape, MessageAnswer::Yes, 2}, {2, Qt::Key_Escape, MessageAnswer::Cancel, 3}};
        const QString text = QStringLiteral("Weiter?");
        const QString title = QStringLiteral("Kaven 1.0");
        for (const auto& [kind, key, answer, buttonCount] : cases) {
            QString caption;
            int buttons = 0;
            answerBox([&](QMessageBox* box) { caption = box->windowTitle(), buttons = int(box->buttons().size()); },
                      [k = key](QMessageBox* box) { QTest::keyClick(box, k); });
            const MessageAnswer got = kind == 0   ? messageSink().message(MessageKind::YesNo, title, text)
                                      : kind == 1 ? messageSink().askToStop(title, text)
                                                  : AskYesNoCancel(text);
            QCOMPARE(int(got), int(answer));
            QCOMPARE(caption, QStringLiteral("Kaven 1.0"));
            QCOMPARE(buttons, buttonCount);
        }
    }

    void filterTranslation()
    {
        const std::pair<QString, QString> cases[] = {
            {"Registrierungsdatei (*.reg)|*.reg", "Registrierungsdatei (*.reg)"},
            {"Favoriten Datei (*.fav)|*.fav|Alle|*.*", "Favoriten Datei (*.fav);;Alle (*.*)"},
            {"Texte|*.txt;*.log", "Texte (*.txt *.log)"}};
        for (const auto& [filter, qt] : cases)
            QCOMPARE(QtMessageSink::qtFilter(filter), qt);
    }

    // The binary editor's import refuses the files of the open store, saying so in a box. (The size
    // question is the import's own test; its Esc is the stop question's, above.)
    void importRefusesStoreFiles()
    {
        const TempStore& store = *m_store;
        QByteArray data;
        QString text;
        const auto keep = [&text](QMessageBox* box) { text = box->text(); };
        for (const QString& suffix : {QString(), QStringLiteral("-wal")}) {
            answerBox(keep, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
            QVERIFY(!ReadImportFile(store.storePath() + suffix, data));
            QCOMPARE(text, QStringLiteral("Fehler: Die Datei \"registry.db%1\" gehört zur geöffneten "
                                          "Registrierung und kann nicht verwendet werden.")
                               .arg(suffix));
        }
    }

    // A file dialog looking at the store's folder, even cancelled, must not drop the store's locks:
    // another process would then take the write-ahead log from under this one, and writes get lost.
    void fileDialogOnStoreFolderKeepsWritesOfBothProcesses()
    {
        const TempStore& store = *m_store;
        const QString key = QStringLiteral("Software\\Sperren");
        QVERIFY(setValue(key, QStringLiteral("A"), REG_SZ, sz("eins")));
        const QString shm = store.storePath() + QStringLiteral("-shm");
        QVERIFY(QFileInfo::exists(shm));
        QVERIFY(othersSeeSharedMemoryLock(shm));

        bool listed = false;
        QTimer::singleShot(0, qApp, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            auto* files = dialog ? dialog->findChild<QFileSystemModel*>() : nullptr;
            // Wait until the dialog knows the type of the store file: that is when a file would be read.
            for (int i = 0; files && !listed && i < 200; ++i) {
                QTest::qWait(50);
                listed = !files->data(files->index(store.storePath()).siblingAtColumn(2)).toString().isEmpty();
            }
            QTest::qWait(200);
            if (dialog)
                dialog->reject();
        });
        QVERIFY(QtMessageSink::chooseFile(nullptr, QtMessageSink::FileMode::Open, QStringLiteral("Datei öffnen"),
                                          store.dirPath())
                    .isEmpty());
        QVERIFY(listed);
        QVERIFY(othersSeeSharedMemoryLock(shm));

        const QString path = QStringLiteral("HKEY_CURRENT_USER\\") + key;
        QVERIFY(kavenReg(store.storePath(), {"add", path, "/v", "B", "/d", "zwei", "/f"})
                != QStringLiteral("<failed>"));
        QVERIFY(setValue(key, QStringLiteral("C"), REG_SZ, sz("drei")));
        const QString seen = kavenReg(store.storePath(), {"query", path});
        for (const char* name : {"A", "B", "C"})
            QVERIFY2(seen.contains(QRegularExpression(QStringLiteral("\\b%1\\s+REG_SZ").arg(QLatin1String(name)))),
                     qPrintable(seen));
        QCOMPARE(value(key, QStringLiteral("B")), qMakePair(DWORD(REG_SZ), sz("zwei")));
    }

    void splashClosesByItselfOnceMainWindowShows()
    {
        QPointer<TSplashForm> splash = new TSplashForm(300);
        QVERIFY(!(splash->windowFlags() & Qt::WindowStaysOnTopHint));
        splash->show();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QWidget mainWindow;
        splash->setMainWindow(&mainWindow);
        // Asked to go before the main window shows: it stays, and goes when the window shows.
        QTest::keyClick(splash, Qt::Key_Escape);
        QVERIFY(splash && splash->isVisible());
        mainWindow.show();
        QTRY_VERIFY(!splash);

        // Without being asked it goes once its time is up; a key closes it earlier.
        splash = new TSplashForm(60000);
        splash->show();
        splash->setMainWindow(&mainWindow);
        QTest::qWait(50);
        QVERIFY(splash);
        QTest::keyClick(splash, Qt::Key_Return);
        QTRY_VERIFY(!splash);
    }

private:
    std::optional<TempStore> m_store;
    QtMessageSink m_sink;
};

QTEST_MAIN(TestUiServices)
#include "TestUiServices.moc"
