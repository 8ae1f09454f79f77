#include "changes/CompareKey.h"
#include "registry/RegTestKeys.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"
#include "support/TempStore.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

namespace {

const QString Base = u"HKEY_CURRENT_USER\\"_s;
const QLocale German(QLocale::German, QLocale::Germany);

// "name=type:data": REG_SZ text, REG_DWORD number, other types their text as UTF-8 with "|" for NUL.
StoredValue parseValue(const QString& spec)
{
    const qsizetype eq = spec.indexOf(u'=');
    const qsizetype colon = spec.indexOf(u':', eq);
    const DWORD type = spec.mid(eq + 1, colon - eq - 1).toUInt();
    const QString data = spec.mid(colon + 1);
    QByteArray bytes = data.toUtf8().replace('|', '\0');
    if (type == REG_SZ)
        bytes = data.toUtf8() + '\0';
    else if (type == REG_DWORD)
        bytes = QByteArray(4, '\0'), qToLittleEndian<quint32>(data.toUInt(), bytes.data());
    StoredValue value{spec.left(eq), {}};
    (void)ValueFromBytes(type, bytes, value.value);
    return value;
}

// The stored key as the comparison sees it: written to an analysis file and read back.
StoredKey throughFile(const StoredKey& key)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    AnalysisFileWriter writer(buffer);
    writer.writeKey(key);
    (void)writer.finish();
    buffer.close();
    buffer.open(QIODevice::ReadOnly);
    AnalysisFileReader reader(buffer);
    StoredKey read;
    (void)reader.next(read);
    return read;
}

QStringList entries(const ChangeList& list)
{
    QStringList out;
    for (const ChangeRow& row : list.rows()) {
        const ChangeRecord& r = row.record;
        const bool consistent = r.KeyPath == row.keyText && (row.image == 1 ? r.ValueName.isEmpty()
                                                              : r.ValueName == row.valueText
                                                                    || (r.ValueName.isEmpty() && row.valueText == u"(Standard)"_s));
        out << u"%1|%2|%3|%4|%5|%6"_s.arg(row.comment, row.valueText, row.keyText.mid(Base.size()))
                   .arg(row.image)
                   .arg(r.ChangeKind)
                   .arg(r.OldValue.DataType)
               + (consistent ? u""_s : u" (record differs)"_s);
    }
    return out;
}

} // namespace

class TestCompareKey : public QObject {
    Q_OBJECT

private slots:
    void liveKey_data();
    void liveKey();
    void storedKeyGone_data();
    void storedKeyGone();
    void newKeysFully();
};

void TestCompareKey::liveKey_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("live");
    QTest::addColumn<QStringList>("storedSubKeys");
    QTest::addColumn<QStringList>("liveSubKeys");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QStringList>("exclusions");
    QTest::addColumn<QStringList>("expected");

    const QStringList every{u"s=1:Müller"_s, u"d=4:7"_s, u"e=2:%P%ä|"_s, u"m=7:a|Ω||"_s, u"b=3:x"_s, u"n=0:"_s};
    const QStringList none;
    const QStringList renamed{u"a=1:x"_s};
    const QStringList renamedLive{u"b=1:x"_s};
    const QString created = u"Schlüssel wurde erstellt||T\\Neu|1|2|0"_s;
    const QStringList both{u"Wert wurde entfernt|a|T|5|4|1"_s, u"Wert wurde erstellt|b|T|5|8|0"_s};
    const QStringList excludeT{u"1HKEY_CURRENT_USER\\T"_s};

    QTest::newRow("unchanged") << every << every << QStringList{u"A"_s, u"b"_s} << QStringList{u"a"_s, u"B"_s}
                               << 15 << none << none;
    QTest::newRow("renamed value") << renamed << renamedLive << none << none << 15 << none << both;
    QTest::newRow("name case only") << QStringList{u"Name=1:x"_s} << QStringList{u"NAME=1:x"_s} << none << none
                                    << 15 << none << none;
    QTest::newRow("data case only") << QStringList{u"a=1:abc"_s} << QStringList{u"a=1:ABC"_s} << none << none
                                    << 15 << none << QStringList{u"Daten wurden geändert|a|T|5|16|1"_s};
    QTest::newRow("sz to expand") << QStringList{u"p=1:%P%"_s} << QStringList{u"p=2:%P%|"_s} << none << none << 15
                                  << none << QStringList{u"Typ wurde geändert|p|T|5|32|1"_s};
    QTest::newRow("dword to binary") << QStringList{u"d=4:1"_s} << QStringList{u"d=3:x"_s} << none << none << 15
                                     << none << QStringList{u"Typ wurde geändert|d|T|7|32|4"_s};
    QTest::newRow("binary data") << QStringList{u"b=3:x|"_s} << QStringList{u"b=3:x"_s} << none << none << 15
                                 << none << QStringList{u"Daten wurden geändert|b|T|7|16|3"_s};
    QTest::newRow("created default") << none << QStringList{u"=1:x"_s} << none << none << 15 << none
                                     << QStringList{u"Standardwert wurde erstellt|(Standard)|T|5|8|0"_s};
    QTest::newRow("removed default") << QStringList{u"=4:1"_s} << none << none << none << 15 << none
                                     << QStringList{u"Standardwert wurde entfernt|(Standard)|T|6|4|4"_s};
    QTest::newRow("values off") << renamed << renamedLive << none << none << 13 << none << none;
    QTest::newRow("data off") << QStringList{u"a=1:x"_s, u"p=1:y"_s} << QStringList{u"a=1:z"_s, u"p=2:y|"_s}
                              << none << none << 11 << none << QStringList{u"Typ wurde geändert|p|T|5|32|1"_s};
    QTest::newRow("type off") << QStringList{u"p=1:y"_s} << QStringList{u"p=2:z|"_s} << none << none << 7 << none
                              << none;
    QTest::newRow("created subkey") << none << none << none << QStringList{u"Neu"_s} << 15 << none
                                    << QStringList{created};
    QTest::newRow("removed subkey left to its own key") << none << none << QStringList{u"Alt"_s} << none << 15 << none
                                                        << none;
    QTest::newRow("keys off") << none << none << none << QStringList{u"Neu"_s} << 14 << none << none;
    QTest::newRow("excluded key, not its subkey") << renamed << renamedLive << none << QStringList{u"Neu"_s} << 47
                                                  << excludeT << QStringList{created};
    QTest::newRow("exclusion switched off") << renamed << renamedLive << none << QStringList{u"Neu"_s} << 15
                                            << excludeT << both + QStringList{created};
}

void TestCompareKey::liveKey()
{
    QFETCH(QStringList, stored);
    QFETCH(QStringList, live);
    QFETCH(QStringList, storedSubKeys);
    QFETCH(QStringList, liveSubKeys);
    QFETCH(int, flags);
    QFETCH(QStringList, exclusions);
    QFETCH(QStringList, expected);

    TempStore store;
    QVERIFY(store.ok());
    QVERIFY(makeKey(u"T"_s));
    for (const QString& name : liveSubKeys)
        QVERIFY(makeKey(u"T\\"_s + name));
    StoredKey key{Base + u"T"_s, storedSubKeys, {}};
    for (const QString& spec : live) {
        const StoredValue value = parseValue(spec);
        QVERIFY(setValue(u"T"_s, value.name, value.value.DataType, ValueToBytes(value.value)));
    }
    for (const QString& spec : stored)
        key.values.push_back(parseValue(spec));

    ChangeList list(German);
    RegistryAccessor reg(KEY_READ);
    const CompareOptions options{flags, exclusions, {}};
    QCOMPARE(CompareStoredKey(reg, throughFile(key), list, options), StoredKeyResult::Compared);
    QCOMPARE(entries(list), expected);
}

// A key that no longer opens lists itself and its stored values whatever the flags; only exclusions apply.
void TestCompareKey::storedKeyGone_data()
{
    QTest::addColumn<bool>("denyRead");
    QTest::addColumn<QStringList>("exclusions");
    QTest::addColumn<QStringList>("expected");

    const QStringList all{u"Schlüssel wurde entfernt||T\\Alt|1|1|0"_s,
                          u"Standardwert wurde entfernt|(Standard)|T\\Alt|5|4|1"_s,
                          u"Wert wurde entfernt|z|T\\Alt|7|4|3"_s};
    QTest::newRow("deleted") << false << QStringList() << all;
    QTest::newRow("access denied") << true << QStringList() << all;
    QTest::newRow("excluded") << false << QStringList{u"3T\\ALT"_s} << QStringList();
}

void TestCompareKey::storedKeyGone()
{
    QFETCH(bool, denyRead);
    QFETCH(QStringList, exclusions);
    QFETCH(QStringList, expected);

    TempStore store;
    QVERIFY(makeKey(u"T"_s));
    if (denyRead) {
        QVERIFY(setValue(u"T\\Alt"_s, u"z"_s, REG_BINARY, "x"));
        HKEY key = 0;
        QVERIFY(RegOpenKeyEx(HKEY_CURRENT_USER, u"T\\Alt"_s, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS);
        QVERIFY(RegSetKeyDeny(key, KEY_DENY_READ) == ERROR_SUCCESS);
        RegCloseKey(key);
    }
    const StoredKey key{Base + u"T\\Alt"_s, {u"Sub"_s}, {parseValue(u"=1:x"_s), parseValue(u"z=3:y"_s)}};
    ChangeList list(German);
    RegistryAccessor reg(KEY_READ);
    QCOMPARE(CompareStoredKey(reg, key, list, {CompFlags::Exclude, exclusions, {}}), StoredKeyResult::Removed);
    QCOMPARE(entries(list), expected);
}

// With full listing the walk takes over each created subkey; nothing is listed for it here.
void TestCompareKey::newKeysFully()
{
    TempStore store;
    QVERIFY(makeKey(u"T\\Neu"_s));
    QVERIFY(makeKey(u"T\\Alt"_s));
    QStringList handed;
    const CompareOptions options{CompFlags::Keys | CompFlags::FullNewKeys, {},
                                 [&handed](const QString& path) { handed << path; }};
    ChangeList list(German);
    RegistryAccessor reg(KEY_READ);
    QCOMPARE(CompareStoredKey(reg, {Base + u"T"_s, {u"alt"_s}, {}}, list, options), StoredKeyResult::Compared);
    QCOMPARE(handed, QStringList{Base + u"T\\Neu"_s});
    QVERIFY(list.isEmpty());
}

QTEST_GUILESS_MAIN(TestCompareKey)
#include "TestCompareKey.moc"
