#include "registry/RegTestKeys.h"

#include "mainwindow/ClipboardBlocks.h"
#include "mainwindow/ImportCommand.h"
#include "mainwindow/TUndoForm.h"
#include "mainwindow/TUndoList.h"
#include "mainwindow/ValueCommands.h"
#include "registry/Progress.h"
#include "registry/RegValueUtils.h"
#include "support/ScriptedProgress.h"
#include "support/TestFiles.h"

#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace RegTestKeys;
using namespace Qt::Literals::StringLiterals;
using Status = ImportOutcome::Status;

namespace {

const QString SubKey = u"U"_s;
const QString KeyPath = u"HKEY_CURRENT_USER\\U"_s;
const QString ValuesKey = u"HKEY_CURRENT_USER\\V"_s;
using Stored = QPair<DWORD, QByteArray>;
const Stored Missing{REG_NONE, QByteArray("<missing>")};

Stored dword(char v)
{
    return {REG_DWORD, QByteArray(1, v) + QByteArray(3, '\0')};
}

Stored text(const char* utf8)
{
    return {REG_SZ, sz(utf8)};
}

TUndoItem added(const QString& name, const QString& key = KeyPath)
{
    return MakeUndoItem(UndoKind::ValueAdded, key, {}, name);
}

TUndoItem deleted(const QString& key, const QString& name, const TRegValue& value = {})
{
    return MakeUndoItem(UndoKind::ValueDeleted, key, value, name);
}

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

ClipValue clipValue(const QString& name, DWORD type, const QString& text, DWORD dword, const QByteArray& bytes)
{
    return {name, MakeRegValue(type, text, dword, bytes)};
}

} // namespace

// The edit undo list, its window and the commands that fill it or leave it behind: value edits, paste (and
// the clipboard blocks it reads) and the import of a registry file.
class TestUndoCommands : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fx.start());
        QVERIFY(makeKey(SubKey) && makeKey(u"V"_s));
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

    // The value commands record what they do as one undo group.
    void changeByType_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Stored>("before");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("editor");
        QTest::addColumn<Stored>("after");

        // Every editor answers with fixed data: text "neü", DWORD 7, bytes 01 02; "editor" names the editor
        // and the data it was shown.
        QTest::newRow("string") << "s" << text("alt") << true << "string:alt" << text("ne\xc3\xbc");
        QTest::newRow("expandable keeps its type") << "e" << Stored{REG_EXPAND_SZ, sz("%A%")} << true
                                                   << "string:%A%" << Stored{REG_EXPAND_SZ, sz("ne\xc3\xbc")};
        QTest::newRow("dword") << "d" << dword(1) << true << "dword:1" << dword(7);
        QTest::newRow("binary") << "b" << Stored{REG_BINARY, QByteArray("\xff", 1)} << true << "binary:ff"
                                << Stored{REG_BINARY, QByteArray("\1\2", 2)};
        QTest::newRow("multi-string edits as bytes") << "m" << Stored{REG_MULTI_SZ, QByteArray("a\0\0", 3)} << true
                                                     << "binary:610000" << Stored{REG_MULTI_SZ, QByteArray("\1\2", 2)};
        QTest::newRow("unset default edits as string") << "" << Missing << true << "string:" << text("ne\xc3\xbc");
        QTest::newRow("cancelled") << "d" << dword(1) << false << "dword:1" << dword(1);
    }

    // Read, edit by type, write back, one undo entry that takes the value back to what it was.
    void changeByType()
    {
        QFETCH(QString, name);
        QFETCH(Stored, before);
        QFETCH(bool, accept);
        if (before != Missing)
            QVERIFY(setValue("V", name, before.first, before.second));
        QString used;
        const auto answer = [&](const QString& shown, auto& data, auto given) {
            used = shown;
            data = given;
            return accept;
        };
        ValueEditors editors;
        editors.editString = [&](auto&, QString& t) { return answer("string:" + t, t, u"neü"_s); };
        editors.editDWord = [&](auto&, quint32& v) { return answer("dword:" + QString::number(v), v, 7u); };
        editors.editBinary = [&](auto&, QByteArray& d) {
            return answer("binary:" + QString::fromLatin1(d.toHex()), d, QByteArray("\1\2"));
        };
        TUndoList undo;
        ValueCommands commands(undo, *m_fx.sink);
        const auto written = commands.ChangeValue(ValuesKey, name, editors);
        QTEST(used, "editor");
        QCOMPARE(written.has_value(), accept);
        QTEST(value("V", name), "after");
        QCOMPARE(undo.GroupCount(), accept ? 1 : 0);
        undo.UndoLastGroup();
        QCOMPARE(value("V", name), before);
        QCOMPARE(m_fx.sink->count(), 0);
    }

    // The default row stands for the default value even when it was never set: deleting or cutting it
    // together with other values is no failure.
    void deleteSkipsUnsetDefault_data()
    {
        QTest::addColumn<bool>("defaultSet");
        QTest::addColumn<int>("recorded");
        QTest::newRow("unset default") << false << 2;
        QTest::newRow("set default") << true << 3;
    }

    void deleteSkipsUnsetDefault()
    {
        QFETCH(bool, defaultSet);
        QVERIFY(!defaultSet || setValue("V", QString(), REG_SZ, sz("std")));
        QVERIFY(setValue("V", "a", REG_SZ, sz("1")) && setValue("V", "b", REG_DWORD, dword(2).second));
        TUndoList undo;
        ValueCommands commands(undo, *m_fx.sink);
        const QStringList names{u"b"_s, u"a"_s, QString()};
        QCOMPARE(commands.DeleteValues(ValuesKey, names), names);
        QVERIFY(m_fx.sink->count() == 0 && value("V", "a") == Missing && undo.GroupCount() == 1);
        QTEST(int(undo.Items().size()), "recorded");
        undo.UndoLastGroup();
        QCOMPARE(value("V", "a"), text("1"));
        QCOMPARE(value("V", "b"), dword(2));
        QCOMPARE(value("V", QString()), (defaultSet ? text("std") : Missing));
    }

    // Pasted values are one undo group; a pasted cut key moves.
    void pastes()
    {
        QVERIFY(setValue("Q", QString(), REG_SZ, sz("standard")) && setValue("Q", "n", REG_DWORD, dword(5).second));
        QVERIFY(setValue("V", "n", REG_SZ, sz("alt")));
        // Unreadable ones are left out of the copy.
        const QList<ClipValue> copied = ReadClipValues(u"HKEY_CURRENT_USER\\Q"_s, {QString(), u"fehlt"_s, u"n"_s});
        QCOMPARE(copied.size(), 2);
        TUndoList undo;
        ValueCommands commands(undo, *m_fx.sink);
        QCOMPARE(commands.PasteValues(ValuesKey, copied), 2);
        QCOMPARE(value("V", QString()), text("standard"));
        QCOMPARE(value("V", "n"), dword(5));
        // Undo removes the added default value and restores the overwritten one.
        QCOMPARE(undo.GroupCount(), 1);
        undo.UndoLastGroup();
        QCOMPARE(value("V", QString()), Missing);
        QCOMPARE(value("V", "n"), text("alt"));
        // A paste into a key that is gone does not create it.
        QCOMPARE(commands.PasteValues(ValuesKey + u"\\Fehlt"_s, copied), 0);
        QVERIFY(!exists(u"V\\Fehlt"_s) && !undo.CanUndo() && m_fx.sink->count() == 0);
        // Nor can a value that is gone be changed.
        ValueEditors none;
        QVERIFY(!commands.ChangeValue(ValuesKey, u"fehlt"_s, none));
        QCOMPARE(m_fx.sink->texts(), QStringList{u"Fehler: Kann Wert nicht bearbeiten."_s});
        QVERIFY(!undo.CanUndo());
        // A cut key moves: the copy is made, then the source goes; pasting it again finds no source.
        m_fx.sink->clear();
        QVERIFY(setValue("Q\\Kind", "v", REG_SZ, RegTestKeys::sz("x")));
        QVERIFY(makeKey("Ziel") && makeKey("Ziel2"));
        NullProgress progress;
        const KeyClip cut{true, {}, "HKEY_CURRENT_USER\\Q"};
        QVERIFY(PasteKey(cut, "HKEY_CURRENT_USER\\Ziel", progress));
        QCOMPARE(value("Ziel\\Q\\Kind", "v"), qMakePair(DWORD(REG_SZ), RegTestKeys::sz("x")));
        QVERIFY(!exists("Q"));
        QVERIFY(!PasteKey(cut, "HKEY_CURRENT_USER\\Ziel2", progress));
        QCOMPARE(m_fx.sink->texts(), QStringList{QStringLiteral("Fehler: Angegebener Schlüssel nicht vorhanden.")});
        // Refused (into itself) or cancelled, the cut leaves its source.
        QVERIFY(makeKey("Q\\Kind"));
        QVERIFY(!PasteKey(cut, "HKEY_CURRENT_USER\\Q\\Kind", progress));
        QVERIFY(exists("Q\\Kind") && !exists("Q\\Kind\\Q"));
        for (int i = 0; i < 19; ++i)
            QVERIFY(makeKey(QStringLiteral("Q\\K%1").arg(i)));
        ScriptedProgress cancelling(5);
        QVERIFY(!PasteKey(cut, "HKEY_CURRENT_USER\\Ziel2", cancelling));
        QCOMPARE(subKeys("Q").size(), 20); // Kind and K0 to K18
    }

    // An import, finished or not, leaves the edit undo list behind the registry.
    void importOutcomes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("abortAtStep");
        QTest::addColumn<Status>("status");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("firstApplied");
        QTest::addColumn<QStringList>("messages");

        const QByteArray good = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\I]\r\n\"a\"=\"1\"\r\n\"b\"=\"2\"\r\n";
        QTest::newRow("complete") << good << 0 << Status::Imported << "" << true << QStringList();
        // Cancel ends quietly; what was applied before stays, so the undo list still goes.
        QTest::newRow("cancelled") << good << 5 << Status::Cancelled << "" << true << QStringList();
        QTest::newRow("bad line after a value")
            << QByteArray("REGEDIT4\r\n[HKEY_CURRENT_USER\\I]\r\n\"a\"=\"1\"\r\nQuatsch\r\n") << 0 << Status::Failed
            << "Ungültige Zeile" << true << QStringList();
        QTest::newRow("no header names a reason")
            << QByteArray("[HKEY_CURRENT_USER\\I]\r\n\"a\"=\"1\"\r\n") << 0 << Status::Failed
            << "Die Datei beginnt nicht mit \"REGEDIT4\" oder \"Windows Registry Editor Version 5.00\"" << false
            << QStringList();
        QTest::newRow("unreadable file") << QByteArray() << 0 << Status::NotRead << "" << false
                                         << QStringList{QStringLiteral("Fehler: Kann Datei nicht öffnen.")};
    }

    void importOutcomes()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, abortAtStep);
        QFETCH(Status, status);
        QFETCH(bool, firstApplied);
        QString fileName = m_fx.store->dirPath() + QStringLiteral("/fehlt.reg");
        if (!file.isEmpty()) {
            fileName = m_fx.store->dirPath() + QStringLiteral("/import.reg");
            QVERIFY(writeFile(fileName, file));
        }
        TUndoList undo;
        undo.Add(MakeUndoItem(UndoKind::ValueAdded, QStringLiteral("HKEY_CURRENT_USER\\X"), {}, QStringLiteral("x")));
        ScriptedProgress progress(abortAtStep);
        const ImportOutcome outcome = ImportRegFileCommand(fileName, progress, undo);
        QCOMPARE(outcome.status, status);
        QTEST(outcome.reason, "reason");
        QTEST(m_fx.sink->texts(), "messages");
        QCOMPARE(value(QStringLiteral("I"), QStringLiteral("a")).first, DWORD(firstApplied ? REG_SZ : REG_NONE));
        // Whatever part of the file was applied, the edit undo list no longer matches the registry.
        QCOMPARE(undo.CanUndo(), status == Status::NotRead);
        const QString failure = QStringLiteral("Registrierungsdatei konnte nicht vollständig importiert werden.\r\n(%1)")
                                    .arg(outcome.reason);
        QCOMPARE(outcome.failureText(), status == Status::Failed ? failure : QString());
    }


    // The clipboard blocks of keys and values, and the paste of a cut key.
    void keyBlockBytes_data()
    {
        QTest::addColumn<bool>("cut");
        QTest::addColumn<QString>("machine");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("copy local") << false << "" << "HKEY_CURRENT_USER\\A"
                                    << hex("23000000 00000000 00000000 13000000") + "HKEY_CURRENT_USER\\A";
        QTest::newRow("cut remote") << true << "\\\\pc" << "HKEY_USERS"
                                    << hex("1e000000 01000000 04000000") + "\\\\pc" + hex("0a000000") + "HKEY_USERS";
        // A name that fits Windows-1252 is one byte per character.
        QTest::newRow("umlaut") << false << "" << QString::fromUtf8("HKEY_USERS\\Ä")
                                << hex("1c000000 00000000 00000000 0c000000") + "HKEY_USERS\\\xC4";
    }

    void keyBlockBytes()
    {
        QFETCH(bool, cut);
        QFETCH(QString, machine);
        QFETCH(QString, path);
        QFETCH(QByteArray, bytes);
        QCOMPARE(EncodeKeyClip({cut, machine, path}), bytes);
        QVERIFY(DecodeKeyClip(bytes) == (KeyClip{cut, machine, path}));
    }

    void valueBlockBytes()
    {
        const QList<ClipValue> values{
            clipValue("", REG_SZ, "ab", 0, {}),
            clipValue("d", REG_DWORD, {}, 0x11223344, {}),
            clipValue("b", REG_BINARY, {}, 0, QByteArray("\x00\xff", 2)),
            clipValue("m", REG_MULTI_SZ, {}, 0, QByteArray("x\0\0", 3)),
        };
        const QByteArray expected = hex("42000000 04000000") // total 66, four values
                                    + hex("00000000 01000000 02000000") + "ab" // default value, REG_SZ
                                    + hex("01000000") + "d" + hex("04000000 44332211")
                                    + hex("01000000") + "b" + hex("03000000 02000000 00ff")
                                    + hex("01000000") + "m" + hex("07000000 03000000 780000");
        QCOMPARE(EncodeValueClip(values), expected);
        QVERIFY(DecodeValueClip(expected) == values);
        QCOMPARE(EncodeValueClip({}), hex("08000000 00000000"));
    }

    // Truncated, oversized and inconsistent blocks decode to nothing.
    void hostileBlocks_data()
    {
        QTest::addColumn<bool>("key");
        QTest::addColumn<QByteArray>("block");
        const QByteArray good = hex("13000000 00000000 00000000 03000000") + "H\\A";
        QTest::newRow("key empty") << true << QByteArray();
        QTest::newRow("key three bytes") << true << hex("130000");
        QTest::newRow("key truncated") << true << good.left(good.size() - 1);
        QTest::newRow("key total too large") << true << hex("ff000000") + good.mid(4);
        QTest::newRow("key total huge") << true << hex("ffffffff") + good.mid(4);
        QTest::newRow("key total too small") << true << hex("12000000") + good.mid(4);
        QTest::newRow("key machine past end") << true << hex("13000000 00000000 ffffffff 03000000") + "H\\A";
        QTest::newRow("key path past end") << true << hex("13000000 00000000 00000000 04000000") + "H\\A";
        QTest::newRow("key cut flag 2") << true << hex("13000000 02000000 00000000 03000000") + "H\\A";
        QTest::newRow("key empty path") << true << hex("10000000 00000000 00000000 00000000");
        const QByteArray one = hex("15000000 01000000 01000000") + "v" + hex("04000000 01000000");
        QVERIFY(DecodeValueClip(one));
        QTest::newRow("value empty") << false << QByteArray();
        QTest::newRow("value truncated dword") << false << one.left(one.size() - 1);
        QTest::newRow("value total beyond block") << false << hex("16000000") + one.mid(4);
        QTest::newRow("value trailing bytes") << false << hex("16000000") + one.mid(4) + "x";
        QTest::newRow("value count too large") << false << hex("15000000 02000000") + one.mid(8);
        QTest::newRow("value count huge") << false << hex("15000000 ffffffff") + one.mid(8);
        QTest::newRow("value name past end") << false << hex("15000000 01000000 ff000000 76 04000000 01000000");
        QTest::newRow("value binary length huge") << false << hex("15000000 01000000 01000000 76 03000000 ffffffff");
        QTest::newRow("value string past end") << false << hex("15000000 01000000 01000000 76 01000000 05000000");
    }

    void hostileBlocks()
    {
        QFETCH(QByteArray, block);
        QFETCH(bool, key);
        QVERIFY(key ? !DecodeKeyClip(block) : !DecodeValueClip(block));
    }

private:
    StoreFixture m_fx;
};

QTEST_MAIN(TestUndoCommands)
#include "TestUndoCommands.moc"
