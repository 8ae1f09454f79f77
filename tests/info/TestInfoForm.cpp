#include "info/TInfoForm.h"
#include "info/TMultiText.h"

#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

TInfoClass sample()
{
    TInfoClass info;
    info.Categories = QStringList{"A", "B", "C"};
    info.Entries = {InfoEntry{QStringLiteral("HKEY_USERS\\U\\"), QStringLiteral("u\r\nv"), 1},
                    InfoEntry{QStringLiteral("HKEY_CLASSES_ROOT\\X:\\"), QStringLiteral("x"), 7},
                    InfoEntry{QStringLiteral("HKEY_CURRENT_USER\\N"), QStringLiteral("n"), -3},
                    InfoEntry{QStringLiteral("HKEY_CURRENT_USER\\M"), QStringLiteral("m"), 2}};
    return info;
}

QStringList childTexts(const QTreeWidgetItem* item)
{
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts << item->child(i)->text(0);
    return texts;
}

} // namespace

class TestInfoForm : public QObject {
    Q_OBJECT

private slots:
    // Entries stand under their category, numbers beyond either end under the first or last; paths
    // lose a trailing backslash unless a colon stands before it.
    void tree()
    {
        TInfoForm form(sample(), Qt::green, 0);
        const QTreeWidgetItem* root = form.tree()->topLevelItem(0);
        QCOMPARE(root->text(0), QStringLiteral("Informationsübersicht"));
        QCOMPARE(childTexts(root), QStringList({"A", "B", "C"}));
        QCOMPARE(childTexts(root->child(0)), QStringList({"HKEY_CURRENT_USER\\N"}));
        QCOMPARE(childTexts(root->child(1)), QStringList({"HKEY_USERS\\U"}));
        QCOMPARE(childTexts(root->child(2)), QStringList({"HKEY_CLASSES_ROOT\\X:\\", "HKEY_CURRENT_USER\\M"}));
    }

    void selection_data()
    {
        QTest::addColumn<QList<int>>("path"); // child rows from the root node; empty: the root
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("preview");
        QTest::addColumn<bool>("canOpen");
        QTest::newRow("overview") << QList<int>{} << "Kategorien: 3 - Schlüssel: 4"
                                  << "<B>Informationsübersicht</B><BR><BR>" << false;
        QTest::newRow("category") << QList<int>{2} << "Kategorien: 3 - Schlüssel: 4 [2]" << "<B>C</B><BR><BR>" << false;
        QTest::newRow("entry") << QList<int>{1, 0} << "Kategorien: 3 - Schlüssel: 4 [1]"
                               << "<B>HKEY_USERS\\U\\</B><BR><BR>uv" << true;
    }

    void selection()
    {
        QFETCH(QList<int>, path);
        TInfoForm form(sample(), Qt::green, 0);
        QTreeWidgetItem* item = form.tree()->topLevelItem(0);
        for (int row : path)
            item = item->child(row);
        form.tree()->setCurrentItem(item);
        QTEST(form.statusText(), "status");
        QTEST(form.preview()->text(), "preview");
        QTEST(form.findChild<QPushButton*>(QStringLiteral("openKeyButton"))->isEnabled(), "canOpen");
        if (!path.isEmpty() && path.size() == 2) {
            form.findChild<QPushButton*>(QStringLiteral("openKeyButton"))->click();
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QCOMPARE(form.chosenKeyPath(), QStringLiteral("HKEY_USERS\\U\\"));
        }
    }
};

QTEST_MAIN(TestInfoForm)
#include "TestInfoForm.moc"
