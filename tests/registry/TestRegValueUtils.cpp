#include "RegTestKeys.h"

#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"
#include "registry/ValueListModel.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

namespace {

const QString KeyPath = u"HKEY_CURRENT_USER\\T"_s;
const QString SubKey = u"T"_s;

} // namespace

class TestRegValueUtils : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fx.start());
        QVERIFY(makeKey(SubKey));
    }
    void cleanup() { m_fx.stop(); }

    void formatSize()
    {
        const QList<QPair<quint32, QString>> cases{
            {0, u"0 Byte"_s},     {999, u"999 Byte"_s},   {1000, u"0,97 KB"_s},    {1023, u"0,99 KB"_s},
            {1024, u"1 KB"_s},    {1500, u"1,46 KB"_s},   {12345, u"12,0 KB"_s},   {123456, u"120 KB"_s},
            {1048575, u"0,99 MB"_s}, {1048576, u"1 MB"_s}, {4294967295u, u"3,99 GB"_s}};
        for (const auto& [size, text] : cases)
            QCOMPARE(FormatSize(size), text);
    }

    // Each value with its type text, data text, size text and image.
    void texts()
    {
        const std::pair<TRegValue, QString> cases[] = {
            {MakeRegValue(REG_SZ, "abc", 0, {}), u"REG_SZ|\"abc\"|3 Byte|5"_s},
            {MakeRegValue(REG_EXPAND_SZ, "", 0, "%P%\0x\0"_ba), u"REG_EXPAND_SZ|\"%P%\"|6 Byte|5"_s}, // two zeros
            {MakeRegValue(REG_DWORD, "", 4294967295u, {}), u"REG_DWORD|0xFFFFFFFF (4294967295)|4 Byte|6"_s},
            {MakeRegValue(REG_DWORD, "", 26, {}), u"REG_DWORD|0x0000001A (26)|4 Byte|6"_s},
            {MakeRegValue(REG_BINARY, "", 0, {}), u"REG_BINARY|(Binärdaten der Länge Null)|0 Byte|7"_s},
            {MakeRegValue(REG_MULTI_SZ, "", 0, "a\0b\0\0"_ba), u"REG_MULTI_SZ|61 00 62 00 00|5 Byte|7"_s},
            {MakeRegValue(11, "", 0, QByteArray(8, '\x01')), u"REG_NONE|01 01 01 01 01 01 01 01|8 Byte|7"_s}};
        for (const auto& [value, texts] : cases) {
            const QStringList got{TypeNameOfCode(value.DataType), ValueDataText(value), ValueSizeText(value),
                                  QString::number(ValueImageIndex(value.DataType))};
            QCOMPARE(got.join(u'|'), texts);
        }
    }

    // Each value written through the accessor's key, as stored, and read back the same; names up to the limit.
    void readWrite()
    {
        const QString longText(1024 * 1024, u'x'); // (binary data of any size is the platform's test)
        const std::pair<TRegValue, QByteArray> cases[] = {
            {MakeRegValue(REG_SZ, "Grüße", 0, {}), "Gr\xc3\xbc\xc3\x9f" "e\0"_ba},
            {MakeRegValue(REG_DWORD, "", 0x12345678, {}), "\x78\x56\x34\x12"_ba},
            {MakeRegValue(REG_BINARY, "", 0, {}), {}}, {MakeRegValue(REG_BINARY, "", 0, "\0a\0"_ba), "\0a\0"_ba},
            {MakeRegValue(REG_EXPAND_SZ, "", 0, "%A%\0"_ba), "%A%\0"_ba},
            {MakeRegValue(11, "", 0, QByteArray(8, '\x7f')), QByteArray(8, '\x7f')},
            {MakeRegValue(REG_SZ, longText, 0, {}), longText.toUtf8() + '\0'}};
        RegistryAccessor reg(KEY_READ | KEY_WRITE);
        QCOMPARE(reg.openPath(KeyPath, false, true), RegResult::Success);
        int i = 0;
        for (const auto& [value, stored] : cases) {
            const QString name = u"v%1"_s.arg(i++);
            QVERIFY(!ValueExists(reg.currentKey(), name));
            QVERIFY(WriteValue(reg.currentKey(), name, value));
            QCOMPARE(RegTestKeys::value(SubKey, name), qMakePair(value.DataType, stored));
            TRegValue read = MakeRegValue(99, "junk", 7, "junk");
            QVERIFY(ReadValue(reg.currentKey(), name, read));
            QCOMPARE(read, value);
        }
        const QString longest(MAX_VALUE_NAME, u'n');
        QVERIFY(WriteValue(reg.currentKey(), longest, MakeRegValue(REG_DWORD, "", 5, {})));
        QVERIFY(WriteValue(reg.currentKey(), u"short"_s, MakeRegValue(REG_DWORD, "", 5, {})));
        // A name far beyond 255 characters is still listed, and so are the values after it.
        ValueListModel list;
        FillValueList(reg.currentKey(), list);
        QCOMPARE(list.rowCount(), int(std::size(cases)) + 3); // and the unset default
        QVERIFY(list.findValue(longest) > 0 && list.findValue(u"SHORT"_s) > 0);
        QCOMPARE(GetValueSize(KeyPath, longest), 4);
        QCOMPARE(GetValueSize(KeyPath, u"none"_s), -1);
    }

    // Stored data that the program's form cannot hold: what is read of it, and whether it counts as read.
    void readOddData()
    {
        const std::tuple<DWORD, QByteArray, bool, TRegValue> cases[] = {
            {REG_SZ, "ab\0cd\0"_ba, true, MakeRegValue(REG_SZ, "ab", 0, {})}, // embedded zero
            {REG_SZ, "abc", true, MakeRegValue(REG_SZ, "abc", 0, {})}, // unterminated
            {REG_SZ, {}, true, MakeRegValue(REG_SZ, "", 0, {})},
            {REG_DWORD, "\1\2", false, MakeRegValue(REG_DWORD, "", 0, {})}, // short
            {REG_DWORD, {}, true, MakeRegValue(REG_DWORD, "", 0, {})}};
        for (const auto& [type, stored, readable, expected] : cases) {
            QVERIFY(setValue(SubKey, u"v"_s, type, stored));
            TRegValue read;
            QCOMPARE(ReadValuePath(KeyPath, u"v"_s, read), readable);
            QCOMPARE(read, expected);
        }
        TRegValue read;
        QVERIFY(!ReadValuePath(KeyPath, u"missing"_s, read));
        QVERIFY(!ValueExistsPath(KeyPath, QString())); // no default value set
    }

    // Unset default first; the value named "(Standard)" sorts among the others; "ä" beside "a". Then the
    // default set, and data that cannot be read still listing name and type.
    void valueList()
    {
        const QList<std::tuple<QString, DWORD, QByteArray>> values{
            {u"b"_s, REG_SZ, sz("x")}, {u"Bz"_s, REG_DWORD, QByteArray("\x1a\0\0\0", 4)}, {u"ä"_s, REG_BINARY, {}},
            {u"a"_s, REG_EXPAND_SZ, QByteArray("abc\0", 4)}, {u"(Standard)"_s, 11, QByteArray(1, '\x05')}};
        for (const auto& [name, type, data] : values)
            QVERIFY(setValue(SubKey, name, type, data));
        ValueListModel list;
        list.setCollator(QCollator(QLocale(QLocale::German, QLocale::Germany)));
        RegistryAccessor reg(KEY_READ);
        QCOMPARE(reg.openPath(KeyPath, false, true), RegResult::Success);
        FillValueList(reg.currentKey(), list);
        QCOMPARE(captions(list), (QStringList{"(Standard)", "(Standard)", "a", "ä", "b", "Bz"}));
        QCOMPARE(list.row(0), ValueListModel::unsetDefaultRow());
        QCOMPARE((QStringList{list.row(0).data, list.row(1).data}), (QStringList{"(Wert nicht gesetzt)", "05"}));
        QVERIFY(!list.row(1).isDefault);
        QCOMPARE(list.data(list.index(5, ValueListModel::SizeColumn)).toString(), u"4 Byte"_s);
        QCOMPARE(list.data(list.index(5, 0), ValueListModel::ImageRole).toInt(), 6);

        QVERIFY(setValue(SubKey, QString(), REG_SZ, sz("set")));
        QVERIFY(setValue(SubKey, u"odd"_s, REG_DWORD, QByteArray("\1\2\3", 3)));
        ShowKeyValues(KeyPath, list);
        QCOMPARE(captions(list), (QStringList{"(Standard)", "(Standard)", "a", "ä", "b", "Bz", "odd"}));
        QCOMPARE(list.row(0).data, u"\"set\""_s);
        QCOMPARE(list.findValue(QString()), 0);
        QCOMPARE((QStringList{list.row(6).type, list.row(6).data}), (QStringList{"REG_DWORD", "0x00000000 (0)"}));
        ShowKeyValues(KeyPath + u"\\Missing"_s, list);
        QCOMPARE(list.rows(), QList<ValueRow>{ValueListModel::unsetDefaultRow()});
        ShowKeyValues(KeyPath, list);
        // A failed connection keeps the list as it was.
        CurrentMachine() = u"\\\\NOWHERE"_s;
        ShowKeyValues(KeyPath, list);
        QCOMPARE(list.rowCount(), 7);
        QCOMPARE(m_fx.sink->count(), 1);
        ShowKeyValues(QString(), list);
        QCOMPARE(list.rowCount(), 0);
    }

    void createNewValue()
    {
        QVERIFY(setValue(SubKey, u"Neuer Wert #1"_s, REG_SZ, sz("")));
        QVERIFY(setValue(SubKey, u"Neuer Wert #3"_s, REG_SZ, sz("")));
        ValueListModel list;
        ShowKeyValues(KeyPath, list);
        // The gap is filled first; a new DWORD row shows its 4 bytes as a refresh would.
        const int row = CreateNewValue(KeyPath, NewValueKind::DWord, list);
        QCOMPARE((QStringList{list.row(row).caption, list.row(row).size}), (QStringList{"Neuer Wert #2", "4 Byte"}));
        QCOMPARE(value(SubKey, u"Neuer Wert #2"_s), qMakePair(REG_DWORD, QByteArray(4, '\0')));
        QVERIFY(CreateNewValue(KeyPath, NewValueKind::String, list) > row);
        QCOMPARE(value(SubKey, u"Neuer Wert #4"_s), qMakePair(REG_SZ, QByteArray(1, '\0')));
        QVERIFY(CreateNewValue(KeyPath, NewValueKind::Binary, list) > row);
        QCOMPARE(value(SubKey, u"Neuer Wert #5"_s), qMakePair(REG_BINARY, QByteArray()));
        QCOMPARE(m_fx.sink->count(), 0);

        // A key that is gone, and one that refuses writing.
        QCOMPARE(CreateNewValue(KeyPath + u"\\Missing"_s, NewValueKind::String, list), -1);
        QCOMPARE(m_fx.sink->last().caption, u"Fehler"_s);
        QCOMPARE(m_fx.sink->texts(), QStringList{"Datenwert konnte nicht erstellt werden."});
        QVERIFY(denyKey(SubKey, KEY_DENY_WRITE));
        QCOMPARE(CreateNewValue(KeyPath, NewValueKind::DWord, list), -1);
        QVERIFY(m_fx.sink->count() == 2 && list.rowCount() == 6);
    }

    void deleteAndRenameValue()
    {
        QVERIFY(setValue(SubKey, u"v"_s, REG_SZ, sz("x")));
        QCOMPARE(DeleteValuePath(KeyPath, u"V"_s, true), RegResult::Success);
        QCOMPARE(value(SubKey, u"v"_s).second, QByteArray("<missing>"));
        QCOMPARE(DeleteValuePath(KeyPath, u"v"_s, false), RegResult::ValueNotChanged);
        QCOMPARE(m_fx.sink->count(), 0);
        QCOMPARE(DeleteValuePath(KeyPath, u"v"_s, true), RegResult::ValueNotChanged);
        QCOMPARE(DeleteValuePath(KeyPath + u"\\Missing"_s, u"v"_s, true), RegResult::NotFound);

        const QByteArray odd("ab\0cd\0", 6); // a string with an embedded zero keeps every byte
        QVERIFY(setValue(SubKey, u"old"_s, REG_SZ, odd));
        QVERIFY(setValue(SubKey, u"other"_s, REG_EXPAND_SZ, QByteArray("%X%\0", 4)));
        QCOMPARE(RenameValue(KeyPath, u"old"_s, u"other"_s, true), RegResult::ValueName);
        QCOMPARE(value(SubKey, u"other"_s), qMakePair(REG_EXPAND_SZ, QByteArray("%X%\0", 4)));
        QCOMPARE(RenameValue(KeyPath, u"gone"_s, u"x"_s, true), RegResult::ValueName);
        QCOMPARE(RenameValue(KeyPath + u"\\Missing"_s, u"old"_s, u"x"_s, true), RegResult::NotFound);
        // A name beyond the limit cannot be written: both sides unchanged, message with the old name.
        QCOMPARE(RenameValue(KeyPath, u"old"_s, QString(MAX_VALUE_NAME + 1, u'x'), true),
                 RegResult::ValueNotWritten);
        QCOMPARE(RenameValue(KeyPath, u"old"_s, u"new"_s, true), RegResult::Success);
        QCOMPARE(value(SubKey, u"new"_s), qMakePair(REG_SZ, odd));
        QCOMPARE(value(SubKey, u"old"_s).second, QByteArray("<missing>"));
        // Renaming the default value gives it a name.
        QVERIFY(setValue(SubKey, QString(), REG_DWORD, QByteArray("\1\0\0\0", 4)));
        QCOMPARE(RenameValue(KeyPath, QString(), u"named"_s, false), RegResult::Success);
        QCOMPARE(value(SubKey, u"named"_s), qMakePair(REG_DWORD, QByteArray("\1\0\0\0", 4)));
        CurrentMachine() = u"\\\\NOWHERE"_s;
        QCOMPARE(DeleteValuePath(KeyPath, u"named"_s, true), RegResult::NotConnected);
        QCOMPARE(m_fx.sink->texts(),
                 (QStringList{"Fehler: Wert konnte nicht gelöscht werden.", "Fehler: Angegebener Wert nicht vorhanden.",
                              "Fehler: Neuer Wert bereits vorhanden.", "Fehler: Angegebener Wert nicht vorhanden.",
                              "Fehler: Angegebener Schlüssel nicht vorhanden.",
                              "Fehler: Wert old konnte nicht umbenannt werden.",
                              "Konnte keine Verbindung mit \\\\NOWHERE herstellen."}));
    }

private:
    StoreFixture m_fx;
};

QTEST_GUILESS_MAIN(TestRegValueUtils)
#include "TestRegValueUtils.moc"
