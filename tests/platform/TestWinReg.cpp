#include "platform/WinReg.h"
#include "support/TempStore.h"

#include <QFile>
#include <QTest>
#include <QThread>

#include <cstring>

namespace {

HKEY create(HKEY root, const QString& path, REGSAM sam = KEY_ALL_ACCESS)
{
    HKEY k = 0;
    DWORD disp = 0;
    const LONG rc = RegCreateKeyEx(root, path, 0, {}, 0, sam, nullptr, &k, &disp);
    return rc == ERROR_SUCCESS ? k : 0;
}

LONG setString(HKEY k, const QString& name, const QByteArray& utf8)
{
    QByteArray data = utf8;
    data.append('\0');
    return RegSetValueBytes(k, name, REG_SZ, data);
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
    DWORD cch = 0;
    for (DWORD i = 0;; ++i) {
        cch = 16384;
        if (RegEnumValue(k, i, &name, &cch, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        out << name;
    }
    return out;
}

} // namespace

class TestWinReg final : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void rootKeysAndAliases();
    void namesCompareWithoutCaseButKeepTheirCase();
    void nameLengthLimits();
    void pathErrors();
    void subKeysEnumerateInHiveOrderValuesInCreationOrder();
    void enumerationBuffersAndSentinels();
    void queryValueBufferProbing();
    void embeddedNulsAndEmptyData();
    void deleteKeyRefusesKeysWithSubkeysAndHandlesSeeDeletion();
    void readHandleCannotWrite();
    void lastWriteTimeFollowsChanges();
    void perKeyDeny();
    void machinesMapRoutesToAnotherStore();
    void storesThatCannotBeOpened();
    void readOnlyStoreAnswersAccessDenied();
    void batchCommitsAndSurvivesEnumerationWhileWriting();
    void handlesAreThreadSafe();

private:
    std::unique_ptr<TempStore> m_store;
};

void TestWinReg::init()
{
    m_store = std::make_unique<TempStore>();
    QVERIFY(m_store->ok());
}

void TestWinReg::cleanup()
{
    m_store.reset();
}

void TestWinReg::rootKeysAndAliases()
{
    // HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes
    HKEY k = create(HKEY_CLASSES_ROOT, QStringLiteral(".txt"));
    QVERIFY(k);
    QCOMPARE(setString(k, {}, "txtfile"), ERROR_SUCCESS);
    RegCloseKey(k);
    HKEY viaMachine = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Classes\\.TXT"), 0, KEY_READ, &viaMachine),
             ERROR_SUCCESS);
    QByteArray data;
    DWORD type = 0;
    QCOMPARE(RegQueryValueBytes(viaMachine, {}, &type, &data), ERROR_SUCCESS);
    QCOMPARE(type, REG_SZ);
    QCOMPARE(data, QByteArray("txtfile", 8));
    RegCloseKey(viaMachine);

    // HKEY_CURRENT_USER is one key below HKEY_USERS
    HKEY cu = create(HKEY_CURRENT_USER, QStringLiteral("Software\\Probe"));
    QVERIFY(cu);
    RegCloseKey(cu);
    HKEY users = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_USERS, {}, 0, KEY_READ, &users), ERROR_SUCCESS);
    int found = 0;
    for (const QString& sid : subKeyNames(users)) {
        HKEY probe = 0;
        if (RegOpenKeyEx(users, sid + QStringLiteral("\\Software\\Probe"), 0, KEY_READ, &probe) == ERROR_SUCCESS) {
            ++found;
            RegCloseKey(probe);
        }
    }
    RegCloseKey(users);
    QCOMPARE(found, 1);

    // HKEY_CURRENT_CONFIG is the current hardware profile
    HKEY cc = create(HKEY_CURRENT_CONFIG, QStringLiteral("Software\\Fonts"));
    QVERIFY(cc);
    RegCloseKey(cc);
    HKEY viaSystem = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_LOCAL_MACHINE,
                          QStringLiteral("SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts"), 0,
                          KEY_READ, &viaSystem),
             ERROR_SUCCESS);
    RegCloseKey(viaSystem);

    // the sixth slot does not exist on the local store
    HKEY none = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_DYN_DATA, {}, 0, KEY_READ, &none), ERROR_INVALID_HANDLE);
    QCOMPARE(RegOpenKeyEx(HKEY_PERFORMANCE_DATA, {}, 0, KEY_READ, &none), ERROR_INVALID_HANDLE);
    QCOMPARE(RegOpenKeyEx(HKEY(0x12345), {}, 0, KEY_READ, &none), ERROR_INVALID_HANDLE);
}

void TestWinReg::namesCompareWithoutCaseButKeepTheirCase()
{
    HKEY k = create(HKEY_CURRENT_USER, QStringLiteral("Software\\Größe"));
    QVERIFY(k);
    DWORD disp = 0;
    HKEY again = 0;
    QCOMPARE(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("SOFTWARE\\GRÖSSE"), 0, {}, 0, KEY_ALL_ACCESS, nullptr,
                            &again, &disp),
             ERROR_SUCCESS);
    // "ß" is not "SS": that was a new key
    QCOMPARE(disp, REG_CREATED_NEW_KEY);
    RegCloseKey(again);
    QCOMPARE(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("SOFTWARE\\GRÖße"), 0, {}, 0, KEY_ALL_ACCESS, nullptr,
                            &again, &disp),
             ERROR_SUCCESS);
    QCOMPARE(disp, REG_OPENED_EXISTING_KEY);
    RegCloseKey(again);

    QCOMPARE(setString(k, QStringLiteral("Äpfel"), "1"), ERROR_SUCCESS);
    QCOMPARE(setString(k, QStringLiteral("äPFEL"), "2"), ERROR_SUCCESS);
    QCOMPARE(valueNames(k), QStringList{QStringLiteral("Äpfel")});
    QByteArray data;
    QCOMPARE(RegQueryValueBytes(k, QStringLiteral("ÄPFEL"), nullptr, &data), ERROR_SUCCESS);
    QCOMPARE(data, QByteArray("2", 2));
    RegCloseKey(k);

    HKEY sw = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("software"), 0, KEY_READ, &sw), ERROR_SUCCESS);
    const QStringList names = subKeyNames(sw);
    QVERIFY(names.contains(QStringLiteral("Größe")));
    QVERIFY(names.contains(QStringLiteral("GRÖSSE")));
    RegCloseKey(sw);
}

void TestWinReg::nameLengthLimits()
{
    HKEY k = create(HKEY_CURRENT_USER, QStringLiteral("Software\\Limits"));
    QVERIFY(k);
    HKEY sub = 0;
    DWORD disp = 0;
    QCOMPARE(RegCreateKeyEx(k, QString(255, QLatin1Char('k')), 0, {}, 0, KEY_ALL_ACCESS, nullptr, &sub, &disp),
             ERROR_SUCCESS);
    RegCloseKey(sub);
    QCOMPARE(RegCreateKeyEx(k, QString(256, QLatin1Char('k')), 0, {}, 0, KEY_ALL_ACCESS, nullptr, &sub, &disp),
             ERROR_INVALID_PARAMETER);
    QCOMPARE(RegSetValueBytes(k, QString(16383, QLatin1Char('v')), REG_BINARY, QByteArray("x")), ERROR_SUCCESS);
    QCOMPARE(RegSetValueBytes(k, QString(16384, QLatin1Char('v')), REG_BINARY, QByteArray("x")),
             ERROR_INVALID_PARAMETER);
    // a 255-character name needs a buffer of 256
    QString name;
    DWORD cch = 255;
    QCOMPARE(RegEnumKeyEx(k, 0, &name, &cch, nullptr), ERROR_MORE_DATA);
    cch = 256;
    QCOMPARE(RegEnumKeyEx(k, 0, &name, &cch, nullptr), ERROR_SUCCESS);
    QCOMPARE(cch, DWORD(255));
    RegCloseKey(k);
}

void TestWinReg::pathErrors()
{
    HKEY k = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("\\SOFTWARE"), 0, KEY_READ, &k), ERROR_BAD_PATHNAME);
    QCOMPARE(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Nope"), 0, KEY_READ, &k),
             ERROR_FILE_NOT_FOUND);
    // one trailing backslash is tolerated
    QCOMPARE(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\"), 0, KEY_READ, &k), ERROR_SUCCESS);
    RegCloseKey(k);
    QCOMPARE(RegCloseKey(k), ERROR_INVALID_HANDLE);
    QString name;
    QCOMPARE(RegEnumKey(k, 0, &name, 256), ERROR_INVALID_HANDLE);
    DWORD sentinel = 0xDEADBEEF;
    HKEY out = HKEY(0xABCD);
    QCOMPARE(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Missing"), 0, KEY_READ, &out), ERROR_FILE_NOT_FOUND);
    QCOMPARE(out, HKEY(0xABCD)); // untouched on failure
    QCOMPARE(sentinel, 0xDEADBEEFu);
}

void TestWinReg::subKeysEnumerateInHiveOrderValuesInCreationOrder()
{
    HKEY k = create(HKEY_CURRENT_USER, QStringLiteral("Software\\Order"));
    const QStringList created = {QStringLiteral("b"), QStringLiteral("_x"), QStringLiteral("A"),
                                 QStringLiteral("Ä"), QStringLiteral("a1"), QStringLiteral("Z")};
    for (const QString& n : created) {
        HKEY c = create(k, n);
        QVERIFY(c);
        RegCloseKey(c);
        QCOMPARE(RegSetValueBytes(k, n, REG_DWORD, QByteArray(4, '\0')), ERROR_SUCCESS);
    }
    // upper-cased code units: "A" (41) < "A1" < "B" < "Z" (5A) < "_X" (5F) < "Ä" (C4)
    QCOMPARE(subKeyNames(k), (QStringList{QStringLiteral("A"), QStringLiteral("a1"), QStringLiteral("b"),
                                          QStringLiteral("Z"), QStringLiteral("_x"), QStringLiteral("Ä")}));
    QCOMPARE(valueNames(k), created);
    // overwriting keeps the place
    QCOMPARE(RegSetValueBytes(k, QStringLiteral("B"), REG_SZ, QByteArray("x", 2)), ERROR_SUCCESS);
    QCOMPARE(valueNames(k), created);
    RegCloseKey(k);
}

void TestWinReg::enumerationBuffersAndSentinels()
{
    HKEY k = create(HKEY_CURRENT_USER, QStringLiteral("Software\\Buffers"));
    QCOMPARE(RegSetValueBytes(k, QStringLiteral("abcdef"), REG_BINARY, QByteArray("123456789")), ERROR_SUCCESS);
    QString name = QStringLiteral("sentinel");
    DWORD cch = 6; // six characters need seven
    DWORD type = 0xFFFF;
    BYTE buf[16];
    std::memset(buf, 0xCC, sizeof buf);
    DWORD cb = sizeof buf;
    QCOMPARE(RegEnumValue(k, 0, &name, &cch, &type, buf, &cb), ERROR_MORE_DATA);
    QCOMPARE(name, QStringLiteral("sentinel"));
    cch = 7;
    cb = 4;
    QCOMPARE(RegEnumValue(k, 0, &name, &cch, &type, buf, &cb), ERROR_MORE_DATA);
    QCOMPARE(cb, DWORD(9));
    QCOMPARE(buf[0], BYTE(0xCC));
    cb = sizeof buf;
    cch = 7;
    QCOMPARE(RegEnumValue(k, 0, &name, &cch, &type, buf, &cb), ERROR_SUCCESS);
    QCOMPARE(name, QStringLiteral("abcdef"));
    QCOMPARE(cch, DWORD(6));
    QCOMPARE(type, REG_BINARY);
    QCOMPARE(cb, DWORD(9));
    QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), 9), QByteArray("123456789"));
    QCOMPARE(buf[9], BYTE(0xCC));
    cch = 7;
    QCOMPARE(RegEnumValue(k, 1, &name, &cch, &type, buf, &cb), ERROR_NO_MORE_ITEMS);
    QCOMPARE(RegEnumKey(k, 0, &name, 256), ERROR_NO_MORE_ITEMS);
    RegCloseKey(k);
}

void TestWinReg::queryValueBufferProbing()
{
    HKEY k = create(HKEY_CURRENT_USER, QStringLiteral("Software\\Probe"));
    const QByteArray data("\x01\x02\x03\x04\x05", 5);
    QCOMPARE(RegSetValueEx(k, QStringLiteral("v"), 0, REG_BINARY, reinterpret_cast<const BYTE*>(data.constData()),
                           DWORD(data.size())),
             ERROR_SUCCESS);
    DWORD type = 0;
    DWORD cb = 0;
    QCOMPARE(RegQueryValueEx(k, QStringLiteral("v"), &type, nullptr, &cb), ERROR_SUCCESS);
    QCOMPARE(cb, DWORD(5));
    BYTE buf[8];
    std::memset(buf, 0xEE, sizeof buf);
    cb = 2;
    QCOMPARE(RegQueryValueEx(k, QStringLiteral("v"), &type, buf, &cb), ERROR_MORE_DATA);
    QCOMPARE(cb, DWORD(5));
    QCOMPARE(buf[0], BYTE(0xEE));
    cb = sizeof buf;
    QCOMPARE(RegQueryValueEx(k, QStringLiteral("v"), &type, buf, &cb), ERROR_SUCCESS);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), 5), data);
    QCOMPARE(buf[5], BYTE(0xEE));
    QCOMPARE(RegQueryValueEx(k, QStringLiteral("missing"), &type, nullptr, &cb), ERROR_FILE_NOT_FOUND);
    QCOMPARE(RegDeleteValue(k, QStringLiteral("V")), ERROR_SUCCESS);
    QCOMPARE(RegDeleteValue(k, QStringLiteral("v")), ERROR_FILE_NOT_FOUND);
    RegCloseKey(k);
}

void TestWinReg::embeddedNulsAndEmptyData()
{
    HKEY k = create(HKEY_CURRENT_USER, QStringLiteral("Software\\Nuls"));
    const QByteArray multi("one\0two\0\0", 9);
    QCOMPARE(RegSetValueBytes(k, QStringLiteral("m"), REG_MULTI_SZ, multi), ERROR_SUCCESS);
    QCOMPARE(RegSetValueBytes(k, QStringLiteral("e"), REG_BINARY, QByteArray()), ERROR_SUCCESS);
    QCOMPARE(RegSetValueBytes(k, QStringLiteral("t"), 0x12345678, QByteArray("\0", 1)), ERROR_SUCCESS);
    QByteArray big(1 << 20, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char(i * 7);
    QCOMPARE(RegSetValueBytes(k, QStringLiteral("big"), REG_BINARY, big), ERROR_SUCCESS);
    RegCloseKey(k);

    HKEY r = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Nuls"), 0, KEY_READ, &r), ERROR_SUCCESS);
    QByteArray data("sentinel");
    DWORD type = 0;
    QCOMPARE(RegQueryValueBytes(r, QStringLiteral("m"), &type, &data), ERROR_SUCCESS);
    QCOMPARE(type, REG_MULTI_SZ);
    QCOMPARE(data, multi);
    QCOMPARE(RegQueryValueBytes(r, QStringLiteral("e"), &type, &data), ERROR_SUCCESS);
    QCOMPARE(data.size(), 0);
    QCOMPARE(RegQueryValueBytes(r, QStringLiteral("t"), &type, &data), ERROR_SUCCESS);
    QCOMPARE(type, DWORD(0x12345678));
    QCOMPARE(RegQueryValueBytes(r, QStringLiteral("big"), &type, &data), ERROR_SUCCESS);
    QCOMPARE(data, big);
    DWORD maxLen = 0;
    DWORD values = 0;
    QCOMPARE(RegQueryInfoKey(r, nullptr, nullptr, &values, nullptr, &maxLen, nullptr), ERROR_SUCCESS);
    QCOMPARE(values, DWORD(4));
    QCOMPARE(maxLen, DWORD(1 << 20));
    RegCloseKey(r);
}

void TestWinReg::deleteKeyRefusesKeysWithSubkeysAndHandlesSeeDeletion()
{
    HKEY parent = create(HKEY_CURRENT_USER, QStringLiteral("Software\\Del"));
    HKEY child = create(parent, QStringLiteral("Child\\Grand"));
    QVERIFY(child);
    QCOMPARE(RegDeleteKey(parent, QStringLiteral("Child")), ERROR_ACCESS_DENIED);
    QCOMPARE(RegDeleteKey(parent, QStringLiteral("Child\\Grand")), ERROR_SUCCESS);
    // the open handle of a deleted key answers 1018 from then on
    QCOMPARE(RegSetValueBytes(child, QStringLiteral("x"), REG_BINARY, QByteArray("1")), ERROR_KEY_DELETED);
    QString name;
    QCOMPARE(RegEnumKey(child, 0, &name, 256), ERROR_KEY_DELETED);
    HKEY sub = 0;
    DWORD disp = 0;
    QCOMPARE(RegCreateKeyEx(child, QStringLiteral("x"), 0, {}, 0, KEY_ALL_ACCESS, nullptr, &sub, &disp),
             ERROR_KEY_DELETED);
    QCOMPARE(RegCloseKey(child), ERROR_SUCCESS);
    QCOMPARE(RegDeleteKey(parent, QStringLiteral("Child")), ERROR_SUCCESS);
    QCOMPARE(RegDeleteKey(parent, QStringLiteral("Child")), ERROR_FILE_NOT_FOUND);
    QCOMPARE(subKeyNames(parent), QStringList());
    // a hive root cannot be deleted
    QCOMPARE(RegDeleteKey(HKEY_LOCAL_MACHINE, {}), ERROR_ACCESS_DENIED);
    RegCloseKey(parent);
}

void TestWinReg::readHandleCannotWrite()
{
    HKEY w = create(HKEY_CURRENT_USER, QStringLiteral("Software\\RO"));
    RegCloseKey(w);
    HKEY r = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\RO"), 0, KEY_READ, &r), ERROR_SUCCESS);
    QCOMPARE(RegSetValueBytes(r, QStringLiteral("v"), REG_BINARY, QByteArray("1")), ERROR_ACCESS_DENIED);
    QCOMPARE(RegDeleteValue(r, QStringLiteral("v")), ERROR_ACCESS_DENIED);
    HKEY sub = 0;
    DWORD disp = 0;
    QCOMPARE(RegCreateKeyEx(r, QStringLiteral("new"), 0, {}, 0, KEY_ALL_ACCESS, nullptr, &sub, &disp),
             ERROR_ACCESS_DENIED);
    RegCloseKey(r);
    HKEY q = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\RO"), 0, KEY_SET_VALUE, &q), ERROR_SUCCESS);
    QString name;
    QCOMPARE(RegEnumKey(q, 0, &name, 256), ERROR_ACCESS_DENIED);
    DWORD cb = 0;
    QCOMPARE(RegQueryValueEx(q, QStringLiteral("v"), nullptr, nullptr, &cb), ERROR_ACCESS_DENIED);
    RegCloseKey(q);
}

void TestWinReg::lastWriteTimeFollowsChanges()
{
    HKEY k = create(HKEY_CURRENT_USER, QStringLiteral("Software\\Times"));
    FILETIME before;
    QCOMPARE(RegQueryInfoKey(k, nullptr, nullptr, nullptr, nullptr, nullptr, &before), ERROR_SUCCESS);
    const QDateTime created = FileTimeToDateTime(before);
    QVERIFY(qAbs(created.secsTo(QDateTime::currentDateTimeUtc())) < 60);
    QThread::msleep(20);
    QCOMPARE(RegSetValueBytes(k, QStringLiteral("v"), REG_BINARY, QByteArray("1")), ERROR_SUCCESS);
    FILETIME afterValue;
    QCOMPARE(RegQueryInfoKey(k, nullptr, nullptr, nullptr, nullptr, nullptr, &afterValue), ERROR_SUCCESS);
    QVERIFY(FileTimeToDateTime(afterValue) > created);
    QThread::msleep(20);
    HKEY c = create(k, QStringLiteral("child\\grandchild"));
    RegCloseKey(c);
    FILETIME afterChild;
    QCOMPARE(RegQueryInfoKey(k, nullptr, nullptr, nullptr, nullptr, nullptr, &afterChild), ERROR_SUCCESS);
    QVERIFY(FileTimeToDateTime(afterChild) > FileTimeToDateTime(afterValue));
    // a change two levels down is not a change of this key
    QThread::msleep(20);
    HKEY g = 0;
    QCOMPARE(RegOpenKeyEx(k, QStringLiteral("child\\grandchild"), 0, KEY_ALL_ACCESS, &g), ERROR_SUCCESS);
    QCOMPARE(RegSetValueBytes(g, QStringLiteral("v"), REG_BINARY, QByteArray("1")), ERROR_SUCCESS);
    RegCloseKey(g);
    FILETIME later;
    QCOMPARE(RegQueryInfoKey(k, nullptr, nullptr, nullptr, nullptr, nullptr, &later), ERROR_SUCCESS);
    QCOMPARE(FileTimeToDateTime(later), FileTimeToDateTime(afterChild));
    QCOMPARE(FileTimeToDateTime(DateTimeToFileTime(created)), created);
    RegCloseKey(k);
}

void TestWinReg::perKeyDeny()
{
    HKEY k = create(HKEY_CURRENT_USER, QStringLiteral("Software\\Secured\\Inner"));
    RegCloseKey(k);
    HKEY s = create(HKEY_CURRENT_USER, QStringLiteral("Software\\Secured"));
    QCOMPARE(RegSetValueBytes(s, QStringLiteral("v"), REG_BINARY, QByteArray("1")), ERROR_SUCCESS);
    QCOMPARE(RegSetKeyDeny(s, KEY_DENY_WRITE), ERROR_SUCCESS);
    RegCloseKey(s);

    HKEY r = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Secured"), 0, KEY_READ, &r), ERROR_SUCCESS);
    RegCloseKey(r);
    QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Secured"), 0, KEY_READ | KEY_WRITE, &r),
             ERROR_ACCESS_DENIED);
    HKEY sub = 0;
    DWORD disp = 0;
    QCOMPARE(RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Secured\\New"), 0, {}, 0, KEY_ALL_ACCESS,
                            nullptr, &sub, &disp),
             ERROR_ACCESS_DENIED);
    // the deny is on the key, not on its subtree; its subkeys still open for writing
    QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Secured\\Inner"), 0, KEY_ALL_ACCESS, &sub),
             ERROR_SUCCESS);
    RegCloseKey(sub);

    HKEY hidden = create(HKEY_CURRENT_USER, QStringLiteral("Software\\Hidden"));
    QCOMPARE(RegSetKeyDeny(hidden, KEY_DENY_READ), ERROR_SUCCESS);
    RegCloseKey(hidden);
    QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Hidden"), 0, KEY_READ, &r),
             ERROR_ACCESS_DENIED);
    // still listed by its parent, as on Windows
    HKEY sw = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software"), 0, KEY_READ, &sw), ERROR_SUCCESS);
    QVERIFY(subKeyNames(sw).contains(QStringLiteral("Hidden")));
    RegCloseKey(sw);
}

void TestWinReg::machinesMapRoutesToAnotherStore()
{
    HKEY remote = 0;
    QCOMPARE(RegConnectRegistry(QStringLiteral("\\\\NOWHERE"), HKEY_LOCAL_MACHINE, &remote), ERROR_BAD_NETPATH);
    RegSetMachineStore(QStringLiteral("server"), m_store->otherStorePath(QStringLiteral("server")));
    QCOMPARE(RegConnectRegistry(QStringLiteral("\\\\SERVER"), HKEY_LOCAL_MACHINE, &remote), ERROR_SUCCESS);
    HKEY k = create(remote, QStringLiteral("SOFTWARE\\OnServer"));
    QVERIFY(k);
    RegCloseKey(k);
    QCOMPARE(RegCloseKey(remote), ERROR_SUCCESS);
    HKEY local = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\OnServer"), 0, KEY_READ, &local),
             ERROR_FILE_NOT_FOUND);
    QVERIFY(QFile::exists(m_store->otherStorePath(QStringLiteral("server"))));
    // the empty name is the local machine
    QCOMPARE(RegConnectRegistry({}, HKEY_USERS, &remote), ERROR_SUCCESS);
    RegCloseKey(remote);
}

void TestWinReg::storesThatCannotBeOpened()
{
    QString error;
    QCOMPARE(RegOpenLocalStore(m_store->dirPath() + QStringLiteral("/missing/dir/registry.db"), &error),
             ERROR_FILE_NOT_FOUND);
    QVERIFY(error.contains(QStringLiteral("existiert nicht")));
    const QString garbage = m_store->dirPath() + QStringLiteral("/garbage.db");
    QFile f(garbage);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    error.clear();
    QCOMPARE(RegOpenLocalStore(garbage, &error), ERROR_BADDB);
    QVERIFY(!error.isEmpty());
    // the store in use stays usable
    HKEY k = create(HKEY_CURRENT_USER, QStringLiteral("Software\\StillThere"));
    QVERIFY(k);
    RegCloseKey(k);
}

void TestWinReg::readOnlyStoreAnswersAccessDenied()
{
    HKEY k = create(HKEY_CURRENT_USER, QStringLiteral("Software\\Kept"));
    QCOMPARE(RegSetValueBytes(k, QStringLiteral("v"), REG_BINARY, QByteArray("1")), ERROR_SUCCESS);
    RegCloseKey(k);
    const QString path = m_store->storePath();
    RegShutdown();
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
    QString error;
    QCOMPARE(RegOpenLocalStore(path, &error), ERROR_SUCCESS);
    HKEY r = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Kept"), 0, KEY_ALL_ACCESS, &r), ERROR_SUCCESS);
    QByteArray data;
    QCOMPARE(RegQueryValueBytes(r, QStringLiteral("v"), nullptr, &data), ERROR_SUCCESS);
    QCOMPARE(data, QByteArray("1"));
    QCOMPARE(RegSetValueBytes(r, QStringLiteral("w"), REG_BINARY, QByteArray("1")), ERROR_ACCESS_DENIED);
    RegCloseKey(r);
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
}

void TestWinReg::batchCommitsAndSurvivesEnumerationWhileWriting()
{
    HKEY k = create(HKEY_CURRENT_USER, QStringLiteral("Software\\Batch"));
    {
        RegBatch batch(k);
        QVERIFY(batch.ok());
        for (int i = 0; i < 3000; ++i) {
            HKEY c = create(k, QStringLiteral("k%1").arg(i, 5, 10, QLatin1Char('0')));
            QVERIFY(c);
            QCOMPARE(RegSetValueBytes(c, QStringLiteral("v"), REG_DWORD, QByteArray(4, char(i))), ERROR_SUCCESS);
            RegCloseKey(c);
        }
        // writing into keys while enumerating their parent: each index still answers its own name
        QString name;
        for (DWORD i = 0; RegEnumKey(k, i, &name, 256) == ERROR_SUCCESS; ++i) {
            QCOMPARE(name, QStringLiteral("k%1").arg(i, 5, 10, QLatin1Char('0')));
            if (i % 500 == 0)
                QCOMPARE(RegSetValueBytes(k, name, REG_SZ, QByteArray("x", 2)), ERROR_SUCCESS);
        }
    }
    DWORD subKeys = 0;
    DWORD values = 0;
    QCOMPARE(RegQueryInfoKey(k, &subKeys, nullptr, &values, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    QCOMPARE(subKeys, DWORD(3000));
    QCOMPARE(values, DWORD(6));
    RegCloseKey(k);
    // after the batch everything is in the file: a fresh open of the store sees it
    const QString path = m_store->storePath();
    RegShutdown();
    QCOMPARE(RegOpenLocalStore(path), ERROR_SUCCESS);
    HKEY again = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Batch\\k02999"), 0, KEY_READ, &again),
             ERROR_SUCCESS);
    RegCloseKey(again);
}

void TestWinReg::handlesAreThreadSafe()
{
    HKEY k = create(HKEY_CURRENT_USER, QStringLiteral("Software\\Threads"));
    RegCloseKey(k);
    std::atomic<int> failures{0};
    auto work = [&failures](int t) {
        for (int i = 0; i < 200; ++i) {
            HKEY h = 0;
            DWORD disp = 0;
            if (RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Threads\\t%1").arg(t), 0, {}, 0,
                               KEY_ALL_ACCESS, nullptr, &h, &disp)
                != ERROR_SUCCESS) {
                ++failures;
                continue;
            }
            if (RegSetValueBytes(h, QStringLiteral("v%1").arg(i), REG_BINARY, QByteArray::number(i)) != ERROR_SUCCESS)
                ++failures;
            QByteArray data;
            if (RegQueryValueBytes(h, QStringLiteral("v%1").arg(i), nullptr, &data) != ERROR_SUCCESS
                || data != QByteArray::number(i))
                ++failures;
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

QTEST_GUILESS_MAIN(TestWinReg)
#include "TestWinReg.moc"
