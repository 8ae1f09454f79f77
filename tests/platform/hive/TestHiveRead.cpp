// Reading hive files: every hive of the corpus opens or is refused for its reason, keys and values
// equal the hive library's own export, log replay equals what Windows itself recovered, lookups fold
// case as Windows does, and reading leaves no file behind.

#include "HiveDump.h"

#include "platform/WinReg.h"
#include "platform/hive/HiveImage.h"
#include "platform/hive/HiveMapping.h"
#include "support/TempStore.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QTest>
#include <QtEndian>

#include <optional>

namespace {

enum class Outcome { Clean, Warned, Refused };

// What each corpus file is (from the corpus description): damaged hives open with a warning where
// something is left to read, logs and fragments are refused; every other hive opens clean.
Outcome expectedOutcome(const QString& file)
{
    static const QStringList warned{
        "regipy__SECURITY", "regipy__amcache.hve", // dirty, no logs
        "regipy__UsrClass.dat", "regipy__transactions_NTUSER.DAT", // dirty, replayed (logs named in lower case)
        "yarp__BadBaseBlockHive", // base block recovered from the log
        "yarp__BadListHive", "yarp__BadSubkeyHive", "yarp__EffectiveSizeHive", "yarp__GarbageHive",
        "yarp__NewDirtyHive1_NewDirtyHive", "yarp__OldDirtyHive", "yarp__TruncatedHive", "yarp__TruncatedNameHive"};
    static const QStringList refused{"regipy__corrupted_system_hive", "yarp__TruncatedHiveBin"};
    if (file.endsWith(".LOG1", Qt::CaseInsensitive) || file.endsWith(".LOG2", Qt::CaseInsensitive)
        || refused.contains(file))
        return Outcome::Refused;
    return warned.contains(file) ? Outcome::Warned : Outcome::Clean;
}

struct Walk {
    Outcome outcome;
    qsizetype keys;
    QString message; // the error or the warnings
};

// Opens the hive alone and walks every key and value.
Walk openAndWalk(const QString& path)
{
    QString error;
    const std::shared_ptr<HiveBackend> backend = HiveMapping::openHives({{path, QStringLiteral("X")}}, false, &error);
    if (!backend)
        return {Outcome::Refused, 0, error};
    KeyId machine = 0;
    KeyId root = 0;
    (void)backend->predefinedKey(HKEY_LOCAL_MACHINE, &machine);
    if (backend->openKey(machine, {QStringLiteral("X")}, KEY_READ, &root) != ERROR_SUCCESS)
        return {Outcome::Refused, 0, {}};
    QString position;
    QVector<BackendBranchKey> branch;
    (void)backend->branchKeys(root, false, 4096, &position, &branch);
    QVector<BackendValue> values;
    for (const BackendBranchKey& key : std::as_const(branch))
        (void)backend->values(key.id, &values);
    const QStringList warnings = backend->warnings();
    return {warnings.isEmpty() ? Outcome::Clean : Outcome::Warned, branch.size(), warnings.join(u'\n')};
}

// The branch HKEY_LOCAL_MACHINE\mount against the hive library's export of the hive (scripts/setup.sh
// installs its tools), key by key.
void compareWithHiveTool(const QString& hive, const QString& mount)
{
    const QString prefix = "HKEY_LOCAL_MACHINE\\" + mount;
    const BranchDump reference = dumpWithHiveTool(hive, prefix);
    QVERIFY(!reference.isEmpty());
    const BranchDump ours = dumpBranch(HKEY_LOCAL_MACHINE, mount, prefix);
    QCOMPARE(ours.keys(), reference.keys());
    QCOMPARE(ours, reference);
}

// A base block (512 bytes are checked, 4096 written) with the fields a replay reads, and a good checksum.
QByteArray baseBlock(quint32 type, quint32 primarySeq, quint32 secondarySeq, quint32 bins, qsizetype size)
{
    QByteArray b(size, '\0');
    b.replace(0, 4, "regf");
    // 12: last written, low part; 20 and 24: format version 1.5
    for (const auto& [at, v] : {std::pair{4, primarySeq}, {8, secondarySeq}, {12, 100u}, {20, 1u}, {24, 5u}, {28, type},
                                {40, bins}})
        qToLittleEndian<quint32>(v, b.data() + at);
    qToLittleEndian<quint32>(HiveFormat::baseBlockChecksum(b.constData()), b.data() + 508);
    return b;
}

// A log whose checksums are right but which claims hive bins of nearly 2 GB; with a broken entry, a
// log of the new format that applies nothing.
QByteArray hugeLog(bool newFormat, bool brokenEntry)
{
    constexpr quint32 Bins = 0x7FFFF000u;
    if (!newFormat) // the dirty vector: one bit per 4096 bytes of bins, none set
        return baseBlock(1, 5, 5, Bins, 512) + "DIRT" + QByteArray(Bins / 4096, '\0');
    QByteArray entry(512, '\0');
    entry.replace(0, 4, brokenEntry ? "HvXX" : "HvLE");
    // size 512, the log's own sequence 5, the claimed bins, one page at their far end
    for (const auto& [at, v] : {std::pair{4, 512u}, {12, 5u}, {16, Bins}, {20, 1u}, {40, Bins - 4096}, {44, 512u - 48}})
        qToLittleEndian<quint32>(v, entry.data() + at);
    constexpr quint64 Seed = 0x82EF4D887A4E55C5ULL;
    qToLittleEndian<quint64>(HiveFormat::marvin32(entry.constData() + 40, 512 - 40, Seed), entry.data() + 24);
    qToLittleEndian<quint64>(HiveFormat::marvin32(entry.constData(), 32, Seed), entry.data() + 32);
    return baseBlock(6, 5, 5, 4096, 512) + entry;
}

} // namespace

class TestHiveRead final : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_store.emplace().ok()); }
    void cleanup() { m_store.reset(); }

    void corpusOutcome()
    {
        const QStringList files = QDir(corpusHive(QString())).entryList(QDir::Files, QDir::Name);
        QVERIFY(files.size() >= 62);
        QMap<QString, qsizetype> keys;
        for (const QString& file : files) {
            const Walk walk = openAndWalk(corpusHive(file));
            QVERIFY2(walk.outcome == expectedOutcome(file), qPrintable(file + u':' + walk.message));
            QVERIFY2(walk.outcome == Outcome::Refused ? !walk.message.isEmpty() : walk.keys >= 1, qPrintable(file));
            keys[file] = walk.keys;
        }
        // a subkey listed twice is one key
        QVERIFY(keys.value("yarp__ManySubkeysHive") > 5000);
        QCOMPARE(keys.value("yarp__DuplicateSubkeysHive"), keys.value("yarp__ManySubkeysHive"));
    }

    // Each hive mounted under its own file name.
    void sameAsHiveTool()
    {
        const QStringList files{"hivex__special", "hivex__rlenvalue_test_hive", "python-registry__UNICODE_TESTS",
                                "python-registry__issue22.hive", "regipy__BCD", "regipy__NTUSER.DAT",
                                "yarp__BigDataHive", "yarp__MultiSzHive", "yarp__StringValuesHive", "yarp__CompHive",
                                "yarp__PairHive", "yarp__ExtendedASCIIHive", "yarp__ValuesOrderHive",
                                "yarp__ManySubkeysHive"};
        QStringList mounts;
        for (const QString& file : files)
            mounts << corpusHive(file) + u':' + file;
        QCOMPARE(mountFiles(mounts), ERROR_SUCCESS);
        for (const QString& file : files)
            compareWithHiveTool(corpusHive(file), file);
    }

    // The dirty hives read with their logs (new ones, and an old one) show what Windows 10 and 7 made of them.
    void replayMatchesWindows()
    {
        for (const auto& [dirty, recovered] :
             {std::pair{"yarp__NewDirtyHive1_NewDirtyHive", "yarp__NewDirtyHive1_RecoveredHive_Windows10"},
              {"yarp__OldDirtyHive", "yarp__OldDirtyHive_RecoveredHive_Windows7"}}) {
            QStringList warnings;
            RegShutdown();
            QCOMPARE(mountFiles({corpusHive(dirty) + ":A", corpusHive(recovered) + ":B"}, &warnings), ERROR_SUCCESS);
            QCOMPARE(warnings.size(), 1); // the replay
            const BranchDump replayed = dumpBranch(HKEY_LOCAL_MACHINE, QStringLiteral("A"), QString());
            const BranchDump windows = dumpBranch(HKEY_LOCAL_MACHINE, QStringLiteral("B"), QString());
            QVERIFY(replayed.size() > 1);
            QCOMPARE(replayed.keys(), windows.keys());
            QCOMPARE(replayed, windows);
            // Without its logs the file differs: the comparison above has something to find.
            RegShutdown();
            QTemporaryDir alone;
            QVERIFY(QFile::copy(corpusHive(dirty), alone.filePath(QStringLiteral("hive"))));
            QCOMPARE(mountFiles({alone.filePath("hive") + ":C"}, &warnings), ERROR_SUCCESS);
            QVERIFY(warnings.join(u' ').contains(QStringLiteral("Protokolldateien fehlen")));
            QVERIFY(dumpBranch(HKEY_LOCAL_MACHINE, QStringLiteral("C"), QString()) != windows);
        }
    }

    void replayedBaseBlockIsSound()
    {
        const HiveImage image = HiveImage::load(corpusHive(QStringLiteral("yarp__BadBaseBlockHive")));
        QVERIFY(image.error.isEmpty());
        QVERIFY(image.replayed);
        QCOMPARE(HiveFormat::baseBlockChecksum(image.bytes.constData()),
                 qFromLittleEndian<quint32>(image.bytes.constData() + 508));
        QCOMPARE(qFromLittleEndian<quint32>(image.bytes.constData() + 4),
                 qFromLittleEndian<quint32>(image.bytes.constData() + 8));
    }

    // A log may claim any size for the hive; the image never grows beyond what primary and log hold. Logs of
    // the old and the new format, and a primary whose base block claims 4 GB.
    void hostileLogStaysBounded()
    {
        for (const auto& [newFormat, brokenEntry, primaryBins] :
             {std::tuple{false, false, 4096u}, {true, false, 4096u}, {true, true, 0xFFFFF000u}}) {
            const QByteArray primary = baseBlock(0, 2, 1, primaryBins, 4096) + "hbin" + QByteArray(4092, '\0');
            const QByteArray log = hugeLog(newFormat, brokenEntry);
            const HiveImage image = HiveImage::replay(primary, {log});
            QVERIFY(image.dirty);
            QVERIFY2(image.bytes.size() <= primary.size() + log.size(),
                     qPrintable(QString::number(image.bytes.size())));
        }
    }

    void readingCreatesNoFile()
    {
        QTemporaryDir dir;
        const QStringList files{"yarp__NewDirtyHive1_NewDirtyHive", "yarp__NewDirtyHive1_NewDirtyHive.LOG1",
                                "yarp__NewDirtyHive1_NewDirtyHive.LOG2", "hivex__special"};
        for (const QString& f : files)
            QVERIFY(QFile::copy(corpusHive(f), dir.filePath(f)));
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(mountFiles({dir.filePath(files.at(0)) + ":A", dir.filePath(files.at(3)) + ":B"}), ERROR_SUCCESS);
        QVERIFY(dumpBranch(HKEY_LOCAL_MACHINE, QStringLiteral("A"), QString()).size() > 1);
        QCOMPARE(runTool({"export", "HKLM\\B", dir.filePath("out.reg"), "/y"}).rc, 0);
        // The export names the keys by the mount (a REGEDIT4 file: these hives hold no QWORD).
        const QByteArray exported = readFile(dir.filePath("out.reg"));
        QVERIFY(exported.startsWith("REGEDIT4"));
        QVERIFY(exported.contains("[HKEY_LOCAL_MACHINE\\B\\abcd_\xe4\xf6\xfc\xdf]\r\n"
                                  "\"abcd_\xe4\xf6\xfc\xdf\"=dword:00000000"));
        RegShutdown();
        QVERIFY(QFile::remove(dir.filePath("out.reg")));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        QCOMPARE(readFile(dir.filePath(files.at(0))), readFile(corpusHive(files.at(0))));
    }

    // A version 5 export of a mounted hive holding QWORDs, imported into the store, gives back every key,
    // type and data the hive library reads from the hive; its keys are named by the mount.
    void version5ExportRoundTrip()
    {
        for (const char* file : {"regipy__NTUSER.DAT", "regipy__NTUSER-WSL.DAT"}) {
            QVERIFY(m_store.emplace().ok());
            QTemporaryDir dir;
            const QString hive = corpusHive(file);
            const QString exported = dir.filePath(QStringLiteral("out.reg"));
            QCOMPARE(mountFiles({hive + ":N"}), ERROR_SUCCESS);
            QCOMPARE(runTool({"export", "HKLM\\N", exported, "/y", "/5"}).rc, 0);
            RegShutdown();
            const QByteArray bytes = readFile(exported);
            QVERIFY(bytes.startsWith("\xFF\xFE"));
            const QString text =
                QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
            QVERIFY(text.startsWith(QStringLiteral("Windows Registry Editor Version 5.00\r\n")));
            QVERIFY(text.contains(QStringLiteral("hex(b):")));
            const ToolRun imported = runTool({"import", exported});
            QVERIFY2(imported.rc == 0, qPrintable(imported.err));
            compareWithHiveTool(hive, "N");
        }
    }

    // Names are found by the Windows case rules, which fold beyond ASCII but not "ß" into "SS"; up to a NUL
    // inside it a name is another.
    void lookupByWindowsCase()
    {
        QCOMPARE(mountFiles({corpusHive("yarp__UnicodeHive") + ":U", corpusHive("yarp__ExtendedASCIIHive") + ":E",
                             corpusHive("yarp__UpcaseHive") + ":C", corpusHive("yarp__ManySubkeysHive") + ":M",
                             corpusHive("hivex__special") + ":S"}),
                 ERROR_SUCCESS);
        const std::pair<QString, bool> cases[] = {
            {"U\\ПриВет\\КлюЧ", true}, {"E\\ËIGENAARDIG", true}, {"C\\SS1", true}, {"C\\SS2", false}, {"C\\ß2", true},
            {"M\\KEY_WITH_MANY_SUBKEYS\\2119\\find_me", true}, {QString::fromUtf16(u"S\\zero\0key", 10), true},
            {"S\\zero", false}};
        for (const auto& [path, found] : cases) {
            HKEY key = 0;
            const LONG rc = RegOpenKeyEx(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key);
            QVERIFY2(rc == (found ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND), qPrintable(path));
            RegCloseKey(key);
        }
    }

    // Values come in the order of the key's list, not sorted; two keys differing only in how their name is
    // stored (Latin-1 0x9F, UTF-16 U+0178) stay two keys.
    void namesAsStored()
    {
        QCOMPARE(mountFiles({corpusHive("yarp__ValuesOrderHive") + ":V", corpusHive("yarp__CompHive") + ":C"}),
                 ERROR_SUCCESS);
        HKEY key = 0;
        QCOMPARE(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "V", 0, KEY_READ, &key), ERROR_SUCCESS);
        QStringList names;
        QString name;
        for (DWORD i = 0; RegEnumValueBytes(key, i, &name, MAX_VALUE_NAME + 1, nullptr, nullptr) == ERROR_SUCCESS; ++i)
            names << name;
        RegCloseKey(key);
        QCOMPARE(names, QStringList({"aaa", "zzz", "bbb"}));
        names = subKeyNames(HKEY_LOCAL_MACHINE, QStringLiteral("C"));
        QVERIFY2(names.size() == 2, qPrintable(names.join(u'|')));
        QVERIFY(names.contains(QString(QChar(0x9F))) || names.contains(QString(QChar(0x178))));
    }

    void mountBesideStoreKeys()
    {
        const QStringList before = subKeyNames(HKEY_LOCAL_MACHINE, QString());
        QVERIFY(before.contains("SOFTWARE", Qt::CaseInsensitive));
        QCOMPARE(mountFiles({corpusHive("hivex__special") + ":Offline"}), ERROR_SUCCESS);
        QStringList after = subKeyNames(HKEY_LOCAL_MACHINE, QString());
        QVERIFY(after.removeOne("Offline"));
        QCOMPARE(after, before);
        QCOMPARE(subKeyNames(HKEY_LOCAL_MACHINE, "offline").size(), 3);
    }

    // A store key's name, in any case, or a name given twice.
    void mountNameTaken()
    {
        const QString minimal = corpusHive("hivex__minimal");
        for (const QStringList& hives : {QStringList{minimal + ":SOFTWARE"}, QStringList{minimal + ":software"},
                                         QStringList{minimal + ":A", corpusHive("hivex__special") + ":a"}}) {
            QString error;
            QStringList warnings;
            QCOMPARE(RegOpenHives({hives, {}, {}, false}, &error, &warnings), ERROR_ALREADY_EXISTS);
            QVERIFY(error.contains(QStringLiteral("existiert schon")));
        }
    }

    // FILE[:NAME]: the name after the last colon, the file name without one, a colon inside a folder kept.
    void hiveSpec()
    {
        const char* const cases[][3] = {
            {"/mnt/c/NTUSER.DAT:Anna", "/mnt/c/NTUSER.DAT", "Anna"}, {"/mnt/c/SOFTWARE", "/mnt/c/SOFTWARE", "SOFTWARE"},
            {"a:b:c", "a:b", "c"}, {"/mnt/x:y/SAM", "/mnt/x:y/SAM", "SAM"}, {"/h/SYSTEM:", "/h/SYSTEM:", "SYSTEM:"}};
        for (const auto& [mountArg, path, name] : cases) {
            const HiveMapping::HiveMount parsed = HiveMapping::parseMount(QString::fromLatin1(mountArg));
            QCOMPARE(parsed.path + u'|' + parsed.name, QString::fromLatin1(path) + u'|' + QString::fromLatin1(name));
        }
    }

private:
    std::optional<TempStore> m_store;
};

QTEST_GUILESS_MAIN(TestHiveRead)
#include "TestHiveRead.moc"
