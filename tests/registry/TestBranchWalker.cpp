// The one branch walk: its order (locale, case-insensitive, a key's subtree before its next sibling),
// the visitor's answers, cancel and failures as values. kaven-reg's tests walk the deepest branch.

#include "registry/BranchWalker.h"
#include "registry/RegTestKeys.h"
#include "support/ScriptedProgress.h"
#include "support/TempStore.h"

#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Records "path" for keys and "path:name" for values, and answers as scripted.
struct Recorder final : BranchVisitor {
    QStringList seen;
    QString skipAt, stopAt, deleteAt;
    WalkStep visitKey(const WalkKey& key) override
    {
        seen.append(key.path.mid(int(qstrlen("HKEY_CURRENT_USER\\"))));
        if (key.path.endsWith(deleteAt) && !deleteAt.isEmpty())
            (void)RegDeleteKey(HKEY_CURRENT_USER, key.subPath);
        if (key.path.endsWith(stopAt) && !stopAt.isEmpty())
            return WalkStep::Stop;
        return key.path.endsWith(skipAt) && !skipAt.isEmpty() ? WalkStep::SkipSubtree : WalkStep::Continue;
    }
    WalkStep visitValue(const WalkKey& key, const WalkValue& value) override
    {
        seen.append(key.path.section(u'\\', -1) + u':' + value.name);
        return WalkStep::Continue;
    }
};

} // namespace

class TestBranchWalker final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_store = std::make_unique<TempStore>();
        QVERIFY(m_store->ok());
        for (const QString& path : {u"W\\b"_s, u"W\\B1\\x"_s, u"W\\a"_s, u"W\\Ä"_s, u"W\\c"_s, u"W\\a b"_s})
            QVERIFY(RegTestKeys::makeKey(path));
        for (const QString& name : {u"Zeta"_s, u"alpha"_s, QString(), u"Beta"_s, u"ß"_s, u"ss"_s})
            QVERIFY(RegTestKeys::setValue(u"W"_s, name, REG_SZ, RegTestKeys::sz("")));
    }

    void visitsInOrder_data()
    {
        QTest::addColumn<QString>("skipAt");
        QTest::addColumn<QString>("stopAt");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("seen");
        const QStringList head{u"W"_s, u"W:"_s, u"W:alpha"_s, u"W:Beta"_s, u"W:ss"_s, u"W:ß"_s, u"W:Zeta"_s};
        const QStringList keys{u"W\\a"_s, u"W\\Ä"_s, u"W\\a b"_s, u"W\\b"_s, u"W\\B1"_s};
        const int completed = int(WalkResult::Status::Completed);
        QTest::newRow("all") << "" << "" << completed << head + keys + QStringList{u"W\\B1\\x"_s, u"W\\c"_s};
        QTest::newRow("skip B1") << "B1" << "" << completed << head + keys + QStringList{u"W\\c"_s};
        QTest::newRow("stop at B1") << "" << "B1" << int(WalkResult::Status::Stopped) << head + keys;
    }

    void visitsInOrder()
    {
        Recorder recorder;
        QFETCH(QString, skipAt);
        QFETCH(QString, stopAt);
        recorder.skipAt = skipAt;
        recorder.stopAt = stopAt;
        ScriptedProgress progress;
        const WalkResult result = BranchWalker(progress).walk(u"HKEY_CURRENT_USER\\W\\"_s, recorder);
        QTEST(int(result.status), "status");
        QTEST(recorder.seen, "seen");
    }

    void cancelsAndFailsAsValues()
    {
        Recorder recorder;
        ScriptedProgress cancelling(12);
        QCOMPARE(BranchWalker(cancelling).walk(u"HKEY_CURRENT_USER\\W"_s, recorder).status,
                 WalkResult::Status::Cancelled);
        QVERIFY(!recorder.seen.contains(u"W\\a"_s));

        // The key vanishes under the walk: listing its values fails, naming it.
        Recorder deleting;
        deleting.deleteAt = u"B1\\x"_s;
        ScriptedProgress progress;
        const WalkResult failed = BranchWalker(progress).walk(u"HKEY_CURRENT_USER\\W"_s, deleting);
        QCOMPARE(failed.status, WalkResult::Status::Failed);
        QCOMPARE(failed.keyPath, u"HKEY_CURRENT_USER\\W\\B1\\x"_s);
        QVERIFY2(failed.text.contains(u"W\\B1\\x"_s), qPrintable(failed.text));
        QCOMPARE(BranchWalker(progress).walk(u"HKEY_NIRGENDWO\\W"_s, deleting).status, WalkResult::Status::Failed);
    }

private:
    std::unique_ptr<TempStore> m_store;
};

QTEST_GUILESS_MAIN(TestBranchWalker)
#include "TestBranchWalker.moc"
