#pragma once

// The statistics of a key's whole subtree: counts of keys and values, the three kinds of values with
// their data sizes, the largest string and binary value, and the key's last write time; and the lines
// the statistics dialog and "kaven-reg stats" show of them.

#include "registry/BranchWalker.h"

#include <QDateTime>
#include <QList>
#include <QString>

class Progress;

struct LargestValue {
    qint64 size = 0; // 0: none found (an empty value never becomes the largest)
    QString valueName;
    QString keyPath;
};

struct KeyStatistics {
    qint64 keys = 0;   // keys opened, the start key included
    qint64 values = 0; // every value enumerated, readable or not
    qint64 strings = 0; // REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ
    qint64 dwords = 0;
    qint64 binaries = 0; // every other type
    qint64 stringSize = 0; // REG_SZ: characters up to the first NUL; the other two: bytes
    qint64 binarySize = 0;
    LargestValue largestString; // REG_SZ only
    LargestValue largestBinary;
    QDateTime lastWrite; // of the start key; invalid when not known

    [[nodiscard]] qint64 dwordSize() const { return 4 * dwords; }
    [[nodiscard]] qint64 totalSize() const { return stringSize + dwordSize() + binarySize; }
};

struct StatisticsOutcome {
    KeyStatistics statistics;
    WalkResult walk;
};

// Walks the branch at keyPath on the current machine. Keys that do not open are left out with their
// subtrees; a cancelled walk keeps what was counted so far.
[[nodiscard]] StatisticsOutcome CollectStatistics(const QString& keyPath, Progress& progress);

struct StatisticsLine {
    QString name; // "Werte:"
    QString value;
};

// "Unterschlüssel:" to "Datengröße gesamt:", then "Letzter Schreibzugriff:" when the time is known.
[[nodiscard]] QList<StatisticsLine> StatisticsLines(const KeyStatistics& statistics);
// "Größte Zeichenfolge  (12 Byte)" / "Größter Binärwert  (3 Byte)"; empty when there is none.
[[nodiscard]] QString LargestStringCaption(const KeyStatistics& statistics);
[[nodiscard]] QString LargestBinaryCaption(const KeyStatistics& statistics);
// The size as the dialogs show it (sizes beyond 4 GB show as 4 GB).
[[nodiscard]] QString StatisticsSize(qint64 size);
// A key's write time as the dialogs show it: "dd.mm.yyyy hh:nn".
[[nodiscard]] QString KeyTimeText(const QDateTime& time);
