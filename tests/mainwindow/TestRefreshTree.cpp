#include "mainwindow/RefreshTree.h"
#include "mainwindow/TreeStateFile.h"
#include "platform/WinReg.h"
#include "registry/KeyTreeModel.h"
#include "registry/RegKeyUtils.h"
#include "registry/RegUtils.h"
#include "support/ScriptedProgress.h"
#include "support/TempStore.h"

#include <QTest>

namespace {

const QString Base = QStringLiteral("HKEY_CURRENT_USER\\Software\\Walk");

QModelIndex nodeAt(KeyTreeModel& tree, const QString& path)
{
    QModelIndex node = tree.index(0, 0);
    for (const QString& part : path.split(QLatin1Char('\\'))) {
        tree.loadChildren(node);
        node = tree.findChild(node, part);
        if (!node.isValid())
            return {};
    }
    tree.loadChildren(node);
    return node;
}

QStringList childTexts(const KeyTreeModel& tree, const QModelIndex& node)
{
    QStringList texts;
    for (int r = 0; r < tree.rowCount(node); ++r)
        texts << tree.text(tree.index(r, 0, node));
    return texts;
}

} // namespace

class TestRefreshTree final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_store = std::make_unique<TempStore>();
        QVERIFY(m_store->ok());
        for (const char* key : {"A\\A1", "A\\A2", "B\\B1", "C"})
            QCOMPARE(CreateKeyPath(Base + QLatin1Char('\\') + QLatin1String(key), false), RegResult::Success);
        m_tree = std::make_unique<KeyTreeModel>();
        m_tree->setChildLoader(
            [](KeyTreeModel& tree, const QModelIndex& node) { LoadKeyChildren(tree, node); });
        BuildRootNodes(*m_tree);
    }
    void cleanup()
    {
        m_tree.reset();
        m_store.reset();
    }

    void stopLeavesVisitedNodesUpdated()
    {
        const QPersistentModelIndex a = nodeAt(*m_tree, Base + QStringLiteral("\\A"));
        const QPersistentModelIndex b = nodeAt(*m_tree, Base + QStringLiteral("\\B"));
        QCOMPARE(childTexts(*m_tree, a), (QStringList{"A1", "A2"}));
        QCOMPARE(DeleteKeyPath(Base + QStringLiteral("\\A\\A2"), false), RegResult::Success);
        QCOMPARE(DeleteKeyPath(Base + QStringLiteral("\\B\\B1"), false), RegResult::Success);
        // Count the nodes up to and including A: the walk stops right after A.
        int position = 0;
        for (QModelIndex n = m_tree->index(0, 0, m_tree->index(0, 0)); n != a;
             n = TreeStateFile::nextInTreeOrder(*m_tree, n))
            ++position;
        ScriptedProgress progress(position + 2);
        const QModelIndex result = RefreshTree(*m_tree, b, progress);
        QCOMPARE(result, QModelIndex(b));
        QCOMPARE(childTexts(*m_tree, a), QStringList{"A1"});
        QCOMPARE(childTexts(*m_tree, b), QStringList{"B1"}); // not reached
        ScriptedProgress full;
        (void)RefreshTree(*m_tree, b, full);
        QCOMPARE(childTexts(*m_tree, b), QStringList{});
        QVERIFY(!m_tree->hasChildren(b));
    }

    void goneSubtreePassesSelectionToSurvivor()
    {
        const QPersistentModelIndex a1 = nodeAt(*m_tree, Base + QStringLiteral("\\A\\A1"));
        QVERIFY(a1.isValid());
        const QPersistentModelIndex base = nodeAt(*m_tree, Base);
        QCOMPARE(DeleteKeyPath(Base + QStringLiteral("\\A"), false), RegResult::Success);
        QCOMPARE(CreateKeyPath(Base + QStringLiteral("\\D\\D1"), false), RegResult::Success);
        ScriptedProgress progress;
        const QModelIndex result = RefreshTree(*m_tree, a1, progress);
        QCOMPARE(result, QModelIndex(base));
        QCOMPARE(childTexts(*m_tree, base), (QStringList{"B", "C", "D"}));
        const QModelIndex d = m_tree->findChild(base, QStringLiteral("D"));
        QVERIFY(m_tree->hasChildrenMark(d));
        QVERIFY(!m_tree->hasChildrenMark(m_tree->findChild(base, QStringLiteral("C"))));
    }

    void expandSubtreeLoadsEverything()
    {
        const QPersistentModelIndex base = nodeAt(*m_tree, Base);
        QList<QString> expanded;
        ScriptedProgress progress;
        ExpandSubtree(*m_tree, base, progress,
                      [&](const QModelIndex& n) { expanded << GetNodePath(*m_tree, n); });
        QCOMPARE(expanded, (QStringList{Base, Base + QStringLiteral("\\A"), Base + QStringLiteral("\\B")}));
        QCOMPARE(childTexts(*m_tree, m_tree->findChild(base, QStringLiteral("B"))), QStringList{"B1"});
        // Nothing outside the subtree was touched.
        const QModelIndex localMachine = m_tree->index(2, 0, m_tree->index(0, 0));
        QCOMPARE(m_tree->text(localMachine), QStringLiteral("HKEY_LOCAL_MACHINE"));
        QVERIFY(!m_tree->childrenLoaded(localMachine));
    }

private:
    std::unique_ptr<TempStore> m_store;
    std::unique_ptr<KeyTreeModel> m_tree;
};

QTEST_GUILESS_MAIN(TestRefreshTree)
#include "TestRefreshTree.moc"
