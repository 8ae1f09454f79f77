#pragma once

// The key information file: descriptive markup texts for registry keys, grouped into categories.
// Load reads the whole file for the overview; LookUp reads only what one key needs, skipping the
// header and category blocks by their sizes, jumping to the root's group through the root index and
// passing over other entries by their body sizes. Every length in the file is checked against what is
// left of it before anything is allocated: a damaged or hostile file ends reading with what was read.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct InfoEntry {
    QString keyPath;
    QString text; // markup; may hold CR LF pairs, which the page removes
    qint32 category = 0;
};

class TInfoClass final {
public:
    // False when the file does not exist (nothing changes then). Otherwise the lists are rebuilt from
    // the file, sorted by key path without regard to case in the user's order, and the answer is true,
    // also for an empty file or a wrong identifier (no entries then).
    [[nodiscard]] bool Load(const QString& fileName);
    [[nodiscard]] static std::optional<InfoEntry> LookUp(const QString& fileName, const QString& keyPath);

    enum class ReadStatus { Missing, Complete, WrongIdentifier, Truncated };
    // Load without the sorting: the entries in the file's order, and how far reading got.
    [[nodiscard]] ReadStatus ReadInFileOrder(const QString& fileName);

    // The category an entry is listed under: below 0 counts as 0, beyond the last as the last.
    [[nodiscard]] int categoryIndex(const InfoEntry& entry) const;
    // "Win95" .. "WinXP" for the stored number, empty for any other.
    [[nodiscard]] QString operatingSystemName() const;

    QString Title;
    qint32 OperatingSystem = 0;
    qint32 Version = 0;
    QString RightsNotice;
    QByteArray Reserved;
    QStringList Categories;
    QList<InfoEntry> Entries;
};

// The two paths name the same key: each loses one trailing backslash (unless a colon stands before
// it), then they compare without regard to case.
[[nodiscard]] bool SameInfoKeyPath(const QString& a, const QString& b);
