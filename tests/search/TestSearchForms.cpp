// The search dialog's rules and history, and the result page's commands, on real widgets offscreen.

#include "registry/RegTestKeys.h"

#include "mainwindow/TMainForm.h"
#include "registry/ValueListModel.h"
#include "mainwindow/EditCommands.h"
#include "search/ResultRun.h"
#include "search/TReplaceForm.h"
#include "search/TSearchForm.h"
#include "search/TSearchPage.h"
#include "settings/OptionsStore.h"
#include "support/TestFiles.h"

#include <QtTest>
#include <QtWidgets>

using namespace RegTestKeys;

namespace {

// Rows as a file holds them, in list order, with one line that is no row.
const QByteArray SltFile = "010900Schl\xFCsselHKEY_CURRENT_USER\\Software\\Kaven\r\n"
                           "050504DatenPathHKEY_CURRENT_USER\\Software\\Kaven\r\n"
                           "050404WertPathHKEY_CURRENT_USER\\Software\\Kaven\r\n"
                           "060404WertZahlHKEY_CURRENT_USER\\Software\\Kaven\r\n"
                           "xx0404WertZahlHKEY_CURRENT_USER\\Software\\Kaven\r\n"
                           "070D0AStandarddaten(Standard)HKEY_CURRENT_USER\\Software\\Kaven\\Bin\r\n"
                           "070404WertBlobHKEY_CURRENT_USER\\Software\\Kaven\\Bin\r\n";

// A command of the window's menus, or one of the result page's own.
QAction* command(TMainForm& form, const QString& name)
{
    return form.action(name) ? form.action(name) : form.searchPage()->findChild<QAction*>(name);
}

QList<int> selectedRows(const QTreeView* view)
{
    QList<int> rows;
    for (const QModelIndex& index : view->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace

class TestSearchForms final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fixture.start());
        Options() = KavenOptions{};
        Options().dataPath = m_fixture.store->dataDir();
        QVERIFY(QDir().mkpath(Options().dataPath));
    }
    void cleanup() { m_fixture.stop(); }

    void dialogRules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<uint>("compare");
        QTest::addColumn<bool>("keySelected");
        QTest::addColumn<QString>("click"); // object name of a check box clicked after opening
        QTest::addColumn<bool>("canSearch");
        QTest::addColumn<uint>("flagsAfter");
        QTest::addColumn<uint>("compareAfter");
        QTest::addColumn<bool>("logicalEnabled");

        // text, flags and compare flags given, a key selected, the box clicked; then the result
        const auto row = [](const char* name, const char* text, uint flags, uint compare, bool key, const char* click,
                            bool can, uint flagsAfter, uint compareAfter, bool logical) {
            QTest::newRow(name) << QString::fromUtf8(text) << flags << compare << key << QString::fromLatin1(click)
                                << can << flagsAfter << compareAfter << logical;
        };
        row("defaults", "Run", 72, 6, false, "", true, 72, 6, true);
        row("no text", "", 72, 6, false, "", false, 72, 6, true);
        row("types only", "Run", 448, 6, false, "", false, 448, 6, true);
        row("data without type", "Run", 32, 6, false, "", false, 32, 6, true);
        row("data with DWORD", "26", 160, 6, false, "", true, 160, 6, true);
        row("data, type cleared", "26", 160, 6, false, "dwordsCheckBox", false, 32, 6, true);
        row("data and keys, no type", "Run", 40, 6, false, "", true, 40, 6, true);
        row("current key, none selected", "Run", 74, 6, false, "", false, 74, 6, true);
        row("current key, key selected", "Run", 74, 6, true, "", true, 74, 6, true);
        row("current key unchecks root", "Run", 73, 6, true, "currentKeyCheckBox", true, 74, 6, true);
        row("root unchecks current key", "Run", 74, 6, true, "singleRootCheckBox", true, 73, 6, true);
        row("both stored: current key wins", "Run", 75, 6, true, "", true, 74, 6, true);
        row("whole text clears logical", "Run", 72, 7, false, "wholeTextCheckBox", true, 72, 1, false);
        row("whole text stored", "Run", 72, 4, false, "", true, 72, 0, false);
        row("substring again: logical stays off", "Run", 72, 0, false, "wholeTextCheckBox", true, 72, 2, true);
        row("every bit", "Run", 508, 3, false, "caseSensitiveCheckBox", true, 508, 2, true);
    }

    void dialogRules()
    {
        QFETCH(QString, text);
        QFETCH(uint, flags);
        QFETCH(uint, compare);
        QFETCH(bool, keySelected);
        QFETCH(QString, click);
        TSearchForm form({text, flags, compare}, keySelected);
        form.show();
        if (!click.isEmpty()) {
            auto* box = form.findChild<QCheckBox*>(click);
            QVERIFY(box);
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
        }
        QTEST(form.searchButton()->isEnabled(), "canSearch");
        QTEST(uint(form.criteria().contentFlags), "flagsAfter");
        QTEST(uint(form.criteria().compareFlags), "compareAfter");
        QTEST(form.checkBox(CompareFlags::Logical, true)->isEnabled(), "logicalEnabled");
        QCOMPARE(form.criteria().text, text);
    }

    void dialogKeepsHistory()
    {
        const QString file = DataFile(QStringLiteral("search.dat"));
        QVERIFY(writeFile(file, "alpha\r\nbeta\r\n"));
        {
            TSearchForm form({}, false);
            form.show();
            QCOMPARE(form.textBox()->count(), 2);
            form.textBox()->setEditText(QStringLiteral("ALPHA"));
            QTest::keyClick(form.textBox()->lineEdit(), Qt::Key_Delete, Qt::ControlModifier);
            QCOMPARE(form.history().entries(), QStringList{QStringLiteral("beta")});
            QCOMPARE(form.textBox()->count(), 1);
            // A text already there, in other case, stays once.
            form.textBox()->setEditText(QStringLiteral("Beta"));
            QTest::mouseClick(form.searchButton(), Qt::LeftButton);
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QCOMPARE(form.history().entries(), QStringList{QStringLiteral("beta")});
        }
        QVERIFY(!readFile(file).contains("alpha"));
        {
            TSearchForm form({QStringLiteral("gamma"), 72, 6}, false);
            form.show();
            QTest::keyClick(form.textBox()->lineEdit(), Qt::Key_Return);
            QCOMPARE(form.result(), int(QDialog::Accepted));
        }
        TSearchForm again({}, false);
        QCOMPARE(again.history().entries(), (QStringList{QStringLiteral("gamma"), QStringLiteral("beta")}));
    }

    void pageMarkingCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QList<int>>("before"); // rows selected in the view first
        QTest::addColumn<QList<int>>("after");

        QTest::newRow("keys") << "SearchMarkKeys1" << QList<int>{1} << QList<int>{0};
        QTest::newRow("all values") << "SearchMarkValuesAll1" << QList<int>{} << QList<int>{2, 3, 5};
        QTest::newRow("string values") << "SearchMarkValuesString1" << QList<int>{} << QList<int>{2};
        QTest::newRow("DWORD values") << "SearchMarkValuesDWord1" << QList<int>{} << QList<int>{3};
        QTest::newRow("binary values") << "SearchMarkValuesBinary1" << QList<int>{} << QList<int>{5};
        QTest::newRow("all data, default value's") << "SearchMarkDataAll1" << QList<int>{0} << QList<int>{1, 4};
        QTest::newRow("binary data") << "SearchMarkDataBinary1" << QList<int>{} << QList<int>{4};
        QTest::newRow("downwards") << "SearchMarkDown1" << QList<int>{2} << QList<int>{2, 3, 4, 5};
        QTest::newRow("select all") << "SearchSelectAll1" << QList<int>{} << QList<int>{0, 1, 2, 3, 4, 5};
        QTest::newRow("invert") << "SearchInvert1" << QList<int>{0, 4} << QList<int>{1, 2, 3, 5};
        QTest::newRow("remove entries") << "SearchRemove1" << QList<int>{1, 4} << QList<int>{};
    }
    // Each command marks its rows; then the commands a selection of that size enables are enabled.
    void pageMarkingCommands()
    {
        QFETCH(QString, command);
        QFETCH(QList<int>, before);
        QFETCH(QList<int>, after);
        TMainForm form;
        // In the order a growing selection enables them: always, with rows, with marked rows, with one.
        const QStringList commands{"OpenResults1", "SearchMarkKeys1", "SearchSelectAll1", "SaveResults1",
                                   "SearchProperties1", "CheckResults1", "SearchRemove1", "Replace1",
                                   "DeleteResults1", "SearchOpenKey1", "SearchMarkDown1"};
        const auto enabled = [&] {
            QStringList names;
            for (const QString& n : commands)
                if (::command(form, n)->isEnabled())
                    names << n;
            return names;
        };
        QCOMPARE(enabled(), commands.mid(0, 1));
        TSearchPage* page = form.searchPage();
        loadRows(form);
        QTreeView* view = page->view();
        for (int row : before)
            view->selectionModel()->select(view->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QAction* action = ::command(form, command);
        QVERIFY(action && action->isEnabled());
        action->trigger();
        QCOMPARE(selectedRows(view), after);
        QCOMPARE(page->results().selectedCount(), int(after.size()));
        QCOMPARE(enabled(), commands.mid(0, after.isEmpty() ? 6 : after.size() == 1 ? 11 : 9));
        if (command == QStringLiteral("SearchRemove1")) {
            QCOMPARE(page->results().size(), 4);
            QCOMPARE(view->model()->index(1, 0).data().toString(), QStringLiteral("Wert"));
            QCOMPARE(form.pageCountText(), QStringLiteral(" 4 Einträge "));
        }
    }

    void pageFollowsListingEveryThirtyRows()
    {
        TMainForm form;
        TSearchPage* page = form.searchPage();
        SearchResult match{true, FoundKind::ValueName, QStringLiteral("HKEY_CURRENT_USER\\K"), {}, REG_SZ};
        int added = 0;
        const auto addRows = [&](int count) { // rows in the view after count more matches
            for (const int end = added + count; added < end; ++added) {
                match.valueName = QString::number(added);
                page->addMatch(match);
            }
            return page->view()->model()->rowCount();
        };
        QCOMPARE((QList<int>{addRows(1), addRows(28), addRows(1), addRows(29), addRows(1), addRows(1)}),
                 (QList<int>{0, 0, 30, 30, 60, 60}));
        page->refresh();
        QCOMPARE(page->view()->model()->rowCount(), 61);
        // A long list follows after an eighth more rows (or a quarter of a second).
        (void)addRows(739);
        page->refresh();
        QCOMPARE(addRows(99), 800);
        QCOMPARE(addRows(1), 900);
    }

    // The page's column widths and find-next come from the settings; result files are saved and reopened.
    void pageSettingsAndFiles()
    {
        QVERIFY(setValue(OptionsStore::settingsKeyPath(), QStringLiteral("LV3ColWidth1"), REG_DWORD,
                         QByteArray("\x2B\x01\0\0", 4)));
        {
            TMainForm form;
            QCOMPARE(form.searchPage()->view()->columnWidth(1), 299);
            QAction* again = form.action(QStringLiteral("SearchAgain1")); // find-next needs a stored text
            QVERIFY(!again->isEnabled());
            Options().searchLineA = QStringLiteral("Run");
            form.UpdateCommands();
            QVERIFY(again->isEnabled());
            loadRows(form);
            QCOMPARE(m_fixture.sink->texts(),
                     QStringList{QStringLiteral("Eine Zeile der Datei ist kein Suchergebnis und wurde übersprungen.")});
            // The chosen name's extension becomes ".slt"; the bad line is gone, every row as it was read.
            const QString chosen = m_fixture.store->dirPath() + QStringLiteral("/results.txt");
            m_fixture.sink->pushFileName(chosen);
            form.action(QStringLiteral("SaveResults1"))->trigger();
            QVERIFY(!QFile::exists(chosen));
            QByteArray expected = SltFile;
            expected.remove(expected.indexOf("xx"), expected.indexOf("070D") - expected.indexOf("xx"));
            QCOMPARE(readFile(m_fixture.store->dirPath() + QStringLiteral("/results.slt")), expected);

            // A file without rows empties the list.
            const QString empty = m_fixture.store->dirPath() + QStringLiteral("/leer.slt");
            QVERIFY(writeFile(empty, ""));
            m_fixture.sink->pushFileName(empty);
            form.action(QStringLiteral("OpenResults1"))->trigger();
            QCOMPARE(form.searchPage()->view()->model()->rowCount(), 0);
            QCOMPARE(form.pageCountText(), QStringLiteral(" 0 Einträge "));
            form.searchPage()->view()->setColumnWidth(0, 77);
        }
        KavenOptions back;
        back.columnWidths[3] = {0, 0, 0};
        OptionsStore::LoadOptions(back, Options().dataPath);
        QCOMPARE(back.columnWidths.value(3).value(0), 77);
    }

    // A key row opens its key, a value's row selects the value too; a key not there is an error.
    void openKeySelectsKeyAndValue()
    {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        loadRows(form);
        QTreeView* view = form.searchPage()->view();
        const auto open = [&](int row) { // the key then shown below HKEY_CURRENT_USER, and the selected value
            view->selectionModel()->select(view->model()->index(row, 0),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            m_fixture.sink->clear();
            form.searchPage()->openKeyAction()->trigger();
            const QModelIndexList selected = form.valueList()->selectionModel()->selectedRows();
            const QString value = selected.isEmpty() ? QString() : selected[0].data().toString();
            return form.CurrentKeyPath().mid(18) + u'|' + value;
        };
        (void)open(0);
        QCOMPARE(m_fixture.sink->texts(), QStringList{QStringLiteral("Fehler: Kann Schlüssel nicht öffnen.")});
        QVERIFY(setValue(QStringLiteral("Software\\Kaven"), QStringLiteral("Path"), REG_SZ, QByteArray("C\0", 2)));
        QVERIFY(setValue(QStringLiteral("Software\\Kaven"), QStringLiteral("Zahl"), REG_DWORD, QByteArray(4, 0)));
        QVERIFY(setValue(QStringLiteral("Software\\Kaven\\Bin"), QString(), REG_BINARY, QByteArray(1, 0)));
        QCOMPARE(open(1), QStringLiteral("Software\\Kaven|Path"));
        QCOMPARE(open(4), QStringLiteral("Software\\Kaven\\Bin|(Standard)"));
        QVERIFY(open(0).startsWith(QStringLiteral("Software\\Kaven|")));
    }

    // "&Ok" and "Alles E&rsetzen" need a text; whole words leave no first occurrence; both texts go to
    // their own history file.
    void replaceDialog()
    {
        QVERIFY(writeFile(DataFile(QStringLiteral("replace.dat")), "old\r\n"));
        {
            TReplaceForm form({QString(), QString(), RunFlags::Confirm, 10}, nullptr);
            form.show();
            QVERIFY(!form.okButton()->isEnabled() && !form.replaceAllButton()->isEnabled());
            QCOMPARE(form.replacementBox()->count(), 1);
            auto* firstOnly = form.findChild<QCheckBox*>(QStringLiteral("firstOnlyCheckBox"));
            firstOnly->setChecked(true);
            form.findChild<QCheckBox*>(QStringLiteral("wholeTextCheckBox"))->setChecked(true);
            QVERIFY(!firstOnly->isEnabled() && !firstOnly->isChecked());
            form.findBox()->setEditText(QStringLiteral("run"));
            form.replacementBox()->setEditText(QStringLiteral("go"));
            QTest::mouseClick(form.replaceAllButton(), Qt::LeftButton);
            QCOMPARE(form.result(), int(QDialog::Accepted));
            const ReplaceSettings s = form.settings();
            QVERIFY(s.allRows && s.compareFlags == 0 && s.runFlags == RunFlags::Confirm);
        }
        QCOMPARE(readFile(DataFile(QStringLiteral("rplscr.dat"))), QByteArray("run\r\n"));
        QCOMPARE(readFile(DataFile(QStringLiteral("replace.dat"))), QByteArray("go\r\nold\r\n"));
    }

    // Deleting from the window: the undo list is emptied, the row leaves the page; Cancel at the row's
    // question ends the run without the refresh question.
    void windowDeleteRun_data()
    {
        QTest::addColumn<QList<MessageAnswer>>("answers");
        QTest::addColumn<int>("rowsLeft");
        QTest::addColumn<QString>("lastMessage");
        QTest::newRow("deleted") << QList{MessageAnswer::Yes, MessageAnswer::Yes, MessageAnswer::No} << 5
                                 << RefreshQuestion;
        QTest::newRow("cancelled") << QList{MessageAnswer::Yes, MessageAnswer::Cancel} << 6
                                   << QStringLiteral("Wert 'Zahl' wirklich löschen?");
    }

    void windowDeleteRun()
    {
        QFETCH(QList<MessageAnswer>, answers);
        QVERIFY(setValue(QStringLiteral("Software\\Kaven"), QStringLiteral("Zahl"), REG_DWORD, QByteArray(4, '\0')));
        TMainForm form;
        loadRows(form);
        form.searchPage()->Mark(MarkCommand::DWordValues);
        form.editCommands()->undoList().Add(MakeUndoItem(UndoKind::ValueAdded, QStringLiteral("HKEY_CURRENT_USER"),
                                                         {}, QStringLiteral("x")));
        m_fixture.sink->clear();
        for (MessageAnswer a : answers)
            m_fixture.sink->pushAnswer(a);
        QTimer::singleShot(0, &form, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->accept();
        });
        form.action(QStringLiteral("DeleteResults1"))->trigger();
        QVERIFY(!form.editCommands()->undoList().CanUndo());
        QTEST(form.searchPage()->view()->model()->rowCount(), "rowsLeft");
        QCOMPARE(m_fixture.sink->texts().first(), StartChangesQuestion);
        QTEST(m_fixture.sink->last().text, "lastMessage");
    }

private:
    // Fills the page through its open command, as the user does.
    void loadRows(TMainForm& form)
    {
        const QString name = m_fixture.store->dirPath() + QStringLiteral("/rows.slt");
        QVERIFY(writeFile(name, SltFile));
        m_fixture.sink->pushFileName(name);
        form.action(QStringLiteral("OpenResults1"))->trigger();
        QCOMPARE(form.searchPage()->view()->model()->rowCount(), 6);
    }

    StoreFixture m_fixture;
};

QTEST_MAIN(TestSearchForms)
#include "TestSearchForms.moc"
