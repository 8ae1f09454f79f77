#include "info/TInfoForm.h"
#include "info/TMultiText.h"

#include <QtTest>
#include <QtWidgets>

class TestInfoForm : public QObject {
    Q_OBJECT

private slots:
    // Entries stand under their category, numbers beyond either end under the first or the last;
    // paths lose a trailing backslash unless a colon stands before it. The status line counts the
    // selected entry's category, the preview shows the entry, and only an entry can be opened.
    void treeAndSelection()
    {
        TInfoClass info;
        info.Categories = QStringList{"A", "B", "C"};
        info.Entries = {InfoEntry{QStringLiteral("HKEY_USERS\\U\\"), QStringLiteral("u\r\nv"), 1},
                        InfoEntry{QStringLiteral("HKEY_CLASSES_ROOT\\X:\\"), QStringLiteral("x"), 7},
                        InfoEntry{QStringLiteral("HKEY_CURRENT_USER\\N"), QStringLiteral("n"), -3}};
        TInfoForm form(info, Qt::green, 0);
        auto* open = form.findChild<QPushButton*>(QStringLiteral("openKeyButton"));
        QTreeWidgetItem* root = form.tree()->topLevelItem(0);
        QCOMPARE(form.statusText(), QStringLiteral("Kategorien: 3 - Schlüssel: 3"));
        QVERIFY(!open->isEnabled());
        QCOMPARE(root->child(0)->child(0)->text(0), QStringLiteral("HKEY_CURRENT_USER\\N"));
        QCOMPARE(root->child(2)->child(0)->text(0), QStringLiteral("HKEY_CLASSES_ROOT\\X:\\"));

        form.tree()->setCurrentItem(root->child(1)->child(0));
        QCOMPARE(root->child(1)->child(0)->text(0), QStringLiteral("HKEY_USERS\\U"));
        QCOMPARE(form.statusText(), QStringLiteral("Kategorien: 3 - Schlüssel: 3 [1]"));
        QCOMPARE(form.preview()->text(), QStringLiteral("<B>HKEY_USERS\\U\\</B><BR><BR>uv"));
        open->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.chosenKeyPath(), QStringLiteral("HKEY_USERS\\U\\"));
    }
};

QTEST_MAIN(TestInfoForm)
#include "TestInfoForm.moc"
