#include "settings/OptionsStore.h"
#include "registry/RegTestKeys.h"
#include "support/LittleEndian.h"
#include "support/TestFiles.h"

#include <QtTest>

namespace {

const QString OptionsPath = QStringLiteral("SOFTWARE\\Fenmarsh\\Kaven\\1.0\\Options");

bool putValue(const QString& name, DWORD type, const QByteArray& data)
{
    return RegTestKeys::setValue(OptionsPath, name, type, data);
}

} // namespace

class TestOptionsStore final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_store.emplace().ok());
        m_programDir = m_store->dirPath() + QStringLiteral("/prog/");
        QVERIFY(QDir().mkpath(m_programDir));
    }
    void cleanup() { m_store.reset(); }

    void firstRunTakesDefaultsAndCreatesDataDirectory()
    {
        QVERIFY(!RegTestKeys::exists(OptionsPath));
        KavenOptions o;
        o.maxUndo = 77; // a fixed setting: its default applies when nothing is stored
        o.split = 123;  // a layout setting: the layout's value stays
        OptionsStore::LoadOptions(o, m_programDir);
        QVERIFY(RegTestKeys::exists(OptionsPath));
        QVERIFY(RegTestKeys::exists(QStringLiteral("SOFTWARE\\Fenmarsh\\Kaven\\1.0"), HKEY_LOCAL_MACHINE));
        QCOMPARE(o.maxUndo, 10);
        QCOMPARE(o.split, 123);
        QCOMPARE(o.dataPath, m_programDir.chopped(1));
        QVERIFY(QFileInfo(o.dataPath).isDir());
        QVERIFY(QFileInfo(o.structPath).isDir());
        QCOMPARE(o.searchFlagsA, 72u);
        QCOMPARE(o.replaceCompareFlags, 10u);
        // The parallel view's window too (the main window's placement is tested with the window).
        KavenCopyWindowSettings copy;
        copy.width = 2;
        OptionsStore::LoadCopyWindowSettings(copy);
        QCOMPARE(QSize(copy.width, copy.height), QSize(550, 250));
    }

    void directoryFallback_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("usable");
        QTest::newRow("existing") << QStringLiteral("exists") << true;
        QTest::newRow("one level missing") << QStringLiteral("newdir") << true;
        QTest::newRow("two levels missing") << QStringLiteral("missing/deeper") << false;
        QTest::newRow("a file") << QStringLiteral("afile") << false;
    }
    void directoryFallback()
    {
        QFETCH(QString, stored);
        QFETCH(bool, usable);
        const QString base = m_store->dirPath() + QLatin1Char('/');
        QVERIFY(QDir().mkpath(base + QStringLiteral("exists")));
        QVERIFY(writeFile(base + QStringLiteral("afile"), {}));
        const QString path = base + stored;
        QVERIFY(putValue(QStringLiteral("DataPath"), REG_SZ, path.toUtf8() + '\0'));
        QVERIFY(putValue(QStringLiteral("StructPath"), REG_SZ, path.toUtf8() + '\0'));
        KavenOptions o;
        OptionsStore::LoadOptions(o, m_programDir);
        QCOMPARE(o.dataPath, usable ? path : m_programDir);
        QCOMPARE(o.structPath, usable ? path : m_programDir);
    }

    void wrongTypeCountsAsMissing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<uint>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("integer as text") << "MaxUndo" << uint(REG_SZ) << QByteArray("500\0", 4);
        QTest::newRow("integer too short") << "MaxUndo" << uint(REG_DWORD) << QByteArray("\x05\x01", 2);
        QTest::newRow("flag as text") << "MemoWarn" << uint(REG_SZ) << QByteArray("1\0", 2);
        QTest::newRow("text as dword") << "SearchLineA" << uint(REG_DWORD) << le32(5);
        QTest::newRow("text as expand") << "SearchLineA" << uint(REG_EXPAND_SZ) << QByteArray("abc\0", 4);
        QTest::newRow("mask as text") << "RootExport" << uint(REG_SZ) << QByteArray("63\0", 3);
    }
    void wrongTypeCountsAsMissing()
    {
        QFETCH(QString, name);
        QFETCH(uint, type);
        QFETCH(QByteArray, data);
        QVERIFY(putValue(name, type, data));
        KavenOptions o;
        o.maxUndo = 3;
        o.memoWarn = true;
        o.searchLineA = QStringLiteral("vorher");
        o.rootExport.fill(false);
        OptionsStore::LoadOptions(o, m_programDir);
        QCOMPARE(o.maxUndo, 10);
        QCOMPARE(o.memoWarn, false);
        QCOMPARE(o.searchLineA, QString());
        QCOMPARE(o.rootExport, (std::array<bool, 6>{true, true, true, true, false, false}));
    }

    void rootExportBits_data()
    {
        QTest::addColumn<uint>("mask");
        QTest::addColumn<QList<bool>>("flags");
        QTest::newRow("15") << 15u << QList<bool>{true, true, true, true, false, false};
        QTest::newRow("slot 6 and 1") << 33u << QList<bool>{true, false, false, false, false, true};
        QTest::newRow("none") << 0u << QList<bool>{false, false, false, false, false, false};
    }
    void rootExportBits()
    {
        QFETCH(uint, mask);
        QVERIFY(putValue(QStringLiteral("RootExport"), REG_DWORD, le32(mask)));
        KavenOptions o;
        OptionsStore::LoadOptions(o, m_programDir);
        QTEST(QList<bool>(o.rootExport.begin(), o.rootExport.end()), "flags");
        OptionsStore::SaveOptions(o);
        QCOMPARE(RegTestKeys::value(OptionsPath, QStringLiteral("RootExport")), qMakePair(REG_DWORD, le32(mask)));
    }

    void roundTripWithStoredTypes()
    {
        KavenOptions o;
        o.columnWidths[1] = {11, 22, 33, 44};
        OptionsStore::LoadOptions(o, m_programDir);
        o.columnWidths[1] = {101, 102, 103, 104};
        o.historyTBLeft = -3;
        o.showNetWorkTB = false;
        o.favoriteFile = QStringLiteral("/tmp/ä/meine.fav");
        o.compFile = QStringLiteral("C:\\x.rec");
        o.copyWinShow = true;
        OptionsStore::SaveOptions(o);

        KavenOptions back;
        back.columnWidths[1] = {0, 0, 0, 0};
        OptionsStore::LoadOptions(back, m_programDir);
        QCOMPARE(back.columnWidths.value(1), (QList<int>{101, 102, 103, 104}));
        QCOMPARE(back.historyTBLeft, -3);
        QCOMPARE(back.showNetWorkTB, false);
        QCOMPARE(back.favoriteFile, o.favoriteFile);
        QCOMPARE(back.copyWinShow, true);
        const std::tuple<const char*, DWORD, QByteArray> stored[] = {
            {"LV1ColWidth3", REG_DWORD, le32(104)},
            {"ShowNetWorkTB", REG_DWORD, le32(0)},
            {"CompFile", REG_SZ, QByteArray("C:\\x.rec\0", 9)}};
        for (const auto& [name, type, bytes] : stored)
            QCOMPARE(RegTestKeys::value(OptionsPath, QString::fromLatin1(name)), qMakePair(type, bytes));
    }

    void listFileWritable()
    {
        const QString dir = m_store->dataDir();
        QVERIFY(ListFileMayBeWritten(dir + QStringLiteral("/new.dat")));
        const QString file = dir + QStringLiteral("/ro.dat");
        QVERIFY(writeFile(file, {}));
        QVERIFY(ListFileMayBeWritten(file));
        QVERIFY(!ListFileMayBeWritten(dir + QStringLiteral("/nofolder/x.dat")));
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
        if (QFileInfo(file).isWritable())
            QSKIP("running with rights that ignore read-only files");
        QVERIFY(!ListFileMayBeWritten(file));
    }

private:
    std::optional<TempStore> m_store;
    QString m_programDir;
};

QTEST_GUILESS_MAIN(TestOptionsStore)
#include "TestOptionsStore.moc"
