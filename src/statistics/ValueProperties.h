#pragma once

// The counts of the value properties dialog: the value-list rows of one key (all of them, or the
// selected ones) by their image, with the sizes of the values they show.

#include "registry/ValueListModel.h"

#include <QDateTime>
#include <QList>

struct ValueProperties {
    int strings = 0;
    int dwords = 0;
    int binaries = 0;
    qint64 stringSize = 0;
    qint64 dwordSize = 0;
    qint64 binarySize = 0;

    [[nodiscard]] int values() const { return strings + dwords + binaries; }
    [[nodiscard]] qint64 totalSize() const { return stringSize + dwordSize + binarySize; }
};

// rows: the list's rows to count (the default-value row counts only when the key has a default value).
// Sizes are read from the key on the current machine; a value that cannot be read adds no size.
[[nodiscard]] ValueProperties CountValueRows(const QString& keyPath, const QList<ValueRow>& rows);
