#include "RegTestKeys.h"

#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"
#include "registry/ValueListModel.h"
#include "support/RecordingMessageSink.h"
#include "support/TempStore.h"

#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

namespace {

const QString KeyPath = u"HKEY_CURRENT_USER\\T"_s;
const QString SubKey = u"T"_s;

QStringList captions(const ValueListModel& list)
{
    QStringList result;
    for (const ValueRow& row : list.rows())
        result << row.caption;
    return result;
}

bool openT(RegistryAccessor& reg)
{
    return ConnectRootKey(reg, HKEY_CURRENT_USER, true) && reg.openKey(u"\\T"_s, false);
}

} // namespace

class TestRegValueUtils : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formatSize_data();
    void formatSize();
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
    QTest::newRow("12345") << 12345u << "12,0 KB";
    QTest::newRow("123456") << 123456u << "120 KB";
    QTest::newRow("1048575") << 1048575u << "0,99 MB";
    QTest::newRow("1048576") << 1048576u << "1 MB";
    QTest::newRow("max") << 4294967295u << "3,99 GB";
}

void TestRegValueUtils::formatSize()
{
    QFETCH(quint32, size);
    QTEST(FormatSize(size), "text");
}

void TestRegValueUtils::texts_data()
{
    QTest::addColumn<TRegValue>("value");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("size");
    QTest::addColumn<int>("image");

    QTest::newRow("sz") << MakeRegValue(REG_SZ, "abc", 0, {}) << "REG_SZ" << "\"abc\"" << "3 Byte" << 5;
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
    QCOMPARE(TypeIndexOfName(u"reg_dword_little_endian"_s), 2);
    QCOMPARE(TypeIndexOfName(u"REG_BINARY"_s), 0);
    QCOMPARE(TypeIndexOfName(u"REG_QWORD"_s), -1);
    QCOMPARE(TypeIndexOfName(QString()), -1);
}

void TestRegValueUtils::readWrite_data()
{
    QTest::addColumn<TRegValue>("value");
    QTest::addColumn<QByteArray>("stored");

    QTest::newRow("sz") << MakeRegValue(REG_SZ, "abc", 0, {}) << sz("abc");
    QTest::newRow("sz umlaut") << MakeRegValue(REG_SZ, "Grüße", 0, {}) << QByteArray("Gr\xc3\xbc\xc3\x9f" "e\0", 8);
    QTest::newRow("dword") << MakeRegValue(REG_DWORD, "", 0x12345678, {}) << QByteArray("\x78\x56\x34\x12", 4);
    QTest::newRow("binary empty") << MakeRegValue(REG_BINARY, "", 0, {}) << QByteArray();
    QTest::newRow("binary nuls") << MakeRegValue(REG_BINARY, "", 0, QByteArray("\0a\0", 3)) << QByteArray("\0a\0", 3);
    QTest::newRow("expand") << MakeRegValue(REG_EXPAND_SZ, "", 0, QByteArray("%A%\0", 4)) << QByteArray("%A%\0", 4);
    QTest::newRow("multi") << MakeRegValue(REG_MULTI_SZ, "", 0, QByteArray("a\0b\0\0", 5)) << QByteArray("a\0b\0\0", 5);
    QTest::newRow("type 11") << MakeRegValue(11, "", 0, QByteArray(8, '\x7f')) << QByteArray(8, '\x7f');
    QByteArray mega(1024 * 1024, Qt::Uninitialized);
    for (int i = 0; i < mega.size(); ++i)
        mega[i] = char(i * 7);
    QTest::newRow("1 MB binary") << MakeRegValue(REG_BINARY, "", 0, mega) << mega;
    const QString longText(1024 * 1024, u'x');
    QTest::newRow("1 MB string") << MakeRegValue(REG_SZ, longText, 0, {}) << longText.toUtf8() + '\0';
}

void TestRegValueUtils::readWrite()
{
    QFETCH(TRegValue, value);
    QFETCH(QByteArray, stored);
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    QVERIFY(openT(reg));
    QVERIFY(!ValueExists(reg.currentKey(), u"v"_s));
    QVERIFY(WriteValue(reg.currentKey(), u"v"_s, value));
    QVERIFY(ValueExists(reg.currentKey(), u"v"_s));
    QCOMPARE(RegTestKeys::value(SubKey, u"v"_s), qMakePair(value.DataType, stored));
    TRegValue read = MakeRegValue(99, "junk", 7, "junk");
    QVERIFY(ReadValue(reg.currentKey(), u"v"_s, read));
    QCOMPARE(read, value);
}

void TestRegValueUtils::readOddData()
{
    QVERIFY(setValue(SubKey, u"embedded"_s, REG_SZ, QByteArray("ab\0cd\0", 6)));
    QVERIFY(setValue(SubKey, u"unterminated"_s, REG_SZ, QByteArray("abc")));
    QVERIFY(setValue(SubKey, u"short dword"_s, REG_DWORD, QByteArray("\1\2", 2)));
    QVERIFY(setValue(SubKey, u"empty dword"_s, REG_DWORD, QByteArray()));
    QVERIFY(setValue(SubKey, u"empty sz"_s, REG_SZ, QByteArray()));
    RegistryAccessor reg(KEY_READ);
    QVERIFY(openT(reg));
    const HKEY key = reg.currentKey();
    TRegValue v;
    QVERIFY(ReadValue(key, u"embedded"_s, v));
    QCOMPARE(v.StringData, u"ab"_s);
    QVERIFY(ReadValue(key, u"unterminated"_s, v));
    QCOMPARE(v.StringData, u"abc"_s);
    QVERIFY(!ReadValue(key, u"short dword"_s, v));
    QCOMPARE(v.DataType, REG_DWORD);
    QCOMPARE(v.DWordData, 0u);
    QVERIFY(ReadValue(key, u"empty dword"_s, v));
    QCOMPARE(v.DWordData, 0u);
    QVERIFY(ReadValue(key, u"empty sz"_s, v));
    QCOMPARE(v, MakeRegValue(REG_SZ, "", 0, {}));
    QVERIFY(!ReadValue(key, u"missing"_s, v));
    QVERIFY(!ValueExists(key, QString())); // no default value set
}

void TestRegValueUtils::nameLimits()
{
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    QVERIFY(openT(reg));
    const QString longest(MAX_VALUE_NAME, u'n');
    const TRegValue value = MakeRegValue(REG_DWORD, "", 5, {});
    QVERIFY(WriteValue(reg.currentKey(), longest, value));
    QVERIFY(!WriteValue(reg.currentKey(), longest + u'n', value));
    QVERIFY(WriteValue(reg.currentKey(), u"short"_s, value));
    // A name far beyond 255 characters is still listed, and so are the values after it.
    ValueListModel list;
    FillValueList(reg.currentKey(), list);
    QCOMPARE(list.rowCount(), 3);
    QVERIFY(list.findValue(longest) > 0);
    QVERIFY(list.findValue(u"SHORT"_s) > 0);
}

void TestRegValueUtils::pathFunctions()
{
    QVERIFY(setValue(SubKey, u"s"_s, REG_SZ, sz("hello")));
    QVERIFY(setValue(SubKey, u"b"_s, REG_BINARY, QByteArray(10, 'x')));
    TRegValue v;
    QVERIFY(ReadValuePath(KeyPath + u'\\', u"s"_s, v));
    QCOMPARE(v.StringData, u"hello"_s);
    QVERIFY(ValueExistsPath(KeyPath, u"S"_s));
    QVERIFY(!ValueExistsPath(KeyPath, u"none"_s));
    QVERIFY(!ValueExistsPath(KeyPath + u"\\Missing"_s, u"s"_s));
    QCOMPARE(GetValueSize(KeyPath, u"s"_s), 5);
    QCOMPARE(GetValueSize(KeyPath, u"b"_s), 10);
    QCOMPARE(GetValueSize(KeyPath, u"none"_s), -1);
    QCOMPARE(m_sink->count(), 0);

    CurrentMachine() = u"\\\\NOWHERE"_s;
    QVERIFY(!ReadValuePath(KeyPath, u"s"_s, v));
    QCOMPARE(m_sink->texts(), QStringList{u"Konnte keine Verbindung mit \\\\NOWHERE herstellen."_s});
}

void TestRegValueUtils::valueList()
{
    QVERIFY(setValue(SubKey, u"b"_s, REG_SZ, sz("x")));
    QVERIFY(setValue(SubKey, u"Bz"_s, REG_DWORD, QByteArray("\x1a\0\0\0", 4)));
    QVERIFY(setValue(SubKey, u"ä"_s, REG_BINARY, QByteArray()));
    QVERIFY(setValue(SubKey, u"a"_s, REG_EXPAND_SZ, QByteArray("abc\0", 4)));
    QVERIFY(setValue(SubKey, u"(Standard)"_s, 11, QByteArray(1, '\x05')));
    ValueListModel list;
    list.setCollator(QCollator(QLocale(QLocale::German, QLocale::Germany)));
    QSignalSpy reset(&list, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    RegistryAccessor reg(KEY_READ);
    QVERIFY(openT(reg));
    FillValueList(reg.currentKey(), list);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(inserted.count(), 0);
    // Unset default first; the value named "(Standard)" sorts among the others; "ä" beside "a".
    QCOMPARE(captions(list), (QStringList{"(Standard)", "(Standard)", "a", "ä", "b", "Bz"}));
    QCOMPARE(list.row(0), ValueListModel::unsetDefaultRow());
    QCOMPARE(list.row(0).data, u"(Wert nicht gesetzt)"_s);
    QCOMPARE(list.row(1).data, u"05"_s);
    QVERIFY(!list.row(1).isDefault);
    QCOMPARE(list.data(list.index(5, ValueListModel::SizeColumn)).toString(), u"4 Byte"_s);
    QCOMPARE(list.data(list.index(5, 0), ValueListModel::ImageRole).toInt(), 6);
}

void TestRegValueUtils::valueListDefaultAndUnreadable()
{
    QVERIFY(setValue(SubKey, u"A"_s, REG_SZ, sz("x")));
    QVERIFY(setValue(SubKey, QString(), REG_SZ, sz("set")));
    QVERIFY(setValue(SubKey, u"odd"_s, REG_DWORD, QByteArray("\1\2\3", 3)));
    ValueListModel list;
    ShowKeyValues(KeyPath, list);
    QCOMPARE(captions(list), (QStringList{"(Standard)", "A", "odd"}));
    QCOMPARE(list.row(0).data, u"\"set\""_s);
    QVERIFY(list.row(0).isDefault);
    QCOMPARE(list.findValue(QString()), 0);
    // Data that cannot be read still lists name and type.
    QCOMPARE(list.row(2).type, u"REG_DWORD"_s);
    QCOMPARE(list.row(2).data, u"0x00000000 (0)"_s);
    ShowKeyValues(KeyPath + u"\\Missing"_s, list);
    QCOMPARE(list.rows(), QList<ValueRow>{ValueListModel::unsetDefaultRow()});
    ShowKeyValues(KeyPath, list);
    // A failed connection keeps the list as it was.
    CurrentMachine() = u"\\\\NOWHERE"_s;
    ShowKeyValues(KeyPath, list);
    QCOMPARE(list.rowCount(), 3);
    QCOMPARE(m_sink->count(), 1);
    ShowKeyValues(QString(), list);
    QCOMPARE(list.rowCount(), 0);
}

void TestRegValueUtils::createNewValue()
{
    QVERIFY(setValue(SubKey, u"Neuer Wert #1"_s, REG_SZ, sz("")));
    QVERIFY(setValue(SubKey, u"Neuer Wert #3"_s, REG_SZ, sz("")));
    ValueListModel list;
    ShowKeyValues(KeyPath, list);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    // The gap is filled first; a new DWORD row shows its 4 bytes as a refresh would.
    const int row = CreateNewValue(KeyPath, NewValueKind::DWord, list);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(row, 2);
    QCOMPARE(list.row(row).caption, u"Neuer Wert #2"_s);
    QCOMPARE(list.row(row).size, u"4 Byte"_s);
    QCOMPARE(value(SubKey, u"Neuer Wert #2"_s), qMakePair(REG_DWORD, QByteArray(4, '\0')));
    const int stringRow = CreateNewValue(KeyPath, NewValueKind::String, list);
    QCOMPARE(list.row(stringRow).caption, u"Neuer Wert #4"_s);
    QCOMPARE(list.row(stringRow).size, u"0 Byte"_s);
    QCOMPARE(value(SubKey, u"Neuer Wert #4"_s), qMakePair(REG_SZ, QByteArray(1, '\0')));
    QVERIFY(CreateNewValue(KeyPath, NewValueKind::Binary, list) > stringRow);
    QCOMPARE(value(SubKey, u"Neuer Wert #5"_s), qMakePair(REG_BINARY, QByteArray()));
    QCOMPARE(m_sink->count(), 0);
}

void TestRegValueUtils::createNewValueFails()
{
    ValueListModel list;
    QCOMPARE(CreateNewValue(KeyPath + u"\\Missing"_s, NewValueKind::String, list), -1);
    QCOMPARE(m_sink->last().kind, MessageKind::Error);
    QCOMPARE(m_sink->last().caption, u"Fehler"_s);
    QCOMPARE(m_sink->texts(), QStringList{"Datenwert konnte nicht erstellt werden."});
    QCOMPARE(list.rowCount(), 0);
    // A key that refuses writing.
    HKEY key = 0;
    QVERIFY(RegOpenKeyEx(HKEY_CURRENT_USER, SubKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS);
    QVERIFY(RegSetKeyDeny(key, KEY_DENY_WRITE) == ERROR_SUCCESS);
    RegCloseKey(key);
    QCOMPARE(CreateNewValue(KeyPath, NewValueKind::DWord, list), -1);
    QCOMPARE(m_sink->count(), 2);
}

void TestRegValueUtils::deleteValue()
{
    QVERIFY(setValue(SubKey, u"v"_s, REG_SZ, sz("x")));
    QCOMPARE(DeleteValuePath(KeyPath, u"V"_s, true), RegResult::Success);
    QCOMPARE(value(SubKey, u"v"_s).second, QByteArray("<missing>"));
    QCOMPARE(DeleteValuePath(KeyPath, u"v"_s, false), RegResult::ValueNotChanged);
    QCOMPARE(m_sink->count(), 0);
    QCOMPARE(DeleteValuePath(KeyPath, u"v"_s, true), RegResult::ValueNotChanged);
    QCOMPARE(DeleteValuePath(KeyPath + u"\\Missing"_s, u"v"_s, true), RegResult::NotFound);
    CurrentMachine() = u"\\\\NOWHERE"_s;
    QCOMPARE(DeleteValuePath(KeyPath, u"v"_s, true), RegResult::NotConnected);
    QCOMPARE(m_sink->texts(), (QStringList{"Fehler: Wert konnte nicht gelöscht werden.",
                                           "Fehler: Angegebener Wert nicht vorhanden.",
                                           "Konnte keine Verbindung mit \\\\NOWHERE herstellen."}));
    QCOMPARE(m_sink->messages().at(0).kind, MessageKind::Error);
    QCOMPARE(m_sink->messages().at(0).caption, u"Kaven 1.0"_s);
}

void TestRegValueUtils::renameValue()
{
    const QByteArray odd("ab\0cd\0", 6); // a string with an embedded zero keeps every byte
    QVERIFY(setValue(SubKey, u"old"_s, REG_SZ, odd));
    QVERIFY(setValue(SubKey, u"other"_s, REG_EXPAND_SZ, QByteArray("%X%\0", 4)));
    QCOMPARE(RenameValue(KeyPath, u"old"_s, u"other"_s, true), RegResult::ValueName);
    QCOMPARE(value(SubKey, u"old"_s), qMakePair(REG_SZ, odd));
    QCOMPARE(value(SubKey, u"other"_s), qMakePair(REG_EXPAND_SZ, QByteArray("%X%\0", 4)));
    QCOMPARE(RenameValue(KeyPath, u"gone"_s, u"x"_s, true), RegResult::ValueName);
    QCOMPARE(RenameValue(KeyPath + u"\\Missing"_s, u"old"_s, u"x"_s, true), RegResult::NotFound);
    QCOMPARE(m_sink->texts(), (QStringList{"Fehler: Neuer Wert bereits vorhanden.",
                                           "Fehler: Angegebener Wert nicht vorhanden.",
                                           "Fehler: Angegebener Schlüssel nicht vorhanden."}));

    QCOMPARE(RenameValue(KeyPath, u"old"_s, u"new"_s, true), RegResult::Success);
    QCOMPARE(value(SubKey, u"new"_s), qMakePair(REG_SZ, odd));
    QCOMPARE(value(SubKey, u"old"_s).second, QByteArray("<missing>"));

    // Renaming the default value gives it a name.
    QVERIFY(setValue(SubKey, QString(), REG_DWORD, QByteArray("\1\0\0\0", 4)));
    QCOMPARE(RenameValue(KeyPath, QString(), u"named"_s, false), RegResult::Success);
    QCOMPARE(value(SubKey, u"named"_s), qMakePair(REG_DWORD, QByteArray("\1\0\0\0", 4)));

    // A name beyond the limit cannot be written: both sides unchanged, message with the old name.
    m_sink->clear();
    const QString tooLong(MAX_VALUE_NAME + 1, u'x');
    QCOMPARE(RenameValue(KeyPath, u"new"_s, tooLong, true), RegResult::ValueNotWritten);
    QCOMPARE(value(SubKey, u"new"_s), qMakePair(REG_SZ, odd));
    QCOMPARE(m_sink->texts(), QStringList{"Fehler: Wert new konnte nicht umbenannt werden."});
}

QTEST_GUILESS_MAIN(TestRegValueUtils)
#include "TestRegValueUtils.moc"
