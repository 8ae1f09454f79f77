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
    void steps()
    {
        // steps, current topic, history, what can be done (back, previous, next)
        const std::tuple<QString, int, QList<int>, QString> cases[] = {
            {"show:2 link:3 link:4 back back", 2, {2}, "-pn"}, // two links, Zurück twice
            {"show:2 link:3 link:4 back", 3, {2, 3}, "bpn"},
            {"show:14 link:15 link:-1 link:1000", 14, {14}, "-p-"}, // links beyond the topics do nothing
            {"show:0", 0, {0}, "--n"}, // the first topic has no previous
            {"show:13 next", 14, {13, 14}, "bp-"}, {"show:14 next", 14, {14}, "-p-"}, // at the last topic it stays
            {"show:1 prev prev", 0, {1, 0}, "b-n"}, // previous is recorded
            {"show:5 prev back", 5, {5}, "-pn"},
            {"show:7 link:7 back", 7, {7}, "-pn"}, // the same topic twice is two entries
            {"next prev back link:20", -1, {}, "---"}}; // nothing shown yet
        for (const auto& [steps, current, history, can] : cases) {
            HelpNavigation nav(15);
            run(nav, steps);
            QCOMPARE(nav.current(), current);
            QCOMPARE(nav.history(), history);
            const QString state = QString(nav.canGoBack() ? u'b' : u'-') + (nav.canGoPrevious() ? u'p' : u'-')
                                  + (nav.canGoNext() ? u'n' : u'-');
            QCOMPARE(state, can);
            // The status line counts from 1.
            QCOMPARE(nav.statusText(),
                     current < 0 ? QString() : QStringLiteral("15 Themen (gewählt Thema %1)").arg(current + 1));
        }
    }
};

QTEST_GUILESS_MAIN(TestHelpNavigation)
#include "TestHelpNavigation.moc"
