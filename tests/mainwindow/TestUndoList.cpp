#include "registry/RegTestKeys.h"

#include "mainwindow/TUndoForm.h"
#include "mainwindow/TUndoList.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "support/RecordingMessageSink.h"
#include "support/TempStore.h"

#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace RegTestKeys;

namespace {

const QString SubKey = QStringLiteral("U");
const QString KeyPath = QStringLiteral("HKEY_CURRENT_USER\\U");

TRegValue szValue(const QString& text)
{
    TRegValue v;
    v.DataType = REG_SZ;
    v.StringData = text;
    return v;
}

TUndoItem added(const QString& name)
{
    return MakeUndoItem(UndoKind::ValueAdded, KeyPath, {}, name);
}

// Group numbers of the items, oldest first, and the item names.
QString layout(const TUndoList& list)
{
    QStringList parts;
    for (const TUndoItem& item : list.Items())
        parts << QString::number(item.Group) + QLatin1Char(':') + item.ValueName;
    return parts.join(QLatin1Char(' '));
}

// Groups of the three kinds in turn: a changed value, two deleted values, a renamed value.
void fillGroups(TUndoList& undo, int groups)
{
    const QString path = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                                        "Advanced\\Folder\\Hidden");
    TRegValue dword;
    dword.DataType = REG_DWORD;
    for (int i = 0; i < groups; ++i) {
        undo.BeginGroup();
        if (i % 3 == 0) {
            undo.Add(MakeUndoItem(UndoKind::ValueChanged, path, dword, QStringLiteral("CheckedValue")));
        } else if (i % 3 == 1) {
            undo.Add(MakeUndoItem(UndoKind::ValueDeleted, QStringLiteral("HKEY_USERS\\A"), dword, QStringLiteral("x")));
            undo.Add(MakeUndoItem(UndoKind::ValueDeleted, QStringLiteral("HKEY_USERS\\B"), dword, QStringLiteral("y")));
        } else {
            undo.Add(MakeRenameUndoItem(QStringLiteral("HKEY_CURRENT_USER\\Kaven"), QStringLiteral("alt"),
                                        QStringLiteral("neu"), REG_SZ));
        }
        undo.EndGroup();
    }
}

} // namespace

class TestUndoList : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_store = std::make_unique<TempStore>();
        QVERIFY(m_store->ok());
        m_sink = std::make_unique<RecordingMessageSink>();
        CurrentMachine().clear();
        ResetRootKeys();
        QVERIFY(makeKey(SubKey));
    }

    void cleanup()
    {
        m_sink.reset();
        m_store.reset();
    }

    void groupsAndCapacity()
    {
        TUndoList list(10);
        QSignalSpy spy(&list, &TUndoList::changed);
        list.Add(added("a"));
        list.BeginGroup();
        list.Add(added("b"));
        list.Add(added("c"));
        list.EndGroup();
        list.Add(added("d"));
        QCOMPARE(layout(list), QStringLiteral("0:a 1:b 1:c 2:d"));
        QCOMPARE(list.GroupCount(), 3);
        QCOMPARE(spy.count(), 4);
        for (int i = 0; i < 7; ++i)
            list.Add(added(QString::number(i)));
        QCOMPARE(list.GroupCount(), 10);
        // The eleventh command pushes out the oldest group and everything moves down by one.
        list.Add(added("k"));
        QCOMPARE(list.GroupCount(), 10);
        QCOMPARE(list.Items().first().ValueName, QStringLiteral("b"));
        QCOMPARE(list.Items().first().Group, 0u);
        QCOMPARE(list.Items().last().Group, 9u);
        QCOMPARE(list.GroupCounter(), 10u);
        // A group opened at full capacity also pushes out exactly one group.
        list.BeginGroup();
        list.Add(added("x"));
        list.Add(added("y"));
        list.EndGroup();
        QCOMPARE(list.GroupCount(), 10);
        QCOMPARE(list.Items().first().ValueName, QStringLiteral("d"));
        QCOMPARE(list.GroupItems(9).size(), 2);
        list.Clear();
        QVERIFY(!list.CanUndo());
        QCOMPARE(list.GroupCounter(), 0u);
    }

    void lowerCapacityKeepsNewest()
    {
        TUndoList list(10);
        for (const char* name : {"a", "b", "c", "d", "e"})
            list.Add(added(QString::fromLatin1(name)));
        list.SetCapacity(2);
        QCOMPARE(layout(list), QStringLiteral("0:d 1:e"));
        list.Add(added("f"));
        QCOMPARE(layout(list), QStringLiteral("0:e 1:f"));
        list.SetCapacity(1000);
        QCOMPARE(list.GroupCount(), 2);
    }

    void popAndEmptyGroups()
    {
        TUndoList list(10);
        QCOMPARE(list.Pop(), TUndoItem());
        list.Add(added("a"));
        // A command that recorded nothing leaves no gap.
        list.BeginGroup();
        list.EndGroup();
        list.BeginGroup();
        list.Add(added("b"));
        list.Add(added("c"));
        list.EndGroup();
        QCOMPARE(layout(list), QStringLiteral("0:a 1:b 1:c"));
        QCOMPARE(list.Pop().ValueName, QStringLiteral("c"));
        QCOMPARE(list.GroupCounter(), 2u);
        QCOMPARE(list.Pop().ValueName, QStringLiteral("b"));
        QCOMPARE(list.GroupCounter(), 1u);
        list.Add(added("d"));
        QCOMPARE(layout(list), QStringLiteral("0:a 1:d"));
    }

    void undoDeletedGroupRecreatesKey()
    {
        const QString deep = SubKey + QStringLiteral("\\Tief");
        const QString deepPath = KeyPath + QStringLiteral("\\Tief");
        TUndoList list;
        list.Add(added("older"));
        list.BeginGroup();
        TRegValue dword;
        dword.DataType = REG_DWORD;
        dword.DWordData = 0x01020304;
        TRegValue bin;
        bin.DataType = REG_BINARY;
        bin.BinaryData = QByteArray("\x00\x01\xff", 3);
        list.Add(MakeUndoItem(UndoKind::ValueDeleted, deepPath, szValue("eins"), "s"));
        list.Add(MakeUndoItem(UndoKind::ValueDeleted, deepPath, dword, "d"));
        list.Add(MakeUndoItem(UndoKind::ValueDeleted, deepPath, bin, QString()));
        list.EndGroup();
        QVERIFY(!exists(deep));
        list.UndoLastGroup();
        QVERIFY(exists(deep));
        QCOMPARE(value(deep, "s"), qMakePair(DWORD(REG_SZ), RegTestKeys::sz("eins")));
        QCOMPARE(value(deep, "d"), qMakePair(DWORD(REG_DWORD), QByteArray("\x04\x03\x02\x01", 4)));
        QCOMPARE(value(deep, ""), qMakePair(DWORD(REG_BINARY), QByteArray("\x00\x01\xff", 3)));
        QCOMPARE(list.GroupCount(), 1);
        QCOMPARE(m_sink->count(), 0);
    }

    void undoAddedChangedRenamed()
    {
        QVERIFY(setValue(SubKey, "neu", REG_SZ, RegTestKeys::sz("x")));
        QVERIFY(setValue(SubKey, "v", REG_SZ, RegTestKeys::sz("neu")));
        QVERIFY(setValue(SubKey, "neuer", REG_BINARY, QByteArray("\x07\x00\x08", 3)));
        TUndoList list;
        list.Add(added("neu"));
        list.Add(MakeUndoItem(UndoKind::ValueChanged, KeyPath, szValue("alt"), "v"));
        list.Add(MakeRenameUndoItem(KeyPath, "alter", "neuer", REG_BINARY));
        list.UndoLastGroup();
        QCOMPARE(value(SubKey, "alter"), qMakePair(DWORD(REG_BINARY), QByteArray("\x07\x00\x08", 3)));
        QCOMPARE(value(SubKey, "neuer").first, DWORD(REG_NONE));
        list.UndoLastGroup();
        QCOMPARE(value(SubKey, "v"), qMakePair(DWORD(REG_SZ), RegTestKeys::sz("alt")));
        list.UndoLastGroup();
        QCOMPARE(value(SubKey, "neu").first, DWORD(REG_NONE));
        QVERIFY(!list.CanUndo());
        QCOMPARE(m_sink->count(), 0);
    }

    void undoFailuresGoOn()
    {
        // An added value that is gone already and a rename whose value is gone: both report, the third
        // item of the group is still restored.
        TUndoList list;
        list.BeginGroup();
        list.Add(MakeUndoItem(UndoKind::ValueDeleted, KeyPath, szValue("da"), "wieder"));
        list.Add(MakeRenameUndoItem(KeyPath, "alt", "fehlt", REG_SZ));
        list.Add(added("weg"));
        list.EndGroup();
        list.UndoLastGroup();
        QVERIFY(m_sink->texts().contains(QStringLiteral("Fehler: Konnte Wert nicht löschen.")));
        QVERIFY(m_sink->texts().contains(QStringLiteral("Fehler: Konnte Wert nicht umbenennen.")));
        QCOMPARE(value(SubKey, "wieder"), qMakePair(DWORD(REG_SZ), RegTestKeys::sz("da")));
        QVERIFY(!list.CanUndo());
        // Without a key an added value cannot be taken back: the key is not created for it.
        list.Add(MakeUndoItem(UndoKind::ValueAdded, KeyPath + QStringLiteral("\\Nichts"), {}, "x"));
        m_sink->clear();
        list.UndoLastGroup();
        QCOMPARE(m_sink->texts(), QStringList{QStringLiteral("Fehler: Kann Schlüssel nicht öffnen.")});
        QVERIFY(!exists(SubKey + QStringLiteral("\\Nichts")));
    }

    void entryLines()
    {
        const auto any = [](const QString&) { return true; };
        TRegValue dword;
        dword.DataType = REG_DWORD;
        QCOMPARE(UndoEntryLines({MakeUndoItem(UndoKind::ValueChanged, "HKEY_USERS\\A<B", dword, "n<1")}, any),
                 (QStringList{QStringLiteral("Wert wurde geändert."),
                              QStringLiteral("<B><C=RED>Schlüssel:</C></B> \"HKEY_USERS\\A<<B\""),
                              QStringLiteral("<B><C=BLUE>Wertname:</C></B> \"n<<1\" (<B>REG_DWORD</B>)")}));
        const QList<TUndoItem> two{MakeUndoItem(UndoKind::ValueDeleted, "HKEY_USERS\\A", {}, "x"),
                                   MakeUndoItem(UndoKind::ValueDeleted, "HKEY_USERS\\B", {}, "y")};
        QCOMPARE(UndoEntryLines(two, any),
                 (QStringList{QStringLiteral("Mehrere Werte wurden gelöscht."),
                              QStringLiteral("<B><C=RED>Schlüssel:</C></B> verschiedene Schlüssel ..."),
                              QStringLiteral("<B><C=BLUE>Wertname:</C></B> mehrere Werte ... ")}));
        // A long path loses middle components until the line fits, root and last key stay.
        const QString path = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\Ende");
        const auto shortLines = [](const QString& line) { return line.size() <= 65; };
        const QStringList lines = UndoEntryLines({MakeUndoItem(UndoKind::ValueAdded, path, {}, "v")}, shortLines);
        QCOMPARE(lines.at(0), QStringLiteral("Wert wurde hinzugefügt."));
        QCOMPARE(lines.at(1), QStringLiteral("<B><C=RED>Schlüssel:</C></B> \"HKEY_LOCAL_MACHINE\\..\\CLSID\\Ende\""));
        const auto never = [](const QString&) { return false; };
        QCOMPARE(UndoEntryLines({MakeUndoItem(UndoKind::ValueRenamed, path, {}, "v")}, never).at(1),
                 QStringLiteral("<B><C=RED>Schlüssel:</C></B> \"HKEY_LOCAL_MACHINE\\..\\Ende\""));
    }

    void formSelectionReachesNewest()
    {
        TUndoList undo;
        fillGroups(undo, 4);
        TUndoForm form(undo);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.list()->count(), 4);
        QVERIFY(!form.undoButton()->isEnabled());
        // Clicking the second entry selects it and, after the release, everything below it.
        const QRect second = form.list()->visualItemRect(form.list()->item(1));
        QVERIFY(second.height() >= 3 * form.fontMetrics().height() + 10);
        QTest::mouseClick(form.list()->viewport(), Qt::LeftButton, {}, second.center());
        QTRY_COMPARE(form.undoCount(), 3);
        QVERIFY(!form.list()->item(0)->isSelected());
        QVERIFY(form.undoButton()->isEnabled());
        // Deselecting the newest one does not stick.
        const QRect last = form.list()->visualItemRect(form.list()->item(3));
        QTest::mouseClick(form.list()->viewport(), Qt::LeftButton, {}, last.center());
        QTRY_VERIFY(form.list()->item(3)->isSelected());
        QCOMPARE(form.undoCount(), 3);
        // With KAVEN_SHOTS set to a folder, the test leaves a picture of the window there for a look.
        if (const QString dir = qEnvironmentVariable("KAVEN_SHOTS"); !dir.isEmpty())
            form.grab().save(dir + QStringLiteral("/undo.png"));
    }

    void formClearAsksFirst()
    {
        TUndoList undo;
        fillGroups(undo, 2);
        TUndoForm form(undo);
        m_sink->pushAnswer(MessageAnswer::No);
        form.ClearClick();
        QCOMPARE(m_sink->last().text,
                 QStringLiteral("Die Daten gehen unwiderruflich verloren.\r\nWirklich entfernen?"));
        QCOMPARE(undo.GroupCount(), 2);
        m_sink->pushAnswer(MessageAnswer::Yes);
        form.ClearClick();
        QVERIFY(!undo.CanUndo());
        QCOMPARE(form.list()->count(), 0);
        QCOMPARE(form.undoCount(), 0);
    }

private:
    std::unique_ptr<TempStore> m_store;
    std::unique_ptr<RecordingMessageSink> m_sink;
};

QTEST_MAIN(TestUndoList)
#include "TestUndoList.moc"
