#include "RegTestKeys.h"

#include "registry/KeyTreeModel.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"
#include "registry/ValueListModel.h"

#include <QAbstractItemModelTester>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

namespace {

ValueRow row(const QString& caption)
{
    ValueRow r;
    r.caption = caption;
    r.type = u"REG_SZ"_s;
    return r;
}

const QCollator German{QLocale(QLocale::German, QLocale::Germany)};

} // namespace

class TestRegistryModels : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_fx.start()); }
    void cleanup() { m_fx.stop(); }

    void treeEditing()
    {
        KeyTreeModel tree;
        tree.setCollator(German);
        QList<QModelIndex> loaded;
        tree.setChildLoader([&loaded](KeyTreeModel& model, const QModelIndex& node) {
            loaded << node;
            model.setChildren(node, {{"b", 1, 2, false}, {"a", 1, 2, true}, {"C", 1, 2, false}});
        });
        const QModelIndex top = tree.addTopNode({"Arbeitsplatz", 0, 0, false});
        const QModelIndex root = tree.appendChild(top, {"HKEY_USERS", 1, 2, true});
        QVERIFY(tree.hasChildren(root) && tree.rowCount(root) == 0 && tree.canFetchMore(root));
        tree.fetchMore(root);
        tree.fetchMore(root); // loaded once only
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(childTexts(tree, root), (QStringList{"a", "b", "C"}));
        QVERIFY(!tree.canFetchMore(root));

        QAbstractItemModelTester tester(&tree, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(tree.insertChild(root, {"Neuer Schlüssel #1", 1, 2, false}), 3);
        QCOMPARE(tree.insertChild(root, {"ä", 1, 2, false}), 1);
        const QModelIndex renamed = tree.setText(tree.index(0, 0, root), u"z"_s);
        QCOMPARE(renamed.row(), 4);
        QCOMPARE(childTexts(tree, root), (QStringList{"ä", "b", "C", "Neuer Schlüssel #1", "z"}));
        QCOMPARE(tree.findChild(root, u"Ä"_s).row(), 0);
        QCOMPARE(tree.findChild(root, u"y"_s).row(), -1);
        tree.removeNode(tree.index(1, 0, root));
        QCOMPARE(childTexts(tree, root), (QStringList{"ä", "C", "Neuer Schlüssel #1", "z"}));

        // Machine and root-key nodes are not renamed in place; an edit only asks the owner.
        QVERIFY(!(tree.flags(root) & Qt::ItemIsEditable) && (tree.flags(renamed) & Qt::ItemIsEditable));
        QSignalSpy rename(&tree, &KeyTreeModel::renameRequested);
        QVERIFY(!tree.setData(renamed, u"new"_s));
        QCOMPARE(rename.count(), 1);
        QCOMPARE((QStringList{rename.at(0).at(1).toString(), tree.text(renamed)}), (QStringList{"new", "z"}));

        // A loaded node without children shows no expand mark.
        tree.setChildren(root, {});
        QVERIFY(!tree.hasChildren(root));
    }

    void treeManySubkeys()
    {
        {
            OpenedKey parent;
            QVERIFY(createKey(parent, u"Many"_s));
            RegBatch batch(parent.handle);
            for (int i = 0; i < 50000; ++i)
                QVERIFY(makeKey(u"Many\\Key %1"_s.arg(i)));
        }
        QVERIFY(makeKey(u"Many\\Key 7\\Inner"_s));

        KeyTreeModel tree;
        const QModelIndex top = BuildRootNodes(tree);
        const QModelIndex user = tree.index(1, 0, top);
        tree.loadChildren(user);
        const QModelIndex many = tree.findChild(user, u"Many"_s);
        int resolved = 0;
        tree.setMarkResolver([&resolved](const KeyTreeModel& model, const QModelIndex& node) {
            ++resolved;
            return NodeHasSubKeys(model, node);
        });
        tree.loadChildren(many);
        QCOMPARE(tree.rowCount(many), 50000);
        QCOMPARE(resolved, 0); // marks are settled when asked, not while loading
        QCOMPARE(childTexts(tree, many).mid(0, 3), (QStringList{"Key 0", "Key 1", "Key 10"}));
        const QModelIndex seven = tree.findChild(many, u"Key 7"_s);
        QVERIFY(tree.hasChildren(seven) && tree.canFetchMore(seven) && tree.hasChildrenMark(seven));
        QVERIFY(!tree.hasChildren(tree.findChild(many, u"Key 8"_s)));
        QCOMPARE(resolved, 2);
        QCOMPARE(tree.parent(seven), many);
    }

    void valueListEditing()
    {
        ValueListModel list;
        list.setCollator(German);
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.beginUpdate();
        QCOMPARE(list.addRow(row("b")), -1);
        list.addRow(row("a"));
        list.addRow(ValueListModel::unsetDefaultRow());
        list.endUpdate();
        QCOMPARE(captions(list), (QStringList{"(Standard)", "a", "b"}));
        QCOMPARE(list.addRow(row("ab")), 2);
        QCOMPARE(list.addRow(row("(Standard)")), 1);
        // A row renamed moves to its place; the default row stays first.
        list.setRow(2, row("zz"));
        QCOMPARE(captions(list), (QStringList{"(Standard)", "(Standard)", "ab", "b", "zz"}));
        ValueRow set = ValueListModel::unsetDefaultRow();
        set.data = u"\"x\""_s;
        list.setRow(0, set);
        QCOMPARE(list.row(0).data, u"\"x\""_s);
        QCOMPARE((QList<int>{list.findValue(QString()), list.findValue(u"(standard)"_s), list.findValue(u"ZZ"_s)}),
                 (QList<int>{0, 1, 4}));
        list.removeRow(4);
        QCOMPARE(list.rowCount(), 4);
        QVERIFY(!(list.flags(list.index(0, 0)) & Qt::ItemIsEditable));
        QVERIFY(list.flags(list.index(1, 0)) & Qt::ItemIsEditable);
    }

private:
    StoreFixture m_fx;
};

QTEST_GUILESS_MAIN(TestRegistryModels)
#include "TestRegistryModels.moc"
