// The validity check of paths: files of this machine seen through the local store's drive Z:, the
// environment of the registry, and the walk over result rows.

#include "registry/RegTestKeys.h"
#include "search/PathCheck.h"
#include "support/ScriptedProgress.h"
#include "support/TestFiles.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

namespace {

const QString Base = u"HKEY_CURRENT_USER\\T"_s;

} // namespace

class TestPathCheck : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fixture.start());
        // Z:\...\files holds prog.exe, lib.dll and "My Dir\tool.exe".
        const QString files = m_fixture.store->dirPath() + u"/files"_s;
        QVERIFY(QDir().mkpath(files + u"/My Dir"_s));
        for (const QString& name : {u"prog.exe"_s, u"lib.dll"_s, u"My Dir/tool.exe"_s})
            QVERIFY(writeFile(files + u'/' + name, {}));
        m_dir = u"Z:"_s + QString(files).replace(u'/', u'\\');
        QVERIFY(setValue(u"Environment"_s, u"KavenFiles"_s, REG_SZ, m_dir.toUtf8() + '\0'));
    }
    void cleanup() { m_fixture.stop(); }

    void isValidLocalPath_data()
    {
        QTest::addColumn<QString>("text"); // "@" stands for the files folder
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("tested");
        QTest::newRow("file") << u"@\\prog.exe"_s << true << u"@\\prog.exe"_s;
        QTest::newRow("other case, trailing backslash") << u" @\\MY DIR\\ "_s << true << u"@\\MY DIR"_s;
        QTest::newRow("missing file") << u"@\\gone.exe"_s << false << u"@\\gone.exe"_s;
        QTest::newRow("switch after blank") << u"@\\prog.exe /p"_s << true << u"@\\prog.exe"_s;
        QTest::newRow("icon index after comma") << u"@\\lib.dll,-101"_s << true << u"@\\lib.dll"_s;
        QTest::newRow("quoted path with blank") << u"\"@\\My Dir\\tool.exe\" -s \"%1\""_s << true
                                                << u"@\\My Dir\\tool.exe"_s;
        QTest::newRow("quoted missing") << u"'@\\My Dir\\gone.exe' /x"_s << false << u"@\\My Dir\\gone.exe"_s;
        QTest::newRow("variable of the registry") << u"%kavenfiles%\\lib.dll"_s << true << u"@\\lib.dll"_s;
        QTest::newRow("unknown variable") << u"%KavenNoSuch%\\lib.dll"_s << false << u"%KavenNoSuch%\\lib.dll"_s;
        QTest::newRow("program without path") << u"rundll32.exe @\\lib.dll,Entry"_s << true << u"@\\lib.dll"_s;
        QTest::newRow("missing path after a valid one") << u"@\\prog.exe @\\gone.dll"_s << false
                                                        << u"@\\gone.dll"_s;
        QTest::newRow("list with semicolons") << u"@\\lib.dll;@\\prog.exe"_s << true << u"@\\lib.dll"_s;
        QTest::newRow("drive this machine lacks") << u"C:\\Windows"_s << false << u"C:\\Windows"_s;
        QTest::newRow("no path") << u"just text"_s << false << u"just text"_s;
    }

    void isValidLocalPath()
    {
        QFETCH(QString, text);
        QFETCH(QString, tested);
        const PathValidity v = IsValidLocalPath(text.replace(u'@', m_dir), LocalPathResolver::fromRegistry());
        QTEST(v.valid, "valid");
        QCOMPARE(v.path, tested.replace(u'@', m_dir));
    }

    void otherMachineHasNoDrives()
    {
        RegSetMachineStore(u"FAR"_s, m_fixture.store->otherStorePath(u"far"_s));
        CurrentMachine() = u"\\\\FAR"_s;
        QVERIFY(KeyExists(u"HKEY_LOCAL_MACHINE"_s)); // reached, so the empty answer is the drives'
        QVERIFY(LocalPathResolver::fromRegistry().drives.isEmpty());
        CurrentMachine().clear();
        RegSetMachineStore(u"FAR"_s, QString());
    }

    // Value names that are paths are tested before their data; DWORDs, key rows and unmarked rows (when
    // some are marked) are passed over; No at a question ends the check.
    void checksRows_data()
    {
        QTest::addColumn<bool>("markGone");
        QTest::addColumn<bool>("goOn");
        QTest::addColumn<QStringList>("reported");
        const QStringList all{u"%KavenFiles%\\gone.ini"_s, u"@\\gone.dll"_s, u"@\\gone.txt"_s};
        QTest::newRow("all rows") << false << true << all;
        QTest::newRow("marked row") << true << true << all.mid(1);
        QTest::newRow("stop at the first") << false << false << all.mid(0, 1);
    }

    void checksRows()
    {
        QFETCH(bool, markGone);
        QFETCH(bool, goOn);
        // Names in capitals order the same in every locale: the path "Z:..." last.
        const QString gone = m_dir + u"\\gone.dll"_s;
        QVERIFY(setValue(u"T"_s, gone, REG_SZ, (m_dir + u"\\gone.txt"_s).toUtf8() + '\0'));
        QVERIFY(setValue(u"T"_s, u"An"_s, REG_DWORD, QByteArray("C:\\x", 4)));
        QVERIFY(setValue(u"T"_s, u"Bok"_s, REG_EXPAND_SZ, sz("%KavenFiles%\\prog.exe")));
        QVERIFY(setValue(u"T"_s, u"Cx"_s, REG_EXPAND_SZ, sz("%KavenFiles%\\gone.ini")));
        SearchResultList list;
        list.AddResultRow(u"Wert"_s, gone, 5, Base);
        list.AddResultRow(u"Daten"_s, u"An"_s, 6, Base);
        list.AddResultRow(u"Daten"_s, u"Bok"_s, 7, Base);
        list.AddResultRow(u"Daten"_s, u"Cx"_s, 7, Base);
        list.AddResultRow(u"Schlüssel"_s, QString(), 1, Base + u"\\C:\\gone"_s);
        list.setSelected(3, markGone); // the path, ordered last among the values
        QStringList seen;
        ScriptedProgress progress;
        const CheckStatus status = CheckResults(list, LocalPathResolver::fromRegistry(), progress,
                                                [&](int, const QString& text, const QString&) {
                                                    seen << QString(text).replace(m_dir, u"@"_s);
                                                    return goOn;
                                                });
        QCOMPARE(status, CheckStatus::Finished);
        QTEST(seen, "reported");
    }

private:
    RegTestKeys::StoreFixture m_fixture;
    QString m_dir;
};

QTEST_GUILESS_MAIN(TestPathCheck)
#include "TestPathCheck.moc"
