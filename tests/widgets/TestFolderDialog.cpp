#include "widgets/TFolderDialog.h"

#include <QtTest>
#include <QtWidgets>

class TestFolderDialog final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const char* folder : {"Beta/innen", "alpha", ".versteckt", "Gamma"})
            QVERIFY(QDir(m_dir.path()).mkpath(QString::fromLatin1(folder)));
        QFile file(m_dir.filePath(QStringLiteral("datei.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    void rootsAndLists()
    {
        QStringList roots = TFolderDialog::roots();
        QCOMPARE(roots.value(0), QStringLiteral("/"));
        QVERIFY(roots.contains(QDir::homePath()));
        QCOMPARE(roots.removeDuplicates(), 0);
        for (const char* pseudo : {"/proc", "/sys", "/dev"})
            QVERIFY(!roots.contains(QLatin1String(pseudo)));
        // Folders only, visible ones first in name order, hidden ones after them.
        TFolderDialog dialog;
        dialog.setFolder(m_dir.filePath(QStringLiteral("alpha")));
        const QModelIndex folder = dialog.tree()->currentIndex().parent();
        QStringList names;
        for (int row = 0; row < dialog.tree()->model()->rowCount(folder); ++row)
            names << dialog.tree()->model()->index(row, 0, folder).data().toString();
        QCOMPARE(names, (QStringList{"alpha", "Beta", "Gamma", ".versteckt"}));
    }

    // A nested and a hidden folder; a missing end selects what exists, a file its folder; without a start
    // the dialog shows Arbeitsplatz with no folder.
    void startFolder()
    {
        const std::pair<QString, QString> cases[] = { // start below the temporary folder ("-": none), selected
            {"Beta/innen", "Beta/innen"}, {".versteckt", ".versteckt"}, {"Beta/fehlt/tiefer", "Beta"},
            {"datei.txt", "."}, {"-", ""}};
        for (const auto& [start, selected] : cases) {
            TFolderDialog dialog;
            if (start != QLatin1String("-"))
                dialog.setFolder(m_dir.filePath(start));
            QCOMPARE(dialog.folder(), selected.isEmpty() ? QString() : QDir::cleanPath(m_dir.filePath(selected)));
            QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->isEnabled(), !selected.isEmpty());
        }
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestFolderDialog)
#include "TestFolderDialog.moc"
