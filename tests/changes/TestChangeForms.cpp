// The find-changes dialog, the exclusion dialog and the change page in the main window, on real
// widgets offscreen against a real store.

#include "ChangeTestTree.h"
#include "changes/TChangePage.h"
#include "changes/TCompForm.h"
#include "changes/TBackupForm.h"
#include "changes/TChangeSearchForm.h"
#include "changes/TExcludeForm.h"
#include "changes/UndoChanges.h"
#include "changes/WriteAnalysisFile.h"
#include "mainwindow/EditCommands.h"
#include "mainwindow/TMainForm.h"
#include "mainwindow/TUndoList.h"
#include "registry/Progress.h"
#include "registry/RegTestKeys.h"
#include "settings/OptionsStore.h"
#include "support/TestFiles.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

const QString T = u"HKEY_CURRENT_USER\\T"_s;

QStringList rowTexts(const QTreeView* view)
{
    QStringList rows;
    const QAbstractItemModel* model = view->model();
    for (int r = 0; r < model->rowCount(); ++r)
        rows << model->index(r, 0).data().toString() + u'|' + model->index(r, 1).data().toString() + u'|'
                    + model->index(r, 2).data().toString().mid(T.size());
    return rows;
}

} // namespace

class TestChangeForms final : public QObject {
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

    // The analyse button wants a file and at least one kind of change besides full listing and exclusion.
    void compFormAnalyseButton()
    {
        const std::tuple<QString, int, bool> cases[] = {
            {u"a.rec"_s, 8, true}, {QString(), 15, false}, {u"a.rec"_s, 48, false}, {u"a"_s, 63, true}};
        for (const auto& [text, flags, enabled] : cases) {
            TCompForm form(text, flags, data(u"file.dat"_s));
            const bool shown = form.findChild<QPushButton*>(u"AnalyseButton"_s)->isEnabled();
            QVERIFY2(shown == enabled, qPrintable(QString::number(flags)));
        }
    }

    // The list holds 20 files; a 21st chosen through "..." goes to the top and the oldest falls out; one
    // already there stays where it is; Ctrl+Del removes the shown one; the list is written as it goes.
    void compFormRecentFiles()
    {
        QStringList files;
        for (int i = 0; i < 20; ++i)
            files << data(u"f%1.rec"_s.arg(i));
        QVERIFY(writeFile(data(u"file.dat"_s), (files.join(u"\r\n"_s) + u"\r\n"_s).toUtf8()));
        QVERIFY(writeFile(data(u"neu.rec"_s), "x"));
        {
            TCompForm form(QString(), 15, data(u"file.dat"_s));
            QCOMPARE(form.analysisFiles(), files);
            m_fixture.sink->pushFileName(data(u"neu.txt"_s)); // its ".rec" exists
            form.SelectFileClick();
            QCOMPARE(form.compFile(), data(u"neu.rec"_s));
            QCOMPARE(form.analysisFiles(), QStringList{data(u"neu.rec"_s)} + files.mid(0, 19));
            auto* combo = form.findChild<QComboBox*>(u"CompFileComboBox"_s);
            combo->setEditText(files[3].toUpper());
            QTest::keyClick(combo->lineEdit(), Qt::Key_Delete, Qt::ControlModifier);
            QCOMPARE(form.analysisFiles(), QStringList{data(u"neu.rec"_s)} + files.mid(0, 3) + files.mid(4, 15));
        }
        const QByteArray written = readFile(data(u"file.dat"_s));
        QVERIFY(written.startsWith(data(u"neu.rec\r\n"_s).toUtf8()));
        QCOMPARE(written.count("\r\n"), 19);
    }

    void excludeFormAddsAndTicks()
    {
        const QString file = data(u"excl.dat"_s);
        {
            TExcludeForm form(file, T + u"\\A"_s, {});
            QVERIFY(form.findChild<QRadioButton*>(u"CurrentKeyRadioButton"_s)->isChecked());
            form.AddClick();
            QCOMPARE(form.lines(), QStringList{u"0HKEY_CURRENT_USER\\T\\A"_s});
            form.AddClick(); // the same key again
            QCOMPARE(m_fixture.sink->last().text, u"Schlüssel bereits vorhanden"_s);
            QCOMPARE(form.lines().size(), 1);
            QTreeWidgetItem* item = form.list()->topLevelItem(0);
            item->setCheckState(1, Qt::Checked);
            QCOMPARE(form.lines(), QStringList{u"2HKEY_CURRENT_USER\\T\\A"_s});
            item->setCheckState(0, Qt::Checked);
            QCOMPARE(form.lines(), QStringList{u"3HKEY_CURRENT_USER\\T\\A"_s});
            form.reject();
        }
        QVERIFY(!QFile::exists(file)); // "&Abbruch" forgets the edits
        {
            // With marked change rows the selection is the choice; the current key is added on request.
            TExcludeForm form(file, T.toLower() + u"\\a"_s, {T});
            QVERIFY(form.findChild<QRadioButton*>(u"SelectionRadioButton"_s)->isChecked());
            form.findChild<QRadioButton*>(u"CurrentKeyRadioButton"_s)->setChecked(true);
            form.AddClick();
            form.list()->topLevelItem(0)->setCheckState(0, Qt::Checked);
            form.accept();
        }
        QCOMPARE(readFile(file), QByteArray("1hkey_current_user\\t\\a\r\n"));
    }

    // A comparison shown on the change page, saved and opened again; the analysis file export.
    void comparisonAndExport()
    {
        QVERIFY(ChangeTestTree::apply({u"+V:A:a:1:x"_s, u"+V:A:b:4:1"_s}));
        NullProgress progress;
        const QString snapshot = data(u"t.rec"_s);
        QVERIFY(WriteAnalysisFileResult(snapshot, T, progress).ok());
        QVERIFY(ChangeTestTree::apply({u"+V:A:a:1:y"_s, u"+V:A::1:neu"_s, u"+K:N"_s}));
        const auto form = quietForm(); // reads the settings: the comparison's are set after it
        Options().compFile = snapshot;
        Options().compFlags = 15;
        form->action(u"Repeat1"_s)->trigger();
        QTreeView* view = form->changePage()->view();
        const QStringList compared{u"Standardwert wurde erstellt|(Standard)|\\A"_s, u"Daten wurden geändert|a|\\A"_s,
                                   u"Schlüssel wurde erstellt||\\N"_s};
        QCOMPARE(rowTexts(view), compared);
        QCOMPARE(form->pageCountText(), u" 3 Einträge "_s);
        QVERIFY(m_fixture.sink->messages().isEmpty());

        // A saved list opens again with its rows and records (a file too short for the identifier: below).
        m_fixture.sink->pushFileName(data(u"liste.txt"_s)); // saved as liste.cbk
        form->action(u"SaveChanges1"_s)->trigger();
        form->changePage()->clear();
        m_fixture.sink->pushFileName(data(u"liste.cbk"_s));
        form->action(u"OpenChanges1"_s)->trigger();
        QCOMPARE(rowTexts(view), compared);
        QVERIFY(m_fixture.sink->messages().isEmpty());

        // "Schlüssel &öffnen ..." on the changed value selects its key and the value.
        form->action(u"ChangeMarkDataChanged1"_s)->trigger();
        QVERIFY(form->action(u"OpenChangeKey1"_s)->isEnabled());
        form->action(u"OpenChangeKey1"_s)->trigger();
        QCOMPARE(form->CurrentKeyPath(), T + u"\\A"_s);
        QCOMPARE(form->valueList()->currentIndex().data().toString(), u"a"_s);

        // A file that is no analysis file says so instead of showing an empty list.
        QVERIFY(writeFile(snapshot, "REGEDIT4\r\n"));
        form->action(u"Repeat1"_s)->trigger();
        QVERIFY(rowTexts(view).isEmpty());
        QCOMPARE(m_fixture.sink->last().text, u"Fehler: \"%1\" ist keine Analysedatei."_s.arg(snapshot));
        QFile::remove(snapshot);
        form->action(u"Repeat1"_s)->trigger();
        QCOMPARE(m_fixture.sink->last().text, u"Fehler: Kann Datei nicht öffnen."_s);

        m_fixture.sink->pushFileName(data(u"liste.cbk"_s));
        form->action(u"OpenChanges1"_s)->trigger();
        QCOMPARE(view->model()->rowCount(), 3);
        QVERIFY(writeFile(data(u"kurz.cbk"_s), "KAVEN_COMPARE_BACKUP_FIL"));
        m_fixture.sink->clear();
        m_fixture.sink->pushFileName(data(u"kurz.cbk"_s));
        form->action(u"OpenChanges1"_s)->trigger();
        QCOMPARE(view->model()->rowCount(), 0);
        QCOMPARE(m_fixture.sink->texts(), QStringList{u"Fehler: Kann Datei nicht öffnen."_s});
        // The analysis file export of the current branch; nothing to export without a root key.
        form->askExportFile = [&](TMainForm::ExportChoice& choice) {
            choice.fileName = data(u"snap.txt"_s);
            choice.currentBranch = true;
            choice.branchPath = T + u'\\';
            return choice.analysisFile;
        };
        form->action(u"ExportAnalysis1"_s)->trigger();
        QVERIFY(readFile(data(u"snap.rec"_s))
                    .startsWith("KAVEN_COMPARE_FILE\0\0\0\0\x13\0\0\0HKEY_CURRENT_USER\\T"_ba));
        Options().rootExport.fill(false);
        form->action(u"ExportAnalysis1"_s)->trigger();
        QCOMPARE(m_fixture.sink->last().text, u"Fehler: Es gibt nichts zu sichern."_s);
    }

    // "Änderungen rückgängig ...": the options dialog (the dry run disabling the other boxes), the questions
    // around the run, the edit undo list cleared in both modes.
    void undoFlow_data()
    {
        QTest::addColumn<bool>("checkOnly");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("rowsLeft");
        const QString stale = u"Schlüssel %1\\Weg existiert nicht.\r\nEintrag entfernen?"_s.arg(T);
        QTest::newRow("nothing marked") << false << QStringList{StartChangesQuestion, RefreshQuestion} << 1;
        QTest::newRow("dry run") << true << QStringList{stale, u"Gültigkeitsprüfung beendet."_s} << 0;
    }

    void undoFlow()
    {
        QFETCH(bool, checkOnly);
        const auto form = quietForm();
        ChangeList& list = form->changePage()->changes();
        list.AddChangeEntry(KeyCreatedText, QString(), {ChangeKinds::KeyCreated, T + u"\\Weg"_s, {}, {}}, 1,
                            T + u"\\Weg"_s);
        list.setSelected(0, checkOnly);
        form->changePage()->refresh();
        form->editCommands()->undoList().Add(TUndoItem{});
        int flags = -1;
        onDialog<TBackupForm>(form.get(), [&](TBackupForm* dialog) {
            dialog->findChild<QCheckBox*>(u"checkOnlyCheckBox"_s)->setChecked(checkOnly);
            QCOMPARE(dialog->findChild<QCheckBox*>(u"confirmCheckBox"_s)->isEnabled(), !checkOnly);
            flags = dialog->undoFlags();
            dialog->findChild<QPushButton*>(u"okButton"_s)->click();
        });
        m_fixture.sink->pushAnswer(MessageAnswer::Yes);
        m_fixture.sink->pushAnswer(MessageAnswer::No);
        QVERIFY(form->action(u"UndoChanges1"_s)->isEnabled());
        form->action(u"UndoChanges1"_s)->trigger();
        QCOMPARE(flags, checkOnly ? UndoFlags::CheckOnly : UndoFlags::Confirm);
        QTEST(m_fixture.sink->texts(), "texts");
        QTEST(list.size(), "rowsLeft");
        QVERIFY(!form->editCommands()->undoList().CanUndo());
    }

    // "In Änderungen suchen ...": "&Ok" and "Alles &markieren" need a text and a column; "&Ok" again finds
    // the next match below, the criteria are kept in the settings.
    void searchInChanges()
    {
        const auto form = quietForm();
        ChangeList& list = form->changePage()->changes();
        for (const QString& key : {u"\\Run"_s, u"\\RunOnce"_s, u"\\Run\\Sub"_s, u"\\X\\Run"_s})
            list.AddChangeEntry(KeyCreatedText, QString(), {ChangeKinds::KeyCreated, T + key, {}, {}}, 1, T + key);
        form->changePage()->refresh();
        Options().searchLineC.clear();
        bool rulesHeld = false;
        onDialog<TChangeSearchForm>(form.get(), [&](TChangeSearchForm* dialog) {
            auto* ok = dialog->findChild<QPushButton*>(u"okButton"_s);
            auto* markAll = dialog->findChild<QPushButton*>(u"markAllButton"_s);
            const bool emptyRefused = !ok->isEnabled() && !markAll->isEnabled();
            dialog->findChild<QLineEdit*>(u"searchEdit"_s)->setText(u"Run"_s);
            dialog->findChild<QCheckBox*>(u"keyCheckBox"_s)->setChecked(false);
            const bool noColumnRefused = !ok->isEnabled();
            dialog->findChild<QCheckBox*>(u"keyCheckBox"_s)->setChecked(true);
            dialog->findChild<QCheckBox*>(u"wholeWordsCheckBox"_s)->setChecked(true);
            // Logical terms are always found inside the text: whole names need the operators off.
            dialog->findChild<QCheckBox*>(u"logicalCheckBox"_s)->setChecked(false);
            rulesHeld = emptyRefused && noColumnRefused && ok->isEnabled();
            ok->click();
        });
        form->action(u"SearchChanges1"_s)->trigger();
        QVERIFY(rulesHeld);
        QCOMPARE(Options().searchLineC, u"Run"_s);
        QCOMPARE(Options().changeCompareFlags, 0u);
        QCOMPARE(form->changePage()->markedKeyPaths(), QStringList{T + u"\\Run"_s});
        onDialog<TChangeSearchForm>(form.get(),
                                    [](TChangeSearchForm* d) { d->findChild<QPushButton*>(u"okButton"_s)->click(); });
        form->action(u"SearchChanges1"_s)->trigger();
        QCOMPARE(form->changePage()->markedKeyPaths(), QStringList{T + u"\\X\\Run"_s});
    }

private:
    // Runs work on the dialog of type Dialog once the triggered command shows it.
    template<typename Dialog> static void onDialog(QObject* owner, std::function<void(Dialog*)> work)
    {
        auto* poll = new QTimer(owner);
        connect(poll, &QTimer::timeout, poll, [poll, work] {
            if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
                poll->stop();
                work(dialog);
            }
        });
        poll->start(20);
    }
    QString data(const QString& name) const { return Options().dataPath + u'/' + name; }
    // A main window whose long operations run without the progress dialog.
    static std::unique_ptr<TMainForm> quietForm()
    {
        auto form = std::make_unique<TMainForm>();
        form->runWithProgress = [](const QString&, const QString&, const QString&,
                                   const std::function<void(Progress&)>& work) {
            NullProgress progress;
            work(progress);
        };
        return form;
    }
    RegTestKeys::StoreFixture m_fixture;
};

QTEST_MAIN(TestChangeForms)
#include "TestChangeForms.moc"
