// Writing hive files through kaven-reg: an edit survives reopening and the hive library's own shell
// reads it, the first write keeps FILE.bak, a commit that fails before its rename leaves the hive as it
// was, and what must not be written (read-only, dirty, unsafe for the library) is refused.

#include "HiveDump.h"

#include "mainwindow/TUndoList.h"
#include "mainwindow/ValueCommands.h"
#include "platform/StoreProbe.h"
#include "platform/WinReg.h"
#include "platform/hive/HiveFile.h"
#include "platform/hive/HiveMapping.h"
#include "registry/RegUtils.h"
#include "support/RecordingMessageSink.h"
#include "support/TempStore.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QTest>
#include <QtEndian>

#include <hivex.h>

#include <optional>

namespace {

// The longest cell in use of the hive's bins (whose chain the hive library checks when it opens them).
qint32 longestCellInUse(const QByteArray& b)
{
    const auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    qint32 longest = 0;
    for (qsizetype bin = 0x1000; bin < 0x1000 + qsizetype(u32(40)); bin += u32(bin + 8)) {
        for (qsizetype cell = bin + 32; cell < bin + u32(bin + 8); cell += std::abs(qint32(u32(cell)))) {
            if (u32(cell) == 0)
                return -1;
            longest = std::max(longest, -qint32(u32(cell)));
        }
    }
    return longest;
}

// kaven-reg's arguments that set a value of a key below the hive mounted as H.
QStringList addValue(const QString& key, const QString& value, const QString& type, const QString& data)
{
    return {"add", "HKLM\\H\\" + key, "/v", value, "/t", type, "/d", data, "/f"};
}

// The data of a value, "-" when key or value cannot be read.
QByteArray valueData(HKEY root, const QString& key, const QString& value)
{
    HKEY h = 0;
    QByteArray data = "-";
    if (RegOpenKeyEx(root, key, 0, KEY_READ, &h) == ERROR_SUCCESS && RegQueryValueBytes(h, value, nullptr, &data))
        data = "-";
    RegCloseKey(h);
    return data;
}

} // namespace

class TestHiveWrite final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_store.emplace().ok());
        QVERIFY(m_dir.emplace().isValid());
        m_hive = m_dir->filePath(QStringLiteral("Test.hive"));
        QVERIFY(QFile::copy(corpusHive(QStringLiteral("yarp__StringValuesHive")), m_hive));
        QVERIFY(QFile::setPermissions(m_hive, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        m_original = readFile(m_hive);
    }
    void cleanup()
    {
        m_store.reset();
        m_dir.reset();
    }

    // Each command (the value's name after "/v"), the key, and the value's type and data as the hive library
    // reads them, in UTF-8 (empty: gone): a string with umlauts, a dword, binary data replacing a value through
    // the key named in another case, a new key, a value deleted.
    void editSurvivesReopen()
    {
        const std::tuple<QStringList, QString, QString> cases[] = {
            {addValue("key", "Neu", "REG_SZ", "Grüße ∑"), "key", "1|4772c3bcc39f6520e2889100"},
            {addValue("key", "Zahl", "REG_DWORD", "258"), "key", "4|02010000"},
            {addValue("KEY", "1", "REG_BINARY", "0102"), "key", "3|0102"},
            {addValue("key\\Unter", "x", "REG_DWORD", "1"), "key\\Unter", "4|01000000"},
            {{"delete", "HKLM\\H\\key", "/v", "2", "/f"}, "key", ""}};
        for (const auto& [command, key, data] : cases) {
            init();
            const QString value = command.at(command.indexOf("/v") + 1);
            const ToolRun run = runTool(QStringList{"--hive", m_hive + ":H", "--write"} + command, true);
            QVERIFY2(run.rc == 0, qPrintable(run.err));
            const BranchDump theirs = dumpWithHiveTool(m_hive, "H");
            QString found;
            for (const QString& line : theirs.value("H\\" + key))
                found = line.startsWith(value + '|') ? line.mid(value.size() + 1) : found;
            QCOMPARE(found, data);
            QCOMPARE(readFile(m_hive + ".bak"), m_original);
            QVERIFY(QFileInfo(m_hive).permissions().testFlag(QFile::ReadGroup));
            // Read again by our own reader: the same as the hive library's export.
            RegShutdown();
            QCOMPARE(mountFiles({m_hive + ":H"}), ERROR_SUCCESS);
            QCOMPARE(dumpBranch(HKEY_LOCAL_MACHINE, "H", "H"), theirs);
        }
    }

    // A change that would have to be written without --write (an add, a replace), or into a hive that may not
    // be written (dirty, or, with data over one cell, version 1.3: unsafe for the hive library), leaves the
    // file as it was, without FILE.bak.
    void refused()
    {
        const QString readOnly = QStringLiteral("Die Hive-Datei ist nur zum Lesen geöffnet.");
        const QStringList add{"add", "HKLM\\H\\key", "/v", "a", "/d", "b", "/f"};
        const std::tuple<QString, QStringList, QString> cases[] = { // a corpus hive (with its log) instead of ours
            {{}, add, readOnly}, {{}, {"replace", "test", "x"}, readOnly},
            {"yarp__NewDirtyHive1_NewDirtyHive", QStringList{"--write"} + add, "nicht sauber geschlossen"},
            {{}, QStringList{"--write"} + addValue("key", "big", "REG_BINARY", QString(2 * 16345, u'a')),
             "Version vor 1.4"}};
        for (const auto& [corpus, args, message] : cases) {
            init();
            if (!corpus.isEmpty()) {
                QVERIFY(QFile::remove(m_hive));
                for (const char* suffix : {"", ".LOG1"})
                    QVERIFY(QFile::copy(corpusHive(corpus + suffix), m_hive + suffix));
                m_original = readFile(m_hive);
            }
            const ToolRun run = runTool(QStringList{"--hive", m_hive + ":H"} + args, true);
            QCOMPARE(run.rc, 1);
            QVERIFY2(run.err.contains(message), qPrintable(run.err));
            QCOMPARE(readFile(m_hive), m_original);
            QVERIFY(!QFile::exists(m_hive + ".bak"));
        }
    }

    // Data longer than one cell, in a version 1.5 hive: a db record with segments, written twice (the
    // second commit rewrites the key's values), read whole by the hive library and by our reader.
    void longDataIsSegmented()
    {
        const QString hive = m_dir->filePath(QStringLiteral("Big.hive"));
        QVERIFY(QFile::copy(corpusHive(QStringLiteral("hivex__special")), hive));
        QVERIFY(QFile::setPermissions(hive, QFile::ReadOwner | QFile::WriteOwner));
        QByteArray data(100000, Qt::Uninitialized);
        for (qsizetype i = 0; i < data.size(); ++i)
            data[i] = char(i * 7 + i / 251);
        {
            QString error;
            QStringList warnings;
            std::unique_ptr<HiveFile> file = HiveFile::open(hive, true, &error, &warnings);
            QVERIFY2(file, qPrintable(error));
            QCOMPARE(file->setValue(file->root(), "Lang", REG_BINARY, data), ERROR_SUCCESS);
            QCOMPARE(file->commit(), ERROR_SUCCESS);
            QCOMPARE(file->setValue(file->root(), "Kurz", REG_DWORD, QByteArray(4, '\2')), ERROR_SUCCESS);
            QCOMPARE(file->commit(), ERROR_SUCCESS);
        }
        const QByteArray bytes = readFile(hive);
        hive_h* h = hivex_open(QFile::encodeName(hive).constData(), 0);
        QVERIFY(h);
        const hive_value_h value = hivex_node_get_value(h, hivex_root(h), "Lang");
        hivex_close(h);
        QVERIFY(value);

        // The value's cell names a db record of seven segments: six full ones, 1,936 bytes in the last.
        const auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
        const qsizetype db = 0x1000 + u32(qsizetype(value) + 12);
        QCOMPARE(bytes.mid(db + 4, 2), QByteArray("db"));
        QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + db + 6), quint16(7));
        const qsizetype list = 0x1000 + u32(db + 8);
        for (int i = 0; i < 7; ++i)
            QCOMPARE(-qint32(u32(0x1000 + u32(list + 4 + 4 * i))), i < 6 ? 16344 + 8 : 1936 + 8);
        QVERIFY(longestCellInUse(bytes) == 16344 + 8); // the long cell the library wrote is free

        QStringList warnings;
        QCOMPARE(mountFiles({hive + ":B"}, &warnings), ERROR_SUCCESS);
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
        // The hive library reads the long data whole, and our reader sees what it sees.
        const BranchDump theirs = dumpWithHiveTool(hive, "B");
        QVERIFY(theirs.value("B").contains("Lang|3|" + QString::fromLatin1(data.toHex())));
        QCOMPARE(dumpBranch(HKEY_LOCAL_MACHINE, "B", "B"), theirs);
    }

    // A hive chosen as the window's machine: a value edited there is written only when changes were
    // allowed; otherwise the message says why the change failed and the file stays as it was.
    void windowEditOnHiveMachine()
    {
        for (const bool allow : {false, true}) {
            RecordingMessageSink sink;
            RegAllowHiveWrites(m_hive, allow);
            QVERIFY(SelectMachine(m_hive));
            ValueEditors editors;
            editors.editBinary = [](const QString&, QByteArray& data) {
                data = "\5\6";
                return true;
            };
            TUndoList undo;
            const auto written =
                ValueCommands(undo, sink).ChangeValue("HKEY_LOCAL_MACHINE\\Test.hive\\key", "1", editors);
            CurrentMachine().clear();
            RegShutdown();
            QCOMPARE(written.has_value(), allow);
            QCOMPARE(sink.texts(), allow ? QStringList() : QStringList{"Fehler: Änderung misslungen!\r\n"
                                                                       "(Die Hive-Datei ist nur zum Lesen geöffnet.)"});
            QCOMPARE(readFile(m_hive) == m_original, !allow);
        }
    }

    // The commit fails before its rename: the hive on disk is the old one, no temporary file stays.
    void failedCommitLeavesHive()
    {
        QString error;
        QStringList warnings;
        std::unique_ptr<HiveFile> file = HiveFile::open(m_hive, true, &error, &warnings);
        QVERIFY2(file, qPrintable(error));
        QCOMPARE(file->setValue(file->root(), QStringLiteral("neu"), REG_DWORD, QByteArray(4, '\1')), ERROR_SUCCESS);
        QVERIFY(file->commit([](const QString&, const QString&) { return false; }) != ERROR_SUCCESS);
        QCOMPARE(readFile(m_hive), m_original);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"Test.hive", "Test.hive.bak"}));
        // The change is still pending and goes out with the next commit.
        QCOMPARE(file->commit(), ERROR_SUCCESS);
        QVERIFY(dumpWithHiveTool(m_hive, "H").value("H").contains("neu|4|01010101"));
    }

    // Text between the hive's UTF-16 and the program's UTF-8: exact, zeros and what follows included.
    void stringData()
    {
        const std::pair<QByteArray, QByteArray> cases[] = {
            {QByteArray("G\0\xfc\0\0\0", 6), QByteArray("G\xc3\xbc\0", 4)}, // umlaut and zero
            {QByteArray("a\0\0\0b\0", 6), QByteArray("a\0b", 3)}, // what follows the zero
            {QByteArray("\x01\xd8\x00\xdc", 4), QByteArray("\xf0\x90\x90\x80")}, // surrogate pair
            {QByteArray("a\0b", 3), QByteArray("a\0b", 3)}, // odd length stays
            {QByteArray("\x01\xd8" "a\0", 4), QByteArray("\x01\xd8" "a\0", 4)}}; // lone surrogate stays
        for (const auto& [utf16, program] : cases) {
            QCOMPARE(HiveFile::utf16ToProgram(utf16), program);
            if (utf16.size() % 2 == 0 && utf16 != program)
                QCOMPARE(HiveFile::programToUtf16(program), utf16);
        }
    }

    // HKEY_CLASSES_ROOT of an installation: the machine's classes merged with the chosen user's (without a
    // user, the machine's alone). A change to a key the user's classes hold goes there, else to the machine's.
    void classesRoot()
    {
        makeInstallation();
        // user, key, value, data ("-": no such value)
        const std::tuple<QString, QString, QString, QString> reads[] = {
            {"Anna", ".txt", "", "userfile"}, {"Anna", ".txt", "Machine", "m"}, {"Anna", "userOnly", "u", "1"},
            {"Anna", "txtfile", "", "Textdatei"}, {"", ".txt", "", "machinefile"}, {"", "userOnly", "u", "-"}};
        for (const auto& [user, key, value, data] : reads) {
            RegShutdown();
            QCOMPARE(mountHives({{}, m_dir->path(), user, false}), ERROR_SUCCESS);
            QCOMPARE(QString::fromUtf8(valueData(HKEY_CLASSES_ROOT, key, value)).remove(QChar(0)), data);
            if (!user.isEmpty())
                QCOMPARE(subKeyNames(HKEY_CLASSES_ROOT, {}), QStringList({".txt", "txtfile", "userOnly"}));
        }
        // the key written, where its value lands, where not
        const std::tuple<QString, QString, QString> writes[] = {
            {".txt", "U\\.txt", "S\\Classes\\.txt"}, {"txtfile", "S\\Classes\\txtfile", "U\\txtfile"},
            {".txt\\Neu", "U\\.txt\\Neu", "S\\Classes\\.txt\\Neu"},
            {"txtfile\\Neu", "S\\Classes\\txtfile\\Neu", "U\\txtfile\\Neu"}, {"Neu", "S\\Classes\\Neu", "U\\Neu"}};
        RegShutdown();
        QCOMPARE(mountHives({{}, m_dir->path(), "Anna", true}), ERROR_SUCCESS);
        for (const auto& [key, landsIn, notIn] : writes)
            QCOMPARE(StoreProbe::setValueIn(HKEY_CLASSES_ROOT, key, "Gesetzt", REG_DWORD, QByteArray(4, '\7')),
                     ERROR_SUCCESS);
        RegShutdown();
        const QString classes = m_dir->filePath("Users/Anna/AppData/Local/Microsoft/Windows/UsrClass.dat");
        QCOMPARE(mountFiles({m_dir->filePath("Windows/System32/config/SOFTWARE:S"), classes + ":U"}), ERROR_SUCCESS);
        for (const auto& [key, landsIn, notIn] : writes) {
            QVERIFY2(valueData(HKEY_LOCAL_MACHINE, landsIn, "Gesetzt") == QByteArray(4, '\7'), qPrintable(key));
            QVERIFY2(valueData(HKEY_LOCAL_MACHINE, notIn, "Gesetzt") == "-", qPrintable(key));
        }
    }

    void offlineInstallation()
    {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("WINDOWS/system32/Config")));
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("Users/Anna")));
        const QString config = root.filePath(QStringLiteral("WINDOWS/system32/Config/"));
        QVERIFY(QFile::link(corpusHive("regipy__SYSTEM"), config + "system"));
        QVERIFY(QFile::link(corpusHive("regipy__ntuser_software_partial"), config + "SOFTWARE"));
        QVERIFY(QFile::link(corpusHive("regipy__NTUSER.DAT"), root.filePath("Users/Anna/ntuser.dat")));
        QString error;
        QStringList warnings;
        QCOMPARE(mountHives({{}, root.path(), "anna", false}, &warnings), ERROR_SUCCESS);
        for (const char* missing : {"SAM", "SECURITY", "DEFAULT"})
            QVERIFY2(warnings.join(u' ').contains(QLatin1String(missing)), qPrintable(warnings.join(u'\n')));
        const QByteArray current = valueData(HKEY_LOCAL_MACHINE, "SYSTEM\\Select", "Current");
        QCOMPARE(current.size(), 4);
        const QString set = QStringLiteral("SYSTEM\\ControlSet%1").arg(current.at(0) + 0, 3, 10, QLatin1Char('0'));
        QCOMPARE(dumpBranch(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", {}),
                 dumpBranch(HKEY_LOCAL_MACHINE, set + "\\Control\\Session Manager", {}));
        QCOMPARE(dumpBranch(HKEY_CURRENT_USER, "Software", {}), dumpBranch(HKEY_USERS, "Anna\\Software", {}));
        QVERIFY(dumpBranch(HKEY_CURRENT_USER, "Software", {}).size() > 10);
        HKEY key = 0;
        QCOMPARE(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SYSTEM\\Neu", 0, {}, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                 ERROR_ACCESS_DENIED);
        RegShutdown();
        QCOMPARE(RegOpenHives({{}, root.path(), "Berta", false}, &error, &warnings), ERROR_BAD_NETPATH);
        QVERIFY(error.contains(QStringLiteral("Berta")));
        QCOMPARE(mountHives({{}, m_dir->path(), {}, false}), ERROR_BAD_NETPATH);
        // Opened for changes, a user's classes not closed cleanly are shown all the same, read-only.
        const QString classes = root.filePath("Users/Anna/AppData/Local/Microsoft/Windows/UsrClass.dat");
        QVERIFY(QDir(root.path()).mkpath("Users/Anna/AppData/Local/Microsoft/Windows"));
        for (const QString& suffix : QStringList{"", ".LOG1", ".LOG2"})
            QVERIFY(QFile::link(corpusHive("regipy__UsrClass.dat" + suffix), classes + suffix));
        QCOMPARE(mountHives({{}, root.path(), "anna", true}, &warnings), ERROR_SUCCESS);
        QVERIFY2(warnings.join(u' ').contains(QStringLiteral("nur zum Lesen")), qPrintable(warnings.join(u'\n')));
        QCOMPARE(RegCreateKeyEx(HKEY_CLASSES_ROOT, ".3g2", 0, {}, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                 ERROR_SUCCESS);
        QCOMPARE(RegSetValueBytes(key, "x", REG_DWORD, QByteArray(4, '\1')), ERROR_ACCESS_DENIED);
        RegCloseKey(key);
    }

private:
    // An installation of two hives made from the empty corpus hive: SOFTWARE with Classes, and Anna's
    // classes (found through the Users folder) sharing the key ".txt" with it.
    void makeInstallation()
    {
        QDir root(m_dir->path());
        QVERIFY(root.mkpath("Windows/System32/config"));
        QVERIFY(root.mkpath("Users/Anna/AppData/Local/Microsoft/Windows"));
        makeHive(root.filePath("Windows/System32/config/SOFTWARE"),
                 {"Classes\\.txt||machinefile", "Classes\\.txt|Machine|m", "Classes\\txtfile||Textdatei"});
        makeHive(root.filePath("Users/Anna/NTUSER.DAT"), {"Software|x|y"});
        makeHive(root.filePath("Users/Anna/AppData/Local/Microsoft/Windows/UsrClass.dat"),
                 {".txt||userfile", "userOnly|u|1"});
    }
    // Entries "PATH|NAME|TEXT" (string values; keys made as needed).
    static void makeHive(const QString& path, const QStringList& entries)
    {
        QVERIFY(QFile::copy(corpusHive(QStringLiteral("hivex__minimal")), path));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        QString error;
        QStringList warnings;
        std::unique_ptr<HiveFile> file = HiveFile::open(path, true, &error, &warnings);
        QVERIFY2(file, qPrintable(error));
        for (const QString& entry : entries) {
            const QStringList parts = entry.split(u'|');
            HiveNodeId node = file->root();
            for (const QString& name : parts.at(0).split(u'\\')) {
                HiveNodeId child = file->child(node, name);
                if (!child)
                    QCOMPARE(file->addChild(node, name, &child), ERROR_SUCCESS);
                node = child;
            }
            QCOMPARE(file->setValue(node, parts.at(1), REG_SZ, parts.at(2).toUtf8() + '\0'), ERROR_SUCCESS);
        }
        QCOMPARE(file->commit(), ERROR_SUCCESS);
        QVERIFY(QFile::remove(path + ".bak"));
    }

    std::optional<TempStore> m_store;
    std::optional<QTemporaryDir> m_dir;
    QString m_hive;
    QByteArray m_original;
};

QTEST_GUILESS_MAIN(TestHiveWrite)
#include "TestHiveWrite.moc"
