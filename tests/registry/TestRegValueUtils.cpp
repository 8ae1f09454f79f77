#include "RegTestKeys.h"

#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"
#include "registry/ValueListModel.h"
#include "support/RecordingMessageSink.h"
#include "support/TempStore.h"

#include <QtTest>

#include <memory>

using namespace RegTestKeys;

namespace {

const QString KeyPath = QStringLiteral("HKEY_CURRENT_USER\\T");
const QString SubKey = QStringLiteral("T");

QStringList captions(const ValueListModel& list)
{
    QStringList result;
    for (const ValueRow& row : list.rows())
        result << row.caption;
    return result;
}

} // namespace

class TestRegValueUtils : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formatSize_data();
    void formatSize();
    void formatBytes_data();
    void formatBytes();
    void texts_data();
    void texts();
    void typeLookups();

    void readWrite_data();
    void readWrite();
    void readOddData();
    void nameLimits();
    void pathFunctions();

    void valueList();
    void valueListDefaultAndUnreadable();
    void showKeyValues();
    void createNewValue();
    void createNewValueFails();
    void deleteValue();
    void renameValue();

private:
    std::unique_ptr<TempStore> m_store;
    std::unique_ptr<RecordingMessageSink> m_sink;
};

void TestRegValueUtils::init()
{
    m_store = std::make_unique<TempStore>();
    QVERIFY(m_store->ok());
    m_sink = std::make_unique<RecordingMessageSink>();
    CurrentMachine().clear();
    ResetRootKeys();
    QVERIFY(makeKey(SubKey));
}

void TestRegValueUtils::cleanup()
{
    CurrentMachine().clear();
    m_sink.reset();
    m_store.reset();
}

void TestRegValueUtils::formatSize_data()
{
    QTest::addColumn<quint32>("size");
    QTest::addColumn<QString>("text");

    QTest::newRow("0") << 0u << "0 Byte";
    QTest::newRow("999") << 999u << "999 Byte";
    QTest::newRow("1000") << 1000u << "0,97 KB";
    QTest::newRow("1023") << 1023u << "0,99 KB";
    QTest::newRow("1024") << 1024u << "1 KB";
    QTest::newRow("1500") << 1500u << "1,46 KB";
    QTest::newRow("1536") << 1536u << "1,5 KB";
    QTest::newRow("12345") << 12345u << "12,0 KB";
    QTest::newRow("123456") << 123456u << "120 KB";
    QTest::newRow("1048575") << 1048575u << "0,99 MB";
    QTest::newRow("1048576") << 1048576u << "1 MB";
    QTest::newRow("512000") << 512000u << "500 KB";
    QTest::newRow("max") << 4294967295u << "3,99 GB";
}

void TestRegValueUtils::formatSize()
{
    QFETCH(quint32, size);
    QTEST(FormatSize(size), "text");
}

void TestRegValueUtils::formatBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("one") << QByteArray("\x0a", 1) << "0A";
    QTest::newRow("several") << QByteArray("\x00\xff\x1b", 3) << "00 FF 1B";
}

void TestRegValueUtils::formatBytes()
{
    QFETCH(QByteArray, bytes);
    QTEST(FormatBytes(bytes), "text");
}

void TestRegValueUtils::texts_data()
{
    QTest::addColumn<TRegValue>("value");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("size");
    QTest::addColumn<int>("image");

    QTest::newRow("sz") << MakeRegValue(REG_SZ, "abc", 0, {}) << "REG_SZ" << "\"abc\"" << "3 Byte" << 5;
    QTest::newRow("sz empty") << MakeRegValue(REG_SZ, "", 0, {}) << "REG_SZ" << "\"\"" << "0 Byte" << 5;
    QTest::newRow("expand") << MakeRegValue(REG_EXPAND_SZ, "", 0, QByteArray("abc\0", 4)) << "REG_EXPAND_SZ"
                            << "\"abc\"" << "4 Byte" << 5;
    QTest::newRow("expand two zeros") << MakeRegValue(REG_EXPAND_SZ, "", 0, QByteArray("%P%\0x\0", 6))
                                      << "REG_EXPAND_SZ" << "\"%P%\"" << "6 Byte" << 5;
    QTest::newRow("dword 26") << MakeRegValue(REG_DWORD, "", 26, {}) << "REG_DWORD" << "0x0000001A (26)"
                              << "4 Byte" << 6;
    QTest::newRow("dword max") << MakeRegValue(REG_DWORD, "", 4294967295u, {}) << "REG_DWORD"
                               << "0xFFFFFFFF (4294967295)" << "4 Byte" << 6;
    QTest::newRow("binary empty") << MakeRegValue(REG_BINARY, "", 0, {}) << "REG_BINARY"
                                  << "(Binärdaten der Länge Null)" << "0 Byte" << 7;
    QTest::newRow("binary") << MakeRegValue(REG_BINARY, "", 0, QByteArray("\x01\xab", 2)) << "REG_BINARY"
                            << "01 AB" << "2 Byte" << 7;
    QTest::newRow("multi") << MakeRegValue(REG_MULTI_SZ, "", 0, QByteArray("a\0b\0\0", 5)) << "REG_MULTI_SZ"
                           << "61 00 62 00 00" << "5 Byte" << 7;
    QTest::newRow("qword") << MakeRegValue(11, "", 0, QByteArray(8, '\x01')) << "REG_NONE"
                           << "01 01 01 01 01 01 01 01" << "8 Byte" << 7;
    QTest::newRow("big endian") << MakeRegValue(REG_DWORD_BIG_ENDIAN, "", 0, QByteArray("\0\0\0\x01", 4))
                                << "REG_DWORD_BIG_ENDIAN" << "00 00 00 01" << "4 Byte" << 7;
    QTest::newRow("none") << MakeRegValue(REG_NONE, "", 0, {}) << "REG_NONE" << "(Binärdaten der Länge Null)"
                          << "0 Byte" << 7;
}

void TestRegValueUtils::texts()
{
    QFETCH(TRegValue, value);
    QTEST(TypeNameOfCode(value.DataType), "type");
    QTEST(ValueDataText(value), "data");
    QTEST(ValueSizeText(value), "size");
    QTEST(ValueImageIndex(value.DataType), "image");
}

void TestRegValueUtils::typeLookups()
{
    QCOMPARE(TypeIndexOfCode(REG_DWORD), 1);
    QCOMPARE(TypeIndexOfCode(REG_SZ), 9);
    QCOMPARE(TypeIndexOfCode(REG_NONE), 7);
    QCOMPARE(TypeIndexOfCode(9), -1);
    QCOMPARE(TypeIndexOfCode(11), -1);
    QCOMPARE(TypeIndexOfName(QStringLiteral("reg_dword_little_endian")), 2);
    QCOMPARE(TypeIndexOfName(QStringLiteral("REG_BINARY")), 0);
    QCOMPARE(TypeIndexOfName(QStringLiteral("REG_QWORD")), -1);
    QCOMPARE(TypeIndexOfName(QString()), -1);
}

void TestRegValueUtils::readWrite_data()
{
    QTest::addColumn<TRegValue>("value");
    QTest::addColumn<QByteArray>("stored");

    QTest::newRow("sz") << MakeRegValue(REG_SZ, "abc", 0, {}) << sz("abc");
    QTest::newRow("sz umlaut") << MakeRegValue(REG_SZ, "Grüße", 0, {}) << QByteArray("Gr\xc3\xbc\xc3\x9f" "e\0", 8);
    QTest::newRow("sz empty") << MakeRegValue(REG_SZ, "", 0, {}) << QByteArray("\0", 1);
    QTest::newRow("dword") << MakeRegValue(REG_DWORD, "", 0x12345678, {}) << QByteArray("\x78\x56\x34\x12", 4);
    QTest::newRow("binary empty") << MakeRegValue(REG_BINARY, "", 0, {}) << QByteArray();
    QTest::newRow("binary nuls") << MakeRegValue(REG_BINARY, "", 0, QByteArray("\0a\0", 3)) << QByteArray("\0a\0", 3);
    QTest::newRow("expand") << MakeRegValue(REG_EXPAND_SZ, "", 0, QByteArray("%A%\0", 4)) << QByteArray("%A%\0", 4);
    QTest::newRow("multi") << MakeRegValue(REG_MULTI_SZ, "", 0, QByteArray("a\0b\0\0", 5))
                           << QByteArray("a\0b\0\0", 5);
    QTest::newRow("type 11") << MakeRegValue(11, "", 0, QByteArray(8, '\x7f')) << QByteArray(8, '\x7f');
    QByteArray mega(1024 * 1024, Qt::Uninitialized);
    for (int i = 0; i < mega.size(); ++i)
        mega[i] = char(i * 7);
    QTest::newRow("1 MB binary") << MakeRegValue(REG_BINARY, "", 0, mega) << mega;
    const QString longText(1024 * 1024, QLatin1Char('x'));
    QTest::newRow("1 MB string") << MakeRegValue(REG_SZ, longText, 0, {}) << longText.toUtf8() + '\0';
}

void TestRegValueUtils::readWrite()
{
    QFETCH(TRegValue, value);
    QFETCH(QByteArray, stored);
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    QVERIFY(ConnectRootKey(reg, HKEY_CURRENT_USER, true));
    QVERIFY(reg.openKey(QStringLiteral("\\T"), false));
    QVERIFY(!ValueExists(reg.currentKey(), QStringLiteral("v")));
    QVERIFY(WriteValue(reg.currentKey(), QStringLiteral("v"), value));
    QVERIFY(ValueExists(reg.currentKey(), QStringLiteral("v")));
    QCOMPARE(RegTestKeys::value(SubKey, QStringLiteral("v")), qMakePair(value.DataType, stored));
    TRegValue read = MakeRegValue(99, "junk", 7, "junk");
    QVERIFY(ReadValue(reg.currentKey(), QStringLiteral("v"), read));
    QCOMPARE(read, value);
}

void TestRegValueUtils::readOddData()
{
    QVERIFY(setValue(SubKey, QStringLiteral("embedded"), REG_SZ, QByteArray("ab\0cd\0", 6)));
    QVERIFY(setValue(SubKey, QStringLiteral("unterminated"), REG_SZ, QByteArray("abc")));
    QVERIFY(setValue(SubKey, QStringLiteral("short dword"), REG_DWORD, QByteArray("\1\2", 2)));
    QVERIFY(setValue(SubKey, QStringLiteral("empty dword"), REG_DWORD, QByteArray()));
    QVERIFY(setValue(SubKey, QStringLiteral("empty sz"), REG_SZ, QByteArray()));
    RegistryAccessor reg(KEY_READ);
    QVERIFY(ConnectRootKey(reg, HKEY_CURRENT_USER, true));
    QVERIFY(reg.openKey(QStringLiteral("\\T"), false));
    const HKEY key = reg.currentKey();
    TRegValue v;
    QVERIFY(ReadValue(key, QStringLiteral("embedded"), v));
    QCOMPARE(v.StringData, QStringLiteral("ab"));
    QVERIFY(ReadValue(key, QStringLiteral("unterminated"), v));
    QCOMPARE(v.StringData, QStringLiteral("abc"));
    QVERIFY(!ReadValue(key, QStringLiteral("short dword"), v));
    QCOMPARE(v.DataType, REG_DWORD);
    QCOMPARE(v.DWordData, 0u);
    QVERIFY(ReadValue(key, QStringLiteral("empty dword"), v));
    QCOMPARE(v.DWordData, 0u);
    QVERIFY(ReadValue(key, QStringLiteral("empty sz"), v));
    QCOMPARE(v, MakeRegValue(REG_SZ, "", 0, {}));
    QVERIFY(!ReadValue(key, QStringLiteral("missing"), v));
    QVERIFY(!ValueExists(key, QString())); // no default value set
}

void TestRegValueUtils::nameLimits()
{
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    QVERIFY(ConnectRootKey(reg, HKEY_CURRENT_USER, true));
    QVERIFY(reg.openKey(QStringLiteral("\\T"), false));
    const QString longest(MAX_VALUE_NAME, QLatin1Char('n'));
    const TRegValue value = MakeRegValue(REG_DWORD, "", 5, {});
    QVERIFY(WriteValue(reg.currentKey(), longest, value));
    QVERIFY(!WriteValue(reg.currentKey(), longest + QLatin1Char('n'), value));
    QVERIFY(WriteValue(reg.currentKey(), QStringLiteral("short"), value));
    // A name far beyond 255 characters is still listed, and so are the values after it.
    ValueListModel list;
    FillValueList(reg.currentKey(), list);
    QCOMPARE(list.rowCount(), 3);
    QVERIFY(list.findValue(longest) > 0);
    QVERIFY(list.findValue(QStringLiteral("SHORT")) > 0);
}

void TestRegValueUtils::pathFunctions()
{
    QVERIFY(setValue(SubKey, QStringLiteral("s"), REG_SZ, sz("hello")));
    QVERIFY(setValue(SubKey, QStringLiteral("b"), REG_BINARY, QByteArray(10, 'x')));
    QVERIFY(setValue(SubKey, QStringLiteral("d"), REG_DWORD, QByteArray(4, '\0')));
    TRegValue v;
    QVERIFY(ReadValuePath(KeyPath + QLatin1Char('\\'), QStringLiteral("s"), v));
    QCOMPARE(v.StringData, QStringLiteral("hello"));
    QVERIFY(ValueExistsPath(KeyPath, QStringLiteral("S")));
    QVERIFY(!ValueExistsPath(KeyPath, QStringLiteral("none")));
    QVERIFY(!ValueExistsPath(KeyPath + QStringLiteral("\\Missing"), QStringLiteral("s")));
    QCOMPARE(GetValueSize(KeyPath, QStringLiteral("s")), 5);
    QCOMPARE(GetValueSize(KeyPath, QStringLiteral("b")), 10);
    QCOMPARE(GetValueSize(KeyPath, QStringLiteral("d")), 4);
    QCOMPARE(GetValueSize(KeyPath, QStringLiteral("none")), -1);
    QCOMPARE(m_sink->count(), 0);

    CurrentMachine() = QStringLiteral("\\\\NOWHERE");
    QVERIFY(!ReadValuePath(KeyPath, QStringLiteral("s"), v));
    QCOMPARE(m_sink->texts(), QStringList{QStringLiteral("Konnte keine Verbindung mit \\\\NOWHERE herstellen.")});
}

void TestRegValueUtils::valueList()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QVERIFY(setValue(SubKey, QStringLiteral("b"), REG_SZ, sz("x")));
    QVERIFY(setValue(SubKey, QStringLiteral("Bz"), REG_DWORD, QByteArray("\x1a\0\0\0", 4)));
    QVERIFY(setValue(SubKey, QStringLiteral("ä"), REG_BINARY, QByteArray()));
    QVERIFY(setValue(SubKey, QStringLiteral("a"), REG_EXPAND_SZ, QByteArray("abc\0", 4)));
    QVERIFY(setValue(SubKey, QStringLiteral("(Standard)"), 11, QByteArray(1, '\x05')));
    QVERIFY(setValue(SubKey, QStringLiteral("z"), REG_MULTI_SZ, QByteArray("a\0\0", 3)));
    ValueListModel list;
    list.setCollator(QCollator(QLocale(QLocale::German, QLocale::Germany)));
    QSignalSpy reset(&list, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    RegistryAccessor reg(KEY_READ);
    QVERIFY(ConnectRootKey(reg, HKEY_CURRENT_USER, true));
    QVERIFY(reg.openKey(QStringLiteral("\\T"), false));
    FillValueList(reg.currentKey(), list);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(inserted.count(), 0);
    // Unset default first; the value named "(Standard)" sorts among the others; "ä" beside "a".
    QCOMPARE(captions(list), (QStringList{"(Standard)", "(Standard)", "a", "ä", "b", "Bz", "z"}));
    QCOMPARE(list.row(0), ValueListModel::unsetDefaultRow());
    QCOMPARE(list.row(0).data, QStringLiteral("(Wert nicht gesetzt)"));
    QCOMPARE(list.row(0).size, QStringLiteral("0 Byte"));
    const ValueRow& named = list.row(1);
    QCOMPARE(named.type, QStringLiteral("REG_NONE"));
    QCOMPARE(named.data, QStringLiteral("05"));
    QVERIFY(!named.isDefault);
    QCOMPARE(list.row(2).data, QStringLiteral("\"abc\""));
    QCOMPARE(list.row(2).size, QStringLiteral("4 Byte"));
    QCOMPARE(list.row(3).data, QStringLiteral("(Binärdaten der Länge Null)"));
    QCOMPARE(list.row(5).data, QStringLiteral("0x0000001A (26)"));
    QCOMPARE(list.row(5).image, 6);
    QCOMPARE(list.row(6).type, QStringLiteral("REG_MULTI_SZ"));
    QCOMPARE(list.row(6).data, QStringLiteral("61 00 00"));
    QCOMPARE(list.data(list.index(5, ValueListModel::SizeColumn)).toString(), QStringLiteral("4 Byte"));
    QCOMPARE(list.data(list.index(5, 0), ValueListModel::ImageRole).toInt(), 6);
    QCOMPARE(list.headerData(3, Qt::Horizontal).toString(), QStringLiteral("Größe"));
    QLocale::setDefault(QLocale::system());
}

void TestRegValueUtils::valueListDefaultAndUnreadable()
{
    QVERIFY(setValue(SubKey, QStringLiteral("A"), REG_SZ, sz("x")));
    QVERIFY(setValue(SubKey, QString(), REG_SZ, sz("set")));
    QVERIFY(setValue(SubKey, QStringLiteral("odd"), REG_DWORD, QByteArray("\1\2\3", 3)));
    ValueListModel list;
    ShowKeyValues(KeyPath, list);
    QCOMPARE(captions(list), (QStringList{"(Standard)", "A", "odd"}));
    QCOMPARE(list.row(0).data, QStringLiteral("\"set\""));
    QVERIFY(list.row(0).isDefault);
    QCOMPARE(list.findValue(QString()), 0);
    // Data that cannot be read still lists name and type.
    QCOMPARE(list.row(2).type, QStringLiteral("REG_DWORD"));
    QCOMPARE(list.row(2).data, QStringLiteral("0x00000000 (0)"));
}

void TestRegValueUtils::showKeyValues()
{
    QVERIFY(setValue(SubKey, QStringLiteral("A"), REG_SZ, sz("x")));
    ValueListModel list;
    ShowKeyValues(KeyPath, list);
    QCOMPARE(list.rowCount(), 2);
    ShowKeyValues(KeyPath + QStringLiteral("\\Missing"), list);
    QCOMPARE(list.rows(), QList<ValueRow>{ValueListModel::unsetDefaultRow()});
    ShowKeyValues(KeyPath, list);
    // A failed connection keeps the list as it was.
    CurrentMachine() = QStringLiteral("\\\\NOWHERE");
    ShowKeyValues(KeyPath, list);
    QCOMPARE(list.rowCount(), 2);
    QCOMPARE(m_sink->count(), 1);
    ShowKeyValues(QString(), list);
    QCOMPARE(list.rowCount(), 0);
}

void TestRegValueUtils::createNewValue()
{
    QVERIFY(setValue(SubKey, QStringLiteral("Neuer Wert #1"), REG_SZ, sz("")));
    QVERIFY(setValue(SubKey, QStringLiteral("Neuer Wert #3"), REG_SZ, sz("")));
    ValueListModel list;
    ShowKeyValues(KeyPath, list);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    const int row = CreateNewValue(KeyPath, NewValueKind::DWord, list);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(row, 2);
    QCOMPARE(list.row(row).caption, QStringLiteral("Neuer Wert #2"));
    QCOMPARE(list.row(row).type, QStringLiteral("REG_DWORD"));
    QCOMPARE(list.row(row).data, QStringLiteral("0x00000000 (0)"));
    QCOMPARE(list.row(row).size, QStringLiteral("4 Byte"));
    QCOMPARE(list.row(row).image, 6);
    QCOMPARE(value(SubKey, QStringLiteral("Neuer Wert #2")), qMakePair(REG_DWORD, QByteArray(4, '\0')));

    const int stringRow = CreateNewValue(KeyPath, NewValueKind::String, list);
    QCOMPARE(list.row(stringRow).caption, QStringLiteral("Neuer Wert #4"));
    QCOMPARE(list.row(stringRow).data, QStringLiteral("\"\""));
    QCOMPARE(list.row(stringRow).size, QStringLiteral("0 Byte"));
    QCOMPARE(value(SubKey, QStringLiteral("Neuer Wert #4")), qMakePair(REG_SZ, QByteArray(1, '\0')));
    const int binaryRow = CreateNewValue(KeyPath, NewValueKind::Binary, list);
    QCOMPARE(list.row(binaryRow).data, QStringLiteral("(Binärdaten der Länge Null)"));
    QCOMPARE(list.row(binaryRow).image, 7);
    QCOMPARE(value(SubKey, QStringLiteral("Neuer Wert #5")), qMakePair(REG_BINARY, QByteArray()));
    QCOMPARE(m_sink->count(), 0);
}

void TestRegValueUtils::createNewValueFails()
{
    ValueListModel list;
    QCOMPARE(CreateNewValue(KeyPath + QStringLiteral("\\Missing"), NewValueKind::String, list), -1);
    QCOMPARE(m_sink->count(), 1);
    QCOMPARE(m_sink->last().kind, MessageKind::Error);
    QCOMPARE(m_sink->last().caption, QStringLiteral("Fehler"));
    QCOMPARE(m_sink->last().text, QStringLiteral("Datenwert konnte nicht erstellt werden."));
    QCOMPARE(list.rowCount(), 0);

    // A key that refuses writing.
    HKEY key = 0;
    QVERIFY(RegOpenKeyEx(HKEY_CURRENT_USER, SubKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS);
    QVERIFY(RegSetKeyDeny(key, KEY_DENY_WRITE) == ERROR_SUCCESS);
    RegCloseKey(key);
    QCOMPARE(CreateNewValue(KeyPath, NewValueKind::DWord, list), -1);
    QCOMPARE(m_sink->count(), 2);

    CurrentMachine() = QStringLiteral("\\\\NOWHERE");
    QCOMPARE(CreateNewValue(KeyPath, NewValueKind::DWord, list), -1);
    QCOMPARE(m_sink->last().text, QStringLiteral("Konnte keine Verbindung mit \\\\NOWHERE herstellen."));
}

void TestRegValueUtils::deleteValue()
{
    QVERIFY(setValue(SubKey, QStringLiteral("v"), REG_SZ, sz("x")));
    QCOMPARE(DeleteValuePath(KeyPath, QStringLiteral("V"), true), RegResult::Success);
    QCOMPARE(value(SubKey, QStringLiteral("v")).second, QByteArray("<missing>"));
    QCOMPARE(DeleteValuePath(KeyPath, QStringLiteral("v"), false), RegResult::ValueNotChanged);
    QCOMPARE(m_sink->count(), 0);
    QCOMPARE(DeleteValuePath(KeyPath, QStringLiteral("v"), true), RegResult::ValueNotChanged);
    QCOMPARE(DeleteValuePath(KeyPath + QStringLiteral("\\Missing"), QStringLiteral("v"), true), RegResult::NotFound);
    CurrentMachine() = QStringLiteral("\\\\NOWHERE");
    QCOMPARE(DeleteValuePath(KeyPath, QStringLiteral("v"), true), RegResult::NotConnected);
    QCOMPARE(m_sink->texts(), (QStringList{"Fehler: Wert konnte nicht gelöscht werden.",
                                           "Fehler: Angegebener Wert nicht vorhanden.",
                                           "Konnte keine Verbindung mit \\\\NOWHERE herstellen."}));
    QCOMPARE(m_sink->messages().at(0).kind, MessageKind::Error);
    QCOMPARE(m_sink->messages().at(0).caption, QStringLiteral("Kaven 1.0"));
}

void TestRegValueUtils::renameValue()
{
    const QByteArray odd("ab\0cd\0", 6); // a string with an embedded zero keeps every byte
    QVERIFY(setValue(SubKey, QStringLiteral("old"), REG_SZ, odd));
    QVERIFY(setValue(SubKey, QStringLiteral("other"), REG_EXPAND_SZ, QByteArray("%X%\0", 4)));
    QCOMPARE(RenameValue(KeyPath, QStringLiteral("old"), QStringLiteral("other"), true), RegResult::ValueName);
    QCOMPARE(value(SubKey, QStringLiteral("old")), qMakePair(REG_SZ, odd));
    QCOMPARE(value(SubKey, QStringLiteral("other")), qMakePair(REG_EXPAND_SZ, QByteArray("%X%\0", 4)));
    QCOMPARE(RenameValue(KeyPath, QStringLiteral("gone"), QStringLiteral("x"), true), RegResult::ValueName);
    QCOMPARE(RenameValue(KeyPath + QStringLiteral("\\Missing"), QStringLiteral("old"), QStringLiteral("x"), true),
             RegResult::NotFound);
    QCOMPARE(m_sink->texts(), (QStringList{"Fehler: Neuer Wert bereits vorhanden.",
                                           "Fehler: Angegebener Wert nicht vorhanden.",
                                           "Fehler: Angegebener Schlüssel nicht vorhanden."}));

    QCOMPARE(RenameValue(KeyPath, QStringLiteral("old"), QStringLiteral("new"), true), RegResult::Success);
    QCOMPARE(value(SubKey, QStringLiteral("new")), qMakePair(REG_SZ, odd));
    QCOMPARE(value(SubKey, QStringLiteral("old")).second, QByteArray("<missing>"));

    // Renaming the default value gives it a name.
    QVERIFY(setValue(SubKey, QString(), REG_DWORD, QByteArray("\1\0\0\0", 4)));
    QCOMPARE(RenameValue(KeyPath, QString(), QStringLiteral("named"), false), RegResult::Success);
    QCOMPARE(value(SubKey, QStringLiteral("named")), qMakePair(REG_DWORD, QByteArray("\1\0\0\0", 4)));

    // A name beyond the limit cannot be written: both sides unchanged, message with the old name.
    m_sink->clear();
    const QString tooLong(MAX_VALUE_NAME + 1, QLatin1Char('x'));
    QCOMPARE(RenameValue(KeyPath, QStringLiteral("new"), tooLong, true), RegResult::ValueNotWritten);
    QCOMPARE(value(SubKey, QStringLiteral("new")), qMakePair(REG_SZ, odd));
    QCOMPARE(m_sink->texts(), QStringList{"Fehler: Wert new konnte nicht umbenannt werden."});
}

QTEST_GUILESS_MAIN(TestRegValueUtils)
#include "TestRegValueUtils.moc"
