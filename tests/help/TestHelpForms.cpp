#include "help/HelpStrings.h"
#include "help/QuickHelp.h"
#include "help/QuickHelpHint.h"
#include "help/THelpForm.h"
#include "mainwindow/TMainForm.h"
#include "settings/OptionsStore.h"
#include "support/RecordingMessageSink.h"
#include "support/TempStore.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>
#include <optional>

class TestHelpForms final : public QObject {
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

    // The key tree, the value list, the tool-page tabs and the key path panel have quick help, the menu bar none.
    void quickHelpUnderThePointer()
    {
        const std::pair<QString, int> cases[] = {{"RegTreeView1", 1001}, {"RegListView1", 1002}, {"ToolTabs", 1003},
                                                 {"StatusPanel2", 1019}, {"menubar", 0}}; // control, string (0: none)
        for (const auto& [control, string] : cases) {
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

private:
    std::optional<TempStore> m_store;
    std::unique_ptr<RecordingMessageSink> m_sink;
    std::unique_ptr<TMainForm> m_form;
};

QTEST_MAIN(TestHelpForms)
#include "TestHelpForms.moc"
