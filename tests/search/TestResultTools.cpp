// kaven-reg replace, delete-found and check run on a real store, output captured.

#include "registry/RegTestKeys.h"
#include "support/ToolRun.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

namespace {

const QString Key = u"HKEY_CURRENT_USER\\Tool"_s;

} // namespace

class TestResultTools : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fixture.start());
        QVERIFY(setValue(u"Tool"_s, u"Path"_s, REG_SZ, sz("old\\bin")));
        QVERIFY(setValue(u"Tool\\old"_s, u"n"_s, REG_DWORD, QByteArray("\x07\0\0\0", 4)));
        QVERIFY(setValue(u"Tool"_s, u"Multi"_s, REG_MULTI_SZ, QByteArray("old\0x\0\0", 7)));
    }
    void cleanup() { m_fixture.stop(); }

    // /n lists and leaves the registry; without it every found entry changes and is listed alike.
    void replace()
    {
        for (const bool dryRun : {true, false}) {
            QStringList args{u"replace"_s, u"old"_s, u"new"_s, u"/f"_s, u"HKCU\\Tool"_s};
            if (dryRun)
                args << u"/n"_s;
            const ToolRun r = runTool(args);
            QCOMPARE(r.rc, 0);
            QCOMPARE(r.out, u"Schlüssel\t%1\\old\t\told\tnew\n"
                             "Daten\t%1\tPath\told\\bin\tnew\\bin\n"
                             "Daten\t%1\tMulti\told\\x00x\\x00\\x00\tnew\\x00x\\x00\\x00\n"_s.arg(Key));
            QCOMPARE(RegTestKeys::exists(u"Tool\\new"_s), !dryRun);
            QCOMPARE(RegTestKeys::value(u"Tool"_s, u"Path"_s).second, dryRun ? sz("old\\bin") : sz("new\\bin"));
        }
    }

    // A value found by name and by data is deleted once and listed once; an error in the options
    // changes nothing.
    void deleteFound_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("rc");
        QTest::addColumn<QString>("out"); // a pattern
        QTest::addColumn<bool>("deleted");
        // Without /f entries are listed where they are kept: HKEY_CURRENT_USER is a view of the user's key.
        QTest::newRow("by name and data") << QStringList{u"delete-found"_s, u"Multi"_s, u"/v"_s, u"/d"_s} << 0
                                          << u"^Wert\tHKEY_USERS\\\\[^\\\\]+\\\\Tool\tMulti\n$"_s << true;
        QTest::newRow("unknown option") << QStringList{u"delete-found"_s, u"Multi"_s, u"/q"_s} << 1 << u"^$"_s
                                        << false;
    }

    void deleteFound()
    {
        QFETCH(QStringList, args);
        QVERIFY(setValue(u"Tool"_s, u"Multi"_s, REG_SZ, sz("Multi")));
        const ToolRun r = runTool(args);
        QTEST(r.rc, "rc");
        QFETCH(QString, out);
        QVERIFY2(QRegularExpression(out).match(r.out).hasMatch(), qPrintable(r.out));
        QFETCH(bool, deleted);
        QCOMPARE(RegTestKeys::value(u"Tool"_s, u"Multi"_s).first, deleted ? DWORD(REG_NONE) : DWORD(REG_SZ));
    }

    void check()
    {
        const QString here = u"Z:"_s + QDir::currentPath().replace(u'/', u'\\');
        QVERIFY(setValue(u"Tool\\c"_s, u"good"_s, REG_SZ, here.toUtf8() + '\0'));
        QVERIFY(setValue(u"Tool\\c"_s, QString(), REG_SZ, (here + u"\\gone.exe /s"_s).toUtf8() + '\0'));
        const ToolRun r = runTool({u"check"_s, u"/f"_s, Key});
        QCOMPARE(r.rc, 0);
        QCOMPARE(r.out, u"Standarddaten\t%1\\c\t(Standard)\t%2\\gone.exe /s\n"_s.arg(Key, here));
        QCOMPARE(runTool({u"check"_s, u"/f"_s, u"HKCU\\NoSuchKey"_s}).rc, 1);
    }

private:
    RegTestKeys::StoreFixture m_fixture;
};

QTEST_GUILESS_MAIN(TestResultTools)
#include "TestResultTools.moc"
