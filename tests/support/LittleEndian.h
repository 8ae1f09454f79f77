#pragma once

// Fields of the program's binary files as they are stored: 32-bit little-endian numbers and byte strings
// after their 32-bit length.

#include <QByteArray>
#include <QtEndian>

// Negative numbers are stored in two's complement.
[[nodiscard]] inline QByteArray le32(qint64 v)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian<quint32>(quint32(v), bytes.data());
    return bytes;
}

[[nodiscard]] inline QByteArray counted(const QByteArray& bytes)
{
    return le32(bytes.size()) + bytes;
}
