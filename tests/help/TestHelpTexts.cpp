#include "help/HelpContexts.h"
#include "help/HelpNavigation.h"
#include "help/HelpStrings.h"
#include "info/MultiTextUtils.h"

#include <QtTest>

using namespace Qt::StringLiterals;

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

    void contextLookup()
    {
        const std::tuple<QString, QString, QString, int> cases[] = { // window, object, widget class, context
            {"TMainForm", "RegTreeView1", "QTreeView", 1}, {"TParallelForm", "RegTreeView1", "QTreeView", 1},
            {"TMainForm", "ToolTabs", "QTabBar", 3},
            {"TSearchForm", "logicalCheckBox", "QCheckBox", 24}, // a name of one dialog only
            {"TChangeSearchForm", "logicalCheckBox", "QCheckBox", 0},
            {"TDeleteForm", "confirmCheckBox", "QCheckBox", 32}, // a shared name: the window decides
            {"TUndoForm", "", "QListWidget", 95}, {"TMainForm", "", "QListWidget", 0}, // unnamed: by class, there
            {"TMainForm", "nothing", "QWidget", 0}};
        for (const auto& [window, object, widgetClass, context] : cases) {
            const int got = Help::HelpContextFor(window, object, widgetClass);
            QVERIFY2(got == context, qPrintable(u"%1 %2: %3"_s.arg(window, object).arg(got)));
        }
    }

    // A word only in a title, an empty term and tags find nothing; the compare is upper-cased, umlauts too.
    void search()
    {
        const std::pair<QString, QList<int>> cases[] = {{"Favoritenverwaltung", {}}, {"", {}}, {"<BR>", {}},
                                                        {"strukturmanager", {14}}, {"ÜBERWACHEN", {10}},
                                                        {"kaven-reg", {1, 5}}};
        for (const auto& [term, mustFind] : cases) {
            const QList<int> found = SearchHelpTopics(term);
            QVERIFY2(found.isEmpty() == mustFind.isEmpty(), qPrintable(term));
            for (int topic : mustFind)
                QVERIFY2(found.contains(topic), qPrintable(term + u' ' + QString::number(topic)));
        }
    }

    // Lines joined with comments and blank lines dropped, no blank after a line break, text before the first
    // section lost, a section with an unreadable number dropped.
    void sectionFile()
    {
        const std::tuple<QString, QList<int>, QStringList> cases[] = {
            {"// note\n@@ 7\n  a <B>b</B>\n\n// inside\nc  \r\n@@8\n#x", {7, 8}, {"a <B>b</B> c", "#x"}},
            {"@@ 3\na<BR>\nb < br >\n<FRAME=16>\nc\n</frame>\nd <BR> x\ne", {3},
             {"a<BR>b < br ><FRAME=16>c </frame>d <BR> x e"}},
            {"lost\n@@ 1\nkept", {1}, {"kept"}}, {"@@ x\ngone\n@@ 2\n", {2}, {""}}};
        for (const auto& [text, numbers, strings] : cases) {
            const QMap<int, QString> sections = Help::ParseStringSections(text);
            QCOMPARE(sections.keys(), numbers);
            QCOMPARE(QStringList(sections.values()), strings);
        }
    }
};

QTEST_GUILESS_MAIN(TestHelpTexts)
#include "TestHelpTexts.moc"
