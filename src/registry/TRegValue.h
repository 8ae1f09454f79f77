#pragma once

// One registry value in memory, copied by value. Only the field that belongs to DataType is
// meaningful: StringData for REG_SZ (without its terminating zero), DWordData for REG_DWORD, and
// BinaryData for every other type, exactly as stored (REG_EXPAND_SZ and REG_MULTI_SZ with their zeros).

#include "platform/WinTypes.h"

#include <QByteArray>
#include <QString>

struct TRegValue {
    DWORD DataType = REG_NONE;
    QString StringData;
    DWORD DWordData = 0;
    QByteArray BinaryData;

    friend bool operator==(const TRegValue&, const TRegValue&) = default;
};

[[nodiscard]] TRegValue MakeRegValue(DWORD dataType, const QString& stringData, DWORD dwordData,
                                     const QByteArray& binaryData);
