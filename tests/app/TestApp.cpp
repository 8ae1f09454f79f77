// The program's parts outside the main window, against a real store: kaven-reg's commands (output captured),
// the start-up import, message boxes and file dialogs, the splash, progress and options windows.

#include "app/CommandLineImport.h"
#include "app/DialogProgress.h"
#include "app/QtMessageSink.h"
#include "app/TOptionForm.h"
#include "app/TProcessDialog.h"
#include "app/KavenRegTool.h"
#include "app/TSplashForm.h"
#include "editors/BinaryImport.h"
#include "platform/WinReg.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegTestKeys.h"
#include "support/AnswerBox.h"
#include "support/RecordingMessageSink.h"
#include "support/ScriptedProgress.h"
#include "support/TempStore.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <QtTest>
#include <QtWidgets>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
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

class TestApp final : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { setMessageSink(nullptr); }
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(m_store.emplace().ok());
        setMessageSink(&m_sink); // boxes on the screen, after any recording sink of a test before
    }

    // Options stand before the command only: later arguments that look like options are data.
    void takesOptionsBeforeTheCommand_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("rc");
        QTest::addColumn<bool>("inOther"); // the value lands in the store named by --registry
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("data");
        const QStringList add{"add", "HKCU\\x", "/v"};
        QTest::newRow("data like an option")
            << QStringList{"--registry", "@other"} + add + QStringList{"a", "/d", "--registry=@evil"} << 0 << true
            << "a" << QByteArray("--registry=@evil\0", 17);
        QTest::newRow("name like an option")
            << QStringList{"--registry=@other"} + add + QStringList{"--registry", "/d", "1"} << 0 << true
            << "--registry" << QByteArray("1\0", 2);
        QTest::newRow("after --") << QStringList{"--", "add", "HKCU\\x", "/v", "a", "/d", "--"} << 0 << false << "a"
                                  << QByteArray("--\0", 3);
        QTest::newRow("option after the command") << add + QStringList{"a", "/d", "1", "--registry", "@evil"} << 1
                                                  << false << "a" << QByteArray("<missing>");
        QTest::newRow("option without path") << QStringList{"--registry"} << 1 << false << "a"
                                             << QByteArray("<missing>");
    }

    void takesOptionsBeforeTheCommand()
    {
        QFETCH(QStringList, args);
        const QString other = m_store->otherStorePath(u"other"_s);
        const QString evil = m_store->otherStorePath(u"evil"_s);
        args.replaceInStrings(u"@other"_s, other).replaceInStrings(u"@evil"_s, evil);
        QTEST(tool(args, false, {}, true).rc, "rc");
        QVERIFY(!QFile::exists(evil));
        QFETCH(bool, inOther);
        QCOMPARE(RegOpenLocalStore(inOther ? other : m_store->storePath()), ERROR_SUCCESS);
        QFETCH(QString, name);
        QFETCH(QByteArray, data);
        QCOMPARE(value(u"x"_s, name).second, data.replace("@evil", evil.toUtf8()));
    }

    void addsAndQueries()
    {
        QCOMPARE(tool({"add", "HKCU\\Software\\K", "/v", "Pfad", "/d", "C:\\x"}).rc, 0);
        QCOMPARE(tool({"add", "HKCU\\Software\\K", "/v", "Zahl", "/t", "REG_DWORD", "/d", "26", "/f"}).rc, 0);
        QCOMPARE(tool({"add", "HKCU\\Software\\K", "/ve", "/d", "Vorgabe"}).rc, 0);
        QCOMPARE(tool({"add", "HKCU\\Software\\K", "/v", "Bin", "/t", "REG_BINARY", "/d", ""}).rc, 0);
        QCOMPARE(tool({"add", "HKCU\\Software\\K\\Unter\\Tief"}).rc, 0);
        QCOMPARE(tool({"add", "HKCU\\Software\\K\\a b"}).rc, 0);
        QCOMPARE(tool({"add", "HKCU\\L", "/v", "m", "/t", "reg_multi_sz", "/d", "a\\0bü"}).rc, 0);
        QCOMPARE(tool({"add", "HKCU\\L", "/v", "q", "/t", "REG_QWORD", "/d", "0x0102030405060708"}).rc, 0);
        QCOMPARE(value(u"L"_s, u"m"_s).second, QByteArray("a\0b\xc3\xbc\0\0", 7));
        QCOMPARE(value(u"L"_s, u"q"_s).second, QByteArray("\x08\x07\x06\x05\x04\x03\x02\x01", 8));
        const QString k = u"\nHKEY_CURRENT_USER\\Software\\K\n"_s;
        const QString values = u"    (Standard)    REG_SZ    \"Vorgabe\"\n"
                               "    Bin    REG_BINARY    (Binärdaten der Länge Null)\n"
                               "    Pfad    REG_SZ    \"C:\\x\"\n    Zahl    REG_DWORD    0x0000001A (26)\n"_s;
        QCOMPARE(tool({"query", "hkcu\\Software\\K"}).out,
                 k + values + u"\nHKEY_CURRENT_USER\\Software\\K\\a b\nHKEY_CURRENT_USER\\Software\\K\\Unter\n"_s);
        QCOMPARE(tool({"query", "HKCU\\Software\\K", "/s"}).out,
                 k + values + u"\nHKEY_CURRENT_USER\\Software\\K\\a b\n\nHKEY_CURRENT_USER\\Software\\K\\Unter\n"
                              "\nHKEY_CURRENT_USER\\Software\\K\\Unter\\Tief\n"_s);
        QCOMPARE(tool({"query", "HKCU\\Software\\K", "/v", "zahl", "/s"}).out,
                 k + u"    zahl    REG_DWORD    0x0000001A (26)\n"_s);
        QCOMPARE(tool({"query", "HKCU\\Software\\K\\Unter", "/ve"}).out,
                 u"\nHKEY_CURRENT_USER\\Software\\K\\Unter\n    (Standard)    REG_SZ    (Wert nicht gesetzt)\n"_s);
        const ToolRun missing = tool({"query", "HKCU\\Software\\K", "/v", "fehlt"});
        QCOMPARE(missing.rc, 1);
        QCOMPARE(missing.err, u"Fehler: Der angegebene Registrierungsschlüssel bzw. Wert wurde nicht gefunden.\n"_s);
        const QString chain = QStringList(512, u"k"_s).join(u'\\');
        QVERIFY(RegTestKeys::setValue(chain, u"tief"_s, REG_SZ, RegTestKeys::sz("unten"), HKEY_LOCAL_MACHINE));
        const ToolRun query = tool({"query", "HKLM\\k", "/s"});
        QCOMPARE(query.rc, 0);
        QCOMPARE(query.out.count(u"\nHKEY_LOCAL_MACHINE\\k"_s), 512);
        QVERIFY(query.out.endsWith(u"\\k\\k\n    tief    REG_SZ    \"unten\"\n"_s));
        const QString file = path(u"tief.reg"_s);
        QCOMPARE(tool({"export", "HKLM\\k", file}).rc, 0);
        const QByteArray text = readFile(file);
        QCOMPARE(text.count("\r\n[HKEY_LOCAL_MACHINE\\k"), 512);
        QVERIFY(text.endsWith("\\k\\k]\r\n\"tief\"=\"unten\"\r\n"));
    }

    // Overwriting and deleting ask (a terminal is needed to answer); imports and exports.
    void toolAsksImportsAndExports()
    {
        QCOMPARE(tool({"add", "HKCU\\A\\Sub", "/v", "v", "/d", "alt"}).rc, 0);
        QVERIFY(tool({"add", "HKCU\\A\\Sub", "/v", "v", "/d", "neu"}).err.startsWith(u"Fehler: Ohne Terminal"_s));
        const ToolRun no = tool({"add", "HKCU\\A\\Sub", "/v", "v", "/d", "neu"}, true, "nein\n");
        QCOMPARE(no.rc, 1);
        QVERIFY(no.out.startsWith(u"Der Wert v existiert bereits. Überschreiben (Ja/Nein)? "_s));
        QCOMPARE(value(u"A\\Sub"_s, u"v"_s).second, QByteArray("alt\0", 4));
        QCOMPARE(tool({"add", "HKCU\\A\\Sub", "/v", "v", "/d", "neu"}, true, "ja\n").rc, 0);
        QCOMPARE(value(u"A\\Sub"_s, u"v"_s).second, QByteArray("neu\0", 4));
        QCOMPARE(tool({"delete", "HKCU\\A\\Sub", "/va", "/f"}).rc, 0);
        QCOMPARE(tool({"delete", "HKCU\\A\\Sub", "/v", "v", "/f"}).rc, 1);
        QCOMPARE(tool({"delete", "HKCU\\A"}).rc, 1);
        QVERIFY(exists(u"A\\Sub"_s));
        QCOMPARE(tool({"delete", "hkcu\\a"}, true, "J\n").rc, 0);
        QVERIFY(!exists(u"A"_s));
        QCOMPARE(tool({"delete", "HKCU", "/f"}).rc, 1);
        const QString good = path(u"gut.reg"_s);
        QVERIFY(writeFile(good, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Imp]\r\n\"n\"=dword:0000001a\r\n"));
        const ToolRun ok = tool({"import", good});
        QCOMPARE(ok.out, u"Registrierungsdatei wurde erfolgreich importiert.\n"_s);
        QCOMPARE(value(u"Imp"_s, u"n"_s).second, QByteArray("\x1a\0\0\0", 4));
        const QString bad = path(u"schlecht.reg"_s);
        QVERIFY(writeFile(bad, "REGEDIT4\r\n[HKEY_CURRENT_USER\\I2]\r\n\"a\"=hex:1,,2\r\n"));
        const ToolRun failed = tool({"import", bad});
        QCOMPARE(failed.rc, 1);
        QCOMPARE(failed.err, u"Fehler: Registrierungsdatei konnte nicht vollständig importiert werden.\n"
                             "(Zeile 3: Ungültige Zeichen im Hex-Datenbereich)\n"_s);
        QCOMPARE(tool({"import", path(u"fehlt.reg"_s)}).err,
                 u"Fehler: Registrierungsdatei konnte nicht vollständig importiert werden.\n"
                 "(Kann Datei nicht öffnen.)\n"_s);

        // the writer's own refusals (the store file, a missing key) are pinned down by its tests
        const QString file = path(u"exp.reg"_s);
        QCOMPARE(tool({"export", "HKCU\\Imp", file}).rc, 0);
        QCOMPARE(tool({"export", "HKCU\\Imp", file}).rc, 1); // exists, no /y, no terminal

        // "ALL" follows the program's "RootExport" setting (15: the first four root keys).
        const QStringList setting{"add", "HKCU\\SOFTWARE\\Fenmarsh\\Kaven\\1.0\\Options", "/v", "RootExport", "/f"};
        QCOMPARE(tool({"export", "all", file, "/y"}).rc, 0);
        const QByteArray all = readFile(file);
        QVERIFY(all.contains("\r\n[HKEY_CLASSES_ROOT]\r\n") && all.contains("\r\n[HKEY_USERS]\r\n"));
        QVERIFY(!all.contains("[HKEY_CURRENT_CONFIG]"));
        QCOMPARE(tool(setting + QStringList{"/t", "REG_DWORD", "/d", "4"}).rc, 0);
        QCOMPARE(tool({"export", "all", file, "/y"}).rc, 0);
        const QByteArray machine = readFile(file);
        QVERIFY(machine.startsWith("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n"));
        QVERIFY(!machine.contains("[HKEY_CURRENT_USER"));
        QCOMPARE(tool(setting + QStringList{"/d", "4"}).rc, 0); // a string is not the setting
        QCOMPARE(KavenRegTool::rootExportSetting(), DWORD(15));
    }

    void refusesBadArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList();
        QTest::newRow("unknown command") << QStringList{"copy", "HKCU\\A"};
        QTest::newRow("unknown root") << QStringList{"query", "HKXY\\A"};
        QTest::newRow("missing file") << QStringList{"export", "HKCU"};
        QTest::newRow("bad switch") << QStringList{"query", "HKCU", "/x"};
        QTest::newRow("/v without name") << QStringList{"query", "HKCU", "/v"};
        QTest::newRow("/v and /ve") << QStringList{"delete", "HKCU\\A", "/v", "a", "/ve"};
        QTest::newRow("bad dword") << QStringList{"add", "HKCU\\A", "/v", "a", "/t", "REG_DWORD", "/d", "x"};
        QTest::newRow("dword too big") << QStringList{"add", "HKCU\\A", "/t", "REG_DWORD", "/d", "4294967296"};
        QTest::newRow("odd binary") << QStringList{"add", "HKCU\\A", "/t", "REG_BINARY", "/d", "abc"};
        QTest::newRow("unknown type") << QStringList{"add", "HKCU\\A", "/t", "REG_FOO"};
    }

    void refusesBadArguments()
    {
        QFETCH(QStringList, args);
        const ToolRun r = tool(args);
        QCOMPARE(r.rc, 1);
        QVERIFY(r.err.startsWith(u"Fehler: "_s));
        QVERIFY(!exists(u"A"_s));
    }

    // The start-up import of a registry file named on the program's command line.
    void importsAsAsked_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("abortAtStep");
        QTest::addColumn<int>("rc");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("progressShown");
        QTest::addColumn<bool>("imported");
        const QString ask = u"Soll Registrierungsdatei %1 importiert werden?"_s;
        const QString failure = u"Fehler: Registrierungsdatei konnte nicht vollständig importiert werden.\r\n"
                                "(Ungültige Zeichen im DWord-Datenbereich)"_s;
        // The file is the argument with its extension replaced by ".reg"; without such a file the
        // program starts normally (no exit status).
        const QStringList none, good{ask.arg(u"gut.reg"_s)}, bad{ask.arg(u"schlecht.reg"_s), failure};
        QTest::newRow("silent, no extension") << "gut" << "/s" << false << 0 << 0 << none << false << true;
        QTest::newRow("silent, other extension") << "gut.txt" << "/s" << false << 0 << 0 << none << false << true;
        QTest::newRow("no such file") << "fehlt.reg" << "/s" << false << 0 << -1 << none << false << false;
        QTest::newRow("silent failure") << "schlecht.reg" << "/S" << false << 0 << 1 << QStringList{failure} << false
                                        << false;
        const QString done = u"Registrierungsdatei wurde erfolgreich importiert."_s;
        QTest::newRow("asked, yes") << "gut.reg" << "" << true << 0 << 0 << good + QStringList{done} << true << true;
        QTest::newRow("asked, failure") << "schlecht.reg" << "/x" << true << 0 << 1 << bad << true << false;
        QTest::newRow("asked, no") << "gut.reg" << "" << false << 0 << 1 << good << false << false;
        QTest::newRow("cancelled quietly") << "gut.reg" << "" << true << 2 << 1 << good << true << false;
    }

    void importsAsAsked()
    {
        QFETCH(QString, file);
        QFETCH(QString, second);
        QFETCH(bool, yes);
        QFETCH(int, abortAtStep);
        QVERIFY(writeFile(path(u"gut.reg"_s), "REGEDIT4\r\n[HKEY_CURRENT_USER\\Start]\r\n\"a\"=\"1\"\r\n"));
        QVERIFY(writeFile(path(u"schlecht.reg"_s), "REGEDIT4\r\n[HKEY_CURRENT_USER\\Start]\r\n\"b\"=dword:xyz\r\n"));
        RecordingMessageSink sink;
        sink.pushAnswer(yes ? MessageAnswer::Yes : MessageAnswer::No);
        bool progressShown = false;
        const auto rc = CommandLineImport::run({path(file), second}, [&] {
            progressShown = true;
            return std::make_unique<ScriptedProgress>(abortAtStep);
        });
        QTEST(rc.value_or(-1), "rc");
        QTEST(sink.texts(), "messages");
        QTEST(progressShown, "progressShown");
        QTEST(RegTestKeys::value(u"Start"_s, u"a"_s).second == RegTestKeys::sz("1"), "imported");
    }


    // The caption is the program's; Esc answers No, stops at a stop question, cancels where it can.
    void boxes_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("buttons");
        QTest::newRow("question, Enter") << 0 << int(Qt::Key_Return) << int(MessageAnswer::Yes) << 2;
        QTest::newRow("question, Esc is No") << 0 << int(Qt::Key_Escape) << int(MessageAnswer::No) << 2;
        QTest::newRow("stop question, Esc stops") << 1 << int(Qt::Key_Escape) << int(MessageAnswer::Yes) << 2;
        QTest::newRow("three buttons, Esc") << 2 << int(Qt::Key_Escape) << int(MessageAnswer::Cancel) << 3;
    }
    void boxes()
    {
        QFETCH(int, kind);
        QFETCH(int, key);
        QString caption;
        int buttons = 0;
        answerBox([&](QMessageBox* box) { caption = box->windowTitle(), buttons = int(box->buttons().size()); },
                  [key](QMessageBox* box) { QTest::keyClick(box, Qt::Key(key)); });
        const QString text = QStringLiteral("Weiter?");
        const QString title = QStringLiteral("Kaven 1.0");
        const MessageAnswer got = kind == 0   ? messageSink().message(MessageKind::YesNo, title, text)
                                  : kind == 1 ? messageSink().askToStop(title, text)
                                              : AskYesNoCancel(text);
        QTEST(int(got), "answer");
        QCOMPARE(caption, QStringLiteral("Kaven 1.0"));
        QTEST(buttons, "buttons");
    }

    void filterTranslation_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("qt");
        QTest::newRow("one") << "Registrierungsdatei (*.reg)|*.reg" << "Registrierungsdatei (*.reg)";
        QTest::newRow("two") << "Favoriten Datei (*.fav)|*.fav|Alle|*.*" << "Favoriten Datei (*.fav);;Alle (*.*)";
        QTest::newRow("patterns") << "Texte|*.txt;*.log" << "Texte (*.txt *.log)";
    }
    void filterTranslation()
    {
        QFETCH(QString, filter);
        QTEST(QtMessageSink::qtFilter(filter), "qt");
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
        QVERIFY(kavenReg(store.storePath(), {"add", path, "/v", "B", "/d", "zwei", "/f"}) != QStringLiteral("<failed>"));
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

    // The progress dialog and the windowed progress context.
    void progressDialog()
    {
        TProcessDialog dialog;
        QList<bool> calls;
        dialog.show();
        QTest::mouseClick(dialog.abortButton(), Qt::LeftButton); // no handler: nothing happens
        dialog.OnAbort = [&calls](bool abort) { calls.append(abort); };
        QTest::mouseClick(dialog.abortButton(), Qt::LeftButton);
        QTest::mouseClick(dialog.abortButton(), Qt::LeftButton);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(calls, (QList<bool>{true, true, true}));
        QVERIFY(dialog.isVisible()); // the caller frees it
        // The windowed progress context disables its owner while it lives.
        QMainWindow owner;
        owner.show();
        {
            DialogProgress progress(&owner, QStringLiteral("Datensicherung läuft ..."),
                                    QStringLiteral("Registrierung wird in x.reg gesichert."), QStringLiteral("SAVE"));
            QVERIFY(!owner.isEnabled());
            TProcessDialog* shown = progress.dialog();
            QVERIFY(shown->isVisible() && shown->abortButton()->isEnabled());
            QTest::mouseClick(shown->abortButton(), Qt::LeftButton);
            QVERIFY(progress.abortRequested());
            progress.clearAbort();
            QVERIFY(!progress.abortRequested());
            QTest::qWait(30);
            progress.step();
        }
        QVERIFY(owner.isEnabled() && owner.findChildren<TProcessDialog*>().isEmpty());
    }

    // The options dialog: "Abbruch" leaves the options alone, "Ok" writes every control back.
    void optionFormWritesBackOnOk()
    {
        KavenOptions options;
        options.linkStyle = 2;
        options.linkColor = 0x00332211;
        const KavenOptions before = options;
        {
            TOptionForm form(options, QString());
            form.show();
            QVERIFY(form.rootCheckBox(5)->isHidden()); // no sixth root key on this machine
            form.undoSpinEdit()->setValue(500);
            form.rootCheckBox(4)->setChecked(true);
            form.boldCheckBox()->setChecked(true);
            form.pathGrid()->item(0, 1)->setText(QStringLiteral("/anders"));
            form.reject();
        }
        QCOMPARE(options.maxUndo, before.maxUndo);
        QCOMPARE(options.rootExport, before.rootExport);
        QCOMPARE(options.dataPath, before.dataPath);
        QCOMPARE(options.linkStyle, before.linkStyle);
        TOptionForm form(options, QStringLiteral("HKEY_DYN_DATA"));
        QCOMPARE(form.rootCheckBox(5)->text(), QStringLiteral("HKEY_DYN_DATA"));
        // An emptied field shows the minimum, 1 (the control's keys are tested with the control).
        QVERIFY(form.undoSpinEdit()->emptyBecomesMinimum() && form.undoSpinEdit()->minimum() == 1);
        QCOMPARE(form.undoSpinEdit()->value(), 10);
        QVERIFY(form.italicCheckBox()->isChecked());
        QCOMPARE(form.linkColor(), QColor(0x11, 0x22, 0x33));
        form.undoSpinEdit()->setValue(1000);
        form.rootCheckBox(0)->setChecked(false);
        form.rootCheckBox(5)->setChecked(true);
        form.boldCheckBox()->setChecked(true);
        form.underlineCheckBox()->setChecked(true);
        form.italicCheckBox()->setChecked(false);
        form.setLinkColor(QColor(0xAA, 0xBB, 0xCC));
        form.pathGrid()->item(1, 1)->setText(QStringLiteral("/struktur"));
        form.pickInfoFile = [](const QString&) { return QStringLiteral("/info/neu.txt"); };
        form.browsePath(2);
        form.accept();
        QCOMPARE(options.maxUndo, 1000);
        QCOMPARE(options.rootExport, (std::array<bool, 6>{false, true, true, true, false, true}));
        QCOMPARE(options.linkStyle, 5u);
        QCOMPARE(options.linkColor, 0x00CCBBAAu);
        QCOMPARE(options.structPath, QStringLiteral("/struktur"));
        QCOMPARE(options.infoFile, QStringLiteral("/info/neu.rgf"));
    }

private:
    // withStore: the whole command line, options and store opening included.
    ToolRun tool(const QStringList& args, bool interactive = false, const QByteArray& input = {}, bool withStore = false)
    {
        QBuffer out, err, in;
        in.setData(input);
        for (QBuffer* buffer : {&out, &err, &in})
            buffer->open(QIODevice::ReadWrite);
        KavenRegTool t(out, err, in, interactive);
        const int rc = withStore ? t.runWithStore(args) : t.run(args);
        return {rc, QString::fromUtf8(out.data()), QString::fromUtf8(err.data())};
    }

    [[nodiscard]] QString path(const QString& name) const { return m_store->dirPath() + u'/' + name; }

    std::optional<TempStore> m_store;
    QtMessageSink m_sink;
};

QTEST_MAIN(TestApp)
#include "TestApp.moc"
