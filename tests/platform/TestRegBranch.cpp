// Reading a branch at once: which keys it lists, its values read after a change, and the values of a
// pass in creation order against those written key by key.

#include "platform/RegBranch.h"
#include "platform/WinReg.h"
#include "support/TempStore.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

HKEY create(const QString& path)
{
    HKEY key = 0;
    return RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, {}, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == 0 ? key : 0;
}

LONG readAll(HKEY top, bool subKeysOnly, RegBranch* branch)
{
    LONG rc = RegReadBranch(top, KEY_READ, subKeysOnly, branch);
    while (rc == ERROR_SUCCESS && !branch->complete())
        rc = RegReadBranchPart(*branch);
    return rc;
}

// "parent/name" of every key of the branch, in the list's order.
QStringList listed(const RegBranch& branch)
{
    QStringList out;
    for (const BackendBranchKey& key : branch.keys())
        out.append(key.parent < 0 ? u"-"_s : QString::number(key.parent) + u'/' + key.name);
    return out;
}

// "name=data" of the key at index, read through the branch.
QStringList valuesOf(RegBranch& branch, qsizetype index, LONG* rc)
{
    HKEY key = 0;
    QStringList out;
    *rc = RegOpenBranchKey(branch, index, &key);
    QVector<BackendValue> values;
    if (*rc == ERROR_SUCCESS)
        *rc = RegReadBranchValues(branch, index, key, &values);
    for (const BackendValue& v : values)
        out.append(v.name + u'=' + QString::fromLatin1(v.data));
    RegCloseKey(key);
    return out;
}

} // namespace

class TestRegBranch final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_store = std::make_unique<TempStore>();
        QVERIFY(m_store->ok());
        for (const QString& path : {u"B\\Eins\\Tief"_s, u"B\\zwei"_s, u"B\\Eins]"_s, u"B]"_s, u"Bx"_s})
            RegCloseKey(create(path));
        m_top = create(u"B"_s);
    }
    void cleanup() { RegCloseKey(m_top); }

    void listsTheBranch()
    {
        RegBranch branch;
        QCOMPARE(readAll(m_top, false, &branch), ERROR_SUCCESS);
        // parents first; "B]" and "Bx" are no part of it although their paths sort beside it
        QCOMPARE(listed(branch), (QStringList{u"-"_s, u"0/Eins"_s, u"1/Tief"_s, u"0/Eins]"_s, u"0/zwei"_s}));
        QCOMPARE(readAll(m_top, true, &branch), ERROR_SUCCESS);
        QCOMPARE(listed(branch), (QStringList{u"-"_s, u"0/Eins"_s, u"0/Eins]"_s, u"0/zwei"_s}));

        HKEY valuesOnly = 0;
        QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, u"B"_s, 0, KEY_QUERY_VALUE, &valuesOnly), ERROR_SUCCESS);
        QCOMPARE(readAll(valuesOnly, false, &branch), ERROR_ACCESS_DENIED);
        RegCloseKey(valuesOnly);
        QCOMPARE(readAll(HKEY(0x1234), false, &branch), ERROR_INVALID_HANDLE);
    }

    // Values are read as they are now; a place past the list is refused. (What opening a key denied or
    // deleted since the read answers, the branch walk's tests check.)
    void readsValuesAsTheyAreNow()
    {
        HKEY eins = create(u"B\\Eins"_s);
        QCOMPARE(RegSetValueBytes(eins, u"a"_s, REG_BINARY, "1"), ERROR_SUCCESS);
        RegBranch branch;
        QCOMPARE(readAll(m_top, false, &branch), ERROR_SUCCESS);
        QCOMPARE(RegSetValueBytes(eins, u"b"_s, REG_BINARY, "2"), ERROR_SUCCESS);
        LONG rc = -1;
        QCOMPARE(valuesOf(branch, 1, &rc), (QStringList{u"a=1"_s, u"b=2"_s}));
        HKEY key = 0;
        QCOMPARE(RegOpenBranchKey(branch, 5, &key), ERROR_INVALID_PARAMETER);
        RegCloseKey(eins);
    }

    // The list stands for a key's subkeys only while none was created or deleted below the key since the
    // read; with subKeysOnly only the branch key's own subkeys were read.
    void tellsWhetherSubKeysAreCurrent()
    {
        RegBranch branch;
        QCOMPARE(readAll(m_top, true, &branch), ERROR_SUCCESS);
        QVERIFY(RegBranchSubKeysCurrent(branch, 0));
        QVERIFY(!RegBranchSubKeysCurrent(branch, 1));
        QCOMPARE(readAll(m_top, false, &branch), ERROR_SUCCESS);
        QVERIFY(RegBranchSubKeysCurrent(branch, 0) && RegBranchSubKeysCurrent(branch, 1));
        RegCloseKey(create(u"B\\Eins\\Neu"_s));
        QVERIFY(RegBranchSubKeysCurrent(branch, 0));
        QVERIFY(!RegBranchSubKeysCurrent(branch, 1));
        QCOMPARE(readAll(m_top, false, &branch), ERROR_SUCCESS);
        QCOMPARE(RegDeleteKey(HKEY_CURRENT_USER, u"B\\zwei"_s), ERROR_SUCCESS);
        QVERIFY(!RegBranchSubKeysCurrent(branch, 0));
    }

    // A branch holding most values reads them in one pass; values of keys written in turn arrive mixed
    // and still come back per key in creation order, changes after the read included.
    void readsValuesInOnePass()
    {
        HKEY keys[] = {create(u"B\\Eins"_s), create(u"B\\zwei"_s), create(u"B\\Eins\\Tief"_s)};
        for (int round = 0; round < 300; ++round)
            for (int k = 0; k < 3; ++k)
                QCOMPARE(RegSetValueBytes(keys[k], u"v%1"_s.arg(299 - round), REG_BINARY,
                                          QByteArray::number(k * 1000 + round)),
                         ERROR_SUCCESS);
        RegBranch branch;
        QCOMPARE(readAll(m_top, false, &branch), ERROR_SUCCESS);
        QCOMPARE(RegSetValueBytes(keys[1], u"v0"_s, REG_BINARY, "neu"), ERROR_SUCCESS);
        LONG rc = -1;
        // Tief, zwei, Eins (their places in the list and in keys): not in the order they were written
        for (const auto& [place, k] : {std::pair<qsizetype, int>{2, 2}, {4, 1}, {1, 0}}) {
            const QStringList values = valuesOf(branch, place, &rc);
            QCOMPARE(rc, ERROR_SUCCESS);
            QCOMPARE(values.size(), 300);
            QCOMPARE(values.first(), u"v299=%1"_s.arg(k * 1000));
            QCOMPARE(values.last(), k == 1 ? u"v0=neu"_s : u"v0=%1"_s.arg(k * 1000 + 299));
        }
        for (HKEY key : keys)
            RegCloseKey(key);
    }

private:
    std::unique_ptr<TempStore> m_store;
    HKEY m_top = 0; // the branch key B
};

QTEST_GUILESS_MAIN(TestRegBranch)
#include "TestRegBranch.moc"
