// Turning back change list entries against a real store: the inverse operation of every kind, the answers that skip or
// end the run, the dry run, and the backup list written first.

#include "changes/ChangeListFile.h"
#include "changes/UndoChanges.h"
#include "registry/RegTestKeys.h"
#include "registry/RegValueUtils.h"
#include "support/ScriptedProgress.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace ChangeKinds;
using namespace RegTestKeys;

namespace {

const QString Base = u"HKEY_CURRENT_USER\\"_s;

ChangeRecord record(qint32 kind, const QString& subKey, const QString& name = {}, DWORD type = REG_NONE,
                    const QByteArray& data = {})
{
    ChangeRecord r{kind, Base + subKey, name, {}};
    if (type != REG_NONE) [[maybe_unused]]
        const bool ok = ValueFromBytes(type, data, r.OldValue);
    return r;
}

void add(ChangeList& list, const ChangeRecord& r)
{
    list.AddChangeEntry(u"Eintrag"_s, r.ValueName, r, 1, r.KeyPath);
}

} // namespace

class TestUndoChanges : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fixture.start());
        m_data = m_fixture.store->dataDir(); // where the backup list goes
        QVERIFY(QDir().mkpath(m_data));
    }
    void cleanup() { m_fixture.stop(); }

    // Each kind's inverse operation, its confirmation, and the backup holding the entry.
    void undoesEveryKind_data()
    {
        QTest::addColumn<qint32>("kind");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<DWORD>("oldType"); // REG_NONE: no old value, the value is gone afterwards
        QTest::addColumn<QByteArray>("oldData");
        QTest::addColumn<bool>("keyAfter");
        QTest::addColumn<QString>("question");
        const auto row = [](const char* tag, qint32 kind, const QString& key, const QString& name, DWORD oldType,
                            const QByteArray& oldData, bool keyAfter, const QString& question) {
            QTest::newRow(tag) << kind << key << name << oldType << oldData << keyAfter << question;
        };
        row("created key with grown subkeys", KeyCreated, u"T\\New"_s, {}, REG_NONE, {}, false,
            u"Entferne Schlüssel:\r\nHKEY_CURRENT_USER\\T\\New"_s);
        row("removed key", KeyRemoved, u"T\\Gone"_s, {}, REG_NONE, {}, true,
            u"Erstelle Schlüssel:\r\nHKEY_CURRENT_USER\\T\\Gone"_s);
        row("created value", ValueCreated, u"T"_s, u"v"_s, REG_NONE, {}, true,
            u"Entferne Wert:\r\nv\r\nim Schlüssel\r\nHKEY_CURRENT_USER\\T"_s);
        row("removed default value in a removed key", ValueRemoved, u"T\\Gone"_s, {}, REG_SZ, sz("old"), true,
            u"Erstelle Wert:\r\n(Standard)\r\nim Schlüssel\r\nHKEY_CURRENT_USER\\T\\Gone"_s);
        row("data changed", DataChanged, u"T"_s, u"v"_s, REG_DWORD, QByteArray("\x07\0\0\0", 4), true,
            u"Ändere Daten des Wertes:\r\nv\r\nim Schlüssel\r\nHKEY_CURRENT_USER\\T"_s);
        row("type changed back to REG_SZ", TypeChanged, u"T"_s, u"v"_s, REG_SZ, sz("old"), true,
            u"Ändere Typ des Wertes:\r\nv\r\nim Schlüssel\r\nHKEY_CURRENT_USER\\T"_s);
    }

    void undoesEveryKind()
    {
        QFETCH(qint32, kind);
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(DWORD, oldType);
        QFETCH(QByteArray, oldData);
        // What the change left: a created key that has grown a subtree, the changed value as it is now.
        QVERIFY(RegTestKeys::makeKey(u"T\\New\\Sub\\Deep"_s));
        QVERIFY(setValue(u"T"_s, u"v"_s, REG_EXPAND_SZ, QByteArray("new\0", 4)));
        ChangeList list;
        add(list, record(kind, key, name, oldType, oldData));
        list.MarkAll();
        ScriptedProgress progress;
        QList<int> marked;
        const RowMarker marker{[&](int row, bool on) { marked << (on ? row : -1); }};
        m_fixture.sink->pushAnswer(MessageAnswer::Yes);
        const UndoOutcome outcome = UndoChanges(
            list, {UndoFlags::Confirm | UndoFlags::Warnings, false, m_data}, marker, progress);
        QFETCH(QString, question);
        QCOMPARE(m_fixture.sink->texts(), QStringList{question});
        QCOMPARE(marked, (QList<int>{0, -1}));
        QCOMPARE(outcome.run.changed, 1);
        QTEST(exists(key), "keyAfter");
        if (kind == KeyCreated)
            QVERIFY(exists(u"T"_s));
        const auto restored = oldType == REG_NONE ? qMakePair(DWORD(REG_NONE), QByteArray("<missing>"))
                                                  : qMakePair(oldType, oldData); // the old value back, or none
        if (kind != KeyCreated && kind != KeyRemoved)
            QCOMPARE(RegTestKeys::value(key, name), restored);
        QCOMPARE(list.size(), 1); // rows stay after a real undo
        ChangeList saved;
        QVERIFY(!LoadChangeList(outcome.backupFile, saved).failed());
        QCOMPARE(saved.rows().front().record, list.rows().front().record);
    }

    // Nothing marked, nothing is done; from the bottom: No leaves only its row alone, Cancel ends before the
    // rows above it.
    void noSkipsOneRowCancelEndsTheRun()
    {
        ChangeList list;
        for (const QString& name : {u"a"_s, u"b"_s, u"c"_s, u"d"_s}) {
            QVERIFY(setValue(u"T"_s, name, REG_SZ, sz("x")));
            add(list, record(ValueCreated, u"T"_s, name));
        }
        ScriptedProgress progress;
        // Nothing marked: no backup, no question, nothing touched.
        QVERIFY(UndoChanges(list, {UndoFlags::Confirm, false, m_data}, {}, progress).backupFile.isEmpty());
        QVERIFY(m_fixture.sink->texts().isEmpty() && RegTestKeys::value(u"T"_s, u"d"_s).first == REG_SZ);
        list.MarkAll();
        for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes, MessageAnswer::Cancel})
            m_fixture.sink->pushAnswer(answer);
        const UndoOutcome outcome = UndoChanges(list, {UndoFlags::Confirm, false, m_data}, {}, progress);
        QCOMPARE(m_fixture.sink->texts().size(), 3);
        QVERIFY(outcome.run.cancelled);
        QCOMPARE(outcome.run.changed, 1);
        QCOMPARE(RegTestKeys::value(u"T"_s, u"c"_s).first, DWORD(REG_NONE));
        for (const QString& name : {u"a"_s, u"b"_s, u"d"_s})
            QCOMPARE(RegTestKeys::value(u"T"_s, name).first, DWORD(REG_SZ));
    }

    // Every "remove the entry?" answered Yes leaves the rows that still apply; the registry is untouched.
    void dryRunLeavesApplicableRows()
    {
        QVERIFY(RegTestKeys::makeKey(u"T\\Made"_s));
        QVERIFY(setValue(u"T"_s, u"there"_s, REG_SZ, sz("x")));
        ChangeList list;
        add(list, record(KeyCreated, u"T\\Made"_s));
        add(list, record(KeyCreated, u"T\\Vanished"_s));
        add(list, record(KeyRemoved, u"T\\Made"_s));
        add(list, record(ValueRemoved, u"T"_s, u"there"_s, REG_SZ, sz("old")));
        add(list, record(DataChanged, u"T"_s, u"there"_s, REG_SZ, sz("old")));
        add(list, record(ValueCreated, u"T"_s, u"vanished"_s));
        list.MarkAll();
        ScriptedProgress progress;
        for (int i = 0; i < 4; ++i)
            m_fixture.sink->pushAnswer(MessageAnswer::Yes);
        // Confirmation and warnings are boxes the dry run disables.
        const UndoOutcome outcome = UndoChanges(list, {7, false, m_data}, {}, progress);
        QCOMPARE(m_fixture.sink->texts(),
                 (QStringList{u"Schlüssel HKEY_CURRENT_USER\\T\\Vanished existiert nicht.\r\nEintrag entfernen?"_s,
                              u"Es existiert bereits ein Schlüssel: HKEY_CURRENT_USER\\T\\Made\r\nEintrag entfernen?"_s,
                              u"Der Wert: vanished im Schlüssel \r\nHKEY_CURRENT_USER\\T\r\n"
                              u"existiert nicht. Eintrag entfernen?"_s,
                              u"Ein Wert there im Schlüssel \r\nHKEY_CURRENT_USER\\T\r\n"
                              u"existiert bereits. Eintrag entfernen?"_s}));
        QCOMPARE(list.size(), 2); // the rows that still apply
        QCOMPARE(list.rows()[0].record, record(DataChanged, u"T"_s, u"there"_s, REG_SZ, sz("old")));
        QCOMPARE(list.rows()[1].record, record(KeyCreated, u"T\\Made"_s));
        QCOMPARE(outcome.run.changed, 2);
        QVERIFY(outcome.backupFile.isEmpty());
        QCOMPARE(RegTestKeys::value(u"T"_s, u"there"_s).second, sz("x"));
        QVERIFY(exists(u"T\\Made"_s));
    }

private:
    RegTestKeys::StoreFixture m_fixture;
    QString m_data;
};

QTEST_GUILESS_MAIN(TestUndoChanges)
#include "TestUndoChanges.moc"
