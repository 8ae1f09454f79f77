#include "registry/RegTestKeys.h"

#include "annotations/AliasFile.h"
#include "settings/KavenVariables405.h"
#include "app/DialogProgress.h"
#include "settings/OptionsStore.h"
#include "app/QtMessageSink.h"
#include "mainwindow/EditCommands.h"
#include "mainwindow/RefreshTree.h"
#include "mainwindow/RegClipboard.h"
#include "mainwindow/TMainForm.h"
#include "mainwindow/TreeStateFile.h"
#include "registry/KeyTreeModel.h"
#include "registry/RegKeyUtils.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "registry/ValueListModel.h"
#include "support/AnswerBox.h"
#include "support/RecordingMessageSink.h"
#include "support/ScriptedProgress.h"
#include "support/TempStore.h"
#include "support/TestFiles.h"
#include "widgets/EscapeProgress.h"
#include "widgets/InPlaceEditor.h"

#include <QAbstractButton>
#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QMessageBox>
#include <QMimeData>
#include <QScopeGuard>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

#include <memory>

using namespace RegTestKeys;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString Sub = u"Software\\KavenTest"_s;
const QString Base = u"HKEY_CURRENT_USER\\Software\\KavenTest"_s;
const QByteArray Dword1A("\x1A\0\0\0", 4);

bool has(const QString& key, const QString& name)
{
    return value(Sub + key, name).second != "<missing>";
}

// Deletes a key behind the window's back, as another process would.
void removeKey(const QString& key)
{
    QCOMPARE(DeleteKeyPath(Base + key, false), RegResult::Success);
}

} // namespace

class TestMainForm final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_store.emplace().ok());
        Options() = KavenOptions{};
        m_sink = std::make_unique<RecordingMessageSink>();
        QGuiApplication::clipboard()->clear();
        QVERIFY(makeKey(Sub + u"\\Alpha\\Eins"_s) && makeKey(Sub + u"\\Alpha\\Zwei"_s));
        QVERIFY(setValue(Sub + u"\\Beta"_s, u"s"_s, REG_SZ, sz("abc")));
        QVERIFY(setValue(Sub + u"\\Beta"_s, u"d"_s, REG_DWORD, Dword1A));
        QVERIFY(setValue(Sub + u"\\Beta"_s, u"b"_s, REG_BINARY, QByteArray("\x01\xFF", 2)));
    }
    void cleanup()
    {
        m_form.reset();
        m_sink.reset();
        m_store.reset();
    }

    void startBuildsTreeAndReadsSettingsBeforeShowing()
    {
        // Without settings the data files go to the per-user data folder, never beside the program.
        m_form = std::make_unique<TMainForm>();
        const QString userDir = m_store->dirPath() + u"/kaven"_s;
        QCOMPARE(Options().dataPath, userDir);
        QCOMPARE(Options().favoriteFile, userDir + u"/favorite.fav"_s);
        m_form.reset();
        Options() = KavenOptions{};

        const QString custom = m_store->dirPath() + u"/eigene"_s;
        QVERIFY(setValue(OptionsStore::settingsKeyPath(), u"DataPath"_s, REG_SZ, custom.toUtf8() + '\0'));
        QVERIFY(setValue(OptionsStore::settingsKeyPath(), u"LV1ColWidth2"_s, REG_DWORD, QByteArray("\x2B\x01\0\0", 4)));
        m_form = std::make_unique<TMainForm>();
        // The data directory is fixed (and created) by the settings during creation, before showing.
        QCOMPARE(Options().dataPath, custom);
        QVERIFY(QFileInfo(custom).isDir());
        QCOMPARE(m_form->valueList()->columnWidth(2), 299);
        const KeyTreeModel& tree = m_form->treeModel();
        QCOMPARE(childTexts(tree, tree.index(0, 0)).size(), 5);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QCOMPARE(m_form->selectedNode(), tree.index(0, 0));
        QCOMPARE(m_form->statusText(), u"Arbeitsplatz"_s);
        QCOMPARE(m_form->pageCountText(), u" Information "_s);
    }

    void shutdownWritesSettingsAndRemovesTreeStateFiles()
    {
        showForm();
        const QSize layoutSize = m_form->size();
        const QString state = DataFile(u"Lokaler PC.tmp"_s);
        const QString copyState = DataFile(u"copyLokaler PC.tmp"_s);
        QVERIFY(m_form->saveTreeState(state) && QFile(state).copy(copyState));
        Options().maxUndo = 42;
        m_form->valueList()->setColumnWidth(0, 211);
        act("HistoryBar1")->setChecked(false);
        m_form->close(); // a close, not just a destruction, writes the settings
        m_form.reset();
        QVERIFY(!QFile::exists(state) && !QFile::exists(copyState));
        KavenOptions back;
        back.columnWidths[1] = {0, 0, 0, 0};
        OptionsStore::LoadOptions(back, m_store->dirPath() + u"/kaven/"_s);
        QCOMPARE(back.maxUndo, 42);
        QCOMPARE(back.columnWidths.value(1).value(0), 211);
        KavenWindowSettings placement;
        OptionsStore::LoadWindowSettings(placement);
        QVERIFY(placement.hasPlacement());
        // The bars keep their state across runs; a stored rectangle whose right edge is not right of its
        // left edge is no placement.
        setPlacement(100, 0, 100, 0);
        showForm();
        QVERIFY(m_form->findChild<QToolBar*>(u"ToolsTB"_s)->isVisible());
        QVERIFY(!m_form->findChild<QToolBar*>(u"HistoryTB"_s)->isVisible() && !act("HistoryBar1")->isChecked());
        QCOMPARE(m_form->size(), layoutSize);
        m_form->close();
        m_form.reset();
        setPlacement(10, 20, 650, 500);
        showForm();
        QCOMPARE(m_form->size(), QSize(640, 480));
    }

    // Expanding loads the children sorted and drops the mark of a key whose only subkey went meanwhile;
    // the keypad star expands the selected node's whole subtree and nothing beside it; Escape stops a walk.
    void expandLoadsChildren()
    {
        QVERIFY(makeKey(Sub + u"\\Alpha\\Eins\\Tief\\Tiefer"_s) && makeKey(Sub + u"\\Alpha\\Zwei\\Weg"_s));
        showForm();
        const QModelIndex alpha = openPath(Base + u"\\Alpha"_s);
        KeyTreeModel& tree = m_form->treeModel();
        QTreeView* view = m_form->keyTree();
        QCOMPARE(childTexts(tree, alpha), (QStringList{"Eins", "Zwei"}));
        const QModelIndex zwei = tree.index(1, 0, alpha);
        const QModelIndex beta = tree.findChild(alpha.parent(), u"Beta"_s);
        m_form->settleVisibleMarks();
        QVERIFY(tree.hasChildren(zwei) && !tree.hasChildren(beta));
        removeKey(u"\\Alpha\\Zwei\\Weg"_s); // by another process, before the first expansion
        view->expand(zwei);
        QVERIFY(!tree.hasChildren(zwei) && tree.rowCount(zwei) == 0);
        view->collapse(alpha);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Asterisk, Qt::KeypadModifier);
        const QModelIndex tief = tree.findChild(tree.findChild(alpha, u"Eins"_s), u"Tief"_s);
        QVERIFY(view->isExpanded(alpha) && tief.isValid() && view->isExpanded(tief));
        const QModelIndex tiefer = tree.findChild(tief, u"Tiefer"_s);
        QVERIFY(tiefer.isValid() && !tree.hasChildren(tiefer));
        QVERIFY(!tree.childrenLoaded(beta));
        EscapeProgress progress;
        QVERIFY(!progress.abortRequested());
        QTest::keyClick(view, Qt::Key_Escape);
        QVERIFY(progress.abortRequested());
    }

    void refreshStopsWhereCancelled()
    {
        QVERIFY(makeKey(Sub + u"\\Beta\\B1"_s));
        showForm();
        KeyTreeModel& tree = m_form->treeModel();
        const QPersistentModelIndex a = openPath(Base + u"\\Alpha"_s);
        const QPersistentModelIndex b = openPath(Base + u"\\Beta"_s);
        QCOMPARE(childTexts(tree, a), (QStringList{"Eins", "Zwei"}));
        removeKey(u"\\Alpha\\Zwei"_s);
        removeKey(u"\\Beta\\B1"_s);
        // Count the nodes up to and including Alpha: the walk stops right after it.
        int position = 0;
        for (QModelIndex n = tree.index(0, 0, tree.index(0, 0)); n != a; n = TreeStateFile::nextInTreeOrder(tree, n))
            ++position;
        ScriptedProgress progress(position + 2);
        QCOMPARE(RefreshTree(tree, b, progress), QModelIndex(b));
        QCOMPARE(childTexts(tree, a), QStringList{"Eins"});
        QCOMPARE(childTexts(tree, b), QStringList{"B1"}); // not reached
        ScriptedProgress full;
        (void)RefreshTree(tree, b, full);
        QVERIFY(childTexts(tree, b).isEmpty() && !tree.hasChildren(b));
    }

    void renameKeyRules_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("inRegistry");
        QTest::addColumn<int>("messages");
        QTest::newRow("new name") << "Neu" << "Neu" << "Neu" << 0;
        QTest::newRow("backslash") << "A\\B" << "Beta" << "Beta" << 0;
        QTest::newRow("empty") << "" << "Beta" << "Beta" << 0;
        QTest::newRow("other case") << "BETA" << "BETA" << "Beta" << 0;
        QTest::newRow("sibling exists") << "Alpha" << "Beta" << "Beta" << 1;
    }
    void renameKeyRules()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, inRegistry);
        showEdit(u"\\Beta"_s, {});
        renameKey(typed);
        QVERIFY(childTexts(m_form->treeModel(), openPath(Base)).contains(shown));
        QTEST(m_sink->count(), "messages");
        // Names compare without case in the registry: look for the exact stored spelling.
        QVERIFY2(subKeys(Sub).contains(inRegistry), qPrintable(subKeys(Sub).join(u',')));
        QVERIFY(has(u'\\' + inRegistry, u"s"_s));
    }

    // A new value starts its rename, both undone in two steps; the value list's own commands and deletion.
    void newValueAndActivation()
    {
        showEdit(u"\\Beta"_s, {});
        m_form->NewDWordClick();
        QVERIFY(m_form->valueEditor()->isEditing());
        m_form->valueEditor()->setText(u"Zahl"_s);
        m_form->valueEditor()->commit();
        QVERIFY(has(u"\\Beta"_s, u"Zahl"_s));
        act("Undo1")->trigger(); // the rename
        act("Undo1")->trigger(); // the new value
        QVERIFY(!has(u"\\Beta"_s, u"Neuer Wert #1"_s) && !has(u"\\Beta"_s, u"Zahl"_s));
        // The default value's row cannot be renamed.
        selectRows({0});
        QVERIFY(!act("Rename1")->isEnabled());
        m_form->RenameClick();
        QVERIFY(!m_form->valueEditor()->isEditing());
        // Double-click and Enter on a value open its editor through the change command.
        int opened = 0;
        m_edit->editDWord = [&opened](const QString&, quint32&) { return ++opened < 0; };
        QTreeView* list = m_form->valueList();
        const QRect cell = list->visualRect(m_form->valueModel().index(m_form->valueModel().findValue("d"), 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center()); // a double-click's first click
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(opened, 1);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(opened, 2);
        // Deleting asks with the number of values.
        QVERIFY(setValue(Sub + u"\\Beta"_s, QString(), REG_SZ, sz("std")));
        m_form->RefreshTree();
        ValueListModel& values = m_form->valueModel();
        list->setFocus();
        list->selectAll();
        QCOMPARE(deleteAnswering(MessageAnswer::No), u"4 Werte wirklich löschen?"_s);
        QCOMPARE(values.rowCount(), 4);
        selectRows({1}); // after the default value: b, d, s
        QCOMPARE(deleteAnswering(MessageAnswer::Yes), u"Wert 'b' wirklich löschen?"_s);
        QCOMPARE(values.rowCount(), 3);
        QVERIFY(!has(u"\\Beta"_s, u"b"_s));
        list->selectAll();
        QCOMPARE(deleteAnswering(MessageAnswer::Yes), u"3 Werte wirklich löschen?"_s);
        // The default value's row stays, reset to "not set".
        QCOMPARE(values.rowCount(), 1);
        QCOMPARE(values.row(0), ValueListModel::unsetDefaultRow());
        QVERIFY(!has(u"\\Beta"_s, QString()));
    }

    void treeStateFileAndRefresh()
    {
        showForm();
        m_form->selectNode(m_form->treeModel().index(1, 0, openPath(Base + u"\\Alpha"_s))); // Zwei, not expanded
        const QString file = DataFile(u"Lokaler PC.tmp"_s);
        QVERIFY(m_form->saveTreeState(file));
        QByteArray data = readFile(file);
        const QList<QByteArray> lines = data.split('\n');
        // Machine node, the five root keys, HKEY_CURRENT_USER's subtree down to Alpha's children.
        QCOMPARE(lines.mid(1, 3), (QList<QByteArray>{"0000000101Arbeitsplatz\r", "0102010100HKEY_CLASSES_ROOT\r",
                                                     "0102010101HKEY_CURRENT_USER\r"}));
        QVERIFY(data.contains("0102040101Alpha\r\n0102050000Eins\r\n0102050000Zwei\r\n"));
        const int zweiLine = int(lines.indexOf(QByteArray("0102050000Zwei\r")));
        QCOMPARE(lines.value(0), QByteArray::number(zweiLine - 1, 16).rightJustified(8, '0').toUpper() + '\r');
        m_form->StandardViewClick();
        QCOMPARE(m_form->CurrentKeyPath(), QString());
        QVERIFY(m_form->loadTreeState(file));
        QCOMPARE(m_form->CurrentKeyPath(), Base + u"\\Alpha\\Zwei"_s);
        QVERIFY(m_form->keyTree()->isExpanded(m_form->selectedNode().parent()));
        QCOMPARE(m_form->statusText(), u"Arbeitsplatz\\"_s + Base + u"\\Alpha\\Zwei"_s);

        // A stored position past the last node selects the first node.
        data.replace(0, 8, "0000FFFF");
        QBuffer broken(&data);
        QVERIFY(broken.open(QIODevice::ReadOnly));
        const QModelIndex selected = TreeStateFile::read(m_form->treeModel(), broken); // rebuilds the tree
        QCOMPARE(selected, m_form->treeModel().index(0, 0));
        QVERIFY(!m_form->loadTreeState(DataFile(u"fehlt.tmp"_s)));

        // A refresh follows keys that other processes removed or made.
        KeyTreeModel& tree = m_form->treeModel();
        openPath(Base + u"\\Alpha\\Zwei"_s);
        removeKey(u"\\Alpha\\Zwei"_s);
        QVERIFY(makeKey(Sub + u"\\Alpha\\Drei\\Tief"_s) && makeKey(Sub + u"\\Gamma"_s));
        m_form->RefreshTree();
        // The vanished key's parent is selected and its values shown.
        QCOMPARE(m_form->CurrentKeyPath(), Base + u"\\Alpha"_s);
        const QModelIndex alpha = openPath(Base + u"\\Alpha"_s);
        QCOMPARE(childTexts(tree, alpha), (QStringList{"Drei", "Eins"}));
        QVERIFY(tree.hasChildrenMark(tree.index(0, 0, alpha)));
        QCOMPARE(childTexts(tree, alpha.parent()), (QStringList{"Alpha", "Beta", "Gamma"}));
        removeKey(u"\\Alpha"_s);
        m_form->RefreshTree();
        QCOMPARE(m_form->CurrentKeyPath(), Base);
    }

    void exportAndImportCommands()
    {
        showEdit(u"\\Beta"_s, {});
        QString askedWith; // the branch field starts with the selected key
        m_form->askExportFile = [&](TMainForm::ExportChoice& choice) {
            askedWith = choice.branchPath;
            choice.fileName = m_store->dirPath() + u"/export.txt"_s;
            choice.currentBranch = true;
            return true;
        };
        m_form->ExportRegFileClick();
        QCOMPARE(askedWith, Base + u"\\Beta"_s);
        const QString written = m_store->dirPath() + u"/export.reg"_s;
        QVERIFY(readFile(written).startsWith("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\KavenTest\\Beta]\r\n"));
        removeKey(u"\\Beta"_s);
        m_sink->pushFileName(written);
        m_form->ImportRegFileClick(); // the tree follows the import
        QVERIFY(m_form->treeModel().findChild(openPath(Base), u"Beta"_s).isValid());
        Options().rootExport.fill(false);
        askedWith.clear();
        m_form->ExportRegFileClick();
        QVERIFY(askedWith.isEmpty());
        QCOMPARE(m_sink->last().text, u"Fehler: Es gibt nichts zu sichern."_s);
    }

    void cutAndPasteValuesAndKeys()
    {
        showEdit(u"\\Beta"_s, {"s", "d"});
        QGuiApplication::clipboard()->setText(u"Text"_s);
        QVERIFY(!act("Paste1")->isEnabled());
        // Another program putting values on the clipboard enables paste without any action here.
        auto* data = new QMimeData;
        data->setData(QString::fromLatin1(ValueClipFormat), EncodeValueClip({}));
        QGuiApplication::clipboard()->setMimeData(data);
        QTRY_VERIFY(act("Paste1")->isEnabled());
        QGuiApplication::clipboard()->clear();
        QTRY_VERIFY(!act("Paste1")->isEnabled());
        m_edit->CutClick();
        QCOMPARE(m_sink->count(), 0); // a cut does not ask
        QVERIFY(!has(u"\\Beta"_s, "d"));
        QVERIFY(openPath(Base + u"\\Alpha"_s).isValid());
        selectRows({});
        QVERIFY(act("Paste1")->isEnabled());
        m_edit->PasteClick();
        QCOMPARE(value(Sub + u"\\Alpha"_s, "d"), qMakePair(DWORD(REG_DWORD), Dword1A));
        m_edit->UndoClick(); // the pasted values go
        QVERIFY(!has(u"\\Alpha"_s, "d"));
        m_edit->UndoClick(); // the cut values come back
        QCOMPARE(value(Sub + u"\\Beta"_s, "d"), qMakePair(DWORD(REG_DWORD), Dword1A));
        // A cut key moves; it stays until pasted and the tree follows.
        openKeyNode(u"\\Alpha\\Eins"_s);
        m_edit->CutClick();
        QVERIFY(exists(Sub + u"\\Alpha\\Eins"_s));
        openKeyNode(u"\\Beta"_s);
        m_edit->PasteClick();
        QVERIFY(exists(Sub + u"\\Beta\\Eins"_s));
        const QModelIndex alpha = m_form->treeModel().findChild(openPath(Base), u"Alpha"_s);
        QVERIFY(!m_form->treeModel().findChild(alpha, u"Eins"_s).isValid());
    }

    // Question and error boxes raised while a walk holds off the window's input answer to the mouse and
    // the keyboard: the paste of a key, and an operation behind the progress dialog.
    void boxesInsideLongOperationsAnswer()
    {
        QtMessageSink boxes;
        setMessageSink(&boxes);
        const auto restore = qScopeGuard([this] { setMessageSink(m_sink.get()); });
        QVERIFY(makeKey(Sub + u"\\Alpha\\Beta"_s));
        showForm();
        openKeyNode(u"\\Beta"_s);
        m_edit->CopyClick();
        QStringList seen;
        const auto record = [&seen](QMessageBox* box) { seen << box->text(); };
        const auto click = [](QMessageBox::StandardButton button) {
            return [button](QMessageBox* box) { QTest::mouseClick(box->button(button), Qt::LeftButton); };
        };
        openKeyNode(u"\\Alpha"_s);
        answerBox(record, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
        m_edit->PasteClick();
        QCOMPARE(value(Sub + u"\\Alpha\\Beta"_s, "s"), qMakePair(DWORD(REG_SZ), sz("abc")));
        openKeyNode(u"\\Beta"_s);
        answerBox(record, click(QMessageBox::Ok));
        m_edit->PasteClick();
        {
            DialogProgress progress(m_form.get(), u"Datenimport läuft ..."_s, QString(), QString());
            answerBox(record, click(QMessageBox::Yes));
            QVERIFY(AskYesNo(u"Weiter?"_s));
        }
        QCOMPARE(seen, (QStringList{u"Schlüssel existiert bereits. Überschreiben?"_s,
                                    u"Fehler: Ein Schlüssel kann nicht in sich selbst kopiert werden."_s,
                                    u"Weiter?"_s}));
    }

    // A typed path opens its key in any case and with a trailing backslash, an alias its key unless a key
    // of that name exists; a missing key is refused.
    void typedPathOpensKey()
    {
        const QString data = m_store->dirPath() + u"/kaven"_s;
        QVERIFY(QDir().mkpath(data)
                && AliasFile::save({{"HKEY_USERS", Base}, {"Notiz", Base + u"\\Beta"_s}}, data + u"/alias.dat"_s));
        showForm();
        auto* history = m_form->findChild<QComboBox*>(u"HistoryComboBox"_s);
        const std::pair<const char*, QString> cases[] = {
            {"hkcu\\software\\kaventest\\alpha\\", Base + u"\\Alpha"_s}, {"notiz", Base + u"\\Beta"_s},
            {"HKEY_USERS", u"HKEY_USERS"_s}, {"HKCU\\Software\\KavenTest\\Nichts", u"HKEY_USERS"_s}};
        for (const auto& [typed, opened] : cases) {
            history->setFocus();
            history->setEditText(QString());
            QTest::keyClicks(history, QString::fromLatin1(typed));
            QTest::keyClick(history, Qt::Key_Return);
            QCOMPARE(m_form->CurrentKeyPath(), opened);
        }
        QCOMPARE(m_sink->texts(), QStringList{u"Fehler: Kann Schlüssel nicht öffnen."_s});
    }

    // Keys and values in the user's order, whatever order they were made in; the key commands by level.
    void treeOrderAndKeyCommands()
    {
        for (const char* utf8 : {"zebra", "Birne", "_unter", "9", "Äpfel", "10", "apfel"}) {
            const QString name = QString::fromUtf8(utf8);
            QVERIFY(makeKey(Sub + u"\\Order\\"_s + name) && setValue(Sub + u"\\Order"_s, name, REG_SZ, sz("x")));
        }
        showForm();
        const QStringList sorted{"10", "9", "apfel", "Äpfel", "Birne", "_unter", "zebra"};
        QCOMPARE(childTexts(m_form->treeModel(), openPath(Base + u"\\Order"_s)), sorted);
        QStringList rows;
        for (int r = 1; r < m_form->valueModel().rowCount(); ++r)
            rows << m_form->valueModel().row(r).valueName();
        QCOMPARE(rows, sorted);
        // The key commands enabled at each level of the tree.
        const std::pair<QString, QString> levels[] = {{QString(), u""_s},
                                                      {u"HKEY_CURRENT_USER"_s, u"NewKey1 NewString1 NewDWord1"_s},
                                                      {u"HKEY_CURRENT_USER\\Software"_s,
                                                       u"NewKey1 Delete1 Rename1 NewString1 NewDWord1"_s}};
        for (const auto& [path, expected] : levels) {
            m_form->selectNode(path.isEmpty() ? m_form->treeModel().index(0, 0) : openPath(path));
            focusKeys();
            QStringList enabled;
            for (const char* name : {"NewKey1", "Delete1", "Rename1", "NewString1", "NewDWord1"})
                if (act(name)->isEnabled())
                    enabled << QString::fromLatin1(name);
            QCOMPARE(enabled.join(u' '), expected);
        }
    }

    // The history follows keys renamed or deleted in the window.
    void historyFollowsRenameAndDelete()
    {
        showForm();
        for (const char* key : {"\\Alpha\\Eins", "\\Beta", "\\Alpha"})
            openPath(Base + QLatin1String(key));
        renameKey(u"Gamma"_s);
        auto* history = m_form->findChild<QComboBox*>(u"HistoryComboBox"_s);
        const auto entries = [history] {
            QStringList texts;
            for (int i = 0; i < history->count(); ++i)
                texts << history->itemText(i).mid(Base.size());
            return texts;
        };
        QCOMPARE(entries(), (QStringList{"\\Gamma\\Eins", "\\Beta", "\\Gamma"}));
        openKeyNode(u"\\Beta"_s);
        QCOMPARE(deleteAnswering(MessageAnswer::No), u"Schlüssel 'Beta' wirklich löschen?"_s);
        QVERIFY(KeyExists(Base + u"\\Beta"_s));
        (void)deleteAnswering(MessageAnswer::Yes);
        QVERIFY(!KeyExists(Base + u"\\Beta"_s));
        QCOMPARE(m_form->CurrentKeyPath(), Base);
        QCOMPARE(entries(), (QStringList{"\\Gamma\\Eins", "\\Gamma", ""}));
    }

private:
    void showForm()
    {
        m_form = std::make_unique<TMainForm>();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_edit = m_form->editCommands();
    }

    // Shows the window with the key below the test key selected and the named values selected.
    void showEdit(const QString& key, const QStringList& names)
    {
        showForm();
        QVERIFY(openPath(Base + key).isValid());
        QList<int> rows;
        for (const QString& name : names)
            rows << m_form->valueModel().findValue(name);
        selectRows(rows);
    }

    void focusKeys()
    {
        m_form->keyTree()->setFocus();
        m_form->UpdateCommands();
    }

    // Selects the key below the test key with the focus in the tree, as the key commands want it.
    void openKeyNode(const QString& key)
    {
        QVERIFY(openPath(Base + key).isValid());
        focusKeys();
    }

    void renameKey(const QString& typed)
    {
        m_form->keyTree()->setFocus();
        m_form->RenameClick();
        QVERIFY(m_form->keyEditor()->isEditing());
        m_form->keyEditor()->setText(typed);
        m_form->keyEditor()->commit();
    }

    // Deletes the selection in the focused list, answering the question; returns the question.
    QString deleteAnswering(MessageAnswer answer)
    {
        m_sink->pushAnswer(answer);
        m_form->DeleteClick();
        return m_sink->last().text;
    }

    void setPlacement(int left, int top, int right, int bottom)
    {
        const auto dword = [](int v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
        const std::pair<const char*, int> values[] = {
            {"WinNormPosLeft", left}, {"WinNormPosTop", top}, {"WinNormPosRight", right}, {"WinNormPosBottom", bottom}};
        for (const auto& [name, v] : values)
            QVERIFY(setValue(OptionsStore::settingsKeyPath(), QString::fromLatin1(name), REG_DWORD, dword(v)));
    }

    [[nodiscard]] QAction* act(const char* name) const { return m_form->action(QString::fromLatin1(name)); }

    // Expands the tree down to path, its node included, and selects that node.
    QModelIndex openPath(const QString& path)
    {
        KeyTreeModel& tree = m_form->treeModel();
        QModelIndex node = tree.index(0, 0);
        for (const QString& part : path.split(u'\\')) {
            m_form->keyTree()->expand(node);
            tree.loadChildren(node);
            node = tree.findChild(node, part);
            if (!node.isValid())
                return {};
        }
        m_form->keyTree()->expand(node);
        m_form->selectNode(node);
        return node;
    }

    void selectRows(const QList<int>& rows)
    {
        QTreeView* list = m_form->valueList();
        list->setFocus();
        list->clearSelection();
        for (int row : rows)
            list->selectionModel()->select(m_form->valueModel().index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        m_form->UpdateCommands();
    }

    std::optional<TempStore> m_store;
    std::unique_ptr<RecordingMessageSink> m_sink;
    std::unique_ptr<TMainForm> m_form;
    EditCommands* m_edit = nullptr;
};

QTEST_MAIN(TestMainForm)
#include "TestMainForm.moc"
