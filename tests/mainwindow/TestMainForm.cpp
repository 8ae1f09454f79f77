#include "app/KavenVariables405.h"
#include "app/OptionsStore.h"
#include "mainwindow/TMainForm.h"
#include "mainwindow/TreeStateFile.h"
#include "platform/WinReg.h"
#include "registry/KeyTreeModel.h"
#include "registry/RegUtils.h"
#include "registry/ValueListModel.h"
#include "support/RecordingMessageSink.h"
#include "support/TempStore.h"
#include "widgets/EscapeProgress.h"
#include "widgets/InPlaceEditor.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

#include <memory>

namespace {

const QString Base = QStringLiteral("HKEY_CURRENT_USER\\Software\\KavenTest");

HKEY rootOf(const QString& path)
{
    return GetRootKey(path);
}

void makeKey(const QString& path)
{
    HKEY key = 0;
    DWORD disposition = 0;
    QCOMPARE(RegCreateKeyEx(rootOf(path), GetSubKeyPath(path), 0, QString(), 0, KEY_ALL_ACCESS, nullptr, &key,
                            &disposition),
             ERROR_SUCCESS);
    RegCloseKey(key);
}

void setValue(const QString& path, const QString& name, DWORD type, const QByteArray& data)
{
    HKEY key = 0;
    DWORD disposition = 0;
    QCOMPARE(RegCreateKeyEx(rootOf(path), GetSubKeyPath(path), 0, QString(), 0, KEY_ALL_ACCESS, nullptr, &key,
                            &disposition),
             ERROR_SUCCESS);
    QCOMPARE(RegSetValueBytes(key, name, type, data), ERROR_SUCCESS);
    RegCloseKey(key);
}

bool valueExists(const QString& path, const QString& name)
{
    HKEY key = 0;
    if (RegOpenKeyEx(rootOf(path), GetSubKeyPath(path), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    QByteArray data;
    const bool found = RegQueryValueBytes(key, name, &type, &data) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

// Deletes a key (with its subkeys) behind the window's back, as another process would.
void removeKey(const QString& path)
{
    HKEY key = 0;
    if (RegOpenKeyEx(rootOf(path), GetSubKeyPath(path), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    QString name;
    while (RegEnumKey(key, 0, &name, 256) == ERROR_SUCCESS)
        removeKey(path + QLatin1Char('\\') + name);
    RegCloseKey(key);
    QCOMPARE(RegDeleteKey(rootOf(path), GetSubKeyPath(path)), ERROR_SUCCESS);
}

QStringList childTexts(const KeyTreeModel& tree, const QModelIndex& node)
{
    QStringList texts;
    for (int r = 0; r < tree.rowCount(node); ++r)
        texts << tree.text(tree.index(r, 0, node));
    return texts;
}

} // namespace

class TestMainForm final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_store = std::make_unique<TempStore>();
        QVERIFY(m_store->ok());
        KavenVariables405::ProgramDir = m_store->dirPath() + QStringLiteral("/prog/");
        QVERIFY(QDir().mkpath(KavenVariables405::ProgramDir));
        Options() = KavenOptions{};
        m_sink = std::make_unique<RecordingMessageSink>();
        makeKey(Base + QStringLiteral("\\Alpha\\Eins"));
        makeKey(Base + QStringLiteral("\\Alpha\\Zwei"));
        makeKey(Base + QStringLiteral("\\Beta"));
        setValue(Base + QStringLiteral("\\Beta"), QStringLiteral("s"), REG_SZ, QByteArray("abc\0", 4));
        setValue(Base + QStringLiteral("\\Beta"), QStringLiteral("d"), REG_DWORD, QByteArray("\x1A\0\0\0", 4));
        setValue(Base + QStringLiteral("\\Beta"), QStringLiteral("b"), REG_BINARY, QByteArray("\x01\xFF", 2));
    }
    void cleanup()
    {
        m_form.reset();
        m_sink.reset();
        m_store.reset();
    }

    void startBuildsTreeAndReadsSettingsBeforeShowing()
    {
        const QString custom = m_store->dirPath() + QStringLiteral("/eigene");
        setValue(QStringLiteral("HKEY_CURRENT_USER\\") + OptionsStore::settingsKeyPath(), QStringLiteral("DataPath"),
                 REG_SZ, custom.toUtf8() + '\0');
        setValue(QStringLiteral("HKEY_CURRENT_USER\\") + OptionsStore::settingsKeyPath(),
                 QStringLiteral("LV1ColWidth2"), REG_DWORD, QByteArray("\x2B\x01\0\0", 4));
        m_form = std::make_unique<TMainForm>();
        QVERIFY(!m_form->isVisible());
        // The data directory is fixed (and created) by the settings during creation.
        QCOMPARE(Options().dataPath, custom);
        QVERIFY(QFileInfo(custom).isDir());
        QCOMPARE(m_form->valueList()->columnWidth(2), 299);
        // The tree exists before the window shows.
        const KeyTreeModel& tree = m_form->treeModel();
        QCOMPARE(tree.rowCount(), 1);
        QCOMPARE(tree.text(tree.index(0, 0)), QStringLiteral("Arbeitsplatz"));
        QCOMPARE(childTexts(tree, tree.index(0, 0)),
                 (QStringList{"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                              "HKEY_CURRENT_CONFIG"}));
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QCOMPARE(m_form->selectedNode(), tree.index(0, 0));
        QCOMPARE(m_form->statusText(), QStringLiteral("Arbeitsplatz"));
        QCOMPARE(m_form->pageCountText(), QStringLiteral(" Information "));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Kaven 1.0"));
    }

    void shutdownWritesSettingsAndRemovesTreeStateFiles()
    {
        m_form = std::make_unique<TMainForm>();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        const QString state = DataFile(QStringLiteral("Lokaler PC.tmp"));
        const QString copyState = DataFile(QStringLiteral("copyLokaler PC.tmp"));
        QVERIFY(m_form->saveTreeState(state));
        QFile(state).copy(copyState);
        QVERIFY(QFile::exists(copyState));
        Options().maxUndo = 42;
        m_form->valueList()->setColumnWidth(0, 211);
        m_form->close();
        m_form.reset();
        QVERIFY(!QFile::exists(state));
        QVERIFY(!QFile::exists(copyState));
        KavenOptions back;
        back.columnWidths[1] = {0, 0, 0, 0};
        OptionsStore::LoadOptions(back, KavenVariables405::ProgramDir);
        QCOMPARE(back.maxUndo, 42);
        QCOMPARE(back.columnWidths.value(1).value(0), 211);
        KavenWindowSettings placement;
        OptionsStore::LoadWindowSettings(placement);
        QVERIFY(placement.hasPlacement());
    }

    void expandLoadsSortedChildrenAndDropsEmptyMark()
    {
        makeKey(Base + QStringLiteral("\\Alpha\\Eins\\Weg"));
        showForm();
        const QModelIndex alpha = openPath(Base + QStringLiteral("\\Alpha"));
        QVERIFY(alpha.isValid());
        KeyTreeModel& tree = m_form->treeModel();
        QCOMPARE(childTexts(tree, alpha), (QStringList{"Eins", "Zwei"}));
        const QModelIndex eins = tree.index(0, 0, alpha);
        m_form->settleVisibleMarks();
        QVERIFY(tree.hasChildren(eins));
        QVERIFY(!tree.hasChildren(tree.index(1, 0, alpha)));
        // Another process takes the only subkey before the first expansion.
        removeKey(Base + QStringLiteral("\\Alpha\\Eins\\Weg"));
        m_form->keyTree()->expand(eins);
        QVERIFY(!tree.hasChildren(eins));
        QCOMPARE(tree.rowCount(eins), 0);
    }

    void refreshFollowsOtherProcesses()
    {
        showForm();
        const QModelIndex alpha = openPath(Base + QStringLiteral("\\Alpha"));
        KeyTreeModel& tree = m_form->treeModel();
        const QPersistentModelIndex zwei = tree.findChild(alpha, QStringLiteral("Zwei"));
        m_form->selectNode(zwei);
        QCOMPARE(m_form->CurrentKeyPath(), Base + QStringLiteral("\\Alpha\\Zwei"));
        removeKey(Base + QStringLiteral("\\Alpha\\Zwei"));
        makeKey(Base + QStringLiteral("\\Alpha\\Drei\\Tief"));
        makeKey(Base + QStringLiteral("\\Gamma"));
        m_form->RefreshTree();
        const QModelIndex alphaNow = openPath(Base + QStringLiteral("\\Alpha"));
        QCOMPARE(childTexts(tree, alphaNow), (QStringList{"Drei", "Eins"}));
        QVERIFY(tree.hasChildrenMark(tree.index(0, 0, alphaNow)));
        // The vanished key's parent is selected and its values shown.
        QCOMPARE(m_form->CurrentKeyPath(), Base + QStringLiteral("\\Alpha"));
        QCOMPARE(childTexts(tree, tree.index(0, 0, alphaNow).parent().parent()),
                 (QStringList{"Alpha", "Beta", "Gamma"}));
        removeKey(Base + QStringLiteral("\\Alpha"));
        m_form->RefreshTree();
        QCOMPARE(m_form->CurrentKeyPath(), Base);
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
        QFETCH(int, messages);
        showForm();
        const QModelIndex beta = openPath(Base + QStringLiteral("\\Beta"));
        m_form->keyTree()->setFocus();
        m_form->RenameClick();
        QVERIFY(m_form->keyEditor()->isEditing());
        m_form->keyEditor()->setText(typed);
        m_form->keyEditor()->commit();
        const QModelIndex base = openPath(Base);
        QVERIFY(childTexts(m_form->treeModel(), base).contains(shown));
        QCOMPARE(m_sink->count(), messages);
        // Names compare without case in the registry: look for the exact stored spelling.
        HKEY key = 0;
        QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\KavenTest"), 0, KEY_READ, &key),
                 ERROR_SUCCESS);
        QStringList names;
        QString name;
        for (DWORD i = 0; RegEnumKey(key, i, &name, 256) == ERROR_SUCCESS; ++i)
            names << name;
        RegCloseKey(key);
        QVERIFY2(names.contains(inRegistry), qPrintable(names.join(QLatin1Char(','))));
        QVERIFY(valueExists(Base + QLatin1Char('\\') + inRegistry, QStringLiteral("s")));
        Q_UNUSED(beta);
    }

    void deleteValuesAsksWithCount()
    {
        showForm();
        openPath(Base + QStringLiteral("\\Beta"));
        setValue(Base + QStringLiteral("\\Beta"), QString(), REG_SZ, QByteArray("std\0", 4));
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
        QVERIFY(!valueExists(Base + QStringLiteral("\\Beta"), name));

        m_form->valueList()->selectAll();
        m_sink->pushAnswer(MessageAnswer::Yes);
        m_form->DeleteClick();
        QCOMPARE(m_sink->last().text, QStringLiteral("3 Werte wirklich löschen?"));
        // The default value's row stays, reset to "not set".
        QCOMPARE(list.rowCount(), 1);
        QCOMPARE(list.row(0), ValueListModel::unsetDefaultRow());
        QVERIFY(!valueExists(Base + QStringLiteral("\\Beta"), QString()));
    }

    void deleteKeyAsksAndRemovesNode()
    {
        showForm();
        const QModelIndex alpha = openPath(Base + QStringLiteral("\\Alpha"));
        m_form->keyTree()->setFocus();
        m_form->DeleteClick();
        QCOMPARE(m_sink->last().text, QStringLiteral("Schlüssel 'Alpha' wirklich löschen?"));
        QVERIFY(KeyExists(Base + QStringLiteral("\\Alpha")));
        m_sink->pushAnswer(MessageAnswer::Yes);
        m_form->DeleteClick();
        QVERIFY(!KeyExists(Base + QStringLiteral("\\Alpha")));
        QCOMPARE(childTexts(m_form->treeModel(), openPath(Base)), QStringList{"Beta"});
        QCOMPARE(m_form->CurrentKeyPath(), Base);
        Q_UNUSED(alpha);
    }

    void newValueStartsRenameAndDefaultRowCannotBeRenamed()
    {
        showForm();
        openPath(Base + QStringLiteral("\\Beta"));
        m_form->NewDWordClick();
        QVERIFY(m_form->valueEditor()->isEditing());
        m_form->valueEditor()->setText(QStringLiteral("Zahl"));
        m_form->valueEditor()->commit();
        QVERIFY(valueExists(Base + QStringLiteral("\\Beta"), QStringLiteral("Zahl")));
        QVERIFY(!valueExists(Base + QStringLiteral("\\Beta"), QStringLiteral("Neuer Wert #1")));
        QVERIFY(m_form->valueModel().findValue(QStringLiteral("Zahl")) > 0);

        selectRows({0});
        QVERIFY(!m_form->action(QStringLiteral("Rename1"))->isEnabled());
        m_form->RenameClick();
        QVERIFY(!m_form->valueEditor()->isEditing());
        selectRows({1});
        QVERIFY(m_form->action(QStringLiteral("Rename1"))->isEnabled());
    }

    void valueEditsAreUndoable()
    {
        showForm();
        openPath(Base + QStringLiteral("\\Beta"));
        m_form->NewStringClick();
        m_form->valueEditor()->setText(QStringLiteral("Text"));
        m_form->valueEditor()->commit();
        QVERIFY(valueExists(Base + QStringLiteral("\\Beta"), QStringLiteral("Text")));
        QAction* undo = m_form->action(QStringLiteral("Undo1"));
        QVERIFY(undo->isEnabled());
        undo->trigger(); // the rename
        QVERIFY(valueExists(Base + QStringLiteral("\\Beta"), QStringLiteral("Neuer Wert #1")));
        undo->trigger(); // the new value
        QVERIFY(!valueExists(Base + QStringLiteral("\\Beta"), QStringLiteral("Neuer Wert #1")));
        QVERIFY(!undo->isEnabled());
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
        QFETCH(bool, newKey);
        QFETCH(bool, deleteKey);
        QFETCH(bool, newValue);
        showForm();
        const QModelIndex node = path.isEmpty() ? m_form->treeModel().index(0, 0) : openPath(path);
        m_form->selectNode(node);
        m_form->keyTree()->setFocus();
        m_form->UpdateCommands();
        QCOMPARE(m_form->action(QStringLiteral("NewKey1"))->isEnabled(), newKey);
        QCOMPARE(m_form->action(QStringLiteral("Delete1"))->isEnabled(), deleteKey);
        QCOMPARE(m_form->action(QStringLiteral("Rename1"))->isEnabled(), deleteKey);
        QCOMPARE(m_form->action(QStringLiteral("NewString1"))->isEnabled(), newValue);
        QCOMPARE(m_form->action(QStringLiteral("NewDWord1"))->isEnabled(), newValue);
        // Commands whose features are not part of this window stay disabled.
        QVERIFY(!m_form->action(QStringLiteral("Paste1"))->isEnabled());
        QVERIFY(!m_form->action(QStringLiteral("ExportAnalysis1"))->isEnabled());
    }

    void newKeyStartsRename()
    {
        showForm();
        const QPersistentModelIndex alpha = openPath(Base + QStringLiteral("\\Alpha"));
        m_form->NewKeyClick();
        QVERIFY(KeyExists(Base + QStringLiteral("\\Alpha\\Neuer Schlüssel #1")));
        QVERIFY(m_form->keyEditor()->isEditing());
        m_form->keyEditor()->setText(QStringLiteral("Aaa"));
        m_form->keyEditor()->commit();
        QVERIFY(KeyExists(Base + QStringLiteral("\\Alpha\\Aaa")));
        QCOMPARE(childTexts(m_form->treeModel(), alpha), (QStringList{"Aaa", "Eins", "Zwei"}));
        QCOMPARE(m_form->CurrentKeyPath(), Base + QStringLiteral("\\Alpha\\Aaa"));
    }

    void treeStateFileRoundTrip()
    {
        showForm();
        const QModelIndex alpha = openPath(Base + QStringLiteral("\\Alpha"));
        m_form->selectNode(m_form->treeModel().index(1, 0, alpha)); // Zwei
        const QString file = DataFile(QStringLiteral("Lokaler PC.tmp"));
        QVERIFY(m_form->saveTreeState(file));
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QBuffer buffer;
        buffer.setData(saved.readAll());
        const QList<QByteArray> lines = buffer.data().split('\n');
        // Machine node, the five root keys, HKEY_CURRENT_USER's subtree down to Alpha's children.
        QCOMPARE(lines.value(1), QByteArray("0000000101Arbeitsplatz\r"));
        QCOMPARE(lines.value(2), QByteArray("0102010100HKEY_CLASSES_ROOT\r"));
        QCOMPARE(lines.value(3), QByteArray("0102010101HKEY_CURRENT_USER\r"));
        QVERIFY(buffer.data().contains("0102040101Alpha\r\n0102050000Eins\r\n0102050000Zwei\r\n"));
        const int zweiLine = int(lines.indexOf(QByteArray("0102050000Zwei\r")));
        QCOMPARE(lines.value(0), QByteArray::number(zweiLine - 1, 16).rightJustified(8, '0').toUpper() + '\r');

        m_form->StandardViewClick();
        QCOMPARE(m_form->CurrentKeyPath(), QString());
        QVERIFY(m_form->loadTreeState(file));
        QCOMPARE(m_form->CurrentKeyPath(), Base + QStringLiteral("\\Alpha\\Zwei"));
        QVERIFY(m_form->keyTree()->isExpanded(m_form->selectedNode().parent()));
        QCOMPARE(m_form->statusText(), QStringLiteral("Arbeitsplatz\\") + Base + QStringLiteral("\\Alpha\\Zwei"));

        // A stored position past the last node selects the first node.
        QByteArray data = buffer.data();
        data.replace(0, 8, "0000FFFF");
        QBuffer broken(&data);
        QVERIFY(broken.open(QIODevice::ReadOnly));
        const QModelIndex selected = TreeStateFile::read(m_form->treeModel(), broken);
        QCOMPARE(selected, m_form->treeModel().index(0, 0));
        QVERIFY(!m_form->loadTreeState(DataFile(QStringLiteral("fehlt.tmp"))));
    }

    void exportAndImportCommands()
    {
        showForm();
        openPath(Base + QStringLiteral("\\Beta"));
        const QString target = m_store->dirPath() + QStringLiteral("/export.txt");
        bool asked = false;
        m_form->askExportFile = [&](TMainForm::ExportChoice& choice) {
            asked = true;
            // The branch field starts with the selected key.
            [&] { QCOMPARE(choice.branchPath, Base + QStringLiteral("\\Beta")); }();
            choice.fileName = target;
            choice.currentBranch = true;
            return true;
        };
        m_form->ExportRegFileClick();
        QVERIFY(asked);
        QFile written(m_store->dirPath() + QStringLiteral("/export.reg"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray text = written.readAll();
        QVERIFY(text.startsWith("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\KavenTest\\Beta]\r\n"));
        QVERIFY(text.contains("\"d\"=dword:0000001a") || text.contains("\"d\"=dword:0000001A"));

        removeKey(Base + QStringLiteral("\\Beta"));
        m_sink->pushFileName(written.fileName());
        m_form->ImportRegFileClick();
        QCOMPARE(m_sink->last().text, QStringLiteral("Registrierungsdatei wurde erfolgreich importiert.\r\n"
                                                     "Die Ansicht wird nun aktualisiert."));
        QVERIFY(valueExists(Base + QStringLiteral("\\Beta"), QStringLiteral("d")));
        QVERIFY(m_form->treeModel().findChild(openPath(Base), QStringLiteral("Beta")).isValid());

        Options().rootExport.fill(false);
        asked = false;
        m_form->ExportRegFileClick();
        QVERIFY(!asked);
        QCOMPARE(m_sink->last().text, QStringLiteral("Fehler: Es gibt nichts zu sichern."));
    }

    void keypadStarExpandsSubtree()
    {
        makeKey(Base + QStringLiteral("\\Alpha\\Eins\\Tief\\Tiefer"));
        showForm();
        const QModelIndex alpha = openPath(Base + QStringLiteral("\\Alpha"));
        m_form->keyTree()->collapse(alpha);
        m_form->keyTree()->setFocus();
        QTest::keyClick(m_form->keyTree(), Qt::Key_Asterisk, Qt::KeypadModifier);
        KeyTreeModel& tree = m_form->treeModel();
        const QModelIndex tief = tree.findChild(tree.findChild(alpha, QStringLiteral("Eins")), QStringLiteral("Tief"));
        QVERIFY(tief.isValid());
        QVERIFY(m_form->keyTree()->isExpanded(alpha));
        QVERIFY(m_form->keyTree()->isExpanded(tief));
        QVERIFY(tree.findChild(tief, QStringLiteral("Tiefer")).isValid());
        // Only the selected node's subtree: Beta beside it stays as it was.
        QVERIFY(!tree.childrenLoaded(tree.findChild(alpha.parent(), QStringLiteral("Beta"))));
    }

    void escapeStopsWalk()
    {
        showForm();
        EscapeProgress progress;
        QVERIFY(!progress.abortRequested());
        QKeyEvent* press = new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::postEvent(m_form->keyTree(), press);
        QTest::qWait(60);
        progress.step();
        QVERIFY(progress.abortRequested());
    }

    void barsKeepTheirStateAcrossRuns()
    {
        showForm();
        m_form->action(QStringLiteral("HistoryBar1"))->setChecked(false);
        m_form->close();
        m_form.reset();
        showForm();
        const auto* tools = m_form->findChild<QToolBar*>(QStringLiteral("ToolsTB"));
        const auto* history = m_form->findChild<QToolBar*>(QStringLiteral("HistoryTB"));
        QVERIFY(tools && history);
        QVERIFY(tools->isVisible());
        QVERIFY(!history->isVisible());
        QVERIFY(m_form->action(QStringLiteral("ToolsBar1"))->isChecked());
        QVERIFY(!m_form->action(QStringLiteral("HistoryBar1"))->isChecked());
    }

    void placementRestoredOnlyWhenStored()
    {
        showForm();
        const QSize layoutSize = m_form->size();
        m_form->close();
        m_form.reset();
        // A stored rectangle whose right edge is not right of its left edge is no placement.
        const QString key = QStringLiteral("HKEY_CURRENT_USER\\") + OptionsStore::settingsKeyPath();
        setValue(key, QStringLiteral("WinNormPosLeft"), REG_DWORD, QByteArray("\x64\0\0\0", 4));
        setValue(key, QStringLiteral("WinNormPosRight"), REG_DWORD, QByteArray("\x64\0\0\0", 4));
        showForm();
        QCOMPARE(m_form->size(), layoutSize);
        m_form->close();
        m_form.reset();
        setValue(key, QStringLiteral("WinNormPosLeft"), REG_DWORD, QByteArray("\x0A\0\0\0", 4));
        setValue(key, QStringLiteral("WinNormPosTop"), REG_DWORD, QByteArray("\x14\0\0\0", 4));
        setValue(key, QStringLiteral("WinNormPosRight"), REG_DWORD, QByteArray("\x8A\x02\0\0", 4)); // 650
        setValue(key, QStringLiteral("WinNormPosBottom"), REG_DWORD, QByteArray("\xF4\x01\0\0", 4)); // 500
        showForm();
        QCOMPARE(m_form->size(), QSize(640, 480));
    }

private:
    void showForm()
    {
        m_form = std::make_unique<TMainForm>();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

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

    std::unique_ptr<TempStore> m_store;
    std::unique_ptr<RecordingMessageSink> m_sink;
    std::unique_ptr<TMainForm> m_form;
};

QTEST_MAIN(TestMainForm)
#include "TestMainForm.moc"
