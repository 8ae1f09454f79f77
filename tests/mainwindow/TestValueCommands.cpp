#include "registry/RegTestKeys.h"

#include "mainwindow/TUndoList.h"
#include "mainwindow/ValueCommands.h"

#include <QtTest>

using namespace RegTestKeys;

namespace {

const QString KeyPath = QStringLiteral("HKEY_CURRENT_USER\\V");
using Stored = QPair<DWORD, QByteArray>;
const Stored Missing{REG_NONE, QByteArray("<missing>")};

} // namespace

class TestValueCommands : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fx.start());
        QVERIFY(makeKey(QStringLiteral("V")));
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
        QTest::newRow("string") << "s" << Stored{REG_SZ, sz("alt")} << true << "string:alt"
                                << Stored{REG_SZ, sz("ne\xc3\xbc")};
        QTest::newRow("expandable keeps its type") << "e" << Stored{REG_EXPAND_SZ, sz("%A%")} << true
                                                   << "string:%A%" << Stored{REG_EXPAND_SZ, sz("ne\xc3\xbc")};
        QTest::newRow("dword") << "d" << Stored{REG_DWORD, QByteArray("\1\0\0\0", 4)} << true << "dword:1"
                               << Stored{REG_DWORD, QByteArray("\7\0\0\0", 4)};
        QTest::newRow("binary") << "b" << Stored{REG_BINARY, QByteArray("\xff", 1)} << true << "binary:ff"
                                << Stored{REG_BINARY, QByteArray("\1\2", 2)};
        QTest::newRow("multi-string edits as bytes") << "m" << Stored{REG_MULTI_SZ, QByteArray("a\0\0", 3)} << true
                                                     << "binary:610000" << Stored{REG_MULTI_SZ, QByteArray("\1\2", 2)};
        QTest::newRow("unset default edits as string") << "" << Missing << true << "string:"
                                                       << Stored{REG_SZ, sz("ne\xc3\xbc")};
        QTest::newRow("cancelled") << "d" << Stored{REG_DWORD, QByteArray("\1\0\0\0", 4)} << false << "dword:1"
                                   << Stored{REG_DWORD, QByteArray("\1\0\0\0", 4)};
    }

    // Read, edit by type, write back, one undo entry that takes the value back to what it was.
    void changeByType()
    {
        QFETCH(QString, name);
        QFETCH(Stored, before);
        QFETCH(bool, accept);
        QFETCH(Stored, after);
        if (before != Missing)
            QVERIFY(setValue(QStringLiteral("V"), name, before.first, before.second));
        QString used;
        const auto answer = [&](const QString& shown, auto& data, auto given) {
            used = shown;
            data = given;
            return accept;
        };
        ValueEditors editors;
        editors.editString = [&](auto&, QString& t) { return answer("string:" + t, t, QStringLiteral("neü")); };
        editors.editDWord = [&](auto&, quint32& v) { return answer("dword:" + QString::number(v), v, 7u); };
        editors.editBinary = [&](auto&, QByteArray& d) {
            return answer("binary:" + QString::fromLatin1(d.toHex()), d, QByteArray("\1\2"));
        };
        TUndoList undo;
        ValueCommands commands(undo, *m_fx.sink);
        const auto written = commands.ChangeValue(KeyPath, name, editors);
        QTEST(used, "editor");
        QCOMPARE(written.has_value(), accept);
        QCOMPARE(value(QStringLiteral("V"), name), after);
        QCOMPARE(undo.GroupCount(), accept ? 1 : 0);
        undo.UndoLastGroup();
        QCOMPARE(value(QStringLiteral("V"), name), before);
        QCOMPARE(m_fx.sink->count(), 0);
    }

    void changeOfVanishedValueRefused()
    {
        TUndoList undo;
        ValueCommands commands(undo, *m_fx.sink);
        ValueEditors none;
        QVERIFY(!commands.ChangeValue(KeyPath, QStringLiteral("fehlt"), none));
        QCOMPARE(m_fx.sink->texts(), QStringList{QStringLiteral("Fehler: Kann Wert nicht bearbeiten.")});
        QVERIFY(!undo.CanUndo());
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
        if (defaultSet)
            QVERIFY(setValue(QStringLiteral("V"), QString(), REG_SZ, sz("std")));
        QVERIFY(setValue(QStringLiteral("V"), QStringLiteral("a"), REG_SZ, sz("1")));
        QVERIFY(setValue(QStringLiteral("V"), QStringLiteral("b"), REG_DWORD, QByteArray("\2\0\0\0", 4)));
        TUndoList undo;
        ValueCommands commands(undo, *m_fx.sink);
        const QStringList names{QStringLiteral("b"), QStringLiteral("a"), QString()};
        QCOMPARE(commands.DeleteValues(KeyPath, names), names);
        QCOMPARE(m_fx.sink->count(), 0);
        QCOMPARE(value(QStringLiteral("V"), QStringLiteral("a")), Missing);
        QCOMPARE(undo.GroupCount(), 1);
        QTEST(int(undo.Items().size()), "recorded");
        undo.UndoLastGroup();
        QCOMPARE(value(QStringLiteral("V"), QStringLiteral("a")), (Stored{REG_SZ, sz("1")}));
        QCOMPARE(value(QStringLiteral("V"), QStringLiteral("b")), (Stored{REG_DWORD, QByteArray("\2\0\0\0", 4)}));
        QCOMPARE(value(QStringLiteral("V"), QString()), (defaultSet ? Stored{REG_SZ, sz("std")} : Missing));
    }

    void pasteIsOneUndoGroup()
    {
        QVERIFY(setValue(QStringLiteral("Q"), QString(), REG_SZ, sz("standard")));
        QVERIFY(setValue(QStringLiteral("Q"), QStringLiteral("n"), REG_DWORD, QByteArray("\5\0\0\0", 4)));
        QVERIFY(setValue(QStringLiteral("V"), QStringLiteral("n"), REG_SZ, sz("alt")));
        // Unreadable ones are left out of the copy.
        const QList<ClipValue> copied = ReadClipValues(QStringLiteral("HKEY_CURRENT_USER\\Q"),
                                                       {QString(), QStringLiteral("fehlt"), QStringLiteral("n")});
        QCOMPARE(copied.size(), 2);
        TUndoList undo;
        ValueCommands commands(undo, *m_fx.sink);
        QCOMPARE(commands.PasteValues(KeyPath, copied), 2);
        QCOMPARE(value(QStringLiteral("V"), QString()), (Stored{REG_SZ, sz("standard")}));
        QCOMPARE(value(QStringLiteral("V"), QStringLiteral("n")), (Stored{REG_DWORD, QByteArray("\5\0\0\0", 4)}));
        // Undo removes the added default value and restores the overwritten one.
        QCOMPARE(undo.GroupCount(), 1);
        undo.UndoLastGroup();
        QCOMPARE(value(QStringLiteral("V"), QString()), Missing);
        QCOMPARE(value(QStringLiteral("V"), QStringLiteral("n")), (Stored{REG_SZ, sz("alt")}));
        // A paste into a key that is gone does not create it.
        QCOMPARE(commands.PasteValues(KeyPath + QStringLiteral("\\Fehlt"), copied), 0);
        QVERIFY(!exists(QStringLiteral("V\\Fehlt")));
        QVERIFY(!undo.CanUndo());
        QCOMPARE(m_fx.sink->count(), 0);
    }

private:
    StoreFixture m_fx;
};

QTEST_GUILESS_MAIN(TestValueCommands)
#include "TestValueCommands.moc"
