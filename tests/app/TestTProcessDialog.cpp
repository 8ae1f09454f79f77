// The progress dialog and the windowed progress context, offscreen.

#include "app/DialogProgress.h"
#include "app/TProcessDialog.h"

#include <QtTest>
#include <QtWidgets>

class TestTProcessDialog final : public QObject {
    Q_OBJECT

private slots:
    void abortButtonAndEscCallOnAbort()
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
    }

    void dialogProgressCancelsAndRestoresOwner()
    {
        QMainWindow owner;
        owner.show();
        {
            DialogProgress progress(&owner, QStringLiteral("Datensicherung läuft ..."),
                                    QStringLiteral("Registrierung wird in x.reg gesichert."), QStringLiteral("SAVE"));
            QVERIFY(!owner.isEnabled());
            TProcessDialog* dialog = progress.dialog();
            QVERIFY(dialog->isVisible());
            QVERIFY(dialog->abortButton()->isEnabled());
            QTest::mouseClick(dialog->abortButton(), Qt::LeftButton);
            QVERIFY(progress.abortRequested());
            progress.clearAbort();
            QVERIFY(!progress.abortRequested());
            QTest::qWait(30);
            progress.step();
        }
        QVERIFY(owner.isEnabled());
        QVERIFY(owner.findChildren<TProcessDialog*>().isEmpty());
    }
};

QTEST_MAIN(TestTProcessDialog)
#include "TestTProcessDialog.moc"
