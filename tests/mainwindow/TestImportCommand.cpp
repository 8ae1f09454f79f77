#include "registry/RegTestKeys.h"

#include "mainwindow/ImportCommand.h"
#include "mainwindow/TUndoList.h"
#include "support/ScriptedProgress.h"
#include "support/TestFiles.h"

#include <QtTest>

using namespace RegTestKeys;
using Status = ImportOutcome::Status;

class TestImportCommand : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_fx.start()); }

    void cleanup() { m_fx.stop(); }

    void outcomes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("abortAtStep");
        QTest::addColumn<Status>("status");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("firstApplied");
        QTest::addColumn<QStringList>("messages");

        const QByteArray good = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\I]\r\n\"a\"=\"1\"\r\n\"b\"=\"2\"\r\n";
        QTest::newRow("complete") << good << 0 << Status::Imported << "" << true << QStringList();
        // Cancel ends quietly; what was applied before stays, so the undo list still goes.
        QTest::newRow("cancelled") << good << 5 << Status::Cancelled << "" << true << QStringList();
        QTest::newRow("bad line after a value")
            << QByteArray("REGEDIT4\r\n[HKEY_CURRENT_USER\\I]\r\n\"a\"=\"1\"\r\nQuatsch\r\n") << 0 << Status::Failed
            << "Ungültige Zeile" << true << QStringList();
        QTest::newRow("no header names a reason")
            << QByteArray("[HKEY_CURRENT_USER\\I]\r\n\"a\"=\"1\"\r\n") << 0 << Status::Failed
            << "Die Datei beginnt nicht mit \"REGEDIT4\" oder \"Windows Registry Editor Version 5.00\"" << false
            << QStringList();
        QTest::newRow("unreadable file") << QByteArray() << 0 << Status::NotRead << "" << false
                                         << QStringList{QStringLiteral("Fehler: Kann Datei nicht öffnen.")};
    }

    void outcomes()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, abortAtStep);
        QFETCH(Status, status);
        QFETCH(bool, firstApplied);
        QString fileName = m_fx.store->dirPath() + QStringLiteral("/fehlt.reg");
        if (!file.isEmpty()) {
            fileName = m_fx.store->dirPath() + QStringLiteral("/import.reg");
            QVERIFY(writeFile(fileName, file));
        }
        TUndoList undo;
        undo.Add(MakeUndoItem(UndoKind::ValueAdded, QStringLiteral("HKEY_CURRENT_USER\\X"), {}, QStringLiteral("x")));
        ScriptedProgress progress(abortAtStep);
        const ImportOutcome outcome = ImportRegFileCommand(fileName, progress, undo);
        QCOMPARE(outcome.status, status);
        QTEST(outcome.reason, "reason");
        QTEST(m_fx.sink->texts(), "messages");
        QCOMPARE(value(QStringLiteral("I"), QStringLiteral("a")).first, DWORD(firstApplied ? REG_SZ : REG_NONE));
        // Whatever part of the file was applied, the edit undo list no longer matches the registry.
        QCOMPARE(undo.CanUndo(), status == Status::NotRead);
        const QString failure
            = QStringLiteral("Registrierungsdatei konnte nicht vollständig importiert werden.\r\n(%1)")
                  .arg(outcome.reason);
        QCOMPARE(outcome.failureText(), status == Status::Failed ? failure : QString());
    }

private:
    StoreFixture m_fx;
};

QTEST_GUILESS_MAIN(TestImportCommand)
#include "TestImportCommand.moc"
