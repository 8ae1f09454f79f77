#include "registry/RegTestKeys.h"

#include "mainwindow/TUndoList.h"
#include "mainwindow/ValueCommands.h"

#include <QtTest>

using namespace RegTestKeys;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString KeyPath = u"HKEY_CURRENT_USER\\V"_s;
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

} // namespace

class TestValueCommands : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fx.start());
        QVERIFY(makeKey(u"V"_s));
    }

    void cleanup() { m_fx.stop(); }

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
        const auto written = commands.ChangeValue(KeyPath, name, editors);
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
    void deleteSkipsUnsetDefault()
    {
        for (const bool defaultSet : {false, true}) {
            QVERIFY(!defaultSet || setValue("V", QString(), REG_SZ, sz("std")));
            QVERIFY(setValue("V", "a", REG_SZ, sz("1")) && setValue("V", "b", REG_DWORD, dword(2).second));
            TUndoList undo;
            ValueCommands commands(undo, *m_fx.sink);
            const QStringList names{u"b"_s, u"a"_s, QString()};
            QCOMPARE(commands.DeleteValues(KeyPath, names), names);
            QVERIFY(m_fx.sink->count() == 0 && value("V", "a") == Missing && undo.GroupCount() == 1);
            QCOMPARE(int(undo.Items().size()), defaultSet ? 3 : 2);
            undo.UndoLastGroup();
            QCOMPARE(value("V", "a"), text("1"));
            QCOMPARE(value("V", "b"), dword(2));
            QCOMPARE(value("V", QString()), (defaultSet ? text("std") : Missing));
        }
    }

    // Pasted values are one undo group; neither a paste nor a change reaches a key or value that is gone.
    void pastesAndVanishedTargets()
    {
        QVERIFY(setValue("Q", QString(), REG_SZ, sz("standard")) && setValue("Q", "n", REG_DWORD, dword(5).second));
        QVERIFY(setValue("V", "n", REG_SZ, sz("alt")));
        // Unreadable ones are left out of the copy.
        const QList<ClipValue> copied = ReadClipValues(u"HKEY_CURRENT_USER\\Q"_s, {QString(), u"fehlt"_s, u"n"_s});
        QCOMPARE(copied.size(), 2);
        TUndoList undo;
        ValueCommands commands(undo, *m_fx.sink);
        QCOMPARE(commands.PasteValues(KeyPath, copied), 2);
        QCOMPARE(value("V", QString()), text("standard"));
        QCOMPARE(value("V", "n"), dword(5));
        // Undo removes the added default value and restores the overwritten one.
        QCOMPARE(undo.GroupCount(), 1);
        undo.UndoLastGroup();
        QCOMPARE(value("V", QString()), Missing);
        QCOMPARE(value("V", "n"), text("alt"));
        // A paste into a key that is gone does not create it.
        QCOMPARE(commands.PasteValues(KeyPath + u"\\Fehlt"_s, copied), 0);
        QVERIFY(!exists(u"V\\Fehlt"_s) && !undo.CanUndo() && m_fx.sink->count() == 0);
        // Nor can a value that is gone be changed.
        ValueEditors none;
        QVERIFY(!commands.ChangeValue(KeyPath, u"fehlt"_s, none));
        QCOMPARE(m_fx.sink->texts(), QStringList{u"Fehler: Kann Wert nicht bearbeiten."_s});
        QVERIFY(!undo.CanUndo());
    }

private:
    StoreFixture m_fx;
};

QTEST_GUILESS_MAIN(TestValueCommands)
#include "TestValueCommands.moc"
