#include "registry/RegTestKeys.h"

#include "mainwindow/TUndoForm.h"
#include "mainwindow/TUndoList.h"
#include "registry/RegValueUtils.h"

#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace RegTestKeys;

namespace {

const QString SubKey = QStringLiteral("U");
const QString KeyPath = QStringLiteral("HKEY_CURRENT_USER\\U");

TRegValue szValue(const QString& text)
{
    return MakeRegValue(REG_SZ, text, 0, {});
}

TUndoItem added(const QString& name)
{
    return MakeUndoItem(UndoKind::ValueAdded, KeyPath, {}, name);
}

// Groups of one changed value and of two deleted values in turn.
void fillGroups(TUndoList& undo, int groups)
{
    for (int i = 0; i < groups; ++i) {
        undo.BeginGroup();
        undo.Add(MakeUndoItem(UndoKind::ValueDeleted, QStringLiteral("HKEY_USERS\\A"), {}, QStringLiteral("x")));
        if (i % 2 == 1)
            undo.Add(MakeUndoItem(UndoKind::ValueDeleted, QStringLiteral("HKEY_USERS\\B"), {}, QStringLiteral("y")));
        undo.EndGroup();
    }
}

} // namespace

class TestUndoList : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fx.start());
        QVERIFY(makeKey(SubKey));
    }
    void cleanup() { m_fx.stop(); }

    // Scripts of commands: a letter records one item as its own group, "[bc]" records a group of two,
    // "[]" a command that recorded nothing, a digit sets the capacity, "-" pops the newest item.
    void groupsAndCapacity_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("layout");
        QTest::newRow("eleventh command drops the oldest")
            << "a[bc]defghijkl" << "0:b 0:c 1:d 2:e 3:f 4:g 5:h 6:i 7:j 8:k 9:l";
        QTest::newRow("group at capacity drops one")
            << "abcdefghij[xy]" << "0:b 1:c 2:d 3:e 4:f 5:g 6:h 7:i 8:j 9:x 9:y";
        QTest::newRow("lower capacity keeps newest") << "abcde2f" << "0:e 1:f";
        QTest::newRow("empty command leaves no gap") << "a[][bc]" << "0:a 1:b 1:c";
        QTest::newRow("pop within a group") << "a[bc]-d" << "0:a 1:b 2:d";
        QTest::newRow("pop a whole group") << "a[bc]--d" << "0:a 1:d";
    }

    void groupsAndCapacity()
    {
        QFETCH(QString, script);
        TUndoList list(10);
        QSignalSpy changed(&list, &TUndoList::changed);
        for (const QChar c : script) {
            if (c == u'[')
                list.BeginGroup();
            else if (c == u']')
                list.EndGroup();
            else if (c == u'-')
                (void)list.Pop();
            else if (c.isDigit())
                list.SetCapacity(c.digitValue());
            else
                list.Add(added(c));
        }
        QStringList parts;
        for (const TUndoItem& item : list.Items())
            parts << QString::number(item.Group) + u':' + item.ValueName;
        QTEST(parts.join(u' '), "layout");
        QVERIFY(changed.count() >= list.Items().size()); // the window's commands follow the list
        list.Clear();
        QVERIFY(!list.CanUndo());
        QCOMPARE(list.Pop(), TUndoItem());
    }

    void undoDeletedGroupRecreatesKey()
    {
        const QString deepPath = KeyPath + QStringLiteral("\\Tief");
        TUndoList list;
        list.Add(added("older"));
        list.BeginGroup();
        list.Add(MakeUndoItem(UndoKind::ValueDeleted, deepPath, szValue("eins"), "s"));
        list.Add(MakeUndoItem(UndoKind::ValueDeleted, deepPath, MakeRegValue(REG_BINARY, {}, 0, "\1\2"), QString()));
        list.EndGroup();
        list.UndoLastGroup();
        QCOMPARE(value(SubKey + QStringLiteral("\\Tief"), "s"), qMakePair(DWORD(REG_SZ), RegTestKeys::sz("eins")));
        QCOMPARE(value(SubKey + QStringLiteral("\\Tief"), ""), qMakePair(DWORD(REG_BINARY), QByteArray("\1\2")));
        QCOMPARE(list.GroupCount(), 1);
        QCOMPARE(m_fx.sink->count(), 0);
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
        QVERIFY(m_fx.sink->texts().contains(QStringLiteral("Fehler: Konnte Wert nicht löschen.")));
        QVERIFY(m_fx.sink->texts().contains(QStringLiteral("Fehler: Konnte Wert nicht umbenennen.")));
        QCOMPARE(value(SubKey, "wieder"), qMakePair(DWORD(REG_SZ), RegTestKeys::sz("da")));
        QVERIFY(!list.CanUndo());
        // Without a key an added value cannot be taken back: the key is not created for it.
        list.Add(MakeUndoItem(UndoKind::ValueAdded, KeyPath + QStringLiteral("\\Nichts"), {}, "x"));
        m_fx.sink->clear();
        list.UndoLastGroup();
        QCOMPARE(m_fx.sink->texts(), QStringList{QStringLiteral("Fehler: Kann Schlüssel nicht öffnen.")});
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

    void formSelectsDownToNewestAndClears()
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
        // Clearing asks first.
        m_fx.sink->pushAnswer(MessageAnswer::No);
        form.ClearClick();
        QCOMPARE(m_fx.sink->last().text,
                 QStringLiteral("Die Daten gehen unwiderruflich verloren.\r\nWirklich entfernen?"));
        QCOMPARE(undo.GroupCount(), 4);
        m_fx.sink->pushAnswer(MessageAnswer::Yes);
        form.ClearClick();
        QVERIFY(!undo.CanUndo());
        QCOMPARE(form.list()->count(), 0);
        QCOMPARE(form.undoCount(), 0);
    }

private:
    StoreFixture m_fx;
};

QTEST_MAIN(TestUndoList)
#include "TestUndoList.moc"
