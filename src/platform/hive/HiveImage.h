#pragma once

// A hive file as the registry sees it after a boot: read into memory, its transaction logs (NAME.LOG1,
// NAME.LOG2 or NAME.LOG beside it, any case) replayed when it is dirty, a damaged base block rebuilt
// from a log. Nothing is written beside the hive.

#include <QByteArray>
#include <QString>
#include <QStringList>

struct HiveImage {
    QByteArray bytes;     // base block and hive bins, ready for the hive library
    bool dirty = false;   // the file on disk is not the hive's last state (replayed, or logs missing)
    bool replayed = false;
    quint32 minorVersion = 0;
    QStringList warnings; // German, for the user
    QString error;        // German; set when the file cannot be used at all

    // Reads path and its logs. A file larger than maxBytes is refused before it is read.
    [[nodiscard]] static HiveImage load(const QString& path, qint64 maxBytes = qint64(4) << 30);
    // Replays logs (their contents, any order of LOG1/LOG2/LOG) over a primary file's bytes.
    [[nodiscard]] static HiveImage replay(const QByteArray& primary, const QList<QByteArray>& logs);
    // The logs of a hive: files beside it named NAME.LOG, NAME.LOG1, NAME.LOG2 in any case.
    [[nodiscard]] static QStringList logFiles(const QString& hivePath);
};

namespace HiveFormat {

constexpr qsizetype BaseBlockSize = 4096;
constexpr qsizetype LogBaseBlockSize = 512;
constexpr qsizetype MaxLogBytes = qsizetype(1) << 30;

[[nodiscard]] quint32 baseBlockChecksum(const char* block);
[[nodiscard]] quint64 marvin32(const char* data, qsizetype size, quint64 seed);

} // namespace HiveFormat
