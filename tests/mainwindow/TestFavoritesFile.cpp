#include "mainwindow/Favorites.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestFavoritesFile final : public QObject {
    Q_OBJECT

private slots:
    // Characters outside Windows-1252 go as UTF-8, and the length counts their bytes; a long description is
    // cut where its bytes still fit, never inside a character.
    void bytesAndRoundTrip()
    {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        const QString description = u"abcdefghijklmnopqrstuvwxyz"_s.repeated(12);
        QVERIFY(FavoritesFile::write({{"Läufer", "HKEY_USERS\\A"}, {"", "HKEY_CURRENT_USER"}, {"Ω ☃", "HKEY_USERS"},
                                      {description, "HKEY_USERS"}},
                                     buffer));
        QCOMPARE(buffer.data(), QByteArray("06L\xE4ufer" "HKEY_USERS\\A\r\n00HKEY_CURRENT_USER\r\n"
                                           "06\xCE\xA9 \xE2\x98\x83" "HKEY_USERS\r\nFF")
                                    + description.left(255).toLatin1() + "HKEY_USERS\r\n");
        buffer.seek(0);
        QCOMPARE(FavoritesFile::read(buffer).value(3), (Favorite{description.left(255), "HKEY_USERS"}));
        QCOMPARE(FavoritesFile::storedDescription(QString(200, QChar(0x0416)) + u'x'), QString(127, QChar(0x0416)));
        const QString emoji = u"😀"_s.repeated(130);
        QCOMPARE(FavoritesFile::storedDescription(emoji), emoji.left(2 * 63)); // 63 four-byte characters

        // Through a file and back.
        const QList<Favorite> favorites{{"Schlüssel vom 01.02.2026", "HKEY_LOCAL_MACHINE\\SOFTWARE"},
                                        {"Ключ ☃ 😀", "HKEY_USERS\\Ω"},
                                        {"starts with 0A", "HKEY_USERS\\with blank "}};
        QTemporaryDir dir;
        const QString file = dir.filePath(u"favorite.fav"_s);
        QVERIFY(FavoritesFile::save(favorites, file));
        bool found = false;
        QCOMPARE(FavoritesFile::load(file, &found), favorites);
        QVERIFY(found);
        // A missing file reads as none (a failing write is the file writers' common test).
        QVERIFY(FavoritesFile::load(dir.filePath(u"none.fav"_s), &found).isEmpty() && !found);
    }

    // Empty lines, a length that is no hex or beyond the line are skipped; lower-case hex and a missing line
    // end are fine.
    void readSkipsBadLines()
    {
        const std::pair<QByteArray, int> cases[] = {{"\r\n\r\n03abcHKEY_USERS\r\n\n", 1},
                                                    {"zzabcHKEY_USERS\r\n03abcK\r\n", 1},
                                                    {"FFabc\r\n", 0},
                                                    {"0", 0},
                                                    {"0aabcdefghijK", 1}};
        for (auto [bytes, count] : cases) {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            QCOMPARE(int(FavoritesFile::read(buffer).size()), count);
        }
    }
};

QTEST_GUILESS_MAIN(TestFavoritesFile)
#include "TestFavoritesFile.moc"
