#include "help/HelpContexts.h"
#include "help/HelpNavigation.h"
#include "help/HelpStrings.h"
#include "help/QuickHelp.h"
#include "help/QuickHelpHint.h"
#include "help/THelpForm.h"
#include "info/MultiTextUtils.h"
#include "mainwindow/TMainForm.h"
#include "settings/OptionsStore.h"
#include "support/RecordingMessageSink.h"
#include "support/TempStore.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>
#include <optional>

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

// The help texts, contexts and navigation, and the help window and quick help in a shown main window.
class TestHelp final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_store.emplace().ok());
        Options() = KavenOptions{};
        m_sink = std::make_unique<RecordingMessageSink>();
        m_form = std::make_unique<TMainForm>();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }
    void cleanup()
    {
        m_form.reset();
        m_sink.reset();
        m_store.reset();
    }

    void quickHelpUnderThePointer_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("string"); // 0: no quick help
        QTest::newRow("key tree") << "RegTreeView1" << 1001;
        QTest::newRow("value list") << "RegListView1" << 1002;
        QTest::newRow("tool-page tabs") << "ToolTabs" << 1003;
        QTest::newRow("key path panel") << "StatusPanel2" << 1019;
        QTest::newRow("menu bar has no context") << "menubar" << 0;
    }
    void quickHelpUnderThePointer()
    {
        QFETCH(QString, control);
        QFETCH(int, string);
        QWidget* target = control == QLatin1String("menubar") ? m_form->menuBar()
                                                             : m_form->findChild<QWidget*>(control);
        QVERIFY(target && target->isVisible());
        QCursor::setPos(target->mapToGlobal(target->rect().center()));
        QTest::keyPress(m_form.get(), Qt::Key_F7);
        auto* hint = qobject_cast<QuickHelpHint*>(m_form->quickHelp()->visibleHint());
        QCOMPARE(hint ? hint->markup() : QString(), string ? Help::String(string) : QString());
        QVERIFY(!hint || (hint->width() > 20 && hint->height() > 10));
        // F7 belongs to the quick help: the menu entry's short-cut does not fire as well.
        QCOMPARE(m_sink->count(), 0);
        QTest::keyRelease(m_form.get(), Qt::Key_F7);
        QVERIFY(!m_form->quickHelp()->visibleHint());
    }

    // F7 again over the same control hides the hint; the help menu's entries.
    void helpMenuAndWindow()
    {
        QWidget* tree = m_form->findChild<QWidget*>(QStringLiteral("RegTreeView1"));
        QCursor::setPos(tree->mapToGlobal(tree->rect().center()));
        QTest::keyPress(m_form.get(), Qt::Key_F7);
        QVERIFY(m_form->quickHelp()->visibleHint());
        QTest::keyPress(m_form.get(), Qt::Key_F7);
        QVERIFY(!m_form->quickHelp()->visibleHint());
        // Over another control the hint moves there instead.
        QTest::keyPress(m_form.get(), Qt::Key_F7);
        QWidget* values = m_form->findChild<QWidget*>(QStringLiteral("RegListView1"));
        QCursor::setPos(values->mapToGlobal(values->rect().center()));
        QTest::keyPress(m_form.get(), Qt::Key_F7);
        QCOMPARE(m_form->quickHelp()->shownControl(), values);
        QVERIFY(m_form->quickHelp()->visibleHint());
        // The menu entry only explains the key.
        m_form->action(QStringLiteral("QuickHelp1"))->trigger();
        QCOMPARE(m_sink->last().text,
                 QStringLiteral("Sie rufen die Schnellinfo (programmübergreifend) auf, indem Sie den Mauszeiger über "
                                "das gewünschte Steuerelement bewegen und die Taste F7 drücken."));
        // The help window opens once, comes back when minimised, navigates and searches.
        QAction* contents = m_form->action(QStringLiteral("HelpContents1"));
        QVERIFY(contents->isEnabled());
        contents->trigger();
        QPointer<THelpForm> help = m_form->helpForm();
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->windowTitle(), QStringLiteral("Hilfe - Kaven 1.0"));
        QCOMPARE(help->statusText(0), QStringLiteral("15 Themen (gewählt Thema 1)"));
        QCOMPARE(help->statusText(1), Help::Author());
        QCOMPARE(help->findChild<QListWidget*>(QStringLiteral("HelpContentsList"))->count(), 15);
        QVERIFY(help->minimumWidth() >= 400 && help->minimumHeight() >= 300);

        help->showMinimized();
        contents->trigger();
        QCOMPARE(m_form->helpForm(), help.data());
        QVERIFY(!help->isMinimized());

        auto* list = help->findChild<QListWidget*>(QStringLiteral("HelpContentsList"));
        auto button = [help](const char* name) { return help->findChild<QPushButton*>(QLatin1String(name)); };
        list->setCurrentRow(2);
        help->showTopic(3); // as a click on a link would
        help->showTopic(4);
        help->showTopic(Help::TopicCount); // a link beyond the last topic
        QCOMPARE(list->currentRow(), 4);
        QTest::mouseClick(button("BackButton"), Qt::LeftButton);
        QTest::mouseClick(button("BackButton"), Qt::LeftButton);
        QCOMPARE(list->currentRow(), 2);
        // The window opened on the first topic, which stays the oldest history entry; the buttons follow
        // the navigation, whose rules have their own test.
        QTest::mouseClick(button("BackButton"), Qt::LeftButton);
        QCOMPARE(help->navigation().current(), 0);
        QVERIFY(!button("BackButton")->isEnabled() && !button("PreviousButton")->isEnabled());
        QVERIFY(button("NextButton")->isEnabled() && !button("CopyButton")->isEnabled()); // nothing selected
        list->setCurrentRow(14);
        QVERIFY(button("PreviousButton")->isEnabled() && !button("NextButton")->isEnabled());

        auto* found = help->findChild<QListWidget*>(QStringLiteral("HelpFoundList"));
        QTest::keyClicks(help->findChild<QLineEdit*>(QStringLiteral("HelpSearchEdit")), QStringLiteral("alias"));
        QListWidgetItem* aliases = found->findItems(QStringLiteral("Aliase"), Qt::MatchExactly).value(0);
        QVERIFY(aliases);
        emit found->itemClicked(aliases);
        QCOMPARE(list->currentRow(), 13);
        QCOMPARE(help->navigation().current(), 13);

        help->close();
        QTRY_VERIFY(!help);
        QVERIFY(!m_form->helpForm());
    }

    // The topics: titles in their fixed order, texts of some length, links between them.
    void topics()
    {
        const QStringList titles = {
            "#Einführung", "#Umgang mit Registrierungsdateien", "#Registrierung bearbeiten",
            "##Schlüssel bearbeiten", "##Werte bearbeiten", "#Registrierung durchsuchen",
            "#Suchergebnisse bearbeiten", "#Registrierungsänderungen auffinden", "#Favoritenverwaltung",
            "#Registrierungsinformation", "#Änderungen überwachen", "#Statistiken erstellen", "#Notizen", "#Aliase",
            "#Schlüsselstrukturen"};
        QCOMPARE(Help::TopicCount, titles.size());
        for (int i = 0; i < Help::TopicCount; ++i) {
            QCOMPARE(Help::TopicTitle(i), titles.at(i));
            QVERIFY2(StripMarkup(Help::TopicText(i)).size() > 300, qPrintable(titles.at(i)));
        }
        QCOMPARE(Help::PlainTopicTitle(3), QStringLiteral("Schlüssel bearbeiten"));
        // Every link names an existing topic, is closed, and every topic but the first is linked from
        // somewhere, so that the help can be read by following links.
        static const QRegularExpression linkTag(QStringLiteral("^A\\s*=\\s*(.*)$"));
        QList<bool> linked(Help::TopicCount, false);
        for (int i = 0; i < Help::TopicCount; ++i) {
            bool open = false;
            for (const MarkupToken& token : ScanMarkup(Help::TopicText(i))) {
                if (!token.isTag)
                    continue;
                const QString where = QStringLiteral("topic %1: <%2>").arg(i).arg(token.text);
                if (token.text == QLatin1String("/A")) {
                    QVERIFY2(open, qPrintable(where));
                    open = false;
                } else if (const QRegularExpressionMatch m = linkTag.match(token.text); m.hasMatch()) {
                    QVERIFY2(!open, qPrintable(where));
                    bool number = false;
                    const int target = m.captured(1).toInt(&number);
                    QVERIFY2(number && target >= 0 && target < Help::TopicCount, qPrintable(where));
                    QVERIFY2(target != i, qPrintable(where));
                    linked[target] = true;
                    open = true;
                }
            }
            QVERIFY2(!open, qPrintable(QStringLiteral("topic %1 ends inside a link").arg(i)));
        }
        for (int i = 1; i < Help::TopicCount; ++i)
            QVERIFY2(linked.at(i), qPrintable(QStringLiteral("no link to topic %1").arg(i)));
    }

    // Each context the table hands out has its text, and each quick-help text belongs to a context.
    void everyContextHasItsText()
    {
        const QList<int> contexts = Help::HelpContextNumbers();
        for (int context : contexts)
            QVERIFY2(!Help::QuickHelpText(context).isEmpty(), qPrintable(QString::number(context)));
        for (int number : Help::StringNumbers()) {
            if (number < Help::TitleString)
                QVERIFY2(contexts.contains(number - Help::QuickHelpBase), qPrintable(QString::number(number)));
        }
        for (int reserved : {3, 10, 50, 51, 52, 53, 54, 55, 110, 111, 112, 113, 114, 115, 116, 117, 120, 121})
            QVERIFY2(contexts.contains(reserved), qPrintable(QString::number(reserved)));
        QCOMPARE(Help::QuickHelpText(0), QString());
    }

    void contextLookup_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("object");
        QTest::addColumn<QString>("widgetClass");
        QTest::addColumn<int>("context");
        QTest::newRow("main window tree") << "TMainForm" << "RegTreeView1" << "QTreeView" << 1;
        QTest::newRow("same name in any window") << "TParallelForm" << "RegTreeView1" << "QTreeView" << 1;
        QTest::newRow("tool-page tabs") << "TMainForm" << "ToolTabs" << "QTabBar" << 3;
        QTest::newRow("name of one dialog only") << "TSearchForm" << "logicalCheckBox" << "QCheckBox" << 24;
        QTest::newRow("same name in another dialog") << "TChangeSearchForm" << "logicalCheckBox" << "QCheckBox" << 0;
        QTest::newRow("shared name, window decides") << "TDeleteForm" << "confirmCheckBox" << "QCheckBox" << 32;
        QTest::newRow("unnamed control by class") << "TUndoForm" << "" << "QListWidget" << 95;
        QTest::newRow("class elsewhere has none") << "TMainForm" << "" << "QListWidget" << 0;
        QTest::newRow("unknown") << "TMainForm" << "nothing" << "QWidget" << 0;
    }
    void contextLookup()
    {
        QFETCH(QString, window);
        QFETCH(QString, object);
        QFETCH(QString, widgetClass);
        QTEST(Help::HelpContextFor(window, object, widgetClass), "context");
    }

    void search_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QList<int>>("mustFind");
        QTest::newRow("word only in a title") << "Favoritenverwaltung" << QList<int>{};
        QTest::newRow("empty term") << "" << QList<int>{};
        QTest::newRow("tags are not text") << "<BR>" << QList<int>{};
        QTest::newRow("upper-case compare") << "strukturmanager" << QList<int>{14};
        QTest::newRow("umlaut upper-cased") << "ÜBERWACHEN" << QList<int>{10};
        QTest::newRow("several topics") << "kaven-reg" << QList<int>{1, 5};
    }
    void search()
    {
        QFETCH(QString, term);
        QFETCH(QList<int>, mustFind);
        const QList<int> found = SearchHelpTopics(term);
        QCOMPARE(found.isEmpty(), mustFind.isEmpty());
        for (int topic : mustFind)
            QVERIFY2(found.contains(topic), qPrintable(QString::number(topic)));
    }

    void sectionFile_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<QStringList>("strings");
        QTest::newRow("lines joined, comments and blanks dropped")
            << "// note\n@@ 7\n  a <B>b</B>\n\n// inside\nc  \r\n@@8\n#x" << QList<int>{7, 8}
            << QStringList{"a <B>b</B> c", "#x"};
        QTest::newRow("no blank after a line break")
            << "@@ 3\na<BR>\nb < br >\n<FRAME=16>\nc\n</frame>\nd <BR> x\ne" << QList<int>{3}
            << QStringList{"a<BR>b < br ><FRAME=16>c </frame>d <BR> x e"};
        QTest::newRow("text before the first section") << "lost\n@@ 1\nkept" << QList<int>{1} << QStringList{"kept"};
        QTest::newRow("unreadable number drops its section")
            << "@@ x\ngone\n@@ 2\n" << QList<int>{2} << QStringList{""};
    }
    void sectionFile()
    {
        QFETCH(QString, text);
        const QMap<int, QString> sections = Help::ParseStringSections(text);
        QTEST(sections.keys(), "numbers");
        QTEST(QStringList(sections.values()), "strings");
    }

    // The help window's topic navigation: its history and the three buttons.
    void navigation_data()
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
    void navigation()
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

private:
    std::optional<TempStore> m_store;
    std::unique_ptr<RecordingMessageSink> m_sink;
    std::unique_ptr<TMainForm> m_form;
};

QTEST_MAIN(TestHelp)
#include "TestHelp.moc"
