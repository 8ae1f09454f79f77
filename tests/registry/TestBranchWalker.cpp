// The one branch walk: its order (locale, case-insensitive, a key's subtree before its next sibling),
// the visitor's answers, cancel and failures as values. kaven-reg's tests walk the deepest branch.

#include "platform/RegBranch.h"
#include "registry/BranchWalker.h"
#include "registry/RegTestKeys.h"
#include "support/ScriptedProgress.h"
#include "support/TempStore.h"

#include <QLocale>
#include <QTest>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString LongKey = QString(MAX_KEY_NAME, u'k');
const QString LongValue = QString(MAX_VALUE_NAME, u'y');

// Records "path" for keys, "path:name" for values and "!path:code" for keys that did not open, and
// answers as scripted.
struct Recorder final : BranchVisitor {
    QStringList seen;
    QString skipAt, stopAt, deleteAt, deleteOther, denyOther, dropValueOf;
    WalkStep visitKey(const WalkKey& key) override
    {
        seen.append(key.path.mid(int(qstrlen("HKEY_CURRENT_USER\\"))));
        if (key.path.endsWith(deleteAt) && !deleteAt.isEmpty())
            (void)RegDeleteKey(HKEY_CURRENT_USER, key.subPath);
        if (!deleteOther.isEmpty())
            (void)RegDeleteKey(HKEY_CURRENT_USER, std::exchange(deleteOther, QString()));
        if (!denyOther.isEmpty())
            (void)RegTestKeys::denyKey(std::exchange(denyOther, QString()), KEY_DENY_READ);
        if (key.path.endsWith(stopAt) && !stopAt.isEmpty())
            return WalkStep::Stop;
        return key.path.endsWith(skipAt) && !skipAt.isEmpty() ? WalkStep::SkipSubtree : WalkStep::Continue;
    }
    WalkStep visitValue(const WalkKey& key, const WalkValue& value) override
    {
        if (!dropValueOf.isEmpty()) {
            RegTestKeys::OpenedKey other;
            if (RegTestKeys::openKey(other, std::exchange(dropValueOf, QString()), HKEY_CURRENT_USER, KEY_SET_VALUE))
                (void)RegDeleteValue(other.handle, u"alt"_s);
        }
        seen.append(key.path.section(u'\\', -1) + u':' + value.name);
        return WalkStep::Continue;
    }
    void keyNotOpened(const QString& path, LONG code) override
    {
        seen.append(u'!' + path.mid(int(qstrlen("HKEY_CURRENT_USER\\"))) + u':' + QString::number(code));
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
        // "a b" orders before "a\\z" (a blank before a backslash): a subtree is not always visited in one
        // piece, and the walk keeps that order
        for (const QString& path : {u"W\\b"_s, u"W\\B1\\x"_s, u"W\\a\\z"_s, u"W\\Ä"_s, u"W\\c"_s,
                                    u"W\\a b\\y"_s, u"W\\"_s + LongKey, u"W\\gesperrt\\innen"_s})
            QVERIFY(RegTestKeys::makeKey(path));
        QVERIFY(RegTestKeys::denyKey(u"W\\gesperrt"_s, KEY_DENY_READ));
        for (const QString& name : {u"Zeta"_s, u"alpha"_s, QString(), u"Beta"_s, u"ß"_s, u"ss"_s, LongValue})
            QVERIFY(RegTestKeys::setValue(u"W"_s, name, REG_SZ, RegTestKeys::sz("")));
    }

    // The whole branch, B1 skipped, the walk stopped at B1.
    void visitsInOrder()
    {
        const QStringList head{u"W"_s, u"W:"_s, u"W:alpha"_s, u"W:Beta"_s, u"W:ss"_s, u"W:ß"_s, u"W:"_s + LongValue,
                               u"W:Zeta"_s};
        const QStringList keys{u"W\\a"_s, u"W\\Ä"_s, u"W\\a b"_s, u"W\\a b\\y"_s, u"W\\a\\z"_s, u"W\\b"_s,
                               u"W\\B1"_s};
        const QStringList tail{u"W\\c"_s, u"!W\\gesperrt:5"_s, u"W\\"_s + LongKey};
        const auto completed = WalkResult::Status::Completed;
        const std::tuple<QString, QString, WalkResult::Status, QStringList> cases[] = { // skip at, stop at
            {"", "", completed, head + keys + QStringList{u"W\\B1\\x"_s} + tail},
            {"B1", "", completed, head + keys + tail}, {"", "B1", WalkResult::Status::Stopped, head + keys}};
        for (const auto& [skipAt, stopAt, status, seen] : cases) {
            Recorder recorder;
            recorder.skipAt = skipAt;
            recorder.stopAt = stopAt;
            ScriptedProgress progress;
            const WalkResult result = BranchWalker(progress).walk(u"HKEY_CURRENT_USER\\W\\"_s, recorder);
            QCOMPARE(int(result.status), int(status));
            QCOMPARE(recorder.seen, seen);
        }
    }

    // In the "C" locale keys follow the UTF-8 bytes of their paths: upper case before lower case, a
    // character beyond U+FFFF (a surrogate pair) after every single unit.
    void cLocaleOrder()
    {
        QLocale::setDefault(QLocale::c());
        for (const QString& name : {u"😀"_s, u"a"_s, u"\uFFFD"_s, u"中"_s, u"B"_s, u"\uE000"_s, u"Ä"_s, u"c"_s})
            QVERIFY(RegTestKeys::makeKey(u"C\\"_s + name));
        Recorder recorder;
        ScriptedProgress progress;
        (void)BranchWalker(progress, BranchWalker::Options{false, KEY_READ}).walk(u"HKEY_CURRENT_USER\\C"_s, recorder);
        QCOMPARE(recorder.seen, (QStringList{u"C"_s, u"C\\B"_s, u"C\\a"_s, u"C\\c"_s, u"C\\Ä"_s, u"C\\中"_s,
                                             u"C\\\uE000"_s, u"C\\\uFFFD"_s, u"C\\😀"_s}));
    }

    // The store's order: the same keys and values, every key before the values, a value deleted under the
    // walk (after the pass read it) not seen; with the values from one pass over the registry's, or key by
    // key when the branch holds few of them.
    void storeOrderVisitsTheSame()
    {
        for (const auto& [skipAt, otherValues] : {std::pair{u""_s, 0}, {u"B1"_s, 0}, {u""_s, 400}, {u"B1"_s, 400}}) {
            init();
            for (int i = 0; i < otherValues; ++i)
                QVERIFY(RegTestKeys::setValue(u"Andere"_s, QString::number(i), REG_DWORD, QByteArray(4, '\0')));
            {
                RegTestKeys::OpenedKey w;
                QVERIFY(RegTestKeys::openKey(w, u"W"_s));
                RegBranch read;
                LONG rc = RegReadBranchUncounted(w.handle, KEY_READ, &read);
                while (rc == ERROR_SUCCESS && !read.complete())
                    rc = RegReadBranchPart(read);
                QCOMPARE(RegBranchWantsValuePass(read), otherValues == 0);
            }
            Recorder ordered, stored;
            ScriptedProgress progress;
            const BranchWalker::Options byLocale, byStore{true, KEY_READ, false, true};
            for (const auto& [recorder, options] : {std::pair{&ordered, byLocale}, {&stored, byStore}}) {
                recorder->skipAt = skipAt;
                QVERIFY(RegTestKeys::setValue(u"W\\c"_s, u"alt"_s, REG_SZ, RegTestKeys::sz("")));
                recorder->dropValueOf = u"W\\c"_s;
                QCOMPARE(BranchWalker(progress, options).walk(u"HKEY_CURRENT_USER\\W"_s, *recorder).status,
                         WalkResult::Status::Completed);
            }
            QVERIFY(!stored.seen.contains(u"c:alt"_s));
            const auto isValue = [](const QString& entry) { return !entry.startsWith(u'!') && entry.contains(u':'); };
            const auto firstValue = std::find_if(stored.seen.cbegin(), stored.seen.cend(), isValue);
            QVERIFY(std::none_of(firstValue, stored.seen.cend(), [&](const QString& e) { return !isValue(e); }));
            ordered.seen.sort();
            stored.seen.sort();
            QCOMPARE(stored.seen, ordered.seen);
        }
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

        // A key deleted before its turn did not open, as it would not by its path; nor did a key that denied
        // reading before its turn.
        for (const auto& [deleteOther, denyOther, notOpened] :
             {std::tuple{u"W\\c"_s, QString(), u"!W\\c:2"_s}, {QString(), u"W\\b"_s, u"!W\\b:5"_s}}) {
            Recorder early;
            early.deleteOther = deleteOther;
            early.denyOther = denyOther;
            const WalkResult result = BranchWalker(progress).walk(u"HKEY_CURRENT_USER\\W"_s, early);
            QCOMPARE(result.status, WalkResult::Status::Completed);
            QVERIFY2(early.seen.contains(notOpened), qPrintable(early.seen.join(u' ')));
        }
    }

private:
    std::unique_ptr<TempStore> m_store;
};

QTEST_GUILESS_MAIN(TestBranchWalker)
#include "TestBranchWalker.moc"
