#pragma once

// Hand-made bytes of the change-detection files: 32-bit little-endian integers and length-prefixed strings.

#include <QByteArray>
#include <QtEndian>

inline QByteArray le(qint32 n)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian<qint32>(n, bytes.data());
    return bytes;
}

inline QByteArray str(const QByteArray& bytes)
{
    return le(qint32(bytes.size())) + bytes;
}
