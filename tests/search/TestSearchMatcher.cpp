#include "search/SearchMatcher.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace SearchFlags;

namespace {
constexpr DWORD C = CompareFlags::CaseSensitive;
constexpr DWORD S = CompareFlags::Substring;
constexpr DWORD L = CompareFlags::Logical;
} // namespace

class TestSearchMatcher : public QObject {
    Q_OBJECT

private slots:
    void values_data();
    void values();
    void keyNames_data();
    void keyNames();
    void startPosition_data();
    void startPosition();
    void enabling_data();
    void enabling();
};

void TestSearchMatcher::values_data()
{
    QTest::addColumn<uint>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("search");
    QTest::addColumn<uint>("compare");
    QTest::addColumn<uint>("content");
    QTest::addColumn<bool>("nameMatched");
    QTest::addColumn<bool>("dataMatched");

    const uint all = ValueNames | ValueData | AnyType;
    const QByteArray dword26("\x1a\0\0\0", 4);
    const QByteArray dword0x26("\x26\0\0\0", 4);
    // DWORD data is its unsigned decimal number
    QTest::newRow("26 finds DWORD 26") << uint(REG_DWORD) << u"n"_s << dword26 << u"26"_s << uint(S) << all << false << true;
    QTest::newRow("26 misses DWORD 0x26") << uint(REG_DWORD) << u"n"_s << dword0x26 << u"26"_s << uint(S) << all << false << false;
    QTest::newRow("0x26 is 38") << uint(REG_DWORD) << u"n"_s << dword0x26 << u"38"_s << uint(0) << all << false << true;
    QTest::newRow("unsigned") << uint(REG_DWORD) << u"n"_s << QByteArray("\xff\xff\xff\xff") << u"4294967295"_s << uint(0) << all << false << true;
    QTest::newRow("zero") << uint(REG_DWORD) << u"n"_s << QByteArray("\0\0\0\0", 4) << u"0"_s << uint(0) << all << false << true;
    QTest::newRow("DWORD of 3 bytes is passed over") << uint(REG_DWORD) << u"n"_s << QByteArray("\x1a\0\0", 3) << u"26"_s << uint(S) << all << false << false;
    QTest::newRow("DWORD without its type bit") << uint(REG_DWORD) << u"26"_s << dword26 << u"26"_s << uint(S) << uint(ValueNames | ValueData | StringTypes | OtherTypes) << false << false;
    // strings
    QTest::newRow("REG_SZ up to its first zero") << uint(REG_SZ) << u"n"_s << QByteArray("eins\0zwei\0", 10) << u"zwei"_s << uint(S) << all << false << false;
    QTest::newRow("REG_SZ whole string") << uint(REG_SZ) << u"n"_s << QByteArray("eins\0", 5) << u"EINS"_s << uint(0) << all << false << true;
    QTest::newRow("REG_SZ ä finds Ä") << uint(REG_SZ) << u"n"_s << u"ÄRGER"_s.toUtf8() << u"ä"_s << uint(S) << all << false << true;
    QTest::newRow("REG_SZ ä with case") << uint(REG_SZ) << u"n"_s << u"ÄRGER"_s.toUtf8() << u"ä"_s << uint(S | C) << all << false << false;
    QTest::newRow("REG_EXPAND_SZ whole string never") << uint(REG_EXPAND_SZ) << u"n"_s << QByteArray("%PATH%\0", 7) << u"%PATH%"_s << uint(0) << all << false << false;
    QTest::newRow("REG_EXPAND_SZ substring") << uint(REG_EXPAND_SZ) << u"n"_s << QByteArray("%PATH%\0", 7) << u"%path%"_s << uint(S) << all << false << true;
    QTest::newRow("REG_EXPAND_SZ as text") << uint(REG_EXPAND_SZ) << u"n"_s << QByteArray("Gr\xc3\xbc\xc3\x9f" "e\0", 8) << u"ü"_s << uint(S) << all << false << true;
    QTest::newRow("REG_MULTI_SZ as text") << uint(REG_MULTI_SZ) << u"n"_s << QByteArray("eins\0Gr\xc3\xbc\xc3\x9f" "e\0\0", 14) << u"Ü"_s << uint(S) << all << false << true;
    QTest::newRow("REG_MULTI_SZ second string") << uint(REG_MULTI_SZ) << u"n"_s << QByteArray("eins\0zwei\0\0", 11) << u"zwei"_s << uint(S) << all << false << true;
    QTest::newRow("REG_MULTI_SZ is not a string type") << uint(REG_MULTI_SZ) << u"zwei"_s << QByteArray("zwei\0\0", 6) << u"zwei"_s << uint(S) << uint(ValueNames | ValueData | StringTypes) << false << false;
    // other types: each byte a Windows-1252 character
    QTest::newRow("binary E4 is ä") << uint(REG_BINARY) << u"n"_s << QByteArray("\x01\xe4\x02") << u"Ä"_s << uint(S) << all << false << true;
    QTest::newRow("binary 80 is €") << uint(REG_BINARY) << u"n"_s << QByteArray("x\x80") << u"€"_s << uint(S) << all << false << true;
    QTest::newRow("binary ASCII") << uint(REG_NONE) << u"n"_s << QByteArray("ab\0cd", 5) << u"CD"_s << uint(S) << all << false << true;
    QTest::newRow("binary is not UTF-8") << uint(REG_BINARY) << u"n"_s << QByteArray("\xc3\xa4") << u"ä"_s << uint(S) << all << false << false;
    QTest::newRow("binary without its type bit") << uint(REG_BINARY) << u"n"_s << QByteArray("n") << u"n"_s << uint(S) << uint(ValueNames | ValueData | StringTypes | DWordType) << false << false;
    // value names
    QTest::newRow("Run is not RunOnce") << uint(REG_SZ) << u"RunOnce"_s << QByteArray() << u"Run"_s << uint(0) << all << false << false;
    QTest::newRow("Run in RunOnce") << uint(REG_SZ) << u"RunOnce"_s << QByteArray() << u"Run"_s << uint(S) << all << true << false;
    QTest::newRow("name and data") << uint(REG_SZ) << u"Pfad"_s << QByteArray("C:\\Pfad\0", 8) << u"pfad"_s << uint(S) << all << true << true;
    QTest::newRow("name only") << uint(REG_SZ) << u"Pfad"_s << QByteArray("Pfad") << u"pfad"_s << uint(S) << uint(ValueNames | AnyType) << true << false;
    QTest::newRow("data only") << uint(REG_SZ) << u"Pfad"_s << QByteArray("Pfad") << u"pfad"_s << uint(S) << uint(ValueData | AnyType) << false << true;
    QTest::newRow("no type bit, nothing") << uint(REG_SZ) << u"Pfad"_s << QByteArray("Pfad") << u"pfad"_s << uint(S) << uint(ValueNames | ValueData | KeyNames) << false << false;
    QTest::newRow("logical over data") << uint(REG_SZ) << u"n"_s << QByteArray("C:\\Programme\\Kaven") << u"programme NOT windows"_s << uint(S | L) << all << false << true;
}

void TestSearchMatcher::values()
{
    QFETCH(uint, type);
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(QString, search);
    QFETCH(uint, compare);
    QFETCH(uint, content);
    QFETCH(bool, nameMatched);
    QFETCH(bool, dataMatched);

    SearchMatcher matcher({search, content, compare});
    QCOMPARE(matcher.matchValueName(name, type), nameMatched);
    QCOMPARE(matcher.matchValueData(type, data), dataMatched);
    // the reused buffer holds nothing of a longer candidate before
    (void)matcher.matchValueData(REG_SZ, QByteArray(40, 'z'));
    QCOMPARE(matcher.matchValueData(type, data), dataMatched);
}

void TestSearchMatcher::keyNames_data()
{
    QTest::addColumn<uint>("content");
    QTest::addColumn<bool>("startKey");
    QTest::addColumn<bool>("matched");

    QTest::newRow("key names") << uint(KeyNames) << false << true;
    QTest::newRow("without bit 8") << uint(ValueNames | AnyType) << false << false;
    QTest::newRow("start key without 512") << uint(KeyNames) << true << false;
    QTest::newRow("start key with 512") << uint(KeyNames | StartKeyName) << true << true;
    QTest::newRow("512 alone") << uint(StartKeyName) << true << false;
}

void TestSearchMatcher::keyNames()
{
    QFETCH(uint, content);
    QFETCH(bool, startKey);
    QFETCH(bool, matched);
    const SearchMatcher matcher({u"current"_s, content, S});
    QCOMPARE(matcher.matchKeyName(u"HKEY_CURRENT_USER", startKey), matched);
}

void TestSearchMatcher::startPosition_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("startValue");
    QTest::addColumn<bool>("atDefault");
    QTest::addColumn<bool>("past");

    QTest::newRow("no start value: default value searched") << QString() << QString() << false << true;
    QTest::newRow("the start value itself is not found again") << u"Path"_s << u"Path"_s << false << false;
    QTest::newRow("ignoring case") << u"PATH"_s << u"path"_s << false << false;
    QTest::newRow("before the start value") << u"Alpha"_s << u"Path"_s << false << false;
    QTest::newRow("after the start value") << u"Temp"_s << u"Path"_s << false << true;
    QTest::newRow("after a deleted start value") << u"Pfad"_s << u"Pf"_s << false << true;
    QTest::newRow("default value before a start value") << QString() << u"Path"_s << false << false;
    QTest::newRow("default value as position") << QString() << QString() << true << false;
    QTest::newRow("named value after the default") << u"A"_s << QString() << true << true;
}

void TestSearchMatcher::startPosition()
{
    QFETCH(QString, name);
    QFETCH(QString, startValue);
    QFETCH(bool, atDefault);
    QFETCH(bool, past);
    QCOMPARE(IsPastStartValue(name, startValue, atDefault), past);
}

void TestSearchMatcher::enabling_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<uint>("content");
    QTest::addColumn<bool>("keySelected");
    QTest::addColumn<bool>("again");
    QTest::addColumn<bool>("start");

    QTest::newRow("defaults") << u"x"_s << uint(Default) << false << true << true;
    QTest::newRow("empty text") << QString() << uint(Default) << true << false << false;
    QTest::newRow("nothing to look in") << u"x"_s << uint(AnyType) << true << false << false;
    QTest::newRow("data without a type") << u"x"_s << uint(ValueData) << true << true << false;
    QTest::newRow("data and keys without a type") << u"x"_s << uint(ValueData | KeyNames) << true << true << true;
    QTest::newRow("only this key, none selected") << u"x"_s << uint(Default | OnlyCurrentKey) << false << false << false;
    QTest::newRow("only this key, selected") << u"x"_s << uint(Default | OnlyCurrentKey) << true << true << true;
}

void TestSearchMatcher::enabling()
{
    QFETCH(QString, text);
    QFETCH(uint, content);
    QFETCH(bool, keySelected);
    QFETCH(bool, again);
    QFETCH(bool, start);
    QCOMPARE(CanSearchAgain({text, content, CompareFlags::Default}, keySelected), again);
    QCOMPARE(CanStartSearch(text, content, keySelected), start);
}

QTEST_GUILESS_MAIN(TestSearchMatcher)
#include "TestSearchMatcher.moc"
