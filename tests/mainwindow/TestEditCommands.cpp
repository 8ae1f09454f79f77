#include "registry/RegTestKeys.h"

#include "app/KavenVariables405.h"
#include "app/OptionsStore.h"
#include "mainwindow/EditCommands.h"
#include "mainwindow/RegClipboard.h"
#include "mainwindow/TMainForm.h"
#include "registry/KeyTreeModel.h"
#include "registry/RegUtils.h"
#include "registry/ValueListModel.h"
#include "support/RecordingMessageSink.h"
#include "support/TempStore.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QMimeData>
#include <QTreeView>
#include <QtTest>

#include <memory>

using namespace RegTestKeys;

namespace {

const QString Base = QStringLiteral("Software\\KavenTest");
const QString BasePath = QStringLiteral("HKEY_CURRENT_USER\\Software\\KavenTest");

} // namespace

class TestEditCommands final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void changeWritesAndUndoRestores();
    void changeUnsetDefaultIsUndoneByDelete();
    void changeExpandStringKeepsType();
    void cutAndPasteValues();
    void cutAndPasteKeyMovesIt();
    void pasteFollowsClipboard();
    void hostileClipboardPastesNothing();

private:
    QModelIndex openPath(const QString& path);
    void selectRows(const QStringList& names);
    [[nodiscard]] QAction* act(const char* name) const { return m_form->action(QString::fromLatin1(name)); }

    std::unique_ptr<TempStore> m_store;
    std::unique_ptr<RecordingMessageSink> m_sink;
    std::unique_ptr<TMainForm> m_form;
    EditCommands* m_edit = nullptr;
};

void TestEditCommands::init()
{
    m_store = std::make_unique<TempStore>();
    QVERIFY(m_store->ok());
    KavenVariables405::ProgramDir = m_store->dirPath() + QStringLiteral("/prog/");
    QVERIFY(QDir().mkpath(KavenVariables405::ProgramDir));
    Options() = KavenOptions{};
    m_sink = std::make_unique<RecordingMessageSink>();
    QVERIFY(makeKey(Base + QStringLiteral("\\Alpha\\Eins")));
    QVERIFY(setValue(Base + QStringLiteral("\\Beta"), "s", REG_SZ, RegTestKeys::sz("abc")));
    QVERIFY(setValue(Base + QStringLiteral("\\Beta"), "d", REG_DWORD, QByteArray("\x1A\0\0\0", 4)));
    QVERIFY(setValue(Base + QStringLiteral("\\Beta"), "e", REG_EXPAND_SZ, RegTestKeys::sz("%PATH%")));
    m_form = std::make_unique<TMainForm>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    TMainForm* form = m_form.get();
    EditCommands::Hooks hooks;
    hooks.currentKeyPath = [form] { return form->CurrentKeyPath(); };
    hooks.commandNode = [form] { return form->selectedNode(); };
    hooks.onKeys = [form] { return form->focusWidget() == form->keyTree(); };
    hooks.listFocused = [form] { return form->focusWidget() == form->valueList(); };
    hooks.refreshTree = [form] { form->RefreshTree(); };
    const EditCommands::Actions actions{act("Change1"), act("Undo1"), act("UndoList1"),
                                        act("Cut1"),    act("Copy1"), act("Paste1")};
    m_edit = new EditCommands(form->keyTree(), form->valueList(), form->treeModel(), form->valueModel(), actions,
                              hooks, form);
}

void TestEditCommands::cleanup()
{
    m_form.reset();
    m_sink.reset();
    m_store.reset();
}

QModelIndex TestEditCommands::openPath(const QString& path)
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

void TestEditCommands::selectRows(const QStringList& names)
{
    QTreeView* list = m_form->valueList();
    list->setFocus();
    list->clearSelection();
    for (const QString& name : names)
        list->selectionModel()->select(m_form->valueModel().index(m_form->valueModel().findValue(name), 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    m_edit->updateCommands();
}

void TestEditCommands::changeWritesAndUndoRestores()
{
    QVERIFY(openPath(BasePath + QStringLiteral("\\Beta")).isValid());
    selectRows({"d"});
    QVERIFY(act("Change1")->isEnabled());
    QVERIFY(!act("Undo1")->isEnabled());
    QString shownName;
    quint32 shownValue = 0;
    m_edit->editDWord = [&](const QString& name, quint32& value) {
        shownName = name;
        shownValue = value;
        value = 0x12345678;
        return true;
    };
    m_edit->ChangeClick();
    QCOMPARE(shownName, QStringLiteral("d"));
    QCOMPARE(shownValue, 0x1Au);
    QCOMPARE(value(Base + QStringLiteral("\\Beta"), "d"),
             qMakePair(DWORD(REG_DWORD), QByteArray("\x78\x56\x34\x12", 4)));
    QCOMPARE(m_form->valueModel().row(m_form->valueModel().findValue("d")).type, QStringLiteral("REG_DWORD"));
    QVERIFY(act("Undo1")->isEnabled());
    // Cancelled editor: nothing written, nothing recorded.
    m_edit->editDWord = [](const QString&, quint32& value) {
        value = 1;
        return false;
    };
    m_edit->ChangeClick();
    QCOMPARE(m_edit->undoList().GroupCount(), 1);
    m_edit->UndoClick();
    QCOMPARE(value(Base + QStringLiteral("\\Beta"), "d"), qMakePair(DWORD(REG_DWORD), QByteArray("\x1A\0\0\0", 4)));
    QVERIFY(!act("Undo1")->isEnabled());
    QCOMPARE(m_sink->count(), 0);
}

void TestEditCommands::changeUnsetDefaultIsUndoneByDelete()
{
    QVERIFY(openPath(BasePath + QStringLiteral("\\Beta")).isValid());
    selectRows({QString()});
    QString shownName = QStringLiteral("?");
    QString shownText = QStringLiteral("?");
    m_edit->editString = [&](const QString& name, QString& text) {
        shownName = name;
        shownText = text;
        text = QStringLiteral("neu");
        return true;
    };
    m_edit->ChangeClick();
    QCOMPARE(shownName, QString());
    QCOMPARE(shownText, QString());
    QCOMPARE(value(Base + QStringLiteral("\\Beta"), ""), qMakePair(DWORD(REG_SZ), RegTestKeys::sz("neu")));
    QCOMPARE(m_edit->undoList().Items().last().Kind, UndoKind::ValueAdded);
    m_edit->UndoClick();
    QCOMPARE(value(Base + QStringLiteral("\\Beta"), "").first, DWORD(REG_NONE));
}

void TestEditCommands::changeExpandStringKeepsType()
{
    QVERIFY(openPath(BasePath + QStringLiteral("\\Beta")).isValid());
    selectRows({"e"});
    m_edit->editString = [](const QString&, QString& text) {
        if (text != QStringLiteral("%PATH%"))
            return false;
        text = QStringLiteral("%TEMP%\\ä");
        return true;
    };
    m_edit->ChangeClick();
    QCOMPARE(value(Base + QStringLiteral("\\Beta"), "e"),
             qMakePair(DWORD(REG_EXPAND_SZ), QByteArray("%TEMP%\\\xC3\xA4\0", 10)));
}

void TestEditCommands::cutAndPasteValues()
{
    QVERIFY(setValue(Base + QStringLiteral("\\Alpha"), "s", REG_SZ, RegTestKeys::sz("alt")));
    QVERIFY(openPath(BasePath + QStringLiteral("\\Beta")).isValid());
    selectRows({"s", "d"});
    QVERIFY(act("Cut1")->isEnabled());
    m_edit->CutClick();
    QCOMPARE(m_sink->count(), 0); // a cut does not ask
    QCOMPARE(value(Base + QStringLiteral("\\Beta"), "s").first, DWORD(REG_NONE));
    QCOMPARE(value(Base + QStringLiteral("\\Beta"), "d").first, DWORD(REG_NONE));
    QCOMPARE(m_form->valueModel().findValue("s"), -1);

    QVERIFY(openPath(BasePath + QStringLiteral("\\Alpha")).isValid());
    m_form->valueList()->setFocus();
    m_edit->updateCommands();
    QVERIFY(act("Paste1")->isEnabled());
    m_edit->PasteClick();
    QCOMPARE(value(Base + QStringLiteral("\\Alpha"), "s"), qMakePair(DWORD(REG_SZ), RegTestKeys::sz("abc")));
    QCOMPARE(value(Base + QStringLiteral("\\Alpha"), "d"), qMakePair(DWORD(REG_DWORD), QByteArray("\x1A\0\0\0", 4)));
    QVERIFY(m_form->valueModel().findValue("d") >= 0);
    QCOMPARE(m_edit->undoList().GroupCount(), 2);
    // Undo of the paste: the overwritten value comes back, the added one goes.
    m_edit->UndoClick();
    QCOMPARE(value(Base + QStringLiteral("\\Alpha"), "s"), qMakePair(DWORD(REG_SZ), RegTestKeys::sz("alt")));
    QCOMPARE(value(Base + QStringLiteral("\\Alpha"), "d").first, DWORD(REG_NONE));
    // Undo of the cut restores both deleted values.
    m_edit->UndoClick();
    QCOMPARE(value(Base + QStringLiteral("\\Beta"), "s"), qMakePair(DWORD(REG_SZ), RegTestKeys::sz("abc")));
    QCOMPARE(value(Base + QStringLiteral("\\Beta"), "d"), qMakePair(DWORD(REG_DWORD), QByteArray("\x1A\0\0\0", 4)));
}

void TestEditCommands::cutAndPasteKeyMovesIt()
{
    QVERIFY(setValue(Base + QStringLiteral("\\Alpha\\Eins"), "v", REG_DWORD, QByteArray("\x07\0\0\0", 4)));
    QVERIFY(openPath(BasePath + QStringLiteral("\\Alpha\\Eins")).isValid());
    m_form->keyTree()->setFocus();
    m_edit->updateCommands();
    QVERIFY(act("Cut1")->isEnabled());
    m_edit->CutClick();
    QVERIFY(exists(Base + QStringLiteral("\\Alpha\\Eins"))); // stays until pasted
    const QModelIndex beta = openPath(BasePath + QStringLiteral("\\Beta"));
    QVERIFY(beta.isValid());
    m_form->keyTree()->setFocus();
    m_edit->updateCommands();
    QVERIFY(act("Paste1")->isEnabled());
    m_edit->PasteClick();
    QCOMPARE(value(Base + QStringLiteral("\\Beta\\Eins"), "v"),
             qMakePair(DWORD(REG_DWORD), QByteArray("\x07\0\0\0", 4)));
    QVERIFY(!exists(Base + QStringLiteral("\\Alpha\\Eins")));
    // The refreshed tree shows the move.
    const QModelIndex alpha = m_form->treeModel().findChild(openPath(BasePath), QStringLiteral("Alpha"));
    QVERIFY(!m_form->treeModel().findChild(alpha, QStringLiteral("Eins")).isValid());
    // The root level cannot be cut or copied.
    m_form->selectNode(m_form->treeModel().index(0, 0));
    m_form->keyTree()->setFocus();
    m_edit->updateCommands();
    QVERIFY(!act("Copy1")->isEnabled());
    QVERIFY(!act("Paste1")->isEnabled());
}

void TestEditCommands::pasteFollowsClipboard()
{
    QVERIFY(openPath(BasePath + QStringLiteral("\\Beta")).isValid());
    selectRows({"s"});
    QGuiApplication::clipboard()->setText(QStringLiteral("Text"));
    QVERIFY(!act("Paste1")->isEnabled());
    // Another program putting values on the clipboard enables paste without any action here.
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(ValueClipFormat), EncodeValueClip({}));
    QGuiApplication::clipboard()->setMimeData(data);
    QTRY_VERIFY(act("Paste1")->isEnabled());
    QGuiApplication::clipboard()->clear();
    QTRY_VERIFY(!act("Paste1")->isEnabled());
}

void TestEditCommands::hostileClipboardPastesNothing()
{
    QVERIFY(openPath(BasePath + QStringLiteral("\\Alpha")).isValid());
    m_form->valueList()->setFocus();
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(ValueClipFormat), QByteArray::fromHex("ffffff7f 01000000 01000000 41"));
    data->setData(QString::fromLatin1(KeyClipFormat), QByteArray::fromHex("10000000"));
    QGuiApplication::clipboard()->setMimeData(data);
    m_edit->PasteClick();
    m_form->keyTree()->setFocus();
    m_edit->PasteClick();
    QCOMPARE(RegTestKeys::subKeys(Base + QStringLiteral("\\Alpha")), QStringList{"Eins"});
    QVERIFY(!m_edit->undoList().CanUndo());
    QCOMPARE(m_sink->count(), 0);
}

QTEST_MAIN(TestEditCommands)
#include "TestEditCommands.moc"
