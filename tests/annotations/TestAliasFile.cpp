#include "annotations/AliasFile.h"

#include "registry/RegTestKeys.h"
#include "registry/RegUtils.h"

#include <QtTest>

using namespace RegTestKeys;

namespace {

const QString Run = QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");

QString letters(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QChar(u'a' + i % 26);
    return text;
}

} // namespace

class TestAliasFile final : public QObject {
    Q_OBJECT

private slots:
    void writesLines_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("short") << "Run" << QByteArray("03Run") + Run.toLatin1() + "\r\n";
        QTest::newRow("umlaut, one byte") << "Bäume" << QByteArray("05B\xE4ume") + Run.toLatin1() + "\r\n";
        QTest::newRow("255 characters") << letters(255) << "FF" + letters(255).toLatin1() + Run.toLatin1() + "\r\n";
        QTest::newRow("longer ones cut") << letters(300) << "FF" + letters(255).toLatin1() + Run.toLatin1() + "\r\n";
    }

    void writesLines()
    {
        QFETCH(QString, name);
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        QVERIFY(AliasFile::write({{name, Run}}, buffer));
        QTEST(buffer.data(), "line");
        buffer.seek(0);
        QCOMPARE(AliasFile::read(buffer), (QList<AliasEntry>{{name.left(255), Run}}));
    }

    void resolves_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("path");
        QTest::newRow("alias") << "Run" << Run;
        QTest::newRow("alias in other case") << "rUN" << Run;
        QTest::newRow("first of two equal names") << "doppelt" << "HKEY_USERS";
        QTest::newRow("existing key wins over an alias")
            << "HKEY_CURRENT_USER\\Software" << "HKEY_CURRENT_USER\\Software";
        QTest::newRow("unknown text stays") << "Nirgends" << "Nirgends";
    }

    void resolves()
    {
        QFETCH(QString, typed);
        StoreFixture fixture;
        QVERIFY(fixture.start());
        QVERIFY(makeKey(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run")));
        const QList<AliasEntry> aliases{{"HKEY_CURRENT_USER\\Software", "HKEY_USERS\\.DEFAULT"},
                                        {"Run", Run},
                                        {"Doppelt", "HKEY_USERS"},
                                        {"doppelt", "HKEY_LOCAL_MACHINE"}};
        QTEST(AliasFile::resolve(aliases, typed, KeyExists), "path");
    }

    void setAliasReplacesLineInPlace()
    {
        QList<AliasEntry> aliases{{"a", "HKEY_USERS\\A"}, {"b", "HKEY_USERS\\B"}, {"c", "HKEY_USERS\\C"}};
        AliasFile::setAlias(aliases, "hkey_users\\b", "neu");
        AliasFile::setAlias(aliases, "HKEY_USERS\\D", "d");
        QCOMPARE(aliases, (QList<AliasEntry>{{"a", "HKEY_USERS\\A"},
                                             {"neu", "hkey_users\\b"},
                                             {"c", "HKEY_USERS\\C"},
                                             {"d", "HKEY_USERS\\D"}}));
        QCOMPARE(AliasFile::indexOfKey(aliases, "HKEY_USERS\\C"), 2);
        QCOMPARE(AliasFile::indexOfKey(aliases, "HKEY_USERS"), -1);
    }
};

QTEST_GUILESS_MAIN(TestAliasFile)
#include "TestAliasFile.moc"
