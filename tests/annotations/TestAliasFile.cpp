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
    // A name's length in two hex digits, its characters one byte each; names beyond 255 characters are cut.
    void writesLines()
    {
        const QByteArray run = Run.toLatin1() + "\r\n";
        const std::pair<QString, QByteArray> cases[] = {{"Run", "03Run" + run},
                                                        {"Bäume", "05B\xE4ume" + run},
                                                        {letters(255), "FF" + letters(255).toLatin1() + run},
                                                        {letters(300), "FF" + letters(255).toLatin1() + run}};
        for (const auto& [name, line] : cases) {
            QBuffer buffer;
            buffer.open(QIODevice::ReadWrite);
            QVERIFY(AliasFile::write({{name, Run}}, buffer));
            QCOMPARE(buffer.data(), line);
            buffer.seek(0);
            QCOMPARE(AliasFile::read(buffer), (QList<AliasEntry>{{name.left(255), Run}}));
        }
    }

    // An alias opens its key in any case, the first of equal names wins, an existing key beats an alias of
    // its name, and unknown text stays as typed.
    void resolves()
    {
        StoreFixture fixture;
        QVERIFY(fixture.start());
        QVERIFY(makeKey(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run")));
        const QList<AliasEntry> aliases{{"HKEY_CURRENT_USER\\Software", "HKEY_USERS\\.DEFAULT"}, {"Run", Run},
                                        {"Doppelt", "HKEY_USERS"}, {"doppelt", "HKEY_LOCAL_MACHINE"}};
        const std::pair<const char*, QString> cases[] = {
            {"Run", Run}, {"rUN", Run}, {"doppelt", "HKEY_USERS"},
            {"HKEY_CURRENT_USER\\Software", "HKEY_CURRENT_USER\\Software"}, {"Nirgends", "Nirgends"}};
        for (const auto& [typed, path] : cases)
            QCOMPARE(AliasFile::resolve(aliases, QString::fromLatin1(typed), KeyExists), path);
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
