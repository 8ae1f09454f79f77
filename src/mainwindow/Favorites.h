#pragma once

// The favorites: named key paths on the favorites page, kept in a favorites file (".fav").
//
// One line per favorite, CR LF:
//   2 upper-case hex digits   L, the byte length of the description in the file (at most 0xFF)
//   L bytes                   the description
//   the rest of the line      the key path
// Text goes through the program's 8-bit codec; a description longer than 255 characters (or bytes,
// where it needs UTF-8) is cut when written. Empty lines are skipped when reading.

#include <QList>
#include <QString>

class QDate;
class QIODevice;

struct Favorite {
    QString description;
    QString keyPath;
    friend bool operator==(const Favorite&, const Favorite&) = default;
};

namespace FavoritesFile {

constexpr int MaxDescriptionLength = 255;

// The description as it is stored: at most 255 characters whose encoding takes at most 255 bytes.
[[nodiscard]] QString storedDescription(const QString& description);

[[nodiscard]] bool write(const QList<Favorite>& favorites, QIODevice& device);
// Lines whose length prefix is not two hex digits or exceeds the line are skipped.
[[nodiscard]] QList<Favorite> read(QIODevice& device);

// On files: written only where a list file may be written; read only when the file exists.
bool save(const QList<Favorite>& favorites, const QString& fileName);
[[nodiscard]] QList<Favorite> load(const QString& fileName, bool* found = nullptr);

// "Schlüssel vom " + the date as dd.mm.yyyy.
[[nodiscard]] QString newDescription(const QDate& date);

} // namespace FavoritesFile
