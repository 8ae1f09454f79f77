#include "registry/RegTestKeys.h"

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

namespace {

const QString Sub = QStringLiteral("Software\\KavenTest");
const QString Base = QStringLiteral("HKEY_CURRENT_USER\\Software\\KavenTest");
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
        QVERIFY(makeKey(Sub + QStringLiteral("\\Alpha\\Eins")));
        QVERIFY(makeKey(Sub + QStringLiteral("\\Alpha\\Zwei")));
        QVERIFY(setValue(Sub + QStringLiteral("\\Beta"), QStringLiteral("s"), REG_SZ, sz("abc")));
        QVERIFY(setValue(Sub + QStringLiteral("\\Beta"), QStringLiteral("d"), REG_DWORD, Dword1A));
        QVERIFY(setValue(Sub + QStringLiteral("\\Beta"), QStringLiteral("b"), REG_BINARY, QByteArray("\x01\xFF", 2)));
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
        const QString userDir = m_store->dirPath() + QStringLiteral("/kaven/");
        QCOMPARE(Options().dataPath, userDir.chopped(1));
        QCOMPARE(Options().structPath, userDir.chopped(1));
        QVERIFY(QFileInfo(Options().dataPath).isDir());
        QCOMPARE(Options().favoriteFile, userDir + QStringLiteral("favorite.fav"));
        m_form.reset();
        Options() = KavenOptions{};

        const QString custom = m_store->dirPath() + QStringLiteral("/eigene");
        QVERIFY(setValue(OptionsStore::settingsKeyPath(), QStringLiteral("DataPath"), REG_SZ, custom.toUtf8() + '\0'));
        QVERIFY(setValue(OptionsStore::settingsKeyPath(), QStringLiteral("LV1ColWidth2"), REG_DWORD,
                         QByteArray("\x2B\x01\0\0", 4)));
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
        QCOMPARE(m_form->statusText(), QStringLiteral("Arbeitsplatz"));
        QCOMPARE(m_form->pageCountText(), QStringLiteral(" Information "));
    }

    void shutdownWritesSettingsAndRemovesTreeStateFiles()
    {
        showForm();
        const QSize layoutSize = m_form->size();
        const QString state = DataFile(QStringLiteral("Lokaler PC.tmp"));
        const QString copyState = DataFile(QStringLiteral("copyLokaler PC.tmp"));
        QVERIFY(m_form->saveTreeState(state));
        QVERIFY(QFile(state).copy(copyState));
        Options().maxUndo = 42;
        m_form->valueList()->setColumnWidth(0, 211);
        m_form->action(QStringLiteral("HistoryBar1"))->setChecked(false);
        closeForm();
        QVERIFY(!QFile::exists(state));
        QVERIFY(!QFile::exists(copyState));
        KavenOptions back;
        back.columnWidths[1] = {0, 0, 0, 0};
        OptionsStore::LoadOptions(back, m_store->dirPath() + QStringLiteral("/kaven/"));
        QCOMPARE(back.maxUndo, 42);
        QCOMPARE(back.columnWidths.value(1).value(0), 211);
        KavenWindowSettings placement;
        OptionsStore::LoadWindowSettings(placement);
        QVERIFY(placement.hasPlacement());
        // The bars keep their state across runs; a stored rectangle whose right edge is not right of its
        // left edge is no placement.
        setPlacement(100, 0, 100, 0);
        showForm();
        QVERIFY(m_form->findChild<QToolBar*>(QStringLiteral("ToolsTB"))->isVisible());
        QVERIFY(!m_form->findChild<QToolBar*>(QStringLiteral("HistoryTB"))->isVisible());
        QVERIFY(!act("HistoryBar1")->isChecked());
        QCOMPARE(m_form->size(), layoutSize);
        closeForm();
        setPlacement(10, 20, 650, 500);
        showForm();
        QCOMPARE(m_form->size(), QSize(640, 480));
    }

    // Expanding loads the children sorted and drops the mark of a key whose only subkey went meanwhile;
    // the keypad star expands the selected node's whole subtree and nothing beside it; Escape stops a walk.
    void expandLoadsChildren()
    {
        QVERIFY(makeKey(Sub + QStringLiteral("\\Alpha\\Eins\\Tief\\Tiefer")));
        QVERIFY(makeKey(Sub + QStringLiteral("\\Alpha\\Zwei\\Weg")));
        showForm();
        const QModelIndex alpha = openPath(Base + QStringLiteral("\\Alpha"));
        KeyTreeModel& tree = m_form->treeModel();
        QCOMPARE(childTexts(tree, alpha), (QStringList{"Eins", "Zwei"}));
        const QModelIndex zwei = tree.index(1, 0, alpha);
        const QModelIndex beta = tree.findChild(alpha.parent(), QStringLiteral("Beta"));
        m_form->settleVisibleMarks();
        QVERIFY(tree.hasChildren(zwei) && !tree.hasChildren(beta));
        removeKey(QStringLiteral("\\Alpha\\Zwei\\Weg")); // by another process, before the first expansion
        m_form->keyTree()->expand(zwei);
        QVERIFY(!tree.hasChildren(zwei));
        QCOMPARE(tree.rowCount(zwei), 0);

        m_form->keyTree()->collapse(alpha);
        m_form->keyTree()->setFocus();
        QTest::keyClick(m_form->keyTree(), Qt::Key_Asterisk, Qt::KeypadModifier);
        const QModelIndex tief = tree.findChild(tree.findChild(alpha, QStringLiteral("Eins")), QStringLiteral("Tief"));
        QVERIFY(m_form->keyTree()->isExpanded(alpha));
        QVERIFY(tief.isValid() && m_form->keyTree()->isExpanded(tief));
        const QModelIndex tiefer = tree.findChild(tief, QStringLiteral("Tiefer"));
        QVERIFY(tiefer.isValid() && !tree.hasChildren(tiefer));
        QVERIFY(!tree.childrenLoaded(beta));
        EscapeProgress progress;
        QVERIFY(!progress.abortRequested());
        QTest::keyClick(m_form->keyTree(), Qt::Key_Escape);
        QVERIFY(progress.abortRequested());
    }

    void refreshFollowsOtherProcesses()
    {
        showForm();
        const QModelIndex alpha = openPath(Base + QStringLiteral("\\Alpha"));
        KeyTreeModel& tree = m_form->treeModel();
        m_form->selectNode(tree.findChild(alpha, QStringLiteral("Zwei")));
        removeKey(QStringLiteral("\\Alpha\\Zwei"));
        QVERIFY(makeKey(Sub + QStringLiteral("\\Alpha\\Drei\\Tief")));
        QVERIFY(makeKey(Sub + QStringLiteral("\\Gamma")));
        m_form->RefreshTree();
        const QModelIndex alphaNow = openPath(Base + QStringLiteral("\\Alpha"));
        QCOMPARE(childTexts(tree, alphaNow), (QStringList{"Drei", "Eins"}));
        QVERIFY(tree.hasChildrenMark(tree.index(0, 0, alphaNow)));
        // The vanished key's parent is selected and its values shown.
        QCOMPARE(m_form->CurrentKeyPath(), Base + QStringLiteral("\\Alpha"));
        QCOMPARE(childTexts(tree, alphaNow.parent()), (QStringList{"Alpha", "Beta", "Gamma"}));
        removeKey(QStringLiteral("\\Alpha"));
        m_form->RefreshTree();
        QCOMPARE(m_form->CurrentKeyPath(), Base);
    }

    void refreshStopsWhereCancelled()
    {
        QVERIFY(makeKey(Sub + QStringLiteral("\\Beta\\B1")));
        showForm();
        KeyTreeModel& tree = m_form->treeModel();
        const QPersistentModelIndex a = openPath(Base + QStringLiteral("\\Alpha"));
        const QPersistentModelIndex b = openPath(Base + QStringLiteral("\\Beta"));
        QCOMPARE(childTexts(tree, a), (QStringList{"Eins", "Zwei"}));
        removeKey(QStringLiteral("\\Alpha\\Zwei"));
        removeKey(QStringLiteral("\\Beta\\B1"));
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
        QCOMPARE(childTexts(tree, b), QStringList{});
        QVERIFY(!tree.hasChildren(b));
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
        QFETCH(QString, inRegistry);
        showEdit(QStringLiteral("\\Beta"), {});
        m_form->keyTree()->setFocus();
        m_form->RenameClick();
        QVERIFY(m_form->keyEditor()->isEditing());
        m_form->keyEditor()->setText(typed);
        m_form->keyEditor()->commit();
        QFETCH(QString, shown);
        QVERIFY(childTexts(m_form->treeModel(), openPath(Base)).contains(shown));
        QTEST(m_sink->count(), "messages");
        // Names compare without case in the registry: look for the exact stored spelling.
        QVERIFY2(subKeys(Sub).contains(inRegistry), qPrintable(subKeys(Sub).join(QLatin1Char(','))));
        QVERIFY(has(QLatin1Char('\\') + inRegistry, QStringLiteral("s")));
    }

    void deleteValuesAsksWithCount()
    {
        showEdit(QStringLiteral("\\Beta"), {});
        QVERIFY(setValue(Sub + QStringLiteral("\\Beta"), QString(), REG_SZ, sz("std")));
        m_form->RefreshTree();
        ValueListModel& list = m_form->valueModel();
        QCOMPARE(list.rowCount(), 4);
        m_form->valueList()->setFocus();
        m_form->valueList()->selectAll();
        m_sink->pushAnswer(MessageAnswer::No);
        m_form->DeleteClick();
        QCOMPARE(m_sink->last().text, QStringLiteral("4 Werte wirklich löschen?"));
        QCOMPARE(list.rowCount(), 4);

        selectRows({1});
        m_sink->pushAnswer(MessageAnswer::Yes);
        const QString name = list.row(1).caption;
        m_form->DeleteClick();
        QCOMPARE(m_sink->last().text, QStringLiteral("Wert '") + name + QStringLiteral("' wirklich löschen?"));
        QCOMPARE(list.rowCount(), 3);
        QVERIFY(!has(QStringLiteral("\\Beta"), name));

        m_form->valueList()->selectAll();
        m_sink->pushAnswer(MessageAnswer::Yes);
        m_form->DeleteClick();
        QCOMPARE(m_sink->last().text, QStringLiteral("3 Werte wirklich löschen?"));
        // The default value's row stays, reset to "not set".
        QCOMPARE(list.rowCount(), 1);
        QCOMPARE(list.row(0), ValueListModel::unsetDefaultRow());
        QVERIFY(!has(QStringLiteral("\\Beta"), QString()));
    }

    void newValueStartsRenameAndIsUndoable()
    {
        showEdit(QStringLiteral("\\Beta"), {});
        m_form->NewDWordClick();
        QVERIFY(m_form->valueEditor()->isEditing());
        m_form->valueEditor()->setText(QStringLiteral("Zahl"));
        m_form->valueEditor()->commit();
        QVERIFY(has(QStringLiteral("\\Beta"), QStringLiteral("Zahl")));
        act("Undo1")->trigger(); // the rename
        act("Undo1")->trigger(); // the new value
        QVERIFY(!has(QStringLiteral("\\Beta"), QStringLiteral("Neuer Wert #1")));
        QVERIFY(!has(QStringLiteral("\\Beta"), QStringLiteral("Zahl")));
        // The default value's row cannot be renamed.
        selectRows({0});
        QVERIFY(!act("Rename1")->isEnabled());
        m_form->RenameClick();
        QVERIFY(!m_form->valueEditor()->isEditing());
    }

    void keyCommandsByLevel_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("newKey");
        QTest::addColumn<bool>("deleteKey");
        QTest::addColumn<bool>("newValue");
        QTest::newRow("machine") << QString() << false << false << false;
        QTest::newRow("root key") << "HKEY_CURRENT_USER" << true << false << true;
        QTest::newRow("subkey") << "HKEY_CURRENT_USER\\Software" << true << true << true;
    }
    void keyCommandsByLevel()
    {
        QFETCH(QString, path);
        QFETCH(bool, deleteKey);
        QFETCH(bool, newValue);
        showForm();
        m_form->selectNode(path.isEmpty() ? m_form->treeModel().index(0, 0) : openPath(path));
        focusKeys();
        QTEST(act("NewKey1")->isEnabled(), "newKey");
        QCOMPARE(act("Delete1")->isEnabled(), deleteKey);
        QCOMPARE(act("Rename1")->isEnabled(), deleteKey);
        QCOMPARE(act("NewString1")->isEnabled(), newValue);
        QCOMPARE(act("NewDWord1")->isEnabled(), newValue);
    }

    void treeStateFileRoundTrip()
    {
        showForm();
        const QModelIndex alpha = openPath(Base + QStringLiteral("\\Alpha"));
        m_form->selectNode(m_form->treeModel().index(1, 0, alpha)); // Zwei
        const QString file = DataFile(QStringLiteral("Lokaler PC.tmp"));
        QVERIFY(m_form->saveTreeState(file));
        QByteArray data = readFile(file);
        const QList<QByteArray> lines = data.split('\n');
        // Machine node, the five root keys, HKEY_CURRENT_USER's subtree down to Alpha's children.
        QCOMPARE(lines.value(1), QByteArray("0000000101Arbeitsplatz\r"));
        QCOMPARE(lines.value(2), QByteArray("0102010100HKEY_CLASSES_ROOT\r"));
        QCOMPARE(lines.value(3), QByteArray("0102010101HKEY_CURRENT_USER\r"));
        QVERIFY(data.contains("0102040101Alpha\r\n0102050000Eins\r\n0102050000Zwei\r\n"));
        const int zweiLine = int(lines.indexOf(QByteArray("0102050000Zwei\r")));
        QCOMPARE(lines.value(0), QByteArray::number(zweiLine - 1, 16).rightJustified(8, '0').toUpper() + '\r');

        m_form->StandardViewClick();
        QCOMPARE(m_form->CurrentKeyPath(), QString());
        QVERIFY(m_form->loadTreeState(file));
        QCOMPARE(m_form->CurrentKeyPath(), Base + QStringLiteral("\\Alpha\\Zwei"));
        QVERIFY(m_form->keyTree()->isExpanded(m_form->selectedNode().parent()));
        QCOMPARE(m_form->statusText(), QStringLiteral("Arbeitsplatz\\") + Base + QStringLiteral("\\Alpha\\Zwei"));

        // A stored position past the last node selects the first node.
        data.replace(0, 8, "0000FFFF");
        QBuffer broken(&data);
        QVERIFY(broken.open(QIODevice::ReadOnly));
        const QModelIndex selected = TreeStateFile::read(m_form->treeModel(), broken); // rebuilds the tree
        QCOMPARE(selected, m_form->treeModel().index(0, 0));
        QVERIFY(!m_form->loadTreeState(DataFile(QStringLiteral("fehlt.tmp"))));
    }

    void exportAndImportCommands()
    {
        showEdit(QStringLiteral("\\Beta"), {});
        bool asked = false;
        m_form->askExportFile = [&](TMainForm::ExportChoice& choice) {
            asked = true;
            // The branch field starts with the selected key.
            [&] { QCOMPARE(choice.branchPath, Base + QStringLiteral("\\Beta")); }();
            choice.fileName = m_store->dirPath() + QStringLiteral("/export.txt");
            choice.currentBranch = true;
            return true;
        };
        m_form->ExportRegFileClick();
        QVERIFY(asked);
        const QString written = m_store->dirPath() + QStringLiteral("/export.reg");
        QVERIFY(readFile(written).startsWith("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\KavenTest\\Beta]\r\n"));

        removeKey(QStringLiteral("\\Beta"));
        m_sink->pushFileName(written);
        m_form->ImportRegFileClick(); // the tree follows the import
        QVERIFY(m_form->treeModel().findChild(openPath(Base), QStringLiteral("Beta")).isValid());

        Options().rootExport.fill(false);
        asked = false;
        m_form->ExportRegFileClick();
        QVERIFY(!asked);
        QCOMPARE(m_sink->last().text, QStringLiteral("Fehler: Es gibt nichts zu sichern."));
    }

    void cutAndPasteValuesAndKeys()
    {
        showEdit(QStringLiteral("\\Beta"), {"s", "d"});
        QGuiApplication::clipboard()->setText(QStringLiteral("Text"));
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
        QVERIFY(!has(QStringLiteral("\\Beta"), "d"));
        QVERIFY(openPath(Base + QStringLiteral("\\Alpha")).isValid());
        selectRows({});
        QVERIFY(act("Paste1")->isEnabled());
        m_edit->PasteClick();
        QCOMPARE(value(Sub + QStringLiteral("\\Alpha"), "d"), qMakePair(DWORD(REG_DWORD), Dword1A));
        m_edit->UndoClick(); // the pasted values go
        QVERIFY(!has(QStringLiteral("\\Alpha"), "d"));
        m_edit->UndoClick(); // the cut values come back
        QCOMPARE(value(Sub + QStringLiteral("\\Beta"), "d"), qMakePair(DWORD(REG_DWORD), Dword1A));
        // A cut key moves.
        QVERIFY(openPath(Base + QStringLiteral("\\Alpha\\Eins")).isValid());
        focusKeys();
        m_edit->CutClick();
        QVERIFY(exists(Sub + QStringLiteral("\\Alpha\\Eins"))); // stays until pasted
        QVERIFY(openPath(Base + QStringLiteral("\\Beta")).isValid());
        focusKeys();
        m_edit->PasteClick();
        QVERIFY(exists(Sub + QStringLiteral("\\Beta\\Eins")));
        const QModelIndex alpha = m_form->treeModel().findChild(openPath(Base), QStringLiteral("Alpha"));
        QVERIFY(!m_form->treeModel().findChild(alpha, QStringLiteral("Eins")).isValid()); // the tree follows
    }

    // Question and error boxes raised while a walk holds off the window's input answer to the mouse and
    // the keyboard: the paste of a key, and an operation behind the progress dialog.
    void boxesInsideLongOperationsAnswer()
    {
        QtMessageSink boxes;
        setMessageSink(&boxes);
        const auto restore = qScopeGuard([this] { setMessageSink(m_sink.get()); });
        QVERIFY(makeKey(Sub + QStringLiteral("\\Alpha\\Beta")));
        showEdit(QStringLiteral("\\Beta"), {});
        focusKeys();
        m_edit->CopyClick();
        QStringList seen;
        const auto record = [&seen](QMessageBox* box) { seen << box->text(); };
        openPath(Base + QStringLiteral("\\Alpha"));
        focusKeys();
        answerBox(record, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
        m_edit->PasteClick();
        QCOMPARE(value(Sub + QStringLiteral("\\Alpha\\Beta"), "s"), qMakePair(DWORD(REG_SZ), sz("abc")));
        openPath(Base + QStringLiteral("\\Beta"));
        focusKeys();
        answerBox(record, [](QMessageBox* box) { QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton); });
        m_edit->PasteClick();
        {
            DialogProgress progress(m_form.get(), QStringLiteral("Datenimport läuft ..."), QString(), QString());
            const auto yes = [](QMessageBox* box) { QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton); };
            answerBox(record, yes);
            QVERIFY(AskYesNo(QStringLiteral("Weiter?")));
        }
        QCOMPARE(seen, (QStringList{QStringLiteral("Schlüssel existiert bereits. Überschreiben?"),
                                    QStringLiteral("Fehler: Ein Schlüssel kann nicht in sich selbst kopiert werden."),
                                    QStringLiteral("Weiter?")}));
    }

    // A typed path opens its key in any case and with a trailing backslash; a missing key is refused.
    void typedPathOpensKey()
    {
        showForm();
        auto* history = m_form->findChild<QComboBox*>(QStringLiteral("HistoryComboBox"));
        for (const char* typed : {"hkcu\\software\\kaventest\\alpha\\", "HKCU\\Software\\KavenTest\\Nichts"}) {
            history->setFocus();
            history->setEditText(QString());
            QTest::keyClicks(history, QString::fromLatin1(typed));
            QTest::keyClick(history, Qt::Key_Return);
            QCOMPARE(m_form->CurrentKeyPath(), Base + QStringLiteral("\\Alpha"));
        }
        QCOMPARE(m_sink->texts(), QStringList{QStringLiteral("Fehler: Kann Schlüssel nicht öffnen.")});
    }

    // Keys and values in the user's order, whatever order they were made in.
    void localeOrder()
    {
        const QStringList sorted{"10", "9", "apfel", "Äpfel", "Birne", "_unter", "zebra"};
        for (const char* utf8 : {"zebra", "Birne", "_unter", "9", "Äpfel", "10", "apfel"}) {
            const QString name = QString::fromUtf8(utf8);
            QVERIFY(makeKey(Sub + QStringLiteral("\\Order\\") + name));
            QVERIFY(setValue(Sub + QStringLiteral("\\Order"), name, REG_SZ, sz("x")));
        }
        showForm();
        const QModelIndex order = openPath(Base + QStringLiteral("\\Order"));
        QCOMPARE(childTexts(m_form->treeModel(), order), sorted);
        QStringList rows;
        for (int r = 1; r < m_form->valueModel().rowCount(); ++r)
            rows << m_form->valueModel().row(r).valueName();
        QCOMPARE(rows, sorted);
    }

    // The history follows keys renamed or deleted in the window.
    void historyFollowsRenameAndDelete()
    {
        showForm();
        openPath(Base + QStringLiteral("\\Alpha\\Eins"));
        openPath(Base + QStringLiteral("\\Beta"));
        openPath(Base + QStringLiteral("\\Alpha"));
        m_form->keyTree()->setFocus();
        m_form->RenameClick();
        m_form->keyEditor()->setText(QStringLiteral("Gamma"));
        m_form->keyEditor()->commit();
        auto* history = m_form->findChild<QComboBox*>(QStringLiteral("HistoryComboBox"));
        const auto entries = [history] {
            QStringList texts;
            for (int i = 0; i < history->count(); ++i)
                texts << history->itemText(i).mid(Base.size());
            return texts;
        };
        QCOMPARE(entries(), (QStringList{"\\Gamma\\Eins", "\\Beta", "\\Gamma"}));
        openPath(Base + QStringLiteral("\\Beta"));
        m_form->keyTree()->setFocus();
        m_form->DeleteClick(); // asked, and No keeps it
        QCOMPARE(m_sink->last().text, QStringLiteral("Schlüssel 'Beta' wirklich löschen?"));
        QVERIFY(KeyExists(Base + QStringLiteral("\\Beta")));
        m_sink->pushAnswer(MessageAnswer::Yes);
        m_form->DeleteClick();
        QVERIFY(!KeyExists(Base + QStringLiteral("\\Beta")));
        QCOMPARE(m_form->CurrentKeyPath(), Base);
        QCOMPARE(entries(), (QStringList{"\\Gamma\\Eins", "\\Gamma", ""}));
    }

    // Double-click and Enter on a value open its editor through the change command.
    void valueActivationOpensEditor()
    {
        showEdit(QStringLiteral("\\Beta"), {"d"});
        int opened = 0;
        m_edit->editDWord = [&opened](const QString&, quint32&) { return ++opened < 0; };
        QTreeView* list = m_form->valueList();
        const QRect cell = list->visualRect(m_form->valueModel().index(m_form->valueModel().findValue("d"), 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center()); // a double-click's first click
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(opened, 1);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(opened, 2);
    }

private:
    void showForm()
    {
        m_form = std::make_unique<TMainForm>();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_edit = m_form->editCommands();
    }

    void closeForm()
    {
        m_form->close();
        m_form.reset();
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
        for (const QString& part : path.split(QLatin1Char('\\'))) {
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
