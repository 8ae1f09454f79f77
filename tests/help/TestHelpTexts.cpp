#include "help/HelpContexts.h"
#include "help/HelpNavigation.h"
#include "help/HelpStrings.h"
#include "info/MultiTextUtils.h"

#include <QtTest>

class TestHelpTexts final : public QObject {
    Q_OBJECT

private slots:
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
};

QTEST_GUILESS_MAIN(TestHelpTexts)
#include "TestHelpTexts.moc"
