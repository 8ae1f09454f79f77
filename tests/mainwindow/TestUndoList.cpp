#include "registry/RegTestKeys.h"

#include "mainwindow/TUndoForm.h"
#include "mainwindow/TUndoList.h"
#include "registry/RegValueUtils.h"

#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace RegTestKeys;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString SubKey = u"U"_s;
const QString KeyPath = u"HKEY_CURRENT_USER\\U"_s;

TUndoItem added(const QString& name, const QString& key = KeyPath)
{
    return MakeUndoItem(UndoKind::ValueAdded, key, {}, name);
}

TUndoItem deleted(const QString& key, const QString& name, const TRegValue& value = {})
{
    return MakeUndoItem(UndoKind::ValueDeleted, key, value, name);
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
    // Scripts of commands: a letter records one item as its own group, "[bc]" records a group of two,
    // "[]" a command that recorded nothing, a digit sets the capacity, "-" pops the newest item. The
    // eleventh command drops the oldest, a group at capacity one item; a lower capacity keeps the newest.
    void groupsAndCapacity()
    {
        const std::pair<QString, QString> cases[] = {
            {"a[bc]defghijkl", "0:b 0:c 1:d 2:e 3:f 4:g 5:h 6:i 7:j 8:k 9:l"},
            {"abcdefghij[xy]", "0:b 1:c 2:d 3:e 4:f 5:g 6:h 7:i 8:j 9:x 9:y"},
            {"abcde2f", "0:e 1:f"}, {"a[][bc]", "0:a 1:b 1:c"}, {"a[bc]-d", "0:a 1:b 2:d"}, {"a[bc]--d", "0:a 1:d"}};
        for (const auto& [script, layout] : cases) {
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
            QCOMPARE(parts.join(u' '), layout);
            QVERIFY(changed.count() >= list.Items().size()); // the window's commands follow the list
            list.Clear();
            QVERIFY(!list.CanUndo());
            QCOMPARE(list.Pop(), TUndoItem());
        }
    }

    // A deleted group brings its key back; failures inside a group are reported and the rest still goes.
    void undoGroups()
    {
        const QString deepPath = KeyPath + u"\\Tief"_s;
        TUndoList list;
        list.Add(added("older"));
        list.BeginGroup();
        list.Add(deleted(deepPath, "s", MakeRegValue(REG_SZ, "eins", 0, {})));
        list.Add(deleted(deepPath, QString(), MakeRegValue(REG_BINARY, {}, 0, "\1\2")));
        list.EndGroup();
        list.UndoLastGroup();
        QCOMPARE(value(SubKey + u"\\Tief"_s, "s"), qMakePair(DWORD(REG_SZ), sz("eins")));
        QCOMPARE(value(SubKey + u"\\Tief"_s, ""), qMakePair(DWORD(REG_BINARY), QByteArray("\1\2")));
        QVERIFY(list.GroupCount() == 1 && m_fx.sink->count() == 0);
        // An added value that is gone already and a rename whose value is gone: both report, the third
        // item of the group is still restored.
        list.Clear();
        list.BeginGroup();
        list.Add(deleted(KeyPath, "wieder", MakeRegValue(REG_SZ, "da", 0, {})));
        list.Add(MakeRenameUndoItem(KeyPath, "alt", "fehlt", REG_SZ));
        list.Add(added("weg"));
        list.EndGroup();
        list.UndoLastGroup();
        QVERIFY(m_fx.sink->texts().contains(u"Fehler: Konnte Wert nicht löschen."_s));
        QVERIFY(m_fx.sink->texts().contains(u"Fehler: Konnte Wert nicht umbenennen."_s));
        QCOMPARE(value(SubKey, "wieder"), qMakePair(DWORD(REG_SZ), sz("da")));
        QVERIFY(!list.CanUndo());
        // Without a key an added value cannot be taken back: the key is not created for it.
        list.Add(added("x", KeyPath + u"\\Nichts"_s));
        m_fx.sink->clear();
        list.UndoLastGroup();
        QCOMPARE(m_fx.sink->texts(), QStringList{u"Fehler: Kann Schlüssel nicht öffnen."_s});
        QVERIFY(!exists(SubKey + u"\\Nichts"_s));
    }

    // The lines an undo entry shows, and the undo window.
    void undoEntriesAndWindow()
    {
        const auto any = [](const QString&) { return true; };
        TRegValue dword;
        dword.DataType = REG_DWORD;
        QCOMPARE(UndoEntryLines({MakeUndoItem(UndoKind::ValueChanged, "HKEY_USERS\\A<B", dword, "n<1")}, any),
                 (QStringList{u"Wert wurde geändert."_s,
                              u"<B><C=RED>Schlüssel:</C></B> \"HKEY_USERS\\A<<B\""_s,
                              u"<B><C=BLUE>Wertname:</C></B> \"n<<1\" (<B>REG_DWORD</B>)"_s}));
        QCOMPARE(UndoEntryLines({deleted("HKEY_USERS\\A", "x"), deleted("HKEY_USERS\\B", "y")}, any),
                 (QStringList{u"Mehrere Werte wurden gelöscht."_s,
                              u"<B><C=RED>Schlüssel:</C></B> verschiedene Schlüssel ..."_s,
                              u"<B><C=BLUE>Wertname:</C></B> mehrere Werte ... "_s}));
        // A long path loses middle components until the line fits, root and last key stay.
        const QString path = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\Ende"_s;
        const auto shortLines = [](const QString& line) { return line.size() <= 65; };
        QCOMPARE(UndoEntryLines({added("v", path)}, shortLines).mid(0, 2),
                 (QStringList{u"Wert wurde hinzugefügt."_s,
                              u"<B><C=RED>Schlüssel:</C></B> \"HKEY_LOCAL_MACHINE\\..\\CLSID\\Ende\""_s}));
        const auto never = [](const QString&) { return false; };
        QCOMPARE(UndoEntryLines({MakeUndoItem(UndoKind::ValueRenamed, path, {}, "v")}, never).at(1),
                 u"<B><C=RED>Schlüssel:</C></B> \"HKEY_LOCAL_MACHINE\\..\\Ende\""_s);
        // The window on groups of one deleted value and of two deleted values in turn.
        TUndoList undo;
        for (int i = 0; i < 4; ++i) {
            undo.BeginGroup();
            undo.Add(deleted(u"HKEY_USERS\\A"_s, u"x"_s));
            if (i % 2 == 1)
                undo.Add(deleted(u"HKEY_USERS\\B"_s, u"y"_s));
            undo.EndGroup();
        }
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
        QVERIFY(!form.list()->item(0)->isSelected() && form.undoButton()->isEnabled());
        // Deselecting the newest one does not stick.
        const QRect last = form.list()->visualItemRect(form.list()->item(3));
        QTest::mouseClick(form.list()->viewport(), Qt::LeftButton, {}, last.center());
        QTRY_VERIFY(form.list()->item(3)->isSelected());
        QCOMPARE(form.undoCount(), 3);
        // Clearing asks first.
        m_fx.sink->pushAnswer(MessageAnswer::No);
        form.ClearClick();
        QCOMPARE(m_fx.sink->last().text, u"Die Daten gehen unwiderruflich verloren.\r\nWirklich entfernen?"_s);
        QCOMPARE(undo.GroupCount(), 4);
        m_fx.sink->pushAnswer(MessageAnswer::Yes);
        form.ClearClick();
        QVERIFY(!undo.CanUndo() && form.list()->count() == 0 && form.undoCount() == 0);
    }

private:
    StoreFixture m_fx;
};

QTEST_MAIN(TestUndoList)
#include "TestUndoList.moc"
