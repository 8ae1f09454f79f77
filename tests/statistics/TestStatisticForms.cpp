// The statistics dialog, offscreen, against a real store.

#include "registry/RegTestKeys.h"

#include "statistics/TStatisticForm.h"
#include "widgets/PieChart.h"

#include <QtTest>
#include <QtWidgets>

using namespace RegTestKeys;

namespace {

const QString Sub = QStringLiteral("Software\\Stat");
const QString Path = QStringLiteral("HKEY_CURRENT_USER\\Software\\Stat");

} // namespace

class TestStatisticForms final : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_fixture.start()); }
    void cleanup() { m_fixture.stop(); }

    // A string and a binary default value in a subkey; then a branch too large to wait for.
    void walkShowsOpensAndStops()
    {
        QVERIFY(setValue(Sub, QStringLiteral("s"), REG_SZ, sz("abc")));
        QVERIFY(setValue(Sub + QStringLiteral("\\A"), QString(), REG_BINARY, QByteArray(3, '\x7F')));
        TStatisticForm form(Path, QString());
        form.show();
        // Until the walk has run, the chart says so.
        QCOMPARE(form.findChild<PieChart*>(QStringLiteral("pieChart"))->text(), QStringLiteral("Bitte warten ..."));
        QTRY_VERIFY(form.walkDone());
        QVERIFY(form.findChild<PieChart*>(QStringLiteral("pieChart"))->text().isEmpty());
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("line4"))->text(), QStringLiteral("1 (3 Byte)"));
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("connectionLabel"))->text(), QStringLiteral("Lokaler PC"));

        auto* list = form.findChild<QTreeWidget*>(QStringLiteral("StatisticList"));
        QCOMPARE(list->topLevelItemCount(), 2);
        const QTreeWidgetItem* binary = list->topLevelItem(1);
        QCOMPARE(QStringList({binary->text(0), binary->text(1), binary->text(2)}),
                 QStringList({"Größter Binärwert  (3 Byte)", "(Standard)", Path + "\\A"}));
        auto* open = form.findChild<QPushButton*>(QStringLiteral("OpenKeyButton"));
        QVERIFY(!open->isEnabled());
        list->setCurrentItem(list->topLevelItem(1));
        QVERIFY(open->isEnabled());
        open->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.openKeyPath(), Path + QStringLiteral("\\A"));
        QVERIFY(form.openValueName().isEmpty()); // the default value

        // "&Schließen" during the walk stops it at its next look at the window system.
        {
            RegBatch batch(HKEY_CURRENT_USER);
            for (int i = 0; i < 3000; ++i)
                QVERIFY(makeKey(Sub + QLatin1Char('\\') + QString::number(i)));
            QCOMPARE(batch.end(), 0);
        }
        TStatisticForm closed(Path, QString());
        auto* close = closed.findChild<QPushButton*>(QStringLiteral("CloseButton"));
        closed.show();
        QTimer::singleShot(0, close, [close] { close->click(); });
        QTRY_VERIFY(closed.walkDone());
        QVERIFY(closed.isHidden());
        QVERIFY(closed.statistics().keys < 3002); // the branch, A and 3000 more subkeys, had the walk gone on
    }

private:
    StoreFixture m_fixture;
};

QTEST_MAIN(TestStatisticForms)
#include "TestStatisticForms.moc"
