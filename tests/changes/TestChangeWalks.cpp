// The snapshot and comparison walks against a real store: the analysis file's bytes in the walk's
// order, a cancelled snapshot, and the entries of a comparison after changes to the registry.

#include "ChangeTestTree.h"
#include "FileBytes.h"
#include "changes/CompareWithAnalysisFile.h"
#include "changes/WriteAnalysisFile.h"
#include "support/ScriptedProgress.h"
#include "support/TestFiles.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray Magic("KAVEN_COMPARE_FILE");
const QString T = u"HKEY_CURRENT_USER\\T"_s;

QByteArray key(const QByteArray& sub)
{
    return le(0) + str(sub.isEmpty() ? "HKEY_CURRENT_USER\\T" : "HKEY_CURRENT_USER\\T\\" + sub);
}
QByteArray subKey(const QByteArray& name)
{
    return le(1) + str(name);
}
const QByteArray End = le(3);

// "comment|value column|key column below T|image kind stored-type"; the record's path and name must be
// those of the columns.
QStringList entries(const ChangeList& list)
{
    QStringList out;
    for (const ChangeRow& row : list.rows()) {
        const ChangeRecord& r = row.record;
        const bool same = r.KeyPath == row.keyText && (r.ValueName == row.valueText || r.ValueName.isEmpty());
        out << row.comment + u'|' + row.valueText + u'|' + row.keyText.mid(T.size())
                   + u"|%1 %2 %3"_s.arg(row.image).arg(r.ChangeKind).arg(r.OldValue.DataType)
                   + (same ? u""_s : u" (record?)"_s);
    }
    return out;
}

} // namespace

class TestChangeWalks : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_fixture.start()); }
    void cleanup() { m_fixture.stop(); }

    void snapshot_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QByteArray>("records"); // after the identifier, before the end-of-file record

        QTest::newRow("key without subkeys and values") << QStringList{u"+K:"_s} << key("") + End;
        QTest::newRow("one DWORD") << QStringList{u"+V::a:4:5"_s} << key("") + le(2) + str("a") + le(4) + le(5) + End;
        // Names in case-insensitive order; each key is followed by its own subtree before its next sibling.
        QTest::newRow("subtree before sibling")
            << QStringList{u"+K:b"_s, u"+K:A\\z"_s, u"+K:a1"_s}
            << key("") + subKey("A") + subKey("a1") + subKey("b") + End + key("A") + subKey("z") + End + key("A\\z")
                   + End + key("a1") + End + key("b") + End;
        QTest::newRow("default value first, data by type")
            << QStringList{u"+V::y:1:x"_s, u"+V::B:3:\xC4|"_s, u"+V:::1:d"_s, u"+V::e:2:%P%|"_s}
            << key("") + le(2) + str("") + le(1) + str("d") + le(2) + str("B") + le(3) + str(QByteArray("\xC4\0", 2))
                   + le(2) + str("e") + le(2) + str(QByteArray("%P%\0", 4)) + le(2) + str("y") + le(1) + str("x") + End;
        // The subkey's name is stored with its parent; the key itself and its subtree are not.
        QTest::newRow("unreadable subkey") << QStringList{u"+K:A\\B"_s, u"!K:A"_s} << key("") + subKey("A") + End;
    }

    void snapshot()
    {
        QFETCH(QStringList, tree);
        QFETCH(QByteArray, records);
        QVERIFY(ChangeTestTree::apply(tree));
        NullProgress progress;
        QVERIFY(WriteAnalysisFileResult(file(u"a.rec"_s), T + u'\\', progress).ok());
        QCOMPARE(readFile(file(u"a.rec"_s)), Magic + records + le(4));
    }

    // Stopped at any step, the file ends with its end-of-file record, holds the first keys of the whole
    // snapshot, and a comparison reads it to its end.
    void cancelledSnapshotStaysValid()
    {
        QVERIFY(ChangeTestTree::apply(
            {u"+V:A:a:1:x"_s, u"+V:A:b:4:1"_s, u"+K:A\\S"_s, u"+K:A\\R"_s, u"+V:B:c:3:y"_s, u"+K:C"_s}));
        NullProgress whole;
        QVERIFY(WriteAnalysisFileResult(file(u"all.rec"_s), T, whole).ok());
        const ReadResult all = readAll(readFile(file(u"all.rec"_s)));
        QCOMPARE(all.keys.size(), 6);
        for (int step = 1;; ++step) {
            ScriptedProgress progress(step);
            const AnalysisWriteResult result = WriteAnalysisFileResult(file(u"part.rec"_s), T, progress);
            if (result.ok())
                break; // past the last step
            QCOMPARE(result.status, AnalysisWriteResult::Status::Cancelled);
            const QByteArray bytes = readFile(file(u"part.rec"_s));
            QVERIFY2(bytes.endsWith(le(4)), qPrintable(QString::number(step)));
            const ReadResult part = readAll(bytes);
            QVERIFY2(part.ended && part.keys.size() <= all.keys.size(), qPrintable(QString::number(step)));
            for (qsizetype i = 0; i < part.keys.size(); ++i)
                QCOMPARE(part.keys[i].path, all.keys[i].path);
            ChangeList list;
            NullProgress again;
            QCOMPARE(CompareWithAnalysisFile(file(u"part.rec"_s), list, {}, again).status,
                     CompareOutcome::Status::Completed);
            QVERIFY(step < 200);
        }
        // No branch: every selected root key (here HKEY_LOCAL_MACHINE alone).
        NullProgress progress;
        QVERIFY(WriteAnalysisFileResult(file(u"lm.rec"_s), QString(), progress, 4).ok());
        const ReadResult read = readAll(readFile(file(u"lm.rec"_s)));
        QVERIFY(read.ended && !read.keys.isEmpty());
        QCOMPARE(read.keys.first().path, u"HKEY_LOCAL_MACHINE"_s);
        for (const StoredKey& stored : read.keys)
            QVERIFY(stored.path.startsWith(u"HKEY_LOCAL_MACHINE"_s));

        const QString missingFolder = file(u"nope/a.rec"_s);
        QCOMPARE(WriteAnalysisFileResult(missingFolder, T, progress).status, AnalysisWriteResult::Status::NotWritable);
        QVERIFY(!QFile::exists(missingFolder));
        QCOMPARE(WriteAnalysisFileResult(m_fixture.store->storePath(), T, progress).status,
                 AnalysisWriteResult::Status::NotWritable);
    }

    // The tree below T before the snapshot: T\A with a default value, "a" and the subkey S with the DWORD
    // "s"; T\B with "v". Then the changes, the flags and exclusions, and the entries: comment, value column,
    // key column below T, and image, ChangeKind and the stored value's type.
    // The changes are made before the comparison, or (during) once it has read the live branch at the
    // first stored key and compared T: what changes before a key's turn comes is still seen.
    void compare_data()
    {
        QTest::addColumn<QStringList>("changes");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QStringList>("exclusions");
        QTest::addColumn<bool>("during");
        QTest::addColumn<QStringList>("expected");

        const QStringList none;
        QTest::addColumn<int>("cancelAt"); // the step whose cancel ends the comparison, 0: none
        const auto row = [](const char* name, const QStringList& changes, int flags, const QStringList& exclusions,
                            const QStringList& expected, bool during = false, int cancelAt = 0) {
            QTest::newRow(name) << changes << flags << exclusions << during << expected << cancelAt;
        };
        row("unchanged", none, 63, none, none);
        const QStringList gone{"Schlüssel wurde entfernt||\\A|1 1 0",
                               "Standardwert wurde entfernt|(Standard)|\\A|5 4 1",
                               "Wert wurde entfernt|a|\\A|5 4 1", "Schlüssel wurde entfernt||\\A\\S|1 1 0",
                               "Wert wurde entfernt|s|\\A\\S|6 4 4"};
        row("deleted key with subkeys and values, options off", {"-K:A"}, 0, none, gone);
        const QStringList excludeA{"3HKEY_CURRENT_USER\\T\\A"};
        row("deleted key excluded with its subkeys", {"-K:A"}, 32, excludeA, none);
        const QStringList removedB{"Schlüssel wurde entfernt||\\B|1 1 0", "Wert wurde entfernt|v|\\B|5 4 1"};
        row("unreadable key reported as removed", {"!K:B"}, 15, none, removedB);
        const QStringList renamed{"Wert wurde entfernt|a|\\A|5 4 1", "Wert wurde erstellt|b|\\A|5 8 0"};
        row("renamed value", {"-V:A:a", "+V:A:b:1:x"}, 15, none, renamed);
        row("name case only, data case", {"-V:A:a", "+V:A:A:1:X"}, 15, none, {"Daten wurden geändert|A|\\A|5 16 1"});
        row("sz to expand with the same text", {"+V:B:v:2:y|"}, 15, none, {"Typ wurde geändert|v|\\B|5 32 1"});
        row("dword to binary", {"+V:A\\S:s:3:x"}, 15, none, {"Typ wurde geändert|s|\\A\\S|7 32 4"});
        row("removed default value", {"-V:A:"}, 15, none, {"Standardwert wurde entfernt|(Standard)|\\A|5 4 1"});
        row("created default value", {"+V:B::4:1"}, 15, none, {"Standardwert wurde erstellt|(Standard)|\\B|6 8 0"});
        const QStringList mixed{"-V:A:a", "+V:A:b:1:x", "+V:A\\S:s:3:x", "+V:B:v:1:z", "+K:A\\N"};
        row("only data", mixed, 4, none, {"Daten wurden geändert|v|\\B|5 16 1"});
        row("options off", mixed, 0, none, none);
        const QStringList onlyA{"1HKEY_CURRENT_USER\\T\\A"};
        const QStringList createdN{"Schlüssel wurde erstellt||\\A\\N|1 2 0"};
        row("key excluded, not its subkey", {"-V:A:a", "+V:A:b:1:x", "+K:A\\N"}, 47, onlyA, createdN);
        row("exclusion switched off", {"-V:A:a", "+V:A:b:1:x", "+K:A\\N"}, 15, onlyA, renamed + createdN);
        const QStringList newKey{"+V:N:n2:4:1", "+V:N:n1:1:x", "+V:N\\M:m:3:y"};
        row("new key alone", newKey, 15, none, {"Schlüssel wurde erstellt||\\N|1 2 0"});
        const QStringList newKeyFully{"Schlüssel wurde erstellt||\\N|1 2 0", "Wert wurde erstellt|n1|\\N|5 8 0",
                                      "Wert wurde erstellt|n2|\\N|6 8 0"};
        row("new key fully", newKey, 31, none,
            newKeyFully
                + QStringList{"Schlüssel wurde erstellt||\\N\\M|1 2 0", "Wert wurde erstellt|m|\\N\\M|7 8 0"});
        row("new key fully, its subkey excluded", newKey, 63, {"1HKEY_CURRENT_USER\\T\\N\\M"}, newKeyFully);
        row("during: value deleted", {"-V:A:a"}, 15, none, {"Wert wurde entfernt|a|\\A|5 4 1"}, true);
        row("during: data changed", {"+V:A\\S:s:4:2"}, 15, none, {"Daten wurden geändert|s|\\A\\S|6 16 4"}, true);
        row("during: key deleted", {"-K:B"}, 15, none, removedB, true);
        row("during: key made unreadable", {"!K:B"}, 15, none, removedB, true);
        row("during: subkey created", {"+K:A\\N"}, 15, none, createdN, true);
        row("during: key deleted and made again", {"-K:B", "+V:B:v:1:z"}, 15, none,
            {"Daten wurden geändert|v|\\B|5 16 1"}, true);
        // A cancel between keys ends the comparison with the entries found so far: T and T\A are compared.
        row("cancelled", {"-V:A:a", "-V:B:v"}, 15, none, {"Wert wurde entfernt|a|\\A|5 4 1"}, false, 3);
    }

    void compare()
    {
        QFETCH(QStringList, changes);
        QFETCH(bool, during);
        QVERIFY(ChangeTestTree::apply({u"+V:A::1:d"_s, u"+V:A:a:1:x"_s, u"+V:A\\S:s:4:1"_s, u"+V:B:v:1:y"_s}));
        NullProgress whole;
        QVERIFY(WriteAnalysisFileResult(file(u"t.rec"_s), T, whole).ok());
        bool applied = !during && ChangeTestTree::apply(changes);
        QFETCH(int, cancelAt);
        ScriptedProgress progress(cancelAt);
        progress.setOnStep([&](int step) {
            if (during && step == 2) // T is compared, T\A is next
                applied = ChangeTestTree::apply(changes);
        });
        ChangeList list(QLocale(QLocale::German, QLocale::Germany));
        CompareOptions options;
        QFETCH(int, flags);
        QFETCH(QStringList, exclusions);
        options.flags = flags;
        options.exclusions = exclusions;
        QCOMPARE(CompareWithAnalysisFile(file(u"t.rec"_s), list, options, progress).status,
                 cancelAt ? CompareOutcome::Status::Cancelled : CompareOutcome::Status::Completed);
        QVERIFY(applied);
        QTEST(entries(list), "expected");
    }

private:
    QString file(const QString& name) const { return m_fixture.store->dirPath() + u'/' + name; }
    RegTestKeys::StoreFixture m_fixture;
};

QTEST_GUILESS_MAIN(TestChangeWalks)
#include "TestChangeWalks.moc"
