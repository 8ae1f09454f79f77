// The progress dialog and the windowed progress context, offscreen.

#include "app/DialogProgress.h"
#include "app/TProcessDialog.h"

#include <QtTest>
#include <QtWidgets>

class TestTProcessDialog final : public QObject {
    Q_OBJECT

private slots:
    void progressDialog()
    {
        TProcessDialog dialog;
        QList<bool> calls;
        dialog.show();
        QTest::mouseClick(dialog.abortButton(), Qt::LeftButton); // no handler: nothing happens
        dialog.OnAbort = [&calls](bool abort) { calls.append(abort); };
        QTest::mouseClick(dialog.abortButton(), Qt::LeftButton);
        QTest::mouseClick(dialog.abortButton(), Qt::LeftButton);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(calls, (QList<bool>{true, true, true}));
        QVERIFY(dialog.isVisible()); // the caller frees it
        // The windowed progress context disables its owner while it lives.
        QMainWindow owner;
        owner.show();
        {
            DialogProgress progress(&owner, QStringLiteral("Datensicherung läuft ..."),
                                    QStringLiteral("Registrierung wird in x.reg gesichert."), QStringLiteral("SAVE"));
            QVERIFY(!owner.isEnabled());
            TProcessDialog* shown = progress.dialog();
            QVERIFY(shown->isVisible() && shown->abortButton()->isEnabled());
            QTest::mouseClick(shown->abortButton(), Qt::LeftButton);
            QVERIFY(progress.abortRequested());
            progress.clearAbort();
            QVERIFY(!progress.abortRequested());
            QTest::qWait(30);
            progress.step();
        }
        QVERIFY(owner.isEnabled() && owner.findChildren<TProcessDialog*>().isEmpty());
    }
};

QTEST_MAIN(TestTProcessDialog)
#include "TestTProcessDialog.moc"
