#pragma once

// Aliases: short names for long key paths, typed into the navigation box instead of the path. Kept in
// alias.dat in the data directory, one line per alias in the favorites' line form: two upper-case hex
// digits with the name's byte length in the file, the name, the key path, CR LF. A name longer than
// 255 characters is cut when written; lines with a bad length prefix are skipped when read.

#include <QList>
#include <QString>

#include <functional>

class QIODevice;

struct AliasEntry {
    QString name;
    QString keyPath;
    friend bool operator==(const AliasEntry&, const AliasEntry&) = default;
};

namespace AliasFile {

inline const QString FileName = QStringLiteral("alias.dat");
inline const QString BackslashText = QStringLiteral("Ungültiges Zeichen \"\\\" im Aliasnamen gefunden.");

[[nodiscard]] QList<AliasEntry> read(QIODevice& device);
[[nodiscard]] bool write(const QList<AliasEntry>& aliases, QIODevice& device);
// A missing file holds no aliases; save() replaces the file through a temporary file and a rename.
[[nodiscard]] QList<AliasEntry> load(const QString& fileName);
[[nodiscard]] bool save(const QList<AliasEntry>& aliases, const QString& fileName);

// The navigation box's text as a key path: an existing key wins, else the key path of the first alias
// of that name (as the registry compares names), else the text itself.
[[nodiscard]] QString resolve(const QList<AliasEntry>& aliases, const QString& text,
                              const std::function<bool(const QString& keyPath)>& keyExists);
// Index of the first alias of the key path, or -1.
[[nodiscard]] int indexOfKey(const QList<AliasEntry>& aliases, const QString& keyPath);
// The first alias of the key path takes the new name, or a new alias is appended.
void setAlias(QList<AliasEntry>& aliases, const QString& keyPath, const QString& name);

} // namespace AliasFile
