#include "app/TOptionForm.h"

#include <QtTest>
#include <QtWidgets>

class TestOptionForm final : public QObject {
    Q_OBJECT

private slots:
    // The options dialog: "Abbruch" leaves the options alone, "Ok" writes every control back.
    void optionFormWritesBackOnOk()
    {
        KavenOptions options;
        options.linkStyle = 2;
        options.linkColor = 0x00332211;
        const KavenOptions before = options;
        {
            TOptionForm form(options, QString());
            form.show();
            QVERIFY(form.rootCheckBox(5)->isHidden()); // no sixth root key on this machine
            form.undoSpinEdit()->setValue(500);
            form.rootCheckBox(4)->setChecked(true);
            form.boldCheckBox()->setChecked(true);
            form.pathGrid()->item(0, 1)->setText(QStringLiteral("/anders"));
            form.reject();
        }
        QCOMPARE(options.maxUndo, before.maxUndo);
        QCOMPARE(options.rootExport, before.rootExport);
        QCOMPARE(options.dataPath, before.dataPath);
        QCOMPARE(options.linkStyle, before.linkStyle);
        TOptionForm form(options, QStringLiteral("HKEY_DYN_DATA"));
        QCOMPARE(form.rootCheckBox(5)->text(), QStringLiteral("HKEY_DYN_DATA"));
        // An emptied field shows the minimum, 1 (the control's keys are tested with the control).
        QVERIFY(form.undoSpinEdit()->emptyBecomesMinimum() && form.undoSpinEdit()->minimum() == 1);
        QCOMPARE(form.undoSpinEdit()->value(), 10);
        QVERIFY(form.italicCheckBox()->isChecked());
        QCOMPARE(form.linkColor(), QColor(0x11, 0x22, 0x33));
        form.undoSpinEdit()->setValue(1000);
        form.rootCheckBox(0)->setChecked(false);
        form.rootCheckBox(5)->setChecked(true);
        form.boldCheckBox()->setChecked(true);
        form.underlineCheckBox()->setChecked(true);
        form.italicCheckBox()->setChecked(false);
        form.setLinkColor(QColor(0xAA, 0xBB, 0xCC));
        form.pathGrid()->item(1, 1)->setText(QStringLiteral("/struktur"));
        form.pickInfoFile = [](const QString&) { return QStringLiteral("/info/neu.txt"); };
        form.browsePath(2);
        form.accept();
        QCOMPARE(options.maxUndo, 1000);
        QCOMPARE(options.rootExport, (std::array<bool, 6>{false, true, true, true, false, true}));
        QCOMPARE(options.linkStyle, 5u);
        QCOMPARE(options.linkColor, 0x00CCBBAAu);
        QCOMPARE(options.structPath, QStringLiteral("/struktur"));
        QCOMPARE(options.infoFile, QStringLiteral("/info/neu.rgf"));
    }
};

QTEST_MAIN(TestOptionForm)
#include "TestOptionForm.moc"
