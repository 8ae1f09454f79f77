#include "StoreProbe.h"
#include "platform/WinReg.h"
#include "support/TempStore.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QTest>
#include <QThread>

#include <cstring>
#include <thread>

using namespace Qt::Literals::StringLiterals;
#include <sys/stat.h>

using namespace StoreProbe;

namespace {

LONG set(HKEY k, const QString& name, const QByteArray& data = "1", DWORD type = REG_BINARY)
{
    return RegSetValueBytes(k, name, type, data);
}

// Opens (creates) a key and closes it again: the call's code.
LONG tryOpen(HKEY root, const QString& path, REGSAM sam = KEY_READ)
{
    HKEY k = 0;
    const LONG rc = RegOpenKeyEx(root, path, 0, sam, &k);
    RegCloseKey(k);
    return rc;
}

LONG tryCreate(HKEY root, const QString& path)
{
    HKEY k = 0;
    DWORD disp = 0;
    const LONG rc = RegCreateKeyEx(root, path, 0, {}, 0, KEY_ALL_ACCESS, nullptr, &k, &disp);
    RegCloseKey(k);
    return rc;
}

QStringList subKeyNames(HKEY k)
{
    QStringList out;
    QString name;
    for (DWORD i = 0; RegEnumKey(k, i, &name, 256) == ERROR_SUCCESS; ++i)
        out << name;
    return out;
}

QStringList valueNames(HKEY k)
{
    QStringList out;
    QString name;
    for (DWORD i = 0; RegEnumValueBytes(k, i, &name, 16384, nullptr, nullptr) == ERROR_SUCCESS; ++i)
        out << name;
    return out;
}

} // namespace

class TestWinReg final : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_store.emplace().ok()); }
    void cleanup() { m_store.reset(); }

    void rootKeysAndAliases()
    {
        // the aliases show keys of HKEY_LOCAL_MACHINE and HKEY_USERS
        RegCloseKey(createKey(HKEY_CLASSES_ROOT, u".txt"_s));
        QCOMPARE(tryOpen(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\.TXT"_s), ERROR_SUCCESS);
        RegCloseKey(createKey(HKEY_CURRENT_CONFIG, u"Software\\Fonts"_s));
        const QString currentConfig = u"SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current"_s;
        QCOMPARE(tryOpen(HKEY_LOCAL_MACHINE, currentConfig + u"\\Software\\Fonts"_s), ERROR_SUCCESS);
        RegCloseKey(createKey(HKEY_CURRENT_USER, u"Software\\Probe"_s));
        int found = 0;
        for (const QString& sid : subKeyNames(HKEY_USERS))
            found += tryOpen(HKEY_USERS, sid + u"\\Software\\Probe"_s) == ERROR_SUCCESS;
        QCOMPARE(found, 1);
        for (HKEY none : {HKEY_DYN_DATA, HKEY_PERFORMANCE_DATA, HKEY(0x12345)}) // no sixth slot on the local store
            QCOMPARE(tryOpen(none, {}), ERROR_INVALID_HANDLE);
    }

    // Opened or created below HKEY_CURRENT_USER, where Software\Größe exists: the code, the disposition, and a
    // key the call must not leave behind.
    void keyPaths()
    {
        const QString k256(256, QLatin1Char('k'));
        const QString k255 = k256.left(255);
        QString deep = u"Deep"_s;
        for (int level = 2; level <= 511; ++level) // HKEY_CURRENT_USER is level 1 below HKEY_USERS
            deep += u"\\d"_s;
        const std::tuple<bool, QString, LONG, DWORD, QString> cases[] = { // creating, path, code, disposition, absent
            {false, u"\\Software"_s, ERROR_BAD_PATHNAME, 0, {}},
            {false, u"Software\\Nope"_s, ERROR_FILE_NOT_FOUND, 0, {}},
            {false, u"Software\\"_s, ERROR_SUCCESS, 0, {}}, {true, u"Software\\\\x"_s, ERROR_INVALID_PARAMETER, 0, {}},
            {true, u"Software\\"_s + k255, ERROR_SUCCESS, REG_CREATED_NEW_KEY, {}},
            {true, u"Neu\\"_s + k256, ERROR_INVALID_PARAMETER, 0, u"Neu"_s},
            {false, u"Software\\"_s + k256, ERROR_FILE_NOT_FOUND, 0, {}},
            {true, u"SOFTWARE\\GRÖSSE"_s, ERROR_SUCCESS, REG_CREATED_NEW_KEY, {}}, // ß is not SS
            {true, u"SOFTWARE\\GRÖße"_s, ERROR_SUCCESS, REG_OPENED_EXISTING_KEY, {}}, // ä is Ä
            {true, deep, ERROR_SUCCESS, REG_CREATED_NEW_KEY, {}}, // 512 levels
            {true, deep + u"\\d"_s, ERROR_INVALID_PARAMETER, 0, u"Deep"_s}}; // 513
        for (const auto& [creating, subKey, rc, disposition, absent] : cases) {
            QVERIFY(m_store.emplace().ok());
            RegCloseKey(createKey(HKEY_CURRENT_USER, u"Software\\Größe"_s));
            HKEY k = HKEY(0xABCD);
            DWORD disp = 0;
            QCOMPARE(creating ? RegCreateKeyEx(HKEY_CURRENT_USER, subKey, 0, {}, 0, KEY_ALL_ACCESS, nullptr, &k, &disp)
                              : RegOpenKeyEx(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &k),
                     rc);
            QCOMPARE(disp, disposition);
            if (rc != ERROR_SUCCESS)
                QCOMPARE(k, HKEY(0xABCD)); // untouched on failure
            QCOMPARE(RegCloseKey(k), rc == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_INVALID_HANDLE);
            if (!absent.isEmpty())
                QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, absent, 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
        }
    }

    // Value names compare without case up to their limit; subkeys enumerate in the hive's order, values in
    // their creation order.
    void namesAndTheirOrder()
    {
        HKEY k = createKey(HKEY_CURRENT_USER, u"Software\\Names"_s);
        QCOMPARE(set(k, u"Äpfel"_s, "1"), ERROR_SUCCESS);
        QCOMPARE(set(k, u"äPFEL"_s, "2"), ERROR_SUCCESS);
        QCOMPARE(valueNames(k), QStringList{u"Äpfel"_s});
        QCOMPARE(valueOf(u"Software\\Names"_s, u"ÄPFEL"_s), QByteArray("2"));
        QCOMPARE(set(k, QString(16383, QLatin1Char('v'))), ERROR_SUCCESS);
        QCOMPARE(set(k, QString(16384, QLatin1Char('v'))), ERROR_INVALID_PARAMETER);
        RegCloseKey(k);
        k = createKey(HKEY_CURRENT_USER, u"Software\\Order"_s);
        const QStringList created = {u"b"_s, u"_x"_s, u"A"_s, u"Ä"_s, u"a1"_s, u"Z"_s};
        for (const QString& n : created) {
            RegCloseKey(createKey(k, n));
            QCOMPARE(set(k, n, QByteArray(4, '\0'), REG_DWORD), ERROR_SUCCESS);
        }
        // upper-cased code units: "A" (41) < "A1" < "B" < "Z" (5A) < "_X" (5F) < "Ä" (C4)
        QCOMPARE(subKeyNames(k), (QStringList{u"A"_s, u"a1"_s, u"b"_s, u"Z"_s, u"_x"_s, u"Ä"_s}));
        QCOMPARE(valueNames(k), created);
        QCOMPARE(set(k, u"B"_s, QByteArray("x", 2), REG_SZ), ERROR_SUCCESS); // keeps its place
        QCOMPARE(valueNames(k), created);
        RegCloseKey(k);
    }

    void buffersAndSentinels()
    {
        HKEY k = createKey(HKEY_CURRENT_USER, u"Software\\Buffers"_s);
        QCOMPARE(set(k, u"abcdef"_s, "123456789"), ERROR_SUCCESS);
        RegCloseKey(createKey(k, QString(255, QLatin1Char('k'))));
        QString name = u"sentinel"_s;
        DWORD cch = 6; // six characters need seven
        DWORD type = 0xFFFF;
        BYTE buf[16];
        std::memset(buf, 0xCC, sizeof buf);
        DWORD cb = sizeof buf;
        QCOMPARE(RegEnumValue(k, 0, &name, &cch, &type, buf, &cb), ERROR_MORE_DATA);
        QCOMPARE(name, u"sentinel"_s);
        cch = 7;
        cb = 4;
        QCOMPARE(RegEnumValue(k, 0, &name, &cch, &type, buf, &cb), ERROR_MORE_DATA);
        QCOMPARE(cb, DWORD(9));
        QCOMPARE(buf[0], BYTE(0xCC));
        cb = sizeof buf;
        cch = 7;
        QCOMPARE(RegEnumValue(k, 0, &name, &cch, &type, buf, &cb), ERROR_SUCCESS);
        QCOMPARE(name, u"abcdef"_s);
        QCOMPARE(cch, DWORD(6));
        QCOMPARE(type, REG_BINARY);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), 10), QByteArray("123456789\xCC"));
        cch = 7;
        QCOMPARE(RegEnumValue(k, 1, &name, &cch, &type, buf, &cb), ERROR_NO_MORE_ITEMS);
        // query: size only, too small (sentinel kept), exact
        cb = 0;
        QCOMPARE(RegQueryValueEx(k, u"abcdef"_s, &type, nullptr, &cb), ERROR_SUCCESS);
        QCOMPARE(cb, DWORD(9));
        std::memset(buf, 0xEE, sizeof buf);
        cb = 2;
        QCOMPARE(RegQueryValueEx(k, u"abcdef"_s, &type, buf, &cb), ERROR_MORE_DATA);
        QCOMPARE(cb, DWORD(9));
        QCOMPARE(buf[0], BYTE(0xEE));
        QCOMPARE(RegQueryValueEx(k, u"missing"_s, &type, nullptr, &cb), ERROR_FILE_NOT_FOUND);
        // a 255-character key name needs a buffer of 256
        cch = 255;
        QCOMPARE(RegEnumKeyEx(k, 0, &name, &cch, nullptr), ERROR_MORE_DATA);
        cch = 256;
        QCOMPARE(RegEnumKeyEx(k, 0, &name, &cch, nullptr), ERROR_SUCCESS);
        QCOMPARE(cch, DWORD(255));
        QCOMPARE(RegEnumKey(k, 1, &name, 256), ERROR_NO_MORE_ITEMS);
        RegCloseKey(k);
    }

    void embeddedNulsAndEmptyData()
    {
        HKEY k = createKey(HKEY_CURRENT_USER, u"Software\\Nuls"_s);
        const QByteArray multi("one\0two\0\0", 9);
        QByteArray big(1 << 20, '\0');
        for (int i = 0; i < big.size(); ++i)
            big[i] = char(i * 7);
        const QList<std::pair<DWORD, QByteArray>> values = {
            {REG_MULTI_SZ, multi}, {REG_BINARY, QByteArray("")}, {0x12345678, QByteArray("\0", 1)}, {REG_BINARY, big}};
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(set(k, QString::number(i), values[i].second, values[i].first), ERROR_SUCCESS);
        RegCloseKey(k);
        QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\Nuls"_s, 0, KEY_READ, &k), ERROR_SUCCESS);
        for (int i = 0; i < values.size(); ++i) {
            QByteArray data("sentinel");
            DWORD type = 0;
            QCOMPARE(RegQueryValueBytes(k, QString::number(i), &type, &data), ERROR_SUCCESS);
            QCOMPARE(type, values[i].first);
            QCOMPARE(data, values[i].second);
        }
        DWORD maxLen = 0;
        DWORD count = 0;
        QCOMPARE(RegQueryInfoKey(k, nullptr, nullptr, &count, nullptr, &maxLen, nullptr), ERROR_SUCCESS);
        QCOMPARE(count, DWORD(4));
        QCOMPARE(maxLen, DWORD(1 << 20));
        RegCloseKey(k);
    }

    void deleteKeyRefusesKeysWithSubkeysAndHandlesSeeDeletion()
    {
        HKEY parent = createKey(HKEY_CURRENT_USER, u"Software\\Del"_s);
        HKEY child = createKey(parent, u"Child\\Grand"_s);
        QCOMPARE(RegDeleteKey(parent, u"Child"_s), ERROR_ACCESS_DENIED);
        QCOMPARE(RegDeleteKey(parent, u"Child\\Grand"_s), ERROR_SUCCESS);
        // the open handle of a deleted key answers 1018 from then on
        QString name;
        QCOMPARE(set(child, u"x"_s), ERROR_KEY_DELETED);
        QCOMPARE(RegEnumKey(child, 0, &name, 256), ERROR_KEY_DELETED);
        QCOMPARE(tryCreate(child, u"x"_s), ERROR_KEY_DELETED);
        QCOMPARE(RegCloseKey(child), ERROR_SUCCESS);
        QCOMPARE(RegDeleteKey(parent, u"Child"_s), ERROR_SUCCESS);
        QCOMPARE(RegDeleteKey(parent, u"Child"_s), ERROR_FILE_NOT_FOUND);
        QCOMPARE(subKeyNames(parent), QStringList());
        QCOMPARE(RegDeleteKey(HKEY_LOCAL_MACHINE, {}), ERROR_ACCESS_DENIED); // a hive root stays
        RegCloseKey(parent);
    }

    void accessIsCheckedOnTheHandleAndTheKey()
    {
        RegCloseKey(createKey(HKEY_CURRENT_USER, u"Software\\Secured\\Inner"_s));
        HKEY r = createKey(HKEY_CURRENT_USER, u"Software\\Secured"_s, KEY_READ);
        QCOMPARE(set(r, u"v"_s), ERROR_ACCESS_DENIED);
        QCOMPARE(RegDeleteValue(r, u"v"_s), ERROR_ACCESS_DENIED);
        QCOMPARE(tryCreate(r, u"new"_s), ERROR_ACCESS_DENIED);
        HKEY w = createKey(HKEY_CURRENT_USER, u"Software\\Secured"_s, KEY_SET_VALUE);
        QString name;
        QCOMPARE(RegEnumKey(w, 0, &name, 256), ERROR_ACCESS_DENIED);
        QCOMPARE(RegQueryValueBytes(w, u"v"_s, nullptr, nullptr), ERROR_ACCESS_DENIED);
        // a deny is the key's own, not its subtree's; a key denied reading is still listed by its parent
        QCOMPARE(RegSetKeyDeny(w, KEY_DENY_WRITE), ERROR_SUCCESS);
        QCOMPARE(tryOpen(HKEY_CURRENT_USER, u"Software\\Secured"_s), ERROR_SUCCESS);
        QCOMPARE(tryOpen(HKEY_CURRENT_USER, u"Software\\Secured"_s, KEY_WRITE), ERROR_ACCESS_DENIED);
        QCOMPARE(tryCreate(HKEY_CURRENT_USER, u"Software\\Secured\\New"_s), ERROR_ACCESS_DENIED);
        QCOMPARE(tryOpen(HKEY_CURRENT_USER, u"Software\\Secured\\Inner"_s, KEY_ALL_ACCESS), ERROR_SUCCESS);
        // several new levels: the deepest existing key decides, not a key further up
        QCOMPARE(tryCreate(HKEY_CURRENT_USER, u"Software\\Secured\\New\\Deeper"_s), ERROR_ACCESS_DENIED);
        QCOMPARE(tryCreate(HKEY_CURRENT_USER, u"Software\\Secured\\Inner\\Deeper\\Still"_s), ERROR_SUCCESS);
        QCOMPARE(RegSetKeyDeny(w, KEY_DENY_READ), ERROR_SUCCESS);
        QCOMPARE(tryOpen(HKEY_CURRENT_USER, u"Software\\Secured"_s), ERROR_ACCESS_DENIED);
        HKEY sw = createKey(HKEY_CURRENT_USER, u"Software"_s, KEY_READ);
        QVERIFY(subKeyNames(sw).contains(u"Secured"_s));
        for (HKEY k : {r, w, sw})
            RegCloseKey(k);
    }

    void lastWriteTimeFollowsChanges()
    {
        HKEY k = createKey(HKEY_CURRENT_USER, u"Software\\Times"_s);
        auto lastWrite = [k] {
            FILETIME ft;
            return RegQueryInfoKey(k, nullptr, nullptr, nullptr, nullptr, nullptr, &ft) == 0 ? FileTimeToDateTime(ft)
                                                                                             : QDateTime();
        };
        const QDateTime created = lastWrite();
        QVERIFY(qAbs(created.secsTo(QDateTime::currentDateTimeUtc())) < 60);
        QCOMPARE(FileTimeToDateTime(DateTimeToFileTime(created)), created);
        QThread::msleep(20);
        QCOMPARE(set(k, u"v"_s), ERROR_SUCCESS);
        const QDateTime afterValue = lastWrite();
        QVERIFY(afterValue > created);
        QThread::msleep(20);
        HKEY g = createKey(k, u"child\\grandchild"_s);
        const QDateTime afterChild = lastWrite();
        QVERIFY(afterChild > afterValue);
        QThread::msleep(20);
        QCOMPARE(set(g, u"v"_s), ERROR_SUCCESS); // two levels down: not a change of this key
        QCOMPARE(lastWrite(), afterChild);
        RegCloseKey(g);
        RegCloseKey(k);
    }

    // A machine of the map is a store of its own; a batch ends on its own store.
    void machinesMapRoutesToAnotherStore()
    {
        HKEY remote = 0;
        QCOMPARE(RegConnectRegistry(u"\\\\NOWHERE"_s, HKEY_CURRENT_USER, &remote), ERROR_BAD_NETPATH);
        RegSetMachineStore(u"server"_s, m_store->otherStorePath(u"server"_s));
        QCOMPARE(RegConnectRegistry(u"\\\\SERVER"_s, HKEY_CURRENT_USER, &remote), ERROR_SUCCESS);
        QCOMPARE(tryCreate(remote, u"Software\\OnServer"_s), ERROR_SUCCESS);
        QCOMPARE(tryOpen(HKEY_CURRENT_USER, u"Software\\OnServer"_s), ERROR_FILE_NOT_FOUND);
        QVERIFY(QFile::exists(m_store->otherStorePath(u"server"_s)));
        HKEY local = createKey(HKEY_CURRENT_USER, u"Software\\Mine"_s);
        QCOMPARE(RegBeginBatch(local), ERROR_SUCCESS);
        QCOMPARE(RegBeginBatch(remote), ERROR_SUCCESS);
        QCOMPARE(set(local, u"mine"_s), ERROR_SUCCESS);
        QCOMPARE(set(remote, u"theirs"_s), ERROR_SUCCESS);
        // the local batch ends first: its value is committed at once, seen by another connection
        QCOMPARE(RegEndBatch(local), ERROR_SUCCESS);
        QCOMPARE(sqlValue(m_store->storePath(), "SELECT count(*) FROM vals WHERE name='mine'"), 1);
        QCOMPARE(RegEndBatch(remote), ERROR_SUCCESS);
        QCOMPARE(RegEndBatch(local), ERROR_INVALID_HANDLE);
        RegCloseKey(local);
        QCOMPARE(RegCloseKey(remote), ERROR_SUCCESS);
        QCOMPARE(RegConnectRegistry({}, HKEY_USERS, &remote), ERROR_SUCCESS); // the empty name is this machine
        RegCloseKey(remote);
    }

    // Garbage, another program's database (by its tables or its application id), a newer version's store.
    void filesThatAreNotStoresStayUnchanged()
    {
        const std::pair<const char*, QString> cases[] = { // the SQL that makes the file (none: 4 KB of garbage)
            {nullptr, u"keine Registrierungsdatenbank"_s},
            {"CREATE TABLE t(x); INSERT INTO t VALUES(1);", u"anderen Programms"_s},
            {"PRAGMA application_id=7; CREATE TABLE keys(x);", u"anderen Programms"_s},
            {"PRAGMA application_id=1262573134; PRAGMA user_version=3; CREATE TABLE keys(x);", u"neueren Version"_s}};
        int n = 0;
        for (const auto& [sql, reason] : cases) {
            const QString path = m_store->otherStorePath(u"foreign%1"_s.arg(n++));
            QVERIFY(sql ? sqlValue(path, sql) == -1 : writeFile(path, QByteArray(4096, 'x')));
            const QByteArray before = readFile(path);
            QString error;
            QCOMPARE(RegOpenLocalStore(path, &error), ERROR_BADDB);
            QVERIFY2(error.contains(reason), qPrintable(error));
            QCOMPARE(RegOpenLocalStore(path, &error, StoreAccess::ReadOnly), ERROR_BADDB);
            QCOMPARE(readFile(path), before);
            QVERIFY(!QFile::exists(path + u"-wal"_s));
        }
        QVERIFY(createKey(HKEY_CURRENT_USER, u"Software\\StillThere"_s)); // the store in use stays
        QString error;
        QCOMPARE(RegOpenLocalStore(m_store->dirPath() + u"/missing/r.db"_s, &error), ERROR_FILE_NOT_FOUND);
        QVERIFY(error.contains(u"existiert nicht"_s));
    }

    void olderStoreIsMigratedNewOneIsPrivate()
    {
        QCOMPARE(setValueIn(HKEY_CURRENT_USER, u"Software\\Old"_s, u"v"_s, REG_BINARY, "kept"), ERROR_SUCCESS);
        RegShutdown();
        // the first stores carried neither application id nor version nor the later indexes
        QCOMPARE(sqlValue(m_store->storePath(),
                          "PRAGMA application_id=0; PRAGMA user_version=0; DROP INDEX changelog_time;"),
                 -1);
        QCOMPARE(RegOpenLocalStore(m_store->storePath()), ERROR_SUCCESS);
        QCOMPARE(valueOf(u"Software\\Old"_s, u"v"_s), QByteArray("kept"));
        RegShutdown();
        QCOMPARE(sqlValue(m_store->storePath(), "PRAGMA user_version"), 2);
        QCOMPARE(sqlValue(m_store->storePath(), "PRAGMA application_id"), 0x4B41564E);
        QCOMPARE(sqlValue(m_store->storePath(), "SELECT count(*) FROM sqlite_master WHERE name='changelog_time'"), 1);
        // A new store is the owner's alone, whatever the umask.
        const mode_t old = ::umask(0);
        const QString path = m_store->otherStorePath(u"private"_s);
        QCOMPARE(RegOpenLocalStore(path), ERROR_SUCCESS);
        ::umask(old);
        RegCloseKey(createKey(HKEY_CURRENT_USER, u"Software\\Secret"_s));
        for (const QString& file : {path, path + u"-wal"_s, path + u"-shm"_s}) {
            struct stat st {};
            QCOMPARE(::stat(QFile::encodeName(file).constData(), &st), 0);
            QCOMPARE(st.st_mode & 0777, mode_t(0600));
        }
    }

    // A read-only file, and a store opened for reading.
    void readOnlyStoresAnswerAccessDenied()
    {
        for (const bool readOnlyFile : {true, false}) {
            QVERIFY(m_store.emplace().ok());
            QCOMPARE(setValueIn(HKEY_CURRENT_USER, u"Software\\Kept"_s, u"v"_s, REG_BINARY, "1"), ERROR_SUCCESS);
            const QString path = m_store->storePath();
            RegShutdown();
            if (readOnlyFile)
                QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
            const QByteArray before = readFile(path);
            const StoreAccess access = readOnlyFile ? StoreAccess::ReadWrite : StoreAccess::ReadOnly;
            QCOMPARE(RegOpenLocalStore(path, nullptr, access), ERROR_SUCCESS);
            QCOMPARE(valueOf(u"Software\\Kept"_s, u"v"_s), QByteArray("1"));
            HKEY k = 0;
            QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\Kept"_s, 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
            QCOMPARE(set(k, u"w"_s), ERROR_ACCESS_DENIED);
            QCOMPARE(RegDeleteKey(HKEY_CURRENT_USER, u"Software\\Kept"_s), ERROR_ACCESS_DENIED);
            QVERIFY(!createKey(HKEY_CURRENT_USER, u"Software\\New"_s));
            QCOMPARE(RegBeginBatch(k), ERROR_ACCESS_DENIED);
            RegCloseKey(k);
            RegShutdown();
            QCOMPARE(readFile(path), before);
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        }
    }

    void writingWhileEnumerating()
    {
        const auto nameOf = [](DWORD i) { return u"k%1"_s.arg(i, 5, 10, QLatin1Char('0')); };
        HKEY k = createKey(HKEY_CURRENT_USER, u"Software\\Batch"_s);
        RegBatch batch(k);
        QVERIFY(batch.ok());
        for (int i = 0; i < 3000; ++i)
            QCOMPARE(setValueIn(k, nameOf(i), u"v"_s, REG_DWORD, QByteArray(4, char(i))), ERROR_SUCCESS);
        // values written into the key whose subkeys are enumerated, and into the key whose values are
        // enumerated: each index still answers its own item
        QString name;
        for (DWORD i = 0; RegEnumKey(k, i, &name, 256) == ERROR_SUCCESS; ++i) {
            QCOMPARE(name, nameOf(i));
            QCOMPARE(set(k, name, QByteArray::number(i)), ERROR_SUCCESS);
        }
        QByteArray data;
        for (DWORD i = 0; RegEnumValueBytes(k, i, &name, 16384, nullptr, &data) == ERROR_SUCCESS; ++i) {
            QCOMPARE(name, nameOf(i));
            QCOMPARE(data, QByteArray::number(i) + (i % 2 ? "odd" : ""));
            if (i % 2 == 0)
                QCOMPARE(set(k, nameOf(i + 1), QByteArray::number(i + 1) + "odd"), ERROR_SUCCESS);
            QCOMPARE(RegQueryValueBytes(k, name, nullptr, &data), ERROR_SUCCESS);
        }
        QCOMPARE(batch.end(), ERROR_SUCCESS);
        RegCloseKey(k);
        // after the batch everything is in the file: a fresh open of the store sees it
        RegShutdown();
        QCOMPARE(RegOpenLocalStore(m_store->storePath()), ERROR_SUCCESS);
        QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\Batch"_s, 0, KEY_READ, &k), ERROR_SUCCESS);
        QCOMPARE(subKeyNames(k).size(), 3000);
        QCOMPARE(valueNames(k).size(), 3000);
        RegCloseKey(k);
    }

    // each write into one key, also several in a row, shows in the lists of the other handles on it
    void otherHandlesSeeEveryWrite()
    {
        HKEY reader = createKey(HKEY_CURRENT_USER, u"Software\\Seen"_s);
        HKEY writer = createKey(HKEY_CURRENT_USER, u"Software\\Seen"_s);
        QStringList expected;
        for (const QString& name : {u"a"_s, u"b"_s, u"c"_s}) {
            QCOMPARE(set(writer, name, "1"), ERROR_SUCCESS);
            expected << name;
            QCOMPARE(valueNames(reader), expected);
        }
        RegCloseKey(reader);
        RegCloseKey(writer);
    }

    void handlesAreThreadSafe()
    {
        std::atomic<int> failures{0};
        auto work = [&failures](int t) {
            for (int i = 0; i < 200; ++i) {
                HKEY h = createKey(HKEY_CURRENT_USER, u"Software\\Threads\\t%1"_s.arg(t));
                QByteArray data;
                failures += !h || set(h, u"v%1"_s.arg(i), QByteArray::number(i)) != ERROR_SUCCESS
                    || RegQueryValueBytes(h, u"v%1"_s.arg(i), nullptr, &data) != ERROR_SUCCESS
                    || data != QByteArray::number(i);
                RegCloseKey(h);
            }
        };
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back(work, t);
        for (auto& th : threads)
            th.join();
        QCOMPARE(failures.load(), 0);
    }

private:
    std::optional<TempStore> m_store;
};

QTEST_GUILESS_MAIN(TestWinReg)
#include "TestWinReg.moc"
