#include "help/HelpNavigation.h"

#include <QTest>

namespace {

// Runs steps like "show:2 link:3 back prev next" on the navigation.
void run(HelpNavigation& nav, const QString& steps)
{
    for (const QString& step : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString verb = step.section(QLatin1Char(':'), 0, 0);
        const int number = step.section(QLatin1Char(':'), 1).toInt();
        if (verb == QLatin1String("show"))
            (void)nav.showTopic(number);
        else if (verb == QLatin1String("link"))
            (void)nav.followLink(number);
        else if (verb == QLatin1String("back"))
            (void)nav.back();
        else if (verb == QLatin1String("prev"))
            (void)nav.previous();
        else if (verb == QLatin1String("next"))
            (void)nav.next();
        else
            QFAIL(qPrintable(step));
    }
}

} // namespace

class TestHelpNavigation final : public QObject {
    Q_OBJECT

private slots:
    void steps_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("current");
        QTest::addColumn<QList<int>>("history");
        QTest::addColumn<QString>("can"); // back, previous, next
        QTest::newRow("two links, Zurück twice") << "show:2 link:3 link:4 back back" << 2 << QList<int>{2} << "-pn";
        QTest::newRow("Zurück once") << "show:2 link:3 link:4 back" << 3 << QList<int>{2, 3} << "bpn";
        QTest::newRow("links beyond the topics do nothing") << "show:14 link:15 link:-1 link:1000" << 14
                                                            << QList<int>{14} << "-p-";
        QTest::newRow("first topic: no previous") << "show:0" << 0 << QList<int>{0} << "--n";
        QTest::newRow("next onto the last topic") << "show:13 next" << 14 << QList<int>{13, 14} << "bp-";
        QTest::newRow("next at the last topic stays") << "show:14 next" << 14 << QList<int>{14} << "-p-";
        QTest::newRow("previous is recorded") << "show:1 prev prev" << 0 << QList<int>{1, 0} << "b-n";
        QTest::newRow("Zurück after previous") << "show:5 prev back" << 5 << QList<int>{5} << "-pn";
        QTest::newRow("same topic twice is two entries") << "show:7 link:7 back" << 7 << QList<int>{7} << "-pn";
        QTest::newRow("nothing shown yet") << "next prev back link:20" << -1 << QList<int>{} << "---";
    }
    void steps()
    {
        QFETCH(QString, steps);
        QFETCH(int, current);
        HelpNavigation nav(15);
        run(nav, steps);
        QCOMPARE(nav.current(), current);
        QTEST(nav.history(), "history");
        const QString can = QString(nav.canGoBack() ? u'b' : u'-') + (nav.canGoPrevious() ? u'p' : u'-')
                            + (nav.canGoNext() ? u'n' : u'-');
        QTEST(can, "can");
        // The status line counts from 1.
        QCOMPARE(nav.statusText(),
                 current < 0 ? QString() : QStringLiteral("15 Themen (gewählt Thema %1)").arg(current + 1));
    }
};

QTEST_GUILESS_MAIN(TestHelpNavigation)
#include "TestHelpNavigation.moc"
