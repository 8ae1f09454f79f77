#include "FileBytes.h"
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
// "name\" is a subkey.
void parse(const QString& items, StoredKey& key)
{
    for (const QString& item : items.split(u' ', Qt::SkipEmptyParts)) {
        if (item.endsWith(u'\\')) {
            key.subKeyNames << item.chopped(1);
            continue;
        }
        const qsizetype eq = item.indexOf(u'='), colon = item.indexOf(u':', eq);
        const DWORD type = item.mid(eq + 1, colon - eq - 1).toUInt();
        const QString data = item.mid(colon + 1);
        QByteArray bytes = type == REG_SZ ? data.toUtf8() + '\0' : data.toUtf8().replace('|', '\0');
        if (type == REG_DWORD)
            bytes = QByteArray(4, '\0'), qToLittleEndian<quint32>(data.toUInt(), bytes.data());
        key.values.push_back({item.left(eq), {}});
        (void)ValueFromBytes(type, bytes, key.values.back().value);
    }
}

// The stored key as the comparison sees it: written to an analysis file and read back.
StoredKey throughFile(const StoredKey& key)
{
    return readAll(written([&key](AnalysisFileWriter& writer) { writer.writeKey(key); })).keys.value(0);
}

QStringList entries(const ChangeList& list)
{
    QStringList out;
    for (const ChangeRow& row : list.rows()) {
        const ChangeRecord& r = row.record;
        const QString name = row.valueText == u"(Standard)"_s ? QString() : row.valueText;
        const bool same = r.KeyPath == row.keyText && r.ValueName == name;
        out << u"%1|%2|%3|%4|%5|%6%7"_s.arg(row.comment, row.valueText, row.keyText.mid(Base.size()),
                                            QString::number(row.image), QString::number(r.ChangeKind),
                                            QString::number(r.OldValue.DataType), same ? u""_s : u" (record?)"_s);
    }
    return out;
}

} // namespace

class TestCompareKey : public QObject {
    Q_OBJECT

private slots:
    void liveKey_data();
    void liveKey();
    void newKeysFully();
};

// Stored and live key HKEY_CURRENT_USER\T ("-": no live key, "!": one that denies reading), the flags (the
// exclusion list is "1HKEY_CURRENT_USER\T"), and the entries: comment, value column, key column, image,
// kind, stored type. A key that no longer opens lists itself and its values whatever the flags.
void TestCompareKey::liveKey_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("live");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QStringList>("expected");

    const QString every = u"s=1:Müller d=4:7 e=2:%P%ä| m=7:a|Ω|| b=3:x n=0: A\\ b\\"_s;
    const QString created = u"Schlüssel wurde erstellt||T\\Neu|1|2|0"_s;
    const QStringList renamed{u"Wert wurde entfernt|a|T|5|4|1"_s, u"Wert wurde erstellt|b|T|5|8|0"_s};
    const auto row = [](const char* name, const QString& stored, const QString& live, int flags,
                        const QStringList& expected = {}) {
        QTest::newRow(name) << stored << live << flags << expected;
    };
    row("unchanged, names in other case", every, u"S=1:Müller D=4:7 E=2:%P%ä| M=7:a|Ω|| B=3:x N=0: a\\ B\\"_s, 15);
    row("renamed value", u"a=1:x"_s, u"b=1:x"_s, 15, renamed);
    row("data case only", u"a=1:abc"_s, u"a=1:ABC"_s, 15, {u"Daten wurden geändert|a|T|5|16|1"_s});
    row("sz to expand", u"p=1:%P%"_s, u"p=2:%P%|"_s, 15, {u"Typ wurde geändert|p|T|5|32|1"_s});
    row("dword to binary", u"d=4:1"_s, u"d=3:x"_s, 15, {u"Typ wurde geändert|d|T|7|32|4"_s});
    row("binary data", u"b=3:x|"_s, u"b=3:x"_s, 15, {u"Daten wurden geändert|b|T|7|16|3"_s});
    row("created default", u""_s, u"=1:x"_s, 15, {u"Standardwert wurde erstellt|(Standard)|T|5|8|0"_s});
    row("removed default", u"=4:1"_s, u""_s, 15, {u"Standardwert wurde entfernt|(Standard)|T|6|4|4"_s});
    row("values off", u"a=1:x"_s, u"b=1:x"_s, 13);
    row("data off", u"a=1:x p=1:y"_s, u"a=1:z p=2:y|"_s, 11, {u"Typ wurde geändert|p|T|5|32|1"_s});
    row("type off", u"p=1:y"_s, u"p=2:z|"_s, 7);
    row("created subkey", u""_s, u"Neu\\"_s, 15, {created});
    row("removed subkey left to its own key", u"Alt\\"_s, u""_s, 15);
    row("keys off", u""_s, u"Neu\\"_s, 14);
    row("excluded key, not its subkey", u"a=1:x"_s, u"b=1:x Neu\\"_s, 47, {created});
    const QStringList gone{u"Schlüssel wurde entfernt||T|1|1|0"_s, u"Standardwert wurde entfernt|(Standard)|T|5|4|1"_s,
                           u"Wert wurde entfernt|z|T|7|4|3"_s};
    row("deleted key", u"Sub\\ =1:x z=3:y"_s, u"-"_s, 0, gone);
    row("unreadable key", u"Sub\\ =1:x z=3:y"_s, u"!"_s, 0, gone);
    row("deleted key excluded", u"=1:x"_s, u"-"_s, 32);
    row("exclusion switched off", u"a=1:x"_s, u"b=1:x Neu\\"_s, 15, renamed + QStringList{created});
}

void TestCompareKey::liveKey()
{
    QFETCH(QString, stored);
    QFETCH(QString, live);
    QFETCH(int, flags);
    QFETCH(QStringList, expected);

    TempStore store;
    const bool opens = live != u"-"_s && live != u"!"_s;
    QVERIFY(store.ok() && (live == u"-"_s || makeKey(u"T"_s)));
    StoredKey liveKey;
    if (opens)
        parse(live, liveKey);
    if (live == u"!"_s)
        QVERIFY(denyKey(u"T"_s, KEY_DENY_READ));
    for (const QString& name : liveKey.subKeyNames)
        QVERIFY(makeKey(u"T\\"_s + name));
    for (const StoredValue& value : liveKey.values)
        QVERIFY(setValue(u"T"_s, value.name, value.value.DataType, ValueToBytes(value.value)));
    StoredKey key{Base + u"T"_s, {}, {}};
    parse(stored, key);

    ChangeList list(German);
    RegistryAccessor reg(KEY_READ);
    const CompareOptions options{flags, {u"1HKEY_CURRENT_USER\\T"_s}, {}};
    QCOMPARE(CompareStoredKey(reg, throughFile(key), list, options),
             opens ? StoredKeyResult::Compared : StoredKeyResult::Removed);
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
