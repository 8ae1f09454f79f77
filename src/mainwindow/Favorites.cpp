#include "mainwindow/Favorites.h"

#include "platform/FileCommit.h"

#include "settings/OptionsStore.h"
#include "platform/TextCodec.h"

#include <QDate>
#include <QFile>
#include <QIODevice>
#include <QSaveFile>

namespace FavoritesFile {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Cuts before a character, never between the halves of a surrogate pair.
QString cutTo(const QString& text, int length)
{
    if (text.size() <= length)
        return text;
    if (length > 0 && text[length - 1].isHighSurrogate())
        --length;
    return text.left(length);
}

} // namespace

QString storedDescription(const QString& description)
{
    QString text = cutTo(description, MaxDescriptionLength);
    // Text that needs UTF-8 may take more bytes than characters.
    while (TextCodec::encode(text).size() > MaxDescriptionLength)
        text = cutTo(text, int(text.size()) - 1);
    return text;
}

bool write(const QList<Favorite>& favorites, QIODevice& device)
{
    QByteArray bytes;
    for (const Favorite& favorite : favorites) {
        const QByteArray description = TextCodec::encode(storedDescription(favorite.description));
        bytes += QByteArray::number(description.size(), 16).toUpper().rightJustified(2, '0');
        bytes += description;
        bytes += TextCodec::encode(favorite.keyPath);
        bytes += "\r\n";
    }
    return device.write(bytes) == bytes.size();
}

QList<Favorite> read(QIODevice& device)
{
    QList<Favorite> favorites;
    const QByteArray bytes = device.readAll();
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() < 2)
            continue;
        const int high = hexDigit(line[0]);
        const int low = hexDigit(line[1]);
        if (high < 0 || low < 0)
            continue;
        const int length = high * 16 + low;
        if (2 + length > line.size())
            continue;
        favorites.append({TextCodec::decode(line.sliced(2, length)), TextCodec::decode(line.sliced(2 + length))});
    }
    return favorites;
}

bool save(const QList<Favorite>& favorites, const QString& fileName)
{
    if (!ListFileMayBeWritten(fileName))
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || !write(favorites, file))
        return false;
    return CommitSaveFile(file);
}

QList<Favorite> load(const QString& fileName, bool* found)
{
    QFile file(fileName);
    const bool opened = file.exists() && file.open(QIODevice::ReadOnly);
    if (found)
        *found = opened;
    return opened ? read(file) : QList<Favorite>();
}

QString newDescription(const QDate& date)
{
    return QStringLiteral("Schlüssel vom ") + date.toString(QStringLiteral("dd.MM.yyyy"));
}

} // namespace FavoritesFile
